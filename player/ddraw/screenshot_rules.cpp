#include "player/ddraw/screenshot_rules.h"

#include <cctype>
#include <cstdio>
#include <iterator>

#include "player/common/setting_rules.h"
#include "player/ddraw/settings_table.h"

namespace player {
namespace {

// Keys that type no character, so that no WM_CHAR of theirs reaches the
// program after the key itself is held back.
struct NamedKey {
    const char* name;
    uint32_t key;
};
const NamedKey kNamedKeys[] = {
    {"prtscn", kPrintScreenKey}, {"printscreen", kPrintScreenKey}, {"print", kPrintScreenKey},
    {"pause", 0x13},             {"scrolllock", 0x91},             {"insert", 0x2D},
    {"none", 0},
};
const uint32_t kF1 = 0x70;

}  // namespace

bool ParseKeyName(const std::string& text, uint32_t* key)
{
    const std::string name = Word(text);
    for (const NamedKey& named : kNamedKeys)
        if (name == named.name) {
            *key = named.key;
            return true;
        }
    long number = 0;
    if (name.size() >= 2 && name[0] == 'f' && std::isdigit((unsigned char)name[1]) &&
        ParseNumber(name.substr(1), 1, 12, &number) && name[1] != '0') {
        *key = kF1 + (uint32_t)(number - 1);
        return true;
    }
    return false;
}

bool ParseShotKind(const std::string& text, ShotKind* kind)
{
    // In the order of the words of settings.txt: frame|shown.
    constexpr ShotKind kinds[] = {ShotKind::kFrame, ShotKind::kShown};
    static_assert(WordCount(ddraw_settings::kScreenshot.words) == std::size(kinds), "a kind for each word");
    const int index = WordIndex(ddraw_settings::kScreenshot, text);
    if (index < 0)
        return false;
    *kind = kinds[index];
    return true;
}

std::string ScreenshotName(const ShotTime& time, int64_t flips, int attempt)
{
    char name[96];
    char suffix[16] = "";
    if (attempt > 1)
        std::snprintf(suffix, sizeof suffix, "-%d", attempt);
    std::snprintf(name, sizeof name, "%04d-%02d-%02d_%02d-%02d-%02d_flip%05lld%s.png", time.year, time.month,
                  time.day, time.hour, time.minute, time.second, (long long)flips, suffix);
    return name;
}

}  // namespace player
