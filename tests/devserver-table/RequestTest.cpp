// Requests through the room: asking another player to leave, the game masters' requests, and an
// escape that ends a running game.
#include "tests/devserver-table/TalkHarness.h"
#include "tools/devserver/room/PlaceholderGame.h"

namespace
{

using namespace devserver;
using roomtest::Byte;
using roomtest::Int32;
using roomtest::TalkRoom;

RoomConfig LongGames()
{
    RoomConfig config = roomtest::TalkConfig();
    config.game = [] { return std::make_unique<PlaceholderGame>(600000); };
    return config;
}

std::string Ask(std::int32_t target, RequestKind kind = RequestKind::AskToLeave, const std::string& word = "",
                std::int32_t value = 0)
{
    return EncodeRequest({target, static_cast<std::uint8_t>(kind), word, value});
}

void StartGame(TalkRoom& r, std::initializer_list<int> conns)
{
    for (int conn : conns)
        r.t.room.Received(conn, EncodeReadyAnswer());
    ASSERT_TRUE(r.t.out.Event("game-start", {{"table", 1}}));
}

TEST(Requests, AskToLeaveAnswersThenSendsTheTargetAway)
{
    TalkRoom r(LongGames());
    r.Join(1, 10001, 1, 0);
    r.Join(2, 10002, 1, 1);
    r.Join(3, 10003, 1, 1); // a looker of chair 1

    struct Step
    {
        int from;
        std::int32_t target;
        LeaveResult result;
    };
    // Each answer is the requester's next 38.
    const std::vector<Step> steps = {
        {3, 10002, LeaveResult::Looker},
        {1, 77777, LeaveResult::NotAtTable},
        {1, 10002, LeaveResult::Done},
    };
    std::map<int, size_t> answers;
    for (const Step& s : steps)
    {
        r.t.room.Received(s.from, Ask(s.target));
        const std::optional<std::string> answer = r.t.out.Msg(s.from, kLeaveAnswerType, answers[s.from]++);
        ASSERT_TRUE(answer);
        ASSERT_EQ(answer->size(), kLeaveAnswerLen);
        EXPECT_EQ(Byte(*answer, 8), static_cast<int>(s.result)) << s.target;
        EXPECT_EQ(Byte(*answer, 10), 0) << "the client forms the text";
    }
    EXPECT_EQ(Byte(*r.t.out.Msg(1, kLeaveAnswerType, 1), 266), 1) << "the target's sex";
    // The target's own client ends on the 55 with his id and chair; the table sees the same.
    for (int conn : {2, 1, 3})
    {
        const std::optional<std::string> left = r.t.out.Msg(conn, kPlayerLeftType);
        ASSERT_TRUE(left) << conn;
        EXPECT_EQ(Byte(*left, 8), 1);
        EXPECT_EQ(Int32(*left, 12), 10002);
        EXPECT_EQ(Byte(*left, 16), 0) << "an ordinary leave: no box";
    }
    ASSERT_TRUE(r.t.out.Event("stand", {{"user", 10002}, {"table", 1}, {"chair", 1}}));

    // Back at once: a second request within the window is refused; during a game, playing wins.
    r.Sit(2, 10002, 1, 1);
    r.t.room.Received(1, Ask(10002));
    EXPECT_EQ(Byte(*r.t.out.Msg(1, kLeaveAnswerType, 2), 8), static_cast<int>(LeaveResult::Repeated));
    StartGame(r, {1, 2});
    r.t.room.Received(1, Ask(10002));
    EXPECT_EQ(Byte(*r.t.out.Msg(1, kLeaveAnswerType, 3), 8), static_cast<int>(LeaveResult::Playing));
    EXPECT_EQ(r.Count(2, kPlayerLeftType), 1u);
}

TEST(Requests, GameMastersKickBanAndDissolveOthersAreRefused)
{
    TalkRoom r;
    r.Join(1, 10001, 1, 0); // the game master
    r.Join(2, 10002, 1, 1);
    r.Join(3, 10003, 2, 0);
    r.Join(4, 10004, 2, 1);

    r.t.room.Received(2, Ask(10001, RequestKind::Kick, "bye"));
    ASSERT_TRUE(r.t.out.Event("request-refused", {{"user", 10002}}));
    EXPECT_EQ(r.Count(1, kAccountNoticeType), 0u);

    struct Case
    {
        RequestKind kind;
        std::string word;
        std::int32_t value;
        int kindByte;
    };
    const std::vector<Case> cases = {
        {RequestKind::Kick, "走吧", 0, 1},
        {RequestKind::Chat, "刷屏", 1, 2},
        {RequestKind::Chat, "", 0, 9},
    };
    for (size_t i = 0; i < cases.size(); ++i)
    {
        const Case& c = cases[i];
        r.t.room.Received(1, Ask(10002, c.kind, c.word, c.value));
        const std::optional<std::string> notice = r.t.out.Msg(2, kAccountNoticeType, i);
        ASSERT_TRUE(notice) << i;
        ASSERT_EQ(notice->size(), kAccountNoticeLen);
        EXPECT_EQ(Byte(*notice, 8), c.kindByte);
        EXPECT_EQ(Int32(*notice, 12), 10002);
        EXPECT_EQ(TalkRoom::Text(*notice, 16, 264), c.word);
        if (c.kindByte == 2)
        {
            // Banned: his lines stop at the server.
            r.t.room.Received(2, EncodeChatRequest({0, "", 0, "", "hi", 1, 0, 0}));
            ASSERT_TRUE(r.t.out.Event("request-refused", {{"user", 10002}}, 1));
        }
    }
    r.t.room.Received(2, EncodeChatRequest({0, "", 0, "", "hi again", 1, 0, 0}));
    ASSERT_TRUE(r.t.out.Msg(1, kChatLineType)) << "allowed again";

    // Dissolving the table of 10003: everyone there gets his own 55 with reason 2 and leaves.
    r.t.room.Received(1, Ask(10003, RequestKind::Dismiss));
    for (auto [conn, user] : {std::pair{3, 10003}, std::pair{4, 10004}})
    {
        const std::optional<std::string> left = r.t.out.Msg(conn, kPlayerLeftType);
        ASSERT_TRUE(left);
        EXPECT_EQ(Int32(*left, 12), user);
        EXPECT_EQ(Byte(*left, 16), 2);
        ASSERT_TRUE(r.t.out.Event("stand", {{"user", user}, {"table", 2}}));
    }
    EXPECT_EQ(r.Count(1, kPlayerLeftType), 0u) << "the requester gets nothing more";
}

TEST(Requests, AConfirmedEscapeEndsTheRunningGameAndStandsTheEscaperUp)
{
    TalkRoom r(LongGames());
    r.Join(1, 10001, 1, 0);
    r.Join(2, 10002, 1, 1);
    StartGame(r, {1, 2});

    // A looker's answer and a state report are only noted.
    r.t.room.Received(1, EncodeEscapeRequest(0, 0));
    r.t.room.Received(1, EncodeGameState(1));
    ASSERT_TRUE(r.t.out.Event("escape", {{"user", 10001}, {"state", 0}}));
    ASSERT_TRUE(r.t.out.Event("game-state", {{"user", 10001}, {"state", 1}}));
    EXPECT_EQ(r.Count(2, kGameResultType), 0u);

    r.t.room.Received(1, EncodeEscapeRequest(3, 1));
    const std::optional<std::string> end = r.t.out.Event("game-end", {{"table", 1}});
    ASSERT_TRUE(end);
    EXPECT_NE(end->find("\"money\":[-10,0]"), std::string::npos) << *end;
    ASSERT_TRUE(r.t.out.Msg(2, kGameResultType));
    const std::optional<std::string> left = r.t.out.Msg(2, kPlayerLeftType);
    ASSERT_TRUE(left);
    EXPECT_EQ(Byte(*left, 8), 0);
    EXPECT_EQ(Int32(*left, 12), 10001);
    EXPECT_EQ(Byte(*left, 16), 0);
    ASSERT_TRUE(r.t.out.Event("stand", {{"user", 10001}, {"chair", 0}}));
}

} // namespace
