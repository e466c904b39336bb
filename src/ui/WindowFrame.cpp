#include "ui/WindowFrame.h"

#include <algorithm>
#include <cmath>

namespace qn {

int edgeZone(QPoint pointer, QRect window)
{
    const int mx = pointer.x(), my = pointer.y();
    const int L = window.left(), T = window.top(), W = window.width(), H = window.height();

    int zone = ZoneNone;
    if (T < my && my < T + kEdgeBand)
        zone = ZoneTop;
    else if (T + H - kEdgeBand < my && my < T + H)
        zone = ZoneBottom;

    if (L < mx && mx < L + kEdgeBand)
        zone = zone == ZoneTop ? ZoneTopLeft : zone == ZoneBottom ? ZoneBottomLeft : ZoneLeft;
    else if (L + W - kEdgeBand < mx && mx < L + W)
        zone = zone == ZoneTop ? ZoneTopRight : zone == ZoneBottom ? ZoneBottomRight : ZoneRight;
    return zone;
}

bool edgeZonesActive(bool editorActive, bool fullScreen, WindowState state, bool edgeDragRunning)
{
    return !editorActive && !fullScreen && state == WindowState::Normal && !edgeDragRunning;
}

FrameCursor cursorForZone(int zone)
{
    switch (zone) {
    case ZoneLeft:
    case ZoneRight:
        return FrameCursor::Horizontal;
    case ZoneTop:
    case ZoneBottom:
        return FrameCursor::Vertical;
    case ZoneTopLeft:
    case ZoneBottomRight:
        return FrameCursor::DiagonalTLBR;
    case ZoneBottomLeft:
    case ZoneTopRight:
        return FrameCursor::DiagonalTRBL;
    default:
        return FrameCursor::Default;
    }
}

Qt::Edges edgesForZone(int zone)
{
    switch (zone) {
    case ZoneLeft:
        return Qt::LeftEdge;
    case ZoneTopLeft:
        return Qt::TopEdge | Qt::LeftEdge;
    case ZoneBottomLeft:
        return Qt::BottomEdge | Qt::LeftEdge;
    case ZoneRight:
        return Qt::RightEdge;
    case ZoneTopRight:
        return Qt::TopEdge | Qt::RightEdge;
    case ZoneBottomRight:
        return Qt::BottomEdge | Qt::RightEdge;
    case ZoneTop:
        return Qt::TopEdge;
    case ZoneBottom:
        return Qt::BottomEdge;
    default:
        return {};
    }
}

QRect resizeStep(int zone, QPoint pointer, QRect window)
{
    const int x = pointer.x(), y = pointer.y();
    int L = window.left(), T = window.top(), W = window.width(), H = window.height();

    // The dragged edge follows the pointer; a right or bottom edge lands two pixels past it so
    // that the pointer stays inside the band while it moves.
    switch (zone) {
    case ZoneLeft:
    case ZoneTopLeft:
    case ZoneBottomLeft:
        W = L + W - x;
        L = x;
        break;
    case ZoneRight:
    case ZoneBottomRight:
        W = x - L + 2;
        break;
    case ZoneTopRight:
    case ZoneTop:
        H = T + H - y;
        T = y;
        break;
    case ZoneBottom:
        H = y - T + 2;
        break;
    default:
        return window;
    }

    switch (zone) {
    case ZoneTopLeft:
        H = T + H - y;
        T = y;
        break;
    case ZoneBottomLeft:
    case ZoneBottomRight:
        H = y - T + 2;
        break;
    case ZoneTopRight:
        W = x - L + 2;
        break;
    default:
        break;
    }
    return QRect(L, T, W, H);
}

MoveOffset moveOffset(QPointF pressInWindow)
{
    return MoveOffset{static_cast<int>(std::trunc(pressInWindow.x())), pressInWindow.y()};
}

QRect moveStep(MoveOffset offset, QPointF pointer, QRect window)
{
    const int T = static_cast<int>(std::trunc(pointer.y() - offset.y));
    const int L = static_cast<int>(std::trunc(pointer.x() - offset.x));
    return QRect(L, T, window.width(), window.height());
}

QRect applyMinimumSize(QRect window)
{
    return QRect(window.left(), window.top(), std::max(window.width(), kMinWindowWidth),
                 std::max(window.height(), kMinWindowHeight));
}

const char *maxButtonStyle(MaxButtonRole role)
{
    return role == MaxButtonRole::Restore ? "deleteitembutton" : "addtoolbutton";
}

FrameState afterMaximiseClick(FrameState s)
{
    if (s.state != WindowState::Normal) {
        s.fullScreen = false;
        s.maxButton = MaxButtonRole::Maximise;
        s.state = WindowState::Normal;
        s.tag = kTagNormal;
    } else {
        s.fullScreen = true;
        s.maxButton = MaxButtonRole::Restore;
        s.state = WindowState::Maximised;
        s.tag = kTagMaximised;
    }
    return s;
}

FrameState afterMinimiseClick(FrameState s)
{
    if (s.state != WindowState::Minimised)
        s.state = WindowState::Minimised;
    else
        s.state = s.tag == kTagMaximised ? WindowState::Maximised : WindowState::Normal;
    return s;
}

namespace {

int64_t area(const QRect &r)
{
    return r.isEmpty() ? 0 : int64_t(r.width()) * r.height();
}

// Shrinks r to fit into wa and pushes it inside, keeping as much of its position as it can.
QRect fitInto(QRect r, const QRect &wa)
{
    const int W = std::min(r.width(), wa.width());
    const int H = std::min(r.height(), wa.height());
    const int L = std::clamp(r.left(), wa.left(), wa.left() + wa.width() - W);
    const int T = std::clamp(r.top(), wa.top(), wa.top() + wa.height() - H);
    return QRect(L, T, W, H);
}

QRect centredIn(int W, int H, const QRect &wa)
{
    return QRect(wa.left() + (wa.width() - W) / 2, wa.top() + (wa.height() - H) / 2, W, H);
}

// Far beyond any desktop, yet small enough that no sum of two of them overflows.
constexpr int kMaxCoordinate = 1 << 20;

QRect normalBounds(const STS_Record &sts, const QList<QRect> &allScreens)
{
    // A width or height below the minimum (a damaged settings file) would give an unusable window.
    const int W = std::clamp<int>(sts.GEN_Width, kMinWindowWidth, kMaxCoordinate);
    const int H = std::clamp<int>(sts.GEN_Height, kMinWindowHeight, kMaxCoordinate);
    const int X = std::clamp<int>(sts.GEN_Pos_X, -kMaxCoordinate, kMaxCoordinate);
    const int Y = std::clamp<int>(sts.GEN_Pos_Y, -kMaxCoordinate, kMaxCoordinate);
    const bool centre = X == 0 && Y == 0;

    QList<QRect> screens;
    for (const QRect &wa : allScreens)
        if (!wa.isEmpty())
            screens.append(wa);
    if (screens.isEmpty())
        return QRect(X, Y, W, H);

    const QRect &primary = screens.front();
    if (centre) {
        const QRect fitted = fitInto(QRect(primary.topLeft(), QSize(W, H)), primary);
        return centredIn(fitted.width(), fitted.height(), primary);
    }

    const QRect saved(X, Y, W, H);
    // Wholly on the screens (possibly across two of them): leave it where the user put it.
    int64_t covered = 0;
    const QRect *best = nullptr;
    int64_t bestArea = 0;
    for (const QRect &wa : screens) {
        const int64_t a = area(saved.intersected(wa));
        covered += a;
        if (a > bestArea) {
            bestArea = a;
            best = &wa;
        }
    }
    if (covered >= area(saved))
        return saved;
    if (!best) {
        // Its monitor is gone: bring it to the middle of the primary work area.
        const QRect fitted = fitInto(QRect(primary.topLeft(), QSize(W, H)), primary);
        return centredIn(fitted.width(), fitted.height(), primary);
    }
    return fitInto(saved, *best);
}

} // namespace

Placement placeWindow(STS_Record &sts, const QList<QRect> &screens)
{
    Placement p;
    p.bounds = normalBounds(sts, screens);
    sts.GEN_Pos_X = p.bounds.left();
    sts.GEN_Pos_Y = p.bounds.top();
    sts.GEN_Width = p.bounds.width();
    sts.GEN_Height = p.bounds.height();
    if (sts.Full_Screen) {
        p.maximised = true;
        p.tag = kTagMaximised;
        p.maxButton = MaxButtonRole::Restore;
    }
    return p;
}

} // namespace qn
