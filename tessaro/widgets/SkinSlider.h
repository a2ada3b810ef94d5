// A slider drawn from the skin's pictures, as the settings dialog's volume controls. Lying down,
// the background track shows at its own size; over it the fill picture shows from the left as far
// as the value reaches (a value of 0.5 shows the left half of the slider's width), and the thumb
// sits on top. Standing, only the thumb is drawn. Pictures stay the caller's; a missing one is
// left out. Input and values are the framework slider's.
#pragma once

#include "pop/Slider.h"

namespace Sexy
{

class SkinSlider : public Slider
{
public:
    // pFill becomes the framework slider's track picture.
    SkinSlider(Image* pFill, Image* pBack, Image* pThumb, int iId, SliderListener* pListener);

    void Draw(Graphics* g) override;

    Image* m_pBackImage = nullptr;
};

} // namespace Sexy
