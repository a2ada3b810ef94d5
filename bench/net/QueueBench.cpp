// Message queue throughput with items of the session queues' size (10500 bytes), against copying
// the same bytes in and out with no queue at all.
#include "bench/BenchMain.h"
#include "tessaro/net/MsgQueue.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <thread>
#include <vector>

namespace
{

constexpr int kItem = 10500;

void QueuePutGet(benchmark::State& state)
{
    MsgQueue q(300, 10752);
    std::vector<char> in(kItem, 'q');
    std::vector<char> out(kItem);
    for (auto _ : state)
    {
        q.Put(in.data(), kItem, 1);
        benchmark::DoNotOptimize(q.Get(out.data(), kItem, 1));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(QueuePutGet)->Name("queue/putget");

void CopyInAndOut(benchmark::State& state)
{
    std::vector<char> in(kItem, 'q');
    std::vector<char> slot(kItem + 1);
    std::vector<char> out(kItem);
    for (auto _ : state)
    {
        std::memcpy(slot.data(), in.data(), kItem);
        benchmark::ClobberMemory();
        std::memcpy(out.data(), slot.data(), kItem);
        std::memset(slot.data(), 0, kItem);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(CopyInAndOut)->Name("copy/in-out");

// One producer thread fills the queue as fast as it can; the benchmark thread takes the items.
void QueueThreads(benchmark::State& state)
{
    MsgQueue q(300, 10752);
    const auto total = static_cast<long>(state.max_iterations);
    std::thread producer(
        [&q, total]
        {
            std::vector<char> in(kItem, 'p');
            for (long i = 0; i < total; ++i)
                q.Put(in.data(), kItem);
        });
    std::vector<char> out(kItem);
    for (auto _ : state)
        benchmark::DoNotOptimize(q.Get(out.data(), kItem, -1));
    producer.join();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(QueueThreads)->Name("queue/threads")->UseRealTime();

const bool kBaselines = []
{
    tessaro::bench::SetBaseline("queue/putget", "copy/in-out");
    return true;
}();

} // namespace
