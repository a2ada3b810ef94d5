// Faults on purpose (--chaos SEED): in the table mode the server now and then sends a connection
// something a real server or network could do to it, so that a game proves it survives them
// over long runs (scripts/soak.sh).
//
// Every connection has its own random source, seeded from the chaos seed and the connection
// number, that decides when its next fault comes (on average ratePerMinute a minute), which
// fault it is and its bytes. The faults go through the connection's lane in the outbox, in order
// with the room's own messages, and each is reported first by one line:
//   {"event":"chaos","conn":N,"kind":"...","bytes":B}   (plus "ms", "count" or "chair")
#pragma once

#include "tessaro/net/Thread.h"
#include "tools/devserver/JsonLog.h"
#include "tools/devserver/Options.h"
#include "tools/devserver/Outbox.h"

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace devserver
{

enum class ChaosKind
{
    Drop,         // part of a frame, then the connection closes
    Garbage,      // bytes that are no frame header
    OtherVersion, // a whole frame whose version byte is not 3
    ShortFrame,   // a frame header announcing less than the smallest frame
    WrongLength,  // a good frame around a message whose header's body length is wrong
    LatencySpike, // a frame held half-written for seconds; everything behind it waits
    Burst,        // many chat lines and server texts at once
    Oversized,    // a whole frame around a message longer than a client takes
    LoginAgain,   // the login-again response (36) once more
    GhostChair,   // ready, wait-login-again and system-play notices for a chair that is not there
};
inline constexpr int kChaosKinds = static_cast<int>(ChaosKind::GhostChair) + 1;

// The name in the "chaos" line.
const char* ChaosKindName(ChaosKind kind);

using ChaosRng = std::mt19937_64;

struct ChaosFault
{
    ChaosKind kind = ChaosKind::Drop;
    std::vector<OutItem> items; // posted on the lane in this order
    int spikeMs = 0;            // LatencySpike: the hold
    int count = 0;              // Burst: messages
    int chair = 0;              // GhostChair: the chair named
};

// Each kind equally likely.
ChaosKind PickChaosKind(ChaosRng& rng);
// The fault's bytes. againLogin is the last login-again response the connection was sent (empty:
// none yet, a bare one is made up); chairs the chairs of a table.
ChaosFault MakeChaosFault(ChaosKind kind, ChaosRng& rng, std::string_view againLogin, int chairs);
// Milliseconds until the next fault: exponential, ratePerMinute on average, at least 1.
int NextChaosDelayMs(ChaosRng& rng, int ratePerMinute);

class Chaos : public Thread
{
public:
    Chaos(std::uint64_t seed, int ratePerMinute, int chairs, Outbox& outbox, JsonLog& log);
    ~Chaos() override;

    int Run() override;

    // The server's connections as they come and go (any thread).
    void Opened(int conn);
    void Closed(int conn);
    // A message the server sends on a connection: the login-again response is kept for LoginAgain.
    void Sent(int conn, std::string_view msg);

protected:
    void WakeUp() override;

private:
    struct Target
    {
        ChaosRng rng;
        Clock::time_point due;
        std::string againLogin;
    };

    void Fire(int conn, ChaosFault fault);

    const std::uint64_t m_seed;
    const int m_rate;
    const int m_chairs;
    Outbox& m_outbox;
    JsonLog& m_log;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<int, Target> m_targets;
    bool m_bChanged = false;
};

} // namespace devserver
