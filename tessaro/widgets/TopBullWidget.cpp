#include "tessaro/widgets/TopBullWidget.h"

#include "pop/Graphics.h"
#include "pop/Image.h"
#include "tessaro/app/GameAppBase.h"
#include "tessaro/app/SkinImages.h"
#include "tessaro/widgets/TextConversion.h"

namespace Ostra
{

namespace
{

const Sexy::Color kBullTextColor(255, 218, 153);
constexpr int kBtnCloseRightGap = 18;
constexpr int kBtnCloseTop = 6;
constexpr int kBackTop = 2;
constexpr int kTextBaseline = 20;

} // namespace

CTopBullWidget::CTopBullWidget(GameViewBase* pGameView, GameAppBase* pApp)
    : m_pGameView(pGameView), m_pApp(pApp), m_pBtnClose(std::make_unique<Sexy::ButtonWidget>(kBtnCloseId, this)),
      m_pFont(std::make_unique<Sexy::SysFont>("宋体", 11))
{
    m_pBtnClose->SetBtnImage(pApp, Sexy::IMG_BASE_BULL_CLOSE, true, true, true, true, true);
    m_pBtnClose->SetVisible(false);
    AddWidget(m_pBtnClose.get());
}

CTopBullWidget::~CTopBullWidget()
{
    RemoveWidget(m_pBtnClose.get());
}

void CTopBullWidget::AddBull(ChatInfo* pInfo)
{
    if (!pInfo)
        return;
    m_lstBull.push_back(*pInfo);
    m_bShow = true;
    if (m_lstBull.size() != 1)
        return;
    m_Timer.SetTimer(kTimerNext, kNextMs);
    ShowFirst();
}

void CTopBullWidget::ShowFirst()
{
    m_Timer.SetTimer(kTimerHide, kHideMs);
    m_strShow = string2wstring(FieldText(m_lstBull.front().szText));
    m_bShow = true;
    m_pBtnClose->SetVisible(true);
    SetVisible(true);
    MarkDirty();
}

void CTopBullWidget::StartBullTimer()
{
    m_Timer.SetTimer(kTimerNext, kNextMs);
}

void CTopBullWidget::StopBullTimer()
{
    m_Timer.KillTimer(kTimerHide);
}

void CTopBullWidget::OnTimer(int iId)
{
    if (iId == kTimerNext)
    {
        m_Timer.SetTimer(kTimerHide, kHideMs);
        if (!m_lstBull.empty())
            ShowFirst();
    }
    else if (iId == kTimerHide)
    {
        OnBtnHide();
    }
}

void CTopBullWidget::ButtonDepress(int iId)
{
    if (iId == kBtnCloseId)
        OnBtnHide();
}

void CTopBullWidget::OnBtnHide()
{
    m_Timer.KillTimer(kTimerHide);
    m_bShow = false;
    m_pBtnClose->SetVisible(false);
    SetVisible(false);
    if (!m_lstBull.empty())
        m_lstBull.pop_front();
}

void CTopBullWidget::Resize(int x, int y, int width, int height)
{
    Sexy::Widget::Resize(x, y, width, height);
    Sexy::Image* close = Sexy::IMG_BASE_BULL_CLOSE;
    const int celWidth = close ? close->GetCelWidth() : 0;
    const int celHeight = close ? close->GetCelHeight() : 0;
    const int appWidth = m_pApp ? m_pApp->mWidth : mWidth;
    m_pBtnClose->Resize(appWidth - celWidth - kBtnCloseRightGap, kBtnCloseTop, celWidth, celHeight);
}

void CTopBullWidget::Update()
{
    Sexy::Widget::Update();
    m_Timer.Update(*this);
}

void CTopBullWidget::Draw(Sexy::Graphics* g)
{
    if (!m_bShow || m_strShow.empty())
        return;
    if (Sexy::Image* back = Sexy::IMG_BASE_IMPBULL_BAK)
        g->DrawImage(back, Sexy::Rect(0, kBackTop, mWidth, back->GetCelHeight()), back->GetCelRect(0));
    g->SetFont(m_pFont.get());
    g->SetColor(kBullTextColor);
    g->DrawString(m_strShow, mWidth / 2 - m_pFont->StringWidth(m_strShow) / 2, kTextBaseline);
}

} // namespace Ostra
