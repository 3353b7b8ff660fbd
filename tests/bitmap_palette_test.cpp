// LoadPaletteFromBitmap: the default palette, resources, BMP files, and the
// fallbacks for bitmaps that lie about their colour tables. The table checked
// is the one handed to CreatePalette, before the platform fixes black and white.
#include "tests/bitmap_test_support.h"

#include <sstream>

// Entries compare and print as their four bytes; at file scope, where the
// test macros find them beside the platform's type.
static bool operator==(const PALETTEENTRY& a, const PALETTEENTRY& b) { return std::memcmp(&a, &b, 4) == 0; }

static std::ostream& operator<<(std::ostream& out, const PALETTEENTRY& e)
{
    return out << "(" << +e.peRed << "," << +e.peGreen << "," << +e.peBlue << " flags " << +e.peFlags << ")";
}

namespace {

using Table = std::vector<PALETTEENTRY>;

// The levels the default palette is made of: 3 bits of red and green, 2 of blue.
const BYTE kEightLevels[8] = {0, 36, 72, 109, 145, 182, 218, 255};
const BYTE kFourLevels[4] = {0, 85, 170, 255};

// A palette entry as the platform lays it out.
PALETTEENTRY Entry(BYTE red, BYTE green, BYTE blue, BYTE flags = 0)
{
    return PALETTEENTRY{red, green, blue, flags};
}

// Default entry i, read off the levels.
PALETTEENTRY DefaultAt(int i)
{
    return Entry(kEightLevels[i >> 5], kEightLevels[(i >> 2) & 7], kFourLevels[i & 3]);
}

// The whole default palette.
Table DefaultTable()
{
    Table table;
    for (int i = 0; i < 256; ++i)
        table.push_back(DefaultAt(i));
    return table;
}

// The first entry where two tables differ, as text; empty when they agree.
std::string FirstDifference(const Table& got, const Table& expected)
{
    if (got.size() != expected.size())
        return "table of " + std::to_string(got.size()) + " entries";
    for (size_t i = 0; i < got.size(); ++i)
        if (!(got[i] == expected[i])) {
            std::ostringstream text;
            text << "entry " << i << " is " << got[i] << ", expected " << expected[i];
            return text.str();
        }
    return "";
}

// The first `count` entries of a made bitmap's table as a resource gives them, then the default.
Table ResourceTable(int count)
{
    Table table = DefaultTable();
    for (int i = 0; i < count; ++i) {
        dib::Color color = dib::TableColor(i);
        table[i] = Entry(color.red, color.green, color.blue);
    }
    return table;
}

// A file's table: the bytes after its first 54 laid over the default palette as
// they stand, then the first `converted` entries turned to red, green, blue.
Table FileTable(const std::vector<uint8_t>& file, int converted)
{
    Table table = DefaultTable();
    for (size_t at = 54; at < file.size() && at < 54 + 1024; ++at)
        reinterpret_cast<BYTE*>(table.data())[at - 54] = file[at];
    for (int i = 0; i < converted; ++i)
        std::swap(table[i].peRed, table[i].peBlue);
    return table;
}

class PaletteTest : public BitmapTest {
protected:
    // The palette for `name`, released at once: the table it was made from.
    Table Load(const char* name)
    {
        LPDIRECTDRAWPALETTE palette = LoadPaletteFromBitmap(directDraw, name);
        EXPECT_NE(palette, nullptr);
        if (palette)
            palette->Release();
        return host::LastPaletteTable();
    }
};

TEST_F(PaletteTest, NoNameGivesTheDefaultPaletteAndLooksNothingUp)
{
    Table table = Load(nullptr);
    ASSERT_EQ(table.size(), 256u);
    EXPECT_EQ(table[0], Entry(0, 0, 0));
    EXPECT_EQ(table[0x49], Entry(72, 72, 85));
    EXPECT_EQ(table[0x1C], Entry(0, 255, 0));
    EXPECT_EQ(table[0x03], Entry(0, 0, 255));
    EXPECT_EQ(table[0xE0], Entry(255, 0, 0));
    EXPECT_EQ(table[0xFF], Entry(255, 255, 255));
    EXPECT_EQ(FirstDifference(table, DefaultTable()), "");
    EXPECT_EQ(CountOf("FindResourceA") + CountOf("_lopen"), 0u);
    EXPECT_EQ(ArgsOf("IDirectDraw::CreatePalette"), std::vector<std::string>{"0x4, null"});
}

TEST_F(PaletteTest, NeitherResourceNorFileGivesTheDefaultPalette)
{
    std::string missing = folder + "/missing.bmp";
    EXPECT_EQ(FirstDifference(Load(missing.c_str()), DefaultTable()), "");
    EXPECT_EQ(host::OpenedFiles(), std::vector<std::string>{missing});
    EXPECT_TRUE(host::DebugOutput().empty());
}

TEST_F(PaletteTest, TheSheetGivesAllItsOwnColours)
{
    host::AddBitmapResourceFromFile("ALL", ProjectSheet());
    Table table = Load("ALL");
    ASSERT_EQ(table.size(), 256u);
    const std::vector<uint8_t>& sheet = ProjectSheet();
    for (int i = 0; i < 256; ++i) {
        const uint8_t* quad = &sheet[54 + 4 * i];
        ASSERT_EQ(table[i], Entry(quad[2], quad[1], quad[0])) << "entry " << i;
    }
    EXPECT_EQ(table[0], Entry(0, 0, 0));
    EXPECT_EQ(ArgsOf("LockResource").size(), 1u);
}

// Resources whose headers promise, hold or hide different numbers of colours.
struct ResourceCase {
    const char* what;
    dib::Shape shape;
    int taken;  // entries that come from the resource
    int cutTo = -1;  // the resource's bytes cut to this size; -1: whole
};

// A case of the made bitmap changed by `change`.
ResourceCase Resource(const char* what, int taken, void (*change)(dib::Shape&), int cutTo = -1)
{
    dib::Shape shape;
    change(shape);
    return ResourceCase{what, shape, taken, cutTo};
}

TEST_F(PaletteTest, AResourceGivesTheEntriesItsHeaderCountsAndHoldsInFull)
{
    const ResourceCase cases[] = {
        Resource("1 bit, no count", 2, [](dib::Shape& s) { s.bitCount = 1; }),
        Resource("4 bits, no count", 16, [](dib::Shape& s) { s.bitCount = 4; }),
        Resource("8 bits, no count", 256, [](dib::Shape&) {}),
        Resource("8 bits, 20 used", 20, [](dib::Shape& s) { s.colorsUsed = 20; }),
        Resource("4 bits, 20 used", 20, [](dib::Shape& s) { s.bitCount = 4, s.colorsUsed = 20; }),
        Resource("108-byte header", 256, [](dib::Shape& s) { s.headerSize = 108; }),
        Resource("124-byte header, 5 used", 5, [](dib::Shape& s) { s.headerSize = 124, s.colorsUsed = 5; }),
        Resource("12-byte header", 0, [](dib::Shape& s) { s.headerSize = 12; }),
        Resource("16 bits with a table", 0, [](dib::Shape& s) { s.bitCount = 16, s.colorsUsed = 16; }),
        Resource("24 bits with a table", 0, [](dib::Shape& s) { s.bitCount = 24, s.colorsUsed = 16; }),
        Resource("32 bits", 0, [](dib::Shape& s) { s.bitCount = 32; }),
        Resource("biClrUsed huge", 256, [](dib::Shape& s) { s.colorsUsed = 0xFFFFFFFF, s.tableEntries = 256; }),
        Resource("biClrUsed 300", 256, [](dib::Shape& s) { s.colorsUsed = 300, s.tableEntries = 256; }),
        Resource("biClrUsed huge, 10 held", 10,
                 [](dib::Shape& s) { s.colorsUsed = 0xFFFFFFFF, s.tableEntries = 10, s.withPixels = false; }),
        Resource("biSize huge", 0, [](dib::Shape& s) { s.headerSize = 0xFFFFFFF0, s.withPixels = false; }),
        Resource("biSize just past the end", 0, [](dib::Shape& s) { s.headerSize = 41, s.tableEntries = 0, s.withPixels = false; }),
        Resource("8 bits, table cut after 10 entries", 10,
                 [](dib::Shape& s) { s.tableEntries = 10, s.withPixels = false; }),
        Resource("8 bits, table cut in entry 10", 10, [](dib::Shape&) {}, 40 + 4 * 10 + 3),
        Resource("header cut to 39 bytes", 0, [](dib::Shape&) {}, 39),
        Resource("empty", 0, [](dib::Shape&) {}, 0),
    };
    for (const ResourceCase& test : cases) {
        SCOPED_TRACE(test.what);
        host::Reset();
        ASSERT_EQ(DirectDrawCreate(NULL, &directDraw, NULL), DD_OK);
        std::vector<uint8_t> bytes = dib::Packed(test.shape);
        if (test.cutTo >= 0)
            bytes.resize((size_t)test.cutTo);
        std::string name = WriteFile("colours.bmp", dib::File(dib::Shape()));  // never to be opened
        host::AddResource(RT_BITMAP, name.c_str(), bytes);
        EXPECT_EQ(FirstDifference(Load(name.c_str()), ResourceTable(test.taken)), "");
        EXPECT_TRUE(host::OpenedFiles().empty());
        EXPECT_TRUE(host::DebugOutput().empty());
    }
}

TEST_F(PaletteTest, AResourceThatCannotBeLockedWritesItsLineAndGivesTheDefault)
{
    for (const char* failing : {"LockResource", "LoadResource"}) {
        SCOPED_TRACE(failing);
        host::Reset();
        ASSERT_EQ(DirectDrawCreate(NULL, &directDraw, NULL), DD_OK);
        std::string name = WriteFile("colours.bmp", dib::File(dib::Shape()));
        host::AddResource(RT_BITMAP, name.c_str(), dib::Packed(dib::Shape()));
        host::FailCall(failing, 0x80004005);
        EXPECT_EQ(FirstDifference(Load(name.c_str()), DefaultTable()), "");
        EXPECT_EQ(host::DebugOutput(), std::vector<std::string>{"lock resource failed\n"});
        EXPECT_TRUE(host::OpenedFiles().empty());
        EXPECT_EQ(CountOf("SizeofResource"), 0u);
    }
}

// BMP files, read in pieces of 14, 40 and 1024 bytes from the start.
struct FileCase {
    const char* what;
    std::vector<uint8_t> bytes;
    int converted;  // entries turned to red, green, blue
};

// The BMP file of the made bitmap changed by `change`, cut to `cutTo` bytes.
std::vector<uint8_t> FileOf(void (*change)(dib::Shape&), size_t cutTo = SIZE_MAX)
{
    dib::Shape shape;
    change(shape);
    std::vector<uint8_t> file = dib::File(shape);
    if (cutTo < file.size())
        file.resize(cutTo);
    return file;
}

TEST_F(PaletteTest, AFileGivesItsColoursWithTheirReservedBytesOrTheRawBytesAfter54)
{
    const FileCase cases[] = {
        {"256 colours", FileOf([](dib::Shape&) {}), 256},
        {"20 used", FileOf([](dib::Shape& s) { s.colorsUsed = 20; }), 20},
        {"4 bits", FileOf([](dib::Shape& s) { s.bitCount = 4, s.width = 64; }), 16},
        {"1 bit", FileOf([](dib::Shape& s) { s.bitCount = 1, s.width = 256; }), 2},
        {"biClrUsed huge", FileOf([](dib::Shape& s) { s.colorsUsed = 0xFFFFFFFF, s.tableEntries = 256; }), 256},
        {"108-byte header", FileOf([](dib::Shape& s) { s.headerSize = 108; }), 0},
        {"12-byte header", FileOf([](dib::Shape& s) { s.headerSize = 12; }), 0},
        {"16 bits", FileOf([](dib::Shape& s) { s.bitCount = 16, s.width = 60, s.height = 12; }), 0},
        {"24 bits", FileOf([](dib::Shape& s) { s.bitCount = 24, s.width = 30, s.height = 12; }), 0},
        {"table cut after 25 entries", FileOf([](dib::Shape&) {}, 54 + 100), 25},
        {"table cut in entry 25", FileOf([](dib::Shape&) {}, 54 + 102), 25},
        {"header cut to 30 bytes", FileOf([](dib::Shape&) {}, 14 + 30), 0},
        {"file header only", FileOf([](dib::Shape&) {}, 10), 0},
        {"empty", {}, 0},
    };
    for (const FileCase& test : cases) {
        SCOPED_TRACE(test.what);
        host::Reset();
        ASSERT_EQ(DirectDrawCreate(NULL, &directDraw, NULL), DD_OK);
        std::string path = WriteFile("colours.bmp", test.bytes);
        EXPECT_EQ(FirstDifference(Load(path.c_str()), FileTable(test.bytes, test.converted)), "");
        EXPECT_EQ(ArgsOf("_lread").size(), 3u);
        EXPECT_EQ(CountOf("_lclose"), 1u);
    }
}

// A read that fails delivers no bytes: after a failed table read nothing is
// converted, and every entry keeps the default.
TEST_F(PaletteTest, AFileWhoseTableCannotBeReadGivesTheDefault)
{
    std::string path = WriteFile("colours.bmp", dib::File(dib::Shape()));
    host::FailCall("_lread", ERROR_INVALID_HANDLE, 1, 2);
    EXPECT_EQ(FirstDifference(Load(path.c_str()), DefaultTable()), "");
}

TEST_F(PaletteTest, AFileKeepsItsReservedBytesAsFlags)
{
    std::string path = WriteFile("colours.bmp", dib::File(dib::Shape()));
    Table table = Load(path.c_str());
    ASSERT_EQ(table.size(), 256u);
    for (int i = 0; i < 256; ++i) {
        dib::Color color = dib::TableColor(i);
        ASSERT_EQ(table[i], Entry(color.red, color.green, color.blue, color.reserved)) << "entry " << i;
    }
    std::vector<std::string> reads;
    for (const host::Call& call : host::CallsNamed("_lread"))
        reads.push_back(call.args.substr(call.args.find(", ") + 2));
    EXPECT_EQ(reads, (std::vector<std::string>{"14", "40", "1024"}));
}

TEST_F(PaletteTest, AResourceIsPreferredAndTheFileOfTheSameNameNeverOpened)
{
    dib::Shape twelveColours;
    twelveColours.colorsUsed = 12;
    std::string name = WriteFile("both.bmp", dib::File(dib::Shape()));
    host::AddResource(RT_BITMAP, name.c_str(), dib::Packed(twelveColours));
    EXPECT_EQ(FirstDifference(Load(name.c_str()), ResourceTable(12)), "");
    EXPECT_TRUE(host::OpenedFiles().empty());
}

TEST_F(PaletteTest, NoPaletteWhenDirectDrawMakesNone)
{
    host::AddBitmapResourceFromFile("ALL", ProjectSheet());
    host::FailCall("IDirectDraw::CreatePalette", DDERR_OUTOFMEMORY);
    EXPECT_EQ(LoadPaletteFromBitmap(directDraw, "ALL"), nullptr);
    EXPECT_EQ(host::LiveObjects().palettes, 0);
}

}  // namespace
