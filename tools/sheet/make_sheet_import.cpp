// make-sheet --from: a picture an artist exported from an image editor (PNG or BMP,
// indexed or true colour) becomes a sheet: its colours go onto a palette that keeps
// the sheet's rules, and the headers are written as the intro expects them.
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <tuple>

#include "make_sheet.h"

namespace art {
namespace {

bool Fail(std::string* error, const std::string& message)
{
    *error = message;
    return false;
}

uint32_t Read16(const std::vector<uint8_t>& f, size_t at)
{
    return uint32_t(f[at]) | uint32_t(f[at + 1]) << 8;
}

uint32_t Read32(const std::vector<uint8_t>& f, size_t at)
{
    return Read16(f, at) | Read16(f, at + 2) << 16;
}

bool ReadBytes(const std::string& path, std::vector<uint8_t>* bytes, std::string* error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return Fail(error, "cannot read " + path);
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return in.good() || in.eof() ? true : Fail(error, "cannot read " + path);
}

bool ReadPng(const std::string& path, Image* picture, std::string* error)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return Fail(error, path + ": " + image.message);
    image.format = PNG_FORMAT_RGB;
    picture->w = int(image.width);
    picture->h = int(image.height);
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
    png_color black{0, 0, 0};  // transparent pixels become the key colour
    if (!png_image_finish_read(&image, &black, rgb.data(), 0, nullptr))
        return Fail(error, path + ": " + image.message);
    picture->px.resize(rgb.size() / 3);
    for (size_t i = 0; i < picture->px.size(); ++i)
        picture->px[i] = {rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]};
    return true;
}

// The pixel at (x, y) of a BI_RGB or BI_BITFIELDS row, as RGB.
Rgb BmpPixel(const std::vector<uint8_t>& f, size_t row, int x, int bits, const std::vector<Rgb>& table,
             const uint32_t masks[3])
{
    if (bits <= 8) {
        int perByte = 8 / bits;
        uint32_t byte = f[row + size_t(x / perByte)];
        uint32_t index = byte >> (8 - bits * (x % perByte + 1)) & ((1u << bits) - 1);
        return index < table.size() ? table[index] : Rgb{0, 0, 0};
    }
    const uint8_t* p = &f[row + size_t(x) * size_t(bits / 8)];
    if (bits == 24)
        return {p[2], p[1], p[0]};
    uint32_t v = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    uint8_t channel[3];
    for (int c = 0; c < 3; ++c) {
        uint32_t m = masks[c], shift = 0;
        while (m && !(m & 1))
            m >>= 1, ++shift;
        channel[c] = m ? uint8_t(((v >> shift) & m) * 255 / m) : 0;
    }
    return {channel[0], channel[1], channel[2]};
}

bool ReadBmp(const std::vector<uint8_t>& f, const std::string& path, Image* picture, std::string* error)
{
    if (f.size() < 54)
        return Fail(error, path + ": too short for a BMP file");
    uint32_t headerSize = Read32(f, 14), offset = Read32(f, 10);
    int32_t width = int32_t(Read32(f, 18)), height = int32_t(Read32(f, 22));
    uint32_t bits = Read16(f, 28), compression = Read32(f, 30), used = Read32(f, 46);
    bool knownDepth = bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32;
    if (headerSize < 40 || !knownDepth || width <= 0 || height == 0 || width > 65536 || height > 65536 ||
        height < -65536)
        return Fail(error, path + ": a BMP this tool cannot read (" + std::to_string(bits) +
                               " bits, header of " + std::to_string(headerSize) + " bytes)");
    if (compression != 0 && !(compression == 3 && bits == 32))
        return Fail(error, path + ": a compressed BMP; save it uncompressed");
    uint32_t masks[3] = {0xFF0000, 0xFF00, 0xFF};
    if (compression == 3 && f.size() >= 66)
        masks[0] = Read32(f, 54), masks[1] = Read32(f, 58), masks[2] = Read32(f, 62);
    std::vector<Rgb> table;
    if (bits <= 8) {
        uint32_t count = used && used < (1u << bits) ? used : 1u << bits;
        size_t at = 14 + size_t(headerSize);
        for (uint32_t i = 0; i < count && at + 4 * i + 3 < f.size(); ++i)
            table.push_back({f[at + 4 * i + 2], f[at + 4 * i + 1], f[at + 4 * i]});
    }
    int rows = std::abs(height);
    size_t stride = (size_t(width) * bits + 31) / 32 * 4;
    if (offset > f.size() || (f.size() - offset) / stride < size_t(rows))
        return Fail(error, path + ": the file ends before its last row");
    picture->w = width;
    picture->h = rows;
    picture->px.resize(size_t(width) * rows);
    for (int y = 0; y < rows; ++y) {
        size_t row = offset + stride * size_t(height > 0 ? rows - 1 - y : y);  // bottom-up unless negative
        for (int x = 0; x < width; ++x)
            picture->px[size_t(y) * width + x] = BmpPixel(f, row, x, int(bits), table, masks);
    }
    return true;
}

bool Same(const Rgb& a, const Rgb& b)
{
    return a.r == b.r && a.g == b.g && a.b == b.b;
}

bool IsBlack(const Rgb& c)
{
    return (c.r | c.g | c.b) == 0;
}

int ChannelError(const Rgb& a, const Rgb& b)
{
    return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
}

using Key = std::tuple<uint8_t, uint8_t, uint8_t>;

Key KeyOf(const Rgb& c)
{
    return {c.r, c.g, c.b};
}

// ---- A palette of the picture's own ------------------------------------------------------
struct Weighted {
    Rgb c;
    long n;
};

// Median cut: the box with the widest channel is split at its weighted median until
// there are `wanted` boxes; each box gives the weighted mean of its colours.
std::vector<Rgb> MedianCut(std::vector<Weighted> colors, size_t wanted)
{
    std::vector<std::pair<size_t, size_t>> boxes = {{0, colors.size()}};
    auto channel = [](const Rgb& c, int k) { return k == 0 ? c.r : k == 1 ? c.g : c.b; };
    auto widest = [&](std::pair<size_t, size_t> box, int* which) {
        int best = -1;
        for (int k = 0; k < 3; ++k) {
            int lo = 255, hi = 0;
            for (size_t i = box.first; i < box.second; ++i)
                lo = std::min<int>(lo, channel(colors[i].c, k)), hi = std::max<int>(hi, channel(colors[i].c, k));
            if (hi - lo > best)
                best = hi - lo, *which = k;
        }
        return best;
    };
    while (boxes.size() < wanted) {
        size_t pick = 0;
        int pickWidth = -1, pickChannel = 0;
        for (size_t b = 0; b < boxes.size(); ++b) {
            int k = 0, w = boxes[b].second - boxes[b].first > 1 ? widest(boxes[b], &k) : -1;
            if (w > pickWidth)
                pickWidth = w, pick = b, pickChannel = k;
        }
        if (pickWidth <= 0)
            break;
        auto [first, last] = boxes[pick];
        std::sort(colors.begin() + long(first), colors.begin() + long(last),
                  [&](const Weighted& a, const Weighted& b) {
                      return channel(a.c, pickChannel) < channel(b.c, pickChannel);
                  });
        long total = 0, half = 0;
        for (size_t i = first; i < last; ++i)
            total += colors[i].n;
        size_t cut = first + 1;
        for (size_t i = first; i + 1 < last && half + colors[i].n <= total / 2; ++i)
            half += colors[i].n, cut = i + 2;
        cut = std::min(cut, last - 1);
        boxes[pick] = {first, cut};
        boxes.push_back({cut, last});
    }
    std::vector<Rgb> out;
    for (auto [first, last] : boxes) {
        double sum[3] = {0, 0, 0}, n = 0;
        for (size_t i = first; i < last; ++i) {
            for (int k = 0; k < 3; ++k)
                sum[k] += double(channel(colors[i].c, k)) * colors[i].n;
            n += colors[i].n;
        }
        Rgb mean{uint8_t(std::lround(sum[0] / n)), uint8_t(std::lround(sum[1] / n)), uint8_t(std::lround(sum[2] / n))};
        out.push_back(IsBlack(mean) ? colors[first].c : mean);  // black belongs to entry 0 alone
    }
    return out;
}

// Entries 1-254 that differ from each other, from black and from white.
void PlaceDistinct(Palette& pal, const std::vector<Rgb>& colors)
{
    std::map<Key, bool> taken = {{Key{0, 0, 0}, true}, {Key{255, 255, 255}, true}};
    int next = 1;
    for (Rgb c : colors) {
        while (taken.count(KeyOf(c)))  // a neighbour rounded to the same colour: nudge it
            c = c.b < 255 ? Rgb{c.r, c.g, uint8_t(c.b + 1)} : c.g < 255 ? Rgb{c.r, uint8_t(c.g + 1), 0}
                                                                        : Rgb{uint8_t(c.r - 1), c.g, c.b};
        taken[KeyOf(c)] = true;
        pal[size_t(next++)] = c;
    }
    for (uint8_t v = 1; next < 255; ++v)  // the entries nothing uses: dark greys, each its own
        if (!taken.count(Key{v, v, v}))
            taken[Key{v, v, v}] = true, pal[size_t(next++)] = {v, v, v};
}

Palette PaletteOfPicture(const Image& picture)
{
    std::map<Key, long> counts;
    for (const Rgb& c : picture.px)
        if (!IsBlack(c))
            ++counts[Same(c, {255, 255, 255}) ? Key{254, 254, 254} : KeyOf(c)];  // white is reserved
    std::vector<Weighted> colors;
    for (const auto& [key, n] : counts)
        colors.push_back({{std::get<0>(key), std::get<1>(key), std::get<2>(key)}, n});
    std::vector<Rgb> chosen;
    if (colors.size() <= 254)
        for (const Weighted& w : colors)
            chosen.push_back(w.c);
    else
        chosen = MedianCut(colors, 254);
    std::sort(chosen.begin(), chosen.end(), [](const Rgb& a, const Rgb& b) {
        return 3 * a.r + 4 * a.g + 2 * a.b < 3 * b.r + 4 * b.g + 2 * b.b;  // dark to light
    });
    Palette pal{};
    pal[sheet::kWhiteIndex] = {255, 255, 255};
    PlaceDistinct(pal, chosen);
    return pal;
}

}  // namespace

bool ReadPicture(const std::string& path, Image* picture, std::string* error)
{
    std::vector<uint8_t> bytes;
    if (!ReadBytes(path, &bytes, error))
        return false;
    static const uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    bool ok;
    if (bytes.size() >= 8 && std::equal(kPngSignature, kPngSignature + 8, bytes.begin()))
        ok = ReadPng(path, picture, error);
    else if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M')
        ok = ReadBmp(bytes, path, picture, error);
    else
        return Fail(error, path + ": neither a PNG nor a BMP picture");
    if (ok && (picture->w != sheet::kWidth || picture->h != sheet::kHeight))
        return Fail(error, path + " is " + std::to_string(picture->w) + "x" + std::to_string(picture->h) +
                               "; a sheet is 320x1728");
    return ok;
}

bool PaletteOfSheet(const std::string& path, Palette* pal, std::string* error)
{
    std::vector<uint8_t> bytes;
    if (!ReadBytes(path, &bytes, error))
        return false;
    std::vector<sheet::Finding> found;
    sheet::Decoded d = sheet::Decode(bytes, found);
    sheet::CheckPalette(d.palette, found);
    if (d.palette.size() != size_t(sheet::kColors) || sheet::Refused(found))
        return Fail(error, path + " has no colour table that a sheet may have; sheet-check tells why");
    for (int i = 0; i < sheet::kColors; ++i)
        (*pal)[size_t(i)] = {d.palette[size_t(i)].r, d.palette[size_t(i)].g, d.palette[size_t(i)].b};
    return true;
}

Import ImportPicture(const Image& picture, const Palette* onto)
{
    Import result;
    result.palette = onto ? *onto : PaletteOfPicture(picture);
    std::vector<uint8_t> choices;  // never the key colour for what is not black, never white
    for (int i = 1; i < sheet::kWhiteIndex; ++i)
        choices.push_back(uint8_t(i));
    std::map<Key, uint8_t> indexOf;
    for (int y = 0; y < sheet::kHeight; ++y)
        for (int x = 0; x < sheet::kWidth; ++x) {
            const Rgb& c = picture.px[size_t(y) * sheet::kWidth + x];
            auto [it, fresh] = indexOf.emplace(KeyOf(c), 0);
            if (fresh && !IsBlack(c))
                it->second = Nearest(result.palette, choices, ToVec(c));
            result.canvas.At(y, x) = it->second;
            const Rgb& shown = result.palette[it->second];
            int error = ChannelError(c, shown);
            if (error == 0)
                continue;
            result.moved += 1;
            if (error > result.largestError)
                result.largestError = error, result.worstRow = y, result.worstColumn = x, result.worstFrom = c,
                result.worstTo = shown;
        }
    result.colors = int(indexOf.size());
    return result;
}

}  // namespace art
