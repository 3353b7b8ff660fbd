// Pictures of the 8-bit screen as palette PNG files.
#ifndef INTRO_TOOLS_PNG_WRITER_H
#define INTRO_TOOLS_PNG_WRITER_H

#include <string>

#include "host/host.h"

// Writes the picture, each pixel in its palette colour; false on any failure.
bool WritePalettePng(const std::string& path, const host::Picture& picture);

#endif
