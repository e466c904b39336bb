#include "config/FuelCalc.h"
#include "ui/STS_Record.h"

#include <gtest/gtest.h>

#include <ostream>

namespace qn {
namespace {

struct FuelCase {
    const char *name;
    int32_t consump, speedCal, rpmCal; // FCC_Consump, FCC_Speed, FCC_RPM
    bool connected;
    uint8_t flags;
    int32_t signal, rpm, speed, P;
    int32_t expectedQ;
};

void PrintTo(const FuelCase &c, std::ostream *os) { *os << c.name; }

// Expected values worked out by hand: x = C*S/V or C*S*rpm/(N*V), x/10 for the throttle quantity,
// x*10/speed per 100 km, all held in single precision, then Q = trunc(x*10 + 5).
const FuelCase fuelCases[] = {
    {"defaults", 70, 300, 0, true, 0x00, 150, 0, 0, 0, 355},
    {"engine speed scaling", 70, 300, 2000, true, 0x00, 300, 3000, 0, 0, 1055},
    {"per 100 km while standing", 70, 300, 0, true, 0x20, 150, 0, 0, 0, 5},
    {"per 100 km, negative speed", 70, 300, 0, true, 0x20, 150, 0, -3, 0, 5},
    {"per 100 km at 50 km/h", 70, 300, 0, true, 0x20, 150, 0, 50, 0, 75},
    {"per 100 km at 250 km/h", 70, 300, 0, true, 0x20, 150, 0, 250, 0, 18}, // 1.4f < 1.4
    {"throttle quantity", 70, 300, 0, true, 0x10, 150, 3000, 0, 1234, 1239},
    {"throttle quantity in single precision", 70, 300, 0, true, 0x10, 0, 0, 0, 638, 642},
    {"throttle quantity per 100 km", 70, 300, 0, true, 0x30, 0, 0, 100, 1000, 105},
    {"not connected", 70, 300, 0, false, 0x00, 150, 3000, 50, 1234, 700},
    {"not connected ignores the flags", 85, 300, 0, false, 0x30, 150, 3000, 0, 1234, 850},
    {"products beyond 32 bits", 1000, 500, 5000, true, 0x00, 500, 5000, 0, 0, 10005},
    {"zero signal", 70, 300, 2000, true, 0x00, 0, 3000, 0, 0, 5},
};

class FuelCalcCases : public ::testing::TestWithParam<FuelCase> {};

TEST_P(FuelCalcCases, GivesHandComputedConsumption)
{
    const FuelCase &c = GetParam();
    STS_Record sts;
    sts.FCC_Consump = c.consump;
    sts.FCC_Speed = c.speedCal;
    sts.FCC_RPM = c.rpmCal;
    FuelCalcInputs in;
    in.connected = c.connected;
    in.cutOffFlags = c.flags;
    in.signal = c.signal;
    in.rpm = c.rpm;
    in.speed = c.speed;
    EXPECT_EQ(CalcDieselConsumption(c.P, in, sts), c.expectedQ) << c.name;
    EXPECT_EQ(sts.FCC_Speed, c.speedCal) << "a usable calibration is left alone";
}

INSTANTIATE_TEST_SUITE_P(Table, FuelCalcCases, ::testing::ValuesIn(fuelCases));

TEST(FuelCalc, ZeroCalibrationSignalBecomesTenInTheSettings)
{
    STS_Record sts;
    sts.FCC_Speed = 0;
    FuelCalcInputs in;
    in.connected = true;
    in.signal = 150;
    // 70 * 150 / 10 = 1050.
    EXPECT_EQ(CalcDieselConsumption(0, in, sts), 10505);
    EXPECT_EQ(sts.FCC_Speed, 10);
}

TEST(FuelCalc, ZeroCalibrationSignalKeptWhenNotUsed)
{
    FuelCalcInputs in;
    in.signal = 150;

    STS_Record offline;
    offline.FCC_Speed = 0;
    in.connected = false;
    EXPECT_EQ(CalcDieselConsumption(0, in, offline), 700);
    EXPECT_EQ(offline.FCC_Speed, 0);

    STS_Record throttle;
    throttle.FCC_Speed = 0;
    in.connected = true;
    in.cutOffFlags = 0x10;
    EXPECT_EQ(CalcDieselConsumption(500, in, throttle), 505);
    EXPECT_EQ(throttle.FCC_Speed, 0);
}

TEST(FuelCalc, AbsurdSettingsSaturateInsteadOfWrapping)
{
    STS_Record sts;
    sts.FCC_Consump = 2000000000;
    sts.FCC_Speed = 1;
    sts.FCC_RPM = 1;
    FuelCalcInputs in;
    in.connected = true;
    in.signal = 2000000000;
    in.rpm = 2000000000;
    EXPECT_EQ(CalcDieselConsumption(0, in, sts), INT32_MAX);

    in.connected = false;
    EXPECT_EQ(CalcDieselConsumption(0, in, sts), INT32_MAX); // 2e9 * 10 does not fit
}

} // namespace
} // namespace qn
