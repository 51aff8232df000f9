#include <windows.h>

#include <gtest/gtest.h>

#include "framework/data_exchange.h"
#include "framework/wait_cursor.h"
#include "framework/window.h"
#include "library/file_tools.h"
#include "tests/test_support.h"

namespace {

TEST(FileTools, ExistenceBySearch)
{
    TempDir dir;
    CFileTools tools;
    const std::string folder = dir / "Data";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    testing_support::WriteFileBytes(folder + "\\a.jpg", "x");

    EXPECT_TRUE(tools.FileExists(folder));                // a folder is found too
    EXPECT_TRUE(tools.FileExists(folder + "\\*.jpg"));    // wildcards are honoured
    EXPECT_FALSE(tools.FileExists(folder + "\\*.bmp"));
    EXPECT_FALSE(tools.FileExists(""));
    EXPECT_TRUE(tools.FolderExists(folder));
    EXPECT_FALSE(tools.FolderExists(folder + "\\a.jpg"));  // a file is no folder
    EXPECT_FALSE(tools.FolderExists(dir / "missing"));
}

TEST(FileTools, CreateFolderPathMakesEveryParent)
{
    TempDir dir;
    CFileTools tools;
    const std::string deep = dir / "one\\two\\three\\Wallpaper";
    EXPECT_TRUE(tools.CreateFolderPath(deep));
    EXPECT_TRUE(tools.FolderExists(dir / "one\\two"));
    EXPECT_TRUE(tools.FolderExists(deep));
    EXPECT_TRUE(tools.CreateFolderPath(deep));  // already there

    // A file in the way: the folder cannot exist afterwards.
    testing_support::WriteFileBytes(dir / "blocked", "x");
    EXPECT_FALSE(tools.CreateFolderPath(dir / "blocked\\Wallpaper"));
}

TEST(FileTools, NameOperationsUseTheLastSeparator)
{
    CFileTools t;
    const std::string got[] = {
        t.GetFileExtension("photo.JPG"), t.GetFileExtension("archive.tar.gz"), t.GetFileExtension("README"),
        t.GetFileExtension("C:\\my.pictures\\readme"), t.RemoveFileExtension("archive.tar.gz"),
        t.RemoveFileExtension("README"), t.GetFileNamePart("sunset.jpg"),
        t.GetFileNamePart("C:\\Wall\\sunset.jpg"), t.GetFileNamePart("C:\\Wall\\")};
    const std::string want[] = {"JPG", "gz", "", "pictures\\readme", "archive.tar", "", "", "sunset.jpg", ""};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(want[i], got[i]) << "case " << i;
}

// Sees what the pre-translation step hands to it.
class RecordingWindow : public CWindow {
public:
    bool PreTranslateMessage(MSG* msg) override {
        if (msg->message == WM_APP + 7) {
            ++seen;
            return true;  // consumed: never dispatched
        }
        return false;
    }
    int seen = 0;
};

TEST(FileTools, PumpMessagesUsesThePreTranslation)
{
    CFileTools tools;
    tools.PumpMessages();  // empty queue: returns at once

    HWND parent = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    HWND child = ::CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 5, 5, parent, nullptr, nullptr, nullptr);
    ASSERT_TRUE(parent && child);
    RecordingWindow recorder;
    ASSERT_TRUE(recorder.SubclassWindow(parent));
    CWindow* previousMain = CWinApp::Instance()->MainWindow();
    CWinApp::Instance()->SetMainWindow(&recorder);

    // A message for the child reaches the parent's pre-translation.
    ::PostMessageA(child, WM_APP + 7, 0, 0);
    ::PostMessageA(child, WM_APP + 7, 0, 0);
    tools.PumpMessages();
    EXPECT_EQ(2, recorder.seen);
    MSG msg;
    EXPECT_FALSE(::PeekMessageA(&msg, nullptr, WM_APP + 7, WM_APP + 7, PM_NOREMOVE));

    CWinApp::Instance()->SetMainWindow(previousMain);
    ::DestroyWindow(parent);

    // A quit request met during a pump is left for the main loop.
    ::PostQuitMessage(3);
    tools.PumpMessages();
    ASSERT_TRUE(::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(3u, msg.wParam);
}

TEST(Framework, IntegerParsingKeepsTheValueOnFailure)
{
    int v = 99;
    EXPECT_TRUE(CDataExchange::ParseInteger(" -3 ", v) && v == -3);
    for (const char* bad : {"", "12a", "-", "99999999999"})
        EXPECT_FALSE(CDataExchange::ParseInteger(bad, v)) << bad;
    EXPECT_EQ(-3, v);
}

TEST(Framework, WaitCursorIsCounted)
{
    CWinApp* app = CWinApp::Instance();
    {
        CWaitCursor outer;
        CWaitCursor inner;
        EXPECT_EQ(2, app->WaitCursorCount());
    }
    app->EndWaitCursor();  // an unmatched end does not go below zero
    EXPECT_EQ(0, app->WaitCursorCount());
}

TEST(Framework, MessageBoxCaptionAndQuestionIcon)
{
    std::string text;
    const std::string caption = CWinApp::Instance()->AppName();
    EXPECT_EQ("kavro_tests", caption);
    testing_support::AnswerNextDialog(caption, IDNO, &text);
    EXPECT_EQ(IDNO, CWinApp::Instance()->MessageBox(nullptr, "Really ?", MB_YESNO));
    EXPECT_EQ("Really ?", text);
}

}  // namespace
