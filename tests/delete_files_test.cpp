// Deleting library files, confirmed or refused in the real message box.
#include "tests/main_window_fixture.h"

using namespace testing_support;
using Names = std::vector<std::string>;

class DeleteFilesTest : public MainWindowTest {
protected:
    void StartWith(const Names& names, const std::vector<int>& selected)
    {
        for (const std::string& name : names)
            AddImage(name);
        StartShown();
        SelectRows(selected);
    }
    // Runs `action`, answering the question it must ask with `button`.
    void Answered(int button, const std::function<void()>& action)
    {
        std::string asked;
        AnswerNextDialog(CWinApp::Instance()->AppName(), button, &asked);
        action();
        EXPECT_EQ(asked, "Delete selected file(s). Are you sure ?");
    }
    bool NothingSelected()
    {
        return SelectedRows().empty() && !Enabled(IDC_DELETE_FILES) && !Enabled(IDC_SET_WALLPAPER);
    }
};

TEST_F(DeleteFilesTest, OneReadOnlyFileRefusedThenDeleted)
{
    StartWith({"a.jpg", "b.jpg", "c.jpg"}, {1});
    ASSERT_TRUE(::SetFileAttributesA(LibraryFile("b.jpg").c_str(), FILE_ATTRIBUTE_READONLY));
    Answered(IDNO, [&] { ::SetFocus(ListHwnd()); PressKey(ListHwnd(), VK_DELETE); });
    EXPECT_EQ(SelectedRows(), Names{"b.jpg"});
    EXPECT_TRUE(PathExists(LibraryFile("b.jpg")));
    Answered(IDYES, [&] { Click(IDC_DELETE_FILES); });
    EXPECT_EQ(Status(), "File deleted successfully. Image file : " + LibraryFile("b.jpg"));
    EXPECT_EQ(Rows(), (Names{"a.jpg", "c.jpg"}));
    EXPECT_FALSE(PathExists(LibraryFile("b.jpg")));
    EXPECT_TRUE(NothingSelected());
}

TEST_F(DeleteFilesTest, SeveralFilesFromTheContextMenuThenALockedOne)
{
    StartWith({"a.jpg", "b.bmp", "c.jpg", "d.jpg", "e.jpg", "f.jpg"}, {});
    AnswerNextDialog(CWinApp::Instance()->AppName(), IDNO);
    Command(ID_LIST_DELETE_FILES);
    EXPECT_FALSE(DialogAnswered()) << "asked although nothing is selected";
    SelectRows({0, 1, 3});
    EXPECT_FALSE(Enabled(IDC_SET_WALLPAPER));  // one picture only
    EXPECT_TRUE(Enabled(IDC_DELETE_FILES));
    // Another program removes b.bmp while the question is open: the walk goes on past it.
    OnNextDialog(CWinApp::Instance()->AppName(), [&](HWND box) {
        ::DeleteFileA(LibraryFile("b.bmp").c_str());
        ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), LPARAM(::GetDlgItem(box, IDYES)));
    });
    Command(ID_LIST_DELETE_FILES);
    EXPECT_EQ(Status(), "Files deleted successfully. Image file : More files deleted.");
    EXPECT_EQ(Rows(), (Names{"c.jpg", "e.jpg", "f.jpg"}));
    EXPECT_FALSE(PathExists(LibraryFile("a.jpg")) || PathExists(LibraryFile("d.jpg")));

    // A read-only file held open without sharing stops the walk there, still read-only.
    ASSERT_TRUE(::SetFileAttributesA(LibraryFile("e.jpg").c_str(), FILE_ATTRIBUTE_READONLY));
    HANDLE lock = ::CreateFileA(LibraryFile("e.jpg").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SelectRows({0, 1, 2});
    Answered(IDYES, [&] { Click(IDC_DELETE_FILES); });
    ::CloseHandle(lock);
    EXPECT_EQ(Status(), "Error deleting file. Image file : " + LibraryFile("e.jpg"));
    EXPECT_EQ(Rows(), (Names{"e.jpg", "f.jpg"}));
    EXPECT_TRUE(::GetFileAttributesA(LibraryFile("e.jpg").c_str()) & FILE_ATTRIBUTE_READONLY);
    ::SetFileAttributesA(LibraryFile("e.jpg").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_TRUE(NothingSelected());
}

// While the question is open the tray's double-click selects the current wallpaper's row instead;
// Yes still deletes the file the user was asked about.
TEST_F(DeleteFilesTest, TheQuestionKeepsTheFilesItAsksAbout)
{
    WriteSetting("Wallpaper", "a");
    StartWith({"a.jpg", "b.jpg"}, {});
    SelectRows({RowOf("b.jpg")});
    std::string asked;
    OnNextDialog(CWinApp::Instance()->AppName(), [&](HWND box) {
        asked = WindowText(::GetDlgItem(box, 0xFFFF));
        driver::TrayMouse(Dlg(), WM_LBUTTONDBLCLK);
        ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), LPARAM(::GetDlgItem(box, IDYES)));
    });
    Click(IDC_DELETE_FILES);
    EXPECT_EQ(asked, "Delete selected file(s). Are you sure ?");
    EXPECT_EQ(Status(), "File deleted successfully. Image file : " + LibraryFile("b.jpg"));
    EXPECT_EQ(Rows(), Names{"a.jpg"});
}
