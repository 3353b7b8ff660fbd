// The sheet's 256 colours. The table goes to the display as it is, so every ramp is laid
// out by hand: dark to light, one hue family each, entry 0 black and 255 white.
#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "make_sheet.h"

namespace art {
namespace {

struct Stop {
    float at;
    Rgb c;
};

Rgb Mix(const Rgb& a, const Rgb& b, float t)
{
    auto ch = [t](uint8_t x, uint8_t y) { return uint8_t(std::lround(x + (y - x) * t)); };
    return {ch(a.r, b.r), ch(a.g, b.g), ch(a.b, b.b)};
}

Rgb Gradient(std::initializer_list<Stop> stops, float t)
{
    const Stop* prev = stops.begin();
    for (const Stop* s = stops.begin(); s != stops.end(); ++s) {
        if (t <= s->at)
            return s == prev ? s->c : Mix(prev->c, s->c, (t - prev->at) / (s->at - prev->at));
        prev = s;
    }
    return prev->c;
}

void Fill(Palette& p, const Ramp& r, std::initializer_list<Stop> stops)
{
    for (int i = 0; i < r.count; ++i)
        p[r.first + i] = Gradient(stops, r.count == 1 ? 0.f : float(i) / (r.count - 1));
}

bool Same(const Rgb& a, const Rgb& b)
{
    return a.r == b.r && a.g == b.g && a.b == b.b;
}

bool Taken(const Palette& p, int upto, const Rgb& c)
{
    if ((c.r | c.g | c.b) == 0)
        return true;
    if (c.r == 255 && c.g == 255 && c.b == 255)
        return true;
    for (int i = 0; i < upto; ++i)
        if (Same(p[i], c))
            return true;
    return false;
}

// Neighbouring ramp steps can round to the same colour; the key and white must stay unique.
void MakeDistinct(Palette& p)
{
    for (int i = 1; i < 255; ++i)
        while (Taken(p, i, p[i])) {
            Rgb& c = p[i];
            if (c.b < 255)
                ++c.b;
            else if (c.g < 255)
                ++c.g;
            else
                --c.r;
        }
}

}  // namespace

Palette MakePalette()
{
    Palette p{};
    Fill(p, kSky, {{0, {3, 3, 11}}, {0.4f, {9, 10, 30}}, {0.75f, {18, 20, 50}}, {1, {32, 32, 74}}});
    Fill(p, kNebula,
         {{0, {14, 7, 28}},
          {0.18f, {38, 14, 62}},
          {0.38f, {78, 24, 106}},
          {0.55f, {126, 38, 136}},
          {0.7f, {178, 62, 148}},
          {0.83f, {222, 112, 168}},
          {0.93f, {244, 178, 204}},
          {1, {255, 228, 236}}});
    Fill(p, kTeal,
         {{0, {6, 16, 32}},
          {0.25f, {12, 38, 66}},
          {0.5f, {22, 76, 106}},
          {0.7f, {44, 124, 146}},
          {0.86f, {104, 186, 198}},
          {1, {196, 238, 242}}});
    Fill(p, kStarGrey, {{0, {34, 36, 50}}, {0.5f, {128, 136, 162}}, {1, {236, 242, 255}}});
    Fill(p, kStarWarm,
         {{0, {96, 62, 40}}, {0.4f, {196, 132, 80}}, {0.75f, {244, 204, 140}}, {1, {255, 244, 214}}});
    Fill(p, kPlanet,
         {{0, {14, 6, 6}},
          {0.15f, {42, 16, 12}},
          {0.32f, {88, 36, 20}},
          {0.5f, {142, 66, 32}},
          {0.66f, {190, 108, 54}},
          {0.8f, {222, 158, 94}},
          {0.92f, {240, 206, 150}},
          {1, {250, 236, 206}}});
    Fill(p, kHaze, {{0, {26, 34, 72}}, {0.5f, {84, 118, 186}}, {1, {178, 210, 250}}});
    Fill(p, kGold,
         {{0, {34, 16, 4}},
          {0.2f, {84, 44, 10}},
          {0.42f, {152, 94, 22}},
          {0.62f, {212, 154, 42}},
          {0.8f, {244, 204, 86}},
          {0.92f, {254, 236, 160}},
          {1, {255, 250, 222}}});
    Fill(p, kSteel,
         {{0, {18, 22, 34}},
          {0.3f, {50, 60, 82}},
          {0.6f, {108, 124, 152}},
          {0.85f, {180, 194, 216}},
          {1, {236, 242, 250}}});
    Fill(p, kText,
         {{0, {36, 42, 70}}, {0.5f, {128, 144, 184}}, {0.85f, {206, 216, 238}}, {1, {240, 244, 252}}});
    Fill(p, kInk, {{0, {5, 5, 14}}, {0.5f, {12, 10, 24}}, {1, {26, 18, 30}}});
    Fill(p, kCrimson, {{0, {38, 6, 12}}, {0.5f, {150, 30, 42}}, {1, {246, 126, 120}}});
    Fill(p, kJade, {{0, {6, 30, 28}}, {0.5f, {28, 120, 100}}, {1, {150, 236, 196}}});
    Fill(p, kEdge, {{0, {14, 15, 26}}, {1, {30, 32, 50}}});
    Fill(p, kSpare, {{0, {250, 250, 244}}, {1, {255, 255, 250}}});
    p[sheet::kWhiteIndex] = {255, 255, 255};
    MakeDistinct(p);
    return p;
}

uint8_t RampIndex(const Ramp& ramp, float t)
{
    t = std::clamp(t, 0.f, 1.f);
    return uint8_t(ramp.first + std::min(ramp.count - 1, int(t * ramp.count)));
}

Vec3 ToVec(const Rgb& c)
{
    return {float(c.r), float(c.g), float(c.b)};
}

uint8_t Nearest(const Palette& pal, const std::vector<uint8_t>& choices, Vec3 c)
{
    uint8_t best = choices.front();
    float bestD = 1e30f;
    for (uint8_t i : choices) {
        Vec3 p = ToVec(pal[i]);
        // Green weighs most and blue least, as the eye sees differences.
        float d =
            3 * (p.r - c.r) * (p.r - c.r) + 4 * (p.g - c.g) * (p.g - c.g) + 2 * (p.b - c.b) * (p.b - c.b);
        if (d < bestD)
            bestD = d, best = i;
    }
    return best;
}

uint32_t Rng::Next()
{
    // splitmix64: tiny, fast and the same on every platform.
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return uint32_t((z ^ (z >> 31)) >> 32);
}

float Rng::Uniform()
{
    return float(Next() >> 8) * (1.f / 16777216.f);
}

}  // namespace art
