// The pieces that the families of pictures share, in the skin's one style: the materials and how a
// raised part, a recess and a label are painted, and the two kinds of button face (a label on a
// plate, an icon on a plate). A family that keeps to these looks like every other one.
#pragma once

#include "assets/Picture.h"
#include "assets/raster/Text.h"

#include <cstdint>
#include <functional>
#include <string>

namespace skin
{

// A rectangle in a picture, in pixels; fractions are allowed (shapes are anti-aliased).
struct Box
{
    double x = 0, y = 0, w = 0, h = 0;

    double Right() const { return x + w; }
    double Bottom() const { return y + h; }
    Vec2 Centre() const { return {x + w / 2, y + h / 2}; }
    Box Inset(double d) const { return {x + d, y + d, w - 2 * d, h - 2 * d}; }
};

// The coverage of a path, or of a rounded box, on the canvas's grid.
Mask ShapeOn(const Canvas& canvas, const Path& path);
Mask RoundBoxOn(const Canvas& canvas, const Box& box, double radius);

// The materials of the room, each a lit and a shaded colour and the dark edge round a part of it.
enum class Material
{
    Wood,     // the polished wood of frames and plates
    DarkWood, // the wood of the title bar and of small plates
    Cloth,    // claret upholstery: what says yes, starts or closes
    Gold,     // the accent
    Felt,     // the table
    Ink       // the dark of panels and wells
};

struct Tone
{
    int lit;
    int shaded;
    int edge;
};
Tone ToneOf(Material material);

// A raised part: its dark edge, the lit gradient from top left to bottom right, the bevel (softer on
// cloth and felt).
void PaintRaised(Canvas& canvas, const Mask& part, Material material);
// A recess: filled with the colour, shaded inside its top-left edges and lit inside its bottom-right
// ones, the way a well in a lit surface looks.
void PaintSunken(Canvas& canvas, const Mask& hollow, int colour, float depth = 0.6f);
// The streaks of wood grain, or the nap of felt, darkening the part a little here and there.
void AddGrain(Canvas& canvas, const Mask& part, uint32_t seed, float strength = 0.18f);
void AddNap(Canvas& canvas, const Mask& part, uint32_t seed, float strength = 0.10f);
// A thin gold line along the inside of a part's edge: the piping of panels and plates.
void AddPiping(Canvas& canvas, const Mask& part, double inset, float opacity = 0.8f);

// Glyphs (or any mark) painted as a label: light marks get a one-pixel dark shadow below and to the
// right, dark marks a faint light one, as if pressed into the surface.
void PaintMark(Canvas& canvas, const Mask& mark, int colour);

// The box of a button's plate in a cel: the room left round it holds the drop shadow, the gold
// rim of the over look and the one-pixel move of the down look, so no state is cut at the cel's
// edge.
Box PlateBox(int celWidth, int celHeight);

// A button with a word on it (the label's colour follows the material).
DrawCel LabelButton(std::wstring label, Material material, Font font = {style::kFontLabel + 1, true});
// A button with a drawn mark on it: the function returns the mark's coverage for the plate's box.
using MarkShape = std::function<Mask(const Canvas& face, const Box& plate)>;
DrawCel IconButton(Material material, MarkShape mark, double radius = style::kCornerRadius);
// A small button that fills its cel but for a one-pixel transparent border (scrollbar arrows and the
// like, too small for a shadow and an outer rim): the states look as on the big buttons, the rim
// lying just inside the plate's edge and the down look moving the mark, not the plate.
DrawCel SmallButton(Material material, MarkShape mark, double radius = style::kSmallCornerRadius);
// The colour of marks and labels on a material.
int MarkColourOn(Material material);

} // namespace skin
