// The demo game's rules: every combination recognised and compared, the moves a hand offers, and
// whole rounds between three bots from seeded deals.
#include "examples/landlord/rules/Round.h"

#include <gtest/gtest.h>

#include <numeric>
#include <set>
#include <string>

namespace
{

using namespace landlord;

// Cards by rank, suits taken in turn: "3 3 4" is two threes of different suits and a four.
// 16 and 17 are the jokers.
Cards Hand(std::initializer_list<int> ranks)
{
    int used[kRankCount] = {};
    Cards out;
    for (int rank : ranks)
    {
        if (rank == kRankSmallJoker)
            out.push_back(kSmallJoker);
        else if (rank == kRankBigJoker)
            out.push_back(kBigJoker);
        else
            out.push_back(static_cast<Card>(used[rank]++ * 13 + (rank - kRankThree)));
    }
    return out;
}

TEST(LandlordRules, EveryCombinationIsRecognised)
{
    struct Case
    {
        Cards cards;
        Kind kind;
        int key;
        int length;
    };
    const Case cases[] = {
        {Hand({9}), Kind::Single, 9, 1},
        {Hand({16}), Kind::Single, 16, 1},
        {Hand({5, 5}), Kind::Pair, 5, 1},
        {Hand({16, 17}), Kind::Rocket, 17, 1},
        {Hand({7, 7, 7}), Kind::Triple, 7, 1},
        {Hand({7, 7, 7, 3}), Kind::TripleSingle, 7, 1},
        {Hand({7, 7, 7, 3, 3}), Kind::TriplePair, 7, 1},
        {Hand({8, 8, 8, 8}), Kind::Bomb, 8, 1},
        {Hand({3, 4, 5, 6, 7}), Kind::Straight, 7, 5},
        {Hand({10, 11, 12, 13, 14}), Kind::Straight, 14, 5},
        {Hand({3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}), Kind::Straight, 14, 12},
        {Hand({3, 3, 4, 4, 5, 5}), Kind::PairStraight, 5, 3},
        {Hand({12, 12, 13, 13, 14, 14}), Kind::PairStraight, 14, 3},
        {Hand({3, 3, 3, 4, 4, 4}), Kind::Airplane, 4, 2},
        {Hand({3, 3, 3, 4, 4, 4, 9, 10}), Kind::AirplaneSingles, 4, 2},
        {Hand({3, 3, 3, 4, 4, 4, 9, 9, 10, 10}), Kind::AirplanePairs, 4, 2},
        {Hand({5, 5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8}), Kind::Airplane, 8, 4}, // not three with wings
        {Hand({5, 5, 5, 6, 6, 6, 7, 7, 7, 3, 4, 9}), Kind::AirplaneSingles, 7, 3},
        {Hand({6, 6, 6, 6, 3, 9}), Kind::FourTwoSingles, 6, 1},
        {Hand({6, 6, 6, 6, 3, 3}), Kind::FourTwoSingles, 6, 1},
        {Hand({6, 6, 6, 6, 3, 3, 9, 9}), Kind::FourTwoPairs, 6, 1},
        // Not plays: a run through the two, too short, broken, mixed, a pair of jokers' ranks.
        {Hand({11, 12, 13, 14, 15}), Kind::None, 0, 0},
        {Hand({3, 4, 5, 6}), Kind::None, 0, 0},
        {Hand({3, 4, 5, 6, 8}), Kind::None, 0, 0},
        {Hand({3, 3, 4, 4}), Kind::None, 0, 0},
        {Hand({14, 14, 15, 15, 16, 17}), Kind::None, 0, 0},
        {Hand({14, 14, 14, 15, 15, 15}), Kind::None, 0, 0},
        {Hand({3, 3, 3, 4, 4, 4, 16, 17, 9, 9}), Kind::None, 0, 0}, // the jokers are no pair
        {Hand({5, 6}), Kind::None, 0, 0},
        {Cards{}, Kind::None, 0, 0},
    };
    for (const Case& c : cases)
    {
        const Combination combo = Classify(c.cards);
        SCOPED_TRACE(testing::PrintToString(c.cards));
        EXPECT_EQ(combo.kind, c.kind) << KindName(combo.kind);
        if (c.kind != Kind::None)
        {
            EXPECT_EQ(combo.key, c.key);
            EXPECT_EQ(combo.length, c.length);
            EXPECT_EQ(combo.cards, static_cast<int>(c.cards.size()));
        }
    }
}

TEST(LandlordRules, PlaysBeatTheSameKindHigherOrByABomb)
{
    struct Case
    {
        Cards play, last;
        bool beats;
    };
    const Case cases[] = {
        {Hand({10}), Hand({9}), true},
        {Hand({9}), Hand({9}), false},
        {Hand({15}), Hand({14}), true},    // the two above the ace
        {Hand({17}), Hand({16}), true},    // the big joker above the small
        {Hand({4, 4}), Hand({14}), false}, // another kind
        {Hand({4, 5, 6, 7, 8}), Hand({3, 4, 5, 6, 7}), true},
        {Hand({4, 5, 6, 7, 8, 9}), Hand({3, 4, 5, 6, 7}), false}, // another length
        {Hand({9, 9, 9, 3}), Hand({8, 8, 8, 14}), true},          // the triple decides, not the wing
        {Hand({3, 3, 3, 3}), Hand({15, 15}), true},               // a bomb beats any play
        {Hand({3, 3, 3, 3}), Hand({4, 4, 4, 4}), false},
        {Hand({5, 5, 5, 5}), Hand({4, 4, 4, 4}), true},
        {Hand({16, 17}), Hand({15, 15, 15, 15}), true}, // the rocket beats every bomb
        {Hand({15, 15, 15, 15}), Hand({16, 17}), false},
        {Hand({14, 14, 14, 14, 3, 4}), Hand({3, 3, 3, 3}), false}, // four with two is no bomb
        {Hand({7}), Cards{}, true},                                // a lead
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::PrintToString(c.play) + " over " + testing::PrintToString(c.last));
        EXPECT_EQ(Beats(Classify(c.play), Classify(c.last)), c.beats);
    }
}

TEST(LandlordRules, MovesOfAHandBeatWhatTheyFollow)
{
    const Cards hand = Hand({3, 3, 4, 4, 5, 5, 6, 7, 8, 9, 9, 9, 9, 12, 14, 15, 16});
    const std::vector<Move> leads = LegalMoves(hand, Combination{});
    std::set<Kind> kinds;
    for (const Move& m : leads)
    {
        kinds.insert(m.combo.kind);
        EXPECT_TRUE(HoldsAll(hand, m.cards));
        EXPECT_EQ(Classify(m.cards), m.combo);
    }
    for (Kind k : {Kind::Single, Kind::Pair, Kind::Triple, Kind::TripleSingle, Kind::TriplePair, Kind::Straight,
                   Kind::PairStraight, Kind::FourTwoSingles, Kind::FourTwoPairs, Kind::Bomb})
        EXPECT_TRUE(kinds.count(k)) << KindName(k);

    // Over a pair of kings: the ace pair is missing, the two is single; the bomb of nines.
    const std::vector<Move> over = LegalMoves(hand, Classify(Hand({13, 13})));
    ASSERT_EQ(over.size(), 1u);
    EXPECT_EQ(over[0].combo.kind, Kind::Bomb);
    EXPECT_TRUE(LegalMoves(Hand({3, 4}), Classify(Hand({16, 17}))).empty());
}

TEST(LandlordRules, RoundsRefuseWhatTheRulesForbid)
{
    Round round(7, 0, 100);
    EXPECT_EQ(round.Bid(1, 1), PlayError::NotYourTurn);
    EXPECT_EQ(round.Bid(0, 4), PlayError::BadBid);
    EXPECT_EQ(round.Bid(0, 2), PlayError::None);
    EXPECT_EQ(round.Bid(1, 2), PlayError::BadBid); // not above the highest
    EXPECT_EQ(round.Play(1, {}), PlayError::WrongPhase);
    EXPECT_EQ(round.Bid(1, 3), PlayError::None); // 3 ends the bidding
    ASSERT_EQ(round.GetPhase(), Phase::Playing);
    EXPECT_EQ(round.Landlord(), 1);
    EXPECT_EQ(round.Hand(1).size(), 20u);
    EXPECT_EQ(round.Turn(), 1);
    EXPECT_EQ(round.Play(1, {}), PlayError::MustLead);
    EXPECT_EQ(round.Play(1, round.Hand(0)), PlayError::NotInHand);
    const Cards own = round.Hand(1);
    EXPECT_EQ(round.Play(1, {own[0], own[0]}), PlayError::NotInHand);
    EXPECT_EQ(round.Play(1, {own.front(), own.back()}), PlayError::NotAPlay);
    ASSERT_EQ(round.Play(1, {own.back()}), PlayError::None); // his highest card
    const Cards next = round.Hand(2);
    EXPECT_EQ(round.Play(2, {next.front()}), PlayError::DoesNotBeat);
    EXPECT_EQ(round.Play(0, {}), PlayError::NotYourTurn);
}

// Three bots play a thousand seeded rounds: never an illegal move, every round ends, every card
// is played at most once, and the money moves between the players only.
TEST(LandlordRules, AThousandBotRoundsAreLegalAndSettleToZero)
{
    int over = 0, redeals = 0, landlordWins = 0, springs = 0;
    for (std::uint64_t seed = 1; seed <= 1000; ++seed)
    {
        Round round(seed, static_cast<int>(seed % 3), 50);
        int moves = 0;
        while (round.GetPhase() == Phase::Bidding || round.GetPhase() == Phase::Playing)
        {
            ASSERT_EQ(round.PlayAsBot(), PlayError::None) << "seed " << seed << " move " << moves;
            ASSERT_LT(++moves, 400) << "seed " << seed;
        }
        if (round.GetPhase() == Phase::AllPassed)
        {
            ++redeals;
            continue;
        }
        ++over;
        const RoundResult r = round.Result();
        EXPECT_EQ(std::accumulate(r.delta.begin(), r.delta.end(), std::int64_t{0}), 0) << "seed " << seed;
        EXPECT_NE(r.delta[static_cast<size_t>(r.landlord)], 0);
        EXPECT_EQ(r.landlordWon, round.Hand(r.landlord).empty());
        landlordWins += r.landlordWon;
        springs += r.spring || r.antiSpring;
    }
    EXPECT_GT(over, 900);
    // Sensible bots: both sides win a fair share of the rounds.
    EXPECT_GT(landlordWins, over / 5);
    EXPECT_LT(landlordWins, over * 4 / 5);
    RecordProperty("rounds", over);
    RecordProperty("redeals", redeals);
    RecordProperty("springs", springs);
}

} // namespace
