// The settings of the player's ddraw.dll, as [ddraw] in ddraw.ini beside it or
// as INTRO_DDRAW_KEY in the environment (player/common/settings.h); their
// keys, defaults and ranges are in player/settings.txt, each read through its
// row of player/ddraw/settings_table.h. What the words of the fill mode and the
// filter mean, and the reading of the log's path, know no platform, for the
// tests.
#ifndef INTRO_PLAYER_DDRAW_DISPLAY_SETTINGS_H
#define INTRO_PLAYER_DDRAW_DISPLAY_SETTINGS_H

#include <string>

#include "player/ddraw/picture_rules.h"
#include "player/ddraw/settings_table.h"

namespace player {

// The fill mode and the filter from their settings' words, in any case, spaces
// around allowed; false (value untouched) for anything else, an empty text
// included.
bool ParseScaling(const std::string& text, Scaling* value);
bool ParseFilter(const std::string& text, Filter* value);

// The log's path from its setting: as it stands when it names a drive, a
// share or the root ("C:\x", "\\host\x", "\x"); otherwise inside `folder`
// (with its trailing backslash); empty when unset.
std::string LogPath(const std::string& folder, const std::string& setting);

}  // namespace player

#endif
