// One player as the server keeps it and as the table protocol carries it: the 84-byte player
// entry of the player list (35), the table snapshot (52), the join notice (65, in a shorter
// layout) and the login-again response (36).
//
// Entry layout (offsets within the entry; 32-bit numbers big-endian unless noted):
//    0 user id              24 strength score (iAmount)   28 money
//    4 nick, 16 bytes GBK   32 table (0: none)            33 chair (0xFF: not seated)
//   20 sex                  36 wins                       40 losses
//   44 head kind            45 head picture               46 status byte
//   48 user-type bits, 4 bytes in the order the client reads them as a number on its
//      little-endian host (so bit value 4 is the low bit 2 of byte 48)
//   59 membership level     60 watched chair (0xFF: none) 61 ready (1)
//   62 badge                63 extra byte                 64 region
//   68 playing time         72 CM value                   76 draws        80 wealth
// Every other byte is zero.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace devserver
{

inline constexpr int kPlayerEntryLen = 84;
inline constexpr size_t kNickLen = 16;
inline constexpr std::uint8_t kNoChair = 0xFF;
// The game-master rights among the user-type bits (the client's bGmRightA and bGmRightB).
inline constexpr std::uint32_t kGmRightBits = 4 | 8;

struct PlayerRecord
{
    std::int32_t userId = 0;
    std::string nick; // GBK, at most kNickLen bytes
    std::int8_t sex = 0;
    std::int32_t amount = 0; // strength score
    std::int32_t money = 0;
    std::uint8_t table = 0; // 0: at no table
    std::uint8_t chair = kNoChair;
    std::int32_t wins = 0;
    std::int32_t losses = 0;
    std::int8_t headType = 0;
    std::int8_t headId = 0;
    std::int8_t status = 0;
    std::uint32_t userType = 0;
    std::int8_t memberLevel = 0;
    std::uint8_t watchChair = kNoChair;
    std::uint8_t ready = 0;
    std::int8_t badge = 0;
    std::int8_t extra = 0;
    std::int8_t area = 0;
    std::int32_t playTime = 0;
    std::int32_t cmValue = 0;
    std::int32_t draws = 0;
    std::int32_t wealth = 0;
};

// Money plus a change, held within the 32 bits the record has.
std::int32_t AddMoney(std::int32_t money, std::int32_t change);

// The 84-byte wire entry. A nick longer than 16 bytes is cut to 16.
std::string EncodePlayerEntry(const PlayerRecord& record);

// A nick as a file or a command line gives it (UTF-8) turned into its wire form (GBK, at most 16
// bytes). False, with error set, for an empty nick, characters without a GBK form, or one that
// is too long.
bool NickFromUtf8(std::string_view utf8, std::string& gbk, std::string& error);

// Any other text given in UTF-8 (a phrase, an operator's line) in its GBK form of at most maxBytes
// bytes; what names it in the error ("the phrase"). False, with error set, for characters
// without a GBK form or a text too long. An empty text is fine.
bool TextFromUtf8(std::string_view utf8, size_t maxBytes, const std::string& what, std::string& gbk,
                  std::string& error);

} // namespace devserver
