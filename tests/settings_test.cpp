#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "settings/settings.h"
#include "tests/test_support.h"

namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { m_settings.m_strIniPath = m_dir / "Kavro.ini"; }
    void Write(const char* key, const char* value) {
        ::WritePrivateProfileStringA("Kavro", key, value, m_settings.m_strIniPath.c_str());
    }
    std::string Raw(const char* key) {
        char text[300] = {};
        ::GetPrivateProfileStringA("Kavro", key, "<missing>", text, sizeof text, m_settings.m_strIniPath.c_str());
        return text;
    }
    TempDir m_dir;
    CSettings m_settings;
};

TEST_F(SettingsTest, FirstStartWritesDefaultsAndIsDue)
{
    EXPECT_TRUE(m_settings.AdvanceStartupCounter());
    EXPECT_EQ("1", Raw("StartupsNumber"));
    EXPECT_EQ("0", Raw("CurrentStartupNumber"));
    // The other keys appear only when their writers run.
    EXPECT_EQ("<missing>", Raw("Timeout"));
    EXPECT_EQ("<missing>", Raw("Wallpaper"));
}

TEST_F(SettingsTest, CounterRunsOneTwoZeroForEveryThirdStart)
{
    Write("StartupsNumber", "3");
    const bool expectedDue[] = {false, false, true, false, false, true};
    const char* expectedCounter[] = {"1", "2", "0", "1", "2", "0"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(expectedDue[i], m_settings.AdvanceStartupCounter()) << "start " << i;
        EXPECT_EQ(expectedCounter[i], Raw("CurrentStartupNumber")) << "start " << i;
    }
}

TEST_F(SettingsTest, CounterEdgeCases)
{
    struct Case { const char* every; const char* current; bool due; const char* after; };
    const Case cases[] = {
        {"3", "2", true, "0"},     // due now
        {"3", "5", false, "0"},    // interval lowered below the count: start again
        {"2", "5", false, "0"},
        {"1", "0", true, "0"},     // every start is due
        {"0", "0", false, "0"},    // never reached
        {"abc", "", false, "0"},   // no digits counts as 0
        {"3", "x7", false, "1"},   // a counter that is not a number counts as 0
        {"3", " 1", false, "2"},   // leading blanks are skipped
    };
    for (const Case& c : cases) {
        Write("StartupsNumber", c.every);
        Write("CurrentStartupNumber", c.current);
        EXPECT_EQ(c.due, m_settings.AdvanceStartupCounter()) << c.every << "/" << c.current;
        EXPECT_EQ(c.after, Raw("CurrentStartupNumber")) << c.every << "/" << c.current;
        EXPECT_EQ(c.every, Raw("StartupsNumber"));
    }
}

TEST_F(SettingsTest, ResizeTypeReadsOnlyTheFirstLetter)
{
    Write("ResizeType", "Stretch");
    EXPECT_EQ("S", m_settings.GetResizeType());
    Write("ResizeType", "");
    EXPECT_EQ("", m_settings.GetResizeType());
    m_settings.SetResizeType("N");
    EXPECT_EQ("N", m_settings.GetResizeType());
}

TEST_F(SettingsTest, LastImageDirectoryOnlyWhenItIsAnExistingFolder)
{
    const std::string folder = m_dir / "pictures";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    m_settings.SetLastImageDirectory(folder);
    EXPECT_EQ(folder, m_settings.GetLastImageDirectory());

    const std::string file = folder + "\\one.jpg";
    testing_support::WriteFileBytes(file, "x");
    m_settings.SetLastImageDirectory(file);  // what a single-file Add leaves behind
    EXPECT_EQ("", m_settings.GetLastImageDirectory());
    EXPECT_EQ(file, Raw("LastImageDirectory"));

    m_settings.SetLastImageDirectory(m_dir / "gone");
    EXPECT_EQ("", m_settings.GetLastImageDirectory());
}

TEST_F(SettingsTest, EveryReadGoesToTheFile)
{
    m_settings.SetWallpaperTitle("sunset");
    EXPECT_EQ("sunset", m_settings.GetWallpaperTitle());
    Write("Wallpaper", "changed behind our back");
    EXPECT_EQ("changed behind our back", m_settings.GetWallpaperTitle());
    m_settings.SetTimeout("30");
    m_settings.SetStartupsNumber("4");
    m_settings.SetCurrentStartupNumber("2");
    EXPECT_EQ("30", m_settings.GetTimeout());
    EXPECT_EQ("4", m_settings.GetStartupsNumber());
    EXPECT_EQ("2", m_settings.GetCurrentStartupNumber());
}

TEST_F(SettingsTest, LongValuesAreCutAtTheBuffer)
{
    const std::string longTitle(400, 'a');
    Write("Wallpaper", longTitle.c_str());
    EXPECT_EQ(std::string(259, 'a'), m_settings.GetWallpaperTitle());
}

TEST_F(SettingsTest, DriveRootPathWithDoubledSeparatorWorks)
{
    CSettings root;
    root.m_strIniPath = "C:\\\\kavro-settings-test.ini";
    root.SetTimeout("7");
    EXPECT_EQ("7", root.GetTimeout());
    EXPECT_TRUE(testing_support::PathExists("C:\\kavro-settings-test.ini"));
    ::DeleteFileA("C:\\kavro-settings-test.ini");
}

TEST(SettingsAtoI, FollowsTheRuntimeRule)
{
    EXPECT_EQ(12, CSettings::AtoI("12"));
    EXPECT_EQ(12, CSettings::AtoI("  12abc"));
    EXPECT_EQ(-1, CSettings::AtoI("-1"));
    EXPECT_EQ(5, CSettings::AtoI("+5"));
    EXPECT_EQ(0, CSettings::AtoI("00"));
    EXPECT_EQ(0, CSettings::AtoI("abc"));
    EXPECT_EQ(0, CSettings::AtoI(""));
    // Absurd values from a hand-edited file saturate instead of overflowing.
    EXPECT_EQ(2147483647, CSettings::AtoI("99999999999999999999"));
    EXPECT_EQ(-2147483647 - 1, CSettings::AtoI("-99999999999999999999"));
}

}  // namespace
