// Input through the harness (the same path as the window's events), the boss key, cursors and
// the desktop stand-ins of headless mode.
#include "WidgetTestSupport.h"

#include "pop/SexyAppBase.h"
#include "pop/TestHarness.h"
#include "pop/WidgetManager.h"

#include <gtest/gtest.h>

using namespace Sexy;
using widgettest::EventLog;
using widgettest::Filter;
using widgettest::ProbeWidget;

TEST(AppInput, AClickReachesTheTopmostWidgetUnderThePointer)
{
    TestHarness h(200, 200);
    EventLog log;
    ProbeWidget back("back", &log, 0, 0, 100, 100);
    ProbeWidget front("front", &log, 50, 50, 100, 100);
    h.GetWidgetManager()->AddWidget(&back);
    h.GetWidgetManager()->AddWidget(&front);

    h.Click(60, 70);
    EXPECT_EQ(Filter(log, "back."), EventLog{});
    EXPECT_EQ(Filter(log, "front."),
              (EventLog{"front.enter", "front.move(10,20)", "front.down(10,20,1)", "front.up(10,20,1)"}));

    log.clear();
    h.Click(20, 20, 1);
    EXPECT_EQ(Filter(log, "back."),
              (EventLog{"back.enter", "back.move(20,20)", "back.down(20,20,-1)", "back.up(20,20,-1)"}));
}

TEST(AppInput, TypedTextArrivesAsOneKeyCharPerCharacter)
{
    TestHarness h(200, 200);
    EventLog log;
    ProbeWidget field("field", &log, 0, 0, 100, 20);
    h.GetWidgetManager()->AddWidget(&field);
    h.GetWidgetManager()->SetFocus(&field);
    log.clear();

    h.Text(L"中文a");
    h.KeyDown(KEYCODE_RETURN);
    h.KeyUp(KEYCODE_RETURN);
    EXPECT_EQ(log, (EventLog{"field.char(20013)", "field.char(25991)", "field.char(97)", "field.key(13)",
                             "field.keyup(13)"}));
}

TEST(AppInput, WheelAndDragFollowThePointer)
{
    TestHarness h(200, 200);
    EventLog log;
    ProbeWidget w("w", &log, 10, 10, 50, 50);
    h.GetWidgetManager()->AddWidget(&w);
    h.MouseMove(20, 20);
    h.Wheel(-2);
    h.MouseDown(20, 20);
    h.MouseMove(150, 150); // outside, still captured
    h.MouseUp(150, 150);
    EXPECT_EQ(Filter(log, "w."), (EventLog{"w.enter", "w.move(10,10)", "w.wheel(-2)", "w.down(10,10,1)", "w.leave",
                                           "w.drag(140,140)", "w.up(140,140,1)"}));
}

namespace
{

class HotKeyApp : public SexyAppBase
{
public:
    std::vector<platform::WPARAM> hotKeys;
    bool takeHotKey = true;
    bool HandleWindowMessage(unsigned msg, platform::WPARAM w, platform::LPARAM, platform::LRESULT* r) override
    {
        if (msg != WM_HOTKEY)
            return false;
        hotKeys.push_back(w);
        *r = 0;
        return takeHotKey;
    }
};

} // namespace

TEST(AppInput, TheBossKeyGoesToTheWindowNotToTheWidgets)
{
    HotKeyApp app;
    TestHarness h(app);
    EventLog log;
    ProbeWidget field("field", &log, 0, 0, 100, 20);
    h.GetWidgetManager()->AddWidget(&field);
    h.GetWidgetManager()->SetFocus(&field);
    log.clear();

    h.KeyDown(app.mBossKey);
    h.KeyUp(app.mBossKey);
    EXPECT_EQ(app.hotKeys, std::vector<platform::WPARAM>{kBossHotKeyId});
    EXPECT_EQ(log, EventLog{}) << "neither the press nor the release reaches the focus";

    // The same key with other modifiers is an ordinary key.
    h.KeyDown(app.mBossKey, KEYMOD_CTRL);
    EXPECT_EQ(app.hotKeys.size(), 1u);
    EXPECT_EQ(log.size(), 1u);

    // Unhandled, the boss key hides the window and a hot-key message brings it back.
    app.takeHotKey = false;
    h.KeyDown(app.mBossKey);
    EXPECT_FALSE(app.IsWindowShown());
    int draws = app.mDrawCount;
    field.MarkDirty();
    h.Step(3);
    EXPECT_EQ(app.mDrawCount, draws) << "a hidden window is not drawn";
    platform::SendWindowMessage(app.mHWnd, WM_HOTKEY, kBossHotKeyId, 0);
    EXPECT_TRUE(app.IsWindowShown());
    h.Step();
    EXPECT_EQ(app.mDrawCount, draws + 1);
}

TEST(AppInput, MinimiseAndRestoreBySystemCommand)
{
    TestHarness h(100, 100);
    SexyAppBase& app = h.App();
    platform::SendWindowMessage(app.mHWnd, platform::WM_SYSCOMMAND, platform::SC_MINIMIZE, 0);
    EXPECT_TRUE(app.IsMinimized());
    platform::SendWindowMessage(app.mHWnd, platform::WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(app.IsMinimized());
}

TEST(AppInput, CursorKindsAndTheHandOverFingerWidgets)
{
    TestHarness h(200, 200);
    SexyAppBase& app = h.App();
    EventLog log;
    ProbeWidget link("link", &log, 0, 0, 50, 50);
    link.mDoFinger = true;
    h.GetWidgetManager()->AddWidget(&link);

    EXPECT_EQ(app.GetShownCursor(), CURSOR_POINTER);
    h.MouseMove(10, 10);
    EXPECT_EQ(app.GetShownCursor(), CURSOR_HAND);
    app.SetCursor(CURSOR_DRAGGING);
    EXPECT_EQ(app.GetShownCursor(), CURSOR_DRAGGING) << "a chosen cursor wins over the hand";
    app.SetCursor(CURSOR_POINTER);
    h.MouseMove(100, 100);
    EXPECT_EQ(app.GetShownCursor(), CURSOR_POINTER);
    app.SetCursor(CURSOR_SIZEWE);
    EXPECT_EQ(app.GetCursor(), 9);
    app.SetCursor(99);
    EXPECT_EQ(app.GetCursor(), CURSOR_POINTER);
}

TEST(AppInput, HeadlessDesktopKeepsAWindowPositionAndAScreenCursor)
{
    TestHarness h(1024, 738);
    SexyAppBase& app = h.App();
    EXPECT_EQ(app.GetWorkArea(), Rect(0, 0, 1920, 1040));
    EXPECT_EQ(app.GetWindowPos(), Point((1920 - 1024) / 2, (1040 - 738) / 2));
    app.MoveWindow(100, 40);
    EXPECT_EQ(app.GetWindowPos(), Point(100, 40));
    h.MouseMove(10, 5);
    EXPECT_EQ(app.GetCursorScreenPos(), Point(110, 45));
    // Moving the window does not move the mouse.
    app.MoveWindow(300, 300);
    EXPECT_EQ(app.GetCursorScreenPos(), Point(110, 45));

    app.SwitchScreenMode(false, true, false);
    EXPECT_FALSE(app.mIsWindowed);
    app.SwitchScreenMode(true);
    EXPECT_TRUE(app.mIsWindowed);
}

TEST(AppInput, ThePixelsOfTheScreenAreWhatTheWidgetsDrew)
{
    TestHarness h(64, 48);
    EventLog log;
    ProbeWidget red("red", &log, 8, 8, 16, 16);
    red.fill = true;
    red.fillColor = Color(255, 0, 0);
    h.GetWidgetManager()->AddWidget(&red);
    h.Step();
    EXPECT_EQ(h.Pixel(10, 10), Color(255, 0, 0));
    EXPECT_EQ(h.Pixel(30, 30), Color(0, 0, 0)) << "the screen starts black";

    // A change is seen only after the next frame; Draw forces one.
    red.fillColor = Color(0, 0, 255);
    EXPECT_EQ(h.Pixel(10, 10), Color(255, 0, 0));
    h.Draw();
    EXPECT_EQ(h.Pixel(10, 10), Color(0, 0, 255));
}
