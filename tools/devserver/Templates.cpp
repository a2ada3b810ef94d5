#include "tools/devserver/Templates.h"

#include "platform/Text.h"
#include "tools/devserver/Wire.h"

namespace devserver
{

namespace
{

// The most messages one `seq` step may stand for.
constexpr std::uint64_t kMaxSeqCount = 10000000;

// The login-again response (type 36): what the server sends a player who comes back to the table
// where he still sits. Offsets count from the start of the message, numbers are big-endian; the
// fields not written here are zero.
constexpr unsigned char kAgainLoginType = 36;
constexpr size_t kAgainLoginNick = 9;       // 16 bytes: the own nick name, GBK
constexpr size_t kAgainLoginTable = 220;    // byte: the table number
constexpr size_t kAgainLoginChair = 221;    // byte: the own chair
constexpr size_t kAgainLoginSnapshot = 240; // 4 bytes: where the table snapshot starts
constexpr size_t kAgainLoginCount = 244;    // byte: the snapshot's entry count
constexpr size_t kAgainLoginFixedLen = 300; // the fields end with the 4 bytes at 296
// The snapshot follows the fields: ten player entries of 84 bytes, read in order up to the count,
// so the own entry comes first and carries its chair in its own chair byte.
constexpr size_t kPlayerEntryLen = 84;
constexpr size_t kSnapshotEntries = 10;
constexpr size_t kEntryUserId = 0;      // 4 bytes
constexpr size_t kEntryNick = 4;        // 16 bytes
constexpr size_t kEntryTable = 32;      // byte
constexpr size_t kEntryChair = 33;      // byte
constexpr size_t kEntryWatchChair = 60; // byte: -1, a seated player watches nobody
constexpr size_t kNickLen = 16;
// The chairs the message can name: its per-seat arrays hold ten.
constexpr std::uint64_t kMaxChair = kSnapshotEntries - 1;
// Table numbers travel as signed bytes, and 0 means no table.
constexpr std::uint64_t kMaxTable = 127;
// tessaro-lobby's default user id (launch value 2): the game knows its own entry by this id.
constexpr std::uint64_t kDefaultUserId = 10001;

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

void PutU32(std::string& bytes, size_t offset, std::uint32_t value)
{
    bytes[offset] = static_cast<char>(value >> 24);
    bytes[offset + 1] = static_cast<char>(value >> 16);
    bytes[offset + 2] = static_cast<char>(value >> 8);
    bytes[offset + 3] = static_cast<char>(value);
}

std::string AgainLoginMessage(unsigned char table, unsigned char chair, const std::string& nickGbk,
                              std::uint32_t userId)
{
    const size_t entry = kAgainLoginFixedLen;
    std::string msg(kAgainLoginFixedLen + kSnapshotEntries * kPlayerEntryLen, '\0');
    msg.replace(kAgainLoginNick, nickGbk.size(), nickGbk);
    msg[kAgainLoginTable] = static_cast<char>(table);
    msg[kAgainLoginChair] = static_cast<char>(chair);
    PutU32(msg, kAgainLoginSnapshot, static_cast<std::uint32_t>(entry));
    msg[kAgainLoginCount] = 1;
    PutU32(msg, entry + kEntryUserId, userId);
    msg.replace(entry + kEntryNick, nickGbk.size(), nickGbk);
    msg[entry + kEntryTable] = static_cast<char>(table);
    msg[entry + kEntryChair] = static_cast<char>(chair);
    msg[entry + kEntryWatchChair] = static_cast<char>(0xFF);
    return GameMessage(kAgainLoginType, std::string_view(msg).substr(kMsgHeaderLen));
}

bool PrepareAgainLogin(const std::vector<std::string>& args, MessageSource& out, std::string& error)
{
    std::uint64_t table = 0;
    std::uint64_t chair = 0;
    std::uint64_t userId = kDefaultUserId;
    if (!ArgCount(args, 3, 4, error) || !Number(args[0], "TABLE", 1, kMaxTable, table, error) ||
        !Number(args[1], "CHAIR", 0, kMaxChair, chair, error) ||
        (args.size() == 4 && !Number(args[3], "USER_ID", 1, 0x7FFFFFFFu, userId, error)))
        return false;
    // Scenario files are UTF-8; the wire carries GBK. A name that does not come back unchanged has
    // characters without a GBK form.
    const std::string nick = platform::Utf8ToGbk(args[2]);
    if (platform::GbkToUtf8(nick) != args[2])
    {
        error = "NICK has characters that GBK cannot carry";
        return false;
    }
    if (nick.size() > kNickLen)
    {
        error =
            "NICK takes " + std::to_string(nick.size()) + " bytes in GBK, at most " + std::to_string(kNickLen) + " fit";
        return false;
    }
    out = One(AgainLoginMessage(static_cast<unsigned char>(table), static_cast<unsigned char>(chair), nick,
                                static_cast<std::uint32_t>(userId)));
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
