// Runs tessaro-devserver as a child process for a test: starts it on a free port of 127.0.0.1,
// collects its JSON lines (standard output) and its standard error, and ends it when the test is
// done.
//
//   testsupport::DevServerProcess server({"--echo", "200-210"}, "send probe\nclose\n");
//   ASSERT_TRUE(server.Started()) << server.Stderr();
//   int fd = testsupport::RawConnect(server.Port());
//   auto line = server.WaitForLine("\"event\":\"close\"", 2000);
//
// The program is build/bin/tessaro-devserver: TESSARO_DEVSERVER_BIN when the test is compiled with
// it, otherwise the file of that name next to the test program (tests land in bin/ as well).
//
// A thread of the helper reads both pipes all the time, so the server never blocks on a full pipe
// however much it reports; waits are on a condition variable with a deadline. The destructor kills
// the server (SIGKILL), reaps it, stops the reader and removes the script file.
#pragma once

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <limits.h>
#include <mutex>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace testsupport
{

// The integer value of "key" in one of the server's JSON lines, if it has one.
inline std::optional<long long> JsonInt(const std::string& line, const std::string& key)
{
    const std::string pattern = "\"" + key + "\":";
    const size_t at = line.find(pattern);
    if (at == std::string::npos)
        return std::nullopt;
    const char* start = line.c_str() + at + pattern.size();
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(start, &end, 10);
    if (end == start || errno != 0)
        return std::nullopt;
    return value;
}

// The string value of "key" (without escapes to undo: the server's keys and hexadecimal values
// need none), if it has one.
inline std::optional<std::string> JsonStr(const std::string& line, const std::string& key)
{
    const std::string pattern = "\"" + key + "\":\"";
    const size_t at = line.find(pattern);
    if (at == std::string::npos)
        return std::nullopt;
    const size_t start = at + pattern.size();
    const size_t end = line.find('"', start);
    if (end == std::string::npos)
        return std::nullopt;
    return line.substr(start, end - start);
}

class DevServerProcess
{
public:
    using Match = std::function<bool(const std::string& line)>;

    // Starts the server with args; "--listen 127.0.0.1:0" comes first unless args has --listen.
    // A non-empty script is written to a temporary file given as --script. Waits up to
    // startTimeoutMs for the "listen" line; Started() tells whether it came.
    explicit DevServerProcess(std::vector<std::string> args = {}, const std::string& script = "",
                              int startTimeoutMs = 10000)
    {
        const bool hasListen = std::any_of(args.begin(), args.end(),
                                           [](const std::string& a) { return a.compare(0, 8, "--listen") == 0; });
        if (!hasListen)
            args.insert(args.begin(), {"--listen", "127.0.0.1:0"});
        if (!script.empty())
        {
            if (!WriteScript(script))
                return;
            args.push_back("--script");
            args.push_back(m_scriptPath);
        }
        if (!Spawn(args))
            return;
        const std::optional<std::string> listen = WaitForLine("\"event\":\"listen\"", startTimeoutMs);
        if (listen)
            m_port = static_cast<int>(JsonInt(*listen, "port").value_or(-1));
    }

    ~DevServerProcess()
    {
        if (m_pid > 0 && !m_reaped)
        {
            kill(m_pid, SIGKILL);
            Reap(-1);
        }
        if (m_wakeWrite >= 0)
        {
            const char b = 1;
            (void)!write(m_wakeWrite, &b, 1);
        }
        if (m_reader.joinable())
            m_reader.join();
        for (int fd : {m_out, m_err, m_wakeRead, m_wakeWrite, m_pidfd})
        {
            if (fd >= 0)
                close(fd);
        }
        if (!m_scriptPath.empty())
            unlink(m_scriptPath.c_str());
    }

    DevServerProcess(const DevServerProcess&) = delete;
    DevServerProcess& operator=(const DevServerProcess&) = delete;

    // The program the helper starts.
    static std::string ProgramPath()
    {
#ifdef TESSARO_DEVSERVER_BIN
        return TESSARO_DEVSERVER_BIN;
#else
        char self[PATH_MAX] = {};
        const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
        std::string path = n > 0 ? std::string(self, static_cast<size_t>(n)) : std::string();
        const size_t slash = path.rfind('/');
        return (slash == std::string::npos ? std::string(".") : path.substr(0, slash)) + "/tessaro-devserver";
#endif
    }

    // The server is listening: its first line has arrived.
    bool Started() const
    {
        return m_port > 0;
    }
    int Port() const
    {
        return m_port;
    }
    pid_t Pid() const
    {
        return m_pid;
    }
    const std::string& ScriptPath() const
    {
        return m_scriptPath;
    }

    // The first line (from the start of the run) that matches, waiting up to timeoutMs for it.
    std::optional<std::string> WaitForLine(const Match& match, int timeoutMs)
    {
        std::vector<std::string> found = WaitForLines(match, 1, timeoutMs);
        if (found.empty())
            return std::nullopt;
        return found.front();
    }
    std::optional<std::string> WaitForLine(const std::string& substring, int timeoutMs)
    {
        return WaitForLine(Contains(substring), timeoutMs);
    }

    // The first count lines that match, waiting up to timeoutMs for them; fewer on time-out.
    std::vector<std::string> WaitForLines(const Match& match, size_t count, int timeoutMs)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        std::unique_lock<std::mutex> lock(m_mutex);
        std::vector<std::string> found;
        size_t seen = 0;
        while (true)
        {
            for (; seen < m_lines.size() && found.size() < count; ++seen)
            {
                if (match(m_lines[seen]))
                    found.push_back(m_lines[seen]);
            }
            if (found.size() >= count || m_outClosed)
                return found;
            if (m_changed.wait_until(lock, deadline) == std::cv_status::timeout && seen == m_lines.size())
                return found;
        }
    }
    std::vector<std::string> WaitForLines(const std::string& substring, size_t count, int timeoutMs)
    {
        return WaitForLines(Contains(substring), count, timeoutMs);
    }

    // Every line so far.
    std::vector<std::string> Lines() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_lines;
    }

    // What the server wrote to standard error so far.
    std::string Stderr() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_stderr;
    }

    // Sends SIGTERM and waits up to timeoutMs for the end, then collects the rest of its output.
    // Returns the exit status, 128 + N for a signal N, or -1 when it had to be killed.
    int Stop(int timeoutMs = 5000)
    {
        if (m_pid <= 0)
            return -1;
        if (!m_reaped)
            kill(m_pid, SIGTERM);
        return WaitForExit(timeoutMs, true);
    }

    // Waits up to timeoutMs for the server to end by itself (a bad command line, say). Returns its
    // status as Stop does, or -1 on time-out: it then keeps running, unless killOnTimeout.
    int WaitForExit(int timeoutMs, bool killOnTimeout = false)
    {
        if (m_pid <= 0)
            return -1;
        if (!m_reaped)
        {
            if (!Reap(timeoutMs))
            {
                if (!killOnTimeout)
                    return -1;
                kill(m_pid, SIGKILL);
                Reap(-1);
                m_status = -1;
            }
        }
        // The reader finishes once both pipes are at their end.
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait_for(lock, std::chrono::milliseconds(2000), [&] { return m_outClosed && m_errClosed; });
        return m_status;
    }

private:
    static Match Contains(const std::string& substring)
    {
        return [substring](const std::string& line) { return line.find(substring) != std::string::npos; };
    }

    bool WriteScript(const std::string& script)
    {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tessaro-devserver-XXXXXX.txt";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        const int fd = mkstemps(name.data(), 4);
        if (fd < 0)
            return false;
        m_scriptPath = name.data();
        size_t done = 0;
        while (done < script.size())
        {
            const ssize_t n = write(fd, script.data() + done, script.size() - done);
            if (n <= 0)
                break;
            done += static_cast<size_t>(n);
        }
        close(fd);
        return done == script.size();
    }

    bool Spawn(const std::vector<std::string>& args)
    {
        int out[2];
        int err[2];
        int wake[2];
        if (pipe2(out, O_CLOEXEC) != 0)
            return false;
        if (pipe2(err, O_CLOEXEC) != 0)
        {
            close(out[0]);
            close(out[1]);
            return false;
        }
        if (pipe2(wake, O_CLOEXEC) != 0)
        {
            for (int fd : {out[0], out[1], err[0], err[1]})
                close(fd);
            return false;
        }
        m_out = out[0];
        m_err = err[0];
        m_wakeRead = wake[0];
        m_wakeWrite = wake[1];

        const std::string program = ProgramPath();
        std::vector<std::string> words;
        words.push_back(program);
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& w : words)
            argv.push_back(w.data());
        argv.push_back(nullptr);
        const pid_t parent = getpid();

        const pid_t pid = fork();
        if (pid == 0)
        {
            // Only async-signal-safe calls from here to exec.
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (getppid() != parent)
                _exit(127);
            sigset_t none;
            sigemptyset(&none);
            sigprocmask(SIG_SETMASK, &none, nullptr);
            dup2(out[1], STDOUT_FILENO);
            dup2(err[1], STDERR_FILENO);
            execv(program.c_str(), argv.data());
            _exit(127);
        }
        close(out[1]);
        close(err[1]);
        if (pid < 0)
        {
            m_outClosed = m_errClosed = true;
            return false;
        }
        m_pid = pid;
        m_pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
        m_reader = std::thread([this] { ReadLoop(); });
        return true;
    }

    void ReadLoop()
    {
        std::string partial;
        char buf[65536];
        bool outOpen = true;
        bool errOpen = true;
        while (outOpen || errOpen)
        {
            pollfd fds[3] = {
                {outOpen ? m_out : -1, POLLIN, 0}, {errOpen ? m_err : -1, POLLIN, 0}, {m_wakeRead, POLLIN, 0}};
            if (poll(fds, 3, -1) < 0)
            {
                if (errno == EINTR)
                    continue;
                break;
            }
            if (fds[2].revents != 0)
                break;
            if (fds[0].revents != 0)
            {
                const ssize_t n = read(m_out, buf, sizeof buf);
                std::lock_guard<std::mutex> lock(m_mutex);
                if (n <= 0)
                {
                    outOpen = false;
                    m_outClosed = true;
                    if (!partial.empty())
                        m_lines.push_back(std::move(partial));
                }
                else
                {
                    partial.append(buf, static_cast<size_t>(n));
                    size_t start = 0;
                    size_t nl;
                    while ((nl = partial.find('\n', start)) != std::string::npos)
                    {
                        m_lines.push_back(partial.substr(start, nl - start));
                        start = nl + 1;
                    }
                    partial.erase(0, start);
                }
                m_changed.notify_all();
            }
            if (fds[1].revents != 0)
            {
                const ssize_t n = read(m_err, buf, sizeof buf);
                std::lock_guard<std::mutex> lock(m_mutex);
                if (n <= 0)
                {
                    errOpen = false;
                    m_errClosed = true;
                }
                else
                {
                    m_stderr.append(buf, static_cast<size_t>(n));
                }
                m_changed.notify_all();
            }
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        m_outClosed = m_errClosed = true;
        m_changed.notify_all();
    }

    // Waits for the child's end (timeoutMs < 0: without limit) and collects its status.
    bool Reap(int timeoutMs)
    {
        if (m_pidfd >= 0 && timeoutMs >= 0)
        {
            pollfd p{m_pidfd, POLLIN, 0};
            int ready;
            do
                ready = poll(&p, 1, timeoutMs);
            while (ready < 0 && errno == EINTR);
            if (ready == 0)
                return false;
        }
        int status = 0;
        // Without a pidfd (an old kernel) a bounded wait can only look once.
        const int flags = m_pidfd < 0 && timeoutMs >= 0 ? WNOHANG : 0;
        pid_t r;
        do
            r = waitpid(m_pid, &status, flags);
        while (r < 0 && errno == EINTR);
        if (r == 0)
            return false;
        m_reaped = true;
        if (r == m_pid && WIFEXITED(status))
            m_status = WEXITSTATUS(status);
        else if (r == m_pid && WIFSIGNALED(status))
            m_status = 128 + WTERMSIG(status);
        else
            m_status = -1;
        return true;
    }

    pid_t m_pid = -1;
    int m_pidfd = -1;
    bool m_reaped = false;
    int m_status = -1;
    int m_port = -1;
    std::string m_scriptPath;
    int m_out = -1;
    int m_err = -1;
    int m_wakeRead = -1;
    int m_wakeWrite = -1;
    std::thread m_reader;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::string> m_lines;
    std::string m_stderr;
    bool m_outClosed = false;
    bool m_errClosed = false;
};

} // namespace testsupport
