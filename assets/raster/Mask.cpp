#include "assets/raster/Mask.h"

#include <algorithm>
#include <cmath>

namespace skin
{
namespace
{

// Adds the signed area that the edge p0-p1 covers to the right of itself, cell by cell, into the
// accumulation rows (width + 2 cells each, so that an edge on the right border has somewhere to
// put its share). x is clamped to the grid per row: area left of the grid lands in cell 0, where
// the running sum still carries it, area right of it lands past the last pixel.
void AccumulateEdge(std::vector<double>& acc, int width, int height, Vec2 p0, Vec2 p1)
{
    if (p0.y == p1.y)
        return;
    double dir = 1;
    if (p0.y > p1.y)
    {
        std::swap(p0, p1);
        dir = -1;
    }
    const double dxdy = (p1.x - p0.x) / (p1.y - p0.y);
    const int yStart = std::max(0, int(std::floor(p0.y)));
    const int yEnd = std::min(height, int(std::ceil(p1.y)));
    const size_t stride = size_t(width) + 2;
    for (int y = yStart; y < yEnd; ++y)
    {
        const double top = std::max<double>(y, p0.y), bottom = std::min<double>(y + 1, p1.y);
        if (bottom <= top)
            continue;
        const double xa = std::clamp(p0.x + (top - p0.y) * dxdy, 0.0, double(width));
        const double xb = std::clamp(p0.x + (bottom - p0.y) * dxdy, 0.0, double(width));
        const double d = (bottom - top) * dir;
        const double x0 = std::min(xa, xb), x1 = std::max(xa, xb);
        const int x0i = int(std::floor(x0)), x1i = int(std::ceil(x1));
        double* row = &acc[size_t(y) * stride];
        if (x1i <= x0i + 1)
        {
            // Within one column: the part of the pixel right of the edge's mean x.
            const double xm = 0.5 * (xa + xb) - x0i;
            row[x0i] += d * (1 - xm);
            row[x0i + 1] += d * xm;
            continue;
        }
        // Across several columns: a triangle in the first, trapezoids between, the rest last.
        const double s = 1 / (x1 - x0);
        const double x0f = x0 - x0i;
        const double a0 = 0.5 * s * (1 - x0f) * (1 - x0f);
        const double x1f = x1 - x1i + 1;
        const double am = 0.5 * s * x1f * x1f;
        row[x0i] += d * a0;
        if (x1i == x0i + 2)
        {
            row[x0i + 1] += d * (1 - a0 - am);
        }
        else
        {
            const double a1 = s * (1.5 - x0f);
            row[x0i + 1] += d * (a1 - a0);
            for (int xi = x0i + 2; xi < x1i - 1; ++xi)
                row[xi] += d * s;
            const double a2 = a1 + (x1i - x0i - 3) * s;
            row[x1i - 1] += d * (1 - a2 - am);
        }
        row[x1i] += d * am;
    }
}

// One box blur along rows (horizontal) or columns, of a box 2 * radius + 1 wide whose two outer
// taps carry the fractional part of the radius. Outside the mask counts as empty.
void BoxBlur(const std::vector<float>& in, std::vector<float>& out, int width, int height, double radius,
             bool horizontal)
{
    const int whole = int(std::floor(radius));
    const double frac = radius - whole;
    const double norm = 1.0 / (2 * radius + 1);
    const int lines = horizontal ? height : width;
    const int length = horizontal ? width : height;
    for (int line = 0; line < lines; ++line)
    {
        auto at = [&](int i) -> double
        {
            if (i < 0 || i >= length)
                return 0;
            return horizontal ? in[size_t(line) * width + i] : in[size_t(i) * width + line];
        };
        for (int i = 0; i < length; ++i)
        {
            double sum = 0;
            for (int k = -whole; k <= whole; ++k)
                sum += at(i + k);
            sum += frac * (at(i - whole - 1) + at(i + whole + 1));
            const size_t index = horizontal ? size_t(line) * width + i : size_t(i) * width + line;
            out[index] = float(sum * norm);
        }
    }
}

} // namespace

Mask::Mask(int width, int height)
    : mWidth(std::max(0, width)), mHeight(std::max(0, height)), mValues(size_t(mWidth) * size_t(mHeight), 0.0f)
{
}

Mask Mask::Rasterize(const Path& path, int width, int height)
{
    Mask mask(width, height);
    if (mask.mValues.empty())
        return mask;
    const size_t stride = size_t(mask.mWidth) + 2;
    std::vector<double> acc(stride * size_t(mask.mHeight), 0.0);
    for (const Path::Contour& contour : path.Contours())
    {
        if (!contour.closed || contour.points.size() < 3)
            continue;
        const size_t n = contour.points.size();
        for (size_t i = 0; i < n; ++i)
            AccumulateEdge(acc, mask.mWidth, mask.mHeight, contour.points[i], contour.points[(i + 1) % n]);
    }
    for (int y = 0; y < mask.mHeight; ++y)
    {
        double sum = 0;
        for (int x = 0; x < mask.mWidth; ++x)
        {
            sum += acc[size_t(y) * stride + x];
            mask.mValues[size_t(y) * mask.mWidth + x] = float(std::min(1.0, std::fabs(sum)));
        }
    }
    return mask;
}

float Mask::At(int x, int y) const
{
    if (x < 0 || y < 0 || x >= mWidth || y >= mHeight)
        return 0.0f;
    return mValues[size_t(y) * mWidth + x];
}

void Mask::Set(int x, int y, float value)
{
    if (x >= 0 && y >= 0 && x < mWidth && y < mHeight)
        mValues[size_t(y) * mWidth + x] = std::clamp(value, 0.0f, 1.0f);
}

PixelBounds Mask::Bounds(float threshold) const
{
    int left = mWidth, top = mHeight, right = -1, bottom = -1;
    for (int y = 0; y < mHeight; ++y)
        for (int x = 0; x < mWidth; ++x)
            if (At(x, y) > threshold)
            {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    if (right < 0)
        return {};
    return {left, top, right - left + 1, bottom - top + 1};
}

namespace
{

template <typename Op> Mask Combine(const Mask& a, const Mask& b, Op op)
{
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return {};
    Mask out(a.Width(), a.Height());
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            out.Set(x, y, op(a.At(x, y), b.At(x, y)));
    return out;
}

} // namespace

Mask Mask::Union(const Mask& other) const
{
    return Combine(*this, other, [](float a, float b) { return std::max(a, b); });
}

Mask Mask::Intersect(const Mask& other) const
{
    return Combine(*this, other, [](float a, float b) { return a * b; });
}

Mask Mask::Subtract(const Mask& other) const
{
    return Combine(*this, other, [](float a, float b) { return a * (1 - b); });
}

Mask Mask::Shifted(int dx, int dy) const
{
    Mask out(mWidth, mHeight);
    for (int y = 0; y < mHeight; ++y)
        for (int x = 0; x < mWidth; ++x)
            out.Set(x, y, At(x - dx, y - dy));
    return out;
}

Mask Mask::Scaled(float factor) const
{
    Mask out(mWidth, mHeight);
    for (size_t i = 0; i < mValues.size(); ++i)
        out.mValues[i] = std::clamp(mValues[i] * factor, 0.0f, 1.0f);
    return out;
}

Mask Mask::Blurred(double radius) const
{
    if (radius <= 0 || mValues.empty())
        return *this;
    // A box of radius r has a variance of r (r + 1) / 3; three of them add up to sigma^2 = radius^2.
    const double boxRadius = (std::sqrt(4 * radius * radius + 1) - 1) / 2;
    Mask out = *this;
    std::vector<float> tmp(mValues.size());
    for (int pass = 0; pass < 3; ++pass)
    {
        BoxBlur(out.mValues, tmp, mWidth, mHeight, boxRadius, true);
        BoxBlur(tmp, out.mValues, mWidth, mHeight, boxRadius, false);
    }
    return out;
}

Mask Mask::Dilated(double radius) const
{
    if (radius <= 0)
        return *this;
    // A pixel d away from a covered one lies within the radius by radius + 1 - d of its width
    // (exactly so along the rows and columns, closely enough on the diagonals): a neighbour of a
    // covered pixel is covered by a radius of 1, half covered by 0.5.
    const int reach = int(std::ceil(radius));
    Mask out(mWidth, mHeight);
    for (int y = 0; y < mHeight; ++y)
        for (int x = 0; x < mWidth; ++x)
        {
            float best = 0;
            for (int dy = -reach; dy <= reach; ++dy)
                for (int dx = -reach; dx <= reach; ++dx)
                {
                    const double weight = std::clamp(radius + 1 - std::hypot(dx, dy), 0.0, 1.0);
                    best = std::max(best, At(x + dx, y + dy) * float(weight));
                }
            out.mValues[size_t(y) * mWidth + x] = best;
        }
    return out;
}

} // namespace skin
