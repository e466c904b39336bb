#pragma once
// The program's state and the rules that tie its parts together, without any widget: settings,
// texts, the device link, the event queue with its dispatcher, the connection lifecycle, the
// message bar and the status strip. The main window owns one and shows it; tests build their own
// on a virtual clock with fake ports.

#include "app/MessageBar.h"
#include "config/Config_Record.h"
#include "dashboard/DashboardModel.h"
#include "data/LiveValues.h"
#include "data/StatusStrip.h"
#include "data/TemperatureTable.h"
#include "link/Connection.h"
#include "link/DeviceLink.h"
#include "link/EventQueue.h"
#include "ui/Folders.h"
#include "ui/Language.h"
#include "ui/Settings.h"

#include <functional>
#include <memory>

namespace qn {

// Event codes the dispatcher knows besides the connection's own (5 to 9).
namespace Event {
constexpr uint8_t CompleteStartup = 1;
constexpr uint8_t RefitWindow = 2;
constexpr uint8_t CloseMessage = 3;
constexpr uint8_t CloseProgram = 4;
constexpr uint8_t FinalFit = 10;
constexpr uint8_t RereadConfiguration = 14;
} // namespace Event

class AppCore final : public DecoderHooks, public ConnectionHost {
public:
    struct Deps {
        TimerHost &timers;
        Paths paths;
        PortAccess &ports;
        BluetoothAccess &bluetooth;
        QString systemLanguage; // two-letter code of the user interface language
        int workAreaWidth = 800;
        int workAreaHeight = 600;
    };

    explicit AppCore(Deps deps);
    ~AppCore() override;
    AppCore(const AppCore &) = delete;
    AppCore &operator=(const AppCore &) = delete;

    // What the window does for the rules. All may be left empty (tests).
    struct Window {
        ConnectionHost *host = nullptr;            // raise/lower, wait indicator, buttons, forms
        std::function<void()> completeStartup;      // event 1: fonts, tab, frame, splash
        std::function<void()> refit;                // event 2
        std::function<void()> close;                // the close-program message has run out
        std::function<void(int kind)> finalFit;     // event 10
        std::function<void(const QString &)> scriptError; // the one-time modal report
    } window;

    // The main window has been shown: texts fetched, link stopped, event 1 in a second.
    void formShow();
    // The dashboard at start-up: the default layout written when the settings or the layout file
    // is missing (a user's layout kept as a backup first, and said so), then the layout loaded.
    // Returns true when the layout has not been fitted to a window yet (the first-run fit).
    bool startupDashboard();
    // The close button: running flag cleared, the close-program message follows.
    void closeRequested();
    // The main window closes: the link stops, the settings and then the layout are written.
    SaveResult formClose(const WindowValues &bounds);
    // Every timer off (before the window is destroyed).
    void shutdown();

    void dispatch(uint8_t code);

    bool running = false;

    Deps deps;
    Settings settings;
    Config_Record config;
    LiveTable live;
    Language language;
    TemperatureTable temperatures;
    EventQueue events;
    MessageBar messages;
    DeviceLink link;
    StatusStrip status;
    Connection connection;
    DashboardModel board; // the dashboard lists

    // DecoderHooks
    void statusIndicators(uint8_t statusByte) override;
    void identityLine() override;
    std::function<void()> onLiveData; // the dashboard refresh, later
    void dashboard() override
    {
        if (onLiveData)
            onLiveData();
    }

    // ConnectionHost: forwarded to the window, the status strip takes the link stop.
    void setConnectButtonEnabled(bool on) override;
    void closeSecondaryForms() override;
    void closeConnectionForm() override;
    void raiseWindow() override;
    void activateAndLowerWindow() override;
    void startWaitIndicator() override;
    void stopWaitIndicator() override;
    void linkStopped() override;
    void resetFuelMaxima() override;
    void resetRemoteControl() override;

private:
    ConnectionHost &host();
    void completeStartup();
    void countdownEnded(int kind);
    void buttonPressed(int code, int kind);
};

} // namespace qn
