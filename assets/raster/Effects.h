// The effects of the skin's style, built from masks: the bevel of a raised part, drop shadows, the
// gold rim, and the composition of a button face into the look of each of its states.
#pragma once

#include "assets/SkinStyle.h"
#include "assets/raster/Canvas.h"

namespace skin
{

// A gradient over the shape's bounds from the lit colour at the top left to the shaded colour at
// the bottom right, the way the style's light falls whatever the shape's orientation.
Paint LitGradient(const Mask& shape, const Sexy::Color& lit, const Sexy::Color& shaded);

// The lit band along the top-left edges of a shape and the shaded band along its bottom-right
// edges, each bevel.width pixels deep and fading inwards (1 at the edge).
Mask BevelLight(const Mask& shape, int width);
Mask BevelDark(const Mask& shape, int width);
// Both bands painted on the canvas, white and black at the bevel's strengths.
void DrawBevel(Canvas& canvas, const Mask& shape, const style::Bevel& bevel = style::kBevel);

// The soft shadow of a shape, painted on the canvas before the shape itself; scale shrinks the
// offset and the blur (a part pressed closer to what it stands on).
void DrawDropShadow(Canvas& canvas, const Mask& shape, const style::Shadow& shadow = style::kShadow,
                    float scale = 1.0f);

// The ring of the gold rim just outside a silhouette, and the glow beyond it.
Mask RimRing(const Mask& silhouette);
void DrawGoldRim(Canvas& canvas, const Mask& silhouette, float opacity);

// Lays a finished button face (drawn on a transparent canvas of the cel's size) onto a cel in the
// look of a state: its drop shadow, the face with its brightness, colour and offset, the rim.
void ComposeButton(Canvas& cel, const Canvas& face, style::ButtonState state,
                   const style::Shadow& shadow = style::kShadow);

} // namespace skin
