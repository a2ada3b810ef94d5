#include "pop/Widget.h"

#include "pop/Graphics.h"
#include "pop/WidgetManager.h"

#include <algorithm>

namespace Sexy
{

namespace
{

void SetManagerOfSubtree(Widget* root, WidgetManager* manager)
{
    root->mWidgetManager = manager;
    for (Widget* child : root->mWidgets)
        SetManagerOfSubtree(child, manager);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// WidgetContainer

WidgetContainer::WidgetContainer() = default;

WidgetContainer::~WidgetContainer()
{
    while (!mWidgets.empty())
        DetachChild(mWidgets.front(), false);
}

Rect WidgetContainer::GetRect() const
{
    return Rect(mX, mY, mWidth, mHeight);
}

bool WidgetContainer::Contains(int x, int y) const
{
    return x >= mX && x < mX + mWidth && y >= mY && y < mY + mHeight;
}

bool WidgetContainer::Intersects(const WidgetContainer* other) const
{
    return other != nullptr && GetRect().Intersects(other->GetRect());
}

void WidgetContainer::Resize(int x, int y, int width, int height)
{
    if (x == mX && y == mY && width == mWidth && height == mHeight)
        return;
    mX = x;
    mY = y;
    mWidth = width;
    mHeight = height;
    MarkDirty();
}

void WidgetContainer::Resize(const Rect& rect)
{
    Resize(rect.mX, rect.mY, rect.mWidth, rect.mHeight);
}

bool WidgetContainer::IsSelfOrAncestor(const WidgetContainer* other) const
{
    for (const WidgetContainer* c = this; c != nullptr; c = c->mParent)
        if (c == other)
            return true;
    return false;
}

void WidgetContainer::InsertChild(Widget* widget)
{
    // In front of every sibling of the same or a lower priority.
    auto pos = std::find_if(mWidgets.begin(), mWidgets.end(),
                            [widget](const Widget* w) { return w->mPriority > widget->mPriority; });
    mWidgets.insert(pos, widget);
}

void WidgetContainer::AddWidget(Widget* widget)
{
    if (widget == nullptr || widget->mParent == this || IsSelfOrAncestor(widget))
        return;
    if (widget->mParent != nullptr)
        widget->mParent->DetachChild(widget, false);
    if (widget->mParent != nullptr)
        return; // a removal hook put it somewhere else
    InsertChild(widget);
    widget->mParent = this;
    if (mWidgetManager != nullptr)
    {
        SetManagerOfSubtree(widget, mWidgetManager);
        widget->AddedToManager(mWidgetManager);
    }
    MarkDirty();
}

void WidgetContainer::RemoveWidget(Widget* widget)
{
    if (widget != nullptr && widget->mParent == this)
        DetachChild(widget, false);
}

void WidgetContainer::RemoveAllWidgets()
{
    std::vector<Widget*> children(mWidgets.begin(), mWidgets.end());
    for (Widget* child : children)
        if (HasWidget(child))
            DetachChild(child, false);
}

bool WidgetContainer::HasWidget(const Widget* widget) const
{
    return std::find(mWidgets.begin(), mWidgets.end(), widget) != mWidgets.end();
}

void WidgetContainer::DetachChild(Widget* widget, bool dying)
{
    if (!HasWidget(widget))
        return;
    if (widget->mWidgetManager != nullptr)
    {
        widget->mWidgetManager->DetachFromTree(this, widget, dying);
        return;
    }
    mWidgets.remove(widget);
    widget->mParent = nullptr;
    MarkDirty();
}

void WidgetContainer::BringToFront(Widget* widget)
{
    if (widget == nullptr || widget->mParent != this)
        return;
    mWidgets.remove(widget);
    InsertChild(widget);
    MarkDirty();
}

void WidgetContainer::BringToBack(Widget* widget)
{
    if (widget == nullptr || widget->mParent != this)
        return;
    mWidgets.remove(widget);
    auto pos = std::find_if(mWidgets.begin(), mWidgets.end(),
                            [widget](const Widget* w) { return w->mPriority >= widget->mPriority; });
    mWidgets.insert(pos, widget);
    MarkDirty();
}

void WidgetContainer::PutBehind(Widget* widget, Widget* ref)
{
    PlaceNextTo(widget, ref, false);
}

void WidgetContainer::PutInfront(Widget* widget, Widget* ref)
{
    PlaceNextTo(widget, ref, true);
}

void WidgetContainer::PlaceNextTo(Widget* widget, Widget* ref, bool inFront)
{
    if (widget == nullptr || ref == nullptr || widget == ref || widget->mParent != this || ref->mParent != this)
        return;
    // Priority decides first: a widget never moves past one of another priority.
    if (ref->mPriority > widget->mPriority)
        return BringToFront(widget);
    if (ref->mPriority < widget->mPriority)
        return BringToBack(widget);
    mWidgets.remove(widget);
    auto at = std::find(mWidgets.begin(), mWidgets.end(), ref);
    mWidgets.insert(inFront ? std::next(at) : at, widget);
    MarkDirty();
}

void WidgetContainer::SetPriority(int priority)
{
    mPriority = priority;
    if (mParent == nullptr)
        return;
    auto it = std::find_if(mParent->mWidgets.begin(), mParent->mWidgets.end(),
                           [this](const Widget* w) { return static_cast<const WidgetContainer*>(w) == this; });
    if (it == mParent->mWidgets.end())
        return;
    Widget* self = *it;
    mParent->mWidgets.erase(it);
    mParent->InsertChild(self);
    mParent->MarkDirty();
}

Point WidgetContainer::GetAbsPos() const
{
    Point pos;
    for (const WidgetContainer* c = this; c != nullptr; c = c->mParent)
    {
        if (static_cast<const WidgetContainer*>(c->mWidgetManager) == c)
            break; // the root: window coordinates start here
        pos.mX += c->mX;
        pos.mY += c->mY;
    }
    return pos;
}

void WidgetContainer::MarkDirty()
{
    mDirty = true;
    if (mWidgetManager != nullptr && static_cast<WidgetContainer*>(mWidgetManager) != this)
        mWidgetManager->MarkDirty();
}

void WidgetContainer::AddedToManager(WidgetManager* manager)
{
    std::vector<Widget*> children(mWidgets.begin(), mWidgets.end());
    for (Widget* child : children)
        if (HasWidget(child) && child->mWidgetManager == manager)
            child->AddedToManager(manager);
}

void WidgetContainer::RemovedFromManager(WidgetManager* manager)
{
    std::vector<Widget*> children(mWidgets.begin(), mWidgets.end());
    for (Widget* child : children)
        if (HasWidget(child) && child->mWidgetManager == manager)
            child->RemovedFromManager(manager);
}

Widget* WidgetContainer::FindWidgetAt(int x, int y, int* localX, int* localY)
{
    return FindWidgetAtAbove(x, y, nullptr, localX, localY);
}

Widget* WidgetContainer::FindWidgetAtAbove(int x, int y, const Widget* floor, int* localX, int* localY)
{
    for (auto it = mWidgets.rbegin(); it != mWidgets.rend(); ++it)
    {
        Widget* w = *it;
        if (w->mVisible && !w->mDisabled)
        {
            int cx = x - w->mX;
            int cy = y - w->mY;
            bool inside = cx >= 0 && cy >= 0 && cx < w->mWidth && cy < w->mHeight;
            if (inside || !w->mClip)
            {
                if (Widget* child = w->FindWidgetAtAbove(cx, cy, nullptr, localX, localY))
                    return child;
            }
            if (inside && w->mMouseVisible && w->IsPointVisible(cx, cy))
            {
                if (localX != nullptr)
                    *localX = cx;
                if (localY != nullptr)
                    *localY = cy;
                return w;
            }
        }
        if (w == floor)
            break;
    }
    return nullptr;
}

// ---------------------------------------------------------------------------------------------
// Widget

Widget::Widget() = default;

Widget::~Widget()
{
    if (mParent != nullptr)
        mParent->DetachChild(this, true);
    else if (mWidgetManager != nullptr && static_cast<WidgetContainer*>(mWidgetManager) != this)
        mWidgetManager->WidgetDestroyedWhileLeaving(this);
}

void Widget::SetVisible(bool visible)
{
    if (mVisible == visible)
        return;
    mVisible = visible;
    MarkDirty();
}

void Widget::SetDisabled(bool disabled)
{
    if (mDisabled == disabled)
        return;
    mDisabled = disabled;
    MarkDirty();
}

void Widget::SetColors(int colors[][3], int count)
{
    mColors.clear();
    for (int i = 0; colors != nullptr && i < count; ++i)
        mColors.emplace_back(colors[i][0], colors[i][1], colors[i][2]);
    MarkDirty();
}

void Widget::SetColors(int colors[][4], int count)
{
    mColors.clear();
    for (int i = 0; colors != nullptr && i < count; ++i)
        mColors.emplace_back(colors[i][0], colors[i][1], colors[i][2], colors[i][3]);
    MarkDirty();
}

void Widget::SetColor(int index, const Color& color)
{
    if (index < 0)
        return;
    if (static_cast<size_t>(index) >= mColors.size())
        mColors.resize(static_cast<size_t>(index) + 1, Color::Black);
    mColors[static_cast<size_t>(index)] = color;
    MarkDirty();
}

Color Widget::GetColor(int index, const Color& defaultColor) const
{
    if (index < 0 || static_cast<size_t>(index) >= mColors.size())
        return defaultColor;
    return mColors[static_cast<size_t>(index)];
}

void Widget::Update() {}

void Widget::Draw(Graphics*) {}

void Widget::DeferOverlay(int priority)
{
    if (mWidgetManager != nullptr)
        mWidgetManager->DeferOverlay(this, priority);
}

void Widget::DrawOverlay(Graphics*) {}

void Widget::DrawOverlay(Graphics* g, int)
{
    DrawOverlay(g);
}

bool Widget::IsPointVisible(int, int)
{
    return true;
}

void Widget::MouseEnter() {}

void Widget::MouseLeave() {}

void Widget::MouseMove(int, int) {}

void Widget::MouseDown(int x, int y, int clickCount)
{
    if (clickCount == 3)
        MouseDown(x, y, 2, 1);
    else if (clickCount < 0)
        MouseDown(x, y, 1, clickCount);
    else
        MouseDown(x, y, 0, clickCount);
}

void Widget::MouseDown(int, int, int, int) {}

void Widget::MouseUp(int, int) {}

void Widget::MouseUp(int x, int y, int clickCount)
{
    if (clickCount == 3)
        MouseUp(x, y, 2, 1);
    else if (clickCount < 0)
        MouseUp(x, y, 1, clickCount);
    else
        MouseUp(x, y, 0, clickCount);
}

void Widget::MouseUp(int x, int y, int, int)
{
    MouseUp(x, y);
}

void Widget::MouseDrag(int, int) {}

void Widget::MouseWheel(int) {}

void Widget::KeyDown(KeyCode) {}

void Widget::KeyUp(KeyCode) {}

void Widget::KeyChar(SexyChar) {}

void Widget::GotFocus() {}

void Widget::LostFocus() {}

int Widget::WriteString(Graphics* g, const SexyString& text, int x, int y, int width, int justify, bool drawString,
                        int offset, int length)
{
    if (g == nullptr)
        return 0;
    return g->WriteString(text, x, y, width, justify, drawString, offset, length);
}

int Widget::WriteWordWrapped(Graphics* g, const Rect& rect, const SexyString& text, int lineSpacing, int justify)
{
    if (g == nullptr)
        return 0;
    return g->WriteWordWrapped(rect, text, lineSpacing, justify);
}

} // namespace Sexy
