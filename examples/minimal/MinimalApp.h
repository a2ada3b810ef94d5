// The application of the minimal game. Besides what every game gets from GameAppBase it opens the
// game window's session once the framework stands, and it can end itself after a set time, which
// is how the demo and the tests run it without a player.
#pragma once

#include "tessaro/app/GameAppBase.h"

namespace minimal
{

class MinimalApp : public Ostra::GameAppBase
{
public:
    MinimalApp();

    // The framework first (window, screen, widget manager), then the game window, whose Init
    // starts the session with the lobby and the game server.
    void Init() override;
    // Counts the updates and ends the game when the run limit is reached.
    void UpdateFrames() override;
    void GameAppReserved() override {}

    // Ends the game by itself after this many updates (100 a second); 0 runs until it is closed.
    void SetRunLimit(int updates) { m_iRunLimit = updates; }

private:
    int m_iRunLimit = 0;
    int m_iUpdates = 0;
};

} // namespace minimal
