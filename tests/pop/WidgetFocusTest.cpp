// Keyboard focus and the modal layer of the widget manager.
#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

using namespace Sexy;
using widgettest::EventLog;
using widgettest::Filter;
using widgettest::ProbeWidget;

namespace
{

class WidgetFocus : public ::testing::Test, public widgettest::ManagerFixture
{
};

TEST_F(WidgetFocus, FocusChangesCallLostThenGotAndKeysFollowTheFocus)
{
    ProbeWidget a("a", &log, 0, 0, 50, 50);
    ProbeWidget b("b", &log, 50, 0, 50, 50);
    manager.AddWidget(&a);
    manager.AddWidget(&b);

    EXPECT_FALSE(manager.KeyDown(KEYCODE_RETURN));
    manager.SetFocus(&a);
    manager.SetFocus(&a);
    manager.SetFocus(&b);
    EXPECT_FALSE(a.mHasFocus);
    EXPECT_TRUE(b.mHasFocus);
    EXPECT_TRUE(manager.KeyDown(KEYCODE_F10));
    EXPECT_TRUE(manager.KeyUp(KEYCODE_F10));
    EXPECT_TRUE(manager.KeyChar(L'\u724C'));
    manager.SetFocus(nullptr);
    EXPECT_FALSE(manager.KeyDown(KEYCODE_ESCAPE));
    EXPECT_EQ(log, (EventLog{"a.gotfocus", "a.lostfocus", "b.gotfocus", "b.key(121)", "b.keyup(121)", "b.char(29260)",
                             "b.lostfocus"}));
}

TEST_F(WidgetFocus, PressesDoNotMoveTheFocus)
{
    ProbeWidget a("a", &log, 0, 0, 50, 50);
    ProbeWidget b("b", &log, 50, 0, 50, 50);
    manager.AddWidget(&a);
    manager.AddWidget(&b);
    manager.SetFocus(&a);
    manager.MouseDown(60, 10, WidgetManager::BUTTON_LEFT);
    manager.MouseUp(60, 10, WidgetManager::BUTTON_LEFT);
    EXPECT_EQ(manager.GetFocusWidget(), &a);
    manager.KeyDown(KEYCODE_A);
    EXPECT_EQ(Filter(log, "a.key"), EventLog{"a.key(65)"});
}

TEST_F(WidgetFocus, OnlyEnabledWidgetsOfTheTreeTakeKeys)
{
    ProbeWidget outside("outside", &log, 0, 0, 50, 50);
    manager.SetFocus(&outside);
    EXPECT_EQ(manager.GetFocusWidget(), nullptr);
    EXPECT_FALSE(outside.mHasFocus);

    ProbeWidget parent("parent", &log, 0, 0, 100, 100);
    ProbeWidget edit("edit", &log, 0, 0, 50, 20);
    parent.AddWidget(&edit);
    manager.AddWidget(&parent);
    manager.SetFocus(&edit);
    parent.SetDisabled(true);
    EXPECT_FALSE(manager.KeyDown(KEYCODE_A));
    EXPECT_FALSE(manager.KeyChar(L'a'));
    parent.SetDisabled(false);
    EXPECT_TRUE(manager.KeyDown(KEYCODE_A));
    EXPECT_EQ(Filter(log, "edit.key"), EventLog{"edit.key(65)"});
}

TEST_F(WidgetFocus, FocusMovedOnInsideLostFocusEndsOnTheLastRequest)
{
    ProbeWidget a("a", &log, 0, 0, 10, 10);
    ProbeWidget b("b", &log, 10, 0, 10, 10);
    ProbeWidget c("c", &log, 20, 0, 10, 10);
    manager.AddWidget(&a);
    manager.AddWidget(&b);
    manager.AddWidget(&c);
    manager.SetFocus(&a);
    a.onLostFocus = [&] { manager.SetFocus(&c); };
    log.clear();
    manager.SetFocus(&b);
    EXPECT_EQ(manager.GetFocusWidget(), &c);
    EXPECT_FALSE(a.mHasFocus);
    EXPECT_FALSE(b.mHasFocus);
    EXPECT_TRUE(c.mHasFocus);
    EXPECT_EQ(log, (EventLog{"a.lostfocus", "c.gotfocus"}));
}

// A view filling the window, a dialog made modal on it, and a control that the dialog puts
// into the manager itself (in front of the dialog, as dialogs add their controls).
class WidgetModal : public WidgetFocus
{
protected:
    void SetUp() override
    {
        manager.AddWidget(&view);
        manager.AddWidget(&dialog);
        manager.SetFocus(&view);
        manager.AddBaseModal(&dialog);
        manager.AddWidget(&control);
        log.clear();
    }

    ProbeWidget view{"view", &log, 0, 0, 200, 200};
    ProbeWidget dialog{"dialog", &log, 50, 50, 100, 100};
    ProbeWidget control{"control", &log, 60, 60, 10, 10};
};

TEST_F(WidgetModal, OnlyTheModalLayerTakesInput)
{
    EXPECT_EQ(manager.GetBaseModal(), &dialog);
    EXPECT_FALSE(manager.MouseDown(10, 10, WidgetManager::BUTTON_LEFT));
    manager.MouseUp(10, 10, WidgetManager::BUTTON_LEFT);
    EXPECT_TRUE(manager.MouseDown(55, 55, WidgetManager::BUTTON_LEFT));
    manager.MouseUp(55, 55, WidgetManager::BUTTON_LEFT);
    now += 1000;
    EXPECT_TRUE(manager.MouseDown(61, 61, WidgetManager::BUTTON_LEFT));
    manager.MouseUp(61, 61, WidgetManager::BUTTON_LEFT);
    EXPECT_TRUE(Filter(log, "view.").empty());
    EXPECT_EQ(Filter(log, "dialog.down"), EventLog{"dialog.down(5,5,1)"});
    EXPECT_EQ(Filter(log, "control.down"), EventLog{"control.down(1,1,1)"});

    // The focus moved to the dialog; a widget behind the layer gets no keys even when focused.
    EXPECT_EQ(manager.GetFocusWidget(), &dialog);
    EXPECT_TRUE(manager.KeyDown(KEYCODE_RETURN));
    manager.SetFocus(&view);
    EXPECT_FALSE(manager.KeyDown(KEYCODE_RETURN));
    EXPECT_FALSE(manager.IsInModalLayer(&view));
    EXPECT_TRUE(manager.IsInModalLayer(&control));
    EXPECT_EQ(Filter(log, "dialog.key"), EventLog{"dialog.key(13)"});
    EXPECT_TRUE(Filter(log, "view.key").empty());
}

TEST_F(WidgetModal, EndingTheModalGivesTheFocusBack)
{
    manager.SetFocus(&control);
    manager.RemoveBaseModal(&dialog);
    EXPECT_EQ(manager.GetBaseModal(), nullptr);
    EXPECT_EQ(manager.GetFocusWidget(), &view);
    EXPECT_TRUE(manager.MouseDown(10, 10, WidgetManager::BUTTON_LEFT));
    EXPECT_EQ(Filter(log, "view.down"), EventLog{"view.down(10,10,1)"});
}

TEST_F(WidgetModal, DeletingTheModalWidgetEndsTheModalAndGivesTheFocusBack)
{
    auto extra = std::make_unique<ProbeWidget>("extra", &log, 0, 0, 20, 20);
    manager.AddWidget(extra.get());
    manager.AddBaseModal(extra.get());
    EXPECT_EQ(manager.GetBaseModal(), extra.get());
    EXPECT_EQ(manager.GetFocusWidget(), extra.get()); // the dialog is behind the new layer now

    extra.reset();
    EXPECT_EQ(manager.GetBaseModal(), &dialog);
    EXPECT_EQ(manager.GetFocusWidget(), &dialog);

    // The dialog leaves, taking its control along as dialogs do in their removal hook.
    dialog.onRemoved = [&] { manager.RemoveWidget(&control); };
    manager.RemoveWidget(&dialog);
    EXPECT_EQ(manager.GetBaseModal(), nullptr);
    EXPECT_EQ(manager.GetFocusWidget(), &view);
    EXPECT_TRUE(view.mHasFocus);
}

TEST_F(WidgetModal, HoverBehindANewModalIsLeft)
{
    manager.RemoveBaseModal(&dialog);
    manager.MouseMove(10, 10);
    EXPECT_EQ(manager.GetOverWidget(), &view);
    manager.AddBaseModal(&dialog);
    EXPECT_EQ(manager.GetOverWidget(), nullptr);
    EXPECT_FALSE(view.mIsOver);
    EXPECT_EQ(Filter(log, "view.leave").size(), 1u);
}

TEST_F(WidgetModal, ModalOutsideTheTreeIsIgnored)
{
    ProbeWidget loose("loose", &log, 0, 0, 10, 10);
    manager.AddBaseModal(&loose);
    EXPECT_EQ(manager.GetBaseModal(), &dialog);
    manager.RemoveBaseModal(&loose);
    EXPECT_EQ(manager.GetBaseModal(), &dialog);
}

} // namespace
