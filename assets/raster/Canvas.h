// A canvas to paint the skin's pictures on: floating-point pixels with premultiplied alpha, so
// that layers, soft edges and shadows blend without rounding at every step. A finished canvas is
// copied into a pop image (8 bits a channel, straight alpha) to be written as a file.
#pragma once

#include "assets/raster/Mask.h"
#include "assets/raster/Path.h"

#include "pop/Color.h"

#include <vector>

namespace Sexy
{
class MemoryImage;
}

namespace skin
{

// One pixel, channels 0..1, colour premultiplied by alpha.
struct Rgba
{
    float r = 0, g = 0, b = 0, a = 0;
};

Rgba Premultiply(const Sexy::Color& color);
Sexy::Color Unpremultiply(const Rgba& pixel);

// What a shape is filled with: one colour, a linear gradient between two points, or a radial one
// from a centre out to an ellipse (colours before the first stop are the first stop's, after the
// last the last's).
class Paint
{
public:
    struct Stop
    {
        double t;
        Sexy::Color color;
    };

    static Paint Solid(const Sexy::Color& color);
    static Paint Linear(Vec2 from, Vec2 to, std::vector<Stop> stops);
    static Paint Linear(Vec2 from, Vec2 to, const Sexy::Color& start, const Sexy::Color& end)
    {
        return Linear(from, to, {{0, start}, {1, end}});
    }
    // t is 0 at the centre and 1 on the ellipse of the two radii.
    static Paint Radial(Vec2 centre, double radiusX, double radiusY, std::vector<Stop> stops);

    // The paint at a point (the pixel centre is (x + 0.5, y + 0.5)).
    Rgba At(double x, double y) const;

private:
    Rgba AtStop(double t) const;

    Vec2 mFrom;
    Vec2 mTo;
    bool mRadial = false;
    double mRadiusX = 1;
    double mRadiusY = 1;
    std::vector<Stop> mStops;
};

class Canvas
{
public:
    Canvas(int width, int height);

    int Width() const { return mWidth; }
    int Height() const { return mHeight; }

    // Paints over what is there ("over" blending), through the coverage of the mask, which may be
    // moved by whole pixels; opacity scales the coverage.
    void Fill(const Mask& mask, const Paint& paint, float opacity = 1.0f, int dx = 0, int dy = 0);
    void Fill(const Path& path, const Paint& paint, float opacity = 1.0f);
    // Another canvas of any size laid over this one at (dx, dy).
    void Draw(const Canvas& layer, int dx = 0, int dy = 0, float opacity = 1.0f);
    // Colour channels times the factor (alpha kept): above 1 brighter, below darker.
    void ScaleBrightness(float factor);
    // Colours moved towards their grey (luma) by the amount, 0..1.
    void Desaturate(float amount);
    // Keeps only what lies inside the mask: every pixel times its coverage.
    void Clip(const Mask& mask);

    Rgba At(int x, int y) const;
    // The pixel as pop would store it, straight alpha 0..255.
    Sexy::Color ColorAt(int x, int y) const { return Unpremultiply(At(x, y)); }
    // The alpha of every pixel: the silhouette of what was painted.
    Mask Alpha() const;

    // Writes the pixels into the image at (x, y), replacing what was there.
    void CopyTo(Sexy::MemoryImage& image, int x, int y) const;

private:
    int mWidth;
    int mHeight;
    std::vector<Rgba> mPixels;
};

} // namespace skin
