// The lobby's WM_COPYDATA: the path of a recorded game (tag 1) and the encrypted launch block (any
// other tag), through OnCopyData and through the main window. The data always lies in a buffer of
// exactly cbData bytes, so that a read past it is caught by the sanitizer builds.
#include "tests/support/SessionHarness.h"
#include "tests/tessaro/session/AppTestSupport.h"

#include "platform/WindowBus.h"
#include "pop/TestHarness.h"
#include "pop/WidgetManager.h"
#include "tessaro/app/LaunchData.h"
#include "tessaro/net/Frame.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace
{

constexpr int kTypeAuthenRes = Ostra::MSG_AUTHEN_RES; // the lobby's login result
constexpr int kTypeKeepAlive = Ostra::MSG_KEEP_ALIVE; // not held back by the view

// Notes the paths of recorded games it is asked to play.
class ReplayWnd : public testsupport::TestGameWnd
{
public:
    using TestGameWnd::TestGameWnd;
    void StartReplayGameBase(char* szArg) override { replays.emplace_back(szArg ? szArg : "<null>"); }
    std::vector<std::string> replays;
};

// The bytes of a WM_COPYDATA in a buffer of exactly their size.
class CopyData
{
public:
    CopyData(std::uintptr_t tag, const std::string& bytes) : m_bytes(new char[bytes.empty() ? 1 : bytes.size()])
    {
        std::copy(bytes.begin(), bytes.end(), m_bytes.get());
        m_data.dwData = tag;
        m_data.cbData = static_cast<std::uint32_t>(bytes.size());
        m_data.lpData = m_bytes.get();
    }
    platform::COPYDATASTRUCT& Data() { return m_data; }
    long LParam() { return static_cast<long>(reinterpret_cast<std::intptr_t>(&m_data)); }

private:
    std::unique_ptr<char[]> m_bytes;
    platform::COPYDATASTRUCT m_data{};
};

class AppCopyDataTest : public apptest::AppTest
{
protected:
    // A game as the program wires it: the application, the harness that runs it headless and
    // answers its boxes, the view in the widget manager, the window known to the application.
    struct Game
    {
        explicit Game(const std::string& programDir) : app(programDir)
        {
            app.m_pGameView = &view;
            app.m_pGameWnd = &wnd;
            harness.GetWidgetManager()->AddWidget(&view);
        }
        ~Game() { harness.GetWidgetManager()->RemoveWidget(&view); }
        Game(const Game&) = delete;
        Game& operator=(const Game&) = delete;

        std::vector<std::string> BoxTexts() const
        {
            std::vector<std::string> out;
            for (const auto& b : harness.MessageBoxes())
                out.push_back(b.text);
            return out;
        }
        // Every handler call so far (the view's delay queue released by a frame first).
        size_t Handled()
        {
            harness.Step(2);
            return journal.entries.size();
        }

        apptest::StartupApp app;
        Sexy::TestHarness harness{app};
        testsupport::Journal journal;
        testsupport::TestGameView view{&app, journal};
        ReplayWnd wnd{&app, &view, journal};
    };
};

// ---- The path of a recorded game ---------------------------------------------------------------------

TEST_F(AppCopyDataTest, TagOneStartsAReplayAndIsNeverDecrypted)
{
    Game game(GameDir());
    // Even bytes that form a valid launch block are a path under tag 1.
    const std::string block = testsupport::Frame(testsupport::Message(kTypeAuthenRes, "login"));
    CopyData asPath(1, block);
    game.app.OnCopyData(0, asPath.LParam());
    ASSERT_EQ(game.wnd.replays.size(), 1u);
    EXPECT_EQ(game.wnd.replays[0], block.substr(0, block.find('\0')));
    EXPECT_EQ(game.Handled(), 0u);
    EXPECT_TRUE(game.BoxTexts().empty());

    CopyData path(1, std::string("D:\\录像\\第3局.rep\0ignored", 25));
    game.app.OnCopyData(0, path.LParam());
    ASSERT_EQ(game.wnd.replays.size(), 2u);
    EXPECT_EQ(game.wnd.replays[1], "D:\\录像\\第3局.rep");
}

TEST_F(AppCopyDataTest, APathWithoutTerminatorEndsWithItsData)
{
    Game game(GameDir());
    CopyData path(1, "/records/2024-05-01.rep");
    game.app.OnCopyData(0, path.LParam());
    ASSERT_EQ(game.wnd.replays.size(), 1u);
    EXPECT_EQ(game.wnd.replays[0], "/records/2024-05-01.rep");

    CopyData oneByte(1, "x");
    game.app.OnCopyData(0, oneByte.LParam());
    ASSERT_EQ(game.wnd.replays.size(), 2u);
    EXPECT_EQ(game.wnd.replays[1], "x");
}

TEST_F(AppCopyDataTest, EmptyOrNegativeCountsDoNothing)
{
    Game game(GameDir());
    for (std::uintptr_t tag : {std::uintptr_t(0), std::uintptr_t(1)})
    {
        CopyData empty(tag, "");
        game.app.OnCopyData(0, empty.LParam());
        // A count with the top bit set is negative as a signed 32-bit number: nothing is read of
        // the one byte that is really there.
        CopyData negative(tag, "\x03");
        negative.Data().cbData = 0x80000000u;
        game.app.OnCopyData(0, negative.LParam());
    }
    game.app.OnCopyData(0, 0);
    EXPECT_TRUE(game.wnd.replays.empty());
    EXPECT_EQ(game.Handled(), 0u);
    EXPECT_TRUE(game.BoxTexts().empty());
}

// ---- The launch block -------------------------------------------------------------------------------

TEST_F(AppCopyDataTest, AValidBlockReachesTheGameWindowLikeAServerMessage)
{
    Game game(GameDir());
    const std::string login = testsupport::Message(kTypeAuthenRes, std::string("\x00\x00\x12\x67user", 8));
    CopyData block(0, testsupport::Frame(login));
    game.app.OnCopyData(0, block.LParam());
    ASSERT_EQ(game.Handled(), 1u);
    EXPECT_EQ(game.journal.entries[0].handler, "HandleAuthenRes");
    EXPECT_EQ(game.journal.entries[0].bytes, login);
    EXPECT_TRUE(game.BoxTexts().empty());
}

TEST_F(AppCopyDataTest, TheMainWindowRoutesCopyDataToTheGame)
{
    Game game(GameDir());
    const std::string keepAlive = testsupport::Message(kTypeKeepAlive, "abcd");
    // Bytes after the frame belong to nobody and are left alone.
    CopyData block(7, testsupport::Frame(keepAlive) + "trailing");
    bool ok = false;
    const platform::LRESULT result = platform::SendWindowMessage(
        game.app.mHWnd, platform::WM_COPYDATA, 0, reinterpret_cast<platform::LPARAM>(&block.Data()), &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(result, 1);
    ASSERT_EQ(game.journal.entries.size(), 1u) << "a type the view does not hold back arrives at once";
    EXPECT_EQ(game.journal.entries[0].handler, "HandleGameMessage");
    EXPECT_EQ(game.journal.entries[0].bytes, keepAlive);
}

TEST_F(AppCopyDataTest, AnotherFrameVersionShowsTheByteSignExtended)
{
    Game game(GameDir());
    std::string frame = testsupport::Frame(testsupport::Message(kTypeAuthenRes, "login"));
    for (unsigned char version : {0x83, 0x02, 0x00, 0xFF})
    {
        frame[0] = static_cast<char>(version);
        CopyData block(0, frame);
        game.app.OnCopyData(0, block.LParam());
    }
    CopyData lone(0, "\x7f");
    game.app.OnCopyData(0, lone.LParam());

    EXPECT_EQ(game.BoxTexts(),
              (std::vector<std::string>{"CopyData Version ERROR![ffffff83]", "CopyData Version ERROR![2]",
                                        "CopyData Version ERROR![0]", "CopyData Version ERROR![ffffffff]",
                                        "CopyData Version ERROR![7f]"}));
    for (const auto& box : game.harness.MessageBoxes())
    {
        EXPECT_EQ(box.title, "Message");
        EXPECT_EQ(box.flags, 0);
    }
    EXPECT_EQ(game.Handled(), 0u);
    EXPECT_EQ(LogText().find("OnCopyData"), std::string::npos);
}

TEST_F(AppCopyDataTest, ABodyTooShortToDecryptIsLoggedAndShown)
{
    Game game(GameDir());
    // A header and 10 body bytes: less than one cipher block.
    std::string frame(14, '\x5A');
    Ostra::WriteFrameHeader(reinterpret_cast<unsigned char*>(&frame[0]), 14);
    CopyData block(0, frame);
    testing::internal::CaptureStdout(); // the cipher's own complaint
    game.app.OnCopyData(0, block.LParam());
    testing::internal::GetCapturedStdout();

    EXPECT_EQ(game.BoxTexts(), std::vector<std::string>{"CGameFrameDlg: Decryption failed!"});
    EXPECT_EQ(game.harness.MessageBoxes()[0].title, "Message");
    EXPECT_EQ(game.harness.MessageBoxes()[0].flags, 0);
    EXPECT_NE(LogText().find("[ERROR] [CGameFrameDlg]\tOnCopyData,iIndex\r\n"), std::string::npos) << LogText();
    EXPECT_EQ(game.Handled(), 0u);
}

TEST_F(AppCopyDataTest, AFrameLengthPastTheDataIsRefusedWithoutReadingOn)
{
    Game game(GameDir());
    const std::string whole = testsupport::Frame(testsupport::Message(kTypeAuthenRes, std::string(40, 'p')));
    struct Case
    {
        std::string bytes;
        const char* what;
    };
    std::vector<Case> cases;
    // The lobby's bytes end before the frame does: the header claims the whole frame.
    cases.push_back({whole.substr(0, whole.size() - 1), "one byte short"});
    cases.push_back({whole.substr(0, 4), "header only"});
    // Too short for a header at all.
    cases.push_back({whole.substr(0, 3), "three bytes"});
    cases.push_back({whole.substr(0, 1), "the version byte alone"});
    // Lengths that cannot be a frame.
    std::string tiny = whole;
    Ostra::WriteFrameHeader(reinterpret_cast<unsigned char*>(&tiny[0]), 3);
    cases.push_back({tiny, "a length shorter than the header"});
    std::string huge = whole;
    Ostra::WriteFrameHeader(reinterpret_cast<unsigned char*>(&huge[0]), 0xFFFF);
    cases.push_back({huge, "a length of 65535"});

    for (const Case& c : cases)
    {
        CopyData block(0, c.bytes);
        testing::internal::CaptureStdout();
        game.app.OnCopyData(0, block.LParam());
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(game.BoxTexts().size(), static_cast<size_t>(&c - cases.data() + 1)) << c.what;
        EXPECT_EQ(game.BoxTexts().back(), "CGameFrameDlg: Decryption failed!") << c.what;
    }
    EXPECT_EQ(game.Handled(), 0u);
    const std::string log = LogText();
    size_t failures = 0;
    for (size_t p = log.find("\tOnCopyData,iIndex"); p != std::string::npos; p = log.find("\tOnCopyData,iIndex", p + 1))
        ++failures;
    EXPECT_EQ(failures, cases.size()) << log;
}

TEST_F(AppCopyDataTest, AMessageLongerThanTheBufferIsRefused)
{
    Game game(GameDir());
    // 10501 bytes of message do not fit the 10500-byte buffer; 10500 do.
    CopyData tooLong(0, testsupport::Frame(testsupport::MessageOfLength(kTypeKeepAlive, 10501)));
    game.app.OnCopyData(0, tooLong.LParam());
    EXPECT_EQ(game.BoxTexts(), std::vector<std::string>{"CGameFrameDlg: Decryption failed!"});

    const std::string fits = testsupport::MessageOfLength(kTypeKeepAlive, 10500);
    CopyData block(0, testsupport::Frame(fits));
    game.app.OnCopyData(0, block.LParam());
    EXPECT_EQ(game.BoxTexts().size(), 1u);
    ASSERT_EQ(game.Handled(), 1u);
    EXPECT_EQ(game.journal.entries[0].bytes, fits);
}

TEST_F(AppCopyDataTest, WithoutAGameWindowTheBlockIsLoggedAsLost)
{
    Game game(GameDir());
    game.app.m_pGameWnd = nullptr;
    CopyData block(0, testsupport::Frame(testsupport::Message(kTypeKeepAlive, "x")));
    game.app.OnCopyData(0, block.LParam());
    CopyData path(1, "a.rep");
    game.app.OnCopyData(0, path.LParam());

    EXPECT_TRUE(game.BoxTexts().empty());
    EXPECT_EQ(game.Handled(), 0u);
    EXPECT_TRUE(game.wnd.replays.empty());
    const std::string log = LogText();
    EXPECT_NE(log.find("[GameAppBase::OnCopyData]\tlost launch block"), std::string::npos) << log;
    EXPECT_NE(log.find("[GameAppBase::OnCopyData]\tlost replay path"), std::string::npos) << log;
}

TEST(LaunchBlock, OpensWhatBuildFrameMade)
{
    const std::string msg = testsupport::Message(kTypeAuthenRes, "payload");
    const std::string frame = testsupport::Frame(msg);
    std::vector<char> out(Ostra::kLaunchBlockBufLen);
    unsigned char version = 0xEE;
    const int n = Ostra::OpenLaunchBlock(reinterpret_cast<const unsigned char*>(frame.data()), frame.size(), out.data(),
                                         static_cast<int>(out.size()), &version);
    ASSERT_EQ(n, static_cast<int>(msg.size()));
    EXPECT_EQ(std::string(out.data(), static_cast<size_t>(n)), msg);
    EXPECT_EQ(version, 3);

    // The smallest frame holds an empty message.
    const std::string empty = testsupport::Frame("");
    ASSERT_EQ(empty.size(), 20u);
    EXPECT_EQ(Ostra::OpenLaunchBlock(reinterpret_cast<const unsigned char*>(empty.data()), empty.size(), out.data(),
                                     static_cast<int>(out.size())),
              0);
    EXPECT_EQ(Ostra::OpenLaunchBlock(nullptr, 0, out.data(), 10, &version), Ostra::kLaunchBlockLengthError);
    EXPECT_EQ(version, 0);
}

} // namespace
