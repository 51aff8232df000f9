// Choosing a library image at random, and "Pick random" on the real main window.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/random_generator.h"
#include "engine/shuffle_round.h"
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

// A shuffled round shows every picture once before any comes again, across restarts (the state
// text), with pictures added and deleted on the way; the next round never opens with the last one;
// damaged state only starts a new round.
TEST(ShuffleRoundTest, EveryPictureOnceAcrossRestartsAdditionsAndDeletions)
{
    for (unsigned seed = 1; seed <= 300; ++seed) {
        SCOPED_TRACE(seed);
        CRandomGenerator generator;
        generator.Seed(seed);
        Names names = {"a.jpg", "b.jpg", "c.bmp", "d.jpg", "e.jpg"};
        std::string state;
        Names seen;
        const auto pick = [&] {  // each pick from a restarted program
            CShuffleRound round(state);
            const int i = round.Pick(names, generator);
            state = round.State();
            return names.at(size_t(i));
        };
        for (int n = 0; n < 2; ++n)
            seen.push_back(pick());
        names.push_back("F.JPG");                                          // added: joins the round
        names.erase(std::find(names.begin(), names.end(), seen[0]));       // deleted: leaves it
        const std::string other = names[0] == seen[1] ? names[1] : names[0];
        names.erase(std::find(names.begin(), names.end(), other));         // one not yet shown goes too
        while (seen.size() < 5)
            seen.push_back(pick());
        Names firstRound = seen;
        std::sort(firstRound.begin(), firstRound.end());
        ASSERT_EQ(std::adjacent_find(firstRound.begin(), firstRound.end()), firstRound.end());
        ASSERT_NE(std::find(seen.begin(), seen.end(), "F.JPG"), seen.end());
        ASSERT_EQ(std::find(seen.begin() + 2, seen.end(), other), seen.end());
        Names second;  // the next round: all four again, not opening with the last
        for (int n = 0; n < 4; ++n)
            second.push_back(pick());
        ASSERT_NE(second[0], seen.back());
        std::sort(second.begin(), second.end());
        ASSERT_EQ(std::adjacent_find(second.begin(), second.end()), second.end());
    }
    CRandomGenerator generator;
    for (const char* damaged : {"garbage", "1:ZZZZZZZZ:", "1:0000000A:123", "2:0000000A:", "1:0000000A;"}) {
        CShuffleRound round(damaged);
        EXPECT_GE(round.Pick({"a.jpg", "b.jpg"}, generator), 0) << damaged;
        EXPECT_EQ(round.State().compare(0, 2, "1:"), 0) << damaged;
    }
    EXPECT_EQ(CShuffleRound("").Pick({}, generator), -1);
}

// One picture per monitor: different ones as far as the library has enough, the first avoiding the
// current wallpaper; from the shuffled round too.
TEST(RandomDrawTest, ADifferentPictureForEachMonitor)
{
    CFileTools tools;
    for (unsigned seed = 0; seed < 200; ++seed) {
        CRandomGenerator generator;
        generator.Seed(seed);
        CShuffleRound round("");
        for (CShuffleRound* shuffled : {static_cast<CShuffleRound*>(nullptr), &round}) {
            const Names names = {"a.jpg", "b.jpg", "c.jpg", "d.jpg"};
            std::vector<int> three = CWallpaperEngine::DrawImages(names, "a", 3, generator, tools, shuffled);
            ASSERT_EQ(three.size(), 3u);
            std::sort(three.begin(), three.end());
            ASSERT_EQ(std::adjacent_find(three.begin(), three.end()), three.end()) << seed;
            const std::vector<int> more = CWallpaperEngine::DrawImages({"a.jpg", "b.jpg"}, "a", 3, generator, tools,
                                                                       shuffled);
            ASSERT_EQ(more.size(), 3u);
            ASSERT_NE(more[0], more[1]) << seed;
        }
        ASSERT_NE(CWallpaperEngine::DrawImages({"a.jpg", "b.jpg"}, "a", 1, generator, tools)[0], 0) << seed;
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
