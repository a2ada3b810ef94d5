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
// The output is collected by ChildProcess; the destructor also removes the script file.
#pragma once

#include "tests/support/ChildProcess.h"
#include "tests/support/JsonLine.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <limits.h>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace testsupport
{

class DevServerProcess : public ChildProcess
{
public:
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
        if (!Spawn(ProgramPath(), args))
            return;
        const std::optional<std::string> listen = WaitForLine("\"event\":\"listen\"", startTimeoutMs);
        if (listen)
            m_port = static_cast<int>(JsonInt(*listen, "port").value_or(-1));
    }

    ~DevServerProcess()
    {
        if (!m_scriptPath.empty())
            unlink(m_scriptPath.c_str());
    }

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
    const std::string& ScriptPath() const
    {
        return m_scriptPath;
    }

    // Every line so far, for failure messages.
    std::string Report() const
    {
        std::string text = "server's lines:\n";
        for (const std::string& line : Lines())
            text += "  " + line + "\n";
        return text;
    }

private:
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

    int m_port = -1;
    std::string m_scriptPath;
};

} // namespace testsupport
