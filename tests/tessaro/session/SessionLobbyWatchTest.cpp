// The lobby watch: a real lobby process (tessaro-lobby, with a stand-in game that only waits)
// whose end the game window notices, and a watch that the window stops when it goes.
#include "platform/Path.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/JsonLine.h"
#include "tests/support/SessionHarness.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

using namespace testsupport;
namespace fs = std::filesystem;

// tessaro-lobby run with a game that waits (a shell script that sleeps), in a scratch root. The
// destructor kills both processes.
class LobbyProcess : public ChildProcess
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
        const fs::path game = gameDir / "waiting-game";
        {
            std::ofstream script(game);
            script << "#!/bin/sh\nexec sleep 600\n";
        }
        fs::permissions(game, fs::perms::owner_all);
        Spawn(platform::ProgramDir() + "/tessaro-lobby", {"run", "--game", game.string(), "--headless"});
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

    // The first report line holding what, waiting up to the deadline.
    std::optional<std::string> WaitForLine(const std::string& what, int timeoutMs = kWaitMs)
    {
        return ChildProcess::WaitForLine(what, timeoutMs);
    }

    // The lobby's window and its game, from its first lines.
    bool ReadStart(platform::WindowHandle* lobbyWnd)
    {
        const auto lobby = WaitForLine("\"event\": \"lobby\"");
        const auto launch = WaitForLine("\"event\": \"launch\"");
        if (!lobby || !launch)
            return false;
        *lobbyWnd = static_cast<platform::WindowHandle>(JsonInt(*lobby, "hwnd").value_or(0));
        m_gamePid = static_cast<pid_t>(JsonInt(*launch, "pid").value_or(0));
        return *lobbyWnd != 0;
    }

private:
    fs::path m_root;
    pid_t m_gamePid = -1;
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
    EXPECT_EQ(JsonInt(*told, "wparam").value_or(-1), static_cast<long long>(game.app.mHWnd));
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
