#pragma once
// Sizing and placing the pop-up forms: every secondary form is sized to its list, kept within the
// main window, and sits at the main window's top right. The rules are arithmetic on sizes that the
// form measures; TForm_Shell applies them to the widgets.

#include <QString>
#include <functional>
#include <vector>

namespace qn {

class TextMeasure;

namespace subform {

// Sub-form kinds; the kind of the last sized form is what the final fit acts on.
enum Kind {
    KindABT = 1, KindCOL, KindCON, KindCFG, KindFNT, KindGDS, KindSEL, KindSET, KindGDP,
    KindOMR, KindOSC
};
constexpr int KindCount = 11;

// The final fit runs as this event of the event queue, this long after the sizing, once the
// toolkit has laid the form out.
constexpr int FinalFitEvent = 10;
constexpr int FinalFitDelayMs = 50;

constexpr int MaxClientHeight = 1080;
// Geometry of the shell's standard parts.
constexpr int PanelMargin = 4;
constexpr int HeaderHeight = 44;
constexpr int HeaderMargin = 2;
constexpr int CloseButtonWidth = 40;
constexpr int ItemHeight = 44;       // a list row before the sizing sets its height
constexpr int ColourRowHeight = 19;  // a row of the colour list
constexpr int SelectionMinWidth = 180;

// Minimum width of a form of the kind; 0 for a number that is no kind.
int minimumWidth(int kind);
// Only the eleven kinds get a final fit.
constexpr bool hasFinalFit(int kind) { return kind >= 1 && kind <= KindCount; }

// Height of a text in the measuring font, with the 2 pixels a label adds.
double textHeight(const TextMeasure &m, const QString &text, int pointSize);
// Width of a text in the measuring font plus extra.
double textWidth(const TextMeasure &m, const QString &text, int pointSize, double extra = 0);
// The row height h of the lists: the text height of "ABCD" plus 2.
double rowHeight(const TextMeasure &m, int pointSize);

// The number of rows a list of kind counts: its items, except the connection form, which counts 3
// while its Bluetooth item is hidden.
int listRows(int kind, int itemCount, bool bluetoothItemHidden);

struct ListSize {
    double itemHeight = 0; // each item's (or radio button's) height
    double listHeight = 0;
    int clientWidth = 0;
    int clientHeight = 0;
};

// A form with a list box. headerTextWidth and itemTextWidths are text widths in the measuring
// font (without extras); h is rowHeight().
ListSize sizeAsList(int kind, double headerTextWidth, const std::vector<double> &itemTextWidths,
                    double h, bool bluetoothItemHidden = false);
// The selection form with its colour list.
ListSize sizeColourList(double headerTextWidth, int colourCount);
// The selection form with its radio buttons (the final fit follows at once, not through the queue).
ListSize sizeRadioList(double headerTextWidth, const std::vector<double> &buttonTextWidths,
                       double h);

struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Rect &) const = default;
};

struct FinalFitInput {
    int clientWidth = 0;
    int clientHeight = 0;
    // Form size minus client size: 0 for a frameless form.
    int frameWidth = 0;
    int frameHeight = 0;
    // Whether the scroll box shows its vertical scroll bar at this client height of the form.
    std::function<bool(int clientHeight)> needsScrollBar;
    // The room the scroll bar takes from the scroll box when it shows.
    int scrollBarWidth = 0;
    Rect main; // the main window
    int mainClientWidth = 0;
    int mainClientHeight = 0;
};

struct FinalFitResult {
    int clientWidth = 0;
    int clientHeight = 0;
    int left = 0;
    // The form's own size, kept for following the main window: the height before it is held to
    // the main window, the width after.
    int naturalWidth = 0;
    int naturalHeight = 0;
    bool scrollBar = false; // the list still scrolls at the final height
};

FinalFitResult finalFit(const FinalFitInput &in);

// Left edge that puts the form's right edge on the main window's right edge.
constexpr int placeLeft(const Rect &main, int formWidth)
{
    return main.left + main.width - formWidth;
}
// Position of a form being shown: top right of the main window; the size is left as it is.
Rect place(const Rect &main, const Rect &form);

// An open form after the main window has moved or changed size: glued to its top right, as wide
// and high as its natural size but never larger than the main window once it has reached it.
Rect followMainWindow(const Rect &main, int naturalWidth, int naturalHeight);

} // namespace subform
} // namespace qn
