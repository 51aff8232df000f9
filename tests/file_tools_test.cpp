#include <windows.h>

#include <gtest/gtest.h>

#include "library/file_tools.h"
#include "tests/test_support.h"

namespace {

TEST(FileTools, ExistenceAndFolderPaths)
{
    TempDir dir;
    CFileTools tools;
    const std::string folder = dir / "Data";
    ASSERT_TRUE(tools.CreateFolderPath(folder + "\\one\\two"));  // every missing parent
    testing_support::WriteFileBytes(folder + "\\a.jpg", "x");
    EXPECT_TRUE(tools.FileExists(folder + "\\*.jpg"));  // wildcards are honoured
    EXPECT_FALSE(tools.FileExists(folder + "\\*.bmp"));
    EXPECT_FALSE(tools.FileExists(""));
    EXPECT_TRUE(tools.FolderExists(folder + "\\one\\two"));
    EXPECT_FALSE(tools.FolderExists(folder + "\\a.jpg"));  // a file is no folder
    EXPECT_TRUE(tools.CreateFolderPath(folder));  // already there
    EXPECT_FALSE(tools.CreateFolderPath(folder + "\\a.jpg\\Wallpaper"));  // a file in the way
}

TEST(FileTools, NameOperationsUseTheLastSeparator)
{
    CFileTools t;
    const std::pair<std::string, std::string> cases[] = {
        {t.GetFileExtension("photo.JPG"), "JPG"}, {t.GetFileExtension("archive.tar.gz"), "gz"},
        {t.GetFileExtension("README"), ""}, {t.GetFileExtension("C:\\my.pictures\\readme"), "pictures\\readme"},
        {t.RemoveFileExtension("archive.tar.gz"), "archive.tar"}, {t.RemoveFileExtension("README"), ""},
        {t.GetFileNamePart("sunset.jpg"), ""}, {t.GetFileNamePart("C:\\Wall\\sunset.jpg"), "sunset.jpg"},
        {t.GetFileNamePart("C:\\Wall\\"), ""}};
    for (const auto& c : cases)
        EXPECT_EQ(c.first, c.second) << &c - cases;
}

}  // namespace
