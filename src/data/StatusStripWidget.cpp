#include "data/StatusStripWidget.h"

#include "ui/QtTextMeasure.h"
#include "ui/STS_Record.h"
#include "ui/TextFit.h"

#include <QColor>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <utility>

namespace qn {

StatusStripWidget::StatusStripWidget(StatusStrip &strip, const STS_Record &settings,
                                     QWidget *parent)
    : QFrame(parent), m_strip(strip), m_settings(settings), m_label(new QLabel(this))
{
    setObjectName(QStringLiteral("IND_Box"));
    m_label->setObjectName(QStringLiteral("IND_Txt"));
    // Device texts (ECU name, car number) are never interpreted as markup.
    m_label->setTextFormat(Qt::PlainText);
    m_label->setWordWrap(false);
    m_label->setAlignment(Qt::AlignCenter);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_label);
    if (parent)
        parent->installEventFilter(this);
    // Whoever listened before keeps being told, after the strip is redrawn.
    m_previousListener = std::move(m_strip.onChanged);
    m_strip.onChanged = [this](const StatusStrip::View &v) {
        refresh();
        if (m_previousListener)
            m_previousListener(v);
    };
    refresh();
}

StatusStripWidget::~StatusStripWidget() { m_strip.onChanged = std::move(m_previousListener); }

void StatusStripWidget::refresh()
{
    const StatusStrip::View &v = m_strip.view();
    setFixedHeight(v.height);
    // The entry's colour wins over whatever colour the style sheet gives labels.
    const QColor c = QColor::fromRgba(v.colour);
    m_label->setStyleSheet(QStringLiteral("color: rgba(%1, %2, %3, %4);")
                               .arg(c.red())
                               .arg(c.green())
                               .arg(c.blue())
                               .arg(c.alpha()));
    if (m_label->text() != v.text)
        m_label->setText(v.text);
    anchor();
    setVisible(v.visible);
    fitFont();
}

void StatusStripWidget::fitFont()
{
    const QString text = m_label->text();
    const QSize box(width(), m_strip.view().height);
    if (text == m_fittedText && box == m_fittedFor && m_fittedSize != 0)
        return;
    const QtTextMeasure measure(m_settings.FNT_Family, m_settings.FNT_Style);
    m_fittedSize = boxFit(text, box.width(), box.height(), m_settings.FNT_Size, measure);
    m_fittedText = text;
    m_fittedFor = box;
    m_label->setFont(measure.font(m_fittedSize));
}

void StatusStripWidget::anchor()
{
    QWidget *p = parentWidget();
    if (!p || p->layout())
        return;
    const int h = m_strip.view().height;
    setGeometry(0, p->height() - h, p->width(), h);
}

bool StatusStripWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        anchor();
    return QFrame::eventFilter(watched, event);
}

void StatusStripWidget::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    fitFont();
}

} // namespace qn
