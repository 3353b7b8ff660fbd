// The cdaudio device that the music folder stands in for: what each MCI
// command does to it and what it answers, as Windows' own cdaudio driver
// does. It knows no platform: the sound and the system's own MCI are reached
// through CdPlatform (the streaming thread and the system's winmm.dll on
// Windows, fakes in the host tests).
//
// The device runs commands in MCI's binary form alone (Command). A command
// string is first made binary (ParseCommand in mci_text.h), as Windows' MCI
// does, so that both forms are answered alike.
//
// A command that names a track without a file goes to the system's own
// cdaudio device, opened for the purpose, so that a real CD can still play
// what the folder lacks.
#ifndef INTRO_PLAYER_WINMM_CD_DEVICE_H
#define INTRO_PLAYER_WINMM_CD_DEVICE_H

#include <cstdint>
#include <string>
#include <vector>

#include "player/winmm/disc.h"
#include "player/winmm/mci_command.h"
#include "player/winmm/mci_text.h"

namespace winmm {

// MCI_NOTIFY_ values (mmsystem.h), for the notifications of "notify".
enum : unsigned {
    kNotifySuccessful = 1,
    kNotifySuperseded = 2,
    kNotifyAborted = 4,
};

// What mciSendString gives back: the result, the return string, and for
// "play ... wait" that the caller is to wait for the end of the range.
struct Reply {
    unsigned long code = kMciOk;
    std::string text;
    bool waitForEnd = false;
};

// Part of a play range that lies in one track's file: sample frames
// [first, end) of it.
struct Segment {
    int track = 0;
    uint64_t first = 0;
    uint64_t end = 0;
};

// Where the sound is: whether a range is still under way (paused or not),
// and the segment and sample frame it has reached.
struct Progress {
    bool playing = false;
    size_t segment = 0;
    uint64_t sample = 0;
};

class CdPlatform {
public:
    virtual ~CdPlatform() = default;
    // Starts the segments in order, on a thread of its own, and returns at
    // once; what played before has been stopped. False when nothing can play.
    // `window` (0: none) gets MCI_NOTIFY_SUCCESSFUL from `deviceId` when the
    // range ends by itself.
    virtual bool Play(const std::vector<Segment>& segments, uintptr_t window, unsigned deviceId) = 0;
    // Silences at once; a notification still due is dropped.
    virtual void Stop() = 0;
    virtual void Pause() = 0;
    virtual void Resume() = 0;
    virtual Progress CurrentProgress() = 0;
    // Blocks until the range has ended or been stopped.
    virtual void WaitUntilEnded() = 0;
    // Sends the notification still due for the range with `flag`, and no
    // other after it; nothing when none is due.
    virtual void EndNotification(unsigned flag) = 0;
    // Posts MM_MCINOTIFY with `flag` from `deviceId` to `window`.
    virtual void Notify(uintptr_t window, unsigned flag, unsigned deviceId) = 0;
    // The system's own MCI: a command in binary form, and its answer.
    virtual unsigned long SystemCommand(unsigned deviceId, unsigned message, uint32_t flags, McParams* params) = 0;
    // Whether the system's MCI has given `deviceId` to a device of its own.
    virtual bool SystemHasDevice(unsigned deviceId) = 0;
};

class CdDevice {
public:
    CdDevice(Disc disc, CdPlatform* platform);

    // The binary form. Whether a command is this device's: an open of the
    // cdaudio type, a sysinfo about it, or a command to its ID while open
    // (kAllDevices included). The caller gives every other to the system.
    bool Serves(unsigned deviceId, unsigned message, uint32_t flags, const McParams& params) const;
    // Carries out one command; the answer is MCI's error code, and for
    // status and capability how `result` is to be written in its high word.
    unsigned long Command(unsigned deviceId, unsigned message, uint32_t flags, McParams* params);
    // The device's ID while open; 0 when closed.
    unsigned OpenId() const { return open_ ? id_ : 0; }
    // The ID of the open device that `name` (its alias or "cdaudio") names; 0 for none.
    unsigned DeviceIdOf(const std::string& name) const;

    // The string form. Whether a command addresses this device, by its type
    // name "cdaudio" or its alias while open ("all" is not this device's
    // alone: the caller sends such a command to both).
    bool Addresses(const std::string& text) const;
    // Carries out one command string, made binary first.
    Reply Execute(const std::string& text, uintptr_t window);

    const Disc& disc() const { return disc_; }

private:
    // What a command did: its answer, and whether its notification is left
    // to the platform or the system.
    struct Result {
        unsigned long code = kMciOk;
        bool notifiesLater = false;
    };
    Result Run(unsigned message, uint32_t flags, McParams* params);
    Result Open(uint32_t flags, McParams* params);
    Result Close();
    Result Play(uint32_t flags, McParams* params);
    Result Seek(uint32_t flags, McParams* params);
    Result Pause(McParams* params);
    Result Resume(McParams* params);
    Result Set(uint32_t flags, McParams* params);
    Result Status(uint32_t flags, McParams* params);
    Result TrackStatus(uint32_t flags, McParams* params);
    Result Info(uint32_t flags, McParams* params);
    Result Capability(uint32_t flags, McParams* params) const;
    Result SysInfo(uint32_t flags, McParams* params) const;
    // A status of the system's cdaudio device, written as its own are.
    Result SystemStatus(uint32_t flags, McParams* params);
    // The command, to the system's cdaudio device, opened first.
    Result ToSystem(unsigned message, uint32_t flags, McParams* params);
    // A place on the disc from a command's position; the error when off it.
    unsigned long Read(uint32_t value, Place* place) const;
    // Where the device is now, having noticed a range that ended by itself.
    uint32_t Position();
    // Stops what plays, the device's own range or the system's; a
    // notification due for it goes out with `flag`.
    void Halt(unsigned flag);
    // The lowest ID from 1 that the system's MCI has not given.
    unsigned FreeId() const;

    Disc disc_;
    CdPlatform* platform_;
    bool open_ = false;
    unsigned id_ = 0;
    std::string alias_;
    TimeFormat format_ = TimeFormat::Msf;
    uint32_t position_ = kFirstTrackStart;  // when nothing plays
    // The range under way, as positions and as the segments given to the platform.
    bool playing_ = false;
    bool paused_ = false;
    uint32_t rangeEnd_ = 0;
    std::vector<Segment> segments_;
    // The system's cdaudio device: opened for a track without a file, its
    // ID, and whether what plays now is its.
    bool systemOpen_ = false;
    unsigned systemId_ = 0;
    bool systemPlays_ = false;
};

}  // namespace winmm

#endif
