// The window framework: pre-translation in pumps, integer exchange and its error hook, command routing,
// dialog lifetime.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/data_exchange.h"
#include "framework/dialog.h"
#include "library/file_tools.h"
#include "resource.h"
#include "tests/test_support.h"

namespace {

using namespace testing_support;

// Sees what the pre-translation step hands to it.
class RecordingWindow : public CWindow {
public:
    bool PreTranslateMessage(MSG* msg) override { return msg->message == WM_APP + 7 && ++seen; }
    int seen = 0;
};

TEST(Framework, PumpMessagesUsesThePreTranslationAndKeepsAQuit)
{
    HWND parent = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    HWND child = ::CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 5, 5, parent, nullptr, nullptr, nullptr);
    RecordingWindow recorder;
    ASSERT_TRUE(child && recorder.SubclassWindow(parent));
    CWindow* previousMain = CWinApp::Instance()->MainWindow();
    CWinApp::Instance()->SetMainWindow(&recorder);
    ::PostMessageA(child, WM_APP + 7, 0, 0);  // a child's message reaches the parent's pre-translation
    CFileTools().PumpMessages();
    CWinApp::Instance()->SetMainWindow(previousMain);
    ::DestroyWindow(parent);
    EXPECT_EQ(recorder.seen, 1);

    ::PostQuitMessage(3);  // a quit met during a pump is left for the main loop
    CFileTools().PumpMessages();
    MSG msg;
    ASSERT_TRUE(::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 3u);
}

TEST(Framework, IntegerParsingKeepsTheValueOnFailure)
{
    int v = 99;
    EXPECT_TRUE(CDataExchange::ParseInteger(" -3 ", v));
    EXPECT_EQ(v, -3);
    for (const char* bad : {"", "12a", "-", "2147483648", "18446744073709551617"})  // 2^31, 2^64 + 1
        EXPECT_FALSE(CDataExchange::ParseInteger(bad, v)) << bad;
    EXPECT_EQ(v, -3);
}

// A box open in a handler while the owner is destroyed (Exit from the tray while Options asks for an
// integer): the handler must return into a live object, deleted only then.
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

struct CCommandTarget {
    int runs = 0;
    void Run() { ++runs; }
};

TEST(MessageTable, CommandEntriesRunForAMenuItemAClickOrAnAccelerator)
{
    using Entry = MessageEntry<CCommandTarget>;
    static const Entry table[] = {Entry::Command(7, &CCommandTarget::Run)};
    const struct { WORD id, code; int runs; } cases[] = {
        {7, 0, 1},                 // a menu item or a click
        {7, 1, 1},                 // an accelerator
        {7, BN_DOUBLECLICKED, 0},  // an owner-drawn button's double click follows its click: no second run
        {8, 0, 0},
    };
    for (const auto& c : cases) {
        CCommandTarget target;
        LRESULT result = 0;
        EXPECT_EQ(DispatchMessageTable(&target, table, WM_COMMAND, MAKEWPARAM(c.id, c.code), 0, result), c.runs == 1);
        EXPECT_EQ(target.runs, c.runs) << c.id << " " << c.code;
    }
}

// Reports a bad field itself and, as a message box would, takes the focus.
class CReportingDlg : public CDialog {
public:
    CReportingDlg() : CDialog(IDD_OPTIONS) {}
    int m_nValue = 5;
    std::vector<std::string> m_log;

protected:
    void DoDataExchange(CDataExchange& dx) override { dx.Int(IDC_STARTUPS_EDIT, m_nValue); }
    void OnDataExchangeError(int id, const char* text) override
    {
        m_log.push_back(std::to_string(id) + " " + text);
        ::SetFocus(Item(IDOK));
    }
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override
    {
        using Entry = MessageEntry<CReportingDlg>;
        static const Entry table[] = {Entry::Control(EN_KILLFOCUS, IDC_STARTUPS_EDIT, &CReportingDlg::OnLeave)};
        return DispatchMessageTable(this, table, msg, wParam, lParam, result);
    }

private:
    void OnLeave() { m_log.push_back("left"); }
};

TEST(DataExchange, TheDialogReportsAFieldThatCannotBeRead)
{
    HWND parent = ::CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr,
                                    nullptr, nullptr);
    CReportingDlg dlg;
    ASSERT_TRUE(parent && dlg.Create(parent));
    ::ShowWindow(dlg, SW_SHOW);
    HWND field = dlg.Item(IDC_STARTUPS_EDIT);
    ::SetWindowTextA(field, "x");
    ::SetFocus(field);
    DialogWatchdog watchdog(2000);  // a box of the framework's own would be closed and named here
    EXPECT_FALSE(dlg.UpdateData(true));
    EXPECT_EQ(dlg.m_nValue, 5);
    // The focus the report took is no leaving of the field; the user's is.
    const std::string report = std::to_string(IDC_STARTUPS_EDIT) + " Please enter an integer.";
    EXPECT_EQ(dlg.m_log, std::vector<std::string>{report});
    ::SetFocus(field);
    ::SetFocus(dlg.Item(IDOK));
    EXPECT_EQ(dlg.m_log, (std::vector<std::string>{report, "left"}));
    EXPECT_TRUE(watchdog.Closed().empty());
    ::DestroyWindow(parent);
}

// What Options exchanges: a number kept within its range, and the one checked button of a group.
TEST(DataExchange, IntegerRangeAndRadioGroup)
{
    struct Hook : CDataExchange::ErrorHook {
        std::string seen;
        void ReportDataExchangeError(int, const char* text) override { seen += text; }
    } hook;
    HWND parent = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
    CDialog dlg(IDD_OPTIONS);
    ASSERT_TRUE(parent && dlg.Create(parent));
    for (const auto& typed : {std::make_pair("150", 100), std::make_pair("-5", 1), std::make_pair("", 7)}) {
        int value = 7;
        ::SetDlgItemTextA(dlg, IDC_STARTUPS_EDIT, typed.first);
        CDataExchange(dlg, hook, true).IntRange(IDC_STARTUPS_EDIT, value, 1, 100);
        EXPECT_EQ(value, typed.second) << typed.first;
    }
    EXPECT_EQ(hook.seen, "Please enter an integer.");

    enum class Mode { A, B, C, Unbuttoned };
    static const CDataExchange::Radio<Mode> kButtons[] = {
        {IDC_RESIZE_PROPORTIONAL, Mode::A}, {IDC_RESIZE_STRETCH, Mode::B}, {IDC_RESIZE_NONE, Mode::C}};
    ::CheckDlgButton(dlg, IDC_RESIZE_PROPORTIONAL, BST_CHECKED);
    for (Mode shown : {Mode::C, Mode::Unbuttoned}) {  // the other buttons cleared; none checked: value kept
        Mode value = shown;
        CDataExchange(dlg, hook, false).RadioGroup(kButtons, value);
        value = Mode::B;
        CDataExchange(dlg, hook, true).RadioGroup(kButtons, value);
        EXPECT_EQ(value, shown == Mode::C ? Mode::C : Mode::B);
    }
    ::DestroyWindow(parent);
}

}  // namespace
