// The checker against hand-made sheets: one fault at a time, each named with its place.
#include <gtest/gtest.h>

#include "sheet_test_support.h"

using sheet_test::Contains;
using sheet_test::Encode;
using sheet_test::HandSheet;
using sheet_test::MinimalSheet;
using sheet_test::OfRule;

namespace {

std::vector<sheet::Finding> Check(const HandSheet& s)
{
    return sheet::CheckFileBytes(Encode(s));
}

std::string Only(const std::vector<sheet::Finding>& found, const std::string& rule)
{
    std::vector<std::string> hits = OfRule(found, rule);
    EXPECT_EQ(hits.size(), 1u) << testing::PrintToString(sheet_test::Lines(found));
    EXPECT_EQ(hits.size(), found.size())
        << "other rules fired too: " << testing::PrintToString(sheet_test::Lines(found));
    return hits.empty() ? std::string() : hits.front();
}

TEST(SheetRules, MinimalHandMadeSheetIsUsable)
{
    EXPECT_TRUE(Check(MinimalSheet()).empty())
        << testing::PrintToString(sheet_test::Lines(Check(MinimalSheet())));
}

TEST(SheetRules, FileHeaderFieldsAreChecked)
{
    std::vector<uint8_t> f = Encode(MinimalSheet());
    f[1] = 'X';
    EXPECT_TRUE(Contains(Only(sheet::CheckFileBytes(f), "file-header"), "'BM'"));
    f = Encode(MinimalSheet());
    sheet_test::PutU32(f, 2, 1234);
    EXPECT_TRUE(Contains(Only(sheet::CheckFileBytes(f), "file-header"),
                         "warning: file-header: bfSize must be 554038 (the file size), it is 1234"));
}

TEST(SheetRules, EachInfoHeaderFieldIsNamed)
{
    const struct {
        size_t at;
        bool wide;
        const char* name;
    } fields[] = {{26, false, "biPlanes"},       {34, true, "biSizeImage"}, {38, true, "biXPelsPerMeter"},
                  {42, true, "biYPelsPerMeter"}, {46, true, "biClrUsed"},   {50, true, "biClrImportant"}};
    for (const auto& field : fields) {
        std::vector<uint8_t> f = Encode(MinimalSheet());
        if (field.wide)
            sheet_test::PutU32(f, field.at, 7);
        else
            sheet_test::PutU16(f, field.at, 7);
        EXPECT_TRUE(
            Contains(Only(sheet::CheckFileBytes(f), "info-header"), std::string(field.name) + " must be"));
    }
}

TEST(SheetRules, TopDownOrWrongShapeStopsThePixelChecks)
{
    std::vector<uint8_t> f = Encode(MinimalSheet());
    sheet_test::PutU32(f, 22, uint32_t(-1728));
    EXPECT_TRUE(Contains(Only(sheet::CheckFileBytes(f), "info-header"), "biHeight must be 1728"));
    EXPECT_TRUE(Contains(Only(sheet::CheckFileBytes(f), "info-header"), "it is -1728: a top-down file"));
    f = Encode(MinimalSheet());
    sheet_test::PutU16(f, 28, 4);
    EXPECT_TRUE(Contains(Only(sheet::CheckFileBytes(f), "info-header"), "biBitCount must be 8"));
}

TEST(SheetRules, PaletteReservedBytesMustBeZero)
{
    HandSheet s = MinimalSheet();
    s.palette[77].reserved = 9;
    EXPECT_TRUE(Contains(Only(Check(s), "palette-reserved"), "entry 77 has reserved byte 9"));
}

TEST(SheetRules, PaletteEntriesMustDiffer)
{
    HandSheet s = MinimalSheet();
    s.palette[140] = s.palette[40];
    EXPECT_TRUE(
        Contains(Only(Check(s), "palette-distinct"), "entries 40 and 140 are the same colour (40,24,30)"));
}

TEST(SheetRules, OnlyEntryZeroIsBlack)
{
    HandSheet s = MinimalSheet();
    s.palette[0] = {0, 0, 1, 0};
    EXPECT_TRUE(Contains(Only(Check(s), "palette-black"), "entry 0 must be black (0,0,0), it is (0,0,1)"));
    s = MinimalSheet();
    s.palette[90] = {0, 0, 0, 0};
    std::vector<sheet::Finding> found = Check(s);
    EXPECT_TRUE(Contains(OfRule(found, "palette-black").at(0), "entry 90 is black too"));
    EXPECT_EQ(OfRule(found, "palette-distinct").size(), 1u);  // it also repeats entry 0
}

TEST(SheetRules, EntryTwoFiftyFiveIsWhiteAndUnused)
{
    HandSheet s = MinimalSheet();
    s.palette[255] = {250, 255, 255, 0};
    EXPECT_TRUE(Contains(Only(Check(s), "palette-white"), "entry 255 must be white"));
    s = MinimalSheet();
    s.At(120, 33) = 255;
    s.At(130, 40) = 255;
    EXPECT_TRUE(Contains(Only(Check(s), "white-unused"), "2 pixels use it, first at row 120, column 33"));
}

TEST(SheetRules, EdgeColumnMustBeDarkButNotBlack)
{
    HandSheet s = MinimalSheet();
    s.At(300, 319) = 0;
    EXPECT_TRUE(Contains(
        Only(Check(s), "edge-column"),
        "column 319 in rows 0-453 must be dark but not black: 1 pixel is black (index 0), first at row 300"));
    s = MinimalSheet();
    s.At(453, 319) = sheet_test::kBright;
    EXPECT_TRUE(
        Contains(Only(Check(s), "edge-column"), "too bright, first at row 453 (index 200 (200,120,30))"));
}

TEST(SheetRules, EdgeColumnIsBlackFromRow454)
{
    HandSheet s = MinimalSheet();
    s.At(454, 319) = sheet_test::kDark;
    s.At(1700, 319) = sheet_test::kDark;
    EXPECT_TRUE(
        Contains(Only(Check(s), "black-column"),
                 "column 319 in rows 454-1727 must be black (index 0): 2 pixels are not, first at row 454"));
}

TEST(SheetRules, BadgeFootHoldsOnlyAFewPixels)
{
    HandSheet s = MinimalSheet();
    for (int col = 260; col < 260 + sheet::kBadgeFootMaxPixels; ++col)
        s.At(863, col) = sheet_test::kBright;
    EXPECT_TRUE(Check(s).empty());
    s.At(863, 300) = sheet_test::kBright;
    EXPECT_TRUE(
        Contains(Only(Check(s), "badge-foot"),
                 "row 863 may hold only the last few pixels of the right badge (at most 16), it has 17"));
}

TEST(SheetRules, EmptyPanelsAreReported)
{
    HandSheet s = MinimalSheet();
    s.At(350, 160) = 0;
    EXPECT_TRUE(Contains(Only(Check(s), "content"), "the caption (rows 331-384) is empty"));
    s = MinimalSheet();
    s.At(sheet::RollLine(0).top, 160) = 0;
    EXPECT_TRUE(Contains(Only(Check(s), "content"), "the roll title (rows 865-875) is empty"));
}

TEST(SheetRules, ContentMayFillItsWholeRegion)
{
    HandSheet s = MinimalSheet();
    for (const sheet::Region& z : sheet::ContentZones())
        for (int row = z.rect.top; row <= z.rect.bottom; ++row)
            for (int col = z.rect.left; col <= z.rect.right; ++col)
                s.At(row, col) = sheet_test::kDark;
    // The badge foot is a region too, but only a few of its pixels may be drawn.
    for (int col = sheet::kRightBadgeLeft + sheet::kBadgeFootMaxPixels; col <= sheet::kRightBadgeRight; ++col)
        s.At(sheet::kBadgeFootRow, col) = 0;
    EXPECT_TRUE(Check(s).empty()) << testing::PrintToString(sheet_test::Lines(Check(s)));
}

// ---- One stray pixel in every black zone ----------------------------------------------------
class BlackZone : public testing::TestWithParam<sheet::Region> {};

TEST_P(BlackZone, StrayPixelIsReportedWithItsPlace)
{
    const sheet::Rect r = GetParam().rect;
    int row = (r.top + r.bottom) / 2, col = (r.left + r.right) / 2;
    HandSheet s = MinimalSheet();
    s.At(row, col) = sheet_test::kBright;
    std::string rows = r.top == r.bottom ? "row " + std::to_string(r.top)
                                         : "rows " + std::to_string(r.top) + "-" + std::to_string(r.bottom);
    std::string line = Only(Check(s), "black-rows");
    EXPECT_TRUE(Contains(line, rows));
    EXPECT_TRUE(Contains(line, "must be black (index 0): 1 pixel is not, first at row " +
                                   std::to_string(row) + ", column " + std::to_string(col)));
}

TEST_P(BlackZone, CornersAreInsideTheZone)
{
    const sheet::Rect r = GetParam().rect;
    for (auto [row, col] : {std::pair{r.top, r.left}, {r.bottom, r.right}}) {
        HandSheet s = MinimalSheet();
        s.At(row, col) = sheet_test::kBright;
        EXPECT_EQ(OfRule(Check(s), "black-rows").size(), 1u) << "row " << row << " column " << col;
    }
}

std::string ZoneName(const testing::TestParamInfo<sheet::Region>& info)
{
    std::string n = std::to_string(info.index) + "_rows_" + std::to_string(info.param.rect.top);
    return n;
}

INSTANTIATE_TEST_SUITE_P(EveryBlackZone, BlackZone, testing::ValuesIn(sheet::BlackZones()), ZoneName);

TEST(SheetRules, ExampleMessageReadsAsWritten)
{
    HandSheet s = MinimalSheet();
    for (int col = 40; col < 52; ++col)
        s.At(650, col) = sheet_test::kBright;
    EXPECT_EQ(
        Only(Check(s), "black-rows"),
        "black-rows: rows 638-678 must be black (index 0): 12 pixels are not, first at row 650, column 40");
}

}  // namespace
