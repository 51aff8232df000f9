// Adding files through the real open-file dialog and the shell's copy: the
// dialog is found from a timer, the names are typed into it and Open is
// pressed; the shell's replace confirmation is answered the same way.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "app/wallpaper_dlg.h"
#include "framework/win_app.h"
#include "res/resource.h"
#include "tests/main_window_fixture.h"
#include "tests/test_support.h"

using testing_support::ChooseFilesInOpenDialog;
using testing_support::DialogHandled;
using testing_support::MakeImageFile;
using testing_support::OnNextDialog;
using testing_support::OpenFileDialogFolder;
using testing_support::PathExists;
using testing_support::Pump;
using testing_support::ReadFileBytes;

namespace {

const char kAddCaption[] = "Add image files to your list";
// Wine's shell asks with this caption before replacing a file.
const char kReplaceCaption[] = "Confirm file overwrite";
const int kReplaceYesToAll = 0x3207;

std::string Added(int count)
{
    return "Files successfully added to Wallpaper list. " + std::to_string(count) + " files in Wallpaper list.";
}

std::string CopyFailed(int count)
{
    return "Error copying files to Wallpaper list. " + std::to_string(count) + " files in Wallpaper list.";
}

std::string NothingAdded(int count)
{
    return "No files were added to Wallpaper list. " + std::to_string(count) + " files in Wallpaper list.";
}

std::string CurrentDirectory()
{
    char dir[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, dir);
    return dir;
}

bool SamePath(const std::string& a, const std::string& b)
{
    return ::lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

// Sees every WM_ENABLE the main window gets; the program's own disabling is
// the first one after the open-file dialog has gone.
struct EnableWatch {
    HHOOK hook = nullptr;
    HWND mainWindow = nullptr;
    HWND openDialog = nullptr;
    std::string probe;  // a library file that the copy creates
    struct Event {
        bool enable;
        bool openDialogGone;
        bool probeExists;
    };
    std::vector<Event> events;
    std::function<void()> onProgramDisable;
};
EnableWatch g_enable;

LRESULT CALLBACK EnableHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION) {
        const auto* cwp = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (cwp->hwnd == g_enable.mainWindow && cwp->message == WM_ENABLE) {
            const bool gone = g_enable.openDialog && !::IsWindow(g_enable.openDialog);
            const bool enable = cwp->wParam != FALSE;
            const bool firstDisableAfterDialog =
                !enable && gone &&
                std::none_of(g_enable.events.begin(), g_enable.events.end(),
                             [](const EnableWatch::Event& e) { return e.openDialogGone; });
            g_enable.events.push_back({enable, gone, PathExists(g_enable.probe)});
            if (firstDisableAfterDialog && g_enable.onProgramDisable)
                g_enable.onProgramDisable();
        }
    }
    return ::CallNextHookEx(g_enable.hook, code, wParam, lParam);
}

}  // namespace

class AddFilesTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        m_pictures = m_dir / "Pictures";
        ASSERT_TRUE(::CreateDirectoryA(m_pictures.c_str(), nullptr));
    }

    void TearDown() override
    {
        testing_support::CancelDialogActions();
        if (g_enable.hook)
            ::UnhookWindowsHookEx(g_enable.hook);
        g_enable = EnableWatch();
        MainWindowTest::TearDown();
        EXPECT_EQ(m_watchdog.Closed(), std::vector<std::string>()) << "dialogs left open";
    }

    // The start is not due, so no wallpaper is set on the way.
    CWallpaperDlg* StartShown()
    {
        WriteSetting("StartupsNumber", "100");
        WriteSetting("CurrentStartupNumber", "0");
        CWallpaperDlg* dlg = Start();
        m_watchdog.KeepCurrentDialogs();
        if (!Visible())
            dlg->RestoreFromTray();
        Pump(20);
        return dlg;
    }

    std::string Picture(const std::string& name) const { return m_pictures + "\\" + name; }
    void MakePicture(const std::string& name, COLORREF colour = RGB(30, 90, 200)) const
    {
        ASSERT_TRUE(MakeImageFile(Picture(name), 40, 30, colour)) << name;
    }

    // Clicks "Add file(s)" and, once the dialog shows, lets `inDialog` work
    // it. Returns the folder the dialog first showed.
    std::string Add(const std::function<void(HWND)>& inDialog)
    {
        std::string folder;
        const int request = OnNextDialog(kAddCaption, [&](HWND dialog) {
            g_enable.openDialog = dialog;
            folder = OpenFileDialogFolder(dialog);
            inDialog(dialog);
        });
        Click(IDC_ADD_FILES);
        EXPECT_TRUE(DialogHandled(request)) << "the open-file dialog never showed";
        return folder;
    }
    std::string AddFromPictures(const std::vector<std::string>& names)
    {
        return Add([&](HWND dialog) { EXPECT_TRUE(ChooseFilesInOpenDialog(dialog, m_pictures, names)); });
    }
    std::string AddCancelled()
    {
        return Add([](HWND dialog) {
            ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        });
    }

    // Adds a.jpg (already in the library, other content) and b.jpg, answering
    // the replace question with `button`.
    void AddWithClash(int button)
    {
        AddImage("a.jpg", 64, 48, RGB(200, 40, 40));
        MakePicture("a.jpg", RGB(20, 200, 20));
        MakePicture("b.jpg");
        StartShown();
        m_oldA = ReadFileBytes(LibraryFile("a.jpg"));
        ASSERT_NE(m_oldA, ReadFileBytes(Picture("a.jpg")));
        m_replaceAsked = OnNextDialog(kReplaceCaption, [button](HWND dialog) {
            ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        });
        AddFromPictures({"a.jpg", "b.jpg"});
    }

    testing_support::DialogWatchdog m_watchdog;
    std::string m_pictures;
    std::string m_oldA;
    int m_replaceAsked = 0;
};

TEST_F(AddFilesTest, OneFileIsCopiedAndItsFullPathRemembered)
{
    AddImage("old.jpg");
    MakePicture("new.jpg");
    StartShown();

    AddFromPictures({"new.jpg"});

    EXPECT_EQ(Status(), Added(2));
    EXPECT_EQ(ReadFileBytes(LibraryFile("new.jpg")), ReadFileBytes(Picture("new.jpg")));
    EXPECT_TRUE(PathExists(Picture("new.jpg"))) << "copied, not moved";
    EXPECT_EQ(Rows(), (std::vector<std::string>{"new.jpg", "old.jpg"}));
    EXPECT_TRUE(SamePath(ReadSetting("LastImageDirectory"), Picture("new.jpg")));
    EXPECT_TRUE(Enabled(IDC_ADD_FILES));
    EXPECT_TRUE(::IsWindowEnabled(Dlg()));
    // A file's path is no folder, so the next Add gets no initial folder.
    EXPECT_EQ(m_dlg->Settings().GetLastImageDirectory(), "");
}

TEST_F(AddFilesTest, SeveralFilesAreCopiedAndTheirFolderRemembered)
{
    MakePicture("a.jpg");
    MakePicture("b.bmp", RGB(10, 10, 10));
    MakePicture("c.jpg", RGB(250, 250, 0));
    MakePicture("not chosen.jpg");
    StartShown();
    ASSERT_EQ(Rows().size(), 0u);

    AddFromPictures({"a.jpg", "b.bmp", "c.jpg"});

    EXPECT_EQ(Status(), Added(3));
    EXPECT_EQ(Rows(), (std::vector<std::string>{"a.jpg", "b.bmp", "c.jpg"}));
    for (const char* name : {"a.jpg", "b.bmp", "c.jpg"})
        EXPECT_EQ(ReadFileBytes(LibraryFile(name)), ReadFileBytes(Picture(name))) << name;
    EXPECT_FALSE(PathExists(LibraryFile("not chosen.jpg")));
    EXPECT_TRUE(SamePath(ReadSetting("LastImageDirectory"), m_pictures));
    EXPECT_TRUE(SamePath(m_dlg->Settings().GetLastImageDirectory(), m_pictures));
}

// The copy names the chosen files by their full paths: moving the current
// directory to a folder with same-named files of other content, after the
// dialog has closed and before the shell copies, changes nothing.
TEST_F(AddFilesTest, CopiesTheChosenFilesWhateverTheCurrentDirectory)
{
    const std::string decoy = m_dir / "Decoy";
    ASSERT_TRUE(::CreateDirectoryA(decoy.c_str(), nullptr));
    for (const char* name : {"a.jpg", "b.jpg"}) {
        MakePicture(name, RGB(0, 0, 250));
        ASSERT_TRUE(MakeImageFile(decoy + "\\" + name, 90, 70, RGB(250, 0, 0)));
    }
    StartShown();
    g_enable.mainWindow = Dlg();
    g_enable.probe = LibraryFile("a.jpg");
    bool moved = false;
    g_enable.onProgramDisable = [&] { moved = ::SetCurrentDirectoryA(decoy.c_str()) != FALSE; };
    g_enable.hook = ::SetWindowsHookExA(WH_CALLWNDPROC, &EnableHook, nullptr, ::GetCurrentThreadId());
    ASSERT_NE(g_enable.hook, nullptr);

    AddFromPictures({"a.jpg", "b.jpg"});

    ASSERT_TRUE(moved) << "the main window was never disabled after the dialog";
    EXPECT_TRUE(SamePath(CurrentDirectory(), decoy));
    EXPECT_EQ(Status(), Added(2));
    for (const char* name : {"a.jpg", "b.jpg"})
        EXPECT_EQ(ReadFileBytes(LibraryFile(name)), ReadFileBytes(Picture(name))) << name;
}

// The main window is disabled from before the copy until after it, and
// enabled and active again afterwards.
TEST_F(AddFilesTest, MainWindowIsDisabledWhileTheShellCopies)
{
    MakePicture("a.jpg");
    StartShown();
    g_enable.mainWindow = Dlg();
    g_enable.probe = LibraryFile("a.jpg");
    g_enable.hook = ::SetWindowsHookExA(WH_CALLWNDPROC, &EnableHook, nullptr, ::GetCurrentThreadId());
    ASSERT_NE(g_enable.hook, nullptr);

    AddFromPictures({"a.jpg"});

    ASSERT_EQ(Status(), Added(1));
    std::vector<EnableWatch::Event> after;
    for (const EnableWatch::Event& e : g_enable.events)
        if (e.openDialogGone)
            after.push_back(e);
    ASSERT_EQ(after.size(), 2u);
    EXPECT_FALSE(after[0].enable);
    EXPECT_FALSE(after[0].probeExists) << "disabled only after the copy";
    EXPECT_TRUE(after[1].enable);
    EXPECT_TRUE(after[1].probeExists) << "enabled again before the copy";
    EXPECT_TRUE(::IsWindowEnabled(Dlg()));
    EXPECT_EQ(::GetActiveWindow(), Dlg());
}

// The dialog opens in the remembered folder (one this run's dialogs have
// never visited, so the dialog's own memory cannot be what put it there).
TEST_F(AddFilesTest, CancellingCopiesNothingAndShowsTheCurrentCount)
{
    AddImage("a.jpg");
    AddImage("b.jpg");
    MakePicture("c.jpg");
    WriteSetting("LastImageDirectory", m_pictures.c_str());
    StartShown();
    const std::vector<std::string> before = Rows();

    const std::string shown = AddCancelled();

    EXPECT_TRUE(SamePath(shown, m_pictures)) << shown;
    EXPECT_EQ(Status(), NothingAdded(2));
    EXPECT_EQ(Rows(), before);
    EXPECT_FALSE(PathExists(LibraryFile("c.jpg")));
    EXPECT_EQ(ReadSetting("LastImageDirectory"), m_pictures);
    EXPECT_TRUE(::IsWindowEnabled(Dlg()));
}

TEST_F(AddFilesTest, MissingLibraryFolderAndParentsAreCreated)
{
    // Start in <temp>\deep\er, then take the whole branch away.
    const std::string deep = m_dir / "deep";
    const std::string start = deep + "\\er";
    ASSERT_TRUE(::CreateDirectoryA(deep.c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryA(start.c_str(), nullptr));
    ASSERT_TRUE(::SetCurrentDirectoryA(start.c_str()));
    MakePicture("a.jpg");
    StartShown();
    ASSERT_TRUE(SamePath(m_dlg->LibraryPath(), start + "\\Wallpaper"));
    ASSERT_TRUE(::SetCurrentDirectoryA(m_dir.Path().c_str()));
    ASSERT_TRUE(::DeleteFileA((start + "\\Kavro.ini").c_str()));
    ASSERT_TRUE(::RemoveDirectoryA(start.c_str()));
    ASSERT_TRUE(::RemoveDirectoryA(deep.c_str()));

    AddFromPictures({"a.jpg"});

    EXPECT_EQ(Status(), Added(1));
    EXPECT_EQ(ReadFileBytes(start + "\\Wallpaper\\a.jpg"), ReadFileBytes(Picture("a.jpg")));
    EXPECT_EQ(Rows(), std::vector<std::string>{"a.jpg"});
    char remembered[MAX_PATH] = {};
    ::GetPrivateProfileStringA("Kavro", "LastImageDirectory", "", remembered, sizeof remembered,
                               (start + "\\Kavro.ini").c_str());
    EXPECT_TRUE(SamePath(remembered, Picture("a.jpg"))) << remembered;
}

TEST_F(AddFilesTest, LibraryFolderThatCannotBeCreatedStopsTheAdd)
{
    // A file where the library folder should be.
    testing_support::WriteFileBytes(Library(), "not a folder");
    MakePicture("a.jpg");
    StartShown();

    AddFromPictures({"a.jpg"});

    EXPECT_EQ(Status(), "Cannot create Wallpaper directory.");
    EXPECT_EQ(ReadSetting("LastImageDirectory"), "");
    EXPECT_EQ(ReadFileBytes(Library()), "not a folder");
    EXPECT_TRUE(Rows().empty());
    EXPECT_TRUE(::IsWindowEnabled(Dlg()));
}

TEST_F(AddFilesTest, NameClashAnsweredYesReplacesTheLibraryFile)
{
    AddWithClash(IDYES);
    EXPECT_TRUE(DialogHandled(m_replaceAsked)) << "no replace question";
    EXPECT_EQ(Status(), Added(2));
    EXPECT_EQ(ReadFileBytes(LibraryFile("a.jpg")), ReadFileBytes(Picture("a.jpg")));
    EXPECT_EQ(ReadFileBytes(LibraryFile("b.jpg")), ReadFileBytes(Picture("b.jpg")));
}

// No skips the one file; the shell still reports success.
TEST_F(AddFilesTest, NameClashAnsweredNoKeepsTheLibraryFile)
{
    AddWithClash(IDNO);
    EXPECT_TRUE(DialogHandled(m_replaceAsked)) << "no replace question";
    EXPECT_EQ(Status(), Added(2));
    EXPECT_EQ(ReadFileBytes(LibraryFile("a.jpg")), m_oldA);
    EXPECT_EQ(ReadFileBytes(LibraryFile("b.jpg")), ReadFileBytes(Picture("b.jpg")));
}

// Cancel stops the whole copy, which the shell reports as a failure.
TEST_F(AddFilesTest, NameClashCancelledReportsTheCopyError)
{
    AddWithClash(IDCANCEL);
    EXPECT_TRUE(DialogHandled(m_replaceAsked)) << "no replace question";
    EXPECT_EQ(Status(), CopyFailed(1));
    EXPECT_EQ(ReadFileBytes(LibraryFile("a.jpg")), m_oldA);
    EXPECT_FALSE(PathExists(LibraryFile("b.jpg")));
    EXPECT_EQ(Rows(), std::vector<std::string>{"a.jpg"});
    EXPECT_TRUE(::IsWindowEnabled(Dlg()));
}

TEST_F(AddFilesTest, YesToAllReplacesEveryClash)
{
    AddImage("b.jpg", 64, 48, RGB(200, 40, 40));
    AddWithClash(kReplaceYesToAll);
    EXPECT_TRUE(DialogHandled(m_replaceAsked)) << "no replace question";
    EXPECT_EQ(Status(), Added(2));
    EXPECT_EQ(ReadFileBytes(LibraryFile("a.jpg")), ReadFileBytes(Picture("a.jpg")));
    EXPECT_EQ(ReadFileBytes(LibraryFile("b.jpg")), ReadFileBytes(Picture("b.jpg")));
}

// Several files on a drive root: the dialog hands back "C:\" with its
// backslash, which must not be doubled.
TEST_F(AddFilesTest, SeveralFilesFromADriveRoot)
{
    char windows[MAX_PATH] = {};
    ASSERT_GT(::GetWindowsDirectoryA(windows, MAX_PATH), 2u);
    const std::string root = std::string(windows, 2) + "\\";
    const std::string tag = "kavro-root-" + std::to_string(::GetCurrentProcessId());
    const std::vector<std::string> names = {tag + "-1.jpg", tag + "-2.jpg"};
    struct Cleanup {
        std::vector<std::string> paths;
        ~Cleanup()
        {
            for (const std::string& p : paths)
                ::DeleteFileA(p.c_str());
        }
    } cleanup;
    for (const std::string& name : names) {
        cleanup.paths.push_back(root + name);
        ASSERT_TRUE(MakeImageFile(root + name, 20, 20)) << root + name;
    }
    StartShown();

    Add([&](HWND dialog) { EXPECT_TRUE(ChooseFilesInOpenDialog(dialog, root, names)); });

    EXPECT_EQ(Status(), Added(2));
    EXPECT_EQ(Rows(), names);
    for (const std::string& name : names)
        EXPECT_EQ(ReadFileBytes(LibraryFile(name)), ReadFileBytes(root + name)) << name;
    EXPECT_TRUE(SamePath(ReadSetting("LastImageDirectory"), root));
}

// Choosing the library's own files copies them onto themselves: whatever the
// shell makes of it, they must come out whole.
TEST_F(AddFilesTest, ChoosingALibraryFileKeepsIt)
{
    AddImage("a.jpg");
    AddImage("b.jpg");
    StartShown();
    const std::string before = ReadFileBytes(LibraryFile("a.jpg"));
    const int asked = OnNextDialog(kReplaceCaption, [](HWND dialog) {
        ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(kReplaceYesToAll, BN_CLICKED), 0);
    });

    Add([&](HWND dialog) { EXPECT_TRUE(ChooseFilesInOpenDialog(dialog, Library(), {"a.jpg", "b.jpg"})); });

    EXPECT_TRUE(DialogHandled(asked)) << "no replace question";
    EXPECT_TRUE(Status() == Added(2) || Status() == CopyFailed(2)) << Status();
    EXPECT_EQ(ReadFileBytes(LibraryFile("a.jpg")), before);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"a.jpg", "b.jpg"}));
}
