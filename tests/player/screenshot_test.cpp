// ddraw.dll's screenshots: the PNGs it writes, read back by libpng, and the
// names and settings of its files.
#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <string>
#include <vector>

#include "player/ddraw/png_file.h"
#include "player/ddraw/screenshot_rules.h"

namespace {

// What libpng finds in a file, untransformed: the rows as stored.
struct Decoded {
    bool ok = false;
    uint32_t width = 0, height = 0;
    int colorType = -1, depth = 0;
    std::vector<png_color> palette;
    std::vector<std::vector<uint8_t>> rows;
};

struct Reader {
    const std::vector<uint8_t>* bytes;
    size_t at;
};

void ReadBytes(png_structp png, png_bytep out, png_size_t length)
{
    Reader* reader = static_cast<Reader*>(png_get_io_ptr(png));
    if (reader->at + length > reader->bytes->size())
        png_error(png, "read past the end");
    std::memcpy(out, reader->bytes->data() + reader->at, length);
    reader->at += length;
}

Decoded Decode(const std::vector<uint8_t>& bytes)
{
    Decoded decoded;
    Reader reader = {&bytes, 0};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        decoded.ok = false;
        return decoded;
    }
    png_set_read_fn(png, &reader, ReadBytes);
    png_read_info(png, info);
    decoded.width = png_get_image_width(png, info);
    decoded.height = png_get_image_height(png, info);
    decoded.colorType = png_get_color_type(png, info);
    decoded.depth = png_get_bit_depth(png, info);
    png_colorp colors = nullptr;
    int count = 0;
    if (png_get_PLTE(png, info, &colors, &count))
        decoded.palette.assign(colors, colors + count);
    const size_t rowBytes = png_get_rowbytes(png, info);
    decoded.rows.assign(decoded.height, std::vector<uint8_t>(rowBytes));
    for (auto& row : decoded.rows)
        png_read_row(png, row.data(), nullptr);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    decoded.ok = reader.at == bytes.size();  // nothing after IEND
    return decoded;
}

// A palette of 256 different colours that do not follow the index.
void OddColors(player::PaletteColor colors[256])
{
    for (int i = 0; i < 256; ++i)
        colors[i] = player::PaletteColor{(uint8_t)(i * 7 + 3), (uint8_t)(255 - i), (uint8_t)(i * 13), 0x04};
}

TEST(ScreenshotPng, TheFrameComesBackWithItsIndicesAndPalette)
{
    // 320x240 in a surface of a wider pitch, whose gap must not be written.
    const int32_t width = 320, height = 240, pitch = 336;
    std::vector<uint8_t> surface((size_t)pitch * height, 0xEE);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            surface[(size_t)y * pitch + x] = (uint8_t)((x * 3 + y * y) % 251 + (x == y ? 5 : 0));
    player::PaletteColor colors[256];
    OddColors(colors);

    const Decoded png = Decode(player::IndexedPng(surface.data(), pitch, player::Size{width, height}, colors));
    ASSERT_TRUE(png.ok);
    EXPECT_EQ(png.width, 320u);
    EXPECT_EQ(png.height, 240u);
    EXPECT_EQ(png.colorType, PNG_COLOR_TYPE_PALETTE);
    EXPECT_EQ(png.depth, 8);
    ASSERT_EQ(png.palette.size(), 256u);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(png.palette[i].red, colors[i].red) << i;
        EXPECT_EQ(png.palette[i].green, colors[i].green) << i;
        EXPECT_EQ(png.palette[i].blue, colors[i].blue) << i;
    }
    int differing = 0;
    for (int32_t y = 0; y < height; ++y)
        differing += std::memcmp(png.rows[y].data(), &surface[(size_t)y * pitch], width) != 0;
    EXPECT_EQ(differing, 0) << "rows differ";
}

TEST(ScreenshotPng, TheShownPictureComesBackAsRedGreenBlue)
{
    // Sizes around the compressor's 32 KB window and odd ones.
    const player::Size sizes[] = {{1, 1}, {3, 2}, {1024, 768}, {1921, 1081}};
    for (const player::Size size : sizes) {
        const int32_t pitch = size.width + 2;
        std::vector<uint32_t> pixels((size_t)pitch * size.height, 0xFFFFFFFFu);
        for (int32_t y = 0; y < size.height; ++y)
            for (int32_t x = 0; x < size.width; ++x)
                pixels[(size_t)y * pitch + x] = (uint32_t)((x / 3) * 0x010203 + (y / 3) * 0x030201) & 0x00FFFFFFu;

        const Decoded png = Decode(player::ColorPng(pixels.data(), pitch, size));
        ASSERT_TRUE(png.ok) << size.width << "x" << size.height;
        EXPECT_EQ(png.width, (uint32_t)size.width);
        EXPECT_EQ(png.height, (uint32_t)size.height);
        EXPECT_EQ(png.colorType, PNG_COLOR_TYPE_RGB);
        EXPECT_EQ(png.depth, 8);
        EXPECT_TRUE(png.palette.empty());
        int differing = 0;
        for (int32_t y = 0; y < size.height; ++y)
            for (int32_t x = 0; x < size.width; ++x) {
                const uint32_t pixel = pixels[(size_t)y * pitch + x];
                const uint8_t* rgb = &png.rows[y][(size_t)x * 3];
                differing += rgb[0] != (uint8_t)(pixel >> 16) || rgb[1] != (uint8_t)(pixel >> 8) ||
                             rgb[2] != (uint8_t)pixel;
            }
        EXPECT_EQ(differing, 0) << size.width << "x" << size.height;
    }
}

TEST(ScreenshotPng, NoFileForAnEmptyPicture)
{
    const uint8_t index = 0;
    const uint32_t pixel = 0;
    player::PaletteColor colors[256];
    OddColors(colors);
    EXPECT_TRUE(player::IndexedPng(&index, 1, player::Size{0, 240}, colors).empty());
    EXPECT_TRUE(player::IndexedPng(&index, 1, player::Size{320, 0}, colors).empty());
    EXPECT_TRUE(player::ColorPng(&pixel, 1, player::Size{-1, 1}).empty());
}

TEST(ScreenshotName, DateTimeAndFlipsAndASuffixWhenTaken)
{
    const player::ShotTime time = {2026, 12, 10, 7, 5, 9};
    EXPECT_EQ(player::ScreenshotName(time, 1623, 1), "2026-12-10_07-05-09_flip01623.png");
    EXPECT_EQ(player::ScreenshotName(time, 0, 1), "2026-12-10_07-05-09_flip00000.png");
    EXPECT_EQ(player::ScreenshotName(time, 1234567, 1), "2026-12-10_07-05-09_flip1234567.png");
    EXPECT_EQ(player::ScreenshotName(time, 1623, 2), "2026-12-10_07-05-09_flip01623-2.png");
    EXPECT_EQ(player::ScreenshotName(time, 1623, 100), "2026-12-10_07-05-09_flip01623-100.png");
    const player::ShotTime lastSecond = {1999, 1, 31, 23, 59, 59};
    EXPECT_EQ(player::ScreenshotName(lastSecond, 10211, 1), "1999-01-31_23-59-59_flip10211.png");
}

TEST(ScreenshotSettings, KeysByNameAsWindowsCodesThem)
{
    struct Case {
        const char* name;
        uint32_t key;
    };
    const Case taken[] = {
        {"PrtScn", 0x2C}, {"print", 0x2C}, {" PrintScreen\t", 0x2C}, {"F1", 0x70}, {"f12", 0x7B}, {"F9", 0x78},
        {"Pause", 0x13},  {"scrolllock", 0x91}, {"INSERT", 0x2D}, {"none", 0},
    };
    for (const Case& c : taken) {
        uint32_t key = 0xFFFF;
        EXPECT_TRUE(player::ParseKeyName(c.name, &key)) << c.name;
        EXPECT_EQ(key, c.key) << c.name;
    }
    const char* refused[] = {"", "F0", "F13", "F01", "F", "f1x", "a", "Esc", "Return", "0x2C", "prt scn"};
    for (const char* name : refused) {
        uint32_t key = 0xFFFF;
        EXPECT_FALSE(player::ParseKeyName(name, &key)) << name;
        EXPECT_EQ(key, 0xFFFFu) << name;
    }
}

TEST(ScreenshotSettings, TheFrameOrThePictureAsShown)
{
    player::ShotKind kind = player::ShotKind::kShown;
    EXPECT_TRUE(player::ParseShotKind(" Frame ", &kind));
    EXPECT_EQ(kind, player::ShotKind::kFrame);
    EXPECT_TRUE(player::ParseShotKind("SHOWN", &kind));
    EXPECT_EQ(kind, player::ShotKind::kShown);
    for (const char* text : {"", "both", "on", "1", "frames"}) {
        EXPECT_FALSE(player::ParseShotKind(text, &kind)) << text;
        EXPECT_EQ(kind, player::ShotKind::kShown) << text;
    }
}

}  // namespace
