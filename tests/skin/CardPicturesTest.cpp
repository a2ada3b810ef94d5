// The playing cards and the landlord game's pictures as the game uses them: a hand shows only the
// left strip of each card, so those strips must tell every card apart; red suits are red and black
// ones carry no red at all; the cards fill their cels but for the rounded corners; button states and
// animation frames differ, and the animations move the way the game expects.
#include "assets/Picture.h"

#include "pop/Image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using namespace skin;

namespace
{

struct Strip
{
    const Picture* row = nullptr;
    std::unique_ptr<Sexy::MemoryImage> image;

    int CelWidth() const { return row->CelWidth(); }
    Sexy::Color At(int cel, int x, int y) const { return image->GetPixel(cel * CelWidth() + x, y); }
};

Strip Render(const std::string& name)
{
    static const std::vector<Picture> table = SkinPictures();
    Strip s;
    for (const Picture& p : table)
        if (p.name == name)
            s.row = &p;
    if (s.row)
        s.image = RenderPicture(*s.row);
    return s;
}

bool Differ(const Sexy::Color& a, const Sexy::Color& b)
{
    return std::max({std::abs(a.mRed - b.mRed), std::abs(a.mGreen - b.mGreen), std::abs(a.mBlue - b.mBlue),
                     std::abs(a.mAlpha - b.mAlpha)}) > 40;
}

// How many pixels of two cels' columns [0, columns) differ plainly.
int Differing(const Strip& s, int a, const Strip& t, int b, int columns)
{
    int n = 0;
    for (int y = 0; y < std::min(s.row->height, t.row->height); ++y)
        for (int x = 0; x < columns; ++x)
            n += Differ(s.At(a, x, y), t.At(b, x, y));
    return n;
}

int Differing(const Strip& s, int a, int b, int columns)
{
    return Differing(s, a, s, b, columns);
}

bool RedInk(const Sexy::Color& c)
{
    return c.mAlpha > 128 && c.mRed > 150 && c.mGreen < 90 && c.mBlue < 90;
}

struct Ink
{
    int area = 0, top = -1;
    double centreX = 0;
};

// The part of a cel more opaque than the threshold: its area, its topmost row and the mean column
// of its pixels.
Ink InkOf(const Strip& s, int cel, int threshold = 128)
{
    Ink ink;
    for (int y = 0; y < s.row->height; ++y)
        for (int x = 0; x < s.CelWidth(); ++x)
            if (s.At(cel, x, y).mAlpha > threshold)
            {
                ink.top = ink.area++ ? ink.top : y;
                ink.centreX += x;
            }
    ink.centreX /= std::max(1, ink.area);
    return ink;
}

} // namespace

TEST(CardPictures, EveryCardShowsInItsStripAndFillsItsRoundedCel)
{
    struct Case
    {
        const char* name;
        int celWidth, height, strip, radius;
    };
    const Case cases[] = {{"images/cards/card", 71, 96, 18, 5}, {"images/cards/card_small", 46, 62, 14, 4}};
    constexpr int kCels = 55, kBack = 54, kFaces = 54;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        const Strip s = Render(c.name);
        ASSERT_TRUE(s.row && s.image);
        EXPECT_EQ(s.row->part, SkinPart::Game);
        EXPECT_EQ(s.row->format, FileFormat::Png);
        ASSERT_EQ(s.row->cels, kCels);
        ASSERT_EQ(s.row->width, kCels * c.celWidth);
        ASSERT_EQ(s.row->height, c.height);

        for (int cel = 0; cel < kCels; ++cel)
        {
            SCOPED_TRACE("cel " + std::to_string(cel));
            // The card lies one pixel in from the cel's edge.
            int holes = 0;
            for (int y = 1; y < c.height - 1; ++y)
                for (int x = 1; x < c.celWidth - 1; ++x)
                {
                    const int r = c.radius + 1;
                    const bool inCorner = (x < r || x >= c.celWidth - r) && (y < r || y >= c.height - r);
                    holes += !inCorner && s.At(cel, x, y).mAlpha != 255;
                }
            EXPECT_EQ(holes, 0) << "see-through pixels inside the card";
            for (const auto& [x, y] :
                 {std::pair{0, 0}, {c.celWidth - 1, 0}, {0, c.height - 1}, {c.celWidth - 1, c.height - 1}})
                EXPECT_EQ(s.At(cel, x, y).mAlpha, 0) << "corner " << x << "," << y;
        }

        for (int card = 0; card < kFaces; ++card)
        {
            const bool red = card == 53 || (card < 52 && (card / 13 == 1 || card / 13 == 3));
            int redPixels = 0;
            for (int y = 0; y < c.height; ++y)
                for (int x = 0; x < c.celWidth; ++x)
                    redPixels += RedInk(s.At(card, x, y));
            if (red)
                EXPECT_GT(redPixels, 20) << "card " << card << " lacks red";
            else
                EXPECT_EQ(redPixels, 0) << "card " << card << " has red ink";
            EXPECT_GT(Differing(s, card, kBack, c.celWidth), c.celWidth * c.height / 3) << "card " << card;
        }

        // The strip a hand leaves showing: rank and suit must tell each card from every other.
        for (int a = 0; a < kFaces; ++a)
            for (int b = a + 1; b < kFaces; ++b)
                EXPECT_GT(Differing(s, a, b, c.strip), 6) << "cards " << a << " and " << b << " look alike";
    }
}

TEST(LandlordPictures, EveryPictureIsThereAndItsCelsDiffer)
{
    enum Kind
    {
        Button,  // states differ; the shadow fades out before the cel's edge
        Opaque,  // every pixel solid
        Floating // drawn on a transparent ground: clear corners, some ink in every cel
    };
    struct Case
    {
        const char* name;
        int celWidth, height, cels;
        Kind kind;
    };
    const Case cases[] = {
        {"btn_play", 96, 40, 4, Button},   {"btn_pass", 96, 40, 4, Button},        {"btn_hint", 96, 40, 4, Button},
        {"btn_bid0", 96, 40, 4, Button},   {"btn_bid1", 96, 40, 4, Button},        {"btn_bid2", 96, 40, 4, Button},
        {"btn_bid3", 96, 40, 4, Button},   {"btn_auto", 96, 40, 4, Button},        {"btn_unauto", 120, 40, 4, Button},
        {"btn_ready", 96, 40, 4, Button},  {"mark_landlord", 44, 44, 1, Floating}, {"mark_farmer", 44, 44, 1, Floating},
        {"clock", 52, 56, 1, Floating},    {"result_bg", 440, 280, 1, Opaque},     {"bomb", 160, 160, 8, Floating},
        {"rocket", 120, 220, 8, Floating}, {"spring", 260, 110, 6, Floating},      {"plane", 200, 100, 6, Floating},
    };
    const Strip landlord = Render("images/landlord/mark_landlord"), farmer = Render("images/landlord/mark_farmer");
    ASSERT_TRUE(landlord.image && farmer.image);
    EXPECT_GT(Differing(landlord, 0, farmer, 0, 44), 44 * 44 / 10) << "the landlord's mark looks like the farmers'";
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        const Strip s = Render(std::string("images/landlord/") + c.name);
        ASSERT_TRUE(s.row && s.image);
        EXPECT_EQ(s.row->part, SkinPart::Game);
        EXPECT_EQ(s.row->format, FileFormat::Png);
        ASSERT_EQ(s.row->cels, c.cels);
        ASSERT_EQ(s.row->width, c.cels * c.celWidth);
        ASSERT_EQ(s.row->height, c.height);
        for (int cel = 0; cel < c.cels; ++cel)
        {
            SCOPED_TRACE("cel " + std::to_string(cel));
            if (cel > 0)
            {
                EXPECT_GT(Differing(s, cel - 1, cel, c.celWidth), c.celWidth * c.height / 100);
            }
            // Faint counts here: an animation may fade out.
            const Ink ink = InkOf(s, cel, 32);
            EXPECT_GT(ink.area, c.celWidth * c.height / 100);
            if (c.kind == Opaque)
            {
                EXPECT_EQ(InkOf(s, cel, 254).area, c.celWidth * c.height) << "see-through pixels";
                continue;
            }
            for (const auto& [x, y] :
                 {std::pair{0, 0}, {c.celWidth - 1, 0}, {0, c.height - 1}, {c.celWidth - 1, c.height - 1}})
                EXPECT_EQ(s.At(cel, x, y).mAlpha, 0) << "corner " << x << "," << y;
        }
    }
}

// The rocket climbs, the aircraft crosses to the right, the spring's word and the bomb's burst grow.
TEST(LandlordPictures, AnimationsMoveTheWayTheGameShowsThem)
{
    const Strip rocket = Render("images/landlord/rocket"), plane = Render("images/landlord/plane");
    const Strip spring = Render("images/landlord/spring"), bomb = Render("images/landlord/bomb");
    ASSERT_TRUE(rocket.image && plane.image && spring.image && bomb.image);
    for (int cel = 1; cel < rocket.row->cels; ++cel)
        EXPECT_LT(InkOf(rocket, cel).top, InkOf(rocket, cel - 1).top) << "rocket cel " << cel;
    for (int cel = 1; cel < plane.row->cels; ++cel)
        EXPECT_GT(InkOf(plane, cel).centreX, InkOf(plane, cel - 1).centreX + 10) << "plane cel " << cel;
    for (int cel = 1; cel < 4; ++cel)
        EXPECT_GT(InkOf(spring, cel).area, InkOf(spring, cel - 1).area) << "spring cel " << cel;
    for (int cel = 3; cel < 5; ++cel)
        EXPECT_GT(InkOf(bomb, cel).area, InkOf(bomb, cel - 1).area) << "bomb cel " << cel;
    // The burst outgrows the bomb it comes from.
    EXPECT_GT(InkOf(bomb, 4).area, 2 * InkOf(bomb, 0).area);
}
