#include "tessaro/app/MsgDlg.h"

#include "pop/ButtonWidget.h"
#include "pop/Common.h"
#include "pop/Graphics.h"
#include "pop/Image.h"
#include "pop/SysFont.h"
#include "tessaro/app/GameAppBase.h"
#include "tessaro/app/SkinImages.h"

#include <algorithm>
#include <utility>

namespace Ostra
{

namespace
{

constexpr int kMaxLines = 3;
// Tops of the first line for one, two and three (or more) lines.
constexpr int kTopForLines[kMaxLines] = {85, 76, 66};
// The gap between the two buttons and the box's centre.
constexpr int kButtonGap = 10;
// Where the countdown's baseline starts, from the box's bottom right corner.
constexpr int kCountdownInset = 15;

const Sexy::Color kTextColor(255, 255, 0);
const Sexy::Color kCountdownColor(255, 255, 255);

// A button shows its state cels from the skin picture, without a label; without the picture it
// keeps the framework's label so that it can still be told apart and clicked.
void SkinButton(Sexy::ButtonWidget* button, Sexy::Image* image)
{
    if (button == nullptr || image == nullptr)
        return;
    button->SetBtnImage(nullptr, image, true, true, true, true, false);
    button->mLabel.clear();
}

} // namespace

MsgDlg::MsgDlg(GameAppBase* app, std::wstring text, int buttonMode, int timeoutResult, int countdown, bool modal, int)
    : Dialog(nullptr, nullptr, kDialogId, modal, L"", L"", L"", BUTTONS_OK_CANCEL), m_pApp(app),
      m_nCountdown(kNoCountdown), m_nRemain(0), m_nButtonMode(buttonMode), m_nTimeoutResult(timeoutResult),
      m_pFont(std::make_unique<Sexy::SysFont>("宋体", 11)), m_strText(std::move(text))
{
    SkinButton(mYesButton, Sexy::IMG_BASE_MSG_OK);
    SkinButton(mNoButton, Sexy::IMG_BASE_MSG_CANCEL);
    if (countdown > 0)
    {
        m_nCountdown = countdown;
        // One more than shown: the first second passes before the first number appears.
        m_nRemain = countdown + 1;
        m_Timer.SetTimer(kTimerCountdown, kCountdownMs);
    }
}

MsgDlg::~MsgDlg() = default;

void MsgDlg::Resize(int x, int y, int w, int h)
{
    Dialog::Resize(x, y, w, h);
    const int bgWidth = Sexy::IMG_BASE_MSG_BG != nullptr ? Sexy::IMG_BASE_MSG_BG->GetWidth() : w;
    // One cel of the button's picture, or the framework's size for a button without one.
    const auto celWidth = [this](Sexy::ButtonWidget* button)
    { return button->mButtonImage != nullptr ? button->mButtonImage->GetCelWidth() : ButtonWidth(); };
    const auto celHeight = [this](Sexy::ButtonWidget* button)
    { return button->mButtonImage != nullptr ? button->mButtonImage->GetCelHeight() : ButtonHeight(); };

    const int top = y + kButtonTop;
    if (m_nButtonMode == 1)
    {
        const int okWidth = celWidth(mYesButton);
        mYesButton->Resize(x + (bgWidth - okWidth) / 2, top, okWidth, celHeight(mYesButton));
        mNoButton->SetVisible(false);
        return;
    }
    const int okWidth = celWidth(mYesButton);
    mYesButton->Resize(x + bgWidth / 2 - okWidth - kButtonGap, top, okWidth, celHeight(mYesButton));
    mNoButton->Resize(x + bgWidth / 2 + kButtonGap, top, celWidth(mNoButton), celHeight(mNoButton));
    mNoButton->SetVisible(mVisible);
}

MsgDlg::TextLayout MsgDlg::GetTextLayout() const
{
    TextLayout layout{};
    // A picture too narrow for the margin still leaves a text width to divide by.
    layout.iWidth = Sexy::IMG_BASE_MSG_BG != nullptr ? std::max(1, Sexy::IMG_BASE_MSG_BG->GetWidth() - kTextMargin)
                                                     : kDefaultTextWidth;

    Sexy::Font* measureFont = m_pFont.get();
    if (m_pApp != nullptr && m_pApp->m_pBoldFont)
        measureFont = m_pApp->m_pBoldFont.get();
    int textWidth = 0;
    if (measureFont != nullptr)
    {
        Sexy::Graphics measure(nullptr);
        measure.SetFont(measureFont);
        textWidth = measure.StringWidth(m_strText);
    }
    int lines = textWidth / layout.iWidth + (textWidth % layout.iWidth != 0 ? 1 : 0);
    layout.iLines = std::clamp(lines, 1, kMaxLines);
    layout.iTop = kTopForLines[layout.iLines - 1];
    return layout;
}

int MsgDlg::ShownCountdown() const
{
    return m_nRemain >= 0 && m_nRemain <= m_nCountdown ? m_nRemain : -1;
}

void MsgDlg::Draw(Sexy::Graphics* g)
{
    g->SetFont(m_pFont.get());
    if (Sexy::IMG_BASE_MSG_BG != nullptr)
        g->DrawImage(Sexy::IMG_BASE_MSG_BG, 0, 0);
    else
        DrawPlainFrame(g);
    g->SetColor(kTextColor);

    // Texts longer than three lines are written in full: only the top assumes three.
    const TextLayout layout = GetTextLayout();
    const Sexy::Rect box((mWidth - layout.iWidth) / 2, layout.iTop, layout.iWidth, mHeight - layout.iTop);
    WriteWordWrapped(g, box, m_strText, kLineSpacing, 0);

    const int shown = ShownCountdown();
    if (shown >= 0)
    {
        g->SetColor(kCountdownColor);
        WriteString(g, Sexy::StrFormat(L"%d", shown), mWidth - kCountdownInset, mHeight - kCountdownInset);
    }
}

void MsgDlg::Update()
{
    Dialog::Update();
    m_Timer.Update(*this);
}

void MsgDlg::ButtonDepress(int id)
{
    Dialog::ButtonDepress(id);
}

void MsgDlg::OnTimer(int id)
{
    if (id != kTimerCountdown)
        return;
    m_nRemain -= 1;
    MarkDirty();
    if (m_nRemain > 0)
        return;
    m_Timer.KillTimer(kTimerCountdown);
    ButtonDepress(m_nTimeoutResult == 1 ? ID_CANCEL : ID_OK);
}

} // namespace Ostra
