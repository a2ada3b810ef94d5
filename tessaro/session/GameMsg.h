// The game message: every table-protocol message between a game and its game server starts with
// the same 8-byte header, all numbers big-endian:
//
//   byte 0     cVersion, always 3
//   byte 1     type, 0..255 (the catalogue below)
//   bytes 2-3  reserved, zero in every message the library builds
//   bytes 4-7  body length: the whole message's length minus 8
//
// Offsets into a message count from its first byte, header included. Handlers receive a message as
// (msg, len): its address as an integer and its length in bytes; they read only inside len, which
// MsgView below makes easy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace Ostra
{

inline constexpr unsigned char kGameMsgVersion = 3;
inline constexpr int kGameMsgHeadLen = 8;

// Message types. In: server to client; out: client to server. Types that the table does not list
// as incoming are free for a game's own messages, which reach its HandleGameMessage.
enum GameMsgType : int
{
    MSG_TEST_NET = 1,                   // in/out: net-speed probe and delays (20 bytes)
    MSG_GAME_ALT = 17,                  // out: a games' type, also written on the second connection
    MSG_CHAT_REQ = 20,                  // out: chat and call requests (572 bytes)
    MSG_KICK_REQ = 24,                  // out: kick and game-master requests (276 bytes)
    MSG_KEEP_ALIVE = 26,                // out: keep-alive every 15 s (12 bytes)
    MSG_READY_ANSWER = 27,              // out: ready answer (12 bytes)
    MSG_AUTHEN_RES = 33,                // in
    MSG_SIT_DOWN_RES = 34,              // in
    MSG_PLAYER_INFO_RES = 35,           // in
    MSG_AGAIN_LOGIN_RES = 36,           // in
    MSG_KICK_PLAYER_RES = 38,           // in
    MSG_CHAT_INFO_NOTICE = 49,          // in: table chat
    MSG_PLAYER_INFO_NOTICE = 52,        // in
    MSG_READY_NOTICE = 53,              // in
    MSG_WAIT_LOGIN_AGAIN_NOTICE = 54,   // in
    MSG_ESCAPE_NOTICE = 55,             // in
    MSG_PLAYER_JOIN_SERVER = 65,        // in
    MSG_PLAYER_LEAVE_SERVER = 66,       // in
    MSG_PLAYER_SORL_SERVER = 67,        // in
    MSG_KICK_OUT_SERVER = 68,           // in
    MSG_GAME_RESULT_SERVER = 78,        // in
    MSG_SEE_CARDS_REQ = 113,            // out (12 bytes)
    MSG_ESCAPE_REQ = 115,               // out (12 bytes)
    MSG_ESCAPE_GAME_STATE_NOTICE = 125, // in
    MSG_AUTO_SEND_NOTICE = 126,         // in
    MSG_QUICK_CHAT_INFO_RES = 127,      // in: handled by the table view
    MSG_PRESENT_MONEY_SERVER = 129,     // in
    MSG_CHAT_INFO_RES = 144,            // in: server texts
    MSG_SIT_DOWN_REQ = 149,             // out (44 bytes)
    MSG_PLAYER_INFO_CHANGE = 241,       // out (40 bytes)
    MSG_GAME_STATE_CHANGE = 242,        // out (12 bytes)
};

inline std::uint16_t GetBE16(const unsigned char* p)
{
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

inline std::uint32_t GetBE32(const unsigned char* p)
{
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | static_cast<std::uint32_t>(p[3]);
}

inline void PutBE32(unsigned char* p, std::uint32_t v)
{
    p[0] = static_cast<unsigned char>(v >> 24);
    p[1] = static_cast<unsigned char>(v >> 16);
    p[2] = static_cast<unsigned char>(v >> 8);
    p[3] = static_cast<unsigned char>(v);
}

// Writes the header of a message of len bytes (len - 8 as the body length) into msg[0..7]; the
// reserved bytes are left as they are.
inline void WriteGameMsgHead(void* msg, int type, int len)
{
    auto* p = static_cast<unsigned char*>(msg);
    p[0] = kGameMsgVersion;
    p[1] = static_cast<unsigned char>(type);
    PutBE32(p + 4, static_cast<std::uint32_t>(len - kGameMsgHeadLen));
}

// A received message seen through its length: every read names its offset and size and yields
// zero (or false) outside the message, so a short or hostile message can never be read past.
class MsgView
{
public:
    MsgView(std::uintptr_t msg, long len)
        : m_p(reinterpret_cast<const unsigned char*>(msg)), m_len(msg != 0 && len > 0 ? len : 0)
    {
    }
    MsgView(const void* msg, long len) : MsgView(reinterpret_cast<std::uintptr_t>(msg), len) {}

    long Length() const { return m_len; }
    const unsigned char* Data() const { return m_p; }
    // Whether the n bytes at offset off lie inside the message.
    bool Has(long off, long n) const { return off >= 0 && n >= 0 && off <= m_len && n <= m_len - off; }

    unsigned char Version() const { return Byte(0); }
    int Type() const { return Byte(1); }
    unsigned char Byte(long off) const { return Has(off, 1) ? m_p[off] : 0; }
    signed char SignedByte(long off) const { return static_cast<signed char>(Byte(off)); }
    std::uint32_t BE32(long off) const { return Has(off, 4) ? GetBE32(m_p + off) : 0; }
    std::int32_t BE32Signed(long off) const { return static_cast<std::int32_t>(BE32(off)); }
    // Copies n bytes at off into out; false (out untouched) when they are not all inside.
    bool Copy(long off, void* out, long n) const
    {
        if (!Has(off, n))
            return false;
        std::memcpy(out, m_p + off, static_cast<std::size_t>(n));
        return true;
    }

private:
    const unsigned char* m_p;
    long m_len;
};

} // namespace Ostra
