// The dialog framework's routing: which WM_COMMANDs a command entry takes, and
// where a field that cannot be read is reported.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/dialog.h"
#include "resource.h"
#include "tests/test_support.h"

namespace {

using namespace testing_support;

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

}  // namespace
