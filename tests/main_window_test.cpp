// The main window as a user meets it: where and how it appears, its system
// menu, buttons, fonts, tips and colours, the status line, and the ways out.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/wallpaper_app.h"
#include "decor/color_button.h"
#include "tests/main_window_fixture.h"

using namespace testing_support;

namespace {

const char kTitle[] = "Kavro Wallpaper Version 2.75";
const char kExitQuestion[] = "Exit KavroWallpaper application. Are you sure ?";
const COLORREF kBackground = RGB(109, 115, 170);
const COLORREF kStatusBack = RGB(1, 1, 1);
const COLORREF kStatusText = RGB(173, 214, 255);
const COLORREF kButtonFace = RGB(189, 195, 234);
const COLORREF kTipBack = RGB(213, 207, 170);

const int kButtons[] = {IDC_ADD_FILES, IDC_DELETE_FILES, IDC_SET_WALLPAPER, IDC_PICK_RANDOM,
                        IDC_OPTIONS,   IDC_ABOUT,        IDC_HIDE,          IDCANCEL};

std::string AppName() { return CWinApp::Instance()->AppName(); }

COLORREF BrushColour(HBRUSH brush)
{
    LOGBRUSH lb = {};
    if (!brush || ::GetObjectA(brush, sizeof lb, &lb) != static_cast<int>(sizeof lb))
        return CLR_INVALID;
    return lb.lbStyle == BS_SOLID ? lb.lbColor : CLR_INVALID;
}

LOGFONTA FontOf(HWND control)
{
    LOGFONTA lf = {};
    HFONT font = reinterpret_cast<HFONT>(::SendMessageA(control, WM_GETFONT, 0, 0));
    if (font)
        ::GetObjectA(font, sizeof lf, &lf);
    return lf;
}

// What the screen shows at a point of a window's client area.
COLORREF ScreenPixel(HWND hWnd, int x, int y)
{
    POINT pt = {x, y};
    ::ClientToScreen(hWnd, &pt);
    HDC screen = ::GetDC(nullptr);
    const COLORREF c = ::GetPixel(screen, pt.x, pt.y);
    ::ReleaseDC(nullptr, screen);
    return c;
}

bool Near(COLORREF a, COLORREF b, int tolerance)
{
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance &&
           std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

// Whether the notification-area icon of this record is still registered.
bool TrayIconPresent(const NOTIFYICONDATAA& record)
{
    NOTIFYICONDATAA copy = record;
    copy.uFlags = NIF_TIP;
    return ::Shell_NotifyIconA(NIM_MODIFY, &copy) != FALSE;
}

// Whether the tray icon was still registered while the main window was
// being destroyed. After that Wine drops icons of dead windows by itself,
// so only this moment shows whether the program removed its own.
struct DestroyWatch {
    WNDPROC previous = nullptr;
    NOTIFYICONDATAA record = {};
    bool destroyed = false;
    bool iconAtDestroy = false;
};
DestroyWatch g_destroyWatch;

LRESULT CALLBACK WatchDestroyProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_DESTROY) {
        g_destroyWatch.destroyed = true;
        g_destroyWatch.iconAtDestroy = TrayIconPresent(g_destroyWatch.record);
    }
    return ::CallWindowProcA(g_destroyWatch.previous, hWnd, msg, wParam, lParam);
}

void WatchDestroy(HWND main, const NOTIFYICONDATAA& record)
{
    g_destroyWatch = DestroyWatch();
    g_destroyWatch.record = record;
    g_destroyWatch.previous = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(main, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WatchDestroyProc)));
}

// Closes the next dialog owned by `owner` with the given caption from a
// timer, so that it works inside the dialog's modal loop.
struct OwnedDialogWatch {
    HWND owner = nullptr;
    std::string caption;
    HWND seen = nullptr;
    UINT_PTR timer = 0;
};
OwnedDialogWatch g_watch;

BOOL CALLBACK FindOwnedDialog(HWND hWnd, LPARAM)
{
    char cls[32] = {};
    ::GetClassNameA(hWnd, cls, sizeof cls);
    if (hWnd == g_watch.owner || std::string(cls) != "#32770" || !::IsWindowVisible(hWnd) ||
        ::GetWindow(hWnd, GW_OWNER) != g_watch.owner || WindowText(hWnd) != g_watch.caption)
        return TRUE;
    g_watch.seen = hWnd;
    return FALSE;
}

void CALLBACK WatchTimer(HWND, UINT, UINT_PTR, DWORD)
{
    ::EnumThreadWindows(::GetCurrentThreadId(), &FindOwnedDialog, 0);
    if (!g_watch.seen)
        return;
    ::KillTimer(nullptr, g_watch.timer);
    g_watch.timer = 0;
    ::PostMessageA(g_watch.seen, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(g_watch.seen, IDOK)));
}

void CloseNextOwnedDialog(HWND owner, const std::string& caption)
{
    g_watch = OwnedDialogWatch();
    g_watch.owner = owner;
    g_watch.caption = caption;
    g_watch.timer = ::SetTimer(nullptr, 0, 50, &WatchTimer);
}

void StopWatching()
{
    if (g_watch.timer)
        ::KillTimer(nullptr, g_watch.timer);
    g_watch.timer = 0;
}

}  // namespace

// A window that did not come up stops the test at once.
class MainWindowCase : public MainWindowTest {
protected:
    void Open()
    {
        Start();
        ASSERT_NE(m_dlg->m_hWnd, nullptr) << "the main window was not created";
    }
};

// ---------------------------------------------------------------- appearance

using MainWindowAppearance = MainWindowCase;

TEST_F(MainWindowAppearance, EmptyLibraryShowsTheFixedSizeWindowCentredInTheWorkArea)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    EXPECT_TRUE(Visible());
    EXPECT_FALSE(::IsIconic(Dlg()));
    EXPECT_EQ(WindowText(Dlg()), kTitle);

    // Template 102: 275 x 192 dialog units of client area.
    RECT size = {0, 0, 275, 192};
    ASSERT_TRUE(::MapDialogRect(Dlg(), &size));
    RECT client = {};
    ::GetClientRect(Dlg(), &client);
    EXPECT_EQ(client.right, size.right);
    EXPECT_EQ(client.bottom, size.bottom);

    // No size border and no maximize box; the minimize box stays.
    const LONG style = ::GetWindowLongA(Dlg(), GWL_STYLE);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(::GetWindowLongA(Dlg(), GWL_EXSTYLE) & WS_EX_APPWINDOW);

    MONITORINFO mi = {};
    mi.cbSize = sizeof mi;
    ASSERT_TRUE(::GetMonitorInfoA(::MonitorFromWindow(Dlg(), MONITOR_DEFAULTTOPRIMARY), &mi));
    RECT rc = {};
    ::GetWindowRect(Dlg(), &rc);
    const int expectedX = mi.rcWork.left + ((mi.rcWork.right - mi.rcWork.left) - (rc.right - rc.left)) / 2;
    const int expectedY = mi.rcWork.top + ((mi.rcWork.bottom - mi.rcWork.top) - (rc.bottom - rc.top)) / 2;
    EXPECT_NEAR(rc.left, expectedX, 1);
    EXPECT_NEAR(rc.top, expectedY, 1);

    // The program's icon, both sizes, and for dragging.
    HICON big = reinterpret_cast<HICON>(::SendMessageA(Dlg(), WM_GETICON, ICON_BIG, 0));
    HICON smallIcon = reinterpret_cast<HICON>(::SendMessageA(Dlg(), WM_GETICON, ICON_SMALL, 0));
    EXPECT_NE(big, nullptr);
    EXPECT_EQ(smallIcon, big);
    EXPECT_EQ(reinterpret_cast<HICON>(::SendMessageA(Dlg(), WM_QUERYDRAGICON, 0, 0)), big);
}

TEST_F(MainWindowAppearance, StartWithALibraryStaysHiddenButIsAlreadyCentred)
{
    AddImage("sea.bmp");
    WriteSetting("StartupsNumber", "9");  // this start is not due
    ASSERT_NO_FATAL_FAILURE(Open());
    EXPECT_FALSE(Visible());

    MONITORINFO mi = {};
    mi.cbSize = sizeof mi;
    ASSERT_TRUE(::GetMonitorInfoA(::MonitorFromWindow(Dlg(), MONITOR_DEFAULTTOPRIMARY), &mi));
    RECT rc = {};
    ::GetWindowRect(Dlg(), &rc);
    const int centreX = (rc.left + rc.right) / 2;
    const int centreY = (rc.top + rc.bottom) / 2;
    EXPECT_NEAR(centreX, (mi.rcWork.left + mi.rcWork.right) / 2, 1);
    EXPECT_NEAR(centreY, (mi.rcWork.top + mi.rcWork.bottom) / 2, 1);
}

// ---------------------------------------------------------------- paths

using MainWindowPaths = MainWindowCase;

TEST_F(MainWindowPaths, SettingsAndLibraryLiveInTheStartDirectoryNotWhereTheCurrentDirectoryMovesLater)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    EXPECT_EQ(std::string(m_dlg->StartDir()), m_dir.Path());
    EXPECT_EQ(m_dlg->Settings().m_strIniPath, m_dir.Path() + "\\Kavro.ini");
    EXPECT_EQ(m_dlg->LibraryPath(), m_dir.Path() + "\\Wallpaper");
    // The start-up counter already went to that file.
    EXPECT_EQ(ReadSetting("StartupsNumber"), "1");

    TempDir elsewhere;  // becomes current, as a file dialog could make it
    EXPECT_EQ(m_dlg->Settings().m_strIniPath, m_dir.Path() + "\\Kavro.ini");
    EXPECT_EQ(m_dlg->LibraryPath(), m_dir.Path() + "\\Wallpaper");
    m_dlg->Settings().SetTimeout("7");
    EXPECT_EQ(ReadSetting("Timeout"), "7");
    EXPECT_FALSE(PathExists(elsewhere / "Kavro.ini"));
}

// A drive root keeps its own separator, so both paths have a doubled one.
// This uses C:\ of the test prefix; it leaves nothing behind and refuses to
// run when the program's files already stand there.
TEST_F(MainWindowPaths, DriveRootStartDirectoryKeepsTheDoubledSeparator)
{
    if (PathExists("C:\\Kavro.ini") || PathExists("C:\\Wallpaper"))
        GTEST_SKIP() << "C:\\ already holds Kavro.ini or Wallpaper";
    ASSERT_TRUE(::SetCurrentDirectoryA("C:\\"));
    ASSERT_NO_FATAL_FAILURE(Open());
    ::SetCurrentDirectoryA(m_dir.Path().c_str());
    const std::string ini = m_dlg->Settings().m_strIniPath;
    const std::string library = m_dlg->LibraryPath();
    const std::string startDir = m_dlg->StartDir();
    char stored[16] = {};
    ::GetPrivateProfileStringA("Kavro", "StartupsNumber", "", stored, sizeof stored, "C:\\Kavro.ini");
    Close();
    ::DeleteFileA("C:\\Kavro.ini");

    EXPECT_EQ(startDir, "C:\\");
    EXPECT_EQ(ini, "C:\\\\Kavro.ini");
    EXPECT_EQ(library, "C:\\\\Wallpaper");
    // The doubled separator still names the file in the root.
    EXPECT_STREQ(stored, "1");
    EXPECT_FALSE(PathExists("C:\\Kavro.ini"));
}

// ---------------------------------------------------------------- set-up

using MainWindowSetup = MainWindowCase;

TEST_F(MainWindowSetup, SystemMenuHasMoveMinimizeCloseAndAbout)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    HMENU menu = ::GetSystemMenu(Dlg(), FALSE);
    ASSERT_NE(menu, nullptr);
    struct Item {
        UINT id;
        bool separator;
        std::string text;
    };
    std::vector<Item> items;
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
        char text[64] = {};
        ::GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
        items.push_back({::GetMenuItemID(menu, i), (::GetMenuState(menu, i, MF_BYPOSITION) & MF_SEPARATOR) != 0,
                         text});
    }
    // Wine puts an "About Wine" entry after a separator into every system
    // menu; it is not ours.
    const UINT kWineAbout = 0xF141;
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].id == kWineAbout) {
            const size_t from = (i > 0 && items[i - 1].separator) ? i - 1 : i;
            items.erase(items.begin() + static_cast<std::ptrdiff_t>(from),
                        items.begin() + static_cast<std::ptrdiff_t>(i + 1));
            break;
        }

    ASSERT_EQ(items.size(), 6u);
    EXPECT_EQ(items[0].id, static_cast<UINT>(SC_MOVE));
    EXPECT_EQ(items[1].id, static_cast<UINT>(SC_MINIMIZE));
    EXPECT_TRUE(items[2].separator);
    EXPECT_EQ(items[3].id, static_cast<UINT>(SC_CLOSE));
    EXPECT_TRUE(items[4].separator);
    EXPECT_EQ(items[5].id, 16u);
    EXPECT_EQ(items[5].text, "&About KavroWall...");
    // Restore, Size and Maximize are gone.
    EXPECT_EQ(::GetMenuState(menu, SC_RESTORE, MF_BYCOMMAND), static_cast<UINT>(-1));
    EXPECT_EQ(::GetMenuState(menu, SC_SIZE, MF_BYCOMMAND), static_cast<UINT>(-1));
    EXPECT_EQ(::GetMenuState(menu, SC_MAXIMIZE, MF_BYCOMMAND), static_cast<UINT>(-1));
}

TEST_F(MainWindowSetup, SystemMenuAboutItemOpensTheAboutBox)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    CloseNextOwnedDialog(Dlg(), kTitle);
    ::SendMessageA(Dlg(), WM_SYSCOMMAND, 16, 0);
    StopWatching();
    EXPECT_NE(g_watch.seen, nullptr) << "no About box owned by the main window";
    EXPECT_FALSE(::IsWindow(g_watch.seen));
    EXPECT_TRUE(::IsWindow(Dlg()));
    EXPECT_TRUE(Visible());
}

TEST_F(MainWindowSetup, EightButtonsAreColourButtonsWithTheLightFace)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    ::RedrawWindow(Dlg(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump(50);
    for (int id : kButtons) {
        SCOPED_TRACE(id);
        HWND button = Ctrl(id);
        ASSERT_NE(button, nullptr);
        EXPECT_NE(dynamic_cast<CColorButton*>(CWindow::FromHandle(button)), nullptr);
        EXPECT_EQ(::GetWindowLongA(button, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
        if (!::IsWindowEnabled(button))
            continue;  // its face is the same, the caption differs
        RECT rc = {};
        ::GetClientRect(button, &rc);
        // Left of the centred caption, inside the bevel and the focus frame.
        EXPECT_EQ(ScreenPixel(button, 7, rc.bottom / 2), kButtonFace);
    }
}

TEST_F(MainWindowSetup, ListIsBoldArialAndStatusLineIsTahoma)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    const LOGFONTA list = FontOf(ListHwnd());
    EXPECT_STREQ(list.lfFaceName, "Arial");
    EXPECT_EQ(list.lfHeight, 12);
    EXPECT_EQ(list.lfWeight, FW_BOLD);
    EXPECT_EQ(list.lfCharSet, DEFAULT_CHARSET);
    EXPECT_FALSE(list.lfItalic);

    const LOGFONTA status = FontOf(Ctrl(IDC_STATUS));
    EXPECT_STREQ(status.lfFaceName, "Tahoma");
    EXPECT_EQ(status.lfHeight, 11);
    EXPECT_EQ(status.lfWeight, FW_NORMAL);
    EXPECT_EQ(status.lfCharSet, DEFAULT_CHARSET);
}

TEST_F(MainWindowSetup, TooltipsCoverTenControlsInOrderWithNarrowTips)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    HWND tip = m_dlg->ToolTip();
    ASSERT_TRUE(::IsWindow(tip));
    char cls[32] = {};
    ::GetClassNameA(tip, cls, sizeof cls);
    EXPECT_STREQ(cls, TOOLTIPS_CLASSA);
    EXPECT_EQ(::GetWindow(tip, GW_OWNER), Dlg());
    EXPECT_EQ(::SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 10);
    EXPECT_EQ(::SendMessageA(tip, TTM_GETMAXTIPWIDTH, 0, 0), 70);
    EXPECT_EQ(static_cast<COLORREF>(::SendMessageA(tip, TTM_GETTIPBKCOLOR, 0, 0)), kTipBack);

    static const struct { int id; const char* text; } kTips[] = {
        {IDC_LIST_FILES, "KavroWallpaper list of image files."},
        {IDC_ADD_FILES, "Add new file to image list."},
        {IDC_DELETE_FILES, "Delete file(s) from image list."},
        {IDC_SET_WALLPAPER, "Set selected image file as desktop wallpaper."},
        {IDC_PICK_RANDOM, "Set random image file as desktop wallpaper."},
        {IDC_OPTIONS, "Set program options."},
        {IDC_ABOUT, "About program."},
        {IDC_HIDE, "Hide and minize program in tray icon."},
        {IDCANCEL, "Exit program."},
        {IDC_STATUS, "KavroWallpaper program messages."},
    };
    for (int i = 0; i < 10; ++i) {
        SCOPED_TRACE(kTips[i].text);
        char text[256] = {};
        TOOLINFOA ti = {};
        ti.cbSize = TTTOOLINFOA_V2_SIZE;
        ti.lpszText = text;
        ASSERT_TRUE(::SendMessageA(tip, TTM_ENUMTOOLSA, i, reinterpret_cast<LPARAM>(&ti)));
        EXPECT_EQ(reinterpret_cast<HWND>(ti.uId), Ctrl(kTips[i].id));
        EXPECT_TRUE(ti.uFlags & TTF_IDISHWND);
        EXPECT_STREQ(text, kTips[i].text);

        // The same text asked for by the control.
        char byControl[256] = {};
        TOOLINFOA q = {};
        q.cbSize = TTTOOLINFOA_V2_SIZE;
        q.hwnd = Dlg();
        q.uId = reinterpret_cast<UINT_PTR>(Ctrl(kTips[i].id));
        q.uFlags = TTF_IDISHWND;
        q.lpszText = byControl;
        ::SendMessageA(tip, TTM_GETTEXTA, sizeof byControl, reinterpret_cast<LPARAM>(&q));
        EXPECT_STREQ(byControl, kTips[i].text);
    }
}

// ---------------------------------------------------------------- colours

using MainWindowColours = MainWindowCase;

TEST_F(MainWindowColours, BackgroundAndStatusLineColourHandlers)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    HDC dc = ::GetDC(Dlg());
    ASSERT_NE(dc, nullptr);

    ::SetBkMode(dc, OPAQUE);
    HBRUSH dialog = reinterpret_cast<HBRUSH>(
        ::SendMessageA(Dlg(), WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(Dlg())));
    EXPECT_EQ(BrushColour(dialog), kBackground);
    EXPECT_EQ(::GetBkMode(dc), TRANSPARENT);

    // The banner is a static control: same background, transparent.
    HWND banner = nullptr;
    for (HWND child = ::GetWindow(Dlg(), GW_CHILD); child && !banner; child = ::GetWindow(child, GW_HWNDNEXT))
        if ((::GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP)
            banner = child;
    ASSERT_NE(banner, nullptr);
    ::SetBkMode(dc, OPAQUE);
    HBRUSH staticBrush = reinterpret_cast<HBRUSH>(::SendMessageA(
        Dlg(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(banner)));
    EXPECT_EQ(BrushColour(staticBrush), kBackground);
    EXPECT_EQ(::GetBkMode(dc), TRANSPARENT);

    ::SetTextColor(dc, RGB(9, 9, 9));
    ::SetBkColor(dc, RGB(250, 250, 250));
    HBRUSH status = reinterpret_cast<HBRUSH>(::SendMessageA(
        Dlg(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(Ctrl(IDC_STATUS))));
    EXPECT_EQ(BrushColour(status), kStatusBack);
    EXPECT_EQ(::GetTextColor(dc), kStatusText);
    EXPECT_EQ(::GetBkColor(dc), kStatusBack);

    // Both brushes are made once and kept.
    HBRUSH again = reinterpret_cast<HBRUSH>(
        ::SendMessageA(Dlg(), WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(Dlg())));
    EXPECT_EQ(again, dialog);
    EXPECT_EQ(reinterpret_cast<HBRUSH>(::SendMessageA(Dlg(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                                                      reinterpret_cast<LPARAM>(Ctrl(IDC_STATUS)))),
              status);
    ::ReleaseDC(Dlg(), dc);
}

TEST_F(MainWindowColours, PaintedWindowShowsItsBackgroundAndTheStatusLineColours)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    m_dlg->SetStatusText("MMMMMMMMMMMMMMMMMMMMMMMMMMMMMM");
    ::SetForegroundWindow(Dlg());
    ::RedrawWindow(Dlg(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump(50);

    // Between the list and the buttons there is only the dialog itself.
    RECT gap = {210, 100, 211, 101};
    ASSERT_TRUE(::MapDialogRect(Dlg(), &gap));
    EXPECT_EQ(ScreenPixel(Dlg(), gap.left, gap.top), kBackground);

    // The status line: black at its left end, light-blue letters in the middle.
    HWND line = Ctrl(IDC_STATUS);
    RECT rc = {};
    ::GetClientRect(line, &rc);
    EXPECT_EQ(ScreenPixel(line, 1, rc.bottom / 2), kStatusBack);
    int textPixels = 0;
    for (int y = 0; y < rc.bottom; ++y)
        for (int x = rc.right / 4; x < rc.right * 3 / 4; ++x)
            if (Near(ScreenPixel(line, x, y), kStatusText, 8))
                ++textPixels;
    EXPECT_GT(textPixels, 20) << "no letters in the status text colour";
}

// ---------------------------------------------------------------- keys and ways out

using MainWindowExit = MainWindowCase;

TEST_F(MainWindowExit, EscapeAsksAndNoKeepsTheProgram)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    for (int id : {IDC_LIST_FILES, IDC_ADD_FILES}) {
        SCOPED_TRACE(id);
        ::SetFocus(Ctrl(id));
        std::string question;
        AnswerNextDialog(AppName(), IDNO, &question);
        PressKey(Ctrl(id), VK_ESCAPE);
        EXPECT_TRUE(PumpUntil([] { return DialogAnswered(); }));
        Pump(50);
        EXPECT_EQ(question, kExitQuestion);
        ASSERT_TRUE(::IsWindow(Dlg()));
        EXPECT_TRUE(Visible());
        EXPECT_TRUE(TrayIconPresent(m_dlg->TrayIcon()));
    }
}

TEST_F(MainWindowExit, EscapeAnsweredYesEndsTheProgram)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    HWND hWnd = Dlg();
    const NOTIFYICONDATAA tray = m_dlg->TrayIcon();
    ASSERT_TRUE(TrayIconPresent(tray));
    WatchDestroy(hWnd, tray);
    ::SetFocus(ListHwnd());
    std::string question;
    AnswerNextDialog(AppName(), IDYES, &question);
    PressKey(ListHwnd(), VK_ESCAPE);
    EXPECT_TRUE(PumpUntil([hWnd] { return !::IsWindow(hWnd); }));
    EXPECT_EQ(question, kExitQuestion);
    EXPECT_EQ(m_dlg->m_hWnd, nullptr);
    EXPECT_EQ(CWinApp::Instance()->MainWindow(), nullptr);
    EXPECT_TRUE(g_destroyWatch.destroyed);
    EXPECT_FALSE(g_destroyWatch.iconAtDestroy) << "the tray icon outlived the window";
    EXPECT_FALSE(TrayIconPresent(tray));
}

// Exit button, the system menu's Close, WM_CLOSE and Alt+F4: no question.
TEST_F(MainWindowExit, OtherWaysOutEndWithoutAsking)
{
    enum Way { kExitButton, kSystemClose, kCloseMessage, kAltF4 };
    for (Way way : {kExitButton, kSystemClose, kCloseMessage, kAltF4}) {
        SCOPED_TRACE(way);
        ASSERT_NO_FATAL_FAILURE(Open());
        HWND hWnd = Dlg();
        const NOTIFYICONDATAA tray = m_dlg->TrayIcon();
        ASSERT_TRUE(TrayIconPresent(tray));
        WatchDestroy(hWnd, tray);
        AnswerNextDialog(AppName(), IDNO);  // would catch a question
        switch (way) {
        case kExitButton:
            Click(IDCANCEL);
            break;
        case kSystemClose:
            ::SendMessageA(hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
            break;
        case kCloseMessage:
            ::PostMessageA(hWnd, WM_CLOSE, 0, 0);
            break;
        case kAltF4:
            ::SetFocus(ListHwnd());
            ::PostMessageA(ListHwnd(), WM_SYSKEYDOWN, VK_F4, 0x20000001);
            ::PostMessageA(ListHwnd(), WM_SYSKEYUP, VK_F4, 0xE0000001);
            break;
        }
        EXPECT_TRUE(PumpUntil([hWnd] { return !::IsWindow(hWnd); }, 3000));
        EXPECT_FALSE(DialogAnswered()) << "a question was asked";
        EXPECT_TRUE(g_destroyWatch.destroyed);
        EXPECT_FALSE(g_destroyWatch.iconAtDestroy) << "the tray icon outlived the window";
        Close();
    }
}

TEST_F(MainWindowExit, EnterAndMinimizeHideToTheTrayAndStartTheCountdown)
{
    WriteSetting("Timeout", "5");
    for (bool minimize : {false, true}) {
        SCOPED_TRACE(minimize ? "minimize" : "Enter");
        ASSERT_NO_FATAL_FAILURE(Open());
        ASSERT_TRUE(Visible());
        ASSERT_EQ(m_dlg->ExitTimerId(), 0u);
        if (minimize) {
            // The low four bits of the command do not count.
            ::SendMessageA(Dlg(), WM_SYSCOMMAND, SC_MINIMIZE | 2, 0);
        } else {
            ::SetFocus(ListHwnd());
            PressKey(ListHwnd(), VK_RETURN);
        }
        Pump(30);
        EXPECT_TRUE(::IsWindow(Dlg()));
        EXPECT_FALSE(Visible());
        EXPECT_FALSE(::IsIconic(Dlg()));
        EXPECT_TRUE(TrayIconPresent(m_dlg->TrayIcon()));
        EXPECT_EQ(m_dlg->TimeoutMinutes(), 5);
        EXPECT_NE(m_dlg->ExitTimerId(), 0u);
        EXPECT_TRUE(::KillTimer(Dlg(), m_dlg->ExitTimerId())) << "no countdown running";
        Close();
    }
}

TEST_F(MainWindowExit, SecondInstanceFindsTheWindowByTitleWhileItExists)
{
    AddImage("sea.bmp");
    WriteSetting("StartupsNumber", "9");
    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_FALSE(Visible());
    // Hidden in the tray: still found, and nothing shows.
    EXPECT_TRUE(CWallpaperApp::ActivateOtherInstance());
    EXPECT_FALSE(Visible());

    m_dlg->RestoreFromTray();
    Pump(30);
    HWND other = ::CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                   ::GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(other, nullptr);
    ::SetForegroundWindow(other);
    Pump(30);
    ASSERT_EQ(::GetForegroundWindow(), other);
    EXPECT_TRUE(CWallpaperApp::ActivateOtherInstance());
    Pump(30);
    EXPECT_EQ(::GetForegroundWindow(), Dlg());
    ::DestroyWindow(other);

    m_dlg->ExitProgram();
    Pump();
    EXPECT_FALSE(CWallpaperApp::ActivateOtherInstance());
}

// ---------------------------------------------------------------- status line

using MainWindowStatus = MainWindowCase;

TEST_F(MainWindowStatus, FocusOnTheStatusLineMovesToTheList)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    ::SetFocus(Ctrl(IDC_STATUS));
    Pump();
    EXPECT_EQ(::GetFocus(), ListHwnd());

    // Tab from the list would land on the status line next.
    ::SetFocus(ListHwnd());
    PressKey(ListHwnd(), VK_TAB);
    EXPECT_EQ(::GetFocus(), ListHwnd());

    // Typing therefore never reaches it.
    m_dlg->SetStatusText("kept");
    PressKey(::GetFocus(), 'A');
    ::PostMessageA(::GetFocus(), WM_CHAR, 'x', 1);
    Pump(30);
    EXPECT_EQ(Status(), "kept");
}

TEST_F(MainWindowStatus, EachTextReplacesThePreviousInFull)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    m_dlg->SetStatusText("A rather long first message that fills the whole status line of the window.");
    m_dlg->SetStatusText("Short.");
    EXPECT_EQ(Status(), "Short.");
    m_dlg->SetStatusText("");
    EXPECT_EQ(Status(), "");

    const std::string longPath = "C:\\" + std::string(250, 'p') + ".jpg";
    m_dlg->ShowImageFileStatus("Loading image failed. Can't set wallpaper.", longPath);
    EXPECT_EQ(Status(), "Loading image failed. Can't set wallpaper. Image file : " + longPath);
}

TEST_F(MainWindowStatus, ImageFileReportFormatAndEmptyMessage)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    m_dlg->ShowImageFileStatus("File deleted successfully.", "C:\\Wall\\Wallpaper\\sea.jpg");
    EXPECT_EQ(Status(), "File deleted successfully. Image file : C:\\Wall\\Wallpaper\\sea.jpg");

    // An empty message shows nothing and keeps what is there.
    m_dlg->ShowImageFileStatus("", "C:\\Wall\\Wallpaper\\other.jpg");
    EXPECT_EQ(Status(), "File deleted successfully. Image file : C:\\Wall\\Wallpaper\\sea.jpg");

    // Format characters in a path are shown as they are.
    m_dlg->ShowImageFileStatus("Error deleting file.", "C:\\Wall\\Wallpaper\\100%s%d.jpg");
    EXPECT_EQ(Status(), "Error deleting file. Image file : C:\\Wall\\Wallpaper\\100%s%d.jpg");
}
