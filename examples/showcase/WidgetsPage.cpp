#include "examples/showcase/WidgetsPage.h"

#include "examples/showcase/Art.h"
#include "pop/ButtonWidget.h"
#include "pop/Checkbox.h"
#include "pop/Dialog.h"
#include "pop/EditWidget.h"
#include "pop/Graphics.h"
#include "pop/ListWidget.h"
#include "pop/ScrollbarWidget.h"
#include "pop/SexyAppBase.h"
#include "pop/Slider.h"
#include "pop/WidgetManager.h"

#include <cmath>
#include <iterator>

namespace showcase
{

using Sexy::Color;
using Sexy::Graphics;
using Sexy::MemoryImage;
using Sexy::Rect;
using Sexy::SexyString;

namespace
{

// Widget ids.
enum
{
    kPlainButtonId = 1,
    kDisabledButtonId,
    kPictureButtonId,
    kDisabledPictureButtonId,
    kShowDialogButtonId,
    kSoundBoxId,
    kFullScreenBoxId,
    kSliderId,
    kEditId,
    kPasswordId,
    kListId,
    kListBarId,
    kHBarId,
};

// Panel places: two columns of three panels.
const Rect kButtonsPanel(16, 52, 488, 212);
const Rect kEditPanel(16, 276, 488, 170);
const Rect kScrollPanel(16, 458, 488, 102);
const Rect kEventsPanel(16, 572, 488, 154);
const Rect kChoicePanel(520, 52, 488, 212);
const Rect kListPanel(520, 276, 488, 244);
const Rect kDialogPanel(520, 532, 488, 194);

// The dialog: over the right part of the dialog panel, its bottom edge at kDialogBottom.
constexpr int kDialogX = 664;
constexpr int kDialogWidth = 336;
constexpr int kDialogBottom = 718;

constexpr int kButtonCelWidth = 104;
constexpr int kButtonCelHeight = 34;
constexpr int kCheckSize = 22;
constexpr size_t kMaxEvents = 6;

const wchar_t* const kColourNames[] = {L"红 Red",   L"橙 Orange", L"黄 Yellow",    L"黄绿 Lime",
                                       L"绿 Green", L"青绿 Teal", L"青 Cyan",      L"天蓝 Sky",
                                       L"蓝 Blue",  L"紫 Violet", L"品红 Magenta", L"玫红 Rose"};

// The page's colours for a plain scrollbar and its arrow buttons.
void StyleScrollbar(Sexy::ScrollbarWidget& bar)
{
    bar.SetColor(Sexy::ScrollbarWidget::COLOR_TRACK, Color(30, 40, 62));
    bar.SetColor(Sexy::ScrollbarWidget::COLOR_THUMB, Color(110, 145, 190));
    bar.SetColor(Sexy::ScrollbarWidget::COLOR_THUMB_OUTLINE, Color(200, 220, 240));
    for (Sexy::ButtonWidget* arrow : {bar.mUpButton, bar.mDownButton})
        if (arrow != nullptr)
            arrow->SetColor(Sexy::ButtonWidget::COLOR_BKG, Color(150, 172, 200));
}

} // namespace

WidgetsPage::WidgetsPage(Sexy::SexyAppBase* app) : mApp(app)
{
    Resize(0, 0, kWidth, kHeight);
    mClip = true;
    mTitleFont = std::make_unique<Sexy::SysFont>("宋体", 16, true);
    mFont = std::make_unique<Sexy::SysFont>("宋体", 11);
    mSmallFont = std::make_unique<Sexy::SysFont>("Arial", 9);
    MakeImages();
    MakeBackdrop();
    MakeWidgets();
}

WidgetsPage::~WidgetsPage()
{
    // The dialog reports to the page: it must not outlive it.
    if (GetDialog() != nullptr)
        mApp->KillDialog(kDialogId);
    for (auto it = mOwned.rbegin(); it != mOwned.rend(); ++it)
        RemoveWidget(*it);
}

void WidgetsPage::MakeImages()
{
    mPanelFrame = std::make_unique<MemoryImage>(24, 24);
    RoundedBox(*mPanelFrame, Rect(0, 0, 24, 24), 7, Argb(215, 24, 34, 56), Argb(215, 16, 24, 40),
               Argb(230, 110, 150, 190), 1);
    mPanelFrame->BitsChanged();

    // The button's four looks side by side: normal, over (gold rim), down (darker), disabled (grey).
    mButtonCels = std::make_unique<MemoryImage>(kButtonCelWidth * 4, kButtonCelHeight);
    mButtonCels->mNumCols = 4;
    const int w = kButtonCelWidth, h = kButtonCelHeight;
    RoundedBox(*mButtonCels, Rect(0, 0, w, h), 8, Argb(255, 70, 110, 160), Argb(255, 40, 62, 100),
               Argb(255, 140, 180, 220), 1);
    RoundedBox(*mButtonCels, Rect(w, 0, w, h), 8, Argb(255, 100, 145, 200), Argb(255, 58, 90, 140),
               Argb(255, 250, 210, 110), 2);
    RoundedBox(*mButtonCels, Rect(2 * w, 0, w, h), 8, Argb(255, 32, 50, 80), Argb(255, 56, 84, 126),
               Argb(255, 250, 210, 110), 2);
    RoundedBox(*mButtonCels, Rect(3 * w, 0, w, h), 8, Argb(255, 78, 82, 90), Argb(255, 58, 60, 66),
               Argb(255, 110, 112, 118), 1);
    mButtonCels->BitsChanged();

    // Check box: an empty box, and the same box with a tick.
    mCheckCels = std::make_unique<MemoryImage>(kCheckSize * 2, kCheckSize);
    for (int i = 0; i < 2; ++i)
        RoundedBox(*mCheckCels, Rect(i * kCheckSize, 0, kCheckSize, kCheckSize), 5, Argb(255, 20, 28, 46),
                   Argb(255, 30, 42, 66), Argb(255, 140, 180, 220), 1.5);
    for (int y = 0; y < kCheckSize; ++y)
        for (int x = 0; x < kCheckSize; ++x)
        {
            // Distance to the tick's two strokes: (5,11)-(9,15) and (9,15)-(17,6).
            auto segment = [&](double ax, double ay, double bx, double by)
            {
                double px = x + 0.5 - ax, py = y + 0.5 - ay, dx = bx - ax, dy = by - ay;
                double t = std::clamp((px * dx + py * dy) / (dx * dx + dy * dy), 0.0, 1.0);
                return std::hypot(px - t * dx, py - t * dy);
            };
            double d = std::min(segment(5, 11, 9, 15.5), segment(9, 15.5, 17, 6));
            double cover = std::clamp(2.2 - d, 0.0, 1.0);
            if (cover > 0)
            {
                uint32_t under = mCheckCels->GetPixelARGB(kCheckSize + x, y);
                Put(*mCheckCels, kCheckSize + x, y, Lerp(under, Argb(255, 255, 214, 90), cover));
            }
        }
    mCheckCels->BitsChanged();

    // Slider: a groove, and a knob with a gold rim.
    mTrack = std::make_unique<MemoryImage>(64, 8);
    RoundedBox(*mTrack, Rect(0, 0, 64, 8), 4, Argb(255, 10, 16, 28), Argb(255, 40, 60, 90), Argb(255, 100, 140, 180),
               1);
    mTrack->BitsChanged();
    mThumb = std::make_unique<MemoryImage>(16, 26);
    RoundedBox(*mThumb, Rect(0, 0, 16, 26), 6, Argb(255, 130, 170, 220), Argb(255, 60, 95, 150),
               Argb(255, 250, 210, 110), 1.5);
    mThumb->BitsChanged();

    // The dialog's frame: opaque, a bright rim, stretched nine-slice.
    mDialogFrame = std::make_unique<MemoryImage>(30, 30);
    RoundedBox(*mDialogFrame, Rect(0, 0, 30, 30), 9, Argb(250, 48, 58, 92), Argb(250, 28, 34, 58),
               Argb(255, 230, 190, 90), 2);
    mDialogFrame->BitsChanged();
}

void WidgetsPage::MakeBackdrop()
{
    // The background, the title strip and the panels never change: drawn once.
    mBackdrop = std::make_unique<MemoryImage>(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y)
    {
        uint32_t row = Lerp(Argb(255, 22, 30, 52), Argb(255, 12, 58, 66), double(y) / (kHeight - 1));
        for (int x = 0; x < kWidth; ++x)
            Put(*mBackdrop, x, y, x % 32 == 0 || y % 32 == 0 ? Lerp(row, Argb(255, 90, 120, 150), 0.12) : row);
    }
    mBackdrop->BitsChanged();

    Graphics g(mBackdrop.get());
    g.SetColor(Color(8, 12, 24, 220));
    g.FillRect(0, 0, kWidth, 40);
    g.SetColor(Color(90, 140, 200, 160));
    g.FillRect(0, 40, kWidth, 1);
    g.SetFont(mTitleFont.get());
    g.SetColor(Color(240, 245, 255));
    g.WriteString(L"pop 控件 ^FFD0600Widgets^oldclr0", 16, 8 + mTitleFont->GetAscent());
    g.SetFont(mSmallFont.get());
    g.SetColor(Color(150, 175, 200));
    g.WriteString(L"the standard widgets and a modal dialog · pictures made at run time", kWidth - 16 - 500,
                  14 + mSmallFont->GetAscent(), 500, 1);

    const std::pair<Rect, const wchar_t*> panels[] = {{kButtonsPanel, L"按钮 Buttons"},
                                                      {kEditPanel, L"编辑框 Edit fields"},
                                                      {kScrollPanel, L"滚动条 Scrollbar"},
                                                      {kEventsPanel, L"事件 Events"},
                                                      {kChoicePanel, L"复选框与滑块 Check boxes & slider"},
                                                      {kListPanel, L"列表 List"},
                                                      {kDialogPanel, L"对话框 Dialog"}};
    for (const auto& [r, caption] : panels)
    {
        g.DrawImageBox(r, mPanelFrame.get());
        g.SetFont(mFont.get());
        g.SetColor(Color(140, 200, 255));
        g.WriteString(caption, r.mX + 14, r.mY + 10 + mFont->GetAscent());
        g.SetColor(Color(110, 150, 190, 120));
        g.FillRect(r.mX + 12, r.mY + 14 + mFont->GetHeight(), r.mWidth - 24, 1);
    }

    // What the picture button is made of: its four cels, each with its state.
    static const wchar_t* const kCelNames[] = {L"0 normal", L"1 over", L"2 down", L"3 disabled"};
    for (int i = 0; i < 4; ++i)
    {
        const int x = kButtonsPanel.mX + 16 + i * 114, y = kButtonsPanel.mY + 130;
        g.DrawImageCel(mButtonCels.get(), x, y, i);
        g.SetFont(mSmallFont.get());
        g.SetColor(Color(170, 195, 215));
        g.WriteString(kCelNames[i], x, y + kButtonCelHeight + 16, kButtonCelWidth, 0);
    }
}

void WidgetsPage::Own(Sexy::Widget* widget)
{
    AddWidget(widget);
    mOwned.push_back(widget);
}

void WidgetsPage::MakeWidgets()
{
    const Color text(225, 232, 242), hilite(255, 236, 180);

    // Buttons, in a row: plain, plain disabled, picture, picture disabled.
    auto plain = [&](int id, const SexyString& label, int slot)
    {
        auto b = std::make_unique<Sexy::ButtonWidget>(id, this);
        b->mLabel = label;
        b->SetFont(mFont.get());
        b->Resize(kButtonsPanel.mX + 16 + slot * 114, kButtonsPanel.mY + 48, kButtonCelWidth, kButtonCelHeight);
        b->mDoFinger = true;
        return b;
    };
    mPlainButton = plain(kPlainButtonId, L"确定 OK", 0);
    mDisabledButton = plain(kDisabledButtonId, L"禁用 Disabled", 1);
    mDisabledButton->SetColor(Sexy::ButtonWidget::COLOR_LABEL, Color(130, 130, 130));
    mDisabledButton->SetColor(Sexy::ButtonWidget::COLOR_BKG, Color(175, 175, 175));
    mDisabledButton->SetDisabled(true);
    auto picture = [&](int id, const SexyString& label, int slot)
    {
        auto b = plain(id, label, slot);
        b->SetBtnImage(nullptr, mButtonCels.get(), true, true, true, true, true);
        b->SetColor(Sexy::ButtonWidget::COLOR_LABEL, text);
        b->SetColor(Sexy::ButtonWidget::COLOR_LABEL_HILITE, hilite);
        return b;
    };
    mPictureButton = picture(kPictureButtonId, L"图片 Picture", 2);
    mDisabledPictureButton = picture(kDisabledPictureButtonId, L"停用 Off", 3);
    mDisabledPictureButton->SetColor(Sexy::ButtonWidget::COLOR_LABEL, Color(150, 152, 158));
    mDisabledPictureButton->SetDisabled(true);
    for (auto* b : {mPlainButton.get(), mDisabledButton.get(), mPictureButton.get(), mDisabledPictureButton.get()})
        Own(b);

    // Check boxes: one picture holds both looks.
    auto box = [&](int id, int row, bool checked)
    {
        auto c = std::make_unique<Sexy::Checkbox>(mCheckCels.get(), mCheckCels.get(), id, this);
        c->mUncheckedRect = Rect(0, 0, kCheckSize, kCheckSize);
        c->mCheckedRect = Rect(kCheckSize, 0, kCheckSize, kCheckSize);
        c->Resize(kChoicePanel.mX + 20, kChoicePanel.mY + 46 + row * 34, kCheckSize, kCheckSize);
        c->SetChecked(checked, false);
        c->mDoFinger = true;
        return c;
    };
    mSoundBox = box(kSoundBoxId, 0, true);
    mFullScreenBox = box(kFullScreenBoxId, 1, false);
    Own(mSoundBox.get());
    Own(mFullScreenBox.get());

    mSlider = std::make_unique<Sexy::Slider>(mTrack.get(), mThumb.get(), kSliderId, this);
    mSlider->Resize(kChoicePanel.mX + 20, kChoicePanel.mY + 144, 300, 26);
    mSlider->SetValue(0.65);
    Own(mSlider.get());

    // Edit fields: mixed text with a selection, and a password field.
    auto edit = [&](int id, int y)
    {
        auto e = std::make_unique<Sexy::EditWidget>(id, this);
        e->SetFont(mFont.get());
        e->Resize(kEditPanel.mX + 16, y, kEditPanel.mWidth - 32, 28);
        e->SetColor(Sexy::EditWidget::COLOR_BKG, Color(12, 18, 32));
        e->SetColor(Sexy::EditWidget::COLOR_OUTLINE, Color(120, 160, 200));
        e->SetColor(Sexy::EditWidget::COLOR_TEXT, text);
        e->SetColor(Sexy::EditWidget::COLOR_HILITE, Color(70, 130, 210));
        e->SetColor(Sexy::EditWidget::COLOR_HILITE_TEXT, Color(255, 255, 255));
        return e;
    };
    mEdit = edit(kEditId, kEditPanel.mY + 44);
    const SexyString mixed = L"你好，世界！Hello, world — 中文与 Latin";
    mEdit->SetText(mixed);
    const int from = int(mixed.find(L"世界")), to = int(mixed.find(L","));
    mEdit->SetSelection(from, to);
    mPassword = edit(kPasswordId, kEditPanel.mY + 98);
    mPassword->mPasswordChar = L'*';
    mPassword->SetText(L"secret 密码");
    Own(mEdit.get());
    Own(mPassword.get());

    // The list and its scrollbar: twelve coloured lines, eight rows in view.
    const int rowHeight = 20;
    const Rect listRect(kListPanel.mX + 16, kListPanel.mY + 44, kListPanel.mWidth - 32 - 18, rowHeight * 8 + 4);
    mList = std::make_unique<Sexy::ListWidget>(kListId, mFont.get(), this);
    mList->SetItemHeight(rowHeight);
    mList->mDrawOutline = true;
    mList->mDrawSelectWhenHilited = true;
    mList->mDoFingerWhenHilited = true;
    mList->SetColor(Sexy::ListWidget::COLOR_BKG, Color(12, 18, 32));
    mList->SetColor(Sexy::ListWidget::COLOR_OUTLINE, Color(120, 160, 200));
    mList->SetColor(Sexy::ListWidget::COLOR_HILITE, Color(52, 74, 112));
    mList->SetColor(Sexy::ListWidget::COLOR_HILITE_TEXT, Color(255, 255, 255));
    mList->SetColor(Sexy::ListWidget::COLOR_SELECT, Color(235, 190, 80));
    mList->SetColor(Sexy::ListWidget::COLOR_SELECT_TEXT, Color(24, 24, 36));
    mList->Resize(listRect);
    for (int i = 0; i < int(std::size(kColourNames)); ++i)
    {
        int row = mList->AddLine(Sexy::StrFormat(L"%02d   %ls", i + 1, kColourNames[i]));
        mList->SetLineColor(row, Color::FromARGB(Lerp(Hue(i / 12.0, 1.0), Argb(255, 255, 255, 255), 0.3)));
    }
    mListBar = std::make_unique<Sexy::ScrollbarWidget>(kListBarId, nullptr);
    mListBar->Resize(listRect.mX + listRect.mWidth, listRect.mY, 18, listRect.mHeight);
    StyleScrollbar(*mListBar);
    mList->SetScrollbar(mListBar.get());
    mList->SetScrollPosition(1);
    mList->SetSelect(3);
    mList->SetHilite(6);
    Own(mList.get());
    Own(mListBar.get());

    mHBar = std::make_unique<Sexy::ScrollbarWidget>(kHBarId, this);
    mHBar->SetHorizontal(true);
    StyleScrollbar(*mHBar);
    mHBar->Resize(kScrollPanel.mX + 16, kScrollPanel.mY + 44, kScrollPanel.mWidth - 32, 18);
    mHBar->SetMaxValue(100);
    mHBar->SetPageSize(20);
    mHBar->SetValue(35);
    mHBar->mArrowStep = 5;
    Own(mHBar.get());

    mShowDialogButton = picture(kShowDialogButtonId, L"显示 Show", 0);
    mShowDialogButton->Move(kDialogPanel.mX + 16, kDialogPanel.mY + 44);
    Own(mShowDialogButton.get());
}

Sexy::Dialog* WidgetsPage::GetDialog() const
{
    return mApp != nullptr ? mApp->GetDialog(kDialogId) : nullptr;
}

void WidgetsPage::ShowDialog()
{
    if (mApp == nullptr)
        return;
    auto dialog = std::make_unique<Sexy::Dialog>(
        mDialogFrame.get(), mButtonCels.get(), kDialogId, true, L"保存设置？ Save the settings?",
        L"设置已经修改，要保存吗？Long lines wrap inside the frame: ^FFD0600OK^oldclr0 saves, Cancel "
        L"keeps the old settings.",
        L"Enter = OK · Esc = Cancel", Sexy::Dialog::BUTTONS_OK_CANCEL);
    dialog->mDialogListener = this;
    dialog->mPriority = 1; // in front of the page even if the page is added later
    dialog->SetColor(Sexy::Dialog::COLOR_HEADER, Color(255, 214, 120));
    dialog->SetColor(Sexy::Dialog::COLOR_LINES, Color(225, 232, 242));
    dialog->SetColor(Sexy::Dialog::COLOR_FOOTER, Color(160, 185, 210));
    dialog->SetColor(Sexy::Dialog::COLOR_BUTTON_TEXT, Color(225, 232, 242));
    dialog->SetColor(Sexy::Dialog::COLOR_BUTTON_TEXT_HILITE, Color(255, 236, 180));
    const int height = dialog->GetPreferredHeight(kDialogWidth);
    dialog->Resize(kDialogX, kDialogBottom - height, kDialogWidth, height);
    mApp->AddDialog(kDialogId, dialog.release()); // the application owns it from here on
    if (mWidgetManager != nullptr)
        mWidgetManager->SetFocus(mEdit.get());
    MarkDirty();
}

void WidgetsPage::Log(const SexyString& line)
{
    mEvents.push_back(line);
    while (mEvents.size() > kMaxEvents)
        mEvents.pop_front();
    MarkDirty();
}

void WidgetsPage::ButtonDepress(int id)
{
    if (id == kShowDialogButtonId)
    {
        ShowDialog();
        Log(L"对话框已显示 dialog shown");
        return;
    }
    ++mClicks;
    Log(Sexy::StrFormat(L"按钮 %d 被点击 button %d clicked (%d clicks)", id, id, mClicks));
}

void WidgetsPage::CheckboxChecked(int id, bool checked)
{
    Log(Sexy::StrFormat(L"复选框 check box %d: %ls", id, checked ? L"checked" : L"unchecked"));
}

void WidgetsPage::SliderVal(int id, double value)
{
    MarkDirty();
    if (!mSlider->mDragging)
        Log(Sexy::StrFormat(L"滑块 slider %d: %d%%", id, int(std::lround(value * 100))));
}

void WidgetsPage::EditWidgetText(int id, const SexyString& text)
{
    Log(Sexy::StrFormat(L"编辑框 edit %d: %ls", id, id == kPasswordId ? L"(hidden)" : text.c_str()));
}

void WidgetsPage::ListClicked(int id, int row, int clickCount)
{
    Log(Sexy::StrFormat(L"列表 list %d: row %d (%d clicks)", id, row + 1, clickCount));
}

void WidgetsPage::ScrollPosition(int id, double position)
{
    (void)id;
    (void)position;
    MarkDirty();
}

void WidgetsPage::DialogButtonDepress(int dialogId, int buttonId)
{
    mLastAnswer = buttonId == Sexy::Dialog::ID_OK ? L"确定 OK (1000)" : L"取消 Cancel (1001)";
    Log(L"对话框回答 dialog answered: " + mLastAnswer);
    // Safe from the dialog's own button: it is deleted at the next step of the loop.
    mApp->KillDialog(dialogId);
}

void WidgetsPage::Label(Graphics* g, const SexyString& text, int x, int y, int width, int justify)
{
    g->SetFont(mSmallFont.get());
    g->SetColor(Color(170, 195, 215));
    g->WriteString(text, x, y, width, justify);
}

void WidgetsPage::Text(Graphics* g, const SexyString& text, int x, int y)
{
    g->SetFont(mFont.get());
    g->SetColor(Color(225, 232, 242));
    g->WriteString(text, x, y + mFont->GetAscent());
}

void WidgetsPage::Draw(Graphics* g)
{
    g->DrawImage(mBackdrop.get(), 0, 0);

    // Buttons: what each one is.
    static const wchar_t* const kButtonNames[] = {L"plain", L"plain, disabled", L"picture, label",
                                                  L"picture, disabled"};
    for (int i = 0; i < 4; ++i)
        Label(g, kButtonNames[i], kButtonsPanel.mX + 16 + i * 114, kButtonsPanel.mY + 100, kButtonCelWidth, 0);
    Label(g, L"SetBtnImage: one picture, four cels", kButtonsPanel.mX + 16, kButtonsPanel.mY + 202, 456, 0);

    // Check boxes and slider.
    const int cx = kChoicePanel.mX + 20 + kCheckSize + 10;
    Text(g, mSoundBox->IsChecked() ? L"声音 Sound — checked" : L"声音 Sound — unchecked", cx,
         mSoundBox->mY + (kCheckSize - mFont->GetHeight()) / 2);
    Text(g, mFullScreenBox->IsChecked() ? L"全屏 Full screen — checked" : L"全屏 Full screen — unchecked", cx,
         mFullScreenBox->mY + (kCheckSize - mFont->GetHeight()) / 2);
    Text(g, Sexy::StrFormat(L"音量 Volume: %d%%", int(std::lround(mSlider->GetValue() * 100))),
         mSlider->mX + mSlider->mWidth + 20, mSlider->mY + (mSlider->mHeight - mFont->GetHeight()) / 2);
    Label(g, L"drag the thumb or click the track", mSlider->mX, mSlider->mY + mSlider->mHeight + 20);

    // Edit fields.
    Label(g, L"selection \"世界！Hello\"; Ctrl+A, Ctrl+C/X/V, double click for a word", mEdit->mX,
          mEdit->mY + mEdit->mHeight + 16);
    Label(g, L"password field (mPasswordChar)", mPassword->mX, mPassword->mY + mPassword->mHeight + 16);

    // Scrollbar.
    Text(g,
         Sexy::StrFormat(L"位置 Position: %d of 0–%d, page %d", int(std::lround(mHBar->GetValue())),
                         int(mHBar->GetMaxValue() - mHBar->GetPageSize()), int(mHBar->GetPageSize())),
         mHBar->mX, mHBar->mY + mHBar->mHeight + 12);

    // List.
    Label(g,
          Sexy::StrFormat(L"12 lines · selected %d · hovered %d · top row %d", mList->mSelectIdx + 1,
                          mList->mHiliteIdx + 1, int(mList->GetScrollPosition()) + 1),
          mList->mX, mList->mY + mList->mHeight + 20);

    // Events, newest last.
    int y = kEventsPanel.mY + 44;
    if (mEvents.empty())
        Label(g, L"click, type, drag: the widgets' reports appear here", kEventsPanel.mX + 16, y + 10);
    for (const SexyString& e : mEvents)
    {
        Text(g, e, kEventsPanel.mX + 16, y);
        y += mFont->GetLineSpacing() + 2;
    }

    // Dialog: its state below the button (the dialog itself stands to the right).
    const int dx = kDialogPanel.mX + 16;
    Text(g, GetDialog() != nullptr ? SexyString(L"显示中 shown") : SexyString(L"已关闭 closed"), dx,
         kDialogPanel.mY + 96);
    if (!mLastAnswer.empty())
        Text(g, L"回答 Answer: " + mLastAnswer, dx, kDialogPanel.mY + 120);
    Label(g, L"owned by the app", dx, kDialogPanel.mY + 164);
    Label(g, L"(AddDialog, KillDialog)", dx, kDialogPanel.mY + 178);
}

} // namespace showcase
