#include "tools/intro_frames/png_writer.h"

#include <png.h>

#include <cstdio>
#include <memory>

namespace {

// Writes `height` rows through libpng: the header from `colorType`, then the
// palette when there is one, then each row as `rowAt` gives it.
template <typename RowAt>
bool WritePng(const std::string& path, int width, int height, int colorType, const png_color* palette,
              RowAt rowAt)
{
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file.get());
    png_set_IHDR(png, info, width, height, 8, colorType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (palette)
        png_set_PLTE(png, info, palette, 256);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y)
        png_write_row(png, rowAt(y));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return std::fflush(file.get()) == 0;
}

}  // namespace

bool WritePalettePng(const std::string& path, const host::Picture& picture)
{
    if (picture.width <= 0 || picture.height <= 0 || picture.palette.size() != 256)
        return false;
    png_color colors[256];
    for (int i = 0; i < 256; ++i)
        colors[i] = png_color{picture.palette[i].peRed, picture.palette[i].peGreen,
                              picture.palette[i].peBlue};
    return WritePng(path, picture.width, picture.height, PNG_COLOR_TYPE_PALETTE, colors,
                    [&](int y) { return &picture.pixels[(size_t)y * picture.width]; });
}

bool WriteRgbPng(const std::string& path, const RgbImage& image)
{
    if (image.width <= 0 || image.height <= 0)
        return false;
    return WritePng(path, image.width, image.height, PNG_COLOR_TYPE_RGB, nullptr,
                    [&](int y) { return &image.rgb[(size_t)y * image.width * 3]; });
}
