#include "examples/showcase/ShowcaseScreen.h"

#include "examples/showcase/Art.h"
#include "pop/Graphics.h"

#include <algorithm>
#include <cmath>

namespace showcase
{

using Sexy::Color;
using Sexy::Graphics;
using Sexy::MemoryImage;
using Sexy::Rect;
using Sexy::SexyString;

namespace
{

constexpr double kPi = 3.14159265358979323846;

} // namespace

// ---- The buttons --------------------------------------------------------------------------------

class ShowcaseButton : public Sexy::Widget
{
public:
    ShowcaseButton(SexyString label, Sexy::Image* strip, Sexy::Font* font)
        : mLabel(std::move(label)), mStrip(strip), mFont(font)
    {
        mDoFinger = true;
    }

    std::function<void()> onClick;
    std::function<void(bool)> onHover;

    void Draw(Graphics* g) override
    {
        int cel = mIsDown && mIsOver ? 2 : (mIsOver ? 1 : 0);
        g->DrawImageBox(mStrip->GetCelRect(cel), Rect(0, 0, mWidth, mHeight), mStrip);
        g->SetFont(mFont);
        g->SetColor(cel == 0 ? Color(220, 230, 240) : Color(255, 240, 190));
        int shift = cel == 2 ? 1 : 0;
        int baseline = (mHeight + mFont->GetAscent() - mFont->GetDescent()) / 2 + shift;
        g->WriteString(mLabel, shift, baseline, mWidth, 0);
    }
    void MouseEnter() override
    {
        MarkDirty();
        if (onHover)
            onHover(true);
    }
    void MouseLeave() override
    {
        MarkDirty();
        if (onHover)
            onHover(false);
    }
    void MouseDown(int x, int y, int clickCount) override
    {
        (void)x;
        (void)y;
        (void)clickCount;
        MarkDirty();
    }
    using Sexy::Widget::MouseDown;
    void MouseUp(int x, int y, int clickCount) override
    {
        MarkDirty();
        // A left click that is released over the button.
        if (clickCount > 0 && clickCount != 3 && x >= 0 && y >= 0 && x < mWidth && y < mHeight && onClick)
            onClick();
    }
    using Sexy::Widget::MouseUp;

private:
    SexyString mLabel;
    Sexy::Image* mStrip;
    Sexy::Font* mFont;
};

// ---- The screen ---------------------------------------------------------------------------------

namespace
{

// Panel places.
const Rect kImagesPanel(16, 52, 320, 272);
const Rect kCelsPanel(352, 52, 320, 272);
const Rect kTurnsPanel(688, 52, 320, 272);
const Rect kBoxesPanel(16, 336, 320, 272);
const Rect kTextPanel(352, 336, 320, 272);
const Rect kClipPanel(688, 336, 320, 272);
const Rect kWidgetsPanel(16, 620, 992, 106);

} // namespace

ShowcaseScreen::ShowcaseScreen()
{
    Resize(0, 0, kWidth, kHeight);
    mClip = true;
    mTitleFont = std::make_unique<Sexy::SysFont>("宋体", 16, true);
    mFont = std::make_unique<Sexy::SysFont>("宋体", 11);
    mSmallFont = std::make_unique<Sexy::SysFont>("Arial", 9);
    MakeImages();
    MakeBackdrop();

    const SexyString labels[] = {L"按钮 A", L"按钮 B", L"清零 Reset"};
    for (int i = 0; i < 3; ++i)
    {
        auto b = std::make_unique<ShowcaseButton>(labels[i], mButtonStrip.get(), mFont.get());
        b->Resize(kWidgetsPanel.mX + 16 + i * 136, kWidgetsPanel.mY + 40, 120, 40);
        b->onClick = [this, i]
        {
            mClicks = i == 2 ? 0 : mClicks + 1;
            MarkDirty();
        };
        b->onHover = [this, i](bool over)
        {
            if (over)
                mHover = i;
            else if (mHover == i)
                mHover = -1;
            MarkDirty();
        };
        AddWidget(b.get());
        mButtons.push_back(std::move(b));
    }
}

ShowcaseScreen::~ShowcaseScreen()
{
    for (auto& b : mButtons)
        RemoveWidget(b.get());
}

Rect ShowcaseScreen::GetButtonRect(int index) const
{
    if (index < 0 || index >= GetButtonCount())
        return Rect();
    Sexy::Point p = mButtons[size_t(index)]->GetAbsPos();
    return Rect(p.mX, p.mY, mButtons[size_t(index)]->mWidth, mButtons[size_t(index)]->mHeight);
}

void ShowcaseScreen::MakeImages()
{
    // The background: a vertical gradient with a faint grid.
    mBackground = std::make_unique<MemoryImage>(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y)
    {
        uint32_t row = Lerp(Argb(255, 22, 30, 52), Argb(255, 12, 58, 66), double(y) / (kHeight - 1));
        for (int x = 0; x < kWidth; ++x)
        {
            uint32_t c = row;
            if (x % 32 == 0 || y % 32 == 0)
                c = Lerp(c, Argb(255, 90, 120, 150), 0.12);
            Put(*mBackground, x, y, c);
        }
    }
    mBackground->BitsChanged();

    mPanelFrame = std::make_unique<MemoryImage>(24, 24);
    RoundedBox(*mPanelFrame, Rect(0, 0, 24, 24), 7, Argb(215, 24, 34, 56), Argb(215, 16, 24, 40),
               Argb(230, 110, 150, 190), 1);
    mPanelFrame->BitsChanged();

    // A hue sweep across, darker downwards.
    mRainbow = std::make_unique<MemoryImage>(128, 48);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 128; ++x)
            Put(*mRainbow, x, y, Hue(x / 128.0, 1.0 - 0.6 * y / 47.0));
    mRainbow->BitsChanged();

    // Checkerboards: an opaque one and one whose light squares are holes.
    mChecker = std::make_unique<MemoryImage>(64, 64);
    mHoleChecker = std::make_unique<MemoryImage>(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
        {
            bool light = ((x / 8) + (y / 8)) % 2 == 0;
            Put(*mChecker, x, y, light ? Argb(255, 235, 235, 235) : Argb(255, 70, 70, 80));
            Put(*mHoleChecker, x, y, light ? 0 : Argb(255, 240, 180, 60));
        }
    mChecker->BitsChanged();
    mHoleChecker->BitsChanged();

    // A white disc with a soft edge, drawn tinted.
    mDisc = std::make_unique<MemoryImage>(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
        {
            double d = std::hypot(x + 0.5 - 32, y + 0.5 - 32);
            int a = int(std::lround(std::clamp(30.5 - d, 0.0, 1.0) * 255));
            Put(*mDisc, x, y, Argb(a, 255, 255, 255));
        }
    mDisc->BitsChanged();

    // Eight cels side by side: a coloured tile with a pie that fills up and the cel's number.
    constexpr int kCel = 56;
    mCelStrip = std::make_unique<MemoryImage>(kCel * 8, kCel);
    mCelStrip->mNumCols = 8;
    for (int i = 0; i < 8; ++i)
    {
        Rect cel(i * kCel, 0, kCel, kCel);
        RoundedBox(*mCelStrip, Rect(cel.mX + 2, 2, kCel - 4, kCel - 4), 8, Hue(i / 8.0, 0.85), Hue(i / 8.0, 0.55),
                   Argb(255, 250, 250, 250), 2);
        double filled = (i + 1) / 8.0 * 2 * kPi;
        for (int y = 0; y < kCel; ++y)
            for (int x = 0; x < kCel; ++x)
            {
                double dx = x + 0.5 - kCel / 2.0, dy = y + 0.5 - kCel / 2.0;
                double d = std::hypot(dx, dy);
                if (d > 17.5)
                    continue;
                double angle = std::atan2(dx, -dy);
                if (angle < 0)
                    angle += 2 * kPi;
                double edge = std::clamp(17.5 - d, 0.0, 1.0);
                uint32_t under = mCelStrip->GetPixelARGB(cel.mX + x, y);
                uint32_t over = angle <= filled ? Argb(255, 255, 255, 255) : Argb(255, 30, 30, 40);
                Put(*mCelStrip, cel.mX + x, y, Lerp(under, over, edge));
            }
    }
    mCelStrip->BitsChanged();
    {
        Graphics g(mCelStrip.get());
        g.SetFont(mSmallFont.get());
        g.SetColor(Color(255, 255, 255));
        for (int i = 0; i < 8; ++i)
            g.DrawString(Sexy::StrFormat(L"%d", i + 1), i * kCel + 6, 6 + mSmallFont->GetAscent());
    }

    // An arrow that looks different every way it is turned: yellow on top, an "F" at its tail.
    mArrow = std::make_unique<MemoryImage>(72, 48);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 72; ++x)
        {
            bool body = x >= 4 && x < 46 && y >= 14 && y < 34;
            int half = std::abs(y - 24);
            bool head = x >= 46 && x < 70 && half <= (70 - x);
            if (body || head)
                Put(*mArrow, x, y, y < 24 ? Argb(255, 255, 210, 60) : Argb(255, 235, 110, 40));
            else
                Put(*mArrow, x, y, 0);
        }
    mArrow->BitsChanged();
    {
        Graphics g(mArrow.get());
        g.SetFont(mTitleFont.get());
        g.SetColor(Color(20, 30, 80));
        g.DrawString(L"F", 9, 14 + (20 + mTitleFont->GetAscent() - mTitleFont->GetDescent()) / 2);
    }
    mArrowMirror = Sexy::MirrorImage(mArrow.get());
    mArrowFlip = Sexy::FlipImage(mArrow.get());
    mArrowRight = Sexy::RotateImage90Right(mArrow.get());
    mArrowLeft = Sexy::RotateImage90Left(mArrow.get());

    // A frame for nine-slice boxes: gold rim, dark gradient inside, bright corners.
    mBoxFrame = std::make_unique<MemoryImage>(30, 30);
    RoundedBox(*mBoxFrame, Rect(0, 0, 30, 30), 9, Argb(255, 60, 40, 90), Argb(255, 30, 20, 50), Argb(255, 230, 190, 90),
               3);
    for (int cy : {4, 25})
        for (int cx : {4, 25})
            Put(*mBoxFrame, cx, cy, Argb(255, 255, 250, 220));
    mBoxFrame->BitsChanged();

    // Button states side by side: normal, hover, pressed.
    mButtonStrip = std::make_unique<MemoryImage>(90, 30);
    mButtonStrip->mNumCols = 3;
    RoundedBox(*mButtonStrip, Rect(0, 0, 30, 30), 8, Argb(255, 70, 100, 140), Argb(255, 40, 60, 95),
               Argb(255, 130, 170, 210), 1);
    RoundedBox(*mButtonStrip, Rect(30, 0, 30, 30), 8, Argb(255, 95, 135, 185), Argb(255, 55, 85, 130),
               Argb(255, 250, 210, 110), 2);
    RoundedBox(*mButtonStrip, Rect(60, 0, 30, 30), 8, Argb(255, 35, 55, 85), Argb(255, 55, 80, 120),
               Argb(255, 250, 210, 110), 2);
    mButtonStrip->BitsChanged();
}

void ShowcaseScreen::Update()
{
    if (++mTicks % kUpdatesPerCel == 0)
    {
        mCel = (mCel + 1) % 8;
        MarkDirty();
    }
}

void ShowcaseScreen::Label(Graphics* g, const SexyString& text, int x, int y, int width)
{
    g->SetFont(mSmallFont.get());
    g->SetColor(Color(170, 195, 215));
    g->WriteString(text, x, y, width, 0);
}

void ShowcaseScreen::DrawPanel(Graphics* g, const Rect& r, const SexyString& caption)
{
    g->DrawImageBox(r, mPanelFrame.get());
    g->SetFont(mFont.get());
    g->SetColor(Color(140, 200, 255));
    g->WriteString(caption, r.mX + 14, r.mY + 10 + mFont->GetAscent());
    g->SetColor(Color(110, 150, 190, 120));
    g->FillRect(r.mX + 12, r.mY + 14 + mFont->GetHeight(), r.mWidth - 24, 1);
}

void ShowcaseScreen::MakeBackdrop()
{
    // What never changes is drawn once: the background, the title strip and the panels.
    mBackdrop = mBackground->Duplicate();
    Graphics bg(mBackdrop.get());
    Graphics* g = &bg;
    g->SetColor(Color(8, 12, 24, 220));
    g->FillRect(0, 0, kWidth, 40);
    g->SetColor(Color(90, 140, 200, 160));
    g->FillRect(0, 40, kWidth, 1);
    g->SetFont(mTitleFont.get());
    g->SetColor(Color(240, 245, 255));
    g->WriteString(L"pop 展示 ^FFD0600Showcase^oldclr0", 16, 8 + mTitleFont->GetAscent());
    g->SetFont(mSmallFont.get());
    g->SetColor(Color(150, 175, 200));
    g->WriteString(L"1024 × 738 · all pictures are made at run time", kWidth - 16 - 400, 14 + mSmallFont->GetAscent(),
                   400, 1);
    DrawPanel(g, kImagesPanel, L"图像与透明 Images & alpha");
    DrawPanel(g, kCelsPanel, L"帧动画 Cels");
    DrawPanel(g, kTurnsPanel, L"镜像与旋转 Mirror & turn");
    DrawPanel(g, kBoxesPanel, L"九宫格 Nine-slice boxes");
    DrawPanel(g, kTextPanel, L"文字 Text");
    DrawPanel(g, kClipPanel, L"裁剪 Clipping");
    DrawPanel(g, kWidgetsPanel, L"控件 Widgets — hover and click");
}

void ShowcaseScreen::Draw(Graphics* g)
{
    g->DrawImage(mBackdrop.get(), 0, 0);
    DrawImagesPanel(g, kImagesPanel);
    DrawCelsPanel(g, kCelsPanel);
    DrawTurnsPanel(g, kTurnsPanel);
    DrawBoxesPanel(g, kBoxesPanel);
    DrawTextPanel(g, kTextPanel);
    DrawClipPanel(g, kClipPanel);
    DrawWidgetsPanel(g, kWidgetsPanel);
}

void ShowcaseScreen::DrawImagesPanel(Graphics* g, const Rect& r)
{
    const int x = r.mX + 16, y = r.mY + 44;
    g->DrawImage(mRainbow.get(), x, y);
    Label(g, L"gradient", x, y + 60, 128);
    g->DrawImage(mChecker.get(), x + 144, y - 8, 48, 48);
    Label(g, L"checker", x + 136, y + 60, 64);
    g->DrawImage(mHoleChecker.get(), x + 216, y - 8, 64, 48);
    Label(g, L"holes", x + 216, y + 60, 64);

    // Three tinted discs that overlap half transparent, and one added on top.
    const int dy = y + 84;
    g->SetColorizeImages(true);
    g->SetColor(Color(255, 70, 70, 170));
    g->DrawImage(mDisc.get(), x, dy);
    g->SetColor(Color(70, 255, 90, 170));
    g->DrawImage(mDisc.get(), x + 34, dy);
    g->SetColor(Color(70, 120, 255, 170));
    g->DrawImage(mDisc.get(), x + 17, dy + 28);
    g->SetDrawMode(Graphics::DRAWMODE_ADDITIVE);
    g->SetColor(Color(255, 200, 80, 200));
    g->DrawImage(mDisc.get(), x + 150, dy + 10, 48, 48);
    g->SetDrawMode(Graphics::DRAWMODE_NORMAL);
    Label(g, L"alpha blend", x, dy + 96, 100);
    Label(g, L"additive", x + 134, dy + 96, 80);

    // One picture at falling opacity.
    for (int i = 0; i < 4; ++i)
    {
        g->SetColor(Color(255, 255, 255, 255 - i * 60));
        g->DrawImage(mArrow.get(), x + 214 + (i % 2) * 38, dy + (i / 2) * 36, 36, 24);
    }
    g->SetColorizeImages(false);
    Label(g, L"opacity", x + 214, dy + 96, 76);
}

void ShowcaseScreen::DrawCelsPanel(Graphics* g, const Rect& r)
{
    const int x = r.mX + 16, y = r.mY + 44;
    // The whole strip, scaled down, the current cel framed.
    for (int i = 0; i < 8; ++i)
    {
        Rect dest(x + i * 36, y, 32, 32);
        g->DrawImageCel(mCelStrip.get(), dest, i);
        if (i == mCel)
        {
            g->SetColor(Color(255, 220, 90));
            g->DrawRect(dest.mX - 2, dest.mY - 2, dest.mWidth + 4, dest.mHeight + 4);
        }
    }
    Label(g, L"the strip: 8 cels side by side", x, y + 48, 288);
    // The current cel at full size and doubled.
    g->DrawImageCel(mCelStrip.get(), x + 40, y + 70, mCel);
    g->DrawImageCel(mCelStrip.get(), Rect(x + 130, y + 58, 112, 112), mCel);
    g->SetFont(mFont.get());
    g->SetColor(Color(230, 235, 245));
    g->WriteString(Sexy::StrFormat(L"第 %d / 8 帧", mCel + 1), x, y + 200, 288, 0);
    Label(g, L"one cel every 12 updates", x, y + 220, 288);
}

void ShowcaseScreen::DrawTurnsPanel(Graphics* g, const Rect& r)
{
    const int x = r.mX + 16, y = r.mY + 44;
    g->DrawImage(mArrow.get(), x, y);
    Label(g, L"original", x, y + 62, 72);
    g->DrawImage(mArrowMirror.get(), x + 100, y);
    Label(g, L"mirrored", x + 100, y + 62, 72);
    g->DrawImage(mArrowFlip.get(), x + 200, y);
    Label(g, L"flipped", x + 200, y + 62, 72);

    const int y2 = y + 86;
    g->DrawImage(mArrowRight.get(), x + 12, y2);
    Label(g, L"90° right", x, y2 + 80, 72);
    g->DrawImage(mArrowLeft.get(), x + 112, y2);
    Label(g, L"90° left", x + 100, y2 + 80, 72);
    g->DrawImageRotated(mArrow.get(), x + 200, y2 + 12, kPi / 6);
    Label(g, L"30° turn", x + 200, y2 + 80, 72);
    g->DrawImageMirror(mArrow.get(), Rect(x + 100, y2 + 98, 36, 24), Rect(0, 0, 72, 48));
    g->DrawImage(mArrow.get(), Rect(x + 152, y2 + 98, 36, 24), Rect(0, 0, 72, 48));
    Label(g, L"halved while drawn, mirrored and not", x, y2 + 136, 288);
}

void ShowcaseScreen::DrawBoxesPanel(Graphics* g, const Rect& r)
{
    const int x = r.mX + 16, y = r.mY + 44;
    g->DrawImage(mBoxFrame.get(), x, y);
    Label(g, L"source", x - 2, y + 44, 34);
    const Rect boxes[] = {Rect(x + 60, y, 80, 40), Rect(x + 156, y, 132, 64), Rect(x, y + 84, 288, 120)};
    for (const Rect& b : boxes)
        g->DrawImageBox(b, mBoxFrame.get());
    g->SetFont(mSmallFont.get());
    g->SetColor(Color(250, 235, 200));
    g->WriteString(L"80×40", boxes[0].mX, boxes[0].mY + 25, boxes[0].mWidth, 0);
    g->WriteString(L"132×64", boxes[1].mX, boxes[1].mY + 37, boxes[1].mWidth, 0);
    g->SetFont(mFont.get());
    Rect inner(boxes[2].mX + 14, boxes[2].mY + 14, boxes[2].mWidth - 28, boxes[2].mHeight - 28);
    g->WriteWordWrapped(inner,
                        L"角保持原尺寸，边与中心拉伸。Corners keep their size; edges and the middle stretch to "
                        L"fill any box.",
                        -1, 0);
    Label(g, L"one 30×30 picture, three sizes", x, y + 218, 288);
}

void ShowcaseScreen::DrawTextPanel(Graphics* g, const Rect& r)
{
    const int x = r.mX + 16, w = r.mWidth - 32;
    int y = r.mY + 44;
    g->SetFont(mTitleFont.get());
    g->SetColor(Color(245, 245, 250));
    g->WriteString(L"中文与 Latin 混排", x, y + mTitleFont->GetAscent());
    y += mTitleFont->GetLineSpacing() + 6;

    g->SetFont(mFont.get());
    g->SetColor(Color(225, 230, 240));
    g->WriteString(L"颜色：^FF50500红^oldclr0 ^50E0500绿^oldclr0 ^50A0FF0蓝^oldclr0 and ^FFC8200gold^oldclr0 text", x,
                   y + mFont->GetAscent());
    y += mFont->GetLineSpacing() + 8;

    g->SetColor(Color(200, 210, 225));
    int used = g->WriteWordWrapped(
        Rect(x, y, w, 0),
        L"自动换行：中文在任意两字之间都可以断行，English words break only at blanks, so this sentence wraps "
        L"neatly. ^FFB4400颜色也会延续到下一行，^oldclr0 then goes back.",
        -1, -1);
    y += used + 10;

    g->SetColor(Color(110, 150, 190, 120));
    g->FillRect(x, y, w, 1);
    y += 6;
    g->SetColor(Color(235, 225, 170));
    g->WriteString(L"左对齐 Left", x, y + mFont->GetAscent(), w, -1);
    y += mFont->GetLineSpacing();
    g->WriteString(L"居中 Centre", x, y + mFont->GetAscent(), w, 0);
    y += mFont->GetLineSpacing();
    g->WriteString(L"右对齐 Right", x, y + mFont->GetAscent(), w, 1);
}

void ShowcaseScreen::DrawClipPanel(Graphics* g, const Rect& r)
{
    const int x = r.mX + 16, y = r.mY + 44;

    // A large picture seen through a small window.
    Rect window(x, y, 136, 96);
    g->PushState();
    g->ClipRect(window);
    g->DrawImage(mRainbow.get(), x - 40, y - 20, 256, 144);
    g->DrawImage(mHoleChecker.get(), x + 70, y + 40, 96, 96);
    g->PopState();
    g->SetColor(Color(255, 255, 255, 200));
    g->DrawRect(window.mX - 1, window.mY - 1, window.mWidth + 2, window.mHeight + 2);
    Label(g, L"picture in a window", x, y + 112, 136);

    // Text cut off at the clip's edge.
    Rect textClip(x + 152, y, 136, 96);
    g->SetColor(Color(0, 0, 0, 90));
    g->FillRect(textClip);
    g->PushState();
    g->ClipRect(textClip);
    g->SetFont(mTitleFont.get());
    g->SetColor(Color(255, 210, 120));
    g->WriteString(L"裁剪文字 clipped text", x + 160, y + 30);
    g->SetFont(mFont.get());
    g->SetColor(Color(180, 220, 255));
    g->WriteString(L"一行很长的文字会被边缘切掉", x + 160, y + 62);
    g->PopState();
    g->SetColor(Color(255, 255, 255, 200));
    g->DrawRect(textClip.mX - 1, textClip.mY - 1, textClip.mWidth + 2, textClip.mHeight + 2);
    Label(g, L"text cut at the edge", x + 152, y + 112, 136);

    // Two clips narrow each other: only the overlap is painted.
    const Rect a(x + 20, y + 136, 150, 70), b(x + 110, y + 160, 160, 70);
    g->SetColor(Color(255, 255, 255, 70));
    g->DrawRect(a);
    g->DrawRect(b);
    g->PushState();
    g->ClipRect(a);
    g->ClipRect(b);
    g->DrawImage(mChecker.get(), x, y + 120, 288, 120);
    g->PopState();
    Label(g, L"nested clips: the overlap only", x, y + 218, 288);
}

void ShowcaseScreen::DrawWidgetsPanel(Graphics* g, const Rect& r)
{
    const int x = r.mX + 440;
    g->SetFont(mTitleFont.get());
    g->SetColor(Color(255, 230, 150));
    g->WriteString(Sexy::StrFormat(L"点击次数 Clicks: %d", mClicks), x, r.mY + 52 + mTitleFont->GetAscent());
    static const wchar_t* const kNames[] = {L"按钮 A", L"按钮 B", L"清零 Reset"};
    g->SetFont(mFont.get());
    g->SetColor(Color(190, 210, 230));
    SexyString hover = mHover >= 0 ? SexyString(L"悬停 Hover: ") + kNames[mHover] : SexyString(L"悬停 Hover: —");
    g->WriteString(hover, x + 300, r.mY + 52 + mFont->GetAscent());
    Label(g, L"A and B count, Reset clears; the pointer turns into a hand over the buttons", x, r.mY + 92, -1);
}

} // namespace showcase
