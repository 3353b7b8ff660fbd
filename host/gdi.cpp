// GDI on the host: DIB sections loaded from resources and files (LoadImageA),
// memory device contexts, surface device contexts, StretchBlt, GetPixel, SetPixel.
//
// Colours drawn into an 8-bit surface become the nearest entry (squared
// distance, first of equals) of the palette in force, colour by colour.
// StretchBlt samples the nearest source pixel, source = start + i * sourceSize
// / targetSize; the merging of eliminated pixels in the platform's default
// BLACKONWHITE mode is not modelled (the intro only ever copies one to one).
#include <cstring>
#include <map>

#include "host/internal.h"

namespace host {
namespace {

struct Bitmap {
    int width = 0, height = 0, bitsPerPixel = 0, stride = 0;
    std::vector<RGBQUAD> colors;
    std::vector<uint8_t> bits;  // top-down rows
    HDC selectedInto = nullptr;
};

struct DeviceContext {
    detail::SurfaceTarget* surface = nullptr;  // null for a memory context
    HGDIOBJ selected = nullptr;               // bitmap of a memory context
};

const HGDIOBJ kDefaultBitmap = (HGDIOBJ)0x3FFF0;  // what a new memory context holds
const uintptr_t kStockBase = 0x30000;              // the stock objects 0 to 19 follow it

struct Gdi {
    std::map<HGDIOBJ, Bitmap> bitmaps;
    std::map<HDC, DeviceContext> contexts;
    uintptr_t nextHandle = 0x20000;
};

Gdi& gdi()
{
    static Gdi state;
    return state;
}

template <typename Handle>
Handle NewHandle()
{
    return (Handle)(gdi().nextHandle += 4);
}

Bitmap* FindBitmap(HGDIOBJ object)
{
    auto found = gdi().bitmaps.find(object);
    return found == gdi().bitmaps.end() ? nullptr : &found->second;
}

DeviceContext* FindContext(HDC context)
{
    auto found = gdi().contexts.find(context);
    return found == gdi().contexts.end() ? nullptr : &found->second;
}

// ---- DIB parsing: whatever the bytes say, nothing outside them is read. ----
uint32_t Little(const detail::Bytes& bytes, size_t offset, int width)
{
    uint32_t value = 0;
    for (int i = 0; i < width; ++i)
        value |= (uint32_t)bytes.data[offset + i] << (8 * i);
    return value;
}

const uint64_t kLargestPicture = 1 << 26;  // pixels; larger is taken as hostile
const size_t kFileHeaderSize = 14;         // BITMAPFILEHEADER

// What a DIB's header says, whichever of the two header kinds it is.
struct DibHeader {
    uint32_t size = 0;
    int64_t width = 0, height = 0;
    int bitCount = 0;
    uint32_t compression = 0;
    uint32_t tableEntries = 0;
    size_t entrySize = 4;  // RGBQUAD; the old core header has RGBTRIPLEs
};

// The header at `start`: the 12-byte core header or one of 40 bytes or more.
bool ReadDibHeader(const detail::Bytes& bytes, size_t start, DibHeader* header)
{
    if (bytes.size < start + 12)
        return false;
    header->size = Little(bytes, start, 4);
    if (header->size == 12) {
        header->width = Little(bytes, start + 4, 2);
        header->height = Little(bytes, start + 6, 2);
        header->bitCount = (int)Little(bytes, start + 10, 2);
        header->tableEntries = header->bitCount <= 8 ? 1u << header->bitCount : 0;
        header->entrySize = 3;
        return true;
    }
    if (header->size < 40 || bytes.size - start < header->size)
        return false;
    header->width = (int32_t)Little(bytes, start + 4, 4);
    header->height = (int32_t)Little(bytes, start + 8, 4);
    header->bitCount = (int)Little(bytes, start + 14, 2);
    header->compression = Little(bytes, start + 16, 4);
    // Like the platform's loader: biClrUsed counts at most 256 entries, 0 means
    // a full table for 8 bits or less, and a deeper picture may carry a table too.
    uint32_t colorsUsed = Little(bytes, start + 32, 4);
    header->tableEntries = colorsUsed > 256 ? 256 : colorsUsed;
    if (!colorsUsed && header->bitCount <= 8)
        header->tableEntries = 1u << header->bitCount;
    return true;
}

// Depths and layouts the stand-in draws; anything else does not load.
bool SupportedDib(const DibHeader& header)
{
    int bits = header.bitCount;
    bool knownDepth = bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    int64_t height = header.height < 0 ? -header.height : header.height;
    return knownDepth && header.compression == 0 && header.width > 0 && height > 0 &&
           (uint64_t)header.width * (uint64_t)height <= kLargestPicture;
}

// The colour table, as many entries as the depth indexes; those the table lacks are black.
void ReadColorTable(const detail::Bytes& bytes, size_t tableAt, const DibHeader& header, Bitmap* bitmap)
{
    if (header.bitCount > 8)
        return;
    uint32_t indexed = 1u << header.bitCount;
    bitmap->colors.assign(indexed, RGBQUAD{0, 0, 0, 0});
    for (uint32_t i = 0; i < header.tableEntries && i < indexed; ++i) {
        const uint8_t* entry = bytes.data + tableAt + i * header.entrySize;
        bitmap->colors[i] = RGBQUAD{entry[0], entry[1], entry[2], 0};
    }
}

// A packed DIB at `start`; `pixelsAt`, when not 0, is where a file's bfOffBits
// puts the pixels, else they follow the colour table.
bool ParseDib(const detail::Bytes& bytes, size_t start, size_t pixelsAt, Bitmap* bitmap)
{
    DibHeader header;
    if (!ReadDibHeader(bytes, start, &header) || !SupportedDib(header))
        return false;
    size_t tableAt = start + header.size;
    size_t tableEnd = tableAt + (size_t)header.tableEntries * header.entrySize;
    if (tableEnd > bytes.size)
        return false;
    bool topDown = header.height < 0;
    int height = (int)(topDown ? -header.height : header.height);
    bitmap->width = (int)header.width;
    bitmap->height = height;
    bitmap->bitsPerPixel = header.bitCount;
    bitmap->stride = (int)(((header.width * header.bitCount + 31) / 32) * 4);
    ReadColorTable(bytes, tableAt, header, bitmap);
    size_t pixels = pixelsAt ? pixelsAt : tableEnd;
    size_t size = (size_t)bitmap->stride * (size_t)height;
    if (pixels > bytes.size || bytes.size - pixels < size)
        return false;
    bitmap->bits.resize(size);
    for (int y = 0; y < height; ++y) {
        int stored = topDown ? y : height - 1 - y;
        std::memcpy(&bitmap->bits[(size_t)y * bitmap->stride],
                    bytes.data + pixels + (size_t)stored * bitmap->stride, bitmap->stride);
    }
    return true;
}

// A BMP file: "BM", the file header, then a packed DIB.
bool ParseBmpFile(const std::vector<uint8_t>& file, Bitmap* bitmap)
{
    detail::Bytes bytes{file.data(), file.size()};
    if (bytes.size < kFileHeaderSize || file[0] != 'B' || file[1] != 'M')
        return false;
    return ParseDib(bytes, kFileHeaderSize, Little(bytes, 10, 4), bitmap);
}

RGBQUAD BitmapPixel(const Bitmap& bitmap, int x, int y)
{
    const uint8_t* row = &bitmap.bits[(size_t)y * bitmap.stride];
    switch (bitmap.bitsPerPixel) {
    case 1:
        return bitmap.colors[(row[x / 8] >> (7 - x % 8)) & 1];
    case 4:
        return bitmap.colors[(row[x / 2] >> (x % 2 ? 0 : 4)) & 15];
    case 8:
        return bitmap.colors[row[x]];
    case 16: {  // 5-5-5
        unsigned value = row[2 * x] | row[2 * x + 1] << 8;
        auto expand = [](unsigned five) { return (BYTE)(five << 3 | five >> 2); };
        return RGBQUAD{expand(value & 31), expand(value >> 5 & 31), expand(value >> 10 & 31), 0};
    }
    case 24:
        return RGBQUAD{row[3 * x], row[3 * x + 1], row[3 * x + 2], 0};
    default:
        return RGBQUAD{row[4 * x], row[4 * x + 1], row[4 * x + 2], 0};
    }
}

// The image at another size, as LoadImageA delivers it when asked for one.
Bitmap Scaled(const Bitmap& source, int width, int height)
{
    Bitmap scaled;
    scaled.width = width;
    scaled.height = height;
    scaled.bitsPerPixel = 32;
    scaled.stride = width * 4;
    scaled.bits.resize((size_t)scaled.stride * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            RGBQUAD pixel = BitmapPixel(source, (int)((int64_t)x * source.width / width),
                                        (int)((int64_t)y * source.height / height));
            std::memcpy(&scaled.bits[(size_t)y * scaled.stride + 4 * x], &pixel, 4);
        }
    return scaled;
}

// ---- Pixels of a surface ----------------------------------------------------
int NearestIndex(const PALETTEENTRY* colors, BYTE red, BYTE green, BYTE blue)
{
    int best = 0;
    long bestDistance = -1;
    for (int i = 0; i < 256; ++i) {
        long dr = colors[i].peRed - red, dg = colors[i].peGreen - green, db = colors[i].peBlue - blue;
        long distance = dr * dr + dg * dg + db * db;
        if (distance == 0)  // nothing is nearer
            return i;
        if (bestDistance < 0 || distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

// The raw value a colour takes in a surface's format.
uint32_t SurfaceValue(detail::SurfaceTarget* surface, BYTE red, BYTE green, BYTE blue)
{
    switch (surface->BitsPerPixel()) {
    case 8:
        return (uint32_t)NearestIndex(surface->Colors(), red, green, blue);
    case 16:  // 5-6-5
        return (uint32_t)(red >> 3) << 11 | (uint32_t)(green >> 2) << 5 | blue >> 3;
    default:
        return (uint32_t)red << 16 | (uint32_t)green << 8 | blue;
    }
}

void PutSurfaceValue(detail::SurfaceTarget* surface, int x, int y, uint32_t value)
{
    int bytes = surface->BitsPerPixel() / 8;
    std::memcpy(surface->Row(y) + (size_t)x * bytes, &value, bytes);
}

COLORREF SurfaceColor(detail::SurfaceTarget* surface, int x, int y)
{
    int bytes = surface->BitsPerPixel() / 8;
    uint32_t value = 0;
    std::memcpy(&value, surface->Row(y) + (size_t)x * bytes, bytes);
    switch (surface->BitsPerPixel()) {
    case 8: {
        const PALETTEENTRY& entry = surface->Colors()[value];
        return RGB(entry.peRed, entry.peGreen, entry.peBlue);
    }
    case 16: {
        unsigned r = value >> 11 & 31, g = value >> 5 & 63, b = value & 31;
        return RGB(r << 3 | r >> 2, g << 2 | g >> 4, b << 3 | b >> 2);
    }
    default:
        return RGB(value >> 16 & 255, value >> 8 & 255, value & 255);
    }
}

bool Inside(detail::SurfaceTarget* surface, int x, int y)
{
    return x >= 0 && y >= 0 && x < surface->Width() && y < surface->Height();
}

// The 20 colours the platform keeps in every palette; the rest are black.
PALETTEENTRY* BuildSystemPalette()
{
    static PALETTEENTRY colors[256];
    static const BYTE kStatic[20][3] = {
        {0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
        {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
        {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
        {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};
    for (int i = 0; i < 20; ++i) {
        PALETTEENTRY& entry = colors[i < 10 ? i : 236 + i];
        entry = PALETTEENTRY{kStatic[i][0], kStatic[i][1], kStatic[i][2], 0};
    }
    return colors;
}

}  // namespace

namespace detail {

void ResetGdi() { gdi() = Gdi(); }

const PALETTEENTRY* SystemPalette()
{
    static const PALETTEENTRY* colors = BuildSystemPalette();
    return colors;
}

HDC CreateSurfaceDC(SurfaceTarget* surface)
{
    HDC context = NewHandle<HDC>();
    gdi().contexts[context] = DeviceContext{surface, nullptr};
    return context;
}

void DeleteSurfaceDC(HDC context) { gdi().contexts.erase(context); }

int LiveDeviceContexts()
{
    int memory = 0;
    for (const auto& entry : gdi().contexts)
        memory += entry.second.surface == nullptr;
    return memory;
}

int LiveBitmaps() { return (int)gdi().bitmaps.size(); }

}  // namespace detail
}  // namespace host

using namespace host;

namespace {

const Site<HANDLE> kLoadImageA("LoadImageA", Script::kLastError);
const Site<HGDIOBJ> kGetStockObject("GetStockObject", Script::kLastError);
const Site<int> kGetObjectA("GetObjectA", Script::kLastError);
const Site<HDC> kCreateCompatibleDC("CreateCompatibleDC", Script::kLastError);
const Site<HGDIOBJ> kSelectObject("SelectObject", Script::kLastError);
const Site<BOOL> kStretchBlt("StretchBlt", Script::kLastError, FALSE);
const Site<BOOL> kDeleteDC("DeleteDC", Script::kLastErrorAfterRunning, FALSE);
const Site<BOOL> kDeleteObject("DeleteObject", Script::kLastErrorAfterRunning, FALSE);
const Site<COLORREF> kGetPixel("GetPixel", Script::kCode);
const Site<COLORREF> kSetPixel("SetPixel", Script::kCode);

// A load that gives no bitmap, with its reason as the last error.
HANDLE NoBitmap(DWORD error)
{
    SetLastError(error);
    return nullptr;
}

// The bitmap the name gives: a resource of the program, or with LR_LOADFROMFILE a BMP file.
bool LoadNamedBitmap(HINSTANCE instance, LPCSTR name, UINT type, UINT flags, Bitmap* bitmap)
{
    if (type != IMAGE_BITMAP || !name)
        return false;
    if (flags & LR_LOADFROMFILE) {
        if (IS_INTRESOURCE(name))
            return false;
        std::vector<uint8_t> file;
        detail::NoteOpenedFile(name);
        return detail::ReadWholeFile(name, &file) && ParseBmpFile(file, bitmap);
    }
    detail::Bytes resource;
    return instance == Instance() && detail::FindBitmapResource(name, &resource) && ParseDib(resource, 0, 0, bitmap);
}

}  // namespace

HANDLE LoadImageA(HINSTANCE instance, LPCSTR name, UINT type, int cx, int cy, UINT flags)
{
    auto args = [&] {
        return Join(detail::Object(instance), detail::Text(name), Num(type), Num(cx), Num(cy), Hex(flags));
    };
    return Serve(kLoadImageA, args, [&] {
        if (cx < 0 || cy < 0) {
            detail::Problem("LoadImageA at " + Num(cx) + "x" + Num(cy) + " is not modelled");
            return NoBitmap(ERROR_INVALID_PARAMETER);
        }
        Bitmap bitmap;
        if (!LoadNamedBitmap(instance, name, type, flags, &bitmap))
            return NoBitmap(ERROR_FILE_NOT_FOUND);
        int width = cx ? cx : bitmap.width, height = cy ? cy : bitmap.height;
        if ((uint64_t)width * (uint64_t)height > kLargestPicture) {
            detail::Problem("LoadImageA at " + Num(width) + "x" + Num(height) + " is not modelled");
            return NoBitmap(ERROR_NOT_ENOUGH_MEMORY);
        }
        if (width != bitmap.width || height != bitmap.height)
            bitmap = Scaled(bitmap, width, height);
        HGDIOBJ handle = NewHandle<HGDIOBJ>();
        gdi().bitmaps[handle] = bitmap;
        return (HANDLE)handle;
    });
}

HGDIOBJ GetStockObject(int object)
{
    return Serve(kGetStockObject, [&] { return Num(object); }, [&] {
        return (object >= 0 && object <= 19) ? (HGDIOBJ)(kStockBase + 4 * object) : nullptr;
    });
}

int GetObjectA(HANDLE object, int size, LPVOID buffer)
{
    return Serve(kGetObjectA, [&] { return Join(detail::Object(object), Num(size)); }, [&] {
        Bitmap* bitmap = FindBitmap(object);
        if (!bitmap || !buffer || size < (int)sizeof(BITMAP))
            return 0;
        BITMAP description = {};
        description.bmWidth = bitmap->width;
        description.bmHeight = bitmap->height;
        description.bmWidthBytes = bitmap->stride;
        description.bmPlanes = 1;
        description.bmBitsPixel = (WORD)bitmap->bitsPerPixel;
        description.bmBits = bitmap->bits.data();
        std::memcpy(buffer, &description, sizeof description);
        return (int)sizeof description;
    });
}

HDC CreateCompatibleDC(HDC reference)
{
    return Serve(kCreateCompatibleDC, [&] { return detail::Object(reference); }, [&] {
        HDC context = NewHandle<HDC>();
        gdi().contexts[context] = DeviceContext{nullptr, kDefaultBitmap};
        return context;
    });
}

// Only bitmaps into memory contexts: the program selects nothing else.
HGDIOBJ SelectObject(HDC context, HGDIOBJ object)
{
    return Serve(kSelectObject, [&] { return Join(detail::Object(context), detail::Object(object)); }, [&] {
        DeviceContext* target = FindContext(context);
        Bitmap* bitmap = FindBitmap(object);
        if (!target || target->surface || !bitmap || bitmap->selectedInto)
            return (HGDIOBJ) nullptr;
        if (Bitmap* old = FindBitmap(target->selected))
            old->selectedInto = nullptr;
        HGDIOBJ previous = target->selected;
        target->selected = object;
        bitmap->selectedInto = context;
        return previous;
    });
}

// Each target pixel takes the nearest source pixel, start + i * sourceSize / targetSize.
BOOL StretchBlt(HDC target, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                int sourceWidth, int sourceHeight, DWORD rop)
{
    auto args = [&] {
        return Join(detail::Object(target), Num(x), Num(y), Num(width), Num(height), detail::Object(source),
                    Num(sourceX), Num(sourceY), Num(sourceWidth), Num(sourceHeight), Hex(rop));
    };
    return Serve(kStretchBlt, args, [&] {
        DeviceContext* to = FindContext(target);
        DeviceContext* from = FindContext(source);
        Bitmap* bitmap = from ? FindBitmap(from->selected) : nullptr;
        if (!to || !to->surface || !bitmap || rop != SRCCOPY || width <= 0 || height <= 0 || sourceWidth <= 0 ||
            sourceHeight <= 0)
            return FALSE;
        detail::SurfaceTarget* surface = to->surface;
        // A sheet holds few colours, each looked up once: the nearest palette entry is
        // a search of the whole palette.
        std::map<uint32_t, uint32_t> values;
        for (int j = 0; j < height; ++j) {
            int sy = sourceY + (int)((int64_t)j * sourceHeight / height);
            for (int i = 0; i < width; ++i) {
                int sx = sourceX + (int)((int64_t)i * sourceWidth / width);
                if (!Inside(surface, x + i, y + j) || sx < 0 || sy < 0 || sx >= bitmap->width || sy >= bitmap->height)
                    continue;
                RGBQUAD pixel = BitmapPixel(*bitmap, sx, sy);
                uint32_t rgb = (uint32_t)pixel.rgbRed << 16 | (uint32_t)pixel.rgbGreen << 8 | pixel.rgbBlue;
                auto known = values.find(rgb);
                if (known == values.end())
                    known = values.emplace(rgb, SurfaceValue(surface, pixel.rgbRed, pixel.rgbGreen, pixel.rgbBlue)).first;
                PutSurfaceValue(surface, x + i, y + j, known->second);
            }
        }
        return TRUE;
    });
}

BOOL DeleteDC(HDC context)
{
    return Serve(kDeleteDC, [&] { return detail::Object(context); }, [&] {
        DeviceContext* found = FindContext(context);
        if (found && found->surface)
            detail::Problem("DeleteDC on a surface's device context");
        if (!found || found->surface)
            return FALSE;
        if (Bitmap* bitmap = FindBitmap(found->selected))
            bitmap->selectedInto = nullptr;
        gdi().contexts.erase(context);
        return TRUE;
    });
}

// Only bitmaps: the program deletes nothing else. The platform refuses to delete
// a bitmap still selected into a context.
BOOL DeleteObject(HGDIOBJ object)
{
    return Serve(kDeleteObject, [&] { return detail::Object(object); }, [&] {
        Bitmap* bitmap = FindBitmap(object);
        if (!bitmap || bitmap->selectedInto)
            return FALSE;
        gdi().bitmaps.erase(object);
        return TRUE;
    });
}

COLORREF GetPixel(HDC context, int x, int y)
{
    return Serve(kGetPixel, [&] { return Join(detail::Object(context), Num(x), Num(y)); }, [&] {
        DeviceContext* found = FindContext(context);
        if (!found || !found->surface || !Inside(found->surface, x, y))
            return (COLORREF)CLR_INVALID;
        return SurfaceColor(found->surface, x, y);
    });
}

COLORREF SetPixel(HDC context, int x, int y, COLORREF color)
{
    return Serve(kSetPixel, [&] { return Join(detail::Object(context), Num(x), Num(y), Hex(color)); }, [&] {
        DeviceContext* found = FindContext(context);
        if (!found || !found->surface || !Inside(found->surface, x, y) || color == CLR_INVALID)
            return (COLORREF)CLR_INVALID;
        PutSurfaceValue(found->surface, x, y,
                        SurfaceValue(found->surface, GetRValue(color), GetGValue(color), GetBValue(color)));
        return SurfaceColor(found->surface, x, y);
    });
}
