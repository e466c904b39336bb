#include "link/EventQueue.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

using namespace qn;

namespace {

struct EventQueueTest : ::testing::Test {
    VirtualClock clock;
    EventQueue queue{clock};
    struct Run {
        uint8_t code;
        int64_t at;
    };
    std::vector<Run> runs;
    // Events an action posts when it runs: code -> (code, delay) list.
    std::map<uint8_t, std::vector<std::pair<uint8_t, int>>> follows;

    void SetUp() override
    {
        queue.onEvent = [this](uint8_t code) {
            runs.push_back({code, clock.nowMs()});
            for (auto [c, d] : follows[code])
                queue.post(c, d);
        };
    }

    std::vector<uint8_t> codesRun() const
    {
        std::vector<uint8_t> out;
        for (const Run &r : runs)
            out.push_back(r.code);
        return out;
    }
    std::vector<int64_t> timesRun() const
    {
        std::vector<int64_t> out;
        for (const Run &r : runs)
            out.push_back(r.at);
        return out;
    }
};

} // namespace

TEST_F(EventQueueTest, AnEventRunsAfterItsDelayAndLeavesTheQueue)
{
    queue.post(8, 100);
    EXPECT_TRUE(queue.running());
    EXPECT_EQ(queue.codes(), std::vector<uint8_t>{8});
    EXPECT_EQ(queue.delays(), std::vector<int>{100});
    clock.advance(99);
    EXPECT_TRUE(runs.empty());
    clock.advance(1);
    EXPECT_EQ(codesRun(), std::vector<uint8_t>{8});
    EXPECT_EQ(queue.count(), 0);
    EXPECT_FALSE(queue.running());
    clock.advance(5000);
    EXPECT_EQ(runs.size(), 1u);
}

TEST_F(EventQueueTest, OnlyTheHeadsDelayRunsAndEventsRunOneAfterAnother)
{
    queue.post(1, 100);
    queue.post(2, 1000);
    queue.post(3, 50);
    EXPECT_EQ(queue.codes(), (std::vector<uint8_t>{1, 2, 3}));
    clock.advance(3000);
    EXPECT_EQ(codesRun(), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(timesRun(), (std::vector<int64_t>{100, 1100, 1150}));
}

TEST_F(EventQueueTest, AQueuedCodeIsNeverQueuedTwice)
{
    queue.post(1, 100);
    queue.post(2, 300);
    clock.advance(50);
    queue.post(2, 10); // not the head: nothing changes
    EXPECT_EQ(queue.codes(), (std::vector<uint8_t>{1, 2}));
    EXPECT_EQ(queue.delays(), (std::vector<int>{100, 300}));
    clock.advance(1000);
    EXPECT_EQ(codesRun(), (std::vector<uint8_t>{1, 2}));
    EXPECT_EQ(timesRun(), (std::vector<int64_t>{100, 400}));
}

TEST_F(EventQueueTest, PostingTheHeadAgainRestartsItsWait)
{
    queue.post(6, 100);
    queue.post(7, 100);
    clock.advance(60);
    queue.post(6, 250);
    EXPECT_EQ(queue.delays(), (std::vector<int>{250, 100}));
    clock.advance(1000);
    EXPECT_EQ(codesRun(), (std::vector<uint8_t>{6, 7}));
    EXPECT_EQ(timesRun(), (std::vector<int64_t>{310, 410}));
}

TEST_F(EventQueueTest, TheEleventhDistinctEventIsLost)
{
    for (uint8_t c = 1; c <= 10; ++c)
        queue.post(c, 10);
    queue.post(11, 10);
    EXPECT_EQ(queue.count(), EventQueue::Capacity);
    clock.advance(1000);
    EXPECT_EQ(runs.size(), 10u);
    EXPECT_EQ(codesRun().back(), 10);
    // Once there is room again the code is accepted.
    queue.post(11, 10);
    clock.advance(10);
    EXPECT_EQ(codesRun().back(), 11);
}

TEST_F(EventQueueTest, EventsPostedByAnActionRunAfterTheQueuedOnes)
{
    follows[1] = {{3, 300}};
    queue.post(1, 100);
    queue.post(2, 500);
    clock.advance(2000);
    EXPECT_EQ(codesRun(), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(timesRun(), (std::vector<int64_t>{100, 600, 900}));
}

TEST_F(EventQueueTest, AnEventPostedByItsOwnActionRunsAgain)
{
    // Alone in the queue and with others behind it: both times it is queued anew, behind them.
    follows[10] = {{10, 50}};
    queue.post(10, 50);
    clock.advance(50);
    EXPECT_EQ(queue.codes(), std::vector<uint8_t>{10});
    follows[10].clear();
    clock.advance(50);
    EXPECT_EQ(timesRun(), (std::vector<int64_t>{50, 100}));

    runs.clear();
    follows[10] = {{10, 50}};
    queue.post(10, 50);
    queue.post(3, 100);
    clock.advance(50);
    follows[10].clear();
    EXPECT_EQ(queue.codes(), (std::vector<uint8_t>{3, 10}));
    clock.advance(1000);
    EXPECT_EQ(codesRun(), (std::vector<uint8_t>{10, 3, 10}));
    EXPECT_EQ(timesRun(), (std::vector<int64_t>{150, 250, 300}));
}

TEST_F(EventQueueTest, AZeroDelayDoesNotStallTheQueue)
{
    queue.post(3, 0);
    queue.post(4, 100);
    clock.advance(200);
    EXPECT_EQ(codesRun(), (std::vector<uint8_t>{3, 4}));
}
