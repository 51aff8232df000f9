// The real program started in a temporary start directory, as the user's
// start-up sequence would start it; its countdown runs on ticks the test sends.
#include <gtest/gtest.h>

#include "tests/main_window_fixture.h"

static bool Running(HANDLE process) { return ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT; }

// STILL_ACTIVE when it did not end in time; pumps meanwhile, so that it cannot stall on us.
static DWORD ExitCode(HANDLE process, DWORD timeoutMs)
{
    testing_support::PumpUntil([&] { return !Running(process); }, timeoutMs);
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeProcess(process, &code);
    return code;
}

static bool Tick(HWND main) { return ::SendMessageTimeoutA(main, WM_TIMER, CWallpaperDlg::kExitTimerId, 0, SMTO_ABORTIFHUNG, 10000, nullptr); }

class ProcessTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        char self[MAX_PATH] = {};
        ::GetModuleFileNameA(nullptr, self, MAX_PATH);
        m_exe = std::string(self) + "\\..\\..\\KavroWallpaper.exe";  // one folder above the tests' own
        ASSERT_TRUE(testing_support::PathExists(m_exe)) << m_exe;
        ASSERT_EQ(::FindWindowA(nullptr, CWallpaperDlg::kTitle), nullptr);  // else every start is a second one
        AddImage("red.bmp", 40, 30);
        AddImage("blue.jpg", 50, 20);
        driver::ClearWallpaperTraces();
    }
    void TearDown() override  // no started program outlives the test
    {
        for (HANDLE process : m_started) {
            ::TerminateProcess(process, 99);  // fails harmlessly on one that has ended
            ::CloseHandle(process);
        }
        MainWindowTest::TearDown();
    }
    HANDLE Launch()
    {
        const HANDLE process = testing_support::StartProgram(m_exe, m_dir.Path());
        EXPECT_TRUE(process);
        m_started.push_back(process);
        return process;
    }
    // Launched; its window once it is initialised and in its message loop.
    HWND StartFirst(const std::function<bool()>& initialised)
    {
        const HANDLE process = Launch();
        HWND main = nullptr;
        EXPECT_TRUE(testing_support::PumpUntil(
            [&] { return initialised() && (main = ::FindWindowA(nullptr, CWallpaperDlg::kTitle)) != nullptr; }, 30000));
        ::WaitForInputIdle(process, 10000);
        return main;
    }

    std::string m_exe;
    std::vector<HANDLE> m_started;
};

TEST_F(ProcessTest, UnattendedStartSetsAWallpaperStaysHiddenAndEndsAfterTimeoutTicks)
{
    WriteSetting("StartupsNumber", "1");
    WriteSetting("Timeout", "2");
    HWND main = StartFirst([&] { return !ReadSetting("Wallpaper").empty(); });
    ASSERT_NE(main, nullptr);
    const std::string title = ReadSetting("Wallpaper");
    ASSERT_TRUE(title == "red" || title == "blue") << title;
    EXPECT_EQ(driver::BitmapSize(CWallpaperEngine::WallpaperBitmapPath()), title == "red" ? "40x30" : "50x20");
    EXPECT_EQ(driver::DesktopValue("Wallpaper"), CWallpaperEngine::WallpaperBitmapPath());
    EXPECT_EQ(driver::DesktopValue("TileWallpaper"), "0");
    EXPECT_EQ(ReadSetting("CurrentStartupNumber"), "0");
    EXPECT_FALSE(::IsWindowVisible(main));

    ASSERT_TRUE(Tick(main));
    EXPECT_EQ(ExitCode(m_started[0], 300), STILL_ACTIVE) << "ended one minute early";
    Tick(main);
    EXPECT_EQ(ExitCode(m_started[0], 10000), 0u);
}

TEST_F(ProcessTest, SecondInstanceEndsAtOnceAndLeavesTheFirstAlone)
{
    WriteSetting("StartupsNumber", "5");
    HWND main = StartFirst([&] { return ReadSetting("CurrentStartupNumber") == "1"; });
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(ExitCode(Launch(), 15000), 0u);
    EXPECT_EQ(ReadSetting("CurrentStartupNumber"), "1");
    EXPECT_EQ(driver::DesktopValue("Wallpaper"), "before-test");
    EXPECT_TRUE(Running(m_started[0]));
    EXPECT_FALSE(::IsWindowVisible(main));  // brought forward, but a hidden window stays hidden
}

// What Windows reads from the exe before it starts it: no elevation prompt and
// no file virtualization, Windows 10 and 11 known, real pixels, the classic look.
TEST_F(ProcessTest, ManifestAsksNoElevationKnowsTheSystemsAndIsDpiAware)
{
    const HMODULE exe = ::LoadLibraryExA(m_exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(exe, nullptr);
    const HRSRC found = ::FindResourceA(exe, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));  // RT_MANIFEST
    const void* data = found ? ::LockResource(::LoadResource(exe, found)) : nullptr;
    ASSERT_NE(data, nullptr);
    const std::string manifest(static_cast<const char*>(data), ::SizeofResource(exe, found));
    for (const char* wanted : {"level=\"asInvoker\"", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", ">true</dpiAware>",
                               ">UTF-8</activeCodePage>"})
        EXPECT_NE(manifest.find(wanted), std::string::npos) << wanted;
    EXPECT_EQ(manifest.find("Common-Controls"), std::string::npos);
    ::FreeLibrary(exe);
}
