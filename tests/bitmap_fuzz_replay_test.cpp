// The fuzzer's corpus as a plain host test: every seed and every crash the
// fuzzer ever found runs through the loaders again, so a fault once fixed stays
// fixed on every test run, with or without the fuzzer's build.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "fuzz/bitmap_input.h"
#include "testkit/dib_bytes.h"
#include "testkit/session.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;

// The corpus folder of the source tree, found beside the project's sheet.
fs::path CorpusFolder(const char* kind)
{
    return fs::path(kit::ProjectSheetPath()).parent_path().parent_path() / "fuzz" / "corpus" / kind;
}

// The inputs of one corpus folder, in a fixed order.
std::vector<fs::path> Inputs(const char* kind)
{
    std::vector<fs::path> inputs;
    if (fs::is_directory(CorpusFolder(kind)))
        for (const fs::directory_entry& entry : fs::directory_iterator(CorpusFolder(kind)))
            if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
                inputs.push_back(entry.path());
    std::sort(inputs.begin(), inputs.end());
    return inputs;
}

// Every input of a folder, each of which must keep every promise.
void ReplayAll(const char* kind, const std::string& scratch)
{
    for (const fs::path& input : Inputs(kind)) {
        std::ifstream file(input, std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        EXPECT_EQ(fuzz::RunBitmapInput(bytes.data(), bytes.size(), scratch), "") << input.filename();
    }
}

// Each input runs on a new machine of its own, so no fixture's objects are kept.
class FuzzReplayTest : public HostTest {
protected:
    void SetUp() override
    {
        HostTest::SetUp();
        std::string pattern = ::testing::TempDir() + "bitmap-replay-XXXXXX";
        ASSERT_NE(mkdtemp(&pattern[0]), nullptr);
        folder = pattern;
    }
    void TearDown() override
    {
        fs::remove_all(folder);
        HostTest::TearDown();
    }
    std::string Scratch() const { return folder + "/input.bmp"; }
    std::string folder;
};

TEST_F(FuzzReplayTest, EverySeedKeepsThePromises)
{
    ASSERT_GE(Inputs("seeds").size(), 40u) << "the seed corpus is missing from " << CorpusFolder("seeds");
    ReplayAll("seeds", Scratch());
}

TEST_F(FuzzReplayTest, EveryCrashEverFoundStaysFixed)
{
    ASSERT_FALSE(Inputs("regressions").empty()) << "the regression cases are missing from "
                                                << CorpusFolder("regressions");
    ReplayAll("regressions", Scratch());
}

// The checks must be able to fail, or the replay would pass whatever the loaders did.
TEST_F(FuzzReplayTest, TheChecksSeeALeftBitmapAndAnEntryTheBitmapCouldNotHaveSet)
{
    host::Reset();
    EXPECT_EQ(fuzz::CheckNothingLeft(), "");
    std::string path = folder + "/picture.bmp";
    std::vector<uint8_t> file = dib::File(dib::Shape());
    std::ofstream(path, std::ios::binary).write((const char*)file.data(), (std::streamsize)file.size());
    HANDLE left = LoadImageA(NULL, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION);
    ASSERT_NE(left, nullptr);
    EXPECT_NE(fuzz::CheckNothingLeft(), "");
    DeleteObject(left);

    LPDIRECTDRAW directDraw = NULL;
    ASSERT_EQ(DirectDrawCreate(NULL, &directDraw, NULL), DD_OK);
    PALETTEENTRY table[256];
    for (int i = 0; i < 256; ++i)
        table[i] = DefaultPaletteEntry(i);
    table[200].peGreen ^= 1;  // past a 40-byte resource with 100 entries
    LPDIRECTDRAWPALETTE palette = NULL;
    ASSERT_EQ(directDraw->CreatePalette(DDPCAPS_8BIT, table, &palette, NULL), DD_OK);
    fuzz::Road resource = fuzz::ReadRoad(nullptr, 0);
    EXPECT_EQ(fuzz::CheckPaletteTable(resource, 40 + 4 * 201), "");
    EXPECT_NE(fuzz::CheckPaletteTable(resource, 40 + 4 * 100), "");
    palette->Release();
    directDraw->Release();
}

}  // namespace
