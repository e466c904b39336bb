#include "data/TemperatureSensor.h"

#include <algorithm>
#include <cmath>

namespace qn::ntc {

namespace {
constexpr double T25 = 298.15;
}

int16_t tenthsForReading(int reading)
{
    reading = std::clamp(reading, 0, AdcMax);
    if (reading == 0)
        return MaxTenths;
    if (reading == AdcMax)
        return MinTenths;
    // Divider: reading / AdcMax = R / (R + RPullUp).
    const double r = RPullUp * reading / double(AdcMax - reading);
    const double kelvin = 1.0 / (1.0 / T25 + std::log(r / R25) / Beta);
    const double tenths = std::round((kelvin - 273.15) * 10.0);
    return int16_t(std::clamp(tenths, double(MinTenths), double(MaxTenths)));
}

int readingForTenths(int tenths)
{
    tenths = std::clamp(tenths, MinTenths, MaxTenths);
    const double kelvin = tenths / 10.0 + 273.15;
    const double r = R25 * std::exp(Beta * (1.0 / kelvin - 1.0 / T25));
    const double reading = std::round(AdcMax * r / (r + RPullUp));
    return std::clamp(int(reading), 1, AdcMax - 1);
}

} // namespace qn::ntc
