#include "sheet_rules.h"

#include <algorithm>
#include <map>
#include <tuple>

namespace sheet {
namespace {

// Long lists of the same fault say little more than their first few entries.
constexpr int kMaxListed = 8;

uint32_t read_u16(const std::vector<uint8_t>& f, size_t at) {
  return uint32_t(f[at]) | uint32_t(f[at + 1]) << 8;
}

uint32_t read_u32(const std::vector<uint8_t>& f, size_t at) {
  return read_u16(f, at) | read_u16(f, at + 2) << 16;
}

std::string rgb_text(const Colour& c) {
  return "(" + std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + ")";
}

std::string span_text(const char* singular, const char* plural, int first, int last) {
  if (first == last) return std::string(singular) + " " + std::to_string(first);
  return std::string(plural) + " " + std::to_string(first) + "-" + std::to_string(last);
}

std::string place_text(const Rect& r) {
  std::string s = span_text("row", "rows", r.top, r.bottom);
  if (r.left != 0 || r.right != kLastArtColumn)
    s += ", " + span_text("column", "columns", r.left, r.right);
  return s;
}

void add(std::vector<Violation>& out, const char* rule, std::string detail) {
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
    {"biClrUsed", 46, 4, kColours},
    {"biClrImportant", 50, 4, kColours},
};

int64_t field_value(const std::vector<uint8_t>& f, const Field& field) {
  uint32_t raw = field.bytes == 2 ? read_u16(f, field.offset) : read_u32(f, field.offset);
  // Width and height are signed: a negative height would mean a top-down file.
  if (field.bytes == 4 && (field.offset == 18 || field.offset == 22)) return int32_t(raw);
  return raw;
}

void check_file_header(const std::vector<uint8_t>& f, std::vector<Violation>& out) {
  if (f[0] != 'B' || f[1] != 'M')
    add(out, "file-header", "the file must start with 'BM' (a bitmap file header)");
  uint32_t size = read_u32(f, 2);
  if (size != f.size())
    add(out, "file-header", "bfSize must be the file size " + std::to_string(f.size()) +
                                ", it is " + std::to_string(size));
  uint32_t offset = read_u32(f, 10);
  if (offset != kPixelOffset)
    add(out, "file-header", "bfOffBits must be " + std::to_string(kPixelOffset) +
                                " (pixels right after the colour table), it is " +
                                std::to_string(offset));
}

// True when the layout fields match, so the pixels lie where the intro expects them.
bool check_info_header(const std::vector<uint8_t>& f, std::vector<Violation>& out) {
  bool layout_ok = read_u32(f, 10) == kPixelOffset;
  for (const Field& field : kInfoFields) {
    int64_t value = field_value(f, field);
    if (value == field.expected) continue;
    add(out, "info-header", std::string(field.name) + " must be " +
                                std::to_string(field.expected) + ", it is " +
                                std::to_string(value));
    std::string name = field.name;
    if (name == "biWidth" || name == "biHeight" || name == "biBitCount" ||
        name == "biCompression" || name == "biSize")
      layout_ok = false;
  }
  return layout_ok;
}

bool is_black(const Colour& c) { return c.r == 0 && c.g == 0 && c.b == 0; }

void check_reserved_bytes(const std::vector<Colour>& palette, std::vector<Violation>& out) {
  int total = 0;
  for (int i = 0; i < kColours; ++i) {
    if (palette[i].reserved == 0) continue;
    if (++total <= kMaxListed)
      add(out, "palette-reserved", "entry " + std::to_string(i) + " has reserved byte " +
                                       std::to_string(palette[i].reserved) + ", it must be 0");
  }
  if (total > kMaxListed)
    add(out, "palette-reserved", std::to_string(total - kMaxListed) +
                                     " more entries have a reserved byte that is not 0");
}

void check_distinct(const std::vector<Colour>& palette, std::vector<Violation>& out) {
  std::map<std::tuple<int, int, int>, int> first_with;
  int total = 0;
  for (int i = 0; i < kColours; ++i) {
    const Colour& c = palette[i];
    auto [it, fresh] = first_with.emplace(std::make_tuple(c.r, c.g, c.b), i);
    if (fresh) continue;
    if (++total <= kMaxListed)
      add(out, "palette-distinct", "entries " + std::to_string(it->second) + " and " +
                                       std::to_string(i) + " are the same colour " + rgb_text(c));
  }
  if (total > kMaxListed)
    add(out, "palette-distinct", std::to_string(total - kMaxListed) + " more entries repeat an earlier colour");
}

void check_black_and_white(const std::vector<Colour>& palette, std::vector<Violation>& out) {
  if (!is_black(palette[kBlackIndex]))
    add(out, "palette-black", "entry 0 must be black (0,0,0), it is " + rgb_text(palette[0]));
  for (int i = 1; i < kColours; ++i)
    if (is_black(palette[i]))
      add(out, "palette-black", "entry " + std::to_string(i) +
                                    " is black too; only entry 0 may be black (it is the colour key)");
  const Colour& w = palette[kWhiteIndex];
  if (w.r != 255 || w.g != 255 || w.b != 255)
    add(out, "palette-white", "entry 255 must be white (255,255,255), it is " + rgb_text(w));
}

uint8_t at(const std::vector<uint8_t>& px, int row, int col) { return px[size_t(row) * kWidth + col]; }

struct Count {
  int n = 0, row = -1, col = -1;
  void hit(int r, int c) {
    if (n++ == 0) row = r, col = c;
  }
};

Count count_drawn(const std::vector<uint8_t>& px, const Rect& r) {
  Count c;
  for (int row = r.top; row <= r.bottom; ++row)
    for (int col = r.left; col <= r.right; ++col)
      if (at(px, row, col) != kBlackIndex) c.hit(row, col);
  return c;
}

std::string pixels_are(int n, const char* verb_one, const char* verb_many) {
  return std::to_string(n) + (n == 1 ? " pixel " : " pixels ") + (n == 1 ? verb_one : verb_many);
}

std::string first_text(const Count& c) {
  return "first at row " + std::to_string(c.row) + ", column " + std::to_string(c.col);
}

void check_black_zones(const std::vector<uint8_t>& px, std::vector<Violation>& out) {
  for (const Region& z : black_zones()) {
    Count c = count_drawn(px, z.rect);
    if (c.n == 0) continue;
    add(out, "black-rows", place_text(z.rect) + " must be black (index 0): " + pixels_are(c.n, "is", "are") +
                               " not, " + first_text(c));
  }
}

void check_edge_column(const std::vector<Colour>& palette, const std::vector<uint8_t>& px,
                       std::vector<Violation>& out) {
  Count black, bright, below;
  for (int row = 0; row < kHeight; ++row) {
    uint8_t i = at(px, row, kEdgeColumn);
    if (row > kEdgeLastRow) {
      if (i != kBlackIndex) below.hit(row, kEdgeColumn);
    } else if (i == kBlackIndex) {
      black.hit(row, kEdgeColumn);
    } else if (!palette.empty()) {
      const Colour& c = palette[i];
      if (std::max({c.r, c.g, c.b}) > kEdgeMaxLevel) bright.hit(row, i);
    }
  }
  std::string rows = "column 319 in rows 0-" + std::to_string(kEdgeLastRow);
  if (black.n)
    add(out, "edge-column", rows + " must be dark but not black: " + pixels_are(black.n, "is", "are") +
                                " black (index 0), first at row " + std::to_string(black.row));
  if (bright.n)
    add(out, "edge-column", rows + " must be dark (no channel above " + std::to_string(kEdgeMaxLevel) +
                                "): " + pixels_are(bright.n, "is", "are") + " too bright, first at row " +
                                std::to_string(bright.row) + " (index " + std::to_string(bright.col) + " " +
                                rgb_text(palette[bright.col]) + ")");
  if (below.n)
    add(out, "black-column", "column 319 in rows " + std::to_string(kEdgeLastRow + 1) + "-" +
                                 std::to_string(kHeight - 1) + " must be black (index 0): " +
                                 pixels_are(below.n, "is", "are") + " not, first at row " +
                                 std::to_string(below.row));
}

void check_white_unused(const std::vector<uint8_t>& px, std::vector<Violation>& out) {
  Count c;
  for (int row = 0; row < kHeight; ++row)
    for (int col = 0; col < kWidth; ++col)
      if (at(px, row, col) == kWhiteIndex) c.hit(row, col);
  if (c.n)
    add(out, "white-unused", "index 255 (white) must not be drawn: " + pixels_are(c.n, "uses", "use") +
                                 " it, " + first_text(c));
}

void check_badge_foot(const std::vector<uint8_t>& px, std::vector<Violation>& out) {
  Count c = count_drawn(px, {kBadgeFootRow, kBadgeFootRow, kRightBadgeLeft, kRightBadgeRight});
  if (c.n > kBadgeFootMaxPixels)
    add(out, "badge-foot", "row 863 may hold only the last few pixels of the right badge (at most " +
                               std::to_string(kBadgeFootMaxPixels) + "), it has " + std::to_string(c.n) +
                               " drawn pixels in columns " + std::to_string(kRightBadgeLeft) + "-" +
                               std::to_string(kRightBadgeRight));
}

// Panels the intro shows must not be blank; the badge foot and single roll lines may be.
void check_content_present(const std::vector<uint8_t>& px, std::vector<Violation>& out) {
  std::vector<Region> wanted;
  for (const Region& z : kContent)
    if (std::string(z.name) != "badge foot") wanted.push_back(z);
  wanted.push_back({"roll title", roll_line(0)});
  wanted.push_back({"roll text", {roll_line(1).top, kRollLastTextRow, 0, kLastArtColumn}});
  for (const Region& z : wanted)
    if (count_drawn(px, z.rect).n == 0)
      add(out, "content", std::string("the ") + z.name + " (" + place_text(z.rect) +
                              ") is empty; its artwork must be drawn there");
}

}  // namespace

Rect roll_line(int n) {
  int top = kRollFirstRow + n * kRollPitch;
  return {top, top + kRollLineRows - 1, 0, kLastArtColumn};
}

std::vector<Region> roll_gaps() {
  std::vector<Region> gaps;
  for (int n = 0; n + 1 < kRollLines; ++n)
    gaps.push_back({"roll gap", {roll_line(n).bottom + 1, roll_line(n + 1).top - 1, 0, kLastArtColumn}});
  return gaps;
}

std::vector<Region> black_zones() {
  std::vector<Region> zones(std::begin(kBlackBands), std::end(kBlackBands));
  for (const Region& g : roll_gaps()) zones.push_back(g);
  return zones;
}

std::vector<Region> content_zones() {
  std::vector<Region> zones(std::begin(kContent), std::end(kContent));
  for (int n = 0; n < kRollLines; ++n) zones.push_back({n == 0 ? "roll title" : "roll line", roll_line(n)});
  return zones;
}

std::string to_string(const Violation& v) { return v.rule + ": " + v.detail; }

Decoded decode(const std::vector<uint8_t>& f, std::vector<Violation>& out) {
  Decoded d;
  if (f.size() < kFileHeaderBytes + kInfoHeaderBytes) {
    add(out, "bmp-size", "the file is " + std::to_string(f.size()) +
                             " bytes, too short to hold the bitmap headers (54 bytes)");
    return d;
  }
  check_file_header(f, out);
  bool layout_ok = check_info_header(f, out);
  if (f.size() != kFileBytes)
    add(out, "bmp-size", "the file is " + std::to_string(f.size()) + " bytes; a 320x1728 8-bit sheet is " +
                             std::to_string(kFileBytes) + " bytes (packed DIB of " +
                             std::to_string(kDibBytes) + ")");
  if (f.size() < kPixelOffset) return d;
  for (int i = 0; i < kColours; ++i) {
    size_t p = kFileHeaderBytes + kInfoHeaderBytes + size_t(i) * 4;
    d.palette.push_back({f[p + 2], f[p + 1], f[p], f[p + 3]});
  }
  if (!layout_ok || f.size() < size_t(kPixelOffset) + kPixelBytes) return d;
  d.pixels.resize(kPixelBytes);
  for (int row = 0; row < kHeight; ++row) {  // stored bottom row first
    auto src = f.begin() + kPixelOffset + size_t(kHeight - 1 - row) * kWidth;
    std::copy(src, src + kWidth, d.pixels.begin() + size_t(row) * kWidth);
  }
  return d;
}

void check_palette(const std::vector<Colour>& palette, std::vector<Violation>& out) {
  if (palette.size() != size_t(kColours)) return;
  check_reserved_bytes(palette, out);
  check_distinct(palette, out);
  check_black_and_white(palette, out);
}

void check_pixels(const std::vector<Colour>& palette, const std::vector<uint8_t>& pixels,
                  std::vector<Violation>& out) {
  if (pixels.size() != kPixelBytes) return;
  check_white_unused(pixels, out);
  check_black_zones(pixels, out);
  check_edge_column(palette.size() == size_t(kColours) ? palette : std::vector<Colour>{}, pixels, out);
  check_badge_foot(pixels, out);
  check_content_present(pixels, out);
}

std::vector<Violation> check_file_bytes(const std::vector<uint8_t>& file) {
  std::vector<Violation> out;
  Decoded d = decode(file, out);
  check_palette(d.palette, out);
  if (d.pixels.empty() && file.size() >= kFileHeaderBytes + kInfoHeaderBytes)
    add(out, "pixels", "the picture could not be read, so its rows were not checked");
  check_pixels(d.palette, d.pixels, out);
  return out;
}

}  // namespace sheet
