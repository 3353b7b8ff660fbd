// Why not stb_image_write's own PNG writer: it writes grey, grey-alpha, RGB
// and RGBA only, never a palette, and the frame's palette is the point of the
// screenshot. Its deflate (stbi_zlib_compress) is used as it is; what remains
// is the signature, four chunks and their CRC. Why not zlib or libpng: the
// DLL may load no DLL but the system's, so either would be a static MinGW
// library to install and link for each width; stb is one header (Debian's
// libstb-dev, as stb_vorbis) that the DLL and the host tests compile alike.
// Rows go unfiltered: the Up filter made an enlarged picture two to three times
// slower to compress here, and PNG advises none for a palette.
#include "player/ddraw/png_file.h"

#include <cstdlib>
#include <cstring>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#define STBIW_ASSERT(x) ((void)0)  // no assertion box inside a player's program
#include <stb_image_write.h>

namespace player {
namespace {

// The compression level stb_image_write uses for its own PNGs.
const int kDeflateQuality = 8;

// Rows times row bytes must stay within the compressor's int.
const int64_t kLargestData = 0x7fffffff;

uint32_t Crc(const uint8_t* bytes, size_t length, uint32_t crc)
{
    static uint32_t table[256];
    if (table[1] == 0)
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xedb88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
    for (size_t i = 0; i < length; ++i)
        crc = table[(crc ^ bytes[i]) & 0xff] ^ (crc >> 8);
    return crc;
}

void PutBig32(std::vector<uint8_t>& out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back((uint8_t)(value >> shift));
}

// Length, type, data, and the CRC of type and data.
void PutChunk(std::vector<uint8_t>& out, const char type[4], const uint8_t* data, size_t length)
{
    PutBig32(out, (uint32_t)length);
    const size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    if (length > 0)
        out.insert(out.end(), data, data + length);
    PutBig32(out, Crc(&out[typeAt], length + 4, 0xffffffffu) ^ 0xffffffffu);
}

// `rows` holds each row after its filter byte (0, none): the whole file.
std::vector<uint8_t> Assemble(Size size, uint8_t colorType, std::vector<uint8_t>& rows,
                              const std::vector<uint8_t>& palette)
{
    int compressedLength = 0;
    unsigned char* compressed = stbi_zlib_compress(rows.data(), (int)rows.size(), &compressedLength, kDeflateQuality);
    if (!compressed)
        return {};
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    std::vector<uint8_t> file(kSignature, kSignature + 8);
    std::vector<uint8_t> header;
    PutBig32(header, (uint32_t)size.width);
    PutBig32(header, (uint32_t)size.height);
    const uint8_t rest[5] = {8, colorType, 0, 0, 0};  // depth, type, deflate, adaptive filters, no interlace
    header.insert(header.end(), rest, rest + 5);
    PutChunk(file, "IHDR", header.data(), header.size());
    if (!palette.empty())
        PutChunk(file, "PLTE", palette.data(), palette.size());
    PutChunk(file, "IDAT", compressed, (size_t)compressedLength);
    std::free(compressed);
    PutChunk(file, "IEND", nullptr, 0);
    return file;
}

bool Fits(Size size, int32_t bytesPerPixel)
{
    return size.width > 0 && size.height > 0 &&
           ((int64_t)size.width * bytesPerPixel + 1) * size.height <= kLargestData;
}

}  // namespace

std::vector<uint8_t> IndexedPng(const uint8_t* pixels, int32_t pitch, Size size, const PaletteColor colors[256])
{
    if (!Fits(size, 1))
        return {};
    std::vector<uint8_t> rows;
    rows.reserve((size_t)(size.width + 1) * size.height);
    for (int32_t y = 0; y < size.height; ++y) {
        const uint8_t* row = pixels + (size_t)y * pitch;
        rows.push_back(0);
        rows.insert(rows.end(), row, row + size.width);
    }
    std::vector<uint8_t> palette;
    for (int i = 0; i < 256; ++i) {
        palette.push_back(colors[i].red);
        palette.push_back(colors[i].green);
        palette.push_back(colors[i].blue);
    }
    return Assemble(size, 3, rows, palette);
}

std::vector<uint8_t> ColorPng(const uint32_t* pixels, int32_t pitch, Size size)
{
    if (!Fits(size, 3))
        return {};
    std::vector<uint8_t> rows;
    rows.reserve((size_t)(size.width * 3 + 1) * size.height);
    for (int32_t y = 0; y < size.height; ++y) {
        const uint32_t* row = pixels + (size_t)y * pitch;
        rows.push_back(0);
        for (int32_t x = 0; x < size.width; ++x) {
            rows.push_back((uint8_t)(row[x] >> 16));
            rows.push_back((uint8_t)(row[x] >> 8));
            rows.push_back((uint8_t)row[x]);
        }
    }
    return Assemble(size, 2, rows, {});
}

}  // namespace player
