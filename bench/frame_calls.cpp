#include "bench/frame_calls.h"

#include <cstdio>

#include "base/intro_state.h"
#include "host/host.h"
#include "intro/intro.h"
#include "testkit/session.h"

namespace {

// "x, y, sheet, {l,t,r,b}, flags", as the stand-in logs a BltFast.
bool ReadBltFast(const std::string& args, DrawCall* call)
{
    int x, y;
    int32_t* s = call->source;
    if (std::sscanf(args.c_str(), "%d, %d, sheet, {%d,%d,%d,%d}, 0x%X", &x, &y, &s[0], &s[1], &s[2], &s[3],
                    (unsigned*)&call->flags) != 7)
        return false;
    call->kind = kBltFast;
    call->target[0] = x;
    call->target[1] = y;
    call->target[2] = x + s[2] - s[0];
    call->target[3] = y + s[3] - s[1];
    return true;
}

// "{l,t,r,b}, sheet, {l,t,r,b}, flags, fx(size)", as the stand-in logs a Blt.
bool ReadBlt(const std::string& args, DrawCall* call)
{
    int32_t *t = call->target, *s = call->source;
    if (std::sscanf(args.c_str(), "{%d,%d,%d,%d}, sheet, {%d,%d,%d,%d}, 0x%X", &t[0], &t[1], &t[2], &t[3],
                    &s[0], &s[1], &s[2], &s[3], (unsigned*)&call->flags) != 9)
        return false;
    call->kind = kBlt;
    return true;
}

// The frame's drawing calls from the log; false at a call it cannot read.
bool ReadFrame(FrameCalls* frame, std::string* error)
{
    for (const host::Call& logged : host::Calls()) {
        DrawCall call = {};
        bool read = true;
        if (logged.name == "IDirectDrawSurface::BltFast")
            read = ReadBltFast(logged.args, &call);
        else if (logged.name == "IDirectDrawSurface::Blt")
            read = ReadBlt(logged.args, &call);
        else if (logged.name == "IDirectDrawSurface::Flip")
            call.kind = kFlip;
        else
            continue;
        if (!read) {
            *error = "cannot read the logged call " + logged.name + "(" + logged.args + ")";
            return false;
        }
        frame->calls.push_back(call);
    }
    return true;
}

}  // namespace

bool StartHostIntro()
{
    std::vector<uint8_t> sheet = kit::ReadFileBytes(kit::ProjectSheetPath());
    if (sheet.empty())
        return false;
    kit::PrepareIntro(sheet);
    host::SetRecording(false);
    return kit::StartIntro() == 1;
}

std::vector<FrameCalls> RecordFrames(long first, long last, std::string* error)
{
    std::vector<FrameCalls> frames;
    while (intro.frameCount < last) {
        bool wanted = intro.frameCount + 1 >= first;
        host::SetRecording(wanted);
        host::ClearCalls();
        RenderFrame();
        if (!wanted)
            continue;
        frames.push_back(FrameCalls{intro.frameCount, {}});
        if (!ReadFrame(&frames.back(), error))
            return {};
    }
    host::SetRecording(false);
    host::ClearCalls();
    return frames;
}
