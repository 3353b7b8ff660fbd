#include "tools/intro_frames/label_font.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>

namespace {

// The face the labels are set in.
const char kFontPath[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
// The labels' colour, light on the sheet's dark surround.
const uint8_t kInk[3] = {232, 232, 232};

// Blends one glyph's coverage into the image at (left, top).
void BlendGlyph(RgbImage* image, const FT_Bitmap& glyph, int left, int top)
{
    for (int y = 0; y < (int)glyph.rows; ++y)
        for (int x = 0; x < (int)glyph.width; ++x) {
            int px = left + x, py = top + y;
            if (px < 0 || py < 0 || px >= image->width || py >= image->height)
                continue;
            int cover = glyph.buffer[y * glyph.pitch + x];
            uint8_t* pixel = &image->rgb[((size_t)py * image->width + px) * 3];
            for (int c = 0; c < 3; ++c)
                pixel[c] = (uint8_t)((pixel[c] * (255 - cover) + kInk[c] * cover) / 255);
        }
}

int TextWidth(FT_Face face, const std::string& text)
{
    int width = 0;
    for (char ch : text)
        if (FT_Load_Char(face, (unsigned char)ch, FT_LOAD_DEFAULT) == 0)
            width += (int)(face->glyph->advance.x >> 6);
    return width;
}

void DrawText(FT_Face face, RgbImage* image, const std::string& text, int centreX, int baseline)
{
    int pen = centreX - TextWidth(face, text) / 2;
    for (char ch : text) {
        if (FT_Load_Char(face, (unsigned char)ch, FT_LOAD_RENDER) != 0)
            continue;
        FT_GlyphSlot glyph = face->glyph;
        BlendGlyph(image, glyph->bitmap, pen + glyph->bitmap_left, baseline - glyph->bitmap_top);
        pen += (int)(glyph->advance.x >> 6);
    }
}

}  // namespace

bool DrawLabel(RgbImage* image, const std::string& text, int centreX, int baseline, int pixelHeight,
               std::string* error)
{
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    if (FT_Init_FreeType(&library) != 0) {
        *error = "cannot start FreeType";
        return false;
    }
    bool opened = FT_New_Face(library, kFontPath, 0, &face) == 0;
    if (opened) {
        FT_Set_Pixel_Sizes(face, 0, (FT_UInt)std::max(1, pixelHeight));
        DrawText(face, image, text, centreX, baseline);
        FT_Done_Face(face);
    } else {
        *error = std::string("cannot open the font ") + kFontPath + " (Debian's fonts-dejavu-core)";
    }
    FT_Done_FreeType(library);
    return opened;
}
