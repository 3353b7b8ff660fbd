// Both DLLs' settings as they read them, against player/settings.txt itself:
// every line is a row of its DLL's table, nothing set gives the line's
// default, and so do the ini files written from the list (scripts/release.py).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "player/common/setting_rules.h"
#include "player/ddraw/display_settings.h"
#include "player/ddraw/screenshot_rules.h"
#include "player/winmm/settings_table.h"

namespace {

// A line of settings.txt as a player reads it: "ddraw fps=60 1..10000 frames ...".
struct Line {
    std::string dll, key, fallback, takes;
};

std::vector<Line> ListedSettings()
{
    std::ifstream file(std::string(INTRO_SOURCE_DIR) + "/player/settings.txt");
    std::vector<Line> lines;
    std::string text;
    while (std::getline(file, text)) {
        if (text.empty() || text[0] == '#')
            continue;
        std::istringstream words(text);
        Line line;
        std::string setting;
        words >> line.dll >> setting >> line.takes;
        line.key = setting.substr(0, setting.find('='));
        line.fallback = setting.substr(setting.find('=') + 1);
        lines.push_back(line);
    }
    return lines;
}

template <size_t N>
std::vector<const player::SettingRow*> Rows(const player::SettingRow* const (&rows)[N])
{
    return std::vector<const player::SettingRow*>(rows, rows + N);
}

const std::map<std::string, std::vector<const player::SettingRow*>> kTables = {
    {"ddraw", Rows(player::ddraw_settings::kAll)},
    {"winmm", Rows(player::winmm_settings::kAll)},
};

// The [dll] section of the ini file scripts/release.py writes for the
// release, key by value as Windows reads it: all after the '=', spaces trimmed.
std::map<std::string, std::string> IniValues(const std::string& dll)
{
    const std::string command = "python3 '" + std::string(INTRO_SOURCE_DIR) + "/scripts/release.py' ini " + dll;
    std::map<std::string, std::string> values;
    FILE* ini = popen(command.c_str(), "r");
    if (!ini)
        return values;
    char buffer[1024];
    while (std::fgets(buffer, sizeof buffer, ini)) {
        const std::string line = player::Trimmed(std::string(buffer).substr(0, std::strcspn(buffer, "\r\n")));
        const size_t equals = line.find('=');
        if (!line.empty() && line[0] != ';' && line[0] != '[' && equals != std::string::npos)
            values[line.substr(0, equals)] = player::Trimmed(line.substr(equals + 1));
    }
    pclose(ini);
    return values;
}

// Whether the value read is what the line's default says, taken as the line says.
void ExpectDefault(const Line& line, const player::SettingValue& value)
{
    EXPECT_EQ(value.refusal, "");
    const size_t dots = line.takes.find("..");
    if (dots != std::string::npos) {
        const long low = std::stol(line.takes.substr(0, dots)), high = std::stol(line.takes.substr(dots + 2));
        EXPECT_EQ(value.number, std::stol(line.fallback));
        EXPECT_TRUE(low <= value.number && value.number <= high) << "the default lies in its range";
    } else if (line.takes == "switch") {
        EXPECT_TRUE(line.fallback == "on" || line.fallback == "off") << line.fallback;
        EXPECT_EQ(value.on, line.fallback == "on");
    } else {
        EXPECT_EQ(value.text, line.fallback);
        if (line.takes != "text") {
            EXPECT_NE(("|" + line.takes + "|").find("|" + line.fallback + "|"), std::string::npos)
                << "the default is one of its words";
        }
    }
}

TEST(SettingsTable, EachDllsRowsAreItsLinesInTheirOrder)
{
    std::map<std::string, std::vector<std::string>> listed;
    for (const Line& line : ListedSettings())
        listed[line.dll].push_back(line.key);
    ASSERT_EQ(listed.size(), kTables.size()) << "settings for ddraw and winmm alone";
    for (const auto& [dll, rows] : kTables) {
        std::vector<std::string> keys;
        for (const player::SettingRow* row : rows)
            keys.push_back(row->key);
        EXPECT_EQ(keys, listed[dll]) << dll;
    }
}

const player::SettingRow* Row(const Line& line)
{
    for (const player::SettingRow* row : kTables.at(line.dll))
        if (line.key == row->key)
            return row;
    return nullptr;
}

TEST(SettingsTable, NothingSetReadsAsTheListsDefaults)
{
    for (const Line& line : ListedSettings()) {
        SCOPED_TRACE(line.dll + " " + line.key);
        const player::SettingRow* row = Row(line);
        ASSERT_TRUE(row);
        ExpectDefault(line, player::ReadSetting(*row, ""));
        // And what the line says it takes is taken, no more.
        const size_t dots = line.takes.find("..");
        if (dots != std::string::npos) {
            const long low = std::stol(line.takes.substr(0, dots)), high = std::stol(line.takes.substr(dots + 2));
            EXPECT_EQ(player::ReadSetting(*row, std::to_string(low)).number, low);
            EXPECT_EQ(player::ReadSetting(*row, std::to_string(high)).number, high);
            EXPECT_NE(player::ReadSetting(*row, std::to_string(low - 1)).refusal, "");
            EXPECT_NE(player::ReadSetting(*row, std::to_string(high + 1)).refusal, "");
        } else if (line.takes.find('|') != std::string::npos) {
            std::istringstream words(line.takes);
            for (std::string word; std::getline(words, word, '|');)
                EXPECT_EQ(player::ReadSetting(*row, word).refusal, "") << word;
            EXPECT_NE(player::ReadSetting(*row, "none-of-them").refusal, "");
        }
    }
}

TEST(SettingsTable, TheReleasesIniFilesReadAsTheListsDefaults)
{
    for (const std::string dll : {"ddraw", "winmm"}) {
        const std::map<std::string, std::string> ini = IniValues(dll);
        for (const Line& line : ListedSettings()) {
            if (line.dll != dll)
                continue;
            SCOPED_TRACE(line.dll + " " + line.key);
            const player::SettingRow* row = Row(line);
            ASSERT_TRUE(row);
            ASSERT_EQ(ini.count(line.key), 1u) << "the ini file sets it";
            ExpectDefault(line, player::ReadSetting(*row, ini.at(line.key)));
        }
    }
}

// Each word listed means a different thing to the DLL, and the default key is one it knows.
TEST(SettingsTable, EveryWordListedMeansSomethingToTheDll)
{
    using namespace player::ddraw_settings;
    const struct {
        const player::SettingRow& row;
        std::function<int(const std::string&)> parse;
    } rows[] = {
        {kScaling, [](const std::string& w) { player::Scaling v; return player::ParseScaling(w, &v) ? (int)v : -1; }},
        {kFilter, [](const std::string& w) { player::Filter v; return player::ParseFilter(w, &v) ? (int)v : -1; }},
        {kScreenshot, [](const std::string& w) { player::ShotKind v; return player::ParseShotKind(w, &v) ? (int)v : -1; }},
    };
    for (const auto& r : rows) {
        std::set<int> meanings;
        std::istringstream words(r.row.words);
        for (std::string word; std::getline(words, word, '|');) {
            EXPECT_NE(r.parse(word), -1) << r.row.key << " " << word;
            meanings.insert(r.parse(word));
        }
        EXPECT_EQ(meanings.size(), (size_t)std::count(r.row.words, r.row.words + std::strlen(r.row.words), '|') + 1)
            << r.row.key;
    }
    uint32_t key = 0;
    EXPECT_TRUE(player::ParseKeyName(kScreenshotKey.fallback, &key));
}

TEST(SettingsTable, ASettingSetWrongIsRefusedWithItsDefault)
{
    using namespace player::ddraw_settings;
    std::map<std::string, std::string> fallback;
    for (const Line& line : ListedSettings())
        fallback[line.key] = line.fallback;
    const struct {
        const player::SettingRow& row;
        const char* text;
        std::string refusal;
    } cases[] = {
        {kFps, "fast", "fps=fast is not a whole number from 1 to 10000; " + fallback["fps"] + " is used"},
        {kScale, "big", "scale=big is not a whole number from 0 to 64; " + fallback["scale"] + " is used"},
        {kWindowed, "maybe", "windowed=maybe is neither on nor off; " + fallback["windowed"] + " is used"},
        {kScaling, "fit", "scaling=fit is none of integer, aspect or stretch; " + fallback["scaling"] + " is used"},
        {kFilter, "blur", "filter=blur is none of nearest or sharp; " + fallback["filter"] + " is used"},
    };
    for (const auto& c : cases) {
        const player::SettingValue value = player::ReadSetting(c.row, c.text);
        const player::SettingValue unset = player::ReadSetting(c.row, "");
        EXPECT_EQ(value.refusal, c.refusal);
        EXPECT_EQ(value.number, unset.number) << c.text;
        EXPECT_EQ(value.on, unset.on) << c.text;
        EXPECT_EQ(value.text, unset.text) << c.text;
    }
    EXPECT_EQ(player::ReadSetting(kScaling, " Aspect ").text, "aspect");
    EXPECT_EQ(player::ReadSetting(kFps, "144").number, 144);
    EXPECT_TRUE(player::ReadSetting(kWindowed, "yes").on);
}

}  // namespace
