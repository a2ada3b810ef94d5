// The two 572-byte text records of the table protocol: ChatMsg, a line of table or private chat
// (sent as type 20, received as type 49), and ChatInfo, a server text (type 144: bulletins, horn
// shouts, invitations), which is also what the top bulletin shows.
//
// Both mirror their wire layout, header included, so a record's offsets are the message's. Their
// 32-bit numbers are big-endian on the wire and host order in the record. The readers take a
// received message of any length: the record gets the bytes the message holds and zeros for the
// rest, so a short message can never be read past. Texts are GBK and zero-terminated when shorter
// than their field; read them with FieldText, which stops at the field's end when the terminator
// is missing.
#pragma once

#include "tessaro/app/LaunchData.h"
#include "tessaro/session/GameMsg.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace Ostra
{

inline constexpr int kChatRecordLen = 572;

struct ChatMsg
{
    char cHead[kGameMsgHeadLen]; // the message header as received
    std::int32_t iSendId;        // 0 on a private line that could not be delivered
    char szSendNick[16];         // GBK
    std::int32_t iRecvId;        // 0 for a public line
    char szRecvNick[16];         // GBK
    char szText[512];            // GBK
    std::uint8_t cKind;          // what the line is (table chat, a call, a game master's line...)
    char cReserved561[3];
    std::int32_t iReqValue; // for game-master requests
    std::uint8_t cReqByte;  // for game-master requests
    char cReserved569[3];
};

struct ChatInfo
{
    char cHead[kGameMsgHeadLen]; // the message header as received
    std::int32_t iId;            // not used by the library
    char szName[36];             // GBK: the sender or the inviter
    std::uint8_t cKind;          // what the text is: a horn, a bulletin, an invitation...
    char cReserved49[8];
    char szText[515]; // GBK; becomes the formatted line once handled
};

static_assert(offsetof(ChatMsg, iSendId) == 8);
static_assert(offsetof(ChatMsg, szSendNick) == 12);
static_assert(offsetof(ChatMsg, iRecvId) == 28);
static_assert(offsetof(ChatMsg, szRecvNick) == 32);
static_assert(offsetof(ChatMsg, szText) == 48);
static_assert(offsetof(ChatMsg, cKind) == 560);
static_assert(offsetof(ChatMsg, iReqValue) == 564);
static_assert(offsetof(ChatMsg, cReqByte) == 568);
static_assert(sizeof(ChatMsg) == kChatRecordLen);
static_assert(offsetof(ChatInfo, iId) == 8);
static_assert(offsetof(ChatInfo, szName) == 12);
static_assert(offsetof(ChatInfo, cKind) == 48);
static_assert(offsetof(ChatInfo, szText) == 57);
static_assert(sizeof(ChatInfo) == kChatRecordLen);

// The record of a received message: every field the message holds, zeros for what lies past its
// end (a message longer than the record has its tail ignored). Returns the message bytes taken
// into the record (0 to 572).
long ReadChatMsg(const MsgView& msg, ChatMsg* out);
long ReadChatInfo(const MsgView& msg, ChatInfo* out);

// The text of a whole field: up to its first zero byte, or the whole field without one (FieldText
// of tessaro/app/LaunchData.h with the field's size).
template <std::size_t N> std::string FieldText(const char (&field)[N])
{
    return FieldText(field, N);
}

} // namespace Ostra
