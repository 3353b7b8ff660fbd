// The point-sampled, colour-keyed copy of a blit: one plain loop per pixel.
#include "blit/blit.h"

#include <cstring>

namespace blit {
namespace {

// A pixel of three bytes, read as the number its bytes make.
struct Pixel24 {
    uint8_t bytes[3];
    operator uint32_t() const { return bytes[0] | bytes[1] << 8 | bytes[2] << 16; }
};

// Source pixels per target pixel in 16.16 fixed point: exactly 1.0 when the sizes agree.
uint32_t Step(int32_t sourceSize, int32_t targetSize)
{
    return ((uint32_t)sourceSize << 16) / (uint32_t)targetSize;
}

template <typename Pixel>
void CopyPixels(const uint8_t* source, int32_t sourcePitch, const Rect& from, uint8_t* target,
                int32_t targetPitch, const Rect& to, const ColorKey* key)
{
    const int32_t width = to.right - to.left, height = to.bottom - to.top;
    const uint32_t stepX = Step(from.right - from.left, width);
    const uint32_t stepY = Step(from.bottom - from.top, height);
    // No key is the empty range, so one test serves both.
    const uint32_t low = key ? key->low : 1, high = key ? key->high : 0;
    uint32_t sy = 0;
    for (int32_t y = 0; y < height; ++y, sy += stepY) {
        const Pixel* in = reinterpret_cast<const Pixel*>(
                              source + (int64_t)(from.top + (int32_t)(sy >> 16)) * sourcePitch) +
                          from.left;
        Pixel* out = reinterpret_cast<Pixel*>(target + (int64_t)(to.top + y) * targetPitch) + to.left;
        // Most blits of a frame are whole rows at their own size: a row copy, the same pixels.
        if (!key && stepX == 1u << 16) {
            std::memcpy(out, in, (size_t)width * sizeof(Pixel));
            continue;
        }
        uint32_t sx = 0;
        for (int32_t x = 0; x < width; ++x, sx += stepX) {
            Pixel value = in[sx >> 16];
            if (value < low || value > high)
                out[x] = value;
        }
    }
}

}  // namespace

void Copy(const uint8_t* source, int32_t sourcePitch, const Rect& from, uint8_t* target,
          int32_t targetPitch, const Rect& to, int bytesPerPixel, const ColorKey* key)
{
    switch (bytesPerPixel) {
    case 1:
        return CopyPixels<uint8_t>(source, sourcePitch, from, target, targetPitch, to, key);
    case 2:
        return CopyPixels<uint16_t>(source, sourcePitch, from, target, targetPitch, to, key);
    case 3:
        return CopyPixels<Pixel24>(source, sourcePitch, from, target, targetPitch, to, key);
    case 4:
        return CopyPixels<uint32_t>(source, sourcePitch, from, target, targetPitch, to, key);
    }
}

bool Inside(const Rect& rect, int32_t width, int32_t height)
{
    return rect.left >= 0 && rect.top >= 0 && rect.right <= width && rect.bottom <= height &&
           rect.left < rect.right && rect.top < rect.bottom;
}

}  // namespace blit
