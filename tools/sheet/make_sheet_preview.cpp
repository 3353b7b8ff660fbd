// Pictures for people: the sheet, screens as the intro composes them, and a labelled map.
#include <algorithm>
#include <cmath>
#include <string>

#include "make_sheet.h"

namespace art {
namespace {

constexpr int kScreenW = 320, kScreenH = 240;
constexpr int kPreviewScale = 2;

Image sheet_image(const Canvas& c, const Palette& pal) {
  Image img(sheet::kWidth, sheet::kHeight);
  for (int y = 0; y < sheet::kHeight; ++y)
    for (int x = 0; x < sheet::kWidth; ++x) img.at(x, y) = pal[c.at(y, x)];
  return img;
}

void copy_opaque(Image& screen, const Canvas& c, const Palette& pal, int first_row, int rows) {
  for (int y = 0; y < rows && y < kScreenH; ++y)
    for (int x = 0; x < kScreenW; ++x) screen.at(x, y) = pal[c.at(first_row + y, x)];
}

// Point-sampled stretch of a sheet rectangle onto the screen, index 0 left out.
void stretch_keyed(Image& screen, const Canvas& c, const Palette& pal, const sheet::Rect& src, int dx, int dy,
                   int dw, int dh) {
  int sw = src.right - src.left + 1, sh = src.bottom - src.top + 1;
  for (int y = 0; y < dh; ++y)
    for (int x = 0; x < dw; ++x) {
      int sx = dx + x, sy = dy + y;
      if (sx < 0 || sy < 0 || sx >= kScreenW || sy >= kScreenH) continue;
      uint8_t i = c.at(src.top + y * sh / dh, src.left + x * sw / dw);
      if (i != sheet::kBlackIndex) screen.at(sx, sy) = pal[i];
    }
}

Image starfield_screen(const Canvas& c, const Palette& pal) {
  Image s(kScreenW, kScreenH);
  copy_opaque(s, c, pal, 0, kScreenH);
  return s;
}

Image logo_screen(const Canvas& c, const Palette& pal, int w, int h) {
  Image s = starfield_screen(c, pal);
  stretch_keyed(s, c, pal, sheet::kPanels[sheet::kLogoPanel].rect, (kScreenW - w) / 2, (kScreenH - h) / 2, w, h);
  return s;
}

Image roll_screen(const Canvas& c, const Palette& pal, int first_row) {
  Image s = starfield_screen(c, pal);
  stretch_keyed(s, c, pal, {first_row, first_row + kScreenH - 1, 0, kScreenW - 1}, 0, 0, kScreenW, kScreenH);
  return s;
}

// ---- Labelled map --------------------------------------------------------------------------
constexpr int kMapLeft = 150, kMapRight = 250;

void blend(Image& img, int x, int y, Rgb c, float a) {
  if (x < 0 || y < 0 || x >= img.w || y >= img.h) return;
  Rgb& p = img.at(x, y);
  auto ch = [a](uint8_t from, uint8_t to) { return uint8_t(std::lround(from + (to - from) * a)); };
  p = {ch(p.r, c.r), ch(p.g, c.g), ch(p.b, c.b)};
}

void label(Image& img, int x, int y, const std::u32string& text, Rgb colour, bool right_align = false) {
  Line l = render_line({"DejaVuSans.ttf", 11, 11, 0}, text);
  int left = right_align ? x - l.mask.w : x;
  for (int j = 0; j < l.mask.h; ++j)
    for (int i = 0; i < l.mask.w; ++i) blend(img, left + i, y - l.baseline + j, colour, std::min(1.f, l.mask.get(i, j)));
}

// Drawn just outside the region so the artwork inside stays visible.
void outline(Image& img, const sheet::Rect& r, Rgb colour) {
  for (int x = r.left - 1; x <= r.right + 1; ++x)
    blend(img, kMapLeft + x, r.top - 1, colour, 1), blend(img, kMapLeft + x, r.bottom + 1, colour, 1);
  for (int y = r.top - 1; y <= r.bottom + 1; ++y)
    blend(img, kMapLeft + r.left - 1, y, colour, 1), blend(img, kMapLeft + r.right + 1, y, colour, 1);
}

std::u32string widen(const std::string& s) { return std::u32string(s.begin(), s.end()); }

std::u32string rows_text(const sheet::Rect& r) {
  return widen(r.top == r.bottom ? "row " + std::to_string(r.top) : "rows " + std::to_string(r.top) + "-" + std::to_string(r.bottom));
}

void hatch_black_zones(Image& img, const Canvas& c) {
  for (const sheet::Region& z : sheet::black_zones())
    for (int y = z.rect.top; y <= z.rect.bottom; ++y)
      for (int x = z.rect.left; x <= z.rect.right; ++x)
        if ((x + y) % 8 == 0 && c.at(y, x) == 0) blend(img, kMapLeft + x, y, {110, 30, 30}, 1);
}

void panel_brackets(Image& img) {
  const Rgb colours[] = {{120, 170, 255}, {140, 230, 160}, {255, 200, 90}, {240, 120, 200}, {120, 220, 230}};
  const char* use[] = {"background", "opaque", "keyed, stretched", "opaque", "keyed, scrolled"};
  int n = 0;
  for (const sheet::Region& p : sheet::kPanels) {
    int x = kMapLeft - 8 - (n % 2) * 6;
    Rgb col = colours[n++];
    for (int y = p.rect.top; y <= p.rect.bottom; ++y) blend(img, x, y, col, 1), blend(img, x + 1, y, col, 1);
    for (int k = 0; k < 4; ++k) blend(img, x + 2 + k, p.rect.top, col, 1), blend(img, x + 2 + k, p.rect.bottom, col, 1);
    int mid = (p.rect.top + p.rect.bottom) / 2;
    label(img, x - 6, mid, widen(std::string(p.name) + " panel"), col, true);
    label(img, x - 6, mid + 14, rows_text(p.rect), col, true);
    label(img, x - 6, mid + 28, widen(use[n - 1]), col, true);
  }
}

int content_labels(Image& img) {
  const Rgb col{255, 240, 120};
  int last_y = -100;
  for (const sheet::Region& z : sheet::kContent) {
    outline(img, z.rect, col);
    int y = std::max((z.rect.top + z.rect.bottom) / 2 + 4, last_y + 16);
    last_y = y;
    for (int x = kMapLeft + z.rect.right + 2; x < kMapLeft + sheet::kWidth + 8; ++x) blend(img, x, std::min(y - 4, z.rect.bottom), col, 0.6f);
    label(img, kMapLeft + sheet::kWidth + 12, y, widen(std::string(z.name) + ": ") + rows_text(z.rect), col);
  }
  return last_y;
}

void roll_labels(Image& img, int last_y) {
  const Rgb roll{150, 230, 255};
  for (int n = 0; n < sheet::kRollLines; ++n) outline(img, sheet::roll_line(n), roll);
  int y = std::max(sheet::roll_line(0).top + 8, last_y + 16);
  label(img, kMapLeft + sheet::kWidth + 12, y, U"roll title: rows 865-875", roll);
  label(img, kMapLeft + sheet::kWidth + 12, y + 40, U"roll text: 11-row lines", roll);
  label(img, kMapLeft + sheet::kWidth + 12, y + 54, U"every 16 rows, last ends on 1323", roll);
  label(img, kMapLeft + sheet::kWidth + 12, y + 68, U"keyed: index 0 shows the stars", roll);
}

void edge_labels(Image& img) {
  const Rgb col{90, 255, 255};
  for (int y = 0; y <= sheet::kEdgeLastRow; ++y) blend(img, kMapLeft + sheet::kWidth + 2, y, col, 1);
  label(img, kMapLeft + sheet::kWidth + 12, 300, U"column 319, rows 0-453:", col);
  label(img, kMapLeft + sheet::kWidth + 12, 314, U"dark, never black", col);
  const Rgb black{220, 90, 90};
  label(img, kMapLeft + sheet::kWidth + 12, 1420, U"hatched: must stay black (index 0)", black);
  label(img, kMapLeft + sheet::kWidth + 12, 1434, U"column 319 black from row 454", black);
  label(img, kMapLeft + sheet::kWidth + 12, 1448, U"index 255 (white) never drawn", black);
}

}  // namespace

void write_previews(const std::string& dir, const Canvas& c, const Palette& pal) {
  write_png(dir + "/sheet.png", sheet_image(c, pal), 1);
  Image opening(kScreenW, kScreenH);
  copy_opaque(opening, c, pal, sheet::kPanels[sheet::kOpeningPanel].rect.top, 226);
  write_png(dir + "/opening.png", opening, kPreviewScale);
  Image caption(kScreenW, kScreenH);
  copy_opaque(caption, c, pal, sheet::kPanels[sheet::kCaptionPanel].rect.top, kScreenH);
  write_png(dir + "/caption.png", caption, kPreviewScale);
  write_png(dir + "/logo-full.png", logo_screen(c, pal, kScreenW, kScreenH), kPreviewScale);
  write_png(dir + "/logo-small.png", logo_screen(c, pal, 140, 104), kPreviewScale);
  write_png(dir + "/logo-tiny.png", logo_screen(c, pal, 42, 30), kPreviewScale);
  write_png(dir + "/roll-start.png", roll_screen(c, pal, sheet::kPanels[sheet::kRollPanel].rect.top), kPreviewScale);
  write_png(dir + "/roll.png", roll_screen(c, pal, 1100), kPreviewScale);
}

void write_layout(const std::string& path, const Canvas& c, const Palette& pal) {
  Image img(kMapLeft + sheet::kWidth + kMapRight, sheet::kHeight);
  Image sheet_px = sheet_image(c, pal);
  for (int y = 0; y < sheet::kHeight; ++y)
    for (int x = 0; x < sheet::kWidth; ++x) img.at(kMapLeft + x, y) = sheet_px.at(x, y);
  hatch_black_zones(img, c);
  panel_brackets(img);
  roll_labels(img, content_labels(img));
  edge_labels(img);
  write_png(path, img, 1);
}

}  // namespace art
