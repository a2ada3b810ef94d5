#include "pop/Checkbox.h"

#include "pop/Graphics.h"
#include "pop/Image.h"

#include <algorithm>

namespace Sexy
{

Checkbox::Checkbox(Image* uncheckedImage, Image* checkedImage, int id, CheckboxListener* listener)
    : mId(id), mListener(listener), mUncheckedImage(uncheckedImage), mCheckedImage(checkedImage)
{
    mDoFinger = true;
    static int colors[NUM_COLORS][3] = {
        {0, 0, 0},       // outline
        {255, 255, 255}, // inside
        {0, 0, 0},       // check mark
        {160, 160, 160}, // outline and mark of a disabled box
    };
    SetColors(colors, NUM_COLORS);
}

void Checkbox::SetChecked(bool checked, bool tellListener)
{
    if (mChecked == checked)
        return;
    mChecked = checked;
    MarkDirty();
    // Last: the listener may delete the box.
    if (tellListener && mListener != nullptr)
        mListener->CheckboxChecked(mId, checked);
}

void Checkbox::DrawPlainBox(Graphics* g)
{
    int size = std::min(mWidth, mHeight);
    if (size <= 0)
        return;
    Color ink = GetColor(mDisabled ? COLOR_CHECKBOX_DISABLED : COLOR_CHECKBOX_OUTLINE);
    g->SetColor(GetColor(COLOR_CHECKBOX_BKG));
    g->FillRect(0, 0, size, size);
    g->SetColor(ink);
    g->DrawRect(0, 0, size, size);
    if (!mChecked || size < 7)
        return;
    g->SetColor(mDisabled ? ink : GetColor(COLOR_CHECKBOX_CHECK));
    g->FillRect(3, 3, size - 6, size - 6);
}

void Checkbox::Draw(Graphics* g)
{
    Image* image = mChecked ? mCheckedImage : mUncheckedImage;
    const Rect& src = mChecked ? mCheckedRect : mUncheckedRect;
    if (image == nullptr)
    {
        DrawPlainBox(g);
        return;
    }
    if (src.IsEmpty())
        g->DrawImage(image, 0, 0);
    else
        g->DrawImage(image, 0, 0, src);
}

void Checkbox::MouseDown(int x, int y, int button, int clickCount)
{
    Widget::MouseDown(x, y, button, clickCount);
    if (button != 0 || mDisabled || !mVisible)
        return;
    SetChecked(!mChecked, true);
}

} // namespace Sexy
