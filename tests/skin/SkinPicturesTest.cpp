// The default skin against the games that load it: every picture the library and the table view
// ask for is there under the name they use, cut into the cels they set on it; the pictures fit
// the places the window, the view and the dialogs draw them at; and the marks a player tells apart
// (membership, heads, title-bar buttons) do differ.
#include "assets/SkinWriter.h"
#include "tests/pop/PixelTestUtil.h"

#include "pop/Image.h"
#include "pop/SexyAppBase.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace skin;

namespace
{

struct Rect
{
    int x, y, w, h;
    bool Inside(const Rect& o) const { return x >= o.x && y >= o.y && x + w <= o.x + o.w && y + h <= o.y + o.h; }
    bool Meets(const Rect& o) const { return x < o.x + o.w && o.x < x + w && y < o.y + o.h && o.y < y + h; }
};

// The skin written once for the whole suite, read back as the games read it: names relative to
// the game's folder, or to the platform root above it when they start with "..".
class SkinPictures : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        sDir = std::make_unique<poptest::TempDir>();
        sWritten = WriteSkin(skin::SkinPictures(), sDir->Path());
    }
    static void TearDownTestSuite() { sDir.reset(); }

    void SetUp() override { ASSERT_TRUE(sWritten.ok) << sWritten.error; }

    static std::string Path(const std::string& systemName)
    {
        for (const char* up : {"..\\", "../"})
            if (systemName.rfind(up, 0) == 0)
                return sDir->Path() + "/shared/" + systemName.substr(3);
        return sDir->Path() + "/game/" + systemName;
    }

    // Loaded as the framework loads it; null when missing. The cache keeps the suite quick.
    static Sexy::DDImage* Load(const std::string& systemName)
    {
        auto found = sImages.find(systemName);
        if (found == sImages.end())
            found = sImages.emplace(systemName, Sexy::LoadImageWithoutExtension(Path(systemName))).first;
        return found->second.get();
    }

    static Rect Size(const std::string& name, int cels = 1)
    {
        const Sexy::DDImage* image = Load(name);
        return image ? Rect{0, 0, image->GetWidth() / cels, image->GetHeight()} : Rect{0, 0, 0, 0};
    }

    static std::unique_ptr<poptest::TempDir> sDir;
    static WriteResult sWritten;
    static std::map<std::string, std::unique_ptr<Sexy::DDImage>> sImages;
};

std::unique_ptr<poptest::TempDir> SkinPictures::sDir;
WriteResult SkinPictures::sWritten;
std::map<std::string, std::unique_ptr<Sexy::DDImage>> SkinPictures::sImages;

// The box where a cel's drawing is solid (its shadow and glow left out), moved to where it is drawn.
Rect SolidBox(const Sexy::Image* image, int cel, int cels, int atX, int atY)
{
    const int w = image->GetWidth() / cels, h = image->GetHeight();
    int left = w, top = h, right = -1, bottom = -1;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (image->GetPixel(cel * w + x, y).mAlpha > 128)
            {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    return right < 0 ? Rect{atX, atY, 0, 0} : Rect{atX + left, atY + top, right - left + 1, bottom - top + 1};
}

// The part of two pictures' pixels that differ plainly, both laid on a mid grey.
double Difference(const Sexy::Image* a, const Sexy::Image* b, int celsA = 1, int celsB = 1)
{
    const int w = std::min(a->GetWidth() / celsA, b->GetWidth() / celsB);
    const int h = std::min(a->GetHeight(), b->GetHeight());
    auto onGrey = [](const Sexy::Color& c, int channel) { return (channel * c.mAlpha + 128 * (255 - c.mAlpha)) / 255; };
    int differing = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            const Sexy::Color p = a->GetPixel(x, y), q = b->GetPixel(x, y);
            const int d = std::max({std::abs(onGrey(p, p.mRed) - onGrey(q, q.mRed)),
                                    std::abs(onGrey(p, p.mGreen) - onGrey(q, q.mGreen)),
                                    std::abs(onGrey(p, p.mBlue) - onGrey(q, q.mBlue))});
            differing += d > 40;
        }
    return double(differing) / (w * h);
}

} // namespace

// What the application loads at start, the user list's pictures and the speech bubbles, by the
// names the system gives them (backslashes, letter case and extensions as written there), with the
// cels across that are set on them.
TEST_F(SkinPictures, EveryNameTheSystemLoadsIsThereInCelsThatDivideIt)
{
    struct Entry
    {
        std::string name;
        int cels;
    };
    std::vector<Entry> entries = {
        {"images/base/message", 1},
        {"images/base/ok", 3},
        {"images/base/cancel", 3},
        {"images/base/list/scroll_up", 4},
        {"images/base/list/scroll_down", 4},
        {"images/base/list/scroll_thumb", 3},
        {"images/base/list/scroll_track", 1},
        {"images/base/list/header_span", 1},
        {"images/base/list/list_header_span", 1},
        {"images/base/list/list_selected", 1},
        {"images/base/edit_send", 4},
        {"images/base/set/set_bg", 1},
        {"images/base/set/check_box", 2},
        {"images/base/set/radio_button", 2},
        {"images/base/set/slider_thumb", 1},
        {"images/base/set/slider_track", 1},
        {"images/base/btn/min", 3},
        {"images/base/btn/esc", 3},
        {"images/base/btn/revert", 3},
        {"images/base/btn/max", 3},
        {"images/base/btn/rule", 4},
        {"images/base/btn/screen", 4},
        {"images/base/btn/chongzhi", 1},
        {"images/base/btn/set", 4},
        {"images/base/btn/min", 4}, // the hidden link buttons take the minimise picture as 4 cels
        {"images/base/btn/replay_play", 4},
        {"images/base/btn/replay_pause", 4},
        {"images/base/btn/replay_fast", 4},
        {"images/base/btn/replay_faststop", 4},
        {"images/base/btn/replay_quit", 4},
        {"images/data/bg", 1},
        {"images/base/net_speed", 3},
        {"images/base/bullbak", 1},
        {"images/base/btn/closebull", 3},
        {"images/base/btn/quick_chat", 3},
        {"images/base/quick_chat_bg", 1},
        {"images/base/btn/edit_send", 4},
        {"images/base/user_menu_bg", 1},
        {"images/base/btn/chair1", 3},
        {"images/base/btn/chair2", 3},
        {"..\\UserImage\\default0\\n_6", 1},
        {"..\\UserImage\\default1\\n_6", 1},
        {"..\\UserImage\\default0\\show_n", 1},
        {"..\\UserImage\\default1\\show_n", 1},
        {"images/data/show_frame", 1},
        {"images/data/show_frame_flash", 1},
        {"images/base/btn/start", 4},
        {"images/base/btn/changedesk", 4},
        {"images/base/btn/note_start", 4},
        {"images/base/edit_send_bg", 1},
        {"../UserImage/Default0/n.jpg", 1},
        {"../UserImage/Default1/n.jpg", 1},
        {"images/base/25.bmp", 1},
    };
    for (int level = 1; level <= 6; ++level)
    {
        entries.push_back({"images/base/vip" + std::to_string(level), 1});
        entries.push_back({"images/base/hvip" + std::to_string(level), 1});
    }
    for (int bubble = 0; bubble < 4; ++bubble)
        entries.push_back({"images\\base\\chat\\chat" + std::to_string(bubble), 1});

    for (const Entry& e : entries)
    {
        SCOPED_TRACE(e.name);
        const Sexy::DDImage* image = Load(e.name);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->GetWidth() % e.cels, 0) << image->GetWidth() << " wide";
        // A name given with its extension is found as written, not by trying others.
        if (e.name.size() > 4 && e.name[e.name.size() - 4] == '.')
        {
            EXPECT_TRUE(Sexy::FileExists(Path(e.name)));
        }
    }
    // The bitmap keeps its transparency.
    const Sexy::DDImage* member = Load("images/base/25.bmp");
    EXPECT_EQ(member->GetPixel(0, 0).mAlpha, 0);
    EXPECT_EQ(member->GetPixel(9, 9).mAlpha, 255);

    // Head pictures are probed from 1 until the first gap, as .jpg for the list and without
    // extension for the seats: a few of them, in both kinds, and none beyond the gap.
    int heads = 0;
    while (Sexy::FileExists(Path("../UserImage/Head/head_4_" + std::to_string(heads + 1) + ".jpg")))
        ++heads;
    EXPECT_GE(heads, 4);
    for (int k = 1; k <= heads + 1; ++k)
        EXPECT_EQ(Load("..\\UserImage\\Head\\head_6_" + std::to_string(k)) != nullptr, k <= heads) << k;
}

// The places the window, the view and the dialogs put the pictures at, and what must fit there.
TEST_F(SkinPictures, PicturesFitTheLayoutsTheyAreDrawnIn)
{
    constexpr int kWindowW = 1024, kWindowH = 738;
    // The ground: the window draws it whole, the view cuts (5, 33, 1014, 700) out of it.
    const Rect bg = Size("images/data/bg");
    EXPECT_EQ(bg.w, kWindowW);
    EXPECT_EQ(bg.h, kWindowH);

    // The message box: three lines of text from y 66 with 20 between them, in a width 64 less than
    // the box's; the buttons at y 159, side by side 10 from the middle, inside the box.
    const Rect msg = Size("images/base/message"), ok = Size("images/base/ok", 3),
               cancel = Size("images/base/cancel", 3);
    EXPECT_GE(msg.w - 64, 190);
    EXPECT_LE(66 + 3 * 20, 159);
    EXPECT_TRUE((Rect{msg.w / 2 - ok.w - 10, 159, ok.w, ok.h}.Inside({4, 0, msg.w - 8, msg.h - 4})));
    EXPECT_TRUE((Rect{msg.w / 2 + 10, 159, cancel.w, cancel.h}.Inside({4, 0, msg.w - 8, msg.h - 4})));
    EXPECT_GT(msg.h - 15, 159 + ok.h); // the countdown's place below the buttons

    // The settings dialog's nine controls and its buttons: inside the dialog, none over another.
    const Rect set = Size("images/base/set/set_bg");
    const Rect box = Size("images/base/set/check_box"), radio = Size("images/base/set/radio_button");
    const Rect thumb = Size("images/base/set/slider_thumb"), track = Size("images/base/set/slider_track");
    EXPECT_EQ(box.w % 2, 0);
    EXPECT_EQ(radio.w % 2, 0);
    const Rect controls[] = {
        {35, 57, box.w / 2 + 60, box.h},      {52, 71, track.w, thumb.h},
        {53, 98, radio.w / 2 + 45, radio.h},  {133, 98, radio.w / 2 + 45, radio.h},
        {35, 128, box.w / 2 + 90, box.h},     {52, 144, track.w, thumb.h},
        {35, 172, box.w / 2 + 60, box.h},     {52, 189, track.w, thumb.h},
        {35, 218, radio.w / 2 + 60, radio.h}, {32, 259, ok.w, ok.h},
        {161, 259, cancel.w, cancel.h},
    };
    for (size_t i = 0; i < std::size(controls); ++i)
    {
        EXPECT_TRUE(controls[i].Inside({0, 0, set.w, set.h})) << "control " << i;
        for (size_t j = i + 1; j < std::size(controls); ++j)
            EXPECT_FALSE(controls[i].Meets(controls[j])) << "controls " << i << " and " << j;
    }
    EXPECT_GE(thumb.h, track.h);

    // The title bar: close and minimise at y 0, the others at y 8, all within the 32-pixel strip,
    // their solid plates clear of each other (minimise overlaps close by 5 pixels of its cel).
    struct Placed
    {
        const char* name;
        int cels, x, y;
    };
    const int esc = Size("images/base/btn/esc", 3).w, min = Size("images/base/btn/min", 3).w;
    const int shot = Size("images/base/btn/screen", 4).w, help = Size("images/base/btn/rule", 4).w;
    const int play = Size("images/base/btn/replay_play", 4).w, quit = Size("images/base/btn/replay_quit", 4).w;
    const int x1 = kWindowW - esc, x3 = x1 + 5 - min - 80, r = (kWindowW - 3 * play) / 2;
    const Placed bar[] = {
        {"images/base/btn/esc", 3, x1, 0},
        {"images/base/btn/min", 3, x1 + 5 - min, 0},
        {"images/base/btn/screen", 4, x3, 8},
        {"images/base/btn/rule", 4, x3 - shot, 8},
        {"images/base/btn/set", 4, x3 - shot - help, 8},
        {"images/base/btn/replay_play", 4, r, 8},
        {"images/base/btn/replay_fast", 4, r + play, 8},
        {"images/base/btn/replay_quit", 4, r + play + quit, 8},
    };
    std::vector<Rect> plates;
    for (const Placed& p : bar)
    {
        const Sexy::DDImage* image = Load(p.name);
        ASSERT_NE(image, nullptr) << p.name;
        EXPECT_LE(p.y + image->GetHeight(), 32) << p.name;
        plates.push_back(SolidBox(image, 0, p.cels, p.x, p.y));
        EXPECT_GT(plates.back().w, 0) << p.name;
    }
    for (size_t i = 0; i < plates.size(); ++i)
        for (size_t j = i + 1; j < plates.size(); ++j)
            EXPECT_FALSE(plates[i].Meets(plates[j])) << bar[i].name << " and " << bar[j].name;
    EXPECT_EQ(Size("images/base/btn/replay_pause", 4).w, play); // each pair shares a place
    EXPECT_EQ(Size("images/base/btn/replay_faststop", 4).w, Size("images/base/btn/replay_fast", 4).w);

    // The bulletin strip (1012 x 32, below the title bar): its ground drawn from y 2, its close
    // button 6 below the top and 18 from the window's right edge.
    const Rect bull = Size("images/base/bullbak"), close = Size("images/base/btn/closebull", 3);
    EXPECT_EQ(bull.w, 1012);
    EXPECT_LE(2 + bull.h, 32);
    EXPECT_TRUE((Rect{kWindowW - close.w - 18, 6, close.w, close.h}.Inside({0, 2, 1012, bull.h})));

    // The chat input: the quick-chat button right of the edit box, on the ground stretched under
    // both, the send button 6 further right, all inside the window's 5-pixel frame.
    const Rect ground{700, 711, 296, 20}, inside{5, 33, kWindowW - 10, kWindowH - 38};
    const Rect quick = Size("images/base/btn/quick_chat", 3), send = Size("images/base/btn/edit_send", 4);
    const Rect quickAt{708 + 272, 711 + 5, quick.w, quick.h}, sendAt{quickAt.x + quick.w + 6, 711 + 1, send.w, send.h};
    EXPECT_TRUE(quickAt.Inside(ground));
    EXPECT_TRUE(sendAt.Inside(inside));
    EXPECT_FALSE(sendAt.Meets(ground));

    // Scrollbars: square arrows as wide as the bar, a track as thick, a thumb of 3 x 3 cels.
    const Rect up = Size("images/base/list/scroll_up", 4), down = Size("images/base/list/scroll_down", 4);
    const Rect thumbGrid = Size("images/base/list/scroll_thumb");
    EXPECT_EQ(up.w, up.h);
    EXPECT_EQ(down.w, up.w);
    EXPECT_EQ(down.h, up.h);
    EXPECT_EQ(Size("images/base/list/scroll_track").w, up.w);
    EXPECT_EQ(thumbGrid.w, 3 * up.w);
    EXPECT_EQ(thumbGrid.h % 3, 0);

    // Portraits: the seats' 60 x 60 (their click box), the list's as high as its 18-pixel rows, the
    // membership marks likewise; a bubble holds four lines of 18.
    for (const char* name :
         {"..\\UserImage\\default0\\n_6", "..\\UserImage\\default1\\show_n", "..\\UserImage\\Head\\head_6_1"})
        EXPECT_TRUE((Size(name).w == 60 && Size(name).h == 60)) << name;
    for (const char* name :
         {"../UserImage/Default0/n.jpg", "../UserImage/Head/head_4_1.jpg", "images/base/vip1", "images/base/25.bmp"})
        EXPECT_TRUE((Size(name).w == 18 && Size(name).h == 18)) << name;
    EXPECT_GE(Size("images\\base\\chat\\chat0").h, 4 * 18 + 16);
    const Rect frame = Size("images/data/show_frame");
    EXPECT_TRUE((Rect{6, 6, 60, 60}.Inside({0, 0, frame.w, frame.h})));
}

// Marks that stand for different things differ in a good part of their pixels, not in a few.
TEST_F(SkinPictures, MarksThatMeanDifferentThingsLookDifferent)
{
    struct Group
    {
        const char* what;
        std::vector<std::string> names;
        int cels;
    };
    std::vector<Group> groups = {
        {"membership", {"images/base/25.bmp"}, 1},
        {"heads", {"..\\UserImage\\default0\\n_6", "..\\UserImage\\default1\\n_6"}, 1},
        {"list heads", {"../UserImage/Default0/n.jpg", "../UserImage/Default1/n.jpg"}, 1},
        {"title bar",
         {"images/base/btn/esc", "images/base/btn/min", "images/base/btn/revert", "images/base/btn/max"},
         3},
        {"bar buttons",
         {"images/base/btn/rule", "images/base/btn/screen", "images/base/btn/set", "images/base/btn/replay_play",
          "images/base/btn/replay_pause", "images/base/btn/replay_fast", "images/base/btn/replay_faststop",
          "images/base/btn/replay_quit"},
         4},
    };
    for (int level = 1; level <= 6; ++level)
    {
        groups[0].names.push_back("images/base/vip" + std::to_string(level));
        groups[0].names.push_back("images/base/hvip" + std::to_string(level));
    }
    for (int k = 1; Sexy::FileExists(Path("../UserImage/Head/head_4_" + std::to_string(k) + ".jpg")); ++k)
    {
        groups[1].names.push_back("..\\UserImage\\Head\\head_6_" + std::to_string(k));
        groups[2].names.push_back("../UserImage/Head/head_4_" + std::to_string(k) + ".jpg");
    }
    for (const Group& g : groups)
        for (size_t i = 0; i < g.names.size(); ++i)
            for (size_t j = i + 1; j < g.names.size(); ++j)
            {
                const Sexy::DDImage* a = Load(g.names[i]);
                const Sexy::DDImage* b = Load(g.names[j]);
                ASSERT_TRUE(a && b) << g.names[i] << " " << g.names[j];
                EXPECT_GE(Difference(a, b, g.cels, g.cels), 0.06)
                    << g.what << ": " << g.names[i] << " and " << g.names[j];
            }
}
