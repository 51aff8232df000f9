// The rules a picture's header must pass before a pixel is decoded, and the
// sizes the decoder is asked for. Plain C++: no Windows or FreeImage types,
// so the fuzzing build shares them.
#pragma once
#include <cstddef>

namespace image_checks {

// Largest picture decoded, in pixels: 1 GiB as the 32-bit screen-format
// copy that the wallpaper and the preview make of it. A 200-megapixel phone
// photo fits; a few kilobytes claiming 20000 x 20000 do not.
constexpr unsigned long long kMaxImagePixels = 1ULL << 28;

// A size the decoder may be asked for: both sides positive, a known depth,
// and no more than kMaxImagePixels.
bool SizeAllowed(unsigned long long width, unsigned long long height, int bitsPerPixel);

// Whether a BMP's pixel data is all in the file. `head` holds the file's
// first `got` bytes (34 suffice). Uncompressed rows must all be there (the
// last row's padding may be missing); RLE data ends where its markers say,
// which the decoder checks. An unpatched FreeImage loads such files black.
bool BmpPixelsInFile(const unsigned char* head, size_t got, unsigned long long fileSize,
                     unsigned long long width, unsigned long long height, int bitCount);

// EXIF orientations 5 to 8 turn the picture by a quarter: sides swap.
bool TurnsQuarter(int orientation);

// libjpeg decodes at 1/1, 1/2, 1/4 or 1/8 and rounds sizes up. The largest
// reduction whose result still covers minWidth x minHeight (upright sizes)
// of a stored width x height picture.
int JpegReduction(int width, int height, int orientation, int minWidth, int minHeight);

}  // namespace image_checks
