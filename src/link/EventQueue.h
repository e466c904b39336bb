#pragma once
// The program-wide event queue: follow-up work is posted as a coded event with a delay and runs
// later on the main thread, one event at a time. Only the head event's delay runs, on
// Timer_Event; a code is never queued twice, and a full queue drops new events.

#include "platform/TTimer.h"

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace qn {

class EventQueue {
public:
    static constexpr int Capacity = 10;

    explicit EventQueue(TimerHost &timers);
    ~EventQueue();
    EventQueue(const EventQueue &) = delete;
    EventQueue &operator=(const EventQueue &) = delete;

    // Queues code to run delayMs after it reaches the head. Posting the head again restarts its
    // wait with the new delay; posting any other queued code does nothing. An event posted by its
    // own action is queued again like a new one.
    void post(uint8_t code, int delayMs);

    // Runs the action of an event (the program's dispatcher).
    std::function<void(uint8_t code)> onEvent;

    int count() const { return m_count; }
    std::vector<uint8_t> codes() const;
    std::vector<int> delays() const;
    bool contains(uint8_t code) const { return indexOf(code) >= 0; }
    bool running() const { return Timer_Event.enabled(); }

    // The sub-form number that event 10 finishes, stored by the sub-form builder.
    int tag = 0;

    TTimer Timer_Event;

    // Timer_Event's handler, public for the timer's owner and for tests.
    void eventTimer();

private:
    int indexOf(uint8_t code) const;
    void startTimer(int delayMs);

    bool m_serving = false; // the head's action is running
    int m_count = 0;
    std::array<uint8_t, Capacity> m_codes{};
    std::array<int, Capacity> m_delays{};
};

} // namespace qn
