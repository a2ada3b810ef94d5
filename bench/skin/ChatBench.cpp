// The chat pane's costs, headless:
//
//   chat/addchat500     one AddChat of a 500-character line of Chinese and Latin text into a chat
//                       list 314 pixels wide (the cut into lines measures every growing piece), in
//                       microseconds, each line new to the font; against chat/measure500, one width
//                       measurement of such a whole line in the same font.
//   chatlist/draw/1000  drawing a chat list that holds 1000 lines; against chatlist/draw/10, the
//                       same list with 10 lines: only the visible lines should cost (target ratio of
//                       times at most 1.5).
#include "bench/BenchMain.h"
#include "tessaro/widgets/ChatListWidget.h"

#include "pop/Font.h"
#include "pop/Graphics.h"
#include "pop/Image.h"
#include "pop/SysFont.h"
#include "pop/TestHarness.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cwchar>
#include <string>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;

// The median and 99th percentile of the samples, in the unit the name says.
void Report(benchmark::State& state, std::vector<double> samples, const char* median, const char* p99)
{
    std::sort(samples.begin(), samples.end());
    state.counters[median] = samples[samples.size() / 2];
    state.counters[p99] = samples[std::min(samples.size() - 1, samples.size() * 99 / 100)];
}

// A run of lines of 500 characters drawn from Chinese and Latin letters, blanks and punctuation
// by a fixed generator: no line and no piece of one was measured before (the font remembers the
// widths it measured), while the font's glyphs are all loaded, as in a game that has been running
// a while.
class Lines
{
public:
    static constexpr const wchar_t* kCharacters =
        L"大家好今天的牌不错再来一局打得漂亮谢谢朋友快点出牌吧GoodgamewellplayedThanksABCXYZ  ,.!?";

    std::wstring Next()
    {
        const size_t count = std::wcslen(kCharacters);
        std::wstring line(500, L' ');
        for (wchar_t& c : line)
        {
            m_state = m_state * 6364136223846793005ull + 1442695040888963407ull;
            c = kCharacters[(m_state >> 33) % count];
        }
        return line;
    }

private:
    std::uint64_t m_state = 1;
};

void AddChat500(benchmark::State& state)
{
    Sexy::TestHarness h;
    Sexy::ChatListWidget list(&h.App());
    list.Resize(0, 0, 314, 160);
    list.AddChat(Lines::kCharacters, 2); // every glyph loaded
    Lines lines;
    std::vector<double> us;
    for (auto _ : state)
    {
        const std::wstring line = lines.Next();
        const auto start = Clock::now();
        list.AddChat(line, 2);
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    Report(state, us, "median_us", "p99_us");
}
BENCHMARK(AddChat500)->Name("chat/addchat500")->UseRealTime();

void Measure500(benchmark::State& state)
{
    Sexy::TestHarness h;
    Sexy::SysFont font("宋体", 10);
    font.StringWidth(Lines::kCharacters);
    Lines lines;
    std::vector<double> us;
    for (auto _ : state)
    {
        const std::wstring line = lines.Next();
        const auto start = Clock::now();
        benchmark::DoNotOptimize(font.StringWidth(line));
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    Report(state, us, "median_us", "p99_us");
}
BENCHMARK(Measure500)->Name("chat/measure500")->UseRealTime();

void DrawChatList(benchmark::State& state)
{
    Sexy::TestHarness h;
    Sexy::ChatListWidget list(&h.App());
    list.Resize(0, 0, 314, 160);
    for (int i = 0; i < state.range(0); ++i)
        list.AddChat(L"[玩家" + std::to_wstring(i) + L"]说:大家好，今天的牌不错", i % 10);
    Sexy::MemoryImage screen(314, 160);
    Sexy::Graphics g(&screen);
    list.Draw(&g); // the glyph caches fill
    std::vector<double> us;
    for (auto _ : state)
    {
        const auto start = Clock::now();
        list.Draw(&g);
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    Report(state, us, "median_us", "p99_us");
}
BENCHMARK(DrawChatList)->Name("chatlist/draw")->Arg(1000)->Arg(10)->UseRealTime();

const bool kBaselines = []
{
    tessaro::bench::SetBaseline("chat/addchat500", "chat/measure500");
    tessaro::bench::SetBaseline("chatlist/draw/1000", "chatlist/draw/10");
    return true;
}();

} // namespace
