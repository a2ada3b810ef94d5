// What the connection benchmarks share: the message they time, how long they sample, and the
// summary of a set of round-trip times.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace connbench
{

using Clock = std::chrono::steady_clock;

// A game message of 100 bytes (8 header, 92 body); on the wire a frame of 4 + 100 + 16 bytes.
inline constexpr int kMsgLen = 100;
inline constexpr int kFrameLen = 120;

// Round trips: a warm-up, then at least kMinSamples timed ones and for at least kMinSampleTime, so
// that the one benchmark iteration that holds them all outlasts the library's default minimum time
// (0.5 s) and is not run again.
inline constexpr int kWarmupRoundTrips = 500;
inline constexpr int kMinSamples = 5000;
inline constexpr std::chrono::milliseconds kMinSampleTime{600};
// Far beyond any round trip over loopback: a message that has not come back by then is lost.
inline constexpr std::chrono::milliseconds kReplyTimeout{2000};

// Stores median_us and p99_us (microseconds) for BenchMain.
inline void ReportLatencies(benchmark::State& state, std::vector<double>& us)
{
    if (us.empty())
        return;
    std::sort(us.begin(), us.end());
    state.counters["median_us"] = us[us.size() / 2];
    state.counters["p99_us"] = us[std::min(us.size() - 1, us.size() * 99 / 100)];
    state.counters["samples"] = static_cast<double>(us.size());
}

// Marks the benchmark failed; its loop must still be entered once, so this runs it empty.
inline void Fail(benchmark::State& state, const std::string& why)
{
    state.SkipWithError(why.c_str());
    for (auto _ : state)
    {
    }
}

} // namespace connbench
