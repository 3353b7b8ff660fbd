#include "tools/intro_frames/picture.h"

#include <algorithm>
#include <cstring>

host::Picture ScalePicture(const host::Picture& picture, int scale)
{
    host::Picture scaled;
    scaled.width = picture.width * scale;
    scaled.height = picture.height * scale;
    scaled.palette = picture.palette;
    scaled.pixels.resize((size_t)scaled.width * scaled.height);
    for (int y = 0; y < scaled.height; ++y) {
        const uint8_t* from = &picture.pixels[(size_t)(y / scale) * picture.width];
        uint8_t* to = &scaled.pixels[(size_t)y * scaled.width];
        for (int x = 0; x < scaled.width; ++x)
            to[x] = from[x / scale];
    }
    return scaled;
}

void ToRgbInto(const host::Picture& picture, int scale, RgbImage* image)
{
    image->width = picture.width * scale;
    image->height = picture.height * scale;
    image->rgb.resize((size_t)image->width * image->height * 3);
    for (int y = 0; y < image->height; ++y) {
        const uint8_t* from = &picture.pixels[(size_t)(y / scale) * picture.width];
        uint8_t* to = &image->rgb[(size_t)y * image->width * 3];
        for (int x = 0; x < image->width; ++x, to += 3) {
            const PALETTEENTRY& colour = picture.palette[from[x / scale]];
            to[0] = colour.peRed;
            to[1] = colour.peGreen;
            to[2] = colour.peBlue;
        }
    }
}

RgbImage ToRgb(const host::Picture& picture, int scale)
{
    RgbImage image;
    ToRgbInto(picture, scale, &image);
    return image;
}

RgbImage FilledImage(int width, int height, uint8_t red, uint8_t green, uint8_t blue)
{
    RgbImage image;
    image.width = width;
    image.height = height;
    image.rgb.resize((size_t)width * height * 3);
    for (size_t i = 0; i < image.rgb.size(); i += 3) {
        image.rgb[i] = red;
        image.rgb[i + 1] = green;
        image.rgb[i + 2] = blue;
    }
    return image;
}

void Paste(const RgbImage& from, RgbImage* onto, int x, int y)
{
    int left = std::max(0, -x), right = std::min(from.width, onto->width - x);
    if (right <= left)
        return;
    for (int row = std::max(0, -y); row < from.height && y + row < onto->height; ++row)
        std::memcpy(&onto->rgb[((size_t)(y + row) * onto->width + x + left) * 3],
                    &from.rgb[((size_t)row * from.width + left) * 3], (size_t)(right - left) * 3);
}
