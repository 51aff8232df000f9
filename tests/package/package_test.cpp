// The portable zip as a user gets it: CTest unpacks it and runs this test in
// the unpacked folder; the exe is started from there in an empty start folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "tests/test_support.h"

using testing_support::PumpUntil;
using testing_support::ReadFileBytes;

namespace {

const char kTitle[] = "Kavro Wallpaper Version " KAVRO_VERSION;

std::vector<std::string> FolderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = ::FindFirstFileA((folder + "\\*").c_str(), &fd);
    for (BOOL more = h != INVALID_HANDLE_VALUE; more; more = ::FindNextFileA(h, &fd))
        if (fd.cFileName[0] != '.')
            names.push_back(fd.cFileName);
    ::FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

std::string FileVersion(const std::string& exe)
{
    DWORD ignored = 0;
    std::vector<char> block(::GetFileVersionInfoSizeA(exe.c_str(), &ignored) + 1);
    char* text = nullptr;
    UINT length = 0;
    if (!::GetFileVersionInfoA(exe.c_str(), 0, static_cast<DWORD>(block.size()), block.data()) ||
        !::VerQueryValueA(block.data(), "\\StringFileInfo\\040904B0\\FileVersion", reinterpret_cast<void**>(&text),
                          &length))
        return "(no file version)";
    return std::string(text, strnlen(text, length));
}

class PackageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char dir[MAX_PATH] = {};
        ASSERT_GT(::GetCurrentDirectoryA(MAX_PATH, dir), 0u);
        m_folder = dir;
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
    const std::unique_ptr<void, void (*)(HANDLE)> process(testing_support::StartProgram(exe, start.Path()), [](HANDLE h) {
        ::TerminateProcess(h, 99);  // harmless once it has ended
        ::CloseHandle(h);
    });
    ASSERT_TRUE(process) << ::GetLastError();

    // An empty library: the window shows at once (what it shows is the main window tests' concern),
    // and the start is counted in a settings file beside nothing else.
    HWND main = nullptr;
    ASSERT_TRUE(PumpUntil(
        [&] { return (main = ::FindWindowA(nullptr, kTitle)) != nullptr && ::IsWindowVisible(main); }, 30000));
    ::WaitForInputIdle(process.get(), 10000);
    EXPECT_EQ(FolderEntries(start.Path()), std::vector<std::string>{"Kavro.ini"});

    ::PostMessageA(main, WM_COMMAND, IDCANCEL, 0);  // the Exit button
    ASSERT_TRUE(PumpUntil([&] { return ::WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0; }, 15000));
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeProcess(process.get(), &code);
    EXPECT_EQ(code, 0u);
}
