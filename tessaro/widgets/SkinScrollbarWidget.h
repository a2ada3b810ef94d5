// A scroll bar drawn from the skin's pictures: arrow buttons with their own strips (normal, over,
// down, disabled), a track picture stretched between them, and a thumb cut from a 3 x 3 picture:
// one row (horizontal bars) or column (vertical bars) per state (0 normal, 1 under the mouse,
// 2 dragged), and in it the two end caps and the middle piece that is repeated along the thumb.
// Input and values are the framework scroll bar's.
//
// The thumb is never shorter than its two caps and one middle piece. When the page holds more
// than there is to scroll, the bar draws neither thumb nor track (its arrows still draw themselves).
// A picture that is missing is left out of the drawing.
#pragma once

#include "pop/ScrollbarWidget.h"

namespace Sexy
{

class Image;
class SexyAppBase;

class SkinScrollbarWidget : public ScrollbarWidget
{
public:
    // The application is not owned; the listener as for the framework's bar.
    SkinScrollbarWidget(SexyAppBase* pApp, int iId, ScrollListener* pListener);

    // The pictures stay the caller's. The thumb picture's cel grid is set to 3 x 3.
    void SetImage(Image* pUp, Image* pDown, Image* pTrack, Image* pThumb);

    void Draw(Graphics* g) override;
    void MouseMove(int x, int y) override;
    void MouseLeave() override;
    int GetThumbSize() override;

    SexyAppBase* m_pApp = nullptr;
    Image* m_pUpImage = nullptr;
    Image* m_pDownImage = nullptr;
    Image* m_pTrackImage = nullptr;
    Image* m_pThumbImage = nullptr;
    // The mouse is over the thumb.
    bool m_bThumbHover = false;

private:
    void DrawThumb(Graphics* g, int pos, int length);
};

} // namespace Sexy
