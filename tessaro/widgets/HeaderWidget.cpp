#include "tessaro/widgets/HeaderWidget.h"

#include "pop/Font.h"
#include "pop/Graphics.h"
#include "pop/Image.h"
#include "pop/SexyAppBase.h"

#include <utility>

namespace Sexy
{

HeaderWidget::HeaderWidget(int id, Image* left, Image* middle, Image* right, Font* font, Color color, std::wstring text,
                           HeaderListener* listener)
    : m_nId(id), m_pLeftImage(left), m_pMiddleImage(middle), m_pRightImage(right), m_pFont(font), m_Color(color),
      m_strText(std::move(text)), m_pListener(listener)
{
}

void HeaderWidget::SetHeaderHeight(int height)
{
    Resize(0, 0, mWidth, height);
}

void HeaderWidget::ResizeVisible(int x, int y, int width, int height, const Rect& visible)
{
    m_rcVisible = visible;
    m_bVisibleSet = true;
    Resize(x, y, width, height);
}

bool HeaderWidget::IsPointVisible(int x, int y)
{
    // A header that was never told what shows stands on its own and is all visible.
    if (!m_bVisibleSet)
        return true;
    return m_rcVisible.Contains(x + mX, y + mY);
}

void HeaderWidget::Draw(Graphics* g)
{
    int x = 0;
    if (m_pLeftImage)
    {
        g->DrawImage(m_pLeftImage, 0, 0);
        x = m_pLeftImage->GetWidth();
    }
    const int rightWidth = m_pRightImage ? m_pRightImage->GetWidth() : 0;
    if (m_pMiddleImage && m_pMiddleImage->GetWidth() > 0)
    {
        for (; x < mWidth - rightWidth; x += m_pMiddleImage->GetWidth())
            g->DrawImage(m_pMiddleImage, x, 0);
    }
    if (m_pRightImage)
    {
        const int y = (mHeight - m_pRightImage->GetHeight()) / 2;
        g->DrawImage(m_pRightImage, mWidth - rightWidth, y >= 1 ? y : 0);
    }
    if (m_pFont && !m_strText.empty())
    {
        g->SetFont(m_pFont);
        g->SetColor(m_Color);
        const int ascent = m_pFont->GetAscent();
        g->DrawString(m_strText, (mWidth - m_pFont->StringWidth(m_strText)) / 2, (mHeight - ascent) / 2 + ascent);
    }
}

void HeaderWidget::MouseMove(int x, int y)
{
    Widget::MouseMove(x, y);
    m_bResizing = x >= mWidth - kDragZone && x <= mWidth;
    if (m_bResizing)
        m_nLastDragX = x;
    mOverCursor = m_bResizing ? CURSOR_SIZEWE : CURSOR_POINTER;
}

void HeaderWidget::MouseDrag(int x, int y)
{
    Widget::MouseDrag(x, y);
    // The listener may lay the header out again; nothing of it is read after the call.
    if (m_bResizing && m_pListener)
        m_pListener->HeaderDrag(m_nId, x);
}

void HeaderWidget::MouseDown(int x, int y, int clickCount)
{
    Widget::MouseDown(x, y, clickCount);
    MarkDirty();
    if (m_pListener)
        m_pListener->HeaderDepress(m_nId);
}

void HeaderWidget::MouseLeave()
{
    // The resize cursor belongs to the header and goes with the pointer; the drag state stays
    // until the next move, so a drag that leaves the header goes on.
    Widget::MouseLeave();
}

} // namespace Sexy
