#include "pop/Image.h"

#include "platform/Path.h"

#include <SDL.h>
#include <SDL_image.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

namespace Sexy
{

namespace
{

// Larger pictures are refused rather than risking a size overflow in the pixel arithmetic.
constexpr int kMaxSide = 16384;

bool IsRegularFile(const std::string& path)
{
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

SurfacePtr NewSurface(int width, int height)
{
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide)
        return nullptr;
    SurfacePtr surface(SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_ARGB8888));
    if (surface)
        std::memset(surface->pixels, 0, size_t(surface->pitch) * size_t(height));
    return surface;
}

uint32_t* Row(SDL_Surface* s, int y)
{
    return reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(s->pixels) + size_t(y) * size_t(s->pitch));
}

const uint32_t* Row(const SDL_Surface* s, int y)
{
    return reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(s->pixels) + size_t(y) * size_t(s->pitch));
}

} // namespace

void SurfaceDeleter::operator()(SDL_Surface* surface) const
{
    SDL_FreeSurface(surface);
}

// ---- Image ----------------------------------------------------------------------------------

Image::Image() = default;
Image::~Image() = default;

int Image::GetCelWidth() const
{
    return mWidth / std::max(1, mNumCols);
}

int Image::GetCelHeight() const
{
    return mHeight / std::max(1, mNumRows);
}

int Image::GetCelCount() const
{
    return std::max(1, mNumCols) * std::max(1, mNumRows);
}

Rect Image::GetCelRect(int cel) const
{
    int cols = std::max(1, mNumCols);
    int count = GetCelCount();
    cel %= count;
    if (cel < 0)
        cel += count;
    return GetCelRect(cel % cols, cel / cols);
}

Rect Image::GetCelRect(int col, int row) const
{
    int cols = std::max(1, mNumCols);
    int rows = std::max(1, mNumRows);
    col = ((col % cols) + cols) % cols;
    row = ((row % rows) + rows) % rows;
    int w = GetCelWidth();
    int h = GetCelHeight();
    return Rect(col * w, row * h, w, h);
}

uint32_t Image::GetPixelARGB(int x, int y) const
{
    if (!mSurface || x < 0 || y < 0 || x >= mWidth || y >= mHeight)
        return 0;
    return Row(mSurface.get(), y)[x];
}

const uint32_t* Image::GetBits() const
{
    return mSurface ? static_cast<const uint32_t*>(mSurface->pixels) : nullptr;
}

int Image::GetPitch() const
{
    return mSurface ? mSurface->pitch / 4 : 0;
}

bool Image::HasAlpha() const
{
    if (mAlphaState < 0)
    {
        mAlphaState = 0;
        for (int y = 0; y < mHeight && mAlphaState == 0; ++y)
        {
            const uint32_t* row = Row(mSurface.get(), y);
            uint32_t all = 0xFF000000u;
            for (int x = 0; x < mWidth; ++x)
                all &= row[x];
            if ((all & 0xFF000000u) != 0xFF000000u)
                mAlphaState = 1;
        }
    }
    return mAlphaState == 1;
}

void Image::BitsChanged()
{
    ++mChangeCount;
    mAlphaState = -1;
}

void Image::AdoptSurface(SurfacePtr surface)
{
    mSurface = std::move(surface);
    mWidth = mSurface ? mSurface->w : 0;
    mHeight = mSurface ? mSurface->h : 0;
    BitsChanged();
}

// ---- MemoryImage ----------------------------------------------------------------------------

MemoryImage::MemoryImage(int width, int height)
{
    Create(width, height);
}

bool MemoryImage::Create(int width, int height)
{
    AdoptSurface(NewSurface(width, height));
    return mSurface != nullptr;
}

void MemoryImage::Clear(const Color& color)
{
    if (!mSurface)
        return;
    uint32_t argb = color.ToARGB();
    for (int y = 0; y < mHeight; ++y)
        std::fill_n(Row(mSurface.get(), y), mWidth, argb);
    BitsChanged();
}

uint32_t* MemoryImage::GetBits()
{
    return mSurface ? static_cast<uint32_t*>(mSurface->pixels) : nullptr;
}

void MemoryImage::SetPixelARGB(int x, int y, uint32_t argb)
{
    if (!mSurface || x < 0 || y < 0 || x >= mWidth || y >= mHeight)
        return;
    Row(mSurface.get(), y)[x] = argb;
    BitsChanged();
}

std::unique_ptr<MemoryImage> MemoryImage::Duplicate() const
{
    auto copy = std::make_unique<MemoryImage>();
    if (mSurface)
        copy->SetFromSurface(mSurface.get());
    copy->mNumCols = mNumCols;
    copy->mNumRows = mNumRows;
    copy->mFilePath = mFilePath;
    return copy;
}

void MemoryImage::MirrorInPlace()
{
    if (!mSurface)
        return;
    for (int cel = 0; cel < GetCelCount(); ++cel)
    {
        Rect r = GetCelRect(cel);
        for (int y = r.mY; y < r.mY + r.mHeight; ++y)
        {
            uint32_t* row = Row(mSurface.get(), y) + r.mX;
            std::reverse(row, row + r.mWidth);
        }
    }
    BitsChanged();
}

void MemoryImage::FlipInPlace()
{
    if (!mSurface)
        return;
    for (int cel = 0; cel < GetCelCount(); ++cel)
    {
        Rect r = GetCelRect(cel);
        for (int top = r.mY, bottom = r.mY + r.mHeight - 1; top < bottom; ++top, --bottom)
            std::swap_ranges(Row(mSurface.get(), top) + r.mX, Row(mSurface.get(), top) + r.mX + r.mWidth,
                             Row(mSurface.get(), bottom) + r.mX);
    }
    BitsChanged();
}

bool MemoryImage::SetFromSurface(SDL_Surface* surface)
{
    if (!surface || surface->w <= 0 || surface->h <= 0 || surface->w > kMaxSide || surface->h > kMaxSide)
        return false;
    SurfacePtr converted(SDL_ConvertSurfaceFormat(surface, SDL_PIXELFORMAT_ARGB8888, 0));
    if (!converted)
        return false;
    // Drawing sets blending per call; the copy starts from a neutral state and is never RLE
    // encoded, so its pixels can be addressed directly.
    SDL_SetSurfaceRLE(converted.get(), 0);
    SDL_SetColorKey(converted.get(), SDL_FALSE, 0);
    SDL_SetSurfaceBlendMode(converted.get(), SDL_BLENDMODE_BLEND);
    AdoptSurface(std::move(converted));
    return true;
}

bool MemoryImage::LoadFromFile(const std::string& nativePath)
{
    SurfacePtr loaded(IMG_Load(nativePath.c_str()));
    if (!loaded || !SetFromSurface(loaded.get()))
        return false;
    mFilePath = nativePath;
    return true;
}

// ---- Loading and copies -----------------------------------------------------------------------

std::unique_ptr<DDImage> LoadImageFromFile(const std::string& path)
{
    std::string native = IsRegularFile(path) ? path : platform::ResolvePath(path);
    if (!IsRegularFile(native))
        return nullptr;
    auto image = std::make_unique<DDImage>();
    if (!image->LoadFromFile(native))
        return nullptr;
    image->mFilePath = path;
    return image;
}

std::unique_ptr<DDImage> LoadImageWithoutExtension(const std::string& systemPath)
{
    if (systemPath.empty())
        return nullptr;
    static const char* const kExtensions[] = {"", ".png", ".jpg", ".jpeg", ".gif", ".bmp", ".tga"};
    for (const char* ext : kExtensions)
    {
        std::string native = platform::ResolvePath(systemPath + ext);
        if (!IsRegularFile(native))
            continue;
        auto image = std::make_unique<DDImage>();
        if (image->LoadFromFile(native))
        {
            image->mFilePath = systemPath;
            return image;
        }
    }
    return nullptr;
}

namespace
{

std::unique_ptr<DDImage> CopyOf(const Image* source)
{
    if (!source || !source->GetSurface())
        return nullptr;
    auto copy = std::make_unique<DDImage>();
    if (!copy->SetFromSurface(source->GetSurface()))
        return nullptr;
    copy->mNumCols = source->mNumCols;
    copy->mNumRows = source->mNumRows;
    copy->mFilePath = source->mFilePath;
    return copy;
}

// clockwise: the source pixel (x, y) goes to (h - 1 - y, x); otherwise to (y, w - 1 - x).
std::unique_ptr<DDImage> Rotated(const Image* source, bool clockwise)
{
    if (!source || !source->GetSurface())
        return nullptr;
    int w = source->GetWidth();
    int h = source->GetHeight();
    auto out = std::make_unique<DDImage>(h, w);
    if (!out->IsValid())
        return nullptr;
    const SDL_Surface* src = source->GetSurface();
    SDL_Surface* dst = out->GetSurface();
    for (int y = 0; y < h; ++y)
    {
        const uint32_t* row = Row(src, y);
        for (int x = 0; x < w; ++x)
        {
            if (clockwise)
                Row(dst, x)[h - 1 - y] = row[x];
            else
                Row(dst, w - 1 - x)[y] = row[x];
        }
    }
    out->BitsChanged();
    out->mNumCols = source->mNumRows;
    out->mNumRows = source->mNumCols;
    out->mFilePath = source->mFilePath;
    return out;
}

} // namespace

std::unique_ptr<DDImage> MirrorImage(const Image* source)
{
    auto copy = CopyOf(source);
    if (copy)
        copy->MirrorInPlace();
    return copy;
}

std::unique_ptr<DDImage> FlipImage(const Image* source)
{
    auto copy = CopyOf(source);
    if (copy)
        copy->FlipInPlace();
    return copy;
}

std::unique_ptr<DDImage> RotateImage90Right(const Image* source)
{
    return Rotated(source, true);
}

std::unique_ptr<DDImage> RotateImage90Left(const Image* source)
{
    return Rotated(source, false);
}

} // namespace Sexy

namespace ImageLib
{

bool WriteJPEGImage(const std::string& fileName, Sexy::Image* image, int quality)
{
    if (!image || !image->GetSurface())
        return false;
    quality = std::clamp(quality, 0, 100);
    std::string native = platform::ResolvePath(fileName);
    // JPEG has no alpha: the pixels are written as they are, without their alpha.
    Sexy::SurfacePtr rgb(SDL_ConvertSurfaceFormat(image->GetSurface(), SDL_PIXELFORMAT_RGB24, 0));
    return rgb && IMG_SaveJPG(rgb.get(), native.c_str(), quality) == 0;
}

bool WritePNGImage(const std::string& fileName, Sexy::Image* image)
{
    if (!image || !image->GetSurface())
        return false;
    std::string native = platform::ResolvePath(fileName);
    return IMG_SavePNG(image->GetSurface(), native.c_str()) == 0;
}

} // namespace ImageLib
