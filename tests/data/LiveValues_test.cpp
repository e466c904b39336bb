#include "data/LiveValues.h"

#include "ui/Language.h"
#include "ui/STS_Record.h"

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace qn {
namespace {

TEST(LiveValuesFormat, TableOfCases)
{
    const struct {
        int32_t raw;
        int32_t divisor;
        int decimals;
        const char *text;
    } cases[] = {
        {1234, 1, 2, "12.34"},
        {1234, 1, 0, "1234"},
        {-5, 1, 1, "-0.5"},
        {123456, 1, 2, "1234.60"}, // five significant digits, then padded to the decimals
        {0, 1, 2, "0.00"},
        {7, 1, 3, "0.007"},
        {1, 1, 4, "0.0001"},
        {-1, 1, 4, "-0.0001"},
        {5, 0, 1, "0.5"},          // divisor 0 counts as 1
        {1239, 10, 1, "12.3"},     // raw div divisor first, truncating
        {-1239, 10, 1, "-12.3"},   // toward zero
        {1239, 10, 0, "123"},
        {-1239, 10, 0, "-123"},
        {1239, -10, 0, "-123"},
        {12345, 1, 7, "1.2345"},   // decimals clamped to 4
        {12345, 1, -3, "12345"},   // and to 0
        {123455, 1, 2, "1234.60"}, // exact decimal half rounds away from zero
        {-123455, 1, 2, "-1234.60"},
        {123454, 1, 2, "1234.50"},
        {1234550, 1, 2, "12346.00"},
        {9999949, 1, 2, "99999.00"},
        {9999950, 1, 2, "1E+5"},   // rounding carries into a sixth integer digit
        {10000000, 1, 2, "1E+5"},
        {12345678, 1, 1, "1.2346E+6"},
        {-12345678, 1, 1, "-1.2346E+6"},
        {12000000, 1, 1, "1.2E+6"},
        {std::numeric_limits<int32_t>::max(), 1, 2, "2.1475E+7"},
        {std::numeric_limits<int32_t>::min(), 1, 4, "-2.1475E+5"},
        {std::numeric_limits<int32_t>::min(), -1, 0, "2147483648"}, // no overflow
        {1234567, 1, 0, "1234567"}, // integers are never in scientific notation
        {60000, 1, 2, "600.00"},
        {3200, 1, 2, "32.00"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(formatValue(c.raw, c.divisor, c.decimals), QString::fromLatin1(c.text))
            << c.raw << " / " << c.divisor << " with " << c.decimals;
}

TEST(LiveValuesFormat, PointWhateverTheLocale)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(formatValue(1234, 1, 2), "12.34");
    EXPECT_EQ(formatValue(12345678, 1, 1), "1.2346E+6");
    QLocale::setDefault(saved);
}

TEST(LiveValuesFormat, Helpers)
{
    EXPECT_EQ(normaliseSeparator("1,5;2,25"), "1.5;2.25");
    EXPECT_EQ(normaliseSeparator("12.5"), "12.5");

    const struct {
        int n;
        int p;
    } powers[] = {{0, 1}, {1, 10}, {2, 100}, {4, 10000}, {-1, 1}, {9, 1000000000}, {12, 1000000000}};
    for (const auto &c : powers)
        EXPECT_EQ(powerOfTen(c.n), c.p) << c.n;

    EXPECT_EQ(integerPart(0.0), 0);
    EXPECT_EQ(integerPart(2.99), 2);
    EXPECT_EQ(integerPart(-2.99), -2);
    EXPECT_EQ(integerPart(-0.5), 0);
    EXPECT_EQ(integerPart(1e10), 10000000000LL);
    EXPECT_EQ(integerPart(std::nan("")), 0);
    EXPECT_EQ(integerPart(1e300), std::numeric_limits<int64_t>::max());
    EXPECT_EQ(integerPart(-1e300), std::numeric_limits<int64_t>::min());
}

TEST(LiveValuesTable, StartValues)
{
    const struct {
        int index;
        int32_t maximum;
        int32_t decimals;
    } expected[] = {
        {1, 8000, 0},  {2, 500, 2},   {3, 500, 2},   {4, 500, 2},   {5, 3200, 2},  {6, 1500, 1},
        {7, 1500, 1},  {8, 1000, 0},  {9, 1500, 1},  {10, 400, 2},  {11, 400, 2},  {12, 400, 2},
        {13, 2000, 2}, {14, 500, 2},  {15, 100, 0},  {16, 100, 0},  {17, 300, 1},  {18, 5000, 2},
        {19, 5000, 2}, {20, 3000, 2}, {21, 3000, 2}, {22, 250, 0},  {23, 60000, 2}, {24, 60000, 2},
    };
    LiveTable t;
    for (const auto &e : expected) {
        SCOPED_TRACE(e.index);
        EXPECT_EQ(t[e.index].maximum, e.maximum);
        EXPECT_EQ(t[e.index].decimals, e.decimals);
        // Full scale until the first answer, except the operating-time counters.
        EXPECT_EQ(t.value(e.index), e.index >= 23 ? 0 : e.maximum);
    }

    t.setValue(LV_RPM, 850);
    t[LV_GasLevel].maximum = 200;
    t.setValue(0, 5);  // out of range: reaches the scratch entry only
    t.setValue(25, 5);
    EXPECT_EQ(t.value(LV_RPM), 850);
    t.reset();
    EXPECT_EQ(t.value(LV_RPM), 8000);
    EXPECT_EQ(t[LV_GasLevel].maximum, 100);
}

class LiveNamesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        sts.Run_App = true;
    }
    void useRussian()
    {
        QFile f(dir.path() + QStringLiteral("/Russian.lng"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("[LNG]\nGas=Газ\nRPM=Обороты\nPressure_Vaporizer=Давление в редукторе\n"
                               "DIM_Bar=бар\nDIM_L_m3_H=л(м3)/ч\nDIM_L_m3_100km=л(м3)/100км\n")
                    .toUtf8());
        f.close();
        sts.Language = QStringLiteral("Russian");
        lang.RefreshReadyStrings();
    }

    QTemporaryDir dir;
    STS_Record sts;
    Language lang{sts, dir.path(), QStringLiteral("en")};
};

TEST_F(LiveNamesTest, NameKeys)
{
    EXPECT_EQ(longNameKey(1), "RPM");
    EXPECT_EQ(shortNameKey(6), "T.Vaporizer");
    EXPECT_EQ(shortNameKey(13), "Power");
    EXPECT_EQ(longNameKey(18), "Fuel_Consump_DD");
    EXPECT_EQ(shortNameKey(21), "F.CMG");
    EXPECT_EQ(longNameKey(25), "Oscilloscope");
    EXPECT_TRUE(longNameKey(0).isEmpty());
    EXPECT_TRUE(shortNameKey(26).isEmpty());
    EXPECT_TRUE(longNameKey(-3).isEmpty());
    for (int i = 1; i <= 25; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(nameIsLiteral(i), i >= 2 && i <= 4);
        if (!nameIsLiteral(i)) {
            EXPECT_GE(Language::builtInIndex(longNameKey(i)), 0);
            EXPECT_GE(Language::builtInIndex(shortNameKey(i)), 0);
        }
    }
}

TEST_F(LiveNamesTest, NamesWithUnits)
{
    const struct {
        int index;
        const char *longText;
        const char *shortText;
    } cases[] = {
        {1, "R.P.M.", "R.P.M."}, // no unit, no comma
        {2, "TPS 1, Volt", "TPS 1, Volt"},
        {5, "Gas, ms", "Gas, ms"},
        {6, "Vaporizer temperature, \u00B0C", "T vaporizer, \u00B0C"},
        {10, "Vaporizer pressure, Bar", "P vaporizer, Bar"},
        {13, "Battery voltage, Volt", "Power, Volt"},
        {15, "Gas level, %", "Gas level, %"},
        {17, "Gas consumption, L(m3)/h", "Gas consumption, L(m3)/h"},
        {20, "Mode diesel. Fuel cost, Money", "Cost on diesel, Money"},
        {22, "Speed, km/h", "Speed, km/h"},
        {24, "Operating time on diesel, h", "Hours on diesel, h"},
        {25, "Oscilloscope", "Oscilloscope"},
        {0, "", ""},
        {26, "", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(longNameWithUnit(c.index, lang, false), QString::fromUtf8(c.longText));
        EXPECT_EQ(shortNameWithUnit(c.index, lang, false), QString::fromUtf8(c.shortText));
    }
}

TEST_F(LiveNamesTest, TranslatedNamesAndUnitsButLiteralThrottles)
{
    useRussian();
    EXPECT_EQ(longName(5, lang), QStringLiteral("Газ"));
    EXPECT_EQ(longNameWithUnit(1, lang, false), QStringLiteral("Обороты"));
    EXPECT_EQ(longNameWithUnit(10, lang, false), QStringLiteral("Давление в редукторе, бар"));
    EXPECT_EQ(longName(3, lang), "TPS 2");
    EXPECT_EQ(unitText(6, lang, false), QStringLiteral("\u00B0C"));
    EXPECT_EQ(unitText(16, lang, true), "%");
}

TEST_F(LiveNamesTest, ConsumptionUnitFollowsTheFlag)
{
    for (int i : {17, 18, 19}) {
        SCOPED_TRACE(i);
        EXPECT_EQ(unitText(i, lang, false), "L(m3)/h");
        EXPECT_EQ(unitText(i, lang, true), QStringLiteral("L(м3)/100km"));
    }
    // Only the consumption values change with it.
    EXPECT_EQ(unitText(16, lang, true), "%");
    EXPECT_EQ(unitText(20, lang, true), "Money");
    EXPECT_TRUE(unitText(1, lang, true).isEmpty());

    useRussian();
    EXPECT_EQ(unitText(18, lang, false), QStringLiteral("л(м3)/ч"));
    EXPECT_EQ(shortNameWithUnit(18, lang, true), QStringLiteral("Diesel on diesel, л(м3)/100км"));
}

} // namespace
} // namespace qn
