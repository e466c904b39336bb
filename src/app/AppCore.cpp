#include "app/AppCore.h"

#include "dashboard/DefaultLayout.h"
#include "dashboard/LayoutFile.h"

namespace qn {

AppCore::AppCore(Deps d)
    : deps(std::move(d)),
      language(settings.sts, deps.paths.languageFolder, deps.systemLanguage),
      temperatures(deps.paths.temperatureFile),
      events(deps.timers),
      messages(deps.timers, language, settings.colours),
      link(DeviceLink::Deps{deps.timers, settings.sts, config, live,
                            [this](uint16_t reading) { return temperatures.lookup(reading); },
                            &messages, this}),
      status(StatusStrip::Deps{deps.timers, language, settings.sts, settings.colours, config,
                               [this] { return link.connected; }, [this] { return running; }}),
      connection(Connection::Deps{link, events, settings.sts, messages, *this, deps.ports,
                                  deps.bluetooth, deps.timers})
{
    ApplySettingsDefaults(settings, deps.paths, deps.workAreaWidth, deps.workAreaHeight);
    // Not a modal box: the table is looked up three times per answer.
    temperatures.setReporter([this](const QString &text) {
        messages.show(false, MsgKind::ErrorWithOk, text, messageColour(MsgColour::Error, settings.colours));
    });
    // The connection owns the link's lifecycle hooks (established, lost, stopped, events).
    events.onEvent = [this](uint8_t code) { dispatch(code); };
    messages.postEvent = [this](int code, int delay) { events.post(uint8_t(code), delay); };
    messages.onCountdownEnded = [this](int kind) { countdownEnded(kind); };
    messages.onButton = [this](int code, int kind) { buttonPressed(code, kind); };
    link.reportScriptError = [this](const QString &text) {
        if (window.scriptError)
            window.scriptError(text);
    };
}

AppCore::~AppCore() { shutdown(); }

void AppCore::formShow()
{
    language.RefreshReadyStrings();
    connection.linkStop();
    events.post(Event::CompleteStartup, 1000);
}

void AppCore::completeStartup()
{
    if (window.completeStartup)
        window.completeStartup();
    if (settings.sts.CON_Auto)
        connection.start(false);
    running = true;
}

bool AppCore::startupDashboard()
{
    board.activeSet = 1;
    const StartupLayoutResult r = startupLayout(deps.paths, settings.sts);
    if (!r.ok()) {
        messages.show(false, MsgKind::ErrorWithOk, r.error, messageColour(MsgColour::Error, settings.colours));
    } else if (!r.backupPath.isEmpty()) {
        // The user's layout was about to be replaced by the default one: it is kept, and where.
        messages.show(false, MsgKind::Notice,
                      language.text(QStringLiteral("MSG_GEN_Saved_Location")) + QLatin1Char(' ') + r.backupPath,
                      messageColour(MsgColour::Complete, settings.colours));
    }
    LayoutReadOptions options;
    options.fontColour = settings.sts.FNT_Color;
    loadLayoutFile(board, deps.paths.layoutFile, options);
    return !settings.sts.Run_Loc[1];
}

void AppCore::closeRequested()
{
    running = false;
    events.post(Event::CloseProgram, 100);
}

SaveResult AppCore::formClose(const WindowValues &bounds)
{
    connection.stopAndRelease();
    SaveResult result = SaveSettings(settings, deps.paths, bounds);
    QString layoutError;
    if (saveLayout(board, deps.paths.layoutFile, &layoutError) != LayoutSaveResult::Saved && result.ok) {
        result.ok = false;
        result.error = layoutError;
    }
    return result;
}

void AppCore::shutdown()
{
    connection.shutdown();
    link.stop();
    events.Timer_Event.setEnabled(false);
    messages.timer().setEnabled(false);
    status.clear();
}

void AppCore::dispatch(uint8_t code)
{
    switch (code) {
    case Event::CompleteStartup:
        completeStartup();
        break;
    case Event::RefitWindow:
        if (window.refit)
            window.refit();
        break;
    case Event::CloseMessage:
        messages.closeFromEvent();
        break;
    case Event::CloseProgram:
        messages.showMessage(MsgKind::CloseProgram, QStringLiteral("MSG_Close_Program"), MsgColour::Action);
        break;
    case Event::FinalFit:
        if (window.finalFit)
            window.finalFit(events.tag);
        break;
    case Event::RereadConfiguration:
        link.script.keys().push(7);
        break;
    default:
        connection.handleEvent(code);
        break;
    }
}

void AppCore::countdownEnded(int kind)
{
    switch (kind) {
    case MsgKind::OldVersion:
        events.post(Event::CloseProgram, 100);
        break;
    case MsgKind::CloseProgram:
        if (window.close)
            window.close();
        break;
    case MsgKind::ConnectFailed:
        connection.failedCountdownEnded();
        break;
    default:
        // Kinds 22 and 23: the connection runs its own time-out and loss handling, so that a
        // message replacing them cannot leave an attempt that never ends.
        break;
    }
}

void AppCore::buttonPressed(int code, int kind)
{
    if (code == MsgButton::Cancel && kind == MsgKind::ConnectStart)
        connection.cancel();
}

void AppCore::statusIndicators(uint8_t statusByte) { status.processStatus(statusByte); }

void AppCore::identityLine() { status.showIdentity(); }

ConnectionHost &AppCore::host()
{
    static ConnectionHost none; // every call a no-op, until the window attaches
    return window.host ? *window.host : none;
}

void AppCore::setConnectButtonEnabled(bool on) { host().setConnectButtonEnabled(on); }
void AppCore::closeSecondaryForms() { host().closeSecondaryForms(); }
void AppCore::closeConnectionForm() { host().closeConnectionForm(); }
void AppCore::raiseWindow() { host().raiseWindow(); }
void AppCore::activateAndLowerWindow() { host().activateAndLowerWindow(); }
void AppCore::startWaitIndicator() { host().startWaitIndicator(); }
void AppCore::stopWaitIndicator() { host().stopWaitIndicator(); }
void AppCore::resetFuelMaxima() { host().resetFuelMaxima(); }
void AppCore::resetRemoteControl() { host().resetRemoteControl(); }
void AppCore::linkStopped()
{
    status.linkStopped();
    host().linkStopped();
}

} // namespace qn
