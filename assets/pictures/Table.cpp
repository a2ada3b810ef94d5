// The game's ground and the frames round a seat's portrait.
//
// images/data/bg is the whole window, 1024 x 738: the window draws all of it, the table view the
// part (5, 33, 1014, 700) below the title bar and inside the frame. It is laid out for what the
// window and the view put on it:
//   title bar   y 0 to 32, dark wood: the window is dragged by it and its buttons sit on it;
//   the table   felt from y 33 down to 588, where the game plays;
//   the console wood below, with dark wells for the user list (8, 617, 314 x 114, its header row
//               the first 18), the chat (702, 595, 314 x 110), and a felt tray between them for the
//               game's own use; the chat input lies on the console at (700, 711);
//   the frame   5 pixels of wood left, right and below.
// images/data/show_frame and show_frame_flash (72 x 72) go round a 60 x 60 portrait placed 6
// pixels in from their corner; the flashing one, lit gold, marks the seat whose turn it is.
#include "assets/pictures/Families.h"

#include "assets/pictures/Parts.h"
#include "assets/raster/Effects.h"

#include <cmath>

namespace skin
{
namespace
{

using namespace style::palette;
using style::Rgb;

constexpr int kWidth = 1024, kHeight = 738;
constexpr int kTitle = 32, kFrame = 5, kConsole = 588;
constexpr int kFrameSize = 72, kPortraitInset = 6;

Mask Rect(const Canvas& c, double x, double y, double w, double h)
{
    return ShapeOn(c, Path().AddRect(x, y, w, h));
}

// The four suits, the title bar's sign, in a row from x.
Path Suits(double x, double cy, double r)
{
    Path all;
    // Spade: a heart upside down, with a stem.
    const Vec2 s{x + r, cy};
    all.AddEllipse({s.x - r * 0.48, s.y + r * 0.15}, r * 0.52, r * 0.52)
        .AddEllipse({s.x + r * 0.48, s.y + r * 0.15}, r * 0.52, r * 0.52)
        .AddPolygon({{s.x - r, s.y + 0.05 * r}, {s.x, s.y - r}, {s.x + r, s.y + 0.05 * r}})
        .AddPolygon({{s.x - r * 0.35, s.y + r}, {s.x, s.y + r * 0.2}, {s.x + r * 0.35, s.y + r}});
    // Heart.
    const Vec2 h{x + 3.4 * r, cy};
    all.AddEllipse({h.x - r * 0.48, h.y - r * 0.3}, r * 0.52, r * 0.52)
        .AddEllipse({h.x + r * 0.48, h.y - r * 0.3}, r * 0.52, r * 0.52)
        .AddPolygon({{h.x - r, h.y - r * 0.15}, {h.x + r, h.y - r * 0.15}, {h.x, h.y + r}});
    // Club.
    const Vec2 c{x + 5.8 * r, cy};
    all.AddEllipse({c.x, c.y - r * 0.5}, r * 0.45, r * 0.45)
        .AddEllipse({c.x - r * 0.5, c.y + r * 0.15}, r * 0.45, r * 0.45)
        .AddEllipse({c.x + r * 0.5, c.y + r * 0.15}, r * 0.45, r * 0.45)
        .AddPolygon({{c.x - r * 0.35, c.y + r}, {c.x, c.y}, {c.x + r * 0.35, c.y + r}});
    // Diamond.
    const Vec2 d{x + 8.1 * r, cy};
    all.AddPolygon({{d.x, d.y - r}, {d.x + r * 0.72, d.y}, {d.x, d.y + r}, {d.x - r * 0.72, d.y}});
    return all;
}

void DrawTitleBar(Canvas& c)
{
    const Mask bar = Rect(c, 0, 0, kWidth, kTitle);
    c.Fill(bar, Paint::Linear({0, 0}, {0, kTitle}, Rgb(kWood), Rgb(kWoodDeep)));
    AddGrain(c, bar, 31, 0.22f);
    c.Fill(Rect(c, 0, 0, kWidth, 1), Paint::Solid(Sexy::Color::White), 0.25f);
    c.Fill(Rect(c, 0, kTitle - 2, kWidth, 1), Paint::Solid(Rgb(kGoldDark)), 0.9f);
    c.Fill(Rect(c, 0, kTitle - 1, kWidth, 1), Paint::Solid(Rgb(0x120A04)));
    const Mask suits = ShapeOn(c, Suits(12, 15, 6.5));
    c.Fill(suits, Paint::Solid(Sexy::Color::Black), 0.5f, 1, 1);
    c.Fill(suits, Paint::Linear({0, 8}, {0, 22}, Rgb(kGoldLight), Rgb(kGoldDark)));
}

void DrawFelt(Canvas& c)
{
    const double top = kTitle + 1, bottom = kConsole, left = kFrame, right = kWidth - kFrame;
    const Mask felt = Rect(c, left, top, right - left, bottom - top);
    c.Fill(felt, Paint::Radial({kWidth / 2.0, 300}, 620, 380,
                               {{0, Rgb(kFeltLight)}, {0.55, Rgb(kFelt)}, {1, Rgb(kFeltDark)}}));
    AddNap(c, felt, 7, 0.12f);
    // The table's printed lines: an oval round the middle, and a finer one inside it.
    const Vec2 centre{kWidth / 2.0, 305};
    c.Fill(ShapeOn(c, Stroke(Path().AddEllipse(centre, 430, 225), 2.2)), Paint::Solid(Rgb(kGoldLight)), 0.22f);
    c.Fill(ShapeOn(c, Stroke(Path().AddEllipse(centre, 418, 214), 0.9)), Paint::Solid(Rgb(kGoldLight)), 0.16f);
    // The title bar and the console stand above the felt and shade its edges.
    c.Fill(Rect(c, left, top, right - left, 14), Paint::Linear({0, top}, {0, top + 14}, Rgb(0, 110), Rgb(0, 0)));
    c.Fill(Rect(c, left, bottom - 10, right - left, 10),
           Paint::Linear({0, bottom - 10}, {0, bottom}, Rgb(0, 0), Rgb(0, 90)));
}

void DrawWell(Canvas& c, const Box& box, int colour)
{
    const Mask rim = RoundBoxOn(c, box.Inset(-2), 5);
    c.Fill(rim, Paint::Linear({0, box.y - 2}, {0, box.Bottom() + 2}, Rgb(kWoodDeep), Rgb(kWoodLight)));
    PaintSunken(c, RoundBoxOn(c, box, 3), colour, 0.8f);
}

void DrawConsole(Canvas& c)
{
    const Mask console = Rect(c, kFrame, kConsole, kWidth - 2 * kFrame, kHeight - kFrame - kConsole);
    c.Fill(console, Paint::Linear({0, kConsole}, {0, kHeight}, Rgb(kWoodLight), Rgb(kWood)));
    AddGrain(c, console, 43, 0.2f);
    c.Fill(Rect(c, kFrame, kConsole, kWidth - 2 * kFrame, 2), Paint::Solid(Rgb(kGoldLight)), 0.6f);
    c.Fill(Rect(c, kFrame, kConsole + 2, kWidth - 2 * kFrame, 1), Paint::Solid(Sexy::Color::White), 0.25f);

    // The user list: a header row, then the rows (the list's scrollbars lie inside it).
    DrawWell(c, {7, 616, 316, 116}, 0x141110);
    c.Fill(Rect(c, 8, 617, 314, 18), Paint::Linear({0, 617}, {0, 635}, Rgb(0x3A3028), Rgb(0x231C17)));
    // The chat.
    DrawWell(c, {701, 594, 316, 112}, 0x141110);
    // A felt tray for what the game shows between them.
    const Box tray{334, 600, 356, 126};
    DrawWell(c, tray, kFeltDark);
    const Mask trayFelt = RoundBoxOn(c, tray.Inset(2), 2);
    c.Fill(trayFelt, Paint::Radial(tray.Centre(), tray.w * 0.7, tray.h, {{0, Rgb(kFelt)}, {1, Rgb(kFeltDark)}}));
    AddNap(c, trayFelt, 11, 0.1f);
}

void DrawFrame(Canvas& c)
{
    const Mask sides = Rect(c, 0, kTitle, kFrame, kHeight - kTitle)
                           .Union(Rect(c, kWidth - kFrame, kTitle, kFrame, kHeight - kTitle))
                           .Union(Rect(c, 0, kHeight - kFrame, kWidth, kFrame));
    c.Fill(sides, Paint::Solid(Rgb(kWoodDark)));
    AddGrain(c, sides, 3, 0.25f);
    c.Fill(Rect(c, kFrame - 1, kTitle, 1, kHeight - kTitle - kFrame), Paint::Solid(Rgb(0x120A04)), 0.8f);
    c.Fill(Rect(c, kWidth - kFrame, kTitle, 1, kHeight - kTitle - kFrame), Paint::Solid(Sexy::Color::White), 0.15f);
    c.Fill(Rect(c, 0, kHeight - 1, kWidth, 1), Paint::Solid(Rgb(0x120A04)));
}

void DrawGround(Canvas& c)
{
    // An opaque base under everything: the ground fills the window, and a picture without a
    // see-through pixel is copied to the screen instead of blended, which costs a frame far less.
    c.Fill(Path().AddRect(0, 0, kWidth, kHeight), Paint::Solid(Rgb(kWoodDeep)));
    DrawFelt(c);
    DrawConsole(c);
    DrawFrame(c);
    DrawTitleBar(c);
}

void DrawPortraitFrame(Canvas& c, bool lit)
{
    const Box outer{2, 2, kFrameSize - 4.0, kFrameSize - 4.0};
    const Box window{double(kPortraitInset), double(kPortraitInset), 60, 60};
    const Mask ring = RoundBoxOn(c, outer, 8).Subtract(RoundBoxOn(c, window.Inset(-0.5), 6));
    if (lit)
    {
        const Mask glow = ring.Dilated(1.5).Blurred(1.2);
        c.Fill(glow.Subtract(RoundBoxOn(c, window, 6)), Paint::Solid(Rgb(kGoldLight)), 0.8f);
    }
    else
    {
        DrawDropShadow(c, ring, style::kTurnedShadow, 0.6f);
    }
    PaintRaised(c, ring, lit ? Material::Gold : Material::Wood);
    if (!lit)
        AddPiping(c, ring, 1.2, 0.8f);
    // A stud at each corner.
    for (const Vec2 at :
         {Vec2{5, 5}, Vec2{kFrameSize - 5.0, 5}, Vec2{5, kFrameSize - 5.0}, Vec2{kFrameSize - 5.0, kFrameSize - 5.0}})
        PaintRaised(c, ShapeOn(c, Path().AddEllipse(at, 2.6, 2.6)), lit ? Material::Cloth : Material::Gold);
}

} // namespace

std::vector<Picture> TablePictures()
{
    return {
        {"images/data/bg", SkinPart::Game, kWidth, kHeight, 1, FileFormat::Png, [](Canvas& c, int) { DrawGround(c); }},
        {"images/data/show_frame", SkinPart::Game, kFrameSize, kFrameSize, 1, FileFormat::Png,
         [](Canvas& c, int) { DrawPortraitFrame(c, false); }},
        {"images/data/show_frame_flash", SkinPart::Game, kFrameSize, kFrameSize, 1, FileFormat::Png,
         [](Canvas& c, int) { DrawPortraitFrame(c, true); }},
    };
}

} // namespace skin
