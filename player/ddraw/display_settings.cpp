#include "player/ddraw/display_settings.h"

#include <cctype>
#include <iterator>

#include "player/common/setting_rules.h"

namespace player {

// The words of settings.txt in their order there: integer|aspect|stretch, nearest|sharp.
const Scaling kScalings[] = {Scaling::kInteger, Scaling::kAspect, Scaling::kStretch};
const Filter kFilters[] = {Filter::kNearest, Filter::kSharp};
static_assert(WordCount(ddraw_settings::kScaling.words) == std::size(kScalings), "a fill mode for each word");
static_assert(WordCount(ddraw_settings::kFilter.words) == std::size(kFilters), "a filter for each word");

bool ParseScaling(const std::string& text, Scaling* value)
{
    const int index = WordIndex(ddraw_settings::kScaling, text);
    if (index < 0)
        return false;
    *value = kScalings[index];
    return true;
}

bool ParseFilter(const std::string& text, Filter* value)
{
    const int index = WordIndex(ddraw_settings::kFilter, text);
    if (index < 0)
        return false;
    *value = kFilters[index];
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
