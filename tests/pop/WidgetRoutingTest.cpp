// Mouse routing of the widget manager: hit testing, hover, capture, click counts and the wheel.
#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

using namespace Sexy;
using widgettest::EventLog;
using widgettest::Filter;
using widgettest::ProbeWidget;

namespace
{

class WidgetRouting : public ::testing::Test, public widgettest::ManagerFixture
{
};

TEST_F(WidgetRouting, PressGoesToTopmostWidgetThatTakesTheMouse)
{
    ProbeWidget back("back", &log, 0, 0, 100, 100);
    ProbeWidget front("front", &log, 50, 50, 100, 100);
    manager.AddWidget(&back);
    manager.AddWidget(&front);

    EXPECT_EQ(manager.GetWidgetAt(60, 60), &front);
    EXPECT_EQ(manager.GetWidgetAt(10, 10), &back);
    EXPECT_EQ(manager.GetWidgetAt(190, 10), nullptr);

    front.SetVisible(false);
    EXPECT_EQ(manager.GetWidgetAt(60, 60), &back);
    front.SetVisible(true);
    front.SetDisabled(true);
    EXPECT_EQ(manager.GetWidgetAt(60, 60), &back);
    front.SetDisabled(false);
    front.pointVisible = [](int x, int) { return x >= 20; }; // its left part is transparent
    EXPECT_EQ(manager.GetWidgetAt(60, 60), &back);
    EXPECT_EQ(manager.GetWidgetAt(75, 60), &front);
    front.mMouseVisible = false;
    EXPECT_EQ(manager.GetWidgetAt(75, 60), &back);

    manager.MouseDown(60, 60, WidgetManager::BUTTON_LEFT);
    EXPECT_EQ(Filter(log, "front.down").size(), 0u);
    EXPECT_EQ(Filter(log, "back.down"), EventLog{"back.down(60,60,1)"});
}

TEST_F(WidgetRouting, ChildrenComeBeforeParentsWithLocalCoordinates)
{
    ProbeWidget parent("parent", &log, 20, 30, 100, 100);
    ProbeWidget child("child", &log, 10, 10, 20, 20);
    ProbeWidget grandchild("grand", &log, 5, 5, 5, 5);
    parent.AddWidget(&child);
    child.AddWidget(&grandchild);
    manager.AddWidget(&parent);

    int lx = -1, ly = -1;
    EXPECT_EQ(manager.GetWidgetAt(36, 46, &lx, &ly), &grandchild);
    EXPECT_EQ(lx, 1);
    EXPECT_EQ(ly, 1);
    EXPECT_EQ(manager.GetWidgetAt(31, 41, &lx, &ly), &child);
    EXPECT_EQ(lx, 1);
    EXPECT_EQ(manager.GetWidgetAt(21, 31), &parent);

    // A disabled parent shuts out its whole subtree.
    parent.SetDisabled(true);
    EXPECT_EQ(manager.GetWidgetAt(36, 46), nullptr);
    parent.SetDisabled(false);

    // A child sticking out of a clipping parent is hit only inside the parent.
    child.Resize(90, 90, 40, 40);
    EXPECT_EQ(manager.GetWidgetAt(113, 123), &child);
    EXPECT_EQ(manager.GetWidgetAt(125, 135), nullptr);
    parent.mClip = false;
    EXPECT_EQ(manager.GetWidgetAt(125, 135), &child);

    // A parent that lets the mouse through still has children that take it.
    parent.mMouseVisible = false;
    EXPECT_EQ(manager.GetWidgetAt(21, 31), nullptr);
    EXPECT_EQ(manager.GetWidgetAt(125, 135), &child);
}

TEST_F(WidgetRouting, PriorityKeepsWidgetsInFrontWhateverTheOrder)
{
    ProbeWidget top("top", &log, 0, 0, 50, 50);
    ProbeWidget a("a", &log, 0, 0, 50, 50);
    ProbeWidget b("b", &log, 0, 0, 50, 50);
    top.mPriority = 5;
    manager.AddWidget(&top);
    manager.AddWidget(&a);
    manager.AddWidget(&b);
    EXPECT_EQ(manager.GetWidgetAt(1, 1), &top);
    EXPECT_EQ(manager.mWidgets, (WidgetList{&a, &b, &top}));

    manager.BringToFront(&a);
    EXPECT_EQ(manager.mWidgets, (WidgetList{&b, &a, &top}));
    manager.PutBehind(&a, &b);
    EXPECT_EQ(manager.mWidgets, (WidgetList{&a, &b, &top}));
    manager.PutInfront(&a, &b);
    EXPECT_EQ(manager.mWidgets, (WidgetList{&b, &a, &top}));
    // Moves never leave the priority group.
    manager.PutInfront(&b, &top);
    EXPECT_EQ(manager.mWidgets, (WidgetList{&a, &b, &top}));
    manager.BringToBack(&top);
    EXPECT_EQ(manager.mWidgets, (WidgetList{&a, &b, &top}));

    top.SetPriority(-1);
    EXPECT_EQ(manager.mWidgets, (WidgetList{&top, &a, &b}));
    EXPECT_EQ(manager.GetWidgetAt(1, 1), &b);
}

TEST_F(WidgetRouting, EnterLeaveAndMoveFollowThePointer)
{
    ProbeWidget a("a", &log, 0, 0, 50, 50);
    ProbeWidget b("b", &log, 50, 0, 50, 50);
    manager.AddWidget(&a);
    manager.AddWidget(&b);

    manager.MouseMove(10, 10);
    manager.MouseMove(12, 10);
    manager.MouseMove(60, 5);
    manager.MouseMove(150, 150);
    EXPECT_EQ(log,
              (EventLog{"a.enter", "a.move(10,10)", "a.move(12,10)", "a.leave", "b.enter", "b.move(10,5)", "b.leave"}));
    EXPECT_FALSE(a.mIsOver);

    log.clear();
    manager.MouseMove(70, 5);
    EXPECT_TRUE(b.mIsOver);
    manager.MouseExit();
    EXPECT_EQ(log, (EventLog{"b.enter", "b.move(20,5)", "b.leave"}));
    EXPECT_EQ(manager.GetOverWidget(), nullptr);

    // A widget appearing under a still pointer is entered on the next frame.
    log.clear();
    manager.MouseMove(20, 20);
    ProbeWidget c("c", &log, 0, 0, 40, 40);
    manager.AddWidget(&c);
    manager.UpdateFrame();
    EXPECT_EQ(Filter(log, "c.enter").size(), 1u);
    EXPECT_EQ(Filter(log, "a.leave").size(), 1u);
    EXPECT_EQ(manager.GetOverWidget(), &c);

    // One shown under a still pointer and pressed before any frame is entered before the press.
    log.clear();
    ProbeWidget d("d", &log, 0, 0, 30, 30);
    manager.AddWidget(&d);
    manager.MouseDown(20, 20, 0);
    EXPECT_EQ(Filter(log, "d."), (EventLog{"d.enter", "d.down(20,20,1)"}));
    EXPECT_TRUE(d.mIsOver);
    manager.MouseUp(20, 20, 0);
}

TEST_F(WidgetRouting, PressCapturesTheMouseUntilEveryButtonIsUp)
{
    ProbeWidget a("a", &log, 10, 10, 50, 50);
    ProbeWidget b("b", &log, 100, 100, 50, 50);
    manager.AddWidget(&a);
    manager.AddWidget(&b);

    manager.MouseMove(20, 20);
    manager.MouseDown(20, 20, WidgetManager::BUTTON_LEFT);
    EXPECT_TRUE(a.mIsDown);
    EXPECT_EQ(manager.GetCaptureWidget(), &a);
    log.clear();
    manager.MouseMove(120, 120); // over b, still a's
    manager.MouseDown(120, 120, WidgetManager::BUTTON_RIGHT);
    manager.MouseUp(125, 120, WidgetManager::BUTTON_LEFT);
    manager.MouseMove(5, 5); // outside, to the upper left
    EXPECT_TRUE(a.mIsDown);
    manager.MouseUp(5, 5, WidgetManager::BUTTON_RIGHT);
    EXPECT_EQ(log, (EventLog{"a.leave", "a.drag(110,110)", "a.down(110,110,-1)", "a.drag(115,110)", "a.up(115,110,1)",
                             "a.drag(-5,-5)", "a.up(-5,-5,-1)"}));
    EXPECT_FALSE(a.mIsDown);
    EXPECT_EQ(manager.GetCaptureWidget(), nullptr);

    // Back over the pressed widget during a drag, it is entered again; after the release the
    // widget under the pointer takes over.
    log.clear();
    manager.MouseDown(20, 20, WidgetManager::BUTTON_LEFT);
    manager.MouseMove(120, 120);
    manager.MouseMove(30, 30);
    manager.MouseMove(110, 110);
    manager.MouseUp(110, 110, WidgetManager::BUTTON_LEFT);
    EXPECT_EQ(log, (EventLog{"a.enter", "a.move(10,10)", "a.down(10,10,1)", "a.leave", "a.drag(110,110)", "a.enter",
                             "a.drag(20,20)", "a.leave", "a.drag(100,100)", "a.up(100,100,1)", "b.enter"}));
}

TEST_F(WidgetRouting, ReleaseWithoutPressAndPressOnNothingReachNobody)
{
    ProbeWidget a("a", &log, 0, 0, 50, 50);
    manager.AddWidget(&a);
    EXPECT_FALSE(manager.MouseUp(10, 10, WidgetManager::BUTTON_LEFT));
    EXPECT_FALSE(manager.MouseDown(100, 100, WidgetManager::BUTTON_LEFT));
    EXPECT_FALSE(manager.MouseDown(100, 100, 7));
    EXPECT_FALSE(manager.MouseMove(10, 10)); // dragging from empty space: nobody's drag
    EXPECT_FALSE(manager.MouseUp(10, 10, WidgetManager::BUTTON_LEFT));
    EXPECT_EQ(Filter(log, "a.down").size(), 0u);
    EXPECT_EQ(Filter(log, "a.up").size(), 0u);
    EXPECT_EQ(Filter(log, "a.drag").size(), 0u);
}

TEST_F(WidgetRouting, ClickCountsTellDoubleClicksAndButtons)
{
    ProbeWidget a("a", &log, 0, 0, 100, 100);
    ProbeWidget b("b", &log, 100, 0, 100, 100);
    manager.AddWidget(&a);
    manager.AddWidget(&b);
    auto click = [this](int x, int y, int button)
    {
        manager.MouseDown(x, y, button);
        manager.MouseUp(x, y, button);
    };

    click(10, 10, WidgetManager::BUTTON_LEFT);
    now += 200;
    click(12, 13, WidgetManager::BUTTON_LEFT); // double
    now += 100;
    click(12, 13, WidgetManager::BUTTON_LEFT); // a third press starts over
    now += 401;
    click(12, 13, WidgetManager::BUTTON_LEFT); // too late for a double
    now += 100;
    click(20, 13, WidgetManager::BUTTON_LEFT); // too far
    now += 100;
    click(20, 13, WidgetManager::BUTTON_RIGHT); // other button
    now += 100;
    click(20, 13, WidgetManager::BUTTON_RIGHT);
    now += 100;
    click(20, 13, WidgetManager::BUTTON_MIDDLE);
    now += 100;
    click(20, 13, WidgetManager::BUTTON_MIDDLE);
    now += 100;
    click(99, 13, WidgetManager::BUTTON_LEFT);
    now += 100;
    click(101, 13, WidgetManager::BUTTON_LEFT); // close, but on another widget

    EXPECT_EQ(
        Filter(log, "a.down"),
        (EventLog{"a.down(10,10,1)", "a.down(12,13,2)", "a.down(12,13,1)", "a.down(12,13,1)", "a.down(20,13,1)",
                  "a.down(20,13,-1)", "a.down(20,13,-2)", "a.down(20,13,3)", "a.down(20,13,3)", "a.down(99,13,1)"}));
    // Each release carries the count of its press.
    EXPECT_EQ(Filter(log, "a.up"),
              (EventLog{"a.up(10,10,1)", "a.up(12,13,2)", "a.up(12,13,1)", "a.up(12,13,1)", "a.up(20,13,1)",
                        "a.up(20,13,-1)", "a.up(20,13,-2)", "a.up(20,13,3)", "a.up(20,13,3)", "a.up(99,13,1)"}));
    EXPECT_EQ(Filter(log, "b.down"), EventLog{"b.down(1,13,1)"});
}

// Records which form of MouseDown / MouseUp is reached, with the default forwarding in between.
class FormsWidget : public Widget
{
public:
    std::vector<std::string> calls;
    void MouseDown(int x, int y, int button, int clickCount) override
    {
        calls.push_back("down4" + ProbeWidget::Args(button, clickCount) + ProbeWidget::Args(x, y));
    }
    using Widget::MouseDown;
    void MouseUp(int x, int y) override { calls.push_back("up2" + ProbeWidget::Args(x, y)); }
    using Widget::MouseUp;
};

TEST_F(WidgetRouting, DefaultFormsPassButtonNumbers)
{
    FormsWidget w;
    w.Resize(0, 0, 100, 100);
    manager.AddWidget(&w);
    manager.MouseDown(5, 6, WidgetManager::BUTTON_LEFT);
    manager.MouseUp(5, 6, WidgetManager::BUTTON_LEFT);
    manager.MouseDown(5, 6, WidgetManager::BUTTON_RIGHT);
    manager.MouseUp(5, 6, WidgetManager::BUTTON_RIGHT);
    manager.MouseDown(5, 6, WidgetManager::BUTTON_MIDDLE);
    manager.MouseUp(7, 8, WidgetManager::BUTTON_MIDDLE);
    EXPECT_EQ(w.calls, (std::vector<std::string>{"down4(0,1)(5,6)", "up2(5,6)", "down4(1,-1)(5,6)", "up2(5,6)",
                                                 "down4(2,1)(5,6)", "up2(7,8)"}));
}

// The table view's pattern: its three-value form works and passes on to the four-value form,
// which it overrides to reach the base. That must reach the handling once, not loop.
class ViewLikeWidget : public Widget
{
public:
    int threeForm = 0;
    int fourForm = 0;
    int lastButton = -1;
    int lastCount = 0;
    void MouseDown(int x, int y, int clickCount) override
    {
        ++threeForm;
        int button = clickCount == 3 ? 2 : (clickCount < 0 ? 1 : 0);
        MouseDown(x, y, button, clickCount == 3 ? 1 : clickCount);
    }
    void MouseDown(int x, int y, int button, int clickCount) override
    {
        ++fourForm;
        lastButton = button;
        lastCount = clickCount;
        Widget::MouseDown(x, y, button, clickCount);
    }
};

TEST_F(WidgetRouting, ThreeValueOverrideForwardingToFourValueFormDoesNotLoop)
{
    ViewLikeWidget view;
    view.Resize(0, 0, 200, 200);
    manager.AddWidget(&view);
    manager.MouseDown(1, 1, WidgetManager::BUTTON_RIGHT);
    EXPECT_EQ(view.threeForm, 1);
    EXPECT_EQ(view.fourForm, 1);
    EXPECT_EQ(view.lastButton, 1);
    EXPECT_EQ(view.lastCount, -1);
}

TEST_F(WidgetRouting, WheelGoesToCapturedThenPointedThenFocusedWidget)
{
    ProbeWidget a("a", &log, 0, 0, 50, 50);
    ProbeWidget b("b", &log, 100, 100, 50, 50);
    manager.AddWidget(&a);
    manager.AddWidget(&b);
    manager.SetFocus(&b);

    manager.MouseMove(10, 10);
    manager.MouseWheel(1);
    manager.MouseMove(80, 80); // over nothing
    manager.MouseWheel(-1);
    manager.MouseExit();
    manager.MouseWheel(2);
    manager.MouseDown(10, 10, WidgetManager::BUTTON_LEFT);
    manager.MouseMove(120, 120);
    manager.MouseWheel(-2);
    EXPECT_EQ(Filter(log, "a.wheel"), (EventLog{"a.wheel(1)", "a.wheel(-2)"}));
    EXPECT_EQ(Filter(log, "b.wheel"), (EventLog{"b.wheel(-1)", "b.wheel(2)"}));
}

TEST_F(WidgetRouting, HandCursorFollowsTheWidgetUnderThePointer)
{
    ProbeWidget a("a", &log, 0, 0, 50, 50);
    a.mDoFinger = true;
    manager.AddWidget(&a);
    manager.MouseMove(10, 10);
    EXPECT_TRUE(manager.WantsHandCursor());
    manager.MouseDown(10, 10, WidgetManager::BUTTON_LEFT);
    manager.MouseMove(100, 100);
    EXPECT_FALSE(manager.WantsHandCursor());
    manager.MouseUp(100, 100, WidgetManager::BUTTON_LEFT);
    EXPECT_FALSE(manager.WantsHandCursor());
}

} // namespace
