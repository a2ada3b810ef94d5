// Vector shapes for the skin's pictures: points, affine transforms and paths made of straight and
// curved pieces. Paths are flattened into polygons (contours) as they are built, so the rasterizer
// only ever sees straight edges.
//
// Winding: every closed shape the helpers add (rectangles, rounded rectangles, ellipses, polygons,
// strokes) is wound the same way, so shapes that overlap in one path fill as their union. A hole
// is a shape added with Reversed().
#pragma once

#include <vector>

namespace skin
{

struct Vec2
{
    double x = 0;
    double y = 0;
};

inline Vec2 operator+(Vec2 a, Vec2 b)
{
    return {a.x + b.x, a.y + b.y};
}
inline Vec2 operator-(Vec2 a, Vec2 b)
{
    return {a.x - b.x, a.y - b.y};
}
inline Vec2 operator*(Vec2 a, double s)
{
    return {a.x * s, a.y * s};
}
inline Vec2 Lerp(Vec2 a, Vec2 b, double t)
{
    return a + (b - a) * t;
}

// x' = a x + c y + e, y' = b x + d y + f.
struct Transform
{
    double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;

    static Transform Translate(double dx, double dy) { return {1, 0, 0, 1, dx, dy}; }
    static Transform Scale(double s) { return {s, 0, 0, s, 0, 0}; }
    // Turns by the angle in radians; positive turns clockwise on the screen (y points down).
    static Transform Rotate(double radians);

    Vec2 Apply(Vec2 p) const { return {a * p.x + c * p.y + e, b * p.x + d * p.y + f}; }
    // First this, then next.
    Transform Then(const Transform& next) const;
};

class Path
{
public:
    // A contour is a list of points; closed contours fill, open ones are only good for Stroke.
    struct Contour
    {
        std::vector<Vec2> points;
        bool closed = false;
    };

    Path& MoveTo(Vec2 p);
    Path& LineTo(Vec2 p);
    Path& QuadTo(Vec2 control, Vec2 end);
    Path& CubicTo(Vec2 control1, Vec2 control2, Vec2 end);
    Path& Close();

    // Closed shapes, wound like every other helper (see above).
    Path& AddRect(double x, double y, double width, double height);
    Path& AddRoundedRect(double x, double y, double width, double height, double radius);
    Path& AddEllipse(Vec2 centre, double radiusX, double radiusY);
    Path& AddPolygon(const std::vector<Vec2>& points);
    Path& AddPath(const Path& other);

    Path Transformed(const Transform& transform) const;
    // The same contours wound the other way: added to a path, it cuts a hole.
    Path Reversed() const;

    const std::vector<Contour>& Contours() const { return mContours; }
    bool Empty() const { return mContours.empty(); }

private:
    Contour& Current();
    void CloseWithWinding(Contour& contour);

    std::vector<Contour> mContours;
};

// The outline of a line of the given width drawn along every contour of the path (closed ones
// round, open ones from end to end), with round joins and caps. The result fills like any shape.
Path Stroke(const Path& path, double width);

// Twice the signed area of a polygon; positive for the winding the helpers use.
double SignedArea2(const std::vector<Vec2>& points);

} // namespace skin
