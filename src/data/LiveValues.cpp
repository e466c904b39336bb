#include "data/LiveValues.h"

#include "ui/Language.h"

#include <cmath>
#include <limits>

namespace qn {

namespace {

struct LiveParam {
    const char *longKey;
    const char *shortKey;
    int32_t maximum;
    int32_t decimals;
};

enum class Unit { None, Volt, Ms, Celsius, Bar, Percent, Consumption, Money, KmH, Hours };

struct NameUnit {
    LiveParam param;
    Unit unit;
};

// Index 0 is unused; 25 is the oscilloscope object's name and has no live entry.
constexpr NameUnit Table[OscilloscopeIndex + 1] = {
    {{"", "", 0, 0}, Unit::None},
    {{"RPM", "RPM", 8000, 0}, Unit::None},
    {{"TPS 1", "TPS 1", 500, 2}, Unit::Volt},
    {{"TPS 2", "TPS 2", 500, 2}, Unit::Volt},
    {{"TPS 3", "TPS 3", 500, 2}, Unit::Volt},
    {{"Gas", "Gas", 3200, 2}, Unit::Ms},
    {{"Temperature_Vaporize", "T.Vaporizer", 1500, 1}, Unit::Celsius},
    {{"Temperature_Gas", "T.Gas", 1500, 1}, Unit::Celsius},
    {{"Temperature_Couple", "T.Couple", 1000, 0}, Unit::Celsius},
    {{"Temperature_ECU", "T.Inside", 1500, 1}, Unit::Celsius},
    {{"Pressure_Vaporizer", "P.Vaporizer", 400, 2}, Unit::Bar},
    {{"Pressure_Collector", "P.Collector", 400, 2}, Unit::Bar},
    {{"Pressure_Differential", "P.Differential", 400, 2}, Unit::Bar},
    {{"Battery_Voltage", "Power", 2000, 2}, Unit::Volt},
    {{"Detonation", "Detonation", 500, 2}, Unit::Volt},
    {{"Gas_Level", "Gas_Level", 100, 0}, Unit::Percent},
    {{"Fuel_Consumption", "Fuel_Consumption", 100, 0}, Unit::Percent},
    {{"Fuel_Consump_Gas", "Fuel_Consump_Gas", 300, 1}, Unit::Consumption},
    {{"Fuel_Consump_DD", "F.MDD", 5000, 2}, Unit::Consumption},
    {{"Fuel_Consump_DG", "F.MDG", 5000, 2}, Unit::Consumption},
    {{"Fuel_Cost_MD", "F.CMD", 3000, 2}, Unit::Money},
    {{"Fuel_Cost_MG", "F.CMG", 3000, 2}, Unit::Money},
    {{"Speed", "Speed", 250, 0}, Unit::KmH},
    {{"Work_On_Gas", "W.On_Gas", 60000, 2}, Unit::Hours},
    {{"Work_On_Diesel", "W.On_Diesel", 60000, 2}, Unit::Hours},
    {{"Oscilloscope", "Oscilloscope", 0, 0}, Unit::None},
};

bool hasName(int index) { return index >= 1 && index <= OscilloscopeIndex; }

QString translated(int index, const char *key, const Language &lang)
{
    const QString k = QString::fromLatin1(key);
    return nameIsLiteral(index) ? k : lang.text(k);
}

QString withUnit(QString name, const QString &unit)
{
    if (!unit.isEmpty())
        name += QStringLiteral(", ") + unit;
    return name;
}

// Writes the decimal digits of v (most significant first) at p; returns the end.
char *putDigits(char *p, uint64_t v, int minDigits = 1)
{
    char tmp[24];
    int n = 0;
    do {
        tmp[n++] = char('0' + v % 10);
        v /= 10;
    } while (v != 0);
    while (n < minDigits)
        tmp[n++] = '0';
    while (n > 0)
        *p++ = tmp[--n];
    return p;
}

int digitCount(uint64_t v)
{
    int n = 1;
    while (v >= 10) {
        v /= 10;
        ++n;
    }
    return n;
}

uint64_t pow10u(int n)
{
    uint64_t p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

constexpr int SignificantDigits = 5;

} // namespace

void LiveTable::reset()
{
    m_entries[0] = LiveEntry{};
    for (int i = 1; i <= LiveCount; ++i) {
        const LiveParam &s = Table[i].param;
        m_entries[size_t(i)].maximum = s.maximum;
        m_entries[size_t(i)].decimals = s.decimals;
        // Until the first answer the dashboard shows every value at full scale, except the two
        // operating-time counters.
        m_entries[size_t(i)].value = (i == LV_WorkOnGas || i == LV_WorkOnDiesel) ? 0 : s.maximum;
    }
}

bool nameIsLiteral(int index) { return index >= LV_TPS1 && index <= LV_TPS3; }

QString longNameKey(int index)
{
    return hasName(index) ? QString::fromLatin1(Table[index].param.longKey) : QString();
}

QString shortNameKey(int index)
{
    return hasName(index) ? QString::fromLatin1(Table[index].param.shortKey) : QString();
}

QString longName(int index, const Language &lang)
{
    return hasName(index) ? translated(index, Table[index].param.longKey, lang) : QString();
}

QString shortName(int index, const Language &lang)
{
    return hasName(index) ? translated(index, Table[index].param.shortKey, lang) : QString();
}

QString unitText(int index, const Language &lang, bool perHundredKm)
{
    if (!hasName(index))
        return QString();
    const ReadyStrings &r = lang.ready();
    switch (Table[index].unit) {
    case Unit::None: return QString();
    case Unit::Volt: return r.DIM_Volt;
    case Unit::Ms: return r.DIM_ms;
    case Unit::Celsius: return QStringLiteral("\u00B0C");
    case Unit::Bar: return r.DIM_Bar;
    case Unit::Percent: return QStringLiteral("%");
    case Unit::Consumption: return perHundredKm ? r.DIM_L_m3_100km : r.DIM_L_m3_H;
    case Unit::Money: return r.DIM_Money;
    case Unit::KmH: return r.DIM_km_H;
    case Unit::Hours: return r.DIM_H;
    }
    return QString();
}

QString longNameWithUnit(int index, const Language &lang, bool perHundredKm)
{
    return withUnit(longName(index, lang), unitText(index, lang, perHundredKm));
}

QString shortNameWithUnit(int index, const Language &lang, bool perHundredKm)
{
    return withUnit(shortName(index, lang), unitText(index, lang, perHundredKm));
}

int powerOfTen(int n)
{
    // Saturates instead of overflowing: no caller needs more than 10^4.
    if (n <= 0)
        return 1;
    int p = 1;
    for (int i = 0; i < n && i < 9; ++i)
        p *= 10;
    return p;
}

// Fixed notation with exactly `decimals` decimals after rounding to five significant digits, half
// away from zero, done on the exact decimal digits of the quotient so that no binary rounding
// creeps in and no locale is consulted. When the rounded integer part has more than five digits
// the text is in scientific notation: the five significant digits without trailing zeros, "E",
// the sign and the exponent without leading zeros, e.g. 1234567.8 -> "1.2346E+6".
QString formatValue(int32_t raw, int32_t divisor, int decimals)
{
    const int64_t div = divisor == 0 ? 1 : divisor;
    const int64_t q = int64_t(raw) / div; // 64-bit: INT32_MIN / -1 must not overflow
    const int d = decimals < 0 ? 0 : (decimals > 4 ? 4 : decimals);

    char buf[48];
    char *p = buf;
    if (q < 0)
        *p++ = '-';
    uint64_t m = q < 0 ? uint64_t(-q) : uint64_t(q);
    if (d == 0) {
        p = putDigits(p, m);
        return QString::fromLatin1(buf, p - buf);
    }

    // m stands for m / 10^d; keep its five leading digits.
    const int nd = digitCount(m);
    if (nd > SignificantDigits) {
        const uint64_t step = pow10u(nd - SignificantDigits);
        m = (m + step / 2) / step * step;
    }
    const uint64_t scale = pow10u(d);
    const uint64_t intPart = m / scale;
    if (intPart < pow10u(SignificantDigits)) {
        p = putDigits(p, intPart);
        *p++ = '.';
        p = putDigits(p, m % scale, d);
        return QString::fromLatin1(buf, p - buf);
    }

    const int nr = digitCount(m); // the rounding may have carried into a new digit
    uint64_t mantissa = m / pow10u(nr - SignificantDigits);
    int mantDigits = SignificantDigits;
    while (mantDigits > 1 && mantissa % 10 == 0) {
        mantissa /= 10;
        --mantDigits;
    }
    char digits[8];
    putDigits(digits, mantissa, mantDigits);
    *p++ = digits[0];
    if (mantDigits > 1) {
        *p++ = '.';
        for (int i = 1; i < mantDigits; ++i)
            *p++ = digits[i];
    }
    *p++ = 'E';
    *p++ = '+';
    p = putDigits(p, uint64_t(nr - 1 - d));
    return QString::fromLatin1(buf, p - buf);
}

QString normaliseSeparator(QString text)
{
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    return text;
}

int64_t integerPart(double x)
{
    // NaN and values beyond the 64-bit range have no integer part to convert; they saturate.
    if (x == 0.0 || std::isnan(x))
        return 0;
    const double t = std::trunc(x);
    if (t >= 9.2233720368547758e18)
        return std::numeric_limits<int64_t>::max();
    if (t <= -9.2233720368547758e18)
        return std::numeric_limits<int64_t>::min();
    return int64_t(t);
}

} // namespace qn
