// MatchSurfaceColor and SetSurfaceColorKey on surfaces of 8, 16, 24 and 32 bits:
// the value GDI draws for a colour, read back through a lock, the top-left
// pixel put back, and the key made of it.
#include "tests/bitmap_test_support.h"

namespace {

const int kBlackIndex = 77;  // where black lies in the 8-bit surfaces' palette

// A 4x2 surface whose first bytes are `first`, the rest 0x66; an 8-bit one shows
// the made bitmaps' table colours, with black at kBlackIndex.
class ColorKeyTest : public BitmapTest {
protected:
    LPDIRECTDRAWSURFACE Surface(int bits, const std::vector<uint8_t>& first)
    {
        LPDIRECTDRAWSURFACE surface = MakeSurface(4, 2, bits);
        if (bits == 8) {
            PALETTEENTRY table[256];
            for (int i = 0; i < 256; ++i) {
                dib::Color color = dib::TableColor(i);
                table[i] = PALETTEENTRY{color.red, color.green, color.blue, 0};
            }
            table[kBlackIndex] = PALETTEENTRY{0, 0, 0, 0};
            LPDIRECTDRAWPALETTE palette = NULL;
            EXPECT_EQ(directDraw->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, table, &palette, NULL), DD_OK);
            EXPECT_EQ(surface->SetPalette(palette), DD_OK);
            palette->Release();
        }
        std::vector<uint8_t> bytes(host::ReadSurface(surface).bytes.size(), 0x66);
        std::copy(first.begin(), first.end(), bytes.begin());
        host::WriteSurface(surface, bytes);
        host::ClearCalls();
        return surface;
    }
};

// Entry i of the 8-bit surfaces' palette as a GDI colour.
COLORREF TableRgb(int i)
{
    dib::Color color = dib::TableColor(i);
    return RGB(color.red, color.green, color.blue);
}

// A colour drawn on a surface whose top-left pixel holds a value GDI can put back exactly.
struct MatchCase {
    int bits;
    std::vector<uint8_t> topLeft;
    COLORREF color;
    DWORD value;
};

const MatchCase kMatches[] = {
    {8, {5}, RGB(0, 0, 0), kBlackIndex},
    {8, {5}, TableRgb(200), 200},
    {16, {0x34, 0x12}, RGB(255, 0, 0), 0xF800},
    {16, {0x34, 0x12}, RGB(8, 4, 8), 0x0821},
    {24, {0x33, 0x22, 0x11, 0xFF}, RGB(1, 2, 3), 0x010203},  // the next pixel's byte is no part of it
    {32, {0x33, 0x22, 0x11, 0x00}, RGB(1, 2, 3), 0x010203},
};

TEST_F(ColorKeyTest, AColourMatchesTheValueGdiDrawsAndThePixelIsPutBack)
{
    for (const MatchCase& test : kMatches) {
        SCOPED_TRACE(std::to_string(test.bits) + " bits, colour " + std::to_string(test.color));
        LPDIRECTDRAWSURFACE surface = Surface(test.bits, test.topLeft);
        std::vector<uint8_t> before = host::ReadSurface(surface).bytes;
        EXPECT_EQ(MatchSurfaceColor(surface, test.color), test.value);
        EXPECT_EQ(host::ReadSurface(surface).bytes, before);
        EXPECT_EQ(host::CallNames(),
                  (std::vector<std::string>{"IDirectDrawSurface::GetDC", "GetPixel", "SetPixel",
                                            "IDirectDrawSurface::ReleaseDC", "IDirectDrawSurface::Lock",
                                            "IDirectDrawSurface::Unlock", "IDirectDrawSurface::GetDC", "SetPixel",
                                            "IDirectDrawSurface::ReleaseDC"}));
        EXPECT_EQ(ArgsOf("IDirectDrawSurface::Lock"), std::vector<std::string>{"null, 0x0, null"});
    }
}

TEST_F(ColorKeyTest, NoColourReadsTheTopLeftPixelAsItIsToItsOwnDepth)
{
    const std::vector<uint8_t> first = {0xD4, 0xC3, 0xB2, 0xA1};
    const std::pair<int, DWORD> cases[] = {{8, 0xD4}, {16, 0xC3D4}, {24, 0xB2C3D4}, {32, 0xA1B2C3D4}};
    for (auto [bits, value] : cases) {
        SCOPED_TRACE(std::to_string(bits) + " bits");
        LPDIRECTDRAWSURFACE surface = Surface(bits, first);
        std::vector<uint8_t> before = host::ReadSurface(surface).bytes;
        EXPECT_EQ(MatchSurfaceColor(surface, CLR_INVALID), value);
        EXPECT_EQ(host::ReadSurface(surface).bytes, before);
        EXPECT_EQ(host::CallNames(),
                  (std::vector<std::string>{"IDirectDrawSurface::Lock", "IDirectDrawSurface::Unlock"}));
    }
}

// The value read is 4 bytes at most: a format of more pixel bits is read as 32.
TEST_F(ColorKeyTest, APixelOfMoreThan32BitsIsReadAsItsFirst32)
{
    LPDIRECTDRAWSURFACE surface = Surface(32, {0xD4, 0xC3, 0xB2, 0xA1, 0x77, 0x66, 0x55, 0x44});
    host::ReportBitsPerPixel(surface, 64);
    EXPECT_EQ(MatchSurfaceColor(surface, CLR_INVALID), 0xA1B2C3D4u);
}

TEST_F(ColorKeyTest, ALockStillDrawingIsAskedAgainAtOnce)
{
    for (int answers : {1, 3, 20}) {
        SCOPED_TRACE(answers);
        LPDIRECTDRAWSURFACE surface = Surface(16, {0x34, 0x12});
        host::FailCall("IDirectDrawSurface::Lock", DDERR_WASSTILLDRAWING, answers);
        EXPECT_EQ(MatchSurfaceColor(surface, RGB(255, 0, 0)), 0xF800u);
        EXPECT_EQ(ArgsOf("IDirectDrawSurface::Lock"),
                  std::vector<std::string>((size_t)answers + 1, "null, 0x0, null"));
        EXPECT_EQ(CountOf("IDirectDrawSurface::Unlock"), 1u);
    }
}

TEST_F(ColorKeyTest, ASurfaceThatCannotBeLockedMatchesNothingAndStillGetsItsPixelBack)
{
    for (HRESULT code : {DDERR_SURFACELOST, DDERR_SURFACEBUSY, DDERR_INVALIDPARAMS}) {
        SCOPED_TRACE(code);
        LPDIRECTDRAWSURFACE surface = Surface(8, {5});
        std::vector<uint8_t> before = host::ReadSurface(surface).bytes;
        host::FailCall("IDirectDrawSurface::Lock", (uint32_t)code, -1);
        EXPECT_EQ(SetSurfaceColorKey(surface, RGB(0, 0, 0)), DD_OK);
        DDCOLORKEY key = {};
        ASSERT_TRUE(host::HasSourceColorKey(surface, &key));
        EXPECT_EQ(key.dwColorSpaceLowValue, 0xFFFFFFFFu);
        EXPECT_EQ(key.dwColorSpaceHighValue, 0xFFFFFFFFu);
        EXPECT_EQ(CountOf("IDirectDrawSurface::Lock"), 1u);
        EXPECT_EQ(CountOf("IDirectDrawSurface::Unlock"), 0u);
        EXPECT_EQ(host::ReadSurface(surface).bytes, before);
    }
}

TEST_F(ColorKeyTest, WithoutADeviceContextNothingIsDrawnOrPutBack)
{
    // The first context refused: the lock reads the pixel as it is.
    LPDIRECTDRAWSURFACE untouched = Surface(16, {0x34, 0x12});
    host::FailCall("IDirectDrawSurface::GetDC", DDERR_CANTCREATEDC);
    EXPECT_EQ(MatchSurfaceColor(untouched, RGB(255, 0, 0)), 0x1234u);
    EXPECT_EQ(CountOf("IDirectDrawSurface::GetDC"), 1u);
    EXPECT_EQ(CountOf("GetPixel") + CountOf("SetPixel"), 0u);

    // The second refused: the pixel keeps the colour drawn.
    LPDIRECTDRAWSURFACE drawn = Surface(16, {0x34, 0x12});
    host::FailCall("IDirectDrawSurface::GetDC", DDERR_CANTCREATEDC, 1, 1);
    EXPECT_EQ(MatchSurfaceColor(drawn, RGB(255, 0, 0)), 0xF800u);
    EXPECT_EQ(PixelAt(host::ReadSurface(drawn), 0, 0), 0xF800u);
}

TEST_F(ColorKeyTest, APixelGdiCouldNotReadIsNotWrittenBack)
{
    LPDIRECTDRAWSURFACE surface = Surface(32, {0x33, 0x22, 0x11, 0x00});
    host::FailCall("GetPixel", CLR_INVALID);
    EXPECT_EQ(MatchSurfaceColor(surface, RGB(1, 2, 3)), 0x010203u);
    EXPECT_EQ(ArgsOf("SetPixel").size(), 1u);
    EXPECT_EQ(CountOf("IDirectDrawSurface::GetDC"), 1u);
}

TEST_F(ColorKeyTest, TheKeyIsTheMatchAtBothEndsAndItsResultComesBack)
{
    for (const MatchCase& test : kMatches) {
        SCOPED_TRACE(std::to_string(test.bits) + " bits, colour " + std::to_string(test.color));
        LPDIRECTDRAWSURFACE surface = Surface(test.bits, test.topLeft);
        EXPECT_EQ(SetSurfaceColorKey(surface, test.color), DD_OK);
        char expected[64];
        std::snprintf(expected, sizeof expected, "0x8, 0x%X, 0x%X", (unsigned)test.value, (unsigned)test.value);
        EXPECT_EQ(ArgsOf("IDirectDrawSurface::SetColorKey"), std::vector<std::string>{expected});
    }
    LPDIRECTDRAWSURFACE refusing = Surface(8, {5});
    host::FailCall("IDirectDrawSurface::SetColorKey", (uint32_t)DDERR_UNSUPPORTED);
    EXPECT_EQ(SetSurfaceColorKey(refusing, RGB(0, 0, 0)), DDERR_UNSUPPORTED);
}

}  // namespace
