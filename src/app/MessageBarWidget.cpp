#include "app/MessageBarWidget.h"

#include "app/MessageBar.h"
#include "ui/QtTextMeasure.h"
#include "ui/STS_Record.h"

#include <QColor>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QToolButton>

namespace qn {

namespace {

QString cssColour(uint32_t argb)
{
    const QColor c = QColor::fromRgba(argb);
    return QStringLiteral("rgba(%1, %2, %3, %4)").arg(c.red()).arg(c.green()).arg(c.blue()).arg(c.alpha());
}

} // namespace

MessageBarWidget::MessageBarWidget(MessageBar &bar, const STS_Record &sts, QWidget *client)
    : QFrame(client), m_bar(bar), m_sts(sts), m_client(client)
{
    setObjectName(QStringLiteral("Panel_MSG"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);

    m_label = new QLabel(this);
    m_label->setObjectName(QStringLiteral("Label_MSG"));
    // Messages carry device and file names: never interpreted as markup.
    m_label->setTextFormat(Qt::PlainText);
    m_label->setWordWrap(true);
    m_label->setAlignment(Qt::AlignCenter);

    m_countdown = new QProgressBar(this);
    m_countdown->setObjectName(QStringLiteral("ProgressBar_MSG"));
    m_countdown->setTextVisible(false);
    m_countdown->hide();

    if (m_client)
        m_client->installEventFilter(this);
    m_bar.onChanged = [this] { sync(); };
    hide();
    sync();
}

MessageBarWidget::~MessageBarWidget()
{
    m_bar.onChanged = nullptr;
}

bool MessageBarWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_client && event->type() == QEvent::Resize && !isHidden())
        relayout();
    return QFrame::eventFilter(watched, event);
}

void MessageBarWidget::sync()
{
    if (!m_bar.visible()) {
        m_shownSerial = 0;
        hide();
        return;
    }
    if (m_bar.serial() != m_shownSerial) {
        m_shownSerial = m_bar.serial();
        rebuild();
        return;
    }
    m_countdown->setValue(m_bar.countdownValue());
    for (QToolButton *b : m_buttons)
        b->setEnabled(!m_bar.answered());
}

void MessageBarWidget::rebuild()
{
    m_label->setText(m_bar.text());
    m_label->setStyleSheet(QStringLiteral("color: %1;").arg(cssColour(m_bar.colour())));

    m_countdown->setVisible(m_bar.hasCountdown());
    m_countdown->setRange(0, m_bar.countdownMax());
    m_countdown->setValue(m_bar.countdownValue());

    // The clicked button may be the sender of the change that brought us here: the old row goes
    // when control is back in the event loop.
    if (m_buttonRow) {
        m_buttonRow->hide();
        m_buttonRow->deleteLater();
        m_buttonRow = nullptr;
    }
    m_buttons.clear();
    if (!m_bar.buttons().empty()) {
        m_buttonRow = new QWidget(this);
        auto *row = new QHBoxLayout(m_buttonRow);
        row->setContentsMargins(0, 5, 0, 5);
        row->setSpacing(5);
        const QFont font = QtTextMeasure::makeFont(m_sts.FNT_Family, m_sts.FNT_Style, MessageBar::FontSize);
        const QString style = QStringLiteral("color: %1;").arg(cssColour(m_sts.FNT_Color));
        for (const MessageBar::Button &b : m_bar.buttons()) {
            auto *button = new QToolButton(m_buttonRow);
            button->setText(b.caption);
            button->setFont(font);
            button->setStyleSheet(style);
            button->setProperty("code", b.code);
            button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
            const int code = b.code;
            connect(button, &QToolButton::clicked, this, [this, code] { m_bar.press(code); });
            row->addWidget(button);
            m_buttons.append(button);
        }
        m_buttonRow->show();
    }
    relayout();
    show();
    raise();
}

void MessageBarWidget::relayout()
{
    if (!m_client)
        return;
    const QtTextMeasure measure(m_sts.FNT_Family, m_sts.FNT_Style);
    const MessageBarGeometry g = layoutMessageBar(m_client->width(), m_client->height(), m_bar.text(),
                                                  m_bar.hasCountdown(), !m_bar.buttons().empty(), measure);
    setGeometry(g.outer);
    m_label->setFont(QtTextMeasure::makeFont(m_sts.FNT_Family, m_sts.FNT_Style, g.fontSize));
    m_label->setGeometry(g.label);
    if (m_bar.hasCountdown())
        m_countdown->setGeometry(g.countdown);
    if (m_buttonRow)
        m_buttonRow->setGeometry(g.buttons);
}

} // namespace qn
