// Where each frame goes in a contact sheet: a grid of screens, as near square
// as the count allows, each with its frame number in a strip below it.
#ifndef INTRO_TOOLS_CONTACT_LAYOUT_H
#define INTRO_TOOLS_CONTACT_LAYOUT_H

#include <cstddef>

struct ContactLayout {
    int columns = 0, rows = 0;
    int tileWidth = 0, tileHeight = 0;  // one screen
    int labelHeight = 0;                // the strip under each screen
    int gap = 0;                        // around and between the cells
    int width = 0, height = 0;          // the whole picture
};

inline ContactLayout LayOutContact(size_t count, int screenWidth, int screenHeight, int scale)
{
    ContactLayout layout;
    layout.columns = 1;
    while ((size_t)layout.columns * layout.columns < count)
        layout.columns += 1;
    layout.rows = (int)((count + layout.columns - 1) / layout.columns);
    layout.tileWidth = screenWidth * scale;
    layout.tileHeight = screenHeight * scale;
    layout.labelHeight = 22 * scale;
    layout.gap = 8 * scale;
    layout.width = layout.columns * (layout.tileWidth + layout.gap) + layout.gap;
    layout.height = layout.rows * (layout.tileHeight + layout.labelHeight + layout.gap) + layout.gap;
    return layout;
}

// The top left corner of the index'th screen, counting along the rows.
inline void TileOrigin(const ContactLayout& layout, size_t index, int* x, int* y)
{
    *x = layout.gap + (int)(index % layout.columns) * (layout.tileWidth + layout.gap);
    *y = layout.gap + (int)(index / layout.columns) * (layout.tileHeight + layout.labelHeight + layout.gap);
}

#endif
