#include "examples/landlord/rules/Moves.h"

#include <algorithm>

namespace landlord
{

namespace
{

// The hand's cards by rank, each rank's cards in rising order.
struct ByRank
{
    explicit ByRank(const Cards& hand)
    {
        Cards sorted = hand;
        SortCards(sorted);
        for (Card c : sorted)
            cards[static_cast<size_t>(RankOf(c))].push_back(c);
    }
    int Count(int rank) const { return static_cast<int>(cards[static_cast<size_t>(rank)].size()); }
    void Take(int rank, int n, Cards& out) const
    {
        const Cards& of = cards[static_cast<size_t>(rank)];
        out.insert(out.end(), of.begin(), of.begin() + n);
    }
    std::array<Cards, kRankCount> cards;
};

class Builder
{
public:
    Builder(const Cards& hand, const Combination& last) : m_by(hand), m_last(last) {}

    void Add(Cards cards)
    {
        const Combination combo = Classify(cards);
        if (!combo.IsPlay() || !Beats(combo, m_last))
            return;
        for (const Move& m : m_moves)
        {
            if (m.combo == combo)
                return;
        }
        m_moves.push_back({std::move(cards), combo});
    }

    // n of a rank, plus wings: `wings` groups of `each` cards from the lowest other ranks that hold
    // at least `each` (none of the ranks in [skipLow, skipHigh]); false when the hand has too few.
    bool WithWings(Cards& cards, int wings, int each, int skipLow, int skipHigh) const
    {
        for (int r = kRankThree; r < kRankCount && wings > 0; ++r)
        {
            if (r >= skipLow && r <= skipHigh)
                continue;
            // A pair of jokers is the rocket, not a pair.
            if (each == 2 && r >= kRankSmallJoker)
                continue;
            if (m_by.Count(r) >= each)
            {
                m_by.Take(r, each, cards);
                --wings;
            }
        }
        return wings == 0;
    }

    void Groups()
    {
        for (int r = kRankThree; r < kRankCount; ++r)
        {
            for (int n = 1; n <= 4; ++n)
            {
                if (m_by.Count(r) < n)
                    break;
                Cards same;
                m_by.Take(r, n, same);
                Add(same);
                if (n == 3)
                {
                    for (int each : {1, 2})
                    {
                        Cards with = same;
                        if (WithWings(with, 1, each, r, r))
                            Add(with);
                    }
                }
                if (n == 4)
                {
                    for (int each : {1, 2})
                    {
                        Cards with = same;
                        if (WithWings(with, 2, each, r, r))
                            Add(with);
                    }
                }
            }
        }
        if (m_by.Count(kRankSmallJoker) && m_by.Count(kRankBigJoker))
            Add({kSmallJoker, kBigJoker});
    }

    // Runs of `each` cards per rank, from minLength ranks up to the longest the hand holds.
    void Runs(int each, int minLength)
    {
        for (int low = kRankThree; low <= kRankAce; ++low)
        {
            Cards run;
            for (int high = low; high <= kRankAce && m_by.Count(high) >= each; ++high)
            {
                m_by.Take(high, each, run);
                const int length = high - low + 1;
                if (length < minLength)
                    continue;
                Add(run);
                if (each == 3)
                {
                    for (int wing : {1, 2})
                    {
                        Cards with = run;
                        if (WithWings(with, length, wing, low, high))
                            Add(with);
                    }
                }
            }
        }
    }

    std::vector<Move> Done()
    {
        std::stable_sort(m_moves.begin(), m_moves.end(),
                         [](const Move& a, const Move& b)
                         {
                             if (a.combo.kind != b.combo.kind)
                                 return a.combo.kind < b.combo.kind;
                             if (a.combo.length != b.combo.length)
                                 return a.combo.length < b.combo.length;
                             return a.combo.key < b.combo.key;
                         });
        return std::move(m_moves);
    }

private:
    ByRank m_by;
    Combination m_last;
    std::vector<Move> m_moves;
};

} // namespace

std::vector<Move> LegalMoves(const Cards& hand, const Combination& last)
{
    Builder builder(hand, last);
    builder.Groups();
    builder.Runs(1, 5);
    builder.Runs(2, 3);
    builder.Runs(3, 2);
    return builder.Done();
}

} // namespace landlord
