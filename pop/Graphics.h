// Drawing into an image. The screen is an image too: the application makes a Graphics on its
// screen image for each frame and widgets draw through it.
//
// Coordinates given to every operation are translated by (mTransX, mTransY) and everything is
// clipped to the clip rectangle and to the destination image, so any rectangle (negative sizes,
// huge values, wholly outside) is safe; a null image or font makes an operation do nothing.
//
// Blending: the destination takes src * a + dst * (1 - a) per channel (a = source alpha / 255),
// its alpha becomes a + dstAlpha * (1 - a). In additive mode the colour channels add up
// (clamped at 255) weighted by the source alpha, and the destination alpha is kept.
#pragma once

#include "pop/Color.h"
#include "pop/Common.h"
#include "pop/Point.h"

#include <vector>

namespace Sexy
{

class Font;
class Image;

class Graphics
{
public:
    enum DrawMode
    {
        DRAWMODE_NORMAL = 0,
        DRAWMODE_ADDITIVE = 1,
    };

    // Draws into dest (not owned; it must outlive the Graphics). The clip rectangle starts as the
    // whole image, the colour as opaque white, no font, no translation.
    explicit Graphics(Image* dest);
    // A copy shares the destination and starts with the other's current state, with an empty
    // state stack.
    Graphics(const Graphics& other);
    Graphics& operator=(const Graphics& other);
    ~Graphics();

    Image* GetDestImage() const { return mDestImage; }

    // Saves, and restores, the whole state: colour, font, translation, clip, draw mode and the
    // colourise flag. A PopState without a matching PushState does nothing.
    void PushState();
    void PopState();

    void SetColor(const Color& color) { mColor = color; }
    const Color& GetColor() const { return mColor; }
    void SetFont(Font* font) { mFont = font; }
    Font* GetFont() const { return mFont; }
    void SetDrawMode(int mode) { mDrawMode = mode; }
    int GetDrawMode() const { return mDrawMode; }
    // When on, image pixels are multiplied by the current colour, alpha included (so a colour of
    // (255, 255, 255, 128) draws an image half transparent).
    void SetColorizeImages(bool colorize) { mColorizeImages = colorize; }
    bool GetColorizeImages() const { return mColorizeImages; }

    // Translation added to every coordinate.
    int mTransX = 0;
    int mTransY = 0;
    void Translate(int dx, int dy)
    {
        mTransX += dx;
        mTransY += dy;
    }
    void SetTranslation(int x, int y)
    {
        mTransX = x;
        mTransY = y;
    }

    // The clip rectangle, in destination (untranslated) coordinates.
    const Rect& GetClipRect() const { return mClipRect; }
    // Narrows the clip to its intersection with the rectangle, given in translated coordinates.
    void ClipRect(int x, int y, int width, int height);
    void ClipRect(const Rect& rect) { ClipRect(rect.mX, rect.mY, rect.mWidth, rect.mHeight); }
    // Sets the clip to the rectangle (translated coordinates), limited to the image.
    void SetClipRect(int x, int y, int width, int height);
    void SetClipRect(const Rect& rect) { SetClipRect(rect.mX, rect.mY, rect.mWidth, rect.mHeight); }
    // The clip becomes the whole image again.
    void ClearClipRect();

    // Rectangles in the current colour. FillRect blends by the colour's alpha (or adds in additive
    // mode); DrawRect draws the outline one pixel wide along the inside of the width x height
    // area; ClearRect replaces the pixels with the colour, alpha included, without blending.
    void FillRect(int x, int y, int width, int height);
    void FillRect(const Rect& rect) { FillRect(rect.mX, rect.mY, rect.mWidth, rect.mHeight); }
    void DrawRect(int x, int y, int width, int height);
    void DrawRect(const Rect& rect) { DrawRect(rect.mX, rect.mY, rect.mWidth, rect.mHeight); }
    void ClearRect(int x, int y, int width, int height);
    void ClearRect(const Rect& rect) { ClearRect(rect.mX, rect.mY, rect.mWidth, rect.mHeight); }
    // A one-pixel line including both end points.
    void DrawLine(int startX, int startY, int endX, int endY);

    // Images. Source rectangles are limited to the image; a scaled draw samples the nearest
    // pixel.
    void DrawImage(Image* image, int x, int y);
    void DrawImage(Image* image, int x, int y, const Rect& srcRect);
    void DrawImage(Image* image, const Rect& destRect, const Rect& srcRect);
    void DrawImage(Image* image, int x, int y, int width, int height);
    void DrawImageCel(Image* image, int x, int y, int cel);
    void DrawImageCel(Image* image, int x, int y, int col, int row);
    void DrawImageCel(Image* image, const Rect& destRect, int cel);
    // Left-right mirrored (plain DrawImage when mirror is false).
    void DrawImageMirror(Image* image, int x, int y, bool mirror = true);
    void DrawImageMirror(Image* image, int x, int y, const Rect& srcRect, bool mirror = true);
    void DrawImageMirror(Image* image, const Rect& destRect, const Rect& srcRect, bool mirror = true);
    // Turned by the angle in radians about a centre; positive angles turn counter-clockwise as seen
    // on the screen. (x, y) is where the unturned picture's top left would be; the centre is
    // relative to that corner (the picture's middle when not given). Sampled bilinearly.
    void DrawImageRotated(Image* image, int x, int y, double radians, const Rect* srcRect = nullptr);
    void DrawImageRotated(Image* image, int x, int y, double radians, int rotCenterX, int rotCenterY,
                          const Rect* srcRect = nullptr);

    // Nine-slice stretch of a picture over a rectangle. The source is cut into three columns and
    // three rows: the left and right columns are each srcWidth / 3 wide and the middle takes the
    // rest (likewise for rows with srcHeight / 3). The corners are drawn at their own size, the
    // top and bottom edges stretched across, the left and right edges stretched down, the centre
    // both ways. When the destination is narrower (or lower) than the two corners together, the
    // corners share the width (height) equally and the middle is left out.
    void DrawImageBox(const Rect& destRect, Image* image);
    void DrawImageBox(const Rect& srcRect, const Rect& destRect, Image* image);

    // Text in the current font and colour, the baseline at y. Colour codes are not interpreted.
    void DrawString(const SexyString& text, int x, int y);

    // Text with colour codes. A code is eight characters: '^', six characters that are either
    // three two-digit hexadecimal fields red, green, blue (a blank reads as 0) or the word
    // "oldclr", and one closing character of any kind. A colour code sets the colour of the text
    // after it; "^oldclr0" goes back to the colour that was current when the call began. Codes are
    // not drawn. Anything else starting with '^' is drawn as it stands.
    //
    // width < 0 means no limit and the text starts at x; otherwise justify -1 starts at x, 0 centres
    // the text in x..x+width, 1 ends it at x+width. offset and length select the characters drawn
    // (length -1: to the end). drawString false only measures. Returns the width of the text
    // without codes. The Graphics' colour is the same after the call as before it.
    int WriteString(const SexyString& text, int x, int y, int width = -1, int justify = 0, bool drawString = true,
                    int offset = 0, int length = -1);

    // Text wrapped into rect.mWidth (0 or less: no limit, only line feeds break): lines break at blanks, between
    // Chinese (and other wide) characters, and at "\n"; a word longer than the line is broken between characters.
    // Colour codes work as in WriteString and carry from one line to the next. The first baseline is at rect.mY +
    // ascent, the next ones lineSpacing lower (-1: the font's line spacing). justify as in WriteString, within
    // rect.mWidth. maxChars (>= 0) draws only the first characters (the layout is that of the whole text). Returns the
    // height used: (lines - 1) * lineSpacing + font height, 0 for empty text. maxWidth receives the widest line,
    // lastWidth the width of the last line.
    int WriteWordWrapped(const Rect& rect, const SexyString& text, int lineSpacing = -1, int justify = -1,
                         int* maxWidth = nullptr, int maxChars = -1, int* lastWidth = nullptr);
    // The height WriteWordWrapped would use, without drawing.
    int GetWordWrappedHeight(int width, const SexyString& text, int lineSpacing = -1, int* maxWidth = nullptr);
    // Width of the text in the current font with colour codes left out.
    int StringWidth(const SexyString& text);

private:
    struct State
    {
        Color color;
        Font* font;
        int transX;
        int transY;
        Rect clip;
        int drawMode;
        bool colorize;
    };

    Rect ImageBounds() const;
    Rect Clipped(int x, int y, int width, int height) const;
    void BlitScaled(Image* image, const Rect& srcRect, const Rect& destRect, bool mirror);
    int WrapText(const Rect& rect, const SexyString& text, int lineSpacing, int justify, int* maxWidth, int maxChars,
                 int* lastWidth, bool draw);

    Image* mDestImage = nullptr;
    Color mColor = Color::White;
    Font* mFont = nullptr;
    Rect mClipRect;
    int mDrawMode = DRAWMODE_NORMAL;
    bool mColorizeImages = false;
    std::vector<State> mStateStack;
};

} // namespace Sexy
