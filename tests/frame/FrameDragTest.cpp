// Dragging the real window by its top strip, under a virtual display: the pointer of the display
// is moved and pressed by xdotool, as a person's mouse would, and the window's place on the desktop
// is read back from the program.
#include "tests/support/ChildProcess.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace
{

bool OnPath(const std::string& program)
{
    return std::system(("command -v " + program + " > /dev/null 2>&1").c_str()) == 0;
}

TEST(FrameWindow, DraggingTheTopStripMovesTheRealWindow)
{
    if (!OnPath("xvfb-run") || !OnPath("xdotool"))
        GTEST_SKIP() << "xvfb-run or xdotool is not installed (make deps installs both)";
    // Three steps of 20 x 10 with the button down, each after the window's 50 ms between moves;
    // the press at y 12 lies in the top strip, away from the buttons at the right.
    const std::string script =
        "\"$PROBE\" 60 & probe=$!; "
        "xdotool search --sync --onlyvisible --name 'tessaro frame probe' mousemove --window %1 300 12 "
        "sleep 0.3 mousedown 1 sleep 0.2 mousemove_relative -- 20 10 sleep 0.2 mousemove_relative -- 20 10 "
        "sleep 0.2 mousemove_relative -- 20 10 sleep 0.2 mouseup 1; wait $probe";
    testsupport::ChildProcess display;
    // The display's libraries (D-Bus, the GL driver that SDL loads) keep a few allocations to the
    // end, which a leak-checking build would count against the probe.
    std::vector<std::string> env;
    std::string asanOptions = "ASAN_OPTIONS=detect_leaks=0";
    for (char** e = environ; *e; ++e)
    {
        if (std::strncmp(*e, "ASAN_OPTIONS=", 13) == 0)
            asanOptions = std::string(*e) + ":detect_leaks=0";
        else
            env.emplace_back(*e);
    }
    env.push_back(asanOptions);
    env.push_back(std::string("PROBE=") + FRAME_DRAG_PROBE_BIN);
    env.push_back("SDL_AUDIODRIVER=dummy");
    ASSERT_TRUE(
        display.Spawn("/usr/bin/env", {"xvfb-run", "-a", "-s", "-screen 0 1280x1024x24", "sh", "-c", script}, env))
        << display.SpawnError();
    ASSERT_EQ(display.WaitForExit(120000, true), 0) << display.Stderr();

    std::vector<std::pair<int, int>> places;
    for (const std::string& line : display.Lines())
    {
        int x = 0, y = 0;
        if (std::sscanf(line.c_str(), "window %d %d", &x, &y) == 2)
            places.emplace_back(x, y);
    }
    ASSERT_GE(places.size(), 2u) << display.Stderr();
    EXPECT_EQ(places.back().first - places.front().first, 60) << display.Stderr();
    EXPECT_EQ(places.back().second - places.front().second, 30) << display.Stderr();
}

} // namespace
