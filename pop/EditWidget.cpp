#include "pop/EditWidget.h"

#include "pop/Clipboard.h"
#include "pop/Graphics.h"
#include "pop/WidgetManager.h"

#include <SDL.h>

#include <algorithm>
#include <climits>

namespace Sexy
{

namespace
{

enum CharKind
{
    KIND_BLANK,
    KIND_WORD,
    KIND_PUNCT
};

CharKind KindOf(wchar_t ch)
{
    if (ch == L' ' || ch == L'\t' || ch == 0xA0 || ch == 0x3000)
        return KIND_BLANK;
    if ((ch >= L'0' && ch <= L'9') || (ch >= L'A' && ch <= L'Z') || (ch >= L'a' && ch <= L'z') || ch == L'_')
        return KIND_WORD;
    if (ch < 0x80)
        return KIND_PUNCT;
    // General punctuation, CJK punctuation and the full-width forms of ASCII punctuation.
    if ((ch >= 0x2000 && ch <= 0x206F) || (ch >= 0x3000 && ch <= 0x303F) || (ch >= 0xFF01 && ch <= 0xFF0F) ||
        (ch >= 0xFF1A && ch <= 0xFF20) || (ch >= 0xFF3B && ch <= 0xFF40) || (ch >= 0xFF5B && ch <= 0xFF65))
        return KIND_PUNCT;
    return KIND_WORD; // letters of every script, Chinese characters included
}

// Characters that never become text: C0 and C1 controls, line and paragraph separators, lone
// surrogate halves and values beyond Unicode.
bool IsControlChar(wchar_t ch)
{
    unsigned long c = static_cast<unsigned long>(ch);
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029 || (c >= 0xD800 && c <= 0xDFFF) ||
           c > 0x10FFFF;
}

int Length(const SexyString& s)
{
    return s.size() > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(s.size());
}

Color DefaultColor(int slot)
{
    switch (slot)
    {
    case EditWidget::COLOR_BKG:
        return Color::White;
    case EditWidget::COLOR_HILITE:
        return Color(0, 120, 215);
    case EditWidget::COLOR_HILITE_TEXT:
        return Color::White;
    default:
        return Color::Black;
    }
}

// The modifier keys as the desktop's keyboard has them now; nothing without a window.
int DesktopModifiers()
{
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0)
        return 0;
    return static_cast<int>(SDL_GetModState());
}

} // namespace

EditWidget::EditWidget(int id, EditListener* listener) : mId(id), mEditListener(listener)
{
    for (int slot = 0; slot < NUM_COLORS; ++slot)
        mColors.push_back(DefaultColor(slot));
}

EditWidget::~EditWidget() = default;

void EditWidget::SetFont(Font* font)
{
    SetFont(font != nullptr ? font->Duplicate() : nullptr);
}

void EditWidget::SetFont(std::unique_ptr<Font> font)
{
    mFont = std::move(font);
    ClampPositions();
    FocusCursor();
    MarkDirty();
}

void EditWidget::SetText(const SexyString& text, bool leaveCursor)
{
    mString = text;
    if (mMaxChars >= 0 && mString.size() > static_cast<size_t>(mMaxChars))
        mString.resize(static_cast<size_t>(mMaxChars));
    if (!leaveCursor)
    {
        mCursorPos = Length(mString);
        mHilitePos = -1;
    }
    ClampPositions();
    FocusCursor();
    MarkDirty();
}

SexyString EditWidget::GetDisplayString() const
{
    if (mPasswordChar != 0)
        return SexyString(mString.size(), mPasswordChar);
    return mString;
}

bool EditWidget::HasSelection() const
{
    int start = 0, end = 0;
    GetSelection(&start, &end);
    return start != end;
}

void EditWidget::GetSelection(int* start, int* end) const
{
    const int len = Length(mString);
    const int cursor = std::clamp(mCursorPos, 0, len);
    const int anchor = mHilitePos < 0 ? cursor : std::min(mHilitePos, len);
    if (start != nullptr)
        *start = std::min(cursor, anchor);
    if (end != nullptr)
        *end = std::max(cursor, anchor);
}

SexyString EditWidget::GetSelectedText() const
{
    int start = 0, end = 0;
    GetSelection(&start, &end);
    return mString.substr(static_cast<size_t>(start), static_cast<size_t>(end - start));
}

void EditWidget::SetSelection(int anchor, int cursor)
{
    const int len = Length(mString);
    mHilitePos = std::clamp(anchor, 0, len);
    mCursorPos = std::clamp(cursor, 0, len);
    ClampPositions();
    FocusCursor();
    ResetBlink();
    MarkDirty();
}

void EditWidget::SelectAll()
{
    SetSelection(0, Length(mString));
}

void EditWidget::Copy()
{
    if (mPasswordChar != 0 || !HasSelection())
        return;
    Sexy::CopyToClipboard(GetSelectedText());
}

void EditWidget::Cut()
{
    if (mPasswordChar != 0 || !HasSelection())
        return;
    Sexy::CopyToClipboard(GetSelectedText());
    int start = 0, end = 0;
    GetSelection(&start, &end);
    ReplaceRange(start, end, SexyString());
}

bool EditWidget::Paste()
{
    SexyString clip = GetClipboard();
    // One line: the first one that holds anything.
    size_t first = clip.find_first_not_of(L"\r\n");
    if (first == SexyString::npos)
        return false;
    size_t eol = clip.find_first_of(L"\r\n", first);
    clip = clip.substr(first, eol == SexyString::npos ? SexyString::npos : eol - first);

    SexyString insert;
    insert.reserve(clip.size());
    for (wchar_t ch : clip)
    {
        if (ch == L'\t')
            ch = L' ';
        if (IsControlChar(ch))
            continue;
        if (mEditListener != nullptr && !mEditListener->AllowChar(mId, ch))
            continue;
        insert.push_back(ch);
    }
    if (insert.empty())
        return false;
    return ReplaceSelection(insert);
}

int EditWidget::GetCharAt(int x)
{
    ClampPositions();
    const SexyString display = GetDisplayString();
    const int len = Length(display);
    const int target = x - kTextInset;
    // Offset of a boundary from the first shown character; negative left of it.
    auto offset = [&](int pos)
    { return pos >= mLeftPos ? TextWidth(display, mLeftPos, pos) : -TextWidth(display, pos, mLeftPos); };
    // The first boundary at or right of the target, then whichever neighbour is nearer.
    int lo = 0, hi = len;
    while (lo < hi)
    {
        int mid = lo + (hi - lo) / 2;
        if (offset(mid) < target)
            lo = mid + 1;
        else
            hi = mid;
    }
    if (lo > 0)
    {
        int right = offset(lo);
        if (right >= target && target - offset(lo - 1) < right - target)
            --lo;
    }
    return lo;
}

void EditWidget::Resize(int x, int y, int width, int height)
{
    Widget::Resize(x, y, width, height);
    ClampPositions();
    FocusCursor();
    MarkDirty();
}

void EditWidget::Update()
{
    Widget::Update();
    if (!mHasFocus)
    {
        if (mShowingCursor)
        {
            mShowingCursor = false;
            MarkDirty();
        }
        return;
    }
    if (mBlinkDelay <= 0)
    {
        // No blinking: the caret stays.
        if (!mShowingCursor)
        {
            mShowingCursor = true;
            MarkDirty();
        }
        return;
    }
    if (++mBlinkAcc >= mBlinkDelay)
    {
        mBlinkAcc = 0;
        mShowingCursor = !mShowingCursor;
        MarkDirty();
    }
}

Color EditWidget::GetSlotColor(int slot) const
{
    return GetColor(slot, DefaultColor(slot));
}

void EditWidget::Draw(Graphics* g)
{
    ClampPositions();
    g->SetColor(GetColor(COLOR_BKG, DefaultColor(COLOR_BKG)));
    g->FillRect(0, 0, mWidth, mHeight);
    g->SetColor(GetColor(COLOR_OUTLINE, DefaultColor(COLOR_OUTLINE)));
    g->DrawRect(0, 0, mWidth, mHeight);

    Font* font = mFont.get();
    const SexyString display = GetDisplayString();
    const int len = Length(display);
    const int visible = mWidth - 2 * kTextInset;
    const int fontHeight = font != nullptr ? font->GetHeight() : std::max(0, mHeight - 2 * kTextInset);
    const int top = (mHeight - fontHeight) / 2;
    const int baseline = top + (font != nullptr ? font->GetAscent() : 0);

    // Only what fits is drawn: up to and including the first character that crosses the right edge.
    int lo = mLeftPos, hi = len;
    while (lo < hi)
    {
        int mid = lo + (hi - lo) / 2;
        if (TextWidth(display, mLeftPos, mid) > visible)
            hi = mid;
        else
            lo = mid + 1;
    }
    const SexyString shown = display.substr(static_cast<size_t>(mLeftPos), static_cast<size_t>(lo - mLeftPos));
    auto offset = [&](int pos)
    { return pos >= mLeftPos ? TextWidth(display, mLeftPos, pos) : -TextWidth(display, pos, mLeftPos); };

    g->PushState();
    g->ClipRect(kTextInset, 0, visible, mHeight);
    g->SetFont(font);
    g->SetColor(GetColor(COLOR_TEXT, DefaultColor(COLOR_TEXT)));
    g->DrawString(shown, kTextInset, baseline);
    if (mHasFocus)
    {
        int start = 0, end = 0;
        GetSelection(&start, &end);
        if (start != end)
        {
            const int x1 = kTextInset + offset(start);
            const int x2 = kTextInset + offset(end);
            g->ClipRect(x1, top, x2 - x1, fontHeight);
            g->SetColor(GetColor(COLOR_HILITE, DefaultColor(COLOR_HILITE)));
            g->FillRect(x1, top, x2 - x1, fontHeight);
            g->SetColor(GetColor(COLOR_HILITE_TEXT, DefaultColor(COLOR_HILITE_TEXT)));
            g->DrawString(shown, kTextInset, baseline);
        }
        else if (mShowingCursor)
        {
            g->FillRect(kTextInset + offset(mCursorPos), top, kCaretWidth, fontHeight);
        }
    }
    g->PopState();
}

void EditWidget::MouseDown(int x, int y, int button, int clickCount)
{
    (void)y;
    if (mWidgetManager != nullptr)
        mWidgetManager->SetFocus(this);
    if (button != WidgetManager::BUTTON_LEFT)
        return;
    ClampPositions();
    if (clickCount >= 2)
    {
        mDragSelecting = false; // the word stays selected until the next press
        HiliteWord(GetCharAt(x));
        return;
    }
    mDragSelecting = true;
    const int pos = GetCharAt(x);
    if (IsShiftDown())
    {
        MoveCursor(pos, true);
        return;
    }
    // The press is the anchor a drag selects from.
    mCursorPos = pos;
    mHilitePos = pos;
    FocusCursor();
    ResetBlink();
    MarkDirty();
}

void EditWidget::MouseUp(int x, int y, int button, int clickCount)
{
    if (button == WidgetManager::BUTTON_LEFT)
        mDragSelecting = false;
    Widget::MouseUp(x, y, button, clickCount);
}

void EditWidget::MouseDrag(int x, int y)
{
    (void)y;
    if (!mDragSelecting)
        return;
    ClampPositions();
    const int pos = GetCharAt(x);
    if (pos == mCursorPos)
        return;
    if (mHilitePos < 0)
        mHilitePos = mCursorPos;
    mCursorPos = pos;
    FocusCursor();
    ResetBlink();
    MarkDirty();
}

void EditWidget::KeyDown(KeyCode key)
{
    if (key == KEYCODE_SHIFT)
    {
        mShiftHeld = true;
        return;
    }
    if (key == KEYCODE_CONTROL)
    {
        mCtrlHeld = true;
        return;
    }
    if (mEditListener != nullptr && !mEditListener->AllowKey(mId, key))
        return;
    ClampPositions();
    const bool shift = IsShiftDown();
    const bool ctrl = IsCtrlDown();
    const int len = Length(mString);
    int start = 0, end = 0;
    GetSelection(&start, &end);
    const bool selection = start != end;

    switch (key)
    {
    case KEYCODE_LEFT:
        if (ctrl)
            MoveCursor(WordLeft(mCursorPos), shift);
        else if (selection && !shift)
            MoveCursor(start, false);
        else
            MoveCursor(mCursorPos - 1, shift);
        break;
    case KEYCODE_RIGHT:
        if (ctrl)
            MoveCursor(WordRight(mCursorPos), shift);
        else if (selection && !shift)
            MoveCursor(end, false);
        else
            MoveCursor(mCursorPos + 1, shift);
        break;
    case KEYCODE_HOME:
        MoveCursor(0, shift);
        break;
    case KEYCODE_END:
        MoveCursor(len, shift);
        break;
    case KEYCODE_BACK:
        if (selection)
            ReplaceRange(start, end, SexyString());
        else if (mCursorPos > 0)
            ReplaceRange(ctrl ? WordLeft(mCursorPos) : mCursorPos - 1, mCursorPos, SexyString());
        break;
    case KEYCODE_DELETE:
        if (shift && !ctrl)
            Cut();
        else if (selection)
            ReplaceRange(start, end, SexyString());
        else if (mCursorPos < len)
            ReplaceRange(mCursorPos, ctrl ? WordRight(mCursorPos) : mCursorPos + 1, SexyString());
        break;
    case KEYCODE_INSERT:
        if (ctrl)
            Copy();
        else if (shift)
            Paste();
        break;
    case KEYCODE_A:
        if (ctrl)
            SelectAll();
        break;
    case KEYCODE_C:
        if (ctrl)
            Copy();
        break;
    case KEYCODE_X:
        if (ctrl)
            Cut();
        break;
    case KEYCODE_V:
        if (ctrl)
            Paste();
        break;
    case KEYCODE_RETURN:
    {
        // The listener may change the text, or delete this field: nothing of it is touched after.
        EditListener* listener = mEditListener;
        const int id = mId;
        const SexyString text = mString;
        if (listener != nullptr)
            listener->EditWidgetText(id, text);
        return;
    }
    default:
        break;
    }
}

void EditWidget::KeyUp(KeyCode key)
{
    if (key == KEYCODE_SHIFT)
        mShiftHeld = false;
    else if (key == KEYCODE_CONTROL)
        mCtrlHeld = false;
}

void EditWidget::KeyChar(SexyChar ch)
{
    if (IsControlChar(ch))
        return;
    if (mEditListener != nullptr && !mEditListener->AllowChar(mId, ch))
        return;
    ReplaceSelection(SexyString(1, ch));
}

void EditWidget::GotFocus()
{
    // Modifiers pressed before the focus came were seen by another widget; the keyboard knows.
    const int mods = DesktopModifiers();
    mShiftHeld = (mods & KMOD_SHIFT) != 0;
    mCtrlHeld = (mods & KMOD_CTRL) != 0;
    ResetBlink();
    MarkDirty();
}

void EditWidget::LostFocus()
{
    mShiftHeld = false;
    mCtrlHeld = false;
    mDragSelecting = false;
    mShowingCursor = false;
    mBlinkAcc = 0;
    MarkDirty();
}

bool EditWidget::IsShiftDown() const
{
    return mShiftHeld;
}

bool EditWidget::IsCtrlDown() const
{
    return mCtrlHeld;
}

void EditWidget::MoveCursor(int pos, bool select)
{
    ClampPositions();
    pos = std::clamp(pos, 0, Length(mString));
    if (select)
    {
        if (mHilitePos < 0)
            mHilitePos = mCursorPos;
    }
    else
    {
        mHilitePos = -1;
    }
    mCursorPos = pos;
    FocusCursor();
    ResetBlink();
    MarkDirty();
}

bool EditWidget::ReplaceSelection(const SexyString& text)
{
    ClampPositions();
    int start = 0, end = 0;
    GetSelection(&start, &end);
    SexyString insert = text;
    if (mMaxChars >= 0)
    {
        const long long kept = static_cast<long long>(mString.size()) - (end - start);
        const long long room = std::max(0LL, static_cast<long long>(mMaxChars) - kept);
        if (static_cast<long long>(insert.size()) > room)
            insert.resize(static_cast<size_t>(room));
    }
    if (insert.empty())
        return false; // nothing fits: the selection stays
    return ReplaceRange(start, end, insert);
}

bool EditWidget::ReplaceRange(int start, int end, const SexyString& text)
{
    ClampPositions();
    const int len = Length(mString);
    start = std::clamp(start, 0, len);
    end = std::clamp(end, start, len);
    if (start == end && text.empty())
        return false;
    SexyString candidate = mString;
    candidate.replace(static_cast<size_t>(start), static_cast<size_t>(end - start), text);
    if (mEditListener != nullptr && !mEditListener->AllowText(mId, candidate))
        return false;
    mString = std::move(candidate);
    mCursorPos = start + Length(text);
    mHilitePos = -1;
    ClampPositions();
    FocusCursor();
    ResetBlink();
    MarkDirty();
    return true;
}

void EditWidget::ClampPositions()
{
    const int len = Length(mString);
    mCursorPos = std::clamp(mCursorPos, 0, len);
    mHilitePos = mHilitePos < 0 ? -1 : std::min(mHilitePos, len);
    mLeftPos = std::clamp(mLeftPos, 0, len);
}

namespace
{

// The lowest start in [lo, hi] whose run up to end is at most limit pixels wide (hi when none
// is); widths shrink as the start moves right.
template <typename WidthFn> int LowestStartWithin(WidthFn width, int lo, int hi, int limit)
{
    while (lo < hi)
    {
        int mid = lo + (hi - lo) / 2;
        if (width(mid) <= limit)
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}

} // namespace

void EditWidget::FocusCursor()
{
    const SexyString display = GetDisplayString();
    const int len = Length(display);
    const int visible = mWidth - 2 * kTextInset;
    const int room = visible - kCaretWidth;
    auto toCursor = [&](int from) { return TextWidth(display, from, mCursorPos); };
    auto toEnd = [&](int from) { return TextWidth(display, from, len); };

    if (mCursorPos < mLeftPos)
    {
        // Scrolling back to the left: a third of the field shows what comes before the cursor.
        mLeftPos = room < 0 ? mCursorPos : LowestStartWithin(toCursor, 0, mCursorPos, visible / 3);
    }
    if (toCursor(mLeftPos) > room)
        mLeftPos = room < 0 ? mCursorPos : LowestStartWithin(toCursor, mLeftPos, mCursorPos, room);
    // No empty room on the right while text is hidden on the left.
    if (mLeftPos > 0 && room >= 0)
        mLeftPos = std::min(mLeftPos, LowestStartWithin(toEnd, 0, mLeftPos, room));
}

void EditWidget::ResetBlink()
{
    mBlinkAcc = 0;
    if (!mShowingCursor)
    {
        mShowingCursor = true;
        MarkDirty();
    }
}

void EditWidget::HiliteWord(int pos)
{
    ClampPositions();
    const int len = Length(mString);
    if (len == 0)
        return;
    if (mPasswordChar != 0)
    {
        SelectAll();
        return;
    }
    pos = std::clamp(pos, 0, len);
    // The character at the boundary, or the word character just before it.
    int c = std::min(pos, len - 1);
    if (pos > 0 && KindOf(mString[pos - 1]) == KIND_WORD && (pos == len || KindOf(mString[pos]) != KIND_WORD))
        c = pos - 1;
    const CharKind kind = KindOf(mString[c]);
    int start = c;
    while (start > 0 && KindOf(mString[start - 1]) == kind)
        --start;
    int end = c + 1;
    while (end < len && KindOf(mString[end]) == kind)
        ++end;
    SetSelection(start, end);
}

int EditWidget::WordLeft(int pos) const
{
    const int len = Length(mString);
    int p = std::clamp(pos, 0, len);
    if (mPasswordChar != 0)
        return 0;
    while (p > 0 && KindOf(mString[p - 1]) == KIND_BLANK)
        --p;
    if (p > 0)
    {
        const CharKind kind = KindOf(mString[p - 1]);
        while (p > 0 && KindOf(mString[p - 1]) == kind)
            --p;
    }
    return p;
}

int EditWidget::WordRight(int pos) const
{
    const int len = Length(mString);
    int p = std::clamp(pos, 0, len);
    if (mPasswordChar != 0)
        return len;
    if (p < len)
    {
        const CharKind kind = KindOf(mString[p]);
        while (p < len && KindOf(mString[p]) == kind)
            ++p;
    }
    while (p < len && KindOf(mString[p]) == KIND_BLANK)
        ++p;
    return p;
}

int EditWidget::TextWidth(const SexyString& display, int from, int to) const
{
    if (!mFont || to <= from)
        return 0;
    return mFont->StringWidth(display.substr(static_cast<size_t>(from), static_cast<size_t>(to - from)));
}

} // namespace Sexy
