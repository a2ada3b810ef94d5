#include "assets/raster/Path.h"

#include <algorithm>
#include <cmath>

namespace skin
{
namespace
{

constexpr double kPi = 3.14159265358979323846;

// Curves are cut into pieces short enough that the chord never strays visibly from the curve at
// the sizes these pictures are drawn (a few dozen pixels).
int CurveSteps(double length)
{
    return std::clamp(int(std::ceil(length / 1.5)), 4, 64);
}

void AppendArc(std::vector<Vec2>& points, Vec2 centre, double rx, double ry, double from, double to)
{
    const double sweep = to - from;
    const int steps = std::max(2, CurveSteps(std::fabs(sweep) * std::max(rx, ry)));
    for (int i = 0; i <= steps; ++i)
    {
        const double t = from + sweep * i / steps;
        points.push_back({centre.x + rx * std::cos(t), centre.y + ry * std::sin(t)});
    }
}

} // namespace

Transform Transform::Rotate(double radians)
{
    const double c = std::cos(radians), s = std::sin(radians);
    return {c, s, -s, c, 0, 0};
}

Transform Transform::Then(const Transform& n) const
{
    return {n.a * a + n.c * b, n.b * a + n.d * b,       n.a * c + n.c * d,
            n.b * c + n.d * d, n.a * e + n.c * f + n.e, n.b * e + n.d * f + n.f};
}

double SignedArea2(const std::vector<Vec2>& points)
{
    double sum = 0;
    for (size_t i = 0, n = points.size(); i < n; ++i)
    {
        const Vec2 p = points[i], q = points[(i + 1) % n];
        sum += p.x * q.y - q.x * p.y;
    }
    return sum;
}

Path::Contour& Path::Current()
{
    if (mContours.empty() || mContours.back().closed)
        mContours.push_back({});
    return mContours.back();
}

Path& Path::MoveTo(Vec2 p)
{
    if (!mContours.empty() && !mContours.back().closed && mContours.back().points.size() <= 1)
        mContours.back().points.clear();
    else
        mContours.push_back({});
    mContours.back().points.push_back(p);
    return *this;
}

Path& Path::LineTo(Vec2 p)
{
    Current().points.push_back(p);
    return *this;
}

Path& Path::QuadTo(Vec2 control, Vec2 end)
{
    Contour& contour = Current();
    const Vec2 start = contour.points.empty() ? control : contour.points.back();
    const int steps = CurveSteps(std::hypot(control.x - start.x, control.y - start.y) +
                                 std::hypot(end.x - control.x, end.y - control.y));
    for (int i = 1; i <= steps; ++i)
    {
        const double t = double(i) / steps;
        contour.points.push_back(Lerp(Lerp(start, control, t), Lerp(control, end, t), t));
    }
    return *this;
}

Path& Path::CubicTo(Vec2 c1, Vec2 c2, Vec2 end)
{
    Contour& contour = Current();
    const Vec2 start = contour.points.empty() ? c1 : contour.points.back();
    const int steps = CurveSteps(std::hypot(c1.x - start.x, c1.y - start.y) + std::hypot(c2.x - c1.x, c2.y - c1.y) +
                                 std::hypot(end.x - c2.x, end.y - c2.y));
    for (int i = 1; i <= steps; ++i)
    {
        const double t = double(i) / steps;
        const Vec2 ab = Lerp(start, c1, t), bc = Lerp(c1, c2, t), cd = Lerp(c2, end, t);
        contour.points.push_back(Lerp(Lerp(ab, bc, t), Lerp(bc, cd, t), t));
    }
    return *this;
}

Path& Path::Close()
{
    if (!mContours.empty() && !mContours.back().closed)
        mContours.back().closed = true;
    return *this;
}

void Path::CloseWithWinding(Contour& contour)
{
    contour.closed = true;
    if (SignedArea2(contour.points) < 0)
        std::reverse(contour.points.begin(), contour.points.end());
}

Path& Path::AddRect(double x, double y, double width, double height)
{
    return AddPolygon({{x, y}, {x + width, y}, {x + width, y + height}, {x, y + height}});
}

Path& Path::AddRoundedRect(double x, double y, double width, double height, double radius)
{
    const double r = std::clamp(radius, 0.0, std::min(width, height) / 2);
    if (r <= 0)
        return AddRect(x, y, width, height);
    Contour contour;
    AppendArc(contour.points, {x + width - r, y + r}, r, r, -kPi / 2, 0);
    AppendArc(contour.points, {x + width - r, y + height - r}, r, r, 0, kPi / 2);
    AppendArc(contour.points, {x + r, y + height - r}, r, r, kPi / 2, kPi);
    AppendArc(contour.points, {x + r, y + r}, r, r, kPi, 3 * kPi / 2);
    CloseWithWinding(contour);
    mContours.push_back(std::move(contour));
    return *this;
}

Path& Path::AddEllipse(Vec2 centre, double radiusX, double radiusY)
{
    Contour contour;
    AppendArc(contour.points, centre, radiusX, radiusY, 0, 2 * kPi);
    contour.points.pop_back(); // the last point repeats the first
    CloseWithWinding(contour);
    mContours.push_back(std::move(contour));
    return *this;
}

Path& Path::AddPolygon(const std::vector<Vec2>& points)
{
    if (points.size() < 3)
        return *this;
    Contour contour{points, false};
    CloseWithWinding(contour);
    mContours.push_back(std::move(contour));
    return *this;
}

Path& Path::AddPath(const Path& other)
{
    mContours.insert(mContours.end(), other.mContours.begin(), other.mContours.end());
    return *this;
}

Path Path::Transformed(const Transform& transform) const
{
    Path out = *this;
    const bool mirrors = transform.a * transform.d - transform.b * transform.c < 0;
    for (Contour& contour : out.mContours)
    {
        for (Vec2& p : contour.points)
            p = transform.Apply(p);
        // A mirroring transform turns the winding over; turning it back keeps unions unions.
        if (mirrors)
            std::reverse(contour.points.begin(), contour.points.end());
    }
    return out;
}

Path Path::Reversed() const
{
    Path out = *this;
    for (Contour& contour : out.mContours)
        std::reverse(contour.points.begin(), contour.points.end());
    return out;
}

Path Stroke(const Path& path, double width)
{
    const double half = width / 2;
    Path out;
    for (const Path::Contour& contour : path.Contours())
    {
        const std::vector<Vec2>& pts = contour.points;
        const size_t n = pts.size();
        const size_t segments = contour.closed ? n : (n == 0 ? 0 : n - 1);
        for (size_t i = 0; i < n; ++i)
            out.AddEllipse(pts[i], half, half);
        for (size_t i = 0; i < segments; ++i)
        {
            const Vec2 p = pts[i], q = pts[(i + 1) % n];
            const double length = std::hypot(q.x - p.x, q.y - p.y);
            if (length <= 1e-9)
                continue;
            const Vec2 normal{-(q.y - p.y) / length * half, (q.x - p.x) / length * half};
            out.AddPolygon({p + normal, q + normal, q - normal, p - normal});
        }
    }
    return out;
}

} // namespace skin
