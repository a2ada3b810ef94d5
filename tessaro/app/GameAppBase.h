// The application object from which every game derives its own: start-up, launch data, settings,
// and the main window's messages. The game program creates its application, then its table view
// and game window, and sets m_pGameView and m_pGameWnd; it owns all three.
//
// The main window receives the dispatcher's message 1025 for every message from the game server
// (handed to OnGameNetMessage) and the lobby's WM_COPYDATA (handed to OnCopyData).
#pragma once

#include "pop/SexyAppBase.h"

#include <cstdint>

namespace Ostra
{

class GameViewBase;
class GameWndBase;

class GameAppBase : public Sexy::SexyAppBase
{
public:
    static constexpr int STANDARD_WIDTH = 1024;
    static constexpr int STANDARD_HEIGHT = 738;

    GameAppBase();
    ~GameAppBase() override;

    // ---- Virtual operations, in the order games rely on ---------------------------------------
    // One received message on the main thread: handed to the game window's FilterNetMessage, or
    // logged as lost when there is no game window yet.
    virtual void OnGameNetMessage(std::uintptr_t wParam, long lParam);
    virtual void OnBossKey(std::uintptr_t wParam, long lParam);
    // WM_COPYDATA from the lobby; lParam points to the COPYDATASTRUCT.
    virtual void OnCopyData(std::uintptr_t wParam, long lParam);
    // An operation each game supplies; the library never calls it.
    virtual void GameAppReserved() = 0;

    // Routes 1025 and WM_COPYDATA to the operations above; the rest goes to the framework.
    bool HandleWindowMessage(unsigned msg, platform::WPARAM wParam, platform::LPARAM lParam,
                             platform::LRESULT* result) override;

    GameViewBase* m_pGameView = nullptr;
    GameWndBase* m_pGameWnd = nullptr;
};

} // namespace Ostra
