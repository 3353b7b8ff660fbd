// Lettering through FreeType: each line becomes a coverage mask that the panels shade.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "make_sheet.h"

namespace art {
namespace {

struct FontFace {
    FT_Library lib = nullptr;
    FT_Face face = nullptr;
    explicit FontFace(const Font& f)
    {
        std::string path = std::string(kFontDir) + f.file;
        if (FT_Init_FreeType(&lib) != 0)
            throw std::runtime_error("cannot start FreeType");
        if (FT_New_Face(lib, path.c_str(), 0, &face) != 0) {
            FT_Done_FreeType(lib);
            throw std::runtime_error("cannot open font " + path);
        }
        FT_Set_Pixel_Sizes(face, FT_UInt(f.pixelWidth), FT_UInt(f.pixelHeight));
    }
    ~FontFace()
    {
        FT_Done_Face(face);
        FT_Done_FreeType(lib);
    }
    FontFace(const FontFace&) = delete;
    FontFace& operator=(const FontFace&) = delete;
};

void BlitGlyph(Mask& m, const FT_Bitmap& bm, int left, int top)
{
    for (unsigned y = 0; y < bm.rows; ++y)
        for (unsigned x = 0; x < bm.width; ++x) {
            int mx = left + int(x), my = top + int(y);
            if (mx < 0 || my < 0 || mx >= m.w || my >= m.h)
                continue;
            float v = bm.buffer[y * unsigned(bm.pitch) + x] / 255.f;
            m.Ref(mx, my) = std::min(1.f, m.Ref(mx, my) + v);
        }
}

}  // namespace

Line RenderLine(const Font& font, const std::u32string& text)
{
    FontFace ff(font);
    FT_Face face = ff.face;
    const int margin = 4 + font.pixelHeight / 4;
    int ascent = int(face->size->metrics.ascender >> 6) + margin;
    int height = ascent + int(-face->size->metrics.descender >> 6) + 2 * margin;
    int width = margin * 2;
    for (char32_t ch : text) {
        if (FT_Load_Char(face, ch, FT_LOAD_DEFAULT) != 0)
            throw std::runtime_error("glyph missing");
        width += int(face->glyph->advance.x >> 6) + font.tracking + 1;
    }
    Mask m(width, height);
    long pen = margin * 64;
    FT_UInt prev = 0;
    for (char32_t ch : text) {
        FT_UInt gi = FT_Get_Char_Index(face, ch);
        if (prev && FT_HAS_KERNING(face)) {
            FT_Vector k;
            FT_Get_Kerning(face, prev, gi, FT_KERNING_DEFAULT, &k);
            pen += k.x;
        }
        FT_Load_Glyph(face, gi, FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT);
        BlitGlyph(m, face->glyph->bitmap, int(pen >> 6) + face->glyph->bitmap_left,
                  ascent - face->glyph->bitmap_top);
        pen += face->glyph->advance.x + font.tracking * 64;
        prev = gi;
    }
    Ink box = InkBox(m);
    if (box.left > box.right)
        throw std::runtime_error("text renders no ink");
    return {Crop(m, box), ascent - box.top};
}

char32_t MissingGlyph(const Font& font, const std::u32string& text)
{
    FontFace ff(font);
    for (char32_t ch : text)
        if (FT_Get_Char_Index(ff.face, ch) == 0)
            return ch;
    return 0;
}

Ink InkBox(const Mask& m)
{
    Ink box{m.w, m.h, -1, -1};
    for (int y = 0; y < m.h; ++y)
        for (int x = 0; x < m.w; ++x)
            if (m.Get(x, y) > 0.f) {
                box.left = std::min(box.left, x), box.right = std::max(box.right, x);
                box.top = std::min(box.top, y), box.bottom = std::max(box.bottom, y);
            }
    return box;
}

Mask Crop(const Mask& m, const Ink& box)
{
    if (box.left > box.right)
        return Mask();
    Mask out(box.right - box.left + 1, box.bottom - box.top + 1);
    for (int y = 0; y < out.h; ++y)
        for (int x = 0; x < out.w; ++x)
            out.Ref(x, y) = m.Get(box.left + x, box.top + y);
    return out;
}

Mask Pad(const Mask& m, int by)
{
    Mask out(m.w + 2 * by, m.h + 2 * by);
    for (int y = 0; y < m.h; ++y)
        for (int x = 0; x < m.w; ++x)
            out.Ref(x + by, y + by) = m.Get(x, y);
    return out;
}

Mask Dilate(const Mask& m, float radius, int by)
{
    Mask src = Pad(m, by);
    Mask out(src.w, src.h);
    int r = int(std::ceil(radius));
    for (int y = 0; y < src.h; ++y)
        for (int x = 0; x < src.w; ++x) {
            float best = 0.f;
            for (int dy = -r; dy <= r; ++dy)
                for (int dx = -r; dx <= r; ++dx)
                    if (float(dx * dx + dy * dy) <= radius * radius + 0.01f)
                        best = std::max(best, src.Get(x + dx, y + dy));
            out.Ref(x, y) = best;
        }
    return out;
}

void Stamp(Canvas& c, const Mask& m, int col, int row, const Shader& shade)
{
    for (int y = 0; y < m.h; ++y)
        for (int x = 0; x < m.w; ++x) {
            float v = m.Get(x, y);
            if (v <= 0.f)
                continue;
            int r = row + y, k = col + x;
            if (r < 0 || k < 0 || r >= sheet::kHeight || k > sheet::kLastArtColumn)
                throw std::runtime_error("artwork drawn outside the sheet at row " + std::to_string(r));
            uint8_t i = shade(x, y, v);
            if (i != 0)
                c.At(r, k) = i;
        }
}

void OutlinedText(Canvas& c, const Mask& letters, int col, int row, float outline, const Shader& fill,
                  uint8_t ink)
{
    int by = int(std::ceil(outline));
    Mask halo = Dilate(letters, outline, by);
    Stamp(c, halo, col - by, row - by, [ink](int, int, float v) { return v > 0.3f ? ink : uint8_t(0); });
    // Faint fringe pixels would be drawn as flecks of full colour; keep the outline there.
    Stamp(c, letters, col, row,
          [&fill](int x, int y, float v) { return v < 0.12f ? uint8_t(0) : fill(x, y, v); });
}

}  // namespace art
