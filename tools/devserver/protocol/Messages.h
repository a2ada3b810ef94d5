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
//   36 login-again response     1140 bytes (see EncodeAgainLogin)
//   52 table snapshot           byte 8 entry count, byte 9 flag, entries from 12
//   53 ready notice             12 bytes: byte 8 the ready chair, 0xFF the general ready call
//   65 player joins             88 bytes: entry bytes 0..59 at 8, entry bytes 62..64 at 68,
//                               entry int32 fields 68, 72, 76, 80 at 72, 76, 80, 84
//   66 player leaves            12 bytes: int32 user id at 8
//   67 player sits or leaves    16 bytes: int32 user id at 8, byte 12 table, 13 chair, 14 mode
//   78 game result              268 bytes: the game's own bytes 8..131, int32 minutes at 132,
//                               time reward at 136, per chair c X at 140+4c, Y at 180+4c, Z at
//                               220+4c, byte 264 nonzero when the game lasted under a minute
// Client to server:
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
inline constexpr unsigned char kPlayerJoinType = 65;
inline constexpr unsigned char kPlayerLeaveType = 66;
inline constexpr unsigned char kSitOrLeaveType = 67;
inline constexpr unsigned char kGameResultType = 78;
inline constexpr unsigned char kSitDownRequestType = 149;

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

inline constexpr std::uint8_t kReadyCallAll = 0xFF;

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

struct SitDownResponse
{
    std::uint8_t result = 0;
    std::uint8_t table = 0;
    std::string nick; // GBK
    std::int8_t roomType = 0;
    std::int32_t baseTimes = 0;
    std::int32_t maxTimes = 0;
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
// The login-again response that seats the own player again: the nick at 9, table at 220, chair
// at 221, at 240 the offset (300) of a ten-entry table snapshot and at 244 its entry count; the
// snapshot holds the given entries (at most ten), the own one first.
std::string EncodeAgainLogin(std::uint8_t table, std::uint8_t chair, const std::string& nick,
                             const std::vector<PlayerRecord>& snapshot);

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

// Each decoder checks the type and that the message holds every byte it reads; false otherwise.
bool DecodeAuthRequest(std::string_view msg, AuthRequest& out);
bool DecodeSitDownRequest(std::string_view msg, SitDownRequest& out);
bool DecodeReadyAnswer(std::string_view msg);

// The client's side of the same conventions, for scripts and tests that play a client.
std::string EncodeAuthRequest(std::int32_t userId, std::string_view token = {});
std::string EncodeSitDownRequest(std::uint8_t table, std::uint8_t chair);
std::string EncodeReadyAnswer();

} // namespace devserver
