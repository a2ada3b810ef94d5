// The application's construction and Init: window size and work area, the program's folder as the
// current directory, one running copy, the log, the fonts, and what a second copy or a second Init
// leaves alone.
#include "tests/tessaro/session/AppTestSupport.h"

#include "platform/Path.h"
#include "pop/TestHarness.h"
#include "tessaro/app/SoundPlayer.h"
#include "tessaro/net/Log.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <filesystem>
#include <string>

namespace
{

using Ostra::g_AppInfo;

std::string Canonical(const std::string& path)
{
    std::error_code error;
    return std::filesystem::canonical(path, error).string();
}

class AppStartupTest : public apptest::AppTest
{
};

TEST_F(AppStartupTest, ConstructionFixesTheWindowAndEntersTheProgramFolder)
{
    apptest::StartupApp app(GameDir());
    EXPECT_EQ(app.mWidth, 1024);
    EXPECT_EQ(app.mHeight, 738);
    EXPECT_EQ(app.m_nMaxWidth, 1024);
    EXPECT_EQ(app.m_nMaxHeight, 738);
    EXPECT_STREQ(app.m_szModuleDir, GameDir().c_str());
    EXPECT_EQ(Canonical(apptest::CurrentDir()), Canonical(GameDir()));

    EXPECT_EQ(app.m_pGameView, nullptr);
    EXPECT_EQ(app.m_pGameWnd, nullptr);
    EXPECT_EQ(app.m_pFont, nullptr);
    EXPECT_EQ(app.m_pArialFont, nullptr);
    EXPECT_EQ(app.m_pBoldFont, nullptr);
    EXPECT_FALSE(app.m_bMaximized);
    EXPECT_TRUE(app.m_strTips.empty());
    EXPECT_FALSE(app.m_bHidden);
    // The sound player exists from construction on, owned by and playing for this application.
    ASSERT_NE(app.m_pSoundPlayer, nullptr);
    EXPECT_EQ(app.m_pSoundPlayer->m_pApp, &app);
    EXPECT_EQ(app.m_nCurMusic, -1);
    EXPECT_EQ(app.m_nBackMusicNum, 0);
}

TEST_F(AppStartupTest, AFolderNameWithoutSeparatorGetsOne)
{
    apptest::StartupApp app(m_root + "/lobby/game");
    EXPECT_STREQ(app.m_szModuleDir, GameDir().c_str());
}

TEST_F(AppStartupTest, TheRunningProgramsFolderByDefault)
{
    apptest::StartupApp app;
    EXPECT_EQ(std::string(app.m_szModuleDir), platform::ProgramDir() + "/");
    EXPECT_EQ(Canonical(apptest::CurrentDir()), Canonical(platform::ProgramDir()));
}

TEST_F(AppStartupTest, AFolderTooLongForItsFieldIsNotUsed)
{
    const std::string deep = m_root + "/" + std::string(120, 'd') + "/" + std::string(120, 'e') + "/";
    std::filesystem::create_directories(deep);
    ASSERT_GE(deep.size(), 260u);
    apptest::StartupApp app(deep);
    EXPECT_STREQ(app.m_szModuleDir, "");
    EXPECT_EQ(apptest::CurrentDir(), m_savedDir);
}

TEST_F(AppStartupTest, OneCopyRunsUnlessMultiDatLiesBesideTheProgramFolder)
{
    {
        apptest::StartupApp app(GameDir());
        EXPECT_FALSE(app.mOnlyAllowOneCopyToRun);
    }
    std::filesystem::remove(LobbyDir() + "multi.dat");
    // In the program's folder it does not count.
    apptest::WriteFile(GameDir() + "multi.dat", "");
    apptest::StartupApp app(GameDir());
    EXPECT_TRUE(app.mOnlyAllowOneCopyToRun);
}

TEST_F(AppStartupTest, ASecondCopyEndsWithoutTouchingTheSettings)
{
    std::filesystem::remove(LobbyDir() + "multi.dat");
    {
        apptest::StartupApp first(GameDir());
        ASSERT_TRUE(first.mOnlyAllowOneCopyToRun);
        first.mProgramIdentity = m_root; // one identity per test, so parallel runs do not meet
        Sexy::TestHarness firstHarness(first);
        ASSERT_TRUE(first.IsInitialized());
        {
            apptest::StartupApp second(GameDir());
            second.mProgramIdentity = m_root;
            Sexy::TestHarness secondHarness(second);
            EXPECT_TRUE(second.IsSecondCopy());
            EXPECT_FALSE(second.IsInitialized());
            EXPECT_EQ(second.m_pFont, nullptr);
        }
        EXPECT_FALSE(apptest::FileExists(GameDir() + "set.dat")) << "the second copy saved settings it never read";
    }
    EXPECT_EQ(apptest::ReadFile(GameDir() + "set.dat"), "1,500,1,500,1,500,0,0");
}

TEST_F(AppStartupTest, TheLogGoesToUserLogInTheProgramFolder)
{
    apptest::StartupApp app(GameDir());
    WriteLog(20, "Tag", "text %d", 5);
    WriteLog(15, "Tag", "a warning stays out");
    const std::string log = LogText();
    // The date and the time, then the level, the tag and the text; no thread identifier.
    const std::string stamp = "0000-00-00 00:00:00 ";
    ASSERT_GT(log.size(), stamp.size()) << log;
    for (size_t i = 0; i < stamp.size(); ++i)
    {
        if (stamp[i] == '0')
            EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(log[i]))) << log;
        else
            EXPECT_EQ(log[i], stamp[i]) << log;
    }
    EXPECT_EQ(log.substr(stamp.size()), "[ERROR] [Tag]\ttext 5\r\n");
}

TEST_F(AppStartupTest, InitReadsTheWorkAreaOfTheChosenMode)
{
    apptest::StartupApp app(GameDir());
    Sexy::TestHarness harness(app);
    // Headless, the framework's desktop is 1920 x 1040.
    EXPECT_EQ(app.m_nMaxWidth, 1920);
    EXPECT_EQ(app.m_nMaxHeight, 1040);
}

TEST_F(AppStartupTest, InitCreatesTheThreeFonts)
{
    apptest::StartupApp app(GameDir());
    Sexy::TestHarness harness(app);
    ASSERT_NE(app.m_pFont, nullptr);
    ASSERT_NE(app.m_pArialFont, nullptr);
    ASSERT_NE(app.m_pBoldFont, nullptr);
    EXPECT_EQ(app.m_pFont->GetPointSize(), 9);
    EXPECT_FALSE(app.m_pFont->IsBold());
    EXPECT_EQ(app.m_pArialFont->GetFace(), "Arial");
    EXPECT_EQ(app.m_pArialFont->GetPointSize(), 10);
    EXPECT_FALSE(app.m_pArialFont->IsBold());
    EXPECT_EQ(app.m_pBoldFont->GetFace(), "宋体");
    EXPECT_EQ(app.m_pBoldFont->GetPointSize(), 12);
    EXPECT_TRUE(app.m_pBoldFont->IsBold());
    // The default font is the one asked for whenever the system can draw it at all.
    if (app.m_pFont->IsValid())
    {
        EXPECT_EQ(app.m_pFont->GetFace(), "宋体");
    }
}

TEST_F(AppStartupTest, ASecondInitReadsNothingAgain)
{
    apptest::WriteFile(GameDir() + "set.dat", "1,100,1,100,1,100,0,0");
    apptest::StartupApp app(GameDir());
    Sexy::TestHarness harness(app);
    ASSERT_EQ(g_AppInfo.iMusicVolume, 100);
    Sexy::SysFont* font = app.m_pFont.get();

    apptest::WriteFile(GameDir() + "set.dat", "1,900,1,900,1,900,0,0");
    app.Init();
    EXPECT_EQ(g_AppInfo.iMusicVolume, 100);
    EXPECT_EQ(app.m_pFont.get(), font);
}

} // namespace
