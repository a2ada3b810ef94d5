// The frame loop: the update rate, drawing only when something changed, stalls and the end of the
// loop from another thread.
#include "WidgetTestSupport.h"

#include "pop/SexyAppBase.h"
#include "pop/TestHarness.h"
#include "pop/WidgetManager.h"

#include <gtest/gtest.h>

#include <future>
#include <string>
#include <thread>
#include <vector>

using namespace Sexy;

namespace
{

// Counts the updates and draws that reach a widget; marks itself dirty when told to.
class CountingWidget : public Widget
{
public:
    int updates = 0;
    int draws = 0;
    bool dirtyOnUpdate = false;
    void Update() override
    {
        ++updates;
        if (dirtyOnUpdate)
            MarkDirty();
    }
    void Draw(Graphics*) override { ++draws; }
};

// An application on a clock the test moves by hand.
struct ManualClockApp
{
    ManualClockApp()
    {
        app.mHeadless = true;
        app.SetClock([this] { return now; });
        app.Init();
    }
    // Moves the clock by ms and runs one step; the updates that ran.
    int StepBy(uint64_t ms)
    {
        now += ms;
        int before = app.mUpdateCount;
        app.UpdateAppStep(nullptr);
        return app.mUpdateCount - before;
    }
    SexyAppBase app;
    uint64_t now = 1000000;
};

} // namespace

TEST(AppLoop, ExactlyOneHundredUpdatesPerSimulatedSecond)
{
    // However the second is cut into steps, it holds 100 updates.
    for (uint64_t stepMs : {1u, 3u, 7u, 10u, 25u})
    {
        ManualClockApp t;
        t.StepBy(0); // the first update starts the schedule
        int updates = 0;
        for (uint64_t elapsed = 0; elapsed + stepMs <= 1000; elapsed += stepMs)
            updates += t.StepBy(stepMs);
        uint64_t rest = 1000 % stepMs;
        updates += t.StepBy(rest);
        EXPECT_EQ(updates, 100) << "steps of " << stepMs << " ms";
    }
}

TEST(AppLoop, UpdatesReachEveryWidgetOncePerUpdate)
{
    TestHarness h;
    CountingWidget w;
    h.GetWidgetManager()->AddWidget(&w);
    EXPECT_EQ(h.Step(37), 37);
    EXPECT_EQ(w.updates, 37);
    EXPECT_EQ(h.App().mUpdateCount, 37);
}

TEST(AppLoop, DrawsOnlyWhenSomethingIsDirty)
{
    TestHarness h;
    CountingWidget w;
    w.Resize(0, 0, 10, 10);
    h.GetWidgetManager()->AddWidget(&w);
    h.Step(); // the first frame is drawn
    int drawsAfterFirst = h.App().mDrawCount;
    EXPECT_GE(drawsAfterFirst, 1);
    EXPECT_EQ(w.draws, drawsAfterFirst);

    h.Step(50);
    EXPECT_EQ(h.App().mDrawCount, drawsAfterFirst) << "an idle screen is not drawn again";

    w.MarkDirty();
    h.Step(5);
    EXPECT_EQ(h.App().mDrawCount, drawsAfterFirst + 1) << "one change, one frame";

    w.dirtyOnUpdate = true;
    h.Step(4);
    EXPECT_EQ(h.App().mDrawCount, drawsAfterFirst + 5);
    EXPECT_EQ(w.draws, h.App().mDrawCount);
}

TEST(AppLoop, SeveralDueUpdatesShareOneFrame)
{
    ManualClockApp t;
    CountingWidget w;
    w.dirtyOnUpdate = true;
    t.app.mWidgetManager->AddWidget(&w);
    t.StepBy(0);
    int draws = t.app.mDrawCount;
    EXPECT_EQ(t.StepBy(50), 5);
    EXPECT_EQ(t.app.mDrawCount, draws + 1);
}

TEST(AppLoop, AStallCatchesUpABoundedNumberOfUpdatesThenKeepsTheRate)
{
    ManualClockApp t;
    t.StepBy(0);
    EXPECT_EQ(t.StepBy(5000), SexyAppBase::kMaxCatchUpUpdates);
    EXPECT_EQ(t.StepBy(0), 0) << "the rest of the backlog is forgotten";
    EXPECT_EQ(t.StepBy(10), 1);
    EXPECT_EQ(t.StepBy(10), 1);
    // A stall just below the bound is made up in full.
    EXPECT_EQ(t.StepBy(uint64_t(SexyAppBase::kUpdateIntervalMs) * (SexyAppBase::kMaxCatchUpUpdates - 1)),
              SexyAppBase::kMaxCatchUpUpdates - 1);
}

TEST(AppLoop, ClearUpdateBacklogDropsWhatIsOwed)
{
    ManualClockApp t;
    t.StepBy(0);
    t.now += 80; // a slow task: eight updates owed
    t.app.ClearUpdateBacklog(false);
    EXPECT_EQ(t.StepBy(0), 0);
    EXPECT_EQ(t.StepBy(9), 0);
    EXPECT_EQ(t.StepBy(1), 1);

    t.now += 80;
    t.app.ClearUpdateBacklog(true);
    EXPECT_EQ(t.StepBy(0), 1) << "relaxed: one update at once, no more";
    EXPECT_EQ(t.StepBy(9), 0);
}

TEST(AppLoop, AClockThatGoesBackDoesNotStopTheUpdates)
{
    ManualClockApp t;
    t.StepBy(0);
    t.StepBy(100);
    t.now -= 60000;
    EXPECT_EQ(t.StepBy(0), 1);
    EXPECT_EQ(t.StepBy(10), 1);
}

namespace
{

// Reports its first update, so another thread knows the loop runs.
class LoopApp : public SexyAppBase
{
public:
    std::promise<void> running;
    bool told = false;
    std::vector<std::string> log;
    void UpdateFrames() override
    {
        SexyAppBase::UpdateFrames();
        if (!told)
        {
            told = true;
            running.set_value();
        }
    }
};

// Logs when it leaves the widget manager, to check the order of the end.
class EndProbe : public Widget
{
public:
    explicit EndProbe(LoopApp* app) : mApp(app) {}
    void RemovedFromManager(WidgetManager* m) override
    {
        mApp->log.push_back(mApp->mHWnd != 0 && platform::IsWindow(mApp->mHWnd) ? "widget-left-window-open"
                                                                                : "widget-left-window-closed");
        Widget::RemovedFromManager(m);
    }

private:
    LoopApp* mApp;
};

} // namespace

TEST(AppLoop, ShutdownFromAnotherThreadEndsARunningLoopInOrder)
{
    LoopApp app;
    app.mHeadless = true;
    app.Init();
    EndProbe probe(&app);
    app.mWidgetManager->AddWidget(&probe);
    platform::WindowHandle hwnd = app.mHWnd;
    ASSERT_NE(hwnd, 0u);

    std::future<void> running = app.running.get_future();
    std::thread other(
        [&]
        {
            running.wait();
            app.Shutdown();
        });
    app.Start(); // returns once the other thread has asked for the end
    other.join();

    EXPECT_TRUE(app.IsShuttingDown());
    EXPECT_GE(app.mUpdateCount, 1);
    // Widgets leave first, while the window still stands; then the window is gone.
    ASSERT_EQ(app.log.size(), 1u);
    EXPECT_EQ(app.log[0], "widget-left-window-open");
    EXPECT_EQ(app.mHWnd, 0u);
    EXPECT_FALSE(platform::IsWindow(hwnd));
    EXPECT_FALSE(app.UpdateAppStep(nullptr));
}

TEST(AppLoop, ShutdownBeforeStartMakesStartReturnAtOnce)
{
    SexyAppBase app;
    app.mHeadless = true;
    app.Init();
    app.Shutdown();
    app.Start();
    EXPECT_EQ(app.mUpdateCount, 0);
    EXPECT_EQ(app.mHWnd, 0u);
}

TEST(AppLoop, CloseMessageEndsTheLoopUnlessTheGameTakesIt)
{
    struct KeepOpen : SexyAppBase
    {
        bool keep = true;
        int closes = 0;
        bool HandleWindowMessage(unsigned msg, platform::WPARAM, platform::LPARAM, platform::LRESULT* r) override
        {
            if (msg != platform::WM_CLOSE)
                return false;
            ++closes;
            *r = 0;
            return keep;
        }
    } app;
    TestHarness h(app);
    platform::SendWindowMessage(app.mHWnd, platform::WM_CLOSE, 0, 0);
    EXPECT_EQ(app.closes, 1);
    EXPECT_FALSE(app.IsShuttingDown());
    app.keep = false;
    platform::SendWindowMessage(app.mHWnd, platform::WM_CLOSE, 0, 0);
    EXPECT_TRUE(app.IsShuttingDown());
}
