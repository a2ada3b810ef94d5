// A text field for skinned surfaces: it draws neither background nor outline, so the picture
// beneath it (the chat input's bar) shows through, only the text, the selection and the caret.
// Editing is the framework field's.
//
// Without a font of its own the field takes "Arial Unicode MS" 10 point (an installed face that
// covers Chinese stands in when that one is missing) the first time it draws. The colours are the
// framework field's slots: COLOR_TEXT for the text, COLOR_HILITE behind the selection and the
// caret, COLOR_HILITE_TEXT for the text on them. The caret is a 2-pixel bar in the highlight
// colour, shown in the blink's on phase while the field has the focus.
#pragma once

#include "pop/EditWidget.h"

namespace Sexy
{

class SkinEditWidget : public EditWidget
{
public:
    SkinEditWidget(int iId, EditListener* pListener);

    void Draw(Graphics* g) override;
};

} // namespace Sexy
