// Choosing a library image at random: the generator, the draw that avoids the
// current wallpaper, which folder entries take part, and "Pick random" on the
// real main window with what it leaves behind.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "engine/random_generator.h"
#include "engine/wallpaper_engine.h"
#include "library/file_tools.h"
#include "tests/main_window_driver.h"
#include "tests/main_window_fixture.h"

using testing_support::Pump;

namespace {

using Names = std::vector<std::string>;

int Draw(const Names& names, const std::string& current, unsigned seed)
{
    CFileTools tools;
    CRandomGenerator generator;
    generator.Seed(seed);
    return CWallpaperEngine::DrawImage(names, current, generator, tools);
}

}  // namespace

// ------------------------------------------------------------------ generator

TEST(RandomGeneratorTest, GivesTheClassicSequence)
{
    CRandomGenerator generator;
    generator.Seed(1);
    const int expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464};
    for (int value : expected)
        EXPECT_EQ(generator.Next(), value);

    CRandomGenerator unseeded;  // like rand() before any srand()
    EXPECT_EQ(unseeded.Next(), 41);

    generator.Seed(1);  // seeding again starts the sequence again
    EXPECT_EQ(generator.Next(), 41);
}

TEST(RandomGeneratorTest, AgreesWithTheRuntimeRandForTimeLikeSeeds)
{
    for (unsigned seed : {0u, 2u, 12345u, 1700000000u, 1700000001u, 0xFFFFFFFFu}) {
        std::srand(seed);
        CRandomGenerator generator;
        generator.Seed(seed);
        for (int i = 0; i < 200; ++i) {
            const int value = generator.Next();
            ASSERT_EQ(value, std::rand()) << "seed " << seed << " draw " << i;
            ASSERT_GE(value, 0);
            ASSERT_LE(value, 32767);
        }
    }
}

// ------------------------------------------------------------------ the draw

TEST(RandomDrawTest, EmptyListDrawsNothing)
{
    EXPECT_EQ(Draw({}, "", 1), -1);
}

TEST(RandomDrawTest, FollowsTheGeneratorInSearchOrderWhenNothingIsCurrent)
{
    const Names names = {"a.jpg", "b.bmp", "c.jpg"};
    std::set<int> seen;
    for (unsigned seed = 0; seed < 300; ++seed) {
        CRandomGenerator generator;
        generator.Seed(seed);
        const int first = generator.Next();
        const int index = Draw(names, "", seed);
        ASSERT_EQ(index, first % 3) << "seed " << seed;
        seen.insert(index);
    }
    EXPECT_EQ(seen.size(), 3u);
}

TEST(RandomDrawTest, SingleImageIsDrawnEvenWhenItIsCurrent)
{
    for (unsigned seed = 0; seed < 50; ++seed)
        ASSERT_EQ(Draw({"sunset.jpg"}, "sunset", seed), 0);
}

TEST(RandomDrawTest, NeverDrawsTheCurrentTitleWhileAnotherExists)
{
    for (unsigned seed = 0; seed < 2000; ++seed) {
        ASSERT_EQ(Draw({"sunset.jpg", "beach.bmp"}, "sunset", seed), 1) << "seed " << seed;
        ASSERT_EQ(Draw({"sunset.jpg", "beach.bmp"}, "beach", seed), 0) << "seed " << seed;
        const int index = Draw({"a.jpg", "b.jpg", "c.bmp", "d.bmp"}, "c", seed);
        ASSERT_TRUE(index == 0 || index == 1 || index == 3) << "seed " << seed;
    }
}

TEST(RandomDrawTest, LetterCaseDoesNotMatterAgainstTheCurrentTitle)
{
    for (unsigned seed = 0; seed < 500; ++seed) {
        ASSERT_EQ(Draw({"Sunset.jpg", "beach.bmp"}, "SUNSET", seed), 1) << "seed " << seed;
        ASSERT_EQ(Draw({"beach.BMP", "SUNSET.JPG"}, "sunset", seed), 0) << "seed " << seed;
    }
}

TEST(RandomDrawTest, EndsWhenEveryImageHasTheCurrentTitle)
{
    // sunset.jpg and sunset.bmp share the title: no draw can avoid it.
    std::set<int> seen;
    for (unsigned seed = 0; seed < 300; ++seed) {
        const int index = Draw({"sunset.jpg", "sunset.bmp"}, "Sunset", seed);
        ASSERT_TRUE(index == 0 || index == 1) << "seed " << seed;
        seen.insert(index);
    }
    EXPECT_FALSE(seen.empty());
}

// ------------------------------------------------------------------ entries

TEST(RandomEntriesTest, OnlyBmpAndJpgNamesTakePartInEitherCase)
{
    TempDir dir;
    for (const char* name : {"Sunset.JPG", "b.Bmp", "notes.txt", "photo.jpeg", "photo.png", "archive.jpg.txt", "jpg"})
        testing_support::WriteFileBytes(dir / name, "x");
    CFileTools tools;
    Names names = CWallpaperEngine::ListImageEntries(dir.Path(), tools);
    std::set<std::string> got(names.begin(), names.end());
    EXPECT_EQ(got, (std::set<std::string>{"Sunset.JPG", "b.Bmp"}));
    EXPECT_EQ(names.size(), 2u);

    EXPECT_TRUE(CWallpaperEngine::ListImageEntries(dir / "missing", tools).empty());
}

// ------------------------------------------------------------------ Pick random

namespace {

class RandomPickTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        driver::ClearWallpaperTraces();
    }
    // Not due at start, so only the test's picks change the wallpaper.
    void StartNotDue()
    {
        WriteSetting("StartupsNumber", "100");
        WriteSetting("CurrentStartupNumber", "0");
        Start();
    }
    void ShowFromTray() { driver::TrayMouse(Dlg(), WM_LBUTTONDBLCLK); }
    std::string Success(const std::string& name) const
    {
        return "Setting new wallpaper completed successfully. Image file : " + LibraryFile(name);
    }
    driver::BitmapSize Bitmap() const
    {
        return driver::ReadBitmapSize(CWallpaperEngine::WallpaperBitmapPath());
    }
};

}  // namespace

TEST_F(RandomPickTest, SingleImageIsSetEvenWhenItIsAlreadyTheWallpaper)
{
    AddImage("only.bmp", 40, 30);
    WriteSetting("Wallpaper", "only");
    StartNotDue();
    ShowFromTray();

    Click(IDC_PICK_RANDOM);
    EXPECT_EQ(Status(), Success("only.bmp"));
    EXPECT_EQ(ReadSetting("Wallpaper"), "only");
    EXPECT_EQ(Bitmap(), (driver::BitmapSize{40, 30}));
    EXPECT_EQ(driver::DesktopValue("Wallpaper"), CWallpaperEngine::WallpaperBitmapPath());
    EXPECT_EQ(driver::DesktopValue("TileWallpaper"), "0");
    EXPECT_EQ(SelectedRows(), Names{"only.bmp"});
}

TEST_F(RandomPickTest, TwoImagesAlternateWhateverTheLetterCase)
{
    AddImage("sunset.jpg", 40, 30);
    AddImage("beach.bmp", 50, 20);
    WriteSetting("Wallpaper", "SUNSET");
    StartNotDue();
    ShowFromTray();

    Click(IDC_PICK_RANDOM);
    EXPECT_EQ(ReadSetting("Wallpaper"), "beach");
    EXPECT_EQ(Bitmap(), (driver::BitmapSize{50, 20}));
    EXPECT_EQ(SelectedRows(), Names{"beach.bmp"});

    Click(IDC_PICK_RANDOM);
    EXPECT_EQ(ReadSetting("Wallpaper"), "sunset");
    EXPECT_EQ(Status(), Success("sunset.jpg"));
    EXPECT_EQ(SelectedRows(), Names{"sunset.jpg"});
}

TEST_F(RandomPickTest, OtherFilesAreNeverChosen)
{
    AddImage("only.jpg", 40, 30);
    AddFile("notes.txt", 100);
    AddFile("photo.jpeg", 100);
    AddFile("photo.png", 100);
    StartNotDue();
    // The tray menu's item works while the window is hidden.
    for (int i = 0; i < 5; ++i) {
        WriteSetting("Wallpaper", i % 2 ? "photo" : "notes");
        Command(ID_TRAY_PICK_RANDOM);
        ASSERT_EQ(ReadSetting("Wallpaper"), "only");
    }
    EXPECT_FALSE(Visible());
}

TEST_F(RandomPickTest, ThePickedRowBecomesTheOnlySelectedRowAndIsScrolledIntoView)
{
    // More rows than the list shows, so that the pick is mostly off-screen.
    for (int i = 0; i < 30; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "p%02d.bmp", i);
        AddImage(name, 20, 20);
    }
    WriteSetting("Wallpaper", "p05");
    StartNotDue();
    ShowFromTray();
    SelectRows({0, 1, 29});
    ::SendMessageA(ListHwnd(), LVM_ENSUREVISIBLE, 29, FALSE);

    Click(IDC_PICK_RANDOM);
    const std::string title = ReadSetting("Wallpaper");
    ASSERT_NE(title, "p05");
    const std::string name = title + ".bmp";
    EXPECT_EQ(SelectedRows(), Names{name});
    EXPECT_EQ(Status(), Success(name));
    EXPECT_TRUE(Enabled(IDC_SET_WALLPAPER));

    RECT row = {LVIR_BOUNDS, 0, 0, 0};
    ASSERT_TRUE(::SendMessageA(ListHwnd(), LVM_GETITEMRECT, RowOf(name), reinterpret_cast<LPARAM>(&row)));
    RECT client = {};
    ::GetClientRect(ListHwnd(), &client);
    EXPECT_GE(row.top, 0) << name;
    EXPECT_LE(row.bottom, client.bottom) << name;
}

TEST_F(RandomPickTest, LibraryWithoutImagesShowsTheWindowAndSetsNothing)
{
    AddFile("notes.txt", 100);  // the library holds something, so the start hides
    StartNotDue();
    ASSERT_FALSE(Visible());

    Command(ID_TRAY_PICK_RANDOM);
    EXPECT_TRUE(Visible());
    EXPECT_TRUE(Rows().empty());
    EXPECT_EQ(ReadSetting("Wallpaper"), "");
    EXPECT_FALSE(testing_support::PathExists(CWallpaperEngine::WallpaperBitmapPath()));
    EXPECT_EQ(driver::DesktopValue("Wallpaper"), "before-test");
}

TEST_F(RandomPickTest, MissingLibraryShowsTheWindowAndSetsNothing)
{
    StartNotDue();
    ASSERT_TRUE(Visible());
    Click(IDC_HIDE);
    ASSERT_FALSE(Visible());

    Command(ID_TRAY_PICK_RANDOM);
    EXPECT_TRUE(Visible());
    EXPECT_FALSE(testing_support::PathExists(Library()));
    EXPECT_EQ(ReadSetting("Wallpaper"), "");
    EXPECT_FALSE(testing_support::PathExists(CWallpaperEngine::WallpaperBitmapPath()));
}
