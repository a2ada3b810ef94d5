// Colours of the framework: four channels 0..255, alpha 255 opaque.
#pragma once

#include <cstdint>

namespace Sexy
{

class Color
{
public:
    int mRed = 0;
    int mGreen = 0;
    int mBlue = 0;
    int mAlpha = 255;

    // Opaque black.
    Color() = default;
    Color(int red, int green, int blue) : mRed(red), mGreen(green), mBlue(blue) {}
    Color(int red, int green, int blue, int alpha) : mRed(red), mGreen(green), mBlue(blue), mAlpha(alpha) {}
    // An opaque colour written as 0xRRGGBB (the upper byte is ignored).
    explicit Color(int rgb) : mRed((rgb >> 16) & 0xFF), mGreen((rgb >> 8) & 0xFF), mBlue(rgb & 0xFF) {}
    // 0xRRGGBB with an explicit alpha.
    Color(int rgb, int alpha) : mRed((rgb >> 16) & 0xFF), mGreen((rgb >> 8) & 0xFF), mBlue(rgb & 0xFF), mAlpha(alpha) {}

    // A colour packed as 0xAARRGGBB, the pixel format of every image.
    static Color FromARGB(uint32_t argb)
    {
        return Color((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF, (argb >> 24) & 0xFF);
    }

    int GetRed() const { return mRed; }
    int GetGreen() const { return mGreen; }
    int GetBlue() const { return mBlue; }
    int GetAlpha() const { return mAlpha; }

    // Channels clamped to 0..255 and packed as 0xAARRGGBB.
    uint32_t ToARGB() const
    {
        return (uint32_t(Clamp(mAlpha)) << 24) | (uint32_t(Clamp(mRed)) << 16) | (uint32_t(Clamp(mGreen)) << 8) |
               uint32_t(Clamp(mBlue));
    }
    // The same packing as an int, as older callers expect it.
    int ToInt() const { return static_cast<int>(ToARGB()); }

    bool operator==(const Color& other) const
    {
        return mRed == other.mRed && mGreen == other.mGreen && mBlue == other.mBlue && mAlpha == other.mAlpha;
    }
    bool operator!=(const Color& other) const { return !(*this == other); }

    static const Color Black;
    static const Color White;
    static const Color Red;
    static const Color Green;
    static const Color Blue;
    static const Color Yellow;
    static const Color Cyan;
    static const Color Magenta;
    static const Color Gray;
    static const Color Transparent; // 0, 0, 0, 0

private:
    static int Clamp(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }
};

} // namespace Sexy
