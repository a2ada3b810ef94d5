// The windowed path under a virtual X display: pop-showcase opens a real window, draws 20 updates
// and writes what its renderer shows; that must be the same picture the headless screen holds.
#include "PixelTestUtil.h"

#include "pop/Image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace
{

bool OnPath(const std::string& program)
{
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size())
    {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos)
            end = dirs.size();
        std::string candidate = dirs.substr(start, end - start) + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0)
            return true;
        start = end + 1;
    }
    return false;
}

// Runs a program with the environment less POP_HEADLESS; its exit status, -1 when it did not end
// normally. ignoreLeaks (for the windowed run): the display's libraries (D-Bus, the GL driver that
// SDL loads) keep a few allocations to the end, which a leak-checking build would count against the
// program.
int RunProgram(std::vector<std::string> args, bool ignoreLeaks = false)
{
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::string asanOptions = "ASAN_OPTIONS=detect_leaks=0";
    std::vector<char*> env;
    for (char** e = environ; *e; ++e)
    {
        if (std::strncmp(*e, "POP_HEADLESS=", 13) == 0)
            continue;
        if (ignoreLeaks && std::strncmp(*e, "ASAN_OPTIONS=", 13) == 0)
        {
            asanOptions = std::string(*e) + ":detect_leaks=0";
            continue;
        }
        env.push_back(*e);
    }
    if (ignoreLeaks)
        env.push_back(asanOptions.data());
#if defined(__SANITIZE_THREAD__)
    // The GL driver's own threads are not ours to check: the software renderer on a window surface
    // of its own uses none.
    std::string renderer = "SDL_RENDER_DRIVER=software";
    std::string framebuffer = "SDL_FRAMEBUFFER_ACCELERATION=0";
    if (ignoreLeaks)
    {
        env.push_back(renderer.data());
        env.push_back(framebuffer.data());
    }
#endif
    env.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), env.data()) != 0)
        return -1;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
    {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

#ifndef POP_SHOWCASE_BIN
#define POP_SHOWCASE_BIN ""
#endif

TEST(AppWindowed, AWindowUnderXvfbShowsTheScreen)
{
    if (std::string(POP_SHOWCASE_BIN).empty())
        GTEST_SKIP() << "pop-showcase is not built";
    if (!OnPath("xvfb-run") || !OnPath("timeout"))
        GTEST_SKIP() << "xvfb-run is not installed";
    poptest::TempDir dir;
    const std::string windowed = dir.Path() + "/windowed.png";
    const std::string headless = dir.Path() + "/headless.png";
    ASSERT_EQ(RunProgram({"timeout", "120", "xvfb-run", "-a", "-s", "-screen 0 1280x1024x24", POP_SHOWCASE_BIN,
                          "--frames", "20", "--screenshot", windowed},
                         true),
              0);
    ASSERT_EQ(RunProgram({POP_SHOWCASE_BIN, "--headless", "--frames", "20", "--screenshot", headless}), 0);

    auto win = Sexy::LoadImageFromFile(windowed);
    auto ref = Sexy::LoadImageFromFile(headless);
    ASSERT_NE(win, nullptr);
    ASSERT_NE(ref, nullptr);
    ASSERT_EQ(win->GetWidth(), 1024);
    ASSERT_EQ(win->GetHeight(), 738);

    // Not blank: many colours. And the window's pixels are the screen's (the pointer may make one
    // widget look hovered, so a small part may differ).
    std::vector<uint32_t> seen;
    long same = 0, total = 0;
    for (int y = 0; y < 738; y += 3)
        for (int x = 0; x < 1024; x += 3)
        {
            uint32_t p = win->GetPixelARGB(x, y);
            if (seen.size() < 1000 && std::find(seen.begin(), seen.end(), p) == seen.end())
                seen.push_back(p);
            same += p == ref->GetPixelARGB(x, y);
            ++total;
        }
    EXPECT_GT(seen.size(), 200u);
    EXPECT_GT(double(same) / double(total), 0.95);
}
