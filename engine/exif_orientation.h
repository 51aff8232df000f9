// A JPEG's EXIF orientation, read once from its header-only load, and the
// decoded picture turned upright by it. FreeImage alone, no Windows calls, so
// the fuzzing build shares it.
#pragma once
#ifdef _WIN32
#include <windows.h>  // before FreeImage.h
#endif
#include <FreeImage.h>

namespace exif_orientation {

// The Orientation tag of a loaded header: 1 to 8; 1 when absent or not a
// well-formed SHORT.
int Read(FIBITMAP* header);

// The picture turned upright for `orientation` (1 to 8; anything else leaves
// it as it is). Takes `image`: the result is the same bitmap (flips work in
// place) or a turned copy, with `image` unloaded; nullptr when turning fails.
FIBITMAP* Upright(FIBITMAP* image, int orientation);

}  // namespace exif_orientation
