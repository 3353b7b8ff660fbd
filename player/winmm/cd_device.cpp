#include "player/winmm/cd_device.h"

#include <algorithm>

namespace winmm {

namespace {

const char kTypeName[] = "cdaudio";

struct Flags {
    bool wait = false;
    bool notify = false;
};

// The words without MCI's two flags, which every command may carry.
std::vector<std::string> WithoutFlags(const std::vector<std::string>& words, Flags* flags)
{
    std::vector<std::string> rest;
    for (const std::string& word : words) {
        if (word == "wait")
            flags->wait = true;
        else if (word == "notify")
            flags->notify = true;
        else
            rest.push_back(word);
    }
    return rest;
}

const char* FormatName(TimeFormat format)
{
    switch (format) {
    case TimeFormat::Tmsf: return "tmsf";
    case TimeFormat::Milliseconds: return "milliseconds";
    default: return "msf";
    }
}

bool FormatOfName(const std::string& name, TimeFormat* format)
{
    if (name == "msf")
        *format = TimeFormat::Msf;
    else if (name == "tmsf")
        *format = TimeFormat::Tmsf;
    else if (name == "milliseconds" || name == "ms")
        *format = TimeFormat::Milliseconds;
    else
        return false;
    return true;
}

Reply Answer(unsigned long code, std::string text = std::string())
{
    Reply reply;
    reply.code = code;
    reply.text = std::move(text);
    return reply;
}

// The words of a status item, and what follows it.
bool StartsWith(const std::vector<std::string>& words, std::initializer_list<const char*> item)
{
    if (words.size() < item.size())
        return false;
    size_t i = 0;
    for (const char* word : item)
        if (words[i++] != word)
            return false;
    return true;
}

}  // namespace

CdDevice::CdDevice(Disc disc, CdPlatform* platform) : disc_(std::move(disc)), platform_(platform) {}

bool CdDevice::Addresses(const std::string& text) const
{
    Command command;
    unsigned long error = kMciOk;
    SplitCommand(text, &command, &error);
    // "sysinfo cdaudio ..." asks the system about its devices of that type.
    if (command.verb.empty() || command.verb == "sysinfo")
        return false;
    return command.device == kTypeName || (open_ && !alias_.empty() && command.device == alias_);
}

Reply CdDevice::Execute(const std::string& text, uintptr_t window)
{
    Command command;
    unsigned long error = kMciOk;
    if (!SplitCommand(text, &command, &error))
        return Answer(error);
    Flags flags;
    std::vector<std::string> words = WithoutFlags(command.words, &flags);
    notifyTaken_ = false;
    startedPlay_ = false;
    Reply reply = Run(command, words, flags.notify ? window : 0);
    if (startedPlay_ && flags.wait)
        reply.waitForEnd = true;
    if (reply.code == kMciOk && flags.notify && window && !notifyTaken_)
        platform_->Notify(window, kNotifySuccessful);
    return reply;
}

Reply CdDevice::Run(const Command& command, const std::vector<std::string>& words, uintptr_t window)
{
    const std::string& verb = command.verb;
    if (verb == "open")
        return Open(words);
    static const char* const kVerbs[] = {"close", "play", "stop", "pause", "resume", "seek", "set", "status"};
    if (std::find(std::begin(kVerbs), std::end(kVerbs), verb) == std::end(kVerbs))
        return Answer(kMciErrUnrecognizedCommand);
    if (verb == "close")
        return open_ ? Close(words) : Answer(kMciErrInvalidDeviceName);
    // Any other command opens the device first, as MCI does for a command string.
    if (!open_)
        Open({});
    if (verb == "play")
        return PlayCommand(command, words, window);
    if (verb == "stop")
        return words.empty() ? Stop() : Answer(kMciErrUnrecognizedCommand);
    if (verb == "pause" || verb == "resume")
        return words.empty() ? PauseOrResume(command, window) : Answer(kMciErrUnrecognizedCommand);
    if (verb == "seek")
        return Seek(command, words, window);
    if (verb == "set")
        return Set(words);
    return Status(command, words, window);
}

Reply CdDevice::Open(const std::vector<std::string>& words)
{
    std::string alias;
    for (size_t i = 0; i < words.size(); ++i) {
        if (words[i] == "shareable")
            continue;
        if (words[i] != "alias")
            return Answer(kMciErrUnrecognizedCommand);
        if (i + 1 == words.size())
            return Answer(kMciErrMissingStringArgument);
        alias = words[++i];
        if (IsOpenQuote(alias))
            return Answer(kMciErrNoClosingQuote);
    }
    if (open_)
        return Answer(!alias.empty() && alias == alias_ ? kMciErrDuplicateAlias : kMciErrDeviceOpen);
    open_ = true;
    alias_ = alias;
    format_ = TimeFormat::Msf;
    position_ = disc_.Start(1);
    return Answer(kMciOk, std::to_string(kServedDeviceId));
}

Reply CdDevice::Close(const std::vector<std::string>& words)
{
    if (!words.empty())
        return Answer(kMciErrUnrecognizedCommand);
    Halt(kNotifyAborted);
    if (systemOpen_)
        platform_->SystemCommand("close cdaudio", 0);
    systemOpen_ = false;
    open_ = false;
    alias_.clear();
    return Answer(kMciOk);
}

// "from X to Y" and the like: each keyword once or more (the last counts),
// each followed by an MCI integer.
static unsigned long ReadPositions(const std::vector<std::string>& words,
                                   std::initializer_list<const char*> keywords, std::vector<bool>* given,
                                   std::vector<uint32_t>* values)
{
    given->assign(keywords.size(), false);
    values->assign(keywords.size(), 0);
    for (size_t i = 0; i < words.size(); i += 2) {  // keyword, value
        size_t k = 0;
        for (const char* keyword : keywords) {
            if (words[i] == keyword)
                break;
            ++k;
        }
        if (k == keywords.size())
            return kMciErrUnrecognizedCommand;
        if (i + 1 == words.size() || !ParseMciInteger(words[i + 1], &(*values)[k]))
            return kMciErrBadInteger;
        (*given)[k] = true;
    }
    return kMciOk;
}

Reply CdDevice::PlayCommand(const Command& command, const std::vector<std::string>& words, uintptr_t window)
{
    std::vector<bool> given;
    std::vector<uint32_t> values;
    unsigned long error = ReadPositions(words, {"from", "to"}, &given, &values);
    if (error != kMciOk)
        return Answer(error);
    Place from{Position(), disc_.TrackAt(Position())};
    if (given[0]) {
        from = disc_.Read(values[0], format_, &error);
        if (error != kMciOk)
            return Answer(error);
        if (!disc_.HasFile(from.track)) {
            Halt(kNotifySuperseded);
            Reply reply = ToSystem(command, window);
            systemPlays_ = reply.code == kMciOk;
            return reply;
        }
    }
    Place to{disc_.End(), disc_.Count()};
    if (given[1]) {
        to = disc_.Read(values[1], format_, &error);
        if (error != kMciOk)
            return Answer(error);
    }
    if (from.position > to.position)
        return Answer(kMciErrOutOfRange);
    Halt(kNotifySuperseded);
    std::vector<Segment> segments;
    for (int track = 1; track <= disc_.Count(); ++track) {
        if (!disc_.HasFile(track))
            continue;
        uint32_t first = std::max(from.position, disc_.Start(track));
        uint32_t end = std::min(to.position, disc_.Start(track + 1));
        if (first < end)
            segments.push_back(Segment{track, disc_.SampleAt(track, first), disc_.SampleAt(track, end)});
    }
    position_ = from.position;
    if (segments.empty()) {
        position_ = to.position;
        return Answer(kMciOk);
    }
    if (!platform_->Play(segments, window))
        return Answer(kMciErrHardware);
    playing_ = true;
    rangeEnd_ = to.position;
    segments_ = segments;
    startedPlay_ = true;
    notifyTaken_ = true;
    return Answer(kMciOk);
}

Reply CdDevice::Seek(const Command& command, const std::vector<std::string>& words, uintptr_t window)
{
    if (words.empty())
        return Answer(kMciErrMissingParameter);
    if (words[0] != "to")
        return Answer(kMciErrUnrecognizedCommand);
    if (words.size() > 2)
        return Answer(kMciErrUnrecognizedCommand);
    Place place{disc_.Start(1), 1};
    if (words.size() == 2 && words[1] == "start") {
        place = Place{disc_.Start(1), disc_.TrackAt(disc_.Start(1))};
    } else if (words.size() == 2 && words[1] == "end") {
        place = Place{disc_.End(), disc_.Count()};
    } else {
        uint32_t value = 0;
        if (words.size() < 2 || !ParseMciInteger(words[1], &value))
            return Answer(kMciErrBadInteger);
        unsigned long error = kMciOk;
        place = disc_.Read(value, format_, &error);
        if (error != kMciOk)
            return Answer(error);
        if (!disc_.HasFile(place.track)) {
            Halt(kNotifyAborted);
            return ToSystem(command, window);
        }
    }
    Halt(kNotifyAborted);
    position_ = place.position;
    return Answer(kMciOk);
}

Reply CdDevice::Set(const std::vector<std::string>& words)
{
    if (words.empty())
        return Answer(kMciOk);
    if (!StartsWith(words, {"time", "format"}))
        return Answer(words[0] == "door" || words[0] == "audio" || words[0] == "video" ? kMciErrUnsupportedFunction
                                                                                          : kMciErrUnrecognizedCommand);
    // As in the system's MCI, "set cdaudio time format" with no format changes nothing.
    if (words.size() == 2)
        return Answer(kMciOk);
    TimeFormat format;
    if (words.size() > 3 || !FormatOfName(words[2], &format))
        return Answer(kMciErrUnrecognizedCommand);
    format_ = format;
    if (systemOpen_)
        platform_->SystemCommand(std::string("set cdaudio time format ") + FormatName(format_), 0);
    return Answer(kMciOk);
}

Reply CdDevice::Status(const Command& command, const std::vector<std::string>& words, uintptr_t window)
{
    if (words.empty())
        return Answer(kMciErrMissingParameter);
    if (StartsWith(words, {"position", "track"}) || StartsWith(words, {"length", "track"}) ||
        StartsWith(words, {"type", "track"}))
        return words.size() > 3 ? Answer(kMciErrUnrecognizedCommand)
                                : TrackStatus(command, words[0], words.size() == 3 ? words[2] : "", window);
    struct Item {
        std::initializer_list<const char*> words;
        int id;
    };
    enum { kMode, kPosition, kLength, kTracks, kCurrent, kReady, kMedia, kFormat, kStart };
    static const Item kItems[] = {
        {{"mode"}, kMode},           {{"position"}, kPosition},       {{"length"}, kLength},
        {{"number", "of", "tracks"}, kTracks}, {{"current", "track"}, kCurrent}, {{"ready"}, kReady},
        {{"media", "present"}, kMedia},        {{"time", "format"}, kFormat},    {{"start", "position"}, kStart},
    };
    for (const Item& item : kItems) {
        if (!StartsWith(words, item.words))
            continue;
        if (words.size() != item.words.size())
            return Answer(kMciErrUnrecognizedCommand);
        const uint32_t position = Position();
        // What the system's device plays, it answers for.
        if (systemPlays_ && (item.id == kMode || item.id == kPosition || item.id == kCurrent))
            return ToSystem(command, window);
        switch (item.id) {
        case kMode: return Answer(kMciOk, !playing_ ? "stopped" : paused_ ? "paused" : "playing");
        case kPosition: return Answer(kMciOk, disc_.PositionText(position, format_));
        case kLength: return Answer(kMciOk, Disc::LengthText(disc_.End() - disc_.Start(1), format_));
        case kTracks: return Answer(kMciOk, std::to_string(disc_.Count()));
        case kCurrent: return Answer(kMciOk, std::to_string(disc_.TrackAt(position)));
        case kReady: return Answer(kMciOk, "true");
        case kMedia: return Answer(kMciOk, "true");
        case kFormat: return Answer(kMciOk, FormatName(format_));
        default: return Answer(kMciOk, disc_.PositionText(disc_.Start(1), format_));
        }
    }
    return Answer(kMciErrUnrecognizedCommand);
}

Reply CdDevice::TrackStatus(const Command& command, const std::string& item, const std::string& number,
                            uintptr_t window)
{
    uint32_t track = 0;
    if (!ParseMciInteger(number, &track))
        return Answer(kMciErrBadInteger);
    if (track < 1 || track > (uint32_t)disc_.Count())
        return Answer(kMciErrOutOfRange);
    if (!disc_.HasFile((int)track))
        return ToSystem(command, window);
    if (item == "position")
        return Answer(kMciOk, disc_.PositionText(disc_.Start((int)track), format_));
    if (item == "length")
        return Answer(kMciOk, Disc::LengthText(disc_.Length((int)track), format_));
    return Answer(kMciOk, "audio");
}

Reply CdDevice::Stop()
{
    Halt(kNotifyAborted);
    return Answer(kMciOk);
}

Reply CdDevice::PauseOrResume(const Command& command, uintptr_t window)
{
    if (systemPlays_)
        return ToSystem(command, window);
    Position();
    const bool pause = command.verb == "pause";
    if (playing_ && pause && !paused_)
        platform_->Pause();
    else if (playing_ && !pause && paused_)
        platform_->Resume();
    paused_ = playing_ && pause;
    return Answer(kMciOk);
}

Reply CdDevice::ToSystem(const Command& command, uintptr_t window)
{
    if (!systemOpen_) {
        Reply opened = platform_->SystemCommand("open cdaudio shareable", 0);
        if (opened.code != kMciOk)
            return Answer(opened.code);
        systemOpen_ = true;
        platform_->SystemCommand(std::string("set cdaudio time format ") + FormatName(format_), 0);
    }
    notifyTaken_ = true;
    return platform_->SystemCommand(JoinCommand(command, kTypeName), window);
}

uint32_t CdDevice::Position()
{
    if (!playing_)
        return position_;
    Progress progress = platform_->Where();
    if (!progress.playing) {
        playing_ = false;
        paused_ = false;
        position_ = rangeEnd_;
    } else if (progress.segment < segments_.size()) {
        position_ = disc_.PositionOf(segments_[progress.segment].track, progress.sample);
    }
    return position_;
}

void CdDevice::Halt(unsigned flag)
{
    if (playing_) {
        Position();
        if (playing_)
            platform_->Stop(flag);
        playing_ = false;
        paused_ = false;
    }
    if (systemPlays_)
        platform_->SystemCommand("stop cdaudio", 0);
    systemPlays_ = false;
}

}  // namespace winmm
