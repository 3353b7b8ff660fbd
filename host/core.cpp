// The stand-in's own bookkeeping: the call log, scripted failures, problems.
#include <cstdio>
#include <map>
#include <set>

#include "host/internal.h"

namespace host {
namespace {

// Everything the stand-in knows about one run of the program.
struct Core {
    std::vector<Call> calls;
    bool recording = true;
    std::vector<Failure> failures;
    std::vector<int> seen;  // matching calls seen per failure
    std::vector<std::string> problems;
    std::map<const void*, std::string> labels;
    std::function<void()> idleHook;
    int scriptedAnswers = 0;
};

// The calls that look for a scripted answer. A script for any other call would
// never be taken, so asking for one is reported instead of silently ignored.
const std::set<std::string>& ScriptableCalls()
{
    static const std::set<std::string> names = {
        "CreateCompatibleDC", "CreateProcessA", "CreateWindowExA", "DeleteDC", "DeleteObject",
        "DestroyWindow", "DirectDrawCreate", "FindResourceA", "GetEnvironmentVariableA",
        "GetFileAttributesA", "GetMessageA", "GetModuleHandleA", "GetObjectA", "GetPixel",
        "GetStockObject", "GetSystemMetrics", "IDirectDraw::CreatePalette", "IDirectDraw::CreateSurface",
        "IDirectDraw::SetCooperativeLevel", "IDirectDraw::SetDisplayMode", "IDirectDrawSurface::Blt",
        "IDirectDrawSurface::BltFast", "IDirectDrawSurface::Flip", "IDirectDrawSurface::GetAttachedSurface",
        "IDirectDrawSurface::GetDC", "IDirectDrawSurface::GetSurfaceDesc", "IDirectDrawSurface::Lock",
        "IDirectDrawSurface::ReleaseDC", "IDirectDrawSurface::Restore", "IDirectDrawSurface::SetColorKey",
        "IDirectDrawSurface::SetPalette", "IDirectDrawSurface::Unlock", "LoadCursorA", "LoadIconA",
        "LoadImageA", "LoadResource", "LockResource", "MessageBoxA", "PostMessageA", "RegisterClassA",
        "SelectObject", "SetPixel", "ShowWindow", "SizeofResource", "StretchBlt", "TranslateMessage",
        "UpdateWindow", "WaitMessage", "_lclose", "_lopen", "_lread", "mciSendStringA",
    };
    return names;
}

Core& core()
{
    static Core state;
    return state;
}

}  // namespace

void Reset()
{
    detail::ResetUser();
    detail::ResetDirectDraw();
    detail::ResetGdi();
    detail::ResetKernel();
    core() = Core();
}

const std::vector<Call>& Calls() { return core().calls; }

std::vector<Call> CallsNamed(const std::string& name)
{
    std::vector<Call> named;
    for (const Call& call : core().calls)
        if (call.name == name)
            named.push_back(call);
    return named;
}

std::vector<std::string> CallNames()
{
    std::vector<std::string> names;
    for (const Call& call : core().calls)
        names.push_back(call.name);
    return names;
}

void ClearCalls() { core().calls.clear(); }
void SetRecording(bool on) { core().recording = on; }
void Label(const void* object, const std::string& name) { core().labels[object] = name; }

std::string LabelOf(const void* object)
{
    auto found = core().labels.find(object);
    return found == core().labels.end() ? std::string() : found->second;
}

void Fail(const Failure& failure)
{
    if (!ScriptableCalls().count(failure.name))
        detail::Problem("a failure was asked of " + failure.name + ", which the stand-in cannot make fail");
    core().failures.push_back(failure);
    core().seen.push_back(0);
}

void FailCall(const std::string& name, uint32_t code, int times, int skip, const void* object)
{
    Failure failure;
    failure.name = name;
    failure.code = code;
    failure.times = times;
    failure.skip = skip;
    failure.object = object;
    Fail(failure);
}

void ClearFailures()
{
    core().failures.clear();
    core().seen.clear();
}

const std::vector<std::string>& Problems() { return core().problems; }
int ScriptedAnswers() { return core().scriptedAnswers; }
void SetIdleHook(std::function<void()> hook) { core().idleHook = std::move(hook); }

namespace detail {

bool Recording() { return core().recording; }

void RecordText(const char* name, const void* object, const std::string& args, uint64_t result)
{
    if (!core().recording)
        return;
    core().calls.push_back(Call{name, object ? Object(object) : std::string(), args, result});
}

bool Scripted(const char* name, const void* object, uint32_t* code)
{
    Core& state = core();
    for (size_t i = 0; i < state.failures.size(); ++i) {
        const Failure& failure = state.failures[i];
        if (failure.name != name || (failure.object && failure.object != object))
            continue;
        int index = state.seen[i]++;
        if (index < failure.skip)
            continue;
        if (failure.times >= 0 && index >= failure.skip + failure.times)
            continue;
        *code = failure.code;
        state.scriptedAnswers += 1;
        return true;
    }
    return false;
}

void Problem(const std::string& what)
{
    std::fprintf(stderr, "host stand-in: %s\n", what.c_str());
    core().problems.push_back(what);
}

void RunIdleHook()
{
    if (core().idleHook)
        core().idleHook();
}

std::string Text(const char* text)
{
    if (!text)
        return "null";
    if (IS_INTRESOURCE(text))
        return "#" + std::to_string((unsigned)(uintptr_t)text);
    return "\"" + std::string(text) + "\"";
}

std::string Hex(uint64_t value)
{
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "0x%llX", (unsigned long long)value);
    return buffer;
}

std::string Object(const void* object)
{
    if (!object)
        return "null";
    std::string label = LabelOf(object);
    return label.empty() ? Hex((uintptr_t)object) : label;
}

std::string Rect(const RECT* rect)
{
    if (!rect)
        return "null";
    return "{" + Num(rect->left) + "," + Num(rect->top) + "," + Num(rect->right) + "," +
           Num(rect->bottom) + "}";
}

}  // namespace detail
}  // namespace host
