#include "pop/Slider.h"

#include "pop/Graphics.h"
#include "pop/Image.h"

#include <algorithm>
#include <cmath>

namespace Sexy
{

namespace
{

constexpr int kPlainThumbLength = 10;
constexpr int kPlainGrooveThickness = 4;

} // namespace

Slider::Slider(Image* trackImage, Image* thumbImage, int id, SliderListener* listener)
    : mId(id), mListener(listener), mTrackImage(trackImage), mThumbImage(thumbImage)
{
    mDoFinger = true;
    static int colors[NUM_COLORS][3] = {
        {128, 128, 128}, // groove
        {212, 212, 212}, // thumb
        {0, 0, 0},       // thumb outline
        {160, 160, 160}, // thumb of a disabled slider
    };
    SetColors(colors, NUM_COLORS);
}

void Slider::SetValue(double value)
{
    if (std::isnan(value))
        value = 0.0;
    value = std::clamp(value, 0.0, 1.0);
    if (value == mVal)
        return;
    mVal = value;
    MarkDirty();
}

int Slider::GetThumbWidth() const
{
    if (mThumbImage != nullptr)
        return mThumbImage->GetCelWidth();
    return mHorizontal ? kPlainThumbLength : mWidth;
}

int Slider::GetThumbHeight() const
{
    if (mThumbImage != nullptr)
        return mThumbImage->GetCelHeight();
    return mHorizontal ? mHeight : kPlainThumbLength;
}

Rect Slider::GetThumbRect() const
{
    int w = GetThumbWidth();
    int h = GetThumbHeight();
    if (mHorizontal)
        return Rect(static_cast<int>((mWidth - w) * mVal), (mHeight - h) / 2, w, h);
    return Rect((mWidth - w) / 2, static_cast<int>((mHeight - h) * mVal), w, h);
}

double Slider::ValueAt(int x, int y) const
{
    int range = mHorizontal ? mWidth - GetThumbWidth() : mHeight - GetThumbHeight();
    if (range <= 0)
        return mVal;
    double pos = mHorizontal ? x : y;
    return std::clamp(pos / range, 0.0, 1.0);
}

bool Slider::MoveThumbTo(int x, int y)
{
    double old = mVal;
    SetValue(ValueAt(x - mRelX, y - mRelY));
    return mVal != old;
}

void Slider::Draw(Graphics* g)
{
    if (mTrackImage != nullptr)
    {
        Rect src(0, 0, mTrackImage->GetWidth(), mTrackImage->GetHeight());
        if (mHorizontal)
            g->DrawImage(mTrackImage, Rect(0, (mHeight - src.mHeight) / 2, mWidth, src.mHeight), src);
        else
            g->DrawImage(mTrackImage, Rect((mWidth - src.mWidth) / 2, 0, src.mWidth, mHeight), src);
    }
    else
    {
        g->SetColor(GetColor(COLOR_SLIDER_TRACK));
        if (mHorizontal)
            g->FillRect(0, (mHeight - kPlainGrooveThickness) / 2, mWidth, kPlainGrooveThickness);
        else
            g->FillRect((mWidth - kPlainGrooveThickness) / 2, 0, kPlainGrooveThickness, mHeight);
    }

    Rect thumb = GetThumbRect();
    if (mThumbImage != nullptr)
    {
        g->DrawImage(mThumbImage, thumb.mX, thumb.mY, mThumbImage->GetCelRect(0));
        return;
    }
    g->SetColor(GetColor(mDisabled ? COLOR_SLIDER_DISABLED : COLOR_SLIDER_THUMB));
    g->FillRect(thumb);
    g->SetColor(GetColor(COLOR_SLIDER_THUMB_OUTLINE));
    g->DrawRect(thumb);
}

void Slider::SetDisabled(bool disabled)
{
    if (disabled)
        mGrabbed = mDragging = false;
    Widget::SetDisabled(disabled);
}

void Slider::SetVisible(bool visible)
{
    if (!visible)
        mGrabbed = mDragging = false;
    Widget::SetVisible(visible);
}

void Slider::RemovedFromManager(WidgetManager* manager)
{
    mGrabbed = mDragging = false;
    Widget::RemovedFromManager(manager);
}

void Slider::MouseDown(int x, int y, int button, int clickCount)
{
    Widget::MouseDown(x, y, button, clickCount);
    if (button != 0 || mDisabled || !mVisible)
        return;
    Rect thumb = GetThumbRect();
    mGrabbed = true;
    mDragging = false;
    if (thumb.Contains(x, y))
    {
        mRelX = x - thumb.mX;
        mRelY = y - thumb.mY;
        return;
    }
    // A press on the track: the thumb jumps under the mouse and stays grabbed by its middle.
    mRelX = thumb.mWidth / 2;
    mRelY = thumb.mHeight / 2;
    // Last: the listener may delete the slider.
    if (MoveThumbTo(x, y) && mListener != nullptr)
        mListener->SliderVal(mId, mVal);
}

void Slider::MouseDrag(int x, int y)
{
    Widget::MouseDrag(x, y);
    if (!mGrabbed)
        return;
    if (!mDragging)
    {
        mDragging = true;
        MarkDirty();
    }
    if (MoveThumbTo(x, y) && mListener != nullptr)
        mListener->SliderVal(mId, mVal);
}

void Slider::MouseUp(int x, int y, int button, int clickCount)
{
    Widget::MouseUp(x, y, button, clickCount);
    if (button != 0 || !mGrabbed)
        return;
    bool wasDragging = mDragging;
    mGrabbed = mDragging = false;
    MarkDirty();
    if (wasDragging && mListener != nullptr)
        mListener->SliderVal(mId, mVal);
}

} // namespace Sexy
