// Start-up, the countdown to the automatic exit (driven by WM_TIMER, never by waiting), the tray icon.
#include <gtest/gtest.h>

#include "tests/main_window_fixture.h"

using Names = std::vector<std::string>;

class StartupTest : public MainWindowTest {
protected:
    // A start with images that is not due, with the given Timeout (none: the key is removed).
    void StartHidden(const char* timeout)
    {
        AddImage("sea.jpg");
        AddImage("seashore.jpg");
        WriteSetting("StartupsNumber", "100");
        WriteSetting("Timeout", timeout);
        Start();
        ASSERT_FALSE(Visible());
    }
    bool Alive() const { return ::IsWindow(Dlg()) != FALSE; }
    bool TimerRunning() const { return ::KillTimer(Dlg(), CWallpaperDlg::kExitTimerId) != FALSE; }  // and stops it
    void Tick() const { ::SendMessageA(Dlg(), WM_TIMER, CWallpaperDlg::kExitTimerId, 0); }
};
using TrayTest = StartupTest;

// Chooses the last item of the tray menu with the keyboard, from inside its modal loop.
static int g_menuTicks = 0;
static void CALLBACK ChooseLastMenuItem(HWND, UINT, UINT_PTR, DWORD)
{
    HWND menu = ::FindWindowA("#32768", nullptr);
    if (!::IsWindowVisible(menu))
        return;
    if (++g_menuTicks > 60)
        ::EndMenu();  // one that does not react must not hang the test
    else if (g_menuTicks == 1)
        for (WPARAM key : {VK_UP, VK_RETURN})
            ::PostMessageA(menu, WM_KEYDOWN, key, 0);
}

TEST_F(StartupTest, DueStartWithAnEmptyLibraryShowsTheWindowAndUsesUpTheStart)
{
    MakeLibrary();
    WriteSetting("StartupsNumber", "3");
    WriteSetting("CurrentStartupNumber", "2");
    WriteSetting("Timeout", "2");
    Start();
    EXPECT_EQ(Status(), "There is no image files in Wallpaper list. Please add wallpaper files.");
    EXPECT_EQ(ReadSetting("CurrentStartupNumber"), "0");
    EXPECT_TRUE(Visible());
    EXPECT_FALSE(TimerRunning());  // no countdown while the window shows
}

TEST_F(StartupTest, RestoreStopsTheCountdownAndHidingStartsItFromZero)
{
    StartHidden("2");
    EXPECT_EQ(ReadSetting("CurrentStartupNumber"), "1");  // not due: only counted
    Tick();
    driver::TrayMouse(Dlg(), WM_LBUTTONDBLCLK);
    EXPECT_TRUE(Visible());
    EXPECT_FALSE(TimerRunning());
    Click(IDC_HIDE);
    Tick();
    EXPECT_TRUE(Alive());  // one tick after the hide, not two after the start
    Tick();
    EXPECT_FALSE(Alive());
}

TEST_F(TrayTest, IconRecordTaskbarRestartAndClicks)
{
    WriteSetting("Wallpaper", "sea");
    StartHidden(nullptr);
    EXPECT_FALSE(TimerRunning());  // no Timeout: no countdown
    ASSERT_TRUE(driver::TrayIcon(Dlg(), NIM_DELETE));  // a restarted taskbar has forgotten every icon
    ::SendMessageA(Dlg(), ::RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(driver::TrayIcon(Dlg()));

    driver::TrayMouse(Dlg(), WM_LBUTTONDOWN);  // a single click does nothing
    driver::TrayMouse(Dlg(), WM_LBUTTONUP);
    EXPECT_FALSE(Visible());
    driver::ColumnClick(Dlg(), 0);  // names descending: a prefix search would find seashore.jpg first
    driver::TrayMouse(Dlg(), WM_LBUTTONDBLCLK);
    EXPECT_TRUE(Visible());
    ASSERT_EQ(Rows(), (Names{"seashore.jpg", "sea.jpg"}));
    EXPECT_EQ(SelectedRows(), Names{"sea.jpg"});
}

TEST_F(TrayTest, MenuExitEndsWithoutAsking)
{
    StartHidden(nullptr);
    testing_support::AnswerNextDialog(CWinApp::Instance()->AppName(), IDNO);
    g_menuTicks = 0;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &ChooseLastMenuItem);
    ::SendMessageA(Dlg(), CTrayIcon::kNotifyMessage, 1, WM_RBUTTONDOWN);
    ::KillTimer(nullptr, timer);
    EXPECT_TRUE(testing_support::PumpUntil([&] { return !Alive(); }, 3000));
    EXPECT_FALSE(testing_support::DialogAnswered());
}
