#include "pop/WidgetManager.h"

#include "platform/Tick.h"
#include "pop/Graphics.h"

#include <algorithm>
#include <cstdlib>

namespace Sexy
{

// Registered with the manager for its lifetime; ForgetOne clears the entries of a widget that
// leaves the tree.
class WidgetManager::WatchList
{
public:
    explicit WatchList(WidgetManager* manager) : mManager(manager) { mManager->mWatchLists.push_back(this); }
    ~WatchList()
    {
        auto& lists = mManager->mWatchLists;
        lists.erase(std::find(lists.begin(), lists.end(), this));
    }
    WatchList(const WatchList&) = delete;
    WatchList& operator=(const WatchList&) = delete;

    std::vector<Widget*> items;

private:
    WidgetManager* mManager;
};

namespace
{

bool IsWithin(const WidgetContainer* widget, const WidgetContainer* ancestor)
{
    for (const WidgetContainer* c = widget; c != nullptr; c = c->mParent)
        if (c == ancestor)
            return true;
    return false;
}

bool IsEnabledChain(const Widget* widget)
{
    for (const WidgetContainer* c = widget; c != nullptr; c = c->mParent)
    {
        if (c == c->mWidgetManager)
            break;
        if (static_cast<const Widget*>(c)->mDisabled)
            return false;
    }
    return true;
}

Widget* FocusHolderIn(Widget* root)
{
    if (root->mHasFocus)
        return root;
    for (Widget* child : root->mWidgets)
        if (Widget* holder = FocusHolderIn(child))
            return holder;
    return nullptr;
}

void ClearDirtyFlags(WidgetContainer* container)
{
    container->mDirty = false;
    for (Widget* child : container->mWidgets)
        ClearDirtyFlags(child);
}

} // namespace

WidgetManager::WidgetManager() : mClock([] { return platform::TickCount(); })
{
    mWidgetManager = this;
}

WidgetManager::~WidgetManager()
{
    RemoveAllWidgets();
    mWidgetManager = nullptr;
}

void WidgetManager::SetClock(Clock clock)
{
    mClock = std::move(clock);
}

// ---------------------------------------------------------------------------------------------
// Leaving the tree

void WidgetManager::DetachFromTree(WidgetContainer* parent, Widget* widget, bool dying)
{
    parent->mWidgets.remove(widget);
    widget->mParent = nullptr;

    // The focus holder keeps mHasFocus until it is told, after the removal hooks.
    Widget* lostFocus = FocusHolderIn(widget);
    std::vector<Widget*> restore;
    ForgetSubtree(widget, restore);
    restore.erase(std::remove_if(restore.begin(), restore.end(), [widget](Widget* w) { return IsWithin(w, widget); }),
                  restore.end());

    // From here on handlers run; whatever they remove or delete is cleared from the watch list.
    WatchList watch(this);
    watch.items.push_back(widget);
    watch.items.push_back(lostFocus);
    watch.items.insert(watch.items.end(), restore.begin(), restore.end());

    widget->RemovedFromManager(this);

    // Unless the hook destroyed it or put it back into a tree, the subtree now leaves for good.
    if (watch.items[0] != nullptr && widget->mParent == nullptr)
        ReleaseSubtree(widget);

    Widget* hadFocus = watch.items[1];
    if (hadFocus != nullptr && hadFocus->mHasFocus)
    {
        hadFocus->mHasFocus = false;
        if (!(dying && hadFocus == widget))
            hadFocus->LostFocus();
    }

    if (mFocusWidget == nullptr)
    {
        for (size_t i = 2; i < watch.items.size(); ++i)
        {
            Widget* w = watch.items[i];
            if (w != nullptr && w->mWidgetManager == this)
            {
                SetFocus(w);
                break;
            }
        }
    }
    MarkDirty();
}

void WidgetManager::ForgetSubtree(Widget* root, std::vector<Widget*>& restore)
{
    ForgetOne(root, restore, true);
    for (Widget* child : root->mWidgets)
        ForgetSubtree(child, restore);
}

void WidgetManager::ForgetOne(Widget* widget, std::vector<Widget*>& restore, bool watches)
{
    if (mFocusWidget == widget)
        mFocusWidget = nullptr;
    if (mOverWidget == widget)
    {
        mOverWidget = nullptr;
        widget->mIsOver = false;
    }
    if (mCaptureWidget == widget)
    {
        mCaptureWidget = nullptr;
        widget->mIsDown = false;
    }
    if (mLastClickWidget == widget)
        mLastClickWidget = nullptr;

    for (ModalEntry& entry : mModalStack)
        if (entry.focusBefore == widget)
            entry.focusBefore = nullptr;
    for (size_t i = mModalStack.size(); i-- > 0;)
        if (mModalStack[i].widget == widget)
            RemoveModalEntry(i, restore);

    for (Overlay& overlay : mOverlays)
        if (overlay.widget == widget)
            overlay.widget = nullptr;
    for (Overlay& overlay : mDrawingOverlays)
        if (overlay.widget == widget)
            overlay.widget = nullptr;

    if (watches)
    {
        for (WatchList* list : mWatchLists)
            for (Widget*& item : list->items)
                if (item == widget)
                    item = nullptr;
    }
}

void WidgetManager::ReleaseSubtree(Widget* root)
{
    std::vector<Widget*> ignored;
    ForgetOne(root, ignored, false);
    root->mWidgetManager = nullptr;
    for (Widget* child : root->mWidgets)
        ReleaseSubtree(child);
}

void WidgetManager::WidgetDestroyedWhileLeaving(Widget* widget)
{
    // Its children outlive it and are still looked after by the removal under way.
    std::vector<Widget*> ignored;
    ForgetOne(widget, ignored, true);
    widget->mWidgetManager = nullptr;
    for (Widget* child : widget->mWidgets)
        ReleaseSubtree(child);
}

void WidgetManager::RemoveModalEntry(size_t index, std::vector<Widget*>& restore)
{
    ModalEntry entry = mModalStack[index];
    mModalStack.erase(mModalStack.begin() + static_cast<std::ptrdiff_t>(index));
    if (index == mModalStack.size())
    {
        if (entry.focusBefore != nullptr)
            restore.push_back(entry.focusBefore);
    }
    else if (mModalStack[index].focusBefore == nullptr)
    {
        // The modal above inherits the focus to go back to.
        mModalStack[index].focusBefore = entry.focusBefore;
    }
}

// ---------------------------------------------------------------------------------------------
// Frames

void WidgetManager::UpdateFrame()
{
    ++mUpdateCnt;
    UpdateTree(this);
    RefreshOver();
}

void WidgetManager::UpdateTree(WidgetContainer* container)
{
    WatchList list(this);
    list.items.assign(container->mWidgets.begin(), container->mWidgets.end());
    for (size_t i = 0; i < list.items.size(); ++i)
    {
        Widget* w = list.items[i];
        if (w == nullptr)
            continue;
        ++w->mUpdateCnt;
        w->Update();
        if (list.items[i] != nullptr)
            UpdateTree(w);
    }
}

void WidgetManager::DrawScreen(Graphics* g)
{
    if (g == nullptr)
        return;
    // Cleared first, so that a widget asking for another frame while drawing gets it.
    ClearDirtyFlags(this);
    DrawTree(g, this);

    mDrawingOverlays.swap(mOverlays);
    mOverlays.clear();
    std::stable_sort(mDrawingOverlays.begin(), mDrawingOverlays.end(),
                     [](const Overlay& a, const Overlay& b) { return a.priority < b.priority; });
    for (size_t i = 0; i < mDrawingOverlays.size(); ++i)
    {
        Widget* w = mDrawingOverlays[i].widget;
        if (w == nullptr || !w->mVisible)
            continue;
        Point pos = w->GetAbsPos();
        g->PushState();
        g->Translate(pos.mX, pos.mY);
        w->DrawOverlay(g, mDrawingOverlays[i].priority);
        g->PopState();
    }
    mDrawingOverlays.clear();
}

void WidgetManager::DrawTree(Graphics* g, WidgetContainer* container)
{
    WatchList list(this);
    list.items.assign(container->mWidgets.begin(), container->mWidgets.end());
    for (size_t i = 0; i < list.items.size(); ++i)
    {
        Widget* w = list.items[i];
        if (w == nullptr || !w->mVisible)
            continue;
        g->PushState();
        g->Translate(w->mX, w->mY);
        if (w->mClip)
            g->ClipRect(0, 0, w->mWidth, w->mHeight);
        w->Draw(g);
        if (list.items[i] != nullptr)
            DrawTree(g, w);
        g->PopState();
    }
}

void WidgetManager::DeferOverlay(Widget* widget, int priority)
{
    if (widget != nullptr && TopLevelOf(widget) != nullptr)
        mOverlays.push_back(Overlay{widget, priority});
}

// ---------------------------------------------------------------------------------------------
// Focus

void WidgetManager::SetFocus(Widget* widget)
{
    if (widget != nullptr && TopLevelOf(widget) == nullptr)
        return; // not (or no longer) connected to this root
    if (widget == mFocusWidget)
        return;
    WatchList watch(this);
    watch.items.push_back(widget);
    Widget* old = mFocusWidget;
    mFocusWidget = widget;
    // A widget whose GotFocus has not come yet (focus moved on from inside a LostFocus) gets no
    // LostFocus either.
    if (old != nullptr && old->mHasFocus)
    {
        old->mHasFocus = false;
        old->LostFocus();
    }
    widget = watch.items[0];
    if (widget != nullptr && mFocusWidget == widget)
    {
        widget->mHasFocus = true;
        widget->GotFocus();
    }
}

// ---------------------------------------------------------------------------------------------
// Mouse

Point WidgetManager::LocalPoint(const Widget* widget, int x, int y) const
{
    Point pos = widget->GetAbsPos();
    return Point(x - pos.mX, y - pos.mY);
}

Widget* WidgetManager::GetWidgetAt(int x, int y, int* localX, int* localY)
{
    const Widget* floor = TopLevelOf(GetBaseModal());
    return FindWidgetAtAbove(x, y, floor, localX, localY);
}

bool WidgetManager::IsMouseButtonDown(int button) const
{
    return button >= 0 && button <= 2 && (mDownButtons & (1u << button)) != 0;
}

bool WidgetManager::WantsHandCursor() const
{
    const Widget* w = mCaptureWidget != nullptr ? mCaptureWidget : mOverWidget;
    return w != nullptr && w->mIsOver && w->mDoFinger && !w->mDisabled;
}

int WidgetManager::WantedCursor() const
{
    const Widget* w = mCaptureWidget != nullptr ? mCaptureWidget : mOverWidget;
    if (w != nullptr && w->mIsOver && !w->mDisabled && w->mOverCursor != 0)
        return w->mOverCursor;
    return WantsHandCursor() ? 1 : 0;
}

void WidgetManager::SetOverWidget(Widget* widget)
{
    if (widget == mOverWidget)
        return;
    WatchList watch(this);
    watch.items.push_back(widget);
    Widget* old = mOverWidget;
    mOverWidget = nullptr;
    if (old != nullptr)
    {
        old->mIsOver = false;
        old->MouseLeave();
    }
    widget = watch.items[0];
    if (widget != nullptr && mOverWidget == nullptr)
    {
        mOverWidget = widget;
        widget->mIsOver = true;
        widget->MouseEnter();
    }
}

void WidgetManager::UpdateCaptureOver(bool over)
{
    if (over && mOverWidget != mCaptureWidget)
        SetOverWidget(mCaptureWidget);
    else if (!over && mOverWidget != nullptr)
        SetOverWidget(nullptr);
}

void WidgetManager::RefreshOver()
{
    if (mDownButtons != 0)
    {
        if (mCaptureWidget != nullptr)
            UpdateCaptureOver(mMouseIn && GetWidgetAt(mLastMouseX, mLastMouseY) == mCaptureWidget);
        return;
    }
    SetOverWidget(mMouseIn ? GetWidgetAt(mLastMouseX, mLastMouseY) : nullptr);
}

bool WidgetManager::DragTo(int x, int y)
{
    if (mCaptureWidget == nullptr)
        return false;
    UpdateCaptureOver(GetWidgetAt(x, y) == mCaptureWidget);
    Widget* captured = mCaptureWidget;
    if (captured == nullptr)
        return false;
    Point p = LocalPoint(captured, x, y);
    captured->MouseDrag(p.mX, p.mY);
    return true;
}

bool WidgetManager::MouseMove(int x, int y)
{
    mLastMouseX = x;
    mLastMouseY = y;
    mMouseIn = true;
    if (mDownButtons != 0)
        return DragTo(x, y);

    SetOverWidget(GetWidgetAt(x, y));
    Widget* over = mOverWidget;
    if (over == nullptr)
        return false;
    Point p = LocalPoint(over, x, y);
    over->MouseMove(p.mX, p.mY);
    return true;
}

bool WidgetManager::MouseDown(int x, int y, int button)
{
    if (button < BUTTON_LEFT || button > BUTTON_MIDDLE)
        return false;
    if (!mMouseIn || x != mLastMouseX || y != mLastMouseY)
        MouseMove(x, y);
    else if (mDownButtons == 0)
        RefreshOver(); // a widget may have appeared or been enabled under a still pointer

    Widget* target = mDownButtons == 0 ? GetWidgetAt(x, y) : mCaptureWidget;
    if (mDownButtons == 0)
        mCaptureWidget = target;
    mDownButtons |= 1u << button;

    uint32_t now = mClock ? mClock() : 0;
    int count = 1;
    if (mLastClickCount == 1 && button == mLastClickButton && target == mLastClickWidget &&
        now - mLastClickTime <= mDoubleClickTime && std::abs(x - mLastClickX) <= mDoubleClickDistance &&
        std::abs(y - mLastClickY) <= mDoubleClickDistance)
        count = 2;
    mLastClickWidget = target;
    mLastClickButton = button;
    mLastClickCount = count;
    mLastClickTime = now;
    mLastClickX = x;
    mLastClickY = y;

    int clickCount = button == BUTTON_MIDDLE ? 3 : (button == BUTTON_RIGHT ? -count : count);
    mDownClickCount[button] = clickCount;
    if (target == nullptr)
        return false;
    target->mIsDown = true;
    Point p = LocalPoint(target, x, y);
    target->MouseDown(p.mX, p.mY, clickCount);
    return true;
}

bool WidgetManager::MouseUp(int x, int y, int button)
{
    if (!IsMouseButtonDown(button))
        return false;
    if (!mMouseIn || x != mLastMouseX || y != mLastMouseY)
        MouseMove(x, y);

    mDownButtons &= ~(1u << button);
    Widget* captured = mCaptureWidget;
    if (mDownButtons == 0)
    {
        mCaptureWidget = nullptr;
        if (captured != nullptr)
            captured->mIsDown = false;
    }
    bool delivered = false;
    if (captured != nullptr)
    {
        Point p = LocalPoint(captured, x, y);
        captured->MouseUp(p.mX, p.mY, mDownClickCount[button]);
        delivered = true;
    }
    if (mDownButtons == 0)
        RefreshOver();
    return delivered;
}

bool WidgetManager::MouseWheel(int delta)
{
    Widget* target = mCaptureWidget;
    if (target == nullptr && mMouseIn)
        target = GetWidgetAt(mLastMouseX, mLastMouseY);
    if (target == nullptr)
        target = KeyTarget();
    if (target == nullptr)
        return false;
    target->MouseWheel(delta);
    return true;
}

void WidgetManager::MouseExit()
{
    mMouseIn = false;
    RefreshOver();
}

// ---------------------------------------------------------------------------------------------
// Keys

Widget* WidgetManager::KeyTarget() const
{
    Widget* f = mFocusWidget;
    if (f == nullptr || !IsEnabledChain(f) || !IsInModalLayer(f))
        return nullptr;
    return f;
}

bool WidgetManager::KeyDown(KeyCode key)
{
    Widget* target = KeyTarget();
    if (target == nullptr)
        return false;
    target->KeyDown(key);
    return true;
}

bool WidgetManager::KeyUp(KeyCode key)
{
    Widget* target = KeyTarget();
    if (target == nullptr)
        return false;
    target->KeyUp(key);
    return true;
}

bool WidgetManager::KeyChar(SexyChar ch)
{
    Widget* target = KeyTarget();
    if (target == nullptr)
        return false;
    target->KeyChar(ch);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Modal layer

const Widget* WidgetManager::TopLevelOf(const Widget* widget) const
{
    if (widget == nullptr || widget->mWidgetManager != this)
        return nullptr;
    const WidgetContainer* c = widget;
    while (c->mParent != nullptr && c->mParent != this)
        c = c->mParent;
    if (c->mParent != this)
        return nullptr;
    return static_cast<const Widget*>(c);
}

Widget* WidgetManager::GetBaseModal() const
{
    return mModalStack.empty() ? nullptr : mModalStack.back().widget;
}

bool WidgetManager::IsInModalLayer(const Widget* widget) const
{
    const Widget* top = TopLevelOf(widget);
    if (top == nullptr)
        return false;
    const Widget* floor = TopLevelOf(GetBaseModal());
    if (floor == nullptr)
        return true;
    for (auto it = mWidgets.rbegin(); it != mWidgets.rend(); ++it)
    {
        if (*it == top)
            return true;
        if (*it == floor)
            return false;
    }
    return false;
}

void WidgetManager::AddBaseModal(Widget* widget)
{
    if (TopLevelOf(widget) == nullptr)
        return;
    for (const ModalEntry& entry : mModalStack)
        if (entry.widget == widget)
            return;
    mModalStack.push_back(ModalEntry{widget, mFocusWidget});
    if (mFocusWidget == nullptr || !IsInModalLayer(mFocusWidget))
        SetFocus(widget);
    RefreshOver();
    MarkDirty();
}

void WidgetManager::RemoveBaseModal(Widget* widget)
{
    auto it = std::find_if(mModalStack.begin(), mModalStack.end(),
                           [widget](const ModalEntry& e) { return e.widget == widget; });
    if (it == mModalStack.end())
        return;
    size_t index = static_cast<size_t>(it - mModalStack.begin());
    bool wasTop = index + 1 == mModalStack.size();
    bool focusInLayer = wasTop && (mFocusWidget == nullptr || IsInModalLayer(mFocusWidget));
    std::vector<Widget*> restore;
    RemoveModalEntry(index, restore);
    if (focusInLayer && !restore.empty() && restore.front()->mWidgetManager == this)
        SetFocus(restore.front());
    RefreshOver();
    MarkDirty();
}

} // namespace Sexy
