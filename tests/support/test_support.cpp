#include "tests/support/test_support.h"

#include "app/app.h"
#include "display/display.h"
#include "intro/intro.h"

const std::vector<uint8_t>& ProjectSheet()
{
    static const std::vector<uint8_t> sheet = kit::ReadFileBytes(kit::ProjectSheetPath());
    return sheet;
}

void HostTest::SetUp() { host::Reset(); }
void HostTest::TearDown() { EXPECT_EQ(host::LeftBehind(), ""); }

void IntroTest::SetUp()
{
    ASSERT_FALSE(ProjectSheet().empty()) << "cannot read " << kit::ProjectSheetPath();
    kit::PrepareIntro(ProjectSheet());
}

void IntroTest::TearDown()
{
    if (intro.directDraw)
        ReleaseDisplay();
    HostTest::TearDown();
}

void IntroTest::Start()
{
    ASSERT_EQ(kit::StartIntro(), 1);
}

void IntroTest::RenderUntil(LONG frame)
{
    while (intro.frameCount < frame)
        RenderFrame();
}

const std::vector<StartUpFailure>& StartUpFailures()
{
    static const std::vector<StartUpFailure> failures = {
        {"DirectDrawCreate", 0, "Unable to create main object", {}},
        {"IDirectDraw::SetCooperativeLevel", 0, "Unable to set cooperative", {"ddraw"}},
        {"IDirectDraw::SetDisplayMode", 0, "Unable to switch to 320x240x8", {"ddraw"}},
        {"IDirectDraw::CreateSurface", 0, "Unable to create surface", {"ddraw"}},
        {"IDirectDrawSurface::GetAttachedSurface", 0, "Unable to attach surface", {"primary", "ddraw"}},
        {"IDirectDraw::CreateSurface", 1, "Unable to load bitmap", {"primary", "palette", "ddraw"}},
    };
    return failures;
}

std::vector<std::string> ShutdownTrail()
{
    const std::string release = "::Release";
    std::vector<std::string> trail;
    for (const host::Call& call : host::Calls()) {
        const std::string& name = call.name;
        if (name.size() > release.size() && name.compare(name.size() - release.size(), release.size(), release) == 0)
            trail.push_back(call.object);
        else if (name == "mciSendStringA")
            trail.push_back(call.args.substr(1, call.args.find('"', 1) - 1));
        else if (name == "MessageBoxA" || name == "DestroyWindow" || name == "CreateProcessA")
            trail.push_back(name);
    }
    return trail;
}

std::vector<std::string> ArgsOf(const std::string& name)
{
    std::vector<std::string> args;
    for (const host::Call& call : host::CallsNamed(name))
        args.push_back(call.args);
    return args;
}

size_t CountOf(const std::string& name) { return host::CallsNamed(name).size(); }
