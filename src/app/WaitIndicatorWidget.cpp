#include "app/WaitIndicatorWidget.h"

#include <QEvent>
#include <QPainter>
#include <QPen>
#include <QTimerEvent>

#include <algorithm>

namespace qn {

WaitIndicatorWidget::WaitIndicatorWidget(QWidget *host) : QWidget(host), m_host(host)
{
    setObjectName(QStringLiteral("AniIndicator"));
    // In front of everything but not in the way: the connect message's Cancel button lies under it.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    if (m_host)
        m_host->installEventFilter(this);
    place();
}

WaitIndicatorWidget::~WaitIndicatorWidget() = default;

void WaitIndicatorWidget::place()
{
    if (!m_host)
        return;
    const int side = std::min(m_host->width(), m_host->height()) * 30 / 100;
    setGeometry((m_host->width() - side) / 2, (m_host->height() - side) / 2, side, side);
    raise();
}

bool WaitIndicatorWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_host && event->type() == QEvent::Resize)
        place();
    // Controls created after the spinner would cover it; keep it on top of its siblings.
    if (watched == m_host && event->type() == QEvent::ChildAdded)
        raise();
    return QWidget::eventFilter(watched, event);
}

void WaitIndicatorWidget::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_timer.start(FrameMs, this);
}

void WaitIndicatorWidget::hideEvent(QHideEvent *event)
{
    m_timer.stop();
    QWidget::hideEvent(event);
}

void WaitIndicatorWidget::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_timer.timerId()) {
        QWidget::timerEvent(event);
        return;
    }
    m_angle = (m_angle + StepDegrees) % 360;
    update();
}

void WaitIndicatorWidget::paintEvent(QPaintEvent *)
{
    const int side = std::min(width(), height());
    if (side <= 4)
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal pen = std::max<qreal>(2.0, side / 12.0);
    const QRectF ring(pen / 2, pen / 2, side - pen, side - pen);
    QColor colour = palette().color(QPalette::Highlight);
    // A faint full ring and a bright arc running round it.
    colour.setAlpha(60);
    p.setPen(QPen(colour, pen, Qt::SolidLine, Qt::FlatCap));
    p.drawEllipse(ring);
    colour.setAlpha(255);
    p.setPen(QPen(colour, pen, Qt::SolidLine, Qt::RoundCap));
    // Qt counts arcs in sixteenths of a degree, counter-clockwise; the arc runs clockwise.
    p.drawArc(ring, -m_angle * 16, 100 * 16);
}

void WaitIndicator::start()
{
    if (m_spinner || !m_host)
        return;
    m_spinner = new WaitIndicatorWidget(m_host);
    m_spinner->show();
    m_spinner->raise();
}

void WaitIndicator::stop()
{
    // Freed at once, so that a start right after a stop shows a fresh one.
    delete m_spinner.data();
    m_spinner.clear();
}

} // namespace qn
