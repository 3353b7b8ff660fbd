// LoadBitmapSurface, ReloadBitmapSurface and CopyBitmapToSurface: where the
// bitmap comes from, what lands in the surface, and that the bitmap and the
// device contexts are given back on every road.
#include "tests/bitmap_test_support.h"

namespace {

// A 6x4 picture of 24 bits: on a 32-bit surface every pixel's colour is exact.
dib::Shape DirectShape(int width = 6, int height = 4)
{
    dib::Shape shape;
    shape.bitCount = 24;
    shape.width = width;
    shape.height = height;
    return shape;
}

// Whether a 32-bit surface holds the picture one to one, starting at (x0, y0) of it.
std::string PictureDifference(LPDIRECTDRAWSURFACE surface, const dib::Shape& shape, int x0 = 0, int y0 = 0)
{
    host::SurfacePixels pixels = host::ReadSurface(surface);
    for (int y = 0; y < pixels.height; ++y)
        for (int x = 0; x < pixels.width; ++x)
            if (PixelAt(pixels, x, y) != Rgb32(dib::DirectColor(shape, x + x0, y + y0)))
                return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") differs";
    return "";
}

using SurfaceTest = BitmapTest;

TEST_F(SurfaceTest, TheSheetBecomesA320By1728SurfaceWithRowZeroAtTheTop)
{
    // As at start-up: an 8-bit display whose primary shows the sheet's palette.
    host::AddBitmapResourceFromFile("ALL", ProjectSheet());
    ASSERT_EQ(directDraw->SetDisplayMode(320, 240, 8), DD_OK);
    ASSERT_EQ(directDraw->SetCooperativeLevel(NULL, DDSCL_NORMAL), DD_OK);
    DDSURFACEDESC description = {};
    description.dwSize = sizeof description;
    description.dwFlags = DDSD_CAPS;
    description.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    LPDIRECTDRAWSURFACE primary = NULL;
    ASSERT_EQ(directDraw->CreateSurface(&description, &primary, NULL), DD_OK);
    Keep(primary);
    LPDIRECTDRAWPALETTE palette = LoadPaletteFromBitmap(directDraw, "ALL");
    ASSERT_EQ(primary->SetPalette(palette), DD_OK);
    palette->Release();
    host::ClearCalls();

    LPDIRECTDRAWSURFACE sheet = Keep(LoadBitmapSurface(directDraw, "ALL", 0, 0));
    ASSERT_NE(sheet, nullptr);
    host::SurfacePixels pixels = host::ReadSurface(sheet);
    ASSERT_EQ(pixels.width, 320);
    ASSERT_EQ(pixels.height, 1728);
    ASSERT_EQ(pixels.bitsPerPixel, 8);
    const std::vector<uint8_t>& file = ProjectSheet();
    uint32_t pixelsAt = file[10] | file[11] << 8 | file[12] << 16 | (uint32_t)file[13] << 24;
    for (int y = 0; y < 1728; ++y)  // the file stores the bottom row first
        ASSERT_EQ(std::memcmp(&pixels.bytes[(size_t)y * pixels.pitch], &file[pixelsAt + (size_t)(1727 - y) * 320], 320), 0)
            << "sheet row " << y;
    EXPECT_EQ(ArgsOf("IDirectDraw::CreateSurface"),
              std::vector<std::string>{"flags 0x7, caps 0x40, 320x1728, back 0, null"});
    EXPECT_EQ(ArgsOf("LoadImageA"), std::vector<std::string>{"0x400000, \"ALL\", 0, 0, 0, 0x2000"});
    EXPECT_TRUE(host::OpenedFiles().empty());
}

TEST_F(SurfaceTest, TheResourceIsTriedFirstThenTheFile)
{
    dib::Shape resourceShape = DirectShape(5, 3), fileShape = DirectShape(7, 2);
    std::string both = WriteFile("both.bmp", dib::File(fileShape));
    std::string fileOnly = WriteFile("file.bmp", dib::File(fileShape));
    host::AddResource(RT_BITMAP, both.c_str(), dib::Packed(resourceShape));

    LPDIRECTDRAWSURFACE fromResource = Keep(LoadBitmapSurface(directDraw, both.c_str(), 0, 0));
    ASSERT_NE(fromResource, nullptr);
    EXPECT_EQ(PictureDifference(fromResource, resourceShape), "");
    EXPECT_EQ(host::ReadSurface(fromResource).width, 5);
    EXPECT_TRUE(host::OpenedFiles().empty());

    host::ClearCalls();
    LPDIRECTDRAWSURFACE fromFile = Keep(LoadBitmapSurface(directDraw, fileOnly.c_str(), 0, 0));
    ASSERT_NE(fromFile, nullptr);
    EXPECT_EQ(PictureDifference(fromFile, fileShape), "");
    EXPECT_EQ(ArgsOf("LoadImageA"), (std::vector<std::string>{
                                        "0x400000, \"" + fileOnly + "\", 0, 0, 0, 0x2000",
                                        "null, \"" + fileOnly + "\", 0, 0, 0, 0x2010"}));
}

TEST_F(SurfaceTest, TheAskedSizeReachesOnlyTheLoaderAndTheSurfaceTakesWhatItDelivers)
{
    std::string path = WriteFile("picture.bmp", dib::File(DirectShape()));
    LPDIRECTDRAWSURFACE surface = Keep(LoadBitmapSurface(directDraw, path.c_str(), 9, 5));
    ASSERT_NE(surface, nullptr);
    host::SurfacePixels pixels = host::ReadSurface(surface);
    EXPECT_EQ(pixels.width, 9);
    EXPECT_EQ(pixels.height, 5);
    std::vector<std::string> loads = ArgsOf("LoadImageA");
    ASSERT_EQ(loads.size(), 2u);
    EXPECT_NE(loads[0].find(", 0, 9, 5, 0x2000"), std::string::npos) << loads[0];
    EXPECT_NE(loads[1].find(", 0, 9, 5, 0x2010"), std::string::npos) << loads[1];
}

TEST_F(SurfaceTest, NoBitmapOfThatNameGivesNoSurfaceAndReloadSaysSo)
{
    std::string missing = folder + "/missing.bmp";
    EXPECT_EQ(LoadBitmapSurface(directDraw, missing.c_str(), 0, 0), nullptr);
    EXPECT_EQ(CountOf("IDirectDraw::CreateSurface"), 0u);
    EXPECT_TRUE(host::DebugOutput().empty());

    LPDIRECTDRAWSURFACE surface = MakeSurface(4, 4);
    host::ClearCalls();
    EXPECT_EQ(ReloadBitmapSurface(surface, missing.c_str()), (HRESULT)0x80004005);
    EXPECT_EQ(host::DebugOutput(), std::vector<std::string>{"handle is null\n"});
    EXPECT_EQ(host::CallNames(), (std::vector<std::string>{"GetModuleHandleA", "LoadImageA", "LoadImageA",
                                                           "OutputDebugStringA"}));
}

TEST_F(SurfaceTest, AFailedCreateSurfaceDeletesTheBitmap)
{
    std::string path = WriteFile("picture.bmp", dib::File(DirectShape()));
    host::FailCall("IDirectDraw::CreateSurface", DDERR_OUTOFMEMORY);
    EXPECT_EQ(LoadBitmapSurface(directDraw, path.c_str(), 0, 0), nullptr);
    EXPECT_EQ(CountOf("DeleteObject"), 1u);
    EXPECT_EQ(CountOf("IDirectDrawSurface::GetDC"), 0u);
    // TearDown checks that no bitmap is left.
}

TEST_F(SurfaceTest, ACopyWithoutSurfaceOrBitmapDoesNothingAtAll)
{
    std::string path = WriteFile("picture.bmp", dib::File(DirectShape()));
    HBITMAP bitmap = (HBITMAP)LoadImageA(NULL, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION);
    ASSERT_NE(bitmap, nullptr);
    LPDIRECTDRAWSURFACE surface = MakeSurface(6, 4);
    host::ClearCalls();
    EXPECT_EQ(CopyBitmapToSurface(NULL, bitmap, 0, 0, 0, 0), (HRESULT)0x80004005);
    EXPECT_EQ(CopyBitmapToSurface(surface, NULL, 0, 0, 0, 0), (HRESULT)0x80004005);
    EXPECT_TRUE(host::Calls().empty()) << host::Calls().front().name;
    DeleteObject(bitmap);
}

TEST_F(SurfaceTest, ACopyRestoresDrawsAndGivesEverythingBackInOrder)
{
    dib::Shape shape = DirectShape();
    std::string path = WriteFile("picture.bmp", dib::File(shape));
    LPDIRECTDRAWSURFACE surface = Keep(LoadBitmapSurface(directDraw, path.c_str(), 0, 0));
    ASSERT_NE(surface, nullptr);
    host::LoseSurfaces();
    host::ClearCalls();
    EXPECT_EQ(ReloadBitmapSurface(surface, path.c_str()), DD_OK);
    EXPECT_EQ(PictureDifference(surface, shape), "");
    EXPECT_TRUE(host::DebugOutput().empty());
    std::vector<std::string> names = host::CallNames();
    std::vector<std::string> fromRestore(std::find(names.begin(), names.end(), "IDirectDrawSurface::Restore"),
                                         names.end());
    EXPECT_EQ(fromRestore, (std::vector<std::string>{
                               "IDirectDrawSurface::Restore", "CreateCompatibleDC", "SelectObject", "GetObjectA",
                               "IDirectDrawSurface::GetSurfaceDesc", "IDirectDrawSurface::GetDC", "StretchBlt",
                               "IDirectDrawSurface::ReleaseDC", "DeleteDC", "DeleteObject"}));
    EXPECT_EQ(ArgsOf("CreateCompatibleDC"), std::vector<std::string>{"null"});
}

TEST_F(SurfaceTest, ASurfaceWithoutDeviceContextIsNotDrawnAndTheCodeComesBack)
{
    dib::Shape shape = DirectShape();
    std::string path = WriteFile("picture.bmp", dib::File(shape));
    host::FailCall("IDirectDrawSurface::GetDC", DDERR_CANTCREATEDC);
    LPDIRECTDRAWSURFACE loaded = Keep(LoadBitmapSurface(directDraw, path.c_str(), 0, 0));
    ASSERT_NE(loaded, nullptr) << "the surface is returned even when the copy failed";
    EXPECT_TRUE(host::DebugOutput().empty());

    for (bool reload : {false, true}) {
        SCOPED_TRACE(reload ? "ReloadBitmapSurface" : "CopyBitmapToSurface");
        LPDIRECTDRAWSURFACE surface = MakeSurface(6, 4);
        host::WriteSurface(surface, std::vector<uint8_t>(96, 0x5A));
        host::ClearCalls();
        host::FailCall("IDirectDrawSurface::GetDC", DDERR_CANTCREATEDC);
        HRESULT result;
        if (reload) {
            result = ReloadBitmapSurface(surface, path.c_str());
            EXPECT_EQ(host::DebugOutput().back(), "ddcopybitmap failed\n");
        } else {
            HBITMAP bitmap = (HBITMAP)LoadImageA(NULL, path.c_str(), IMAGE_BITMAP, 0, 0,
                                                 LR_LOADFROMFILE | LR_CREATEDIBSECTION);
            result = CopyBitmapToSurface(surface, bitmap, 0, 0, 0, 0);
            DeleteObject(bitmap);
        }
        EXPECT_EQ(result, DDERR_CANTCREATEDC);
        EXPECT_EQ(CountOf("StretchBlt") + CountOf("IDirectDrawSurface::ReleaseDC"), 0u);
        EXPECT_EQ(CountOf("DeleteDC"), 1u);
        EXPECT_EQ(host::ReadSurface(surface).bytes, std::vector<uint8_t>(96, 0x5A));
    }
    EXPECT_EQ(host::DebugOutput().size(), 1u);
}

TEST_F(SurfaceTest, WithoutAMemoryDeviceContextTheCopyWritesItsLineAndCarriesOn)
{
    std::string path = WriteFile("picture.bmp", dib::File(DirectShape()));
    LPDIRECTDRAWSURFACE surface = MakeSurface(6, 4);
    host::WriteSurface(surface, std::vector<uint8_t>(96, 0x5A));
    host::FailCall("CreateCompatibleDC", ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(ReloadBitmapSurface(surface, path.c_str()), DD_OK);
    EXPECT_EQ(host::DebugOutput(), std::vector<std::string>{"createcompatible dc failed\n"});
    EXPECT_EQ(CountOf("IDirectDrawSurface::GetDC"), 1u);
    EXPECT_EQ(CountOf("IDirectDrawSurface::ReleaseDC"), 1u);
    EXPECT_EQ(host::ReadSurface(surface).bytes, std::vector<uint8_t>(96, 0x5A)) << "nothing drawn";
}

TEST_F(SurfaceTest, ABitmapOfAnotherSizeIsStretchedOverTheWholeSurface)
{
    struct Case {
        int bitmapWidth, bitmapHeight, surfaceWidth, surfaceHeight;
    };
    for (Case test : {Case{3, 2, 9, 7}, Case{8, 6, 3, 2}, Case{2, 5, 5, 2}}) {
        SCOPED_TRACE(std::to_string(test.bitmapWidth) + "x" + std::to_string(test.bitmapHeight) + " onto " +
                     std::to_string(test.surfaceWidth) + "x" + std::to_string(test.surfaceHeight));
        dib::Shape shape = DirectShape(test.bitmapWidth, test.bitmapHeight);
        std::string path = WriteFile("picture.bmp", dib::File(shape));
        LPDIRECTDRAWSURFACE surface = MakeSurface(test.surfaceWidth, test.surfaceHeight);
        std::vector<uint8_t> unset(host::ReadSurface(surface).bytes.size(), 0xEE);
        host::WriteSurface(surface, unset);
        host::ClearCalls();
        ASSERT_EQ(ReloadBitmapSurface(surface, path.c_str()), DD_OK);
        host::SurfacePixels pixels = host::ReadSurface(surface);
        for (int y = 0; y < pixels.height; ++y)
            for (int x = 0; x < pixels.width; ++x)
                ASSERT_NE(PixelAt(pixels, x, y), 0xEEEEEEEEu) << "(" << x << ", " << y << ") not drawn";
        EXPECT_EQ(PixelAt(pixels, 0, 0), Rgb32(dib::DirectColor(shape, 0, 0)));
        bool enlarged = test.surfaceWidth >= test.bitmapWidth && test.surfaceHeight >= test.bitmapHeight;
        if (enlarged) {  // how shrinking picks or merges pixels is the platform's matter
            EXPECT_EQ(PixelAt(pixels, pixels.width - 1, pixels.height - 1),
                      Rgb32(dib::DirectColor(shape, test.bitmapWidth - 1, test.bitmapHeight - 1)));
        }
        std::vector<std::string> blits = ArgsOf("StretchBlt");
        ASSERT_EQ(blits.size(), 1u);
        std::string sizes = ", 0, 0, " + std::to_string(test.surfaceWidth) + ", " +
                            std::to_string(test.surfaceHeight) + ", ";
        std::string source = ", 0, 0, " + std::to_string(test.bitmapWidth) + ", " +
                             std::to_string(test.bitmapHeight) + ", 0xCC0020";
        EXPECT_NE(blits[0].find(sizes), std::string::npos) << blits[0];
        EXPECT_NE(blits[0].find(source), std::string::npos) << blits[0];
    }
}

TEST_F(SurfaceTest, ACopyFromAnInnerCornerTakesTheBitmapsFullSizeFromThere)
{
    dib::Shape shape = DirectShape(6, 4);
    std::string path = WriteFile("picture.bmp", dib::File(shape));
    HBITMAP bitmap = (HBITMAP)LoadImageA(NULL, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION);
    LPDIRECTDRAWSURFACE surface = MakeSurface(6, 4);
    host::ClearCalls();
    EXPECT_EQ(CopyBitmapToSurface(surface, bitmap, 2, 1, 0, 0), DD_OK);
    std::vector<std::string> blits = ArgsOf("StretchBlt");
    ASSERT_EQ(blits.size(), 1u);
    EXPECT_NE(blits[0].find(", 2, 1, 6, 4, 0xCC0020"), std::string::npos) << blits[0];
    host::SurfacePixels pixels = host::ReadSurface(surface);
    EXPECT_EQ(PixelAt(pixels, 0, 0), Rgb32(dib::DirectColor(shape, 2, 1)));
    DeleteObject(bitmap);
}

// Wine's loader takes these files, and reads their pixels right after the
// table, counted at most 256 entries, when bfOffBits is 0.
TEST_F(SurfaceTest, FilesWithOddColourCountsLoadAsThePlatformLoadsThem)
{
    struct Case {
        const char* what;
        uint16_t bitCount;
        uint32_t colorsUsed;
        int tableEntries;
        bool zeroOffBits;
    };
    const Case cases[] = {
        {"4 bits, 20 used", 4, 20, -1, false},
        {"4 bits, 20 used, bfOffBits 0", 4, 20, -1, true},
        {"8 bits, bfOffBits 0", 8, 0, -1, true},
        {"8 bits, 300 used, 256 held, bfOffBits 0", 8, 300, 256, true},
        {"8 bits, biClrUsed huge, 256 held, bfOffBits 0", 8, 0xFFFFFFFF, 256, true},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        dib::Shape shape;
        shape.bitCount = test.bitCount, shape.colorsUsed = test.colorsUsed, shape.tableEntries = test.tableEntries;
        std::string path = WriteFile("odd.bmp", test.zeroOffBits ? dib::File(dib::Packed(shape), 0) : dib::File(shape));
        LPDIRECTDRAWSURFACE surface = Keep(LoadBitmapSurface(directDraw, path.c_str(), 0, 0));
        ASSERT_NE(surface, nullptr);
        host::SurfacePixels pixels = host::ReadSurface(surface);
        for (int y = 0; y < shape.height; ++y)
            for (int x = 0; x < shape.width; ++x)
                EXPECT_EQ(PixelAt(pixels, x, y), Rgb32(dib::TableColor(dib::PixelIndex(shape, x, y)))) << x << ", " << y;
    }
}

}  // namespace
