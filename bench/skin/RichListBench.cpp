// The user list's drawing cost, headless:
//
//   richlist/draw/1000  drawing a rich list of 15 columns (one of them pictures) holding 1000 rows,
//                       the list, its columns, headers and scrollbars as the widget manager draws
//                       them; against richlist/draw/10, the same list holding 10 rows: only the
//                       visible rows should cost (target ratio of times at most 1.5).
#include "bench/BenchMain.h"
#include "tessaro/widgets/RichListWidget.h"

#include "pop/Graphics.h"
#include "pop/Image.h"
#include "pop/SysFont.h"
#include "pop/TestHarness.h"
#include "pop/WidgetManager.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;

void DrawRichList(benchmark::State& state)
{
    // A screen of the list's size, so that the drawing measured is the list's.
    Sexy::TestHarness h(314, 240);
    Sexy::SysFont font("Arial", 12);
    std::vector<std::unique_ptr<Sexy::DDImage>> owned;
    std::vector<Sexy::Image*> pictures;
    for (int i = 0; i < 6; ++i)
    {
        owned.push_back(std::make_unique<Sexy::DDImage>(16, 16));
        Sexy::Graphics g(owned.back().get());
        g.SetColor(Sexy::Color(40 * i, 200 - 30 * i, 90));
        g.FillRect(0, 0, 16, 16);
        pictures.push_back(owned.back().get());
    }
    Sexy::RichListWidget list(100, &h.App(), nullptr);
    list.SetFont(&font);
    list.SetItemHeight(18);
    list.SetImageList(&pictures);
    for (int c = 0; c < 15; ++c)
    {
        Sexy::ListColumn column;
        column.type = c == 1 ? 1 : 0;
        column.title = L"列" + std::to_wstring(c);
        column.width = c == 0 ? 90 : 50;
        list.InsertColumn(&column);
    }
    list.Resize(0, 0, 314, 240);
    h.GetWidgetManager()->AddWidget(&list);
    for (int row = 0; row < state.range(0); ++row)
    {
        Sexy::ListItem item;
        item.text = L"玩家" + std::to_wstring(row);
        const int at = list.InsertItem(&item);
        for (int c = 1; c < 15; ++c)
        {
            item.row = at;
            item.column = c;
            item.text = c == 1 ? std::to_wstring(row % 6) : std::to_wstring(row * c);
            list.SetItem(&item);
        }
        if (row % 7 == 0)
            list.SetVip(at);
    }
    h.Draw(); // the glyph caches fill
    std::vector<double> us;
    for (auto _ : state)
    {
        list.MarkDirty();
        const auto start = Clock::now();
        h.Draw();
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::sort(us.begin(), us.end());
    state.counters["median_us"] = us[us.size() / 2];
    state.counters["p99_us"] = us[std::min(us.size() - 1, us.size() * 99 / 100)];
    h.GetWidgetManager()->RemoveWidget(&list);
}
BENCHMARK(DrawRichList)->Name("richlist/draw")->Arg(1000)->Arg(10)->UseRealTime();

const bool kBaselines = []
{
    tessaro::bench::SetBaseline("richlist/draw/1000", "richlist/draw/10");
    return true;
}();

} // namespace
