#pragma once
// Fitting the dashboard to the window: scaling the objects of a page or of the bottom panel into
// the space they have and pushing overlapping ones apart, fitting every page after a new layout,
// and rescaling everything when the window changes size. Pure geometry on the editor's boxes; the
// caller applies the resulting rectangles to its objects, rescales their elements from the factors
// given here, and saves and rebuilds the layout when told to.

#include "dashboard/edit/Snapping.h"

#include <QRectF>
#include <QSizeF>
#include <cstddef>
#include <optional>
#include <vector>

namespace qn {

// Height of the tab control's tab row, taken off the page area when a page is fitted.
inline constexpr double kTabRowHeight = 25.0;
// No object or element is made smaller than this, so a later rescale can always grow it back.
inline constexpr double kMinObjectSize = 1.0;

// What a fit needs to know about the window.
struct FitGeometry {
    QSizeF pageArea{0, 0};      // the tab pages' area
    QSizeF firstPageBox{0, 0};  // the scroll box of the first page: a fitted page is centred in it
    QSizeF bottomPanel{0, 0};   // the bottom panel
    QSizeF remoteControl{0, 0}; // the remote-control panel on the bottom panel; 0 x 0 when none
    int layoutSet = 1;    // active layout set, 1 or 2
    double offsetD = 4;   // GEN_OffsetD: the page margin, whether GEN_Offset is on or not
    double gap = 4;       // gapFor(GEN_Offset, GEN_OffsetD)
};

// The size a set is scaled to: for a tab page (1 to 5) the page area less the margins, the tab row
// and 60; for the bottom set (page 0) the bottom panel less the remote-control panel and 4.
QSizeF fitTarget(int page, const FitGeometry &geo);
// The area the fitted set is then centred in: for a tab page the first page's scroll box less 40
// in height, for the bottom set the bottom panel beside (set 1) or above (set 2) the remote control.
QSizeF fitCentringArea(int page, const FitGeometry &geo);

// One push-apart pass with the object at `pivot` of `set`: every other object that starts inside
// the pivot's span and lies beyond the pivot's starting right (bottom) edge is moved to just right
// of (below) the pivot, `gap` away. `start` holds the set's rectangles as they were before the fit.
// Returns whether any position changed.
bool pushApartPass(std::vector<QRectF> &set, const std::vector<QRectF> &start, size_t pivot,
                   double gap);

// A pass with `pivot`, then cycles of passes with every object as pivot in order, repeated while
// the last pass of a cycle moved something. Bounded: after maxPushCycles(set.size()) cycles it stops
// even if pushes still happen. Returns true when it came to rest, false when the bound stopped it.
bool pushApart(std::vector<QRectF> &set, const std::vector<QRectF> &start, size_t pivot,
               double gap);
size_t maxPushCycles(size_t objects);

struct FitResult {
    bool fitted = false; // false: empty set, no extent to scale, or no room; nothing was changed
    double fx = 1;       // width factor applied to every object of the set
    double fy = 1;       // height factor
    QSizeF target;
    bool settled = true; // every push-apart came to rest within its bound
};

// Fits the objects of `page` (0 = bottom set): each object's size is scaled by target / extent of
// the set (positions stay), overlapping neighbours are pushed apart after each, then the set is
// centred. The caller rescales the elements of every object of the set to its new size.
FitResult fitSet(std::vector<Box> &layout, int page, const FitGeometry &geo);

struct FitAllResult {
    int runLocSet = 1;   // the Run_Loc entry that becomes true (the active layout set)
    int pageIndex = -1;  // the new Page_Index and the tab to show afterwards; -1 keeps both
    bool rebuild = true; // write the layout file, clear the dashboard and build it again
};

// Fits every tab page and then the bottom set; a layout of a single object is centred alone and
// then the bottom set fitted. The layout is always written and rebuilt afterwards.
FitAllResult fitAllPages(std::vector<Box> &layout, const FitGeometry &geo);

// At start-up: when the active set's Run_Loc is still false, fits all pages and says what to set;
// otherwise leaves the layout alone and returns nothing.
std::optional<FitAllResult> firstRunFit(std::vector<Box> &layout, const FitGeometry &geo,
                                        bool runLocOfActiveSet);

// Sizes remembered between rescales: the page area and the bottom area (the bottom panel's width
// less the remote-control panel's width, and the bottom panel's height).
struct WindowSizes {
    QSizeF page{0, 0};
    QSizeF bottom{0, 0};
};
WindowSizes windowSizes(const QSizeF &pageArea, const QSizeF &bottomPanel,
                        double remoteControlWidth);

struct RescaleFactors {
    double fx = 1, fy = 1; // tab-page objects
    double bx = 1, by = 1; // bottom-panel objects
};

// The factors from the remembered to the current sizes. An axis whose remembered or current size is
// zero or less (a window not laid out or minimised to nothing) keeps factor 1.
RescaleFactors rescaleFactors(const WindowSizes &remembered, const WindowSizes &now);

// After a move, resize, maximise or restore of the window: scales every object's size by the
// factors of its set, and its x and y only when they are beyond 4 so that objects at an edge stay
// there; then remembers the current sizes (an axis of zero or less keeps the remembered value).
// Returns the factors used; the caller rescales each object's elements to its new size.
RescaleFactors rescaleToWindow(std::vector<Box> &layout, WindowSizes &remembered,
                               const WindowSizes &now);

// An object's elements follow its size: their design geometry (width, height, x, y in the active
// set) is multiplied by the object's size over its design size; a design size of 0 counts as 1.
struct ElementScale {
    double fx = 1, fy = 1;
};
ElementScale elementScale(const QSizeF &objectDesign, const QSizeF &objectNow);
QRectF scaleElement(const QRectF &elementDesign, const ElementScale &scale);

} // namespace qn
