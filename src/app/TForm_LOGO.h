#pragma once
// The splash window: covers the main window's saved area with the program's picture while the
// program starts, and is freed when start-up completes.

#include <QLabel>
#include <QRect>
#include <QString>
#include <QWidget>

namespace qn {

class TForm_LOGO : public QWidget {
public:
    // picturePath: program folder + program name + ".jpg"; a missing file leaves the picture empty.
    TForm_LOGO(const QString &picturePath, const QRect &bounds);

private:
    QLabel *Image_Logo;
};

} // namespace qn
