#include "ui/TForm_Shell.h"

#include "ui/STS_Record.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

namespace qn {

namespace {

constexpr int DetailPointSize = 10; // the detail line sits in the 20 pixels added below the text

QLabel *plainLabel(QWidget *parent, const char *name)
{
    auto *l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setTextFormat(Qt::PlainText);
    l->setWordWrap(false);
    return l;
}

} // namespace

// ---- ShellRow ----

ShellRow::ShellRow(int tag, QWidget *parent)
    : QFrame(parent), m_tag(tag), m_text(plainLabel(this, "Text")),
      m_detail(plainLabel(this, "Detail")), m_more(plainLabel(this, "More"))
{
    setObjectName(QStringLiteral("ListBoxItem_%1").arg(tag));
    setFixedHeight(subform::ItemHeight);
    setCursor(Qt::PointingHandCursor);
    QFont small = m_detail->font();
    small.setPointSize(DetailPointSize);
    m_detail->setFont(small);
    m_detail->setVisible(false);
    m_more->setText(QStringLiteral("\u203A"));
    m_more->setAlignment(Qt::AlignCenter);

    auto *lines = new QVBoxLayout;
    lines->setContentsMargins(0, 0, 0, 0);
    lines->setSpacing(0);
    lines->addWidget(m_text, 1);
    lines->addWidget(m_detail);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(4, 0, 4, 0);
    row->setSpacing(4);
    row->addLayout(lines, 1);
    row->addWidget(m_more);
}

void ShellRow::setText(const QString &text) { m_text->setText(text); }
QString ShellRow::text() const { return m_text->text(); }

void ShellRow::setDetail(const QString &detail)
{
    m_detail->setText(detail);
    m_detail->setVisible(!detail.isEmpty());
}

QString ShellRow::detail() const { return m_detail->text(); }
void ShellRow::setMore(bool on) { m_more->setVisible(on); }
bool ShellRow::more() const { return !m_more->isHidden(); }

void ShellRow::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton;
    event->accept();
}

void ShellRow::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    m_pressed = false;
    event->accept();
    if (click && onClick)
        onClick(m_tag);
}

// ---- TForm_Shell ----

TForm_Shell::TForm_Shell(int kind, QWidget *mainWindow, const STS_Record &settings)
    : QFrame(mainWindow), m_kind(kind), m_main(mainWindow), m_settings(settings)
{
    setAutoFillBackground(true);
    setFrameShape(QFrame::NoFrame);
    setVisible(false);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    Panel = new QFrame(this);
    Panel->setObjectName(QStringLiteral("Panel"));
    outer->addWidget(Panel);

    auto *panelLayout = new QVBoxLayout(Panel);
    panelLayout->setContentsMargins(subform::PanelMargin, subform::PanelMargin,
                                    subform::PanelMargin, subform::PanelMargin);
    panelLayout->setSpacing(0);

    Panel_Header = new QFrame(Panel);
    Panel_Header->setObjectName(QStringLiteral("Panel_Header"));
    Panel_Header->setFixedHeight(subform::HeaderHeight);
    auto *headerLayout = new QHBoxLayout(Panel_Header);
    headerLayout->setContentsMargins(subform::HeaderMargin, subform::HeaderMargin,
                                     subform::HeaderMargin, subform::HeaderMargin);
    headerLayout->setSpacing(0);
    Label_Header = plainLabel(Panel_Header, "Label_Header");
    Label_Header->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Button_Close = new QToolButton(Panel_Header);
    Button_Close->setObjectName(QStringLiteral("Button_Close"));
    Button_Close->setText(QStringLiteral("\u00D7"));
    Button_Close->setAutoRaise(true);
    Button_Close->setFixedWidth(subform::CloseButtonWidth);
    Button_Close->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    headerLayout->addWidget(Label_Header, 1);
    headerLayout->addWidget(Button_Close);
    panelLayout->addWidget(Panel_Header);

    ScrollBox = new QScrollArea(Panel);
    ScrollBox->setObjectName(QStringLiteral("ScrollBox"));
    ScrollBox->setFrameShape(QFrame::NoFrame);
    ScrollBox->setWidgetResizable(true);
    ScrollBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ScrollBox->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    ListBox = new QWidget;
    ListBox->setObjectName(QStringLiteral("ListBox"));
    m_listLayout = new QVBoxLayout(ListBox);
    // One pixel between rows and one below the last: a list of n rows of height a is n * a + n.
    m_listLayout->setContentsMargins(0, 0, 0, 1);
    m_listLayout->setSpacing(1);
    m_listLayout->addStretch(1);
    ScrollBox->setWidget(ListBox);
    panelLayout->addWidget(ScrollBox, 1);

    connect(Button_Close, &QToolButton::clicked, this, [this] { closeForm(); });
    if (m_main)
        m_main->installEventFilter(this);
}

TForm_Shell::~TForm_Shell()
{
    if (m_main)
        m_main->removeEventFilter(this);
}

void TForm_Shell::setHeader(const QString &text) { Label_Header->setText(text); }

void TForm_Shell::listItems(int n)
{
    for (ShellRow *r : m_rows) {
        m_listLayout->removeWidget(r);
        delete r;
    }
    m_rows.clear();
    for (int tag = 0; tag <= n; ++tag) {
        auto *r = new ShellRow(tag, ListBox);
        r->setMore(true);
        r->onClick = [this](int t) {
            if (onItemClick)
                onItemClick(t);
        };
        // Before the closing stretch, so the rows stay at the top.
        m_listLayout->insertWidget(m_listLayout->count() - 1, r);
        m_rows.push_back(r);
    }
    applyFont();
}

ShellRow *TForm_Shell::item(int i) const
{
    return i >= 0 && i < itemCount() ? m_rows[static_cast<size_t>(i)] : nullptr;
}

void TForm_Shell::setItem(int i, const QString &text, const QString &detail)
{
    if (ShellRow *r = item(i)) {
        r->setText(text);
        r->setDetail(detail);
    }
}

QtTextMeasure TForm_Shell::measure() const
{
    return QtTextMeasure(m_settings.FNT_Family, m_settings.FNT_Style);
}

int TForm_Shell::fontSize() const { return m_settings.FNT_Size; }

void TForm_Shell::applyFont()
{
    const QFont f = measure().font(fontSize());
    Label_Header->setFont(f);
    for (ShellRow *r : m_rows)
        r->textLabel()->setFont(f);
}

subform::Rect TForm_Shell::mainRect() const
{
    // A child of the main window: its coordinates are the main window's client coordinates.
    if (!m_main)
        return subform::Rect{};
    return subform::Rect{0, 0, m_main->width(), m_main->height()};
}

void TForm_Shell::showForm()
{
    m_open = true;
    place();
    retext();
    sizeAsList();
    setVisible(true);
    raise(); // above the dashboard and every other child of the main window
}

void TForm_Shell::closeForm()
{
    const bool wasOpen = m_open;
    m_open = false;
    setVisible(false);
    if (wasOpen && onClosed)
        onClosed();
}

void TForm_Shell::place()
{
    const subform::Rect r = subform::place(mainRect(), subform::Rect{x(), y(), width(), height()});
    move(r.left, r.top);
}

void TForm_Shell::sizeAsList()
{
    applyFont();
    const QtTextMeasure m = measure();
    const int size = fontSize();
    std::vector<double> widths;
    widths.reserve(m_rows.size());
    for (ShellRow *r : m_rows)
        widths.push_back(m.width(r->text(), size));
    const subform::ListSize s =
        subform::sizeAsList(m_kind, m.width(Label_Header->text(), size), widths,
                            subform::rowHeight(m, size), bluetoothItemHidden());
    const int itemHeight = static_cast<int>(std::lround(s.itemHeight));
    for (ShellRow *r : m_rows)
        r->setFixedHeight(itemHeight);
    resize(s.clientWidth, s.clientHeight);
    // Keep the right edge on the main window's while the final fit is pending.
    place();
    queueFinalFit();
}

void TForm_Shell::queueFinalFit()
{
    if (requestFinalFit) {
        requestFinalFit(m_kind);
        return;
    }
    // Nobody to post the event to: the fit needs no finished layout, so it runs now.
    finalFit();
}

void TForm_Shell::finalFit()
{
    if (!subform::hasFinalFit(m_kind))
        return;
    // The list's viewport is the form's height less the margins, the header and the scroll box's
    // frame; the list needs its scroll bar while its rows are taller than that.
    const int overhead =
        2 * subform::PanelMargin + subform::HeaderHeight + 2 * ScrollBox->frameWidth();
    m_listLayout->activate();
    const int content = m_listLayout->sizeHint().height();
    subform::FinalFitInput in;
    in.clientWidth = width();
    in.clientHeight = height();
    in.needsScrollBar = [overhead, content](int clientHeight) {
        return content > clientHeight - overhead;
    };
    in.scrollBarWidth = ScrollBox->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr,
                                                        ScrollBox->verticalScrollBar());
    in.main = mainRect();
    in.mainClientWidth = in.main.width;
    in.mainClientHeight = in.main.height;
    const subform::FinalFitResult r = subform::finalFit(in);
    m_naturalWidth = r.naturalWidth;
    m_naturalHeight = r.naturalHeight;
    setGeometry(r.left, y(), r.clientWidth, r.clientHeight);
    afterFinalFit();
}

void TForm_Shell::followMainWindow()
{
    if (!m_open || !m_main)
        return;
    const int w = m_naturalWidth > 0 ? m_naturalWidth : width();
    const int h = m_naturalHeight > 0 ? m_naturalHeight : height();
    const subform::Rect r = subform::followMainWindow(mainRect(), w, h);
    setGeometry(r.left, r.top, r.width, r.height);
}

bool TForm_Shell::eventFilter(QObject *watched, QEvent *event)
{
    // Moving the main window carries its children along; a new size needs the form glued again.
    if (watched == m_main && event->type() == QEvent::Resize)
        followMainWindow();
    return QFrame::eventFilter(watched, event);
}

} // namespace qn
