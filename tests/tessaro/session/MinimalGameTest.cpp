// The minimal game as the platform runs it: tessaro-lobby starts the staged game headless against
// tessaro-devserver, and the test follows what the lobby and the server see: the game announces
// its window (0x46F), connects, is seated by a login-again response, runs its net-speed test,
// hands its own messages to HandleGameMessage and ends in order when its window is closed.
//
// Every wait is for a line of the lobby, of the game or of the server, with a deadline; the game
// ends when the test closes its window, never on a timer.
#include "platform/WindowBus.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/DevServerProcess.h"
#include "tests/support/LobbyProcess.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using testsupport::GameEnvironment;
using testsupport::LobbyProcess;

namespace
{

// Generous: the game, the lobby and the server share two cores, under the thread sanitizer too.
constexpr int kWaitMs = 30000;

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::uint32_t BigEndian32(const std::string& bytes, size_t at)
{
    return (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at])) << 24) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 16) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 8) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 3]));
}

// A server line of an event about a message of a type whose body starts with bodyPrefix (hex).
testsupport::DevServerProcess::Match MessageLine(const std::string& event, int type, const std::string& bodyPrefix = "")
{
    return [event, type, bodyPrefix](const std::string& line)
    {
        return testsupport::JsonStr(line, "event") == event && testsupport::JsonInt(line, "type") == type &&
               testsupport::JsonStr(line, "body").value_or("").rfind(bodyPrefix, 0) == 0;
    };
}

class MinimalGameTest : public testing::Test
{
protected:
    void SetUp() override
    {
        std::string pattern = testing::TempDir() + "minimalgame-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        ASSERT_TRUE(fs::exists(MINIMAL_GAME_BIN)) << MINIMAL_GAME_BIN;
        ASSERT_TRUE(fs::exists(TESSARO_LOBBY_BIN)) << TESSARO_LOBBY_BIN;
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }

    fs::path m_dir;
};

TEST_F(MinimalGameTest, RunsUnderTheLobbyAgainstTheGameServerAndEndsWhenClosed)
{
    // Seat the player, wait for the net-speed test, then three messages of the game's own types.
    testsupport::DevServerProcess server({}, "send againlogin 5 3 tester\n"
                                             "expect 1 30000\n"
                                             "send 200 0102\n"
                                             "send 200 03\n"
                                             "send 207\n");
    ASSERT_TRUE(server.Started()) << server.Stderr();

    const fs::path screenshot = m_dir / "screen.png";
    LobbyProcess lobby({"run", "--game", MINIMAL_GAME_BIN, "--server", "127.0.0.1:" + std::to_string(server.Port()),
                        "--headless", "--timeout", "120"},
                       GameEnvironment({"MINIMAL_SCREENSHOT=" + screenshot.string()}));
    ASSERT_TRUE(lobby.Started()) << lobby.SpawnError();

    // The lobby's files go to the stage, the folder above the game's own.
    const std::optional<std::string> files = lobby.WaitForLine("\"event\": \"files\"", kWaitMs);
    ASSERT_TRUE(files) << lobby.Report();
    const fs::path gameFolder = fs::path(MINIMAL_GAME_BIN).parent_path();
    EXPECT_NE(files->find("\"root\": \"" + gameFolder.parent_path().string() + "\""), std::string::npos) << *files;

    const std::optional<std::string> launch = lobby.WaitForLine("\"event\": \"launch\"", kWaitMs);
    ASSERT_TRUE(launch) << lobby.Report();
    const pid_t gamePid = static_cast<pid_t>(testsupport::JsonInt(*launch, "pid").value_or(-1));
    ASSERT_GT(gamePid, 0) << *launch;

    // The game announces its main window to the lobby: 0x46F, wParam a window of the game's process.
    const std::optional<std::string> announce = lobby.WaitForLine("\"msg\": 1135,", kWaitMs);
    ASSERT_TRUE(announce) << "the game never sent 0x46F\n" << lobby.Report();
    EXPECT_NE(announce->find("\"name\": \"WM_LOBBY_GAMEWND\""), std::string::npos) << *announce;
    EXPECT_EQ(testsupport::JsonInt(*announce, "lparam"), 0) << *announce;
    const auto gameWnd = static_cast<platform::WindowHandle>(testsupport::JsonInt(*announce, "wparam").value_or(0));
    ASSERT_NE(gameWnd, 0u) << *announce;
    EXPECT_EQ(platform::GetWindowThreadProcessId(gameWnd), gamePid) << "0x46F named a window that is not the game's";

    // The server: the game's connection, the login-again response, the game's probe (stage 0, which
    // the server echoes) and its answer with the round trip (stage 2).
    ASSERT_TRUE(server.WaitForLine("\"event\":\"connect\"", kWaitMs)) << lobby.Report();
    EXPECT_TRUE(server.WaitForLine(MessageLine("send", 36), kWaitMs));
    ASSERT_TRUE(server.WaitForLine(MessageLine("recv", 1, "00"), kWaitMs))
        << "no net-speed probe after the login-again response\n"
        << lobby.Report();
    EXPECT_TRUE(server.WaitForLine(MessageLine("recv", 1, "02"), kWaitMs)) << "the echoed probe was not answered";

    // The game's own messages reach its HandleGameMessage, in order, whole.
    EXPECT_TRUE(lobby.WaitForStderr(
        {"game message type[200] len[10]", "game message type[200] len[9]", "game message type[207] len[8]"}, kWaitMs))
        << lobby.Report();

    // Closing the game's window ends the game in order: status 0, the lobby ends with it, the
    // connection is closed and the last screen is written.
    ASSERT_TRUE(platform::PostWindowMessage(gameWnd, platform::WM_CLOSE, 0, 0));
    EXPECT_EQ(lobby.WaitForExitLine(kWaitMs), 0) << lobby.Report();
    EXPECT_TRUE(lobby.WaitForLine("{\"event\": \"exit\", \"status\": 0}", 0)) << lobby.Report();
    EXPECT_TRUE(server.WaitForLine("\"event\":\"close\"", kWaitMs)) << "the game left its connection open";

    const std::string png = ReadFile(screenshot);
    ASSERT_GE(png.size(), 24u) << "no screenshot at " << screenshot << "\n" << lobby.Report();
    EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    EXPECT_EQ(BigEndian32(png, 16), 1024u);
    EXPECT_EQ(BigEndian32(png, 20), 738u);
}

TEST(MinimalGameDemo, TheDemoScenarioIsAcceptedByTheServer)
{
    testsupport::DevServerProcess server({"--script", MINIMAL_DEMO_SCENARIO});
    EXPECT_TRUE(server.Started()) << server.Stderr();
}

} // namespace
