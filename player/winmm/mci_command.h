// MCI's binary form of a command, as mciSendCommand takes it and as Windows'
// own MCI makes it of a command string: a command message, its flags, and one
// parameter block. The values are the platform's (mmsystem.h and the driver
// kit's mmddk.h), checked against mmsystem.h in the Windows build.
// Platform-free, so the host tests drive the device through it.
#ifndef INTRO_PLAYER_WINMM_MCI_COMMAND_H
#define INTRO_PLAYER_WINMM_MCI_COMMAND_H

#include <cstdint>
#include <string>

namespace winmm {

// Command messages.
enum : unsigned {
    kMciOpen = 0x0803,
    kMciClose = 0x0804,
    kMciPlay = 0x0806,
    kMciSeek = 0x0807,
    kMciStop = 0x0808,
    kMciPause = 0x0809,
    kMciInfo = 0x080A,
    kMciGetDevCaps = 0x080B,
    kMciSet = 0x080D,
    kMciStep = 0x080E,
    kMciRecord = 0x080F,
    kMciSysInfo = 0x0810,
    kMciSave = 0x0813,
    kMciStatus = 0x0814,
    kMciResume = 0x0855,
};

// Flags. Those from 0x100 up mean something for one command only.
enum : uint32_t {
    kMciNotify = 0x1,
    kMciWait = 0x2,
    kMciFrom = 0x4,
    kMciTo = 0x8,
    kMciTrack = 0x10,
    kOpenShareable = 0x100,
    kOpenElement = 0x200,
    kOpenAlias = 0x400,
    kOpenTypeId = 0x1000,
    kOpenType = 0x2000,
    kSeekToStart = 0x100,
    kSeekToEnd = 0x200,
    kStatusItem = 0x100,
    kStatusStart = 0x200,
    kSetDoorOpen = 0x100,
    kSetDoorClosed = 0x200,
    kSetTimeFormat = 0x400,
    kSetAudio = 0x800,
    kSetVideo = 0x1000,
    kSetOn = 0x2000,
    kSetOff = 0x4000,
    kInfoProduct = 0x100,
    kInfoFile = 0x200,
    kInfoUpc = 0x400,
    kInfoIdentity = 0x800,
    kGetDevCapsItem = 0x100,
    kSysInfoQuantity = 0x100,
    kSysInfoOpen = 0x200,
    kSysInfoName = 0x400,
    kSysInfoInstallName = 0x800,
};

// Items of status and capability, and the values they answer.
enum : uint32_t {
    kStatusLength = 1,
    kStatusPosition = 2,
    kStatusNumberOfTracks = 3,
    kStatusMode = 4,
    kStatusMediaPresent = 5,
    kStatusTimeFormat = 6,
    kStatusReady = 7,
    kStatusCurrentTrack = 8,
    kStatusTypeTrack = 0x4001,
    kCapsCanRecord = 1,
    kCapsHasAudio = 2,
    kCapsHasVideo = 3,
    kCapsDeviceType = 4,
    kCapsUsesFiles = 5,
    kCapsCompoundDevice = 6,
    kCapsCanEject = 7,
    kCapsCanPlay = 8,
    kCapsCanSave = 9,
    kModeNotReady = 524,
    kModeStop = 525,
    kModePlay = 526,
    kModePause = 529,
    kMciFalse = 531,
    kMciTrue = 532,
    kFormatMilliseconds = 0,
    kFormatMsf = 2,
    kFormatTmsf = 10,
    kFormatReturnBase = 533,  // the name of format F is resource kFormatReturnBase + F
    kDevTypeCdAudio = 516,
    kTrackAudio = 1088,
    kTrackOther = 1089,
};

// The device ID that names every open device at once.
constexpr unsigned kAllDevices = 0xFFFFFFFFu;

// A driver's answer is an error code in its low word and, for status and
// capability, how dwReturn is to be written in its high word: as the text
// of a resource (value in dwReturn's low word, resource in its high word),
// or a packed position with three or four colon-separated fields.
enum : unsigned long {
    kResourceReturned = 0x00010000,
    kColonized3Return = 0x00020000,
    kColonized4Return = 0x00040000,
    kIntegerReturned = 0x00080000,
};

// Every field of the parameter blocks the cdaudio device reads or writes.
struct McParams {
    uintptr_t callback = 0;  // the window that MCI_NOTIFY notifies
    uint32_t from = 0, to = 0;  // play; seek's "to"
    uint32_t item = 0, track = 0;  // status, capability
    uint32_t timeFormat = 0, audio = 0;  // set
    uint32_t number = 0, deviceType = 0;  // sysinfo; open with kOpenTypeId
    std::string type, element, alias;  // open
    // What the device answers: status and capability in `result`, info and
    // sysinfo in `text`, open the new device's ID.
    uint32_t result = 0;
    std::string text;
    unsigned deviceId = 0;
};

}  // namespace winmm

#endif
