#pragma once
// The file dialog on screen: a panel over the main window's client area showing what FileDialog
// holds and forwarding its buttons, list clicks and typing. Names are shown as plain text.

#include <QFrame>

class QLabel;
class QLineEdit;
class QListWidget;
class QToolButton;

namespace qn {

class FileDialog;
struct STS_Record;

class FileDialogWidget : public QFrame {
public:
    // client: the main window's central widget. The widget takes the model's onChanged for its
    // lifetime; sts gives the program font (FNT_Family, FNT_Size, FNT_Style).
    FileDialogWidget(FileDialog &model, const STS_Record &sts, QWidget *client);
    ~FileDialogWidget() override;

    // Shows the model's state now (the model calls it on every change).
    void sync();

    QToolButton *exitButton() const { return m_ext; }
    QToolButton *upButton() const { return m_up; }
    QLabel *dirLabel() const { return m_dir; }
    QLabel *pathLabel() const { return m_path; }
    QListWidget *list() const { return m_list; }
    QLabel *caption() const { return m_cap; }
    QLineEdit *nameBox() const { return m_name; }
    QToolButton *actionButton() const { return m_btn; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void place();
    void fillList();
    void fitNameFont();

    FileDialog &m_model;
    const STS_Record &m_sts;
    QWidget *m_client;
    QToolButton *m_ext;
    QToolButton *m_up;
    QLabel *m_dir;
    QLabel *m_path;
    QListWidget *m_list;
    QLabel *m_cap;
    QLineEdit *m_name;
    QToolButton *m_btn;
};

} // namespace qn
