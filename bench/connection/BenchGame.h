// The smallest game there is: an application, a table view and a game window wired as a game
// program wires them, headless, with a handler that notes every game message of its own types as
// it reaches the main thread.
#pragma once

#include "bench/connection/Samples.h"
#include "tessaro/app/GameAppBase.h"
#include "tessaro/session/GameWndBase.h"
#include "tessaro/view/GameViewBase.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

namespace connbench
{

// Stays out of the current directory and the log: the bench prints its own results.
class BenchApp : public Ostra::GameAppBase
{
public:
    BenchApp() : GameAppBase(StartupOptions::Contained()) {}
    void GameAppReserved() override {}
    // Runs after every update of the frame loop, with the number of updates so far.
    std::function<void(int updateCount)> onUpdate;

    void UpdateFrames() override
    {
        GameAppBase::UpdateFrames();
        if (onUpdate)
            onUpdate(mUpdateCount);
    }
};

class BenchView : public Ostra::GameViewBase
{
public:
    using GameViewBase::GameViewBase;
    void GameReserved1() override {}
    void GameReserved2() override {}
    void GameReserved3() override {}
    void OnSelfReady() override {}
    void OnAnimateEnd(int) override {}
    void HandleAgainLoginRes(std::uintptr_t, long) override {}
    void HandleSitDownRes(std::uintptr_t, long) override {}
};

class BenchWnd : public Ostra::GameWndBase
{
public:
    using GameWndBase::GameWndBase;

    // The game's own messages: the time of arrival on the main thread, then the benchmark's look.
    void HandleGameMessage(std::uintptr_t msg, long len) override
    {
        const Clock::time_point now = Clock::now();
        if (onGameMessage)
            onGameMessage(Ostra::MsgView(msg, len), now);
    }

    // The benchmark's types are handled the moment they arrive: the base would hold them in the
    // view's delay queue and release one per frame, and what is measured here is the connection,
    // not the pacing of the frames.
    bool IsDelayMsg(int type) override
    {
        for (int t : immediateTypes)
        {
            if (t == type)
                return false;
        }
        return GameWndBase::IsDelayMsg(type);
    }

    std::function<void(const Ostra::MsgView& msg, Clock::time_point arrived)> onGameMessage;
    int immediateTypes[2] = {-1, -1};
};

// The three objects of a game, headless, the application initialised (so its main window, where
// the dispatcher delivers, is on the bus) and the game window in its widget tree.
class BenchGame
{
public:
    BenchGame();
    ~BenchGame();
    BenchGame(const BenchGame&) = delete;
    BenchGame& operator=(const BenchGame&) = delete;

    // Points AppInfo at 127.0.0.1:port and opens the session; the connect result (a socket, 0 or
    // more, or negative).
    int Connect(int port);

    // Runs the messages waiting for the main window, waiting up to waitMs for the first one.
    static int Pump(int waitMs);

    BenchApp& App() { return m_app; }
    BenchWnd& Wnd() { return *m_wnd; }

private:
    BenchApp m_app;
    std::unique_ptr<BenchView> m_view;
    std::unique_ptr<BenchWnd> m_wnd;
};

} // namespace connbench
