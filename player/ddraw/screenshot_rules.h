// What the screenshot settings of the player's ddraw.dll mean and how its
// files are named; the platform-free half of screenshot.h, for the tests.
// screenshot_key names the key that writes a screenshot (screenshot.h):
// PrtScn, F1 to F12, Pause, ScrollLock or Insert, in any case; none: no key.
// screenshot is frame (the 320x240 frame the program drew, with its palette)
// or shown (the picture as the window shows it). Their defaults are in
// player/settings.txt.
#ifndef INTRO_PLAYER_DDRAW_SCREENSHOT_RULES_H
#define INTRO_PLAYER_DDRAW_SCREENSHOT_RULES_H

#include <cstdint>
#include <string>

namespace player {

// The virtual-key code of the PrtScn key.
const uint32_t kPrintScreenKey = 0x2C;

// The virtual-key code a key's name stands for, 0 for "none" (spaces around
// allowed); false, and `key` untouched, for a name not in the list.
bool ParseKeyName(const std::string& text, uint32_t* key);

enum class ShotKind { kFrame, kShown };

// "frame" or "shown" (the words of settings.txt's screenshot), in any case;
// false for anything else.
bool ParseShotKind(const std::string& text, ShotKind* kind);

struct ShotTime {
    int year, month, day, hour, minute, second;
};

// 2026-12-10_07-35-12_flip01623.png: the local date and time, then the flips
// so far; attempt 2 and on (the name was taken) add "-2" and so on before ".png".
std::string ScreenshotName(const ShotTime& time, int64_t flips, int attempt);

}  // namespace player

#endif
