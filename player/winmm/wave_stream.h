// The served device's platform on Windows: each play range streams from a
// thread of its own through the system's waveOut functions, and the system's
// own mciSendStringA answers what the device gives it.
//
// A streaming thread holds a reference to this DLL from before it starts
// until it ends (FreeLibraryAndExitThread), so the DLL cannot be unloaded
// under it: a FreeLibrary while music plays takes effect when the range ends
// or is stopped. At the end of the process the system ends the thread with
// the others; nothing here waits for it then.
#ifndef INTRO_PLAYER_WINMM_WAVE_STREAM_H
#define INTRO_PLAYER_WINMM_WAVE_STREAM_H

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "player/winmm/cd_device.h"

struct Playback;

class WaveStream : public winmm::CdPlatform {
public:
    // paths[0] is track 1's file; the samples are written at `volume` (winmm/volume.h).
    WaveStream(std::vector<std::string> paths, int volume);
    ~WaveStream() override;
    WaveStream(const WaveStream&) = delete;
    WaveStream& operator=(const WaveStream&) = delete;

    bool Play(const std::vector<winmm::Segment>& segments, uintptr_t window, unsigned deviceId) override;
    void Stop() override;
    void Pause() override;
    void Resume() override;
    winmm::Progress CurrentProgress() override;
    void WaitUntilEnded() override;
    void EndNotification(unsigned flag) override;
    void Notify(uintptr_t window, unsigned flag, unsigned deviceId) override;
    unsigned long SystemCommand(unsigned deviceId, unsigned message, uint32_t flags, winmm::McParams* params) override;
    bool SystemHasDevice(unsigned deviceId) override;

private:
    std::shared_ptr<Playback> Current();

    std::vector<std::string> paths_;
    const int volume_;
    // The range under way; guarded, since a caller that waits for its end
    // takes it from another thread than the one that stops it.
    CRITICAL_SECTION lock_;
    std::shared_ptr<Playback> current_;
};

// The system's own mciSendStringA; MCIERR_CANNOT_LOAD_DRIVER when the
// system's winmm.dll cannot be had.
MCIERROR SystemSendString(LPCSTR command, LPSTR answer, UINT length, HWND window);

// A command in binary form to the system's own mciSendCommandA, its
// parameters put in the parameter block the message takes (system_command.cpp).
unsigned long SystemSendCommand(unsigned deviceId, unsigned message, uint32_t flags, winmm::McParams* params);

// The system's ID for a device ID the program gives, which may differ from
// it where the served device holds the system's (winmm.cpp, DeviceIds).
unsigned SystemDeviceId(unsigned programId);

// The CD-audio aux device's volume as auxSetVolume sets it (0xFFFF: full),
// which scales every range's samples on top of the setting "volume".
void SetCdAuxVolume(DWORD volume);
DWORD CdAuxVolume();

#endif
