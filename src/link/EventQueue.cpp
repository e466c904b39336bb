#include "link/EventQueue.h"

#include <algorithm>

namespace qn {

EventQueue::EventQueue(TimerHost &timers) : Timer_Event(timers, 100)
{
    Timer_Event.onTimer = [this] { eventTimer(); };
}

EventQueue::~EventQueue() { Timer_Event.setEnabled(false); }

std::vector<uint8_t> EventQueue::codes() const { return {m_codes.begin(), m_codes.begin() + m_count}; }

std::vector<int> EventQueue::delays() const { return {m_delays.begin(), m_delays.begin() + m_count}; }

int EventQueue::indexOf(uint8_t code) const
{
    // The head whose action is running has been served: posting its code again queues it anew.
    for (int i = m_serving ? 1 : 0; i < m_count; ++i)
        if (m_codes[size_t(i)] == code)
            return i;
    return -1;
}

void EventQueue::startTimer(int delayMs)
{
    // A timer with no interval never fires, and the queue would stall behind that event.
    Timer_Event.setEnabled(false);
    Timer_Event.setInterval(std::max(1, delayMs));
    Timer_Event.setEnabled(true);
}

void EventQueue::post(uint8_t code, int delayMs)
{
    const int at = indexOf(code);
    if (at >= 0) {
        if (at == 0) {
            m_delays[0] = delayMs;
            startTimer(delayMs);
        }
        return;
    }
    if (m_count < Capacity) {
        m_codes[size_t(m_count)] = code;
        m_delays[size_t(m_count)] = delayMs;
        ++m_count;
    }
    if (!Timer_Event.enabled() && m_count > 0)
        startTimer(m_delays[size_t(m_count - 1)]);
}

void EventQueue::eventTimer()
{
    Timer_Event.setEnabled(false);
    if (m_count == 0)
        return;
    const uint8_t head = m_codes[0];
    m_serving = true;
    if (onEvent)
        onEvent(head);
    m_serving = false;
    if (m_count < 2) {
        m_count = 0;
        return;
    }
    std::copy(m_codes.begin() + 1, m_codes.begin() + m_count, m_codes.begin());
    std::copy(m_delays.begin() + 1, m_delays.begin() + m_count, m_delays.begin());
    --m_count;
    startTimer(m_delays[0]);
}

} // namespace qn
