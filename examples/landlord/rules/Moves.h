// The plays a hand can make: every combination kind, each rank and run length once, built from the
// hand's lowest cards of each rank. Wings (the singles or pairs an airplane or a four carries) are
// the lowest the hand can give, so the list stays short: it is what hints and bots choose from;
// whether a player's own choice is legal is Classify and Beats.
#pragma once

#include "examples/landlord/rules/Combination.h"

#include <vector>

namespace landlord
{

struct Move
{
    Cards cards;
    Combination combo;
};

// The plays of hand that beat last; with last not a play (a lead), every play the hand has.
// Ordered by kind, then by key rank from the lowest.
std::vector<Move> LegalMoves(const Cards& hand, const Combination& last);

} // namespace landlord
