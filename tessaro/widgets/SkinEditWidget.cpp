#include "tessaro/widgets/SkinEditWidget.h"

#include "pop/Graphics.h"
#include "pop/SysFont.h"

#include <algorithm>

namespace Sexy
{

SkinEditWidget::SkinEditWidget(int iId, EditListener* pListener) : EditWidget(iId, pListener) {}

void SkinEditWidget::Draw(Graphics* g)
{
    if (!mFont)
        mFont = std::make_unique<SysFont>("Arial Unicode MS", 10);
    ClampPositions();
    Font* font = mFont.get();
    const SexyString display = GetDisplayString();
    const SexyString shown = display.substr(static_cast<size_t>(mLeftPos));
    const int top = (mHeight - font->GetHeight()) / 2;
    const int baseline = top + font->GetAscent();

    // The text, inside the field less the inset on either side.
    {
        Graphics text(*g);
        text.SetFont(font);
        text.ClipRect(kTextInset, 0, mWidth - 2 * kTextInset, mHeight);
        text.SetColor(GetSlotColor(COLOR_TEXT));
        text.DrawString(shown, kTextInset, baseline);
    }

    // The selection, or the caret: the span between the cursor and the selection's other end (the
    // caret's own 2 pixels without a selection), the caret's side held back by 2 pixels in the
    // blink's off phase, so that a caret alone disappears then.
    const int cursor = TextWidth(display, mLeftPos, mCursorPos);
    int a = cursor + (mShowingCursor ? 0 : kCaretWidth);
    int b = HasSelection() ? TextWidth(display, mLeftPos, mHilitePos) : cursor + kCaretWidth;
    const int limit = std::max(0, mWidth - 2 * kTextInset);
    a = std::clamp(a, 0, limit);
    b = std::clamp(b, 0, limit);
    const int from = std::min(a, b);
    const int width = std::max(a, b) - from;

    Graphics span(*g);
    span.SetFont(font);
    span.ClipRect(from + kTextInset, top, width, font->GetHeight());
    if (mHasFocus)
    {
        span.SetColor(GetSlotColor(COLOR_HILITE));
        span.FillRect(from + kTextInset, top, width, font->GetHeight());
        span.SetColor(GetSlotColor(COLOR_HILITE_TEXT));
    }
    else
    {
        span.SetColor(GetSlotColor(COLOR_TEXT));
    }
    span.DrawString(shown, kTextInset, baseline);
}

} // namespace Sexy
