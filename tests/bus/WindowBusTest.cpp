// Window messages between threads of one process.
#include "tests/bus/WindowBusTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <future>
#include <stdexcept>
#include <thread>
#include <unistd.h>

using namespace platform;
using namespace bustest;

namespace
{

constexpr unsigned kAdd = WM_USER + 1;  // wParam + lParam
constexpr unsigned kMark = WM_USER + 2; // records wParam

// A window of the calling thread, destroyed with the object.
class OwnWindow
{
public:
    explicit OwnWindow(WindowProc proc) : m_handle(CreateMessageWindow(std::move(proc))) {}
    ~OwnWindow() { DestroyMessageWindow(m_handle); }
    OwnWindow(const OwnWindow&) = delete;
    OwnWindow& operator=(const OwnWindow&) = delete;
    WindowHandle Handle() const { return m_handle; }

private:
    WindowHandle m_handle;
};

LRESULT Adder(unsigned msg, WPARAM w, LPARAM l)
{
    return msg == kAdd ? static_cast<LRESULT>(w) + l : 0;
}

} // namespace

// ---- sending and posting within the process

TEST(WindowBusLocal, SendOnTheOwnerThreadRunsTheHandlerAtOnce)
{
    OwnWindow win(Adder);
    ASSERT_NE(win.Handle(), 0u);
    bool ok = false;
    EXPECT_EQ(SendWindowMessage(win.Handle(), kAdd, 40, 2, &ok), 42);
    EXPECT_TRUE(ok);
    // Nothing was queued: the pump has nothing to run.
    EXPECT_EQ(PumpWindowMessages(0), 0);
}

TEST(WindowBusLocal, SendsFromWorkersRunOnTheOwnerThread)
{
    std::atomic<std::thread::id> handlerThread{};
    std::atomic<int> wrongThread{0};
    std::promise<std::thread::id> ownerId;
    auto ownerIdFuture = ownerId.get_future();
    OwnerThread owner(
        [&](unsigned msg, WPARAM w, LPARAM l) -> LRESULT
        {
            if (msg == kMark)
            {
                ownerId.set_value(std::this_thread::get_id());
                return 0;
            }
            if (handlerThread.load() == std::thread::id())
                handlerThread = std::this_thread::get_id();
            else if (handlerThread.load() != std::this_thread::get_id())
                ++wrongThread;
            return Adder(msg, w, l);
        });
    ASSERT_NE(owner.Handle(), 0u);
    SendWindowMessage(owner.Handle(), kMark, 0, 0);

    auto work = [&](int base)
    {
        for (int i = 0; i < 500; ++i)
        {
            bool ok = false;
            LRESULT r = SendWindowMessage(owner.Handle(), kAdd, static_cast<WPARAM>(base + i), 1000000, &ok);
            ASSERT_TRUE(ok);
            ASSERT_EQ(r, base + i + 1000000);
        }
    };
    std::thread a(work, 0), b(work, 100000);
    a.join();
    b.join();
    EXPECT_EQ(handlerThread.load(), ownerIdFuture.get());
    EXPECT_EQ(wrongThread.load(), 0);
}

TEST(WindowBusLocal, PostsFromOneThreadRunInOrderWhenPumped)
{
    std::vector<WPARAM> seen;
    OwnWindow win(
        [&](unsigned msg, WPARAM w, LPARAM) -> LRESULT
        {
            if (msg == kMark)
                seen.push_back(w);
            return 0;
        });
    std::thread poster(
        [&]
        {
            for (WPARAM i = 0; i < 1000; ++i)
                ASSERT_TRUE(PostWindowMessage(win.Handle(), kMark, i, 0));
        });
    poster.join();
    EXPECT_TRUE(seen.empty()) << "posts run only when the owner pumps";
    EXPECT_EQ(PumpWindowMessages(0), 1000);
    ASSERT_EQ(seen.size(), 1000u);
    for (WPARAM i = 0; i < 1000; ++i)
        ASSERT_EQ(seen[i], i);
}

TEST(WindowBusLocal, AWindowThatDoesNotPumpRefusesPostsPastTheLimitButNotSends)
{
    DiagnosticCapture diagnostics;
    constexpr std::size_t kExtra = 50;
    std::size_t posts = 0;
    std::atomic<bool> sendRan{false};
    OwnWindow win(
        [&](unsigned msg, WPARAM w, LPARAM l) -> LRESULT
        {
            if (msg == kMark)
                ++posts;
            if (msg == kAdd)
                sendRan = true;
            return msg == kAdd ? static_cast<LRESULT>(w) + l : 0;
        });
    std::promise<void> flooded;
    std::size_t accepted = 0;
    bool sendOk = false;
    LRESULT sendResult = 0;
    std::thread worker(
        [&]
        {
            for (std::size_t i = 0; i < kMaxPostsWaiting + kExtra; ++i)
                accepted += PostWindowMessage(win.Handle(), kMark, i, 0) ? 1 : 0;
            flooded.set_value();
            sendResult = SendWindowMessage(win.Handle(), kAdd, 40, 2, &sendOk);
        });
    flooded.get_future().wait();
    EXPECT_EQ(accepted, kMaxPostsWaiting);
    auto count = [&](const std::string& needle)
    {
        auto lines = diagnostics.Lines();
        return std::count_if(lines.begin(), lines.end(),
                             [&](const std::string& l) { return l.find(needle) != std::string::npos; });
    };
    EXPECT_EQ(count("further posts refused"), 1) << "one line per flood, not one per refused post";

    // The send is queued behind the posts all the same and runs once the owner pumps.
    while (!sendRan)
        PumpWindowMessages(-1);
    worker.join();
    EXPECT_TRUE(sendOk);
    EXPECT_EQ(sendResult, 42);
    EXPECT_EQ(posts, kMaxPostsWaiting);
    EXPECT_EQ(count("posts accepted again, 50 were refused"), 1);
    EXPECT_TRUE(PostWindowMessage(win.Handle(), kMark, 0, 0));
    EXPECT_EQ(PumpWindowMessages(0), 1);
}

TEST(WindowBusLocal, PumpWaitsForTheFirstMessageOrTheTimeLimit)
{
    std::atomic<int> marks{0};
    OwnWindow win(
        [&](unsigned msg, WPARAM, LPARAM) -> LRESULT
        {
            marks += msg == kMark;
            return 0;
        });
    EXPECT_EQ(PumpWindowMessages(20), 0); // nothing comes: returns after the limit

    std::thread poster([&] { PostWindowMessage(win.Handle(), kMark, 0, 0); });
    int ran = 0;
    while (ran == 0)
        ran = PumpWindowMessages(-1);
    poster.join();
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(marks.load(), 1);
}

TEST(WindowBusLocal, NestedPumpInAHandlerRunsEachMessageOnce)
{
    std::vector<WPARAM> seen;
    OwnWindow win(
        [&](unsigned msg, WPARAM w, LPARAM) -> LRESULT
        {
            if (msg != kMark)
                return 0;
            seen.push_back(w);
            if (w == 1)
                PumpWindowMessages(0); // a modal loop inside a handler
            return 0;
        });
    for (WPARAM i = 1; i <= 4; ++i)
        PostWindowMessage(win.Handle(), kMark, i, 0);
    PumpWindowMessages(0);
    EXPECT_EQ(seen, (std::vector<WPARAM>{1, 2, 3, 4}));
    EXPECT_EQ(PumpWindowMessages(0), 0);
}

// ---- WM_COPYDATA

TEST(WindowBusLocal, CopyDataHandsTheHandlerItsOwnCopy)
{
    std::vector<std::uint8_t> sent(70000);
    for (std::size_t i = 0; i < sent.size(); ++i)
        sent[i] = static_cast<std::uint8_t>(i * 7 + 3);
    std::vector<std::uint8_t> received;
    const void* receivedAt = nullptr;
    std::uintptr_t tag = 0;
    OwnerThread owner(
        [&](unsigned msg, WPARAM w, LPARAM l) -> LRESULT
        {
            if (msg != WM_COPYDATA)
                return 0;
            auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(l);
            auto* p = static_cast<const std::uint8_t*>(cds->lpData);
            received.assign(p, p + cds->cbData);
            receivedAt = cds->lpData;
            tag = cds->dwData;
            return static_cast<LRESULT>(w);
        });
    COPYDATASTRUCT cds{0xC0FFEE, static_cast<std::uint32_t>(sent.size()), sent.data()};
    bool ok = false;
    EXPECT_EQ(SendWindowMessage(owner.Handle(), WM_COPYDATA, 77, reinterpret_cast<LPARAM>(&cds), &ok), 77);
    ASSERT_TRUE(ok);
    EXPECT_EQ(received, sent);
    EXPECT_NE(receivedAt, static_cast<const void*>(sent.data()));
    EXPECT_EQ(tag, 0xC0FFEEu);

    // No bytes: the handler sees no buffer, not a dangling one.
    COPYDATASTRUCT empty{1, 0, nullptr};
    EXPECT_EQ(SendWindowMessage(owner.Handle(), WM_COPYDATA, 5, reinterpret_cast<LPARAM>(&empty), &ok), 5);
    EXPECT_TRUE(ok);
    EXPECT_EQ(receivedAt, nullptr);
    EXPECT_EQ(tag, 1u);
}

TEST(WindowBusLocal, CopyDataThatCannotBeCopiedIsRefused)
{
    std::atomic<int> calls{0};
    OwnerThread owner([&](unsigned, WPARAM, LPARAM) -> LRESULT { return ++calls; });
    std::uint8_t byte = 0;
    COPYDATASTRUCT tooLarge{0, kMaxCopyData + 1, &byte};
    COPYDATASTRUCT noBuffer{0, 10, nullptr};
    COPYDATASTRUCT fine{0, 1, &byte};
    for (WindowHandle h : {owner.Handle(), WindowHandle(0x7FFFFFF0)})
    {
        bool ok = true;
        SendWindowMessage(h, WM_COPYDATA, 0, 0, &ok);
        EXPECT_FALSE(ok) << "no structure";
        SendWindowMessage(h, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&tooLarge), &ok);
        EXPECT_FALSE(ok) << "over the limit";
        SendWindowMessage(h, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&noBuffer), &ok);
        EXPECT_FALSE(ok) << "bytes announced, none given";
        EXPECT_FALSE(PostWindowMessage(h, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&fine))) << "posted";
    }
    EXPECT_EQ(calls.load(), 0);
}

// ---- handles that are not (or no longer) windows

TEST(WindowBusLocal, UnknownAndDestroyedHandlesFailAtOnce)
{
    bool ok = true;
    EXPECT_EQ(SendWindowMessage(0, kAdd, 1, 1, &ok), 0);
    EXPECT_FALSE(ok);
    EXPECT_FALSE(PostWindowMessage(0, kAdd, 1, 1));
    EXPECT_FALSE(IsWindow(0));
    EXPECT_EQ(GetWindowThreadProcessId(0), 0);

    WindowHandle h = CreateMessageWindow(Adder);
    ASSERT_NE(h, 0u);
    EXPECT_GE(h, 0x00010000u);
    EXPECT_LE(h, 0x7FFFFFFFu);
    EXPECT_TRUE(IsWindow(h));
    EXPECT_EQ(GetWindowThreadProcessId(h), getpid());
    ASSERT_TRUE(DestroyMessageWindow(h));
    EXPECT_FALSE(DestroyMessageWindow(h));
    EXPECT_FALSE(IsWindow(h));
    EXPECT_EQ(GetWindowThreadProcessId(h), 0);
    SendWindowMessage(h, kAdd, 1, 1, &ok);
    EXPECT_FALSE(ok);
    EXPECT_FALSE(PostWindowMessage(h, kAdd, 1, 1));
    EXPECT_EQ(CreateMessageWindow(nullptr), 0u);
}

TEST(WindowBusLocal, DestroyingDropsWhatIsQueued)
{
    int calls = 0;
    WindowHandle h = CreateMessageWindow([&](unsigned, WPARAM, LPARAM) -> LRESULT { return ++calls; });
    for (int i = 0; i < 3; ++i)
        PostWindowMessage(h, kMark, 0, 0);
    std::thread other([h] { EXPECT_TRUE(DestroyMessageWindow(h)); }); // from another thread
    other.join();
    EXPECT_EQ(PumpWindowMessages(0), 0);
    EXPECT_EQ(calls, 0);
}

TEST(WindowBusLocal, AHandlerMayDestroyItsOwnWindow)
{
    WindowHandle self = 0;
    int calls = 0;
    self = CreateMessageWindow(
        [&](unsigned, WPARAM, LPARAM) -> LRESULT
        {
            ++calls;
            return DestroyMessageWindow(self) ? 1 : 0;
        });
    PostWindowMessage(self, kMark, 0, 0);
    PostWindowMessage(self, kMark, 0, 0);
    EXPECT_EQ(PumpWindowMessages(0), 1);
    EXPECT_EQ(calls, 1) << "the second post was for a window that no longer exists";
    EXPECT_FALSE(IsWindow(self));
}

// ---- senders that must not be left waiting

namespace
{

// A window owned by a thread that does not pump until told to end, so sends to it stay queued.
class IdleOwner
{
public:
    IdleOwner()
    {
        std::promise<WindowHandle> ready;
        auto handle = ready.get_future();
        m_thread = std::thread(
            [this, &ready]
            {
                ready.set_value(CreateMessageWindow(Adder));
                m_end.get_future().wait();
            });
        m_handle = handle.get();
    }
    ~IdleOwner() { End(); }

    WindowHandle Handle() const { return m_handle; }
    // The thread ends without destroying its window.
    void End()
    {
        if (!m_thread.joinable())
            return;
        m_end.set_value();
        m_thread.join();
    }

private:
    std::thread m_thread;
    std::promise<void> m_end;
    WindowHandle m_handle = 0;
};

// A thread that sends to `target` and reports how it went; while its send waits it runs sends to
// its own window, so a send to that window proves the first send is queued.
class WaitingSender
{
public:
    explicit WaitingSender(WindowHandle target)
    {
        std::promise<WindowHandle> ready;
        auto handle = ready.get_future();
        m_thread = std::thread(
            [this, target, &ready]
            {
                WindowHandle own = CreateMessageWindow([](unsigned, WPARAM, LPARAM) -> LRESULT { return 1; });
                ready.set_value(own);
                bool ok = true;
                SendWindowMessage(target, kAdd, 1, 2, &ok);
                m_ok.set_value(ok);
            });
        m_own = handle.get();
        // Answered only from inside the wait of the send above.
        EXPECT_EQ(SendWindowMessage(m_own, kMark, 0, 0), 1);
    }
    ~WaitingSender() { m_thread.join(); }

    bool Result() { return m_ok.get_future().get(); }

private:
    std::thread m_thread;
    std::promise<bool> m_ok;
    WindowHandle m_own = 0;
};

} // namespace

TEST(WindowBusLocal, DestroyingAWindowFailsASenderWaitingOnIt)
{
    IdleOwner owner;
    WaitingSender sender(owner.Handle());
    EXPECT_TRUE(DestroyMessageWindow(owner.Handle()));
    EXPECT_FALSE(sender.Result());
}

TEST(WindowBusLocal, TheOwnerThreadEndingFailsPendingSendsAndLaterOnes)
{
    IdleOwner owner;
    WindowHandle h = owner.Handle();
    WaitingSender sender(h);
    owner.End();
    EXPECT_FALSE(sender.Result());
    bool ok = true;
    SendWindowMessage(h, kAdd, 1, 1, &ok);
    EXPECT_FALSE(ok);
    EXPECT_FALSE(IsWindow(h));
}

TEST(WindowBusLocal, ALimitedSendThatGivesUpIsTakenBackAndNeverRuns)
{
    constexpr unsigned kMarker = WM_USER + 7;
    std::vector<std::uint8_t> bytes(1000, 0x5A);
    std::promise<void> go;
    std::atomic<int> copies{0};
    std::atomic<bool> marker{false};
    std::promise<WindowHandle> ready;
    auto handle = ready.get_future();
    std::thread owner(
        [&]
        {
            ready.set_value(CreateMessageWindow(
                [&](unsigned msg, WPARAM, LPARAM) -> LRESULT
                {
                    if (msg == WM_COPYDATA)
                        ++copies;
                    if (msg == kMarker)
                        marker = true;
                    return 1;
                }));
            go.get_future().wait();
            while (!marker.load())
                PumpWindowMessages(-1);
        });
    WindowHandle h = handle.get();
    COPYDATASTRUCT cds{0, static_cast<std::uint32_t>(bytes.size()), bytes.data()};
    LRESULT result = -1;
    EXPECT_FALSE(SendWindowMessageTimeout(h, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds), 30, &result));
    EXPECT_EQ(result, 0);
    ASSERT_TRUE(PostWindowMessage(h, kMarker, 0, 0));
    go.set_value();
    owner.join();
    EXPECT_EQ(copies.load(), 0);
}

TEST(WindowBusLocal, ALimitedSendWaitsForAHandlerThatHasStarted)
{
    std::promise<void> started;
    std::promise<void> release;
    auto releaseFuture = release.get_future().share();
    std::atomic<bool> finished{false};
    std::promise<WindowHandle> ready;
    auto handle = ready.get_future();
    std::thread owner(
        [&]
        {
            ready.set_value(CreateMessageWindow(
                [&](unsigned, WPARAM, LPARAM) -> LRESULT
                {
                    started.set_value();
                    releaseFuture.wait();
                    finished = true;
                    return 5;
                }));
            while (!finished.load())
                PumpWindowMessages(-1);
        });
    WindowHandle h = handle.get();
    std::thread releaser(
        [&]
        {
            started.get_future().wait();
            // A slow handler: the sender's 20 ms run out while it works.
            std::this_thread::sleep_for(std::chrono::milliseconds(60));
            release.set_value();
        });
    LRESULT result = -1;
    // The handler ran, so the send succeeded, however long it took; and the call came back only
    // after the handler had finished with the caller's values.
    EXPECT_TRUE(SendWindowMessageTimeout(h, WM_USER + 8, 0, 0, 20, &result));
    EXPECT_EQ(result, 5);
    EXPECT_TRUE(finished.load());
    releaser.join();
    owner.join();
}

TEST(WindowBusLocal, AThrowingHandlerFailsItsSenderInsteadOfLeavingItWaiting)
{
    std::promise<WindowHandle> ready;
    auto handle = ready.get_future();
    std::thread owner(
        [&]
        {
            WindowHandle h = CreateMessageWindow([](unsigned, WPARAM, LPARAM) -> LRESULT
                                                 { throw std::runtime_error("handler bug"); });
            ready.set_value(h);
            bool thrown = false;
            while (!thrown)
            {
                try
                {
                    PumpWindowMessages(-1);
                }
                catch (const std::runtime_error&)
                {
                    thrown = true;
                }
            }
            DestroyMessageWindow(h);
        });
    bool ok = true;
    SendWindowMessage(handle.get(), kAdd, 1, 1, &ok);
    EXPECT_FALSE(ok);
    owner.join();
}

TEST(WindowBusLocal, TwoThreadsSendingToEachOtherDoNotDeadlock)
{
    constexpr int kRounds = 300;
    constexpr unsigned kDone = WM_USER + 9;
    std::promise<WindowHandle> handles[2];
    std::shared_future<WindowHandle> peers[2] = {handles[0].get_future().share(), handles[1].get_future().share()};
    std::atomic<int> failures{0};

    auto run = [&](int me)
    {
        bool peerDone = false;
        WindowHandle own = CreateMessageWindow(
            [&](unsigned msg, WPARAM w, LPARAM) -> LRESULT
            {
                if (msg == kDone)
                    peerDone = true;
                return static_cast<LRESULT>(w) + 1;
            });
        handles[me].set_value(own);
        WindowHandle peer = peers[1 - me].get();
        for (int i = 0; i < kRounds; ++i)
        {
            bool ok = false;
            if (SendWindowMessage(peer, kAdd, static_cast<WPARAM>(i), 0, &ok) != i + 1 || !ok)
                ++failures;
        }
        PostWindowMessage(peer, kDone, 0, 0);
        // Keep answering until the peer has finished its own sends.
        while (!peerDone)
            PumpWindowMessages(-1);
        DestroyMessageWindow(own);
    };
    std::thread a(run, 0), b(run, 1);
    a.join();
    b.join();
    EXPECT_EQ(failures.load(), 0);
}
