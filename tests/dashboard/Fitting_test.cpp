#include "dashboard/edit/Fitting.h"
#include "dashboard/DefaultLayout.h"

#include <gtest/gtest.h>

#include <vector>

// Readable rectangles in failure messages (found by argument-dependent lookup for QRectF).
static void PrintTo(const QRectF &r, std::ostream *os)
{
    *os << "(" << r.x() << ", " << r.y() << ", " << r.width() << " x " << r.height() << ")";
}

namespace qn {
namespace {

// A window whose page target is exactly 400 x 300 (margins 2 x 4, tab row 25, reserve 60) and whose
// bottom panel is 400 x 60 with a 130 x 60 remote control.
FitGeometry window()
{
    FitGeometry g;
    g.pageArea = QSizeF(408, 393);
    g.firstPageBox = QSizeF(408, 393);
    g.bottomPanel = QSizeF(400, 60);
    g.remoteControl = QSizeF(130, 60);
    g.layoutSet = 1;
    g.offsetD = 4;
    g.gap = 4;
    return g;
}

void expectAllSizesAtLeastOne(const std::vector<Box> &layout)
{
    for (const Box &b : layout) {
        EXPECT_GE(b.rect.width(), 1) << "object " << b.id;
        EXPECT_GE(b.rect.height(), 1) << "object " << b.id;
    }
}

TEST(FitTarget, PageAndBottomInBothLayoutSets)
{
    FitGeometry g = window();
    EXPECT_EQ(fitTarget(1, g), QSizeF(400, 300));
    EXPECT_EQ(fitCentringArea(1, g), QSizeF(408, 353));
    EXPECT_EQ(fitTarget(0, g), QSizeF(266, 56));
    EXPECT_EQ(fitCentringArea(0, g), QSizeF(270, 60));

    g.layoutSet = 2;
    g.bottomPanel = QSizeF(60, 400);
    g.remoteControl = QSizeF(60, 130);
    EXPECT_EQ(fitTarget(0, g), QSizeF(56, 266));
    EXPECT_EQ(fitCentringArea(0, g), QSizeF(60, 270));

    // The page margin counts even with the gap switched off.
    g.gap = 0;
    EXPECT_EQ(fitTarget(3, g), QSizeF(400, 300));
}

TEST(FitSet, ScalesSizesPushesNeighboursApartAndCentres)
{
    // Three objects spanning 200 x 100 on page 1; one more on page 2 that the fit leaves alone.
    std::vector<Box> layout = {
        {0, 1, {0, 0, 90, 40}},
        {1, 1, {110, 0, 90, 40}},
        {2, 1, {0, 60, 90, 40}},
        {3, 2, {5, 5, 30, 30}},
    };
    const FitResult r = fitSet(layout, 1, window());
    ASSERT_TRUE(r.fitted);
    EXPECT_TRUE(r.settled);
    EXPECT_EQ(r.fx, 2);
    EXPECT_EQ(r.fy, 3);
    // Doubled widths and tripled heights; the right neighbour pushed right and the lower one
    // pushed down by the gap; then the 364 x 244 group centred in 408 x 353.
    EXPECT_EQ(layout[0].rect, QRectF(22, 54.5, 180, 120));
    EXPECT_EQ(layout[1].rect, QRectF(206, 54.5, 180, 120));
    EXPECT_EQ(layout[2].rect, QRectF(22, 178.5, 180, 120));
    EXPECT_EQ(layout[3].rect, QRectF(5, 5, 30, 30));
}

TEST(FitSet, BottomSetFillsTheRoomBesideTheRemoteControl)
{
    std::vector<Box> layout = {{0, 0, {0, 0, 50, 20}}, {1, 1, {0, 0, 10, 10}}};
    const FitResult r = fitSet(layout, 0, window());
    ASSERT_TRUE(r.fitted);
    EXPECT_EQ(layout[0].rect, QRectF(2, 2, 266, 56));
    EXPECT_EQ(layout[1].rect, QRectF(0, 0, 10, 10));
}

struct NoFitCase {
    const char *name;
    std::vector<Box> layout;
    QSizeF pageArea;
};
void PrintTo(const NoFitCase &c, std::ostream *os) { *os << c.name; }

class FitSetSkips : public ::testing::TestWithParam<NoFitCase> {};

TEST_P(FitSetSkips, LeavesTheLayoutAsItIs)
{
    std::vector<Box> layout = GetParam().layout;
    FitGeometry g = window();
    g.pageArea = GetParam().pageArea;
    const FitResult r = fitSet(layout, 1, g);
    EXPECT_FALSE(r.fitted);
    ASSERT_EQ(layout.size(), GetParam().layout.size());
    for (size_t i = 0; i < layout.size(); ++i)
        EXPECT_EQ(layout[i].rect, GetParam().layout[i].rect);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FitSetSkips,
    ::testing::Values(
        NoFitCase{"EmptyPage", {{0, 2, {0, 0, 50, 50}}}, {408, 393}},
        NoFitCase{"ZeroWidthSet", {{0, 1, {10, 10, 0, 50}}, {1, 1, {10, 80, 0, 20}}}, {408, 393}},
        NoFitCase{"ZeroHeightSet", {{0, 1, {10, 10, 50, 0}}}, {408, 393}},
        NoFitCase{"ZeroWindow", {{0, 1, {0, 0, 90, 40}}, {1, 1, {110, 0, 90, 40}}}, {0, 0}},
        NoFitCase{"WindowSmallerThanMargins", {{0, 1, {0, 0, 90, 40}}}, {8, 400}}),
    [](const ::testing::TestParamInfo<NoFitCase> &p) { return std::string(p.param.name); });

TEST(FitSet, ATinyTargetNeverShrinksAnObjectBelowOnePixel)
{
    std::vector<Box> layout = {{0, 1, {0, 0, 10, 5}}, {1, 1, {100, 50, 100, 50}}};
    FitGeometry g = window();
    g.pageArea = QSizeF(8.5, 93.5); // target 0.5 x 0.5
    ASSERT_TRUE(fitSet(layout, 1, g).fitted);
    expectAllSizesAtLeastOne(layout);
}

TEST(FitSet, APageOfOverlappingObjectsComesToRest)
{
    // Objects piled on one place and touching with no gap: the fit must end.
    std::vector<Box> layout;
    for (int i = 0; i < 12; ++i)
        layout.push_back({i, 1, {i % 3 * 20.0, i / 3 * 10.0, 40, 30}});
    FitGeometry g = window();
    g.gap = 0;
    const FitResult r = fitSet(layout, 1, g);
    EXPECT_TRUE(r.fitted);
    expectAllSizesAtLeastOne(layout);
}

TEST(PushApart, TouchingWithoutGapIsNotAMove)
{
    // The neighbour already sits at the pivot's right edge: putting it there again moves nothing,
    // so the cycles stop at once instead of repeating.
    std::vector<QRectF> set = {{0, 0, 100, 50}, {100, 0, 100, 50}};
    const std::vector<QRectF> start = {{0, 0, 50, 50}, {100, 0, 100, 50}};
    EXPECT_FALSE(pushApartPass(set, start, 0, 0));
    EXPECT_TRUE(pushApart(set, start, 0, 0));
    EXPECT_EQ(set[1], QRectF(100, 0, 100, 50));
}

TEST(PushApart, OnlyNeighboursBeyondThePivotsStartingEdgeMove)
{
    // q1 began right of the pivot's starting right edge and is pushed right; q2 began inside the
    // pivot's starting box and stays; q3 began below it and is pushed down.
    std::vector<QRectF> set = {{0, 0, 100, 100}, {60, 10, 20, 20}, {30, 10, 20, 20},
                               {10, 70, 20, 20}};
    const std::vector<QRectF> start = {{0, 0, 50, 50}, {60, 10, 20, 20}, {30, 10, 20, 20},
                                       {10, 70, 20, 20}};
    EXPECT_TRUE(pushApartPass(set, start, 0, 4));
    EXPECT_EQ(set[1].topLeft(), QPointF(104, 10));
    EXPECT_EQ(set[2].topLeft(), QPointF(30, 10));
    EXPECT_EQ(set[3].topLeft(), QPointF(10, 104));
}

TEST(PushApart, PushesThatChaseEachOtherAreBounded)
{
    // With a negative gap (a hand-edited settings file) two pivots keep throwing the first object
    // between x = 80 and x = 90, and the last pass of every cycle moves it.
    std::vector<QRectF> set = {{50, 0, 10, 50}, {0, 0, 100, 50}, {0, 0, 110, 50}};
    const std::vector<QRectF> start = {{50, 0, 10, 10}, {0, 0, 10, 10}, {0, 0, 10, 10}};
    EXPECT_FALSE(pushApart(set, start, 1, -20));
    EXPECT_TRUE(set[0].x() == 80 || set[0].x() == 90);
}

TEST(FitAllPages, FitsEveryPageThenTheBottomAndAsksForARebuild)
{
    std::vector<Box> layout = {
        {0, 1, {0, 0, 90, 40}}, {1, 1, {110, 0, 90, 40}}, {2, 1, {0, 60, 90, 40}},
        {3, 4, {10, 10, 100, 50}}, {4, 0, {0, 0, 50, 20}},
    };
    FitGeometry g = window();
    g.layoutSet = 2;
    g.bottomPanel = QSizeF(400, 60);
    g.remoteControl = QSizeF(0, 0);
    const FitAllResult r = fitAllPages(layout, g);
    EXPECT_EQ(r.runLocSet, 2);
    EXPECT_EQ(r.pageIndex, 1);
    EXPECT_TRUE(r.rebuild);
    EXPECT_EQ(layout[0].rect, QRectF(22, 54.5, 180, 120));
    // The lone object of page 4 fills that page's target and is centred.
    EXPECT_EQ(layout[3].rect, QRectF(4, 26.5, 400, 300));
    // Bottom set, layout set 2 without a remote control: 396 x 56 centred in 400 x 60.
    EXPECT_EQ(layout[4].rect, QRectF(2, 2, 396, 56));
}

TEST(FitAllPages, ASingleObjectIsCentredAndTheLayoutStillRebuilt)
{
    std::vector<Box> layout = {{0, 2, {0, 0, 100, 50}}};
    const FitAllResult r = fitAllPages(layout, window());
    EXPECT_EQ(r.runLocSet, 1);
    EXPECT_EQ(r.pageIndex, -1);
    EXPECT_TRUE(r.rebuild);
    // Centred in 408 x (393 + 44); not a bottom object, so the bottom fit leaves it.
    EXPECT_EQ(layout[0].rect, QRectF(154, 193.5, 100, 50));
}

TEST(FitAllPages, AnEmptyDashboardIsStillMarkedFittedAndRebuilt)
{
    std::vector<Box> layout;
    const FitAllResult r = fitAllPages(layout, window());
    EXPECT_EQ(r.runLocSet, 1);
    EXPECT_EQ(r.pageIndex, -1);
    EXPECT_TRUE(r.rebuild);
}

TEST(FirstRunFit, OnlyWhileTheActiveSetWasNeverFitted)
{
    const std::vector<Box> original = {{0, 1, {0, 0, 90, 40}}, {1, 1, {110, 0, 90, 40}}};
    std::vector<Box> layout = original;
    EXPECT_FALSE(firstRunFit(layout, window(), true).has_value());
    EXPECT_EQ(layout[0].rect, original[0].rect);

    const auto r = firstRunFit(layout, window(), false);
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->runLocSet, 1);
    EXPECT_TRUE(r->rebuild);
    EXPECT_NE(layout[0].rect, original[0].rect);
}

class RescaleToWindow : public ::testing::Test {
protected:
    WindowSizes remembered{QSizeF(400, 300), QSizeF(270, 60)};
    std::vector<Box> layout = {
        {0, 1, {3, 2, 100, 50}},   // at the edge: stays at the edge
        {1, 1, {10, 20, 100, 50}}, // inside: moves with the window
        {2, 0, {10, 5, 50, 20}},   // bottom panel: bottom factors
    };
};

TEST_F(RescaleToWindow, ScalesSizesAndInnerPositionsEdgesStay)
{
    const WindowSizes now{QSizeF(800, 600), QSizeF(540, 90)};
    const RescaleFactors f = rescaleToWindow(layout, remembered, now);
    EXPECT_EQ(f.fx, 2);
    EXPECT_EQ(f.fy, 2);
    EXPECT_EQ(f.bx, 2);
    EXPECT_EQ(f.by, 1.5);
    EXPECT_EQ(layout[0].rect, QRectF(3, 2, 200, 100));
    EXPECT_EQ(layout[1].rect, QRectF(20, 40, 200, 100));
    EXPECT_EQ(layout[2].rect, QRectF(20, 7.5, 100, 30));
    EXPECT_EQ(remembered.page, now.page);
    EXPECT_EQ(remembered.bottom, now.bottom);
}

TEST_F(RescaleToWindow, AZeroWindowChangesNothingAndIsNotRemembered)
{
    const std::vector<Box> before = layout;
    const RescaleFactors f = rescaleToWindow(layout, remembered, {QSizeF(0, 0), QSizeF(0, 0)});
    EXPECT_EQ(f.fx, 1);
    EXPECT_EQ(f.by, 1);
    for (size_t i = 0; i < layout.size(); ++i)
        EXPECT_EQ(layout[i].rect, before[i].rect);
    EXPECT_EQ(remembered.page, QSizeF(400, 300));

    // Coming back to the old size is no change at all, not a jump.
    rescaleToWindow(layout, remembered, {QSizeF(400, 300), QSizeF(270, 60)});
    for (size_t i = 0; i < layout.size(); ++i)
        EXPECT_EQ(layout[i].rect, before[i].rect);
}

TEST_F(RescaleToWindow, NothingRememberedYetScalesNothing)
{
    WindowSizes none;
    const std::vector<Box> before = layout;
    rescaleToWindow(layout, none, {QSizeF(800, 600), QSizeF(540, 90)});
    for (size_t i = 0; i < layout.size(); ++i)
        EXPECT_EQ(layout[i].rect, before[i].rect);
    EXPECT_EQ(none.page, QSizeF(800, 600));
}

TEST_F(RescaleToWindow, AHugeShrinkKeepsEveryObjectAtLeastOnePixel)
{
    rescaleToWindow(layout, remembered, {QSizeF(1, 1), QSizeF(1, 1)});
    expectAllSizesAtLeastOne(layout);
}

TEST(WindowSizes, BottomAreaLeavesOutTheRemoteControl)
{
    const WindowSizes s = windowSizes(QSizeF(800, 500), QSizeF(800, 60), 130);
    EXPECT_EQ(s.page, QSizeF(800, 500));
    EXPECT_EQ(s.bottom, QSizeF(670, 60));
}

TEST(ElementScale, ElementsFollowTheObjectsSize)
{
    const ElementScale s = elementScale(QSizeF(100, 50), QSizeF(200, 25));
    EXPECT_EQ(scaleElement(QRectF(4, 4, 50, 20), s), QRectF(8, 2, 100, 10));
    // A design size of 0 counts as 1 instead of dividing by zero.
    const ElementScale z = elementScale(QSizeF(0, 0), QSizeF(30, 20));
    EXPECT_EQ(z.fx, 30);
    EXPECT_EQ(z.fy, 20);
    // An element is never scaled to nothing.
    const QRectF tiny = scaleElement(QRectF(4, 4, 2, 2), elementScale(QSizeF(100, 100), QSizeF(1, 1)));
    EXPECT_GE(tiny.width(), 1);
    EXPECT_GE(tiny.height(), 1);
}

} // namespace
} // namespace qn

namespace qn {
// The default layout fitted to an 800 x 600 window: every page stays inside its area and no two
// objects overlap, even where growing the sizes in place would push objects off the page.
TEST(FitSet, DefaultLayoutStaysOnItsPagesWithoutOverlaps)
{
    std::vector<Box> boxes;
    int id = 0;
    for (const DefaultObject &o : defaultLayoutObjects())
        boxes.push_back(Box{id++, o.page, QRectF(o.x, o.y, o.width, o.height)});
    FitGeometry g;
    g.pageArea = QSizeF(800, 415);
    g.firstPageBox = QSizeF(798, 388);
    g.bottomPanel = QSizeF(800, 40);
    fitAllPages(boxes, g);
    for (int page = 1; page <= 5; ++page) {
        for (const Box &a : boxes) {
            if (a.page != page)
                continue;
            EXPECT_GE(a.rect.left(), -0.5) << a.id;
            EXPECT_LE(a.rect.right(), 798.5) << a.id;
            EXPECT_GE(a.rect.top(), -0.5) << a.id;
            for (const Box &b : boxes)
                if (b.page == page && b.id > a.id) {
                    const QRectF common = a.rect.intersected(b.rect);
                    EXPECT_FALSE(common.width() > 0.5 && common.height() > 0.5) << a.id << " and " << b.id;
                }
        }
    }
}

} // namespace qn
