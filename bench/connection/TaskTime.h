// Processor time per thread and per process, as the kernel's scheduler counts it in nanoseconds:
// for telling which thread of the connection (or the server) a round trip spends its time in, and
// how long the threads waited for a processor.
#pragma once

#include <ctime>
#include <dirent.h>
#include <fstream>
#include <string>
#include <sys/types.h>

namespace connbench
{

struct TaskTime
{
    double runUs = 0;  // on a processor
    double waitUs = 0; // runnable, waiting for a processor

    TaskTime operator-(const TaskTime& o) const { return {runUs - o.runUs, waitUs - o.waitUs}; }
    TaskTime& operator+=(const TaskTime& o)
    {
        runUs += o.runUs;
        waitUs += o.waitUs;
        return *this;
    }
};

// One thread (tid) of a process; zero when it is gone or the kernel keeps no such count.
inline TaskTime ReadTaskTime(pid_t pid, pid_t tid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/task/" + std::to_string(tid) + "/schedstat");
    double runNs = 0;
    double waitNs = 0;
    if (!(in >> runNs >> waitNs))
        return {};
    return {runNs / 1000.0, waitNs / 1000.0};
}

// Every thread of a process, added up.
inline TaskTime ReadProcessTime(pid_t pid)
{
    TaskTime sum;
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = ::opendir(tasks.c_str());
    if (!dir)
        return sum;
    while (const dirent* e = ::readdir(dir))
    {
        if (e->d_name[0] < '0' || e->d_name[0] > '9')
            continue;
        sum += ReadTaskTime(pid, static_cast<pid_t>(std::stol(e->d_name)));
    }
    ::closedir(dir);
    return sum;
}

inline double CpuSeconds(clockid_t clock)
{
    timespec ts{};
    ::clock_gettime(clock, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

} // namespace connbench
