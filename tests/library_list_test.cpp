// The library list of the main window: which folder entries become rows, how
// header clicks sort them, and which buttons the selection enables.
#include <gtest/gtest.h>

#include <map>

#include "tests/main_window_fixture.h"

namespace {

using Names = std::vector<std::string>;

class LibraryListTest : public MainWindowTest {
protected:
    void Refill() { driver::TrayMouse(Dlg(), WM_LBUTTONDBLCLK); }  // restoring from the tray fills the list
};

}  // namespace

TEST_F(LibraryListTest, ListsEveryPictureExtensionWithSizeInKilobytesAndType)
{
    AddFile("a.b.bmp", 2048);
    AddFile("big.jpg", 1536000);
    AddFile("small.bmp", 1023);
    AddFile("photo.JPG", 1024);
    AddFile("Sunset.Jpg", 5000);
    AddFile("camera.jpeg", 3072);
    AddFile("Old.JPE", 10);
    AddFile("scan.jfif", 10);
    AddFile("shot.PNG", 10);
    AddFile("web.webp", 10);
    ASSERT_TRUE(::CreateDirectoryA(LibraryFile("holiday.jpg").c_str(), nullptr));
    for (const char* skipped : {"archive.jpg.txt", "photo.gif", "notes.txt", "jpg", "shot.png;", "web.web"})
        AddFile(skipped, 100);
    StartShown();
    // By name, letter case not deciding; a folder named like an image is listed.
    EXPECT_EQ(Rows(0), (Names{"a.b.bmp", "big.jpg", "camera.jpeg", "holiday.jpg", "Old.JPE", "photo.JPG", "scan.jfif",
                              "shot.PNG", "small.bmp", "Sunset.Jpg", "web.webp"}));
    EXPECT_EQ(Rows(1), (Names{"2", "1500", "3", "0", "0", "1", "0", "0", "0", "4", "0"}));
    EXPECT_EQ(Rows(2), (Names{"BMP", "JPG", "JPEG", "JPG", "JPE", "JPG", "JFIF", "PNG", "BMP", "JPG", "WEBP"}));
    // Every type shows whole: the column holds its text and the list view's margins.
    const int width = int(::SendMessageA(ListHwnd(), LVM_GETCOLUMNWIDTH, 2, 0));
    for (const std::string& type : Rows(2))
        EXPECT_LE(::SendMessageA(ListHwnd(), LVM_GETSTRINGWIDTHA, 0, LPARAM(type.c_str())) + 12, width) << type;
}

// Pick random takes any picture, whatever its extension and whatever it holds; it never sets the same one twice
// running, so every pick is a new picture of the folder.
TEST_F(LibraryListTest, PickRandomTakesPicturesOfEveryExtension)
{
    for (const char* name : {"a.jpeg", "b.jpe", "c.jfif", "d.png", "e.webp"})
        AddImage(name, 40, 30);
    AddImage("f.jpe", 40, 30);
    ::CopyFileA(LibraryFile("d.png").c_str(), LibraryFile("g.jfif").c_str(), FALSE);  // a PNG under a JPEG name
    const Names all = {"a.jpeg", "b.jpe", "c.jfif", "d.png", "e.webp", "f.jpe", "g.jfif"};
    StartShown();
    EXPECT_EQ(Rows(), all);
    std::string previous;
    for (int pick = 0; pick < 8; ++pick) {
        Click(IDC_PICK_RANDOM);
        const Names selected = SelectedRows();
        ASSERT_EQ(selected.size(), 1u);
        EXPECT_EQ(Status(), "Setting new wallpaper completed successfully. Image file : " + LibraryFile(selected[0]));
        EXPECT_NE(selected[0], previous);
        previous = selected[0];
    }
}

// Names were compared last at start-up: the first header click reverses them, and the
// direction survives a refill.
TEST_F(LibraryListTest, RefillShowsNewFilesKeepsTheDirectionAndAMissingFolderKeepsTheRows)
{
    MakeLibrary();
    StartShown();
    EXPECT_TRUE(Rows().empty());
    EXPECT_FALSE(Enabled(IDC_PICK_RANDOM));

    AddFile("a.bmp", 10);
    AddFile("b.jpg", 10);
    Refill();
    EXPECT_EQ(Rows(), (Names{"a.bmp", "b.jpg"}));
    EXPECT_TRUE(Enabled(IDC_PICK_RANDOM));
    driver::ColumnClick(Dlg(), 0);
    AddFile("c.bmp", 10);
    Refill();
    EXPECT_EQ(Rows(), (Names{"c.bmp", "b.jpg", "a.bmp"}));

    for (const char* name : {"a.bmp", "b.jpg", "c.bmp"})
        ASSERT_TRUE(::DeleteFileA(LibraryFile(name).c_str()));
    ASSERT_TRUE(::RemoveDirectoryA(Library().c_str()));
    Refill();
    EXPECT_EQ(Rows(), (Names{"c.bmp", "b.jpg", "a.bmp"}));
}

// Records what the list is sent while it sorts: the compare callback may send it nothing but LVM_GETITEM.
static WNDPROC g_listProc = nullptr;
static int g_sorting = 0;
static std::vector<UINT> g_sentWhileSorting;
static LRESULT CALLBACK SpyOnList(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == LVM_SORTITEMS) {
        ++g_sorting;
        const LRESULT result = ::CallWindowProcA(g_listProc, hWnd, msg, wParam, lParam);
        --g_sorting;
        return result;
    }
    if (g_sorting && msg != LVM_GETITEMA && msg != LVM_GETITEMW)
        g_sentWhileSorting.push_back(msg);
    return ::CallWindowProcA(g_listProc, hWnd, msg, wParam, lParam);
}

// Rows stay whole and ordered by the clicked column in both directions, also where it ties;
// sizes by their number (as text 200 would come before 31).
TEST_F(LibraryListTest, EveryColumnSortsBothWaysWithTies)
{
    const std::pair<const char*, size_t> files[] = {
        {"b.jpg", 2048}, {"A.bmp", 2500}, {"c.bmp", 31 * 1024}, {"a.jpg", 31 * 1024 + 900}, {"B.bmp", 10}, {"d.jpg", 200 * 1024}};
    for (const auto& f : files)
        AddFile(f.first, f.second);
    StartShown();
    std::map<std::string, std::string> whole;  // name: "size type"
    for (int i = 0; i < 6; ++i)
        whole[Rows(0)[i]] = Rows(1)[i] + " " + Rows(2)[i];
    const auto compare = [](int column, const std::string& a, const std::string& b) {
        return column == 1 ? (std::stoul(a) > std::stoul(b)) - (std::stoul(a) < std::stoul(b)) : ::lstrcmpA(a.c_str(), b.c_str());
    };
    g_listProc = WNDPROC(::SetWindowLongPtrA(ListHwnd(), GWLP_WNDPROC, LONG_PTR(&SpyOnList)));
    g_sentWhileSorting.clear();
    const std::pair<int, int> clicks[] = {{1, 1}, {1, -1}, {2, 1}, {2, -1}, {0, 1}, {0, -1}};  // column, direction
    for (const auto& click : clicks) {
        driver::ColumnClick(Dlg(), click.first);
        const Names names = Rows(0), shown = Rows(click.first);
        SCOPED_TRACE(testing::Message() << "column " << click.first << " direction " << click.second);
        ASSERT_EQ(names.size(), 6u);
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(whole[names[i]], Rows(1)[i] + " " + Rows(2)[i]) << names[i];
            EXPECT_LE(i ? compare(click.first, shown[i - 1], shown[i]) * click.second : 0, 0) << shown[i];
        }
    }
    ::SetWindowLongPtrA(ListHwnd(), GWLP_WNDPROC, LONG_PTR(g_listProc));
    EXPECT_EQ(g_sentWhileSorting, std::vector<UINT>());
}
