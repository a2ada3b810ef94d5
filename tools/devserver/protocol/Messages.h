// The table protocol's messages as the server builds and reads them: one encoder for each message
// the server sends and one decoder for each client request the room answers. The room, the
// scenario templates and the tests all use these, so a scripted message and a table's message of
// the same kind are the same bytes.
//
// Offsets count from the start of the message, header included; numbers are big-endian.
//
// Server to client:
//   33 authentication response  16 bytes: byte 8 result (AuthResult), int32 user id at 12
//   34 sit-down response        104 bytes: byte 8 result, byte 9 table, nick at 12 (16 bytes),
//                               signed byte 52 room type, int32 76 base times, int32 92 max
//                               times; the other table fields (28, 32, 36, 40, 44, 68, 80, 96,
//                               97, 100) zero
//   35 all-players page         byte 9 1 on the first page, byte 10 entry count, entries from 12
//   36 login-again response     1140 bytes and what the game appends (see EncodeAgainLogin)
//   52 table snapshot           byte 8 entry count, byte 9 flag, entries from 12
//   54 wait-login-again notice  12 bytes: byte 8 the chair, byte 9 2 (his connection dropped, he
//                               may come back); the client reads bytes 8 and 9
//   53 ready notice             12 bytes: byte 8 the ready chair, 0xFF the general ready call
//   65 player joins             88 bytes: entry bytes 0..59 at 8, entry bytes 62..64 at 68,
//                               entry int32 fields 68, 72, 76, 80 at 72, 76, 80, 84
//   66 player leaves            12 bytes: int32 user id at 8
//   67 player sits or leaves    16 bytes: int32 user id at 8, byte 12 table, 13 chair, 14 mode
//   78 game result              268 bytes: the game's own bytes 8..131, int32 minutes at 132,
//                               time reward at 136, per chair c X at 140+4c, Y at 180+4c, Z at
//                               220+4c, byte 264 nonzero when the game lasted under a minute
//   38 leave-request answer     268 bytes: byte 8 result (LeaveResult), text of 256 bytes at 10
//                               (empty: the client forms it), byte 266 the target's sex (0 female)
//   49 chat line                572 bytes, the layout of the request (20) below, sender filled in
//   55 player left the table    32 bytes: byte 8 chair (0xFF none), int32 user id at 12, byte 16
//                               reason (0 a plain leave, 1 players agreed, 2 table dissolved),
//                               byte 17 update flag, int32 money 20, strength 24, wealth 28
//   68 kick or account notice   284 bytes: byte 8 kind, int32 user id at 12, zero-terminated
//                               text from 16 (at most 263 bytes), int32 at 280 (kind 13)
//   125 escape-state query      12 bytes: signed byte 8, the state
//   126 system play for a chair 12 bytes: byte 8 chair, byte 9 mode (1 the system plays, 2 the
//                               player is back, 0 back and the system play cancelled)
//   127 quick-chat phrases      int32 count at 8, LITTLE-endian; entries of 196 bytes from 16:
//                               phrase 0..127, int32 128..131, folder 132..163, file 164..195
//   129 wage notice             24 bytes: byte 8 kind, int32 daily limit 12, today's number 16,
//                               amount 20
//   144 server text             572 bytes: int32 id at 8, name at 12 (36 bytes), byte 48 kind,
//                               zero-terminated text from 57 (the client shows at most 480 bytes)
// Client to server:
//   20 chat line                572 bytes: int32 sender id 8, sender nick 12 (16), int32 target
//                               id 28 (0: the table), target nick 32 (16), text 48 (512, zero-
//                               terminated), byte 560 kind, int32 564 and byte 568 the client's
//                               launch values; the whole 572 bytes must be there
//   24 request                  276 bytes: int32 target user 8, byte 12 sub-command (0 ask to
//                               leave, 1 kick, 2 forbid or allow chat, 5 dissolve the table),
//                               word 13..271 (zero-terminated), int32 272; all 276 bytes
//   115 escape request          12 bytes: byte 8 and byte 9; at least those two
//   242 game-state report       12 bytes: byte 8 the state; at least that byte
//   27 ready answer             12 bytes, nothing read past the header
//   32 authentication request   44 bytes: int32 user id at 8, launch token at 12 (32 bytes,
//                               zero-padded); at least the user id must be there
//   149 sit-down request        44 bytes: byte 8 table, byte 9 chair; at least those two
#pragma once

#include "tools/devserver/protocol/PlayerRecord.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace devserver
{

inline constexpr unsigned char kProbeType = 1; // the net-speed probe
inline constexpr unsigned char kKeepAliveType = 26;
inline constexpr unsigned char kReadyAnswerType = 27;
inline constexpr unsigned char kAuthRequestType = 32;
inline constexpr unsigned char kAuthResponseType = 33;
inline constexpr unsigned char kSitDownResponseType = 34;
inline constexpr unsigned char kPlayerListType = 35;
inline constexpr unsigned char kAgainLoginType = 36;
inline constexpr unsigned char kTableSnapshotType = 52;
inline constexpr unsigned char kReadyNoticeType = 53;
inline constexpr unsigned char kWaitLoginAgainType = 54;
inline constexpr unsigned char kPlayerJoinType = 65;
inline constexpr unsigned char kPlayerLeaveType = 66;
inline constexpr unsigned char kSitOrLeaveType = 67;
inline constexpr unsigned char kGameResultType = 78;
inline constexpr unsigned char kSitDownRequestType = 149;
inline constexpr unsigned char kChatRequestType = 20;
inline constexpr unsigned char kRequestType = 24;
inline constexpr unsigned char kLeaveAnswerType = 38;
inline constexpr unsigned char kChatLineType = 49;
inline constexpr unsigned char kPlayerLeftType = 55;
inline constexpr unsigned char kAccountNoticeType = 68;
inline constexpr unsigned char kEscapeRequestType = 115;
inline constexpr unsigned char kEscapeQueryType = 125;
inline constexpr unsigned char kAutoPlayType = 126;
inline constexpr unsigned char kQuickChatType = 127;
inline constexpr unsigned char kWageNoticeType = 129;
inline constexpr unsigned char kServerTextType = 144;
inline constexpr unsigned char kGameStateType = 242;

// The longest message the client takes in; longer ones it cannot receive.
inline constexpr size_t kMaxClientMsgLen = 10364;
inline constexpr size_t kListHeaderLen = 12; // the header of pages and snapshots
// Entries that fit one page or snapshot: 123.
inline constexpr size_t kMaxEntriesPerMessage = (kMaxClientMsgLen - kListHeaderLen) / kPlayerEntryLen;

inline constexpr size_t kAuthRequestLen = 44;
inline constexpr size_t kAuthTokenLen = 32;
inline constexpr size_t kSitDownRequestLen = 44;
inline constexpr size_t kSitDownResponseLen = 104;
inline constexpr size_t kGameResultLen = 268;
inline constexpr size_t kGameOwnBytes = 124; // bytes 8..131
inline constexpr int kResultChairs = 10;
inline constexpr size_t kChatLen = 572;
inline constexpr size_t kChatTextLen = 512; // with its terminator
inline constexpr size_t kRequestLen = 276;
inline constexpr size_t kRequestWordLen = 259; // with its terminator
inline constexpr size_t kLeaveAnswerLen = 268;
inline constexpr size_t kPlayerLeftLen = 32;
inline constexpr size_t kAccountNoticeLen = 284;
inline constexpr size_t kAccountTextLen = 264; // bytes 16..279, with the terminator
inline constexpr size_t kServerTextLen = 572;
inline constexpr size_t kServerTextNameLen = 36;
inline constexpr size_t kServerTextTextLen = 515; // with the terminator
inline constexpr size_t kServerTextShown = 480;   // what the client accepts; longer ones it drops
inline constexpr size_t kQuickChatHeaderLen = 16;
inline constexpr size_t kQuickChatEntryLen = 196;
inline constexpr size_t kPhraseLen = 128; // each with its terminator
inline constexpr size_t kSoundDirLen = 32;
inline constexpr size_t kSoundFileLen = 32;
// Phrases that fit the client's largest message: 52.
inline constexpr size_t kMaxQuickChatEntries = (kMaxClientMsgLen - kQuickChatHeaderLen) / kQuickChatEntryLen;

inline constexpr std::uint8_t kReadyCallAll = 0xFF;

// The login-again response: its fixed fields, then the ten-entry snapshot at kAgainLoginFixedLen.
inline constexpr size_t kAgainLoginFixedLen = 300;
inline constexpr size_t kAgainLoginEntries = 10;
inline constexpr size_t kAgainLoginLen = kAgainLoginFixedLen + kAgainLoginEntries * kPlayerEntryLen;
// The chairs the per-chair flags of the login-again response cover.
inline constexpr int kAgainLoginChairs = 10;

// Byte 9 of the wait-login-again notice: the player dropped and may come back.
inline constexpr std::uint8_t kWaitMayReenter = 2;

enum class AuthResult : std::uint8_t
{
    Accepted = 0,
    AlreadyOnline = 1,  // another connection is this user; the first one stays
    Invalid = 2,        // too short, or a user id the server does not give out
    AlreadySettled = 3, // this connection is already another user
};

// Sit-down results: 1, 2 and 3 are success for the client.
enum class SitResult : std::uint8_t
{
    Seated = 1,
    Watching = 2,
    NoSuchTable = 4,
    NoSuchChair = 5,
    NoRoomToWatch = 6,
};

enum class SitMode : std::uint8_t
{
    Left = 0,
    Sat = 1,
};

// Answers to an ask-to-leave request (38) that the server gives; the client knows more.
enum class LeaveResult : std::uint8_t
{
    Done = 0,
    NotAtTable = 1,
    Repeated = 9,
    Looker = 10,
    Playing = 11,
};

// Sub-commands of a request (24).
enum class RequestKind : std::uint8_t
{
    AskToLeave = 0,
    Kick = 1,
    Chat = 2,
    Dismiss = 5,
};

// Reasons of a player-left notice (55): the client shows a box for 1 and 2.
enum class LeftReason : std::uint8_t
{
    Left = 0,
    Agreed = 1,
    Dissolved = 2,
};

struct SitDownResponse
{
    std::uint8_t result = 0;
    std::uint8_t table = 0;
    std::string nick; // GBK
    std::int8_t roomType = 0;
    std::int32_t baseTimes = 0;
    std::int32_t maxTimes = 0;
};

// The login-again response (36) that seats a returning player again.
struct AgainLogin
{
    std::uint8_t table = 0;
    std::uint8_t chair = 0;
    std::string nick; // GBK
    std::int8_t roomType = 0;
    std::int32_t baseTimes = 0;
    std::int32_t maxTimes = 0;
    std::vector<PlayerRecord> snapshot; // at most ten, the own one first
    // By chair: the player there is away (his connection dropped), the system plays for him.
    std::array<bool, kAgainLoginChairs> away{};
    std::array<bool, kAgainLoginChairs> systemPlays{};
    std::string game; // the game's own message, appended after the snapshot
};

struct GameResultMessage
{
    std::string gameBytes; // the game's own bytes 8..131; at most 124, the rest zero
    std::int32_t minutes = 0;
    std::int32_t timeReward = 0;
    std::array<std::int32_t, kResultChairs> x{};
    std::array<std::int32_t, kResultChairs> y{};
    std::array<std::int32_t, kResultChairs> z{};
    bool underAMinute = false;
};

// A chat line (20 from the client, 49 from the server).
struct ChatLine
{
    std::int32_t senderId = 0;
    std::string senderNick;    // GBK, at most 16 bytes
    std::int32_t targetId = 0; // 0: the whole table
    std::string targetNick;
    std::string text; // GBK, at most 511 bytes
    std::uint8_t kind = 0;
    std::int32_t requestValue = 0;
    std::uint8_t requestByte = 0;
};

struct ServerText
{
    std::int32_t id = 0;
    std::string name; // GBK, at most 35 bytes
    std::uint8_t kind = 0;
    std::string text; // GBK, at most 514 bytes
};

struct PlayerLeft
{
    std::uint8_t chair = kNoChair;
    std::int32_t userId = 0;
    LeftReason reason = LeftReason::Left;
    bool update = false; // the client takes the three numbers into its own record
    std::int32_t money = 0;
    std::int32_t amount = 0;
    std::int32_t wealth = 0;
};

struct AccountNotice
{
    std::uint8_t kind = 0;
    std::int32_t userId = 0;
    std::string text;       // GBK, at most 263 bytes
    std::int32_t value = 0; // kind 13
};

struct WageNotice
{
    std::uint8_t kind = 0;
    std::int32_t limit = 0;
    std::int32_t number = 0;
    std::int32_t amount = 0;
};

// One quick-chat phrase, GBK; the texts are cut to their places less the terminator.
struct QuickChatEntry
{
    std::string text;
    std::uint32_t value = 0;
    std::string folder;
    std::string file;
};

std::string EncodeAuthResponse(AuthResult result, std::int32_t userId);
std::string EncodeSitDownResponse(const SitDownResponse& response);
// One page of the all-players list with the given entries (at most kMaxEntriesPerMessage).
std::string EncodePlayerListPage(bool first, const std::vector<PlayerRecord>& entries);
// The whole list in pages of at most kMaxEntriesPerMessage entries; an empty list is one empty
// first page.
std::vector<std::string> EncodePlayerList(const std::vector<PlayerRecord>& players);
std::string EncodeTableSnapshot(const std::vector<PlayerRecord>& entries, std::uint8_t flag = 0);
std::string EncodeReadyNotice(std::uint8_t chair);
std::string EncodePlayerJoin(const PlayerRecord& player);
std::string EncodePlayerLeave(std::int32_t userId);
std::string EncodeSitOrLeave(std::int32_t userId, std::uint8_t table, std::uint8_t chair, SitMode mode);
std::string EncodeGameResult(const GameResultMessage& result);
// The login-again response that seats the own player again: the nick at 9, signed byte 48 room
// type, table at 220, chair at 221, int32 236 base times, at 240 the offset (300) of a ten-entry
// table snapshot and at 244 its entry count, per chair c byte 245 + c 1 when the player there is
// away and byte 255 + c 1 when the system plays for him, int32 288 max times; the snapshot holds
// the given entries (at most ten), the own one first; the game's message follows it, at 1140.
std::string EncodeAgainLogin(const AgainLogin& again);
// The same with only the seat and the snapshot filled.
std::string EncodeAgainLogin(std::uint8_t table, std::uint8_t chair, const std::string& nick,
                             const std::vector<PlayerRecord>& snapshot);
std::string EncodeWaitLoginAgain(std::uint8_t chair, std::uint8_t state = kWaitMayReenter);

std::string EncodeChatLine(const ChatLine& line);
std::string EncodeServerText(const ServerText& text);
std::string EncodeLeaveAnswer(LeaveResult result, std::int8_t targetSex, std::string_view text = {});
std::string EncodePlayerLeft(const PlayerLeft& left);
std::string EncodeAccountNotice(const AccountNotice& notice);
std::string EncodeWageNotice(const WageNotice& notice);
std::string EncodeAutoPlay(std::uint8_t chair, std::uint8_t mode);
std::string EncodeEscapeQuery(std::int8_t state);
// At most kMaxQuickChatEntries entries; the rest are left out.
std::string EncodeQuickChat(const std::vector<QuickChatEntry>& entries);

struct AuthRequest
{
    std::int32_t userId = 0;
    std::string token; // up to its first zero byte
};

struct SitDownRequest
{
    std::uint8_t table = 0;
    std::uint8_t chair = 0;
};

struct Request
{
    std::int32_t targetId = 0;
    std::uint8_t kind = 0; // RequestKind
    std::string word;      // up to its first zero byte
    std::int32_t value = 0;
};

struct EscapeRequest
{
    std::uint8_t state = 0;   // byte 8: 2 or 3 for a confirmed escape, 0 otherwise
    std::uint8_t confirm = 0; // byte 9
};

// Each decoder checks the type and that the message holds every byte it reads; false otherwise.
bool DecodeAuthRequest(std::string_view msg, AuthRequest& out);
bool DecodeSitDownRequest(std::string_view msg, SitDownRequest& out);
bool DecodeReadyAnswer(std::string_view msg);
bool DecodeChatLine(std::string_view msg, ChatLine& out); // 20 or 49
bool DecodeRequest(std::string_view msg, Request& out);
bool DecodeEscapeRequest(std::string_view msg, EscapeRequest& out);
bool DecodeGameState(std::string_view msg, std::uint8_t& state);

// The client's side of the same conventions, for scripts and tests that play a client.
std::string EncodeAuthRequest(std::int32_t userId, std::string_view token = {});
std::string EncodeSitDownRequest(std::uint8_t table, std::uint8_t chair);
std::string EncodeReadyAnswer();
std::string EncodeChatRequest(const ChatLine& line);
std::string EncodeRequest(const Request& request);
std::string EncodeEscapeRequest(std::uint8_t state, std::uint8_t confirm);
std::string EncodeGameState(std::uint8_t state);

} // namespace devserver
