#include "EcuModel.h"
#include "SimTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace qn::sim;
using namespace qn::sim::test;

namespace {

QByteArray liveFrame(const EcuModel &m) { return EcuResponder::frame(Cmd::LiveData, m.livePayload()); }
QByteArray configFrame(const EcuModel &m) { return EcuResponder::frame(Cmd::Configuration, m.configPayload()); }

class DriveCycle : public ::testing::TestWithParam<const char *> {};

// Two whole cycles sampled every 100 ms: every value stays where a running engine puts it, moves
// without jumps, and the cycle passes through warm-up, the switch to gas, cruise and cut-off.
TEST_P(DriveCycle, ValuesStayPlausibleAndMoveSmoothly)
{
    EcuModel m(3);
    m.setVersion(GetParam());
    const QByteArray cfg = configFrame(m);
    const int firmware = m.firmware();
    Reading prev{};
    bool first = true, sawCruise = false, sawCutOff = false, sawGas = false;
    int rpmMin = 99999, rpmMax = 0, gasAt = -1;
    for (int step = 0; step <= 2 * m.cycleSeconds() * 10; ++step) {
        const Reading r = read(liveFrame(m), cfg, firmware);
        SCOPED_TRACE(step);
        ASSERT_TRUE(r.mode == Mode::WaitGas || r.mode == Mode::Gas);
        EXPECT_EQ(r.mask, r.mode == Mode::Gas ? 0x0F : 0x00);
        EXPECT_TRUE(r.status & Status::EngineOn);
        EXPECT_TRUE(r.status & Status::PressureOk);
        EXPECT_GE(r.rpm, 700);
        EXPECT_LE(r.rpm, 3700);
        for (int t : {r.t1, r.t2, r.t3}) {
            EXPECT_GE(t, 0);
            EXPECT_LE(t, 1023);
        }
        EXPECT_GE(r.vaporizerTenths, 190);
        EXPECT_LE(r.vaporizerTenths, 710);
        EXPECT_GE(r.gasTenths, 140);
        EXPECT_LE(r.gasTenths, 410);
        EXPECT_GE(r.insideTenths, 340);
        EXPECT_LE(r.insideTenths, 380);
        EXPECT_GE(r.exhaustC, 200);
        EXPECT_LE(r.exhaustC, 800);
        EXPECT_GE(r.manifoldBar100, 29);
        EXPECT_LE(r.manifoldBar100, 101);
        EXPECT_NEAR(r.vaporizerBar100 - r.manifoldBar100, 120, 6);
        EXPECT_GE(r.batteryHundredths, 1380);
        EXPECT_LE(r.batteryHundredths, 1440);
        EXPECT_GE(r.detonation100, 0);
        EXPECT_LE(r.detonation100, 100);
        EXPECT_GE(r.levelRaw, 100);
        EXPECT_LE(r.levelRaw, 1023);
        if (r.mode == Mode::Gas) {
            sawGas = true;
            if (gasAt < 0)
                gasAt = step;
            if (r.status & Status::CutOff) {
                EXPECT_EQ(r.injectionHundredths, 0);
                EXPECT_EQ(r.consumptionTenths, 0);
            } else {
                EXPECT_GE(r.injectionHundredths, 200);
                EXPECT_LE(r.injectionHundredths, 1500);
                EXPECT_GT(r.consumptionTenths, 0);
                EXPECT_LE(r.consumptionTenths, 300);
            }
        } else {
            EXPECT_EQ(r.consumptionTenths, 0);
        }
        sawCruise = sawCruise || (r.status & Status::Cruise);
        sawCutOff = sawCutOff || (r.status & Status::CutOff);
        rpmMin = std::min(rpmMin, r.rpm);
        rpmMax = std::max(rpmMax, r.rpm);
        if (!first) {
            EXPECT_LE(std::abs(r.rpm - prev.rpm), 60);
            EXPECT_LE(std::abs(r.t1 - prev.t1), 30);
            EXPECT_LE(std::abs(r.vaporizerTenths - prev.vaporizerTenths), 5);
            EXPECT_LE(std::abs(r.gasTenths - prev.gasTenths), 3);
            EXPECT_LE(std::abs(r.exhaustC - prev.exhaustC), 15);
            EXPECT_LE(std::abs(r.manifoldBar100 - prev.manifoldBar100), 4);
            EXPECT_LE(std::abs(r.vaporizerBar100 - prev.vaporizerBar100), 5);
            EXPECT_LE(std::abs(r.batteryHundredths - prev.batteryHundredths), 4);
            EXPECT_LE(std::abs(r.levelRaw - prev.levelRaw), 4);
        }
        prev = r;
        first = false;
        m.advance(100);
    }
    EXPECT_TRUE(sawGas);
    EXPECT_GT(gasAt, 50);           // warm-up on petrol first
    EXPECT_LT(gasAt, 10 * 30);      // and gas within the first half minute
    EXPECT_TRUE(sawCruise);
    EXPECT_TRUE(sawCutOff);
    EXPECT_LE(rpmMin, 850);
    EXPECT_GE(rpmMax, 3300);
    EXPECT_GE(prev.vaporizerTenths, 650); // warm by the end
}

INSTANTIATE_TEST_SUITE_P(Firmware, DriveCycle, ::testing::Values("4.35", "4.30"));

TEST(EcuModel, SameSeedAndTimeGiveTheSameAnswersHoweverTimeIsStepped)
{
    EcuModel fine(11), coarse(11), other(12);
    for (int i = 0; i < 4000; ++i)
        fine.advance(7);
    for (int i = 0; i < 28; ++i)
        coarse.advance(1000);
    other.advance(28000);
    EXPECT_EQ(fine.timeMs(), 28000);
    EXPECT_EQ(fine.livePayload(), coarse.livePayload());
    EXPECT_EQ(fine.identityPayload(), coarse.identityPayload());
    EXPECT_NE(fine.livePayload(), other.livePayload());
}

TEST(EcuModel, CountersAdvanceOnTheFuelInUse)
{
    EcuModel m;
    m.setCounters(100, 200);
    m.requestFuelMode(Mode::Gas);
    m.advance(3 * 60000);
    EXPECT_EQ(m.gasMinutes(), 103u);
    EXPECT_EQ(m.petrolMinutes(), 200u);
    m.requestFuelMode(Mode::Petrol);
    m.advance(60000);
    EXPECT_EQ(m.gasMinutes(), 103u);
    EXPECT_EQ(m.petrolMinutes(), 201u);
    m.setCounters(0xFFFFFF, 0);
    m.advance(60000);
    EXPECT_EQ(m.petrolMinutes(), 1u);
}

TEST(EcuModel, GasLevelFallsOnGasAndRefills)
{
    EcuModel m;
    m.requestFuelMode(Mode::Petrol);
    const int start = m.levelRaw();
    m.advance(60000);
    EXPECT_NEAR(m.levelRaw(), start, 6);
    m.requestFuelMode(Mode::Gas);
    m.advance(120000);
    const int after = m.levelRaw();
    EXPECT_LT(after, start - 40);
    // Run the tank down: the driver refuels and the level comes back.
    int lowest = after, highestAfterLow = 0;
    for (int i = 0; i < 3600; ++i) {
        m.advance(1000);
        lowest = std::min(lowest, m.levelRaw());
        if (lowest < 200)
            highestAfterLow = std::max(highestAfterLow, m.levelRaw());
    }
    EXPECT_LT(lowest, 200);
    EXPECT_GT(highestAfterLow, 700);
}

TEST(EcuModel, PressureReadingsDecodeToTheirTargetOnBothCalibrations)
{
    for (const char *version : {"4.35", "4.30", "3.10"}) {
        SCOPED_TRACE(version);
        EcuModel m;
        m.setVersion(version);
        const QByteArray cfg = configFrame(m);
        for (int target : {30, 55, 100, 150, 220}) {
            for (bool vaporizer : {true, false}) {
                const int raw = m.pressureRaw(target, vaporizer);
                EXPECT_NEAR(pressure(cfg, m.firmware(), raw, vaporizer), target, 1);
            }
        }
    }
}

TEST(EcuModel, EngineSpeedFollowsTheDividerWhenTheSwitchAsksForIt)
{
    EcuModel m;
    m.setConfigByte(Cfg::Switch1, 0x80);
    m.setConfigByte(Cfg::RpmDiv, 60);
    const QByteArray live = liveFrame(m);
    const int r = word(live, 26, 25);
    EXPECT_NEAR(r * 600 / 60, m.engine().rpm, 10);
}

TEST(EcuModel, IdentityTextIsFittedToItsFields)
{
    EcuModel m;
    m.setName("A very long ECU name indeed");
    m.setDate("2026");
    m.setVersion("4.3");
    m.setCarNumber("AB12");
    const QByteArray p = m.identityPayload();
    ASSERT_EQ(p.size(), IdentityLength);
    EXPECT_EQ(p.mid(1, 30), QByteArray("A very long ECU 2026      4.3 "));
    EXPECT_EQ(m.firmware(), 0);
    EXPECT_EQ(m.carNumber(), QByteArray("AB12\0\0\0\0", 8));
}

} // namespace
