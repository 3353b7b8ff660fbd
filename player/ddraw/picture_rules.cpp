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

namespace {

// The smallest whole factor at or above `target` / `source`, at least 1.
int32_t FactorAtOrAbove(int32_t source, int32_t target)
{
    return std::max<int32_t>(1, (target + source - 1) / source);
}

// A box of this size centred in the client area, halves rounded down.
Box Centred(Size client, int32_t width, int32_t height)
{
    const int32_t left = (client.width - width) / 2, top = (client.height - height) / 2;
    return Box{left, top, left + width, top + height};
}

}  // namespace

Placement PlacePicture(Size picture, Size client, Scaling scaling)
{
    if (scaling == Scaling::kInteger)
        return PlacePicture(picture, client);
    Placement placement = {0, {0, 0, 0, 0}};
    if (client.width <= 0 || client.height <= 0 || picture.width <= 0 || picture.height <= 0)
        return placement;
    int32_t width = client.width, height = client.height;
    if (scaling == Scaling::kAspect) {
        // Cross-multiplied, so the shape is compared without a division that rounds.
        const int64_t across = (int64_t)client.width * picture.height, down = (int64_t)client.height * picture.width;
        if (across > down)
            width = (int32_t)((2 * (int64_t)client.height * picture.width + picture.height) / (2 * picture.height));
        else
            height = (int32_t)((2 * (int64_t)client.width * picture.height + picture.width) / (2 * picture.width));
    }
    if (width <= 0 || height <= 0)
        return placement;
    placement.scale = std::max(FactorAtOrAbove(picture.width, width), FactorAtOrAbove(picture.height, height));
    placement.picture = Centred(client, width, height);
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

bool PlaceReachable(const Box& window, const Box* monitors, int count)
{
    // A strip this wide and this tall of the caption's top on one monitor.
    const int32_t kGripWidth = 64, kGripHeight = 16;
    for (int i = 0; i < count; ++i) {
        const Box& monitor = monitors[i];
        const int32_t across = std::min(window.right, monitor.right) - std::max(window.left, monitor.left);
        if (across >= kGripWidth && window.top >= monitor.top && window.top + kGripHeight <= monitor.bottom)
            return true;
    }
    return false;
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

// ---- Resampling ---------------------------------------------------------------------

namespace {

// Two 0x00RRGGBB pixels mixed, `weight` 256ths of the second, each channel
// rounded to the nearest; red and blue share one multiplication.
inline uint32_t Blend(uint32_t a, uint32_t b, uint32_t weight)
{
    const uint32_t keep = 256 - weight;
    const uint32_t redBlue = ((a & 0xFF00FFu) * keep + (b & 0xFF00FFu) * weight + 0x800080u) >> 8 & 0xFF00FFu;
    const uint32_t green = ((a & 0x00FF00u) * keep + (b & 0x00FF00u) * weight + 0x008000u) >> 8 & 0x00FF00u;
    return redBlue | green;
}

bool SameTap(const Resampler::Tap& a, const Resampler::Tap& b)
{
    return a.first == b.first && a.second == b.second && a.weight == b.weight;
}

// The sharp tap of target pixel `at`: its centre in the picture enlarged by
// `factor` (`enlarged` pixels across), the two enlarged pixels either side of
// it and the source pixels they come from. Two enlarged pixels of one source
// pixel need no blend.
Resampler::Tap SharpTap(int64_t at, int64_t enlarged, int64_t target, int32_t factor)
{
    // The centre is ((2 at + 1) enlarged / target - 1) / 2, kept as a fraction.
    const int64_t numerator = (2 * at + 1) * enlarged - target, denominator = 2 * target;
    int64_t left = 0, weight = 0;
    if (numerator > 0) {
        left = numerator / denominator;
        weight = (numerator % denominator * 256 + denominator / 2) / denominator;
        if (weight == 256) {
            left += 1;
            weight = 0;
        }
    }
    const int64_t right = std::min(left + 1, enlarged - 1);
    const int32_t first = (int32_t)(left / factor), second = (int32_t)(right / factor);
    if (first == second || weight == 0)
        return Resampler::Tap{first, first, 0};
    return Resampler::Tap{first, second, (uint32_t)weight};
}

}  // namespace

std::vector<Resampler::Tap> Resampler::Taps(int32_t source, int32_t target, Filter filter)
{
    std::vector<Tap> taps;
    if (source <= 0 || target <= 0)
        return taps;
    taps.resize((size_t)target);
    const int32_t factor = FactorAtOrAbove(source, target);
    for (int32_t at = 0; at < target; ++at) {
        if (filter == Filter::kSharp) {
            taps[(size_t)at] = SharpTap(at, (int64_t)source * factor, target, factor);
        } else {
            // The source pixel under the target pixel's centre.
            const int32_t nearest = (int32_t)((2 * (int64_t)at + 1) * source / (2 * (int64_t)target));
            taps[(size_t)at] = Tap{nearest, nearest, 0};
        }
    }
    return taps;
}

void Resampler::Prepare(Size picture, Size target, Filter filter)
{
    picture_ = picture;
    target_ = target;
    columns_ = Taps(picture.width, target.width, filter);
    rows_ = Taps(picture.height, target.height, filter);
    for (std::vector<uint32_t>& wide : wide_)
        wide.assign(columns_.size(), 0);
}

void Resampler::WideRow(const uint8_t* sourceRow, const uint32_t table[256], uint32_t* out) const
{
    const Tap* column = columns_.data();
    for (int32_t x = 0; x < target_.width; ++x, ++column) {
        const uint32_t first = table[sourceRow[column->first]];
        out[x] = column->weight == 0 ? first : Blend(first, table[sourceRow[column->second]], column->weight);
    }
}

const uint32_t* Resampler::CachedWideRow(int32_t row, const uint8_t* source, int32_t sourcePitch,
                                         const uint32_t table[256])
{
    for (int slot = 0; slot < 2; ++slot)
        if (wideRow_[slot] == row) {
            next_ = 1 - slot;  // the other slot goes first: the row just asked for is kept
            return wide_[slot].data();
        }
    const int slot = next_;
    WideRow(source + (int64_t)row * sourcePitch, table, wide_[slot].data());
    wideRow_[slot] = row;
    next_ = 1 - slot;
    return wide_[slot].data();
}

void Resampler::Draw(const uint8_t* source, int32_t sourcePitch, const uint32_t table[256], uint32_t* target,
                     int32_t targetPitch)
{
    if (columns_.empty() || rows_.empty())
        return;
    wideRow_[0] = wideRow_[1] = -1;  // a new frame: nothing made wide yet
    const size_t rowBytes = (size_t)target_.width * sizeof(uint32_t);
    uint8_t* targetBytes = reinterpret_cast<uint8_t*>(target);
    for (int32_t y = 0; y < target_.height; ++y) {
        uint32_t* out = reinterpret_cast<uint32_t*>(targetBytes + (int64_t)y * targetPitch);
        const Tap& tap = rows_[(size_t)y];
        if (y > 0 && SameTap(tap, rows_[(size_t)y - 1])) {
            std::memcpy(out, targetBytes + (int64_t)(y - 1) * targetPitch, rowBytes);
            continue;
        }
        const uint32_t* first = CachedWideRow(tap.first, source, sourcePitch, table);
        if (tap.weight == 0) {
            std::memcpy(out, first, rowBytes);
            continue;
        }
        const uint32_t* second = CachedWideRow(tap.second, source, sourcePitch, table);
        for (int32_t x = 0; x < target_.width; ++x)
            out[x] = Blend(first[x], second[x], tap.weight);
    }
}

}  // namespace player
