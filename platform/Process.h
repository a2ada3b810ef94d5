// Watching other processes and handing things to the desktop.
#pragma once

#include <string>
#include <sys/types.h>

namespace platform
{

// Waits for the end of one process by pid, from any thread, until it ends or the watch is
// cancelled. Built on a process file descriptor, so a pid reused after the end is never mistaken
// for the watched process.
class ProcessWatch
{
public:
    // Opens the watch; Valid() is false when the process does not exist (or has already ended
    // and been reaped) or cannot be watched.
    explicit ProcessWatch(pid_t pid);
    ~ProcessWatch();
    ProcessWatch(const ProcessWatch&) = delete;
    ProcessWatch& operator=(const ProcessWatch&) = delete;

    bool Valid() const { return m_iPidFd >= 0; }

    // Waits up to iTimeoutMs (negative: without limit). 1: the process ended; 0: time-out;
    // -1: cancelled, or the watch is not valid.
    int Wait(int iTimeoutMs = -1);

    // Ends a Wait in progress (and every later one) with -1. Safe from any thread.
    void Cancel();

private:
    int m_iPidFd = -1;
    int m_iCancelFd = -1;
};

// Opens a web address with the desktop's handler (xdg-open), detached: returns at once and never
// passes the address through a shell. False when the address is empty, has control characters or
// the handler cannot be started.
bool OpenUrl(const std::string& url);

} // namespace platform
