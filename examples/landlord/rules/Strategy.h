// How a bot (and the client's automatic player) bids and plays: one decision code for both.
//
// Bidding goes by the hand's strength (jokers, twos, aces, bombs). In play the side matters: the
// landlord plays against both farmers, the farmers together against him. A bot leads with the
// cheapest play that sheds the most low cards, beats an opponent with the lowest play that does,
// lets its partner's play stand unless it can go out, and keeps bombs and the rocket for when an
// opponent is close to going out or they win the round for it.
#pragma once

#include "examples/landlord/rules/Moves.h"

namespace landlord
{

// What a player sees when it is his turn.
struct TurnView
{
    Cards hand;
    Combination last;             // the play to beat; not a play when leading
    bool lastByPartner = false;   // the play to beat is the partner's (farmers only)
    int fewestOpponentCards = 17; // the smallest hand among the opponents
};

// A number from about 0 to 20: how strong a hand is to be landlord with.
int HandStrength(const Cards& hand);
// The bid for a hand when the highest bid so far is `highest` (0 none): 0 to pass, else a bid
// above it, 1 to 3.
int ChooseBid(const Cards& hand, int highest);
// The cards to play; empty to pass (never empty when leading).
Cards ChoosePlay(const TurnView& turn);

} // namespace landlord
