#include "engine/image_tools.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "engine/dib_writer.h"
#include "engine/image_checks.h"
#include "engine/image_decoder.h"

namespace {

int ClampToInt(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (value <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(value);
}

}  // namespace

// ---------------------------------------------------------------- loading

FIBITMAP* CImageTools::LoadImageFile(const std::string& path, int minWidth, int minHeight) const
{
    const FREE_IMAGE_FORMAT format = image_decoder::FormatOf(path);
    image_decoder::HeaderFacts facts;
    if (format == FIF_UNKNOWN || !image_decoder::ReadHeader(format, path, facts))
        return nullptr;
    if (format == FIF_JPEG)
        return image_decoder::LoadJpeg(path, facts, minWidth, minHeight);
    if (format == FIF_PNG || format == FIF_WEBP)
        return image_decoder::LoadPngOrWebp(format, path, facts, minWidth, minHeight);
    return FI_LoadBMP(path, 0);
}

bool CImageTools::ReadUprightSize(const std::string& path, int& width, int& height, int& bitsPerPixel) const
{
    image_decoder::HeaderFacts facts;
    const FREE_IMAGE_FORMAT format = image_decoder::FormatOf(path);
    if (format == FIF_UNKNOWN || !image_decoder::ReadHeader(format, path, facts))
        return false;
    const bool turned = image_checks::TurnsQuarter(facts.orientation);
    width = turned ? facts.height : facts.width;
    height = turned ? facts.width : facts.height;
    bitsPerPixel = facts.bpp;
    return true;
}

// ---------------------------------------------------------------- conversion

HGLOBAL CImageTools::StretchToDib(FIBITMAP* image, int width, int height, const RECT* part) const
{
    return dib_writer::StretchToDib(image, part, width, height);
}

HBITMAP CImageTools::StretchToBitmap(FIBITMAP* image, int width, int height, HDC dc) const
{
    return dib_writer::AverageIntoBitmap(image, nullptr, width, height, dc);
}

HGLOBAL CImageTools::BitmapToDib(HBITMAP bitmap, DWORD compression, HPALETTE palette) const
{
    return dib_writer::BitmapToDib(bitmap, compression, palette);
}

// ---------------------------------------------------------------- writing

bool CImageTools::WriteDib(const std::string& fileName, HGLOBAL block) const
{
    return dib_writer::WriteDib(fileName, block);
}

bool CImageTools::WriteStretched(const std::string& fileName, FIBITMAP* image, int width, int height,
                                 const RECT* part, bool* notScaled) const
{
    return dib_writer::WriteStretched(fileName, image, part, width, height, notScaled);
}

bool CImageTools::SaveImageAsBmp(FIBITMAP* image, const std::string& fileName) const
{
    return dib_writer::SaveImageAsBmp(image, fileName);
}

// ---------------------------------------------------------------- fitting

RECT CImageTools::FitRect(int w, int h, int maxW, int maxH)
{
    // The reduction is truncated, not the kept size, so the dependent side
    // comes out rounded up (1366 x 1000 into 1024 x 768 is 1024 x 750).
    if (w > maxW) {
        const double ratio = (static_cast<double>(w) - maxW) / w;
        h = ClampToInt(h - std::trunc(h * ratio));
        w = maxW;
    }
    if (h > maxH) {
        const double ratio = (static_cast<double>(h) - maxH) / h;
        w = ClampToInt(w - std::trunc(w * ratio));
        h = maxH;
    }
    RECT rect = {0, 0, w, h};
    return rect;
}

CImageTools::FitDecision CImageTools::DecideFit(FitMode mode, int iw, int ih, int sw, int sh)
{
    const auto as = [](bool scaled, int w, int h) { return FitDecision{scaled, w, h, w, h, false}; };
    if (mode == FitMode::NoResize)
        return as(false, iw, ih);
    if (mode == FitMode::Stretch)
        return as(true, sw, sh);
    if (iw <= 0 || ih <= 0 || sw <= 0 || sh <= 0)
        return as(false, iw, ih);
    // Scale factors compared exactly: sw / iw against sh / ih.
    const long long across = static_cast<long long>(sw) * ih, down = static_cast<long long>(sh) * iw;
    const auto scaledSide = [](long long side, long long to, long long from) {
        return static_cast<int>(std::max(1LL, (2 * side * to + from) / (2 * from)));  // side * to / from, rounded
    };
    if (mode == FitMode::Fit) {
        // The smaller factor: one side meets the screen, the other fits inside.
        const int w = across <= down ? sw : std::min(sw, scaledSide(iw, sh, ih));
        const int h = across <= down ? std::min(sh, scaledSide(ih, sw, iw)) : sh;
        return as(w != iw || h != ih, w, h);
    }
    if (mode == FitMode::Fill) {
        if (iw == sw && ih == sh)
            return as(false, iw, ih);
        // The larger factor: the picture covers the screen and overflows on one side.
        FitDecision fit = as(true, sw, sh);
        fit.coverWidth = across >= down ? sw : std::max(sw, scaledSide(iw, sh, ih));
        fit.coverHeight = across >= down ? std::max(sh, scaledSide(ih, sw, iw)) : sh;
        fit.cropped = fit.coverWidth != sw || fit.coverHeight != sh;
        return fit;
    }
    if (sw < iw || sh < ih) {
        const RECT fitted = FitRect(iw, ih, sw, sh);
        return as(true, fitted.right, fitted.bottom);
    }
    return as(false, iw, ih);
}

RECT CImageTools::CoverPart(int iw, int ih, int w, int h)
{
    RECT part = {0, 0, iw, ih};
    if (iw <= 0 || ih <= 0 || w <= 0 || h <= 0)
        return part;
    const long long wide = static_cast<long long>(iw) * h, tall = static_cast<long long>(ih) * w;
    if (wide > tall) {  // wider than the screen's shape: the sides are cut
        const int kept = static_cast<int>(std::clamp((2LL * ih * w + h) / (2LL * h), 1LL, static_cast<long long>(iw)));
        part.left = (iw - kept) / 2;
        part.right = part.left + kept;
    } else if (wide < tall) {  // taller: the top and bottom are cut
        const int kept = static_cast<int>(std::clamp((2LL * iw * h + w) / (2LL * w), 1LL, static_cast<long long>(ih)));
        part.top = (ih - kept) / 2;
        part.bottom = part.top + kept;
    }
    return part;
}

// ---------------------------------------------------------------- FreeImage

void CImageTools::InitialiseLibrary()
{
    // TRUE: built-in plugins only; FALSE would scan for plugin DLLs.
    FreeImage_Initialise(TRUE);
}

void CImageTools::ReleaseLibrary()
{
    FreeImage_DeInitialise();
}

FIBITMAP* CImageTools::FI_LoadJPEG(const std::string& path, int flags)
{
    return image_decoder::Load(FIF_JPEG, path, flags);
}

FIBITMAP* CImageTools::FI_LoadBMP(const std::string& path, int flags)
{
    return image_decoder::Load(FIF_BMP, path, flags);
}

int CImageTools::FI_SaveBMP(FIBITMAP* image, const std::string& path, int flags)
{
    return dib_writer::SaveBmp(image, path, flags) ? 1 : 0;
}

int CImageTools::FI_GetWidth(FIBITMAP* image)
{
    const unsigned width = image ? FreeImage_GetWidth(image) : 0;
    return width > static_cast<unsigned>(INT_MAX) ? 0 : static_cast<int>(width);
}

int CImageTools::FI_GetHeight(FIBITMAP* image)
{
    const unsigned height = image ? FreeImage_GetHeight(image) : 0;
    return height > static_cast<unsigned>(INT_MAX) ? 0 : static_cast<int>(height);
}

int CImageTools::FI_GetBPP(FIBITMAP* image)
{
    return image ? static_cast<int>(FreeImage_GetBPP(image)) : 0;
}

void CImageTools::FI_Unload(FIBITMAP* image)
{
    if (image)
        FreeImage_Unload(image);
}
