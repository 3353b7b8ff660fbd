#include "player/winmm/cd_device.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace winmm {

namespace {

const char kTypeName[] = "cdaudio";
// What "info product" names the device, as Windows' own driver does.
const char kProductName[] = "CD Audio";

// A status or capability result given as a resource: its value in the low
// word, the resource that names it in the high word (MAKEMCIRESOURCE).
uint32_t Resource(uint32_t value, uint32_t resource)
{
    return (value & 0xFFFF) | resource << 16;
}

uint32_t Truth(bool value)
{
    return Resource(value ? 1 : 0, value ? kMciTrue : kMciFalse);
}

bool IsTimeFormat(uint32_t format)
{
    return format == kFormatMilliseconds || format == kFormatMsf || format == kFormatTmsf;
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = (char)std::tolower((unsigned char)c);
    return text;
}

// Whether an open's type names this device: "cdaudio", "cdaudio!d:", or
// MCI_DEVTYPE_CD_AUDIO by number.
bool NamesCdAudio(uint32_t flags, const McParams& params)
{
    if (flags & kOpenTypeId)
        return (params.deviceType & 0xFFFF) == kDevTypeCdAudio;
    if (!(flags & kOpenType))
        return false;
    const std::string type = Lower(params.type);
    return type.compare(0, type.find('!'), kTypeName) == 0;
}

// How many of the flags are set.
int FlagCount(uint32_t flags)
{
    int count = 0;
    for (; flags; flags &= flags - 1)
        ++count;
    return count;
}

}  // namespace

CdDevice::CdDevice(Disc disc, CdPlatform* platform) : disc_(std::move(disc)), platform_(platform) {}

bool CdDevice::Serves(unsigned deviceId, unsigned message, uint32_t flags, const McParams& params) const
{
    if (message == kMciOpen)
        return NamesCdAudio(flags, params);
    if (message == kMciSysInfo)
        return params.deviceType == kDevTypeCdAudio;
    return open_ && (deviceId == id_ || deviceId == kAllDevices);
}

unsigned CdDevice::DeviceIdOf(const std::string& name) const
{
    const std::string lower = Lower(name);
    return open_ && (lower == kTypeName || (!alias_.empty() && lower == alias_)) ? id_ : 0;
}

unsigned long CdDevice::Command(unsigned deviceId, unsigned message, uint32_t flags, McParams* params)
{
    // Open and sysinfo name a type; every other command an open device.
    const bool toDevice = message != kMciOpen && message != kMciSysInfo;
    if (toDevice && deviceId == kAllDevices && !open_)
        return kMciOk;  // all devices, of which this one is not open
    if (toDevice && (!open_ || (deviceId != id_ && deviceId != kAllDevices)))
        return kMciErrInvalidDeviceId;
    const unsigned notifier = message == kMciOpen ? 0 : id_;
    const Result result = Run(message, flags, params);
    if ((result.code & 0xFFFF) == kMciOk && (flags & kMciNotify) && !result.notifiesLater) {
        // One notification is due at a time: a new one takes the place of the range's.
        platform_->EndNotification(kNotifySuperseded);
        platform_->Notify(params->callback, kNotifySuccessful, notifier ? notifier : params->deviceId);
    }
    return result.code;
}

CdDevice::Result CdDevice::Run(unsigned message, uint32_t flags, McParams* params)
{
    switch (message) {
    case kMciOpen: return Open(flags, params);
    case kMciClose: return Close();
    case kMciPlay: return Play(flags, params);
    case kMciSeek: return Seek(flags, params);
    case kMciStop: Halt(kNotifyAborted); return Result{};
    case kMciPause: return Pause(params);
    case kMciResume: return Resume(params);
    case kMciSet: return Set(flags, params);
    case kMciStatus: return Status(flags, params);
    case kMciInfo: return Info(flags, params);
    case kMciGetDevCaps: return Capability(flags, params);
    case kMciSysInfo: return SysInfo(flags, params);
    // Every MCI device's table holds these; a CD can do neither.
    case kMciRecord:
    case kMciSave: return Result{kMciErrUnsupportedFunction};
    default: return Result{kMciErrUnrecognizedCommand};
    }
}

CdDevice::Result CdDevice::Open(uint32_t flags, McParams* params)
{
    const std::string alias = (flags & kOpenAlias) ? Lower(params->alias) : std::string();
    if (open_)
        return Result{!alias.empty() && alias == alias_ ? kMciErrDuplicateAlias : kMciErrDeviceOpen};
    // An element names the drive ("D:"); the music folder stands for any.
    id_ = FreeId();
    open_ = true;
    alias_ = alias;
    format_ = TimeFormat::Msf;
    position_ = disc_.Start(1);
    params->deviceId = id_;
    return Result{};
}

CdDevice::Result CdDevice::Close()
{
    Halt(kNotifyAborted);
    if (systemOpen_)
        platform_->SystemCommand(systemId_, kMciClose, 0, nullptr);
    systemOpen_ = false;
    open_ = false;
    alias_.clear();
    return Result{};
}

unsigned long CdDevice::Read(uint32_t value, Place* place) const
{
    unsigned long error = kMciOk;
    *place = disc_.Read(value, format_, &error);
    return error;
}

CdDevice::Result CdDevice::Play(uint32_t flags, McParams* params)
{
    Place from{Position(), disc_.TrackAt(Position())};
    Place to{disc_.End(), disc_.Count()};
    unsigned long error = kMciOk;
    if ((flags & kMciFrom) && (error = Read(params->from, &from)) != kMciOk)
        return Result{error};
    if ((flags & kMciTo) && (error = Read(params->to, &to)) != kMciOk)
        return Result{error};
    if (from.position > to.position)
        return Result{kMciErrOutOfRange};
    if ((flags & kMciFrom) && !disc_.HasFile(from.track) && !disc_.IsData(from.track)) {
        Halt(kNotifySuperseded);
        Result result = ToSystem(kMciPlay, flags, params);
        systemPlays_ = result.code == kMciOk;
        return result;
    }
    Halt((flags & kMciNotify) ? kNotifySuperseded : kNotifyAborted);
    from.position = std::max(from.position, disc_.Start(1));
    std::vector<Segment> segments;
    for (int track = 1; track <= disc_.Count(); ++track) {
        if (!disc_.HasFile(track))
            continue;
        uint32_t first = std::max(from.position, disc_.Start(track));
        uint32_t end = std::min(to.position, disc_.Start(track + 1));
        if (first < end)
            segments.push_back(Segment{track, disc_.SampleAt(track, first), disc_.SampleAt(track, end)});
    }
    // A range of no sound, over the data track or empty, is done at once.
    position_ = segments.empty() ? std::max(to.position, from.position) : from.position;
    if (segments.empty())
        return Result{};
    // A range that reaches its end notifies MCI_NOTIFY_SUCCESSFUL, because games
    // loop their music on it. Windows NT's own driver holds that message back;
    // here the games' need is chosen over its habit.
    if (!platform_->Play(segments, (flags & kMciNotify) ? params->callback : 0, id_))
        return Result{kMciErrHardware};
    playing_ = true;
    rangeEnd_ = to.position;
    segments_ = segments;
    return Result{kMciOk, true};
}

CdDevice::Result CdDevice::Seek(uint32_t flags, McParams* params)
{
    const uint32_t places = flags & (kSeekToStart | kSeekToEnd | kMciTo);
    if (places == 0)
        return Result{kMciErrMissingParameter};
    if (FlagCount(places) > 1)
        return Result{kMciErrFlagsNotCompatible};
    Place place{disc_.Start(disc_.FirstAudio()), disc_.FirstAudio()};
    if (flags & kSeekToEnd)
        place = Place{disc_.End(), disc_.Count()};
    if (flags & kMciTo) {
        unsigned long error = Read(params->to, &place);
        if (error != kMciOk)
            return Result{error};
        if (!disc_.HasFile(place.track) && !disc_.IsData(place.track)) {
            Halt(kNotifyAborted);
            return ToSystem(kMciSeek, flags, params);
        }
    }
    Halt(kNotifyAborted);
    position_ = std::max(place.position, disc_.Start(1));
    return Result{};
}

// Windows' cdaudio driver stops the drive on pause and keeps the place, so a
// paused device reads "stopped"; a resume or a play goes on from there.
CdDevice::Result CdDevice::Pause(McParams* params)
{
    if (systemPlays_)
        return ToSystem(kMciPause, 0, params);
    Position();
    if (playing_ && !paused_) {
        platform_->EndNotification(kNotifyAborted);
        platform_->Pause();
        paused_ = true;
    }
    return Result{};
}

CdDevice::Result CdDevice::Resume(McParams* params)
{
    if (systemPlays_)
        return ToSystem(kMciResume, 0, params);
    Position();
    // Nothing paused to go on with: the answer Windows' driver gives.
    if (!playing_ || !paused_)
        return Result{kMciErrHardware};
    platform_->Resume();
    paused_ = false;
    return Result{};
}

// The door, the audio channels and the video have nothing to change on a
// folder of files: accepted, as a drive that obeys would.
CdDevice::Result CdDevice::Set(uint32_t flags, McParams* params)
{
    if (!(flags & kSetTimeFormat))
        return Result{};
    if (!IsTimeFormat(params->timeFormat))
        return Result{kMciErrBadTimeFormat};
    format_ = static_cast<TimeFormat>(params->timeFormat);
    if (systemOpen_) {
        McParams set;
        set.timeFormat = params->timeFormat;
        platform_->SystemCommand(systemId_, kMciSet, kSetTimeFormat, &set);
    }
    return Result{};
}

CdDevice::Result CdDevice::Status(uint32_t flags, McParams* params)
{
    if (!(flags & kStatusItem))
        return Result{kMciErrMissingParameter};
    if ((flags & kStatusStart) && (flags & kMciTrack))
        return Result{kMciErrFlagsNotCompatible};
    const uint32_t item = params->item;
    if ((flags & kMciTrack) && (item == kStatusPosition || item == kStatusLength || item == kStatusTypeTrack))
        return TrackStatus(flags, params);
    if (item == kStatusTypeTrack)
        return Result{kMciErrMissingParameter};
    // What the system's device plays, it answers for.
    if (systemPlays_ && (item == kStatusMode || item == kStatusPosition || item == kStatusCurrentTrack))
        return SystemStatus(flags, params);
    const uint32_t position = (flags & kStatusStart) ? disc_.Start(1) : Position();
    Reading reading;
    switch (item) {
    case kStatusPosition: reading = disc_.PositionReading(position, format_); break;
    case kStatusLength: reading = Disc::LengthReading(disc_.End() - disc_.Start(1), format_); break;
    case kStatusNumberOfTracks: reading.value = (uint32_t)disc_.Count(); break;
    case kStatusCurrentTrack: reading.value = (uint32_t)disc_.TrackAt(position); break;
    case kStatusMode: {
        const uint32_t mode = playing_ && !paused_ ? kModePlay : kModeStop;
        reading = Reading{Resource(mode, mode), kResourceReturned};
        break;
    }
    case kStatusMediaPresent:
    case kStatusReady: reading = Reading{Truth(true), kResourceReturned}; break;
    case kStatusTimeFormat:
        reading = Reading{Resource((uint32_t)format_, kFormatReturnBase + (uint32_t)format_), kResourceReturned};
        break;
    default: return Result{kMciErrUnsupportedFunction};
    }
    params->result = reading.value;
    return Result{kMciOk | reading.kind};
}

CdDevice::Result CdDevice::TrackStatus(uint32_t flags, McParams* params)
{
    const uint32_t track = params->track;
    if (track < 1 || track > (uint32_t)disc_.Count())
        return Result{kMciErrOutOfRange};
    if (!disc_.HasFile((int)track) && !disc_.IsData((int)track))
        return SystemStatus(flags, params);
    Reading reading;
    if (params->item == kStatusPosition)
        reading = disc_.PositionReading(disc_.Start((int)track), format_);
    else if (params->item == kStatusLength)
        reading = Disc::LengthReading(disc_.Length((int)track), format_);
    else if (disc_.IsData((int)track))
        reading = Reading{Resource(kTrackOther, kTrackOther), kResourceReturned};
    else
        reading = Reading{Resource(kTrackAudio, kTrackAudio), kResourceReturned};
    params->result = reading.value;
    return Result{kMciOk | reading.kind};
}

// Of several items the first in this order is answered: product, identity,
// upc, as the flags are listed for cdaudio's info. A disc from files has no
// UPC, so that one has none.
CdDevice::Result CdDevice::Info(uint32_t flags, McParams* params)
{
    if (flags & kInfoProduct) {
        params->text = kProductName;
    } else if (flags & kInfoIdentity) {
        char identity[16];
        std::snprintf(identity, sizeof identity, "%08x", (unsigned)disc_.Identity());
        params->text = identity;
    } else if (flags & kInfoUpc) {
        return Result{kMciErrNoIdentity};
    } else {
        return Result{kMciErrMissingParameter};
    }
    return Result{};
}

CdDevice::Result CdDevice::Capability(uint32_t flags, McParams* params) const
{
    if (!(flags & kGetDevCapsItem))
        return Result{kMciErrMissingParameter};
    switch (params->item) {
    case kCapsCanPlay:
    case kCapsCanEject:
    case kCapsHasAudio: params->result = Truth(true); break;
    case kCapsCanRecord:
    case kCapsCanSave:
    case kCapsHasVideo:
    case kCapsUsesFiles:
    case kCapsCompoundDevice: params->result = Truth(false); break;
    case kCapsDeviceType: params->result = Resource(kDevTypeCdAudio, kDevTypeCdAudio); break;
    default: return Result{kMciErrUnsupportedFunction};
    }
    return Result{kMciOk | kResourceReturned};
}

// The one cdaudio device there is: counted, and named while open by the
// name it was opened with. Binary callers read a count from `result`.
CdDevice::Result CdDevice::SysInfo(uint32_t flags, McParams* params) const
{
    const bool openOnly = (flags & kSysInfoOpen) != 0;
    if (flags & kSysInfoQuantity) {
        params->result = !openOnly || open_ ? 1 : 0;
        params->text = std::to_string(params->result);
    } else if (flags & kSysInfoName) {
        if (params->number != 1 || (openOnly && !open_))
            return Result{kMciErrOutOfRange};
        params->text = openOnly && !alias_.empty() ? alias_ : kTypeName;
    } else if (flags & kSysInfoInstallName) {
        params->text = kTypeName;
    } else {
        return Result{kMciErrMissingParameter};
    }
    return Result{};
}

CdDevice::Result CdDevice::ToSystem(unsigned message, uint32_t flags, McParams* params)
{
    if (!systemOpen_) {
        McParams open;
        open.type = kTypeName;
        unsigned long code = platform_->SystemCommand(0, kMciOpen, kOpenType | kOpenShareable, &open);
        if (code != kMciOk)
            return Result{code};
        systemOpen_ = true;
        systemId_ = open.deviceId;
        McParams set;
        set.timeFormat = (uint32_t)format_;
        platform_->SystemCommand(systemId_, kMciSet, kSetTimeFormat, &set);
    }
    return Result{platform_->SystemCommand(systemId_, message, flags, params), true};
}

// mciSendCommand gives a status's bare value; how a string writes it is the
// driver's to say, as this device says it of its own.
CdDevice::Result CdDevice::SystemStatus(uint32_t flags, McParams* params)
{
    Result result = ToSystem(kMciStatus, flags, params);
    if (result.code != kMciOk)
        return result;
    const uint32_t value = params->result;
    if (params->item == kStatusMode || params->item == kStatusTypeTrack) {
        params->result = Resource(value, value);
        result.code |= kResourceReturned;
    } else if (params->item == kStatusPosition && format_ != TimeFormat::Milliseconds) {
        result.code |= format_ == TimeFormat::Tmsf ? kColonized4Return : kColonized3Return;
    } else if (params->item == kStatusLength && format_ != TimeFormat::Milliseconds) {
        result.code |= kColonized3Return;
    }
    return result;
}

uint32_t CdDevice::Position()
{
    if (!playing_)
        return position_;
    Progress progress = platform_->CurrentProgress();
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
        if (playing_) {
            platform_->EndNotification(flag);
            platform_->Stop();
        }
        playing_ = false;
        paused_ = false;
    }
    if (systemPlays_)
        platform_->SystemCommand(systemId_, kMciStop, 0, nullptr);
    systemPlays_ = false;
}

// The system's MCI numbers its devices from 1 too. Taking the lowest ID it
// has not given keeps a device it opened before this one apart; one it
// opens later is kept apart by the caller (winmm.cpp).
unsigned CdDevice::FreeId() const
{
    unsigned id = 1;
    while (platform_->SystemHasDevice(id))
        ++id;
    return id;
}

bool CdDevice::Addresses(const std::string& text) const
{
    ParsedCommand parsed;
    unsigned long error = kMciOk;
    if (!ParseCommand(text, 0, &parsed, &error)) {
        // Refused all the same, and by this device, when its name is this device's.
        winmm::Command command;
        SplitCommand(text, &command, &error);
        parsed.message = command.verb == "sysinfo" ? (unsigned)kMciSysInfo : 0u;
        parsed.device = command.device.substr(0, command.device.find('!'));
        if (command.verb.empty())
            return false;
    }
    if (parsed.message == kMciSysInfo || parsed.message == kMciOpen)
        return parsed.device == kTypeName;
    return parsed.device == kTypeName || (open_ && !alias_.empty() && parsed.device == alias_);
}

Reply CdDevice::Execute(const std::string& text, uintptr_t window)
{
    Reply reply;
    ParsedCommand parsed;
    if (!ParseCommand(text, window, &parsed, &reply.code))
        return reply;
    unsigned deviceId = id_;
    if (parsed.device == "all") {
        deviceId = kAllDevices;
    } else if (parsed.message == kMciSysInfo) {
        parsed.params.deviceType = kDevTypeCdAudio;
    } else if (parsed.message != kMciOpen && !open_) {
        if (parsed.message == 0 || parsed.message == kMciClose) {
            reply.code = parsed.message == 0 ? kMciErrUnrecognizedCommand : kMciErrInvalidDeviceName;
            return reply;
        }
        // A command to a type that is not open opens it first, as MCI does for a command string.
        McParams open;
        open.type = kTypeName;
        Command(0, kMciOpen, kOpenType, &open);
        deviceId = id_;
    }
    const unsigned long answer = Command(deviceId, parsed.message, parsed.flags, &parsed.params);
    reply.code = answer & 0xFFFF;
    reply.text = ReturnText(parsed, answer);
    reply.waitForEnd = parsed.message == kMciPlay && (parsed.flags & kMciWait) && reply.code == kMciOk && playing_;
    return reply;
}

}  // namespace winmm
