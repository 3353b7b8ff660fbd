// One frame of the intro: background panel, shrinking logo, text roll, flip.
#include "base/intro_state.h"
#include "display/display.h"
#include "intro/intro.h"
#include "base/sheet_layout.h"

// A sheet region in the platform's rectangle form.
static RECT ToRect(const SheetRect& area)
{
    RECT rect = {area.left, area.top, area.right, area.bottom};
    return rect;
}

// The rule every drawing call of a frame follows. Still drawing: ask again at
// once (no wait flag is ever passed, so this is the only waiting). Lost surface:
// repair, then give up the frame. Anything else but success: give up the frame.
template <typename DrawingCall>
static bool Draw(DrawingCall call)
{
    for (;;) {
        HRESULT result = call();
        if (result == DD_OK)
            return true;
        if (result == DDERR_WASSTILLDRAWING)
            continue;
        if (result == DDERR_SURFACELOST)
            RestoreSurfaces();
        return false;
    }
}

// Opening panel, then the caption, then the starfield for the rest of the run.
static const SheetRect& BackgroundPanel(LONG frame)
{
    if (frame > kCaptionLastFrame)
        return kStarfieldPanel;
    if (frame < kCaptionFirstFrame)
        return kOpeningPanel;
    return kCaptionPanel;
}

// Opaque, to the top left corner. The opening panel is shorter than the screen:
// the rows below it keep whatever the back buffer held.
static bool DrawBackground()
{
    RECT source = ToRect(BackgroundPanel(intro.frameCount));
    return Draw([&] {
        return intro.backBuffer->BltFast(0, 0, intro.sheet, &source, DDBLTFAST_NOCOLORKEY);
    });
}

// Geometric shrinking by 1/600 a frame, until the truncation would stall it anyway.
static LONG ShrunkExtent(LONG extent)
{
    if (extent > kLogoSmallestShrinkingExtent)
        extent -= extent / kLogoShrinkDivisor;
    return extent;
}

// The logo panel stretched into a rectangle centred on the screen, black left out.
static bool DrawLogo()
{
    LONG halfWidth = intro.logoHalfWidth / kLogoExtentUnitsPerPixel;
    LONG halfHeight = intro.logoHalfHeight / kLogoExtentUnitsPerPixel;
    RECT target = {kLogoCentreX - halfWidth, kLogoCentreY - halfHeight, kLogoCentreX + halfWidth,
                   kLogoCentreY + halfHeight};
    // The extents shrink once per frame that reaches the logo, even when its blit
    // fails, and not again when the blit is repeated.
    intro.logoHalfWidth = ShrunkExtent(intro.logoHalfWidth);
    intro.logoHalfHeight = ShrunkExtent(intro.logoHalfHeight);
    RECT source = ToRect(kLogoPanel);
    DDBLTFX effects = {};
    effects.dwSize = sizeof effects;
    return Draw([&] {
        return intro.backBuffer->Blt(&target, intro.sheet, &source, DDBLT_KEYSRC, &effects);
    });
}

// The window of the roll on the sheet: its first row comes in at screen row 238
// and climbs; once the window is a screen tall it slides down the roll instead.
static RECT RollWindow(DWORD scrollRow)
{
    DWORD top = scrollRow + kRollWindowTop;
    if (top < kRollTopRow)
        top = kRollTopRow;
    RECT source = {kRollLeft, (LONG)top, kRollRight, (LONG)(scrollRow + kRollWindowBottom)};
    return source;
}

// Where the window's top lands: low on the screen while the roll comes in, then row 0.
static DWORD RollScreenRow(DWORD scrollRow)
{
    return scrollRow < kRollEntryScreenRow ? kRollEntryScreenRow - scrollRow : 0;
}

// Every 11th drawn roll frame moves the roll a row; past the last row the intro closes.
static void AdvanceRoll()
{
    if (intro.scrollDelay < kRollAdvanceDelay) {
        intro.scrollDelay += 1;
        return;
    }
    intro.scrollRow += 1;
    intro.scrollDelay = 0;
    if (intro.scrollRow > kRollLastRow)
        PostMessageA(intro.mainWindow, WM_KEYDOWN, VK_ESCAPE, 0);
}

// The roll moves only after a frame in which it was drawn, so a frame cut short
// before it holds the roll (and the end of the intro) back by one frame.
static bool DrawRoll()
{
    bool drawn = Draw([] {
        RECT source = RollWindow(intro.scrollRow);
        return intro.backBuffer->BltFast(0, RollScreenRow(intro.scrollRow), intro.sheet, &source,
                                         DDBLTFAST_SRCCOLORKEY);
    });
    if (drawn)
        AdvanceRoll();
    return drawn;
}

// Shows the composed frame; the repeats while still drawing are the frame pacing.
static bool Present()
{
    return Draw([] { return intro.primary->Flip(NULL, 0); });
}

void RenderFrame()
{
    if (intro.frameCount == kCaptionLastFrame)
        StartCdAudio();
    intro.frameCount += 1;
    const LONG frame = intro.frameCount;

    if (!DrawBackground())
        return;
    if (frame > kCaptionLastFrame && frame < kLogoBeforeFrame && !DrawLogo())
        return;
    if (frame > kRollAfterFrame && intro.scrollRow < kRollEndRow && !DrawRoll())
        return;
    Present();
}
