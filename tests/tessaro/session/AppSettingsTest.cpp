// The player's settings (set.dat), the tips text and the lobby's configuration files with their
// fall-backs, read and written by the application as a game starts and ends.
#include "tests/tessaro/session/AppTestSupport.h"

#include "pop/TestHarness.h"
#include "tessaro/app/LaunchData.h"
#include "tessaro/app/SettingsFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

using Ostra::AppInfo;
using Ostra::g_AppInfo;

std::string Text(const char* field, size_t cap)
{
    return Ostra::FieldText(field, cap);
}
#define FIELD(f) Text(g_AppInfo.f, sizeof(g_AppInfo.f))

std::vector<std::uint8_t> Bytes(const std::string& text)
{
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

class AppSettingsTest : public apptest::AppTest
{
protected:
    // The lobby's three files; an empty text leaves a file out.
    void WriteLobbyFiles(const std::string& localDat, const std::string& lobbyConf, const std::string& globalConf,
                         const std::string& locale = "th")
    {
        if (!localDat.empty())
            apptest::WriteFile(LobbyDir() + "local.dat", localDat);
        if (!lobbyConf.empty())
            apptest::WriteFile(LobbyDir() + "localdata_" + locale + "/lobby.conf", lobbyConf);
        if (!globalConf.empty())
            apptest::WriteFile(LobbyDir() + "global.conf", globalConf);
    }

    // The lobby's command line with the login data of the shop addresses, then the start-up.
    void StartGame(apptest::StartupApp& app)
    {
        app.ParseCmdLine("127.0.0.1 17100 4711 0 0 game six 99 eight 9 TOKEN10");
    }
};

// ---- set.dat ------------------------------------------------------------------------------------------

TEST_F(AppSettingsTest, FourValuesSetMusicAndSoundAndLeaveSpeechAsItWas)
{
    apptest::WriteFile(GameDir() + "set.dat", "1,800,0,300");
    g_AppInfo.bSpeechOn = true;
    g_AppInfo.iSpeechVolume = 123;
    g_AppInfo.iSetRadioChoice = 1;
    g_AppInfo.bSetOptionOff = true;
    apptest::StartupApp app(GameDir());
    Sexy::TestHarness harness(app);

    EXPECT_TRUE(g_AppInfo.bMusicOn);
    EXPECT_EQ(g_AppInfo.iMusicVolume, 800);
    EXPECT_FALSE(g_AppInfo.bSoundOn);
    EXPECT_EQ(g_AppInfo.iSoundVolume, 300);
    EXPECT_TRUE(g_AppInfo.bSpeechOn);
    EXPECT_EQ(g_AppInfo.iSpeechVolume, 123);
    EXPECT_EQ(g_AppInfo.iSetRadioChoice, 1);
    EXPECT_TRUE(g_AppInfo.bSetOptionOff);
}

TEST_F(AppSettingsTest, WithoutTheFileTheDefaultsAreWrittenAsTwentyOneCharacters)
{
    apptest::StartupApp app(GameDir());
    Sexy::TestHarness harness(app);
    EXPECT_TRUE(g_AppInfo.bMusicOn);
    EXPECT_TRUE(g_AppInfo.bSoundOn);
    EXPECT_TRUE(g_AppInfo.bSpeechOn);
    EXPECT_EQ(g_AppInfo.iMusicVolume, 500);
    EXPECT_EQ(g_AppInfo.iSoundVolume, 500);
    EXPECT_EQ(g_AppInfo.iSpeechVolume, 500);
    EXPECT_EQ(g_AppInfo.iSetRadioChoice, 0);
    EXPECT_FALSE(g_AppInfo.bSetOptionOff);

    app.WriteSet();
    const std::string written = apptest::ReadFile(GameDir() + "set.dat");
    EXPECT_EQ(written, "1,500,1,500,1,500,0,0");
    EXPECT_EQ(written.size(), 21u);
}

TEST_F(AppSettingsTest, TheSettingsAreSavedWhenTheGameEnds)
{
    apptest::WriteFile(GameDir() + "set.dat", "0,1,0,2,0,3,0,0");
    {
        apptest::StartupApp app(GameDir());
        Sexy::TestHarness harness(app);
        // What the settings dialog changes in memory goes to the file at the end.
        g_AppInfo.bMusicOn = true;
        g_AppInfo.iMusicVolume = 1000;
        g_AppInfo.iSetRadioChoice = 1;
        g_AppInfo.bSetOptionOff = true;
    }
    EXPECT_EQ(apptest::ReadFile(GameDir() + "set.dat"), "1,1000,0,2,0,3,1,1");
}

TEST_F(AppSettingsTest, AGameThatNeverReadItsSettingsLeavesTheFileAlone)
{
    // Too few launch values end the game before Init: the player's settings were never loaded, so
    // saving the empty record at the end would wipe them.
    apptest::WriteFile(GameDir() + "set.dat", "0,250,1,750,0,100,1,0");
    {
        apptest::StartupApp app(GameDir());
        app.SetMsgBoxHandler([](const std::string&, const std::string&, int) { return Sexy::IDOK; });
        app.ParseCmdLine("too few");
        EXPECT_TRUE(app.IsShuttingDown());
    }
    EXPECT_EQ(apptest::ReadFile(GameDir() + "set.dat"), "0,250,1,750,0,100,1,0");
}

TEST(SettingsText, ValuesInFileOrderWithStrtokSeparators)
{
    AppInfo info{};
    Ostra::ApplySettingsText(Bytes("1,900,1,800,1,700,1,1,55,66"), info);
    EXPECT_EQ(Ostra::FormatSettings(info), "1,900,1,800,1,700,1,1");

    // A run of commas is one separator, so an empty place moves the next value up.
    AppInfo runs{};
    Ostra::ApplySettingsText(Bytes(",,1,,,600,"), runs);
    EXPECT_TRUE(runs.bMusicOn);
    EXPECT_EQ(runs.iMusicVolume, 600);
    EXPECT_FALSE(runs.bSoundOn);

    // Switches are on for any number but 0; text reads as 0.
    AppInfo switches{};
    Ostra::ApplySettingsText(Bytes("-3,abc,7"), switches);
    EXPECT_TRUE(switches.bMusicOn);
    EXPECT_EQ(switches.iMusicVolume, 0);
    EXPECT_TRUE(switches.bSoundOn);
}

TEST(SettingsText, OnlyTheFirst254CharactersCount)
{
    // The music volume's digits straddle the limit: those past it are not read.
    std::string text = "1," + std::string(250, '0') + "12";
    ASSERT_EQ(text.size(), 254u);
    AppInfo info{};
    Ostra::ApplySettingsText(Bytes(text + "34,0,9"), info);
    EXPECT_EQ(info.iMusicVolume, 12);
    EXPECT_FALSE(info.bSoundOn);
    EXPECT_EQ(info.iSoundVolume, 0);

    // A zero byte ends the text.
    AppInfo cut{};
    Ostra::ApplySettingsText(Bytes(std::string("1,700\0,1,900", 12)), cut);
    EXPECT_EQ(cut.iMusicVolume, 700);
    EXPECT_FALSE(cut.bSoundOn);

    AppInfo empty{};
    empty.iSpeechVolume = 42;
    Ostra::ApplySettingsText({}, empty);
    EXPECT_EQ(empty.iSpeechVolume, 42);
}

// ---- tips.dat ------------------------------------------------------------------------------------------

TEST_F(AppSettingsTest, TipsTurnLineBreaksIntoIdeographicSpaces)
{
    apptest::StartupApp app(GameDir());
    app.m_strTips = L"old";
    app.ReadTips();
    EXPECT_EQ(app.m_strTips, L"") << "no tips.dat";

    apptest::WriteFile(GameDir() + "properties/tips.dat", "第一条\r\n第二条\r\nlast\nline\r");
    app.ReadTips();
    EXPECT_EQ(app.m_strTips, L"第一条\u3000\u3000第二条\u3000\u3000last\nline\r");
}

TEST(TipsText, BreaksAtTheEdgesAndRunsOfThem)
{
    EXPECT_EQ(Ostra::TipsText(Bytes("\r\n\r\nA\r\n")), L"\u3000\u3000\u3000\u3000A\u3000\u3000");
    EXPECT_EQ(Ostra::TipsText(Bytes("\r\r\n\n")), L"\r\u3000\u3000\n");
    EXPECT_EQ(Ostra::TipsText(Bytes(std::string("ab\0\r\ncd", 7))), L"ab");
    EXPECT_EQ(Ostra::TipsText({}), L"");
}

// ---- The lobby's files ---------------------------------------------------------------------------------

TEST_F(AppSettingsTest, WithoutTheLobbysFilesTextsAreEmptyAndThePortZero)
{
    g_AppInfo.iVideoServerPort = 99;
    apptest::StartupApp app(GameDir());
    StartGame(app);
    Sexy::TestHarness harness(app);
    EXPECT_EQ(FIELD(szHomeUrl), "");
    EXPECT_EQ(FIELD(szFindUrl), "");
    EXPECT_EQ(FIELD(szShopUrl), "");
    EXPECT_EQ(FIELD(szShowShopUrl), "");
    EXPECT_EQ(FIELD(szDetailUrl), "");
    EXPECT_EQ(FIELD(szVideoServerIp), "");
    EXPECT_EQ(g_AppInfo.iVideoServerPort, 0);
}

TEST_F(AppSettingsTest, WithoutALocaleTheThaiFilesAreRead)
{
    WriteLobbyFiles("", "[GAME_URL]\nhome_url = http://th.example/home\n", "");
    apptest::WriteFile(LobbyDir() + "localdata_cn/lobby.conf", "[GAME_URL]\nhome_url = http://cn.example/home\n");
    apptest::StartupApp app(GameDir());
    Sexy::TestHarness harness(app);
    EXPECT_EQ(FIELD(szHomeUrl), "http://th.example/home");
}

TEST_F(AppSettingsTest, TheLocaleNamesTheLobbyConf)
{
    WriteLobbyFiles("[LOCAL]\nlocal_name = cn\n",
                    "[GAME_URL]\n"
                    "home_url = http://cn.example/home\n"
                    "find_url = http://cn.example/find\n"
                    "detail_url_n = http://cn.example/detail?id=\n"
                    "shop_url_n = http://cn.example/shop?a=1\n"
                    "show_shop_url_n = http://cn.example/show?b=2\n",
                    "[VIDEO]\nvideo_server_ip = 10.1.2.3\nvideo_server_port = 4500\n", "cn");
    apptest::WriteFile(LobbyDir() + "localdata_th/lobby.conf", "[GAME_URL]\nhome_url = http://th.example/home\n");
    apptest::StartupApp app(GameDir());
    StartGame(app);
    Sexy::TestHarness harness(app);

    EXPECT_EQ(FIELD(szHomeUrl), "http://cn.example/home");
    EXPECT_EQ(FIELD(szFindUrl), "http://cn.example/find");
    EXPECT_EQ(FIELD(szDetailUrl), "http://cn.example/detail?id=");
    EXPECT_EQ(FIELD(szShopUrl), "http://cn.example/shop?a=1&token=TOKEN10&tokenId=4711");
    EXPECT_EQ(FIELD(szShowShopUrl), "http://cn.example/show?b=2&token=TOKEN10&tokenId=4711");
    EXPECT_EQ(FIELD(szVideoServerIp), "10.1.2.3");
    EXPECT_EQ(g_AppInfo.iVideoServerPort, 4500);
}

TEST_F(AppSettingsTest, ShortAddressesFallBackToGlobalConf)
{
    WriteLobbyFiles("",
                    "[GAME_URL]\n"
                    "shop_url_n = abcd\n"
                    "detail_url_n = \n",
                    "[GAME_URL]\n"
                    "shop_url = http://global/shop\n"
                    "show_shop_url = http://global/show\n"
                    "detail_url = http://global/detail\n");
    apptest::StartupApp app(GameDir());
    StartGame(app);
    Sexy::TestHarness harness(app);

    EXPECT_EQ(FIELD(szShopUrl), "http://global/shop&token=TOKEN10&tokenId=4711");
    EXPECT_EQ(FIELD(szShowShopUrl), "http://global/show&token=TOKEN10&tokenId=4711");
    // The details page gets no login data.
    EXPECT_EQ(FIELD(szDetailUrl), "http://global/detail");
}

TEST_F(AppSettingsTest, AnAddressOfExactlyFiveCharactersIsKeptAsItIs)
{
    WriteLobbyFiles("", "[GAME_URL]\nshop_url_n = abcde\nshow_shop_url_n = abcdef\ndetail_url_n = 12345\n",
                    "[GAME_URL]\nshop_url = http://global/shop\ndetail_url = http://global/detail\n");
    apptest::StartupApp app(GameDir());
    StartGame(app);
    Sexy::TestHarness harness(app);

    EXPECT_EQ(FIELD(szShopUrl), "abcde");
    EXPECT_EQ(FIELD(szShowShopUrl), "abcdef&token=TOKEN10&tokenId=4711");
    EXPECT_EQ(FIELD(szDetailUrl), "12345");
}

TEST_F(AppSettingsTest, AVideoServerAlreadyKnownIsNotReplaced)
{
    WriteLobbyFiles("", "", "[VIDEO]\nvideo_server_ip = 10.9.9.9\nvideo_server_port = 1\n");
    std::snprintf(g_AppInfo.szVideoServerIp, sizeof(g_AppInfo.szVideoServerIp), "10.0.0.1");
    g_AppInfo.iVideoServerPort = 7000;
    apptest::StartupApp app(GameDir());
    Sexy::TestHarness harness(app);
    EXPECT_EQ(FIELD(szVideoServerIp), "10.0.0.1");
    EXPECT_EQ(g_AppInfo.iVideoServerPort, 7000);

    // Four characters are not an address: the file's is taken.
    std::snprintf(g_AppInfo.szVideoServerIp, sizeof(g_AppInfo.szVideoServerIp), "1.23");
    app.ReadSet();
    EXPECT_EQ(FIELD(szVideoServerIp), "10.9.9.9");
    EXPECT_EQ(g_AppInfo.iVideoServerPort, 1);
}

TEST_F(AppSettingsTest, ReadingAgainDoesNotAppendTheLoginDataTwice)
{
    WriteLobbyFiles("", "[GAME_URL]\nshop_url_n = http://lobby/shop\n", "[GAME_URL]\nshow_shop_url = http://g/show\n");
    apptest::StartupApp app(GameDir());
    StartGame(app);
    Sexy::TestHarness harness(app);
    app.ReadSet();
    EXPECT_EQ(FIELD(szShopUrl), "http://lobby/shop&token=TOKEN10&tokenId=4711");
    EXPECT_EQ(FIELD(szShowShopUrl), "http://g/show&token=TOKEN10&tokenId=4711");
}

TEST_F(AppSettingsTest, ValuesLongerThanTheirFieldAreCutAndNeverOverrun)
{
    // The reader hands over up to 399 characters; the fields hold 299 and 34.
    const std::string home(380, 'h');
    const std::string shop = "http://" + std::string(285, 's'); // 292: the login data would not fit
    WriteLobbyFiles("[LOCAL]\nlocal_name = " + std::string(30, 'L') + "\n", "",
                    "[VIDEO]\nvideo_server_ip = " + std::string(60, '9') + "\n[GAME_URL]\nshop_url = " + shop +
                        "\ndetail_url = " + home + "\n");
    apptest::WriteFile(LobbyDir() + "localdata_LLLLLLLLL/lobby.conf", "[GAME_URL]\nhome_url = " + home + "\n");
    g_AppInfo.iVideoServerPort = 0x5A5A5A5A; // the field after the address
    apptest::StartupApp app(GameDir());
    StartGame(app);
    Sexy::TestHarness harness(app);

    // The locale is cut to nine characters, and that folder is the one read.
    EXPECT_EQ(FIELD(szHomeUrl), std::string(299, 'h'));
    EXPECT_EQ(FIELD(szDetailUrl), std::string(299, 'h'));
    EXPECT_EQ(FIELD(szVideoServerIp), std::string(34, '9'));
    EXPECT_EQ(g_AppInfo.iVideoServerPort, 0);
    // Without room for the whole login data, the address stays as the lobby wrote it.
    EXPECT_EQ(FIELD(szShopUrl), shop);
    EXPECT_NE(LogText().find("szShopUrl too long for the login data"), std::string::npos) << LogText();
}

TEST(LobbyFiles, TheLoginDataFitsUpToTheLastByte)
{
    char tmpl[] = "/tmp/tessaro-lobbyfiles-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const std::string root = tmpl;
    std::filesystem::create_directories(root + "/game");
    // "&token=T&tokenId=7" is 18 characters: 281 + 18 = 299 fits, one more does not.
    apptest::WriteFile(root + "/global.conf", "[GAME_URL]\nshop_url = " + std::string(281, 'a') +
                                                  "\nshow_shop_url = " + std::string(282, 'b') + "\n");
    AppInfo info{};
    std::snprintf(info.szToken, sizeof(info.szToken), "T");
    info.iUserId = 7;
    Ostra::ReadLobbyFiles(root + "/game/", info);
    EXPECT_EQ(Ostra::FieldText(info.szShopUrl, sizeof(info.szShopUrl)), std::string(281, 'a') + "&token=T&tokenId=7");
    EXPECT_EQ(Ostra::FieldText(info.szShowShopUrl, sizeof(info.szShowShopUrl)), std::string(282, 'b'));
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
}

} // namespace
