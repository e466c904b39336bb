#include "platform/SafeName.h"

namespace qn {

namespace {

bool isBadChar(QChar c)
{
    return c == QLatin1Char('/') || c == QLatin1Char('\\') || c.category() == QChar::Other_Control;
}

bool isUnusable(const QString &name)
{
    // A blank name or one of dots only ("." or "...") names no file of its own.
    for (QChar c : name)
        if (c != QLatin1Char('.') && !c.isSpace())
            return false;
    return true;
}

} // namespace

bool isSafeFileName(const QString &name)
{
    if (isUnusable(name) || name.contains(QLatin1String("..")))
        return false;
    for (QChar c : name)
        if (isBadChar(c))
            return false;
    return true;
}

QString safeFileName(const QString &name, const QString &fallback)
{
    QString out;
    out.reserve(name.size());
    for (QChar c : name)
        out += isBadChar(c) ? QLatin1Char('_') : c;
    // Left to right and non-overlapping: "..." becomes "_.", which holds no ".." any more.
    out.replace(QLatin1String(".."), QLatin1String("_"));
    if (isUnusable(out))
        return fallback;
    return out;
}

} // namespace qn
