// What the frame tests share: a started intro drawn one frame at a time, the
// screens they expect, composed from the sheet's own pixels as they lie in
// resources/all.bmp, and a comparison that names the first wrong pixel.
#ifndef INTRO_TESTS_FRAME_SUPPORT_H
#define INTRO_TESTS_FRAME_SUPPORT_H

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "host/host.h"
#include "intro/intro.h"
#include "tests/support/test_support.h"

// A started intro whose frames the test draws itself.
class FrameTest : public IntroTest {
protected:
    void SetUp() override
    {
        IntroTest::SetUp();
        Start();
    }
    // One frame with a fresh call log.
    void NextFrame()
    {
        host::ClearCalls();
        RenderFrame();
    }
    // Frame 3000 next, set by hand: background, logo and roll all drawn, the
    // logo large enough to shrink by whole units, the roll at scroll row 40.
    void BeforeFrame3000()
    {
        intro.frameCount = 2999;
        intro.logoHalfWidth = 6000;
        intro.logoHalfHeight = 4800;
        intro.scrollRow = 40;
        intro.scrollDelay = 3;
    }
};

namespace pictures {

const int kWidth = 320, kHeight = 240, kSheetRows = 1728;

using Pixels = std::vector<uint8_t>;  // 8-bit indices, row by row, no padding

struct Area {
    int left, top, right, bottom;  // right and bottom exclusive
};

// The sheet from the BMP file, row 0 at the top (the file stores it bottom-up).
inline const Pixels& Sheet()
{
    static const Pixels sheet = [] {
        const std::vector<uint8_t>& bmp = ProjectSheet();
        uint32_t offset = 0;
        std::memcpy(&offset, &bmp[10], sizeof offset);
        Pixels rows((size_t)kWidth * kSheetRows);
        for (int y = 0; y < kSheetRows; ++y)
            std::memcpy(&rows[(size_t)y * kWidth], &bmp[offset + (size_t)(kSheetRows - 1 - y) * kWidth],
                        kWidth);
        return rows;
    }();
    return sheet;
}

// What the display shows now.
inline Pixels Shown() { return host::Screen().pixels; }

// A screen that no panel of the sheet could produce.
inline Pixels Marker()
{
    Pixels screen((size_t)kWidth * kHeight);
    for (size_t i = 0; i < screen.size(); ++i)
        screen[i] = (uint8_t)(1 + i % 199);
    return screen;
}

// Sheet rows from `top`, opaque, onto the screen from row 0.
inline void CopyOpaque(Pixels& screen, int top, int rows)
{
    std::memcpy(screen.data(), &Sheet()[(size_t)top * kWidth], (size_t)rows * kWidth);
}

// The source area scaled into the target area by point sampling (the blitter's
// 16.16 steps), leaving out index 0, the sheet's transparent black.
inline void CopyKeyed(Pixels& screen, Area from, Area to)
{
    uint32_t stepX = ((uint32_t)(from.right - from.left) << 16) / (uint32_t)(to.right - to.left);
    uint32_t stepY = ((uint32_t)(from.bottom - from.top) << 16) / (uint32_t)(to.bottom - to.top);
    for (int y = 0; y < to.bottom - to.top; ++y)
        for (int x = 0; x < to.right - to.left; ++x) {
            int sx = from.left + (int)((x * stepX) >> 16), sy = from.top + (int)((y * stepY) >> 16);
            uint8_t value = Sheet()[(size_t)sy * kWidth + sx];
            if (value != 0)
                screen[(size_t)(to.top + y) * kWidth + to.left + x] = value;
        }
}

// The text roll's window from sheet row `top`, unscaled, at screen row `y`.
inline void CopyRoll(Pixels& screen, int y, int top, int bottom)
{
    CopyKeyed(screen, {0, top, 319, bottom}, {0, y, 319, y + bottom - top});
}

// The starfield with the logo stretched into `logo`.
inline Pixels StarfieldWithLogo(Area logo)
{
    Pixels screen(Marker());
    CopyOpaque(screen, 0, kHeight);
    CopyKeyed(screen, {0, 480, 319, 679}, logo);
    return screen;
}

// "" when equal, else where the first difference lies.
inline std::string Difference(const Pixels& shown, const Pixels& expected)
{
    if (shown.size() != expected.size())
        return "sizes " + std::to_string(shown.size()) + " and " + std::to_string(expected.size());
    for (size_t i = 0; i < shown.size(); ++i)
        if (shown[i] != expected[i])
            return "pixel (" + std::to_string(i % kWidth) + "," + std::to_string(i / kWidth) + ") is " +
                   std::to_string(shown[i]) + ", expected " + std::to_string(expected[i]);
    return "";
}

}  // namespace pictures

#endif
