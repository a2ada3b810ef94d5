// A one-line text field.
//
// Text arrives as typed characters (KeyChar; an input method's committed text comes the same way,
// one character at a time, so Chinese input works) and is edited with the keys:
//
//   Left, Right          move the cursor (Ctrl: by words; Shift: extend the selection)
//   Home, End            to the start or the end (Shift: extend the selection)
//   Backspace, Delete    delete the selection, or the character before or after the cursor
//                        (Ctrl: the word)
//   Ctrl+A               select everything
//   Ctrl+C, Ctrl+Insert  copy the selection        (nothing in a password field)
//   Ctrl+X, Shift+Delete cut the selection         (nothing in a password field)
//   Ctrl+V, Shift+Insert paste, replacing the selection (pop/Clipboard.h)
//   Return               report the text to the listener: EditWidgetText(id, text)
//
// Escape, Tab, Up and Down do nothing here. Control characters are never taken as text; a paste
// keeps its first line only.
//
// The mouse: a press takes the keyboard focus and places the cursor at the nearest character
// boundary (with Shift held it extends the selection), dragging selects, a double click selects
// the word under the pointer (a run of letters and digits, of Chinese characters, of blanks or of
// punctuation).
//
// The listener decides what may enter: AllowKey is asked for every editing key, AllowChar for
// every typed or pasted character (refused pasted characters are left out), AllowText for the
// whole new text of every change the user makes. mMaxChars limits the length for typing and
// pasting alike (a paste is cut to the room left). SetText is the owner's and asks nobody, but
// keeps the maximum too.
//
// Modifier keys: the framework hands widgets bare key codes, so the field follows Shift and Ctrl
// from their own KeyDown and KeyUp (a player's presses reach the focused widget). With a window it
// also reads the keyboard when it takes the focus, so a Shift held before that counts.
//
// Input methods: the application keeps text input on for its whole life, so the field needs no
// start or stop of its own; it sees committed text only (no composition shown in the field).
//
// Drawing (Draw): the background (COLOR_BKG), a one-pixel outline (COLOR_OUTLINE), the text from
// mLeftPos on in COLOR_TEXT starting kTextInset pixels from the left and centred vertically,
// clipped to the field less kTextInset on either side. With the focus, the selection is filled with
// COLOR_HILITE and its text drawn in COLOR_HILITE_TEXT, and without a selection a caret
// kCaretWidth pixels wide blinks at the cursor in COLOR_TEXT. Subclasses that draw themselves read
// the members below; mouse positions map to characters through GetCharAt, which assumes the text
// starts kTextInset pixels from the left edge.
#pragma once

#include "pop/Font.h"
#include "pop/Listeners.h"
#include "pop/Widget.h"

#include <memory>

namespace Sexy
{

class EditWidget : public Widget
{
public:
    // Slots of the colour list (Widget::SetColors); missing entries take the defaults the
    // constructor sets.
    enum
    {
        COLOR_BKG = 0,
        COLOR_OUTLINE = 1,
        COLOR_TEXT = 2,
        COLOR_HILITE = 3,
        COLOR_HILITE_TEXT = 4,
        NUM_COLORS = 5
    };

    // Where the text starts from the left edge, and the caret's width, in pixels.
    static constexpr int kTextInset = 2;
    static constexpr int kCaretWidth = 2;

    // The listener is not owned (see pop/Listeners.h); null for none.
    EditWidget(int id, EditListener* listener);
    ~EditWidget() override;

    int mId;
    EditListener* mEditListener;

    // The font the text is measured and drawn with, owned by the field. Without one the text is
    // neither drawn nor measured (every width is 0).
    std::unique_ptr<Font> mFont;

    // The text. Positions below are character indices into it, 0 to its length.
    SexyString mString;
    // Drawn instead of every character when not 0 (a password field).
    SexyChar mPasswordChar = 0;
    // The most characters the text may hold; -1 for no limit.
    int mMaxChars = -1;

    // The cursor.
    int mCursorPos = 0;
    // The selection's other end (its anchor); the selection runs between it and the cursor. There
    // is none when it is -1 or equal to mCursorPos.
    int mHilitePos = -1;
    // The first character shown: the field scrolls so that the cursor stays in view.
    int mLeftPos = 0;

    // The caret blinks while the field has the focus: mShowingCursor is its phase (true: shown),
    // turned every mBlinkDelay updates, counted in mBlinkAcc. Editing and moving the cursor show
    // it and start the count anew.
    bool mShowingCursor = false;
    int mBlinkAcc = 0;
    int mBlinkDelay = 40;

    // A copy of the font (the caller keeps its own); null removes it.
    virtual void SetFont(Font* font);
    // Takes the font over.
    void SetFont(std::unique_ptr<Font> font);

    // Replaces the text, cut to mMaxChars. The cursor goes to the end and the selection is dropped;
    // with leaveCursor the cursor and the selection stay where they were, moved back inside the
    // new text when it is shorter.
    virtual void SetText(const SexyString& text, bool leaveCursor = false);
    const SexyString& GetText() const { return mString; }
    // What is drawn: the text, or as many password characters.
    SexyString GetDisplayString() const;
    // A colour slot's colour, or the field's default for that slot when the list has none, for
    // subclasses that draw the field themselves.
    Color GetSlotColor(int slot) const;

    bool HasSelection() const;
    // The selected range [start, end); both equal the cursor without a selection.
    void GetSelection(int* start, int* end) const;
    SexyString GetSelectedText() const;
    // Selects from anchor to cursor (moved inside the text); the cursor is kept in view.
    void SetSelection(int anchor, int cursor);
    void SelectAll();

    // Clipboard operations, as their keys do them. Paste goes through AllowChar, mMaxChars and
    // AllowText like typing; it returns whether the text changed.
    void Copy();
    void Cut();
    bool Paste();

    // The character boundary nearest to x (the field's own coordinates) at the current scroll.
    int GetCharAt(int x);

    using Widget::MouseDown;
    using Widget::MouseUp;
    using WidgetContainer::Resize;

    void Resize(int x, int y, int width, int height) override;
    void Update() override;
    void Draw(Graphics* g) override;
    void MouseDown(int x, int y, int button, int clickCount) override;
    void MouseUp(int x, int y, int button, int clickCount) override;
    void MouseDrag(int x, int y) override;
    void KeyDown(KeyCode key) override;
    void KeyUp(KeyCode key) override;
    void KeyChar(SexyChar ch) override;
    void GotFocus() override;
    void LostFocus() override;

protected:
    // Whether Shift or Ctrl is held now.
    bool IsShiftDown() const;
    bool IsCtrlDown() const;

    // Moves the cursor; with select the selection is extended, otherwise dropped.
    void MoveCursor(int pos, bool select);
    // Replaces the selection (or inserts at the cursor) with text cut to the room mMaxChars leaves;
    // nothing happens when none of it fits. Returns whether the text changed.
    bool ReplaceSelection(const SexyString& text);
    // Replaces the characters [start, end) with text if AllowText agrees; the cursor ends after
    // the new text and the selection is dropped. Returns whether the text changed.
    bool ReplaceRange(int start, int end, const SexyString& text);
    // Brings mCursorPos, mHilitePos and mLeftPos back inside the text (the members are public).
    void ClampPositions();
    // Scrolls (mLeftPos) so that the cursor is in view and no room is wasted on the right.
    void FocusCursor();
    // Shows the caret and starts its blink count anew.
    void ResetBlink();
    // Selects the word around a position.
    void HiliteWord(int pos);
    // The start of the word before pos, and the end of the word at or after it.
    int WordLeft(int pos) const;
    int WordRight(int pos) const;

    // The width of display[from, to) in the font; 0 without a font.
    int TextWidth(const SexyString& display, int from, int to) const;

private:
    bool mShiftHeld = false;
    bool mCtrlHeld = false;
    bool mDragSelecting = false;
};

} // namespace Sexy
