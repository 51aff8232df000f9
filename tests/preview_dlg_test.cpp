#include <windows.h>

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "library/preview_dlg.h"
#include "resource.h"
#include "tests/main_window_driver.h"
#include "tests/main_window_fixture.h"
#include "tests/test_support.h"

using namespace testing_support;

namespace {

const COLORREF kBackground = RGB(109, 115, 170);
const COLORREF kInfoBack = RGB(1, 1, 1);
const COLORREF kInfoText = RGB(173, 214, 255);
const COLORREF kPicture = RGB(200, 40, 40);
const char kOwnerClass[] = "KavroPreviewTestOwner";

// The fitting rule written out once more: width first, and the reduction,
// not the kept size, is truncated.
SIZE ExpectedFit(int w, int h, int maxW, int maxH)
{
    double fw = w, fh = h;
    if (fw > maxW) {
        fh -= std::trunc((fw - maxW) / fw * fh);
        fw = maxW;
    }
    if (fh > maxH) {
        fw -= std::trunc((fh - maxH) / fh * fw);
        fh = maxH;
    }
    return SIZE{static_cast<LONG>(fw), static_cast<LONG>(fh)};
}

SIZE BitmapSize(HBITMAP bitmap)
{
    BITMAP bm = {};
    if (!bitmap || ::GetObjectA(bitmap, sizeof bm, &bm) != static_cast<int>(sizeof bm))
        return SIZE{-1, -1};
    return SIZE{bm.bmWidth, bm.bmHeight};
}

// The bitmap's pixels, top row first, as COLORREFs.
std::vector<COLORREF> ReadPixels(HBITMAP bitmap, int w, int h)
{
    std::vector<COLORREF> out;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> raw(static_cast<size_t>(w) * h);
    HDC screen = ::GetDC(nullptr);
    const int lines = ::GetDIBits(screen, bitmap, 0, h, raw.data(), &bi, DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, screen);
    if (lines != h)
        return out;
    for (DWORD p : raw)
        out.push_back(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
    return out;
}

bool Near(COLORREF a, COLORREF b, int tolerance)
{
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance &&
           std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

std::string Hex(COLORREF c)
{
    char text[32];
    std::snprintf(text, sizeof text, "RGB(%d,%d,%d)", GetRValue(c), GetGValue(c), GetBValue(c));
    return text;
}

// A 24-bit BMP whose columns run red, green, blue, white, red, ...
bool MakeStripes(const std::string& path, int w, int h)
{
    FIBITMAP* dib = FreeImage_Allocate(w, h, 24);
    if (!dib)
        return false;
    static const BYTE kStripes[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    for (int y = 0; y < h; ++y) {
        BYTE* row = FreeImage_GetScanLine(dib, y);
        for (int x = 0; x < w; ++x) {
            row[x * 3 + FI_RGBA_RED] = kStripes[x % 4][0];
            row[x * 3 + FI_RGBA_GREEN] = kStripes[x % 4][1];
            row[x * 3 + FI_RGBA_BLUE] = kStripes[x % 4][2];
        }
    }
    const BOOL ok = FreeImage_Save(FIF_BMP, dib, path.c_str(), 0);
    FreeImage_Unload(dib);
    return ok != FALSE;
}

// An 8-bit RLE BMP of w x h that is nothing but "end of bitmap": a few
// bytes on disk, w x h bytes once decoded, four times that on a 32-bit screen.
void WriteEmptyRleBmp(const std::string& path, int w, int h)
{
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    static_assert(sizeof file == 14, "packed file header");
    std::string palette(256 * 4, '\0');
    for (int i = 0; i < 256; ++i)
        std::memset(&palette[i * 4], i, 3);
    const std::string pixels("\x00\x01", 2);
    file.bfType = 0x4D42;
    file.bfOffBits = static_cast<DWORD>(sizeof file + sizeof info + palette.size());
    file.bfSize = static_cast<DWORD>(file.bfOffBits + pixels.size());
    info.biSize = sizeof info;
    info.biWidth = w;
    info.biHeight = h;
    info.biPlanes = 1;
    info.biBitCount = 8;
    info.biCompression = BI_RLE8;
    info.biSizeImage = static_cast<DWORD>(pixels.size());
    info.biClrUsed = 256;
    WriteFileBytes(path, std::string(reinterpret_cast<const char*>(&file), sizeof file) +
                             std::string(reinterpret_cast<const char*>(&info), sizeof info) + palette + pixels);
}

class PreviewDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = ::DefWindowProcA;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = kOwnerClass;
        ::RegisterClassA(&wc);  // fails harmlessly from the second test on
        m_owner = ::CreateWindowExA(0, kOwnerClass, "Preview owner", WS_POPUP | WS_BORDER,
                                    50, 50, 400, 300, nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_NE(m_owner, nullptr);
        m_list = ::CreateWindowExA(WS_EX_CLIENTEDGE, "Edit", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP,
                                   10, 10, 200, 100, m_owner,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_LIST_FILES)),
                                   wc.hInstance, nullptr);
        ASSERT_NE(m_list, nullptr);
        m_dlg = new CPreviewDlg;
        if (!m_dlg->Create(m_owner)) {
            delete m_dlg;
            m_dlg = nullptr;
            FAIL() << "the preview window was not created";
        }
    }

    void TearDown() override
    {
        // The preview goes with its owner and deletes itself.
        if (m_owner)
            ::DestroyWindow(m_owner);
        Pump();
    }

    HWND Preview() const { return m_dlg->m_hWnd; }
    HWND Picture() const { return m_dlg->Item(IDC_PREVIEW_PICTURE); }
    HWND Info() const { return m_dlg->Item(IDC_PREVIEW_INFO); }
    std::string InfoText() const { return WindowText(Info()); }
    HBITMAP ShownBitmap() const
    {
        return reinterpret_cast<HBITMAP>(::SendMessageA(Picture(), STM_GETIMAGE, IMAGE_BITMAP, 0));
    }
    SIZE PictureArea() const
    {
        RECT rc = {};
        ::GetClientRect(Picture(), &rc);
        return SIZE{rc.right - rc.left, rc.bottom - rc.top};
    }
    // Shown without activation: under Xvfb (no window manager) Wine waits
    // two seconds for every managed window it unmaps, and the owner of a
    // pop-up counts as managed once shown.
    void ShowPreview(bool withOwner = false)
    {
        if (withOwner)
            ::ShowWindow(m_owner, SW_SHOWNOACTIVATE);
        ::SetWindowPos(Preview(), nullptr, 500, 100, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        ::UpdateWindow(Preview());
        Pump(50);
    }

    TempDir m_dir;
    HWND m_owner = nullptr;
    HWND m_list = nullptr;
    CPreviewDlg* m_dlg = nullptr;
};

TEST(PreviewDlgFit, RuleOfTheTestMatchesTheWorkedExample)
{
    // 1600 x 1200 into 160 x 115: 160 x 120 after the width step, then
    // 160 - trunc(5/120 * 160) = 154 wide.
    const SIZE fit = ExpectedFit(1600, 1200, 160, 115);
    EXPECT_EQ(fit.cx, 154);
    EXPECT_EQ(fit.cy, 115);
}

TEST_F(PreviewDlgTest, StartsHiddenAndEmpty)
{
    EXPECT_FALSE(::IsWindowVisible(Preview()));
    EXPECT_EQ(m_dlg->PreviewBitmap(), nullptr);
    EXPECT_EQ(::GetWindow(Preview(), GW_OWNER), m_owner);
    EXPECT_EQ(::GetWindowLongPtrA(Preview(), GWL_STYLE) & WS_CAPTION, 0);
}

TEST_F(PreviewDlgTest, LargeJpegIsShrunkIntoThePictureArea)
{
    ASSERT_TRUE(MakeImageFile(m_dir / "big.jpg", 1600, 1200, kPicture));
    const SIZE area = PictureArea();
    ASSERT_GT(area.cx, 0);
    ASSERT_GT(area.cy, 0);
    std::printf("picture area %ld x %ld\n", static_cast<long>(area.cx), static_cast<long>(area.cy));

    ASSERT_TRUE(m_dlg->LoadPreviewImage(m_dir / "big.jpg"));
    const SIZE expected = ExpectedFit(1600, 1200, area.cx, area.cy);
    const SIZE got = BitmapSize(m_dlg->PreviewBitmap());
    EXPECT_EQ(got.cx, expected.cx);
    EXPECT_EQ(got.cy, expected.cy);
    EXPECT_EQ(InfoText(), "Resolution : 1600 x 1200 : 24");
    EXPECT_EQ(ShownBitmap(), m_dlg->PreviewBitmap());

    // The control keeps its size; the picture is centred in it.
    const SIZE after = PictureArea();
    EXPECT_EQ(after.cx, area.cx);
    EXPECT_EQ(after.cy, area.cy);

    const std::vector<COLORREF> px = ReadPixels(m_dlg->PreviewBitmap(), got.cx, got.cy);
    ASSERT_EQ(px.size(), static_cast<size_t>(got.cx) * got.cy);
    const COLORREF middle = px[(got.cy / 2) * got.cx + got.cx / 2];
    EXPECT_TRUE(Near(middle, kPicture, 16)) << Hex(middle);
}

TEST_F(PreviewDlgTest, SmallerImagesKeepTheirOwnSize)
{
    // BMP, lossless: every pixel lands where it was.
    ASSERT_TRUE(MakeImageFile(m_dir / "small.bmp", 40, 30, kPicture));
    ASSERT_TRUE(m_dlg->LoadPreviewImage(m_dir / "small.bmp"));
    const SIZE got = BitmapSize(m_dlg->PreviewBitmap());
    EXPECT_EQ(got.cx, 40);
    EXPECT_EQ(got.cy, 30);
    EXPECT_EQ(InfoText(), "Resolution : 40 x 30 : 24");
    const std::vector<COLORREF> px = ReadPixels(m_dlg->PreviewBitmap(), 40, 30);
    ASSERT_EQ(px.size(), 40u * 30u);
    EXPECT_EQ(px[15 * 40 + 20], kPicture) << Hex(px[15 * 40 + 20]);
    EXPECT_EQ(px[15 * 40 + 0], RGB(0, 0, 0)) << "left column";
    EXPECT_EQ(px[29 * 40 + 20], RGB(0, 0, 0)) << "bottom row";
    EXPECT_EQ(px[0 * 40 + 20], kPicture) << "top row";

    // A small JPEG too, and the exact size of the area is not enlarged either.
    const SIZE area = PictureArea();
    ASSERT_TRUE(MakeImageFile(m_dir / "exact.jpg", area.cx, area.cy, kPicture));
    ASSERT_TRUE(m_dlg->LoadPreviewImage(m_dir / "exact.jpg"));
    const SIZE exact = BitmapSize(m_dlg->PreviewBitmap());
    EXPECT_EQ(exact.cx, area.cx);
    EXPECT_EQ(exact.cy, area.cy);
}

TEST_F(PreviewDlgTest, PalettedBmpShowsItsDepthAndColours)
{
    FIBITMAP* colour = FreeImage_Allocate(20, 10, 24);
    ASSERT_NE(colour, nullptr);
    for (int y = 0; y < 10; ++y) {
        BYTE* row = FreeImage_GetScanLine(colour, y);
        for (int x = 0; x < 20; ++x)
            row[x * 3 + 0] = row[x * 3 + 1] = row[x * 3 + 2] = static_cast<BYTE>(x < 10 ? 30 : 220);
    }
    FIBITMAP* grey = FreeImage_ConvertTo8Bits(colour);
    FreeImage_Unload(colour);
    ASSERT_NE(grey, nullptr);
    const BOOL saved = FreeImage_Save(FIF_BMP, grey, (m_dir / "grey.bmp").c_str(), 0);
    FreeImage_Unload(grey);
    ASSERT_TRUE(saved);

    ASSERT_TRUE(m_dlg->LoadPreviewImage(m_dir / "grey.bmp"));
    EXPECT_EQ(InfoText(), "Resolution : 20 x 10 : 8");
    const std::vector<COLORREF> px = ReadPixels(m_dlg->PreviewBitmap(), 20, 10);
    ASSERT_EQ(px.size(), 200u);
    EXPECT_TRUE(Near(px[5 * 20 + 2], RGB(30, 30, 30), 2)) << Hex(px[5 * 20 + 2]);
    EXPECT_TRUE(Near(px[5 * 20 + 17], RGB(220, 220, 220), 2)) << Hex(px[5 * 20 + 17]);
}

TEST_F(PreviewDlgTest, ExtensionDecidesTheDecoder)
{
    ASSERT_TRUE(MakeImageFile(m_dir / "a.jpg", 30, 20));
    const std::string jpeg = ReadFileBytes(m_dir / "a.jpg");
    ASSERT_TRUE(MakeImageFile(m_dir / "b.bmp", 30, 20));
    const std::string bmp = ReadFileBytes(m_dir / "b.bmp");

    WriteFileBytes(m_dir / "PHOTO.JPG", jpeg);
    WriteFileBytes(m_dir / "photo.Jpg", jpeg);
    WriteFileBytes(m_dir / "a.b.bmp", bmp);
    EXPECT_TRUE(m_dlg->LoadPreviewImage(m_dir / "PHOTO.JPG"));
    EXPECT_TRUE(m_dlg->LoadPreviewImage(m_dir / "photo.Jpg"));
    EXPECT_TRUE(m_dlg->LoadPreviewImage(m_dir / "a.b.bmp"));

    // Good pictures under names the program does not decode.
    WriteFileBytes(m_dir / "photo.jpeg", jpeg);
    WriteFileBytes(m_dir / "photo.png", jpeg);
    WriteFileBytes(m_dir / "photo", jpeg);
    ASSERT_TRUE(::CreateDirectoryA((m_dir / "pics.jpg").c_str(), nullptr));
    WriteFileBytes(m_dir / "pics.jpg\\photo", jpeg);
    EXPECT_FALSE(m_dlg->LoadPreviewImage(m_dir / "photo.jpeg"));
    EXPECT_FALSE(m_dlg->LoadPreviewImage(m_dir / "photo.png"));
    EXPECT_FALSE(m_dlg->LoadPreviewImage(m_dir / "photo"));
    EXPECT_FALSE(m_dlg->LoadPreviewImage(m_dir / "pics.jpg\\photo"));
}

TEST_F(PreviewDlgTest, FailedLoadKeepsThePreviousPicture)
{
    ASSERT_TRUE(MakeImageFile(m_dir / "good.jpg", 800, 600));
    ASSERT_TRUE(m_dlg->LoadPreviewImage(m_dir / "good.jpg"));
    const HBITMAP before = m_dlg->PreviewBitmap();
    const std::string info = InfoText();
    ASSERT_NE(before, nullptr);
    ASSERT_EQ(info, "Resolution : 800 x 600 : 24");

    // A JPEG cut off after its header, a BMP of noise, a JPEG named .png, a
    // missing file, an empty one, and a picture that decodes but is too
    // large for a screen bitmap (23200 x 23200 at 32 bits is over 2 GB).
    const std::string jpeg = ReadFileBytes(m_dir / "good.jpg");
    WriteFileBytes(m_dir / "cut.jpg", jpeg.substr(0, 20));
    WriteFileBytes(m_dir / "noise.bmp", std::string(500, '\x5a'));
    WriteFileBytes(m_dir / "renamed.png", jpeg);
    WriteFileBytes(m_dir / "empty.bmp", "");
    WriteEmptyRleBmp(m_dir / "huge.bmp", 23200, 23200);
    const char* const bad[] = {"cut.jpg", "noise.bmp", "renamed.png", "missing.jpg", "empty.bmp", "huge.bmp"};
    for (const char* name : bad) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(m_dlg->LoadPreviewImage(m_dir / name));
        EXPECT_EQ(m_dlg->PreviewBitmap(), before);
        EXPECT_EQ(ShownBitmap(), before);
        EXPECT_EQ(InfoText(), info);
        EXPECT_EQ(::GetObjectType(before), static_cast<DWORD>(OBJ_BITMAP));
    }

    // The huge picture's small twin shows the file itself is fine.
    WriteEmptyRleBmp(m_dir / "twin.bmp", 232, 232);
    EXPECT_TRUE(m_dlg->LoadPreviewImage(m_dir / "twin.bmp"));
    EXPECT_EQ(InfoText(), "Resolution : 232 x 232 : 8");
}

TEST_F(PreviewDlgTest, EachBitmapIsFreedExactlyOnce)
{
    ASSERT_TRUE(MakeImageFile(m_dir / "one.jpg", 300, 200));
    ASSERT_TRUE(MakeImageFile(m_dir / "two.bmp", 50, 50));
    ASSERT_TRUE(m_dlg->LoadPreviewImage(m_dir / "one.jpg"));
    const HBITMAP first = m_dlg->PreviewBitmap();
    ShowPreview();  // painting hands the same bitmap to the control again
    ASSERT_TRUE(m_dlg->LoadPreviewImage(m_dir / "two.bmp"));
    const HBITMAP second = m_dlg->PreviewBitmap();
    EXPECT_NE(first, second);
    EXPECT_EQ(::GetObjectType(first), 0u) << "the replaced bitmap leaks";
    EXPECT_EQ(::GetObjectType(second), static_cast<DWORD>(OBJ_BITMAP));
    ::InvalidateRect(Preview(), nullptr, TRUE);
    ::UpdateWindow(Preview());
    EXPECT_EQ(ShownBitmap(), second);

    // Destroyed with its owner: the window takes its bitmap along.
    ::DestroyWindow(m_owner);
    m_owner = nullptr;
    m_dlg = nullptr;
    Pump();
    EXPECT_EQ(::GetObjectType(second), 0u) << "the last bitmap leaks";
}

TEST_F(PreviewDlgTest, EscapeDoesNotCloseIt)
{
    ASSERT_TRUE(MakeImageFile(m_dir / "pic.jpg", 200, 150));
    ASSERT_TRUE(m_dlg->LoadPreviewImage(m_dir / "pic.jpg"));
    ShowPreview();
    ASSERT_TRUE(::IsWindowVisible(Preview()));

    MSG msg = {};
    msg.hwnd = Info();
    msg.message = WM_KEYDOWN;
    msg.wParam = VK_ESCAPE;
    EXPECT_TRUE(CWinApp::Instance()->PreTranslateMessage(&msg));

    // The same key through the message loop, on the window and on its line.
    ::PostMessageA(Preview(), WM_KEYDOWN, VK_ESCAPE, 0);
    ::PostMessageA(Info(), WM_KEYDOWN, VK_ESCAPE, 0);
    Pump(100);
    EXPECT_TRUE(::IsWindowVisible(Preview()));
    EXPECT_TRUE(::IsWindow(Preview()));
    EXPECT_EQ(InfoText(), "Resolution : 200 x 150 : 24");
}

TEST_F(PreviewDlgTest, ClickingTheInfoLineGivesTheFocusToTheList)
{
    ASSERT_TRUE(MakeImageFile(m_dir / "pic.jpg", 200, 150));
    ASSERT_TRUE(m_dlg->LoadPreviewImage(m_dir / "pic.jpg"));
    ShowPreview(true);
    ::SetFocus(m_owner);
    Pump(50);
    ASSERT_NE(::GetFocus(), m_list);

    ::PostMessageA(Info(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::PostMessageA(Info(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(PumpUntil([&] { return ::GetFocus() == m_list; }, 2000))
        << "focus is on " << ::GetFocus();

    // Typing then goes to the list, not into the line.
    ::PostMessageA(::GetFocus(), WM_CHAR, 'x', 0);
    Pump(50);
    EXPECT_EQ(InfoText(), "Resolution : 200 x 150 : 24");

    // Focus set in code arrives at the same place.
    ::SetFocus(m_owner);
    ::SetFocus(Info());
    Pump(50);
    EXPECT_EQ(::GetFocus(), m_list);
}

TEST_F(PreviewDlgTest, ShrunkStripesKeepTheirColours)
{
    // One-pixel red, green, blue and white columns: averaged, they are a mid
    // grey; ANDed (the default stretch mode), they come out black.
    ASSERT_TRUE(MakeStripes(m_dir / "stripes.bmp", 1600, 400));
    ASSERT_TRUE(m_dlg->LoadPreviewImage(m_dir / "stripes.bmp"));
    const SIZE got = BitmapSize(m_dlg->PreviewBitmap());
    ASSERT_GT(got.cx, 0);
    ASSERT_LT(got.cx, 400) << "the stripes were not shrunk much";
    const std::vector<COLORREF> px = ReadPixels(m_dlg->PreviewBitmap(), got.cx, got.cy);
    ASSERT_EQ(px.size(), static_cast<size_t>(got.cx) * got.cy);

    double sum[3] = {};
    int black = 0;
    for (COLORREF c : px) {
        sum[0] += GetRValue(c);
        sum[1] += GetGValue(c);
        sum[2] += GetBValue(c);
        if (GetRValue(c) + GetGValue(c) + GetBValue(c) < 60)
            ++black;
    }
    const double n = static_cast<double>(px.size());
    // Each channel is lit in two columns of four: about 128 on average.
    for (double s : sum) {
        EXPECT_GT(s / n, 90.0);
        EXPECT_LT(s / n, 166.0);
    }
    EXPECT_EQ(black, 0);
}

TEST_F(PreviewDlgTest, ColoursOfBackgroundAndInfoLine)
{
    HDC dc = ::CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    auto brushColour = [](LRESULT brush) {
        LOGBRUSH lb = {};
        ::GetObjectA(reinterpret_cast<HBRUSH>(brush), sizeof lb, &lb);
        return lb.lbColor;
    };
    const WPARAM wp = reinterpret_cast<WPARAM>(dc);

    const LRESULT dlgBrush = ::SendMessageA(Preview(), WM_CTLCOLORDLG, wp, reinterpret_cast<LPARAM>(Preview()));
    EXPECT_EQ(brushColour(dlgBrush), kBackground);
    EXPECT_EQ(::GetBkMode(dc), TRANSPARENT);

    ::SetBkMode(dc, OPAQUE);
    const LRESULT staticBrush = ::SendMessageA(Preview(), WM_CTLCOLORSTATIC, wp, reinterpret_cast<LPARAM>(Picture()));
    EXPECT_EQ(staticBrush, dlgBrush) << "one brush, made once";
    EXPECT_EQ(::GetBkMode(dc), TRANSPARENT);

    ::SetBkMode(dc, OPAQUE);
    const LRESULT infoBrush = ::SendMessageA(Preview(), WM_CTLCOLOREDIT, wp, reinterpret_cast<LPARAM>(Info()));
    EXPECT_EQ(brushColour(infoBrush), kInfoBack);
    EXPECT_EQ(::GetTextColor(dc), kInfoText);
    EXPECT_EQ(::GetBkColor(dc), kInfoBack);
    EXPECT_EQ(::GetBkMode(dc), OPAQUE);
    EXPECT_EQ(::SendMessageA(Preview(), WM_CTLCOLOREDIT, wp, reinterpret_cast<LPARAM>(Info())), infoBrush);
    ::DeleteDC(dc);

    // And on screen: the picture centred in its area, the window's colour
    // between the area and the line, the line on its own black.
    ASSERT_TRUE(MakeImageFile(m_dir / "wide.bmp", 400, 100, kPicture));
    ASSERT_TRUE(m_dlg->LoadPreviewImage(m_dir / "wide.bmp"));
    const SIZE fit = BitmapSize(m_dlg->PreviewBitmap());
    ShowPreview();
    RECT pic = {}, info = {};
    ::GetWindowRect(Picture(), &pic);
    ::GetWindowRect(Info(), &info);
    ASSERT_LT(fit.cy, pic.bottom - pic.top) << "the picture should leave bands above and below";
    ASSERT_GT(info.top, pic.bottom + 1);

    HDC screen = ::GetDC(nullptr);
    ASSERT_NE(screen, nullptr);
    const int cx = (pic.left + pic.right) / 2;
    int first = -1, rows = 0;
    for (int y = pic.top; y < pic.bottom; ++y) {
        if (Near(::GetPixel(screen, cx, y), kPicture, 24)) {
            if (first < 0)
                first = y - pic.top;
            ++rows;
        }
    }
    const COLORREF gap = ::GetPixel(screen, cx, (pic.bottom + info.top) / 2);
    const COLORREF line = ::GetPixel(screen, info.left + 2, info.bottom - 2);
    ::ReleaseDC(nullptr, screen);

    // The picture's own dark bottom row is shrunk into its neighbours, so
    // allow a row or two there.
    const int expectedFirst = (pic.bottom - pic.top - fit.cy) / 2;
    EXPECT_NEAR(first, expectedFirst, 1);
    EXPECT_GE(rows, fit.cy - 2);
    EXPECT_LE(rows, fit.cy);
    EXPECT_EQ(gap, kBackground) << Hex(gap);
    EXPECT_EQ(line, kInfoBack) << Hex(line);
}

// The preview as the program makes it: from the main window, beside it.
class PreviewDlgInMainWindowTest : public MainWindowTest {
protected:
    void StartShownWith(const std::string& image, int w, int h)
    {
        AddImage(image, w, h);
        WriteSetting("StartupsNumber", "100");  // no wallpaper change at this start
        WriteSetting("CurrentStartupNumber", "0");
        Start();
        driver::TrayMouse(Dlg(), WM_LBUTTONDBLCLK);
        ASSERT_TRUE(Visible());
    }
};

TEST_F(PreviewDlgInMainWindowTest, ShowsTheSelectedImageAndIgnoresEscape)
{
    StartShownWith("big.jpg", 1600, 1200);
    CPreviewDlg* preview = m_dlg->PreviewDlg();
    ASSERT_NE(preview, nullptr);
    SelectRows({RowOf("big.jpg")});
    ASSERT_TRUE(PumpUntil([&] { return ::IsWindowVisible(preview->m_hWnd) != FALSE; }, 3000));

    RECT area = {};
    ::GetClientRect(preview->Item(IDC_PREVIEW_PICTURE), &area);
    const SIZE expected = ExpectedFit(1600, 1200, area.right, area.bottom);
    const SIZE got = BitmapSize(preview->PreviewBitmap());
    EXPECT_EQ(got.cx, expected.cx);
    EXPECT_EQ(got.cy, expected.cy);
    EXPECT_EQ(WindowText(preview->Item(IDC_PREVIEW_INFO)), "Resolution : 1600 x 1200 : 24");

    // Escape on the preview neither hides it nor reaches the main window's
    // exit question.
    AnswerNextDialog(CWinApp::Instance()->AppName(), IDNO);
    PressKey(preview->Item(IDC_PREVIEW_INFO), VK_ESCAPE);
    PressKey(preview->m_hWnd, VK_ESCAPE);
    Pump(200);
    EXPECT_FALSE(DialogAnswered()) << "Escape in the preview asked to exit";
    CancelAnswer();
    EXPECT_TRUE(::IsWindowVisible(preview->m_hWnd));
    EXPECT_TRUE(Visible());

    // A click on the information line lands in the library list.
    ::PostMessageA(preview->Item(IDC_PREVIEW_INFO), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::PostMessageA(preview->Item(IDC_PREVIEW_INFO), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(PumpUntil([&] { return ::GetFocus() == ListHwnd(); }, 2000));
}

}  // namespace
