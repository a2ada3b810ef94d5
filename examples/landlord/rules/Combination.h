// The plays of Dou Dizhu: what combination a set of cards is, and whether one play beats another.
//
//   single, pair, triple          one, two, three cards of a rank
//   triple with a single / pair   a triple and one card / a pair of another rank
//   straight                      five or more consecutive ranks, from 3 up to A at most
//   pair straight                 three or more consecutive pairs, up to A at most
//   airplane                      two or more consecutive triples (up to A), bare, or with as many
//                                 singles, or with as many pairs, as it has triples
//   four with two                 four of a rank with two single cards or two pairs
//   bomb                          four of a rank
//   rocket                        both jokers
//
// A play beats another of the same kind and length with a higher key rank (the rank of its
// single, pair, triple or four; the top rank of a run); a bomb beats every play but a higher bomb
// and the rocket; the rocket beats everything.
#pragma once

#include "examples/landlord/rules/Cards.h"

namespace landlord
{

enum class Kind : std::uint8_t
{
    None = 0, // not a play
    Single,
    Pair,
    Triple,
    TripleSingle,
    TriplePair,
    Straight,
    PairStraight,
    Airplane,
    AirplaneSingles,
    AirplanePairs,
    FourTwoSingles,
    FourTwoPairs,
    Bomb,
    Rocket,
};

struct Combination
{
    Kind kind = Kind::None;
    int key = 0;    // the key rank (the top rank of a run)
    int length = 0; // the run's length in ranks (1 for plays that are no run)
    int cards = 0;  // cards in the play

    bool IsPlay() const { return kind != Kind::None; }
    bool IsBomb() const { return kind == Kind::Bomb || kind == Kind::Rocket; }
    bool operator==(const Combination& o) const
    {
        return kind == o.kind && key == o.key && length == o.length && cards == o.cards;
    }
};

// The combination the cards make; Kind::None for no play (or an empty set). Where the cards can
// be read in more than one way (333444555666 is an airplane of four, or of three with three
// singles), the reading with the higher key wins, and a bare airplane before one with wings.
Combination Classify(const Cards& cards);
Combination Classify(const RankCounts& counts, int total);

// Whether play beats last (last a play).
bool Beats(const Combination& play, const Combination& last);

const char* KindName(Kind kind);

} // namespace landlord
