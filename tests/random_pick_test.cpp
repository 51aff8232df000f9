// Choosing a library image at random, and "Pick random" on the real main window.
#include <gtest/gtest.h>

#include "engine/random_generator.h"
#include "tests/main_window_fixture.h"

using Names = std::vector<std::string>;
using RandomPickTest = MainWindowTest;

TEST(RandomDrawTest, ClassicGeneratorAndADrawThatAvoidsTheCurrentTitle)
{
    CRandomGenerator classic;  // unseeded like rand() before any srand()
    for (int value : {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464})
        EXPECT_EQ(classic.Next(), value);
    classic.Seed(12345);
    EXPECT_EQ(classic.Next(), 7584);

    CFileTools tools;
    for (unsigned seed = 0; seed < 1000; ++seed) {
        auto draw = [&](const Names& names, const char* current) {
            CRandomGenerator generator;
            generator.Seed(seed);
            return CWallpaperEngine::DrawImage(names, current, generator, tools);
        };
        ASSERT_EQ(draw({"sunset.jpg", "beach.bmp"}, "sunset"), 1) << seed;
        ASSERT_EQ(draw({"beach.BMP", "SUNSET.JPG"}, "Sunset"), 0) << seed;
        const int same = draw({"sunset.jpg", "sunset.bmp"}, "sunset");  // unavoidable: must still end
        ASSERT_TRUE(same == 0 || same == 1) << seed;
    }
}

TEST_F(RandomPickTest, PickSetsTheOtherImageAndSelectsItsRow)
{
    AddImage("sunset.jpg", 40, 30);
    AddImage("beach.bmp", 50, 20);
    WriteSetting("Wallpaper", "SUNSET");
    driver::ClearWallpaperTraces();
    StartShown();
    Click(IDC_PICK_RANDOM);
    EXPECT_EQ(Status(), "Setting new wallpaper completed successfully. Image file : " + LibraryFile("beach.bmp"));
    EXPECT_EQ(ReadSetting("Wallpaper"), "beach");
    EXPECT_EQ(SelectedRows(), Names{"beach.bmp"});
    EXPECT_EQ(driver::BitmapSize(CWallpaperEngine::WallpaperBitmapPath()), "50x20");
}
