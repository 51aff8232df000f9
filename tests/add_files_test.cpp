// Adding files through the real open-file dialog, worked from a timer as a user would.
#include "tests/main_window_fixture.h"

using namespace testing_support;
using Names = std::vector<std::string>;

// Moves the current directory to the decoy when the main window gets disabled after the open-file dialog.
static HWND g_main, g_dialog;
static std::string g_decoy;
static bool g_moved;
static LRESULT CALLBACK MoveCurrentDirectory(int code, WPARAM wParam, LPARAM lParam)
{
    const auto* cwp = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (cwp->hwnd == g_main && cwp->message == WM_ENABLE && !cwp->wParam && g_dialog && !::IsWindow(g_dialog))
        g_moved = ::SetCurrentDirectoryA(g_decoy.c_str());
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

class AddFilesTest : public MainWindowTest {
protected:
    std::string Pictures() const { return m_dir / "Pictures"; }
    std::string Picture(const std::string& name) const { return Pictures() + "\\" + name; }
    void StartWith(const Names& pictures)
    {
        ::CreateDirectoryA(Pictures().c_str(), nullptr);
        for (const std::string& name : pictures)
            ASSERT_TRUE(MakeImageFile(Picture(name), 40, 30)) << name;
        WriteSetting("StartupsNumber", "100");  // no wallpaper due at the start
        Start()->RestoreFromTray();
    }
    // Chooses `names` among the pictures, or cancels for none.
    void Add(const Names& names)
    {
        g_dialog = nullptr;
        OnNextDialog("Add image files to your list", [&](HWND dialog) {
            g_dialog = dialog;
            if (names.empty())
                ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            else
                EXPECT_TRUE(ChooseFilesInOpenDialog(dialog, Pictures(), names));
        });
        DialogWatchdog watchdog(10000);
        Click(IDC_ADD_FILES);
        EXPECT_TRUE(DialogHandled()) << "the open-file dialog never showed";
        EXPECT_EQ(watchdog.Closed(), Names()) << "dialogs left open";
    }
};

// The library folder is made with its missing parents unless a file is in the way;
// one file's own path is remembered.
TEST_F(AddFilesTest, OneFileIntoAMissingLibraryBranch)
{
    const std::string deep = m_dir / "deep", start = deep + "\\er";
    ASSERT_TRUE(::CreateDirectoryA(deep.c_str(), nullptr) && ::CreateDirectoryA(start.c_str(), nullptr) &&
                ::SetCurrentDirectoryA(start.c_str()));
    WriteFileBytes(start + "\\Wallpaper", "not a folder");
    StartWith({"a.jpg"});
    Add({"a.jpg"});
    EXPECT_EQ(Status(), "Cannot create Wallpaper directory.");
    EXPECT_EQ(ReadFileBytes(start + "\\Wallpaper"), "not a folder");

    ASSERT_TRUE(::SetCurrentDirectoryA(m_dir.Path().c_str()) && ::DeleteFileA((start + "\\Wallpaper").c_str()) &&
                ::DeleteFileA((start + "\\Kavro.ini").c_str()));
    ASSERT_TRUE(::RemoveDirectoryA(start.c_str()) && ::RemoveDirectoryA(deep.c_str()));
    Add({"a.jpg"});
    EXPECT_EQ(Status(), "Files successfully added to Wallpaper list. 1 files in Wallpaper list.");
    EXPECT_TRUE(ReadFileBytes(start + "\\Wallpaper\\a.jpg") == ReadFileBytes(Picture("a.jpg")));
    char last[MAX_PATH] = {};
    ::GetPrivateProfileStringA("Kavro", "LastImageDirectory", "", last, MAX_PATH, (start + "\\Kavro.ini").c_str());
    EXPECT_EQ(last, Picture("a.jpg"));
}

// The shell gets full source paths: moving the current directory to a decoy changes nothing.
TEST_F(AddFilesTest, SeveralFilesAreCopiedWhateverTheCurrentDirectory)
{
    g_decoy = m_dir.Path();
    WriteFileBytes(g_decoy + "\\a.jpg", "decoy");
    AddImage("old.jpg");
    StartWith({"a.jpg", "b.bmp", "not chosen.jpg"});
    g_main = Dlg();
    HHOOK hook = ::SetWindowsHookExA(WH_CALLWNDPROC, &MoveCurrentDirectory, nullptr, ::GetCurrentThreadId());
    Add({"a.jpg", "b.bmp"});
    ::UnhookWindowsHookEx(hook);
    EXPECT_TRUE(g_moved) << "the window was not disabled for the copy";
    EXPECT_EQ(Status(), "Files successfully added to Wallpaper list. 3 files in Wallpaper list.");
    EXPECT_EQ(Rows(), (Names{"a.jpg", "b.bmp", "old.jpg"}));
    EXPECT_TRUE(ReadFileBytes(LibraryFile("a.jpg")) == ReadFileBytes(Picture("a.jpg"))) << "a.jpg";
    EXPECT_TRUE(ReadFileBytes(LibraryFile("b.bmp")) == ReadFileBytes(Picture("b.bmp"))) << "b.bmp";
    EXPECT_EQ(ReadSetting("LastImageDirectory"), Pictures());
}

TEST_F(AddFilesTest, CancelledInTheDialogOrInWinesReplaceQuestion)
{
    AddImage("a.jpg");
    StartWith({"a.jpg", "b.jpg"});
    Add({});
    EXPECT_EQ(Status(), "No files were added to Wallpaper list. 1 files in Wallpaper list.");
    EXPECT_FALSE(PathExists(LibraryFile("b.jpg")));

    // Cancel in the replace question stops the whole copy.
    const std::string old = ReadFileBytes(LibraryFile("a.jpg"));
    AnswerNextDialog("Confirm file overwrite", IDCANCEL);
    Add({"a.jpg", "b.jpg"});
    EXPECT_TRUE(DialogAnswered()) << "no replace question";
    EXPECT_EQ(Status(), "Error copying files to Wallpaper list. 1 files in Wallpaper list.");
    EXPECT_TRUE(ReadFileBytes(LibraryFile("a.jpg")) == old) << "a.jpg replaced";
    EXPECT_FALSE(PathExists(LibraryFile("b.jpg")));
}
