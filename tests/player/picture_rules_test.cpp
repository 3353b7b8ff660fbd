// Where ddraw.dll puts the intro's picture in a window, the black around it,
// and the 32-bit pixels it makes of the 8-bit ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "player/ddraw/picture_rules.h"

namespace {

const player::Size kIntro = {320, 240};

TEST(PictureRules, TheLargestWholeFactorThatFitsCentredInTheClientArea)
{
    struct Case {
        player::Size picture, client;
        int32_t scale, left, top;
    };
    const Case cases[] = {
        {kIntro, {1024, 768}, 3, 32, 24},    // Xvfb's screen: 960x720 in the middle
        {kIntro, {1920, 1080}, 4, 320, 60},  // 1280x960
        {kIntro, {1366, 768}, 3, 203, 24},
        {kIntro, {3840, 2160}, 9, 480, 0},
        {kIntro, {640, 480}, 2, 0, 0},
        {kIntro, {800, 600}, 2, 80, 60},
        {kIntro, {320, 240}, 1, 0, 0},
        {kIntro, {639, 479}, 1, 159, 119},  // half a pixel over: left and up
        {kIntro, {959, 720}, 2, 159, 120},  // one pixel short of 3 across
        {{640, 480}, {1920, 1080}, 2, 320, 60},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.client.width << "x" << c.client.height);
        const player::Placement placed = player::PlacePicture(c.picture, c.client);
        EXPECT_EQ(placed.scale, c.scale);
        EXPECT_EQ(placed.picture.left, c.left);
        EXPECT_EQ(placed.picture.top, c.top);
        EXPECT_EQ(placed.picture.right - placed.picture.left, c.picture.width * c.scale);
        EXPECT_EQ(placed.picture.bottom - placed.picture.top, c.picture.height * c.scale);
    }
}

TEST(PictureRules, AClientTooSmallCutsThePictureAtOneAndAnEmptyOneShowsNothing)
{
    const player::Placement small = player::PlacePicture(kIntro, {300, 201});
    EXPECT_EQ(small.scale, 1);
    EXPECT_EQ(small.picture.left, -10);
    EXPECT_EQ(small.picture.top, -20);  // 39 rows over: 20 above, 19 below
    EXPECT_EQ(small.picture.right, 310);
    EXPECT_EQ(small.picture.bottom, 220);
    const player::Size empty[] = {{0, 0}, {1024, 0}, {0, 768}, {-5, 100}};
    for (player::Size client : empty)
        EXPECT_EQ(player::PlacePicture(kIntro, client).scale, 0) << client.width << "x" << client.height;
}

TEST(PictureRules, TheWindowedFactorFitsFourFifthsOfTheScreenUnlessSet)
{
    struct Case {
        player::Size screen;
        int32_t setting, scale;
    };
    const Case cases[] = {
        {{1024, 768}, 0, 2},  {{1920, 1080}, 0, 3}, {{2560, 1440}, 0, 4}, {{3840, 2160}, 0, 7},
        {{800, 600}, 0, 2},   {{640, 480}, 0, 1},   {{320, 240}, 0, 1},   {{100, 100}, 0, 1},
        {{1024, 768}, 1, 1},  {{1024, 768}, 5, 5},  {{1920, 1080}, 2, 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(player::WindowedScale(kIntro, c.screen, c.setting), c.scale)
            << c.screen.width << "x" << c.screen.height << " set to " << c.setting;
}

TEST(PictureRules, BordersAndPictureCoverTheClientOnceEach)
{
    const player::Size clients[] = {{1024, 768}, {330, 250}, {700, 241}, {321, 500}, {640, 480}, {300, 200}};
    for (player::Size client : clients) {
        SCOPED_TRACE(testing::Message() << client.width << "x" << client.height);
        const player::Placement placed = player::PlacePicture(kIntro, client);
        player::Box borders[4];
        const int count = player::Borders(client, placed, borders);
        std::vector<int> covered((size_t)client.width * client.height, 0);
        auto cover = [&](const player::Box& box) {
            for (int32_t y = std::max(0, box.top); y < std::min(client.height, box.bottom); ++y)
                for (int32_t x = std::max(0, box.left); x < std::min(client.width, box.right); ++x)
                    covered[(size_t)y * client.width + x] += 1;
        };
        for (int i = 0; i < count; ++i) {
            EXPECT_LT(borders[i].left, borders[i].right);
            EXPECT_LT(borders[i].top, borders[i].bottom);
            cover(borders[i]);
        }
        cover(placed.picture);
        int wrong = 0;
        for (int times : covered)
            wrong += times != 1;
        EXPECT_EQ(wrong, 0) << "pixels covered other than once";
    }
}

TEST(PictureRules, TheBordersOfTheUsualScreensAreTheBandsAround)
{
    player::Box borders[4];
    const player::Placement xvfb = player::PlacePicture(kIntro, {1024, 768});
    ASSERT_EQ(player::Borders({1024, 768}, xvfb, borders), 4);
    const player::Box expected[] = {{0, 0, 1024, 24}, {0, 744, 1024, 768}, {0, 24, 32, 744}, {992, 24, 1024, 744}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(borders[i].left, expected[i].left) << i;
        EXPECT_EQ(borders[i].top, expected[i].top) << i;
        EXPECT_EQ(borders[i].right, expected[i].right) << i;
        EXPECT_EQ(borders[i].bottom, expected[i].bottom) << i;
    }
    EXPECT_EQ(player::Borders({640, 480}, player::PlacePicture(kIntro, {640, 480}), borders), 0);
    const player::Placement nothing = player::PlacePicture(kIntro, {100, 0});
    EXPECT_EQ(player::Borders({100, 0}, nothing, borders), 0);
}

TEST(PictureRules, PaletteColoursBecomeRgbPixelsWithoutTheirFlags)
{
    player::PaletteColor colors[256] = {};
    colors[0] = {0, 0, 0, 0};
    colors[1] = {0x12, 0x34, 0x56, 0x78};
    colors[200] = {255, 0, 128, 4};
    colors[255] = {255, 255, 255, 0};
    uint32_t table[256];
    player::PixelTable(colors, table);
    EXPECT_EQ(table[0], 0x000000u);
    EXPECT_EQ(table[1], 0x123456u);
    EXPECT_EQ(table[200], 0xFF0080u);
    EXPECT_EQ(table[255], 0xFFFFFFu);
    EXPECT_EQ(table[2], 0x000000u);
}

TEST(PictureRules, EveryPixelBecomesASquareOfItsColourAndTheRowEndsStayUntouched)
{
    // Three by two indices, rows four bytes apart (one byte of padding).
    const uint8_t source[] = {1, 2, 3, 99, 4, 5, 6, 99};
    uint32_t table[256] = {};
    for (int i = 1; i <= 6; ++i)
        table[i] = 0x010101u * (uint32_t)(i * 16);
    table[99] = 0xDEAD;  // the padding must never be read into the picture
    const uint32_t a = 0x101010, b = 0x202020, c = 0x303030, d = 0x404040, e = 0x505050, f = 0x606060;
    const uint32_t pad = 0xAAAAAAAA;
    // Scale 2 into rows of 7 pixels (one pixel of padding after 6).
    std::vector<uint32_t> twice(7 * 4, pad);
    player::Enlarge(source, 4, {3, 2}, table, 2, twice.data(), 7 * 4);
    const std::vector<uint32_t> expected = {
        a, a, b, b, c, c, pad,  //
        a, a, b, b, c, c, pad,  //
        d, d, e, e, f, f, pad,  //
        d, d, e, e, f, f, pad,
    };
    EXPECT_EQ(twice, expected);
    std::vector<uint32_t> thrice(9 * 6, pad);
    player::Enlarge(source, 4, {3, 2}, table, 3, thrice.data(), 9 * 4);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 9; ++x)
            EXPECT_EQ(thrice[(size_t)y * 9 + x], table[source[(y / 3) * 4 + x / 3]]) << x << "," << y;
    std::vector<uint32_t> once(3 * 2, pad);
    player::Enlarge(source, 4, {3, 2}, table, 1, once.data(), 3 * 4);
    EXPECT_EQ(once, (std::vector<uint32_t>{a, b, c, d, e, f}));
}

}  // namespace
