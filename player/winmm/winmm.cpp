// The player's winmm.dll: the music of intro.exe without a CD drive.
//
// intro.exe cues track 5 of the audio CD through mciSendStringA. When this
// DLL lies beside it, with a music folder that holds the track asked for
// (music\trackNN.wav or music\trackNN.ogg), the cdaudio commands are
// answered here and the track streams from the file through the system's
// waveOut; with no such folder, for any other program, and for every other
// command, the system's own winmm.dll answers, unchanged. Every other export of winmm passes through.
#include <windows.h>
#include <mmsystem.h>

#include <string>

#include "player/common/passthrough.h"
#include "player/common/settings.h"
#include "player/winmm/settings_table.h"
#include "player/winmm/cd_device.h"
#include "player/winmm/event_log.h"
#include "player/winmm/music_folder.h"
#include "player/winmm/volume.h"
#include "player/winmm/wave_stream.h"

// The device's answers are the platform's own codes.
static_assert(winmm::kMciErrUnrecognizedCommand == MCIERR_UNRECOGNIZED_COMMAND, "");
static_assert(winmm::kMciErrHardware == MCIERR_HARDWARE, "");
static_assert(winmm::kMciErrInvalidDeviceName == MCIERR_INVALID_DEVICE_NAME, "");
static_assert(winmm::kMciErrDeviceOpen == MCIERR_DEVICE_OPEN, "");
static_assert(winmm::kMciErrMissingStringArgument == MCIERR_MISSING_STRING_ARGUMENT, "");
static_assert(winmm::kMciErrBadInteger == MCIERR_BAD_INTEGER, "");
static_assert(winmm::kMciErrMissingParameter == MCIERR_MISSING_PARAMETER, "");
static_assert(winmm::kMciErrUnsupportedFunction == MCIERR_UNSUPPORTED_FUNCTION, "");
static_assert(winmm::kMciErrOutOfRange == MCIERR_OUTOFRANGE, "");
static_assert(winmm::kMciErrDuplicateAlias == MCIERR_DUPLICATE_ALIAS, "");
static_assert(winmm::kMciErrNoClosingQuote == MCIERR_NO_CLOSING_QUOTE, "");
static_assert(winmm::kNotifySuccessful == MCI_NOTIFY_SUCCESSFUL && winmm::kNotifySuperseded == MCI_NOTIFY_SUPERSEDED &&
                  winmm::kNotifyAborted == MCI_NOTIFY_ABORTED,
              "");

extern "C" {
MCIERROR WINAPI PlayerMciSendStringA(LPCSTR command, LPSTR answer, UINT length, HWND window);
MCIERROR WINAPI PlayerMciSendStringW(LPCWSTR command, LPWSTR answer, UINT length, HWND window);
}

namespace {

// Every MCI call of the program goes through this lock, so the device sees
// one command at a time from however many threads. Made in DllMain.
CRITICAL_SECTION mciLock;

// Decided at the first MCI call: whether this process and its music folder
// are served, and the device and its platform if so. They live until the
// DLL is unloaded.
bool decided = false;
WaveStream* stream = nullptr;
winmm::CdDevice* device = nullptr;

// Under mciLock: the device, or null when every command passes through.
winmm::CdDevice* ServedDevice()
{
    if (decided)
        return device;
    decided = true;
    OpenEventLog();
    if (!player::ServesThisProcess(player::winmm_settings::kProgram))
        return nullptr;
    MusicFolder music = ReadMusicFolder();
    if (music.disc.Count() == 0) {
        LogEvent("no track in the music folder: the system's MCI answers every command");
        return nullptr;
    }
    const int volume = (int)player::Setting(player::winmm_settings::kVolume).number;
    stream = new WaveStream(music.paths, volume);
    device = new winmm::CdDevice(music.disc, stream);
    LogEvent("serving cdaudio: %d tracks on the disc, at volume %d", music.disc.Count(), volume);
    return device;
}

// Makes the decision of ServedDevice, and so opens the event log, before the first command is logged.
void Decide()
{
    EnterCriticalSection(&mciLock);
    ServedDevice();
    LeaveCriticalSection(&mciLock);
}

// The served answer to a command, or false when the system is to answer it.
bool Serve(const char* command, HWND window, winmm::Reply* reply)
{
    EnterCriticalSection(&mciLock);
    winmm::CdDevice* served = ServedDevice();
    bool serves = served && served->Addresses(command);
    if (serves)
        *reply = served->Execute(command, reinterpret_cast<uintptr_t>(window));
    LeaveCriticalSection(&mciLock);
    // "play ... wait" waits outside the lock, so another thread may stop it.
    if (serves && reply->waitForEnd)
        stream->WaitUntilEnded();
    return serves;
}

template <typename Char>
void CopyAnswer(const std::basic_string<Char>& text, Char* answer, UINT length)
{
    if (!answer || length == 0)
        return;
    // As the system's MCI does: what does not fit is cut off.
    size_t n = text.size() < length - 1 ? text.size() : length - 1;
    text.copy(answer, n);
    answer[n] = 0;
}

std::wstring Wide(const std::string& text)
{
    int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, NULL, 0);
    std::wstring wide(n > 0 ? n - 1 : 0, L'\0');
    if (n > 1)
        MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], n);
    return wide;
}

std::string Narrow(LPCWSTR text)
{
    int n = WideCharToMultiByte(CP_ACP, 0, text, -1, NULL, 0, NULL, NULL);
    std::string narrow(n > 0 ? n - 1 : 0, '\0');
    if (n > 1)
        WideCharToMultiByte(CP_ACP, 0, text, -1, &narrow[0], n, NULL, NULL);
    return narrow;
}

}  // namespace

MCIERROR WINAPI PlayerMciSendStringA(LPCSTR command, LPSTR answer, UINT length, HWND window)
{
    Decide();
    LogEvent("mci call \"%s\"", command ? command : "(null)");
    winmm::Reply reply;
    if (!command || !Serve(command, window, &reply)) {
        MCIERROR result = SystemSendString(command, answer, length, window);
        LogEvent("mci system result=%lu \"%s\"", (unsigned long)result, command ? command : "(null)");
        return result;
    }
    CopyAnswer(reply.text, answer, length);
    LogEvent("mci served result=%lu \"%s\" answer=\"%s\"", reply.code, command, reply.text.c_str());
    return reply.code;
}

MCIERROR WINAPI PlayerMciSendStringW(LPCWSTR command, LPWSTR answer, UINT length, HWND window)
{
    winmm::Reply reply;
    const std::string narrow = command ? Narrow(command) : std::string();
    if (!command || !Serve(narrow.c_str(), window, &reply)) {
        static const auto send = SystemFunctionAs<decltype(&mciSendStringW)>("mciSendStringW");
        return send ? send(command, answer, length, window) : MCIERR_CANNOT_LOAD_DRIVER;
    }
    CopyAnswer(Wide(reply.text), answer, length);
    LogEvent("mci served result=%lu \"%s\" answer=\"%s\"", reply.code, narrow.c_str(), reply.text.c_str());
    return reply.code;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        InitializeCriticalSection(&mciLock);
    } else if (reason == DLL_PROCESS_DETACH && reserved == NULL) {
        // Unloaded by FreeLibrary: no music plays now, since a playing
        // range holds the DLL. At the end of the process nothing is touched:
        // the system has ended every other thread, whatever it held.
        delete device;
        delete stream;
        DeleteCriticalSection(&mciLock);
    }
    return TRUE;
}
