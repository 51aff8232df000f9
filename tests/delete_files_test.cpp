// Deleting library files: the button, the Delete key in the list and the
// context-menu command, each confirmed (or refused) in the real message box.
#include <windows.h>
#include <commctrl.h>
#include <dlgs.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/wallpaper_dlg.h"
#include "framework/win_app.h"
#include "res/resource.h"
#include "tests/main_window_fixture.h"
#include "tests/test_support.h"

using testing_support::AnswerNextDialog;
using testing_support::DialogAnswered;
using testing_support::DialogHandled;
using testing_support::OnNextDialog;
using testing_support::PathExists;
using testing_support::Pump;

namespace {

const char kQuestion[] = "Delete selected file(s). Are you sure ?";

using Names = std::vector<std::string>;

}  // namespace

class DeleteFilesTest : public MainWindowTest {
protected:
    // A library of the given pictures, the window restored from the tray.
    // The start is not due, so no wallpaper is set and no row preselected.
    void StartWith(const Names& names)
    {
        WriteSetting("StartupsNumber", "100");
        WriteSetting("CurrentStartupNumber", "0");
        for (const std::string& name : names)
            AddImage(name);
        Start();
        m_watchdog.KeepCurrentDialogs();
        if (!Visible())
            m_dlg->RestoreFromTray();
        Pump(20);
        ASSERT_EQ(Rows(), names);
        ASSERT_TRUE(SelectedRows().empty());
    }

    void Select(const Names& names)
    {
        std::vector<int> rows;
        for (const std::string& name : names) {
            rows.push_back(RowOf(name));
            ASSERT_NE(rows.back(), -1) << name;
        }
        SelectRows(rows);
        ASSERT_EQ(SelectedRows(), names);
    }

    // Runs `action` with the question answered by `button`; returns the
    // question's text.
    template <typename Action>
    std::string Confirmed(int button, Action action)
    {
        std::string text;
        AnswerNextDialog(CWinApp::Instance()->AppName(), button, &text);
        action();
        EXPECT_TRUE(testing_support::PumpUntil([] { return DialogAnswered(); }, 3000)) << "no question";
        return text;
    }

    // Runs `action` and checks that no question came up.
    template <typename Action>
    void NotAsked(Action action)
    {
        const int request = OnNextDialog(CWinApp::Instance()->AppName(), [](HWND box) {
            ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), 0);
        });
        action();
        Pump(300);
        EXPECT_FALSE(DialogHandled(request)) << "asked although nothing is selected";
        testing_support::CancelDialogActions();
    }

    void ExpectNothingSelected()
    {
        EXPECT_TRUE(SelectedRows().empty());
        EXPECT_FALSE(Enabled(IDC_SET_WALLPAPER));
        EXPECT_FALSE(Enabled(IDC_DELETE_FILES));
        EXPECT_FALSE(m_dlg->PreviewShown());
    }

    // The Delete key as a user presses it on the focused list.
    void PressDelete()
    {
        ::SetFocus(ListHwnd());
        PressKey(ListHwnd(), VK_DELETE);
    }

    void TearDown() override
    {
        testing_support::CancelDialogActions();
        MainWindowTest::TearDown();
        EXPECT_EQ(m_watchdog.Closed(), std::vector<std::string>()) << "dialogs left open";
    }

    testing_support::DialogWatchdog m_watchdog;
};

TEST_F(DeleteFilesTest, OneReadOnlyFileIsDeleted)
{
    StartWith({"a.jpg", "b.jpg", "c.jpg"});
    ASSERT_TRUE(::SetFileAttributesA(LibraryFile("b.jpg").c_str(), FILE_ATTRIBUTE_READONLY));
    Select({"b.jpg"});
    ASSERT_TRUE(Enabled(IDC_DELETE_FILES));

    const std::string asked = Confirmed(IDYES, [&] { Click(IDC_DELETE_FILES); });

    EXPECT_EQ(asked, kQuestion);
    EXPECT_FALSE(PathExists(LibraryFile("b.jpg")));
    EXPECT_EQ(Status(), "File deleted successfully. Image file : " + LibraryFile("b.jpg"));
    EXPECT_EQ(Rows(), (Names{"a.jpg", "c.jpg"}));
    ExpectNothingSelected();
}

TEST_F(DeleteFilesTest, ThreeFilesAreDeleted)
{
    StartWith({"a.jpg", "b.bmp", "c.jpg", "d.jpg"});
    Select({"a.jpg", "b.bmp", "d.jpg"});

    Confirmed(IDYES, [&] { Click(IDC_DELETE_FILES); });

    EXPECT_EQ(Status(), "Files deleted successfully. Image file : More files deleted.");
    for (const char* name : {"a.jpg", "b.bmp", "d.jpg"})
        EXPECT_FALSE(PathExists(LibraryFile(name))) << name;
    EXPECT_TRUE(PathExists(LibraryFile("c.jpg")));
    EXPECT_EQ(Rows(), Names{"c.jpg"});
    ExpectNothingSelected();
}

// A file held open without sharing cannot be deleted: the walk stops there.
TEST_F(DeleteFilesTest, LockedFileStopsTheWalk)
{
    StartWith({"a.jpg", "b.jpg", "c.jpg", "d.jpg"});
    HANDLE lock = ::CreateFileA(LibraryFile("b.jpg").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    Select({"a.jpg", "b.jpg", "c.jpg"});

    Confirmed(IDYES, [&] { Click(IDC_DELETE_FILES); });
    ::CloseHandle(lock);

    EXPECT_EQ(Status(), "Error deleting file. Image file : " + LibraryFile("b.jpg"));
    EXPECT_FALSE(PathExists(LibraryFile("a.jpg")));
    EXPECT_TRUE(PathExists(LibraryFile("b.jpg")));
    EXPECT_TRUE(PathExists(LibraryFile("c.jpg")));
    EXPECT_EQ(Rows(), (Names{"b.jpg", "c.jpg", "d.jpg"}));
    ExpectNothingSelected();
}

// A file removed behind the list's back fails like a locked one.
TEST_F(DeleteFilesTest, FileGoneSinceTheRefillIsReported)
{
    StartWith({"a.jpg", "b.jpg"});
    Select({"a.jpg", "b.jpg"});
    ASSERT_TRUE(::DeleteFileA(LibraryFile("a.jpg").c_str()));

    Confirmed(IDYES, [&] { Click(IDC_DELETE_FILES); });

    EXPECT_EQ(Status(), "Error deleting file. Image file : " + LibraryFile("a.jpg"));
    EXPECT_TRUE(PathExists(LibraryFile("b.jpg")));
    EXPECT_EQ(Rows(), Names{"b.jpg"});
}

TEST_F(DeleteFilesTest, AnsweringNoChangesNothing)
{
    StartWith({"a.jpg", "b.jpg", "c.jpg"});
    Select({"a.jpg", "c.jpg"});
    const std::string status = Status();

    // A Yes/No question with an icon and Yes as the default button.
    std::string asked;
    bool yesNo = false, yesDefault = false, icon = false;
    const int request = OnNextDialog(CWinApp::Instance()->AppName(), [&](HWND box) {
        asked = testing_support::WindowText(::GetDlgItem(box, 0xFFFF));
        yesNo = ::GetDlgItem(box, IDYES) && ::GetDlgItem(box, IDNO) && !::GetDlgItem(box, IDCANCEL);
        const LONG yesStyle = ::GetWindowLongA(::GetDlgItem(box, IDYES), GWL_STYLE);
        yesDefault = (yesStyle & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
        HWND iconStatic = ::GetDlgItem(box, stc1);
        icon = iconStatic && ::SendMessageA(iconStatic, STM_GETICON, 0, 0) != 0;
        ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), 0);
    });
    Click(IDC_DELETE_FILES);

    ASSERT_TRUE(DialogHandled(request)) << "no question";
    EXPECT_EQ(asked, kQuestion);
    EXPECT_TRUE(yesNo);
    EXPECT_TRUE(yesDefault);
    EXPECT_TRUE(icon);
    EXPECT_EQ(Status(), status);
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
        EXPECT_TRUE(PathExists(LibraryFile(name))) << name;
    EXPECT_EQ(Rows(), (Names{"a.jpg", "b.jpg", "c.jpg"}));
    EXPECT_EQ(SelectedRows(), (Names{"a.jpg", "c.jpg"}));
    EXPECT_TRUE(Enabled(IDC_DELETE_FILES));
}

TEST_F(DeleteFilesTest, DeleteKeyInTheListDeletesTheSelection)
{
    StartWith({"a.jpg", "b.jpg"});
    Select({"a.jpg"});

    const std::string asked = Confirmed(IDYES, [&] { PressDelete(); });

    EXPECT_EQ(asked, kQuestion);
    EXPECT_FALSE(PathExists(LibraryFile("a.jpg")));
    EXPECT_EQ(Status(), "File deleted successfully. Image file : " + LibraryFile("a.jpg"));
    EXPECT_EQ(Rows(), Names{"b.jpg"});
    ExpectNothingSelected();

    // Nothing selected now: the key does nothing at all.
    const std::string status = Status();
    NotAsked([&] { PressDelete(); });
    EXPECT_EQ(Status(), status);
    EXPECT_TRUE(PathExists(LibraryFile("b.jpg")));
    EXPECT_EQ(Rows(), Names{"b.jpg"});
}

TEST_F(DeleteFilesTest, ContextMenuCommandDeletesOnlyWithASelection)
{
    StartWith({"a.jpg", "b.jpg", "c.jpg"});

    const std::string status = Status();
    NotAsked([&] { Command(ID_LIST_DELETE_FILES); });
    EXPECT_EQ(Status(), status);
    EXPECT_EQ(Rows(), (Names{"a.jpg", "b.jpg", "c.jpg"}));

    Select({"b.jpg", "c.jpg"});
    const std::string asked = Confirmed(IDYES, [&] { Command(ID_LIST_DELETE_FILES); });

    EXPECT_EQ(asked, kQuestion);
    EXPECT_EQ(Status(), "Files deleted successfully. Image file : More files deleted.");
    EXPECT_EQ(Rows(), Names{"a.jpg"});
    EXPECT_TRUE(PathExists(LibraryFile("a.jpg")));
    ExpectNothingSelected();
}
