#pragma once
// Geometry of the dashboard editor: snapping a dropped object to its neighbours, the guide lines
// around the selection frame, and centring or lining up the objects of a page. Pure arithmetic on
// rectangles in page-area pixels, so the dashboard model calls it with its own objects and a test
// calls it with plain boxes.

#include <QRectF>
#include <QSizeF>
#include <vector>

namespace qn {

// One dashboard object as the editor's geometry sees it: its index in the object list, the page it
// sits on (0 = bottom panel, 1 to 5 = tab pages, any other stored number is kept as it is) and its
// rectangle in the active layout set.
struct Box {
    int id = 0;
    int page = 1;
    QRectF rect;
};

// Nominal height of the bottom panel that the page arrangement adds to the page area's height.
inline constexpr double kBottomPanelNominalHeight = 44.0;

// The gap kept between snapped, stacked and pushed-apart objects: GEN_OffsetD when GEN_Offset is
// on, otherwise none.
double gapFor(bool offsetOn, double offsetD);

struct SnapParams {
    double reach = 20; // GEN_SnapG: a distance counts only when its absolute value is below this
    double gap = 4;    // gapFor(GEN_Offset, GEN_OffsetD)
};

// Snaps the dropped selection frame to the objects of `page` other than `selectedId`, taken in
// list order: first to the neighbours above and below (moving y, and x when the left edges are
// within reach), then, from that result, to the neighbours left and right (moving x, and y when
// the top edges are within reach). Between two neighbours in reach the frame is centred with equal
// gaps. Returns the snapped frame; the caller clamps it to its page.
QRectF snapFrame(QRectF frame, const std::vector<Box> &layout, int page, int selectedId,
                 const SnapParams &params);

// The four 1-pixel guide lines around the frame: vertical lines at its left and right edges as
// high as the page area, horizontal lines at its top and bottom edges as wide as the page area.
struct GuideLines {
    QRectF left, right, top, bottom;
};
GuideLines guideLines(const QRectF &frame, const QSizeF &pageArea);

// A lone object centred in W x (H + 44) of the page area. An area that is not laid out yet (zero
// or negative size) leaves the rectangle unchanged.
QRectF centredAlone(const QRectF &rect, const QSizeF &pageArea);

// Moves the objects of `page` as a group so that their bounding box is centred in `area`; their
// arrangement among themselves is kept. Returns whether anything moved. An empty page, or an area
// that is not laid out, leaves everything in place.
bool centreGroup(std::vector<Box> &layout, int page, const QSizeF &area);

// Stacks the objects of `page` in one column centred in `area`, top to bottom in the order of
// their y (equal y in list order; an object above the page's top edge counts as being at 0), with
// `gap` between them. Returns whether anything moved.
bool lineUp(std::vector<Box> &layout, int page, const QSizeF &area, double gap);

enum class PageArrangement { Centre, LineUp };

struct ArrangeResult {
    bool changed = false;   // some object moved: the layout is to be saved
    bool fitBottom = false; // the bottom panel's objects are to be fitted to the bottom panel next
};

// The page-level "Center" and "LineUp" buttons (the caller drops the selection first): nothing
// on an empty layout; a layout of exactly one object centres that object alone wherever it sits;
// otherwise the objects of `page` are centred or lined up in W x (H + 44) of the page area and the
// bottom set is to be fitted afterwards.
ArrangeResult arrangePage(std::vector<Box> &layout, int page, PageArrangement how,
                          const QSizeF &pageArea, double gap);

} // namespace qn
