// minimal: the smallest game on tessaro. Like every game of the platform it is started by the
// lobby, with the launch values on its command line, from its own folder in the platform root:
//
//   build/bin/tessaro-lobby run --game build/stage/minimal/minimal --server 127.0.0.1:17100
//
// It opens the session with the game server, tells the server who it is, sits where the server
// seats it (at a devserver table, or again by a login-again response), shows the players around
// the table with chair buttons on the empty seats, logs every message of its own types, and
// prints a line of the table's seats whenever they change ("minimal: seats ...").
//
// A few settings come from the environment, since the lobby's command line has a fixed form:
//   MINIMAL_SECONDS=N         the game ends by itself after N seconds (1 to 86400)
//   MINIMAL_SCREENSHOT=FILE   the last screen drawn goes to FILE (PNG) when the game ends; a
//                             relative name is taken from the game's folder
//   MINIMAL_CHAIRS=N          the table has N chairs (1 to 10; default 4)
//   MINIMAL_SAY=TEXT          once seated, the player says TEXT (UTF-8) to the table
//   MINIMAL_ESCAPE=1          once seated (and after MINIMAL_SAY), the player presses the escape key
//   MINIMAL_REPLAY_CLICKS=L   in a replay, the player clicks replay buttons: L lists button@update
//                             (play, pause, fast, normal, quit; updates since the replay began),
//                             for example "pause@100,play@300,quit@600"
//
// Headless there is nobody to answer a message box: the game writes its text on standard error
// ("[MsgDlg] TEXT", UTF-8) and clicks its OK button a fifth of a second later.
#include "examples/common/Headless.h"
#include "examples/minimal/MinimalApp.h"

#include "pop/SexyAppBase.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace
{

constexpr long kMaxRunSeconds = 86400;
constexpr int kUpdatesPerSecond = 1000 / Sexy::SexyAppBase::kUpdateIntervalMs;

} // namespace

int main(int argc, char** argv)
{
    long runSeconds = 0;
    if (!examples::ReadEnvNumber("MINIMAL_SECONDS", 1, kMaxRunSeconds, 0, runSeconds))
    {
        std::fprintf(stderr, "minimal: MINIMAL_SECONDS must be a whole number of seconds from 1 to %ld\n",
                     kMaxRunSeconds);
        return 2;
    }
    const char* screenshot = std::getenv("MINIMAL_SCREENSHOT");
    // The log's console lines go to standard output, which the lobby passes on: line by line, so
    // that whoever watches sees them as they happen, not when the game ends.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    // The application makes the view and the game window in its Init, once the skin is loaded.
    minimal::MinimalApp app;
    app.SetRunLimit(static_cast<int>(runSeconds) * kUpdatesPerSecond);

    // The command line, Init (which opens the game window's session) and the loop.
    int status = app.Start(argc, argv);
    // The screen image outlives the window: it holds the last frame the player saw.
    if (screenshot && *screenshot && !examples::WriteScreenshot(app, screenshot, "minimal"))
        status = 1;
    return status;
}
