// The minimal game's table, headless, on the default skin, for the view's benchmarks: a scratch
// copy of the staged game as the program's folder, the application initialised by the harness, the
// minimal game's own view in a game window that opens no session until asked.
#pragma once

#include "bench/StagedGame.h"
#include "examples/minimal/MinimalView.h"
#include "pop/TestHarness.h"
#include "tessaro/app/GameAppBase.h"
#include "tessaro/session/GameWndBase.h"
#include "tessaro/session/PlayerNode.h"

#include <cstdint>
#include <string>

namespace viewbench
{

using tessaro::bench::BenchApp;
using tessaro::bench::StagedCopy;

class BenchWnd : public Ostra::GameWndBase
{
public:
    using GameWndBase::GameWndBase;
    void HandleGameMessage(std::uintptr_t, long) override {}
};

class TableGame
{
public:
    TableGame();
    ~TableGame();
    TableGame(const TableGame&) = delete;
    TableGame& operator=(const TableGame&) = delete;

    // Whether the skin was found and loaded.
    bool Ready() const;
    // Four players at the four chairs, the own user 10001 at chair 1 (seat 1), the others with
    // their portraits; the seats, portraits and the user list filled as a table snapshot fills them.
    void SeatFour();
    // Points AppInfo at 127.0.0.1:port and opens the session.
    int Connect(int port);

private:
    struct AppInfoSetup
    {
        AppInfoSetup();
    };
    StagedCopy m_copy;
    AppInfoSetup m_setup;

public:
    BenchApp app;
    Sexy::TestHarness harness;
    minimal::MinimalView view;
    BenchWnd wnd;
};

} // namespace viewbench
