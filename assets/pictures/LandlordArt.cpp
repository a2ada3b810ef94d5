// The landlord game's own pictures, images/landlord/:
//   btn_*          the buttons of the bidding and the play, 4 cels (normal, over, down, disabled)
//                  of 96 x 40, "cancel auto-play" 120 x 40 for its longer label;
//   mark_landlord  44 x 44, the gold badge beside the landlord's portrait, mark_farmer the wooden
//                  one beside the two farmers';
//   clock          52 x 56, an alarm clock whose face the game writes the seconds left on, so its
//                  middle stays plain;
//   result_bg      440 x 280, the settlement panel, opaque: a claret title strip, a felt body;
//   bomb, rocket, spring, plane   the animations of the big plays, their cels side by side on a
//                  transparent ground, each cel a moment (the game steps through them).
#include "assets/pictures/Families.h"

#include "assets/pictures/Parts.h"
#include "assets/raster/Effects.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace skin
{
namespace
{

using namespace style::palette;
using style::Rgb;

constexpr double kPi = 3.14159265358979323846;

constexpr int kButtonCel = 96, kWideButtonCel = 120, kButtonHeight = 40;
constexpr int kMark = 44;
constexpr int kClockWidth = 52, kClockHeight = 56;
constexpr int kPanelWidth = 440, kPanelHeight = 280;
constexpr int kBombCel = 160, kBombCels = 8;
constexpr int kRocketCel = 120, kRocketHeight = 220, kRocketCels = 8;
constexpr int kSpringCel = 260, kSpringHeight = 110, kSpringCels = 6;
constexpr int kPlaneCel = 200, kPlaneHeight = 100, kPlaneCels = 6;

// Fire, from its white core to its red fringe.
constexpr int kFlameCore = 0xFFF6D8, kFlameYellow = 0xFFD23F, kFlameOrange = 0xFF8A1E, kFlameRed = 0xD0301A;

Mask Disc(const Canvas& c, Vec2 m, double r)
{
    return ShapeOn(c, Path().AddEllipse(m, r, r));
}

Transform TurnAbout(Vec2 m, double radians)
{
    return Transform::Translate(-m.x, -m.y).Then(Transform::Rotate(radians)).Then(Transform::Translate(m.x, m.y));
}

// A four-pointed glint, the sparkle of gold and of a fuse.
Path GlintPath(Vec2 m, double r)
{
    const double w = r * 0.22;
    return Path().AddPolygon({{m.x, m.y - r},
                              {m.x + w, m.y - w},
                              {m.x + r, m.y},
                              {m.x + w, m.y + w},
                              {m.x, m.y + r},
                              {m.x - w, m.y + w},
                              {m.x - r, m.y},
                              {m.x - w, m.y - w}});
}

void PaintGlint(Canvas& c, Vec2 m, double r, float opacity = 1.0f)
{
    const Mask glint = ShapeOn(c, GlintPath(m, r));
    c.Fill(Disc(c, m, r * 0.5).Blurred(r * 0.3), Paint::Solid(Rgb(kGoldLight)), 0.6f * opacity);
    c.Fill(glint, Paint::Solid(Sexy::Color::White), opacity);
}

// The frames of an animation fade out over the last pixels before their cel's edge, so that
// nothing shows cut off where the strip is divided, however far a flame or a trail reaches.
DrawCel Faded(void (*draw)(Canvas&, int))
{
    return [draw](Canvas& c, int cel)
    {
        draw(c, cel);
        constexpr float kFade = 4;
        Mask keep(c.Width(), c.Height());
        for (int y = 0; y < c.Height(); ++y)
            for (int x = 0; x < c.Width(); ++x)
                keep.Set(x, y, std::min({x, y, c.Width() - 1 - x, c.Height() - 1 - y}) / kFade);
        c.Clip(keep);
    };
}

// A fixed, well spread sequence in 0..1 for the jagged and scattered parts, the same at every build.
double Scatter(int i, int salt)
{
    const double v = std::sin(i * 12.9898 + salt * 78.233) * 43758.5453;
    return v - std::floor(v);
}

// ---- Marks, clock, panel ------------------------------------------------------------------------

void DrawBadge(Canvas& c, const wchar_t* sign, Material material, int signColour)
{
    const Vec2 m{kMark / 2.0 - 0.5, kMark / 2.0 - 1};
    const Mask disc = Disc(c, m, 18);
    DrawDropShadow(c, disc);
    PaintRaised(c, disc, material);
    c.Fill(ShapeOn(c, Stroke(Path().AddEllipse(m, 14.5, 14.5), 1.0)),
           Paint::Solid(Rgb(material == Material::Gold ? kGoldDark : kGoldLight)), 0.85f);
    PaintMark(c, CentredText(sign, {16, true}, c.Width(), c.Height(), m.x - 14, m.y - 14, 28, 28), signColour);
}

void DrawClock(Canvas& c)
{
    const Vec2 m{26, 31};
    Path bells;
    for (const double side : {-1.0, 1.0})
    {
        const Vec2 at{m.x + side * 15, 10};
        bells.AddPath(Path().AddEllipse(at, 8, 5.5).Transformed(TurnAbout(at, side * kPi / 5)));
    }
    const Path handle = Stroke(Path().MoveTo({19, 6}).QuadTo({26, 0.5}, {33, 6}), 2.2);
    const Path legs = Stroke(Path().MoveTo({15, 47}).LineTo({10, 54}), 3)
                          .AddPath(Stroke(Path().MoveTo({37, 47}).LineTo({42, 54}), 3));
    const Mask metal = ShapeOn(c, Path(bells).AddPath(handle).AddPath(legs));
    const Mask body = Disc(c, m, 21);
    DrawDropShadow(c, metal.Union(body));
    PaintRaised(c, metal, Material::Gold);
    PaintRaised(c, body, Material::Cloth);
    const Mask face = Disc(c, m, 16.5);
    c.Fill(face.Dilated(1.2), Paint::Solid(Rgb(kGoldDark)));
    PaintSunken(c, face, kPaper, 0.5f);
    // Twelve ticks round the rim, the quarters longer; the middle is left for the seconds.
    Path ticks;
    for (int i = 0; i < 12; ++i)
    {
        const double a = i * kPi / 6, inner = i % 3 ? 13.6 : 12.2;
        const Vec2 d{std::cos(a), std::sin(a)};
        ticks.AddPath(Stroke(Path().MoveTo(m + d * inner).LineTo(m + d * 15.2), i % 3 ? 1.0 : 1.6));
    }
    c.Fill(ShapeOn(c, ticks), Paint::Solid(Rgb(kGreyDark)));
}

void DrawResultPanel(Canvas& c)
{
    const Box whole{0, 0, double(kPanelWidth), double(kPanelHeight)};
    // Opaque to the last pixel, corners too: the panel is copied, not blended.
    c.Fill(Path().AddRect(whole.x, whole.y, whole.w, whole.h), Paint::Solid(Rgb(kWoodDeep)));
    const Mask frame = ShapeOn(c, Path().AddRect(whole.x, whole.y, whole.w, whole.h));
    PaintRaised(c, frame, Material::Wood);
    AddGrain(c, frame, 53, 0.2f);
    c.Fill(ShapeOn(c, Stroke(Path().AddRect(1.5, 1.5, whole.w - 3, whole.h - 3), 1.0)), Paint::Solid(Rgb(kGoldLight)),
           0.85f);

    const Box title{10, 8, whole.w - 20, 34};
    const Mask strip = RoundBoxOn(c, title, 4);
    DrawDropShadow(c, strip);
    PaintRaised(c, strip, Material::Cloth);
    AddPiping(c, strip, 2.0, 0.7f);

    const Box body{10, 50, whole.w - 20, whole.h - 60};
    const Mask well = RoundBoxOn(c, body.Inset(-2), 5);
    c.Fill(well, Paint::Linear({0, body.y - 2}, {0, body.Bottom() + 2}, Rgb(kWoodDeep), Rgb(kWoodLight)));
    const Mask felt = RoundBoxOn(c, body, 3);
    c.Fill(felt, Paint::Radial(body.Centre(), body.w * 0.7, body.h * 0.9, {{0, Rgb(kFelt)}, {1, Rgb(kFeltDark)}}));
    AddNap(c, felt, 19, 0.1f);
    c.Fill(BevelLight(felt, 3), Paint::Solid(Sexy::Color::Black), 0.45f);
    AddPiping(c, felt, 5.0, 0.35f);
}

// ---- Animations -------------------------------------------------------------------------------

// The bomb: lit fuse (cels 0, 1), the burst growing (2 to 5), smoke drifting off (6, 7).
void DrawBomb(Canvas& c, int cel)
{
    const Vec2 m{kBombCel / 2.0, kBombCel / 2.0};
    if (cel <= 1)
    {
        const Vec2 body{m.x - 4, m.y + 12};
        const Mask sphere = Disc(c, body, 30);
        DrawDropShadow(c, sphere, style::kTurnedShadow);
        c.Fill(sphere, Paint::Radial({body.x - 10, body.y - 12}, 42, 42,
                                     {{0, Rgb(0x6A6A6A)}, {0.45, Rgb(kGreyDark)}, {1, Rgb(0x0C0C0C)}}));
        c.Fill(ShapeOn(c, Path()
                              .AddEllipse({body.x - 11, body.y - 13}, 8, 5)
                              .Transformed(TurnAbout({body.x - 11, body.y - 13}, -kPi / 5))),
               Paint::Solid(Sexy::Color::White), 0.35f);
        const Mask cap = ShapeOn(c, Path().AddRoundedRect(body.x - 8, body.y - 35, 16, 9, 2));
        PaintRaised(c, cap, Material::Ink);
        // The fuse burns down: shorter in the second cel, its spark brighter.
        const double t = cel == 0 ? 1.0 : 0.65;
        const Vec2 root{body.x, body.y - 35}, bend{body.x + 10, body.y - 58}, tip{body.x + 30, body.y - 60};
        const Vec2 end = Lerp(Lerp(root, bend, t), Lerp(bend, tip, t), t);
        const Vec2 control = Lerp(root, bend, t);
        c.Fill(ShapeOn(c, Stroke(Path().MoveTo(root).QuadTo(control, end), 2.6)), Paint::Solid(Rgb(kWoodLight)));
        c.Fill(Disc(c, end, 7 + 3 * cel).Blurred(4), Paint::Solid(Rgb(kFlameOrange)), 0.7f);
        PaintGlint(c, end, 9 + 4 * cel);
        return;
    }
    if (cel <= 5)
    {
        static const double kRadius[] = {32, 50, 62, 66};
        static const float kOpacity[] = {1.0f, 1.0f, 0.9f, 0.65f};
        const double r = kRadius[cel - 2];
        std::vector<Vec2> outline;
        constexpr int kSpikes = 16;
        for (int i = 0; i < kSpikes * 2; ++i)
        {
            const double a = i * kPi / kSpikes + cel * 0.2;
            const double reach = i % 2 ? r * (0.55 + 0.1 * Scatter(i, cel)) : r * (0.85 + 0.15 * Scatter(i, 7));
            outline.push_back({m.x + reach * std::cos(a), m.y + reach * std::sin(a)});
        }
        const Mask burst = ShapeOn(c, Path().AddPolygon(outline));
        const float o = kOpacity[cel - 2];
        if (cel >= 4)
            for (int i = 0; i < 6; ++i)
            {
                const double a = i * kPi / 3 + 0.4;
                c.Fill(Disc(c, {m.x + 40 * std::cos(a), m.y + 40 * std::sin(a)}, 20).Blurred(4),
                       Paint::Solid(Rgb(0x5A5550)), 0.35f * (cel - 3));
            }
        c.Fill(burst.Dilated(3).Blurred(5), Paint::Solid(Rgb(kFlameOrange)), 0.55f * o);
        c.Fill(burst,
               Paint::Radial(
                   m, r, r,
                   {{0, Rgb(kFlameCore)}, {0.3, Rgb(kFlameYellow)}, {0.65, Rgb(kFlameOrange)}, {1, Rgb(kFlameRed)}}),
               o);
        return;
    }
    // Smoke, spreading and thinning, with the last embers in the first cel of it.
    const double spread = cel == 6 ? 38 : 48;
    const float o = cel == 6 ? 0.85f : 0.5f;
    Mask smoke(c.Width(), c.Height());
    for (int i = 0; i < 8; ++i)
    {
        const double a = i * kPi / 4 + Scatter(i, 3);
        const double d = spread * (0.6 + 0.4 * Scatter(i, 5));
        smoke =
            smoke.Union(Disc(c, {m.x + d * std::cos(a), m.y + d * std::sin(a) - (cel - 5) * 4}, 18 + 4 * (cel - 5)));
    }
    smoke = smoke.Union(Disc(c, m, 26)).Blurred(3.5);
    c.Fill(smoke, Paint::Radial(m, 70, 70, {{0, Rgb(0xA8A49E)}, {1, Rgb(0x6A6662)}}), o);
    if (cel == 6)
        for (int i = 0; i < 7; ++i)
        {
            const double a = i * 2 * kPi / 7 + 0.3;
            c.Fill(Disc(c, {m.x + 52 * std::cos(a), m.y + 52 * std::sin(a)}, 2.2), Paint::Solid(Rgb(kFlameYellow)));
        }
}

// The rocket: rising twelve pixels a cel, its flame flickering beneath it and smoke behind.
void DrawRocket(Canvas& c, int cel)
{
    static const double kFlame[] = {26, 34, 28, 38, 30, 36, 28, 34};
    constexpr double s = 1.35; // the drawing below is made for a rocket 22 wide and 60 long
    const double x = kRocketCel / 2.0, nose = 96 - cel * 12.0;
    auto at = [&](double dx, double dy) { return Vec2{x + dx * s, nose + dy * s}; };
    const double bodyBottom = at(0, 60).y, flame = kFlame[cel % kRocketCels] * s;

    // The trail: puffs from the flame's end down to the cel's foot, fading as they spread.
    for (int i = 0; i < 6; ++i)
    {
        const double y = bodyBottom + flame + 8 + i * 11.0, r = 6 + i * 2.0;
        if (y + r + 6 > kRocketHeight)
            break;
        c.Fill(Disc(c, {x + (Scatter(i, cel) - 0.5) * 10, y}, r).Blurred(2.5), Paint::Solid(Rgb(0xB8B4AE)),
               0.6f - i * 0.08f);
    }
    // The flame: a drop hanging from the nozzle, yellow inside orange, a glow round both.
    auto drop = [&](double halfWidth, double length)
    {
        const double top = bodyBottom + 2;
        return ShapeOn(
            c, Path()
                   .MoveTo({x - halfWidth, top})
                   .CubicTo({x - halfWidth, top + length * 0.5}, {x - 2, top + length * 0.8}, {x, top + length})
                   .CubicTo({x + 2, top + length * 0.8}, {x + halfWidth, top + length * 0.5}, {x + halfWidth, top})
                   .Close());
    };
    const Mask outer = drop(8 * s, flame), inner = drop(4.5 * s, flame * 0.6);
    c.Fill(outer.Dilated(3).Blurred(4), Paint::Solid(Rgb(kFlameOrange)), 0.5f);
    c.Fill(outer, Paint::Linear({0, bodyBottom}, {0, bodyBottom + flame}, Rgb(kFlameYellow), Rgb(kFlameRed)));
    c.Fill(inner, Paint::Linear({0, bodyBottom}, {0, bodyBottom + flame * 0.6}, Rgb(kFlameCore), Rgb(kFlameYellow)));

    const Mask fins = ShapeOn(
        c, Path().AddPolygon({at(-10, 38), at(-21, 62), at(-10, 56)}).AddPolygon({at(10, 38), at(10, 56), at(21, 62)}));
    const Mask body = ShapeOn(c, Path()
                                     .MoveTo(at(-11, 22))
                                     .CubicTo(at(-11, 9), at(-4, 0), at(0, 0))
                                     .CubicTo(at(4, 0), at(11, 9), at(11, 22))
                                     .LineTo(at(11, 60))
                                     .LineTo(at(-11, 60))
                                     .Close());
    const Mask tip = body.Intersect(ShapeOn(c, Path().AddRect(0, 0, kRocketCel, at(0, 16).y)));
    const Vec2 n = at(-7, 59);
    const Mask nozzle = ShapeOn(c, Path().AddRoundedRect(n.x, n.y, 14 * s, 5 * s, 1.5));
    const double left = at(-11, 0).x, right = at(11, 0).x;
    DrawDropShadow(c, body.Union(fins), style::kTurnedShadow, 0.8f);
    PaintRaised(c, fins, Material::Cloth);
    PaintRaised(c, nozzle, Material::Ink);
    c.Fill(body.Dilated(0.8), Paint::Solid(Rgb(kGreyDark)));
    c.Fill(body, Paint::Linear({left, 0}, {right, 0}, {{0, Rgb(kGreyLight)}, {0.35, Rgb(0xFFFFFF)}, {1, Rgb(kGrey)}}));
    c.Fill(tip,
           Paint::Linear({left, 0}, {right, 0}, {{0, Rgb(kCloth)}, {0.35, Rgb(kClothLight)}, {1, Rgb(kClothDark)}}));
    const Vec2 band = at(-11, 50);
    c.Fill(ShapeOn(c, Path().AddRect(band.x, band.y, 22 * s, 3 * s)), Paint::Solid(Rgb(kGold)));
    const Vec2 w = at(0, 29);
    const Mask window = Disc(c, w, 4.6 * s);
    c.Fill(window.Dilated(1.3), Paint::Solid(Rgb(kGoldDark)));
    c.Fill(window, Paint::Radial({w.x - 2, w.y - 2}, 6.5, 6.5, {{0, Rgb(0x9CC8F0)}, {1, Rgb(0x2A5C9E)}}));
}

// 春天, the spring: the word grows with a little overshoot, then stays while sparkles come and go.
void DrawSpring(Canvas& c, int cel)
{
    static const double kScale[] = {0.35, 0.6, 0.85, 1.08, 1.0, 1.0};
    const int points = int(std::lround(44 * kScale[cel]));
    const Mask word = CentredText(L"春天", {points, true}, c.Width(), c.Height(), 0, 0, kSpringCel, kSpringHeight);
    const PixelBounds b = word.Bounds();
    // A claret ribbon behind it, swallow-tailed, growing with it.
    const double scale = kScale[cel], tail = 12 * scale, half = b.height * 0.36;
    const double left = b.x - 22 * scale, right = b.x + b.width + 22 * scale, mid = b.y + b.height / 2.0;
    const Mask ribbon = ShapeOn(c, Path().AddPolygon({{left - tail, mid - half},
                                                      {right + tail, mid - half},
                                                      {right, mid},
                                                      {right + tail, mid + half},
                                                      {left - tail, mid + half},
                                                      {left, mid}}));
    DrawDropShadow(c, ribbon);
    PaintRaised(c, ribbon, Material::Cloth);
    if (half > 8)
        AddPiping(c, ribbon, 2.0, 0.7f);
    const Mask outline = word.Dilated(2.2);
    c.Fill(outline.Blurred(2.0), Paint::Solid(Sexy::Color::Black), 0.5f, 2, 3);
    c.Fill(outline, Paint::Solid(Rgb(kClothDark)));
    c.Fill(word, Paint::Linear({0, double(b.y)}, {0, double(b.y + b.height)},
                               {{0, Rgb(0xFFF3C4)}, {0.45, Rgb(kGoldLight)}, {0.55, Rgb(kGold)}, {1, Rgb(kGoldDark)}}));
    c.Fill(BevelLight(word, 1), Paint::Solid(Sexy::Color::White), 0.5f);
    if (cel < 2)
        return;
    // Sparkles at places round the word, a different few lit in each cel.
    static const Vec2 kAt[] = {{52, 22}, {206, 30}, {70, 88}, {196, 84}, {128, 12}, {36, 58}, {226, 60}, {150, 98}};
    for (int i = 0; i < 8; ++i)
    {
        if ((i + cel) % 3 == 0)
            continue;
        const double r = 4 + 5 * Scatter(i, cel);
        PaintGlint(c, kAt[i], r);
    }
}

// The aircraft of the airplane play, flying from the left of its cel to the right, bobbing a little.
void DrawPlane(Canvas& c, int cel)
{
    constexpr double s = 1.55; // the drawing below is made for an aircraft 56 long
    const Vec2 m{64 + cel * 14.4, 50 + 3 * std::sin(cel * 1.3)};
    auto at = [&](double dx, double dy) { return Vec2{m.x + dx * s, m.y + dy * s}; };
    auto polygon = [&](std::initializer_list<Vec2> points)
    {
        std::vector<Vec2> placed;
        for (const Vec2& p : points)
            placed.push_back(at(p.x, p.y));
        return ShapeOn(c, Path().AddPolygon(placed));
    };
    // Speed lines behind it, fading out before the cel's edge.
    for (int i = 0; i < 3; ++i)
    {
        const double ly = at(0, -5 + i * 5).y, from = at(-30, 0).x, to = std::max(3.0, from - 30 - 10 * i);
        if (from - to < 6)
            continue;
        c.Fill(ShapeOn(c, Stroke(Path().MoveTo({from, ly}).LineTo({to, ly}), 1.4)),
               Paint::Linear({from, 0}, {to, 0}, Rgb(0xFFFFFF, 200), Rgb(0xFFFFFF, 0)));
    }
    const Mask farWing = polygon({{-4, -2}, {6, -2}, {-4, -14}, {-12, -14}});
    const Mask tail = polygon({{-25, -2}, {-29, -18}, {-21, -18}, {-12, -3}});
    const Mask fuselage = ShapeOn(c, Path()
                                         .MoveTo(at(-26, -3))
                                         .CubicTo(at(-10, -9), at(18, -9), at(26, -1))
                                         .CubicTo(at(27, 3), at(20, 7), at(8, 7))
                                         .LineTo(at(-20, 3))
                                         .Close());
    const Mask nearWing = polygon({{-6, 2}, {8, 2}, {-3, 18}, {-13, 18}});
    const Mask all = farWing.Union(tail).Union(fuselage).Union(nearWing);
    DrawDropShadow(c, all, style::kShadow, 1.5f);
    PaintRaised(c, farWing, Material::Cloth);
    c.Fill(farWing, Paint::Solid(Sexy::Color::Black), 0.25f);
    PaintRaised(c, tail, Material::Cloth);
    c.Fill(fuselage.Dilated(0.8), Paint::Solid(Rgb(kGreyDark)));
    c.Fill(fuselage,
           Paint::Linear({0, at(0, -8).y}, {0, at(0, 7).y}, {{0, Rgb(0xFFFFFF)}, {0.5, Rgb(kPaper)}, {1, Rgb(kGrey)}}));
    const Vec2 stripe = at(-30, 0.5);
    c.Fill(fuselage.Intersect(ShapeOn(c, Path().AddRect(stripe.x, stripe.y, 60 * s, 2.2 * s))),
           Paint::Solid(Rgb(kCloth)));
    for (int i = 0; i < 4; ++i)
        c.Fill(Disc(c, at(4 + i * 4.5, -3.2), 1.3 * s), Paint::Solid(Rgb(0x2A5C9E)));
    PaintRaised(c, nearWing, Material::Cloth);
    // The propeller turning: a blurred disc seen edge on, its hub in gold.
    c.Fill(ShapeOn(c, Path().AddEllipse(at(27, 1), 1.8 * s, 11 * s)), Paint::Solid(Rgb(kGreyDark)), 0.45f);
    PaintRaised(c, Disc(c, at(26.5, 1), 2.2 * s), Material::Gold);
}

} // namespace

std::vector<Picture> LandlordPictures()
{
    auto button = [](const char* name, const wchar_t* label, Material material, int cel = kButtonCel)
    {
        return Picture{name,
                       SkinPart::Game,
                       4 * cel,
                       kButtonHeight,
                       4,
                       FileFormat::Png,
                       LabelButton(label, material, {style::kFontTitle + 2, true})};
    };
    auto single = [](const char* name, int w, int h, std::function<void(Canvas&)> draw)
    { return Picture{name, SkinPart::Game, w, h, 1, FileFormat::Png, [draw](Canvas& c, int) { draw(c); }}; };
    auto strip = [](const char* name, int cel, int h, int cels, void (*draw)(Canvas&, int))
    { return Picture{name, SkinPart::Game, cel * cels, h, cels, FileFormat::Png, Faded(draw)}; };
    return {
        // What plays or bids is claret, what holds back wood, the helpers dark wood.
        button("images/landlord/btn_play", L"出牌", Material::Cloth),
        button("images/landlord/btn_pass", L"不出", Material::Wood),
        button("images/landlord/btn_hint", L"提示", Material::DarkWood),
        button("images/landlord/btn_bid0", L"不叫", Material::Wood),
        button("images/landlord/btn_bid1", L"1分", Material::Cloth),
        button("images/landlord/btn_bid2", L"2分", Material::Cloth),
        button("images/landlord/btn_bid3", L"3分", Material::Cloth),
        button("images/landlord/btn_auto", L"托管", Material::DarkWood),
        button("images/landlord/btn_unauto", L"取消托管", Material::DarkWood, kWideButtonCel),
        button("images/landlord/btn_ready", L"准备", Material::Cloth),
        single("images/landlord/mark_landlord", kMark, kMark,
               [](Canvas& c) { DrawBadge(c, L"地", Material::Gold, kClothDark); }),
        single("images/landlord/mark_farmer", kMark, kMark,
               [](Canvas& c) { DrawBadge(c, L"农", Material::Wood, kGoldLight); }),
        single("images/landlord/clock", kClockWidth, kClockHeight, DrawClock),
        single("images/landlord/result_bg", kPanelWidth, kPanelHeight, DrawResultPanel),
        strip("images/landlord/bomb", kBombCel, kBombCel, kBombCels, DrawBomb),
        strip("images/landlord/rocket", kRocketCel, kRocketHeight, kRocketCels, DrawRocket),
        strip("images/landlord/spring", kSpringCel, kSpringHeight, kSpringCels, DrawSpring),
        strip("images/landlord/plane", kPlaneCel, kPlaneHeight, kPlaneCels, DrawPlane),
    };
}

} // namespace skin
