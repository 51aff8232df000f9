// The window framework: pre-translation in pumps, integer exchange, wait cursor, message box, dialog lifetime.
#include <windows.h>

#include <gtest/gtest.h>

#include "framework/data_exchange.h"
#include "framework/dialog.h"
#include "framework/wait_cursor.h"
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

TEST(Framework, WaitCursorIsCounted)
{
    {
        CWaitCursor outer, inner;
        EXPECT_EQ(CWinApp::Instance()->WaitCursorCount(), 2);
    }
    CWinApp::Instance()->EndWaitCursor();  // an unmatched end does not go below zero
    EXPECT_EQ(CWinApp::Instance()->WaitCursorCount(), 0);
}

TEST(Framework, MessageBoxCaption)
{
    std::string text;
    AnswerNextDialog("kavro_tests", IDNO, &text);  // the exe's name
    EXPECT_EQ(CWinApp::Instance()->MessageBox(nullptr, "Really ?", MB_YESNO), IDNO);
    EXPECT_EQ(text, "Really ?");
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

}  // namespace
