// The one-line edit field, driven through the headless harness the way a player types and clicks.
#include "pop/Clipboard.h"
#include "pop/EditWidget.h"
#include "pop/SysFont.h"
#include "pop/TestHarness.h"
#include "pop/WidgetManager.h"

#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

using namespace Sexy;

namespace
{

struct RecordingListener : EditListener
{
    std::vector<std::pair<int, SexyString>> lines;
    std::function<bool(SexyChar)> allowChar;
    std::function<bool(const SexyString&)> allowText;
    std::function<bool(KeyCode)> allowKey;
    std::function<void()> onText;

    // onText runs first: a listener may change the field before it looks at the text.
    void EditWidgetText(int id, const SexyString& text) override
    {
        if (onText)
            onText();
        lines.emplace_back(id, text);
    }
    bool AllowKey(int, KeyCode key) override { return allowKey ? allowKey(key) : true; }
    bool AllowChar(int, SexyChar ch) override { return allowChar ? allowChar(ch) : true; }
    bool AllowText(int, const SexyString& text) override { return allowText ? allowText(text) : true; }
};

// A 200 x 24 field at (10, 10) with the focus, in a 400 x 100 window.
class EditTest : public testing::Test
{
protected:
    static constexpr int kX = 10;
    static constexpr int kY = 10;

    EditTest() : h(400, 100), font("宋体", 12), edit(7, &listener)
    {
        edit.SetFont(&font);
        edit.Resize(kX, kY, 200, 24);
        h.GetWidgetManager()->AddWidget(&edit);
        h.GetWidgetManager()->SetFocus(&edit);
    }
    ~EditTest() override { h.GetWidgetManager()->RemoveWidget(&edit); }

    void Press(KeyCode key)
    {
        h.KeyDown(key);
        h.KeyUp(key);
    }
    void With(KeyCode modifier, KeyCode key)
    {
        h.KeyDown(modifier);
        Press(key);
        h.KeyUp(modifier);
    }
    // A single click: long enough after the last one not to make a double click.
    void ClickAt(int x)
    {
        h.Step(50);
        h.Click(x, kY + 12);
    }
    SexyString Selected() const { return edit.GetSelectedText(); }
    // The window x of the boundary before character pos, with nothing scrolled.
    int BoundaryX(int pos) { return kX + EditWidget::kTextInset + font.StringWidth(edit.mString.substr(0, pos)); }

    TestHarness h;
    SysFont font;
    RecordingListener listener;
    EditWidget edit;
};

// ---- Typing and reporting --------------------------------------------------------------------

TEST_F(EditTest, ChineseTextAndEnterReportTheLine)
{
    h.Text(L"你好");
    Press(KEYCODE_RETURN);
    ASSERT_EQ(listener.lines.size(), 1u);
    EXPECT_EQ(listener.lines[0], std::make_pair(7, SexyString(L"你好")));
    EXPECT_EQ(edit.mCursorPos, 2);
}

TEST_F(EditTest, ControlCharactersAndEscapeAreIgnored)
{
    h.Text(L"a\tb\x7F\r\nc");
    Press(KEYCODE_ESCAPE);
    EXPECT_EQ(edit.GetText(), L"abc");
    EXPECT_TRUE(listener.lines.empty());
}

TEST_F(EditTest, AListenerClearingTheFieldOnEnterStillGetsTheTypedLine)
{
    listener.onText = [this] { edit.SetText(L"", true); };
    h.Text(L"出牌");
    Press(KEYCODE_RETURN);
    ASSERT_EQ(listener.lines.size(), 1u);
    EXPECT_EQ(listener.lines[0].second, L"出牌");
    EXPECT_EQ(edit.GetText(), L"");
    EXPECT_EQ(edit.mCursorPos, 0);
    h.Text(L"x"); // the field goes on working
    EXPECT_EQ(edit.GetText(), L"x");
}

TEST_F(EditTest, ListenerRefusesCharactersTextsAndKeys)
{
    listener.allowChar = [](SexyChar ch) { return ch >= L'0' && ch <= L'9'; };
    h.Text(L"a1b2");
    EXPECT_EQ(edit.GetText(), L"12");

    CopyToClipboard(L"x3y4");
    With(KEYCODE_CONTROL, KEYCODE_V);
    EXPECT_EQ(edit.GetText(), L"1234"); // refused characters are left out of a paste

    listener.allowText = [](const SexyString& t) { return t.size() <= 4; };
    h.Text(L"5");
    EXPECT_EQ(edit.GetText(), L"1234");
    Press(KEYCODE_BACK);
    EXPECT_EQ(edit.GetText(), L"123");

    listener.allowKey = [](KeyCode key) { return key != KEYCODE_RETURN; };
    Press(KEYCODE_RETURN);
    EXPECT_TRUE(listener.lines.empty());
}

// ---- Maximum length --------------------------------------------------------------------------

TEST_F(EditTest, MaximumLengthHoldsForTypingAndPaste)
{
    edit.mMaxChars = 5;
    h.Text(L"abcdefg");
    EXPECT_EQ(edit.GetText(), L"abcde");

    // Select "bc"; a paste replacing it gets the room the selection leaves.
    Press(KEYCODE_HOME);
    Press(KEYCODE_RIGHT);
    With(KEYCODE_SHIFT, KEYCODE_RIGHT);
    With(KEYCODE_SHIFT, KEYCODE_RIGHT);
    CopyToClipboard(L"WXYZ\nsecond line");
    With(KEYCODE_CONTROL, KEYCODE_V);
    EXPECT_EQ(edit.GetText(), L"aWXde");
    EXPECT_EQ(edit.mCursorPos, 3);

    With(KEYCODE_CONTROL, KEYCODE_V); // full, nothing selected
    h.Text(L"中");
    EXPECT_EQ(edit.GetText(), L"aWXde");

    edit.SetText(L"0123456789");
    EXPECT_EQ(edit.GetText(), L"01234");
}

// ---- Cursor, selection and deletion ----------------------------------------------------------

TEST_F(EditTest, ShiftArrowsSelectAndTypingReplacesTheSelection)
{
    h.Text(L"hello");
    Press(KEYCODE_HOME);
    Press(KEYCODE_RIGHT);
    for (int i = 0; i < 3; ++i)
        With(KEYCODE_SHIFT, KEYCODE_RIGHT);
    EXPECT_EQ(Selected(), L"ell");
    With(KEYCODE_SHIFT, KEYCODE_LEFT);
    EXPECT_EQ(Selected(), L"el");

    Press(KEYCODE_LEFT); // collapses to the selection's start
    EXPECT_FALSE(edit.HasSelection());
    EXPECT_EQ(edit.mCursorPos, 1);

    With(KEYCODE_SHIFT, KEYCODE_END);
    EXPECT_EQ(Selected(), L"ello");
    h.Text(L"X");
    EXPECT_EQ(edit.GetText(), L"hX");
    With(KEYCODE_SHIFT, KEYCODE_HOME);
    EXPECT_EQ(Selected(), L"hX");
}

TEST_F(EditTest, BackspaceAndDeleteAtTheEdgesAndOverASelection)
{
    Press(KEYCODE_BACK); // empty field
    Press(KEYCODE_DELETE);
    EXPECT_EQ(edit.GetText(), L"");

    h.Text(L"abcdef");
    Press(KEYCODE_DELETE); // at the end
    EXPECT_EQ(edit.GetText(), L"abcdef");
    Press(KEYCODE_BACK);
    EXPECT_EQ(edit.GetText(), L"abcde");

    Press(KEYCODE_HOME);
    Press(KEYCODE_BACK); // at the start
    EXPECT_EQ(edit.GetText(), L"abcde");
    Press(KEYCODE_DELETE);
    EXPECT_EQ(edit.GetText(), L"bcde");

    Press(KEYCODE_RIGHT);
    With(KEYCODE_SHIFT, KEYCODE_RIGHT);
    With(KEYCODE_SHIFT, KEYCODE_RIGHT);
    Press(KEYCODE_DELETE);
    EXPECT_EQ(edit.GetText(), L"be");
    EXPECT_EQ(edit.mCursorPos, 1);

    With(KEYCODE_CONTROL, KEYCODE_A);
    Press(KEYCODE_BACK);
    EXPECT_EQ(edit.GetText(), L"");
    EXPECT_EQ(edit.mCursorPos, 0);
}

TEST_F(EditTest, CopyCutAndPasteRoundTrip)
{
    h.Text(L"牌局 one");
    With(KEYCODE_CONTROL, KEYCODE_A);
    With(KEYCODE_CONTROL, KEYCODE_C);
    EXPECT_EQ(GetClipboard(), L"牌局 one");

    With(KEYCODE_CONTROL, KEYCODE_X);
    EXPECT_EQ(edit.GetText(), L"");
    With(KEYCODE_CONTROL, KEYCODE_V);
    With(KEYCODE_CONTROL, KEYCODE_V);
    EXPECT_EQ(edit.GetText(), L"牌局 one牌局 one");

    // A password field gives nothing away.
    EditWidget secret(8, nullptr);
    secret.mPasswordChar = L'*';
    secret.SetText(L"hunter2");
    h.GetWidgetManager()->AddWidget(&secret);
    h.GetWidgetManager()->SetFocus(&secret);
    With(KEYCODE_CONTROL, KEYCODE_A);
    With(KEYCODE_CONTROL, KEYCODE_X);
    EXPECT_EQ(secret.GetText(), L"hunter2");
    EXPECT_EQ(GetClipboard(), L"牌局 one");
    EXPECT_EQ(secret.GetDisplayString(), L"*******");
}

// ---- The mouse -------------------------------------------------------------------------------

TEST_F(EditTest, ClickPlacesTheCursorAtTheNearestBoundaryAndDragSelects)
{
    edit.SetText(L"abc中文de");
    ClickAt(BoundaryX(3) + 1);
    EXPECT_EQ(edit.mCursorPos, 3);
    // Just short of the middle of '中' stays before it, just past goes after it.
    const int half = font.CharWidth(L'中') / 2;
    ClickAt(BoundaryX(3) + half - 2);
    EXPECT_EQ(edit.mCursorPos, 3);
    ClickAt(BoundaryX(3) + half + 2);
    EXPECT_EQ(edit.mCursorPos, 4);
    ClickAt(kX + 190);
    EXPECT_EQ(edit.mCursorPos, 7);
    ClickAt(kX + 1);
    EXPECT_EQ(edit.mCursorPos, 0);

    const int y = kY + 12;
    h.Step(50);
    h.MouseDown(BoundaryX(1), y);
    h.MouseMove(BoundaryX(5), y);
    h.MouseUp(BoundaryX(5), y);
    EXPECT_EQ(Selected(), L"bc中文");
}

TEST_F(EditTest, ClickTakesTheFocusAndDoubleClickSelectsAWord)
{
    h.GetWidgetManager()->SetFocus(nullptr);
    edit.SetText(L"hello world");
    const int inWorld = BoundaryX(8);
    h.Click(inWorld, kY + 12);
    EXPECT_TRUE(edit.mHasFocus);
    // The second press selects the word, and a small slip of the hand before the release keeps it.
    h.MouseDown(inWorld, kY + 12);
    h.MouseMove(inWorld + 3, kY + 12);
    h.MouseUp(inWorld + 3, kY + 12);
    EXPECT_EQ(Selected(), L"world");
}

// ---- Scrolling -------------------------------------------------------------------------------

TEST_F(EditTest, ScrollPositionKeepsTheCursorVisible)
{
    const int inner = 200 - 2 * EditWidget::kTextInset;
    auto cursorOffset = [&]
    { return font.StringWidth(edit.mString.substr(edit.mLeftPos, edit.mCursorPos - edit.mLeftPos)); };
    h.Text(SexyString(40, L'中'));
    EXPECT_GT(edit.mLeftPos, 0);
    EXPECT_LE(cursorOffset() + EditWidget::kCaretWidth, inner);

    Press(KEYCODE_HOME);
    EXPECT_EQ(edit.mLeftPos, 0);
    for (int i = 0; i < 20; ++i)
        Press(KEYCODE_RIGHT);
    EXPECT_GE(edit.mCursorPos, edit.mLeftPos);
    EXPECT_LE(cursorOffset() + EditWidget::kCaretWidth, inner);

    // Clicking at the right edge of a scrolled field lands on a shown character.
    Press(KEYCODE_END);
    ClickAt(kX + 150);
    EXPECT_GT(edit.mCursorPos, edit.mLeftPos);
    EXPECT_LT(edit.mCursorPos, 40);

    // Shrinking the text scrolls back so that no room is wasted.
    Press(KEYCODE_END);
    const int scrolled = edit.mLeftPos;
    for (int i = 0; i < 5; ++i)
        Press(KEYCODE_BACK);
    EXPECT_LT(edit.mLeftPos, scrolled);
    EXPECT_GT(font.StringWidth(edit.mString.substr(edit.mLeftPos - 1)) + EditWidget::kCaretWidth, inner);
    With(KEYCODE_CONTROL, KEYCODE_A);
    Press(KEYCODE_BACK);
    EXPECT_EQ(edit.mLeftPos, 0);
}

// ---- SetText and outside changes -------------------------------------------------------------

TEST_F(EditTest, SetTextKeepsCursorAndSelectionInside)
{
    h.Text(L"一二三四五六");
    With(KEYCODE_SHIFT, KEYCODE_LEFT);
    edit.SetText(L"", true);
    EXPECT_EQ(edit.mCursorPos, 0);
    EXPECT_FALSE(edit.HasSelection());
    EXPECT_EQ(edit.mLeftPos, 0);

    edit.SetText(L"abcdef");
    EXPECT_EQ(edit.mCursorPos, 6);
    Press(KEYCODE_HOME);
    With(KEYCODE_SHIFT, KEYCODE_RIGHT);
    edit.SetText(L"xyz", true);
    EXPECT_EQ(Selected(), L"x");

    // Members set from outside are taken back into range before use.
    edit.mCursorPos = 99;
    edit.mHilitePos = 50;
    edit.mLeftPos = -3;
    h.Draw();
    Press(KEYCODE_LEFT);
    EXPECT_EQ(edit.mCursorPos, 2);
}

// ---- Drawing and the caret -------------------------------------------------------------------

TEST_F(EditTest, CaretBlinksWhileFocusedAndShowsOnScreen)
{
    const int caretX = kX + EditWidget::kTextInset;
    const int midY = kY + 12;
    h.Step();
    EXPECT_TRUE(edit.mShowingCursor);
    EXPECT_EQ(h.Pixel(caretX, midY), Color::Black);

    h.Step(edit.mBlinkDelay);
    EXPECT_FALSE(edit.mShowingCursor);
    EXPECT_EQ(h.Pixel(caretX, midY), Color::White);

    h.Text(L"a"); // typing shows the caret again
    EXPECT_TRUE(edit.mShowingCursor);
    h.Step(edit.mBlinkDelay);
    EXPECT_FALSE(edit.mShowingCursor);
    h.Step(edit.mBlinkDelay);
    EXPECT_TRUE(edit.mShowingCursor);

    h.GetWidgetManager()->SetFocus(nullptr);
    h.Step(edit.mBlinkDelay * 2);
    EXPECT_FALSE(edit.mShowingCursor);
}

TEST_F(EditTest, SelectionIsDrawnInTheHighlightColour)
{
    int colors[][3] = {{255, 255, 255}, {0, 0, 0}, {0, 0, 0}, {200, 0, 0}, {255, 255, 0}};
    edit.SetColors(colors, 5);
    h.Text(L"中中中中");
    With(KEYCODE_CONTROL, KEYCODE_A);
    h.Draw();
    // Between two glyphs the highlight shows; outside the text the background does.
    const int gapX = BoundaryX(2);
    EXPECT_EQ(h.Pixel(gapX, kY + (24 - font.GetHeight()) / 2), Color(200, 0, 0));
    EXPECT_EQ(h.Pixel(kX + 190, kY + 12), Color::White);
}

} // namespace
