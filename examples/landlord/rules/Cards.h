// The cards of Dou Dizhu (斗地主) as the client, the server and the bots share them.
//
// A card is a number from 0 to 53: 0 to 51 are the suited cards, suit (card / 13) and rank index
// (card % 13) for 3, 4, ..., K, A, 2; 52 is the small joker and 53 the big one. What the rules
// compare is the card's rank: 3 to 15 for 3 to 2 (11 J, 12 Q, 13 K, 14 A, 15 the 2), 16 and 17
// for the jokers. A hand is a list of cards; most of the rules only need how many cards of each
// rank it holds.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace landlord
{

using Card = std::uint8_t;
using Cards = std::vector<Card>;

inline constexpr int kDeckSize = 54;
inline constexpr int kHandSize = 17;
inline constexpr int kKeptBack = 3;
inline constexpr int kPlayers = 3;

inline constexpr int kRankThree = 3;
inline constexpr int kRankAce = 14;
inline constexpr int kRankTwo = 15;
inline constexpr int kRankSmallJoker = 16;
inline constexpr int kRankBigJoker = 17;
inline constexpr int kRankCount = 18; // indexes 0 to 17; 0 to 2 unused

inline constexpr Card kSmallJoker = 52;
inline constexpr Card kBigJoker = 53;

inline bool IsCard(int card)
{
    return card >= 0 && card < kDeckSize;
}

inline int RankOf(Card card)
{
    if (card == kSmallJoker)
        return kRankSmallJoker;
    if (card == kBigJoker)
        return kRankBigJoker;
    return kRankThree + card % 13;
}

// How many cards of each rank (index = rank).
using RankCounts = std::array<int, kRankCount>;

inline RankCounts CountRanks(const Cards& cards)
{
    RankCounts counts{};
    for (Card c : cards)
        ++counts[static_cast<size_t>(RankOf(c))];
    return counts;
}

// The cards ordered by rank, then by card number (the order a hand is shown in).
void SortCards(Cards& cards);
// Whether every card is a card and none is there twice.
bool AreDistinctCards(const Cards& cards);
// Whether every card of part is in hand (each at most as often as it is there).
bool HoldsAll(const Cards& hand, const Cards& part);
// hand without the cards of part (those of part that hand holds).
Cards Without(const Cards& hand, const Cards& part);

// A short text for logs and tests: "3", "10", "J", ..., "A", "2", "小王", "大王" per rank.
std::string RankName(int rank);

} // namespace landlord
