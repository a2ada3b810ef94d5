#include "assets/pictures/Parts.h"

#include "assets/raster/Effects.h"
#include "assets/raster/Noise.h"

#include <algorithm>
#include <cmath>

namespace skin
{

using namespace style::palette;
using style::Rgb;

Mask ShapeOn(const Canvas& canvas, const Path& path)
{
    return Mask::Rasterize(path, canvas.Width(), canvas.Height());
}

Mask RoundBoxOn(const Canvas& canvas, const Box& box, double radius)
{
    return ShapeOn(canvas, Path().AddRoundedRect(box.x, box.y, box.w, box.h, radius));
}

Tone ToneOf(Material material)
{
    switch (material)
    {
    case Material::Wood:
        return {kWoodLight, kWoodDark, kWoodDeep};
    case Material::DarkWood:
        return {kWood, kWoodDeep, 0x24140A};
    case Material::Cloth:
        return {kClothLight, kClothDark, 0x3A0C14};
    case Material::Gold:
        return {kGoldLight, kGoldDark, 0x5E4512};
    case Material::Felt:
        return {kFeltLight, kFeltDark, 0x0A2416};
    case Material::Ink:
        break;
    }
    return {kGreyDark, kInk, 0x0C0C0C};
}

void PaintRaised(Canvas& canvas, const Mask& part, Material material)
{
    const Tone tone = ToneOf(material);
    canvas.Fill(part, Paint::Solid(Rgb(tone.edge)));
    // The face inside a thin dark edge, so a part stands out from a ground of its own colour.
    const Mask face = part.Subtract(BevelDark(part, 1).Union(BevelLight(part, 1)).Scaled(0.9f));
    canvas.Fill(face, LitGradient(part, Rgb(tone.lit), Rgb(tone.shaded)));
    const bool soft = material == Material::Cloth || material == Material::Felt;
    DrawBevel(canvas, face, soft ? style::kClothBevel : style::kBevel);
}

void PaintSunken(Canvas& canvas, const Mask& hollow, int colour, float depth)
{
    canvas.Fill(hollow, Paint::Solid(Rgb(colour)));
    // Light from the top left: the rim above and to the left throws its shadow into the well, the
    // far side of the well catches the light.
    canvas.Fill(BevelLight(hollow, 2), Paint::Solid(Sexy::Color::Black), depth);
    canvas.Fill(BevelDark(hollow, 1), Paint::Solid(Sexy::Color::White), depth * 0.35f);
}

void AddGrain(Canvas& canvas, const Mask& part, uint32_t seed, float strength)
{
    const Mask streaks = FractalNoise(canvas.Width(), canvas.Height(), 90, 3.5, 3, seed);
    Mask dark(canvas.Width(), canvas.Height());
    for (int y = 0; y < canvas.Height(); ++y)
        for (int x = 0; x < canvas.Width(); ++x)
        {
            // Rings: the noise folded into bands, darkest in a thin line at each fold.
            const float v = streaks.At(x, y) * 9.0f;
            const float band = std::fabs(v - std::round(v)) * 2.0f;
            dark.Set(x, y, (1.0f - band) * (1.0f - band) * part.At(x, y));
        }
    canvas.Fill(dark, Paint::Solid(Rgb(kWoodDeep)), strength);
}

void AddNap(Canvas& canvas, const Mask& part, uint32_t seed, float strength)
{
    const Mask coarse = FractalNoise(canvas.Width(), canvas.Height(), 24, 24, 3, seed);
    const Mask fine = FractalNoise(canvas.Width(), canvas.Height(), 1.6, 1.6, 1, seed + 1);
    Mask dark(canvas.Width(), canvas.Height()), light(canvas.Width(), canvas.Height());
    for (int y = 0; y < canvas.Height(); ++y)
        for (int x = 0; x < canvas.Width(); ++x)
        {
            const float v = 0.6f * coarse.At(x, y) + 0.4f * fine.At(x, y) - 0.5f;
            dark.Set(x, y, std::max(0.0f, -v) * 2.0f * part.At(x, y));
            light.Set(x, y, std::max(0.0f, v) * 2.0f * part.At(x, y));
        }
    canvas.Fill(dark, Paint::Solid(Sexy::Color::Black), strength);
    canvas.Fill(light, Paint::Solid(Rgb(kFeltLight)), strength);
}

void AddPiping(Canvas& canvas, const Mask& part, double inset, float opacity)
{
    // What lies outside the part, grown inwards by the inset and by one pixel more: the part shrunk
    // twice, and the ring between the two shrunk parts.
    Mask outside(canvas.Width(), canvas.Height());
    for (int y = 0; y < canvas.Height(); ++y)
        for (int x = 0; x < canvas.Width(); ++x)
            outside.Set(x, y, 1.0f - part.At(x, y));
    const Mask ring = part.Subtract(outside.Dilated(inset)).Subtract(part.Subtract(outside.Dilated(inset + 1.0)));
    const PixelBounds b = ring.Bounds();
    canvas.Fill(ring, Paint::Linear({0, double(b.y)}, {0, double(b.y + b.height)}, Rgb(kGoldLight), Rgb(kGoldDark)),
                opacity);
}

void PaintMark(Canvas& canvas, const Mask& mark, int colour)
{
    const Sexy::Color c = Rgb(colour);
    const bool light = c.mRed * 299 + c.mGreen * 587 + c.mBlue * 114 > 128 * 1000;
    if (light)
        canvas.Fill(mark, Paint::Solid(Sexy::Color::Black), style::kTextShadowAlpha / 255.0f, 1, 1);
    else
        canvas.Fill(mark, Paint::Solid(Sexy::Color::White), 0.25f, 0, 1);
    canvas.Fill(mark, Paint::Solid(c));
}

Box PlateBox(int celWidth, int celHeight)
{
    return {3, 3, celWidth - 7.0, celHeight - 8.0};
}

int MarkColourOn(Material material)
{
    switch (material)
    {
    case Material::Gold:
        return kTextOnLight;
    case Material::Cloth:
    case Material::Felt:
    case Material::Ink:
        return kTextOnDark;
    case Material::Wood:
    case Material::DarkWood:
        break;
    }
    return kGoldLight;
}

namespace
{

void DrawPlate(Canvas& face, const Box& plate, Material material, double radius)
{
    const Mask shape = RoundBoxOn(face, plate, radius);
    PaintRaised(face, shape, material);
    if (material == Material::Wood || material == Material::DarkWood)
        AddGrain(face, shape.Subtract(BevelLight(shape, 2)).Subtract(BevelDark(shape, 2)), 17, 0.16f);
}

} // namespace

DrawCel LabelButton(std::wstring label, Material material, Font font)
{
    return ButtonStrip(
        [label = std::move(label), material, font](Canvas& face)
        {
            const Box plate = PlateBox(face.Width(), face.Height());
            DrawPlate(face, plate, material, style::kCornerRadius);
            if (plate.h >= 20)
                AddPiping(face, RoundBoxOn(face, plate, style::kCornerRadius), 2.0, 0.55f);
            PaintMark(face, CentredText(label, font, face.Width(), face.Height(), plate.x, plate.y, plate.w, plate.h),
                      MarkColourOn(material));
        });
}

DrawCel IconButton(Material material, MarkShape mark, double radius)
{
    return ButtonStrip(
        [material, mark = std::move(mark), radius](Canvas& face)
        {
            const Box plate = PlateBox(face.Width(), face.Height());
            DrawPlate(face, plate, material, radius);
            PaintMark(face, mark(face, plate), MarkColourOn(material));
        });
}

DrawCel SmallButton(Material material, MarkShape mark, double radius)
{
    return [material, mark = std::move(mark), radius](Canvas& cel, int index)
    {
        const style::ButtonState state = style::StateOfCel(index);
        const style::StateLook look = style::LookOf(state);
        const Box plate{1, 1, cel.Width() - 2.0, cel.Height() - 2.0};
        Canvas face(cel.Width(), cel.Height());
        const Mask shape = RoundBoxOn(face, plate, radius);
        PaintRaised(face, shape, material);
        const Box markBox{plate.x + look.shift, plate.y + look.shift, plate.w, plate.h};
        PaintMark(face, mark(face, markBox), MarkColourOn(material));
        face.ScaleBrightness(look.brightness);
        face.Desaturate(look.desaturate);
        if (look.goldRim)
        {
            const Mask ring = BevelLight(shape, 1).Union(BevelDark(shape, 1));
            face.Fill(ring, Paint::Solid(Rgb(kGoldLight)), look.rimOpacity);
        }
        cel.Draw(face, 0, 0, look.opacity);
    };
}

} // namespace skin
