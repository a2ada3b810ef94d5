// A person's round in a real window: the staged game under a virtual display (Xvfb), started by
// tessaro-lobby without --headless and without the automatic player, against two bots on the
// devserver. On each of his turns the test moves and presses the display's pointer with xdotool,
// as a person would: 3分 when it is his bid; otherwise 提示, then 出牌, then 不出 (which only takes
// when the hint found nothing to play, since a move sent hides the buttons). The round must settle
// as the server says, with his plays in it and none refused.
#include "examples/landlord/client/ViewLayout.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/DevServerProcess.h"
#include "tests/support/LobbyProcess.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace
{

using testsupport::ChildProcess;
using testsupport::DevServerProcess;
using testsupport::GameEnvironment;
using testsupport::LobbyProcess;
namespace layout = landlord::layout;

constexpr int kWaitMs = 240000;
// The skin's move buttons are 96 x 40 (a strip of four looks).
constexpr int kButtonWidth = 96;
constexpr int kButtonHeight = 40;

bool OnPath(const std::string& program)
{
    return std::system(("command -v " + program + " > /dev/null 2>&1").c_str()) == 0;
}

// The window point of the middle of button i in a row of count, as the view lays its rows out.
std::pair<int, int> ButtonCentre(int i, int count)
{
    const int width = count * kButtonWidth + (count - 1) * layout::kButtonGap;
    const int x = layout::kCentreX - width / 2 + i * (kButtonWidth + layout::kButtonGap) + kButtonWidth / 2;
    return {layout::kViewX + x, layout::kViewY + layout::kButtonRowY + kButtonHeight / 2};
}

// Runs an xdotool command on the display; its first line of output, or nothing when it failed or
// did not end within two minutes (a search for a window that never comes).
std::optional<std::string> XDoTool(const std::string& display, const std::string& args)
{
    const std::string command = "DISPLAY=" + display + " timeout 120 xdotool " + args + " 2>&1";
    FILE* out = ::popen(command.c_str(), "r");
    if (!out)
        return std::nullopt;
    char line[256] = {};
    const bool got = std::fgets(line, sizeof(line), out) != nullptr;
    const int status = ::pclose(out);
    if (status != 0)
        return std::nullopt;
    std::string text = got ? line : "";
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

// n copies of a fragment: WaitForStderr on them waits for its n-th time.
std::vector<std::string> Times(const std::string& fragment, size_t n)
{
    return std::vector<std::string>(n, fragment);
}

TEST(LandlordWindow, APersonPlaysARoundWithTheMouse)
{
    if (!OnPath("Xvfb") || !OnPath("xdotool"))
        GTEST_SKIP() << "Xvfb or xdotool is not installed (make deps installs both)";
    ChildProcess xvfb;
    ASSERT_TRUE(
        xvfb.Spawn("/usr/bin/env", {"Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"}))
        << xvfb.SpawnError();
    const std::optional<std::string> number = xvfb.WaitForLine("", 30000);
    ASSERT_TRUE(number) << xvfb.Stderr();
    const std::string display = ":" + *number;

    DevServerProcess server({"--game", "landlord", "--chairs", "3", "--tables", "1", "--min-players", "3", "--auto-sit",
                             "--bots", "2", "--seed", "11", "--bot-delay", "100", "--round-pause", "600000",
                             "--auth-wait", "60000"});
    ASSERT_TRUE(server.Started()) << server.Stderr();
    // The display's libraries keep a few allocations to the end, which a leak-checking build
    // would count against the game.
    std::string asanOptions = "ASAN_OPTIONS=detect_leaks=0";
    if (const char* own = std::getenv("ASAN_OPTIONS"))
        asanOptions = std::string("ASAN_OPTIONS=") + own + ":detect_leaks=0";
    LobbyProcess client({"run", "--game", LANDLORD_GAME_BIN, "--server", "127.0.0.1:" + std::to_string(server.Port()),
                         "--arg", "2=10001", "--timeout", "600"},
                        GameEnvironment({"DISPLAY=" + display, "SDL_AUDIODRIVER=dummy", "LANDLORD_ROUNDS=1",
                                         "LANDLORD_TRACE=1", asanOptions}));
    const std::optional<std::string> launch = client.WaitForLine("\"event\": \"launch\"", kWaitMs);
    ASSERT_TRUE(launch) << client.Report();
    const long long pid = testsupport::JsonInt(*launch, "pid").value_or(-1);
    const std::optional<std::string> window =
        XDoTool(display, "search --sync --onlyvisible --pid " + std::to_string(pid));
    ASSERT_TRUE(window && !window->empty()) << client.Report();

    ASSERT_TRUE(client.WaitForStderr({"landlord: deal round "}, kWaitMs)) << client.Report();
    const std::string dealt = client.Stderr().substr(client.Stderr().find("landlord: deal round "));
    int round = 0, own = -1;
    ASSERT_EQ(std::sscanf(dealt.c_str(), "landlord: deal round %d chair %d", &round, &own), 2) << dealt;
    const std::string myTurn = "landlord: turn chair " + std::to_string(own) + " ";

    auto click = [&](std::pair<int, int> at)
    {
        const std::string args = "mousemove --sync --window " + *window + " " + std::to_string(at.first) + " " +
                                 std::to_string(at.second) + " click 1";
        ASSERT_TRUE(XDoTool(display, args)) << args;
    };
    // His next turn, or the round's end: false when neither came in time.
    const std::string end = "landlord: end ";
    int turns = 0;
    auto next = [&](bool& ended)
    {
        for (int waited = 0; waited < kWaitMs; waited += 200)
        {
            if ((ended = client.WaitForStderr({end}, 0)))
                return true;
            if (client.WaitForStderr(Times(myTurn, static_cast<size_t>(turns) + 1), 200))
                return true;
        }
        return false;
    };
    while (true)
    {
        bool ended = false;
        ASSERT_TRUE(next(ended)) << client.Report();
        if (ended)
            break;
        ++turns;
        ASSERT_LT(turns, 40) << client.Report();
        const std::string text = client.Stderr();
        size_t at = 0;
        for (int i = 0; i < turns; ++i)
            at = text.find(myTurn, at) + myTurn.size();
        if (text.compare(at, 3, "bid") == 0)
            click(ButtonCentre(3, 4));
        else
        {
            click(ButtonCentre(1, 3)); // 提示
            click(ButtonCentre(2, 3)); // 出牌
            click(ButtonCentre(0, 3)); // 不出
        }
    }

    ASSERT_EQ(client.WaitForExitLine(kWaitMs), 0) << client.Report();
    const std::string output = client.Stderr();
    EXPECT_EQ(output.find("landlord: refused"), std::string::npos) << output;
    EXPECT_EQ(output.find("landlord: autoplay on"), std::string::npos) << output;
    EXPECT_NE(output.find("landlord: play chair " + std::to_string(own) + " cards "), std::string::npos)
        << "none of his clicks played:\n"
        << output;
    // He made every move himself: the server never had to play for him (126, from the trace).
    EXPECT_EQ(output.find("landlord: recv 126 "), std::string::npos) << output;
    EXPECT_TRUE(server.WaitForLine("\"event\":\"game-end\"", 5000)) << server.Report();
}

} // namespace
