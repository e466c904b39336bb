#include "ui/WindowFrameWidget.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QToolButton>
#include <QWidget>
#include <QWindow>
#include <gtest/gtest.h>

#include <memory>

using namespace qn;

namespace {

class PressCounter : public QWidget {
public:
    using QWidget::QWidget;
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent *e) override
    {
        ++presses;
        QWidget::mousePressEvent(e);
    }
};

// An 800 x 600 main window at 100,100: header 40 high with the maximise, minimise and close
// buttons at its right, the content below. The pointer and the primary button are the test's.
class FrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        header = new QWidget(&window);
        header->setGeometry(0, 0, 800, 40);
        minButton = new QToolButton(header);
        minButton->setGeometry(656, 0, 48, 40);
        maxButton = new QToolButton(header);
        maxButton->setGeometry(704, 0, 48, 40);
        closeButton = new QToolButton(header);
        closeButton->setGeometry(752, 0, 48, 40);
        content = new PressCounter(&window);
        content->setGeometry(0, 40, 800, 560);

        frame = std::make_unique<WindowFrameWidget>(&window, header, content, sts, clock);
        frame->pointerPos = [this] { return pointer; };
        frame->primaryButtonDown = [this] { return down; };
        frame->screenWorkAreas = [] { return QList<QRect>{QRect(0, 0, 1920, 1040)}; };
        frame->afterSizeChange = [this] { ++sizeChanges; };
        frame->postEvent2 = [this] { ++event2; };
        frame->editorActive = [this] { return editor; };
        frame->setMaximiseButton(maxButton);
        frame->setMinimiseButton(minButton);

        sts.GEN_Pos_X = 100;
        sts.GEN_Pos_Y = 100;
        frame->place();
        window.show();
        ASSERT_NE(window.windowHandle(), nullptr);
        ASSERT_EQ(window.geometry(), QRect(100, 100, 800, 600));
        sizeChanges = 0;
    }

    void mouse(QEvent::Type type, QPointF global, Qt::MouseButtons buttons)
    {
        const QPointF local = global - QPointF(window.geometry().topLeft());
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent e(type, local, global, button, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(window.windowHandle(), &e);
    }
    void moveTo(QPoint global) { mouse(QEvent::MouseMove, global, Qt::NoButton); }
    void press(QPointF global)
    {
        pointer = global.toPoint();
        down = true;
        mouse(QEvent::MouseButtonPress, global, Qt::LeftButton);
    }
    // One poll of the drag with the pointer at p.
    void dragTo(QPoint p)
    {
        pointer = p;
        clock.advance(10);
    }
    void release()
    {
        down = false;
        clock.advance(10);
    }

    VirtualClock clock;
    STS_Record sts;
    QWidget window;
    QWidget *header = nullptr;
    PressCounter *content = nullptr;
    QToolButton *minButton = nullptr;
    QToolButton *maxButton = nullptr;
    QToolButton *closeButton = nullptr;
    std::unique_ptr<WindowFrameWidget> frame;

    QPoint pointer;
    bool down = false;
    bool editor = false;
    int sizeChanges = 0;
    int event2 = 0;
};

TEST_F(FrameTest, TheCursorShowsTheZoneUnderThePointer)
{
    const struct {
        QPoint at;
        int zone;
        Qt::CursorShape shape;
    } cases[] = {
        {{101, 400}, ZoneLeft, Qt::SizeHorCursor},
        {{898, 400}, ZoneRight, Qt::SizeHorCursor},
        {{500, 699}, ZoneBottom, Qt::SizeVerCursor},
        {{101, 698}, ZoneBottomLeft, Qt::SizeBDiagCursor},
        {{899, 699}, ZoneBottomRight, Qt::SizeFDiagCursor},
        {{500, 400}, ZoneNone, Qt::ArrowCursor},
        {{300, 101}, ZoneTop, Qt::SizeVerCursor},    // over the header
        {{101, 102}, ZoneTopLeft, Qt::SizeFDiagCursor},
        {{300, 100}, ZoneNone, Qt::ArrowCursor},     // exactly on the top edge
        {{898, 101}, ZoneNone, Qt::ArrowCursor},     // the close button keeps the corner
    };
    for (const auto &c : cases) {
        moveTo(c.at);
        EXPECT_EQ(frame->zone(), c.zone) << c.at.x() << "," << c.at.y();
        EXPECT_EQ(content->cursor().shape(), c.shape) << c.at.x() << "," << c.at.y();
    }
    moveTo({101, 400});
    moveTo({500, 400});
    EXPECT_FALSE(content->testAttribute(Qt::WA_SetCursor)); // back to the inherited default
}

TEST_F(FrameTest, NoZonesWhileMaximisedOrInTheEditor)
{
    editor = true;
    moveTo({101, 400});
    EXPECT_EQ(frame->zone(), ZoneNone);
    press({101, 400});
    EXPECT_FALSE(frame->edgeDragRunning());
    down = false;

    editor = false;
    frame->maximiseClicked();
    moveTo({window.geometry().left() + 1, 400});
    EXPECT_EQ(frame->zone(), ZoneNone);
    EXPECT_EQ(content->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(FrameTest, LeftEdgeDragStopsAtTheMinimumWidthWithTheLeftEdgeAtThePointer)
{
    press({101, 400});
    EXPECT_EQ(content->presses, 0); // the band's press is the frame's, not the dashboard's
    ASSERT_TRUE(frame->edgeDragRunning());

    dragTo({150, 420});
    EXPECT_EQ(window.geometry(), QRect(150, 100, 750, 600));
    EXPECT_EQ(sizeChanges, 1);

    dragTo({650, 420}); // the width would be 250
    EXPECT_EQ(window.geometry(), QRect(650, 100, 300, 600));
    EXPECT_EQ(sizeChanges, 2);
    EXPECT_EQ(event2, 0);
    EXPECT_EQ(content->cursor().shape(), Qt::SizeHorCursor);

    release();
    EXPECT_FALSE(frame->edgeDragRunning());
    EXPECT_EQ(event2, 1);
    EXPECT_EQ(content->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(frame->bounds(), QRect(650, 100, 300, 600));

    clock.advance(100); // the drag is over: nothing polls any more
    EXPECT_EQ(window.geometry(), QRect(650, 100, 300, 600));
    EXPECT_EQ(event2, 1);
}

TEST_F(FrameTest, CornerDragMovesBothEdges)
{
    press({898, 698});
    dragTo({1000, 800});
    EXPECT_EQ(window.geometry(), QRect(100, 100, 902, 702));
    press({101, 101}); // a second press while dragging starts nothing new
    EXPECT_FALSE(frame->headerDragRunning());
    dragTo({1000, 800});
    EXPECT_EQ(window.geometry(), QRect(100, 100, 902, 702));
    release();
    EXPECT_EQ(event2, 1);
}

TEST_F(FrameTest, APressInTheMiddleReachesTheDashboard)
{
    press({500, 400});
    EXPECT_EQ(content->presses, 1);
    EXPECT_FALSE(frame->edgeDragRunning());
    EXPECT_FALSE(frame->headerDragRunning());
}

TEST_F(FrameTest, HeaderDragMovesTheWindowAtThePressOffset)
{
    press({110.7, 105.5}); // header-local 10.7, 5.5
    ASSERT_TRUE(frame->headerDragRunning());
    EXPECT_EQ(header->cursor().shape(), Qt::SizeAllCursor);

    dragTo({400, 300});
    EXPECT_EQ(window.geometry(), QRect(390, 294, 800, 600));
    EXPECT_EQ(sizeChanges, 1);

    release();
    EXPECT_FALSE(frame->headerDragRunning());
    EXPECT_FALSE(header->testAttribute(Qt::WA_SetCursor));
    EXPECT_EQ(sizeChanges, 2);
    EXPECT_EQ(event2, 0);
    EXPECT_EQ(frame->bounds(), QRect(390, 294, 800, 600));
}

TEST_F(FrameTest, HeaderButtonsDoNotDragTheWindow)
{
    press({850, 120});
    EXPECT_FALSE(frame->headerDragRunning());
    EXPECT_FALSE(frame->edgeDragRunning());
}

TEST_F(FrameTest, MaximiseButtonTogglesFullScreenAndPostsEvent2)
{
    EXPECT_EQ(maxButton->property(WindowFrameWidget::kStyleRoleProperty).toString(),
              QStringLiteral("addtoolbutton"));

    maxButton->click();
    EXPECT_TRUE(sts.Full_Screen);
    EXPECT_EQ(frame->windowState(), WindowState::Maximised);
    EXPECT_EQ(frame->tag(), kTagMaximised);
    EXPECT_EQ(maxButton->property(WindowFrameWidget::kStyleRoleProperty).toString(),
              QStringLiteral("deleteitembutton"));
    EXPECT_EQ(event2, 1);
    EXPECT_EQ(frame->bounds(), QRect(100, 100, 800, 600)); // saved as the normal bounds

    press({300, 110}); // no header drag while maximised
    EXPECT_FALSE(frame->headerDragRunning());
    down = false;

    maxButton->click();
    EXPECT_FALSE(sts.Full_Screen);
    EXPECT_EQ(frame->windowState(), WindowState::Normal);
    EXPECT_EQ(frame->tag(), kTagNormal);
    EXPECT_EQ(maxButton->property(WindowFrameWidget::kStyleRoleProperty).toString(),
              QStringLiteral("addtoolbutton"));
    EXPECT_EQ(event2, 2);
}

TEST_F(FrameTest, MinimiseRestoresTheStateBeforeIt)
{
    minButton->click();
    EXPECT_EQ(frame->windowState(), WindowState::Minimised);
    frame->minimiseClicked();
    EXPECT_EQ(frame->windowState(), WindowState::Normal);

    frame->maximiseClicked();
    frame->minimiseClicked();
    EXPECT_EQ(frame->windowState(), WindowState::Minimised);
    EXPECT_TRUE(sts.Full_Screen);
    frame->minimiseClicked();
    EXPECT_EQ(frame->windowState(), WindowState::Maximised);
    EXPECT_EQ(frame->bounds(), QRect(100, 100, 800, 600));
}

TEST_F(FrameTest, PlaceRestoresTheSavedBounds)
{
    window.hide();
    sts.GEN_Pos_X = 300;
    sts.GEN_Pos_Y = 200;
    sts.GEN_Width = 640;
    sts.GEN_Height = 480;
    frame->place();
    window.show();
    EXPECT_EQ(window.geometry(), QRect(300, 200, 640, 480));
    EXPECT_EQ(frame->bounds(), QRect(300, 200, 640, 480));

    // Saved on a monitor that is gone: back to the middle of the primary work area.
    window.hide();
    sts.GEN_Pos_X = 2500;
    frame->place();
    window.show();
    EXPECT_EQ(window.geometry(), QRect(640, 280, 640, 480));
    EXPECT_EQ(sts.GEN_Pos_X, 640);
    EXPECT_EQ(sts.GEN_Pos_Y, 280);

    window.hide();
    sts.Full_Screen = true;
    frame->place();
    window.show();
    EXPECT_EQ(frame->windowState(), WindowState::Maximised);
    EXPECT_EQ(frame->tag(), kTagMaximised);
    EXPECT_EQ(maxButton->property(WindowFrameWidget::kStyleRoleProperty).toString(),
              QStringLiteral("deleteitembutton"));
    EXPECT_EQ(frame->bounds(), QRect(640, 280, 640, 480));
}

TEST_F(FrameTest, TheWindowSystemRunsTheResizeWhereItCan)
{
    Qt::Edges asked;
    frame->systemResize = [&](Qt::Edges edges) {
        asked = edges;
        return true;
    };
    press({898, 698});
    EXPECT_EQ(asked, Qt::BottomEdge | Qt::RightEdge);
    ASSERT_TRUE(frame->edgeDragRunning());

    dragTo({1000, 800}); // no polling: the compositor owns the pointer
    EXPECT_EQ(window.geometry(), QRect(100, 100, 800, 600));

    window.resize(900, 700); // what the compositor does
    EXPECT_EQ(sizeChanges, 1);
    clock.advance(150);
    window.resize(950, 720);
    EXPECT_EQ(sizeChanges, 2);
    clock.advance(150);
    EXPECT_EQ(event2, 0); // still coming
    clock.advance(100);
    EXPECT_EQ(event2, 1);
    EXPECT_FALSE(frame->edgeDragRunning());
    EXPECT_EQ(content->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(FrameTest, AnySizeChangeKeepsTheMinimumSize)
{
    window.setMinimumSize(0, 0); // as a window manager ignoring the hint would
    window.resize(200, 100);
    EXPECT_EQ(window.size(), QSize(300, 200));
    EXPECT_GE(sizeChanges, 1);
}

} // namespace
