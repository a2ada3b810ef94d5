// The common main of the bench-<area> programs.
//
// Each program registers Google Benchmark functions as usual and may pair a benchmark with a
// baseline measured in the same run. Without arguments it prints the usual console report and then
// a summary; with --json it prints only one JSON object per line:
//   {"name": ..., "value": ..., "unit": ..., "baseline": ..., "ratio": ...}
// where value is a throughput when the benchmark counts bytes (MB/s, 10^6 bytes) or items
// (items/s), else the time of one iteration (ns); ratio is value divided by the baseline's value,
// so for throughputs above 1 means faster than the baseline. Other arguments go to Google Benchmark.
//
// A benchmark that times its iterations itself reports through user counters: a counter
// "median_<unit>" (such as "median_us" or "median_ms") becomes the value in that unit, ahead of
// bytes and items, and a counter "p99_<unit>" (or "p99") is added to the object as "p99": the 99th
// percentile in the same unit. A counter "value_<unit>" gives a value that is not a median the same
// way; the unit "pct" is written "%".
#pragma once

#include <string>

namespace tessaro::bench
{

// `name` is compared with `baseline` (full benchmark names, with their arguments: "BM_X/500").
void SetBaseline(const std::string& name, const std::string& baseline);

int Main(int argc, char** argv);

} // namespace tessaro::bench

// Use once per program instead of BENCHMARK_MAIN().
#define TESSARO_BENCH_MAIN()                                                                                           \
    int main(int argc, char** argv)                                                                                    \
    {                                                                                                                  \
        return tessaro::bench::Main(argc, argv);                                                                       \
    }
