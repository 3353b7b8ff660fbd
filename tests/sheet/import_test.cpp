// make-sheet --from as an artist meets it: the sheet edited and exported by ImageMagick
// and by Pillow (Debian's python3-pil) comes back as a usable sheet, with a true word
// about what changed; what cannot become a sheet is refused and nothing is written.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "sheet_test_support.h"
#include "testkit/shell.h"

namespace fs = std::filesystem;
using sheet_test::Contains;
using sheet_test::ReadFile;

namespace {

const std::string kSheet = std::string(SOURCE_DIR) + "/resources/all.bmp";

using kit::Outcome;
using kit::Shell;

class Import : public testing::Test {
protected:
    fs::path dir = fs::temp_directory_path() / ("sheet_import_" + std::to_string(::getpid()));

    void SetUp() override
    {
        fs::create_directories(dir);
    }
    void TearDown() override
    {
        fs::remove_all(dir);
    }
    std::string In(const std::string& name) const
    {
        return (dir / name).string();
    }
    // Runs a few lines of Pillow with SHEET and DIR set.
    Outcome Pillow(const std::string& code) const
    {
        std::string program = "import sys\nfrom PIL import Image\nSHEET, DIR = sys.argv[1], sys.argv[2]\n" + code;
        std::string script = In("export.py");
        FILE* f = std::fopen(script.c_str(), "w");
        std::fputs(program.c_str(), f);
        std::fclose(f);
        return Shell("/usr/bin/python3 '" + script + "' '" + kSheet + "' '" + dir.string() + "'");
    }
    Outcome MakeSheet(const std::string& args) const
    {
        return Shell(std::string("'") + MAKE_SHEET + "' " + args);
    }
    Outcome SheetCheck(const std::string& file) const
    {
        return Shell(std::string("'") + SHEET_CHECK + "' '" + file + "'");
    }
};

TEST_F(Import, ExportsOfTheSheetComeBackByteForByte)
{
    ASSERT_EQ(Shell("convert '" + kSheet + "' -type TrueColor BMP3:'" + In("im24.bmp") + "'").status, 0);
    ASSERT_EQ(Shell("convert '" + kSheet + "' -define png:color-type=2 '" + In("im.png") + "'").status, 0);
    Outcome pillow = Pillow(
        "im = Image.open(SHEET)\n"
        "im.save(DIR + '/pil.bmp')\n"                                    // 3780 pixels a metre
        "im.convert('RGB').quantize(256).save(DIR + '/reduced.bmp')\n"  // colours in another order
        "im.save(DIR + '/indexed.png')\n"
        "im.convert('RGBA').save(DIR + '/rgba.png')\n");
    ASSERT_EQ(pillow.status, 0) << pillow.output;
    EXPECT_NE(SheetCheck(In("reduced.bmp")).status, 0);  // as exported, the intro could not use it
    for (const char* name : {"im24.bmp", "im.png", "pil.bmp", "reduced.bmp", "indexed.png", "rgba.png"}) {
        std::string out = In(std::string(name) + ".sheet.bmp");
        Outcome made = MakeSheet("--from '" + In(name) + "' --out-bmp '" + out + "'");
        EXPECT_EQ(made.status, 0) << name << ": " << made.output;
        EXPECT_TRUE(Contains(made.output, "no pixel changed colour")) << name;
        EXPECT_TRUE(ReadFile(out) == ReadFile(kSheet)) << name << " did not come back as the sheet";
    }
}

TEST_F(Import, AnEditedPixelIsMovedOntoThePaletteAndCounted)
{
    // Two stars repainted in colours the palette lacks, and one in a colour it has.
    Outcome pillow = Pillow(
        "im = Image.open(SHEET).convert('RGB')\n"
        "palette = set(Image.open(SHEET).convert('RGB').getdata())\n"
        "for x, colour in ((10, (201, 33, 77)), (11, (2, 250, 3)), (12, im.getpixel((100, 100)))):\n"
        "    assert x == 12 or colour not in palette\n"
        "    im.putpixel((x, 100), colour)\n"
        "im.save(DIR + '/edited.png')\n");
    ASSERT_EQ(pillow.status, 0) << pillow.output;
    Outcome made = MakeSheet("--from '" + In("edited.png") + "' --out-bmp '" + In("edited.bmp") + "'");
    ASSERT_EQ(made.status, 0) << made.output;
    EXPECT_TRUE(Contains(made.output, "2 pixels moved to another colour, the largest colour error"));
    EXPECT_EQ(SheetCheck(In("edited.bmp")).status, 0);
    std::vector<uint8_t> madeBytes = ReadFile(In("edited.bmp")), original = ReadFile(kSheet);
    ASSERT_EQ(madeBytes.size(), original.size());
    int differing = 0;
    for (size_t i = 0; i < original.size(); ++i)
        differing += madeBytes[i] != original[i];
    EXPECT_GE(differing, 2);
    EXPECT_LE(differing, 3);
}

TEST_F(Import, ANewPaletteKeepsTheRules)
{
    // A starfield of tens of thousands of colours, and a white star (255 is reserved).
    ASSERT_EQ(Shell("convert '" + kSheet + "' -type TrueColor \\( -size 319x239 -seed 4 plasma:fractal \\) "
                    "-geometry +0+0 -composite -fill white -draw 'point 5,5' '" + In("plasma.png") + "'")
                  .status,
              0);
    Outcome made = MakeSheet("--from '" + In("plasma.png") + "' --new-palette --out-bmp '" + In("own.bmp") + "'");
    ASSERT_EQ(made.status, 0) << made.output;
    EXPECT_TRUE(Contains(made.output, "onto a palette of its own"));
    EXPECT_TRUE(Contains(made.output, "pixels moved to another colour"));
    Outcome checked = SheetCheck(In("own.bmp"));
    EXPECT_EQ(checked.status, 0) << checked.output;
    EXPECT_TRUE(Contains(checked.output, "no problems"));

    // Few colours: every one gets its own entry; only the white star moves, one step.
    ASSERT_EQ(Shell("convert '" + kSheet + "' -fill white -draw 'point 5,5' '" + In("white.png") + "'").status, 0);
    made = MakeSheet("--from '" + In("white.png") + "' --new-palette --out-bmp '" + In("white.bmp") + "'");
    ASSERT_EQ(made.status, 0) << made.output;
    EXPECT_TRUE(Contains(made.output, "1 pixel moved to another colour, the largest colour error 1 (row 5, column 5"));
    EXPECT_EQ(SheetCheck(In("white.bmp")).status, 0);
}

TEST_F(Import, WhatCannotBecomeASheetIsRefusedAndNothingWritten)
{
    ASSERT_EQ(Shell("convert '" + kSheet + "' -crop 320x1727+0+0 +repage '" + In("short.png") + "'").status, 0);
    ASSERT_EQ(Shell("convert '" + kSheet + "' -fill '#C87820' -draw 'point 40,650' '" + In("stray.png") + "'").status,
              0);
    std::FILE* text = std::fopen(In("notes.txt").c_str(), "w");
    std::fputs("not a picture\n", text);
    std::fclose(text);
    struct Case {
        const char* from;
        const char* says;
    } cases[] = {
        {"short.png", "is 320x1727; a sheet is 320x1728"},
        {"stray.png", "black-rows: rows 638-678 must be black (index 0): 1 pixel is not, first at row 650, column 40"},
        {"notes.txt", "neither a PNG nor a BMP picture"},
        {"missing.png", "cannot read"},
    };
    for (const Case& c : cases) {
        Outcome made = MakeSheet("--from '" + In(c.from) + "' --out-bmp '" + In("out.bmp") + "'");
        EXPECT_EQ(made.status, 1) << c.from << ": " << made.output;
        EXPECT_TRUE(Contains(made.output, c.says)) << c.from;
        EXPECT_FALSE(fs::exists(In("out.bmp"))) << c.from;
    }
}

TEST_F(Import, FoldersAreMadeAndTheCommandLineExplained)
{
    std::string deep = In("a/b/c");
    Outcome made = MakeSheet("--out-bmp '" + deep + "/all.bmp' --out-ico '" + deep + "/i/velthorn.ico' --preview-dir '" +
                             deep + "/previews' --layout-png '" + deep + "/map/layout.png'");
    ASSERT_EQ(made.status, 0) << made.output;
    for (const char* file : {"all.bmp", "i/velthorn.ico", "previews/sheet.png", "map/layout.png"})
        EXPECT_TRUE(fs::exists(deep + "/" + file)) << file;

    struct Case {
        std::string args;
        int status;
        const char* says;
    } cases[] = {
        {"--help", 0, "--new-palette"},
        {"--out-bmp x.bmp", 2, "say where the icon goes"},
        {"--from p.png", 2, "say where the sheet goes"},
        {"--out-bmp x.bmp --out-ico x.ico --new-palette", 2, "belong to --from"},
        {"--frm p.png", 2, "unknown argument '--frm'"},
    };
    for (const Case& c : cases) {
        Outcome run = MakeSheet(c.args);
        EXPECT_EQ(run.status, c.status) << c.args << ": " << run.output;
        EXPECT_TRUE(Contains(run.output, c.says)) << c.args;
        if (c.status == 2) {  // one usage line, not the whole help
            EXPECT_FALSE(Contains(run.output, "--preview-dir DIR  PNGs")) << c.args;
        }
    }
    EXPECT_EQ(Shell(std::string("'") + SHEET_CHECK + "' --help").status, 0);
}

TEST_F(Import, SheetCheckExitsTwoForWhatIsNoBitmap)
{
    ASSERT_EQ(Shell("convert '" + kSheet + "' '" + In("sheet.png") + "'").status, 0);
    Outcome checked = SheetCheck(In("sheet.png"));
    EXPECT_EQ(checked.status, 2) << checked.output;
    EXPECT_TRUE(Contains(checked.output, "make-sheet --from"));
    ASSERT_EQ(Shell("convert '" + kSheet + "' -type TrueColor BMP3:'" + In("deep.bmp") + "'").status, 0);
    checked = SheetCheck(In("deep.bmp"));
    EXPECT_EQ(checked.status, 1);
    int lines = 0;
    for (char ch : checked.output)
        lines += ch == '\n';
    EXPECT_EQ(lines, 3) << checked.output;  // the finding, the hint, the summary
}

}  // namespace
