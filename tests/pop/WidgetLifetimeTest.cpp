// Ownership and lifetime in the widget tree: removal and deletion at any moment, also from inside
// a widget's own handlers, must leave no pointer to it behind (the sanitizer build checks the
// accesses), and the manager hooks come exactly once.
#include "WidgetTestSupport.h"

#include "pop/Image.h"

#include <gtest/gtest.h>

#include <memory>

using namespace Sexy;
using widgettest::EventLog;
using widgettest::Filter;
using widgettest::ProbeWidget;

namespace
{

class WidgetLifetime : public ::testing::Test, public widgettest::ManagerFixture
{
};

TEST_F(WidgetLifetime, WidgetDeletingItselfOnPressLeavesNoCaptureBehind)
{
    ProbeWidget under("under", &log, 0, 0, 100, 100);
    auto button = std::make_unique<ProbeWidget>("button", &log, 10, 10, 20, 20);
    manager.AddWidget(&under);
    manager.AddWidget(button.get());
    button->onDown = [&] { button.reset(); };

    EXPECT_TRUE(manager.MouseDown(15, 15, WidgetManager::BUTTON_LEFT));
    EXPECT_EQ(button, nullptr);
    EXPECT_EQ(manager.GetCaptureWidget(), nullptr);
    EXPECT_EQ(manager.GetOverWidget(), nullptr);
    EXPECT_FALSE(manager.MouseMove(16, 16));
    EXPECT_FALSE(manager.MouseUp(16, 16, WidgetManager::BUTTON_LEFT));
    // The release hands the pointer to what lies beneath; the same spot pressed again is no
    // double click with the deleted widget.
    EXPECT_EQ(manager.GetOverWidget(), &under);
    manager.MouseDown(16, 16, WidgetManager::BUTTON_LEFT);
    EXPECT_EQ(Filter(log, "under.down"), EventLog{"under.down(16,16,1)"});
}

TEST_F(WidgetLifetime, WidgetDeletingItselfOnReleaseOrLeaveOrEnter)
{
    auto a = std::make_unique<ProbeWidget>("a", &log, 0, 0, 50, 50);
    auto b = std::make_unique<ProbeWidget>("b", &log, 50, 0, 50, 50);
    manager.AddWidget(a.get());
    manager.AddWidget(b.get());

    a->onUp = [&] { a.reset(); };
    manager.MouseDown(10, 10, WidgetManager::BUTTON_LEFT);
    EXPECT_TRUE(manager.MouseUp(10, 10, WidgetManager::BUTTON_LEFT));
    EXPECT_EQ(a, nullptr);
    EXPECT_EQ(manager.GetOverWidget(), nullptr);

    a = std::make_unique<ProbeWidget>("a", &log, 0, 0, 50, 50);
    manager.AddWidget(a.get());
    manager.MouseMove(10, 10);
    a->onLeave = [&] { a.reset(); };
    b->onEnter = [&] { b.reset(); };
    EXPECT_FALSE(manager.MouseMove(60, 10));
    EXPECT_EQ(a, nullptr);
    EXPECT_EQ(b, nullptr);
    EXPECT_EQ(manager.GetOverWidget(), nullptr);
    EXPECT_TRUE(manager.mWidgets.empty());
}

TEST_F(WidgetLifetime, DeletingFocusedHoveredCapturedWidgetClearsTheManager)
{
    auto parent = std::make_unique<ProbeWidget>("parent", &log, 0, 0, 100, 100);
    ProbeWidget child("child", &log, 10, 10, 20, 20);
    parent->AddWidget(&child);
    manager.AddWidget(parent.get());
    manager.SetFocus(&child);
    manager.MouseDown(15, 15, WidgetManager::BUTTON_LEFT);
    parent->DeferOverlay(1);
    ASSERT_EQ(manager.GetCaptureWidget(), &child);

    // Deleting the parent takes the child out of the tree; the child itself lives on.
    parent.reset();
    EXPECT_EQ(manager.GetFocusWidget(), nullptr);
    EXPECT_EQ(manager.GetCaptureWidget(), nullptr);
    EXPECT_EQ(manager.GetOverWidget(), nullptr);
    EXPECT_EQ(child.mParent, nullptr);
    EXPECT_EQ(child.mWidgetManager, nullptr);
    EXPECT_FALSE(child.mHasFocus);
    EXPECT_FALSE(child.mIsDown);
    EXPECT_FALSE(child.mIsOver);
    EXPECT_FALSE(manager.KeyDown(KEYCODE_A));
    EXPECT_FALSE(manager.MouseUp(15, 15, WidgetManager::BUTTON_LEFT));
    EXPECT_EQ(Filter(log, "child.lostfocus").size(), 1u);

    // Whatever was requested of the manager is dropped with it.
    MemoryImage screen(10, 10);
    Graphics g(&screen);
    manager.DrawScreen(&g);
    EXPECT_TRUE(Filter(log, "parent.overlay").empty());

    // The child can join the tree again.
    manager.AddWidget(&child);
    EXPECT_EQ(child.mWidgetManager, &manager);
    EXPECT_EQ(manager.GetWidgetAt(15, 15), &child);
}

TEST_F(WidgetLifetime, DeletingAChildTakesItOutOfItsParent)
{
    ProbeWidget parent("parent", &log, 0, 0, 100, 100);
    auto child = std::make_unique<ProbeWidget>("child", &log, 10, 10, 20, 20);
    parent.AddWidget(child.get());
    manager.AddWidget(&parent);
    manager.SetFocus(child.get());
    child.reset();
    EXPECT_TRUE(parent.mWidgets.empty());
    EXPECT_EQ(manager.GetFocusWidget(), nullptr);
    EXPECT_EQ(manager.GetWidgetAt(15, 15), &parent);
}

TEST_F(WidgetLifetime, WidgetsDeletedDuringUpdatesAreNotUpdated)
{
    ProbeWidget a("a", &log, 0, 0, 10, 10);
    auto b = std::make_unique<ProbeWidget>("b", &log, 0, 0, 10, 10);
    auto bChild = std::make_unique<ProbeWidget>("bchild", &log, 0, 0, 5, 5);
    auto c = std::make_unique<ProbeWidget>("c", &log, 0, 0, 10, 10);
    b->AddWidget(bChild.get());
    manager.AddWidget(&a);
    manager.AddWidget(b.get());
    manager.AddWidget(c.get());

    // b deletes its own child and itself; a deletes c, which comes later.
    b->onUpdate = [&]
    {
        bChild.reset();
        b.reset();
    };
    a.onUpdate = [&] { c.reset(); };
    manager.UpdateFrame();
    EXPECT_EQ(log, (EventLog{"a.update", "b.update"}));
    EXPECT_EQ(manager.mWidgets, WidgetList{&a});
    EXPECT_EQ(manager.GetUpdateCount(), 1);
    EXPECT_EQ(a.mUpdateCnt, 1);
}

TEST_F(WidgetLifetime, ParentsAreUpdatedBeforeChildrenAndHiddenOnesToo)
{
    ProbeWidget a("a", &log, 0, 0, 10, 10);
    ProbeWidget a1("a1", &log, 0, 0, 10, 10);
    ProbeWidget b("b", &log, 0, 0, 10, 10);
    a.AddWidget(&a1);
    manager.AddWidget(&a);
    manager.AddWidget(&b);
    b.SetVisible(false);
    manager.UpdateFrame();
    manager.UpdateFrame();
    EXPECT_EQ(log, (EventLog{"a.update", "a1.update", "b.update", "a.update", "a1.update", "b.update"}));
    EXPECT_EQ(manager.GetUpdateCount(), 2);
    EXPECT_EQ(a1.mUpdateCnt, 2);
}

TEST_F(WidgetLifetime, WidgetDeletedInsideItsRemovalHook)
{
    auto w = std::make_unique<ProbeWidget>("w", &log, 0, 0, 10, 10);
    ProbeWidget child("child", &log, 0, 0, 5, 5);
    w->AddWidget(&child);
    manager.AddWidget(w.get());
    manager.SetFocus(&child);
    w->onRemoved = [&] { w.reset(); };
    manager.RemoveWidget(w.get());
    EXPECT_EQ(w, nullptr);
    EXPECT_EQ(child.mParent, nullptr);
    EXPECT_EQ(child.mWidgetManager, nullptr);
    EXPECT_EQ(manager.GetFocusWidget(), nullptr);
    EXPECT_FALSE(child.mHasFocus);
    EXPECT_EQ(Filter(log, "child.lostfocus").size(), 1u);
    EXPECT_TRUE(manager.mWidgets.empty());
}

// The game window's pattern: buttons joined to the window when it enters the manager and taken
// out again when it leaves.
class WindowLike : public ProbeWidget
{
public:
    explicit WindowLike(EventLog* log) : ProbeWidget("window", log, 0, 0, 100, 100)
    {
        logHooks = button1.logHooks = button2.logHooks = true;
    }
    ProbeWidget button1{"button1", mLog, 0, 0, 10, 10};
    ProbeWidget button2{"button2", mLog, 10, 0, 10, 10};

    void AddedToManager(WidgetManager* manager) override
    {
        ProbeWidget::AddedToManager(manager);
        AddWidget(&button1);
        AddWidget(&button2);
    }
    void RemovedFromManager(WidgetManager* manager) override
    {
        RemoveWidget(&button1);
        RemoveWidget(&button2);
        ProbeWidget::RemovedFromManager(manager);
    }
};

TEST_F(WidgetLifetime, ManagerHooksComeOnceForEveryWidget)
{
    WindowLike window(&log);
    ProbeWidget inner("inner", &log, 0, 0, 10, 10);
    ProbeWidget holder("holder", &log, 0, 0, 50, 50);
    inner.logHooks = holder.logHooks = true;
    holder.AddWidget(&inner); // outside the tree: no hooks yet
    EXPECT_TRUE(log.empty());

    manager.AddWidget(&holder);
    manager.AddWidget(&window);
    EXPECT_EQ(log, (EventLog{"holder.added", "inner.added", "window.added", "button1.added", "button2.added"}));
    EXPECT_EQ(window.button1.mWidgetManager, &manager);

    manager.SetFocus(&window.button2);
    log.clear();
    manager.RemoveWidget(&window);
    manager.RemoveWidget(&holder);
    EXPECT_EQ(log, (EventLog{"button1.removed", "button2.removed", "button2.lostfocus", "window.removed",
                             "holder.removed", "inner.removed"}));
    EXPECT_EQ(window.button1.mWidgetManager, nullptr);
    EXPECT_EQ(inner.mWidgetManager, nullptr);
    EXPECT_EQ(manager.GetFocusWidget(), nullptr);
}

TEST_F(WidgetLifetime, MovingAWidgetBetweenParentsAndRefusingCycles)
{
    ProbeWidget a("a", &log, 0, 0, 100, 100);
    ProbeWidget b("b", &log, 100, 0, 100, 100);
    ProbeWidget w("w", &log, 10, 10, 10, 10);
    manager.AddWidget(&a);
    manager.AddWidget(&b);
    a.AddWidget(&w);
    w.logHooks = true;
    b.AddWidget(&w);
    EXPECT_EQ(log, (EventLog{"w.removed", "w.added"}));
    EXPECT_TRUE(a.mWidgets.empty());
    EXPECT_EQ(w.mParent, &b);
    EXPECT_EQ(manager.GetWidgetAt(115, 15), &w);

    w.AddWidget(&b); // b holds w: refused
    w.AddWidget(&w);
    EXPECT_EQ(b.mParent, &manager);
    EXPECT_TRUE(w.mWidgets.empty());
}

TEST_F(WidgetLifetime, ManagerGoingFirstLetsGoOfItsWidgets)
{
    ProbeWidget a("a", &log, 0, 0, 10, 10);
    ProbeWidget a1("a1", &log, 0, 0, 5, 5);
    a.AddWidget(&a1);
    {
        WidgetManager local;
        local.AddWidget(&a);
        local.SetFocus(&a1);
        EXPECT_EQ(a1.mWidgetManager, &local);
    }
    EXPECT_EQ(a.mParent, nullptr);
    EXPECT_EQ(a.mWidgetManager, nullptr);
    EXPECT_EQ(a1.mWidgetManager, nullptr);
    EXPECT_EQ(a1.mParent, &a);
    EXPECT_FALSE(a1.mHasFocus);
}

} // namespace
