// The starfield panel: deep sky, a violet nebula with cold teal wisps, stars and a rust
// gas giant rising at the lower right. Painted in full colour, then dithered to the palette.
#include <algorithm>
#include <cmath>

#include "make_sheet.h"

namespace art {
namespace {

constexpr int kSceneW = sheet::kLastArtColumn + 1;
constexpr int kSceneH = 239;  // row 239 stays black under the scene

// The giant: its centre lies below the panel so only the upper-left limb shows.
constexpr float kPlanetX = 300.f, kPlanetY = 280.f, kPlanetR = 132.f;

struct Scene {
    std::vector<Vec3> c = std::vector<Vec3>(size_t(kSceneW) * kSceneH, Vec3{0, 0, 0});
    Vec3& At(int x, int y)
    {
        return c[size_t(y) * kSceneW + x];
    }
};

float Hash(int x, int y, uint32_t seed)
{
    uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return float((h ^ (h >> 16)) & 0xFFFFFF) / 16777216.f;
}

float Smooth(float t)
{
    return t * t * (3 - 2 * t);
}

float ValueNoise(float x, float y, uint32_t seed)
{
    int ix = int(std::floor(x)), iy = int(std::floor(y));
    float fx = Smooth(x - ix), fy = Smooth(y - iy);
    float a = Hash(ix, iy, seed), b = Hash(ix + 1, iy, seed);
    float c = Hash(ix, iy + 1, seed), d = Hash(ix + 1, iy + 1, seed);
    return (a + (b - a) * fx) * (1 - fy) + (c + (d - c) * fx) * fy;
}

float Fbm(float x, float y, uint32_t seed, int octaves)
{
    float sum = 0, amp = 0.5f, norm = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += amp * ValueNoise(x, y, seed + uint32_t(o) * 101u);
        norm += amp;
        x = x * 2.03f + 17.1f, y = y * 2.03f + 5.3f, amp *= 0.5f;
    }
    return sum / norm;
}

Vec3 Lerp(Vec3 a, Vec3 b, float t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
Vec3 Add(Vec3 a, Vec3 b)
{
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}
Vec3 Scale(Vec3 a, float k)
{
    return {a.r * k, a.g * k, a.b * k};
}

float PlanetDistance(float x, float y)
{
    return std::hypot(x - kPlanetX, y - kPlanetY) / kPlanetR;
}

// Distance across the nebula's band, which runs from the upper left towards the centre right.
float BandOffset(float x, float y)
{
    float warp = (Fbm(x / 70.f, y / 70.f, 9, 3) - 0.5f) * 70.f;
    return (y - (34.f + x * 0.36f) + warp) / 52.f;
}

Vec3 Sky(float x, float y)
{
    float t = y / kSceneH;
    return Lerp(Vec3{3, 3, 10}, Vec3{8, 9, 26}, t * 0.7f + x / kSceneW * 0.3f);
}

Vec3 Nebula(float x, float y)
{
    float band = std::exp(-BandOffset(x, y) * BandOffset(x, y));
    float gas = Fbm(x / 46.f, y / 46.f, 21, 5);
    float fine = Fbm(x / 13.f, y / 13.f, 33, 3);
    float density = std::clamp(band * (gas * 1.7f - 0.42f) + fine * band * 0.22f, 0.f, 1.f);
    // Dark dust lanes cut across the brightest gas.
    float dust = std::clamp((Fbm(x / 30.f, y / 22.f, 47, 4) - 0.52f) * 4.f, 0.f, 1.f);
    density *= 1.f - 0.75f * dust;
    Vec3 violet = Lerp(Vec3{40, 12, 70}, Vec3{200, 70, 150}, std::pow(density, 1.3f));
    Vec3 glow = Lerp(violet, Vec3{250, 200, 220}, std::pow(density, 4.f));
    // Cold gas where a second field is strong, mostly on the band's upper side.
    float cold = std::clamp((Fbm(x / 38.f + 40, y / 38.f, 61, 4) - 0.5f) * 3.f, 0.f, 1.f) * band;
    Vec3 teal = Scale(Vec3{40, 140, 160}, cold * 0.8f);
    return Add(Scale(glow, density), teal);
}

Vec3 PlanetSurface(float x, float y)
{
    float nx = (x - kPlanetX) / kPlanetR, ny = (y - kPlanetY) / kPlanetR;
    float nz = std::sqrt(std::max(0.f, 1 - nx * nx - ny * ny));
    const float lx = -0.74f, ly = -0.5f, lz = 0.45f;  // the sun is up and to the left
    float light = std::max(0.f, nx * lx + ny * ly + nz * lz);
    // Bands follow the tilted axis and bend towards the limb, as on a sphere.
    float lat = (ny * 0.94f + nx * 0.34f) / (0.35f + 0.65f * std::sqrt(nz));
    float swirl = Fbm(x / 16.f, y / 7.f, 77, 4);
    float broad = 0.5f + 0.5f * std::sin(lat * 17.f + swirl * 3.4f);
    float fine = 0.5f + 0.5f * std::sin(lat * 47.f + swirl * 5.f);
    float tone = 0.62f + 0.38f * (0.7f * broad + 0.3f * fine);
    float lit = std::pow(light, 0.9f);
    Vec3 dark{12, 5, 6}, brown{120, 52, 28}, rust{186, 92, 44}, cream{244, 214, 164};
    Vec3 surf = Lerp(Lerp(brown, rust, fine), cream, std::clamp(broad * broad, 0.f, 1.f));
    Vec3 c = Lerp(dark, surf, std::clamp(lit * tone * 1.2f, 0.f, 1.f));
    // Thin blue haze on the sunlit limb.
    float limb = std::pow(1 - nz, 6.f) * light;
    return Add(c, Scale(Vec3{80, 120, 210}, limb * 1.6f));
}

Vec3 PlanetGlow(float x, float y)
{
    float d = PlanetDistance(x, y) - 1.f;
    float nx = (x - kPlanetX) / kPlanetR, ny = (y - kPlanetY) / kPlanetR;
    float sun = std::max(0.f, -(nx * 0.62f + ny * 0.56f)) / std::max(0.01f, std::hypot(nx, ny));
    return Scale(Vec3{60, 96, 170}, std::exp(-d * 60.f) * sun * 0.8f);
}

Vec3 StarTint(Rng& rng)
{
    float u = rng.Uniform();
    if (u < 0.68f)
        return {200, 214, 255};
    if (u < 0.9f)
        return {255, 236, 196};
    return {255, 178, 128};
}

void Splat(Scene& s, int x, int y, Vec3 c)
{
    if (x < 0 || y < 0 || x >= kSceneW || y >= kSceneH || PlanetDistance(x, y) < 1.f)
        return;
    s.At(x, y) = Add(s.At(x, y), c);
}

void DrawStar(Scene& s, int x, int y, float b, Vec3 tint)
{
    Splat(s, x, y, Scale(tint, b * 1.1f));
    if (b < 0.45f)
        return;
    float halo = (b - 0.35f) * 0.55f;
    for (int d : {-1, 1})
        Splat(s, x + d, y, Scale(tint, halo)), Splat(s, x, y + d, Scale(tint, halo));
    if (b < 0.9f)
        return;
    for (int d = 2; d <= 5; ++d) {
        float k = halo * 0.9f / float(d);
        for (int sgn : {-1, 1})
            Splat(s, x + sgn * d, y, Scale(tint, k)), Splat(s, x, y + sgn * d, Scale(tint, k));
    }
    for (int dx : {-1, 1})
        for (int dy : {-1, 1})
            Splat(s, x + dx, y + dy, Scale(tint, halo * 0.35f));
}

void ScatterStars(Scene& s)
{
    Rng rng(0x5EED57A2);
    for (int n = 0; n < 900; ++n) {
        float x = rng.Uniform() * kSceneW, y = rng.Uniform() * kSceneH;
        // The band is where the galaxy is thick with stars; thin them out elsewhere.
        float near = std::exp(-BandOffset(x, y) * BandOffset(x, y) * 0.5f);
        float keep = rng.Uniform();
        float b = std::pow(rng.Uniform(), 5.f) * 0.95f + 0.12f;
        Vec3 tint = StarTint(rng);
        if (keep > 0.3f + 0.7f * near)
            continue;
        DrawStar(s, int(x), int(y), b, tint);
    }
}

Scene PaintScene()
{
    Scene s;
    for (int y = 0; y < kSceneH; ++y)
        for (int x = 0; x < kSceneW; ++x) {
            float fx = x + 0.5f, fy = y + 0.5f;
            s.At(x, y) = PlanetDistance(fx, fy) < 1.f
                             ? PlanetSurface(fx, fy)
                             : Add(Add(Sky(fx, fy), Nebula(fx, fy)), PlanetGlow(fx, fy));
        }
    ScatterStars(s);
    return s;
}

std::vector<uint8_t> SpaceChoices()
{
    std::vector<uint8_t> v{0};
    for (const Ramp& r : {kSky, kNebula, kTeal, kStarGrey, kStarWarm, kPlanet, kHaze, kSpare})
        for (int i = r.first; i <= r.Last(); ++i)
            v.push_back(uint8_t(i));
    return v;
}

// 4x4 ordered dither: smooth gas without the noise error diffusion leaves in a still frame.
constexpr int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

}  // namespace

void DrawStarfield(Canvas& c, const Palette& pal)
{
    Scene s = PaintScene();
    std::vector<uint8_t> choices = SpaceChoices();
    for (int y = 0; y < kSceneH; ++y)
        for (int x = 0; x < kSceneW; ++x) {
            float d = (kBayer[y & 3][x & 3] / 15.f - 0.5f) * 10.f;
            Vec3 v = s.At(x, y);
            c.At(y, x) = Nearest(pal, choices, Vec3{v.r + d, v.g + d, v.b + d});
        }
}

void DrawEdgeColumn(Canvas& c)
{
    for (int row = 0; row <= sheet::kEdgeLastRow; ++row) {
        // A faint seam: a touch lighter beside the sky than beside the caption.
        float t = row < 240 ? 0.8f - row / 600.f : 0.3f - (row - 240) / 1000.f;
        c.At(row, sheet::kEdgeColumn) = RampIndex(kEdge, t);
    }
}

}  // namespace art
