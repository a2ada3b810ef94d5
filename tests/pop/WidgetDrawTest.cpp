// Drawing through the widget manager: order, translation and clip per widget, deferred
// overlays, the dirty flag, and the per-widget colour list.
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

class WidgetDraw : public ::testing::Test, public widgettest::ManagerFixture
{
protected:
    void Draw()
    {
        screen.Clear();
        Graphics g(&screen);
        manager.DrawScreen(&g);
    }
    uint32_t At(int x, int y) const { return screen.GetPixelARGB(x, y); }

    MemoryImage screen{100, 100};
    const uint32_t kNone = 0;
    const uint32_t kRed = Color::Red.ToARGB();
    const uint32_t kGreen = Color::Green.ToARGB();
    const uint32_t kBlue = Color::Blue.ToARGB();
    const uint32_t kYellow = Color::Yellow.ToARGB();
};

ProbeWidget* Filled(ProbeWidget* w, const Color& color, Rect rect = Rect())
{
    w->fill = true;
    w->fillColor = color;
    w->fillRect = rect;
    return w;
}

TEST_F(WidgetDraw, WidgetsDrawBackToFrontTranslatedAndClipped)
{
    ProbeWidget parent("parent", &log, 10, 10, 50, 50);
    ProbeWidget child("child", &log, 5, 5, 10, 10);
    ProbeWidget sibling("sibling", &log, 40, 40, 40, 40);
    ProbeWidget hidden("hidden", &log, 0, 0, 100, 100);
    Filled(&parent, Color::Red);
    Filled(&child, Color::Green, Rect(-5, -5, 30, 30)); // larger than the child
    Filled(&sibling, Color::Blue);
    Filled(&hidden, Color::Yellow);
    parent.AddWidget(&child);
    manager.AddWidget(&parent);
    manager.AddWidget(&sibling);
    manager.AddWidget(&hidden);
    hidden.SetVisible(false);

    Draw();
    EXPECT_EQ(log, (EventLog{"parent.draw", "child.draw", "sibling.draw"}));
    EXPECT_EQ(At(5, 5), kNone);
    EXPECT_EQ(At(12, 12), kRed);
    EXPECT_EQ(At(14, 14), kRed); // the child's fill is clipped to the child
    EXPECT_EQ(At(15, 15), kGreen);
    EXPECT_EQ(At(24, 24), kGreen);
    EXPECT_EQ(At(25, 25), kRed);
    EXPECT_EQ(At(45, 45), kBlue); // the later sibling covers the parent
    EXPECT_EQ(At(79, 79), kBlue);
    EXPECT_EQ(At(81, 81), kNone);

    // Without its own clip the child still stays inside its parent.
    child.mClip = false;
    Draw();
    EXPECT_EQ(At(12, 12), kGreen);
    EXPECT_EQ(At(9, 9), kNone);
    EXPECT_EQ(At(39, 39), kGreen);
    EXPECT_EQ(At(42, 20), kRed);
}

TEST_F(WidgetDraw, GraphicsStateOfOneWidgetDoesNotLeakIntoTheNext)
{
    ProbeWidget messy("messy", &log, 0, 0, 10, 10);
    ProbeWidget next("next", &log, 50, 50, 10, 10);
    Filled(&next, Color::Green);
    manager.AddWidget(&messy);
    manager.AddWidget(&next);

    Graphics g(&screen);
    messy.onDraw = [&]
    {
        g.Translate(20, 20);
        g.SetColor(Color::Red);
        g.ClipRect(0, 0, 1, 1);
    };
    manager.DrawScreen(&g);
    EXPECT_EQ(At(50, 50), kGreen);
    EXPECT_EQ(At(59, 59), kGreen);
    EXPECT_EQ(g.mTransX, 0);
    EXPECT_EQ(g.GetClipRect(), Rect(0, 0, 100, 100));
}

TEST_F(WidgetDraw, OverlaysComeAfterAllWidgetsInRisingPriority)
{
    ProbeWidget a("a", &log, 0, 0, 20, 20);
    ProbeWidget b("b", &log, 50, 50, 20, 20);
    ProbeWidget c("c", &log, 0, 50, 20, 20);
    a.onDraw = [&] { a.DeferOverlay(2); };
    b.onDraw = [&]
    {
        b.DeferOverlay(0);
        b.DeferOverlay(2);
    };
    c.onDraw = [&] { c.DeferOverlay(-1); };
    // b's overlay reaches outside b, above c which is drawn later.
    b.overlayColor = Color::Yellow;
    b.overlayRect = Rect(-15, -15, 10, 10);
    Filled(&c, Color::Blue, Rect(-10, -20, 50, 50));
    c.mClip = false;
    manager.AddWidget(&a);
    manager.AddWidget(&b);
    manager.AddWidget(&c);

    Draw();
    EXPECT_EQ(
        log, (EventLog{"a.draw", "b.draw", "c.draw", "c.overlay(-1)", "b.overlay(0)", "a.overlay(2)", "b.overlay(2)"}));
    EXPECT_EQ(At(37, 37), kYellow);
    EXPECT_EQ(At(37, 47), kBlue);
}

TEST_F(WidgetDraw, OverlayRequestsAreServedOnce)
{
    ProbeWidget a("a", &log, 10, 10, 20, 20);
    ProbeWidget hidden("hidden", &log, 10, 10, 20, 20);
    manager.AddWidget(&a);
    manager.AddWidget(&hidden);
    hidden.SetVisible(false);
    a.DeferOverlay(3);      // outside a frame: served by the next one
    hidden.DeferOverlay(3); // hidden by then: not drawn
    Draw();
    Draw();
    EXPECT_EQ(Filter(log, "a.overlay"), EventLog{"a.overlay(3)"});
    EXPECT_TRUE(Filter(log, "hidden.overlay").empty());

    ProbeWidget loose("loose", &log, 0, 0, 10, 10);
    loose.DeferOverlay(1); // not in a tree: nowhere to go
    Draw();
    EXPECT_TRUE(Filter(log, "loose.overlay").empty());
}

TEST_F(WidgetDraw, WidgetsDeletedWhileDrawingAreSkipped)
{
    auto a = std::make_unique<ProbeWidget>("a", &log, 0, 0, 10, 10);
    auto aChild = std::make_unique<ProbeWidget>("achild", &log, 0, 0, 5, 5);
    auto b = std::make_unique<ProbeWidget>("b", &log, 0, 0, 10, 10);
    auto c = std::make_unique<ProbeWidget>("c", &log, 0, 0, 10, 10);
    a->AddWidget(aChild.get());
    manager.AddWidget(a.get());
    manager.AddWidget(b.get());
    manager.AddWidget(c.get());

    // a asks for an overlay and deletes c; b then deletes a (with its child) before the overlays.
    a->onDraw = [&]
    {
        a->DeferOverlay(0);
        c.reset();
    };
    b->onDraw = [&]
    {
        aChild.reset();
        a.reset();
    };
    Draw();
    EXPECT_EQ(log, (EventLog{"a.draw", "achild.draw", "b.draw"}));

    // A widget deleting itself in Draw: its children are not drawn.
    log.clear();
    auto d = std::make_unique<ProbeWidget>("d", &log, 0, 0, 10, 10);
    ProbeWidget dChild("dchild", &log, 0, 0, 5, 5);
    d->AddWidget(&dChild);
    manager.AddWidget(d.get());
    d->onDraw = [&] { d.reset(); };
    Draw();
    EXPECT_EQ(log, (EventLog{"b.draw", "d.draw"}));
    EXPECT_EQ(dChild.mParent, nullptr);
}

TEST_F(WidgetDraw, DirtyFlagReachesTheManagerAndIsClearedByDrawing)
{
    ProbeWidget parent("parent", &log, 0, 0, 50, 50);
    ProbeWidget child("child", &log, 0, 0, 10, 10);
    parent.AddWidget(&child);
    manager.AddWidget(&parent);
    EXPECT_TRUE(manager.IsDirty());
    Draw();
    EXPECT_FALSE(manager.IsDirty());
    EXPECT_FALSE(child.mDirty);

    child.MarkDirty();
    EXPECT_TRUE(child.mDirty);
    EXPECT_TRUE(manager.IsDirty());
    Draw();
    EXPECT_FALSE(manager.IsDirty());

    child.Resize(1, 1, 10, 10);
    EXPECT_TRUE(manager.IsDirty());
    Draw();
    child.Resize(1, 1, 10, 10); // no change
    EXPECT_FALSE(manager.IsDirty());
    child.SetVisible(false);
    EXPECT_TRUE(manager.IsDirty());
    Draw();

    // An animation asking for the next frame from its Draw keeps the screen dirty.
    parent.onDraw = [&] { parent.MarkDirty(); };
    Draw();
    EXPECT_TRUE(manager.IsDirty());
}

TEST(WidgetColors, ColourListFromTablesAndSingleEntries)
{
    Widget w;
    int rgb[2][3] = {{1, 2, 3}, {4, 5, 6}};
    w.SetColors(rgb, 2);
    EXPECT_EQ(w.GetColor(1), Color(4, 5, 6));
    EXPECT_EQ(w.GetColor(2), Color::Black);
    EXPECT_EQ(w.GetColor(-1, Color::White), Color::White);

    int rgba[1][4] = {{7, 8, 9, 10}};
    w.SetColors(rgba, 1);
    ASSERT_EQ(w.mColors.size(), 1u);
    EXPECT_EQ(w.GetColor(0), Color(7, 8, 9, 10));
    EXPECT_EQ(w.GetColor(1, Color::Red), Color::Red);

    w.SetColor(3, Color::Green);
    ASSERT_EQ(w.mColors.size(), 4u);
    EXPECT_EQ(w.GetColor(2, Color::White), Color::Black);
    EXPECT_EQ(w.GetColor(3), Color::Green);
    w.SetColor(-1, Color::Green);
    EXPECT_EQ(w.mColors.size(), 4u);
}

} // namespace
