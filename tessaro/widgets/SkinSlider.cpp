#include "tessaro/widgets/SkinSlider.h"

#include "pop/Graphics.h"
#include "pop/Image.h"

namespace Sexy
{

SkinSlider::SkinSlider(Image* pFill, Image* pBack, Image* pThumb, int iId, SliderListener* pListener)
    : Slider(pFill, pThumb, iId, pListener), m_pBackImage(pBack)
{
}

void SkinSlider::Draw(Graphics* g)
{
    const int thumbWidth = GetThumbWidth();
    const int thumbHeight = GetThumbHeight();
    if (!mHorizontal)
    {
        if (mThumbImage)
            g->DrawImage(mThumbImage, (mWidth - thumbWidth) / 2, static_cast<int>((mHeight - thumbHeight) * mVal),
                         mThumbImage->GetCelRect(0));
        return;
    }
    if (m_pBackImage)
        g->DrawImage(m_pBackImage, 0, (mHeight - m_pBackImage->GetHeight()) / 2);
    if (mTrackImage)
    {
        const int filled = static_cast<int>(mWidth * mVal);
        const int height = mTrackImage->GetHeight();
        if (filled > 0)
            g->DrawImage(mTrackImage, 0, (mHeight - height) / 2, Rect(0, 0, filled, height));
    }
    if (mThumbImage)
        g->DrawImage(mThumbImage, static_cast<int>((mWidth - thumbWidth) * mVal), (mHeight - thumbHeight) / 2,
                     mThumbImage->GetCelRect(0));
}

} // namespace Sexy
