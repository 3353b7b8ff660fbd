// Shared pieces of make-sheet: the palette, the indexed canvas, lettering and the writers.
#ifndef INTRO_TOOLS_SHEET_MAKE_SHEET_H
#define INTRO_TOOLS_SHEET_MAKE_SHEET_H

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "make_sheet_texts.h"
#include "sheet_rules.h"

namespace art {

// ---- Colour ----------------------------------------------------------------------------
struct Rgb {
    uint8_t r, g, b;
};
struct Vec3 {
    float r, g, b;
};
using Palette = std::array<Rgb, sheet::kColors>;

// A run of palette entries that go from dark to light.
struct Ramp {
    int first, count;
    int Last() const
    {
        return first + count - 1;
    }
};

constexpr Ramp kSky{1, 16};         // deep space blues
constexpr Ramp kNebula{17, 40};     // violet through magenta to pale rose
constexpr Ramp kTeal{57, 24};       // the cold gas of the nebula
constexpr Ramp kStarGrey{81, 20};   // blue-white stars
constexpr Ramp kStarWarm{101, 12};  // yellow and orange stars
constexpr Ramp kPlanet{113, 40};    // the rust giant, night side to sunlit cloud tops
constexpr Ramp kHaze{153, 8};       // the giant's thin blue atmosphere
constexpr Ramp kGold{161, 24};      // title lettering
constexpr Ramp kSteel{185, 20};     // frames and secondary lettering
constexpr Ramp kText{205, 16};      // caption and roll text
constexpr Ramp kInk{221, 8};        // outlines and shadows, dark but never the key colour
constexpr Ramp kCrimson{229, 8};    // badges
constexpr Ramp kJade{237, 8};       // badges
constexpr Ramp kEdge{245, 6};       // the faint right edge of the opaque panels
constexpr Ramp kSpare{251, 4};      // hottest star cores

Palette MakePalette();
uint8_t RampIndex(const Ramp& ramp, float t);  // t in 0..1, clamped
Vec3 ToVec(const Rgb& c);

// Nearest entry among `choices` for a colour, as the eye judges the difference.
uint8_t Nearest(const Palette& pal, const std::vector<uint8_t>& choices, Vec3 c);

// ---- Canvas ------------------------------------------------------------------------------
struct Canvas {
    std::vector<uint8_t> px = std::vector<uint8_t>(sheet::kPixelBytes, 0);
    uint8_t& At(int row, int col)
    {
        return px[size_t(row) * sheet::kWidth + col];
    }
    uint8_t At(int row, int col) const
    {
        return px[size_t(row) * sheet::kWidth + col];
    }
};

// Deterministic generator; every piece of art seeds its own so changes stay local.
class Rng {
public:
    explicit Rng(uint64_t seed) : state(seed)
    {
    }
    uint32_t Next();
    float Uniform();  // [0, 1)
private:
    uint64_t state;
};

// ---- Lettering ---------------------------------------------------------------------------
// A coverage map, 0 = empty, 1 = solid.
struct Mask {
    int w = 0, h = 0;
    std::vector<float> a;
    Mask() = default;
    Mask(int width, int height) : w(width), h(height), a(size_t(width) * height, 0.f)
    {
    }
    float Get(int x, int y) const
    {
        return x < 0 || y < 0 || x >= w || y >= h ? 0.f : a[size_t(y) * w + x];
    }
    float& Ref(int x, int y)
    {
        return a[size_t(y) * w + x];
    }
};

struct Font {
    const char* file;             // a DejaVu face under kFontDir
    int pixelWidth, pixelHeight;  // em size in pixels; unequal sizes condense or widen the face
    int tracking = 0;             // extra pixels between letters
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
Line RenderLine(const Font& font, const std::u32string& text);
// The first character of `text` the face has no glyph for, or 0 when it can draw them all.
char32_t MissingGlyph(const Font& font, const std::u32string& text);
Ink InkBox(const Mask& m);
Mask Crop(const Mask& m, const Ink& box);
Mask Dilate(const Mask& m, float radius, int pad);  // grows the mask by radius, pads borders
Mask Pad(const Mask& m, int by);

// Copies a mask onto the canvas at (col, row) with colour chosen per pixel; 0 means skip.
using Shader = std::function<uint8_t(int x, int y, float cover)>;
void Stamp(Canvas& c, const Mask& m, int col, int row, const Shader& shade);

// Letters with a dark outline: drawn pixels are never the key colour, so they hold over stars.
void OutlinedText(Canvas& c, const Mask& letters, int col, int row, float outline, const Shader& fill,
                  uint8_t ink);

// ---- Artwork -----------------------------------------------------------------------------
void DrawStarfield(Canvas& c, const Palette& pal);
void DrawEdgeColumn(Canvas& c);
void DrawCaption(Canvas& c, const Texts& t);
void DrawLogo(Canvas& c, const Texts& t);
void DrawOpening(Canvas& c, const Texts& t);
void DrawRoll(Canvas& c, const Texts& t);
void DrawIcon(std::array<uint8_t, 256>& pixels, std::array<bool, 256>& transparent,
              std::array<Rgb, 16>& colors);

// ---- Files -------------------------------------------------------------------------------
std::vector<uint8_t> EncodeBmp(const Canvas& c, const Palette& pal);
std::vector<uint8_t> EncodeIco();
void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);

struct Image {
    int w = 0, h = 0;
    std::vector<Rgb> px;
    Image() = default;
    Image(int width, int height) : w(width), h(height), px(size_t(width) * height, Rgb{0, 0, 0})
    {
    }
    Rgb& At(int x, int y)
    {
        return px[size_t(y) * w + x];
    }
};
void WritePng(const std::string& path, const Image& img, int scale);
// Makes the folders a file is to be written into.
void MakeParentFolders(const std::string& path);
void WritePreviews(const std::string& dir, const Canvas& c, const Palette& pal);
void WriteLayout(const std::string& path, const Canvas& c, const Palette& pal);

// ---- Import --------------------------------------------------------------------------------
// A PNG or BMP picture of the sheet's size, indexed or true colour, as RGB; false with
// the reason when it cannot be read or has another size.
bool ReadPicture(const std::string& path, Image* picture, std::string* error);
// The colour table of a sheet file, when it keeps the palette rules.
bool PaletteOfSheet(const std::string& path, Palette* pal, std::string* error);

// A picture turned into a sheet, and what that changed.
struct Import {
    Canvas canvas;
    Palette palette{};
    int colors = 0;        // distinct colours in the picture
    long moved = 0;        // pixels now shown in another colour than the picture's
    int largestError = 0;  // the largest difference in one channel of a moved pixel
    int worstRow = -1, worstColumn = -1;
    Rgb worstFrom{0, 0, 0}, worstTo{0, 0, 0};
};
// Black pixels become index 0, every other pixel the nearest of entries 1-254 of
// `onto`; with no palette given, one is built from the picture's own colours (black
// only at 0, white at 255 and unused, every entry distinct).
Import ImportPicture(const Image& picture, const Palette* onto);

}  // namespace art

#endif
