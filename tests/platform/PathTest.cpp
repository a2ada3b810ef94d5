#include "platform/Path.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

using namespace platform;

namespace
{

bool Exists(const std::string& path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

void MakeDirs(const std::string& path)
{
    for (size_t pos = path.find('/', 1); pos != std::string::npos; pos = path.find('/', pos + 1))
        mkdir(path.substr(0, pos).c_str(), 0755);
    mkdir(path.c_str(), 0755);
}

void Touch(const std::string& path)
{
    std::ofstream(path) << "x";
}

// A scratch folder, removed with everything in it at the end of the test.
class PathTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/tessaro-path-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        m_root = tmpl;
    }
    void TearDown() override
    {
        std::string cmd = "rm -rf '" + m_root + "'";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
    }
    std::string m_root;
};

// Changes the working folder for one test and puts it back.
class ScopedChdir
{
public:
    explicit ScopedChdir(const std::string& dir)
    {
        char buf[4096];
        m_old = getcwd(buf, sizeof(buf)) ? buf : "/";
        EXPECT_EQ(chdir(dir.c_str()), 0);
    }
    ~ScopedChdir() { (void)!chdir(m_old.c_str()); }

private:
    std::string m_old;
};

} // namespace

TEST_F(PathTest, ResolvesEachComponentIgnoringCase)
{
    MakeDirs(m_root + "/UserImage/default0");
    Touch(m_root + "/UserImage/default0/n.png");
    EXPECT_EQ(ResolvePath(m_root + "\\userimage\\Default0\\N.PNG"), m_root + "/UserImage/default0/n.png");
    EXPECT_EQ(ResolvePath(m_root + "/UserImage/default0/n.png"), m_root + "/UserImage/default0/n.png");
}

TEST_F(PathTest, RelativeNamesWithParentFoldersResolve)
{
    MakeDirs(m_root + "/game");
    MakeDirs(m_root + "/UserImage/default0");
    ScopedChdir cd(m_root + "/game");
    // The file itself does not exist: its folders resolve, the last name stays as written.
    EXPECT_EQ(ResolvePath("..\\UserImage\\Default0\\n"), "../UserImage/default0/n");
    EXPECT_EQ(ResolvePath(".\\..\\USERIMAGE\\"), "./../UserImage/");
}

TEST_F(PathTest, KeepsTheRestAsWrittenFromTheFirstMissingComponent)
{
    MakeDirs(m_root + "/Logs");
    EXPECT_EQ(ResolvePath(m_root + "\\logs\\NoSuch\\Sub\\user.log"), m_root + "/Logs/NoSuch/Sub/user.log");
    EXPECT_EQ(ResolvePath(m_root + "\\\\logs\\\\x"), m_root + "/Logs/x"); // doubled separators collapse
    EXPECT_EQ(ResolvePath(""), "");
}

TEST_F(PathTest, ExactSpellingWinsThenByteOrder)
{
    MakeDirs(m_root + "/data");
    MakeDirs(m_root + "/Data");
    EXPECT_EQ(ResolvePath(m_root + "/data"), m_root + "/data");
    EXPECT_EQ(ResolvePath(m_root + "/Data"), m_root + "/Data");
    EXPECT_EQ(ResolvePath(m_root + "/DATA"), m_root + "/Data"); // 'D' sorts before 'd'
}

TEST_F(PathTest, GbkNamesMatchUtf8FilesOnDisk)
{
    const std::string utf8Dir = m_root + "/" + u8"图片";
    MakeDirs(utf8Dir);
    Touch(utf8Dir + "/Bg.png");
    EXPECT_EQ(ResolvePath(m_root + "\\图片\\bg.png"), utf8Dir + "/Bg.png");
}

TEST(NativePathSpelling, SeparatorsAreRealBackslashesOnly)
{
    // "乗" is 81 5C in GBK: its trail byte looks like a backslash but belongs to the character.
    EXPECT_EQ(NativePathSpelling("a\\乗\\b"), std::string("a/") + u8"乗" + "/b");
    EXPECT_EQ(NativePathSpelling("dir\\"), "dir/");
    // Text that is not GBK is kept byte for byte, and a lead byte still shields its follower.
    EXPECT_EQ(NativePathSpelling("\xFF\\x\\\x81\\"), "\xFF/x/\x81\\");
}

TEST(ProgramDir, IsTheFolderOfTheRunningProgram)
{
    std::string dir = ProgramDir();
    ASSERT_FALSE(dir.empty());
    EXPECT_NE(dir.back(), '/');
    EXPECT_TRUE(Exists(dir + "/test-platform"));
}

TEST(DesktopDirFromUserDirs, ReadsTheDesktopEntry)
{
    const char* text = "# written by xdg-user-dirs-update\n"
                       "XDG_DOCUMENTS_DIR=\"$HOME/Documents\"\n"
                       "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n";
    EXPECT_EQ(DesktopDirFromUserDirs(text, "/home/u"), "/home/u/Schreibtisch");
    EXPECT_EQ(DesktopDirFromUserDirs("XDG_DESKTOP_DIR=\"/srv/desk/\"", "/home/u"), "/srv/desk");
    EXPECT_EQ(DesktopDirFromUserDirs("  XDG_DESKTOP_DIR=\"${HOME}/My \\\"Desk\\\"\"", "/h"), "/h/My \"Desk\"");
    EXPECT_EQ(DesktopDirFromUserDirs("XDG_DESKTOP_DIR=\"$HOME/\"", "/home/u"), "/home/u");
    // The last assignment counts, as in a shell.
    EXPECT_EQ(DesktopDirFromUserDirs("XDG_DESKTOP_DIR=\"/a\"\nXDG_DESKTOP_DIR=\"/b\"", "/h"), "/b");
}

TEST(DesktopDirFromUserDirs, RejectsWhatItCannotRead)
{
    EXPECT_EQ(DesktopDirFromUserDirs("", "/h"), std::nullopt);
    EXPECT_EQ(DesktopDirFromUserDirs("#XDG_DESKTOP_DIR=\"/a\"", "/h"), std::nullopt);
    EXPECT_EQ(DesktopDirFromUserDirs("XDG_DESKTOP_DIR=\"relative/x\"", "/h"), std::nullopt);
    EXPECT_EQ(DesktopDirFromUserDirs("XDG_DESKTOP_DIR=\"/unterminated", "/h"), std::nullopt);
    EXPECT_EQ(DesktopDirFromUserDirs("XDG_DESKTOP_DIR=/unquoted", "/h"), std::nullopt);
    EXPECT_EQ(DesktopDirFromUserDirs("XDG_DESKTOP_DIRX=\"/a\"", "/h"), std::nullopt);
    EXPECT_EQ(DesktopDirFromUserDirs("XDG_DESKTOP_DIR=\"$HOMEX/a\"", "/h"), std::nullopt);
}

TEST_F(PathTest, DesktopDirFollowsTheUserDirsFileElseDesktopUnderHome)
{
    const std::string home = m_root + "/home";
    MakeDirs(home + "/.config");
    setenv("HOME", home.c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(DesktopDir(), home + "/Desktop");
    EXPECT_FALSE(Exists(home + "/Desktop")); // named, never created

    std::ofstream(home + "/.config/user-dirs.dirs") << "XDG_DESKTOP_DIR=\"$HOME/Bureau\"\n";
    EXPECT_EQ(DesktopDir(), home + "/Bureau");

    MakeDirs(m_root + "/cfg");
    std::ofstream(m_root + "/cfg/user-dirs.dirs") << "XDG_DESKTOP_DIR=\"/elsewhere\"\n";
    setenv("XDG_CONFIG_HOME", (m_root + "/cfg").c_str(), 1);
    EXPECT_EQ(DesktopDir(), "/elsewhere");
}
