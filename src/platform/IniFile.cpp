#include "platform/IniFile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

namespace qn {

QString decodeText(const QByteArray &bytes)
{
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        auto dec = QStringDecoder(bytes.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE
                                                               : QStringConverter::Utf16BE,
                                  QStringConverter::Flag::Default);
        return dec(bytes.mid(2));
    }
    QByteArray body = bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8(body);
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(body);
}

IniFile IniFile::load(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return IniFile();
    IniFile ini = parse(f.readAll());
    ini.m_exists = true;
    return ini;
}

IniFile IniFile::parse(const QByteArray &bytes)
{
    IniFile ini;
    ini.m_exists = true;
    const QString text = decodeText(bytes);
    Section *current = nullptr;
    qsizetype pos = 0;
    const qsizetype n = text.size();
    while (pos < n) {
        qsizetype end = pos;
        while (end < n && text[end] != QLatin1Char('\n') && text[end] != QLatin1Char('\r'))
            ++end;
        const QString line = text.mid(pos, end - pos).trimmed();
        pos = end + 1;
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            const qsizetype close = line.indexOf(QLatin1Char(']'));
            const QString name = line.mid(1, close < 0 ? -1 : close - 1).trimmed();
            current = ini.findSection(name);
            if (!current) {
                ini.m_sections.push_back(Section{name, {}, {}});
                current = &ini.m_sections.back();
            }
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0 || !current)
            continue;
        const QString key = line.left(eq).trimmed();
        if (key.isEmpty())
            continue;
        // The first occurrence of a key wins, as with the original reader.
        if (!current->find(key))
            current->add(key, line.mid(eq + 1).trimmed());
    }
    return ini;
}

const IniFile::Entry *IniFile::Section::find(const QString &key) const
{
    const auto it = index.constFind(key.toCaseFolded());
    return it == index.constEnd() ? nullptr : &entries[size_t(*it)];
}

void IniFile::Section::add(const QString &key, const QString &value)
{
    index.insert(key.toCaseFolded(), int(entries.size()));
    entries.push_back(Entry{key, value});
}

const IniFile::Section *IniFile::findSection(const QString &name) const
{
    for (const Section &s : m_sections)
        if (s.name.compare(name, Qt::CaseInsensitive) == 0)
            return &s;
    return nullptr;
}

IniFile::Section *IniFile::findSection(const QString &name)
{
    return const_cast<Section *>(static_cast<const IniFile *>(this)->findSection(name));
}

const IniFile::Entry *IniFile::findEntry(const QString &section, const QString &key) const
{
    const Section *s = findSection(section);
    return s ? s->find(key) : nullptr;
}

bool IniFile::hasSection(const QString &section) const { return findSection(section) != nullptr; }

bool IniFile::hasKey(const QString &section, const QString &key) const
{
    return findEntry(section, key) != nullptr;
}

QStringList IniFile::sections() const
{
    QStringList out;
    for (const Section &s : m_sections)
        out << s.name;
    return out;
}

QStringList IniFile::keys(const QString &section) const
{
    QStringList out;
    if (const Section *s = findSection(section))
        for (const Entry &e : s->entries)
            out << e.key;
    return out;
}

std::vector<std::pair<QString, QString>> IniFile::entries(const QString &section) const
{
    std::vector<std::pair<QString, QString>> out;
    if (const Section *s = findSection(section))
        for (const Entry &e : s->entries)
            out.emplace_back(e.key, e.value);
    return out;
}

QString IniFile::readString(const QString &section, const QString &key, const QString &fallback) const
{
    const Entry *e = findEntry(section, key);
    return e ? e->value : fallback;
}

int IniFile::readInteger(const QString &section, const QString &key, int fallback) const
{
    const Entry *e = findEntry(section, key);
    if (!e)
        return fallback;
    bool ok = false;
    const int v = e->value.trimmed().toInt(&ok, 10);
    return ok ? v : fallback;
}

bool IniFile::readBool(const QString &section, const QString &key, bool fallback) const
{
    return readInteger(section, key, fallback ? 1 : 0) != 0;
}

double IniFile::readFloat(const QString &section, const QString &key, double fallback) const
{
    const Entry *e = findEntry(section, key);
    if (!e)
        return fallback;
    QString t = e->value.trimmed();
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double v = t.toDouble(&ok);
    return ok ? v : fallback;
}

void IniFile::writeString(const QString &section, const QString &key, const QString &value)
{
    Section *s = findSection(section);
    if (!s) {
        m_sections.push_back(Section{section, {}, {}});
        s = &m_sections.back();
    }
    // A value never spans lines: a line break would split the key=value line in the file.
    QString clean = value;
    clean.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (const Entry *e = s->find(key)) {
        const_cast<Entry *>(e)->value = clean;
        return;
    }
    s->add(key, clean);
}

void IniFile::writeInteger(const QString &section, const QString &key, int value)
{
    writeString(section, key, QString::number(value));
}

void IniFile::writeBool(const QString &section, const QString &key, bool value)
{
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void IniFile::eraseSection(const QString &section)
{
    for (auto it = m_sections.begin(); it != m_sections.end(); ++it)
        if (it->name.compare(section, Qt::CaseInsensitive) == 0) {
            m_sections.erase(it);
            return;
        }
}

void IniFile::deleteKey(const QString &section, const QString &key)
{
    Section *s = findSection(section);
    if (!s)
        return;
    const auto it = s->index.find(key.toCaseFolded());
    if (it == s->index.end())
        return;
    const int pos = *it;
    s->entries.erase(s->entries.begin() + pos);
    s->index.erase(it);
    for (auto &i : s->index)
        if (i > pos)
            --i;
}

QByteArray IniFile::serialize() const
{
    QString out;
    bool first = true;
    for (const Section &s : m_sections) {
        if (!first)
            out += QLatin1Char('\n');
        first = false;
        out += QLatin1Char('[') + s.name + QStringLiteral("]\n");
        for (const Entry &e : s.entries)
            out += e.key + QLatin1Char('=') + e.value + QLatin1Char('\n');
    }
    return out.toUtf8();
}

bool IniFile::save(const QString &path, QString *error) const
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) {
        if (error)
            *error = f.errorString();
        return false;
    }
    const QByteArray bytes = serialize();
    if (f.write(bytes) != bytes.size()) {
        if (error)
            *error = f.errorString();
        f.cancelWriting();
        return false;
    }
    // The bytes sit in the device's buffer until here; commit() would rename a short file over
    // the old one even when this last write fails (a full disk), so the flush is checked first.
    if (!f.flush()) {
        if (error)
            *error = f.errorString();
        f.cancelWriting();
        return false;
    }
    if (!f.commit()) {
        if (error)
            *error = f.errorString();
        return false;
    }
    return true;
}

} // namespace qn
