#include <windows.h>

#include <gtest/gtest.h>

#include "engine/image_tools.h"
#include "tests/main_window_fixture.h"

using namespace testing_support;

static std::string Bitmap() { return CWallpaperEngine::WallpaperBitmapPath(); }
static std::string Desktop() { return driver::DesktopValue("TileWallpaper") + "|" + driver::DesktopValue("Wallpaper"); }

class WallpaperTest : public MainWindowTest {
protected:
    void SetUp() override { MainWindowTest::SetUp(), driver::ClearWallpaperTraces(); }
    // A start that is not due, so it sets no wallpaper of its own.
    void StartWithLibrary() { WriteSetting("StartupsNumber", "9"), Start()->RestoreFromTray(); }
    void SetWallpaperFrom(const std::string& name) { SelectRows({RowOf(name)}), Click(IDC_SET_WALLPAPER); }
    void ExpectWallpaper(const std::string& name, const std::string& size, bool resized)
    {
        EXPECT_EQ(Status(), std::string(resized ? "Resizing and setting" : "Setting") +
                                " new wallpaper completed successfully. Image file : " + LibraryFile(name));
        EXPECT_EQ(driver::BitmapSize(Bitmap()), size);
        EXPECT_EQ(Desktop() + " " + ReadSetting("Wallpaper"), "0|" + Bitmap() + " " + name.substr(0, name.rfind('.')));
    }
};

// Unknown modes (from a hand-edited file) act as the default, never registering an old bitmap.
TEST_F(WallpaperTest, ResizeModes)
{
    const int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
    const RECT fit = CImageTools::FitRect(1600, 1600, sw, sh);
    const std::string fitted = std::to_string(fit.right) + "x" + std::to_string(fit.bottom);
    const struct { const char* mode; const char* name; std::string size; bool resized; } cases[] = {
        {"P", "my.holiday.jpg", "400x300", false}, {"P", "big.bmp", fitted, true}, {"N", "big.bmp", "1600x1600", false},
        {"S", "small.bmp", std::to_string(sw) + "x" + std::to_string(sh), true}, {"", "big.bmp", fitted, true},
        {"X", "big.bmp", fitted, true}, {"p", "big.bmp", fitted, true}, {"X", "small.bmp", "200x100", false},
    };
    AddImage("my.holiday.jpg", 400, 300);
    AddImage("big.bmp", 1600, 1600);
    AddImage("small.bmp", 200, 100);
    StartWithLibrary();
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.mode) + " " + c.name);
        WriteSetting("ResizeType", c.mode);
        driver::ClearWallpaperTraces();
        SetWallpaperFrom(c.name);
        ExpectWallpaper(c.name, c.size, c.resized);
        EXPECT_TRUE(c.resized || ReadFileBytes(Bitmap()).find('\x18', 28) == 28) << "not saved at its own depth";
    }
}

// A vanished file, an undecodable one, and a bitmap that cannot be written
// leave the previous bitmap, the registry and the settings as they were.
TEST_F(WallpaperTest, FailuresChangeNothing)
{
    AddImage("gone.bmp");
    AddImage("blocked.bmp");
    WriteFileBytes(LibraryFile("damaged.jpg"), std::string("\xFF\xD8\xFF\xE0", 4) + std::string(3000, 'Z'));
    StartWithLibrary();
    ::DeleteFileA(LibraryFile("gone.bmp").c_str());
    WriteFileBytes(Bitmap(), "previous bitmap");
    ::CreateDirectoryA((Bitmap() + ".tmp").c_str(), nullptr);  // where the new one would be built
    const std::pair<const char*, const char*> cases[] = {
        {"gone.bmp", "Background file doesn't exist."}, {"damaged.jpg", "Loading image failed. Can't set wallpaper."},
        {"blocked.bmp", "Error writing bitmap to disk. Can't set image as wallpaper."},
    };
    for (const auto& c : cases) {
        SetWallpaperFrom(c.first);
        EXPECT_EQ(Status(), c.second + std::string(" Image file : ") + LibraryFile(c.first));
        EXPECT_EQ(ReadFileBytes(Bitmap()) + Desktop() + ReadSetting("Wallpaper"), "previous bitmap1|before-test");
    }
    ::RemoveDirectoryA((Bitmap() + ".tmp").c_str());
}

TEST_F(WallpaperTest, SelectionDecidesThePicture)
{
    for (const char* name : {"b.bmp", "a.bmp", "c.bmp"})
        AddImage(name, 40, 30);
    StartWithLibrary();
    const std::vector<std::string> rows = Rows();
    SelectRows({});  // nothing happens
    m_dlg->SetStatusText("as before");
    Command(IDC_SET_WALLPAPER);
    EXPECT_EQ(Status() + (PathExists(Bitmap()) ? " and a bitmap" : ""), "as before");
    SelectRows({2, 1});  // the first in list order
    Command(IDC_SET_WALLPAPER);
    ExpectWallpaper(rows.at(1), "40x30", false);
    SelectRows({0});
    NMITEMACTIVATE nm = {};  // a double-click on the first row
    nm.hdr = {ListHwnd(), IDC_LIST_FILES, UINT(NM_DBLCLK)};
    ::SendMessageA(Dlg(), WM_NOTIFY, IDC_LIST_FILES, reinterpret_cast<LPARAM>(&nm));
    ExpectWallpaper(rows.at(0), "40x30", false);
}

// The real program on a due start sets the only library picture; the virtual desktop shows it shrunk and centred.
TEST(WallpaperDesktop, DueStartShowsThePictureOnTheDesktop)
{
    if (::RegGetValueA(HKEY_CURRENT_USER, "Software\\Wine\\Explorer", "Desktop", RRF_RT_REG_SZ, 0, 0, 0) != 0)
        GTEST_SKIP() << "no virtual desktop: the plain X screen shows no wallpaper";
    char self[MAX_PATH] = {};  // <build>\tests\kavro_tests.exe
    std::string exe(self, ::GetModuleFileNameA(nullptr, self, MAX_PATH));
    exe = exe.substr(0, exe.rfind("\\tests\\")) + "\\KavroWallpaper.exe";
    TempDir dir;
    ASSERT_TRUE(::CreateDirectoryA((dir / "Wallpaper").c_str(), nullptr) &&
                MakeImageFile(dir / "Wallpaper\\green.bmp", 1600, 1120, RGB(0, 255, 0)));
    ::WritePrivateProfileStringA("Kavro", "StartupsNumber", "1", (dir / "Kavro.ini").c_str());
    // The system reads this value when it is handed the picture, before the program writes it.
    ::RegSetKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "TileWallpaper", REG_SZ, "0", 2);

    const int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
    RECT at = CImageTools::FitRect(1600, 1120, sw, sh);
    ::OffsetRect(&at, (sw - at.right) / 2, (sh - at.bottom) / 2);
    HDC screen = ::GetDC(nullptr);
    const auto green = [screen](int x, int y) { return ::GetPixel(screen, x, y) == RGB(0, 255, 0); };
    // Inside two opposite corners, past the picture's dark edges.
    const auto shown = [&] { return green(at.left + 3, at.top + 3) && green(at.right - 4, at.bottom - 4); };
    ::SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(""), SPIF_UPDATEINIFILE);  // a plain desktop
    ASSERT_TRUE(PumpUntil([&] { return !shown(); })) << "green on the screen before the start";

    const HANDLE process = testing_support::StartProgram(exe, dir.Path());
    ASSERT_TRUE(process) << exe;
    EXPECT_TRUE(PumpUntil(shown, 30000)) << "the picture is not on the desktop where it belongs";
    EXPECT_FALSE(green(sw / 2, at.top - 3) || green(sw / 2, at.bottom + 2)) << "not centred";
    ::PostMessageA(::FindWindowA(nullptr, "Kavro Wallpaper Version " KAVRO_VERSION), WM_COMMAND, ID_TRAY_EXIT, 0);
    if (::WaitForSingleObject(process, 15000) != WAIT_OBJECT_0)
        ::TerminateProcess(process, 1);
    ::CloseHandle(process), ::ReleaseDC(nullptr, screen);
}
