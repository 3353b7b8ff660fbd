// The artwork sheet (resources/all.bmp): its fixed format, where each panel lies, and the
// checker that tells whether a sheet can be loaded and shown by the intro as it is.
#ifndef INTRO_TOOLS_SHEET_SHEET_RULES_H
#define INTRO_TOOLS_SHEET_SHEET_RULES_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/sheet_layout.h"

namespace sheet {

// ---- File format -------------------------------------------------------------------------
constexpr int kWidth = ::kSheetWidth;
constexpr int kHeight = ::kSheetHeight;
constexpr int kColors = 256;
constexpr uint32_t kFileHeaderBytes = 14;
constexpr uint32_t kInfoHeaderBytes = 40;
constexpr uint32_t kColorTableBytes = kColors * 4;
constexpr uint32_t kPixelOffset = kFileHeaderBytes + kInfoHeaderBytes + kColorTableBytes;
constexpr uint32_t kPixelBytes = uint32_t(kWidth) * kHeight;
constexpr uint32_t kDibBytes = kInfoHeaderBytes + kColorTableBytes + kPixelBytes;
constexpr uint32_t kFileBytes = kFileHeaderBytes + kDibBytes;
constexpr int32_t kPelsPerMeter = 3779;  // 96 dpi
constexpr int kBlackIndex = 0;           // also the colour key of the keyed panels
constexpr int kWhiteIndex = 255;         // reserved by the palette, never drawn

// ---- Layout --------------------------------------------------------------------------------
// Rows count from the top of the picture (row 0 = top); all ranges are inclusive.
struct Rect {
    int top, bottom, left, right;
};

struct Region {
    const char* name;
    Rect rect;
};

// A rectangle of the intro's sheet layout (right and bottom exclusive) as an inclusive range.
constexpr Rect Inclusive(const SheetRect& area)
{
    return {area.top, area.bottom - 1, area.left, area.right - 1};
}

constexpr int kLastArtColumn = 318;  // every panel's artwork stays left of the edge column
constexpr int kEdgeColumn = 319;
constexpr int kEdgeLastRow = 453;  // the edge column is dark down to here, black below
constexpr int kEdgeMaxLevel = 72;  // no channel of an edge pixel may be brighter

// Panels as the intro copies them to the 320x240 screen, in this order.
enum Panel { kStarfieldPanel, kCaptionPanel, kLogoPanel, kOpeningPanel, kRollPanel };
constexpr Region kPanels[] = {
    {"starfield", Inclusive(::kStarfieldPanel)},  // background behind the logo and the roll
    {"caption", Inclusive(::kCaptionPanel)},      // shown opaque
    {"logo", Inclusive(::kLogoPanel)},            // stretched, keyed on index 0
    {"opening", Inclusive(::kOpeningPanel)},      // shown opaque at the top of the screen
    // Scrolled through a 240-row window, keyed; its last row is the one the
    // window reaches in the last scroll position that is still drawn.
    {"roll", {::kRollTopRow, 1725, ::kRollLeft, ::kRollRight - 1}},
};

// The text roll: a title line, then one line of text every kRollPitch rows.
constexpr int kRollFirstRow = 865;
constexpr int kRollLineRows = 11;
constexpr int kRollPitch = 16;
constexpr int kRollLines = 29;  // the last line ends on row 1323
constexpr int kRollLastTextRow = kRollFirstRow + (kRollLines - 1) * kRollPitch + kRollLineRows - 1;

// The right-hand badge of the opening strip is the only artwork allowed on row 863.
constexpr int kBadgeFootRow = 863;
constexpr int kRightBadgeLeft = 256;
constexpr int kRightBadgeRight = 318;
constexpr int kBadgeFootMaxPixels = 16;

// Where artwork may be drawn (columns 0-318). Every other pixel of those columns is black.
constexpr Region kContent[] = {
    {"starfield", {0, 238, 0, kLastArtColumn}},
    {"caption", {331, 384, 0, kLastArtColumn}},
    {"logo", {497, 608, 0, kLastArtColumn}},
    {"subtitle", {617, 637, 0, kLastArtColumn}},
    {"credit", {741, 752, 0, kLastArtColumn}},
    {"strip", {793, 862, 0, kLastArtColumn}},
    {"badge foot", {kBadgeFootRow, kBadgeFootRow, kRightBadgeLeft, kRightBadgeRight}},
};

// Black bands of columns 0-318 outside the text roll; the roll's gaps come from roll_gaps().
constexpr Region kBlackBands[] = {
    {"starfield foot", {239, 239, 0, kLastArtColumn}},
    {"caption top", {240, 330, 0, kLastArtColumn}},
    {"caption foot", {385, 479, 0, kLastArtColumn}},
    {"logo top", {480, 496, 0, kLastArtColumn}},
    {"logo gap", {609, 616, 0, kLastArtColumn}},
    {"logo foot", {638, 678, 0, kLastArtColumn}},
    {"opening top", {679, 740, 0, kLastArtColumn}},
    {"opening middle", {753, 792, 0, kLastArtColumn}},
    {"badge foot left", {kBadgeFootRow, kBadgeFootRow, 0, kRightBadgeLeft - 1}},
    {"roll top", {864, 864, 0, kLastArtColumn}},
    {"roll end", {kRollLastTextRow + 1, kHeight - 1, 0, kLastArtColumn}},
};

Rect RollLine(int n);                // n = 0 is the title line
std::vector<Region> RollGaps();      // black rows between the roll's lines
std::vector<Region> BlackZones();    // kBlackBands followed by roll_gaps()
std::vector<Region> ContentZones();  // kContent followed by every roll line

// ---- Checking ------------------------------------------------------------------------------
// What the intro relies on is refused; what only differs from the layout of the
// original file (fields the intro never reads) is a warning; a file that is no
// bitmap at all is neither read nor checked further.
enum class Severity { kRefusal, kWarning, kNotABitmap };

struct Finding {
    std::string rule;    // short name, e.g. "black-rows"
    std::string detail;  // what is wrong and where, in plain words
    Severity severity = Severity::kRefusal;
    int count = 1;  // findings it stands for: more than 1 on the line that counts the rest
};

std::string ToString(const Finding& v);  // "rule: detail", warnings as "warning: rule: detail"

// Whether any finding is a refusal, or any says the file is no bitmap.
bool Refused(const std::vector<Finding>& found);
bool NotABitmap(const std::vector<Finding>& found);
// What to do about findings that an image editor's export causes (another colour
// order, another depth, a PNG), or empty when none is among them.
std::string Hint(const std::vector<Finding>& found);

struct Color {
    uint8_t r, g, b, reserved;
};

// A sheet read from a file: the colour table and the pixels, top row first.
struct Decoded {
    std::vector<Color> palette;   // empty when the file is too short to hold it
    std::vector<uint8_t> pixels;  // kWidth * kHeight indices, or empty when unreadable
};

// Reads the picture when its headers let the intro read it; stops at the first fault
// that makes the rest meaningless (no bitmap, not 8 bits, another shape), so one
// fault gives one finding. Never throws on malformed input.
Decoded Decode(const std::vector<uint8_t>& file, std::vector<Finding>& out);

// Every rule, on the raw bytes of a .bmp file, each rule's findings capped at its
// first few. Usable when nothing is refused; warnings may remain.
std::vector<Finding> CheckFileBytes(const std::vector<uint8_t>& file);

// The rules on an already decoded picture (palette of 256, pixels top row first).
void CheckPalette(const std::vector<Color>& palette, std::vector<Finding>& out);
void CheckPixels(const std::vector<Color>& palette, const std::vector<uint8_t>& pixels,
                 std::vector<Finding>& out);

}  // namespace sheet

#endif
