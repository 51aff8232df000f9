// The Options dialog, driven through the real main window as a user drives it.
#include "settings/options_dlg.h"
#include "tests/main_window_fixture.h"

namespace {

using namespace testing_support;

const char kRange[] = "Edit value must be beetween 1 and 100.";

std::string Report(const std::string& startups, int minutes = 0) {  // no minutes: it stays in the tray
    return "Program will change wallpaper after " + startups + " system restart(s) and will " +
           (minutes ? "close application automatically after " + std::to_string(minutes) + " minute(s)."
                    : std::string("be visible in tray as icon."));
}

class OptionsDlgTest : public MainWindowTest {
protected:
    HWND Item(int id) const { return ::GetDlgItem(m_dlg->OptionsDlg()->m_hWnd, id); }
    bool Shown() const { return ::IsWindowVisible(m_dlg->OptionsDlg()->m_hWnd) != FALSE; }
    bool Checked(int id) const { return ::SendMessageA(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    HWND Field() const { return Item(IDC_STARTUPS_EDIT); }
    std::string Edit() const { return WindowText(Field()); }
    std::string Label() const { return WindowText(Item(IDC_TIMEOUT_LABEL)); }
    void Press(int id) { ::SendMessageA(Item(id), BM_CLICK, 0, 0); }
    void Type(const char* text) { ::SetFocus(Field()), ::SetWindowTextA(Field(), text); }
    std::string Shows() const {  // the number, the check box, the trackbar and its label when shown, the mode
        std::string shows = Edit() + (Checked(IDC_AUTO_EXIT) ? " [x]" : " [ ]");
        if (::IsWindowVisible(Item(IDC_TIMEOUT_SLIDER)) && ::IsWindowVisible(Item(IDC_TIMEOUT_LABEL)))
            shows += " " + std::to_string(::SendMessageA(Item(IDC_TIMEOUT_SLIDER), TBM_GETPOS, 0, 0)) + " " + Label();
        for (int id : {IDC_RESIZE_PROPORTIONAL, IDC_RESIZE_STRETCH, IDC_RESIZE_NONE})
            shows += Checked(id) ? std::string(" ") + "PSN"[id - IDC_RESIZE_PROPORTIONAL] : "";
        return shows;
    }
    std::string Stored() const {
        return ReadSetting("StartupsNumber") + "/" + ReadSetting("Timeout") + "/" + ReadSetting("ResizeType");
    }
    std::string After() const { return MainWindow() + " " + Stored() + " " + Status(); }
    std::string MainWindow() const {  // Options, Add, Delete, Set wallpaper, Pick random, list: 1 when usable
        std::string usable;
        for (int i : {IDC_OPTIONS, IDC_ADD_FILES, IDC_DELETE_FILES, IDC_SET_WALLPAPER, IDC_PICK_RANDOM, IDC_LIST_FILES})
            usable += Enabled(i) && ::IsWindowVisible(Ctrl(i)) ? '1' : '0';
        return usable;
    }
    void Arrow(bool up) {  // a click on the upper or lower half of the arrows beside the field
        RECT rc = {};
        ::GetClientRect(Item(IDC_STARTUPS_SPIN), &rc);
        const LPARAM at = MAKELPARAM(rc.right / 2, up ? rc.bottom / 4 : rc.bottom * 3 / 4);
        for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP})
            ::SendMessageA(Item(IDC_STARTUPS_SPIN), message, message == WM_LBUTTONDOWN ? MK_LBUTTON : 0, at);
    }
    // The text of the program's box that `act` raises, answered by Escape; a watchdog closes any other.
    std::string BoxesOf(const std::function<void()>& act) {
        std::string seen;
        DialogWatchdog watchdog(2000);
        AnswerNextDialog(CWinApp::Instance()->AppName(), IDCANCEL, &seen);
        act(), Pump(100), CancelAnswer();
        return seen + (watchdog.Closed().empty() ? "" : " and another box");
    }
};

TEST_F(OptionsDlgTest, StoredValuesApplyCheckBoxEscapeAndCancel)
{
    struct Case { const char *timeout, *mode, *shows, *stored; int minutes; };
    const Case cases[] = {
        {"500", "X", "1 [x] 120 After : 500 minute(s)", "1/120/", 120},  // an unknown mode checks no button
        {nullptr, nullptr, "1 [ ] P", "1/0/P", 0},
        {"0", "S", "1 [ ] S", "1/0/S", 0},
        {"30", "N", "1 [x] 30 After : 30 minute(s) N", "1/30/N", 30},
    };
    Start(), AddImage("one.bmp");
    m_dlg->FillLibraryList(m_dlg->LibraryPath()), SelectRows({0});
    for (const Case& c : cases) {
        WriteSetting("Timeout", c.timeout), WriteSetting("ResizeType", c.mode);
        Click(IDC_OPTIONS), Pump(100);  // the label timer runs, but the trackbar has not the focus
        EXPECT_EQ(Status() + "|" + MainWindow() + "|" + Shows(),
                  "Choose KavroWall program options.|000000|" + std::string(c.shows));
        ::SetFocus(Item(IDC_TIMEOUT_SLIDER));
        const std::string follows = "After : " + std::to_string(c.minutes) + " minute(s)";
        EXPECT_TRUE(!c.minutes || PumpUntil([&] { return Label() == follows; }));
        Press(IDOK);
        EXPECT_EQ(After(), "111111 " + std::string(c.stored) + " " + Report("1", c.minutes));
    }

    ::WritePrivateProfileSectionA("Kavro", "StartupsNumber=4\0Timeout=30\0ResizeType=S\0", IniPath().c_str());
    Click(IDC_OPTIONS), Type("9"), Press(IDC_RESIZE_NONE);
    Press(IDC_AUTO_EXIT);  // also puts the mode back to the stored one
    EXPECT_EQ(Shows(), "9 [ ] S");
    EXPECT_EQ(BoxesOf([&] { PressKey(Field(), VK_ESCAPE); }) + MainWindow(), "000000");
    Press(IDCANCEL);
    EXPECT_FALSE(Shown());
    EXPECT_EQ(After(), "111111 4/30/S Options setting canceled by the user. Old values restored.");
    Click(IDC_OPTIONS);
    EXPECT_EQ(Shows(), "4 [x] 30 After : 30 minute(s) S");
    Type("3"), Press(IDC_AUTO_EXIT), Press(IDOK);
    EXPECT_EQ(Stored() + " " + Status(), "3/0/S " + Report("3"));  // whatever the trackbar shows
}

TEST_F(OptionsDlgTest, NumberFieldArrowsCorrectionAndPrompts)
{
    Start(), Click(IDC_OPTIONS);
    struct Step { const char* typed; bool up; const char* shown; };
    const Step steps[] = {{"100", true, "100"}, {"1", false, "1"}, {"0", true, "1"},
                          {"2147483647", true, "2147483647"}, {"0", false, "-1"}};
    for (const Step& step : steps) {
        Type(step.typed), Arrow(step.up);
        EXPECT_EQ(Edit(), step.shown) << step.typed << (step.up ? " up" : " down");
    }
    ::SetFocus(Item(IDC_AUTO_EXIT));  // leaving the field corrects it
    EXPECT_EQ(Edit() + " " + Status(), std::string("1 ") + kRange);
    Type("");  // one prompt, and the arrow steps from the last value read
    EXPECT_EQ(BoxesOf([&] { Arrow(true); }), "Please enter an integer.");
    EXPECT_EQ(Edit(), "2");

    Type("150"), Press(IDOK);  // Apply takes the focus first, which corrects the field
    EXPECT_EQ(ReadSetting("StartupsNumber") + " " + Status(), "100 " + Report("100"));
    Click(IDC_OPTIONS), Type("150"), PressKey(Field(), VK_RETURN);  // written as typed; then the focus leaves
    EXPECT_TRUE(!Shown() && Visible());  // not the main window's Enter, which hides it
    EXPECT_EQ(ReadSetting("StartupsNumber") + " " + Edit() + " " + Status(), std::string("150 100 ") + kRange);

    // Pasted digits pass ES_NUMBER: too many for an int, reported whole, one prompt.
    const std::string digits(2000, '7');
    Click(IDC_OPTIONS), ::SetFocus(Item(IDOK)), ::SetWindowTextA(Field(), digits.c_str());
    EXPECT_EQ(BoxesOf([&] { Press(IDOK); }), "Please enter an integer.");
    EXPECT_TRUE(Shown());
    EXPECT_NE(ReadFileBytes(IniPath()).find("StartupsNumber=" + digits + "\r\n"), std::string::npos);
    EXPECT_EQ(::GetWindowTextLengthA(Ctrl(IDC_STATUS)), static_cast<int>(Report(digits).size()));
    EXPECT_EQ(Status(), Report(digits).substr(0, 1023));
}

// While "Please enter an integer." is open, Exit from the tray destroys the main window and with it
// the Options dialog: the handler that asked must return into a live object, deleted only then.
class CSelfDeletingDlg : public CDialog {
public:
    explicit CSelfDeletingDlg(std::vector<std::string>& log) : CDialog(IDD_OPTIONS), m_log(log) {}
    ~CSelfDeletingDlg() override { m_log.push_back("deleted"); }

protected:
    void PostNcDestroy() override { delete this; }
    bool OnMessage(UINT msg, WPARAM, LPARAM, LRESULT&) override
    {
        if (msg != WM_APP)
            return false;
        CWinApp::Instance()->MessageBox(m_hWnd, "question", MB_OK);
        m_log.push_back("handler returned");
        return true;
    }

private:
    std::vector<std::string>& m_log;
};

TEST(DialogLifetime, SelfDeletionWaitsForTheRunningHandler)
{
    std::vector<std::string> log;
    HWND parent = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr, nullptr, nullptr);
    auto* dlg = new CSelfDeletingDlg(log);
    ASSERT_TRUE(parent && dlg->Create(parent));
    OnNextDialog(CWinApp::Instance()->AppName(), [&](HWND) { ::DestroyWindow(parent); });
    ::SendMessageA(dlg->m_hWnd, WM_APP, 0, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"handler returned", "deleted"}));
}

}  // namespace

// A settings file that cannot be written (held by another program; as root, Wine
// would write a read-only one): the program starts all the same, and Apply says
// so instead of telling what it would have stored.
TEST_F(OptionsDlgTest, SettingsFileThatCannotBeWritten)
{
    WriteSetting("StartupsNumber", "4"), WriteSetting("CurrentStartupNumber", "1");
    const HANDLE held = ::CreateFileA(IniPath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    Start();
    ASSERT_TRUE(Visible());
    Click(IDC_OPTIONS), Type("9"), Press(IDOK);
    EXPECT_EQ(ReadSetting("CurrentStartupNumber") + " " + Stored() + " " + Status(),
              "1 4// Error writing settings file " + IniPath() + ". Not all options were saved.");
    ::CloseHandle(held);
}
