// The minimal game's table, headless, on the default skin, for the view's benchmarks: a scratch
// copy of the staged game (its pictures, and the platform's shared portraits one folder up) as
// the program's folder and the current directory, the application initialised by the harness, the
// minimal game's own view in a game window that opens no session until asked.
#pragma once

#include "examples/minimal/MinimalView.h"
#include "pop/TestHarness.h"
#include "tessaro/app/GameAppBase.h"
#include "tessaro/session/GameWndBase.h"
#include "tessaro/session/PlayerNode.h"

#include <cstdint>
#include <string>

namespace viewbench
{

// Made first: the scratch folder with the staged game copied in, entered as the current directory
// (and left, and removed, at the end).
class StagedCopy
{
public:
    StagedCopy();
    ~StagedCopy();
    StagedCopy(const StagedCopy&) = delete;
    StagedCopy& operator=(const StagedCopy&) = delete;

    bool Ok() const { return m_bOk; }
    // The game's folder inside the copy, ending in a slash.
    std::string GameDir() const { return m_strRoot + "/game/"; }

private:
    std::string m_strRoot;
    std::string m_strOldDir;
    bool m_bOk = false;
};

class BenchApp : public Ostra::GameAppBase
{
public:
    explicit BenchApp(const std::string& dir) : GameAppBase(StartupOptions::Contained(dir))
    {
        mOnlyAllowOneCopyToRun = false;
    }
    void GameAppReserved() override {}
};

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
