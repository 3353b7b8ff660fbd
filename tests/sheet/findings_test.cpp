// What the checker says about files as image editors write them: one finding for the
// fault that makes the rest meaningless, warnings for header fields the intro never
// reads, a count instead of a flood, and a hint where an export caused the trouble.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "sheet_test_support.h"

using sheet_test::Contains;
using sheet_test::Encode;
using sheet_test::HandSheet;
using sheet_test::Lines;
using sheet_test::MinimalSheet;
using sheet_test::PutU16;
using sheet_test::PutU32;

namespace {

std::vector<uint8_t> Valid()
{
    return Encode(MinimalSheet());
}

TEST(SheetFindings, RootCauseIsTheOnlyFinding)
{
    struct Case {
        const char* what;
        size_t at;
        int bytes;
        uint32_t value;
        size_t keep;  // bytes of the file kept, 0 for all
        const char* says;
    } cases[] = {
        // A 24-bit export: no colour table, three bytes a pixel, so a different size too.
        {"24 bits", 28, 2, 24, 54 + 320 * 1728 * 3, "biBitCount must be 8 (256 colours, one byte a pixel), it is 24"},
        {"4 bits", 28, 2, 4, 54 + 64 + 160 * 1728, "biBitCount must be 8"},
        {"an OS/2 header", 14, 4, 12, 0, "biSize must be 40 (a BITMAPINFOHEADER), it is 12"},
        {"run-length coded", 30, 4, 1, 30000, "biCompression must be 0 (BI_RGB, uncompressed), it is 1"},
        {"a row short", 22, 4, 1727, sheet::kFileBytes - 320, "biHeight must be 1728, it is 1727"},
        {"a column short", 18, 4, 319, sheet::kFileBytes - 1728, "biWidth must be 320, it is 319"},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> f = Valid();
        f.resize(c.keep ? c.keep : f.size(), 0x55);
        if (c.bytes == 2)
            PutU16(f, c.at, uint16_t(c.value));
        else
            PutU32(f, c.at, c.value);
        std::vector<sheet::Finding> found = sheet::CheckFileBytes(f);
        ASSERT_EQ(found.size(), 1u) << c.what << ": " << testing::PrintToString(Lines(found));
        EXPECT_TRUE(Contains(found[0].detail, c.says)) << c.what;
        EXPECT_TRUE(sheet::Refused(found)) << c.what;
        EXPECT_FALSE(sheet::NotABitmap(found)) << c.what;
    }
}

TEST(SheetFindings, WhatIsNoBitmapIsSaidOnce)
{
    const std::string png = "\x89PNG\r\n\x1a\n and the rest of a picture that is not a bitmap at all";
    const std::string text = "hello, I am a text file and no sheet\n";
    for (const std::string& content : {png, text, std::string("BM")}) {
        std::vector<uint8_t> f(content.begin(), content.end());
        f.resize(std::max(f.size(), size_t(2000)), 'x');
        if (content == "BM")
            f.resize(20);
        std::vector<sheet::Finding> found = sheet::CheckFileBytes(f);
        ASSERT_EQ(found.size(), 1u) << testing::PrintToString(Lines(found));
        EXPECT_TRUE(sheet::NotABitmap(found));
    }
}

// Pillow and other editors write 3780 pixels per metre, 0 for "all colours" and no
// image size; the intro reads none of it.
TEST(SheetFindings, FieldsTheIntroNeverReadsOnlyWarn)
{
    struct Case {
        size_t at;
        uint32_t value;
        const char* says;
    } cases[] = {
        {38, 3780, "warning: info-header: biXPelsPerMeter must be 3779, it is 3780"},
        {42, 2835, "warning: info-header: biYPelsPerMeter must be 3779, it is 2835"},
        {34, 0, "warning: info-header: biSizeImage must be 552960, it is 0"},
        {46, 0, "warning: info-header: biClrUsed must be 256 (0 also means 256), it is 0"},
        {50, 0, "warning: info-header: biClrImportant must be 256, it is 0"},
        {2, 554040, "warning: file-header: bfSize must be 554038 (the file size), it is 554040"},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> f = Valid();
        PutU32(f, c.at, c.value);
        std::vector<sheet::Finding> found = sheet::CheckFileBytes(f);
        ASSERT_EQ(found.size(), 1u) << c.says;
        EXPECT_EQ(sheet::ToString(found[0]), c.says);
        EXPECT_FALSE(sheet::Refused(found)) << c.says;
        EXPECT_EQ(sheet::Hint(found), "") << c.says;
    }
}

TEST(SheetFindings, FieldsThatPlaceThePixelsAreRefused)
{
    struct Case {
        size_t at;
        int bytes;
        uint32_t value;
        const char* says;
    } cases[] = {
        {46, 4, 200, "biClrUsed must be 256 (a full colour table), it is 200"},
        {10, 4, 1082, "bfOffBits must be 1078 (pixels right after the colour table), it is 1082"},
        {26, 2, 2, "biPlanes must be 1, it is 2"},
        {22, 4, uint32_t(-1728), "a top-down file"},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> f = Valid();
        if (c.bytes == 2)
            PutU16(f, c.at, uint16_t(c.value));
        else
            PutU32(f, c.at, c.value);
        std::vector<sheet::Finding> found = sheet::CheckFileBytes(f);
        ASSERT_EQ(found.size(), 1u) << c.says << ": " << testing::PrintToString(Lines(found));
        EXPECT_TRUE(Contains(found[0].detail, c.says));
        EXPECT_TRUE(sheet::Refused(found));
    }
}

TEST(SheetFindings, EachRuleListsFiveThenCountsTheRest)
{
    HandSheet s = MinimalSheet();
    for (int i = 10; i < 22; ++i)
        s.palette[i].reserved = 1;
    std::vector<sheet::Finding> found = sheet::CheckFileBytes(Encode(s));
    std::vector<std::string> reserved = sheet_test::OfRule(found, "palette-reserved");
    ASSERT_EQ(reserved.size(), 6u) << testing::PrintToString(reserved);
    EXPECT_TRUE(Contains(reserved[0], "entry 10 has reserved byte 1"));
    EXPECT_TRUE(Contains(reserved[4], "entry 14 has reserved byte 1"));
    EXPECT_EQ(reserved[5], "palette-reserved: and 7 more like these");
    EXPECT_EQ(found.back().count, 7);
}

// An editor that re-reduces the colours puts black elsewhere and the pixels follow it:
// the picture is the same, every index is not.
TEST(SheetFindings, ReorderedColoursAreCappedAndHinted)
{
    HandSheet s = MinimalSheet();
    std::swap(s.palette[0], s.palette[7]);
    for (uint8_t& px : s.pixels)
        px = px == 0 ? 7 : px == 7 ? 0 : px;
    std::vector<sheet::Finding> found = sheet::CheckFileBytes(Encode(s));
    EXPECT_LE(found.size(), 20u) << testing::PrintToString(Lines(found));
    EXPECT_EQ(sheet_test::OfRule(found, "black-rows").size(), 6u);
    EXPECT_TRUE(Contains(sheet_test::OfRule(found, "black-rows").back(), "more like these"));
    EXPECT_TRUE(Contains(sheet::Hint(found), "make-sheet --from PICTURE"));
}

TEST(SheetFindings, ArtworkFaultsGiveNoExportHint)
{
    HandSheet s = MinimalSheet();
    s.At(650, 40) = sheet_test::kBright;
    std::vector<sheet::Finding> found = sheet::CheckFileBytes(Encode(s));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(sheet::Hint(found), "");
}

}  // namespace
