// The game window's frame in a headless game: the title-bar buttons' places and actions (clicked
// through the harness), dragging the window by its top strip, screenshots, the boss key and the
// text helpers.
#include "tessaro/app/SetDlg.h"
#include "tessaro/app/SkinImages.h"
#include "tessaro/session/GameWndBase.h"

#include "platform/WindowBus.h"
#include "pop/ButtonWidget.h"
#include "pop/Image.h"
#include "pop/MusicInterface.h"
#include "pop/SexyAppBase.h"
#include "pop/WidgetManager.h"
#include "tests/frame-dialogs/DialogsSupport.h"
#include "tests/skin-widgets/SkinWidgetsSupport.h"
#include "tests/support/SessionHarness.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace
{

namespace fs = std::filesystem;
using Sexy::Color;
using namespace Ostra;

// A picture of `cels` looks side by side for a skin variable, for the life of the test.
struct SkinPicture
{
    SkinPicture(Sexy::Image*& variable, int cels, int celWidth, int celHeight, Color color)
        : scoped(variable, skintest::CelImage(cels, 1, celWidth, celHeight, {color}))
    {
    }
    skintest::ScopedSkinImage scoped;
};

// A headless game whose skin has the title-bar buttons' pictures: set once the application has
// loaded its own (none) and before the window, which takes them when it makes its buttons.
struct FrameGame
{
    FrameGame()
    {
        app.m_pGameView = &view;
        app.m_pGameWnd = &wnd;
        harness.GetWidgetManager()->AddWidget(&wnd);
        harness.GetWidgetManager()->AddWidget(&view);
        harness.PumpMessages(0);
        view.Resize(5, 33, 1014, 700);
        wnd.Resize(0, 0, 1024, 738);
    }
    ~FrameGame()
    {
        wnd.CloseSession();
        harness.GetWidgetManager()->RemoveWidget(&view);
        harness.GetWidgetManager()->RemoveWidget(&wnd);
        g_AppInfo = AppInfo{};
    }
    int Step(int n) { return harness.Step(n); }

    testsupport::SessionTestApp app;
    Sexy::TestHarness harness{app};
    testsupport::Journal journal;
    SkinPicture esc{Sexy::IMG_BASE_BTN_ESC, 3, 30, 20, Color(200, 0, 0)};
    SkinPicture min{Sexy::IMG_BASE_BTN_MIN, 3, 25, 20, Color(0, 200, 0)};
    SkinPicture shot{Sexy::IMG_BASE_BTN_PRNTSCRN, 4, 20, 20, Color(0, 0, 200)};
    SkinPicture help{Sexy::IMG_BASE_BTN_HELP, 4, 22, 20, Color(200, 200, 0)};
    SkinPicture set{Sexy::IMG_BASE_BTN_SET, 4, 24, 20, Color(0, 200, 200)};
    SkinPicture play{Sexy::IMG_BASE_BTN_REPLAY_PLAY, 4, 28, 20, Color(90, 90, 90)};
    SkinPicture pause{Sexy::IMG_BASE_BTN_REPLAY_PAUSE, 4, 28, 20, Color(90, 90, 91)};
    SkinPicture fast{Sexy::IMG_BASE_BTN_REPLAY_FAST, 4, 28, 20, Color(90, 90, 92)};
    SkinPicture faststop{Sexy::IMG_BASE_BTN_REPLAY_FASTSTOP, 4, 28, 20, Color(90, 90, 93)};
    SkinPicture quit{Sexy::IMG_BASE_BTN_REPLAY_QUIT, 4, 26, 20, Color(90, 90, 94)};
    SkinPicture ground{Sexy::IMG_GAME_BG, 1, 1024, 738, Color(40, 120, 200)};
    testsupport::SessionTestView view{&app, journal};
    testsupport::SessionTestWnd wnd{&app, &view, journal};
};

// A home with a desktop, an address opener that notes what it was asked to open, and no user
// settings of the machine's.
class FrameTest : public ::testing::Test
{
protected:
    FrameTest()
    {
        home = fs::temp_directory_path() / ("tessaro-frame-" + std::to_string(::getpid()));
        fs::create_directories(home / "Desktop");
        fs::create_directories(home / "bin");
        const fs::path opener = home / "bin" / "xdg-open";
        std::ofstream(opener) << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"" << (home / "opened").string() << "\"\n";
        fs::permissions(opener, fs::perms::owner_all);
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
        setenv("PATH", ((home / "bin").string() + ":" + std::getenv("PATH")).c_str(), 1);
        game = std::make_unique<FrameGame>();
    }
    ~FrameTest() override
    {
        game.reset();
        fs::remove_all(home);
    }

    fs::path home;
    std::unique_ptr<FrameGame> game;

    GameWndBase& Wnd() { return game->wnd; }
    void ClickOn(Sexy::ButtonWidget& button)
    {
        game->harness.Click(button.mX + button.mWidth / 2, button.mY + button.mHeight / 2);
        game->Step(50); // no double click with the next one
    }
    std::vector<std::wstring> ChatLines() const
    {
        std::vector<std::wstring> lines;
        for (const auto& line : testsupport::ChatLinesOf(game->view))
            lines.push_back(line.strText);
        return lines;
    }
    // What the address opener wrote, once it has written `lines` lines (it runs detached).
    std::string Opened(size_t lines)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        std::string text;
        while (std::chrono::steady_clock::now() < deadline)
        {
            std::ifstream in(home / "opened");
            text.assign(std::istreambuf_iterator<char>(in), {});
            if (static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) >= lines)
                break;
            std::this_thread::yield();
        }
        return text;
    }
    std::vector<fs::path> Screenshots() const
    {
        std::vector<fs::path> files;
        for (const auto& entry : fs::directory_iterator(home / "Desktop"))
            files.push_back(entry.path());
        return files;
    }
};

TEST_F(FrameTest, TheButtonsStandFromTheRightAndOnlyTheFrameButtonsShow)
{
    struct Case
    {
        Sexy::ButtonWidget* button;
        int x, y;
        bool visible;
    };
    // x1 = 1024 - 30; minimise at x1 + 5 - 25; x3 = that - 80; then leftwards by the cel widths.
    // The replay controls: r = (1024 - 3 * 28) / 2.
    const Case cases[] = {
        {Wnd().m_pBtnEsc.get(), 994, 0, true},         {Wnd().m_pBtnMin.get(), 974, 0, true},
        {Wnd().m_pBtnScreenshot.get(), 894, 8, true},  {Wnd().m_pBtnHelp.get(), 874, 8, true},
        {Wnd().m_pBtnSet.get(), 852, 8, true},         {Wnd().m_pBtnLink.get(), 828, 8, false},
        {Wnd().m_pBtnReplayPlay.get(), 470, 8, false}, {Wnd().m_pBtnReplayPause.get(), 470, 8, false},
        {Wnd().m_pBtnReplayFast.get(), 498, 8, false}, {Wnd().m_pBtnReplayFastStop.get(), 498, 8, false},
        {Wnd().m_pBtnReplayQuit.get(), 524, 8, false},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(c.button->mX, c.x) << c.button->mId;
        EXPECT_EQ(c.button->mY, c.y) << c.button->mId;
        EXPECT_EQ(c.button->mVisible, c.visible) << c.button->mId;
        EXPECT_EQ(c.button->mWidgetManager, game->harness.GetWidgetManager()) << c.button->mId;
    }
    EXPECT_EQ(Wnd().m_pBtnEsc->mWidth, 30); // one cel
    EXPECT_EQ(Wnd().m_pBtnScreenModeA->mWidth, 0);
    EXPECT_FALSE(Wnd().m_pBtnHomepage->mVisible);

    game->harness.GetWidgetManager()->RemoveWidget(&Wnd());
    EXPECT_EQ(Wnd().m_pBtnEsc->mWidgetManager, nullptr);
    game->harness.GetWidgetManager()->AddWidget(&Wnd());
    EXPECT_NE(Wnd().m_pBtnEsc->mWidgetManager, nullptr);
}

TEST_F(FrameTest, ClickedButtonsMinimiseOpenTheHelpAndSaveScreenshots)
{
    ClickOn(*Wnd().m_pBtnHelp); // no help address: only the click
    CopyTextField(g_AppInfo.szLaunchUrl17, sizeof(g_AppInfo.szLaunchUrl17), "https://help.example/rules?game=7");
    ClickOn(*Wnd().m_pBtnHelp);
    EXPECT_EQ(Opened(1), "https://help.example/rules?game=7\n");

    // F10 saves a picture of the screen without a chat line; the button saves one and says so.
    game->harness.Draw();
    game->harness.GetWidgetManager()->SetFocus(&Wnd());
    game->harness.KeyDown(Sexy::KEYCODE_F10);
    ASSERT_EQ(Screenshots().size(), 1u);
    EXPECT_TRUE(ChatLines().empty());
    g_AppInfo.iUserId = 4711;
    ClickOn(*Wnd().m_pBtnScreenshot);
    const std::vector<std::wstring> lines = ChatLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind(L"截图成功，图片[4711_", 0), 0u) << lines[0].size();
    const std::wstring suffix = L".jpg]已存放在桌面。";
    ASSERT_GT(lines[0].size(), suffix.size());
    EXPECT_EQ(lines[0].substr(lines[0].size() - suffix.size()), suffix);
    // The file is a JPEG of the screen: the ground's blue in the top strip, away from the buttons.
    for (const fs::path& file : Screenshots())
    {
        std::unique_ptr<Sexy::DDImage> picture = Sexy::LoadImageFromFile(file.string());
        ASSERT_NE(picture, nullptr) << file;
        EXPECT_EQ(file.extension(), ".jpg");
        EXPECT_EQ(picture->GetWidth(), 1024);
        const Color c = picture->GetPixel(300, 20);
        EXPECT_LT(std::abs(c.mRed - 40) + std::abs(c.mGreen - 120) + std::abs(c.mBlue - 200), 24);
    }
    // Without a desktop folder nothing is saved and no name comes back.
    fs::remove_all(home / "Desktop");
    EXPECT_EQ(game->app.TakeScreenshot(), L"");

    ClickOn(*Wnd().m_pBtnMin);
    EXPECT_TRUE(game->app.IsMinimized());
}

TEST_F(FrameTest, TheSettingsButtonWaitsForItsDialogAndTheQuitButtonEndsAGameWithoutServer)
{
    // The settings dialog is waited for; a click on its Cancel button ends the wait.
    bool shown = false;
    game->harness.DriveNestedLoops(
        [&]
        {
            auto* dialog = dynamic_cast<SetDlg*>(game->app.GetDialog(SetDlg::kDialogId));
            if (!dialog || !dialog->mNoButton || shown)
                return false;
            shown = true;
            EXPECT_EQ(dialog->mX, (1024 - dialog->mWidth) / 2);
            game->harness.Click(dialog->mNoButton->mX + dialog->mNoButton->mWidth / 2,
                                dialog->mNoButton->mY + dialog->mNoButton->mHeight / 2);
            return true;
        });
    ClickOn(*Wnd().m_pBtnSet);
    EXPECT_TRUE(shown);
    game->Step(2);
    EXPECT_EQ(game->app.GetDialog(SetDlg::kDialogId), nullptr);

    ClickOn(*Wnd().m_pBtnEsc);
    EXPECT_TRUE(game->app.IsShuttingDown());
}

TEST_F(FrameTest, ReplayButtonsCommandTheLobbyOnlyInReplayMode)
{
    testsupport::LobbyWindow lobby;
    g_AppInfo.hLobbyWnd = lobby.Handle();
    for (int id : {BTN_REPLAY_PLAY, BTN_REPLAY_PAUSE, BTN_REPLAY_FAST, BTN_REPLAY_FASTSTOP, BTN_REPLAY_QUIT})
        Wnd().ButtonDepress(id); // not a replay: nothing but the click
    Wnd().StartReplayGameBase(nullptr);
    EXPECT_FALSE(Wnd().m_pBtnReplayPause->mVisible);

    g_AppInfo.bReplay = true;
    Wnd().StartReplayGameBase(nullptr);
    EXPECT_TRUE(Wnd().m_pBtnReplayPause->mVisible);
    EXPECT_FALSE(Wnd().m_pBtnReplayPlay->mVisible);
    ClickOn(*Wnd().m_pBtnReplayPause);
    EXPECT_TRUE(Wnd().m_pBtnReplayPlay->mVisible);
    ClickOn(*Wnd().m_pBtnReplayFast);
    EXPECT_TRUE(Wnd().m_pBtnReplayFastStop->mVisible);
    ClickOn(*Wnd().m_pBtnReplayFastStop);
    ClickOn(*Wnd().m_pBtnReplayPlay);
    ClickOn(*Wnd().m_pBtnReplayQuit);
    ASSERT_TRUE(lobby.WaitFor(platform::WM_CLOSE));
    std::vector<platform::WPARAM> commands;
    for (const auto& m : lobby.Messages())
    {
        EXPECT_TRUE(m.msg == kReplayCommandMsg || m.msg == platform::WM_CLOSE) << m.msg;
        if (m.msg == kReplayCommandMsg)
            commands.push_back(m.wParam);
    }
    EXPECT_EQ(commands, (std::vector<platform::WPARAM>{REPLAY_PAUSE, REPLAY_FAST, REPLAY_NORMAL, REPLAY_PLAY}));
}

TEST_F(FrameTest, TheTopStripDragsTheWindowAtMostOncePer50Ms)
{
    Sexy::SexyAppBase& app = game->app;
    auto& wnd = game->wnd;
    const Sexy::Point start = app.GetWindowPos();
    game->harness.MouseDown(100, 32); // below the strip
    EXPECT_FALSE(wnd.m_bDragging);
    game->harness.MouseUp(100, 32);
    game->Step(50);

    wnd.SetNow(1000);
    game->harness.MouseDown(100, 31);
    EXPECT_TRUE(wnd.m_bDragging);
    EXPECT_EQ(app.GetCursor(), Sexy::CURSOR_DRAGGING);
    game->harness.MouseMove(130, 41); // the pointer 30 right and 10 down
    EXPECT_EQ(app.GetWindowPos(), start + Sexy::Point(30, 10));
    wnd.SetNow(1030); // 30 ms later: not yet
    game->harness.MouseMove(110, 31);
    EXPECT_EQ(app.GetWindowPos(), start + Sexy::Point(30, 10));
    wnd.SetNow(1080);
    game->harness.MouseMove(110, 31);
    EXPECT_EQ(app.GetWindowPos(), start + Sexy::Point(40, 10));
    game->harness.MouseUp(110, 31);
    EXPECT_FALSE(wnd.m_bDragging);
    EXPECT_EQ(app.GetCursor(), Sexy::CURSOR_POINTER);

    // A window that fills the work area, or the full screen, is not dragged.
    game->Step(50);
    game->app.m_bMaximized = true;
    game->harness.MouseDown(100, 10);
    EXPECT_FALSE(wnd.m_bDragging);
    game->harness.MouseUp(100, 10);
}

// Music that notes everything asked of it, the end of all music included.
struct BossMusic : dialogtest::FakeMusic
{
    void StopAllMusic() override
    {
        log.push_back("stop all");
        playing.clear();
    }
};

TEST_F(FrameTest, TheBossKeyHidesTheWindowAndSilencesItUntilItComesBack)
{
    auto owned = std::make_unique<BossMusic>();
    BossMusic& music = *owned;
    game->app.mMusicInterface = std::move(owned);
    g_AppInfo.bMusicOn = true;
    game->app.m_nBackMusicNum = 3;
    game->app.PlayMusic(1);
    ASSERT_TRUE(music.IsPlaying(1));

    game->app.OnBossKey(2, 0); // neither hide nor show
    EXPECT_TRUE(game->app.IsWindowShown());
    EXPECT_EQ(music.Count("stop all"), 0);

    game->app.OnBossKey(0, 0);
    EXPECT_FALSE(game->app.IsWindowShown());
    EXPECT_TRUE(music.playing.empty());
    EXPECT_EQ(music.Count("stop all"), 1);
    const size_t asked = music.log.size();
    game->app.PlayMusic(2); // nothing starts while hidden
    EXPECT_EQ(game->app.PlaySoundA(std::string("sound\\btn.ogg")), -1);
    EXPECT_EQ(music.log.size(), asked);

    game->app.OnBossKey(1, 0);
    EXPECT_TRUE(game->app.IsWindowShown());
    EXPECT_TRUE(music.IsPlaying(1)); // the music of before, again
}

TEST(FrameText, HexDigitsBecomeBytesAndLineBreaksEndTheText)
{
    const struct
    {
        const char* hex;
        int len;
        std::string bytes;
    } cases[] = {
        {"41ff0a", 6, std::string("\x41\xff\x0a", 3)},
        {"4A4b", 4, "JK"},
        {"414", 3, "A"},     // an odd last digit is ignored
        {"4x1-42", 6, "AB"}, // what is not a digit is skipped, never read as one
        {"4142", 2, "A"},    // no more than len digits
        {"41", 8, "A"},      // the text ends at its zero byte
        {"", 4, ""},
    };
    for (const auto& c : cases)
    {
        char out[8] = {'#', '#', '#', '#', '#', '#', '#', '#'};
        GameWndBase::HextoStr(reinterpret_cast<const unsigned char*>(c.hex), out, c.len);
        EXPECT_EQ(std::string(out, c.bytes.size()), c.bytes) << c.hex;
        EXPECT_EQ(out[c.bytes.size()], '#') << c.hex; // nothing past the bytes made
    }

    char text[] = "first line\r\nsecond";
    GameWndBase::RemoveStrEnter(text);
    EXPECT_STREQ(text, "first line");
    EXPECT_EQ(text[11], '\0');
    EXPECT_STREQ(text + 12, "second");
}

TEST(FrameText, PicturesFallBackToTheSharedSkin)
{
    testsupport::TestGameApp app;
    EXPECT_EQ(app.GetImageFileName("no/such/picture.png"), "..\\GameSkin\\0\\no/such/picture.png");
    const fs::path here = fs::temp_directory_path() / "tessaro-frame-picture.png";
    std::ofstream(here) << "x";
    EXPECT_EQ(app.GetImageFileName(here.string()), here.string());
    fs::remove(here);
}

} // namespace
