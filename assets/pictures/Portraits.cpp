// The players' portraits the platform shares between its games, in the folder above each game's:
//
//   UserImage/default0/, default1/   the default portraits of the two sexes (0 male, 1 female):
//       n_6      60 x 60, the portrait a seat shows, drawn 60 x 60;
//       show_n   60 x 60, the larger-scale portrait a seat shows at its own size (the seat's
//                click box is 60 x 60 whatever is drawn), half a figure in front of a backdrop;
//       n.jpg    18 x 18, the user list's portrait column (its rows are 18 high);
//   UserImage/Head/head_6_<k>, head_4_<k>.jpg   the head pictures a player may choose, k from 1
//       without gaps (a gap ends the list): 60 x 60 for the seats, 18 x 18 for the user list.
//
// Every portrait is one face drawn by the same hand: a head and shoulders on a coloured ground,
// told apart by skin, hair, clothes, ground and a few extras, so that heads at a table are easy to
// tell from each other at a glance, in both sizes.
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

enum class Hair
{
    Short,
    Spiky,
    Side,
    Bob,
    Long,
    Bun,
    Cap, // a flat cap over short hair
};

struct Face
{
    int ground;
    int skin;
    int hair;
    Hair style;
    int clothes;
    bool glasses = false;
    bool female = false;
};

// The eight head pictures a player chooses from, and the two defaults.
const Face kHeads[] = {
    {0x2E6A8E, 0xF1C9A5, 0x2A1B12, Hair::Spiky, 0xD8A23A},
    {0x8E2430, 0xF3D2B6, 0x1C1410, Hair::Long, 0xF2EEE4, false, true},
    {0x3D7A46, 0xC68E62, 0x111111, Hair::Short, 0x8E2430, true},
    {0x6B4C8A, 0xF6D8C0, 0xB5651D, Hair::Bob, 0x2F7A50, false, true},
    {0xB07A2A, 0x8D5A3B, 0x0E0A08, Hair::Cap, 0x2E4A6E},
    {0x2F6F6A, 0xEFC7A1, 0x6B3D1C, Hair::Bun, 0xB8444E, true, true},
    {0x5A5A66, 0xE8B892, 0xC8C8C8, Hair::Side, 0x45260F, true},
    {0xC25A3A, 0xD9A57C, 0x2A1B12, Hair::Long, 0x1E5B3A, false, true},
};
const Face kDefaultMale{0x4F6475, 0xE9C4A2, 0x3C3C3C, Hair::Short, 0x6F7F8C};
const Face kDefaultFemale{0x7A4A58, 0xEFCDB3, 0x3C3C3C, Hair::Long, 0x9A7F8C, false, true};

Sexy::Color Shade(int colour, float factor)
{
    const Sexy::Color c = Rgb(colour);
    return Sexy::Color(std::min(255, int(c.mRed * factor)), std::min(255, int(c.mGreen * factor)),
                       std::min(255, int(c.mBlue * factor)));
}

struct Pose
{
    double scale; // picture pixels per unit of the 60-unit drawing
    double dx, dy;
    Vec2 P(double x, double y) const { return {x * scale + dx, y * scale + dy}; }
    double L(double v) const { return v * scale; }
};

Mask Ellipse(const Canvas& c, const Pose& p, double x, double y, double rx, double ry)
{
    return ShapeOn(c, Path().AddEllipse(p.P(x, y), p.L(rx), p.L(ry)));
}

void FillLit(Canvas& c, const Mask& m, int colour, float light = 1.18f, float dark = 0.78f)
{
    c.Fill(m, LitGradient(m, Shade(colour, light), Shade(colour, dark)));
}

// The figure in the drawing's own units: 60 across, the head's middle at (30, 28).
void DrawFigure(Canvas& c, const Face& f, const Pose& p, bool small)
{
    const Mask head = Ellipse(c, p, 30, 28, 12.5, 15);
    // Long hair falls behind the shoulders.
    if (f.style == Hair::Long)
        FillLit(c, ShapeOn(c, Path().AddRoundedRect(p.P(15, 16).x, p.P(15, 16).y, p.L(30), p.L(34), p.L(12))), f.hair);
    if (f.style == Hair::Bun)
        FillLit(c, Ellipse(c, p, 30, 10, 6.5, 5.5), f.hair);

    // Shoulders and clothes, with a collar opening at the neck.
    const Mask body = ShapeOn(c, Path().AddRoundedRect(p.P(7, 47).x, p.P(7, 47).y, p.L(46), p.L(30), p.L(14)));
    FillLit(c, body, f.clothes);
    const Mask neck = ShapeOn(c, Path().AddRect(p.P(25.5, 38).x, p.P(25.5, 38).y, p.L(9), p.L(12)));
    FillLit(c, neck, f.skin, 0.92f, 0.8f);
    const Mask collar = ShapeOn(c, Path().AddPolygon({p.P(23, 47), p.P(37, 47), p.P(30, 55)}));
    FillLit(c, collar, f.skin, 0.95f, 0.82f);
    c.Fill(ShapeOn(c, Stroke(Path().MoveTo(p.P(22, 47)).LineTo(p.P(30, 56)).LineTo(p.P(38, 47)), p.L(1.6))),
           Paint::Solid(Shade(f.clothes, 0.6f)));

    // Ears, head.
    FillLit(c, Ellipse(c, p, 17.8, 29, 2.6, 3.6).Union(Ellipse(c, p, 42.2, 29, 2.6, 3.6)), f.skin, 1.0f, 0.85f);
    c.Fill(head.Dilated(p.L(0.6)), Paint::Solid(Shade(f.skin, 0.55f)), 0.6f);
    c.Fill(head, Paint::Radial(p.P(26, 22), p.L(22), p.L(24), {{0, Shade(f.skin, 1.08f)}, {1, Shade(f.skin, 0.8f)}}));

    // Hair in front.
    const Mask crown = Ellipse(c, p, 30, 23, 14, 12).Subtract(Ellipse(c, p, 30, 35, 16, 12));
    switch (f.style)
    {
    case Hair::Short:
        FillLit(c, crown, f.hair);
        break;
    case Hair::Spiky:
    {
        Path spikes;
        for (int i = 0; i < 5; ++i)
        {
            const double x = 17 + i * 5;
            spikes.AddPolygon({p.P(x - 1, 20), p.P(x + 3, 9 - (i % 2) * 2), p.P(x + 7, 20)});
        }
        FillLit(c, crown.Union(ShapeOn(c, spikes)), f.hair);
        break;
    }
    case Hair::Side:
        FillLit(c, crown.Union(ShapeOn(c, Path().AddPolygon({p.P(16, 22), p.P(36, 14), p.P(30, 24), p.P(17, 27)}))),
                f.hair);
        break;
    case Hair::Bob:
    case Hair::Long:
    case Hair::Bun:
    {
        // A fringe over the brow and hair down both sides of the face.
        Mask hair = Ellipse(c, p, 30, 22, 14.5, 11.5).Subtract(Ellipse(c, p, 31, 33, 13, 11));
        if (f.style != Hair::Bun)
            hair = hair.Union(ShapeOn(c, Path()
                                             .AddRoundedRect(p.P(15.5, 18).x, p.P(15.5, 18).y, p.L(5.5),
                                                             p.L(f.style == Hair::Bob ? 20 : 26), p.L(2.5))
                                             .AddRoundedRect(p.P(39, 18).x, p.P(39, 18).y, p.L(5.5),
                                                             p.L(f.style == Hair::Bob ? 20 : 26), p.L(2.5))));
        FillLit(c, hair, f.hair);
        break;
    }
    case Hair::Cap:
    {
        FillLit(c, crown, f.hair);
        const Mask cap = Ellipse(c, p, 30, 20, 14.5, 9.5).Subtract(Ellipse(c, p, 30, 33, 18, 10));
        const Mask brim = ShapeOn(c, Path().AddRoundedRect(p.P(17, 19.5).x, p.P(17, 19.5).y, p.L(27), p.L(4), p.L(2)));
        FillLit(c, cap.Union(brim), f.clothes, 1.25f, 0.7f);
        break;
    }
    }

    // The face: brows, eyes with a glint, a nose, a smile, and cheeks.
    const double eyeR = small ? 2.4 : 1.7;
    const Sexy::Color ink = Shade(f.hair == 0xC8C8C8 ? 0x3C3C3C : f.hair, 0.7f);
    for (const double x : {25.0, 35.0})
    {
        c.Fill(Ellipse(c, p, x, 29.5, eyeR, eyeR * 1.2), Paint::Solid(Rgb(0x1A120C)));
        if (!small)
        {
            c.Fill(Ellipse(c, p, x + 0.5, 28.8, 0.6, 0.6), Paint::Solid(Sexy::Color::White), 0.9f);
            c.Fill(ShapeOn(c, Stroke(Path().MoveTo(p.P(x - 2.8, 25.2)).LineTo(p.P(x + 2.6, 24.6)), p.L(1.3))),
                   Paint::Solid(ink));
        }
    }
    if (!small)
        c.Fill(ShapeOn(c, Stroke(Path().MoveTo(p.P(30, 31)).LineTo(p.P(29, 34.5)).LineTo(p.P(30.6, 34.8)), p.L(0.9))),
               Paint::Solid(Shade(f.skin, 0.7f)));
    c.Fill(ShapeOn(c, Stroke(Path().MoveTo(p.P(26, 37)).QuadTo(p.P(30, 40.5), p.P(34, 37)), p.L(small ? 2.2 : 1.3))),
           Paint::Solid(Rgb(0x8E2430)));
    if (f.female)
        c.Fill(Ellipse(c, p, 22.5, 34, 2.4, 1.5).Union(Ellipse(c, p, 37.5, 34, 2.4, 1.5)), Paint::Solid(Rgb(0xE0707A)),
               0.45f);
    if (f.glasses)
    {
        Path frames;
        frames.AddPath(Stroke(Path().AddEllipse(p.P(25, 29.5), p.L(4), p.L(3.4)), p.L(small ? 1.6 : 1.0)));
        frames.AddPath(Stroke(Path().AddEllipse(p.P(35, 29.5), p.L(4), p.L(3.4)), p.L(small ? 1.6 : 1.0)));
        frames.AddPath(Stroke(Path().MoveTo(p.P(29, 29)).LineTo(p.P(31, 29)), p.L(1.0)));
        c.Fill(ShapeOn(c, frames), Paint::Solid(Rgb(0x1A1A1A)));
    }
}

// The ground: a rounded square with a soft light behind the head; opaque to the edge where the
// picture is a JPEG.
void DrawGround(Canvas& c, int colour, bool opaque)
{
    const Box whole{0, 0, double(c.Width()), double(c.Height())};
    const Mask ground = opaque ? ShapeOn(c, Path().AddRect(0, 0, whole.w, whole.h)) : RoundBoxOn(c, whole, 6);
    c.Fill(ground, Paint::Radial({whole.w * 0.45, whole.h * 0.4}, whole.w * 0.75, whole.h * 0.75,
                                 {{0, Shade(colour, 1.35f)}, {1, Shade(colour, 0.7f)}}));
}

void DrawFrameRing(Canvas& c)
{
    const Mask ground = RoundBoxOn(c, {0, 0, double(c.Width()), double(c.Height())}, 6);
    c.Fill(BevelLight(ground, 1).Union(BevelDark(ground, 1)), Paint::Solid(Rgb(kWoodDeep)), 0.9f);
}

void DrawPortrait(Canvas& c, const Face& face)
{
    DrawGround(c, face.ground, false);
    Canvas figure(c.Width(), c.Height());
    DrawFigure(figure, face, {c.Width() / 60.0, 0, 2}, false);
    // Only what lies on the ground shows: the shoulders are cut at its lower edge.
    const Mask ground = RoundBoxOn(c, {0, 0, double(c.Width()), double(c.Height())}, 6);
    figure.Clip(ground);
    c.Fill(figure.Alpha().Blurred(1.5).Intersect(ground), Paint::Solid(Sexy::Color::Black), 0.35f, 1, 1);
    c.Draw(figure);
    DrawFrameRing(c);
}

void DrawSmallPortrait(Canvas& c, const Face& face)
{
    DrawGround(c, face.ground, true);
    // Closer in: the head fills the small square.
    const double scale = c.Width() / 38.0;
    DrawFigure(c, face, {scale, -11 * scale, -10 * scale}, true);
}

// Half a figure before a curtain: the larger-scale portrait.
void DrawShow(Canvas& c, const Face& face)
{
    const Box whole{0, 0, double(c.Width()), double(c.Height())};
    const Mask ground = RoundBoxOn(c, whole, 6);
    c.Fill(ground, Paint::Linear({0, 0}, {0, whole.h}, Shade(face.ground, 0.9f), Shade(face.ground, 0.45f)));
    // Folds of the curtain.
    for (int i = 0; i < 6; ++i)
        c.Fill(ShapeOn(c, Path().AddRect(i * 10 + 4, 0, 3, whole.h)).Intersect(ground),
               Paint::Solid(Sexy::Color::Black), 0.18f);
    c.Fill(ShapeOn(c, Path().AddEllipse({30, 58}, 30, 9)).Intersect(ground), Paint::Solid(Rgb(kWoodDark)), 0.8f);
    Canvas figure(c.Width(), c.Height());
    DrawFigure(figure, face, {0.78, 6.6, 8}, false);
    figure.Clip(ground);
    c.Fill(figure.Alpha().Blurred(2.0).Intersect(ground), Paint::Solid(Sexy::Color::Black), 0.4f, 2, 1);
    c.Draw(figure);
    DrawFrameRing(c);
}

} // namespace

std::vector<Picture> PortraitPictures()
{
    std::vector<Picture> pictures;
    const Face defaults[] = {kDefaultMale, kDefaultFemale};
    for (int sex = 0; sex < 2; ++sex)
    {
        const Face face = defaults[sex];
        const std::string folder = "UserImage/default" + std::to_string(sex) + "/";
        pictures.push_back({folder + "n_6", SkinPart::Shared, 60, 60, 1, FileFormat::Png,
                            [face](Canvas& c, int) { DrawPortrait(c, face); }});
        pictures.push_back({folder + "show_n", SkinPart::Shared, 60, 60, 1, FileFormat::Png,
                            [face](Canvas& c, int) { DrawShow(c, face); }});
        pictures.push_back({folder + "n", SkinPart::Shared, 18, 18, 1, FileFormat::Jpeg,
                            [face](Canvas& c, int) { DrawSmallPortrait(c, face); }});
    }
    int k = 1;
    for (const Face& face : kHeads)
    {
        pictures.push_back({"UserImage/Head/head_6_" + std::to_string(k), SkinPart::Shared, 60, 60, 1, FileFormat::Png,
                            [face](Canvas& c, int) { DrawPortrait(c, face); }});
        pictures.push_back({"UserImage/Head/head_4_" + std::to_string(k), SkinPart::Shared, 18, 18, 1, FileFormat::Jpeg,
                            [face](Canvas& c, int) { DrawSmallPortrait(c, face); }});
        ++k;
    }
    return pictures;
}

} // namespace skin
