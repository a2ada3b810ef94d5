#include "pop/Graphics.h"

#include "pop/Font.h"
#include "pop/Image.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>

namespace Sexy
{

namespace
{

using i64 = long long;

// Destination rectangles beyond this size or position are clipped by hand before SDL sees them,
// so that its integer arithmetic cannot overflow.
constexpr i64 kSdlSafe = i64(1) << 20;

inline uint32_t Div255(uint32_t v)
{
    v += 128;
    return (v + (v >> 8)) >> 8;
}

inline uint8_t Clamp8(int v)
{
    return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

inline uint32_t* Row(SDL_Surface* s, int y)
{
    return reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(s->pixels) + size_t(y) * size_t(s->pitch));
}

inline const uint32_t* Row(const SDL_Surface* s, int y)
{
    return reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(s->pixels) + size_t(y) * size_t(s->pitch));
}

// Puts source pixels onto destination pixels the way the header describes, for the drawing that
// SDL's blitters cannot do (mirrored, turned, blended fills and lines).
struct Blender
{
    bool additive = false;
    bool modulate = false;
    uint32_t mr = 255, mg = 255, mb = 255, ma = 255;

    __attribute__((always_inline)) inline void Put(uint32_t& dst, uint32_t src) const
    {
        uint32_t sa = src >> 24;
        uint32_t sr = (src >> 16) & 0xFF;
        uint32_t sg = (src >> 8) & 0xFF;
        uint32_t sb = src & 0xFF;
        if (modulate)
        {
            sa = Div255(sa * ma);
            sr = Div255(sr * mr);
            sg = Div255(sg * mg);
            sb = Div255(sb * mb);
        }
        if (sa == 0)
            return;
        uint32_t da = dst >> 24;
        uint32_t dr = (dst >> 16) & 0xFF;
        uint32_t dg = (dst >> 8) & 0xFF;
        uint32_t db = dst & 0xFF;
        if (additive)
        {
            dr = std::min<uint32_t>(255, dr + Div255(sr * sa));
            dg = std::min<uint32_t>(255, dg + Div255(sg * sa));
            db = std::min<uint32_t>(255, db + Div255(sb * sa));
            dst = (da << 24) | (dr << 16) | (dg << 8) | db;
            return;
        }
        if (sa == 255)
        {
            dst = 0xFF000000u | (sr << 16) | (sg << 8) | sb;
            return;
        }
        uint32_t inv = 255 - sa;
        dr = Div255(sr * sa + dr * inv);
        dg = Div255(sg * sa + dg * inv);
        db = Div255(sb * sa + db * inv);
        da = sa + Div255(da * inv);
        dst = (da << 24) | (dr << 16) | (dg << 8) | db;
    }
};

// A colour code at text[i]: '^', six characters, one closing character. Sets old to true for
// "oldclr", else fills rgb. False when there is no valid code at i.
bool ParseColorCode(const SexyString& text, size_t i, size_t end, bool& old, int rgb[3])
{
    if (text[i] != L'^' || end - i < 8)
        return false;
    if (text.compare(i + 1, 6, L"oldclr") == 0)
    {
        old = true;
        return true;
    }
    int digits[6];
    for (int k = 0; k < 6; ++k)
    {
        wchar_t c = text[i + 1 + k];
        if (c >= L'0' && c <= L'9')
            digits[k] = c - L'0';
        else if (c >= L'a' && c <= L'f')
            digits[k] = c - L'a' + 10;
        else if (c >= L'A' && c <= L'F')
            digits[k] = c - L'A' + 10;
        else if (c == L' ')
            digits[k] = 0;
        else
            return false;
    }
    old = false;
    for (int k = 0; k < 3; ++k)
        rgb[k] = digits[2 * k] * 16 + digits[2 * k + 1];
    return true;
}

// Characters between which a line may break without a blank: the scripts written without
// blanks (Chinese, Japanese kana, Korean) and the full-width forms.
bool IsWideChar(wchar_t c)
{
    return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFFEF);
}

// A private copy of the pixels, for drawing an image onto itself.
std::unique_ptr<MemoryImage> CopyPixels(const Image* image)
{
    auto copy = std::make_unique<MemoryImage>();
    copy->SetFromSurface(image->GetSurface());
    return copy;
}

} // namespace

// ---- State ----------------------------------------------------------------------------------

Graphics::Graphics(Image* dest) : mDestImage(dest)
{
    mClipRect = ImageBounds();
}

Graphics::Graphics(const Graphics& other)
    : mTransX(other.mTransX), mTransY(other.mTransY), mDestImage(other.mDestImage), mColor(other.mColor),
      mFont(other.mFont), mClipRect(other.mClipRect), mDrawMode(other.mDrawMode), mColorizeImages(other.mColorizeImages)
{
}

Graphics& Graphics::operator=(const Graphics& other)
{
    if (this != &other)
    {
        mTransX = other.mTransX;
        mTransY = other.mTransY;
        mDestImage = other.mDestImage;
        mColor = other.mColor;
        mFont = other.mFont;
        mClipRect = other.mClipRect;
        mDrawMode = other.mDrawMode;
        mColorizeImages = other.mColorizeImages;
        mStateStack.clear();
    }
    return *this;
}

Graphics::~Graphics() = default;

void Graphics::PushState()
{
    mStateStack.push_back(State{mColor, mFont, mTransX, mTransY, mClipRect, mDrawMode, mColorizeImages});
}

void Graphics::PopState()
{
    if (mStateStack.empty())
        return;
    const State& s = mStateStack.back();
    mColor = s.color;
    mFont = s.font;
    mTransX = s.transX;
    mTransY = s.transY;
    mClipRect = s.clip;
    mDrawMode = s.drawMode;
    mColorizeImages = s.colorize;
    mStateStack.pop_back();
}

Rect Graphics::ImageBounds() const
{
    if (!mDestImage || !mDestImage->GetSurface())
        return Rect();
    return Rect(0, 0, mDestImage->GetWidth(), mDestImage->GetHeight());
}

namespace
{

// The part of the rectangle (already in destination coordinates, 64-bit) inside the limit.
Rect Intersect64(i64 x, i64 y, i64 w, i64 h, const Rect& limit)
{
    if (w <= 0 || h <= 0 || limit.IsEmpty())
        return Rect();
    i64 x1 = std::max<i64>(x, limit.mX);
    i64 y1 = std::max<i64>(y, limit.mY);
    i64 x2 = std::min<i64>(x + w, i64(limit.mX) + limit.mWidth);
    i64 y2 = std::min<i64>(y + h, i64(limit.mY) + limit.mHeight);
    if (x2 <= x1 || y2 <= y1)
        return Rect();
    return Rect(int(x1), int(y1), int(x2 - x1), int(y2 - y1));
}

} // namespace

Rect Graphics::Clipped(int x, int y, int width, int height) const
{
    return Intersect64(i64(x) + mTransX, i64(y) + mTransY, width, height, mClipRect);
}

void Graphics::ClipRect(int x, int y, int width, int height)
{
    mClipRect = Clipped(x, y, width, height);
}

void Graphics::SetClipRect(int x, int y, int width, int height)
{
    mClipRect = Intersect64(i64(x) + mTransX, i64(y) + mTransY, width, height, ImageBounds());
}

void Graphics::ClearClipRect()
{
    mClipRect = ImageBounds();
}

// ---- Rectangles and lines --------------------------------------------------------------------

void Graphics::FillRect(int x, int y, int width, int height)
{
    Rect r = Clipped(x, y, width, height);
    if (r.IsEmpty())
        return;
    SDL_Surface* dst = mDestImage->GetSurface();
    uint32_t argb = mColor.ToARGB();
    uint32_t alpha = argb >> 24;
    bool additive = mDrawMode == DRAWMODE_ADDITIVE;
    if (alpha == 0)
        return;
    if (alpha == 255 && !additive)
    {
        SDL_Rect sr{r.mX, r.mY, r.mWidth, r.mHeight};
        SDL_FillRect(dst, &sr, argb);
    }
    else if (!additive)
    {
        // Two channels per multiplication: red and blue in one word, alpha and green in another.
        // The source's alpha channel counts as 255 so that the destination alpha becomes
        // a + dstAlpha * (1 - a) with the same arithmetic.
        const uint32_t inv = 255 - alpha;
        const uint32_t rb = (((argb >> 16) & 0xFF) * alpha << 16) | ((argb & 0xFF) * alpha);
        const uint32_t ag = ((255 * alpha) << 16) | (((argb >> 8) & 0xFF) * alpha);
        for (int yy = r.mY; yy < r.mY + r.mHeight; ++yy)
        {
            uint32_t* row = Row(dst, yy) + r.mX;
            for (int xx = 0; xx < r.mWidth; ++xx)
            {
                uint32_t d = row[xx];
                uint32_t lo = (d & 0x00FF00FFu) * inv + rb + 0x00800080u;
                uint32_t hi = ((d >> 8) & 0x00FF00FFu) * inv + ag + 0x00800080u;
                lo = ((lo + ((lo >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
                hi = ((hi + ((hi >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
                row[xx] = lo | (hi << 8);
            }
        }
    }
    else
    {
        Blender blender;
        blender.additive = true;
        for (int yy = r.mY; yy < r.mY + r.mHeight; ++yy)
        {
            uint32_t* row = Row(dst, yy) + r.mX;
            for (int xx = 0; xx < r.mWidth; ++xx)
                blender.Put(row[xx], argb);
        }
    }
    mDestImage->BitsChanged();
}

void Graphics::DrawRect(int x, int y, int width, int height)
{
    if (width <= 0 || height <= 0)
        return;
    // Four pieces that do not overlap, so a translucent outline is blended once per pixel.
    FillRect(x, y, width, 1);
    if (height > 1)
        FillRect(x, int(std::min<i64>(i64(y) + height - 1, INT32_MAX)), width, 1);
    if (height > 2)
    {
        FillRect(x, y + 1, 1, height - 2);
        if (width > 1)
            FillRect(int(std::min<i64>(i64(x) + width - 1, INT32_MAX)), y + 1, 1, height - 2);
    }
}

void Graphics::ClearRect(int x, int y, int width, int height)
{
    Rect r = Clipped(x, y, width, height);
    if (r.IsEmpty())
        return;
    SDL_Rect sr{r.mX, r.mY, r.mWidth, r.mHeight};
    SDL_FillRect(mDestImage->GetSurface(), &sr, mColor.ToARGB());
    mDestImage->BitsChanged();
}

void Graphics::DrawLine(int startX, int startY, int endX, int endY)
{
    if (mClipRect.IsEmpty() || !mDestImage || !mDestImage->GetSurface())
        return;
    // Clip the segment (Liang-Barsky, on pixel centres) to the clip rectangle first, so that far
    // away end points cost nothing.
    double x0 = double(startX) + mTransX, y0 = double(startY) + mTransY;
    double x1 = double(endX) + mTransX, y1 = double(endY) + mTransY;
    double dx = x1 - x0, dy = y1 - y0;
    double t0 = 0.0, t1 = 1.0;
    const double lo[2] = {mClipRect.mX - 0.5, mClipRect.mY - 0.5};
    const double hi[2] = {mClipRect.mX + mClipRect.mWidth - 0.5, mClipRect.mY + mClipRect.mHeight - 0.5};
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0 - lo[0], hi[0] - x0, y0 - lo[1], hi[1] - y0};
    for (int k = 0; k < 4; ++k)
    {
        if (p[k] == 0.0)
        {
            if (q[k] < 0.0)
                return;
            continue;
        }
        double t = q[k] / p[k];
        if (p[k] < 0.0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1)
            return;
    }
    int ax = int(std::lround(x0 + t0 * dx)), ay = int(std::lround(y0 + t0 * dy));
    int bx = int(std::lround(x0 + t1 * dx)), by = int(std::lround(y0 + t1 * dy));

    SDL_Surface* dst = mDestImage->GetSurface();
    uint32_t argb = mColor.ToARGB();
    Blender blender;
    blender.additive = mDrawMode == DRAWMODE_ADDITIVE;
    int sx = ax < bx ? 1 : -1, sy = ay < by ? 1 : -1;
    int ex = std::abs(bx - ax), ey = -std::abs(by - ay);
    int err = ex + ey;
    for (;;)
    {
        if (mClipRect.Contains(ax, ay))
            blender.Put(Row(dst, ay)[ax], argb);
        if (ax == bx && ay == by)
            break;
        int e2 = 2 * err;
        if (e2 >= ey)
        {
            err += ey;
            ax += sx;
        }
        if (e2 <= ex)
        {
            err += ex;
            ay += sy;
        }
    }
    mDestImage->BitsChanged();
}

// ---- Images ---------------------------------------------------------------------------------

void Graphics::DrawImage(Image* image, int x, int y)
{
    if (!image)
        return;
    DrawImage(image, Rect(x, y, image->GetWidth(), image->GetHeight()),
              Rect(0, 0, image->GetWidth(), image->GetHeight()));
}

void Graphics::DrawImage(Image* image, int x, int y, const Rect& srcRect)
{
    DrawImage(image, Rect(x, y, srcRect.mWidth, srcRect.mHeight), srcRect);
}

void Graphics::DrawImage(Image* image, const Rect& destRect, const Rect& srcRect)
{
    BlitScaled(image, srcRect, destRect, false);
}

void Graphics::DrawImage(Image* image, int x, int y, int width, int height)
{
    if (!image)
        return;
    DrawImage(image, Rect(x, y, width, height), Rect(0, 0, image->GetWidth(), image->GetHeight()));
}

void Graphics::DrawImageCel(Image* image, int x, int y, int cel)
{
    if (image)
        DrawImage(image, x, y, image->GetCelRect(cel));
}

void Graphics::DrawImageCel(Image* image, int x, int y, int col, int row)
{
    if (image)
        DrawImage(image, x, y, image->GetCelRect(col, row));
}

void Graphics::DrawImageCel(Image* image, const Rect& destRect, int cel)
{
    if (image)
        DrawImage(image, destRect, image->GetCelRect(cel));
}

void Graphics::DrawImageMirror(Image* image, int x, int y, bool mirror)
{
    if (!image)
        return;
    DrawImageMirror(image, x, y, Rect(0, 0, image->GetWidth(), image->GetHeight()), mirror);
}

void Graphics::DrawImageMirror(Image* image, int x, int y, const Rect& srcRect, bool mirror)
{
    DrawImageMirror(image, Rect(x, y, srcRect.mWidth, srcRect.mHeight), srcRect, mirror);
}

void Graphics::DrawImageMirror(Image* image, const Rect& destRect, const Rect& srcRect, bool mirror)
{
    BlitScaled(image, srcRect, destRect, mirror);
}

void Graphics::BlitScaled(Image* image, const Rect& srcRect, const Rect& destRect, bool mirror)
{
    if (!image || !image->GetSurface() || !mDestImage || !mDestImage->GetSurface() || mClipRect.IsEmpty())
        return;
    if (srcRect.IsEmpty() || destRect.IsEmpty())
        return;
    SDL_Surface* dst = mDestImage->GetSurface();

    // Keep the source inside the image and the destination in proportion to what is left.
    Rect bounds(0, 0, image->GetWidth(), image->GetHeight());
    Rect src = Intersect64(srcRect.mX, srcRect.mY, srcRect.mWidth, srcRect.mHeight, bounds);
    if (src.IsEmpty())
        return;
    double dx = double(destRect.mX) + mTransX;
    double dy = double(destRect.mY) + mTransY;
    double scaleX = double(destRect.mWidth) / srcRect.mWidth;
    double scaleY = double(destRect.mHeight) / srcRect.mHeight;
    double cutLeft = src.mX - double(srcRect.mX);
    double cutRight = (double(srcRect.mX) + srcRect.mWidth) - (double(src.mX) + src.mWidth);
    dx += (mirror ? cutRight : cutLeft) * scaleX;
    dy += (src.mY - double(srcRect.mY)) * scaleY;
    double dw = src.mWidth * scaleX;
    double dh = src.mHeight * scaleY;
    i64 ix = i64(std::llround(dx)), iy = i64(std::llround(dy));
    i64 iw = i64(std::llround(dx + dw)) - ix, ih = i64(std::llround(dy + dh)) - iy;
    Rect visible = Intersect64(ix, iy, iw, ih, mClipRect);
    if (visible.IsEmpty())
        return;

    // Drawing an image onto itself goes through a copy.
    std::unique_ptr<MemoryImage> selfCopy;
    SDL_Surface* surface = image->GetSurface();
    if (surface == dst)
    {
        selfCopy = CopyPixels(image);
        if (!selfCopy || !selfCopy->IsValid())
            return;
        image = selfCopy.get();
        surface = image->GetSurface();
    }

    bool additive = mDrawMode == DRAWMODE_ADDITIVE;
    Uint8 mr = 255, mg = 255, mb = 255, ma = 255;
    if (mColorizeImages)
    {
        mr = Clamp8(mColor.mRed);
        mg = Clamp8(mColor.mGreen);
        mb = Clamp8(mColor.mBlue);
        ma = Clamp8(mColor.mAlpha);
    }
    if (ma == 0)
        return;

    Blender blender;
    blender.additive = additive;
    blender.modulate = mColorizeImages;
    blender.mr = mr;
    blender.mg = mg;
    blender.mb = mb;
    blender.ma = ma;

    // Colourised one-to-one draws (every text run is one) are done here: SDL's modulating
    // blitter works through every pixel, while text pictures are mostly transparent and those
    // pixels are skipped at once.
    if (mColorizeImages && !mirror && iw == src.mWidth && ih == src.mHeight)
    {
        const int offX = visible.mX - int(ix) + src.mX;
        const int offY = visible.mY - int(iy) + src.mY;
        for (int yy = 0; yy < visible.mHeight; ++yy)
        {
            const uint32_t* srow = Row(surface, offY + yy) + offX;
            uint32_t* drow = Row(dst, visible.mY + yy) + visible.mX;
            for (int k = 0; k < visible.mWidth; ++k)
                if (srow[k] >> 24)
                    blender.Put(drow[k], srow[k]);
        }
        mDestImage->BitsChanged();
        return;
    }

    bool sdlSafe = !mirror && std::abs(ix) < kSdlSafe && std::abs(iy) < kSdlSafe && iw < kSdlSafe && ih < kSdlSafe;
    if (sdlSafe)
    {
        SDL_SetSurfaceColorMod(surface, mr, mg, mb);
        SDL_SetSurfaceAlphaMod(surface, ma);
        SDL_BlendMode mode = SDL_BLENDMODE_BLEND;
        if (additive)
            mode = SDL_BLENDMODE_ADD;
        else if (ma == 255 && !image->HasAlpha())
            mode = SDL_BLENDMODE_NONE; // opaque: a straight copy
        SDL_SetSurfaceBlendMode(surface, mode);
        SDL_Rect clip{mClipRect.mX, mClipRect.mY, mClipRect.mWidth, mClipRect.mHeight};
        SDL_SetClipRect(dst, &clip);
        SDL_Rect s{src.mX, src.mY, src.mWidth, src.mHeight};
        SDL_Rect d{int(ix), int(iy), int(iw), int(ih)};
        if (iw == src.mWidth && ih == src.mHeight)
            SDL_BlitSurface(surface, &s, dst, &d);
        else
            SDL_BlitScaled(surface, &s, dst, &d);
        SDL_SetClipRect(dst, nullptr);
        mDestImage->BitsChanged();
        return;
    }

    // Mirrored or enormous: sample the nearest source pixel for each visible destination pixel.
    std::vector<int> columns(size_t(visible.mWidth));
    for (int k = 0; k < visible.mWidth; ++k)
    {
        double u = (visible.mX + k + 0.5 - double(ix)) * src.mWidth / double(iw);
        int sx = std::clamp(int(std::floor(u)), 0, src.mWidth - 1);
        columns[size_t(k)] = src.mX + (mirror ? src.mWidth - 1 - sx : sx);
    }
    for (int yy = visible.mY; yy < visible.mY + visible.mHeight; ++yy)
    {
        double v = (yy + 0.5 - double(iy)) * src.mHeight / double(ih);
        int sy = src.mY + std::clamp(int(std::floor(v)), 0, src.mHeight - 1);
        const uint32_t* srow = Row(surface, sy);
        uint32_t* drow = Row(dst, yy) + visible.mX;
        for (int k = 0; k < visible.mWidth; ++k)
            blender.Put(drow[k], srow[columns[size_t(k)]]);
    }
    mDestImage->BitsChanged();
}

void Graphics::DrawImageRotated(Image* image, int x, int y, double radians, const Rect* srcRect)
{
    if (!image)
        return;
    Rect src = srcRect ? *srcRect : Rect(0, 0, image->GetWidth(), image->GetHeight());
    DrawImageRotated(image, x, y, radians, src.mWidth / 2, src.mHeight / 2, srcRect);
}

void Graphics::DrawImageRotated(Image* image, int x, int y, double radians, int rotCenterX, int rotCenterY,
                                const Rect* srcRect)
{
    if (!image || !image->GetSurface() || !mDestImage || !mDestImage->GetSurface() || mClipRect.IsEmpty() ||
        !std::isfinite(radians))
        return;
    Rect bounds(0, 0, image->GetWidth(), image->GetHeight());
    Rect src = srcRect ? Intersect64(srcRect->mX, srcRect->mY, srcRect->mWidth, srcRect->mHeight, bounds) : bounds;
    if (src.IsEmpty())
        return;
    double turns = radians / (2.0 * M_PI);
    if (turns == std::floor(turns))
    {
        DrawImage(image, x, y, src);
        return;
    }

    std::unique_ptr<MemoryImage> selfCopy;
    if (image->GetSurface() == mDestImage->GetSurface())
    {
        selfCopy = CopyPixels(image);
        if (!selfCopy || !selfCopy->IsValid())
            return;
        image = selfCopy.get();
    }

    double c = std::cos(radians), s = std::sin(radians);
    double cx = rotCenterX, cy = rotCenterY;
    double worldCx = double(x) + mTransX + cx, worldCy = double(y) + mTransY + cy;
    // The turned corners give the destination box.
    double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
    const double corners[4][2] = {
        {-cx, -cy}, {src.mWidth - cx, -cy}, {-cx, src.mHeight - cy}, {src.mWidth - cx, src.mHeight - cy}};
    for (const auto& v : corners)
    {
        double px = v[0] * c + v[1] * s;
        double py = -v[0] * s + v[1] * c;
        minX = std::min(minX, px);
        maxX = std::max(maxX, px);
        minY = std::min(minY, py);
        maxY = std::max(maxY, py);
    }
    double bx1 = std::floor(worldCx + minX) - 1, by1 = std::floor(worldCy + minY) - 1;
    double bx2 = std::ceil(worldCx + maxX) + 1, by2 = std::ceil(worldCy + maxY) + 1;
    if (!(bx1 < 1e15 && by1 < 1e15 && bx2 > -1e15 && by2 > -1e15))
        return;
    Rect box = Intersect64(i64(std::max(bx1, -1e15)), i64(std::max(by1, -1e15)),
                           i64(std::min(bx2, 1e15) - std::max(bx1, -1e15)),
                           i64(std::min(by2, 1e15) - std::max(by1, -1e15)), mClipRect);
    if (box.IsEmpty())
        return;

    Blender blender;
    blender.additive = mDrawMode == DRAWMODE_ADDITIVE;
    blender.modulate = mColorizeImages;
    if (mColorizeImages)
    {
        blender.mr = Clamp8(mColor.mRed);
        blender.mg = Clamp8(mColor.mGreen);
        blender.mb = Clamp8(mColor.mBlue);
        blender.ma = Clamp8(mColor.mAlpha);
    }
    const SDL_Surface* surface = image->GetSurface();
    SDL_Surface* dst = mDestImage->GetSurface();
    auto texel = [&](int tx, int ty) -> uint32_t
    {
        if (tx < 0 || ty < 0 || tx >= src.mWidth || ty >= src.mHeight)
            return 0;
        return Row(surface, src.mY + ty)[src.mX + tx];
    };
    for (int yy = box.mY; yy < box.mY + box.mHeight; ++yy)
    {
        uint32_t* drow = Row(dst, yy);
        double py = yy + 0.5 - worldCy;
        for (int xx = box.mX; xx < box.mX + box.mWidth; ++xx)
        {
            double px = xx + 0.5 - worldCx;
            double sx = cx + px * c - py * s - 0.5;
            double sy = cy + px * s + py * c - 0.5;
            if (sx <= -1.0 || sy <= -1.0 || sx >= src.mWidth || sy >= src.mHeight)
                continue;
            int x0 = int(std::floor(sx)), y0 = int(std::floor(sy));
            double fx = sx - x0, fy = sy - y0;
            // Bilinear on premultiplied values, so transparent neighbours do not darken edges.
            const uint32_t t[4] = {texel(x0, y0), texel(x0 + 1, y0), texel(x0, y0 + 1), texel(x0 + 1, y0 + 1)};
            const double w[4] = {(1 - fx) * (1 - fy), fx * (1 - fy), (1 - fx) * fy, fx * fy};
            double a = 0, r = 0, g = 0, b = 0;
            for (int k = 0; k < 4; ++k)
            {
                double ta = (t[k] >> 24) * w[k];
                a += ta;
                r += ((t[k] >> 16) & 0xFF) * ta;
                g += ((t[k] >> 8) & 0xFF) * ta;
                b += (t[k] & 0xFF) * ta;
            }
            if (a < 0.5)
                continue;
            uint32_t pa = uint32_t(std::min(255.0, a + 0.5));
            uint32_t pr = uint32_t(std::min(255.0, r / a + 0.5));
            uint32_t pg = uint32_t(std::min(255.0, g / a + 0.5));
            uint32_t pb = uint32_t(std::min(255.0, b / a + 0.5));
            blender.Put(drow[xx], (pa << 24) | (pr << 16) | (pg << 8) | pb);
        }
    }
    mDestImage->BitsChanged();
}

void Graphics::DrawImageBox(const Rect& destRect, Image* image)
{
    if (image)
        DrawImageBox(Rect(0, 0, image->GetWidth(), image->GetHeight()), destRect, image);
}

void Graphics::DrawImageBox(const Rect& srcRect, const Rect& destRect, Image* image)
{
    if (!image || destRect.IsEmpty())
        return;
    Rect src = Intersect64(srcRect.mX, srcRect.mY, srcRect.mWidth, srcRect.mHeight,
                           Rect(0, 0, image->GetWidth(), image->GetHeight()));
    if (src.IsEmpty())
        return;
    // Source slices: side columns a third of the width each, the middle the rest.
    const int sl = src.mWidth / 3, sr = src.mWidth / 3, sm = src.mWidth - sl - sr;
    const int st = src.mHeight / 3, sb = src.mHeight / 3, smv = src.mHeight - st - sb;
    // Destination slices: the corners keep their size while they fit.
    i64 dl = sl, dr = sr, dt = st, db = sb;
    if (i64(destRect.mWidth) < dl + dr)
    {
        dl = destRect.mWidth / 2;
        dr = destRect.mWidth - dl;
    }
    if (i64(destRect.mHeight) < dt + db)
    {
        dt = destRect.mHeight / 2;
        db = destRect.mHeight - dt;
    }
    const i64 dm = destRect.mWidth - dl - dr, dmv = destRect.mHeight - dt - db;

    const int sxs[3] = {src.mX, src.mX + sl, src.mX + sl + sm};
    const int sws[3] = {sl, sm, sr};
    const int sys[3] = {src.mY, src.mY + st, src.mY + st + smv};
    const int shs[3] = {st, smv, sb};
    const i64 dxs[3] = {destRect.mX, destRect.mX + dl, destRect.mX + dl + dm};
    const i64 dws[3] = {dl, dm, dr};
    const i64 dys[3] = {destRect.mY, destRect.mY + dt, destRect.mY + dt + dmv};
    const i64 dhs[3] = {dt, dmv, db};
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
        {
            if (sws[col] <= 0 || shs[row] <= 0 || dws[col] <= 0 || dhs[row] <= 0)
                continue;
            // Pieces beyond the int range cannot be on any image; skip them.
            if (std::abs(dxs[col]) > INT32_MAX / 2 || std::abs(dys[row]) > INT32_MAX / 2)
                continue;
            DrawImage(image, Rect(int(dxs[col]), int(dys[row]), int(dws[col]), int(dhs[row])),
                      Rect(sxs[col], sys[row], sws[col], shs[row]));
        }
}

// ---- Text -----------------------------------------------------------------------------------

void Graphics::DrawString(const SexyString& text, int x, int y)
{
    if (mFont && !text.empty())
        mFont->DrawString(this, x, y, text, mColor);
}

int Graphics::StringWidth(const SexyString& text)
{
    return WriteString(text, 0, 0, -1, -1, false);
}

namespace
{

// Walks a piece of coded text as runs of one colour.
struct CodedRun
{
    size_t begin;
    size_t end;
    Color color;
};

// Splits text[begin, end) into runs; colour codes update current (old restores to original).
template <typename Fn>
void ForEachRun(const SexyString& text, size_t begin, size_t end, Color& current, const Color& original, Fn&& fn)
{
    size_t runStart = begin;
    size_t i = begin;
    while (i < end)
    {
        bool old = false;
        int rgb[3];
        if (text[i] == L'^' && ParseColorCode(text, i, end, old, rgb))
        {
            if (i > runStart)
                fn(CodedRun{runStart, i, current});
            current = old ? original : Color(rgb[0], rgb[1], rgb[2], original.mAlpha);
            i += 8;
            runStart = i;
            continue;
        }
        ++i;
    }
    if (end > runStart)
        fn(CodedRun{runStart, end, current});
}

} // namespace

int Graphics::WriteString(const SexyString& text, int x, int y, int width, int justify, bool drawString, int offset,
                          int length)
{
    if (!mFont || text.empty())
        return 0;
    size_t size = text.size();
    size_t begin = offset <= 0 ? 0 : std::min(size_t(offset), size);
    size_t end = length < 0 ? size : std::min(size, begin + size_t(length));
    const Color original = mColor;
    // Codes before the selected part still set its colour.
    Color start = original;
    ForEachRun(text, 0, begin, start, original, [](const CodedRun&) {});

    Color current = start;
    int total = 0;
    ForEachRun(text, begin, end, current, original,
               [&](const CodedRun& run) { total += mFont->StringWidth(text.substr(run.begin, run.end - run.begin)); });
    if (!drawString)
        return total;

    int px = x;
    if (width >= 0)
    {
        if (justify == 0)
            px = x + (width - total) / 2;
        else if (justify > 0)
            px = x + width - total;
    }
    current = start;
    ForEachRun(text, begin, end, current, original,
               [&](const CodedRun& run)
               {
                   SexyString piece = text.substr(run.begin, run.end - run.begin);
                   mFont->DrawString(this, px, y, piece, run.color);
                   px += mFont->StringWidth(piece);
               });
    return total;
}

int Graphics::WriteWordWrapped(const Rect& rect, const SexyString& text, int lineSpacing, int justify, int* maxWidth,
                               int maxChars, int* lastWidth)
{
    return WrapText(rect, text, lineSpacing, justify, maxWidth, maxChars, lastWidth, true);
}

int Graphics::GetWordWrappedHeight(int width, const SexyString& text, int lineSpacing, int* maxWidth)
{
    return WrapText(Rect(0, 0, width, 0), text, lineSpacing, -1, maxWidth, -1, nullptr, false);
}

int Graphics::WrapText(const Rect& rect, const SexyString& text, int lineSpacing, int justify, int* maxWidth,
                       int maxChars, int* lastWidth, bool draw)
{
    if (maxWidth)
        *maxWidth = 0;
    if (lastWidth)
        *lastWidth = 0;
    if (!mFont || text.empty())
        return 0;
    if (lineSpacing < 0)
        lineSpacing = mFont->GetLineSpacing();
    const bool unlimited = rect.mWidth <= 0;
    const size_t size = text.size();

    struct Line
    {
        size_t begin;
        size_t end;
    };
    std::vector<Line> lines;

    // Visible width of text[b, e) as the sum of its characters' advances.
    auto visibleWidth = [&](size_t b, size_t e)
    {
        i64 w = 0;
        bool old;
        int rgb[3];
        for (size_t k = b; k < e;)
        {
            if (text[k] == L'^' && ParseColorCode(text, k, size, old, rgb))
            {
                k += 8;
                continue;
            }
            if (text[k] != L'\r')
                w += mFont->CharWidth(text[k]);
            ++k;
        }
        return w;
    };

    size_t lineStart = 0;
    i64 lineWidth = 0;
    bool lineHasChars = false;
    // The last place since lineStart where the line may end, and where the next one then starts.
    size_t breakEnd = SIZE_MAX, breakNext = SIZE_MAX;
    size_t i = 0;
    while (i < size)
    {
        bool old;
        int rgb[3];
        if (text[i] == L'^' && ParseColorCode(text, i, size, old, rgb))
        {
            i += 8;
            continue;
        }
        wchar_t ch = text[i];
        if (ch == L'\n')
        {
            lines.push_back(Line{lineStart, i});
            lineStart = i + 1;
            lineWidth = 0;
            lineHasChars = false;
            breakEnd = breakNext = SIZE_MAX;
            ++i;
            continue;
        }
        if (ch == L'\r')
        {
            ++i;
            continue;
        }
        int w = mFont->CharWidth(ch);
        if (ch == L' ')
        {
            // Blanks may hang past the edge; the line can end before one.
            breakEnd = i;
            breakNext = i + 1;
        }
        else
        {
            bool wide = IsWideChar(ch);
            if (!unlimited && lineHasChars && lineWidth + w > rect.mWidth)
            {
                if (breakEnd != SIZE_MAX && breakEnd > lineStart)
                {
                    lines.push_back(Line{lineStart, breakEnd});
                    lineStart = breakNext;
                }
                else
                {
                    lines.push_back(Line{lineStart, i});
                    lineStart = i;
                }
                lineWidth = visibleWidth(lineStart, i);
                lineHasChars = lineWidth > 0 || lineStart < i;
                breakEnd = breakNext = SIZE_MAX;
            }
            if (wide && lineStart < i)
            {
                breakEnd = i;
                breakNext = i;
            }
            lineWidth += w;
            lineHasChars = true;
            if (wide)
            {
                breakEnd = i + 1;
                breakNext = i + 1;
            }
            ++i;
            continue;
        }
        lineWidth += w;
        lineHasChars = true;
        ++i;
    }
    if (lineStart < size)
        lines.push_back(Line{lineStart, size});
    if (lines.empty())
        return 0;

    // Draw (or measure) line by line; the colour carries over from line to line, and colour
    // codes in the parts that are skipped at breaks (blanks, line feeds) cannot occur.
    const Color original = mColor;
    Color current = original;
    int widest = 0;
    int lastLineWidth = 0;
    i64 charsLeft = maxChars < 0 ? INT64_MAX : maxChars;
    size_t previousEnd = 0;
    for (size_t n = 0; n < lines.size(); ++n)
    {
        const Line& line = lines[n];
        // Codes between the previous line and this one (none in practice) still count.
        ForEachRun(text, previousEnd, line.begin, current, original, [](const CodedRun&) {});
        previousEnd = line.end;
        Color lineStartColor = current;
        int width = 0;
        ForEachRun(text, line.begin, line.end, current, original,
                   [&](const CodedRun& run)
                   { width += mFont->StringWidth(text.substr(run.begin, run.end - run.begin)); });
        widest = std::max(widest, width);
        lastLineWidth = width;
        if (!draw || charsLeft <= 0)
            continue;
        i64 px = rect.mX;
        if (justify == 0 && !unlimited)
            px += (rect.mWidth - width) / 2;
        else if (justify > 0 && !unlimited)
            px += rect.mWidth - width;
        i64 baseline = i64(rect.mY) + mFont->GetAscent() + i64(n) * lineSpacing;
        if (std::abs(px) > INT32_MAX / 2 || std::abs(baseline) > INT32_MAX / 2)
            continue;
        Color runColor = lineStartColor;
        int x = int(px);
        ForEachRun(text, line.begin, line.end, runColor, original,
                   [&](const CodedRun& run)
                   {
                       if (charsLeft <= 0)
                           return;
                       SexyString piece = text.substr(run.begin, run.end - run.begin);
                       int advance = mFont->StringWidth(piece);
                       if (i64(piece.size()) > charsLeft)
                           piece.resize(size_t(charsLeft));
                       charsLeft -= i64(piece.size());
                       mFont->DrawString(this, x, int(baseline), piece, run.color);
                       x += advance;
                   });
    }
    if (maxWidth)
        *maxWidth = widest;
    if (lastWidth)
        *lastWidth = lastLineWidth;
    i64 height = i64(lines.size() - 1) * lineSpacing + mFont->GetHeight();
    return int(std::clamp<i64>(height, 0, INT32_MAX));
}

} // namespace Sexy
