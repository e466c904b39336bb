#pragma once
// Measuring and fitting texts: the font size at which a text fills a box, a text element or a
// label. The rules are arithmetic on measurements; the measurements come from the platform
// (QtTextMeasure in the program, a fixed-width fake in tests), so the rules run without a display.

#include <QString>
#include <cstdint>
#include <vector>

namespace qn {

// Measurements in pixels of a text in the program font (family and style fixed by the measurer)
// at a point size.
class TextMeasure {
public:
    virtual ~TextMeasure() = default;
    // Width and height of one line of text, without any margin.
    virtual double width(const QString &text, int pointSize) const = 0;
    virtual double height(const QString &text, int pointSize) const = 0;
    // Height of the text wrapped at the given width (a single line when it fits).
    virtual double wrappedHeight(const QString &text, int pointSize, double width) const = 0;
};

// The font size at which text fills a box of W x H pixels, starting from startSize (the settings'
// FNT_Size): grows while it fits, else shrinks down to 6 at most. An empty text gives startSize.
int boxFit(const QString &text, double W, double H, int startSize, const TextMeasure &m);
// The font size for a text element W x H starting from its current size: at least 3.
int textFit(const QString &text, double W, double H, int currentSize, const TextMeasure &m);
// The same for a label, at least 6.
int labelFit(const QString &text, double W, double H, int currentSize, const TextMeasure &m);

// Numeric helpers shared by the forms.
constexpr bool bitsSet(uint32_t a, uint8_t b) { return (a & b) == b; }
inline double percentOf(double x, double p) { return x * p / 100.0; }
int truncPercentOf(double x, uint8_t p);
// trunc(part * 100 / total), 0 for a total of 0.
int shareInPercent(double total, double part);
// Reorders order[0..n] so that their values ascend; values outside 0 .. 19999 are left out.
void sortByValue(std::vector<int> values, std::vector<uint8_t> &order);

} // namespace qn
