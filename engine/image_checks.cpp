#include "engine/image_checks.h"

namespace image_checks {
namespace {

unsigned long LittleEndian32(const unsigned char* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<unsigned long>(p[3]) << 24);
}

}  // namespace

bool SizeAllowed(unsigned long long width, unsigned long long height, int bitsPerPixel)
{
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide && bitsPerPixel > 0 &&
           bitsPerPixel <= 128 && width * height <= kMaxImagePixels;
}

unsigned long long DecodeCost(unsigned long long width, unsigned long long height, int bitsPerPixel)
{
    // Rows padded to 32 bits, as FreeImage keeps them.
    const auto rows = [&](int bits) { return (width * bits + 31) / 32 * 4 * height; };
    const bool averagedAsItIs = bitsPerPixel == 24 || bitsPerPixel == 32;
    return rows(bitsPerPixel) + (averagedAsItIs ? 0 : rows(24));
}

bool DecodeAllowed(unsigned long long width, unsigned long long height, int bitsPerPixel,
                   unsigned long long alsoHeld)
{
    return SizeAllowed(width, height, bitsPerPixel) && alsoHeld <= kMaxDecodeBytes &&
           DecodeCost(width, height, bitsPerPixel) <= kMaxDecodeBytes - alsoHeld;
}

unsigned long long TurnedCopyCost(unsigned long long width, unsigned long long height)
{
    return width * height * 4;
}

bool BmpPixelsInFile(const unsigned char* head, size_t got, unsigned long long fileSize,
                     unsigned long long width, unsigned long long height, int bitCount)
{
    if (got < 18)
        return false;
    const unsigned long long offset = LittleEndian32(head + 10);
    const unsigned long headerSize = LittleEndian32(head + 14);
    if (offset >= fileSize)
        return false;
    // BI_RGB, BI_BITFIELDS and BI_ALPHABITFIELDS are uncompressed; the OS/2
    // 1.x header has no compression field.
    const unsigned long compression = headerSize >= 40 && got >= 34 ? LittleEndian32(head + 30) : 0;
    if (compression != 0 && compression != 3 && compression != 6)
        return true;
    const unsigned long long rowBytes = (width * bitCount + 7) / 8;
    const unsigned long long pitch = (width * bitCount + 31) / 32 * 4;
    return offset + (height - 1) * pitch + rowBytes <= fileSize;
}

bool TurnsQuarter(int orientation)
{
    return orientation >= 5 && orientation <= 8;
}

int JpegReduction(int width, int height, int orientation, int minWidth, int minHeight)
{
    const bool turned = TurnsQuarter(orientation);
    const long long w = turned ? height : width;
    const long long h = turned ? width : height;
    for (int denominator = 8; denominator > 1; denominator /= 2)
        if ((w + denominator - 1) / denominator >= minWidth && (h + denominator - 1) / denominator >= minHeight)
            return denominator;
    return 1;
}

}  // namespace image_checks
