// The table view of the minimal game: a plain table and a few lines of status, so that a screen
// (or a screenshot) shows what the session did: whether the game server is connected, where the
// player sits and which of the game's own messages came last.
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

    // What the status lines say; the screen shows these texts.
    std::wstring ConnectionText() const;
    std::wstring SeatText() const;
    std::wstring GameMessageText() const;

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
    enum class Link
    {
        NotYet,
        Connected,
        Lost,
        Replay,
    };
    Link CurrentLink() const;

    std::unique_ptr<Sexy::SysFont> m_pTitleFont;
    std::unique_ptr<Sexy::SysFont> m_pTextFont;
    // What was drawn last, so that a change of the connection redraws the screen.
    Link m_DrawnLink = Link::NotYet;
    bool m_bSeated = false;
    int m_iGameMsgCount = 0;
    int m_iLastType = -1;
    long m_lLastLen = 0;
};

} // namespace minimal
