#include "tessaro/widgets/SkinScrollbarWidget.h"

#include "pop/Graphics.h"
#include "pop/Image.h"

#include <algorithm>

namespace Sexy
{

namespace
{

constexpr int kThumbCels = 3;
// Cels of the thumb picture along the thumb.
constexpr int kCapStart = 0;
constexpr int kMiddle = 1;
constexpr int kCapEnd = 2;

} // namespace

SkinScrollbarWidget::SkinScrollbarWidget(SexyAppBase* pApp, int iId, ScrollListener* pListener)
    : ScrollbarWidget(iId, pListener), m_pApp(pApp)
{
}

void SkinScrollbarWidget::SetImage(Image* pUp, Image* pDown, Image* pTrack, Image* pThumb)
{
    m_pUpImage = pUp;
    m_pDownImage = pDown;
    m_pTrackImage = pTrack;
    m_pThumbImage = pThumb;
    if (m_pThumbImage)
    {
        m_pThumbImage->mNumRows = kThumbCels;
        m_pThumbImage->mNumCols = kThumbCels;
    }
    // The bar lays its arrows out itself, so they keep their size.
    mUpButton->SetBtnImage(m_pApp, pUp, true, true, true, true, false);
    mDownButton->SetBtnImage(m_pApp, pDown, true, true, true, true, false);
    MarkDirty();
}

int SkinScrollbarWidget::GetThumbSize()
{
    if (!m_pThumbImage)
        return ScrollbarWidget::GetThumbSize();
    // An empty bar (both 0) has no thumb either, rather than a division by zero.
    if (mMaxValue < mPageSize || mMaxValue <= 0.0)
        return 0;
    const int size = static_cast<int>(GetTrackSize() * mPageSize / mMaxValue + 0.5);
    const int cel = mHorizontal ? m_pThumbImage->GetCelWidth() : m_pThumbImage->GetCelHeight();
    return std::max(size, kThumbCels * cel);
}

void SkinScrollbarWidget::MouseMove(int x, int y)
{
    ScrollbarWidget::MouseMove(x, y);
    const int along = AlongBar(x, y);
    const int start = GetThumbPosition();
    const bool hover = along >= start && along <= start + GetThumbSize();
    if (hover != m_bThumbHover)
    {
        m_bThumbHover = hover;
        MarkDirty();
    }
}

void SkinScrollbarWidget::MouseLeave()
{
    ScrollbarWidget::MouseLeave();
    if (m_bThumbHover)
    {
        m_bThumbHover = false;
        MarkDirty();
    }
}

void SkinScrollbarWidget::Draw(Graphics* g)
{
    const int thumb = GetThumbSize();
    if (thumb <= 0)
        return;
    if (m_pTrackImage)
    {
        // Between the arrow buttons wherever they are, at the track picture's own thickness,
        // centred across the bar.
        const Rect src(0, 0, m_pTrackImage->GetWidth(), m_pTrackImage->GetHeight());
        if (mHorizontal)
        {
            const int from = mUpButton->mX + mUpButton->mWidth;
            g->DrawImage(m_pTrackImage, Rect(from, (mHeight - src.mHeight) / 2, mDownButton->mX - from, src.mHeight),
                         src);
        }
        else
        {
            const int from = mUpButton->mY + mUpButton->mHeight;
            g->DrawImage(m_pTrackImage, Rect((mWidth - src.mWidth) / 2, from, src.mWidth, mDownButton->mY - from), src);
        }
    }
    if (m_pThumbImage)
        DrawThumb(g, GetThumbPosition(), thumb);
}

void SkinScrollbarWidget::DrawThumb(Graphics* g, int pos, int length)
{
    const int state = mPressedOnThumb ? 2 : m_bThumbHover ? 1 : 0;
    const int celWidth = m_pThumbImage->GetCelWidth();
    const int celHeight = m_pThumbImage->GetCelHeight();
    // Horizontal thumbs take the state as row and run along the columns; vertical ones the other
    // way round.
    auto cel = [&](int piece)
    { return mHorizontal ? m_pThumbImage->GetCelRect(piece, state) : m_pThumbImage->GetCelRect(state, piece); };
    const int capLength = mHorizontal ? celWidth : celHeight;
    const int across = mHorizontal ? (mHeight - celHeight) / 2 : (mWidth - celWidth) / 2;
    auto place = [&](int at, int len)
    { return mHorizontal ? Rect(at, across, len, celHeight) : Rect(across, at, celWidth, len); };

    g->DrawImage(m_pThumbImage, place(pos, capLength), cel(kCapStart));
    g->DrawImage(m_pThumbImage, place(pos + length - capLength, capLength), cel(kCapEnd));
    // The middle piece repeated between the caps, the last one stretched over what is left (the
    // thumb is at least three cels long, so there is always room for one).
    const int from = pos + capLength;
    const int end = pos + length - capLength;
    if (capLength <= 0 || end <= from)
        return;
    const int pieces = std::max(1, (end - from) / capLength);
    for (int i = 0; i < pieces - 1; ++i)
        g->DrawImage(m_pThumbImage, place(from + i * capLength, capLength), cel(kMiddle));
    const int last = from + (pieces - 1) * capLength;
    g->DrawImage(m_pThumbImage, place(last, end - last), cel(kMiddle));
}

} // namespace Sexy
