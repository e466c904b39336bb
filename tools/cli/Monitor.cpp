#include "Monitor.h"

#include "link/Unit_ComPort.h"

#include <cstdio>

namespace qn::cli {

namespace {
// The connect attempt ends when the connecting message's countdown would: 200 steps of 100 ms.
constexpr int ConnectTimeoutMs = 200 * 100;

void printErr(const QString &text)
{
    std::fprintf(stderr, "qndiag-cli: %s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}
} // namespace

Monitor::Monitor(Options options)
    : m_options(std::move(options)),
      m_language(m_settings, m_options.programDir + QStringLiteral("/Language"), QStringLiteral("en")),
      m_temperatures(m_options.programDir + QStringLiteral("/qndiag.dat"), [](const QString &t) { printErr(t); }),
      m_connectTimeout(m_timers, ConnectTimeoutMs),
      m_runTime(m_timers, 1000),
      m_event14(m_timers, 2000),
      m_summary(m_timers, 1000)
{
    // The monitor speaks English and talks to a serial port.
    m_settings.Run_App = true;
    m_settings.Language = QStringLiteral("English");
    m_settings.CON_Type = false;
    m_settings.CON_Port = m_options.port;

    m_link = std::make_unique<DeviceLink>(DeviceLink::Deps{
        m_timers, m_settings, m_config, m_live,
        [this](uint16_t reading) { return m_temperatures.lookup(reading); }, this, this});
    m_link->onEstablished = [this] { established(); };
    m_link->onLost = [this] { finish(LinkLost); };
    m_link->reportScriptError = [](const QString &text) { printErr(QString(text).replace(QLatin1String("\n\r"), QLatin1String("; "))); };
    // Event 14 re-reads the configuration two seconds later (key 7).
    m_link->postEvent = [this](int code, int delay) {
        if (code != 14)
            return;
        m_event14.setEnabled(false);
        m_event14.setInterval(delay);
        m_event14.setEnabled(true);
    };
    m_event14.onTimer = [this] {
        m_event14.setEnabled(false);
        m_link->script.keys().push(7);
    };
    m_connectTimeout.onTimer = [this] {
        m_connectTimeout.setEnabled(false);
        showMessage(MsgKind::ConnectFailed, QStringLiteral("MSG_Connect_Failed"), MsgColour::Warning);
        finish(ConnectFailed);
    };
    m_runTime.onTimer = [this] {
        m_runTime.setEnabled(false);
        finish(Ok);
    };
    m_summary.onTimer = [this] { printSummary(); };
}

Monitor::~Monitor()
{
    if (m_link)
        m_link->stopAndRelease();
}

bool Monitor::start()
{
    if (!m_options.csv.isEmpty()) {
        m_csv.setFileName(m_options.csv);
        const bool ok = m_options.csv == QLatin1String("-") ? m_csv.open(stdout, QIODevice::WriteOnly)
                                                            : m_csv.open(QIODevice::WriteOnly | QIODevice::Truncate);
        if (!ok) {
            printErr(QStringLiteral("cannot write %1: %2").arg(m_options.csv, m_csv.errorString()));
            finish(Usage);
            return false;
        }
        writeCsvHeader();
    }
    if (m_options.seconds >= 0) {
        m_runTime.setInterval(qMax(1, m_options.seconds * 1000));
        m_runTime.setEnabled(true);
    }
    if (!portPresent(m_options.port)) {
        showMessage(MsgKind::ConnectFailed, QStringLiteral("MSG_Connect_Failed"), MsgColour::Warning);
        finish(ConnectFailed);
        return false;
    }
    auto port = openLinkPort(m_options.port, this);
    if (!port) {
        showMessage(MsgKind::ConnectFailed, QStringLiteral("MSG_Connect_Failed"), MsgColour::Warning);
        finish(ConnectFailed);
        return false;
    }
    m_link->attach(std::move(port));
    m_connectTimeout.setEnabled(true);
    m_link->startConnectScript();
    return true;
}

void Monitor::finish(int code)
{
    if (m_finished)
        return;
    m_finished = true;
    m_runTime.setEnabled(false);
    m_connectTimeout.setEnabled(false);
    m_summary.setEnabled(false);
    m_event14.setEnabled(false);
    m_link->stopAndRelease();
    if (m_csv.isOpen())
        m_csv.flush();
    if (onFinished)
        onFinished(code);
}

void Monitor::showMessage(int kind, const QString &key, MsgColour)
{
    m_shownKind = kind;
    printErr(m_language.text(key));
    // An unsupported device: the program would show the message and close.
    if (kind == MsgKind::OldVersion)
        finish(ConnectFailed);
}

void Monitor::established()
{
    m_connectTimeout.setEnabled(false);
    m_sinceEstablished.start();
    std::printf("connected name=%s version=%s date=%s car=%s firmware=%u\n",
                m_config.ECU_Name.toUtf8().constData(), m_config.ECU_Version.toUtf8().constData(),
                m_config.ECU_Date.toUtf8().constData(), m_config.CAR_Numder.toUtf8().constData(),
                unsigned(m_link->ecu.firmware));
    std::fflush(stdout);
    if (m_options.csv.isEmpty())
        m_summary.setEnabled(true);
}

void Monitor::dashboard()
{
    // Runs once per decoded live-data answer, where the window refreshes its dashboard.
    ++m_liveAnswers;
    if (m_csv.isOpen())
        writeCsvRow();
}

void Monitor::writeCsvHeader()
{
    Language::Session session(m_language);
    QByteArray line = "ms";
    for (int i = 1; i <= LiveCount; ++i)
        line += ',' + shortName(i, m_language).toUtf8();
    line += '\n';
    m_csv.write(line);
    m_csv.flush();
}

void Monitor::writeCsvRow()
{
    QByteArray line = QByteArray::number(m_sinceEstablished.isValid() ? m_sinceEstablished.elapsed() : 0);
    for (int i = 1; i <= LiveCount; ++i) {
        line += ',';
        line += formatValue(m_live[i].value, 1, m_live[i].decimals).toLatin1();
    }
    line += '\n';
    m_csv.write(line);
    m_csv.flush();
}

void Monitor::printSummary()
{
    Language::Session session(m_language);
    const bool perHundredKm = m_link->connected && hasBits(m_config.Cut_Off_Flags, 0x20);
    QString text;
    for (int i = 1; i <= LiveCount; ++i) {
        if (!text.isEmpty())
            text += QStringLiteral("  ");
        const QString unit = unitText(i, m_language, perHundredKm);
        text += shortName(i, m_language) + QLatin1Char('=') + formatValue(m_live[i].value, 1, m_live[i].decimals);
        if (!unit.isEmpty())
            text += QLatin1Char(' ') + unit;
    }
    std::printf("%s\n", text.toUtf8().constData());
    std::fflush(stdout);
}

} // namespace qn::cli
