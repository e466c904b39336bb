#pragma once
// The device link: one request at a time to the ECU, its answer collected, validated and decoded,
// the next request built by the script, and the link supervised: retries, the rewind of write
// sequences and the declaration of a lost link. Driven by three timers on the main thread.

#include "link/AnswerDecoder.h"
#include "link/EcuState.h"
#include "link/LinkFrame.h"
#include "link/ScriptEngine.h"
#include "link/Transport.h"
#include "platform/TTimer.h"

#include <functional>
#include <memory>
#include <vector>

namespace qn {

struct STS_Record;
struct Config_Record;
class LiveTable;
class MessageSink;
class DecoderHooks;

class DeviceLink {
public:
    static constexpr int TransmitDelayMs = 60;   // a built request is written this long after
    static constexpr int SerialAnswerWaitMs = 300;
    static constexpr int BluetoothPollMs = 1;
    static constexpr int BluetoothAnswerWaitMs = 500;
    static constexpr int TrafficMax = 10;

    struct Deps {
        TimerHost &timers;
        STS_Record &settings;
        Config_Record &config;
        LiveTable &live;
        std::function<int16_t(uint16_t)> temperature;
        MessageSink *messages = nullptr;
        DecoderHooks *hooks = nullptr;
    };

    explicit DeviceLink(Deps deps);
    ~DeviceLink();
    DeviceLink(const DeviceLink &) = delete;
    DeviceLink &operator=(const DeviceLink &) = delete;

    // What the connection lifecycle around the link is told.
    std::function<void()> onEstablished; // script word 20: connected flag set, link-lost cleared
    std::function<void()> onLost;        // link declared lost: stopped, released, message shown
    std::function<void()> onStopped;     // link stop: status strip and panel reset
    // A pending Bluetooth reconnect (true) or scan (false) was acted on after a valid answer: the
    // link is stopped; the lifecycle starts the connection or posts the scan event.
    std::function<void(bool reconnect)> onPending;
    std::function<void(int code, int delayMs)> postEvent;
    std::function<void(const QString &)> reportScriptError;
    // After each valid answer has been decoded (before the next request is built).
    std::function<void(uint8_t command)> onAnswer;
    // The traffic bar changed: 0 when a request is sent, TrafficMax when an answer is accepted.
    std::function<void(int traffic)> onTraffic;

    // Takes the transport for the connection; received bytes arrive through its onRead.
    void attach(std::unique_ptr<Transport> transport);
    Transport *transport() const { return m_transport.get(); }
    // Loads the connect script and runs it: the identity-length request goes out 60 ms later.
    void startConnectScript();

    // Link stop: connected flag cleared, the three timers off, unanswered count 0.
    void stop();
    // Frees the transport (its reading ends; no bytes are delivered afterwards).
    void releaseTransport();
    void stopAndRelease()
    {
        stop();
        releaseTransport();
    }

    // Bytes handed over by a pushing transport (the serial port) on the main thread.
    void onBytes(const QByteArray &bytes);

    bool bluetooth() const;
    int lossThreshold() const { return bluetooth() ? 1 : 10; }

    // State of the cycle.
    bool connected = false;
    bool linkLost = false;
    bool awaitingAnswer = false;
    uint8_t unanswered = 0;
    bool pendingReconnect = false;
    bool pendingScan = false;
    int traffic = 0; // the traffic bar: 0 when a request is sent, TrafficMax on a valid answer

    TTimer Timer_Transmit;
    TTimer Timer_Receiver;
    TTimer Timer_RxWait;

    LinkFrame frame;
    EcuState ecu;
    ScriptEngine script;
    AnswerDecoder decoder;

    // The steps, public for the timers' owner and for tests.
    void sendStep();
    void transmitStep();
    void receiveStep();
    void requestReady();

private:
    void sendFailed();
    void declareLost();
    void rewind(int n);
    void comPortError();
    void setTraffic(int value);

    Deps m_deps;
    std::unique_ptr<Transport> m_transport;
    // Transports released from inside their own callbacks are freed at the next safe point.
    std::vector<std::unique_ptr<Transport>> m_retired;
    // The answer in the receive buffer has been judged (valid or not): later bytes are stray until
    // the next request is sent.
    bool m_answerJudged = false;
};

} // namespace qn
