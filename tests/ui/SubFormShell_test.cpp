#include "ui/SubFormShell.h"
#include "ui/TextFit.h"

#include <gtest/gtest.h>

#include <vector>

using namespace qn;
using namespace qn::subform;

namespace {

TEST(SubFormKinds, MinimumWidths)
{
    const int expected[] = {180, 180, 300, 200, 300, 300, 180, 300, 300, 300, 300};
    for (int kind = 1; kind <= KindCount; ++kind) {
        SCOPED_TRACE(kind);
        EXPECT_EQ(minimumWidth(kind), expected[kind - 1]);
        EXPECT_TRUE(hasFinalFit(kind));
    }
    for (int other : {0, -1, 12, 255}) {
        SCOPED_TRACE(other);
        EXPECT_EQ(minimumWidth(other), 0);
        EXPECT_FALSE(hasFinalFit(other));
    }
}

class LinesOfSize : public TextMeasure {
public:
    double width(const QString &text, int size) const override { return text.size() * size / 2.0; }
    double height(const QString &, int size) const override { return size * 1.25; }
    double wrappedHeight(const QString &t, int size, double) const override
    {
        return height(t, size);
    }
};

TEST(SubFormMeasures, RowHeightIsTheTextHeightOfABCDPlusTwo)
{
    const LinesOfSize m;
    EXPECT_DOUBLE_EQ(textHeight(m, QStringLiteral("x"), 20), 27.0);
    EXPECT_DOUBLE_EQ(rowHeight(m, 20), 29.0);
    EXPECT_DOUBLE_EQ(textWidth(m, QStringLiteral("ABCD"), 20, 6), 46.0);
}

TEST(SizeAsList, WidthFromMinimumHeaderOrWidestItem)
{
    struct Case {
        int kind;
        double header;
        std::vector<double> items;
        int clientWidth;
    };
    const Case cases[] = {
        {KindSET, 100, {120, 200}, 300 + 12},   // the minimum width wins
        {KindSET, 350, {120, 200}, 352 + 12},   // the header text plus 2
        {KindSET, 100, {120, 333.7}, 383 + 12}, // the widest item plus 50, truncated
        {KindABT, 10, {}, 180 + 12},
        {0, 10, {20}, 70 + 12}, // no kind: no minimum
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.kind);
        EXPECT_EQ(sizeAsList(c.kind, c.header, c.items, 30).clientWidth, c.clientWidth);
    }
}

TEST(SizeAsList, HeightFromRows)
{
    // Ten rows with a detail line: h + 20 each plus a pixel between them, plus header and margins.
    const ListSize s = sizeAsList(KindSET, 10, std::vector<double>(10, 50), 30);
    EXPECT_DOUBLE_EQ(s.itemHeight, 50);
    EXPECT_DOUBLE_EQ(s.listHeight, 510);
    EXPECT_EQ(s.clientHeight, 562);

    // The selection form's rows have no detail line.
    const ListSize sel = sizeAsList(KindSEL, 10, std::vector<double>(4, 50), 30.5);
    EXPECT_DOUBLE_EQ(sel.itemHeight, 30.5);
    EXPECT_EQ(sel.clientHeight, 178); // 4 * 30.5 + 4 + 52
}

TEST(SizeAsList, ConnectionFormCountsThreeRowsWhileBluetoothIsHidden)
{
    const std::vector<double> items(6, 50);
    EXPECT_EQ(sizeAsList(KindCON, 10, items, 30, true).listHeight, 3 * 50 + 3);
    EXPECT_EQ(sizeAsList(KindCON, 10, items, 30, false).listHeight, 6 * 50 + 6);
    // Only the connection form has that rule.
    EXPECT_EQ(sizeAsList(KindCFG, 10, items, 30, true).listHeight, 6 * 50 + 6);
}

TEST(SizeAsList, TallListIsHeldAt1080)
{
    const ListSize s = sizeAsList(KindSEL, 10, std::vector<double>(100, 50), 30);
    EXPECT_GT(s.listHeight + 52, MaxClientHeight);
    EXPECT_EQ(s.clientHeight, MaxClientHeight);
}

TEST(SizeOtherLists, ColourAndRadioLists)
{
    const ListSize colours = sizeColourList(240, 140);
    EXPECT_DOUBLE_EQ(colours.listHeight, 19 * 140);
    EXPECT_EQ(colours.clientHeight, MaxClientHeight);
    EXPECT_EQ(colours.clientWidth, 242 + 12);
    EXPECT_EQ(sizeColourList(10, 5).clientHeight, 95 + 52);
    EXPECT_EQ(sizeColourList(10, 5).clientWidth, 180 + 12);

    const ListSize radio = sizeRadioList(10, {100, 250.9, 30}, 30);
    EXPECT_EQ(radio.clientWidth, 270 + 12); // widest text plus 20
    EXPECT_EQ(radio.clientHeight, 3 * 30 + 3 + 52);
    EXPECT_EQ(sizeRadioList(10, {}, 30).clientWidth, 180 + 12);
}

// A list whose rows need `content` pixels, in a form whose viewport is its client height less 52.
struct FitFixture {
    int content;
    FinalFitInput in;
    explicit FitFixture(int contentHeight, int clientHeight, Rect main = {100, 50, 1600, 1200})
        : content(contentHeight)
    {
        in.clientWidth = 312;
        in.clientHeight = clientHeight;
        in.needsScrollBar = [c = content](int h) { return c > h - 52; };
        in.scrollBarWidth = 14;
        in.main = main;
        in.mainClientWidth = main.width;
        in.mainClientHeight = main.height;
    }
};

TEST(FinalFit, GrowsUntilTheScrollBarGoesThenTwoMore)
{
    FitFixture f(520, 562); // eight pixels short
    const FinalFitResult r = finalFit(f.in);
    EXPECT_EQ(r.clientHeight, 572 + 2);
    EXPECT_FALSE(r.scrollBar);
    EXPECT_EQ(r.clientWidth, 312); // no scroll bar, no extra width
    EXPECT_EQ(r.naturalHeight, 574);
    EXPECT_EQ(r.naturalWidth, 312);
    EXPECT_EQ(r.left, 100 + 1600 - 312);
}

TEST(FinalFit, ListTallerThan1080KeepsItsScrollBar)
{
    FitFixture f(5000, sizeAsList(KindSEL, 10, std::vector<double>(160, 50), 30).clientHeight);
    ASSERT_EQ(f.in.clientHeight, MaxClientHeight);
    const FinalFitResult r = finalFit(f.in);
    EXPECT_EQ(r.clientHeight, MaxClientHeight + 2);
    EXPECT_TRUE(r.scrollBar);
    EXPECT_EQ(r.clientWidth, 312 + 14); // room for the scroll bar
}

TEST(FinalFit, HeldToTheMainWindowsClientArea)
{
    FitFixture f(5000, 1080, Rect{0, 0, 320, 700});
    const FinalFitResult r = finalFit(f.in);
    EXPECT_EQ(r.clientHeight, 700);
    EXPECT_EQ(r.naturalHeight, 1082); // the form's own height is kept unheld
    EXPECT_TRUE(r.scrollBar);
    EXPECT_EQ(r.clientWidth, 320); // 326 with the scroll bar, held to the main window
    EXPECT_EQ(r.naturalWidth, 320);
    EXPECT_EQ(r.left, 0);
}

TEST(FinalFit, FrameCountsInTheFormSize)
{
    FitFixture f(100, 200);
    f.in.frameWidth = 6;
    f.in.frameHeight = 30;
    const FinalFitResult r = finalFit(f.in);
    EXPECT_EQ(r.naturalHeight, 202 + 30);
    EXPECT_EQ(r.left, 100 + 1600 - 318);
}

TEST(Placement, TopRightOfTheMainWindow)
{
    const Rect r = place(Rect{100, 50, 800, 600}, Rect{0, 0, 312, 400});
    EXPECT_EQ(r, (Rect{100 + 800 - 312, 50, 312, 400}));
    EXPECT_EQ(placeLeft(Rect{-20, 0, 300, 10}, 312), -32);
}

TEST(FollowMainWindow, GluedToTheTopRightAndNeverLarger)
{
    struct Case {
        Rect main;
        int naturalW, naturalH;
        Rect expected;
    };
    const Case cases[] = {
        {{100, 50, 800, 600}, 312, 400, {588, 50, 312, 400}},  // moved: natural size
        {{0, 0, 250, 300}, 312, 400, {0, 0, 250, 300}},        // shrunk below the form
        {{10, 20, 1000, 900}, 312, 1082, {698, 20, 312, 900}}, // high form held to the window
        {{10, 20, 312, 400}, 312, 400, {10, 20, 312, 400}},    // exactly as large
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.main.width);
        const Rect r = followMainWindow(c.main, c.naturalW, c.naturalH);
        EXPECT_EQ(r, c.expected);
        EXPECT_EQ(r.left + r.width, c.main.left + c.main.width); // right edges meet
    }
}

} // namespace
