// The lobby's files in a temporary platform root.
#include "tools/lobby/LobbyFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace
{

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteAll(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

class LobbyFilesTest : public testing::Test
{
protected:
    void SetUp() override
    {
        std::string pattern = testing::TempDir() + "lobbyfiles-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_root = pattern;
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(m_root, ec);
    }

    // What the game reads from a file: key in section, through the same lookup rules.
    static std::string Value(const fs::path& file, const char* section, const char* key)
    {
        std::string value;
        EXPECT_TRUE(lobby::FindIniValue(ReadAll(file), section, key, value)) << file << " " << section << " " << key;
        return value;
    }

    fs::path m_root;
};

TEST_F(LobbyFilesTest, AnEmptyRootGetsEveryKeyTheGameReads)
{
    lobby::LobbyFilesReport report;
    std::string error;
    ASSERT_TRUE(lobby::PrepareLobbyFiles(m_root.string(), report, error)) << error;
    EXPECT_EQ(report.locale, lobby::kWrittenLocale);
    EXPECT_EQ(report.written,
              (std::vector<std::string>{"local.dat", std::string("localdata_") + lobby::kWrittenLocale + "/lobby.conf",
                                        "global.conf"}));
    EXPECT_TRUE(report.kept.empty());
    EXPECT_TRUE(report.warnings.empty());

    EXPECT_EQ(Value(m_root / "local.dat", "LOCAL", "local_name"), lobby::kWrittenLocale);
    const fs::path conf = m_root / (std::string("localdata_") + lobby::kWrittenLocale) / "lobby.conf";
    for (const char* key : {"detail_url_n", "home_url", "find_url", "shop_url_n", "show_shop_url_n"})
        EXPECT_EQ(Value(conf, "GAME_URL", key).rfind("http://127.0.0.1/", 0), 0u) << key;
    // The game appends "&token=..." to the shop addresses and "xId=..." to the details address.
    EXPECT_NE(Value(conf, "GAME_URL", "shop_url_n").find('?'), std::string::npos);
    EXPECT_EQ(Value(conf, "GAME_URL", "detail_url_n").back(), '?');

    const fs::path global = m_root / "global.conf";
    EXPECT_EQ(Value(global, "VIDEO", "video_server_ip"), "127.0.0.1");
    EXPECT_GT(std::stoi(Value(global, "VIDEO", "video_server_port")), 0);
    for (const char* key : {"shop_url", "show_shop_url", "detail_url"})
        EXPECT_GT(Value(global, "GAME_URL", key).size(), 5u) << key;
}

TEST_F(LobbyFilesTest, ExistingFilesAreKeptInAnyLetterCase)
{
    // The game opens these files whatever their case, so they count as present.
    fs::create_directories(m_root / "LocalData_TW");
    WriteAll(m_root / "Local.DAT", "[LOCAL]\r\n  Local_Name =  tw \r\n");
    WriteAll(m_root / "LocalData_TW" / "LOBBY.conf", "mine\n");
    WriteAll(m_root / "global.conf", "[GAME_URL]\nshop_url=x\n");
    struct stat before;
    ASSERT_EQ(stat((m_root / "global.conf").c_str(), &before), 0);

    lobby::LobbyFilesReport report;
    std::string error;
    ASSERT_TRUE(lobby::PrepareLobbyFiles(m_root.string(), report, error)) << error;
    EXPECT_EQ(report.locale, "tw");
    EXPECT_TRUE(report.written.empty());
    EXPECT_EQ(report.kept, (std::vector<std::string>{"Local.DAT", "LocalData_TW/LOBBY.conf", "global.conf"}));
    EXPECT_FALSE(fs::exists(m_root / "local.dat"));
    EXPECT_FALSE(fs::exists(m_root / "localdata_tw"));
    EXPECT_EQ(ReadAll(m_root / "LocalData_TW" / "LOBBY.conf"), "mine\n");
    EXPECT_EQ(ReadAll(m_root / "global.conf"), "[GAME_URL]\nshop_url=x\n");
    struct stat after;
    ASSERT_EQ(stat((m_root / "global.conf").c_str(), &after), 0);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    EXPECT_EQ(after.st_ino, before.st_ino);
}

TEST_F(LobbyFilesTest, TheLocaleComesFromAnExistingLocalDatOrTheGamesFallback)
{
    WriteAll(m_root / "local.dat", "; no locale here\n[OTHER]\nlocal_name = xx\n");
    lobby::LobbyFilesReport report;
    std::string error;
    ASSERT_TRUE(lobby::PrepareLobbyFiles(m_root.string(), report, error)) << error;
    EXPECT_EQ(report.locale, lobby::kFallbackLocale);
    EXPECT_TRUE(fs::exists(m_root / (std::string("localdata_") + lobby::kFallbackLocale) / "lobby.conf"));
    EXPECT_FALSE(fs::exists(m_root / "localdata_xx"));
    // A missing file was written, the existing one kept.
    EXPECT_EQ(report.kept, std::vector<std::string>{"local.dat"});
}

TEST_F(LobbyFilesTest, ALocaleThatIsNoFolderNameWritesNothingOutsideTheRoot)
{
    const fs::path inner = m_root / "inner";
    fs::create_directories(inner);
    WriteAll(inner / "local.dat", "[LOCAL]\nlocal_name = ../../x\n");
    lobby::LobbyFilesReport report;
    std::string error;
    ASSERT_TRUE(lobby::PrepareLobbyFiles(inner.string(), report, error)) << error;
    EXPECT_EQ(report.locale, "../../x");
    ASSERT_EQ(report.warnings.size(), 1u);
    EXPECT_EQ(report.written, std::vector<std::string>{"global.conf"});
    EXPECT_EQ(std::distance(fs::directory_iterator(m_root), fs::directory_iterator()), 1);

    for (const char* name : {"", "a/b", "a\\b", "..", "toolongname", "\xC7\xC5"})
        EXPECT_FALSE(lobby::IsUsableLocale(name)) << name;
    for (const char* name : {"th", "zh_CN", "en-GB", "123456789"})
        EXPECT_TRUE(lobby::IsUsableLocale(name)) << name;
}

TEST_F(LobbyFilesTest, AMissingRootIsCreatedAndABlockedOneReported)
{
    lobby::LobbyFilesReport report;
    std::string error;
    ASSERT_TRUE(lobby::PrepareLobbyFiles((m_root / "a" / "b").string(), report, error)) << error;
    EXPECT_TRUE(fs::exists(m_root / "a" / "b" / "global.conf"));

    WriteAll(m_root / "file", "x");
    EXPECT_FALSE(lobby::PrepareLobbyFiles((m_root / "file").string(), report, error));
    EXPECT_NE(error.find("file"), std::string::npos);
}

TEST(LobbyIniTest, LookupFollowsTheGamesReader)
{
    const std::string text = "top = 0\n"
                             "[GAME_URL]\n"
                             "# home_url = commented\n"
                             "  HOME_URL\t =   http://a/b  c \r\n"
                             "home_url = second\n"
                             "noequals\n"
                             "[ GAME_URL ]\n"
                             "find_url = other section\n"
                             "[GAME_URL]\n"
                             "find_url = back again\n";
    std::string value;
    ASSERT_TRUE(lobby::FindIniValue(text, "GAME_URL", "home_url", value));
    EXPECT_EQ(value, "http://a/b c");
    ASSERT_TRUE(lobby::FindIniValue(text, "GAME_URL", "find_url", value));
    EXPECT_EQ(value, "back again");
    EXPECT_FALSE(lobby::FindIniValue(text, "GAME_URL", "top", value));
    EXPECT_FALSE(lobby::FindIniValue(text, "game_url", "home_url", value));
    EXPECT_FALSE(lobby::FindIniValue("", "LOCAL", "local_name", value));
}

} // namespace
