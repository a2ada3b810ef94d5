// The table view of the demo game, Dou Dizhu: the library's whole table screen (portraits and
// names, chair buttons, chat with quick chat and bubbles, the user list, the player menu,
// bulletins) with the game drawn on the felt: the own hand, which the player picks cards from by
// clicking or sweeping across them, the other two players' card backs and counts, the cards each
// laid in the current trick, the three cards kept back, the landlord's mark, the stake and its
// multiple, a countdown by the seat whose turn it is, and the settlement when the round ends.
//
// The server's messages of the game (docs/LANDLORD.md) reach OnGameMessage through the library's
// delay queue; the view holds the queue (LockDelayMsg) while the deal is animated, so that the
// bidding starts when the cards are in the hand. Plays fly to the table on animation layers;
// bombs, the rocket, airplanes and a spring get animations and sounds of their own.
//
// The automatic player ("托管", also switched on by --autoplay) moves for the player with the
// bots' own decision code when his turn comes. For whoever watches from outside (the demo, the
// tests) the view prints the round on its standard error, one line an event:
//
//   landlord: deal round 3 chair 1 cards 17
//   landlord: turn chair 2 bid seconds 20   (or play; from the next frame on, his buttons are up)
//   landlord: bid chair 2 points 3
//   landlord: landlord chair 2 bid 3
//   landlord: play chair 2 cards 3,3,3,4 left 16
//   landlord: end landlord 2 won 1 multiple 6 money -600,-600,1200
#pragma once

#include "examples/landlord/client/HandLayout.h"
#include "examples/landlord/client/TableState.h"
#include "tessaro/view/GameViewBase.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace Sexy
{
class ButtonWidget;
class Image;
} // namespace Sexy

namespace Ostra
{
class AnimLayer;
}

namespace landlord
{

// Moments of a round that the view has reached, for screenshots taken from outside.
enum Moment : unsigned
{
    MOMENT_BIDDING = 1u << 0,  // the first bid turn is on the screen
    MOMENT_MID_PLAY = 1u << 1, // about half of the cards have been played
    MOMENT_RESULT = 1u << 2,   // the settlement is on the screen
};

class LandlordView : public Ostra::GameViewBase
{
public:
    explicit LandlordView(Ostra::GameAppBase* app);
    ~LandlordView() override;

    // One of the game's own messages (a whole message, header included).
    void OnGameMessage(const unsigned char* msg, std::size_t len);

    void SetAutoPlay(bool on);
    // How long the automatic player thinks before it moves, in updates (100 a second).
    void SetThinkUpdates(int updates) { m_iThinkUpdates = std::max(updates, 1); }
    bool AutoPlay() const { return m_bAutoPlay; }
    const TableState& State() const { return m_state; }
    const HandLayout& Hand() const { return m_hand; }
    unsigned Moments() const { return m_uMoments; }
    int RoundsEnded() const { return m_iRoundsEnded; }
    bool IsSeated() const { return m_bSeated; }
    // The player's moves, as the buttons make them (also for tests): false when not allowed now.
    bool BidNow(int points);
    bool PlayPicked();
    bool PassNow();
    // Picks the next hint's cards.
    void HintNow();

    // The game's buttons by id.
    enum ButtonId
    {
        BTN_BID0 = 200,
        BTN_BID1,
        BTN_BID2,
        BTN_BID3,
        BTN_PASS,
        BTN_HINT,
        BTN_PLAY,
        BTN_AUTO,
    };
    static constexpr int kButtons = 8;
    Sexy::ButtonWidget* Button(int id) const { return m_pButtons[static_cast<size_t>(id - BTN_BID0)].get(); }

    // ---- The library's view ---------------------------------------------------------------------
    void Update() override;
    void Draw(Sexy::Graphics* g) override;
    void ButtonDepress(int id) override;
    void MouseDown(int x, int y, int button, int clickCount) override;
    using GameViewBase::MouseDown;
    void MouseDrag(int x, int y) override;
    void MouseUp(int x, int y, int button, int clickCount) override;
    using GameViewBase::MouseUp;
    void SetTableUserInfo(char cFlag) override;
    void InitDeskInfo() override;

    void GameReserved1() override {}
    void GameReserved2() override {}
    void GameReserved3() override {}
    void OnSelfReady() override;
    void OnAnimateEnd(int layer) override;
    // The round as it stands, from the game's part of the login-again response.
    void HandleAgainLoginRes(std::uintptr_t msg, long len) override;
    void HandleSitDownRes(std::uintptr_t msg, long len) override;
    void HandleGameResultServer(std::uintptr_t msg, long len) override;

private:
    // Local seat (0 left, 1 the own place at the bottom, 2 right) of a server chair; -1 for none.
    int SeatOfChair(int chair);
    void PlaceWidgets();
    void CreateButtons();
    void LoadPictures();
    // Shows the buttons the turn offers and enables those whose move is legal now.
    void UpdateButtons();
    void SendBid(int points);
    void SendPlay(const Cards& cards);
    // The automatic player's move, once its short pause is over.
    void RunAutoPlay();
    // Events of the table state, turned into what the player sees and hears.
    void OnDealt();
    void OnPlayed(int chair);
    void OnRoundEnd();
    void OnRestored();
    // The game's state for the escape rules (AppInfo iGameState) and the server (type 242).
    void ReportGameState(int state);
    void StartDealAnimation();
    void StepDealAnimation();
    void FlyCards(int chair, const Cards& cards);
    void PlayEffect(int layer, const char* picture, int cels, const char* sound);
    void PlayVoice(int chair, const char* name);
    void PlayEffectSound(const char* name);
    void Print(const std::string& line) const;

    // Drawing (LandlordDraw.cpp).
    void DrawTable(Sexy::Graphics* g);
    void DrawHand(Sexy::Graphics* g);
    void DrawOthers(Sexy::Graphics* g);
    void DrawTrick(Sexy::Graphics* g);
    void DrawKeptBack(Sexy::Graphics* g);
    void DrawSeatMarks(Sexy::Graphics* g);
    void DrawClock(Sexy::Graphics* g);
    void DrawResult(Sexy::Graphics* g);
    void DrawSmallCards(Sexy::Graphics* g, const Cards& cards, int centreX, int y, int step);
    void DrawCard(Sexy::Graphics* g, Sexy::Image* strip, int cel, int x, int y, int width, int height);

    TableState m_state;
    HandLayout m_hand;
    bool m_bSeated = false;
    bool m_bAutoPlay = false;
    int m_iThinkUpdates = 60; // long enough for a person to see what the automatic player does
    int m_iAutoWait = 0;      // updates before the automatic player moves
    bool m_bMoveSent = false; // the own move is on its way: no second one for this turn
    int m_iHint = 0;
    int m_iTurnUpdates = 0; // left of the turn's time, in updates
    int m_iAlarmSecond = -1;
    int m_iRoundsEnded = 0;
    unsigned m_uMoments = 0;
    int m_iCardsPlayed = 0;
    bool m_bShowResult = false;
    // The deal being animated: cards shown in the hand so far, updates to the next one.
    int m_iDealShown = -1;
    int m_iDealWait = 0;
    // A chair's trick cards stay hidden while they fly to the table.
    std::array<bool, kPlayers> m_bFlying{};
    // Nick names by chair for the settlement (a player may leave before it is drawn).
    std::array<std::string, kPlayers> m_strNick;

    std::unique_ptr<Sexy::Image> m_pCardImage;
    std::unique_ptr<Sexy::Image> m_pSmallCardImage;
    std::unique_ptr<Sexy::Image> m_pLandlordMark;
    std::unique_ptr<Sexy::Image> m_pFarmerMark;
    std::unique_ptr<Sexy::Image> m_pClockImage;
    std::unique_ptr<Sexy::Image> m_pResultImage;

    std::array<std::unique_ptr<Sexy::ButtonWidget>, kButtons> m_pButtons;
    std::array<std::unique_ptr<Sexy::Image>, kButtons> m_pButtonImages;
    std::unique_ptr<Sexy::Image> m_pUnautoImage;

    // Animation layers: the deal (to the two other seats), the plays (one per seat), effects.
    enum LayerId
    {
        LAYER_DEAL_LEFT = 1,
        LAYER_DEAL_RIGHT,
        LAYER_PLAY_FIRST, // + local seat
        LAYER_BOMB = LAYER_PLAY_FIRST + 3,
        LAYER_ROCKET,
        LAYER_PLANE,
        LAYER_SPRING,
    };
    std::array<std::unique_ptr<Ostra::AnimLayer>, 10> m_pLayers;
    Ostra::AnimLayer* Layer(int id);
};

} // namespace landlord
