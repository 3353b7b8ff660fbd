// The screen as the tools hand it on: enlarged pixel for pixel, in palette
// indices or in RGB.
#ifndef INTRO_TOOLS_PICTURE_H
#define INTRO_TOOLS_PICTURE_H

#include <cstdint>
#include <vector>

#include "host/host.h"

struct RgbImage {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;  // three bytes a pixel, row by row
};

// Each pixel becomes a scale x scale block of itself: no smoothing, so the
// 8-bit artwork keeps its hard edges.
host::Picture ScalePicture(const host::Picture& picture, int scale);
RgbImage ToRgb(const host::Picture& picture, int scale);
// The same into an image kept from frame to frame: a video's frames need no new memory each.
void ToRgbInto(const host::Picture& picture, int scale, RgbImage* image);

// A width x height image of one colour.
RgbImage FilledImage(int width, int height, uint8_t red, uint8_t green, uint8_t blue);
// Copies `from` into `onto` with its top left corner at (x, y), clipped to `onto`.
void Paste(const RgbImage& from, RgbImage* onto, int x, int y);

#endif
