// Pictures for people: the sheet, screens as the intro composes them, and a labelled map.
#include <algorithm>
#include <cmath>
#include <string>

#include "make_sheet.h"

namespace art {
namespace {

constexpr int kScreenW = 320, kScreenH = 240;
constexpr int kPreviewScale = 2;

Image SheetImage(const Canvas& c, const Palette& pal)
{
    Image img(sheet::kWidth, sheet::kHeight);
    for (int y = 0; y < sheet::kHeight; ++y)
        for (int x = 0; x < sheet::kWidth; ++x)
            img.At(x, y) = pal[c.At(y, x)];
    return img;
}

void CopyOpaque(Image& screen, const Canvas& c, const Palette& pal, int firstRow, int rows)
{
    for (int y = 0; y < rows && y < kScreenH; ++y)
        for (int x = 0; x < kScreenW; ++x)
            screen.At(x, y) = pal[c.At(firstRow + y, x)];
}

// Point-sampled stretch of a sheet rectangle onto the screen, index 0 left out.
void StretchKeyed(Image& screen, const Canvas& c, const Palette& pal, const sheet::Rect& src, int dx, int dy,
                  int dw, int dh)
{
    int sw = src.right - src.left + 1, sh = src.bottom - src.top + 1;
    for (int y = 0; y < dh; ++y)
        for (int x = 0; x < dw; ++x) {
            int sx = dx + x, sy = dy + y;
            if (sx < 0 || sy < 0 || sx >= kScreenW || sy >= kScreenH)
                continue;
            uint8_t i = c.At(src.top + y * sh / dh, src.left + x * sw / dw);
            if (i != sheet::kBlackIndex)
                screen.At(sx, sy) = pal[i];
        }
}

Image StarfieldScreen(const Canvas& c, const Palette& pal)
{
    Image s(kScreenW, kScreenH);
    CopyOpaque(s, c, pal, 0, kScreenH);
    return s;
}

Image LogoScreen(const Canvas& c, const Palette& pal, int w, int h)
{
    Image s = StarfieldScreen(c, pal);
    StretchKeyed(s, c, pal, sheet::kPanels[sheet::kLogoPanel].rect, (kScreenW - w) / 2, (kScreenH - h) / 2, w,
                 h);
    return s;
}

Image RollScreen(const Canvas& c, const Palette& pal, int firstRow)
{
    Image s = StarfieldScreen(c, pal);
    StretchKeyed(s, c, pal, {firstRow, firstRow + kScreenH - 1, 0, kScreenW - 1}, 0, 0, kScreenW, kScreenH);
    return s;
}

// ---- Labelled map --------------------------------------------------------------------------
constexpr int kMapLeft = 150, kMapRight = 250;

void Blend(Image& img, int x, int y, Rgb c, float a)
{
    if (x < 0 || y < 0 || x >= img.w || y >= img.h)
        return;
    Rgb& p = img.At(x, y);
    auto ch = [a](uint8_t from, uint8_t to) { return uint8_t(std::lround(from + (to - from) * a)); };
    p = {ch(p.r, c.r), ch(p.g, c.g), ch(p.b, c.b)};
}

void Label(Image& img, int x, int y, const std::u32string& text, Rgb color, bool rightAlign = false)
{
    Line l = RenderLine({"DejaVuSans.ttf", 11, 11, 0}, text);
    int left = rightAlign ? x - l.mask.w : x;
    for (int j = 0; j < l.mask.h; ++j)
        for (int i = 0; i < l.mask.w; ++i)
            Blend(img, left + i, y - l.baseline + j, color, std::min(1.f, l.mask.Get(i, j)));
}

// Drawn just outside the region so the artwork inside stays visible.
void Outline(Image& img, const sheet::Rect& r, Rgb color)
{
    for (int x = r.left - 1; x <= r.right + 1; ++x)
        Blend(img, kMapLeft + x, r.top - 1, color, 1), Blend(img, kMapLeft + x, r.bottom + 1, color, 1);
    for (int y = r.top - 1; y <= r.bottom + 1; ++y)
        Blend(img, kMapLeft + r.left - 1, y, color, 1), Blend(img, kMapLeft + r.right + 1, y, color, 1);
}

std::u32string Widen(const std::string& s)
{
    return std::u32string(s.begin(), s.end());
}

std::u32string RowsText(const sheet::Rect& r)
{
    return Widen(r.top == r.bottom ? "row " + std::to_string(r.top)
                                   : "rows " + std::to_string(r.top) + "-" + std::to_string(r.bottom));
}

void HatchBlackZones(Image& img, const Canvas& c)
{
    for (const sheet::Region& z : sheet::BlackZones())
        for (int y = z.rect.top; y <= z.rect.bottom; ++y)
            for (int x = z.rect.left; x <= z.rect.right; ++x)
                if ((x + y) % 8 == 0 && c.At(y, x) == 0)
                    Blend(img, kMapLeft + x, y, {110, 30, 30}, 1);
}

void PanelBrackets(Image& img)
{
    const Rgb colors[] = {{120, 170, 255}, {140, 230, 160}, {255, 200, 90}, {240, 120, 200}, {120, 220, 230}};
    const char* use[] = {"background", "opaque", "keyed, stretched", "opaque", "keyed, scrolled"};
    int n = 0;
    for (const sheet::Region& p : sheet::kPanels) {
        int x = kMapLeft - 8 - (n % 2) * 6;
        Rgb col = colors[n++];
        for (int y = p.rect.top; y <= p.rect.bottom; ++y)
            Blend(img, x, y, col, 1), Blend(img, x + 1, y, col, 1);
        for (int k = 0; k < 4; ++k)
            Blend(img, x + 2 + k, p.rect.top, col, 1), Blend(img, x + 2 + k, p.rect.bottom, col, 1);
        int mid = (p.rect.top + p.rect.bottom) / 2;
        Label(img, x - 6, mid, Widen(std::string(p.name) + " panel"), col, true);
        Label(img, x - 6, mid + 14, RowsText(p.rect), col, true);
        Label(img, x - 6, mid + 28, Widen(use[n - 1]), col, true);
    }
}

int ContentLabels(Image& img)
{
    const Rgb col{255, 240, 120};
    int lastY = -100;
    for (const sheet::Region& z : sheet::kContent) {
        Outline(img, z.rect, col);
        int y = std::max((z.rect.top + z.rect.bottom) / 2 + 4, lastY + 16);
        lastY = y;
        for (int x = kMapLeft + z.rect.right + 2; x < kMapLeft + sheet::kWidth + 8; ++x)
            Blend(img, x, std::min(y - 4, z.rect.bottom), col, 0.6f);
        Label(img, kMapLeft + sheet::kWidth + 12, y, Widen(std::string(z.name) + ": ") + RowsText(z.rect),
              col);
    }
    return lastY;
}

void RollLabels(Image& img, int lastY)
{
    const Rgb roll{150, 230, 255};
    for (int n = 0; n < sheet::kRollLines; ++n)
        Outline(img, sheet::RollLine(n), roll);
    int y = std::max(sheet::RollLine(0).top + 8, lastY + 16);
    Label(img, kMapLeft + sheet::kWidth + 12, y, U"roll title: rows 865-875", roll);
    Label(img, kMapLeft + sheet::kWidth + 12, y + 40, U"roll text: 11-row lines", roll);
    Label(img, kMapLeft + sheet::kWidth + 12, y + 54, U"every 16 rows, last ends on 1323", roll);
    Label(img, kMapLeft + sheet::kWidth + 12, y + 68, U"keyed: index 0 shows the stars", roll);
}

void EdgeLabels(Image& img)
{
    const Rgb col{90, 255, 255};
    for (int y = 0; y <= sheet::kEdgeLastRow; ++y)
        Blend(img, kMapLeft + sheet::kWidth + 2, y, col, 1);
    Label(img, kMapLeft + sheet::kWidth + 12, 300, U"column 319, rows 0-453:", col);
    Label(img, kMapLeft + sheet::kWidth + 12, 314, U"dark, never black", col);
    const Rgb black{220, 90, 90};
    Label(img, kMapLeft + sheet::kWidth + 12, 1420, U"hatched: must stay black (index 0)", black);
    Label(img, kMapLeft + sheet::kWidth + 12, 1434, U"column 319 black from row 454", black);
    Label(img, kMapLeft + sheet::kWidth + 12, 1448, U"index 255 (white) never drawn", black);
}

}  // namespace

void WritePreviews(const std::string& dir, const Canvas& c, const Palette& pal)
{
    WritePng(dir + "/sheet.png", SheetImage(c, pal), 1);
    Image opening(kScreenW, kScreenH);
    CopyOpaque(opening, c, pal, sheet::kPanels[sheet::kOpeningPanel].rect.top, 226);
    WritePng(dir + "/opening.png", opening, kPreviewScale);
    Image caption(kScreenW, kScreenH);
    CopyOpaque(caption, c, pal, sheet::kPanels[sheet::kCaptionPanel].rect.top, kScreenH);
    WritePng(dir + "/caption.png", caption, kPreviewScale);
    WritePng(dir + "/logo-full.png", LogoScreen(c, pal, kScreenW, kScreenH), kPreviewScale);
    WritePng(dir + "/logo-small.png", LogoScreen(c, pal, 140, 104), kPreviewScale);
    WritePng(dir + "/logo-tiny.png", LogoScreen(c, pal, 42, 30), kPreviewScale);
    WritePng(dir + "/roll-start.png", RollScreen(c, pal, sheet::kPanels[sheet::kRollPanel].rect.top),
             kPreviewScale);
    WritePng(dir + "/roll.png", RollScreen(c, pal, 1100), kPreviewScale);
}

void WriteLayout(const std::string& path, const Canvas& c, const Palette& pal)
{
    Image img(kMapLeft + sheet::kWidth + kMapRight, sheet::kHeight);
    Image sheetPx = SheetImage(c, pal);
    for (int y = 0; y < sheet::kHeight; ++y)
        for (int x = 0; x < sheet::kWidth; ++x)
            img.At(kMapLeft + x, y) = sheetPx.At(x, y);
    HatchBlackZones(img, c);
    PanelBrackets(img);
    RollLabels(img, ContentLabels(img));
    EdgeLabels(img);
    WritePng(path, img, 1);
}

}  // namespace art
