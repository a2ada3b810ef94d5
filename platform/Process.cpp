#include "platform/Process.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform
{

ProcessWatch::ProcessWatch(pid_t pid)
{
    if (pid <= 0)
        return;
    // A process file descriptor is close-on-exec from the start.
    const long fd = syscall(SYS_pidfd_open, pid, 0);
    if (fd < 0)
        return;
    m_iCancelFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_iCancelFd < 0)
    {
        close(static_cast<int>(fd));
        return;
    }
    m_iPidFd = static_cast<int>(fd);
}

ProcessWatch::~ProcessWatch()
{
    if (m_iPidFd >= 0)
        close(m_iPidFd);
    if (m_iCancelFd >= 0)
        close(m_iCancelFd);
}

int ProcessWatch::Wait(int iTimeoutMs)
{
    if (m_iPidFd < 0)
        return -1;
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(iTimeoutMs < 0 ? 0 : iTimeoutMs);
    for (;;)
    {
        int iWait = -1;
        if (iTimeoutMs >= 0)
        {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            iWait = left > 0 ? static_cast<int>(left) : 0;
        }
        pollfd fds[2] = {{m_iCancelFd, POLLIN, 0}, {m_iPidFd, POLLIN, 0}};
        const int n = poll(fds, 2, iWait);
        if (n < 0)
        {
            if (errno == EINTR)
                continue;
            return -1;
        }
        // A cancel wins over an end seen in the same pass: Cancel promises -1 from then on.
        if (fds[0].revents != 0)
            return -1;
        if (fds[1].revents != 0)
            return 1;
        if (n == 0 && iWait >= 0)
        {
            // poll may wake a little early; only a passed deadline is a time-out.
            if (Clock::now() >= deadline)
                return 0;
        }
    }
}

void ProcessWatch::Cancel()
{
    if (m_iCancelFd < 0)
        return;
    // The counter is never read back, so the descriptor stays readable for every later Wait.
    const std::uint64_t one = 1;
    ssize_t r;
    do
        r = write(m_iCancelFd, &one, sizeof one);
    while (r < 0 && errno == EINTR);
}

namespace
{

class Fd
{
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() { Reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;

    int Get() const { return m_fd; }
    void Reset()
    {
        if (m_fd >= 0)
            close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd;
};

bool IsAcceptableUrl(const std::string& url)
{
    if (url.empty())
        return false;
    // A leading dash would reach the handler as an option instead of an address.
    if (url[0] == '-')
        return false;
    for (const char c : url)
    {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F)
            return false;
    }
    return true;
}

// The spawn settings of the handler, prepared before the fork so that the short-lived child only
// makes system calls.
class HandlerSpawn
{
public:
    HandlerSpawn()
    {
        m_bAttr = posix_spawnattr_init(&m_attr) == 0;
        m_bActions = posix_spawn_file_actions_init(&m_actions) == 0;
        if (!m_bAttr || !m_bActions)
            return;
        // The handler starts with a clean signal state, whatever this process blocks or ignores.
        sigset_t none;
        sigset_t all;
        sigemptyset(&none);
        sigfillset(&all);
        sigdelset(&all, SIGKILL);
        sigdelset(&all, SIGSTOP);
        m_bReady = posix_spawnattr_setsigmask(&m_attr, &none) == 0 &&
                   posix_spawnattr_setsigdefault(&m_attr, &all) == 0 &&
                   posix_spawnattr_setflags(&m_attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF) == 0 &&
                   // It gets nothing to read and writes nothing into this program's output.
                   posix_spawn_file_actions_addopen(&m_actions, 0, "/dev/null", O_RDONLY, 0) == 0 &&
                   posix_spawn_file_actions_addopen(&m_actions, 1, "/dev/null", O_WRONLY, 0) == 0;
    }
    ~HandlerSpawn()
    {
        if (m_bAttr)
            posix_spawnattr_destroy(&m_attr);
        if (m_bActions)
            posix_spawn_file_actions_destroy(&m_actions);
    }
    HandlerSpawn(const HandlerSpawn&) = delete;
    HandlerSpawn& operator=(const HandlerSpawn&) = delete;

    bool Ready() const { return m_bReady; }
    const posix_spawnattr_t* Attr() const { return &m_attr; }
    const posix_spawn_file_actions_t* Actions() const { return &m_actions; }

private:
    posix_spawnattr_t m_attr{};
    posix_spawn_file_actions_t m_actions{};
    bool m_bAttr = false;
    bool m_bActions = false;
    bool m_bReady = false;
};

} // namespace

bool OpenUrl(const std::string& url)
{
    if (!IsAcceptableUrl(url))
        return false;
    HandlerSpawn spawn;
    if (!spawn.Ready())
        return false;
    char program[] = "xdg-open";
    std::string address = url;
    char* argv[] = {program, address.data(), nullptr};
    // The child reports through a pipe whether the handler started; unlike its exit status, that
    // also arrives when this process has its children reaped automatically.
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0)
        return false;
    const Fd reader(report[0]);
    Fd writer(report[1]);

    // A short-lived child starts the handler in a session of its own and ends at once, so the
    // handler belongs to init (which reaps it), never to this process, and a terminal's signals to
    // this program's group do not reach it.
    const pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0)
    {
        setsid();
        pid_t handler;
        const char started = posix_spawnp(&handler, program, spawn.Actions(), spawn.Attr(), argv, environ) == 0;
        ssize_t r;
        do
            r = write(writer.Get(), &started, 1);
        while (r < 0 && errno == EINTR);
        _exit(0);
    }
    writer.Reset();
    char started = 0;
    ssize_t r;
    do
        r = read(reader.Get(), &started, 1);
    while (r < 0 && errno == EINTR);
    while (waitpid(child, nullptr, 0) < 0 && errno == EINTR)
    {
    }
    return r == 1 && started == 1;
}

} // namespace platform
