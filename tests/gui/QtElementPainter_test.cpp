#include "dashboard/QtElementPainter.h"

#include "ui/STS_Record.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace qn {
namespace {

constexpr uint32_t Accent = 0xFFFFFFFF;
constexpr uint32_t Fill = 0xFF2080C0;
constexpr uint32_t Peak = 0xFFFF0000;

uint32_t at(const QImage &img, int x, int y)
{
    return img.pixel(x, y);
}

// Length of the run of `colour` along the middle row from the left edge, skipping the frame.
int runFromLeft(const QImage &img, uint32_t colour)
{
    const int y = img.height() / 2;
    int x = 2;
    while (x < img.width() && at(img, x, y) == colour)
        ++x;
    return x;
}

TEST(QtElementPainter, HorizontalBarLengthFollowsValue)
{
    QString attrs;
    ImageDrawState st;
    st.colour = Fill;
    st.stroke = Accent;
    fixingBar(attrs, QSize(200, 20), false, 30, 100, false, Peak, st);
    const QImage img = QtElementPainter::paint(st);
    ASSERT_EQ(img.size(), QSize(200, 20));
    EXPECT_EQ(runFromLeft(img, Fill), 60);
    EXPECT_EQ(at(img, 100, 10), 0u); // cleared, transparent
    EXPECT_EQ(at(img, 0, 10), Accent);   // frame on every edge
    EXPECT_EQ(at(img, 199, 10), Accent);
    EXPECT_EQ(at(img, 100, 0), Accent);
    EXPECT_EQ(at(img, 100, 19), Accent);
}

TEST(QtElementPainter, PeakMarkerAfterHoldAndVerticalBar)
{
    QString attrs;
    ImageDrawState st;
    st.colour = Fill;
    st.stroke = Accent;
    fixingBar(attrs, QSize(20, 200), true, 50, 100, true, Peak, st); // peak at 100 px from the bottom
    for (int i = 0; i < 30; ++i)
        fixingBar(attrs, QSize(20, 200), true, 10, 100, true, Peak, st);
    ASSERT_DOUBLE_EQ(st.markerPos, 97);
    const QImage img = QtElementPainter::paint(st);
    // Bar: 20 px from the bottom.
    EXPECT_EQ(at(img, 10, 185), Fill);
    EXPECT_EQ(at(img, 10, 178), 0u);
    // Marker strip 6 px centred 97 px above the bottom: rows 100..105.
    EXPECT_EQ(at(img, 10, 99), 0u);
    for (int y = 100; y <= 105; ++y)
        EXPECT_EQ(at(img, 10, y), Peak) << y;
    EXPECT_EQ(at(img, 10, 106), 0u);
}

TEST(QtElementPainter, SplitBarShares)
{
    ColourTables colours;
    colours.general[RC_Petrol] = 0xFF800000;
    colours.general[RC_Gas] = 0xFF008000;
    QString attrs = QStringLiteral(" 6: 100");
    ImageDrawState st;
    st.stroke = Accent;
    splitBar(attrs, {40, 60}, QSize(100, 100), colours, st); // diesel 60 %, diesel top 40, gas top 60
    const QImage img = QtElementPainter::paint(st);
    EXPECT_EQ(at(img, 30, 50), colours.general[RC_Petrol]);
    EXPECT_EQ(at(img, 59, 50), colours.general[RC_Petrol]);
    EXPECT_EQ(at(img, 60, 70), colours.general[RC_Gas]);
    EXPECT_EQ(at(img, 80, 50), 0u);  // above the gas top
    EXPECT_EQ(at(img, 30, 39), 0u);  // above the diesel top
    EXPECT_EQ(at(img, 30, 41), colours.general[RC_Petrol]);
}

TEST(QtElementPainter, GaugeBandMarkerAndTrendLine)
{
    ImageDrawState g;
    g.changed = true;
    g.kind = ImageKind::Gauge;
    g.size = QSize(200, 20);
    g.background = 0xFF404040;
    g.band = 0xFF00FF00;
    g.bandLow = 50;
    g.bandHigh = 100;
    g.marker = true;
    g.markerPos = 150;
    g.markerColour = 0xFFFFFF00;
    const QImage img = QtElementPainter::paint(g);
    EXPECT_EQ(at(img, 20, 10), g.background);
    EXPECT_EQ(at(img, 75, 10), g.band);
    EXPECT_EQ(at(img, 149, 10), g.markerColour);
    EXPECT_EQ(at(img, 160, 10), g.background);

    ImageDrawState t;
    QString hint;
    t.colour = Fill;
    trendGraph(hint, 8000, 50, true, QSize(100, 100), t);
    t.frame = false;
    t.trendMax = 100; // a flat history at half the running maximum sits at mid height
    const QImage line = QtElementPainter::paint(t);
    EXPECT_TRUE(at(line, 50, 49) == Fill || at(line, 50, 50) == Fill);
    EXPECT_EQ(at(line, 50, 45), 0u);
    EXPECT_EQ(at(line, 50, 55), 0u);
    EXPECT_EQ(at(line, 0, 0), 0u); // no frame
}

TEST(QtElementPainter, NothingToPaint)
{
    ImageDrawState none;
    EXPECT_TRUE(QtElementPainter::paint(none).isNull());
    QTemporaryDir dir;
    const ImageDrawState missing = pictureImage(QSize(10, 10), dir.filePath(QStringLiteral("qn.jpg")), Accent);
    EXPECT_TRUE(QtElementPainter::paint(missing).isNull());

    QImage src(4, 4, QImage::Format_RGB32);
    src.fill(QColor(10, 200, 30));
    const QString path = dir.filePath(QStringLiteral("pic.jpg"));
    ASSERT_TRUE(src.save(path, "JPG", 100));
    const QImage pic = QtElementPainter::paint(pictureImage(QSize(40, 20), path, Accent));
    ASSERT_EQ(pic.size(), QSize(40, 20));
    const QColor c = QColor::fromRgba(at(pic, 20, 10));
    EXPECT_NEAR(c.green(), 200, 8);
    EXPECT_NEAR(c.red(), 10, 8);
}

} // namespace
} // namespace qn
