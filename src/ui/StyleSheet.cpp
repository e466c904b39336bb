#include "ui/StyleSheet.h"

#include "platform/IniFile.h"
#include "platform/SafeName.h"

#include <QFile>

namespace qn {

QString loadStyleSheet(const Paths &paths, const QString &style)
{
    if (!isSafeFileName(style) || style == QLatin1String("Classic"))
        return QString();
    QFile f(paths.join(paths.stylesFolder, style + QStringLiteral(".style")));
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return decodeText(f.read(1 << 20));
}

} // namespace qn
