#pragma once
// The connected ECU's identity and configuration, as read by the identity, car-number and
// configuration answers. One instance per program run; the configuration pages change a few fields
// before writing them back to the ECU.

#include <QString>
#include <array>
#include <cstdint>

namespace qn {

struct Config_Record {
    QString CAR_Numder;   // up to 8 characters, blanks trimmed
    QString ECU_Name;     // up to 16 characters, blanks trimmed
    QString ECU_Version;  // 4 characters, for example "4.35"
    QString ECU_Date;     // 10 characters
    int32_t ECU_Gas = 0;  // minutes on gas (24-bit counter of the ECU)
    int32_t ECU_Pet = 0;  // minutes on petrol or diesel
    int32_t Pressure_1_Bar = 0;
    uint8_t Switch_byte_1 = 0;
    uint8_t Switch_byte_2 = 0;
    uint8_t Switch_byte_3 = 0; // bit 0x40: fuel consumption calculator enabled in the ECU
    uint8_t Switch_byte_4 = 0;
    int32_t RPM_Source = 0;    // the ECU's 16-bit value times 1000
    uint8_t RPM_Div = 0;
    uint8_t GI_Div = 0;
    uint8_t GLS_Type = 0;      // 1: always 100 %, 5: software level sensor, other: five level marks
    uint8_t GLS_Options = 0;   // bit 0x01: inverted sensor
    bool CNP_Fuel_Calc = false;
    uint16_t SWL_Etalon = 0;
    std::array<uint16_t, 6> GLS_Position{}; // indexes 1..5 are used
    uint8_t Cut_Off_Flags = 0; // 0x10 diesel from a throttle input, 0x20 per 100 km, 0x80 speed input
    uint8_t Gas_TPS_Factor = 0;
    uint8_t CNP_Diesel_M4_In = 0;
    int32_t PS_PressVap_Fac = 0;
    int32_t PS_PressVap_Offset = 0;
    int32_t PS_PressColl_Fac = 0;
    int32_t PS_PressColl_Offset = 0;
};

// A value has bit m when (value AND m) equals m.
constexpr bool hasBits(uint32_t value, uint32_t mask) { return (value & mask) == mask; }

} // namespace qn
