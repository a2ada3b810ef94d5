#include "tools/devserver/room/Room.h"

#include "platform/Text.h"
#include "tools/devserver/Wire.h"
#include "tools/devserver/protocol/Messages.h"
#include "tools/devserver/room/PlaceholderGame.h"

#include <algorithm>

namespace devserver
{

namespace
{

std::shared_ptr<const PlayerDirectory> DirectoryOf(const RoomConfig& config)
{
    return config.players ? config.players : std::make_shared<const PlayerDirectory>();
}

} // namespace

Room::Room(RoomConfig config, RoomOutput& output, JsonLog& log)
    : m_config(std::move(config)), m_directory(DirectoryOf(m_config)), m_output(output), m_log(log),
      m_bots(*m_directory, m_config.botsPerTable, m_config.botDelayMs), m_random(m_directory->Seed())
{
    for (int t = 1; t <= m_config.tables; ++t)
        m_tables.push_back(std::make_unique<Table>(t, m_config.chairs));
}

Room::~Room()
{
    Stop();
}

bool Room::Start()
{
    return m_loop.Start();
}

void Room::Stop()
{
    m_loop.Stop();
}

void Room::Connected(int conn)
{
    m_loop.Post([this, conn] { OnConnected(conn); });
}

void Room::Received(int conn, std::string msg)
{
    m_loop.Post([this, conn, msg = std::move(msg)] { OnReceived(conn, msg); });
}

void Room::Closed(int conn)
{
    m_loop.Post([this, conn] { OnClosed(conn); });
}

void Room::Command(int conn, RoomCommand command)
{
    m_loop.Post([this, conn, command] { OnCommand(conn, command); });
}

void Room::Operate(OperatorCommand command, std::function<void(const std::string& error)> done)
{
    m_loop.Post([this, command = std::move(command), done = std::move(done)] { OnOperate(0, command, done); });
}

// Identity and arrival -----------------------------------------------------------------------

void Room::OnConnected(int conn)
{
    if (m_config.authWaitMs <= 0)
        return SettleByDefault(conn, true);
    m_pending[conn] = m_loop.After(std::chrono::milliseconds(m_config.authWaitMs),
                                   [this, conn]
                                   {
                                       if (m_pending.erase(conn))
                                           SettleByDefault(conn, true);
                                   });
}

void Room::OnReceived(int conn, const std::string& msg)
{
    if (!HasMsgHeader(msg))
        return;
    const int type = MsgType(msg);
    const auto pending = m_pending.find(conn);
    if (pending != m_pending.end())
    {
        m_loop.Cancel(pending->second);
        m_pending.erase(pending);
        if (type == kAuthRequestType)
            return Authenticate(conn, msg);
        // Anything else first: the connection is who a connection without authentication is.
        SettleByDefault(conn, false);
    }
    else if (m_quiet.erase(conn) && type == kAuthRequestType)
    {
        // The authentication came after the wait, but still as the connection's first message:
        // the player it was given makes way for the one it names.
        return Reauthenticate(conn, msg);
    }
    Player* player = PlayerOf(conn);
    if (!player)
        return; // refused, or already gone
    switch (type)
    {
    case kAuthRequestType:
    {
        // The identity is settled: a repeat of it is confirmed, another one refused.
        AuthRequest request;
        const bool whole = DecodeAuthRequest(msg, request);
        const bool same = whole && request.userId == player->record.userId;
        const AuthResult result = same    ? AuthResult::Accepted
                                  : whole ? AuthResult::AlreadySettled
                                          : AuthResult::Invalid;
        SendTo(*player, EncodeAuthResponse(result, request.userId));
        if (!same)
            Refused(conn, player->record.userId, "auth",
                    whole ? "the connection is already user " + std::to_string(player->record.userId)
                          : "an authentication request of " + std::to_string(msg.size()) + " bytes, too short");
        return;
    }
    case kSitDownRequestType:
    {
        SitDownRequest request;
        if (!DecodeSitDownRequest(msg, request))
            return Refused(conn, player->record.userId, "sit",
                           "a chair request of " + std::to_string(msg.size()) + " bytes, too short");
        return RequestSit(*player, request.table, request.chair, "sit");
    }
    case kReadyAnswerType:
        return Ready(*player);
    case kChatRequestType:
        return OnChatLine(*player, msg);
    case kRequestType:
        return OnRequest(*player, msg);
    case kEscapeRequestType:
        return OnEscape(*player, msg);
    case kGameStateType:
        // Noted, and a game that wants to know still gets it.
        OnGameState(*player, msg);
        break;
    default:
        break;
    }
    // The table's game takes the messages of its players that the room leaves alone, but for the
    // connection's own housekeeping.
    if (type == kProbeType || type == kKeepAliveType)
        return;
    Table* table = TableAt(player->record.table);
    const int chair = table ? table->ChairOf(player->record.userId) : -1;
    if (table && InGame(*table, chair, player->record.userId))
        CallGame(*table, [&] { table->game->OnMessage(chair, msg); });
}

void Room::OnCommand(int conn, const RoomCommand& command)
{
    switch (command.kind)
    {
    case RoomCommand::Kind::Auth:
        return OnReceived(conn, EncodeAuthRequest(command.userId));
    case RoomCommand::Kind::Sit:
        return OnReceived(conn, EncodeSitDownRequest(command.table, command.chair));
    case RoomCommand::Kind::Ready:
        return OnReceived(conn, EncodeReadyAnswer());
    case RoomCommand::Kind::Operator:
        return OnOperate(conn, command.op, nullptr);
    case RoomCommand::Kind::Stand:
        break;
    }
    // A first request settles the identity like any other message.
    if (m_pending.count(conn))
    {
        m_loop.Cancel(m_pending[conn]);
        m_pending.erase(conn);
        SettleByDefault(conn, false);
    }
    if (Player* player = PlayerOf(conn))
        Stand(*player);
}

void Room::Authenticate(int conn, const std::string& msg)
{
    AuthRequest request;
    AuthResult result = AuthResult::Accepted;
    std::string reason;
    if (!DecodeAuthRequest(msg, request))
    {
        result = AuthResult::Invalid;
        reason = "an authentication request of " + std::to_string(msg.size()) + " bytes, too short";
    }
    else if (request.userId < 1 || request.userId > kMaxPlayerId)
    {
        result = AuthResult::Invalid;
        reason = "user id " + std::to_string(request.userId) + " is not from 1 to " + std::to_string(kMaxPlayerId);
    }
    else if (Player* known = Find(request.userId))
    {
        if (known->away)
            return ComeBack(conn, *known);
        result = AuthResult::AlreadyOnline;
        reason = "user " + std::to_string(request.userId) + " is already online";
    }
    m_output.SendTo(conn, EncodeAuthResponse(result, request.userId));
    if (result == AuthResult::Accepted)
        return Arrive(conn, m_directory->RecordFor(request.userId), false);
    Refused(conn, 0, "auth", reason);
    m_output.CloseConnection(conn);
}

void Room::Reauthenticate(int conn, const std::string& msg)
{
    const auto user = m_connUser.find(conn);
    AuthRequest request;
    if (user != m_connUser.end() && DecodeAuthRequest(msg, request) && request.userId == user->second)
        return m_output.SendTo(conn, EncodeAuthResponse(AuthResult::Accepted, request.userId));
    if (user != m_connUser.end())
    {
        const std::int32_t given = user->second;
        m_connUser.erase(user);
        Depart(given);
    }
    Authenticate(conn, msg);
}

void Room::SettleByDefault(int conn, bool quiet)
{
    std::int32_t id = m_config.firstUserId;
    while (Find(id) && id < kMaxPlayerId)
        ++id;
    if (Find(id))
    {
        Refused(conn, 0, "auth", "no free user id left");
        m_output.CloseConnection(conn);
        return;
    }
    if (quiet)
        m_quiet.insert(conn);
    Arrive(conn, m_directory->RecordFor(id), false);
}

void Room::Arrive(int conn, const PlayerRecord& record, bool bot)
{
    Player& player = m_players[record.userId];
    player.record = record;
    player.record.table = 0;
    player.record.chair = kNoChair;
    player.record.watchChair = kNoChair;
    player.record.ready = 0;
    player.conn = bot ? 0 : conn;
    player.bot = bot;
    if (!bot)
        m_connUser[conn] = record.userId;

    if (!bot)
        SendPlayerList(player);
    SendToRoom(EncodePlayerJoin(player.record), record.userId);
    m_log.Write(PlayerEvent("arrive", player));
    if (!bot && m_config.autoSit)
        AutoSit(player);
}

void Room::SendPlayerList(const Player& player)
{
    std::vector<PlayerRecord> everyone;
    everyone.reserve(m_players.size());
    for (const auto& entry : m_players)
        everyone.push_back(entry.second.record);
    for (std::string& page : EncodePlayerList(everyone))
        SendTo(player, page);
}

void Room::OnClosed(int conn)
{
    const auto pending = m_pending.find(conn);
    if (pending != m_pending.end())
    {
        m_loop.Cancel(pending->second);
        m_pending.erase(pending);
    }
    m_quiet.erase(conn);
    const auto user = m_connUser.find(conn);
    if (user == m_connUser.end())
        return;
    const std::int32_t userId = user->second;
    m_connUser.erase(user);
    Player* player = Find(userId);
    if (player && GoAway(*player))
        return;
    Depart(userId);
}

void Room::Depart(std::int32_t userId, bool update)
{
    Player* player = Find(userId);
    if (!player)
        return;
    Table* table = TableAt(player->record.table);
    if (table)
        LeaveTable(*player);
    SendToRoom(EncodePlayerLeave(userId), userId);
    m_log.Write(PlayerEvent("depart", *player));
    if (player->bot)
        m_bots.Release(userId);
    m_players.erase(userId);
    if (table && update)
        UpdateTable(*table);
}

// Places -------------------------------------------------------------------------------------

void Room::AutoSit(Player& player)
{
    for (const std::unique_ptr<Table>& table : m_tables)
    {
        const int chair = table->FreeChair();
        if (chair >= 0)
            return RequestSit(player, table->Number(), chair, "auto-sit");
    }
    Refused(player.conn, player.record.userId, "auto-sit", "no free chair in the room");
}

void Room::RefuseSit(Player& player, SitResult result, int tableNo, const char* request, const std::string& reason)
{
    SitDownResponse response{static_cast<std::uint8_t>(result),
                             static_cast<std::uint8_t>(tableNo),
                             player.record.nick,
                             m_config.roomType,
                             m_config.baseTimes,
                             m_config.maxTimes};
    SendTo(player, EncodeSitDownResponse(response));
    Refused(player.conn, player.record.userId, request, reason);
}

void Room::RequestSit(Player& player, int tableNo, int chair, const char* request)
{
    Table* table = TableAt(tableNo);
    if (!table)
        return RefuseSit(player, SitResult::NoSuchTable, tableNo, request,
                         "no table " + std::to_string(tableNo) + " (tables 1 to " + std::to_string(m_config.tables) +
                             ")");
    if (chair >= table->Chairs())
        return RefuseSit(player, SitResult::NoSuchChair, tableNo, request,
                         "no chair " + std::to_string(chair) + " (chairs 0 to " + std::to_string(table->Chairs() - 1) +
                             ")");
    const std::int32_t self = player.record.userId;
    const std::int32_t occupant = table->At(chair);
    const bool watch = occupant != 0 && occupant != self;
    const size_t maxLookers = kMaxEntriesPerMessage - static_cast<size_t>(table->Chairs());
    if (watch && !table->IsLooker(self) && table->Lookers().size() >= maxLookers)
        return RefuseSit(player, SitResult::NoRoomToWatch, tableNo, request,
                         "table " + std::to_string(tableNo) + " has no room for another looker");

    Table* old = TableAt(player.record.table);
    const int oldChair = old == table ? table->ChairOf(self) : -1;
    if (old && old != table)
    {
        LeaveTable(player);
        UpdateTable(*old);
    }
    else if (old)
    {
        // A move at the same table: the one notice below says where he is now.
        table->Remove(self);
        if (oldChair != chair && InGame(*table, oldChair, self))
            CallGame(*table, [&] { table->game->OnPlayerLeave(oldChair); });
    }
    PlayerRecord& r = player.record;
    r.table = static_cast<std::uint8_t>(tableNo);
    if (watch || oldChair != chair)
        r.ready = 0;
    if (watch)
    {
        table->AddLooker(self);
        r.chair = kNoChair;
        r.watchChair = static_cast<std::uint8_t>(chair);
    }
    else
    {
        table->Seat(self, chair);
        r.chair = static_cast<std::uint8_t>(chair);
        r.watchChair = kNoChair;
    }
    SitDownResponse response{static_cast<std::uint8_t>(watch ? SitResult::Watching : SitResult::Seated),
                             static_cast<std::uint8_t>(tableNo),
                             r.nick,
                             m_config.roomType,
                             m_config.baseTimes,
                             m_config.maxTimes};
    SendTo(player, EncodeSitDownResponse(response));
    SendPhrases(player);
    SendToRoom(EncodeSitOrLeave(self, r.table, r.chair, SitMode::Sat));
    SendToTable(*table, Snapshot(*table));
    JsonLine line = PlayerEvent(watch ? "watch" : "sit", player);
    line.Int("table", tableNo).Int("chair", chair);
    m_log.Write(std::move(line));
    if (!watch && r.ready == 0 && table->phase == Table::Phase::Calling)
        CallReadyFor(*table, player);
    UpdateTable(*table);
}

void Room::Stand(Player& player)
{
    Table* table = TableAt(player.record.table);
    if (!table)
        return Refused(player.conn, player.record.userId, "stand", "not at a table");
    LeaveTable(player);
    UpdateTable(*table);
}

void Room::LeaveTable(Player& player)
{
    Table* table = TableAt(player.record.table);
    if (!table)
        return;
    const std::int32_t self = player.record.userId;
    const int chair = table->ChairOf(self);
    table->Remove(self);
    PlayerRecord& r = player.record;
    r.table = 0;
    r.chair = kNoChair;
    r.watchChair = kNoChair;
    r.ready = 0;
    SendToRoom(EncodeSitOrLeave(self, static_cast<std::uint8_t>(table->Number()), kNoChair, SitMode::Left));
    SendToTable(*table, Snapshot(*table));
    JsonLine line = PlayerEvent("stand", player);
    line.Int("table", table->Number()).Int("chair", chair);
    m_log.Write(std::move(line));
    if (InGame(*table, chair, self))
        CallGame(*table, [&] { table->game->OnPlayerLeave(chair); });
}

bool Room::InGame(const Table& table, int chair, std::int32_t userId) const
{
    if (chair < 0 || table.phase != Table::Phase::Playing || !table.game)
        return false;
    return std::any_of(table.gameSeats.begin(), table.gameSeats.end(),
                       [&](const GameSeat& seat) { return seat.chair == chair && seat.userId == userId; });
}

bool Room::SeatedReal(const Table& table) const
{
    for (const std::int32_t user : table.Seated())
    {
        const auto it = m_players.find(user);
        if (it != m_players.end() && !it->second.bot)
            return true;
    }
    return false;
}

void Room::UpdateTable(Table& table)
{
    DepartChairless();
    if (!SeatedReal(table))
    {
        // Bots keep real players company and leave with the last of them.
        std::vector<std::int32_t> bots;
        for (const std::int32_t user : table.Seated())
        {
            if (Bots::IsBotId(user))
                bots.push_back(user);
        }
        for (const std::int32_t bot : bots)
            Depart(bot, false);
    }
    else
    {
        FillBots(table);
    }
    const int seated = table.SeatedCount();
    switch (table.phase)
    {
    case Table::Phase::Idle:
        if (seated >= m_config.minPlayers)
            CallReady(table);
        break;
    case Table::Phase::Calling:
    {
        if (seated < m_config.minPlayers)
        {
            // The call is off; whoever was ready answers the next one, and the table sees that.
            table.phase = Table::Phase::Idle;
            bool anyReady = false;
            for (const std::int32_t user : table.Seated())
            {
                PlayerRecord& record = Find(user)->record;
                anyReady = anyReady || record.ready != 0;
                record.ready = 0;
            }
            if (anyReady)
                SendToTable(table, Snapshot(table));
            JsonLine line("ready-cancel");
            line.Int("table", table.Number()).Int("seated", seated);
            m_log.Write(std::move(line));
            break;
        }
        const std::vector<std::int32_t> users = table.Seated();
        if (std::all_of(users.begin(), users.end(), [&](std::int32_t user) { return Find(user)->record.ready == 1; }))
            StartGame(table);
        break;
    }
    case Table::Phase::Playing:
        if (seated == 0 && table.game && !table.pendingEnd)
        {
            // Nobody left to play: the room ends the game with nothing won or lost.
            table.pendingEnd = GameResult{};
            FinishGame(table);
        }
        break;
    case Table::Phase::Pause:
        break;
    }
}

void Room::FillBots(Table& table)
{
    int present = 0;
    for (const std::int32_t user : table.Seated())
        present += Bots::IsBotId(user) ? 1 : 0;
    for (; present < m_bots.PerTable(); ++present)
    {
        const int chair = table.FreeChair();
        if (chair < 0)
            return;
        SeatBot(table, chair);
    }
}

void Room::SeatBot(Table& table, int chair)
{
    const PlayerRecord record = m_bots.Take();
    Arrive(0, record, true);
    Player& bot = m_players[record.userId];
    table.Seat(record.userId, chair);
    bot.record.table = static_cast<std::uint8_t>(table.Number());
    bot.record.chair = static_cast<std::uint8_t>(chair);
    SendToRoom(EncodeSitOrLeave(record.userId, bot.record.table, bot.record.chair, SitMode::Sat));
    SendToTable(table, Snapshot(table));
    JsonLine line = PlayerEvent("sit", bot);
    line.Int("table", table.Number()).Int("chair", chair);
    m_log.Write(std::move(line));
    if (table.phase == Table::Phase::Calling)
        CallReadyFor(table, bot);
    if (m_config.botChat)
        ScheduleBotChat(bot);
}

// Sending ------------------------------------------------------------------------------------

void Room::SendTo(const Player& player, const std::string& msg)
{
    if (!player.bot && player.conn > 0)
        m_output.SendTo(player.conn, msg);
}

int Room::SendToTable(const Table& table, const std::string& msg)
{
    int sent = 0;
    for (const std::vector<std::int32_t>& users : {table.Seated(), table.Lookers()})
    {
        for (const std::int32_t user : users)
        {
            if (const Player* player = Find(user); player && !player->bot && player->conn > 0)
            {
                SendTo(*player, msg);
                ++sent;
            }
        }
    }
    return sent;
}

void Room::SendToRoom(const std::string& msg, std::int32_t except)
{
    for (const auto& entry : m_players)
    {
        if (entry.first != except)
            SendTo(entry.second, msg);
    }
}

std::string Room::Snapshot(const Table& table) const
{
    std::vector<PlayerRecord> entries;
    for (const std::int32_t user : table.Seated())
        entries.push_back(m_players.at(user).record);
    for (const std::int32_t user : table.Lookers())
        entries.push_back(m_players.at(user).record);
    return EncodeTableSnapshot(entries);
}

void Room::Refused(int conn, std::int32_t userId, const char* request, const std::string& reason)
{
    JsonLine line("request-refused");
    line.Int("conn", conn).Int("user", userId).Str("request", request).Str("reason", reason);
    m_log.Write(std::move(line));
}

JsonLine Room::PlayerEvent(const char* event, const Player& player) const
{
    JsonLine line(event);
    line.Int("conn", player.conn).Int("user", player.record.userId);
    if (std::string_view(event) == "arrive" || std::string_view(event) == "depart")
        line.Str("nick", platform::GbkToUtf8(player.record.nick)).Bool("bot", player.bot);
    return line;
}

Room::Player* Room::PlayerOf(int conn)
{
    const auto it = m_connUser.find(conn);
    return it == m_connUser.end() ? nullptr : Find(it->second);
}

Room::Player* Room::Find(std::int32_t userId)
{
    const auto it = m_players.find(userId);
    return it == m_players.end() ? nullptr : &it->second;
}

Table* Room::TableAt(int tableNo)
{
    if (tableNo < 1 || tableNo > static_cast<int>(m_tables.size()))
        return nullptr;
    return m_tables[static_cast<size_t>(tableNo - 1)].get();
}

} // namespace devserver
