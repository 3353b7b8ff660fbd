#include "sheet_rules.h"

#include <algorithm>
#include <map>
#include <tuple>

namespace sheet {
namespace {

// Long lists of the same fault say little more than their first few entries.
constexpr int kMaxListed = 8;

uint32_t ReadU16(const std::vector<uint8_t>& f, size_t at)
{
    return uint32_t(f[at]) | uint32_t(f[at + 1]) << 8;
}

uint32_t ReadU32(const std::vector<uint8_t>& f, size_t at)
{
    return ReadU16(f, at) | ReadU16(f, at + 2) << 16;
}

std::string RgbText(const Color& c)
{
    return "(" + std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + ")";
}

std::string SpanText(const char* singular, const char* plural, int first, int last)
{
    if (first == last)
        return std::string(singular) + " " + std::to_string(first);
    return std::string(plural) + " " + std::to_string(first) + "-" + std::to_string(last);
}

std::string PlaceText(const Rect& r)
{
    std::string s = SpanText("row", "rows", r.top, r.bottom);
    if (r.left != 0 || r.right != kLastArtColumn)
        s += ", " + SpanText("column", "columns", r.left, r.right);
    return s;
}

void Add(std::vector<Violation>& out, const char* rule, std::string detail)
{
    out.push_back({rule, std::move(detail)});
}

struct Field {
    const char* name;
    size_t offset;
    int bytes;
    int64_t expected;
};

// The header fields the intro relies on, at their offsets in the file.
constexpr Field kInfoFields[] = {
    {"biSize", 14, 4, kInfoHeaderBytes},
    {"biWidth", 18, 4, kWidth},
    {"biHeight", 22, 4, kHeight},
    {"biPlanes", 26, 2, 1},
    {"biBitCount", 28, 2, 8},
    {"biCompression", 30, 4, 0},
    {"biSizeImage", 34, 4, kPixelBytes},
    {"biXPelsPerMeter", 38, 4, kPelsPerMeter},
    {"biYPelsPerMeter", 42, 4, kPelsPerMeter},
    {"biClrUsed", 46, 4, kColors},
    {"biClrImportant", 50, 4, kColors},
};

int64_t FieldValue(const std::vector<uint8_t>& f, const Field& field)
{
    uint32_t raw = field.bytes == 2 ? ReadU16(f, field.offset) : ReadU32(f, field.offset);
    // Width and height are signed: a negative height would mean a top-down file.
    if (field.bytes == 4 && (field.offset == 18 || field.offset == 22))
        return int32_t(raw);
    return raw;
}

void CheckFileHeader(const std::vector<uint8_t>& f, std::vector<Violation>& out)
{
    if (f[0] != 'B' || f[1] != 'M')
        Add(out, "file-header", "the file must start with 'BM' (a bitmap file header)");
    uint32_t size = ReadU32(f, 2);
    if (size != f.size())
        Add(out, "file-header",
            "bfSize must be the file size " + std::to_string(f.size()) + ", it is " + std::to_string(size));
    uint32_t offset = ReadU32(f, 10);
    if (offset != kPixelOffset)
        Add(out, "file-header",
            "bfOffBits must be " + std::to_string(kPixelOffset) +
                " (pixels right after the colour table), it is " + std::to_string(offset));
}

// True when the layout fields match, so the pixels lie where the intro expects them.
bool CheckInfoHeader(const std::vector<uint8_t>& f, std::vector<Violation>& out)
{
    bool layoutOk = ReadU32(f, 10) == kPixelOffset;
    for (const Field& field : kInfoFields) {
        int64_t value = FieldValue(f, field);
        if (value == field.expected)
            continue;
        Add(out, "info-header",
            std::string(field.name) + " must be " + std::to_string(field.expected) + ", it is " +
                std::to_string(value));
        std::string name = field.name;
        if (name == "biWidth" || name == "biHeight" || name == "biBitCount" || name == "biCompression" ||
            name == "biSize")
            layoutOk = false;
    }
    return layoutOk;
}

bool IsBlack(const Color& c)
{
    return c.r == 0 && c.g == 0 && c.b == 0;
}

void CheckReservedBytes(const std::vector<Color>& palette, std::vector<Violation>& out)
{
    int total = 0;
    for (int i = 0; i < kColors; ++i) {
        if (palette[i].reserved == 0)
            continue;
        if (++total <= kMaxListed)
            Add(out, "palette-reserved",
                "entry " + std::to_string(i) + " has reserved byte " + std::to_string(palette[i].reserved) +
                    ", it must be 0");
    }
    if (total > kMaxListed)
        Add(out, "palette-reserved",
            std::to_string(total - kMaxListed) + " more entries have a reserved byte that is not 0");
}

void CheckDistinct(const std::vector<Color>& palette, std::vector<Violation>& out)
{
    std::map<std::tuple<int, int, int>, int> firstWith;
    int total = 0;
    for (int i = 0; i < kColors; ++i) {
        const Color& c = palette[i];
        auto [it, fresh] = firstWith.emplace(std::make_tuple(c.r, c.g, c.b), i);
        if (fresh)
            continue;
        if (++total <= kMaxListed)
            Add(out, "palette-distinct",
                "entries " + std::to_string(it->second) + " and " + std::to_string(i) +
                    " are the same colour " + RgbText(c));
    }
    if (total > kMaxListed)
        Add(out, "palette-distinct",
            std::to_string(total - kMaxListed) + " more entries repeat an earlier colour");
}

void CheckBlackAndWhite(const std::vector<Color>& palette, std::vector<Violation>& out)
{
    if (!IsBlack(palette[kBlackIndex]))
        Add(out, "palette-black", "entry 0 must be black (0,0,0), it is " + RgbText(palette[0]));
    for (int i = 1; i < kColors; ++i)
        if (IsBlack(palette[i]))
            Add(out, "palette-black",
                "entry " + std::to_string(i) +
                    " is black too; only entry 0 may be black (it is the colour key)");
    const Color& w = palette[kWhiteIndex];
    if (w.r != 255 || w.g != 255 || w.b != 255)
        Add(out, "palette-white", "entry 255 must be white (255,255,255), it is " + RgbText(w));
}

uint8_t At(const std::vector<uint8_t>& px, int row, int col)
{
    return px[size_t(row) * kWidth + col];
}

struct Count {
    int n = 0, row = -1, col = -1;
    void Hit(int r, int c)
    {
        if (n++ == 0)
            row = r, col = c;
    }
};

Count CountDrawn(const std::vector<uint8_t>& px, const Rect& r)
{
    Count c;
    for (int row = r.top; row <= r.bottom; ++row)
        for (int col = r.left; col <= r.right; ++col)
            if (At(px, row, col) != kBlackIndex)
                c.Hit(row, col);
    return c;
}

std::string PixelsAre(int n, const char* verbOne, const char* verbMany)
{
    return std::to_string(n) + (n == 1 ? " pixel " : " pixels ") + (n == 1 ? verbOne : verbMany);
}

std::string FirstText(const Count& c)
{
    return "first at row " + std::to_string(c.row) + ", column " + std::to_string(c.col);
}

void CheckBlackZones(const std::vector<uint8_t>& px, std::vector<Violation>& out)
{
    for (const Region& z : BlackZones()) {
        Count c = CountDrawn(px, z.rect);
        if (c.n == 0)
            continue;
        Add(out, "black-rows",
            PlaceText(z.rect) + " must be black (index 0): " + PixelsAre(c.n, "is", "are") + " not, " +
                FirstText(c));
    }
}

void CheckEdgeColumn(const std::vector<Color>& palette, const std::vector<uint8_t>& px,
                     std::vector<Violation>& out)
{
    Count black, bright, below;
    for (int row = 0; row < kHeight; ++row) {
        uint8_t i = At(px, row, kEdgeColumn);
        if (row > kEdgeLastRow) {
            if (i != kBlackIndex)
                below.Hit(row, kEdgeColumn);
        } else if (i == kBlackIndex) {
            black.Hit(row, kEdgeColumn);
        } else if (!palette.empty()) {
            const Color& c = palette[i];
            if (std::max({c.r, c.g, c.b}) > kEdgeMaxLevel)
                bright.Hit(row, i);
        }
    }
    std::string rows = "column 319 in rows 0-" + std::to_string(kEdgeLastRow);
    if (black.n)
        Add(out, "edge-column",
            rows + " must be dark but not black: " + PixelsAre(black.n, "is", "are") +
                " black (index 0), first at row " + std::to_string(black.row));
    if (bright.n)
        Add(out, "edge-column",
            rows + " must be dark (no channel above " + std::to_string(kEdgeMaxLevel) + "): " +
                PixelsAre(bright.n, "is", "are") + " too bright, first at row " + std::to_string(bright.row) +
                " (index " + std::to_string(bright.col) + " " + RgbText(palette[bright.col]) + ")");
    if (below.n)
        Add(out, "black-column",
            "column 319 in rows " + std::to_string(kEdgeLastRow + 1) + "-" + std::to_string(kHeight - 1) +
                " must be black (index 0): " + PixelsAre(below.n, "is", "are") + " not, first at row " +
                std::to_string(below.row));
}

void CheckWhiteUnused(const std::vector<uint8_t>& px, std::vector<Violation>& out)
{
    Count c;
    for (int row = 0; row < kHeight; ++row)
        for (int col = 0; col < kWidth; ++col)
            if (At(px, row, col) == kWhiteIndex)
                c.Hit(row, col);
    if (c.n)
        Add(out, "white-unused",
            "index 255 (white) must not be drawn: " + PixelsAre(c.n, "uses", "use") + " it, " + FirstText(c));
}

void CheckBadgeFoot(const std::vector<uint8_t>& px, std::vector<Violation>& out)
{
    Count c = CountDrawn(px, {kBadgeFootRow, kBadgeFootRow, kRightBadgeLeft, kRightBadgeRight});
    if (c.n > kBadgeFootMaxPixels)
        Add(out, "badge-foot",
            "row 863 may hold only the last few pixels of the right badge (at most " +
                std::to_string(kBadgeFootMaxPixels) + "), it has " + std::to_string(c.n) +
                " drawn pixels in columns " + std::to_string(kRightBadgeLeft) + "-" +
                std::to_string(kRightBadgeRight));
}

// Panels the intro shows must not be blank; the badge foot and single roll lines may be.
void CheckContentPresent(const std::vector<uint8_t>& px, std::vector<Violation>& out)
{
    std::vector<Region> wanted;
    for (const Region& z : kContent)
        if (std::string(z.name) != "badge foot")
            wanted.push_back(z);
    wanted.push_back({"roll title", RollLine(0)});
    wanted.push_back({"roll text", {RollLine(1).top, kRollLastTextRow, 0, kLastArtColumn}});
    for (const Region& z : wanted)
        if (CountDrawn(px, z.rect).n == 0)
            Add(out, "content",
                std::string("the ") + z.name + " (" + PlaceText(z.rect) +
                    ") is empty; its artwork must be drawn there");
}

}  // namespace

Rect RollLine(int n)
{
    int top = kRollFirstRow + n * kRollPitch;
    return {top, top + kRollLineRows - 1, 0, kLastArtColumn};
}

std::vector<Region> RollGaps()
{
    std::vector<Region> gaps;
    for (int n = 0; n + 1 < kRollLines; ++n)
        gaps.push_back({"roll gap", {RollLine(n).bottom + 1, RollLine(n + 1).top - 1, 0, kLastArtColumn}});
    return gaps;
}

std::vector<Region> BlackZones()
{
    std::vector<Region> zones(std::begin(kBlackBands), std::end(kBlackBands));
    for (const Region& g : RollGaps())
        zones.push_back(g);
    return zones;
}

std::vector<Region> ContentZones()
{
    std::vector<Region> zones(std::begin(kContent), std::end(kContent));
    for (int n = 0; n < kRollLines; ++n)
        zones.push_back({n == 0 ? "roll title" : "roll line", RollLine(n)});
    return zones;
}

std::string ToString(const Violation& v)
{
    return v.rule + ": " + v.detail;
}

Decoded Decode(const std::vector<uint8_t>& f, std::vector<Violation>& out)
{
    Decoded d;
    if (f.size() < kFileHeaderBytes + kInfoHeaderBytes) {
        Add(out, "bmp-size",
            "the file is " + std::to_string(f.size()) +
                " bytes, too short to hold the bitmap headers (54 bytes)");
        return d;
    }
    CheckFileHeader(f, out);
    bool layoutOk = CheckInfoHeader(f, out);
    if (f.size() != kFileBytes)
        Add(out, "bmp-size",
            "the file is " + std::to_string(f.size()) + " bytes; a 320x1728 8-bit sheet is " +
                std::to_string(kFileBytes) + " bytes (packed DIB of " + std::to_string(kDibBytes) + ")");
    if (f.size() < kPixelOffset)
        return d;
    for (int i = 0; i < kColors; ++i) {
        size_t p = kFileHeaderBytes + kInfoHeaderBytes + size_t(i) * 4;
        d.palette.push_back({f[p + 2], f[p + 1], f[p], f[p + 3]});
    }
    if (!layoutOk || f.size() < size_t(kPixelOffset) + kPixelBytes)
        return d;
    d.pixels.resize(kPixelBytes);
    for (int row = 0; row < kHeight; ++row) {  // stored bottom row first
        auto src = f.begin() + kPixelOffset + size_t(kHeight - 1 - row) * kWidth;
        std::copy(src, src + kWidth, d.pixels.begin() + size_t(row) * kWidth);
    }
    return d;
}

void CheckPalette(const std::vector<Color>& palette, std::vector<Violation>& out)
{
    if (palette.size() != size_t(kColors))
        return;
    CheckReservedBytes(palette, out);
    CheckDistinct(palette, out);
    CheckBlackAndWhite(palette, out);
}

void CheckPixels(const std::vector<Color>& palette, const std::vector<uint8_t>& pixels,
                 std::vector<Violation>& out)
{
    if (pixels.size() != kPixelBytes)
        return;
    CheckWhiteUnused(pixels, out);
    CheckBlackZones(pixels, out);
    CheckEdgeColumn(palette.size() == size_t(kColors) ? palette : std::vector<Color>{}, pixels, out);
    CheckBadgeFoot(pixels, out);
    CheckContentPresent(pixels, out);
}

std::vector<Violation> CheckFileBytes(const std::vector<uint8_t>& file)
{
    std::vector<Violation> out;
    Decoded d = Decode(file, out);
    CheckPalette(d.palette, out);
    if (d.pixels.empty() && file.size() >= kFileHeaderBytes + kInfoHeaderBytes)
        Add(out, "pixels", "the picture could not be read, so its rows were not checked");
    CheckPixels(d.palette, d.pixels, out);
    return out;
}

}  // namespace sheet
