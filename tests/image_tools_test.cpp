#include <windows.h>

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <tuple>

#include "engine/image_tools.h"
#include "tests/test_support.h"

using namespace testing_support;

namespace {

using Image = std::unique_ptr<FIBITMAP, void (*)(FIBITMAP*)>;
const COLORREF kRed = RGB(255, 0, 0), kWhite = 0xFFFFFF, kStripes[] = {kRed, RGB(0, 255, 0), RGB(0, 0, 255), kWhite};

// A w x h 24-bit image; colourAt(x, y) gives each pixel, y from the top.
Image MakeImage(int w, int h, COLORREF (*colourAt)(int x, int y))
{
    Image image(FreeImage_Allocate(w, h, 24), &CImageTools::FI_Unload);
    for (int i = 0; image && i < w * h; ++i) {
        const COLORREF c = colourAt(i % w, i / w);
        BYTE* p = FreeImage_GetScanLine(image.get(), h - 1 - i / w) + i % w * 3;
        p[FI_RGBA_RED] = GetRValue(c), p[FI_RGBA_GREEN] = GetGValue(c), p[FI_RGBA_BLUE] = GetBValue(c);
    }
    return image;
}

// A packed DIB block, freed when the test ends.
struct Block {
    HGLOBAL h;
    ~Block() { ::GlobalFree(h); }
    const BYTE* Bytes() const { return static_cast<const BYTE*>(::GlobalLock(h)); }
    const BITMAPINFOHEADER& Header() const { return *reinterpret_cast<const BITMAPINFOHEADER*>(Bytes()); }
    COLORREF Pixel(int x, int y) const  // y from the top, in a 32-bit block
    {
        const BYTE* p = Bytes() + 40 + ((Header().biHeight - 1 - y) * Header().biWidth + x) * 4;
        return RGB(p[2], p[1], p[0]);
    }
};

}  // namespace

TEST(ImageToolsLoad, ExtensionDecidesTheDecoderAndDamagedFilesGiveNothing)
{
    TempDir dir;
    ASSERT_TRUE(MakeImageFile(dir / "photo.jpg", 40, 30) && MakeImageFile(dir / "a.b.bmp", 17, 9));
    ASSERT_TRUE(::CreateDirectoryA((dir / "set.jpg").c_str(), nullptr));
    const std::string jpeg = ReadFileBytes(dir / "photo.jpg"), bmp = ReadFileBytes(dir / "a.b.bmp");
    const std::string huge = bmp.substr(0, 18) + std::string(8, '\x7F') + bmp.substr(26, 28);  // claims far more pixels
    const struct { const char* name; std::string bytes; int width; } cases[] = {  // width 0: no image
        {"UPPER.JPG", jpeg, 40}, {"mixed.Jpg", jpeg, 40}, {"a.b.bmp", bmp, 17}, {"set.jpg\\inner.BMP", bmp, 17},
        {"photo.jpeg", jpeg, 0}, {"photo.png", jpeg, 0}, {"noextension", jpeg, 0}, {"set.jpg\\picture", jpeg, 0},
        {"photo.jpg.txt", jpeg, 0}, {"garbage.jpg", "only text", 0}, {"empty.jpg", "", 0},
        {"bmp-inside.jpg", bmp, 0}, {"jpeg-inside.bmp", jpeg, 0}, {"huge.bmp", huge, 0},
        {"broken.jpg", jpeg.substr(0, 2) + std::string(200, 'U'), 0}, {"nowhere\\missing.jpg", "not written", 0},
    };
    for (const auto& c : cases) {
        WriteFileBytes(dir / c.name, c.bytes);
        FIBITMAP* image = CImageTools().LoadImageFile(dir / c.name);
        EXPECT_EQ(image ? CImageTools::FI_GetWidth(image) : 0, c.width) << c.name;
        CImageTools::FI_Unload(image);
    }
}

TEST(ImageToolsFit, ShrinksWidthFirstNeverEnlargesAndFollowsTheMode)
{
    const struct { const char* mode; int w, h, sw, sh; bool scaled; int fw, fh; } cases[] = {
        {"P", 1366, 1000, 1024, 768, true, 1024, 750},  // the reduction is truncated, not the kept size
        {"P", 1600, 1200, 160, 115, true, 154, 115},    // the preview's picture area
        {"P", 500, 2000, 1024, 768, true, 192, 768},    {"P", 3000, 3000, 1024, 768, true, 768, 768},
        {"P", 800, 600, 1024, 768, false, 800, 600},    {"P", 1024, 768, 1024, 768, false, 1024, 768},
        {"P", 0x7FFFFFFF, 0x7FFFFFFF, 1, 1, true, 1, 1}, {"", 1024, 769, 1024, 768, true, 1023, 768},
        {"Proporcional", 1920, 1080, 1024, 768, true, 1024, 576}, {"N", 3000, 3000, 1024, 768, false, 3000, 3000},
        {"S", 800, 600, 1024, 768, true, 1024, 768},    {"Stretch", 3000, 1000, 1024, 768, true, 1024, 768},
        {"n", 1920, 1080, 1024, 768, true, 1024, 576},  {"s", 800, 600, 1024, 768, false, 800, 600},  // no mode: "P"
    };
    for (const auto& c : cases) {
        const CImageTools::FitDecision d = CImageTools::DecideFit(c.mode, c.w, c.h, c.sw, c.sh);
        EXPECT_EQ(std::make_tuple(d.scaled, d.width, d.height), std::make_tuple(c.scaled, c.fw, c.fh))
            << '"' << c.mode << "\" " << c.w << "x" << c.h << " on " << c.sw << "x" << c.sh;
        if (c.mode[0] != 'P')
            continue;
        const RECT r = CImageTools::FitRect(c.w, c.h, c.sw, c.sh);  // the "P" rule
        EXPECT_EQ(std::make_tuple(r.left, r.top, r.right, r.bottom), std::make_tuple(0L, 0L, c.fw, c.fh));
    }
}

TEST(ImageToolsDib, StretchGivesAScreenFormatDibOfExactlyTheAskedSizeWithBlendedColours)
{
    CImageTools tools;
    // A red top row over white: the rows must run bottom-up, right after the header.
    const Image image = MakeImage(64, 48, [](int, int y) { return y ? kWhite : kRed; });
    for (const SIZE s : {SIZE{64, 48}, SIZE{33, 17}, SIZE{200, 150}, SIZE{1, 1}}) {
        const Block dib{tools.StretchToDib(image.get(), s.cx, s.cy)};
        ASSERT_NE(dib.h, nullptr);
        const BITMAPINFOHEADER& h = dib.Header();
        EXPECT_EQ(std::make_tuple(h.biSize, h.biWidth, h.biHeight, h.biBitCount, h.biCompression),
                  std::make_tuple(40UL, s.cx, s.cy, WORD{32}, static_cast<DWORD>(BI_RGB)));
    }
    const Block same{tools.StretchToDib(image.get(), 64, 48)};
    EXPECT_EQ(std::make_pair(same.Pixel(1, 0), same.Pixel(63, 47)), std::make_pair(kRed, kWhite));
    EXPECT_EQ(tools.StretchToDib(image.get(), 100000, 100000), nullptr);  // past a 32-bit size

    // Red, green, blue and white columns: ANDing them (the default) gives black, blending keeps them bright.
    const Image stripes = MakeImage(64, 16, [](int x, int) { return kStripes[x % 4]; });
    const Block shrunk{tools.StretchToDib(stripes.get(), 16, 4)};
    ASSERT_NE(shrunk.h, nullptr);
    for (int i = 0; i < 16 * 4; ++i) {
        const COLORREF c = shrunk.Pixel(i % 16, i / 16);
        EXPECT_GT(GetRValue(c) + GetGValue(c) + GetBValue(c), 192) << i;
    }
}

TEST(ImageToolsWrite, HeaderDescribesTheBlockAndAFailedWriteLeavesTheOldFile)
{
    TempDir dir;
    CImageTools tools;
    const Image grey(FreeImage_Allocate(8, 2, 8), &CImageTools::FI_Unload);  // comes with a grey table
    void* bits = nullptr;
    HBITMAP section = ::CreateDIBSection(nullptr, FreeImage_GetInfo(grey.get()), DIB_RGB_COLORS, &bits, nullptr, 0);
    EXPECT_EQ(tools.BitmapToDib(section, BI_BITFIELDS, nullptr), nullptr);
    const Block blocks[] = {{tools.BitmapToDib(section, BI_RGB, nullptr)}, {tools.StretchToDib(grey.get(), 5, 3)}};
    ::DeleteObject(section);
    const std::string file = dir / "wall.bmp";
    for (const Block& dib : blocks) {
        WriteFileBytes(file, std::string(5000, 'o'));  // an older, longer file goes entirely
        ASSERT_TRUE(tools.WriteDib(file, dib.h));
        const std::string bytes = ReadFileBytes(file);
        const size_t size = ::GlobalSize(dib.h);
        ASSERT_EQ(bytes.size(), size + 14);
        const auto* fh = reinterpret_cast<const BITMAPFILEHEADER*>(bytes.data());
        EXPECT_EQ(std::make_tuple(fh->bfType, fh->bfSize, fh->bfOffBits),  // "BM"
                  std::make_tuple(WORD{0x4D42}, DWORD(size + 14), &dib == blocks ? 1078UL : 54UL));
        EXPECT_EQ(std::memcmp(bytes.data() + 14, dib.Bytes(), size), 0);
    }

    // Each way of writing fails as a whole, so the old file stays.
    const auto write = [&] { return tools.WriteDib(file, blocks[1].h) || tools.SaveImageAsBmp(grey.get(), file); };
    const std::string old = ReadFileBytes(file);
    EXPECT_FALSE(tools.WriteDib(file, nullptr) || tools.SaveImageAsBmp(nullptr, file));
    ASSERT_TRUE(::CreateDirectoryA((file + ".tmp").c_str(), nullptr));  // the temporary file's name is taken
    EXPECT_FALSE(write());
    ASSERT_TRUE(::RemoveDirectoryA((file + ".tmp").c_str()));
    ASSERT_TRUE(::SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY));  // the target cannot be replaced
    EXPECT_FALSE(write());
    ::SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadFileBytes(file), old);
    EXPECT_FALSE(PathExists(file + ".tmp"));
    EXPECT_FALSE(tools.WriteDib(dir / "nowhere\\wall.bmp", blocks[1].h) || tools.WriteDib(dir / "new.bmp", nullptr));
    EXPECT_FALSE(PathExists(dir / "nowhere") || PathExists(dir / "new.bmp"));
}
