// What the bitmap utilities' tests share: a new machine with a DirectDraw
// object and a folder for bitmap files, and readers of surface pixels. What a
// test made is given back at its end, before the check that nothing is left.
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
#include "host/host.h"
#include "testkit/dib_bytes.h"
#include "tests/support/test_support.h"

class BitmapTest : public HostTest {
protected:
    void SetUp() override
    {
        HostTest::SetUp();
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
        std::filesystem::remove_all(folder);
        HostTest::TearDown();
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
