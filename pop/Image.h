// Images: pixel rectangles in 32-bit ARGB (0xAARRGGBB in native byte order, straight alpha).
//
// Image is what widgets hold and Graphics draws: size, cel grid and read access to the pixels.
// MemoryImage is an image that can be created blank and written to (the screen is one). DDImage is
// the type of pictures loaded from files. Every image owns its pixels; copying an image object is
// not allowed, copies of the pixels are made explicitly (Duplicate, MirrorImage, ...).
#pragma once

#include "pop/Color.h"
#include "pop/Point.h"

#include <cstdint>
#include <memory>
#include <string>

struct SDL_Surface;

namespace Sexy
{

struct SurfaceDeleter
{
    void operator()(SDL_Surface* surface) const;
};
using SurfacePtr = std::unique_ptr<SDL_Surface, SurfaceDeleter>;

class Image
{
public:
    Image();
    virtual ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    int GetWidth() const { return mWidth; }
    int GetHeight() const { return mHeight; }
    bool IsValid() const { return mSurface != nullptr; }

    // The cel grid: the picture is cut into mNumCols columns and mNumRows rows of equal cels,
    // numbered row by row from the top left. Values below 1 count as 1.
    int mNumRows = 1;
    int mNumCols = 1;
    // The name the picture was loaded from (empty for images made in memory).
    std::string mFilePath;

    int GetCelWidth() const;
    int GetCelHeight() const;
    int GetCelCount() const;
    // The source rectangle of a cel; cel numbers outside the grid wrap around into it.
    Rect GetCelRect(int cel) const;
    Rect GetCelRect(int col, int row) const;

    // One pixel as 0xAARRGGBB; 0 outside the image.
    uint32_t GetPixelARGB(int x, int y) const;
    Color GetPixel(int x, int y) const { return Color::FromARGB(GetPixelARGB(x, y)); }

    // Row-major pixels, GetPitch() pixels per row (at least the width); null for an empty image.
    const uint32_t* GetBits() const;
    int GetPitch() const;

    // True when some pixel is not fully opaque. Computed on first use after each change; opaque
    // images are copied instead of blended, which is several times faster.
    bool HasAlpha() const;

    // Counts changes of the pixels, so that caches built from an image know when to rebuild.
    uint32_t GetChangeCount() const { return mChangeCount; }
    // To be called after writing pixels directly.
    void BitsChanged();

    // For the framework's own use (drawing, uploads to the screen): the ARGB8888 surface, or null.
    SDL_Surface* GetSurface() const { return mSurface.get(); }

protected:
    // Takes over a surface that is already ARGB8888 (or null) and updates the size.
    void AdoptSurface(SurfacePtr surface);

    SurfacePtr mSurface;
    int mWidth = 0;
    int mHeight = 0;
    uint32_t mChangeCount = 0;
    mutable int mAlphaState = -1; // -1 unknown, 0 opaque, 1 has alpha
};

class MemoryImage : public Image
{
public:
    MemoryImage() = default;
    // A transparent image of this size (empty when the size is not positive or too large).
    MemoryImage(int width, int height);

    // Replaces the pixels with a transparent width x height picture. False (and an empty image)
    // when the size is not positive, larger than 16384 on a side, or memory runs out.
    bool Create(int width, int height);
    // Sets every pixel to the colour (transparent black by default).
    void Clear(const Color& color = Color::Transparent);

    uint32_t* GetBits();
    using Image::GetBits;

    // Pixel writes outside the image are ignored.
    void SetPixelARGB(int x, int y, uint32_t argb);
    void SetPixel(int x, int y, const Color& color) { SetPixelARGB(x, y, color.ToARGB()); }

    // Copies of the whole picture with the same cel grid and file name.
    std::unique_ptr<MemoryImage> Duplicate() const;

    // In-place changes, cel by cel: every cel is mirrored left-right (or flipped top-bottom) where
    // it stands, so the order of the cels in the grid is kept (a button strip keeps its states).
    void MirrorInPlace();
    void FlipInPlace();

    // Loads a picture file (any format SDL_image reads) from a native path; false on failure, in
    // which case the image is left unchanged.
    bool LoadFromFile(const std::string& nativePath);
    // Takes the pixels of any SDL surface (converted to ARGB8888); the surface is not consumed.
    bool SetFromSurface(SDL_Surface* surface);
};

// The type of pictures loaded from files.
class DDImage : public MemoryImage
{
public:
    DDImage() = default;
    DDImage(int width, int height) : MemoryImage(width, height) {}
};

// Loads a picture by a native path or a system file name (resolved with platform::ResolvePath).
// Null when the file is missing or cannot be read.
std::unique_ptr<DDImage> LoadImageFromFile(const std::string& path);

// Loads a picture named without extension, as the system names its pictures ("images\\data\\bg"):
// the name is resolved with platform::ResolvePath (GBK, backslashes, any letter case) and tried
// as given, then with .png, .jpg, .jpeg, .gif, .bmp and .tga appended. Null when none loads.
std::unique_ptr<DDImage> LoadImageWithoutExtension(const std::string& systemPath);

// New images made from a source image (null when the source is null or empty). The source's cel
// grid is kept; MirrorImage and FlipImage work cel by cel (see MirrorInPlace).
//   MirrorImage: left-right mirror.
//   FlipImage: top-bottom flip.
//   RotateImage90Right: the whole picture turned a quarter turn clockwise; the width and height
//     swap and so do the grid's columns and rows, so a strip of cels side by side becomes a strip
//     of cels one above the other, in the same order from the top.
//   RotateImage90Left: a quarter turn counter-clockwise; grid as above.
std::unique_ptr<DDImage> MirrorImage(const Image* source);
std::unique_ptr<DDImage> FlipImage(const Image* source);
std::unique_ptr<DDImage> RotateImage90Right(const Image* source);
std::unique_ptr<DDImage> RotateImage90Left(const Image* source);

} // namespace Sexy

namespace ImageLib
{

// Write a picture file to a system file name (resolved with platform::ResolvePath). False when
// the image is null or empty or the file cannot be written. Quality is 0..100.
bool WriteJPEGImage(const std::string& fileName, Sexy::Image* image, int quality = 90);
bool WritePNGImage(const std::string& fileName, Sexy::Image* image);

} // namespace ImageLib
