// A recorded table replayed into the minimal game, end to end: tessaro-devserver records a real
// session of the game with two bots, then tessaro-lobby replays the record into a new copy of the
// game, whose player clicks its replay buttons (pause, play, fast, quit). What the lobby delivered,
// and when, is read from the lobby's lines.
#include "tests/support/DevServerProcess.h"
#include "tests/support/JsonLine.h"
#include "tests/support/LobbyProcess.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

namespace fs = std::filesystem;
using testsupport::DevServerProcess;
using testsupport::GameEnvironment;
using testsupport::JsonInt;
using testsupport::JsonStr;
using testsupport::LobbyProcess;

constexpr int kWaitMs = 120000;

// A number field of a line (integer or with a fraction); -1 when it is missing.
double JsonNumber(const std::string& line, const std::string& key)
{
    const size_t at = testsupport::JsonValueAt(line, key);
    return at == std::string::npos ? -1.0 : std::atof(line.c_str() + at);
}

struct Event
{
    std::string kind; // "deliver" or a replay command
    double t;         // the lobby's time
    double at;        // deliveries: the recorded time
};

TEST(FrameReplay, TheReplayButtonsPauseSpeedUpAndEndAReplayOfARecordedTable)
{
    const fs::path record = fs::temp_directory_path() / ("tessaro-replay-" + std::to_string(getpid()) + ".rec");
    {
        // Rounds of three seconds with the bots, for eight seconds of the game.
        DevServerProcess server({"--tables", "1", "--chairs", "3", "--bots", "2", "--min-players", "3", "--auto-sit",
                                 "--bot-delay", "50", "--game-length", "3000", "--round-pause", "500", "--record",
                                 record.string()});
        ASSERT_TRUE(server.Started()) << server.Stderr();
        LobbyProcess lobby({"run", "--game", MINIMAL_GAME_BIN, "--server", "127.0.0.1:" + std::to_string(server.Port()),
                            "--headless", "--timeout", "120"},
                           GameEnvironment({"MINIMAL_SECONDS=8"}));
        ASSERT_TRUE(lobby.Started()) << lobby.SpawnError();
        ASSERT_EQ(lobby.WaitForExitLine(kWaitMs), 0) << lobby.Report();
    }

    // Paused 1.5 s in for 2.5 s, then fast; the quit button once the record has run out.
    LobbyProcess replay(
        {"replay", "--game", MINIMAL_GAME_BIN, "--record", record.string(), "--headless", "--timeout", "120"},
        GameEnvironment({"MINIMAL_REPLAY_CLICKS=pause@150,play@400,fast@450,quit@900"}));
    ASSERT_TRUE(replay.Started()) << replay.SpawnError();
    EXPECT_EQ(replay.WaitForExitLine(kWaitMs), 0) << replay.Report();
    fs::remove(record);

    std::vector<Event> events;
    for (const std::string& line : replay.Lines())
    {
        const auto event = JsonStr(line, "event");
        if (event == "deliver")
            events.push_back({"deliver", JsonNumber(line, "t"), JsonNumber(line, "at")});
        else if (event == "replay")
            events.push_back({JsonStr(line, "command").value_or("?"), JsonNumber(line, "t"), 0});
    }
    std::vector<std::string> commands;
    for (const Event& e : events)
    {
        if (e.kind != "deliver")
            commands.push_back(e.kind);
    }
    ASSERT_EQ(commands, (std::vector<std::string>{"pause", "play", "fast", "close"})) << replay.Report();
    // The game took the recorded table: its seats were shown from the replayed messages.
    EXPECT_NE(replay.Stderr().find("minimal: seats"), std::string::npos) << replay.Report();

    // Nothing arrives while paused; after fast, the gaps take a quarter of their recorded time.
    bool paused = false, fast = false;
    double fastWall = 0, fastRecorded = 0;
    const Event* previous = nullptr;
    for (const Event& e : events)
    {
        if (e.kind == "pause")
            paused = true;
        else if (e.kind == "play")
            paused = false;
        else if (e.kind == "fast")
        {
            fast = true;
            previous = nullptr; // the gaps between deliveries that both come after it
        }
        else if (e.kind == "deliver")
        {
            EXPECT_FALSE(paused) << "delivered while paused at " << e.t;
            if (fast && previous)
            {
                fastWall += e.t - previous->t;
                fastRecorded += e.at - previous->at;
            }
            previous = &e;
        }
    }
    ASSERT_GT(fastRecorded, 1000.0) << replay.Report();
    EXPECT_LT(fastWall, fastRecorded / 2) << replay.Report();
}

} // namespace
