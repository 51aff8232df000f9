#include "engine/image_tools.h"

// windows.h (through the header) must come before FreeImage.h.
#include <FreeImage.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "library/file_tools.h"

namespace {

// Largest pixel area we hand to GDI or write: a packed DIB with a full colour
// table and the 14-byte file header must still fit in a signed 32-bit size.
constexpr LONGLONG kMaxImageBytes = 0x7FFFFFFFLL - 14 - 40 - 4 * 256;

// ReadFile/WriteFile take a DWORD; big blocks go in pieces.
constexpr ULONGLONG kIoChunk = 1ULL << 30;

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

// ---- FreeImage I/O over Win32 file handles (item counts, as fread/fwrite)

unsigned DLL_CALLCONV ReadFromHandle(void* buffer, unsigned size, unsigned count, fi_handle handle)
{
    if (size == 0 || count == 0)
        return 0;
    const ULONGLONG wanted = static_cast<ULONGLONG>(size) * count;
    BYTE* out = static_cast<BYTE*>(buffer);
    ULONGLONG done = 0;
    while (done < wanted) {
        const DWORD chunk = static_cast<DWORD>(wanted - done < kIoChunk ? wanted - done : kIoChunk);
        DWORD got = 0;
        if (!::ReadFile(static_cast<HANDLE>(handle), out + done, chunk, &got, nullptr) || got == 0)
            break;
        done += got;
    }
    return static_cast<unsigned>(done / size);
}

// Bytes written before the first failure.
ULONGLONG WriteChunks(HANDLE file, const BYTE* data, ULONGLONG size)
{
    ULONGLONG done = 0;
    while (done < size) {
        const DWORD chunk = static_cast<DWORD>(size - done < kIoChunk ? size - done : kIoChunk);
        DWORD put = 0;
        if (!::WriteFile(file, data + done, chunk, &put, nullptr) || put == 0)
            break;
        done += put;
    }
    return done;
}

unsigned DLL_CALLCONV WriteToHandle(void* buffer, unsigned size, unsigned count, fi_handle handle)
{
    if (size == 0 || count == 0)
        return 0;
    const ULONGLONG wanted = static_cast<ULONGLONG>(size) * count;
    return static_cast<unsigned>(WriteChunks(static_cast<HANDLE>(handle), static_cast<const BYTE*>(buffer), wanted) / size);
}

int DLL_CALLCONV SeekHandle(fi_handle handle, long offset, int origin)
{
    DWORD method;
    switch (origin) {
    case SEEK_SET: method = FILE_BEGIN; break;
    case SEEK_CUR: method = FILE_CURRENT; break;
    case SEEK_END: method = FILE_END; break;
    default: return -1;
    }
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    return ::SetFilePointerEx(static_cast<HANDLE>(handle), distance, nullptr, method) ? 0 : -1;
}

long DLL_CALLCONV TellHandle(fi_handle handle)
{
    LARGE_INTEGER zero, position;
    zero.QuadPart = 0;
    if (!::SetFilePointerEx(static_cast<HANDLE>(handle), zero, &position, FILE_CURRENT) ||
        position.QuadPart > LONG_MAX)
        return -1;
    return static_cast<long>(position.QuadPart);
}

FreeImageIO HandleIo()
{
    FreeImageIO io;
    io.read_proc = &ReadFromHandle;
    io.write_proc = &WriteToHandle;
    io.seek_proc = &SeekHandle;
    io.tell_proc = &TellHandle;
    return io;
}

HANDLE OpenForReading(const std::string& path)
{
    return ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}

// libjpeg's warning for data that ends before the picture does. FreeImage
// then fills the missing rows with grey and reports success.
const char kJpegCutShort[] = "Premature end of JPEG file";
bool s_bJpegCutShort = false;

void DLL_CALLCONV NoteLoaderMessage(FREE_IMAGE_FORMAT format, const char* message)
{
    if (format == FIF_JPEG && message && std::strstr(message, kJpegCutShort))
        s_bJpegCutShort = true;
}

FIBITMAP* LoadFromFile(FREE_IMAGE_FORMAT format, const std::string& path, int flags)
{
    HANDLE file = OpenForReading(path);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    FreeImageIO io = HandleIo();
    s_bJpegCutShort = false;
    FreeImage_SetOutputMessage(&NoteLoaderMessage);
    FIBITMAP* image = FreeImage_LoadFromHandle(format, &io, static_cast<fi_handle>(file), flags);
    FreeImage_SetOutputMessage(nullptr);
    ::CloseHandle(file);
    if (image && s_bJpegCutShort) {
        // A cut-off photo is damaged, not a picture with a grey end.
        FreeImage_Unload(image);
        image = nullptr;
    }
    return image;
}

DWORD LittleEndian32(const BYTE* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<DWORD>(p[3]) << 24);
}

// The checks of our FreeImage patch, for a FreeImage without it (vcpkg,
// MSYS2), which loads such files as black pictures: the pixel data starts
// inside the file, and uncompressed rows are all there (the last row's
// padding may be missing). RLE data ends where its markers say.
bool BmpPixelsInFile(HANDLE file, ULONGLONG fileSize, ULONGLONG width, ULONGLONG height, int bitCount)
{
    BYTE head[34] = {};
    DWORD got = 0;
    if (::SetFilePointer(file, 0, nullptr, FILE_BEGIN) != 0 ||
        !::ReadFile(file, head, sizeof head, &got, nullptr) || got < 18)
        return false;
    const ULONGLONG offset = LittleEndian32(head + 10);
    const DWORD headerSize = LittleEndian32(head + 14);
    if (offset >= fileSize)
        return false;
    // BI_RGB, BI_BITFIELDS and BI_ALPHABITFIELDS are uncompressed; the OS/2
    // 1.x header has no compression field.
    const DWORD compression = headerSize >= 40 && got >= sizeof head ? LittleEndian32(head + 30) : 0;
    if (compression != 0 && compression != 3 && compression != 6)
        return true;
    const ULONGLONG rowBytes = (width * bitCount + 7) / 8;
    const ULONGLONG pitch = (width * bitCount + 31) / 32 * 4;
    return offset + (height - 1) * pitch + rowBytes <= fileSize;
}

bool WriteAll(HANDLE file, const BYTE* data, ULONGLONG size)
{
    return WriteChunks(file, data, size) == size;
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

// ---------------------------------------------------------------- loading

FIBITMAP* CImageTools::LoadImageFile(const std::string& path) const
{
    // The extension of the file name only: a dot in a folder name is no
    // extension.
    CFileTools files;
    std::string name = files.GetFileNamePart(path);
    if (CFileTools::FindLast(path, '\\') == std::string::npos)
        name = path;
    std::string extension = files.GetFileExtension(name);
    if (extension.empty())
        return nullptr;
    ::CharUpperBuffA(&extension[0], static_cast<DWORD>(extension.size()));
    if (!ProbeImageFile(path, extension))
        return nullptr;
    if (extension == "JPG")
        return FI_LoadJPEG(path, 0);
    if (extension == "BMP")
        return FI_LoadBMP(path, 0);
    return nullptr;
}

bool CImageTools::ProbeImageFile(const std::string& path, const std::string& extension) const
{
    const bool jpeg = extension == "JPG";
    if (!jpeg && extension != "BMP")
        return false;
    HANDLE file = OpenForReading(path);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER fileSize = {};
    FIBITMAP* header = nullptr;
    if (::GetFileSizeEx(file, &fileSize)) {
        FreeImageIO io = HandleIo();
        header = FreeImage_LoadFromHandle(jpeg ? FIF_JPEG : FIF_BMP, &io, static_cast<fi_handle>(file),
                                          FIF_LOAD_NOPIXELS);
    }
    bool ok = false;
    if (header) {
        const ULONGLONG width = FreeImage_GetWidth(header);
        const ULONGLONG height = FreeImage_GetHeight(header);
        const int bitCount = static_cast<int>(FreeImage_GetBPP(header));
        ok = width > 0 && height > 0 && bitCount > 0 && width * height <= kMaxImagePixels;
        if (ok && !jpeg)
            ok = BmpPixelsInFile(file, static_cast<ULONGLONG>(fileSize.QuadPart), width, height, bitCount);
        FreeImage_Unload(header);
    }
    ::CloseHandle(file);
    return ok;
}

// ---------------------------------------------------------------- conversion

HGLOBAL CImageTools::StretchToDib(FIBITMAP* image, int width, int height) const
{
    BITMAPINFOHEADER* header = FI_GetInfoHeader(image);
    BITMAPINFO* info = FI_GetInfo(image);
    BYTE* bits = FI_GetBits(image);
    if (!header || !info || !bits || width <= 0 || height <= 0)
        return nullptr;
    // Refuse before GDI is asked for the memory; 32 bpp is the worst case.
    if (DibRowBytes(width, 32) * height > kMaxImageBytes)
        return nullptr;

    HDC screen = ::GetDC(nullptr);
    if (!screen)
        return nullptr;
    HDC target = ::CreateCompatibleDC(screen);
    HDC source = ::CreateCompatibleDC(screen);
    HBITMAP picture = nullptr;
    HBITMAP stretched = nullptr;
    HBITMAP copy = nullptr;
    if (target && source) {
        picture = ::CreateDIBitmap(screen, header, CBM_INIT, bits, info, DIB_RGB_COLORS);
        stretched = ::CreateCompatibleBitmap(screen, width, height);
        copy = ::CreateCompatibleBitmap(screen, width, height);
    }

    HGLOBAL block = nullptr;
    BITMAP bm = {};
    if (picture && stretched && copy && ::GetObjectA(picture, sizeof bm, &bm) != 0) {
        HGDIOBJ oldSource = ::SelectObject(source, picture);
        HGDIOBJ oldTarget = ::SelectObject(target, stretched);
        bool ok = oldSource && oldTarget;
        if (ok) {
            // The default BLACKONWHITE ANDs the dropped pixels together, which
            // darkens every shrunk photo; HALFTONE averages them. Windows wants
            // the brush origin reset after choosing HALFTONE.
            ::SetStretchBltMode(target, HALFTONE);
            ::SetBrushOrgEx(target, 0, 0, nullptr);
            // The last column and row are not sampled (a 1-pixel image still
            // gives one).
            const int sourceWidth = bm.bmWidth > 1 ? bm.bmWidth - 1 : 1;
            const int sourceHeight = bm.bmHeight > 1 ? bm.bmHeight - 1 : 1;
            ok = ::StretchBlt(target, 0, 0, width, height, source, 0, 0, sourceWidth, sourceHeight,
                              SRCCOPY) != FALSE;
            // GetDIBits wants a bitmap that no DC holds: copy the result out.
            ok = ok && ::SelectObject(source, copy) != nullptr &&
                 ::BitBlt(source, 0, 0, width, height, target, 0, 0, SRCCOPY) != FALSE;
        }
        if (oldSource)
            ::SelectObject(source, oldSource);
        if (oldTarget)
            ::SelectObject(target, oldTarget);
        if (ok)
            block = BitmapToDib(copy, BI_RGB, nullptr);
    }

    if (copy)
        ::DeleteObject(copy);
    if (stretched)
        ::DeleteObject(stretched);
    if (picture)
        ::DeleteObject(picture);
    if (source)
        ::DeleteDC(source);
    if (target)
        ::DeleteDC(target);
    ::ReleaseDC(nullptr, screen);
    return block;
}

HGLOBAL CImageTools::BitmapToDib(HBITMAP bitmap, DWORD compression, HPALETTE palette) const
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

    HDC screen = ::GetDC(nullptr);
    if (!screen)
        return nullptr;
    HPALETTE oldPalette = ::SelectPalette(screen, palette, FALSE);
    ::RealizePalette(screen);

    HGLOBAL block = ::GlobalAlloc(GMEM_FIXED, static_cast<SIZE_T>(headerBytes));
    if (block) {
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
        ok = ok && imageBytes <= kMaxImageBytes;

        if (ok) {
            HGLOBAL grown =
                ::GlobalReAlloc(block, static_cast<SIZE_T>(headerBytes + imageBytes), GMEM_MOVEABLE);
            if (grown) {
                block = grown;
                BYTE* p = static_cast<BYTE*>(::GlobalLock(block));
                ok = p && ::GetDIBits(screen, bitmap, 0, static_cast<UINT>(bi.biHeight), p + headerBytes,
                                      reinterpret_cast<BITMAPINFO*>(p), DIB_RGB_COLORS) != 0;
                if (p)
                    ::GlobalUnlock(block);
            } else {
                ok = false;
            }
        }
        if (!ok) {
            ::GlobalFree(block);
            block = nullptr;
        }
    }

    if (oldPalette)
        ::SelectPalette(screen, oldPalette, FALSE);
    ::ReleaseDC(nullptr, screen);
    return block;
}

// ---------------------------------------------------------------- writing

bool CImageTools::WriteDib(const std::string& fileName, HGLOBAL block) const
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

    BITMAPFILEHEADER fh = {};
    fh.bfType = 0x4D42;  // "BM"
    fh.bfSize = static_cast<DWORD>(size + sizeof fh);
    fh.bfOffBits = static_cast<DWORD>(sizeof fh + bi.biSize + 4 * ColourTableEntries(bi.biBitCount));

    // Build the whole file beside the target, then swap it in, so a failed
    // write never leaves a half-written wallpaper behind.
    const std::string temporary = fileName + kTemporarySuffix;
    HANDLE file = ::CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        ::GlobalUnlock(block);
        return false;
    }
    bool ok = WriteAll(file, reinterpret_cast<const BYTE*>(&fh), sizeof fh) && WriteAll(file, data, size);
    ::GlobalUnlock(block);
    ok = ::FlushFileBuffers(file) && ok;
    ok = ::CloseHandle(file) && ok;
    if (!ok) {
        ::DeleteFileA(temporary.c_str());
        return false;
    }
    return ReplaceWithTemporary(temporary, fileName);
}

bool CImageTools::SaveImageAsBmp(FIBITMAP* image, const std::string& fileName) const
{
    if (!image)
        return false;
    const std::string temporary = fileName + kTemporarySuffix;
    if (!FI_SaveBMP(image, temporary, 0)) {
        ::DeleteFileA(temporary.c_str());
        return false;
    }
    return ReplaceWithTemporary(temporary, fileName);
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

CImageTools::FitDecision CImageTools::DecideFit(const std::string& mode, int iw, int ih, int sw, int sh)
{
    // Only the first letter is stored; anything but S or N (a hand-edited
    // settings file) gets the default rather than writing nothing at all.
    const char letter = mode.empty() ? 'P' : mode[0];
    if (letter == 'N')
        return FitDecision{false, iw, ih};
    if (letter == 'S')
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
    return LoadFromFile(FIF_JPEG, path, flags);
}

FIBITMAP* CImageTools::FI_LoadBMP(const std::string& path, int flags)
{
    return LoadFromFile(FIF_BMP, path, flags);
}

int CImageTools::FI_SaveBMP(FIBITMAP* image, const std::string& path, int flags)
{
    if (!image)
        return 0;
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    FreeImageIO io = HandleIo();
    bool ok = FreeImage_SaveToHandle(FIF_BMP, image, &io, static_cast<fi_handle>(file), flags) != FALSE;
    ok = ::FlushFileBuffers(file) && ok;
    ok = ::CloseHandle(file) && ok;
    return ok ? 1 : 0;
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

BYTE* CImageTools::FI_GetBits(FIBITMAP* image)
{
    return image ? FreeImage_GetBits(image) : nullptr;
}

BITMAPINFO* CImageTools::FI_GetInfo(FIBITMAP* image)
{
    return image ? FreeImage_GetInfo(image) : nullptr;
}

BITMAPINFOHEADER* CImageTools::FI_GetInfoHeader(FIBITMAP* image)
{
    return image ? FreeImage_GetInfoHeader(image) : nullptr;
}

void CImageTools::FI_Unload(FIBITMAP* image)
{
    if (image)
        FreeImage_Unload(image);
}
