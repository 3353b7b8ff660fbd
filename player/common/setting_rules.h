// What a player DLL's settings mean, apart from where they are read: plain
// text in, a value or a refusal out. Built on the host too, for the tests.
#ifndef INTRO_PLAYER_COMMON_SETTING_RULES_H
#define INTRO_PLAYER_COMMON_SETTING_RULES_H

#include <cstddef>
#include <string>

namespace player {

// The text without the spaces and tabs around it.
std::string Trimmed(const std::string& text);

// The text trimmed and in lower case: a setting's word ("Aspect " is "aspect").
std::string Word(const std::string& text);

// A whole decimal number from low to high, spaces around it allowed; false
// (value untouched) for anything else, an empty text included.
bool ParseNumber(const std::string& text, long low, long high, long* value);

// 1/0, yes/no, true/false, on/off, in any case; false for anything else.
bool ParseSwitch(const std::string& text, bool* value);

// What a setting takes, as player/settings.txt says.
enum class SettingKind {
    kNumber,  // a whole number from low to high
    kSwitch,  // on or off
    kWords,   // one of `words`
    kText,    // any text
};

// One line of player/settings.txt: the key, its default and what it takes.
// The build makes each DLL's rows (player/DLL/settings_table.h).
struct SettingRow {
    const char* key;
    const char* fallback;
    SettingKind kind;
    long low, high;     // of a number
    const char* words;  // "integer|aspect|stretch"
};

// A setting as the DLL takes it. `number` is a number's, `on` a switch's;
// `text` is the word (in lower case) or the text; `refusal` says why the
// text set was not taken and the default was.
struct SettingValue {
    long number = 0;
    bool on = false;
    std::string text;
    std::string refusal;
};

// The row's setting from its text as set (empty: unset, which is the default).
SettingValue ReadSetting(const SettingRow& row, const std::string& text);

// How many words a row of words has: "integer|aspect|stretch" has 3.
constexpr size_t WordCount(const char* words)
{
    size_t count = 1;
    for (; *words; ++words)
        count += *words == '|';
    return count;
}

// Which of the row's words the text is (in any case, spaces around allowed);
// -1 for none.
int WordIndex(const SettingRow& row, const std::string& text);

// Whether the program at `path` ("C:\\game\\INTRO.EXE") is one of `programs`,
// file names apart by commas or spaces ("intro.exe,z_qzm__.exe"), in any case, with
// either slash; "*" names any program.
bool IsProgram(const std::string& path, const std::string& programs);

}  // namespace player

#endif
