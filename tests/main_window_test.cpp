// The main window as a user meets it: set-up, status line, where its files live, ways out.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "tests/main_window_fixture.h"

using namespace testing_support;

// Wine drops the tray icons of dead windows itself: look while the window is destroyed.
static WNDPROC g_previousProc = nullptr;
static int g_iconAtDestroy = -1;

static LRESULT CALLBACK WatchDestroy(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_DESTROY)
        g_iconAtDestroy = driver::TrayIcon(hWnd);
    return ::CallWindowProcA(g_previousProc, hWnd, msg, wParam, lParam);
}

// A control's tip, from whichever tooltip of the thread has one for it.
static std::string Tip(HWND dialog, int id)
{
    struct Query { TTTOOLINFOA tool; char text[256]; } query = {};
    query.tool.cbSize = TTTOOLINFOA_V2_SIZE;
    query.tool.hwnd = dialog;
    query.tool.uId = UINT_PTR(::GetDlgItem(dialog, id));
    ::EnumThreadWindows(::GetCurrentThreadId(), [](HWND tip, LPARAM lp) {
        auto& q = *reinterpret_cast<Query*>(lp);
        char cls[32] = {};
        q.tool.lpszText = q.text;
        if (!q.text[0] && ::GetClassNameA(tip, cls, sizeof cls) && std::string(cls) == TOOLTIPS_CLASSA)
            ::SendMessageA(tip, TTM_GETTEXTA, sizeof q.text, LPARAM(&q.tool));
        return TRUE;
    }, LPARAM(&query));
    return query.text;
}

// The status line passes the focus on and shows a path as it is, "%s" included; tips of both dialogs.
TEST_F(MainWindowTest, FirstStartShowsTheSetUpWindow)
{
    Start();
    EXPECT_TRUE(Visible());
    EXPECT_EQ(Tip(Dlg(), IDC_HIDE), "Hide and minize program in tray icon.");
    EXPECT_EQ(Tip(::FindWindowExA(Dlg(), nullptr, "#32770", nullptr), IDC_RESIZE_NONE),
              "Original image resolution. No resizing.");
    ::SetFocus(Ctrl(IDC_STATUS));
    EXPECT_EQ(::GetFocus(), ListHwnd());
    m_dlg->ShowImageFileStatus("File deleted successfully.", "C:\\Wall\\100%s.jpg");
    m_dlg->ShowImageFileStatus("", "C:\\Wall\\other.jpg");  // shows nothing
    EXPECT_EQ(Status(), "File deleted successfully. Image file : C:\\Wall\\100%s.jpg");
}

// The files stay where the program started, wherever the current directory moves later;
// a drive root keeps its own separator, doubled in the library's paths.
TEST_F(MainWindowTest, SettingsAndLibraryStayInTheStartDirectory)
{
    ASSERT_TRUE(::SetCurrentDirectoryA("C:\\"));
    ::CreateDirectoryA("C:\\Wallpaper", nullptr);
    ASSERT_TRUE(MakeImageFile("C:\\Wallpaper\\root.bmp", 8, 8));
    Start();
    TempDir elsewhere;
    Command(ID_TRAY_SETTINGS);
    SelectRows({RowOf("root.bmp")});
    AnswerNextDialog(CWinApp::Instance()->AppName(), IDYES);
    Click(IDC_DELETE_FILES);
    EXPECT_EQ(Status(), "File deleted successfully. Image file : C:\\\\Wallpaper\\root.bmp");
    Click(IDC_OPTIONS);
    ::SendDlgItemMessageA(OptionsHwnd(), IDOK, BM_CLICK, 0, 0);  // Apply
    Close();
    char mode[4] = {};
    EXPECT_EQ(::GetPrivateProfileStringA("Kavro", "ResizeType", "", mode, sizeof mode, "C:\\Kavro.ini"), 1u);
    EXPECT_TRUE(::DeleteFileA("C:\\Kavro.ini"));
    EXPECT_TRUE(::RemoveDirectoryA("C:\\Wallpaper"));
}

TEST_F(MainWindowTest, WaysOutAndIntoTheTray)
{
    enum Outcome { kStays, kHides, kEnds };
    const struct { int answer; Outcome outcome; int target; UINT msg; WPARAM w; LPARAM l; } ways[] = {
        {IDNO, kStays, IDC_LIST_FILES, WM_KEYDOWN, VK_ESCAPE, 1},      // asks; No keeps
        {IDYES, kEnds, IDC_LIST_FILES, WM_KEYDOWN, VK_ESCAPE, 1},      // asks; Yes ends
        {0, kEnds, IDCANCEL, BM_CLICK, 0, 0},                          // the Exit button
        {0, kEnds, 0, WM_SYSCOMMAND, SC_CLOSE, 0},                     // the system menu's Close
        {0, kEnds, IDC_LIST_FILES, WM_SYSKEYDOWN, VK_F4, 0x20000001},  // Alt+F4
        {0, kHides, IDC_LIST_FILES, WM_KEYDOWN, VK_RETURN, 1},         // Enter
        {0, kHides, 0, WM_SYSCOMMAND, SC_MINIMIZE, 0},                 // the system menu's Minimize
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(&way - ways);
        Start();
        const HWND hWnd = Dlg();
        g_iconAtDestroy = -1;
        g_previousProc = WNDPROC(::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, LONG_PTR(&WatchDestroy)));
        std::string question;
        AnswerNextDialog(CWinApp::Instance()->AppName(), way.answer ? way.answer : IDNO, &question);
        ::SetFocus(ListHwnd());
        ::PostMessageA(way.target ? Ctrl(way.target) : hWnd, way.msg, way.w, way.l);
        EXPECT_TRUE(PumpUntil([&] {
            return (!way.answer || DialogAnswered()) && !!::IsWindow(hWnd) == (way.outcome != kEnds) &&
                   !!::IsWindowVisible(hWnd) == (way.outcome == kStays);
        }, 3000));
        EXPECT_EQ(question, way.answer ? "Exit KavroWallpaper application. Are you sure ?" : "");
        EXPECT_EQ(g_iconAtDestroy, way.outcome == kEnds ? 0 : -1) << "the tray icon outlived the window";
        EXPECT_EQ(driver::TrayIcon(hWnd), way.outcome != kEnds);
        Close();
    }
}
