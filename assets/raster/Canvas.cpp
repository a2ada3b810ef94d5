#include "assets/raster/Canvas.h"

#include "pop/Image.h"

#include <algorithm>
#include <cmath>

namespace skin
{
namespace
{

Rgba Mix(const Rgba& a, const Rgba& b, float t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

void Over(Rgba& dst, const Rgba& src, float coverage)
{
    const float k = 1 - src.a * coverage;
    dst.r = src.r * coverage + dst.r * k;
    dst.g = src.g * coverage + dst.g * k;
    dst.b = src.b * coverage + dst.b * k;
    dst.a = src.a * coverage + dst.a * k;
}

int ToByte(float v)
{
    return int(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
}

} // namespace

Rgba Premultiply(const Sexy::Color& color)
{
    const float a = std::clamp(color.mAlpha, 0, 255) / 255.0f;
    return {std::clamp(color.mRed, 0, 255) / 255.0f * a, std::clamp(color.mGreen, 0, 255) / 255.0f * a,
            std::clamp(color.mBlue, 0, 255) / 255.0f * a, a};
}

Sexy::Color Unpremultiply(const Rgba& p)
{
    const int alpha = ToByte(p.a);
    if (alpha == 0)
        return Sexy::Color::Transparent;
    return {ToByte(p.r / p.a), ToByte(p.g / p.a), ToByte(p.b / p.a), alpha};
}

Paint Paint::Solid(const Sexy::Color& color)
{
    return Linear({0, 0}, {0, 0}, {{0, color}});
}

Paint Paint::Linear(Vec2 from, Vec2 to, std::vector<Stop> stops)
{
    Paint paint;
    paint.mFrom = from;
    paint.mTo = to;
    std::stable_sort(stops.begin(), stops.end(), [](const Stop& a, const Stop& b) { return a.t < b.t; });
    paint.mStops = std::move(stops);
    if (paint.mStops.empty())
        paint.mStops.push_back({0, Sexy::Color::Transparent});
    return paint;
}

Paint Paint::Radial(Vec2 centre, double radiusX, double radiusY, std::vector<Stop> stops)
{
    Paint paint = Linear(centre, centre, std::move(stops));
    paint.mRadial = true;
    paint.mRadiusX = std::max(radiusX, 1e-6);
    paint.mRadiusY = std::max(radiusY, 1e-6);
    return paint;
}

Rgba Paint::At(double x, double y) const
{
    if (mStops.size() == 1)
        return Premultiply(mStops.front().color);
    if (mRadial)
        return AtStop(std::hypot((x - mFrom.x) / mRadiusX, (y - mFrom.y) / mRadiusY));
    const Vec2 axis = mTo - mFrom;
    const double length2 = axis.x * axis.x + axis.y * axis.y;
    return AtStop(length2 > 0 ? ((x - mFrom.x) * axis.x + (y - mFrom.y) * axis.y) / length2 : 0);
}

Rgba Paint::AtStop(double t) const
{
    if (t <= mStops.front().t)
        return Premultiply(mStops.front().color);
    for (size_t i = 1; i < mStops.size(); ++i)
        if (t <= mStops[i].t)
        {
            const double span = mStops[i].t - mStops[i - 1].t;
            const float u = span > 0 ? float((t - mStops[i - 1].t) / span) : 1.0f;
            return Mix(Premultiply(mStops[i - 1].color), Premultiply(mStops[i].color), u);
        }
    return Premultiply(mStops.back().color);
}

Canvas::Canvas(int width, int height)
    : mWidth(std::max(0, width)), mHeight(std::max(0, height)), mPixels(size_t(mWidth) * size_t(mHeight))
{
}

void Canvas::Fill(const Mask& mask, const Paint& paint, float opacity, int dx, int dy)
{
    for (int y = 0; y < mHeight; ++y)
        for (int x = 0; x < mWidth; ++x)
        {
            const float coverage = mask.At(x - dx, y - dy) * opacity;
            if (coverage > 0)
                Over(mPixels[size_t(y) * mWidth + x], paint.At(x + 0.5, y + 0.5), std::min(coverage, 1.0f));
        }
}

void Canvas::Fill(const Path& path, const Paint& paint, float opacity)
{
    Fill(Mask::Rasterize(path, mWidth, mHeight), paint, opacity);
}

void Canvas::Draw(const Canvas& layer, int dx, int dy, float opacity)
{
    for (int y = 0; y < mHeight; ++y)
        for (int x = 0; x < mWidth; ++x)
        {
            const Rgba src = layer.At(x - dx, y - dy);
            if (src.a > 0)
                Over(mPixels[size_t(y) * mWidth + x], src, opacity);
        }
}

void Canvas::ScaleBrightness(float factor)
{
    for (Rgba& p : mPixels)
    {
        // Premultiplied channels may not exceed alpha.
        p.r = std::min(p.r * factor, p.a);
        p.g = std::min(p.g * factor, p.a);
        p.b = std::min(p.b * factor, p.a);
    }
}

void Canvas::Desaturate(float amount)
{
    for (Rgba& p : mPixels)
    {
        const float grey = 0.299f * p.r + 0.587f * p.g + 0.114f * p.b;
        p.r += (grey - p.r) * amount;
        p.g += (grey - p.g) * amount;
        p.b += (grey - p.b) * amount;
    }
}

void Canvas::Clip(const Mask& mask)
{
    for (int y = 0; y < mHeight; ++y)
        for (int x = 0; x < mWidth; ++x)
        {
            Rgba& p = mPixels[size_t(y) * mWidth + x];
            const float k = mask.At(x, y);
            p = {p.r * k, p.g * k, p.b * k, p.a * k};
        }
}

Rgba Canvas::At(int x, int y) const
{
    if (x < 0 || y < 0 || x >= mWidth || y >= mHeight)
        return {};
    return mPixels[size_t(y) * mWidth + x];
}

Mask Canvas::Alpha() const
{
    Mask mask(mWidth, mHeight);
    for (int y = 0; y < mHeight; ++y)
        for (int x = 0; x < mWidth; ++x)
            mask.Set(x, y, At(x, y).a);
    return mask;
}

void Canvas::CopyTo(Sexy::MemoryImage& image, int x, int y) const
{
    for (int row = 0; row < mHeight; ++row)
        for (int col = 0; col < mWidth; ++col)
            image.SetPixel(x + col, y + row, ColorAt(col, row));
    image.BitsChanged();
}

} // namespace skin
