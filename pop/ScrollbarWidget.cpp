#include "pop/ScrollbarWidget.h"

#include "pop/Graphics.h"
#include "pop/ListWidget.h"

#include <algorithm>
#include <cmath>

namespace Sexy
{

namespace
{

// An arrow button that draws a small triangle on its plain face (with pictures it looks like any
// button) and passes the wheel on to its bar.
class ArrowButton : public ButtonWidget
{
public:
    ArrowButton(int id, ScrollbarWidget* bar, bool towardsStart)
        : ButtonWidget(id, bar), mBar(bar), mStart(towardsStart)
    {
    }

    void Draw(Graphics* g) override
    {
        ButtonWidget::Draw(g);
        if (mBtnNoDraw || HaveButtonImage(STATE_NORMAL))
            return;
        int half = std::min(mWidth, mHeight) / 4;
        if (half < 1)
            return;
        int shift = IsButtonDown() ? 1 : 0;
        int cx = mWidth / 2 + shift;
        int cy = mHeight / 2 + shift;
        g->SetColor(GetColor(COLOR_LABEL, Color::Black));
        // Row i of the triangle, counted from its tip, is 2 * i + 1 pixels long.
        for (int i = 0; i <= half; ++i)
        {
            int along = (mStart ? -half / 2 : half / 2) + (mStart ? i : -i);
            if (mBar->mHorizontal)
                g->DrawLine(cx + along, cy - i, cx + along, cy + i);
            else
                g->DrawLine(cx - i, cy + along, cx + i, cy + along);
        }
    }

    // The wheel over an arrow scrolls the bar.
    void MouseWheel(int delta) override { mBar->MouseWheel(delta); }

private:
    ScrollbarWidget* mBar;
    bool mStart;
};

double Finite(double v)
{
    return std::isfinite(v) ? v : 0.0;
}

} // namespace

ScrollbarWidget::ScrollbarWidget(int id, ScrollListener* listener)
    : mId(id), mScrollListener(listener), mUpButtonOwned(std::make_unique<ArrowButton>(UP_BUTTON_ID, this, true)),
      mDownButtonOwned(std::make_unique<ArrowButton>(DOWN_BUTTON_ID, this, false))
{
    mUpButton = mUpButtonOwned.get();
    mDownButton = mDownButtonOwned.get();
    mColors = {Color(224, 224, 224), Color(176, 176, 176), Color(96, 96, 96)};
    AddWidget(mUpButton);
    AddWidget(mDownButton);
}

ScrollbarWidget::~ScrollbarWidget()
{
    for (ListWidget* list : mBoundLists)
        if (list->mScrollbar == this)
            list->mScrollbar = nullptr;
    mBoundLists.clear();
    RemoveWidget(mUpButton);
    RemoveWidget(mDownButton);
    mUpButton = nullptr;
    mDownButton = nullptr;
    mUpButtonOwned.reset();
    mDownButtonOwned.reset();
}

void ScrollbarWidget::SetMaxValue(double maxValue)
{
    mMaxValue = std::max(0.0, Finite(maxValue));
    UpdateVisibility();
    MarkDirty();
    ChangeValue(mValue);
}

void ScrollbarWidget::SetPageSize(double pageSize)
{
    mPageSize = std::max(0.0, Finite(pageSize));
    UpdateVisibility();
    MarkDirty();
    ChangeValue(mValue);
}

void ScrollbarWidget::SetValue(double value)
{
    ChangeValue(value);
}

void ScrollbarWidget::SetHorizontal(bool horizontal)
{
    mHorizontal = horizontal;
    LayoutButtons();
    MarkDirty();
}

void ScrollbarWidget::SetInvisIfNoScroll(bool invisIfNoScroll)
{
    mInvisIfNoScroll = invisIfNoScroll;
    UpdateVisibility();
}

void ScrollbarWidget::ClampValue()
{
    double top = std::max(0.0, mMaxValue - mPageSize);
    mValue = std::min(std::max(Finite(mValue), 0.0), top);
}

void ScrollbarWidget::ChangeValue(double value)
{
    double old = mValue;
    mValue = Finite(value);
    ClampValue();
    if (mValue == old)
        return;
    MarkDirty();
    // The listener may do anything, deleting this bar included: nothing follows the call.
    if (mScrollListener != nullptr)
        mScrollListener->ScrollPosition(mId, mValue);
}

void ScrollbarWidget::UpdateVisibility()
{
    mChangingVisibility = true;
    if (mInvisIfNoScroll && !CanScroll())
    {
        if (mVisible)
        {
            mHiddenForNoScroll = true;
            Widget::SetVisible(false);
        }
    }
    else if (mHiddenForNoScroll)
    {
        mHiddenForNoScroll = false;
        Widget::SetVisible(true);
    }
    mChangingVisibility = false;
}

void ScrollbarWidget::SetVisible(bool visible)
{
    if (mChangingVisibility)
    {
        Widget::SetVisible(visible);
        return;
    }
    if (visible && mInvisIfNoScroll && !CanScroll())
    {
        // Shown by the owner while there is nothing to scroll: it appears once there is.
        mHiddenForNoScroll = true;
        Widget::SetVisible(false);
        return;
    }
    mHiddenForNoScroll = false;
    Widget::SetVisible(visible);
}

int ScrollbarWidget::GetArrowSize()
{
    int length = mHorizontal ? mWidth : mHeight;
    int thickness = mHorizontal ? mHeight : mWidth;
    return std::max(0, std::min(thickness, length / 2));
}

int ScrollbarWidget::GetTrackSize()
{
    int length = mHorizontal ? mWidth : mHeight;
    return std::max(0, length - 2 * GetArrowSize());
}

int ScrollbarWidget::GetThumbSize()
{
    int track = GetTrackSize();
    if (!CanScroll() || track <= 0)
        return 0;
    int size = static_cast<int>(track * mPageSize / mMaxValue + 0.5);
    int least = std::min(track, 10);
    return std::min(track, std::max(size, least));
}

int ScrollbarWidget::GetThumbPosition()
{
    int start = GetArrowSize();
    double range = mMaxValue - mPageSize;
    int free = GetTrackSize() - GetThumbSize();
    if (range <= 0.0 || free <= 0)
        return start;
    return start + static_cast<int>(free * std::min(std::max(mValue / range, 0.0), 1.0) + 0.5);
}

void ScrollbarWidget::Resize(int x, int y, int width, int height)
{
    Widget::Resize(x, y, width, height);
    LayoutButtons();
}

void ScrollbarWidget::LayoutButtons()
{
    int arrow = GetArrowSize();
    if (mHorizontal)
    {
        mUpButton->Resize(0, 0, arrow, mHeight);
        mDownButton->Resize(mWidth - arrow, 0, arrow, mHeight);
    }
    else
    {
        mUpButton->Resize(0, 0, mWidth, arrow);
        mDownButton->Resize(0, mHeight - arrow, mWidth, arrow);
    }
}

void ScrollbarWidget::Update()
{
    Widget::Update();
    if (mTrackDirection == 0)
        return;
    if (!mIsDown)
    {
        mTrackDirection = 0;
        return;
    }
    ++mTrackTicks;
    if (mTrackTicks < kRepeatDelayTicks || (mTrackTicks - kRepeatDelayTicks) % kRepeatTicks != 0)
        return;
    // Pages on only while the thumb has not reached the pointer.
    int thumbStart = GetThumbPosition();
    if (mTrackDirection < 0 ? mLastMouseAlong < thumbStart : mLastMouseAlong >= thumbStart + GetThumbSize())
        ChangeValue(mValue + mTrackDirection * std::max(mPageSize, 1.0));
}

void ScrollbarWidget::Draw(Graphics* g)
{
    int arrow = GetArrowSize();
    int track = GetTrackSize();
    g->SetColor(GetColor(COLOR_TRACK));
    if (mHorizontal)
        g->FillRect(arrow, 0, track, mHeight);
    else
        g->FillRect(0, arrow, mWidth, track);

    int thumb = GetThumbSize();
    if (thumb <= 0)
        return;
    int pos = GetThumbPosition();
    Rect r = mHorizontal ? Rect(pos, 0, thumb, mHeight) : Rect(0, pos, mWidth, thumb);
    g->SetColor(GetColor(COLOR_THUMB));
    g->FillRect(r);
    g->SetColor(GetColor(COLOR_THUMB_OUTLINE));
    g->DrawRect(r);
}

void ScrollbarWidget::RemovedFromManager(WidgetManager* manager)
{
    mPressedOnThumb = false;
    mTrackDirection = 0;
    Widget::RemovedFromManager(manager);
}

void ScrollbarWidget::MouseDown(int x, int y, int button, int clickCount)
{
    Widget::MouseDown(x, y, button, clickCount);
    if (button != 0)
        return;
    int along = AlongBar(x, y);
    mLastMouseAlong = along;
    int thumb = GetThumbSize();
    if (thumb <= 0)
        return;
    int thumbStart = GetThumbPosition();
    if (along >= thumbStart && along < thumbStart + thumb)
    {
        mPressedOnThumb = true;
        mMouseDownThumbPos = along - thumbStart;
        MarkDirty();
        return;
    }
    int arrow = GetArrowSize();
    if (along < arrow || along >= arrow + GetTrackSize())
        return;
    mTrackDirection = along < thumbStart ? -1 : 1;
    mTrackTicks = 0;
    ChangeValue(mValue + mTrackDirection * std::max(mPageSize, 1.0));
}

void ScrollbarWidget::MouseUp(int x, int y, int button, int clickCount)
{
    Widget::MouseUp(x, y, button, clickCount);
    if (button != 0)
        return;
    if (mPressedOnThumb)
        MarkDirty();
    mPressedOnThumb = false;
    mTrackDirection = 0;
}

void ScrollbarWidget::MouseDrag(int x, int y)
{
    Widget::MouseDrag(x, y);
    mLastMouseAlong = AlongBar(x, y);
    if (!mPressedOnThumb)
        return;
    int free = GetTrackSize() - GetThumbSize();
    double range = mMaxValue - mPageSize;
    if (free <= 0 || range <= 0.0)
        return;
    int thumbStart = mLastMouseAlong - mMouseDownThumbPos - GetArrowSize();
    ChangeValue(static_cast<double>(thumbStart) * range / free);
}

void ScrollbarWidget::MouseWheel(int delta)
{
    if (delta == 0)
        return;
    ChangeValue(mValue - delta * mWheelStep);
}

void ScrollbarWidget::ButtonPress(int id, int clickCount)
{
    if (clickCount <= 0 || clickCount == 3)
        return;
    mArrowTicks = 0;
    if (id == UP_BUTTON_ID)
        ChangeValue(mValue - mArrowStep);
    else if (id == DOWN_BUTTON_ID)
        ChangeValue(mValue + mArrowStep);
}

void ScrollbarWidget::ButtonDownTick(int id)
{
    ++mArrowTicks;
    if (mArrowTicks < kRepeatDelayTicks || (mArrowTicks - kRepeatDelayTicks) % kRepeatTicks != 0)
        return;
    if (id == UP_BUTTON_ID)
        ChangeValue(mValue - mArrowStep);
    else if (id == DOWN_BUTTON_ID)
        ChangeValue(mValue + mArrowStep);
}

} // namespace Sexy
