#include "data/TemperatureTable.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <memory>

namespace qn {

TemperatureTable::TemperatureTable(QString path, Reporter report, Clock clock, int recheckMs)
    : m_path(std::move(path)), m_report(std::move(report)), m_clock(std::move(clock)),
      m_recheckMs(recheckMs < 0 ? 0 : recheckMs)
{
    if (!m_clock) {
        auto timer = std::make_shared<QElapsedTimer>();
        timer->start();
        m_clock = [timer] { return int64_t(timer->elapsed()); };
    }
}

QString TemperatureTable::missingMessage() { return QStringLiteral("Temperature file not exists"); }

QString TemperatureTable::shortMessage(int entries)
{
    return QStringLiteral("Temperature file too short: %1 of %2 entries")
        .arg(entries)
        .arg(FullEntries);
}

void TemperatureTable::report(const QString &text) const
{
    if (m_report)
        m_report(text);
}

int16_t TemperatureTable::lookup(uint16_t reading)
{
    const int64_t now = m_clock();
    if (!m_checked || now - m_lastCheck >= m_recheckMs) {
        m_lastCheck = now;
        check();
    }
    if (!m_present)
        return 0;
    const int i = reading & 0x3FF;
    if (i >= m_count) {
        if (!m_shortReported) {
            m_shortReported = true;
            report(shortMessage(m_count));
        }
        return 0;
    }
    return m_entries[size_t(i)];
}

void TemperatureTable::recheck()
{
    m_lastCheck = m_clock();
    check();
}

void TemperatureTable::check()
{
    m_checked = true;
    const QFileInfo info(m_path);
    bool found = info.isFile();
    if (found) {
        const int64_t size = info.size();
        const int64_t mtime = info.lastModified().toMSecsSinceEpoch();
        if (!m_present || size != m_size || mtime != m_mtime) {
            QFile f(m_path);
            if (f.open(QIODevice::ReadOnly)) {
                // Entries beyond the full table can never be indexed: read no more than that.
                const QByteArray bytes = f.read(qint64(FullEntries) * 2);
                m_count = int(bytes.size() / 2);
                const auto *b = reinterpret_cast<const unsigned char *>(bytes.constData());
                for (int i = 0; i < m_count; ++i)
                    m_entries[size_t(i)] = int16_t(uint16_t(b[2 * i] | (b[2 * i + 1] << 8)));
                m_size = size;
                m_mtime = mtime;
                m_shortReported = false;
            } else {
                found = false; // unreadable counts as missing: it cannot give a temperature
            }
        }
    }
    if (found) {
        m_present = true;
        m_missingReported = false;
        return;
    }
    m_present = false;
    m_count = 0;
    m_size = -1;
    if (!m_missingReported) {
        m_missingReported = true;
        report(missingMessage());
    }
}

} // namespace qn
