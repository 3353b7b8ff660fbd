// The display palette from a bitmap's colour table: resource first, then file,
// and a fixed default wherever the bitmap supplies no colour.
//
// Nothing the bitmap says is trusted: every read stays inside the resource,
// inside the bytes a file actually gave, and inside the 256-entry table.
#include "bitmap/bitmap.h"

// One entry per 8-bit pixel value.
static const int kPaletteEntries = 256;
// A BITMAPINFOHEADER; shorter headers carry no colour count.
static const DWORD kInfoHeaderSize = 40;
// A BITMAPFILEHEADER, read past and never examined.
static const UINT kFileHeaderSize = 14;
// Bytes of a full colour table of RGBQUADs, read straight over the palette table.
static const UINT kFileTableSize = kPaletteEntries * 4;

// The fields read from a BITMAPINFOHEADER.
struct InfoHeader {
    DWORD size;
    WORD bitCount;
    DWORD colorsUsed;
};

// A little-endian 32-bit field, whatever the host's byte order.
static DWORD ReadLittle32(const BYTE* bytes)
{
    return (DWORD)bytes[0] | (DWORD)bytes[1] << 8 | (DWORD)bytes[2] << 16 | (DWORD)bytes[3] << 24;
}

// biSize, biBitCount and biClrUsed of a header of at least 40 bytes.
static InfoHeader ParseInfoHeader(const BYTE* bytes)
{
    InfoHeader header;
    header.size = ReadLittle32(bytes);
    header.bitCount = (WORD)(bytes[14] | bytes[15] << 8);
    header.colorsUsed = ReadLittle32(bytes + 32);
    return header;
}

// How many colour-table entries the header promises, at most one table's worth:
// a biClrUsed above 256 takes the first 256.
static DWORD ColorCount(const InfoHeader& header)
{
    if (header.bitCount > 8)
        return 0;
    DWORD count = header.colorsUsed ? header.colorsUsed : (DWORD)1 << header.bitCount;
    return count < (DWORD)kPaletteEntries ? count : (DWORD)kPaletteEntries;
}

PALETTEENTRY DefaultPaletteEntry(int index)
{
    PALETTEENTRY entry;
    entry.peRed = (BYTE)(((index >> 5) & 7) * 255 / 7);
    entry.peGreen = (BYTE)(((index >> 2) & 7) * 255 / 7);
    entry.peBlue = (BYTE)((index & 3) * 255 / 3);
    entry.peFlags = 0;
    return entry;
}

// A resource's colour table starts right after its header, whatever the header's
// version. Entries the resource does not hold in full keep the default.
static void TakeResourceColors(const BYTE* data, DWORD dataSize, PALETTEENTRY* table)
{
    if (dataSize < kInfoHeaderSize)
        return;
    InfoHeader header = ParseInfoHeader(data);
    if (header.size < kInfoHeaderSize || header.size > dataSize)
        return;
    DWORD count = ColorCount(header);
    DWORD held = (dataSize - header.size) / 4;
    if (count > held)
        count = held;
    const BYTE* colors = data + header.size;
    for (DWORD i = 0; i < count; ++i) {
        table[i].peRed = colors[4 * i + 2];
        table[i].peGreen = colors[4 * i + 1];
        table[i].peBlue = colors[4 * i];
        table[i].peFlags = 0;
    }
}

// Whether a resource of that name exists; its colours, when it can be locked.
static bool ReadResourceColors(const char* name, PALETTEENTRY* table)
{
    HRSRC resource = FindResourceA(NULL, name, RT_BITMAP);
    if (!resource)
        return false;
    HGLOBAL loaded = LoadResource(NULL, resource);
    const BYTE* data = (const BYTE*)LockResource(loaded);
    if (!data) {
        OutputDebugStringA("lock resource failed\n");
        return true;
    }
    TakeResourceColors(data, SizeofResource(NULL, resource), table);
    return true;
}

// The bytes one read delivered; a failed read delivered none.
static UINT ReadPiece(HFILE file, void* buffer, UINT count)
{
    UINT got = _lread(file, buffer, count);
    return got == (UINT)HFILE_ERROR ? 0 : got;
}

// Only a file whose 40-byte header came in whole gets its entries turned from
// blue-green-red into red-green-blue, and only the entries its read delivered
// in full; the reserved byte stays as the entry's flags.
static void ConvertFileColors(const BYTE* infoHeader, UINT tableBytes, PALETTEENTRY* table)
{
    InfoHeader header = ParseInfoHeader(infoHeader);
    if (header.size != kInfoHeaderSize)
        return;
    DWORD count = ColorCount(header);
    if (count > tableBytes / 4)
        count = tableBytes / 4;
    for (DWORD i = 0; i < count; ++i) {
        BYTE blue = table[i].peRed;
        table[i].peRed = table[i].peBlue;
        table[i].peBlue = blue;
    }
}

// A file's table always lies at offset 54 and is read straight over the default
// palette. Entries past what the file held keep whatever the read left there.
static void ReadFileColors(const char* name, PALETTEENTRY* table)
{
    HFILE file = _lopen(name, OF_READ);
    if (file == HFILE_ERROR)
        return;
    BYTE fileHeader[kFileHeaderSize];
    BYTE infoHeader[kInfoHeaderSize];
    ReadPiece(file, fileHeader, sizeof fileHeader);
    UINT infoBytes = ReadPiece(file, infoHeader, sizeof infoHeader);
    UINT tableBytes = ReadPiece(file, table, kFileTableSize);
    _lclose(file);
    if (infoBytes == kInfoHeaderSize)  // a short header is no header: nothing is converted
        ConvertFileColors(infoHeader, tableBytes, table);
}

LPDIRECTDRAWPALETTE LoadPaletteFromBitmap(LPDIRECTDRAW directDraw, const char* name)
{
    PALETTEENTRY table[kPaletteEntries];
    for (int i = 0; i < kPaletteEntries; ++i)
        table[i] = DefaultPaletteEntry(i);
    if (name && !ReadResourceColors(name, table))
        ReadFileColors(name, table);

    LPDIRECTDRAWPALETTE palette = NULL;
    if (directDraw->CreatePalette(DDPCAPS_8BIT, table, &palette, NULL) != DD_OK)
        return NULL;
    return palette;
}
