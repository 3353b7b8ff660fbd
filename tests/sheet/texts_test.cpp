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

// ---- Characters the lettering cannot place --------------------------------------------------
// One letter of each script that runs right to left or needs shaping, and marks and controls
// it cannot follow, each in another field: all refused, though the faces draw some of them
// (Hebrew, Arabic, N'Ko, Lao, the combining marks), naming the character, field and line.
struct Unplaceable {
    const char* script;
    const char* utf8;  // the character, as the translator's file holds it
    const char* code;
    int line;          // the line of the small file it is put in (by its words' end)
    const char* field;
    const char* why;   // from the character's Unicode properties
};

TEST_F(Texts, RefusesEveryCharacterTheLetteringCannotPlaceInAnyField)
{
    const char* rtl = "right to left";
    const char* shaped = "needs shaping";
    const char* mark = "combining mark";
    const char* control = "direction or joining";
    const std::vector<Unplaceable> cases = {
        {"Hebrew", "\u05D0", "U+05D0", 2, "caption.date", rtl},
        {"Arabic", "\u0628", "U+0628", 10, "smallprint.1", rtl},
        {"Syriac", "\u0710", "U+0710", 3, "caption.place", rtl},
        {"Thaana", "\u0780", "U+0780", 4, "title.over", rtl},
        {"N'Ko", "\u07CA", "U+07CA", 5, "title.name", rtl},
        {"Samaritan", "\u0800", "U+0800", 6, "title.subtitle", rtl},
        {"Mandaic", "\u0840", "U+0840", 7, "credit.before", rtl},
        {"Arabic presentation form", "\uFEFB", "U+FEFB", 8, "credit.studio", rtl},
        {"Hebrew presentation form", "\uFB2A", "U+FB2A", 9, "credit.after", rtl},
        {"Old Turkic", "\U00010C00", "U+10C00", 11, "smallprint.2", rtl},
        {"Adlam", "\U0001E900", "U+1E900", 12, "smallprint.3", rtl},
        {"Devanagari", "\u0915", "U+0915", 13, "smallprint.4", shaped},
        {"Bengali", "\u0995", "U+0995", 14, "roll.title", shaped},
        {"Thai", "\u0E01", "U+0E01", 16, "roll.story", shaped},
        {"Lao", "\u0E81", "U+0E81", 18, "roll.story", shaped},
        {"Tamil", "\u0B95", "U+0B95", 2, "caption.date", shaped},
        {"Sinhala", "\u0D9A", "U+0D9A", 3, "caption.place", shaped},
        {"Tibetan", "\u0F40", "U+0F40", 4, "title.over", shaped},
        {"Myanmar", "\u1000", "U+1000", 5, "title.name", shaped},
        {"Khmer", "\u1780", "U+1780", 6, "title.subtitle", shaped},
        {"Mongolian", "\u1820", "U+1820", 7, "credit.before", shaped},
        {"conjoining Hangul", "\u1100", "U+1100", 8, "credit.studio", shaped},
        {"Javanese", "\uA984", "U+A984", 9, "credit.after", shaped},
        {"Brahmi", "\U00011013", "U+11013", 10, "smallprint.1", shaped},
        {"a combining acute accent", "e\u0301", "U+0301", 11, "smallprint.2", mark},
        {"a Cyrillic combining titlo", "\u0434\u0483", "U+0483", 12, "smallprint.3", mark},
        {"a variation selector", "\u2764\uFE0F", "U+FE0F", 16, "roll.story", mark},
        {"a right-to-left override", "\u202E", "U+202E", 13, "smallprint.4", control},
        {"a zero-width joiner", "\u200D", "U+200D", 14, "roll.title", control},
        {"a right-to-left mark", "\u200F", "U+200F", 18, "roll.story", control},
    };
    for (const Unplaceable& c : cases) {
        std::vector<std::string> lines = SmallFile();
        lines[size_t(c.line - 1)] += std::string(" ") + c.utf8;
        fs::remove(Path("script.bmp"));
        kit::Outcome made = Letter(Write("script.txt", Joined(lines)), Path("script.bmp"));
        EXPECT_EQ(made.status, 1) << c.script << ": " << made.output;
        EXPECT_TRUE(Contains(made.output, "script.txt:" + std::to_string(c.line) + ": " + c.field + ": " + c.code +
                                              " cannot be lettered"))
            << c.script;
        EXPECT_TRUE(Contains(made.output, c.why)) << c.script;
        EXPECT_FALSE(fs::exists(Path("script.bmp"))) << c.script << ": a sheet was written";
    }
}

TEST_F(Texts, TheFirstUnplaceableCharacterOfTheFileIsTheOneNamed)
{
    std::vector<std::string> lines = SmallFile();
    lines[3] += " \u05D0";  // title.over, line 4
    lines[6] += " \u0628";  // credit.before, line 7
    kit::Outcome made = Letter(Write("two.txt", Joined(lines)), Path("two.bmp"));
    EXPECT_EQ(made.status, 1);
    EXPECT_TRUE(Contains(made.output, "two.txt:4: title.over: U+05D0 cannot be lettered")) << made.output;
}

// roll.story comes last; a field after it is read as the story, and the message says so.
TEST_F(Texts, AFieldAfterTheStoryIsNamedAsOutOfOrder)
{
    std::vector<std::string> lines = SmallFile();
    lines.erase(lines.begin() + 13);  // roll.title, line 14
    lines.push_back("");
    lines.push_back("roll.title = A LOG");
    kit::Outcome made = Letter(Write("late.txt", Joined(lines)), Path("late.bmp"));
    EXPECT_EQ(made.status, 1) << made.output;
    EXPECT_TRUE(Contains(made.output, "late.txt:19: 'roll.title' comes after roll.story")) << made.output;
    EXPECT_FALSE(Contains(made.output, "is missing")) << made.output;
    EXPECT_FALSE(fs::exists(Path("late.bmp")));
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
