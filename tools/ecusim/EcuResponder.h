#pragma once
// The simulated ECU's side of the wire: collects the tool's bytes, finds complete requests (start
// byte 0x69, command, parameters, 8-bit sum), lets the model act on them and builds the answer
// frames. Like a real ECU it stays silent on a bad checksum or an unknown command. Faults can be
// injected on request. No I/O and no timers: the pty server and the in-process loopback do the
// timing, so tests drive this class directly.

#include "EcuModel.h"

#include "link/LinkFrame.h"

#include <QByteArray>
#include <cstdint>
#include <random>
#include <vector>

namespace qn::sim {

// The wire format is the tool's own: same command bytes, start byte and checksum.
namespace Cmd = qn::Cmd;
using qn::FrameStart;

// Faults to inject. Counts run down as answers go out; the plan can be changed at any time.
struct FaultPlan {
    int dropAnswers = 0;          // the next N answers are lost (the requests still act)
    int corruptAnswers = 0;       // the next N answers carry a wrong checksum
    int silentAfterLive = -1;     // after N more live-data answers the ECU stops answering; -1: never
    double noiseProbability = 0;  // chance of 1..4 random bytes ahead of an answer
    int delayMs = 0;              // extra time before each answer starts (applied by the caller)
    int hangupAfterLive = -1;     // after N more live-data answers the line is hung up; -1: never
};

// One answer as it goes on the wire.
struct SimAnswer {
    QByteArray bytes;      // noise bytes, if any, then the frame
    int requestLength = 0; // L of the request it answers: its wire time comes first
    bool live = false;
};

class EcuResponder {
public:
    explicit EcuResponder(EcuModel &model, uint32_t seed = 1);

    // Accepts bytes from the tool and returns the answers they complete, concatenated.
    QByteArray feed(const QByteArray &bytesFromTool);
    // The same, one entry per answer, for callers that time each answer.
    std::vector<SimAnswer> feedFrames(const QByteArray &bytesFromTool);

    // Bytes of an unfinished request are waiting.
    bool hasPartial() const { return !m_rx.isEmpty(); }
    // Forgets an unfinished request (the line went idle, or the tool reopened the port).
    void dropPartial() { m_rx.clear(); }

    const FaultPlan &faults() const { return m_faults; }
    void setFaults(const FaultPlan &plan);
    void goSilent() { m_silent = true; }
    void resume() { m_silent = false; }
    bool silent() const { return m_silent; }
    // The live-data answer that the hang-up plan waited for has gone out: the line is to be closed.
    // From then on nothing is answered.
    bool hangupDue() const { return m_hangup; }
    int liveAnswers() const { return m_liveAnswers; }

    EcuModel &model() { return m_model; }

    static uint8_t checksum(const QByteArray &bytes);
    // 0x69, command, payload, checksum.
    static QByteArray frame(uint8_t command, const QByteArray &payload = {});

private:
    static bool known(uint8_t command);
    static int requestLength(uint8_t command) { return command == Cmd::ConfigWrite ? 6 : 5; }
    QByteArray answer(const QByteArray &request);
    double chance();

    EcuModel &m_model;
    std::mt19937 m_rng;
    QByteArray m_rx;
    FaultPlan m_faults;
    bool m_writeEnabled = false;
    bool m_silent = false;
    bool m_hangup = false;
    int m_liveAnswers = 0;
};

} // namespace qn::sim
