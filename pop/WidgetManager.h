// The root of the widget tree. The application owns one, sized to its window, feeds it the
// window's input, calls UpdateFrame once per frame and DrawScreen when IsDirty.
//
// Routing:
// - Mouse moves, presses and wheel turns go to the topmost widget under the pointer that takes the
//   mouse (see WidgetContainer::FindWidgetAt). Only one widget is "over" at a time; it gets
//   MouseEnter and MouseLeave as that changes.
// - A press captures the mouse for the widget under it until every button is up again: moves are
//   MouseDrag to it and releases MouseUp to it, wherever the pointer is; presses of other buttons
//   meanwhile go to it too. While captured, only that widget gets MouseEnter/MouseLeave.
// - A press does not move the focus; widgets that want keys call SetFocus themselves.
// - Keys and characters go to the focused widget, if it is enabled and inside the modal layer.
// - The wheel goes to the captured widget, else the widget under the pointer, else the focus.
//
// Modal layer: AddBaseModal(w) makes w's top-level widget (w itself, for a dialog added to the
// manager) the lowest top-level widget that gets the mouse; it and every top-level widget in front
// of it (including ones added later, such as a dialog's controls added to the manager) are the
// layer, everything behind is cut off from mouse and keys. Modals stack; the last one added counts.
// A focus outside the layer moves to the modal widget and comes back when it is removed from the
// stack (RemoveBaseModal, or its leaving the tree).
//
// The manager holds plain pointers only; a widget leaving the tree is forgotten at once (see
// pop/Widget.h). Handlers may add, remove or delete widgets, themselves included, at any time.
#pragma once

#include "pop/Widget.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace Sexy
{

class WidgetManager : public WidgetContainer
{
public:
    WidgetManager();
    // Removes every top-level widget (without deleting it).
    ~WidgetManager() override;

    // Mouse buttons as the manager's input takes them.
    enum MouseButton
    {
        BUTTON_LEFT = 0,
        BUTTON_RIGHT = 1,
        BUTTON_MIDDLE = 2,
    };

    // Milliseconds, for double clicks. The default is platform::TickCount; tests set their own.
    using Clock = std::function<uint32_t()>;
    void SetClock(Clock clock);

    // A second press of the same button on the same widget within this time and distance (after a
    // single click) is a double click.
    uint32_t mDoubleClickTime = 400;
    int mDoubleClickDistance = 4;

    // Frames.
    // Calls Update on every widget in the tree, parents before children and back to front, and
    // refreshes which widget the mouse is over.
    void UpdateFrame();
    int GetUpdateCount() const { return mUpdateCnt; }
    // Draws the visible widgets back to front: each one translated to its place and, with mClip,
    // clipped to its rectangle, its children after it inside the same translation and clip. Then
    // the deferred overlays. Clears the dirty flags.
    void DrawScreen(Graphics* g);
    bool IsDirty() const { return mDirty; }
    // Called by Widget::DeferOverlay.
    void DeferOverlay(Widget* widget, int priority);

    // Focus. Null clears it. Only widgets in this tree can have it.
    void SetFocus(Widget* widget);
    Widget* GetFocusWidget() const { return mFocusWidget; }

    // Input in window coordinates. Each returns true when a widget received the event.
    bool MouseMove(int x, int y);
    bool MouseDown(int x, int y, int button);
    bool MouseUp(int x, int y, int button);
    bool MouseWheel(int delta);
    // The pointer left the window.
    void MouseExit();
    bool KeyDown(KeyCode key);
    bool KeyUp(KeyCode key);
    bool KeyChar(SexyChar ch);

    // The widget that would take the mouse at a window point (the modal layer counts), or null.
    Widget* GetWidgetAt(int x, int y, int* localX = nullptr, int* localY = nullptr);
    Widget* GetOverWidget() const { return mOverWidget; }
    Widget* GetCaptureWidget() const { return mCaptureWidget; }
    bool IsMouseButtonDown(int button) const;
    int GetMouseX() const { return mLastMouseX; }
    int GetMouseY() const { return mLastMouseY; }
    // The hand cursor fits: the widget the mouse is over (or the captured one) has mDoFinger.
    bool WantsHandCursor() const;
    // The cursor that widget asks for: its mOverCursor when set, else the hand (1) when it wants
    // the hand cursor, else the pointer (0).
    int WantedCursor() const;

    // Modal layer (see above). AddBaseModal ignores widgets outside this tree and widgets already
    // stacked; RemoveBaseModal ignores widgets not stacked.
    void AddBaseModal(Widget* widget);
    void RemoveBaseModal(Widget* widget);
    Widget* GetBaseModal() const;
    // Whether the widget is in the tree and inside the modal layer (always, without a modal).
    bool IsInModalLayer(const Widget* widget) const;

private:
    friend class WidgetContainer;
    friend class Widget;

    // A list of widget pointers that the manager clears (sets to null) when a widget leaves the
    // tree, so a walk over widgets survives handlers that remove or delete them.
    class WatchList;

    struct ModalEntry
    {
        Widget* widget;
        Widget* focusBefore;
    };
    struct Overlay
    {
        Widget* widget;
        int priority;
    };

    // Removal from the tree, for WidgetContainer::DetachChild.
    void DetachFromTree(WidgetContainer* parent, Widget* widget, bool dying);
    void ForgetSubtree(Widget* root, std::vector<Widget*>& restore);
    void ForgetOne(Widget* widget, std::vector<Widget*>& restore, bool watches);
    void ReleaseSubtree(Widget* root);
    // A widget already out of its parent (during its RemovedFromManager) is being destroyed.
    void WidgetDestroyedWhileLeaving(Widget* widget);

    void UpdateTree(WidgetContainer* container);
    void DrawTree(Graphics* g, WidgetContainer* container);
    void SetOverWidget(Widget* widget);
    void RefreshOver();
    void UpdateCaptureOver(bool over);
    bool DragTo(int x, int y);
    Widget* KeyTarget() const;
    const Widget* TopLevelOf(const Widget* widget) const;
    Point LocalPoint(const Widget* widget, int x, int y) const;
    void RemoveModalEntry(size_t index, std::vector<Widget*>& restore);

    Clock mClock;

    Widget* mFocusWidget = nullptr;
    Widget* mOverWidget = nullptr;
    Widget* mCaptureWidget = nullptr;

    int mLastMouseX = 0;
    int mLastMouseY = 0;
    bool mMouseIn = false;
    unsigned mDownButtons = 0;
    int mDownClickCount[3] = {0, 0, 0};

    Widget* mLastClickWidget = nullptr;
    int mLastClickButton = -1;
    int mLastClickCount = 0;
    uint32_t mLastClickTime = 0;
    int mLastClickX = 0;
    int mLastClickY = 0;

    std::vector<ModalEntry> mModalStack;
    std::vector<Overlay> mOverlays;
    std::vector<Overlay> mDrawingOverlays;
    std::vector<WatchList*> mWatchLists;
};

} // namespace Sexy
