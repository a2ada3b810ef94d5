// Points and rectangles in pixel coordinates (x to the right, y down).
#pragma once

#include <algorithm>
#include <limits>
#include <type_traits>

namespace Sexy
{

template <typename T> class TPoint
{
public:
    T mX = 0;
    T mY = 0;

    TPoint() = default;
    TPoint(T x, T y) : mX(x), mY(y) {}

    TPoint operator+(const TPoint& p) const { return TPoint(mX + p.mX, mY + p.mY); }
    TPoint operator-(const TPoint& p) const { return TPoint(mX - p.mX, mY - p.mY); }
    TPoint& operator+=(const TPoint& p)
    {
        mX += p.mX;
        mY += p.mY;
        return *this;
    }
    TPoint& operator-=(const TPoint& p)
    {
        mX -= p.mX;
        mY -= p.mY;
        return *this;
    }
    bool operator==(const TPoint& p) const { return mX == p.mX && mY == p.mY; }
    bool operator!=(const TPoint& p) const { return !(*this == p); }
};

// A rectangle covers the points x <= px < x + width, y <= py < y + height. A rectangle whose width
// or height is 0 or negative is empty: it contains nothing and intersects nothing.
template <typename T> class TRect
{
public:
    T mX = 0;
    T mY = 0;
    T mWidth = 0;
    T mHeight = 0;

    TRect() = default;
    TRect(T x, T y, T width, T height) : mX(x), mY(y), mWidth(width), mHeight(height) {}

    bool IsEmpty() const { return !(mWidth > 0) || !(mHeight > 0); }

    bool Contains(T x, T y) const
    {
        return W(x) >= W(mX) && W(x) < W(mX) + W(mWidth) && W(y) >= W(mY) && W(y) < W(mY) + W(mHeight);
    }
    bool Contains(const TPoint<T>& p) const { return Contains(p.mX, p.mY); }

    bool Intersects(const TRect& r) const { return !Intersection(r).IsEmpty(); }

    // The common part; an empty rectangle (width and height 0) when there is none.
    TRect Intersection(const TRect& r) const
    {
        if (IsEmpty() || r.IsEmpty())
            return TRect();
        W x1 = std::max(W(mX), W(r.mX));
        W y1 = std::max(W(mY), W(r.mY));
        W x2 = std::min(W(mX) + W(mWidth), W(r.mX) + W(r.mWidth));
        W y2 = std::min(W(mY) + W(mHeight), W(r.mY) + W(r.mHeight));
        if (!(x2 > x1) || !(y2 > y1))
            return TRect();
        return TRect(T(x1), T(y1), Narrow(x2 - x1), Narrow(y2 - y1));
    }

    // The smallest rectangle holding both; an empty operand does not count. Sizes beyond the
    // range of T are cut to its largest value.
    TRect Union(const TRect& r) const
    {
        if (r.IsEmpty())
            return *this;
        if (IsEmpty())
            return r;
        W x1 = std::min(W(mX), W(r.mX));
        W y1 = std::min(W(mY), W(r.mY));
        W x2 = std::max(W(mX) + W(mWidth), W(r.mX) + W(r.mWidth));
        W y2 = std::max(W(mY) + W(mHeight), W(r.mY) + W(r.mHeight));
        return TRect(T(x1), T(y1), Narrow(x2 - x1), Narrow(y2 - y1));
    }

    // Inflate and Offset change the rectangle itself and return it, so they chain.
    // Inflate grows every side outwards by dx and dy (shrinks for negative values).
    TRect& Inflate(T dx, T dy)
    {
        mX -= dx;
        mY -= dy;
        mWidth += dx + dx;
        mHeight += dy + dy;
        return *this;
    }
    TRect& Offset(T dx, T dy)
    {
        mX += dx;
        mY += dy;
        return *this;
    }
    TRect& Offset(const TPoint<T>& p) { return Offset(p.mX, p.mY); }

    bool operator==(const TRect& r) const
    {
        return mX == r.mX && mY == r.mY && mWidth == r.mWidth && mHeight == r.mHeight;
    }
    bool operator!=(const TRect& r) const { return !(*this == r); }

private:
    // Integer rectangles compute their edges in 64 bits, so x + width never overflows.
    using W = std::conditional_t<std::is_integral_v<T>, long long, T>;
    static T Narrow(W v)
    {
        if constexpr (std::is_integral_v<T>)
            return v > W(std::numeric_limits<T>::max()) ? std::numeric_limits<T>::max() : T(v);
        else
            return v;
    }
};

using Point = TPoint<int>;
using Rect = TRect<int>;
using FPoint = TPoint<double>;
using FRect = TRect<double>;

} // namespace Sexy
