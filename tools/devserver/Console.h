// The operator's console: command lines from a file descriptor (standard input), one command a
// line (room/Operator.h), handed to the room. `help` lists the commands; a wrong line or a command
// the room cannot carry out is answered through `say` (standard error in the program) and the
// console reads on. The end of the input ends the console, not the server.
#pragma once

#include "tessaro/net/Thread.h"

#include <atomic>
#include <functional>
#include <string>

namespace devserver
{

class Room;

class Console : public Thread
{
public:
    using Say = std::function<void(const std::string& text)>;

    // Reads from fd, which the console does not close.
    Console(int fd, Room& room, Say say);
    ~Console() override;

    int Run() override;

    // The input has ended (or failed) and every line before the end has been carried out.
    bool Ended() const { return m_bEnded.load(); }

protected:
    void WakeUp() override;

private:
    void RunLine(const std::string& line);

    const int m_fd;
    Room& m_room;
    Say m_say;
    int m_wake[2] = {-1, -1};
    std::atomic<bool> m_bEnded{false};
};

} // namespace devserver
