#include "tools/lobby/GameProcess.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace lobby
{

namespace
{

class Pipe
{
public:
    Pipe() { m_bOk = pipe2(m_fds, O_CLOEXEC) == 0; }
    ~Pipe()
    {
        CloseRead();
        CloseWrite();
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;

    bool Ok() const { return m_bOk; }
    int Read() const { return m_fds[0]; }
    int Write() const { return m_fds[1]; }
    void CloseRead() { CloseOne(0); }
    void CloseWrite() { CloseOne(1); }

private:
    void CloseOne(int i)
    {
        if (m_fds[i] >= 0)
            close(m_fds[i]);
        m_fds[i] = -1;
    }

    int m_fds[2] = {-1, -1};
    bool m_bOk = false;
};

} // namespace

std::string AbsolutePath(const std::string& path)
{
    if (!path.empty() && path[0] == '/')
        return path;
    std::string cwd(4096, '\0');
    while (!getcwd(cwd.data(), cwd.size()))
    {
        if (errno != ERANGE)
            return path;
        cwd.resize(cwd.size() * 2);
    }
    cwd.resize(std::strlen(cwd.c_str()));
    if (path.empty() || path == ".")
        return cwd;
    return cwd == "/" ? "/" + path : cwd + "/" + path;
}

std::string ParentFolder(const std::string& absolute)
{
    std::string path = absolute;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0)
        return "/";
    return path.substr(0, slash);
}

pid_t StartGame(const GameStart& start, std::string& error)
{
    // Everything the child needs is built here: after fork it only makes system calls.
    std::vector<std::string> argStore;
    argStore.push_back(start.program);
    argStore.insert(argStore.end(), start.values.begin(), start.values.end());
    std::vector<char*> argv;
    for (std::string& a : argStore)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    const size_t nameLen = std::strlen(kHeadlessVariable);
    std::vector<char*> envp;
    for (char** e = environ; e && *e; ++e)
    {
        if (start.headless && std::strncmp(*e, kHeadlessVariable, nameLen) == 0 && (*e)[nameLen] == '=')
            continue;
        envp.push_back(*e);
    }
    std::string headlessStore = std::string(kHeadlessVariable) + "=1";
    if (start.headless)
        envp.push_back(headlessStore.data());
    envp.push_back(nullptr);

    // The child reports a failed chdir or exec through this pipe; a successful exec closes it.
    Pipe report;
    if (!report.Ok())
    {
        error = std::string("cannot start the game: ") + std::strerror(errno);
        return -1;
    }
    const pid_t pid = fork();
    if (pid < 0)
    {
        error = std::string("cannot start the game: ") + std::strerror(errno);
        return -1;
    }
    if (pid == 0)
    {
        int failure = 0;
        if (chdir(start.folder.c_str()) != 0)
            failure = errno;
        else if (dup2(STDERR_FILENO, STDOUT_FILENO) < 0)
            failure = errno;
        else
        {
            execve(argv[0], argv.data(), envp.data());
            failure = errno;
        }
        ssize_t r;
        do
            r = write(report.Write(), &failure, sizeof failure);
        while (r < 0 && errno == EINTR);
        _exit(127);
    }
    report.CloseWrite();
    int failure = 0;
    ssize_t n;
    do
        n = read(report.Read(), &failure, sizeof failure);
    while (n < 0 && errno == EINTR);
    if (n == static_cast<ssize_t>(sizeof failure))
    {
        while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR)
        {
        }
        error = "cannot start " + start.program + ": " + std::strerror(failure);
        return -1;
    }
    return pid;
}

} // namespace lobby
