// The settings of the player's ddraw.dll, as [ddraw] in ddraw.ini beside it or
// as INTRO_DDRAW_KEY in the environment (player/common/settings.h):
//
//   fps=60        frames a second Flip is paced to (1 to 10000)
//   windowed=off  on: an ordinary captioned window instead of the whole screen
//   scale=0       the whole factor of the windowed picture; 0: the largest that
//                 fits 80% of the screen (1 to 64 otherwise)
//   scaling=integer  how the picture fills the window: integer (the largest
//                 whole factor, centred), aspect (the largest 4:3 box, centred)
//                 or stretch (the whole client area)
//   filter=nearest   how a size that is no whole factor is drawn: nearest (the
//                 nearest pixel) or sharp (the nearest pixel at the next whole
//                 factor up, smoothed down to the size)
//   log=          a file for a line per flip (times, waits, presentation cost);
//                 a name without a folder is taken beside the DLL
//   program=      the program served (intro.exe); any other passes through
//   screenshot_key=PrtScn, screenshot=frame: see screenshot_rules.h
//
// The ranges and the reading of the log's path know no platform, for the tests.
#ifndef INTRO_PLAYER_DDRAW_DISPLAY_SETTINGS_H
#define INTRO_PLAYER_DDRAW_DISPLAY_SETTINGS_H

#include <string>

#include "player/ddraw/picture_rules.h"

namespace player {

struct NumberSetting {
    const char* key;
    long low, high, fallback;
};

extern const NumberSetting kFramesPerSecond;
extern const NumberSetting kWindowedScale;
// The key of the windowed switch (off unless set) and of the log's file.
extern const char kWindowed[];
extern const char kLog[];
extern const char kScaling[];
extern const char kFilter[];

// The fill mode and the filter from their settings' text, in any case, spaces
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
