// The device link against the simulated ECU in one process, in virtual time: the connect
// sequence, polling, key scripts that change the ECU, and link loss, with the real decoders.

#include "EcuModel.h"
#include "EcuResponder.h"
#include "SimLoopback.h"
#include "LinkTestSupport.h"
#include "config/Config_Record.h"
#include "data/LiveValues.h"
#include "data/TemperatureTable.h"
#include "link/DeviceLink.h"
#include "ui/STS_Record.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace qn;

namespace {

struct LinkWithSim : ::testing::Test, DecoderHooks {
    VirtualClock clock;
    sim::EcuModel model{7};
    sim::EcuResponder responder{model};
    STS_Record sts;
    Config_Record config;
    LiveTable live;
    TemperatureTable temperatures{QStringLiteral(QN_RESOURCES "/qndiag.dat")};
    test::RecordingMessages messages;
    std::unique_ptr<DeviceLink> link;
    TTimer event14{clock, 2000};
    int liveAnswers = 0;
    int lost = 0;
    std::vector<int64_t> answerTimes;

    void dashboard() override
    {
        ++liveAnswers;
        answerTimes.push_back(clock.nowMs());
    }

    void SetUp() override
    {
        sts.CON_Type = false; // serial port
        link = std::make_unique<DeviceLink>(DeviceLink::Deps{
            clock, sts, config, live, [this](uint16_t r) { return temperatures.lookup(r); }, &messages, this});
        link->attach(std::make_unique<sim::SimLoopback>(clock, responder));
        link->onLost = [this] { ++lost; };
        link->postEvent = [this](int code, int delay) {
            if (code == 14) {
                event14.setInterval(delay);
                event14.setEnabled(true);
            }
        };
        event14.onTimer = [this] {
            event14.setEnabled(false);
            link->script.keys().push(7);
        };
        link->startConnectScript();
        clock.advance(2000);
    }
};

} // namespace

TEST_F(LinkWithSim, ConnectReadsIdentityCarNumberAndConfiguration)
{
    ASSERT_TRUE(link->connected);
    EXPECT_EQ(config.ECU_Name, QString::fromLatin1(model.name()).trimmed());
    EXPECT_EQ(config.ECU_Version, QStringLiteral("4.35"));
    EXPECT_EQ(link->ecu.firmware, 435);
    EXPECT_EQ(config.CAR_Numder, QString::fromLatin1(model.carNumber()).remove(QChar(0)).trimmed());
    EXPECT_EQ(uint32_t(config.ECU_Gas), model.gasMinutes());
    EXPECT_EQ(config.GLS_Type, model.configByte(sim::Cfg::GlsType));
    EXPECT_EQ(link->ecu.liveLength, sim::LiveLength);
}

TEST_F(LinkWithSim, PollingFollowsTheEngineAtTheProtocolPace)
{
    const int before = liveAnswers;
    clock.advance(10000);
    // One identity and one live-data exchange per cycle: 60 ms before each request plus the wire
    // time of 5 + 42 and 5 + 69 bytes.
    const double cycleMs = 2 * 60 + sim::SimLoopback::wireMs(5 + 42) + sim::SimLoopback::wireMs(5 + 69);
    EXPECT_NEAR(liveAnswers - before, 10000 / cycleMs, 1.5);
    const sim::EngineSample e = model.engine();
    EXPECT_NEAR(live.value(LV_RPM), e.rpm, e.rpm * 0.05 + 60);
    EXPECT_NEAR(live.value(LV_Battery) / 100.0, e.batteryV, 0.15);
    EXPECT_NEAR(live.value(LV_TVaporizer) / 10.0, e.vaporizerC, 1.5);
    EXPECT_NEAR(live.value(LV_TGas) / 10.0, e.gasC, 1.5);
    EXPECT_NEAR(live.value(LV_PCollector) / 100.0, e.manifoldBar, 0.1);
    EXPECT_EQ(live.value(LV_PDifferential), live.value(LV_PVaporizer) - live.value(LV_PCollector));
    EXPECT_EQ(link->ecu.modeByte, model.fuelMode());
}

TEST_F(LinkWithSim, KeyScriptsSwitchFuelAndWriteConfiguration)
{
    link->script.keys().push(3); // petrol
    clock.advance(1500);
    EXPECT_EQ(model.fuelMode(), sim::Mode::Petrol);
    link->script.keys().push(2); // gas
    clock.advance(1500);
    EXPECT_EQ(model.fuelMode(), sim::Mode::Gas);

    // Key 8 makes the software sensor the level sensor and enables the fuel calculator, then the
    // configuration is read again two seconds later (event 14, key 7).
    ASSERT_NE(config.GLS_Type, 5);
    link->script.keys().push(8);
    clock.advance(1500);
    EXPECT_EQ(model.configByte(sim::Cfg::GlsType), 5);
    EXPECT_TRUE(hasBits(model.configByte(sim::Cfg::Switch3), 0x40));
    clock.advance(3000);
    EXPECT_EQ(config.GLS_Type, 5);
    EXPECT_TRUE(hasBits(config.Switch_byte_3, 0x40));
    EXPECT_EQ(lost, 0);
}

TEST_F(LinkWithSim, SilentEcuIsDeclaredLostAfterTenRetries)
{
    responder.goSilent();
    const int64_t silentAt = clock.nowMs();
    while (lost == 0 && clock.nowMs() - silentAt < 10000)
        clock.advance(10);
    ASSERT_EQ(lost, 1);
    // The request in flight, then ten retries of 300 ms each.
    EXPECT_GE(clock.nowMs() - silentAt, 11 * 300 - 300);
    EXPECT_LE(clock.nowMs() - silentAt, 11 * 300 + 200);
    EXPECT_EQ(messages.shown.back().key, QStringLiteral("MSG_Connect_Interrupt"));
}

TEST_F(LinkWithSim, CorruptAndDroppedAnswersAreRetried)
{
    sim::FaultPlan plan;
    plan.corruptAnswers = 3;
    plan.dropAnswers = 2;
    responder.setFaults(plan);
    const int before = liveAnswers;
    clock.advance(5000);
    EXPECT_GT(liveAnswers - before, 10);
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(link->unanswered, 0);
}
