// A widget that writes every event it gets into a shared log ("name.event(args)") and runs
// optional actions from its handlers, for the widget tree tests.
#pragma once

#include "pop/Graphics.h"
#include "pop/WidgetManager.h"

#include <functional>
#include <string>
#include <vector>

namespace widgettest
{

using EventLog = std::vector<std::string>;

class ProbeWidget : public Sexy::Widget
{
public:
    ProbeWidget(std::string name, EventLog* log, int x = 0, int y = 0, int w = 0, int h = 0)
        : mName(std::move(name)), mLog(log)
    {
        Resize(x, y, w, h);
    }

    std::string mName;
    EventLog* mLog;
    // Runs after the event is logged.
    std::function<void()> onDown, onUp, onDrag, onEnter, onLeave, onMove, onUpdate, onDraw, onKey, onLostFocus,
        onGotFocus, onRemoved;
    std::function<bool(int, int)> pointVisible;
    // AddedToManager and RemovedFromManager are logged only when asked for.
    bool logHooks = false;
    // Draw fills the rectangle (fillRect, own coordinates; the whole widget when empty) with
    // fillColor when set; DrawOverlay fills overlayRect with overlayColor.
    bool fill = false;
    Sexy::Color fillColor;
    Sexy::Rect fillRect;
    Sexy::Color overlayColor;
    Sexy::Rect overlayRect;

    void Log(const std::string& what) { mLog->push_back(mName + "." + what); }
    static std::string Args(int a, int b) { return "(" + std::to_string(a) + "," + std::to_string(b) + ")"; }
    static std::string Args(int a, int b, int c)
    {
        return "(" + std::to_string(a) + "," + std::to_string(b) + "," + std::to_string(c) + ")";
    }

    void MouseEnter() override
    {
        Log("enter");
        Run(onEnter);
    }
    void MouseLeave() override
    {
        Log("leave");
        Run(onLeave);
    }
    void MouseMove(int x, int y) override
    {
        Log("move" + Args(x, y));
        Run(onMove);
    }
    void MouseDown(int x, int y, int clickCount) override
    {
        Log("down" + Args(x, y, clickCount));
        Run(onDown);
    }
    using Sexy::Widget::MouseDown;
    void MouseUp(int x, int y, int clickCount) override
    {
        Log("up" + Args(x, y, clickCount));
        Run(onUp);
    }
    using Sexy::Widget::MouseUp;
    void MouseDrag(int x, int y) override
    {
        Log("drag" + Args(x, y));
        Run(onDrag);
    }
    void MouseWheel(int delta) override { Log("wheel(" + std::to_string(delta) + ")"); }
    void KeyDown(Sexy::KeyCode key) override
    {
        Log("key(" + std::to_string(static_cast<int>(key)) + ")");
        Run(onKey);
    }
    void KeyUp(Sexy::KeyCode key) override { Log("keyup(" + std::to_string(static_cast<int>(key)) + ")"); }
    void KeyChar(Sexy::SexyChar ch) override { Log("char(" + std::to_string(static_cast<int>(ch)) + ")"); }
    void GotFocus() override
    {
        Log("gotfocus");
        Run(onGotFocus);
    }
    void LostFocus() override
    {
        Log("lostfocus");
        Run(onLostFocus);
    }
    void Update() override
    {
        Log("update");
        Run(onUpdate);
    }
    void Draw(Sexy::Graphics* g) override
    {
        Log("draw");
        if (fill)
        {
            g->SetColor(fillColor);
            g->FillRect(fillRect.IsEmpty() ? Sexy::Rect(0, 0, mWidth, mHeight) : fillRect);
        }
        Run(onDraw);
    }
    void DrawOverlay(Sexy::Graphics* g, int priority) override
    {
        Log("overlay(" + std::to_string(priority) + ")");
        g->SetColor(overlayColor);
        g->FillRect(overlayRect);
    }
    bool IsPointVisible(int x, int y) override { return pointVisible ? pointVisible(x, y) : true; }
    void AddedToManager(Sexy::WidgetManager* manager) override
    {
        if (logHooks)
            Log("added");
        Sexy::Widget::AddedToManager(manager);
    }
    void RemovedFromManager(Sexy::WidgetManager* manager) override
    {
        if (logHooks)
            Log("removed");
        Sexy::Widget::RemovedFromManager(manager);
        Run(onRemoved);
    }

private:
    // The handler may delete this widget; the action is copied first so it outlives that.
    static void Run(const std::function<void()>& action)
    {
        if (action)
        {
            std::function<void()> copy = action;
            copy();
        }
    }
};

// The log entries that start with a prefix ("A." for one widget), in order.
inline EventLog Filter(const EventLog& log, const std::string& prefix)
{
    EventLog out;
    for (const std::string& e : log)
        if (e.compare(0, prefix.size(), prefix) == 0)
            out.push_back(e);
    return out;
}

// A manager covering a 200 x 200 window with a clock the test sets.
struct ManagerFixture
{
    ManagerFixture()
    {
        manager.Resize(0, 0, 200, 200);
        manager.SetClock([this] { return now; });
    }
    Sexy::WidgetManager manager;
    uint32_t now = 1000;
    EventLog log;
};

} // namespace widgettest
