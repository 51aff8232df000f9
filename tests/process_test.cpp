// The real KavroWallpaper.exe started in a temporary start directory, as the
// user's start-up sequence would start it: the unattended change, the hidden
// window, the countdown's end (driven by timer ticks the test sends), and a
// second instance that must leave the first alone.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "engine/wallpaper_engine.h"
#include "resource.h"
#include "tests/main_window_driver.h"
#include "tests/test_support.h"

using testing_support::Pump;

namespace {

const char kTitle[] = "Kavro Wallpaper Version 2.75";

// The program is built one folder above the tests.
std::string ProgramPath()
{
    char self[MAX_PATH] = {};
    const DWORD n = ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return std::string();
    std::string path = self;
    for (int up = 0; up < 2; ++up) {
        const std::string::size_type slash = path.rfind('\\');
        if (slash == std::string::npos)
            return std::string();
        path.erase(slash);
    }
    return path + "\\KavroWallpaper.exe";
}

// Pumps our own queue while waiting, so that nothing the child sends us can
// stall it.
bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs)
{
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > timeoutMs)
            return done();
        Pump(20);
    }
    return true;
}

// A started program; whatever happens to the test, it does not outlive it.
class Child {
public:
    Child() = default;
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child()
    {
        if (!m_pi.hProcess)
            return;
        if (::WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT) {
            ::TerminateProcess(m_pi.hProcess, 99);
            ::WaitForSingleObject(m_pi.hProcess, 5000);
        }
        ::CloseHandle(m_pi.hThread);
        ::CloseHandle(m_pi.hProcess);
    }

    bool Start(const std::string& exe, const std::string& startDir)
    {
        std::string commandLine = "\"" + exe + "\"";
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        return ::CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                startDir.c_str(), &si, &m_pi) != FALSE;
    }
    bool Running() const { return ::WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT; }
    // True with the exit code when the process ended within the time.
    bool WaitExit(DWORD timeoutMs, DWORD* code) const
    {
        if (!WaitFor([this] { return !Running(); }, timeoutMs))
            return false;
        return ::GetExitCodeProcess(m_pi.hProcess, code) != FALSE;
    }
    void WaitIdle() const { ::WaitForInputIdle(m_pi.hProcess, 10000); }
    DWORD Id() const { return m_pi.dwProcessId; }

private:
    PROCESS_INFORMATION m_pi = {};
};

struct WindowSearch {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK MatchProgramWindow(HWND hWnd, LPARAM lParam)
{
    auto* search = reinterpret_cast<WindowSearch*>(lParam);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hWnd, &pid);
    if (pid != search->pid || testing_support::WindowText(hWnd) != kTitle)
        return TRUE;
    search->found = hWnd;
    return FALSE;
}

HWND ProgramWindow(DWORD pid)
{
    WindowSearch search = {pid, nullptr};
    ::EnumWindows(&MatchProgramWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The status line of another process's window.
std::string StatusOf(HWND main)
{
    char text[1024] = {};
    DWORD_PTR copied = 0;
    ::SendMessageTimeoutA(::GetDlgItem(main, IDC_STATUS), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                          SMTO_ABORTIFHUNG, 5000, &copied);
    text[sizeof text - 1] = '\0';
    return text;
}

bool SendTick(HWND main)
{
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutA(main, WM_TIMER, 1, 0, SMTO_ABORTIFHUNG, 10000, &result) != 0;
}

class ProcessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_exe = ProgramPath();
        ASSERT_TRUE(testing_support::PathExists(m_exe)) << m_exe;
        // A program left running would turn every start into a second instance.
        ASSERT_EQ(::FindWindowA(nullptr, kTitle), nullptr);
        ASSERT_TRUE(::CreateDirectoryA(Library().c_str(), nullptr));
        ASSERT_TRUE(testing_support::MakeImageFile(Library() + "\\red.bmp", 40, 30, RGB(220, 30, 30)));
        ASSERT_TRUE(testing_support::MakeImageFile(Library() + "\\blue.jpg", 50, 20, RGB(30, 30, 220)));
        driver::ClearWallpaperTraces();
    }

    std::string Library() const { return m_dir / "Wallpaper"; }
    std::string Ini() const { return m_dir / "Kavro.ini"; }
    void Store(const char* key, const char* value) const
    {
        ::WritePrivateProfileStringA("Kavro", key, value, Ini().c_str());
    }
    std::string Stored(const char* key) const
    {
        char text[300] = {};
        ::GetPrivateProfileStringA("Kavro", key, "", text, sizeof text, Ini().c_str());
        return text;
    }
    // Started, its window found and its message loop reached.
    HWND StartFirst(Child& child, const std::function<bool()>& initialised)
    {
        EXPECT_TRUE(child.Start(m_exe, m_dir.Path()));
        EXPECT_TRUE(WaitFor(initialised, 30000)) << "the program did not initialise";
        HWND main = nullptr;
        EXPECT_TRUE(WaitFor([&] { return (main = ProgramWindow(child.Id())) != nullptr; }, 10000));
        child.WaitIdle();
        return main;
    }

    TempDir m_dir;
    std::string m_exe;
};

}  // namespace

TEST_F(ProcessTest, UnattendedStartSetsAWallpaperStaysHiddenAndEndsOnTheSecondTick)
{
    Store("StartupsNumber", "1");
    Store("Timeout", "2");
    Child child;
    HWND main = StartFirst(child, [&] { return !Stored("Wallpaper").empty(); });
    ASSERT_NE(main, nullptr);

    const std::string title = Stored("Wallpaper");
    ASSERT_TRUE(title == "red" || title == "blue") << title;
    const std::string file = Library() + (title == "red" ? "\\red.bmp" : "\\blue.jpg");
    const std::string bitmap = CWallpaperEngine::WallpaperBitmapPath();
    EXPECT_EQ(driver::ReadBitmapSize(bitmap),
              title == "red" ? (driver::BitmapSize{40, 30}) : (driver::BitmapSize{50, 20}));
    EXPECT_EQ(driver::DesktopValue("Wallpaper"), bitmap);
    EXPECT_EQ(driver::DesktopValue("TileWallpaper"), "0");
    EXPECT_EQ(Stored("CurrentStartupNumber"), "0");
    EXPECT_EQ(Stored("StartupsNumber"), "1");
    EXPECT_EQ(StatusOf(main), "Setting new wallpaper completed successfully. Image file : " + file);
    EXPECT_FALSE(::IsWindowVisible(main));

    ASSERT_TRUE(SendTick(main));
    Pump(300);
    EXPECT_TRUE(child.Running()) << "ended one minute early";
    EXPECT_TRUE(::IsWindow(main));
    EXPECT_FALSE(::IsWindowVisible(main));

    SendTick(main);
    DWORD code = 12345;
    ASSERT_TRUE(child.WaitExit(10000, &code)) << "still running after the second tick";
    EXPECT_EQ(code, 0u);
}

TEST_F(ProcessTest, SecondInstanceEndsAtOnceAndLeavesTheFirstAlone)
{
    Store("StartupsNumber", "5");
    Store("CurrentStartupNumber", "0");
    Store("Timeout", "3");
    Child first;
    HWND main = StartFirst(first, [&] { return Stored("CurrentStartupNumber") == "1"; });
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(SendTick(main));  // the first's countdown is under way

    Child second;
    ASSERT_TRUE(second.Start(m_exe, m_dir.Path()));
    DWORD code = 12345;
    ASSERT_TRUE(second.WaitExit(15000, &code)) << "the second instance kept running";
    EXPECT_EQ(code, 0u);

    EXPECT_EQ(Stored("CurrentStartupNumber"), "1");
    EXPECT_EQ(Stored("Wallpaper"), "");
    EXPECT_EQ(driver::DesktopValue("Wallpaper"), "before-test");
    EXPECT_TRUE(first.Running());
    EXPECT_FALSE(::IsWindowVisible(main));  // brought forward, but a hidden window stays hidden

    // The first still counts from where it was: one more tick leaves it, the third ends it.
    ASSERT_TRUE(SendTick(main));
    Pump(300);
    EXPECT_TRUE(first.Running());
    SendTick(main);
    ASSERT_TRUE(first.WaitExit(10000, &code));
    EXPECT_EQ(code, 0u);
}

TEST_F(ProcessTest, TrayMenuExitEndsTheProgramWithCodeZero)
{
    Store("StartupsNumber", "5");
    Child child;
    HWND main = StartFirst(child, [&] { return Stored("CurrentStartupNumber") == "1"; });
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(::PostMessageA(main, WM_COMMAND, MAKEWPARAM(ID_TRAY_EXIT, 0), 0));
    DWORD code = 12345;
    ASSERT_TRUE(child.WaitExit(10000, &code));
    EXPECT_EQ(code, 0u);
}
