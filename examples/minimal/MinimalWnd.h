// The game window of the minimal game. The table protocol is the library's; the game's own
// messages (every type the protocol does not know) end here, are logged and shown by the view.
//
// The library sends no login of its own. The minimal game tells the server who it is as soon as its
// session is open: an authentication request (type 32: the own user id, big-endian, at 8 and the
// lobby's login token, 32 bytes, at 12), which the local game server answers with type 33.
#pragma once

#include "tessaro/session/GameWndBase.h"

#include <cstdint>

namespace minimal
{

class MinimalView;

inline constexpr int kAuthenReqType = 32;
inline constexpr int kAuthenReqLen = 44;

class MinimalWnd : public Ostra::GameWndBase
{
public:
    MinimalWnd(Ostra::GameAppBase* app, MinimalView* view);

    void HandleGameMessage(std::uintptr_t msg, long len) override;
    // After the start-up timer has opened the session, the authentication request.
    void OnTimer(int id) override;
    // A round of the table ended: the view counts it.
    void HandleGameResultServer(std::uintptr_t msg, long len) override;
    // The escape key asks to leave, as the exit button will.
    void KeyDown(Sexy::KeyCode key) override;
    // Once the player sits: the line of MINIMAL_SAY, then the escape key of MINIMAL_ESCAPE.
    void Update() override;

    // A public chat line to the table (type 20), the text GBK.
    void SendChat(const std::string& text);

private:
    void SendAuthenReq();
    // What the player does by himself once seated, from the environment (see Main.cpp).
    std::string m_strSay;
    bool m_bEscapeWhenSeated = false;
    bool m_bSeatedActionsDone = false;

    MinimalView* m_pView;
};

} // namespace minimal
