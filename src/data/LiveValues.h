#pragma once
// The live-value table: 24 scaled integers (value in raw units = real value x 10^decimals) with
// their full-scale maxima, written by the answer decoder after every live-data answer and read by
// everything that shows or records values. Names, units and the number formatter are here too.

#include <QString>
#include <array>
#include <cstdint>

namespace qn {

class Language;

struct LiveEntry {
    int32_t maximum = 0;
    int32_t decimals = 0;
    int32_t value = 0;
};

constexpr int LiveCount = 24;
constexpr int OscilloscopeIndex = 25; // a name only, used by the dashboard's oscilloscope object

// Indexes of the live values by meaning (1-based, as in the table).
enum LiveIndex {
    LV_RPM = 1, LV_TPS1, LV_TPS2, LV_TPS3, LV_GasTime, LV_TVaporizer, LV_TGas, LV_TCouple,
    LV_TInside, LV_PVaporizer, LV_PCollector, LV_PDifferential, LV_Battery, LV_Detonation,
    LV_GasLevel, LV_FuelShare, LV_GasConsumption, LV_DieselOnDiesel, LV_DieselOnGas,
    LV_CostDiesel, LV_CostGas, LV_Speed, LV_WorkOnGas, LV_WorkOnDiesel
};

class LiveTable {
public:
    LiveTable() { reset(); }
    // Start values: every maximum and decimals from the table, values at their maximum except the
    // two operating times, which start at 0.
    void reset();

    // index 1..24; out-of-range indexes reach a scratch entry that is never read as a value.
    LiveEntry &operator[](int index) { return m_entries[inRange(index) ? index : 0]; }
    const LiveEntry &operator[](int index) const { return m_entries[inRange(index) ? index : 0]; }
    int32_t value(int index) const { return (*this)[index].value; }
    void setValue(int index, int32_t v) { (*this)[index].value = v; }

    static bool inRange(int index) { return index >= 1 && index <= LiveCount; }

private:
    std::array<LiveEntry, LiveCount + 1> m_entries{};
};

// Text keys (or literals) of the names, by index 1..25; empty outside.
QString longNameKey(int index);
QString shortNameKey(int index);
// Whether the name of index is a literal that is not translated (TPS 1..3).
bool nameIsLiteral(int index);

// Translated names and units. perHundredKm chooses the consumption unit of indexes 17..19: true
// while the link is connected and the ECU reports bit 0x20 in Cut_Off_Flags. Units come from the
// language's ready strings (current after Language::RefreshReadyStrings); names are looked up in
// the tables, so hold a Language::Session around a burst of names.
QString longName(int index, const Language &lang);
QString shortName(int index, const Language &lang);
QString unitText(int index, const Language &lang, bool perHundredKm);
QString longNameWithUnit(int index, const Language &lang, bool perHundredKm);
QString shortNameWithUnit(int index, const Language &lang, bool perHundredKm);

// 10^n for n >= 0, 1 otherwise (16-bit, as the table needs only 1, 10 and 100).
int powerOfTen(int n);
// The text of a live value: raw div divisor, shown with the given decimals, "." as separator.
QString formatValue(int32_t raw, int32_t divisor, int decimals);
// Replaces every "," by ".".
QString normaliseSeparator(QString text);
// 0 for 0, otherwise the integer part of x (truncated toward zero).
int64_t integerPart(double x);

} // namespace qn
