// tessaro-lobby replay end to end, with tessaro-replay-game pressing the replay buttons as a game
// in replay mode does. Paces are compared in the lobby's own delivery times.
#include "tests/replay/ReplayTestSupport.h"
#include "tests/support/LobbyProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace
{

using namespace replaytest;

class ReplayRun : public testing::Test
{
protected:
    // Replays the record into the stand-in game with its script; the lobby's exit status.
    int Replay(const std::vector<std::string>& extraArgs, const std::string& script)
    {
        std::vector<std::string> args = {"replay", "--game", TESSARO_REPLAY_GAME_BIN,   "--record",
                                         Record(), "--root", (m_dir / "root").string(), "--timeout",
                                         "60"};
        args.insert(args.end(), extraArgs.begin(), extraArgs.end());
        m_lobby = std::make_unique<testsupport::LobbyProcess>(
            args, testsupport::GameEnvironment({"REPLAY_GAME_RECORD=" + (m_dir / "game.txt").string(),
                                                "REPLAY_GAME_SCRIPT=" + script, "REPLAY_GAME_STATUS=7"}));
        return m_lobby->WaitForExit(60000, true);
    }
    std::string Record() const { return (m_dir / "r.jsonl").string(); }

    // The lobby's lines of one event, in order.
    std::vector<std::string> Events(const std::string& event) const
    {
        std::vector<std::string> out;
        for (const std::string& line : m_lobby->Lines())
        {
            if (line.find("\"event\": \"" + event + "\"") != std::string::npos)
                out.push_back(line);
        }
        return out;
    }
    // The fractional value of "key" (the lobby's times have three decimals).
    static double Ms(const std::string& line, const std::string& key)
    {
        const size_t at = line.find("\"" + key + "\": ");
        return at == std::string::npos ? -1 : std::strtod(line.c_str() + at + key.size() + 4, nullptr);
    }
    // What the game received: "copydata TAG BYTES HEX" lines and "closed".
    std::vector<std::string> GameLines() const
    {
        std::ifstream in(m_dir / "game.txt");
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    TempFolder m_dir;
    std::unique_ptr<testsupport::LobbyProcess> m_lobby;
};

TEST_F(ReplayRun, PauseHoldsFastHastensAndCloseEndsTheGame)
{
    // The game pauses after the second message and holds the pause well past the third's time,
    // goes fast after the third and quits after the fifth; the sixth is far away. The first
    // connection in the record is the one replayed.
    const std::vector<double> at = {0, 50, 300, 2300, 6300, 100000};
    std::vector<std::string> lines{kHeader};
    std::vector<std::string> frames;
    for (size_t i = 0; i < at.size(); ++i)
    {
        frames.push_back(Frame(60, std::string(i + 1, 'x')));
        lines.push_back(Entry(1, at[i], 60, frames.back()));
    }
    lines.insert(lines.begin() + 2, Entry(2, 1, 61, Frame(61, "another client's"))); // not replayed
    WriteLines(Record(), lines);
    ASSERT_EQ(Replay({}, "2:pause,2:hold600,2:play,3:fast,5:quit"), 7) << m_lobby->Report();

    // Whatever the machine's speed: nothing is delivered between the pause and the play, and the
    // replay's position did not move meanwhile.
    const std::vector<std::string> out = m_lobby->Lines();
    const auto find = [&](const std::string& text)
    {
        return std::find_if(out.begin(), out.end(),
                            [&](const std::string& l) { return l.find(text) != std::string::npos; });
    };
    const auto pause = find("\"command\": \"pause\"");
    const auto play = find("\"command\": \"play\"");
    ASSERT_TRUE(pause < play && play != out.end()) << m_lobby->Report();
    EXPECT_TRUE(
        std::none_of(pause, play, [](const std::string& l) { return l.find("\"deliver\"") != std::string::npos; }));
    EXPECT_EQ(Ms(*pause, "position"), Ms(*play, "position"));

    const std::vector<std::string> delivered = Events("deliver");
    ASSERT_EQ(delivered.size(), 5u) << m_lobby->Report();
    // Normal pace keeps the recorded gap; at the fast pace a quarter of it is due, and a late
    // machine still stays well under half.
    EXPECT_GE(Ms(delivered[1], "t") - Ms(delivered[0], "t"), 49.0);
    EXPECT_LT(Ms(delivered[4], "t") - Ms(delivered[3], "t"), (at[4] - at[3]) / 2) << m_lobby->Report();
    EXPECT_TRUE(Events("replay-end").empty());
    ASSERT_EQ(Events("replay").size(), 4u) << m_lobby->Report();
    EXPECT_NE(Events("replay").back().find("\"command\": \"close\""), std::string::npos);

    // The game got the record's path, then the five frames in order, then WM_CLOSE.
    const std::vector<std::string> game = GameLines();
    ASSERT_EQ(game.size(), 7u);
    EXPECT_EQ(game[0], "copydata 1 " + std::to_string(Record().size() + 1) + " " + devserver::ToHex(Record()) + "00");
    for (size_t i = 0; i < 5; ++i)
        EXPECT_EQ(game[i + 1], "copydata 0 " + std::to_string(frames[i].size()) + " " + devserver::ToHex(frames[i]));
    EXPECT_EQ(game[6], "closed");
}

TEST_F(ReplayRun, AMalformedRecordIsRefusedBeforeTheGameStarts)
{
    const std::string good = Entry(1, 0, 5, Frame(5, "a"));
    WriteLines(Record(), {kHeader, good, good.substr(0, good.size() - 12) + "zz\"}", good, R"({"conn":1,"t":1})"});
    EXPECT_EQ(Replay({}, ""), 2);
    const std::string err = m_lobby->Stderr();
    EXPECT_NE(err.find(Record() + ":3: the frame's digit"), std::string::npos) << err;
    EXPECT_NE(err.find(Record() + ":5: the field \"type\" is missing"), std::string::npos) << err;
    EXPECT_NE(err.find("the record is refused: 2 malformed lines"), std::string::npos) << err;
    EXPECT_TRUE(Events("launch").empty());

    // So is a record without messages of the connection asked for.
    WriteLines(Record(), {kHeader, good});
    EXPECT_EQ(Replay({"--conn", "3"}, ""), 2);
    EXPECT_NE(m_lobby->Stderr().find("no messages of connection 3"), std::string::npos) << m_lobby->Stderr();
    EXPECT_TRUE(Events("launch").empty());
}

} // namespace
