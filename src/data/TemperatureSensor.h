#pragma once
// The temperature senders that the ECU reads on its vaporizer, gas and inside-temperature inputs:
// a common automotive NTC thermistor (4.7 kOhm at 25 degC, beta 3950 K) on a 10-bit input with a
// 4.7 kOhm pull-up to the converter's reference. The shipped temperature table (qndiag.dat) is
// computed from this model, and the simulated ECU uses its inverse, so that both agree.

#include <cstdint>

namespace qn::ntc {

constexpr double R25 = 4700.0;      // ohm at 25 degC
constexpr double Beta = 3950.0;     // K
constexpr double RPullUp = 4700.0;  // ohm, to the reference voltage
constexpr int AdcMax = 1023;        // full-scale reading of the 10-bit input
constexpr int MinTenths = -400;     // -40.0 degC: open sender or colder
constexpr int MaxTenths = 1500;     // 150.0 degC: shorted sender or hotter

// Temperature in tenths of a degree for a 10-bit reading (0 .. 1023), clamped to the range above.
int16_t tenthsForReading(int reading);
// The 10-bit reading the input shows at a temperature in tenths of a degree.
int readingForTenths(int tenths);

} // namespace qn::ntc
