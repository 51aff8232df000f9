// "Set wallpaper" from the main window, end to end: the bitmap in the
// Windows directory, the desktop registry values, the remembered title and
// the status line; and, on a Wine virtual desktop, the picture itself.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/main_window_fixture.h"

using namespace testing_support;

namespace {

const char kDesktopKey[] = "Control Panel\\Desktop";
const char kProgress[] = "Setting new background wallpaper. Please wait for second ...";
const char kDone[] = "Setting new wallpaper completed successfully.";
const char kResized[] = "Resizing and setting new wallpaper completed successfully.";
const char kMissing[] = "Background file doesn't exist.";
const char kLoadFailed[] = "Loading image failed. Can't set wallpaper.";
const char kWriteFailed[] = "Error writing bitmap to disk. Can't set image as wallpaper.";

std::string BitmapPath()
{
    char dir[MAX_PATH] = {};
    ::GetWindowsDirectoryA(dir, MAX_PATH);
    return std::string(dir) + "\\KavroWallpaper.BMP";
}

struct RegValue {
    bool present = false;
    DWORD type = 0;
    std::string data;
    bool operator==(const RegValue& o) const { return present == o.present && type == o.type && data == o.data; }
};

RegValue ReadDesktopValue(const char* name)
{
    RegValue v;
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kDesktopKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return v;
    char data[1024] = {};
    DWORD size = sizeof data - 1;
    if (::RegQueryValueExA(key, name, nullptr, &v.type, reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS) {
        v.present = true;
        v.data.assign(data, size);
        while (!v.data.empty() && v.data.back() == '\0')
            v.data.pop_back();
    }
    ::RegCloseKey(key);
    return v;
}

void WriteDesktopValue(const char* name, const RegValue& v)
{
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    if (v.present)
        ::RegSetValueExA(key, name, 0, v.type, reinterpret_cast<const BYTE*>(v.data.c_str()),
                         static_cast<DWORD>(v.data.size() + 1));
    else
        ::RegDeleteValueA(key, name);
    ::RegCloseKey(key);
}

void WriteDesktopText(const char* name, const std::string& text)
{
    RegValue v;
    v.present = true;
    v.type = REG_SZ;
    v.data = text;
    WriteDesktopValue(name, v);
}

// The two registry values and the bitmap file, put back after each test.
class SavedWallpaperState {
public:
    SavedWallpaperState()
        : m_tile(ReadDesktopValue("TileWallpaper")),
          m_wallpaper(ReadDesktopValue("Wallpaper")),
          m_bitmapExisted(PathExists(BitmapPath())),
          m_bitmap(m_bitmapExisted ? ReadFileBytes(BitmapPath()) : std::string())
    {
    }
    ~SavedWallpaperState()
    {
        ::RemoveDirectoryA((BitmapPath() + ".tmp").c_str());
        ::SetFileAttributesA(BitmapPath().c_str(), FILE_ATTRIBUTE_NORMAL);
        if (m_bitmapExisted)
            WriteFileBytes(BitmapPath(), m_bitmap);
        else
            ::DeleteFileA(BitmapPath().c_str());
        WriteDesktopValue("TileWallpaper", m_tile);
        WriteDesktopValue("Wallpaper", m_wallpaper);
    }

private:
    RegValue m_tile;
    RegValue m_wallpaper;
    bool m_bitmapExisted;
    std::string m_bitmap;
};

// What a BMP file says about itself.
struct BmpFile {
    bool valid = false;
    int width = 0;
    int height = 0;
    int bitCount = 0;
    std::string bytes;
    uint32_t offBits = 0;

    explicit BmpFile(const std::string& path) : bytes(ReadFileBytes(path))
    {
        if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M')
            return;
        BITMAPFILEHEADER fh;
        BITMAPINFOHEADER ih;
        std::memcpy(&fh, bytes.data(), sizeof fh);
        std::memcpy(&ih, bytes.data() + sizeof fh, sizeof ih);
        if (fh.bfSize != bytes.size() || ih.biSize < 40 || ih.biPlanes != 1 || ih.biCompression != BI_RGB)
            return;
        width = ih.biWidth;
        height = ih.biHeight;
        bitCount = ih.biBitCount;
        offBits = fh.bfOffBits;
        const uint64_t rowSize = ((static_cast<uint64_t>(width) * bitCount + 31) & ~31ULL) / 8;
        valid = width > 0 && height > 0 && (bitCount == 24 || bitCount == 32) &&
                offBits + rowSize * height <= bytes.size();
    }
    // Top-down coordinates, as the picture is seen.
    COLORREF Pixel(int x, int y) const
    {
        if (!valid || x < 0 || y < 0 || x >= width || y >= height)
            return CLR_INVALID;
        const size_t rowSize = ((static_cast<size_t>(width) * bitCount + 31) & ~static_cast<size_t>(31)) / 8;
        const size_t at = offBits + rowSize * static_cast<size_t>(height - 1 - y) +
                          static_cast<size_t>(x) * (bitCount / 8);
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data()) + at;
        return RGB(p[2], p[1], p[0]);
    }
};

bool Near(COLORREF a, COLORREF b, int tolerance)
{
    return a != CLR_INVALID && std::abs(GetRValue(a) - GetRValue(b)) <= tolerance &&
           std::abs(GetGValue(a) - GetGValue(b)) <= tolerance && std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

// Proportional shrink into the screen, width first; the reduction is what
// gets truncated.
SIZE ExpectedFit(int w, int h, int maxW, int maxH)
{
    if (w > maxW) {
        h -= static_cast<int>(std::trunc(static_cast<double>(h) * (w - maxW) / w));
        w = maxW;
    }
    if (h > maxH) {
        w -= static_cast<int>(std::trunc(static_cast<double>(w) * (h - maxH) / h));
        h = maxH;
    }
    return SIZE{w, h};
}

int DisplayBitCount()
{
    HDC screen = ::GetDC(nullptr);
    const int bits = ::GetDeviceCaps(screen, BITSPIXEL) * ::GetDeviceCaps(screen, PLANES);
    ::ReleaseDC(nullptr, screen);
    return bits;
}

// Every text the status line is given, in order.
std::vector<std::string> g_statusTexts;
WNDPROC g_statusProc = nullptr;

LRESULT CALLBACK RecordingStatusProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_SETTEXT)
        g_statusTexts.emplace_back(lParam ? reinterpret_cast<const char*>(lParam) : "");
    return ::CallWindowProcA(g_statusProc, hWnd, msg, wParam, lParam);
}

}  // namespace

class WallpaperTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        m_saved = new SavedWallpaperState;
        ::DeleteFileA(BitmapPath().c_str());
        // Marks that show whether a run touched the registry.
        WriteDesktopText("TileWallpaper", "1");
        WriteDesktopText("Wallpaper", "untouched");
        m_screen.cx = ::GetSystemMetrics(SM_CXSCREEN);
        m_screen.cy = ::GetSystemMetrics(SM_CYSCREEN);
    }
    void TearDown() override
    {
        StopRecording();
        MainWindowTest::TearDown();
        delete m_saved;
        m_saved = nullptr;
    }

    // The library is filled first; this start is not due, so the window is
    // brought back from the tray the way a user would.
    void StartWithLibrary()
    {
        WriteSetting("StartupsNumber", "9");
        Start();
        ASSERT_NE(m_dlg->m_hWnd, nullptr);
        m_dlg->RestoreFromTray();
        Pump(30);
        ASSERT_TRUE(Visible());
        StartRecording();
    }
    void SelectByName(const std::vector<std::string>& names)
    {
        std::vector<int> rows;
        for (const std::string& name : names) {
            const int row = RowOf(name);
            ASSERT_NE(row, -1) << name;
            rows.push_back(row);
        }
        SelectRows(rows);
    }
    // Selects one row and clicks "Set wallpaper".
    void SetWallpaperFrom(const std::string& name)
    {
        SelectByName({name});
        ASSERT_TRUE(Enabled(IDC_SET_WALLPAPER));
        g_statusTexts.clear();
        Click(IDC_SET_WALLPAPER);
    }

    void StartRecording()
    {
        HWND line = Ctrl(IDC_STATUS);
        g_statusTexts.clear();
        g_statusProc = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrA(line, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RecordingStatusProc)));
        m_recording = line;
    }
    void StopRecording()
    {
        if (m_recording && ::IsWindow(m_recording))
            ::SetWindowLongPtrA(m_recording, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_statusProc));
        m_recording = nullptr;
    }

    std::string Report(const char* message, const std::string& name) const
    {
        return std::string(message) + " Image file : " + LibraryFile(name);
    }

    // A successful run left this picture behind, in every place it belongs.
    void ExpectWallpaper(const std::string& name, const std::string& title, int width, int height, bool resized)
    {
        EXPECT_EQ(Status(), Report(resized ? kResized : kDone, name));
        const BmpFile bmp(BitmapPath());
        ASSERT_TRUE(bmp.valid) << "no valid bitmap at " << BitmapPath();
        EXPECT_EQ(bmp.width, width);
        EXPECT_EQ(bmp.height, height);
        const RegValue tile = ReadDesktopValue("TileWallpaper");
        const RegValue wallpaper = ReadDesktopValue("Wallpaper");
        EXPECT_EQ(tile.type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(tile.data, "0");
        EXPECT_EQ(wallpaper.type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(wallpaper.data, BitmapPath());
        EXPECT_EQ(ReadSetting("Wallpaper"), title);
    }
    void ExpectRegistryUntouched() const
    {
        EXPECT_EQ(ReadDesktopValue("TileWallpaper").data, "1");
        EXPECT_EQ(ReadDesktopValue("Wallpaper").data, "untouched");
    }

    SavedWallpaperState* m_saved = nullptr;
    SIZE m_screen = {};
    HWND m_recording = nullptr;
};

// ---------------------------------------------------------------- success

TEST_F(WallpaperTest, SmallImageInProportionalModeIsWrittenAsItIs)
{
    const COLORREF colour = RGB(30, 160, 90);
    AddImage("my.holiday.jpg", 400, 300, colour);
    WriteSetting("ResizeType", "P");
    ASSERT_NO_FATAL_FAILURE(StartWithLibrary());
    SetWallpaperFrom("my.holiday.jpg");

    ExpectWallpaper("my.holiday.jpg", "my.holiday", 400, 300, false);
    // First the progress line, then the outcome; nothing else.
    ASSERT_EQ(g_statusTexts.size(), 2u);
    EXPECT_EQ(g_statusTexts[0], kProgress);
    // Written at the image's own depth, and it is the picture.
    const BmpFile bmp(BitmapPath());
    EXPECT_EQ(bmp.bitCount, 24);
    EXPECT_EQ(bmp.offBits, 54u);
    EXPECT_TRUE(Near(bmp.Pixel(200, 150), colour, 12)) << std::hex << bmp.Pixel(200, 150);
}

TEST_F(WallpaperTest, FittingFollowsTheResizeMode)
{
    const int sw = m_screen.cx;
    const int sh = m_screen.cy;
    const SIZE big = ExpectedFit(1600, 1600, sw, sh);
    const SIZE wide = ExpectedFit(sw + 1, sh, sw, sh);
    struct Case {
        const char* mode;  // nullptr: no ResizeType key at all
        int w, h;
        int expectW, expectH;
        bool resized;
    };
    const Case cases[] = {
        {"P", sw, sh, sw, sh, false},  // exactly the screen: untouched
        {"P", 1600, 1600, big.cx, big.cy, true},
        {"P", sw + 1, sh, wide.cx, wide.cy, true},
        {nullptr, 1600, 1600, big.cx, big.cy, true},
        {"", 1600, 1600, big.cx, big.cy, true},
        {"S", 200, 100, sw, sh, true},  // stretched even when smaller
        {"S", sw, sh, sw, sh, true},
        {"Stretch", 200, 100, sw, sh, true},
        {"N", 1600, 1600, 1600, 1600, false},
        {"Proporcional", 1600, 1600, big.cx, big.cy, true},
    };
    if (sw == 1280 && sh == 1024) {
        EXPECT_EQ(big.cx, 1024);
        EXPECT_EQ(big.cy, 1024);
    }
    const COLORREF colour = RGB(20, 90, 220);
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i)
        AddImage("case" + std::to_string(i) + ".bmp", cases[i].w, cases[i].h, colour);
    ASSERT_NO_FATAL_FAILURE(StartWithLibrary());

    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        const Case& c = cases[i];
        const std::string name = "case" + std::to_string(i) + ".bmp";
        SCOPED_TRACE(name + " mode " + (c.mode ? c.mode : "(none)"));
        WriteSetting("ResizeType", c.mode);
        ::DeleteFileA(BitmapPath().c_str());
        WriteDesktopText("TileWallpaper", "1");
        SetWallpaperFrom(name);
        ExpectWallpaper(name, "case" + std::to_string(i), c.expectW, c.expectH, c.resized);
        const BmpFile bmp(BitmapPath());
        // Scaled pictures come out in the display's depth.
        EXPECT_EQ(bmp.bitCount, c.resized ? DisplayBitCount() : 24);
        EXPECT_EQ(bmp.Pixel(bmp.width / 2, bmp.height / 2), colour);
    }
}

// A resize mode nobody could choose (only a hand-edited file) behaves as the
// default: the new picture is written, never an old file registered.
TEST_F(WallpaperTest, UnknownResizeModeBehavesAsProportional)
{
    AddImage("first.bmp", 300, 200, RGB(200, 0, 0));
    AddImage("second.bmp", 120, 80, RGB(0, 0, 200));
    AddImage("third.bmp", 1600, 1600, RGB(0, 200, 0));
    WriteSetting("ResizeType", "N");
    ASSERT_NO_FATAL_FAILURE(StartWithLibrary());
    SetWallpaperFrom("first.bmp");
    ExpectWallpaper("first.bmp", "first", 300, 200, false);

    for (const char* mode : {"X", "p"}) {
        SCOPED_TRACE(mode);
        WriteSetting("ResizeType", mode);
        WriteDesktopText("TileWallpaper", "1");
        SetWallpaperFrom("second.bmp");
        ExpectWallpaper("second.bmp", "second", 120, 80, false);
        EXPECT_EQ(BmpFile(BitmapPath()).Pixel(60, 40), RGB(0, 0, 200));

        SetWallpaperFrom("third.bmp");
        const SIZE fit = ExpectedFit(1600, 1600, m_screen.cx, m_screen.cy);
        ExpectWallpaper("third.bmp", "third", fit.cx, fit.cy, true);
    }
}

TEST_F(WallpaperTest, DoubleClickAndListMenuSetTheWallpaperToo)
{
    AddImage("click.bmp", 64, 48, RGB(10, 20, 30));
    AddImage("menu.bmp", 80, 60, RGB(30, 20, 10));
    ASSERT_NO_FATAL_FAILURE(StartWithLibrary());

    SelectByName({"click.bmp"});
    NMITEMACTIVATE nm = {};
    nm.hdr.hwndFrom = ListHwnd();
    nm.hdr.idFrom = IDC_LIST_FILES;
    nm.hdr.code = NM_DBLCLK;
    nm.iItem = RowOf("click.bmp");
    ::SendMessageA(Dlg(), WM_NOTIFY, IDC_LIST_FILES, reinterpret_cast<LPARAM>(&nm));
    Pump();
    ExpectWallpaper("click.bmp", "click", 64, 48, false);

    WriteDesktopText("TileWallpaper", "1");
    SelectByName({"menu.bmp"});
    Command(ID_LIST_SET_WALLPAPER);
    ExpectWallpaper("menu.bmp", "menu", 80, 60, false);
}

TEST_F(WallpaperTest, SeveralSelectedRowsUseTheFirstInListOrder)
{
    AddImage("b.bmp", 40, 30);
    AddImage("a.bmp", 50, 30);
    AddImage("c.bmp", 60, 30);
    ASSERT_NO_FATAL_FAILURE(StartWithLibrary());
    const std::vector<std::string> rows = Rows();
    ASSERT_EQ(rows.size(), 3u);
    SelectRows({2, 1});
    EXPECT_FALSE(Enabled(IDC_SET_WALLPAPER));  // the button asks for one row

    // The command still arrives by other routes (a double-click with Ctrl).
    Command(IDC_SET_WALLPAPER);
    const std::string first = rows[1];
    EXPECT_EQ(Status(), Report(kDone, first));
    EXPECT_EQ(ReadSetting("Wallpaper"), first.substr(0, first.size() - 4));
}

// ---------------------------------------------------------------- nothing or failure

TEST_F(WallpaperTest, NoSelectionDoesNothing)
{
    AddImage("sea.bmp");
    ASSERT_NO_FATAL_FAILURE(StartWithLibrary());
    m_dlg->List().ClearSelection();
    Pump();
    EXPECT_FALSE(Enabled(IDC_SET_WALLPAPER));
    m_dlg->SetStatusText("as before");
    g_statusTexts.clear();
    Command(IDC_SET_WALLPAPER);
    EXPECT_EQ(Status(), "as before");
    EXPECT_TRUE(g_statusTexts.empty());
    EXPECT_FALSE(PathExists(BitmapPath()));
    ExpectRegistryUntouched();
    EXPECT_EQ(ReadSetting("Wallpaper"), "");
}

TEST_F(WallpaperTest, FileDeletedAfterTheListWasFilled)
{
    AddImage("gone.bmp");
    ASSERT_NO_FATAL_FAILURE(StartWithLibrary());
    SelectByName({"gone.bmp"});
    ASSERT_TRUE(::DeleteFileA(LibraryFile("gone.bmp").c_str()));
    g_statusTexts.clear();
    Click(IDC_SET_WALLPAPER);
    EXPECT_EQ(Status(), Report(kMissing, "gone.bmp"));
    // Reported before any work starts.
    EXPECT_EQ(g_statusTexts.size(), 1u);
    EXPECT_FALSE(PathExists(BitmapPath()));
    ExpectRegistryUntouched();
    EXPECT_EQ(ReadSetting("Wallpaper"), "");
}

TEST_F(WallpaperTest, UndecodableImageChangesNothing)
{
    MakeLibrary();
    // A JPEG signature followed by rubbish, and a BMP under a JPEG name.
    WriteFileBytes(LibraryFile("damaged.jpg"), std::string("\xFF\xD8\xFF\xE0", 4) + std::string(3000, '\x5A'));
    AddImage("real.bmp", 32, 32);
    ASSERT_TRUE(::CopyFileA(LibraryFile("real.bmp").c_str(), LibraryFile("disguised.jpg").c_str(), FALSE));
    WriteSetting("Wallpaper", "earlier");
    const std::string previous = "previous wallpaper bitmap";
    WriteFileBytes(BitmapPath(), previous);
    ASSERT_NO_FATAL_FAILURE(StartWithLibrary());

    for (const char* name : {"damaged.jpg", "disguised.jpg"}) {
        SCOPED_TRACE(name);
        SetWallpaperFrom(name);
        EXPECT_EQ(Status(), Report(kLoadFailed, name));
        EXPECT_EQ(ReadFileBytes(BitmapPath()), previous);
        ExpectRegistryUntouched();
        EXPECT_EQ(ReadSetting("Wallpaper"), "earlier");
    }
}

// The bitmap cannot be written: whatever stood there stays, byte for byte,
// and neither the registry nor the settings move.
TEST_F(WallpaperTest, FailedBitmapWriteKeepsThePreviousWallpaper)
{
    AddImage("first.bmp", 300, 200, RGB(200, 0, 0));
    AddImage("second.bmp", 120, 80, RGB(0, 0, 200));
    WriteSetting("ResizeType", "N");
    ASSERT_NO_FATAL_FAILURE(StartWithLibrary());
    SetWallpaperFrom("first.bmp");
    ExpectWallpaper("first.bmp", "first", 300, 200, false);
    const std::string previous = ReadFileBytes(BitmapPath());
    ASSERT_FALSE(previous.empty());

    enum Blocker { kBusyTemporary, kReadOnlyTarget };
    for (Blocker blocker : {kBusyTemporary, kReadOnlyTarget}) {
        for (const char* mode : {"N", "S"}) {  // saved as it is, and scaled
            SCOPED_TRACE(std::string(blocker == kBusyTemporary ? "busy temporary " : "read-only target ") + mode);
            if (blocker == kBusyTemporary)
                ASSERT_TRUE(::CreateDirectoryA((BitmapPath() + ".tmp").c_str(), nullptr));
            else
                ASSERT_TRUE(::SetFileAttributesA(BitmapPath().c_str(), FILE_ATTRIBUTE_READONLY));
            WriteSetting("ResizeType", mode);
            WriteDesktopText("TileWallpaper", "1");
            AnswerNextDialog(CWinApp::Instance()->AppName(), IDOK);  // would catch an error box

            SetWallpaperFrom("second.bmp");
            EXPECT_EQ(Status(), Report(kWriteFailed, "second.bmp"));
            EXPECT_FALSE(DialogAnswered()) << "a message box was shown";
            CancelAnswer();
            EXPECT_EQ(ReadFileBytes(BitmapPath()), previous);
            EXPECT_EQ(ReadDesktopValue("TileWallpaper").data, "1");
            EXPECT_EQ(ReadDesktopValue("Wallpaper").data, BitmapPath());
            EXPECT_EQ(ReadSetting("Wallpaper"), "first");

            ::RemoveDirectoryA((BitmapPath() + ".tmp").c_str());
            ::SetFileAttributesA(BitmapPath().c_str(), FILE_ATTRIBUTE_NORMAL);
        }
    }
    // Nothing left half-done: the next run works.
    WriteSetting("ResizeType", "N");
    SetWallpaperFrom("second.bmp");
    ExpectWallpaper("second.bmp", "second", 120, 80, false);
}

// ---------------------------------------------------------------- on a desktop

namespace {

// The screen as X shows it, including the windows of other Wine processes
// (a virtual desktop is one of them), as 32-bit pixels, top row first.
std::vector<COLORREF> CaptureScreen(SIZE& size)
{
    std::vector<COLORREF> pixels;
    size.cx = ::GetSystemMetrics(SM_CXSCREEN);
    size.cy = ::GetSystemMetrics(SM_CYSCREEN);
    HDC screen = ::GetDC(nullptr);
    if (!screen)
        return pixels;
    HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = size.cx;
    bi.bmiHeader.biHeight = -size.cy;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = ::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (memory && dib && bits) {
        HGDIOBJ old = ::SelectObject(memory, dib);
        if (::BitBlt(memory, 0, 0, size.cx, size.cy, screen, 0, 0, SRCCOPY)) {
            const auto* raw = static_cast<const DWORD*>(bits);
            pixels.reserve(static_cast<size_t>(size.cx) * size.cy);
            for (size_t i = 0; i < static_cast<size_t>(size.cx) * size.cy; ++i)
                pixels.push_back(RGB((raw[i] >> 16) & 0xFF, (raw[i] >> 8) & 0xFF, raw[i] & 0xFF));
        }
        ::SelectObject(memory, old);
    }
    if (dib)
        ::DeleteObject(dib);
    if (memory)
        ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return pixels;
}

struct FindProgram {
    HWND found = nullptr;
};

BOOL CALLBACK FindProgramWindow(HWND hWnd, LPARAM lParam)
{
    char text[64] = {};
    ::GetWindowTextA(hWnd, text, sizeof text);
    if (std::strcmp(text, "Kavro Wallpaper Version 2.75") != 0)
        return TRUE;
    reinterpret_cast<FindProgram*>(lParam)->found = hWnd;
    return FALSE;
}

// Whether this process already lives on a Wine virtual desktop (the test
// script sets one up for every test); then that desktop shows wallpapers.
bool OnVirtualDesktop()
{
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\Explorer", 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    char name[64] = {};
    DWORD size = sizeof name - 1;
    DWORD type = 0;
    const bool set = ::RegQueryValueExA(key, "Desktop", nullptr, &type, reinterpret_cast<BYTE*>(name), &size) ==
                         ERROR_SUCCESS &&
                     type == REG_SZ && name[0] != '\0';
    ::RegCloseKey(key);
    return set;
}

std::string ProgramPath()
{
    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path = self;
    path.erase(path.rfind('\\'));  // tests
    path.erase(path.rfind('\\'));  // the build folder
    return path + "\\KavroWallpaper.exe";
}

}  // namespace

// The real program, started as from the start-up sequence: the start is due,
// so it sets the only library picture, and the desktop then shows it, shrunk
// and centred. Without a virtual desktop of the tests' own (the plain X
// screen shows no wallpaper) it runs on a small one of its own.
TEST(WallpaperDesktop, DueStartShowsThePictureOnTheDesktop)
{
    const std::string program = ProgramPath();
    ASSERT_TRUE(PathExists(program)) << program;
    SavedWallpaperState saved;
    const RegValue previousWallpaper = ReadDesktopValue("Wallpaper");
    ::DeleteFileA(BitmapPath().c_str());
    WriteDesktopText("Wallpaper", "");
    WriteDesktopText("TileWallpaper", "0");

    TempDir dir;
    ::CreateDirectoryA((dir / "Wallpaper").c_str(), nullptr);
    const COLORREF green = RGB(0, 255, 0);
    const int imageW = 1600, imageH = 1120;  // larger than either desktop
    ASSERT_TRUE(MakeImageFile(dir / "Wallpaper\\green.bmp", imageW, imageH, green));
    ::WritePrivateProfileStringA("Kavro", "StartupsNumber", "1", (dir / "Kavro.ini").c_str());

    const bool shared = OnVirtualDesktop();
    const SIZE desktop = shared ? SIZE{::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)}
                                : SIZE{800, 600};
    const SIZE fit = ExpectedFit(imageW, imageH, desktop.cx, desktop.cy);

    SIZE screen = {};
    const std::vector<COLORREF> before = CaptureScreen(screen);
    ASSERT_FALSE(before.empty()) << "the screen cannot be read";
    const auto greenCount = [&](const std::vector<COLORREF>& pixels) {
        size_t n = 0;
        for (COLORREF c : pixels)
            n += (c == green);
        return n;
    };
    ASSERT_LT(greenCount(before), 1000u) << "green on the screen before the start";

    std::string command = "\"" + program + "\"";
    if (!shared) {
        char windows[MAX_PATH] = {};
        ::GetWindowsDirectoryA(windows, MAX_PATH);
        command = std::string("\"") + windows + "\\explorer.exe\" /desktop=KavroTest,800x600 " + command;
    }
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(::CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, dir.Path().c_str(),
                                 &si, &pi));

    char title[64] = {};
    DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < 30000) {
        ::GetPrivateProfileStringA("Kavro", "Wallpaper", "", title, sizeof title, (dir / "Kavro.ini").c_str());
        if (title[0])
            break;
        ::Sleep(100);
    }
    // The desktop repaints after the setting.
    const size_t expectedGreen = static_cast<size_t>(fit.cx - 2) * static_cast<size_t>(fit.cy - 2);
    std::vector<COLORREF> after;
    start = ::GetTickCount();
    do {
        ::Sleep(200);
        after = CaptureScreen(screen);
    } while (greenCount(after) < expectedGreen && ::GetTickCount() - start < 10000);

    // The tray menu's Exit ends the program (and its own desktop with it).
    FindProgram find;
    if (shared) {
        find.found = ::FindWindowA(nullptr, "Kavro Wallpaper Version 2.75");
    } else {
        HDESK other = ::OpenDesktopA("KavroTest", 0, FALSE, DESKTOP_ENUMERATE | DESKTOP_READOBJECTS);
        if (other) {
            ::EnumDesktopWindows(other, &FindProgramWindow, reinterpret_cast<LPARAM>(&find));
            ::CloseDesktop(other);
        }
    }
    if (find.found)
        ::PostMessageA(find.found, WM_COMMAND, ID_TRAY_EXIT, 0);
    if (::WaitForSingleObject(pi.hProcess, 15000) != WAIT_OBJECT_0)
        ::TerminateProcess(pi.hProcess, 1);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    if (shared) {
        // Our own desktop goes back to what it showed.
        std::string previous = previousWallpaper.present ? previousWallpaper.data : std::string();
        ::SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, &previous[0], 0);
    }

    EXPECT_STREQ(title, "green");
    EXPECT_NE(find.found, nullptr) << "the program's window was not found";
    ASSERT_EQ(after.size(), static_cast<size_t>(screen.cx) * screen.cy);

    // Where the green block stands, and how large it is.
    int left = screen.cx, top = screen.cy, right = -1, bottom = -1;
    for (int y = 0; y < screen.cy; ++y)
        for (int x = 0; x < screen.cx; ++x)
            if (after[static_cast<size_t>(y) * screen.cx + x] == green) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    ASSERT_GE(right, 0) << "the picture is not on the desktop";
    EXPECT_NEAR(right - left + 1, fit.cx, 2);
    EXPECT_NEAR(bottom - top + 1, fit.cy, 2);
    EXPECT_GE(greenCount(after), expectedGreen);
    // Centred: desktop, not picture, in the rows just above and below.
    const int midX = (left + right) / 2;
    ASSERT_GE(top, 3);
    ASSERT_LT(bottom + 3, screen.cy);
    EXPECT_NE(after[static_cast<size_t>(top - 3) * screen.cx + midX], green);
    EXPECT_NE(after[static_cast<size_t>(bottom + 3) * screen.cx + midX], green);
    if (shared) {
        EXPECT_NEAR(left, (desktop.cx - fit.cx) / 2, 2);
        EXPECT_NEAR(top, (desktop.cy - fit.cy) / 2, 2);
    }
}
