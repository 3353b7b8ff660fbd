// ddraw.dll's settings: the ranges its numbers are taken in and where its log goes.
#include <gtest/gtest.h>

#include "player/common/setting_rules.h"
#include "player/ddraw/display_settings.h"

namespace {

bool Takes(const player::SettingRow& row, const char* text, long* value)
{
    const player::SettingValue read = player::ReadSetting(row, text);
    *value = read.number;
    return read.refusal.empty();
}

const player::SettingRow& kFramesPerSecond = player::ddraw_settings::kFps;
const player::SettingRow& kWindowedScale = player::ddraw_settings::kScale;

TEST(DisplaySettings, FramesPerSecondFromOneToTenThousandSixtyUnlessSet)
{
    const char* taken[] = {"1", "50", "60", "75", "144", "240", "2000", "10000"};
    const char* refused[] = {"0", "-60", "10001", "60.0", "sixty"};
    long value = 0;
    for (const char* text : taken)
        EXPECT_TRUE(Takes(kFramesPerSecond, text, &value)) << text;
    for (const char* text : refused)
        EXPECT_FALSE(Takes(kFramesPerSecond, text, &value)) << text;
}

TEST(DisplaySettings, TheWindowedScaleIsWholeAndZeroMeansTheLargestThatFits)
{
    long value = -1;
    EXPECT_TRUE(Takes(kWindowedScale, "0", &value));
    EXPECT_EQ(value, 0);
    EXPECT_TRUE(Takes(kWindowedScale, "3", &value));
    EXPECT_TRUE(Takes(kWindowedScale, "64", &value));
    EXPECT_FALSE(Takes(kWindowedScale, "65", &value));
    EXPECT_FALSE(Takes(kWindowedScale, "-1", &value));
    EXPECT_FALSE(Takes(kWindowedScale, "2.5", &value));
}

TEST(DisplaySettings, TheLogLiesBesideTheDllUnlessItsPathSaysWhere)
{
    struct Case {
        const char* setting;
        const char* path;
    };
    const Case cases[] = {
        {"flips.log", "C:\\game\\flips.log"},
        {" flips.log\t", "C:\\game\\flips.log"},
        {"logs\\flips.log", "C:\\game\\logs\\flips.log"},
        {"D:\\logs\\flips.log", "D:\\logs\\flips.log"},
        {"z:/tmp/flips.log", "z:/tmp/flips.log"},
        {"\\\\host\\share\\flips.log", "\\\\host\\share\\flips.log"},
        {"\\flips.log", "\\flips.log"},
        {"", ""},
        {"   ", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(player::LogPath("C:\\game\\", c.setting), c.path) << "'" << c.setting << "'";
}

TEST(DisplaySettings, FillModesAndFiltersByNameInAnyCase)
{
    player::Scaling scaling = player::Scaling::kInteger;
    EXPECT_TRUE(player::ParseScaling("aspect", &scaling));
    EXPECT_EQ(scaling, player::Scaling::kAspect);
    EXPECT_TRUE(player::ParseScaling(" Stretch\t", &scaling));
    EXPECT_EQ(scaling, player::Scaling::kStretch);
    EXPECT_TRUE(player::ParseScaling("INTEGER", &scaling));
    EXPECT_EQ(scaling, player::Scaling::kInteger);
    for (const char* refused : {"", "fit", "aspect ratio", "4:3", "0"}) {
        scaling = player::Scaling::kStretch;
        EXPECT_FALSE(player::ParseScaling(refused, &scaling)) << refused;
        EXPECT_EQ(scaling, player::Scaling::kStretch) << "untouched by " << refused;
    }
    player::Filter filter = player::Filter::kNearest;
    EXPECT_TRUE(player::ParseFilter("Sharp", &filter));
    EXPECT_EQ(filter, player::Filter::kSharp);
    EXPECT_TRUE(player::ParseFilter("nearest ", &filter));
    EXPECT_EQ(filter, player::Filter::kNearest);
    for (const char* refused : {"", "bilinear", "smooth", "on"})
        EXPECT_FALSE(player::ParseFilter(refused, &filter)) << refused;
}

}  // namespace
