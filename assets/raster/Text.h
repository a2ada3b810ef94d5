// Text for the skin's pictures: the glyphs of a line of text as a coverage mask, so that a label is
// painted, bevelled and shadowed like any other shape. Glyphs come from the style's face through
// pop's system fonts (fontconfig and SDL_ttf), at 96 dots per inch like everything pop draws.
#pragma once

#include "assets/raster/Mask.h"

#include <string>

namespace skin
{

struct Font
{
    int points;
    bool bold = false;
};

struct TextSize
{
    int width = 0;  // advance of the whole line
    int ascent = 0; // baseline below the top of the line
    int height = 0; // of a line
};

TextSize MeasureText(const std::wstring& text, const Font& font);

// The glyphs with their baseline starting at (x, baseline), on a width x height grid. Empty (all
// zero) when the face cannot be opened or the text is empty.
Mask TextMask(const std::wstring& text, const Font& font, int width, int height, int x, int baseline);

// The glyphs centred in the box (x, y, w, h): across by their advance, up and down by the ink
// the glyphs leave, so that a label sits in the middle of its button whatever its letters.
Mask CentredText(const std::wstring& text, const Font& font, int width, int height, double boxX, double boxY,
                 double boxW, double boxH);

} // namespace skin
