// tessaro-lobby as a child process for a test, running a game from its stage: the lobby's JSON lines,
// the lobby's and the game's standard error, and the environment a game under test gets.
//
// The program is TESSARO_LOBBY_BIN, which the test target defines.
#pragma once

#include "tests/support/ChildProcess.h"
#include "tests/support/JsonLine.h"

#include <csignal>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

extern char** environ;

namespace testsupport
{

// tessaro-lobby as a child process: its standard output (the JSON lines) as lines, its standard
// error (its notes and the game's own output) as text. The destructor also kills the game the
// lobby started (named by the lobby's launch line) if it still runs: killing the lobby would leave
// it running, as it would leave a real one.
class LobbyProcess : public ChildProcess
{
public:
    LobbyProcess(const std::vector<std::string>& args, const std::vector<std::string>& env)
    {
        Spawn(TESSARO_LOBBY_BIN, args, env);
    }
    ~LobbyProcess()
    {
        if (!Running())
            return;
        const std::optional<std::string> launch = WaitForLine("\"event\": \"launch\"", 0);
        const long long game = launch ? JsonInt(*launch, "pid").value_or(-1) : -1;
        if (game > 0)
            kill(static_cast<pid_t>(game), SIGKILL);
    }

    bool Started() const { return Pid() > 0; }

    // The exit status once the lobby has printed its last line, -1 when it does not end in time.
    int WaitForExitLine(int timeoutMs)
    {
        if (!WaitForLine("\"event\": \"exit\"", timeoutMs))
            return -1;
        return WaitForExit(timeoutMs);
    }

    // Everything so far, for failure messages.
    std::string Report() const
    {
        std::string text = "lobby's lines:\n";
        for (const std::string& line : Lines())
            text += "  " + line + "\n";
        return text + "lobby's and game's standard error:\n" + Stderr();
    }
};

// This process's environment without what would change the game's run, plus extra.
inline std::vector<std::string> GameEnvironment(const std::vector<std::string>& extra)
{
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
    {
        const std::string entry = *e;
        if (entry.rfind("POP_HEADLESS=", 0) == 0 || entry.rfind("MINIMAL_", 0) == 0 ||
            entry.rfind("TESSARO_PROXY=", 0) == 0)
            continue;
        env.push_back(entry);
    }
    env.insert(env.end(), extra.begin(), extra.end());
    return env;
}

} // namespace testsupport
