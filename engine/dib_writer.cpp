#include "engine/dib_writer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "engine/image_io.h"
#include "engine/image_ptr.h"
#include "engine/resampler.h"
#include "framework/gdi_owners.h"
#include "framework/global_block.h"
#include "framework/kernel_owners.h"

namespace dib_writer {
namespace {

// Largest pixel area we hand to GDI or write: a packed DIB with a full colour
// table and the 14-byte file header must still fit in a signed 32-bit size.
constexpr LONGLONG kMaxImageBytes = 0x7FFFFFFFLL - 14 - 40 - 4 * 256;

const char* const kTemporarySuffix = ".tmp";

// Bytes in one DIB row: padded to whole 32-bit words.
LONGLONG DibRowBytes(LONGLONG width, int bitCount)
{
    return ((width * bitCount + 31) & ~31LL) / 8;
}

// Colour-table entries of a packed DIB: 2^bits up to 8 bits, none above.
int ColourTableEntries(int bitCount)
{
    return bitCount <= 8 ? 1 << bitCount : 0;
}

HANDLE CreateForWriting(const std::string& path)
{
    return ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Moves the finished temporary file over the target; on failure the
// temporary file goes and the target is as it was.
bool ReplaceWithTemporary(const std::string& temporary, const std::string& target)
{
    // Windows will not replace a read-only file, Wine will: refuse it here
    // as opening the target for writing would.
    const DWORD attributes = ::GetFileAttributesA(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        ::DeleteFileA(temporary.c_str());
        return false;
    }
    if (::MoveFileExA(temporary.c_str(), target.c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    ::DeleteFileA(temporary.c_str());
    return false;
}

}  // namespace

bool SaveBmp(FIBITMAP* image, const std::string& path, int flags)
{
    if (!image)
        return false;
    CFileHandle file(CreateForWriting(path));
    if (!file.Valid())
        return false;
    FreeImageIO io = image_io::HandleIo();
    bool ok = FreeImage_SaveToHandle(FIF_BMP, image, &io, static_cast<fi_handle>(file), flags) != FALSE;
    ok = ::FlushFileBuffers(file) && ok;
    return ::CloseHandle(file.Release()) && ok;
}

namespace {

// Hands `scale` the image's rows (or the part's: top-down pixel coordinates)
// as 24- or 32-bit pixels: (first row, pitch, width, height, bytes a pixel).
// Palette, grey and 16-bit pictures are averaged as 24-bit colour.
template <typename Scale>
bool WithRows(FIBITMAP* image, const RECT* part, int width, int height, Scale scale)
{
    if (!image || width <= 0 || height <= 0 || FreeImage_GetImageType(image) != FIT_BITMAP)
        return false;
    const LONG iw = static_cast<LONG>(FreeImage_GetWidth(image)), ih = static_cast<LONG>(FreeImage_GetHeight(image));
    const RECT whole = {0, 0, iw, ih};
    const RECT area = part ? *part : whole;
    if (area.left < 0 || area.top < 0 || area.right > iw || area.bottom > ih || area.left >= area.right ||
        area.top >= area.bottom)
        return false;
    // Refuse before anything is allocated.
    if (DibRowBytes(width, 32) * height > kMaxImageBytes)
        return false;
    const int bpp = static_cast<int>(FreeImage_GetBPP(image));
    ImagePtr converted;
    if (bpp != 24 && bpp != 32) {
        converted.reset(FreeImage_ConvertTo24Bits(image));
        if (!converted)
            return false;
    }
    try {
        FIBITMAP* source = converted ? converted.get() : image;
        // FreeImage keeps rows bottom-up, as a DIB does: row 0 is the bottom
        // one, so the part's last row is the first one taken.
        const int step = static_cast<int>(FreeImage_GetBPP(source)) / 8;
        const size_t pitch = FreeImage_GetPitch(source);
        const BYTE* first = FreeImage_GetBits(source) + static_cast<size_t>(ih - area.bottom) * pitch +
                            static_cast<size_t>(area.left) * step;
        return scale(first, static_cast<std::ptrdiff_t>(pitch), area.right - area.left, area.bottom - area.top, step);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// Averages the image into width x height 32-bit rows at the place `place`
// gives for that many pixels (nullptr: no memory).
template <typename Place>
bool AverageInto(FIBITMAP* image, const RECT* part, int width, int height, Place place)
{
    return WithRows(image, part, width, height,
                    [&](const BYTE* first, std::ptrdiff_t pitch, int sw, int sh, int step) {
                        DWORD* out = place(static_cast<size_t>(width) * height);
                        return out && resampler::Resample(first, pitch, sw, sh, step, width, height,
                                                          reinterpret_cast<std::uint32_t*>(out));
                    });
}

// The header of the 32-bit packed DIB that AverageIntoBlock makes.
BITMAPINFOHEADER AveragedHeader(int width, int height)
{
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(DibRowBytes(width, 32) * height);
    return header;
}

// A packed DIB of a 32-bit screen, as GDI would give it: header, no colour
// table, bottom-up rows.
}  // namespace

HGLOBAL AverageIntoBlock(FIBITMAP* image, const RECT* part, int width, int height)
{
    CGlobalBlock block;
    BITMAPINFOHEADER* header = nullptr;
    if (!AverageInto(image, part, width, height, [&](size_t count) -> DWORD* {
            block.Reset(::GlobalAlloc(GMEM_FIXED, sizeof(BITMAPINFOHEADER) + count * sizeof(DWORD)));
            header = static_cast<BITMAPINFOHEADER*>(static_cast<HGLOBAL>(block));  // a fixed block's handle is its address
            return header ? reinterpret_cast<DWORD*>(header + 1) : nullptr;
        }))
        return nullptr;
    *header = AveragedHeader(width, height);
    return block.Release();
}

HBITMAP AverageIntoBitmap(FIBITMAP* image, const RECT* part, int width, int height, HDC dc)
{
    if (!dc)
        return nullptr;
    std::vector<DWORD> pixels;
    if (!AverageInto(image, part, width, height, [&](size_t count) {
            pixels.resize(count);
            return pixels.data();
        }))
        return nullptr;
    // Only the fitted picture becomes a device bitmap: GDI turns it into the
    // screen's format (depth, palette) as it would any DIB.
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up, as FreeImage keeps rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return ::CreateDIBitmap(dc, &info.bmiHeader, CBM_INIT, pixels.data(), &info, DIB_RGB_COLORS);
}

bool AverageIntoPixels(FIBITMAP* image, const RECT* part, int width, int height, std::vector<std::uint32_t>& pixels)
{
    return AverageInto(image, part, width, height, [&](size_t count) {
        pixels.resize(count);
        return reinterpret_cast<DWORD*>(pixels.data());
    });
}

namespace {
bool Is32Bit(HDC dc)
{
    return ::GetDeviceCaps(dc, BITSPIXEL) * ::GetDeviceCaps(dc, PLANES) == 32;
}
}  // namespace

bool ScreenIs32Bit()
{
    const CClientDC screen(nullptr);
    return screen && Is32Bit(screen);
}

HGLOBAL ToScreenFormat(HGLOBAL block)
{
    if (!block)
        return nullptr;
    CGlobalBlock owned(block);
    CBitmap bitmap;
    {
        const CClientDC screen(nullptr);
        if (!screen)
            return nullptr;
        if (Is32Bit(screen))
            return owned.Release();
        const auto* info = static_cast<const BITMAPINFO*>(static_cast<HGLOBAL>(owned));  // a fixed block
        const BYTE* rows = reinterpret_cast<const BYTE*>(info) + info->bmiHeader.biSize;  // no colour table
        bitmap.Reset(::CreateDIBitmap(screen, &info->bmiHeader, CBM_INIT, rows, info, DIB_RGB_COLORS));
    }
    return bitmap ? BitmapToDib(bitmap, BI_RGB, nullptr) : nullptr;
}

HGLOBAL BitmapToDib(HBITMAP bitmap, DWORD compression, HPALETTE palette)
{
    if (compression == BI_BITFIELDS)
        return nullptr;
    if (!palette)
        palette = static_cast<HPALETTE>(::GetStockObject(DEFAULT_PALETTE));

    BITMAP bm = {};
    if (!bitmap || ::GetObjectA(bitmap, sizeof bm, &bm) == 0)
        return nullptr;
    BITMAPINFOHEADER bi = {};
    bi.biSize = sizeof(BITMAPINFOHEADER);
    bi.biWidth = bm.bmWidth;
    bi.biHeight = bm.bmHeight;
    bi.biPlanes = 1;
    bi.biBitCount = static_cast<WORD>(bm.bmPlanes * bm.bmBitsPixel);
    bi.biCompression = compression;
    if (bi.biWidth <= 0 || bi.biHeight <= 0 || bi.biBitCount == 0 || bi.biBitCount > 32)
        return nullptr;
    const WORD bitCount = bi.biBitCount;
    const LONGLONG headerBytes = sizeof(BITMAPINFOHEADER) + 4LL * ColourTableEntries(bitCount);
    const LONGLONG rgbBytes = DibRowBytes(bi.biWidth, bitCount) * bi.biHeight;
    if (rgbBytes > kMaxImageBytes)
        return nullptr;

    const CClientDC screen(nullptr);
    if (!screen)
        return nullptr;
    const CSelectPalette selected(screen, palette);
    ::RealizePalette(screen);

    CGlobalBlock block(::GlobalAlloc(GMEM_FIXED, static_cast<SIZE_T>(headerBytes)));
    if (!block)
        return nullptr;
    // First pass: GDI completes the header (image size, colour table).
    bool ok = false;
    if (BYTE* p = static_cast<BYTE*>(::GlobalLock(block))) {
        std::memcpy(p, &bi, sizeof bi);
        ::GetDIBits(screen, bitmap, 0, static_cast<UINT>(bi.biHeight), nullptr,
                    reinterpret_cast<BITMAPINFO*>(p), DIB_RGB_COLORS);
        std::memcpy(&bi, p, sizeof bi);
        ::GlobalUnlock(block);
        // The colour table was sized for the original depth.
        ok = bi.biSize == sizeof(BITMAPINFOHEADER) && bi.biBitCount == bitCount &&
             bi.biWidth == bm.bmWidth && bi.biHeight == bm.bmHeight;
    }

    LONGLONG imageBytes = bi.biSizeImage;
    if (imageBytes == 0) {
        imageBytes = rgbBytes;
        if (bi.biCompression != BI_RGB)
            imageBytes = imageBytes * 3 / 2;
    } else if (bi.biCompression == BI_RGB && imageBytes < rgbBytes) {
        // Uncompressed rows always need this much, whatever GDI said.
        imageBytes = rgbBytes;
    }
    if (!ok || imageBytes > kMaxImageBytes)
        return nullptr;

    HGLOBAL grown = ::GlobalReAlloc(block, static_cast<SIZE_T>(headerBytes + imageBytes), GMEM_MOVEABLE);
    if (!grown)
        return nullptr;
    block.Release();  // the old handle is the new one's, or already gone
    block.Reset(grown);
    BYTE* p = static_cast<BYTE*>(::GlobalLock(block));
    ok = p && ::GetDIBits(screen, bitmap, 0, static_cast<UINT>(bi.biHeight), p + headerBytes,
                          reinterpret_cast<BITMAPINFO*>(p), DIB_RGB_COLORS) != 0;
    if (p)
        ::GlobalUnlock(block);
    return ok ? block.Release() : nullptr;
}

HGLOBAL StretchToDib(FIBITMAP* image, const RECT* part, int width, int height)
{
    // On the usual 32-bit screen the averaged rows already are its format.
    return ToScreenFormat(AverageIntoBlock(image, part, width, height));
}

// ---------------------------------------------------------------- writing

namespace {

// Builds the whole file beside the target (`write` fills it), then swaps it
// in, so a failed write never leaves a half-written wallpaper behind.
template <typename Write>
bool WriteBeside(const std::string& fileName, Write write)
{
    const std::string temporary = fileName + kTemporarySuffix;
    CFileHandle file(CreateForWriting(temporary));
    if (!file.Valid())
        return false;
    bool ok = write(static_cast<HANDLE>(file));
    ok = ok && ::FlushFileBuffers(file);
    ok = ::CloseHandle(file.Release()) && ok;  // a failed close may be a lost write
    if (!ok) {
        ::DeleteFileA(temporary.c_str());
        return false;
    }
    return ReplaceWithTemporary(temporary, fileName);
}

BITMAPFILEHEADER FileHeader(SIZE_T dibBytes, const BITMAPINFOHEADER& bi)
{
    BITMAPFILEHEADER fh = {};
    fh.bfType = 0x4D42;  // "BM"
    fh.bfSize = static_cast<DWORD>(dibBytes + sizeof fh);
    fh.bfOffBits = static_cast<DWORD>(sizeof fh + bi.biSize + 4 * ColourTableEntries(bi.biBitCount));
    return fh;
}

// The averaged rows are written a band at a time: no block of the whole
// bitmap is ever made.
const size_t kBandBytes = size_t(1) << 20;

}  // namespace

bool WriteDib(const std::string& fileName, HGLOBAL block)
{
    if (!block)
        return false;
    const SIZE_T size = ::GlobalSize(block);
    if (size < sizeof(BITMAPINFOHEADER) || size > static_cast<SIZE_T>(0xFFFFFFFFULL - sizeof(BITMAPFILEHEADER)))
        return false;
    const BYTE* data = static_cast<const BYTE*>(::GlobalLock(block));
    if (!data)
        return false;
    BITMAPINFOHEADER bi;
    std::memcpy(&bi, data, sizeof bi);
    const BITMAPFILEHEADER fh = FileHeader(size, bi);
    const bool ok = WriteBeside(fileName, [&](HANDLE file) {
        return image_io::WriteAll(file, reinterpret_cast<const BYTE*>(&fh), sizeof fh) &&
               image_io::WriteAll(file, data, size);
    });
    ::GlobalUnlock(block);
    return ok;
}

bool WriteStretched(const std::string& fileName, FIBITMAP* image, const RECT* part, int width, int height,
                    bool* notScaled)
{
    if (!ScreenIs32Bit()) {
        const CGlobalBlock block(StretchToDib(image, part, width, height));
        if (!block && notScaled)
            *notScaled = true;
        return block && WriteDib(fileName, block);
    }
    if (width <= 0 || height <= 0 || DibRowBytes(width, 32) * height > kMaxImageBytes) {
        if (notScaled)
            *notScaled = true;
        return false;
    }
    const BITMAPINFOHEADER bi = AveragedHeader(width, height);
    const BITMAPFILEHEADER fh = FileHeader(sizeof bi + bi.biSizeImage, bi);
    const int bandRows = static_cast<int>(std::max<size_t>(1, kBandBytes / (static_cast<size_t>(width) * 4)));
    return WriteBeside(fileName, [&](HANDLE file) {
        bool written = true;  // every write to the file so far went through
        const auto put = [&](const void* data, size_t bytes) {
            return written = image_io::WriteAll(file, static_cast<const BYTE*>(data), bytes);
        };
        if (!put(&fh, sizeof fh) || !put(&bi, sizeof bi))
            return false;
        const bool scaled =
            WithRows(image, part, width, height, [&](const BYTE* first, std::ptrdiff_t pitch, int sw, int sh, int step) {
                return resampler::ResampleInBands(first, pitch, sw, sh, step, width, height, bandRows,
                                                  [&](const std::uint32_t* band, int rows) {
                                                      return put(band, static_cast<size_t>(rows) * width * 4);
                                                  });
            });
        if (!scaled && written && notScaled)
            *notScaled = true;
        return scaled;
    });
}

bool SaveImageAsBmp(FIBITMAP* image, const std::string& fileName)
{
    if (!image)
        return false;
    const std::string temporary = fileName + kTemporarySuffix;
    if (!SaveBmp(image, temporary, 0)) {
        ::DeleteFileA(temporary.c_str());
        return false;
    }
    return ReplaceWithTemporary(temporary, fileName);
}

}  // namespace dib_writer
