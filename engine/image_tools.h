// What callers see of the image work: loading (image_decoder), scaling and
// conversion to packed DIBs and BMP files (dib_writer, resampler), and the
// rules for fitting an image to the screen.
#pragma once
#include <windows.h>

#include <string>

#include "settings/settings.h"

// FreeImage's image handle; only engine/*.cpp sees its definition.
struct FIBITMAP;

class CImageTools {
public:
    CImageTools() = default;
    virtual ~CImageTools() = default;

    // What happens to an image before it becomes the wallpaper: written at
    // its own size (scaled false) or scaled to width x height. coverWidth x
    // coverHeight is the whole picture at the fitted scale, which a reduced
    // decode must still cover; it exceeds the bitmap only when the picture
    // is cropped to fill the screen (`cropped`).
    struct FitDecision {
        bool scaled;
        int width;
        int height;
        int coverWidth;
        int coverHeight;
        bool cropped;
    };

    // Decodes a file whose name is a picture's (CLibrary::IsPictureName) by
    // what it holds: BMP, JPEG, PNG or WebP, whatever its extension says;
    // anything else gives nullptr, as does a file the decoder rejects. The
    // header is read first and refuses, before anything is allocated, a
    // picture too large, and a BMP whose pixel data is not all in the file
    // (only the last row's padding may be missing), which an unpatched
    // FreeImage would load black. A JPEG, PNG or WebP comes upright (turned
    // by its EXIF orientation), a PNG or WebP opaque (laid over the desktop's
    // colour); with a wanted size a JPEG or WebP may be decoded smaller, down
    // to no less than minWidth x minHeight (upright), which is far faster for
    // big photos. The caller unloads the image (an ImagePtr does). The size
    // bound is image_checks::DecodeAllowed.
    FIBITMAP* LoadImageFile(const std::string& path, int minWidth = 0, int minHeight = 0) const;
    // The picture's full upright size and the file's bit depth from its
    // header alone; false when LoadImageFile would refuse the file at its
    // header.
    bool ReadUprightSize(const std::string& path, int& width, int& height, int& bitsPerPixel) const;

    // The whole image scaled to exactly width x height in the screen's pixel
    // format, as a packed DIB in a global block the caller frees; nullptr
    // when any step fails or the size is out of range.
    // With a part (top-down pixel coordinates), only that part is scaled.
    HGLOBAL StretchToDib(FIBITMAP* image, int width, int height, const RECT* part = nullptr) const;
    // The same as a device bitmap compatible with dc, which the caller
    // deletes. Shrinking averages every source pixel's area (no aliasing);
    // enlarging interpolates linearly.
    HBITMAP StretchToBitmap(FIBITMAP* image, int width, int height, HDC dc) const;
    // A device bitmap as a packed DIB (header, colour table, rows); nullptr
    // for BI_BITFIELDS or on failure. palette may be null.
    HGLOBAL BitmapToDib(HBITMAP bitmap, DWORD compression, HPALETTE palette) const;
    // Writes the block as a BMP file. The file is built beside the target and
    // only then moved over it, so on any failure the old file stays intact.
    bool WriteDib(const std::string& fileName, HGLOBAL block) const;
    // The file WriteDib would make of StretchToDib's block, with no block of
    // the whole bitmap in memory; *notScaled is set when the picture, not
    // the file, failed.
    bool WriteStretched(const std::string& fileName, FIBITMAP* image, int width, int height, const RECT* part = nullptr,
                        bool* notScaled = nullptr) const;
    // Saves the decoded image as a BMP at its own size and depth, with the
    // same replace-only-on-success rule as WriteDib.
    bool SaveImageAsBmp(FIBITMAP* image, const std::string& fileName) const;

    // Shrinks w x h proportionally into maxW x maxH (width first); never
    // enlarges. The result is (0, 0, fitted width, fitted height).
    static RECT FitRect(int w, int h, int maxW, int maxH);
    // The fitting decision for the resize mode and the image and screen sizes.
    static FitDecision DecideFit(FitMode mode, int iw, int ih, int sw, int sh);
    // The centred part of an iw x ih picture that has the shape of w x h: what
    // filling a w x h screen shows of it.
    static RECT CoverPart(int iw, int ih, int w, int h);

    // FreeImage set-up for the process: once at start, once at exit.
    static void InitialiseLibrary();
    static void ReleaseLibrary();

    // The FreeImage operations the program uses. Files are opened through
    // Win32 handles so paths behave as everywhere else in the program.
    static FIBITMAP* FI_LoadJPEG(const std::string& path, int flags);
    static FIBITMAP* FI_LoadBMP(const std::string& path, int flags);
    // Non-zero on success.
    static int FI_SaveBMP(FIBITMAP* image, const std::string& path, int flags);
    static int FI_GetWidth(FIBITMAP* image);
    static int FI_GetHeight(FIBITMAP* image);
    static int FI_GetBPP(FIBITMAP* image);
    static void FI_Unload(FIBITMAP* image);
};
