// The binary commands the served device gives the system's own cdaudio
// device, for a track without a file: each put in the parameter block its
// message takes, for the system's mciSendCommandA, and what it answers put back.
#include <windows.h>
#include <mmsystem.h>

#include "player/common/passthrough.h"
#include "player/winmm/wave_stream.h"

namespace {

MCIERROR Send(MCIDEVICEID deviceId, UINT message, DWORD flags, void* block)
{
    static const auto send = SystemFunctionAs<decltype(&mciSendCommandA)>("mciSendCommandA");
    return send ? send(deviceId, message, flags, reinterpret_cast<DWORD_PTR>(block)) : MCIERR_CANNOT_LOAD_DRIVER;
}

MCIERROR Open(DWORD flags, winmm::McParams* params)
{
    MCI_OPEN_PARMSA open = {};
    open.dwCallback = params->callback;
    open.lpstrDeviceType = params->type.c_str();
    MCIERROR result = Send(0, MCI_OPEN, flags, &open);
    params->deviceId = open.wDeviceID;
    return result;
}

}  // namespace

unsigned long SystemSendCommand(unsigned deviceId, unsigned message, uint32_t flags, winmm::McParams* params)
{
    winmm::McParams none;
    if (!params)
        params = &none;
    switch (message) {
    case MCI_OPEN: return Open(flags, params);
    case MCI_PLAY: {
        MCI_PLAY_PARMS play = {params->callback, params->from, params->to};
        return Send(deviceId, message, flags, &play);
    }
    case MCI_SEEK: {
        MCI_SEEK_PARMS seek = {params->callback, params->to};
        return Send(deviceId, message, flags, &seek);
    }
    case MCI_STATUS: {
        MCI_STATUS_PARMS status = {params->callback, 0, params->item, params->track};
        MCIERROR result = Send(deviceId, message, flags, &status);
        params->result = (uint32_t)status.dwReturn;
        return result;
    }
    case MCI_SET: {
        MCI_SET_PARMS set = {params->callback, params->timeFormat, params->audio};
        return Send(deviceId, message, flags, &set);
    }
    default: {
        MCI_GENERIC_PARMS generic = {params->callback};
        return Send(deviceId, message, flags, &generic);
    }
    }
}
