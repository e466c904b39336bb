#pragma once
// Names that come from the ECU or from a file (car number, ECU name, language and style names,
// file names listed in index files) become parts of paths. This helper keeps such a name inside
// the folder it is meant for.

#include <QString>

namespace qn {

// True when name can be used as one path component as it is: not empty or blank, not made of
// dots only, no "/" or "\" separator, no "..", no control character.
bool isSafeFileName(const QString &name);

// Makes name usable as one path component. Separators and control characters each become "_",
// every ".." becomes "_", so that different names stay apart. When nothing usable is left (empty,
// blank or dots only) the result is fallback, which the caller must choose safe.
QString safeFileName(const QString &name, const QString &fallback);

} // namespace qn
