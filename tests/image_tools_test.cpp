#include <windows.h>

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <tuple>
#include <vector>

#include "engine/image_tools.h"
#include "tests/test_support.h"

using namespace testing_support;

using Image = std::unique_ptr<FIBITMAP, void (*)(FIBITMAP*)>;
const DWORD kRed = 0xFF0000, kWhite = 0xFFFFFF, kStripes[] = {kRed, 0x00FF00, 0x0000FF, kWhite};  // as in a DIB

static Image MakeImage(int w, int h, DWORD (*colourAt)(int x, int y))  // a 24-bit image, y from the top
{
    Image image(FreeImage_Allocate(w, h, 24), &CImageTools::FI_Unload);
    for (int i = 0; image && i < w * h; ++i) {
        DWORD c = colourAt(i % w, i / w);
        FreeImage_SetPixelColor(image.get(), i % w, h - 1 - i / w, reinterpret_cast<RGBQUAD*>(&c));
    }
    return image;
}

struct DibBlock {  // a packed DIB, freed when the test ends; At reads a 32-bit one, y from the bottom
    HGLOBAL h;
    ~DibBlock() { ::GlobalFree(h); }
    const void* Bytes() const { return ::GlobalLock(h); }
    const BITMAPINFOHEADER& Header() const { return *static_cast<const BITMAPINFOHEADER*>(Bytes()); }
    DWORD At(int x, int y) const { return static_cast<const DWORD*>(Bytes())[10 + y * Header().biWidth + x] & kWhite; }
};

TEST(ImageToolsLoad, ExtensionDecidesTheDecoderAndDamagedFilesGiveNothing)
{
    TempDir dir;
    ASSERT_TRUE(MakeImageFile(dir / "photo.jpg", 40, 30) && MakeImageFile(dir / "a.b.bmp", 17, 9));
    ASSERT_TRUE(::CreateDirectoryA((dir / "set.jpg").c_str(), nullptr));
    const std::string jpeg = ReadFileBytes(dir / "photo.jpg"), bmp = ReadFileBytes(dir / "a.b.bmp");
    const std::string huge = bmp.substr(0, 18) + std::string(8, '\x7F') + bmp.substr(26, 28);  // claims far more pixels
    const struct { const char* name; std::string bytes; int width; } cases[] = {  // width 0: no image
        {"UPPER.JPG", jpeg, 40}, {"a.b.bmp", bmp, 17}, {"set.jpg\\inner.BMP", bmp, 17}, {"photo.jpeg", jpeg, 0},
        {"noextension", jpeg, 0}, {"set.jpg\\picture", jpeg, 0}, {"photo.jpg.txt", jpeg, 0}, {"huge.bmp", huge, 0},
        {"garbage.jpg", "only text", 0}, {"bmp-inside.jpg", bmp, 0}, {"jpeg-inside.bmp", jpeg, 0}, {"empty.jpg", "", 0},
        {"broken.jpg", jpeg.substr(0, 2) + std::string(200, 'U'), 0}, {"nowhere\\missing.jpg", "not written", 0},
    };
    for (const auto& c : cases) {
        WriteFileBytes(dir / c.name, c.bytes);
        const Image image(CImageTools().LoadImageFile(dir / c.name), &CImageTools::FI_Unload);
        EXPECT_EQ(image ? CImageTools::FI_GetWidth(image.get()) : 0, c.width) << c.name;
    }
}

TEST(ImageToolsFit, ShrinksWidthFirstNeverEnlargesAndFollowsTheMode)
{
    const struct { const char* mode; int w, h, sw, sh; bool scaled; int fw, fh; } cases[] = {  // reductions truncate
        {"P", 1366, 1000, 1024, 768, true, 1024, 750},   {"P", 1600, 1200, 160, 115, true, 154, 115},
        {"P", 3000, 3000, 1024, 768, true, 768, 768},    {"P", 1024, 768, 1024, 768, false, 1024, 768},
        {"P", 0x7FFFFFFF, 0x7FFFFFFF, 1, 1, true, 1, 1}, {"", 1024, 769, 1024, 768, true, 1023, 768},
        {"Proporcional", 1920, 1080, 1024, 768, true, 1024, 576}, {"N", 3000, 3000, 1024, 768, false, 3000, 3000},
        {"S", 800, 600, 1024, 768, true, 1024, 768},     {"Stretch", 3000, 1000, 1024, 768, true, 1024, 768},
        {"n", 1920, 1080, 1024, 768, true, 1024, 576},   {"s", 800, 600, 1024, 768, false, 800, 600},  // no mode: "P"
    };
    for (const auto& c : cases) {
        const CImageTools::FitDecision d = CImageTools::DecideFit(c.mode, c.w, c.h, c.sw, c.sh);
        EXPECT_EQ(std::make_tuple(d.scaled, d.width, d.height), std::make_tuple(c.scaled, c.fw, c.fh)) << &c - cases;
        const RECT r = CImageTools::FitRect(c.w, c.h, c.sw, c.sh);  // the "P" rule
        EXPECT_TRUE(c.mode[0] != 'P' || (r.left == 0 && r.top == 0 && r.right == c.fw && r.bottom == c.fh));
    }
}

TEST(ImageToolsDib, StretchGivesAScreenFormatDibOfExactlyTheAskedSizeWithBlendedColours)
{
    CImageTools tools;
    // A red top row over white: the rows must run bottom-up, right after the header.
    const Image image = MakeImage(64, 48, [](int, int y) { return y ? kWhite : kRed; });
    // Red, green, blue and white columns: ANDing them (the default) gives black, blending keeps them bright.
    const Image stripes = MakeImage(64, 16, [](int x, int) { return kStripes[x % 4]; });
    const DibBlock same{tools.StretchToDib(image.get(), 64, 48)}, odd{tools.StretchToDib(image.get(), 33, 17)},
        shrunk{tools.StretchToDib(stripes.get(), 16, 4)};
    ASSERT_TRUE(same.h && odd.h && shrunk.h);
    const BITMAPINFOHEADER& h = odd.Header();
    EXPECT_EQ(std::make_tuple(h.biSize, h.biWidth, h.biHeight, h.biBitCount, h.biCompression),
              std::make_tuple(40UL, 33L, 17L, WORD{32}, static_cast<DWORD>(BI_RGB)));
    EXPECT_EQ(std::make_pair(same.At(1, 47), same.At(63, 0)), std::make_pair(kRed, kWhite));
    EXPECT_EQ(tools.StretchToDib(image.get(), 100000, 100000), nullptr);  // past a 32-bit size
    HDC screen = ::GetDC(nullptr);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 8, 8);
    ::ReleaseDC(nullptr, screen);
    EXPECT_EQ(tools.BitmapToDib(bitmap, BI_BITFIELDS, nullptr), nullptr);  // refused outright
    HGLOBAL block = tools.BitmapToDib(bitmap, BI_RGB, nullptr);
    EXPECT_NE(block, nullptr);
    ::GlobalFree(block);
    ::DeleteObject(bitmap);
    for (int i = 0; i < 16 * 4; ++i)
        EXPECT_NE(shrunk.At(i % 16, i / 16) & 0xC0C0C0, 0u) << "black at " << i;
}

TEST(ImageToolsWrite, HeaderDescribesTheBlockAndAFailedWriteLeavesTheOldFile)
{
    TempDir dir;
    CImageTools tools;
    const Image grey(FreeImage_Allocate(8, 2, 8), &CImageTools::FI_Unload);  // comes with a grey table
    HBITMAP section = ::CreateDIBSection(nullptr, FreeImage_GetInfo(grey.get()), DIB_RGB_COLORS, nullptr, nullptr, 0);
    const DibBlock blocks[] = {{tools.BitmapToDib(section, BI_RGB, nullptr)}, {tools.StretchToDib(grey.get(), 5, 3)}};
    ::DeleteObject(section);
    const std::string file = dir / "wall.bmp";
    for (const DibBlock& dib : blocks) {
        WriteFileBytes(file, std::string(5000, 'o'));  // an older, longer file goes entirely
        const DWORD size = ::GlobalSize(dib.h);
        const BITMAPFILEHEADER fh = {0x4D42, size + 14, 0, 0, &dib == blocks ? 1078UL : 54UL};  // "BM"
        EXPECT_TRUE(tools.WriteDib(file, dib.h) &&
                    ReadFileBytes(file) == std::string(reinterpret_cast<const char*>(&fh), sizeof fh) +
                                               std::string(static_cast<const char*>(dib.Bytes()), size));
    }

    const auto write = [&] { return tools.WriteDib(file, blocks[1].h) || tools.SaveImageAsBmp(grey.get(), file); };
    const std::string old = ReadFileBytes(file);
    ASSERT_TRUE(::CreateDirectoryA((file + ".tmp").c_str(), nullptr));  // the temporary file's name is taken
    EXPECT_FALSE(write());
    ASSERT_TRUE(::RemoveDirectoryA((file + ".tmp").c_str()) &&
                ::SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(write());  // the target cannot be replaced
    ::SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_FALSE(tools.WriteDib(file, nullptr) || tools.SaveImageAsBmp(nullptr, file) ||
                 tools.WriteDib(dir / "nowhere\\wall.bmp", blocks[1].h) || tools.WriteDib(dir / "new.bmp", nullptr));
    EXPECT_EQ(ReadFileBytes(file), old);
    EXPECT_FALSE(PathExists(file + ".tmp") || PathExists(dir / "nowhere") || PathExists(dir / "new.bmp"));
}

// Each output pixel the mean of the source area it covers, partial pixels by their share; RGB, y from the top.
static std::vector<double> AreaAverage(FIBITMAP* image, int w, int h)
{
    const int sw = FreeImage_GetWidth(image), sh = FreeImage_GetHeight(image);
    std::vector<double> sum(size_t(w) * h * 3), area(size_t(w) * h);
    for (int sy = 0; sy < sh; ++sy)
        for (int sx = 0; sx < sw; ++sx) {
            RGBQUAD c = {};
            FreeImage_GetPixelColor(image, sx, sh - 1 - sy, &c);
            // The source pixel's span in output coordinates, cut by each output pixel it meets.
            const double x0 = double(sx) * w / sw, x1 = double(sx + 1) * w / sw, y0 = double(sy) * h / sh,
                         y1 = double(sy + 1) * h / sh;
            for (int y = int(y0); y < h && y < y1; ++y)
                for (int x = int(x0); x < w && x < x1; ++x) {
                    const double share = (std::min(x1, x + 1.0) - std::max(x0, double(x))) *
                                         (std::min(y1, y + 1.0) - std::max(y0, double(y)));
                    const size_t i = size_t(y) * w + x;
                    area[i] += share;
                    sum[i * 3] += share * c.rgbRed, sum[i * 3 + 1] += share * c.rgbGreen, sum[i * 3 + 2] += share * c.rgbBlue;
                }
        }
    for (size_t i = 0; i < sum.size(); ++i)
        sum[i] /= area[i / 3];
    return sum;
}

// Big shrinks stay within 40 dB of the area average (GDI's HALFTONE under Wine interpolates, aliases and falls
// far short): of a harshly detailed BMP, and of a photo-like JPEG decoded at a reduced scale on the way.
TEST(ImageToolsQuality, ShrinkingStaysWithin40dBOfAnAreaAverage)
{
    TempDir dir;
    const Image detail = MakeImage(480, 320, [](int x, int y) -> DWORD {  // gradients, fine stripes, strong grain, an edge
        const auto clamp = [](int v) { return DWORD(std::max(0, std::min(255, v))); };
        const int grain = int((unsigned(x) * 2654435761u ^ unsigned(y) * 40503u) >> 26) - 32;
        const int stripes = (x / 2 + y / 3) % 3 * 40, edge = (x - 200) * (x - 200) + (y - 150) * (y - 150) < 6400 ? 90 : 0;
        return clamp(60 + x / 3 + grain + edge) << 16 | clamp(40 + stripes + grain) << 8 | clamp(200 - y / 2 + stripes - edge);
    });
    const Image photo = MakeImage(480, 320, [](int x, int y) -> DWORD {  // shading, texture, grain and an edge, as cameras see
        const auto clamp = [](int v) { return DWORD(std::max(0, std::min(255, v))); };
        const int grain = int((unsigned(x) * 2654435761u ^ unsigned(y) * 40503u) >> 28) - 8;
        const int texture = int(20 * std::sin(x * 0.3 + std::sin(y * 0.1) * 3)), edge = (x - 200) * (x - 200) + (y - 150) * (y - 150) < 6400 ? 70 : 0;
        return clamp(60 + x / 3 + grain + edge) << 16 | clamp(90 + texture + grain) << 8 | clamp(200 - y / 2 + texture - edge);
    });
    ASSERT_TRUE(FreeImage_Save(FIF_BMP, detail.get(), (dir / "detail.bmp").c_str(), 0) &&
                FreeImage_Save(FIF_JPEG, photo.get(), (dir / "photo.jpg").c_str(), 90));
    const struct { const char* name; int w, h, decodedWidth; } cases[] = {  // the JPEG decodes at 1/2 and 1/4
        {"detail.bmp", 130, 87, 480}, {"detail.bmp", 37, 211, 480}, {"photo.jpg", 130, 87, 240}, {"photo.jpg", 97, 61, 120},
    };
    CImageTools tools;
    for (const auto& c : cases) {
        const Image full(tools.LoadImageFile(dir / c.name), &CImageTools::FI_Unload);
        const Image decoded(tools.LoadImageFile(dir / c.name, c.w, c.h), &CImageTools::FI_Unload);
        ASSERT_TRUE(full && decoded) << c.name;
        EXPECT_EQ(CImageTools::FI_GetWidth(decoded.get()), c.decodedWidth) << c.name;
        const std::vector<double> reference = AreaAverage(full.get(), c.w, c.h);
        const DibBlock shrunk{tools.StretchToDib(decoded.get(), c.w, c.h)};
        ASSERT_TRUE(shrunk.h && shrunk.Header().biWidth == c.w && shrunk.Header().biHeight == c.h) << c.name;
        double error = 0;
        for (int i = 0; i < c.w * c.h; ++i) {
            const DWORD got = shrunk.At(i % c.w, c.h - 1 - i / c.w);
            for (int k = 0; k < 3; ++k)
                error += std::pow(double(got >> (16 - 8 * k) & 0xFF) - reference[size_t(i) * 3 + k], 2);
        }
        EXPECT_GE(10 * std::log10(255.0 * 255.0 * 3 * c.w * c.h / error), 40.0) << c.name << " " << c.w << "x" << c.h;
    }
}
