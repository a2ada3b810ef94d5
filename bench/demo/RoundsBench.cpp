// The demo game's server side without the network:
//
//   rounds/bots   whole rounds of Dou Dizhu between three bots, from the deal to the settlement
//                 (a deal that all three pass counts as a round too), in rounds per second.
#include "bench/BenchMain.h"
#include "examples/landlord/rules/Round.h"

#include <benchmark/benchmark.h>

#include <cstdint>

namespace
{

void RoundsBots(benchmark::State& state)
{
    std::uint64_t seed = 1;
    for (auto _ : state)
    {
        landlord::Round round(seed, static_cast<int>(seed % 3), 50);
        ++seed;
        while (round.GetPhase() == landlord::Phase::Bidding || round.GetPhase() == landlord::Phase::Playing)
        {
            if (round.PlayAsBot() != landlord::PlayError::None)
            {
                state.SkipWithError("a bot made an illegal move");
                return;
            }
        }
        benchmark::DoNotOptimize(round.Result());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(RoundsBots)->Name("rounds/bots");

} // namespace
