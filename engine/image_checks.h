// The rules a picture's header must pass before a pixel is decoded, and the
// sizes the decoder is asked for. Plain C++: no Windows or FreeImage types,
// so the fuzzing build shares them.
#pragma once
#include <cstddef>

namespace image_checks {

// Largest picture a header may claim, in pixels, and its longest side (as
// JPEG's own limit). A 200-megapixel phone photo passes; a few kilobytes
// claiming 268435456 x 1 do not.
constexpr unsigned long long kMaxImagePixels = 1ULL << 28;
constexpr unsigned long long kMaxSide = 65535;
// Most memory one decoded picture may take, with the 24-bit copy that
// palette, grey and 16-bit pictures are averaged from. It keeps the whole
// program well under 600 MB whatever a file claims.
constexpr unsigned long long kMaxDecodeBytes = 384ULL << 20;

// A size a header may claim: both sides from 1 to kMaxSide, a known depth,
// and no more than kMaxImagePixels.
bool SizeAllowed(unsigned long long width, unsigned long long height, int bitsPerPixel);
// Bytes a picture decoded at this size and depth costs: its rows, plus the
// 24-bit copy for depths the resampler does not take as they are.
unsigned long long DecodeCost(unsigned long long width, unsigned long long height, int bitsPerPixel);
// Whether a picture of this size and depth may be decoded: SizeAllowed and a
// DecodeCost within kMaxDecodeBytes, counting `alsoHeld` bytes kept beside
// the picture while it is decoded (a compressed file read whole, a turned
// copy).
bool DecodeAllowed(unsigned long long width, unsigned long long height, int bitsPerPixel,
                   unsigned long long alsoHeld = 0);
// Bytes a copy of the picture turned by a quarter takes, whatever its depth
// becomes on the way (at most 32 bits).
unsigned long long TurnedCopyCost(unsigned long long width, unsigned long long height);

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
