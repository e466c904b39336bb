#pragma once
// The wait indicator: a spinning ring in front of everything on the main window while the program
// starts and while a connection is attempted. WaitIndicator shows at most one; the spinner only
// animates while it is shown.

#include <QBasicTimer>
#include <QPointer>
#include <QWidget>

namespace qn {

class WaitIndicatorWidget : public QWidget {
public:
    static constexpr int FrameMs = 33; // about 30 frames a second
    static constexpr int StepDegrees = 12;

    // A square spinner centred on host, 30 % of the smaller side of the host's client area.
    explicit WaitIndicatorWidget(QWidget *host);
    ~WaitIndicatorWidget() override;

    bool spinning() const { return m_timer.isActive(); }
    int angle() const { return m_angle; }
    // Places the spinner for the host's current size.
    void place();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QWidget *m_host;
    QBasicTimer m_timer;
    int m_angle = 0;
};

class WaitIndicator {
public:
    explicit WaitIndicator(QWidget *host) : m_host(host) {}
    ~WaitIndicator() { stop(); }
    WaitIndicator(const WaitIndicator &) = delete;
    WaitIndicator &operator=(const WaitIndicator &) = delete;

    // Shows the spinner unless one is shown already.
    void start();
    // Stops and frees it, if any.
    void stop();
    bool shown() const { return !m_spinner.isNull(); }
    WaitIndicatorWidget *spinner() const { return m_spinner.data(); }

private:
    QWidget *m_host;
    QPointer<WaitIndicatorWidget> m_spinner;
};

} // namespace qn
