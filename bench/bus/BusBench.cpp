// Round trips of a synchronous window message: to a window of another thread of this process, and
// to a window of another process. Each round trip is timed on its own; the median and the 99th
// percentile are reported (median_us, p99_us).
#include "platform/WindowBus.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

using namespace platform;

namespace
{

constexpr unsigned kPing = WM_USER + 1;
constexpr unsigned kQuit = WM_USER + 2;
constexpr char kRoleVariable[] = "TESSARO_BUS_BENCH_ROLE";

// Owns one window, answers pings and pumps until told to quit.
int PumpUntilQuit(WindowHandle* pHandle, std::promise<WindowHandle>* ready)
{
    bool quit = false;
    WindowHandle h = CreateMessageWindow(
        [&quit](unsigned msg, WPARAM w, LPARAM l) -> LRESULT
        {
            if (msg == kQuit)
                quit = true;
            return static_cast<LRESULT>(w) + l;
        });
    if (pHandle)
        *pHandle = h;
    if (ready)
        ready->set_value(h);
    if (h == 0)
        return 2;
    if (!ready)
    {
        std::printf("%u\n", h);
        std::fflush(stdout);
    }
    while (!quit)
        PumpWindowMessages(-1);
    DestroyMessageWindow(h);
    return 0;
}

// The program started again as the other process: it runs its role before main.
[[maybe_unused]] const bool g_peerRole = []
{
    const char* role = std::getenv(kRoleVariable);
    if (role && std::strcmp(role, "peer") == 0)
    {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        ::_exit(PumpUntilQuit(nullptr, nullptr));
    }
    return false;
}();

class PeerProcess
{
public:
    PeerProcess()
    {
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0)
            return;
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e)
            env.emplace_back(*e);
        env.push_back(std::string(kRoleVariable) + "=peer");
        std::vector<char*> envp;
        for (auto& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        char self[] = "/proc/self/exe";
        char* argv[] = {self, nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        if (posix_spawn(&m_pid, self, &actions, nullptr, argv, envp.data()) != 0)
            m_pid = 0;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        std::string line;
        char c;
        while (::read(out[0], &c, 1) == 1 && c != '\n')
            line += c;
        ::close(out[0]);
        m_window = static_cast<WindowHandle>(std::strtoul(line.c_str(), nullptr, 10));
    }

    ~PeerProcess()
    {
        if (m_pid <= 0)
            return;
        if (!PostWindowMessage(m_window, kQuit, 0, 0))
            ::kill(m_pid, SIGKILL);
        int status;
        while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR)
        {
        }
    }

    PeerProcess(const PeerProcess&) = delete;
    PeerProcess& operator=(const PeerProcess&) = delete;

    WindowHandle Window() const { return m_window; }

private:
    pid_t m_pid = 0;
    WindowHandle m_window = 0;
};

void RoundTrips(benchmark::State& state, WindowHandle h)
{
    if (h == 0)
    {
        state.SkipWithError("no window to send to");
        for (auto _ : state)
        {
        }
        return;
    }
    bool ok = false;
    SendWindowMessage(h, kPing, 1, 2, &ok); // connects, outside the timing
    std::vector<double> us;
    us.reserve(static_cast<std::size_t>(state.max_iterations));
    for (auto _ : state)
    {
        auto start = std::chrono::steady_clock::now();
        LRESULT r = SendWindowMessage(h, kPing, 1, 2, &ok);
        auto end = std::chrono::steady_clock::now();
        if (!ok || r != 3)
        {
            state.SkipWithError("a send failed");
            break;
        }
        us.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    if (us.empty())
        return;
    std::sort(us.begin(), us.end());
    state.counters["median_us"] = us[us.size() / 2];
    state.counters["p99_us"] = us[std::min(us.size() - 1, us.size() * 99 / 100)];
}

void SendInProcess(benchmark::State& state)
{
    std::promise<WindowHandle> ready;
    auto handle = ready.get_future();
    std::thread owner([&ready] { PumpUntilQuit(nullptr, &ready); });
    WindowHandle h = handle.get();
    RoundTrips(state, h);
    if (h != 0)
        PostWindowMessage(h, kQuit, 0, 0);
    owner.join();
}
BENCHMARK(SendInProcess)->Name("send/inprocess")->UseRealTime();

void SendCrossProcess(benchmark::State& state)
{
    PeerProcess peer;
    RoundTrips(state, peer.Window());
}
BENCHMARK(SendCrossProcess)->Name("send/crossprocess")->UseRealTime();

} // namespace
