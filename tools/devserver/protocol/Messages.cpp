#include "tools/devserver/protocol/Messages.h"

#include "tools/devserver/Wire.h"
#include "tools/devserver/protocol/Bytes.h"

#include <algorithm>

namespace devserver
{

namespace
{

constexpr size_t kAuthResponseLen = 16;
constexpr size_t kReadyNoticeLen = 12;
constexpr size_t kReadyAnswerLen = 12;
constexpr size_t kPlayerJoinLen = 88;
constexpr size_t kPlayerLeaveLen = 12;
constexpr size_t kSitOrLeaveLen = 16;

constexpr size_t kAgainLoginNick = 9;
constexpr size_t kAgainLoginTable = 220;
constexpr size_t kAgainLoginChair = 221;
constexpr size_t kAgainLoginSnapshot = 240;
constexpr size_t kAgainLoginCount = 244;
constexpr size_t kAgainLoginFixedLen = 300; // the fields end with the 4 bytes at 296
constexpr size_t kAgainLoginEntries = 10;

// A zeroed message of len bytes with its header written.
std::string Blank(unsigned char type, size_t len)
{
    std::string msg = GameMessage(type, std::string(len - kMsgHeaderLen, '\0'));
    return msg;
}

void PutText(std::string& msg, size_t offset, const std::string& text, size_t width)
{
    msg.replace(offset, std::min(text.size(), width), text, 0, width);
}

// Entries of 84 bytes from offset 12, behind a header whose bytes 8..11 the caller fills.
std::string EntryList(unsigned char type, const std::vector<PlayerRecord>& entries)
{
    const size_t count = std::min(entries.size(), kMaxEntriesPerMessage);
    std::string body(kListHeaderLen - kMsgHeaderLen, '\0');
    body.reserve(body.size() + count * kPlayerEntryLen);
    for (size_t i = 0; i < count; ++i)
        body += EncodePlayerEntry(entries[i]);
    return GameMessage(type, body);
}

bool IsType(std::string_view msg, unsigned char type)
{
    return HasMsgHeader(msg) && MsgType(msg) == type;
}

} // namespace

std::string EncodeAuthResponse(AuthResult result, std::int32_t userId)
{
    std::string msg = Blank(kAuthResponseType, kAuthResponseLen);
    PutByte(msg, 8, static_cast<std::uint8_t>(result));
    PutBE32(msg, 12, static_cast<std::uint32_t>(userId));
    return msg;
}

std::string EncodeSitDownResponse(const SitDownResponse& r)
{
    std::string msg = Blank(kSitDownResponseType, kSitDownResponseLen);
    PutByte(msg, 8, r.result);
    PutByte(msg, 9, r.table);
    PutText(msg, 12, r.nick, kNickLen);
    PutByte(msg, 52, r.roomType);
    PutBE32(msg, 76, static_cast<std::uint32_t>(r.baseTimes));
    PutBE32(msg, 92, static_cast<std::uint32_t>(r.maxTimes));
    return msg;
}

std::string EncodePlayerListPage(bool first, const std::vector<PlayerRecord>& entries)
{
    std::string msg = EntryList(kPlayerListType, entries);
    PutByte(msg, 9, first ? 1 : 0);
    PutByte(msg, 10, static_cast<std::int64_t>(std::min(entries.size(), kMaxEntriesPerMessage)));
    return msg;
}

std::vector<std::string> EncodePlayerList(const std::vector<PlayerRecord>& players)
{
    std::vector<std::string> pages;
    size_t at = 0;
    do
    {
        const size_t n = std::min(players.size() - at, kMaxEntriesPerMessage);
        const std::vector<PlayerRecord> page(players.begin() + static_cast<std::ptrdiff_t>(at),
                                             players.begin() + static_cast<std::ptrdiff_t>(at + n));
        pages.push_back(EncodePlayerListPage(at == 0, page));
        at += n;
    } while (at < players.size());
    return pages;
}

std::string EncodeTableSnapshot(const std::vector<PlayerRecord>& entries, std::uint8_t flag)
{
    std::string msg = EntryList(kTableSnapshotType, entries);
    PutByte(msg, 8, static_cast<std::int64_t>(std::min(entries.size(), kMaxEntriesPerMessage)));
    PutByte(msg, 9, flag);
    return msg;
}

std::string EncodeReadyNotice(std::uint8_t chair)
{
    std::string msg = Blank(kReadyNoticeType, kReadyNoticeLen);
    PutByte(msg, 8, chair);
    return msg;
}

std::string EncodePlayerJoin(const PlayerRecord& player)
{
    const std::string entry = EncodePlayerEntry(player);
    std::string msg = Blank(kPlayerJoinType, kPlayerJoinLen);
    msg.replace(8, 60, entry, 0, 60);
    msg.replace(68, 3, entry, 62, 3);
    msg.replace(72, 16, entry, 68, 16);
    return msg;
}

std::string EncodePlayerLeave(std::int32_t userId)
{
    std::string msg = Blank(kPlayerLeaveType, kPlayerLeaveLen);
    PutBE32(msg, 8, static_cast<std::uint32_t>(userId));
    return msg;
}

std::string EncodeSitOrLeave(std::int32_t userId, std::uint8_t table, std::uint8_t chair, SitMode mode)
{
    std::string msg = Blank(kSitOrLeaveType, kSitOrLeaveLen);
    PutBE32(msg, 8, static_cast<std::uint32_t>(userId));
    PutByte(msg, 12, table);
    PutByte(msg, 13, chair);
    PutByte(msg, 14, static_cast<std::uint8_t>(mode));
    return msg;
}

std::string EncodeGameResult(const GameResultMessage& r)
{
    std::string msg = Blank(kGameResultType, kGameResultLen);
    PutText(msg, kMsgHeaderLen, r.gameBytes, kGameOwnBytes);
    PutBE32(msg, 132, static_cast<std::uint32_t>(r.minutes));
    PutBE32(msg, 136, static_cast<std::uint32_t>(r.timeReward));
    for (size_t c = 0; c < static_cast<size_t>(kResultChairs); ++c)
    {
        PutBE32(msg, 140 + 4 * c, static_cast<std::uint32_t>(r.x[c]));
        PutBE32(msg, 180 + 4 * c, static_cast<std::uint32_t>(r.y[c]));
        PutBE32(msg, 220 + 4 * c, static_cast<std::uint32_t>(r.z[c]));
    }
    PutByte(msg, 264, r.underAMinute ? 1 : 0);
    return msg;
}

std::string EncodeAgainLogin(std::uint8_t table, std::uint8_t chair, const std::string& nick,
                             const std::vector<PlayerRecord>& snapshot)
{
    std::string msg = Blank(kAgainLoginType, kAgainLoginFixedLen + kAgainLoginEntries * kPlayerEntryLen);
    PutText(msg, kAgainLoginNick, nick, kNickLen);
    PutByte(msg, kAgainLoginTable, table);
    PutByte(msg, kAgainLoginChair, chair);
    PutBE32(msg, kAgainLoginSnapshot, static_cast<std::uint32_t>(kAgainLoginFixedLen));
    const size_t count = std::min(snapshot.size(), kAgainLoginEntries);
    PutByte(msg, kAgainLoginCount, static_cast<std::int64_t>(count));
    for (size_t i = 0; i < count; ++i)
        msg.replace(kAgainLoginFixedLen + i * kPlayerEntryLen, kPlayerEntryLen, EncodePlayerEntry(snapshot[i]));
    return msg;
}

bool DecodeAuthRequest(std::string_view msg, AuthRequest& out)
{
    if (!IsType(msg, kAuthRequestType) || !HasBytes(msg, 8, 4))
        return false;
    AuthRequest request;
    request.userId = static_cast<std::int32_t>(GetBE32(msg, 8));
    const std::string_view token = msg.substr(std::min(msg.size(), size_t{12}), kAuthTokenLen);
    request.token = std::string(token.substr(0, token.find('\0')));
    out = std::move(request);
    return true;
}

bool DecodeSitDownRequest(std::string_view msg, SitDownRequest& out)
{
    if (!IsType(msg, kSitDownRequestType) || !HasBytes(msg, 8, 2))
        return false;
    out.table = GetByte(msg, 8);
    out.chair = GetByte(msg, 9);
    return true;
}

bool DecodeReadyAnswer(std::string_view msg)
{
    return IsType(msg, kReadyAnswerType);
}

std::string EncodeAuthRequest(std::int32_t userId, std::string_view token)
{
    std::string msg = Blank(kAuthRequestType, kAuthRequestLen);
    PutBE32(msg, 8, static_cast<std::uint32_t>(userId));
    PutText(msg, 12, std::string(token), kAuthTokenLen);
    return msg;
}

std::string EncodeSitDownRequest(std::uint8_t table, std::uint8_t chair)
{
    std::string msg = Blank(kSitDownRequestType, kSitDownRequestLen);
    PutByte(msg, 8, table);
    PutByte(msg, 9, chair);
    return msg;
}

std::string EncodeReadyAnswer()
{
    return Blank(kReadyAnswerType, kReadyAnswerLen);
}

} // namespace devserver
