#include "EcuResponder.h"
#include "SimTestSupport.h"

#include <gtest/gtest.h>

using namespace qn::sim;
using namespace qn::sim::test;

namespace {

struct Ecu : ::testing::Test {
    EcuModel model;
    EcuResponder ecu{model};

    QByteArray ask(const QByteArray &req) { return ecu.feed(req); }
    QByteArray live() { return ask(liveRequest()); }
    QByteArray config() { return ask(configRequest()); }
    // Answer byte n of the configuration answer.
    int cfg(int n) { return at(config(), n); }
};

// ---- frames ----

struct FrameCase {
    QByteArray request;
    int length; // expected answer length A
};

TEST_F(Ecu, EveryRequestGetsAFramedAnswerOfItsLength)
{
    const FrameCase cases[] = {
        {bytes({0x69, 0x21, 0x21, 0x21, 0xCC}), 5},
        {bytes({0x69, 0x22, 0x22, 0x22, 0xCF}), IdentityLength + 3},
        {bytes({0x69, 0x26, 0x26, 0x26, 0xDB}), LiveLength + 3},
        {bytes({0x69, 0x27, 0x27, 0x27, 0xDE}), ConfigLength + 3},
        {bytes({0x69, 0x2D, 0x08, 0x08, 0xA6}), 11},
        {bytes({0x69, 0x25, 0x25, 0x06, 0xB9}), 3},
        {bytes({0x69, 0x23, 0x00, 0x04, 0x90}), 3},
        {request(Cmd::LevelSensor, {0, 2}), 3},
        {writeRequest(68, 0x40, 0), 3},
    };
    for (const FrameCase &c : cases) {
        SCOPED_TRACE(c.request.toHex(' ').toStdString());
        const QByteArray a = ask(c.request);
        ASSERT_EQ(a.size(), c.length);
        EXPECT_EQ(at(a, 1), 0x69);
        EXPECT_EQ(at(a, 2), uint8_t(c.request[1]));
        EXPECT_TRUE(checksumOk(a));
    }
}

TEST_F(Ecu, ShortAnswersAreByteExact)
{
    EXPECT_EQ(ask(bytes({0x69, 0x21, 0x21, 0x21, 0xCC})), bytes({0x69, 0x21, 39, 0x00, 0xB1}));
    EXPECT_EQ(ask(bytes({0x69, 0x23, 0x00, 0x04, 0x90})), bytes({0x69, 0x23, 0x8C}));
    EXPECT_EQ(ask(enableRequest()), bytes({0x69, 0x25, 0x8E}));
}

TEST_F(Ecu, IdentityCarriesProtocolTextCountersAndLengths)
{
    model.setProtocol(9);
    model.setVersion("4.30");
    model.setCounters(0x01022C, 300);
    const QByteArray a = ask(identityRequest());
    EXPECT_EQ(at(a, 3), 9);
    EXPECT_EQ(a.mid(3, 30), QByteArray("QN-Sim ECU      2026-11-014.30"));
    EXPECT_EQ(a.mid(33, 6), bytes({0x01, 0x02, 0x2C, 0x00, 0x01, 0x2C})); // most significant first
    EXPECT_EQ(at(a, 40), LiveLength);
    EXPECT_EQ(at(a, 41), ConfigLength);
}

TEST_F(Ecu, CarNumberIsPaddedWithZeros)
{
    const QByteArray a = ask(request(Cmd::CarNumber, {8, 8}));
    EXPECT_EQ(a.mid(2, 8), QByteArray("QN 2026\0", 8));
    EXPECT_TRUE(checksumOk(a));
}

// ---- receiving requests ----

TEST_F(Ecu, FindsRequestsBehindGarbageAndAcrossFeeds)
{
    EXPECT_EQ(ask(bytes({0x00, 0xFF, 0x69, 0x21, 0x21, 0x21, 0xCC})).size(), 5);
    // One byte at a time.
    const QByteArray req = liveRequest();
    for (int i = 0; i + 1 < req.size(); ++i)
        EXPECT_TRUE(ask(req.mid(i, 1)).isEmpty());
    EXPECT_EQ(ask(req.right(1)).size(), LiveLength + 3);
    // A false start byte followed by a command byte, then the real request.
    EXPECT_EQ(ask(bytes({0x69, 0x26}) + liveRequest()).size(), LiveLength + 3);
    EXPECT_FALSE(ecu.hasPartial());
}

TEST_F(Ecu, BadChecksumOrUnknownCommandGetsNoAnswer)
{
    EXPECT_TRUE(ask(bytes({0x69, 0x21, 0x21, 0x21, 0xCD})).isEmpty());
    EXPECT_TRUE(ask(request(0x30, {0x30, 0x30})).isEmpty());
    // What follows is still understood.
    EXPECT_EQ(ask(bytes({0x69, 0x21, 0x21, 0x21, 0xCC})).size(), 5);
}

TEST_F(Ecu, TwoRequestsInOneFeedGetTwoAnswers)
{
    const auto answers = ecu.feedFrames(modeRequest(1) + writeRequest(68, 1, 2));
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_EQ(answers[0].requestLength, 5);
    EXPECT_EQ(answers[1].requestLength, 6);
}

// ---- configuration writes ----

struct WriteCase {
    int address, d1, d2;
    int firstByte;     // answer byte that gets d1
    int secondByte;    // answer byte that gets d2
};

TEST_F(Ecu, EnabledWritesLandAtTheirWordAddress)
{
    const WriteCase cases[] = {
        {68, 0x41, 0x07, 9, 10},  // switch bytes 3 and 4
        {93, 5, 0x01, 59, 60},    // sensor type and options
        {94, 0x07, 0xD0, 62, 61}, // reference total, high byte first on the wire
        {65, 0x11, 0x22, 3, 4},   // first word of the memory
        {133, 0x33, 0x44, 139, 140},
    };
    for (const WriteCase &c : cases) {
        SCOPED_TRACE(c.address);
        ASSERT_EQ(ask(enableRequest()).size(), 3);
        ASSERT_EQ(ask(writeRequest(c.address, c.d1, c.d2)).size(), 3);
        const QByteArray a = config();
        EXPECT_EQ(at(a, c.firstByte), c.d1);
        EXPECT_EQ(at(a, c.secondByte), c.d2);
    }
}

TEST_F(Ecu, ReferenceTotalReadsBackAsWritten)
{
    const int etalon = 2001;
    ask(enableRequest());
    ask(writeRequest(94, etalon / 256, etalon % 256));
    EXPECT_EQ(word(config(), 62, 61), etalon);
}

TEST_F(Ecu, WritesWithoutEnableAreAnsweredAndIgnored)
{
    const QByteArray before = config();
    // No enable at all; an enable with the wrong parameters; an enable used up by another request.
    EXPECT_EQ(ask(writeRequest(68, 0x40, 0x01)), bytes({0x69, 0x2F, 0x98}));
    ask(request(Cmd::WriteEnable, {0x25, 0x07}));
    ask(writeRequest(68, 0x40, 0x01));
    ask(enableRequest());
    live();
    ask(writeRequest(68, 0x40, 0x01));
    EXPECT_EQ(config(), before);
    EXPECT_TRUE(at(live(), 5) & Status::NotSaved);
}

TEST_F(Ecu, WritesOutsideTheMemoryChangeNothing)
{
    const QByteArray before = config();
    for (int address : {0, 64, 134, 255}) {
        ask(enableRequest());
        EXPECT_EQ(ask(writeRequest(address, 1, 2)).size(), 3);
    }
    EXPECT_EQ(config(), before);
}

// ---- fuel mode ----

TEST_F(Ecu, FuelModeRequestsSetTheModeByte)
{
    const struct {
        int requested, expected;
    } cases[] = {{1, 1}, {4, 4}, {2, 2}, {3, 2}, {0, 2}, {8, 2}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.requested);
        ask(modeRequest(c.requested));
        EXPECT_EQ(at(live(), 3), c.expected);
    }
}

TEST_F(Ecu, WaitingForGasSwitchesOnceTheVaporizerIsWarm)
{
    EXPECT_EQ(at(live(), 3), Mode::WaitGas);
    EXPECT_EQ(at(live(), 4), 0x00);
    EXPECT_TRUE(at(live(), 5) & Status::Preheating);
    model.advance(40000);
    EXPECT_EQ(at(live(), 3), Mode::Gas);
    EXPECT_EQ(at(live(), 4), 0x0F);
    EXPECT_FALSE(at(live(), 5) & Status::Preheating);
}

TEST_F(Ecu, PetrolChosenByTheToolStaysWhenWarm)
{
    ask(modeRequest(1));
    model.advance(60000);
    EXPECT_EQ(at(live(), 3), Mode::Petrol);
    EXPECT_EQ(at(live(), 4), 0x00);
}

// ---- software level sensor ----

TEST_F(Ecu, SoftwareLevelSensorRunsThroughItsStates)
{
    auto state = [&] { return at(live(), 60) & 0xF0; };
    auto counter = [&] {
        const QByteArray a = live();
        return uint32_t(word(a, 62, 61)) * 65536 + uint32_t(word(a, 64, 63));
    };
    EXPECT_EQ(state(), Swl::Off);
    ask(levelCommand(2)); // not installed: ignored
    EXPECT_EQ(state(), Swl::Off);

    ask(enableRequest());
    ask(writeRequest(93, 5, 0));
    EXPECT_EQ(state(), Swl::WaitSet);
    ask(modeRequest(4));
    ask(levelCommand(2));
    EXPECT_EQ(state(), Swl::Collect);
    model.advance(300000); // five minutes of driving on gas
    const uint32_t collected = counter();
    EXPECT_GE(collected >> 21, 1u);
    ask(levelCommand(2));
    EXPECT_EQ(state(), Swl::WaitJob);
    EXPECT_EQ(word(config(), 62, 61), int(collected >> 21)); // the reference is the measured total

    ask(levelCommand(2));
    EXPECT_EQ(state(), Swl::Working);
    EXPECT_EQ(counter(), 0u);
    model.advance(10000);
    EXPECT_GT(counter(), 0u);
    ask(levelCommand(4)); // clear the current total
    EXPECT_EQ(counter(), 0u);
    EXPECT_EQ(state(), Swl::Working);

    ask(enableRequest());
    ask(writeRequest(93, 3, 0)); // back to a sender
    EXPECT_EQ(state(), Swl::Off);
    EXPECT_EQ(counter(), 0u);
}

TEST_F(Ecu, SoftwareLevelSensorCountsOnlyOnGas)
{
    ask(enableRequest());
    ask(writeRequest(93, 5, 0));
    ask(levelCommand(2));
    ask(modeRequest(1));
    model.advance(60000);
    const QByteArray a = live();
    EXPECT_EQ(at(a, 60) & 0xF0, Swl::Collect);
    EXPECT_EQ(word(a, 62, 61) + word(a, 64, 63), 0);
}

// ---- faults ----

TEST_F(Ecu, DroppedAnswersStillActOnTheRequest)
{
    ecu.setFaults(FaultPlan{.dropAnswers = 2});
    EXPECT_TRUE(ask(modeRequest(1)).isEmpty());
    EXPECT_TRUE(live().isEmpty());
    EXPECT_EQ(at(live(), 3), Mode::Petrol);
}

TEST_F(Ecu, CorruptAnswersHaveAWrongChecksumOnly)
{
    ecu.setFaults(FaultPlan{.corruptAnswers = 1});
    const QByteArray bad = live();
    const QByteArray good = live();
    ASSERT_EQ(bad.size(), LiveLength + 3);
    EXPECT_FALSE(checksumOk(bad));
    EXPECT_TRUE(checksumOk(good));
    EXPECT_EQ(bad.left(bad.size() - 1), good.left(good.size() - 1));
}

TEST_F(Ecu, SilentAfterLiveAnswersUntilResumed)
{
    ecu.setFaults(FaultPlan{.silentAfterLive = 2});
    EXPECT_FALSE(live().isEmpty());
    EXPECT_FALSE(ask(identityRequest()).isEmpty()); // only live answers count
    EXPECT_FALSE(live().isEmpty());
    EXPECT_TRUE(ecu.silent());
    EXPECT_TRUE(live().isEmpty());
    EXPECT_TRUE(ask(identityRequest()).isEmpty());
    ecu.resume();
    EXPECT_FALSE(live().isEmpty());
    EXPECT_FALSE(live().isEmpty()); // the plan was used up
}

TEST_F(Ecu, HangupComesAfterTheLastLiveAnswer)
{
    ecu.setFaults(FaultPlan{.hangupAfterLive = 1});
    EXPECT_FALSE(ecu.hangupDue());
    EXPECT_FALSE(live().isEmpty());
    EXPECT_TRUE(ecu.hangupDue());
    EXPECT_TRUE(ask(identityRequest()).isEmpty());
}

TEST(EcuNoise, PutsSeededBytesAheadOfIntactFrames)
{
    auto run = [](uint32_t seed, double p) {
        EcuModel model;
        EcuResponder ecu(model, seed);
        ecu.setFaults(FaultPlan{.noiseProbability = p});
        QByteArray all;
        for (int i = 0; i < 20; ++i) {
            const QByteArray a = ecu.feed(modeRequest(4));
            EXPECT_TRUE(a.endsWith(bytes({0x69, 0x23, 0x8C})));
            EXPECT_LE(a.size(), 3 + 4);
            all += a;
        }
        return all;
    };
    EXPECT_EQ(run(7, 0.0).size(), 60);
    const QByteArray noisy = run(7, 1.0);
    EXPECT_GE(noisy.size(), 80);
    EXPECT_EQ(noisy, run(7, 1.0));
    EXPECT_NE(noisy, run(8, 1.0));
    const int someNoise = int(run(7, 0.5).size());
    EXPECT_GT(someNoise, 60);
    EXPECT_LT(someNoise, int(noisy.size()));
}

} // namespace
