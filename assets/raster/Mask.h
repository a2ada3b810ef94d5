// Coverage masks: for every pixel the part of it (0..1) that a shape covers.
//
// Rasterize computes the exact area of each pixel inside the path (non-zero winding): every edge
// adds its signed area to the cells it crosses and a running sum along each row gives the
// coverage, so edges are anti-aliased by the true fraction of the pixel they cover, not by
// samples. The masks are then combined, blurred and widened to make bevels, rims and shadows.
#pragma once

#include "assets/raster/Path.h"

#include <vector>

namespace skin
{

struct PixelBounds
{
    int x = 0, y = 0, width = 0, height = 0;
    bool Empty() const { return width <= 0 || height <= 0; }
};

class Mask
{
public:
    Mask() = default;
    Mask(int width, int height);

    // The coverage of the path's closed contours on a width x height grid; pixel (x, y) is the
    // square from (x, y) to (x + 1, y + 1). Parts of the path outside the grid are cut off.
    static Mask Rasterize(const Path& path, int width, int height);

    int Width() const { return mWidth; }
    int Height() const { return mHeight; }
    // Coverage at a pixel; 0 outside the grid.
    float At(int x, int y) const;
    void Set(int x, int y, float value);
    // The smallest rectangle holding every pixel covered more than the threshold.
    PixelBounds Bounds(float threshold = 0.0f) const;

    // New masks; the operands must have the same size (a mismatch gives an empty mask).
    Mask Union(const Mask& other) const;     // max
    Mask Intersect(const Mask& other) const; // product
    Mask Subtract(const Mask& other) const;  // this * (1 - other)
    // Moved by whole pixels; what comes in from the edge is empty.
    Mask Shifted(int dx, int dy) const;
    // Every value times the factor, clamped to 0..1.
    Mask Scaled(float factor) const;
    // Three box blurs, close to a Gaussian of the given radius (in pixels).
    Mask Blurred(double radius) const;
    // Grown outwards by the radius, with round corners and anti-aliased edges.
    Mask Dilated(double radius) const;

private:
    int mWidth = 0;
    int mHeight = 0;
    std::vector<float> mValues;
};

} // namespace skin
