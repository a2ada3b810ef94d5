// The scenario runner against a stand-in for the connection: which items a script makes, and how
// it waits and stops.
#include "tools/devserver/ScenarioRunner.h"
#include "tools/devserver/Wire.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace
{

using namespace devserver;
using std::chrono::milliseconds;

class FakeOutput : public ScriptOutput
{
public:
    bool Submit(OutItem item) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        items.push_back(std::move(item));
        return accept < 0 || static_cast<int>(items.size()) < accept;
    }

    std::vector<OutItem> items;
    int accept = -1; // refuse from this many items on (-1: never)

private:
    std::mutex m_mutex;
};

struct ScriptRun
{
    explicit ScriptRun(const std::string& script, int acceptItems = -1)
        : log([this](const std::string& line) { lines.push_back(line); })
    {
        output.accept = acceptItems;
        auto scenario = std::make_shared<Scenario>();
        ScenarioError error;
        EXPECT_TRUE(ParseScenario(script, "t.txt", *scenario, error)) << error.Text();
        runner = std::make_unique<ScenarioRunner>(std::move(scenario), 7, output, log);
    }

    // Runs the script to its end.
    void Complete()
    {
        ASSERT_TRUE(runner->Start());
        runner->Wait();
        ASSERT_TRUE(runner->Finished());
    }

    // The message in an item's frame, for a single-frame item.
    static std::string Msg(const OutItem& item)
    {
        EXPECT_EQ(item.units.size(), 1u);
        return item.units.empty() ? std::string() : item.units[0].bytes;
    }

    FakeOutput output;
    std::vector<std::string> lines;
    JsonLog log;
    std::unique_ptr<ScenarioRunner> runner;
};

TEST(Runner, BatchCollectsFramesAndRawBlocksAndSplitAppliesToItsWrite)
{
    ScriptRun r("batch 3\nsend 1 aa\nsplit 2 7\nraw 0102\nsend 2\nsend 3\n");
    r.Complete();
    ASSERT_EQ(r.output.items.size(), 2u);
    const OutItem& batch = r.output.items[0];
    ASSERT_EQ(batch.units.size(), 3u);
    EXPECT_EQ(batch.units[0].bytes, GameMessage(1, "\xaa"));
    EXPECT_TRUE(batch.units[1].raw);
    EXPECT_EQ(batch.units[1].bytes, "\x01\x02");
    EXPECT_EQ(batch.units[2].bytes, GameMessage(2, ""));
    EXPECT_EQ(batch.wire.size(), 29u + 2u + 28u);
    EXPECT_EQ(batch.wire.substr(29, 2), "\x01\x02");
    EXPECT_EQ(batch.pieces, 2);
    EXPECT_EQ(batch.gapMs, 7);
    // The split was used up by the batch.
    EXPECT_EQ(ScriptRun::Msg(r.output.items[1]), GameMessage(3, ""));
    EXPECT_EQ(r.output.items[1].pieces, 1);
}

TEST(Runner, WaitAndTheEndSendAPartialBatch)
{
    ScriptRun r("batch 5\nsend 1\nsend 2\nwait 0\nsend 3\nbatch 4\nsend 4\n");
    r.Complete();
    ASSERT_EQ(r.output.items.size(), 3u);
    EXPECT_EQ(r.output.items[0].units.size(), 2u);
    EXPECT_EQ(ScriptRun::Msg(r.output.items[1]), GameMessage(3, ""));
    EXPECT_EQ(ScriptRun::Msg(r.output.items[2]), GameMessage(4, ""));
}

TEST(Runner, FrameVersionAppliesToTheNextFrameOnly)
{
    ScriptRun r("frame-version 7\nraw 00\nsend 1\nsend 2\n");
    r.Complete();
    ASSERT_EQ(r.output.items.size(), 3u);
    EXPECT_EQ(r.output.items[0].wire, std::string(1, '\0'));
    EXPECT_EQ(static_cast<unsigned char>(r.output.items[1].wire[0]), 7);
    EXPECT_EQ(r.output.items[1].units[0].frameVersion, 7);
    EXPECT_EQ(static_cast<unsigned char>(r.output.items[2].wire[0]), 3);
}

TEST(Runner, RepeatsNest)
{
    ScriptRun r("repeat 3\nsend 1\nrepeat 2\nsend 2\nend\nend\nrepeat 0\nsend 9\nend\nsend 3\n");
    r.Complete();
    std::string types;
    for (const OutItem& item : r.output.items)
        types += std::to_string(MsgType(ScriptRun::Msg(item)));
    EXPECT_EQ(types, "1221221223");
}

TEST(Runner, CloseEndsTheScript)
{
    ScriptRun r("send 1\nclose\nsend 2\n");
    r.Complete();
    ASSERT_EQ(r.output.items.size(), 2u);
    EXPECT_EQ(r.output.items[1].kind, OutItem::Kind::Close);
    EXPECT_EQ(r.output.items[1].reason, "script");
    ASSERT_EQ(r.lines.size(), 1u);
    EXPECT_NE(r.lines[0].find("\"event\":\"script-end\",\"conn\":7,\"completed\":true"), std::string::npos);
}

TEST(Runner, EachExpectTakesOneMessageEvenOneThatCameEarlier)
{
    ScriptRun r("expect 5 2000\nexpect 5 50\nsend 1\n");
    r.runner->NoteReceived(5);
    r.runner->NoteReceived(6);
    r.Complete();
    ASSERT_EQ(r.output.items.size(), 1u);
    ASSERT_EQ(r.lines.size(), 2u);
    EXPECT_NE(r.lines[0].find("\"event\":\"script-error\",\"conn\":7,\"line\":2,\"command\":\"expect 5 50\""),
              std::string::npos)
        << r.lines[0];
    EXPECT_NE(r.lines[1].find("\"completed\":true"), std::string::npos);
}

TEST(Runner, ExpectWakesWhenTheMessageArrives)
{
    ScriptRun r("expect 5 60000\nsend 1\n");
    ASSERT_TRUE(r.runner->Start());
    r.runner->NoteReceived(5);
    r.runner->Wait();
    EXPECT_EQ(r.output.items.size(), 1u);
}

TEST(Runner, StopEndsAWaitAtOnce)
{
    ScriptRun r("wait 60000\nsend 1\n");
    ASSERT_TRUE(r.runner->Start());
    const auto asked = Clock::now();
    r.runner->Stop();
    EXPECT_LT(Clock::now() - asked, milliseconds(1000));
    EXPECT_TRUE(r.output.items.empty());
    ASSERT_EQ(r.lines.size(), 1u);
    EXPECT_NE(r.lines[0].find("\"completed\":false"), std::string::npos);
}

TEST(Runner, GoneConnectionStopsATemplateMidway)
{
    ScriptRun r("send seq 1 1000\nsend 2\n", 3);
    r.Complete();
    EXPECT_EQ(r.output.items.size(), 3u);
    EXPECT_NE(r.lines.back().find("\"completed\":false"), std::string::npos);
}

} // namespace
