// Decoded pictures to packed DIBs in the screen's format (scaled by the
// resampler), device bitmaps to packed DIBs, and BMP files written whole
// beside their target before they replace it.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct FIBITMAP;

namespace dib_writer {

// The image, or the part of it (top-down pixel coordinates; nullptr: the
// whole), scaled to exactly width x height in the screen's pixel format, as
// a packed DIB in a global block the caller frees; nullptr when any step
// fails or the size is out of range.
HGLOBAL StretchToDib(FIBITMAP* image, const RECT* part, int width, int height);
// A 32-bit packed DIB (header, bottom-up rows) of the same, which is what a
// 32-bit screen takes as it is.
HGLOBAL AverageIntoBlock(FIBITMAP* image, const RECT* part, int width, int height);
// The same as a device bitmap compatible with dc, which the caller deletes.
HBITMAP AverageIntoBitmap(FIBITMAP* image, const RECT* part, int width, int height, HDC dc);
// The same as 32-bit BGRX pixels, bottom row first, in `pixels`.
bool AverageIntoPixels(FIBITMAP* image, const RECT* part, int width, int height,
                       std::vector<std::uint32_t>& pixels);
// Whether the screen's pixel format is 32-bit colour, which the averaged
// rows already are.
bool ScreenIs32Bit();
// A 32-bit packed DIB (GMEM_FIXED, no colour table; taken over) in the
// screen's format: itself on a 32-bit screen, else converted by GDI.
HGLOBAL ToScreenFormat(HGLOBAL block);
// A device bitmap as a packed DIB (header, colour table, rows); nullptr for
// BI_BITFIELDS or on failure. palette may be null.
HGLOBAL BitmapToDib(HBITMAP bitmap, DWORD compression, HPALETTE palette);

// The block as a BMP file; the decoded image as a BMP at its own size and
// depth. Either is built beside the target and only then moved over it, so
// on any failure the old file stays intact.
bool WriteDib(const std::string& fileName, HGLOBAL block);
// The file WriteDib makes of StretchToDib's block, the rows averaged and
// written a band at a time (on a 32-bit screen; else through the block).
// *notScaled is set when the picture, not the file, failed.
bool WriteStretched(const std::string& fileName, FIBITMAP* image, const RECT* part, int width, int height,
                    bool* notScaled = nullptr);
bool SaveImageAsBmp(FIBITMAP* image, const std::string& fileName);
// FreeImage's BMP writer straight into the file (no replace rule).
bool SaveBmp(FIBITMAP* image, const std::string& path, int flags);

}  // namespace dib_writer
