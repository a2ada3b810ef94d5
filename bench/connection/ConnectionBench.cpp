// The game's connection end to end against the local game server (tessaro-devserver, a child
// process): a game's session as a game program has it, headless, its messages sent from the main
// thread and handled on the main thread.
//
//   rtt/100              SendNetMessage of a 100-byte message to its echo's handler, through the
//                        sender thread, the socket stack, the server, the stack thread and the
//                        dispatcher; against rtt/raw_tcp/120 (BaselinePingPong.cpp), which bounces
//                        the 120 bytes of the message's frame.
//   rtt/100/echo_thread  the same session against the baseline's echo thread instead of the
//                        server: the session's own share of rtt/100.
//   rtt/100/raw_server   the same message to the server from a plain blocking socket that frames
//                        and encrypts it itself: the server's share, without the session's threads.
//   throughput/100       the server sends a run of 100-byte messages numbered from 0; messages a
//                        second until the last one's handler has run, every number checked.
//   idle_cpu             processor time of the whole process (all its threads) while a connected
//                        game idles in its real frame loop; against idle_cpu/no_session, the same
//                        game with no session open.
//
// The console report adds what tells where the time goes: per round trip (or message) the processor
// time of each thread of the path and of the server (cpu_us_main, _sender, _stack, _dispatcher,
// _server) and the time they waited for a processor (runq_wait_us); for rtt/100/echo_thread the
// medians of the way out and back (out_us, back_us); for idle_cpu the share of the threads other
// than the main thread (threads_pct).
#include "bench/BenchMain.h"
#include "bench/connection/BenchGame.h"
#include "bench/connection/Samples.h"
#include "bench/connection/Sockets.h"
#include "bench/connection/TaskTime.h"
#include "tests/support/DevServerProcess.h"

#include "tessaro/net/Frame.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <unistd.h>

namespace connbench
{
namespace
{

// Game message types of this benchmark: free for a game's own use (the table protocol does not
// list them as incoming), so they reach HandleGameMessage.
constexpr int kEchoType = 200;
constexpr int kTriggerType = 201;
constexpr int kBurstType = 202;
constexpr int kTriggerLen = 12;

// throughput/100: runs of 50 000 messages (1 s at the target rate of 50 000 a second) until they
// have taken 0.6 s together, so that the one benchmark iteration outlasts the library's minimum
// time and is not run again.
constexpr std::uint32_t kBurstCount = 50000;
constexpr int kMaxBursts = 50;
constexpr double kMinBurstSeconds = 0.6;

// idle_cpu: the first updates (the first frame is drawn, the caches fill) are left out; the next
// 300 (3 s on the frame loop's clock) are measured. The game's keep-alive goes out every 15 s, so
// none falls in the window; what runs is the frame loop and the session's waiting threads.
constexpr int kIdleSettleUpdates = 50;
constexpr int kIdleUpdates = 300;

// The server on a free port of 127.0.0.1. --quiet: a report line for every message would cost the
// server a write per message it echoes or sends.
std::vector<std::string> ServerArgs(const std::vector<std::string>& extra)
{
    std::vector<std::string> args = {"--listen", "127.0.0.1:0", "--quiet"};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
}

// Marks the run failed, also on standard error: with --json a failed benchmark prints no line.
void Error(benchmark::State& state, const char* bench, const std::string& why)
{
    std::fprintf(stderr, "bench-connection: %s: %s\n", bench, why.c_str());
    state.SkipWithError(why.c_str());
}

void FailEarly(benchmark::State& state, const char* bench, const std::string& why)
{
    std::fprintf(stderr, "bench-connection: %s: %s\n", bench, why.c_str());
    Fail(state, why);
}

// A connected game with its session open, the server started first and stopped last.
struct ConnectedGame
{
    std::unique_ptr<testsupport::DevServerProcess> server;
    std::unique_ptr<BenchGame> game;
    std::string error;

    explicit ConnectedGame(const std::vector<std::string>& serverArgs)
    {
        server = std::make_unique<testsupport::DevServerProcess>(ServerArgs(serverArgs));
        if (!server->Started())
        {
            error = "devserver did not start: " + server->Stderr();
            return;
        }
        game = std::make_unique<BenchGame>();
        if (game->Connect(server->Port()) < 0)
            error = "the session did not connect to 127.0.0.1:" + std::to_string(server->Port());
    }

    ~ConnectedGame()
    {
        game.reset();
        server.reset();
    }

    ConnectedGame(const ConnectedGame&) = delete;
    ConnectedGame& operator=(const ConnectedGame&) = delete;
};

// Pumps the main window's messages until done(); false when the deadline passes first.
template <typename Done> bool PumpUntil(Done done, Clock::time_point deadline)
{
    while (!done())
    {
        const auto now = Clock::now();
        if (now >= deadline)
            return false;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
        BenchGame::Pump(static_cast<int>(std::max<long long>(1, left)));
    }
    return true;
}

// ---- rtt/100 --------------------------------------------------------------------------------------

// Per round trip: the processor time of each thread of the path and of the server (serverPid 0:
// none of its own), and how long they all waited for a processor. Shown with the console report.
class PathTimes
{
public:
    PathTimes(Ostra::GameWndBase& wnd, pid_t serverPid)
        : m_tids{static_cast<pid_t>(::gettid()), wnd.m_pClientDQ->m_dwThreadId, wnd.m_pClientStack->m_dwThreadId,
                 wnd.m_pDispacher->m_dwThreadId},
          m_server(serverPid)
    {
    }

    void Start() { Read(m_before); }

    void Report(benchmark::State& state, double roundTrips) const
    {
        TaskTime now[kCount];
        Read(now);
        const char* names[kCount] = {"main", "sender", "stack", "dispatcher", "server"};
        double waitUs = 0;
        for (int i = 0; i < kCount; ++i)
        {
            if (i == kServer && m_server <= 0)
                continue;
            const TaskTime d = now[i] - m_before[i];
            state.counters[std::string("cpu_us_") + names[i]] = d.runUs / roundTrips;
            waitUs += d.waitUs;
        }
        state.counters["runq_wait_us"] = waitUs / roundTrips;
    }

private:
    static constexpr int kCount = 5;
    static constexpr int kServer = 4;

    void Read(TaskTime (&out)[kCount]) const
    {
        const pid_t self = ::getpid();
        for (int i = 0; i < kServer; ++i)
            out[i] = ReadTaskTime(self, m_tids[i]);
        out[kServer] = m_server > 0 ? ReadProcessTime(m_server) : TaskTime{};
    }

    pid_t m_tids[kServer];
    pid_t m_server;
    TaskTime m_before[kCount];
};

double Median(std::vector<double>& v)
{
    if (v.empty())
        return 0;
    std::nth_element(v.begin(), v.begin() + static_cast<long>(v.size() / 2), v.end());
    return v[v.size() / 2];
}

// Round trips of 100-byte messages through a connected game's session, each from SendNetMessage
// to its echo's handler, both on the main thread. With the echo thread as the server, each is also
// split where the echo thread had read the frame: the way out (the main thread, the sender, the
// stack thread, the socket) and the way back (the socket, the stack thread, the dispatcher, the
// window message, the main thread), as the medians out_us and back_us.
void MeasureSessionRoundTrips(benchmark::State& state, const char* bench, BenchGame& game, pid_t serverPid,
                              const EchoThread* echo = nullptr)
{
    BenchWnd& wnd = game.Wnd();
    wnd.immediateTypes[0] = kEchoType;

    unsigned char sent[kMsgLen] = {};
    for (int i = 12; i < kMsgLen; ++i)
        sent[i] = static_cast<unsigned char>(i);
    std::uint32_t echoed = 0;
    std::string wrong;
    Clock::time_point arrived;
    wnd.onGameMessage = [&](const Ostra::MsgView& msg, Clock::time_point at)
    {
        if (msg.Type() != kEchoType)
            return;
        // SendNetMessage wrote the header into sent: the echo must be the very same bytes.
        if (msg.Length() != kMsgLen || std::memcmp(msg.Data(), sent, kMsgLen) != 0)
        {
            wrong = "an echo of " + std::to_string(msg.Length()) + " bytes differs from the message sent";
            return;
        }
        echoed = msg.BE32(8);
        arrived = at;
    };

    std::vector<double> us;
    std::vector<double> outUs;
    std::vector<double> backUs;
    std::uint32_t seq = 0;
    auto roundTrip = [&](double* sample) -> bool
    {
        Ostra::PutBE32(sent + 8, ++seq);
        const auto t0 = Clock::now();
        wnd.SendNetMessage(sent, kEchoType, kMsgLen);
        if (!PumpUntil([&] { return echoed == seq || !wrong.empty(); }, t0 + kReplyTimeout) || !wrong.empty())
            return false;
        if (!sample)
            return true;
        *sample = std::chrono::duration<double, std::micro>(arrived - t0).count();
        if (echo)
        {
            const auto turn = echo->LastReceived();
            outUs.push_back(std::chrono::duration<double, std::micro>(turn - t0).count());
            backUs.push_back(std::chrono::duration<double, std::micro>(arrived - turn).count());
        }
        return true;
    };

    PathTimes times(wnd, serverPid);
    for (auto _ : state)
    {
        bool ok = true;
        for (int i = 0; i < kWarmupRoundTrips && ok; ++i)
            ok = roundTrip(nullptr);
        times.Start();
        const auto start = Clock::now();
        while (ok && (static_cast<int>(us.size()) < kMinSamples || Clock::now() - start < kMinSampleTime))
        {
            double sample = 0;
            ok = roundTrip(&sample);
            if (ok)
                us.push_back(sample);
        }
        if (!ok)
        {
            Error(state, bench,
                  !wrong.empty() ? wrong
                                 : "message " + std::to_string(seq) + " did not come back within " +
                                       std::to_string(kReplyTimeout.count()) + " ms");
            break;
        }
        times.Report(state, static_cast<double>(us.size()));
        if (echo)
        {
            state.counters["out_us"] = Median(outUs);
            state.counters["back_us"] = Median(backUs);
        }
    }
    ReportLatencies(state, us);
}

void SessionRoundTrips(benchmark::State& state)
{
    ConnectedGame c({"--echo", std::to_string(kEchoType)});
    if (!c.error.empty())
    {
        FailEarly(state, "rtt/100", c.error);
        return;
    }
    MeasureSessionRoundTrips(state, "rtt/100", *c.game, c.server->Pid());
}
BENCHMARK(SessionRoundTrips)->Name("rtt/100")->UseRealTime()->Unit(benchmark::kMicrosecond);

// ---- rtt/100/echo_thread ------------------------------------------------------------------------

// The session against the baseline's echo thread, which sends each frame back as it came: the
// session's own share of rtt/100, without the server's.
void SessionToEchoThread(benchmark::State& state)
{
    EchoThread echo(kFrameLen);
    auto game = std::make_unique<BenchGame>();
    if (echo.Port() == 0 || game->Connect(echo.Port()) < 0)
    {
        game.reset();
        FailEarly(state, "rtt/100/echo_thread", "the session did not connect to the echo thread");
        return;
    }
    MeasureSessionRoundTrips(state, "rtt/100/echo_thread", *game, 0, &echo);
    // The session closes its socket, which ends the echo thread.
    game.reset();
}
BENCHMARK(SessionToEchoThread)->Name("rtt/100/echo_thread")->UseRealTime()->Unit(benchmark::kMicrosecond);

// ---- rtt/100/raw_server ---------------------------------------------------------------------------

// One frame off the socket, decrypted into msg; its length, or -1.
int RecvMessage(int fd, char* msg, int cap)
{
    char frame[kFrameLen * 4];
    if (!ReadFull(fd, frame, Ostra::kFrameHeaderLen))
        return -1;
    const int total = Ostra::FrameTotalLen(reinterpret_cast<const unsigned char*>(frame));
    if (total < Ostra::kMinFrameLen || total > static_cast<int>(sizeof(frame)))
        return -1;
    if (!ReadFull(fd, frame + Ostra::kFrameHeaderLen, total - Ostra::kFrameHeaderLen))
        return -1;
    return Ostra::OpenFrameBody(Ostra::kWireKeyText, frame + Ostra::kFrameHeaderLen, total - Ostra::kFrameHeaderLen,
                                msg, cap);
}

void RawServerRoundTrips(benchmark::State& state)
{
    testsupport::DevServerProcess server(ServerArgs({"--echo", std::to_string(kEchoType)}));
    if (!server.Started())
    {
        FailEarly(state, "rtt/100/raw_server", "devserver did not start: " + server.Stderr());
        return;
    }
    Fd fd(ConnectLoopback(server.Port()));
    if (fd.Get() < 0)
    {
        FailEarly(state, "rtt/100/raw_server", "cannot connect to the devserver");
        return;
    }

    unsigned char msg[kMsgLen] = {};
    for (int i = 12; i < kMsgLen; ++i)
        msg[i] = static_cast<unsigned char>(i);
    char frame[kFrameLen * 2];
    char reply[kFrameLen * 4];
    std::uint32_t seq = 0;
    // The whole client side: framing and encryption, the socket, decryption.
    auto roundTrip = [&]() -> bool
    {
        Ostra::WriteGameMsgHead(msg, kEchoType, kMsgLen);
        Ostra::PutBE32(msg + 8, ++seq);
        const int len = Ostra::BuildFrame(Ostra::kWireKeyText, msg, kMsgLen, frame, static_cast<int>(sizeof(frame)));
        if (len != kFrameLen || !WriteFull(fd.Get(), frame, len))
            return false;
        // Anything else the server sends on its own is passed over.
        for (;;)
        {
            const int n = RecvMessage(fd.Get(), reply, static_cast<int>(sizeof(reply)));
            if (n < 0)
                return false;
            if (n >= Ostra::kGameMsgHeadLen && static_cast<unsigned char>(reply[1]) == kEchoType)
                return n == kMsgLen && std::memcmp(reply, msg, kMsgLen) == 0;
        }
    };

    std::vector<double> us;
    for (auto _ : state)
    {
        bool ok = true;
        for (int i = 0; i < kWarmupRoundTrips && ok; ++i)
            ok = roundTrip();
        const auto start = Clock::now();
        while (ok && (static_cast<int>(us.size()) < kMinSamples || Clock::now() - start < kMinSampleTime))
        {
            const auto t0 = Clock::now();
            ok = roundTrip();
            us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
        }
        if (!ok)
        {
            Error(state, "rtt/100/raw_server", "echo " + std::to_string(seq) + " missing or wrong");
            break;
        }
    }
    ReportLatencies(state, us);
}
BENCHMARK(RawServerRoundTrips)->Name("rtt/100/raw_server")->UseRealTime()->Unit(benchmark::kMicrosecond);

// ---- throughput/100 -------------------------------------------------------------------------------

// A scenario file of the server's, removed with the object.
class ScenarioFile
{
public:
    explicit ScenarioFile(const std::string& text)
    {
        char path[] = "/tmp/bench-connection-XXXXXX";
        const int fd = ::mkstemp(path);
        if (fd < 0)
            return;
        ::close(fd);
        std::ofstream out(path, std::ios::trunc);
        out << text;
        if (out.flush())
            m_path = path;
        else
            ::unlink(path);
    }
    ~ScenarioFile()
    {
        if (!m_path.empty())
            ::unlink(m_path.c_str());
    }
    ScenarioFile(const ScenarioFile&) = delete;
    ScenarioFile& operator=(const ScenarioFile&) = delete;

    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

void ServerBurst(benchmark::State& state)
{
    // On each signal of the client the server sends the numbered run as fast as the connection
    // takes it, numbers from 0 again. The wait for a signal is long: a run must never start
    // unasked when one takes its time.
    const std::string run = "send seq " + std::to_string(kBurstType) + " " + std::to_string(kBurstCount) + " " +
                            std::to_string(kMsgLen - Ostra::kGameMsgHeadLen);
    ScenarioFile scenario("repeat " + std::to_string(kMaxBursts) + "\nexpect " + std::to_string(kTriggerType) +
                          " 600000\n" + run + "\nend\n");
    if (scenario.Path().empty())
    {
        FailEarly(state, "throughput/100", "cannot write the scenario file");
        return;
    }
    ConnectedGame c({"--script", scenario.Path()});
    if (!c.error.empty())
    {
        FailEarly(state, "throughput/100", c.error);
        return;
    }
    BenchWnd& wnd = c.game->Wnd();
    wnd.immediateTypes[0] = kBurstType;

    std::uint32_t expected = 0;
    std::string wrong;
    Clock::time_point last;
    wnd.onGameMessage = [&](const Ostra::MsgView& msg, Clock::time_point at)
    {
        if (msg.Type() != kBurstType || !wrong.empty())
            return;
        if (msg.Length() != kMsgLen)
            wrong = "message " + std::to_string(expected) + " has " + std::to_string(msg.Length()) + " bytes";
        else if (msg.BE32(8) != expected)
            wrong =
                "message " + std::to_string(msg.BE32(8)) + " arrived where " + std::to_string(expected) + " was due";
        ++expected;
        last = at;
    };

    // One run: from the signal to the last message's handler; false (and wrong set) on a loss.
    auto burst = [&](double* seconds) -> bool
    {
        expected = 0;
        unsigned char trigger[kTriggerLen] = {};
        const auto t0 = Clock::now();
        wnd.SendNetMessage(trigger, kTriggerType, kTriggerLen);
        // A stall of kReplyTimeout with nothing arriving is a loss.
        std::uint32_t seen = 0;
        while (expected < kBurstCount && wrong.empty())
        {
            if (!PumpUntil([&] { return expected != seen || !wrong.empty(); }, Clock::now() + kReplyTimeout))
            {
                wrong = "only " + std::to_string(expected) + " of " + std::to_string(kBurstCount) +
                        " messages arrived, then nothing for " + std::to_string(kReplyTimeout.count()) + " ms";
                return false;
            }
            seen = expected;
        }
        *seconds = std::chrono::duration<double>(last - t0).count();
        return wrong.empty();
    };

    double messages = 0;
    double seconds = 0;
    PathTimes times(wnd, c.server->Pid());
    for (auto _ : state)
    {
        times.Start();
        bool ok = true;
        for (int n = 0; ok && n < kMaxBursts && (n == 0 || seconds < kMinBurstSeconds); ++n)
        {
            double s = 0;
            ok = burst(&s);
            messages += kBurstCount;
            seconds += s;
        }
        if (!ok)
        {
            Error(state, "throughput/100", wrong);
            break;
        }
        times.Report(state, messages);
    }
    if (seconds > 0)
        state.counters["value_msg/s"] = messages / seconds;
}
BENCHMARK(ServerBurst)->Name("throughput/100")->UseRealTime()->Unit(benchmark::kMillisecond);

// ---- idle_cpu -------------------------------------------------------------------------------------

void IdleCpu(benchmark::State& state, bool withSession)
{
    const char* kBenchName = withSession ? "idle_cpu" : "idle_cpu/no_session";
    std::unique_ptr<ConnectedGame> connected;
    std::unique_ptr<BenchGame> alone;
    BenchGame* game = nullptr;
    if (withSession)
    {
        connected = std::make_unique<ConnectedGame>(std::vector<std::string>{});
        if (!connected->error.empty())
        {
            FailEarly(state, kBenchName, connected->error);
            return;
        }
        game = connected->game.get();
    }
    else
    {
        alone = std::make_unique<BenchGame>();
        game = alone.get();
    }

    struct Mark
    {
        double process = 0;
        double mainThread = 0;
        Clock::time_point wall;
    };
    Mark begin, end;
    auto mark = [] {
        return Mark{CpuSeconds(CLOCK_PROCESS_CPUTIME_ID), CpuSeconds(CLOCK_THREAD_CPUTIME_ID), Clock::now()};
    };
    BenchApp& app = game->App();
    app.onUpdate = [&](int updates)
    {
        if (updates == kIdleSettleUpdates)
            begin = mark();
        else if (updates == kIdleSettleUpdates + kIdleUpdates)
        {
            end = mark();
            app.Shutdown();
        }
    };
    for (auto _ : state)
        app.Start();

    if (withSession && !game->Wnd().IsNetAvailable())
    {
        Error(state, kBenchName, "the connection was lost while idle");
        return;
    }
    const double wall = std::chrono::duration<double>(end.wall - begin.wall).count();
    if (wall <= 0)
    {
        Error(state, kBenchName, "the frame loop ended early");
        return;
    }
    const double process = end.process - begin.process;
    const double mainThread = end.mainThread - begin.mainThread;
    state.counters["value_pct"] = process / wall * 100.0;
    // The share of the threads other than the main thread: the session's workers, when open.
    state.counters["threads_pct"] = std::max(0.0, process - mainThread) / wall * 100.0;
}
BENCHMARK_CAPTURE(IdleCpu, session, true)->Name("idle_cpu")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(IdleCpu, alone, false)->Name("idle_cpu/no_session")->UseRealTime()->Unit(benchmark::kMillisecond);

const bool kBaselines = []
{
    tessaro::bench::SetBaseline("rtt/100", "rtt/raw_tcp/120");
    tessaro::bench::SetBaseline("rtt/100/echo_thread", "rtt/raw_tcp/120");
    tessaro::bench::SetBaseline("rtt/100/raw_server", "rtt/raw_tcp/120");
    tessaro::bench::SetBaseline("idle_cpu", "idle_cpu/no_session");
    return true;
}();

} // namespace
} // namespace connbench
