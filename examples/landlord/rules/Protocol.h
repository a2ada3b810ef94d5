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
    MSG_RESTORE = 220,      // server, to a player who comes back: the round as he needs it to go on
};

// A chair field that names nobody.
inline constexpr std::uint8_t kNoChair = 0xFF;

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

// Everything a returning player's client needs to go on with the round as if it had never gone.
// Per-chair arrays are by chair.
struct RestoreMsg
{
    std::uint32_t round = 0;
    std::uint8_t ownChair = 0;
    bool playing = false; // false: bidding
    std::uint8_t firstBidder = 0;
    std::uint8_t highestBid = 0;
    int bids[kPlayers] = {-1, -1, -1}; // -1 none yet, 0 a pass
    int landlord = -1;                 // -1 none yet (bidding)
    Cards keptBack;                    // the three, once the landlord is known
    Cards hand;                        // the own cards
    std::uint8_t left[kPlayers] = {};  // cards each chair holds
    std::uint8_t turn = 0;             // the chair to move
    bool leads = false;                // he leads: any play, no pass
    std::uint8_t seconds = 0;          // left of his turn
    int toBeatChair = -1;              // who laid the play to beat; -1 none
    Cards toBeat;
    Cards trick[kPlayers]; // what each chair laid in the current trick
    bool passed[kPlayers] = {};
    std::uint32_t multiple = 1; // 1 while bidding
    std::uint8_t doublings = 0;
    bool systemPlays[kPlayers] = {};
};

std::string Encode(const DealMsg& m);
std::string Encode(MsgType type, const TurnMsg& m);
std::string Encode(MsgType type, const BidMsg& m);
std::string Encode(const LandlordMsg& m);
std::string Encode(MsgType type, const PlayMsg& m);
std::string Encode(const RefusedMsg& m);
std::string Encode(const RoundEndMsg& m);
// Fields beyond what their place holds (more than 20 cards) are cut to it.
std::string Encode(const RestoreMsg& m);

// The type byte of a message (byte 1 of the header), 0 for one too short.
int TypeOf(const unsigned char* msg, std::size_t len);
bool Decode(const unsigned char* msg, std::size_t len, DealMsg& out);
bool Decode(const unsigned char* msg, std::size_t len, TurnMsg& out);
bool Decode(const unsigned char* msg, std::size_t len, BidMsg& out);
bool Decode(const unsigned char* msg, std::size_t len, LandlordMsg& out);
bool Decode(const unsigned char* msg, std::size_t len, PlayMsg& out);
bool Decode(const unsigned char* msg, std::size_t len, RefusedMsg& out);
bool Decode(const unsigned char* msg, std::size_t len, RoundEndMsg& out);
// Also refuses a restore that contradicts itself: a hand of another size than the own cards
// left, a landlord in the bidding or none in the play, a play to beat without its chair.
bool Decode(const unsigned char* msg, std::size_t len, RestoreMsg& out);

// The game's message embedded in a login-again response (the table protocol's 36): the snapshot
// offset at 240 (int32) must lie inside the message with its 840 bytes, and right after them a
// whole MSG_RESTORE (its header's length within the message). False when there is none or it does
// not fit; block and blockLen are then left alone.
bool FindRestore(const unsigned char* msg36, std::size_t len, const unsigned char*& block, std::size_t& blockLen);

} // namespace landlord
