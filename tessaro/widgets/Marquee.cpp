#include "tessaro/widgets/Marquee.h"

#include "pop/Font.h"
#include "pop/Graphics.h"
#include "pop/Image.h"

#include <algorithm>

namespace Ostra
{

Marquee::Marquee() = default;

Marquee::~Marquee() = default;

void Marquee::Start()
{
    m_pTextImage.reset();
    int height = 0;
    if (m_pFont)
    {
        const int width = std::max(m_pFont->StringWidth(m_strText), mWidth);
        height = m_pFont->GetHeight();
        auto image = std::make_unique<Sexy::MemoryImage>();
        if (image->Create(width, height))
        {
            image->Clear();
            Sexy::Graphics g(image.get());
            g.SetFont(m_pFont);
            g.SetColor(m_Color);
            g.DrawString(m_strText, 0, m_pFont->GetAscent());
            m_pTextImage = std::move(image);
        }
    }
    m_Timer.SetTimer(kTimerScroll, static_cast<unsigned long>(std::max(m_iElapse, 0)));
    m_iDrawX = mX + mWidth;
    m_rcSrc = Sexy::Rect(0, 0, 0, height);
}

void Marquee::Stop()
{
    m_Timer.KillTimer(kTimerScroll);
}

void Marquee::Update()
{
    Sexy::Widget::Update();
    m_Timer.Update(*this);
}

void Marquee::Draw(Sexy::Graphics* g)
{
    if (!g || !m_pTextImage || m_rcSrc.mWidth <= 0)
        return;
    g->DrawImage(m_pTextImage.get(), m_iDrawX, mY, m_rcSrc);
}

void Marquee::OnTimer(int iId)
{
    if (iId != kTimerScroll)
        return;
    const int x = mX;
    const int width = mWidth;
    const int step = m_iStep;
    const int imageWidth = m_pTextImage ? m_pTextImage->GetWidth() : 0;
    // Reaches the screen when the marquee is in the widget tree; an owner that draws it redraws
    // itself.
    MarkDirty();
    if (m_iDrawX > x + step)
    {
        // Still coming in from the right.
        m_iDrawX -= step;
        m_rcSrc.mX = 0;
        m_rcSrc.mWidth = width - m_iDrawX + x;
    }
    else if (m_rcSrc.mX < imageWidth - width - step)
    {
        // Filling the marquee, moving through the text.
        m_rcSrc.mX += m_iDrawX < x ? x - m_iDrawX : step;
        m_iDrawX = x;
        m_rcSrc.mWidth = width;
    }
    else if (m_rcSrc.mX < imageWidth - step)
    {
        // The end of the text leaves at the left.
        m_iDrawX = x;
        m_rcSrc.mX += step;
        m_rcSrc.mWidth = imageWidth - m_rcSrc.mX;
    }
    else
    {
        // The last piece has left: the text comes in again from the right.
        m_iDrawX = width + x + m_rcSrc.mX - imageWidth;
        m_rcSrc.mWidth = imageWidth - m_rcSrc.mX;
        m_rcSrc.mX = 0;
    }
}

} // namespace Ostra
