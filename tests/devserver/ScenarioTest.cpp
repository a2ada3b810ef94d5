#include "tools/devserver/Scenario.h"
#include "tools/devserver/Wire.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

using namespace devserver;

Scenario ParseOk(const std::string& text)
{
    Scenario s;
    ScenarioError error;
    EXPECT_TRUE(ParseScenario(text, "test.txt", s, error)) << error.Text();
    return s;
}

ScenarioError ParseBad(const std::string& text)
{
    Scenario s;
    ScenarioError error;
    EXPECT_FALSE(ParseScenario(text, "test.txt", s, error)) << "accepted: " << text;
    return error;
}

std::string Hex(const std::string& bytes)
{
    return ToHex(bytes);
}

TEST(ScenarioParse, EveryCommandBecomesItsStep)
{
    const Scenario s = ParseOk("send 7 0a0B\n"
                               "send probe\n"
                               "sendmsg 04 05 0000 00000000\n"
                               "raw 03 00 00 04\n"
                               "frame-version 9\n"
                               "split 3\n"
                               "split 4 25\n"
                               "batch 5\n"
                               "wait 120\n"
                               "expect 26\n"
                               "expect 1 300\n"
                               "close\n");
    ASSERT_EQ(s.steps.size(), 12u);
    EXPECT_EQ(s.name, "test.txt");

    EXPECT_EQ(s.steps[0].kind, StepKind::Message);
    EXPECT_EQ(Hex(s.steps[0].bytes), "03070000000000020a0b");
    EXPECT_EQ(s.steps[1].kind, StepKind::Template);
    EXPECT_TRUE(s.steps[1].source);
    EXPECT_EQ(s.steps[2].kind, StepKind::Message);
    EXPECT_EQ(Hex(s.steps[2].bytes), "0405000000000000"); // as given: version 4, no length check
    EXPECT_EQ(s.steps[3].kind, StepKind::Raw);
    EXPECT_EQ(Hex(s.steps[3].bytes), "03000004");
    EXPECT_EQ(s.steps[4].kind, StepKind::FrameVersion);
    EXPECT_EQ(s.steps[4].value, 9);
    EXPECT_EQ(s.steps[5].kind, StepKind::Split);
    EXPECT_EQ(s.steps[5].value, 3);
    EXPECT_EQ(s.steps[5].extra, kDefaultSplitGapMs);
    EXPECT_EQ(s.steps[6].value, 4);
    EXPECT_EQ(s.steps[6].extra, 25);
    EXPECT_EQ(s.steps[7].kind, StepKind::Batch);
    EXPECT_EQ(s.steps[7].value, 5);
    EXPECT_EQ(s.steps[8].kind, StepKind::Wait);
    EXPECT_EQ(s.steps[8].value, 120);
    EXPECT_EQ(s.steps[9].kind, StepKind::Expect);
    EXPECT_EQ(s.steps[9].value, 26);
    EXPECT_EQ(s.steps[9].extra, kDefaultExpectTimeoutMs);
    EXPECT_EQ(s.steps[10].value, 1);
    EXPECT_EQ(s.steps[10].extra, 300);
    EXPECT_EQ(s.steps[11].kind, StepKind::Close);
    for (size_t i = 0; i < s.steps.size(); ++i)
        EXPECT_EQ(s.steps[i].line, static_cast<int>(i) + 1);
}

TEST(ScenarioParse, HexWithOrWithoutBlanksBetweenPairs)
{
    const Scenario s = ParseOk("send 5 0102 03ff\n"
                               "send 5 01 02 03 FF\n"
                               "send 5 010203fF\n"
                               "send 5 \t01\t0203  ff  \n");
    ASSERT_EQ(s.steps.size(), 4u);
    for (const Step& step : s.steps)
        EXPECT_EQ(Hex(step.bytes), "03050000000000040102"
                                   "03ff");
}

TEST(ScenarioParse, SendWithoutBodyIsAHeaderAlone)
{
    const Scenario s = ParseOk("send 255\nsendmsg\n");
    ASSERT_EQ(s.steps.size(), 2u);
    EXPECT_EQ(Hex(s.steps[0].bytes), "03ff000000000000");
    // An empty message is allowed: its frame is the smallest there is.
    EXPECT_EQ(s.steps[1].kind, StepKind::Message);
    EXPECT_TRUE(s.steps[1].bytes.empty());
}

TEST(ScenarioParse, CommentsBlankLinesAndLineEndsKeepLineNumbers)
{
    const Scenario s = ParseOk("# a comment\r\n"
                               "\r\n"
                               "   \t\n"
                               "   # indented comment\n"
                               "  send 1 00  \r\n"
                               "\n"
                               "wait 5");
    ASSERT_EQ(s.steps.size(), 2u);
    EXPECT_EQ(s.steps[0].line, 5);
    EXPECT_EQ(s.steps[0].text, "send 1 00");
    EXPECT_EQ(s.steps[1].line, 7);
    EXPECT_EQ(s.steps[1].value, 5);
}

TEST(ScenarioParse, RepeatBlocksNest)
{
    const Scenario s = ParseOk("repeat 2\n"
                               "  send 1\n"
                               "  repeat 3\n"
                               "    send 2\n"
                               "    repeat 0\n"
                               "    end\n"
                               "  end\n"
                               "  send 3\n"
                               "end\n"
                               "send 4\n");
    ASSERT_EQ(s.steps.size(), 2u);
    const Step& outer = s.steps[0];
    EXPECT_EQ(outer.kind, StepKind::Repeat);
    EXPECT_EQ(outer.value, 2);
    ASSERT_EQ(outer.body.size(), 3u);
    EXPECT_EQ(MsgType(outer.body[0].bytes), 1);
    const Step& inner = outer.body[1];
    EXPECT_EQ(inner.kind, StepKind::Repeat);
    EXPECT_EQ(inner.value, 3);
    EXPECT_EQ(inner.line, 3);
    ASSERT_EQ(inner.body.size(), 2u);
    EXPECT_EQ(MsgType(inner.body[0].bytes), 2);
    EXPECT_EQ(inner.body[1].kind, StepKind::Repeat);
    EXPECT_TRUE(inner.body[1].body.empty());
    EXPECT_EQ(MsgType(outer.body[2].bytes), 3);
    EXPECT_EQ(MsgType(s.steps[1].bytes), 4);
}

TEST(ScenarioParse, RepeatDepthIsBounded)
{
    std::string deep;
    for (int i = 0; i < kMaxRepeatDepth; ++i)
        deep += "repeat 1\n";
    std::string closing;
    for (int i = 0; i < kMaxRepeatDepth; ++i)
        closing += "end\n";
    ParseOk(deep + "send 1\n" + closing);
    const ScenarioError e = ParseBad(deep + "repeat 1\nsend 1\nend\n" + closing);
    EXPECT_EQ(e.line, kMaxRepeatDepth + 1);
}

TEST(ScenarioParse, BodiesUpToTheFrameLimit)
{
    const std::string fits(static_cast<size_t>(kMaxBodyLen) * 2, 'a');
    const Scenario s = ParseOk("send 9 " + fits + "\n");
    EXPECT_EQ(s.steps[0].bytes.size(), static_cast<size_t>(kMaxFramedMsgLen));
    const ScenarioError e = ParseBad("send 9 " + fits + "aa\n");
    EXPECT_EQ(e.line, 1);
    EXPECT_NE(e.reason.find("does not fit a frame"), std::string::npos) << e.reason;
    ParseBad("sendmsg " + fits + "aaaaaaaaaaaaaaaaaa\n");
}

struct BadLine
{
    const char* line;
    const char* reason; // a part of the error's text
};

TEST(ScenarioParse, BadLinesNameTheirLineAndTheFault)
{
    const BadLine cases[] = {
        {"bogus 1", "unknown command 'bogus'"},
        {"send", "usage: send TYPE"},
        {"send 256", "TYPE must be a decimal number from 0 to 255"},
        {"send 5x", "TYPE must be"},
        {"send -1", "unknown template '-1'"},
        {"send 5 0g", "'g' is not a hexadecimal digit"},
        {"send 5 012", "two digits"},
        {"send 5 0 1", "two digits"},
        {"send 5 0x01", "'x' is not"},
        {"send nosuch", "unknown template 'nosuch'"},
        {"send probe 1", "takes no arguments"},
        {"send netdelay 5", "takes 2 arguments"},
        {"send netdelay 5 256", "SEAT must be"},
        {"send seq 1 0", "COUNT must be"},
        {"send seq 1 5 3", "BODYLEN must be"},
        {"send seq 300 5", "TYPE must be"},
        {"sendmsg zz", "not a hexadecimal digit"},
        {"raw", "usage: raw HEX"},
        {"raw 1", "two digits"},
        {"frame-version 256", "V must be"},
        {"frame-version", "usage: frame-version V"},
        {"split 0", "N must be"},
        {"split 2 3 4", "usage: split N [GAP_MS]"},
        {"batch 0", "N must be"},
        {"wait", "usage: wait MS"},
        {"wait 1.5", "MS must be"},
        {"wait -1", "MS must be"},
        {"wait 5 6", "usage"},
        {"wait 99999999999999999999", "MS must be"},
        {"expect 300", "TYPE must be"},
        {"expect 1 x", "TIMEOUT_MS must be"},
        {"close now", "usage: close"},
        {"repeat", "usage: repeat N"},
        {"end", "end without repeat"},
        {"repeat 1\nend now", "end takes no arguments"},
        {"room", "usage: room auth USER_ID"},
        {"room sit 1", "usage: room auth"},
        {"room sit 256 0", "TABLE must be"},
        {"room ready now", "usage: room auth"},
        {"room auth x", "USER_ID must be"},
        {"send sitdown 1 1", "takes 3 or 6 arguments"},
        {"send snapshot 1:A:1:w10", "CHAIR must be"},
        {"send players 5", "a player is ID:NICK"},
        {"send join 1:A:1:2:ready:x", "a player is ID:NICK"},
        {"send ready x", "CHAIR must be"},
    };
    for (const BadLine& c : cases)
    {
        // Good lines and skipped ones before it: the number must be the bad line's own.
        const std::string text = "# header\nsend 1\n\n" + std::string(c.line) + "\nsend 2\n";
        const ScenarioError e = ParseBad(text);
        const int expectedLine = std::string(c.line).find('\n') == std::string::npos ? 4 : 5;
        EXPECT_EQ(e.line, expectedLine) << c.line;
        EXPECT_EQ(e.file, "test.txt");
        EXPECT_NE(e.reason.find(c.reason), std::string::npos) << c.line << " -> " << e.reason;
    }
}

TEST(ScenarioParse, UnclosedRepeatIsReportedAtItsOwnLine)
{
    const ScenarioError e = ParseBad("send 1\nrepeat 2\n  repeat 3\n  end\n  send 1\n");
    EXPECT_EQ(e.line, 2);
    EXPECT_EQ(e.Text(), "test.txt:2: repeat without end");
}

TEST(ScenarioParse, FileThatCannotBeReadHasNoLineNumber)
{
    Scenario s;
    ScenarioError e;
    EXPECT_FALSE(LoadScenario("/nonexistent/dir/script.txt", s, e));
    EXPECT_EQ(e.line, 0);
    EXPECT_EQ(e.Text().rfind("/nonexistent/dir/script.txt: cannot read", 0), 0u) << e.Text();
}

TEST(ScenarioParse, LoadReadsTheFileAndNamesItInErrors)
{
    char name[] = "/tmp/devserver-scenario-XXXXXX";
    const int fd = mkstemp(name);
    ASSERT_GE(fd, 0);
    const std::string text = "send 1\nwait 2\nsplit x\n";
    ASSERT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(fd);
    Scenario s;
    ScenarioError e;
    EXPECT_FALSE(LoadScenario(name, s, e));
    EXPECT_EQ(e.Text().rfind(std::string(name) + ":3: ", 0), 0u) << e.Text();
    unlink(name);
}

} // namespace
