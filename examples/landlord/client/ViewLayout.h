// Where the demo game puts things on its view (the view's own coordinates: the view lies at
// (5, 33) of the 1024 x 738 window, 1014 x 700, the felt from y 0 to 555). Local seats: 0 the
// player on the left, 1 the own place at the bottom, 2 the player on the right, who plays next.
#pragma once

namespace landlord::layout
{

inline constexpr int kViewX = 5;
inline constexpr int kViewY = 33;
inline constexpr int kViewWidth = 1014;
inline constexpr int kViewHeight = 700;
inline constexpr int kCentreX = 507;

inline constexpr int kCardWidth = 71;
inline constexpr int kCardHeight = 96;
inline constexpr int kSmallWidth = 46;
inline constexpr int kSmallHeight = 62;
inline constexpr int kCardCels = 55;
inline constexpr int kBackCel = 54;

// The own hand.
inline constexpr int kHandTop = 445;
inline constexpr int kHandStep = 22;
inline constexpr int kHandRaise = 20;

// Portraits (60 x 60) and names, by local seat.
inline constexpr int kPortrait = 60;
inline constexpr int kPortraitX[3] = {26, 60, 928};
inline constexpr int kPortraitY[3] = {150, 452, 150};
inline constexpr int kNameBelow = 14;

// The other players' card backs with their counts.
inline constexpr int kBackX[3] = {100, 0, 868};
inline constexpr int kBackY = 142;

// The cards of the current trick: the left seat's start at x, the right seat's end there, the own
// ones are centred.
inline constexpr int kTrickX[3] = {164, kCentreX, 850};
inline constexpr int kTrickY[3] = {160, 330, 160};
inline constexpr int kTrickStep = 18;

// The three cards kept back, the stake line below them.
inline constexpr int kKeptBackY = 6;
inline constexpr int kKeptBackStep = 52;
inline constexpr int kStakeY = 84;

// The move buttons, in a row above the hand; the automatic player's button by the hand's right.
inline constexpr int kButtonRowY = 384;
inline constexpr int kButtonGap = 14;
inline constexpr int kAutoX = 880;
inline constexpr int kAutoY = 500;

// The countdown clock (52 x 56) by the seat whose turn it is.
inline constexpr int kClockX[3] = {170, 230, 792};
inline constexpr int kClockY[3] = {240, 378, 240};

// The settlement panel (440 x 280), centred on the felt.
inline constexpr int kResultX = kCentreX - 220;
inline constexpr int kResultY = 120;

} // namespace landlord::layout
