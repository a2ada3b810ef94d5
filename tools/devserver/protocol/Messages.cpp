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
constexpr size_t kShortNoticeLen = 12; // 54, 115, 125, 126, 242
constexpr size_t kWageNoticeLen = 24;

constexpr size_t kAgainLoginNick = 9;
constexpr size_t kAgainLoginRoomType = 48;
constexpr size_t kAgainLoginTable = 220;
constexpr size_t kAgainLoginChair = 221;
constexpr size_t kAgainLoginBaseTimes = 236;
constexpr size_t kAgainLoginSnapshot = 240;
constexpr size_t kAgainLoginCount = 244;
constexpr size_t kAgainLoginAway = 245;        // 10 bytes, by chair
constexpr size_t kAgainLoginSystemPlays = 255; // 10 bytes, by chair
constexpr size_t kAgainLoginMaxTimes = 288;

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

// A zero-terminated text of a field of width bytes that the caller has checked to be there.
std::string GetText(std::string_view msg, size_t offset, size_t width)
{
    const std::string_view field = msg.substr(offset, width);
    return std::string(field.substr(0, field.find('\0')));
}

std::string ChatMessage(unsigned char type, const ChatLine& line)
{
    std::string msg = Blank(type, kChatLen);
    PutBE32(msg, 8, static_cast<std::uint32_t>(line.senderId));
    PutText(msg, 12, line.senderNick, kNickLen);
    PutBE32(msg, 28, static_cast<std::uint32_t>(line.targetId));
    PutText(msg, 32, line.targetNick, kNickLen);
    // The client reads the text up to its terminator: one is always left.
    PutText(msg, 48, line.text, kChatTextLen - 1);
    PutByte(msg, 560, line.kind);
    PutBE32(msg, 564, static_cast<std::uint32_t>(line.requestValue));
    PutByte(msg, 568, line.requestByte);
    return msg;
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

std::string EncodeAgainLogin(const AgainLogin& again)
{
    // Nothing beyond what the client takes in; a game message cut short there reads as none.
    const size_t gameLen = std::min(again.game.size(), kMaxClientMsgLen - kAgainLoginLen);
    std::string msg = Blank(kAgainLoginType, kAgainLoginLen + gameLen);
    PutText(msg, kAgainLoginNick, again.nick, kNickLen);
    PutByte(msg, kAgainLoginRoomType, again.roomType);
    PutByte(msg, kAgainLoginTable, again.table);
    PutByte(msg, kAgainLoginChair, again.chair);
    PutBE32(msg, kAgainLoginBaseTimes, static_cast<std::uint32_t>(again.baseTimes));
    PutBE32(msg, kAgainLoginSnapshot, static_cast<std::uint32_t>(kAgainLoginFixedLen));
    const size_t count = std::min(again.snapshot.size(), kAgainLoginEntries);
    PutByte(msg, kAgainLoginCount, static_cast<std::int64_t>(count));
    for (size_t c = 0; c < static_cast<size_t>(kAgainLoginChairs); ++c)
    {
        PutByte(msg, kAgainLoginAway + c, again.away[c] ? 1 : 0);
        PutByte(msg, kAgainLoginSystemPlays + c, again.systemPlays[c] ? 1 : 0);
    }
    PutBE32(msg, kAgainLoginMaxTimes, static_cast<std::uint32_t>(again.maxTimes));
    for (size_t i = 0; i < count; ++i)
        msg.replace(kAgainLoginFixedLen + i * kPlayerEntryLen, kPlayerEntryLen, EncodePlayerEntry(again.snapshot[i]));
    msg.replace(kAgainLoginLen, gameLen, again.game, 0, gameLen);
    return msg;
}

std::string EncodeAgainLogin(std::uint8_t table, std::uint8_t chair, const std::string& nick,
                             const std::vector<PlayerRecord>& snapshot)
{
    AgainLogin again;
    again.table = table;
    again.chair = chair;
    again.nick = nick;
    again.snapshot = snapshot;
    return EncodeAgainLogin(again);
}

std::string EncodeWaitLoginAgain(std::uint8_t chair, std::uint8_t state)
{
    std::string msg = Blank(kWaitLoginAgainType, kShortNoticeLen);
    PutByte(msg, 8, chair);
    PutByte(msg, 9, state);
    return msg;
}

std::string EncodeChatLine(const ChatLine& line)
{
    return ChatMessage(kChatLineType, line);
}

std::string EncodeServerText(const ServerText& text)
{
    std::string msg = Blank(kServerTextType, kServerTextLen);
    PutBE32(msg, 8, static_cast<std::uint32_t>(text.id));
    PutText(msg, 12, text.name, kServerTextNameLen - 1);
    PutByte(msg, 48, text.kind);
    PutText(msg, 57, text.text, kServerTextTextLen - 1);
    return msg;
}

std::string EncodeLeaveAnswer(LeaveResult result, std::int8_t targetSex, std::string_view text)
{
    std::string msg = Blank(kLeaveAnswerType, kLeaveAnswerLen);
    PutByte(msg, 8, static_cast<std::uint8_t>(result));
    PutText(msg, 10, std::string(text), 255);
    PutByte(msg, 266, targetSex);
    return msg;
}

std::string EncodePlayerLeft(const PlayerLeft& left)
{
    std::string msg = Blank(kPlayerLeftType, kPlayerLeftLen);
    PutByte(msg, 8, left.chair);
    PutBE32(msg, 12, static_cast<std::uint32_t>(left.userId));
    PutByte(msg, 16, static_cast<std::uint8_t>(left.reason));
    PutByte(msg, 17, left.update ? 1 : 0);
    PutBE32(msg, 20, static_cast<std::uint32_t>(left.money));
    PutBE32(msg, 24, static_cast<std::uint32_t>(left.amount));
    PutBE32(msg, 28, static_cast<std::uint32_t>(left.wealth));
    return msg;
}

std::string EncodeAccountNotice(const AccountNotice& notice)
{
    std::string msg = Blank(kAccountNoticeType, kAccountNoticeLen);
    PutByte(msg, 8, notice.kind);
    PutBE32(msg, 12, static_cast<std::uint32_t>(notice.userId));
    PutText(msg, 16, notice.text, kAccountTextLen - 1);
    PutBE32(msg, 280, static_cast<std::uint32_t>(notice.value));
    return msg;
}

std::string EncodeWageNotice(const WageNotice& notice)
{
    std::string msg = Blank(kWageNoticeType, kWageNoticeLen);
    PutByte(msg, 8, notice.kind);
    PutBE32(msg, 12, static_cast<std::uint32_t>(notice.limit));
    PutBE32(msg, 16, static_cast<std::uint32_t>(notice.number));
    PutBE32(msg, 20, static_cast<std::uint32_t>(notice.amount));
    return msg;
}

std::string EncodeAutoPlay(std::uint8_t chair, std::uint8_t mode)
{
    std::string msg = Blank(kAutoPlayType, kShortNoticeLen);
    PutByte(msg, 8, chair);
    PutByte(msg, 9, mode);
    return msg;
}

std::string EncodeEscapeQuery(std::int8_t state)
{
    std::string msg = Blank(kEscapeQueryType, kShortNoticeLen);
    PutByte(msg, 8, state);
    return msg;
}

std::string EncodeQuickChat(const std::vector<QuickChatEntry>& entries)
{
    const size_t count = std::min(entries.size(), kMaxQuickChatEntries);
    std::string msg = Blank(kQuickChatType, kQuickChatHeaderLen + count * kQuickChatEntryLen);
    // The client reads the count as it lies in its memory, unlike every other number.
    PutLE32(msg, 8, static_cast<std::uint32_t>(count));
    for (size_t i = 0; i < count; ++i)
    {
        const QuickChatEntry& e = entries[i];
        const size_t at = kQuickChatHeaderLen + i * kQuickChatEntryLen;
        PutText(msg, at, e.text, kPhraseLen - 1);
        PutBE32(msg, at + kPhraseLen, e.value);
        PutText(msg, at + kPhraseLen + 4, e.folder, kSoundDirLen - 1);
        PutText(msg, at + kPhraseLen + 4 + kSoundDirLen, e.file, kSoundFileLen - 1);
    }
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

bool DecodeChatLine(std::string_view msg, ChatLine& out)
{
    if (!(IsType(msg, kChatRequestType) || IsType(msg, kChatLineType)) || !HasBytes(msg, 0, kChatLen))
        return false;
    ChatLine line;
    line.senderId = static_cast<std::int32_t>(GetBE32(msg, 8));
    line.senderNick = GetText(msg, 12, kNickLen);
    line.targetId = static_cast<std::int32_t>(GetBE32(msg, 28));
    line.targetNick = GetText(msg, 32, kNickLen);
    line.text = GetText(msg, 48, kChatTextLen);
    line.kind = GetByte(msg, 560);
    line.requestValue = static_cast<std::int32_t>(GetBE32(msg, 564));
    line.requestByte = GetByte(msg, 568);
    out = std::move(line);
    return true;
}

bool DecodeRequest(std::string_view msg, Request& out)
{
    if (!IsType(msg, kRequestType) || !HasBytes(msg, 0, kRequestLen))
        return false;
    Request request;
    request.targetId = static_cast<std::int32_t>(GetBE32(msg, 8));
    request.kind = GetByte(msg, 12);
    request.word = GetText(msg, 13, kRequestWordLen);
    request.value = static_cast<std::int32_t>(GetBE32(msg, 272));
    out = std::move(request);
    return true;
}

bool DecodeEscapeRequest(std::string_view msg, EscapeRequest& out)
{
    if (!IsType(msg, kEscapeRequestType) || !HasBytes(msg, 8, 2))
        return false;
    out.state = GetByte(msg, 8);
    out.confirm = GetByte(msg, 9);
    return true;
}

bool DecodeGameState(std::string_view msg, std::uint8_t& state)
{
    if (!IsType(msg, kGameStateType) || !HasBytes(msg, 8, 1))
        return false;
    state = GetByte(msg, 8);
    return true;
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

std::string EncodeChatRequest(const ChatLine& line)
{
    return ChatMessage(kChatRequestType, line);
}

std::string EncodeRequest(const Request& request)
{
    std::string msg = Blank(kRequestType, kRequestLen);
    PutBE32(msg, 8, static_cast<std::uint32_t>(request.targetId));
    PutByte(msg, 12, request.kind);
    PutText(msg, 13, request.word, kRequestWordLen - 1);
    PutBE32(msg, 272, static_cast<std::uint32_t>(request.value));
    return msg;
}

std::string EncodeEscapeRequest(std::uint8_t state, std::uint8_t confirm)
{
    std::string msg = Blank(kEscapeRequestType, kShortNoticeLen);
    PutByte(msg, 8, state);
    PutByte(msg, 9, confirm);
    return msg;
}

std::string EncodeGameState(std::uint8_t state)
{
    std::string msg = Blank(kGameStateType, kShortNoticeLen);
    PutByte(msg, 8, state);
    return msg;
}

} // namespace devserver
