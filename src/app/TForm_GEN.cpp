#include "app/TForm_GEN.h"

#include "app/MessageBarWidget.h"
#include "app/Version.h"
#include "app/WaitIndicatorWidget.h"
#include "dashboard/DashboardWidget.h"
#include "dashboard/DefaultLayout.h"
#include "dashboard/LayoutFile.h"
#include "dashboard/Refresh.h"
#include "data/StatusStripWidget.h"
#include "ui/ColourText.h"
#include "ui/TForm_Shell.h"
#include "ui/WindowFrameWidget.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QScrollArea>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>
#include <cstdio>

namespace qn {

QString TForm_GEN::headerText(const QString &programName)
{
    return programName + QStringLiteral(" v ") + QLatin1String(ProgramVersion) + QLatin1Char(' ') +
           QLatin1String(BuildDate);
}

TForm_GEN::TForm_GEN(AppCore &core, TimerHost &timers)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), m_core(core)
{
    setObjectName(QStringLiteral("TForm_GEN"));
    setWindowTitle(QStringLiteral("QN"));
    resize(619, 561);
    buildLayout();

    DashboardWidget::Pages pages{};
    pages[0] = Panel_Bottom;
    for (size_t i = 0; i < VertScrollBox.size(); ++i)
        pages[i + 1] = VertScrollBox[i]->widget();
    m_dashboard = std::make_unique<DashboardWidget>(core.board, core.live, core.settings.sts, core.language, pages);
    m_dashboard->setPicturePath(core.deps.paths.splashPicture);
    m_dashboard->setTimerHost(&timers);
    core.onLiveData = [this] { refreshDashboard(); };

    m_messageBar = std::make_unique<MessageBarWidget>(core.messages, core.settings.sts, Panel);
    m_wait = std::make_unique<WaitIndicator>(Panel);
    m_frame = std::make_unique<WindowFrameWidget>(this, Panel_Header, Panel, core.settings.sts, timers);
    m_frame->addZoneWidget(TabControl);
    for (QScrollArea *box : VertScrollBox)
        m_frame->addZoneWidget(box);
    m_frame->setMaximiseButton(Button_Max);
    m_frame->setMinimiseButton(Button_Min);
    m_frame->postEvent2 = [this] { m_core.events.post(Event::RefitWindow, 100); };
    // The dashboard rescale joins this when the dashboard exists.
    m_frame->afterSizeChange = [this] {
        for (TForm_Shell *form : m_forms)
            if (form->isOpen())
                form->followMainWindow();
        if (m_startupComplete)
            m_dashboard->rescale(m_sizes, currentSizes());
    };

    core.window.host = this;
    core.window.completeStartup = [this] { completeStartup(); };
    core.window.refit = [this] { m_frame->applyAfterSizeChange(); };
    core.window.close = [this] { close(); };
    core.window.finalFit = [this](int kind) {
        for (TForm_Shell *form : m_forms)
            if (form->kind() == kind && form->isOpen())
                form->finalFit();
    };
    core.window.scriptError = [this](const QString &text) {
        // Reported from inside a timer handler: shown from the event loop, not in a nested one.
        QTimer::singleShot(0, this, [this, text] { QMessageBox::critical(this, windowTitle(), text); });
    };
    core.link.onTraffic = [this](int value) { ProgressBar_Connect->setValue(value); };

    connect(Button_Close, &QToolButton::clicked, this, [this] { m_core.closeRequested(); });
    connect(Button_Connect, &QToolButton::clicked, this, [this] { m_core.connection.start(true); });
    connect(TabControl, &QTabWidget::currentChanged, this,
            [this](int index) { m_core.settings.sts.Page_Index = index; });
}

TForm_GEN::~TForm_GEN()
{
    // No handler of the program may run while the window is taken apart.
    m_core.shutdown();
    m_core.window = {};
    m_core.link.onTraffic = nullptr;
    m_core.onLiveData = nullptr;
    m_dashboard.reset();
}

QToolButton *TForm_GEN::headerButton(const QString &caption, const QString &styleName, const QString &glyph)
{
    auto *b = new QToolButton(Panel_Header);
    b->setObjectName(QStringLiteral("Button_") + caption);
    // A glyph reads on any style's header; the caption stays as tooltip and accessible name.
    b->setText(glyph);
    b->setToolTip(caption);
    b->setAccessibleName(caption);
    b->setProperty("styleRole", styleName);
    QFont f = b->font();
    f.setPointSize(14);
    b->setFont(f);
    b->setFixedSize(48, 40);
    b->setAutoRaise(true);
    return b;
}

void TForm_GEN::buildLayout()
{
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    Panel_Header = new QFrame(this);
    Panel_Header->setObjectName(QStringLiteral("Panel_Header"));
    Panel_Header->setFixedHeight(40);
    auto *header = new QHBoxLayout(Panel_Header);
    header->setContentsMargins(4, 0, 0, 0);
    header->setSpacing(0);
    ProgressBar_Connect = new QProgressBar(Panel_Header);
    ProgressBar_Connect->setObjectName(QStringLiteral("ProgressBar_Connect"));
    ProgressBar_Connect->setRange(0, DeviceLink::TrafficMax);
    ProgressBar_Connect->setValue(0);
    ProgressBar_Connect->setTextVisible(false);
    ProgressBar_Connect->setFixedSize(60, 10);
    Label_Header = new QLabel(Panel_Header);
    Label_Header->setObjectName(QStringLiteral("Label_Header"));
    Label_Header->setTextFormat(Qt::PlainText);
    Label_Header->setAttribute(Qt::WA_TransparentForMouseEvents); // presses reach the header
    Button_Close = headerButton(QStringLiteral("Close"), QStringLiteral("stoptoolbutton"), QString(QChar(0x2715)));
    Button_Max = headerButton(QStringLiteral("Max"), QStringLiteral("addtoolbutton"), QString(QChar(0x25A1)));
    Button_Min = headerButton(QStringLiteral("Min"), QStringLiteral("arrowdowntoolbutton"), QString(QChar(0x2013)));
    Button_Settings = headerButton(QStringLiteral("Settings"), QStringLiteral("detailstoolbutton"), QString(QChar(0x2261)));
    Button_Connect = headerButton(QStringLiteral("Connect"), QStringLiteral("refreshtoolbutton"), QString(QChar(0x21BB)));
    header->addWidget(ProgressBar_Connect);
    header->addSpacing(8);
    header->addWidget(Label_Header, 1);
    for (QToolButton *b : {Button_Connect, Button_Settings, Button_Min, Button_Max, Button_Close})
        header->addWidget(b);
    outer->addWidget(Panel_Header);

    Panel = new QFrame(this);
    Panel->setObjectName(QStringLiteral("Panel"));
    auto *content = new QVBoxLayout(Panel);
    content->setContentsMargins(0, 0, 0, 0);
    content->setSpacing(0);
    TabControl = new QTabWidget(Panel);
    TabControl->setObjectName(QStringLiteral("TabControl"));
    TabControl->tabBar()->setFixedHeight(25);
    for (int i = 0; i < 5; ++i) {
        auto *box = new QScrollArea(TabControl);
        box->setObjectName(QStringLiteral("VertScrollBox%1").arg(i + 1));
        box->setWidgetResizable(true);
        box->setFrameShape(QFrame::NoFrame);
        box->setWidget(new QWidget(box));
        VertScrollBox[size_t(i)] = box;
        TabControl->addTab(box, QString::number(i + 1));
    }
    content->addWidget(TabControl, 1);
    m_status = new StatusStripWidget(m_core.status, m_core.settings.sts, Panel);
    content->addWidget(m_status);
    Panel_Bottom = new QFrame(Panel);
    Panel_Bottom->setObjectName(QStringLiteral("Panel_Bottom"));
    Panel_Bottom->setFixedHeight(40);
    content->addWidget(Panel_Bottom);
    outer->addWidget(Panel, 1);
}

void TForm_GEN::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    m_frame->place();
    m_fitPending = m_core.startupDashboard();
    m_dashboard->build();
    refreshDashboard();
    m_core.formShow();
    Label_Header->setText(headerText(m_core.deps.paths.programName));
    Button_Settings->setEnabled(false);
    m_wait->start();
}

void TForm_GEN::completeStartup()
{
    Button_Settings->setEnabled(true);
    activateWindow();
    TabControl->setCurrentIndex(qBound(0, m_core.settings.sts.Page_Index, TabControl->count() - 1));
    m_frame->applyAfterSizeChange();
    m_sizes = currentSizes();
    if (m_fitPending)
        firstRunFit();
    m_wait->stop();
    m_startupComplete = true;
    if (onStartupComplete)
        onStartupComplete();
}

void TForm_GEN::closeEvent(QCloseEvent *event)
{
    const QRect b = m_frame->bounds();
    WindowValues values;
    values.rcWidth = m_core.settings.sts.RC_Width;
    values.left = b.left();
    values.top = b.top();
    values.width = b.width();
    values.height = b.height();
    const SaveResult saved = m_core.formClose(values);
    if (!saved.ok) {
        // The window is going away: the message bar cannot carry it any more.
        std::fprintf(stderr, "qndiag: %s: %s\n", qPrintable(m_core.language.text(QStringLiteral("MSG_Cannot_Save_File"))),
                     qPrintable(saved.error));
    }
    event->accept();
}

void TForm_GEN::registerForm(TForm_Shell *form)
{
    m_forms.push_back(form);
    form->requestFinalFit = [this](int kind) {
        m_core.events.tag = kind;
        m_core.events.post(Event::FinalFit, 50);
    };
}

void TForm_GEN::closeSecondaryForms()
{
    for (TForm_Shell *form : m_forms)
        if (form->isOpen())
            form->closeForm();
}

void TForm_GEN::refreshDashboard()
{
    RefreshInputs in;
    in.live = &m_core.live;
    in.sts = &m_core.settings.sts;
    in.colours = &m_core.settings.colours;
    in.texts = &m_core.language.ready();
    in.connected = m_core.link.connected;
    in.gasOperation = hasBits(m_core.link.ecu.modeByte, 0x04);
    in.accent = styleAccentColour(m_core.settings.sts.Style);
    m_dashboard->refresh(std::move(in));
}

WindowSizes TForm_GEN::currentSizes() const
{
    WindowSizes s;
    s.page = QSizeF(VertScrollBox[0]->viewport()->size());
    s.bottom = QSizeF(Panel_Bottom->size());
    return s;
}

FitGeometry TForm_GEN::fitGeometry() const
{
    const STS_Record &sts = m_core.settings.sts;
    FitGeometry g;
    g.pageArea = QSizeF(TabControl->size());
    g.firstPageBox = QSizeF(VertScrollBox[0]->viewport()->size());
    g.bottomPanel = QSizeF(Panel_Bottom->size());
    g.layoutSet = m_core.board.activeSet;
    g.offsetD = sts.GEN_OffsetD;
    g.gap = gapFor(sts.GEN_Offset, sts.GEN_OffsetD);
    return g;
}

void TForm_GEN::firstRunFit()
{
    // The layout has not met this window yet: fit every page to it once, then keep the result.
    m_fitPending = false;
    if (!m_core.settings.sts.Run_Loc[size_t(m_core.board.activeSet)])
        fitAllPagesAndSave();
}

void TForm_GEN::fitAllPagesAndSave()
{
    std::vector<Box> boxes;
    const auto &objects = m_core.board.objects;
    for (size_t i = 0; i < objects.size(); ++i)
        if (objects[i])
            boxes.push_back(Box{int(i), objects[i]->shownPage(), QRectF(objects[i]->rect)});
    const FitAllResult result = fitAllPages(boxes, fitGeometry());
    for (const Box &b : boxes)
        m_dashboard->setObjectRect(b.id, b.rect.toRect());
    m_core.settings.sts.Run_Loc[size_t(result.runLocSet)] = true;
    if (result.pageIndex >= 0)
        TabControl->setCurrentIndex(result.pageIndex);
    if (saveLayout(m_core.board, m_core.deps.paths.layoutFile) != LayoutSaveResult::Saved)
        m_core.messages.showMessage(MsgKind::ErrorWithOk, QStringLiteral("MSG_Cannot_Save_File"), MsgColour::Error);
    refreshDashboard();
}

void TForm_GEN::resetToDefault()
{
    STS_Record &sts = m_core.settings.sts;
    QString error;
    if (!writeDefaultLayout(m_core.deps.paths.layoutFile, sts, &error)) {
        m_core.messages.showMessage(MsgKind::ErrorWithOk, QStringLiteral("MSG_Cannot_Save_File"), MsgColour::Error);
        return;
    }
    if (m_core.board.objectCount() > 0)
        m_dashboard->clear();
    LayoutReadOptions options;
    options.fontColour = sts.FNT_Color;
    loadLayoutFile(m_core.board, m_core.deps.paths.layoutFile, options);
    m_dashboard->build();
    fitAllPagesAndSave();
}

void TForm_GEN::resetFuelMaxima() { resetSplitMaxima(m_core.board); }

void TForm_GEN::setConnectButtonEnabled(bool on) { Button_Connect->setEnabled(on); }

void TForm_GEN::raiseWindow() { raise(); }

void TForm_GEN::activateAndLowerWindow()
{
    activateWindow();
    lower();
}

void TForm_GEN::startWaitIndicator() { m_wait->start(); }

void TForm_GEN::stopWaitIndicator() { m_wait->stop(); }

} // namespace qn
