// The library list of the real main window: which folder entries become rows
// and how they read, how header clicks sort them and how that order survives
// refills, and which buttons and menu items the selection enables.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "library/preview_dlg.h"
#include "tests/main_window_driver.h"
#include "tests/main_window_fixture.h"

using testing_support::Pump;
using testing_support::PumpUntil;

namespace {

using Names = std::vector<std::string>;

class LibraryListTest : public MainWindowTest {
protected:
    // A start that is not due for a wallpaper change, then the window
    // brought back from the tray, which fills the list.
    void StartShown()
    {
        WriteSetting("StartupsNumber", "100");
        WriteSetting("CurrentStartupNumber", "0");
        Start();
        driver::TrayMouse(Dlg(), WM_LBUTTONDBLCLK);
        ASSERT_TRUE(Visible());
    }
    void Refill() { driver::TrayMouse(Dlg(), WM_LBUTTONDBLCLK); }
    void SortBy(int column) { driver::ColumnClick(Dlg(), column); }
};

class LibrarySortTest : public LibraryListTest {
protected:
    // Names and sizes that order differently: by name a, b, c, d; by size
    // b (4), d (31), c (200), a (1500); as text the sizes would go 1500, 200, 31, 4.
    void AddSizedFiles()
    {
        AddFile("a1500.jpg", 1536000);
        AddFile("b4.bmp", 4 * 1024 + 100);
        AddFile("c200.jpg", 200 * 1024);
        AddFile("d31.bmp", 31 * 1024 + 1023);
    }
};

}  // namespace

TEST_F(LibraryListTest, ListsOnlyBmpAndJpgEntriesWithSizeInKilobytesAndType)
{
    AddFile("a.b.bmp", 2048);
    AddFile("big.jpg", 1536000);
    AddFile("small.bmp", 1023);
    AddFile("photo.JPG", 1024);
    AddFile("Sunset.Jpg", 5000);
    ASSERT_TRUE(::CreateDirectoryA(LibraryFile("holiday.jpg").c_str(), nullptr));
    for (const char* skipped : {"photo.jpeg", "archive.jpg.txt", "photo.png", "photo", "notes.txt", "jpg"})
        AddFile(skipped, 100);
    StartShown();

    // Sorted by name as lstrcmpA orders them: letter case does not decide.
    EXPECT_EQ(Rows(0), (Names{"a.b.bmp", "big.jpg", "holiday.jpg", "photo.JPG", "small.bmp", "Sunset.Jpg"}));

    std::map<std::string, std::pair<std::string, std::string>> seen;
    const Names names = Rows(0), sizes = Rows(1), types = Rows(2);
    for (size_t i = 0; i < names.size(); ++i)
        seen[names[i]] = {sizes[i], types[i]};
    using P = std::pair<std::string, std::string>;
    EXPECT_EQ(seen["a.b.bmp"], P("2", "BMP"));
    EXPECT_EQ(seen["big.jpg"], P("1500", "JPG"));
    EXPECT_EQ(seen["small.bmp"], P("0", "BMP"));
    EXPECT_EQ(seen["photo.JPG"], P("1", "JPG"));
    EXPECT_EQ(seen["Sunset.Jpg"], P("4", "JPG"));
    EXPECT_EQ(seen["holiday.jpg"], P("0", "JPG"));  // a folder named like an image is listed
}

TEST_F(LibraryListTest, EmptyFolderGivesEmptyListWithEveryButtonDisabled)
{
    MakeLibrary();
    StartShown();
    EXPECT_TRUE(Rows().empty());
    EXPECT_FALSE(Enabled(IDC_SET_WALLPAPER));
    EXPECT_FALSE(Enabled(IDC_DELETE_FILES));
    EXPECT_FALSE(Enabled(IDC_PICK_RANDOM));
    EXPECT_FALSE(::IsWindowVisible(m_dlg->PreviewDlg()->m_hWnd));
}

TEST_F(LibraryListTest, RefillShowsNewFilesAndKeepsOldRowsWhenTheFolderIsGone)
{
    AddFile("one.bmp", 10);
    StartShown();
    ASSERT_EQ(Rows(), Names{"one.bmp"});

    AddFile("two.jpg", 10);
    Refill();
    EXPECT_EQ(Rows(), (Names{"one.bmp", "two.jpg"}));

    ASSERT_TRUE(::DeleteFileA(LibraryFile("one.bmp").c_str()));
    ASSERT_TRUE(::DeleteFileA(LibraryFile("two.jpg").c_str()));
    ASSERT_TRUE(::RemoveDirectoryA(Library().c_str()));
    Refill();
    EXPECT_EQ(Rows(), (Names{"one.bmp", "two.jpg"}));
    EXPECT_TRUE(Enabled(IDC_PICK_RANDOM));
}

TEST_F(LibraryListTest, ButtonsFollowTheNumberOfSelectedRows)
{
    AddImage("a.bmp");
    AddImage("b.bmp");
    AddImage("c.jpg");
    StartShown();
    ASSERT_EQ(Rows().size(), 3u);

    struct Case { std::vector<int> rows; bool set; bool del; };
    const Case cases[] = {
        {{}, false, false},
        {{1}, true, true},
        {{0, 2}, false, true},
        {{0, 1, 2}, false, true},
        {{2}, true, true},
        {{}, false, false},
    };
    for (const Case& c : cases) {
        SelectRows(c.rows);
        SCOPED_TRACE(testing::Message() << c.rows.size() << " selected");
        EXPECT_EQ(Enabled(IDC_SET_WALLPAPER), c.set);
        EXPECT_EQ(Enabled(IDC_DELETE_FILES), c.del);
        EXPECT_TRUE(Enabled(IDC_PICK_RANDOM));
    }
}

namespace {

// What the list's context menu showed, read from inside its modal loop.
struct MenuWatch {
    UINT_PTR timer = 0;
    bool seen = false;
    UINT setState = 0;
    UINT deleteState = 0;
};
MenuWatch g_menu;

void CALLBACK ReadOpenMenu(HWND, UINT, UINT_PTR, DWORD)
{
    HWND menuWnd = ::FindWindowA("#32768", nullptr);
    if (!menuWnd || !::IsWindowVisible(menuWnd))
        return;
    HMENU menu = reinterpret_cast<HMENU>(::SendMessageA(menuWnd, MN_GETHMENU, 0, 0));
    if (menu) {
        g_menu.seen = true;
        g_menu.setState = ::GetMenuState(menu, ID_LIST_SET_WALLPAPER, MF_BYCOMMAND);
        g_menu.deleteState = ::GetMenuState(menu, ID_LIST_DELETE_FILES, MF_BYCOMMAND);
    }
    ::EndMenu();
}

MenuWatch RightClickList(HWND main)
{
    g_menu = MenuWatch();
    g_menu.timer = ::SetTimer(nullptr, 0, 50, &ReadOpenMenu);
    NMITEMACTIVATE nm = {};
    nm.hdr.hwndFrom = ::GetDlgItem(main, IDC_LIST_FILES);
    nm.hdr.idFrom = IDC_LIST_FILES;
    nm.hdr.code = NM_RCLICK;
    nm.iItem = -1;
    ::SendMessageA(main, WM_NOTIFY, IDC_LIST_FILES, reinterpret_cast<LPARAM>(&nm));
    ::KillTimer(nullptr, g_menu.timer);
    Pump();
    return g_menu;
}

}  // namespace

TEST_F(LibraryListTest, ContextMenuGreysSetAsWallpaperUnlessOneRowIsSelected)
{
    AddImage("a.bmp");
    AddImage("b.bmp");
    StartShown();

    SelectRows({0, 1});
    MenuWatch two = RightClickList(Dlg());
    ASSERT_TRUE(two.seen);
    EXPECT_TRUE(two.setState & MF_GRAYED);
    EXPECT_FALSE(two.deleteState & MF_GRAYED);

    SelectRows({1});
    MenuWatch one = RightClickList(Dlg());
    ASSERT_TRUE(one.seen);
    EXPECT_FALSE(one.setState & MF_GRAYED);
    EXPECT_FALSE(one.deleteState & MF_GRAYED);
}

TEST_F(LibraryListTest, DeleteWithoutSelectionAsksNothing)
{
    AddImage("a.bmp");
    AddImage("b.bmp");
    StartShown();
    SelectRows({});
    const std::string status = Status();
    const std::string caption = CWinApp::Instance()->AppName();

    testing_support::AnswerNextDialog(caption, IDNO);
    Command(ID_LIST_DELETE_FILES);
    PressKey(ListHwnd(), VK_DELETE);
    Pump(200);
    EXPECT_FALSE(testing_support::DialogAnswered());
    EXPECT_EQ(Status(), status);
    EXPECT_EQ(Rows().size(), 2u);

    // With a row selected the same key does ask (answered No: nothing goes).
    SelectRows({0});
    std::string question;
    testing_support::AnswerNextDialog(caption, IDNO, &question);
    PressKey(ListHwnd(), VK_DELETE);
    EXPECT_TRUE(PumpUntil([] { return testing_support::DialogAnswered(); }, 3000));
    EXPECT_EQ(question, "Delete selected file(s). Are you sure ?");
    EXPECT_TRUE(testing_support::PathExists(LibraryFile("a.bmp")));
    EXPECT_TRUE(testing_support::PathExists(LibraryFile("b.bmp")));
}

// ------------------------------------------------------------------ sorting

TEST_F(LibrarySortTest, HeaderClicksSortEachColumnAscendingThenReverse)
{
    AddSizedFiles();
    StartShown();
    EXPECT_EQ(Rows(0), (Names{"a1500.jpg", "b4.bmp", "c200.jpg", "d31.bmp"}));

    SortBy(0);  // the name column was compared last: the first click reverses it
    EXPECT_EQ(Rows(0), (Names{"d31.bmp", "c200.jpg", "b4.bmp", "a1500.jpg"}));
    SortBy(0);
    EXPECT_EQ(Rows(0), (Names{"a1500.jpg", "b4.bmp", "c200.jpg", "d31.bmp"}));

    SortBy(1);  // sizes by number, not as text
    EXPECT_EQ(Rows(1), (Names{"4", "31", "200", "1500"}));
    EXPECT_EQ(Rows(0), (Names{"b4.bmp", "d31.bmp", "c200.jpg", "a1500.jpg"}));
    SortBy(1);
    EXPECT_EQ(Rows(1), (Names{"1500", "200", "31", "4"}));

    SortBy(2);
    EXPECT_EQ(Rows(2), (Names{"BMP", "BMP", "JPG", "JPG"}));
    SortBy(2);
    EXPECT_EQ(Rows(2), (Names{"JPG", "JPG", "BMP", "BMP"}));
}

TEST_F(LibrarySortTest, ChosenOrderSurvivesRefills)
{
    AddSizedFiles();
    StartShown();
    SortBy(1);
    SortBy(1);
    ASSERT_EQ(Rows(1), (Names{"1500", "200", "31", "4"}));

    AddFile("e75.bmp", 75 * 1024);
    Refill();
    EXPECT_EQ(Rows(1), (Names{"1500", "200", "75", "31", "4"}));

    Click(IDC_HIDE);
    driver::TrayMouse(Dlg(), WM_LBUTTONDBLCLK);
    EXPECT_EQ(Rows(0), (Names{"a1500.jpg", "c200.jpg", "e75.bmp", "d31.bmp", "b4.bmp"}));
}

TEST_F(LibrarySortTest, ClicksOnAListOfOneRowAllSortAscending)
{
    AddFile("c200.jpg", 200 * 1024);
    StartShown();
    SortBy(1);
    SortBy(1);  // no comparison ran, so "Size" is still not the last compared column

    AddFile("a1500.jpg", 1536000);
    AddFile("b4.bmp", 4 * 1024);
    Refill();
    EXPECT_EQ(Rows(1), (Names{"4", "200", "1500"}));
}

TEST_F(LibrarySortTest, RealMouseClickOnTheSizeHeaderSorts)
{
    AddSizedFiles();
    StartShown();
    HWND header = reinterpret_cast<HWND>(::SendMessageA(ListHwnd(), LVM_GETHEADER, 0, 0));
    ASSERT_NE(header, nullptr);
    RECT rc = {};
    ASSERT_TRUE(::SendMessageA(header, HDM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&rc)));
    const LPARAM at = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);

    for (int click = 0; click < 2; ++click) {
        ::SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
        ::SendMessageA(header, WM_LBUTTONUP, 0, at);
        Pump();
    }
    EXPECT_EQ(Rows(1), (Names{"1500", "200", "31", "4"}));
}
