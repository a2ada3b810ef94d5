// The font interface that Graphics draws text with. Sizes are in pixels; y positions handed to
// DrawString are baselines.
#pragma once

#include "pop/Color.h"
#include "pop/Common.h"

#include <memory>

namespace Sexy
{

class Graphics;

class Font
{
public:
    Font() = default;
    virtual ~Font() = default;
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // Pixels from the top of a line to the baseline, and from the baseline to the bottom.
    virtual int GetAscent() const = 0;
    virtual int GetDescent() const = 0;
    // Ascent plus descent: the height of one line of glyphs.
    virtual int GetHeight() const = 0;
    // The distance from one baseline to the next that the font recommends.
    virtual int GetLineSpacing() const = 0;

    // Advance width of the text in pixels (0 for empty text). Colour codes are not interpreted
    // here: the text is measured as it is.
    virtual int StringWidth(const SexyString& text) = 0;
    virtual int CharWidth(wchar_t ch) = 0;

    // Draws the text with its baseline at y, in the colour given, through the graphics' current
    // translation, clip rectangle and draw mode.
    virtual void DrawString(Graphics* g, int x, int y, const SexyString& text, const Color& color) = 0;

    // A new font of the same kind and settings.
    virtual std::unique_ptr<Font> Duplicate() const = 0;
};

} // namespace Sexy
