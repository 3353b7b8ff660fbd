// Frame numbers for the contact sheet, drawn with FreeType in DejaVu Sans
// (Debian's fonts-dejavu-core).
#ifndef INTRO_TOOLS_LABEL_FONT_H
#define INTRO_TOOLS_LABEL_FONT_H

#include <string>

#include "tools/intro_frames/picture.h"

// Draws `text` in light grey, centred on column `centreX`, its baseline on row
// `baseline`, `pixelHeight` tall. False with a message when the font is missing.
bool DrawLabel(RgbImage* image, const std::string& text, int centreX, int baseline, int pixelHeight,
               std::string* error);

#endif
