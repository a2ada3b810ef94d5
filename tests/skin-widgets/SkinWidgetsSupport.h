// What the skinned widgets' tests share: a font whose glyphs are solid boxes of a fixed width (so
// that text positions and pixels are exact), pictures made in memory with one colour per cel, a
// skin variable set for the life of a test, and a headless game with a table view.
#pragma once

#include "pop/Font.h"
#include "pop/Graphics.h"
#include "pop/Image.h"
#include "pop/TestHarness.h"
#include "pop/Widget.h"
#include "tests/support/SessionHarness.h"

#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <vector>

namespace skintest
{

// Every character but a blank is a box kWidth wide from the top of the line to its bottom.
class BoxFont : public Sexy::Font
{
public:
    static constexpr int kWidth = 6;
    static constexpr int kAscent = 9;
    static constexpr int kDescent = 3;

    int GetAscent() const override { return kAscent; }
    int GetDescent() const override { return kDescent; }
    int GetHeight() const override { return kAscent + kDescent; }
    int GetLineSpacing() const override { return GetHeight(); }
    int StringWidth(const Sexy::SexyString& text) override { return static_cast<int>(text.size()) * kWidth; }
    int CharWidth(wchar_t) override { return kWidth; }
    void DrawString(Sexy::Graphics* g, int x, int y, const Sexy::SexyString& text, const Sexy::Color& color) override
    {
        const Sexy::Color old = g->GetColor();
        g->SetColor(color);
        for (size_t i = 0; i < text.size(); ++i)
        {
            if (text[i] != L' ')
                g->FillRect(x + static_cast<int>(i) * kWidth, y - kAscent, kWidth, GetHeight());
        }
        g->SetColor(old);
    }
    std::unique_ptr<Sexy::Font> Duplicate() const override { return std::make_unique<BoxFont>(); }
};

// How many pixels of a screen rectangle lie near the colour (the sum of the channels' distances
// below 30): enough for text, whose glyph edges are blended.
inline int CountNear(const Sexy::TestHarness& h, int x, int y, int w, int hgt, const Sexy::Color& c)
{
    int n = 0;
    for (int yy = y; yy < y + hgt; ++yy)
        for (int xx = x; xx < x + w; ++xx)
        {
            const Sexy::Color p = h.Pixel(xx, yy);
            n += std::abs(p.mRed - c.mRed) + std::abs(p.mGreen - c.mGreen) + std::abs(p.mBlue - c.mBlue) < 30;
        }
    return n;
}

// A picture of cols x rows cels of celW x celH, each filled with its own colour, given row by row.
inline std::unique_ptr<Sexy::DDImage> CelImage(int cols, int rows, int celW, int celH,
                                               const std::vector<Sexy::Color>& colors)
{
    auto image = std::make_unique<Sexy::DDImage>(cols * celW, rows * celH);
    image->mNumCols = cols;
    image->mNumRows = rows;
    Sexy::Graphics g(image.get());
    for (int cel = 0; cel < cols * rows; ++cel)
    {
        g.SetColor(colors[static_cast<size_t>(cel) % colors.size()]);
        g.FillRect(image->GetCelRect(cel));
    }
    return image;
}

inline std::unique_ptr<Sexy::DDImage> SolidImage(int w, int h, const Sexy::Color& color)
{
    return CelImage(1, 1, w, h, {color});
}

// Puts a picture into a skin variable and takes it out again (before the application, which
// would release it, goes).
class ScopedSkinImage
{
public:
    ScopedSkinImage(Sexy::Image*& variable, std::unique_ptr<Sexy::DDImage> image)
        : m_variable(variable), m_image(std::move(image))
    {
        m_variable = m_image.get();
    }
    ~ScopedSkinImage() { m_variable = nullptr; }
    ScopedSkinImage(const ScopedSkinImage&) = delete;
    ScopedSkinImage& operator=(const ScopedSkinImage&) = delete;

private:
    Sexy::Image*& m_variable;
    std::unique_ptr<Sexy::DDImage> m_image;
};

// A widget that fills its rectangle with one colour, to lie beneath the widget under test.
class Backdrop : public Sexy::Widget
{
public:
    static inline const Sexy::Color kColor{30, 60, 90};
    void Draw(Sexy::Graphics* g) override
    {
        g->SetColor(kColor);
        g->FillRect(0, 0, mWidth, mHeight);
    }
};

// The view of a game that records which animation layers ended and may delete one of them then.
class LayerView : public Ostra::GameViewBase
{
public:
    using GameViewBase::GameViewBase;
    void GameReserved1() override {}
    void GameReserved2() override {}
    void GameReserved3() override {}
    void OnSelfReady() override {}
    void HandleAgainLoginRes(std::uintptr_t, long) override {}
    void HandleSitDownRes(std::uintptr_t, long) override {}
    void OnAnimateEnd(int layer) override
    {
        ended.push_back(layer);
        if (onEnd)
            onEnd(layer);
    }

    std::vector<int> ended;
    std::function<void(int)> onEnd;
};

// A headless application (its skin pictures all missing) with a table view in its widget manager.
struct SkinGame
{
    SkinGame() { harness.GetWidgetManager()->AddWidget(&view); }

    testsupport::TestGameApp app;
    Sexy::TestHarness harness{app};
    LayerView view{&app};
};

} // namespace skintest
