#include "ui/QtTextMeasure.h"

#include "ui/STS_Record.h"

#include <QFontMetricsF>
#include <QRectF>

#include <algorithm>
#include <utility>

namespace qn {

QtTextMeasure::QtTextMeasure(QString family, uint8_t style)
    : m_family(std::move(family)), m_style(style)
{
}

QFont QtTextMeasure::makeFont(const QString &family, uint8_t style, int pointSize)
{
    QFont f(family);
    // Qt rejects sizes below 1; the fitting loops never ask for less than 3 anyway.
    f.setPointSize(std::max(1, pointSize));
    f.setBold(style & FontBold);
    f.setItalic(style & FontItalic);
    f.setUnderline(style & FontUnderline);
    f.setStrikeOut(style & FontStrikeOut);
    return f;
}

QFont QtTextMeasure::font(int pointSize) const { return makeFont(m_family, m_style, pointSize); }

double QtTextMeasure::width(const QString &text, int pointSize) const
{
    const QFontMetricsF fm(font(pointSize));
    return fm.boundingRect(QRectF(), Qt::AlignLeft | Qt::AlignTop, text).width();
}

double QtTextMeasure::height(const QString &text, int pointSize) const
{
    const QFontMetricsF fm(font(pointSize));
    // An empty text still occupies one line, as on a label.
    if (text.isEmpty())
        return fm.height();
    return fm.boundingRect(QRectF(), Qt::AlignLeft | Qt::AlignTop, text).height();
}

double QtTextMeasure::wrappedHeight(const QString &text, int pointSize, double width) const
{
    const QFontMetricsF fm(font(pointSize));
    if (text.isEmpty())
        return fm.height();
    const QRectF box(0, 0, std::max(1.0, width), 1.0e6);
    return fm.boundingRect(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text).height();
}

} // namespace qn
