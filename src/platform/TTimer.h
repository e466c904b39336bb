#pragma once
// One-shot-style countdown timers with the semantics of the original platform's TTimer:
// enabling starts a countdown of Interval, disabling cancels it, and OnTimer fires once per
// elapsed interval while Enabled stays set. Every handler of the program disables its own timer
// first and re-arms it explicitly. A host serves the timers: the Qt host on the main thread in the
// program, the virtual clock in tests.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class QTimer;

namespace qn {

class TimerHost;

class TTimer {
public:
    explicit TTimer(TimerHost &host, int intervalMs = 1000);
    ~TTimer();
    TTimer(const TTimer &) = delete;
    TTimer &operator=(const TTimer &) = delete;

    bool enabled() const { return m_enabled; }
    void setEnabled(bool on);
    int interval() const { return m_interval; }
    // Changing the interval of a running timer restarts its countdown, as on the original platform.
    void setInterval(int ms);

    std::function<void()> onTimer;

    // Called by the host when the countdown has elapsed.
    void fire();

private:
    friend class TimerHost;
    TimerHost &m_host;
    int m_interval;
    bool m_enabled = false;
};

class TimerHost {
public:
    virtual ~TimerHost() = default;
    // Start (or restart) the countdown of t for t.interval() milliseconds.
    virtual void arm(TTimer &t) = 0;
    virtual void disarm(TTimer &t) = 0;
    virtual void forget(TTimer &t) { disarm(t); }
    // Milliseconds since the host started: wall time for the Qt host, virtual time for the clock.
    virtual int64_t nowMs() const = 0;
};

// Virtual clock: nothing happens until advance() is called; due timers fire in order of their due
// time, ties in the order they were armed.
class VirtualClock final : public TimerHost {
public:
    void arm(TTimer &t) override;
    void disarm(TTimer &t) override;
    int64_t nowMs() const override { return m_now; }

    // Move time forward by ms, firing every timer that becomes due on the way (including timers
    // armed by handlers during the advance).
    void advance(int64_t ms);
    // Fire timers until none is due at the current time (after an action that armed 0 ms timers).
    void settle() { advance(0); }
    // Due time of t, or -1 when it is not armed.
    int64_t dueTime(const TTimer &t) const;
    // Advance until the next timer fires; returns false when none is armed.
    bool step();

private:
    struct Entry {
        int64_t due;
        uint64_t seq;
    };
    std::map<TTimer *, Entry> m_armed;
    int64_t m_now = 0;
    uint64_t m_seq = 0;
};

// The program's host: one single-shot QTimer per TTimer, on the thread that owns the host.
class QtTimerHost final : public TimerHost {
public:
    QtTimerHost();
    ~QtTimerHost() override;
    void arm(TTimer &t) override;
    void disarm(TTimer &t) override;
    void forget(TTimer &t) override;
    int64_t nowMs() const override;

private:
    QTimer *timerFor(TTimer &t);
    std::map<TTimer *, std::unique_ptr<QTimer>> m_timers;
    int64_t m_start;
};

} // namespace qn
