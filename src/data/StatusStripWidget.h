#pragma once
// The status strip on screen: a bar along the bottom of the dashboard's content panel with one
// line of text, its font sized to fill the bar. What it shows comes from StatusStrip.

#include "data/StatusStrip.h"

#include <QFrame>
#include <functional>

class QLabel;

namespace qn {

struct STS_Record;

class StatusStripWidget : public QFrame {
    Q_OBJECT
public:
    // parent: the content panel. When the panel has a layout, the owner adds the strip at its
    // bottom; without one the strip keeps itself on the panel's bottom edge.
    StatusStripWidget(StatusStrip &strip, const STS_Record &settings, QWidget *parent = nullptr);
    ~StatusStripWidget() override;

    QLabel *label() const { return m_label; }
    // The font size the text was last fitted to.
    int fittedSize() const { return m_fittedSize; }

    // Shows the strip's current view (called on every change of it).
    void refresh();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void fitFont();
    void anchor();

    StatusStrip &m_strip;
    const STS_Record &m_settings;
    QLabel *m_label;
    int m_fittedSize = 0;
    QSize m_fittedFor;
    QString m_fittedText;
    std::function<void(const StatusStrip::View &)> m_previousListener;
};

} // namespace qn
