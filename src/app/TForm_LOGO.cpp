#include "app/TForm_LOGO.h"

#include <QFileInfo>
#include <QPixmap>
#include <QVBoxLayout>

namespace qn {

TForm_LOGO::TForm_LOGO(const QString &picturePath, const QRect &bounds)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      Image_Logo(new QLabel(this))
{
    setObjectName(QStringLiteral("TForm_LOGO"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Image_Logo);
    Image_Logo->setObjectName(QStringLiteral("Image_Logo"));
    Image_Logo->setAlignment(Qt::AlignCenter);
    Image_Logo->setScaledContents(true);
    if (QFileInfo::exists(picturePath))
        Image_Logo->setPixmap(QPixmap(picturePath));
    setGeometry(bounds);
}

} // namespace qn
