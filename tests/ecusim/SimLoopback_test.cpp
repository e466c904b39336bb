#include "SimLoopback.h"
#include "SimTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

using namespace qn;
using namespace qn::sim;
using namespace qn::sim::test;

namespace {

struct Loopback : ::testing::Test {
    VirtualClock clock;
    EcuModel model;
    EcuResponder ecu{model};
    SimLoopback line{clock, ecu};
    struct Arrival {
        int64_t at;
        QByteArray bytes;
    };
    std::vector<Arrival> arrivals;

    void SetUp() override
    {
        line.onRead = [this](const QByteArray &b) { arrivals.push_back({clock.nowMs(), b}); };
    }
    QByteArray received() const
    {
        QByteArray all;
        for (const Arrival &a : arrivals)
            all += a.bytes;
        return all;
    }
};

TEST_F(Loopback, AnswerArrivesAfterTheWireTimeAndNotBefore)
{
    const struct {
        QByteArray request;
        int answerLength;
        int64_t ms; // (L + A) bytes of ten bits at 9600 baud, rounded up
    } cases[] = {
        {request(Cmd::IdentityLength, {0x21, 0x21}), 5, 11},
        {liveRequest(), LiveLength + 3, 78},
        {writeRequest(68, 0, 0), 3, 10},
    };
    for (const auto &c : cases) {
        arrivals.clear();
        const int64_t sent = clock.nowMs();
        ASSERT_TRUE(line.write(c.request));
        clock.advance(c.ms - 1);
        EXPECT_TRUE(arrivals.empty());
        clock.advance(1);
        ASSERT_EQ(arrivals.size(), 1u);
        EXPECT_EQ(arrivals[0].at - sent, c.ms);
        EXPECT_EQ(arrivals[0].bytes.size(), c.answerLength);
        clock.advance(60);
    }
}

TEST_F(Loopback, ModelFollowsTheHostClock)
{
    clock.advance(500);
    line.write(liveRequest());
    clock.advance(100);
    EXPECT_EQ(model.timeMs(), 578);
}

TEST_F(Loopback, ChunkedAnswersArriveInPiecesAsTheirBytesDo)
{
    line.setChunks(3);
    line.write(liveRequest());
    clock.advance(200);
    ASSERT_EQ(arrivals.size(), 3u);
    EXPECT_EQ(arrivals[0].at, SimLoopback::wireMs(5 + 23));
    EXPECT_EQ(arrivals[1].at, SimLoopback::wireMs(5 + 46));
    EXPECT_EQ(arrivals[2].at, SimLoopback::wireMs(5 + 69));
    const QByteArray whole = received();
    EXPECT_EQ(whole.size(), LiveLength + 3);
    EXPECT_TRUE(checksumOk(whole));
}

TEST_F(Loopback, DelayFaultPostponesTheAnswer)
{
    ecu.setFaults(FaultPlan{.delayMs = 250});
    line.write(request(Cmd::IdentityLength, {0x21, 0x21}));
    clock.advance(260);
    EXPECT_TRUE(arrivals.empty());
    clock.advance(1);
    EXPECT_EQ(arrivals.size(), 1u);
}

TEST_F(Loopback, DroppedAnswerNeverArrives)
{
    ecu.setFaults(FaultPlan{.dropAnswers = 1});
    line.write(liveRequest());
    clock.advance(1000);
    EXPECT_TRUE(arrivals.empty());
    EXPECT_EQ(line.pending(), 0);
}

TEST_F(Loopback, HangupEndsTheLineAfterTheLastAnswer)
{
    ecu.setFaults(FaultPlan{.hangupAfterLive = 1});
    ASSERT_TRUE(line.write(liveRequest()));
    EXPECT_FALSE(line.inError());
    clock.advance(100);
    EXPECT_EQ(received().size(), LiveLength + 3);
    EXPECT_TRUE(line.inError());
    EXPECT_FALSE(line.write(liveRequest()));
}

TEST_F(Loopback, NothingArrivesAfterClose)
{
    line.write(liveRequest());
    line.close();
    clock.advance(1000);
    EXPECT_TRUE(arrivals.empty());
    EXPECT_FALSE(line.write(liveRequest()));
}

TEST_F(Loopback, AnswerWrittenFromTheReadHandlerIsTimedFromThen)
{
    // The link writes its next request from inside the receive path.
    int answers = 0;
    line.onRead = [&](const QByteArray &) {
        if (++answers < 3)
            line.write(request(Cmd::IdentityLength, {0x21, 0x21}));
        arrivals.push_back({clock.nowMs(), {}});
    };
    line.write(request(Cmd::IdentityLength, {0x21, 0x21}));
    clock.advance(1000);
    ASSERT_EQ(arrivals.size(), 3u);
    EXPECT_EQ(arrivals[0].at, 11);
    EXPECT_EQ(arrivals[1].at, 22);
    EXPECT_EQ(arrivals[2].at, 33);
}

} // namespace
