// Every kind of picture a user may have, and damaged ones, set as the wallpaper and shown in the preview.
#include <windows.h>
#include <psapi.h>

#include <FreeImage.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <functional>
#include <random>

#include "engine/image_tools.h"
#include "library/preview_dlg.h"
#include "tests/main_window_fixture.h"

using namespace testing_support;

namespace {

using Quad = std::array<COLORREF, 4>;  // top-left, top-right, bottom-left, bottom-right
const COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255), kWhite = RGB(255, 255, 255);
const Quad kFour = {kRed, kGreen, kBlue, kWhite}, kTwo = {kRed, kBlue, kBlue, kRed};
const Quad kGreys = {RGB(32, 32, 32), RGB(96, 96, 96), RGB(160, 160, 160), RGB(224, 224, 224)};
const char kRefused[] = "Loading image failed. Can't set wallpaper.";

COLORREF At(const Quad& q, int x, int y, int w, int h) { return q[(y >= h / 2) * 2 + (x >= w / 2)]; }

std::string Le(DWORD v, int bytes) { return std::string(reinterpret_cast<const char*>(&v), bytes); }

// A BMP written byte by byte: any depth, layout and header size.
enum Ending { kEolThenEob, kEobOnly, kEolOnly };  // how RLE data ends
struct Bmp { int bpp; DWORD compression; DWORD header; DWORD tableSize; bool topDown; Ending ending; };

std::string MakeBmp(const Bmp& b, int w, int h, const Quad& q)
{
    std::vector<COLORREF> palette;
    for (COLORREF c : q)
        if (std::find(palette.begin(), palette.end(), c) == palette.end())
            palette.push_back(c);
    const auto index = [&](COLORREF c) { return int(std::find(palette.begin(), palette.end(), c) - palette.begin()); };
    const bool indexed = b.bpp <= 8, bitfields = b.compression == BI_BITFIELDS;
    const DWORD entries = indexed ? (b.tableSize ? b.tableSize : 1u << b.bpp) : 0;
    palette.resize(entries, RGB(7, 7, 7));
    const bool g565 = b.bpp == 16 && bitfields;
    const DWORD masks[3] = {b.bpp == 16 ? (g565 ? 0xF800u : 0x7C00u) : 0xFF0000u,
                            b.bpp == 16 ? (g565 ? 0x07E0u : 0x03E0u) : 0xFF00u, b.bpp == 16 ? 0x1Fu : 0xFFu};

    std::string pixels;
    for (int r = 0; r < h; ++r) {
        const int y = b.topDown ? r : h - 1 - r;
        std::string row;
        if (b.compression == BI_RLE8 || b.compression == BI_RLE4) {
            for (int x = 0; x < w;) {  // encoded runs of one index, at most 255 pixels
                const int i = index(At(q, x, y, w, h));
                int n = 0;
                while (x + n < w && n < 255 && index(At(q, x + n, y, w, h)) == i)
                    ++n;
                row += std::string{char(n), char(b.compression == BI_RLE8 ? i : i << 4 | i)};
                x += n;
            }
            if (r < h - 1 || b.ending != kEobOnly)
                row += std::string(2, '\0');  // end of line
            if (r == h - 1 && b.ending != kEolOnly)
                row += std::string("\0\1", 2);  // end of bitmap
        } else {
            DWORD bits = 0, used = 0;
            for (int x = 0; x < w; ++x) {
                const COLORREF c = At(q, x, y, w, h);
                const DWORD r8 = GetRValue(c), g8 = GetGValue(c), b8 = GetBValue(c);
                if (indexed) {
                    bits = bits << b.bpp | index(c);
                    used += b.bpp;
                    if (used == 8) {
                        row += char(bits);
                        bits = used = 0;
                    }
                } else if (b.bpp == 16) {
                    row += Le(g565 ? (r8 >> 3) << 11 | (g8 >> 2) << 5 | b8 >> 3 : (r8 >> 3) << 10 | (g8 >> 3) << 5 | b8 >> 3, 2);
                } else {
                    row += Le(b8 | g8 << 8 | r8 << 16 | 0xFF000000u, b.bpp / 8);
                }
            }
            if (used)
                row += char(bits << (8 - used));
            row.resize((row.size() + 3) & ~size_t(3), '\0');
        }
        pixels += row;
    }

    std::string info = Le(b.header, 4) + Le(w, 4) + Le(b.topDown ? -h : h, 4) + Le(1, 2) + Le(b.bpp, 2) +
                       Le(b.compression, 4) + Le(DWORD(pixels.size()), 4) + Le(2835, 4) + Le(2835, 4) +
                       Le(b.tableSize, 4) + Le(0, 4);
    if (b.header > 40)  // the V2..V5 mask fields (meaningful with BI_BITFIELDS), then an sRGB colour space
        info += bitfields ? Le(masks[0], 4) + Le(masks[1], 4) + Le(masks[2], 4) : std::string(12, '\0');
    if (b.header > 52)
        info += Le(0, 4) + Le(0x73524742, 4);
    info.resize(b.header, '\0');
    if (bitfields && b.header == 40)
        info += Le(masks[0], 4) + Le(masks[1], 4) + Le(masks[2], 4);
    for (COLORREF c : palette)
        info += Le(GetBValue(c) | GetGValue(c) << 8 | GetRValue(c) << 16, 4);
    const DWORD offset = 14 + DWORD(info.size());
    return "BM" + Le(offset + DWORD(pixels.size()), 4) + Le(0, 4) + Le(offset, 4) + info + pixels;
}

// A JPEG saved by FreeImage: 24-bit colour, 8-bit grey or 32-bit CMYK, baseline or progressive.
std::string MakeJpeg(int bpp, int w, int h, const Quad& q, int flags = 0)
{
    return Encode(MakePicture(w, h, [&](int x, int y) { return At(q, x, y, w, h); }, bpp).get(), true, flags);
}

std::string Patched(std::string bytes, size_t at, const std::string& with) { return bytes.replace(at, with.size(), with); }

// The 16-bit height and width of a JPEG's frame header, baseline or progressive.
std::string JpegClaiming(const std::string& jpeg, WORD w, WORD h)
{
    const size_t sof = std::min(jpeg.find("\xFF\xC0"), jpeg.find("\xFF\xC2"));
    const char size[4] = {char(h >> 8), char(h), char(w >> 8), char(w)};
    return Patched(jpeg, sof + 5, std::string(size, 4));
}

// An EXIF block (APP1) whose one directory entry is the Orientation tag, of the given TIFF type; the
// block's last `cut` bytes left out.
std::string ExifOrientation(int orientation, int type, size_t cut = 0)
{
    std::string body = std::string("Exif\0\0II*\0", 10) + Le(8, 4) + Le(1, 2) + Le(0x112, 2) + Le(type, 2) + Le(1, 4) +
                       Le(orientation, 4) + Le(0, 4);
    body.resize(body.size() - cut);
    return std::string("\xFF\xE1", 2) + char((body.size() + 2) >> 8) + char(body.size() + 2) + body;
}

std::string Inserted(const std::string& bytes, size_t at, const std::string& what) { return bytes.substr(0, at) + what + bytes.substr(at); }

// ---------------------------------------------------------------- PNG and WebP

std::string Be(DWORD v) { return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }

std::string PngChunk(const std::string& type, const std::string& data)
{
    const std::string body = type + data;
    return Be(DWORD(data.size())) + body + Be(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size())));
}

std::string Deflated(const std::string& raw)
{
    uLongf size = compressBound(uLong(raw.size()));
    std::string out(size, '\0');
    compress2(reinterpret_cast<Bytef*>(&out[0]), &size, reinterpret_cast<const Bytef*>(raw.data()), uLong(raw.size()), 6);
    return out.substr(0, size);
}

// EXIF data with one Orientation tag: a little-endian TIFF header and IFD, "Exif\0\0" in front if asked.
std::string Exif(int orientation, bool prefixed)
{
    const std::string tiff = std::string("II*\0", 4) + Le(8, 4) + Le(1, 2) + Le(0x0112, 2) + Le(3, 2) + Le(1, 4) +
                             Le(orientation, 4) + Le(0, 4);
    return (prefixed ? std::string("Exif\0\0", 6) : std::string()) + tiff;
}

// A PNG written chunk by chunk: colour type 0 (grey, the red part), 2, 3 (palette of the quad's colours), 4 or 6
// at any depth they allow; alpha per quarter (a tRNS palette for type 3); `trns` a raw tRNS chunk; `before` and
// `after` chunks around IDAT; `rows` more or fewer rows of image data than the header says.
struct Png { int type, depth; std::array<BYTE, 4> alpha; std::string trns = "", before = ""; int rows = 0; };

std::string MakePng(const Png& p, int w, int h, const Quad& q)
{
    std::vector<COLORREF> palette;
    for (int i = 0; i < 4; ++i)
        if (std::find(palette.begin(), palette.end(), q[i]) == palette.end())
            palette.push_back(q[i]);
    std::string raw;
    for (int y = 0; y < h + p.rows; ++y) {
        raw += '\0';  // filter: none
        std::string row;
        unsigned bits = 0, used = 0;
        for (int x = 0; x < w; ++x) {
            const int quarter = (y % h >= h / 2) * 2 + (x >= w / 2);
            const COLORREF c = q[quarter];
            const unsigned a = p.alpha[quarter];
            const unsigned index = unsigned(std::find(palette.begin(), palette.end(), c) - palette.begin());
            const unsigned all[4] = {p.type == 3 ? index : GetRValue(c), GetGValue(c), GetBValue(c), a};
            std::vector<unsigned> samples(all, all + (p.type == 2 || p.type == 6 ? 3 : 1));
            if (p.type == 4 || p.type == 6)
                samples.push_back(a);
            for (unsigned v : samples) {
                if (p.depth == 16)
                    row += std::string(2, char(v));  // v * 257, big-endian
                else if (p.depth == 8)
                    row += char(v);
                else {
                    bits = bits << p.depth | (p.type == 3 ? v : v >> (8 - p.depth));
                    if ((used += p.depth) == 8)
                        row += char(bits), bits = used = 0;
                }
            }
        }
        if (used)
            row += char(bits << (8 - used));
        raw += row;
    }
    std::string plte, trns = p.trns;
    for (COLORREF c : palette)
        plte += std::string{char(GetRValue(c)), char(GetGValue(c)), char(GetBValue(c))};
    if (p.type == 3 && trns.empty() && p.alpha != std::array<BYTE, 4>{255, 255, 255, 255})
        for (COLORREF c : palette)
            trns += char(p.alpha[std::find(q.begin(), q.end(), c) - q.begin()]);
    return "\x89PNG\r\n\x1a\n" +
           PngChunk("IHDR", Be(w) + Be(h) + std::string{char(p.depth), char(p.type), 0, 0, 0}) + p.before +
           (p.type == 3 ? PngChunk("PLTE", plte) : "") + (trns.empty() ? "" : PngChunk("tRNS", trns)) +
           PngChunk("IDAT", Deflated(raw)) + PngChunk("IEND", "");
}

const std::array<BYTE, 4> kOpaque = {255, 255, 255, 255};

// The quad saved by FreeImage as a PNG (`flags`: interlacing) or WebP (lossy quality or WEBP_LOSSLESS); a 32-bit
// picture carries the alpha per quarter; `exif` goes in as the file's raw EXIF.
std::string Saved(FREE_IMAGE_FORMAT format, int bpp, int w, int h, const Quad& q, int flags,
                  const std::array<BYTE, 4>& alpha = kOpaque, const std::string& exif = "")
{
    Image image(FreeImage_Allocate(w, h, bpp), &FreeImage_Unload);
    for (int y = 0; y < h; ++y) {
        BYTE* line = FreeImage_GetScanLine(image.get(), h - 1 - y);
        for (int x = 0; x < w; ++x, line += bpp / 8) {
            const int quarter = (y >= h / 2) * 2 + (x >= w / 2);
            line[FI_RGBA_RED] = GetRValue(q[quarter]);
            line[FI_RGBA_GREEN] = GetGValue(q[quarter]);
            line[FI_RGBA_BLUE] = GetBValue(q[quarter]);
            if (bpp == 32)
                line[FI_RGBA_ALPHA] = alpha[quarter];
        }
    }
    if (!exif.empty()) {
        FITAG* tag = FreeImage_CreateTag();
        FreeImage_SetTagKey(tag, "ExifRaw");
        FreeImage_SetTagType(tag, FIDT_BYTE);
        FreeImage_SetTagLength(tag, DWORD(exif.size()));
        FreeImage_SetTagCount(tag, DWORD(exif.size()));
        FreeImage_SetTagValue(tag, exif.data());
        FreeImage_SetMetadata(FIMD_EXIF_RAW, image.get(), "ExifRaw", tag);
        FreeImage_DeleteTag(tag);
    }
    return EncodeAs(image.get(), format, flags);
}

// The colour seen where `c` lies over the desktop's colour with opacity `alpha`.
COLORREF Over(COLORREF c, BYTE alpha, COLORREF desktop)
{
    const auto mix = [&](int v, int d) { return BYTE((v * alpha + d * (255 - alpha) + 127) / 255); };
    return RGB(mix(GetRValue(c), GetRValue(desktop)), mix(GetGValue(c), GetGValue(desktop)),
               mix(GetBValue(c), GetBValue(desktop)));
}

// The data of a PNG's first chunk of that type, and the PNG with other data (and a right CRC) in its place.
std::string ChunkData(const std::string& png, const std::string& type)
{
    const size_t at = png.find(type);
    const BYTE* n = reinterpret_cast<const BYTE*>(&png[at - 4]);
    return png.substr(at + 4, DWORD(n[0]) << 24 | n[1] << 16 | n[2] << 8 | n[3]);
}
std::string WithChunk(const std::string& png, const std::string& type, const std::string& data)
{
    const size_t at = png.find(type) - 4;
    return png.substr(0, at) + PngChunk(type, data) + png.substr(at + 12 + ChunkData(png, type).size());
}
// The PNG with one byte of its image data changed, `fromEnd` bytes before the end (0: the zlib checksum's last).
std::string WithIdatByte(const std::string& png, size_t fromEnd)
{
    std::string data = ChunkData(png, "IDAT");
    data[data.size() - 1 - fromEnd] ^= 0x5A;
    return WithChunk(png, "IDAT", data);
}

// A 20000 x 20000 grey PNG of one level: 400 MB of rows, a few hundred KB of file.
std::string PngBomb()
{
    const int side = 20000;
    z_stream z = {};
    deflateInit(&z, Z_BEST_COMPRESSION);
    const std::string row = std::string(1, '\0') + std::string(side, '\x80');
    std::string idat(1 << 20, '\0');
    z.next_out = reinterpret_cast<Bytef*>(&idat[0]);
    z.avail_out = uInt(idat.size());
    for (int y = 0; y < side; ++y) {
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(row.data()));
        z.avail_in = uInt(row.size());
        deflate(&z, y + 1 < side ? Z_NO_FLUSH : Z_FINISH);
    }
    idat.resize(z.total_out);
    deflateEnd(&z);
    return "\x89PNG\r\n\x1a\n" + PngChunk("IHDR", Be(side) + Be(side) + std::string{8, 0, 0, 0, 0}) +
           PngChunk("IDAT", idat) + PngChunk("IEND", "");
}

std::string RandomBytes(size_t n, unsigned seed)
{
    std::mt19937 random(seed);
    std::string bytes(n, '\0');
    for (char& c : bytes)
        c = char(random());
    return bytes;
}

// The desktop's colour while a test runs, which transparent pictures are laid over.
const COLORREF kDesktop = RGB(10, 120, 200);

class ImageCorpusTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        SetDesktopColour(kDesktop);
        driver::ClearWallpaperTraces();
        MakeLibrary();
        StartShown();
    }
    void TearDown() override
    {
        MainWindowTest::TearDown();
        SetDesktopColour(m_previousDesktop);
    }
    static void SetDesktopColour(COLORREF colour)
    {
        const INT element = COLOR_DESKTOP;
        ::SetSysColors(1, &element, &colour);
    }
    const COLORREF m_previousDesktop = ::GetSysColor(COLOR_DESKTOP);
    std::string Bitmap() const { return CWallpaperEngine::WallpaperBitmapPath(); }
    // Applies the file as "Set wallpaper" does, over a known previous bitmap; the status line's message.
    std::string Apply(const std::string& name, const std::string& bytes)
    {
        const DWORD attributes = ::GetFileAttributesA(LibraryFile(name).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            WriteFileBytes(LibraryFile(name), bytes);
        WriteFileBytes(Bitmap(), "previous bitmap");
        m_dlg->ApplyWallpaper(LibraryFile(name));
        const std::string suffix = " Image file : " + LibraryFile(name), status = Status();
        return status.size() > suffix.size() ? status.substr(0, status.size() - suffix.size()) : status;
    }
    // The written wallpaper's colour at the middle of each quarter.
    void ExpectColours(const Quad& q, int tolerance)
    {
        const Image loaded(FreeImage_Load(FIF_BMP, Bitmap().c_str(), 0), &FreeImage_Unload);
        const Image rgb(loaded ? FreeImage_ConvertTo24Bits(loaded.get()) : nullptr, &FreeImage_Unload);
        ASSERT_TRUE(rgb);
        const int w = FreeImage_GetWidth(rgb.get()), h = FreeImage_GetHeight(rgb.get());
        for (int i = 0; i < 4; ++i) {
            RGBQUAD got = {};
            FreeImage_GetPixelColor(rgb.get(), w / 4 + i % 2 * w / 2, h - 1 - (h / 4 + i / 2 * h / 2), &got);
            EXPECT_NEAR(got.rgbRed, GetRValue(q[i]), tolerance) << "quarter " << i;
            EXPECT_NEAR(got.rgbGreen, GetGValue(q[i]), tolerance) << "quarter " << i;
            EXPECT_NEAR(got.rgbBlue, GetBValue(q[i]), tolerance) << "quarter " << i;
        }
    }
};

TEST_F(ImageCorpusTest, ValidPicturesBecomeTheWallpaperInTheirColours)
{
    WriteSetting("ResizeType", "S");  // every picture through the scaling and the screen's format
    const Quad kRedOnly = {kRed, kRed, kRed, kRed}, kBlackWhite = {RGB(0, 0, 0), kWhite, kWhite, RGB(0, 0, 0)};
    const Quad kLevels = {RGB(0, 0, 0), RGB(85, 85, 85), RGB(170, 170, 170), kWhite};  // exact at 2 to 16 bits
    const Quad kLevelsOneClear = {RGB(0, 0, 0), kDesktop, RGB(170, 170, 170), kWhite};
    const Quad kFourGreenClear = {kRed, kDesktop, kBlue, kWhite};
    // kFour as stored before EXIF orientation 6 (turned right to show), 8 (left), 3 (half) and 2 (mirrored).
    const Quad kTurnedRight = {kGreen, kWhite, kRed, kBlue}, kTurnedLeft = {kBlue, kRed, kWhite, kGreen};
    const Quad kUpsideDown = {kWhite, kBlue, kGreen, kRed}, kMirrored = {kGreen, kRed, kWhite, kBlue};
    const std::array<BYTE, 4> kSome = {255, 0, 128, 255};  // opaque, clear, half, opaque
    const auto Seen = [&](const Quad& q) {
        return Quad{Over(q[0], kSome[0], kDesktop), Over(q[1], kSome[1], kDesktop), Over(q[2], kSome[2], kDesktop),
                    Over(q[3], kSome[3], kDesktop)};
    };
    const std::string padded = MakeBmp({24, BI_RGB, 40, 0, false, kEolThenEob}, 63, 20, kFour);
    const struct { const char* name; std::string bytes; Quad q; int tolerance; } cases[] = {
        {"1bpp.bmp", MakeBmp({1, BI_RGB, 40, 0, false, kEolThenEob}, 37, 20, kTwo), kTwo, 0},
        {"1bpp-short-table.bmp", MakeBmp({1, BI_RGB, 40, 2, false, kEolThenEob}, 8, 6, kTwo), kTwo, 0},
        {"8bpp.bmp", MakeBmp({8, BI_RGB, 40, 0, false, kEolThenEob}, 31, 20, kFour), kFour, 0},
        {"4bpp.bmp", MakeBmp({4, BI_RGB, 40, 0, false, kEolThenEob}, 33, 20, kFour), kFour, 0},
        {"4bpp-short-table.bmp", MakeBmp({4, BI_RGB, 40, 4, false, kEolThenEob}, 10, 6, kFour), kFour, 0},
        {"8bpp-short-table.bmp", MakeBmp({8, BI_RGB, 40, 4, false, kEolThenEob}, 30, 20, kFour), kFour, 0},
        {"rle4-eol-eob.bmp", MakeBmp({4, BI_RLE4, 40, 0, false, kEolThenEob}, 33, 20, kFour), kFour, 0},
        {"rle4-eob.bmp", MakeBmp({4, BI_RLE4, 40, 4, false, kEobOnly}, 32, 20, kFour), kFour, 0},
        {"rle4-eol.bmp", MakeBmp({4, BI_RLE4, 40, 0, false, kEolOnly}, 32, 20, kFour), kFour, 0},
        {"rle8-eol-eob.bmp", MakeBmp({8, BI_RLE8, 40, 0, false, kEolThenEob}, 600, 20, kFour), kFour, 0},
        {"rle8-eob.bmp", MakeBmp({8, BI_RLE8, 40, 4, false, kEobOnly}, 31, 20, kFour), kFour, 0},
        {"rle8-eol.bmp", MakeBmp({8, BI_RLE8, 40, 0, false, kEolOnly}, 31, 20, kFour), kFour, 0},
        {"555.bmp", MakeBmp({16, BI_RGB, 40, 0, false, kEolThenEob}, 31, 20, kFour), kFour, 8},
        {"565.bmp", MakeBmp({16, BI_BITFIELDS, 40, 0, false, kEolThenEob}, 31, 20, kFour), kFour, 8},
        {"24bpp.bmp", MakeBmp({24, BI_RGB, 40, 0, false, kEolThenEob}, 31, 20, kFour), kFour, 0},
        {"32bpp.bmp", MakeBmp({32, BI_RGB, 40, 0, false, kEolThenEob}, 31, 20, kFour), kFour, 0},
        {"top-down.bmp", MakeBmp({24, BI_RGB, 40, 0, true, kEolThenEob}, 31, 20, kFour), kFour, 0},
        {"v4-24bpp.bmp", MakeBmp({24, BI_RGB, 108, 0, false, kEolThenEob}, 31, 20, kFour), kFour, 0},
        {"v5-32bpp.bmp", MakeBmp({32, BI_BITFIELDS, 124, 0, false, kEolThenEob}, 31, 20, kFour), kFour, 0},
        {"v5-565.bmp", MakeBmp({16, BI_BITFIELDS, 124, 0, false, kEolThenEob}, 31, 20, kFour), kFour, 8},
        {"v3-rle8.bmp", MakeBmp({8, BI_RLE8, 56, 0, false, kEolThenEob}, 31, 20, kFour), kFour, 0},
        {"last-padding-missing.bmp", padded.substr(0, padded.size() - 3), kFour, 0},
        {"colour.jpg", MakeJpeg(24, 64, 48, kFour), kFour, 24},
        {"grey.jpg", MakeJpeg(8, 64, 48, kGreys), kGreys, 24},
        {"cmyk.jpg", MakeJpeg(32, 64, 48, kFour), kFour, 24},
        {"progressive.jpg", MakeJpeg(24, 64, 48, kFour, JPEG_PROGRESSIVE), kFour, 24},
        {"one-pixel.jpg", MakeJpeg(24, 1, 1, kRedOnly), kRedOnly, 24},
        {"wide.jpg", MakeJpeg(24, 4000, 2, kRedOnly), kRedOnly, 24},
        {"100-megapixels.jpg", MakeJpeg(24, 12000, 8400, kFour), kFour, 24},
        {"photo.jpeg", MakeJpeg(24, 64, 48, kFour), kFour, 24},
        {"camera.JPE", MakeJpeg(24, 64, 48, kFour), kFour, 24},
        {"old.jfif", MakeJpeg(24, 64, 48, kFour), kFour, 24},
        // PNG: every colour type and depth, tRNS and alpha over the desktop, Adam7, eXIf orientation.
        {"grey-1bit.png", MakePng({0, 1, kOpaque}, 37, 20, kBlackWhite), kBlackWhite, 0},
        {"grey-2bit.png", MakePng({0, 2, kOpaque}, 33, 20, kLevels), kLevels, 0},
        {"grey-4bit.png", MakePng({0, 4, kOpaque}, 31, 20, kLevels), kLevels, 0},
        {"grey-8bit.png", MakePng({0, 8, kOpaque}, 31, 20, kLevels), kLevels, 0},
        {"grey-16bit.png", MakePng({0, 16, kOpaque}, 31, 20, kLevels), kLevels, 0},
        {"grey-2bit-trns.png", MakePng({0, 2, kOpaque, Le(0x0100, 2)}, 33, 20, kLevels), kLevelsOneClear, 0},
        {"grey-alpha.png", MakePng({4, 8, kSome}, 31, 20, kLevels), Seen(kLevels), 1},
        {"grey-alpha-16bit.png", MakePng({4, 16, kSome}, 31, 20, kLevels), Seen(kLevels), 1},
        {"palette-1bit.png", MakePng({3, 1, kOpaque}, 37, 20, kTwo), kTwo, 0},
        {"palette-2bit.png", MakePng({3, 2, kOpaque}, 33, 20, kFour), kFour, 0},
        {"palette-4bit.png", MakePng({3, 4, kOpaque}, 33, 20, kFour), kFour, 0},
        {"palette-8bit.png", MakePng({3, 8, kOpaque}, 31, 20, kFour), kFour, 0},
        {"palette-2bit-trns.png", MakePng({3, 2, kSome}, 33, 20, kFour), Seen(kFour), 1},
        {"palette-8bit-trns.png", MakePng({3, 8, kSome}, 31, 20, kFour), Seen(kFour), 1},
        {"rgb.png", MakePng({2, 8, kOpaque}, 31, 20, kFour), kFour, 0},
        {"rgb-16bit.png", MakePng({2, 16, kOpaque}, 31, 20, kFour), kFour, 0},
        {"rgb-trns.png", MakePng({2, 8, kOpaque, std::string("\0\0\0\xFF\0\0", 6)}, 31, 20, kFour), kFourGreenClear, 0},
        {"rgba.png", MakePng({6, 8, kSome}, 31, 20, kFour), Seen(kFour), 1},
        {"rgba-16bit.png", MakePng({6, 16, kSome}, 31, 20, kFour), Seen(kFour), 1},
        {"adam7.png", Saved(FIF_PNG, 24, 61, 37, kFour, PNG_INTERLACED), kFour, 0},
        {"adam7-rgba.png", Saved(FIF_PNG, 32, 61, 37, kFour, PNG_INTERLACED, kSome), Seen(kFour), 1},
        {"exif-turned-right.png", MakePng({2, 8, kOpaque, "", PngChunk("eXIf", Exif(6, false))}, 30, 40, kTurnedRight),
         kFour, 0},
        {"exif-upside-down.png", MakePng({2, 8, kOpaque, "", PngChunk("eXIf", Exif(3, false))}, 40, 30, kUpsideDown),
         kFour, 0},
        {"png-inside.jpg", MakePng({2, 8, kOpaque}, 31, 20, kFour), kFour, 0},
        // WebP: lossy, lossless, alpha, EXIF orientation with and without its prefix, a photo decoded scaled.
        {"lossy.webp", Saved(FIF_WEBP, 24, 64, 48, kFour, 90), kFour, 24},
        {"lossless.webp", Saved(FIF_WEBP, 24, 61, 37, kFour, WEBP_LOSSLESS), kFour, 0},
        {"lossless-alpha.webp", Saved(FIF_WEBP, 32, 61, 37, kFour, WEBP_LOSSLESS, kSome), Seen(kFour), 1},
        {"lossy-alpha.webp", Saved(FIF_WEBP, 32, 64, 48, kFour, 90, kSome), Seen(kFour), 24},
        {"exif-turned-left.webp", Saved(FIF_WEBP, 24, 30, 40, kTurnedLeft, WEBP_LOSSLESS, kOpaque, Exif(8, false)),
         kFour, 0},
        {"exif-mirrored.webp", Saved(FIF_WEBP, 24, 40, 30, kMirrored, WEBP_LOSSLESS, kOpaque, Exif(2, true)), kFour,
         0},
        {"webp-inside.jpg", Saved(FIF_WEBP, 24, 61, 37, kFour, WEBP_LOSSLESS), kFour, 0},
        {"2400x1800.webp", Saved(FIF_WEBP, 24, 2400, 1800, kFour, 80), kFour, 24},
    };
    CPreviewDlg* preview = Preview();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Apply(c.name, c.bytes), "Resizing and setting new wallpaper completed successfully.");
        ExpectColours(c.q, c.tolerance);
        EXPECT_TRUE(preview->LoadPreviewImage(LibraryFile(c.name)));
    }
}

TEST_F(ImageCorpusTest, DamagedFilesAreRefusedAndTheOldWallpaperStays)
{
    const std::string bmp = MakeBmp({24, BI_RGB, 40, 0, false, kEolThenEob}, 64, 48, kFour);  // 9270 bytes
    const std::string indexed = MakeBmp({8, BI_RGB, 40, 0, false, kEolThenEob}, 64, 48, kFour);
    const std::string rle = MakeBmp({8, BI_RLE8, 40, 0, false, kEolThenEob}, 64, 48, kFour);
    const std::string rle4 = MakeBmp({4, BI_RLE4, 40, 0, false, kEolThenEob}, 64, 48, kFour);
    const std::string jpeg = MakeJpeg(24, 64, 48, kFour), progressive = MakeJpeg(24, 64, 48, kFour, JPEG_PROGRESSIVE);
    const size_t scan = jpeg.find("\xFF\xDA");
    const std::string png = MakePng({2, 8, kOpaque}, 64, 48, kFour);
    const std::string palette = MakePng({3, 2, kOpaque}, 64, 48, kFour);
    const size_t idatCrc = png.find("IEND") - 8;
    const std::string lossy = Saved(FIF_WEBP, 24, 64, 48, kFour, 90), lossless = Saved(FIF_WEBP, 24, 64, 48, kFour, WEBP_LOSSLESS);
    const struct { const char* name; std::string bytes; } cases[] = {
        {"empty.bmp", ""}, {"empty.jpg", ""}, {"random.bmp", RandomBytes(6000, 1)},
        {"random.jpg", RandomBytes(6000, 2)}, {"signature-then-random.bmp", "BM" + RandomBytes(6000, 3)},
        {"cut-in-file-header.bmp", bmp.substr(0, 10)}, {"cut-in-info-header.bmp", bmp.substr(0, 30)},
        {"cut-in-rows.bmp", bmp.substr(0, 1000)}, {"one-byte-short.bmp", bmp.substr(0, bmp.size() - 1)},
        {"cut-in-palette.bmp", indexed.substr(0, 300)}, {"cut-in-8bpp-rows.bmp", indexed.substr(0, 2000)},
        {"cut-rle.bmp", rle.substr(0, rle.size() - 30)},
        {"cut-in-jpeg-header.jpg", jpeg.substr(0, scan / 2)}, {"cut-in-scan.jpg", jpeg.substr(0, (scan + jpeg.size()) / 2)},
        {"cut-near-end.jpg", jpeg.substr(0, jpeg.size() - 40)},
        {"cut-progressive.jpg", progressive.substr(0, progressive.size() * 2 / 3)},
        // the stray bytes' warning comes first, and libjpeg passes on only its first
        {"stray-bytes-then-cut.jpg", Inserted(jpeg, jpeg.find("\xFF\xC0"), "\1\2\3").substr(0, (scan + jpeg.size()) / 2)},
        {"claims-20000x20000.bmp", Patched(bmp, 18, Le(20000, 4) + Le(20000, 4)).substr(0, 6000)},
        {"rle-claims-20000x20000.bmp", Patched(rle, 18, Le(20000, 4) + Le(20000, 4))},
        // Within the pixel count, but gigabytes once decoded, converted and averaged.
        {"rle-claims-268435456x1.bmp", Patched(rle, 18, Le(268435456, 4) + Le(1, 4))},
        {"rle-claims-16384x16384.bmp", Patched(rle, 18, Le(16384, 4) + Le(16384, 4))},
        {"rle4-claims-13x16777223.bmp", Patched(rle4, 18, Le(13, 4) + Le(16777223, 4))},
        {"claims-60000x60000.jpg", JpegClaiming(jpeg, 60000, 60000)},
        {"progressive-claims-20000x20000.jpg", JpegClaiming(progressive, 20000, 20000)},
        // allowed at an eighth of its size, where its missing scan data came out grey
        {"progressive-claims-16384x16384.jpg", JpegClaiming(progressive, 16384, 16384)},
        // whole and valid, but its coefficients alone would take 162 MB whatever the scale
        {"progressive-81-megapixels.jpg", MakeJpeg(8, 9000, 9000, kGreys, JPEG_PROGRESSIVE)},
        {"header-size-2000.bmp", Patched(bmp, 14, Le(2000, 4))}, {"zero-width.bmp", Patched(bmp, 18, Le(0, 4))},
        {"negative-width.bmp", Patched(bmp, 18, Le(DWORD(-64), 4))},
        {"offset-past-end.bmp", Patched(bmp, 10, Le(DWORD(bmp.size()) + 100, 4))},
        {"offset-past-end-8bpp.bmp", Patched(indexed, 10, Le(DWORD(indexed.size()) + 100, 4))},
        {"offset-past-end-rle.bmp", Patched(rle, 10, Le(DWORD(rle.size()), 4))},
        {"folder.jpg", ""},  // a folder
        {"empty.png", ""}, {"random.webp", RandomBytes(6000, 4)}, {"signature-then-random.png", png.substr(0, 8) + RandomBytes(6000, 5)},
        {"cut-in-png-header.png", png.substr(0, 20)}, {"cut-in-idat.png", png.substr(0, png.find("IDAT") + 40)},
        {"iend-missing.png", png.substr(0, png.size() - 12)}, {"idat-crc-wrong.png", Patched(png, idatCrc, "\xDE\xAD")},
        {"idat-damaged.png", WithIdatByte(png, 30)}, {"adler32-wrong.png", WithIdatByte(png, 0)},
        {"rows-missing.png", MakePng({2, 8, kOpaque, "", "", -1}, 64, 48, kFour)},
        {"rows-extra.png", MakePng({2, 8, kOpaque, "", "", 4}, 64, 48, kFour)},
        {"index-past-palette.png", WithChunk(palette, "PLTE", ChunkData(palette, "PLTE").substr(0, 6))},
        {"claims-70000x48.png", WithChunk(png, "IHDR", Be(70000) + ChunkData(png, "IHDR").substr(4))},
        {"claims-20000x20000.png", PngBomb()},
        {"cut-lossy.webp", lossy.substr(0, lossy.size() * 2 / 3)}, {"cut-lossless.webp", lossless.substr(0, lossless.size() - 10)},
        {"cut-in-riff-header.webp", lossy.substr(0, 10)}, {"riff-size-past-end.webp", Patched(lossy, 4, Le(DWORD(lossy.size()) * 2, 4))},
        {"claims-16383x16383.webp", Patched(lossy, lossy.find("\x9D\x01\x2A") + 3, Le(16383, 2) + Le(16383, 2))},
    };
    ::CreateDirectoryA(LibraryFile("folder.jpg").c_str(), nullptr);
    CPreviewDlg* preview = Preview();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Apply(c.name, c.bytes), kRefused);
        EXPECT_TRUE(ReadFileBytes(Bitmap()) == "previous bitmap");
        EXPECT_FALSE(preview->LoadPreviewImage(LibraryFile(c.name)));
    }
    EXPECT_EQ(driver::DesktopValue("Wallpaper"), "before-test");
    EXPECT_EQ(ReadSetting("Wallpaper"), "");
    // A size probe reads headers only: a progressive file's claim allocates nothing, and no claim is
    // decoded past the memory bound.
    PROCESS_MEMORY_COUNTERS memory = {};
    ASSERT_TRUE(::GetProcessMemoryInfo(::GetCurrentProcess(), &memory, sizeof memory));
    EXPECT_LT(memory.PeakWorkingSetSize, size_t(400) << 20);
}

// A photo turns by the orientation that its header check read, and only by a well-formed one inside its
// EXIF block.
TEST_F(ImageCorpusTest, PhotosTurnOnlyByTheOrientationTheirHeaderShowed)
{
    WriteSetting("ResizeType", "S");
    const Quad kTurnedRight = {kBlue, kRed, kWhite, kGreen};  // kFour turned by orientation 6
    const std::string jpeg = MakeJpeg(24, 64, 48, kFour), progressive = MakeJpeg(24, 64, 48, kFour, JPEG_PROGRESSIVE);
    const size_t secondScan = progressive.find("\xFF\xDA", progressive.find("\xFF\xDA") + 2);
    ASSERT_NE(secondScan, std::string::npos);
    const struct { const char* name; std::string bytes; Quad q; } cases[] = {
        {"turned.jpg", Inserted(jpeg, 2, ExifOrientation(6, 3)), kTurnedRight},
        // the directory's entry ends 2 bytes past the block (its next-directory offset is missing too)
        {"directory-past-its-block.jpg", Inserted(jpeg, 2, ExifOrientation(6, 3, 6)), kFour},
        // a block between a progressive file's scans says 3, as a BYTE, which the header check never saw
        {"later-orientation.jpg", Inserted(Inserted(progressive, secondScan, ExifOrientation(3, 1)), 2, ExifOrientation(6, 3)),
         kTurnedRight},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Apply(c.name, c.bytes), "Resizing and setting new wallpaper completed successfully.");
        ExpectColours(c.q, 24);
    }
}

// Compressed text chunks that inflate to 7 MB each: read and kept, 60 of them would take 420 MB (and FreeImage's
// copies as much again) before a pixel is decoded. The picture itself is fine.
TEST_F(ImageCorpusTest, PngTextThatInflatesToGigabytesCostsNoMemory)
{
    const std::string text = PngChunk("zTXt", std::string("Comment\0\0", 9) + Deflated(std::string(7 << 20, 'a')));
    std::string chunks;
    for (int i = 0; i < 60; ++i)
        chunks += text;
    EXPECT_EQ(Apply("text-bomb.png", MakePng({2, 8, kOpaque, "", chunks}, 64, 48, kFour)),
              "Setting new wallpaper completed successfully.");
    ExpectColours(kFour, 0);
    EXPECT_TRUE(Preview()->LoadPreviewImage(LibraryFile("text-bomb.png")));
    PROCESS_MEMORY_COUNTERS memory = {};
    ASSERT_TRUE(::GetProcessMemoryInfo(::GetCurrentProcess(), &memory, sizeof memory));
    EXPECT_LT(memory.PeakWorkingSetSize, size_t(200) << 20);
}

// Random bytes changed in the headers and the first data: each variant is set as the wallpaper and
// previewed in this one process; none may crash or hang, and memory stays bounded.
TEST_F(ImageCorpusTest, MutatedHeadersNeverCrashHangOrExhaustMemory)
{
    const std::string bases[] = {MakeBmp({24, BI_RGB, 40, 0, false, kEolThenEob}, 40, 30, kFour),
                                 MakeBmp({8, BI_RLE8, 124, 0, false, kEolThenEob}, 40, 30, kFour),
                                 MakeJpeg(24, 40, 30, kFour), MakeJpeg(24, 40, 30, kFour, JPEG_PROGRESSIVE),
                                 MakePng({3, 4, {255, 0, 128, 255}}, 40, 30, kFour),
                                 Saved(FIF_WEBP, 32, 40, 30, kFour, 90, {255, 0, 128, 255})};
    // The headers and the first 64 bytes of pixel, scan or image data.
    const auto dataStart = [](int base, const std::string& bytes) {
        return base < 2 ? *reinterpret_cast<const DWORD*>(&bytes[10])
                        : bytes.find(base < 4 ? "\xFF\xDA" : base == 4 ? "IDAT" : "VP8 ");
    };
    const char* const names[] = {"mutant.bmp", "mutant.bmp", "mutant.jpg", "mutant.jpg", "mutant.png", "mutant.webp"};
    std::mt19937 random(11);
    int loaded = 0, refused = 0;
    for (int variant = 0; variant < 600; ++variant) {
        const int base = variant % 6;
        std::string bytes = bases[base];
        const size_t span = 64 + dataStart(base, bytes);
        for (int n = 1 + random() % 4; n > 0; --n)
            bytes[random() % std::min(span, bytes.size())] = char(random());
        const std::string name = names[base];
        const std::string outcome = Apply(name, bytes);
        Preview()->LoadPreviewImage(LibraryFile(name));
        if (outcome == kRefused && ReadFileBytes(Bitmap()) == "previous bitmap")
            ++refused;
        else if (outcome.find("wallpaper completed successfully.") != std::string::npos && PathExists(Bitmap()))
            ++loaded;
        else
            ADD_FAILURE() << "variant " << variant << ": " << outcome;
    }
    PROCESS_MEMORY_COUNTERS memory = {};
    ASSERT_TRUE(::GetProcessMemoryInfo(::GetCurrentProcess(), &memory, sizeof memory));
    // Only pictures within the size bound are decoded, never the size a damaged header claims.
    EXPECT_LT(memory.PeakWorkingSetSize, size_t(1) << 30);
    std::printf("mutants: %d set, %d refused; peak working set %u MB\n", loaded, refused,
                unsigned(memory.PeakWorkingSetSize >> 20));
    EXPECT_GT(loaded * refused, 0) << "the mutations should both spoil and spare";
}

}  // namespace
