// The table view of the minimal game: a table with the players' seats around it, turned so that the
// own place is at the bottom, the chair buttons on the empty seats, and a few lines of status, so
// that a screen (or a screenshot) shows what the session did: whether the game server is connected,
// where the player sits, who sits with him, and which of the game's own messages came last.
//
// The table has as many chairs as AppInfo iMaxPlayerNum says (7 unless the lobby's launch value
// changes it). Whenever the seats or the chair buttons change, the view prints one line to its
// standard error (where the game's log lines go too), for whoever watches the game from outside
// (the demo, the tests):
//
//   minimal: seats 0=10002@1 1=self@2 2=- 3=90001@3+ ... buttons 2,4,5,6
//
// seat=user@chair for each local seat ("self" for the own place, "-" for an empty seat, "+" when
// the player declared ready), then the seats whose chair button shows. Every chat line the view is
// given is printed too, in UTF-8 with its colour index:
//
//   minimal: chat 8 [演示玩家]说:你好
#pragma once

#include "tessaro/view/GameViewBase.h"

#include "pop/SysFont.h"

#include <cstdint>
#include <memory>
#include <string>

namespace minimal
{

class MinimalView : public Ostra::GameViewBase
{
public:
    explicit MinimalView(Ostra::GameAppBase* app);
    ~MinimalView() override;

    void Update() override;
    void Draw(Sexy::Graphics* g) override;

    // One of the game's own messages arrived (the window's HandleGameMessage).
    void NoteGameMessage(int type, long len);
    // A round of the table ended (a game result).
    void NoteRoundEnd();

    // What the status lines say; the screen shows these texts.
    std::wstring ConnectionText() const;
    std::wstring SeatText() const;
    std::wstring GameMessageText() const;
    // The seats line without its "minimal: " prefix.
    std::string SeatsReport() const;
    bool IsSeated() const { return m_bSeated; }

    // Every line reaches the chat and is printed (see above).
    void AddChat(std::wstring text, int kind) override;
    using GameViewBase::AddChat;

    // ---- The library's seats: the game's chair count, the report -------------------------------
    void SetTableUserInfo(char cFlag) override;
    void UpdateBtnChair() override;

    // ---- The operations every game supplies ----------------------------------------------------
    void GameReserved1() override {}
    void GameReserved2() override {}
    void OnSelfReady() override;
    void OnAnimateEnd(int) override {}
    void GameReserved3() override {}
    // The game has no state of its own to restore: it notes that the player sits again.
    void HandleAgainLoginRes(std::uintptr_t msg, long len) override;
    void HandleSitDownRes(std::uintptr_t msg, long len) override;

private:
    enum class Link
    {
        NotYet,
        Connected,
        Lost,
        Replay,
    };
    Link CurrentLink() const;
    int TableChairs() const;
    // The middle of a seat's place on the screen.
    Sexy::Point SeatCentre(int seat) const;
    void PlaceChairButtons();
    // Prints the seats line when it differs from the last one printed.
    void ReportSeats();
    void DrawSeat(Sexy::Graphics* g, int seat);

    std::unique_ptr<Sexy::SysFont> m_pTitleFont;
    std::unique_ptr<Sexy::SysFont> m_pTextFont;
    std::unique_ptr<Sexy::SysFont> m_pSeatFont;
    // What was drawn last, so that a change of the connection redraws the screen.
    Link m_DrawnLink = Link::NotYet;
    bool m_bSeated = false;
    int m_iGameMsgCount = 0;
    int m_iLastType = -1;
    long m_lLastLen = 0;
    int m_iRounds = 0;
    std::string m_strReported;
};

} // namespace minimal
