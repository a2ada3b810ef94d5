#include "examples/landlord/rules/Strategy.h"

#include <algorithm>
#include <climits>

namespace landlord
{

namespace
{

// An opponent with this many cards or fewer is close to going out: bombs are worth spending.
constexpr int kCloseToOut = 4;

// How dear a play is to give up: high ranks cost, many cards shed are worth it, bombs and the
// rocket are kept, and breaking up a four costs too.
int Cost(const Move& move, const RankCounts& hand)
{
    int cost = move.combo.key * 4 - move.combo.cards * 5;
    if (move.combo.IsBomb())
        cost += 200;
    for (Card c : move.cards)
    {
        const int rank = RankOf(c);
        if (!move.combo.IsBomb() && hand[static_cast<size_t>(rank)] == 4)
            cost += 60;
        if (rank >= kRankTwo && move.combo.kind != Kind::Single && move.combo.kind != Kind::Pair)
            cost += 20; // twos and jokers as wings are wasted
    }
    return cost;
}

const Move* Cheapest(const std::vector<Move>& moves, const RankCounts& hand, bool bombs)
{
    const Move* best = nullptr;
    int bestCost = INT_MAX;
    for (const Move& m : moves)
    {
        if (m.combo.IsBomb() != bombs)
            continue;
        const int cost = Cost(m, hand);
        if (cost < bestCost)
        {
            bestCost = cost;
            best = &m;
        }
    }
    return best;
}

} // namespace

int HandStrength(const Cards& hand)
{
    const RankCounts counts = CountRanks(hand);
    int strength = counts[kRankBigJoker] * 4 + counts[kRankSmallJoker] * 3 + counts[kRankTwo] * 2 + counts[kRankAce];
    for (int r = kRankThree; r <= kRankTwo; ++r)
    {
        if (counts[static_cast<size_t>(r)] == 4)
            strength += 4;
    }
    return strength;
}

int ChooseBid(const Cards& hand, int highest)
{
    const int strength = HandStrength(hand);
    const int want = strength >= 11 ? 3 : strength >= 8 ? 2 : strength >= 6 ? 1 : 0;
    return want > highest ? want : 0;
}

Cards ChoosePlay(const TurnView& turn)
{
    const std::vector<Move> moves = LegalMoves(turn.hand, turn.last);
    if (moves.empty())
        return {};
    // Going out wins the round: always.
    for (const Move& m : moves)
    {
        if (m.cards.size() == turn.hand.size())
            return m.cards;
    }
    const RankCounts hand = CountRanks(turn.hand);
    const bool leading = !turn.last.IsPlay();
    if (!leading && turn.lastByPartner)
        return {};
    const bool danger = turn.fewestOpponentCards <= kCloseToOut;
    if (leading)
    {
        // Against an opponent about to go out with one card, singles go last, and then the
        // highest: it holds him longest.
        if (turn.fewestOpponentCards == 1)
        {
            std::vector<Move> others;
            for (const Move& m : moves)
            {
                if (m.combo.kind != Kind::Single)
                    others.push_back(m);
            }
            if (const Move* m = Cheapest(others, hand, false))
                return m->cards;
            for (auto m = moves.rbegin(); m != moves.rend(); ++m)
            {
                if (m->combo.kind == Kind::Single)
                    return m->cards;
            }
        }
        if (const Move* m = Cheapest(moves, hand, false))
            return m->cards;
        return moves.front().cards; // nothing but bombs
    }
    if (const Move* m = Cheapest(moves, hand, false))
    {
        // A two or a joker spent on a low single of an opponent far from out is a waste.
        if (danger || m->combo.key < kRankTwo || turn.last.key >= kRankAce)
            return m->cards;
        return {};
    }
    // Only a bomb or the rocket beats it.
    const Move* bomb = Cheapest(moves, hand, true);
    const int left = static_cast<int>(turn.hand.size()) - (bomb ? bomb->combo.cards : 0);
    if (bomb && (danger || left <= kCloseToOut))
        return bomb->cards;
    return {};
}

} // namespace landlord
