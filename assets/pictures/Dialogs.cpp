// The message box and the settings dialog: their grounds, their OK and Cancel buttons and the
// parts of the settings' controls.
//
// Both dialogs are as large as their ground picture, and place their text and controls at fixed
// points of it, so the grounds are laid out for those points:
//   message   320 x 210: up to three lines of text from y 66 (one line at 85) in a well 256 wide,
//             the buttons at y 159, the countdown near the bottom right corner;
//   set_bg    265 x 306: the switches, choices and sliders at the rows they are placed on (speech
//             57 to 112, music 128 to 164, effects 172 to 209, the option at 218), OK at (32, 259)
//             and Cancel at (161, 259). The words beside the switches and choices are part of the
//             ground: the controls draw only their boxes.
#include "assets/pictures/Families.h"

#include "assets/pictures/Parts.h"
#include "assets/raster/Effects.h"

namespace skin
{
namespace
{

using namespace style::palette;
using style::Rgb;

constexpr int kMessageWidth = 320, kMessageHeight = 210;
constexpr int kSetWidth = 265, kSetHeight = 306;
constexpr int kDialogButtonWidth = 72, kDialogButtonHeight = 28;
constexpr int kBoxSize = 14; // each half of the checkbox and radio pictures

// The frame every dialog shares: a wooden board with rounded corners and gold piping, a claret
// band across the top holding the title.
void DrawDialogFrame(Canvas& canvas, const std::wstring& title)
{
    const Box whole{0, 0, double(canvas.Width()), double(canvas.Height())};
    const Mask board = RoundBoxOn(canvas, whole, 8);
    PaintRaised(canvas, board, Material::Wood);
    AddGrain(canvas, board, 5, 0.2f);
    DrawBevel(canvas, board);
    AddPiping(canvas, board, 4.0, 0.7f);

    const Box band{12, 10, whole.w - 24, 30};
    const Mask ribbon = RoundBoxOn(canvas, band, style::kSmallCornerRadius);
    DrawDropShadow(canvas, ribbon, style::kShadow, 0.7f);
    PaintRaised(canvas, ribbon, Material::Cloth);
    AddPiping(canvas, ribbon, 2.0, 0.6f);
    PaintMark(
        canvas,
        CentredText(title, {style::kFontTitle, true}, canvas.Width(), canvas.Height(), band.x, band.y, band.w, band.h),
        kGoldLight);
}

// A well of dark felt for text or controls.
void DrawWell(Canvas& canvas, const Box& box)
{
    const Mask well = RoundBoxOn(canvas, box, style::kSmallCornerRadius);
    PaintSunken(canvas, well, 0x16301F, 0.7f);
    canvas.Fill(
        well, Paint::Radial(box.Centre(), box.w * 0.6, box.h * 0.7, {{0, Rgb(kFeltDark, 90)}, {1, Rgb(kFeltDark, 0)}}));
}

void DrawMessage(Canvas& canvas)
{
    DrawDialogFrame(canvas, L"提示");
    // The text runs 256 wide from x 32, its lines between y 66 and 130.
    DrawWell(canvas, {22, 52, kMessageWidth - 44.0, 96});
}

// A word beside a control of the settings: starting at x, centred on the row of a box at top.
void LabelAt(Canvas& canvas, const std::wstring& text, int x, int top)
{
    const Font font{style::kFontSmall + 1};
    const double width = MeasureText(text, font).width;
    PaintMark(canvas, CentredText(text, font, canvas.Width(), canvas.Height(), x, top, width, kBoxSize), kTextOnDark);
}

void Divider(Canvas& canvas, double y)
{
    canvas.Fill(ShapeOn(canvas, Path().AddRect(24, y, kSetWidth - 48.0, 1)), Paint::Solid(Rgb(kGoldDark)), 0.6f);
    canvas.Fill(ShapeOn(canvas, Path().AddRect(24, y + 1, kSetWidth - 48.0, 1)), Paint::Solid(Sexy::Color::Black),
                0.4f);
}

void DrawSettings(Canvas& canvas)
{
    DrawDialogFrame(canvas, L"游戏设置");
    DrawWell(canvas, {16, 50, kSetWidth - 32.0, 194});
    const int text = 35 + kBoxSize + 5; // right of a box at x 35
    LabelAt(canvas, L"语音", text, 57);
    LabelAt(canvas, L"方言", 53 + kBoxSize + 4, 98);
    LabelAt(canvas, L"普通话", 133 + kBoxSize + 4, 98);
    Divider(canvas, 119);
    LabelAt(canvas, L"背景音乐", text, 128);
    Divider(canvas, 166);
    LabelAt(canvas, L"游戏音效", text, 172);
    Divider(canvas, 211);
    LabelAt(canvas, L"允许旁观", text, 218);
}

// The two halves of a checkbox or radio: empty, and marked.
void DrawToggle(Canvas& canvas, bool round)
{
    for (int half = 0; half < 2; ++half)
    {
        const Box box{half * double(kBoxSize) + 1, 1, kBoxSize - 2.0, kBoxSize - 2.0};
        const Path outline = round ? Path().AddEllipse(box.Centre(), box.w / 2, box.h / 2)
                                   : Path().AddRoundedRect(box.x, box.y, box.w, box.h, 2);
        const Mask shape = ShapeOn(canvas, outline);
        canvas.Fill(shape, Paint::Linear({0, box.y}, {0, box.Bottom()}, Rgb(kGoldLight), Rgb(kGoldDark)));
        const Mask hollow = shape.Subtract(BevelLight(shape, 1).Union(BevelDark(shape, 1)));
        PaintSunken(canvas, hollow, kInk, 0.8f);
        if (half == 0)
            continue;
        const Vec2 c = box.Centre();
        const Mask mark = round ? ShapeOn(canvas, Path().AddEllipse(c, 2.6, 2.6))
                                : ShapeOn(canvas, Stroke(Path()
                                                             .MoveTo({c.x - 3.2, c.y + 0.2})
                                                             .LineTo({c.x - 0.8, c.y + 2.6})
                                                             .LineTo({c.x + 3.4, c.y - 2.8}),
                                                         1.9));
        canvas.Fill(mark, Paint::Linear({0, c.y - 3}, {0, c.y + 3}, Rgb(kGoldLight), Rgb(kGold)));
        canvas.Fill(mark.Dilated(1.0).Blurred(0.8).Subtract(mark), Paint::Solid(Rgb(kGold)), 0.35f);
    }
}

void DrawSliderThumb(Canvas& canvas)
{
    const Box knob{1, 1, canvas.Width() - 2.0, canvas.Height() - 2.0};
    const Mask shape = RoundBoxOn(canvas, knob, style::kSmallCornerRadius);
    PaintRaised(canvas, shape, Material::Gold);
    for (int i = -1; i <= 1; ++i)
    {
        const double y = knob.Centre().y + i * 3.0 - 0.5;
        canvas.Fill(ShapeOn(canvas, Path().AddRect(knob.x + 3, y, knob.w - 6, 1)), Paint::Solid(Rgb(kGoldDark)));
        canvas.Fill(ShapeOn(canvas, Path().AddRect(knob.x + 3, y + 1, knob.w - 6, 1)), Paint::Solid(Rgb(kGoldLight)),
                    0.8f);
    }
}

void DrawSliderTrack(Canvas& canvas)
{
    const Box groove{0, 1, double(canvas.Width()), canvas.Height() - 2.0};
    const Mask shape = RoundBoxOn(canvas, groove, groove.h / 2);
    PaintSunken(canvas, shape, kInk, 0.8f);
    canvas.Fill(shape.Subtract(BevelLight(shape, 2)), Paint::Solid(Rgb(kWoodDark)), 0.25f);
}

} // namespace

std::vector<Picture> DialogPictures()
{
    const int buttons = 3 * kDialogButtonWidth;
    return {
        {"images/base/message", SkinPart::Game, kMessageWidth, kMessageHeight, 1, FileFormat::Png,
         [](Canvas& c, int) { DrawMessage(c); }},
        {"images/base/ok", SkinPart::Game, buttons, kDialogButtonHeight, 3, FileFormat::Png,
         LabelButton(L"确定", Material::Cloth)},
        {"images/base/cancel", SkinPart::Game, buttons, kDialogButtonHeight, 3, FileFormat::Png,
         LabelButton(L"取消", Material::Wood)},
        {"images/base/set/set_bg", SkinPart::Game, kSetWidth, kSetHeight, 1, FileFormat::Png,
         [](Canvas& c, int) { DrawSettings(c); }},
        {"images/base/set/check_box", SkinPart::Game, 2 * kBoxSize, kBoxSize, 1, FileFormat::Png,
         [](Canvas& c, int) { DrawToggle(c, false); }},
        {"images/base/set/radio_button", SkinPart::Game, 2 * kBoxSize, kBoxSize, 1, FileFormat::Png,
         [](Canvas& c, int) { DrawToggle(c, true); }},
        {"images/base/set/slider_thumb", SkinPart::Game, 12, 20, 1, FileFormat::Png,
         [](Canvas& c, int) { DrawSliderThumb(c); }},
        {"images/base/set/slider_track", SkinPart::Game, 180, 8, 1, FileFormat::Png,
         [](Canvas& c, int) { DrawSliderTrack(c); }},
    };
}

} // namespace skin
