#include "engine/image_tools.h"

// windows.h (through the header) must come before FreeImage.h.
#include <FreeImage.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

#include "engine/image_ptr.h"
#include "framework/gdi_owners.h"
#include "framework/global_block.h"
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
    ImagePtr image(FreeImage_LoadFromHandle(format, &io, static_cast<fi_handle>(file), flags));
    FreeImage_SetOutputMessage(nullptr);
    ::CloseHandle(file);
    if (s_bJpegCutShort)
        image.reset();  // a cut-off photo is damaged, not a picture with a grey end
    return image.release();
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

// The decoder a library file gets: by the extension of its name alone.
FREE_IMAGE_FORMAT FormatOf(const std::string& path)
{
    // The extension of the file name only: a dot in a folder name is no
    // extension.
    CFileTools files;
    std::string name = files.GetFileNamePart(path);
    if (CFileTools::FindLast(path, '\\') == std::string::npos)
        name = path;
    std::string extension = files.GetFileExtension(name);
    if (extension.empty())
        return FIF_UNKNOWN;
    ::CharUpperBuffA(&extension[0], static_cast<DWORD>(extension.size()));
    if (extension == "JPG")
        return FIF_JPEG;
    if (extension == "BMP")
        return FIF_BMP;
    return FIF_UNKNOWN;
}

// ---- JPEG header, orientation and reduced-size decoding

// What a header-only load tells: stored size, depth, EXIF orientation (1 to
// 8; 1 when absent or unusable).
struct HeaderFacts {
    int width = 0;
    int height = 0;
    int bpp = 0;
    int orientation = 1;
};

// Orientations 5 to 8 turn the picture by a quarter: width and height swap.
bool TurnsQuarter(int orientation)
{
    return orientation >= 5 && orientation <= 8;
}

// One header-only load says whether the file may be decoded (a size FreeImage
// accepts, at most kMaxImagePixels, and for a BMP every uncompressed row in
// the file, which an unpatched FreeImage does not check) and fills the facts.
bool ReadHeader(FREE_IMAGE_FORMAT format, const std::string& path, HeaderFacts& facts)
{
    HANDLE file = OpenForReading(path);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER fileSize = {};
    ImagePtr header;
    if (::GetFileSizeEx(file, &fileSize)) {
        FreeImageIO io = HandleIo();
        header.reset(FreeImage_LoadFromHandle(format, &io, static_cast<fi_handle>(file), FIF_LOAD_NOPIXELS));
    }
    bool ok = false;
    if (header) {
        const ULONGLONG width = FreeImage_GetWidth(header.get());
        const ULONGLONG height = FreeImage_GetHeight(header.get());
        const int bitCount = static_cast<int>(FreeImage_GetBPP(header.get()));
        ok = width > 0 && height > 0 && bitCount > 0 && width * height <= CImageTools::kMaxImagePixels;
        if (ok && format == FIF_BMP)
            ok = BmpPixelsInFile(file, static_cast<ULONGLONG>(fileSize.QuadPart), width, height, bitCount);
        facts.width = static_cast<int>(width);
        facts.height = static_cast<int>(height);
        facts.bpp = bitCount;
        facts.orientation = 1;
    }
    ::CloseHandle(file);
    // FreeImage's own rotation reads the tag's first two bytes unchecked, so
    // it is only asked for when the tag is a well-formed SHORT.
    FITAG* tag = nullptr;
    if (ok && format == FIF_JPEG && FreeImage_GetMetadata(FIMD_EXIF_MAIN, header.get(), "Orientation", &tag) && tag &&
        FreeImage_GetTagType(tag) == FIDT_SHORT && FreeImage_GetTagCount(tag) >= 1 &&
        FreeImage_GetTagLength(tag) >= 2 && FreeImage_GetTagValue(tag)) {
        const WORD value = *static_cast<const WORD*>(FreeImage_GetTagValue(tag));
        if (value >= 1 && value <= 8)
            facts.orientation = value;
    }
    return ok;
}

// libjpeg decodes at 1/1, 1/2, 1/4 or 1/8 and rounds sizes up. The largest
// reduction whose result still covers minWidth x minHeight (upright sizes).
int JpegReduction(const HeaderFacts& facts, int minWidth, int minHeight)
{
    const bool turned = TurnsQuarter(facts.orientation);
    const LONGLONG width = turned ? facts.height : facts.width;
    const LONGLONG height = turned ? facts.width : facts.height;
    for (int denominator = 8; denominator > 1; denominator /= 2)
        if ((width + denominator - 1) / denominator >= minWidth && (height + denominator - 1) / denominator >= minHeight)
            return denominator;
    return 1;
}

FIBITMAP* LoadJpeg(const std::string& path, const HeaderFacts& facts, int minWidth, int minHeight)
{
    int flags = facts.orientation != 1 ? JPEG_EXIFROTATE : 0;
    const int reduction = (minWidth > 0 || minHeight > 0) ? JpegReduction(facts, minWidth, minHeight) : 1;
    // FreeImage picks the reduction from a wanted size in the flags' upper
    // 16 bits: the largest of 8, 4 and 2 that is at most longer side / size.
    const int longer = std::max(facts.width, facts.height);
    const int wanted = longer / reduction;
    const bool scaled = reduction > 1 && wanted >= 1 && wanted <= 0x7FFF;
    ImagePtr image(CImageTools::FI_LoadJPEG(path, scaled ? (flags | (wanted << 16)) : flags));
    if (scaled && image &&
        (CImageTools::FI_GetWidth(image.get()) < minWidth || CImageTools::FI_GetHeight(image.get()) < minHeight)) {
        // Never less than asked for: then the whole picture.
        image.reset(CImageTools::FI_LoadJPEG(path, flags));
    }
    return image.release();
}

// ---- resampling

// For each output index along one axis: the source pixels it takes and their
// weights (fixed point, summing to kWeightOne). Taps come in pairs, an odd
// count padded with a zero weight: the passes below take two at a time.
constexpr int kWeightBits = 14;
constexpr int kWeightOne = 1 << kWeightBits;

struct Taps {
    std::vector<int> first;      // first source index, per output index
    std::vector<int> count;      // number of taps (even), per output index
    std::vector<int> offset;     // into weights, per output index
    std::vector<short> weights;  // at most kWeightOne: a 16-bit multiply-add takes them
};

// Shrinking: each output pixel is the mean of the source span it covers,
// partial pixels counted by their share. Enlarging: linear interpolation
// between the two nearest source centres.
Taps MakeTaps(int source, int target)
{
    Taps taps;
    taps.first.resize(target);
    taps.count.resize(target);
    taps.offset.resize(target);
    const double scale = static_cast<double>(source) / target;
    std::vector<double> shares;
    for (int i = 0; i < target; ++i) {
        shares.clear();
        int first;
        if (scale > 1.0) {
            const double from = i * scale, to = std::min<double>(from + scale, source);
            first = std::min(static_cast<int>(from), source - 1);
            for (int s = first; s < to && s < source; ++s)
                shares.push_back(std::min<double>(s + 1, to) - std::max<double>(s, from));
        } else {
            const double centre = std::clamp((i + 0.5) * scale - 0.5, 0.0, static_cast<double>(source - 1));
            first = static_cast<int>(centre);
            const double fraction = centre - first;
            shares.push_back(1.0 - fraction);
            if (first + 1 < source)
                shares.push_back(fraction);
        }
        double total = 0;
        for (double share : shares)
            total += share;
        taps.first[i] = first;
        taps.offset[i] = static_cast<int>(taps.weights.size());
        // Each weight is the step between rounded running totals: the sum is
        // exact and no weight is negative, however many taps share the rounding.
        double running = 0;
        int previous = 0;
        for (double share : shares) {
            running += share;
            const int upTo = static_cast<int>(std::lround(running / total * kWeightOne));
            taps.weights.push_back(static_cast<short>(upTo - previous));
            previous = upTo;
        }
        if (shares.size() % 2 != 0)
            taps.weights.push_back(0);
        taps.count[i] = static_cast<int>(taps.weights.size()) - taps.offset[i];
    }
    return taps;
}

// The vertical pass keeps 8 fraction bits, less 32768 so that the values fit
// a signed 16-bit multiply-add in the horizontal pass. As the weights sum to
// kWeightOne, the bias comes back there as one constant.
constexpr int kDownShift = kWeightBits - 8;
constexpr int kDownRound = (1 << (kDownShift - 1)) - (32768 << kDownShift);
constexpr int kAcrossShift = kWeightBits + 8;
constexpr int kAcrossRound = (1 << (kAcrossShift - 1)) + (32768 << kWeightBits);

// The bytes of the given rows from byte `first` on, weighted and summed,
// into `column`.
void SumRowsFrom(size_t first, const BYTE* const* rows, const short* w, int count, size_t bytes, short* column)
{
    for (size_t i = first; i < bytes; ++i) {
        int sum = kDownRound;
        for (int k = 0; k < count; ++k)
            sum += w[k] * rows[k][i];
        column[i] = static_cast<short>(std::clamp(sum >> kDownShift, -32768, 32767));
    }
}

#if defined(__SSE2__) || defined(_M_X64)

// Two 16-bit weights in every 32-bit lane: pmaddwd's pairs.
__m128i WeightPair(const short* w)
{
    return _mm_set1_epi32(static_cast<int>((static_cast<unsigned>(w[1]) << 16) | static_cast<WORD>(w[0])));
}

// The same, 16 bytes at a time.
void SumRows(const BYTE* const* rows, const short* w, int count, size_t bytes, short* column)
{
    const __m128i zero = _mm_setzero_si128(), round = _mm_set1_epi32(kDownRound);
    size_t i = 0;
    for (; i + 16 <= bytes; i += 16) {
        __m128i s0 = round, s1 = round, s2 = round, s3 = round;
        for (int k = 0; k < count; k += 2) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k] + i));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k + 1] + i));
            const __m128i pair = WeightPair(w + k);
            const __m128i low = _mm_unpacklo_epi8(a, b), high = _mm_unpackhi_epi8(a, b);  // a0 b0 a1 b1 ...
            s0 = _mm_add_epi32(s0, _mm_madd_epi16(_mm_unpacklo_epi8(low, zero), pair));
            s1 = _mm_add_epi32(s1, _mm_madd_epi16(_mm_unpackhi_epi8(low, zero), pair));
            s2 = _mm_add_epi32(s2, _mm_madd_epi16(_mm_unpacklo_epi8(high, zero), pair));
            s3 = _mm_add_epi32(s3, _mm_madd_epi16(_mm_unpackhi_epi8(high, zero), pair));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(column + i),
                         _mm_packs_epi32(_mm_srai_epi32(s0, kDownShift), _mm_srai_epi32(s1, kDownShift)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(column + i + 8),
                         _mm_packs_epi32(_mm_srai_epi32(s2, kDownShift), _mm_srai_epi32(s3, kDownShift)));
    }
    SumRowsFrom(i, rows, w, count, bytes, column);
}

// One output pixel: the taps' channels meet their weights two pixels at a
// time (a load takes four values; the fourth is the next pixel's, dropped).
DWORD BlendPixel(const short* p, int step, const short* w, int count)
{
    __m128i sum = _mm_set1_epi32(kAcrossRound);
    for (int k = 0; k < count; k += 2, p += 2 * step) {
        const __m128i a = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
        const __m128i b = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + step));
        sum = _mm_add_epi32(sum, _mm_madd_epi16(_mm_unpacklo_epi16(a, b), WeightPair(w + k)));
    }
    sum = _mm_srai_epi32(sum, kAcrossShift);
    sum = _mm_packus_epi16(_mm_packs_epi32(sum, sum), sum);
    return static_cast<DWORD>(_mm_cvtsi128_si32(sum)) & 0xFFFFFF;
}

#else

void SumRows(const BYTE* const* rows, const short* w, int count, size_t bytes, short* column)
{
    SumRowsFrom(0, rows, w, count, bytes, column);
}

DWORD BlendPixel(const short* p, int step, const short* w, int count)
{
    DWORD pixel = 0;
    for (int c = 0; c < 3; ++c) {
        int sum = kAcrossRound;
        for (int k = 0; k < count; ++k)
            sum += w[k] * p[k * step + c];
        pixel |= static_cast<DWORD>(std::clamp(sum >> kAcrossShift, 0, 255)) << (8 * c);
    }
    return pixel;
}

#endif

// A 24- or 32-bit FIT_BITMAP scaled to width x height as 32-bit BGRX rows in
// FreeImage's bottom-up order. Each output row first sums its source rows,
// kept with 8 fraction bits, then is scaled across.
bool Resample(FIBITMAP* image, int width, int height, DWORD* out)
{
    const int sw = CImageTools::FI_GetWidth(image), sh = CImageTools::FI_GetHeight(image);
    const int step = CImageTools::FI_GetBPP(image) / 8;
    if (sw <= 0 || sh <= 0 || (step != 3 && step != 4))
        return false;
    const Taps across = MakeTaps(sw, width), down = MakeTaps(sh, height);
    const size_t rowBytes = static_cast<size_t>(sw) * step;
    // Room past the row for the loads of a padding tap (weight zero) and for
    // the fourth value a load takes.
    std::vector<short> column(rowBytes + 8);
    std::vector<const BYTE*> rows;
    for (int y = 0; y < height; ++y) {
        rows.clear();
        for (int k = 0; k < down.count[y]; ++k)
            rows.push_back(FreeImage_GetScanLine(image, std::min(down.first[y] + k, sh - 1)));
        SumRows(rows.data(), &down.weights[down.offset[y]], down.count[y], rowBytes, column.data());
        DWORD* line = out + static_cast<size_t>(y) * width;
        for (int x = 0; x < width; ++x)
            line[x] = BlendPixel(&column[static_cast<size_t>(across.first[x]) * step], step,
                                 &across.weights[across.offset[x]], across.count[x]);
    }
    return true;
}

// Averages the image into width x height 32-bit rows at the place `place`
// gives for that many pixels (nullptr: no memory). Palette, grey and 16-bit
// pictures are averaged as 24-bit colour.
template <typename Place>
bool AverageInto(FIBITMAP* image, int width, int height, Place place)
{
    if (!image || width <= 0 || height <= 0 || FreeImage_GetImageType(image) != FIT_BITMAP)
        return false;
    // Refuse before anything is allocated.
    if (DibRowBytes(width, 32) * height > kMaxImageBytes)
        return false;
    const int bpp = CImageTools::FI_GetBPP(image);
    ImagePtr converted;
    if (bpp != 24 && bpp != 32) {
        converted.reset(FreeImage_ConvertTo24Bits(image));
        if (!converted)
            return false;
    }
    try {
        DWORD* out = place(static_cast<size_t>(width) * height);
        return out && Resample(converted ? converted.get() : image, width, height, out);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// A packed DIB of a 32-bit screen, as GDI would give it: header, no colour
// table, bottom-up rows.
HGLOBAL AverageIntoBlock(FIBITMAP* image, int width, int height)
{
    CGlobalBlock block;
    BITMAPINFOHEADER* header = nullptr;
    if (!AverageInto(image, width, height, [&](size_t count) -> DWORD* {
            block.Reset(::GlobalAlloc(GMEM_FIXED, sizeof(BITMAPINFOHEADER) + count * sizeof(DWORD)));
            header = static_cast<BITMAPINFOHEADER*>(static_cast<HGLOBAL>(block));  // a fixed block's handle is its address
            return header ? reinterpret_cast<DWORD*>(header + 1) : nullptr;
        }))
        return nullptr;
    *header = BITMAPINFOHEADER{};
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = width;
    header->biHeight = height;
    header->biPlanes = 1;
    header->biBitCount = 32;
    header->biCompression = BI_RGB;
    header->biSizeImage = static_cast<DWORD>(DibRowBytes(width, 32) * height);
    return block.Release();
}

}  // namespace

// ---------------------------------------------------------------- loading

FIBITMAP* CImageTools::LoadImageFile(const std::string& path, int minWidth, int minHeight) const
{
    const FREE_IMAGE_FORMAT format = FormatOf(path);
    HeaderFacts facts;
    if (format == FIF_UNKNOWN || !ReadHeader(format, path, facts))
        return nullptr;
    if (format == FIF_JPEG)
        return LoadJpeg(path, facts, minWidth, minHeight);
    return FI_LoadBMP(path, 0);
}

bool CImageTools::ReadUprightSize(const std::string& path, int& width, int& height, int& bitsPerPixel) const
{
    HeaderFacts facts;
    const FREE_IMAGE_FORMAT format = FormatOf(path);
    if (format == FIF_UNKNOWN || !ReadHeader(format, path, facts))
        return false;
    const bool turned = TurnsQuarter(facts.orientation);
    width = turned ? facts.height : facts.width;
    height = turned ? facts.width : facts.height;
    bitsPerPixel = facts.bpp;
    return true;
}

// ---------------------------------------------------------------- conversion

HGLOBAL CImageTools::StretchToDib(FIBITMAP* image, int width, int height) const
{
    int screenBits = 0;
    CBitmap bitmap;
    {
        const CClientDC screen(nullptr);
        if (!screen)
            return nullptr;
        screenBits = ::GetDeviceCaps(screen, BITSPIXEL) * ::GetDeviceCaps(screen, PLANES);
        if (screenBits != 32)
            bitmap.Reset(StretchToBitmap(image, width, height, screen));
    }
    if (screenBits == 32) {
        // The usual screen: the averaged rows already are its format, so the
        // block is filled directly, without a device bitmap in between.
        return AverageIntoBlock(image, width, height);
    }
    return bitmap ? BitmapToDib(bitmap, BI_RGB, nullptr) : nullptr;
}

HBITMAP CImageTools::StretchToBitmap(FIBITMAP* image, int width, int height, HDC dc) const
{
    if (!dc)
        return nullptr;
    std::vector<DWORD> pixels;
    if (!AverageInto(image, width, height, [&](size_t count) {
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

void CImageTools::FI_Unload(FIBITMAP* image)
{
    if (image)
        FreeImage_Unload(image);
}
