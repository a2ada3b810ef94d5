// Window messages between two real processes. The peer is this test program started again with
// a role in its environment: it runs the role before main, as a clean single-threaded process
// that owns one window and pumps it.
#include "tests/bus/WindowBusTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using namespace platform;
using namespace bustest;

namespace
{

constexpr char kRoleVariable[] = "TESSARO_BUS_TEST_ROLE";
constexpr char kParentVariable[] = "TESSARO_BUS_TEST_PARENT";

// What the peer's window does.
constexpr unsigned kAdd = WM_USER + 1;          // wParam + lParam
constexpr unsigned kSequence = WM_USER + 2;     // posted: wParam counts 0, 1, 2, ...
constexpr unsigned kSequenceSeen = WM_USER + 3; // how many arrived in order, -1 after one out of order
constexpr unsigned kDie = WM_USER + 4;          // the process ends inside the handler
constexpr unsigned kHang = WM_USER + 5;         // the handler never returns
constexpr unsigned kCallBack = WM_USER + 6;     // sends kAdd(lParam, 1) to window wParam, returns its result
constexpr unsigned kDestroySelf = WM_USER + 7;  // destroys the peer's window

std::uint64_t Fnv1a(const void* data, std::size_t n)
{
    auto* p = static_cast<const std::uint8_t*>(data);
    std::uint64_t h = 14695981039346656037ull;
    for (std::size_t i = 0; i < n; ++i)
        h = (h ^ p[i]) * 1099511628211ull;
    return h;
}

int PeerMain()
{
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    const char* parent = std::getenv(kParentVariable);
    if (!parent || std::atoi(parent) != ::getppid())
        return 3; // the test ended before the peer got going
    bool quit = false;
    WPARAM next = 0;
    bool outOfOrder = false;
    WindowHandle self = 0;
    self = CreateMessageWindow(
        [&](unsigned msg, WPARAM w, LPARAM l) -> LRESULT
        {
            switch (msg)
            {
            case kAdd:
                return static_cast<LRESULT>(w) + l;
            case kSequence:
                if (w == next)
                    ++next;
                else
                    outOfOrder = true;
                return 0;
            case kSequenceSeen:
                return outOfOrder ? -1 : static_cast<LRESULT>(next);
            case kDie:
                ::_exit(0);
            case kHang:
                for (;;)
                    ::pause();
            case kCallBack:
            {
                bool ok = false;
                LRESULT r = SendWindowMessage(static_cast<WindowHandle>(w), kAdd, static_cast<WPARAM>(l), 1, &ok);
                return ok ? r : -1;
            }
            case kDestroySelf:
                return DestroyMessageWindow(self) ? 1 : 0;
            case WM_COPYDATA:
            {
                auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(l);
                if (cds->cbData == 0 && cds->lpData != nullptr)
                    return -1;
                return static_cast<LRESULT>(Fnv1a(cds->lpData, cds->cbData) ^ cds->dwData);
            }
            case WM_CLOSE:
                quit = true;
                return 0;
            default:
                return 0;
            }
        });
    if (self == 0)
        return 2;
    std::printf("%u\n", self);
    std::fflush(stdout);
    while (!quit)
        PumpWindowMessages(-1);
    return 0;
}

[[maybe_unused]] const bool g_peerRole = []
{
    const char* role = std::getenv(kRoleVariable);
    if (role && std::strcmp(role, "window") == 0)
        ::_exit(PeerMain());
    return false;
}();

// The peer process, killed (if still there) and reaped with the object.
class Peer
{
public:
    Peer()
    {
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0)
            return;
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e)
            env.emplace_back(*e);
        env.push_back(std::string(kRoleVariable) + "=window");
        env.push_back(std::string(kParentVariable) + "=" + std::to_string(::getpid()));
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

    ~Peer()
    {
        if (m_pid > 0)
        {
            ::kill(m_pid, SIGKILL);
            Reap();
        }
    }

    Peer(const Peer&) = delete;
    Peer& operator=(const Peer&) = delete;

    pid_t Pid() const { return m_pid; }
    WindowHandle Window() const { return m_window; }

    // Waits for the process to end; its wait status.
    int Reap()
    {
        int status = 0;
        while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR)
        {
        }
        m_pid = 0;
        return status;
    }

private:
    pid_t m_pid = 0;
    WindowHandle m_window = 0;
};

class WindowBusRemote : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_NE(peer.Window(), 0u) << "the peer process did not start"; }

    Peer peer;
};

} // namespace

TEST_F(WindowBusRemote, SendCarriesFullWidthValuesAndTheOwnerIsKnown)
{
    bool ok = false;
    EXPECT_EQ(SendWindowMessage(peer.Window(), kAdd, 40, 2, &ok), 42);
    EXPECT_TRUE(ok);
    // 64-bit wParam and a negative lParam survive the trip.
    EXPECT_EQ(SendWindowMessage(peer.Window(), kAdd, WPARAM(1) << 40, -5, &ok), (LRESULT(1) << 40) - 5);
    EXPECT_TRUE(ok);
    EXPECT_EQ(GetWindowThreadProcessId(peer.Window()), peer.Pid());
    EXPECT_TRUE(IsWindow(peer.Window()));
}

TEST_F(WindowBusRemote, PostsFromOneThreadArriveInOrder)
{
    for (WPARAM i = 0; i < 1000; ++i)
        ASSERT_TRUE(PostWindowMessage(peer.Window(), kSequence, i, 0));
    bool ok = false;
    EXPECT_EQ(SendWindowMessage(peer.Window(), kSequenceSeen, 0, 0, &ok), 1000);
    EXPECT_TRUE(ok);
}

TEST_F(WindowBusRemote, CopyDataCarriesTheBytesAndTheTag)
{
    std::vector<std::uint8_t> bytes(64 * 1024);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>((i * 131) ^ (i >> 8));
    const std::uintptr_t tag = 0x1234ABCDull;
    COPYDATASTRUCT cds{tag, static_cast<std::uint32_t>(bytes.size()), bytes.data()};
    bool ok = false;
    LRESULT r = SendWindowMessage(peer.Window(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds), &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(static_cast<std::uint64_t>(r), Fnv1a(bytes.data(), bytes.size()) ^ tag);

    // Exactly the largest payload a window takes, and none at all.
    std::vector<std::uint8_t> largest(kMaxCopyData, 0xA5);
    COPYDATASTRUCT big{1, kMaxCopyData, largest.data()};
    r = SendWindowMessage(peer.Window(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&big), &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(static_cast<std::uint64_t>(r), Fnv1a(largest.data(), largest.size()) ^ 1);
    COPYDATASTRUCT empty{7, 0, nullptr};
    r = SendWindowMessage(peer.Window(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&empty), &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(static_cast<std::uint64_t>(r), Fnv1a(nullptr, 0) ^ 7);
}

TEST_F(WindowBusRemote, APeerSendingBackDuringOurSendIsServed)
{
    int calls = 0;
    WindowHandle own = CreateMessageWindow(
        [&](unsigned msg, WPARAM w, LPARAM l) -> LRESULT
        {
            ++calls;
            return msg == kAdd ? static_cast<LRESULT>(w) + l : 0;
        });
    ASSERT_NE(own, 0u);
    bool ok = false;
    // The peer's handler sends kAdd(99, 1) to our window while we wait for its result.
    EXPECT_EQ(SendWindowMessage(peer.Window(), kCallBack, own, 99, &ok), 100);
    EXPECT_TRUE(ok);
    EXPECT_EQ(calls, 1);
    DestroyMessageWindow(own);
}

// Posts that another process's window does not read are dropped at its end past the limit; the
// sender's connection stays and its sends still get through.
TEST_F(WindowBusRemote, AFloodOfPostsIsDroppedAtTheReceiverAndSendsStillPass)
{
    const WPARAM posts = kMaxPostsWaiting + 50;
    bool allPosted = true;
    LRESULT seenMeanwhile = -2;
    WindowHandle own = CreateMessageWindow(
        [&](unsigned msg, WPARAM w, LPARAM l) -> LRESULT
        {
            if (msg != kAdd)
                return 0;
            // The peer waits for this answer and serves only sends meanwhile, so every post
            // stays in its window's queue. The send follows the posts on the same connection:
            // once it is answered, all of them have reached the peer.
            for (WPARAM i = 0; i < posts; ++i)
                allPosted = PostWindowMessage(peer.Window(), kSequence, i, 0) && allPosted;
            bool ok = false;
            seenMeanwhile = SendWindowMessage(peer.Window(), kSequenceSeen, 0, 0, &ok);
            return ok ? static_cast<LRESULT>(w) + l : -1;
        });
    ASSERT_NE(own, 0u);
    bool ok = false;
    EXPECT_EQ(SendWindowMessage(peer.Window(), kCallBack, own, 1, &ok), 2);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(allPosted) << "the sender cannot know of a drop at the far end";
    EXPECT_EQ(seenMeanwhile, 0);
    // The first posts up to the limit arrive, in order; the rest were dropped.
    EXPECT_EQ(SendWindowMessage(peer.Window(), kSequenceSeen, 0, 0, &ok), static_cast<LRESULT>(kMaxPostsWaiting));
    EXPECT_TRUE(ok);
    EXPECT_TRUE(PostWindowMessage(peer.Window(), kSequence, kMaxPostsWaiting, 0));
    EXPECT_EQ(SendWindowMessage(peer.Window(), kSequenceSeen, 0, 0, &ok), static_cast<LRESULT>(kMaxPostsWaiting) + 1);
    DestroyMessageWindow(own);
}

TEST_F(WindowBusRemote, APeerDyingMidRequestFailsTheSendAtOnce)
{
    ScopedSendTimeout limit(30000);
    auto start = std::chrono::steady_clock::now();
    bool ok = true;
    EXPECT_EQ(SendWindowMessage(peer.Window(), kDie, 0, 0, &ok), 0);
    EXPECT_FALSE(ok);
    EXPECT_LT(Since(start).count(), 15000) << "waited for the time limit instead of noticing the peer's end";
    int status = peer.Reap();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_FALSE(PostWindowMessage(peer.Window(), kAdd, 0, 0));
    EXPECT_FALSE(IsWindow(peer.Window()));
}

TEST_F(WindowBusRemote, AHungPeerFailsTheSendAtTheTimeLimit)
{
    ScopedSendTimeout limit(300);
    auto start = std::chrono::steady_clock::now();
    bool ok = true;
    SendWindowMessage(peer.Window(), kHang, 0, 0, &ok);
    EXPECT_FALSE(ok);
    EXPECT_GE(Since(start).count(), 290);
    // The peer's process still takes connections; a second send gives up the same way.
    LRESULT result = -1;
    EXPECT_FALSE(SendWindowMessageTimeout(peer.Window(), kAdd, 1, 1, 100, &result));
    EXPECT_EQ(result, 0);
}

TEST_F(WindowBusRemote, AWindowItsOwnerDestroyedIsGoneAtOnce)
{
    bool ok = false;
    // The result comes back although the handler destroyed its own window.
    EXPECT_EQ(SendWindowMessage(peer.Window(), kDestroySelf, 0, 0, &ok), 1);
    EXPECT_TRUE(ok);
    ScopedSendTimeout limit(30000);
    auto start = std::chrono::steady_clock::now();
    SendWindowMessage(peer.Window(), kAdd, 1, 1, &ok);
    EXPECT_FALSE(ok);
    EXPECT_FALSE(PostWindowMessage(peer.Window(), kAdd, 1, 1));
    EXPECT_FALSE(IsWindow(peer.Window()));
    EXPECT_EQ(GetWindowThreadProcessId(peer.Window()), 0);
    EXPECT_LT(Since(start).count(), 15000);
}

TEST(WindowBusRemoteNone, AHandleNobodyListensOnFailsAtOnce)
{
    WindowHandle h = CreateMessageWindow([](unsigned, WPARAM, LPARAM) -> LRESULT { return 0; });
    ASSERT_TRUE(DestroyMessageWindow(h));
    ScopedSendTimeout limit(30000);
    auto start = std::chrono::steady_clock::now();
    bool ok = true;
    SendWindowMessage(h, kAdd, 1, 1, &ok);
    EXPECT_FALSE(ok);
    EXPECT_FALSE(PostWindowMessage(h, kAdd, 1, 1));
    EXPECT_FALSE(IsWindow(h));
    EXPECT_LT(Since(start).count(), 15000);
}
