// What the bitmap utilities' tests share: a new machine with a DirectDraw
// object and a folder for bitmap files, readers of surface pixels, and the
// check that nothing taken inside one call outlives it.
#ifndef INTRO_TESTS_BITMAP_TEST_SUPPORT_H
#define INTRO_TESTS_BITMAP_TEST_SUPPORT_H

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bitmap/bitmap.h"
#include "testkit/dib_bytes.h"
#include "host/host.h"

class BitmapTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        host::Reset();
        ASSERT_EQ(DirectDrawCreate(NULL, &directDraw, NULL), DD_OK);
        std::string pattern = ::testing::TempDir() + "bitmap-test-XXXXXX";
        ASSERT_NE(mkdtemp(&pattern[0]), nullptr);
        folder = pattern;
    }

    void TearDown() override
    {
        for (LPDIRECTDRAWSURFACE surface : surfaces)
            surface->Release();
        directDraw->Release();
        host::Live live = host::LiveObjects();
        EXPECT_EQ(live.bitmaps, 0) << "a bitmap was not deleted";
        EXPECT_EQ(live.deviceContexts, 0) << "a memory device context was not deleted";
        EXPECT_EQ(live.surfaceDCs, 0) << "a surface's device context was not given back";
        EXPECT_EQ(live.locks, 0) << "a surface was left locked";
        EXPECT_EQ(live.files, 0) << "a file was left open";
        EXPECT_TRUE(host::Problems().empty()) << "first problem: " << host::Problems().front();
        std::filesystem::remove_all(folder);
    }

    // A file in the test's folder; its full path.
    std::string WriteFile(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        std::string path = folder + "/" + name;
        std::ofstream(path, std::ios::binary).write((const char*)bytes.data(), (std::streamsize)bytes.size());
        return path;
    }

    // A surface the test owns until its end; `bits` 0 for the display's format.
    LPDIRECTDRAWSURFACE MakeSurface(int width, int height, int bits = 0)
    {
        DDSURFACEDESC description = {};
        description.dwSize = sizeof description;
        description.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | (bits ? DDSD_PIXELFORMAT : 0);
        description.dwWidth = (DWORD)width;
        description.dwHeight = (DWORD)height;
        description.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
        description.ddpfPixelFormat.dwSize = sizeof description.ddpfPixelFormat;
        description.ddpfPixelFormat.dwRGBBitCount = (DWORD)bits;
        LPDIRECTDRAWSURFACE surface = NULL;
        EXPECT_EQ(directDraw->CreateSurface(&description, &surface, NULL), DD_OK);
        Keep(surface);
        return surface;
    }

    // A surface made by the code under test, released at the test's end.
    LPDIRECTDRAWSURFACE Keep(LPDIRECTDRAWSURFACE surface)
    {
        if (surface)
            surfaces.push_back(surface);
        return surface;
    }

    LPDIRECTDRAW directDraw = NULL;
    std::string folder;

private:
    std::vector<LPDIRECTDRAWSURFACE> surfaces;
};

// The raw value of pixel (x, y) of a surface of any depth.
inline uint32_t PixelAt(const host::SurfacePixels& pixels, int x, int y)
{
    uint32_t value = 0;
    std::memcpy(&value, &pixels.bytes[(size_t)y * pixels.pitch + (size_t)x * (pixels.bitsPerPixel / 8)],
                pixels.bitsPerPixel / 8);
    return value;
}

// How a colour lies in a 32-bit surface: 0x00RRGGBB.
inline uint32_t Rgb32(const dib::Color& color)
{
    return (uint32_t)color.red << 16 | (uint32_t)color.green << 8 | color.blue;
}

#endif
