#include "player/common/setting_rules.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

namespace player {

static std::string Lower(std::string text)
{
    for (char& c : text)
        c = (char)std::tolower((unsigned char)c);
    return text;
}

std::string Trimmed(const std::string& text)
{
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string Word(const std::string& text)
{
    return Lower(Trimmed(text));
}

bool ParseNumber(const std::string& text, long low, long high, long* value)
{
    std::string digits = Trimmed(text);
    if (digits.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    long number = std::strtol(digits.c_str(), &end, 10);
    // strtol also takes leading spaces and a "+"; only digits after an optional minus count here.
    bool whole = *end == '\0' && (std::isdigit((unsigned char)digits[0]) || digits[0] == '-');
    if (!whole || errno == ERANGE || number < low || number > high)
        return false;
    *value = number;
    return true;
}

bool ParseSwitch(const std::string& text, bool* value)
{
    const std::string word = Word(text);
    if (word == "1" || word == "yes" || word == "true" || word == "on") {
        *value = true;
        return true;
    }
    if (word == "0" || word == "no" || word == "false" || word == "off") {
        *value = false;
        return true;
    }
    return false;
}

bool IsProgram(const std::string& path, const std::string& programs)
{
    size_t slash = path.find_last_of("\\/");
    const std::string name = Lower(slash == std::string::npos ? path : path.substr(slash + 1));
    size_t at = 0;
    while (!name.empty() && at < programs.size()) {
        size_t end = programs.find_first_of(", \t", at);
        if (end == std::string::npos)
            end = programs.size();
        const std::string program = Lower(programs.substr(at, end - at));
        if (program == "*" || (!program.empty() && program == name))
            return true;
        at = end + 1;
    }
    return false;
}

}  // namespace player
