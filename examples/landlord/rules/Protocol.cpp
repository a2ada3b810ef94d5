#include "examples/landlord/rules/Protocol.h"

#include <algorithm>

namespace landlord
{

namespace
{

constexpr std::size_t kDealLen = 32;
constexpr std::size_t kShortLen = 12;
constexpr std::size_t kLandlordLen = 16;
constexpr std::size_t kPlayLen = 36;
constexpr std::size_t kRoundEndLen = 96;
constexpr std::size_t kHandField = 1 + kMaxPlayCards; // a count and up to 20 cards

// The restore: see docs/LANDLORD.md for the layout.
constexpr std::size_t kRestoreLen = 144;
constexpr std::size_t kRestoreBids = 16;
constexpr std::size_t kRestoreKeptBack = 20;
constexpr std::size_t kRestoreMultiple = 28;
constexpr std::size_t kRestoreLeft = 32;
constexpr std::size_t kRestoreHand = 36;
constexpr std::size_t kRestoreToBeat = 57;
constexpr std::size_t kRestoreTrick = 78; // per chair: passed byte, then a card field
constexpr std::size_t kRestoreTrickField = 1 + kHandField;

// The login-again response of the table protocol: where it says its snapshot is, and how long
// that is.
constexpr std::size_t kAgainLoginType = 36;
constexpr std::size_t kAgainLoginSnapshotAt = 240;
constexpr std::size_t kAgainLoginSnapshotLen = 840;

std::uint8_t ChairByte(int chair)
{
    return chair >= 0 && chair < kPlayers ? static_cast<std::uint8_t>(chair) : kNoChair;
}

std::string Blank(MsgType type, std::size_t len)
{
    std::string msg(len, '\0');
    msg[1] = static_cast<char>(type);
    return msg;
}

void Put32(std::string& msg, std::size_t at, std::uint32_t v)
{
    for (std::size_t i = 0; i < 4; ++i)
        msg[at + i] = static_cast<char>((v >> (24 - 8 * i)) & 0xFF);
}

std::uint32_t Get32(const unsigned char* msg, std::size_t at)
{
    return static_cast<std::uint32_t>(msg[at]) << 24 | static_cast<std::uint32_t>(msg[at + 1]) << 16 |
           static_cast<std::uint32_t>(msg[at + 2]) << 8 | msg[at + 3];
}

// A count at `at` and up to `max` cards after it; the count is cut to the field.
void PutCards(std::string& msg, std::size_t at, const Cards& cards, std::size_t max)
{
    const std::size_t n = std::min(cards.size(), max);
    msg[at] = static_cast<char>(n);
    for (std::size_t i = 0; i < n; ++i)
        msg[at + 1 + i] = static_cast<char>(cards[i]);
}

bool GetCards(const unsigned char* msg, std::size_t at, std::size_t max, Cards& out)
{
    const std::size_t n = msg[at];
    if (n > max)
        return false;
    out.assign(msg + at + 1, msg + at + 1 + n);
    return AreDistinctCards(out);
}

bool Fits(const unsigned char* msg, std::size_t len, std::size_t need, MsgType type)
{
    return msg && len >= need && msg[1] == type;
}

} // namespace

std::string Encode(const DealMsg& m)
{
    std::string msg = Blank(MSG_DEAL, kDealLen);
    Put32(msg, 8, m.round);
    msg[12] = static_cast<char>(m.firstBidder);
    msg[13] = static_cast<char>(m.ownChair);
    PutCards(msg, 14, m.cards, kHandSize);
    return msg;
}

std::string Encode(MsgType type, const TurnMsg& m)
{
    std::string msg = Blank(type, kShortLen);
    msg[8] = static_cast<char>(m.chair);
    msg[9] = static_cast<char>(m.value);
    msg[10] = static_cast<char>(m.seconds);
    return msg;
}

std::string Encode(MsgType type, const BidMsg& m)
{
    std::string msg = Blank(type, kShortLen);
    msg[8] = static_cast<char>(m.chair);
    msg[9] = static_cast<char>(m.points);
    return msg;
}

std::string Encode(const LandlordMsg& m)
{
    std::string msg = Blank(MSG_LANDLORD, kLandlordLen);
    msg[8] = static_cast<char>(m.chair);
    msg[9] = static_cast<char>(m.bid);
    for (std::size_t i = 0; i < m.keptBack.size() && i < kKeptBack; ++i)
        msg[10 + i] = static_cast<char>(m.keptBack[i]);
    return msg;
}

std::string Encode(MsgType type, const PlayMsg& m)
{
    std::string msg = Blank(type, kPlayLen);
    const std::size_t n = std::min<std::size_t>(m.cards.size(), kMaxPlayCards);
    msg[8] = static_cast<char>(m.chair);
    msg[9] = static_cast<char>(n);
    msg[10] = static_cast<char>(m.left);
    msg[11] = m.bySystem ? 1 : 0;
    for (std::size_t i = 0; i < n; ++i)
        msg[12 + i] = static_cast<char>(m.cards[i]);
    Put32(msg, 32, m.multiple);
    return msg;
}

std::string Encode(const RefusedMsg& m)
{
    std::string msg = Blank(MSG_PLAY_REFUSED, kShortLen);
    msg[8] = static_cast<char>(m.error);
    return msg;
}

std::string Encode(const RoundEndMsg& m)
{
    std::string msg = Blank(MSG_ROUND_END, kRoundEndLen);
    msg[8] = static_cast<char>(m.landlord);
    msg[9] = m.landlordWon ? 1 : 0;
    msg[10] = m.spring ? 1 : 0;
    msg[11] = m.antiSpring ? 1 : 0;
    msg[12] = static_cast<char>(m.bid);
    msg[13] = static_cast<char>(m.doublings);
    Put32(msg, 16, m.multiple);
    for (int i = 0; i < kPlayers; ++i)
    {
        Put32(msg, 20 + 4 * static_cast<std::size_t>(i), static_cast<std::uint32_t>(m.delta[i]));
        PutCards(msg, 32 + kHandField * static_cast<std::size_t>(i), m.hands[i], kMaxPlayCards);
    }
    return msg;
}

std::string Encode(const RestoreMsg& m)
{
    std::string msg = Blank(MSG_RESTORE, kRestoreLen);
    Put32(msg, 8, m.round);
    msg[12] = static_cast<char>(m.ownChair);
    msg[13] = m.playing ? 1 : 0;
    msg[14] = static_cast<char>(m.firstBidder);
    msg[15] = static_cast<char>(m.highestBid);
    const bool landlord = m.landlord >= 0 && m.landlord < kPlayers;
    msg[19] = static_cast<char>(ChairByte(m.landlord));
    for (std::size_t i = 0; i < kKeptBack; ++i)
        msg[kRestoreKeptBack + i] = static_cast<char>(landlord && i < m.keptBack.size() ? m.keptBack[i] : kNoChair);
    msg[23] = static_cast<char>(m.turn);
    msg[24] = m.leads ? 1 : 0;
    msg[25] = static_cast<char>(m.seconds);
    msg[26] = static_cast<char>(m.doublings);
    Put32(msg, kRestoreMultiple, m.multiple);
    std::uint8_t systemPlays = 0;
    for (int c = 0; c < kPlayers; ++c)
    {
        const auto i = static_cast<std::size_t>(c);
        msg[kRestoreBids + i] = static_cast<char>(m.bids[c] >= 0 && m.bids[c] <= 3 ? m.bids[c] : kNoChair);
        msg[kRestoreLeft + i] = static_cast<char>(m.left[c]);
        msg[kRestoreTrick + kRestoreTrickField * i] = m.passed[c] ? 1 : 0;
        PutCards(msg, kRestoreTrick + kRestoreTrickField * i + 1, m.trick[c], kMaxPlayCards);
        systemPlays = static_cast<std::uint8_t>(systemPlays | (m.systemPlays[c] ? 1u << c : 0u));
    }
    msg[27] = static_cast<char>(systemPlays);
    msg[35] = static_cast<char>(ChairByte(m.toBeatChair));
    PutCards(msg, kRestoreHand, m.hand, kMaxPlayCards);
    PutCards(msg, kRestoreToBeat, m.toBeat, kMaxPlayCards);
    return msg;
}

int TypeOf(const unsigned char* msg, std::size_t len)
{
    return msg && len >= kHeaderLen ? msg[1] : 0;
}

bool Decode(const unsigned char* msg, std::size_t len, DealMsg& out)
{
    if (!Fits(msg, len, kDealLen, MSG_DEAL) || msg[12] >= kPlayers || msg[13] >= kPlayers)
        return false;
    out.round = Get32(msg, 8);
    out.firstBidder = msg[12];
    out.ownChair = msg[13];
    return GetCards(msg, 14, kHandSize, out.cards) && out.cards.size() == kHandSize;
}

bool Decode(const unsigned char* msg, std::size_t len, TurnMsg& out)
{
    if (!msg || len < kShortLen || (msg[1] != MSG_BID_TURN && msg[1] != MSG_PLAY_TURN) || msg[8] >= kPlayers)
        return false;
    out.chair = msg[8];
    out.value = msg[9];
    out.seconds = msg[10];
    return true;
}

bool Decode(const unsigned char* msg, std::size_t len, BidMsg& out)
{
    if (!msg || len < kShortLen || (msg[1] != MSG_BID_REQ && msg[1] != MSG_BID_NOTICE) || msg[8] >= kPlayers ||
        msg[9] > 3)
        return false;
    out.chair = msg[8];
    out.points = msg[9];
    return true;
}

bool Decode(const unsigned char* msg, std::size_t len, LandlordMsg& out)
{
    if (!Fits(msg, len, kLandlordLen, MSG_LANDLORD) || msg[8] >= kPlayers || msg[9] < 1 || msg[9] > 3)
        return false;
    out.chair = msg[8];
    out.bid = msg[9];
    out.keptBack.assign(msg + 10, msg + 10 + kKeptBack);
    return AreDistinctCards(out.keptBack);
}

bool Decode(const unsigned char* msg, std::size_t len, PlayMsg& out)
{
    if (!msg || len < kPlayLen || (msg[1] != MSG_PLAY_REQ && msg[1] != MSG_PLAY_NOTICE) || msg[8] >= kPlayers ||
        msg[9] > kMaxPlayCards)
        return false;
    out.chair = msg[8];
    out.left = msg[10];
    out.bySystem = msg[11] != 0;
    out.cards.assign(msg + 12, msg + 12 + msg[9]);
    out.multiple = Get32(msg, 32);
    return AreDistinctCards(out.cards);
}

bool Decode(const unsigned char* msg, std::size_t len, RefusedMsg& out)
{
    if (!Fits(msg, len, kShortLen, MSG_PLAY_REFUSED))
        return false;
    out.error = msg[8];
    return true;
}

bool Decode(const unsigned char* msg, std::size_t len, RoundEndMsg& out)
{
    if (!Fits(msg, len, kRoundEndLen, MSG_ROUND_END) || msg[8] >= kPlayers)
        return false;
    out.landlord = msg[8];
    out.landlordWon = msg[9] != 0;
    out.spring = msg[10] != 0;
    out.antiSpring = msg[11] != 0;
    out.bid = msg[12];
    out.doublings = msg[13];
    out.multiple = Get32(msg, 16);
    for (int i = 0; i < kPlayers; ++i)
    {
        out.delta[i] = static_cast<std::int32_t>(Get32(msg, 20 + 4 * static_cast<std::size_t>(i)));
        if (!GetCards(msg, 32 + kHandField * static_cast<std::size_t>(i), kMaxPlayCards, out.hands[i]))
            return false;
    }
    return true;
}

bool Decode(const unsigned char* msg, std::size_t len, RestoreMsg& out)
{
    if (!Fits(msg, len, kRestoreLen, MSG_RESTORE))
        return false;
    const auto chair = [](unsigned char b) { return b < kPlayers; };
    const auto chairOrNone = [](unsigned char b) { return b < kPlayers || b == kNoChair; };
    const bool playing = msg[13] == 1;
    if (!chair(msg[12]) || msg[13] > 1 || !chair(msg[14]) || msg[15] > 3 || !chairOrNone(msg[19]) ||
        playing != (msg[19] != kNoChair) || !chair(msg[23]) || msg[24] > 1 || msg[27] >> kPlayers != 0 ||
        !chairOrNone(msg[35]))
        return false;
    RestoreMsg m;
    m.round = Get32(msg, 8);
    m.ownChair = msg[12];
    m.playing = playing;
    m.firstBidder = msg[14];
    m.highestBid = msg[15];
    m.landlord = playing ? msg[19] : -1;
    if (playing)
    {
        m.keptBack.assign(msg + kRestoreKeptBack, msg + kRestoreKeptBack + kKeptBack);
        if (!AreDistinctCards(m.keptBack))
            return false;
    }
    m.turn = msg[23];
    m.leads = msg[24] == 1;
    m.seconds = msg[25];
    m.doublings = msg[26];
    m.multiple = Get32(msg, kRestoreMultiple);
    for (int c = 0; c < kPlayers; ++c)
    {
        const auto i = static_cast<std::size_t>(c);
        const unsigned char bid = msg[kRestoreBids + i];
        const unsigned char passed = msg[kRestoreTrick + kRestoreTrickField * i];
        if ((bid > 3 && bid != kNoChair) || msg[kRestoreLeft + i] > kMaxPlayCards || passed > 1 ||
            !GetCards(msg, kRestoreTrick + kRestoreTrickField * i + 1, kMaxPlayCards, m.trick[c]))
            return false;
        m.bids[c] = bid == kNoChair ? -1 : bid;
        m.left[c] = msg[kRestoreLeft + i];
        m.passed[c] = passed == 1;
        m.systemPlays[c] = (msg[27] >> c & 1) != 0;
    }
    if (!GetCards(msg, kRestoreHand, kMaxPlayCards, m.hand) || m.hand.size() != m.left[m.ownChair] ||
        !GetCards(msg, kRestoreToBeat, kMaxPlayCards, m.toBeat) || m.toBeat.empty() != (msg[35] == kNoChair))
        return false;
    m.toBeatChair = msg[35] == kNoChair ? -1 : msg[35];
    out = std::move(m);
    return true;
}

bool FindRestore(const unsigned char* msg36, std::size_t len, const unsigned char*& block, std::size_t& blockLen)
{
    if (!msg36 || len < kAgainLoginSnapshotAt + 4 || msg36[1] != kAgainLoginType)
        return false;
    const std::size_t snapshot = Get32(msg36, kAgainLoginSnapshotAt);
    if (snapshot > len || len - snapshot < kAgainLoginSnapshotLen)
        return false;
    const std::size_t at = snapshot + kAgainLoginSnapshotLen;
    if (len - at < kHeaderLen || msg36[at + 1] != MSG_RESTORE)
        return false;
    const std::size_t body = Get32(msg36, at + 4);
    if (body > len - at - kHeaderLen)
        return false;
    block = msg36 + at;
    blockLen = kHeaderLen + body;
    return true;
}

} // namespace landlord
