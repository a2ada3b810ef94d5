// Dialog: a framed box with a header, word-wrapped lines, a footer and up to two answer buttons,
// shown by the application (SexyAppBase::AddDialog) and answered by a click, Enter or Escape.
//
//     auto* dialog = new Sexy::Dialog(nullptr, nullptr, 7, true, L"标题", L"要继续吗？", L"",
//                                      Sexy::Dialog::BUTTONS_OK_CANCEL);
//     dialog->Resize(0, 0, 360, 180);
//     app->AddDialog(7, dialog);              // the application owns it from here on
//     int answer = dialog->WaitForResult();   // ID_OK (1000) or ID_CANCEL (1001); the dialog is gone
//
// Layout. The dialog is a top-level widget of the widget manager. Its buttons are not children of
// it: they are its siblings, added to the same container right in front of it when the dialog
// enters the manager and taken out when it leaves, and Resize places them in the parent's
// coordinates (x + ..., y + ...). Subclasses that add controls of their own do the same in their
// AddedToManager and RemovedFromManager (after calling the dialog's), with the dialog's priority.
// Resize lays the buttons out along the bottom: one button centred, two buttons mButtonSpacing apart
// and centred as a pair. A subclass that places them otherwise calls Dialog::Resize first and then
// moves them.
//
// Drawing (own coordinates): the frame (mComponentImage stretched nine-slice over the dialog, or a
// plain box in COLOR_BKG and COLOR_OUTLINE without it), the header centred at the top, the lines
// word-wrapped below it (colour codes honoured), the footer centred above the buttons. Texts use
// the dialog's fonts; a text whose font was never set gets a default font on first use.
//
// Answers. ButtonDepress(id) (a click on a button, Enter, Escape, or a call from code) records the
// first answer in mResult and tells mDialogListener; later answers are ignored until mResult is set
// back to kNoResult. WaitForResult runs nested steps of the application's loop until there is an
// answer; see there.
//
// Ownership. The dialog owns its buttons and its fonts (defaults: 宋体 12 point bold for the header,
// 11 point for the lines, the footer and the button labels). The pictures
// (mComponentImage, mButtonComponentImage) and the listener are not owned. A dialog given to the
// application with AddDialog is owned by the application, which deletes it after KillDialog.
#pragma once

#include "pop/Listeners.h"
#include "pop/Widget.h"

#include <memory>

namespace Sexy
{

class ButtonWidget;
class DialogHost;
class Font;
class Image;
class SexyAppBase;

class Dialog : public Widget, public ButtonListener
{
public:
    // Button ids, which are also the answers the buttons give.
    enum
    {
        ID_YES = 1000,
        ID_NO = 1001,
        ID_OK = 1000,
        ID_CANCEL = 1001
    };

    // Which buttons the dialog makes.
    enum
    {
        BUTTONS_NONE = 0,     // none: the dialog is answered by code
        BUTTONS_OK = 1,       // mYesButton labelled OK
        BUTTONS_YES_NO = 2,   // mYesButton and mNoButton labelled Yes and No
        BUTTONS_OK_CANCEL = 3 // mYesButton and mNoButton labelled OK and Cancel
    };

    // Indices into mColors.
    enum
    {
        COLOR_HEADER,
        COLOR_LINES,
        COLOR_FOOTER,
        COLOR_BUTTON_TEXT,
        COLOR_BUTTON_TEXT_HILITE,
        COLOR_BKG,     // face of the plain box (no component image)
        COLOR_OUTLINE, // edge of the plain box
        NUM_COLORS
    };

    // mResult before the dialog is answered.
    static constexpr int kNoResult = -0x7FFFFFFF;

    // Space between the dialog's edge and its texts and buttons.
    struct Insets
    {
        int mLeft = 16;
        int mTop = 14;
        int mRight = 16;
        int mBottom = 14;
    };

    // componentImage: the frame, stretched nine-slice (null: a plain box). buttonComponentImage: the
    // buttons' look, its cels normal, over, down and disabled as ButtonWidget::SetBtnImage takes
    // them, each stretched nine-slice over the button (null: ButtonWidget's plain look). Neither
    // picture is owned. Texts may be empty.
    Dialog(Image* componentImage, Image* buttonComponentImage, int id, bool isModal, const SexyString& header,
           const SexyString& lines, const SexyString& footer, int buttonMode);
    ~Dialog() override;

    // ---- State that subclasses and callers read and set -------------------------------------
    int mId;
    // Modal: while it is in the widget manager, only it, its buttons and what lies in front of them
    // get mouse and keys (the manager's modal layer). Read when the dialog enters the manager.
    bool mIsModal;
    int mButtonMode;
    // The answer: kNoResult, or the id of the button that answered.
    int mResult = kNoResult;
    // Told of every press and answer (not owned; may be null). AddDialog makes the application the
    // listener of a dialog that has none.
    DialogListener* mDialogListener = nullptr;

    // The buttons (owned by the dialog; null when the button mode has none). Ids ID_YES and ID_NO.
    // Every picture they are given (SetBtnImage included) is stretched nine-slice over the button;
    // a button of one cel's size draws its cel as it is.
    ButtonWidget* mYesButton = nullptr;
    ButtonWidget* mNoButton = nullptr;

    Image* mComponentImage;
    Image* mButtonComponentImage;

    SexyString mDialogHeader;
    SexyString mDialogLines;
    SexyString mDialogFooter;

    Insets mContentInsets;
    // Between the header and the lines, and between the lines (or footer) and the buttons.
    int mSpaceAfterHeader = 10;
    int mSpaceAboveButtons = 12;
    // Between two buttons.
    int mButtonSpacing = 20;
    // Button size; 0 means automatic: a cel of the button picture at least, wide enough for the
    // labels, at least 80 x 26.
    int mButtonWidth = 0;
    int mButtonHeight = 0;
    // The lines: -1 left, 0 centred, 1 right; baseline distance (-1: the font's).
    int mLinesJustify = -1;
    int mLineSpacing = -1;

    // ---- Texts and fonts --------------------------------------------------------------------
    void SetHeader(const SexyString& header);
    void SetLines(const SexyString& lines);
    void SetFooter(const SexyString& footer);
    // The dialog keeps a copy of the font (null: back to the default).
    void SetHeaderFont(Font* font);
    void SetLinesFont(Font* font);
    // Also given to the buttons.
    void SetButtonFont(Font* font);
    // The fonts drawn with (defaults made on first use).
    Font* GetHeaderFont();
    Font* GetLinesFont();
    Font* GetButtonFont();

    // The height that shows every text and the buttons at this width.
    virtual int GetPreferredHeight(int width);

    // ---- Answers ----------------------------------------------------------------------------
    // Runs the application's loop (UpdateAppStep and WaitForNextUpdate: timers, window messages,
    // drawing and input all go on) until the dialog is answered, the dialog is killed, or the
    // application shuts down; the last two answer ID_CANCEL unless an answer came first. Then, with
    // autoKill, the application kills the dialog (it must not be used afterwards). Returns the
    // answer. A dialog that is not in an application does not wait: it returns its answer, or
    // ID_CANCEL. On the main thread only. Waits nest: a dialog may be waited for while another wait
    // runs, its own included (both end with the same answer).
    int WaitForResult(bool autoKill = true);
    // True while a WaitForResult runs on this dialog.
    bool IsWaiting() const { return mWaitDepth > 0; }
    // The application the dialog was added to (null before AddDialog and after KillDialog).
    SexyAppBase* GetApp() const { return mApp; }

    // ButtonListener: a press is passed to the listener; a click answers (see above).
    void ButtonPress(int id) override;
    void ButtonDepress(int id) override;

    // ---- Widget -----------------------------------------------------------------------------
    void Resize(int x, int y, int width, int height) override;
    using WidgetContainer::Resize;
    // Hiding the dialog hides its buttons; showing it lays them out again.
    void SetVisible(bool visible) override;
    void SetDisabled(bool disabled) override;
    void SetColors(int colors[][3], int count) override;
    void SetColors(int colors[][4], int count) override;
    void SetColor(int index, const Color& color) override;
    void Draw(Graphics* g) override;
    void AddedToManager(WidgetManager* manager) override;
    void RemovedFromManager(WidgetManager* manager) override;
    // Enter answers with the Yes (OK) button, Escape with the No (Cancel) button, or with the only
    // button when there is one; hidden and disabled buttons do not answer.
    void KeyDown(KeyCode key) override;
    using Widget::MouseDown;
    // A press on the dialog gives it the focus, so that its keys reach it.
    void MouseDown(int x, int y, int button, int clickCount) override;

    // Whether the rectangle was set (Resize) since construction; AddDialog centres dialogs that
    // were not placed.
    bool IsPlaced() const { return mPlaced; }

protected:
    // The plain frame, when there is no component image.
    virtual void DrawPlainFrame(Graphics* g);
    // Lays the buttons out in the parent's coordinates for the rectangle (x, y, width, height).
    virtual void LayoutButtons(int x, int y, int width, int height);
    // The automatic button size.
    int ButtonWidth();
    int ButtonHeight();

private:
    friend class DialogHost;

    std::unique_ptr<ButtonWidget> MakeButton(int id, const SexyString& label);
    void ApplyButtonColors();
    static bool CanAnswer(const ButtonWidget* button);

    std::unique_ptr<ButtonWidget> mYesButtonOwner;
    std::unique_ptr<ButtonWidget> mNoButtonOwner;
    std::unique_ptr<Font> mHeaderFont;
    std::unique_ptr<Font> mLinesFont;
    std::unique_ptr<Font> mButtonFont;

    SexyAppBase* mApp = nullptr;
    DialogHost* mHost = nullptr;
    int mWaitDepth = 0;
    bool mPlaced = false;
};

} // namespace Sexy
