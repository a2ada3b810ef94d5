// The one visual style of the default skin. Every picture the generator draws takes its colours,
// bevel, corners, shadows, fonts and button states from here, so that a game's artist who
// replaces some of the pictures can match the rest (docs/SKIN.md repeats this in words).
//
// The look: a card room. Deep green felt, warm polished wood, claret upholstery, a gold accent
// for what the pointer is on; light falls from the top left.
#pragma once

#include "pop/Color.h"

namespace skin::style
{

// ---- Palette (0xRRGGBB) ----------------------------------------------------------------------
namespace palette
{
// Felt of the table.
constexpr int kFeltDark = 0x123D27;
constexpr int kFelt = 0x1E5B3A;
constexpr int kFeltLight = 0x2F7A50;
// Wood, from the lit face to the deepest shade.
constexpr int kWoodLight = 0xC98D52;
constexpr int kWood = 0x9A5F2E;
constexpr int kWoodDark = 0x6B3D1C;
constexpr int kWoodDeep = 0x45260F;
// Upholstery.
constexpr int kClothLight = 0xB8444E;
constexpr int kCloth = 0x8E2430;
constexpr int kClothDark = 0x5C1420;
// The accent: rims, piping, highlights.
constexpr int kGoldLight = 0xF7DC8A;
constexpr int kGold = 0xE2B13F;
constexpr int kGoldDark = 0xA27A22;
// Neutrals, for frames, tracks and disabled looks.
constexpr int kInk = 0x1A1A1A;
constexpr int kGreyDark = 0x3C3C3C;
constexpr int kGrey = 0x808080;
constexpr int kGreyLight = 0xC8C8C8;
constexpr int kPaper = 0xF2EEE4;
// Text: on dark grounds, on light grounds, emphasised, unavailable.
constexpr int kTextOnDark = 0xFBE8D7;
constexpr int kTextOnLight = 0x31250B;
constexpr int kTextEmphasis = 0xFEB924;
constexpr int kTextDisabled = 0x808080;
} // namespace palette

inline Sexy::Color Rgb(int hex, int alpha = 255)
{
    return Sexy::Color(hex, alpha);
}

// ---- Shape -----------------------------------------------------------------------------------
// Corner radius of buttons and panels, and of small parts (tabs, thumbs, pads).
constexpr double kCornerRadius = 6.0;
constexpr double kSmallCornerRadius = 3.0;

// The bevel: a band along the edge of a raised part, lit on the top-left, shaded on the
// bottom-right, fading inwards over its width.
struct Bevel
{
    int width;
    float light; // opacity of white on the lit edge
    float dark;  // opacity of black on the shaded edge
};
constexpr Bevel kBevel{2, 0.45f, 0.35f};
// Softer on upholstery and other cloth, which shines less than wood or lacquer.
constexpr Bevel kClothBevel{2, 0.30f, 0.30f};

// The drop shadow a raised part throws on what lies beneath it.
struct Shadow
{
    int dx, dy;
    double blur; // Gaussian radius in pixels
    float opacity;
};
constexpr Shadow kShadow{1, 2, 1.6, 0.55f};
// The shadow of a picture the game turns over (the chairs, mirrored and flipped to fit each place):
// straight beneath it, a soft halo, so that no turn throws it towards the light.
constexpr Shadow kTurnedShadow{0, 0, 1.8, 0.60f};

// ---- Fonts -----------------------------------------------------------------------------------
// Faces are matched through fontconfig. The face below covers Chinese and Latin text alike
// (package fonts-wqy-microhei); the system's own texts name "宋体", which pop maps to an
// installed Chinese face, the same one on a Debian system.
constexpr const char* kFontFace = "WenQuanYi Micro Hei";
constexpr int kFontSmall = 9;         // points: list rows, hints
constexpr int kFontLabel = 10;        // button labels
constexpr int kFontTitle = 12;        // dialog titles (bold)
constexpr int kTextShadowAlpha = 140; // a one-pixel dark shadow under light text

// ---- Button strips ---------------------------------------------------------------------------
// A button picture holds its states side by side: normal, over, down and, in 4-cel strips,
// disabled. What tells them apart:
//   over     - brighter, with a gold rim round the outline;
//   down     - darker, the face moved one pixel right and down, the shadow tighter, the rim kept
//              (the pointer is still on it);
//   disabled - washed out towards grey, half transparent, no rim.
enum class ButtonState
{
    Normal,
    Over,
    Down,
    Disabled
};

struct StateLook
{
    float brightness;  // factor on the colour channels of the face
    bool goldRim;      // a gold outline outside the face
    float rimOpacity;  // of the rim
    int shift;         // pixels right and down
    float shadowScale; // offset and blur of the drop shadow
    float desaturate;  // 0 keeps colour, 1 grey
    float opacity;     // of the whole face
};

constexpr StateLook LookOf(ButtonState state)
{
    switch (state)
    {
    case ButtonState::Over:
        return {1.14f, true, 1.0f, 0, 1.0f, 0.0f, 1.0f};
    case ButtonState::Down:
        return {0.80f, true, 0.8f, 1, 0.5f, 0.0f, 1.0f};
    case ButtonState::Disabled:
        return {1.0f, false, 0.0f, 0, 1.0f, 0.7f, 0.55f};
    case ButtonState::Normal:
        break;
    }
    return {1.0f, false, 0.0f, 0, 1.0f, 0.0f, 1.0f};
}

// The state a cel of a strip shows: cels 0, 1, 2, 3 are normal, over, down, disabled.
constexpr ButtonState StateOfCel(int cel)
{
    return cel == 1   ? ButtonState::Over
           : cel == 2 ? ButtonState::Down
           : cel == 3 ? ButtonState::Disabled
                      : ButtonState::Normal;
}

// The gold rim: its width outside the outline and the soft glow beyond it.
constexpr double kRimWidth = 1.4;
constexpr double kRimGlow = 1.8;
constexpr float kRimGlowOpacity = 0.55f;

} // namespace skin::style
