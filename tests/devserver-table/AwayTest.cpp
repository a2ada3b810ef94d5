// A player of a running demo game whose connection drops: away at his chair and played for, back
// with the round restored when he authenticates again, and gone once the game ends while he is away.
#include "examples/landlord/rules/Protocol.h"
#include "tests/devserver-table/RoomHarness.h"
#include "tools/devserver/games/LandlordGame.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace
{

using namespace devserver;
using roomtest::Byte;
using roomtest::Int32;
namespace ll = landlord;

const unsigned char* Bytes(const std::string& m)
{
    return reinterpret_cast<const unsigned char*>(m.data());
}

// The first message of the type (with the user id at 8, when one is given) sent; -1 for none.
long IndexOf(const std::vector<std::string>& sent, int type, std::int32_t user = 0)
{
    const auto it =
        std::find_if(sent.begin(), sent.end(),
                     [&](const std::string& m) { return MsgType(m) == type && (user == 0 || Int32(m, 8) == user); });
    return it == sent.end() ? -1 : static_cast<long>(it - sent.begin());
}

TEST(RoomAway, ADroppedPlayerIsPlayedForRestoredAndLeavesWithTheGame)
{
    RoomConfig config;
    config.tables = 1;
    config.chairs = config.minPlayers = 3;
    config.roundPauseMs = config.authWaitMs = 600000; // every connection authenticates first
    config.roomType = 2;
    config.baseTimes = 5;
    config.maxTimes = 64;
    LandlordOptions options;
    options.seed = 5;
    options.turnMs = 3600000; // nobody present runs out of time
    options.botDelayMs = 1;
    config.game = [options] { return std::make_unique<LandlordGame>(options); };
    roomtest::RoomUnderTest t(config);

    // Connection c + 1 is user 20001 + c at chair c; round 0 deals chair 1 the first bid.
    for (int chair = 0; chair < 3; ++chair)
    {
        t.room.Connected(chair + 1);
        t.room.Received(chair + 1, EncodeAuthRequest(20001 + chair));
        t.room.Received(chair + 1, EncodeSitDownRequest(1, static_cast<std::uint8_t>(chair)));
    }
    for (int conn = 1; conn <= 3; ++conn)
        t.room.Received(conn, EncodeReadyAnswer()); // after the third sat down: the call is out
    const int away = 1, watcher = 3, stays = 1;     // chairs 1, 2, 0
    const std::int32_t awayUser = 20002;
    const std::optional<std::string> dealt = t.out.Msg(away + 1, ll::MSG_DEAL);
    ll::DealMsg deal;
    ASSERT_TRUE(dealt && ll::Decode(Bytes(*dealt), dealt->size(), deal));
    ASSERT_EQ(deal.firstBidder, away);
    const int systemBid = ll::ChooseBid(deal.cards, 0);
    ASSERT_LT(systemBid, 3) << "the seed must leave the bidding open after the system's bid";
    t.room.Closed(away + 1);

    // Away: the table is told, he keeps his chair, the system bids for him and the turn goes on.
    const std::optional<std::string> wait = t.out.Msg(watcher, kWaitLoginAgainType);
    ASSERT_TRUE(wait);
    EXPECT_EQ(Byte(*wait, 8), away);
    EXPECT_EQ(Byte(*wait, 9), kWaitMayReenter);
    ASSERT_TRUE(t.out.Event("away", {{"user", awayUser}, {"table", 1}, {"chair", away}}));
    const std::optional<std::string> bid = t.out.Msg(watcher, ll::MSG_BID_NOTICE);
    ASSERT_TRUE(bid && t.out.Msg(watcher, ll::MSG_BID_TURN, 1));
    EXPECT_EQ(Byte(*bid, 8), away);
    EXPECT_EQ(Byte(*bid, 9), systemBid);
    const std::vector<std::string> whileAway = t.out.Sent(watcher);
    EXPECT_EQ(IndexOf(whileAway, kPlayerLeaveType), -1);
    EXPECT_EQ(IndexOf(whileAway, kSitOrLeaveType, awayUser), -1);
    const size_t snapshots = static_cast<size_t>(std::count_if(
        whileAway.begin(), whileAway.end(), [](const std::string& m) { return MsgType(m) == kTableSnapshotType; }));

    // Back on a new connection: 33, 35, then the 36 with his seat, the room's fields, the flags
    // (the system plays for him: the room saw the game's 126) and the restore; the table gets a
    // snapshot.
    t.room.Connected(10);
    t.room.Received(10, EncodeAuthRequest(awayUser));
    ASSERT_TRUE(t.out.Event("back", {{"conn", 10}, {"user", awayUser}, {"chair", away}}));
    EXPECT_TRUE(t.out.Msg(watcher, kTableSnapshotType, snapshots));
    const std::vector<std::string> sent = t.out.Sent(10);
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(MsgType(sent[0]), kAuthResponseType);
    EXPECT_EQ(Byte(sent[0], 8), static_cast<std::uint8_t>(AuthResult::Accepted));
    EXPECT_EQ(MsgType(sent[1]), kPlayerListType);
    const std::string& again = sent[2];
    ASSERT_EQ(MsgType(again), kAgainLoginType);
    const std::vector<int> fields = {Byte(again, 48),         Byte(again, 220),  Byte(again, 221),
                                     Int32(again, 236),       Int32(again, 288), Byte(again, 244),
                                     Int32(again, 300),       Byte(again, 333),  Byte(again, 245 + away),
                                     Byte(again, 255 + away), Byte(again, 255)};
    EXPECT_EQ(fields, (std::vector<int>{2, 1, away, 5, 64, 3, awayUser, away, 0, 1, 0}));
    const unsigned char* block = nullptr;
    size_t blockLen = 0;
    ll::RestoreMsg restore;
    ASSERT_TRUE(ll::FindRestore(Bytes(again), again.size(), block, blockLen));
    ASSERT_TRUE(ll::Decode(block, blockLen, restore));
    EXPECT_EQ(restore.ownChair, away);
    EXPECT_EQ(restore.hand, deal.cards);
    EXPECT_EQ(restore.turn, 2);
    EXPECT_EQ(restore.bids[away], systemBid);
    EXPECT_TRUE(restore.systemPlays[away]);

    // Gone again, and the game ends (the watcher escapes): the result, then he leaves the room.
    t.room.Closed(10);
    ASSERT_TRUE(t.out.Msg(watcher, kWaitLoginAgainType, 1));
    t.room.Received(watcher, EncodeEscapeRequest(2, 1));
    ASSERT_TRUE(t.out.Event("depart", {{"user", awayUser}}));
    const std::vector<std::string> seen = t.out.Sent(stays);
    ASSERT_GE(IndexOf(seen, kGameResultType), 0);
    EXPECT_GT(IndexOf(seen, kPlayerLeaveType, awayUser), IndexOf(seen, kGameResultType));
}

} // namespace
