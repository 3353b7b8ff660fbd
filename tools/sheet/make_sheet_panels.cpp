// The lettered panels: the caption, the title logo, the opening credit with its strip,
// and the story roll. Keyed panels get dark outlines so their letters hold over the stars.
#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>

#include "make_sheet.h"

namespace art {
namespace {

constexpr int kArtWidth = sheet::kLastArtColumn + 1;

int centred_col(int width) { return (kArtWidth - width) / 2; }

Shader ramp_shader(const Ramp& ramp, float low, float high) {
  return [ramp, low, high](int, int, float v) { return ramp_index(ramp, low + (high - low) * v); };
}

uint8_t ink(float t) { return ramp_index(kInk, t); }

}  // namespace

// The caption is shown opaque on black, so its letters need no outline.
void draw_caption(Canvas& c) {
  Line date = render_line({"DejaVuSans.ttf", 11, 11, 2}, U"SHIPYEAR 3107  \u00B7  THIRD WATCH");
  Line place = render_line({"DejaVuSerif.ttf", 25, 25, 1}, U"The Orrin Reach");
  stamp(c, date.mask, centred_col(date.mask.w), 336, ramp_shader(kSteel, 0.2f, 0.86f));
  stamp(c, place.mask, centred_col(place.mask.w), 356, ramp_shader(kText, 0.f, 1.f));
}

namespace {

// ---- Logo ----------------------------------------------------------------------------------
constexpr int kLogoTop = 497;

Mask blur(const Mask& m, int r) {
  Mask out(m.w, m.h);
  float n = float((2 * r + 1) * (2 * r + 1));
  for (int y = 0; y < m.h; ++y)
    for (int x = 0; x < m.w; ++x) {
      float s = 0;
      for (int dy = -r; dy <= r; ++dy)
        for (int dx = -r; dx <= r; ++dx) s += m.get(x + dx, y + dy);
      out.ref(x, y) = s / n;
    }
  return out;
}

// Polished metal: bright crown, dark horizon across the middle, warm light below it,
// and bevelled edges lit from the upper left.
float chrome(float v) {
  if (v < 0.48f) return 0.98f - v * 0.9f;
  if (v < 0.56f) return 0.5f + (v - 0.48f) * 5.f;
  return 0.92f - (v - 0.56f) * 0.85f;
}

Shader metal_shader(const Mask& letters, const Ramp& ramp, int top, int height) {
  auto soft = std::make_shared<Mask>(blur(letters, 1));
  return [soft, ramp, top, height](int x, int y, float v) {
    float gx = soft->get(x + 1, y) - soft->get(x - 1, y);
    float gy = soft->get(x, y + 1) - soft->get(x, y - 1);
    float bevel = (gx + gy) * 0.9f;
    float t = chrome(float(y - top) / float(height)) + bevel;
    return ramp_index(ramp, std::clamp(t, 0.05f, 1.f) * (0.45f + 0.55f * v));
  };
}

Line fit_line(const char* file, int px_h, int max_w, int tracking, const std::u32string& text) {
  for (int px_w = px_h; px_w > 8; --px_w) {
    Line l = render_line({file, px_w, px_h, tracking}, text);
    if (l.mask.w <= max_w) return l;
  }
  throw std::runtime_error("title does not fit");
}

void fill_rect(Mask& m, int x0, int y0, int x1, int y1) {
  for (int y = std::max(0, y0); y <= std::min(m.h - 1, y1); ++y)
    for (int x = std::max(0, x0); x <= std::min(m.w - 1, x1); ++x) m.ref(x, y) = 1.f;
}

void fill_diamond(Mask& m, int cx, int cy, int r) {
  for (int y = cy - r; y <= cy + r; ++y)
    for (int x = cx - r; x <= cx + r; ++x)
      if (std::abs(x - cx) + std::abs(y - cy) <= r && x >= 0 && y >= 0 && x < m.w && y < m.h) m.ref(x, y) = 1.f;
}

// The frame around the name: a double rule broken at the top by "ESCORT THE" and
// at the bottom by a small diamond, with corner posts.
Mask logo_frame(int w, int h, int gap_left, int gap_right, int top_bar) {
  Mask m(w, h);
  const int bottom_bar = h - 4;
  for (int off : {0, 5}) {
    int t = off ? 1 : 2;  // heavy outer rule, light inner rule
    fill_rect(m, off, top_bar + off, gap_left - off, top_bar + off + t);
    fill_rect(m, gap_right + off, top_bar + off, w - 1 - off, top_bar + off + t);
    fill_rect(m, off, bottom_bar - off - t, w / 2 - 10, bottom_bar - off);
    fill_rect(m, w / 2 + 10, bottom_bar - off - t, w - 1 - off, bottom_bar - off);
    fill_rect(m, off, top_bar + off, off + t, bottom_bar - off);
    fill_rect(m, w - 1 - off - t, top_bar + off, w - 1 - off, bottom_bar - off);
  }
  fill_diamond(m, w / 2, bottom_bar - 2, 6);
  fill_diamond(m, gap_left + 6, top_bar + 1, 3);
  fill_diamond(m, gap_right - 6, top_bar + 1, 3);
  return m;
}

void draw_subtitle(Canvas& c) {
  Line sub = render_line({"DejaVuSans-Bold.ttf", 12, 12, 2}, U"THE LONG RUN TO HALCYON DEEP");
  int row = 617 + (21 - sub.mask.h) / 2;
  outlined_text(c, sub.mask, centred_col(sub.mask.w), row, 1.5f, ramp_shader(kText, 0.3f, 0.95f), ink(0.2f));
}

}  // namespace

void draw_logo(Canvas& c) {
  const int frame_left = 8, frame_w = kArtWidth - 16, frame_h = 108;
  Line over = render_line({"DejaVuSans-Bold.ttf", 15, 14, 5}, U"ESCORT THE");
  Line name = fit_line("DejaVuSerif-Bold.ttf", 70, frame_w - 30, 1, U"VELTHORN");
  const int over_row = kLogoTop + 2;
  const int top_bar = over.mask.h / 2 + 1;
  int over_col = centred_col(over.mask.w);
  Mask frame = logo_frame(frame_w, frame_h, over_col - frame_left - 12, over_col - frame_left + over.mask.w + 11, top_bar);
  int frame_row = over_row;
  // Shadow first, then the outlines, then the metal, so the name sits on the frame.
  Mask frame_halo = dilate(frame, 1.5f, 2);
  stamp(c, frame_halo, frame_left - 2, frame_row - 2, [](int, int, float v) { return v > 0.3f ? ink(0.3f) : uint8_t(0); });
  stamp(c, frame, frame_left, frame_row, metal_shader(frame, kSteel, 0, frame_h));
  outlined_text(c, over.mask, over_col, over_row, 1.5f, metal_shader(over.mask, kSteel, 0, over.mask.h), ink(0.1f));
  int name_row = frame_row + top_bar + (frame_h - top_bar - name.mask.h) / 2 - 1;
  int name_col = centred_col(name.mask.w);
  Mask shadow = dilate(name.mask, 2.f, 2);
  stamp(c, shadow, name_col - 2 + 3, name_row - 2 + 3, [](int, int, float v) { return v > 0.3f ? ink(0.f) : uint8_t(0); });
  outlined_text(c, name.mask, name_col, name_row, 2.f, metal_shader(name.mask, kGold, 0, name.mask.h), ink(0.6f));
  draw_subtitle(c);
}

namespace {

// ---- Opening panel -------------------------------------------------------------------------
struct Word {
  std::u32string text;
  Shader shade;
};

void draw_words(Canvas& c, const Font& font, const std::vector<Word>& words, int baseline_row, int gap) {
  std::vector<Line> lines;
  int width = 0;
  for (const Word& w : words) {
    lines.push_back(render_line(font, w.text));
    width += lines.back().mask.w + (lines.size() > 1 ? gap : 0);
  }
  int col = centred_col(width);
  for (size_t i = 0; i < lines.size(); ++i) {
    stamp(c, lines[i].mask, col, baseline_row - lines[i].baseline, words[i].shade);
    col += lines[i].mask.w + gap;
  }
}

// Supersampled coverage of a shape given as an inside test.
template <typename Inside>
Mask shape_mask(int w, int h, Inside inside) {
  Mask m(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int n = 0;
      for (int sy = 0; sy < 4; ++sy)
        for (int sx = 0; sx < 4; ++sx) n += inside(x + (sx + 0.5f) / 4.f, y + (sy + 0.5f) / 4.f);
      m.ref(x, y) = n / 16.f;
    }
  return m;
}

// The studio's mark: a lantern glowing inside a rounded plate.
void draw_lantern_badge(Canvas& c, int col, int row) {
  const int w = 56, h = 62;
  auto plate = [](float x, float y, float inset) {
    float r = 9.f - inset, cx = std::clamp(x, 9.f, 47.f), cy = std::clamp(y, 9.f, 53.f);
    return std::hypot(x - cx, y - cy) <= r && x >= inset && y >= inset && x <= 56 - inset && y <= 62 - inset;
  };
  Mask rim = shape_mask(w, h, [&](float x, float y) { return plate(x, y, 0.f); });
  stamp(c, rim, col, row, metal_shader(rim, kSteel, 0, h));
  Mask inner = shape_mask(w, h, [&](float x, float y) { return plate(x, y, 3.f); });
  stamp(c, inner, col, row, [](int, int y, float v) { return v < 0.5f ? ink(0.5f) : ramp_index(kSky, 0.3f + y / 120.f); });
  // Glow behind the glass.
  Mask glow = shape_mask(w, h, [&](float x, float y) { return plate(x, y, 4.f) && std::hypot(x - 28, y - 33) < 21; });
  stamp(c, glow, col, row, [](int x, int y, float) {
    float d = std::hypot(x - 28.f, y - 33.f) / 21.f;
    return d > 0.92f ? uint8_t(0) : ramp_index(kGold, 0.28f * (1 - d));
  });
  Mask handle = shape_mask(w, h, [](float x, float y) {
    float d = std::hypot(x - 28, y - 16);
    return y < 16 && d > 5 && d < 7.5f;
  });
  Mask cap = shape_mask(w, h, [](float x, float y) { return y >= 15 && y < 21 && std::abs(x - 28) < 6 + (y - 15) * 1.2f; });
  Mask glass = shape_mask(w, h, [](float x, float y) { return y >= 21 && y < 45 && std::abs(x - 28) < 9 - std::abs(y - 33) * 0.12f; });
  Mask base = shape_mask(w, h, [](float x, float y) { return y >= 45 && y < 50 && std::abs(x - 28) < 12 - (y - 45) * 0.6f; });
  Mask flame = shape_mask(w, h, [](float x, float y) {
    float t = (y - 25) / 16.f;  // 0 at the tip, 1 at the foot
    return t > 0 && t < 1 && std::abs(x - 28) < 4.5f * std::sin(t * 3.0f) * (0.5f + 0.5f * t);
  });
  for (const Mask* m : {&handle, &cap, &base}) stamp(c, *m, col, row, metal_shader(*m, kSteel, 0, h));
  stamp(c, glass, col, row, [](int x, int, float v) {
    return v < 0.5f ? ramp_index(kGold, 0.2f) : ramp_index(kGold, 0.42f + 0.1f * std::cos((x - 28) / 4.f));
  });
  stamp(c, flame, col, row, [](int, int y, float v) { return ramp_index(kGold, v < 0.5f ? 0.7f : 0.78f + (41 - y) / 70.f); });
}

// The convoy's crest: a crimson shield with a gold rim and a steel chevron. Its point is
// the only artwork on the panel's last row.
bool shield_inside(float x, float y, float inset) {
  const float cx = 31.5f, half = 28.f - inset, shoulder = 38.f, depth = 71.f - inset * 1.6f;
  if (y < inset || std::abs(x - cx) > half) return false;
  if (y <= shoulder) return true;
  float t = (y - shoulder) / (depth - shoulder);
  // Narrow to a sharp point so only a few pixels reach the last row.
  return t < 1.f && std::abs(x - cx) < half * std::sqrt(1 - t * t) * std::pow(1 - t, 0.3f);
}

void draw_crest(Canvas& c, int col, int row) {
  const int w = 63, h = 71;
  Mask outer = shape_mask(w, h, [](float x, float y) { return shield_inside(x, y, 0.f); });
  Mask field = shape_mask(w, h, [](float x, float y) { return shield_inside(x, y, 4.f); });
  stamp(c, outer, col, row, metal_shader(outer, kGold, 0, h));
  stamp(c, field, col, row, [](int x, int y, float v) {
    if (v < 0.5f) return ink(0.9f);
    return ramp_index(kCrimson, 0.75f - y / 110.f - std::abs(x - 31) / 140.f);
  });
  Mask chevron = shape_mask(w, h, [](float x, float y) {
    float ax = std::abs(x - 31.5f);
    float top = 16.f + ax * 0.95f;  // upper edge of the chevron
    return ax < 20 && y > top && y < top + 9;
  });
  Mask chevron_edge = dilate(chevron, 1.f, 1);
  stamp(c, chevron_edge, col - 1, row - 1, [](int, int, float v) { return v > 0.4f ? ink(0.6f) : uint8_t(0); });
  stamp(c, chevron, col, row, metal_shader(chevron, kSteel, 0, 40));
  Mask star = shape_mask(w, h, [](float x, float y) {
    float dx = std::abs(x - 31.5f), dy = std::abs(y - 49.f);
    return dx + dy < 4.5f || (dx < 0.8f && dy < 7) || (dy < 0.8f && dx < 7);
  });
  stamp(c, star, col, row, [](int, int, float v) { return ramp_index(kGold, 0.6f + 0.4f * v); });
}

void draw_small_print(Canvas& c) {
  const Font face{"DejaVuSans.ttf", 9, 9, 0};
  const char32_t* lines[] = {U"ESCORT THE VELTHORN", U"\u00A9 Driftlamp. All rights reserved.",
                             U"All ships and crews are fictional;", U"any likeness is coincidence."};
  int baseline = 808;
  for (const char32_t* text : lines) {
    Line l = render_line(face, text);
    if (l.mask.w > 176) throw std::runtime_error("small print too wide: " + std::to_string(l.mask.w) + " px");
    bool first = baseline == 808;
    stamp(c, l.mask, 71 + (178 - l.mask.w) / 2, baseline - l.baseline,
          first ? ramp_shader(kGold, 0.2f, 0.85f) : ramp_shader(kSteel, 0.1f, 0.78f));
    baseline += first ? 15 : 13;
  }
}

}  // namespace

void draw_opening(Canvas& c) {
  const Font face{"DejaVuSans.ttf", 14, 13, 3};
  draw_words(c, face,
             {{U"A", ramp_shader(kSteel, 0.1f, 0.85f)},
              {U"DRIFTLAMP", ramp_shader(kGold, 0.15f, 0.95f)},
              {U"PRODUCTION", ramp_shader(kSteel, 0.1f, 0.85f)}},
             751, 9);
  draw_lantern_badge(c, 6, 797);
  draw_small_print(c);
  draw_crest(c, sheet::kRightBadgeLeft, sheet::kBadgeFootRow - 70);
}

namespace {

// ---- Story roll ----------------------------------------------------------------------------
const Font kRollFont{"DejaVuSansMono.ttf", 13, 10, 0};
const Font kRollTitleFont{"DejaVuSansMono-Bold.ttf", 13, 10, 0};

// Blank entries leave an empty line between paragraphs.
const char32_t* const kStory[] = {
    U"CONVOY LOG: THE VELTHORN RUN",
    U"",
    U"For forty years the Velthorn has",
    U"drifted between the frontier stars,",
    U"a seed ark carrying the last living",
    U"forests of a world that is gone.",
    U"",
    U"Now her engines are failing, and the",
    U"only yard that can mend them lies",
    U"across the Orrin Reach, where the",
    U"beacons went dark a generation ago",
    U"and raiders hunt the silent lanes.",
    U"",
    U"The Fleet can spare her one escort:",
    U"a patched-up picket wing of six",
    U"light cutters, and pilots too",
    U"stubborn to stand down when the",
    U"order to withdraw came through.",
    U"",
    U"You fly lead. The Velthorn cannot",
    U"turn, cannot run and cannot fight.",
    U"Everything that wants her cargo",
    U"must first get past your guns.",
    U"",
    U"Nine jumps lie between the ark and",
    U"the yards at Halcyon Deep. Keep her",
    U"whole, pilot. Bring the forests home.",
};

// Every line stands on the same row of its band, whatever letters it has.
int roll_baseline(const Font& f) { return render_line(f, U"Hbdfhkl").baseline + 1; }

}  // namespace

void draw_roll(Canvas& c) {
  const int n = int(sizeof(kStory) / sizeof(kStory[0]));
  if (n > sheet::kRollLines) throw std::runtime_error("story longer than the roll");
  for (int i = 0; i < n; ++i) {
    std::u32string text = kStory[i];
    if (text.empty()) continue;
    const Font& f = i == 0 ? kRollTitleFont : kRollFont;
    Line l = render_line(f, text);
    if (l.mask.w > kArtWidth - 16) throw std::runtime_error("roll line " + std::to_string(i) + " too wide: " + std::to_string(l.mask.w) + " px");
    int row = sheet::roll_line(i).top + roll_baseline(f) - l.baseline;
    if (row < sheet::roll_line(i).top || row + l.mask.h - 1 > sheet::roll_line(i).bottom)
      throw std::runtime_error("roll line " + std::to_string(i) + " is taller than its band");
    Shader fill = i == 0 ? ramp_shader(kGold, 0.3f, 0.95f) : ramp_shader(kText, 0.35f, 1.f);
    // The outline under descenders would spill into the gap rows; the letters themselves fit.
    Canvas line = c;
    outlined_text(line, l.mask, centred_col(l.mask.w), row, 1.f, fill, ink(0.1f));
    sheet::Rect band = sheet::roll_line(i);
    for (int r = band.top; r <= band.bottom; ++r)
      for (int k = 0; k <= sheet::kLastArtColumn; ++k) c.at(r, k) = line.at(r, k);
  }
}

}  // namespace art
