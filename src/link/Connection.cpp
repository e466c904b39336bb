#include "link/Connection.h"

#include "link/DeviceLink.h"
#include "link/EventQueue.h"
#include "ui/STS_Record.h"

namespace qn {

Connection::Connection(Deps deps)
    : Timer_Attempt(deps.timers, AttemptTimeoutMs), Timer_Loss(deps.timers, LossHandlingMs),
      m_deps(deps)
{
    Timer_Attempt.onTimer = [this] {
        Timer_Attempt.setEnabled(false);
        timeoutOrLoss();
    };
    Timer_Loss.onTimer = [this] {
        Timer_Loss.setEnabled(false);
        timeoutOrLoss();
    };

    DeviceLink &link = m_deps.link;
    link.onEstablished = [this] { established(); };
    link.onLost = [this] { lost(); };
    link.onStopped = [this] {
        m_deps.host.setConnectButtonEnabled(true);
        m_deps.host.linkStopped();
        m_deps.host.resetRemoteControl();
    };
    link.onPending = [this](bool reconnect) {
        if (reconnect)
            start(true);
        else
            m_deps.events.post(EvScan, ReportDelayMs);
    };
    link.postEvent = [this](int code, int delayMs) { m_deps.events.post(uint8_t(code), delayMs); };
}

Connection::~Connection()
{
    DeviceLink &link = m_deps.link;
    link.onEstablished = nullptr;
    link.onLost = nullptr;
    link.onStopped = nullptr;
    link.onPending = nullptr;
    link.postEvent = nullptr;
}

void Connection::cancelTimers()
{
    Timer_Attempt.setEnabled(false);
    Timer_Loss.setEnabled(false);
}

void Connection::start(bool byUser)
{
    // A connection that is up is never restarted: a reconnect event left over from an earlier
    // failure would otherwise end a working link when the attempt's time-out runs out.
    if (m_deps.link.connected)
        return;
    if (byUser)
        m_deps.link.linkLost = false;
    // A new attempt takes the place of the handling of an earlier loss.
    Timer_Loss.setEnabled(false);
    m_deps.messages.showMessage(MsgKind::ConnectStart, QStringLiteral("MSG_Connect_Start"), MsgColour::Action);
    Timer_Attempt.setEnabled(false);
    Timer_Attempt.setEnabled(true);
    m_deps.events.post(EvConnect, ConnectDelayMs);
    m_deps.host.closeConnectionForm();
}

void Connection::connect()
{
    if (m_deps.settings.CON_Type)
        connectBluetooth();
    else
        connectSerial();
}

void Connection::connectSerial()
{
    const QString port = m_deps.settings.CON_Port;
    if (!m_deps.ports.present(port)) {
        connectFailed();
        return;
    }
    // An attempt on that port is already under way.
    if (const Transport *t = m_deps.link.transport(); t && !port.isEmpty() && m_deps.ports.nameOf(*t) == port)
        return;
    linkStop();
    releaseTransport();
    std::unique_ptr<Transport> opened = m_deps.ports.open(port, &m_deps.messages);
    if (!opened) {
        connectFailed();
        return;
    }
    m_deps.link.attach(std::move(opened));
    m_deps.link.startConnectScript();
}

void Connection::connectBluetooth()
{
    BluetoothAccess &bt = m_deps.bluetooth;
    // No radio: nothing to do; the attempt's time-out ends it.
    if (!bt.available())
        return;
    const QString address = m_deps.settings.CON_Addr;
    if (!bt.isPaired(address)) {
        // The attempt ends here, without a retry: only the user can pair the device again.
        Timer_Attempt.setEnabled(false);
        m_deps.host.stopWaitIndicator();
        m_deps.messages.showMessage(KindNotPaired, QStringLiteral("MSG_NotPaired_Devices"), MsgColour::Warning);
        return;
    }
    DeviceLink &link = m_deps.link;
    auto *socket = dynamic_cast<BluetoothSocket *>(link.transport());
    // A socket to another device (the user chose a new one while connected) or a serial port from
    // before is given up: the link goes to the device in the settings.
    if (link.transport() && (!socket || socket->address() != address)) {
        linkStop();
        releaseTransport();
        socket = nullptr;
    }
    if (!socket) {
        std::unique_ptr<BluetoothSocket> created = bt.createSocket(address);
        if (!created) {
            connectFailed();
            return;
        }
        socket = created.get();
        link.attach(std::move(created));
    }
    if (socket->isConnecting())
        return;
    if (socket->isConnected()) {
        link.startConnectScript();
        return;
    }
    socket->connectSocket([this, socket](bool connected) {
        // Released (cancel, time-out) while the connect was under way.
        if (m_deps.link.transport() != socket)
            return;
        if (connected)
            m_deps.link.startConnectScript();
        else
            connectFailed();
    });
}

void Connection::connectFailed()
{
    stopAndRelease();
    // After a loss the failure stays silent and the attempt's time-out retries.
    if (m_deps.link.linkLost)
        return;
    Timer_Attempt.setEnabled(false);
    m_deps.events.post(EvFailed, ReportDelayMs);
}

void Connection::cancel()
{
    cancelTimers();
    stopAndRelease();
}

void Connection::linkStop() { m_deps.link.stop(); }

void Connection::releaseTransport() { m_deps.link.releaseTransport(); }

void Connection::stopAndRelease()
{
    linkStop();
    releaseTransport();
}

void Connection::shutdown()
{
    cancelTimers();
    stopAndRelease();
}

void Connection::deviceChosen()
{
    if (m_deps.link.connected) {
        m_deps.link.pendingReconnect = true;
        return;
    }
    m_deps.host.startWaitIndicator();
    start(true);
}

void Connection::failedCountdownEnded()
{
    if (m_deps.settings.CON_Auto)
        m_deps.events.post(EvReconnect, ReconnectDelayMs);
}

void Connection::established()
{
    cancelTimers();
    m_deps.link.linkLost = false;
    m_deps.host.setConnectButtonEnabled(false);
    m_deps.host.closeSecondaryForms();
    if (m_deps.settings.CON_BGnd && m_background) {
        m_background = false;
        m_deps.host.raiseWindow();
    }
    m_deps.host.resetFuelMaxima();
    m_deps.events.post(EvSuccessful, ReportDelayMs);
}

void Connection::lost()
{
    // The link is already stopped and released, the link-lost flag set and the message shown.
    Timer_Attempt.setEnabled(false);
    Timer_Loss.setEnabled(false);
    Timer_Loss.setEnabled(true);
}

void Connection::timeoutOrLoss()
{
    cancelTimers();
    stopAndRelease();
    if (!m_deps.link.linkLost) {
        m_deps.events.post(EvFailed, ReportDelayMs);
        return;
    }
    const STS_Record &s = m_deps.settings;
    if (!s.CON_BGnd && !s.CON_Auto)
        return;
    if (s.CON_BGnd && !m_background) {
        m_background = true;
        m_deps.host.activateAndLowerWindow();
    }
    m_deps.events.post(EvReconnect, ReconnectDelayMs);
}

bool Connection::handleEvent(uint8_t code)
{
    switch (code) {
    case EvReconnect:
        start(false);
        return true;
    case EvConnect:
        connect();
        return true;
    case EvFailed:
        m_deps.host.stopWaitIndicator();
        m_deps.messages.showMessage(MsgKind::ConnectFailed, QStringLiteral("MSG_Connect_Failed"), MsgColour::Warning);
        return true;
    case EvSuccessful:
        m_deps.host.stopWaitIndicator();
        m_deps.messages.showMessage(KindConnectSuccessful, QStringLiteral("MSG_Connect_Successful"),
                                    MsgColour::Complete);
        return true;
    default:
        return false;
    }
}

} // namespace qn
