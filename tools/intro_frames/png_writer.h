// Pictures of the 8-bit screen as PNG files.
#ifndef INTRO_TOOLS_PNG_WRITER_H
#define INTRO_TOOLS_PNG_WRITER_H

#include <string>

#include "host/host.h"
#include "tools/intro_frames/picture.h"

// Writes the picture, each pixel in its palette colour; false on any failure.
bool WritePalettePng(const std::string& path, const host::Picture& picture);
// Writes an RGB picture; false on any failure.
bool WriteRgbPng(const std::string& path, const RgbImage& image);

#endif
