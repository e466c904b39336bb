#pragma once
// The message bar on screen: a panel over the centre of the main window's client area showing
// what MessageBar holds, and forwarding button clicks to it. Texts are shown as plain text.

#include <QFrame>
#include <QList>

class QLabel;
class QProgressBar;
class QToolButton;
class QWidget;

namespace qn {

class MessageBar;
struct STS_Record;

class MessageBarWidget : public QFrame {
public:
    // client: the main window's central widget, which the panel is laid over. The widget takes the
    // bar's onChanged for its lifetime. sts gives the program font (FNT_Family, FNT_Style,
    // FNT_Color), read at every message.
    MessageBarWidget(MessageBar &bar, const STS_Record &sts, QWidget *client);
    ~MessageBarWidget() override;

    QLabel *label() const { return m_label; }
    QProgressBar *countdownBar() const { return m_countdown; }
    // The buttons of the message shown; each carries its code in the "code" property.
    QList<QToolButton *> buttons() const { return m_buttons; }

    // Shows the bar's state now (the bar calls it on every change).
    void sync();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void rebuild();
    void relayout();

    MessageBar &m_bar;
    const STS_Record &m_sts;
    QWidget *m_client;
    QLabel *m_label;
    QProgressBar *m_countdown;
    QWidget *m_buttonRow = nullptr;
    QList<QToolButton *> m_buttons;
    uint64_t m_shownSerial = 0;
};

} // namespace qn
