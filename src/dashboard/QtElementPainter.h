#pragma once
// Paints the draw state of one dashboard image into a fresh bitmap of the image's size: cleared to
// transparent, solid 2 px stroke in the accent colour, square fills at full opacity, ending with a
// frame over the whole bitmap (trend graphs only while the object editor is open).

#include "dashboard/Refresh.h"

#include <QImage>

namespace qn {

class QtElementPainter {
public:
    // The new picture of the image; a null QImage when the state asks for no change (state not
    // changed, kind None, an empty size, or a picture file that cannot be read).
    static QImage paint(const ImageDrawState &state);
};

} // namespace qn
