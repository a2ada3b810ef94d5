// ListWidget: a single-column list of wide text lines, each with its own colour, that scrolls by
// rows, follows the mouse with a hover row, selects a row on a click and reports it.
//
// Rows. mLines and mLineColors hold one entry per row (row 0 at the top). Row height is
// mItemHeight, or the font's height when mItemHeight is -1 (16 without a font). Rows start
// kRowInset pixels below the top edge; row i is drawn at (i - mPosition) * height + kRowInset,
// so mPosition (a real number) is the row shown at the top. mPageSize is the number of whole rows
// that fit (at least 1), kept up to date by Resize, SetItemHeight and SetFont. Lines may carry
// colour codes (see Graphics::WriteString); the line colour is the colour before the first code.
//
// Mouse. The hover row (mHiliteIdx, -1 for none) follows the pointer and is reported with
// ListHiliteChanged. A press first brings the hover row up to date with MouseMove (so a subclass
// that lays its rows out differently overrides MouseMove only) and then, when a row is hovered,
// selects it (mSelectIdx) and calls ListClicked(id, row, clickCount) with the click count of
// Widget::MouseDown: 1 or 2 for the left button, -1 or -2 for the right one, 3 for the middle one.
// The work is done in the four-value MouseDown. The wheel scrolls mWheelStep rows per notch.
// mDoFingerWhenHilited shows the hand cursor while a row is hovered.
//
// Scrollbar. SetScrollbar binds a ScrollbarWidget (not owned): the list keeps its maximum (the
// line count), page size and value in step with the rows and the scroll position, and follows
// the bar when it moves. A bar without a listener gets the list as its listener; one that reports
// elsewhere (such as to the first of linked lists, which passes the position along the chain)
// keeps its listener. While bound, the scroll position keeps to the bar's range. A bar that is
// deleted while bound is forgotten by the list; a list deleted while bound unbinds itself (and
// stops being the bar's listener).
//
// Linked lists. m_pPrev and m_pNext link lists that stand side by side as the columns of one
// table (set by the owner; null for a list on its own). Linked lists share their scroll
// position, hover row and selected row: setting one sets them in the whole chain. Rows are not
// added across the chain here; subclasses that keep columns aligned do it in AddLine. A linked
// list that is deleted takes itself out of the chain.
//
// Colours (mColors, see the COLOR_ indices): background, outline, text of new lines, hover fill
// and text (drawn only with mDrawSelectWhenHilited), selection fill and text.
#pragma once

#include "pop/Color.h"
#include "pop/Listeners.h"
#include "pop/Widget.h"

#include <functional>
#include <vector>

namespace Sexy
{

class Font;
class ScrollbarWidget;

class ListWidget : public Widget, public ScrollListener
{
public:
    // Indices into mColors.
    enum
    {
        COLOR_BKG,         // background (not filled when transparent)
        COLOR_OUTLINE,     // outline, with mDrawOutline
        COLOR_TEXT,        // colour given to each new line
        COLOR_HILITE,      // fill of the hover row
        COLOR_HILITE_TEXT, // text of the hover row
        COLOR_SELECT,      // fill of the selected row
        COLOR_SELECT_TEXT, // text of the selected row
        NUM_COLORS
    };

    // Text placement (mJustify).
    enum
    {
        JUSTIFY_LEFT = 0,
        JUSTIFY_CENTER = 1,
        JUSTIFY_RIGHT = 2
    };

    // Pixels between the top edge and the first row.
    static constexpr int kRowInset = 2;

    // font and listener are not owned and may be null.
    ListWidget(int id, Font* font, ListListener* listener);
    ~ListWidget() override;

    int mId;
    Font* mFont;
    ListListener* mListListener;
    ScrollbarWidget* mScrollbar = nullptr; // bound with SetScrollbar; not owned

    std::vector<SexyString> mLines;
    std::vector<Color> mLineColors;

    double mPosition = 0.0; // the row at the top
    int mPageSize = 1;      // whole rows that fit
    int mHiliteIdx = -1;    // hover row
    int mSelectIdx = -1;    // selected row
    int mItemHeight = -1;   // row height; -1: the font's height
    int mJustify = JUSTIFY_LEFT;
    bool mDrawOutline = false;
    // Fill the hover row and write it in the hover colours.
    bool mDrawSelectWhenHilited = false;
    // Hand cursor over a hovered row.
    bool mDoFingerWhenHilited = false;
    // Rows scrolled per wheel notch.
    int mWheelStep = 3;

    // Neighbour lists of a table (see above).
    ListWidget* m_pPrev = nullptr;
    ListWidget* m_pNext = nullptr;

    // Adds a line in COLOR_TEXT and returns its row: at the end, or with alphaSort before the first
    // line that compares greater. Hover and selection stay on their lines.
    virtual int AddLine(const SexyString& line, bool alphaSort = false);
    // Inserts a line in COLOR_TEXT before row (kept within 0..line count) and returns its row.
    virtual int InsertLine(int row, const SexyString& line);
    // Replaces a line's text; 0, or -1 for a row that does not exist.
    virtual int SetLine(int row, const SexyString& line);
    // Removes a line; 0, or -1 for a row that does not exist. Hover and selection stay on their
    // lines (or become -1 when theirs goes).
    virtual int RemoveLine(int row);
    // Removes every line: no hover, no selection, back at the top.
    virtual void RemoveAll();
    // The line's text; empty for a row that does not exist.
    virtual SexyString GetStringAt(int row) const;
    int GetLineCount() const { return static_cast<int>(mLines.size()); }
    // A row's colour; rows that do not exist are ignored (black is returned for them).
    virtual void SetLineColor(int row, const Color& color);
    Color GetLineColor(int row) const;

    // Selection and hover, for the whole chain of linked lists. Rows that do not exist become -1.
    // SetHilite reports a change to the listener.
    virtual void SetSelect(int row);
    virtual void SetHilite(int row);

    // Scrolling: the row at the top, kept within 0..line count - page size (or within the bound
    // scrollbar's range), for the whole chain; the bound scrollbar follows.
    virtual void SetScrollPosition(double position);
    double GetScrollPosition() const { return mPosition; }

    virtual void SetScrollbar(ScrollbarWidget* scrollbar);
    virtual void SetFont(Font* font);
    virtual void SetItemHeight(int height);
    // The row height in pixels (mItemHeight, or the font's height).
    int GetItemHeight() const;
    // The row under a point of the widget, in this list's layout; -1 when none.
    int GetRowAt(int x, int y) const;

    void Draw(Graphics* g) override;
    void Resize(int x, int y, int width, int height) override;
    using WidgetContainer::Resize;
    void MouseMove(int x, int y) override;
    void MouseLeave() override;
    using Widget::MouseDown;
    void MouseDown(int x, int y, int button, int clickCount) override;
    void MouseWheel(int delta) override;

    // From the bound scrollbar: the row at the top, for the whole chain.
    void ScrollPosition(int id, double position) override;

protected:
    // Draws one row with its top at y; fill and text colours as chosen by Draw.
    virtual void DrawRow(Graphics* g, int row, int y, int height, const Color* fill, const Color& text);
    // Recomputes mPageSize from the height and hands it to the scrollbar; subclasses that lay
    // their rows out differently count their own.
    virtual void UpdatePageSize();
    // Hands the line count and position to the scrollbar.
    void SyncScrollbar();
    // Runs f on every list of the chain (this one included), left to right.
    void ForEachLinked(const std::function<void(ListWidget*)>& f);
    // Sets the hover row again from the pointer after the rows moved under it.
    void RefreshHover();

private:
    friend class ScrollbarWidget;

    void ApplyPosition(double position);
    void Unbind();
};

} // namespace Sexy
