// A player DLL's settings, as a player sets them: the [NAME] section of NAME.ini
// beside the DLL (NAME its short name: ddraw, winmm), each key overridden by
// the environment variable INTRO_NAME_KEY in upper case (INTRO_DDRAW_FPS). A
// value that means nothing gets a debugger line and the default.
#ifndef INTRO_PLAYER_COMMON_SETTINGS_H
#define INTRO_PLAYER_COMMON_SETTINGS_H

#include <string>

#include "player/common/setting_rules.h"

namespace player {

// The text set for `key`, the environment's before the file's; empty when
// neither sets it.
std::string SettingText(const char* key);

// The row's setting as set, or its default (with a debugger line when the
// text set means nothing).
SettingValue Setting(const SettingRow& row);

// Whether this process is a program the DLL serves: one of the setting `program`
// (IsProgram).
// Any other program gets the system's DLL through and through, whatever else
// the settings say.
bool ServesThisProcess(const SettingRow& program);

// The folder of this DLL, with a trailing backslash ("C:\\game\\").
std::string DllFolder();

}  // namespace player

#endif
