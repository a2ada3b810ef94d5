#include "pop/Dialog.h"

#include "pop/ButtonWidget.h"
#include "pop/DialogHost.h"
#include "pop/Graphics.h"
#include "pop/Image.h"
#include "pop/SexyAppBase.h"
#include "pop/SysFont.h"
#include "pop/WidgetManager.h"

#include <algorithm>

namespace Sexy
{

namespace
{

constexpr int kMinButtonWidth = 80;
constexpr int kMinButtonHeight = 26;
constexpr int kLabelPadding = 24;

// A dialog button: its pictures are stretched nine-slice over the whole button, so one small
// button picture serves buttons of any size (a picture of the button's own size draws as is).
class DialogButton : public ButtonWidget
{
public:
    using ButtonWidget::ButtonWidget;

protected:
    void DrawButtonImage(Graphics* g, Image* image, const Rect& src, int x, int y) override
    {
        if (image == nullptr)
            return;
        Rect from = src.IsEmpty() ? Rect(0, 0, image->GetWidth(), image->GetHeight()) : src;
        g->DrawImageBox(from, Rect(x, y, mWidth, mHeight), image);
    }
};

} // namespace

Dialog::Dialog(Image* componentImage, Image* buttonComponentImage, int id, bool isModal, const SexyString& header,
               const SexyString& lines, const SexyString& footer, int buttonMode)
    : mId(id), mIsModal(isModal), mButtonMode(buttonMode), mComponentImage(componentImage),
      mButtonComponentImage(buttonComponentImage), mDialogHeader(header), mDialogLines(lines), mDialogFooter(footer)
{
    static int colors[NUM_COLORS][3] = {
        {255, 220, 120}, // header
        {255, 255, 255}, // lines
        {190, 200, 215}, // footer
        {0, 0, 0},       // button labels
        {0, 0, 160},     // button labels while over or down
        {44, 62, 90},    // face of the plain box
        {150, 175, 210}, // edge of the plain box
    };
    Widget::SetColors(colors, NUM_COLORS);

    switch (buttonMode)
    {
    case BUTTONS_OK:
        mYesButtonOwner = MakeButton(ID_OK, L"确定");
        break;
    case BUTTONS_YES_NO:
        mYesButtonOwner = MakeButton(ID_YES, L"是");
        mNoButtonOwner = MakeButton(ID_NO, L"否");
        break;
    case BUTTONS_OK_CANCEL:
        mYesButtonOwner = MakeButton(ID_OK, L"确定");
        mNoButtonOwner = MakeButton(ID_CANCEL, L"取消");
        break;
    default:
        break;
    }
    mYesButton = mYesButtonOwner.get();
    mNoButton = mNoButtonOwner.get();
    ApplyButtonColors();
}

Dialog::~Dialog()
{
    if (mHost != nullptr)
        mHost->Forget(this);
    // Leave while still a Dialog, so the buttons leave with it.
    if (mParent != nullptr)
        mParent->RemoveWidget(this);
}

std::unique_ptr<ButtonWidget> Dialog::MakeButton(int id, const SexyString& label)
{
    auto button = std::make_unique<DialogButton>(id, this);
    button->mLabel = label;
    if (mButtonComponentImage != nullptr)
        button->SetBtnImage(nullptr, mButtonComponentImage, true, true, true, true, false);
    return button;
}

void Dialog::ApplyButtonColors()
{
    for (ButtonWidget* button : {mYesButton, mNoButton})
    {
        if (button == nullptr)
            continue;
        button->SetColor(ButtonWidget::COLOR_LABEL, GetColor(COLOR_BUTTON_TEXT));
        button->SetColor(ButtonWidget::COLOR_LABEL_HILITE, GetColor(COLOR_BUTTON_TEXT_HILITE));
    }
}

// ---- Texts and fonts ----------------------------------------------------------------------------

void Dialog::SetHeader(const SexyString& header)
{
    mDialogHeader = header;
    MarkDirty();
}

void Dialog::SetLines(const SexyString& lines)
{
    mDialogLines = lines;
    MarkDirty();
}

void Dialog::SetFooter(const SexyString& footer)
{
    mDialogFooter = footer;
    MarkDirty();
}

void Dialog::SetHeaderFont(Font* font)
{
    mHeaderFont = font != nullptr ? font->Duplicate() : nullptr;
    MarkDirty();
}

void Dialog::SetLinesFont(Font* font)
{
    mLinesFont = font != nullptr ? font->Duplicate() : nullptr;
    MarkDirty();
}

void Dialog::SetButtonFont(Font* font)
{
    mButtonFont = font != nullptr ? font->Duplicate() : nullptr;
    for (ButtonWidget* button : {mYesButton, mNoButton})
        if (button != nullptr)
            button->SetFont(mButtonFont.get());
    MarkDirty();
}

Font* Dialog::GetHeaderFont()
{
    if (!mHeaderFont)
        mHeaderFont = std::make_unique<SysFont>("宋体", 12, true);
    return mHeaderFont.get();
}

Font* Dialog::GetLinesFont()
{
    if (!mLinesFont)
        mLinesFont = std::make_unique<SysFont>("宋体", 11);
    return mLinesFont.get();
}

Font* Dialog::GetButtonFont()
{
    if (!mButtonFont)
        mButtonFont = std::make_unique<SysFont>("宋体", 11);
    return mButtonFont.get();
}

// ---- Layout -------------------------------------------------------------------------------------

int Dialog::ButtonWidth()
{
    if (mButtonWidth > 0)
        return mButtonWidth;
    int width = kMinButtonWidth;
    for (ButtonWidget* button : {mYesButton, mNoButton})
    {
        if (button == nullptr)
            continue;
        if (button->mButtonImage != nullptr)
            width = std::max(width, button->mNormalRect.IsEmpty() ? button->mButtonImage->GetWidth()
                                                                  : button->mNormalRect.mWidth);
        if (!button->mLabel.empty())
            width = std::max(width, GetButtonFont()->StringWidth(button->mLabel) + kLabelPadding);
    }
    return width;
}

int Dialog::ButtonHeight()
{
    if (mButtonHeight > 0)
        return mButtonHeight;
    int height = kMinButtonHeight;
    for (ButtonWidget* button : {mYesButton, mNoButton})
    {
        if (button == nullptr)
            continue;
        if (button->mButtonImage != nullptr)
            height = std::max(height, button->mNormalRect.IsEmpty() ? button->mButtonImage->GetHeight()
                                                                    : button->mNormalRect.mHeight);
        if (!button->mLabel.empty())
            height = std::max(height, GetButtonFont()->GetHeight() + 10);
    }
    return height;
}

void Dialog::LayoutButtons(int x, int y, int width, int height)
{
    if (mYesButton == nullptr && mNoButton == nullptr)
        return;
    // Labels need a font to show; a button without one gets the dialog's.
    for (ButtonWidget* button : {mYesButton, mNoButton})
        if (button != nullptr && !button->mLabel.empty() && button->mFont == nullptr)
            button->SetFont(GetButtonFont());
    const int bw = ButtonWidth();
    const int bh = ButtonHeight();
    const int top = y + height - mContentInsets.mBottom - bh;
    if (mYesButton != nullptr && mNoButton != nullptr)
    {
        const int left = x + (width - (bw + mButtonSpacing + bw)) / 2;
        mYesButton->Resize(left, top, bw, bh);
        mNoButton->Resize(left + bw + mButtonSpacing, top, bw, bh);
    }
    else
    {
        ButtonWidget* only = mYesButton != nullptr ? mYesButton : mNoButton;
        only->Resize(x + (width - bw) / 2, top, bw, bh);
    }
    for (ButtonWidget* button : {mYesButton, mNoButton})
        if (button != nullptr)
            button->SetVisible(mVisible);
}

void Dialog::Resize(int x, int y, int width, int height)
{
    Widget::Resize(x, y, width, height);
    mPlaced = true;
    LayoutButtons(x, y, width, height);
}

int Dialog::GetPreferredHeight(int width)
{
    const int textWidth = std::max(1, width - mContentInsets.mLeft - mContentInsets.mRight);
    int height = mContentInsets.mTop + mContentInsets.mBottom;
    if (!mDialogHeader.empty())
        height += GetHeaderFont()->GetHeight() + mSpaceAfterHeader;
    if (!mDialogLines.empty())
    {
        Graphics measure(nullptr);
        measure.SetFont(GetLinesFont());
        height += measure.GetWordWrappedHeight(textWidth, mDialogLines, mLineSpacing);
    }
    if (!mDialogFooter.empty())
        height += mSpaceAboveButtons + GetLinesFont()->GetHeight();
    if (mYesButton != nullptr || mNoButton != nullptr)
        height += mSpaceAboveButtons + ButtonHeight();
    return height;
}

void Dialog::SetVisible(bool visible)
{
    Widget::SetVisible(visible);
    if (!visible)
    {
        for (ButtonWidget* button : {mYesButton, mNoButton})
            if (button != nullptr)
                button->SetVisible(false);
    }
    else if (mPlaced)
    {
        Resize(mX, mY, mWidth, mHeight);
    }
}

void Dialog::SetDisabled(bool disabled)
{
    Widget::SetDisabled(disabled);
    for (ButtonWidget* button : {mYesButton, mNoButton})
        if (button != nullptr)
            button->SetDisabled(disabled);
}

void Dialog::SetColors(int colors[][3], int count)
{
    Widget::SetColors(colors, count);
    ApplyButtonColors();
}

void Dialog::SetColors(int colors[][4], int count)
{
    Widget::SetColors(colors, count);
    ApplyButtonColors();
}

void Dialog::SetColor(int index, const Color& color)
{
    Widget::SetColor(index, color);
    ApplyButtonColors();
}

// ---- Drawing ------------------------------------------------------------------------------------

void Dialog::DrawPlainFrame(Graphics* g)
{
    g->SetColor(GetColor(COLOR_BKG));
    g->FillRect(0, 0, mWidth, mHeight);
    g->SetColor(GetColor(COLOR_OUTLINE));
    g->DrawRect(0, 0, mWidth, mHeight);
    g->DrawRect(1, 1, mWidth - 2, mHeight - 2);
}

void Dialog::Draw(Graphics* g)
{
    if (mComponentImage != nullptr)
        g->DrawImageBox(Rect(0, 0, mWidth, mHeight), mComponentImage);
    else
        DrawPlainFrame(g);

    const int left = mContentInsets.mLeft;
    const int width = mWidth - mContentInsets.mLeft - mContentInsets.mRight;
    int y = mContentInsets.mTop;
    if (!mDialogHeader.empty())
    {
        Font* font = GetHeaderFont();
        g->SetFont(font);
        g->SetColor(GetColor(COLOR_HEADER));
        WriteString(g, mDialogHeader, left, y + font->GetAscent(), width, 0);
        y += font->GetHeight() + mSpaceAfterHeader;
    }
    if (!mDialogLines.empty())
    {
        g->SetFont(GetLinesFont());
        g->SetColor(GetColor(COLOR_LINES));
        WriteWordWrapped(g, Rect(left, y, width, mHeight - y), mDialogLines, mLineSpacing, mLinesJustify);
    }
    if (!mDialogFooter.empty())
    {
        // Just above the buttons (wherever a subclass put them), else at the bottom.
        int bottom = mHeight - mContentInsets.mBottom;
        for (ButtonWidget* button : {mYesButton, mNoButton})
            if (button != nullptr && button->mVisible && button->mParent == mParent)
                bottom = std::min(bottom, button->mY - mY - mSpaceAboveButtons);
        Font* font = GetLinesFont();
        g->SetFont(font);
        g->SetColor(GetColor(COLOR_FOOTER));
        WriteString(g, mDialogFooter, left, bottom - font->GetHeight() + font->GetAscent(), width, 0);
    }
}

// ---- Joining and leaving the manager ------------------------------------------------------------

void Dialog::AddedToManager(WidgetManager* manager)
{
    Widget::AddedToManager(manager);
    // The buttons stand right in front of the dialog, in its container.
    WidgetContainer* host = mParent != nullptr ? mParent : manager;
    for (ButtonWidget* button : {mYesButton, mNoButton})
    {
        if (button == nullptr)
            continue;
        button->mPriority = mPriority;
        host->AddWidget(button);
    }
    if (mIsModal)
        manager->AddBaseModal(this);
}

void Dialog::RemovedFromManager(WidgetManager* manager)
{
    Widget::RemovedFromManager(manager);
    for (ButtonWidget* button : {mYesButton, mNoButton})
        if (button != nullptr && button->mParent != nullptr)
            button->mParent->RemoveWidget(button);
}

// ---- Input and answers --------------------------------------------------------------------------

bool Dialog::CanAnswer(const ButtonWidget* button)
{
    return button != nullptr && button->mVisible && !button->mDisabled;
}

void Dialog::KeyDown(KeyCode key)
{
    if (key == KEYCODE_RETURN)
    {
        if (CanAnswer(mYesButton))
            ButtonDepress(mYesButton->mId);
        return;
    }
    if (key == KEYCODE_ESCAPE)
    {
        if (CanAnswer(mNoButton))
            ButtonDepress(mNoButton->mId);
        else if ((mNoButton == nullptr || !mNoButton->mVisible) && CanAnswer(mYesButton))
            ButtonDepress(mYesButton->mId);
        return;
    }
    Widget::KeyDown(key);
}

void Dialog::MouseDown(int x, int y, int button, int clickCount)
{
    if (mWidgetManager != nullptr)
        mWidgetManager->SetFocus(this);
    Widget::MouseDown(x, y, button, clickCount);
}

void Dialog::ButtonPress(int id)
{
    if (mDialogListener != nullptr)
        mDialogListener->DialogButtonPress(mId, id);
}

void Dialog::ButtonDepress(int id)
{
    if (mResult != kNoResult)
        return;
    mResult = id;
    if (mDialogListener != nullptr)
        mDialogListener->DialogButtonDepress(mId, id);
}

int Dialog::WaitForResult(bool autoKill)
{
    // The application's host keeps a killed dialog alive while a wait runs, so this object stays
    // valid for the whole call even when a handler kills it meanwhile.
    SexyAppBase* app = mApp;
    if (app != nullptr && mHost != nullptr && mResult == kNoResult)
    {
        DialogHost* host = mHost;
        ++mWaitDepth;
        host->EnterWait();
        while (mResult == kNoResult && mApp == app)
        {
            if (!app->UpdateAppStep(nullptr))
                break; // the application is shutting down
            if (mResult != kNoResult || mApp != app)
                break;
            app->WaitForNextUpdate();
        }
        host->LeaveWait();
        --mWaitDepth;
    }
    if (mResult == kNoResult)
        mResult = ID_CANCEL;
    const int result = mResult;
    if (autoKill && mApp != nullptr)
        mApp->KillDialog(this);
    return result;
}

} // namespace Sexy
