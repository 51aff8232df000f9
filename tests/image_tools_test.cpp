#include <windows.h>

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/image_tools.h"
#include "tests/test_support.h"

using testing_support::MakeImageFile;
using testing_support::PathExists;
using testing_support::ReadFileBytes;
using testing_support::WriteFileBytes;

namespace {

// A w x h 24-bit image; colourAt(x, y) gives each pixel, y counted from the top.
template <typename ColourAt>
FIBITMAP* MakeImage(int w, int h, ColourAt colourAt)
{
    FIBITMAP* image = FreeImage_Allocate(w, h, 24);
    if (!image)
        return nullptr;
    for (int y = 0; y < h; ++y) {
        BYTE* row = FreeImage_GetScanLine(image, h - 1 - y);
        for (int x = 0; x < w; ++x) {
            const COLORREF c = colourAt(x, y);
            row[x * 3 + FI_RGBA_RED] = GetRValue(c);
            row[x * 3 + FI_RGBA_GREEN] = GetGValue(c);
            row[x * 3 + FI_RGBA_BLUE] = GetBValue(c);
        }
    }
    return image;
}

FIBITMAP* MakeSolidImage(int w, int h, COLORREF c)
{
    return MakeImage(w, h, [c](int, int) { return c; });
}

int DisplayBitsPerPixel()
{
    HDC screen = ::GetDC(nullptr);
    const int bpp = ::GetDeviceCaps(screen, BITSPIXEL) * ::GetDeviceCaps(screen, PLANES);
    ::ReleaseDC(nullptr, screen);
    return bpp;
}

int RowBytes(int width, int bitCount)
{
    return ((width * bitCount + 31) & ~31) / 8;
}

// Frees a DIB block at the end of a test, whatever happens in between.
struct BlockHolder {
    HGLOBAL block;
    explicit BlockHolder(HGLOBAL b) : block(b) {}
    ~BlockHolder()
    {
        if (block)
            ::GlobalFree(block);
    }
    const BYTE* Bytes() const { return static_cast<const BYTE*>(::GlobalLock(block)); }
    const BITMAPINFOHEADER& Header() const { return *reinterpret_cast<const BITMAPINFOHEADER*>(Bytes()); }
};

// The colour at (x, y), y from the top, of a 24- or 32-bit packed DIB.
COLORREF DibPixel(const BlockHolder& dib, int x, int y)
{
    const BITMAPINFOHEADER& h = dib.Header();
    const BYTE* p = dib.Bytes() + h.biSize + static_cast<size_t>(h.biHeight - 1 - y) * RowBytes(h.biWidth, h.biBitCount) +
                    static_cast<size_t>(x) * (h.biBitCount / 8);
    return RGB(p[2], p[1], p[0]);
}

bool Near(COLORREF a, COLORREF b, int tolerance = 10)
{
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance &&
           std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

uint32_t Le32(const std::string& bytes, size_t at)
{
    uint32_t v = 0;
    std::memcpy(&v, bytes.data() + at, 4);
    return v;
}

uint16_t Le16(const std::string& bytes, size_t at)
{
    uint16_t v = 0;
    std::memcpy(&v, bytes.data() + at, 2);
    return v;
}

}  // namespace

// ---------------------------------------------------------------- loading

TEST(ImageToolsLoad, PicksTheDecoderByExtensionInAnyCase)
{
    TempDir dir;
    CImageTools tools;
    ASSERT_TRUE(MakeImageFile(dir / "photo.jpg", 40, 30));
    const std::string jpeg = ReadFileBytes(dir / "photo.jpg");
    WriteFileBytes(dir / "UPPER.JPG", jpeg);
    WriteFileBytes(dir / "mixed.Jpg", jpeg);
    ASSERT_TRUE(MakeImageFile(dir / "a.b.bmp", 17, 9));
    ASSERT_TRUE(::CreateDirectoryA((dir / "my.pictures").c_str(), nullptr));
    ASSERT_TRUE(MakeImageFile(dir / "my.pictures\\inner.BMP", 5, 6));

    struct Case {
        std::string path;
        int width, height;
    } cases[] = {
        {dir / "photo.jpg", 40, 30},
        {dir / "UPPER.JPG", 40, 30},
        {dir / "mixed.Jpg", 40, 30},
        {dir / "a.b.bmp", 17, 9},
        {dir / "my.pictures\\inner.BMP", 5, 6},
        {"photo.jpg", 40, 30},  // no folder: the whole text is the name
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        FIBITMAP* image = tools.LoadImageFile(c.path);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(CImageTools::FI_GetWidth(image), c.width);
        EXPECT_EQ(CImageTools::FI_GetHeight(image), c.height);
        EXPECT_EQ(CImageTools::FI_GetBPP(image), 24);
        ASSERT_NE(CImageTools::FI_GetInfoHeader(image), nullptr);
        EXPECT_EQ(CImageTools::FI_GetInfoHeader(image)->biWidth, c.width);
        EXPECT_NE(CImageTools::FI_GetBits(image), nullptr);
        CImageTools::FI_Unload(image);
    }
}

TEST(ImageToolsLoad, OtherExtensionsLoadNothing)
{
    TempDir dir;
    CImageTools tools;
    ASSERT_TRUE(MakeImageFile(dir / "source.jpg", 20, 20));
    const std::string jpeg = ReadFileBytes(dir / "source.jpg");
    ASSERT_TRUE(::CreateDirectoryA((dir / "set.jpg").c_str(), nullptr));
    // Every one of these holds a good JPEG; only the name rules it out.
    for (const char* name : {"photo.jpeg", "photo.png", "noextension", "set.jpg\\picture", "photo.jpg.txt"}) {
        SCOPED_TRACE(name);
        WriteFileBytes(dir / name, jpeg);
        FIBITMAP* image = tools.LoadImageFile(dir / name);
        EXPECT_EQ(image, nullptr);
        CImageTools::FI_Unload(image);
    }
    EXPECT_EQ(tools.LoadImageFile(""), nullptr);
    EXPECT_EQ(tools.LoadImageFile(dir / "set.jpg\\"), nullptr);
}

TEST(ImageToolsLoad, DamagedOrMismatchedFilesGiveNoImage)
{
    TempDir dir;
    CImageTools tools;
    ASSERT_TRUE(MakeImageFile(dir / "good.jpg", 20, 20));
    ASSERT_TRUE(MakeImageFile(dir / "good.bmp", 20, 20));
    const std::string jpeg = ReadFileBytes(dir / "good.jpg");
    const std::string bmp = ReadFileBytes(dir / "good.bmp");

    WriteFileBytes(dir / "garbage.jpg", "this is not a picture at all, only text");
    WriteFileBytes(dir / "empty.jpg", "");
    // A JPEG signature followed by nonsense instead of its markers.
    WriteFileBytes(dir / "broken.jpg", jpeg.substr(0, 2) + std::string(200, '\x55'));
    WriteFileBytes(dir / "jpeg-inside.bmp", jpeg);
    WriteFileBytes(dir / "bmp-inside.jpg", bmp);
    // A BMP header claiming far more pixels than the file holds.
    std::string huge = bmp.substr(0, 54);
    const int32_t big = 0x7FFFFFF0;
    std::memcpy(&huge[18], &big, 4);
    std::memcpy(&huge[22], &big, 4);
    WriteFileBytes(dir / "huge.bmp", huge);

    for (const char* name : {"garbage.jpg", "empty.jpg", "broken.jpg", "jpeg-inside.bmp", "bmp-inside.jpg",
                             "huge.bmp", "missing.jpg", "missing.bmp"}) {
        SCOPED_TRACE(name);
        FIBITMAP* image = tools.LoadImageFile(dir / name);
        EXPECT_EQ(image, nullptr);
        CImageTools::FI_Unload(image);
    }
}

// ---------------------------------------------------------------- fitting

TEST(FitRect, ShrinksProportionallyWidthFirstAndNeverEnlarges)
{
    struct Case {
        int w, h, maxW, maxH, fittedW, fittedH;
    } cases[] = {
        {1366, 1000, 1024, 768, 1024, 750},  // the reduction is truncated, not the kept size
        {1600, 1200, 1024, 768, 1024, 768},
        {1920, 1080, 1024, 768, 1024, 576},
        {500, 2000, 1024, 768, 192, 768},    // height step only
        {3000, 3000, 1024, 768, 768, 768},   // both steps
        {1025, 769, 1024, 768, 1023, 768},
        {1024, 769, 1024, 768, 1023, 768},
        {1600, 1200, 160, 115, 154, 115},    // the preview's picture area
        {800, 600, 1024, 768, 800, 600},
        {1024, 768, 1024, 768, 1024, 768},
        {1, 1, 1024, 768, 1, 1},
        {100, 50, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " into " << c.maxW << "x" << c.maxH);
        const RECT r = CImageTools::FitRect(c.w, c.h, c.maxW, c.maxH);
        EXPECT_EQ(r.left, 0);
        EXPECT_EQ(r.top, 0);
        EXPECT_EQ(r.right, c.fittedW);
        EXPECT_EQ(r.bottom, c.fittedH);
    }
}

TEST(FitRect, ExtremeSizesStayInRange)
{
    RECT r = CImageTools::FitRect(INT_MAX, INT_MAX, 1, 1);
    EXPECT_EQ(r.right, 1);
    EXPECT_EQ(r.bottom, 1);
    // Nonsense bounds give nonsense sizes, but no overflow trap or crash.
    r = CImageTools::FitRect(0, 0, -5, -5);
    EXPECT_EQ(r.bottom, -5);
    r = CImageTools::FitRect(INT_MAX, 10, INT_MIN, 10);
    EXPECT_EQ(r.right, INT_MIN);
}

TEST(ImageToolsFit, ProportionalShrinksOnlyWhatIsLargerThanTheScreen)
{
    // Empty (no key) and a whole word both count as "P".
    for (const char* mode : {"P", "", "Proporcional"}) {
        SCOPED_TRACE(mode);
        CImageTools::FitDecision d = CImageTools::DecideFit(mode, 1600, 1200, 1024, 768);
        EXPECT_TRUE(d.scaled);
        EXPECT_EQ(d.width, 1024);
        EXPECT_EQ(d.height, 768);

        d = CImageTools::DecideFit(mode, 1024, 769, 1024, 768);  // too tall only
        EXPECT_TRUE(d.scaled);
        EXPECT_EQ(d.width, 1023);
        EXPECT_EQ(d.height, 768);

        d = CImageTools::DecideFit(mode, 800, 600, 1024, 768);
        EXPECT_FALSE(d.scaled);
        EXPECT_EQ(d.width, 800);
        EXPECT_EQ(d.height, 600);

        d = CImageTools::DecideFit(mode, 1024, 768, 1024, 768);  // exactly the screen
        EXPECT_FALSE(d.scaled);
    }
}

TEST(ImageToolsFit, StretchAlwaysScalesToTheScreen)
{
    for (const char* mode : {"S", "Stretch"}) {
        SCOPED_TRACE(mode);
        for (SIZE image : {SIZE{800, 600}, SIZE{1024, 768}, SIZE{3000, 1000}}) {
            const CImageTools::FitDecision d = CImageTools::DecideFit(mode, image.cx, image.cy, 1024, 768);
            EXPECT_TRUE(d.scaled);
            EXPECT_EQ(d.width, 1024);
            EXPECT_EQ(d.height, 768);
        }
    }
}

TEST(ImageToolsFit, NoResizeKeepsTheImage)
{
    for (SIZE image : {SIZE{800, 600}, SIZE{1024, 768}, SIZE{3000, 3000}}) {
        const CImageTools::FitDecision d = CImageTools::DecideFit("N", image.cx, image.cy, 1024, 768);
        EXPECT_FALSE(d.scaled);
        EXPECT_EQ(d.width, image.cx);
        EXPECT_EQ(d.height, image.cy);
    }
}

TEST(ImageToolsFit, UnknownModeBehavesAsProportional)
{
    // Hand-edited values: lower case is no valid mode, so they get the default.
    for (const char* mode : {"p", "s", "n", "X", " "}) {
        SCOPED_TRACE(mode);
        CImageTools::FitDecision d = CImageTools::DecideFit(mode, 1920, 1080, 1024, 768);
        EXPECT_TRUE(d.scaled);
        EXPECT_EQ(d.width, 1024);
        EXPECT_EQ(d.height, 576);
        d = CImageTools::DecideFit(mode, 800, 600, 1024, 768);
        EXPECT_FALSE(d.scaled);
        EXPECT_EQ(d.width, 800);
        EXPECT_EQ(d.height, 600);
    }
}

// ---------------------------------------------------------------- conversion

TEST(ImageToolsDib, BitfieldsAreRefused)
{
    CImageTools tools;
    HDC screen = ::GetDC(nullptr);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 8, 8);
    ::ReleaseDC(nullptr, screen);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(tools.BitmapToDib(bitmap, BI_BITFIELDS, nullptr), nullptr);
    BlockHolder plain(tools.BitmapToDib(bitmap, BI_RGB, nullptr));
    EXPECT_NE(plain.block, nullptr);
    EXPECT_EQ(tools.BitmapToDib(nullptr, BI_RGB, nullptr), nullptr);
    ::DeleteObject(bitmap);
}

TEST(ImageToolsDib, ScreenBitmapHasNoColourTableAndBottomUpRows)
{
    CImageTools tools;
    const int bpp = DisplayBitsPerPixel();
    ASSERT_GT(bpp, 8) << "the test display should be a true-colour one";

    HDC screen = ::GetDC(nullptr);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 5, 3);
    HDC memory = ::CreateCompatibleDC(screen);
    ::ReleaseDC(nullptr, screen);
    ASSERT_NE(bitmap, nullptr);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    RECT all = {0, 0, 5, 3};
    HBRUSH green = ::CreateSolidBrush(RGB(0, 255, 0));
    ::FillRect(memory, &all, green);
    ::DeleteObject(green);
    ::SetPixel(memory, 0, 0, RGB(255, 0, 0));
    ::SetPixel(memory, 4, 2, RGB(0, 0, 255));
    ::SelectObject(memory, old);
    ::DeleteDC(memory);

    BlockHolder dib(tools.BitmapToDib(bitmap, BI_RGB, nullptr));
    ::DeleteObject(bitmap);
    ASSERT_NE(dib.block, nullptr);
    const BITMAPINFOHEADER& h = dib.Header();
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, 5);
    EXPECT_EQ(h.biHeight, 3);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, bpp);
    EXPECT_EQ(h.biCompression, static_cast<DWORD>(BI_RGB));
    ASSERT_GE(::GlobalSize(dib.block), 40u + 3u * RowBytes(5, bpp));
    // The rows start right after the header: no colour table.
    EXPECT_TRUE(Near(DibPixel(dib, 0, 0), RGB(255, 0, 0), 0));
    EXPECT_TRUE(Near(DibPixel(dib, 4, 2), RGB(0, 0, 255), 0));
    EXPECT_TRUE(Near(DibPixel(dib, 2, 1), RGB(0, 255, 0), 0));
}

TEST(ImageToolsDib, OnePixelWideRowsArePaddedToFourBytes)
{
    TempDir dir;
    CImageTools tools;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = 1;
    bi.bmiHeader.biHeight = 3;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP section = ::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(section, nullptr);
    // Bottom-up rows of 3 pixel bytes and one pad byte each.
    const BYTE rows[12] = {10, 20, 30, 0, 40, 50, 60, 0, 70, 80, 90, 0};
    std::memcpy(bits, rows, sizeof rows);

    BlockHolder dib(tools.BitmapToDib(section, BI_RGB, nullptr));
    ::DeleteObject(section);
    ASSERT_NE(dib.block, nullptr);
    EXPECT_EQ(dib.Header().biBitCount, 24);
    ASSERT_GE(::GlobalSize(dib.block), 40u + 12u);
    EXPECT_EQ(DibPixel(dib, 0, 2), RGB(30, 20, 10));
    EXPECT_EQ(DibPixel(dib, 0, 1), RGB(60, 50, 40));
    EXPECT_EQ(DibPixel(dib, 0, 0), RGB(90, 80, 70));

    ASSERT_TRUE(tools.WriteDib(dir / "narrow.bmp", dib.block));
    EXPECT_EQ(Le32(ReadFileBytes(dir / "narrow.bmp"), 10), 54u);
}

TEST(ImageToolsDib, PalettedBitmapsCarryTheirColourTable)
{
    TempDir dir;
    CImageTools tools;
    struct Case {
        WORD bits;
        unsigned entries;
    } cases[] = {{1, 2}, {4, 16}, {8, 256}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << " bpp");
        std::vector<BYTE> infoBytes(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
        BITMAPINFO* bi = reinterpret_cast<BITMAPINFO*>(infoBytes.data());
        bi->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bi->bmiHeader.biWidth = 8;
        bi->bmiHeader.biHeight = 2;
        bi->bmiHeader.biPlanes = 1;
        bi->bmiHeader.biBitCount = c.bits;
        for (unsigned i = 0; i < c.entries; ++i)
            bi->bmiColors[i] = RGBQUAD{static_cast<BYTE>(255 - i), static_cast<BYTE>(i), 7, 0};
        void* bits = nullptr;
        HBITMAP section = ::CreateDIBSection(nullptr, bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        ASSERT_NE(section, nullptr);
        // Bottom row: every bit set (the last index); top row: index 0.
        const size_t row = RowBytes(8, c.bits);
        std::memset(bits, 0, 2 * row);
        std::memset(bits, 0xFF, row);

        BlockHolder dib(tools.BitmapToDib(section, BI_RGB, nullptr));
        ::DeleteObject(section);
        ASSERT_NE(dib.block, nullptr);
        EXPECT_EQ(dib.Header().biBitCount, c.bits);
        const size_t tableEnd = 40 + 4 * c.entries;
        ASSERT_GE(::GlobalSize(dib.block), tableEnd + 2 * row);
        const RGBQUAD* table = reinterpret_cast<const RGBQUAD*>(dib.Bytes() + 40);
        EXPECT_EQ(table[1].rgbGreen, 1);
        EXPECT_EQ(table[c.entries - 1].rgbGreen, c.entries - 1);
        const BYTE* pixels = dib.Bytes() + tableEnd;
        EXPECT_EQ(pixels[0], 0xFF);    // bottom row: the last index
        EXPECT_EQ(pixels[row], 0x00);  // top row: index 0

        const std::string file = dir / "paletted.bmp";
        ASSERT_TRUE(tools.WriteDib(file, dib.block));
        const std::string bytes = ReadFileBytes(file);
        EXPECT_EQ(Le32(bytes, 10), 14 + tableEnd);
        // FreeImage reads it back as the same picture.
        FIBITMAP* back = CImageTools::FI_LoadBMP(file, 0);
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(CImageTools::FI_GetBPP(back), c.bits);
        EXPECT_EQ(CImageTools::FI_GetWidth(back), 8);
        CImageTools::FI_Unload(back);
    }
}

TEST(ImageToolsStretch, ProducesExactlyTheRequestedSizeInTheDisplayFormat)
{
    CImageTools tools;
    const COLORREF colour = RGB(200, 40, 40);
    FIBITMAP* image = MakeSolidImage(64, 48, colour);
    FIBITMAP* dot = MakeSolidImage(1, 1, colour);
    ASSERT_NE(image, nullptr);
    ASSERT_NE(dot, nullptr);
    struct Case {
        FIBITMAP* source;
        int width, height;
    } cases[] = {{image, 33, 17}, {image, 64, 48}, {image, 200, 150}, {image, 1, 1}, {dot, 3, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
        BlockHolder dib(tools.StretchToDib(c.source, c.width, c.height));
        ASSERT_NE(dib.block, nullptr);
        EXPECT_EQ(dib.Header().biWidth, c.width);
        EXPECT_EQ(dib.Header().biHeight, c.height);
        EXPECT_EQ(dib.Header().biBitCount, DisplayBitsPerPixel());
        EXPECT_TRUE(Near(DibPixel(dib, c.width / 2, c.height / 2), colour));
        EXPECT_TRUE(Near(DibPixel(dib, c.width - 1, c.height - 1), colour));
    }
    CImageTools::FI_Unload(image);
    CImageTools::FI_Unload(dot);
}

TEST(ImageToolsStretch, RefusesWhatItCannotMake)
{
    CImageTools tools;
    FIBITMAP* image = MakeSolidImage(16, 16, RGB(1, 2, 3));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(tools.StretchToDib(nullptr, 100, 100), nullptr);
    EXPECT_EQ(tools.StretchToDib(image, 0, 100), nullptr);
    EXPECT_EQ(tools.StretchToDib(image, 100, -1), nullptr);
    // Far past what a 32-bit size can describe.
    EXPECT_EQ(tools.StretchToDib(image, 100000, 100000), nullptr);
    EXPECT_EQ(tools.StretchToDib(image, INT_MAX, INT_MAX), nullptr);
    CImageTools::FI_Unload(image);
}

TEST(ImageToolsStretch, ShrinkingKeepsTheColours)
{
    // Columns red, green, blue, white: a 4:1 shrink that ANDs the dropped
    // pixels together (the default stretch mode) turns every pixel black.
    CImageTools tools;
    const COLORREF stripes[4] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 255)};
    FIBITMAP* image = MakeImage(64, 16, [&](int x, int) { return stripes[x % 4]; });
    ASSERT_NE(image, nullptr);
    BlockHolder dib(tools.StretchToDib(image, 16, 4));
    CImageTools::FI_Unload(image);
    ASSERT_NE(dib.block, nullptr);
    long brightness = 0;
    int dark = 0;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 16; ++x) {
            const COLORREF c = DibPixel(dib, x, y);
            const int sum = GetRValue(c) + GetGValue(c) + GetBValue(c);
            brightness += sum;
            if (sum < 60)
                ++dark;
        }
    EXPECT_EQ(dark, 0);
    // Averaging gives a mid grey (384 per pixel); ANDing gives 0.
    EXPECT_GT(brightness / 64, 192);
}

// ---------------------------------------------------------------- writing

TEST(ImageToolsWrite, HeaderFieldsDescribeTheBlock)
{
    TempDir dir;
    CImageTools tools;
    FIBITMAP* image = MakeSolidImage(64, 48, RGB(10, 120, 230));
    ASSERT_NE(image, nullptr);
    BlockHolder dib(tools.StretchToDib(image, 33, 17));
    CImageTools::FI_Unload(image);
    ASSERT_NE(dib.block, nullptr);

    const std::string file = dir / "wall.bmp";
    WriteFileBytes(file, "an older, longer wallpaper file that gets replaced entirely");
    ASSERT_TRUE(tools.WriteDib(file, dib.block));
    const std::string bytes = ReadFileBytes(file);
    const size_t blockSize = ::GlobalSize(dib.block);
    ASSERT_EQ(bytes.size(), blockSize + 14);
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    EXPECT_EQ(Le32(bytes, 2), blockSize + 14);
    EXPECT_EQ(Le16(bytes, 6), 0);
    EXPECT_EQ(Le16(bytes, 8), 0);
    EXPECT_EQ(Le32(bytes, 10), 54u);  // a true-colour display: no colour table
    EXPECT_EQ(0, std::memcmp(bytes.data() + 14, dib.Bytes(), blockSize));
    EXPECT_FALSE(PathExists(file + ".tmp"));

    FIBITMAP* back = CImageTools::FI_LoadBMP(file, 0);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(CImageTools::FI_GetWidth(back), 33);
    EXPECT_EQ(CImageTools::FI_GetHeight(back), 17);
    CImageTools::FI_Unload(back);
}

TEST(ImageToolsWrite, MissingBlockTouchesNoFile)
{
    TempDir dir;
    CImageTools tools;
    const std::string file = dir / "wall.bmp";
    WriteFileBytes(file, "previous wallpaper");
    EXPECT_FALSE(tools.WriteDib(file, nullptr));
    EXPECT_EQ(ReadFileBytes(file), "previous wallpaper");
    EXPECT_FALSE(PathExists(file + ".tmp"));
    EXPECT_FALSE(tools.WriteDib(dir / "new.bmp", nullptr));
    EXPECT_FALSE(PathExists(dir / "new.bmp"));
}

TEST(ImageToolsWrite, FailedWriteLeavesTheOldFileIntact)
{
    TempDir dir;
    CImageTools tools;
    FIBITMAP* image = MakeSolidImage(20, 10, RGB(90, 90, 90));
    ASSERT_NE(image, nullptr);
    BlockHolder dib(tools.StretchToDib(image, 20, 10));
    ASSERT_NE(dib.block, nullptr);
    const std::string old = std::string("BM old wallpaper \0 with a zero", 30);

    // The target's folder does not exist.
    EXPECT_FALSE(tools.WriteDib(dir / "nowhere\\wall.bmp", dib.block));
    EXPECT_FALSE(tools.SaveImageAsBmp(image, dir / "nowhere\\wall.bmp"));
    EXPECT_FALSE(PathExists(dir / "nowhere"));

    // The temporary file cannot be made: its name is taken by a folder.
    const std::string file = dir / "wall.bmp";
    WriteFileBytes(file, old);
    ASSERT_TRUE(::CreateDirectoryA((file + ".tmp").c_str(), nullptr));
    EXPECT_FALSE(tools.WriteDib(file, dib.block));
    EXPECT_FALSE(tools.SaveImageAsBmp(image, file));
    EXPECT_EQ(ReadFileBytes(file), old);
    EXPECT_TRUE(PathExists(file + ".tmp"));  // not ours to remove
    ASSERT_TRUE(::RemoveDirectoryA((file + ".tmp").c_str()));

    // The finished file cannot replace a read-only target.
    ASSERT_TRUE(::SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(tools.WriteDib(file, dib.block));
    EXPECT_FALSE(tools.SaveImageAsBmp(image, file));
    ::SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadFileBytes(file), old);
    EXPECT_FALSE(PathExists(file + ".tmp"));

    // The target is a folder.
    ASSERT_TRUE(::CreateDirectoryA((dir / "folder.bmp").c_str(), nullptr));
    EXPECT_FALSE(tools.WriteDib(dir / "folder.bmp", dib.block));
    EXPECT_FALSE(PathExists(dir / "folder.bmp.tmp"));

    EXPECT_FALSE(tools.SaveImageAsBmp(nullptr, file));
    EXPECT_EQ(ReadFileBytes(file), old);
    CImageTools::FI_Unload(image);
}

TEST(ImageToolsWrite, SaveImageAsBmpKeepsSizeAndDepth)
{
    TempDir dir;
    CImageTools tools;
    ASSERT_TRUE(MakeImageFile(dir / "small.jpg", 30, 20));
    FIBITMAP* image = tools.LoadImageFile(dir / "small.jpg");
    ASSERT_NE(image, nullptr);
    const std::string file = dir / "wall.bmp";
    WriteFileBytes(file, "previous wallpaper");
    ASSERT_TRUE(tools.SaveImageAsBmp(image, file));
    CImageTools::FI_Unload(image);
    EXPECT_FALSE(PathExists(file + ".tmp"));

    const std::string bytes = ReadFileBytes(file);
    ASSERT_GE(bytes.size(), 54u);
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    EXPECT_EQ(Le32(bytes, 2), bytes.size());
    FIBITMAP* back = CImageTools::FI_LoadBMP(file, 0);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(CImageTools::FI_GetWidth(back), 30);
    EXPECT_EQ(CImageTools::FI_GetHeight(back), 20);
    EXPECT_EQ(CImageTools::FI_GetBPP(back), 24);
    CImageTools::FI_Unload(back);
}
