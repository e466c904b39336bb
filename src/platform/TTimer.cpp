#include "platform/TTimer.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QTimer>

namespace qn {

TTimer::TTimer(TimerHost &host, int intervalMs) : m_host(host), m_interval(intervalMs) {}

TTimer::~TTimer() { m_host.forget(*this); }

void TTimer::setEnabled(bool on)
{
    if (on == m_enabled)
        return;
    m_enabled = on;
    if (on && m_interval > 0)
        m_host.arm(*this);
    else
        m_host.disarm(*this);
}

void TTimer::setInterval(int ms)
{
    if (ms == m_interval)
        return;
    m_interval = ms;
    if (!m_enabled)
        return;
    if (ms > 0)
        m_host.arm(*this);
    else
        m_host.disarm(*this);
}

void TTimer::fire()
{
    if (!m_enabled)
        return;
    // Periodic while enabled: the next countdown starts before the handler runs, so a handler that
    // disables its timer (as every handler of the program does) cancels it.
    m_host.arm(*this);
    if (onTimer)
        onTimer();
}

// ---- VirtualClock ----

void VirtualClock::arm(TTimer &t) { m_armed[&t] = Entry{m_now + t.interval(), m_seq++}; }

void VirtualClock::disarm(TTimer &t) { m_armed.erase(&t); }

int64_t VirtualClock::dueTime(const TTimer &t) const
{
    auto it = m_armed.find(const_cast<TTimer *>(&t));
    return it == m_armed.end() ? -1 : it->second.due;
}

void VirtualClock::advance(int64_t ms)
{
    const int64_t target = m_now + (ms < 0 ? 0 : ms);
    for (;;) {
        TTimer *next = nullptr;
        Entry best{0, 0};
        for (auto &[t, e] : m_armed) {
            if (e.due > target)
                continue;
            if (!next || e.due < best.due || (e.due == best.due && e.seq < best.seq)) {
                next = t;
                best = e;
            }
        }
        if (!next)
            break;
        m_now = best.due;
        m_armed.erase(next);
        next->fire();
    }
    m_now = target;
}

bool VirtualClock::step()
{
    if (m_armed.empty())
        return false;
    int64_t due = INT64_MAX;
    for (auto &[t, e] : m_armed)
        due = std::min(due, e.due);
    advance(due - m_now);
    return true;
}

// ---- QtTimerHost ----

QtTimerHost::QtTimerHost() : m_start(QDateTime::currentMSecsSinceEpoch()) {}

QtTimerHost::~QtTimerHost() = default;

QTimer *QtTimerHost::timerFor(TTimer &t)
{
    auto &slot = m_timers[&t];
    if (!slot) {
        slot = std::make_unique<QTimer>();
        slot->setSingleShot(true);
        slot->setTimerType(Qt::PreciseTimer);
        TTimer *target = &t;
        QObject::connect(slot.get(), &QTimer::timeout, slot.get(), [target] { target->fire(); });
    }
    return slot.get();
}

void QtTimerHost::arm(TTimer &t) { timerFor(t)->start(t.interval()); }

void QtTimerHost::disarm(TTimer &t)
{
    auto it = m_timers.find(&t);
    if (it != m_timers.end())
        it->second->stop();
}

void QtTimerHost::forget(TTimer &t) { m_timers.erase(&t); }

int64_t QtTimerHost::nowMs() const { return QDateTime::currentMSecsSinceEpoch() - m_start; }

} // namespace qn
