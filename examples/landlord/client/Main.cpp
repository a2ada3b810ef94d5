// landlord: the demo game, Dou Dizhu (斗地主) for three, on tessaro. Like every game of the
// platform it is started by the lobby, with the launch values on its command line, from its own
// folder in the platform root:
//
//   build/bin/tessaro-lobby run --game build/stage/landlord/landlord --server 127.0.0.1:17100
//
// against tessaro-devserver --game landlord --chairs 3 (docs/GAMES.md walks through it). A word
// "--autoplay" after the launch values (tessaro-lobby run --autoplay) starts it with the automatic
// player on. A few settings come from the environment:
//
//   LANDLORD_AUTOPLAY=1     the automatic player plays from the start
//   LANDLORD_ROUNDS=N       the game ends a moment after the settlement of its N-th round
//   LANDLORD_SECONDS=N      the game ends by itself after N seconds
//   LANDLORD_THINK_MS=N     the automatic player thinks N ms before a move (default 600)
//   LANDLORD_TRACE=1        every message from the server is printed as it arrives ("landlord:
//                           recv TYPE LEN"), for the soak's check that none is lost or reordered
//   LANDLORD_SHOTS=DIR      screenshots of the bidding, the middle of the play and the result
//                           (bidding.png, playing.png, result.png) go to DIR
//
// The round is printed on standard error as it goes (see LandlordView.h).
#include "examples/landlord/client/LandlordApp.h"

#include "pop/SexyAppBase.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{

constexpr long kMaxSeconds = 86400;
constexpr long kMaxRounds = 100000;
constexpr long kMaxThinkMs = 10000;
constexpr int kUpdatesPerSecond = 1000 / Sexy::SexyAppBase::kUpdateIntervalMs;

} // namespace

int main(int argc, char** argv)
{
    landlord::RunSettings settings;
    long seconds = 0;
    long rounds = 0;
    long think = 0;
    if (!examples::ReadEnvNumber("LANDLORD_SECONDS", 1, kMaxSeconds, 0, seconds) ||
        !examples::ReadEnvNumber("LANDLORD_ROUNDS", 1, kMaxRounds, 0, rounds) ||
        !examples::ReadEnvNumber("LANDLORD_THINK_MS", 10, kMaxThinkMs, settings.thinkMs, think))
    {
        std::fprintf(stderr,
                     "landlord: LANDLORD_SECONDS (1 to %ld), LANDLORD_ROUNDS (1 to %ld) and LANDLORD_THINK_MS (10 to "
                     "%ld) must be whole numbers\n",
                     kMaxSeconds, kMaxRounds, kMaxThinkMs);
        return 2;
    }
    settings.thinkMs = static_cast<int>(think);
    settings.runLimit = static_cast<int>(seconds) * kUpdatesPerSecond;
    settings.rounds = static_cast<int>(rounds);
    const char* autoPlay = std::getenv("LANDLORD_AUTOPLAY");
    settings.autoPlay = autoPlay && std::strcmp(autoPlay, "1") == 0;
    const char* trace = std::getenv("LANDLORD_TRACE");
    settings.trace = trace && std::strcmp(trace, "1") == 0;
    if (const char* shots = std::getenv("LANDLORD_SHOTS"))
        settings.shotFolder = shots;
    // The log's console lines go to standard output, which the lobby passes on, line by line.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::setvbuf(stderr, nullptr, _IOLBF, 0);

    landlord::LandlordApp app(settings);
    return app.Start(argc, argv);
}
