// The demo game's own messages, between its client and its server side (docs/LANDLORD.md has the
// layout of each and who sends it when). Every message starts with the table protocol's 8-byte
// header; the encoders leave it zero for the sender to fill (the client's SendNetMessage, the
// server's framing). Numbers are big-endian. The decoders read a whole message, header included,
// check its length before every field, and refuse (false) what does not fit: a short message, a
// card that is no card, a count beyond its field.
#pragma once

#include "examples/landlord/rules/Round.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace landlord
{

inline constexpr int kHeaderLen = 8;
inline constexpr int kMaxPlayCards = 20;

enum MsgType : std::uint8_t
{
    MSG_DEAL = 210,         // server: the own 17 cards of a new deal
    MSG_BID_TURN = 211,     // server: whose bid it is
    MSG_BID_REQ = 212,      // client: the own bid
    MSG_BID_NOTICE = 213,   // server: a bid made
    MSG_LANDLORD = 214,     // server: the landlord, his bid and the three cards kept back
    MSG_PLAY_TURN = 215,    // server: whose play it is
    MSG_PLAY_REQ = 216,     // client: the own play (no cards: a pass)
    MSG_PLAY_NOTICE = 217,  // server: a play made (or a pass)
    MSG_PLAY_REFUSED = 218, // server: the own bid or play was refused, and why
    MSG_ROUND_END = 219,    // server: the outcome and the settlement
};

struct DealMsg
{
    std::uint32_t round = 0;
    std::uint8_t firstBidder = 0; // chair
    std::uint8_t ownChair = 0;
    Cards cards; // 17
};
struct TurnMsg // bid turn and play turn
{
    std::uint8_t chair = 0;
    std::uint8_t value = 0;   // the highest bid so far (bid turn); 1 when the chair leads (play turn)
    std::uint8_t seconds = 0; // time for the move
};
struct BidMsg // bid request (chair unused) and bid notice
{
    std::uint8_t chair = 0;
    std::uint8_t points = 0; // 0 a pass
};
struct LandlordMsg
{
    std::uint8_t chair = 0;
    std::uint8_t bid = 0;
    Cards keptBack; // 3
};
struct PlayMsg // play request (chair, left, bySystem and multiple unused) and play notice
{
    std::uint8_t chair = 0;
    Cards cards;                // empty: a pass
    std::uint8_t left = 0;      // cards the chair holds after it
    bool bySystem = false;      // the server played for an absent player
    std::uint32_t multiple = 0; // the stake's multiple so far
};
struct RefusedMsg
{
    std::uint8_t error = 0; // a PlayError
};
struct RoundEndMsg
{
    std::uint8_t landlord = 0;
    bool landlordWon = false;
    bool spring = false;
    bool antiSpring = false;
    std::uint8_t bid = 0;
    std::uint8_t doublings = 0;
    std::uint32_t multiple = 0;
    std::int32_t delta[kPlayers] = {}; // money by chair
    Cards hands[kPlayers];             // what each chair still held
};

std::string Encode(const DealMsg& m);
std::string Encode(MsgType type, const TurnMsg& m);
std::string Encode(MsgType type, const BidMsg& m);
std::string Encode(const LandlordMsg& m);
std::string Encode(MsgType type, const PlayMsg& m);
std::string Encode(const RefusedMsg& m);
std::string Encode(const RoundEndMsg& m);

// The type byte of a message (byte 1 of the header), 0 for one too short.
int TypeOf(const unsigned char* msg, std::size_t len);
bool Decode(const unsigned char* msg, std::size_t len, DealMsg& out);
bool Decode(const unsigned char* msg, std::size_t len, TurnMsg& out);
bool Decode(const unsigned char* msg, std::size_t len, BidMsg& out);
bool Decode(const unsigned char* msg, std::size_t len, LandlordMsg& out);
bool Decode(const unsigned char* msg, std::size_t len, PlayMsg& out);
bool Decode(const unsigned char* msg, std::size_t len, RefusedMsg& out);
bool Decode(const unsigned char* msg, std::size_t len, RoundEndMsg& out);

} // namespace landlord
