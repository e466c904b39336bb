#include "link/AnswerDecoder.h"

#include "config/Config_Record.h"
#include "data/LiveValues.h"
#include "link/EcuState.h"
#include "link/LinkHooks.h"
#include "ui/STS_Record.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qn {
namespace {

// Answer lengths as an ECU announces them: live data up to byte 68, configuration up to byte 141.
constexpr int LiveA = 72;
constexpr int ConfigA = 145;
constexpr int IdentityA = 42;

// An answer frame built byte by byte; bytes are numbered from 1 as on the wire, byte A is the sum.
class Frame {
public:
    Frame(uint8_t command, int length) : m_bytes(size_t(length), 0)
    {
        m_bytes[0] = 0x69;
        if (length > 1)
            m_bytes[1] = command;
    }
    Frame &set(int n, uint8_t v)
    {
        m_bytes.at(size_t(n - 1)) = v;
        return *this;
    }
    // Word(h, l): low byte at l, high byte at h.
    Frame &word(int h, int l, uint16_t v)
    {
        set(l, uint8_t(v & 0xFF));
        return set(h, uint8_t(v >> 8));
    }
    Frame &text(int first, const std::string &s)
    {
        for (size_t i = 0; i < s.size(); ++i)
            set(first + int(i), uint8_t(s[i]));
        return *this;
    }
    // The checksum goes last, into byte A.
    const Frame &sealed()
    {
        uint8_t sum = 0;
        for (size_t i = 0; i + 1 < m_bytes.size(); ++i)
            sum = uint8_t(sum + m_bytes[i]);
        m_bytes.back() = sum;
        return *this;
    }
    const uint8_t *data() const { return m_bytes.data(); }
    int size() const { return int(m_bytes.size()); }

private:
    std::vector<uint8_t> m_bytes;
};

struct RecordingSink : MessageSink {
    struct Shown {
        int kind;
        QString key;
        MsgColour colour;
    };
    std::vector<Shown> shown;
    void showMessage(int kind, const QString &key, MsgColour colour) override
    {
        shown.push_back({kind, key, colour});
    }
    int shownKind() const override { return shown.empty() ? 0 : shown.back().kind; }
};

struct RecordingHooks : DecoderHooks {
    const LiveTable *live = nullptr;
    std::vector<std::string> calls;
    int32_t rpmSeenByDashboard = -1;
    void gasLevel() override { calls.push_back("gasLevel"); }
    void remoteControl() override { calls.push_back("remoteControl"); }
    void dashboard() override
    {
        calls.push_back("dashboard");
        rpmSeenByDashboard = live->value(LV_RPM);
    }
    void statusIndicators(uint8_t statusByte) override
    {
        calls.push_back("status " + std::to_string(statusByte));
    }
    void oscilloscope() override { calls.push_back("oscilloscope"); }
    void identityLine() override { calls.push_back("identityLine"); }
    void configurationRefreshed() override { calls.push_back("configurationRefreshed"); }
};

class AnswerDecoderTest : public ::testing::Test {
protected:
    AnswerDecoderTest() { hooks.live = &live; }

    void feed(const Frame &f, bool connected = true) { decoder.dispatch(f.data(), f.size(), connected); }
    static Frame liveFrame() { return Frame(Cmd::LiveData, LiveA); }

    Config_Record config;
    LiveTable live;
    STS_Record sts;
    EcuState state;
    RecordingSink sink;
    RecordingHooks hooks;
    std::vector<uint16_t> readings;
    // Distinct for every reading, so that a test sees exactly which word was looked up.
    AnswerDecoder decoder{config, live, sts, state,
                          [this](uint16_t r) {
                              readings.push_back(r);
                              return int16_t(int(r) - 400);
                          },
                          &sink, &hooks};
};

// ---- identity -------------------------------------------------------------------------------

Frame identityFrame(uint8_t protocol, const std::string &version, uint32_t gasMin, uint32_t petMin)
{
    Frame f(Cmd::Identity, IdentityA);
    f.set(3, protocol);
    f.text(4, "  QN-GAS 4CYL   ");   // name, 16 characters
    f.text(20, "12.03.2021");        // date, 10
    f.text(30, version);             // version, 4
    f.set(34, uint8_t(gasMin >> 16)).set(35, uint8_t(gasMin >> 8)).set(36, uint8_t(gasMin));
    f.set(37, uint8_t(petMin >> 16)).set(38, uint8_t(petMin >> 8)).set(39, uint8_t(petMin));
    f.set(40, 69).set(41, 142);
    f.sealed();
    return f;
}

TEST_F(AnswerDecoderTest, IdentityLengthAnswer)
{
    feed(Frame(Cmd::IdentityLength, 5).set(3, 39).sealed());
    EXPECT_EQ(state.identityLength, 39);
}

TEST_F(AnswerDecoderTest, IdentityWhileConnectingFillsEverything)
{
    feed(identityFrame(12, "4.35", 300, 69), false);
    EXPECT_EQ(config.ECU_Name, "QN-GAS 4CYL");
    EXPECT_EQ(config.ECU_Date, "12.03.2021");
    EXPECT_EQ(config.ECU_Version, "4.35");
    EXPECT_EQ(config.ECU_Gas, 300);
    EXPECT_EQ(config.ECU_Pet, 69);
    EXPECT_EQ(live.value(LV_WorkOnGas), 500);
    EXPECT_EQ(live.value(LV_WorkOnDiesel), 115);
    EXPECT_EQ(state.firmware, 435);
    EXPECT_EQ(state.protocol, 12);
    EXPECT_EQ(state.liveLength, 69);
    EXPECT_EQ(state.configLength, 142);
    EXPECT_TRUE(sink.shown.empty());
    EXPECT_TRUE(hooks.calls.empty());
}

TEST_F(AnswerDecoderTest, IdentityWhileConnectedOnlyUpdatesCounters)
{
    feed(identityFrame(12, "4.35", 300, 69), false);
    feed(identityFrame(3, "3.10", 0x010000, 120), true); // protocol 3 would be refused while connecting
    EXPECT_EQ(config.ECU_Version, "4.35");
    EXPECT_EQ(state.firmware, 435);
    EXPECT_EQ(state.protocol, 12);
    EXPECT_EQ(config.ECU_Gas, 65536);
    EXPECT_EQ(config.ECU_Pet, 120);
    EXPECT_EQ(live.value(LV_WorkOnGas), 109226); // 6553600 div 60
    EXPECT_EQ(live.value(LV_WorkOnDiesel), 200);
    EXPECT_TRUE(sink.shown.empty());
}

TEST_F(AnswerDecoderTest, OperatingHoursAreExactHundredths)
{
    struct Case { uint32_t minutes; int32_t hours; };
    // 69 and 123 minutes fall just short of the whole hundredth in floating point.
    const Case cases[] = {{0, 0}, {1, 1}, {59, 98}, {60, 100}, {69, 115}, {123, 205}, {300, 500},
                          {0xFFFFFF, 27962025}};
    for (const Case &c : cases) {
        feed(identityFrame(12, "4.35", c.minutes, c.minutes), true);
        EXPECT_EQ(live.value(LV_WorkOnGas), c.hours) << c.minutes;
        EXPECT_EQ(live.value(LV_WorkOnDiesel), c.hours) << c.minutes;
    }
}

TEST_F(AnswerDecoderTest, ProtocolOutsideTenToEighteenWarnsOfOldVersion)
{
    struct Case { uint8_t protocol; bool warned; };
    const Case cases[] = {{0, true}, {9, true}, {10, false}, {14, false}, {18, false}, {19, true},
                          {255, true}};
    for (const Case &c : cases) {
        sink.shown.clear();
        feed(identityFrame(c.protocol, "4.35", 0, 0), false);
        ASSERT_EQ(sink.shown.size(), c.warned ? 1u : 0u) << int(c.protocol);
        if (c.warned) {
            EXPECT_EQ(sink.shown[0].kind, MsgKind::OldVersion);
            EXPECT_EQ(sink.shown[0].key, "MSG_Old_Version");
            EXPECT_EQ(sink.shown[0].colour, MsgColour::Warning);
        }
        EXPECT_EQ(state.liveLength, 69) << "the lengths are taken whatever the protocol";
    }
}

TEST_F(AnswerDecoderTest, FirmwareNumberFromVersionText)
{
    struct Case { const char *version; uint16_t firmware; };
    const Case cases[] = {{"4.35", 435}, {"4.30", 430}, {"4.99", 499}, {"0.07", 7}, {"9.99", 999},
                          {"x.35", 0}, {"4.3a", 0}, {"4. 5", 0}, {"    ", 0}};
    for (const Case &c : cases) {
        state.firmware = 1234;
        state.liveLength = 0;
        feed(identityFrame(12, c.version, 0, 0), false);
        EXPECT_EQ(state.firmware, c.firmware) << c.version;
        EXPECT_EQ(state.liveLength, 69) << "an unreadable version still sets the lengths";
    }
    EXPECT_EQ(AnswerDecoder::firmwareNumber(QStringLiteral("4.3")), 0);
}

TEST_F(AnswerDecoderTest, IdentityNameTrimmedOfBlanksAndPadding)
{
    Frame f(Cmd::Identity, IdentityA);
    f.set(3, 12).text(4, "\t ECU ONE").text(30, "4.35"); // bytes 13..19 stay 0
    feed(f.sealed(), false);
    EXPECT_EQ(config.ECU_Name, "ECU ONE");
}

// ---- car number -----------------------------------------------------------------------------

TEST_F(AnswerDecoderTest, CarNumber)
{
    struct Case { std::vector<uint8_t> bytes; const char *number; };
    const Case cases[] = {
        {{0x41, 0x42, 0x31, 0x32, 0x00, 0x43}, "AB12"},
        {{0xFF, 0x41, 0x42}, ""},
        {{0x00, 0x41, 0x42}, ""},
        {{'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H'}, "ABCDEFGH"},
        {{'A', 'B', 0xFF, 'C', 'D'}, "AB"},
        {{' ', ' ', 'X', '9', ' ', ' ', ' ', ' '}, "X9"},
    };
    for (const Case &c : cases) {
        config.CAR_Numder = QStringLiteral("OLD");
        Frame f(Cmd::CarNumber, 11);
        for (size_t i = 0; i < c.bytes.size(); ++i)
            f.set(3 + int(i), c.bytes[i]);
        feed(f.sealed(), true);
        EXPECT_EQ(config.CAR_Numder, c.number);
    }
    EXPECT_TRUE(hooks.calls.empty()) << "no identity line while connected";
}

TEST_F(AnswerDecoderTest, CarNumberWhileConnectingShowsIdentityLine)
{
    feed(Frame(Cmd::CarNumber, 11).text(3, "AB12").sealed(), false);
    EXPECT_EQ(config.CAR_Numder, "AB12");
    EXPECT_EQ(hooks.calls, std::vector<std::string>{"identityLine"});
}

TEST_F(AnswerDecoderTest, CarNumberNeverReadsTheChecksum)
{
    // Eight characters fill bytes 3..10; byte 11 is the sum and not a ninth character.
    feed(Frame(Cmd::CarNumber, 11).text(3, "ABCDEFGH").sealed(), true);
    EXPECT_EQ(config.CAR_Numder, "ABCDEFGH");
}

// ---- live data ------------------------------------------------------------------------------

TEST_F(AnswerDecoderTest, GasInjectionTimeIsTheMeanOfActiveInjectors)
{
    struct Case { uint8_t mask, mode; uint16_t inj[4]; int32_t expected; };
    const Case cases[] = {
        {0x05, 4, {1200, 9999, 1300, 9999}, 125},
        {0x05, 1, {1200, 9999, 1300, 9999}, 0},
        {0x05, 2, {1200, 9999, 1300, 9999}, 0},
        {0x0F, 4, {1000, 2000, 3000, 4000}, 250},
        {0x08, 6, {9999, 9999, 9999, 4000}, 400},
        {0x00, 4, {1000, 2000, 3000, 4000}, 0},
        {0xF0, 4, {1000, 2000, 3000, 4000}, 0}, // no injector behind the upper bits
        {0x03, 4, {5, 4, 0, 0}, 0},             // 9 div 2 div 10
    };
    for (const Case &c : cases) {
        Frame f = liveFrame();
        f.set(3, c.mode).set(4, c.mask);
        for (int i = 0; i < 4; ++i)
            f.word(10 + 2 * i, 9 + 2 * i, c.inj[i]);
        feed(f.sealed());
        EXPECT_EQ(live.value(LV_GasTime), c.expected) << int(c.mask) << "/" << int(c.mode);
        EXPECT_EQ(state.modeByte, c.mode);
        EXPECT_EQ(state.injectorMask, c.mask);
    }
}

TEST_F(AnswerDecoderTest, EngineSpeedConversion)
{
    struct Case { uint8_t switch1; uint8_t div; int32_t source; uint16_t raw; int32_t expected; };
    const Case cases[] = {
        {0x80, 0, 30000000, 100, 0},          // no divider
        {0x80, 4, 30000000, 50, 7500},        // 50 * 600 div 4
        {0x80, 3, 0, 0xFFFF, 13107000},       // 65535 * 600 div 3
        {0x80, 200, 0, 21845, 0},             // 21845 * 600 div 200 = 0xFFFF: no reading
        {0x81, 7, 0, 100, 8571},              // other bits of the switch byte do not matter
        {0x00, 4, 30000000, 10000, 3000},     // source div raw
        {0x7F, 4, 30000000, 10000, 3000},
        {0x00, 4, 30000000, 0, 0},
        {0x00, 4, 30000000, 0xFFFF, 0},
        {0x00, 0, 65535000, 1000, 0},         // 65535 again
        {0x00, 0, 65535000, 7, 9362142},
    };
    for (const Case &c : cases) {
        config.Switch_byte_1 = c.switch1;
        config.RPM_Div = c.div;
        config.RPM_Source = c.source;
        feed(liveFrame().word(26, 25, c.raw).sealed());
        EXPECT_EQ(live.value(LV_RPM), c.expected) << int(c.switch1) << " " << c.raw;
    }
}

TEST_F(AnswerDecoderTest, ThrottleTemperatureBatteryDetonation)
{
    Frame f = liveFrame();
    f.word(48, 47, 1023).word(50, 49, 512).word(52, 51, 1);
    f.word(30, 29, 0x0405).word(32, 31, 0x0010).word(34, 33, 0x0200).word(36, 35, 818);
    f.word(42, 41, 0x0FFF).word(44, 43, 1023);
    feed(f.sealed());
    EXPECT_EQ(live.value(LV_TPS1), 500);
    EXPECT_EQ(live.value(LV_TPS2), 250);
    EXPECT_EQ(live.value(LV_TPS3), 0);
    EXPECT_EQ(readings, (std::vector<uint16_t>{0x0405, 0x0010, 0x0200}));
    EXPECT_EQ(live.value(LV_TVaporizer), 0x0405 - 400);
    EXPECT_EQ(live.value(LV_TGas), 0x0010 - 400);
    EXPECT_EQ(live.value(LV_TInside), 0x0200 - 400);
    EXPECT_EQ(live.value(LV_TCouple), 1000);
    EXPECT_EQ(live.value(LV_Battery), 2046);
    EXPECT_EQ(live.value(LV_Detonation), 500);

    feed(liveFrame().word(36, 35, 409).word(42, 41, 0x0123).word(44, 43, 2).sealed());
    EXPECT_EQ(live.value(LV_TCouple), 500);
    EXPECT_EQ(live.value(LV_Battery), 582);
    EXPECT_EQ(live.value(LV_Detonation), 0);
}

TEST_F(AnswerDecoderTest, CalculatorSignalAndLevelRawKept)
{
    feed(liveFrame().word(46, 45, 0x03FF).set(59, 0x34).set(60, 0xFE).set(5, 0x5A).sealed());
    EXPECT_EQ(state.calculatorSignal, 500);
    EXPECT_EQ(state.levelRaw, 0x234);
    EXPECT_EQ(state.statusByte, 0x5A);
}

TEST_F(AnswerDecoderTest, GasConsumptionByte)
{
    struct Case { uint8_t b; int32_t expected; };
    const Case cases[] = {{0x85, 5}, {0x05, 50}, {0x80, 0}, {0xFF, 127}, {0x7F, 1270}, {0, 0}};
    for (const Case &c : cases) {
        feed(liveFrame().set(68, c.b).sealed());
        EXPECT_EQ(live.value(LV_GasConsumption), c.expected) << int(c.b);
    }
}

TEST_F(AnswerDecoderTest, PressureSecondCalibration)
{
    state.firmware = 435;
    config.Pressure_1_Bar = 100; // not used by this firmware
    config.PS_PressVap_Fac = 300;
    config.PS_PressVap_Offset = -512;
    config.PS_PressColl_Fac = 100;
    config.PS_PressColl_Offset = 2560;

    // x = 0x500 and 0x3FF = 256: (256*300 - 512) div 256 = 298; (100*100 + 2560) div 256 = 49.
    feed(liveFrame().word(38, 37, 0x0500).word(40, 39, 100).sealed());
    EXPECT_EQ(live.value(LV_PVaporizer), 298);
    EXPECT_EQ(live.value(LV_PCollector), 49);
    EXPECT_EQ(live.value(LV_PDifferential), 249);

    // Negative results become 0; a zero reading is 0 whatever the offset would give.
    feed(liveFrame().word(38, 37, 1).word(40, 39, 0).sealed());
    EXPECT_EQ(live.value(LV_PVaporizer), 0);
    EXPECT_EQ(live.value(LV_PCollector), 0);
    config.PS_PressVap_Offset = -400000;
    feed(liveFrame().word(38, 37, 1023).word(40, 39, 300).sealed());
    EXPECT_EQ(live.value(LV_PVaporizer), 0);
    EXPECT_EQ(live.value(LV_PCollector), 127); // (30000 + 2560) div 256
    EXPECT_EQ(live.value(LV_PDifferential), -127);
}

TEST_F(AnswerDecoderTest, PressureFirstCalibration)
{
    state.firmware = 430;
    config.PS_PressVap_Fac = 300; // not used by this firmware
    struct Case { int32_t oneBar; uint16_t raw; int32_t expected; };
    const Case cases[] = {
        {100, 512, 2951},     // trunc(51200 / 17.348034 + 0.5)
        {250, 1023, 2359},
        {250, 0x07FF, 2359},  // only the low 10 bits count
        {0, 512, 0},
        {-5, 512, 0},
        {100, 0, 0},
    };
    for (const Case &c : cases) {
        config.Pressure_1_Bar = c.oneBar;
        feed(liveFrame().word(38, 37, c.raw).word(40, 39, c.raw).sealed());
        EXPECT_EQ(live.value(LV_PVaporizer), c.expected) << c.oneBar << " " << c.raw;
        EXPECT_EQ(live.value(LV_PCollector), c.expected);
        EXPECT_EQ(live.value(LV_PDifferential), 0);
    }
}

TEST_F(AnswerDecoderTest, VersionTextChoosesThePressureCalibration)
{
    config.Pressure_1_Bar = 100;
    config.PS_PressVap_Fac = 256;
    config.PS_PressVap_Offset = 0;

    feed(identityFrame(12, "4.35", 0, 0), false);
    feed(liveFrame().word(38, 37, 512).sealed());
    EXPECT_EQ(live.value(LV_PVaporizer), 512);

    feed(identityFrame(12, "4.30", 0, 0), false);
    feed(liveFrame().word(38, 37, 512).sealed());
    EXPECT_EQ(live.value(LV_PVaporizer), 2951);
}

TEST_F(AnswerDecoderTest, DieselThrottleQuantityRoundsHalvesToEven)
{
    struct Case { uint8_t flags, selector; uint16_t t1, t2, t3; int32_t P; };
    const Case cases[] = {
        {0x10, 1, 64, 0, 0, 638},      // 637.5
        {0x10, 2, 0, 192, 0, 1912},    // 1912.5
        {0x10, 4, 0, 0, 1023, 10190},
        {0x10, 1, 1, 7, 7, 10},        // 9.96
        {0x10, 3, 500, 500, 500, 0},   // no such input
        {0x10, 0, 500, 500, 500, 0},
        {0x00, 1, 500, 500, 500, 0},   // not a QN-M4 unit
    };
    for (const Case &c : cases) {
        config.Cut_Off_Flags = c.flags;
        config.CNP_Diesel_M4_In = c.selector;
        feed(liveFrame().word(48, 47, c.t1).word(50, 49, c.t2).word(52, 51, c.t3).sealed());
        EXPECT_EQ(state.dieselThrottle, c.P) << int(c.selector) << " " << c.t1;
    }
    // The quantity drives the consumption: 638 -> x = 63.8 (single) -> 642.
    config.Cut_Off_Flags = 0x10;
    config.CNP_Diesel_M4_In = 1;
    feed(liveFrame().set(3, 1).word(48, 47, 64).sealed());
    EXPECT_EQ(live.value(LV_DieselOnDiesel), 642);
}

TEST_F(AnswerDecoderTest, ConsumptionCostAndShareOnGas)
{
    // Signal 307 * 500 div 1023 = 150 -> Q = 355 with the default calibration.
    // Gas 50: cost 355 * 110 div 100 + 50 * 60 div 10 = 390 + 300; share trunc(35500 / 855) = 41.
    feed(liveFrame().set(3, 4).word(46, 45, 307).set(68, 0x05).sealed());
    EXPECT_EQ(live.value(LV_DieselOnGas), 355);
    EXPECT_EQ(live.value(LV_DieselOnDiesel), 0);
    EXPECT_EQ(live.value(LV_CostDiesel), 0);
    EXPECT_EQ(live.value(LV_CostGas), 690);
    EXPECT_EQ(live.value(LV_FuelShare), 41);
}

TEST_F(AnswerDecoderTest, ConsumptionCostAndShareOnDiesel)
{
    sts.FCC_CostD = 125;
    feed(liveFrame().set(3, 1).word(46, 45, 307).set(68, 0x05).sealed());
    EXPECT_EQ(live.value(LV_DieselOnDiesel), 355);
    EXPECT_EQ(live.value(LV_CostDiesel), 443); // 44375 div 100
    EXPECT_EQ(live.value(LV_DieselOnGas), 0);
    EXPECT_EQ(live.value(LV_CostGas), 0);
    EXPECT_EQ(live.value(LV_FuelShare), 100);
}

TEST_F(AnswerDecoderTest, ShareIsZeroWhenNothingIsConsumed)
{
    sts.FCC_Consump = 0; // not connected: Q = 0
    feed(liveFrame().set(3, 4).set(68, 0).sealed(), false);
    EXPECT_EQ(live.value(LV_DieselOnGas), 0);
    EXPECT_EQ(live.value(LV_FuelShare), 0);
}

TEST_F(AnswerDecoderTest, ConsumptionWhileConnectingIsTheCalibratedValue)
{
    feed(liveFrame().set(3, 1).word(46, 45, 1023).sealed(), false);
    EXPECT_EQ(live.value(LV_DieselOnDiesel), 700);
}

TEST_F(AnswerDecoderTest, SpeedFromThrottleInput)
{
    struct Case { uint8_t flags, selector; int32_t expected; };
    // T1 = 1023, T2 = 512, T3 = 100; 77 marks "unchanged".
    const Case cases[] = {
        {0x80, 1, 250}, {0x80, 2, 125}, {0x80, 4, 24}, {0x80, 3, 77}, {0x80, 0, 77},
        {0x00, 1, 0}, {0x7F, 1, 0},
    };
    for (const Case &c : cases) {
        live.setValue(LV_Speed, 77);
        config.Cut_Off_Flags = c.flags;
        config.Gas_TPS_Factor = c.selector;
        feed(liveFrame().word(48, 47, 1023).word(50, 49, 512).word(52, 51, 100).sealed());
        EXPECT_EQ(live.value(LV_Speed), c.expected) << int(c.flags) << " " << int(c.selector);
    }
}

TEST_F(AnswerDecoderTest, PerHundredKmUsesTheSpeedOfThePreviousAnswer)
{
    config.Cut_Off_Flags = 0x20 | 0x80;
    config.Gas_TPS_Factor = 1;
    live.setValue(LV_Speed, 100);
    const Frame f = liveFrame().set(3, 1).word(46, 45, 307).word(48, 47, 1023).sealed();
    feed(f);
    EXPECT_EQ(live.value(LV_DieselOnDiesel), 40); // 35 * 10 / 100 = 3.5
    EXPECT_EQ(live.value(LV_Speed), 250);
    feed(f);
    EXPECT_EQ(live.value(LV_DieselOnDiesel), 18); // 35 * 10 / 250 = 1.4 in single precision
}

TEST_F(AnswerDecoderTest, HooksRunInOrderAfterTheValues)
{
    config.RPM_Source = 30000000;
    feed(liveFrame().set(5, 0x21).word(26, 25, 10000).sealed(), true);
    EXPECT_EQ(hooks.calls, (std::vector<std::string>{"gasLevel", "remoteControl", "dashboard",
                                                     "status 33", "oscilloscope"}));
    EXPECT_EQ(hooks.rpmSeenByDashboard, 3000);

    hooks.calls.clear();
    feed(liveFrame().set(5, 0x21).sealed(), false);
    EXPECT_EQ(hooks.calls, (std::vector<std::string>{"gasLevel", "remoteControl", "dashboard",
                                                     "oscilloscope"}));
}

// ---- short answers --------------------------------------------------------------------------

TEST_F(AnswerDecoderTest, FieldsAtOrBeyondTheChecksumReadZero)
{
    // Every byte 0xFF, the buffer exactly A bytes long: the battery word (42, 41) only holds
    // what lies before byte A.
    struct Case { int A; int32_t battery; };
    const Case cases[] = {{3, 0}, {41, 0}, {42, 510}, {43, 2046}, {LiveA, 2046}};
    for (const Case &c : cases) {
        std::vector<uint8_t> answer(size_t(c.A), 0xFF);
        answer[0] = 0x69;
        answer[1] = Cmd::LiveData;
        decoder.dispatch(answer.data(), c.A, true);
        EXPECT_EQ(live.value(LV_Battery), c.battery) << c.A;
    }
}

TEST_F(AnswerDecoderTest, BytesBeyondTheAnnouncedLengthAreIgnored)
{
    // A 30-byte answer in a larger buffer: byte 30 is its checksum and bytes past it are left over
    // from elsewhere; the temperature word (30, 29) holds byte 29 only.
    std::vector<uint8_t> buffer(256, 0xEE);
    buffer[0] = 0x69;
    buffer[1] = Cmd::LiveData;
    buffer[28] = 0x10; // byte 29
    decoder.dispatch(buffer.data(), 30, true);
    ASSERT_FALSE(readings.empty());
    EXPECT_EQ(readings[0], 0x0010);
    EXPECT_EQ(live.value(LV_Battery), 0);
    EXPECT_EQ(live.value(LV_GasConsumption), 0);
}

TEST_F(AnswerDecoderTest, ShortAnswersOfEveryKindStayInsideTheirBuffer)
{
    const uint8_t commands[] = {Cmd::IdentityLength, Cmd::Identity, Cmd::LiveData,
                                Cmd::Configuration, Cmd::CarNumber};
    for (uint8_t cmd : commands) {
        for (int A = 0; A <= 8; ++A) {
            std::vector<uint8_t> answer(size_t(A), 0xFF);
            if (A > 0)
                answer[0] = 0x69;
            if (A > 1)
                answer[1] = cmd;
            decoder.dispatch(answer.data(), A, false);
            decoder.dispatch(answer.data(), A, true);
        }
    }
    decoder.dispatch(nullptr, 10, true);
    // A short identity reads zero counters and lengths; a short configuration zero fields.
    EXPECT_EQ(config.ECU_Gas, 0);
    EXPECT_EQ(state.liveLength, 0);
    EXPECT_EQ(config.Cut_Off_Flags, 0);
    EXPECT_TRUE(config.CAR_Numder.isEmpty());
    EXPECT_EQ(config.Switch_byte_1, 0xFF); // byte 7 of the last, 8-byte configuration answer
    EXPECT_EQ(config.Switch_byte_2, 0);    // byte 8 was its checksum
}

// ---- configuration --------------------------------------------------------------------------

Frame configurationFrame()
{
    Frame f(Cmd::Configuration, ConfigA);
    f.word(6, 5, 0x0102);
    f.set(7, 0x81).set(8, 0x82).set(9, 0x43).set(10, 0x84);
    f.word(14, 13, 0x1234);
    f.set(17, 6).set(18, 9);
    f.set(59, 5).set(60, 3);
    f.word(62, 61, 0xBEEF);
    f.word(64, 63, 100).word(66, 65, 200).word(68, 67, 300).word(70, 69, 400).word(72, 71, 1023);
    f.set(73, 0x23).set(74, 0x81); // offset -0x123
    f.word(76, 75, 0x0ABC);
    f.set(77, 0x00).set(78, 0x01); // offset +0x100
    f.set(135, 0xB3);
    f.set(141, 0xFC);
    f.sealed();
    return f;
}

TEST_F(AnswerDecoderTest, ConfigurationFields)
{
    state.firmware = 435;
    config.CNP_Fuel_Calc = true;
    config.CAR_Numder = QStringLiteral("AB12");
    feed(configurationFrame());
    EXPECT_EQ(config.Switch_byte_1, 0x81);
    EXPECT_EQ(config.Switch_byte_2, 0x82);
    EXPECT_EQ(config.Switch_byte_3, 0x43);
    EXPECT_EQ(config.Switch_byte_4, 0x84);
    EXPECT_EQ(config.RPM_Source, 4660000);
    EXPECT_EQ(config.RPM_Div, 6);
    EXPECT_EQ(config.GI_Div, 9);
    EXPECT_EQ(config.GLS_Type, 5);
    EXPECT_EQ(config.GLS_Options, 3);
    EXPECT_EQ(config.SWL_Etalon, 0xBEEF);
    EXPECT_EQ(config.GLS_Position[1], 100);
    EXPECT_EQ(config.GLS_Position[2], 200);
    EXPECT_EQ(config.GLS_Position[3], 300);
    EXPECT_EQ(config.GLS_Position[4], 400);
    EXPECT_EQ(config.GLS_Position[5], 1023);
    EXPECT_EQ(config.Cut_Off_Flags, 0xB3);
    EXPECT_EQ(config.Gas_TPS_Factor, 3);
    EXPECT_EQ(config.CNP_Diesel_M4_In, 4);
    EXPECT_TRUE(config.CNP_Fuel_Calc) << "fields not in the answer keep their values";
    EXPECT_EQ(config.CAR_Numder, "AB12");
    EXPECT_EQ(hooks.calls, std::vector<std::string>{"configurationRefreshed"});
}

TEST_F(AnswerDecoderTest, ConfigurationLayoutFollowsFirmware)
{
    struct Case { uint16_t firmware; bool second; };
    const Case cases[] = {{0, false}, {430, false}, {431, true}, {435, true}, {499, true},
                          {500, false}};
    for (const Case &c : cases) {
        config = Config_Record{};
        config.Pressure_1_Bar = 777;
        config.PS_PressVap_Fac = 1;
        config.PS_PressVap_Offset = 2;
        config.PS_PressColl_Fac = 3;
        config.PS_PressColl_Offset = 4;
        state.firmware = c.firmware;
        feed(configurationFrame());
        if (c.second) {
            EXPECT_EQ(config.Pressure_1_Bar, 777) << c.firmware;
            EXPECT_EQ(config.PS_PressVap_Fac, 0x0102);
            EXPECT_EQ(config.PS_PressVap_Offset, -0x123);
            EXPECT_EQ(config.PS_PressColl_Fac, 0x0ABC);
            EXPECT_EQ(config.PS_PressColl_Offset, 0x100);
        } else {
            EXPECT_EQ(config.Pressure_1_Bar, 0x0102) << c.firmware;
            EXPECT_EQ(config.PS_PressVap_Fac, 1);
            EXPECT_EQ(config.PS_PressVap_Offset, 2);
            EXPECT_EQ(config.PS_PressColl_Fac, 3);
            EXPECT_EQ(config.PS_PressColl_Offset, 4);
        }
        EXPECT_EQ(config.Cut_Off_Flags, 0xB3);
    }
}

// ---- answers without payload ----------------------------------------------------------------

TEST_F(AnswerDecoderTest, AnswersWithoutPayloadChangeNothing)
{
    const uint8_t commands[] = {Cmd::FuelMode, Cmd::LevelSensor, Cmd::WriteEnable,
                                Cmd::ConfigWrite, 0x00, 0x69};
    for (uint8_t cmd : commands) {
        // A payload that any decoder would notice.
        Frame f(cmd, ConfigA);
        for (int n = 3; n < ConfigA; ++n)
            f.set(n, uint8_t(n * 7 + 1));
        feed(f.sealed(), false);
        feed(Frame(cmd, 3).sealed(), true);
    }
    const LiveTable fresh;
    for (int i = 1; i <= LiveCount; ++i)
        EXPECT_EQ(live.value(i), fresh.value(i)) << i;
    EXPECT_EQ(config.Cut_Off_Flags, 0);
    EXPECT_EQ(config.RPM_Source, 0);
    EXPECT_TRUE(config.ECU_Name.isEmpty());
    EXPECT_TRUE(config.CAR_Numder.isEmpty());
    EXPECT_EQ(state.modeByte, 0);
    EXPECT_EQ(state.identityLength, 0);
    EXPECT_EQ(state.liveLength, 0);
    EXPECT_TRUE(hooks.calls.empty());
    EXPECT_TRUE(sink.shown.empty());
    EXPECT_TRUE(readings.empty());
}

} // namespace
} // namespace qn
