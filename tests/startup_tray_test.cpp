// The start counter, the decision taken while the main window initialises,
// the countdown to the automatic exit (driven by WM_TIMER messages, never by
// waiting), and the tray icon: hiding, restoring, its menu and its return
// after the taskbar restarts.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "library/preview_dlg.h"
#include "settings/settings.h"
#include "tests/main_window_driver.h"
#include "tests/main_window_fixture.h"

using testing_support::Pump;
using testing_support::PumpUntil;

namespace {

using Names = std::vector<std::string>;

const char kEmptyLibrary[] = "There is no image files in Wallpaper list. Please add wallpaper files.";

// ------------------------------------------------------------------ counter

class StartupCounterTest : public ::testing::Test {
protected:
    StartupCounterTest() { m_settings.m_strIniPath = m_dir / "Kavro.ini"; }
    void Store(const char* key, const char* value) const
    {
        ::WritePrivateProfileStringA("Kavro", key, value, m_settings.m_strIniPath.c_str());
    }
    std::string Stored(const char* key) const
    {
        char text[300] = {};
        ::GetPrivateProfileStringA("Kavro", key, "<missing>", text, sizeof text, m_settings.m_strIniPath.c_str());
        return text;
    }

    TempDir m_dir;
    CSettings m_settings;
};

}  // namespace

TEST_F(StartupCounterTest, FirstStartWithoutAFileIsDue)
{
    EXPECT_TRUE(m_settings.AdvanceStartupCounter());
    EXPECT_EQ(Stored("StartupsNumber"), "1");
    EXPECT_EQ(Stored("CurrentStartupNumber"), "0");
    EXPECT_TRUE(m_settings.AdvanceStartupCounter());
    EXPECT_EQ(Stored("CurrentStartupNumber"), "0");
}

TEST_F(StartupCounterTest, EveryThirdStartIsDue)
{
    Store("StartupsNumber", "3");
    const bool due[] = {false, false, true, false, false, true};
    const char* counter[] = {"1", "2", "0", "1", "2", "0"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(m_settings.AdvanceStartupCounter(), due[i]) << "start " << i + 1;
        EXPECT_EQ(Stored("CurrentStartupNumber"), counter[i]) << "start " << i + 1;
    }
    EXPECT_EQ(Stored("StartupsNumber"), "3");
}

TEST_F(StartupCounterTest, StoredPairsGiveTheirOutcome)
{
    struct Case { const char* every; const char* current; bool due; const char* after; const char* everyAfter; };
    const Case cases[] = {
        {"3", "2", true, "0", "3"},
        {"3", "0", false, "1", "3"},
        {"3", "5", false, "0", "3"},
        {"2", "5", false, "0", "2"},
        {nullptr, "0", true, "0", "1"},     // missing limit: written as 1
        {nullptr, nullptr, true, "0", "1"},
        {nullptr, "3", false, "0", "1"},
        {"0", "0", false, "0", "0"},        // a limit of 0 is never reached
        {"abc", "0", false, "0", "abc"},
        {"2", "xyz", false, "1", "2"},      // a counter without digits counts as 0
        {"4", "+3", true, "0", "4"},        // a sign is accepted
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.every ? c.every : "<none>") << " / "
                                        << (c.current ? c.current : "<none>"));
        ::DeleteFileA(m_settings.m_strIniPath.c_str());
        if (c.every)
            Store("StartupsNumber", c.every);
        if (c.current)
            Store("CurrentStartupNumber", c.current);
        EXPECT_EQ(m_settings.AdvanceStartupCounter(), c.due);
        EXPECT_EQ(Stored("CurrentStartupNumber"), c.after);
        EXPECT_EQ(Stored("StartupsNumber"), c.everyAfter);
    }
}

// ------------------------------------------------------------------ decision

namespace {

class StartupDecisionTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        driver::ClearWallpaperTraces();
    }
    bool Alive() const { return ::IsWindow(m_hMain) != FALSE; }
    // Whether the countdown's timer runs; the check stops it.
    bool TimerRunning() const { return ::KillTimer(m_hMain, 1) != FALSE; }
    CWallpaperDlg* StartAndRemember()
    {
        Start();
        m_hMain = Dlg();
        return m_dlg;
    }
    HWND m_hMain = nullptr;
};

class StartupCountdownTest : public StartupDecisionTest {
protected:
    // A hidden start with images and the given Timeout, not due for a change.
    void StartHidden(const char* timeout)
    {
        AddImage("a.bmp", 20, 20);
        AddImage("b.bmp", 20, 20);
        WriteSetting("StartupsNumber", "100");
        WriteSetting("Timeout", timeout);  // none: the key is removed
        StartAndRemember();
        ASSERT_FALSE(Visible());
    }
    void Tick() { driver::Tick(m_hMain); }
};

class TrayTest : public StartupDecisionTest {
protected:
    void StartHidden()
    {
        WriteSetting("StartupsNumber", "100");
        StartAndRemember();
        ASSERT_FALSE(Visible());
    }
};

}  // namespace

TEST_F(StartupDecisionTest, DueStartSetsARandomImageAndStaysHidden)
{
    AddImage("red.bmp", 40, 30);
    AddImage("blue.jpg", 50, 20);
    WriteSetting("StartupsNumber", "1");
    StartAndRemember();

    EXPECT_FALSE(Visible());
    const std::string title = ReadSetting("Wallpaper");
    ASSERT_TRUE(title == "red" || title == "blue") << title;
    const std::string name = title == "red" ? "red.bmp" : "blue.jpg";
    EXPECT_EQ(Status(), "Setting new wallpaper completed successfully. Image file : " + LibraryFile(name));
    EXPECT_EQ(driver::ReadBitmapSize(CWallpaperEngine::WallpaperBitmapPath()),
              title == "red" ? (driver::BitmapSize{40, 30}) : (driver::BitmapSize{50, 20}));
    EXPECT_EQ(driver::DesktopValue("Wallpaper"), CWallpaperEngine::WallpaperBitmapPath());
    EXPECT_EQ(ReadSetting("CurrentStartupNumber"), "0");
    EXPECT_EQ(m_dlg->TrayIconAdds(), 1);
    EXPECT_FALSE(TimerRunning());  // no Timeout, no countdown
}

TEST_F(StartupDecisionTest, StartThatIsNotDueCountsAndChangesNothing)
{
    AddImage("red.bmp");
    WriteSetting("StartupsNumber", "3");
    WriteSetting("CurrentStartupNumber", "0");
    WriteSetting("Wallpaper", "old");
    StartAndRemember();

    EXPECT_FALSE(Visible());
    EXPECT_EQ(ReadSetting("CurrentStartupNumber"), "1");
    EXPECT_EQ(ReadSetting("Wallpaper"), "old");
    EXPECT_FALSE(testing_support::PathExists(CWallpaperEngine::WallpaperBitmapPath()));
    const std::string status = Status();
    EXPECT_EQ(status.rfind("Kavro Wallpaper Version 2.75. ", 0), 0u) << status;
    EXPECT_NE(status.find("2001"), std::string::npos) << status;
    EXPECT_TRUE(Rows().empty());  // filled only when the window is brought back
}

TEST_F(StartupDecisionTest, DueStartWithAnEmptyLibraryShowsTheWindowAndUsesUpTheStart)
{
    MakeLibrary();
    WriteSetting("StartupsNumber", "3");
    WriteSetting("CurrentStartupNumber", "2");
    WriteSetting("Timeout", "2");
    StartAndRemember();

    EXPECT_TRUE(Visible());
    EXPECT_EQ(Status(), kEmptyLibrary);
    EXPECT_EQ(ReadSetting("CurrentStartupNumber"), "0");
    EXPECT_EQ(ReadSetting("Wallpaper"), "");
    EXPECT_FALSE(testing_support::PathExists(CWallpaperEngine::WallpaperBitmapPath()));
    EXPECT_FALSE(TimerRunning());  // the countdown never runs while the window shows

    // Centred in the work area.
    RECT rc = {};
    ASSERT_TRUE(::GetWindowRect(m_hMain, &rc));
    MONITORINFO mi = {};
    mi.cbSize = sizeof mi;
    ASSERT_TRUE(::GetMonitorInfoA(::MonitorFromWindow(m_hMain, MONITOR_DEFAULTTOPRIMARY), &mi));
    EXPECT_NEAR((rc.left + rc.right) / 2, (mi.rcWork.left + mi.rcWork.right) / 2, 1);
    EXPECT_NEAR((rc.top + rc.bottom) / 2, (mi.rcWork.top + mi.rcWork.bottom) / 2, 1);
}

TEST_F(StartupDecisionTest, MissingLibraryShowsTheWindowAndCreatesNothing)
{
    WriteSetting("StartupsNumber", "1");
    StartAndRemember();
    EXPECT_TRUE(Visible());
    EXPECT_EQ(Status(), kEmptyLibrary);
    EXPECT_FALSE(testing_support::PathExists(Library()));
    EXPECT_EQ(ReadSetting("CurrentStartupNumber"), "0");
    EXPECT_FALSE(Enabled(IDC_PICK_RANDOM));
}

TEST_F(StartupDecisionTest, DueStartWithOnlyOtherFilesEndsHiddenWithTheCountdownRunning)
{
    AddFile("notes.txt", 10);
    WriteSetting("StartupsNumber", "1");
    WriteSetting("Timeout", "2");
    StartAndRemember();

    EXPECT_FALSE(Visible());
    EXPECT_EQ(ReadSetting("Wallpaper"), "");
    EXPECT_EQ(m_dlg->TimeoutMinutes(), 2);
    EXPECT_EQ(m_dlg->MinutesElapsed(), 0);
    EXPECT_TRUE(TimerRunning());
}

// ------------------------------------------------------------------ countdown

TEST_F(StartupCountdownTest, ClosesOnExactlyTheConfiguredTick)
{
    StartHidden("3");
    EXPECT_EQ(m_dlg->TimeoutMinutes(), 3);
    EXPECT_NE(m_dlg->ExitTimerId(), 0u);
    Tick();
    Tick();
    ASSERT_TRUE(Alive());
    EXPECT_EQ(m_dlg->MinutesElapsed(), 2);
    Tick();
    EXPECT_FALSE(Alive());
}

TEST_F(StartupCountdownTest, TimeoutThatReadsAsZeroOrLessClosesOnTheFirstTick)
{
    for (const char* timeout : {"00", "-1", " 0x"}) {
        SCOPED_TRACE(timeout);
        StartHidden(timeout);
        Tick();
        EXPECT_FALSE(Alive());
        Close();
    }
}

TEST_F(StartupCountdownTest, TimeoutZeroOrEmptyArmsNoTimer)
{
    StartHidden("0");
    EXPECT_FALSE(TimerRunning());
    Close();
    StartHidden(nullptr);
    EXPECT_FALSE(TimerRunning());
    EXPECT_TRUE(Alive());
}

TEST_F(StartupCountdownTest, RestoreStopsItAndHidingStartsItAgainFromZero)
{
    StartHidden("2");
    Tick();
    ASSERT_EQ(m_dlg->MinutesElapsed(), 1);

    driver::TrayMouse(m_hMain, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(Visible());
    EXPECT_FALSE(TimerRunning());

    Click(IDC_HIDE);
    EXPECT_FALSE(Visible());
    EXPECT_EQ(m_dlg->MinutesElapsed(), 0);
    Tick();
    EXPECT_TRUE(Alive());  // one tick after the hide, not two after the start
    Tick();
    EXPECT_FALSE(Alive());
}

TEST_F(StartupCountdownTest, EveryWayOfHidingRearmsAndTraySettingsStops)
{
    StartHidden("5");
    driver::TrayMouse(m_hMain, WM_LBUTTONDBLCLK);
    ASSERT_TRUE(Visible());

    PressKey(m_hMain, VK_RETURN);
    EXPECT_FALSE(Visible());
    Tick();
    Tick();
    EXPECT_EQ(m_dlg->MinutesElapsed(), 2);

    ::SendMessageA(m_hMain, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    Pump();
    EXPECT_FALSE(Visible());
    EXPECT_EQ(m_dlg->MinutesElapsed(), 0);

    Click(IDC_HIDE);  // hiding a hidden window starts it again too
    EXPECT_EQ(m_dlg->MinutesElapsed(), 0);
    EXPECT_EQ(m_dlg->TimeoutMinutes(), 5);

    Command(ID_TRAY_SETTINGS);
    EXPECT_TRUE(Visible());
    EXPECT_FALSE(TimerRunning());
}

TEST_F(StartupCountdownTest, HidingWithTimeoutZeroStopsARunningCountdown)
{
    StartHidden("2");
    WriteSetting("Timeout", "0");  // as the Options dialog stores "automatic exit off"
    Click(IDC_HIDE);
    EXPECT_FALSE(TimerRunning());
}

// ------------------------------------------------------------------ tray

TEST_F(TrayTest, IconIsAddedOnceWithTheWindowsTitleAndCallback)
{
    AddImage("a.bmp");
    StartHidden();
    const NOTIFYICONDATAA& icon = m_dlg->TrayIcon();
    EXPECT_EQ(m_dlg->TrayIconAdds(), 1);
    EXPECT_EQ(icon.hWnd, m_hMain);
    EXPECT_EQ(icon.uID, 1u);
    EXPECT_EQ(icon.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(icon.uCallbackMessage, static_cast<UINT>(WM_USER + 1));
    EXPECT_NE(icon.hIcon, nullptr);
    EXPECT_STREQ(icon.szTip, "Kavro Wallpaper Version 2.75");
}

TEST_F(TrayTest, IconComesBackWhenTheTaskbarIsCreatedAgain)
{
    AddImage("a.bmp");
    StartHidden();
    const UINT taskbarCreated = ::RegisterWindowMessageA("TaskbarCreated");
    ASSERT_NE(taskbarCreated, 0u);
    ::SendMessageA(m_hMain, taskbarCreated, 0, 0);
    EXPECT_EQ(m_dlg->TrayIconAdds(), 2);
    ::SendMessageA(m_hMain, taskbarCreated, 0, 0);
    EXPECT_EQ(m_dlg->TrayIconAdds(), 3);
    EXPECT_FALSE(Visible());
}

TEST_F(TrayTest, SingleLeftClickDoesNotShowTheWindow)
{
    AddImage("a.bmp");
    StartHidden();
    driver::TrayMouse(m_hMain, WM_LBUTTONDOWN);
    driver::TrayMouse(m_hMain, WM_LBUTTONUP);
    driver::TrayMouse(m_hMain, WM_MOUSEMOVE);
    EXPECT_FALSE(Visible());
    EXPECT_TRUE(Rows().empty());
}

TEST_F(TrayTest, DoubleClickShowsRefillsAndSelectsTheCurrentWallpaper)
{
    AddImage("sea.jpg", 30, 20);
    AddImage("seashore.jpg", 30, 20);
    WriteSetting("Wallpaper", "sea");
    StartHidden();
    // Names descending, so that seashore.jpg would be found first without the full stop.
    driver::ColumnClick(m_hMain, 0);

    driver::TrayMouse(m_hMain, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(Visible());
    ASSERT_EQ(Rows(), (Names{"seashore.jpg", "sea.jpg"}));
    EXPECT_EQ(SelectedRows(), Names{"sea.jpg"});
    EXPECT_TRUE(Enabled(IDC_SET_WALLPAPER));
    EXPECT_TRUE(PumpUntil([&] { return ::IsWindowVisible(m_dlg->PreviewDlg()->m_hWnd) != FALSE; }, 3000));

    // Again while visible: the folder is read again and the row selected again.
    AddImage("bay.bmp", 30, 20);
    SelectRows({0});
    driver::TrayMouse(m_hMain, WM_LBUTTONDBLCLK);
    EXPECT_EQ(Rows(), (Names{"seashore.jpg", "sea.jpg", "bay.bmp"}));
    EXPECT_EQ(SelectedRows(), Names{"sea.jpg"});
}

TEST_F(TrayTest, StoredNameMatchingNoRowLeavesNoSelection)
{
    AddImage("sea.jpg");
    WriteSetting("Wallpaper", "se");
    StartHidden();
    driver::TrayMouse(m_hMain, WM_LBUTTONDBLCLK);
    EXPECT_EQ(Rows(), Names{"sea.jpg"});
    EXPECT_TRUE(SelectedRows().empty());
    EXPECT_FALSE(Enabled(IDC_SET_WALLPAPER));
}

TEST_F(TrayTest, HideKeepsThePreviewFlagAndHidesBothWindows)
{
    AddImage("sea.jpg");
    WriteSetting("Wallpaper", "sea");
    StartHidden();
    driver::TrayMouse(m_hMain, WM_LBUTTONDBLCLK);
    ASSERT_TRUE(m_dlg->PreviewShown());

    Click(IDC_HIDE);
    EXPECT_FALSE(Visible());
    EXPECT_FALSE(::IsWindowVisible(m_dlg->PreviewDlg()->m_hWnd));
    EXPECT_TRUE(m_dlg->PreviewShown());
}

namespace {

// Works the tray's pop-up menu from inside its modal loop: records the
// items, then chooses one with the keyboard as a user would. A menu that
// does not react is closed, so that a fault cannot hang the test.
struct TrayMenuWatch {
    UINT_PTR timer = 0;
    std::vector<UINT> keys;
    int ticksOpen = 0;
    bool seen = false;
    bool forcedClose = false;
    std::vector<std::string> items;
    std::vector<UINT> ids;
};
TrayMenuWatch g_tray;

void CALLBACK WorkTrayMenu(HWND, UINT, UINT_PTR, DWORD)
{
    HWND menuWnd = ::FindWindowA("#32768", nullptr);
    if (!menuWnd || !::IsWindowVisible(menuWnd))
        return;
    if (g_tray.seen) {
        if (++g_tray.ticksOpen > 60) {
            g_tray.forcedClose = true;
            ::EndMenu();
        }
        return;
    }
    HMENU menu = reinterpret_cast<HMENU>(::SendMessageA(menuWnd, MN_GETHMENU, 0, 0));
    if (!menu)
        return;
    g_tray.seen = true;
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
        char text[64] = {};
        ::GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        g_tray.items.push_back(text);
        g_tray.ids.push_back(::GetMenuItemID(menu, i));
    }
    for (UINT key : g_tray.keys)
        ::PostMessageA(menuWnd, WM_KEYDOWN, key, 0);
}

TrayMenuWatch RightClickTray(HWND main, std::vector<UINT> keys)
{
    g_tray = TrayMenuWatch();
    g_tray.keys = std::move(keys);
    g_tray.timer = ::SetTimer(nullptr, 0, 50, &WorkTrayMenu);
    ::SendMessageA(main, WM_USER + 1, 1, WM_RBUTTONDOWN);
    ::KillTimer(nullptr, g_tray.timer);
    Pump(50);
    return g_tray;
}

}  // namespace

TEST_F(TrayTest, RightClickMenuExitEndsWithoutAsking)
{
    AddImage("a.bmp");
    StartHidden();
    testing_support::AnswerNextDialog(CWinApp::Instance()->AppName(), IDNO);

    // Up from no selection lands on the last item.
    TrayMenuWatch watch = RightClickTray(m_hMain, {VK_UP, VK_RETURN});
    ASSERT_TRUE(watch.seen);
    EXPECT_FALSE(watch.forcedClose);
    EXPECT_EQ(watch.items, (Names{"Settings", "", "Pick random", "", "About", "", "Exit"}));
    EXPECT_EQ(watch.ids, (std::vector<UINT>{ID_TRAY_SETTINGS, 0, ID_TRAY_PICK_RANDOM, 0, ID_TRAY_ABOUT, 0,
                                            ID_TRAY_EXIT}));
    EXPECT_TRUE(PumpUntil([&] { return !Alive(); }, 3000));
    EXPECT_FALSE(testing_support::DialogAnswered());
}

TEST_F(TrayTest, RightClickMenuSettingsBringsTheWindowBack)
{
    AddImage("a.bmp");
    WriteSetting("Timeout", "2");
    StartHidden();
    ASSERT_NE(m_dlg->ExitTimerId(), 0u);

    TrayMenuWatch watch = RightClickTray(m_hMain, {VK_DOWN, VK_RETURN});
    ASSERT_TRUE(watch.seen);
    EXPECT_FALSE(watch.forcedClose);
    EXPECT_TRUE(PumpUntil([&] { return Visible(); }, 3000));
    EXPECT_EQ(Rows(), Names{"a.bmp"});
    EXPECT_FALSE(TimerRunning());
}
