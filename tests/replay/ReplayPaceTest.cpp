// The replay's pace driven by a clock of the test's own: the recorded gaps, held by pause, a
// quarter of them at the fast pace, and nothing at all after WM_CLOSE.
#include "tests/replay/ReplayTestSupport.h"
#include "tools/lobby/Replay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>

namespace
{

using namespace replaytest;
using lobby::Replay;
using lobby::ReplayClock;
using std::chrono::milliseconds;

constexpr unsigned kReplayMsg = platform::WM_LOBBY_REPLAY;

class ReplayPace : public testing::Test
{
protected:
    // Messages of connection 1 at these recorded times (and one of connection 2 between them).
    void Load(const std::vector<double>& times)
    {
        std::vector<std::string> lines{kHeader};
        for (size_t i = 0; i < times.size(); ++i)
        {
            lines.push_back(Entry(1, times[i], 40 + static_cast<int>(i), Frame(40, std::string(1, char(i)))));
            if (i == 0)
                lines.push_back(Entry(2, times[i], 99, Frame(99, "")));
        }
        WriteLines(m_dir / "r.jsonl", lines);
        lobby::RecordReader reader;
        std::string error;
        ASSERT_TRUE(reader.Open((m_dir / "r.jsonl").string(), error));
        m_replay = std::make_unique<Replay>(
            std::move(reader), "r.jsonl", 1, times.size(), times.front(),
            [this](const std::string& line) { m_lines.push_back(line); }, m_t0);
        m_replay->Begin(
            [this](const lobby::RecordEntry& entry)
            {
                m_delivered.push_back({entry.type, m_now});
                return Replay::Delivery{true, 1};
            },
            m_t0);
    }

    // Polls at ms after the start as the lobby's loop does, until nothing more is due then.
    int PollAt(int ms)
    {
        m_now = ms;
        int wait;
        while ((wait = m_replay->Poll(m_t0 + milliseconds(ms))) == 0)
        {
        }
        return wait;
    }
    void Control(unsigned msg, platform::WPARAM w, int ms)
    {
        m_replay->OnLobbyMessage(msg, w, m_t0 + milliseconds(ms));
    }

    TempFolder m_dir;
    const ReplayClock::time_point m_t0 = ReplayClock::now();
    int m_now = 0;
    std::unique_ptr<Replay> m_replay;
    std::vector<std::string> m_lines;
    std::vector<std::pair<int, int>> m_delivered; // type, when (ms after the start)
};

TEST_F(ReplayPace, PauseHoldsTimeAndFastQuartersTheGaps)
{
    Load({1000, 1100, 1300, 2300, 2400});
    EXPECT_EQ(PollAt(0), 100); // the first at once, connection 2's never
    EXPECT_EQ(PollAt(99), 1);
    EXPECT_EQ(PollAt(100), 200);
    Control(kReplayMsg, 4, 150); // pause with 150 ms of the gap to go
    EXPECT_EQ(PollAt(10000), -1);
    Control(kReplayMsg, 1, 10000);
    EXPECT_EQ(PollAt(10149), 1);
    EXPECT_EQ(PollAt(10150), 1000);
    Control(kReplayMsg, 2, 10150); // fast: the 1000 ms gap takes 250

    EXPECT_EQ(PollAt(10399), 1);
    EXPECT_EQ(PollAt(10400), 25);
    Control(kReplayMsg, 3, 10400); // normal again: the full 100 ms
    EXPECT_EQ(PollAt(10499), 1);
    EXPECT_EQ(PollAt(10500), -1);

    const std::vector<std::pair<int, int>> want = {{40, 0}, {41, 100}, {42, 10150}, {43, 10400}, {44, 10500}};
    EXPECT_EQ(m_delivered, want);
    // The pause and the play report the same position: time did not run while paused.
    auto has = [&](const std::string& text)
    {
        return std::any_of(m_lines.begin(), m_lines.end(),
                           [&](const std::string& l) { return l.find(text) != std::string::npos; });
    };
    EXPECT_TRUE(has(R"("command": "pause", "playing": false, "speed": 1, "position": 1150.000)"));
    EXPECT_TRUE(has(R"("command": "play", "playing": true, "speed": 1, "position": 1150.000)"));
    EXPECT_TRUE(has(R"("command": "fast", "playing": true, "speed": 4, "position": 1300.000)"));
    EXPECT_TRUE(has(R"({"event": "replay-end", "delivered": 5, "position": 2400.000, "t": 10500.000})"));
}

TEST_F(ReplayPace, ControlsWhilePausedAndCloseStopTheReplay)
{
    Load({0, 400, 800});
    PollAt(0);
    Control(kReplayMsg, 4, 0);
    Control(kReplayMsg, 2, 0); // fast while paused: still paused
    Control(kReplayMsg, 9, 0); // no control: ignored
    EXPECT_EQ(PollAt(5000), -1);
    Control(kReplayMsg, 1, 5000);
    EXPECT_EQ(PollAt(5000), 100);
    Control(platform::WM_CLOSE, 0, 5050);
    EXPECT_TRUE(m_replay->CloseRequested());
    EXPECT_EQ(PollAt(60000), -1);
    EXPECT_EQ(m_delivered.size(), 1u);
    EXPECT_EQ(m_lines.size(), 1u + 1u + 3u + 1u); // start, the first, pause, fast, play, close
    EXPECT_NE(m_lines.back().find(R"("command": "close", "playing": false, "speed": 4, "position": 200.000)"),
              std::string::npos)
        << m_lines.back();
}

} // namespace
