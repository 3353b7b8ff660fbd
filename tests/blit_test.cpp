// The blit rules (blit/blit.h) by the source pixels they are known to read, and
// the stand-in's Blt and BltFast around them: where the copy lands, when the
// source's colour key applies, and what a blit the platform refuses leaves.
#include <cstring>
#include <vector>

#include "blit/blit.h"
#include "tests/support/test_support.h"

namespace {

// A 16-bit picture whose every pixel holds its own place, y * 320 + x.
std::vector<uint8_t> Numbered(int width, int height)
{
    std::vector<uint8_t> bytes((size_t)width * height * 2);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint16_t place = (uint16_t)(y * 320 + x);
            std::memcpy(&bytes[((size_t)y * width + x) * 2], &place, 2);
        }
    return bytes;
}

struct Stretch {
    const char* what;
    int sourceWidth, sourceHeight, width, height;
    std::vector<int> columns, rows;  // the source columns and rows read, from the first
};

// Wine's 8-bit blitter steps through the source in 16.16 fixed point with the
// step truncated, so a 2-to-6 stretch reads column 0 four times (exact division
// would read it three times).
const Stretch kStretches[] = {
    {"319 to 160, the logo at half size", 319, 4, 160, 4,
     {0, 1, 3, 5, 7, 9, 11, 13, 15, 17, 19, 21}, {0, 1, 2, 3}},
    {"319 by 199 to 320 by 240, the logo's first frame", 319, 199, 320, 240, {0, 0, 1, 2, 3}, {0, 0, 1, 2, 3, 4, 4}},
    {"319 by 199 to 14 by 10, the logo's last size", 319, 199, 14, 10,
     {0, 22, 45, 68, 91, 113, 136, 159, 182, 205, 227, 250, 273, 296}, {0, 19, 39, 59, 79, 99, 119, 139, 159, 179}},
    {"2 by 3 to 6 by 7", 2, 3, 6, 7, {0, 0, 0, 0, 1, 1}, {0, 0, 0, 1, 1, 2, 2}},
    {"the same size", 5, 2, 5, 2, {0, 1, 2, 3, 4}, {0, 1}},
};

TEST(BlitRules, AStretchReadsTheSourcePixelsWinesBlitterReads)
{
    for (const Stretch& stretch : kStretches) {
        SCOPED_TRACE(stretch.what);
        std::vector<uint8_t> source = Numbered(stretch.sourceWidth, stretch.sourceHeight);
        std::vector<uint8_t> target((size_t)stretch.width * stretch.height * 2);
        blit::Copy(source.data(), stretch.sourceWidth * 2, {0, 0, stretch.sourceWidth, stretch.sourceHeight},
                   target.data(), stretch.width * 2, {0, 0, stretch.width, stretch.height}, 2, nullptr);
        for (size_t i = 0; i < stretch.columns.size(); ++i) {
            uint16_t place;
            std::memcpy(&place, &target[i * 2], 2);
            EXPECT_EQ(place, stretch.columns[i]) << "column " << i;
        }
        for (size_t j = 0; j < stretch.rows.size(); ++j) {
            uint16_t place;
            std::memcpy(&place, &target[j * stretch.width * 2], 2);
            EXPECT_EQ(place / 320, stretch.rows[j]) << "row " << j;
        }
    }
}

TEST(BlitRules, TheRectanglesAreCountedFromTheirOwnCorners)
{
    // Source rectangle (3, 2)-(7, 4) of a 10x6 picture, into (1, 1)-(5, 3) of a 6x4 target.
    std::vector<uint8_t> source = Numbered(10, 6), target(6 * 4 * 2, 0xEE);
    blit::Copy(source.data(), 20, {3, 2, 7, 4}, target.data(), 12, {1, 1, 5, 3}, 2, nullptr);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) {
            uint16_t got;
            std::memcpy(&got, &target[(size_t)(y * 6 + x) * 2], 2);
            bool inside = x >= 1 && x < 5 && y >= 1 && y < 3;
            EXPECT_EQ(got, inside ? (y + 1) * 320 + x + 2 : 0xEEEE) << x << ", " << y;
        }
}

struct Keyed {
    const char* what;
    int bytesPerPixel;
    std::vector<uint8_t> source;  // one row
    blit::ColorKey key;
    std::vector<uint8_t> expected;  // the target row, which held 0xEE bytes
};

const Keyed kKeys[] = {
    {"both ends of the range are keyed", 1, {4, 5, 7, 9, 10}, {5, 9}, {4, 0xEE, 0xEE, 0xEE, 10}},
    {"one value", 1, {0, 1, 0, 255}, {0, 0}, {0xEE, 1, 0xEE, 255}},
    {"a range past every 8-bit value", 1, {0, 200, 255}, {256, 300}, {0, 200, 255}},
    {"an empty range", 1, {5, 7, 9}, {9, 5}, {5, 7, 9}},
    {"16 bits, little-endian", 2, {0x34, 0x12, 0x12, 0x34}, {0x1234, 0x1234}, {0xEE, 0xEE, 0x12, 0x34}},
    {"24 bits, little-endian", 3, {1, 2, 3, 3, 2, 1}, {0x030201, 0x030201}, {0xEE, 0xEE, 0xEE, 3, 2, 1}},
    {"32 bits", 4, {0, 0, 0, 0x80, 1, 0, 0, 0}, {0x80000000, 0xFFFFFFFF}, {0xEE, 0xEE, 0xEE, 0xEE, 1, 0, 0, 0}},
};

TEST(BlitRules, AColourKeyLeavesOutItsRangeFromLowToHighAndTheTargetKeepsWhatItHad)
{
    for (const Keyed& keyed : kKeys) {
        SCOPED_TRACE(keyed.what);
        int width = (int)keyed.source.size() / keyed.bytesPerPixel;
        std::vector<uint8_t> target(keyed.source.size(), 0xEE);
        blit::Copy(keyed.source.data(), (int)keyed.source.size(), {0, 0, width, 1}, target.data(),
                   (int)target.size(), {0, 0, width, 1}, keyed.bytesPerPixel, &keyed.key);
        EXPECT_EQ(target, keyed.expected);
    }
}

TEST(BlitRules, ARectangleTakesPartOnlyWhenItIsNotEmptyAndLiesInsideTheSurface)
{
    // On a 4 x 3 surface.
    EXPECT_TRUE(blit::Inside({0, 0, 4, 3}, 4, 3));   // the whole surface
    EXPECT_TRUE(blit::Inside({3, 2, 4, 3}, 4, 3));   // its last pixel
    EXPECT_FALSE(blit::Inside({0, 0, 5, 3}, 4, 3));  // one column past the right
    EXPECT_FALSE(blit::Inside({0, 0, 4, 4}, 4, 3));  // one row past the bottom
    EXPECT_FALSE(blit::Inside({-1, 0, 2, 2}, 4, 3));
    EXPECT_FALSE(blit::Inside({0, -1, 2, 2}, 4, 3));
    EXPECT_FALSE(blit::Inside({2, 1, 2, 3}, 4, 3));  // no width
    EXPECT_FALSE(blit::Inside({1, 2, 3, 2}, 4, 3));  // no height
    EXPECT_FALSE(blit::Inside({3, 0, 1, 2}, 4, 3));  // right of its right edge
}

// ---- The stand-in's Blt and BltFast ------------------------------------------------

class StandInBlitTest : public HostTest {
protected:
    void SetUp() override
    {
        HostTest::SetUp();
        ASSERT_EQ(DirectDrawCreate(NULL, &directDraw, NULL), DD_OK);
    }
    void TearDown() override
    {
        for (LPDIRECTDRAWSURFACE surface : made)
            surface->Release();
        directDraw->Release();
        HostTest::TearDown();
    }
    // An 8-bit system-memory surface whose bytes are 1, 2, 3, ... row by row.
    LPDIRECTDRAWSURFACE Surface(int width, int height, int bits = 8)
    {
        DDSURFACEDESC description = {};
        description.dwSize = sizeof description;
        description.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
        description.dwWidth = (DWORD)width;
        description.dwHeight = (DWORD)height;
        description.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
        description.ddpfPixelFormat.dwSize = sizeof description.ddpfPixelFormat;
        description.ddpfPixelFormat.dwRGBBitCount = (DWORD)bits;
        LPDIRECTDRAWSURFACE surface = NULL;
        EXPECT_EQ(directDraw->CreateSurface(&description, &surface, NULL), DD_OK);
        std::vector<uint8_t> bytes(host::ReadSurface(surface).bytes.size());
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = (uint8_t)(1 + i);
        host::WriteSurface(surface, bytes);
        made.push_back(surface);
        return surface;
    }
    LPDIRECTDRAW directDraw = NULL;
    std::vector<LPDIRECTDRAWSURFACE> made;
};

// Row y of an 8-bit surface, `width` bytes of it.
std::vector<uint8_t> Row(LPDIRECTDRAWSURFACE surface, int y)
{
    host::SurfacePixels pixels = host::ReadSurface(surface);
    const uint8_t* row = &pixels.bytes[(size_t)y * pixels.pitch];
    return std::vector<uint8_t>(row, row + pixels.width);
}

TEST_F(StandInBlitTest, BltFastPutsTheSourceRectangleAtThePoint)
{
    LPDIRECTDRAWSURFACE source = Surface(8, 4), target = Surface(8, 4);  // pitch 8: bytes 1-32
    RECT from = {2, 1, 5, 3};
    ASSERT_EQ(target->BltFast(4, 2, source, &from, DDBLTFAST_NOCOLORKEY), DD_OK);
    EXPECT_EQ(Row(target, 1), (std::vector<uint8_t>{9, 10, 11, 12, 13, 14, 15, 16}));
    EXPECT_EQ(Row(target, 2), (std::vector<uint8_t>{17, 18, 19, 20, 11, 12, 13, 24}));
    EXPECT_EQ(Row(target, 3), (std::vector<uint8_t>{25, 26, 27, 28, 19, 20, 21, 32}));
}

TEST_F(StandInBlitTest, TheKeyFlagsUseTheSourcesKeyAndOnlyWhenItHasOne)
{
    LPDIRECTDRAWSURFACE keyless = Surface(4, 1), target = Surface(4, 1);
    RECT all = {0, 0, 4, 1};
    ASSERT_EQ(target->BltFast(0, 0, keyless, &all, DDBLTFAST_SRCCOLORKEY), DD_OK);
    EXPECT_EQ(Row(target, 0), (std::vector<uint8_t>{1, 2, 3, 4})) << "no key: an opaque copy";

    LPDIRECTDRAWSURFACE keyed = Surface(4, 1), blank = Surface(4, 1);
    DDCOLORKEY key = {2, 3};
    ASSERT_EQ(keyed->SetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
    host::WriteSurface(blank, {9, 9, 9, 9});
    ASSERT_EQ(blank->BltFast(0, 0, keyed, &all, DDBLTFAST_NOCOLORKEY), DD_OK);
    EXPECT_EQ(Row(blank, 0), (std::vector<uint8_t>{1, 2, 3, 4})) << "the key asked for by no flag";
    host::WriteSurface(blank, {9, 9, 9, 9});
    ASSERT_EQ(blank->Blt(&all, keyed, &all, DDBLT_KEYSRC, NULL), DD_OK);
    EXPECT_EQ(Row(blank, 0), (std::vector<uint8_t>{1, 9, 9, 4}));
}

TEST_F(StandInBlitTest, ARefusedBlitLeavesTheTargetAsItWas)
{
    struct Case {
        const char* what;
        RECT from, to;
        int sourceBits;
        HRESULT result;
    };
    const Case cases[] = {
        {"source past its right edge", {2, 0, 9, 2}, {0, 0, 7, 2}, 8, DDERR_INVALIDRECT},
        {"target past its bottom", {0, 0, 4, 2}, {0, 3, 4, 5}, 8, DDERR_INVALIDRECT},
        {"an empty source", {3, 0, 3, 2}, {0, 0, 4, 2}, 8, DDERR_INVALIDRECT},
        {"another pixel size", {0, 0, 4, 2}, {0, 0, 4, 2}, 16, DDERR_UNSUPPORTED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LPDIRECTDRAWSURFACE source = Surface(8, 4, c.sourceBits), target = Surface(8, 4);
        std::vector<uint8_t> before = host::ReadSurface(target).bytes;
        RECT from = c.from, to = c.to;
        EXPECT_EQ(target->Blt(&to, source, &from, 0, NULL), c.result);
        EXPECT_EQ(host::ReadSurface(target).bytes, before);
    }
}

}  // namespace
