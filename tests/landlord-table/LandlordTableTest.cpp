// The demo game at a real table: tessaro-devserver playing Dou Dizhu (--game landlord, a fixed
// --seed) and the staged game started by tessaro-lobby, headless, with the automatic player on
// (--autoplay). Each client prints its round on standard error (see LandlordView.h); the server
// writes its game-end line with the money by chair.
//
// Every wait is for a line of a child, with a deadline generous enough for the sanitizer builds.
#include "tests/support/DevServerProcess.h"
#include "tests/support/LobbyProcess.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

using testsupport::DevServerProcess;
using testsupport::GameEnvironment;
using testsupport::LobbyProcess;

constexpr int kRoundWaitMs = 240000;

std::vector<std::string> ServerArgs(int bots, int botDelayMs, const std::string& record = {})
{
    std::vector<std::string> args = {"--game", "landlord", "--chairs", "3", "--tables", "1", "--min-players", "3"};
    args.insert(args.end(), {"--auto-sit", "--bots", std::to_string(bots), "--seed", "11"});
    args.insert(args.end(), {"--bot-delay", std::to_string(botDelayMs), "--round-pause", "600000"});
    // The clients always authenticate; on a loaded machine they may take a while to, and a
    // connection given a default identity meanwhile could take another client's id.
    args.insert(args.end(), {"--auth-wait", "60000"});
    if (!record.empty())
        args.insert(args.end(), {"--record", record});
    return args;
}

std::unique_ptr<LobbyProcess> StartClient(int port, int userId)
{
    return std::make_unique<LobbyProcess>(std::vector<std::string>{"run", "--game", LANDLORD_GAME_BIN, "--server",
                                                                   "127.0.0.1:" + std::to_string(port), "--arg",
                                                                   "2=" + std::to_string(userId), "--headless",
                                                                   "--autoplay", "--timeout", "600"},
                                          GameEnvironment({"LANDLORD_ROUNDS=1", "LANDLORD_THINK_MS=50"}));
}

// The text after "landlord: <what> " on the last such line of a client's output; empty for none.
std::string LastLine(const std::string& output, const std::string& what)
{
    std::istringstream lines(output);
    std::string line, found;
    const std::string prefix = "landlord: " + what + " ";
    while (std::getline(lines, line))
    {
        if (line.rfind(prefix, 0) == 0)
            found = line.substr(prefix.size());
    }
    return found;
}

// A number array of a JSON line ("money":[1,-2,3]).
std::vector<long long> JsonInts(const std::string& line, const std::string& key)
{
    std::vector<long long> values;
    const size_t at = line.find("\"" + key + "\":[");
    if (at == std::string::npos)
        return values;
    std::istringstream items(line.substr(at + key.size() + 4));
    long long value = 0;
    char separator = ',';
    while (separator == ',' && items >> value)
    {
        values.push_back(value);
        items >> separator;
    }
    return values;
}

// The server's settlement as the clients print it: the money of chairs 0, 1 and 2.
std::string ServerMoney(const std::string& gameEnd)
{
    const std::vector<long long> chairs = JsonInts(gameEnd, "chairs");
    const std::vector<long long> money = JsonInts(gameEnd, "money");
    long long byChair[3] = {};
    for (size_t i = 0; i < chairs.size() && i < money.size(); ++i)
    {
        if (chairs[i] >= 0 && chairs[i] < 3)
            byChair[chairs[i]] = money[i];
    }
    return std::to_string(byChair[0]) + "," + std::to_string(byChair[1]) + "," + std::to_string(byChair[2]);
}

TEST(LandlordTable, ThreeClientsPlayARoundToOneSettlementThatTheReplayShowsAgain)
{
    const std::string record = ::testing::TempDir() + "landlord-table-" + std::to_string(::getpid()) + ".rec";
    DevServerProcess server(ServerArgs(0, 50, record));
    ASSERT_TRUE(server.Started()) << server.Stderr();
    std::vector<std::unique_ptr<LobbyProcess>> clients;
    for (int i = 0; i < 3; ++i)
        clients.push_back(StartClient(server.Port(), 10001 + i));
    for (auto& client : clients)
        ASSERT_EQ(client->WaitForExitLine(kRoundWaitMs), 0) << client->Report();

    const std::optional<std::string> gameEnd = server.WaitForLine("\"event\":\"game-end\"", 5000);
    ASSERT_TRUE(gameEnd) << server.Report();
    const std::string money = ServerMoney(*gameEnd);
    std::string first;
    for (auto& client : clients)
    {
        const std::string output = client->Stderr();
        const std::string end = LastLine(output, "end");
        ASSERT_FALSE(end.empty()) << output;
        if (first.empty())
            first = end;
        EXPECT_EQ(end, first) << "every client sees the same settlement";
        EXPECT_NE(end.find(" money " + money), std::string::npos) << end << " against the server's " << *gameEnd;
        EXPECT_EQ(output.find("landlord: refused"), std::string::npos) << "a client's move was refused:\n" << output;
        EXPECT_FALSE(LastLine(output, "play").empty()) << "the client saw no play";
    }
    // The three chairs of the fixed seed's round, dealt and settled: the sum is zero.
    long long sum = 0;
    for (const long long m : JsonInts(*gameEnd, "money"))
        sum += m;
    EXPECT_EQ(sum, 0) << *gameEnd;

    // The first connection's round, replayed from the server's record, ends the same way.
    EXPECT_EQ(server.Stop(), 0);
    LobbyProcess replay({"replay", "--game", LANDLORD_GAME_BIN, "--record", record, "--headless", "--timeout", "600"},
                        GameEnvironment({"LANDLORD_ROUNDS=1"}));
    ASSERT_EQ(replay.WaitForExitLine(kRoundWaitMs), 0) << replay.Report();
    EXPECT_EQ(LastLine(replay.Stderr(), "end"), first) << replay.Report();
    std::remove(record.c_str());
}

TEST(LandlordTable, ADroppedPlayerIsPlayedForAndTakenBackIntoTheRound)
{
    // Two bots that think half a second: the round outlasts the player's absence.
    DevServerProcess server(ServerArgs(2, 500));
    ASSERT_TRUE(server.Started()) << server.Stderr();
    auto first = StartClient(server.Port(), 10001);
    ASSERT_TRUE(first->WaitForStderr({"landlord: landlord chair"}, kRoundWaitMs)) << first->Report();
    // The game goes without a word, as when its machine loses the network.
    const std::optional<std::string> launch = first->WaitForLine("\"event\": \"launch\"", 0);
    ASSERT_TRUE(launch);
    ::kill(static_cast<pid_t>(testsupport::JsonInt(*launch, "pid").value_or(-1)), SIGKILL);
    ASSERT_TRUE(server.WaitForLine("\"event\":\"away\"", 30000)) << server.Report();
    first->WaitForExitLine(30000);

    auto again = StartClient(server.Port(), 10001);
    ASSERT_TRUE(again->WaitForStderr({"landlord: restored chair", "landlord: end "}, kRoundWaitMs)) << again->Report();
    const std::optional<std::string> gameEnd = server.WaitForLine("\"event\":\"game-end\"", 30000);
    ASSERT_TRUE(gameEnd) << server.Report();
    EXPECT_NE(LastLine(again->Stderr(), "end").find(" money " + ServerMoney(*gameEnd)), std::string::npos)
        << again->Stderr() << "\nagainst the server's " << *gameEnd;
    // He came back to his seat, and the room said so.
    EXPECT_TRUE(server.WaitForLine("\"event\":\"back\"", 0)) << server.Report();
    EXPECT_EQ(again->Stderr().find("landlord: deal "), std::string::npos)
        << "the round went on, it was not dealt again";
    ASSERT_EQ(again->WaitForExitLine(kRoundWaitMs), 0) << again->Report();
}

} // namespace
