#include "ui/TextFit.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace qn {

namespace {

// A measurer whose sizes stop growing (a broken font, an invisible text) must not keep the growing
// loops running; no screen text gets anywhere near this size.
constexpr int MaxFitSize = 1000;
constexpr int TextFitMinimum = 3;
constexpr int LabelFitMinimum = 6;
constexpr int BoxFitMinimum = 6;

// The height of a label holding text at size: one line while it is narrower than maxWidth, wrapped
// at maxWidth once it reaches it.
double labelMeasure(const QString &text, int size, double maxWidth, const TextMeasure &m)
{
    if (m.width(text, size) >= maxWidth)
        return m.wrappedHeight(text, size, maxWidth);
    return m.height(text, size);
}

int fitLabel(const QString &text, double W, double H, int currentSize, const TextMeasure &m,
             bool stopOnEqualHeight, int minimum)
{
    int s = currentSize;
    double d = labelMeasure(text, s, W, m);
    while (H > d && s < MaxFitSize) {
        ++s;
        const double next = labelMeasure(text, s, W, m);
        if (stopOnEqualHeight && next == d)
            break;
        d = next;
    }
    --s;
    while (s > minimum && H < labelMeasure(text, s, W, m))
        --s;
    return std::max(s, minimum);
}

int truncToInt(double v)
{
    if (!std::isfinite(v))
        return 0;
    const double t = std::trunc(v);
    if (t >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (t <= static_cast<double>(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return static_cast<int>(t);
}

} // namespace

int boxFit(const QString &text, double W, double H, int startSize, const TextMeasure &m)
{
    if (text.isEmpty())
        return startSize;
    int s = startSize;
    double th = m.height(text, s);
    double tw = m.width(text, s);
    if (th + 4 <= H && tw + 6 <= W) {
        // Grow until the text no longer fits strictly; that size is the result.
        while (H > th + 2 && W > tw + 6 && s < MaxFitSize) {
            ++s;
            th = m.height(text, s);
            tw = m.width(text, s);
        }
        return s;
    }
    while ((H < th + 2 || W < tw + 6) && s > BoxFitMinimum) {
        --s;
        th = m.height(text, s);
        tw = m.width(text, s);
    }
    return s;
}

int textFit(const QString &text, double W, double H, int currentSize, const TextMeasure &m)
{
    return fitLabel(text, W, H, currentSize, m, true, TextFitMinimum);
}

int labelFit(const QString &text, double W, double H, int currentSize, const TextMeasure &m)
{
    return fitLabel(text, W, H, currentSize, m, false, LabelFitMinimum);
}

int truncPercentOf(double x, uint8_t p) { return truncToInt(x * p / 100.0); }

int shareInPercent(double total, double part)
{
    if (total == 0)
        return 0;
    return truncToInt(part * 100.0 / total);
}

void sortByValue(std::vector<int> values, std::vector<uint8_t> &order)
{
    const std::vector<uint8_t> kept = order;
    std::fill(order.begin(), order.end(), uint8_t{0});
    const size_t n = std::min(values.size(), kept.size());
    size_t slot = 0;
    for (size_t round = 0; round < kept.size(); ++round) {
        size_t best = n;
        for (size_t j = 0; j < n; ++j) {
            if (values[j] < 0 || values[j] >= 20000)
                continue;
            if (best == n || values[j] < values[best])
                best = j;
        }
        if (best == n)
            break; // no value left in range: the remaining slots stay cleared
        order[slot++] = kept[best];
        values[best] = -1;
    }
}

} // namespace qn
