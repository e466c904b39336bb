#include "link/DeviceLink.h"

#include "link/LinkHooks.h"
#include "ui/STS_Record.h"

namespace qn {

DeviceLink::DeviceLink(Deps deps)
    : Timer_Transmit(deps.timers, TransmitDelayMs),
      Timer_Receiver(deps.timers, 10),
      Timer_RxWait(deps.timers, BluetoothAnswerWaitMs),
      script(ScriptEngine::Env{frame, ecu, deps.config,
                               [this] { requestReady(); },
                               [this] {
                                   connected = true;
                                   linkLost = false;
                                   if (onEstablished)
                                       onEstablished();
                               },
                               [this](int code, int delay) {
                                   if (postEvent)
                                       postEvent(code, delay);
                               },
                               [this](const QString &text) {
                                   if (reportScriptError)
                                       reportScriptError(text);
                               }}),
      decoder(deps.config, deps.live, deps.settings, ecu, deps.temperature, deps.messages, deps.hooks),
      m_deps(std::move(deps))
{
    // Every handler disables its own timer first; the steps re-arm explicitly.
    Timer_Transmit.onTimer = [this] {
        Timer_Transmit.setEnabled(false);
        transmitStep();
    };
    Timer_Receiver.onTimer = [this] {
        Timer_Receiver.setEnabled(false);
        receiveStep();
    };
    Timer_RxWait.onTimer = [this] {
        Timer_Receiver.setEnabled(false);
        Timer_RxWait.setEnabled(false);
        transmitStep();
    };
}

DeviceLink::~DeviceLink()
{
    Timer_Transmit.setEnabled(false);
    Timer_Receiver.setEnabled(false);
    Timer_RxWait.setEnabled(false);
    if (m_transport)
        m_transport->onRead = nullptr;
}

bool DeviceLink::bluetooth() const { return m_deps.settings.CON_Type; }

void DeviceLink::attach(std::unique_ptr<Transport> transport)
{
    // A connection may be started from inside the old transport's read callback (a pending
    // reconnect): the old one is only retired here and freed at the next send.
    releaseTransport();
    m_transport = std::move(transport);
    if (m_transport)
        m_transport->onRead = [this](const QByteArray &bytes) { onBytes(bytes); };
}

void DeviceLink::releaseTransport()
{
    if (!m_transport)
        return;
    m_transport->onRead = nullptr;
    m_transport->close();
    // The release may happen inside the transport's own read callback; free it later.
    m_retired.push_back(std::move(m_transport));
}

void DeviceLink::startConnectScript()
{
    script.loadConnectScript();
    script.run();
}

void DeviceLink::stop()
{
    connected = false;
    Timer_Transmit.setEnabled(false);
    Timer_Receiver.setEnabled(false);
    Timer_RxWait.setEnabled(false);
    unanswered = 0;
    if (onStopped)
        onStopped();
}

void DeviceLink::requestReady()
{
    Timer_Transmit.setEnabled(false);
    Timer_Transmit.setInterval(TransmitDelayMs);
    Timer_Transmit.setEnabled(true);
    awaitingAnswer = false;
}

void DeviceLink::setTraffic(int value)
{
    if (value == traffic)
        return;
    traffic = value;
    if (onTraffic)
        onTraffic(value);
}

void DeviceLink::comPortError()
{
    if (m_deps.messages)
        m_deps.messages->showMessage(MsgKind::ComPortError, QStringLiteral("MSG_ERR_ComPort"),
                                     MsgColour::PureRed);
}

void DeviceLink::sendStep()
{
    Timer_Transmit.setEnabled(false);
    m_retired.clear();
    frame.markSent();
    m_answerJudged = false;
    const QByteArray bytes = frame.requestBytes();
    if (m_transport)
        m_transport->beginExchange(frame.expected);
    bool done = false;
    if (bluetooth()) {
        done = m_transport && m_transport->write(bytes);
    } else if (!m_transport || m_transport->inError()) {
        comPortError();
    } else if (!m_transport->write(bytes) || m_transport->inError()) {
        comPortError();
    } else {
        Timer_Transmit.setInterval(SerialAnswerWaitMs);
        Timer_Transmit.setEnabled(true);
        done = true;
    }
    setTraffic(0);
    frame.rxCount = 0;
    if (done) {
        awaitingAnswer = true;
        if (bluetooth()) {
            Timer_Receiver.setInterval(BluetoothPollMs);
            Timer_Receiver.setEnabled(true);
            if (connected)
                Timer_RxWait.setEnabled(true);
        }
        return;
    }
    sendFailed();
}

void DeviceLink::sendFailed()
{
    // Once the link is up, a send that fails counts like a request left unanswered: the next tick
    // goes through the timeout rule, so a transport that can no longer write ends in link loss
    // instead of retrying for ever. While connecting, the send simply repeats.
    if (connected)
        awaitingAnswer = true;
    Timer_Transmit.setEnabled(true);
}

void DeviceLink::declareLost()
{
    stopAndRelease();
    linkLost = true;
    if (m_deps.messages)
        m_deps.messages->showMessage(MsgKind::ConnectInterrupt, QStringLiteral("MSG_Connect_Interrupt"),
                                     MsgColour::Error);
    if (onLost)
        onLost();
}

void DeviceLink::transmitStep()
{
    if (!awaitingAnswer) {
        sendStep();
        return;
    }
    if (connected && unanswered >= lossThreshold()) {
        declareLost();
        return;
    }
    ++unanswered;
    switch (frame.lastCommand()) {
    case Cmd::WriteEnable:
        rewind(1);
        break;
    case Cmd::ConfigWrite:
        rewind(2);
        break;
    default:
        sendStep();
        break;
    }
}

void DeviceLink::rewind(int n)
{
    int32_t p = script.position() - n;
    if (p > 0)
        --p;
    script.setPosition(p);
    script.run();
    awaitingAnswer = false;
}

void DeviceLink::onBytes(const QByteArray &bytes)
{
    if (m_transport && m_transport->inError()) {
        comPortError();
        return;
    }
    // Nothing is outstanding, or the answer was already judged: stray bytes, dropped when the next
    // request is sent anyway. Judging the same buffer again would decode an answer twice or keep
    // restarting the answer wait.
    if (!awaitingAnswer || m_answerJudged)
        return;
    frame.append(bytes, false);
    if (frame.complete())
        receiveStep();
}

void DeviceLink::receiveStep()
{
    Timer_Receiver.setEnabled(false);
    if (bluetooth()) {
        QByteArray chunk;
        if (!m_transport || !m_transport->poll(chunk))
            return;
        frame.append(chunk, true);
        if (!frame.complete()) {
            Timer_Receiver.setEnabled(true);
            return;
        }
    }
    m_answerJudged = true;
    if (!frame.validate()) {
        if (connected && !bluetooth()) {
            // The answer wait starts again from this answer.
            Timer_Transmit.setEnabled(false);
            Timer_Transmit.setInterval(SerialAnswerWaitMs);
            Timer_Transmit.setEnabled(true);
        }
        return;
    }
    Timer_RxWait.setEnabled(false);
    Timer_Transmit.setEnabled(false);
    setTraffic(TrafficMax);
    const uint8_t command = frame.rx[2];
    decoder.dispatch(&frame.rx[1], frame.expected, connected);
    if (onAnswer)
        onAnswer(command);
    const int shown = m_deps.messages ? m_deps.messages->shownKind() : 0;
    if (shown != MsgKind::OldVersion && shown != MsgKind::CloseProgram)
        script.run();
    if (command != Cmd::WriteEnable)
        unanswered = 0;
    if (pendingReconnect || pendingScan) {
        const bool reconnect = pendingReconnect;
        pendingReconnect = pendingScan = false;
        Timer_Transmit.setEnabled(false);
        stop();
        if (onPending)
            onPending(reconnect);
    }
}

} // namespace qn
