// The cdaudio device that the music folder stands in for: what each MCI
// command does to it and what it answers. It knows no platform: the sound
// and the system's own MCI are reached through CdPlatform (the streaming
// thread and the system's winmm.dll on Windows, fakes in the host tests).
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
#include "player/winmm/mci_text.h"

namespace winmm {

// The device ID the served device gives on "open", and in its notifications.
constexpr unsigned kServedDeviceId = 1;

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
    // `window` (0: none) gets a notification when the range ends by itself.
    virtual bool Play(const std::vector<Segment>& segments, uintptr_t window) = 0;
    // Silences at once; a notification still due goes out with `flag`.
    virtual void Stop(unsigned flag) = 0;
    virtual void Pause() = 0;
    virtual void Resume() = 0;
    virtual Progress Where() = 0;
    // Blocks until the range has ended or been stopped.
    virtual void WaitUntilEnded() = 0;
    // Posts MM_MCINOTIFY with `flag` to `window`.
    virtual void Notify(uintptr_t window, unsigned flag) = 0;
    // The system's own answer to a command string.
    virtual Reply SystemCommand(const std::string& command, uintptr_t window) = 0;
};

class CdDevice {
public:
    CdDevice(Disc disc, CdPlatform* platform);

    // Whether a command addresses this device, by its type name "cdaudio" or
    // its alias while open. The caller gives every other command to the system.
    bool Addresses(const std::string& text) const;
    // Carries out one command that Addresses() accepted.
    Reply Execute(const std::string& text, uintptr_t window);

    const Disc& disc() const { return disc_; }

private:
    Reply Run(const Command& command, const std::vector<std::string>& words, uintptr_t window);
    Reply Open(const std::vector<std::string>& words);
    Reply Close(const std::vector<std::string>& words);
    Reply PlayCommand(const Command& command, const std::vector<std::string>& words, uintptr_t window);
    Reply Seek(const Command& command, const std::vector<std::string>& words, uintptr_t window);
    Reply Set(const std::vector<std::string>& words);
    Reply Status(const Command& command, const std::vector<std::string>& words, uintptr_t window);
    Reply TrackStatus(const Command& command, const std::string& item, const std::string& number,
                      uintptr_t window);
    Reply Stop();
    Reply PauseOrResume(const Command& command, uintptr_t window);
    // The command as given, to the system's cdaudio device, opened first.
    Reply ToSystem(const Command& command, uintptr_t window);
    // Where the device is now, having noticed a range that ended by itself.
    uint32_t Position();
    // Stops what plays, the device's own range or the system's; a
    // notification due for it goes out with `flag`.
    void Halt(unsigned flag);

    Disc disc_;
    CdPlatform* platform_;
    bool open_ = false;
    std::string alias_;
    TimeFormat format_ = TimeFormat::Msf;
    uint32_t position_ = kFirstTrackStart;  // when nothing plays
    // The range under way, as positions and as the segments given to the platform.
    bool playing_ = false;
    bool paused_ = false;
    uint32_t rangeEnd_ = 0;
    std::vector<Segment> segments_;
    // The system's cdaudio device: opened for a track without a file, and
    // whether what plays now is its.
    bool systemOpen_ = false;
    bool systemPlays_ = false;
    // Of the command being carried out: whether its notification was left
    // to the platform or the system, and whether it started a range.
    bool notifyTaken_ = false;
    bool startedPlay_ = false;
};

}  // namespace winmm

#endif
