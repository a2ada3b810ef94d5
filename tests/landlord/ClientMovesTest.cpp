// What the client lets the player do: a selection is offered for play only when it is the own
// turn, the cards are his, they make a combination and it beats the play on the table; a pass only
// when there is something to beat.
#include "examples/landlord/client/TableState.h"

#include <gtest/gtest.h>

namespace
{

using namespace landlord;

// The card of a rank (3 to 15) in a suit (0 spade, 1 heart, 2 club, 3 diamond).
Card C(int rank, int suit = 0)
{
    return static_cast<Card>(suit * 13 + rank - kRankThree);
}

void Feed(TableState& state, const std::string& msg)
{
    ASSERT_NE(state.OnMessage(reinterpret_cast<const unsigned char*>(msg.data()), msg.size()), TableEvent::None);
}

TEST(ClientMoves, OnlyLegalPlaysAndPassesAreOffered)
{
    TableState state;
    DealMsg deal;
    deal.ownChair = 0;
    deal.cards = {C(3),    C(3, 1), C(4),  C(5),  C(6),  C(7),  C(8),  C(9),       C(9, 1),
                  C(9, 2), C(9, 3), C(11), C(12), C(13), C(14), C(15), kSmallJoker};
    Feed(state, Encode(deal));
    LandlordMsg landlordMsg;
    landlordMsg.chair = 1;
    landlordMsg.bid = 3;
    landlordMsg.keptBack = {C(10), C(10, 1), kBigJoker};
    Feed(state, Encode(landlordMsg));

    // The landlord leads a pair of fives, the next farmer passes: the own turn.
    Feed(state, Encode(MSG_PLAY_TURN, TurnMsg{1, 1, 20}));
    PlayMsg pair;
    pair.chair = 1;
    pair.cards = {C(5, 1), C(5, 2)};
    pair.left = 18;
    Feed(state, Encode(MSG_PLAY_NOTICE, pair));
    Feed(state, Encode(MSG_PLAY_TURN, TurnMsg{2, 0, 20}));
    PlayMsg pass;
    pass.chair = 2;
    pass.left = 17;
    Feed(state, Encode(MSG_PLAY_NOTICE, pass));
    Feed(state, Encode(MSG_PLAY_TURN, TurnMsg{0, 0, 20}));
    ASSERT_TRUE(state.MyTurn());

    struct Case
    {
        Cards selection;
        bool playable;
        const char* why;
    } const cases[] = {
        {{C(9), C(9, 1)}, true, "a higher pair"},
        {{C(9), C(9, 1), C(9, 2), C(9, 3)}, true, "a bomb beats the pair"},
        {{C(3), C(3, 1)}, false, "a lower pair"},
        {{C(11), C(12)}, false, "no combination"},
        {{C(10, 3)}, false, "a card he does not hold"},
        {{C(9), C(9)}, false, "the same card twice"},
        {{kSmallJoker}, false, "a single against a pair"},
        {{}, false, "nothing picked"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(state.CanPlay(c.selection), c.playable) << c.why;
    EXPECT_TRUE(state.CanPass());
    EXPECT_TRUE(state.Hint(0)) << "the nines beat the fives";

    // Someone else's turn: nothing is offered; leading again: no pass.
    Feed(state, Encode(MSG_PLAY_TURN, TurnMsg{1, 1, 20}));
    EXPECT_FALSE(state.CanPlay({C(9), C(9, 1)}));
    EXPECT_FALSE(state.CanPass());
    Feed(state, Encode(MSG_PLAY_TURN, TurnMsg{0, 1, 20}));
    EXPECT_TRUE(state.CanPlay({C(3), C(3, 1)})) << "a lead may be any combination";
    EXPECT_FALSE(state.CanPass());
}

TEST(ClientMoves, KeptBackCardsTheHandHoldsAlreadyOrASecondLandlordAreRefused)
{
    TableState state;
    DealMsg deal;
    deal.ownChair = 0;
    for (int card = 0; card < kHandSize; ++card)
        deal.cards.push_back(static_cast<Card>(card));
    Feed(state, Encode(deal));
    LandlordMsg decided;
    decided.chair = 0;
    decided.bid = 3;
    decided.keptBack = {1, 9, 51};
    const std::string msg = Encode(decided);
    EXPECT_EQ(state.OnMessage(reinterpret_cast<const unsigned char*>(msg.data()), msg.size()), TableEvent::None);
    EXPECT_EQ(state.Hand().size(), static_cast<size_t>(kHandSize));
    EXPECT_EQ(state.Landlord(), -1);

    // Three cards of his own deal's rest make him the landlord with 20 distinct cards.
    decided.keptBack = {50, 51, kBigJoker};
    Feed(state, Encode(decided));
    EXPECT_EQ(state.Hand().size(), 20u);
    EXPECT_TRUE(AreDistinctCards(state.Hand()));
    // A second landlord message hands out nothing more.
    decided.keptBack = {47, 48, 49};
    const std::string again = Encode(decided);
    EXPECT_EQ(state.OnMessage(reinterpret_cast<const unsigned char*>(again.data()), again.size()), TableEvent::None);
    EXPECT_EQ(state.Hand().size(), 20u);
}

} // namespace
