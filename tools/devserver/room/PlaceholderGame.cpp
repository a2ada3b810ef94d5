#include "tools/devserver/room/PlaceholderGame.h"

namespace devserver
{

void PlaceholderGame::Start(GameHost& host, const std::vector<GameSeat>& seats)
{
    GameResult result;
    for (const GameSeat& seat : seats)
        result.seats.push_back({seat.chair, 0, Outcome::None, 0, 0, 0});
    host.End(std::move(result));
}

} // namespace devserver
