// The stand-in's own bookkeeping: the calls it serves, the call log, scripted
// failures, problems.
#include <cstdio>
#include <map>

#include "host/internal.h"

namespace host {
namespace {

struct Failure {
    std::string name;
    uint32_t code;
    int times, skip;
    const void* object;
    int seen;  // matching calls so far
};

// Everything the stand-in knows about one run of the program.
struct Core {
    std::vector<Call> calls;
    bool recording = true;
    std::vector<Failure> failures;
    std::vector<std::string> problems;
    std::map<const void*, std::string> labels;
    std::function<void()> idleHook;
    int scriptedAnswers = 0;
};

Core& core()
{
    static Core state;
    return state;
}

// Every call the stand-in serves, and whether a test may script it: filled by
// the Sites at start-up, so it holds every call before any test runs.
std::map<std::string, bool>& KnownCalls()
{
    static std::map<std::string, bool> calls;
    return calls;
}

// Times the log was emptied, over all runs: an answer due to an entry that
// went with an emptied log is dropped.
uint64_t logClears = 0;

}  // namespace

void Reset()
{
    detail::ResetUser();
    detail::ResetDirectDraw();
    detail::ResetGdi();
    detail::ResetKernel();
    core() = Core();
    logClears += 1;
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

void ClearCalls()
{
    core().calls.clear();
    logClears += 1;
}

void SetRecording(bool on) { core().recording = on; }
void Label(const void* object, const std::string& name) { core().labels[object] = name; }

void FailCall(const std::string& name, uint32_t code, int times, int skip, const void* object)
{
    auto known = KnownCalls().find(name);
    if (known == KnownCalls().end())
        detail::Problem("a failure was asked of " + name + ", which is no call of the stand-in");
    else if (!known->second)
        detail::Problem("a failure was asked of " + name + ", which has no failure to give");
    core().failures.push_back(Failure{name, code, times, skip, object, 0});
}

void ClearFailures() { core().failures.clear(); }
const std::vector<std::string>& Problems() { return core().problems; }

std::string LeftBehind()
{
    Live live = LiveObjects();
    const std::pair<int, const char*> held[] = {
        {live.directDraws, "DirectDraw objects"}, {live.surfaces, "surfaces"},
        {live.palettes, "palettes"},              {live.deviceContexts, "memory device contexts"},
        {live.surfaceDCs, "surface device contexts"}, {live.bitmaps, "bitmaps"},
        {live.locks, "locks"},                    {live.files, "open files"},
    };
    std::string left;
    for (const auto& [count, what] : held)
        if (count)
            left += (left.empty() ? "still held: " : ", ") + std::to_string(count) + " " + what;
    const std::vector<std::string>& problems = core().problems;
    if (!problems.empty())
        left += (left.empty() ? "" : "; ") + std::to_string(problems.size()) + " problem(s), the first: " +
                problems.front();
    return left;
}
int ScriptedAnswers() { return core().scriptedAnswers; }
void SetIdleHook(std::function<void()> hook) { core().idleHook = std::move(hook); }

namespace detail {

void KnowCall(const char* name, bool scriptable) { KnownCalls()[name] = scriptable; }
bool Recording() { return core().recording; }

Entry Enter(const char* name, const void* object, std::string args)
{
    core().calls.push_back(Call{name, object ? Object(object) : std::string(), std::move(args), 0});
    return Entry{core().calls.size() - 1, logClears};
}

void Answered(const Entry& entry, uint64_t result)
{
    if (entry.clears == logClears && entry.index < core().calls.size())
        core().calls[entry.index].result = result;
}

bool TakeScript(const char* name, const void* object, uint32_t* code)
{
    for (Failure& failure : core().failures) {
        if (failure.name != name || (failure.object && failure.object != object))
            continue;
        int index = failure.seen++;
        if (index < failure.skip || (failure.times >= 0 && index >= failure.skip + failure.times))
            continue;
        *code = failure.code;
        core().scriptedAnswers += 1;
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
    auto label = core().labels.find(object);
    return label == core().labels.end() ? Hex((uintptr_t)object) : label->second;
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
