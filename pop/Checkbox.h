// Checkbox: a box that is checked or not, drawn from two pictures (or a plain box when it has
// none). A left press on an enabled, shown box toggles it and tells the listener
// CheckboxChecked(id, checked). A disabled box draws as before (a plain box greyed) and, like a
// hidden one, takes no clicks.
//
// The pictures are not owned. mUncheckedRect and mCheckedRect pick the part of each picture that
// is drawn (empty: the whole picture), so one picture can hold both looks side by side. The box
// is drawn at the widget's top left corner at the picture's (or rectangle's) size.
#pragma once

#include "pop/Listeners.h"
#include "pop/Widget.h"

namespace Sexy
{

class Image;

class Checkbox : public Widget
{
public:
    // Indices into mColors for the plain box.
    enum
    {
        COLOR_CHECKBOX_OUTLINE,
        COLOR_CHECKBOX_BKG,
        COLOR_CHECKBOX_CHECK,
        COLOR_CHECKBOX_DISABLED,
        NUM_COLORS
    };

    Checkbox(Image* uncheckedImage, Image* checkedImage, int id, CheckboxListener* listener);

    int mId;
    CheckboxListener* mListener; // not owned; may be null
    Image* mUncheckedImage;      // not owned
    Image* mCheckedImage;        // not owned
    Rect mUncheckedRect;
    Rect mCheckedRect;
    bool mChecked = false;

    // Sets the state; the listener hears of it only with tellListener (and only on a change).
    virtual void SetChecked(bool checked, bool tellListener = true);
    bool IsChecked() const { return mChecked; }

    void Draw(Graphics* g) override;
    using Widget::MouseDown;
    void MouseDown(int x, int y, int button, int clickCount) override;

protected:
    virtual void DrawPlainBox(Graphics* g);
};

} // namespace Sexy
