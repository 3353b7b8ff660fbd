// Shared pieces of make-sheet: the palette, the indexed canvas, lettering and the writers.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "sheet_rules.h"

namespace art {

// ---- Colour ----------------------------------------------------------------------------
struct Rgb {
  uint8_t r, g, b;
};
struct Vec3 {
  float r, g, b;
};
using Palette = std::array<Rgb, sheet::kColours>;

// A run of palette entries that go from dark to light.
struct Ramp {
  int first, count;
  int last() const { return first + count - 1; }
};

constexpr Ramp kSky{1, 16};        // deep space blues
constexpr Ramp kNebula{17, 40};    // violet through magenta to pale rose
constexpr Ramp kTeal{57, 24};      // the cold gas of the nebula
constexpr Ramp kStarGrey{81, 20};  // blue-white stars
constexpr Ramp kStarWarm{101, 12}; // yellow and orange stars
constexpr Ramp kPlanet{113, 40};   // the rust giant, night side to sunlit cloud tops
constexpr Ramp kHaze{153, 8};      // the giant's thin blue atmosphere
constexpr Ramp kGold{161, 24};     // title lettering
constexpr Ramp kSteel{185, 20};    // frames and secondary lettering
constexpr Ramp kText{205, 16};     // caption and roll text
constexpr Ramp kInk{221, 8};       // outlines and shadows, dark but never the key colour
constexpr Ramp kCrimson{229, 8};   // badges
constexpr Ramp kJade{237, 8};      // badges
constexpr Ramp kEdge{245, 6};      // the faint right edge of the opaque panels
constexpr Ramp kSpare{251, 4};     // hottest star cores

Palette make_palette();
uint8_t ramp_index(const Ramp& ramp, float t);  // t in 0..1, clamped
Vec3 to_vec(const Rgb& c);

// Nearest entry among `choices` for a colour, as the eye judges the difference.
uint8_t nearest(const Palette& pal, const std::vector<uint8_t>& choices, Vec3 c);

// ---- Canvas ------------------------------------------------------------------------------
struct Canvas {
  std::vector<uint8_t> px = std::vector<uint8_t>(sheet::kPixelBytes, 0);
  uint8_t& at(int row, int col) { return px[size_t(row) * sheet::kWidth + col]; }
  uint8_t at(int row, int col) const { return px[size_t(row) * sheet::kWidth + col]; }
};

// Deterministic generator; every piece of art seeds its own so changes stay local.
class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed) {}
  uint32_t next();
  float uniform();  // [0, 1)
 private:
  uint64_t state_;
};

// ---- Lettering ---------------------------------------------------------------------------
// A coverage map, 0 = empty, 1 = solid.
struct Mask {
  int w = 0, h = 0;
  std::vector<float> a;
  Mask() = default;
  Mask(int width, int height) : w(width), h(height), a(size_t(width) * height, 0.f) {}
  float get(int x, int y) const { return x < 0 || y < 0 || x >= w || y >= h ? 0.f : a[size_t(y) * w + x]; }
  float& ref(int x, int y) { return a[size_t(y) * w + x]; }
};

struct Font {
  const char* file;  // a DejaVu face under kFontDir
  int px_w, px_h;    // em size in pixels; unequal sizes condense or widen the face
  int tracking = 0;  // extra pixels between letters
};

constexpr const char* kFontDir = "/usr/share/fonts/truetype/dejavu/";

struct Ink {
  int left, top, right, bottom;  // tight box of drawn pixels, inclusive; left > right if none
};

// One line of text cropped to its ink; `baseline` is the mask row the letters stand on.
struct Line {
  Mask mask;
  int baseline = 0;
};
Line render_line(const Font& font, const std::u32string& text);
Ink ink_box(const Mask& m);
Mask crop(const Mask& m, const Ink& box);
Mask dilate(const Mask& m, float radius, int pad);  // grows the mask by radius, pads borders
Mask pad(const Mask& m, int by);

// Copies a mask onto the canvas at (col, row) with colour chosen per pixel; 0 means skip.
using Shader = std::function<uint8_t(int x, int y, float cover)>;
void stamp(Canvas& c, const Mask& m, int col, int row, const Shader& shade);

// Letters with a dark outline: drawn pixels are never the key colour, so they hold over stars.
void outlined_text(Canvas& c, const Mask& letters, int col, int row, float outline,
                   const Shader& fill, uint8_t ink);

// ---- Artwork -----------------------------------------------------------------------------
void draw_starfield(Canvas& c, const Palette& pal);
void draw_edge_column(Canvas& c);
void draw_caption(Canvas& c);
void draw_logo(Canvas& c);
void draw_opening(Canvas& c);
void draw_roll(Canvas& c);
void draw_icon(std::array<uint8_t, 256>& pixels, std::array<bool, 256>& transparent,
               std::array<Rgb, 16>& colours);

// ---- Files -------------------------------------------------------------------------------
std::vector<uint8_t> encode_bmp(const Canvas& c, const Palette& pal);
std::vector<uint8_t> encode_ico();
void write_file(const std::string& path, const std::vector<uint8_t>& bytes);

struct Image {
  int w = 0, h = 0;
  std::vector<Rgb> px;
  Image() = default;
  Image(int width, int height) : w(width), h(height), px(size_t(width) * height, Rgb{0, 0, 0}) {}
  Rgb& at(int x, int y) { return px[size_t(y) * w + x]; }
};
void write_png(const std::string& path, const Image& img, int scale);
void write_previews(const std::string& dir, const Canvas& c, const Palette& pal);
void write_layout(const std::string& path, const Canvas& c, const Palette& pal);

}  // namespace art
