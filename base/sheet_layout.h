// Where each picture lies on the sheet "ALL", a 320x1728 8-bit bitmap.
// Rows count from the top; right and bottom edges are exclusive.
#ifndef INTRO_BASE_SHEET_LAYOUT_H
#define INTRO_BASE_SHEET_LAYOUT_H

constexpr char kSheetName[] = "ALL";
constexpr int kSheetWidth = 320;
constexpr int kSheetHeight = 1728;

constexpr int kScreenWidth = 320;
constexpr int kScreenHeight = 240;
constexpr int kScreenBitsPerPixel = 8;

struct SheetRect {
    int left, top, right, bottom;
};

// The three backgrounds, copied opaque to the screen's top left corner.
constexpr SheetRect kStarfieldPanel = {0, 0, 320, 240};
constexpr SheetRect kCaptionPanel = {0, 240, 320, 480};
constexpr SheetRect kOpeningPanel = {0, 638, 320, 864};  // 226 rows; shares its top 41 black rows with the logo
// Keyed regions are read one column short: column 319 is only an opaque panels' edge.
constexpr SheetRect kLogoPanel = {0, 480, 319, 679};
constexpr int kRollLeft = 0;
constexpr int kRollRight = 319;
constexpr int kRollTopRow = 863;     // the roll's first row, also the opening panel's last
constexpr int kRollWindowTop = 624;  // window top = scroll row + this, once past the roll's first row
constexpr int kRollWindowBottom = 864;

#endif
