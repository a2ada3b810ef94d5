// The demo game's view in a headless application with its skin, driven by the mouse as a player
// drives it: the round is told to the view as the server tells it, the player sweeps across two
// cards and clicks the play button, and a peer on 127.0.0.1 reads the play request the game sends.
#include "examples/landlord/client/LandlordView.h"
#include "examples/landlord/rules/Protocol.h"
#include "pop/ButtonWidget.h"
#include "tests/players/PlayersTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace
{

using namespace landlord;
using Game = playerstest::BasicPlayersGame<LandlordView>;

Card C(int rank, int suit = 0)
{
    return static_cast<Card>(suit * 13 + rank - kRankThree);
}

void Tell(Game& game, const std::string& msg)
{
    game.view.OnGameMessage(reinterpret_cast<const unsigned char*>(msg.data()), msg.size());
}

// The middle of a card's visible strip in window coordinates.
Sexy::Point StripOf(const Game& game, int index)
{
    const HandLayout& hand = game.view.Hand();
    return {game.view.mX + hand.CardX(index) + hand.Geometry().step / 2,
            game.view.mY + hand.CardY(index) + hand.Geometry().cardHeight / 2};
}

void Click(Game& game, const Sexy::Widget& widget)
{
    const Sexy::Point at = widget.GetAbsPos();
    game.harness.Click(at.mX + widget.mWidth / 2, at.mY + widget.mHeight / 2);
}

TEST(LandlordView, APlayerSweepsTwoCardsAndPlaysThemWithTheMouse)
{
    Game game(kPlayers, true);
    game.wnd.Resize(0, 0, Ostra::GameAppBase::STANDARD_WIDTH, Ostra::GameAppBase::STANDARD_HEIGHT);
    testsupport::Peer peer = game.Connect();
    ASSERT_TRUE(peer.Valid());

    DealMsg deal;
    deal.ownChair = 0;
    deal.cards = {C(3),    C(3, 1), C(4),  C(5),  C(6),  C(7),  C(8),  C(9),       C(9, 1),
                  C(9, 2), C(9, 3), C(11), C(12), C(13), C(14), C(15), kSmallJoker};
    Tell(game, Encode(deal));
    game.harness.Step(100); // the deal's animation puts the cards in the hand
    ASSERT_EQ(game.view.Hand().GetCards().size(), 17u);
    LandlordMsg decided;
    decided.chair = 1;
    decided.bid = 3;
    decided.keptBack = {C(10), C(10, 1), kBigJoker};
    Tell(game, Encode(decided));
    PlayMsg pair;
    pair.chair = 1;
    pair.cards = {C(5, 1), C(5, 2)};
    pair.left = 18;
    Tell(game, Encode(MSG_PLAY_NOTICE, pair));
    PlayMsg pass;
    pass.chair = 2;
    pass.left = 17;
    Tell(game, Encode(MSG_PLAY_NOTICE, pass));
    Tell(game, Encode(MSG_PLAY_TURN, TurnMsg{0, 0, 20}));
    game.harness.Step(30);

    Sexy::ButtonWidget* play = game.view.Button(LandlordView::BTN_PLAY);
    ASSERT_TRUE(play->mVisible);
    EXPECT_TRUE(play->mDisabled) << "nothing picked yet";
    const Cards& cards = game.view.Hand().GetCards();
    const int firstNine = static_cast<int>(std::find(cards.begin(), cards.end(), C(9)) - cards.begin());

    // A sweep from the first nine to the second picks both; the play button comes alive.
    const Sexy::Point from = StripOf(game, firstNine);
    const Sexy::Point to = StripOf(game, firstNine + 1);
    game.harness.MouseMove(from.mX, from.mY);
    game.harness.MouseDown(from.mX, from.mY);
    game.harness.MouseMove(to.mX, to.mY);
    game.harness.MouseUp(to.mX, to.mY);
    EXPECT_EQ(game.view.Hand().Picked(), (Cards{C(9), C(9, 1)}));
    ASSERT_FALSE(play->mDisabled);
    Click(game, *play);

    std::string msg;
    ASSERT_TRUE(playerstest::ReadMessageOfType(peer, MSG_PLAY_REQ, msg));
    PlayMsg sent;
    ASSERT_TRUE(Decode(reinterpret_cast<const unsigned char*>(msg.data()), msg.size(), sent));
    EXPECT_EQ(sent.cards, (Cards{C(9), C(9, 1)}));
    EXPECT_FALSE(play->mVisible) << "one move per turn";
}

} // namespace
