#include "examples/landlord/rules/Cards.h"

#include <algorithm>

namespace landlord
{

void SortCards(Cards& cards)
{
    std::sort(cards.begin(), cards.end(),
              [](Card a, Card b) { return RankOf(a) != RankOf(b) ? RankOf(a) < RankOf(b) : a < b; });
}

bool AreDistinctCards(const Cards& cards)
{
    std::array<bool, kDeckSize> seen{};
    for (Card c : cards)
    {
        if (!IsCard(c) || seen[c])
            return false;
        seen[c] = true;
    }
    return true;
}

bool HoldsAll(const Cards& hand, const Cards& part)
{
    std::array<int, 256> left{};
    for (Card c : hand)
        ++left[c];
    for (Card c : part)
    {
        if (left[c]-- <= 0)
            return false;
    }
    return true;
}

Cards Without(const Cards& hand, const Cards& part)
{
    std::array<int, 256> drop{};
    for (Card c : part)
        ++drop[c];
    Cards out;
    out.reserve(hand.size());
    for (Card c : hand)
    {
        if (drop[c] > 0)
            --drop[c];
        else
            out.push_back(c);
    }
    return out;
}

std::string RankName(int rank)
{
    static const char* const kNames[] = {"3", "4", "5", "6", "7", "8", "9", "10", "J", "Q", "K", "A", "2"};
    if (rank >= kRankThree && rank <= kRankTwo)
        return kNames[rank - kRankThree];
    if (rank == kRankSmallJoker)
        return "small-joker";
    if (rank == kRankBigJoker)
        return "big-joker";
    return "?";
}

} // namespace landlord
