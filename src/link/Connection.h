#pragma once
// The connection lifecycle around the device link: starting a connection (by the user, at
// start-up or automatically after a failure), opening the chosen transport, the link becoming
// established, the link stop, and what follows a failed attempt, a timed-out attempt or a lost
// link. Most steps are posted to the event queue and run later; outcomes are messages on the bar.
//
// The attempt time-out and the link-loss handling run on timers of their own rather than on the
// message bar's countdown, so that any other message replacing the connecting or interrupted
// message on the bar (a serial-port error, a warning) cannot leave an attempt without an end.

#include "link/LinkHooks.h"
#include "link/Transport.h"
#include "platform/TTimer.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>

namespace qn {

class DeviceLink;
class EventQueue;
struct STS_Record;

// What the lifecycle asks of the main window and its forms.
class ConnectionHost {
public:
    virtual ~ConnectionHost() = default;
    virtual void setConnectButtonEnabled(bool on) {}
    virtual void closeSecondaryForms() {}
    virtual void closeConnectionForm() {}
    // To the top of the window order, without activating, moving or resizing.
    virtual void raiseWindow() {}
    // Activate, then to the bottom of the window order, without moving or resizing.
    virtual void activateAndLowerWindow() {}
    virtual void startWaitIndicator() {}
    virtual void stopWaitIndicator() {}
    // The link was stopped: the status strip is cleared (and shows "Not_Connect" while the program
    // runs).
    virtual void linkStopped() {}
    // The running maximum of every fuel-consumption element back to 0.
    virtual void resetFuelMaxima() {}
    // The remote-control panel's display, if it is shown.
    virtual void resetRemoteControl() {}
};

// The serial ports as the connect sequence sees them.
class PortAccess {
public:
    virtual ~PortAccess() = default;
    // The present serial ports (Bluetooth virtual ports left out), for the port picker.
    virtual QStringList ports() = 0;
    // The configured port (CON_Port) is present.
    virtual bool present(const QString &conPort) = 0;
    // Opens the link port at 9600 baud; on failure shows "MSG_ERR_ComPort" and returns nothing.
    virtual std::unique_ptr<Transport> open(const QString &conPort, MessageSink *messages) = 0;
    // The configured port name a transport was opened for; empty when it is not one of these ports.
    virtual QString nameOf(const Transport &transport) const = 0;
};

// A client socket to the serial-port service of one Bluetooth device. Received bytes are taken by
// the link's 1 ms receive poll (poll()).
class BluetoothSocket : public Transport {
public:
    // The device address the socket was created for.
    virtual QString address() const = 0;
    // Starts connecting. done runs once, with true when the socket is connected; it may run before
    // connectSocket returns, and never after close().
    virtual void connectSocket(std::function<void(bool connected)> done) = 0;
    virtual bool isConnected() const = 0;
    // A connect has been started and has not finished yet.
    virtual bool isConnecting() const = 0;
};

// The platform's classic Bluetooth services the connect sequence needs.
class BluetoothAccess {
public:
    virtual ~BluetoothAccess() = default;
    // A radio is present and switched on.
    virtual bool available() = 0;
    virtual bool isPaired(const QString &address) = 0;
    // A socket for the serial-port service of a paired device, not secure; nothing when it cannot
    // be created.
    virtual std::unique_ptr<BluetoothSocket> createSocket(const QString &address) = 0;
};

class Connection {
public:
    // Message kinds of the lifecycle besides those the link itself shows.
    static constexpr int KindConnectSuccessful = 2;
    static constexpr int KindNotPaired = 7;
    // The connecting message counts 200 steps of 100 ms and ends on the 201st tick; the
    // interrupted message 10 steps.
    static constexpr int AttemptTimeoutMs = (200 + 1) * 100;
    static constexpr int LossHandlingMs = (10 + 1) * 100;
    static constexpr int ConnectDelayMs = 100;
    static constexpr int ReconnectDelayMs = 1000;
    static constexpr int ReportDelayMs = 100;

    enum Event : uint8_t {
        EvReconnect = 5,  // start connection
        EvConnect = 6,
        EvFailed = 7,     // stop the wait indicator, "MSG_Connect_Failed"
        EvSuccessful = 8, // stop the wait indicator, "MSG_Connect_Successful"
        EvScan = 9,       // start the Bluetooth scan (not handled here)
    };

    struct Deps {
        DeviceLink &link;
        EventQueue &events;
        STS_Record &settings; // CON_Type, CON_Port, CON_Addr, CON_Auto, CON_BGnd
        MessageSink &messages;
        ConnectionHost &host;
        PortAccess &ports;
        BluetoothAccess &bluetooth;
        TimerHost &timers;
    };

    // Takes over the link's lifecycle hooks (established, lost, stopped, pending, postEvent).
    explicit Connection(Deps deps);
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // Start connection. A start by the user (Button_Connect, a chosen device) clears the link-lost
    // flag, so that its failure is reported even after a loss; automatic starts keep it, and their
    // failures stay silent while the countdown retries.
    void start(bool byUser);
    // Connect (event 6).
    void connect();
    void connectFailed();
    // Cancel on the connecting message.
    void cancel();

    void linkStop();
    void releaseTransport();
    void stopAndRelease();
    // Closing the main window: every lifecycle timer off, the link stopped and released.
    void shutdown();

    // A Bluetooth device was chosen or paired (CON_Addr already set): switch at the next answer
    // while connected, otherwise start a connection at once with the wait indicator.
    void deviceChosen();

    // The countdown of "MSG_Connect_Failed" has ended.
    void failedCountdownEnded();

    // Events 5 to 8; false for any other code.
    bool handleEvent(uint8_t code);

    bool background() const { return m_background; }
    bool attemptRunning() const { return Timer_Attempt.enabled(); }
    bool lossHandlingPending() const { return Timer_Loss.enabled(); }

    TTimer Timer_Attempt; // connect time-out
    TTimer Timer_Loss;    // link-loss handling after "MSG_Connect_Interrupt"

private:
    void established();
    void lost();
    void timeoutOrLoss();
    void connectBluetooth();
    void connectSerial();
    void cancelTimers();

    Deps m_deps;
    bool m_background = false;
};

} // namespace qn
