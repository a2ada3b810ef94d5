// Small helpers for the showcase's pictures, which are all made at run time: packed colours,
// blending, and rounded boxes with a gradient fill and a border.
#pragma once

#include "pop/Image.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace showcase
{

inline uint32_t Argb(int a, int r, int g, int b)
{
    auto c = [](int v) { return uint32_t(std::clamp(v, 0, 255)); };
    return (c(a) << 24) | (c(r) << 16) | (c(g) << 8) | c(b);
}

inline uint32_t Lerp(uint32_t x, uint32_t y, double t)
{
    auto ch = [&](int shift)
    {
        double a = (x >> shift) & 0xFF, b = (y >> shift) & 0xFF;
        return uint32_t(std::lround(a + (b - a) * t)) << shift;
    };
    return ch(24) | ch(16) | ch(8) | ch(0);
}

// Hue 0..1, full saturation, value v.
inline uint32_t Hue(double h, double v, int alpha = 255)
{
    h = h - std::floor(h);
    double r = std::clamp(std::fabs(h * 6 - 3) - 1, 0.0, 1.0);
    double g = std::clamp(2 - std::fabs(h * 6 - 2), 0.0, 1.0);
    double b = std::clamp(2 - std::fabs(h * 6 - 4), 0.0, 1.0);
    return Argb(alpha, int(r * v * 255), int(g * v * 255), int(b * v * 255));
}

inline void Put(Sexy::MemoryImage& image, int x, int y, uint32_t argb)
{
    image.GetBits()[size_t(y) * size_t(image.GetPitch()) + size_t(x)] = argb;
}

// Coverage (0..1) of a rounded rectangle of w x h with corner radius r at the pixel centre.
inline double RoundedCoverage(int x, int y, int w, int h, double r)
{
    double px = x + 0.5, py = y + 0.5;
    double cx = std::clamp(px, r, w - r), cy = std::clamp(py, r, h - r);
    double d = std::hypot(px - cx, py - cy);
    return std::clamp(r - d + 0.5, 0.0, 1.0);
}

// A rounded box: fill, a border of the given width, both with alpha; used for frames and buttons.
inline void RoundedBox(Sexy::MemoryImage& image, const Sexy::Rect& cel, double radius, uint32_t fillTop,
                       uint32_t fillBottom, uint32_t border, double borderWidth)
{
    for (int y = 0; y < cel.mHeight; ++y)
        for (int x = 0; x < cel.mWidth; ++x)
        {
            double outer = RoundedCoverage(x, y, cel.mWidth, cel.mHeight, radius);
            if (outer <= 0)
            {
                Put(image, cel.mX + x, cel.mY + y, 0);
                continue;
            }
            // Inside the border: the same shape shrunk by the border width.
            double inner = 0;
            int ix = x - int(borderWidth), iy = y - int(borderWidth);
            int iw = cel.mWidth - 2 * int(borderWidth), ih = cel.mHeight - 2 * int(borderWidth);
            if (ix >= 0 && iy >= 0 && ix < iw && iy < ih)
                inner = RoundedCoverage(ix, iy, iw, ih, std::max(1.0, radius - borderWidth));
            uint32_t fill = Lerp(fillTop, fillBottom, double(y) / std::max(1, cel.mHeight - 1));
            uint32_t c = Lerp(border, fill, inner);
            uint32_t a = uint32_t(std::lround((c >> 24) * outer));
            Put(image, cel.mX + x, cel.mY + y, (a << 24) | (c & 0xFFFFFF));
        }
}

} // namespace showcase
