#include "player/ddraw/display_settings.h"

#include <cctype>

#include "player/common/setting_rules.h"

namespace player {

// 2000 and more serve the whole-run checks, which need no real pace.
const NumberSetting kFramesPerSecond = {"fps", 1, 10000, 60};
const NumberSetting kWindowedScale = {"scale", 0, 64, 0};
const char kWindowed[] = "windowed";
const char kLog[] = "log";
const char kScaling[] = "scaling";
const char kFilter[] = "filter";

bool ParseScaling(const std::string& text, Scaling* value)
{
    const std::string word = Word(text);
    const struct {
        const char* name;
        Scaling scaling;
    } names[] = {{"integer", Scaling::kInteger}, {"aspect", Scaling::kAspect}, {"stretch", Scaling::kStretch}};
    for (const auto& name : names)
        if (word == name.name) {
            *value = name.scaling;
            return true;
        }
    return false;
}

bool ParseFilter(const std::string& text, Filter* value)
{
    const std::string word = Word(text);
    if (word != "nearest" && word != "sharp")
        return false;
    *value = word == "sharp" ? Filter::kSharp : Filter::kNearest;
    return true;
}

std::string LogPath(const std::string& folder, const std::string& setting)
{
    const std::string path = Trimmed(setting);
    if (path.empty())
        return path;
    const bool rooted = path[0] == '\\' || path[0] == '/';
    const bool drive = path.size() >= 2 && std::isalpha((unsigned char)path[0]) && path[1] == ':';
    return rooted || drive ? path : folder + path;
}

}  // namespace player
