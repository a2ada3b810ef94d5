// The skin's drawing toolkit on small cases whose answers are known exactly or by area.
#include "assets/raster/Canvas.h"
#include "assets/raster/Mask.h"
#include "assets/raster/Noise.h"
#include "assets/raster/Path.h"
#include "assets/raster/Text.h"

#include "pop/Image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

using namespace skin;

namespace
{

constexpr double kPi = 3.14159265358979323846;

double Total(const Mask& mask)
{
    double sum = 0;
    for (int y = 0; y < mask.Height(); ++y)
        for (int x = 0; x < mask.Width(); ++x)
            sum += mask.At(x, y);
    return sum;
}

// The exact part of pixel (px, py) inside the rectangle.
double RectOverlap(double x, double y, double w, double h, int px, int py)
{
    const double ox = std::max(0.0, std::min(x + w, px + 1.0) - std::max(x, double(px)));
    const double oy = std::max(0.0, std::min(y + h, py + 1.0) - std::max(y, double(py)));
    return ox * oy;
}

} // namespace

// Every pixel gets the true fraction it has inside the rectangle, also where the rectangle runs
// off the grid: nothing outside lands in a neighbouring row or wraps to the other side.
TEST(MaskRasterize, RectangleCoverageIsExactAndClippedAtTheEdges)
{
    struct Case
    {
        const char* what;
        double x, y, w, h;
    };
    const Case cases[] = {
        {"fractional edges inside", 1.25, 1.5, 2.5, 2.0},
        {"sub-pixel", 2.2, 2.6, 0.3, 0.3},
        {"off the left and top", -3.5, -2.25, 5.0, 4.0},
        {"off the right and bottom", 3.4, 2.7, 10.0, 10.0},
        {"wider and taller than the grid", -1.0, -1.0, 9.0, 9.0},
        {"wholly to the right", 6.0, 1.0, 2.0, 2.0},
        {"wholly to the left", -4.0, 1.0, 2.0, 2.0},
    };
    constexpr int kSize = 6;
    for (const Case& c : cases)
    {
        const Mask mask = Mask::Rasterize(Path().AddRect(c.x, c.y, c.w, c.h), kSize, kSize);
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x)
                EXPECT_NEAR(mask.At(x, y), RectOverlap(c.x, c.y, c.w, c.h, x, y), 1e-5)
                    << c.what << " at " << x << "," << y;
    }
}

// Slanted edges: the triangle (0, 0), (w, 0), (0, h) against the area under its hypotenuse,
// integrated numerically; a shallow edge crosses many columns within one row, a steep one many
// rows within one column, and one triangle runs off the grid.
TEST(MaskRasterize, SlantedEdgesCoverTheAreaUnderThem)
{
    const double sizes[][2] = {{8, 2}, {2, 8}, {5.5, 3.25}, {12, 9}};
    constexpr int kSize = 8;
    for (const auto& size : sizes)
    {
        const double w = size[0], h = size[1];
        const Mask mask = Mask::Rasterize(Path().AddPolygon({{0, 0}, {w, 0}, {0, h}}), kSize, kSize);
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x)
            {
                constexpr int kSteps = 2000;
                double area = 0;
                for (int i = 0; i < kSteps; ++i)
                {
                    const double u = x + (i + 0.5) / kSteps;
                    const double top = h * (1 - u / w);
                    area += std::clamp(top - y, 0.0, 1.0) / kSteps;
                }
                EXPECT_NEAR(mask.At(x, y), area, 1e-3) << w << "x" << h << " at " << x << "," << y;
            }
    }
}

// Areas of the helpers' shapes, and how they combine: overlapping shapes fill as a union, a
// reversed shape cuts a hole, and a mirroring transform keeps both true. Curves are polygons
// that lie just inside them, some 1 % short of the true area.
TEST(MaskRasterize, ShapesCoverTheirAreaAndCombineByWinding)
{
    const Path twoRects = Path().AddRect(2, 2, 10, 6).AddRect(6, 4, 10, 6); // overlap 6 x 4
    const Path mirror = twoRects.Transformed(Transform::Scale(1).Then({-1, 0, 0, 1, 30, 0}));
    struct Case
    {
        const char* what;
        Path path;
        double area;
        double tolerance;
    };
    const Case cases[] = {
        {"circle", Path().AddEllipse({16, 12}, 7, 7), kPi * 49, 1.5},
        {"ellipse", Path().AddEllipse({16, 12}, 10, 4), kPi * 40, 1.5},
        {"rounded rectangle", Path().AddRoundedRect(3, 4, 20, 12, 5), 240 - (4 - kPi) * 25, 1.0},
        {"radius beyond half the side", Path().AddRoundedRect(4, 4, 10, 10, 50), kPi * 25, 1.0},
        {"overlapping rectangles", twoRects, 60 + 60 - 24, 1e-3},
        {"the same, mirrored", mirror, 60 + 60 - 24, 1e-3},
        {"rectangle with a hole", Path().AddRect(2, 2, 20, 16).AddPath(Path().AddRect(6, 6, 8, 4).Reversed()), 320 - 32,
         1e-3},
        {"stroke of a line", Stroke(Path().MoveTo({6, 10}).LineTo({26, 10}), 4), 20 * 4 + kPi * 4, 1.2},
        {"open contour fills nothing", Path().MoveTo({2, 2}).LineTo({20, 2}).LineTo({20, 20}), 0, 1e-9},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(Total(Mask::Rasterize(c.path, 32, 24)), c.area, c.tolerance) << c.what;
}

TEST(MaskRasterize, RoundedRectangleHasEmptyCornersAndASymmetricOutline)
{
    const Mask mask = Mask::Rasterize(Path().AddRoundedRect(0, 0, 20, 12, 6), 20, 12);
    EXPECT_NEAR(mask.At(0, 0), 0.0f, 1e-6);
    EXPECT_NEAR(mask.At(19, 11), 0.0f, 1e-6);
    EXPECT_FLOAT_EQ(mask.At(10, 6), 1.0f);
    EXPECT_NEAR(mask.At(10, 0), 1.0f, 1e-5); // the straight top edge lies on the pixel border
    EXPECT_GT(mask.At(1, 1), 0.0f);
    EXPECT_LT(mask.At(1, 1), 1.0f);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 20; ++x)
        {
            EXPECT_NEAR(mask.At(x, y), mask.At(19 - x, y), 0.02) << x << "," << y;
            EXPECT_NEAR(mask.At(x, y), mask.At(x, 11 - y), 0.02) << x << "," << y;
        }
    const PixelBounds bounds = mask.Bounds();
    EXPECT_EQ(bounds.x, 0);
    EXPECT_EQ(bounds.width, 20);
    EXPECT_EQ(bounds.height, 12);
}

// Blur spreads without losing what it spreads (away from the edges); dilation grows a shape by
// its radius; both leave masks of the same size.
TEST(MaskEffects, BlurKeepsTheMassAndDilationGrowsByTheRadius)
{
    Mask dot(15, 15);
    dot.Set(7, 7, 1.0f);
    const Mask blurred = dot.Blurred(1.5);
    EXPECT_NEAR(Total(blurred), 1.0, 1e-4);
    EXPECT_LT(blurred.At(7, 7), 0.5f);
    EXPECT_NEAR(blurred.At(5, 7), blurred.At(9, 7), 1e-6);
    EXPECT_NEAR(blurred.At(7, 5), blurred.At(5, 7), 1e-6);

    const Mask grown = dot.Dilated(2.0);
    EXPECT_FLOAT_EQ(grown.At(9, 7), 1.0f);
    EXPECT_FLOAT_EQ(grown.At(7, 5), 1.0f);
    EXPECT_FLOAT_EQ(grown.At(10, 7), 0.0f);
    EXPECT_LT(grown.At(9, 9), 0.5f); // round, not square: (2, 2) is 2.8 away

    // Operands of different sizes give nothing rather than reading past the smaller one.
    EXPECT_EQ(dot.Union(Mask(3, 3)).Width(), 0);
}

// Partly covered pixels keep their colour and take the coverage as alpha; brightening a
// premultiplied pixel never pushes a channel past its alpha (which would wrap on the way out).
TEST(CanvasPixels, CoverageBecomesAlphaAndColoursStayInRange)
{
    Canvas canvas(4, 1);
    Mask half(4, 1);
    for (int x = 0; x < 4; ++x)
        half.Set(x, 0, 0.5f);
    canvas.Fill(half, Paint::Solid(Sexy::Color(200, 40, 10)));
    EXPECT_EQ(canvas.ColorAt(0, 0), Sexy::Color(200, 40, 10, 128));

    canvas.ScaleBrightness(3.0f);
    const Sexy::Color bright = canvas.ColorAt(1, 0);
    EXPECT_EQ(bright.mRed, 255);
    EXPECT_EQ(bright.mGreen, 120);
    EXPECT_EQ(bright.mAlpha, 128);

    // A gradient is its end colours at and beyond its ends.
    Canvas ramp(10, 1);
    ramp.Fill(Path().AddRect(0, 0, 10, 1),
              Paint::Linear({2, 0}, {8, 0}, Sexy::Color(0, 0, 0), Sexy::Color(255, 255, 255)));
    EXPECT_EQ(ramp.ColorAt(0, 0), Sexy::Color(0, 0, 0));
    EXPECT_EQ(ramp.ColorAt(9, 0), Sexy::Color(255, 255, 255));
    EXPECT_NEAR(ramp.ColorAt(4, 0).mRed, 106, 1); // centre 4.5 is 2.5 / 6 of the way

    // Copied into an image at an offset, straight alpha; a transparent pixel stays transparent.
    Sexy::MemoryImage image(6, 2);
    canvas.CopyTo(image, 2, 1);
    EXPECT_EQ(image.GetPixel(2, 1).mAlpha, 128);
    EXPECT_EQ(image.GetPixel(1, 1).mAlpha, 0);
    EXPECT_EQ(image.GetPixel(2, 0).mAlpha, 0);
}

// A radial paint is its first stop at the centre and its last on and beyond the ellipse of its
// radii, whichever way; a clip keeps only the mask's share of each pixel.
TEST(CanvasPixels, RadialPaintReachesItsEllipseAndClipScalesCoverage)
{
    Canvas canvas(21, 11);
    canvas.Fill(Path().AddRect(0, 0, 21, 11),
                Paint::Radial({10.5, 5.5}, 8, 4, {{0, Sexy::Color(255, 0, 0)}, {1, Sexy::Color(0, 0, 255)}}));
    EXPECT_EQ(canvas.ColorAt(10, 5), Sexy::Color(255, 0, 0));
    EXPECT_EQ(canvas.ColorAt(19, 5), Sexy::Color(0, 0, 255));  // 8.5 across, past the radius of 8
    EXPECT_EQ(canvas.ColorAt(10, 10), Sexy::Color(0, 0, 255)); // 4.5 down, past the radius of 4
    EXPECT_NEAR(canvas.ColorAt(14, 5).mRed, 128, 2);           // halfway across
    EXPECT_NEAR(canvas.ColorAt(10, 7).mRed, 128, 2);           // halfway down

    Mask half(21, 11);
    for (int x = 0; x < 21; ++x)
        half.Set(x, 5, 0.5f);
    canvas.Clip(half);
    EXPECT_EQ(canvas.ColorAt(10, 5), Sexy::Color(255, 0, 0, 128));
    EXPECT_EQ(canvas.ColorAt(10, 4).mAlpha, 0);
}

// The same seed gives the same texture; another seed another one; values spread over 0..1.
TEST(Noise, IsRepeatableAndSpreadsOverTheRange)
{
    const Mask a = FractalNoise(64, 32, 8, 8, 3, 1), b = FractalNoise(64, 32, 8, 8, 3, 1);
    const Mask c = FractalNoise(64, 32, 8, 8, 3, 2);
    float low = 1, high = 0;
    int differing = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x)
        {
            ASSERT_EQ(a.At(x, y), b.At(x, y));
            differing += std::fabs(a.At(x, y) - c.At(x, y)) > 0.05f;
            low = std::min(low, a.At(x, y));
            high = std::max(high, a.At(x, y));
        }
    EXPECT_GT(differing, 64 * 32 / 2);
    EXPECT_LT(low, 0.3f);
    EXPECT_GT(high, 0.7f);
}

// A label sits in the middle of its box by its ink, whatever its letters: wide Chinese words, a
// narrow question mark, a digit, in boxes on and off the middle of the grid.
TEST(TextMask, CentredLabelsSitInTheMiddleOfTheirBox)
{
    struct Case
    {
        const wchar_t* text;
        Font font;
        double x, y, w, h;
    };
    const Case cases[] = {
        {L"确定", {11, true}, 4, 3, 65, 20},
        {L"?", {12, true}, 40, 10, 20, 16},
        {L"6", {8, true}, 0, 0, 18, 18},
        {L"游戏设置", {12, true}, 12, 10, 96, 30},
    };
    for (const Case& c : cases)
    {
        const Mask mask = CentredText(c.text, c.font, 120, 50, c.x, c.y, c.w, c.h);
        const PixelBounds ink = mask.Bounds(0.25f);
        ASSERT_FALSE(ink.Empty()) << "no glyphs for " << c.font.points << " pt";
        EXPECT_NEAR(ink.x + ink.width / 2.0, c.x + c.w / 2, 1.6);
        EXPECT_NEAR(ink.y + ink.height / 2.0, c.y + c.h / 2, 1.0);
        EXPECT_GE(ink.x, c.x);
        EXPECT_LE(ink.x + ink.width, c.x + c.w);
    }
    EXPECT_GT(MeasureText(L"确定", {11}).width, MeasureText(L"?", {11}).width);
}
