// The buttons of the game window's title bar, the replay controls, the big buttons a game puts on
// its table (start, change table) and the net-speed light.
//
// The title bar is the top 32 pixels of the window. Close and minimise hang from its top edge
// (placed at y 0, 32 high); settings, help, screenshot and the replay controls sit at y 8 and
// are 24 high, so all their plates end on the same line, 5 pixels above the bar's edge. The
// minimise picture serves some hidden buttons as 4 cels too, so its width divides by 12.
#include "assets/pictures/Families.h"

#include "assets/pictures/Parts.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace skin
{
namespace
{

using namespace style::palette;
using style::Rgb;

constexpr double kPi = 3.14159265358979323846;

constexpr int kCornerCel = 36, kCornerHeight = 32; // close, minimise, restore, maximise
constexpr int kBarCel = 30, kBarHeight = 24;       // settings, help, screenshot
constexpr int kReplayCel = 36;                     // the replay controls, at the bar's height
constexpr int kTableCel = 88, kTableHeight = 36;   // start, change table, stake

Path Line(Vec2 a, Vec2 b, double width)
{
    return Stroke(Path().MoveTo(a).LineTo(b), width);
}

Path RectOutline(double x, double y, double w, double h, double width)
{
    return Path()
        .AddRect(x, y, w, h)
        .AddPath(Path().AddRect(x + width, y + width, w - 2 * width, h - 2 * width).Reversed());
}

Mask CloseMark(const Canvas& face, const Box& p)
{
    const Vec2 c = p.Centre();
    const double r = std::min(p.w, p.h) * 0.24;
    return ShapeOn(face, Path()
                             .AddPath(Line({c.x - r, c.y - r}, {c.x + r, c.y + r}, 2.4))
                             .AddPath(Line({c.x - r, c.y + r}, {c.x + r, c.y - r}, 2.4)));
}

Mask MinimiseMark(const Canvas& face, const Box& p)
{
    const Vec2 c = p.Centre();
    return ShapeOn(face, Path().AddRect(c.x - 6, c.y + 3, 12, 2.4));
}

Mask MaximiseMark(const Canvas& face, const Box& p)
{
    const Vec2 c = p.Centre();
    return ShapeOn(face, RectOutline(c.x - 6, c.y - 5.5, 12, 11, 1.4).AddRect(c.x - 6, c.y - 5.5, 12, 2.8));
}

Mask RestoreMark(const Canvas& face, const Box& p)
{
    const Vec2 c = p.Centre();
    const Mask back = ShapeOn(face, RectOutline(c.x - 3, c.y - 7, 10, 9, 1.3).AddRect(c.x - 3, c.y - 7, 10, 2.4));
    const Mask frontBox = ShapeOn(face, Path().AddRect(c.x - 7.5, c.y - 2.5, 11, 10));
    const Mask front = ShapeOn(face, RectOutline(c.x - 7, c.y - 2, 10, 9, 1.3).AddRect(c.x - 7, c.y - 2, 10, 2.4));
    return back.Subtract(frontBox).Union(front);
}

Mask HelpMark(const Canvas& face, const Box& p)
{
    return CentredText(L"?", {12, true}, face.Width(), face.Height(), p.x, p.y, p.w, p.h);
}

Mask CameraMark(const Canvas& face, const Box& p)
{
    const Vec2 c = p.Centre();
    const Path body = Path()
                          .AddRoundedRect(c.x - 7.5, c.y - 3.5, 15, 9.5, 1.8)
                          .AddRoundedRect(c.x - 3, c.y - 6, 6, 3.5, 1)
                          .AddPath(Path().AddEllipse({c.x, c.y + 1.2}, 3.4, 3.4).Reversed())
                          .AddEllipse({c.x, c.y + 1.2}, 1.7, 1.7);
    return ShapeOn(face, body);
}

Mask GearMark(const Canvas& face, const Box& p)
{
    const Vec2 c = p.Centre();
    Path gear;
    std::vector<Vec2> outline;
    constexpr int kTeeth = 8;
    for (int i = 0; i < kTeeth * 4; ++i)
    {
        // Each tooth: two points out on the tip, two in at the root.
        const double a = (i + 0.5) * 2 * kPi / (kTeeth * 4);
        const double r = (i % 4 == 0 || i % 4 == 1) ? 6.6 : 4.9;
        outline.push_back({c.x + r * std::cos(a), c.y + r * std::sin(a)});
    }
    gear.AddPolygon(outline);
    gear.AddPath(Path().AddEllipse(c, 2.2, 2.2).Reversed());
    return ShapeOn(face, gear);
}

Path Triangle(double x, double cy, double w, double h)
{
    return Path().AddPolygon({{x, cy - h / 2}, {x + w, cy}, {x, cy + h / 2}});
}

Mask PlayMark(const Canvas& face, const Box& p)
{
    const Vec2 c = p.Centre();
    return ShapeOn(face, Triangle(c.x - 3.5, c.y, 8, 10));
}

Mask PauseMark(const Canvas& face, const Box& p)
{
    const Vec2 c = p.Centre();
    return ShapeOn(face, Path().AddRect(c.x - 4.5, c.y - 5, 3, 10).AddRect(c.x + 1.5, c.y - 5, 3, 10));
}

Path FastPath(const Vec2& c)
{
    return Triangle(c.x - 7, c.y, 7, 10).AddPath(Triangle(c.x, c.y, 7, 10));
}

Mask FastMark(const Canvas& face, const Box& p)
{
    return ShapeOn(face, FastPath(p.Centre()));
}

// Fast forward struck through: back to the normal speed.
Mask FastStopMark(const Canvas& face, const Box& p)
{
    const Vec2 c = p.Centre();
    const Mask strike = ShapeOn(face, Line({c.x - 7, c.y + 6}, {c.x + 7, c.y - 6}, 1.8));
    return ShapeOn(face, FastPath(c)).Subtract(strike.Dilated(1.2)).Union(strike);
}

Mask QuitMark(const Canvas& face, const Box& p)
{
    const Vec2 c = p.Centre();
    return ShapeOn(face, Path().AddRoundedRect(c.x - 4.5, c.y - 4.5, 9, 9, 1));
}

// The net-speed light: four bars rising to the right, lit as far as the line is good.
void DrawNetSpeed(Canvas& cel, int index)
{
    static const int kColours[] = {0x5BD16A, kGold, 0xE0483C};
    const int lit = 4 - index - (index == 2 ? 1 : 0); // 4, 3, 1 bars
    const int colour = kColours[std::clamp(index, 0, 2)];
    for (int bar = 0; bar < 4; ++bar)
    {
        const double h = 4 + bar * 3.0;
        const Box box{2.0 + bar * 4.0, cel.Height() - 2.0 - h, 3, h};
        const Mask shape = ShapeOn(cel, Path().AddRect(box.x, box.y, box.w, box.h));
        if (bar < lit)
        {
            cel.Fill(shape.Dilated(0.8), Paint::Solid(Rgb(kInk)), 0.8f);
            cel.Fill(shape, Paint::Linear({0, box.y}, {0, box.Bottom()}, Rgb(colour), Rgb(kInk)));
            cel.Fill(shape, Paint::Solid(Rgb(colour)), 0.6f);
        }
        else
        {
            cel.Fill(shape.Dilated(0.8), Paint::Solid(Rgb(kInk)), 0.5f);
            cel.Fill(shape, Paint::Solid(Rgb(kGreyDark)));
        }
    }
}

} // namespace

std::vector<Picture> WindowButtonPictures()
{
    auto bar = [](const char* name, int cels, MarkShape mark, Material material = Material::DarkWood)
    {
        return Picture{name,
                       SkinPart::Game,
                       cels * kBarCel,
                       kBarHeight,
                       cels,
                       FileFormat::Png,
                       IconButton(material, std::move(mark))};
    };
    auto corner = [](const char* name, MarkShape mark, Material material = Material::DarkWood)
    {
        return Picture{name,
                       SkinPart::Game,
                       3 * kCornerCel,
                       kCornerHeight,
                       3,
                       FileFormat::Png,
                       IconButton(material, std::move(mark))};
    };
    auto replay = [](const char* name, MarkShape mark, Material material = Material::DarkWood)
    {
        return Picture{name,
                       SkinPart::Game,
                       4 * kReplayCel,
                       kBarHeight,
                       4,
                       FileFormat::Png,
                       IconButton(material, std::move(mark))};
    };
    auto big = [](const char* name, const wchar_t* label, Material material)
    {
        return Picture{name,
                       SkinPart::Game,
                       4 * kTableCel,
                       kTableHeight,
                       4,
                       FileFormat::Png,
                       LabelButton(label, material, {style::kFontTitle + 2, true})};
    };
    return {
        corner("images/base/btn/esc", CloseMark, Material::Cloth),
        corner("images/base/btn/min", MinimiseMark),
        corner("images/base/btn/revert", RestoreMark),
        corner("images/base/btn/max", MaximiseMark),
        bar("images/base/btn/rule", 4, HelpMark),
        bar("images/base/btn/screen", 4, CameraMark),
        bar("images/base/btn/set", 4, GearMark),
        {"images/base/btn/chongzhi", SkinPart::Game, 60, kBarHeight, 1, FileFormat::Png,
         LabelButton(L"充值", Material::Gold, {style::kFontLabel, true})},
        replay("images/base/btn/replay_play", PlayMark),
        replay("images/base/btn/replay_pause", PauseMark),
        replay("images/base/btn/replay_fast", FastMark),
        replay("images/base/btn/replay_faststop", FastStopMark),
        replay("images/base/btn/replay_quit", QuitMark, Material::Cloth),
        {"images/base/net_speed", SkinPart::Game, 3 * 20, 18, 3, FileFormat::Png, DrawNetSpeed},
        big("images/base/btn/start", L"开始", Material::Cloth),
        big("images/base/btn/changedesk", L"换桌", Material::Wood),
        big("images/base/btn/note_start", L"下注", Material::Gold),
    };
}

} // namespace skin
