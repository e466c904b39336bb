#include "dashboard/edit/Snapping.h"

#include <gtest/gtest.h>

#include <vector>

// Readable rectangles in failure messages (found by argument-dependent lookup for QRectF).
static void PrintTo(const QRectF &r, std::ostream *os)
{
    *os << "(" << r.x() << ", " << r.y() << ", " << r.width() << " x " << r.height() << ")";
}

namespace qn {
namespace {

constexpr int kPage = 1;
constexpr int kSelected = 99;

struct SnapCase {
    const char *name;
    QRectF frame;
    std::vector<QRectF> neighbours; // on the current page, in list order
    QRectF expected;
};
void PrintTo(const SnapCase &c, std::ostream *os) { *os << c.name; }

class SnapFrameTest : public ::testing::TestWithParam<SnapCase> {};

TEST_P(SnapFrameTest, SnapsToNeighbours)
{
    const SnapCase &c = GetParam();
    std::vector<Box> layout;
    for (size_t i = 0; i < c.neighbours.size(); ++i)
        layout.push_back({static_cast<int>(i), kPage, c.neighbours[i]});
    const QRectF snapped = snapFrame(c.frame, layout, kPage, kSelected, {10, 5});
    EXPECT_EQ(snapped, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Reach10Gap5, SnapFrameTest,
    ::testing::Values(
        // 3 px above a neighbour: bottom ends up one gap above its top, left edges line up.
        SnapCase{"AboveNeighbour", {104, 100, 50, 20}, {{100, 123, 50, 20}}, {100, 98, 50, 20}},
        // Under a neighbour: top one gap below its bottom.
        SnapCase{"BelowNeighbour", {104, 100, 50, 20}, {{96, 60, 50, 37}}, {96, 102, 50, 20}},
        // Between two neighbours in reach: equal gaps, the configured gap is not used.
        SnapCase{"BetweenTwo", {100, 97, 50, 20}, {{100, 50, 50, 40}, {100, 125, 50, 20}},
                 {100, 97.5, 50, 20}},
        // A neighbour exactly at the reach does not snap; just inside it does.
        SnapCase{"ExactlyAtReach", {100, 100, 50, 20}, {{100, 130, 50, 20}}, {100, 100, 50, 20}},
        SnapCase{"JustInsideReach", {100, 100, 50, 20}, {{100, 129.5, 50, 20}},
                 {100, 104.5, 50, 20}},
        // Wider than the frame on both sides: never a vertical neighbour.
        SnapCase{"WiderOnBothSides", {100, 100, 50, 20}, {{50, 123, 200, 20}}, {100, 100, 50, 20}},
        // Left edges too far apart: y snaps, x stays.
        SnapCase{"LeftEdgeOutOfReach", {100, 100, 50, 20}, {{120, 123, 50, 20}},
                 {100, 98, 50, 20}},
        // Right and left neighbours: x snaps with the gap, y lines up with the top edge.
        SnapCase{"RightNeighbour", {100, 104, 50, 20}, {{153, 108, 40, 30}}, {98, 108, 50, 20}},
        SnapCase{"LeftNeighbour", {100, 100, 50, 20}, {{40, 105, 57, 20}}, {102, 105, 50, 20}},
        // The nearest of two below-neighbours wins (by absolute distance).
        SnapCase{"NearestWins", {100, 100, 50, 20}, {{100, 126, 50, 20}, {120, 116, 50, 20}},
                 {100, 91, 50, 20}},
        // Equal distances: the first in list order stays (its left edge is the one lined up).
        SnapCase{"TieKeepsFirst", {100, 100, 50, 20}, {{95, 123, 50, 20}, {108, 123, 50, 20}},
                 {95, 98, 50, 20}},
        // The horizontal pass sees the frame as moved by the vertical one: the right neighbour
        // overlaps only after the frame moved up.
        SnapCase{"SecondPassUsesFirst", {100, 100, 50, 20},
                 {{100, 123, 50, 20}, {153, 85, 40, 14}}, {98, 98, 50, 20}}),
    [](const ::testing::TestParamInfo<SnapCase> &p) { return std::string(p.param.name); });

TEST(SnapFrame, IgnoresTheSelectedObjectAndOtherPages)
{
    const QRectF frame(100, 100, 50, 20);
    const std::vector<Box> layout = {
        {kSelected, kPage, {100, 123, 50, 20}}, // the dragged object's own old place
        {1, 2, {100, 123, 50, 20}},             // another tab page
        {2, 0, {100, 123, 50, 20}},             // bottom panel
    };
    EXPECT_EQ(snapFrame(frame, layout, kPage, kSelected, {10, 5}), frame);
}

TEST(SnapFrame, GapFollowsTheOffsetSwitch)
{
    EXPECT_EQ(gapFor(true, 4), 4);
    EXPECT_EQ(gapFor(false, 4), 0);
    const std::vector<Box> layout = {{1, kPage, {100, 123, 50, 20}}};
    const QRectF snapped = snapFrame({100, 100, 50, 20}, layout, kPage, kSelected,
                                     {10, gapFor(false, 4)});
    EXPECT_EQ(snapped.bottom(), 123); // touching, no gap
}

TEST(GuideLines, MarkTheFrameEdgesAcrossThePage)
{
    const GuideLines g = guideLines({30, 40, 100, 50}, {800, 500});
    EXPECT_EQ(g.left, QRectF(30, 0, 1, 500));
    EXPECT_EQ(g.right, QRectF(130, 0, 1, 500));
    EXPECT_EQ(g.top, QRectF(0, 40, 800, 1));
    EXPECT_EQ(g.bottom, QRectF(0, 90, 800, 1));
}

// A page area of 200 x 256: with the bottom panel's 44 the arrangement height is 300.
const QSizeF kPageArea(200, 256);

TEST(LineUp, StacksInOrderOfYCentredInTheColumn)
{
    std::vector<Box> layout = {
        {0, kPage, {0, 50, 20, 40}},
        {1, kPage, {7, 10, 40, 40}},
        {2, kPage, {3, 30, 60, 40}},
        {3, 2, {5, 5, 10, 10}}, // another page stays where it is
    };
    const ArrangeResult r = arrangePage(layout, kPage, PageArrangement::LineUp, kPageArea, 0);
    EXPECT_TRUE(r.changed);
    EXPECT_TRUE(r.fitBottom);
    EXPECT_EQ(layout[1].rect, QRectF(80, 90, 40, 40));
    EXPECT_EQ(layout[2].rect, QRectF(70, 130, 60, 40));
    EXPECT_EQ(layout[0].rect, QRectF(90, 170, 20, 40));
    EXPECT_EQ(layout[3].rect, QRectF(5, 5, 10, 10));
}

TEST(LineUp, KeepsTheGapBetweenObjects)
{
    std::vector<Box> layout = {
        {0, kPage, {0, 0, 40, 40}}, {1, kPage, {0, 10, 40, 40}}, {2, kPage, {0, 20, 40, 40}}};
    arrangePage(layout, kPage, PageArrangement::LineUp, kPageArea, 5);
    // (300 - 120 - 4 * 5) / 2 = 80, then each next one 40 + 5 further down.
    EXPECT_EQ(layout[0].rect.y(), 80);
    EXPECT_EQ(layout[1].rect.y(), 125);
    EXPECT_EQ(layout[2].rect.y(), 170);
}

TEST(LineUp, EqualAndNegativeYKeepListOrderAndEveryObjectIsPlacedOnce)
{
    std::vector<Box> layout = {
        {0, kPage, {0, 0, 40, 40}}, {1, kPage, {0, -10, 40, 40}}, {2, kPage, {0, 5, 40, 40}}};
    arrangePage(layout, kPage, PageArrangement::LineUp, kPageArea, 0);
    EXPECT_EQ(layout[0].rect.y(), 90);
    EXPECT_EQ(layout[1].rect.y(), 130);
    EXPECT_EQ(layout[2].rect.y(), 170);
}

TEST(CentreGroup, CentresTheBoundingBoxAndKeepsTheArrangement)
{
    std::vector<Box> layout = {
        {0, kPage, {10, 10, 50, 50}}, {1, kPage, {100, 60, 50, 50}}, {2, 0, {1, 2, 3, 4}}};
    const ArrangeResult r =
        arrangePage(layout, kPage, PageArrangement::Centre, QSizeF(400, 256), 4);
    EXPECT_TRUE(r.changed);
    EXPECT_TRUE(r.fitBottom);
    // Box 10..150 x 10..110 in 400 x 300.
    EXPECT_EQ(layout[0].rect, QRectF(130, 100, 50, 50));
    EXPECT_EQ(layout[1].rect, QRectF(220, 150, 50, 50));
    EXPECT_EQ(layout[2].rect, QRectF(1, 2, 3, 4));
}

TEST(CentreGroup, ALoneObjectIsCentredEvenOnAnotherPage)
{
    std::vector<Box> layout = {{0, 3, {0, 0, 100, 50}}};
    for (PageArrangement how : {PageArrangement::Centre, PageArrangement::LineUp}) {
        layout[0].rect = QRectF(0, 0, 100, 50);
        const ArrangeResult r = arrangePage(layout, kPage, how, QSizeF(400, 256), 4);
        EXPECT_TRUE(r.changed);
        EXPECT_FALSE(r.fitBottom);
        EXPECT_EQ(layout[0].rect, QRectF(150, 125, 100, 50));
    }
}

TEST(CentreGroup, NothingToArrange)
{
    std::vector<Box> empty;
    EXPECT_FALSE(arrangePage(empty, kPage, PageArrangement::Centre, kPageArea, 4).changed);
    EXPECT_FALSE(arrangePage(empty, kPage, PageArrangement::Centre, kPageArea, 4).fitBottom);

    // Objects only on other pages: the current page has nothing to move.
    std::vector<Box> elsewhere = {{0, 2, {10, 10, 10, 10}}, {1, 3, {20, 20, 10, 10}}};
    const std::vector<Box> before = elsewhere;
    for (PageArrangement how : {PageArrangement::Centre, PageArrangement::LineUp})
        EXPECT_FALSE(arrangePage(elsewhere, kPage, how, kPageArea, 4).changed);
    for (size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ(elsewhere[i].rect, before[i].rect);
}

TEST(CentreGroup, AWindowNotLaidOutMovesNothing)
{
    std::vector<Box> layout = {{0, kPage, {10, 10, 50, 50}}, {1, kPage, {100, 60, 50, 50}}};
    const std::vector<Box> before = layout;
    EXPECT_FALSE(centreGroup(layout, kPage, QSizeF(0, 0)));
    EXPECT_FALSE(lineUp(layout, kPage, QSizeF(0, 300), 4));
    for (size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ(layout[i].rect, before[i].rect);
    const QRectF alone(10, 10, 50, 50);
    EXPECT_EQ(centredAlone(alone, QSizeF(0, 0)), alone);
}

} // namespace
} // namespace qn
