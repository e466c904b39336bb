#pragma once
// The main window: a borderless window with its own header (traffic bar, program name, connect,
// settings, minimise, maximise and close buttons), five dashboard pages, the bottom panel, and the
// message bar, wait indicator and status strip laid over its content. It shows an AppCore and
// does for it what needs a window.

#include "app/AppCore.h"
#include "dashboard/edit/Fitting.h"

#include <QWidget>
#include <array>
#include <memory>
#include <vector>

class QFrame;
class QLabel;
class QProgressBar;
class QScrollArea;
class QTabWidget;
class QToolButton;

namespace qn {

class DashboardWidget;
class FileDialogWidget;
class MessageBarWidget;
class TForm_Shell;
class StatusStripWidget;
class WaitIndicator;
class WindowFrameWidget;

class TForm_GEN final : public QWidget, public ConnectionHost {
    Q_OBJECT
public:
    TForm_GEN(AppCore &core, TimerHost &timers);
    ~TForm_GEN() override;

    // Components, named as the rest of the program refers to them.
    QFrame *Panel;
    QFrame *Panel_Header;
    QToolButton *Button_Close;
    QFrame *Panel_Bottom;
    QLabel *Label_Header;
    QToolButton *Button_Max;
    QToolButton *Button_Min;
    QToolButton *Button_Settings;
    QToolButton *Button_Connect;
    QTabWidget *TabControl;
    std::array<QScrollArea *, 5> VertScrollBox{};
    QProgressBar *ProgressBar_Connect;

    // The header text: program name, " v ", version, a blank, the build date.
    static QString headerText(const QString &programName);
    bool startupComplete() const { return m_startupComplete; }
    WindowFrameWidget *frame() const { return m_frame.get(); }
    DashboardWidget *dashboard() const { return m_dashboard.get(); }
    // One dashboard refresh with the current live values (after every live-data answer).
    void refreshDashboard();
    // A fresh dashboard: the default layout written over the current one, loaded and fitted to
    // the window (the arrangement menu asks about saving the current layout first).
    void resetToDefault();

    // The form registry: the secondary forms, each a shell of its sub-form kind.
    void registerForm(TForm_Shell *form);

    // ConnectionHost
    void setConnectButtonEnabled(bool on) override;
    void closeSecondaryForms() override;
    void raiseWindow() override;
    void activateAndLowerWindow() override;
    void resetFuelMaxima() override;
    void startWaitIndicator() override;
    void stopWaitIndicator() override;

    // Called once start-up has finished (splash freed, tab selected).
    std::function<void()> onStartupComplete;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    QToolButton *headerButton(const QString &caption, const QString &styleName, const QString &glyph);
    void buildLayout();
    void completeStartup();
    WindowSizes currentSizes() const;
    FitGeometry fitGeometry() const;
    void firstRunFit();
    void fitAllPagesAndSave();

    AppCore &m_core;
    std::unique_ptr<MessageBarWidget> m_messageBar;
    std::unique_ptr<WaitIndicator> m_wait;
    StatusStripWidget *m_status = nullptr;
    std::unique_ptr<WindowFrameWidget> m_frame;
    std::vector<TForm_Shell *> m_forms;
    std::unique_ptr<DashboardWidget> m_dashboard;
    WindowSizes m_sizes;
    bool m_fitPending = false;
    bool m_shown = false;
    bool m_startupComplete = false;
};

} // namespace qn
