// What a decoded PNG or WebP still needs before it is scaled or written as a
// BMP: 16-bit channels brought to 8 bits, transparent parts laid over a
// background colour, and the EXIF orientation applied.
#pragma once
#include <windows.h>

#include "engine/image_ptr.h"

namespace image_finish {

// The picture with nothing transparent and 8-bit channels: a palette's
// transparent entries blended into its colours, 32-bit pixels blended in
// place, 16-bit channels converted (with alpha blended on the way). Null when
// memory runs out or the picture is of a kind no screen shows.
ImagePtr Opaque(ImagePtr image, COLORREF background);

// The picture turned and mirrored as EXIF orientation 2 to 8 says (1 and any
// other value leave it). Null when memory runs out.
ImagePtr Upright(ImagePtr image, int orientation);

}  // namespace image_finish
