#include "ui/WindowFrameWidget.h"

#include <QAbstractButton>
#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QStyle>
#include <QWidget>
#include <QWindow>

namespace qn {

namespace {

constexpr int kPollMs = 10;
// The window system reports no release at the end of a resize it runs; a pause in the stream of
// size changes this long ends the drag.
constexpr int kSettleMs = 200;

Qt::CursorShape shapeOf(FrameCursor c)
{
    switch (c) {
    case FrameCursor::Horizontal:
        return Qt::SizeHorCursor;
    case FrameCursor::Vertical:
        return Qt::SizeVerCursor;
    case FrameCursor::DiagonalTLBR:
        return Qt::SizeFDiagCursor;
    case FrameCursor::DiagonalTRBL:
        return Qt::SizeBDiagCursor;
    case FrameCursor::Default:
        break;
    }
    return Qt::ArrowCursor;
}

bool isInside(const QWidget *w, const QWidget *ancestor)
{
    for (; w; w = w->parentWidget())
        if (w == ancestor)
            return true;
    return false;
}

} // namespace

WindowFrameWidget::WindowFrameWidget(QWidget *window, QWidget *header, QWidget *content,
                                     STS_Record &sts, TimerHost &timers, QObject *parent)
    : QObject(parent), m_window(window), m_header(header), m_content(content), m_sts(sts),
      m_sizeTimer(timers, kPollMs), m_moveTimer(timers, kPollMs), m_settleTimer(timers, kSettleMs)
{
    pointerPos = [] { return QCursor::pos(); };
    primaryButtonDown = [] { return bool(QGuiApplication::mouseButtons() & Qt::LeftButton); };
    screenWorkAreas = [] {
        QList<QRect> areas;
        for (QScreen *s : QGuiApplication::screens()) // the primary screen comes first
            areas.append(s->availableGeometry());
        return areas;
    };
    systemResize = [this](Qt::Edges edges) {
        return m_handle && m_handle->startSystemResize(edges);
    };
    systemMove = [this] { return m_handle && m_handle->startSystemMove(); };

    m_sizeTimer.onTimer = [this] { sizeTick(); };
    m_moveTimer.onTimer = [this] { moveTick(); };
    m_settleTimer.onTimer = [this] {
        m_settleTimer.setEnabled(false);
        endSystemResize();
    };

    if (!(window->windowFlags() & Qt::FramelessWindowHint))
        window->setWindowFlag(Qt::FramelessWindowHint, true);
    window->setMinimumSize(kMinWindowWidth, kMinWindowHeight);
    window->installEventFilter(this);
    hookWindowHandle();
}

WindowFrameWidget::~WindowFrameWidget()
{
    if (m_handle)
        m_handle->removeEventFilter(this);
    if (m_window)
        m_window->removeEventFilter(this);
}

void WindowFrameWidget::addZoneWidget(QWidget *w)
{
    if (w)
        m_zoneWidgets.append(w);
}

void WindowFrameWidget::setMaximiseButton(QAbstractButton *button)
{
    m_maxButton = button;
    if (!button)
        return;
    connect(button, &QAbstractButton::clicked, this, &WindowFrameWidget::maximiseClicked);
    setMaxButtonRole(m_sts.Full_Screen ? MaxButtonRole::Restore : MaxButtonRole::Maximise);
}

void WindowFrameWidget::setMinimiseButton(QAbstractButton *button)
{
    if (button)
        connect(button, &QAbstractButton::clicked, this, &WindowFrameWidget::minimiseClicked);
}

// The mouse events of the whole window pass through its QWindow before any widget sees them, so
// the border band works over every child of the content, tracked or not.
void WindowFrameWidget::hookWindowHandle()
{
    QWindow *handle = m_window ? m_window->windowHandle() : nullptr;
    if (handle == m_handle)
        return;
    if (m_handle)
        m_handle->removeEventFilter(this);
    m_handle = handle;
    if (m_handle)
        m_handle->installEventFilter(this);
}

WindowState WindowFrameWidget::windowState() const
{
    const Qt::WindowStates s = m_window ? m_window->windowState() : Qt::WindowNoState;
    if (s & Qt::WindowMinimized)
        return WindowState::Minimised;
    if (s & (Qt::WindowMaximized | Qt::WindowFullScreen))
        return WindowState::Maximised;
    return WindowState::Normal;
}

bool WindowFrameWidget::edgeDragRunning() const
{
    return m_manualResize || m_systemResize;
}

bool WindowFrameWidget::zonesActive() const
{
    return edgeZonesActive(editorActive && editorActive(), m_sts.Full_Screen, windowState(),
                           edgeDragRunning());
}

WindowFrameWidget::Surface WindowFrameWidget::surfaceAt(QPoint windowPos, bool *onButton) const
{
    *onButton = false;
    QWidget *w = m_window->childAt(windowPos);
    if (!w)
        return Surface::Content; // the window's own background between its panels
    for (QWidget *p = w; p && p != m_window; p = p->parentWidget())
        if (qobject_cast<QAbstractButton *>(p))
            *onButton = true;
    if (m_header && isInside(w, m_header))
        return Surface::Header;
    if (m_content && isInside(w, m_content))
        return Surface::Content;
    for (const QPointer<QWidget> &z : m_zoneWidgets)
        if (z && isInside(w, z))
            return Surface::Content;
    return Surface::None; // an overlay form sitting on the window
}

void WindowFrameWidget::setZoneCursor(FrameCursor shape)
{
    QList<QWidget *> surfaces{m_content, m_header};
    for (const QPointer<QWidget> &z : m_zoneWidgets)
        surfaces.append(z);
    for (QWidget *w : surfaces) {
        if (!w)
            continue;
        if (shape == FrameCursor::Default)
            w->unsetCursor();
        else
            w->setCursor(shapeOf(shape));
    }
}

void WindowFrameWidget::setZone(int zone)
{
    if (zone == m_zone)
        return;
    m_zone = zone;
    setZoneCursor(cursorForZone(zone));
}

void WindowFrameWidget::setMaxButtonRole(MaxButtonRole role)
{
    if (!m_maxButton)
        return;
    m_maxButton->setProperty(kStyleRoleProperty, QString::fromLatin1(maxButtonStyle(role)));
    // A style sheet selecting on the property only sees the change after a re-polish.
    m_maxButton->style()->unpolish(m_maxButton);
    m_maxButton->style()->polish(m_maxButton);
}

bool WindowFrameWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window) {
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::WinIdChange:
            hookWindowHandle();
            break;
        case QEvent::Resize:
            windowGeometryChanged(true);
            break;
        case QEvent::Move:
            windowGeometryChanged(false);
            break;
        case QEvent::WindowStateChange:
            syncFromWindowState();
            break;
        default:
            break;
        }
        return false;
    }
    if (watched != m_handle || !m_window)
        return false;

    switch (event->type()) {
    case QEvent::MouseMove: {
        auto *me = static_cast<QMouseEvent *>(event);
        return pointerMoved(me->globalPosition().toPoint(), me->position().toPoint());
    }
    case QEvent::MouseButtonPress: {
        auto *me = static_cast<QMouseEvent *>(event);
        if (me->button() != Qt::LeftButton)
            return false;
        if (m_systemResize)
            endSystemResize(); // the compositor has given the pointer back
        return pointerPressed(me->globalPosition().toPoint(), me->position());
    }
    case QEvent::MouseButtonRelease:
        if (m_systemResize)
            endSystemResize();
        return false;
    case QEvent::Leave:
        if (!edgeDragRunning())
            setZone(ZoneNone);
        return false;
    default:
        return false;
    }
}

bool WindowFrameWidget::pointerMoved(QPoint global, QPoint local)
{
    if (!zonesActive()) {
        // A drag keeps its cursor; otherwise (editor, maximised) the band is gone.
        if (!edgeDragRunning())
            setZone(ZoneNone);
        return false;
    }
    bool onButton = false;
    const Surface s = surfaceAt(local, &onButton);
    // The header's buttons reach into the band at the top right; they stay buttons.
    setZone(s == Surface::None || onButton ? ZoneNone : edgeZone(global, m_window->geometry()));
    return false;
}

bool WindowFrameWidget::pointerPressed(QPoint global, QPointF local)
{
    bool onButton = false;
    const Surface s = surfaceAt(local.toPoint(), &onButton);
    if (s == Surface::None || m_manualResize || m_manualMove)
        return false; // one drag at a time

    // The border band wins over the header, so the top edge and corners resize as well.
    const int zone =
        zonesActive() && !onButton ? edgeZone(global, m_window->geometry()) : ZoneNone;
    if (zone != ZoneNone) {
        setZone(zone);
        startEdgeDrag(zone);
        return true;
    }
    if (s == Surface::Header && !onButton && windowState() == WindowState::Normal) {
        startHeaderDrag(local);
        return true;
    }
    return false;
}

void WindowFrameWidget::startEdgeDrag(int zone)
{
    m_dragZone = zone;
    if (systemResize && systemResize(edgesForZone(zone))) {
        m_systemResize = true;
        m_settleTimer.setEnabled(false);
        m_settleTimer.setEnabled(true);
        return;
    }
    m_manualResize = true;
    m_sizeTimer.setEnabled(true);
}

void WindowFrameWidget::startHeaderDrag(QPointF local)
{
    if (systemMove && systemMove())
        return; // the moves arrive as Move events
    m_moveOffset = moveOffset(local);
    m_manualMove = true;
    if (m_header)
        m_header->setCursor(Qt::SizeAllCursor);
    m_moveTimer.setEnabled(true);
}

void WindowFrameWidget::sizeTick()
{
    m_sizeTimer.setEnabled(false);
    if (!m_window) {
        m_manualResize = false;
        return;
    }
    const QRect next = applyMinimumSize(resizeStep(m_dragZone, pointerPos(), m_window->geometry()));
    m_window->setGeometry(next);
    m_normalBounds = next;
    if (primaryButtonDown()) {
        if (afterSizeChange)
            afterSizeChange();
        m_sizeTimer.setEnabled(true);
        return;
    }
    m_manualResize = false;
    m_dragZone = ZoneNone;
    m_zone = ZoneNone;
    setZoneCursor(FrameCursor::Default);
    if (postEvent2)
        postEvent2();
}

void WindowFrameWidget::moveTick()
{
    m_moveTimer.setEnabled(false);
    if (!m_window) {
        m_manualMove = false;
        return;
    }
    const QRect next = moveStep(m_moveOffset, QPointF(pointerPos()), m_window->geometry());
    m_window->move(next.topLeft());
    m_normalBounds = next;
    if (primaryButtonDown()) {
        m_moveTimer.setEnabled(true);
    } else {
        m_manualMove = false;
        if (m_header)
            m_header->unsetCursor();
    }
    applyAfterSizeChange();
}

void WindowFrameWidget::endSystemResize()
{
    if (!m_systemResize)
        return;
    m_settleTimer.setEnabled(false);
    m_systemResize = false;
    m_dragZone = ZoneNone;
    m_zone = ZoneNone;
    setZoneCursor(FrameCursor::Default);
    if (postEvent2)
        postEvent2();
}

void WindowFrameWidget::windowGeometryChanged(bool resized)
{
    if (m_manualResize || m_manualMove)
        return; // the drag's own tick applies the rules
    if (windowState() == WindowState::Normal)
        m_normalBounds = m_window->geometry();
    if (windowState() == WindowState::Minimised)
        return;
    applyAfterSizeChange();
    if (resized && m_systemResize) {
        m_settleTimer.setEnabled(false);
        m_settleTimer.setEnabled(true);
    }
}

void WindowFrameWidget::applyAfterSizeChange()
{
    if (!m_window || m_inAfterSizeChange)
        return;
    m_inAfterSizeChange = true;
    if (windowState() == WindowState::Normal) {
        const QRect g = m_window->geometry();
        const QRect fixed = applyMinimumSize(g);
        if (fixed != g)
            m_window->setGeometry(fixed);
    }
    if (afterSizeChange)
        afterSizeChange();
    m_inAfterSizeChange = false;
}

void WindowFrameWidget::applyState(WindowState state)
{
    switch (state) {
    case WindowState::Minimised:
        m_window->showMinimized();
        break;
    case WindowState::Maximised:
        if (windowState() == WindowState::Normal)
            m_normalBounds = m_window->geometry();
        m_window->showMaximized();
        break;
    case WindowState::Normal:
        m_window->showNormal();
        break;
    }
}

void WindowFrameWidget::maximiseClicked()
{
    if (!m_window)
        return;
    const FrameState now{windowState(), m_tag, m_sts.Full_Screen, MaxButtonRole::Maximise};
    const FrameState next = afterMaximiseClick(now);
    m_sts.Full_Screen = next.fullScreen;
    m_tag = next.tag;
    setMaxButtonRole(next.maxButton);
    setZone(ZoneNone);
    applyState(next.state);
    if (postEvent2)
        postEvent2();
}

void WindowFrameWidget::minimiseClicked()
{
    if (!m_window)
        return;
    const FrameState now{windowState(), m_tag, m_sts.Full_Screen, MaxButtonRole::Maximise};
    applyState(afterMinimiseClick(now).state);
}

// The window system can change the state too (a shortcut of the desktop, the task bar restoring a
// minimised window); Full_Screen, the tag and the button follow what the window really is.
void WindowFrameWidget::syncFromWindowState()
{
    switch (windowState()) {
    case WindowState::Minimised:
        return;
    case WindowState::Maximised:
        m_sts.Full_Screen = true;
        m_tag = kTagMaximised;
        setMaxButtonRole(MaxButtonRole::Restore);
        break;
    case WindowState::Normal:
        m_sts.Full_Screen = false;
        m_tag = kTagNormal;
        setMaxButtonRole(MaxButtonRole::Maximise);
        break;
    }
    setZone(ZoneNone);
}

void WindowFrameWidget::place()
{
    if (!m_window)
        return;
    const Placement p = placeWindow(m_sts, screenWorkAreas ? screenWorkAreas() : QList<QRect>{});
    m_tag = p.tag;
    m_normalBounds = p.bounds;
    Qt::WindowStates s = m_window->windowState() &
                         ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen);
    if (s != m_window->windowState())
        m_window->setWindowState(s);
    m_window->setGeometry(p.bounds);
    if (p.maximised)
        m_window->setWindowState(s | Qt::WindowMaximized);
    setMaxButtonRole(p.maxButton);
}

QRect WindowFrameWidget::bounds() const
{
    if (!m_window)
        return m_normalBounds;
    if (windowState() == WindowState::Normal)
        return m_window->geometry();
    return m_normalBounds.isValid() ? m_normalBounds : m_window->normalGeometry();
}

} // namespace qn
