// PlayerNode: one player as the game window keeps it, for the players of the table and of the
// whole game server.
//
// On the wire a player is an 84-byte entry; the record declares the entry's fields in the same
// order and widths, so its offsets are the entry's, followed by iOfflineState, which exists only
// in the record. The entry's 32-bit numbers are big-endian and become host order in the record;
// iUserType keeps the bytes as they arrived; the entry's unused gaps are not carried over (the
// record's cReserved fields stay zero).
//
// A record with iUserId 0 is empty.
#pragma once

#include "tessaro/session/GameMsg.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace Ostra
{

inline constexpr int kPlayerEntryLen = 84;

struct PlayerNode
{
    std::int32_t iUserId;       // 0 marks an empty record
    char szNickName[16];        // GBK, zero-terminated only when shorter than 16 bytes
    std::int8_t cSex;           // its parity selects the default picture set
    char cReserved21[3];        // a gap of the entry, not carried over
    std::int32_t iAmount;       // strength score
    std::int32_t iMoney;        // game money
    std::int8_t cTableId;       // table number, 0 when at no table
    std::int8_t cChairId;       // server chair, -1 when not seated
    char cReserved34[2];        // a gap of the entry, not carried over
    std::int32_t iWinNum;       // games won
    std::int32_t iLoseNum;      // games lost
    std::int8_t cHeadType;      // picture kind
    std::int8_t cHeadId;        // chosen head picture, 0 or less for none
    std::int8_t cStatus;        // display byte, as received
    char cReserved47;           // a gap of the entry, not carried over
    std::uint32_t iUserType;    // user-type bits in wire byte order (IsUserType tests them)
    char cReserved52[7];        // a gap of the entry, not carried over
    std::int8_t cMemberLevel;   // paid membership level, 0 for none
    std::int8_t cWatchChairId;  // the chair this looker watches, -1 when none
    std::int8_t cReady;         // 1 when declared ready
    std::int8_t cBadge;         // display flag
    std::int8_t cExtra;         // display byte
    std::int8_t cAreaId;        // region id
    char cReserved65[3];        // a gap of the entry, not carried over
    std::int32_t iPlayTime;     // total playing time
    std::int32_t iCMValue;      // CM value
    std::int32_t iDrawNum;      // games drawn
    std::int32_t iWealth;       // wealth score
    std::int32_t iOfflineState; // not on the wire: 0 dropped and may re-enter, 1 forced out
};

static_assert(offsetof(PlayerNode, szNickName) == 4);
static_assert(offsetof(PlayerNode, cSex) == 20);
static_assert(offsetof(PlayerNode, iAmount) == 24);
static_assert(offsetof(PlayerNode, cTableId) == 32);
static_assert(offsetof(PlayerNode, cChairId) == 33);
static_assert(offsetof(PlayerNode, iWinNum) == 36);
static_assert(offsetof(PlayerNode, cHeadType) == 44);
static_assert(offsetof(PlayerNode, iUserType) == 48);
static_assert(offsetof(PlayerNode, cMemberLevel) == 59);
static_assert(offsetof(PlayerNode, cAreaId) == 64);
static_assert(offsetof(PlayerNode, iPlayTime) == 68);
static_assert(offsetof(PlayerNode, iWealth) == 80);
static_assert(offsetof(PlayerNode, iOfflineState) == kPlayerEntryLen);
static_assert(sizeof(PlayerNode) == kPlayerEntryLen + 4);

// Fills *out from the wire entry at entry, of which `available` bytes may be read. False, with
// *out untouched, when fewer than 84 bytes are available; nothing past the 84 bytes is read. The
// whole record is rewritten: gaps zero, iOfflineState 0.
inline bool ParsePlayerEntry(const void* entry, long available, PlayerNode* out)
{
    if (!entry || !out || available < kPlayerEntryLen)
        return false;
    const auto* p = static_cast<const unsigned char*>(entry);
    auto be32 = [p](int off) { return static_cast<std::int32_t>(GetBE32(p + off)); };
    auto s8 = [p](int off) { return static_cast<std::int8_t>(p[off]); };
    PlayerNode node{};
    node.iUserId = be32(0);
    std::memcpy(node.szNickName, p + 4, sizeof(node.szNickName));
    node.cSex = s8(20);
    node.iAmount = be32(24);
    node.iMoney = be32(28);
    node.cTableId = s8(32);
    node.cChairId = s8(33);
    node.iWinNum = be32(36);
    node.iLoseNum = be32(40);
    node.cHeadType = s8(44);
    node.cHeadId = s8(45);
    node.cStatus = s8(46);
    std::memcpy(&node.iUserType, p + 48, sizeof(node.iUserType));
    node.cMemberLevel = s8(59);
    node.cWatchChairId = s8(60);
    node.cReady = s8(61);
    node.cBadge = s8(62);
    node.cExtra = s8(63);
    node.cAreaId = s8(64);
    node.iPlayTime = be32(68);
    node.iCMValue = be32(72);
    node.iDrawNum = be32(76);
    node.iWealth = be32(80);
    *out = node;
    return true;
}

// The same for the entry at offset off of a received message; false when the entry does not lie
// wholly inside the message.
inline bool ParsePlayerEntry(const MsgView& msg, long off, PlayerNode* out)
{
    if (!msg.Has(off, kPlayerEntryLen))
        return false;
    return ParsePlayerEntry(msg.Data() + off, kPlayerEntryLen, out);
}

// The nick name as text: at most 16 bytes, up to the first zero byte.
inline std::size_t NickNameLength(const PlayerNode& node)
{
    const void* zero = std::memchr(node.szNickName, 0, sizeof(node.szNickName));
    return zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - node.szNickName) : sizeof(node.szNickName);
}

} // namespace Ostra
