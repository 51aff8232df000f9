#include "engine/image_finish.h"

// windows.h (from the header) must come before FreeImage.h.
#include <FreeImage.h>

namespace image_finish {
namespace {

// `value` laid over `under` with opacity alpha of `full`, rounded.
template <typename T>
T Over(unsigned long long value, unsigned long long under, unsigned long long alpha, unsigned long long full)
{
    return static_cast<T>((value * alpha + under * (full - alpha) + full / 2) / full);
}

void BlendPalette(FIBITMAP* image, COLORREF background)
{
    RGBQUAD* palette = FreeImage_GetPalette(image);
    const BYTE* alpha = FreeImage_GetTransparencyTable(image);
    const unsigned entries = FreeImage_GetColorsUsed(image);
    const unsigned count = FreeImage_GetTransparencyCount(image);
    for (unsigned i = 0; palette && alpha && i < entries && i < count; ++i) {
        palette[i].rgbRed = Over<BYTE>(palette[i].rgbRed, GetRValue(background), alpha[i], 255);
        palette[i].rgbGreen = Over<BYTE>(palette[i].rgbGreen, GetGValue(background), alpha[i], 255);
        palette[i].rgbBlue = Over<BYTE>(palette[i].rgbBlue, GetBValue(background), alpha[i], 255);
    }
    FreeImage_SetTransparencyTable(image, nullptr, 0);
    FreeImage_SetTransparent(image, FALSE);
}

void BlendPixels(FIBITMAP* image, COLORREF background)
{
    const unsigned width = FreeImage_GetWidth(image), height = FreeImage_GetHeight(image);
    const unsigned r = GetRValue(background), g = GetGValue(background), b = GetBValue(background);
    for (unsigned y = 0; y < height; ++y) {
        BYTE* p = FreeImage_GetScanLine(image, static_cast<int>(y));
        for (unsigned x = 0; x < width; ++x, p += 4) {
            const unsigned alpha = p[FI_RGBA_ALPHA];
            if (alpha == 255)
                continue;
            p[FI_RGBA_RED] = Over<BYTE>(p[FI_RGBA_RED], r, alpha, 255);
            p[FI_RGBA_GREEN] = Over<BYTE>(p[FI_RGBA_GREEN], g, alpha, 255);
            p[FI_RGBA_BLUE] = Over<BYTE>(p[FI_RGBA_BLUE], b, alpha, 255);
            p[FI_RGBA_ALPHA] = 255;
        }
    }
    FreeImage_SetTransparent(image, FALSE);
}

// 16 bits a channel with alpha, laid over the background into 24-bit colour.
ImagePtr BlendWide(FIBITMAP* image, COLORREF background)
{
    const unsigned width = FreeImage_GetWidth(image), height = FreeImage_GetHeight(image);
    ImagePtr out(FreeImage_Allocate(static_cast<int>(width), static_cast<int>(height), 24));
    if (!out)
        return out;
    // The background widened to 16 bits, the result narrowed back, rounding.
    const unsigned r = GetRValue(background) * 257u, g = GetGValue(background) * 257u, b = GetBValue(background) * 257u;
    const auto narrow = [](unsigned value) { return static_cast<BYTE>((value + 128) / 257); };
    for (unsigned y = 0; y < height; ++y) {
        const FIRGBA16* in = reinterpret_cast<const FIRGBA16*>(FreeImage_GetScanLine(image, static_cast<int>(y)));
        BYTE* p = FreeImage_GetScanLine(out.get(), static_cast<int>(y));
        for (unsigned x = 0; x < width; ++x, ++in, p += 3) {
            p[FI_RGBA_RED] = narrow(Over<unsigned>(in->red, r, in->alpha, 65535));
            p[FI_RGBA_GREEN] = narrow(Over<unsigned>(in->green, g, in->alpha, 65535));
            p[FI_RGBA_BLUE] = narrow(Over<unsigned>(in->blue, b, in->alpha, 65535));
        }
    }
    return out;
}

}  // namespace

ImagePtr Opaque(ImagePtr image, COLORREF background)
{
    if (!image)
        return image;
    switch (FreeImage_GetImageType(image.get())) {
    case FIT_BITMAP:
        if (FreeImage_GetBPP(image.get()) == 32)
            BlendPixels(image.get(), background);
        else if (FreeImage_GetBPP(image.get()) <= 8 && FreeImage_IsTransparent(image.get()))
            BlendPalette(image.get(), background);
        return image;
    case FIT_UINT16:  // grey
        return ImagePtr(FreeImage_ConvertTo8Bits(image.get()));
    case FIT_RGB16:
        return ImagePtr(FreeImage_ConvertTo24Bits(image.get()));
    case FIT_RGBA16:
        return BlendWide(image.get(), background);
    default:
        return nullptr;
    }
}

ImagePtr Upright(ImagePtr image, int orientation)
{
    if (!image || orientation < 2 || orientation > 8)
        return image;
    // Mirrored and half turns happen in place; quarter turns make a copy,
    // which FreeImage makes of 1, 8, 24 and 32 bits only.
    const auto turned = [&](double degrees) {
        const unsigned bpp = FreeImage_GetBPP(image.get());
        if (bpp != 1 && bpp != 8 && bpp != 24 && bpp != 32)
            image.reset(FreeImage_ConvertTo24Bits(image.get()));
        if (image)
            image.reset(FreeImage_Rotate(image.get(), degrees));
        return image != nullptr;
    };
    bool ok = true;
    switch (orientation) {
    case 2: ok = FreeImage_FlipHorizontal(image.get()); break;
    case 3: ok = FreeImage_FlipHorizontal(image.get()) && FreeImage_FlipVertical(image.get()); break;
    case 4: ok = FreeImage_FlipVertical(image.get()); break;
    case 5: ok = turned(90) && FreeImage_FlipVertical(image.get()); break;
    case 6: ok = turned(-90); break;
    case 7: ok = turned(-90) && FreeImage_FlipVertical(image.get()); break;
    case 8: ok = turned(90); break;
    }
    if (!ok)
        image.reset();
    return image;
}

}  // namespace image_finish
