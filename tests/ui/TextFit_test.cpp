#include "ui/TextFit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace qn;

namespace {

// A fixed-width font: every character is half the point size wide, a line is the point size high.
// Wrapping breaks anywhere, so the height is the number of full-width lines times the line height.
class FixedWidthMeasure : public TextMeasure {
public:
    double width(const QString &text, int size) const override { return text.size() * size / 2.0; }
    double height(const QString &, int size) const override { return size; }
    double wrappedHeight(const QString &text, int size, double w) const override
    {
        const int perLine = std::max(1, static_cast<int>(std::floor(w / (size / 2.0))));
        const int lines = std::max<int>(1, (static_cast<int>(text.size()) + perLine - 1) / perLine);
        return lines * static_cast<double>(size);
    }
};

// A font whose lines stop getting taller above 10 points.
class SaturatingMeasure : public FixedWidthMeasure {
public:
    double height(const QString &, int size) const override { return std::min(size, 10); }
    double wrappedHeight(const QString &, int size, double) const override
    {
        return std::min(size, 10);
    }
};

const FixedWidthMeasure fixedWidth;

struct BoxCase {
    const char *text;
    double w, h;
    int start;
    int expected;
};

class BoxFit : public ::testing::TestWithParam<BoxCase> {};

TEST_P(BoxFit, FitsTheBox)
{
    const BoxCase &c = GetParam();
    EXPECT_EQ(boxFit(QString::fromLatin1(c.text), c.w, c.h, c.start, fixedWidth), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BoxFit,
    ::testing::Values(
        // Grows from 12 while the height and width fit strictly; at 18 the height no longer does.
        BoxCase{"00000", 60, 20, 12, 18},
        // Wide box, width-bound: 2.5 s + 6 < 40 holds up to s = 13.
        BoxCase{"00000", 40, 100, 12, 14},
        // Starting too large shrinks until both fit again.
        BoxCase{"00000", 60, 20, 30, 18},
        // A text that never fits shrinks to 6 and no further.
        BoxCase{"a status line far too long for the box", 60, 20, 20, 6},
        // Already below 6 and not fitting: left alone.
        BoxCase{"a status line far too long for the box", 60, 20, 5, 5},
        // An empty text keeps the settings size.
        BoxCase{"", 10, 10, 20, 20}));

TEST(BoxFitProperty, GrownSizeIsTheFirstThatNoLongerFitsStrictly)
{
    const QString text = QStringLiteral("00000");
    const int s = boxFit(text, 60, 20, 12, fixedWidth);
    const auto fitsStrictly = [&](int size) {
        return 20 > fixedWidth.height(text, size) + 2 && 60 > fixedWidth.width(text, size) + 6;
    };
    EXPECT_TRUE(fitsStrictly(s - 1));
    EXPECT_FALSE(fitsStrictly(s));
}

// The largest size whose label height stays below H, found by trying every size.
int largestBelow(const QString &text, double W, double H)
{
    int best = 0;
    for (int s = 1; s < 200; ++s) {
        const double d = fixedWidth.width(text, s) >= W ? fixedWidth.wrappedHeight(text, s, W)
                                                        : fixedWidth.height(text, s);
        if (d < H)
            best = s;
    }
    return best;
}

struct LabelCase {
    const char *text;
    double w, h;
    int current;
};

class LabelFits : public ::testing::TestWithParam<LabelCase> {};

TEST_P(LabelFits, GrowsToTheLargestSizeThatStaysInside)
{
    const LabelCase &c = GetParam();
    const QString text = QString::fromLatin1(c.text);
    const int expected = largestBelow(text, c.w, c.h);
    ASSERT_GT(expected, 6) << "case must be fittable above both minimums";
    EXPECT_EQ(textFit(text, c.w, c.h, c.current, fixedWidth), expected);
    EXPECT_EQ(labelFit(text, c.w, c.h, c.current, fixedWidth), expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, LabelFits,
                         ::testing::Values(LabelCase{"Gas", 200, 40, 8},   // one line, height-bound
                                           LabelCase{"Gas", 200, 40.5, 8}, // not on a boundary
                                           // wraps onto two lines once 20 chars exceed 100 px
                                           LabelCase{"Temperature of vapor", 100, 60, 10}));

TEST(LabelFits, ShrinksWhenStartedTooLarge)
{
    // One line of height s must stay within 20: the shrink stops at the first size not above it.
    EXPECT_EQ(textFit(QStringLiteral("Gas"), 200, 20, 40, fixedWidth), 20);
    EXPECT_EQ(labelFit(QStringLiteral("Gas"), 200, 20, 40, fixedWidth), 20);
}

TEST(LabelFits, NeverBelowTheirMinimums)
{
    const QString text = QStringLiteral("a text that cannot fit in a tiny box");
    for (int current : {1, 2, 3, 4, 6, 12, 30}) {
        SCOPED_TRACE(current);
        EXPECT_EQ(textFit(text, 5, 1, current, fixedWidth), 3);
        EXPECT_EQ(labelFit(text, 5, 1, current, fixedWidth), 6);
    }
}

TEST(LabelFits, TextFitStopsWhenTheHeightNoLongerGrows)
{
    const SaturatingMeasure saturating;
    // Heights 8, 9, 10, 10: growth stops at 11 and steps back to 10.
    EXPECT_EQ(textFit(QStringLiteral("Gas"), 200, 100, 8, saturating), 10);
}

TEST(Numbers, BitsSet)
{
    EXPECT_TRUE(bitsSet(0x37, 0x05));
    EXPECT_FALSE(bitsSet(0x32, 0x05));
    EXPECT_TRUE(bitsSet(0x00, 0x00));
    EXPECT_TRUE(bitsSet(0x1FF, 0xFF));
}

TEST(Numbers, Percentages)
{
    EXPECT_DOUBLE_EQ(percentOf(250, 30), 75.0);
    EXPECT_DOUBLE_EQ(percentOf(3, 50), 1.5);
    EXPECT_EQ(truncPercentOf(199, 50), 99);
    EXPECT_EQ(truncPercentOf(-199, 50), -99); // towards zero
    EXPECT_EQ(truncPercentOf(1000, 255), 2550);

    EXPECT_EQ(shareInPercent(0, 5), 0);
    EXPECT_EQ(shareInPercent(200, 50), 25);
    EXPECT_EQ(shareInPercent(3, 2), 66);
    EXPECT_EQ(shareInPercent(-3, 2), -66);
}

TEST(Numbers, SortByValue)
{
    std::vector<uint8_t> order{'a', 'b', 'c'};
    sortByValue({30, 10, 20}, order);
    EXPECT_EQ(order, (std::vector<uint8_t>{'b', 'c', 'a'}));

    // Ties keep their order.
    order = {1, 2, 3, 4};
    sortByValue({5, 0, 5, 0}, order);
    EXPECT_EQ(order, (std::vector<uint8_t>{2, 4, 1, 3}));

    // Values outside 0 .. 19999 are left out; the slots they leave stay cleared.
    order = {7, 8, 9, 10};
    sortByValue({20000, 3, -1, 19999}, order);
    EXPECT_EQ(order, (std::vector<uint8_t>{8, 10, 0, 0}));
}

} // namespace
