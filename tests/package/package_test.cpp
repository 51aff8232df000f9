// The portable zip as a user gets it: CTest unpacks it and runs this test in
// the unpacked folder; the exe is started from there in an empty start folder.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/test_support.h"

using testing_support::PumpUntil;
using testing_support::ReadFileBytes;

namespace {

const char kTitle[] = "Kavro Wallpaper Version " KAVRO_VERSION;

std::string CurrentDir()
{
    char dir[MAX_PATH] = {};
    const DWORD n = ::GetCurrentDirectoryA(MAX_PATH, dir);
    return n > 0 && n < MAX_PATH ? std::string(dir) : std::string();
}

std::vector<std::string> FolderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = ::FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (lstrcmpA(fd.cFileName, ".") != 0 && lstrcmpA(fd.cFileName, "..") != 0)
            names.push_back(fd.cFileName);
    } while (::FindNextFileA(h, &fd));
    ::FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

std::string IniValue(const std::string& ini, const char* key)
{
    char value[260] = {};
    ::GetPrivateProfileStringA("Kavro", key, "(missing)", value, sizeof value, ini.c_str());
    return value;
}

std::string FileVersion(const std::string& exe)
{
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(exe.c_str(), &ignored);
    if (size == 0)
        return "(no version resource)";
    std::vector<char> block(size);
    char* text = nullptr;
    UINT length = 0;
    if (!::GetFileVersionInfoA(exe.c_str(), 0, size, block.data()) ||
        !::VerQueryValueA(block.data(), "\\StringFileInfo\\040904B0\\FileVersion",
                          reinterpret_cast<void**>(&text), &length) || text == nullptr)
        return "(no file version)";
    return std::string(text, strnlen(text, length));
}

class PackageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_folder = CurrentDir();
        ASSERT_FALSE(m_folder.empty());
        ASSERT_EQ(::FindWindowA(nullptr, kTitle), nullptr) << "another copy of the program is running";
    }
    std::string m_folder;
};

}  // namespace

TEST_F(PackageTest, HoldsTheExeAndItsPapersInWindowsTextForm)
{
    EXPECT_EQ(FolderEntries(m_folder),
              (std::vector<std::string>{"KavroWallpaper.exe", "LICENSE.txt", "THIRD-PARTY-NOTICES.txt",
                                        "USER-GUIDE.txt"}));
    EXPECT_EQ(FileVersion(m_folder + "\\KavroWallpaper.exe"), KAVRO_VERSION);

    const std::string guide = ReadFileBytes(m_folder + "\\USER-GUIDE.txt");
    EXPECT_NE(guide.find("KavroWallpaper " KAVRO_VERSION " - user guide\r\n"), std::string::npos);
    for (const char* topic : {"Kavro.ini", "Wallpaper\\", "shell:startup", "Proporcional resize",
                              "Exit program after changing wallpaper at Startup"})
        EXPECT_NE(guide.find(topic), std::string::npos) << topic;
    EXPECT_NE(ReadFileBytes(m_folder + "\\LICENSE.txt").find("MIT License\r\n"), std::string::npos);

    // What the FreeImage and libjpeg-turbo licences ask to be shown, and their texts.
    const std::string notices = ReadFileBytes(m_folder + "\\THIRD-PARTY-NOTICES.txt");
    for (const char* required : {"This software uses the FreeImage open source image library",
                                 "FreeImage Public License - Version 1.0",
                                 "based in part on the work of the Independent JPEG Group",
                                 "The Modified (3-clause) BSD License", "The zlib License"})
        EXPECT_NE(notices.find(required), std::string::npos) << required;
    for (const std::string& text : {guide, notices}) {
        const auto lf = std::count(text.begin(), text.end(), '\n');
        const auto cr = std::count(text.begin(), text.end(), '\r');
        EXPECT_GT(lf, 20);
        EXPECT_EQ(cr, lf) << "every line ends in CRLF";
    }
}

TEST_F(PackageTest, ExeStartsInAnEmptyStartFolderShowsItselfAndExitsCleanly)
{
    const std::string exe = m_folder + "\\KavroWallpaper.exe";
    TempDir start;
    std::string commandLine = "\"" + exe + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(::CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                 start.Path().c_str(), &si, &pi))
        << ::GetLastError();
    struct Closer {
        PROCESS_INFORMATION& pi;
        ~Closer()
        {
            ::TerminateProcess(pi.hProcess, 99);  // harmless once it has ended
            ::CloseHandle(pi.hThread);
            ::CloseHandle(pi.hProcess);
        }
    } closer{pi};

    // An empty library: the window shows at once and says what to do.
    HWND main = nullptr;
    ASSERT_TRUE(PumpUntil(
        [&] { return (main = ::FindWindowA(nullptr, kTitle)) != nullptr && ::IsWindowVisible(main); }, 30000));
    ::WaitForInputIdle(pi.hProcess, 10000);
    char status[512] = {};
    ::GetDlgItemTextA(main, IDC_STATUS, status, sizeof status);
    EXPECT_STREQ(status, "There is no image files in Wallpaper list. Please add wallpaper files.");
    EXPECT_EQ(::SendDlgItemMessageA(main, IDC_LIST_FILES, LVM_GETITEMCOUNT, 0, 0), 0);
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(main, IDC_ADD_FILES)));
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(main, IDC_SET_WALLPAPER)));

    // It counted the start in its own settings file, beside nothing else: the
    // first start is due (every start, by default) and used up without a change.
    EXPECT_EQ(FolderEntries(start.Path()), std::vector<std::string>{"Kavro.ini"});
    EXPECT_EQ(IniValue(start / "Kavro.ini", "StartupsNumber"), "1");
    EXPECT_EQ(IniValue(start / "Kavro.ini", "CurrentStartupNumber"), "0");

    ::PostMessageA(main, WM_COMMAND, IDCANCEL, 0);  // the Exit button
    ASSERT_TRUE(PumpUntil([&] { return ::WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0; }, 15000));
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(code, 0u);
}
