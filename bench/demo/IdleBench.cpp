// The idle cost of a demo-game client at a table between rounds:
//
//   idle_cpu/table  the staged game, started by tessaro-lobby headless against tessaro-devserver
//                   (Dou Dizhu with two bots), plays one round with its automatic player; then,
//                   with the settlement on its screen and the next round far off, the CPU time of
//                   the game's process over five seconds of wall time, in percent of one core
//                   (target: at most 2).
#include "bench/BenchMain.h"
#include "tests/support/DevServerProcess.h"
#include "tests/support/LobbyProcess.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>

namespace
{

using Clock = std::chrono::steady_clock;

constexpr int kRoundWaitMs = 240000;
constexpr auto kSettle = std::chrono::seconds(2);
constexpr auto kMeasure = std::chrono::seconds(5);

// User and system time of a process so far, in seconds; a negative value when it cannot be read.
double ProcessCpuSeconds(long pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!std::getline(stat, text))
        return -1;
    // The command name may hold blanks: the fields that follow count from its closing parenthesis.
    const size_t close = text.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i)
    {
        if (i == 14)
            utime = std::stoull(field);
        else if (i == 15)
            stime = std::stoull(field);
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

void IdleTable(benchmark::State& state)
{
    testsupport::DevServerProcess server({"--game", "landlord", "--chairs", "3", "--tables", "1", "--min-players", "3",
                                          "--auto-sit", "--bots", "2", "--bot-delay", "50", "--round-pause", "600000",
                                          "--seed", "5", "--auth-wait", "60000"});
    if (!server.Started())
    {
        state.SkipWithError("tessaro-devserver did not start");
        return;
    }
    testsupport::LobbyProcess client({"run", "--game", LANDLORD_GAME_BIN, "--server",
                                      "127.0.0.1:" + std::to_string(server.Port()), "--headless", "--autoplay",
                                      "--timeout", "600"},
                                     testsupport::GameEnvironment({"LANDLORD_THINK_MS=20"}));
    const std::optional<std::string> launch = client.WaitForLine("\"event\": \"launch\"", 30000);
    const long pid = launch ? static_cast<long>(testsupport::JsonInt(*launch, "pid").value_or(-1)) : -1;
    if (pid <= 0 || !client.WaitForStderr({"landlord: end "}, kRoundWaitMs))
    {
        state.SkipWithError("the client did not play its round to the end");
        return;
    }
    double percent = 0;
    for (auto _ : state)
    {
        std::this_thread::sleep_for(kSettle);
        const double before = ProcessCpuSeconds(pid);
        const auto start = Clock::now();
        std::this_thread::sleep_for(kMeasure);
        const double after = ProcessCpuSeconds(pid);
        const double wall = std::chrono::duration<double>(Clock::now() - start).count();
        if (before < 0 || after < 0)
        {
            state.SkipWithError("the game's process ended while idle");
            return;
        }
        percent = (after - before) / wall * 100.0;
        state.SetIterationTime(wall);
    }
    state.counters["value_pct"] = percent;
}
BENCHMARK(IdleTable)->Name("idle_cpu/table")->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
