#pragma once
// Diesel consumption estimate of a dual-fuel engine. The ECU does not measure the diesel flow, so
// the consumption Q is scaled from the user's calibration at a steady 100 km/h (consumption,
// calculator signal and engine speed at that moment) by the current signal and engine speed, or,
// on a QN-M4 diesel unit, taken from the throttle quantity P that the unit puts on a throttle input.

#include <cstdint>

namespace qn {

struct STS_Record;

// What the estimate reads from the link and the last live-data answer.
struct FuelCalcInputs {
    bool connected = false;  // the link is up
    uint8_t cutOffFlags = 0; // Config_Record::Cut_Off_Flags: 0x10 P from a throttle input, 0x20 per 100 km
    int32_t signal = 0;      // calculator signal S, hundredths of a volt
    int32_t rpm = 0;         // live value 1
    int32_t speed = 0;       // live value 22, km/h
};

// Q in hundredths of a litre (or m3) per hour, or per 100 km with bit 0x20, from the throttle
// quantity P (hundredths). A calibration signal of 0 in the settings is replaced by 10 in the
// settings themselves, so that the next save stores the usable value. While the link is down the
// result is the calibrated consumption itself.
int32_t CalcDieselConsumption(int32_t P, const FuelCalcInputs &in, STS_Record &sts);

} // namespace qn
