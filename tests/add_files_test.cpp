// Adding files through the real open-file dialog, worked from a timer as a user would.
#include <windows.h>
#include <dlgs.h>

#include "framework/open_files_dialog.h"
#include "library/file_tools.h"
#include "tests/main_window_fixture.h"

using namespace testing_support;
using Names = std::vector<std::string>;

// Moves the current directory to the decoy when the main window gets disabled after the open-file dialog.
static struct { HWND main, dialog; std::string decoy; bool moved; } g_hook;
static LRESULT CALLBACK MoveCurrentDirectory(int code, WPARAM wParam, LPARAM lParam) {
    const CWPSTRUCT& m = *reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (m.hwnd == g_hook.main && m.message == WM_ENABLE && !m.wParam && g_hook.dialog && !::IsWindow(g_hook.dialog))
        g_hook.moved = ::SetCurrentDirectoryA(g_hook.decoy.c_str());
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

class AddFilesTest : public MainWindowTest {
protected:
    std::string Pictures() const { return m_dir / "Pictures"; }
    void StartWith(const Names& pictures) {
        ::CreateDirectoryA(Pictures().c_str(), nullptr);
        for (const std::string& name : pictures)
            ASSERT_TRUE(MakeImageFile(Pictures() + "\\" + name, 40, 30)) << name;
        StartShown();
    }
    // Chooses `names` among the pictures, or cancels for none; then answers a replace question if asked to.
    void Add(const Names& names, int replaceAnswer = 0) {
        OnNextDialog("Add image files to your list", [=](HWND dialog) {
            g_hook.dialog = dialog;
            EXPECT_TRUE(names.empty() ? ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0)
                                      : ChooseFilesInOpenDialog(dialog, Pictures(), names));
            if (replaceAnswer)
                AnswerNextDialog("Confirm file overwrite", replaceAnswer);
        });
        DialogWatchdog watchdog(10000);
        Click(IDC_ADD_FILES);
        EXPECT_TRUE(DialogAnswered()) << "the open-file dialog or the replace question never showed";
        EXPECT_EQ(watchdog.Closed(), Names()) << "dialogs left open";
    }
};

// The library folder is made with its missing parents unless a file is in the way; one file's path is kept.
TEST_F(AddFilesTest, OneFileIntoAMissingLibraryBranch)
{
    const std::string deep = m_dir / "deep", start = deep + "\\er";
    ASSERT_TRUE(CFileTools().CreateFolderPath(start));
    ASSERT_TRUE(::SetCurrentDirectoryA(start.c_str()));
    WriteFileBytes(start + "\\Wallpaper", "not a folder");
    StartWith({"a.jpg"});
    Add({"a.jpg"});
    EXPECT_EQ(Status(), "Cannot create Wallpaper directory.");
    EXPECT_EQ(ReadFileBytes(start + "\\Wallpaper"), "not a folder");

    ASSERT_TRUE(::SetCurrentDirectoryA(m_dir.Path().c_str()));
    RemoveTree(deep);
    Add({"a.jpg"});
    EXPECT_EQ(Status(), "Files successfully added to Wallpaper list. 1 files in Wallpaper list.");
    EXPECT_TRUE(ReadFileBytes(start + "\\Wallpaper\\a.jpg") == ReadFileBytes(Pictures() + "\\a.jpg"));
    EXPECT_NE(ReadFileBytes(start + "\\Kavro.ini").find("LastImageDirectory=" + Pictures() + "\\a.jpg\r\n"),
              std::string::npos);
}

// The shell gets full source paths: moving the current directory to a decoy changes nothing.
TEST_F(AddFilesTest, SeveralFilesAreCopiedWhateverTheCurrentDirectory)
{
    WriteFileBytes((g_hook.decoy = m_dir.Path()) + "\\a.jpg", "decoy");
    AddImage("old.jpg");
    StartWith({"a.jpg", "b.bmp", "not chosen.jpg"});
    g_hook.main = Dlg();
    g_hook.dialog = nullptr;
    HHOOK hook = ::SetWindowsHookExA(WH_CALLWNDPROC, &MoveCurrentDirectory, nullptr, ::GetCurrentThreadId());
    Add({"a.jpg", "b.bmp"});
    ::UnhookWindowsHookEx(hook);
    EXPECT_TRUE(g_hook.moved) << "the window was not disabled for the copy";
    EXPECT_EQ(Status(), "Files successfully added to Wallpaper list. 3 files in Wallpaper list.");
    EXPECT_EQ(Rows(), (Names{"a.jpg", "b.bmp", "old.jpg"}));
    for (const char* name : {"a.jpg", "b.bmp"})
        EXPECT_TRUE(ReadFileBytes(LibraryFile(name)) == ReadFileBytes(Pictures() + "\\" + name)) << name;
    EXPECT_EQ(ReadSetting("LastImageDirectory"), Pictures());
}

TEST_F(AddFilesTest, CancelledInTheDialogOrInWinesReplaceQuestion)
{
    AddImage("a.jpg");  // a library a.jpg unlike the 40x30 picture
    StartWith({"a.jpg", "b.jpg"});
    Add({});
    EXPECT_EQ(Status(), "No files were added to Wallpaper list. 1 files in Wallpaper list.");
    Add({"a.jpg", "b.jpg"}, IDCANCEL);  // Cancel in the replace question stops the whole copy
    EXPECT_EQ(Status(), "Error copying files to Wallpaper list. 1 files in Wallpaper list.");
    EXPECT_FALSE(ReadFileBytes(LibraryFile("a.jpg")) == ReadFileBytes(Pictures() + "\\a.jpg")) << "a.jpg replaced";
    EXPECT_FALSE(PathExists(LibraryFile("b.jpg")));
}

// A choice longer than the dialog's result buffer opens it again with room for the choice.
TEST(OpenFilesDialogTest, AChoiceTooLongForTheBufferIsAskedForAgain)
{
    TempDir dir;
    const Names names = {"a picture with a long name.jpg", "another picture.bmp"};
    for (const std::string& name : names)
        WriteFileBytes(dir / name, "picture");
    for (size_t count : {1, 2}) {
        const Names chosen(names.begin(), names.begin() + count);
        int shown = 0;
        std::function<void(HWND)> choose = [&](HWND dialog) {
            if (++shown > 3)  // asked too often: a fault, not a hang
                ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            else
                EXPECT_TRUE(ChooseFilesInOpenDialog(dialog, dir.Path(), chosen));
            OnNextDialog("Choose", choose);
        };
        OnNextDialog("Choose", choose);
        const FileChoice choice = OpenFilesDialog(nullptr, "Choose", "Pictures\0*.jpg;*.bmp\0", "", 32);
        CancelAnswer();
        EXPECT_EQ(shown, 2) << count;
        Names paths;
        for (const std::string& name : chosen)
            paths.push_back(dir / name);
        EXPECT_EQ(choice.paths, paths);
        EXPECT_EQ(choice.pathResult, count == 1 ? paths.front() : dir.Path());
    }
}

// The dialog offers all pictures together first, then each format; pictures of every kind are added.
TEST_F(AddFilesTest, OffersAllPicturesFirstThenEachFormat)
{
    const Names chosen = {"shot.png", "web.webp", "camera.jpeg"};
    StartWith(chosen);
    Names types;
    OnNextDialog("Add image files to your list", [&](HWND dialog) {
        const HWND combo = ::GetDlgItem(dialog, cmb1);
        for (int i = 0; i < static_cast<int>(::SendMessageA(combo, CB_GETCOUNT, 0, 0)); ++i) {
            char text[128] = {};
            ::SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            types.push_back(text);
        }
        EXPECT_TRUE(ChooseFilesInOpenDialog(dialog, Pictures(), chosen));
    });
    DialogWatchdog watchdog(10000);
    Click(IDC_ADD_FILES);
    EXPECT_EQ(types, (Names{"All pictures", "BMP pictures (*.bmp)", "JPEG pictures (*.jpg;*.jpeg;*.jpe;*.jfif)",
                            "PNG pictures (*.png)", "WebP pictures (*.webp)"}));
    EXPECT_EQ(Status(), "Files successfully added to Wallpaper list. 3 files in Wallpaper list.");
    EXPECT_EQ(Rows(), (Names{"camera.jpeg", "shot.png", "web.webp"}));
}
