#include "dashboard/edit/Fitting.h"

#include <algorithm>
#include <limits>

namespace qn {

namespace {

constexpr double kBottomInset = 4;        // the bottom set keeps clear of the panel's border
constexpr double kPageReserve = 60;       // room under a fitted page for the bottom toolbar
constexpr double kPageCentreReserve = 40; // a fitted page is centred a little above the middle

double atLeastOne(double size) { return std::max(kMinObjectSize, size); }

double axisFactor(double remembered, double now)
{
    return remembered > 0 && now > 0 ? now / remembered : 1.0;
}

double keptIfEmpty(double remembered, double now) { return now > 0 ? now : remembered; }

} // namespace

QSizeF fitTarget(int page, const FitGeometry &geo)
{
    if (page != 0)
        return QSizeF(geo.pageArea.width() - 2 * geo.offsetD,
                      geo.pageArea.height() - 2 * geo.offsetD - kTabRowHeight - kPageReserve);
    if (geo.layoutSet == 2)
        return QSizeF(geo.bottomPanel.width() - kBottomInset,
                      geo.bottomPanel.height() - geo.remoteControl.height() - kBottomInset);
    return QSizeF(geo.bottomPanel.width() - geo.remoteControl.width() - kBottomInset,
                  geo.bottomPanel.height() - kBottomInset);
}

QSizeF fitCentringArea(int page, const FitGeometry &geo)
{
    if (page != 0)
        return QSizeF(geo.firstPageBox.width(), geo.firstPageBox.height() - kPageCentreReserve);
    if (geo.layoutSet == 2)
        return QSizeF(geo.bottomPanel.width(),
                      geo.bottomPanel.height() - geo.remoteControl.height());
    return QSizeF(geo.bottomPanel.width() - geo.remoteControl.width(), geo.bottomPanel.height());
}

bool pushApartPass(std::vector<QRectF> &set, const std::vector<QRectF> &start, size_t pivot,
                   double gap)
{
    if (pivot >= set.size() || pivot >= start.size())
        return false;
    const QRectF p = set[pivot];
    const double pRight = p.x() + p.width();
    const double pBottom = p.y() + p.height();
    const double startRight = start[pivot].x() + start[pivot].width();
    const double startBottom = start[pivot].y() + start[pivot].height();
    bool moved = false;
    for (size_t i = 0; i < set.size(); ++i) {
        if (i == pivot)
            continue;
        QRectF &q = set[i];
        const double qx = q.x();
        const double qy = q.y();
        const double qRight = qx + q.width();
        const double qBottom = qy + q.height();
        const bool leftInside = qx >= p.x() && qx <= pRight;
        const bool rightInside = qRight > p.x() && qRight < pRight;
        const bool topInside = qy >= p.y() && qy < pBottom;
        const bool bottomInside = qBottom > p.y() && qBottom < pBottom;

        // Only a neighbour that began beyond the pivot's edge is pushed on; one that already
        // shared the pivot's place keeps it. A move counts only when the position really changes,
        // otherwise a neighbour touching the pivot with no gap would be "pushed" for ever.
        if (leftInside && (topInside || bottomInside) && qx > startRight) {
            const double to = pRight + gap;
            if (to != qx) {
                q.moveLeft(to);
                moved = true;
            }
        }
        if (topInside && (leftInside || rightInside) && qy > startBottom) {
            const double to = pBottom + gap;
            if (to != qy) {
                q.moveTop(to);
                moved = true;
            }
        }
    }
    return moved;
}

size_t maxPushCycles(size_t objects) { return 2 * objects + 8; }

bool pushApart(std::vector<QRectF> &set, const std::vector<QRectF> &start, size_t pivot,
               double gap)
{
    bool moved = pushApartPass(set, start, pivot, gap);
    const size_t limit = maxPushCycles(set.size());
    for (size_t cycle = 0; moved; ++cycle) {
        if (cycle == limit)
            return false; // a layout whose pushes keep chasing each other: stop where it is
        for (size_t j = 0; j < set.size(); ++j)
            moved = pushApartPass(set, start, j, gap);
    }
    return true;
}

namespace {

bool withinTarget(const std::vector<QRectF> &set, const QSizeF &target)
{
    QRectF box;
    for (const QRectF &r : set)
        box = box.isNull() ? r : box.united(r);
    return box.width() <= target.width() + 1 && box.height() <= target.height() + 1;
}

// Pairs of objects that cover a common area (touching edges do not count).
int overlaps(const std::vector<QRectF> &set)
{
    int n = 0;
    for (size_t i = 0; i < set.size(); ++i)
        for (size_t j = i + 1; j < set.size(); ++j) {
            const QRectF common = set[i].intersected(set[j]);
            n += common.width() > 0.5 && common.height() > 0.5;
        }
    return n;
}

} // namespace

FitResult fitSet(std::vector<Box> &layout, int page, const FitGeometry &geo)
{
    FitResult result;
    std::vector<size_t> members;
    double minX = std::numeric_limits<double>::max();
    double minY = std::numeric_limits<double>::max();
    double maxR = std::numeric_limits<double>::lowest();
    double maxB = std::numeric_limits<double>::lowest();
    for (size_t i = 0; i < layout.size(); ++i) {
        if (layout[i].page != page)
            continue;
        members.push_back(i);
        const QRectF &r = layout[i].rect;
        minX = std::min(minX, r.x());
        minY = std::min(minY, r.y());
        maxR = std::max(maxR, r.x() + r.width());
        maxB = std::max(maxB, r.y() + r.height());
    }
    result.target = fitTarget(page, geo);
    if (members.empty())
        return result;
    const double spanW = maxR - minX;
    const double spanH = maxB - minY;
    // A set without extent cannot be scaled, and a window without room would crush every object.
    if (!(spanW > 0) || !(spanH > 0) || !(result.target.width() > 0) ||
        !(result.target.height() > 0))
        return result;

    result.fitted = true;
    result.fx = result.target.width() / spanW;
    result.fy = result.target.height() / spanH;

    std::vector<QRectF> set;
    set.reserve(members.size());
    for (size_t i : members)
        set.push_back(layout[i].rect);
    const std::vector<QRectF> start = set;
    for (size_t k = 0; k < set.size(); ++k) {
        set[k].setWidth(atLeastOne(set[k].width() * result.fx));
        set[k].setHeight(atLeastOne(set[k].height() * result.fy));
        if (!pushApart(set, start, k, geo.gap))
            result.settled = false;
    }
    // Sizes grown in place with neighbours pushed apart can leave the set larger than its page
    // (objects pushed off it, clipped) or overlapping where they did not: then the arrangement is
    // scaled as a whole, positions with the sizes, which keeps it inside the target as designed.
    if (!withinTarget(set, result.target) || overlaps(set) > overlaps(start)) {
        for (size_t k = 0; k < set.size(); ++k)
            set[k] = QRectF(minX + (start[k].x() - minX) * result.fx, minY + (start[k].y() - minY) * result.fy,
                            atLeastOne(start[k].width() * result.fx), atLeastOne(start[k].height() * result.fy));
    }
    for (size_t m = 0; m < members.size(); ++m)
        layout[members[m]].rect = set[m];

    centreGroup(layout, page, fitCentringArea(page, geo));
    return result;
}

FitAllResult fitAllPages(std::vector<Box> &layout, const FitGeometry &geo)
{
    FitAllResult result;
    result.runLocSet = geo.layoutSet;
    if (layout.size() == 1) {
        layout.front().rect = centredAlone(layout.front().rect, geo.pageArea);
    } else if (layout.size() > 1) {
        for (int tab = 1; tab <= 5; ++tab)
            fitSet(layout, tab, geo);
        result.pageIndex = 1;
    }
    if (!layout.empty())
        fitSet(layout, 0, geo);
    return result;
}

std::optional<FitAllResult> firstRunFit(std::vector<Box> &layout, const FitGeometry &geo,
                                        bool runLocOfActiveSet)
{
    if (runLocOfActiveSet)
        return std::nullopt;
    return fitAllPages(layout, geo);
}

WindowSizes windowSizes(const QSizeF &pageArea, const QSizeF &bottomPanel,
                        double remoteControlWidth)
{
    return {pageArea, QSizeF(bottomPanel.width() - remoteControlWidth, bottomPanel.height())};
}

RescaleFactors rescaleFactors(const WindowSizes &remembered, const WindowSizes &now)
{
    RescaleFactors f;
    f.fx = axisFactor(remembered.page.width(), now.page.width());
    f.fy = axisFactor(remembered.page.height(), now.page.height());
    f.bx = axisFactor(remembered.bottom.width(), now.bottom.width());
    f.by = axisFactor(remembered.bottom.height(), now.bottom.height());
    return f;
}

RescaleFactors rescaleToWindow(std::vector<Box> &layout, WindowSizes &remembered,
                               const WindowSizes &now)
{
    const RescaleFactors f = rescaleFactors(remembered, now);
    // A size of nothing is never remembered: the next rescale would divide by it.
    remembered.page = QSizeF(keptIfEmpty(remembered.page.width(), now.page.width()),
                             keptIfEmpty(remembered.page.height(), now.page.height()));
    remembered.bottom = QSizeF(keptIfEmpty(remembered.bottom.width(), now.bottom.width()),
                               keptIfEmpty(remembered.bottom.height(), now.bottom.height()));
    for (Box &box : layout) {
        const bool bottom = box.page == 0;
        const double fx = bottom ? f.bx : f.fx;
        const double fy = bottom ? f.by : f.fy;
        QRectF &r = box.rect;
        const double x = r.x() > 4 ? r.x() * fx : r.x();
        const double y = r.y() > 4 ? r.y() * fy : r.y();
        r = QRectF(x, y, atLeastOne(r.width() * fx), atLeastOne(r.height() * fy));
    }
    return f;
}

ElementScale elementScale(const QSizeF &objectDesign, const QSizeF &objectNow)
{
    const double w0 = objectDesign.width() == 0 ? 1.0 : objectDesign.width();
    const double h0 = objectDesign.height() == 0 ? 1.0 : objectDesign.height();
    return {objectNow.width() / w0, objectNow.height() / h0};
}

QRectF scaleElement(const QRectF &elementDesign, const ElementScale &scale)
{
    return QRectF(elementDesign.x() * scale.fx, elementDesign.y() * scale.fy,
                  atLeastOne(elementDesign.width() * scale.fx),
                  atLeastOne(elementDesign.height() * scale.fy));
}

} // namespace qn
