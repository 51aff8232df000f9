#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>

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

TEST_F(SettingsTest, StartCounter)
{
    EXPECT_TRUE(m_settings.AdvanceStartupCounter());  // a first start writes the defaults, and is due
    EXPECT_EQ(Raw("StartupsNumber"), "1");
    EXPECT_EQ(Raw("CurrentStartupNumber"), "0");
    EXPECT_EQ(Raw("Timeout"), "<missing>");  // other keys appear only when written
    const struct { const char *every, *current; bool due; const char* after; } cases[] = {
        {"3", "0", false, "1"}, {"3", "2", true, "0"},
        {"3", "5", false, "0"},    // interval lowered below the count: start again
        {"1", "0", true, "0"},     // every start is due
        {"0", "0", false, "0"},    // never reached
        {"abc", "", false, "0"},   // no digits counts as 0
        {"3", "x7", false, "1"},   // a counter that is not a number counts as 0
        {"3", " 1", false, "2"},   // leading blanks are skipped
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.every) + "/" + c.current);
        Write("StartupsNumber", c.every);
        Write("CurrentStartupNumber", c.current);
        EXPECT_EQ(m_settings.AdvanceStartupCounter(), c.due);
        EXPECT_EQ(Raw("CurrentStartupNumber"), c.after);
        EXPECT_EQ(Raw("StartupsNumber"), c.every);
    }
}

// Values read from a hand-edited file are cut to the reading buffer.
TEST_F(SettingsTest, ReadsAreBoundedByTheirBuffers)
{
    Write("ResizeType", "Stretch");
    EXPECT_EQ(FitMode::Stretch, m_settings.ResizeMode());
    Write("Wallpaper", std::string(400, 'a').c_str());
    EXPECT_EQ(std::string(259, 'a'), m_settings.GetWallpaperTitle());
}

TEST(SettingsAtoI, FollowsTheRuntimeRuleAndSaturates)
{
    const std::pair<const char*, int> cases[] = {
        {"12", 12}, {"  12abc", 12}, {"-1", -1}, {"+5", 5}, {"00", 0}, {"abc", 0}, {"", 0},
        // Absurd values from a hand-edited file saturate instead of overflowing.
        {"99999999999999999999", 2147483647}, {"-99999999999999999999", -2147483647 - 1}};
    for (const auto& c : cases)
        EXPECT_EQ(c.second, CSettings::AtoI(c.first)) << c.first;
}

}  // namespace
