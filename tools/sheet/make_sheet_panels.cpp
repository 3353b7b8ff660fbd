// The lettered panels: the caption, the title logo, the opening credit with its strip,
// and the story roll. Keyed panels get dark outlines so their letters hold over the stars.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <stdexcept>

#include "make_sheet.h"

namespace art {
namespace {

constexpr int kArtWidth = sheet::kLastArtColumn + 1;

int CentredCol(int width)
{
    return (kArtWidth - width) / 2;
}

Shader RampShader(const Ramp& ramp, float low, float high)
{
    return [ramp, low, high](int, int, float v) { return RampIndex(ramp, low + (high - low) * v); };
}

uint8_t InkIndex(float t)
{
    return RampIndex(kInk, t);
}

// The width a centred line may take: the art less a margin of 8 pixels on each side.
constexpr int kLineRoom = kArtWidth - 16;

// A face that cannot draw a character would leave it out or draw a box; neither is lettering.
void CheckGlyphs(const Texts& t, const Field& f, const Font& font)
{
    if (char32_t missing = MissingGlyph(font, f.text)) {
        char code[16];
        std::snprintf(code, sizeof code, "U+%04X", unsigned(missing));
        Refuse(t, f, std::string(code) + " cannot be drawn: " + font.file + " has no glyph for it");
    }
}

void CheckWidth(const Texts& t, const Field& f, int width, int room)
{
    if (width > room)
        Refuse(t, f, std::to_string(width - room) + " px wider than its place (" + std::to_string(width) +
                         " px of " + std::to_string(room) + ")");
}

// One field as one line, refused when the face lacks a letter or the line is wider than `room`.
Line Letter(const Texts& t, const Field& f, const Font& font, int room)
{
    CheckGlyphs(t, f, font);
    if (f.text.empty())
        Refuse(t, f, "has no words");
    Line l = RenderLine(font, f.text);
    CheckWidth(t, f, l.mask.w, room);
    return l;
}

}  // namespace

// The caption is shown opaque on black, so its letters need no outline.
void DrawCaption(Canvas& c, const Texts& t)
{
    Line date = Letter(t, t.captionDate, {"DejaVuSans.ttf", 11, 11, 2}, kLineRoom);
    Line place = Letter(t, t.captionPlace, {"DejaVuSerif.ttf", 25, 25, 1}, kLineRoom);
    Stamp(c, date.mask, CentredCol(date.mask.w), 336, RampShader(kSteel, 0.2f, 0.86f));
    Stamp(c, place.mask, CentredCol(place.mask.w), 356, RampShader(kText, 0.f, 1.f));
}

namespace {

// ---- Logo ----------------------------------------------------------------------------------
constexpr int kLogoTop = 497;

Mask Blur(const Mask& m, int r)
{
    Mask out(m.w, m.h);
    float n = float((2 * r + 1) * (2 * r + 1));
    for (int y = 0; y < m.h; ++y)
        for (int x = 0; x < m.w; ++x) {
            float s = 0;
            for (int dy = -r; dy <= r; ++dy)
                for (int dx = -r; dx <= r; ++dx)
                    s += m.Get(x + dx, y + dy);
            out.Ref(x, y) = s / n;
        }
    return out;
}

// Polished metal: bright crown, dark horizon across the middle, warm light below it,
// and bevelled edges lit from the upper left.
float Chrome(float v)
{
    if (v < 0.48f)
        return 0.98f - v * 0.9f;
    if (v < 0.56f)
        return 0.5f + (v - 0.48f) * 5.f;
    return 0.92f - (v - 0.56f) * 0.85f;
}

Shader MetalShader(const Mask& letters, const Ramp& ramp, int top, int height)
{
    auto soft = std::make_shared<Mask>(Blur(letters, 1));
    return [soft, ramp, top, height](int x, int y, float v) {
        float gx = soft->Get(x + 1, y) - soft->Get(x - 1, y);
        float gy = soft->Get(x, y + 1) - soft->Get(x, y - 1);
        float bevel = (gx + gy) * 0.9f;
        float t = Chrome(float(y - top) / float(height)) + bevel;
        return RampIndex(ramp, std::clamp(t, 0.05f, 1.f) * (0.45f + 0.55f * v));
    };
}

// The face condensed, a pixel of em width at a time, until the line fits.
Line FitLine(const Texts& t, const Field& f, const char* file, int pixelHeight, int maxW, int tracking)
{
    const int narrowest = 9;
    CheckGlyphs(t, f, {file, pixelHeight, pixelHeight, tracking});
    if (f.text.empty())
        Refuse(t, f, "has no words");
    for (int pixelWidth = pixelHeight;; --pixelWidth) {
        Line l = RenderLine({file, pixelWidth, pixelHeight, tracking}, f.text);
        if (l.mask.w <= maxW)
            return l;
        if (pixelWidth == narrowest)
            CheckWidth(t, f, l.mask.w, maxW);
    }
}

void FillRect(Mask& m, int x0, int y0, int x1, int y1)
{
    for (int y = std::max(0, y0); y <= std::min(m.h - 1, y1); ++y)
        for (int x = std::max(0, x0); x <= std::min(m.w - 1, x1); ++x)
            m.Ref(x, y) = 1.f;
}

void FillDiamond(Mask& m, int cx, int cy, int r)
{
    for (int y = cy - r; y <= cy + r; ++y)
        for (int x = cx - r; x <= cx + r; ++x)
            if (std::abs(x - cx) + std::abs(y - cy) <= r && x >= 0 && y >= 0 && x < m.w && y < m.h)
                m.Ref(x, y) = 1.f;
}

// The frame around the name: a double rule broken at the top by "ESCORT THE" and
// at the bottom by a small diamond, with corner posts.
Mask LogoFrame(int w, int h, int gapLeft, int gapRight, int topBar)
{
    Mask m(w, h);
    const int bottomBar = h - 4;
    for (int off : {0, 5}) {
        int t = off ? 1 : 2;  // heavy outer rule, light inner rule
        FillRect(m, off, topBar + off, gapLeft - off, topBar + off + t);
        FillRect(m, gapRight + off, topBar + off, w - 1 - off, topBar + off + t);
        FillRect(m, off, bottomBar - off - t, w / 2 - 10, bottomBar - off);
        FillRect(m, w / 2 + 10, bottomBar - off - t, w - 1 - off, bottomBar - off);
        FillRect(m, off, topBar + off, off + t, bottomBar - off);
        FillRect(m, w - 1 - off - t, topBar + off, w - 1 - off, bottomBar - off);
    }
    FillDiamond(m, w / 2, bottomBar - 2, 6);
    FillDiamond(m, gapLeft + 6, topBar + 1, 3);
    FillDiamond(m, gapRight - 6, topBar + 1, 3);
    return m;
}

void DrawSubtitle(Canvas& c, const Texts& t)
{
    Line sub = Letter(t, t.titleSubtitle, {"DejaVuSans-Bold.ttf", 12, 12, 2}, kLineRoom);
    int row = 617 + (21 - sub.mask.h) / 2;
    OutlinedText(c, sub.mask, CentredCol(sub.mask.w), row, 1.5f, RampShader(kText, 0.3f, 0.95f),
                 InkIndex(0.2f));
}

}  // namespace

void DrawLogo(Canvas& c, const Texts& t)
{
    const int frameLeft = 8, frameW = kArtWidth - 16, frameH = 108;
    // The line over the name breaks the frame's top rule, whose ends and diamonds need 30 px a side.
    Line over = Letter(t, t.titleOver, {"DejaVuSans-Bold.ttf", 15, 14, 5}, frameW - 60);
    Line name = FitLine(t, t.titleName, "DejaVuSerif-Bold.ttf", 70, frameW - 30, 1);
    const int overRow = kLogoTop + 2;
    const int topBar = over.mask.h / 2 + 1;
    int overCol = CentredCol(over.mask.w);
    Mask frame =
        LogoFrame(frameW, frameH, overCol - frameLeft - 12, overCol - frameLeft + over.mask.w + 11, topBar);
    int frameRow = overRow;
    // Shadow first, then the outlines, then the metal, so the name sits on the frame.
    Mask frameHalo = Dilate(frame, 1.5f, 2);
    Stamp(c, frameHalo, frameLeft - 2, frameRow - 2,
          [](int, int, float v) { return v > 0.3f ? InkIndex(0.3f) : uint8_t(0); });
    Stamp(c, frame, frameLeft, frameRow, MetalShader(frame, kSteel, 0, frameH));
    OutlinedText(c, over.mask, overCol, overRow, 1.5f, MetalShader(over.mask, kSteel, 0, over.mask.h),
                 InkIndex(0.1f));
    int nameRow = frameRow + topBar + (frameH - topBar - name.mask.h) / 2 - 1;
    int nameCol = CentredCol(name.mask.w);
    Mask shadow = Dilate(name.mask, 2.f, 2);
    Stamp(c, shadow, nameCol - 2 + 3, nameRow - 2 + 3,
          [](int, int, float v) { return v > 0.3f ? InkIndex(0.f) : uint8_t(0); });
    OutlinedText(c, name.mask, nameCol, nameRow, 2.f, MetalShader(name.mask, kGold, 0, name.mask.h),
                 InkIndex(0.6f));
    DrawSubtitle(c, t);
}

namespace {

// ---- Opening panel -------------------------------------------------------------------------
struct Word {
    const Field* field;
    Shader shade;
    bool optional;  // a language may say the credit without words before or after the name
};

void DrawWords(Canvas& c, const Texts& t, const Font& font, const std::vector<Word>& words, int baselineRow,
               int gap)
{
    std::vector<Line> lines;
    std::vector<Shader> shades;
    int width = 0;
    for (const Word& w : words) {
        if (w.optional && w.field->text.empty())
            continue;
        lines.push_back(Letter(t, *w.field, font, kLineRoom));
        shades.push_back(w.shade);
        width += lines.back().mask.w + (lines.size() > 1 ? gap : 0);
        CheckWidth(t, *w.field, width, kLineRoom);
    }
    int col = CentredCol(width);
    for (size_t i = 0; i < lines.size(); ++i) {
        Stamp(c, lines[i].mask, col, baselineRow - lines[i].baseline, shades[i]);
        col += lines[i].mask.w + gap;
    }
}

// Supersampled coverage of a shape given as an inside test.
template <typename Inside>
Mask ShapeMask(int w, int h, Inside inside)
{
    Mask m(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int n = 0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx)
                    n += inside(x + (sx + 0.5f) / 4.f, y + (sy + 0.5f) / 4.f);
            m.Ref(x, y) = n / 16.f;
        }
    return m;
}

// The studio's mark: a lantern glowing inside a rounded plate.
void DrawLanternBadge(Canvas& c, int col, int row)
{
    const int w = 56, h = 62;
    auto plate = [](float x, float y, float inset) {
        float r = 9.f - inset, cx = std::clamp(x, 9.f, 47.f), cy = std::clamp(y, 9.f, 53.f);
        return std::hypot(x - cx, y - cy) <= r && x >= inset && y >= inset && x <= 56 - inset &&
               y <= 62 - inset;
    };
    Mask rim = ShapeMask(w, h, [&](float x, float y) { return plate(x, y, 0.f); });
    Stamp(c, rim, col, row, MetalShader(rim, kSteel, 0, h));
    Mask inner = ShapeMask(w, h, [&](float x, float y) { return plate(x, y, 3.f); });
    Stamp(c, inner, col, row,
          [](int, int y, float v) { return v < 0.5f ? InkIndex(0.5f) : RampIndex(kSky, 0.3f + y / 120.f); });
    // Glow behind the glass.
    Mask glow = ShapeMask(
        w, h, [&](float x, float y) { return plate(x, y, 4.f) && std::hypot(x - 28, y - 33) < 21; });
    Stamp(c, glow, col, row, [](int x, int y, float) {
        float d = std::hypot(x - 28.f, y - 33.f) / 21.f;
        return d > 0.92f ? uint8_t(0) : RampIndex(kGold, 0.28f * (1 - d));
    });
    Mask handle = ShapeMask(w, h, [](float x, float y) {
        float d = std::hypot(x - 28, y - 16);
        return y < 16 && d > 5 && d < 7.5f;
    });
    Mask cap = ShapeMask(
        w, h, [](float x, float y) { return y >= 15 && y < 21 && std::abs(x - 28) < 6 + (y - 15) * 1.2f; });
    Mask glass = ShapeMask(w, h, [](float x, float y) {
        return y >= 21 && y < 45 && std::abs(x - 28) < 9 - std::abs(y - 33) * 0.12f;
    });
    Mask base = ShapeMask(
        w, h, [](float x, float y) { return y >= 45 && y < 50 && std::abs(x - 28) < 12 - (y - 45) * 0.6f; });
    Mask flame = ShapeMask(w, h, [](float x, float y) {
        float t = (y - 25) / 16.f;  // 0 at the tip, 1 at the foot
        return t > 0 && t < 1 && std::abs(x - 28) < 4.5f * std::sin(t * 3.0f) * (0.5f + 0.5f * t);
    });
    for (const Mask* m : {&handle, &cap, &base})
        Stamp(c, *m, col, row, MetalShader(*m, kSteel, 0, h));
    Stamp(c, glass, col, row, [](int x, int, float v) {
        return v < 0.5f ? RampIndex(kGold, 0.2f) : RampIndex(kGold, 0.42f + 0.1f * std::cos((x - 28) / 4.f));
    });
    Stamp(c, flame, col, row,
          [](int, int y, float v) { return RampIndex(kGold, v < 0.5f ? 0.7f : 0.78f + (41 - y) / 70.f); });
}

// The convoy's crest: a crimson shield with a gold rim and a steel chevron. Its point is
// the only artwork on the panel's last row.
bool ShieldInside(float x, float y, float inset)
{
    const float cx = 31.5f, half = 28.f - inset, shoulder = 38.f, depth = 71.f - inset * 1.6f;
    if (y < inset || std::abs(x - cx) > half)
        return false;
    if (y <= shoulder)
        return true;
    float t = (y - shoulder) / (depth - shoulder);
    // Narrow to a sharp point so only a few pixels reach the last row.
    return t < 1.f && std::abs(x - cx) < half * std::sqrt(1 - t * t) * std::pow(1 - t, 0.3f);
}

void DrawCrest(Canvas& c, int col, int row)
{
    const int w = 63, h = 71;
    Mask outer = ShapeMask(w, h, [](float x, float y) { return ShieldInside(x, y, 0.f); });
    Mask field = ShapeMask(w, h, [](float x, float y) { return ShieldInside(x, y, 4.f); });
    Stamp(c, outer, col, row, MetalShader(outer, kGold, 0, h));
    Stamp(c, field, col, row, [](int x, int y, float v) {
        if (v < 0.5f)
            return InkIndex(0.9f);
        return RampIndex(kCrimson, 0.75f - y / 110.f - std::abs(x - 31) / 140.f);
    });
    Mask chevron = ShapeMask(w, h, [](float x, float y) {
        float ax = std::abs(x - 31.5f);
        float top = 16.f + ax * 0.95f;  // upper edge of the chevron
        return ax < 20 && y > top && y < top + 9;
    });
    Mask chevronEdge = Dilate(chevron, 1.f, 1);
    Stamp(c, chevronEdge, col - 1, row - 1,
          [](int, int, float v) { return v > 0.4f ? InkIndex(0.6f) : uint8_t(0); });
    Stamp(c, chevron, col, row, MetalShader(chevron, kSteel, 0, 40));
    Mask star = ShapeMask(w, h, [](float x, float y) {
        float dx = std::abs(x - 31.5f), dy = std::abs(y - 49.f);
        return dx + dy < 4.5f || (dx < 0.8f && dy < 7) || (dy < 0.8f && dx < 7);
    });
    Stamp(c, star, col, row, [](int, int, float v) { return RampIndex(kGold, 0.6f + 0.4f * v); });
}

void DrawSmallPrint(Canvas& c, const Texts& t)
{
    const Font face{"DejaVuSans.ttf", 9, 9, 0};
    int baseline = 808;
    for (const Field& f : t.smallPrint) {
        // Between the two badges.
        Line l = Letter(t, f, face, 176);
        bool first = baseline == 808;
        Stamp(c, l.mask, 71 + (178 - l.mask.w) / 2, baseline - l.baseline,
              first ? RampShader(kGold, 0.2f, 0.85f) : RampShader(kSteel, 0.1f, 0.78f));
        baseline += first ? 15 : 13;
    }
}

}  // namespace

void DrawOpening(Canvas& c, const Texts& t)
{
    const Font face{"DejaVuSans.ttf", 14, 13, 3};
    DrawWords(c, t, face,
              {{&t.creditBefore, RampShader(kSteel, 0.1f, 0.85f), true},
               {&t.creditStudio, RampShader(kGold, 0.15f, 0.95f), false},
               {&t.creditAfter, RampShader(kSteel, 0.1f, 0.85f), true}},
              751, 9);
    DrawLanternBadge(c, 6, 797);
    DrawSmallPrint(c, t);
    DrawCrest(c, sheet::kRightBadgeLeft, sheet::kBadgeFootRow - 70);
}

namespace {

// ---- Story roll ----------------------------------------------------------------------------
const Font kRollFont{"DejaVuSansMono.ttf", 13, 10, 0};
const Font kRollTitleFont{"DejaVuSansMono-Bold.ttf", 13, 10, 0};

// The title, a blank line, then each paragraph wrapped and followed by a blank line.
// Each line keeps the field it comes from, for messages; a blank line has no words.
std::vector<Field> RollLines(const Texts& t)
{
    std::vector<Field> lines{t.rollTitle, Field{}};
    int paragraph = 0, overFrom = 0;
    for (const Field& p : t.paragraphs) {
        ++paragraph;
        std::u32string longWord;
        std::vector<std::u32string> wrapped = WrapParagraph(p.text, kRollColumns, &longWord);
        if (wrapped.empty())
            Refuse(t, p, "paragraph " + std::to_string(paragraph) + ": the word '" + Utf8(longWord) + "' has " +
                             std::to_string(longWord.size()) + " characters, a roll line holds " +
                             std::to_string(kRollColumns));
        if (paragraph > 1)
            lines.push_back(Field{});
        for (const std::u32string& text : wrapped)
            lines.push_back({p.name, text, p.line});
        if (!overFrom && int(lines.size()) > sheet::kRollLines)
            overFrom = paragraph;
    }
    if (overFrom) {
        int over = int(lines.size()) - sheet::kRollLines;
        Refuse(t, t.paragraphs[size_t(overFrom) - 1],
               "paragraph " + std::to_string(overFrom) + " does not fit: the story needs " +
                   std::to_string(lines.size()) + " roll lines, the roll holds " + std::to_string(sheet::kRollLines) +
                   ", " + std::to_string(over) + " line" + (over == 1 ? "" : "s") + " over");
    }
    return lines;
}

// Every line stands on the same row of its band, whatever letters it has.
int RollBaseline(const Font& f)
{
    return RenderLine(f, U"Hbdfhkl").baseline + 1;
}

}  // namespace

void DrawRoll(Canvas& c, const Texts& t)
{
    CheckGlyphs(t, t.rollTitle, kRollTitleFont);
    for (const Field& f : t.storyLines)
        CheckGlyphs(t, f, kRollFont);
    std::vector<Field> lines = RollLines(t);
    for (int i = 0; i < int(lines.size()); ++i) {
        const Field& field = lines[size_t(i)];
        if (field.text.empty())
            continue;
        const Font& f = i == 0 ? kRollTitleFont : kRollFont;
        Line l = Letter(t, field, f, kLineRoom);
        int row = sheet::RollLine(i).top + RollBaseline(f) - l.baseline;
        if (row < sheet::RollLine(i).top || row + l.mask.h - 1 > sheet::RollLine(i).bottom)
            Refuse(t, field, "'" + Utf8(field.text) + "' is taller than a roll line (" +
                                 std::to_string(sheet::kRollLineRows) + " rows)");
        Shader fill = i == 0 ? RampShader(kGold, 0.3f, 0.95f) : RampShader(kText, 0.35f, 1.f);
        // The outline under descenders would spill into the gap rows; the letters themselves fit.
        Canvas line = c;
        OutlinedText(line, l.mask, CentredCol(l.mask.w), row, 1.f, fill, InkIndex(0.1f));
        sheet::Rect band = sheet::RollLine(i);
        for (int r = band.top; r <= band.bottom; ++r)
            for (int k = 0; k <= sheet::kLastArtColumn; ++k)
                c.At(r, k) = line.At(r, k);
    }
}

}  // namespace art
