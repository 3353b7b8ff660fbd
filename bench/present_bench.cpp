// The player's ddraw.dll's own part of a presentation: the 320x240 front buffer
// through its palette into the 32-bit picture the window is given, in each fill
// mode and filter, on a 1920x1080 and a 3840x2160 screen. What the system then
// does with the picture (SetDIBitsToDevice) is measured under Wine by
// bench/sections/display.sh.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "player/ddraw/picture_rules.h"

namespace {

const player::Size kPicture = {320, 240};

void Present(benchmark::State& state, player::Size screen, player::Scaling scaling, player::Filter filter)
{
    std::vector<uint8_t> frame((size_t)kPicture.width * kPicture.height);
    std::mt19937 random(1);
    for (uint8_t& index : frame)
        index = (uint8_t)(random() % 40);  // random rows: none is a copy of the one above
    player::PaletteColor colors[256];
    for (int i = 0; i < 256; ++i)
        colors[i] = {(uint8_t)i, (uint8_t)(255 - i), (uint8_t)(i * 7), 0};
    const player::Placement placed = player::PlacePicture(kPicture, screen, scaling);
    const player::Size shown = {placed.picture.right - placed.picture.left, placed.picture.bottom - placed.picture.top};
    const bool whole = shown.width == kPicture.width * placed.scale && shown.height == kPicture.height * placed.scale;
    std::vector<uint32_t> picture((size_t)shown.width * shown.height);
    player::Resampler resampler;
    resampler.Prepare(kPicture, shown, filter);
    uint32_t table[256];
    for (auto _ : state) {
        player::PixelTable(colors, table);  // the palette may change every frame
        if (whole)
            player::Enlarge(frame.data(), kPicture.width, kPicture, table, placed.scale, picture.data(),
                            shown.width * 4);
        else
            resampler.Draw(frame.data(), kPicture.width, table, picture.data(), shown.width * 4);
        benchmark::DoNotOptimize(picture.data());
        benchmark::ClobberMemory();
    }
    state.counters["pixels"] = (double)shown.width * shown.height;
}

const struct {
    const char* name;
    player::Scaling scaling;
    player::Filter filter;
} kModes[] = {
    {"integer", player::Scaling::kInteger, player::Filter::kNearest},
    {"aspect-nearest", player::Scaling::kAspect, player::Filter::kNearest},
    {"aspect-sharp", player::Scaling::kAspect, player::Filter::kSharp},
    {"stretch-nearest", player::Scaling::kStretch, player::Filter::kNearest},
    {"stretch-sharp", player::Scaling::kStretch, player::Filter::kSharp},
};

const player::Size kScreens[] = {{1920, 1080}, {3840, 2160}};

}  // namespace

int main(int argc, char** argv)
{
    for (player::Size screen : kScreens)
        for (const auto& mode : kModes) {
            const std::string name = "Present/" + std::to_string(screen.width) + "x" + std::to_string(screen.height) +
                                     "/" + mode.name;
            benchmark::RegisterBenchmark(name.c_str(), Present, screen, mode.scaling, mode.filter)
                ->Unit(benchmark::kMicrosecond);
        }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
