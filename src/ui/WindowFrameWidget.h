#pragma once
// Frame behaviour for the borderless main window: the header moves the window, a 4-pixel band
// along every edge and corner resizes it, the maximise and minimise buttons switch its state, and
// the saved bounds are restored when it is shown. The window system runs the drags where it can
// (X11 and Wayland do, with the pointer grabbed by the compositor); where it refuses, a 10 ms
// poll of the pointer drags the window by the same geometry rules. The rules live in
// WindowFrame.h; this controller forwards the pointer and applies their results.

#include "platform/TTimer.h"
#include "ui/STS_Record.h"
#include "ui/WindowFrame.h"

#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <functional>

class QAbstractButton;
class QWidget;
class QWindow;

namespace qn {

class WindowFrameWidget : public QObject {
    Q_OBJECT
public:
    // Name of the dynamic property that carries the maximise button's look ("addtoolbutton" or
    // "deleteitembutton") for the style sheet.
    static constexpr const char *kStyleRoleProperty = "styleRole";

    // window becomes frameless; header is the strip that moves it; content is the panel whose
    // border band resizes it. sts supplies and receives Full_Screen and the GEN_ bounds; timers
    // serve the drag polling.
    WindowFrameWidget(QWidget *window, QWidget *header, QWidget *content, STS_Record &sts,
                      TimerHost &timers, QObject *parent = nullptr);
    ~WindowFrameWidget() override;

    // Another surface whose border band resizes too (a tab control or page that covers the
    // content panel's edge without being inside it).
    void addZoneWidget(QWidget *w);
    // Wires the header buttons; their clicks run maximiseClicked / minimiseClicked.
    void setMaximiseButton(QAbstractButton *button);
    void setMinimiseButton(QAbstractButton *button);

    // When the window is shown: restores the saved bounds (brought onto the screens) or maximises
    // it with Full_Screen.
    void place();
    void maximiseClicked();
    void minimiseClicked();
    // Minimum size, then afterSizeChange. Runs by itself after every move and size change; the
    // handler of event 2 calls it as well.
    void applyAfterSizeChange();

    // The bounds to save in the settings: the normal bounds while maximised or minimised.
    QRect bounds() const;

    int zone() const { return m_zone; }
    int tag() const { return m_tag; }
    bool edgeDragRunning() const;
    bool headerDragRunning() const { return m_manualMove; }
    WindowState windowState() const;

    // Re-places the open secondary forms and rescales the dashboard; must cope with any time.
    std::function<void()> afterSizeChange;
    // Posts event 2 with 100 ms: after an edge drag ends and after the maximise button.
    std::function<void()> postEvent2;
    // The dashboard editor is open: the border band does nothing.
    std::function<bool()> editorActive;

    // Access to the window system, replaceable in tests. Defaults: the global pointer position,
    // the primary button from the application's button state, the work areas of all screens with
    // the primary first, and QWindow's system move and resize.
    std::function<QPoint()> pointerPos;
    std::function<bool()> primaryButtonDown;
    std::function<QList<QRect>()> screenWorkAreas;
    std::function<bool(Qt::Edges)> systemResize;
    std::function<bool()> systemMove;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class Surface { None, Content, Header };

    void hookWindowHandle();
    Surface surfaceAt(QPoint windowPos, bool *onButton) const;
    bool zonesActive() const;
    void setZone(int zone);
    void setZoneCursor(FrameCursor shape);
    void setMaxButtonRole(MaxButtonRole role);
    void applyState(WindowState state);
    void syncFromWindowState();

    bool pointerMoved(QPoint global, QPoint local);
    bool pointerPressed(QPoint global, QPointF local);
    void startEdgeDrag(int zone);
    void startHeaderDrag(QPointF local);
    void sizeTick();
    void moveTick();
    void endSystemResize();
    void windowGeometryChanged(bool resized);

    QPointer<QWidget> m_window;
    QPointer<QWidget> m_header;
    QPointer<QWidget> m_content;
    QList<QPointer<QWidget>> m_zoneWidgets;
    QPointer<QWindow> m_handle;
    QPointer<QAbstractButton> m_maxButton;
    STS_Record &m_sts;

    TTimer m_sizeTimer;   // manual edge drag, polls the pointer
    TTimer m_moveTimer;   // manual header drag, polls the pointer
    TTimer m_settleTimer; // a resize run by the window system is over when the sizes stop coming

    int m_zone = ZoneNone;
    int m_dragZone = ZoneNone;
    bool m_manualResize = false;
    bool m_manualMove = false;
    bool m_systemResize = false;
    bool m_inAfterSizeChange = false;
    MoveOffset m_moveOffset;
    int m_tag = kTagNormal;
    QRect m_normalBounds;
};

} // namespace qn
