// Away players: one whose connection drops during a game that takes players back keeps his chair
// while the game plays for him, and comes back to it when he authenticates again. (Room.cpp has
// the arrivals and departures, RoomRounds.cpp the games.)
#include "tools/devserver/room/Room.h"

#include "tools/devserver/protocol/Messages.h"

#include <algorithm>

namespace devserver
{

bool Room::GoAway(Player& player)
{
    Table* table = TableAt(player.record.table);
    const std::int32_t self = player.record.userId;
    const int chair = table ? table->ChairOf(self) : -1;
    if (!table || player.bot || !InGame(*table, chair, self) || table->pendingEnd || !table->game->TakesPlayersBack())
        return false;
    JsonLine line = PlayerEvent("away", player);
    line.Int("table", table->Number()).Int("chair", chair);
    m_log.Write(std::move(line));
    player.away = true;
    player.conn = 0;
    SendToTable(*table, EncodeWaitLoginAgain(static_cast<std::uint8_t>(chair)));
    CallGame(*table, [&] { table->game->OnPlayerLeave(chair); });
    return true;
}

void Room::ComeBack(int conn, Player& player)
{
    const std::int32_t self = player.record.userId;
    Table* table = TableAt(player.record.table);
    const int chair = table ? table->ChairOf(self) : -1;
    if (!table || !InGame(*table, chair, self))
    {
        // Away players only exist while their game runs; should one outlive it, he arrives anew.
        Depart(self);
        m_output.SendTo(conn, EncodeAuthResponse(AuthResult::Accepted, self));
        return Arrive(conn, m_directory->RecordFor(self), false);
    }
    player.away = false;
    player.conn = conn;
    m_connUser[conn] = self;
    SendTo(player, EncodeAuthResponse(AuthResult::Accepted, self));
    SendPlayerList(player);

    AgainLogin again;
    again.table = player.record.table;
    again.chair = player.record.chair;
    again.nick = player.record.nick;
    again.roomType = m_config.roomType;
    again.baseTimes = m_config.baseTimes;
    again.maxTimes = m_config.maxTimes;
    again.snapshot.push_back(player.record);
    std::vector<std::int32_t> others = table->Seated();
    others.insert(others.end(), table->Lookers().begin(), table->Lookers().end());
    for (const std::int32_t user : others)
    {
        if (user != self && again.snapshot.size() < kAgainLoginEntries)
            again.snapshot.push_back(Find(user)->record);
    }
    for (int c = 0; c < std::min(table->Chairs(), kAgainLoginChairs); ++c)
    {
        const Player* seated = Find(table->At(c));
        again.away[static_cast<size_t>(c)] = seated && seated->away;
        again.systemPlays[static_cast<size_t>(c)] = table->systemPlays.count(c) != 0;
    }
    again.game = table->game->RestoreFor(chair);
    SendTo(player, EncodeAgainLogin(again));

    JsonLine line = PlayerEvent("back", player);
    line.Int("table", table->Number()).Int("chair", chair);
    CallGame(*table, [&] { table->game->OnPlayerBack(chair); });
    SendToTable(*table, Snapshot(*table));
    m_log.Write(std::move(line));
}

void Room::DepartAway(const std::vector<GameSeat>& seats)
{
    for (const GameSeat& seat : seats)
    {
        const Player* player = Find(seat.userId);
        if (player && player->away)
            Depart(seat.userId);
    }
}

void Room::DepartChairless()
{
    // Sent away or the table dissolved: an away player without his chair has nothing to come
    // back to.
    std::vector<std::int32_t> chairless;
    for (const auto& [userId, player] : m_players)
    {
        if (player.away && player.record.table == 0)
            chairless.push_back(userId);
    }
    for (const std::int32_t userId : chairless)
        Depart(userId, false);
}

} // namespace devserver
