// Dialogs driven as a player meets them: shown by the application, answered with the mouse or the
// keyboard while the game's loop goes on underneath, closed by code or by the end of the program.
//
// WaitForResult runs the application's own loop. The tests replace the loop's wait with a hook
// that moves the harness clock by one update and plays the input scheduled for that moment, so the
// nested loop runs at full speed and without sleeping.
#include "pop/Dialog.h"
#include "pop/ButtonWidget.h"
#include "pop/Font.h"
#include "pop/Graphics.h"
#include "pop/Image.h"
#include "pop/SexyAppBase.h"
#include "pop/TestHarness.h"
#include "pop/WidgetManager.h"

#include "platform/WindowBus.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <future>
#include <map>
#include <thread>
#include <utility>
#include <vector>

using namespace Sexy;

namespace
{

constexpr unsigned kPing = platform::WM_USER + 77;

// An application that records its window messages and the dialog answers it hears as the default
// dialog listener.
class RecordingApp : public SexyAppBase
{
public:
    RecordingApp()
    {
        mWidth = 640;
        mHeight = 480;
    }
    bool HandleWindowMessage(unsigned msg, platform::WPARAM wParam, platform::LPARAM lParam,
                             platform::LRESULT* result) override
    {
        if (msg != kPing)
            return SexyAppBase::HandleWindowMessage(msg, wParam, lParam, result);
        ++pings;
        *result = 0;
        return true;
    }
    void DialogButtonDepress(int dialogId, int buttonId) override { answers.emplace_back(dialogId, buttonId); }

    int pings = 0;
    std::vector<std::pair<int, int>> answers;
};

// The game's table behind the dialogs: it counts its updates (its timers) and the input it gets.
class Table : public Widget
{
public:
    void Update() override
    {
        Widget::Update();
        ++updates;
        if (onUpdate)
            onUpdate(updates);
    }
    void MouseDown(int, int, int, int) override { ++presses; }
    void KeyDown(KeyCode) override { ++keys; }

    int updates = 0;
    int presses = 0;
    int keys = 0;
    std::function<void(int)> onUpdate;
};

class ProbeDialog : public Dialog
{
public:
    ProbeDialog(bool modal, int buttons, bool* destroyed = nullptr)
        : Dialog(nullptr, nullptr, 0, modal, L"提示", L"确定要离开牌桌吗？", L"", buttons), mDestroyed(destroyed)
    {
        Resize(160, 120, 320, 200);
    }
    ~ProbeDialog() override
    {
        if (mDestroyed != nullptr)
            *mDestroyed = true;
    }
    void ButtonDepress(int id) override
    {
        if (beforeAnswer)
            beforeAnswer(id);
        Dialog::ButtonDepress(id);
        if (afterAnswer)
            afterAnswer(id);
    }

    std::function<void(int)> beforeAnswer;
    std::function<void(int)> afterAnswer;

private:
    bool* mDestroyed;
};

class DialogTest : public ::testing::Test
{
protected:
    static constexpr int kGiveUp = 5000;

    void SetUp() override
    {
        table.Resize(0, 0, app.mWidth, app.mHeight);
        app.mWidgetManager->AddWidget(&table);
        app.mWidgetManager->SetFocus(&table);
        h.Step();
        app.SetWaitHook(
            [this]
            {
                h.Advance(SexyAppBase::kUpdateIntervalMs);
                ++waits;
                auto it = actions.find(waits);
                if (it != actions.end())
                {
                    std::function<void()> action = it->second;
                    action();
                }
                if (waits > kGiveUp && !app.IsShuttingDown())
                {
                    ADD_FAILURE() << "the nested loop never ended";
                    app.Shutdown();
                }
            });
    }
    void TearDown() override { app.SetWaitHook(nullptr); }

    // Schedules an action for the n-th wait of the loop from now (n updates later).
    void At(int n, std::function<void()> action) { actions[waits + n] = std::move(action); }

    void ClickOn(const Widget* w, int button = 0)
    {
        Point p = w->GetAbsPos();
        h.MouseMove(p.mX + w->mWidth / 2, p.mY + w->mHeight / 2);
        h.Click(p.mX + w->mWidth / 2, p.mY + w->mHeight / 2, button);
    }

    bool destroyed = false;
    RecordingApp app;
    TestHarness h{app};
    Table table;
    int waits = 0;
    std::map<int, std::function<void()>> actions;
};

// ---- Answers --------------------------------------------------------------------------------------

TEST_F(DialogTest, ModalDialogAnsweredByClickWhileTheLoopGoesOn)
{
    auto* dialog = new ProbeDialog(true, Dialog::BUTTONS_OK_CANCEL, &destroyed);
    ASSERT_EQ(app.AddDialog(7, dialog), dialog);
    EXPECT_EQ(app.GetDialog(7), dialog);
    ASSERT_TRUE(platform::PostWindowMessage(app.mHWnd, kPing, 0, 0));
    const int updatesBefore = table.updates;
    const int drawsBefore = app.mDrawCount;
    At(10, [&] { table.MarkDirty(); });
    At(41, [&] { ClickOn(dialog->mYesButton); });

    EXPECT_EQ(dialog->WaitForResult(), Dialog::ID_OK);

    EXPECT_GE(table.updates - updatesBefore, 40); // 40 updates passed before the click
    EXPECT_GT(app.mDrawCount, drawsBefore);       // and so did drawing
    EXPECT_EQ(app.pings, 1);                      // and the window's mailbox
    ASSERT_EQ(app.answers.size(), 1u);
    EXPECT_EQ(app.answers[0], std::make_pair(7, int(Dialog::ID_OK)));
    // Killed with the answer, deleted by the next step of the loop.
    EXPECT_EQ(app.GetDialog(7), nullptr);
    EXPECT_EQ(app.GetDialogCount(), 0);
    EXPECT_FALSE(destroyed);
    h.Step();
    EXPECT_TRUE(destroyed);
}

TEST_F(DialogTest, CancelAnswers1001AndOnlyTheFirstAnswerCounts)
{
    auto* dialog = new ProbeDialog(true, Dialog::BUTTONS_YES_NO);
    app.AddDialog(3, dialog);
    At(5,
       [&]
       {
           ClickOn(dialog->mNoButton);
           ClickOn(dialog->mYesButton); // before the loop looks again: too late
       });
    EXPECT_EQ(dialog->WaitForResult(), Dialog::ID_NO);
    EXPECT_EQ(app.answers.size(), 1u);
}

TEST_F(DialogTest, EnterAndEscapeAnswer)
{
    struct Case
    {
        int buttons;
        KeyCode key;
        int answer;
    };
    const Case cases[] = {
        {Dialog::BUTTONS_OK_CANCEL, KEYCODE_RETURN, Dialog::ID_OK},
        {Dialog::BUTTONS_OK_CANCEL, KEYCODE_ESCAPE, Dialog::ID_CANCEL},
        {Dialog::BUTTONS_YES_NO, KEYCODE_ESCAPE, Dialog::ID_NO},
        {Dialog::BUTTONS_OK, KEYCODE_ESCAPE, Dialog::ID_OK}, // the only button
    };
    for (const Case& c : cases)
    {
        auto* dialog = new ProbeDialog(true, c.buttons);
        app.AddDialog(1, dialog);
        At(3, [&] { h.KeyDown(c.key); });
        EXPECT_EQ(dialog->WaitForResult(), c.answer) << "buttons " << c.buttons << " key " << int(c.key);
    }
    EXPECT_EQ(table.keys, 0);
}

TEST_F(DialogTest, KeysDoNotAnswerThroughHiddenOrMissingButtons)
{
    auto* dialog = new ProbeDialog(false, Dialog::BUTTONS_OK_CANCEL);
    app.AddDialog(1, dialog);
    dialog->mNoButton->SetVisible(false); // a notice that shows OK only
    dialog->mYesButton->SetDisabled(true);
    h.KeyDown(KEYCODE_ESCAPE);
    h.KeyDown(KEYCODE_RETURN);
    EXPECT_EQ(dialog->mResult, Dialog::kNoResult);

    auto* silent = new ProbeDialog(false, Dialog::BUTTONS_NONE);
    app.AddDialog(2, silent);
    h.KeyDown(KEYCODE_RETURN);
    h.KeyDown(KEYCODE_ESCAPE);
    EXPECT_EQ(silent->mResult, Dialog::kNoResult);
    At(5, [&] { silent->ButtonDepress(Dialog::ID_OK); }); // answered by code
    EXPECT_EQ(silent->WaitForResult(), Dialog::ID_OK);
}

// ---- Modality -------------------------------------------------------------------------------------

TEST_F(DialogTest, ModalDialogCutsOffTheTableUntilItIsGone)
{
    auto* dialog = new ProbeDialog(true, Dialog::BUTTONS_OK_CANCEL);
    app.AddDialog(5, dialog);
    At(5,
       [&]
       {
           h.Click(20, 20); // on the table, outside the dialog
           h.KeyDown(KEYCODE_SPACE);
       });
    At(10, [&] { ClickOn(dialog->mNoButton); });
    EXPECT_EQ(dialog->WaitForResult(), Dialog::ID_CANCEL);
    EXPECT_EQ(table.presses, 0);
    EXPECT_EQ(table.keys, 0);

    // Gone: the table takes clicks and has its focus back.
    h.Click(20, 20);
    h.KeyDown(KEYCODE_SPACE);
    EXPECT_EQ(table.presses, 1);
    EXPECT_EQ(table.keys, 1);
}

TEST_F(DialogTest, ModelessDialogLeavesTheTableWorking)
{
    auto* dialog = new ProbeDialog(false, Dialog::BUTTONS_OK_CANCEL);
    app.AddDialog(110, dialog);
    At(5, [&] { h.Click(20, 20); });
    At(8, [&] { ClickOn(dialog->mYesButton); });
    EXPECT_EQ(dialog->WaitForResult(), Dialog::ID_OK);
    EXPECT_EQ(table.presses, 1);
}

TEST_F(DialogTest, ModalBoxOverADialogAnsweredFromItsButtonHandler)
{
    // A settings dialog whose OK asks for confirmation in a modal box of its own: a wait inside a
    // wait, started from a button handler.
    auto* settings = new ProbeDialog(false, Dialog::BUTTONS_OK_CANCEL);
    app.AddDialog(110, settings);
    int confirm = 0;
    settings->beforeAnswer = [&](int id)
    {
        if (id != Dialog::ID_OK)
            return;
        auto* box = new ProbeDialog(true, Dialog::BUTTONS_OK_CANCEL);
        box->Resize(200, 10, 240, 100); // clear of the settings dialog's buttons
        app.AddDialog(100, box);
        At(5, [&] { ClickOn(settings->mNoButton); }); // behind the modal box: nothing
        At(10, [&, box] { ClickOn(box->mYesButton); });
        confirm = box->WaitForResult();
    };
    At(5, [&] { ClickOn(settings->mYesButton); });

    EXPECT_EQ(settings->WaitForResult(), Dialog::ID_OK);
    EXPECT_EQ(confirm, Dialog::ID_OK);
    EXPECT_EQ(app.GetDialogCount(), 0);
}

// ---- Ending -------------------------------------------------------------------------------------

TEST_F(DialogTest, KillDialogFromATimerEndsTheWaitWithCancel)
{
    auto* dialog = new ProbeDialog(true, Dialog::BUTTONS_OK_CANCEL, &destroyed);
    app.AddDialog(9, dialog);
    table.onUpdate = [&](int n)
    {
        if (n == 30)
        {
            EXPECT_TRUE(app.KillDialog(9));
        }
    };
    EXPECT_EQ(dialog->WaitForResult(), Dialog::ID_CANCEL);
    EXPECT_FALSE(destroyed);
    EXPECT_FALSE(app.KillDialog(9));
    h.Step();
    EXPECT_TRUE(destroyed);
    // The table is free again.
    h.Click(20, 20);
    EXPECT_EQ(table.presses, 1);
}

TEST_F(DialogTest, DialogKilledInItsOwnButtonHandler)
{
    auto* dialog = new ProbeDialog(true, Dialog::BUTTONS_OK_CANCEL, &destroyed);
    app.AddDialog(4, dialog);
    dialog->afterAnswer = [&](int) { app.KillDialog(dialog); };
    At(5, [&] { ClickOn(dialog->mYesButton); });
    EXPECT_EQ(dialog->WaitForResult(), Dialog::ID_OK);
    h.Step();
    EXPECT_TRUE(destroyed);

    // Without a wait: the button's own click handler kills the dialog; the step after deletes it.
    destroyed = false;
    auto* quick = new ProbeDialog(true, Dialog::BUTTONS_OK, &destroyed);
    app.AddDialog(4, quick);
    quick->afterAnswer = [&](int) { app.KillDialog(4); };
    ClickOn(quick->mYesButton);
    EXPECT_EQ(app.GetDialog(4), nullptr);
    h.Step();
    EXPECT_TRUE(destroyed);
}

TEST_F(DialogTest, ShutdownEndsTheWaitWithCancel)
{
    auto* dialog = new ProbeDialog(true, Dialog::BUTTONS_OK_CANCEL);
    app.AddDialog(2, dialog);
    At(20, [&] { app.Shutdown(); });
    EXPECT_EQ(dialog->WaitForResult(), Dialog::ID_CANCEL);
    EXPECT_EQ(app.GetDialogCount(), 0);
}

TEST_F(DialogTest, ShutdownFromAnotherThreadEndsTheWait)
{
    auto* dialog = new ProbeDialog(true, Dialog::BUTTONS_OK_CANCEL);
    app.AddDialog(2, dialog);
    // The real wait this time: the loop sleeps in the window's mailbox until the next update is due
    // (never, on the frozen harness clock) or a message comes; Shutdown's wake-up must end it.
    std::promise<void> waiting;
    bool told = false;
    int realWaits = 0;
    app.SetWaitHook(
        [&]
        {
            if (!told)
                waiting.set_value();
            told = true;
            if (++realWaits > kGiveUp)
                app.Shutdown();
            platform::PumpWindowMessages(SexyAppBase::kUpdateIntervalMs);
        });
    std::thread worker(
        [&]
        {
            waiting.get_future().wait();
            app.Shutdown();
        });
    EXPECT_EQ(dialog->WaitForResult(), Dialog::ID_CANCEL);
    worker.join();
    EXPECT_LT(realWaits, kGiveUp);
}

TEST_F(DialogTest, EndOfTheApplicationDeletesDialogsStillShown)
{
    bool other = false;
    {
        RecordingApp own;
        TestHarness oh(own);
        own.AddDialog(1, new ProbeDialog(true, Dialog::BUTTONS_OK, &destroyed));
        own.AddDialog(2, new ProbeDialog(false, Dialog::BUTTONS_NONE, &other));
        own.KillDialog(2);
        oh.Step();
        EXPECT_TRUE(other);
        EXPECT_FALSE(destroyed);
    }
    EXPECT_TRUE(destroyed);
}

// ---- Registry and layout ------------------------------------------------------------------------

TEST_F(DialogTest, AnIdHoldsOneDialog)
{
    bool first = false;
    app.AddDialog(100, new ProbeDialog(true, Dialog::BUTTONS_OK, &first));
    auto* second = new ProbeDialog(true, Dialog::BUTTONS_OK);
    app.AddDialog(100, second);
    EXPECT_EQ(app.GetDialog(100), second);
    EXPECT_EQ(app.GetDialogCount(), 1);
    EXPECT_EQ(second->mId, 100);
    h.Step();
    EXPECT_TRUE(first);
    // The replaced modal dialog left the modal layer: the new one answers.
    h.KeyDown(KEYCODE_RETURN);
    EXPECT_EQ(second->mResult, Dialog::ID_OK);
}

TEST_F(DialogTest, UnplacedDialogIsSizedAndCentred)
{
    auto* dialog = new Dialog(nullptr, nullptr, 0, true, L"标题", L"一行文字", L"底部", Dialog::BUTTONS_OK_CANCEL);
    app.AddDialog(1, dialog);
    EXPECT_EQ(dialog->mWidth, 400);
    EXPECT_EQ(dialog->mHeight, dialog->GetPreferredHeight(400));
    EXPECT_NEAR(dialog->mX + dialog->mWidth / 2, app.mWidth / 2, 1);
    EXPECT_NEAR(dialog->mY + dialog->mHeight / 2, app.mHeight / 2, 1);
    // Two buttons centred as a pair along the bottom, inside the dialog.
    ButtonWidget* yes = dialog->mYesButton;
    ButtonWidget* no = dialog->mNoButton;
    EXPECT_EQ(no->mX - (yes->mX + yes->mWidth), dialog->mButtonSpacing);
    EXPECT_NEAR((yes->mX + no->mX + no->mWidth) / 2, dialog->mX + dialog->mWidth / 2, 1);
    EXPECT_EQ(yes->mY + yes->mHeight, dialog->mY + dialog->mHeight - dialog->mContentInsets.mBottom);
    EXPECT_EQ(yes->mY, no->mY);

    // Hiding the dialog hides its buttons; showing it brings them back.
    dialog->SetVisible(false);
    EXPECT_FALSE(yes->mVisible);
    dialog->SetVisible(true);
    EXPECT_TRUE(yes->mVisible && no->mVisible);
}

// ---- Drawing ------------------------------------------------------------------------------------

int CountNear(TestHarness& h, const Rect& area, const Color& c, int tol)
{
    int n = 0;
    for (int y = area.mY; y < area.mY + area.mHeight; ++y)
        for (int x = area.mX; x < area.mX + area.mWidth; ++x)
        {
            Color p = h.Pixel(x, y);
            if (std::abs(p.mRed - c.mRed) <= tol && std::abs(p.mGreen - c.mGreen) <= tol &&
                std::abs(p.mBlue - c.mBlue) <= tol)
                ++n;
        }
    return n;
}

TEST_F(DialogTest, PlainDialogDrawsFrameHeaderWrappedLinesFooterAndButtons)
{
    auto* dialog = new Dialog(nullptr, nullptr, 0, true, L"系统消息",
                              L"这是一段很长的说明文字，它在对话框里一定要换行才能放得下，所以会占好几行。",
                              L"十秒后自动关闭", Dialog::BUTTONS_OK);
    dialog->Resize(160, 100, 240, 260);
    app.AddDialog(1, dialog);
    h.Step();

    const Color outline = dialog->GetColor(Dialog::COLOR_OUTLINE);
    const Color face = dialog->GetColor(Dialog::COLOR_BKG);
    EXPECT_EQ(h.Pixel(160, 100), outline);
    EXPECT_EQ(h.Pixel(399, 359), outline);
    EXPECT_EQ(h.Pixel(165, 230), face); // the left margin
    EXPECT_EQ(h.Pixel(159, 230), Color::Black) << "nothing drawn outside";

    // Header in the top band, the lines below it over several rows, the footer above the button.
    const int top = 100 + dialog->mContentInsets.mTop;
    const int headerHeight = dialog->GetHeaderFont()->GetHeight();
    EXPECT_GT(CountNear(h, Rect(160, top, 240, headerHeight), dialog->GetColor(Dialog::COLOR_HEADER), 40), 20);
    const int buttonTop = dialog->mYesButton->mY;
    int firstRow = -1;
    int lastRow = -1;
    const Color ink = dialog->GetColor(Dialog::COLOR_LINES);
    for (int y = top + headerHeight; y < buttonTop - 40; ++y)
        if (CountNear(h, Rect(160, y, 240, 1), ink, 30) > 0)
        {
            if (firstRow < 0)
                firstRow = y;
            lastRow = y;
        }
    ASSERT_GE(firstRow, 0);
    EXPECT_GT(lastRow - firstRow, 2 * dialog->GetLinesFont()->GetLineSpacing()) << "the lines wrap";
    EXPECT_GT(CountNear(h, Rect(160, buttonTop - 40, 240, 40), dialog->GetColor(Dialog::COLOR_FOOTER), 30), 10);
    // The OK button stands in front of the dialog, in ButtonWidget's plain look.
    const ButtonWidget* ok = dialog->mYesButton;
    EXPECT_EQ(h.Pixel(ok->mX + 3, ok->mY + ok->mHeight / 2), ok->GetColor(ButtonWidget::COLOR_BKG));
}

TEST_F(DialogTest, FrameAndButtonPicturesStretchNineSlice)
{
    // 30 x 30: red edges 10 wide, a green middle.
    MemoryImage frame(30, 30);
    frame.Clear(Color::Red);
    for (int y = 10; y < 20; ++y)
        for (int x = 10; x < 20; ++x)
            frame.SetPixel(x, y, Color::Green);
    MemoryImage button(30, 30);
    button.Clear(Color::Blue);
    for (int y = 10; y < 20; ++y)
        for (int x = 10; x < 20; ++x)
            button.SetPixel(x, y, Color::Yellow);

    auto* dialog = new Dialog(&frame, &button, 0, false, L"", L"", L"", Dialog::BUTTONS_OK);
    dialog->mYesButton->mLabel.clear();
    dialog->mButtonWidth = 120;
    dialog->mButtonHeight = 40;
    dialog->Resize(100, 100, 300, 200);
    app.AddDialog(1, dialog);
    h.Step();

    EXPECT_EQ(h.Pixel(100, 100), Color::Red);
    EXPECT_EQ(h.Pixel(250, 105), Color::Red);   // top edge, stretched across
    EXPECT_EQ(h.Pixel(250, 150), Color::Green); // the middle fills the inside
    const ButtonWidget* ok = dialog->mYesButton;
    EXPECT_EQ(ok->mWidth, 120);
    EXPECT_EQ(h.Pixel(ok->mX + 5, ok->mY + 20), Color::Blue);
    EXPECT_EQ(h.Pixel(ok->mX + 60, ok->mY + 20), Color::Yellow);
}

} // namespace
