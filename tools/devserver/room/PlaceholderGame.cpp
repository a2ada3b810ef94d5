#include "tools/devserver/room/PlaceholderGame.h"

namespace devserver
{

void PlaceholderGame::Start(GameHost& host, const std::vector<GameSeat>& seats)
{
    m_host = &host;
    m_seats = seats;
    if (m_iLengthMs <= 0)
        return End();
    m_timer = host.SetTimer(m_iLengthMs);
}

void PlaceholderGame::OnTimer(GameHost::TimerId id)
{
    if (id == m_timer)
        End();
}

void PlaceholderGame::End()
{
    GameResult result;
    for (const GameSeat& seat : m_seats)
        result.seats.push_back({seat.chair, 0, Outcome::None, 0, 0, 0});
    m_host->End(std::move(result));
}

} // namespace devserver
