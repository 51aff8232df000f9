#include <windows.h>

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/image_tools.h"
#include "library/library.h"
#include "library/preview_dlg.h"
#include "tests/main_window_fixture.h"

using namespace testing_support;

static std::string Bitmap() { return CWallpaperEngine::WallpaperBitmapPath(); }

class WallpaperTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        driver::ClearWallpaperTraces();
    }
    void SetWallpaperFrom(const std::string& name)
    {
        SelectRows({RowOf(name)});
        Click(IDC_SET_WALLPAPER);
    }
    void ExpectWallpaper(const std::string& name, const std::string& size, bool resized)
    {
        EXPECT_EQ(Status(), std::string(resized ? "Resizing and setting" : "Setting") +
                                " new wallpaper completed successfully. Image file : " + LibraryFile(name));
        EXPECT_EQ(driver::BitmapSize(Bitmap()), size);
        EXPECT_EQ(driver::DesktopValue("TileWallpaper"), "0");
        EXPECT_EQ(driver::DesktopValue("Wallpaper"), Bitmap());
        EXPECT_EQ(ReadSetting("Wallpaper"), name.substr(0, name.rfind('.')));
    }
};

// Unknown modes (from a hand-edited file) act as the default, never registering an old bitmap.
TEST_F(WallpaperTest, ResizeModes)
{
    const int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
    HDC screen = ::GetDC(nullptr);
    const char screenBits = char(::GetDeviceCaps(screen, BITSPIXEL) * ::GetDeviceCaps(screen, PLANES));
    ::ReleaseDC(nullptr, screen);
    const RECT fit = CImageTools::FitRect(1600, 1600, sw, sh), photo = CImageTools::FitRect(2600, 2000, sw, sh);
    const std::string fitted = std::to_string(fit.right) + "x" + std::to_string(fit.bottom);
    const struct { const char* mode; const char* name; std::string size; bool resized; } cases[] = {
        {"P", "my.holiday.jpg", "400x300", false}, {"P", "big.bmp", fitted, true}, {"N", "big.bmp", "1600x1600", false},
        {"P", "photo.jpg", std::to_string(photo.right) + "x" + std::to_string(photo.bottom), true},  // decoded at 1/2
        {"S", "small.bmp", std::to_string(sw) + "x" + std::to_string(sh), true}, {"", "big.bmp", fitted, true},
        {"X", "big.bmp", fitted, true}, {"p", "big.bmp", fitted, true}, {"X", "small.bmp", "200x100", false},
        // Fill covers the screen; Fit enlarges the 2:1 picture until a side meets the screen's.
        {"F", "big.bmp", std::to_string(sw) + "x" + std::to_string(sh), true},
        {"E", "small.bmp", sw <= 2 * sh ? std::to_string(sw) + "x" + std::to_string((sw + 1) / 2)
                                        : std::to_string(2 * sh) + "x" + std::to_string(sh), true},
    };
    AddImage("my.holiday.jpg", 400, 300);
    AddImage("big.bmp", 1600, 1600);
    AddImage("small.bmp", 200, 100);
    AddImage("photo.jpg", 2600, 2000);
    StartShown();
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.mode) + " " + c.name);
        WriteSetting("ResizeType", c.mode);
        driver::ClearWallpaperTraces();
        SetWallpaperFrom(c.name);
        ExpectWallpaper(c.name, c.size, c.resized);
        // Scaled: the screen's depth; unchanged: the picture's own.
        EXPECT_EQ(ReadFileBytes(Bitmap()).substr(28, 1), std::string(1, c.resized ? screenBits : '\x18'));
    }
}

// A photo taken with the camera turned: its EXIF orientation (an APP1 block written here) turns it upright,
// in the preview's line and in the wallpaper, also where it is decoded at a reduced scale.
TEST_F(WallpaperTest, TurnedPhotosComeUpright)
{
    // 2400 x 1200, its top left quarter red, the rest blue
    const Image picture = MakePicture(2400, 1200, [](int x, int y) { return x < 1200 && y < 600 ? RGB(255, 0, 0) : RGB(0, 0, 255); });
    const std::string jpeg = Encode(picture.get(), true);
    MakeLibrary();
    // orientation and its tag's type (a LONG one is malformed and ignored), upright size, and the upright
    // quarter (0 top left, 1 top right, 2 bottom left, 3 bottom right) that is red
    const struct { int orientation, type, w, h, redQuarter; const char* mode; } cases[] = {
        {6, 3, 1200, 2400, 1, "P"}, {8, 3, 1200, 2400, 2, "P"}, {3, 3, 2400, 1200, 3, "P"}, {6, 3, 1200, 2400, 1, "N"},
        {6, 4, 2400, 1200, 0, "P"},
    };
    const auto name = [](const auto& c) { return "turned" + std::to_string(c.orientation * 10 + c.type) + c.mode + ".jpg"; };
    for (const auto& c : cases) {
        const char tiff[] = {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 1, char(c.type), 0, 1, 0, 0, 0, char(c.orientation), 0, 0, 0, 0, 0, 0, 0};
        const std::string app1 = std::string("\xFF\xE1\x00\x22" "Exif\0\0", 10) + std::string(tiff, sizeof tiff);
        WriteFileBytes(LibraryFile(name(c)), jpeg.substr(0, 2) + app1 + jpeg.substr(2));
    }
    StartShown();
    const int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
    RECT area = {};
    ::GetClientRect(Preview()->Item(IDC_PREVIEW_PICTURE), &area);
    for (const auto& c : cases) {
        SCOPED_TRACE(name(c));
        WriteSetting("ResizeType", c.mode);
        SetWallpaperFrom(name(c));
        EXPECT_EQ(WindowText(Preview()->Item(IDC_PREVIEW_INFO)),
                  "Resolution : " + std::to_string(c.w) + " x " + std::to_string(c.h) + " : 24");
        BITMAP bm = {};
        ::GetObjectA(PreviewPicture(), sizeof bm, &bm);
        const RECT shown = CImageTools::FitRect(c.w, c.h, area.right, area.bottom);
        EXPECT_EQ(std::make_pair(bm.bmWidth, bm.bmHeight), std::make_pair(shown.right, shown.bottom));
        const RECT fit = *c.mode == 'N' ? RECT{0, 0, c.w, c.h} : CImageTools::FitRect(c.w, c.h, sw, sh);
        ExpectWallpaper(name(c), std::to_string(fit.right) + "x" + std::to_string(fit.bottom), *c.mode != 'N');
        FIBITMAP* wallpaper = FreeImage_Load(FIF_BMP, Bitmap().c_str(), 0);
        ASSERT_TRUE(wallpaper);
        for (int quarter = 0; quarter < 4; ++quarter) {  // the middle of each quarter
            RGBQUAD pixel = {};
            const int x = fit.right * (1 + quarter % 2 * 2) / 4, y = fit.bottom * (1 + quarter / 2 * 2) / 4;
            FreeImage_GetPixelColor(wallpaper, x, fit.bottom - 1 - y, &pixel);
            EXPECT_EQ(pixel.rgbRed > 200 && pixel.rgbBlue < 60, quarter == c.redQuarter) << "quarter " << quarter;
        }
        FreeImage_Unload(wallpaper);
    }
}

// The selection decides the picture, also one open in an editor; a vanished file leaves everything as
// it was (damaged ones: the corpus).
TEST_F(WallpaperTest, SelectionDecidesThePicture)
{
    for (const char* name : {"b.bmp", "a.bmp", "c.bmp", "gone.bmp"})
        AddImage(name, 40, 30);
    StartShown();
    const std::vector<std::string> rows = Rows();
    SelectRows({});  // nothing happens
    m_dlg->SetStatusText("as before");
    Command(IDC_SET_WALLPAPER);
    EXPECT_EQ(Status(), "as before");
    EXPECT_FALSE(PathExists(Bitmap()));
    ::DeleteFileA(LibraryFile("gone.bmp").c_str());
    SetWallpaperFrom("gone.bmp");
    EXPECT_EQ(Status(), "Background file doesn't exist. Image file : " + LibraryFile("gone.bmp"));
    EXPECT_FALSE(PathExists(Bitmap()));
    EXPECT_EQ(driver::DesktopValue("Wallpaper"), "before-test");
    EXPECT_EQ(ReadSetting("Wallpaper"), "");
    SelectRows({2, 1});  // the first in list order
    Command(IDC_SET_WALLPAPER);
    ExpectWallpaper(rows.at(1), "40x30", false);
    SelectRows({0});
    NMITEMACTIVATE nm = {};  // a double-click on the first row
    nm.hdr = {ListHwnd(), IDC_LIST_FILES, UINT(NM_DBLCLK)};
    // An editor holds the picture open for writing, sharing it as editors do.
    const HANDLE editor = ::CreateFileA(LibraryFile(rows.at(0)).c_str(), GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
    ::SendMessageA(Dlg(), WM_NOTIFY, IDC_LIST_FILES, reinterpret_cast<LPARAM>(&nm));
    ::CloseHandle(editor);
    ExpectWallpaper(rows.at(0), "40x30", false);
}

namespace {

// The system's side of a change, with folders and failures chosen by the test; it
// remembers how the desktop was set up when the wallpaper call came.
struct TestDesktop : CWallpaperEngine::Desktop {
    // An empty user folder: the real per-user one; failing: a value that cannot be stored, or "call".
    TestDesktop(std::string w, std::string u, std::string f) : windows(w), user(u), failing(f) {}
    std::string windows, user, failing;
    mutable std::string seenAtCall;
    std::string WindowsFolder() const override { return windows; }
    std::string UserFolder() const override { return user.empty() ? Desktop::UserFolder() : user; }
    bool SetValue(const char* name, const std::string& value) const override {
        return failing != name && Desktop::SetValue(name, value);
    }
    bool SetWallpaper(const std::string& path) const override {
        if (seenAtCall.empty())  // not the call that puts the old picture back
            seenAtCall = driver::DesktopValue("TileWallpaper") + driver::DesktopValue("WallpaperStyle");
        return failing != "call" && Desktop::SetWallpaper(path);
    }
};

}  // namespace

// A standard user cannot write into the Windows directory: the bitmap goes to a
// folder of his own and the desktop is given that path. The system sees the picture
// untiled and centred; failures of the call or the registry are reported and the
// picture is not remembered.
TEST_F(WallpaperTest, WhereTheBitmapGoesAndWhatTheSystemSees)
{
    char appData[MAX_PATH] = {};
    ASSERT_TRUE(::GetEnvironmentVariableA("LOCALAPPDATA", appData, MAX_PATH));
    const std::string own = std::string(appData) + "\\KavroWallpaper\\KavroWallpaper.BMP";
    const std::string windows = m_dir / "windows", blocked = m_dir / "blocked";
    ::CreateDirectoryA(windows.c_str(), nullptr);
    ::CreateDirectoryA(blocked.c_str(), nullptr);
    WriteFileBytes(blocked + "\\KavroWallpaper.BMP", "read-only bitmap");
    ::SetFileAttributesA((blocked + "\\KavroWallpaper.BMP").c_str(), FILE_ATTRIBUTE_READONLY);
    const std::string missing = m_dir / "none";
    const char kNoCall[] = "Error setting bitmap as desktop wallpaper.";
    const char kNoRegistry[] = "Error updating registry with new wallpaper file.";
    const char kNoDisk[] = "Error writing bitmap to disk. Can't set image as wallpaper.";
    const char kDone[] = "Setting new wallpaper completed successfully.";
    const std::string inWindows = windows + "\\KavroWallpaper.BMP";
    const std::string kNoTitle = "Wallpaper set, but its title could not be written to " + IniPath() + ".";
    // written: where the bitmap is; registry: the desktop's "Wallpaper" afterwards (the
    // system itself stores it when it takes the picture); seen: tile and style at the call.
    // A failure leaves the bitmap and the desktop's values as they were; "ini": the settings
    // file is held open by another program.
    struct Case { std::string windows, user, failing, written, message, registry, seen; };
    const Case cases[] = {
        {windows, "", "", inWindows, kDone, inWindows, "00"},
        {blocked, "", "", own, kDone, own, "00"},
        {missing, "", "", own, kDone, own, "00"},
        {"", "", "", own, kDone, own, "00"},  // no Windows folder: not the drive's root
        {missing, blocked, "", "", kNoDisk, "before-test", ""},
        {windows, "", "call", "", kNoCall, "before-test", "00"},
        {windows, "", "Wallpaper", "", kNoRegistry, "before-test", "00"},
        {windows, "", "WallpaperStyle", "", kNoRegistry, "before-test", ""},
        {windows, "", "ini", inWindows, kNoTitle, inWindows, "00"},
    };
    AddImage("sunset.jpg", 64, 48);
    StartShown();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.windows + " " + c.user + " " + c.failing);
        driver::ClearWallpaperTraces();
        ::RegSetKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "WallpaperStyle", REG_SZ, "10", 3);
        ::DeleteFileA(own.c_str());
        ::DeleteFileA(inWindows.c_str());
        const bool hadOne = c.windows == windows;  // an earlier wallpaper, which a failure must leave
        if (hadOne)
            WriteFileBytes(inWindows, "old bitmap");
        WriteSetting("Wallpaper", "before");
        TestDesktop desktop(c.windows, c.user, c.failing);
        m_dlg->SetDesktop(desktop);
        {
            const HANDLE ini = c.failing == "ini" ? ::CreateFileA(IniPath().c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                                                  nullptr, OPEN_EXISTING, 0, nullptr)
                                                  : INVALID_HANDLE_VALUE;
            SetWallpaperFrom("sunset.jpg");
            if (ini != INVALID_HANDLE_VALUE)
                ::CloseHandle(ini);
        }
        m_dlg->SetDesktop(CWallpaperEngine::SystemDesktop());
        EXPECT_EQ(Status(), c.message + " Image file : " + LibraryFile("sunset.jpg"));
        EXPECT_EQ(desktop.seenAtCall, c.seen);
        EXPECT_EQ(driver::DesktopValue("Wallpaper"), c.registry);
        EXPECT_EQ(ReadSetting("Wallpaper"), c.message == kDone ? "sunset" : "before");
        const bool set = !c.written.empty();
        EXPECT_EQ(driver::DesktopValue("TileWallpaper") + driver::DesktopValue("WallpaperStyle"), set ? "00" : "110");
        EXPECT_TRUE(set ? driver::BitmapSize(c.written) == "64x48"
                        : !PathExists(own) && (hadOne ? ReadFileBytes(inWindows) == "old bitmap" : !PathExists(inWindows)));
        EXPECT_FALSE(PathExists(inWindows + ".old") || PathExists(own + ".old"));
        EXPECT_FALSE(PathExists("\\KavroWallpaper.BMP"));
    }
    EXPECT_EQ(ReadFileBytes(blocked + "\\KavroWallpaper.BMP"), "read-only bitmap");
    ::SetFileAttributesA((blocked + "\\KavroWallpaper.BMP").c_str(), FILE_ATTRIBUTE_NORMAL);
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
    // A tiled desktop before: the program must untile it before handing over the picture.
    ::RegSetKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "TileWallpaper", REG_SZ, "1", 2);

    const int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
    RECT at = CImageTools::FitRect(1600, 1120, sw, sh);
    ::OffsetRect(&at, (sw - at.right) / 2, (sh - at.bottom) / 2);
    HDC screen = ::GetDC(nullptr);
    const auto green = [screen](int x, int y) { return ::GetPixel(screen, x, y) == RGB(0, 255, 0); };
    // Inside its top corners, past the picture's dark left column (Wine's taskbar may cover the bottom).
    const auto shown = [&] { return green(at.left + 3, at.top + 3) && green(at.right - 4, at.top + 3); };
    const int midX = (at.left + at.right) / 2, midY = (at.top + at.bottom) / 2;
    ::SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(""), SPIF_UPDATEINIFILE);  // a plain desktop
    ASSERT_TRUE(PumpUntil([&] { return !shown(); })) << "green on the screen before the start";

    const HANDLE process = testing_support::StartProgram(exe, dir.Path());
    ASSERT_TRUE(process) << exe;
    EXPECT_TRUE(PumpUntil(shown, 30000)) << "the picture is not on the desktop where it belongs";
    EXPECT_FALSE(green(at.left - 3, midY) || green(at.right + 2, midY) || green(midX, at.top - 3) ||
                 green(midX, at.bottom + 2)) << "not centred, or tiled";
    ::PostMessageA(::FindWindowA(nullptr, "Kavro Wallpaper Version " KAVRO_VERSION), WM_COMMAND, ID_TRAY_EXIT, 0);
    if (::WaitForSingleObject(process, 15000) != WAIT_OBJECT_0)
        ::TerminateProcess(process, 1);
    ::CloseHandle(process);
    ::ReleaseDC(nullptr, screen);
}

// With the UTF-8 code page, names in any language are listed, set and copied as they are; a name
// holding '?' (what an older code page makes of them) never stands for other files.
TEST_F(WallpaperTest, NamesInAnyLanguage)
{
    EXPECT_EQ(::GetACP(), 65001u);
    const std::string holiday = "\xD0\x9E\xD1\x82\xD0\xBF\xD1\x83\xD1\x81\xD0\xBA.jpg", sea = "\xE6\xB5\xB7.jpg";
    for (const std::string& name : {holiday, sea, std::string("1.jpg"), std::string("2.jpg")})
        AddImage(name, 40, 30);
    StartShown();
    std::vector<std::string> rows = Rows();
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, (std::vector<std::string>{"1.jpg", "2.jpg", holiday, sea}));
    SetWallpaperFrom(sea);
    ExpectWallpaper(sea, "40x30", false);

    EXPECT_FALSE(CFileTools().FileExists(LibraryFile("?.jpg")));
    const std::string outside = m_dir / "outside";
    ::CreateDirectoryA(outside.c_str(), nullptr);
    for (const char* name : {"\\x.jpg", "\\y.jpg"})
        ASSERT_TRUE(testing_support::MakeImageFile(outside + name, 8, 8, RGB(1, 2, 3)));
    const CLibrary library(Library());
    EXPECT_FALSE(library.CopyIn(Dlg(), {outside + "\\?.jpg"}, nullptr));
    EXPECT_FALSE(PathExists(LibraryFile("x.jpg")) || PathExists(LibraryFile("y.jpg")));
    ASSERT_TRUE(::MoveFileA((outside + "\\x.jpg").c_str(), (outside + "\\" + holiday + ".jpg").c_str()));
    EXPECT_TRUE(library.CopyIn(Dlg(), {outside + "\\" + holiday + ".jpg"}, nullptr));
    EXPECT_TRUE(PathExists(LibraryFile(holiday + ".jpg")));
}
