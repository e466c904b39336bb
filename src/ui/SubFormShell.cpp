#include "ui/SubFormShell.h"

#include "ui/TextFit.h"

#include <QString>

#include <algorithm>
#include <array>
#include <cmath>

namespace qn::subform {

namespace {

constexpr std::array<int, KindCount + 1> MinimumWidths{0,   180, 180, 300, 200, 300,
                                                       300, 180, 300, 300, 300, 300};

// Header, panel margins and the list's frame above and below the list.
constexpr double ListOverhead = 52;
// Panel margins on both sides and the list's frame beside it.
constexpr int WidthOverhead = 12;
constexpr double ItemTextExtra = 50;  // room for the "more" arrow and the row's padding
constexpr double RadioTextExtra = 20; // room for the radio button's indicator
constexpr double HeaderExtra = 2;
constexpr double ExtraItemHeight = 20; // rows with a detail line below their text

int truncClamped(double v)
{
    if (!std::isfinite(v) || v < 0)
        return 0;
    return static_cast<int>(std::trunc(std::min(v, 1.0e9)));
}

int capHeight(double listHeight)
{
    return std::min(truncClamped(listHeight + ListOverhead), MaxClientHeight);
}

double headerWidth(int kind, double headerTextWidth)
{
    return std::max(static_cast<double>(minimumWidth(kind)), headerTextWidth + HeaderExtra);
}

} // namespace

int minimumWidth(int kind)
{
    return hasFinalFit(kind) ? MinimumWidths[static_cast<size_t>(kind)] : 0;
}

double textHeight(const TextMeasure &m, const QString &text, int pointSize)
{
    return m.height(text, pointSize) + 2;
}

double textWidth(const TextMeasure &m, const QString &text, int pointSize, double extra)
{
    return m.width(text, pointSize) + extra;
}

double rowHeight(const TextMeasure &m, int pointSize)
{
    return textHeight(m, QStringLiteral("ABCD"), pointSize) + 2;
}

int listRows(int kind, int itemCount, bool bluetoothItemHidden)
{
    if (kind == KindCON && bluetoothItemHidden)
        return 3;
    return itemCount;
}

ListSize sizeAsList(int kind, double headerTextWidth, const std::vector<double> &itemTextWidths,
                    double h, bool bluetoothItemHidden)
{
    ListSize r;
    double w = headerWidth(kind, headerTextWidth);
    r.itemHeight = kind == KindSEL ? h : h + ExtraItemHeight;
    for (double tw : itemTextWidths)
        w = std::max(w, tw + ItemTextExtra);
    const int rows = listRows(kind, static_cast<int>(itemTextWidths.size()), bluetoothItemHidden);
    r.listHeight = rows * r.itemHeight + rows;
    r.clientWidth = truncClamped(w) + WidthOverhead;
    r.clientHeight = capHeight(r.listHeight);
    return r;
}

ListSize sizeColourList(double headerTextWidth, int colourCount)
{
    ListSize r;
    const double w = headerWidth(KindSEL, headerTextWidth);
    r.itemHeight = ColourRowHeight;
    r.listHeight = static_cast<double>(ColourRowHeight) * std::max(0, colourCount);
    r.clientWidth = truncClamped(w) + WidthOverhead;
    r.clientHeight = capHeight(r.listHeight);
    return r;
}

ListSize sizeRadioList(double headerTextWidth, const std::vector<double> &buttonTextWidths,
                       double h)
{
    ListSize r;
    double w = std::max<double>(headerWidth(KindSEL, headerTextWidth), SelectionMinWidth);
    r.itemHeight = h;
    for (double tw : buttonTextWidths)
        w = std::max(w, tw + RadioTextExtra);
    const double n = static_cast<double>(buttonTextWidths.size());
    r.listHeight = n * h + n;
    r.clientWidth = truncClamped(w) + WidthOverhead;
    r.clientHeight = capHeight(r.listHeight);
    return r;
}

FinalFitResult finalFit(const FinalFitInput &in)
{
    FinalFitResult r;
    int ch = in.clientHeight;
    int cw = in.clientWidth;
    // Let the form grow until its list no longer needs to scroll.
    if (in.needsScrollBar) {
        while (ch < MaxClientHeight && in.needsScrollBar(ch))
            ++ch;
    }
    ch += 2;
    r.naturalHeight = ch + in.frameHeight;
    if (ch > in.mainClientHeight)
        ch = in.mainClientHeight;
    r.scrollBar = in.needsScrollBar && in.needsScrollBar(ch);
    if (r.scrollBar)
        cw += in.scrollBarWidth;
    cw = std::min(cw, in.mainClientWidth);
    r.clientWidth = cw;
    r.clientHeight = ch;
    r.naturalWidth = cw + in.frameWidth;
    r.left = placeLeft(in.main, r.naturalWidth);
    return r;
}

Rect place(const Rect &main, const Rect &form)
{
    return Rect{placeLeft(main, form.width), main.top, form.width, form.height};
}

Rect followMainWindow(const Rect &main, int naturalWidth, int naturalHeight)
{
    Rect r;
    // Never wider or higher than the main window, otherwise back to the form's own size; the
    // position follows from the new width so that the right edges meet.
    r.width = std::min(naturalWidth, main.width);
    r.height = std::min(naturalHeight, main.height);
    r.left = placeLeft(main, r.width);
    r.top = main.top;
    return r;
}

} // namespace qn::subform
