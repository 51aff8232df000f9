// What the program does on its own while it runs: timed changes, the pick hot key, refits after a screen
// change, the tray icon at logon, and exits that arrive inside a modal loop. Timers are driven by their
// WM_TIMER messages, never by waiting.
#include <gtest/gtest.h>

#include "app/change_timer.h"
#include "app/exit_countdown.h"
#include "app/pick_hotkey.h"
#include "tests/main_window_fixture.h"

using namespace testing_support;

namespace {

struct TwoScreens : CMonitorLayout {
    std::vector<Monitor> Monitors() const override {
        return {{{0, 0, 640, 480}, true}, {{640, 0, 1280, 480}, false}};
    }
};
struct SpanningDesktop : CWallpaperEngine::Desktop {  // as Windows 8 and later; the test prefix is Windows 7
    bool CanSpan() const override { return true; }
};

class BackgroundTest : public MainWindowTest {
protected:
    void StartWith(const std::vector<std::string>& pictures, HANDLE* holdIni = nullptr) {
        for (const std::string& name : pictures)
            AddImage(name, 40, 30);
        WriteSetting("StartupsNumber", "100");
        driver::ClearWallpaperTraces();
        if (holdIni)  // as another program would, so that nothing can be written
            *holdIni = ::CreateFileA(IniPath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        Start();
    }
    bool Alive() const { return ::IsWindow(Dlg()) != FALSE; }
    void Tick(UINT_PTR id) { Sent(Dlg(), WM_TIMER, id); }
    bool TimerRunning(UINT_PTR id) const { return ::KillTimer(Dlg(), id) != FALSE; }  // and stops it
};

}  // namespace

// Every N minutes a random picture: the status line tells the next change; a failed change is reported
// and tried again at the next interval; no timer runs when the interval is off (a missing key).
TEST_F(BackgroundTest, TimedChangesFireReArmAndReportFailures)
{
    WriteSetting("ChangeEvery", "15");
    StartWith({"a.bmp", "b.bmp"});
    EXPECT_NE(Status().find("Next wallpaper change at "), std::string::npos) << Status();
    Tick(CChangeTimer::kTimerId);
    EXPECT_EQ(Status().find("Setting new wallpaper completed successfully."), 0u) << Status();
    EXPECT_NE(Status().find(" Next wallpaper change at "), std::string::npos) << Status();
    const std::string first = ReadSetting("Wallpaper");
    EXPECT_TRUE(first == "a" || first == "b");
    Tick(CChangeTimer::kTimerId);
    EXPECT_NE(ReadSetting("Wallpaper"), first);  // the other picture
    WriteFileBytes(LibraryFile("a.bmp"), "damaged");
    WriteFileBytes(LibraryFile("b.bmp"), "damaged");
    Tick(CChangeTimer::kTimerId);
    EXPECT_EQ(Status().find("Loading image failed. Can't set wallpaper."), 0u) << Status();
    EXPECT_TRUE(TimerRunning(CChangeTimer::kTimerId));
    Close();

    ::WritePrivateProfileStringA("Kavro", "ChangeEvery", nullptr, IniPath().c_str());
    StartWith({});
    EXPECT_FALSE(TimerRunning(CChangeTimer::kTimerId));
    EXPECT_EQ(Status().find("Next wallpaper change"), std::string::npos);
}

// With both set, the automatic exit still closes the program after Timeout minutes.
TEST_F(BackgroundTest, TheAutomaticExitStillCloses)
{
    WriteSetting("ChangeEvery", "1");
    WriteSetting("Timeout", "2");
    StartWith({"a.bmp"});
    Tick(CChangeTimer::kTimerId);
    Tick(CExitCountdown::kTimerId);
    EXPECT_TRUE(Alive());
    Tick(CExitCountdown::kTimerId);
    EXPECT_FALSE(Alive());
}

// The hot key picks at random; a key another program holds is said so in the status line.
TEST_F(BackgroundTest, HotKeyRegisteredOrInUseElsewhere)
{
    const unsigned hotkey = MAKEWORD('W', HOTKEYF_CONTROL | HOTKEYF_ALT);
    WriteSetting("PickHotkey", std::to_string(hotkey).c_str());
    HWND other = ::CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(::RegisterHotKey(other, 7, MOD_CONTROL | MOD_ALT, 'W'));
    StartWith({"a.bmp", "b.bmp"});
    EXPECT_EQ(Status(), CPickHotkey::NameOf(hotkey) + " is used by another program. Choose another key in Options.");
    ::UnregisterHotKey(other, 7);
    ::DestroyWindow(other);
    Close();

    StartWith({});
    EXPECT_FALSE(::RegisterHotKey(nullptr, 8, MOD_CONTROL | MOD_ALT, 'W')) << "the program holds it";
    Sent(Dlg(), WM_HOTKEY, CPickHotkey::kHotkeyId);
    EXPECT_EQ(Status().find("Setting new wallpaper completed successfully."), 0u) << Status();
}

// A change of screens is refitted once the burst has settled; "Set on screen N" changes that screen only,
// and with a different picture on each screen "Pick random" gives each its own.
TEST_F(BackgroundTest, ScreensRefitSetOnScreenAndAPicturePerScreen)
{
    TwoScreens screens;
    SpanningDesktop desktop;
    WriteSetting("Wallpaper", "a");
    StartWith({"a.bmp", "b.bmp", "c.bmp"});
    m_dlg->SetMonitorLayout(screens);
    m_dlg->SetDesktop(desktop);
    Sent(Dlg(), WM_DISPLAYCHANGE, 32);
    Sent(Dlg(), WM_DISPLAYCHANGE, 32);
    EXPECT_TRUE(TimerRunning(CWallpaperDlg::kRefitTimerId));
    Tick(CWallpaperDlg::kRefitTimerId);
    EXPECT_EQ(Status(), "The screens changed: the wallpaper was fitted to them anew. Image file : " + LibraryFile("a.bmp"));
    EXPECT_EQ(driver::BitmapSize(CWallpaperEngine::WallpaperBitmapPath()), "1280x480");
    EXPECT_EQ(ReadSetting("CurrentStartupNumber"), "1");  // a refit is no start

    driver::TrayMouse(Dlg(), WM_LBUTTONDBLCLK);
    SelectRows({RowOf("c.bmp")});
    Command(ID_LIST_SET_ON_SCREEN + 1);
    EXPECT_EQ(ReadSetting("Wallpaper") + "|" + ReadSetting("ScreenWallpapers"), "a|c");
    WriteSetting("PicturePerScreen", "1");
    Click(IDC_PICK_RANDOM);
    const std::string primary = ReadSetting("Wallpaper"), other = ReadSetting("ScreenWallpapers");
    EXPECT_NE(primary, other);
    EXPECT_NE(primary, "a");
    m_dlg->SetMonitorLayout(CMonitorLayout::System());
    m_dlg->SetDesktop(CWallpaperEngine::SystemDesktop());
}

// At logon the shell may refuse the icon: it is asked again on a timer, and until it is there a second
// start brings the window back. A settings file that cannot be written is said so at start.
TEST_F(BackgroundTest, TrayIconRetriedAndAStartThatCannotBeCounted)
{
    CTrayIcon::s_nRefuseAdds = 2;
    WriteSetting("CurrentStartupNumber", "4");
    HANDLE held = INVALID_HANDLE_VALUE;
    StartWith({"a.bmp"}, &held);
    ::CloseHandle(held);
    EXPECT_EQ(ReadSetting("CurrentStartupNumber"), "4");
    EXPECT_EQ(Status(), "Error writing settings file " + IniPath() + ". This start was not counted.");
    EXPECT_FALSE(driver::TrayIcon(Dlg()));
    Sent(Dlg(), CWallpaperDlg::ShowWindowMessage(), 0);
    EXPECT_TRUE(Visible());
    ::ShowWindow(Dlg(), SW_HIDE);
    Tick(CTrayIcon::kRetryTimerId);
    EXPECT_FALSE(driver::TrayIcon(Dlg()));
    Tick(CTrayIcon::kRetryTimerId);
    EXPECT_TRUE(driver::TrayIcon(Dlg()));
    EXPECT_FALSE(TimerRunning(CTrayIcon::kRetryTimerId));
    Sent(Dlg(), CWallpaperDlg::ShowWindowMessage(), 0);
    EXPECT_FALSE(Visible());  // with its icon there, the tray brings it back
}

// An exit (the tray's Exit, the automatic exit) inside the delete question waits for the answer: No
// keeps the files, and the program ends after the question.
TEST_F(BackgroundTest, AnExitInsideTheQuestionWaitsForIt)
{
    for (UINT exitBy : {UINT(ID_TRAY_EXIT), UINT(0)}) {
        SCOPED_TRACE(exitBy);
        WriteSetting("Timeout", "1");
        StartWith({"a.bmp"});
        driver::TrayMouse(Dlg(), WM_LBUTTONDBLCLK);
        SelectRows({0});
        OnNextDialog(CWinApp::Instance()->AppName(), [&](HWND box) {
            if (exitBy)
                ::SendMessageA(Dlg(), WM_COMMAND, exitBy, 0);
            else
                ::SendMessageA(Dlg(), WM_TIMER, CExitCountdown::kTimerId, 0);
            ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), LPARAM(::GetDlgItem(box, IDNO)));
        });
        Click(IDC_DELETE_FILES);
        Pump(50);
        EXPECT_TRUE(PathExists(LibraryFile("a.bmp")));
        EXPECT_FALSE(Alive());
        Close();
    }
}
