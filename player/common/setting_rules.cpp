#include "player/common/setting_rules.h"

#include <algorithm>
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

int WordIndex(const SettingRow& row, const std::string& text)
{
    const std::string word = Word(text), words = row.words;
    int index = 0;
    for (size_t start = 0; start <= words.size(); ++index) {
        const size_t end = std::min(words.find('|', start), words.size());
        if (end > start && words.compare(start, end - start, word) == 0)
            return index;
        start = end + 1;
    }
    return -1;
}

namespace {

// "integer, aspect or stretch"
std::string WordList(const std::string& words)
{
    std::string list = words;
    const size_t last = list.rfind('|');
    if (last != std::string::npos)
        list.replace(last, 1, " or ");
    for (size_t bar = list.find('|'); bar != std::string::npos; bar = list.find('|'))
        list.replace(bar, 1, ", ");
    return list;
}

// The text taken as the row's kind; false when it means nothing.
bool Take(const SettingRow& row, const std::string& text, SettingValue* value)
{
    switch (row.kind) {
    case SettingKind::kNumber:
        return ParseNumber(text, row.low, row.high, &value->number);
    case SettingKind::kSwitch:
        return ParseSwitch(text, &value->on);
    case SettingKind::kWords: {
        if (WordIndex(row, text) < 0)
            return false;
        value->text = Word(text);
        return true;
    }
    case SettingKind::kText:
        value->text = text;
        return true;
    }
    return false;
}

std::string Refusal(const SettingRow& row, const std::string& text)
{
    const std::string set = std::string(row.key) + "=" + text;
    const std::string used = std::string("; ") + row.fallback + " is used";
    if (row.kind == SettingKind::kNumber)
        return set + " is not a whole number from " + std::to_string(row.low) + " to " + std::to_string(row.high) +
               used;
    if (row.kind == SettingKind::kSwitch)
        return set + " is neither on nor off" + used;
    return set + " is none of " + WordList(row.words) + used;
}

}  // namespace

SettingValue ReadSetting(const SettingRow& row, const std::string& text)
{
    SettingValue value;
    if (!text.empty() && Take(row, text, &value))
        return value;
    if (!text.empty())
        value.refusal = Refusal(row, text);
    Take(row, row.fallback, &value);
    return value;
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
