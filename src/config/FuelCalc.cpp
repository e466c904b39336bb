#include "config/FuelCalc.h"

#include "config/Config_Record.h"
#include "ui/STS_Record.h"

#include <cmath>
#include <initializer_list>
#include <limits>

namespace qn {

namespace {

// Integer product of the factors. The calibration products reach beyond 32 bits with ordinary
// settings (100 L/100 km x 5.00 V x 5000 rpm is 2.5e9), so they are formed in 64 bits, which holds
// every value the page and the ECU can produce exactly; only for absurd factors (a hand-edited
// settings file) does the product fall back to floating point instead of overflowing.
double product(std::initializer_list<int64_t> factors)
{
    int64_t exact = 1;
    double approx = 1.0;
    bool overflowed = false;
    for (int64_t f : factors) {
        approx *= static_cast<double>(f);
        if (!overflowed && __builtin_mul_overflow(exact, f, &exact))
            overflowed = true;
    }
    return overflowed ? approx : static_cast<double>(exact);
}

int32_t truncateToInt32(double v)
{
    if (!(v == v)) // NaN
        return 0;
    if (v >= static_cast<double>(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    if (v <= static_cast<double>(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v); // truncates toward zero
}

} // namespace

int32_t CalcDieselConsumption(int32_t P, const FuelCalcInputs &in, STS_Record &sts)
{
    if (!in.connected)
        return truncateToInt32(static_cast<double>(sts.FCC_Consump) * 10.0);

    // x is kept in single precision between the steps, as the consumption is shown with two
    // decimals at most and the ECU's own figures are computed that way.
    float x;
    if (hasBits(in.cutOffFlags, 0x10)) {
        x = static_cast<float>(P / 10.0);
    } else {
        if (sts.FCC_Speed == 0)
            sts.FCC_Speed = 10;
        const int64_t C = sts.FCC_Consump;
        const int64_t V = sts.FCC_Speed;
        const int64_t N = sts.FCC_RPM;
        const int64_t S = in.signal;
        if (N != 0)
            x = static_cast<float>(product({C, S, in.rpm}) / product({N, V}));
        else
            x = static_cast<float>(product({C, S}) / static_cast<double>(V));
    }

    if (hasBits(in.cutOffFlags, 0x20)) {
        if (in.speed <= 0)
            x = 0.0f;
        else
            x = static_cast<float>(static_cast<double>(x) * 10.0 / in.speed);
    }

    return truncateToInt32(static_cast<double>(x) * 10.0 + 5.0);
}

} // namespace qn
