// ScrollbarWidget: a vertical or horizontal scrollbar with two arrow buttons, a track and a thumb
// that can be dragged.
//
// Values. The bar scrolls over 0..mMaxValue, of which mPageSize is visible at a time, so mValue
// (the start of the visible part) stays within 0..mMaxValue - mPageSize (0 when the page holds
// everything). Every change of mValue, whatever its cause (a set value, a new maximum or page
// size that clamps it, the mouse, the wheel), is reported once to the listener with
// ScrollPosition(id, value); setting the value it already has reports nothing. Non-finite
// values are taken as 0; negative maxima and page sizes as 0.
//
// Layout. The up (left) arrow button sits at the start of the bar and the down (right) one at its
// end, each as long as the bar is thick (at most half the bar); the track lies between them and
// the thumb on the track, its length proportional to the page (GetThumbSize). When there is
// nothing to scroll (mMaxValue <= mPageSize) the thumb has length 0 and the track takes no clicks.
//
// Input, left button only:
//   arrow buttons  one step (mArrowStep) per press; held down, a step every kRepeatTicks updates
//                  after kRepeatDelayTicks;
//   thumb          dragged with the mouse (the bar keeps the mouse while the button is held); the
//                  value follows the thumb's position proportionally;
//   track          one page towards the pointer, repeated like the arrows while held, until the
//                  thumb reaches the pointer;
//   wheel          mWheelStep per notch, up (positive) towards 0, over the arrows too.
//
// Visibility. With SetInvisIfNoScroll(true) the bar hides itself while there is nothing to scroll
// and shows itself again when there is; it never shows itself when it was hidden by its owner.
// The default is to stay visible.
//
// Ownership. The bar creates and deletes its two arrow buttons (children, reporting to the bar
// through ButtonListener). The listener is not owned. A ListWidget bound to the bar
// (ListWidget::SetScrollbar) is told when the bar is deleted and forgets it.
#pragma once

#include "pop/ButtonWidget.h"
#include "pop/Listeners.h"
#include "pop/Widget.h"

#include <memory>
#include <vector>

namespace Sexy
{

class ListWidget;

class ScrollbarWidget : public Widget, public ButtonListener
{
public:
    // Indices into mColors.
    enum
    {
        COLOR_TRACK,         // the track
        COLOR_THUMB,         // the thumb's face
        COLOR_THUMB_OUTLINE, // the thumb's edge
        NUM_COLORS
    };

    // Ids the arrow buttons report with.
    enum
    {
        UP_BUTTON_ID = 0,
        DOWN_BUTTON_ID = 1
    };

    // Auto-repeat of held arrows and track, in updates.
    static constexpr int kRepeatDelayTicks = 30;
    static constexpr int kRepeatTicks = 5;

    ScrollbarWidget(int id, ScrollListener* listener);
    ~ScrollbarWidget() override;

    int mId;
    ScrollListener* mScrollListener; // not owned; may be null

    double mValue = 0.0;
    double mMaxValue = 0.0;
    double mPageSize = 0.0;
    bool mHorizontal = false;
    // Hide while there is nothing to scroll (see above).
    bool mInvisIfNoScroll = false;
    // Value moved by an arrow press and by one wheel notch.
    double mArrowStep = 1.0;
    double mWheelStep = 3.0;

    // The arrow buttons, owned by the bar: up (left) and down (right). Subclasses give them
    // pictures (ButtonWidget::SetBtnImage) and may place them elsewhere in their own Resize.
    ButtonWidget* mUpButton = nullptr;
    ButtonWidget* mDownButton = nullptr;

    // Thumb drag: the thumb was pressed and is being dragged; where along the thumb it was
    // grabbed (pixels from the thumb's start).
    bool mPressedOnThumb = false;
    int mMouseDownThumbPos = 0;

    virtual void SetMaxValue(double maxValue);
    virtual void SetPageSize(double pageSize);
    virtual void SetValue(double value);
    virtual void SetHorizontal(bool horizontal);
    virtual void SetInvisIfNoScroll(bool invisIfNoScroll);
    double GetValue() const { return mValue; }
    double GetMaxValue() const { return mMaxValue; }
    double GetPageSize() const { return mPageSize; }
    // Something to scroll: the maximum exceeds the page.
    bool CanScroll() const { return mMaxValue > mPageSize; }

    // Geometry along the bar, in pixels of the bar's own coordinates (x for horizontal bars, y for
    // vertical ones). The track starts after the up arrow; GetThumbPosition is where the thumb
    // starts (on the track); GetThumbSize is 0 when there is nothing to scroll.
    virtual int GetTrackSize();
    virtual int GetThumbSize();
    virtual int GetThumbPosition();
    // Length of each arrow button along the bar.
    virtual int GetArrowSize();
    // Brings mValue into 0..mMaxValue - mPageSize without reporting it.
    virtual void ClampValue();

    void Resize(int x, int y, int width, int height) override;
    using WidgetContainer::Resize;
    void SetVisible(bool visible) override;
    void Update() override;
    void Draw(Graphics* g) override;
    void RemovedFromManager(WidgetManager* manager) override;

    using Widget::MouseDown;
    using Widget::MouseUp;
    void MouseDown(int x, int y, int button, int clickCount) override;
    void MouseUp(int x, int y, int button, int clickCount) override;
    void MouseDrag(int x, int y) override;
    void MouseWheel(int delta) override;

    // From the arrow buttons.
    void ButtonPress(int id, int clickCount) override;
    void ButtonDownTick(int id) override;
    using ButtonListener::ButtonPress;

protected:
    // Places the arrow buttons for the current size and orientation.
    virtual void LayoutButtons();
    // Sets mValue (clamped) and reports a change.
    void ChangeValue(double value);
    // Hides or shows the bar for SetInvisIfNoScroll.
    void UpdateVisibility();
    // The coordinate along the bar of a point.
    int AlongBar(int x, int y) const { return mHorizontal ? x : y; }

private:
    friend class ListWidget;

    // Pages towards the pointer while the track is held: -1 up, 1 down, 0 not held.
    int mTrackDirection = 0;
    int mTrackTicks = 0;
    int mLastMouseAlong = 0;
    int mArrowTicks = 0;
    // The bar hid itself for lack of anything to scroll.
    bool mHiddenForNoScroll = false;
    bool mChangingVisibility = false;

    std::unique_ptr<ButtonWidget> mUpButtonOwned;
    std::unique_ptr<ButtonWidget> mDownButtonOwned;
    // Lists bound to this bar; they forget it when it goes.
    std::vector<ListWidget*> mBoundLists;
};

} // namespace Sexy
