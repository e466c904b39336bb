#include "link/DeviceLink.h"

#include "LinkTestSupport.h"
#include "config/Config_Record.h"
#include "data/LiveValues.h"
#include "ui/STS_Record.h"

#include <gtest/gtest.h>

using namespace qn;
using namespace qn::test;

namespace {

// A link on the virtual clock with a fake transport; the test plays the ECU.
struct LinkFixture : ::testing::Test {
    VirtualClock clock;
    STS_Record sts;
    Config_Record config;
    LiveTable live;
    RecordingMessages messages;
    std::vector<QByteArray> writes;
    std::vector<int64_t> writeTimes;
    bool closed = false;
    FakeTransport *port = nullptr;
    int lost = 0;
    int answers = 0;
    std::unique_ptr<DeviceLink> link;

    void SetUp() override { make(false); }

    void make(bool bluetooth)
    {
        sts.CON_Type = bluetooth;
        link = std::make_unique<DeviceLink>(DeviceLink::Deps{clock, sts, config, live,
                                                              [](uint16_t) { return int16_t(0); },
                                                              &messages, nullptr});
        auto t = std::make_unique<FakeTransport>();
        t->writes = &writes;
        t->closed = &closed;
        port = t.get();
        link->attach(std::move(t));
        link->onLost = [this] { ++lost; };
        link->onAnswer = [this](uint8_t) { ++answers; };
    }

    uint8_t lastCommand() const { return writes.empty() ? 0 : uint8_t(writes.back()[1]); }

    // Advance until the next request is written; returns how long that took.
    int64_t untilWrite(int64_t limit = 5000)
    {
        const size_t before = writes.size();
        const int64_t start = clock.nowMs();
        while (writes.size() == before && clock.nowMs() - start < limit)
            clock.advance(1);
        return clock.nowMs() - start;
    }

    void answer(uint8_t cmd, const QByteArray &payload = {}) { port->deliver(answerFrame(cmd, payload)); }

    void answerLast()
    {
        switch (lastCommand()) {
        case Cmd::IdentityLength: answer(Cmd::IdentityLength, bytes({39, 0})); break;
        case Cmd::Identity: answer(Cmd::Identity, identityPayload()); break;
        case Cmd::CarNumber: answer(Cmd::CarNumber, QByteArray("AB12\0\0\0\0", 8)); break;
        case Cmd::LiveData: answer(Cmd::LiveData, QByteArray(66, '\0')); break;
        case Cmd::Configuration: answer(Cmd::Configuration, QByteArray(139, '\0')); break;
        default: answer(lastCommand()); break;
        }
    }

    // Runs the connect script to the established link (configuration read), then polls once.
    void connect()
    {
        link->startConnectScript();
        for (int i = 0; i < 4; ++i) {
            untilWrite();
            answerLast();
        }
        ASSERT_TRUE(link->connected);
        untilWrite(); // first poll request (identity)
    }
};

} // namespace

TEST_F(LinkFixture, RequestsGoOutSixtyMillisecondsAfterTheyAreBuilt)
{
    link->startConnectScript();
    EXPECT_EQ(untilWrite(), DeviceLink::TransmitDelayMs);
    EXPECT_EQ(writes.back().toHex(), QByteArray("69212121cc"));
    clock.advance(7);
    answerLast();
    EXPECT_EQ(link->traffic, DeviceLink::TrafficMax);
    EXPECT_EQ(untilWrite(), DeviceLink::TransmitDelayMs);
    EXPECT_EQ(lastCommand(), Cmd::Identity);
    EXPECT_EQ(link->traffic, 0);
}

TEST_F(LinkFixture, ConnectSequenceEstablishesTheLink)
{
    int established = 0;
    link->onEstablished = [&] { ++established; };
    link->startConnectScript();
    std::vector<int> sent;
    for (int i = 0; i < 6; ++i) {
        untilWrite();
        sent.push_back(lastCommand());
        answerLast();
    }
    EXPECT_EQ(sent, (std::vector<int>{Cmd::IdentityLength, Cmd::Identity, Cmd::CarNumber, Cmd::Configuration,
                                      Cmd::Identity, Cmd::LiveData}));
    EXPECT_EQ(established, 1);
    EXPECT_TRUE(link->connected);
    EXPECT_EQ(link->ecu.liveLength, 66);
}

TEST_F(LinkFixture, SerialLinkIsLostAtTheEleventhTimeout)
{
    connect();
    const QByteArray request = writes.back();
    for (int retry = 1; retry <= 10; ++retry) {
        EXPECT_EQ(untilWrite(), DeviceLink::SerialAnswerWaitMs) << retry;
        EXPECT_EQ(writes.back(), request);
    }
    EXPECT_EQ(lost, 0);
    clock.advance(DeviceLink::SerialAnswerWaitMs);
    EXPECT_EQ(lost, 1);
    EXPECT_TRUE(link->linkLost);
    EXPECT_FALSE(link->connected);
    EXPECT_TRUE(closed);
    EXPECT_EQ(link->transport(), nullptr);
    ASSERT_FALSE(messages.shown.empty());
    EXPECT_EQ(messages.shown.back().key, QStringLiteral("MSG_Connect_Interrupt"));
    EXPECT_EQ(messages.shown.back().kind, MsgKind::ConnectInterrupt);
    const size_t n = writes.size();
    clock.advance(10000);
    EXPECT_EQ(writes.size(), n); // idle
}

TEST_F(LinkFixture, AValidAnswerAfterNineTimeoutsKeepsTheLink)
{
    connect();
    for (int i = 0; i < 9; ++i)
        untilWrite();
    answerLast();
    EXPECT_EQ(link->unanswered, 0);
    for (int i = 0; i < 10; ++i)
        untilWrite();
    EXPECT_EQ(lost, 0);
}

TEST_F(LinkFixture, BeforeTheLinkIsUpTimeoutsRetryWithoutLimit)
{
    link->startConnectScript();
    for (int i = 0; i < 40; ++i)
        untilWrite();
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(lastCommand(), Cmd::IdentityLength);
}

TEST_F(LinkFixture, BluetoothLinkIsLostAtTheSecondTimeout)
{
    make(true);
    link->startConnectScript();
    for (int i = 0; i < 4; ++i) {
        untilWrite();
        port->ready = answerFrame(lastCommand() == Cmd::IdentityLength ? Cmd::IdentityLength : lastCommand(),
                                  lastCommand() == Cmd::IdentityLength ? bytes({39, 0})
                                  : lastCommand() == Cmd::Identity    ? identityPayload()
                                  : lastCommand() == Cmd::CarNumber   ? QByteArray(8, '\0')
                                                                      : QByteArray(139, '\0'));
        clock.advance(1);
    }
    ASSERT_TRUE(link->connected);
    untilWrite();
    EXPECT_EQ(untilWrite(), DeviceLink::BluetoothAnswerWaitMs); // one repeat
    EXPECT_EQ(lost, 0);
    clock.advance(DeviceLink::BluetoothAnswerWaitMs);
    EXPECT_EQ(lost, 1);
}

TEST_F(LinkFixture, BluetoothReceivePollFiltersAndCompletesInChunks)
{
    make(true);
    link->startConnectScript();
    untilWrite();
    port->ready = bytes({0x0F, 0x0F, 0x69, 0x21});
    clock.advance(1);
    EXPECT_EQ(link->frame.rxCount, 2);
    port->ready = bytes({39, 0, uint8_t(0x69 + 0x21 + 39)});
    clock.advance(1);
    EXPECT_EQ(answers, 1);
    EXPECT_EQ(link->ecu.identityLength, 39);
}

TEST_F(LinkFixture, TimedOutWritesRestartFromThePreparingWord)
{
    connect();
    answerLast(); // identity
    untilWrite(); // live data
    // Key 5: write-enable, configuration write, dispatched after the live-data answer.
    link->script.prepared = {94, 0x12, 0x34};
    link->script.keys().push(5);
    answerLast();
    untilWrite();
    ASSERT_EQ(lastCommand(), Cmd::WriteEnable);
    answerLast();
    EXPECT_EQ(link->unanswered, 0);
    untilWrite();
    ASSERT_EQ(lastCommand(), Cmd::ConfigWrite);
    // The write is lost: after the wait, the write-enable goes out again, then the write.
    untilWrite();
    EXPECT_EQ(lastCommand(), Cmd::WriteEnable);
    EXPECT_EQ(link->unanswered, 1);
    answerLast(); // write-enable answers leave the count alone
    EXPECT_EQ(link->unanswered, 1);
    untilWrite();
    EXPECT_EQ(lastCommand(), Cmd::ConfigWrite);
    EXPECT_EQ(writes.back().toHex(), QByteArray("692f5e1234") + QByteArray::number(0x69 + 0x2F + 94 + 0x12 + 0x34 - 256, 16));
    // A lost write-enable is sent again after its preparing word.
    untilWrite();
    EXPECT_EQ(lastCommand(), Cmd::WriteEnable);
    untilWrite();
    EXPECT_EQ(lastCommand(), Cmd::WriteEnable);
}

TEST_F(LinkFixture, InvalidAnswerRestartsTheSerialWait)
{
    connect();
    clock.advance(200);
    QByteArray bad = answerFrame(Cmd::Identity, identityPayload());
    bad[bad.size() - 1] = char(bad[bad.size() - 1] + 1);
    port->deliver(bad);
    EXPECT_EQ(answers, 4); // the connect sequence's answers only
    EXPECT_EQ(untilWrite(), DeviceLink::SerialAnswerWaitMs);
    EXPECT_EQ(link->unanswered, 1);
}

TEST_F(LinkFixture, StrayBytesAfterAnAnswerAreNotDecodedAgain)
{
    connect();
    answerLast();
    EXPECT_EQ(answers, 5);
    port->deliver(bytes({0x01, 0x02}));
    port->deliver(answerFrame(Cmd::Identity, identityPayload()));
    EXPECT_EQ(answers, 5);
    EXPECT_EQ(untilWrite(), DeviceLink::TransmitDelayMs);
    EXPECT_EQ(lastCommand(), Cmd::LiveData);
}

TEST_F(LinkFixture, ChunkCompletingAnAnswerWithExtraBytesRunsTheReceiveStepOnce)
{
    connect();
    port->deliver(answerFrame(Cmd::Identity, identityPayload()) + bytes({0x69, 0x69}));
    EXPECT_EQ(answers, 5);
    EXPECT_EQ(untilWrite(), DeviceLink::TransmitDelayMs);
}

TEST_F(LinkFixture, PollingRestsWhileTheOldFirmwareMessageIsShown)
{
    link->startConnectScript();
    untilWrite();
    answerLast();
    untilWrite();
    answer(Cmd::Identity, identityPayload(9)); // protocol byte 9: unsupported device
    EXPECT_EQ(messages.count(MsgKind::OldVersion), 1);
    const size_t n = writes.size();
    clock.advance(5000);
    EXPECT_EQ(writes.size(), n);
}

TEST_F(LinkFixture, FailingSendsEndInLinkLoss)
{
    connect();
    port->failWrites = true;
    clock.advance(10000);
    EXPECT_EQ(lost, 1);
    EXPECT_GE(messages.count(MsgKind::ComPortError), 10);
}

TEST_F(LinkFixture, SerialErrorStateIsReportedAtTheSend)
{
    connect();
    port->error = true;
    answerLast(); // handed over while in error: ignored and reported
    EXPECT_EQ(answers, 4);
    EXPECT_EQ(messages.shown.back().kind, MsgKind::ComPortError);
    EXPECT_EQ(messages.shown.back().colour, MsgColour::PureRed);
}

TEST_F(LinkFixture, PendingReconnectActsAtTheNextValidAnswer)
{
    connect();
    int reconnects = 0;
    link->onPending = [&](bool reconnect) { reconnects += reconnect; };
    link->pendingReconnect = true;
    answerLast();
    EXPECT_EQ(reconnects, 1);
    EXPECT_FALSE(link->connected);
    EXPECT_FALSE(link->pendingReconnect);
    const size_t n = writes.size();
    clock.advance(1000);
    EXPECT_EQ(writes.size(), n);
}
