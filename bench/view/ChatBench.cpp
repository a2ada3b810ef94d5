// A chat line from one client to another through the local game server:
//
//   chat/line_to_screen   from the Enter key that ends a line typed into one client's chat input
//                         (keys injected headless) to that line in the chat list of a second
//                         client, the minimal game run by the lobby stand-in at the same table of
//                         tessaro-devserver (it prints every chat line it is given); median and p99
//                         in ms. The typing client has a game master's right that sets no kind, so
//                         the chat pause does not hold the run up.
#include "bench/BenchMain.h"
#include "bench/view/ViewBenchGame.h"

#include "pop/WidgetManager.h"
#include "tessaro/session/GameMsg.h"
#include "tessaro/widgets/SkinEditWidget.h"
#include "tests/support/DevServerProcess.h"
#include "tests/support/LobbyProcess.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;
using testsupport::DevServerProcess;
using testsupport::LobbyProcess;

constexpr int kWaitMs = 20000;
constexpr int kOtherId = 10002;

// Runs the client's frames until done() or the deadline.
bool PumpUntil(viewbench::TableGame& game, const std::function<bool()>& done, int timeoutMs = kWaitMs)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done())
    {
        if (Clock::now() >= deadline)
            return false;
        game.harness.PumpMessages(10);
        game.harness.Step(1);
    }
    return true;
}

void ChatLineToScreen(benchmark::State& state)
{
    DevServerProcess server({"--tables", "1", "--chairs", "4", "--auto-sit", "--quiet"});
    viewbench::TableGame game;
    if (!server.Started() || !game.Ready() || game.Connect(server.Port()) < 0 ||
        !PumpUntil(game, [&] { return game.wnd.IsSessionOpen(); }))
    {
        state.SkipWithError("no session to the local game server");
        return;
    }
    unsigned char auth[44] = {};
    Ostra::PutBE32(auth + 8, static_cast<std::uint32_t>(Ostra::g_AppInfo.iUserId));
    game.wnd.SendNetMessage(auth, 32, sizeof auth);
    LobbyProcess other({"run", "--game", MINIMAL_GAME_BIN, "--server", "127.0.0.1:" + std::to_string(server.Port()),
                        "--arg", "2=" + std::to_string(kOtherId), "--headless", "--timeout", "600"},
                       testsupport::GameEnvironment({}));
    if (!PumpUntil(game, [&] { return game.view.GetPlayerNode(kOtherId) != nullptr; }))
    {
        state.SkipWithError("the second client did not sit down");
        return;
    }
    Ostra::g_AppInfo.bGmRightB = true;
    Sexy::SkinEditWidget* edit = game.view.m_pEditChat.get();
    game.harness.Click(edit->mX + edit->mWidth / 2, edit->mY + edit->mHeight / 2);
    game.harness.GetWidgetManager()->SetFocus(edit);

    std::vector<double> ms;
    int n = 0;
    for (auto _ : state)
    {
        const std::string mark = "<" + std::to_string(++n) + ">";
        game.harness.Text(L"bench " + std::wstring(mark.begin(), mark.end()));
        const auto start = Clock::now();
        game.harness.KeyDown(Sexy::KEYCODE_RETURN);
        game.harness.KeyUp(Sexy::KEYCODE_RETURN);
        // The game prints its lines in UTF-8.
        if (!other.WaitForStderr({std::string(u8"说:bench ") + mark}, kWaitMs))
        {
            state.SkipWithError("a line did not arrive");
            return;
        }
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        game.harness.Step(1);
    }
    std::sort(ms.begin(), ms.end());
    state.counters["median_ms"] = ms[ms.size() / 2];
    state.counters["p99_ms"] = ms[std::min(ms.size() - 1, ms.size() * 99 / 100)];
}
BENCHMARK(ChatLineToScreen)->Name("chat/line_to_screen")->Iterations(200)->UseRealTime();

} // namespace
