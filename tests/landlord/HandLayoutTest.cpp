// The own hand on the screen: which card a point hits where the cards overlap and stand raised,
// and the sweeps that pick cards out and put them back.
#include "examples/landlord/client/HandLayout.h"

#include <gtest/gtest.h>

namespace
{

using landlord::Cards;
using landlord::HandGeometry;
using landlord::HandLayout;

// Five cards centred on 200, 71 x 96, 20 apart, raised by 18: the hand spans 125..275.
HandLayout FiveCards()
{
    HandLayout hand(HandGeometry{200, 100, 71, 96, 20, 18});
    hand.SetCards({0, 1, 2, 3, 4});
    return hand;
}

TEST(HandLayout, APointHitsTheTopmostCardUnderIt)
{
    HandLayout hand = FiveCards();
    ASSERT_EQ(hand.Left(), 125);
    hand.Pick({2});
    struct Case
    {
        int x, y, card;
    } const cases[] = {
        {125, 100, 0},  // the first card's left edge
        {144, 150, 0},  // still its visible strip
        {145, 150, 1},  // the next card covers the rest of it
        {170, 90, 2},   // above the row: only the raised card reaches up there
        {170, 190, 1},  // below the raised card's bottom: the lower card beside it shows
        {194, 82, 2},   // the raised card's top edge
        {250, 150, 4},  // the last card shows whole
        {275, 195, 4},  // its bottom right corner
        {276, 150, -1}, // right of the hand
        {124, 150, -1}, // left of it
        {150, 196, -1}, // below every card
    };
    for (const Case& c : cases)
        EXPECT_EQ(hand.CardAt(c.x, c.y), c.card) << c.x << "," << c.y;
}

TEST(HandLayout, SweepsPickOrDropWhatTheyCrossAsTheirFirstCardDecides)
{
    HandLayout hand = FiveCards();
    // A press and release on one card picks it; on it again puts it back.
    ASSERT_TRUE(hand.PressAt(150, 150));
    hand.Release();
    EXPECT_EQ(hand.Picked(), (Cards{1}));
    ASSERT_TRUE(hand.PressAt(150, 150));
    hand.Release();
    EXPECT_TRUE(hand.Picked().empty());

    // A sweep right to left, ending beyond the hand, picks everything it crossed.
    ASSERT_TRUE(hand.PressAt(190, 150));
    hand.DragTo(10, 400);
    EXPECT_EQ(hand.SweepFrom(), 0);
    EXPECT_EQ(hand.SweepTo(), 3);
    hand.Release();
    EXPECT_EQ(hand.Picked(), (Cards{0, 1, 2, 3}));

    // Begun on a picked card, a sweep puts down all it covers, the unpicked last card too.
    ASSERT_TRUE(hand.PressAt(170, 85));
    hand.DragTo(900, 150);
    hand.Release();
    EXPECT_EQ(hand.Picked(), (Cards{0, 1}));

    // A press beside the hand starts nothing; a new hand has nothing picked.
    EXPECT_FALSE(hand.PressAt(5, 5));
    hand.Release();
    EXPECT_EQ(hand.Picked(), (Cards{0, 1}));
    hand.Pick({4, 9, 4});
    EXPECT_EQ(hand.Picked(), (Cards{4})) << "cards the hand does not hold are not picked";
    hand.SetCards({7, 8});
    EXPECT_TRUE(hand.Picked().empty());
}

} // namespace
