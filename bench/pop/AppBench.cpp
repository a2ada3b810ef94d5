// The frame loop's costs: one full frame of the showcase screen (an update and a complete redraw
// of 1024 x 738, headless), and the processor time an idle application takes at 100 updates a
// second on the real clock.
#include "examples/showcase/ShowcaseScreen.h"

#include "pop/SexyAppBase.h"
#include "pop/TestHarness.h"
#include "pop/WidgetManager.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <vector>

namespace
{

void FrameShowcase(benchmark::State& state)
{
    Sexy::TestHarness h(showcase::ShowcaseScreen::kWidth, showcase::ShowcaseScreen::kHeight);
    showcase::ShowcaseScreen screen;
    h.GetWidgetManager()->AddWidget(&screen);
    h.Step(); // the first frame fills the font caches
    std::vector<double> ms;
    for (auto _ : state)
    {
        auto start = std::chrono::steady_clock::now();
        screen.MarkDirty(); // everything is drawn anew
        h.Step();
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    state.counters["median_ms"] = ms[ms.size() / 2];
    state.counters["p99_ms"] = ms[std::min(ms.size() - 1, ms.size() * 99 / 100)];
    h.GetWidgetManager()->RemoveWidget(&screen);
}
BENCHMARK(FrameShowcase)->Name("frame/showcase")->UseRealTime();

double ProcessCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// Ends itself after a given number of updates.
class IdleApp : public Sexy::SexyAppBase
{
public:
    int stopAfter = 0;
    void UpdateFrames() override
    {
        SexyAppBase::UpdateFrames();
        if (mUpdateCount >= stopAfter)
            Shutdown();
    }
};

// An application with nothing to draw, on the real clock, for 5 s (500 updates). The value is the
// process's processor time over the wall time, in percent of one core.
void IdleCpu(benchmark::State& state)
{
    double percent = 0;
    for (auto _ : state)
    {
        IdleApp app;
        app.mHeadless = true;
        app.stopAfter = 500;
        app.Init();
        app.UpdateAppStep(nullptr); // the first frame is drawn; from here on the screen is idle
        double cpu0 = ProcessCpuSeconds();
        auto wall0 = std::chrono::steady_clock::now();
        app.Start();
        double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
        percent = (ProcessCpuSeconds() - cpu0) / wall * 100.0;
    }
    state.counters["value_pct"] = percent;
}
BENCHMARK(IdleCpu)->Name("idle_cpu")->UseRealTime();

} // namespace
