// The chair buttons: an empty place at the table, clicked to sit down.
//
// The view turns these two pictures with top-bottom flips and left-right mirrors to fit every
// place around the table, so both show a chair from straight above: flipped or mirrored, such a
// chair is still a chair, its backrest away from the table. chair1 faces right (backrest on the
// left) and serves the places at the sides, mirrored for the right-hand side; chair2 is the same
// chair turned to face up and to the right (backrest at the bottom left), for the corners.
//
// The shading is drawn with the light at the top left, and a turn takes it along; so nothing in
// these pictures leans on the light's side: the drop shadow and the shadows the parts cast on each
// other lie straight beneath them, and a turned chair keeps them where they belong.
#include "assets/pictures/Families.h"

#include "assets/raster/Effects.h"

#include <algorithm>
#include <cmath>

namespace skin
{
namespace
{

using namespace style::palette;
using style::Rgb;

constexpr double kPi = 3.14159265358979323846;

// Cel sizes: the turned chair needs room along its diagonal.
constexpr int kStraightCel = 64;
constexpr int kObliqueCel = 72;

// ---- The chair, in its own coordinates: facing +x, its middle near the origin, about 44 across --

Path LegsPath()
{
    struct Leg
    {
        Vec2 root, tip;
    };
    // Splayed legs: only their lower ends show, just beyond the seat's corners.
    const Leg legs[] = {
        {{12, 11}, {17.5, 16.5}}, {{12, -11}, {17.5, -16.5}}, {{-9, 11.5}, {-15, 17.5}}, {{-9, -11.5}, {-15, -17.5}}};
    Path path;
    for (const Leg& leg : legs)
    {
        const Vec2 d = leg.tip - leg.root;
        const double length = std::hypot(d.x, d.y);
        const Vec2 n{-d.y / length, d.x / length};
        path.AddPolygon({leg.root + n * 2.8, leg.tip + n * 2.4, leg.tip - n * 2.4, leg.root - n * 2.8});
        path.AddEllipse(leg.tip, 2.6, 2.6);
    }
    return path;
}

Path SeatPath()
{
    return Path().AddRoundedRect(-12.5, -15, 28.5, 30, 5);
}

Path CushionPath()
{
    return Path().AddRoundedRect(-10, -12.5, 23.5, 25, 4);
}

Path PipingPath()
{
    return Stroke(Path().AddRoundedRect(-8.6, -11.1, 20.7, 22.2, 3), 0.7);
}

// The backrest seen from above: a bowed top rail behind the seat, held by a post at each back
// corner and three spindles across the gap between rail and seat.
constexpr Vec2 kRailEnd{-14, 16};
constexpr Vec2 kRailBow{-25, 0};

Vec2 RailPoint(double t)
{
    const Vec2 a{kRailEnd.x, -kRailEnd.y}, b = kRailBow, c = kRailEnd;
    return Lerp(Lerp(a, b, t), Lerp(b, c, t), t);
}

Path RailPath()
{
    return Stroke(Path().MoveTo({kRailEnd.x, -kRailEnd.y}).QuadTo(kRailBow, kRailEnd), 6);
}

Path RailGrainPath()
{
    Path grain;
    grain.AddPath(Stroke(Path().MoveTo({-15, -14.5}).QuadTo({-26.4, 0}, {-15, 14.5}), 0.6));
    grain.AddPath(Stroke(Path().MoveTo({-13.6, -11}).QuadTo({-23.4, 0}, {-13.6, 11}), 0.5));
    return grain;
}

Path SpindlesPath()
{
    Path spindles;
    for (double t : {0.25, 0.5, 0.75})
    {
        const Vec2 top = RailPoint(t);
        spindles.AddPath(Stroke(Path().MoveTo({-11.5, top.y}).LineTo(top), 2.6));
    }
    return spindles;
}

Path PostsPath()
{
    return Path().AddEllipse({kRailEnd.x, -kRailEnd.y}, 3.7, 3.7).AddEllipse(kRailEnd, 3.7, 3.7);
}

// ---- Painting ------------------------------------------------------------------------------

// A wooden part: a dark edge round it, the lit gradient, the bevel.
void PaintWood(Canvas& canvas, const Mask& part, int lit, int shaded)
{
    canvas.Fill(part.Dilated(0.8), Paint::Solid(Rgb(kWoodDeep)));
    canvas.Fill(part, LitGradient(part, Rgb(lit), Rgb(shaded)));
    DrawBevel(canvas, part);
}

// The shadow a higher part throws on a lower one, straight down and only where the lower one is.
void CastShadow(Canvas& canvas, const Mask& caster, const Mask& receiver, double blur, float opacity)
{
    canvas.Fill(caster.Blurred(blur).Intersect(receiver), Paint::Solid(Sexy::Color::Black), opacity);
}

void DrawChair(Canvas& face, const Transform& pose)
{
    const int w = face.Width(), h = face.Height();
    auto mask = [&](const Path& path) { return Mask::Rasterize(path.Transformed(pose), w, h); };
    const Mask legs = mask(LegsPath());
    const Mask seat = mask(SeatPath());
    const Mask cushion = mask(CushionPath());
    const Mask spindles = mask(SpindlesPath());
    const Mask rail = mask(RailPath());
    const Mask posts = mask(PostsPath());
    const Mask back = rail.Union(posts);

    // From the floor up: legs, the seat board, the cushion, the backrest.
    PaintWood(face, legs, kWood, kWoodDark);
    CastShadow(face, seat, legs, 1.6, 0.6f);

    PaintWood(face, seat, kWoodLight, kWoodDark);
    face.Fill(cushion.Dilated(0.6), Paint::Solid(Rgb(kClothDark)));
    face.Fill(cushion, LitGradient(cushion, Rgb(kClothLight), Rgb(kClothDark)));
    DrawBevel(face, cushion, style::kClothBevel);
    face.Fill(mask(PipingPath()), Paint::Solid(Rgb(kGold)), 0.75f);
    // A tufting button in the middle of the cushion.
    const Vec2 middle = pose.Apply({1.75, 0});
    const Mask tuft = Mask::Rasterize(Path().AddEllipse(middle, 2.0, 2.0), w, h);
    face.Fill(tuft, Paint::Solid(Rgb(kClothDark)));
    face.Fill(BevelLight(tuft, 1), Paint::Solid(Rgb(kClothLight)), 0.9f);

    PaintWood(face, spindles, kWood, kWoodDark);
    CastShadow(face, back, seat.Union(spindles), 1.8, 0.5f);
    PaintWood(face, rail, kWoodLight, kWood);
    face.Fill(mask(RailGrainPath()).Intersect(rail), Paint::Solid(Rgb(kWoodDeep)), 0.35f);
    PaintWood(face, posts, kWoodLight, kWoodDark);
}

// From the chair's coordinates to a cel of the given size: scaled, turned, and moved so that the
// box round its outline sits in the middle of the cel (the backrest reaches further back than
// the legs reach forward, so the chair's own origin would sit off-centre, and more so turned).
Transform Pose(int cel, double radians, double scale)
{
    const Transform turn = Transform::Scale(scale).Then(Transform::Rotate(radians));
    const Path outline =
        Path().AddPath(LegsPath()).AddPath(SeatPath()).AddPath(RailPath()).AddPath(PostsPath()).Transformed(turn);
    double left = 1e9, top = 1e9, right = -1e9, bottom = -1e9;
    for (const Path::Contour& contour : outline.Contours())
        for (const Vec2& p : contour.points)
        {
            left = std::min(left, p.x);
            right = std::max(right, p.x);
            top = std::min(top, p.y);
            bottom = std::max(bottom, p.y);
        }
    const double centre = cel / 2.0 - 0.5; // half a pixel up and left: the down look moves by one
    return turn.Then(Transform::Translate(centre - (left + right) / 2, centre - (top + bottom) / 2));
}

} // namespace

std::vector<Picture> ChairPictures()
{
    return {
        {"images/base/btn/chair1", SkinPart::Game, 3 * kStraightCel, kStraightCel, 3, FileFormat::Png,
         ButtonStrip([](Canvas& face) { DrawChair(face, Pose(kStraightCel, 0, 1.04)); }, style::kTurnedShadow)},
        {"images/base/btn/chair2", SkinPart::Game, 3 * kObliqueCel, kObliqueCel, 3, FileFormat::Png,
         ButtonStrip([](Canvas& face) { DrawChair(face, Pose(kObliqueCel, -kPi / 4, 0.93)); }, style::kTurnedShadow)},
    };
}

} // namespace skin
