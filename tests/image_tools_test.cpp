#include <windows.h>

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "engine/image_tools.h"
#include "tests/test_support.h"

using namespace testing_support;

const COLORREF kRed = RGB(255, 0, 0), kWhite = RGB(255, 255, 255);
const COLORREF kStripes[] = {kRed, RGB(0, 255, 0), RGB(0, 0, 255), kWhite};

struct DibBlock {  // a packed DIB, freed when the test ends; At reads a 32-bit one, y from the bottom
    HGLOBAL h;
    ~DibBlock() { ::GlobalFree(h); }
    const void* Bytes() const { return ::GlobalLock(h); }
    const BITMAPINFOHEADER& Header() const { return *static_cast<const BITMAPINFOHEADER*>(Bytes()); }
    COLORREF At(int x, int y) const {
        const DWORD v = static_cast<const DWORD*>(Bytes())[10 + y * Header().biWidth + x];
        return RGB(v >> 16 & 0xFF, v >> 8 & 0xFF, v & 0xFF);
    }
};

// The extension decides whether a file is a picture, its content which decoder reads it (damaged files: the
// corpus).
TEST(ImageToolsLoad, ExtensionAdmitsContentDecides)
{
    TempDir dir;
    ASSERT_TRUE(MakeImageFile(dir / "photo.jpg", 40, 30) && MakeImageFile(dir / "a.b.bmp", 17, 9) &&
                MakeImageFile(dir / "shot.png", 23, 5) && MakeImageFile(dir / "web.webp", 19, 7));
    ASSERT_TRUE(::CreateDirectoryA((dir / "set.jpg").c_str(), nullptr));
    const std::string jpeg = ReadFileBytes(dir / "photo.jpg"), bmp = ReadFileBytes(dir / "a.b.bmp"),
                      png = ReadFileBytes(dir / "shot.png"), webp = ReadFileBytes(dir / "web.webp");
    const struct { const char* name; std::string bytes; int width; } cases[] = {  // width 0: no image
        {"UPPER.JPG", jpeg, 40}, {"a.b.bmp", bmp, 17}, {"set.jpg\\inner.BMP", bmp, 17}, {"photo.jpeg", jpeg, 40},
        {"photo.JPE", jpeg, 40}, {"photo.jfif", jpeg, 40}, {"shot.PNG", png, 23}, {"web.webp", webp, 19},
        {"noextension", jpeg, 0}, {"set.jpg\\picture", jpeg, 0}, {"photo.jpg.txt", jpeg, 0}, {"shot.gif", png, 0},
        {"bmp-inside.jpg", bmp, 17}, {"jpeg-inside.bmp", jpeg, 40}, {"png-inside.jpg", png, 23},
        {"webp-inside.jpeg", webp, 19}, {"text-inside.png", "plain text, no picture at all", 0},
        {"nowhere\\missing.jpg", "not written", 0},
    };
    for (const auto& c : cases) {
        WriteFileBytes(dir / c.name, c.bytes);
        const Image image(CImageTools().LoadImageFile(dir / c.name), &CImageTools::FI_Unload);
        EXPECT_EQ(image ? CImageTools::FI_GetWidth(image.get()) : 0, c.width) << c.name;
    }
}

// Reductions truncate; the width is fitted first; an unknown mode (lower case included) is "P".
TEST(ImageToolsFit, ShrinksWidthFirstNeverEnlargesAndFollowsTheMode)
{
    const struct { const char* mode; int w, h, sw, sh; bool scaled; int fw, fh; } cases[] = {
        {"P", 1366, 1000, 1024, 768, true, 1024, 750},   {"P", 1600, 1200, 160, 115, true, 154, 115},
        {"P", 3000, 3000, 1024, 768, true, 768, 768},    {"P", 1024, 768, 1024, 768, false, 1024, 768},
        {"P", 0x7FFFFFFF, 0x7FFFFFFF, 1, 1, true, 1, 1}, {"", 1024, 769, 1024, 768, true, 1023, 768},
        {"N", 3000, 3000, 1024, 768, false, 3000, 3000}, {"Stretch", 3000, 1000, 1024, 768, true, 1024, 768},
        {"n", 1920, 1080, 1024, 768, true, 1024, 576},   {"s", 800, 600, 1024, 768, false, 800, 600},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        const CImageTools::FitDecision d = CImageTools::DecideFit(CSettings::FitModeOf(c.mode), c.w, c.h, c.sw, c.sh);
        EXPECT_EQ(d.scaled, c.scaled);
        EXPECT_EQ(d.width, c.fw);
        EXPECT_EQ(d.height, c.fh);
        EXPECT_FALSE(d.cropped);
    }
}

// Fill (F) covers the screen and crops the overflow, centred; Fit (E) scales up or down until the picture
// just fits. Both keep the shape; strips keep at least one pixel.
TEST(ImageToolsFit, FillCropsTheOverflowAndFitEnlargesToo)
{
    const struct { char mode; int w, h, sw, sh; bool scaled; int fw, fh, coverW, coverH; RECT part; } cases[] = {
        {'F', 1600, 900, 1024, 768, true, 1024, 768, 1365, 768, {200, 0, 1400, 900}},    // wider: sides cut
        {'F', 900, 1600, 1024, 768, true, 1024, 768, 1024, 1820, {0, 462, 900, 1137}},   // taller: top and bottom
        {'F', 800, 600, 1024, 768, true, 1024, 768, 1024, 768, {0, 0, 800, 600}},        // smaller, same shape
        {'F', 1024, 768, 1024, 768, false, 1024, 768, 1024, 768, {0, 0, 1024, 768}},     // exactly the screen
        {'F', 1, 3000, 1024, 768, true, 1024, 768, 1024, 3072000, {0, 1499, 1, 1500}},   // a strip: one pixel of it
        {'E', 800, 600, 1024, 768, true, 1024, 768, 1024, 768, {0, 0, 800, 600}},        // smaller: enlarged
        {'E', 1600, 900, 1024, 768, true, 1024, 576, 1024, 576, {0, 0, 1600, 900}},      // wider: bars above, below
        {'E', 900, 1600, 1024, 768, true, 432, 768, 432, 768, {0, 0, 900, 1600}},        // taller: bars beside
        {'E', 1024, 768, 1024, 768, false, 1024, 768, 1024, 768, {0, 0, 1024, 768}},
        {'E', 3000, 1, 1024, 768, true, 1024, 1, 1024, 1, {0, 0, 3000, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        const CImageTools::FitDecision d = CImageTools::DecideFit(CSettings::FitModeOf(std::string(1, c.mode)), c.w,
                                                                  c.h, c.sw, c.sh);
        EXPECT_EQ(d.scaled, c.scaled);
        EXPECT_EQ(std::vector<int>({d.width, d.height, d.coverWidth, d.coverHeight}),
                  std::vector<int>({c.fw, c.fh, c.coverW, c.coverH}));
        EXPECT_EQ(d.cropped, d.coverWidth != d.width || d.coverHeight != d.height);
        const RECT part = d.cropped ? CImageTools::CoverPart(c.w, c.h, d.width, d.height) : RECT{0, 0, c.w, c.h};
        EXPECT_EQ(std::vector<LONG>({part.left, part.top, part.right, part.bottom}),
                  std::vector<LONG>({c.part.left, c.part.top, c.part.right, c.part.bottom}));
    }
}

// Filling a 1600 x 900 picture of 100-pixel coloured bands into 1024 x 768 shows bands 2 to 13, each
// edge column the colour of the band it cuts into.
TEST(ImageToolsFit, FillShowsTheMiddleBands)
{
    const auto band = [](int x) { return RGB(x / 100 * 16, 255 - x / 100 * 16, x / 100 % 2 * 255); };
    const Image bands = MakePicture(1600, 900, [&](int x, int) { return band(x); });
    const RECT part = CImageTools::CoverPart(1600, 900, 1024, 768);
    const DibBlock filled{CImageTools().StretchToDib(bands.get(), 1024, 768, &part)};
    ASSERT_TRUE(filled.h && filled.Header().biWidth == 1024 && filled.Header().biHeight == 768);
    for (int y : {0, 400, 767}) {
        EXPECT_EQ(filled.At(0, y), band(200));
        EXPECT_EQ(filled.At(1023, y), band(1399));
        EXPECT_EQ(filled.At(512, y), band(800));
    }
}

// Enlarging interpolates (no repeated pixels): within 35 dB of a bilinear reference on a detailed picture.
TEST(ImageToolsQuality, EnlargingInterpolates)
{
    const auto value = [](int x, int y) { return BYTE((x * 37 + y * 91 + (x * y) % 23 * 5) % 256); };
    const int w = 40, h = 30, W = 157, H = 113;
    const Image small = MakePicture(w, h, [&](int x, int y) { return RGB(value(x, y), value(y, x), value(x + 7, y)); });
    const DibBlock large{CImageTools().StretchToDib(small.get(), W, H)};
    ASSERT_TRUE(large.h);
    const auto sample = [&](double at, int size, int& i) {  // the left or upper neighbour and the share of the other
        at = std::clamp(at, 0.0, double(size - 1));
        i = std::min(int(at), size - 2);
        return at - i;
    };
    double error = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            int x0, y0;
            const double fx = sample((x + 0.5) * w / W - 0.5, w, x0), fy = sample((y + 0.5) * h / H - 0.5, h, y0);
            const COLORREF got = large.At(x, H - 1 - y);
            for (int k = 0; k < 3; ++k) {
                const auto c = [&](int px, int py) {
                    RGBQUAD q;
                    FreeImage_GetPixelColor(small.get(), px, h - 1 - py, &q);
                    return double(k == 0 ? q.rgbRed : k == 1 ? q.rgbGreen : q.rgbBlue);
                };
                const double want = (c(x0, y0) * (1 - fx) + c(x0 + 1, y0) * fx) * (1 - fy) +
                                    (c(x0, y0 + 1) * (1 - fx) + c(x0 + 1, y0 + 1) * fx) * fy;
                error += std::pow((k == 0 ? GetRValue(got) : k == 1 ? GetGValue(got) : GetBValue(got)) - want, 2);
            }
        }
    EXPECT_GE(10 * std::log10(255.0 * 255.0 * 3 * W * H / std::max(error, 1.0)), 35.0);
}

// A screen-format DIB of exactly the asked size, bottom-up rows right after the header, every source row
// and column counted; shrunk red, green, blue and white columns blend instead of ANDing to black.
TEST(ImageToolsDib, StretchGivesAScreenFormatDibOfExactlyTheAskedSize)
{
    CImageTools tools;
    const Image image = MakePicture(64, 48, [](int x, int y) { return y == 0 || x == 63 ? kRed : kWhite; });
    const Image stripes = MakePicture(64, 16, [](int x, int) { return kStripes[x % 4]; });
    const DibBlock same{tools.StretchToDib(image.get(), 64, 48)}, odd{tools.StretchToDib(image.get(), 33, 17)},
        shrunk{tools.StretchToDib(stripes.get(), 16, 4)};
    ASSERT_TRUE(same.h && odd.h && shrunk.h);
    EXPECT_EQ(odd.Header().biSize, 40u);
    EXPECT_EQ(odd.Header().biWidth, 33);
    EXPECT_EQ(odd.Header().biHeight, 17);
    EXPECT_EQ(odd.Header().biBitCount, 32);
    EXPECT_EQ(odd.Header().biCompression, DWORD(BI_RGB));
    EXPECT_EQ(same.At(1, 47), kRed);  // the top row
    EXPECT_EQ(same.At(63, 20), kRed);  // the last column
    EXPECT_EQ(same.At(62, 0), kWhite);
    // At its own size a picture comes out pixel for pixel, from 24-bit rows (padded) and from 32-bit ones.
    const auto noise = [](int x, int y) { return COLORREF((unsigned(x) * 2654435761u ^ unsigned(y) * 40503u) & 0xFFFFFF); };
    const Image odd24 = MakePicture(37, 5, noise);
    const Image odd32(FreeImage_ConvertTo32Bits(odd24.get()), &FreeImage_Unload);
    for (FIBITMAP* picture : {odd24.get(), odd32.get()}) {
        const DibBlock copy{tools.StretchToDib(picture, 37, 5)};
        ASSERT_TRUE(copy.h);
        for (int i = 0; i < 37 * 5; ++i)
            ASSERT_EQ(copy.At(i % 37, 4 - i / 37), noise(i % 37, i / 37)) << FreeImage_GetBPP(picture) << " bit, " << i;
    }
    for (int i = 0; i < 16 * 4; ++i)
        EXPECT_NE(shrunk.At(i % 16, i / 16) & 0xC0C0C0, 0u) << "black at " << i;
    EXPECT_EQ(tools.StretchToDib(image.get(), 100000, 100000), nullptr);  // past a 32-bit size
    // 300:1, each span's bottom row white: the mean, 255/300, rounds to 1 (tap weights must stay positive).
    const Image lines = MakePicture(1, 3000, [](int, int y) { return y % 300 == 299 ? kWhite : 0; });
    const DibBlock thin{tools.StretchToDib(lines.get(), 1, 10)};
    for (int y = 0; y < 10; ++y)
        EXPECT_EQ(thin.At(0, y), RGB(1, 1, 1)) << y;

    HDC screen = ::GetDC(nullptr);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 8, 8);
    ::ReleaseDC(nullptr, screen);
    EXPECT_EQ(tools.BitmapToDib(bitmap, BI_BITFIELDS, nullptr), nullptr);  // refused outright
    const DibBlock block{tools.BitmapToDib(bitmap, BI_RGB, nullptr)};
    EXPECT_NE(block.h, nullptr);
    ::DeleteObject(bitmap);
}

// Halving is the mean of each 2x2 block, for a small picture and for one big enough to be made on two threads.
TEST(ImageToolsQuality, HalvingIsTheMeanOfEachBlock)
{
    const auto noise = [](int x, int y) { return COLORREF((unsigned(x) * 2654435761u ^ unsigned(y) * 40503u) & 0xFFFFFF); };
    for (const int w : {64, 2400}) {
        const int h = w * 3 / 4;
        const Image picture = MakePicture(w, h, noise);
        const DibBlock half{CImageTools().StretchToDib(picture.get(), w / 2, h / 2)};
        ASSERT_TRUE(half.h) << w;
        int wrong = 0;
        for (int y = 0; y < h / 2; ++y)
            for (int x = 0; x < w / 2; ++x) {
                const COLORREF got = half.At(x, h / 2 - 1 - y);
                for (int shift : {0, 8, 16}) {
                    int sum = 0;
                    for (int k = 0; k < 4; ++k)
                        sum += noise(2 * x + k % 2, 2 * y + k / 2) >> shift & 0xFF;
                    wrong += std::abs(int(got >> shift & 0xFF) - (sum + 2) / 4) > 1;
                }
            }
        EXPECT_EQ(wrong, 0) << w << "x" << h;
    }
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
        ASSERT_TRUE(tools.WriteDib(file, dib.h));
        EXPECT_TRUE(ReadFileBytes(file) == std::string(reinterpret_cast<const char*>(&fh), sizeof fh) +
                                               std::string(static_cast<const char*>(dib.Bytes()), size));
    }

    // Written a band at a time, the file is the one the whole block makes: small, cropped, many bands, two threads.
    const auto noise = [](int x, int y) { return COLORREF((unsigned(x) * 2654435761u ^ unsigned(y) * 40503u) & 0xFFFFFF); };
    const Image small = MakePicture(600, 400, noise), big = MakePicture(2400, 1800, noise);
    const RECT crop = {50, 20, 530, 390};
    const struct { FIBITMAP* picture; int w, h; const RECT* part; } streamed[] = {
        {grey.get(), 5, 3, nullptr}, {small.get(), 3000, 200, nullptr}, {small.get(), 333, 257, &crop},
        {big.get(), 1200, 900, nullptr}, {big.get(), 2400, 1800, nullptr},
    };
    for (const auto& c : streamed) {
        const DibBlock whole{tools.StretchToDib(c.picture, c.w, c.h, c.part)};
        ASSERT_TRUE(whole.h && tools.WriteDib(dir / "whole.bmp", whole.h) && tools.WriteStretched(file, c.picture, c.w, c.h, c.part));
        EXPECT_TRUE(ReadFileBytes(file) == ReadFileBytes(dir / "whole.bmp")) << c.w << "x" << c.h;
    }
    bool notScaled = false;
    EXPECT_FALSE(tools.WriteStretched(file, grey.get(), 100000, 100000, nullptr, &notScaled));  // past a 32-bit size
    EXPECT_TRUE(notScaled);

    const auto write = [&] {
        notScaled = false;
        return tools.WriteDib(file, blocks[1].h) || tools.SaveImageAsBmp(grey.get(), file) ||
               tools.WriteStretched(file, grey.get(), 5, 3, nullptr, &notScaled) || notScaled;
    };
    const std::string old = ReadFileBytes(file);
    ASSERT_TRUE(::CreateDirectoryA((file + ".tmp").c_str(), nullptr));  // the temporary file's name is taken
    EXPECT_FALSE(write());
    ASSERT_TRUE(::RemoveDirectoryA((file + ".tmp").c_str()));
    ASSERT_TRUE(::SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(write());  // the target cannot be replaced
    ::SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_FALSE(tools.WriteDib(file, nullptr));
    EXPECT_FALSE(tools.SaveImageAsBmp(nullptr, file));
    EXPECT_FALSE(tools.WriteDib(dir / "nowhere\\wall.bmp", blocks[1].h));
    EXPECT_FALSE(tools.WriteStretched(dir / "nowhere\\wall.bmp", grey.get(), 5, 3, nullptr, &notScaled) || notScaled);
    EXPECT_EQ(ReadFileBytes(file), old);
    EXPECT_FALSE(PathExists(file + ".tmp"));
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
    // Gradients, fine stripes (BMP) or a wavy texture (JPEG), grain and an edge.
    const auto picture = [](bool detailed) {
        return MakePicture(480, 320, [=](int x, int y) {
            const auto clamp = [](int v) { return BYTE(std::max(0, std::min(255, v))); };
            const int grain = int((unsigned(x) * 2654435761u ^ unsigned(y) * 40503u) >> (detailed ? 26 : 28)) - (detailed ? 32 : 8);
            const int texture = detailed ? (x / 2 + y / 3) % 3 * 40 : int(20 * std::sin(x * 0.3 + std::sin(y * 0.1) * 3));
            const int edge = (x - 200) * (x - 200) + (y - 150) * (y - 150) < 6400 ? (detailed ? 90 : 70) : 0;
            return RGB(clamp(60 + x / 3 + grain + edge), clamp((detailed ? 40 : 90) + texture + grain),
                       clamp(200 - y / 2 + texture - edge));
        });
    };
    const Image detail = picture(true), photo = picture(false);
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
            const COLORREF got = shrunk.At(i % c.w, c.h - 1 - i / c.w);
            const BYTE parts[3] = {GetRValue(got), GetGValue(got), GetBValue(got)};
            for (int k = 0; k < 3; ++k)
                error += std::pow(parts[k] - reference[size_t(i) * 3 + k], 2);
        }
        EXPECT_GE(10 * std::log10(255.0 * 255.0 * 3 * c.w * c.h / error), 40.0) << c.name << " " << c.w << "x" << c.h;
    }
}

// An opaque RGB PNG is decoded scaled, each pixel the mean of the area it covers, never smaller than asked
// for; an interlaced one, or one with alpha, comes whole.
TEST(ImageToolsLoad, PngShrinksByAreaMeansWhileDecoded)
{
    TempDir dir;
    const auto noise = [](int x, int y) { return COLORREF((unsigned(x) * 2654435761u ^ unsigned(y) * 40503u) & 0xFFFFFF); };
    const Image rgb = MakePicture(300, 200, noise);
    const Image rgba(FreeImage_ConvertTo32Bits(rgb.get()), &FreeImage_Unload);
    FreeImage_GetScanLine(rgba.get(), 190)[5 * 4 + FI_RGBA_ALPHA] = 254;  // all opaque would be saved as RGB
    WriteFileBytes(dir / "rgb.png", EncodeAs(rgb.get(), FIF_PNG));
    WriteFileBytes(dir / "adam7.png", EncodeAs(rgb.get(), FIF_PNG, PNG_INTERLACED));
    WriteFileBytes(dir / "alpha.png", EncodeAs(rgba.get(), FIF_PNG));
    const struct { const char* name; int minW, minH, w, h; } cases[] = {
        {"rgb.png", 150, 100, 150, 100}, {"rgb.png", 100, 66, 100, 67},   {"rgb.png", 7, 0, 7, 5},
        {"rgb.png", 299, 1, 299, 200},   {"rgb.png", 0, 0, 300, 200},     {"adam7.png", 100, 66, 300, 200},
        {"alpha.png", 100, 66, 300, 200},
    };
    for (const auto& c : cases) {
        const Image image(CImageTools().LoadImageFile(dir / c.name, c.minW, c.minH), &CImageTools::FI_Unload);
        ASSERT_TRUE(image) << c.name;
        ASSERT_EQ(CImageTools::FI_GetWidth(image.get()) * 1000 + CImageTools::FI_GetHeight(image.get()), c.w * 1000 + c.h)
            << c.name << " " << c.minW << "x" << c.minH;
        const std::vector<double> reference = AreaAverage(rgb.get(), c.w, c.h);
        int wrong = 0;
        for (int i = 0; i < c.w * c.h; ++i) {
            RGBQUAD got = {};
            FreeImage_GetPixelColor(image.get(), i % c.w, c.h - 1 - i / c.w, &got);
            const BYTE parts[3] = {got.rgbRed, got.rgbGreen, got.rgbBlue};
            for (int k = 0; k < 3; ++k)
                wrong += std::abs(parts[k] - reference[size_t(i) * 3 + k]) > 1;
        }
        EXPECT_EQ(wrong, 0) << c.name << " " << c.minW << "x" << c.minH;
    }
}
