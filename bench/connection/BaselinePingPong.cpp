// The floor under the connection's round trip: the same 120 bytes that a 100-byte game message
// occupies on the wire, bounced over 127.0.0.1 between plain blocking sockets with TCP_NODELAY on
// both ends, by an echo thread in this process. No cipher, no queues, no threads in between.
#include "bench/connection/Samples.h"
#include "bench/connection/Sockets.h"

#include <cstring>

namespace connbench
{
namespace
{

void RawRoundTrips(benchmark::State& state)
{
    EchoThread echo(kFrameLen);
    std::vector<double> us;
    {
        Fd client(echo.Port() != 0 ? ConnectLoopback(echo.Port()) : -1);
        if (client.Get() < 0)
        {
            Fail(state, "cannot connect to the echo thread");
            return;
        }
        char out[kFrameLen];
        char in[kFrameLen];
        for (int i = 0; i < kFrameLen; ++i)
            out[i] = static_cast<char>(i);
        auto roundTrip = [&](int seq) -> bool
        {
            std::memcpy(out, &seq, sizeof(seq));
            return WriteFull(client.Get(), out, kFrameLen) && ReadFull(client.Get(), in, kFrameLen) &&
                   std::memcmp(in, out, kFrameLen) == 0;
        };
        for (auto _ : state)
        {
            int seq = 0;
            bool ok = true;
            for (int i = 0; i < kWarmupRoundTrips && ok; ++i)
                ok = roundTrip(++seq);
            const auto start = Clock::now();
            while (ok && (static_cast<int>(us.size()) < kMinSamples || Clock::now() - start < kMinSampleTime))
            {
                const auto t0 = Clock::now();
                ok = roundTrip(++seq);
                us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
            }
            if (!ok)
            {
                state.SkipWithError("the echo went wrong");
                break;
            }
        }
    }
    ReportLatencies(state, us);
}
BENCHMARK(RawRoundTrips)->Name("rtt/raw_tcp/120")->UseRealTime()->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace connbench
