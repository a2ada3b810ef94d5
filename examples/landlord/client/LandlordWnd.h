// The game window of the demo game. The table protocol is the library's; the game's own messages
// (docs/LANDLORD.md) go to the view. Like the minimal game it tells the server who it is as soon
// as its session is open (an authentication request, type 32), and the escape key asks to leave
// as the title bar's exit button does.
#pragma once

#include "tessaro/session/GameWndBase.h"

namespace landlord
{

class LandlordView;

class LandlordWnd : public Ostra::GameWndBase
{
public:
    LandlordWnd(Ostra::GameAppBase* app, LandlordView* view);

    void HandleGameMessage(std::uintptr_t msg, long len) override;
    void OnTimer(int id) override;
    void KeyDown(Sexy::KeyCode key) override;

private:
    void SendAuthenReq();

    LandlordView* m_pView;
};

} // namespace landlord
