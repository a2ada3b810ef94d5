#include "tessaro/widgets/AnimLayer.h"

#include "pop/Graphics.h"
#include "pop/Image.h"
#include "pop/SysFont.h"
#include "tessaro/app/GameAppBase.h"
#include "tessaro/view/GameViewBase.h"

#include <algorithm>
#include <vector>

namespace Ostra
{

namespace
{

constexpr double kPi = 3.14159265358979323846;

} // namespace

AnimLayer::AnimLayer(GameViewBase* pGameView) : m_pGameView(pGameView) {}

AnimLayer::~AnimLayer()
{
    *m_pAlive = false;
    // Every entry that still names this layer goes, so the view never reaches a deleted layer;
    // another layer registered under the same id keeps its entry.
    if (m_pGameView)
    {
        auto& layers = m_pGameView->m_mapAnimLayer;
        for (auto it = layers.begin(); it != layers.end();)
            it = it->second == this ? layers.erase(it) : std::next(it);
    }
}

void AnimLayer::Register(int iLayerId)
{
    if (!m_pGameView)
    {
        m_iLayerId = iLayerId;
        return;
    }
    auto& layers = m_pGameView->m_mapAnimLayer;
    auto old = layers.find(m_iLayerId);
    if (old != layers.end() && old->second == this && m_iLayerId != iLayerId)
        layers.erase(old);
    m_iLayerId = iLayerId;
    layers[iLayerId] = this;
}

void AnimLayer::ReleaseOwnedImage()
{
    if (m_pOwnedImage && m_pImage == m_pOwnedImage.get())
        m_pImage = nullptr;
    m_pOwnedImage.reset();
}

int AnimLayer::Init(Sexy::Image* pImage, int iLayerId, bool bFlag1, bool bFlag2)
{
    ReleaseOwnedImage();
    m_pImage = pImage;
    m_bOwnImage = false;
    m_bUserFlag1 = bFlag1;
    m_bUserFlag2 = bFlag2;
    Register(iLayerId);
    return 0;
}

int AnimLayer::Init(std::string strImageName, int iRows, int iCols, int iLayerId, bool bFlag1, bool bFlag2)
{
    ReleaseOwnedImage();
    m_pImage = nullptr;
    m_strImageName = std::move(strImageName);
    m_iRows = iRows;
    m_iCols = iCols;
    m_bOwnImage = true;
    m_bUserFlag1 = bFlag1;
    m_bUserFlag2 = bFlag2;
    Register(iLayerId);
    return 0;
}

int AnimLayer::ShowAnimate(Sexy::TPoint<int> ptFrom, Sexy::TPoint<int> ptTo, int iElapse, int iFrameNum, int iRepeat,
                           bool bHideOnEnd, int iFixedFrame, int iAlphaFrom, int iAlphaTo, int iSteps, bool bPingPong,
                           bool bMirror, Sexy::TRect<int>* pSrcRect)
{
    if (!m_pImage)
    {
        GameAppBase* app = m_pGameView ? m_pGameView->m_pApp : nullptr;
        if (!m_bOwnImage || m_strImageName.empty() || !app)
            return 0;
        m_pOwnedImage.reset(app->GetImage(m_strImageName, true));
        if (!m_pOwnedImage)
            return 0;
        m_pOwnedImage->mNumRows = m_iRows;
        m_pOwnedImage->mNumCols = m_iCols;
        m_pImage = m_pOwnedImage.get();
    }

    m_ptFrom = ptFrom;
    m_ptTo = ptTo;
    if (m_bCenter)
    {
        const Sexy::TPoint<int> half(m_pImage->GetCelWidth() / 2, m_pImage->GetCelHeight() / 2);
        m_ptFrom -= half;
        m_ptTo -= half;
    }
    m_bActive = true;
    m_bNotify = true;
    m_bBackward = false;
    m_bPingPong = bPingPong;
    m_bMirror = bMirror;
    if (pSrcRect)
        m_rcSrc = *pSrcRect;
    m_bHideOnEnd = bHideOnEnd;
    m_iElapse = iElapse;
    m_iRepeat = iRepeat;
    m_iSteps = iSteps;
    m_iStepCount = 0;

    m_iFrameNum = iFrameNum != 0 ? iFrameNum : m_pImage->GetCelCount();
    m_iCurFrame = 0;
    m_iFixedFrame = iFixedFrame;
    if (m_iFixedFrame >= 0)
    {
        m_iFixedFrame = std::min(m_iFixedFrame, std::max(m_iFrameNum - 1, 0));
        m_iCurFrame = m_iFixedFrame;
        m_bPingPong = false;
    }

    // A negative frame count still divides; only 0 could not.
    int divisor = iSteps >= 1 ? iSteps : m_iFrameNum;
    if (divisor == 0)
        divisor = 1;
    m_iAlphaFrom = iAlphaFrom;
    m_iAlphaTo = iAlphaTo;
    m_iAlphaStep = (iAlphaTo - iAlphaFrom) / divisor;
    if (m_bPingPong)
        m_iAlphaStep *= 2;
    m_ptStep = Sexy::TPoint<int>((m_ptTo.mX - m_ptFrom.mX) / divisor, (m_ptTo.mY - m_ptFrom.mY) / divisor);
    m_iCurAlpha = iAlphaFrom;
    m_ptCur = m_ptFrom;

    m_Timer.SetTimer(kTimerFrame, static_cast<unsigned long>(std::max(iElapse, 0)));
    return 0;
}

void AnimLayer::Update()
{
    if (!m_bActive)
        return;
    // OnTimer may reach the view's OnAnimateEnd, which may delete this layer: the timers that are
    // due are collected first and served after the timer table's walk, while the layer lives.
    std::vector<int> due;
    m_Timer.Update([&due](int id) { due.push_back(id); });
    const std::shared_ptr<bool> alive = m_pAlive;
    for (int id : due)
    {
        OnTimer(id);
        if (!*alive)
            return;
    }
}

void AnimLayer::OnTimer(int iId)
{
    if (iId != kTimerFrame)
        return;
    if (m_bActive && m_pGameView)
        m_pGameView->MarkDirty();

    bool passDone = false;
    if (m_iFixedFrame >= 0)
        m_iCurFrame = m_iFixedFrame;
    else
        m_iCurFrame += m_bBackward ? -1 : 1;

    if (m_bPingPong)
    {
        if (m_bBackward)
        {
            passDone = m_iCurFrame <= 0;
        }
        else if (m_iCurFrame >= m_iFrameNum)
        {
            m_bBackward = true;
            m_iCurFrame = m_iFrameNum - 1;
        }
    }
    else
    {
        passDone = m_iCurFrame >= m_iFrameNum || (m_iFixedFrame >= 0 && m_iSteps == 0);
    }

    // The last step lands on the end point itself, whatever the rounding of the step.
    bool atEnd = false;
    if (m_iSteps > 0 && ++m_iStepCount >= m_iSteps)
    {
        m_iRepeat = 0;
        m_ptCur = m_ptTo;
        atEnd = true;
        passDone = true;
    }

    if (passDone)
    {
        if (m_iRepeat != kRepeatForever)
            --m_iRepeat;
        if (m_iRepeat <= 0 && m_iRepeat != kRepeatForever)
        {
            m_Timer.KillTimer(kTimerFrame);
            if (m_bHideOnEnd)
                m_bActive = false;
            else if (m_iFixedFrame < 0)
                m_iCurFrame = m_iFrameNum - 1;
            if (m_bNotify && m_iLayerId >= 0)
            {
                if (!m_bActive && m_bOwnImage)
                    ReleaseOwnedImage();
                NotifyEnd();
                return;
            }
        }
        else if (m_iFixedFrame < 0)
        {
            // The next pass runs forwards from the first frame again.
            m_iCurFrame = 0;
            m_bBackward = false;
            m_iCurAlpha = m_iAlphaFrom;
        }
    }

    if (!atEnd)
        m_ptCur += m_ptStep;
    m_iCurAlpha += m_iAlphaStep;
}

void AnimLayer::StopAnimate(bool bHide, bool bNotify)
{
    m_Timer.KillTimer(kTimerFrame);
    m_iCurFrame = m_iFrameNum;
    m_iRepeat = 0;
    m_bHideOnEnd = bHide;
    m_bNotify = bNotify;
    if (bHide)
    {
        m_bActive = false;
        if (m_bOwnImage)
            ReleaseOwnedImage();
    }
    if (bNotify && m_iLayerId >= 0)
        NotifyEnd();
}

void AnimLayer::NotifyEnd()
{
    if (m_pGameView)
        m_pGameView->OnAnimateEnd(m_iLayerId);
}

void AnimLayer::SetCenterShow(bool bCenter)
{
    m_bCenter = bCenter;
}

void AnimLayer::SetRotateAngle(bool bRotate, double dAngle)
{
    m_bRotate = bRotate;
    m_dAngle = dAngle;
}

void AnimLayer::SetShowFont(std::wstring strText, bool bShow)
{
    m_strText = std::move(strText);
    m_bShowFont = bShow;
    if (bShow && !m_pFont)
        m_pFont = std::make_unique<Sexy::SysFont>("宋体", 11);
}

void AnimLayer::Draw(Sexy::Graphics* g)
{
    if (!g || !m_bActive || !m_pImage)
        return;
    const int alpha = std::clamp(m_iCurAlpha, 0, 255);
    Sexy::Rect src = m_pImage->GetCelRect(m_iCurFrame);
    if (m_rcSrc.mWidth != 0)
        src = Sexy::Rect(src.mX + m_rcSrc.mX, src.mY + m_rcSrc.mY, m_rcSrc.mWidth, m_rcSrc.mHeight);
    const int x = m_ptCur.mX;
    const int y = m_ptCur.mY;

    g->PushState();
    g->SetColor(Sexy::Color(255, 255, 255, alpha));
    g->SetColorizeImages(true);
    if (m_bMirror)
        g->DrawImageMirror(m_pImage, Sexy::Rect(x, y, src.mWidth, src.mHeight), src);
    else if (m_bRotate)
        g->DrawImageRotated(m_pImage, x, y, m_dAngle * kPi / 180.0, &src);
    else
        g->DrawImage(m_pImage, Sexy::Rect(x, y, src.mWidth, src.mHeight), src);
    g->SetColorizeImages(false);

    if (m_bShowFont && m_pFont)
    {
        g->SetFont(m_pFont.get());
        g->SetColor(Sexy::Color(1, 0, 0));
        g->WriteWordWrapped(Sexy::Rect(x + 10, y + 120, 230, 50), m_strText);
    }
    g->PopState();
}

} // namespace Ostra
