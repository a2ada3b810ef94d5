// The game a table runs until a real one is plugged in: nobody wins, no money changes. By default
// it ends as soon as it starts, so that the ready cycle can be seen going round; with a length
// (--game-length) it runs that long first, so that notices and escapes can meet a running game.
#pragma once

#include "tools/devserver/room/TableGame.h"

namespace devserver
{

class PlaceholderGame : public TableGame
{
public:
    explicit PlaceholderGame(int lengthMs = 0) : m_iLengthMs(lengthMs) {}

    void Start(GameHost& host, const std::vector<GameSeat>& seats) override;
    void OnMessage(int, std::string_view) override {}
    void OnTimer(GameHost::TimerId id) override;
    void OnPlayerLeave(int) override {}

private:
    void End();

    const int m_iLengthMs;
    GameHost* m_host = nullptr;
    std::vector<GameSeat> m_seats;
    GameHost::TimerId m_timer = 0;
};

} // namespace devserver
