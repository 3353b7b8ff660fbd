#include "sheet_rules.h"

#include <algorithm>
#include <map>
#include <tuple>

namespace sheet {
namespace {

// Long lists of the same fault say little more than their first few entries.
constexpr int kMaxListed = 5;

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

void Add(std::vector<Finding>& out, const char* rule, std::string detail, Severity severity = Severity::kRefusal)
{
    out.push_back({rule, std::move(detail), severity});
}

void Warn(std::vector<Finding>& out, const char* rule, std::string detail)
{
    Add(out, rule, std::move(detail), Severity::kWarning);
}

// Offsets of the header fields in the file (the info header follows the 14-byte file header).
constexpr size_t kBfSize = 2, kBfOffBits = 10;
constexpr size_t kBiSize = 14, kBiWidth = 18, kBiHeight = 22, kBiPlanes = 26, kBiBitCount = 28;
constexpr size_t kBiCompression = 30, kBiSizeImage = 34, kBiXPelsPerMeter = 38, kBiYPelsPerMeter = 42;
constexpr size_t kBiClrUsed = 46, kBiClrImportant = 50;

std::string MustBe(const char* field, int64_t expected, int64_t actual, const std::string& why = "")
{
    return std::string(field) + " must be " + std::to_string(expected) + why + ", it is " + std::to_string(actual);
}

// Something to read at all: a bitmap file header and a BITMAPINFOHEADER.
bool IsBitmapFile(const std::vector<uint8_t>& f, std::vector<Finding>& out)
{
    if (f.size() >= 2 && (f[0] != 'B' || f[1] != 'M')) {
        Add(out, "file-header", "the file must start with 'BM' (a bitmap file header): this is no BMP file",
            Severity::kNotABitmap);
        return false;
    }
    if (f.size() < kFileHeaderBytes + kInfoHeaderBytes) {
        Add(out, "bmp-size",
            "the file is " + std::to_string(f.size()) + " bytes, too short to hold the bitmap headers (54 bytes)",
            Severity::kNotABitmap);
        return false;
    }
    return true;
}

// One finding that makes every later one meaningless, or none.
bool RootCause(const std::vector<uint8_t>& f, std::vector<Finding>& out)
{
    uint32_t size = ReadU32(f, kBiSize);
    if (size != kInfoHeaderBytes) {
        Add(out, "info-header", MustBe("biSize", kInfoHeaderBytes, size, " (a BITMAPINFOHEADER)"));
        return true;
    }
    uint32_t bits = ReadU16(f, kBiBitCount);
    if (bits != 8) {
        Add(out, "info-header", MustBe("biBitCount", 8, bits, " (256 colours, one byte a pixel)"));
        return true;
    }
    uint32_t compression = ReadU32(f, kBiCompression);
    if (compression != 0) {
        Add(out, "info-header", MustBe("biCompression", 0, compression, " (BI_RGB, uncompressed)"));
        return true;
    }
    return false;
}

// The shape and place of the picture the intro loads: any fault here and the pixels
// cannot be read where the intro reads them.
bool CheckShape(const std::vector<uint8_t>& f, std::vector<Finding>& out)
{
    size_t before = out.size();
    int32_t width = int32_t(ReadU32(f, kBiWidth)), height = int32_t(ReadU32(f, kBiHeight));
    if (width != kWidth)
        Add(out, "info-header", MustBe("biWidth", kWidth, width));
    if (height == -kHeight)
        Add(out, "info-header",
            MustBe("biHeight", kHeight, height, " (rows stored bottom row first)") + ": a top-down file");
    else if (height != kHeight)
        Add(out, "info-header", MustBe("biHeight", kHeight, height));
    if (ReadU16(f, kBiPlanes) != 1)
        Add(out, "info-header", MustBe("biPlanes", 1, ReadU16(f, kBiPlanes)));
    uint32_t used = ReadU32(f, kBiClrUsed);
    if (used != 0 && used != uint32_t(kColors))
        Add(out, "info-header", MustBe("biClrUsed", kColors, used, " (a full colour table)"));
    if (ReadU32(f, kBfOffBits) != kPixelOffset)
        Add(out, "file-header",
            MustBe("bfOffBits", kPixelOffset, ReadU32(f, kBfOffBits), " (pixels right after the colour table)"));
    if (out.size() == before && f.size() < kFileBytes)
        Add(out, "bmp-size",
            "the file is " + std::to_string(f.size()) + " bytes, cut short: a 320x1728 8-bit sheet is " +
                std::to_string(kFileBytes) + " bytes");
    return out.size() == before;
}

// Fields the intro never reads: they only differ from the layout of the original file,
// as image editors write it.
void CheckFileLayout(const std::vector<uint8_t>& f, std::vector<Finding>& out)
{
    if (ReadU32(f, kBfSize) != f.size())
        Warn(out, "file-header", MustBe("bfSize", int64_t(f.size()), ReadU32(f, kBfSize), " (the file size)"));
    if (ReadU32(f, kBiSizeImage) != kPixelBytes)
        Warn(out, "info-header", MustBe("biSizeImage", kPixelBytes, ReadU32(f, kBiSizeImage)));
    if (ReadU32(f, kBiXPelsPerMeter) != uint32_t(kPelsPerMeter))
        Warn(out, "info-header", MustBe("biXPelsPerMeter", kPelsPerMeter, int32_t(ReadU32(f, kBiXPelsPerMeter))));
    if (ReadU32(f, kBiYPelsPerMeter) != uint32_t(kPelsPerMeter))
        Warn(out, "info-header", MustBe("biYPelsPerMeter", kPelsPerMeter, int32_t(ReadU32(f, kBiYPelsPerMeter))));
    if (ReadU32(f, kBiClrUsed) == 0)
        Warn(out, "info-header", MustBe("biClrUsed", kColors, 0, " (0 also means 256)"));
    if (ReadU32(f, kBiClrImportant) != uint32_t(kColors))
        Warn(out, "info-header", MustBe("biClrImportant", kColors, ReadU32(f, kBiClrImportant)));
    if (f.size() > kFileBytes)
        Warn(out, "bmp-size",
             "the file is " + std::to_string(f.size()) + " bytes; the sheet ends after " +
                 std::to_string(kFileBytes) + " and the rest is never read");
}

bool IsBlack(const Color& c)
{
    return c.r == 0 && c.g == 0 && c.b == 0;
}

void CheckReservedBytes(const std::vector<Color>& palette, std::vector<Finding>& out)
{
    for (int i = 0; i < kColors; ++i)
        if (palette[i].reserved != 0)
            Add(out, "palette-reserved",
                "entry " + std::to_string(i) + " has reserved byte " + std::to_string(palette[i].reserved) +
                    ", it must be 0");
}

void CheckDistinct(const std::vector<Color>& palette, std::vector<Finding>& out)
{
    std::map<std::tuple<int, int, int>, int> firstWith;
    for (int i = 0; i < kColors; ++i) {
        const Color& c = palette[i];
        auto [it, fresh] = firstWith.emplace(std::make_tuple(c.r, c.g, c.b), i);
        if (!fresh)
            Add(out, "palette-distinct",
                "entries " + std::to_string(it->second) + " and " + std::to_string(i) +
                    " are the same colour " + RgbText(c));
    }
}

void CheckBlackAndWhite(const std::vector<Color>& palette, std::vector<Finding>& out)
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

void CheckBlackZones(const std::vector<uint8_t>& px, std::vector<Finding>& out)
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
                     std::vector<Finding>& out)
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

void CheckWhiteUnused(const std::vector<uint8_t>& px, std::vector<Finding>& out)
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

void CheckBadgeFoot(const std::vector<uint8_t>& px, std::vector<Finding>& out)
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
void CheckContentPresent(const std::vector<uint8_t>& px, std::vector<Finding>& out)
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

std::string ToString(const Finding& v)
{
    return (v.severity == Severity::kWarning ? "warning: " : "") + v.rule + ": " + v.detail;
}

bool Refused(const std::vector<Finding>& found)
{
    for (const Finding& f : found)
        if (f.severity != Severity::kWarning)
            return true;
    return false;
}

std::string Hint(const std::vector<Finding>& found)
{
    for (const Finding& f : found) {
        bool exported = f.rule == "info-header" || f.rule == "file-header" || f.rule == "white-unused" ||
                        f.rule.compare(0, 8, "palette-") == 0;
        if (exported && f.severity != Severity::kWarning)
            return "a picture exported from an image editor (PNG or BMP, 320x1728) becomes a usable sheet "
                   "with: make-sheet --from PICTURE --out-bmp SHEET.bmp";
    }
    return "";
}

bool NotABitmap(const std::vector<Finding>& found)
{
    for (const Finding& f : found)
        if (f.severity == Severity::kNotABitmap)
            return true;
    return false;
}

Decoded Decode(const std::vector<uint8_t>& f, std::vector<Finding>& out)
{
    Decoded d;
    if (!IsBitmapFile(f, out) || RootCause(f, out) || !CheckShape(f, out))
        return d;
    CheckFileLayout(f, out);
    for (int i = 0; i < kColors; ++i) {
        size_t p = kFileHeaderBytes + kInfoHeaderBytes + size_t(i) * 4;
        d.palette.push_back({f[p + 2], f[p + 1], f[p], f[p + 3]});
    }
    d.pixels.resize(kPixelBytes);
    for (int row = 0; row < kHeight; ++row) {  // stored bottom row first
        auto src = f.begin() + kPixelOffset + size_t(kHeight - 1 - row) * kWidth;
        std::copy(src, src + kWidth, d.pixels.begin() + size_t(row) * kWidth);
    }
    return d;
}

void CheckPalette(const std::vector<Color>& palette, std::vector<Finding>& out)
{
    if (palette.size() != size_t(kColors))
        return;
    CheckReservedBytes(palette, out);
    CheckDistinct(palette, out);
    CheckBlackAndWhite(palette, out);
}

void CheckPixels(const std::vector<Color>& palette, const std::vector<uint8_t>& pixels,
                 std::vector<Finding>& out)
{
    if (pixels.size() != kPixelBytes)
        return;
    CheckWhiteUnused(pixels, out);
    CheckBlackZones(pixels, out);
    CheckEdgeColumn(palette.size() == size_t(kColors) ? palette : std::vector<Color>{}, pixels, out);
    CheckBadgeFoot(pixels, out);
    CheckContentPresent(pixels, out);
}

namespace {

// Each rule's first few findings, then one line for the rest of them, rule by rule
// in the order the rules first spoke.
std::vector<Finding> Capped(const std::vector<Finding>& found)
{
    std::vector<std::string> order;
    std::map<std::string, std::vector<const Finding*>> byRule;
    for (const Finding& f : found) {
        if (byRule[f.rule].empty())
            order.push_back(f.rule);
        byRule[f.rule].push_back(&f);
    }
    std::vector<Finding> kept;
    for (const std::string& rule : order) {
        const std::vector<const Finding*>& all = byRule[rule];
        for (size_t i = 0; i < all.size() && i < size_t(kMaxListed); ++i)
            kept.push_back(*all[i]);
        if (all.size() > size_t(kMaxListed))
            kept.push_back({rule, "and " + std::to_string(all.size() - kMaxListed) + " more like these",
                            all.back()->severity, int(all.size()) - kMaxListed});
    }
    return kept;
}

}  // namespace

std::vector<Finding> CheckFileBytes(const std::vector<uint8_t>& file)
{
    std::vector<Finding> out;
    Decoded d = Decode(file, out);
    CheckPalette(d.palette, out);
    CheckPixels(d.palette, d.pixels, out);
    return Capped(out);
}

}  // namespace sheet
