// What the application's start-up tests share: an application whose program folder is a scratch
// folder tree laid out as the platform lays out a game beside its lobby, and a fixture that gives
// every test a fresh tree and puts back what the application changes in the process (the current
// directory, the log settings, g_AppInfo).
//
//   <root>/lobby/                 the lobby's folder: local.dat, localdata_<locale>/lobby.conf,
//                                 global.conf and (unless a test removes it) multi.dat
//   <root>/lobby/game/            the game's program folder: set.dat, properties/tips.dat, user.log
#pragma once

#include "tessaro/app/AppInfo.h"
#include "tessaro/app/GameAppBase.h"
#include "tessaro/net/Log.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace apptest
{

// An application as a game derives it, on a program folder of the test's choosing. Everything else
// is the real start-up: it enters that folder, opens the log there and allows one copy unless
// ../multi.dat exists.
class StartupApp : public Ostra::GameAppBase
{
public:
    explicit StartupApp(const std::string& programDir) : GameAppBase(Options(programDir)) {}
    // The framework's own choice of folder.
    StartupApp() = default;

    void GameAppReserved() override {}
    void Shutdown() override
    {
        ++shutdowns;
        GameAppBase::Shutdown();
    }

    int shutdowns = 0;

private:
    static StartupOptions Options(const std::string& programDir)
    {
        StartupOptions options;
        options.strModuleDir = programDir;
        return options;
    }
};

inline std::string CurrentDir()
{
    std::error_code error;
    return std::filesystem::current_path(error).string();
}

inline void WriteFile(const std::string& path, const std::string& bytes)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline bool FileExists(const std::string& path)
{
    std::error_code error;
    return std::filesystem::exists(path, error);
}

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class AppTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_savedDir = CurrentDir();
        char tmpl[] = "/tmp/tessaro-startup-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        m_root = tmpl;
        std::filesystem::create_directories(GameDir());
        // Tests run side by side in processes of the same program: one copy only would stop all
        // but the first.
        WriteFile(LobbyDir() + "multi.dat", "");
        Ostra::g_AppInfo = Ostra::AppInfo{};
    }

    void TearDown() override
    {
        struct tm midnight = {};
        LogConfig defaults = {0x01, 10, 0x01, 0x7E, {}, {}, &midnight};
        InitLog(defaults);
        CloseLog();
        std::error_code error;
        std::filesystem::current_path(m_savedDir, error);
        EXPECT_FALSE(error) << error.message();
        std::filesystem::remove_all(m_root, error);
        Ostra::g_AppInfo = Ostra::AppInfo{};
    }

    // With the separators the application's folder names end in.
    std::string LobbyDir() const { return m_root + "/lobby/"; }
    std::string GameDir() const { return m_root + "/lobby/game/"; }
    std::string LogText() const { return ReadFile(GameDir() + "user.log"); }

    std::string m_root;
    std::string m_savedDir;
};

} // namespace apptest
