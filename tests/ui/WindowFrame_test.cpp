#include "ui/WindowFrame.h"

#include <gtest/gtest.h>

#include <limits>

using namespace qn;

namespace {

// A window at 100,50 of 400 x 300: right edge at 500, bottom at 350.
const QRect kWin(100, 50, 400, 300);

struct ZoneCase {
    int x, y, zone;
};

TEST(EdgeZone, BandsAreOpenIntervalsInsideTheWindow)
{
    const ZoneCase cases[] = {
        {300, 50, ZoneNone}, // exactly on the top edge
        {300, 51, ZoneTop},          {300, 53, ZoneTop},     {300, 54, ZoneNone},
        {300, 350, ZoneNone}, // exactly on the bottom coordinate
        {300, 349, ZoneBottom},      {300, 347, ZoneBottom}, {300, 346, ZoneNone},
        {100, 200, ZoneNone},        {101, 200, ZoneLeft},   {103, 200, ZoneLeft},
        {104, 200, ZoneNone},        {500, 200, ZoneNone},   {499, 200, ZoneRight},
        {497, 200, ZoneRight},       {496, 200, ZoneNone},   {101, 51, ZoneTopLeft},
        {103, 349, ZoneBottomLeft},  {499, 53, ZoneTopRight}, {497, 347, ZoneBottomRight},
        {300, 200, ZoneNone},
    };
    for (const ZoneCase &c : cases)
        EXPECT_EQ(edgeZone(QPoint(c.x, c.y), kWin), c.zone) << c.x << "," << c.y;
}

TEST(EdgeZone, OnlyANormalWindowOutsideTheEditorWithoutADragHasZones)
{
    EXPECT_TRUE(edgeZonesActive(false, false, WindowState::Normal, false));
    EXPECT_FALSE(edgeZonesActive(true, false, WindowState::Normal, false));
    EXPECT_FALSE(edgeZonesActive(false, true, WindowState::Normal, false));
    EXPECT_FALSE(edgeZonesActive(false, false, WindowState::Maximised, false));
    EXPECT_FALSE(edgeZonesActive(false, false, WindowState::Minimised, false));
    EXPECT_FALSE(edgeZonesActive(false, false, WindowState::Normal, true));
}

TEST(EdgeZone, CursorAndSystemEdgesPerZone)
{
    const struct {
        int zone;
        FrameCursor cursor;
        Qt::Edges edges;
    } cases[] = {
        {ZoneNone, FrameCursor::Default, {}},
        {ZoneLeft, FrameCursor::Horizontal, Qt::LeftEdge},
        {ZoneTopLeft, FrameCursor::DiagonalTLBR, Qt::TopEdge | Qt::LeftEdge},
        {ZoneBottomLeft, FrameCursor::DiagonalTRBL, Qt::BottomEdge | Qt::LeftEdge},
        {ZoneRight, FrameCursor::Horizontal, Qt::RightEdge},
        {ZoneTopRight, FrameCursor::DiagonalTRBL, Qt::TopEdge | Qt::RightEdge},
        {ZoneBottomRight, FrameCursor::DiagonalTLBR, Qt::BottomEdge | Qt::RightEdge},
        {ZoneTop, FrameCursor::Vertical, Qt::TopEdge},
        {ZoneBottom, FrameCursor::Vertical, Qt::BottomEdge},
        {9, FrameCursor::Default, {}},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(cursorForZone(c.zone), c.cursor) << c.zone;
        EXPECT_EQ(edgesForZone(c.zone), c.edges) << c.zone;
    }
}

TEST(EdgeDrag, EachZoneMovesItsEdges)
{
    const struct {
        int zone;
        QPoint pointer;
        QRect expected;
    } cases[] = {
        {ZoneLeft, {150, 200}, {150, 50, 350, 300}},
        {ZoneTopLeft, {150, 80}, {150, 80, 350, 270}},
        {ZoneBottomLeft, {150, 400}, {150, 50, 350, 352}},
        {ZoneRight, {600, 200}, {100, 50, 502, 300}},
        {ZoneTopRight, {600, 80}, {100, 80, 502, 270}},
        {ZoneBottomRight, {600, 400}, {100, 50, 502, 352}},
        {ZoneTop, {300, 80}, {100, 80, 400, 270}},
        {ZoneBottom, {300, 400}, {100, 50, 400, 352}},
        {ZoneNone, {600, 400}, kWin},
    };
    for (const auto &c : cases)
        EXPECT_EQ(resizeStep(c.zone, c.pointer, kWin), c.expected) << c.zone;
}

TEST(EdgeDrag, BelowTheMinimumTheFarEdgeMovesOn)
{
    // Left edge dragged right until the width would be 250: the left edge stays at the pointer.
    const QRect narrow = applyMinimumSize(resizeStep(ZoneLeft, QPoint(250, 200), kWin));
    EXPECT_EQ(narrow, QRect(250, 50, 300, 300));
    EXPECT_GT(narrow.left() + narrow.width(), kWin.left() + kWin.width());

    // Top edge dragged down past the minimum height, and past the bottom edge itself.
    EXPECT_EQ(applyMinimumSize(resizeStep(ZoneTop, QPoint(300, 200), kWin)),
              QRect(100, 200, 400, 200));
    EXPECT_EQ(applyMinimumSize(resizeStep(ZoneTopLeft, QPoint(700, 500), kWin)),
              QRect(700, 500, 300, 200));
    // Right and bottom edges dragged back past the left and top.
    EXPECT_EQ(applyMinimumSize(resizeStep(ZoneBottomRight, QPoint(20, 10), kWin)),
              QRect(100, 50, 300, 200));
    EXPECT_EQ(applyMinimumSize(kWin), kWin);
}

TEST(HeaderDrag, TheWindowFollowsThePointerAtThePressOffset)
{
    const MoveOffset off = moveOffset(QPointF(10.7, 5.5));
    EXPECT_EQ(off.x, 10);
    EXPECT_DOUBLE_EQ(off.y, 5.5);
    EXPECT_EQ(moveStep(off, QPointF(300, 200.2), kWin), QRect(290, 194, 400, 300));
    // Truncation goes toward zero left of and above the screen origin.
    EXPECT_EQ(moveStep(off, QPointF(5, 3), kWin), QRect(-5, -2, 400, 300));
}

TEST(FrameStates, MaximiseButtonTogglesFullScreenAndTheTag)
{
    FrameState s;
    s = afterMaximiseClick(s);
    EXPECT_EQ(s.state, WindowState::Maximised);
    EXPECT_EQ(s.tag, kTagMaximised);
    EXPECT_TRUE(s.fullScreen);
    EXPECT_STREQ(maxButtonStyle(s.maxButton), "deleteitembutton");

    s = afterMaximiseClick(s);
    EXPECT_EQ(s.state, WindowState::Normal);
    EXPECT_EQ(s.tag, kTagNormal);
    EXPECT_FALSE(s.fullScreen);
    EXPECT_STREQ(maxButtonStyle(s.maxButton), "addtoolbutton");
}

TEST(FrameStates, MinimiseRestoresTheRememberedState)
{
    FrameState normal;
    FrameState s = afterMinimiseClick(normal);
    EXPECT_EQ(s.state, WindowState::Minimised);
    EXPECT_EQ(afterMinimiseClick(s).state, WindowState::Normal);

    FrameState maximised = afterMaximiseClick(normal);
    s = afterMinimiseClick(maximised);
    EXPECT_EQ(s.state, WindowState::Minimised);
    EXPECT_EQ(s.tag, kTagMaximised);
    EXPECT_TRUE(s.fullScreen);
    EXPECT_EQ(afterMinimiseClick(s).state, WindowState::Maximised);
}

class Placing : public ::testing::Test {
protected:
    Placement place(int x, int y, int w, int h, const QList<QRect> &screens)
    {
        sts.GEN_Pos_X = x;
        sts.GEN_Pos_Y = y;
        sts.GEN_Width = w;
        sts.GEN_Height = h;
        return placeWindow(sts, screens);
    }
    QRect stored() const { return QRect(sts.GEN_Pos_X, sts.GEN_Pos_Y, sts.GEN_Width, sts.GEN_Height); }

    STS_Record sts;
    const QRect primary{0, 0, 1920, 1040};
    const QRect right{1920, 0, 1280, 1024};
};

TEST_F(Placing, BothPositionsZeroCentreInTheWorkAreaAndAreStored)
{
    Placement p = place(0, 0, 800, 600, {primary});
    EXPECT_EQ(p.bounds, QRect(560, 220, 800, 600));
    EXPECT_EQ(stored(), p.bounds);
    EXPECT_FALSE(p.maximised);
    EXPECT_EQ(p.tag, kTagNormal);
    EXPECT_EQ(p.maxButton, MaxButtonRole::Maximise);

    // A work area that leaves room for a panel on the left: centred within what is left.
    p = place(0, 0, 801, 600, {QRect(64, 0, 1856, 1080)});
    EXPECT_EQ(p.bounds, QRect(64 + 527, 240, 801, 600));
    EXPECT_EQ(stored(), p.bounds);
}

TEST_F(Placing, FullScreenMaximisesOverTheSavedBounds)
{
    sts.Full_Screen = true;
    const Placement p = place(200, 100, 800, 600, {primary});
    EXPECT_TRUE(p.maximised);
    EXPECT_EQ(p.tag, kTagMaximised);
    EXPECT_EQ(p.maxButton, MaxButtonRole::Restore);
    EXPECT_EQ(p.bounds, QRect(200, 100, 800, 600)); // what the restore button goes back to
}

TEST_F(Placing, SavedBoundsAreBroughtOntoTheScreens)
{
    const struct {
        const char *name;
        QRect saved;
        QList<QRect> screens;
        QRect expected;
    } cases[] = {
        {"on the primary", {200, 100, 800, 600}, {primary}, {200, 100, 800, 600}},
        {"across two screens", {1500, 100, 800, 600}, {primary, right}, {1500, 100, 800, 600}},
        {"on the second screen", {2000, 50, 800, 600}, {primary, right}, {2000, 50, 800, 600}},
        {"monitor unplugged on the right", {2000, 50, 800, 600}, {primary}, {560, 220, 800, 600}},
        {"monitor unplugged on the left", {-1500, 300, 800, 600}, {primary}, {560, 220, 800, 600}},
        {"larger than the work area", {10, 10, 2500, 1400}, {primary}, {0, 0, 1920, 1040}},
        {"off the right edge", {1500, 100, 800, 600}, {primary}, {1120, 100, 800, 600}},
        {"header above the screen", {100, -50, 800, 600}, {primary}, {100, 0, 800, 600}},
        {"mostly on the second screen", {3000, 900, 800, 600}, {primary, right}, {2400, 424, 800, 600}},
        {"no screen known", {5000, 5000, 800, 600}, {}, {5000, 5000, 800, 600}},
        {"width and height below the minimum", {200, 100, 10, -5}, {primary}, {200, 100, 300, 200}},
        {"empty work areas are no screens", {2000, 50, 800, 600}, {QRect(), primary}, {560, 220, 800, 600}},
    };
    for (const auto &c : cases) {
        const Placement p =
            place(c.saved.left(), c.saved.top(), c.saved.width(), c.saved.height(), c.screens);
        EXPECT_EQ(p.bounds, c.expected) << c.name;
        EXPECT_EQ(stored(), c.expected) << c.name;
    }
}

TEST_F(Placing, ExtremeSavedValuesStayOnTheScreen)
{
    constexpr int big = std::numeric_limits<int32_t>::max();
    constexpr int small = std::numeric_limits<int32_t>::min();
    EXPECT_TRUE(primary.contains(place(big, small, big, big, {primary}).bounds));
    EXPECT_TRUE(primary.contains(place(small, big, 800, 600, {primary}).bounds));
}

} // namespace
