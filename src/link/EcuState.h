#pragma once
// Values the answer decoder keeps beside the live-value table: the lengths announced by the
// identity answers (the request builders size the expected answers from them), the firmware
// number, and the bytes of the last live-data answer that other units read.

#include <cstdint>

namespace qn {

struct EcuState {
    uint8_t identityLength = 0; // byte 3 of the identity-length answer
    uint8_t liveLength = 0;     // byte 40 of the identity answer read while connecting
    uint8_t configLength = 0;   // byte 41 of that answer
    uint16_t firmware = 0;      // version text d.dd read as d*100 + dd
    uint8_t protocol = 0;       // byte 3 of the identity answer
    uint8_t modeByte = 0;       // live-data byte 3: 1, 2 or 4 (bit 0x04: gas)
    uint8_t injectorMask = 0;   // live-data byte 4
    uint8_t statusByte = 0;     // live-data byte 5, for the status indicators
    int32_t calculatorSignal = 0; // Word(46,45) * 500 div 1023, hundredths of a volt
    int32_t levelRaw = 0;         // Word(60 and 3, 59), 10 bits
    int32_t dieselThrottle = 0;   // P, the diesel throttle quantity of the last answer
    uint8_t swlState = 0;         // software level sensor state byte
};

// The second pressure calibration and configuration layout belong to firmware 4.31 .. 4.99.
constexpr bool secondCalibration(uint16_t firmware) { return firmware >= 431 && firmware <= 499; }

} // namespace qn
