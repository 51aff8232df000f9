// The Options dialog, driven through the real main window as a user drives it.
#include "settings/options_dlg.h"
#include "tests/main_window_fixture.h"

namespace {

using namespace testing_support;

const char kRange[] = "Edit value must be beetween 1 and 100.";

// No minutes: it stays in the tray. Every: the timed change while running, with which the exit still comes.
std::string Report(const std::string& startups, int minutes = 0, int every = 0) {
    return "Program will change wallpaper after " + startups + " system restart(s) " +
           (every ? "and every " + std::to_string(every) + " minute(s), " : "") + "and will " +
           (minutes ? (every ? "still " : "") + std::string("close application automatically after ") +
                          std::to_string(minutes) + " minute(s)."
                    : std::string("be visible in tray as icon."));
}

class OptionsDlgTest : public MainWindowTest {
protected:
    HWND Item(int id) const { return ::GetDlgItem(OptionsHwnd(), id); }
    bool Shown() const { return ::IsWindowVisible(OptionsHwnd()) != FALSE; }
    bool Checked(int id) const { return ::SendMessageA(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    HWND Field() const { return Item(IDC_STARTUPS_EDIT); }
    std::string Edit() const { return WindowText(Field()); }
    std::string Label() const { return WindowText(Item(IDC_TIMEOUT_LABEL)); }
    void Press(int id) { ::SendMessageA(Item(id), BM_CLICK, 0, 0); }
    void Type(const char* text) { ::SetFocus(Field()); ::SetWindowTextA(Field(), text); }
    char Mode() const {  // the checked resize button, or 0
        for (int id = IDC_RESIZE_PROPORTIONAL; id <= IDC_RESIZE_FIT; ++id)
            if (Checked(id))
                return "PSNFE"[id - IDC_RESIZE_PROPORTIONAL];
        return 0;
    }
    void TypeInto(int id, const char* text) { ::SetFocus(Item(id)); ::SetWindowTextA(Item(id), text); }
    WORD Hotkey() const { return WORD(::SendMessageA(Item(IDC_PICK_HOTKEY), HKM_GETHOTKEY, 0, 0)); }
    void Keys(HWND target, const std::vector<UINT>& keys) {  // held down together, then let go
        const auto scan = [](UINT vk) { return LPARAM(::MapVirtualKeyA(vk, MAPVK_VK_TO_VSC)) << 16; };
        for (UINT vk : keys)
            ::PostMessageA(target, WM_KEYDOWN, vk, scan(vk) | 1);
        for (auto vk = keys.rbegin(); vk != keys.rend(); ++vk)
            ::PostMessageA(target, WM_KEYUP, *vk, scan(*vk) | 0xC0000001);
        testing_support::Pump(30);
    }
    int UsableControls() const {  // of Options, Add, Delete, Set wallpaper, Pick random and the list
        int usable = 0;
        for (int i : {IDC_OPTIONS, IDC_ADD_FILES, IDC_DELETE_FILES, IDC_SET_WALLPAPER, IDC_PICK_RANDOM, IDC_LIST_FILES})
            usable += Enabled(i) && ::IsWindowVisible(Ctrl(i));
        return usable;
    }
    void Arrow(bool up) {  // a click on the upper or lower half of the arrows beside the field
        RECT rc = {};
        ::GetClientRect(Item(IDC_STARTUPS_SPIN), &rc);
        const LPARAM at = MAKELPARAM(rc.right / 2, up ? rc.bottom / 4 : rc.bottom * 3 / 4);
        ::SendMessageA(Item(IDC_STARTUPS_SPIN), WM_LBUTTONDOWN, MK_LBUTTON, at);
        ::SendMessageA(Item(IDC_STARTUPS_SPIN), WM_LBUTTONUP, 0, at);
    }
    // The text of the program's box that `act` raises, answered by Escape; a watchdog closes any other.
    std::string BoxesOf(const std::function<void()>& act) {
        std::string seen;
        DialogWatchdog watchdog(2000);
        AnswerNextDialog(CWinApp::Instance()->AppName(), IDCANCEL, &seen);
        act();
        Pump(100);
        CancelAnswer();
        return seen + (watchdog.Closed().empty() ? "" : " and another box");
    }
};

TEST_F(OptionsDlgTest, StoredValuesApplyCheckBoxEscapeAndCancel)
{
    // Trackbar minutes (0: unchecked, the trackbar hidden), mode shown (0: none checked), mode stored by Apply.
    const struct { const char *timeout, *mode; int minutes; char shown; const char* stored; } cases[] = {
        {"500", "X", 120, 'P', "P"},  // the label tells the stored 500; an unknown mode reads as P
        {nullptr, nullptr, 0, 'P', "P"}, {"0", "S", 0, 'S', "S"}, {"30", "N", 30, 'N', "N"},
    };
    const auto tick = [&] { ::SendMessageA(OptionsHwnd(), WM_TIMER, COptionsDlg::kLabelTimerId, 0); };
    Start();
    AddImage("one.bmp");
    Command(ID_TRAY_SETTINGS);  // shows it in the list
    SelectRows({0});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        WriteSetting("Timeout", c.timeout);
        WriteSetting("ResizeType", c.mode);
        Click(IDC_OPTIONS);
        tick();  // the label follows the trackbar only while that has the focus
        if (c.minutes) {
            EXPECT_EQ(Label(), "After : " + std::string(c.timeout) + " minute(s)");
        }
        EXPECT_EQ(Status(), "Choose KavroWall program options.");
        EXPECT_EQ(UsableControls(), 0);
        EXPECT_EQ(Edit(), "1");
        EXPECT_EQ(Checked(IDC_AUTO_EXIT), c.minutes > 0);
        EXPECT_EQ(::IsWindowVisible(Item(IDC_TIMEOUT_SLIDER)) != FALSE, c.minutes > 0);
        EXPECT_EQ(Mode(), c.shown);
        ::SetFocus(Item(IDC_TIMEOUT_SLIDER));
        tick();
        if (c.minutes) {
            EXPECT_EQ(Label(), "After : " + std::to_string(c.minutes) + " minute(s)");
        }
        Press(IDOK);
        EXPECT_EQ(UsableControls(), 6);
        EXPECT_EQ(ReadSetting("Timeout"), std::to_string(c.minutes));
        EXPECT_EQ(ReadSetting("ResizeType"), c.stored);
        EXPECT_EQ(Status(), Report("1", c.minutes));
    }

    ::WritePrivateProfileSectionA("Kavro", "StartupsNumber=4\0Timeout=30\0ResizeType=S\0", IniPath().c_str());
    Click(IDC_OPTIONS);
    Type("9");
    Press(IDC_RESIZE_NONE);
    Press(IDC_AUTO_EXIT);  // also puts the mode back to the stored one
    EXPECT_EQ(Mode(), 'S');
    EXPECT_EQ(BoxesOf([&] { PressKey(Field(), VK_ESCAPE); }), "");  // Escape neither asks nor closes
    EXPECT_EQ(UsableControls(), 0);
    Press(IDCANCEL);
    EXPECT_FALSE(Shown());
    EXPECT_EQ(UsableControls(), 6);
    EXPECT_EQ(Status(), "Options setting canceled by the user. Old values restored.");
    EXPECT_EQ(ReadSetting("StartupsNumber") + ReadSetting("Timeout") + ReadSetting("ResizeType"), "430S");
    Click(IDC_OPTIONS);
    EXPECT_EQ(Edit(), "4");
    EXPECT_TRUE(Checked(IDC_AUTO_EXIT));
    Type("3");
    Press(IDC_AUTO_EXIT);
    Press(IDOK);
    EXPECT_EQ(ReadSetting("Timeout"), "0");  // whatever the trackbar shows
    EXPECT_EQ(Status(), Report("3"));
}

TEST_F(OptionsDlgTest, NumberFieldArrowsCorrectionAndPrompts)
{
    Start();
    Click(IDC_OPTIONS);
    const struct { const char* typed; bool up; const char* shown; } steps[] = {
        {"100", true, "100"}, {"1", false, "1"}, {"0", true, "1"}, {"2147483647", true, "2147483647"}, {"0", false, "-1"}};
    for (const auto& step : steps) {
        Type(step.typed);
        Arrow(step.up);
        EXPECT_EQ(Edit(), step.shown) << step.typed << (step.up ? " up" : " down");
    }
    ::SetFocus(Item(IDC_AUTO_EXIT));  // leaving the field corrects it
    EXPECT_EQ(Edit(), "1");
    EXPECT_EQ(Status(), kRange);
    Type("");  // one prompt, and the arrow steps from the last value read
    EXPECT_EQ(BoxesOf([&] { Arrow(true); }), "Please enter an integer.");
    EXPECT_EQ(Edit(), "2");

    Type("150");
    Press(IDOK);  // Apply takes the focus first, which corrects the field
    EXPECT_EQ(ReadSetting("StartupsNumber"), "100");
    EXPECT_EQ(Status(), Report("100"));
    // Enter applies without that focus change: what is stored is what the field then shows.
    for (const auto& typed : {std::make_pair("150", "100"), std::make_pair("0", "1")}) {
        Click(IDC_OPTIONS);
        Type(typed.first);
        PressKey(Field(), VK_RETURN);
        EXPECT_FALSE(Shown());
        EXPECT_TRUE(Visible());  // not the main window's Enter, which hides it
        EXPECT_EQ(ReadSetting("StartupsNumber"), typed.second);
        EXPECT_EQ(Edit(), typed.second);
    }

    // Pasted digits pass ES_NUMBER: too many for an int. One prompt; Options stays open, nothing is stored.
    const std::string digits(2000, '7');
    Click(IDC_OPTIONS);
    ::SetFocus(Item(IDOK));
    ::SetWindowTextA(Field(), digits.c_str());
    EXPECT_EQ(BoxesOf([&] { Press(IDOK); }), "Please enter an integer.");
    EXPECT_TRUE(Shown());
    EXPECT_EQ(UsableControls(), 0);
    EXPECT_EQ(ReadSetting("StartupsNumber"), "1");
}

// A settings file that cannot be written (held by another program; as root, Wine
// would write a read-only one): the program starts all the same, and Apply says
// so instead of telling what it would have stored.
TEST_F(OptionsDlgTest, SettingsFileThatCannotBeWritten)
{
    WriteSetting("StartupsNumber", "4");
    WriteSetting("CurrentStartupNumber", "1");
    const HANDLE held = ::CreateFileA(IniPath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    Start();
    ASSERT_TRUE(Visible());
    Click(IDC_OPTIONS);
    Type("9");
    Press(IDOK);
    EXPECT_EQ(ReadSetting("CurrentStartupNumber"), "1");
    EXPECT_EQ(ReadSetting("StartupsNumber"), "4");
    EXPECT_EQ(Status(), "Error writing settings file " + IniPath() + ". Not all options were saved.");
    ::CloseHandle(held);
}

// Every text fits its control, no two controls overlap, the dialog fits between the banner's top and
// the status line beside the buttons, and Tab goes from the top down.
TEST_F(OptionsDlgTest, LayoutFitsAndTabsTopDown)
{
    Start();
    Click(IDC_OPTIONS);
    Press(IDC_CHANGE_EVERY);  // so that every control is in use
    Press(IDC_AUTO_EXIT);
    std::vector<HWND> controls;
    for (HWND c = ::GetWindow(OptionsHwnd(), GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT))
        controls.push_back(c);
    const auto rectOf = [&](HWND w) {
        RECT rc = {};
        ::GetWindowRect(w, &rc);
        ::MapWindowPoints(nullptr, Dlg(), reinterpret_cast<POINT*>(&rc), 2);
        return rc;
    };
    RECT inside = {}, overlap = {};
    ::GetClientRect(OptionsHwnd(), &inside);
    ::MapWindowPoints(OptionsHwnd(), Dlg(), reinterpret_cast<POINT*>(&inside), 2);
    for (HWND c : controls) {
        const RECT rc = rectOf(c);
        const int id = ::GetDlgCtrlID(c);
        EXPECT_TRUE(rc.left >= inside.left && rc.top >= inside.top && rc.right <= inside.right &&
                    rc.bottom <= inside.bottom) << id;
        for (HWND other : controls)
            if (other != c) {
                RECT orc = rectOf(other);
                ::InflateRect(&orc, -1, -1);  // the template's units round to a pixel either way
                EXPECT_FALSE(::IntersectRect(&overlap, &rc, &orc)) << id << " and " << ::GetDlgCtrlID(other);
            }
        char cls[32] = {};
        ::GetClassNameA(c, cls, sizeof cls);
        const LONG style = ::GetWindowLongA(c, GWL_STYLE);
        const bool box = lstrcmpiA(cls, "Button") == 0 && (style & BS_TYPEMASK) != BS_OWNERDRAW;
        if (!box && lstrcmpiA(cls, "Static") != 0)
            continue;
        const std::string text = WindowText(c);
        HDC dc = ::GetDC(c);
        const HGDIOBJ old = ::SelectObject(dc, HGDIOBJ(::SendMessageA(c, WM_GETFONT, 0, 0)));
        SIZE size = {};
        ::GetTextExtentPoint32A(dc, text.c_str(), int(text.size()), &size);
        const int need = size.cx + (box ? ::MulDiv(16, ::GetDeviceCaps(dc, LOGPIXELSX), 96) + 1 : 0);  // box and gap
        ::SelectObject(dc, old);
        ::ReleaseDC(c, dc);
        EXPECT_LE(need, rc.right - rc.left) << text;
        EXPECT_LE(size.cy, rc.bottom - rc.top) << text;
    }
    // Clear of the buttons and the status line of the main window.
    const RECT options = rectOf(OptionsHwnd()), status = rectOf(Ctrl(IDC_STATUS)), add = rectOf(Ctrl(IDC_ADD_FILES));
    EXPECT_LE(options.bottom, status.top);
    EXPECT_LE(options.right, add.left);
    EXPECT_GE(options.top, 0);

    std::vector<int> order;
    HWND at = Item(IDC_STARTUPS_EDIT);
    do {
        order.push_back(::GetDlgCtrlID(at));
        at = ::GetNextDlgTabItem(OptionsHwnd(), at, FALSE);
    } while (at && at != Item(IDC_STARTUPS_EDIT) && order.size() < 30);
    EXPECT_EQ(order, (std::vector<int>{IDC_STARTUPS_EDIT, IDC_CHANGE_EVERY, IDC_CHANGE_MINUTES,
                                       IDC_RESIZE_PROPORTIONAL, IDC_PICTURE_PER_SCREEN, IDC_SHUFFLE,
                                       IDC_PICK_HOTKEY, IDC_AUTO_EXIT, IDC_TIMEOUT_SLIDER, IDOK, IDCANCEL}));
}

// Fill and Fit: shown checked for their letters, and stored by Apply.
TEST_F(OptionsDlgTest, FillAndFitModes)
{
    const struct { const char* stored; int press; const char* applied; } cases[] = {
        {"F", IDC_RESIZE_FIT, "E"}, {"E", IDC_RESIZE_FILL, "F"}};
    Start();
    for (const auto& c : cases) {
        WriteSetting("ResizeType", c.stored);
        Click(IDC_OPTIONS);
        EXPECT_EQ(Mode(), c.stored[0]);
        Press(c.press);
        Press(IDOK);
        EXPECT_EQ(ReadSetting("ResizeType"), c.applied);
    }
}

// The check boxes and the timed change: a file shows what it holds (without the keys: today's dialog and
// today's message), Apply stores what is shown, minutes corrected to 1..1440.
TEST_F(OptionsDlgTest, PictureEachScreenShuffleAndTimedChange)
{
    const struct {
        const char* ini;  // the [Kavro] section
        const char* shown;  // PicturePerScreen, Shuffle, ChangeEvery checked; the minutes field, "-" when not in use
        int click;  // a check box the user clicks, or 0
        const char* typed;  // into the minutes field, or null
        const char* stored;  // PicturePerScreen, Shuffle, ChangeEvery after Apply
        std::string status;
    } cases[] = {
        {"StartupsNumber=3\0Timeout=0\0ResizeType=P\0", "000-30", 0, nullptr, "000", Report("3")},
        {"StartupsNumber=3\0Timeout=20\0", "000-30", 0, nullptr, "000", Report("3", 20)},
        {"PicturePerScreen=1\0Shuffle=1\0ChangeEvery=45\0", "11145", 0, nullptr, "1145", Report("1", 0, 45)},
        {"ChangeEvery=45\0Timeout=10\0", "00145", IDC_SHUFFLE, "0", "011", Report("1", 10, 1)},
        {"StartupsNumber=100\0Timeout=120\0ChangeEvery=9999\0", "0011440", IDC_PICTURE_PER_SCREEN, "2000",
         "101440", Report("100", 120, 1440)},
        {"Shuffle=1\0", "010-30", IDC_CHANGE_EVERY, nullptr, "0130", Report("1", 0, 30)},
        {"PicturePerScreen=1\0ChangeEvery=5\0", "1015", IDC_CHANGE_EVERY, nullptr, "100", Report("1")},
    };
    Start();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        ::WritePrivateProfileSectionA("Kavro", c.ini, IniPath().c_str());
        Click(IDC_OPTIONS);
        const bool inUse = ::IsWindowEnabled(Item(IDC_CHANGE_MINUTES)) && ::IsWindowEnabled(Item(IDC_CHANGE_SPIN));
        EXPECT_EQ(std::to_string(Checked(IDC_PICTURE_PER_SCREEN)) + std::to_string(Checked(IDC_SHUFFLE)) +
                      std::to_string(Checked(IDC_CHANGE_EVERY)) + (inUse ? "" : "-") +
                      WindowText(Item(IDC_CHANGE_MINUTES)),
                  c.shown);
        if (c.click)
            Press(c.click);
        if (c.typed)
            TypeInto(IDC_CHANGE_MINUTES, c.typed);
        Press(IDOK);
        EXPECT_FALSE(Shown());
        EXPECT_EQ(ReadSetting("PicturePerScreen") + ReadSetting("Shuffle") + ReadSetting("ChangeEvery"), c.stored);
        EXPECT_EQ(Status(), c.status);
        EXPECT_LE(::SendMessageA(Ctrl(IDC_STATUS), EM_GETLINECOUNT, 0, 0), 2);  // the status line's height
    }
}

// The minutes field: corrected when left (and only then told), stepped by its arrows, read by Enter.
TEST_F(OptionsDlgTest, MinutesFieldCorrectionArrowsAndEnter)
{
    const char kMinutesRange[] = "Minutes value must be between 1 and 1440.";
    Start();
    Click(IDC_OPTIONS);
    Press(IDC_CHANGE_EVERY);
    const struct { const char* typed; const char* shown; const char* status; } leaving[] = {
        {"2000", "1440", kMinutesRange}, {"0", "1", kMinutesRange}, {"45", "45", ""}};
    for (const auto& l : leaving) {
        ::SetWindowTextA(Ctrl(IDC_STATUS), "");
        TypeInto(IDC_CHANGE_MINUTES, l.typed);
        ::SetFocus(Item(IDC_SHUFFLE));
        EXPECT_EQ(WindowText(Item(IDC_CHANGE_MINUTES)), l.shown) << l.typed;
        EXPECT_EQ(Status(), l.status) << l.typed;
    }
    PressKey(Item(IDC_CHANGE_MINUTES), VK_UP);  // the arrow keys step it as its arrows do
    EXPECT_EQ(WindowText(Item(IDC_CHANGE_MINUTES)), "46");

    TypeInto(IDC_CHANGE_MINUTES, "");
    EXPECT_EQ(BoxesOf([&] { Press(IDOK); }), "Please enter an integer.");
    EXPECT_TRUE(Shown());
    EXPECT_EQ(ReadSetting("ChangeEvery"), "");
    TypeInto(IDC_CHANGE_MINUTES, "5000");
    PressKey(Item(IDC_CHANGE_MINUTES), VK_RETURN);  // no focus change first
    EXPECT_FALSE(Shown());
    EXPECT_EQ(ReadSetting("ChangeEvery"), "1440");
    EXPECT_EQ(Status(), Report("1", 0, 1440));
}

// The hot key for "Pick random" as the control gives it: none by default, a bare key gets Ctrl+Alt
// (it would be taken from every program), Backspace clears it.
TEST_F(OptionsDlgTest, PickRandomHotkey)
{
    const WORD ctrlShiftF5 = MAKEWORD(VK_F5, HOTKEYF_CONTROL | HOTKEYF_SHIFT);
    const WORD ctrlAltP = MAKEWORD('P', HOTKEYF_CONTROL | HOTKEYF_ALT);
    const struct { const char* stored; WORD shown; std::vector<UINT> keys; WORD applied; } cases[] = {
        {nullptr, 0, {}, 0},
        {nullptr, 0, {VK_CONTROL, VK_SHIFT, VK_F5}, ctrlShiftF5},
        {"0", 0, {'P'}, ctrlAltP},
        {"1104", 1104, {VK_BACK}, 0},
        {"1104", 1104, {}, 1104},
    };
    Start();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.applied);
        WriteSetting("PickHotkey", c.stored);
        Click(IDC_OPTIONS);
        EXPECT_EQ(Hotkey(), c.shown);
        ::SetFocus(Item(IDC_PICK_HOTKEY));
        Keys(Item(IDC_PICK_HOTKEY), c.keys);
        Press(IDOK);
        EXPECT_EQ(ReadSetting("PickHotkey"), std::to_string(c.applied));
    }
}

}  // namespace
