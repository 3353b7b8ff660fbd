// What a player DLL's settings mean, apart from where they are read: plain
// text in, a value or a refusal out. Built on the host too, for the tests.
#ifndef INTRO_PLAYER_COMMON_SETTING_RULES_H
#define INTRO_PLAYER_COMMON_SETTING_RULES_H

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

// Whether the program at `path` ("C:\\game\\INTRO.EXE") is one of `programs`,
// file names apart by commas or spaces ("intro.exe,z_qzm__.exe"), in any case, with
// either slash; "*" names any program.
bool IsProgram(const std::string& path, const std::string& programs);

}  // namespace player

#endif
