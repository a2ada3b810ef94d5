#include "tessaro/net/Log.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{

std::atomic<time_t> g_now{0};

time_t TestClock()
{
    return g_now.load();
}

time_t LocalTime(int year, int month, int day, int hour, int minute, int second)
{
    struct tm t = {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

LogConfig Config(int output, int minLevel, int fileMode, int format, const char* name, const char* tags = "",
                 const struct tm* rotateTime = nullptr)
{
    LogConfig config = {output, minLevel, fileMode, format, {}, {}, rotateTime};
    std::snprintf(config.szFileName, sizeof(config.szFileName), "%s", name);
    std::snprintf(config.szTagFilter, sizeof(config.szTagFilter), "%s", tags);
    return config;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> FilesStartingWith(const std::string& prefix)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator("."))
    {
        std::string name = entry.path().filename().string();
        if (name.compare(0, prefix.size(), prefix) == 0)
            names.push_back(name);
    }
    return names;
}

// Each test starts in a fresh scratch folder with the log closed and a known clock, and leaves the
// log closed with its default settings, whatever the test changed.
class LogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CloseLog();
        g_now = LocalTime(2012, 6, 28, 9, 5, 7);
        SetLogClock(TestClock);
        m_oldDir = std::filesystem::current_path();
        char tmpl[] = "/tmp/tessaro-log-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        m_dir = tmpl;
        std::filesystem::current_path(m_dir);
    }
    void TearDown() override
    {
        struct tm midnight = {};
        InitLog(Config(0x01, 10, 0x01, 0x7E, "", "", &midnight));
        CloseLog();
        SetLogClock(nullptr);
        std::filesystem::current_path(m_oldDir);
        std::filesystem::remove_all(m_dir);
    }

    std::string m_oldDir;
    std::string m_dir;
};

} // namespace

TEST_F(LogTest, WritesTheSystemLineToConsoleAndFile)
{
    // The settings that the application and the game window pass.
    InitLog(Config(0x07, 20, 0, 0x77, "user"));
    testing::internal::CaptureStdout();
    WriteLog(15, "Stack", "dropped below the minimum level");
    WriteLog(20, "Stack", "connect, error:%d-%d", 10061, 10061);
    const std::string console = testing::internal::GetCapturedStdout();

    const std::string line = "2012-06-28 09:05:07 [ERROR] [Stack]\tconnect, error:10061-10061\r\n";
    EXPECT_EQ(ReadFile("user.log"), line);
    EXPECT_EQ(console, line + "\n");
}

TEST_F(LogTest, FormatsEachPartAndCutsItTo500Characters)
{
    InitLog(Config(0x02, 0, 0x01, 0x04 | 0x10 | 0x20 | 0x40 | 0x80, "user"));
    for (int level : {0, 1, 10, 15, 20, 5, 21, -3})
        WriteLog(level, "T", "x");
    WriteLog(20, nullptr, "no tag");
    WriteLog(20, "T", nullptr);
    WriteLog(20, "T", "%s", std::string(700, 'm').c_str());
    WriteLog(20, std::string(600, 't').c_str(), "after a cut tag");
    WriteLog(20, "T", "%s%s", std::string(499, 'a').c_str(), "\xD6\xD0"); // a GBK character cut in two
    InitLog(Config(0x02, 0, 0x01, 0x08 | 0x20, ""));
    WriteLog(20, "T", "tid");

    EXPECT_EQ(ReadFile("user.log"), "[ALL] [T]\tx\r\n[DEBUG] [T]\tx\r\n[NOTE ] [T]\tx\r\n[WARN ] [T]\tx\r\n"
                                    "[ERROR] [T]\tx\r\n[5] [T]\tx\r\n[21] [T]\tx\r\n"
                                    "[ERROR] no tag\r\n"
                                    "[ERROR] [T]\t\r\n"
                                    "[ERROR] [T]\t" +
                                        std::string(500, 'm') + "\r\n[ERROR] [" + std::string(499, 't') +
                                        "after a cut tag\r\n[ERROR] [T]\t" + std::string(499, 'a') + "\xD6\r\n[" +
                                        std::to_string(gettid()) + "] tid\r\n");
}

TEST_F(LogTest, TagFilterIgnoresCaseAndAccumulates)
{
    InitLog(Config(0x02, 0, 0x01, 0x10 | 0x20, "user", "Stack,,clientstack,ABCDEFGHIJKLMNOPQRSTUVWXYZ"));
    WriteLog(20, "STACK", "1");
    WriteLog(20, "ClientStack", "2");
    WriteLog(20, "GameWndBase", "dropped");
    WriteLog(20, nullptr, "dropped: no tag");
    WriteLog(20, "", "dropped: empty tag");
    WriteLog(20, "abcdefghijklmnopqrs", "3: the filter keeps 19 characters of a tag");
    WriteLog(20, "ABCDEFGHIJKLMNOPQRSTUVWXYZ", "dropped");
    InitLog(Config(0, -1, 0, 0, "", "GameWndBase"));
    WriteLog(20, "GameWndBase", "4");
    WriteLog(20, "Stack", "5");

    EXPECT_EQ(ReadFile("user.log"), "[STACK]\t1\r\n[ClientStack]\t2\r\n"
                                    "[abcdefghijklmnopqrs]\t3: the filter keeps 19 characters of a tag\r\n"
                                    "[GameWndBase]\t4\r\n[Stack]\t5\r\n");
}

TEST_F(LogTest, SettingsStayUntilChangedAndCloseLogReopens)
{
    InitLog(Config(0x02, 15, 0x01, 0x04 | 0x20, "user"));
    InitLog(Config(0, -1, 0, 0, ""));
    WriteLog(10, "T", "dropped");
    WriteLog(15, "T", "kept");
    InitLog(Config(0, -1, 0, 0, "other")); // a new name moves the following lines
    WriteLog(15, "T", "moved");
    CloseLog();
    WriteLog(15, "T", "closed"); // the name is forgotten: the default one applies
    CloseLog();
    CloseLog();
    InitLog(Config(0, -1, 0, 0, "user"));
    WriteLog(15, "T", "again");

    EXPECT_EQ(ReadFile("user.log"), "[WARN ] kept\r\n[WARN ] again\r\n");
    EXPECT_EQ(ReadFile("other.log"), "[WARN ] moved\r\n");
    EXPECT_EQ(ReadFile("prog.log"), "[WARN ] closed\r\n");
}

TEST_F(LogTest, DefaultsApplyBeforeInitLog)
{
    // Only a fresh process has never seen InitLog: the child runs this test again from the start.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto check = [this]
    {
        if (!std::freopen("console.txt", "w", stdout))
            std::exit(2);
        WriteLog(1, "T", "dropped below the default minimum");
        WriteLog(10, "T", "kept %d", 7);
        std::fflush(stdout);
        const std::string console = ReadFile("console.txt");
        const bool noFile = FilesStartingWith("prog").empty(); // console output only
        TearDown();                                            // the child ends before the fixture would clean up
        if (console != "09:05:07 [NOTE ] [" + std::to_string(gettid()) + "] [T]\tkept 7\r\n\n")
        {
            std::fprintf(stderr, "console: [%s]\n", console.c_str());
            std::exit(1);
        }
        std::exit(noFile ? 0 : 3);
    };
    EXPECT_EXIT(check(), testing::ExitedWithCode(0), "");
}

TEST_F(LogTest, CannotCreateTheFileEndsTheProcess)
{
    auto write = []
    {
        dup2(2, 1); // what the log prints on standard output becomes visible to the death test
        InitLog(Config(0x03, 20, 0x01, 0x77, "missing\\folder\\user"));
        WriteLog(0, "T", "the file is opened even for a dropped line");
    };
    // exit(-1) is seen as status 255.
    EXPECT_EXIT(write(), testing::ExitedWithCode(255),
                "can't create log file, file name:missing\\\\folder\\\\user\\.log");
}

TEST_F(LogTest, DailyRotationRenamesAtTheFirstLineAfterMidnight)
{
    InitLog(Config(0x06, 20, 0x01, 0x20, "user"));
    g_now = LocalTime(2012, 6, 27, 22, 0, 0);
    WriteLog(20, "T", "A"); // fixes the next rotation: 2012-06-28 00:00:00
    g_now = LocalTime(2012, 6, 28, 0, 0, 0);
    WriteLog(20, "T", "B");
    g_now = LocalTime(2012, 6, 28, 0, 0, 3);
    WriteLog(20, "T", "C"); // written, then the file rotates
    WriteLog(20, "T", "D");
    g_now = LocalTime(2012, 6, 28, 23, 59, 59);
    WriteLog(20, "T", "E");
    EXPECT_EQ(ReadFile("user.20120628000000"), "A\r\nB\r\nC\r\n");
    EXPECT_EQ(ReadFile("user.log"), "D\r\nE\r\n");

    g_now = LocalTime(2012, 6, 29, 0, 0, 1);
    WriteLog(20, "T", "F");
    EXPECT_EQ(ReadFile("user.20120629000000"), "D\r\nE\r\nF\r\n");
    EXPECT_EQ(ReadFile("user.log"), "");
}

TEST_F(LogTest, DailyRotationAtItsTimeOfDayKeepsExistingArchives)
{
    struct tm at = {};
    at.tm_hour = 3;
    at.tm_min = 30;
    at.tm_sec = 15;
    InitLog(Config(0x06, 20, 0x01, 0x20, "user", "", &at));
    g_now = LocalTime(2012, 6, 28, 3, 30, 15);
    WriteLog(20, "T", "A"); // exactly at the time: the next rotation is now
    WriteLog(20, "T", "B");
    g_now = LocalTime(2012, 6, 28, 3, 30, 16);
    WriteLog(20, "T", "C");
    WriteLog(20, "T", "D");
    EXPECT_EQ(ReadFile("user.20120628033015"), "A\r\nB\r\nC\r\n");
    EXPECT_EQ(ReadFile("user.log"), "D\r\n");

    std::ofstream("user.20120629033015", std::ios::binary) << "older\r\n";
    g_now = LocalTime(2012, 6, 29, 4, 0, 0);
    WriteLog(20, "T", "E");
    WriteLog(20, "T", "F");
    EXPECT_EQ(ReadFile("user.20120629033015"), "older\r\n");
    EXPECT_EQ(ReadFile("user.log"), "D\r\nE\r\nF\r\n");
}

TEST_F(LogTest, SizeRotationKeepsTenOldFiles)
{
    InitLog(Config(0x12, 20, 0x01, 0x20, "user"));
    WriteLog(20, "T", "first");
    ASSERT_EQ(truncate("user.log", 10000000 - 3), 0);
    WriteLog(20, "T", "x"); // exactly 10000000 bytes do not rotate yet
    EXPECT_TRUE(FilesStartingWith("user_").empty());
    for (int i = 0; i <= 10; ++i)
    {
        // Grown past the limit without writing (sparse), then one line.
        ASSERT_EQ(i == 0 ? 0 : truncate("user.log", 10000001), 0);
        WriteLog(20, "T", "rotation %d", i);
        ASSERT_EQ(ReadFile("user.log"), "") << i;
    }
    EXPECT_EQ(FilesStartingWith("user_").size(), 10u);
    for (int i = 0; i <= 9; ++i)
    {
        // The eleventh rotation replaced the first file.
        const std::string tail = "rotation " + std::to_string(i == 0 ? 10 : i) + "\r\n";
        const std::string text = ReadFile("user_" + std::to_string(i) + ".log");
        EXPECT_EQ(text.size(), 10000001 + tail.size());
        EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    }
    WriteLog(20, "T", "after");
    EXPECT_EQ(ReadFile("user.log"), "after\r\n");
}

TEST_F(LogTest, PerThreadFilesAreNamedByThreadAndClosedWhenTheThreadEnds)
{
    // Per-thread mode with both rotations on: only the shared file would rotate, so nothing moves.
    InitLog(Config(0x16, 20, 0x02, 0x20, "user"));
    g_now = LocalTime(2012, 6, 27, 23, 0, 0);
    WriteLog(20, "T", "main");
    g_now = LocalTime(2012, 6, 28, 1, 0, 0);
    std::vector<pid_t> ids(3);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < ids.size(); ++i)
    {
        threads.emplace_back(
            [&ids, i]
            {
                ids[i] = gettid();
                for (int n = 0; n < 2; ++n)
                    WriteLog(20, "T", "thread %zu line %d", i, n);
            });
    }
    for (std::thread& t : threads)
        t.join();
    WriteLog(20, "T", "main again");

    std::set<std::string> open; // the files this process holds open
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
    {
        std::error_code ignored;
        open.insert(std::filesystem::read_symlink(entry.path(), ignored).filename().string());
    }
    const std::string mainFile = "user" + std::to_string(gettid()) + ".log";
    EXPECT_EQ(ReadFile(mainFile), "main\r\nmain again\r\n");
    EXPECT_EQ(open.count(mainFile), 1u);
    for (size_t i = 0; i < ids.size(); ++i)
    {
        const std::string name = "user" + std::to_string(ids[i]) + ".log";
        const std::string t = "thread " + std::to_string(i);
        EXPECT_EQ(ReadFile(name), t + " line 0\r\n" + t + " line 1\r\n");
        EXPECT_EQ(open.count(name), 0u) << "still open after its thread ended";
    }
    EXPECT_EQ(FilesStartingWith("user").size(), 4u);
}

namespace
{

std::atomic<long> g_clockCalls{0};
time_t g_clockStart = 0;

// A new day every 2000 readings: threads logging at full speed cross many rotations.
time_t RacingClock()
{
    return g_clockStart + 86400 * (g_clockCalls.fetch_add(1) / 2000);
}

} // namespace

TEST_F(LogTest, LinesFromManyThreadsStayWholeAcrossRotations)
{
    constexpr int kThreads = 6;
    constexpr int kLinesEach = 2000;
    g_clockStart = LocalTime(2012, 6, 1, 12, 0, 0);
    g_clockCalls = 0;
    SetLogClock(RacingClock);
    InitLog(Config(0x06, 20, 0x01, 0x7F, "user"));
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
    {
        threads.emplace_back(
            [t]
            {
                for (int n = 0; n < kLinesEach; ++n)
                    WriteLog(20, "Worker", "thread %d line %d %s", t, n, std::string(n % 97, '.').c_str());
            });
    }
    for (std::thread& t : threads)
        t.join();
    CloseLog();

    std::vector<std::string> files = FilesStartingWith("user.2012");
    EXPECT_GE(files.size(), 3u);
    files.push_back("user.log");
    std::set<std::pair<int, int>> seen;
    for (const std::string& file : files)
    {
        std::istringstream text(ReadFile(file));
        for (std::string line; std::getline(text, line, '\n');)
        {
            // Read the variable fields, then rebuild the whole line from them.
            int month = 0, day = 0, tid = 0, t = 0, n = 0;
            ASSERT_EQ(std::sscanf(line.c_str(), "2012-%d-%d 12:00:00 [ERROR] [%d] [Worker]\tthread %d line %d", &month,
                                  &day, &tid, &t, &n),
                      5)
                << file << ": " << line;
            char head[128];
            std::snprintf(head, sizeof(head), "2012-%02d-%02d 12:00:00 [ERROR] [%d] [Worker]\tthread %d line %d ",
                          month, day, tid, t, n);
            ASSERT_EQ(line, head + std::string(static_cast<size_t>(n % 97), '.') + "\r") << file;
            EXPECT_TRUE(seen.insert({t, n}).second) << "twice: " << line;
        }
    }
    EXPECT_EQ(seen.size(), static_cast<size_t>(kThreads * kLinesEach));
}
