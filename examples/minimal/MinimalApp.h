// The application of the minimal game. Besides what every game gets from GameAppBase it creates the
// game's table view and window once the framework and the skin stand (so the view's buttons get
// the skin's pictures), opens the window's session, and can end itself after a set time, which is
// how the demo and the tests run it without a player.
#pragma once

#include "examples/common/Headless.h"
#include "tessaro/app/GameAppBase.h"

#include <memory>

namespace Sexy
{
class Widget;
}

namespace minimal
{

class MinimalView;
class MinimalWnd;

class MinimalApp : public Ostra::GameAppBase
{
public:
    MinimalApp();
    // The window goes first (it stops the session's threads), then the view; the skin pictures
    // they draw are released after them, by GameAppBase.
    ~MinimalApp() override;

    // The framework first (window, screen, widget manager, skin), then the view and the game
    // window, whose Init starts the session with the lobby and the game server.
    void Init() override;
    // The launch's line, then the game's own chair count: 4, or MINIMAL_CHAIRS (1 to 10).
    void ParseCmdLine(const std::string& cmdLine) override;
    static int ChairCount();
    // Counts the updates and ends the game when the run limit is reached.
    void UpdateFrames() override;
    void GameAppReserved() override {}

    // Ends the game by itself after this many updates (100 a second); 0 runs until it is closed.
    void SetRunLimit(int updates) { m_iRunLimit = updates; }

private:
    std::unique_ptr<MinimalView> m_pView;
    std::unique_ptr<MinimalWnd> m_pWnd;
    int m_iRunLimit = 0;
    int m_iUpdates = 0;
    examples::MessageBoxAnswerer m_Answerer;
};

} // namespace minimal
