// The intro's words from a text file: the original file letters today's sheet, the German
// one a usable sheet, another script letters where its roll line is, and every file the
// sheet cannot be lettered from is refused with where and why, and no sheet written.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "sheet_test_support.h"
#include "testkit/shell.h"

namespace fs = std::filesystem;
using sheet_test::Contains;
using sheet_test::ReadFile;

namespace {

const std::string kTexts = std::string(SOURCE_DIR) + "/resources/texts/";

class Texts : public testing::Test {
protected:
    fs::path dir = fs::temp_directory_path() / ("texts_tests_" + std::to_string(::getpid()));
    void SetUp() override
    {
        fs::create_directories(dir);
    }
    void TearDown() override
    {
        fs::remove_all(dir);
    }
    std::string Path(const std::string& name) const
    {
        return (dir / name).string();
    }
    std::string Write(const std::string& name, const std::string& text) const
    {
        std::ofstream(Path(name), std::ios::binary) << text;
        return Path(name);
    }
    kit::Outcome Letter(const std::string& texts, const std::string& bmp) const
    {
        return kit::Run(MAKE_SHEET, {"--texts", texts, "--out-bmp", bmp, "--out-ico", Path("icon.ico")});
    }
};

// A small file that letters: every field, and a story of two short paragraphs.
std::vector<std::string> SmallFile()
{
    return {"# a note",
            "caption.date = YEAR ONE",
            "caption.place = A Place",
            "title.over = ESCORT THE",
            "title.name = SHIP",
            "title.subtitle = A SUBTITLE",
            "credit.before = A",
            "credit.studio = STUDIO",
            "credit.after = PRODUCTION",
            "smallprint.1 = ONE",
            "smallprint.2 = two",
            "smallprint.3 = three",
            "smallprint.4 = four",
            "roll.title = A LOG",
            "roll.story =",
            "The first paragraph, short.",
            "",
            "The second paragraph, short too."};
}

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

// A paragraph of `words` five-letter words: six make a roll line of 35 characters, a seventh
// would make it 41.
std::string Words(int words)
{
    std::string text;
    for (int i = 0; i < words; ++i)
        text += (i ? " " : "") + std::string("word") + char('a' + i % 26);
    return text;
}

TEST_F(Texts, TheEnglishFileLettersTheCommittedSheetByteForByte)
{
    kit::Outcome made = Letter(kTexts + "en.txt", Path("en.bmp"));
    ASSERT_EQ(made.status, 0) << made.output;
    EXPECT_TRUE(ReadFile(Path("en.bmp")) == ReadFile(std::string(SOURCE_DIR) + "/resources/all.bmp"));
}

TEST_F(Texts, TheGermanFileLettersASheetThatSheetCheckAccepts)
{
    kit::Outcome made = Letter(kTexts + "de.txt", Path("de.bmp"));
    ASSERT_EQ(made.status, 0) << made.output;
    kit::Outcome checked = kit::Run(SHEET_CHECK, {Path("de.bmp")});
    EXPECT_EQ(checked.status, 0) << checked.output;
    EXPECT_FALSE(ReadFile(Path("de.bmp")) == ReadFile(std::string(SOURCE_DIR) + "/resources/all.bmp"));
}

TEST_F(Texts, ASmallFileLettersAndItsStoryMayBeAsLongAsTheRoll)
{
    // Title, blank, a paragraph of 3 lines, then 8 of 2 lines, a blank between each: 29 lines.
    std::vector<std::string> lines = SmallFile();
    lines.resize(15);
    for (int p = 0; p < 9; ++p)
        lines.insert(lines.end(), {Words(p == 0 ? 13 : 10), ""});
    kit::Outcome made = Letter(Write("full.txt", Joined(lines)), Path("full.bmp"));
    EXPECT_EQ(made.status, 0) << made.output;
    EXPECT_TRUE(fs::exists(Path("full.bmp")));
}

struct Refused {
    const char* what;
    int line;                 // the line of the small file to replace (1 is the first)
    std::string replacement;  // the whole line; empty removes it
    std::vector<std::string> said;
    bool noStory = false;     // the file ends with "roll.story ="
};

TEST_F(Texts, RefusesWhatCannotBeLetteredSayingWhereAndWritesNoSheet)
{
    const std::vector<Refused> cases = {
        // 2 lines of title, 1 + 1 + 20 lines of paragraphs 1 to 3 and their blanks, then the
        // 4 lines of paragraph 4 end on line 31.
        {"a story longer than the roll", 18, "The second.\n\n" + Words(120) + "\n\n" + Words(20),
         {"small.txt:22: roll.story: paragraph 4 does not fit", "needs 31 roll lines, the roll holds 29",
          "2 lines over"}},
        {"a caption wider than its place", 3, "caption.place = A Place Far Too Long For The Caption",
         {"small.txt:3: caption.place: ", "px wider than its place", "of 303)"}},
        {"small print wider than its place", 12, "smallprint.3 = three words that are far too many for it",
         {"small.txt:12: smallprint.3: ", "px wider than its place", "of 176)"}},
        {"a title the face cannot condense enough", 5, "title.name = VELTHORNVELTHORNVELTHORNVELTHORNVELTHORNVELTHORN",
         {"small.txt:5: title.name: ", "px wider than its place"}},
        {"a word longer than a roll line", 16, "Nothing " + std::string(38, 'x'),
         {"small.txt:16: roll.story: paragraph 1: the word", "has 38 characters, a roll line holds 37"}},
        {"a character the caption's face lacks", 2, "caption.date = YEAR \xE4\xB8\x80",
         {"small.txt:2: caption.date: U+4E00 cannot be drawn", "DejaVuSans.ttf"}},
        {"a character the roll's face lacks", 18, "The second \xF0\x9F\x9A\x80 paragraph.",
         {"small.txt:18: roll.story: U+1F680 cannot be drawn", "DejaVuSansMono.ttf"}},
        {"a capital with a mark above it in the roll", 16, "\xC3\x9C" "ber the first paragraph.",
         {"small.txt:16: roll.story: '\xC3\x9C" "ber the first paragraph.' is taller than a roll line"}},
        {"an unknown field", 6, "title.subtitel = A SUBTITLE", {"small.txt:6: unknown field 'title.subtitel'"}},
        {"a field given twice", 10, "smallprint.2 = again", {"small.txt:11: 'smallprint.2' given twice (first on line 10)"}},
        {"a missing field", 9, "", {"small.txt: the field 'credit.after' is missing"}},
        {"a line without a field", 4, "title over ESCORT", {"small.txt:4: expected 'field = words'"}},
        {"a byte that is not UTF-8", 3, "caption.place = A Pl\xE9" "ce", {"small.txt:3: not UTF-8"}},
        {"an overlong encoding", 3, "caption.place = \xC0\xAF", {"small.txt:3: not UTF-8"}},
        {"a story without words", 16, "", {"small.txt: roll.story has no words"}, true},
    };
    for (const Refused& c : cases) {
        std::vector<std::string> lines = SmallFile();
        if (c.replacement.empty())
            lines.erase(lines.begin() + (c.line - 1));
        else
            lines[size_t(c.line - 1)] = c.replacement;
        if (c.noStory)
            lines.resize(15);
        std::string file = Write("small.txt", Joined(lines));
        fs::remove(Path("small.bmp"));
        kit::Outcome made = Letter(file, Path("small.bmp"));
        EXPECT_EQ(made.status, 1) << c.what << ": " << made.output;
        for (const std::string& piece : c.said)
            EXPECT_TRUE(Contains(made.output, piece)) << c.what;
        EXPECT_FALSE(fs::exists(Path("small.bmp"))) << c.what << ": a sheet was written";
    }
}

TEST_F(Texts, AMissingFileIsRefused)
{
    kit::Outcome made = Letter(Path("none.txt"), Path("none.bmp"));
    EXPECT_EQ(made.status, 1);
    EXPECT_TRUE(Contains(made.output, "cannot read the texts"));
    EXPECT_FALSE(fs::exists(Path("none.bmp")));
}

// ---- Other scripts ---------------------------------------------------------------------------
struct Frame {
    std::vector<uint8_t> rgb;  // 320x240, three bytes a pixel
    int Differing(int firstRow, int lastRow, const Frame& other) const
    {
        int n = 0;
        for (size_t i = size_t(firstRow) * 320 * 3; i < size_t(lastRow + 1) * 320 * 3; i += 3)
            n += rgb[i] != other.rgb[i] || rgb[i + 1] != other.rgb[i + 1] || rgb[i + 2] != other.rgb[i + 2];
        return n;
    }
};

Frame Decode(const std::string& png)
{
    Frame f;
    f.rgb.resize(320 * 240 * 3);
    std::string command = "ffmpeg -v error -i " + kit::Quoted(png) + " -f rawvideo -pix_fmt rgb24 - 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    size_t got = pipe ? fread(f.rgb.data(), 1, f.rgb.size(), pipe) : 0;
    if (pipe)
        pclose(pipe);
    if (got != f.rgb.size())
        f.rgb.clear();
    return f;
}

// Frame 8000 shows roll lines 20 to 28; line 28, the one a paragraph after the original
// story's 27 lines (and a blank) takes, stands on screen rows 189 to 199.
TEST_F(Texts, GreekAndCyrillicAreLetteredOnTheirRollLine)
{
    std::vector<uint8_t> bytes = ReadFile(kTexts + "en.txt");
    std::string english(bytes.begin(), bytes.end());
    std::string other = Write("other.txt", english + "\nΣε έναν γαλαξία μακριά, Привет, мир.\n");
    for (const auto& [texts, out] : {std::pair{kTexts + "en.txt", Path("en")}, std::pair{other, Path("other")}}) {
        kit::Outcome made = kit::Run(INTRO_FRAMES, {"--texts", texts, "--out", out, "8000"});
        ASSERT_EQ(made.status, 0) << made.output;
    }
    Frame en = Decode(Path("en/frame-08000.png")), mixed = Decode(Path("other/frame-08000.png"));
    ASSERT_FALSE(en.rgb.empty());
    ASSERT_FALSE(mixed.rgb.empty());
    EXPECT_EQ(mixed.Differing(0, 186, en), 0) << "the lines before it are the same";
    EXPECT_GT(mixed.Differing(189, 199, en), 300) << "letters on roll line 28";
    EXPECT_EQ(mixed.Differing(203, 239, en), 0) << "nothing after it";
}

TEST_F(Texts, IntroFramesRefusesTextsTheSheetCannotBeLetteredFrom)
{
    std::vector<std::string> lines = SmallFile();
    lines[2] = "caption.place = A Place Far Too Long For The Caption";
    kit::Outcome made = kit::Run(INTRO_FRAMES, {"--texts", Write("wide.txt", Joined(lines)), "--out", Path("f"), "1"});
    EXPECT_EQ(made.status, 1);
    EXPECT_TRUE(Contains(made.output, "caption.place: "));
    EXPECT_TRUE(Contains(made.output, "no sheet could be lettered from the texts"));
    EXPECT_FALSE(fs::exists(Path("f/frame-00001.png")));
    kit::Outcome both = kit::Run(INTRO_FRAMES, {"--texts", kTexts + "de.txt", "--sheet", "x.bmp", "--out", Path("f"), "1"});
    EXPECT_EQ(both.status, 2);
}

}  // namespace
