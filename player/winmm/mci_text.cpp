#include "player/winmm/mci_text.h"

#include <cctype>
#include <cstdio>

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


namespace {

// The commands of the cdaudio device's table, and record and save, which
// every MCI device's table holds.
struct Verb {
    const char* name;
    unsigned message;
};
const Verb kVerbs[] = {
    {"open", kMciOpen},       {"close", kMciClose},   {"play", kMciPlay},          {"seek", kMciSeek},
    {"stop", kMciStop},       {"pause", kMciPause},   {"resume", kMciResume},      {"status", kMciStatus},
    {"set", kMciSet},         {"info", kMciInfo},     {"capability", kMciGetDevCaps}, {"sysinfo", kMciSysInfo},
    {"record", kMciRecord},   {"save", kMciSave},
};

// A keyword of one or more words, and the flag and item value it stands for.
struct Keyword {
    const char* words;
    uint32_t flag;
    uint32_t value;
};
const Keyword kStatusItems[] = {
    {"position", kStatusItem, kStatusPosition},       {"length", kStatusItem, kStatusLength},
    {"number of tracks", kStatusItem, kStatusNumberOfTracks}, {"mode", kStatusItem, kStatusMode},
    {"media present", kStatusItem, kStatusMediaPresent}, {"time format", kStatusItem, kStatusTimeFormat},
    {"ready", kStatusItem, kStatusReady},             {"current track", kStatusItem, kStatusCurrentTrack},
    {"type", kStatusItem, kStatusTypeTrack},
};
const Keyword kCapabilities[] = {
    {"can record", kGetDevCapsItem, kCapsCanRecord}, {"has audio", kGetDevCapsItem, kCapsHasAudio},
    {"has video", kGetDevCapsItem, kCapsHasVideo},   {"device type", kGetDevCapsItem, kCapsDeviceType},
    {"uses files", kGetDevCapsItem, kCapsUsesFiles}, {"compound device", kGetDevCapsItem, kCapsCompoundDevice},
    {"can eject", kGetDevCapsItem, kCapsCanEject},   {"can play", kGetDevCapsItem, kCapsCanPlay},
    {"can save", kGetDevCapsItem, kCapsCanSave},
};
const Keyword kInfoItems[] = {
    {"product", kInfoProduct, 0}, {"identity", kInfoIdentity, 0}, {"upc", kInfoUpc, 0}, {"file", kInfoFile, 0},
};
const Keyword kSetWords[] = {
    {"door open", kSetDoorOpen, 0}, {"door closed", kSetDoorClosed, 0}, {"video", kSetVideo, 0},
    {"on", kSetOn, 0},              {"off", kSetOff, 0},
};
const Keyword kTimeFormats[] = {
    {"milliseconds", kSetTimeFormat, kFormatMilliseconds}, {"ms", kSetTimeFormat, kFormatMilliseconds},
    {"msf", kSetTimeFormat, kFormatMsf},                   {"tmsf", kSetTimeFormat, kFormatTmsf},
};
const Keyword kChannels[] = {
    {"all", kSetAudio, 0}, {"left", kSetAudio, 1}, {"right", kSetAudio, 2},
};
const Keyword kSysInfoWords[] = {
    {"quantity", kSysInfoQuantity, 0}, {"open", kSysInfoOpen, 0}, {"installname", kSysInfoInstallName, 0},
};

// The words after the device's name, read from the front.
class Reader {
public:
    explicit Reader(const std::vector<std::string>& words) : words_(words) {}
    bool Done() const { return at_ == words_.size(); }
    // Takes the words of `phrase` ("number of tracks") when they come next.
    bool Take(const char* phrase)
    {
        size_t next = at_;
        std::string rest = phrase;
        while (!rest.empty()) {
            size_t space = rest.find(' ');
            if (next == words_.size() || words_[next] != rest.substr(0, space))
                return false;
            ++next;
            rest = space == std::string::npos ? std::string() : rest.substr(space + 1);
        }
        at_ = next;
        return true;
    }
    // Takes the keyword that comes next, of `table`.
    template <size_t N>
    const Keyword* TakeOf(const Keyword (&table)[N])
    {
        for (const Keyword& keyword : table)
            if (Take(keyword.words))
                return &keyword;
        return nullptr;
    }
    unsigned long Integer(uint32_t* value)
    {
        if (Done() || !ParseMciInteger(words_[at_], value))
            return kMciErrBadInteger;
        ++at_;
        return kMciOk;
    }
    unsigned long Text(std::string* value)
    {
        if (Done())
            return kMciErrMissingStringArgument;
        if (IsOpenQuote(words_[at_]))
            return kMciErrNoClosingQuote;
        *value = words_[at_++];
        return kMciOk;
    }

private:
    const std::vector<std::string>& words_;
    size_t at_ = 0;
};

// The keyword of a table that comes next, its flag set and its value put
// in `value` (when given); kMciErrUnrecognizedCommand when none comes.
template <size_t N>
unsigned long TakeKeyword(Reader& in, const Keyword (&table)[N], uint32_t* flags, uint32_t* value)
{
    const Keyword* keyword = in.TakeOf(table);
    if (!keyword)
        return kMciErrUnrecognizedCommand;
    *flags |= keyword->flag;
    if (value)
        *value = keyword->value;
    return kMciOk;
}

// Sets `flag` when its word comes next; the caller reads what follows it.
bool TakeFlag(Reader& in, const char* word, uint32_t flag, uint32_t* flags)
{
    if (!in.Take(word))
        return false;
    *flags |= flag;
    return true;
}

// One keyword of each command's own, read into `parsed`;
// kMciErrUnrecognizedCommand for a word that is none.
unsigned long ReadOpen(Reader& in, ParsedCommand* parsed)
{
    McParams& p = parsed->params;
    if (TakeFlag(in, "shareable", kOpenShareable, &parsed->flags))
        return kMciOk;
    if (TakeFlag(in, "alias", kOpenAlias, &parsed->flags))
        return in.Text(&p.alias);
    if (TakeFlag(in, "type", kOpenType, &parsed->flags))
        return in.Text(&p.type);
    return kMciErrUnrecognizedCommand;
}

unsigned long ReadPlay(Reader& in, ParsedCommand* parsed)
{
    if (TakeFlag(in, "from", kMciFrom, &parsed->flags))
        return in.Integer(&parsed->params.from);
    if (TakeFlag(in, "to", kMciTo, &parsed->flags))
        return in.Integer(&parsed->params.to);
    return kMciErrUnrecognizedCommand;
}

unsigned long ReadSeek(Reader& in, ParsedCommand* parsed)
{
    if (TakeFlag(in, "to start", kSeekToStart, &parsed->flags) ||
        TakeFlag(in, "to end", kSeekToEnd, &parsed->flags))
        return kMciOk;
    if (TakeFlag(in, "to", kMciTo, &parsed->flags))
        return in.Integer(&parsed->params.to);
    return kMciErrUnrecognizedCommand;
}

unsigned long ReadStatus(Reader& in, ParsedCommand* parsed)
{
    if (TakeFlag(in, "track", kMciTrack, &parsed->flags))
        return in.Integer(&parsed->params.track);
    if (TakeFlag(in, "start", kStatusStart, &parsed->flags))
        return kMciOk;
    return TakeKeyword(in, kStatusItems, &parsed->flags, &parsed->params.item);
}

unsigned long ReadCapability(Reader& in, ParsedCommand* parsed)
{
    return TakeKeyword(in, kCapabilities, &parsed->flags, &parsed->params.item);
}

unsigned long ReadInfo(Reader& in, ParsedCommand* parsed)
{
    return TakeKeyword(in, kInfoItems, &parsed->flags, nullptr);
}

unsigned long ReadSet(Reader& in, ParsedCommand* parsed)
{
    // "time format" with no format after it is taken and changes nothing, as Wine's MCI has it.
    if (in.Take("time format"))
        return in.Done() ? kMciOk : TakeKeyword(in, kTimeFormats, &parsed->flags, &parsed->params.timeFormat);
    if (in.Take("audio"))
        return TakeKeyword(in, kChannels, &parsed->flags, &parsed->params.audio);
    return TakeKeyword(in, kSetWords, &parsed->flags, nullptr);
}

unsigned long ReadSysInfo(Reader& in, ParsedCommand* parsed)
{
    if (TakeFlag(in, "name", kSysInfoName, &parsed->flags))
        return in.Integer(&parsed->params.number);
    return TakeKeyword(in, kSysInfoWords, &parsed->flags, nullptr);
}

// Commands that take no keyword of their own.
unsigned long ReadNone(Reader&, ParsedCommand*)
{
    return kMciErrUnrecognizedCommand;
}

using KeywordReader = unsigned long (*)(Reader&, ParsedCommand*);

KeywordReader ReaderOf(unsigned message)
{
    static const std::pair<unsigned, KeywordReader> kReaders[] = {
        {kMciOpen, ReadOpen},     {kMciPlay, ReadPlay}, {kMciSeek, ReadSeek},           {kMciStatus, ReadStatus},
        {kMciGetDevCaps, ReadCapability}, {kMciInfo, ReadInfo}, {kMciSet, ReadSet}, {kMciSysInfo, ReadSysInfo},
    };
    for (const auto& reader : kReaders)
        if (reader.first == message)
            return reader.second;
    return ReadNone;
}

// "open cdaudio", "open cdaudio!d:", "open d: type cdaudio": the name names
// the type, or an element when a type is given or it names one.
void OpenedName(ParsedCommand* parsed)
{
    McParams& p = parsed->params;
    const size_t bang = parsed->device.find('!');
    if (bang != std::string::npos) {
        p.type = parsed->device.substr(0, bang);
        p.element = parsed->device.substr(bang + 1);
        parsed->flags |= kOpenType | kOpenElement;
    } else if (parsed->flags & kOpenType) {
        p.element = parsed->device;
        parsed->flags |= kOpenElement;
    } else {
        p.type = parsed->device;
        parsed->flags |= kOpenType;
    }
    parsed->device = p.type;
}

}  // namespace

bool ParseCommand(const std::string& text, uintptr_t window, ParsedCommand* parsed, unsigned long* error)
{
    *parsed = ParsedCommand();
    Command command;
    if (!SplitCommand(text, &command, error))
        return false;
    parsed->device = command.device;
    for (const Verb& verb : kVerbs)
        if (command.verb == verb.name)
            parsed->message = verb.message;
    Reader in(command.words);
    while (!in.Done()) {
        *error = kMciOk;
        if (in.Take("notify"))
            parsed->flags |= kMciNotify;
        else if (in.Take("wait"))
            parsed->flags |= kMciWait;
        else
            *error = ReaderOf(parsed->message)(in, parsed);
        if (*error != kMciOk)
            return false;
    }
    if (parsed->flags & kMciNotify)
        parsed->params.callback = window;
    if (parsed->message == kMciOpen)
        OpenedName(parsed);
    return true;
}

namespace {

// The names of the resources that status and capability answer with.
const char* ResourceName(uint32_t resource)
{
    static const std::pair<uint32_t, const char*> kNames[] = {
        {kModeNotReady, "not ready"},
        {kModeStop, "stopped"},
        {kModePlay, "playing"},
        {kModePause, "paused"},
        {kMciFalse, "false"},
        {kMciTrue, "true"},
        {kFormatReturnBase + kFormatMilliseconds, "milliseconds"},
        {kFormatReturnBase + kFormatMsf, "msf"},
        {kFormatReturnBase + kFormatTmsf, "tmsf"},
        {kDevTypeCdAudio, "cdaudio"},
        {kTrackAudio, "audio"},
        {kTrackOther, "other"},
    };
    for (const auto& name : kNames)
        if (name.first == resource)
            return name.second;
    return "";
}

// The low bytes of `value`, `fields` of them, as "01:02:03".
std::string Colonized(uint32_t value, int fields)
{
    std::string text;
    for (int i = 0; i < fields; ++i) {
        char field[8];
        std::snprintf(field, sizeof field, i ? ":%02u" : "%02u", (value >> (8 * i)) & 0xFF);
        text += field;
    }
    return text;
}

}  // namespace

std::string ResultText(uint32_t result, unsigned long answer)
{
    if (answer & kResourceReturned)
        return ResourceName(result >> 16);
    if (answer & kColonized3Return)
        return Colonized(result, 3);
    if (answer & kColonized4Return)
        return Colonized(result, 4);
    return std::to_string(result);
}

std::string ReturnText(const ParsedCommand& parsed, unsigned long answer)
{
    const McParams& p = parsed.params;
    if ((answer & 0xFFFF) != kMciOk)
        return std::string();
    switch (parsed.message) {
    case kMciOpen: return std::to_string(p.deviceId);
    case kMciInfo:
    case kMciSysInfo: return p.text;
    case kMciStatus:
    case kMciGetDevCaps: return ResultText(p.result, answer);
    default: return std::string();
    }
}

}  // namespace winmm
