// One full frame of the minimal game's table, headless, on the default skin:
//
//   frame/table     the whole screen drawn: four seated players with their portraits and names,
//                   a chat list holding its full 1000 lines, the user list with the four rows, two
//                   speech bubbles and the bulletin showing; against frame/blit, one blit of a
//                   1024 x 738 picture to the screen (target: frame/table at most 2 ms).
#include "bench/BenchMain.h"
#include "bench/view/ViewBenchGame.h"

#include "pop/Graphics.h"
#include "pop/Image.h"
#include "tessaro/session/ChatRecords.h"
#include "tessaro/widgets/ChatShowWidget.h"
#include "tessaro/widgets/TopBullWidget.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;

void FrameTable(benchmark::State& state)
{
    viewbench::TableGame game;
    if (!game.Ready())
    {
        state.SkipWithError("the default skin is not staged (build the minimal game first)");
        return;
    }
    game.SeatFour();
    for (int i = 0; i < 1000; ++i)
        game.view.AddChat(L"[玩家" + std::to_wstring(10002 + i % 3) + L"]说:第" + std::to_wstring(i) + L"句，大家好",
                          8);
    game.view.m_pChatShow[0]->SetChatInfo(L"快点吧，我等到花儿也谢了");
    game.view.m_pChatShow[2]->SetChatInfo(L"你的牌打得也太好了");
    Ostra::ChatInfo bulletin{};
    std::strcpy(bulletin.szText, "[系统公告]:欢迎来到演示桌，祝大家玩得开心");
    game.view.m_pTopBull->AddBull(&bulletin);
    game.harness.Step(1);
    game.harness.Draw(); // the glyph caches fill
    std::vector<double> us;
    for (auto _ : state)
    {
        const auto start = Clock::now();
        game.harness.Draw();
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    tessaro::bench::ReportMicros(state, us);
}
BENCHMARK(FrameTable)->Name("frame/table")->UseRealTime();

BENCHMARK(tessaro::bench::FrameBlit)->Name("frame/blit")->UseRealTime();

const bool kBaselines = []
{
    tessaro::bench::SetBaseline("frame/table", "frame/blit");
    return true;
}();

} // namespace
