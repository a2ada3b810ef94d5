#include "tools/devserver/Console.h"

#include "tools/devserver/TextFile.h"
#include "tools/devserver/room/Operator.h"
#include "tools/devserver/room/Room.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <unistd.h>

namespace devserver
{

namespace
{

// A line longer than this is no command: it is dropped whole.
constexpr size_t kMaxLine = 4096;

} // namespace

Console::Console(int fd, Room& room, Say say) : m_fd(fd), m_room(room), m_say(std::move(say))
{
    if (pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0)
        m_wake[0] = m_wake[1] = -1;
}

Console::~Console()
{
    Stop();
    for (const int fd : m_wake)
    {
        if (fd >= 0)
            close(fd);
    }
}

void Console::WakeUp()
{
    if (m_wake[1] >= 0)
    {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = write(m_wake[1], &byte, 1);
    }
}

int Console::Run()
{
    std::string pending;
    bool overlong = false;
    char buf[1024];
    while (!IsTerminating())
    {
        pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        const int ready = poll(fds, m_wake[0] >= 0 ? 2 : 1, -1);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0 || IsTerminating())
            break;
        if (!(fds[0].revents & (POLLIN | POLLHUP | POLLERR)))
            continue;
        const ssize_t n = read(m_fd, buf, sizeof buf);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0)
        {
            // The last line may lack its line end.
            if (!pending.empty() && !overlong)
                RunLine(pending);
            break;
        }
        pending.append(buf, static_cast<size_t>(n));
        size_t end;
        while ((end = pending.find('\n')) != std::string::npos)
        {
            std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (overlong)
                overlong = false;
            else
                RunLine(line);
        }
        if (pending.size() > kMaxLine)
        {
            m_say("a line of more than " + std::to_string(kMaxLine) + " bytes: dropped\n");
            pending.clear();
            overlong = true;
        }
    }
    m_bEnded = true;
    return 0;
}

void Console::RunLine(const std::string& raw)
{
    const std::string_view line = TrimBlanks(raw);
    if (line.empty() || line[0] == '#')
        return;
    OperatorCommand command;
    std::string error;
    if (!ParseOperatorCommand(line, command, error))
        return m_say("error: " + error + "\n");
    if (command.kind == OperatorCommand::Kind::Help)
        return m_say(OperatorHelp());
    // One command at a time, so that the answers come in the order of the lines.
    struct Answer
    {
        std::mutex mutex;
        std::condition_variable done;
        bool ready = false;
        std::string error;
    };
    auto answer = std::make_shared<Answer>();
    m_room.Operate(std::move(command),
                   [answer](const std::string& e)
                   {
                       std::lock_guard<std::mutex> lock(answer->mutex);
                       answer->error = e;
                       answer->ready = true;
                       answer->done.notify_all();
                   });
    std::unique_lock<std::mutex> lock(answer->mutex);
    // A room that stops meanwhile never answers: the stop request ends the wait then.
    while (!answer->done.wait_for(lock, std::chrono::milliseconds(100), [&] { return answer->ready; }))
    {
        if (IsTerminating())
            return;
    }
    if (!answer->error.empty())
        m_say("error: " + answer->error + "\n");
}

} // namespace devserver
