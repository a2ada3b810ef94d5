// The table view of the minimal game: the library's whole table screen (background, portraits and
// names, chair buttons, chat with its input and quick chat, speech bubbles, the user list, the
// player menu, bulletins) with only the places of the seats chosen here. The seats sit round the
// table, turned so that the own place is at the bottom.
//
// The table has MinimalApp's chair count (4 unless MINIMAL_CHAIRS says otherwise). Whenever the
// seats or the chair buttons change, the view prints one line to its standard error (where the
// game's log lines go too), for whoever watches the game from outside (the demo, the tests):
//
//   minimal: seats 0=10002@1 1=self@2 2=- 3=90001@3+ buttons 2
//
// seat=user@chair for each local seat ("self" for the own place, "-" for an empty seat, "+" when
// the player declared ready), then the seats whose chair button shows. Every chat line the view is
// given is printed too, in UTF-8 with its colour index, and every line a speech bubble shows, with
// the seat:
//
//   minimal: chat 8 [演示玩家]说:你好
//   minimal: bubble 你好 at seat 3
#pragma once

#include "tessaro/view/GameViewBase.h"

#include <cstdint>
#include <string>

namespace minimal
{

class MinimalView : public Ostra::GameViewBase
{
public:
    explicit MinimalView(Ostra::GameAppBase* app);
    ~MinimalView() override;

    // The seats line without its "minimal: " prefix.
    std::string SeatsReport() const;
    bool IsSeated() const { return m_bSeated; }

    // Every line reaches the chat and is printed (see above).
    void AddChat(std::wstring text, int kind) override;
    using GameViewBase::AddChat;
    void ShowChatInfo(int userId, std::wstring text) override;
    using GameViewBase::ShowChatInfo;

    // ---- The library's seats: the game's chair count, the report -------------------------------
    void SetTableUserInfo(char cFlag) override;
    void UpdateBtnChair() override;

    // ---- The operations every game supplies ----------------------------------------------------
    void GameReserved1() override {}
    void GameReserved2() override {}
    void OnSelfReady() override {}
    void OnAnimateEnd(int) override {}
    void GameReserved3() override {}
    // The game has no state of its own to restore: it notes that the player sits again.
    void HandleAgainLoginRes(std::uintptr_t msg, long len) override;
    void HandleSitDownRes(std::uintptr_t msg, long len) override;

private:
    int TableChairs() const;
    // Portraits, names, chair buttons and bubbles at their seats for the table's chair count.
    void PlaceSeats();
    // Prints the seats line when it differs from the last one printed.
    void ReportSeats();

    int m_iPlacedChairs = 0;
    bool m_bSeated = false;
    std::string m_strReported;
};

} // namespace minimal
