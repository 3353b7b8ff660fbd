#include "tools/intro_frames/png_writer.h"

#include <png.h>

#include <cstdio>
#include <memory>

bool WritePalettePng(const std::string& path, const host::Picture& picture)
{
    if (picture.width <= 0 || picture.height <= 0 || picture.palette.size() != 256)
        return false;
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
    png_set_IHDR(png, info, picture.width, picture.height, 8, PNG_COLOR_TYPE_PALETTE,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_color colors[256];
    for (int i = 0; i < 256; ++i)
        colors[i] = png_color{picture.palette[i].peRed, picture.palette[i].peGreen,
                              picture.palette[i].peBlue};
    png_set_PLTE(png, info, colors, 256);
    png_write_info(png, info);
    for (int y = 0; y < picture.height; ++y)
        png_write_row(png, &picture.pixels[(size_t)y * picture.width]);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return std::fflush(file.get()) == 0;
}
