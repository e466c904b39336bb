#include "SimLoopback.h"

#include <algorithm>

namespace qn::sim {

SimLoopback::SimLoopback(TimerHost &host, EcuResponder &ecu)
    : m_host(host), m_ecu(ecu), m_timer(std::make_unique<TTimer>(host, 1)), m_modelSyncedAt(host.nowMs())
{
    m_timer->onTimer = [this] { deliverDue(); };
}

SimLoopback::~SimLoopback() = default;

void SimLoopback::syncModel()
{
    const int64_t now = m_host.nowMs();
    if (now > m_modelSyncedAt) {
        m_ecu.model().advance(int(std::min<int64_t>(now - m_modelSyncedAt, INT32_MAX)));
        m_modelSyncedAt = now;
    }
}

bool SimLoopback::write(const QByteArray &bytes)
{
    if (m_ecu.hangupDue() && m_queue.empty())
        m_hungUp = true; // hung up before anything was pending
    if (m_hungUp || m_closed)
        return false;
    syncModel();
    const int64_t now = m_host.nowMs();
    const int delay = std::max(0, m_ecu.faults().delayMs);
    const bool hangupBefore = m_ecu.hangupDue();
    const std::vector<SimAnswer> answers = m_ecu.feedFrames(bytes);
    for (size_t i = 0; i < answers.size(); ++i) {
        const SimAnswer &a = answers[i];
        const bool last = i + 1 == answers.size();
        const bool hangupAfter = last && !hangupBefore && m_ecu.hangupDue();
        // The answer starts once the request is on the wire, and not before the previous answer ended.
        const int64_t start = std::max(now + delay, m_lineFreeAt - wireMs(a.requestLength));
        const int n = int(a.bytes.size());
        const int pieces = std::min(m_chunks, n);
        int sent = 0;
        for (int k = 1; k <= pieces; ++k) {
            const int upTo = int(int64_t(n) * k / pieces);
            m_queue.push_back(Piece{start + wireMs(a.requestLength + upTo), a.bytes.mid(sent, upTo - sent),
                                    hangupAfter && k == pieces});
            sent = upTo;
        }
        m_lineFreeAt = start + wireMs(a.requestLength + n);
    }
    armNext();
    return true;
}

void SimLoopback::close()
{
    m_closed = true;
    m_queue.clear();
    m_timer->setEnabled(false);
}

void SimLoopback::armNext()
{
    m_timer->setEnabled(false);
    if (m_queue.empty())
        return;
    const int64_t wait = m_queue.front().due - m_host.nowMs();
    if (wait <= 0) {
        deliverDue();
        return;
    }
    m_timer->setInterval(int(std::min<int64_t>(wait, INT32_MAX)));
    m_timer->setEnabled(true);
}

void SimLoopback::deliverDue()
{
    m_timer->setEnabled(false);
    syncModel();
    const int64_t now = m_host.nowMs();
    while (!m_queue.empty() && m_queue.front().due <= now && !m_closed) {
        Piece piece = std::move(m_queue.front());
        m_queue.pop_front();
        if (onRead)
            onRead(piece.bytes); // may write the next request or close the transport
        if (piece.hangupAfter) {
            m_hungUp = true;
            m_queue.clear();
        }
    }
    if (!m_closed)
        armNext();
}

} // namespace qn::sim
