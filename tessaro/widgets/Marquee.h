// A line of text that scrolls from right to left through the marquee's rectangle and comes in
// again from the right once it has left, like the tips line under the table.
//
// The owner sets the font, colour, text, step and period, places the marquee and calls Start,
// which renders the text once into an image; every period the visible part moves m_iStep pixels.
// The marquee draws in its owner's coordinates: the owner calls Draw with its own graphics, and
// the marquee's rectangle (mX, mY, mWidth) is where the text shows in them. It is not meant to be
// added to the owner as a child widget. Its Update must run every frame (the owner's Update calls
// it) for the text to move, and the owner redraws itself for the move to show.
#pragma once

#include "pop/Color.h"
#include "pop/Point.h"
#include "pop/Widget.h"
#include "tessaro/widgets/Timer.h"

#include <memory>
#include <string>

namespace Sexy
{
class Font;
class MemoryImage;
} // namespace Sexy

namespace Ostra
{

class Marquee : public Sexy::Widget
{
public:
    static constexpr int kTimerScroll = 1;

    Marquee();
    ~Marquee() override;

    // Renders the text (at least as wide as the marquee) and starts scrolling it in from the right.
    void Start();
    void Stop();
    void Update() override;
    void Draw(Sexy::Graphics* g) override;
    void OnTimer(int iId);

    // Set by the owner before Start. The font is not owned.
    Sexy::Font* m_pFont = nullptr;
    Sexy::Color m_Color;
    std::wstring m_strText;
    // Pixels moved per period, and the period in ms.
    int m_iStep = 0;
    int m_iElapse = 0;

    Timer m_Timer;
    // The text rendered once, at least as wide as the marquee; null before Start or without a font.
    std::unique_ptr<Sexy::MemoryImage> m_pTextImage;
    // Where the visible part of the image is drawn, and which part that is.
    int m_iDrawX = 0;
    Sexy::Rect m_rcSrc;
};

} // namespace Ostra
