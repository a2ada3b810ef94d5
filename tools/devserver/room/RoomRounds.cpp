// The room's rounds: the ready call, the players' answers, the table's game from its start to its
// result, and the pause before the next call. (Room.cpp has the players and their places.)
#include "tools/devserver/room/Room.h"

#include "tools/devserver/Wire.h"
#include "tools/devserver/protocol/Messages.h"
#include "tools/devserver/room/PlaceholderGame.h"

#include <algorithm>
#include <limits>

namespace devserver
{

namespace
{

void Count(PlayerRecord& record, Outcome outcome)
{
    std::int32_t* counter = outcome == Outcome::Win    ? &record.wins
                            : outcome == Outcome::Lose ? &record.losses
                            : outcome == Outcome::Draw ? &record.draws
                                                       : nullptr;
    if (counter && *counter < std::numeric_limits<std::int32_t>::max())
        ++*counter;
}

} // namespace

// What the room offers the game of one table.
class Room::Host final : public GameHost
{
public:
    Host(Room& room, Table& table) : m_room(room), m_table(table) {}

    int TableNumber() const override { return m_table.Number(); }
    int Chairs() const override { return m_table.Chairs(); }

    const PlayerRecord* PlayerAt(int chair) const override
    {
        const Player* player = m_room.Find(m_table.At(chair));
        return player ? &player->record : nullptr;
    }

    void SendToChair(int chair, std::string msg) override
    {
        if (const Player* player = m_room.Find(m_table.At(chair)))
            m_room.SendTo(*player, msg);
    }

    void SendToTable(std::string msg) override
    {
        // The room keeps who the system plays for, for a returning player's login-again response.
        if (msg.size() >= 10 && MsgType(msg) == kAutoPlayType)
        {
            if (msg[9] == 1)
                m_table.systemPlays.insert(static_cast<unsigned char>(msg[8]));
            else
                m_table.systemPlays.erase(static_cast<unsigned char>(msg[8]));
        }
        m_room.SendToTable(m_table, msg);
    }

    TimerId SetTimer(int ms) override
    {
        // The task learns its own id once After has returned it.
        auto id = std::make_shared<TimerId>(0);
        Room& room = m_room;
        const int tableNo = m_table.Number();
        *id = room.m_loop.After(std::chrono::milliseconds(std::max(ms, 0)),
                                [&room, tableNo, id] { room.OnGameTimer(tableNo, *id); });
        m_table.gameTimers.insert(*id);
        return *id;
    }

    void CancelTimer(TimerId id) override
    {
        if (m_table.gameTimers.erase(id))
            m_room.m_loop.Cancel(id);
    }

    void End(GameResult result) override
    {
        if (m_table.phase == Table::Phase::Playing && !m_table.pendingEnd)
            m_table.pendingEnd = std::move(result);
    }

private:
    Room& m_room;
    Table& m_table;
};

void Room::CallReady(Table& table)
{
    table.phase = Table::Phase::Calling;
    for (const std::int32_t user : table.Seated())
        Find(user)->record.ready = 0;
    SendToTable(table, EncodeReadyNotice(kReadyCallAll));
    JsonLine line("ready-call");
    line.Int("table", table.Number()).Int("seated", table.SeatedCount());
    m_log.Write(std::move(line));
    for (const std::int32_t user : table.Seated())
    {
        const Player& player = *Find(user);
        if (player.bot)
            ScheduleBotAnswer(player);
    }
}

void Room::CallReadyFor(Table& table, Player& player)
{
    // A player who sits down while the others answer gets the call for himself.
    SendTo(player, EncodeReadyNotice(kReadyCallAll));
    JsonLine line("ready-call");
    line.Int("table", table.Number()).Int("seated", table.SeatedCount()).Int("chair", player.record.chair);
    m_log.Write(std::move(line));
    if (player.bot)
        ScheduleBotAnswer(player);
}

void Room::ScheduleBotAnswer(const Player& bot)
{
    const std::int32_t userId = bot.record.userId;
    const int tableNo = bot.record.table;
    m_loop.After(m_bots.AnswerDelay(),
                 [this, userId, tableNo]
                 {
                     Player* player = Find(userId);
                     const Table* table = TableAt(tableNo);
                     if (player && table && player->record.table == tableNo && player->record.chair != kNoChair &&
                         player->record.ready == 0 && table->phase == Table::Phase::Calling)
                         Ready(*player);
                 });
}

void Room::Ready(Player& player)
{
    Table* table = TableAt(player.record.table);
    const int chair = table ? table->ChairOf(player.record.userId) : -1;
    if (chair < 0)
        return Refused(player.conn, player.record.userId, "ready", "not seated at a table");
    if (table->phase != Table::Phase::Calling)
        return Refused(player.conn, player.record.userId, "ready",
                       "no ready call at table " + std::to_string(table->Number()));
    if (player.record.ready == 1)
        return Refused(player.conn, player.record.userId, "ready", "already ready");
    player.record.ready = 1;
    SendToTable(*table, EncodeReadyNotice(static_cast<std::uint8_t>(chair)));
    JsonLine line = PlayerEvent("ready", player);
    line.Int("table", table->Number()).Int("chair", chair);
    m_log.Write(std::move(line));
    UpdateTable(*table);
}

void Room::StartGame(Table& table)
{
    table.phase = Table::Phase::Playing;
    table.gameSeats.clear();
    std::vector<std::int64_t> players;
    std::vector<std::int64_t> chairs;
    for (int chair = 0; chair < table.Chairs(); ++chair)
    {
        if (const Player* player = Find(table.At(chair)))
        {
            table.gameSeats.push_back({chair, player->record.userId, player->bot});
            players.push_back(player->record.userId);
            chairs.push_back(chair);
        }
    }
    table.gameStart = Clock::now();
    table.pendingEnd.reset();
    table.systemPlays.clear();
    table.game = m_config.game ? m_config.game() : nullptr;
    if (!table.game)
        table.game = std::make_unique<PlaceholderGame>();
    table.host = std::make_unique<Host>(*this, table);
    JsonLine line("game-start");
    line.Int("table", table.Number()).Ints("players", players).Ints("chairs", chairs);
    m_log.Write(std::move(line));
    CallGame(table, [&] { table.game->Start(*table.host, table.gameSeats); });
}

void Room::CallGame(Table& table, const std::function<void()>& call)
{
    call();
    if (table.pendingEnd)
        FinishGame(table);
}

void Room::OnGameTimer(int tableNo, EventLoop::TimerId id)
{
    Table* table = TableAt(tableNo);
    if (!table || !table->gameTimers.erase(id) || !table->game)
        return;
    CallGame(*table, [&] { table->game->OnTimer(id); });
}

void Room::FinishGame(Table& table)
{
    const GameResult result = std::move(*table.pendingEnd);
    table.pendingEnd.reset();
    for (const EventLoop::TimerId id : table.gameTimers)
        m_loop.Cancel(id);
    table.gameTimers.clear();

    GameResultMessage msg;
    msg.gameBytes = result.gameBytes;
    msg.minutes = static_cast<std::int32_t>(
        std::chrono::duration_cast<std::chrono::minutes>(Clock::now() - table.gameStart).count());
    msg.timeReward = result.timeReward;
    msg.underAMinute = msg.minutes == 0;
    std::vector<std::int64_t> players;
    std::vector<std::int64_t> chairs;
    std::vector<std::int64_t> money;
    for (const GameSeat& seat : table.gameSeats)
    {
        players.push_back(seat.userId);
        chairs.push_back(seat.chair);
        money.push_back(0);
    }
    for (const SeatResult& seat : result.seats)
    {
        if (seat.chair >= 0 && seat.chair < kResultChairs)
        {
            msg.x[static_cast<size_t>(seat.chair)] = seat.x;
            msg.y[static_cast<size_t>(seat.chair)] = seat.y;
            msg.z[static_cast<size_t>(seat.chair)] = seat.z;
        }
        const auto played = std::find(chairs.begin(), chairs.end(), seat.chair);
        if (played == chairs.end())
            continue; // not a chair of this game
        const size_t i = static_cast<size_t>(played - chairs.begin());
        money[i] += seat.money;
        // A player who has left the room meanwhile keeps nothing of it.
        if (Player* player = Find(table.gameSeats[i].userId))
        {
            player->record.money = AddMoney(player->record.money, seat.money);
            Count(player->record, seat.outcome);
        }
    }
    SendToTable(table, EncodeGameResult(msg));
    JsonLine line("game-end");
    line.Int("table", table.Number()).Ints("players", players).Ints("chairs", chairs).Ints("money", money);
    m_log.Write(std::move(line));

    for (const std::int32_t user : table.Seated())
        Find(user)->record.ready = 0;
    SendToTable(table, Snapshot(table));
    table.game.reset();
    table.host.reset();
    const std::vector<GameSeat> seats = std::move(table.gameSeats);
    table.gameSeats.clear();
    table.systemPlays.clear();
    EndRound(table);
    // With the result out, whoever is still away has no game to come back to.
    DepartAway(seats);
}

void Room::EndRound(Table& table)
{
    table.phase = Table::Phase::Pause;
    const int tableNo = table.Number();
    table.pauseTimer = m_loop.After(std::chrono::milliseconds(m_config.roundPauseMs),
                                    [this, tableNo]
                                    {
                                        Table& after = *TableAt(tableNo);
                                        after.pauseTimer = 0;
                                        after.phase = Table::Phase::Idle;
                                        UpdateTable(after);
                                    });
}

} // namespace devserver
