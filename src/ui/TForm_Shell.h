#pragma once
// The frame every pop-up form of the program is built on: a borderless panel over the main
// window, at its top right, with a header line, a close button and a scrolling list of rows,
// sized to its content. It is a child of the main window rather than a window of its own, so
// that it lands at the main window's corner whatever the window manager allows; it takes the
// main window's style sheet by inheritance.

#include "ui/QtTextMeasure.h"
#include "ui/SubFormShell.h"

#include <QFrame>
#include <functional>
#include <vector>

class QLabel;
class QScrollArea;
class QToolButton;
class QVBoxLayout;

namespace qn {

struct STS_Record;

// One row of the list: a text, a detail line below it and an optional "more" arrow.
class ShellRow : public QFrame {
    Q_OBJECT
public:
    ShellRow(int tag, QWidget *parent = nullptr);

    int tag() const { return m_tag; }
    void setText(const QString &text);
    QString text() const;
    void setDetail(const QString &detail);
    QString detail() const;
    void setMore(bool on);
    bool more() const;

    QLabel *textLabel() const { return m_text; }
    QLabel *detailLabel() const { return m_detail; }

    std::function<void(int tag)> onClick;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    int m_tag;
    QLabel *m_text;
    QLabel *m_detail;
    QLabel *m_more;
    bool m_pressed = false;
};

class TForm_Shell : public QFrame {
    Q_OBJECT
public:
    // kind: the sub-form kind (1 .. 11) that decides the minimum width and the final fit.
    TForm_Shell(int kind, QWidget *mainWindow, const STS_Record &settings);
    ~TForm_Shell() override;

    int kind() const { return m_kind; }
    QWidget *mainWindow() const { return m_main; }

    // The standard parts.
    QFrame *Panel;
    QFrame *Panel_Header;
    QLabel *Label_Header;
    QToolButton *Button_Close;
    QScrollArea *ScrollBox;
    QWidget *ListBox;

    void setHeader(const QString &text);

    // Replaces the list by n + 1 rows with tags 0 .. n, each with an empty detail and the "more"
    // arrow.
    void listItems(int n);
    int itemCount() const { return static_cast<int>(m_rows.size()); }
    ShellRow *item(int i) const;
    void setItem(int i, const QString &text, const QString &detail);

    // A row was clicked; the argument is its tag.
    std::function<void(int tag)> onItemClick;
    // The final fit is due in 50 ms through the event queue (event 10 with the kind as its tag);
    // the owner calls finalFit() of the form of that kind when the event comes. Without an owner
    // the form fits itself at once.
    std::function<void(int kind)> requestFinalFit;
    std::function<void()> onClosed;

    bool isOpen() const { return m_open; }
    // Opens the form: placed, texts set (retext), sized to its list and raised above the main
    // window's other children.
    virtual void showForm();
    virtual void closeForm();
    // The form's text routine, run at every showing and again by the registry after a language
    // change.
    virtual void retext() {}

    // The sizing steps, for forms that build their own content.
    void place();
    void sizeAsList();
    void queueFinalFit();
    void finalFit();
    // Glues the open form to the main window's top right after the main window changed size.
    void followMainWindow();

    // The size the form had after its last final fit (0 before the first).
    int naturalWidth() const { return m_naturalWidth; }
    int naturalHeight() const { return m_naturalHeight; }

    // The measuring font: the settings font.
    QtTextMeasure measure() const;
    int fontSize() const;

protected:
    // The connection form hides its Bluetooth row at times; its list then counts three rows.
    virtual bool bluetoothItemHidden() const { return false; }
    // A form's own last step of the final fit (the colour form places its button).
    virtual void afterFinalFit() {}

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    subform::Rect mainRect() const;
    void applyFont();

    int m_kind;
    QWidget *m_main;
    const STS_Record &m_settings;
    QVBoxLayout *m_listLayout;
    std::vector<ShellRow *> m_rows;
    bool m_open = false;
    int m_naturalWidth = 0;
    int m_naturalHeight = 0;
};

} // namespace qn
