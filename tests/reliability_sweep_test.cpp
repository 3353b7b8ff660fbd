// The fault sweep: the whole program, once for every platform call it makes
// failing with every answer that call can plausibly give, at its first
// occurrence, a middle one and all of them. Every run must still end the
// way it should (reliability_run.h says what that is).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <set>

#include "tests/reliability_run.h"

namespace {

using reliability::Base;

enum class Family { DirectDraw, Gdi, User, Kernel };

// How a call's failures are run, beyond its codes and bases.
enum Traits {
    kPlain = 0,
    // The program asks again at once on DDERR_WASSTILLDRAWING, without a limit:
    // "all of them" would never end, so a long burst stands in for it.
    kRepeatsStillDrawing = 1,
    // Failing every call keeps the window open for ever whatever the user does.
    kEndless = 2,
    // Made only once the window closes: apart from the full-length run, the
    // runs close at frame kSettleFrames instead of at the end of the roll.
    kAtClose = 4,
    // The row's first case runs to the end of the roll instead of ending once
    // the failure has had its effect: one for each kind of lasting effect.
    kFullLength = 8,
};

// One platform call: the answers a failure of it can give and the bases it is
// failed in, or (no codes) why it is never failed.
struct Row {
    Family family;
    const char* call;
    std::vector<uint32_t> codes;
    std::vector<Base> bases;
    int traits;
    const char* never;
};

const std::vector<Base> kClean = {Base::Clean};
const std::vector<Base> kCleanAndInterrupted = {Base::Clean, Base::Interrupted};

Row Failed(Family family, const char* call, std::vector<uint32_t> codes, std::vector<Base> bases = kClean,
           int traits = kPlain)
{
    return Row{family, call, std::move(codes), std::move(bases), traits, ""};
}

Row Never(Family family, const char* call, const char* why) { return Row{family, call, {}, {}, kPlain, why}; }

constexpr uint32_t Dd(HRESULT code) { return (uint32_t)code; }
const uint32_t kOutOfVideoMemory = Dd(MAKE_DDHRESULT(380));
const uint32_t kNoDirectDrawHardware = Dd(MAKE_DDHRESULT(563));
const uint32_t kWindowAlreadySet = Dd(MAKE_DDHRESULT(571));
const uint32_t kExclusiveModeAlreadySet = Dd(MAKE_DDHRESULT(581));
const uint32_t kImplicitlyCreated = Dd(MAKE_DDHRESULT(588));
const uint32_t kUnsupportedMode = Dd(MAKE_DDHRESULT(590));
const uint32_t kLost = Dd(DDERR_SURFACELOST);
const uint32_t kStillDrawing = Dd(DDERR_WASSTILLDRAWING);
const uint32_t kBusy = Dd(DDERR_SURFACEBUSY);
const uint32_t kGeneric = Dd(DDERR_GENERIC);
const uint32_t kBadParameters = Dd(DDERR_INVALIDPARAMS);
const uint32_t kNoMemory = Dd(DDERR_OUTOFMEMORY);
const uint32_t kUnsupported = Dd(DDERR_UNSUPPORTED);
const uint32_t kNotEnoughQuota = 1816;  // a full message queue
const uint32_t kModuleNotFound = 126;
const uint32_t kSharingViolation = 32;
const uint32_t kNoCode = 0;  // the failure answer carries no code
const uint32_t kDeviceNotReady = MCIERR_BASE + 20;
const uint32_t kMustUseShareable = MCIERR_BASE + 35;

const std::vector<Row>& Table()
{
    const Family D = Family::DirectDraw, G = Family::Gdi, U = Family::User, K = Family::Kernel;
    const char* const counted = "answers a reference count, not a result";
    const std::vector<uint32_t> drawing = {kLost, kStillDrawing, kBusy, Dd(DDERR_INVALIDRECT), kGeneric};
    static const std::vector<Row> rows = {
        Failed(D, "DirectDrawCreate", {kNoDirectDrawHardware, kNoMemory, kGeneric}),
        Failed(D, "IDirectDraw::SetCooperativeLevel",
               {kWindowAlreadySet, kExclusiveModeAlreadySet, kBadParameters}),
        Failed(D, "IDirectDraw::SetDisplayMode",
               {Dd(DDERR_INVALIDMODE), kUnsupportedMode, Dd(DDERR_NOEXCLUSIVEMODE), kBusy}),
        Failed(D, "IDirectDraw::CreateSurface",
               {kOutOfVideoMemory, kNoMemory, Dd(DDERR_PRIMARYSURFACEALREADYEXISTS), kBadParameters}),
        Failed(D, "IDirectDrawSurface::GetAttachedSurface", {Dd(DDERR_NOTFOUND), kBadParameters, kLost}),
        Failed(D, "IDirectDraw::CreatePalette", {kNoMemory, kUnsupported, kBadParameters}, kClean, kFullLength),
        Failed(D, "IDirectDrawSurface::SetPalette", {kLost, kUnsupported, Dd(DDERR_INVALIDOBJECT)}),
        Failed(D, "IDirectDrawSurface::Restore",
               {Dd(DDERR_WRONGMODE), kOutOfVideoMemory, kImplicitlyCreated, kGeneric}, kCleanAndInterrupted),
        Failed(D, "IDirectDrawSurface::GetSurfaceDesc", {Dd(DDERR_INVALIDOBJECT), kBadParameters},
               kCleanAndInterrupted),
        Failed(D, "IDirectDrawSurface::GetDC",
               {kLost, Dd(DDERR_DCALREADYCREATED), Dd(DDERR_CANTCREATEDC), kStillDrawing}, kCleanAndInterrupted,
               kFullLength),
        Failed(D, "IDirectDrawSurface::ReleaseDC", {kLost, kGeneric}, kCleanAndInterrupted),
        Failed(D, "IDirectDrawSurface::Lock", {kStillDrawing, kLost, kBusy, kNoMemory}, kClean,
               kRepeatsStillDrawing | kFullLength),
        Failed(D, "IDirectDrawSurface::Unlock", {kLost, Dd(DDERR_NOTLOCKED)}),
        Failed(D, "IDirectDrawSurface::SetColorKey", {kUnsupported, kBadParameters, kLost}, kClean, kFullLength),
        Failed(D, "IDirectDrawSurface::BltFast", drawing, kClean, kRepeatsStillDrawing | kFullLength),
        Failed(D, "IDirectDrawSurface::Blt", drawing, kClean, kRepeatsStillDrawing | kFullLength),
        Failed(D, "IDirectDrawSurface::Flip",
               {kLost, kStillDrawing, kBusy, Dd(DDERR_NOTFLIPPABLE), Dd(DDERR_NOEXCLUSIVEMODE), kGeneric}, kClean,
               kRepeatsStillDrawing | kFullLength),
        Never(D, "IDirectDraw::Release", counted),
        Never(D, "IDirectDrawSurface::Release", counted),
        Never(D, "IDirectDrawPalette::Release", counted),

        Failed(G, "LoadImageA", {ERROR_RESOURCE_NAME_NOT_FOUND, ERROR_FILE_NOT_FOUND, ERROR_NOT_ENOUGH_MEMORY},
               kCleanAndInterrupted),
        Failed(G, "GetStockObject", {kNoCode}),
        Failed(G, "GetObjectA", {kNoCode}, kCleanAndInterrupted),
        Failed(G, "CreateCompatibleDC", {ERROR_NOT_ENOUGH_MEMORY, ERROR_INVALID_HANDLE}, kCleanAndInterrupted),
        Failed(G, "SelectObject", {ERROR_INVALID_HANDLE}, kCleanAndInterrupted),
        Failed(G, "StretchBlt", {ERROR_INVALID_PARAMETER, ERROR_NOT_ENOUGH_MEMORY}, kCleanAndInterrupted,
               kFullLength),
        Failed(G, "DeleteDC", {ERROR_INVALID_HANDLE}, kCleanAndInterrupted),
        Failed(G, "DeleteObject", {ERROR_INVALID_HANDLE}, kCleanAndInterrupted),
        Failed(G, "GetPixel", {CLR_INVALID}),
        Failed(G, "SetPixel", {CLR_INVALID}),

        Failed(U, "RegisterClassA", {ERROR_CLASS_ALREADY_EXISTS, ERROR_NOT_ENOUGH_MEMORY}),
        Failed(U, "LoadIconA", {ERROR_RESOURCE_NAME_NOT_FOUND}),
        Failed(U, "LoadCursorA", {ERROR_RESOURCE_NAME_NOT_FOUND}),
        Failed(U, "GetSystemMetrics", {kNoCode}),
        Failed(U, "CreateWindowExA",
               {ERROR_NOT_ENOUGH_MEMORY, ERROR_CANNOT_FIND_WND_CLASS, ERROR_INVALID_PARAMETER}),
        Failed(U, "ShowWindow", {ERROR_INVALID_WINDOW_HANDLE}, {Base::Clean, Base::NoMainProgram}, kFullLength),
        Failed(U, "UpdateWindow", {ERROR_INVALID_WINDOW_HANDLE}),
        Never(U, "PeekMessageA", "answers whether a message waits; it has no failure"),
        // -1 for ever would spin the loop on one message: the loop ends only on 0.
        Failed(U, "GetMessageA", {ERROR_INVALID_WINDOW_HANDLE}, {Base::Clean, Base::NoMainProgram},
               kEndless | kAtClose),
        Failed(U, "TranslateMessage", {kNoCode}, {Base::Clean, Base::NoMainProgram}, kAtClose),
        Never(U, "DispatchMessageA", "hands back the window procedure's result"),
        Never(U, "DefWindowProcA", "answers each message's own result; it has no failure"),
        Failed(U, "PostMessageA", {kNotEnoughQuota, ERROR_INVALID_WINDOW_HANDLE}, kClean, kAtClose | kFullLength),
        // A window that can never be destroyed keeps any program open.
        Failed(U, "DestroyWindow", {ERROR_ACCESS_DENIED}, kClean, kEndless | kAtClose),
        Failed(U, "WaitMessage", {ERROR_INVALID_PARAMETER}, {Base::Interrupted}),
        Failed(U, "MessageBoxA", {ERROR_NOT_ENOUGH_MEMORY}, {Base::StartupFailure}),
        Never(U, "PostQuitMessage", "returns nothing"),

        Failed(K, "GetModuleHandleA", {kModuleNotFound}, kCleanAndInterrupted),
        Failed(K, "FindResourceA", {ERROR_RESOURCE_NAME_NOT_FOUND, ERROR_RESOURCE_TYPE_NOT_FOUND}),
        Failed(K, "LoadResource", {ERROR_NOT_ENOUGH_MEMORY}),
        Failed(K, "LockResource", {kNoCode}),
        Failed(K, "SizeofResource", {ERROR_RESOURCE_NAME_NOT_FOUND}),
        Failed(K, "_lopen", {ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED, kSharingViolation}, {Base::SheetFile}),
        Failed(K, "_lread", {ERROR_INVALID_HANDLE}, {Base::SheetFile}),
        Failed(K, "_lclose", {ERROR_INVALID_HANDLE}, {Base::SheetFile}),
        Failed(K, "CreateProcessA",
               {ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_BAD_EXE_FORMAT, ERROR_NOT_ENOUGH_MEMORY},
               {Base::Clean, Base::BatchFile}, kAtClose | kFullLength),
        Failed(K, "GetFileAttributesA", {ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED}, {Base::BatchFile}, kAtClose),
        Failed(K, "GetEnvironmentVariableA", {ERROR_ENVVAR_NOT_FOUND}, {Base::BatchFile}, kAtClose),
        Never(K, "GetLastError", "answers the reason of the failure before it; it has no failure"),
        Never(K, "ExitProcess", "does not return"),
        Never(K, "OutputDebugStringA", "returns nothing"),
        Failed(K, "mciSendStringA", {MCIERR_INVALID_DEVICE_NAME, kDeviceNotReady, kMustUseShareable}, kClean,
               kFullLength),
    };
    return rows;
}

const Row* RowOf(const std::string& call)
{
    for (const Row& row : Table())
        if (row.call == call)
            return &row;
    return nullptr;
}

// A call the program made that the table does not know fails the test.
void ExpectEveryCallInTable(const char* where)
{
    std::set<std::string> unknown;
    for (const host::Call& call : host::Calls())
        if (!RowOf(call.name))
            unknown.insert(call.name);
    for (const std::string& name : unknown)
        ADD_FAILURE() << name << " is made (" << where << ") but missing from the sweep's table";
}

// How often each call is made in a run of the base without failures: before
// the base's interruption, and from it on (everything, for bases without one).
struct Profile {
    std::map<std::string, int> before, after;
};

std::unique_ptr<reliability::SheetFileDirectory> FolderFor(Base base)
{
    return std::unique_ptr<reliability::SheetFileDirectory>(
        base == Base::SheetFile ? new reliability::SheetFileDirectory : nullptr);
}

// closeAtFrame as for RunWholeProgram: 0 for the run to the end of the roll.
const Profile& ProfileOf(Base base, LONG closeAtFrame)
{
    static std::map<std::pair<Base, LONG>, Profile> profiles;
    auto found = profiles.find({base, closeAtFrame});
    if (found != profiles.end())
        return found->second;
    auto folder = FolderFor(base);
    reliability::PrepareBase(base);
    reliability::RunResult run = reliability::RunWholeProgram(base, false, closeAtFrame);
    Profile profile;
    const std::vector<host::Call>& calls = host::Calls();
    for (size_t i = 0; i < calls.size(); ++i)
        (i < run.interruptionMark ? profile.before : profile.after)[calls[i].name] += 1;
    return profiles[{base, closeAtFrame}] = profile;
}

struct Case {
    const Row* row;
    Base base;
    uint32_t code;
    std::string shape;
    int skip, times;
    bool fullLength;
    LONG closeAtFrame;
};

int CountIn(const std::map<std::string, int>& counts, const char* call)
{
    auto found = counts.find(call);
    return found == counts.end() ? 0 : found->second;
}

// Cases end early, but for the first case of a kFullLength row.
std::vector<Case> CasesOf(const Row& row)
{
    std::vector<Case> cases;
    for (Base base : row.bases) {
        for (size_t k = 0; k < row.codes.size(); ++k) {
            uint32_t code = row.codes[k];
            bool full = k == 0 && base == row.bases.front() && (row.traits & kFullLength);
            auto add = [&](const char* shape, bool fullLength, bool middle, int times) {
                LONG closeAt = (row.traits & kAtClose) && !fullLength ? reliability::kSettleFrames : 0;
                const Profile& profile = ProfileOf(base, closeAt);
                int before = CountIn(profile.before, row.call), made = CountIn(profile.after, row.call);
                if (made == 0)
                    ADD_FAILURE() << row.call << " is never made in the " << BaseName(base) << " run";
                else if (!middle || made / 2 > 0 || times > 1)  // else the middle one is the first
                    cases.push_back(Case{&row, base, code, shape, before + (middle ? made / 2 : 0), times,
                                         fullLength, closeAt});
            };
            add("first", full, false, 1);
            if (full && (row.traits & kAtClose))
                add("first", false, false, 1);
            add("middle", false, true, 1);
            if ((row.traits & kRepeatsStillDrawing) && code == kStillDrawing)
                add("1000 from the middle", false, true, 1000);
            else if (!(row.traits & kEndless))
                add("all", false, false, -1);
        }
    }
    return cases;
}

std::string Describe(const Case& c)
{
    char code[16];
    std::snprintf(code, sizeof code, "0x%X", c.code);
    return std::string(c.row->call) + " failing with " + code + ", " + c.shape + " (skip " +
           std::to_string(c.skip) + "), " + BaseName(c.base) + " run" + (c.fullLength ? ", full length" : "");
}

void RunCase(const Case& c)
{
    SCOPED_TRACE(Describe(c));
    auto folder = FolderFor(c.base);
    reliability::PrepareBase(c.base);
    host::FailCall(c.row->call, c.code, c.times, c.skip);
    reliability::RunResult run = reliability::RunWholeProgram(c.base, !c.fullLength, c.closeAtFrame);
    EXPECT_GT(host::ScriptedAnswers(), 0) << "the failure was never asked for";
    reliability::ExpectOrderlyEnd(run);
    // A start that fails for any reason but a missing program is the last try.
    const uint32_t notFound[] = {ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_BAD_EXE_FORMAT};
    bool missing = std::find(std::begin(notFound), std::end(notFound), c.code) != std::end(notFound);
    if (std::string(c.row->call) == "CreateProcessA" && !missing) {
        EXPECT_EQ(CountOf("CreateProcessA"), (size_t)c.skip + 1)
            << "the hand-over went on after 0x" << std::hex << c.code;
    }
    ExpectEveryCallInTable("while failing");
}

void Sweep(Family family, const char* name)
{
    auto began = std::chrono::steady_clock::now();
    int runs = 0, fullLength = 0, calls = 0, neverFailed = 0, failedRuns = 0;
    for (const Row& row : Table()) {
        if (row.family != family)
            continue;
        calls += 1;
        if (row.codes.empty()) {
            neverFailed += 1;
            EXPECT_STRNE(row.never, "") << row.call << " is never failed without a reason";
            continue;
        }
        for (const Case& c : CasesOf(row)) {
            bool failedBefore = ::testing::Test::HasFailure();
            RunCase(c);
            runs += 1;
            fullLength += c.fullLength;
            failedRuns += ::testing::Test::HasFailure() && !failedBefore;
            if (failedRuns >= 5)
                FAIL() << "stopped after five failing runs";
        }
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    std::printf("fault sweep, %s calls: %d runs (%d full length) over %d calls, %d of them never failed, %.1f s\n",
                name, runs, fullLength, calls, neverFailed, seconds);
}

TEST(ReliabilitySweep, TableCoversEveryCallOfEveryBase)
{
    const Base bases[] = {Base::Clean,     Base::Interrupted, Base::StartupFailure,
                          Base::SheetFile, Base::BatchFile,   Base::NoMainProgram};
    std::set<std::string> made;
    for (Base base : bases) {
        SCOPED_TRACE(BaseName(base));
        auto folder = FolderFor(base);
        reliability::PrepareBase(base);
        reliability::RunResult run = reliability::RunWholeProgram(base, false);
        reliability::ExpectOrderlyEnd(run);
        ExpectEveryCallInTable(BaseName(base));
        for (const std::string& name : host::CallNames())
            made.insert(name);
    }
    int failed = 0;
    for (const Row& row : Table())
        failed += !row.codes.empty();
    std::printf("fault sweep table: %zu calls, %zu of them made in runs without failures, %d failed in the "
                "sweep, %zu never (no failure answer)\n",
                Table().size(), made.size(), failed, Table().size() - failed);
}

TEST(ReliabilitySweep, DirectDrawCalls) { Sweep(Family::DirectDraw, "DirectDraw"); }
TEST(ReliabilitySweep, GdiCalls) { Sweep(Family::Gdi, "GDI"); }
TEST(ReliabilitySweep, UserCalls) { Sweep(Family::User, "USER"); }
TEST(ReliabilitySweep, KernelAndMciCalls) { Sweep(Family::Kernel, "KERNEL and MCI"); }

// A script for a call that cannot fail would never be taken; the stand-in says so.
TEST(ReliabilitySweep, AScriptForACallThatCannotFailIsReported)
{
    host::Reset();
    host::FailCall("IDirectDrawSurface::Release", kLost);
    EXPECT_EQ(host::Problems().size(), 1u);
    host::Reset();
}

}  // namespace
