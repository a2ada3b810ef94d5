// The operator's commands: each line's message and key bytes, the refusals, the same commands in a
// scenario, and the console reading its lines from a pipe.
#include "tools/devserver/room/Operator.h"
#include "tests/devserver-table/TalkHarness.h"
#include "tools/devserver/Console.h"
#include "tools/devserver/Scenario.h"

#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace
{

using namespace devserver;
using roomtest::Byte;
using roomtest::Int32;
using roomtest::TalkRoom;

// Runs a command in the room and returns its error, empty on success.
std::string Operate(TalkRoom& r, const std::string& line)
{
    OperatorCommand command;
    std::string error;
    if (!ParseOperatorCommand(line, command, error))
        return error;
    r.t.room.Operate(command);
    const std::optional<std::string> done = r.t.out.Event("operator", {}, r.operated++);
    if (!done)
        return "no operator line";
    return testsupport::JsonStr(*done, "error").value_or("");
}

struct Field
{
    size_t at;
    int size; // 1: a byte; 4: int32 big-endian; 0: a text at `at`
    std::int64_t value;
    std::string text = {};
};

TEST(Operator, EachCommandSendsItsMessage)
{
    RoomConfig config = roomtest::TalkConfig();
    config.botsPerTable = 1;
    TalkRoom r(config);
    r.Join(1, 10002, 1, 0); // the bot takes chair 1

    struct Case
    {
        const char* line;
        int type;
        std::vector<Field> fields;
    };
    const std::vector<Case> cases = {
        {u8"bulletin 10002 horn from=小明 卖东西",
         kServerTextType,
         {{48, 1, 0}, {12, 0, 0, "小明"}, {57, 0, 0, "卖东西"}}},
        {u8"bulletin table 1 system   两个  空格 ",
         kServerTextType,
         {{48, 1, 1}, {12, 0, 0, "系统"}, {57, 0, 0, "两个  空格"}}},
        {u8"bulletin all 200 x", kServerTextType, {{48, 1, 200}}},
        {u8"bulletin 10002 plain y", kServerTextType, {{48, 1, 0x7F}}},
        {u8"invite 10002 老王", kServerTextType, {{48, 1, 0x80}, {12, 0, 0, "老王"}}},
        {u8"notice 10002 5 请离开", kAccountNoticeType, {{8, 1, 5}, {12, 4, 10002}, {16, 0, 0, "请离开"}}},
        {u8"notice 10002 13 -7", kAccountNoticeType, {{8, 1, 13}, {280, 4, -7}}},
        {u8"forbid 10002 刷屏", kAccountNoticeType, {{8, 1, 2}, {16, 0, 0, "刷屏"}}},
        {u8"allow 10002", kAccountNoticeType, {{8, 1, 9}}},
        {u8"allow 10002 好了", kAccountNoticeType, {{8, 1, 10}, {16, 0, 0, "好了"}}},
        {u8"wage 10002 2 3 1 500", kWageNoticeType, {{8, 1, 2}, {12, 4, 3}, {16, 4, 1}, {20, 4, 500}}},
        {u8"autoplay 1 1 2", kAutoPlayType, {{8, 1, 1}, {9, 1, 2}}},
        {u8"escape-query 10002 -1", kEscapeQueryType, {{8, 1, 0xFF}}},
        {u8"say 1000000001 你好", kChatLineType, {{8, 4, kFirstBotId}, {48, 0, 0, "你好"}}},
        {u8"dismiss 1", kPlayerLeftType, {{12, 4, 10002}, {16, 1, 2}}},
    };
    std::map<int, size_t> seen;
    for (const Case& c : cases)
    {
        ASSERT_EQ(Operate(r, c.line), "") << c.line;
        const std::optional<std::string> msg = r.t.out.Msg(1, c.type, seen[c.type]++);
        ASSERT_TRUE(msg) << c.line;
        for (const Field& f : c.fields)
        {
            if (f.size == 1)
                EXPECT_EQ(Byte(*msg, f.at), f.value) << c.line << " at " << f.at;
            else if (f.size == 4)
                EXPECT_EQ(Int32(*msg, f.at), f.value) << c.line << " at " << f.at;
            else
                EXPECT_EQ(TalkRoom::Text(*msg, f.at, 64), f.text) << c.line << " at " << f.at;
        }
        if (std::string(c.line).rfind("wage", 0) == 0)
        {
            // A paid wage is in the record the table sees next.
            const std::int32_t before = Int32(*r.t.out.Msg(1, kTableSnapshotType), 12 + 28);
            const size_t snapshots = r.Count(1, kTableSnapshotType);
            r.Sit(1, 10002, 1, 0);
            const std::optional<std::string> after = r.t.out.Msg(1, kTableSnapshotType, snapshots);
            ASSERT_TRUE(after);
            EXPECT_EQ(Int32(*after, 12 + 28), before + 500);
        }
    }
    ASSERT_TRUE(r.t.out.Event("depart", {{"user", kFirstBotId}})) << "the bot goes with the table";

    // What the room cannot carry out is answered, and nothing is sent.
    const size_t sent = r.t.out.Sent(1).size();
    EXPECT_EQ(Operate(r, "notice 99999 1 x"), "user 99999 is not on the server");
    EXPECT_EQ(Operate(r, "say 10002 hi"), "user 10002 is not a bot at a table");
    EXPECT_EQ(Operate(r, "autoplay 9 0 1"), "no table 9 (tables 1 to 2)");
    EXPECT_EQ(r.t.out.Sent(1).size(), sent);
}

TEST(Operator, WrongLinesAreRefusedWithTheirReason)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"frobnicate 1", "unknown command 'frobnicate'"},
        {"", "no command"},
        {"wage 10002 7 1 1 1", "wage: KIND must be a number from 2 to 6, not '7'"},
        {"wage 10002 2 1 1", "usage: wage TARGET KIND LIMIT NUMBER AMOUNT"},
        {"escape-query all 128", "STATE must be a number from -128 to 127"},
        {"bulletin table 0 system x", "table takes a number from 1 to 255"},
        {"bulletin bob system x", "the target is a user id, 'table N' or 'all'"},
        {"bulletin all loud x", "KIND must be a number from 0 to 255, not 'loud' (or horn"},
        {"bulletin all system " + std::string(515, 'a'), "TEXT takes 515 bytes in GBK, at most 514 fit"},
        {"notice 1 3 " + std::string(264, 'a'), "at most 263 fit"},
        {"say 1000000001 \xF0\x9F\x98\x80", "GBK cannot carry"},
        {"say 1000000001", "usage: say BOT TEXT"},
        {"dismiss 1 2", "usage: dismiss TABLE"},
        {"invite all", "usage: invite TARGET NAME"},
    };
    for (const auto& [line, reason] : cases)
    {
        OperatorCommand command;
        std::string error;
        EXPECT_FALSE(ParseOperatorCommand(line, command, error)) << line;
        EXPECT_NE(error.find(reason), std::string::npos) << line << " gave " << error;
    }
}

TEST(Operator, AScenarioGivesTheSameCommands)
{
    Scenario scenario;
    ScenarioError error;
    ASSERT_TRUE(ParseScenario(u8"room forbid table 2 安静\n", "s.txt", scenario, error)) << error.Text();
    ASSERT_EQ(scenario.steps.size(), 1u);
    const RoomCommand& command = scenario.steps[0].room;
    EXPECT_EQ(command.kind, RoomCommand::Kind::Operator);
    EXPECT_EQ(command.op.kind, OperatorCommand::Kind::Forbid);
    EXPECT_EQ(command.op.target.kind, OperatorTarget::Kind::Table);
    EXPECT_EQ(command.op.text, "安静");
    EXPECT_FALSE(ParseScenario("wait 1\nroom wage 1 9 0 0 0\n", "s.txt", scenario, error));
    EXPECT_EQ(error.Text(), "s.txt:2: wage: KIND must be a number from 2 to 6, not '9'");
}

TEST(Operator, TheConsoleReadsLinesFromAPipeAndEndsWithIt)
{
    TalkRoom r;
    r.Join(1, 10002, 1, 0);
    int fds[2];
    ASSERT_EQ(pipe2(fds, O_CLOEXEC), 0);
    std::mutex mutex;
    std::string said;
    Console console(fds[0], r.t.room,
                    [&](const std::string& text)
                    {
                        std::lock_guard<std::mutex> lock(mutex);
                        said += text;
                    });
    ASSERT_TRUE(console.Start());
    const std::string input =
        u8"# a comment\n\nbulletin 10002 system 开会\r\nnope\nnotice 4242 1 x\nhelp\nescape-query "
        "10002 1"; // the last line without its end
    ASSERT_EQ(write(fds[1], input.data(), input.size()), static_cast<ssize_t>(input.size()));
    close(fds[1]);
    console.Wait(); // the end of the input ends the console
    close(fds[0]);
    EXPECT_TRUE(console.Ended());

    const std::optional<std::string> bulletin = r.t.out.Msg(1, kServerTextType);
    ASSERT_TRUE(bulletin);
    EXPECT_EQ(TalkRoom::Text(*bulletin, 57, 64), "开会");
    ASSERT_TRUE(r.t.out.Msg(1, kEscapeQueryType));
    std::lock_guard<std::mutex> lock(mutex);
    EXPECT_NE(said.find("error: unknown command 'nope'"), std::string::npos) << said;
    EXPECT_NE(said.find("error: user 4242 is not on the server\n"), std::string::npos) << said;
    EXPECT_NE(said.find("escape-query TARGET STATE"), std::string::npos) << "help lists the commands";
}

} // namespace
