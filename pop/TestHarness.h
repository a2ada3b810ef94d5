// A headless application for tests: time that moves only when told, injected input, the screen's
// pixels and a record of the message boxes.
//
//     Sexy::TestHarness h;                 // or TestHarness h(myApp) for an application of one's own
//     h.GetWidgetManager()->AddWidget(&w);
//     h.Step();                            // one update (10 ms) and the drawing it leads to
//     h.Click(20, 30);
//     EXPECT_EQ(h.Pixel(20, 30), Sexy::Color(255, 0, 0));
//
// The harness makes the application headless (before Init, which it runs when it has not run),
// gives it a clock of its own and answers its message boxes. Nothing sleeps: Step moves the clock
// and runs the loop's steps at once. All calls belong to the test's thread (the main thread),
// except that message boxes may come from any thread.
#pragma once

#include "pop/KeyCodes.h"
#include "pop/SexyAppBase.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace Sexy
{

class WidgetManager;

class TestHarness
{
public:
    // A plain SexyAppBase of mWidth x mHeight, owned by the harness.
    explicit TestHarness(int width = 1024, int height = 738);
    // An application of the test's own (not owned); it must outlive the harness.
    explicit TestHarness(SexyAppBase& app);
    ~TestHarness();
    TestHarness(const TestHarness&) = delete;
    TestHarness& operator=(const TestHarness&) = delete;

    SexyAppBase& App() { return *mApp; }
    WidgetManager* GetWidgetManager() { return mApp->mWidgetManager; }

    // Time. Step moves the clock by 10 ms and runs one loop step, `updates` times; it returns how
    // many updates ran. Advance moves the clock without running anything.
    int Step(int updates = 1);
    void Advance(uint64_t ms) { mNow += ms; }
    uint64_t Now() const { return mNow; }
    // Nested loops (Dialog::WaitForResult) wait through the application's wait hook between their
    // steps, so with the harness's clock standing still they would never see an update.
    // DriveNestedLoops sets a hook for them: each wait calls onWait, which may give input (a click
    // on the dialog being waited for) or nothing, and then moves the clock by one update, unless
    // onWait returned true to say that it answered what the loop waits for: the loop ends then, and
    // the clock stays where the last update left it, so no update is owed afterwards. Null gives
    // the application its real wait back, and so does the end of a harness that set a hook. The
    // application's own loop (Start) waits through the hook too.
    void DriveNestedLoops(std::function<bool()> onWait);
    // The waits the hook has run since DriveNestedLoops set it.
    int NestedWaits() const { return mNestedWaits; }
    // Waits up to waitMs of real time for a message to the main window (or any window of this
    // thread), runs what came and then one loop step without moving the clock. Returns how many
    // messages ran. For messages that other threads send.
    int PumpMessages(int waitMs);

    // Input in window coordinates. Buttons: 0 left, 1 right, 2 middle.
    void MouseMove(int x, int y);
    void MouseDown(int x, int y, int button = 0);
    void MouseUp(int x, int y, int button = 0);
    void Click(int x, int y, int button = 0);
    void Wheel(int delta);
    void MouseExit();
    void KeyDown(KeyCode key, int modifiers = 0);
    void KeyUp(KeyCode key);
    // Typed text: one KeyChar per character, as an input method delivers it.
    void Text(const std::wstring& text);

    // The screen.
    Color Pixel(int x, int y) const;
    uint32_t PixelARGB(int x, int y) const;
    bool SavePNG(const std::string& path) const;
    // Draws the whole screen now.
    void Draw();

    // Message boxes, in the order they were asked.
    struct MsgBoxRecord
    {
        std::string text;  // GBK
        std::string title; // GBK
        int flags = 0;
    };
    std::vector<MsgBoxRecord> MessageBoxes() const;
    // The answer every box gets from now on (IDOK at first).
    void SetMsgBoxAnswer(int answer);

private:
    void Attach();

    std::unique_ptr<SexyAppBase> mOwned;
    SexyAppBase* mApp = nullptr;
    uint64_t mNow = 1000000;
    mutable std::mutex mMutex;
    std::vector<MsgBoxRecord> mBoxes;
    int mAnswer = IDOK;
    std::function<bool()> mOnWait;
    bool mDrivesWaits = false;
    int mNestedWaits = 0;
};

} // namespace Sexy
