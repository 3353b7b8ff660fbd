#include "player/ddraw/picture_rules.h"

#include <algorithm>
#include <cstring>

namespace player {

Placement PlacePicture(Size picture, Size client)
{
    Placement placement = {0, {0, 0, 0, 0}};
    if (client.width <= 0 || client.height <= 0 || picture.width <= 0 || picture.height <= 0)
        return placement;
    placement.scale = std::max<int32_t>(1, std::min(client.width / picture.width, client.height / picture.height));
    const int32_t width = picture.width * placement.scale, height = picture.height * placement.scale;
    // Halves rounded down: a picture one pixel short of centred leans left and up.
    placement.picture.left = (client.width - width) / 2;
    placement.picture.top = (client.height - height) / 2;
    if (client.width < width)
        placement.picture.left = -((width - client.width + 1) / 2);
    if (client.height < height)
        placement.picture.top = -((height - client.height + 1) / 2);
    placement.picture.right = placement.picture.left + width;
    placement.picture.bottom = placement.picture.top + height;
    return placement;
}

int32_t WindowedScale(Size picture, Size screen, int32_t setting)
{
    if (setting >= 1)
        return setting;
    if (picture.width <= 0 || picture.height <= 0)
        return 1;
    // 80% of the screen, in whole pixels: a window that leaves room for the desktop around it.
    const int64_t across = (int64_t)screen.width * 4 / 5 / picture.width;
    const int64_t down = (int64_t)screen.height * 4 / 5 / picture.height;
    return (int32_t)std::max<int64_t>(1, std::min(across, down));
}

int Borders(Size client, const Placement& placement, Box out[4])
{
    int count = 0;
    auto add = [&](int32_t left, int32_t top, int32_t right, int32_t bottom) {
        if (left < right && top < bottom)
            out[count++] = Box{left, top, right, bottom};
    };
    if (placement.scale == 0) {
        add(0, 0, client.width, client.height);
        return count;
    }
    const Box& p = placement.picture;
    const int32_t top = std::max(0, p.top), bottom = std::min(client.height, p.bottom);
    add(0, 0, client.width, top);
    add(0, bottom, client.width, client.height);
    add(0, top, std::max(0, p.left), bottom);
    add(std::min(client.width, p.right), top, client.width, bottom);
    return count;
}

void PixelTable(const PaletteColor colors[256], uint32_t table[256])
{
    for (int i = 0; i < 256; ++i)
        table[i] = (uint32_t)colors[i].red << 16 | (uint32_t)colors[i].green << 8 | colors[i].blue;
}

void Enlarge(const uint8_t* source, int32_t sourcePitch, Size picture, const uint32_t table[256],
             int32_t scale, uint32_t* target, int32_t targetPitch)
{
    const size_t rowBytes = (size_t)picture.width * scale * sizeof(uint32_t);
    uint8_t* targetBytes = reinterpret_cast<uint8_t*>(target);
    for (int32_t y = 0; y < picture.height; ++y) {
        const uint8_t* in = source + (int64_t)y * sourcePitch;
        uint8_t* first = targetBytes + (int64_t)y * scale * targetPitch;
        uint32_t* out = reinterpret_cast<uint32_t*>(first);
        for (int32_t x = 0; x < picture.width; ++x) {
            const uint32_t pixel = table[in[x]];
            for (int32_t k = 0; k < scale; ++k)
                *out++ = pixel;
        }
        // The other rows of this source row are copies of the first.
        for (int32_t k = 1; k < scale; ++k)
            std::memcpy(first + (int64_t)k * targetPitch, first, rowBytes);
    }
}

}  // namespace player
