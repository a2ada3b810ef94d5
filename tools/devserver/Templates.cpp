#include "tools/devserver/Templates.h"

#include "tools/devserver/Wire.h"
#include "tools/devserver/room/PlayerDirectory.h"

namespace devserver
{

namespace
{

// The most messages one `seq` step may stand for.
constexpr std::uint64_t kMaxSeqCount = 10000000;

// The chairs the login-again response can name: its per-seat arrays hold ten.
constexpr std::uint64_t kMaxChair = 9;
// Table numbers travel as signed bytes, and 0 means no table.
constexpr std::uint64_t kMaxTable = 127;
// tessaro-lobby's default user id (launch value 2): the game knows its own entry by this id.
constexpr std::uint64_t kDefaultUserId = 10001;
constexpr std::uint64_t kMaxUserId = 0x7FFFFFFF;

bool ArgCount(const std::vector<std::string>& args, size_t min, size_t max, std::string& error)
{
    if (args.size() >= min && args.size() <= max)
        return true;
    if (min == max)
        error = min == 0 ? "takes no arguments" : "takes " + std::to_string(min) + " arguments";
    else
        error = "takes " + std::to_string(min) + " to " + std::to_string(max) + " arguments";
    return false;
}

bool Number(const std::string& text, const char* what, std::uint64_t min, std::uint64_t max, std::uint64_t& out,
            std::string& error)
{
    if (ParseDecimal(text, max, out) && out >= min)
        return true;
    error = std::string(what) + " must be a decimal number from " + std::to_string(min) + " to " + std::to_string(max);
    return false;
}

// A source of a single message.
MessageSource One(std::string msg)
{
    return [msg = std::move(msg)](const MessageSink& sink) { return sink(msg); };
}

bool PrepareProbe(const std::vector<std::string>& args, MessageSource& out, std::string& error)
{
    if (!ArgCount(args, 0, 0, error))
        return false;
    out = One(ProbeMessage());
    return true;
}

bool PrepareNetDelay(const std::vector<std::string>& args, MessageSource& out, std::string& error)
{
    std::uint64_t delay = 0;
    std::uint64_t seat = 0;
    if (!ArgCount(args, 2, 2, error) || !Number(args[0], "DELAY_MS", 0, 0xFFFFFFFFu, delay, error) ||
        !Number(args[1], "SEAT", 0, 0xFF, seat, error))
        return false;
    out = One(NetDelayMessage(static_cast<std::uint32_t>(delay), static_cast<std::uint8_t>(seat)));
    return true;
}

bool PrepareKeepAlive(const std::vector<std::string>& args, MessageSource& out, std::string& error)
{
    if (!ArgCount(args, 0, 0, error))
        return false;
    out = One(KeepAliveMessage());
    return true;
}

bool PrepareSeq(const std::vector<std::string>& args, MessageSource& out, std::string& error)
{
    std::uint64_t type = 0;
    std::uint64_t count = 0;
    std::uint64_t bodyLen = 4;
    if (!ArgCount(args, 2, 3, error) || !Number(args[0], "TYPE", 0, 255, type, error) ||
        !Number(args[1], "COUNT", 1, kMaxSeqCount, count, error) ||
        (args.size() == 3 && !Number(args[2], "BODYLEN", 4, kMaxBodyLen, bodyLen, error)))
        return false;
    out = [type, count, bodyLen](const MessageSink& sink)
    {
        for (std::uint64_t seq = 0; seq < count; ++seq)
        {
            if (!sink(SeqMessage(static_cast<unsigned char>(type), static_cast<std::uint32_t>(seq),
                                 static_cast<int>(bodyLen))))
                return false;
        }
        return true;
    };
    return true;
}

bool Nick(const std::string& text, std::string& gbk, std::string& error)
{
    return NickFromUtf8(text, gbk, error);
}

bool PrepareAgainLogin(const std::vector<std::string>& args, MessageSource& out, std::string& error)
{
    std::uint64_t table = 0;
    std::uint64_t chair = 0;
    std::uint64_t userId = kDefaultUserId;
    std::string nick;
    if (!ArgCount(args, 3, 4, error) || !Number(args[0], "TABLE", 1, kMaxTable, table, error) ||
        !Number(args[1], "CHAIR", 0, kMaxChair, chair, error) ||
        (args.size() == 4 && !Number(args[3], "USER_ID", 1, kMaxUserId, userId, error)) || !Nick(args[2], nick, error))
        return false;
    // The own entry alone, seated and watching nobody; every other field zero.
    PlayerRecord self;
    self.userId = static_cast<std::int32_t>(userId);
    self.nick = nick;
    self.table = static_cast<std::uint8_t>(table);
    self.chair = static_cast<std::uint8_t>(chair);
    out = One(EncodeAgainLogin(self.table, self.chair, nick, {self}));
    return true;
}

// A player as a template argument: ID:NICK, or ID:NICK:TABLE:SEAT with SEAT a chair number or wN
// (looking at chair N), and :ready after a chair. The other fields are the generated record's.
bool ParseEntry(const std::string& text, PlayerRecord& out, std::string& error)
{
    std::vector<std::string> parts;
    size_t pos = 0;
    while (true)
    {
        const size_t colon = text.find(':', pos);
        parts.push_back(text.substr(pos, colon == std::string::npos ? colon : colon - pos));
        if (colon == std::string::npos)
            break;
        pos = colon + 1;
    }
    const std::string usage = "a player is ID:NICK[:TABLE:CHAIR[:ready]] or ID:NICK:TABLE:wCHAIR, not '" + text + "'";
    if (parts.size() != 2 && parts.size() != 4 && parts.size() != 5)
    {
        error = usage;
        return false;
    }
    std::uint64_t id = 0;
    if (!Number(parts[0], "ID", 1, kMaxUserId, id, error))
        return false;
    PlayerRecord record = PlayerDirectory().RecordFor(static_cast<std::int32_t>(id));
    if (!Nick(parts[1], record.nick, error))
        return false;
    if (parts.size() >= 4)
    {
        std::uint64_t table = 0;
        std::uint64_t chair = 0;
        const bool looker = !parts[3].empty() && parts[3][0] == 'w';
        if (!Number(parts[2], "TABLE", 1, kMaxTable, table, error) ||
            !Number(looker ? parts[3].substr(1) : parts[3], "CHAIR", 0, kMaxChair, chair, error))
            return false;
        if (parts.size() == 5 && (parts[4] != "ready" || looker))
        {
            error = usage;
            return false;
        }
        record.table = static_cast<std::uint8_t>(table);
        (looker ? record.watchChair : record.chair) = static_cast<std::uint8_t>(chair);
        record.ready = parts.size() == 5 ? 1 : 0;
    }
    out = std::move(record);
    return true;
}

bool ParseEntries(const std::vector<std::string>& args, size_t first, std::vector<PlayerRecord>& out,
                  std::string& error)
{
    for (size_t i = first; i < args.size(); ++i)
    {
        PlayerRecord record;
        if (!ParseEntry(args[i], record, error))
            return false;
        out.push_back(std::move(record));
    }
    return true;
}

bool PrepareAuthResponse(const std::vector<std::string>& args, MessageSource& out, std::string& error)
{
    std::uint64_t result = 0;
    std::uint64_t userId = 0;
    if (!ArgCount(args, 2, 2, error) || !Number(args[0], "RESULT", 0, 255, result, error) ||
        !Number(args[1], "USER_ID", 0, kMaxUserId, userId, error))
        return false;
    out = One(EncodeAuthResponse(static_cast<AuthResult>(result), static_cast<std::int32_t>(userId)));
    return true;
}

bool PrepareSitDown(const std::vector<std::string>& args, MessageSource& out, std::string& error)
{
    std::uint64_t result = 0;
    std::uint64_t table = 0;
    std::uint64_t roomType = 0;
    std::uint64_t baseTimes = 1;
    std::uint64_t maxTimes = 0;
    SitDownResponse response;
    if (!(args.size() == 3 || args.size() == 6))
    {
        error = "takes 3 or 6 arguments";
        return false;
    }
    if (!Number(args[0], "RESULT", 0, 255, result, error) || !Number(args[1], "TABLE", 0, 255, table, error) ||
        !Nick(args[2], response.nick, error) ||
        (args.size() == 6 && (!Number(args[3], "ROOM_TYPE", 0, 127, roomType, error) ||
                              !Number(args[4], "BASE_TIMES", 0, kMaxUserId, baseTimes, error) ||
                              !Number(args[5], "MAX_TIMES", 0, kMaxUserId, maxTimes, error))))
        return false;
    response.result = static_cast<std::uint8_t>(result);
    response.table = static_cast<std::uint8_t>(table);
    response.roomType = static_cast<std::int8_t>(roomType);
    response.baseTimes = static_cast<std::int32_t>(baseTimes);
    response.maxTimes = static_cast<std::int32_t>(maxTimes);
    out = One(EncodeSitDownResponse(response));
    return true;
}

bool PreparePlayers(const std::vector<std::string>& args, MessageSource& out, std::string& error)
{
    std::vector<PlayerRecord> players;
    if (!ParseEntries(args, 0, players, error))
        return false;
    const std::vector<std::string> pages = EncodePlayerList(players);
    out = [pages](const MessageSink& sink)
    {
        for (const std::string& page : pages)
        {
            if (!sink(page))
                return false;
        }
        return true;
    };
    return true;
}

bool PrepareSnapshot(const std::vector<std::string>& args, MessageSource& out, std::string& error)
{
    std::vector<PlayerRecord> entries;
    if (!ParseEntries(args, 0, entries, error))
        return false;
    if (entries.size() > kMaxEntriesPerMessage)
    {
        error = "at most " + std::to_string(kMaxEntriesPerMessage) + " players fit a snapshot";
        return false;
    }
    out = One(EncodeTableSnapshot(entries));
    return true;
}

bool PrepareJoin(const std::vector<std::string>& args, MessageSource& out, std::string& error)
{
    std::vector<PlayerRecord> entries;
    if (!ArgCount(args, 1, 1, error) || !ParseEntries(args, 0, entries, error))
        return false;
    out = One(EncodePlayerJoin(entries.front()));
    return true;
}

bool PrepareLeave(const std::vector<std::string>& args, MessageSource& out, std::string& error)
{
    std::uint64_t userId = 0;
    if (!ArgCount(args, 1, 1, error) || !Number(args[0], "USER_ID", 0, kMaxUserId, userId, error))
        return false;
    out = One(EncodePlayerLeave(static_cast<std::int32_t>(userId)));
    return true;
}

bool PrepareSeatNotice(const std::vector<std::string>& args, MessageSource& out, std::string& error)
{
    std::uint64_t userId = 0;
    std::uint64_t table = 0;
    std::uint64_t chair = 0;
    std::uint64_t mode = 0;
    if (!ArgCount(args, 4, 4, error) || !Number(args[0], "USER_ID", 0, kMaxUserId, userId, error) ||
        !Number(args[1], "TABLE", 0, 255, table, error) || !Number(args[2], "CHAIR", 0, 255, chair, error) ||
        !Number(args[3], "MODE", 0, 255, mode, error))
        return false;
    out = One(EncodeSitOrLeave(static_cast<std::int32_t>(userId), static_cast<std::uint8_t>(table),
                               static_cast<std::uint8_t>(chair), static_cast<SitMode>(mode)));
    return true;
}

bool PrepareReady(const std::vector<std::string>& args, MessageSource& out, std::string& error)
{
    std::uint64_t chair = kReadyCallAll;
    if (!ArgCount(args, 1, 1, error) || (args[0] != "all" && !Number(args[0], "CHAIR", 0, 255, chair, error)))
        return false;
    out = One(EncodeReadyNotice(static_cast<std::uint8_t>(chair)));
    return true;
}

bool PrepareResult(const std::vector<std::string>& args, MessageSource& out, std::string& error)
{
    std::uint64_t minutes = 0;
    std::uint64_t reward = 0;
    if (!ArgCount(args, 0, 2, error) ||
        (args.size() >= 1 && !Number(args[0], "MINUTES", 0, kMaxUserId, minutes, error)) ||
        (args.size() == 2 && !Number(args[1], "TIME_REWARD", 0, kMaxUserId, reward, error)))
        return false;
    GameResultMessage result;
    result.minutes = static_cast<std::int32_t>(minutes);
    result.timeReward = static_cast<std::int32_t>(reward);
    result.underAMinute = minutes == 0;
    out = One(EncodeGameResult(result));
    return true;
}

} // namespace

const std::vector<TemplateEntry>& TemplateTable()
{
    static const std::vector<TemplateEntry> table = {
        {"probe", "", "the client's net-speed probe: type 1, stage 0", PrepareProbe},
        {"netdelay", "DELAY_MS SEAT", "the measured delay for a seat: type 1, stage 2", PrepareNetDelay},
        {"keepalive", "", "the keep-alive: type 26, four zero bytes of body", PrepareKeepAlive},
        {"seq", "TYPE COUNT [BODYLEN]", "COUNT messages of TYPE numbered from 0, bodies of BODYLEN bytes (default 4)",
         PrepareSeq},
        {"againlogin", "TABLE CHAIR NICK [USER_ID]",
         "the login-again response: type 36, the player seated at TABLE, CHAIR as NICK (user id 10001)",
         PrepareAgainLogin},
        {"authres", "RESULT USER_ID", "the authentication response: type 33 (RESULT 0 accepted)", PrepareAuthResponse},
        {"sitdown", "RESULT TABLE NICK [ROOM_TYPE BASE_TIMES MAX_TIMES]",
         "the sit-down response: type 34 (RESULT 1 seated, 2 watching)", PrepareSitDown},
        {"players", "PLAYER...", "the all-players list: type 35, pages of at most 123 players", PreparePlayers},
        {"snapshot", "PLAYER...", "the table snapshot: type 52", PrepareSnapshot},
        {"join", "PLAYER", "a player joins the server: type 65", PrepareJoin},
        {"leave", "USER_ID", "a player leaves the server: type 66", PrepareLeave},
        {"seatnotice", "USER_ID TABLE CHAIR MODE", "a player sits (MODE 1) or leaves a table (0): type 67",
         PrepareSeatNotice},
        {"ready", "CHAIR|all", "the ready notice of a chair, or the general ready call: type 53", PrepareReady},
        {"result", "[MINUTES [TIME_REWARD]]", "a game result with no game bytes: type 78", PrepareResult},
    };
    return table;
}

const TemplateEntry* FindTemplate(std::string_view name)
{
    for (const TemplateEntry& tmpl : TemplateTable())
    {
        if (name == tmpl.name)
            return &tmpl;
    }
    return nullptr;
}

std::string ProbeMessage()
{
    std::string body(kProbeLen - kMsgHeaderLen, '\0');
    body[kProbeStageOffset - kMsgHeaderLen] = static_cast<char>(kProbeStageClient);
    return GameMessage(kProbeType, body);
}

std::string NetDelayMessage(std::uint32_t delayMs, std::uint8_t seat)
{
    std::string body(kProbeDelayOffset - kMsgHeaderLen, '\0');
    body[kProbeStageOffset - kMsgHeaderLen] = static_cast<char>(kProbeStageDelay);
    AppendU32(body, delayMs);
    // The game reads the server seat as one byte at 16; the rest of the 20 bytes is padding.
    body.push_back(static_cast<char>(seat));
    body.append(kProbeLen - kMsgHeaderLen - body.size(), '\0');
    return GameMessage(kProbeType, body);
}

std::string KeepAliveMessage()
{
    return GameMessage(kKeepAliveType, std::string(kKeepAliveLen - kMsgHeaderLen, '\0'));
}

std::string SeqMessage(unsigned char type, std::uint32_t seq, int bodyLen)
{
    std::string body;
    AppendU32(body, seq);
    if (bodyLen > 4)
        body.append(static_cast<size_t>(bodyLen - 4), '\0');
    return GameMessage(type, body);
}

} // namespace devserver
