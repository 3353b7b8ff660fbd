// The committed artwork: it passes every rule, the generator reproduces it byte for byte,
// the icon is the one-image 16x16 16-colour file the program's resources expect, and the
// sheet-check command reports the way scripts rely on.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "sheet_test_support.h"

namespace fs = std::filesystem;
using sheet_test::ReadFile;

namespace {

const std::string kSheet = std::string(SOURCE_DIR) + "/resources/all.bmp";
const std::string kIcon = std::string(SOURCE_DIR) + "/resources/velthorn.ico";

uint32_t U16(const std::vector<uint8_t>& f, size_t at)
{
    return f.at(at) | f.at(at + 1) << 8;
}
uint32_t U32(const std::vector<uint8_t>& f, size_t at)
{
    return U16(f, at) | U16(f, at + 2) << 16;
}

int ExitCode(const std::string& command)
{
    int status = std::system((command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct TempDir {
    fs::path path = fs::temp_directory_path() / ("sheet_tests_" + std::to_string(::getpid()));
    TempDir()
    {
        fs::create_directories(path);
    }
    ~TempDir()
    {
        fs::remove_all(path);
    }
};

TEST(CommittedSheet, PassesEveryRule)
{
    std::vector<uint8_t> bytes = ReadFile(kSheet);
    ASSERT_EQ(bytes.size(), sheet::kFileBytes) << kSheet;
    std::vector<sheet::Finding> found = sheet::CheckFileBytes(bytes);
    EXPECT_TRUE(found.empty()) << testing::PrintToString(sheet_test::Lines(found));
}

TEST(CommittedSheet, GeneratorReproducesBothFilesExactly)
{
    TempDir dir;
    fs::path bmp = dir.path / "all.bmp", ico = dir.path / "velthorn.ico";
    std::string cmd = std::string("\"") + MAKE_SHEET + "\" --out-bmp \"" + bmp.string() + "\" --out-ico \"" +
                      ico.string() + "\"";
    ASSERT_EQ(ExitCode(cmd), 0) << cmd;
    EXPECT_TRUE(ReadFile(bmp.string()) == ReadFile(kSheet)) << "regenerated sheet differs from " << kSheet;
    EXPECT_TRUE(ReadFile(ico.string()) == ReadFile(kIcon)) << "regenerated icon differs from " << kIcon;
}

TEST(CommittedIcon, HoldsOneSixteenPixelSixteenColorImage)
{
    std::vector<uint8_t> f = ReadFile(kIcon);
    ASSERT_GE(f.size(), 22u + 40u);
    EXPECT_EQ(U16(f, 0), 0u);  // reserved
    EXPECT_EQ(U16(f, 2), 1u);  // an icon, not a cursor
    EXPECT_EQ(U16(f, 4), 1u);  // exactly one image
    EXPECT_EQ(f[6], 16);       // width
    EXPECT_EQ(f[7], 16);       // height
    EXPECT_EQ(f[8], 16);       // colours
    EXPECT_EQ(f[9], 0);
    EXPECT_EQ(U16(f, 10), 1u);
    EXPECT_EQ(U16(f, 12), 4u);
    uint32_t bytes = U32(f, 14), offset = U32(f, 18);
    EXPECT_EQ(offset, 22u);
    EXPECT_EQ(size_t(offset) + bytes, f.size());
    // BITMAPINFOHEADER: the height counts the XOR picture and the AND mask.
    EXPECT_EQ(U32(f, 22), 40u);
    EXPECT_EQ(U32(f, 26), 16u);
    EXPECT_EQ(U32(f, 30), 32u);
    EXPECT_EQ(U16(f, 34), 1u);
    EXPECT_EQ(U16(f, 36), 4u);
    EXPECT_EQ(U32(f, 38), 0u);
    const uint32_t colors = 16 * 4, xorBits = 16 * 8, andBits = 16 * 4;
    EXPECT_EQ(bytes, 40 + colors + xorBits + andBits);
    // Transparent pixels in the AND mask carry colour 0 in the XOR picture, so the
    // corners are clear and the centre is drawn.
    size_t xorAt = 22 + 40 + colors, andAt = xorAt + xorBits;
    EXPECT_EQ(f[andAt] & 0x80, 0x80) << "bottom-left corner should be transparent";
    EXPECT_EQ(f[xorAt] >> 4, 0);
    size_t centreRow = andAt + 8 * 4;
    EXPECT_EQ(f[centreRow] & 0x01, 0) << "centre should be opaque";
}

// ---- The layout table -----------------------------------------------------------------------
TEST(Layout, ZonesCoverColumnsZeroTo318ExactlyOnce)
{
    std::vector<int> hits(size_t(sheet::kHeight) * sheet::kWidth, 0);
    auto mark = [&](const std::vector<sheet::Region>& zones) {
        for (const sheet::Region& z : zones)
            for (int row = z.rect.top; row <= z.rect.bottom; ++row)
                for (int col = z.rect.left; col <= z.rect.right; ++col)
                    ++hits[size_t(row) * sheet::kWidth + col];
    };
    mark(sheet::BlackZones());
    mark(sheet::ContentZones());
    for (int row = 0; row < sheet::kHeight; ++row)
        for (int col = 0; col <= sheet::kLastArtColumn; ++col)
            ASSERT_EQ(hits[size_t(row) * sheet::kWidth + col], 1) << "row " << row << ", column " << col;
    for (int row = 0; row < sheet::kHeight; ++row)
        ASSERT_EQ(hits[size_t(row) * sheet::kWidth + 319], 0);
}

TEST(Layout, RollLinesStepSixteenRowsAndEndOnRow1323)
{
    EXPECT_EQ(sheet::RollLine(0).top, 865);
    EXPECT_EQ(sheet::RollLine(0).bottom, 875);
    EXPECT_EQ(sheet::RollLine(1).top, 881);
    EXPECT_EQ(sheet::RollLine(sheet::kRollLines - 1).bottom, 1323);
}

// ---- The command ----------------------------------------------------------------------------
TEST(SheetCheckCommand, ExitCodesTellUsableBrokenAndUnreadable)
{
    TempDir dir;
    std::string check = std::string("\"") + SHEET_CHECK + "\" ";
    EXPECT_EQ(ExitCode(check + "\"" + kSheet + "\""), 0);
    std::vector<uint8_t> broken = ReadFile(kSheet);
    broken.resize(4000);
    fs::path bad = dir.path / "short.bmp";
    FILE* out = std::fopen(bad.c_str(), "wb");
    ASSERT_TRUE(out);
    std::fwrite(broken.data(), 1, broken.size(), out);
    std::fclose(out);
    EXPECT_EQ(ExitCode(check + "\"" + bad.string() + "\""), 1);
    EXPECT_EQ(ExitCode(check + "\"" + (dir.path / "missing.bmp").string() + "\""), 2);
    EXPECT_EQ(ExitCode(check + "\"" + dir.path.string() + "\""), 2);  // a directory
    EXPECT_EQ(ExitCode(check), 2);
    EXPECT_EQ(ExitCode(check + "a.bmp b.bmp"), 2);
}

}  // namespace
