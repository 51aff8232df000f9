#include "engine/image_tools.h"

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

HGLOBAL CImageTools::StretchToDib(FIBITMAP* image, int width, int height) const
{
    return dib_writer::StretchToDib(image, width, height);
}

HBITMAP CImageTools::StretchToBitmap(FIBITMAP* image, int width, int height, HDC dc) const
{
    return dib_writer::AverageIntoBitmap(image, width, height, dc);
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
    if (mode == FitMode::NoResize)
        return FitDecision{false, iw, ih};
    if (mode == FitMode::Stretch)
        return FitDecision{true, sw, sh};
    if (sw < iw || sh < ih) {
        const RECT fitted = FitRect(iw, ih, sw, sh);
        return FitDecision{true, fitted.right, fitted.bottom};
    }
    return FitDecision{false, iw, ih};
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
