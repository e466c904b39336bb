#pragma once
// Style files: a style is a Qt style sheet in Styles/<name>.style; "Classic", or a name without a
// file, means the platform's own look.

#include "ui/Folders.h"

#include <QString>

namespace qn {

// The style sheet of the style, or an empty text for the platform look.
QString loadStyleSheet(const Paths &paths, const QString &style);

} // namespace qn
