// Slider: a thumb moved along a track, its value mVal going from 0 (left, or top) to 1 (right, or
// bottom).
//
// Geometry. The thumb is as large as the thumb picture's first cel (without a picture: 10 pixels
// along the track, the widget's thickness across it) and sits at (track length - thumb length) *
// mVal along the track, centred across it. A slider not longer than its thumb cannot move and
// stays at its value.
//
// Input (left button, enabled and shown sliders only):
//   - a press on the thumb grabs it where it was taken;
//   - a press on the track jumps: the thumb is centred on the mouse at once, the listener hears
//     SliderVal with mDragging still false, and the thumb stays grabbed;
//   - moving a grabbed thumb sets mDragging and reports every change of the value;
//   - the release ends the drag: mDragging goes back to false and, when the thumb was dragged, the
//     listener hears the final value once more, now with mDragging false.
// So a listener that reads mDragging can tell a value still being dragged from a settled one.
// SetValue never tells the listener. Disabling or hiding the slider ends a drag without a report.
//
// The pictures are not owned. The track picture is stretched along the track at its own thickness,
// centred across it; without one a thin groove is drawn.
#pragma once

#include "pop/Listeners.h"
#include "pop/Widget.h"

namespace Sexy
{

class Image;

class Slider : public Widget
{
public:
    // Indices into mColors for the plain look.
    enum
    {
        COLOR_SLIDER_TRACK,
        COLOR_SLIDER_THUMB,
        COLOR_SLIDER_THUMB_OUTLINE,
        COLOR_SLIDER_DISABLED,
        NUM_COLORS
    };

    Slider(Image* trackImage, Image* thumbImage, int id, SliderListener* listener);

    int mId;
    SliderListener* mListener; // not owned; may be null
    Image* mTrackImage;        // not owned
    Image* mThumbImage;        // not owned
    double mVal = 0.0;
    // True while the held mouse is moving the thumb.
    bool mDragging = false;
    bool mHorizontal = true;
    // Where the grabbed thumb was taken, from its top left corner (valid while mGrabbed).
    int mRelX = 0;
    int mRelY = 0;

    // Sets the value, clamped to 0..1 (not a number counts as 0), without telling the listener.
    virtual void SetValue(double value);
    double GetValue() const { return mVal; }

    int GetThumbWidth() const;
    int GetThumbHeight() const;
    // The thumb's rectangle in the slider's coordinates.
    Rect GetThumbRect() const;

    void Draw(Graphics* g) override;
    void SetDisabled(bool disabled) override;
    void SetVisible(bool visible) override;
    void RemovedFromManager(WidgetManager* manager) override;
    using Widget::MouseDown;
    using Widget::MouseUp;
    void MouseDown(int x, int y, int button, int clickCount) override;
    void MouseUp(int x, int y, int button, int clickCount) override;
    void MouseDrag(int x, int y) override;

protected:
    // The value that puts the thumb's top left corner at (x, y) along the track.
    double ValueAt(int x, int y) const;
    // Moves the thumb so that the grab point is at (x, y); true when the value changed.
    bool MoveThumbTo(int x, int y);

    // A left press took the thumb and is still held.
    bool mGrabbed = false;
};

} // namespace Sexy
