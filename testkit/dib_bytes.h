// Bitmap bytes made to order, for the fuzzer's seeds and the host tests: packed
// DIBs as a bitmap resource holds them, and BMP files, well formed or bent.
//
// Every colour of a made bitmap is known from its position, so a reader can
// tell which entry or pixel went where: colour-table entry i has distinct red,
// green and blue bytes, never equal to one another, and a reserved byte of its
// own; pixel values follow their coordinates.
#ifndef INTRO_TESTKIT_DIB_BYTES_H
#define INTRO_TESTKIT_DIB_BYTES_H

#include <cstdint>
#include <vector>

namespace dib {

struct Shape {
    uint32_t headerSize = 40;       // biSize; 12 makes the old core header
    int32_t width = 4, height = 2;  // a negative height stores the rows top-down
    uint16_t bitCount = 8;
    uint32_t colorsUsed = 0;        // biClrUsed
    int tableEntries = -1;          // entries stored; -1: as many as the header asks, at most 256
    bool withPixels = true;
};

struct Color {
    uint8_t red, green, blue, reserved;
};

// Colour-table entry i. Red runs through all 256 values (3 is odd), and red
// never equals blue (4i is even, 97 odd), so a red-blue swap always shows.
inline Color TableColor(int i)
{
    return Color{(uint8_t)(i * 3 + 100), (uint8_t)(255 - i), (uint8_t)(i * 7 + 3), (uint8_t)(i | 0x80)};
}

// The palette index at (x, y), counted from the top row, of a picture of 8 bits or less.
inline int PixelIndex(const Shape& shape, int x, int y)
{
    return (x + 3 * y) & ((1 << shape.bitCount) - 1);
}

// The colour at (x, y) of a picture of more than 8 bits (16 bits hold 5 per channel).
inline Color DirectColor(const Shape& shape, int x, int y)
{
    Color color{(uint8_t)((x + y) * 20 + 1), (uint8_t)(y * 40 + 9), (uint8_t)(x * 40 + 5), 0};
    if (shape.bitCount == 16)
        for (uint8_t* channel : {&color.red, &color.green, &color.blue})
            *channel = (uint8_t)((*channel & 0xF8) | (*channel >> 5));
    return color;
}

// The entries a header asks for, as the platform's loader counts them.
inline int TableEntriesAsked(const Shape& shape)
{
    if (shape.headerSize == 12)
        return shape.bitCount <= 8 ? 1 << shape.bitCount : 0;
    if (shape.colorsUsed)
        return shape.colorsUsed > 256 ? 256 : (int)shape.colorsUsed;
    return shape.bitCount <= 8 ? 1 << shape.bitCount : 0;
}

// A stored row, padded to whole 32-bit words.
inline int RowBytes(const Shape& shape) { return ((shape.width * shape.bitCount + 31) / 32) * 4; }

// A little-endian field of `bytes` bytes.
inline void Put(std::vector<uint8_t>& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back((uint8_t)(value >> (8 * i)));
}

// BITMAPV5HEADER, the longest header there is.
const uint32_t kLongestHeader = 124;

// biSize and what follows it for the shape's header kind.
inline void PutHeader(const Shape& shape, std::vector<uint8_t>& out)
{
    Put(out, shape.headerSize, 4);
    if (shape.headerSize == 12) {
        Put(out, (uint32_t)shape.width, 2);
        Put(out, (uint32_t)shape.height, 2);
        Put(out, 1, 2);
        Put(out, shape.bitCount, 2);
        return;
    }
    uint32_t height = (uint32_t)(shape.height < 0 ? -shape.height : shape.height);
    uint32_t fields[] = {(uint32_t)shape.width, (uint32_t)shape.height, 1 | (uint32_t)shape.bitCount << 16,
                         0, (uint32_t)RowBytes(shape) * height, 3779, 3779, shape.colorsUsed, 0};
    for (uint32_t field : fields)
        Put(out, field, 4);
    // A later header version has its extra fields left 0; a size past any
    // version's is a lie, and nothing is added for it.
    while (out.size() < shape.headerSize && shape.headerSize <= kLongestHeader)
        out.push_back(0);
}

// The colour table: RGBQUADs, or RGBTRIPLEs after a core header.
inline void PutTable(const Shape& shape, std::vector<uint8_t>& out)
{
    int entries = shape.tableEntries >= 0 ? shape.tableEntries : TableEntriesAsked(shape);
    for (int i = 0; i < entries; ++i) {
        Color color = TableColor(i);
        out.insert(out.end(), {color.blue, color.green, color.red});
        if (shape.headerSize != 12)
            out.push_back(color.reserved);
    }
}

// Picture row y (0 at the top), packed for the depth.
inline void PutRow(const Shape& shape, int y, std::vector<uint8_t>& out)
{
    std::vector<uint8_t> row((size_t)RowBytes(shape), 0);
    int bits = shape.bitCount;
    for (int x = 0; x < shape.width; ++x) {
        if (bits <= 8) {
            int bit = x * bits;
            row[(size_t)bit / 8] |= (uint8_t)(PixelIndex(shape, x, y) << (8 - bits - bit % 8));
            continue;
        }
        Color color = DirectColor(shape, x, y);
        uint8_t* at = &row[(size_t)x * (bits / 8)];
        if (bits == 16) {
            uint32_t value = (uint32_t)(color.blue >> 3) | (uint32_t)(color.green >> 3) << 5 |
                             (uint32_t)(color.red >> 3) << 10;
            at[0] = (uint8_t)value, at[1] = (uint8_t)(value >> 8);
        } else {
            at[0] = color.blue, at[1] = color.green, at[2] = color.red;
        }
    }
    out.insert(out.end(), row.begin(), row.end());
}

// Header, colour table and pixel rows, as a bitmap resource holds them.
inline std::vector<uint8_t> Packed(const Shape& shape)
{
    std::vector<uint8_t> out;
    PutHeader(shape, out);
    PutTable(shape, out);
    if (!shape.withPixels)
        return out;
    int height = shape.height < 0 ? -shape.height : shape.height;
    for (int stored = 0; stored < height; ++stored)
        PutRow(shape, shape.height < 0 ? stored : height - 1 - stored, out);
    return out;
}

// A BMP file: the 14-byte file header with bfOffBits `pixelsAt`, then `packed`.
inline std::vector<uint8_t> File(const std::vector<uint8_t>& packed, uint32_t pixelsAt)
{
    std::vector<uint8_t> out = {'B', 'M'};
    Put(out, (uint32_t)(14 + packed.size()), 4);
    Put(out, 0, 4);
    Put(out, pixelsAt, 4);
    out.insert(out.end(), packed.begin(), packed.end());
    return out;
}

// The BMP file of a shape, its pixels right after the colour table.
inline std::vector<uint8_t> File(const Shape& shape)
{
    Shape header = shape;
    header.withPixels = false;
    return File(Packed(shape), (uint32_t)(14 + Packed(header).size()));
}

}  // namespace dib

#endif
