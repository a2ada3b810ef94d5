// The lobby watch: a real lobby process (tessaro-lobby, with a stand-in game that only waits)
// whose end the game window notices, and a watch that the window stops when it goes.
#include "platform/Path.h"
#include "tests/support/SessionHarness.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace
{

using namespace testsupport;
namespace fs = std::filesystem;

// The number after "name": in one of the lobby's report lines.
std::optional<long long> LobbyNumber(const std::string& line, const std::string& name)
{
    const std::string key = "\"" + name + "\": ";
    const size_t at = line.find(key);
    if (at == std::string::npos)
        return std::nullopt;
    return std::strtoll(line.c_str() + at + key.size(), nullptr, 10);
}

// tessaro-lobby run with a game that waits (a shell script that sleeps), in a scratch root. Its
// report lines are read from a pipe. The destructor kills both processes and reaps the lobby.
class LobbyProcess
{
public:
    LobbyProcess()
    {
        std::string pattern = (fs::temp_directory_path() / "tessaro-lobbywatch-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            return;
        m_root = pattern;
        const fs::path gameDir = m_root / "game";
        fs::create_directories(gameDir);
        m_game = gameDir / "waiting-game";
        {
            std::ofstream script(m_game);
            script << "#!/bin/sh\nexec sleep 600\n";
        }
        fs::permissions(m_game, fs::perms::owner_all);

        int out[2];
        if (pipe2(out, O_CLOEXEC) != 0)
            return;
        m_out.Reset(out[0]);
        Fd writeEnd(out[1]);

        std::vector<std::string> store = {platform::ProgramDir() + "/tessaro-lobby", "run", "--game", m_game.string(),
                                          "--headless"};
        std::vector<char*> argv;
        for (std::string& s : store)
            argv.push_back(s.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, writeEnd.Get(), 1);
        const std::string errPath = (m_root / "lobby.err").string();
        posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        pid_t pid = -1;
        const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (rc == 0)
            m_pid = pid;
    }
    ~LobbyProcess()
    {
        if (m_gamePid > 0)
            kill(m_gamePid, SIGKILL);
        Kill();
        std::error_code ignored;
        if (!m_root.empty())
            fs::remove_all(m_root, ignored);
    }
    LobbyProcess(const LobbyProcess&) = delete;
    LobbyProcess& operator=(const LobbyProcess&) = delete;

    pid_t Pid() const { return m_pid; }

    // The first report line holding what, reading on up to the deadline.
    std::optional<std::string> WaitForLine(const std::string& what, int timeoutMs = kWaitMs)
    {
        const auto deadline = DeadlineIn(timeoutMs);
        for (;;)
        {
            for (const std::string& line : m_lines)
            {
                if (line.find(what) != std::string::npos)
                    return line;
            }
            if (!m_out.Valid() || !WaitReady(m_out.Get(), POLLIN, deadline))
                return std::nullopt;
            char buf[4096];
            const ssize_t n = read(m_out.Get(), buf, sizeof buf);
            if (n <= 0)
            {
                m_out.Reset();
                continue;
            }
            m_partial.append(buf, static_cast<size_t>(n));
            size_t nl;
            while ((nl = m_partial.find('\n')) != std::string::npos)
            {
                m_lines.push_back(m_partial.substr(0, nl));
                m_partial.erase(0, nl + 1);
            }
        }
    }

    // The lobby's window and its game, from its first lines.
    bool ReadStart(platform::WindowHandle* lobbyWnd)
    {
        const auto lobby = WaitForLine("\"event\": \"lobby\"");
        const auto launch = WaitForLine("\"event\": \"launch\"");
        if (!lobby || !launch)
            return false;
        *lobbyWnd = static_cast<platform::WindowHandle>(LobbyNumber(*lobby, "hwnd").value_or(0));
        m_gamePid = static_cast<pid_t>(LobbyNumber(*launch, "pid").value_or(0));
        return *lobbyWnd != 0;
    }

    // Ends the lobby at once (its game stays, as when the real lobby goes away) and reaps it.
    void Kill()
    {
        if (m_pid <= 0)
            return;
        kill(m_pid, SIGKILL);
        int status = 0;
        while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR)
        {
        }
        m_pid = -1;
    }

    std::string Stderr() const
    {
        std::ifstream in(m_root / "lobby.err");
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    fs::path m_root;
    fs::path m_game;
    Fd m_out;
    pid_t m_pid = -1;
    pid_t m_gamePid = -1;
    std::vector<std::string> m_lines;
    std::string m_partial;
};

const wchar_t kLobbyGone[] = L"大厅客户端异常关闭，游戏结束。";

bool HasShown(const SessionTestApp& app, const std::wstring& text)
{
    for (const ShownMessage& m : app.Shown())
    {
        if (m.text == text)
            return true;
    }
    return false;
}

} // namespace

TEST(LobbyWatch, TheEndOfTheLobbyProcessIsShownToThePlayer)
{
    LogCapture log;
    LobbyProcess lobby;
    ASSERT_GT(lobby.Pid(), 0);
    platform::WindowHandle lobbyWnd = 0;
    ASSERT_TRUE(lobby.ReadStart(&lobbyWnd)) << lobby.Stderr();

    SessionGame game;
    Ostra::g_AppInfo.hLobbyWnd = lobbyWnd;
    Ostra::g_AppInfo.bReplay = true; // the watch does not need a game server
    game.wnd.Init();
    ASSERT_EQ(game.Step(51), 51);

    // The lobby heard of the main window, across the process boundary.
    const auto told = lobby.WaitForLine("\"name\": \"WM_LOBBY_GAMEWND\"");
    ASSERT_TRUE(told) << lobby.Stderr();
    EXPECT_EQ(LobbyNumber(*told, "wparam").value_or(-1), static_cast<long long>(game.app.mHWnd));
    ASSERT_TRUE(game.wnd.IsWatchingLobby());
    EXPECT_EQ(game.wnd.m_dwLobbyPid, lobby.Pid());
    EXPECT_TRUE(game.app.Shown().empty());

    lobby.Kill();
    // The watch thread records the call, then the framework's box: wait for the box.
    ASSERT_TRUE(PollUntil([&] { return !game.BoxTexts().empty(); }));
    EXPECT_TRUE(HasShown(game.app, kLobbyGone));
    const std::vector<ShownMessage> shown = game.app.Shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].IsSessionNoticeForm());
    EXPECT_EQ(game.BoxTexts(), std::vector<std::string>{"大厅客户端异常关闭，游戏结束。"});
    // Only a message: the game goes on.
    EXPECT_FALSE(game.app.IsShuttingDown());
    ASSERT_EQ(game.Step(10), 10);
}

TEST(LobbyWatch, AWatchOnALobbyThatLivesOnIsStoppedWhenTheWindowGoes)
{
    LogCapture log;
    LobbyWindow lobby; // in this process: the watch waits on the test program itself
    SessionGame game;
    Ostra::g_AppInfo.hLobbyWnd = lobby.Handle();
    Ostra::g_AppInfo.bReplay = true;
    {
        SessionTestWnd second(&game.app, &game.view, game.journal);
        second.OnTimer(Ostra::TIMER_OPEN_SESSION);
        ASSERT_TRUE(second.IsWatchingLobby());
        EXPECT_EQ(second.m_dwLobbyPid, getpid());
    } // cancels the wait and joins the thread, or the test hangs here
    game.view.SetPlayerNode(game.wnd.m_PlayerNode);
    EXPECT_TRUE(game.app.Shown().empty());
    EXPECT_TRUE(game.BoxTexts().empty());
}

TEST(LobbyWatch, AHandleThatNamesNoWindowIsNotWatched)
{
    LogCapture log;
    SessionGame game;
    Ostra::g_AppInfo.hLobbyWnd = 0x7FFFFFF0u;
    Ostra::g_AppInfo.bReplay = true;
    game.wnd.Init();
    ASSERT_EQ(game.Step(51), 51);
    EXPECT_TRUE(game.wnd.IsSessionOpen());
    EXPECT_FALSE(game.wnd.IsWatchingLobby());
    EXPECT_TRUE(log.Contains("no lobby process to watch, window[2147483632] pid[0]")) << log.Text();
    EXPECT_TRUE(game.app.Shown().empty());
}
