// A game's CD music as games of the 1990s drive it, through mciSendCommandA
// alone: open cdaudio, set tmsf, read the number of tracks, play track 2
// with notify, play it again when MM_MCINOTIFY says MCI_NOTIFY_SUCCESSFUL,
// and stop and close after the second. Every step is a line of the file
// named by INTRO_SOUND_CD_LOOP_LOG ("NAME=VALUE"), the last "done".
// INTRO_SOUND_CD_LOOP_AUX (a volume in hex) is first given to the CD-audio
// aux device, as a game's volume slider does.
#include <windows.h>
#include <mmsystem.h>

#include <cstdio>
#include <cstdlib>

namespace {

FILE* out = NULL;

// The plays of track 2 asked for, and how many have ended successfully.
constexpr int kPlays = 2;
int ended = 0;

void Note(const char* name, unsigned long value)
{
    std::fprintf(out, "%s=%lu\n", name, value);
    std::fflush(out);
}

MCIERROR PlayTrackTwo(MCIDEVICEID id, HWND window)
{
    MCI_PLAY_PARMS play = {};
    play.dwCallback = reinterpret_cast<DWORD_PTR>(window);
    play.dwFrom = MCI_MAKE_TMSF(2, 0, 0, 0);
    play.dwTo = MCI_MAKE_TMSF(3, 0, 0, 0);
    return mciSendCommandA(id, MCI_PLAY, MCI_FROM | MCI_TO | MCI_NOTIFY, reinterpret_cast<DWORD_PTR>(&play));
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != MM_MCINOTIFY)
        return DefWindowProcA(window, message, wParam, lParam);
    const MCIDEVICEID id = (MCIDEVICEID)lParam;
    Note("notify", (unsigned long)wParam);
    if (wParam != MCI_NOTIFY_SUCCESSFUL)
        return 0;
    if (++ended < kPlays) {
        const MCIERROR played = PlayTrackTwo(id, window);
        Note("play", played);
        if (played != 0)
            PostQuitMessage(1);
        return 0;
    }
    Note("stop", mciSendCommandA(id, MCI_STOP, MCI_WAIT, 0));
    Note("close", mciSendCommandA(id, MCI_CLOSE, MCI_WAIT, 0));
    PostQuitMessage(0);
    return 0;
}

// The first aux device that is a CD's gets the volume.
void SetCdVolume(DWORD volume)
{
    const UINT count = auxGetNumDevs();
    for (UINT device = 0; device < count; ++device) {
        AUXCAPSA caps = {};
        if (auxGetDevCapsA(device, &caps, sizeof caps) != MMSYSERR_NOERROR || caps.wTechnology != AUXCAPS_CDAUDIO)
            continue;
        Note("aux", device);
        Note("auxset", auxSetVolume(device, volume));
        DWORD now = 0;
        auxGetVolume(device, &now);
        Note("auxget", now);
        return;
    }
    Note("aux", count);  // none
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    char name[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("INTRO_SOUND_CD_LOOP_LOG", name, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || !(out = std::fopen(name, "w")))
        return 2;
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "cd-loop";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowA("cd-loop", "cd-loop", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, instance, NULL);
    char aux[32];
    length = GetEnvironmentVariableA("INTRO_SOUND_CD_LOOP_AUX", aux, sizeof aux);
    if (length > 0 && length < sizeof aux)
        SetCdVolume(std::strtoul(aux, NULL, 16));

    MCI_OPEN_PARMSA open = {};
    open.lpstrDeviceType = "cdaudio";
    Note("open", mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_WAIT, reinterpret_cast<DWORD_PTR>(&open)));
    Note("id", open.wDeviceID);
    MCI_SET_PARMS set = {};
    set.dwTimeFormat = MCI_FORMAT_TMSF;
    Note("set", mciSendCommandA(open.wDeviceID, MCI_SET, MCI_SET_TIME_FORMAT | MCI_WAIT,
                                reinterpret_cast<DWORD_PTR>(&set)));
    MCI_STATUS_PARMS status = {};
    status.dwItem = MCI_STATUS_NUMBER_OF_TRACKS;
    Note("status", mciSendCommandA(open.wDeviceID, MCI_STATUS, MCI_STATUS_ITEM | MCI_WAIT,
                                   reinterpret_cast<DWORD_PTR>(&status)));
    Note("tracks", (unsigned long)status.dwReturn);
    const MCIERROR played = PlayTrackTwo(open.wDeviceID, window);
    Note("play", played);
    if (played != 0)
        PostQuitMessage(1);

    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0)
        DispatchMessageA(&message);
    std::fprintf(out, "done\n");
    std::fclose(out);
    return 0;
}
