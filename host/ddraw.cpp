// DirectDraw on the host: the DirectDraw object, display modes and exclusive
// mode, surfaces with real pixels (a flipping chain of primary and one back
// buffer, off-screen surfaces of 8 to 32 bits), palettes, colour keys,
// blits, locks, device contexts, and the loss and restoring of surfaces.
#include <algorithm>
#include <cstring>
#include <memory>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#include <tmmintrin.h>
#define HOST_SHUFFLE_SAMPLING 1
#define HOST_WIDE_MERGE 1
#endif

#include "host/internal.h"

namespace host {
namespace {

struct DirectDraw;
struct Palette;

struct Display {
    std::vector<std::unique_ptr<DirectDraw>> directDraws;
    std::vector<std::unique_ptr<Palette>> palettes;
    std::vector<std::vector<int>> modes = {{320, 240, 8}, {640, 480, 8}};
    bool restoreAllowed = true;
    std::vector<PALETTEENTRY> lastPaletteTable;
    std::function<void()> flipHook;
    int flips = 0;
    int surfacesMade = 0;
};

Display& display()
{
    static Display state;
    return state;
}

// Calls on a released object are the program's fault, reported as problems.
template <typename Object>
bool Released(const Object* object, const char* method)
{
    if (object->alive)
        return false;
    detail::Problem(std::string(method) + " on a released object " + detail::Object(object));
    return true;
}

struct Palette final : IDirectDrawPalette {
    ULONG refs = 1;
    bool alive = true;
    PALETTEENTRY entries[256];

    ULONG STDMETHODCALLTYPE AddRef() override
    {
        if (Released(this, "IDirectDrawPalette::AddRef"))
            return 0;
        return (ULONG)Log("IDirectDrawPalette::AddRef", this, [] { return std::string(); }, ++refs);
    }

    ULONG STDMETHODCALLTYPE Release() override
    {
        if (Released(this, "IDirectDrawPalette::Release"))
            return 0;
        alive = --refs > 0;
        return (ULONG)Log("IDirectDrawPalette::Release", this, [] { return std::string(); }, refs);
    }

    HRESULT STDMETHODCALLTYPE GetEntries(DWORD flags, DWORD base, DWORD count,
                                         LPPALETTEENTRY out) override
    {
        if (Released(this, "IDirectDrawPalette::GetEntries"))
            return DDERR_INVALIDOBJECT;
        HRESULT result = DD_OK;
        if (!out || base >= 256 || count > 256 - base)
            result = DDERR_INVALIDPARAMS;
        else
            std::memcpy(out, entries + base, count * sizeof *out);
        return (HRESULT)Log("IDirectDrawPalette::GetEntries", this,
                            [&] { return Join(Hex(flags), Num(base), Num(count)); }, (uint32_t)result);
    }
};

struct Surface final : IDirectDrawSurface, detail::SurfaceTarget {
    DirectDraw* owner = nullptr;
    ULONG refs = 1;
    bool alive = true;
    DWORD caps = 0;
    int width = 0, height = 0, bitsPerPixel = 8, pitch = 0;
    std::vector<uint8_t> pixels;
    bool lost = false;
    HDC context = nullptr;
    bool locked = false;
    bool hasSourceKey = false;
    DDCOLORKEY sourceKey = {0, 0};
    Palette* palette = nullptr;
    Surface* back = nullptr;   // of a primary
    Surface* front = nullptr;  // of a back buffer

    bool Primary() const { return caps & DDSCAPS_PRIMARYSURFACE; }
    bool CanBeLost() const { return !(caps & DDSCAPS_SYSTEMMEMORY); }
    int Width() const override { return width; }
    int Height() const override { return height; }
    int BitsPerPixel() const override { return bitsPerPixel; }
    uint8_t* Row(int y) override { return &pixels[(size_t)y * pitch]; }
    const PALETTEENTRY* Colors() const override;

    void Destroy();
    void FillDescription(DDSURFACEDESC* description) const;
    HRESULT Usable(const char* method, uint32_t* scripted);
    HRESULT CopyFrom(Surface* source, const RECT& from, const RECT& to, bool keyed);
    HRESULT BlitFrom(Surface* source, const RECT& from, const RECT& to, bool keyed, const char* what);

    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE Blt(LPRECT target, LPDIRECTDRAWSURFACE source, LPRECT sourceRect,
                                  DWORD flags, LPDDBLTFX effects) override;
    HRESULT STDMETHODCALLTYPE BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE source, LPRECT sourceRect,
                                      DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Flip(LPDIRECTDRAWSURFACE target, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE GetAttachedSurface(LPDDSCAPS caps, LPDIRECTDRAWSURFACE* attached) override;
    HRESULT STDMETHODCALLTYPE GetDC(HDC* context) override;
    HRESULT STDMETHODCALLTYPE GetSurfaceDesc(LPDDSURFACEDESC description) override;
    HRESULT STDMETHODCALLTYPE Lock(LPRECT rect, LPDDSURFACEDESC description, DWORD flags,
                                   HANDLE event) override;
    HRESULT STDMETHODCALLTYPE ReleaseDC(HDC context) override;
    HRESULT STDMETHODCALLTYPE Restore() override;
    HRESULT STDMETHODCALLTYPE SetColorKey(DWORD flags, LPDDCOLORKEY key) override;
    HRESULT STDMETHODCALLTYPE SetPalette(LPDIRECTDRAWPALETTE palette) override;
    HRESULT STDMETHODCALLTYPE Unlock(LPVOID pixels) override;
};

struct DirectDraw final : IDirectDraw {
    ULONG refs = 1;
    bool alive = true;
    HWND window = nullptr;
    DWORD level = 0;
    int modeWidth = 0, modeHeight = 0, modeBits = 0;
    int desktopWidth = 0, desktopHeight = 0;  // the screen before the first mode switch
    std::vector<std::unique_ptr<Surface>> surfaces;

    bool Exclusive() const { return level & DDSCL_EXCLUSIVE; }
    Surface* LivePrimary() const
    {
        for (const auto& surface : surfaces)
            if (surface->alive && surface->Primary())
                return surface.get();
        return nullptr;
    }

    ULONG STDMETHODCALLTYPE AddRef() override
    {
        if (Released(this, "IDirectDraw::AddRef"))
            return 0;
        return (ULONG)Log("IDirectDraw::AddRef", this, [] { return std::string(); }, ++refs);
    }

    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE CreatePalette(DWORD flags, LPPALETTEENTRY entries,
                                            LPDIRECTDRAWPALETTE* palette, IUnknown* outer) override;
    HRESULT STDMETHODCALLTYPE CreateSurface(LPDDSURFACEDESC description, LPDIRECTDRAWSURFACE* surface,
                                            IUnknown* outer) override;
    HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE SetDisplayMode(DWORD width, DWORD height, DWORD bpp) override;
};

Surface* AsSurface(LPDIRECTDRAWSURFACE surface) { return static_cast<Surface*>(surface); }

// The palette a surface's pixels are shown and converted with.
const PALETTEENTRY* Surface::Colors() const
{
    if (palette)
        return palette->entries;
    const Surface* chainFront = front ? front : this;
    if (chainFront->palette)
        return chainFront->palette->entries;
    if (owner)
        if (Surface* primary = owner->LivePrimary())
            if (primary->palette)
                return primary->palette->entries;
    return detail::SystemPalette();
}

// The platform's own reference, dropped without a call of the program's.
void ReleasePalette(Palette*& palette)
{
    if (palette && palette->refs > 0)
        palette->alive = --palette->refs > 0;
    palette = nullptr;
}

void Surface::Destroy()
{
    alive = false;
    if (context) {
        detail::Problem("surface " + detail::Object(this) + " released with its device context out");
        detail::DeleteSurfaceDC(context);
        context = nullptr;
    }
    ReleasePalette(palette);
    if (back)  // the chain goes with its front, palette and device context too
        back->Destroy();
}

void Surface::FillDescription(DDSURFACEDESC* description) const
{
    std::memset(description, 0, sizeof *description);
    description->dwSize = sizeof *description;
    description->dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PITCH | DDSD_PIXELFORMAT;
    description->dwWidth = (DWORD)width;
    description->dwHeight = (DWORD)height;
    description->lPitch = pitch;
    description->ddsCaps.dwCaps = caps;
    if (back) {
        description->dwFlags |= DDSD_BACKBUFFERCOUNT;
        description->dwBackBufferCount = 1;
    }
    DDPIXELFORMAT& format = description->ddpfPixelFormat;
    format.dwSize = sizeof format;
    format.dwRGBBitCount = (DWORD)bitsPerPixel;
    format.dwFlags = DDPF_RGB | (bitsPerPixel == 8 ? DDPF_PALETTEINDEXED8 : 0);
    if (bitsPerPixel == 16) {
        format.dwRBitMask = 0xF800, format.dwGBitMask = 0x07E0, format.dwBBitMask = 0x001F;
    } else if (bitsPerPixel > 16) {
        format.dwRBitMask = 0xFF0000, format.dwGBitMask = 0x00FF00, format.dwBBitMask = 0x0000FF;
    }
}

// The checks every drawing method makes first; DD_OK when it may go on.
HRESULT Surface::Usable(const char* method, uint32_t* scripted)
{
    if (Released(this, method))
        return DDERR_INVALIDOBJECT;
    if (detail::Scripted(method, this, scripted))
        return (HRESULT)*scripted;
    if (lost)
        return DDERR_SURFACELOST;
    return DD_OK;
}

bool InsideSurface(const RECT& rect, const Surface* surface)
{
    return rect.left >= 0 && rect.top >= 0 && rect.right <= surface->width &&
           rect.bottom <= surface->height && rect.left < rect.right && rect.top < rect.bottom;
}

RECT WholeSurface(const Surface* surface)
{
    RECT rect = {0, 0, surface->width, surface->height};
    return rect;
}

// One row of pixels, `step` source pixels (16.16 fixed point) per target pixel;
// pixels within the key range are left out.
template <typename Pixel>
void CopyRow(const uint8_t* from, uint8_t* to, int count, uint32_t step, bool keyed, uint32_t low,
             uint32_t high)
{
    const Pixel* source = reinterpret_cast<const Pixel*>(from);
    Pixel* target = reinterpret_cast<Pixel*>(to);
    uint32_t sx = 0;
    for (int x = 0; x < count; ++x, sx += step) {
        Pixel value = source[sx >> 16];
        if (!keyed || value < low || value > high)
            target[x] = value;
    }
}

struct Pixel24 {
    uint8_t bytes[3];
    operator uint32_t() const { return bytes[0] | bytes[1] << 8 | bytes[2] << 16; }
};

// A colour key as 8-bit pixels see it: the values from low to low + span are
// left out; a range that no byte value falls in leaves nothing out.
struct ByteKey {
    bool any = false;
    uint8_t low = 0, span = 0;
};

ByteKey ByteKeyOf(uint32_t low, uint32_t high)
{
    ByteKey key;
    if (low > 0xFF || low > high)
        return key;
    key.any = true;
    key.low = (uint8_t)low;
    key.span = (uint8_t)(std::min<uint32_t>(high, 0xFF) - low);
    return key;
}

#ifdef __SSE2__
// Sixteen pixels of `from` onto `to`, those in the key range left out.
inline void MergeSixteen(const uint8_t* from, uint8_t* to, __m128i low, __m128i span)
{
    __m128i value = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
    __m128i old = _mm_loadu_si128(reinterpret_cast<const __m128i*>(to));
    __m128i offset = _mm_sub_epi8(value, low);  // in the range exactly when offset <= span
    __m128i left = _mm_cmpeq_epi8(_mm_min_epu8(offset, span), offset);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_or_si128(_mm_and_si128(left, old), _mm_andnot_si128(left, value)));
}
#endif

#ifdef HOST_WIDE_MERGE
// Thirty-two at a time where the processor has AVX2; the same rule as
// MergeSixteen. Rows of fewer than thirty-two are left to the narrower path.
__attribute__((target("avx2"))) inline void MergeThirtyTwo(const uint8_t* from, uint8_t* to, uint8_t low,
                                                           uint8_t span)
{
    const __m256i lows = _mm256_set1_epi8((char)low), spans = _mm256_set1_epi8((char)span);
    __m256i value = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from));
    __m256i offset = _mm256_sub_epi8(value, lows);
    __m256i left = _mm256_cmpeq_epi8(_mm256_min_epu8(offset, spans), offset);
    __m256i old = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(to));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(to), _mm256_blendv_epi8(value, old, left));
}

__attribute__((target("avx2"))) bool MergeWideRow(const uint8_t* from, uint8_t* to, int count, ByteKey key)
{
    if (count < 32)
        return false;
    int x = 0;
    for (; x + 32 <= count; x += 32)
        MergeThirtyTwo(from + x, to + x, key.low, key.span);
    if (x < count)  // overlaps the last thirty-two merged, which is harmless
        MergeThirtyTwo(from + count - 32, to + count - 32, key.low, key.span);
    return true;
}

bool CanMergeWide() { return __builtin_cpu_supports("avx2"); }
#else
bool MergeWideRow(const uint8_t*, uint8_t*, int, ByteKey) { return false; }
bool CanMergeWide() { return false; }
#endif

// Copies a row of 8-bit pixels but those in the key range; sixteen or
// thirty-two at a time where the processor allows, with the same result as
// the plain loop after it.
void MergeKeyedRow(const uint8_t* from, uint8_t* to, int count, ByteKey key)
{
    if (CanMergeWide() && MergeWideRow(from, to, count, key))
        return;
    int x = 0;
#ifdef __SSE2__
    const __m128i low = _mm_set1_epi8((char)key.low), span = _mm_set1_epi8((char)key.span);
    for (; x + 16 <= count; x += 16)
        MergeSixteen(from + x, to + x, low, span);
    // Merging a pixel twice gives what merging it once did, so the last
    // sixteen may overlap the ones before them.
    if (x < count && count >= 16)
        MergeSixteen(from + count - 16, to + count - 16, low, span), x = count;
#endif
    for (; x < count; ++x)
        if ((uint8_t)(from[x] - key.low) > key.span)
            to[x] = from[x];
}

// Widest 8-bit row the fast path stretches through its buffer on the stack.
const int kWidestBufferedRow = 2048;

// Samples one row through the column table; eight pixels go out in one store
// where the byte order allows it.
void SampleRow(const uint8_t* row, const uint32_t* columns, uint8_t* sampled, int width)
{
    int x = 0;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    for (; x + 8 <= width; x += 8) {
        const uint32_t* c = columns + x;
        uint64_t eight = (uint64_t)row[c[0]] | (uint64_t)row[c[1]] << 8 | (uint64_t)row[c[2]] << 16 |
                         (uint64_t)row[c[3]] << 24 | (uint64_t)row[c[4]] << 32 | (uint64_t)row[c[5]] << 40 |
                         (uint64_t)row[c[6]] << 48 | (uint64_t)row[c[7]] << 56;
        std::memcpy(sampled + x, &eight, sizeof eight);
    }
#endif
    for (; x < width; ++x)
        sampled[x] = row[columns[x]];
}

// How to sample a row sixteen target pixels at a time with byte shuffles:
// each group of sixteen reads the same number of 16-byte source blocks, those
// its columns fall in (padded with blocks that give no lane), and each block
// gives the lanes whose column lies in it.
struct ShufflePlan {
    static const int kMostBlocks = 512;
    int groups = 0, blocksPerGroup = 0;
    uint32_t reach = 0;  // bytes from the row's start that the blocks read
    uint32_t offset[kMostBlocks];    // group g's blocks are g * blocksPerGroup onwards
    uint8_t lanes[kMostBlocks][16];  // the block's byte for each lane, 0x80 for none
};

// The 16-byte blocks from the group's first column to its last.
int BlocksOfGroup(const uint32_t* columns, int count)
{
    return (int)((columns[count - 1] - columns[0]) / 16 + 1);
}

// False when the row needs more blocks than the plan holds.
bool PlanShuffles(const uint32_t* columns, int width, ShufflePlan* plan)
{
    plan->groups = (width + 15) / 16;
    plan->blocksPerGroup = 0;
    for (int x = 0; x < width; x += 16)
        plan->blocksPerGroup = std::max(plan->blocksPerGroup, BlocksOfGroup(columns + x, std::min(16, width - x)));
    if (plan->groups * plan->blocksPerGroup > ShufflePlan::kMostBlocks)
        return false;
    plan->reach = 0;
    for (int g = 0; g < plan->groups; ++g) {
        const uint32_t* group = columns + 16 * g;
        int count = std::min(16, width - 16 * g);
        int blocks = BlocksOfGroup(group, count);
        for (int b = 0; b < plan->blocksPerGroup; ++b) {
            int k = g * plan->blocksPerGroup + b;
            // A padding block reads the group's last block again and gives nothing.
            uint32_t start = group[0] + 16 * (uint32_t)std::min(b, blocks - 1);
            std::memset(plan->lanes[k], 0x80, 16);
            for (int i = 0; i < count && b < blocks; ++i)
                if (group[i] - start < 16)
                    plan->lanes[k][i] = (uint8_t)(group[i] - start);
            plan->offset[k] = start;
            plan->reach = std::max(plan->reach, start + 16);
        }
    }
    return true;
}

#ifdef HOST_SHUFFLE_SAMPLING
// Blocks known at compile time for the usual groups (one or two while the
// logo is near full size), so the loop over them unrolls.
template <int kBlocks>
__attribute__((target("ssse3"))) void ShuffleGroups(const uint8_t* row, const ShufflePlan& plan, uint8_t* sampled)
{
    int blocks = kBlocks ? kBlocks : plan.blocksPerGroup;
    for (int g = 0, k = 0; g < plan.groups; ++g) {
        __m128i gathered = _mm_setzero_si128();
        for (int b = 0; b < blocks; ++b, ++k) {
            __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + plan.offset[k]));
            __m128i lanes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(plan.lanes[k]));
            gathered = _mm_or_si128(gathered, _mm_shuffle_epi8(block, lanes));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(sampled + 16 * g), gathered);
    }
}

void ShuffleRow(const uint8_t* row, const ShufflePlan& plan, uint8_t* sampled)
{
    if (plan.blocksPerGroup == 1)
        ShuffleGroups<1>(row, plan, sampled);
    else if (plan.blocksPerGroup == 2)
        ShuffleGroups<2>(row, plan, sampled);
    else
        ShuffleGroups<0>(row, plan, sampled);
}

bool CanShuffle() { return __builtin_cpu_supports("ssse3"); }
#else
void ShuffleRow(const uint8_t*, const ShufflePlan&, uint8_t*) {}
bool CanShuffle() { return false; }
#endif

// The 8-bit blits, which are all the intro makes: each target row is sampled
// into a buffer (once per source row: rows that repeat when stretching taller
// reuse it), then copied or merged past the key. Same pixels as CopyRow.
void CopyRows8(const uint8_t* read, size_t readSize, int readPitch, const RECT& from, uint8_t* target,
               int targetPitch, const RECT& to, uint32_t stepX, uint32_t stepY, ByteKey key)
{
    int width = to.right - to.left, height = to.bottom - to.top;
    const bool stretched = stepX != 1u << 16;  // rows of the same width are copied as they are
    uint8_t sampled[kWidestBufferedRow];
    uint32_t columns[kWidestBufferedRow];  // the source column of each target column
    uint32_t sx = 0;
    for (int x = 0; x < width && stretched; ++x, sx += stepX)
        columns[x] = sx >> 16;
    ShufflePlan plan;
    bool shuffle = stretched && CanShuffle() && PlanShuffles(columns, width, &plan);
    long sampledRow = -1;
    uint32_t sy = 0;
    for (int y = 0; y < height; ++y, sy += stepY) {
        long sourceRow = from.top + (sy >> 16);
        const uint8_t* row = read + (size_t)sourceRow * readPitch + from.left;
        uint8_t* out = target + (size_t)(to.top + y) * targetPitch + to.left;
        if (stretched) {
            // Blocks are read whole, so the last rows of a surface may need the plain loop.
            bool inside = (size_t)(row - read) + plan.reach <= readSize;
            if (sourceRow != sampledRow && shuffle && inside)
                ShuffleRow(row, plan, sampled);
            else if (sourceRow != sampledRow)
                SampleRow(row, columns, sampled, width);
            sampledRow = sourceRow;
            row = sampled;
        }
        if (key.any)
            MergeKeyedRow(row, out, width, key);
        else
            std::memcpy(out, row, (size_t)width);
    }
}

// Point sampling in 16.16 fixed point from the first source pixel, as Wine's
// blitter does it for 8-bit surfaces; one to one when the sizes agree.
HRESULT Surface::CopyFrom(Surface* source, const RECT& from, const RECT& to, bool keyed)
{
    if (source->bitsPerPixel != bitsPerPixel)
        return DDERR_UNSUPPORTED;
    int bytes = bitsPerPixel / 8;
    int sourceWidth = from.right - from.left, sourceHeight = from.bottom - from.top;
    int targetWidth = to.right - to.left, targetHeight = to.bottom - to.top;
    uint32_t stepX = ((uint32_t)sourceWidth << 16) / (uint32_t)targetWidth;
    uint32_t stepY = ((uint32_t)sourceHeight << 16) / (uint32_t)targetHeight;
    uint32_t low = source->sourceKey.dwColorSpaceLowValue, high = source->sourceKey.dwColorSpaceHighValue;
    std::vector<uint8_t> copy;  // a blit within one surface reads the picture as it was
    const std::vector<uint8_t>& read = source == this ? (copy = pixels) : source->pixels;
    if (bytes == 1 && targetWidth <= kWidestBufferedRow) {
        CopyRows8(read.data(), read.size(), source->pitch, from, pixels.data(), pitch, to, stepX, stepY,
                  keyed ? ByteKeyOf(low, high) : ByteKey());
        return DD_OK;
    }
    uint32_t sy = 0;
    for (int y = 0; y < targetHeight; ++y, sy += stepY) {
        const uint8_t* row = &read[(size_t)(from.top + (sy >> 16)) * source->pitch + (size_t)from.left * bytes];
        uint8_t* out = Row(to.top + y) + (size_t)to.left * bytes;
        if (!keyed && stepX == 1u << 16)
            std::memcpy(out, row, (size_t)targetWidth * bytes);
        else if (bytes == 1)
            CopyRow<uint8_t>(row, out, targetWidth, stepX, keyed, low, high);
        else if (bytes == 2)
            CopyRow<uint16_t>(row, out, targetWidth, stepX, keyed, low, high);
        else if (bytes == 3)
            CopyRow<Pixel24>(row, out, targetWidth, stepX, keyed, low, high);
        else
            CopyRow<uint32_t>(row, out, targetWidth, stepX, keyed, low, high);
    }
    return DD_OK;
}

ULONG Surface::AddRef()
{
    if (Released(this, "IDirectDrawSurface::AddRef"))
        return 0;
    return (ULONG)Log("IDirectDrawSurface::AddRef", this, [] { return std::string(); }, ++refs);
}

ULONG Surface::Release()
{
    if (Released(this, "IDirectDrawSurface::Release"))
        return 0;
    if (refs > 0)
        --refs;
    if (refs == 0 && !front)  // a back buffer lives as long as its chain
        Destroy();
    return (ULONG)Log("IDirectDrawSurface::Release", this, [] { return std::string(); }, refs);
}

// What Blt and BltFast check of the source and the two surfaces once their own
// arguments are right; the copy when all is well.
HRESULT Surface::BlitFrom(Surface* source, const RECT& from, const RECT& to, bool keyed, const char* what)
{
    if (Released(source, what))
        return DDERR_INVALIDOBJECT;
    if (source->lost)
        return DDERR_SURFACELOST;
    if (locked || context || source->locked || source->context)
        return DDERR_SURFACEBUSY;
    if (!InsideSurface(to, this) || !InsideSurface(from, source))
        return DDERR_INVALIDRECT;
    return CopyFrom(source, from, to, keyed && source->hasSourceKey);
}

HRESULT Surface::Blt(LPRECT target, LPDIRECTDRAWSURFACE sourceSurface, LPRECT sourceRect, DWORD flags,
                     LPDDBLTFX effects)
{
    Surface* source = AsSurface(sourceSurface);
    auto args = [&] {
        return Join(detail::Rect(target), detail::Object(source), detail::Rect(sourceRect), Hex(flags),
                    effects ? "fx(" + Num(effects->dwSize) + ")" : std::string("null"));
    };
    uint32_t code;
    HRESULT result = Usable("IDirectDrawSurface::Blt", &code);
    if (result == DD_OK) {
        RECT to = target ? *target : WholeSurface(this);
        RECT from = sourceRect && source ? *sourceRect : (source ? WholeSurface(source) : RECT());
        if (!source || (flags & ~(DDBLT_KEYSRC | DDBLT_WAIT)) || (effects && effects->dwSize != sizeof *effects))
            result = DDERR_INVALIDPARAMS;
        else
            result = BlitFrom(source, from, to, flags & DDBLT_KEYSRC, "IDirectDrawSurface::Blt source");
    }
    return (HRESULT)Log("IDirectDrawSurface::Blt", this, args, (uint32_t)result);
}

HRESULT Surface::BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE sourceSurface, LPRECT sourceRect,
                         DWORD flags)
{
    Surface* source = AsSurface(sourceSurface);
    auto args = [&] {
        return Join(Num(x), Num(y), detail::Object(source), detail::Rect(sourceRect), Hex(flags));
    };
    uint32_t code;
    HRESULT result = Usable("IDirectDrawSurface::BltFast", &code);
    if (result == DD_OK) {
        RECT from = sourceRect && source ? *sourceRect : (source ? WholeSurface(source) : RECT());
        RECT to = {(LONG)x, (LONG)y, (LONG)x + (from.right - from.left), (LONG)y + (from.bottom - from.top)};
        if (!source || (flags & ~(DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT)) || x > 0xFFFF || y > 0xFFFF)
            result = DDERR_INVALIDPARAMS;
        else
            result = BlitFrom(source, from, to, flags & DDBLTFAST_SRCCOLORKEY, "IDirectDrawSurface::BltFast source");
    }
    return (HRESULT)Log("IDirectDrawSurface::BltFast", this, args, (uint32_t)result);
}

HRESULT Surface::Flip(LPDIRECTDRAWSURFACE target, DWORD flags)
{
    auto args = [&] { return Join(detail::Object(target), Hex(flags)); };
    uint32_t code;
    HRESULT result = Usable("IDirectDrawSurface::Flip", &code);
    if (result == DD_OK) {
        if (!back)
            result = DDERR_NOTFLIPPABLE;
        else if (target && target != back)
            result = DDERR_INVALIDPARAMS;
        else if (back->lost)
            result = DDERR_SURFACELOST;
        else if (locked || context || back->locked || back->context)
            result = DDERR_SURFACEBUSY;
        else
            std::swap(pixels, back->pixels);
    }
    Log("IDirectDrawSurface::Flip", this, args, (uint32_t)result);
    if (result == DD_OK) {
        display().flips += 1;
        if (display().flipHook)
            display().flipHook();
    }
    return result;
}

HRESULT Surface::GetAttachedSurface(LPDDSCAPS wanted, LPDIRECTDRAWSURFACE* attached)
{
    auto args = [&] { return wanted ? Hex(wanted->dwCaps) : std::string("null"); };
    uint32_t code;
    HRESULT result = DD_OK;
    if (Released(this, "IDirectDrawSurface::GetAttachedSurface"))
        result = DDERR_INVALIDOBJECT;
    else if (detail::Scripted("IDirectDrawSurface::GetAttachedSurface", this, &code))
        result = (HRESULT)code;
    else if (!wanted || !attached)
        result = DDERR_INVALIDPARAMS;
    else if (!back || !(wanted->dwCaps & DDSCAPS_BACKBUFFER))
        result = DDERR_NOTFOUND;
    if (result == DD_OK) {
        ++back->refs;  // handed out with a reference of its own
        *attached = back;
    }
    return (HRESULT)Log("IDirectDrawSurface::GetAttachedSurface", this, args, (uint32_t)result);
}

HRESULT Surface::GetDC(HDC* out)
{
    uint32_t code;
    HRESULT result = Usable("IDirectDrawSurface::GetDC", &code);
    if (result == DD_OK && !out)
        result = DDERR_INVALIDPARAMS;
    else if (result == DD_OK && context)
        result = DDERR_DCALREADYCREATED;
    else if (result == DD_OK && locked)
        result = DDERR_SURFACEBUSY;
    if (result == DD_OK)
        *out = context = detail::CreateSurfaceDC(this);
    return (HRESULT)Log("IDirectDrawSurface::GetDC", this, [] { return std::string(); }, (uint32_t)result);
}

HRESULT Surface::GetSurfaceDesc(LPDDSURFACEDESC description)
{
    uint32_t code;
    HRESULT result = DD_OK;
    if (Released(this, "IDirectDrawSurface::GetSurfaceDesc"))
        result = DDERR_INVALIDOBJECT;
    else if (detail::Scripted("IDirectDrawSurface::GetSurfaceDesc", this, &code))
        result = (HRESULT)code;
    else if (!description || description->dwSize != sizeof *description)
        result = DDERR_INVALIDPARAMS;
    else
        FillDescription(description);
    return (HRESULT)Log("IDirectDrawSurface::GetSurfaceDesc", this, [] { return std::string(); },
                        (uint32_t)result);
}

HRESULT Surface::Lock(LPRECT rect, LPDDSURFACEDESC description, DWORD flags, HANDLE event)
{
    auto args = [&] { return Join(detail::Rect(rect), Hex(flags), detail::Object(event)); };
    uint32_t code;
    HRESULT result = Usable("IDirectDrawSurface::Lock", &code);
    if (result == DD_OK) {
        if (!description || description->dwSize != sizeof *description || (rect && !InsideSurface(*rect, this)))
            result = DDERR_INVALIDPARAMS;
        else if (context) {
            detail::Problem("Lock of " + detail::Object(this) + " while its device context is out");
            result = DDERR_SURFACEBUSY;
        } else if (locked)
            result = DDERR_SURFACEBUSY;
    }
    if (result == DD_OK) {
        FillDescription(description);
        description->dwFlags |= DDSD_LPSURFACE;
        size_t offset = rect ? (size_t)rect->top * pitch + (size_t)rect->left * (bitsPerPixel / 8) : 0;
        description->lpSurface = pixels.data() + offset;
        locked = true;
    }
    return (HRESULT)Log("IDirectDrawSurface::Lock", this, args, (uint32_t)result);
}

HRESULT Surface::ReleaseDC(HDC given)
{
    HRESULT result = DD_OK;
    if (Released(this, "IDirectDrawSurface::ReleaseDC"))
        result = DDERR_INVALIDOBJECT;
    else if (!context || given != context)
        result = DDERR_NODC;
    else {
        detail::DeleteSurfaceDC(context);
        context = nullptr;
        uint32_t code;
        if (detail::Scripted("IDirectDrawSurface::ReleaseDC", this, &code))  // an answer only
            result = (HRESULT)code;
    }
    return (HRESULT)Log("IDirectDrawSurface::ReleaseDC", this, [&] { return detail::Object(given); },
                        (uint32_t)result);
}

// Memory comes back, pictures do not: a restored surface holds garbage.
void RefillWithGarbage(Surface* surface)
{
    for (size_t i = 0; i < surface->pixels.size(); ++i)
        surface->pixels[i] = (uint8_t)(0xA5 ^ (i * 7));
    surface->lost = false;
}

HRESULT Surface::Restore()
{
    uint32_t code;
    HRESULT result = DD_OK;
    if (Released(this, "IDirectDrawSurface::Restore"))
        result = DDERR_INVALIDOBJECT;
    else if (detail::Scripted("IDirectDrawSurface::Restore", this, &code))
        result = (HRESULT)code;
    else if (lost && !display().restoreAllowed)
        result = DDERR_WRONGMODE;
    else if (lost) {
        RefillWithGarbage(this);
        if (back)
            RefillWithGarbage(back);
    }
    return (HRESULT)Log("IDirectDrawSurface::Restore", this, [] { return std::string(); }, (uint32_t)result);
}

HRESULT Surface::SetColorKey(DWORD flags, LPDDCOLORKEY key)
{
    auto args = [&] {
        return key ? Join(Hex(flags), Hex(key->dwColorSpaceLowValue), Hex(key->dwColorSpaceHighValue))
                   : Join(Hex(flags), std::string("null"));
    };
    uint32_t code;
    HRESULT result = DD_OK;
    if (Released(this, "IDirectDrawSurface::SetColorKey"))
        result = DDERR_INVALIDOBJECT;
    else if (detail::Scripted("IDirectDrawSurface::SetColorKey", this, &code))
        result = (HRESULT)code;
    else if (!(flags & DDCKEY_SRCBLT))
        result = DDERR_INVALIDPARAMS;
    else {
        hasSourceKey = key != nullptr;
        if (key)
            sourceKey = *key;
    }
    return (HRESULT)Log("IDirectDrawSurface::SetColorKey", this, args, (uint32_t)result);
}

HRESULT Surface::SetPalette(LPDIRECTDRAWPALETTE given)
{
    Palette* newPalette = static_cast<Palette*>(given);
    uint32_t code;
    HRESULT result = DD_OK;
    if (Released(this, "IDirectDrawSurface::SetPalette"))
        result = DDERR_INVALIDOBJECT;
    else if (detail::Scripted("IDirectDrawSurface::SetPalette", this, &code))
        result = (HRESULT)code;
    else if (bitsPerPixel != 8)
        result = DDERR_UNSUPPORTED;
    else if (newPalette && Released(newPalette, "IDirectDrawSurface::SetPalette palette"))
        result = DDERR_INVALIDOBJECT;
    else {
        if (newPalette)
            newPalette->refs += 1;  // the surface holds the palette it shows
        ReleasePalette(palette);
        palette = newPalette;
    }
    return (HRESULT)Log("IDirectDrawSurface::SetPalette", this, [&] { return detail::Object(given); },
                        (uint32_t)result);
}

HRESULT Surface::Unlock(LPVOID given)
{
    HRESULT result = DD_OK;
    if (Released(this, "IDirectDrawSurface::Unlock"))
        result = DDERR_INVALIDOBJECT;
    else if (!locked)
        result = DDERR_NOTLOCKED;
    else {
        locked = false;
        uint32_t code;
        if (detail::Scripted("IDirectDrawSurface::Unlock", this, &code))  // an answer only
            result = (HRESULT)code;
    }
    return (HRESULT)Log("IDirectDrawSurface::Unlock", this, [&] { return detail::Object(given); },
                        (uint32_t)result);
}

ULONG DirectDraw::Release()
{
    if (Released(this, "IDirectDraw::Release"))
        return 0;
    ULONG left = --refs;
    if (left == 0) {
        alive = false;
        // The object takes its surfaces along and gives the desktop its mode back.
        for (auto& surface : surfaces)
            if (surface->alive && !surface->front) {
                detail::Problem("DirectDraw object released while " + detail::Object(surface.get()) +
                                " was still held");
                surface->Destroy();
            }
        if (modeWidth)
            SetScreenSize(desktopWidth, desktopHeight);
        modeWidth = modeHeight = modeBits = 0;
        level = 0;
    }
    return (ULONG)Log("IDirectDraw::Release", this, [] { return std::string(); }, left);
}

HRESULT DirectDraw::CreatePalette(DWORD flags, LPPALETTEENTRY entries, LPDIRECTDRAWPALETTE* out,
                                  IUnknown* outer)
{
    auto args = [&] { return Join(Hex(flags), detail::Object(outer)); };
    uint32_t code;
    HRESULT result = DD_OK;
    if (entries)  // kept even when the call fails, so a test sees what was asked for
        display().lastPaletteTable.assign(entries, entries + 256);
    if (Released(this, "IDirectDraw::CreatePalette"))
        result = DDERR_INVALIDOBJECT;
    else if (detail::Scripted("IDirectDraw::CreatePalette", this, &code))
        result = (HRESULT)code;
    else if (outer)
        result = CLASS_E_NOAGGREGATION;
    else if (!entries || !out)
        result = DDERR_INVALIDPARAMS;
    else if (!(flags & DDPCAPS_8BIT))
        result = DDERR_UNSUPPORTED;
    if (result != DD_OK)
        return (HRESULT)Log("IDirectDraw::CreatePalette", this, args, (uint32_t)result);
    display().palettes.push_back(std::make_unique<Palette>());
    Palette* palette = display().palettes.back().get();
    std::memcpy(palette->entries, entries, sizeof palette->entries);
    if (!(flags & DDPCAPS_ALLOW256)) {  // the platform keeps black at 0 and white at 255
        palette->entries[0] = PALETTEENTRY{0, 0, 0, 0};
        palette->entries[255] = PALETTEENTRY{255, 255, 255, 0};
    }
    Label(palette, "palette");
    *out = palette;
    return (HRESULT)Log("IDirectDraw::CreatePalette", this, args, DD_OK);
}

HRESULT DirectDraw::CreateSurface(LPDDSURFACEDESC description, LPDIRECTDRAWSURFACE* out, IUnknown* outer)
{
    auto args = [&] {
        if (!description)
            return std::string("null");
        return Join("flags " + Hex(description->dwFlags), "caps " + Hex(description->ddsCaps.dwCaps),
                    Num(description->dwWidth) + "x" + Num(description->dwHeight),
                    "back " + Num(description->dwBackBufferCount), detail::Object(outer));
    };
    uint32_t code;
    HRESULT result = DD_OK;
    if (Released(this, "IDirectDraw::CreateSurface"))
        result = DDERR_INVALIDOBJECT;
    else if (detail::Scripted("IDirectDraw::CreateSurface", this, &code))
        result = (HRESULT)code;
    else if (outer)
        result = CLASS_E_NOAGGREGATION;
    else if (!out || !description || description->dwSize != sizeof *description ||
             !(description->dwFlags & DDSD_CAPS))
        result = DDERR_INVALIDPARAMS;
    if (result != DD_OK)
        return (HRESULT)Log("IDirectDraw::CreateSurface", this, args, (uint32_t)result);

    auto surface = std::make_unique<Surface>();
    surface->owner = this;
    surface->caps = description->ddsCaps.dwCaps;
    bool primary = surface->Primary();
    bool flipping = primary && (surface->caps & DDSCAPS_FLIP);
    if (primary) {
        if (!level)
            result = DDERR_NOCOOPERATIVELEVELSET;
        else if (LivePrimary())
            result = DDERR_PRIMARYSURFACEALREADYEXISTS;
        else if (description->dwFlags & (DDSD_WIDTH | DDSD_HEIGHT))
            result = DDERR_INVALIDPARAMS;
        else if (flipping && (!(surface->caps & DDSCAPS_COMPLEX) ||
                              !(description->dwFlags & DDSD_BACKBUFFERCOUNT) ||
                              description->dwBackBufferCount != 1))
            result = DDERR_INVALIDPARAMS;
        else if (flipping && !Exclusive())
            result = DDERR_NOEXCLUSIVEMODE;
        surface->width = modeWidth ? modeWidth : detail::ScreenWidth();
        surface->height = modeHeight ? modeHeight : detail::ScreenHeight();
        surface->bitsPerPixel = modeBits ? modeBits : 32;
    } else {
        bool sized = (description->dwFlags & DDSD_WIDTH) && (description->dwFlags & DDSD_HEIGHT);
        surface->width = (int)description->dwWidth;
        surface->height = (int)description->dwHeight;
        surface->bitsPerPixel = modeBits ? modeBits : 32;
        if (description->dwFlags & DDSD_PIXELFORMAT)
            surface->bitsPerPixel = (int)description->ddpfPixelFormat.dwRGBBitCount;
        int bits = surface->bitsPerPixel;
        if (!sized || description->dwWidth == 0 || description->dwHeight == 0 ||
            (bits != 8 && bits != 16 && bits != 24 && bits != 32))
            result = DDERR_INVALIDPARAMS;
        else if ((uint64_t)description->dwWidth * description->dwHeight > (1u << 26))
            result = DDERR_OUTOFMEMORY;
    }
    if (result != DD_OK)
        return (HRESULT)Log("IDirectDraw::CreateSurface", this, args, (uint32_t)result);

    surface->pitch = (surface->width * (surface->bitsPerPixel / 8) + 3) & ~3;
    surface->pixels.assign((size_t)surface->pitch * surface->height, 0);
    Surface* made = surface.get();
    surfaces.push_back(std::move(surface));
    Label(made, primary ? "primary" : "surface" + Num(++display().surfacesMade));
    if (flipping) {
        auto back = std::make_unique<Surface>(*made);
        back->caps = (made->caps & ~(DDSCAPS_PRIMARYSURFACE | DDSCAPS_FRONTBUFFER)) | DDSCAPS_BACKBUFFER;
        back->front = made;
        back->refs = 0;  // only the references handed out count
        made->caps |= DDSCAPS_FRONTBUFFER;
        made->back = back.get();
        Label(back.get(), "backbuffer");
        surfaces.push_back(std::move(back));
    }
    *out = made;
    return (HRESULT)Log("IDirectDraw::CreateSurface", this, args, DD_OK);
}

HRESULT DirectDraw::SetCooperativeLevel(HWND given, DWORD flags)
{
    auto args = [&] { return Join(detail::Object(given), Hex(flags)); };
    uint32_t code;
    HRESULT result = DD_OK;
    if (Released(this, "IDirectDraw::SetCooperativeLevel"))
        result = DDERR_INVALIDOBJECT;
    else if (detail::Scripted("IDirectDraw::SetCooperativeLevel", this, &code))
        result = (HRESULT)code;
    else if (((flags & DDSCL_FULLSCREEN) != 0) != ((flags & DDSCL_EXCLUSIVE) != 0))
        result = DDERR_INVALIDPARAMS;
    else if ((flags & DDSCL_EXCLUSIVE) && !WindowAlive(given))
        result = DDERR_INVALIDPARAMS;
    else {
        window = given;
        level = flags;
    }
    return (HRESULT)Log("IDirectDraw::SetCooperativeLevel", this, args, (uint32_t)result);
}

HRESULT DirectDraw::SetDisplayMode(DWORD width, DWORD height, DWORD bpp)
{
    auto args = [&] { return Join(Num(width), Num(height), Num(bpp)); };
    uint32_t code;
    HRESULT result = DD_OK;
    std::vector<int> wanted = {(int)width, (int)height, (int)bpp};
    const auto& modes = display().modes;
    if (Released(this, "IDirectDraw::SetDisplayMode"))
        result = DDERR_INVALIDOBJECT;
    else if (detail::Scripted("IDirectDraw::SetDisplayMode", this, &code))
        result = (HRESULT)code;
    else if (std::find(modes.begin(), modes.end(), wanted) == modes.end())
        result = DDERR_INVALIDMODE;
    else {
        if (!modeWidth) {
            desktopWidth = detail::ScreenWidth();
            desktopHeight = detail::ScreenHeight();
        }
        modeWidth = (int)width;
        modeHeight = (int)height;
        modeBits = (int)bpp;
        SetScreenSize((int)width, (int)height);
    }
    return (HRESULT)Log("IDirectDraw::SetDisplayMode", this, args, (uint32_t)result);
}

// The surfaces of every DirectDraw object, live or not.
template <typename Visit>
void ForEachSurface(Visit visit)
{
    for (auto& directDraw : display().directDraws)
        for (auto& surface : directDraw->surfaces)
            visit(*surface);
}

DirectDraw* CurrentDirectDraw()
{
    for (auto& directDraw : display().directDraws)
        if (directDraw->alive)
            return directDraw.get();
    return nullptr;
}

}  // namespace

// ---- Controls ----------------------------------------------------------------
void SetDisplayModes(const std::vector<std::vector<int>>& modes) { display().modes = modes; }

void LoseSurfaces()
{
    ForEachSurface([](Surface& surface) {
        if (surface.alive)
            surface.lost = surface.lost || surface.CanBeLost();
    });
}

Picture Screen()
{
    Picture picture;
    DirectDraw* directDraw = CurrentDirectDraw();
    Surface* primary = directDraw ? directDraw->LivePrimary() : nullptr;
    if (!primary || primary->bitsPerPixel != 8)
        return picture;
    picture.width = primary->width;
    picture.height = primary->height;
    picture.pixels.resize((size_t)primary->width * primary->height);
    for (int y = 0; y < primary->height; ++y)
        std::memcpy(&picture.pixels[(size_t)y * primary->width], primary->Row(y), primary->width);
    const PALETTEENTRY* colors = primary->Colors();
    picture.palette.assign(colors, colors + 256);
    return picture;
}

void SetFlipHook(std::function<void()> hook) { display().flipHook = std::move(hook); }
int FlipCount() { return display().flips; }

SurfacePixels ReadSurface(LPDIRECTDRAWSURFACE given)
{
    Surface* surface = AsSurface(given);
    SurfacePixels read;
    read.width = surface->width;
    read.height = surface->height;
    read.bitsPerPixel = surface->bitsPerPixel;
    read.pitch = surface->pitch;
    read.bytes = surface->pixels;
    return read;
}

void WriteSurface(LPDIRECTDRAWSURFACE given, const std::vector<uint8_t>& bytes)
{
    Surface* surface = AsSurface(given);
    std::copy_n(bytes.begin(), std::min(bytes.size(), surface->pixels.size()), surface->pixels.begin());
}

bool SurfaceLost(LPDIRECTDRAWSURFACE surface) { return AsSurface(surface)->lost; }

bool HasSourceColorKey(LPDIRECTDRAWSURFACE given, DDCOLORKEY* key)
{
    Surface* surface = AsSurface(given);
    if (surface->hasSourceKey && key)
        *key = surface->sourceKey;
    return surface->hasSourceKey;
}

LPDIRECTDRAWPALETTE PaletteOf(LPDIRECTDRAWSURFACE surface) { return AsSurface(surface)->palette; }
std::vector<PALETTEENTRY> LastPaletteTable() { return display().lastPaletteTable; }

std::vector<std::vector<PALETTEENTRY>> PalettesMade()
{
    std::vector<std::vector<PALETTEENTRY>> made;
    for (const auto& palette : display().palettes)
        made.emplace_back(palette->entries, palette->entries + 256);
    return made;
}

DWORD DisplayBitsPerPixel()
{
    DirectDraw* directDraw = CurrentDirectDraw();
    return directDraw ? (DWORD)directDraw->modeBits : 0;
}

bool DisplayExclusive()
{
    DirectDraw* directDraw = CurrentDirectDraw();
    return directDraw && directDraw->Exclusive();
}

Live LiveObjects()
{
    Live live;
    for (auto& directDraw : display().directDraws)
        live.directDraws += directDraw->alive;
    ForEachSurface([&](Surface& surface) {
        bool alive = surface.alive && !surface.front;
        live.surfaces += alive;
        live.locks += alive && surface.locked;
        live.surfaceDCs += alive && surface.context != nullptr;
    });
    for (auto& palette : display().palettes)
        live.palettes += palette->alive;
    live.deviceContexts = detail::LiveDeviceContexts();
    live.bitmaps = detail::LiveBitmaps();
    live.files = detail::LiveFiles();
    return live;
}

namespace detail {

void ResetDirectDraw() { display() = Display(); }

void SurfaceLossOnDeactivate()
{
    if (DisplayExclusive())
        LoseSurfaces();
}

void SurfaceRestoreAllowed(bool allowed) { display().restoreAllowed = allowed; }

}  // namespace detail
}  // namespace host

using namespace host;

HRESULT DirectDrawCreate(void* driver, LPDIRECTDRAW* out, IUnknown* outer)
{
    auto args = [&] { return Join(detail::Object(driver), detail::Object(outer)); };
    uint32_t code;
    HRESULT result = DD_OK;
    if (detail::Scripted("DirectDrawCreate", nullptr, &code))
        result = (HRESULT)code;
    else if (outer)
        result = CLASS_E_NOAGGREGATION;
    else if (!out)
        result = DDERR_INVALIDPARAMS;
    if (result == DD_OK) {
        display().directDraws.push_back(std::make_unique<DirectDraw>());
        *out = display().directDraws.back().get();
        Label(*out, "ddraw");
    }
    return (HRESULT)Log("DirectDrawCreate", nullptr, args, (uint32_t)result);
}
