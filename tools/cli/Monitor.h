#pragma once
// The headless monitor: the very same device link and poll cycle as the window, on Qt's event
// loop, with the results printed instead of shown. A fitter can log a car from a terminal with it.

#include "config/Config_Record.h"
#include "data/LiveValues.h"
#include "data/TemperatureTable.h"
#include "link/DeviceLink.h"
#include "link/LinkHooks.h"
#include "platform/TTimer.h"
#include "ui/Language.h"
#include "ui/STS_Record.h"

#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <memory>

namespace qn::cli {

// Exit codes of the monitor.
enum Exit { Ok = 0, Usage = 2, ConnectFailed = 3, LinkLost = 4 };

struct Options {
    QString port;
    int seconds = -1;    // run until interrupted when negative
    QString csv;         // file path, "-" for standard output, empty for the readable summary
    QString programDir;  // where qndiag.dat and Language/ live
};

class Monitor final : public MessageSink, public DecoderHooks {
public:
    explicit Monitor(Options options);
    ~Monitor() override;

    // Opens the port and starts the connect script; the event loop does the rest. Returns false
    // (with the exit code set) when the monitor cannot even start.
    bool start();
    // Set when the monitor has finished; the caller quits the event loop with it.
    std::function<void(int exitCode)> onFinished;

    // MessageSink
    void showMessage(int kind, const QString &key, MsgColour colour) override;
    int shownKind() const override { return m_shownKind; }

    // DecoderHooks
    void dashboard() override;

    int answersDecoded() const { return m_liveAnswers; }

private:
    void finish(int code);
    void established();
    void writeCsvHeader();
    void writeCsvRow();
    void printSummary();

    Options m_options;
    QtTimerHost m_timers;
    STS_Record m_settings;
    Config_Record m_config;
    LiveTable m_live;
    Language m_language;
    TemperatureTable m_temperatures;
    std::unique_ptr<DeviceLink> m_link;
    TTimer m_connectTimeout;
    TTimer m_runTime;
    TTimer m_event14;
    TTimer m_summary;
    QFile m_csv;
    QElapsedTimer m_sinceEstablished;
    int m_shownKind = 0;
    int m_liveAnswers = 0;
    bool m_finished = false;
};

} // namespace qn::cli
