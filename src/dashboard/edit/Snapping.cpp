#include "dashboard/edit/Snapping.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace qn {

namespace {

// A rectangle as plain numbers, so that the horizontal snap pass can reuse the vertical one on
// swapped axes.
struct Geo {
    double x, y, w, h;
};

Geo toGeo(const QRectF &r) { return {r.x(), r.y(), r.width(), r.height()}; }
QRectF toRect(const Geo &g) { return QRectF(g.x, g.y, g.w, g.h); }
Geo swapped(const Geo &g) { return {g.y, g.x, g.h, g.w}; }

// Snaps s to its neighbours above and below; the other axis only lines up left edges.
void snapVertical(Geo &s, const std::vector<Geo> &candidates, double reach, double gap)
{
    const Geo *below = nullptr; // the neighbour under s
    const Geo *above = nullptr;
    double a = 0;
    double b = 0;
    for (const Geo &o : candidates) {
        const double right = o.x + o.w;
        const bool overlaps = (o.x >= s.x && o.x < s.x + s.w) || (right > s.x && right < s.x + s.w);
        if (!overlaps)
            continue;
        const double toBelow = o.y - (s.y + s.h);
        if (std::abs(toBelow) < reach && (!below || std::abs(toBelow) < std::abs(a))) {
            below = &o;
            a = toBelow;
        }
        const double toAbove = s.y - (o.y + o.h);
        if (std::abs(toAbove) < reach && (!above || std::abs(toAbove) < std::abs(b))) {
            above = &o;
            b = toAbove;
        }
    }
    if (below && above) {
        // Equal gaps on both sides; the configured gap does not apply between two neighbours.
        const double m = (a + b) / 2;
        s.y = below->y - m - s.h;
    } else if (below) {
        s.y = below->y - gap - s.h;
        if (std::abs(below->x - s.x) < reach)
            s.x = below->x;
    } else if (above) {
        s.y = above->y + above->h + gap;
        if (std::abs(s.x - above->x) < reach)
            s.x = above->x;
    }
}

bool laidOut(const QSizeF &area) { return area.width() > 0 && area.height() > 0; }

} // namespace

double gapFor(bool offsetOn, double offsetD) { return offsetOn ? offsetD : 0.0; }

QRectF snapFrame(QRectF frame, const std::vector<Box> &layout, int page, int selectedId,
                 const SnapParams &params)
{
    std::vector<Geo> candidates;
    for (const Box &box : layout)
        if (box.page == page && box.id != selectedId)
            candidates.push_back(toGeo(box.rect));
    if (candidates.empty())
        return frame;

    Geo s = toGeo(frame);
    snapVertical(s, candidates, params.reach, params.gap);

    for (Geo &c : candidates)
        c = swapped(c);
    Geo t = swapped(s);
    snapVertical(t, candidates, params.reach, params.gap);
    return toRect(swapped(t));
}

GuideLines guideLines(const QRectF &frame, const QSizeF &pageArea)
{
    GuideLines g;
    g.left = QRectF(frame.x(), 0, 1, pageArea.height());
    g.right = QRectF(frame.x() + frame.width(), 0, 1, pageArea.height());
    g.top = QRectF(0, frame.y(), pageArea.width(), 1);
    g.bottom = QRectF(0, frame.y() + frame.height(), pageArea.width(), 1);
    return g;
}

QRectF centredAlone(const QRectF &rect, const QSizeF &pageArea)
{
    if (!laidOut(pageArea))
        return rect;
    QRectF r = rect;
    r.moveTo((pageArea.width() - r.width()) / 2,
             (pageArea.height() + kBottomPanelNominalHeight - r.height()) / 2);
    return r;
}

bool centreGroup(std::vector<Box> &layout, int page, const QSizeF &area)
{
    if (!laidOut(area))
        return false;
    // The true bounding box of the group, whatever coordinates a hand-edited layout holds.
    double minX = std::numeric_limits<double>::max();
    double minY = std::numeric_limits<double>::max();
    double maxR = std::numeric_limits<double>::lowest();
    double maxB = std::numeric_limits<double>::lowest();
    bool any = false;
    for (const Box &box : layout) {
        if (box.page != page)
            continue;
        any = true;
        minX = std::min(minX, box.rect.x());
        minY = std::min(minY, box.rect.y());
        maxR = std::max(maxR, box.rect.x() + box.rect.width());
        maxB = std::max(maxB, box.rect.y() + box.rect.height());
    }
    if (!any)
        return false;
    const double dy = (area.height() - maxB + minY) / 2 - minY;
    const double dx = (area.width() - maxR + minX) / 2 - minX;
    if (dx == 0 && dy == 0)
        return false;
    for (Box &box : layout)
        if (box.page == page)
            box.rect.translate(dx, dy);
    return true;
}

bool lineUp(std::vector<Box> &layout, int page, const QSizeF &area, double gap)
{
    if (!laidOut(area))
        return false;
    std::vector<size_t> order;
    double totalHeight = 0;
    for (size_t i = 0; i < layout.size(); ++i) {
        if (layout[i].page != page)
            continue;
        order.push_back(i);
        totalHeight += layout[i].rect.height();
    }
    if (order.empty())
        return false;
    // Every object of the page takes part exactly once; one above the top edge sorts as if at 0.
    std::stable_sort(order.begin(), order.end(), [&](size_t l, size_t r) {
        return std::max(0.0, layout[l].rect.y()) < std::max(0.0, layout[r].rect.y());
    });

    const double n = static_cast<double>(order.size());
    double y = (area.height() - totalHeight - (n + 1) * gap) / 2;
    bool changed = false;
    for (size_t i : order) {
        QRectF &r = layout[i].rect;
        const QPointF to((area.width() - r.width()) / 2, y);
        if (r.topLeft() != to) {
            r.moveTo(to);
            changed = true;
        }
        y += r.height() + gap;
    }
    return changed;
}

ArrangeResult arrangePage(std::vector<Box> &layout, int page, PageArrangement how,
                          const QSizeF &pageArea, double gap)
{
    ArrangeResult result;
    if (layout.empty())
        return result;
    if (layout.size() == 1) {
        const QRectF to = centredAlone(layout.front().rect, pageArea);
        result.changed = to != layout.front().rect;
        layout.front().rect = to;
        return result;
    }
    const QSizeF area(pageArea.width(), pageArea.height() + kBottomPanelNominalHeight);
    result.changed = how == PageArrangement::Centre ? centreGroup(layout, page, area)
                                                     : lineUp(layout, page, area, gap);
    result.fitBottom = true;
    return result;
}

} // namespace qn
