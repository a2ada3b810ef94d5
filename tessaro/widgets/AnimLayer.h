// A sprite animation on the table: the cels of one picture played in turn, moved from one point to
// another, faded between two alphas, optionally mirrored or rotated, with an optional caption.
//
// The game owns its layers; the table view keeps them by layer id in m_mapAnimLayer (a layer
// enters there in Init and leaves in its destructor), drives their Update and draws them in its
// overlay pass. A layer runs on an embedded frame-counted timer, so its speed is in updates: a
// period of iElapse ms advances one frame every iElapse / 10 + 1 updates.
//
// One pass of the animation ends when the frames have run through (there and back again with
// ping-pong), when a fixed frame has been shown once (without steps), or when the given number of
// steps is done. After the last pass the layer either disappears (hide at the end) or rests on its
// last frame, and the view hears OnAnimateEnd(layer id) for layer ids of 0 and above. The view's
// OnAnimateEnd may delete the layer.
//
//     layer.Init("images/data/coin", 1, 8, 3, false, false);
//     layer.ShowAnimate(from, to, 50, 0, 1, true, -1, 255, 0, 0, false, false, nullptr);
#pragma once

#include "pop/Point.h"
#include "tessaro/widgets/Timer.h"

#include <memory>
#include <string>

namespace Sexy
{
class Graphics;
class Image;
class SysFont;
} // namespace Sexy

namespace Ostra
{

class GameViewBase;

class AnimLayer
{
public:
    // An endless repeat count.
    static constexpr int kRepeatForever = -100;
    static constexpr int kTimerFrame = 1;

    // The view is not owned; it must outlive the layer.
    explicit AnimLayer(GameViewBase* pGameView);
    virtual ~AnimLayer();
    AnimLayer(const AnimLayer&) = delete;
    AnimLayer& operator=(const AnimLayer&) = delete;

    // Only while active: drives the timer.
    virtual void Update();
    // Active layers with a picture: the current frame at the current position and alpha.
    virtual void Draw(Sexy::Graphics* g);
    virtual void OnTimer(int iId);

    // A picture of the caller's (not owned, its cel grid as it is), or one loaded by name at the
    // next ShowAnimate and cut into iRows x iCols cels (owned). Both enter the layer in the view's
    // map under iLayerId; the two flags are kept for the game (m_bUserFlag1, m_bUserFlag2).
    // Return 0.
    int Init(Sexy::Image* pImage, int iLayerId, bool bFlag1, bool bFlag2);
    int Init(std::string strImageName, int iRows, int iCols, int iLayerId, bool bFlag1, bool bFlag2);

    // Starts the animation (see the header comment): iElapse the timer period in ms, iFrameNum the
    // frames (0: every cel), iRepeat the passes (kRepeatForever: endless), iFixedFrame a single
    // frame to show (-1 to animate), iAlphaFrom / iAlphaTo the fade, iSteps the steps of the
    // movement (0 or less: one per frame), pSrcRect a part of each cel (null keeps the last one
    // given; a width of 0 is the whole cel). Returns 0, also when the named picture cannot be
    // loaded, in which case nothing starts.
    int ShowAnimate(Sexy::TPoint<int> ptFrom, Sexy::TPoint<int> ptTo, int iElapse, int iFrameNum, int iRepeat,
                    bool bHideOnEnd, int iFixedFrame, int iAlphaFrom, int iAlphaTo, int iSteps, bool bPingPong,
                    bool bMirror, Sexy::TRect<int>* pSrcRect);
    // Stops now: with bHide the layer disappears (and lets go of a picture it loaded), with bNotify
    // the view hears OnAnimateEnd for layer ids of 0 and above.
    void StopAnimate(bool bHide, bool bNotify);
    // The points given to ShowAnimate are the cel's centre instead of its top left corner.
    void SetCenterShow(bool bCenter);
    // Draws turned by dAngle degrees (counter-clockwise on the screen); mirroring takes precedence.
    void SetRotateAngle(bool bRotate, double dAngle);
    // A caption written below the sprite, word-wrapped.
    void SetShowFont(std::wstring strText, bool bShow);

    // ---- Members -------------------------------------------------------------------------------
    GameViewBase* m_pGameView = nullptr;
    Sexy::Image* m_pImage = nullptr;
    // The layer loaded m_pImage by name and releases it.
    bool m_bOwnImage = false;
    std::string m_strImageName;
    int m_iRows = 1;
    int m_iCols = 1;

    Sexy::TPoint<int> m_ptFrom;
    Sexy::TPoint<int> m_ptTo;
    Sexy::TPoint<int> m_ptCur;
    int m_iLayerId = -1;

    int m_iElapse = 0;
    int m_iFrameNum = 0;
    int m_iCurFrame = 0;
    int m_iRepeat = 0;
    int m_iFixedFrame = -1;
    int m_iSteps = 0;
    int m_iStepCount = 0;
    // Movement per tick.
    Sexy::TPoint<int> m_ptStep;

    int m_iAlphaFrom = 255;
    int m_iAlphaTo = 255;
    int m_iAlphaStep = 0;
    int m_iCurAlpha = 255;

    bool m_bActive = false;
    bool m_bHideOnEnd = false;
    bool m_bNotify = false;
    bool m_bPingPong = false;
    bool m_bBackward = false;
    bool m_bMirror = false;
    bool m_bCenter = false;
    bool m_bRotate = false;
    double m_dAngle = 0.0;
    bool m_bShowFont = false;

    // A part of each cel; a width of 0 draws the whole cel.
    Sexy::TRect<int> m_rcSrc;

    std::wstring m_strText;
    std::unique_ptr<Sexy::SysFont> m_pFont;

    // Given to Init for the game; the library does not read them.
    bool m_bUserFlag1 = false;
    bool m_bUserFlag2 = false;

    Timer m_Timer;

private:
    // Enters the layer in the view's map under iLayerId, leaving the entry of an earlier id.
    void Register(int iLayerId);
    void ReleaseOwnedImage();
    // Ends the animation: OnAnimateEnd for layer ids of 0 and above (the view may delete the layer).
    void NotifyEnd();

    std::unique_ptr<Sexy::Image> m_pOwnedImage;
    // Dropped by the destructor, so that Update notices a layer deleted from its own OnTimer.
    std::shared_ptr<bool> m_pAlive = std::make_shared<bool>(true);
};

} // namespace Ostra
