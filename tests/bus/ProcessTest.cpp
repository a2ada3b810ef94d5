// The process watch on real child processes, and OpenUrl against a stand-in desktop handler.
#include "platform/Process.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace
{

// A child process that lives until Release() (or the end of the test) closes its pipe.
class HeldChild
{
public:
    HeldChild()
    {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0)
            return;
        m_pid = fork();
        if (m_pid == 0)
        {
            close(fds[1]);
            char c;
            while (read(fds[0], &c, 1) < 0 && errno == EINTR)
            {
            }
            _exit(7);
        }
        close(fds[0]);
        m_hold = fds[1];
    }
    ~HeldChild()
    {
        Release();
        Reap();
    }
    HeldChild(const HeldChild&) = delete;
    HeldChild& operator=(const HeldChild&) = delete;

    pid_t Pid() const { return m_pid; }
    void Release()
    {
        if (m_hold >= 0)
            close(m_hold);
        m_hold = -1;
    }
    // The exit status; -1 when there is no child left to reap.
    int Reap()
    {
        if (m_pid <= 0)
            return -1;
        int status = 0;
        pid_t r;
        while ((r = waitpid(m_pid, &status, 0)) < 0 && errno == EINTR)
        {
        }
        m_pid = -1;
        return r > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t m_pid = -1;
    int m_hold = -1;
};

TEST(ProcessWatchTest, FiresWhenTheChildEnds)
{
    HeldChild child;
    ASSERT_GT(child.Pid(), 0);
    platform::ProcessWatch watch(child.Pid());
    ASSERT_TRUE(watch.Valid());
    EXPECT_EQ(watch.Wait(0), 0);
    child.Release();
    EXPECT_EQ(watch.Wait(-1), 1);
    // Ended but not yet reaped: every further wait reports the end at once.
    EXPECT_EQ(watch.Wait(0), 1);
    EXPECT_EQ(child.Reap(), 7);
    EXPECT_EQ(watch.Wait(0), 1);
}

TEST(ProcessWatchTest, BoundedWaitOnALiveChildTimesOut)
{
    HeldChild child;
    platform::ProcessWatch watch(child.Pid());
    ASSERT_TRUE(watch.Valid());
    EXPECT_EQ(watch.Wait(0), 0);
    EXPECT_EQ(watch.Wait(30), 0);
}

TEST(ProcessWatchTest, CancelFromAnotherThreadEndsAnUnlimitedWait)
{
    HeldChild child;
    platform::ProcessWatch watch(child.Pid());
    ASSERT_TRUE(watch.Valid());
    int result = 99;
    std::thread waiter([&] { result = watch.Wait(-1); });
    watch.Cancel();
    waiter.join();
    EXPECT_EQ(result, -1);
    // The cancel holds for later waits, also once the process has ended.
    child.Release();
    EXPECT_EQ(watch.Wait(-1), -1);
}

TEST(ProcessWatchTest, NoProcessGivesAnInvalidWatch)
{
    pid_t gone;
    {
        HeldChild child;
        gone = child.Pid();
    }
    for (const pid_t pid : {gone, pid_t{0}, pid_t{-1}})
    {
        platform::ProcessWatch watch(pid);
        EXPECT_FALSE(watch.Valid()) << pid;
        EXPECT_EQ(watch.Wait(0), -1);
        watch.Cancel();
    }
}

class ScopedPath
{
public:
    explicit ScopedPath(const std::string& first)
    {
        const char* old = std::getenv("PATH");
        m_bHad = old != nullptr;
        if (old)
            m_old = old;
        const std::string value = m_bHad ? first + ":" + m_old : first;
        setenv("PATH", value.c_str(), 1);
    }
    ~ScopedPath()
    {
        if (m_bHad)
            setenv("PATH", m_old.c_str(), 1);
        else
            unsetenv("PATH");
    }
    ScopedPath(const ScopedPath&) = delete;
    ScopedPath& operator=(const ScopedPath&) = delete;

private:
    std::string m_old;
    bool m_bHad = false;
};

// A folder with an "xdg-open" that writes its arguments (NUL-terminated, after their count) to
// "argv", then waits until the test opens the fifo "go" and finally writes to the fifo "done".
class FakeHandler
{
public:
    FakeHandler()
    {
        std::string pattern = testing::TempDir() + "openurl-XXXXXX";
        if (!mkdtemp(pattern.data()))
            return;
        m_dir = pattern;
        const std::string script = m_dir + "/xdg-open";
        std::ofstream(script) << "#!/bin/sh\n"
                                 "d=\"$(dirname \"$0\")\"\n"
                                 "printf '%s\\0' \"$#\" \"$@\" > \"$d/argv.part\"\n"
                                 "mv \"$d/argv.part\" \"$d/argv\"\n"
                                 "cat \"$d/go\" > /dev/null\n"
                                 "echo done > \"$d/done\"\n";
        chmod(script.c_str(), 0755);
        mkfifo((m_dir + "/go").c_str(), 0600);
        mkfifo((m_dir + "/done").c_str(), 0600);
    }
    ~FakeHandler()
    {
        if (!m_dir.empty())
        {
            std::error_code ec;
            fs::remove_all(m_dir, ec);
        }
    }
    FakeHandler(const FakeHandler&) = delete;
    FakeHandler& operator=(const FakeHandler&) = delete;

    const std::string& Dir() const { return m_dir; }

    // Lets the handler run on and waits for its last line; returns the arguments it recorded.
    std::vector<std::string> ReleaseAndCollect()
    {
        // Opening the fifo waits for the handler's reader, so "argv" is complete afterwards.
        const int go = open((m_dir + "/go").c_str(), O_WRONLY | O_CLOEXEC);
        EXPECT_GE(go, 0);
        std::ifstream in(m_dir + "/argv", std::ios::binary);
        const std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (go >= 0)
            close(go);
        std::ifstream done(m_dir + "/done");
        std::string line;
        std::getline(done, line);
        EXPECT_EQ(line, "done");

        std::vector<std::string> args;
        size_t start = 0;
        for (size_t i = 0; i < raw.size(); ++i)
        {
            if (raw[i] == '\0')
            {
                args.push_back(raw.substr(start, i - start));
                start = i + 1;
            }
        }
        return args;
    }

private:
    std::string m_dir;
};

TEST(ProcessOpenUrlTest, HandsTheAddressOverAsOneArgumentWithoutAShell)
{
    const std::string urls[] = {
        "http://127.0.0.1/shop?a=1&token=x; rm -rf \"$HOME\" #",
        "http://127.0.0.1/$(touch pwned)/`id`?q='x' | cat",
        "http://127.0.0.1/a b\\c*?[x]",
    };
    for (const std::string& url : urls)
    {
        FakeHandler handler;
        ASSERT_FALSE(handler.Dir().empty());
        ScopedPath path(handler.Dir());
        // The handler is still blocked on its fifo, so this returns before it has finished.
        ASSERT_TRUE(platform::OpenUrl(url)) << url;
        const std::vector<std::string> args = handler.ReleaseAndCollect();
        ASSERT_EQ(args.size(), 2u) << url;
        EXPECT_EQ(args[0], "1");
        EXPECT_EQ(args[1], url);
        EXPECT_FALSE(fs::exists(handler.Dir() + "/pwned"));
        EXPECT_FALSE(fs::exists("pwned"));
    }
}

TEST(ProcessOpenUrlTest, RefusesEmptyAddressesControlCharactersAndOptions)
{
    FakeHandler handler;
    ScopedPath path(handler.Dir());
    for (const std::string& url :
         {std::string(), std::string("http://a/\nb"), std::string("http://a/\tb"), std::string("http://a/\x7f"),
          std::string("http://a/\0b", 10), std::string("--help"), std::string("-x")})
        EXPECT_FALSE(platform::OpenUrl(url)) << url;
    EXPECT_FALSE(fs::exists(handler.Dir() + "/argv"));
}

TEST(ProcessOpenUrlTest, FailsWhenNoHandlerCanBeStarted)
{
    std::string pattern = testing::TempDir() + "nohandler-XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    {
        // Only this empty folder is searched.
        const char* old = std::getenv("PATH");
        const std::string saved = old ? old : "";
        setenv("PATH", pattern.c_str(), 1);
        EXPECT_FALSE(platform::OpenUrl("http://127.0.0.1/"));
        setenv("PATH", saved.c_str(), 1);
    }
    rmdir(pattern.c_str());
}

} // namespace
