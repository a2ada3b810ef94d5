#include "assets/raster/Effects.h"

#include <algorithm>
#include <cmath>

namespace skin
{
namespace
{

// The part of the shape whose neighbour k pixels away along (dx, dy) lies outside it, summed over
// k = 1..width: 1 at the edge, falling linearly inwards.
Mask EdgeBand(const Mask& shape, int width, int dx, int dy)
{
    Mask band(shape.Width(), shape.Height());
    if (width < 1)
        return band;
    for (int k = 1; k <= width; ++k)
    {
        const Mask outside = shape.Shifted(dx * k, dy * k);
        for (int y = 0; y < shape.Height(); ++y)
            for (int x = 0; x < shape.Width(); ++x)
            {
                const float edge = std::max(0.0f, shape.At(x, y) - outside.At(x, y));
                band.Set(x, y, band.At(x, y) + edge / float(width));
            }
    }
    return band;
}

} // namespace

Paint LitGradient(const Mask& shape, const Sexy::Color& lit, const Sexy::Color& shaded)
{
    const PixelBounds b = shape.Bounds();
    return Paint::Linear({double(b.x), double(b.y)}, {double(b.x + b.width), double(b.y + b.height)}, lit, shaded);
}

Mask BevelLight(const Mask& shape, int width)
{
    return EdgeBand(shape, width, 1, 1);
}

Mask BevelDark(const Mask& shape, int width)
{
    return EdgeBand(shape, width, -1, -1);
}

void DrawBevel(Canvas& canvas, const Mask& shape, const style::Bevel& bevel)
{
    canvas.Fill(BevelLight(shape, bevel.width), Paint::Solid(Sexy::Color::White), bevel.light);
    canvas.Fill(BevelDark(shape, bevel.width), Paint::Solid(Sexy::Color::Black), bevel.dark);
}

void DrawDropShadow(Canvas& canvas, const Mask& shape, const style::Shadow& shadow, float scale)
{
    const int dx = int(std::lround(shadow.dx * scale)), dy = int(std::lround(shadow.dy * scale));
    canvas.Fill(shape.Blurred(shadow.blur * scale), Paint::Solid(Sexy::Color::Black), shadow.opacity, dx, dy);
}

Mask RimRing(const Mask& silhouette)
{
    return silhouette.Dilated(style::kRimWidth).Subtract(silhouette);
}

void DrawGoldRim(Canvas& canvas, const Mask& silhouette, float opacity)
{
    using namespace style::palette;
    const Mask rim = silhouette.Dilated(style::kRimWidth);
    const Mask glow = rim.Dilated(style::kRimGlow).Blurred(1.0).Subtract(rim);
    canvas.Fill(glow, Paint::Solid(style::Rgb(kGoldLight)), style::kRimGlowOpacity * opacity);
    // The rim is lit like everything else: light at the top, deeper gold at the bottom.
    const PixelBounds b = rim.Bounds();
    const Paint gold =
        Paint::Linear({0, double(b.y)}, {0, double(b.y + b.height)}, style::Rgb(kGoldLight), style::Rgb(kGoldDark));
    canvas.Fill(RimRing(silhouette), gold, opacity);
}

void ComposeButton(Canvas& cel, const Canvas& face, style::ButtonState state, const style::Shadow& baseShadow)
{
    const style::StateLook look = style::LookOf(state);
    Canvas adjusted(face.Width(), face.Height());
    adjusted.Draw(face, look.shift, look.shift);
    adjusted.ScaleBrightness(look.brightness);
    adjusted.Desaturate(look.desaturate);

    const Mask silhouette = adjusted.Alpha();
    style::Shadow shadow = baseShadow;
    shadow.opacity *= look.opacity;
    DrawDropShadow(cel, silhouette, shadow, look.shadowScale);
    cel.Draw(adjusted, 0, 0, look.opacity);
    if (look.goldRim)
        DrawGoldRim(cel, silhouette, look.rimOpacity);
}

} // namespace skin
