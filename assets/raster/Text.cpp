#include "assets/raster/Text.h"

#include "assets/SkinStyle.h"

#include "pop/Image.h"
#include "pop/SysFont.h"

#include <algorithm>
#include <cmath>

namespace skin
{
namespace
{

Sexy::SysFont OpenFont(const Font& font)
{
    return Sexy::SysFont(style::kFontFace, font.points, font.bold);
}

} // namespace

TextSize MeasureText(const std::wstring& text, const Font& font)
{
    Sexy::SysFont sys = OpenFont(font);
    return {sys.StringWidth(text), sys.GetAscent(), sys.GetHeight()};
}

Mask TextMask(const std::wstring& text, const Font& font, int width, int height, int x, int baseline)
{
    Mask mask(width, height);
    Sexy::SysFont sys = OpenFont(font);
    const Sexy::MemoryImage* run = sys.GetTextImage(text);
    if (!run)
        return mask;
    const int top = baseline - sys.GetAscent();
    for (int row = 0; row < run->GetHeight(); ++row)
        for (int col = 0; col < run->GetWidth(); ++col)
        {
            const int alpha = run->GetPixel(col, row).mAlpha;
            if (alpha > 0)
                mask.Set(x + col, top + row, std::max(mask.At(x + col, top + row), alpha / 255.0f));
        }
    return mask;
}

Mask CentredText(const std::wstring& text, const Font& font, int width, int height, double boxX, double boxY,
                 double boxW, double boxH)
{
    const TextSize size = MeasureText(text, font);
    // Drawn once on a grid of its own to find where its ink lies below the top of the line.
    const Mask probe = TextMask(text, font, size.width + 2, size.height + 2, 1, size.ascent + 1);
    const PixelBounds ink = probe.Bounds(0.25f);
    if (ink.Empty())
        return Mask(width, height);
    const int x = int(std::lround(boxX + (boxW - size.width) / 2));
    const int top = int(std::lround(boxY + (boxH - ink.height) / 2)) - (ink.y - 1);
    return TextMask(text, font, width, height, x, top + size.ascent);
}

} // namespace skin
