// The widget tree: WidgetContainer (a rectangle holding child widgets in z-order) and Widget (a
// container that draws and takes input). The WidgetManager at the root routes input and drives
// updates and drawing (pop/WidgetManager.h).
//
// Ownership. A container never owns its children: AddWidget stores a pointer, RemoveWidget and
// RemoveAllWidgets take it out again without deleting anything. Whoever creates a widget deletes it
// (a widget that creates children deletes them in its own destructor). Deleting a widget is always
// safe: it first takes itself out of its parent, and a container that is destroyed lets go of the
// children still in it. Whenever a widget leaves the manager's tree (removed, deleted, or with an
// ancestor), the manager forgets it: focus, hover, mouse capture, modal layer and pending overlays
// never point at a widget outside the tree, even when this happens inside the widget's own event
// handler.
//
// Coordinates. mX, mY are relative to the parent; everything a widget is told (mouse positions,
// drawing) is in its own coordinates, (0, 0) being its top left corner.
//
// Z-order. Children are kept back to front. A child with a higher mPriority is always in front of
// one with a lower priority; within one priority, later additions are in front.
#pragma once

#include "pop/Color.h"
#include "pop/Common.h"
#include "pop/KeyCodes.h"
#include "pop/Point.h"

#include <list>
#include <vector>

namespace Sexy
{

class Graphics;
class Widget;
class WidgetManager;

using WidgetList = std::list<Widget*>;

class WidgetContainer
{
public:
    WidgetContainer();
    // Lets go of the children still in it (they are not deleted) and leaves its parent.
    virtual ~WidgetContainer();
    WidgetContainer(const WidgetContainer&) = delete;
    WidgetContainer& operator=(const WidgetContainer&) = delete;

    // Children back to front. Read it; change it only through the operations below.
    WidgetList mWidgets;
    // The manager whose tree this container is in (the manager itself for the root), or null.
    WidgetManager* mWidgetManager = nullptr;
    WidgetContainer* mParent = nullptr;
    int mX = 0;
    int mY = 0;
    int mWidth = 0;
    int mHeight = 0;
    // Higher priorities stay in front of lower ones among siblings. Takes effect when the widget
    // is added; SetPriority changes it for a widget already in a container.
    int mPriority = 0;
    // Set by MarkDirty, cleared when the manager draws.
    bool mDirty = false;
    // Counts the updates the manager has given this widget.
    int mUpdateCnt = 0;

    // The rectangle in the parent's coordinates, and whether a parent point lies inside it.
    virtual Rect GetRect() const;
    bool Contains(int x, int y) const;
    bool Intersects(const WidgetContainer* other) const;

    virtual void Resize(int x, int y, int width, int height);
    // Calls the four-value form, so overriding that one is enough.
    void Resize(const Rect& rect);
    void Move(int x, int y) { Resize(x, y, mWidth, mHeight); }

    // Adds a child in front of its priority group. A widget that has a parent is moved here. Null,
    // the container itself or one of its ancestors is refused.
    virtual void AddWidget(Widget* widget);
    // Takes a child out (not deleted); does nothing for a widget that is not a child of this one.
    virtual void RemoveWidget(Widget* widget);
    virtual void RemoveAllWidgets();
    bool HasWidget(const Widget* widget) const;

    // Z-order among the children; every move stays within the child's priority group.
    virtual void BringToFront(Widget* widget);
    virtual void BringToBack(Widget* widget);
    // Moves widget directly behind (in front of) the sibling ref.
    virtual void PutBehind(Widget* widget, Widget* ref);
    virtual void PutInfront(Widget* widget, Widget* ref);
    void SetPriority(int priority);

    // Position in the root's (the window's) coordinates.
    Point GetAbsPos() const;

    // Asks for a redraw: sets mDirty here and on the manager.
    virtual void MarkDirty();

    // Hooks called when the container enters or leaves a manager's tree, with or before its
    // children. mWidgetManager is already set when AddedToManager runs and still set while
    // RemovedFromManager runs. The base versions pass the call on to the children; an override
    // calls them ("the container step").
    virtual void AddedToManager(WidgetManager* manager);
    virtual void RemovedFromManager(WidgetManager* manager);

    // The topmost widget below this container under (x, y) (this container's coordinates) that
    // takes the mouse: visible, enabled (down the whole chain), mMouseVisible and IsPointVisible.
    // Children come before their parent; a child of a clipping widget counts only inside it.
    // localX, localY receive the point in the found widget's coordinates. Null when none.
    Widget* FindWidgetAt(int x, int y, int* localX = nullptr, int* localY = nullptr);

protected:
    // FindWidgetAt that does not look behind the child floor (null: all children).
    Widget* FindWidgetAtAbove(int x, int y, const Widget* floor, int* localX, int* localY);

private:
    friend class Widget;
    friend class WidgetManager;

    void InsertChild(Widget* widget);
    void DetachChild(Widget* widget, bool dying);
    // Moves a child directly behind or in front of another child of the same priority.
    void PlaceNextTo(Widget* widget, Widget* ref, bool inFront);
    bool IsSelfOrAncestor(const WidgetContainer* other) const;
};

class Widget : public WidgetContainer
{
public:
    Widget();
    ~Widget() override;

    bool mVisible = true;
    // A disabled widget (and everything in it) takes no mouse input and no keys; it still draws.
    bool mDisabled = false;
    // Kept by the manager.
    bool mHasFocus = false;
    bool mIsDown = false; // a mouse button went down on it and is still held
    bool mIsOver = false; // the mouse is over it
    bool mHasAlpha = false;
    // Drawing (and, for the children, hit testing) is limited to the widget's rectangle.
    bool mClip = true;
    // False: the widget itself lets the mouse through (its children still take it).
    bool mMouseVisible = true;
    // Show the hand cursor over it (see WidgetManager::WantsHandCursor).
    bool mDoFinger = false;
    // A cursor of its own (a CursorKind of SexyAppBase.h) while the mouse is over it or it holds
    // the mouse, such as the resize arrows over a column edge; 0, the pointer, leaves the choice to
    // mDoFinger and the application (see WidgetManager::WantedCursor).
    int mOverCursor = 0;
    // The colour list: indices as each widget defines them.
    std::vector<Color> mColors;

    virtual void SetVisible(bool visible);
    virtual void SetDisabled(bool disabled);

    // Replace the colour list with count entries of (red, green, blue) or (red, green, blue, alpha).
    virtual void SetColors(int colors[][3], int count);
    virtual void SetColors(int colors[][4], int count);
    // Sets one entry; the list grows (with black) when needed.
    virtual void SetColor(int index, const Color& color);
    // The entry, or defaultColor when the list has no such entry.
    Color GetColor(int index, const Color& defaultColor = Color::Black) const;

    // Once per frame, for every widget in the manager's tree (shown or not).
    virtual void Update();
    // Draws in the widget's own coordinates; the manager translates and clips, and draws the
    // children afterwards.
    virtual void Draw(Graphics* g);
    // Asks for DrawOverlay after every widget has been drawn in this frame. Requests are served
    // in rising priority order (in request order for equal priorities). Call it from Draw.
    void DeferOverlay(int priority = 0);
    virtual void DrawOverlay(Graphics* g);
    // The manager calls this form; by default it calls DrawOverlay(g).
    virtual void DrawOverlay(Graphics* g, int priority);

    // Whether a point inside the rectangle (own coordinates) belongs to the widget. Widgets with
    // transparent or hidden parts override it; the mouse then reaches what lies beneath.
    virtual bool IsPointVisible(int x, int y);

    // Mouse events, in the widget's own coordinates.
    //
    // The manager calls MouseDown(x, y, clickCount): clickCount is 1 (2 for a double click) for
    // the left button, -1 (-2) for the right one and 3 for the middle one. Its default passes the
    // press on as MouseDown(x, y, button, clickCount) with button 0 left, 1 right, 2 middle; the
    // click count keeps its sign (a middle press arrives as button 2 with count 1). Override the
    // form you need; an override of the three-value form may pass on to the four-value form, never
    // the other way round.
    //
    // Releases follow the same path: MouseUp(x, y, clickCount) -> MouseUp(x, y, button,
    // clickCount) -> MouseUp(x, y), with the click count of the press being released.
    //
    // While a button is held, the widget that took the press gets MouseDrag for every move and the
    // release, wherever the mouse is.
    virtual void MouseEnter();
    virtual void MouseLeave();
    virtual void MouseMove(int x, int y);
    virtual void MouseDown(int x, int y, int clickCount);
    virtual void MouseDown(int x, int y, int button, int clickCount);
    virtual void MouseUp(int x, int y);
    virtual void MouseUp(int x, int y, int clickCount);
    virtual void MouseUp(int x, int y, int button, int clickCount);
    virtual void MouseDrag(int x, int y);
    // Positive away from the user (scroll up), in notches.
    virtual void MouseWheel(int delta);

    // Keys and typed characters reach the focused widget.
    virtual void KeyDown(KeyCode key);
    virtual void KeyUp(KeyCode key);
    virtual void KeyChar(SexyChar ch);
    virtual void GotFocus();
    virtual void LostFocus();

    // Text through the Graphics, colour codes included (Graphics::WriteString and
    // Graphics::WriteWordWrapped). justify: -1 left, 0 centred, 1 right within width.
    int WriteString(Graphics* g, const SexyString& text, int x, int y, int width = -1, int justify = -1,
                    bool drawString = true, int offset = 0, int length = -1);
    int WriteWordWrapped(Graphics* g, const Rect& rect, const SexyString& text, int lineSpacing = -1, int justify = -1);
};

} // namespace Sexy
