#pragma once
// Text measurements in the program font on the screen, for the fitting rules of TextFit.h.

#include "ui/TextFit.h"

#include <QFont>
#include <QString>
#include <cstdint>

namespace qn {

class QtTextMeasure final : public TextMeasure {
public:
    // family and style as the settings hold them (FNT_Family; FNT_Style bits 1 bold, 2 italic,
    // 4 underline, 8 strike-out).
    QtTextMeasure(QString family, uint8_t style);

    double width(const QString &text, int pointSize) const override;
    double height(const QString &text, int pointSize) const override;
    double wrappedHeight(const QString &text, int pointSize, double width) const override;

    // The font itself, for the controls that show what was measured.
    QFont font(int pointSize) const;
    static QFont makeFont(const QString &family, uint8_t style, int pointSize);

private:
    QString m_family;
    uint8_t m_style;
};

} // namespace qn
