// Both DLLs' settings as they read them, against player/settings.txt itself:
// every line is a row of its DLL's table, nothing set reads as the line's
// default, and so do the ini files the release is given (scripts/release.py).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "player/ddraw/settings_table.h"
#include "player/winmm/settings_table.h"

namespace {

// A line of settings.txt: "ddraw fps=60 1..10000 frames ...".
struct Line {
    std::string dll, key, fallback, takes;
};

std::vector<Line> ListedSettings()
{
    std::ifstream file(std::string(INTRO_SOURCE_DIR) + "/player/settings.txt");
    std::vector<Line> lines;
    for (std::string text; std::getline(file, text);) {
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

const std::map<std::string, std::vector<const player::SettingRow*>> kTables = {
    {"ddraw", {std::begin(player::ddraw_settings::kAll), std::end(player::ddraw_settings::kAll)}},
    {"winmm", {std::begin(player::winmm_settings::kAll), std::end(player::winmm_settings::kAll)}},
};

// The [dll] section of the release's ini file, each value as Windows reads it:
// all after the '=', spaces trimmed.
std::map<std::string, std::string> IniValues(const std::string& dll)
{
    const std::string command = "python3 '" + std::string(INTRO_SOURCE_DIR) + "/scripts/release.py' ini " + dll;
    std::map<std::string, std::string> values;
    FILE* ini = popen(command.c_str(), "r");
    char buffer[1024];
    while (ini && std::fgets(buffer, sizeof buffer, ini)) {
        const std::string line(buffer, std::strcspn(buffer, "\r\n"));
        const size_t equals = line.find('=');
        if (line[0] != ';' && equals != std::string::npos)
            values[player::Trimmed(line.substr(0, equals))] = player::Trimmed(line.substr(equals + 1));
    }
    if (ini)
        pclose(ini);
    return values;
}

// The value read is what the line's default says, taken as the line says:
// a whole number in its range, on or off, one of its words, or the text.
void ExpectDefault(const Line& line, const player::SettingValue& value)
{
    EXPECT_EQ(value.refusal, "");
    const size_t dots = line.takes.find("..");
    if (dots != std::string::npos) {
        EXPECT_EQ(value.number, std::stol(line.fallback));
        EXPECT_LE(std::stol(line.takes.substr(0, dots)), value.number);
        EXPECT_LE(value.number, std::stol(line.takes.substr(dots + 2)));
    } else if (line.takes == "switch") {
        EXPECT_EQ(value.on, line.fallback == "on");
    } else {
        EXPECT_EQ(value.text, line.fallback);
    }
}

TEST(SettingsTable, NothingSetAndTheReleasesIniFilesReadAsTheListsDefaults)
{
    std::map<std::string, std::map<std::string, std::string>> ini;
    for (const auto& table : kTables)
        ini[table.first] = IniValues(table.first);
    for (const Line& line : ListedSettings()) {
        SCOPED_TRACE(line.dll + " " + line.key);
        const std::vector<const player::SettingRow*>& rows = kTables.at(line.dll);
        const auto row = std::find_if(rows.begin(), rows.end(), [&](auto r) { return line.key == r->key; });
        ASSERT_NE(row, rows.end());
        ExpectDefault(line, player::ReadSetting(**row, ""));
        ASSERT_EQ(ini[line.dll].count(line.key), 1u) << "the ini file sets it";
        ExpectDefault(line, player::ReadSetting(**row, ini[line.dll][line.key]));
        // Anything else is refused.
        if (line.takes != "text") {
            EXPECT_NE(player::ReadSetting(**row, "none-of-them").refusal, "");
        }
    }
}

}  // namespace
