// The gallery's check tells drawn pieces from the ground, and the page keeps its pieces drawn
// while it runs and answers the menu, the field and the bulletin's close button.
#include "examples/gallery/GalleryApp.h"
#include "examples/gallery/GalleryPage.h"

#include "pop/Graphics.h"
#include "pop/Image.h"
#include "pop/TestHarness.h"
#include "tessaro/widgets/ChatListWidget.h"
#include "tessaro/widgets/MenuWidget.h"
#include "tessaro/widgets/SkinEditWidget.h"
#include "tessaro/widgets/TopBullWidget.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace
{

using Sexy::Color;
using Sexy::Rect;

const Color kGround(20, 60, 40);

std::unique_ptr<Sexy::MemoryImage> Solid(const Color& color)
{
    auto image = std::make_unique<Sexy::MemoryImage>(100, 50);
    image->Clear(color);
    return image;
}

// The check's report and its count of empty pieces.
struct Report
{
    std::string text;
    int empty = 0;
};

Report Check(const Sexy::Image& screen, const Sexy::Image& ground, const std::vector<gallery::Piece>& pieces)
{
    char* buffer = nullptr;
    size_t size = 0;
    std::FILE* out = open_memstream(&buffer, &size);
    Report report;
    report.empty = gallery::CheckPieces(screen, ground, pieces, out);
    std::fclose(out);
    report.text.assign(buffer, size);
    std::free(buffer);
    return report;
}

TEST(GalleryCheck, CountsPlainChangesInsideThePieceAndTheScreen)
{
    struct Case
    {
        const char* what;
        Rect paint;
        Color color;
        Rect piece;
        int drawn;
    };
    const Case cases[] = {
        {"nothing painted", Rect(0, 0, 0, 0), Color(200, 0, 0), Rect(10, 10, 20, 20), 0},
        {"a change of 18 is still the ground", Rect(10, 10, 20, 20), Color(28, 66, 44), Rect(10, 10, 20, 20), 0},
        {"a change of 27 counts", Rect(10, 10, 20, 20), Color(29, 69, 49), Rect(10, 10, 20, 20), 400},
        {"only what lies in the piece", Rect(0, 0, 15, 15), Color(200, 0, 0), Rect(10, 10, 20, 20), 25},
        {"the piece past the right and bottom", Rect(90, 40, 10, 10), Color(200, 0, 0), Rect(90, 40, 30, 30), 100},
        {"the piece past the left and top", Rect(0, 0, 10, 10), Color(200, 0, 0), Rect(-5, -5, 10, 10), 25},
        {"a piece beyond the screen", Rect(0, 0, 100, 50), Color(200, 0, 0), Rect(120, 60, 10, 10), 0},
    };
    const auto ground = Solid(kGround);
    for (const Case& c : cases)
    {
        auto screen = Solid(kGround);
        Sexy::Graphics g(screen.get());
        g.SetColor(c.color);
        g.FillRect(c.paint);
        EXPECT_EQ(gallery::CountDrawn(*screen, *ground, c.piece), c.drawn) << c.what;
    }
}

TEST(GalleryCheck, APieceNeedsOnePixelInAHundredAndAtLeastTwenty)
{
    struct Case
    {
        gallery::Piece piece;
        int painted; // pixels painted in its rectangle, row by row
        const char* line;
    };
    const Case cases[] = {
        {{"screen", Rect(0, 0, 100, 50)}, 49, "EMPTY screen (0, 0, 100 x 50): 49 pixels drawn, 50 needed\n"},
        {{"screen", Rect(0, 0, 100, 50)}, 50, "ok screen\n"},
        {{"small", Rect(10, 10, 10, 10)}, 19, "EMPTY small (10, 10, 10 x 10): 19 pixels drawn, 20 needed\n"},
        {{"small", Rect(10, 10, 10, 10)}, 20, "ok small\n"},
        {{"nothing", Rect(10, 10, 0, 0)}, 0, "EMPTY nothing (10, 10, 0 x 0): 0 pixels drawn, 20 needed\n"},
    };
    const auto ground = Solid(kGround);
    for (const Case& c : cases)
    {
        auto screen = Solid(kGround);
        for (int i = 0; i < c.painted; ++i)
        {
            const int w = std::max(c.piece.rect.mWidth, 1);
            screen->SetPixel(c.piece.rect.mX + i % w, c.piece.rect.mY + i / w, Color(200, 0, 0));
        }
        const Report report = Check(*screen, *ground, {c.piece});
        EXPECT_EQ(report.text, c.line);
        EXPECT_EQ(report.empty, report.text.rfind("EMPTY", 0) == 0 ? 1 : 0) << c.line;
    }
    // Every empty piece is counted.
    const Report all = Check(*ground, *ground, {{"a", Rect(0, 0, 10, 10)}, {"b", Rect(20, 0, 10, 10)}});
    EXPECT_EQ(all.empty, 2) << all.text;
}

// The gallery from its stage folder, headless, on the harness's clock.
struct GalleryRun : ::testing::Test
{
    // Steps to the given update and checks the pieces named (every piece without names).
    Report CheckAt(int update, const std::vector<std::string>& names = {})
    {
        harness.Step(update - app.mUpdateCount);
        harness.Draw();
        std::vector<gallery::Piece> pieces;
        for (const gallery::Piece& piece : page.Pieces())
        {
            if (names.empty() || std::find(names.begin(), names.end(), piece.name) != names.end())
                pieces.push_back(piece);
        }
        return Check(*app.CopyScreen(), *page.DrawGround(), pieces);
    }
    // The newest line of the chat list, without its colour code.
    std::wstring LastChat()
    {
        const std::wstring& line = page.ChatList().m_vecLines.back();
        return line.size() > 8 ? line.substr(8) : std::wstring();
    }
    void ClickAt(const Sexy::Widget& w, int x, int y)
    {
        const Sexy::Point p = w.GetAbsPos();
        harness.Click(p.mX + x, p.mY + y);
        harness.Step();
    }

    gallery::GalleryApp app{GALLERY_STAGE_DIR};
    Sexy::TestHarness harness{app};
    gallery::GalleryPage& page = *app.GetPage();
};

TEST_F(GalleryRun, EveryPieceDrawsOnceTheMarqueeIsIn)
{
    Report first = CheckAt(1);
    EXPECT_EQ(first.empty, 1) << first.text;
    EXPECT_NE(first.text.find("EMPTY marquee"), std::string::npos) << first.text;

    Report report = CheckAt(150);
    EXPECT_EQ(report.empty, 0) << report.text;
    EXPECT_EQ(report.text.find("EMPTY"), std::string::npos);
}

TEST_F(GalleryRun, BubbleBulletinMenuAndChatStayUpPastTheirOwnPeriods)
{
    // The bubble hides 4 s after each line and the bulletin 11 s after each announcement (first at
    // update 1101): the page says and shows them again.
    const std::vector<std::string> names = {"speech bubble", "bulletin", "popup menu", "chat list"};
    const size_t lines = page.ChatList().m_vecLines.size();
    for (int update : {150, 450, 1150, 2500, 4500})
    {
        const Report report = CheckAt(update, names);
        EXPECT_EQ(report.empty, 0) << "update " << update << "\n" << report.text;
    }
    // Lines came from the chat list's own queue meanwhile, one every 1.2 s.
    EXPECT_GE(page.ChatList().m_vecLines.size(), lines + 30);
}

TEST_F(GalleryRun, AClickedMenuLineAndATypedLineAreSaidInTheChat)
{
    harness.Step(10);
    Sexy::MenuWidget& menu = page.Menu();
    const int row = menu.GetItemHeight();
    const size_t lines = page.ChatList().m_vecLines.size();
    // The first line is no command: nothing is said.
    ClickAt(menu, 20, Sexy::MenuWidget::kTopMargin + row / 2);
    EXPECT_EQ(page.ChatList().m_vecLines.size(), lines);
    ClickAt(menu, 20, Sexy::MenuWidget::kTopMargin + 5 * row + row / 2);
    EXPECT_EQ(LastChat(), L"菜单：[加为好友]");

    Sexy::SkinEditWidget& edit = page.Edit();
    edit.SetText(L"");
    ClickAt(edit, 10, 10);
    harness.Text(L"好的 OK");
    harness.KeyDown(Sexy::KEYCODE_RETURN);
    harness.Step();
    EXPECT_EQ(LastChat(), L"我：好的 OK");
    EXPECT_TRUE(edit.mString.empty());
}

TEST_F(GalleryRun, ClosingTheBulletinBringsTheNextAnnouncement)
{
    harness.Step(10);
    Ostra::CTopBullWidget& bull = *page.m_pTopBull;
    const std::wstring first = bull.m_strShow;
    ClickAt(*bull.m_pBtnClose, 5, 5);
    harness.Step();
    EXPECT_TRUE(bull.mVisible);
    EXPECT_FALSE(bull.m_strShow.empty());
    EXPECT_NE(bull.m_strShow, first);
}

// Outside its stage folder the gallery finds none of the skin's pictures: the pieces made of
// nothing else are reported.
TEST(GalleryWithoutSkin, ReportsThePiecesThatHaveNoPictures)
{
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "tessaro-gallery-no-skin";
    std::filesystem::create_directories(dir);
    gallery::GalleryApp app(dir.string());
    Sexy::TestHarness harness(app);
    harness.Step(150);
    harness.Draw();
    gallery::GalleryPage& page = *app.GetPage();
    const Report report = Check(*app.CopyScreen(), *page.DrawGround(), page.Pieces());
    for (const char* name : {"speech bubble", "animation layer", "slider"})
        EXPECT_NE(report.text.find(std::string("EMPTY ") + name), std::string::npos) << name << "\n" << report.text;
    EXPECT_NE(report.text.find("ok marquee"), std::string::npos) << report.text;
}

} // namespace
