// A program run as a child process for a test: its standard output collected as lines, its
// standard error as text, both read all the time by a thread of the helper, so the child never
// blocks on a full pipe however much it writes. Waits are on a condition variable with a deadline.
// The child's standard input is a pipe from the helper (never the test's terminal): WriteInput
// feeds it, CloseInput ends it. The destructor kills the child (SIGKILL) if it still runs, reaps
// it and stops the reader; the child also gets SIGKILL when the test process dies first.
//
//   testsupport::ChildProcess child;
//   ASSERT_TRUE(child.Spawn("/bin/echo", {"hello"})) << child.SpawnError();
//   EXPECT_TRUE(child.WaitForLine("hello", 2000));
//   EXPECT_EQ(child.WaitForExit(2000), 0);
#pragma once

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <functional>
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

class ChildProcess
{
public:
    using Match = std::function<bool(const std::string& line)>;

    ChildProcess() = default;
    ~ChildProcess()
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
        for (int fd : {m_in, m_out, m_err, m_wakeRead, m_wakeWrite, m_pidfd})
        {
            if (fd >= 0)
                close(fd);
        }
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts program with args; with env the child gets exactly those entries ("NAME=value"),
    // otherwise this process's environment. Once per object.
    bool Spawn(const std::string& program, const std::vector<std::string>& args,
               const std::optional<std::vector<std::string>>& env = std::nullopt)
    {
        if (m_pid > 0 || m_out >= 0)
            return false;
        int in[2];
        int out[2];
        int err[2];
        int wake[2];
        if (pipe2(in, O_CLOEXEC) != 0)
            return Failed(errno);
        m_in = in[1];
        if (pipe2(out, O_CLOEXEC) != 0)
        {
            const int error = errno;
            close(in[0]);
            return Failed(error);
        }
        if (pipe2(err, O_CLOEXEC) != 0)
        {
            const int error = errno;
            close(in[0]);
            close(out[0]);
            close(out[1]);
            return Failed(error);
        }
        if (pipe2(wake, O_CLOEXEC) != 0)
        {
            const int error = errno;
            for (int fd : {in[0], out[0], out[1], err[0], err[1]})
                close(fd);
            return Failed(error);
        }
        m_out = out[0];
        m_err = err[0];
        m_wakeRead = wake[0];
        m_wakeWrite = wake[1];

        // Everything the child needs is made before fork: between fork and exec only
        // async-signal-safe calls are allowed.
        std::vector<std::string> words{program};
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& w : words)
            argv.push_back(w.data());
        argv.push_back(nullptr);
        std::vector<std::string> entries = env.value_or(std::vector<std::string>{});
        std::vector<char*> envp;
        for (std::string& e : entries)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        const bool ownEnv = env.has_value();
        const pid_t parent = getpid();

        const pid_t pid = fork();
        if (pid == 0)
        {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (getppid() != parent)
                _exit(127);
            sigset_t none;
            sigemptyset(&none);
            sigprocmask(SIG_SETMASK, &none, nullptr);
            dup2(in[0], STDIN_FILENO);
            dup2(out[1], STDOUT_FILENO);
            dup2(err[1], STDERR_FILENO);
            if (ownEnv)
                execve(program.c_str(), argv.data(), envp.data());
            else
                execv(program.c_str(), argv.data());
            _exit(127);
        }
        const int forkError = errno;
        close(in[0]);
        close(out[1]);
        close(err[1]);
        if (pid < 0)
        {
            m_outClosed = m_errClosed = true;
            return Failed(forkError);
        }
        m_pid = pid;
        m_pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
        m_reader = std::thread([this] { ReadLoop(); });
        return true;
    }

    bool Running() const { return m_pid > 0 && !m_reaped; }

    // Writes text to the child's standard input; false when it is closed or the child is gone.
    bool WriteInput(const std::string& text)
    {
        // A child that has gone would raise SIGPIPE in the test: blocked for the write, and a
        // pending one taken back before the mask is restored.
        sigset_t pipeSignal;
        sigset_t old;
        sigemptyset(&pipeSignal);
        sigaddset(&pipeSignal, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipeSignal, &old);
        size_t done = 0;
        bool ok = m_in >= 0;
        while (ok && done < text.size())
        {
            const ssize_t n = write(m_in, text.data() + done, text.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            ok = n > 0;
            if (ok)
                done += static_cast<size_t>(n);
        }
        if (!ok)
        {
            const timespec now{0, 0};
            sigtimedwait(&pipeSignal, nullptr, &now);
        }
        pthread_sigmask(SIG_SETMASK, &old, nullptr);
        return ok;
    }
    // The end of the child's standard input.
    void CloseInput()
    {
        if (m_in >= 0)
            close(m_in);
        m_in = -1;
    }
    pid_t Pid() const { return m_pid; }
    const std::string& SpawnError() const { return m_spawnError; }

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

    // The first count lines that match, waiting up to timeoutMs for them; fewer on time-out or
    // when the output has ended.
    std::vector<std::string> WaitForLines(const Match& match, size_t count, int timeoutMs)
    {
        const auto deadline = Deadline(timeoutMs);
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

    // Whether standard error has held every fragment, in this order, within timeoutMs.
    bool WaitForStderr(const std::vector<std::string>& fragments, int timeoutMs)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait_until(lock, Deadline(timeoutMs), [&] { return InOrder(m_stderr, fragments) || m_errClosed; });
        return InOrder(m_stderr, fragments);
    }

    // Every line so far.
    std::vector<std::string> Lines() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_lines;
    }

    // What the child wrote to standard error so far.
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

    // Ends the child at once (SIGKILL) and reaps it, without waiting for its output to end: children
    // it started may still hold the pipes.
    void Kill()
    {
        if (m_pid <= 0 || m_reaped)
            return;
        kill(m_pid, SIGKILL);
        Reap(-1);
    }

    // Waits up to timeoutMs for the child to end by itself. Returns its status as Stop does, or -1
    // on time-out: it then keeps running, unless killOnTimeout.
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
        // The reader finishes once both pipes are at their end (a grandchild may keep them open).
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait_for(lock, std::chrono::milliseconds(2000), [&] { return m_outClosed && m_errClosed; });
        return m_status;
    }

private:
    static Match Contains(const std::string& substring)
    {
        return [substring](const std::string& line) { return line.find(substring) != std::string::npos; };
    }

    static std::chrono::steady_clock::time_point Deadline(int ms)
    {
        return std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    }

    static bool InOrder(const std::string& text, const std::vector<std::string>& fragments)
    {
        size_t from = 0;
        for (const std::string& f : fragments)
        {
            const size_t at = text.find(f, from);
            if (at == std::string::npos)
                return false;
            from = at + f.size();
        }
        return true;
    }

    bool Failed(int error)
    {
        m_spawnError = std::strerror(error);
        return false;
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
    std::string m_spawnError;
    int m_in = -1;
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
