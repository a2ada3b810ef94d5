// The main window on the message bus, the command line and the one-copy setting.
#include "pop/SexyAppBase.h"
#include "pop/TestHarness.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace Sexy;

namespace
{

// Stands in for a game's window procedure: records what reaches it and on which thread.
class RecordingApp : public SexyAppBase
{
public:
    struct Call
    {
        unsigned msg;
        platform::WPARAM wParam;
        platform::LPARAM lParam;
        std::uintptr_t tag;
        std::string data;
        std::thread::id thread;
    };
    std::vector<Call> calls;

    bool HandleWindowMessage(unsigned msg, platform::WPARAM w, platform::LPARAM l, platform::LRESULT* r) override
    {
        Call c{msg, w, l, 0, {}, std::this_thread::get_id()};
        if (msg == platform::WM_COPYDATA)
        {
            auto* cds = reinterpret_cast<const platform::COPYDATASTRUCT*>(l);
            c.tag = cds->dwData;
            c.data.assign(static_cast<const char*>(cds->lpData), cds->cbData);
            *r = 77;
        }
        else if (msg == platform::WM_GAME_NETMSG)
        {
            *r = 88;
        }
        else
        {
            return false;
        }
        calls.push_back(c);
        return true;
    }
};

} // namespace

TEST(AppWindow, CopyDataAndNetMessagesFromAWorkerRunOnTheMainThread)
{
    RecordingApp app;
    TestHarness h(app);
    platform::WindowHandle hwnd = app.mHWnd;
    ASSERT_NE(hwnd, 0u);

    platform::LRESULT copyResult = 0, netResult = 0;
    bool copyOk = false, netOk = false;
    std::thread worker(
        [&]
        {
            const char bytes[] = "launch block";
            platform::COPYDATASTRUCT cds{0, sizeof(bytes) - 1, const_cast<char*>(bytes)};
            copyResult = platform::SendWindowMessage(hwnd, platform::WM_COPYDATA, 123,
                                                     reinterpret_cast<platform::LPARAM>(&cds), &copyOk);
            netResult = platform::SendWindowMessage(hwnd, platform::WM_GAME_NETMSG, 0x1234, 56, &netOk);
        });
    // The worker's sends wait for the main thread's loop.
    for (int i = 0; i < 100 && app.calls.size() < 2; ++i)
        h.PumpMessages(5000);
    worker.join();

    EXPECT_TRUE(copyOk);
    EXPECT_TRUE(netOk);
    EXPECT_EQ(copyResult, 77);
    EXPECT_EQ(netResult, 88);
    ASSERT_EQ(app.calls.size(), 2u);
    EXPECT_EQ(app.calls[0].msg, platform::WM_COPYDATA);
    EXPECT_EQ(app.calls[0].wParam, 123u);
    EXPECT_EQ(app.calls[0].tag, 0u);
    EXPECT_EQ(app.calls[0].data, "launch block");
    EXPECT_EQ(app.calls[1].msg, platform::WM_GAME_NETMSG);
    EXPECT_EQ(app.calls[1].wParam, 0x1234u);
    EXPECT_EQ(app.calls[1].lParam, 56);
    for (const auto& c : app.calls)
        EXPECT_EQ(c.thread, std::this_thread::get_id());
}

TEST(AppWindow, PostedMessagesWaitForTheLoopsStep)
{
    RecordingApp app;
    TestHarness h(app);
    ASSERT_TRUE(platform::PostWindowMessage(app.mHWnd, platform::WM_GAME_NETMSG, 1, 2));
    EXPECT_TRUE(app.calls.empty());
    h.Step();
    ASSERT_EQ(app.calls.size(), 1u);
    EXPECT_EQ(app.calls[0].lParam, 2);
}

namespace
{

// Records the order of the start-up hooks.
class StartApp : public SexyAppBase
{
public:
    std::vector<std::string> log;
    bool quitOnParse = false;
    StartApp() { mHeadless = true; }
    void ParseCmdLine(const std::string& cmdLine) override
    {
        log.push_back("parse:" + cmdLine);
        if (quitOnParse)
            Shutdown();
    }
    void Init() override
    {
        log.push_back("init");
        SexyAppBase::Init();
    }
    void UpdateFrames() override
    {
        SexyAppBase::UpdateFrames();
        Shutdown(); // one update is enough
    }
};

std::vector<char*> Argv(std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    return argv;
}

} // namespace

TEST(AppStart, ParseCmdLineGetsTheJoinedArgumentsBeforeInit)
{
    StartApp app;
    std::vector<std::string> args = {"/path/to/game", "127.0.0.1", "17100", "\xD1\xDD\xCA\xBE", "", "last"};
    std::vector<char*> argv = Argv(args);
    EXPECT_EQ(app.Start(int(args.size()), argv.data()), 0);
    ASSERT_EQ(app.log.size(), 2u);
    EXPECT_EQ(app.log[0], "parse:127.0.0.1 17100 \xD1\xDD\xCA\xBE  last") << "single blanks, bytes as given";
    EXPECT_EQ(app.log[1], "init");
    EXPECT_EQ(app.mCmdLine, "127.0.0.1 17100 \xD1\xDD\xCA\xBE  last");
    EXPECT_EQ(app.mUpdateCount, 1);
}

TEST(AppStart, AShutdownFromParseCmdLineStopsTheStart)
{
    StartApp app;
    app.quitOnParse = true;
    std::vector<std::string> args = {"game"};
    std::vector<char*> argv = Argv(args);
    EXPECT_EQ(app.Start(1, argv.data()), 0);
    EXPECT_EQ(app.log, std::vector<std::string>{"parse:"});
    EXPECT_FALSE(app.IsInitialized());
    EXPECT_EQ(app.mUpdateCount, 0);
}

TEST(AppOneCopy, ASecondCopyOfTheSameProgramDoesNotStart)
{
    const std::string identity = "pop-one-copy-test-" + std::to_string(::getpid());
    auto first = std::make_unique<StartApp>();
    first->mOnlyAllowOneCopyToRun = true;
    first->mProgramIdentity = identity;
    first->Init();
    ASSERT_TRUE(first->IsInitialized());
    ASSERT_FALSE(first->IsSecondCopy());

    StartApp second;
    second.mOnlyAllowOneCopyToRun = true;
    second.mProgramIdentity = identity;
    std::vector<std::string> args = {"game", "x"};
    std::vector<char*> argv = Argv(args);
    EXPECT_EQ(second.Start(2, argv.data()), 0) << "the second copy ends quietly";
    EXPECT_TRUE(second.IsSecondCopy());
    EXPECT_TRUE(second.log.empty()) << "neither its command line nor its Init ran";
    EXPECT_EQ(second.mHWnd, 0u);

    // Another program, or the setting off, is not held back.
    StartApp other;
    other.mOnlyAllowOneCopyToRun = true;
    other.mProgramIdentity = identity + "-other";
    other.Init();
    EXPECT_TRUE(other.IsInitialized());
    StartApp unlimited;
    unlimited.mProgramIdentity = identity;
    unlimited.Init();
    EXPECT_TRUE(unlimited.IsInitialized());

    // Once the first copy is gone, the program may start again.
    first.reset();
    StartApp third;
    third.mOnlyAllowOneCopyToRun = true;
    third.mProgramIdentity = identity;
    third.Init();
    EXPECT_TRUE(third.IsInitialized());
    EXPECT_FALSE(third.IsSecondCopy());
}
