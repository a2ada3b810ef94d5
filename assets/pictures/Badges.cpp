// The membership marks of the user list's first column, 18 x 18 like its rows:
//   images/base/vip1 .. vip6     a member's level (the list shows level 2 as vip1, 7 as vip6):
//                                a round gem of the level's colour with its number;
//   images/base/hvip1 .. hvip6   the own row's mark for the same levels: a crown of that colour
//                                with the number, so the own row stands out;
//   images/base/25.bmp           a member on tables that hide the levels: a shield without number.
// The colours rise from bronze through silver, gold, jade and sapphire to ruby.
#include "assets/pictures/Families.h"

#include "assets/pictures/Parts.h"
#include "assets/raster/Effects.h"

#include <algorithm>
#include <string>
#include <vector>

namespace skin
{
namespace
{

using namespace style::palette;
using style::Rgb;

constexpr int kSize = 18;
const int kLevelColours[] = {0xB87333, 0xC3CCD6, 0xE2B13F, 0x3FB07A, 0x3A7BD5, 0xD23C50};

Sexy::Color Scaled(int colour, float factor)
{
    const Sexy::Color c = Rgb(colour);
    return Sexy::Color(std::min(255, int(c.mRed * factor)), std::min(255, int(c.mGreen * factor)),
                       std::min(255, int(c.mBlue * factor)));
}

// A shape in a metal or a gem of the colour: a dark edge, a lit face, a glint at the top left.
void PaintJewel(Canvas& c, const Mask& shape, int colour)
{
    c.Fill(shape, Paint::Solid(Scaled(colour, 0.35f)));
    const Mask face = shape.Subtract(BevelLight(shape, 1).Union(BevelDark(shape, 1)));
    const PixelBounds b = shape.Bounds();
    c.Fill(face, Paint::Radial({b.x + b.width * 0.35, b.y + b.height * 0.3}, b.width * 0.8, b.height * 0.8,
                               {{0, Scaled(colour, 1.45f)}, {0.55, Rgb(colour)}, {1, Scaled(colour, 0.6f)}}));
    c.Fill(BevelLight(face, 1), Paint::Solid(Sexy::Color::White), 0.45f);
}

void PaintNumber(Canvas& c, int number, const Box& box)
{
    const Mask digit =
        CentredText(std::to_wstring(number), {8, true}, c.Width(), c.Height(), box.x, box.y, box.w, box.h);
    c.Fill(digit.Dilated(1.0), Paint::Solid(Rgb(kInk)), 0.85f);
    c.Fill(digit, Paint::Solid(Sexy::Color::White));
}

void DrawGem(Canvas& c, int level)
{
    PaintJewel(c, ShapeOn(c, Path().AddEllipse({9, 9}, 8.2, 8.2)), kLevelColours[level - 1]);
    PaintNumber(c, level, {0, 0, kSize, kSize});
}

void DrawCrown(Canvas& c, int level)
{
    const Path crown = Path()
                           .AddPolygon({{1, 5}, {5, 9}, {9, 1.5}, {13, 9}, {17, 5}, {16, 16.5}, {2, 16.5}})
                           .AddEllipse({1.5, 4.5}, 1.5, 1.5)
                           .AddEllipse({9, 1.8}, 1.6, 1.6)
                           .AddEllipse({16.5, 4.5}, 1.5, 1.5);
    PaintJewel(c, ShapeOn(c, crown), kLevelColours[level - 1]);
    PaintNumber(c, level, {0, 7, kSize, 10});
}

void DrawShield(Canvas& c)
{
    Path shield;
    shield.MoveTo({2, 2}).LineTo({16, 2}).LineTo({16, 9}).QuadTo({16, 14.5}, {9, 17}).QuadTo({2, 14.5}, {2, 9}).Close();
    PaintJewel(c, ShapeOn(c, shield), kGreyLight);
    const Mask v = ShapeOn(c, Stroke(Path().MoveTo({5.5, 5.5}).LineTo({9, 12.5}).LineTo({12.5, 5.5}), 2.0));
    c.Fill(v, Paint::Solid(Rgb(kGoldDark)));
}

} // namespace

std::vector<Picture> BadgePictures()
{
    std::vector<Picture> pictures;
    for (int level = 1; level <= 6; ++level)
        pictures.push_back({"images/base/vip" + std::to_string(level), SkinPart::Game, kSize, kSize, 1, FileFormat::Png,
                            [level](Canvas& c, int) { DrawGem(c, level); }});
    for (int level = 1; level <= 6; ++level)
        pictures.push_back({"images/base/hvip" + std::to_string(level), SkinPart::Game, kSize, kSize, 1,
                            FileFormat::Png, [level](Canvas& c, int) { DrawCrown(c, level); }});
    pictures.push_back(
        {"images/base/25", SkinPart::Game, kSize, kSize, 1, FileFormat::Bmp, [](Canvas& c, int) { DrawShield(c); }});
    return pictures;
}

} // namespace skin
