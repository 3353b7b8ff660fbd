// What a player's setting texts mean: numbers in range, switches, and which
// program a DLL serves.
#include <gtest/gtest.h>

#include "player/common/setting_rules.h"

namespace {

TEST(SettingRules, NumbersAreWholeDecimalsInRange)
{
    struct Case {
        const char* text;
        bool taken;
        long value;
    };
    const Case cases[] = {
        {"60", true, 60},       {" 144\t", true, 144},  {"1", true, 1},           {"10000", true, 10000},
        {"0", false, 0},        {"10001", false, 0},    {"-5", false, 0},         {"", false, 0},
        {"   ", false, 0},      {"60fps", false, 0},    {"6 0", false, 0},        {"+60", false, 0},
        {"0x3C", false, 0},     {"60.5", false, 0},     {"99999999999999999999", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        long value = -1;
        EXPECT_EQ(player::ParseNumber(c.text, 1, 10000, &value), c.taken);
        EXPECT_EQ(value, c.taken ? c.value : -1) << "a refused text leaves the value as it was";
    }
    long negative = 0;
    EXPECT_TRUE(player::ParseNumber("-3", -10, 10, &negative));
    EXPECT_EQ(negative, -3);
}

TEST(SettingRules, SwitchesTakeTheUsualWordsInAnyCase)
{
    const char* on[] = {"1", "yes", "YES", "true", "True", " on "};
    const char* off[] = {"0", "no", "No", "false", "FALSE", "off"};
    const char* neither[] = {"", "2", "y", "enable", "onn", "-1"};
    for (const char* text : on) {
        bool value = false;
        EXPECT_TRUE(player::ParseSwitch(text, &value)) << text;
        EXPECT_TRUE(value) << text;
    }
    for (const char* text : off) {
        bool value = true;
        EXPECT_TRUE(player::ParseSwitch(text, &value)) << text;
        EXPECT_FALSE(value) << text;
    }
    for (const char* text : neither) {
        bool value = true;
        EXPECT_FALSE(player::ParseSwitch(text, &value)) << text;
        EXPECT_TRUE(value) << text;
    }
}

TEST(SettingRules, TheServedProgramIsKnownByItsFileNameAlone)
{
    EXPECT_TRUE(player::IsProgram("C:\\game\\intro.exe", "intro.exe"));
    EXPECT_TRUE(player::IsProgram("C:\\GAME\\INTRO.EXE", "intro.exe"));
    EXPECT_TRUE(player::IsProgram("Z:/tmp/run/Intro.exe", " intro.exe "));
    EXPECT_TRUE(player::IsProgram("intro.exe", "intro.exe"));
    EXPECT_TRUE(player::IsProgram("C:\\game\\mine.exe", "mine.exe"));
    // The game's main program and near misses are passed through.
    EXPECT_FALSE(player::IsProgram("C:\\game\\z_qzm__.exe", "intro.exe"));
    EXPECT_FALSE(player::IsProgram("C:\\game\\intro.exe.bak", "intro.exe"));
    EXPECT_FALSE(player::IsProgram("C:\\intro.exe\\z_qzm__.exe", "intro.exe"));
    EXPECT_FALSE(player::IsProgram("C:\\game\\myintro.exe", "intro.exe"));
    EXPECT_FALSE(player::IsProgram("C:\\game\\intro.exe", ""));
    EXPECT_FALSE(player::IsProgram("", "intro.exe"));
    // A list, as winmm.dll serves the intro and the game after it.
    EXPECT_TRUE(player::IsProgram("C:\\game\\Z_QZM__.EXE", "intro.exe z_qzm__.exe"));
    EXPECT_TRUE(player::IsProgram("C:\\game\\intro.exe", "intro.exe, z_qzm__.exe"));
    EXPECT_FALSE(player::IsProgram("C:\\game\\setup.exe", "intro.exe z_qzm__.exe"));
    EXPECT_FALSE(player::IsProgram("C:\\game\\intro.exe", "intro z_qzm__.exe"));
    EXPECT_TRUE(player::IsProgram("C:\\game\\setup.exe", "*"));
    EXPECT_FALSE(player::IsProgram("", "*"));
}

TEST(SettingRules, TrimmingKeepsInnerSpaces)
{
    EXPECT_EQ(player::Trimmed("  a b\t"), "a b");
    EXPECT_EQ(player::Trimmed("\t \t"), "");
    EXPECT_EQ(player::Trimmed("x"), "x");
}

}  // namespace
