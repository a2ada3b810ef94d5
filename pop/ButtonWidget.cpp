#include "pop/ButtonWidget.h"

#include "pop/Font.h"
#include "pop/Graphics.h"
#include "pop/Image.h"
#include "pop/WidgetManager.h"

#include <algorithm>

namespace Sexy
{

namespace
{

// After a cel-by-cel mirror (horizontal) or flip (vertical), a rectangle that lies inside one cel
// moves to where its pixels went. Rectangles of whole cels (or empty ones) stay.
void MoveRectInCel(Rect& r, const Image* image, bool horizontal)
{
    if (r.IsEmpty() || image == nullptr)
        return;
    int cel = horizontal ? image->GetCelWidth() : image->GetCelHeight();
    if (cel <= 0)
        return;
    int& pos = horizontal ? r.mX : r.mY;
    int size = horizontal ? r.mWidth : r.mHeight;
    if (pos < 0)
        return;
    int celStart = pos / cel * cel;
    int offset = pos - celStart;
    if (offset + size > cel)
        return;
    pos = celStart + cel - offset - size;
}

} // namespace

ButtonWidget::ButtonWidget(int id, ButtonListener* listener) : mId(id), mListener(listener)
{
    mDoFinger = true;
    static int colors[NUM_COLORS][3] = {
        {0, 0, 0},       // label
        {0, 0, 0},       // label while over or down
        {0, 0, 0},       // dark outline
        {255, 255, 255}, // light outline
        {132, 132, 132}, // medium outline
        {212, 212, 212}, // face
    };
    SetColors(colors, NUM_COLORS);
}

ButtonWidget::~ButtonWidget()
{
    delete mFont;
}

void ButtonWidget::SetFont(Font* font)
{
    delete mFont;
    mFont = nullptr;
    if (font != nullptr)
        mFont = font->Duplicate().release();
    MarkDirty();
}

void ButtonWidget::SetBtnImage(SexyAppBase* app, Image* image, bool normal, bool over, bool down, bool disabled,
                               bool resizeToCel)
{
    (void)app;
    Image** looks[4] = {&mButtonImage, &mOverImage, &mDownImage, &mDisabledImage};
    Rect* rects[4] = {&mNormalRect, &mOverRect, &mDownRect, &mDisabledRect};
    bool take[4] = {normal, over, down, disabled};
    int celCount = image != nullptr ? image->GetCelCount() : 0;
    for (int i = 0; i < 4; ++i)
    {
        if (image != nullptr && take[i] && i < celCount)
        {
            *looks[i] = image;
            *rects[i] = image->GetCelRect(i);
        }
        else
        {
            *looks[i] = nullptr;
            *rects[i] = Rect();
        }
    }
    if (image != nullptr && resizeToCel)
        Resize(mX, mY, image->GetCelWidth(), image->GetCelHeight());

    // Copies made by earlier mirror or flip calls that no look shows any more go.
    mOwnedImages.erase(std::remove_if(mOwnedImages.begin(), mOwnedImages.end(),
                                      [this](const std::unique_ptr<DDImage>& owned)
                                      {
                                          const Image* p = owned.get();
                                          return p != mButtonImage && p != mOverImage && p != mDownImage &&
                                                 p != mDisabledImage;
                                      }),
                       mOwnedImages.end());
    MarkDirty();
}

bool ButtonWidget::OwnsImage(const Image* image) const
{
    for (const auto& owned : mOwnedImages)
        if (owned.get() == image)
            return true;
    return false;
}

void ButtonWidget::ReplaceImage(Image* from, Image* to)
{
    for (Image** look : {&mButtonImage, &mOverImage, &mDownImage, &mDisabledImage})
        if (*look == from)
            *look = to;
}

void ButtonWidget::TransformImages(bool mirror)
{
    Image* seen[4] = {};
    int seenCount = 0;
    for (Image* image : {mButtonImage, mOverImage, mDownImage, mDisabledImage})
    {
        if (image == nullptr || std::find(seen, seen + seenCount, image) != seen + seenCount)
            continue;
        seen[seenCount++] = image;
        if (OwnsImage(image))
        {
            // Our own copy: a DDImage, changed where it stands.
            auto* own = static_cast<DDImage*>(image);
            if (mirror)
                own->MirrorInPlace();
            else
                own->FlipInPlace();
            continue;
        }
        std::unique_ptr<DDImage> copy = mirror ? Sexy::MirrorImage(image) : Sexy::FlipImage(image);
        if (copy == nullptr)
            continue;
        ReplaceImage(image, copy.get());
        mOwnedImages.push_back(std::move(copy));
    }

    Image* looks[4] = {mButtonImage, mOverImage, mDownImage, mDisabledImage};
    Rect* rects[4] = {&mNormalRect, &mOverRect, &mDownRect, &mDisabledRect};
    for (int i = 0; i < 4; ++i)
        MoveRectInCel(*rects[i], looks[i], mirror);
    MarkDirty();
}

void ButtonWidget::MirrorImage()
{
    TransformImages(true);
}

void ButtonWidget::FlipImage()
{
    TransformImages(false);
}

std::unique_ptr<DDImage> ButtonWidget::MirrorImage(const Image* image)
{
    return Sexy::MirrorImage(image);
}

std::unique_ptr<DDImage> ButtonWidget::FlipImage(const Image* image)
{
    return Sexy::FlipImage(image);
}

bool ButtonWidget::IsButtonDown() const
{
    return mLeftPressed && mIsOver && !mDisabled;
}

ButtonWidget::ButtonState ButtonWidget::GetState() const
{
    if (mDisabled)
        return STATE_DISABLED;
    if (IsButtonDown())
        return STATE_DOWN;
    if (mIsOver)
        return STATE_OVER;
    return STATE_NORMAL;
}

void ButtonWidget::GetStateLook(ButtonState state, Image** image, Rect* src) const
{
    switch (state)
    {
    case STATE_DISABLED:
        if (mDisabledImage != nullptr)
        {
            *image = mDisabledImage;
            *src = mDisabledRect;
            return;
        }
        break;
    case STATE_DOWN:
        if (mDownImage != nullptr)
        {
            *image = mDownImage;
            *src = mDownRect;
            return;
        }
        GetStateLook(STATE_OVER, image, src);
        return;
    case STATE_OVER:
        if (mOverImage != nullptr)
        {
            *image = mOverImage;
            *src = mOverRect;
            return;
        }
        break;
    case STATE_NORMAL:
        break;
    }
    *image = mButtonImage;
    *src = mNormalRect;
}

bool ButtonWidget::HaveButtonImage(ButtonState state) const
{
    Image* image = nullptr;
    Rect src;
    GetStateLook(state, &image, &src);
    return image != nullptr;
}

void ButtonWidget::DrawButtonImage(Graphics* g, Image* image, const Rect& src, int x, int y)
{
    if (image == nullptr)
        return;
    if (src.IsEmpty())
        g->DrawImage(image, x, y);
    else
        g->DrawImage(image, x, y, src);
}

void ButtonWidget::DrawPlainButton(Graphics* g, bool down)
{
    g->SetColor(GetColor(COLOR_BKG));
    g->FillRect(0, 0, mWidth, mHeight);
    if (mFrameNoDraw || mWidth < 2 || mHeight < 2)
        return;
    int r = mWidth - 1;
    int b = mHeight - 1;
    Color dark = GetColor(COLOR_DARK_OUTLINE);
    Color light = GetColor(COLOR_LIGHT_OUTLINE);
    Color medium = GetColor(COLOR_MEDIUM_OUTLINE);
    if (down)
    {
        g->SetColor(dark);
        g->DrawRect(0, 0, mWidth, mHeight);
        g->SetColor(medium);
        g->DrawLine(1, 1, r - 1, 1);
        g->DrawLine(1, 1, 1, b - 1);
        return;
    }
    g->SetColor(light);
    g->DrawLine(0, 0, r - 1, 0);
    g->DrawLine(0, 0, 0, b - 1);
    g->SetColor(dark);
    g->DrawLine(0, b, r, b);
    g->DrawLine(r, 0, r, b);
    g->SetColor(medium);
    g->DrawLine(1, b - 1, r - 1, b - 1);
    g->DrawLine(r - 1, 1, r - 1, b - 1);
}

void ButtonWidget::DrawLabel(Graphics* g, bool hilite)
{
    if (mFont == nullptr || mLabel.empty())
        return;
    g->SetFont(mFont);
    g->SetColor(GetColor(hilite ? COLOR_LABEL_HILITE : COLOR_LABEL));
    int width = g->StringWidth(mLabel);
    int x = 0;
    if (mLabelJustify == BUTTON_LABEL_CENTER)
        x = (mWidth - width) / 2;
    else if (mLabelJustify == BUTTON_LABEL_RIGHT)
        x = mWidth - width;
    int y = (mHeight - mFont->GetHeight()) / 2 + mFont->GetAscent();
    if (IsButtonDown())
    {
        ++x;
        ++y;
    }
    g->WriteString(mLabel, x, y, -1, -1);
}

void ButtonWidget::Draw(Graphics* g)
{
    ButtonState state = GetState();
    if (!mBtnNoDraw)
    {
        bool anyImage =
            mButtonImage != nullptr || mOverImage != nullptr || mDownImage != nullptr || mDisabledImage != nullptr;
        if (!anyImage)
        {
            DrawPlainButton(g, state == STATE_DOWN);
        }
        else if (state == STATE_DISABLED || state == STATE_DOWN)
        {
            Image* image = nullptr;
            Rect src;
            GetStateLook(state, &image, &src);
            DrawButtonImage(g, image, src, 0, 0);
        }
        else
        {
            // Normal and over share the fading over look.
            double alpha = mOverAlpha;
            if (mIsOver && mOverAlphaFadeInSpeed <= 0.0)
                alpha = 1.0;
            else if (!mIsOver && mOverAlphaSpeed <= 0.0)
                alpha = 0.0;
            alpha = std::clamp(alpha, 0.0, 1.0);
            if (mOverImage == nullptr || alpha <= 0.0)
            {
                DrawButtonImage(g, mButtonImage, mNormalRect, 0, 0);
            }
            else if (alpha >= 1.0)
            {
                DrawButtonImage(g, mOverImage, mOverRect, 0, 0);
            }
            else
            {
                DrawButtonImage(g, mButtonImage, mNormalRect, 0, 0);
                g->PushState();
                g->SetColorizeImages(true);
                g->SetColor(Color(255, 255, 255, static_cast<int>(alpha * 255.0 + 0.5)));
                DrawButtonImage(g, mOverImage, mOverRect, 0, 0);
                g->PopState();
            }
        }
    }
    DrawLabel(g, state == STATE_OVER || state == STATE_DOWN);
}

void ButtonWidget::Update()
{
    Widget::Update();
    double old = mOverAlpha;
    if (mIsOver && !mDisabled)
        mOverAlpha = mOverAlphaFadeInSpeed > 0.0 ? std::min(1.0, mOverAlpha + mOverAlphaFadeInSpeed) : 1.0;
    else
        mOverAlpha = mOverAlphaSpeed > 0.0 ? std::max(0.0, mOverAlpha - mOverAlphaSpeed) : 0.0;
    if (mOverAlpha != old && mOverImage != nullptr)
        MarkDirty();

    // Last: the listener may delete the button.
    if (IsButtonDown() && mListener != nullptr)
        mListener->ButtonDownTick(mId);
}

void ButtonWidget::SetDisabled(bool disabled)
{
    if (disabled)
        mLeftPressed = false;
    Widget::SetDisabled(disabled);
}

void ButtonWidget::SetVisible(bool visible)
{
    if (!visible)
        mLeftPressed = false;
    Widget::SetVisible(visible);
}

void ButtonWidget::RemovedFromManager(WidgetManager* manager)
{
    mLeftPressed = false;
    Widget::RemovedFromManager(manager);
}

bool ButtonWidget::IsPointVisible(int x, int y)
{
    if (!mHitTestAlpha || mButtonImage == nullptr)
        return true;
    Rect src = mNormalRect;
    if (src.IsEmpty())
        src = Rect(0, 0, mButtonImage->GetWidth(), mButtonImage->GetHeight());
    if (x < 0 || y < 0 || x >= src.mWidth || y >= src.mHeight)
        return false;
    return (mButtonImage->GetPixelARGB(src.mX + x, src.mY + y) >> 24) != 0;
}

void ButtonWidget::MouseEnter()
{
    Widget::MouseEnter();
    MarkDirty();
    if (mListener != nullptr)
        mListener->ButtonMouseEnter(mId);
}

void ButtonWidget::MouseLeave()
{
    Widget::MouseLeave();
    MarkDirty();
    if (mListener != nullptr)
        mListener->ButtonMouseLeave(mId);
}

void ButtonWidget::MouseMove(int x, int y)
{
    Widget::MouseMove(x, y);
    if (mListener != nullptr)
        mListener->ButtonMouseMove(mId, x, y);
}

void ButtonWidget::MouseDrag(int x, int y)
{
    Widget::MouseDrag(x, y);
    MarkDirty();
    if (mIsOver && mListener != nullptr)
        mListener->ButtonMouseMove(mId, x, y);
}

void ButtonWidget::MouseDown(int x, int y, int button, int clickCount)
{
    Widget::MouseDown(x, y, button, clickCount);
    if (button != 0 || mDisabled || !mVisible)
        return;
    mLeftPressed = true;
    MarkDirty();
    if (mListener != nullptr)
        mListener->ButtonPress(mId, clickCount);
}

bool ButtonWidget::ReleasedOver(int x, int y)
{
    if (mIsOver)
        return true;
    // The manager may not have re-checked what lies under a mouse that did not move (the button
    // was shown or enabled under it), so ask it about the point itself.
    if (mWidgetManager != nullptr)
    {
        Point abs = GetAbsPos();
        return mWidgetManager->GetWidgetAt(abs.mX + x, abs.mY + y) == this;
    }
    return Rect(0, 0, mWidth, mHeight).Contains(x, y) && IsPointVisible(x, y);
}

void ButtonWidget::MouseUp(int x, int y, int button, int clickCount)
{
    Widget::MouseUp(x, y, button, clickCount);
    if (button != 0 || !mLeftPressed)
        return;
    mLeftPressed = false;
    MarkDirty();
    bool clicked = !mDisabled && mVisible && ReleasedOver(x, y);
    // Last: the listener may delete the button (a dialog closing, say).
    if (clicked && mListener != nullptr)
        mListener->ButtonDepress(mId);
}

} // namespace Sexy
