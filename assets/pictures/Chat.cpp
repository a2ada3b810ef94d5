// The chat's pictures: the ground of the chat input and its two buttons, the bulletin strip with
// its close button, and the speech bubbles over the seats.
//
// The chat input sits at the bottom right of the window: the edit box (272 x 20 at x 708) and the
// quick-chat button right after it lie on one ground stretched over 296 x 20, the send button 6
// pixels further right, all within the window's frame. The bulletin strip is 1012 wide and shows
// its text centred on a baseline 20 below its top; its close button sits 6 below the top, 18 from
// the window's right edge. A bubble holds up to four lines of 18 pixels between margins that the
// game gives it (14 suits these); its tail points at the seat it speaks for.
#include "assets/pictures/Families.h"

#include "assets/pictures/Parts.h"
#include "assets/raster/Effects.h"

#include <string>
#include <vector>

namespace skin
{
namespace
{

using namespace style::palette;
using style::Rgb;

constexpr int kBulletinWidth = 1012, kBulletinHeight = 28;
constexpr int kBubbleWidth = 170, kBubbleBody = 96, kBubbleTail = 10;

void DrawEditGround(Canvas& canvas)
{
    const Box field{0, 0, double(canvas.Width()), double(canvas.Height())};
    const Mask rim = RoundBoxOn(canvas, field, 4);
    canvas.Fill(rim, Paint::Linear({0, 0}, {0, field.h}, Rgb(kWoodDeep), Rgb(kWoodLight)));
    const Mask hollow = RoundBoxOn(canvas, field.Inset(1), 3);
    PaintSunken(canvas, hollow, 0x0E0C0A, 0.8f);
}

Mask UpMark(const Canvas& face, const Box& p)
{
    const Vec2 c = p.Centre();
    return ShapeOn(face, Path().AddPolygon({{c.x - 3, c.y + 1.5}, {c.x, c.y - 2}, {c.x + 3, c.y + 1.5}}));
}

// A paper dart flying right: send.
Mask SendMark(const Canvas& face, const Box& p)
{
    const Vec2 c = p.Centre();
    const Mask dart = ShapeOn(
        face, Path().AddPolygon({{c.x - 5.5, c.y - 4.5}, {c.x + 5.5, c.y}, {c.x - 5.5, c.y + 4.5}, {c.x - 3.5, c.y}}));
    const Mask fold = ShapeOn(face, Stroke(Path().MoveTo({c.x - 3.5, c.y}).LineTo({c.x + 3, c.y}), 0.9));
    return dart.Subtract(fold.Scaled(0.7f));
}

Mask CloseMark(const Canvas& face, const Box& p)
{
    const Vec2 c = p.Centre();
    constexpr double r = 3.6;
    return ShapeOn(face, Stroke(Path().MoveTo({c.x - r, c.y - r}).LineTo({c.x + r, c.y + r}), 1.9)
                             .AddPath(Stroke(Path().MoveTo({c.x - r, c.y + r}).LineTo({c.x + r, c.y - r}), 1.9)));
}

// A speaking trumpet, the bulletin's sign.
Path HornPath(Vec2 at)
{
    return Path()
        .AddPolygon({{at.x, at.y - 2.5},
                     {at.x + 4, at.y - 2.5},
                     {at.x + 12, at.y - 7.5},
                     {at.x + 12, at.y + 7.5},
                     {at.x + 4, at.y + 2.5},
                     {at.x, at.y + 2.5}})
        .AddRoundedRect(at.x + 3, at.y + 2, 3, 6, 1);
}

void DrawBulletin(Canvas& canvas)
{
    const Box strip{0, 0, double(canvas.Width()), double(canvas.Height())};
    const Mask band = RoundBoxOn(canvas, strip, 4);
    canvas.Fill(band, Paint::Linear({0, 0}, {0, strip.h}, Rgb(kClothLight, 235), Rgb(kClothDark, 235)));
    canvas.Fill(band, Paint::Linear({0, 0}, {strip.w, 0},
                                    {{0, Rgb(kClothDark, 0)}, {0.5, Rgb(kCloth, 120)}, {1, Rgb(kClothDark, 0)}}));
    DrawBevel(canvas, band, style::kClothBevel);
    AddPiping(canvas, band, 2.0, 0.8f);
    // The sign at the left end; the close button stands at the right one.
    const Vec2 at{12.0, strip.h / 2};
    PaintMark(canvas, ShapeOn(canvas, HornPath(at)), kGoldLight);
    for (int wave = 1; wave <= 2; ++wave)
    {
        const double r = 3.0 * wave + 1;
        Path arc;
        arc.MoveTo({at.x + 13 + r * 0.5, at.y - r});
        arc.QuadTo({at.x + 13 + r * 1.2, at.y}, {at.x + 13 + r * 0.5, at.y + r});
        PaintMark(canvas, ShapeOn(canvas, Stroke(arc, 1.2)), kGoldLight);
    }
}

// A bubble: its body, and a tail below or above it, at its left or its right.
void DrawBubble(Canvas& canvas, bool tailBelow, bool tailLeft)
{
    const double top = tailBelow ? 0 : kBubbleTail;
    const Box body{1, top + 1, kBubbleWidth - 2.0, kBubbleBody - 2.0};
    const double tx = tailLeft ? 30 : kBubbleWidth - 30;
    const double dir = tailLeft ? -1 : 1;
    const double baseY = tailBelow ? body.Bottom() - 2 : body.y + 2;
    const double tipY = tailBelow ? canvas.Height() - 1.0 : 1.0;
    Path shape = Path().AddRoundedRect(body.x, body.y, body.w, body.h, 12);
    shape.AddPolygon({{tx - 9, baseY}, {tx + 7, baseY}, {tx + dir * 10, tipY}});
    const Mask bubble = ShapeOn(canvas, shape);
    canvas.Fill(bubble, Paint::Solid(Rgb(kGold)));
    const Mask inner = bubble.Subtract(BevelLight(bubble, 1).Union(BevelDark(bubble, 1)));
    canvas.Fill(inner, Paint::Linear({0, body.y}, {0, body.Bottom()}, Rgb(0x3A2A1A, 238), Rgb(0x1C130C, 238)));
    canvas.Fill(BevelLight(inner, 2), Paint::Solid(Sexy::Color::White), 0.15f);
}

} // namespace

std::vector<Picture> ChatPictures()
{
    std::vector<Picture> pictures = {
        {"images/base/edit_send_bg", SkinPart::Game, 24, 20, 1, FileFormat::Png,
         [](Canvas& c, int) { DrawEditGround(c); }},
        {"images/base/btn/quick_chat", SkinPart::Game, 3 * 12, 12, 3, FileFormat::Png,
         SmallButton(Material::Wood, UpMark, 2)},
        {"images/base/btn/edit_send", SkinPart::Game, 4 * 20, 20, 4, FileFormat::Png,
         SmallButton(Material::Cloth, SendMark)},
        {"images/base/edit_send", SkinPart::Game, 4 * 52, 26, 4, FileFormat::Png,
         LabelButton(L"发送", Material::Cloth, {style::kFontLabel, true})},
        {"images/base/bullbak", SkinPart::Game, kBulletinWidth, kBulletinHeight, 1, FileFormat::Png,
         [](Canvas& c, int) { DrawBulletin(c); }},
        {"images/base/btn/closebull", SkinPart::Game, 3 * 20, 20, 3, FileFormat::Png,
         SmallButton(Material::DarkWood, CloseMark, 10)},
    };
    // chat0 and chat1 speak for seats below them (the tail at the bottom left, at the bottom right),
    // chat2 and chat3 for seats above them.
    for (int n = 0; n < 4; ++n)
        pictures.push_back({"images/base/chat/chat" + std::to_string(n), SkinPart::Game, kBubbleWidth,
                            kBubbleBody + kBubbleTail, 1, FileFormat::Png,
                            [n](Canvas& c, int) { DrawBubble(c, n < 2, n % 2 == 0); }});
    return pictures;
}

} // namespace skin
