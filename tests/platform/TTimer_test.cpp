#include "platform/TTimer.h"

#include <gtest/gtest.h>

using namespace qn;

TEST(VirtualClock, TimersFireInDueOrderAndRepeatWhileEnabled)
{
    VirtualClock clock;
    TTimer a(clock, 30), b(clock, 20);
    std::vector<std::pair<char, int64_t>> fired;
    a.onTimer = [&] { fired.push_back({'a', clock.nowMs()}); };
    b.onTimer = [&] {
        fired.push_back({'b', clock.nowMs()});
        b.setEnabled(false); // one-shot, as every handler of the program does
    };
    a.setEnabled(true);
    b.setEnabled(true);
    clock.advance(65);
    EXPECT_EQ(fired, (std::vector<std::pair<char, int64_t>>{{'b', 20}, {'a', 30}, {'a', 60}}));
    EXPECT_EQ(clock.nowMs(), 65);
}

TEST(VirtualClock, EnableDisableAndIntervalSemantics)
{
    VirtualClock clock;
    TTimer t(clock, 100);
    int n = 0;
    t.onTimer = [&] {
        t.setEnabled(false);
        ++n;
    };
    t.setEnabled(true);
    clock.advance(50);
    t.setEnabled(true); // already enabled: the countdown goes on
    clock.advance(50);
    EXPECT_EQ(n, 1);

    t.setEnabled(true);
    clock.advance(50);
    t.setInterval(300); // a new interval restarts the countdown
    clock.advance(299);
    EXPECT_EQ(n, 1);
    clock.advance(1);
    EXPECT_EQ(n, 2);

    t.setEnabled(true);
    t.setEnabled(false);
    clock.advance(1000);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(clock.dueTime(t), -1);
}

TEST(VirtualClock, HandlersArmingTimersDuringAnAdvanceAreServed)
{
    VirtualClock clock;
    TTimer first(clock, 10), second(clock, 5);
    int64_t secondAt = -1;
    first.onTimer = [&] {
        first.setEnabled(false);
        second.setEnabled(true);
    };
    second.onTimer = [&] {
        second.setEnabled(false);
        secondAt = clock.nowMs();
    };
    first.setEnabled(true);
    clock.advance(100);
    EXPECT_EQ(secondAt, 15);
}

TEST(VirtualClock, DestroyedTimersNeverFire)
{
    VirtualClock clock;
    int n = 0;
    {
        TTimer t(clock, 10);
        t.onTimer = [&] { ++n; };
        t.setEnabled(true);
    }
    clock.advance(100);
    EXPECT_EQ(n, 0);
    EXPECT_FALSE(clock.step());
}
