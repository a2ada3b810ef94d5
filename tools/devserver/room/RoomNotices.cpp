// The room's talk: table and private chat, the players' requests (asking another to leave, the
// game masters' kick, chat ban and dissolving a table), escapes and game-state reports, the
// quick-chat phrases, the bots' chat and the operator's commands. (Room.cpp has the players and
// their places, RoomRounds.cpp the rounds.)
#include "platform/Text.h"
#include "tools/devserver/protocol/Messages.h"
#include "tools/devserver/room/Room.h"

#include <algorithm>

namespace devserver
{

namespace
{

// Chat kinds the client shows as the administrator's (3, 4, 5) or as its own system lines (10,
// 11): only a game master may send them; anyone else's line goes out as plain table chat.
constexpr std::uint8_t kTableChatKind = 1;

bool IsAdminKind(std::uint8_t kind)
{
    return kind == 3 || kind == 4 || kind == 5 || kind == 10 || kind == 11;
}

// What a bot says without a phrases file.
const char* const kBotLines[] = {"大家好！", "快点出牌吧。", "这把有意思。", "再来一局！"};

// The name on a server text the operator sends without one.
const char* const kOperatorName = "系统";
// The text of a game master's kick that gives none.
const char* const kGmKickText = "您已被管理员请出游戏。";

const char* RequestName(std::uint8_t kind)
{
    switch (static_cast<RequestKind>(kind))
    {
    case RequestKind::Kick:
        return "gm-kick";
    case RequestKind::Chat:
        return "gm-chat";
    case RequestKind::Dismiss:
        return "gm-dismiss";
    default:
        return "request";
    }
}

} // namespace

// Chat -----------------------------------------------------------------------------------------

void Room::OnChatLine(Player& player, const std::string& msg)
{
    const std::int32_t self = player.record.userId;
    ChatLine line;
    if (!DecodeChatLine(msg, line))
        return Refused(player.conn, self, "chat",
                       "a chat line of " + std::to_string(msg.size()) + " bytes, not " + std::to_string(kChatLen));
    Table* table = TableAt(player.record.table);
    if (!table)
        return Refused(player.conn, self, "chat", "not at a table");
    if (player.chatForbidden)
        return Refused(player.conn, self, "chat", "chat is forbidden for user " + std::to_string(self));
    // Who speaks is the server's to say, not the client's.
    line.senderId = self;
    line.senderNick = player.record.nick;
    if (IsAdminKind(line.kind) && !IsGm(player.record))
        line.kind = kTableChatKind;

    JsonLine event = PlayerEvent("chat", player);
    event.Int("table", table->Number()).Int("target", line.targetId).Int("kind", line.kind);
    event.Str("text", platform::GbkToUtf8(line.text));
    if (line.targetId == 0)
    {
        SendToTable(*table, EncodeChatLine(line));
        m_log.Write(std::move(event));
        return;
    }
    // A private line goes to its addressee and back to its sender, whose client forms "you said
    // to"; when the addressee has gone it comes back with sender id 0, the client's "not sent".
    Player* target = Find(line.targetId);
    if (target)
    {
        line.targetNick = target->record.nick;
        const std::string out = EncodeChatLine(line);
        SendTo(*target, out);
        if (target != &player)
            SendTo(player, out);
    }
    else
    {
        line.senderId = 0;
        SendTo(player, EncodeChatLine(line));
    }
    event.Bool("delivered", target != nullptr);
    m_log.Write(std::move(event));
}

int Room::Say(const Player& speaker, const Table& table, const std::string& text)
{
    ChatLine line;
    line.senderId = speaker.record.userId;
    line.senderNick = speaker.record.nick;
    line.text = text;
    line.kind = kTableChatKind;
    const int sent = SendToTable(table, EncodeChatLine(line));
    JsonLine event = PlayerEvent("chat", speaker);
    event.Int("table", table.Number()).Int("target", 0).Int("kind", line.kind);
    event.Str("text", platform::GbkToUtf8(text));
    m_log.Write(std::move(event));
    return sent;
}

void Room::SendPhrases(const Player& player)
{
    if (m_config.phrases)
        SendTo(player, EncodeQuickChat(*m_config.phrases));
}

void Room::ScheduleBotChat(Player& bot)
{
    std::uniform_int_distribution<int> delay(m_config.botChatMinMs,
                                             std::max(m_config.botChatMinMs, m_config.botChatMaxMs));
    const std::int32_t userId = bot.record.userId;
    // The task learns its own id once After has returned it; a bot that has left (or a new bot
    // under the same id) holds another one, which ends this chain.
    auto id = std::make_shared<EventLoop::TimerId>(0);
    *id = m_loop.After(std::chrono::milliseconds(delay(m_random)),
                       [this, userId, id]
                       {
                           Player* player = Find(userId);
                           if (!player || player->chatTimer != *id)
                               return;
                           if (const Table* table = TableAt(player->record.table))
                           {
                               const std::vector<QuickChatEntry>* phrases = m_config.phrases.get();
                               if (phrases && !phrases->empty())
                               {
                                   std::uniform_int_distribution<size_t> pick(0, phrases->size() - 1);
                                   Say(*player, *table, (*phrases)[pick(m_random)].text);
                               }
                               else
                               {
                                   std::uniform_int_distribution<size_t> pick(0, std::size(kBotLines) - 1);
                                   Say(*player, *table, kBotLines[pick(m_random)]);
                               }
                           }
                           ScheduleBotChat(*player);
                       });
    bot.chatTimer = *id;
}

// Requests ---------------------------------------------------------------------------------------

void Room::OnRequest(Player& player, const std::string& msg)
{
    Request request;
    if (!DecodeRequest(msg, request))
        return Refused(player.conn, player.record.userId, "request",
                       "a request of " + std::to_string(msg.size()) + " bytes, not " + std::to_string(kRequestLen));
    switch (static_cast<RequestKind>(request.kind))
    {
    case RequestKind::AskToLeave:
        return AskToLeave(player, request.targetId);
    case RequestKind::Kick:
    case RequestKind::Chat:
    case RequestKind::Dismiss:
        return GmRequest(player, request);
    }
    Refused(player.conn, player.record.userId, "request", "unknown sub-command " + std::to_string(request.kind));
}

void Room::AskToLeave(Player& player, std::int32_t targetId)
{
    const std::int32_t self = player.record.userId;
    Table* table = TableAt(player.record.table);
    Player* target = Find(targetId);
    const auto key = std::make_pair(self, targetId);
    const Clock::time_point now = Clock::now();
    LeaveResult result = LeaveResult::Done;
    if (!table || !target || target == &player || target->record.table != player.record.table)
        result = LeaveResult::NotAtTable;
    else if (table->IsLooker(self))
        result = LeaveResult::Looker;
    else if (InGame(*table, table->ChairOf(targetId), targetId))
        result = LeaveResult::Playing;
    else if (const auto asked = m_leaveAsked.find(key);
             asked != m_leaveAsked.end() && now - asked->second < std::chrono::milliseconds(m_config.leaveRepeatMs))
        result = LeaveResult::Repeated;
    SendTo(player, EncodeLeaveAnswer(result, target ? target->record.sex : 0));
    JsonLine line = PlayerEvent("leave-request", player);
    line.Int("table", player.record.table).Int("target", targetId).Int("result", static_cast<int>(result));
    m_log.Write(std::move(line));
    if (result != LeaveResult::Done)
        return;
    // Only the window matters: older entries go.
    for (auto it = m_leaveAsked.begin(); it != m_leaveAsked.end();)
        it = now - it->second >= std::chrono::milliseconds(m_config.leaveRepeatMs) ? m_leaveAsked.erase(it)
                                                                                   : std::next(it);
    m_leaveAsked[key] = now;
    SendAway(*target);
}

void Room::SendAway(Player& player)
{
    Table* table = TableAt(player.record.table);
    if (!table)
        return;
    const int chair = table->ChairOf(player.record.userId);
    PlayerLeft left;
    left.chair = chair < 0 ? kNoChair : static_cast<std::uint8_t>(chair);
    left.userId = player.record.userId;
    left.reason = LeftReason::Left;
    left.update = true;
    left.money = player.record.money;
    left.amount = player.record.amount;
    left.wealth = player.record.wealth;
    // His own id tells his client to end; the others' clients let his chair go.
    SendToTable(*table, EncodePlayerLeft(left));
    if (player.bot)
        return Depart(player.record.userId);
    LeaveTable(player);
    UpdateTable(*table);
}

void Room::GmRequest(Player& player, const Request& request)
{
    const std::int32_t self = player.record.userId;
    const char* name = RequestName(request.kind);
    if (!IsGm(player.record))
        return Refused(player.conn, self, name, "user " + std::to_string(self) + " has no game-master right");
    Player* target = Find(request.targetId);
    if (!target)
        return Refused(player.conn, self, name, "user " + std::to_string(request.targetId) + " is not on the server");
    Table* table = TableAt(target->record.table);
    if (request.kind == static_cast<std::uint8_t>(RequestKind::Dismiss) && !table)
        return Refused(player.conn, self, name, "user " + std::to_string(request.targetId) + " is at no table");
    JsonLine line = PlayerEvent("gm-request", player);
    line.Str("request", name).Int("target", request.targetId);
    m_log.Write(std::move(line));
    switch (static_cast<RequestKind>(request.kind))
    {
    case RequestKind::Kick:
        return SendAccountNotice(*target, 1, request.word.empty() ? kGmKickText : request.word);
    case RequestKind::Chat:
        // The second number says which way: not 0 forbids, with the word as the reason.
        if (request.value != 0)
            return SendAccountNotice(*target, 2, request.word);
        return SendAccountNotice(*target, 9, "");
    case RequestKind::Dismiss:
        return DismissTable(*table);
    case RequestKind::AskToLeave:
        break;
    }
}

void Room::SendAccountNotice(Player& player, std::uint8_t kind, const std::string& text, std::int32_t value)
{
    if (kind == 2)
        player.chatForbidden = true;
    else if (kind == 9 || kind == 10)
        player.chatForbidden = false;
    SendTo(player, EncodeAccountNotice({kind, player.record.userId, text, value}));
}

void Room::DismissTable(Table& table)
{
    std::vector<std::int32_t> everyone = table.Seated();
    everyone.insert(everyone.end(), table.Lookers().begin(), table.Lookers().end());
    for (const std::int32_t user : everyone)
    {
        PlayerLeft left;
        const int chair = table.ChairOf(user);
        left.chair = chair < 0 ? kNoChair : static_cast<std::uint8_t>(chair);
        left.userId = user;
        left.reason = LeftReason::Dissolved;
        SendTo(*Find(user), EncodePlayerLeft(left));
    }
    JsonLine line("dismiss");
    line.Int("table", table.Number()).Int("players", static_cast<std::int64_t>(everyone.size()));
    m_log.Write(std::move(line));
    // The real players go first; their bots follow them as bots do.
    for (const std::int32_t user : everyone)
    {
        Player* player = Find(user);
        if (player && !player->bot)
            LeaveTable(*player);
    }
    UpdateTable(table);
}

// Escapes and game states ------------------------------------------------------------------------

void Room::OnEscape(Player& player, const std::string& msg)
{
    const std::int32_t self = player.record.userId;
    EscapeRequest escape;
    if (!DecodeEscapeRequest(msg, escape))
        return Refused(player.conn, self, "escape",
                       "an escape request of " + std::to_string(msg.size()) + " bytes, too short");
    Table* table = TableAt(player.record.table);
    const int chair = table ? table->ChairOf(self) : -1;
    const bool confirmed = (escape.state == 2 || escape.state == 3) && escape.confirm == 1;
    const bool ends = confirmed && table && InGame(*table, chair, self);
    JsonLine line = PlayerEvent("escape", player);
    line.Int("table", player.record.table).Int("chair", chair).Int("state", escape.state);
    line.Int("confirm", escape.confirm).Bool("ends_game", ends);
    m_log.Write(std::move(line));
    if (!ends)
        return;
    // The game ends at once: the escaper pays, nobody else wins or loses.
    GameResult result;
    for (const GameSeat& seat : table->gameSeats)
    {
        const bool escaper = seat.chair == chair;
        const std::int32_t penalty = static_cast<std::int32_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(m_config.baseTimes) * kEscapePenaltyTimes, 0x7FFFFFFF));
        result.seats.push_back({seat.chair, escaper ? -penalty : 0, escaper ? Outcome::Lose : Outcome::None, 0, 0, 0});
    }
    table->pendingEnd = std::move(result);
    FinishGame(*table);
    SendAway(player);
}

void Room::OnGameState(Player& player, const std::string& msg)
{
    std::uint8_t state = 0;
    if (!DecodeGameState(msg, state))
        return Refused(player.conn, player.record.userId, "game-state",
                       "a game-state report of " + std::to_string(msg.size()) + " bytes, too short");
    JsonLine line = PlayerEvent("game-state", player);
    line.Int("table", player.record.table).Int("state", state);
    m_log.Write(std::move(line));
}

// The operator -----------------------------------------------------------------------------------

void Room::OnOperate(int conn, const OperatorCommand& command, const std::function<void(const std::string&)>& done)
{
    std::string error;
    const int sent = RunOperator(command, error);
    JsonLine line("operator");
    line.Int("conn", conn).Str("command", command.line);
    if (sent < 0)
        line.Str("error", error);
    else
        line.Int("sent", sent);
    m_log.Write(std::move(line));
    if (done)
        done(sent < 0 ? error : std::string());
}

std::vector<Room::Player*> Room::Recipients(const OperatorTarget& target, std::string& error)
{
    std::vector<Player*> players;
    switch (target.kind)
    {
    case OperatorTarget::Kind::User:
        if (Player* player = Find(target.value))
            players.push_back(player);
        else
            error = "user " + std::to_string(target.value) + " is not on the server";
        break;
    case OperatorTarget::Kind::Table:
        if (const Table* table = TableAt(target.value))
        {
            for (const std::vector<std::int32_t>& users : {table->Seated(), table->Lookers()})
            {
                for (const std::int32_t user : users)
                    players.push_back(Find(user));
            }
        }
        else
        {
            error =
                "no table " + std::to_string(target.value) + " (tables 1 to " + std::to_string(m_tables.size()) + ")";
        }
        break;
    case OperatorTarget::Kind::All:
        for (auto& entry : m_players)
            players.push_back(&entry.second);
        break;
    }
    return players;
}

int Room::RunOperator(const OperatorCommand& c, std::string& error)
{
    using Kind = OperatorCommand::Kind;
    if (c.kind == Kind::Help)
        return 0;
    if (c.kind == Kind::AutoPlay || c.kind == Kind::Dismiss)
    {
        Table* table = TableAt(c.table);
        if (!table)
        {
            error = "no table " + std::to_string(c.table) + " (tables 1 to " + std::to_string(m_tables.size()) + ")";
            return -1;
        }
        if (c.kind == Kind::AutoPlay)
            return SendToTable(*table,
                               EncodeAutoPlay(static_cast<std::uint8_t>(c.chair), static_cast<std::uint8_t>(c.code)));
        int sent = 0;
        for (const std::vector<std::int32_t>& users : {table->Seated(), table->Lookers()})
            sent += static_cast<int>(
                std::count_if(users.begin(), users.end(), [&](std::int32_t user) { return !Find(user)->bot; }));
        DismissTable(*table);
        return sent;
    }
    if (c.kind == Kind::Say)
    {
        const Player* bot = Find(c.bot);
        const Table* table = bot ? TableAt(bot->record.table) : nullptr;
        if (!bot || !bot->bot || !table)
        {
            error = "user " + std::to_string(c.bot) + " is not a bot at a table";
            return -1;
        }
        return Say(*bot, *table, c.text);
    }
    const std::vector<Player*> players = Recipients(c.target, error);
    if (!error.empty())
        return -1;
    int sent = 0;
    for (Player* player : players)
    {
        switch (c.kind)
        {
        case Kind::Bulletin:
        case Kind::Invite:
            SendTo(*player, EncodeServerText({0, c.name.empty() ? kOperatorName : c.name,
                                              static_cast<std::uint8_t>(c.code), c.text}));
            break;
        case Kind::Notice:
            SendAccountNotice(*player, static_cast<std::uint8_t>(c.code), c.text, c.value);
            break;
        case Kind::Forbid:
            SendAccountNotice(*player, 2, c.text);
            break;
        case Kind::Allow:
            SendAccountNotice(*player, c.text.empty() ? 9 : 10, c.text);
            break;
        case Kind::Wage:
            // Kinds 2 and 4 say a wage was paid: the record gets it, as the client's does.
            if (c.code == 2 || c.code == 4)
                player->record.money = AddMoney(player->record.money, c.amount);
            SendTo(*player, EncodeWageNotice({static_cast<std::uint8_t>(c.code), c.limit, c.number, c.amount}));
            break;
        case Kind::EscapeQuery:
            SendTo(*player, EncodeEscapeQuery(static_cast<std::int8_t>(c.code)));
            break;
        default:
            break;
        }
        sent += player->bot ? 0 : 1;
    }
    return sent;
}

} // namespace devserver
