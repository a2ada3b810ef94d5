// The game a table runs until a real one is plugged in: it ends as soon as it starts, with no
// money changed and nobody winning, so that the ready cycle can be seen going round.
#pragma once

#include "tools/devserver/room/TableGame.h"

namespace devserver
{

class PlaceholderGame : public TableGame
{
public:
    void Start(GameHost& host, const std::vector<GameSeat>& seats) override;
    void OnMessage(int, std::string_view) override {}
    void OnTimer(GameHost::TimerId) override {}
    void OnPlayerLeave(int) override {}
};

} // namespace devserver
