// Where ddraw.dll puts the intro's picture in a window, the black around it,
// the 32-bit pixels it makes of the 8-bit ones, and the picture at sizes that
// are no whole factor.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
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
        // 1600x1200 is 80% of 2000x1500 exactly; a pixel less either way fits only 1280x960.
        {{2000, 1500}, 0, 5}, {{1999, 1500}, 0, 4}, {{2000, 1499}, 0, 4},
        {{1080, 1920}, 0, 2},  // a screen turned upright: its width decides
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
    const std::vector<uint32_t> top = {a, a, a, b, b, b, c, c, c}, bottom = {d, d, d, e, e, e, f, f, f};
    for (int y = 0; y < 6; ++y)
        EXPECT_EQ(std::vector<uint32_t>(thrice.begin() + y * 9, thrice.begin() + y * 9 + 9), y < 3 ? top : bottom)
            << "row " << y;
    std::vector<uint32_t> once(3 * 2, pad);
    player::Enlarge(source, 4, {3, 2}, table, 1, once.data(), 3 * 4);
    EXPECT_EQ(once, (std::vector<uint32_t>{a, b, c, d, e, f}));
}

// ---- Fill modes and resampling ----------------------------------------------------------

TEST(PictureRules, EachModePlacesThePictureWhereItSays)
{
    using player::Scaling;
    struct Case {
        Scaling scaling;
        player::Size client;
        int32_t scale, left, top, width, height;
    };
    const Case cases[] = {
        {Scaling::kInteger, {1920, 1080}, 4, 320, 60, 1280, 960},   // today's picture, the default
        {Scaling::kAspect, {1920, 1080}, 5, 240, 0, 1440, 1080},    // 4.5 times: sharp enlarges by 5
        {Scaling::kAspect, {1024, 768}, 4, 0, 0, 1024, 768},        // the whole screen, 3.2 times
        {Scaling::kAspect, {640, 480}, 2, 0, 0, 640, 480},          // a whole factor stays whole
        {Scaling::kAspect, {1366, 768}, 4, 171, 0, 1024, 768},
        {Scaling::kAspect, {3840, 2160}, 9, 480, 0, 2880, 2160},
        {Scaling::kAspect, {800, 1000}, 3, 0, 200, 800, 600},       // a tall window: black above and below
        {Scaling::kAspect, {1000, 751}, 4, 0, 0, 1000, 750},        // 750.5 rows round to 750, leaning up
        {Scaling::kAspect, {200, 150}, 1, 0, 0, 200, 150},          // smaller than the picture
        {Scaling::kAspect, {1001, 1000}, 4, 0, 124, 1001, 751},     // 750.75 rows round up; 249 over: 124 above
        {Scaling::kAspect, {1000, 602}, 3, 98, 0, 803, 602},        // 802.67 columns round up; 197 over: 98 left
        {Scaling::kAspect, {1000, 601}, 3, 99, 0, 801, 601},        // 801.33 round down
        {Scaling::kStretch, {1920, 1080}, 6, 0, 0, 1920, 1080},
        {Scaling::kStretch, {1024, 768}, 4, 0, 0, 1024, 768},
        {Scaling::kStretch, {700, 300}, 3, 0, 0, 700, 300},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << (int)c.scaling << " on " << c.client.width << "x" << c.client.height);
        const player::Placement placed = player::PlacePicture(kIntro, c.client, c.scaling);
        EXPECT_EQ(placed.scale, c.scale);
        EXPECT_EQ(placed.picture.left, c.left);
        EXPECT_EQ(placed.picture.top, c.top);
        EXPECT_EQ(placed.picture.right - placed.picture.left, c.width);
        EXPECT_EQ(placed.picture.bottom - placed.picture.top, c.height);
    }
    for (Scaling scaling : {Scaling::kAspect, Scaling::kStretch}) {
        EXPECT_EQ(player::PlacePicture(kIntro, {0, 0}, scaling).scale, 0);
        EXPECT_EQ(player::PlacePicture(kIntro, {1920, 0}, scaling).scale, 0);
    }
}

TEST(PictureRules, AWindowPlaceIsUsedOnlyWhereItsCaptionCanBeGrabbed)
{
    // A 1920x1080 monitor and, to its right, a 1280x1024 one.
    const player::Box monitors[] = {{0, 0, 1920, 1080}, {1920, 0, 3200, 1024}};
    struct Case {
        player::Box window;
        bool onOne, onBoth;
    };
    const Case cases[] = {
        {{100, 100, 800, 600}, true, true},
        {{2000, 100, 2700, 600}, false, true},       // on the second monitor only
        {{1800, 50, 2500, 550}, true, true},         // across the two
        {{-600, 100, 100, 600}, true, true},         // 100 pixels still on the first
        {{-600, 100, 63, 600}, false, false},        // 63: too little to grab
        {{100, -20, 800, 500}, false, false},        // the caption above the top
        {{100, 1070, 800, 1600}, false, false},      // the caption at the bottom edge
        {{100, 1064, 800, 1600}, true, true},        // 16 rows of it still there
        {{100, 1010, 800, 1600}, true, true},
        {{3300, 100, 4000, 600}, false, false},      // where no monitor is
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.window.left << "," << c.window.top);
        EXPECT_EQ(player::PlaceReachable(c.window, monitors, 1), c.onOne);
        EXPECT_EQ(player::PlaceReachable(c.window, monitors, 2), c.onBoth);
    }
    EXPECT_FALSE(player::PlaceReachable({0, 0, 640, 480}, monitors, 0));
}

// A picture of every index, shuffled, and a table of distinct colours.
struct TestPicture {
    player::Size size;
    std::vector<uint8_t> indices;
    uint32_t table[256];
    explicit TestPicture(player::Size s) : size(s), indices((size_t)s.width * s.height)
    {
        std::mt19937 random(7);
        for (uint8_t& index : indices)
            index = (uint8_t)(random() & 0xFF);
        for (uint32_t i = 0; i < 256; ++i)
            table[i] = (random() & 0xFFFFFFu);
    }
    std::vector<uint32_t> Drawn(player::Size target, player::Filter filter) const
    {
        player::Resampler resampler;
        resampler.Prepare(size, target, filter);
        std::vector<uint32_t> out((size_t)target.width * target.height, 0xAAAAAAAAu);
        resampler.Draw(indices.data(), size.width, table, out.data(), target.width * 4);
        return out;
    }
};

TEST(PictureRules, AtAWholeFactorBothFiltersGiveWhatEnlargeGives)
{
    const TestPicture picture({40, 30});
    for (int32_t scale = 1; scale <= 5; ++scale) {
        SCOPED_TRACE(testing::Message() << "scale " << scale);
        const player::Size target = {40 * scale, 30 * scale};
        std::vector<uint32_t> enlarged((size_t)target.width * target.height);
        player::Enlarge(picture.indices.data(), 40, picture.size, picture.table, scale, enlarged.data(),
                        target.width * 4);
        EXPECT_TRUE(picture.Drawn(target, player::Filter::kNearest) == enlarged);
        EXPECT_TRUE(picture.Drawn(target, player::Filter::kSharp) == enlarged);
    }
}

TEST(PictureRules, NearestTakesThePixelUnderEachCentre)
{
    using Tap = player::Resampler::Tap;
    // Three pixels over five: centres at 0.3, 0.9, 1.5, 2.1 and 2.7 source pixels.
    const std::vector<Tap> taps = player::Resampler::Taps(3, 5, player::Filter::kNearest);
    const int32_t expected[] = {0, 0, 1, 2, 2};
    ASSERT_EQ(taps.size(), 5u);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(taps[i].first, expected[i]) << i;
        EXPECT_EQ(taps[i].weight, 0u) << i;
    }
    // Shrunk: 4 over 2 takes the pixels under 1.0 and 3.0.
    const std::vector<Tap> shrunk = player::Resampler::Taps(4, 2, player::Filter::kNearest);
    EXPECT_EQ(shrunk[0].first, 1);
    EXPECT_EQ(shrunk[1].first, 3);
}

TEST(PictureRules, SharpBlendsOnlyWhereTwoEnlargedPixelsMeet)
{
    using Tap = player::Resampler::Tap;
    // Two pixels over three: enlarged twice to four, the centres at 1/6, 3/2 and 17/6
    // enlarged pixels; only the middle one falls between two source pixels, halfway.
    const std::vector<Tap> taps = player::Resampler::Taps(2, 3, player::Filter::kSharp);
    ASSERT_EQ(taps.size(), 3u);
    EXPECT_EQ(taps[0].first, 0);
    EXPECT_EQ(taps[0].weight, 0u);
    EXPECT_EQ(taps[1].first, 0);
    EXPECT_EQ(taps[1].second, 1);
    EXPECT_EQ(taps[1].weight, 128u);
    EXPECT_EQ(taps[2].first, 1);
    EXPECT_EQ(taps[2].weight, 0u);

    // Black and white halfway: each channel 0x80.
    player::Resampler resampler;
    resampler.Prepare({2, 1}, {3, 1}, player::Filter::kSharp);
    const uint8_t source[] = {0, 1};
    uint32_t table[256] = {};
    table[1] = 0xFFFFFF;
    uint32_t out[3] = {};
    resampler.Draw(source, 2, table, out, 12);
    EXPECT_EQ(out[0], 0x000000u);
    EXPECT_EQ(out[1], 0x808080u);
    EXPECT_EQ(out[2], 0xFFFFFFu);
}

TEST(PictureRules, SharpGivesEveryColumnTheSameShareWhereNearestGivesFourOrFive)
{
    // 320 columns over 1440 (the aspect box on 1920x1080): 4.5 target pixels each.
    auto spread = [](player::Filter filter) {
        std::vector<double> share(320, 0.0);
        for (const player::Resampler::Tap& tap : player::Resampler::Taps(320, 1440, filter)) {
            EXPECT_TRUE(tap.second == tap.first || tap.second == tap.first + 1);
            share[(size_t)tap.first] += (256.0 - tap.weight) / 256;
            share[(size_t)tap.second] += tap.weight / 256.0;
        }
        const auto [least, most] = std::minmax_element(share.begin() + 1, share.end() - 1);
        return *most - *least;
    };
    EXPECT_DOUBLE_EQ(spread(player::Filter::kNearest), 1.0);
    EXPECT_LT(spread(player::Filter::kSharp), 0.25);
}

// The sharp picture made the plain way: enlarged whole into memory, then each
// target pixel mixed from the four enlarged pixels around its centre in floating point.
std::vector<uint32_t> PlainSharp(const TestPicture& picture, player::Size target)
{
    const int32_t across = (target.width + picture.size.width - 1) / picture.size.width;
    const int32_t down = (target.height + picture.size.height - 1) / picture.size.height;
    const int32_t bigWidth = picture.size.width * across, bigHeight = picture.size.height * down;
    auto big = [&](int32_t x, int32_t y) {
        x = std::clamp(x, 0, bigWidth - 1);
        y = std::clamp(y, 0, bigHeight - 1);
        return picture.table[picture.indices[(size_t)(y / down) * picture.size.width + x / across]];
    };
    std::vector<uint32_t> out((size_t)target.width * target.height);
    for (int32_t y = 0; y < target.height; ++y)
        for (int32_t x = 0; x < target.width; ++x) {
            const double u = std::max(0.0, (x + 0.5) * bigWidth / target.width - 0.5);
            const double v = std::max(0.0, (y + 0.5) * bigHeight / target.height - 0.5);
            const int32_t u0 = (int32_t)u, v0 = (int32_t)v;
            const double fu = u - u0, fv = v - v0;
            uint32_t pixel = 0;
            for (int shift = 0; shift <= 16; shift += 8) {
                auto channel = [&](int32_t bx, int32_t by) { return (double)(big(bx, by) >> shift & 0xFF); };
                const double top = channel(u0, v0) * (1 - fu) + channel(u0 + 1, v0) * fu;
                const double bottom = channel(u0, v0 + 1) * (1 - fu) + channel(u0 + 1, v0 + 1) * fu;
                pixel |= (uint32_t)std::lround(top * (1 - fv) + bottom * fv) << shift;
            }
            out[(size_t)y * target.width + x] = pixel;
        }
    return out;
}

TEST(PictureRules, SharpIsTheWholeEnlargementSmoothedDownToTheSize)
{
    const TestPicture picture({32, 24});
    const player::Size targets[] = {{144, 108}, {100, 75}, {47, 90}, {32, 37}, {64, 29}};
    for (player::Size target : targets) {
        SCOPED_TRACE(testing::Message() << target.width << "x" << target.height);
        const std::vector<uint32_t> drawn = picture.Drawn(target, player::Filter::kSharp);
        const std::vector<uint32_t> plain = PlainSharp(picture, target);
        int worst = 0;
        for (size_t i = 0; i < drawn.size(); ++i)
            for (int shift = 0; shift <= 24; shift += 8)
                worst = std::max(worst, std::abs((int)(drawn[i] >> shift & 0xFF) - (int)(plain[i] >> shift & 0xFF)));
        // Weights in 256ths, rounded twice: at most a step or two from the exact mix.
        EXPECT_LE(worst, 2);
    }
}

TEST(PictureRules, NearestDrawsEachPixelFromTheSourcePixelUnderItsCentre)
{
    // Three by two over five by three: column centres at 0.3, 0.9, 1.5, 2.1 and
    // 2.7 source pixels, row centres at 1/3, 1 and 5/3.
    const uint8_t source[] = {1, 2, 3, 4, 5, 6};
    uint32_t table[256] = {};
    const uint32_t a = 0x110000, b = 0x002200, c = 0x000033, d = 0x440000, e = 0x005500, f = 0x000066;
    table[1] = a, table[2] = b, table[3] = c, table[4] = d, table[5] = e, table[6] = f;
    player::Resampler resampler;
    resampler.Prepare({3, 2}, {5, 3}, player::Filter::kNearest);
    std::vector<uint32_t> out(5 * 3);
    resampler.Draw(source, 3, table, out.data(), 5 * 4);
    const std::vector<uint32_t> expected = {
        a, a, b, c, c,  //
        d, d, e, f, f,  //
        d, d, e, f, f,
    };
    EXPECT_EQ(out, expected);
}

TEST(PictureRules, SharpTapsAreTheEnlargedPixelsEitherSideOfEachCentre)
{
    using Tap = player::Resampler::Tap;
    // Three pixels over seven, enlarged three times to nine: the centres lie at
    // 9/14, 27/14 ... 117/14 less a half, in enlarged pixels: 0.14, 1.43, 2.71,
    // 4, 5.29, 6.57 and 7.86. Only 2.71 (enlarged 2 and 3: source 0 and 1,
    // 0.714 = 183/256 of the second) and 5.29 (source 1 and 2, 73/256) straddle two.
    const std::vector<Tap> expected = {{0, 0, 0}, {0, 0, 0}, {0, 1, 183}, {1, 1, 0}, {1, 2, 73}, {2, 2, 0}, {2, 2, 0}};
    const std::vector<Tap> taps = player::Resampler::Taps(3, 7, player::Filter::kSharp);
    ASSERT_EQ(taps.size(), expected.size());
    for (size_t i = 0; i < taps.size(); ++i) {
        EXPECT_EQ(taps[i].first, expected[i].first) << i;
        EXPECT_EQ(taps[i].second, expected[i].second) << i;
        EXPECT_EQ(taps[i].weight, expected[i].weight) << i;
    }
    // 53 over 256, enlarged five times: pixel 227's centre is at 234.998, so
    // near enlarged pixel 235 (source 47) that it is that pixel alone.
    const Tap edge = player::Resampler::Taps(53, 256, player::Filter::kSharp)[227];
    EXPECT_EQ(edge.first, 47);
    EXPECT_EQ(edge.weight, 0u);
}

TEST(PictureRules, SharpMixesEachChannelByItsTapsWeight)
{
    // The taps of three over seven above, across and down: the mixed pixels
    // worked out by hand, each channel rounded to the nearest.
    const uint32_t c0 = 0x10E040, c1 = 0xF02080, c2 = 0x0000FF;
    // 73/256 of c0 and 183/256 of c1: red 176.1, green 86.75, blue 109.75.
    const uint32_t mix01 = 0xB0576E;
    // 183/256 of c1 and 73/256 of c2: red 171.6, green 22.9, blue 164.2.
    const uint32_t mix12 = 0xAC17A4;
    const std::vector<uint32_t> expected = {c0, c0, mix01, c1, mix12, c2, c2};
    const uint8_t source[] = {0, 1, 2};
    uint32_t table[256] = {};
    table[0] = c0, table[1] = c1, table[2] = c2;
    const player::Size across[] = {{3, 1}, {7, 1}}, down[] = {{1, 3}, {1, 7}};
    for (const player::Size* sizes : {across, down}) {
        player::Resampler resampler;
        resampler.Prepare(sizes[0], sizes[1], player::Filter::kSharp);
        std::vector<uint32_t> out(7, 0xAAAAAAAAu);
        resampler.Draw(source, sizes[0].width, table, out.data(), sizes[1].width * 4);
        EXPECT_EQ(out, expected) << (sizes == across ? "across" : "down");
    }
}

TEST(PictureRules, AtFourAndAHalfSharpGreysEveryOtherEdgeWhereNearestGivesColumnsOfFourAndFive)
{
    // Black and white columns, 320 over 1440 (the aspect box on 1920x1080):
    // column k covers 4.5 k to 4.5 (k + 1). Where an edge falls in the middle of
    // a pixel (2x + 1 = 9k), sharp gives it half of each: grey; nearest never mixes.
    const player::Size picture = {320, 1}, box = {1440, 1};
    std::vector<uint8_t> stripes(320);
    for (size_t x = 0; x < stripes.size(); ++x)
        stripes[x] = (uint8_t)(x & 1);
    uint32_t table[256] = {};
    table[1] = 0xFFFFFF;
    std::vector<uint32_t> sharp(1440), nearest(1440);
    player::Resampler resampler;
    resampler.Prepare(picture, box, player::Filter::kSharp);
    resampler.Draw(stripes.data(), 320, table, sharp.data(), 1440 * 4);
    resampler.Prepare(picture, box, player::Filter::kNearest);
    resampler.Draw(stripes.data(), 320, table, nearest.data(), 1440 * 4);
    int greys = 0, wrong = 0;
    for (int x = 0; x < 1440; ++x) {
        const uint32_t column = table[stripes[(size_t)((2 * x + 1) / 9)]];
        const bool edge = (2 * x + 1) % 9 == 0;
        greys += sharp[(size_t)x] == 0x808080;
        wrong += sharp[(size_t)x] != (edge ? 0x808080u : column);
    }
    EXPECT_EQ(greys, 160);
    EXPECT_EQ(wrong, 0);
    // Nearest: runs of one colour, 4 and 5 pixels long in turn.
    std::vector<int> runs(1, 1);
    for (int x = 1; x < 1440; ++x)
        if (nearest[(size_t)x] == nearest[(size_t)x - 1])
            ++runs.back();
        else
            runs.push_back(1);
    ASSERT_EQ(runs.size(), 320u);
    for (size_t k = 0; k < runs.size(); ++k)
        ASSERT_EQ(runs[k], k % 2 ? 5 : 4) << "column " << k;
}

}  // namespace
