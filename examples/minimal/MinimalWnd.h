// The game window of the minimal game. The table protocol is the library's; the game's own
// messages (every type the protocol does not know) end here, are logged and shown by the view.
//
// The library sends no login of its own. The minimal game tells the server who it is as soon as its
// session is open: an authentication request (type 32: the own user id, big-endian, at 8 and the
// lobby's login token, 32 bytes, at 12), which the local game server answers with type 33.
#pragma once

#include "tessaro/session/GameWndBase.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Sexy
{
class ButtonWidget;
class Widget;
class WidgetManager;
} // namespace Sexy

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
    // The escape key asks to leave, as the exit button will.
    void KeyDown(Sexy::KeyCode key) override;
    // Once the player sits: the line of MINIMAL_SAY, then the escape key of MINIMAL_ESCAPE. In a
    // replay, the replay buttons that MINIMAL_REPLAY_CLICKS names, each at its update.
    void Update() override;
    // A replay starts: the updates of MINIMAL_REPLAY_CLICKS count from here.
    void StartReplayGameBase(char* szArg) override;

    // A click of the left button in the middle of a widget, through the widget manager, as the
    // mouse gives it.
    static void ClickOn(Sexy::WidgetManager& manager, const Sexy::Widget& widget);

    // A public chat line to the table (type 20), the text GBK.
    void SendChat(const std::string& text);

private:
    void SendAuthenReq();
    // What the player does by himself once seated, from the environment (see Main.cpp).
    std::string m_strSay;
    bool m_bEscapeWhenSeated = false;
    bool m_bSeatedActionsDone = false;
    // The replay buttons to click ("pause@100,play@300": the button, the updates since the replay
    // started), in order, and the updates counted so far (-1 before the replay starts).
    struct ReplayClick
    {
        Sexy::ButtonWidget* pButton;
        int iAtUpdate;
    };
    std::vector<ReplayClick> m_vecReplayClicks;
    std::size_t m_nNextReplayClick = 0;
    int m_iReplayUpdates = -1;
    void ReadReplayClicks(const char* script);

    MinimalView* m_pView;
};

} // namespace minimal
