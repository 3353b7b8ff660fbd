// The player's winmm.dll: the CD music of intro.exe, and of the game it
// hands over to, without a CD drive.
//
// intro.exe cues track 5 of the audio CD through mciSendStringA; the game
// drives the CD through mciSendCommand as well, and sets its volume through
// the aux functions. When this DLL lies beside a program it serves (the
// setting "program"), with a music folder that holds tracks
// (music\trackNN.wav or music\trackNN.ogg), the cdaudio commands of both
// forms are answered here and the tracks stream from the files through the
// system's waveOut; with no such folder, for any other program, and for every
// other command, the system's own winmm.dll answers, unchanged. Every other
// export of winmm passes through.
#include <windows.h>
#include <mmsystem.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "player/common/passthrough.h"
#include "player/common/settings.h"
#include "player/winmm/settings_table.h"
#include "player/winmm/cd_device.h"
#include "player/winmm/device_ids.h"
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
static_assert(winmm::kMciErrInvalidDeviceId == MCIERR_INVALID_DEVICE_ID, "");
static_assert(winmm::kMciErrFlagsNotCompatible == MCIERR_FLAGS_NOT_COMPATIBLE, "");
static_assert(winmm::kMciErrBadTimeFormat == MCIERR_BAD_TIME_FORMAT, "");
static_assert(winmm::kMciErrNoIdentity == MCIERR_NO_IDENTITY, "");
static_assert(winmm::kMciOpen == MCI_OPEN && winmm::kMciClose == MCI_CLOSE && winmm::kMciPlay == MCI_PLAY &&
                  winmm::kMciSeek == MCI_SEEK && winmm::kMciStop == MCI_STOP && winmm::kMciPause == MCI_PAUSE &&
                  winmm::kMciInfo == MCI_INFO && winmm::kMciGetDevCaps == MCI_GETDEVCAPS && winmm::kMciSet == MCI_SET &&
                  winmm::kMciStep == MCI_STEP && winmm::kMciRecord == MCI_RECORD && winmm::kMciSysInfo == MCI_SYSINFO &&
                  winmm::kMciSave == MCI_SAVE && winmm::kMciStatus == MCI_STATUS && winmm::kMciResume == MCI_RESUME,
              "");
static_assert(winmm::kMciNotify == MCI_NOTIFY && winmm::kMciWait == MCI_WAIT && winmm::kMciFrom == MCI_FROM &&
                  winmm::kMciTo == MCI_TO && winmm::kMciTrack == MCI_TRACK && winmm::kOpenShareable == MCI_OPEN_SHAREABLE &&
                  winmm::kOpenElement == MCI_OPEN_ELEMENT && winmm::kOpenAlias == MCI_OPEN_ALIAS &&
                  winmm::kOpenTypeId == MCI_OPEN_TYPE_ID && winmm::kOpenType == MCI_OPEN_TYPE &&
                  winmm::kSeekToStart == MCI_SEEK_TO_START && winmm::kSeekToEnd == MCI_SEEK_TO_END &&
                  winmm::kStatusItem == MCI_STATUS_ITEM && winmm::kStatusStart == MCI_STATUS_START,
              "");
static_assert(winmm::kSetDoorOpen == MCI_SET_DOOR_OPEN && winmm::kSetDoorClosed == MCI_SET_DOOR_CLOSED &&
                  winmm::kSetTimeFormat == MCI_SET_TIME_FORMAT && winmm::kSetAudio == MCI_SET_AUDIO &&
                  winmm::kSetVideo == MCI_SET_VIDEO && winmm::kSetOn == MCI_SET_ON && winmm::kSetOff == MCI_SET_OFF &&
                  winmm::kInfoProduct == MCI_INFO_PRODUCT && winmm::kInfoFile == MCI_INFO_FILE &&
                  winmm::kInfoUpc == MCI_INFO_MEDIA_UPC && winmm::kInfoIdentity == MCI_INFO_MEDIA_IDENTITY &&
                  winmm::kGetDevCapsItem == MCI_GETDEVCAPS_ITEM && winmm::kSysInfoQuantity == MCI_SYSINFO_QUANTITY &&
                  winmm::kSysInfoOpen == MCI_SYSINFO_OPEN && winmm::kSysInfoName == MCI_SYSINFO_NAME &&
                  winmm::kSysInfoInstallName == MCI_SYSINFO_INSTALLNAME,
              "");
static_assert(winmm::kStatusLength == MCI_STATUS_LENGTH && winmm::kStatusPosition == MCI_STATUS_POSITION &&
                  winmm::kStatusNumberOfTracks == MCI_STATUS_NUMBER_OF_TRACKS && winmm::kStatusMode == MCI_STATUS_MODE &&
                  winmm::kStatusMediaPresent == MCI_STATUS_MEDIA_PRESENT &&
                  winmm::kStatusTimeFormat == MCI_STATUS_TIME_FORMAT && winmm::kStatusReady == MCI_STATUS_READY &&
                  winmm::kStatusCurrentTrack == MCI_STATUS_CURRENT_TRACK &&
                  winmm::kStatusTypeTrack == MCI_CDA_STATUS_TYPE_TRACK,
              "");
static_assert(winmm::kCapsCanRecord == MCI_GETDEVCAPS_CAN_RECORD && winmm::kCapsHasAudio == MCI_GETDEVCAPS_HAS_AUDIO &&
                  winmm::kCapsHasVideo == MCI_GETDEVCAPS_HAS_VIDEO &&
                  winmm::kCapsDeviceType == MCI_GETDEVCAPS_DEVICE_TYPE &&
                  winmm::kCapsUsesFiles == MCI_GETDEVCAPS_USES_FILES &&
                  winmm::kCapsCompoundDevice == MCI_GETDEVCAPS_COMPOUND_DEVICE &&
                  winmm::kCapsCanEject == MCI_GETDEVCAPS_CAN_EJECT && winmm::kCapsCanPlay == MCI_GETDEVCAPS_CAN_PLAY &&
                  winmm::kCapsCanSave == MCI_GETDEVCAPS_CAN_SAVE,
              "");
static_assert(winmm::kModeNotReady == MCI_MODE_NOT_READY && winmm::kModeStop == MCI_MODE_STOP &&
                  winmm::kModePlay == MCI_MODE_PLAY && winmm::kModePause == MCI_MODE_PAUSE &&
                  winmm::kFormatMilliseconds == MCI_FORMAT_MILLISECONDS && winmm::kFormatMsf == MCI_FORMAT_MSF &&
                  winmm::kFormatTmsf == MCI_FORMAT_TMSF && winmm::kDevTypeCdAudio == MCI_DEVTYPE_CD_AUDIO &&
                  winmm::kTrackAudio == MCI_CDA_TRACK_AUDIO && winmm::kTrackOther == MCI_CDA_TRACK_OTHER &&
                  winmm::kAllDevices == MCI_ALL_DEVICE_ID,
              "");
static_assert(winmm::kNotifySuccessful == MCI_NOTIFY_SUCCESSFUL && winmm::kNotifySuperseded == MCI_NOTIFY_SUPERSEDED &&
                  winmm::kNotifyAborted == MCI_NOTIFY_ABORTED,
              "");

extern "C" {
MCIERROR WINAPI PlayerMciSendStringA(LPCSTR command, LPSTR answer, UINT length, HWND window);
MCIERROR WINAPI PlayerMciSendStringW(LPCWSTR command, LPWSTR answer, UINT length, HWND window);
MCIERROR WINAPI PlayerMciSendCommandA(MCIDEVICEID id, UINT message, DWORD_PTR flags, DWORD_PTR block);
MCIERROR WINAPI PlayerMciSendCommandW(MCIDEVICEID id, UINT message, DWORD_PTR flags, DWORD_PTR block);
MCIDEVICEID WINAPI PlayerMciGetDeviceIDA(LPCSTR name);
MCIDEVICEID WINAPI PlayerMciGetDeviceIDW(LPCWSTR name);
UINT WINAPI PlayerAuxGetNumDevs(void);
MMRESULT WINAPI PlayerAuxGetDevCapsA(UINT_PTR id, LPAUXCAPSA caps, UINT size);
MMRESULT WINAPI PlayerAuxGetDevCapsW(UINT_PTR id, LPAUXCAPSW caps, UINT size);
MMRESULT WINAPI PlayerAuxGetVolume(UINT id, LPDWORD volume);
MMRESULT WINAPI PlayerAuxSetVolume(UINT id, DWORD volume);
MMRESULT WINAPI PlayerAuxOutMessage(UINT id, UINT message, DWORD_PTR first, DWORD_PTR second);
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

// Whether a command string names every open device ("close all"): the
// served device takes it, and the system's devices too.
bool NamesAll(const char* command)
{
    winmm::Command split;
    unsigned long error = 0;
    winmm::SplitCommand(command, &split, &error);
    return split.device == "all" && split.verb != "sysinfo";
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

// Under mciLock: the IDs the program sees for the system's devices.
winmm::DeviceIds deviceIds;

// Whether the system's MCI has given an ID itself.
bool SystemHasId(unsigned id)
{
    static const auto creator = SystemFunctionAs<decltype(&mciGetCreatorTask)>("mciGetCreatorTask");
    return creator && creator(id) != NULL;
}

// The ID the program is to see for a device the system gave `systemId`.
unsigned ShowSystemId(unsigned systemId)
{
    EnterCriticalSection(&mciLock);
    winmm::CdDevice* served = ServedDevice();
    const unsigned shown = deviceIds.Shown(systemId, served ? served->OpenId() : 0, SystemHasId);
    LeaveCriticalSection(&mciLock);
    return shown;
}

// The program has closed a device of the system's it knew by `id`.
void ForgetShownId(unsigned id)
{
    EnterCriticalSection(&mciLock);
    if (id == MCI_ALL_DEVICE_ID)
        deviceIds = winmm::DeviceIds();
    else
        deviceIds.Closed(id);
    LeaveCriticalSection(&mciLock);
}

// The system's answer to "open ...", its device's ID, as the program is to see it.
template <typename Char>
void ShowOpenedId(const char* command, MCIERROR result, Char* answer, UINT length)
{
    winmm::Command split;
    unsigned long error = 0;
    winmm::SplitCommand(command, &split, &error);
    if (result != 0 || split.verb != "open" || !answer || answer[0] < '0' || answer[0] > '9')
        return;
    unsigned systemId = 0;
    for (const Char* digit = answer; *digit >= '0' && *digit <= '9'; ++digit)
        systemId = systemId * 10 + (unsigned)(*digit - '0');
    const std::string shown = std::to_string(ShowSystemId(systemId));
    CopyAnswer(std::basic_string<Char>(shown.begin(), shown.end()), answer, length);
}

// "close all" and the like: the served device's answer, when it has one;
// the caller sends the command on to the system all the same.
void ServeAll(const char* command, HWND window, winmm::Reply* reply)
{
    EnterCriticalSection(&mciLock);
    winmm::CdDevice* served = ServedDevice();
    if (served)
        *reply = served->Execute(command, reinterpret_cast<uintptr_t>(window));
    LeaveCriticalSection(&mciLock);
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
    if (command && NamesAll(command)) {
        ServeAll(command, window, &reply);
        MCIERROR result = SystemSendString(command, answer, length, window);
        LogEvent("mci all served=%lu system=%lu \"%s\"", reply.code, (unsigned long)result, command);
        return reply.code != 0 ? reply.code : result;
    }
    if (!command || !Serve(command, window, &reply)) {
        MCIERROR result = SystemSendString(command, answer, length, window);
        if (command)
            ShowOpenedId(command, result, answer, length);
        LogEvent("mci system result=%lu \"%s\"", (unsigned long)result, command ? command : "(null)");
        return result;
    }
    CopyAnswer(reply.text, answer, length);
    LogEvent("mci served result=%lu \"%s\" answer=\"%s\"", reply.code, command, reply.text.c_str());
    return reply.code;
}

MCIERROR WINAPI PlayerMciSendStringW(LPCWSTR command, LPWSTR answer, UINT length, HWND window)
{
    static const auto send = SystemFunctionAs<decltype(&mciSendStringW)>("mciSendStringW");
    winmm::Reply reply;
    const std::string narrow = command ? Narrow(command) : std::string();
    if (command && NamesAll(narrow.c_str())) {
        ServeAll(narrow.c_str(), window, &reply);
        MCIERROR result = send ? send(command, answer, length, window) : MCIERR_CANNOT_LOAD_DRIVER;
        return reply.code != 0 ? reply.code : result;
    }
    if (!command || !Serve(narrow.c_str(), window, &reply)) {
        MCIERROR result = send ? send(command, answer, length, window) : MCIERR_CANNOT_LOAD_DRIVER;
        if (command)
            ShowOpenedId(narrow.c_str(), result, answer, length);
        return result;
    }
    CopyAnswer(Wide(reply.text), answer, length);
    LogEvent("mci served result=%lu \"%s\" answer=\"%s\"", reply.code, narrow.c_str(), reply.text.c_str());
    return reply.code;
}

// ---- mciSendCommand: the binary form -----------------------------------------------

namespace {

// The parameter blocks of each character width.
template <typename Char>
struct Blocks;
template <>
struct Blocks<char> {
    using Open = MCI_OPEN_PARMSA;
    using Info = MCI_INFO_PARMSA;
    using SysInfo = MCI_SYSINFO_PARMSA;
};
template <>
struct Blocks<wchar_t> {
    using Open = MCI_OPEN_PARMSW;
    using Info = MCI_INFO_PARMSW;
    using SysInfo = MCI_SYSINFO_PARMSW;
};

std::string Text(LPCSTR text)
{
    return text ? std::string(text) : std::string();
}

std::string Text(LPCWSTR text)
{
    return text ? Narrow(text) : std::string();
}

std::basic_string<char> InWidth(const std::string& text, char*)
{
    return text;
}

std::basic_string<wchar_t> InWidth(const std::string& text, wchar_t*)
{
    return Wide(text);
}

// The fields of a message's parameter block; false when it has none and needs one.
template <typename Char>
bool ReadBlock(UINT message, DWORD flags, DWORD_PTR block, winmm::McParams* p)
{
    // These take their block for a callback alone, and programs often give none.
    if (!block)
        return message == MCI_CLOSE || message == MCI_STOP || message == MCI_PAUSE || message == MCI_RESUME;
    p->callback = reinterpret_cast<MCI_GENERIC_PARMS*>(block)->dwCallback;
    switch (message) {
    case MCI_OPEN: {
        auto* open = reinterpret_cast<typename Blocks<Char>::Open*>(block);
        if (flags & MCI_OPEN_TYPE_ID)
            p->deviceType = (uint32_t)reinterpret_cast<DWORD_PTR>(open->lpstrDeviceType);
        else if (flags & MCI_OPEN_TYPE)
            p->type = Text(open->lpstrDeviceType);
        if ((flags & MCI_OPEN_ELEMENT) && !(flags & MCI_OPEN_ELEMENT_ID))
            p->element = Text(open->lpstrElementName);
        if (flags & MCI_OPEN_ALIAS)
            p->alias = Text(open->lpstrAlias);
        break;
    }
    case MCI_PLAY: {
        auto* play = reinterpret_cast<MCI_PLAY_PARMS*>(block);
        p->from = play->dwFrom;
        p->to = play->dwTo;
        break;
    }
    case MCI_SEEK: p->to = reinterpret_cast<MCI_SEEK_PARMS*>(block)->dwTo; break;
    case MCI_STATUS: {
        auto* status = reinterpret_cast<MCI_STATUS_PARMS*>(block);
        p->item = status->dwItem;
        p->track = status->dwTrack;
        break;
    }
    case MCI_SET: {
        auto* set = reinterpret_cast<MCI_SET_PARMS*>(block);
        p->timeFormat = set->dwTimeFormat;
        p->audio = set->dwAudio;
        break;
    }
    case MCI_GETDEVCAPS: p->item = reinterpret_cast<MCI_GETDEVCAPS_PARMS*>(block)->dwItem; break;
    case MCI_SYSINFO: {
        auto* sysinfo = reinterpret_cast<typename Blocks<Char>::SysInfo*>(block);
        p->number = sysinfo->dwNumber;
        p->deviceType = sysinfo->wDeviceType;
        break;
    }
    default: break;
    }
    return true;
}

// A text answer into the caller's buffer of `size` characters; cut short
// with MCIERR_PARAM_OVERFLOW when it does not fit, as MCI does.
template <typename Char>
MCIERROR CopyText(const std::string& text, Char* into, DWORD size)
{
    if (!into || size == 0)
        return MCIERR_PARAM_OVERFLOW;
    const std::basic_string<Char> wide = InWidth(text, (Char*)nullptr);
    CopyAnswer(wide, into, size);
    return wide.size() < size ? 0 : MCIERR_PARAM_OVERFLOW;
}

// The device's answer put back in the block; the result mciSendCommand gives.
template <typename Char>
MCIERROR WriteBlock(UINT message, DWORD flags, const winmm::McParams& p, unsigned long answer, DWORD_PTR block)
{
    // The caller gets a resource's value alone; the high word says how a string would write it.
    const DWORD value = (answer & winmm::kResourceReturned) ? LOWORD(p.result) : p.result;
    const MCIERROR code = LOWORD(answer);
    if (code != 0 || !block)
        return code;
    switch (message) {
    case MCI_OPEN: reinterpret_cast<typename Blocks<Char>::Open*>(block)->wDeviceID = p.deviceId; break;
    case MCI_STATUS: reinterpret_cast<MCI_STATUS_PARMS*>(block)->dwReturn = value; break;
    case MCI_GETDEVCAPS: reinterpret_cast<MCI_GETDEVCAPS_PARMS*>(block)->dwReturn = value; break;
    case MCI_INFO: {
        auto* info = reinterpret_cast<typename Blocks<Char>::Info*>(block);
        return CopyText(p.text, info->lpstrReturn, info->dwRetSize);
    }
    case MCI_SYSINFO: {
        auto* sysinfo = reinterpret_cast<typename Blocks<Char>::SysInfo*>(block);
        if (!(flags & MCI_SYSINFO_QUANTITY))
            return CopyText(p.text, sysinfo->lpstrReturn, sysinfo->dwRetSize);
        if (!sysinfo->lpstrReturn || sysinfo->dwRetSize * sizeof(Char) < sizeof(DWORD))
            return MCIERR_PARAM_OVERFLOW;
        *reinterpret_cast<DWORD*>(sysinfo->lpstrReturn) = p.result;
        break;
    }
    default: break;
    }
    return 0;
}

// The served device's answer to a binary command, or false when the system is to answer it.
template <typename Char>
bool ServeCommand(MCIDEVICEID id, UINT message, DWORD flags, DWORD_PTR block, MCIERROR* result)
{
    winmm::McParams params;
    const bool read = ReadBlock<Char>(message, flags, block, &params);
    EnterCriticalSection(&mciLock);
    winmm::CdDevice* served = ServedDevice();
    const bool serves = served && (read ? served->Serves(id, message, flags, params)
                                        : served->DeviceIdOf("cdaudio") == id && id != 0);
    unsigned long answer = MCIERR_NULL_PARAMETER_BLOCK;
    if (serves && read)
        answer = served->Command(id, message, flags, &params);
    LeaveCriticalSection(&mciLock);
    if (!serves)
        return false;
    *result = WriteBlock<Char>(message, flags, params, answer, block);
    LogEvent("mci served command 0x%x to %u flags=0x%lx result=%lu", message, id, (unsigned long)flags,
             (unsigned long)*result);
    // MCI_WAIT on a play waits outside the lock, so another thread may stop it.
    if (message == MCI_PLAY && (flags & MCI_WAIT) && *result == 0)
        stream->WaitUntilEnded();
    return true;
}

template <typename Char, typename Send>
MCIERROR SendCommand(MCIDEVICEID id, UINT message, DWORD_PTR flags, DWORD_PTR block, Send* send)
{
    Decide();
    MCIERROR served = 0;
    const bool serves = ServeCommand<Char>(id, message, (DWORD)flags, block, &served);
    // MCI_ALL_DEVICE_ID reaches the system's devices as well as the served one.
    if (serves && id != MCI_ALL_DEVICE_ID)
        return served;
    const MCIDEVICEID systemId = id == MCI_ALL_DEVICE_ID ? id : SystemDeviceId(id);
    MCIERROR result = send ? send(systemId, message, flags, block) : MCIERR_CANNOT_LOAD_DRIVER;
    if (result == 0 && message == MCI_OPEN && block) {
        auto* open = reinterpret_cast<typename Blocks<Char>::Open*>(block);
        open->wDeviceID = ShowSystemId(open->wDeviceID);
    }
    if (result == 0 && message == MCI_CLOSE)
        ForgetShownId(id);
    return served != 0 ? served : result;
}

}  // namespace

MCIERROR WINAPI PlayerMciSendCommandA(MCIDEVICEID id, UINT message, DWORD_PTR flags, DWORD_PTR block)
{
    static const auto send =
        SystemFunctionAs<decltype(&mciSendCommandA)>("mciSendCommandA");
    return SendCommand<char>(id, message, flags, block, send);
}

MCIERROR WINAPI PlayerMciSendCommandW(MCIDEVICEID id, UINT message, DWORD_PTR flags, DWORD_PTR block)
{
    static const auto send =
        SystemFunctionAs<decltype(&mciSendCommandW)>("mciSendCommandW");
    return SendCommand<wchar_t>(id, message, flags, block, send);
}

// The served device's ID by its alias or type name, or the system's answer.
static MCIDEVICEID ServedIdOf(const std::string& name)
{
    Decide();
    EnterCriticalSection(&mciLock);
    winmm::CdDevice* served = ServedDevice();
    const MCIDEVICEID id = served ? served->DeviceIdOf(name) : 0;
    LeaveCriticalSection(&mciLock);
    return id;
}

MCIDEVICEID WINAPI PlayerMciGetDeviceIDA(LPCSTR name)
{
    static const auto get =
        SystemFunctionAs<decltype(&mciGetDeviceIDA)>("mciGetDeviceIDA");
    const MCIDEVICEID id = name ? ServedIdOf(name) : 0;
    return id ? id : get ? ShowSystemId(get(name)) : 0;
}

MCIDEVICEID WINAPI PlayerMciGetDeviceIDW(LPCWSTR name)
{
    static const auto get =
        SystemFunctionAs<decltype(&mciGetDeviceIDW)>("mciGetDeviceIDW");
    const MCIDEVICEID id = name ? ServedIdOf(Narrow(name)) : 0;
    return id ? id : get ? ShowSystemId(get(name)) : 0;
}

// ---- The aux functions: a CD-audio aux device ------------------------------------------
//
// While the music folder serves, aux device 0 is the CD's own, so that a game
// that takes the first with AUXCAPS_CDAUDIO finds it; the system's aux devices
// follow it, each one number up from the system's.

namespace {

// Whether the CD-audio aux device is offered: the folder serves this program.
bool OffersAux()
{
    Decide();
    EnterCriticalSection(&mciLock);
    const bool offers = ServedDevice() != nullptr;
    LeaveCriticalSection(&mciLock);
    return offers;
}


template <typename Caps>
MMRESULT CdAuxCaps(Caps* caps, UINT size)
{
    if (!caps)
        return MMSYSERR_INVALPARAM;
    Caps ours = {};
    ours.wMid = 1;  // MM_MICROSOFT
    ours.vDriverVersion = 0x0100;
    const char name[] = "CD Audio";
    for (size_t i = 0; i < sizeof name; ++i)
        ours.szPname[i] = name[i];
    ours.wTechnology = AUXCAPS_CDAUDIO;
    // One level for both channels: the low word of a volume.
    ours.dwSupport = AUXCAPS_VOLUME;
    memcpy(caps, &ours, size < sizeof ours ? size : sizeof ours);
    return MMSYSERR_NOERROR;
}

}  // namespace

UINT WINAPI PlayerAuxGetNumDevs(void)
{
    static const auto get = SystemFunctionAs<decltype(&auxGetNumDevs)>("auxGetNumDevs");
    const UINT system = get ? get() : 0;
    return OffersAux() ? system + 1 : system;
}

MMRESULT WINAPI PlayerAuxGetDevCapsA(UINT_PTR id, LPAUXCAPSA caps, UINT size)
{
    static const auto get = SystemFunctionAs<decltype(&auxGetDevCapsA)>("auxGetDevCapsA");
    const bool offers = OffersAux();
    if (offers && id == 0)
        return CdAuxCaps(caps, size);
    return get ? get(offers ? id - 1 : id, caps, size) : MMSYSERR_BADDEVICEID;
}

MMRESULT WINAPI PlayerAuxGetDevCapsW(UINT_PTR id, LPAUXCAPSW caps, UINT size)
{
    static const auto get = SystemFunctionAs<decltype(&auxGetDevCapsW)>("auxGetDevCapsW");
    const bool offers = OffersAux();
    if (offers && id == 0)
        return CdAuxCaps(caps, size);
    return get ? get(offers ? id - 1 : id, caps, size) : MMSYSERR_BADDEVICEID;
}

MMRESULT WINAPI PlayerAuxGetVolume(UINT id, LPDWORD volume)
{
    static const auto get = SystemFunctionAs<decltype(&auxGetVolume)>("auxGetVolume");
    const bool offers = OffersAux();
    if (offers && id == 0) {
        if (!volume)
            return MMSYSERR_INVALPARAM;
        *volume = CdAuxVolume();
        return MMSYSERR_NOERROR;
    }
    return get ? get(offers ? id - 1 : id, volume) : MMSYSERR_BADDEVICEID;
}

MMRESULT WINAPI PlayerAuxSetVolume(UINT id, DWORD volume)
{
    static const auto set = SystemFunctionAs<decltype(&auxSetVolume)>("auxSetVolume");
    const bool offers = OffersAux();
    if (offers && id == 0) {
        SetCdAuxVolume(volume);
        LogEvent("aux CD volume set to 0x%08lx", (unsigned long)volume);
        return MMSYSERR_NOERROR;
    }
    return set ? set(offers ? id - 1 : id, volume) : MMSYSERR_BADDEVICEID;
}

MMRESULT WINAPI PlayerAuxOutMessage(UINT id, UINT message, DWORD_PTR first, DWORD_PTR second)
{
    static const auto out = SystemFunctionAs<decltype(&auxOutMessage)>("auxOutMessage");
    const bool offers = OffersAux();
    if (offers && id == 0)
        return MMSYSERR_NOTSUPPORTED;
    return out ? out(offers ? id - 1 : id, message, first, second) : MMSYSERR_BADDEVICEID;
}

unsigned SystemDeviceId(unsigned programId)
{
    EnterCriticalSection(&mciLock);
    const unsigned id = deviceIds.ToSystem(programId);
    LeaveCriticalSection(&mciLock);
    return id;
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
