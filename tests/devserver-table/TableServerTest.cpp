// tessaro-devserver's table mode as a program, over real sockets, with hand-written clients.
#include "tests/devserver-table/RoomHarness.h"
#include "tests/devserver/WireClient.h"
#include "tests/support/DevServerProcess.h"
#include "tools/devserver/protocol/Messages.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>

namespace
{

using namespace devserver;
using roomtest::Byte;
using roomtest::Int32;
using roomtest::kWaitMs;
using testsupport::DevServerProcess;

using Match = std::function<bool(const std::string&)>;

// A client that keeps everything it reads, so that a test can ask for the messages of one type in
// order whatever came in between.
class TableClient
{
public:
    explicit TableClient(int port) : m_wire(port) {}

    bool Send(const std::string& msg) { return m_wire.SendMessage(msg); }
    void Close() { shutdown(m_wire.Fd(), SHUT_RDWR); }

    // The next message of the type that matches, after the last one this returned for the type.
    std::optional<std::string> Next(int type, const Match& match = nullptr)
    {
        const auto deadline = devtest::Clock::now() + std::chrono::milliseconds(kWaitMs);
        size_t& from = m_next[type];
        while (true)
        {
            for (; from < m_got.size(); ++from)
            {
                if (MsgType(m_got[from]) == type && (!match || match(m_got[from])))
                    return m_got[from++];
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - devtest::Clock::now()).count();
            std::optional<std::string> msg = m_wire.ReadMessage(static_cast<int>(std::max<long>(left, 0)));
            if (!msg)
                return std::nullopt;
            m_got.push_back(std::move(*msg));
        }
    }

private:
    devtest::WireClient m_wire;
    std::vector<std::string> m_got;
    std::map<int, size_t> m_next;
};

// The entries of a snapshot (52): user id and chair, or watched chair for a looker.
struct Entry
{
    std::int32_t user;
    int chair;
    int watch;
    bool operator==(const Entry& o) const { return user == o.user && chair == o.chair && watch == o.watch; }
};

std::vector<Entry> Entries(const std::string& snapshot)
{
    std::vector<Entry> entries;
    for (size_t i = 0; i < Byte(snapshot, 8); ++i)
    {
        const size_t e = kListHeaderLen + i * kPlayerEntryLen;
        entries.push_back({Int32(snapshot, e), Byte(snapshot, e + 33), Byte(snapshot, e + 60)});
    }
    return entries;
}

Match Holds(std::vector<Entry> want)
{
    return [want](const std::string& msg) { return Entries(msg) == want; };
}

Match ByteIs(size_t at, int value)
{
    return [at, value](const std::string& msg) { return Byte(msg, at) == value; };
}

Match UserIs(std::int32_t user, int modeAt14 = -1)
{
    return [user, modeAt14](const std::string& msg)
    { return Int32(msg, 8) == user && (modeAt14 < 0 || Byte(msg, 14) == modeAt14); };
}

constexpr std::int32_t kBot = kFirstBotId;
constexpr int kNone = kNoChair;

// The lead's end-to-end table: two real clients and a bot, the ready cycle twice round, a looker,
// and everyone leaving.
TEST(TableServer, TwoPlayersAndABotPlayRoundsThenLeave)
{
    DevServerProcess server({"--tables", "1", "--chairs", "7", "--bots", "1", "--min-players", "3", "--auto-sit",
                             "--bot-delay", "0", "--round-pause", "50", "--quiet"});
    ASSERT_TRUE(server.Started()) << server.Stderr();

    TableClient a(server.Port());
    ASSERT_TRUE(a.Send(EncodeAuthRequest(10001, "launch-token")));
    const std::optional<std::string> auth = a.Next(kAuthResponseType);
    ASSERT_TRUE(auth);
    EXPECT_EQ(Byte(*auth, 8), 0);
    EXPECT_EQ(Int32(*auth, 12), 10001);
    const std::optional<std::string> page = a.Next(kPlayerListType);
    ASSERT_TRUE(page);
    EXPECT_EQ(Byte(*page, 9), 1);
    EXPECT_EQ(Byte(*page, 10), 1);
    EXPECT_EQ(Int32(*page, 12), 10001);
    const std::optional<std::string> sat = a.Next(kSitDownResponseType);
    ASSERT_TRUE(sat);
    ASSERT_EQ(sat->size(), kSitDownResponseLen);
    EXPECT_EQ(Byte(*sat, 8), 1);
    EXPECT_EQ(Byte(*sat, 9), 1);
    EXPECT_EQ(sat->substr(12, 16), std::string("玩家10001").append(16 - std::string("玩家10001").size(), '\0'));
    EXPECT_EQ(Int32(*sat, 76), 1) << "base times";
    ASSERT_TRUE(a.Next(kPlayerJoinType, UserIs(kBot)));
    ASSERT_TRUE(a.Next(kTableSnapshotType, Holds({{10001, 0, kNone}, {kBot, 1, kNone}})));

    TableClient b(server.Port());
    ASSERT_TRUE(b.Send(EncodeAuthRequest(10002)));
    const std::optional<std::string> pageB = b.Next(kPlayerListType);
    ASSERT_TRUE(pageB);
    EXPECT_EQ(Byte(*pageB, 10), 3) << "A, B and the bot";
    ASSERT_TRUE(a.Next(kPlayerJoinType, UserIs(10002)));
    ASSERT_TRUE(a.Next(kSitOrLeaveType, UserIs(10002, 1)));
    const Match three = Holds({{10001, 0, kNone}, {kBot, 1, kNone}, {10002, 2, kNone}});
    ASSERT_TRUE(a.Next(kTableSnapshotType, three));
    ASSERT_TRUE(b.Next(kTableSnapshotType, three));

    // Three seated: the ready call, the answers as notices, the game, its result, the next call.
    for (TableClient* c : {&a, &b})
    {
        ASSERT_TRUE(c->Next(kReadyNoticeType, ByteIs(8, kReadyCallAll)));
        ASSERT_TRUE(c->Send(EncodeReadyAnswer()));
    }
    std::set<int> ready;
    for (int i = 0; i < 3; ++i)
    {
        const std::optional<std::string> notice = a.Next(kReadyNoticeType);
        ASSERT_TRUE(notice);
        ready.insert(Byte(*notice, 8));
    }
    EXPECT_EQ(ready, (std::set<int>{0, 1, 2}));
    const std::optional<std::string> result = a.Next(kGameResultType);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->size(), kGameResultLen);
    ASSERT_TRUE(b.Next(kGameResultType));
    const std::optional<std::string> start = server.WaitForLine("\"event\":\"game-start\"", kWaitMs);
    ASSERT_TRUE(start);
    EXPECT_NE(start->find("\"players\":[10001," + std::to_string(kBot) + ",10002],\"chairs\":[0,1,2]"),
              std::string::npos)
        << *start;
    ASSERT_TRUE(a.Next(kReadyNoticeType, ByteIs(8, kReadyCallAll))) << "the next round's call";

    // A third client says something else first: the next default user, seated by auto-sit; a
    // taken chair then makes him its looker, which the whole table sees.
    TableClient c(server.Port());
    ASSERT_TRUE(c.Send(GameMessage(kKeepAliveType, std::string(4, '\0'))));
    const std::optional<std::string> pageC = c.Next(kPlayerListType);
    ASSERT_TRUE(pageC);
    EXPECT_EQ(Byte(*pageC, 10), 4);
    ASSERT_TRUE(c.Next(kSitDownResponseType, ByteIs(8, 1)));
    ASSERT_TRUE(c.Send(EncodeSitDownRequest(1, 0)));
    ASSERT_TRUE(c.Next(kSitDownResponseType, ByteIs(8, 2)));
    const Match withLooker = Holds({{10001, 0, kNone}, {kBot, 1, kNone}, {10002, 2, kNone}, {10003, kNone, 0}});
    ASSERT_TRUE(a.Next(kTableSnapshotType, withLooker));
    ASSERT_TRUE(c.Next(kTableSnapshotType, withLooker));

    // B goes: his chair is freed and he leaves the server.
    b.Close();
    ASSERT_TRUE(a.Next(kSitOrLeaveType, UserIs(10002, 0)));
    ASSERT_TRUE(a.Next(kTableSnapshotType, Holds({{10001, 0, kNone}, {kBot, 1, kNone}, {10003, kNone, 0}})));
    ASSERT_TRUE(a.Next(kPlayerLeaveType, UserIs(10002)));
    // A goes, the last real player seated: the bot goes with him; the looker sees both leave.
    a.Close();
    ASSERT_TRUE(c.Next(kPlayerLeaveType, UserIs(10001)));
    ASSERT_TRUE(c.Next(kSitOrLeaveType, UserIs(kBot, 0)));
    ASSERT_TRUE(c.Next(kPlayerLeaveType, UserIs(kBot)));
    ASSERT_TRUE(
        server.WaitForLine([](const std::string& l)
                           { return l.find("\"event\":\"depart\"") != l.npos && l.find("\"bot\":true") != l.npos; },
                           kWaitMs));
    EXPECT_EQ(server.Stop(), 0) << server.Stderr();
}

// The demo's room: a lone player who says nothing is the default user after the wait, and two
// bots sit down beside him.
TEST(TableServer, LonePlayerGetsTwoBots)
{
    DevServerProcess server({"--tables", "4", "--chairs", "7", "--bots", "2", "--auto-sit", "--quiet"});
    ASSERT_TRUE(server.Started()) << server.Stderr();
    TableClient a(server.Port());
    ASSERT_TRUE(a.Next(kTableSnapshotType, Holds({{10001, 0, kNone}, {kBot, 1, kNone}, {kBot + 1, 2, kNone}})));
    EXPECT_EQ(server.Stop(), 0) << server.Stderr();
}

// A scenario addresses the room for its connection: a chair at the second table, then ready.
TEST(TableServer, ScenarioDrivesThePlayer)
{
    DevServerProcess server({"--tables", "2", "--chairs", "2", "--min-players", "1", "--auth-wait", "60000"},
                            "room sit 2 1\nroom ready\n");
    ASSERT_TRUE(server.Started()) << server.Stderr();
    TableClient a(server.Port());
    const std::optional<std::string> sat = a.Next(kSitDownResponseType);
    ASSERT_TRUE(sat);
    EXPECT_EQ(Byte(*sat, 8), 1);
    EXPECT_EQ(Byte(*sat, 9), 2);
    ASSERT_TRUE(a.Next(kReadyNoticeType, ByteIs(8, kReadyCallAll)));
    ASSERT_TRUE(a.Next(kReadyNoticeType, ByteIs(8, 1)));
    ASSERT_TRUE(a.Next(kGameResultType));
    // The room's messages are reported as any other.
    ASSERT_TRUE(server.WaitForLine("\"event\":\"send\",\"conn\":1,\"type\":78,\"len\":268", kWaitMs));
    EXPECT_EQ(server.Stop(), 0) << server.Stderr();
}

} // namespace
