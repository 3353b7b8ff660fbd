// One input of the bitmap fuzzer, run through the palette and surface loaders
// on a new machine of the host stand-in, and the promises checked afterwards.
// The fuzzer and the host test that replays the corpus share it.
//
// Byte 0 chooses the road:
//   bits 0-1  0 palette from a resource, 1 palette from a file,
//             2 surface from a resource, 3 surface from a file;
//   bits 2-3  the display depth for the surface roads: 8, 16, 24 or 32 bits;
//   bit 4     ask the loader for another size, bytes 1 and 2 giving 1 to 32 each.
// The bitmap's bytes follow byte 2: a packed DIB for a resource, a BMP file otherwise.
#ifndef INTRO_FUZZ_BITMAP_INPUT_H
#define INTRO_FUZZ_BITMAP_INPUT_H

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "bitmap/bitmap.h"
#include "host/host.h"

namespace fuzz {

const size_t kRoadBytes = 3;  // the road's bytes ahead of the bitmap's

struct Road {
    bool file;     // a BMP file, else a bitmap resource
    bool surface;  // LoadBitmapSurface and ReloadBitmapSurface, else LoadPaletteFromBitmap
    int bitsPerPixel;
    int width, height;  // asked of the loader; 0 for the image's own size
};

// The road that an input's first bytes choose; missing bytes count as 0.
inline Road ReadRoad(const uint8_t* data, size_t size)
{
    uint8_t choice = size > 0 ? data[0] : 0;
    Road road;
    road.file = choice & 1;
    road.surface = choice & 2;
    road.bitsPerPixel = 8 * (1 + ((choice >> 2) & 3));
    bool sized = choice & 16;
    road.width = sized && size > 1 ? 1 + data[1] % 32 : 0;
    road.height = sized && size > 2 ? 1 + data[2] % 32 : 0;
    return road;
}

// The bitmap as a resource of the program, or as the file at `path`; the
// name is `path` either way, so a resource that does not load finds no file.
inline void PlaceBitmap(const Road& road, const std::vector<uint8_t>& bytes, const std::string& path)
{
    ::unlink(path.c_str());
    if (!road.file) {
        host::AddResource(RT_BITMAP, path.c_str(), bytes);
        return;
    }
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file) {
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
}

// Palette entries the bitmap cannot have supplied must keep the default: a
// resource's table starts at 40 or later and gives whole entries only, a file's
// lies at 54 and may give a part of one. A resource never sets flags.
inline std::string CheckPaletteTable(const Road& road, size_t bitmapSize)
{
    std::vector<PALETTEENTRY> table = host::LastPaletteTable();
    if (table.size() != 256)
        return "no palette table was passed to CreatePalette";
    for (size_t i = 0; i < 256; ++i) {
        PALETTEENTRY expected = DefaultPaletteEntry((int)i);
        const PALETTEENTRY& got = table[i];
        bool reachable = road.file ? 54 + 4 * i < bitmapSize : 40 + 4 * (i + 1) <= bitmapSize;
        bool same = got.peRed == expected.peRed && got.peGreen == expected.peGreen &&
                    got.peBlue == expected.peBlue && got.peFlags == expected.peFlags;
        if (!reachable && !same)
            return "palette entry " + std::to_string(i) + " lies past the bitmap's bytes but changed";
        if (!road.file && got.peFlags != 0)
            return "palette entry " + std::to_string(i) + " from a resource has flags";
    }
    return "";
}

// LoadPaletteFromBitmap, and the table it handed to CreatePalette checked.
inline std::string RunPaletteRoad(LPDIRECTDRAW directDraw, const Road& road, const std::string& name,
                                  size_t bitmapSize)
{
    LPDIRECTDRAWPALETTE palette = LoadPaletteFromBitmap(directDraw, name.c_str());
    if (!palette)
        return "no palette";
    palette->Release();
    return CheckPaletteTable(road, bitmapSize);
}

// A surface that loaded must take the same bitmap again and a colour key.
inline std::string RunSurfaceRoad(LPDIRECTDRAW directDraw, const Road& road, const std::string& name)
{
    host::SetDisplayModes({{320, 240, road.bitsPerPixel}});
    directDraw->SetDisplayMode(320, 240, (DWORD)road.bitsPerPixel);
    LPDIRECTDRAWSURFACE surface = LoadBitmapSurface(directDraw, name.c_str(), road.width, road.height);
    if (!surface)
        return "";
    std::string broken;
    if (ReloadBitmapSurface(surface, name.c_str()) != DD_OK)
        broken = "a bitmap that loaded once did not reload";
    if (SetSurfaceColorKey(surface, RGB(0, 0, 0)) != DD_OK)
        broken = "no colour key on a loaded surface";
    surface->Release();
    return broken;
}

// Nothing taken inside one call of the utilities may outlive it, and no rule of
// the platform may be broken.
inline std::string CheckNothingLeft() { return host::LeftBehind(); }

// Runs one input on a new machine; empty when every promise held, else the
// first one broken. `path` is a file the run may write and remove.
inline std::string RunBitmapInput(const uint8_t* data, size_t size, const std::string& path)
{
    host::Reset();
    host::SetRecording(false);  // the log only slows the runs down
    Road road = ReadRoad(data, size);
    size_t skip = size < kRoadBytes ? size : kRoadBytes;
    std::vector<uint8_t> bitmap(data + skip, data + size);
    PlaceBitmap(road, bitmap, path);

    LPDIRECTDRAW directDraw = NULL;
    if (DirectDrawCreate(NULL, &directDraw, NULL) != DD_OK)
        return "no DirectDraw object";
    std::string broken = road.surface ? RunSurfaceRoad(directDraw, road, path)
                                      : RunPaletteRoad(directDraw, road, path, bitmap.size());
    directDraw->Release();
    ::unlink(path.c_str());
    if (broken.empty())
        broken = CheckNothingLeft();
    return broken;
}

}  // namespace fuzz

#endif
