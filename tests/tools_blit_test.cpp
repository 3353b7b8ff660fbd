// The stand-in's blits against the rule host.h states for them, pixel for
// pixel: point sampling at (i * ((srcSize << 16) / dstSize)) >> 16 from the
// source rectangle's corner, and a source colour key that leaves out every
// value from its low to its high end: on random pictures, for every kind of
// rectangle and key, at the surfaces' edges too.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "host/host.h"

namespace {

struct Blit {
    const char* what;
    int bits;                         // of both surfaces
    int sourceWidth, sourceHeight;    // the surfaces
    int targetWidth, targetHeight;
    RECT from, to;                    // to.right 0: a BltFast at (to.left, to.top)
    bool keyed;
    DWORD low, high;
};

const Blit kBlits[] = {
    {"opaque copy", 8, 320, 1728, 320, 240, {0, 638, 320, 864}, {0, 0, 0, 0}, false, 0, 0},
    {"keyed copy 319 wide", 8, 320, 1728, 320, 240, {0, 1000, 319, 1240}, {0, 0, 0, 0}, true, 0, 0},
    {"keyed copy narrower than sixteen", 8, 64, 64, 64, 64, {3, 5, 14, 20}, {40, 2, 0, 0}, true, 0, 0},
    {"keyed copy of one column", 8, 64, 64, 64, 64, {7, 0, 8, 64}, {63, 0, 0, 0}, true, 3, 3},
    {"stretched taller and wider", 8, 320, 1728, 320, 240, {0, 480, 319, 679}, {0, 0, 320, 240}, true, 0, 0},
    {"stretched smaller", 8, 320, 1728, 320, 240, {0, 480, 319, 679}, {129, 97, 191, 143}, true, 0, 0},
    {"stretched to the logo's last size", 8, 320, 1728, 320, 240, {0, 480, 319, 679}, {153, 115, 167, 125}, true, 0, 0},
    {"stretched far smaller", 8, 1000, 50, 40, 40, {0, 0, 1000, 50}, {1, 1, 9, 39}, true, 0, 20},
    {"stretched opaque", 8, 100, 100, 300, 300, {10, 10, 57, 93}, {5, 7, 290, 211}, false, 0, 0},
    {"stretched from the last rows", 8, 37, 20, 100, 100, {20, 15, 37, 20}, {0, 0, 99, 97}, true, 1, 9},
    {"stretched wider than the row buffer", 8, 2100, 4, 2100, 4, {0, 0, 1050, 4}, {0, 0, 2100, 4}, true, 0, 0},
    {"key range across the top of a byte", 8, 128, 32, 128, 32, {0, 0, 128, 32}, {0, 0, 128, 32}, true, 250, 300},
    {"key range beyond a byte", 8, 64, 16, 64, 16, {0, 0, 64, 16}, {0, 0, 0, 0}, true, 256, 300},
    {"empty key range", 8, 64, 16, 64, 16, {0, 0, 50, 16}, {0, 0, 64, 16}, true, 9, 5},
    {"every value keyed", 8, 64, 16, 64, 16, {0, 0, 64, 16}, {0, 0, 0, 0}, true, 0, 255},
    {"32-bit stretched and keyed", 32, 80, 60, 80, 60, {5, 5, 77, 50}, {0, 3, 33, 60}, true, 0x100, 0x8000000},
    {"16-bit keyed copy", 16, 80, 60, 80, 60, {0, 0, 61, 60}, {10, 0, 0, 0}, true, 0, 0x3000},
};

// A fixed-seed generator, so a failure repeats; small values are common, so
// keys match often.
struct Random {
    uint32_t state = 12345;
    uint8_t Next()
    {
        state = state * 1103515245u + 12345u;
        uint8_t value = (uint8_t)(state >> 16);
        return (state >> 8 & 3) == 0 ? value % 12 : value;
    }
};

LPDIRECTDRAWSURFACE MakeSurface(LPDIRECTDRAW directDraw, int width, int height, int bits, Random* random)
{
    DDSURFACEDESC description = {};
    description.dwSize = sizeof description;
    description.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    description.dwWidth = (DWORD)width;
    description.dwHeight = (DWORD)height;
    description.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    description.ddpfPixelFormat.dwSize = sizeof description.ddpfPixelFormat;
    description.ddpfPixelFormat.dwRGBBitCount = (DWORD)bits;
    LPDIRECTDRAWSURFACE surface = nullptr;
    if (directDraw->CreateSurface(&description, &surface, nullptr) != DD_OK)
        return nullptr;
    std::vector<uint8_t> bytes(host::ReadSurface(surface).bytes.size());
    for (uint8_t& byte : bytes)
        byte = random->Next();
    host::WriteSurface(surface, bytes);
    return surface;
}

uint32_t PixelAt(const host::SurfacePixels& surface, int x, int y)
{
    uint32_t value = 0;
    std::memcpy(&value, &surface.bytes[(size_t)y * surface.pitch + (size_t)x * (surface.bitsPerPixel / 8)],
                surface.bitsPerPixel / 8);
    return value;
}

void SetPixelAt(host::SurfacePixels* surface, int x, int y, uint32_t value)
{
    std::memcpy(&surface->bytes[(size_t)y * surface->pitch + (size_t)x * (surface->bitsPerPixel / 8)], &value,
                surface->bitsPerPixel / 8);
}

// What the blit must leave in the target, by the rule alone.
host::SurfacePixels Expected(const Blit& blit, const host::SurfacePixels& source, host::SurfacePixels target,
                             const RECT& to)
{
    int sourceWidth = blit.from.right - blit.from.left, sourceHeight = blit.from.bottom - blit.from.top;
    int width = to.right - to.left, height = to.bottom - to.top;
    uint32_t stepX = ((uint32_t)sourceWidth << 16) / (uint32_t)width;
    uint32_t stepY = ((uint32_t)sourceHeight << 16) / (uint32_t)height;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint32_t value = PixelAt(source, blit.from.left + (int)((x * stepX) >> 16),
                                     blit.from.top + (int)((y * stepY) >> 16));
            if (!blit.keyed || value < blit.low || value > blit.high)
                SetPixelAt(&target, to.left + x, to.top + y, value);
        }
    return target;
}

class ToolsBlitTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        host::Reset();
        ASSERT_EQ(DirectDrawCreate(nullptr, &directDraw, nullptr), DD_OK);
    }
    void TearDown() override { EXPECT_TRUE(host::Problems().empty()); }
    LPDIRECTDRAW directDraw = nullptr;
};

// Makes the blit on random pictures and counts the target bytes that differ
// from what the rule gives.
void CheckBlit(LPDIRECTDRAW directDraw, const Blit& blit, Random* random)
{
    LPDIRECTDRAWSURFACE source = MakeSurface(directDraw, blit.sourceWidth, blit.sourceHeight, blit.bits, random);
    LPDIRECTDRAWSURFACE target = MakeSurface(directDraw, blit.targetWidth, blit.targetHeight, blit.bits, random);
    ASSERT_TRUE(source && target);
    DDCOLORKEY key = {blit.low, blit.high};
    ASSERT_EQ(source->SetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
    RECT from = blit.from, to = blit.to;
    bool fast = to.right == 0;
    if (fast)
        to = {to.left, to.top, to.left + from.right - from.left, to.top + from.bottom - from.top};
    host::SurfacePixels expected = Expected(blit, host::ReadSurface(source), host::ReadSurface(target), to);

    HRESULT result = fast ? target->BltFast(to.left, to.top, source, &from,
                                            blit.keyed ? DDBLTFAST_SRCCOLORKEY : DDBLTFAST_NOCOLORKEY)
                          : target->Blt(&to, source, &from, blit.keyed ? DDBLT_KEYSRC : 0, nullptr);
    EXPECT_EQ(result, DD_OK);
    host::SurfacePixels got = host::ReadSurface(target);
    size_t differing = 0, first = 0;
    for (size_t i = 0; i < got.bytes.size(); ++i)
        if (got.bytes[i] != expected.bytes[i] && !differing++)
            first = i;
    EXPECT_EQ(differing, 0u) << "first at byte " << first << " (row " << first / got.pitch << ")";
    source->Release();
    target->Release();
}

TEST_F(ToolsBlitTest, EveryBlitGivesWhatThePlainRuleGives)
{
    Random random;
    for (const Blit& blit : kBlits) {
        SCOPED_TRACE(blit.what);
        CheckBlit(directDraw, blit, &random);
    }
}

}  // namespace
