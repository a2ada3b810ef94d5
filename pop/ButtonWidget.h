// ButtonWidget: a push button drawn from pictures (one per state, or the cels of one strip) or, when
// it has none, as a plain bevelled box, with an optional label.
//
// States, in drawing order of precedence:
//   disabled  mDisabled is set;
//   down      the left button went down on it, is still held and the mouse is over it;
//   over      the mouse is over it (or the over look is still fading out, see below);
//   normal    otherwise.
// Each state draws its image (mButtonImage, mOverImage, mDownImage, mDisabledImage) at the state's
// source rectangle (mNormalRect, mOverRect, mDownRect, mDisabledRect; an empty rectangle means the
// whole image). A state without an image falls back: over and disabled to the normal look, down to
// the over look and then the normal one. A button without any image draws a bevelled box filled
// with COLOR_BKG.
//
// Input. Only the left button works a button; right and middle presses reach the widget but not
// the listener. ButtonPress(id, clickCount) comes on the press (clickCount 2 for a double click),
// ButtonDepress(id) on the release when the mouse is still over the button (a release elsewhere
// clicks nothing), ButtonDownTick(id) once per update while the button is held with the mouse over
// it. ButtonMouseEnter/Leave/Move follow the mouse. A hidden or disabled button takes no clicks
// (the widget manager does not route the mouse to it). The four-value mouse forms do the work, so
// a subclass that overrides the three-value form and calls the base still arrives there.
//
// Fading over look. mOverAlpha is the current strength of the over look, 0 to 1. While the mouse
// is over the button it rises by mOverAlphaFadeInSpeed per update (at once to 1 when that speed is
// 0); otherwise it falls by mOverAlphaSpeed per update (at once to 0 when that speed is 0). The
// button draws its normal look and the over image on top with that strength; at 1 only the over
// image. With both speeds 0 (the default) the over look simply switches. Setting mOverAlpha to 1
// on a button the mouse is not over makes it fade out from the full over look.
//
// Ownership. The images are the caller's and are not deleted by the button, except the copies the
// button makes itself in MirrorImage() and FlipImage(): it owns those and deletes them with itself
// or when SetBtnImage gives it other looks. The listener is not owned. The font is the button's own
// copy (SetFont).
#pragma once

#include "pop/Listeners.h"
#include "pop/Widget.h"

#include <memory>
#include <vector>

namespace Sexy
{

class DDImage;
class Font;
class Image;
class SexyAppBase;

class ButtonWidget : public Widget
{
public:
    // Indices into mColors.
    enum
    {
        COLOR_LABEL,          // label text
        COLOR_LABEL_HILITE,   // label text while over or down
        COLOR_DARK_OUTLINE,   // bevel: outer dark edge
        COLOR_LIGHT_OUTLINE,  // bevel: light edge
        COLOR_MEDIUM_OUTLINE, // bevel: inner shadow
        COLOR_BKG,            // face of a button without images
        NUM_COLORS
    };

    // Label placement (mLabelJustify).
    enum
    {
        BUTTON_LABEL_LEFT = -1,
        BUTTON_LABEL_CENTER = 0,
        BUTTON_LABEL_RIGHT = 1
    };

    enum ButtonState
    {
        STATE_NORMAL,
        STATE_OVER,
        STATE_DOWN,
        STATE_DISABLED
    };

    ButtonWidget(int id, ButtonListener* listener);
    ~ButtonWidget() override;

    int mId;
    ButtonListener* mListener; // not owned; may be null

    // Pictures per state (not owned) and their source rectangles (empty: the whole picture).
    Image* mButtonImage = nullptr;
    Image* mOverImage = nullptr;
    Image* mDownImage = nullptr;
    Image* mDisabledImage = nullptr;
    Rect mNormalRect;
    Rect mOverRect;
    Rect mDownRect;
    Rect mDisabledRect;

    // The label, drawn in mFont (nothing without a font), placed per mLabelJustify and centred
    // vertically; shifted by one pixel right and down while the button is down.
    SexyString mLabel;
    int mLabelJustify = BUTTON_LABEL_CENTER;
    Font* mFont = nullptr; // owned; set with SetFont

    // Fading of the over look (see above): current strength, fall per update, rise per update.
    double mOverAlpha = 0.0;
    double mOverAlphaSpeed = 0.0;
    double mOverAlphaFadeInSpeed = 0.0;

    // With images: draw nothing but the label (mBtnNoDraw); without images: leave out the bevel
    // (mFrameNoDraw) so only the face is filled.
    bool mBtnNoDraw = false;
    bool mFrameNoDraw = false;
    // Hit testing by the picture's pixels: points where the normal look is fully transparent do not
    // belong to the button (the mouse reaches what lies beneath). Off by default.
    bool mHitTestAlpha = false;

    // The button keeps a copy of the font (null clears it).
    virtual void SetFont(Font* font);

    // Takes the state looks from the cels of one picture: cel 0 normal, cel 1 over, cel 2 down,
    // cel 3 disabled (cels numbered as Image::GetCelRect does, row by row). Each flag says whether
    // that state is taken from the picture; a state whose flag is off gets no image and falls back
    // as described above, and so does a state whose cel the picture does not have (a 3-cel picture
    // has no disabled cel, so a disabled button shows the normal cel). With resizeToCel the button
    // takes the size of one cel and keeps its position. The picture is not owned; app is not used
    // by the button and may be null. A null image clears all four looks.
    void SetBtnImage(SexyAppBase* app, Image* image, bool normal, bool over, bool down, bool disabled,
                     bool resizeToCel);

    // Turn the button's looks left-right (MirrorImage) or top-bottom (FlipImage), cel by cel so the
    // states stay in their cels; the source rectangles keep pointing at the same cels. The button
    // makes (and owns) its copies of the pictures the first time; further calls change its copies.
    void MirrorImage();
    void FlipImage();
    // Mirrored and flipped copies of a picture, cel by cel; the caller owns the copy. Null for a
    // null or empty picture.
    static std::unique_ptr<DDImage> MirrorImage(const Image* image);
    static std::unique_ptr<DDImage> FlipImage(const Image* image);

    // The look drawn now.
    ButtonState GetState() const;
    // Held with the left button and the mouse over it.
    bool IsButtonDown() const;
    // Whether the state's look has a picture to draw.
    bool HaveButtonImage(ButtonState state) const;

    void Draw(Graphics* g) override;
    void Update() override;
    void SetDisabled(bool disabled) override;
    void SetVisible(bool visible) override;
    bool IsPointVisible(int x, int y) override;
    void RemovedFromManager(WidgetManager* manager) override;

    void MouseEnter() override;
    void MouseLeave() override;
    void MouseMove(int x, int y) override;
    void MouseDrag(int x, int y) override;
    using Widget::MouseDown;
    using Widget::MouseUp;
    void MouseDown(int x, int y, int button, int clickCount) override;
    void MouseUp(int x, int y, int button, int clickCount) override;

protected:
    // Draws one state's picture at (0, 0) of the button; src empty means the whole picture.
    virtual void DrawButtonImage(Graphics* g, Image* image, const Rect& src, int x, int y);
    virtual void DrawLabel(Graphics* g, bool hilite);
    virtual void DrawPlainButton(Graphics* g, bool down);

    // The picture and rectangle a state draws after the fall-backs (picture null when none).
    void GetStateLook(ButtonState state, Image** image, Rect* src) const;

    // Set by a left press on the button, cleared by its release (or when the button is disabled,
    // hidden or leaves the manager).
    bool mLeftPressed = false;

private:
    // Whether a release at (x, y) (own coordinates) is over the button.
    bool ReleasedOver(int x, int y);
    // Replaces every look showing 'from' with 'to'.
    void ReplaceImage(Image* from, Image* to);
    bool OwnsImage(const Image* image) const;
    // Mirrors (true) or flips (false) the looks into the button's own copies.
    void TransformImages(bool mirror);

    std::vector<std::unique_ptr<DDImage>> mOwnedImages;
};

} // namespace Sexy
