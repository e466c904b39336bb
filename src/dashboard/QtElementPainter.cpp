#include "dashboard/QtElementPainter.h"

#include <QColor>
#include <QFileInfo>
#include <QPainter>
#include <QPen>
#include <QPointF>
#include <QRectF>

namespace qn {

namespace {

QColor argb(uint32_t c)
{
    return QColor::fromRgba(c);
}

// Strip across the bar or gauge, centred on pos along it (measured from the left, or from the
// bottom when vertical).
QRectF strip(const QSizeF &s, bool vertical, double pos)
{
    const double half = MarkerThickness / 2.0;
    if (vertical)
        return QRectF(0, s.height() - pos - half, s.width(), MarkerThickness);
    return QRectF(pos - half, 0, MarkerThickness, s.height());
}

// Part along the bar from its start (left, or bottom when vertical) up to length.
QRectF span(const QSizeF &s, bool vertical, double from, double to)
{
    if (vertical)
        return QRectF(QPointF(0, s.height() - to), QPointF(s.width(), s.height() - from)).normalized();
    return QRectF(QPointF(from, 0), QPointF(to, s.height())).normalized();
}

void fill(QPainter &p, const QRectF &r, uint32_t colour)
{
    if (r.width() > 0 && r.height() > 0)
        p.fillRect(r, argb(colour));
}

void paintTrend(QPainter &p, const ImageDrawState &st, const QSizeF &s)
{
    const auto &samples = st.samples;
    if (samples.empty())
        return;
    const double scale = st.trendMax > 0 ? s.height() / st.trendMax : s.height();
    const qsizetype k = qsizetype(samples.size());
    const double step = k <= 1 ? s.width() : s.width() / double(k - 1);
    QPen pen(argb(st.colour));
    pen.setWidth(StrokeWidth);
    p.setPen(pen);
    QPointF prev(0, s.height() - scale * samples[0]);
    for (qsizetype i = 1; i < k; ++i) {
        const QPointF next(double(i) * step, s.height() - scale * samples[size_t(i)]);
        p.drawLine(prev, next);
        prev = next;
    }
}

} // namespace

QImage QtElementPainter::paint(const ImageDrawState &st)
{
    if (!st.changed || st.kind == ImageKind::None || st.size.width() <= 0 || st.size.height() <= 0)
        return {};
    QImage source;
    if (st.kind == ImageKind::Picture) {
        if (!QFileInfo::exists(st.picturePath) || !source.load(st.picturePath))
            return {};
    }

    QImage image(st.size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    const QSizeF s(st.size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);

    switch (st.kind) {
    case ImageKind::FixHorizontal:
    case ImageKind::FixVertical: {
        const bool vertical = st.kind == ImageKind::FixVertical;
        fill(p, span(s, vertical, 0, st.length), st.colour);
        if (st.marker)
            fill(p, strip(s, vertical, st.markerPos), st.markerColour);
        break;
    }
    case ImageKind::Trend:
        paintTrend(p, st, s);
        break;
    case ImageKind::Gauge:
        fill(p, QRectF(QPointF(0, 0), s), st.background);
        fill(p, span(s, st.vertical, st.bandLow, st.bandHigh), st.band);
        if (st.marker)
            fill(p, strip(s, st.vertical, st.markerPos), st.markerColour);
        break;
    case ImageKind::Split:
        if (st.petrolTop >= 0)
            fill(p, QRectF(QPointF(0, st.petrolTop), QPointF(st.splitEdge, s.height())), st.petrolColour);
        if (st.gasTop >= 0)
            fill(p, QRectF(QPointF(st.splitEdge, st.gasTop), QPointF(s.width(), s.height())), st.gasColour);
        break;
    case ImageKind::Picture:
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        p.drawImage(QRectF(QPointF(0, 0), s), source);
        break;
    case ImageKind::FrameOnly:
    case ImageKind::None:
        break;
    }

    if (st.frame) {
        QPen pen(argb(st.stroke));
        pen.setWidth(StrokeWidth);
        pen.setJoinStyle(Qt::MiterJoin);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        // The 2 px stroke sits inside the bitmap's edge.
        p.drawRect(QRectF(1, 1, s.width() - 2, s.height() - 2));
    }
    p.end();
    return image;
}

} // namespace qn
