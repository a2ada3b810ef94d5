#include "tessaro/widgets/ChatShowWidget.h"

#include "pop/Color.h"
#include "pop/Common.h"
#include "pop/Graphics.h"
#include "pop/Image.h"
#include "pop/SysFont.h"
#include "tessaro/app/GameAppBase.h"

#include <algorithm>

namespace Ostra
{

ChatShowWidget::ChatShowWidget(GameAppBase* app, GameViewBase* view, int bubble, int x, int y, int margin, int reserved)
    : m_pGameView(view), m_pApp(app), m_nX(x), m_nY(y), m_nMargin(margin), m_nReserved(reserved),
      m_pFont(std::make_unique<Sexy::SysFont>("宋体", 10))
{
    if (m_pApp)
        m_pBubbleImage.reset(m_pApp->GetImage(Sexy::StrFormat("images\\base\\chat\\chat%d", bubble), true));
}

ChatShowWidget::~ChatShowWidget() = default;

void ChatShowWidget::SetChatInfo(std::wstring text)
{
    m_strText = std::move(text);
    m_bShow = true;
    m_Timer.SetTimer(1, kShowMs);
}

void ChatShowWidget::Update()
{
    m_Timer.Update(*this);
}

void ChatShowWidget::OnTimer(int id)
{
    if (id != 1)
        return;
    m_Timer.KillTimer(1);
    m_bShow = false;
    m_strText.clear();
}

void ChatShowWidget::Draw(Sexy::Graphics* g)
{
    if (!m_bShow || !m_pBubbleImage)
        return;
    g->DrawImage(m_pBubbleImage.get(), m_nX, m_nY);
    const int width = m_pBubbleImage->GetWidth() - 2 * m_nMargin;
    if (width <= 0 || !m_pFont)
        return;
    g->SetColor(Sexy::Color(255, 218, 153));
    g->SetFont(m_pFont.get());
    const int textWidth = g->StringWidth(m_strText);
    const int rows = std::min(kMaxRows, textWidth / width + (textWidth % width != 0 ? 1 : 0));
    const int height = g->GetWordWrappedHeight(width, m_strText, kLineSpacing);
    const Sexy::Rect box(m_nX + m_nMargin, m_nY + (m_pBubbleImage->GetHeight() - height) / 2, width,
                         kLineSpacing * rows);
    g->WriteWordWrapped(box, m_strText, kLineSpacing, 0);
}

} // namespace Ostra
