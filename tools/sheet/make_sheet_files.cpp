// Writers for the sheet (.bmp), the program icon (.ico) and the preview pictures (.png).
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "make_sheet.h"
#include "tools/intro_frames/png_writer.h"

namespace art {
namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(uint8_t(v)), out.push_back(uint8_t(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    Put16(out, v & 0xFFFF), Put16(out, v >> 16);
}

void PutInfoHeader(std::vector<uint8_t>& out, int32_t w, int32_t h, int bits, uint32_t imageBytes,
                   int32_t pels, uint32_t colors)
{
    Put32(out, 40), Put32(out, uint32_t(w)), Put32(out, uint32_t(h));
    Put16(out, 1), Put16(out, uint32_t(bits));
    Put32(out, 0), Put32(out, imageBytes);
    Put32(out, uint32_t(pels)), Put32(out, uint32_t(pels));
    Put32(out, colors), Put32(out, colors);
}

void PutColor(std::vector<uint8_t>& out, const Rgb& c)
{
    out.push_back(c.b), out.push_back(c.g), out.push_back(c.r), out.push_back(0);
}

// The program's emblem: a gold chevron on a dark roundel with a steel rim.
enum IconColor : uint8_t {
    kClear,
    kNavy,
    kNavyLight,
    kRimDark,
    kRim,
    kRimLight,
    kGoldDark,
    kGold,
    kGoldLight,
    kGlow
};

constexpr Rgb kIconColors[16] = {{0, 0, 0},       {10, 14, 36},    {22, 30, 66},  {50, 60, 82},
                                 {120, 136, 164}, {210, 220, 236}, {120, 70, 16}, {226, 168, 48},
                                 {255, 236, 150}, {120, 200, 255}, {128, 0, 0},   {0, 128, 0},
                                 {128, 128, 0},   {0, 0, 128},     {128, 0, 128}, {255, 255, 255}};

// Drawn by hand at its one size: two gold chevrons climbing out of the roundel, with the
// blue glow of an engine below them.
constexpr const char* kIconArt[16] = {
    "................",  //
    ".....rRRRRr.....",  //
    "...rRNNNNNNRr...",  //
    "..rRNNNGGNNNRr..",  //
    "..RNNNGGGGNNNR..",  //
    ".rNNNGGkkGGNNNr.",  //
    ".RNNGGkNNkGGNNR.",  //
    ".RNGGkNGGNkGGNR.",  //
    ".RGgkNGGGGNkgGR.",  //
    ".rdkNGgkkgGNkdr.",  //
    ".rnNGgkNNkgGNnr.",  //
    "..rndkNbbNkdnr..",  //
    "..rnnNNbbNNnnr..",  //
    "...rrnnnnnnrr...",  //
    ".....rrrrrr.....",  //
    "................",  //
};

uint8_t IconColor(char ch)
{
    switch (ch) {
        case 'n':
            return kNavy;
        case 'N':
            return kNavyLight;
        case 'k':
            return kRimDark;
        case 'r':
            return kRim;
        case 'R':
            return kRimLight;
        case 'd':
            return kGoldDark;
        case 'g':
            return kGold;
        case 'G':
            return kGoldLight;
        case 'b':
            return kGlow;
        default:
            return kClear;
    }
}

uint8_t IconPixel(int x, int y)
{
    return IconColor(kIconArt[y][x]);
}

// "cannot write FILE", with the system's reason when it gave one.
std::string WriteFailure(const std::string& path)
{
    return "cannot write " + path + (errno ? std::string(": ") + std::strerror(errno) : std::string());
}

}  // namespace

std::vector<uint8_t> EncodeBmp(const Canvas& c, const Palette& pal)
{
    std::vector<uint8_t> out;
    out.reserve(sheet::kFileBytes);
    out.push_back('B'), out.push_back('M');
    Put32(out, sheet::kFileBytes), Put32(out, 0), Put32(out, sheet::kPixelOffset);
    PutInfoHeader(out, sheet::kWidth, sheet::kHeight, 8, sheet::kPixelBytes, sheet::kPelsPerMeter, 256);
    for (const Rgb& col : pal)
        PutColor(out, col);
    for (int row = sheet::kHeight - 1; row >= 0; --row)  // bottom-up
        for (int col = 0; col < sheet::kWidth; ++col)
            out.push_back(c.At(row, col));
    return out;
}

void DrawIcon(std::array<uint8_t, 256>& pixels, std::array<bool, 256>& transparent,
              std::array<Rgb, 16>& colors)
{
    for (int i = 0; i < 16; ++i)
        colors[i] = kIconColors[i];
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            pixels[y * 16 + x] = IconPixel(x, y);
            transparent[y * 16 + x] = pixels[y * 16 + x] == kClear;
        }
}

std::vector<uint8_t> EncodeIco()
{
    std::array<uint8_t, 256> px{};
    std::array<bool, 256> clear{};
    std::array<Rgb, 16> colors{};
    DrawIcon(px, clear, colors);
    const uint32_t xorBytes = 16 * 8, andBytes = 16 * 4;  // rows padded to 4 bytes
    const uint32_t imageBytes = 40 + 16 * 4 + xorBytes + andBytes;
    std::vector<uint8_t> out;
    Put16(out, 0), Put16(out, 1), Put16(out, 1);  // ICONDIR: an icon, one image
    out.push_back(16), out.push_back(16), out.push_back(16), out.push_back(0);
    Put16(out, 1), Put16(out, 4), Put32(out, imageBytes), Put32(out, 22);
    PutInfoHeader(out, 16, 32, 4, xorBytes + andBytes, 0, 16);  // height covers XOR and AND
    for (const Rgb& col : colors)
        PutColor(out, col);
    for (int y = 15; y >= 0; --y)
        for (int x = 0; x < 16; x += 2)
            out.push_back(uint8_t(px[y * 16 + x] << 4 | px[y * 16 + x + 1]));
    for (int y = 15; y >= 0; --y) {
        uint32_t bits = 0;
        for (int x = 0; x < 16; ++x)
            bits |= uint32_t(clear[y * 16 + x]) << (15 - x);
        out.push_back(uint8_t(bits >> 8)), out.push_back(uint8_t(bits)), out.push_back(0), out.push_back(0);
    }
    return out;
}

void MakeParentFolders(const std::string& path)
{
    std::filesystem::path parent = std::filesystem::path(path).parent_path();
    std::error_code ec;
    if (!parent.empty() && !std::filesystem::create_directories(parent, ec) && ec)
        throw std::runtime_error("cannot make the folder " + parent.string() + ": " + ec.message());
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    MakeParentFolders(path);
    errno = 0;
    FILE* f = std::fopen(path.c_str(), "wb");
    bool written = f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (f && std::fclose(f) != 0)
        written = false;
    if (!written)
        throw std::runtime_error(WriteFailure(path));
}

void WritePng(const std::string& path, const Image& img, int scale)
{
    // Each pixel as a scale x scale block, through the tools' one PNG writer.
    RgbImage out;
    out.width = img.w * scale;
    out.height = img.h * scale;
    out.rgb.resize(size_t(out.width) * out.height * 3);
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) {
            const Rgb& c = img.px[size_t(y / scale) * img.w + x / scale];
            uint8_t* p = &out.rgb[(size_t(y) * out.width + x) * 3];
            p[0] = c.r, p[1] = c.g, p[2] = c.b;
        }
    MakeParentFolders(path);
    errno = 0;
    if (!WriteRgbPng(path, out))
        throw std::runtime_error(WriteFailure(path));
}

}  // namespace art
