#include "player/winmm/mci_text.h"

#include <cctype>

namespace winmm {

static std::string Lower(std::string text)
{
    for (char& c : text)
        c = (char)std::tolower((unsigned char)c);
    return text;
}

static bool IsSpace(char c)
{
    return c == ' ' || c == '\t';
}

// The words of `text`.
static bool Words(const std::string& text, std::vector<std::string>* words)
{
    size_t at = 0;
    while (true) {
        while (at < text.size() && IsSpace(text[at]))
            ++at;
        if (at == text.size())
            return true;
        if (text[at] == '"') {
            size_t close = text.find('"', at + 1);
            if (close == std::string::npos) {
                // The rest, quote and all, is one word: as a number it is no
                // number, as a name it is refused (IsOpenQuote).
                words->push_back(text.substr(at));
                return true;
            }
            words->push_back(text.substr(at + 1, close - at - 1));
            at = close + 1;
            continue;
        }
        size_t end = at;
        while (end < text.size() && !IsSpace(text[end]))
            ++end;
        words->push_back(text.substr(at, end - at));
        at = end;
    }
}

bool SplitCommand(const std::string& text, Command* command, unsigned long* error)
{
    std::vector<std::string> words;
    Words(text, &words);
    *command = Command();
    for (size_t i = 0; i < words.size(); ++i) {
        std::string word = Lower(words[i]);
        if (i == 0)
            command->verb = word;
        else if (i == 1)
            command->device = word;
        else
            command->words.push_back(word);
    }
    // The device's name must be whole; a later word is judged where it is read.
    if (IsOpenQuote(command->device)) {
        *error = kMciErrNoClosingQuote;
        return false;
    }
    return true;
}

bool IsOpenQuote(const std::string& word)
{
    return !word.empty() && word[0] == '"';
}

std::string JoinCommand(const Command& command, const std::string& device)
{
    std::string text = command.verb + " " + device;
    for (const std::string& word : command.words)
        text += " " + word;
    return text;
}

bool ParseMciInteger(const std::string& text, uint32_t* value)
{
    if (text.empty())
        return false;
    if (text.find(':') == std::string::npos) {
        uint64_t number = 0;
        for (char c : text) {
            if (!std::isdigit((unsigned char)c))
                return false;
            number = number * 10 + (unsigned)(c - '0');
            if (number > 0xFFFFFFFFu)
                return false;
        }
        *value = (uint32_t)number;
        return true;
    }
    uint32_t packed = 0;
    int field = 0;
    size_t at = 0;
    while (true) {
        size_t colon = text.find(':', at);
        std::string digits = text.substr(at, colon == std::string::npos ? std::string::npos : colon - at);
        uint32_t part = 0;
        if (field == 4 || digits.empty() || digits.size() > 3 || !ParseMciInteger(digits, &part) || part > 255)
            return false;
        packed |= part << (8 * field++);
        if (colon == std::string::npos)
            break;
        at = colon + 1;
    }
    *value = packed;
    return true;
}

}  // namespace winmm
