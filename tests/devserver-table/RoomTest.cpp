// The room in-process: who a connection is, and the contract between the room and a table's game.
#include "tests/devserver-table/RoomHarness.h"
#include "tools/devserver/protocol/Messages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace
{

using namespace devserver;
using roomtest::Byte;
using roomtest::Int32;
using roomtest::RoomUnderTest;

RoomConfig SmallRoom()
{
    RoomConfig config;
    config.tables = 1;
    config.chairs = 3;
    config.minPlayers = 2;
    config.roundPauseMs = 0;
    config.authWaitMs = 0;
    return config;
}

TEST(Room, WhoAConnectionIs)
{
    RoomConfig config = SmallRoom();
    config.authWaitMs = 20;
    RoomUnderTest t(config);
    Room& room = t.room;
    // Silent until the wait is over: the first default user.
    room.Connected(1);
    ASSERT_TRUE(t.out.Event("arrive", {{"conn", 1}, {"user", 10001}}));

    struct Refusal
    {
        const char* what;
        std::string request;
        AuthResult result;
    };
    const std::vector<Refusal> refusals = {
        {"an id already online", EncodeAuthRequest(10001), AuthResult::AlreadyOnline},
        {"a request too short for the id", GameMessage(kAuthRequestType, std::string(3, '\0')), AuthResult::Invalid},
        {"id 0", EncodeAuthRequest(0), AuthResult::Invalid},
        {"a bot's id", EncodeAuthRequest(kFirstBotId), AuthResult::Invalid},
    };
    int conn = 10;
    for (const Refusal& r : refusals)
    {
        room.Connected(++conn);
        room.Received(conn, r.request);
        const std::optional<std::string> answer = t.out.Msg(conn, kAuthResponseType);
        ASSERT_TRUE(answer) << r.what;
        EXPECT_EQ(Byte(*answer, 8), static_cast<std::uint8_t>(r.result)) << r.what;
        EXPECT_TRUE(t.out.Closed(conn)) << r.what;
    }

    // Something else first: the next free default id at once; a later authentication is refused
    // and the connection stays who it is.
    room.Connected(2);
    room.Received(2, GameMessage(kKeepAliveType, ""));
    ASSERT_TRUE(t.out.Event("arrive", {{"conn", 2}, {"user", 10002}}));
    room.Received(2, EncodeAuthRequest(30000));
    const std::optional<std::string> settled = t.out.Msg(2, kAuthResponseType);
    ASSERT_TRUE(settled);
    EXPECT_EQ(Byte(*settled, 8), static_cast<std::uint8_t>(AuthResult::AlreadySettled));

    // An authentication after the wait that is still the first message: the default player makes
    // way for the named one.
    room.Connected(3);
    ASSERT_TRUE(t.out.Event("arrive", {{"conn", 3}, {"user", 10003}}));
    room.Received(3, EncodeAuthRequest(20000, "token"));
    ASSERT_TRUE(t.out.Event("depart", {{"conn", 3}, {"user", 10003}}));
    ASSERT_TRUE(t.out.Event("arrive", {{"conn", 3}, {"user", 20000}}));
    const std::optional<std::string> late = t.out.Msg(3, kAuthResponseType);
    ASSERT_TRUE(late);
    EXPECT_EQ(Byte(*late, 8), static_cast<std::uint8_t>(AuthResult::Accepted));
    EXPECT_EQ(Int32(*late, 12), 20000);
    // The others saw the default player go (66) and the named one come (65).
    ASSERT_TRUE(t.out.Msg(1, kPlayerLeaveType));
    EXPECT_EQ(Int32(*t.out.Msg(1, kPlayerLeaveType), 8), 10003);
    ASSERT_TRUE(t.out.Msg(1, kPlayerJoinType, 2));
    EXPECT_EQ(Int32(*t.out.Msg(1, kPlayerJoinType, 2), 8), 20000);
    // The room has long handled connection 2's second request, which closed nothing.
    EXPECT_FALSE(t.out.IsClosed(2));
}

// A game that reports what the room does to it as messages to the table:
//   200 at the start (byte 8 the number of seats), 201 when its timer fires, 250 should the
//   cancelled one fire, 202 when a player leaves (byte 8 the chair).
// A player's message of type 210 ends it with fixed results; a player leaving ends it with none.
class ReportingGame : public TableGame
{
public:
    void Start(GameHost& host, const std::vector<GameSeat>& seats) override
    {
        m_host = &host;
        m_host->SendToTable(GameMessage(200, std::string(1, static_cast<char>(seats.size()))));
        m_cancelled = m_host->SetTimer(1);
        m_host->CancelTimer(m_cancelled);
        m_host->SetTimer(10);
    }

    void OnMessage(int, std::string_view msg) override
    {
        if (MsgType(msg) != 210)
            return;
        GameResult result;
        result.gameBytes = "abc";
        result.timeReward = 7;
        result.seats = {{0, 150, Outcome::Win, 1, 2, 3}, {1, -150, Outcome::Lose, 4, 5, 6}};
        m_host->End(result);
        m_host->End(GameResult{}); // only the first end counts
    }

    void OnTimer(GameHost::TimerId id) override { m_host->SendToTable(GameMessage(id == m_cancelled ? 250 : 201, "")); }

    void OnPlayerLeave(int chair) override
    {
        m_host->SendToTable(GameMessage(202, std::string(1, static_cast<char>(chair))));
        m_host->End(GameResult{});
    }

private:
    GameHost* m_host = nullptr;
    GameHost::TimerId m_cancelled = 0;
};

TEST(Room, TableGamePlugIn)
{
    RoomConfig config = SmallRoom();
    config.game = [] { return std::make_unique<ReportingGame>(); };
    RoomUnderTest t(config);
    Room& room = t.room;
    for (int conn : {1, 2})
    {
        room.Connected(conn);
        room.Received(conn, EncodeSitDownRequest(1, static_cast<std::uint8_t>(conn - 1)));
    }
    for (int conn : {1, 2})
    {
        ASSERT_TRUE(t.out.Msg(conn, kReadyNoticeType));
        room.Received(conn, EncodeReadyAnswer());
    }
    ASSERT_TRUE(t.out.Event("game-start", {{"table", 1}}));
    const std::optional<std::string> start = t.out.Msg(1, 200);
    ASSERT_TRUE(start);
    EXPECT_EQ(Byte(*start, 8), 2);
    ASSERT_TRUE(t.out.Msg(2, 201)) << "the game's timer";
    room.Received(2, GameMessage(210, ""));

    const std::optional<std::string> result = t.out.Msg(1, kGameResultType);
    ASSERT_TRUE(result);
    ASSERT_EQ(result->size(), kGameResultLen);
    EXPECT_EQ(result->substr(8, 4), std::string("abc\0", 4));
    EXPECT_EQ(Int32(*result, 132), 0);
    EXPECT_EQ(Int32(*result, 136), 7);
    const int x[] = {1, 4}, y[] = {2, 5}, z[] = {3, 6};
    for (size_t c = 0; c < 2; ++c)
    {
        EXPECT_EQ(Int32(*result, 140 + 4 * c), x[c]);
        EXPECT_EQ(Int32(*result, 180 + 4 * c), y[c]);
        EXPECT_EQ(Int32(*result, 220 + 4 * c), z[c]);
    }
    EXPECT_EQ(Byte(*result, 264), 1) << "under a minute";
    const std::optional<std::string> end = t.out.Event("game-end");
    ASSERT_TRUE(end);
    EXPECT_NE(end->find("\"money\":[150,-150]"), std::string::npos) << *end;

    // The snapshot after the result carries the changed records, nobody ready.
    const PlayerDirectory directory;
    const std::vector<std::string> sent = t.out.Sent(1);
    const auto count = std::count_if(sent.begin(), std::find(sent.begin(), sent.end(), *result),
                                     [](const std::string& m) { return MsgType(m) == kTableSnapshotType; });
    const std::optional<std::string> after = t.out.Msg(1, kTableSnapshotType, static_cast<size_t>(count));
    ASSERT_TRUE(after);
    for (size_t i = 0; i < 2; ++i)
    {
        const size_t e = kListHeaderLen + i * kPlayerEntryLen;
        const PlayerRecord before = directory.RecordFor(Int32(*after, e));
        EXPECT_EQ(Int32(*after, e + 28), before.money + (i == 0 ? 150 : -150));
        EXPECT_EQ(Int32(*after, e + 36), before.wins + (i == 0 ? 1 : 0));
        EXPECT_EQ(Int32(*after, e + 40), before.losses + (i == 0 ? 0 : 1));
        EXPECT_EQ(Byte(*after, e + 61), 0);
    }

    // The next round: a player who stands up leaves the game, which ends it.
    for (int conn : {1, 2})
    {
        const std::optional<std::string> call = t.out.Msg(conn, kReadyNoticeType, 3);
        ASSERT_TRUE(call);
        EXPECT_EQ(Byte(*call, 8), kReadyCallAll) << "the second ready call";
        room.Received(conn, EncodeReadyAnswer());
    }
    ASSERT_TRUE(t.out.Event("game-start", {}, 1));
    room.Command(2, RoomCommand{RoomCommand::Kind::Stand});
    const std::optional<std::string> left = t.out.Msg(1, 202);
    ASSERT_TRUE(left);
    EXPECT_EQ(Byte(*left, 8), 1);
    ASSERT_TRUE(t.out.Msg(1, kGameResultType, 1));
    ASSERT_TRUE(t.out.Event("game-end", {}, 1));
    for (int conn : {1, 2})
    {
        for (const std::string& msg : t.out.Sent(conn))
            EXPECT_NE(MsgType(msg), 250) << "a cancelled timer fired";
    }
}

} // namespace
