#pragma once
// A transport that connects the device link to the simulated ECU in the same process. Answers
// arrive after their wire time at 9600 baud 8N1 (ten bits a byte): the request's bytes and the
// answer's bytes, rounded up to whole milliseconds, plus any delay the fault plan asks for. Time is
// the timer host's: the virtual clock in tests, the Qt host in benchmarks. The model follows the
// host's time, so the engine moves on while the link waits.

#include "EcuResponder.h"
#include "link/Transport.h"
#include "platform/TTimer.h"

#include <QByteArray>
#include <cstdint>
#include <deque>
#include <memory>

namespace qn::sim {

class SimLoopback final : public Transport {
public:
    SimLoopback(TimerHost &host, EcuResponder &ecu);
    ~SimLoopback() override;

    bool write(const QByteArray &bytes) override;
    // After a hang-up the line is gone: writes fail and the transport reports its error.
    bool inError() const override { return m_hungUp; }
    void close() override;

    // Each answer is handed over in this many pieces, each when its last byte has arrived.
    void setChunks(int pieces) { m_chunks = pieces < 1 ? 1 : pieces; }
    int chunks() const { return m_chunks; }

    // Milliseconds that this many bytes take on the wire, rounded up.
    static int64_t wireMs(int bytes) { return (int64_t(bytes) * 10000 + 9599) / 9600; }

    bool hungUp() const { return m_hungUp; }
    // Pieces scheduled and not yet delivered.
    int pending() const { return int(m_queue.size()); }

private:
    struct Piece {
        int64_t due;
        QByteArray bytes;
        bool hangupAfter;
    };
    void syncModel();
    void armNext();
    void deliverDue();

    TimerHost &m_host;
    EcuResponder &m_ecu;
    std::unique_ptr<TTimer> m_timer;
    std::deque<Piece> m_queue;
    int64_t m_lineFreeAt = 0; // the wire carries one answer at a time
    int64_t m_modelSyncedAt;
    int m_chunks = 1;
    bool m_hungUp = false;
    bool m_closed = false;
};

} // namespace qn::sim
