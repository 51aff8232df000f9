// The portable zip as a user gets it: CTest unpacks it and runs this test in
// the unpacked folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/test_support.h"

using testing_support::ReadFileBytes;

namespace {

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

}  // namespace

TEST(PackageTest, HoldsTheExeAndItsPapersInWindowsTextForm)
{
    char folder[MAX_PATH] = {};
    ASSERT_GT(::GetCurrentDirectoryA(MAX_PATH, folder), 0u);
    const std::string dir = folder;
    EXPECT_EQ(FolderEntries(dir),
              (std::vector<std::string>{"KavroWallpaper.exe", "LICENSE.txt", "THIRD-PARTY-NOTICES.txt",
                                        "USER-GUIDE.txt"}));
    EXPECT_EQ(FileVersion(dir + "\\KavroWallpaper.exe"), KAVRO_VERSION);

    const std::string guide = ReadFileBytes(dir + "\\USER-GUIDE.txt");
    EXPECT_NE(guide.find("KavroWallpaper " KAVRO_VERSION " - user guide\r\n"), std::string::npos);
    EXPECT_NE(ReadFileBytes(dir + "\\LICENSE.txt").find("MIT License\r\n"), std::string::npos);

    // What the FreeImage and libjpeg-turbo licences ask to be shown, and the texts of every codec's licence.
    const std::string notices = ReadFileBytes(dir + "\\THIRD-PARTY-NOTICES.txt");
    for (const char* required : {"This software uses the FreeImage open source image library",
                                 "FreeImage Public License - Version 1.0",
                                 "based in part on the work of the Independent JPEG Group",
                                 "The Modified (3-clause) BSD License", "The zlib License",
                                 "PNG Reference Library License version 2", "Copyright (c) 2010, Google Inc.",
                                 "Additional IP Rights Grant (Patents)", "Jean-loup Gailly and Mark Adler"})
        EXPECT_NE(notices.find(required), std::string::npos) << required;
    for (const std::string& text : {guide, notices}) {
        const auto lf = std::count(text.begin(), text.end(), '\n');
        const auto cr = std::count(text.begin(), text.end(), '\r');
        EXPECT_GT(lf, 20);
        EXPECT_EQ(cr, lf) << "every line ends in CRLF";
    }
}
