#pragma once
// The frame of the borderless main window: which border band the pointer is over, how an edge or
// header drag changes the window's bounds, the minimum size, the maximise/minimise states and the
// placement at start. All positions are screen coordinates; the rules are plain arithmetic so the
// window controller only forwards pointer events and applies the results.

#include "ui/STS_Record.h"

#include <QList>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <qnamespace.h>

namespace qn {

// Edge zones: the band along each border and the four corners.
enum EdgeZoneCode : int {
    ZoneNone = 0,
    ZoneLeft = 1,
    ZoneTopLeft = 2,
    ZoneBottomLeft = 3,
    ZoneRight = 4,
    ZoneTopRight = 5,
    ZoneBottomRight = 6,
    ZoneTop = 7,
    ZoneBottom = 8,
};

// Width of the border band in pixels.
inline constexpr int kEdgeBand = 4;
// Smallest window the dashboard can still be laid out in.
inline constexpr int kMinWindowWidth = 300;
inline constexpr int kMinWindowHeight = 200;

// The zone (0..8) of a pointer over a window. The bands are open intervals: a pointer exactly on
// the window's left or top coordinate is in no zone, one to three pixels inside are.
int edgeZone(QPoint pointer, QRect window);

// Zones are only live on a normal window outside the editor, while no edge drag runs.
enum class WindowState { Normal, Minimised, Maximised };
bool edgeZonesActive(bool editorActive, bool fullScreen, WindowState state, bool edgeDragRunning);

// The pointer shape shown over the content in each zone.
enum class FrameCursor { Default, Horizontal, Vertical, DiagonalTLBR, DiagonalTRBL };
FrameCursor cursorForZone(int zone);

// The window edges a zone drags, for a resize that the window system runs itself.
Qt::Edges edgesForZone(int zone);

// One tick of an edge drag that started in zone: the bounds the window takes with the pointer at
// pointer. The minimum size is not applied here; applyMinimumSize follows.
QRect resizeStep(int zone, QPoint pointer, QRect window);

// A header drag keeps the press position inside the window: x truncated, y as it came.
struct MoveOffset {
    int x = 0;
    double y = 0;
};
MoveOffset moveOffset(QPointF pressInWindow);
// One tick of a header drag: the window's top-left follows the pointer, its size stays.
QRect moveStep(MoveOffset offset, QPointF pointer, QRect window);

// After every size change: too narrow or too low grows to the minimum, keeping the left and top,
// so a left edge dragged past the minimum stays at the pointer and the right edge moves on.
QRect applyMinimumSize(QRect window);

// The two looks of the maximise button, named by the style they take.
enum class MaxButtonRole { Maximise, Restore };
const char *maxButtonStyle(MaxButtonRole role); // "addtoolbutton" / "deleteitembutton"

// The window's tag: the state a minimised window returns to.
inline constexpr int kTagNormal = 0;
inline constexpr int kTagMaximised = 2;

struct FrameState {
    WindowState state = WindowState::Normal;
    int tag = kTagNormal;
    bool fullScreen = false; // the Full_Screen setting
    MaxButtonRole maxButton = MaxButtonRole::Maximise;
};

// The maximise button: a maximised (or minimised) window becomes normal, a normal one maximised.
// The caller posts event 2 afterwards.
FrameState afterMaximiseClick(FrameState s);
// The minimise button: minimises, or restores a minimised window to the state its tag remembers.
FrameState afterMinimiseClick(FrameState s);

struct Placement {
    QRect bounds;      // the normal bounds (also the bounds a maximised window restores to)
    bool maximised = false;
    int tag = kTagNormal;
    MaxButtonRole maxButton = MaxButtonRole::Maximise;
};

// Where the window goes when it is shown. With Full_Screen it is maximised. Otherwise it takes
// GEN_Width x GEN_Height at GEN_Pos_X/GEN_Pos_Y; both positions 0 centre it in the primary work
// area. The saved bounds are brought onto the screens: a window off every screen (its monitor
// gone) moves to the primary work area, one larger than its screen's work area shrinks to fit, and
// one hanging over an edge is pushed inside so that its header can be reached. The bounds used
// are stored back into the settings. screens are the work areas of the available screens, the
// primary first; with none the saved bounds are used as they are.
Placement placeWindow(STS_Record &sts, const QList<QRect> &screens);

} // namespace qn
