// The parts of the lists: scrollbars, the user list's header lines, the grounds of the quick-chat
// list and of the player menu.
//
// Scrollbars are as thick as the arrows' cels are wide (15). The lists make their horizontal bars
// from the same pictures turned a quarter: the arrows turned and mirrored (which keeps their light
// at the top left), the thumb and the track only turned, so the thumb and the track are lit along
// their length from one side (the left, which the turn makes the top) and their two ends are
// alike. The track is stretched along the bar and the thumb's middle is tiled, so both are the same
// all along.
#include "assets/pictures/Families.h"

#include "assets/pictures/Parts.h"
#include "assets/raster/Effects.h"

#include <vector>

namespace skin
{
namespace
{

using namespace style::palette;
using style::Rgb;

constexpr int kBar = 15;     // thickness of every scrollbar
constexpr int kThumbCap = 6; // each of the thumb's three rows of cels
constexpr int kHeader = 18;  // the user list's header row and its rows

Mask ArrowMark(const Canvas& face, const Box& p, bool up)
{
    const Vec2 c = p.Centre();
    const std::vector<Vec2> points = up ? std::vector<Vec2>{{c.x - 4, c.y + 2}, {c.x, c.y - 2.5}, {c.x + 4, c.y + 2}}
                                        : std::vector<Vec2>{{c.x - 4, c.y - 2}, {c.x + 4, c.y - 2}, {c.x, c.y + 2.5}};
    return ShapeOn(face, Path().AddPolygon(points));
}

// The thumb of a vertical bar, whole, for one state: 0 at rest, 1 under the pointer, 2 dragged.
void DrawThumbColumn(Canvas& canvas, int state)
{
    const int x0 = state * kBar;
    Canvas column(kBar, 3 * kThumbCap);
    const Box body{2, 0.5, kBar - 4.0, 3.0 * kThumbCap - 1};
    const Mask shape = RoundBoxOn(column, body, 4.5);
    const Tone tone = ToneOf(state == 2 ? Material::Gold : Material::Wood);
    column.Fill(shape, Paint::Solid(Rgb(tone.edge)));
    const Mask face = shape.Subtract(BevelDark(shape, 1).Union(BevelLight(shape, 1)).Scaled(0.9f));
    // Lit across, not along: the gradient runs from the left edge to the right one.
    column.Fill(face, Paint::Linear({body.x, 0}, {body.Right(), 0}, Rgb(tone.lit), Rgb(tone.shaded)));
    const Mask left = face.Subtract(face.Shifted(1, 0)), right = face.Subtract(face.Shifted(-1, 0));
    column.Fill(left, Paint::Solid(Sexy::Color::White), 0.45f);
    column.Fill(right, Paint::Solid(Sexy::Color::Black), 0.35f);
    // Grip lines across the middle rows, so the tiled middle shows it can be taken hold of.
    for (int y = kThumbCap; y < 2 * kThumbCap; y += 2)
        column.Fill(ShapeOn(column, Path().AddRect(body.x + 2.5, y + 0.5, body.w - 5, 1)), Paint::Solid(Rgb(tone.edge)),
                    0.55f);
    if (state == 1)
    {
        column.ScaleBrightness(1.14f);
        column.Fill(BevelLight(shape, 1).Union(BevelDark(shape, 1)), Paint::Solid(Rgb(kGoldLight)), 0.9f);
    }
    canvas.Draw(column, x0, 0);
}

void DrawTrack(Canvas& canvas)
{
    const int w = canvas.Width(), h = canvas.Height();
    for (int x = 0; x < w; ++x)
    {
        // A groove across the bar: deepest just right of its left edge, catching light at its right.
        const double t = (x + 0.5) / w;
        const int shade = x == 0 ? 0x0C0A08 : x == w - 1 ? 0x4A3A2C : t < 0.3 ? 0x14100C : 0x1E1812;
        canvas.Fill(ShapeOn(canvas, Path().AddRect(x, 0, 1, h)), Paint::Solid(Rgb(shade)));
    }
}

void DrawHeaderSpan(Canvas& canvas)
{
    // The line between two column headings: a cut with a lit edge.
    canvas.Fill(ShapeOn(canvas, Path().AddRect(0, 0, 1, canvas.Height())), Paint::Solid(Rgb(0x0C0A08)));
    canvas.Fill(ShapeOn(canvas, Path().AddRect(1, 0, 1, canvas.Height())), Paint::Solid(Rgb(kWoodDark)));
}

void DrawListHeaderSpan(Canvas& canvas)
{
    canvas.Fill(ShapeOn(canvas, Path().AddRect(0, 0, canvas.Width(), 1)), Paint::Solid(Rgb(kGoldDark)));
    canvas.Fill(ShapeOn(canvas, Path().AddRect(0, 1, canvas.Width(), 1)), Paint::Solid(Rgb(0x0C0A08)));
}

void DrawListSelected(Canvas& canvas)
{
    const Box row{0, 0, double(canvas.Width()), double(canvas.Height())};
    canvas.Fill(ShapeOn(canvas, Path().AddRect(row.x, row.y, row.w, row.h)),
                Paint::Linear({0, 0}, {0, row.h}, Rgb(0x7A1520), Rgb(0x55090E)));
    canvas.Fill(ShapeOn(canvas, Path().AddRect(0, 0, row.w, 1)), Paint::Solid(Rgb(kGold)), 0.6f);
    canvas.Fill(ShapeOn(canvas, Path().AddRect(0, row.h - 1, row.w, 1)), Paint::Solid(Rgb(kGoldDark)), 0.6f);
}

// A panel drawn as a box: its corners keep their size and its middle stretches, so everything
// that shows at its edge lies within a third of its size from the edge.
void DrawQuickChatGround(Canvas& canvas)
{
    const Mask panel = RoundBoxOn(canvas, {0, 0, double(canvas.Width()), double(canvas.Height())}, 5);
    PaintRaised(canvas, panel, Material::DarkWood);
    canvas.Fill(panel.Subtract(BevelLight(panel, 3)).Subtract(BevelDark(panel, 3)), Paint::Solid(Rgb(0x31250B)), 0.55f);
    AddPiping(canvas, panel, 2.0, 0.75f);
}

void DrawMenuGround(Canvas& canvas)
{
    const Box whole{0, 0, double(canvas.Width()), double(canvas.Height())};
    const Mask panel = RoundBoxOn(canvas, whole, 4);
    canvas.Fill(panel, Paint::Solid(Rgb(kGoldDark)));
    const Mask inner = RoundBoxOn(canvas, whole.Inset(1), 3);
    canvas.Fill(inner, Paint::Linear({0, 0}, {0, whole.h}, Rgb(0x2A1614), Rgb(0x170C0B)));
    canvas.Fill(BevelLight(inner, 1), Paint::Solid(Sexy::Color::White), 0.12f);
}

} // namespace

std::vector<Picture> ListPictures()
{
    auto arrow = [](const char* name, bool up)
    {
        return Picture{
            name,
            SkinPart::Game,
            4 * kBar,
            kBar,
            4,
            FileFormat::Png,
            SmallButton(Material::Wood, [up](const Canvas& face, const Box& p) { return ArrowMark(face, p, up); })};
    };
    auto one = [](const char* name, int w, int h, void (*draw)(Canvas&))
    { return Picture{name, SkinPart::Game, w, h, 1, FileFormat::Png, [draw](Canvas& c, int) { draw(c); }}; };
    return {
        arrow("images/base/list/scroll_up", true),
        arrow("images/base/list/scroll_down", false),
        {"images/base/list/scroll_thumb", SkinPart::Game, 3 * kBar, 3 * kThumbCap, 1, FileFormat::Png,
         [](Canvas& c, int)
         {
             for (int state = 0; state < 3; ++state)
                 DrawThumbColumn(c, state);
         }},
        one("images/base/list/scroll_track", kBar, 16, DrawTrack),
        one("images/base/list/header_span", 2, kHeader - 4, DrawHeaderSpan),
        one("images/base/list/list_header_span", 16, 2, DrawListHeaderSpan),
        one("images/base/list/list_selected", 16, kHeader, DrawListSelected),
        one("images/base/quick_chat_bg", 24, 24, DrawQuickChatGround),
        one("images/base/user_menu_bg", 24, 24, DrawMenuGround),
    };
}

} // namespace skin
