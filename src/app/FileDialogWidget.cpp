#include "app/FileDialogWidget.h"

#include "app/FileDialog.h"
#include "ui/QtTextMeasure.h"
#include "ui/STS_Record.h"
#include "ui/TextFit.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace qn {

namespace {

QLabel *plainLabel(QWidget *parent, const char *name)
{
    auto *l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    // Folder and file names come from the disk: never interpreted as markup.
    l->setTextFormat(Qt::PlainText);
    return l;
}

} // namespace

FileDialogWidget::FileDialogWidget(FileDialog &model, const STS_Record &sts, QWidget *client)
    : QFrame(client), m_model(model), m_sts(sts), m_client(client)
{
    setObjectName(QStringLiteral("Panel_DLG"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);

    m_ext = new QToolButton(this);
    m_ext->setObjectName(QStringLiteral("Button_DLG_Ext"));
    m_ext->setProperty("tag", 1);
    m_ext->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    m_up = new QToolButton(this);
    m_up->setObjectName(QStringLiteral("Button_DLG_Up"));
    m_up->setProperty("tag", 2);
    m_up->setIcon(style()->standardIcon(QStyle::SP_FileDialogToParent));
    m_dir = plainLabel(this, "Label_DLG_Dir");
    m_path = plainLabel(this, "Label_DLG_Path");
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("ListBox_DLG"));
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_cap = plainLabel(this, "Label_DLG_Cap");
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("Edit_DLG_Name"));
    // A fixed height: the font is fitted to the box, not the box to the font.
    m_name->setFixedHeight(40);
    m_btn = new QToolButton(this);
    m_btn->setObjectName(QStringLiteral("Button_DLG_Btn"));
    m_btn->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    auto *top = new QHBoxLayout;
    top->addWidget(m_ext);
    top->addWidget(m_up);
    top->addWidget(m_dir, 1);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(6, 6, 6, 6);
    column->addLayout(top);
    column->addWidget(m_path);
    column->addWidget(m_list, 1);
    column->addWidget(m_cap);
    column->addWidget(m_name);
    column->addWidget(m_btn);

    connect(m_ext, &QToolButton::clicked, this, [this] { m_model.exit(); });
    connect(m_up, &QToolButton::clicked, this, [this] { m_model.up(); });
    connect(m_btn, &QToolButton::clicked, this, [this] { m_model.act(); });
    connect(m_name, &QLineEdit::textEdited, this, [this](const QString &text) { m_model.setName(text); });
    // Navigating rebuilds the list: the click is handled once the list has finished with its item.
    connect(m_list, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) {
        const int row = m_list->row(item);
        QMetaObject::invokeMethod(this, [this, row] { m_model.clickItem(row); }, Qt::QueuedConnection);
    });

    m_list->viewport()->installEventFilter(this);
    if (m_client)
        m_client->installEventFilter(this);
    m_model.onChanged = [this] { sync(); };
    hide();
    sync();
}

FileDialogWidget::~FileDialogWidget() { m_model.onChanged = nullptr; }

bool FileDialogWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize) {
        if (watched == m_client && !isHidden())
            place();
        else if (watched == m_list->viewport())
            fillList();
    }
    return QFrame::eventFilter(watched, event);
}

void FileDialogWidget::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    fitNameFont();
}

void FileDialogWidget::place()
{
    if (m_client)
        setGeometry(FileDialog::placeIn(m_client->width(), m_client->height()));
}

void FileDialogWidget::sync()
{
    if (!m_model.isOpen()) {
        hide();
        return;
    }
    m_dir->setText(m_model.dirLabel());
    m_path->setText(m_model.pathLabel());
    m_cap->setText(m_model.nameCaption());
    m_btn->setText(m_model.actionCaption());
    m_btn->setProperty("tag", m_model.action() == FileDialog::Action::Save ? 3 : 4);
    if (m_name->text() != m_model.name())
        m_name->setText(m_model.name());
    m_name->setPlaceholderText(m_model.notice());
    fillList();
    fitNameFont();
    if (isHidden()) {
        place();
        show();
    }
    raise();
}

void FileDialogWidget::fillList()
{
    const auto &entries = m_model.entries();
    const QFontMetricsF fm(m_list->font());
    // The item's own margins and the frame of the text.
    const double width = m_list->viewport()->width() - 8.0;
    const auto measure = [&fm](const QString &t) { return fm.horizontalAdvance(t); };
    if (m_list->count() != static_cast<int>(entries.size())) {
        m_list->clear();
        for (size_t i = 0; i < entries.size(); ++i)
            m_list->addItem(QString());
    }
    for (int i = 0; i < m_list->count(); ++i) {
        const FileDialog::Entry &e = entries[static_cast<size_t>(i)];
        QListWidgetItem *item = m_list->item(i);
        item->setText(shortenMiddle(e.path, width, measure));
        item->setData(Qt::UserRole, e.path);
        item->setToolTip(e.path);
    }
}

void FileDialogWidget::fitNameFont()
{
    const QString text = m_name->text().isEmpty() ? m_name->placeholderText() : m_name->text();
    const QtTextMeasure measure(m_sts.FNT_Family, m_sts.FNT_Style);
    const int size = boxFit(text, m_name->width(), m_name->height(), m_sts.FNT_Size, measure);
    m_name->setFont(QtTextMeasure::makeFont(m_sts.FNT_Family, m_sts.FNT_Style, size));
}

} // namespace qn
