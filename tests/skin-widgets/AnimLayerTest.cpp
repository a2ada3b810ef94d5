// Animation layers: the frames a pass runs through (once, endlessly, there and back), the movement
// landing on its end point, the drawn cel and alpha, the picture loaded by name and let go at the
// end, and the view's map of layers.
#include "tests/skin-widgets/SkinWidgetsSupport.h"

#include "tessaro/widgets/AnimLayer.h"
#include "tessaro/widgets/Timer.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace
{

using namespace skintest;
using Sexy::Color;
using Sexy::TPoint;

constexpr int kElapse = 50;

const std::vector<Color> kCelColors = {Color(255, 0, 0),   Color(0, 255, 0),   Color(0, 0, 255), Color(255, 255, 0),
                                       Color(255, 0, 255), Color(0, 255, 255), Color(128, 0, 0), Color(0, 128, 0)};

// One period of the layer's timer.
void Tick(Ostra::AnimLayer& layer)
{
    for (int i = 0; i < Ostra::Timer::TicksFor(kElapse); ++i)
        layer.Update();
}

TEST(AnimLayer, FramesOfEachPassAndTheEnd)
{
    struct Case
    {
        const char* name;
        int cols, rows, frameNum, repeat;
        bool pingPong;
        std::vector<int> frames; // after each tick
        int endsAfter;           // ticks until OnAnimateEnd, 0 for never
    };
    const Case cases[] = {
        // Every cel of a 4 x 2 picture, then resting on the last.
        {"once", 4, 2, 0, 1, false, {1, 2, 3, 4, 5, 6, 7, 7}, 8},
        {"endless",
         4,
         2,
         0,
         Ostra::AnimLayer::kRepeatForever,
         false,
         {1, 2, 3, 4, 5, 6, 7, 0, 1, 2, 3, 4, 5, 6, 7, 0},
         0},
        {"three frames given", 4, 2, 3, 2, false, {1, 2, 0, 1, 2, 2}, 6},
        // There and back, twice: each pass starts forwards again.
        {"ping-pong", 4, 1, 0, 2, true, {1, 2, 3, 3, 2, 1, 0, 1, 2, 3, 3, 2, 1, 3}, 14},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        SkinGame game;
        auto image = CelImage(c.cols, c.rows, 4, 4, kCelColors);
        Ostra::AnimLayer layer(&game.view);
        layer.Init(image.get(), 3, false, false);
        ASSERT_EQ(layer.ShowAnimate(TPoint<int>(0, 0), TPoint<int>(0, 0), kElapse, c.frameNum, c.repeat, false, -1, 255,
                                    255, 0, c.pingPong, false, nullptr),
                  0);
        for (size_t i = 0; i < c.frames.size(); ++i)
        {
            Tick(layer);
            EXPECT_EQ(layer.m_iCurFrame, c.frames[i]) << "tick " << i + 1;
            const bool ended = c.endsAfter != 0 && static_cast<int>(i) + 1 >= c.endsAfter;
            EXPECT_EQ(game.view.ended, ended ? std::vector<int>{3} : std::vector<int>{}) << "tick " << i + 1;
        }
        EXPECT_TRUE(layer.m_bActive); // not hidden at the end
    }
}

TEST(AnimLayer, MovesInStepsOntoTheEndPointAndFades)
{
    for (int layerId : {-1, 5})
    {
        SCOPED_TRACE(layerId);
        SkinGame game;
        auto image = CelImage(4, 2, 4, 4, kCelColors); // more frames than steps
        Ostra::AnimLayer layer(&game.view);
        layer.Init(image.get(), layerId, false, false);
        layer.ShowAnimate(TPoint<int>(0, 0), TPoint<int>(10, 20), kElapse, 0, 1, false, -1, 255, 0, 3, false, false,
                          nullptr);
        EXPECT_EQ(layer.m_iAlphaStep, -85);
        const TPoint<int> path[] = {{3, 6}, {6, 12}, {10, 20}};
        for (const TPoint<int>& at : path)
        {
            Tick(layer);
            EXPECT_EQ(layer.m_ptCur, at);
        }
        // The third step ends it, on the end point whether the view hears of it or not.
        EXPECT_EQ(game.view.ended.size(), layerId >= 0 ? 1u : 0u);
        for (int i = 0; i < 3; ++i)
            Tick(layer);
        EXPECT_EQ(layer.m_ptCur, TPoint<int>(10, 20));
    }
}

TEST(AnimLayer, DrawsTheCurrentCelAtItsAlpha)
{
    SkinGame game;
    auto image = CelImage(4, 2, 10, 10, kCelColors);
    Ostra::AnimLayer layer(&game.view);
    layer.Init(image.get(), 1, false, false);
    Sexy::TRect<int> part(0, 0, 4, 10);
    layer.ShowAnimate(TPoint<int>(20, 30), TPoint<int>(20, 30), kElapse, 0, 1, false, -1, 128, 128, 0, false, false,
                      &part);
    Tick(layer);
    Tick(layer);
    ASSERT_EQ(layer.m_iCurFrame, 2);

    Sexy::MemoryImage canvas(100, 100);
    canvas.Clear(Color::Black);
    Sexy::Graphics g(&canvas);
    layer.Draw(&g);
    // Cel 2 is blue, drawn half transparent over black, only its 4-pixel-wide part.
    const Color drawn = canvas.GetPixel(21, 35);
    EXPECT_EQ(drawn.mRed, 0);
    EXPECT_NEAR(drawn.mBlue, 128, 2);
    EXPECT_EQ(canvas.GetPixel(24, 35), Color::Black);
    EXPECT_EQ(canvas.GetPixel(21, 29), Color::Black);
    EXPECT_FALSE(g.GetColorizeImages()); // the caller's graphics as it was

    layer.StopAnimate(true, true);
    EXPECT_FALSE(layer.m_bActive);
    EXPECT_EQ(game.view.ended, std::vector<int>{1});
    canvas.Clear(Color::Black);
    layer.Draw(&g);
    EXPECT_EQ(canvas.GetPixel(21, 35), Color::Black);
}

TEST(AnimLayer, NamedPictureLoadedOnShowLetGoAtTheEndAndTheLayerDeletedByTheView)
{
    SkinGame game;
    const std::string name = std::string(game.app.m_szModuleDir) + "coin";
    ASSERT_TRUE(ImageLib::WritePNGImage(name + ".png", CelImage(2, 1, 8, 8, kCelColors).get()));

    Ostra::AnimLayer missing(&game.view);
    missing.Init(name + "-none", 1, 2, 8, false, false);
    EXPECT_EQ(missing.ShowAnimate({}, {}, kElapse, 0, 1, true, -1, 255, 255, 0, false, false, nullptr), 0);
    EXPECT_FALSE(missing.m_bActive);

    auto layer = std::make_unique<Ostra::AnimLayer>(&game.view);
    layer->Init(name, 1, 2, 7, true, false);
    layer->ShowAnimate({}, {}, kElapse, 0, 1, true, -1, 255, 255, 0, false, false, nullptr);
    ASSERT_NE(layer->m_pImage, nullptr);
    EXPECT_EQ(layer->m_pImage->mNumCols, 2);
    EXPECT_EQ(layer->m_iFrameNum, 2);
    Tick(*layer);
    Tick(*layer);
    EXPECT_EQ(game.view.ended, std::vector<int>{7});
    EXPECT_FALSE(layer->m_bActive);
    EXPECT_EQ(layer->m_pImage, nullptr);

    // Shown again, it loads the picture again; this time the view deletes the layer at its end.
    layer->ShowAnimate({}, {}, kElapse, 0, 1, true, -1, 255, 255, 0, false, false, nullptr);
    ASSERT_NE(layer->m_pImage, nullptr);
    game.view.onEnd = [&](int) { layer.reset(); };
    for (int i = 0; i < Ostra::Timer::TicksFor(kElapse) * 2 && layer; ++i)
        layer->Update();
    EXPECT_EQ(layer, nullptr);
    EXPECT_EQ(game.view.m_mapAnimLayer.count(7), 0u);
    EXPECT_EQ(game.view.m_mapAnimLayer.at(8), &missing);
}

TEST(AnimLayer, TheViewsMapFollowsInitAndDestruction)
{
    SkinGame game;
    auto image = CelImage(1, 1, 4, 4, kCelColors);
    auto& map = game.view.m_mapAnimLayer;
    auto first = std::make_unique<Ostra::AnimLayer>(&game.view);
    first->Init(image.get(), 4, false, false);
    EXPECT_EQ(map.at(4), first.get());
    first->Init(image.get(), 6, false, false); // moves to its new id
    EXPECT_EQ(map.count(4), 0u);
    EXPECT_EQ(map.at(6), first.get());

    // A second layer under the same id takes the entry, and keeps it when the first goes.
    Ostra::AnimLayer second(&game.view);
    second.Init("images/none", 1, 1, 6, false, false);
    EXPECT_EQ(map.at(6), &second);
    first.reset();
    EXPECT_EQ(map.at(6), &second);
}

} // namespace

namespace
{

// The view drives the layers registered under their own ids on every update and draws them
// above its children; a layer whose end notice deletes another layer (and itself) leaves the
// view's walk safe, and the survivor goes on.
TEST(AnimLayer, TheViewRunsAndDrawsItsLayersAndSurvivesTheirDeletion)
{
    SkinGame game;
    game.view.Resize(0, 0, 200, 100);
    auto red = CelImage(1, 1, 10, 10, {Color(255, 0, 0)});
    auto blue = CelImage(1, 1, 10, 10, {Color(0, 0, 255)});
    auto first = std::make_unique<Ostra::AnimLayer>(&game.view);
    auto second = std::make_unique<Ostra::AnimLayer>(&game.view);
    Ostra::AnimLayer lasting(&game.view);
    first->Init(red.get(), 1, false, false);
    second->Init(red.get(), 2, false, false);
    lasting.Init(blue.get(), 3, false, false);
    first->ShowAnimate({20, 20}, {20, 20}, kElapse, 1, 1, true, -1, 255, 255, 0, false, false, nullptr);
    second->ShowAnimate({40, 20}, {40, 20}, kElapse, 1, 5, false, -1, 255, 255, 0, false, false, nullptr);
    lasting.ShowAnimate({60, 20}, {60, 20}, kElapse, 1, Ostra::AnimLayer::kRepeatForever, false, -1, 255, 255, 0, false,
                        false, nullptr);
    game.view.onEnd = [&](int id)
    {
        if (id == 1)
        {
            second.reset();
            first.reset();
        }
    };

    game.harness.Draw();
    EXPECT_EQ(game.harness.Pixel(25, 25), Color(255, 0, 0));
    EXPECT_EQ(game.harness.Pixel(65, 25), Color(0, 0, 255));
    game.harness.Step(Ostra::Timer::TicksFor(kElapse));
    EXPECT_EQ(game.view.ended, std::vector<int>{1});
    EXPECT_EQ(first, nullptr);
    EXPECT_EQ(second, nullptr);
    EXPECT_EQ(game.view.m_mapAnimLayer.size(), 1u);
    game.harness.Step(3 * Ostra::Timer::TicksFor(kElapse));
    EXPECT_TRUE(lasting.m_bActive);
    game.harness.Draw();
    EXPECT_EQ(game.harness.Pixel(25, 25), Color(0, 0, 0));
    EXPECT_EQ(game.harness.Pixel(65, 25), Color(0, 0, 255));
}

} // namespace
