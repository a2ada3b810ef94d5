#include "examples/landlord/rules/Combination.h"

namespace landlord
{

namespace
{

constexpr int kMinStraight = 5;
constexpr int kMinPairStraight = 3;
constexpr int kMinAirplane = 2;

// The top rank of a run of `length` consecutive ranks, each held exactly `each` times, that are all
// the cards; 0 when the counts are no such run or the run goes above the ace.
int ExactRun(const RankCounts& counts, int each, int length)
{
    int low = 0, high = 0, ranks = 0;
    for (int r = kRankThree; r < kRankCount; ++r)
    {
        if (counts[static_cast<size_t>(r)] == 0)
            continue;
        if (counts[static_cast<size_t>(r)] != each)
            return 0;
        if (ranks == 0)
            low = r;
        high = r;
        ++ranks;
    }
    if (ranks != length || high - low + 1 != length || high > kRankAce)
        return 0;
    return high;
}

// An airplane of n triples with wings: n singles (pairs false) or n pairs (pairs true) besides the
// triples. The highest top rank that works, 0 for none.
int AirplaneWithWings(const RankCounts& counts, int n, bool pairs)
{
    for (int top = kRankAce; top - n + 1 >= kRankThree; --top)
    {
        RankCounts rest = counts;
        bool run = true;
        for (int r = top - n + 1; r <= top && run; ++r)
        {
            run = rest[static_cast<size_t>(r)] >= 3;
            rest[static_cast<size_t>(r)] -= 3;
        }
        if (!run)
            continue;
        if (!pairs)
            return top; // the counts add up: the rest are the n singles
        bool allPairs = true;
        for (int r = kRankThree; r < kRankCount && allPairs; ++r)
            allPairs = rest[static_cast<size_t>(r)] % 2 == 0;
        if (allPairs)
            return top;
    }
    return 0;
}

} // namespace

Combination Classify(const Cards& cards)
{
    return Classify(CountRanks(cards), static_cast<int>(cards.size()));
}

Combination Classify(const RankCounts& counts, int total)
{
    Combination c;
    c.cards = total;
    c.length = 1;
    if (total <= 0)
        return Combination{};
    int withCount[5] = {}; // ranks held 1, 2, 3 or 4 times
    int topOf[5] = {};     // the highest such rank
    for (int r = kRankThree; r < kRankCount; ++r)
    {
        const int n = counts[static_cast<size_t>(r)];
        if (n < 0 || n > 4)
            return Combination{};
        if (n > 0)
        {
            ++withCount[n];
            topOf[n] = r;
        }
    }
    auto make = [&](Kind kind, int key, int length = 1)
    {
        c.kind = kind;
        c.key = key;
        c.length = length;
        return c;
    };

    if (total == 2 && counts[kRankSmallJoker] == 1 && counts[kRankBigJoker] == 1)
        return make(Kind::Rocket, kRankBigJoker);
    if (total == 1)
        return make(Kind::Single, topOf[1]);
    if (total == 2 && withCount[2] == 1)
        return make(Kind::Pair, topOf[2]);
    if (total == 3 && withCount[3] == 1)
        return make(Kind::Triple, topOf[3]);
    if (total == 4 && withCount[4] == 1)
        return make(Kind::Bomb, topOf[4]);
    if (total == 4 && withCount[3] == 1)
        return make(Kind::TripleSingle, topOf[3]);
    if (total == 5 && withCount[3] == 1 && withCount[2] == 1)
        return make(Kind::TriplePair, topOf[3]);
    if (withCount[4] >= 1)
    {
        if (total == 6 && withCount[4] == 1)
            return make(Kind::FourTwoSingles, topOf[4]);
        if (total == 8 && ((withCount[4] == 1 && withCount[2] == 2) || withCount[4] == 2))
            return make(Kind::FourTwoPairs, topOf[4]);
    }
    if (total >= kMinStraight)
    {
        if (const int top = ExactRun(counts, 1, total))
            return make(Kind::Straight, top, total);
    }
    if (total % 2 == 0 && total / 2 >= kMinPairStraight)
    {
        if (const int top = ExactRun(counts, 2, total / 2))
            return make(Kind::PairStraight, top, total / 2);
    }
    if (total % 3 == 0 && total / 3 >= kMinAirplane)
    {
        if (const int top = ExactRun(counts, 3, total / 3))
            return make(Kind::Airplane, top, total / 3);
    }
    // Wings: the longest airplane first, singles before pairs where both could be read.
    int best = 0;
    Combination found;
    for (int n = total / 4; n >= kMinAirplane; --n)
    {
        if (total == 4 * n)
        {
            if (const int top = AirplaneWithWings(counts, n, false); top > best)
            {
                best = top;
                found = make(Kind::AirplaneSingles, top, n);
            }
        }
        if (total == 5 * n)
        {
            if (const int top = AirplaneWithWings(counts, n, true); top > best)
            {
                best = top;
                found = make(Kind::AirplanePairs, top, n);
            }
        }
    }
    return best > 0 ? found : Combination{};
}

bool Beats(const Combination& play, const Combination& last)
{
    if (!play.IsPlay())
        return false;
    if (!last.IsPlay())
        return true;
    if (play.kind == Kind::Rocket)
        return last.kind != Kind::Rocket;
    if (last.kind == Kind::Rocket)
        return false;
    if (play.kind == Kind::Bomb)
        return last.kind != Kind::Bomb || play.key > last.key;
    if (last.kind == Kind::Bomb)
        return false;
    return play.kind == last.kind && play.length == last.length && play.cards == last.cards && play.key > last.key;
}

const char* KindName(Kind kind)
{
    switch (kind)
    {
    case Kind::None:
        return "none";
    case Kind::Single:
        return "single";
    case Kind::Pair:
        return "pair";
    case Kind::Triple:
        return "triple";
    case Kind::TripleSingle:
        return "triple-single";
    case Kind::TriplePair:
        return "triple-pair";
    case Kind::Straight:
        return "straight";
    case Kind::PairStraight:
        return "pair-straight";
    case Kind::Airplane:
        return "airplane";
    case Kind::AirplaneSingles:
        return "airplane-singles";
    case Kind::AirplanePairs:
        return "airplane-pairs";
    case Kind::FourTwoSingles:
        return "four-two-singles";
    case Kind::FourTwoPairs:
        return "four-two-pairs";
    case Kind::Bomb:
        return "bomb";
    case Kind::Rocket:
        return "rocket";
    }
    return "?";
}

} // namespace landlord
