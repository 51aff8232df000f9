// The Options dialog (Part 2.2), driven through the real main window the way
// a user drives it: the Options button, the number field, the arrows, the
// check box, the mode buttons, the trackbar, Apply, Cancel, Enter and Escape.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/wallpaper_dlg.h"
#include "framework/win_app.h"
#include "res/resource.h"
#include "settings/options_dlg.h"
#include "tests/main_window_fixture.h"
#include "tests/test_support.h"

using testing_support::Pump;
using testing_support::PumpUntil;
using testing_support::WindowText;

namespace {

const char kMissing[] = "<missing>";
const char kChooseMessage[] = "Choose KavroWall program options.";
const char kRangeMessage[] = "Edit value must be beetween 1 and 100.";
const char kCancelMessage[] = "Options setting canceled by the user. Old values restored.";

std::string TrayMessage(const std::string& startups)
{
    return "Program will change wallpaper after " + startups +
           " system restart(s) and will be visible in tray as icon.";
}

std::string ExitMessage(const std::string& startups, int minutes)
{
    return "Program will change wallpaper after " + startups +
           " system restart(s) and will close application automatically after " +
           std::to_string(minutes) + " minute(s).";
}

std::string MinutesLabel(int minutes)
{
    return "After : " + std::to_string(minutes) + " minute(s)";
}

// Answers every message box of this process that carries the application's
// name (the integer prompt, or the main window's exit question) with one
// button, and counts them; so that a fault cannot leave a test hanging in a
// modal loop.
struct PromptWatch {
    UINT_PTR timer = 0;
    int button = IDOK;
    std::set<HWND> answered;
    std::vector<std::string> texts;
};
PromptWatch g_watch;

BOOL CALLBACK AnswerPrompt(HWND hWnd, LPARAM)
{
    char cls[64] = {};
    ::GetClassNameA(hWnd, cls, sizeof cls);
    if (std::string(cls) != "#32770" || !::IsWindowVisible(hWnd))
        return TRUE;
    if (WindowText(hWnd) != CWinApp::Instance()->AppName() || g_watch.answered.count(hWnd))
        return TRUE;
    g_watch.answered.insert(hWnd);
    g_watch.texts.push_back(WindowText(::GetDlgItem(hWnd, 0xFFFF)));
    ::PostMessageA(hWnd, WM_COMMAND, MAKEWPARAM(g_watch.button, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(hWnd, g_watch.button)));
    return TRUE;
}

void CALLBACK PromptTimer(HWND, UINT, UINT_PTR, DWORD)
{
    ::EnumThreadWindows(::GetCurrentThreadId(), &AnswerPrompt, 0);
}

void StartPromptWatch(int button = IDOK)
{
    if (g_watch.timer)
        ::KillTimer(nullptr, g_watch.timer);
    g_watch = PromptWatch();
    g_watch.button = button;
    g_watch.timer = ::SetTimer(nullptr, 0, 30, &PromptTimer);
}

void StopPromptWatch()
{
    if (g_watch.timer)
        ::KillTimer(nullptr, g_watch.timer);
    g_watch.timer = 0;
}

class OptionsDlgTest : public MainWindowTest {
protected:
    void TearDown() override
    {
        StopPromptWatch();
        MainWindowTest::TearDown();
    }

    // The stored value, or kMissing when the key is not in the file.
    std::string Ini(const char* key) const
    {
        char buffer[512] = {};
        ::GetPrivateProfileStringA("Kavro", key, kMissing, buffer, sizeof buffer, IniPath().c_str());
        return buffer;
    }

    // Starts the program in the temporary directory. With an empty library
    // the main window comes up visible.
    void StartProgram()
    {
        ASSERT_NE(Start(), nullptr);
        ASSERT_TRUE(Visible());
        ASSERT_NE(m_dlg->OptionsDlg(), nullptr);
    }

    COptionsDlg* Options() const { return m_dlg->OptionsDlg(); }
    HWND Opt() const { return Options()->m_hWnd; }
    HWND Item(int id) const { return ::GetDlgItem(Opt(), id); }
    std::string Edit() const { return WindowText(Item(IDC_STARTUPS_EDIT)); }
    std::string Label() const { return WindowText(Item(IDC_TIMEOUT_LABEL)); }
    bool Checked(int id) const { return ::SendMessageA(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    int SliderPos() const { return static_cast<int>(::SendMessageA(Item(IDC_TIMEOUT_SLIDER), TBM_GETPOS, 0, 0)); }
    bool Shown() const { return ::IsWindowVisible(Opt()) != FALSE; }

    void ClickWindow(HWND button)
    {
        ::SendMessageA(button, BM_CLICK, 0, 0);
        Pump(10);
    }
    void ClickOptions() { Click(IDC_OPTIONS); }
    void ClickApply() { ClickWindow(Item(IDOK)); }
    void ClickCancel() { ClickWindow(Item(IDCANCEL)); }

    // A key press handed straight to the message loop's pre-translation;
    // true when it was consumed there.
    bool PreTranslateKey(HWND target, WPARAM key)
    {
        MSG msg = {};
        msg.hwnd = target;
        msg.message = WM_KEYDOWN;
        msg.wParam = key;
        msg.lParam = 1;
        const bool consumed = CWinApp::Instance()->PreTranslateMessage(&msg);
        if (!consumed) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        Pump(10);
        return consumed;
    }

    // Puts the caret into the number field and replaces its text, as typing
    // over a selection does.
    void Type(const char* text)
    {
        HWND edit = Item(IDC_STARTUPS_EDIT);
        ::SetFocus(edit);
        ASSERT_EQ(::GetFocus(), edit);
        ::SendMessageA(edit, EM_SETSEL, 0, -1);
        ::SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
        Pump(10);
    }

    // A mouse click on the upper (up arrow) or lower half of the up-down.
    void ClickArrow(bool up)
    {
        HWND spin = Item(IDC_STARTUPS_SPIN);
        RECT rc = {};
        ::GetClientRect(spin, &rc);
        const LPARAM at = MAKELPARAM(rc.right / 2, up ? rc.bottom / 4 : rc.bottom * 3 / 4);
        ::SendMessageA(spin, WM_LBUTTONDOWN, MK_LBUTTON, at);
        ::SendMessageA(spin, WM_LBUTTONUP, 0, at);
        Pump(10);
    }

    // The notification the up-down control sends for one arrow step.
    LRESULT SendDelta(int delta)
    {
        HWND spin = Item(IDC_STARTUPS_SPIN);
        NMUPDOWN nm = {};
        nm.hdr.hwndFrom = spin;
        nm.hdr.idFrom = IDC_STARTUPS_SPIN;
        nm.hdr.code = UDN_DELTAPOS;
        nm.iPos = 0;
        nm.iDelta = delta;
        return ::SendMessageA(Opt(), WM_NOTIFY, IDC_STARTUPS_SPIN, reinterpret_cast<LPARAM>(&nm));
    }

    void ExpectMainButtonsForOpenDialog()
    {
        for (int id : {IDC_OPTIONS, IDC_ADD_FILES, IDC_DELETE_FILES, IDC_SET_WALLPAPER, IDC_PICK_RANDOM})
            EXPECT_FALSE(Enabled(id)) << "main-window button " << id;
        for (int id : {IDC_ABOUT, IDC_HIDE, IDCANCEL})
            EXPECT_TRUE(Enabled(id)) << "main-window button " << id;
        EXPECT_FALSE(::IsWindowVisible(ListHwnd()));
    }

    // Two library images in the list.
    void FillLibrary()
    {
        AddImage("one.bmp", 16, 12);
        AddImage("two.bmp", 16, 12);
        m_dlg->FillLibraryList(m_dlg->LibraryPath());
        Pump(10);
        ASSERT_EQ(Rows().size(), 2u);
    }
};

// ---------------------------------------------------------------- creation

TEST_F(OptionsDlgTest, CreatedHiddenWithItsInitialControls)
{
    StartProgram();
    HWND dlg = Opt();
    EXPECT_EQ(::GetParent(dlg), Dlg());
    EXPECT_TRUE(::GetWindowLongA(dlg, GWL_STYLE) & WS_CHILD);
    EXPECT_FALSE(Shown());
    EXPECT_EQ(Edit(), "1");
    EXPECT_EQ(Options()->Startups(), 1);
    EXPECT_FALSE(Checked(IDC_AUTO_EXIT));
    HWND slider = Item(IDC_TIMEOUT_SLIDER);
    EXPECT_EQ(::SendMessageA(slider, TBM_GETRANGEMIN, 0, 0), 1);
    EXPECT_EQ(::SendMessageA(slider, TBM_GETRANGEMAX, 0, 0), 120);
    EXPECT_EQ(SliderPos(), 1);
    EXPECT_FALSE(::GetWindowLongA(slider, GWL_STYLE) & WS_VISIBLE);
    EXPECT_FALSE(::GetWindowLongA(Item(IDC_TIMEOUT_LABEL), GWL_STYLE) & WS_VISIBLE);
    // Apply and Cancel are colour buttons.
    EXPECT_NE(CWindow::FromHandle(Item(IDOK)), nullptr);
    EXPECT_NE(CWindow::FromHandle(Item(IDCANCEL)), nullptr);
}

TEST_F(OptionsDlgTest, TooltipExplainsTheCheckBoxAndTheModes)
{
    StartProgram();
    HWND tip = Options()->ToolTip();
    ASSERT_NE(tip, nullptr);
    char cls[64] = {};
    ::GetClassNameA(tip, cls, sizeof cls);
    EXPECT_STREQ(cls, "tooltips_class32");
    EXPECT_EQ(::SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 4);
    EXPECT_EQ(static_cast<COLORREF>(::SendMessageA(tip, TTM_GETTIPBKCOLOR, 0, 0)), RGB(213, 207, 170));
    EXPECT_EQ(::SendMessageA(tip, TTM_GETMAXTIPWIDTH, 0, 0), 120);

    const std::pair<int, const char*> expected[] = {
        {IDC_AUTO_EXIT, "Exit program automatically after changing wallpaper at Startup after some time."},
        {IDC_RESIZE_PROPORTIONAL,
         "If image resolution is larger than screen resolution image will be resized to fit the screen."},
        {IDC_RESIZE_STRETCH, "Image will be stretched to screen size (resolution)."},
        {IDC_RESIZE_NONE, "Original image resolution. No resizing."},
    };
    for (const auto& tool : expected) {
        char text[256] = {};
        TTTOOLINFOA ti = {};
        ti.cbSize = TTTOOLINFOA_V2_SIZE;
        ti.hwnd = Opt();
        ti.uId = reinterpret_cast<UINT_PTR>(Item(tool.first));
        ti.lpszText = text;
        ::SendMessageA(tip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&ti));
        // comctl32 hands back only the first 80 or so characters of a tip.
        const std::string full = tool.second;
        const std::string got = text;
        EXPECT_GE(got.size(), std::min<size_t>(full.size(), 79)) << "control " << tool.first;
        EXPECT_EQ(full.compare(0, got.size(), got), 0) << got << " / control " << tool.first;
        // Identified by the control's window, not subclassed: the pre-filter relays.
        TTTOOLINFOA info = {};
        info.cbSize = TTTOOLINFOA_V2_SIZE;
        info.hwnd = Opt();
        info.uId = reinterpret_cast<UINT_PTR>(Item(tool.first));
        ASSERT_TRUE(::SendMessageA(tip, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&info)));
        EXPECT_TRUE(info.uFlags & TTF_IDISHWND);
        EXPECT_FALSE(info.uFlags & TTF_SUBCLASS);
    }
}

TEST_F(OptionsDlgTest, BackgroundAndStaticsUseOneKeptBrush)
{
    StartProgram();
    HDC dc = ::GetDC(Opt());
    ::SetBkMode(dc, OPAQUE);
    HBRUSH forDialog = reinterpret_cast<HBRUSH>(
        ::SendMessageA(Opt(), WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(Opt())));
    EXPECT_EQ(::GetBkMode(dc), TRANSPARENT);
    ::SetBkMode(dc, OPAQUE);
    HBRUSH forStatic = reinterpret_cast<HBRUSH>(::SendMessageA(
        Opt(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(Item(IDC_AUTO_EXIT))));
    EXPECT_EQ(::GetBkMode(dc), TRANSPARENT);
    ASSERT_NE(forDialog, nullptr);
    EXPECT_EQ(forDialog, forStatic);
    LOGBRUSH lb = {};
    ASSERT_EQ(::GetObjectA(forDialog, sizeof lb, &lb), static_cast<int>(sizeof lb));
    EXPECT_EQ(lb.lbStyle, static_cast<UINT>(BS_SOLID));
    EXPECT_EQ(lb.lbColor, RGB(189, 195, 234));

    // The number field keeps the default colours.
    ::SetBkMode(dc, OPAQUE);
    HBRUSH forEdit = reinterpret_cast<HBRUSH>(::SendMessageA(
        Opt(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(Item(IDC_STARTUPS_EDIT))));
    EXPECT_NE(forEdit, forDialog);
    EXPECT_EQ(::GetBkMode(dc), OPAQUE);
    ::ReleaseDC(Opt(), dc);

    // Opened, closed and opened again: still the same brush.
    ClickOptions();
    dc = ::GetDC(Opt());
    HBRUSH again = reinterpret_cast<HBRUSH>(
        ::SendMessageA(Opt(), WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(Opt())));
    ::ReleaseDC(Opt(), dc);
    EXPECT_EQ(again, forDialog);
}

// ---------------------------------------------------------------- opening

TEST_F(OptionsDlgTest, OpeningDisablesTheMainWindowAndShowsOverTheList)
{
    StartProgram();
    RECT before = {};
    ::GetWindowRect(Opt(), &before);
    ClickOptions();

    ASSERT_TRUE(Shown());
    EXPECT_EQ(Status(), kChooseMessage);
    ExpectMainButtonsForOpenDialog();

    RECT rc = {};
    ::GetWindowRect(Opt(), &rc);
    EXPECT_EQ(rc.right - rc.left, before.right - before.left);
    EXPECT_EQ(rc.bottom - rc.top, before.bottom - before.top);
    POINT topLeft = {rc.left, rc.top};
    ::ScreenToClient(Dlg(), &topLeft);
    EXPECT_EQ(topLeft.x, 9);
    EXPECT_EQ(topLeft.y, 75);
    EXPECT_EQ(Options()->TimerId(), 1u);
}

TEST_F(OptionsDlgTest, MissingOrZeroTimeoutOpensWithTheCheckBoxCleared)
{
    for (const char* stored : {static_cast<const char*>(nullptr), "0"}) {
        SCOPED_TRACE(stored ? stored : "missing");
        Close();
        WriteSetting("Timeout", stored);
        StartProgram();
        // A leftover check from an earlier session in this window is cleared too.
        ::SendMessageA(Item(IDC_AUTO_EXIT), BM_SETCHECK, BST_CHECKED, 0);
        ClickOptions();
        ASSERT_TRUE(Shown());
        EXPECT_FALSE(Checked(IDC_AUTO_EXIT));
        EXPECT_FALSE(::IsWindowVisible(Item(IDC_TIMEOUT_SLIDER)));
        EXPECT_FALSE(::IsWindowVisible(Item(IDC_TIMEOUT_LABEL)));
        EXPECT_EQ(SliderPos(), 1);
        EXPECT_EQ(Label(), MinutesLabel(1));
    }
}

TEST_F(OptionsDlgTest, ThirtyMinutesOpenCheckedAndApplyWritesThemBack)
{
    WriteSetting("Timeout", "30");
    StartProgram();
    ClickOptions();
    ASSERT_TRUE(Shown());
    EXPECT_TRUE(Checked(IDC_AUTO_EXIT));
    EXPECT_TRUE(::IsWindowVisible(Item(IDC_TIMEOUT_SLIDER)));
    EXPECT_TRUE(::IsWindowVisible(Item(IDC_TIMEOUT_LABEL)));
    EXPECT_EQ(SliderPos(), 30);
    EXPECT_EQ(Label(), MinutesLabel(30));

    ClickApply();
    EXPECT_FALSE(Shown());
    EXPECT_EQ(Ini("Timeout"), "30");
    EXPECT_EQ(Ini("StartupsNumber"), "1");
    EXPECT_EQ(Ini("ResizeType"), "P");
    EXPECT_EQ(Status(), ExitMessage("1", 30));
}

TEST_F(OptionsDlgTest, LongTimeoutLabelFollowsTheTrackbarOnlyOnceItHasTheFocus)
{
    WriteSetting("Timeout", "500");
    StartProgram();
    ClickOptions();
    ASSERT_TRUE(Shown());
    EXPECT_EQ(SliderPos(), 120);
    EXPECT_EQ(Label(), MinutesLabel(500));
    Pump(200);  // the timer runs, but the trackbar has not the focus
    EXPECT_EQ(Label(), MinutesLabel(500));

    ::SetFocus(Item(IDC_TIMEOUT_SLIDER));
    EXPECT_TRUE(PumpUntil([&] { return Label() == MinutesLabel(120); }, 2000)) << Label();

    // The arrow keys move the trackbar, and the label follows.
    PreTranslateKey(Item(IDC_TIMEOUT_SLIDER), VK_LEFT);
    EXPECT_EQ(SliderPos(), 119);
    EXPECT_TRUE(PumpUntil([&] { return Label() == MinutesLabel(119); }, 2000)) << Label();

    ClickApply();
    EXPECT_EQ(Ini("Timeout"), "119");
    EXPECT_EQ(Status(), ExitMessage("1", 119));
    // The label timer is stopped with the dialog hidden.
    ::SendMessageA(Item(IDC_TIMEOUT_SLIDER), TBM_SETPOS, TRUE, 50);
    Pump(200);
    EXPECT_EQ(Label(), MinutesLabel(119));
}

TEST_F(OptionsDlgTest, StoredStartupsNumberFillsTheFieldAndMissingShowsOne)
{
    WriteSetting("StartupsNumber", "7");
    WriteSetting("CurrentStartupNumber", "0");
    StartProgram();
    ClickOptions();
    EXPECT_EQ(Edit(), "7");
    ClickCancel();

    // The start-counter step wrote a value; take it away again.
    WriteSetting("StartupsNumber", nullptr);
    ASSERT_EQ(Ini("StartupsNumber"), kMissing);
    ClickOptions();
    EXPECT_EQ(Edit(), "1");
}

TEST_F(OptionsDlgTest, StoredModeSelectsItsButton)
{
    const std::pair<const char*, int> modes[] = {
        {"S", IDC_RESIZE_STRETCH}, {"N", IDC_RESIZE_NONE}, {"P", IDC_RESIZE_PROPORTIONAL}, {nullptr, IDC_RESIZE_PROPORTIONAL}};
    StartProgram();
    for (const auto& mode : modes) {
        SCOPED_TRACE(mode.first ? mode.first : "missing");
        WriteSetting("ResizeType", mode.first);
        ClickOptions();
        for (int id : {IDC_RESIZE_PROPORTIONAL, IDC_RESIZE_STRETCH, IDC_RESIZE_NONE})
            EXPECT_EQ(Checked(id), id == mode.second) << "button " << id;
        ClickCancel();
    }
}

TEST_F(OptionsDlgTest, UnknownModeTouchesNoButtonAndApplyWritesNone)
{
    WriteSetting("ResizeType", "X");
    StartProgram();
    ClickOptions();
    for (int id : {IDC_RESIZE_PROPORTIONAL, IDC_RESIZE_STRETCH, IDC_RESIZE_NONE})
        EXPECT_FALSE(Checked(id)) << "button " << id;
    ClickApply();
    EXPECT_EQ(Ini("ResizeType"), "");
}

// ---------------------------------------------------------------- the arrows

TEST_F(OptionsDlgTest, ArrowsStepWithinOneToHundred)
{
    StartProgram();
    ClickOptions();
    Type("5");
    ClickArrow(true);
    EXPECT_EQ(Edit(), "6");
    EXPECT_EQ(Options()->Startups(), 6);
    ClickArrow(false);
    ClickArrow(false);
    EXPECT_EQ(Edit(), "4");

    Type("100");
    ClickArrow(true);
    EXPECT_EQ(Edit(), "100");
    Type("1");
    ClickArrow(false);
    EXPECT_EQ(Edit(), "1");

    // A zero delta counts as the down arrow; the notification's result is 0.
    Type("9");
    EXPECT_EQ(SendDelta(0), 0);
    EXPECT_EQ(Edit(), "8");
    EXPECT_EQ(SendDelta(-1), 0);
    EXPECT_EQ(Edit(), "9");
    EXPECT_EQ(::GetFocus(), Item(IDC_STARTUPS_EDIT));
}

TEST_F(OptionsDlgTest, ArrowsFromATypedZero)
{
    StartProgram();
    ClickOptions();
    Type("0");
    ClickArrow(true);
    EXPECT_EQ(Edit(), "1");

    Type("0");
    ClickArrow(false);
    EXPECT_EQ(Edit(), "-1");
    EXPECT_EQ(Status(), kChooseMessage);
    // Leaving the field corrects it.
    ::SetFocus(Item(IDC_AUTO_EXIT));
    Pump(10);
    EXPECT_EQ(Edit(), "1");
    EXPECT_EQ(Status(), kRangeMessage);
}

TEST_F(OptionsDlgTest, ArrowsMoveTypedValuesOutsideTheRangeByOneStep)
{
    StartProgram();
    ClickOptions();
    Type("150");
    ClickArrow(true);
    EXPECT_EQ(Edit(), "151");
    ClickArrow(false);
    ClickArrow(false);
    EXPECT_EQ(Edit(), "149");
    // The largest number an int holds does not step past its end.
    Type("2147483647");
    ClickArrow(true);
    EXPECT_EQ(Edit(), "2147483647");
    ClickArrow(false);
    EXPECT_EQ(Edit(), "2147483646");
}

TEST_F(OptionsDlgTest, ArrowOnAnEmptyFieldPromptsOnceAndKeepsTheOldValue)
{
    StartProgram();
    ClickOptions();
    Type("12");
    ClickArrow(true);
    ASSERT_EQ(Edit(), "13");
    Type("");
    StartPromptWatch();
    ClickArrow(true);
    Pump(200);
    StopPromptWatch();
    ASSERT_EQ(g_watch.texts.size(), 1u);
    EXPECT_EQ(g_watch.texts[0], "Please enter an integer.");
    EXPECT_EQ(Edit(), "14");
    EXPECT_EQ(::GetFocus(), Item(IDC_STARTUPS_EDIT));
}

// ---------------------------------------------------------------- leaving the field

TEST_F(OptionsDlgTest, LeavingTheFieldClampsAndAlwaysReports)
{
    StartProgram();
    ClickOptions();
    Type("5");
    ::SetFocus(Item(IDC_AUTO_EXIT));
    Pump(10);
    EXPECT_EQ(Edit(), "5");
    EXPECT_EQ(Status(), kRangeMessage);

    Type("250");
    ::SetFocus(Item(IDC_RESIZE_STRETCH));
    Pump(10);
    EXPECT_EQ(Edit(), "100");
    EXPECT_EQ(Options()->Startups(), 100);

    Type("0");
    ::SetFocus(Item(IDC_TIMEOUT_SLIDER));
    Pump(10);
    EXPECT_EQ(Edit(), "1");
}

TEST_F(OptionsDlgTest, LeavingTheFieldWhileTheWindowIsHiddenChangesNothing)
{
    StartProgram();
    ClickOptions();
    Type("150");
    m_dlg->SetStatusText("before");
    m_dlg->HideToTray();
    Pump(10);
    ASSERT_FALSE(::IsWindowVisible(Dlg()));
    ::SetFocus(nullptr);
    Pump(10);
    EXPECT_EQ(Edit(), "150");
    EXPECT_EQ(Status(), "before");
}

// ---------------------------------------------------------------- Apply

TEST_F(OptionsDlgTest, ApplyAfterTyping150WritesTheCorrectedValue)
{
    StartProgram();
    ClickOptions();
    Type("150");
    ClickApply();
    EXPECT_FALSE(Shown());
    EXPECT_EQ(Edit(), "100");
    EXPECT_EQ(Ini("StartupsNumber"), "100");
    EXPECT_EQ(Ini("Timeout"), "0");
    EXPECT_EQ(Status(), TrayMessage("100"));
}

TEST_F(OptionsDlgTest, EnterAfterTyping150WritesItAsTypedThenCorrectsTheField)
{
    StartProgram();
    ClickOptions();
    Type("150");
    EXPECT_TRUE(PreTranslateKey(Item(IDC_STARTUPS_EDIT), VK_RETURN));
    EXPECT_FALSE(Shown());
    EXPECT_TRUE(::IsWindowVisible(Dlg()));  // not the main window's Enter (hide to tray)
    EXPECT_EQ(Ini("StartupsNumber"), "150");
    EXPECT_EQ(Edit(), "100");
    EXPECT_EQ(Options()->Startups(), 100);
    EXPECT_EQ(Status(), kRangeMessage);
}

TEST_F(OptionsDlgTest, ApplyWithAnEmptyFieldPromptsAndStaysOpenAfterWriting)
{
    WriteSetting("Timeout", "30");
    StartProgram();
    ClickOptions();
    // The field is emptied while the focus is elsewhere (no loss of focus to
    // correct it), then Apply.
    ::SetFocus(Item(IDOK));
    ::SetDlgItemTextA(Opt(), IDC_STARTUPS_EDIT, "");
    std::string seen;
    testing_support::AnswerNextDialog(CWinApp::Instance()->AppName(), IDOK, &seen);
    ClickApply();
    ASSERT_TRUE(PumpUntil([] { return testing_support::DialogAnswered(); }, 3000));
    Pump(20);
    EXPECT_EQ(seen, "Please enter an integer.");

    EXPECT_TRUE(Shown());
    EXPECT_EQ(::GetFocus(), Item(IDC_STARTUPS_EDIT));
    EXPECT_EQ(Ini("StartupsNumber"), "");
    EXPECT_EQ(Ini("Timeout"), "30");
    EXPECT_EQ(Ini("ResizeType"), "P");
    EXPECT_EQ(Status(), ExitMessage("", 30));
    // The main window is already given back.
    for (int id : {IDC_OPTIONS, IDC_ADD_FILES})
        EXPECT_TRUE(::IsWindowEnabled(Ctrl(id)));
    EXPECT_TRUE(::IsWindowVisible(ListHwnd()));

    // A further Apply completes it.
    Type("3");
    ClickApply();
    EXPECT_FALSE(Shown());
    EXPECT_EQ(Ini("StartupsNumber"), "3");
}

TEST_F(OptionsDlgTest, ClearedCheckBoxWritesZeroWhateverTheTrackbarShows)
{
    WriteSetting("Timeout", "30");
    StartProgram();
    ClickOptions();
    Type("3");
    ClickWindow(Item(IDC_AUTO_EXIT));
    EXPECT_FALSE(Checked(IDC_AUTO_EXIT));
    EXPECT_FALSE(::IsWindowVisible(Item(IDC_TIMEOUT_SLIDER)));
    EXPECT_FALSE(::IsWindowVisible(Item(IDC_TIMEOUT_LABEL)));
    EXPECT_EQ(SliderPos(), 30);
    ClickApply();
    EXPECT_EQ(Ini("Timeout"), "0");
    EXPECT_EQ(Ini("StartupsNumber"), "3");
    EXPECT_EQ(Status(), TrayMessage("3"));
}

TEST_F(OptionsDlgTest, CheckingTheBoxShowsTheMinutesAndApplyWritesThePosition)
{
    StartProgram();
    ClickOptions();
    ClickWindow(Item(IDC_AUTO_EXIT));
    EXPECT_TRUE(Checked(IDC_AUTO_EXIT));
    EXPECT_TRUE(::IsWindowVisible(Item(IDC_TIMEOUT_SLIDER)));
    EXPECT_TRUE(::IsWindowVisible(Item(IDC_TIMEOUT_LABEL)));
    ::SetFocus(Item(IDC_TIMEOUT_SLIDER));
    for (int i = 0; i < 4; ++i)
        PreTranslateKey(Item(IDC_TIMEOUT_SLIDER), VK_RIGHT);
    EXPECT_EQ(SliderPos(), 5);
    EXPECT_TRUE(PumpUntil([&] { return Label() == MinutesLabel(5); }, 2000)) << Label();
    ClickWindow(Item(IDC_RESIZE_NONE));
    ClickApply();
    EXPECT_EQ(Ini("Timeout"), "5");
    EXPECT_EQ(Ini("ResizeType"), "N");
    EXPECT_EQ(Status(), ExitMessage("1", 5));
}

TEST_F(OptionsDlgTest, ClickingTheCheckBoxPutsTheModeButtonsBackToTheStoredMode)
{
    WriteSetting("ResizeType", "N");
    StartProgram();
    ClickOptions();
    EXPECT_TRUE(Checked(IDC_RESIZE_NONE));
    ClickWindow(Item(IDC_RESIZE_STRETCH));
    EXPECT_TRUE(Checked(IDC_RESIZE_STRETCH));
    EXPECT_FALSE(Checked(IDC_RESIZE_NONE));
    ClickWindow(Item(IDC_AUTO_EXIT));
    EXPECT_FALSE(Checked(IDC_RESIZE_STRETCH));
    EXPECT_TRUE(Checked(IDC_RESIZE_NONE));
    ClickApply();
    EXPECT_EQ(Ini("ResizeType"), "N");

    // Without the check box, the chosen mode is what Apply stores.
    ClickOptions();
    ClickWindow(Item(IDC_RESIZE_STRETCH));
    ClickApply();
    EXPECT_EQ(Ini("ResizeType"), "S");
}

// ---------------------------------------------------------------- Cancel, Escape

TEST_F(OptionsDlgTest, CancelWritesNothingAndReopeningShowsTheStoredValues)
{
    WriteSetting("Timeout", "30");
    WriteSetting("StartupsNumber", "4");
    WriteSetting("CurrentStartupNumber", "0");
    WriteSetting("ResizeType", "S");
    StartProgram();
    ClickOptions();
    Type("9");
    ClickWindow(Item(IDC_AUTO_EXIT));
    ClickWindow(Item(IDC_RESIZE_NONE));
    ClickCancel();

    EXPECT_FALSE(Shown());
    EXPECT_EQ(Status(), kCancelMessage);
    EXPECT_EQ(Ini("Timeout"), "30");
    EXPECT_EQ(Ini("StartupsNumber"), "4");
    EXPECT_EQ(Ini("ResizeType"), "S");
    EXPECT_TRUE(::IsWindowVisible(ListHwnd()));
    EXPECT_TRUE(::IsWindowEnabled(Ctrl(IDC_OPTIONS)));
    EXPECT_TRUE(::IsWindowEnabled(Ctrl(IDC_ADD_FILES)));

    ClickOptions();
    EXPECT_TRUE(Checked(IDC_AUTO_EXIT));
    EXPECT_TRUE(::IsWindowVisible(Item(IDC_TIMEOUT_SLIDER)));
    EXPECT_EQ(SliderPos(), 30);
    EXPECT_EQ(Label(), MinutesLabel(30));
    EXPECT_EQ(Edit(), "4");
    EXPECT_TRUE(Checked(IDC_RESIZE_STRETCH));
    EXPECT_FALSE(Checked(IDC_RESIZE_NONE));
}

TEST_F(OptionsDlgTest, EscapeDoesNothing)
{
    StartProgram();
    ClickOptions();
    Type("7");
    // Were Escape to reach the main window, it would ask to exit: answer No.
    StartPromptWatch(IDNO);
    for (int id : {IDC_STARTUPS_EDIT, IDC_AUTO_EXIT, IDOK}) {
        ::SetFocus(Item(id));
        EXPECT_TRUE(PreTranslateKey(Item(id), VK_ESCAPE)) << "control " << id;
    }
    EXPECT_TRUE(PreTranslateKey(Opt(), VK_ESCAPE));
    Pump(100);
    StopPromptWatch();
    EXPECT_TRUE(g_watch.texts.empty());
    EXPECT_TRUE(Shown());
    EXPECT_NE(Status(), kCancelMessage);
    EXPECT_EQ(Edit(), "7");
    ExpectMainButtonsForOpenDialog();
}

// ---------------------------------------------------------------- the main window

TEST_F(OptionsDlgTest, ClosingGivesTheButtonsBackByTheListSelection)
{
    StartProgram();
    FillLibrary();
    SelectRows({0});
    ASSERT_TRUE(::IsWindowEnabled(Ctrl(IDC_SET_WALLPAPER)));

    ClickOptions();
    ExpectMainButtonsForOpenDialog();
    ClickCancel();
    for (int id : {IDC_OPTIONS, IDC_ADD_FILES, IDC_DELETE_FILES, IDC_SET_WALLPAPER, IDC_PICK_RANDOM})
        EXPECT_TRUE(::IsWindowEnabled(Ctrl(id))) << "one row selected, button " << id;
    EXPECT_TRUE(::IsWindowVisible(ListHwnd()));
    EXPECT_EQ(::GetFocus() == Dlg() || ::IsChild(Dlg(), ::GetFocus()), true);

    SelectRows({0, 1});
    ClickOptions();
    ExpectMainButtonsForOpenDialog();
    ClickApply();
    EXPECT_TRUE(::IsWindowEnabled(Ctrl(IDC_DELETE_FILES)));
    EXPECT_FALSE(::IsWindowEnabled(Ctrl(IDC_SET_WALLPAPER)));
    EXPECT_TRUE(::IsWindowEnabled(Ctrl(IDC_PICK_RANDOM)));

    SelectRows({});
    ClickOptions();
    ClickApply();
    EXPECT_FALSE(::IsWindowEnabled(Ctrl(IDC_DELETE_FILES)));
    EXPECT_FALSE(::IsWindowEnabled(Ctrl(IDC_SET_WALLPAPER)));
    EXPECT_TRUE(::IsWindowEnabled(Ctrl(IDC_PICK_RANDOM)));
    EXPECT_TRUE(::IsWindowEnabled(Ctrl(IDC_OPTIONS)));
    EXPECT_TRUE(::IsWindowEnabled(Ctrl(IDC_ADD_FILES)));
}

TEST_F(OptionsDlgTest, EmptyLibraryLeavesPickRandomOffAfterClosing)
{
    StartProgram();
    ClickOptions();
    ClickApply();
    EXPECT_TRUE(::IsWindowEnabled(Ctrl(IDC_OPTIONS)));
    EXPECT_TRUE(::IsWindowEnabled(Ctrl(IDC_ADD_FILES)));
    for (int id : {IDC_DELETE_FILES, IDC_SET_WALLPAPER, IDC_PICK_RANDOM})
        EXPECT_FALSE(::IsWindowEnabled(Ctrl(id))) << "button " << id;
}

TEST_F(OptionsDlgTest, LongStartupsTextIsWrittenAndReportedWhole)
{
    StartProgram();
    ClickOptions();
    // ES_NUMBER keeps typed letters out, not a long run of pasted digits.
    const std::string digits(2000, '7');
    ::SetFocus(Item(IDOK));
    ::SetDlgItemTextA(Opt(), IDC_STARTUPS_EDIT, digits.c_str());
    StartPromptWatch();
    ClickApply();
    Pump(100);
    StopPromptWatch();
    // Not a number an int holds: the acceptance prompts and the dialog stays.
    ASSERT_EQ(g_watch.texts.size(), 1u);
    EXPECT_EQ(g_watch.texts[0], "Please enter an integer.");
    EXPECT_TRUE(Shown());
    std::string status(static_cast<size_t>(::GetWindowTextLengthA(Ctrl(IDC_STATUS))) + 1, '\0');
    status.resize(static_cast<size_t>(::GetWindowTextA(Ctrl(IDC_STATUS), &status[0], static_cast<int>(status.size()))));
    EXPECT_EQ(status, TrayMessage(digits));
    EXPECT_EQ(Ini("StartupsNumber"), digits.substr(0, 511));  // all the 512-byte read holds
}

TEST_F(OptionsDlgTest, DestroyedWithTheMainWindowWhileOpen)
{
    StartProgram();
    ClickOptions();
    HWND dlg = Opt();
    HWND tip = Options()->ToolTip();
    m_dlg->ExitProgram();
    Pump(10);
    EXPECT_FALSE(::IsWindow(dlg));
    EXPECT_FALSE(::IsWindow(tip));
    EXPECT_EQ(m_dlg->OptionsDlg(), nullptr);
}

}  // namespace
