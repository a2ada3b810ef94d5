// The showcase screen: one 1024 x 738 widget that shows what pop draws — pictures made at run time
// (gradients, checkerboards, a cel strip), cels, nine-slice boxes, mirrored and turned pictures,
// alpha, clipping, Chinese and Latin text with colour codes and word wrap — and a few widgets that
// take the mouse (hover highlight, a click counter). Used by the pop-showcase program and the pop
// benchmarks.
#pragma once

#include "pop/Image.h"
#include "pop/SysFont.h"
#include "pop/Widget.h"

#include <functional>
#include <memory>
#include <vector>

namespace showcase
{

class ShowcaseButton;

class ShowcaseScreen : public Sexy::Widget
{
public:
    static constexpr int kWidth = 1024;
    static constexpr int kHeight = 738;
    // Updates per cel of the animated strip.
    static constexpr int kUpdatesPerCel = 12;

    ShowcaseScreen();
    ~ShowcaseScreen() override;

    void Update() override;
    void Draw(Sexy::Graphics* g) override;

    int GetClicks() const { return mClicks; }
    int GetCel() const { return mCel; }
    // The interactive buttons, in screen coordinates: 0 and 1 count clicks, 2 resets the count.
    int GetButtonCount() const { return static_cast<int>(mButtons.size()); }
    Sexy::Rect GetButtonRect(int index) const;

private:
    void MakeImages();
    void MakeBackdrop();
    void DrawPanel(Sexy::Graphics* g, const Sexy::Rect& r, const Sexy::SexyString& caption);
    void DrawImagesPanel(Sexy::Graphics* g, const Sexy::Rect& r);
    void DrawCelsPanel(Sexy::Graphics* g, const Sexy::Rect& r);
    void DrawTurnsPanel(Sexy::Graphics* g, const Sexy::Rect& r);
    void DrawBoxesPanel(Sexy::Graphics* g, const Sexy::Rect& r);
    void DrawTextPanel(Sexy::Graphics* g, const Sexy::Rect& r);
    void DrawClipPanel(Sexy::Graphics* g, const Sexy::Rect& r);
    void DrawWidgetsPanel(Sexy::Graphics* g, const Sexy::Rect& r);
    void Label(Sexy::Graphics* g, const Sexy::SexyString& text, int x, int y, int width);

    std::unique_ptr<Sexy::SysFont> mTitleFont;
    std::unique_ptr<Sexy::SysFont> mFont;
    std::unique_ptr<Sexy::SysFont> mSmallFont;

    std::unique_ptr<Sexy::MemoryImage> mBackground;
    std::unique_ptr<Sexy::MemoryImage> mBackdrop;
    std::unique_ptr<Sexy::MemoryImage> mPanelFrame;
    std::unique_ptr<Sexy::MemoryImage> mRainbow;
    std::unique_ptr<Sexy::MemoryImage> mChecker;
    std::unique_ptr<Sexy::MemoryImage> mHoleChecker;
    std::unique_ptr<Sexy::MemoryImage> mDisc;
    std::unique_ptr<Sexy::MemoryImage> mCelStrip;
    std::unique_ptr<Sexy::MemoryImage> mArrow;
    std::unique_ptr<Sexy::DDImage> mArrowMirror;
    std::unique_ptr<Sexy::DDImage> mArrowFlip;
    std::unique_ptr<Sexy::DDImage> mArrowRight;
    std::unique_ptr<Sexy::DDImage> mArrowLeft;
    std::unique_ptr<Sexy::MemoryImage> mBoxFrame;
    std::unique_ptr<Sexy::MemoryImage> mButtonStrip;

    std::vector<std::unique_ptr<ShowcaseButton>> mButtons;
    int mClicks = 0;
    int mCel = 0;
    int mTicks = 0;
    int mHover = -1;
};

} // namespace showcase
