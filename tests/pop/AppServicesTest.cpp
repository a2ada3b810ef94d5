// Services of the application: properties, file helpers, pictures by name, message boxes.
#include "PixelTestUtil.h"

#include "pop/SexyAppBase.h"
#include "pop/TestHarness.h"

#include "platform/Text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

using namespace Sexy;
using poptest::TempDir;

namespace
{

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

} // namespace

TEST(AppProperties, KeyValueLinesWithCommentsBlanksAndEscapes)
{
    TempDir dir;
    std::string file = dir.Path() + "/default.properties";
    WriteFile(file, "# fonts\n"
                    "  STR_DEFAULT_FONT =  Arial  \r\n"
                    "; another comment\n"
                    "\n"
                    "no equals sign here\n"
                    "=value without key\n"
                    "STR_DEFAULT_FONT_SIZE=12\n"
                    "MULTI=line one\\nline two\\tTab\\\\ and \\x kept\n"
                    "EMPTY=\n"
                    "EQ=a=b\n"
                    "STR_DEFAULT_FONT_SIZE=14\n");
    SexyAppBase app;
    ASSERT_TRUE(app.LoadProperties(file));
    EXPECT_EQ(app.GetString("STR_DEFAULT_FONT", L"x"), L"Arial");
    EXPECT_EQ(app.GetInteger("STR_DEFAULT_FONT_SIZE", 9), 14) << "a later line wins";
    EXPECT_EQ(app.GetString("MULTI"), L"line one\nline two\tTab\\ and \\x kept");
    EXPECT_TRUE(app.HasProperty("EMPTY"));
    EXPECT_EQ(app.GetString("EMPTY", L"d"), L"");
    EXPECT_EQ(app.GetString("EQ"), L"a=b");
    EXPECT_FALSE(app.HasProperty("no equals sign here"));
    EXPECT_FALSE(app.HasProperty(""));
    EXPECT_EQ(app.GetString("MISSING", "宋体"), platform::GbkToWide("宋体")) << "a GBK default";
    EXPECT_EQ(app.GetString("MISSING", L"wide"), L"wide");
}

TEST(AppProperties, Utf8AndGbkFilesGiveTheSameText)
{
    TempDir dir;
    const std::wstring expected = L"宋体";
    WriteFile(dir.Path() + "/u.properties", "\xEF\xBB\xBF"
                                            "FONT=" +
                                                platform::WideToUtf8(expected) + "\n");
    WriteFile(dir.Path() + "/n.properties", "FONT=" + platform::WideToUtf8(expected) + "\n");
    WriteFile(dir.Path() + "/g.properties", "FONT=" + platform::WideToGbk(expected) + "\n");
    for (const char* name : {"/u.properties", "/n.properties", "/g.properties"})
    {
        SexyAppBase app;
        ASSERT_TRUE(app.LoadProperties(dir.Path() + name));
        EXPECT_EQ(app.GetString("FONT"), expected) << name;
    }
}

TEST(AppProperties, NumbersAndTruthValues)
{
    TempDir dir;
    std::string file = dir.Path() + "/p.properties";
    WriteFile(file, "A=42\nB=-17\nC=0x1F\nD=12abc\nE=99999999999\nF=-2147483648\nG=2147483648\nH=\nI=+5\nJ= 7 \n"
                    "T1=TRUE\nT2=yes\nT3=On\nT4=1\nF1=false\nF2=No\nF3=off\nF4=0\nX=maybe\n");
    SexyAppBase app;
    ASSERT_TRUE(app.LoadProperties(file));
    EXPECT_EQ(app.GetInteger("A"), 42);
    EXPECT_EQ(app.GetInteger("B"), -17);
    EXPECT_EQ(app.GetInteger("C"), 31);
    EXPECT_EQ(app.GetInteger("D", -1), -1) << "trailing garbage";
    EXPECT_EQ(app.GetInteger("E", -1), -1) << "out of range";
    EXPECT_EQ(app.GetInteger("F", 0), -2147483647 - 1);
    EXPECT_EQ(app.GetInteger("G", -1), -1);
    EXPECT_EQ(app.GetInteger("H", 8), 8);
    EXPECT_EQ(app.GetInteger("I"), 5);
    EXPECT_EQ(app.GetInteger("J"), 7);
    EXPECT_EQ(app.GetInteger("NONE", 3), 3);
    for (const char* k : {"T1", "T2", "T3", "T4"})
        EXPECT_TRUE(app.GetBoolean(k, false)) << k;
    for (const char* k : {"F1", "F2", "F3", "F4"})
        EXPECT_FALSE(app.GetBoolean(k, true)) << k;
    EXPECT_TRUE(app.GetBoolean("X", true));
    EXPECT_FALSE(app.GetBoolean("X", false));
}

TEST(AppProperties, AMissingFileIsAFailureThatChangesNothing)
{
    SexyAppBase app;
    app.SetString("K", L"v");
    EXPECT_FALSE(app.LoadProperties("/nonexistent/folder/x.properties"));
    EXPECT_FALSE(app.LoadProperties(""));
    EXPECT_EQ(app.GetString("K"), L"v");
}

TEST(AppFiles, WriteReadAndExistByTheSystemsFileNames)
{
    TempDir dir;
    // Missing folders are made on the way; a name written with backslashes and another letter
    // case finds the same file.
    std::string name = dir.Path() + "\\Sub\\Deeper\\data.BIN";
    const uint8_t bytes[] = {0, 1, 2, 0xFF, 0x5C};
    ASSERT_TRUE(WriteBytesToFile(name, bytes, sizeof(bytes)));
    EXPECT_TRUE(FileExists(dir.Path() + "/sub/deeper/DATA.bin"));
    EXPECT_TRUE(FileExists(dir.Path() + "/Sub")) << "folders exist too";

    std::vector<uint8_t> read = {9, 9};
    ASSERT_TRUE(ReadBufferFromFile(dir.Path() + "/SUB/deeper/data.bin", read));
    EXPECT_EQ(read, std::vector<uint8_t>(bytes, bytes + sizeof(bytes)));

    // Writing again replaces the whole file.
    ASSERT_TRUE(WriteBytesToFile(name, "ab", 2));
    SexyAppBase app;
    ASSERT_TRUE(app.ReadBufferFromFile(name, read));
    EXPECT_EQ(read, (std::vector<uint8_t>{'a', 'b'}));

    ASSERT_TRUE(app.WriteBytesToFile(dir.Path() + "/empty", nullptr, 0));
    ASSERT_TRUE(app.ReadBufferFromFile(dir.Path() + "/empty", read));
    EXPECT_TRUE(read.empty());
}

TEST(AppFiles, FailuresAreReportedAndLeaveNothingBehind)
{
    TempDir dir;
    std::vector<uint8_t> read = {1};
    EXPECT_FALSE(FileExists(dir.Path() + "/missing"));
    EXPECT_FALSE(FileExists(""));
    EXPECT_FALSE(ReadBufferFromFile(dir.Path() + "/missing", read));
    EXPECT_TRUE(read.empty());
    read = {1};
    EXPECT_FALSE(ReadBufferFromFile(dir.Path(), read)) << "a folder is not a file";
    EXPECT_TRUE(read.empty());
    EXPECT_FALSE(WriteBytesToFile(dir.Path() + "/x", nullptr, 4));
    EXPECT_FALSE(WriteBytesToFile(dir.Path(), "ab", 2)) << "a folder cannot be written as a file";
}

TEST(AppImages, GetImageFindsAPictureByANameWithoutExtension)
{
    TempDir dir;
    MemoryImage source(6, 4);
    source.Clear(Color(10, 200, 30));
    std::filesystem::create_directories(dir.Path() + "/images/Base");
    ASSERT_TRUE(ImageLib::WritePNGImage(dir.Path() + "/images/Base/ok.png", &source));

    SexyAppBase app;
    std::unique_ptr<DDImage> image(app.GetImage(dir.Path() + "\\images\\base\\OK", true));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->GetWidth(), 6);
    EXPECT_EQ(image->GetHeight(), 4);
    EXPECT_EQ(image->GetPixel(3, 2), Color(10, 200, 30));

    EXPECT_EQ(app.GetImage(dir.Path() + "/images/base/missing"), nullptr);
    WriteFile(dir.Path() + "/broken.png", "not a picture");
    EXPECT_EQ(app.GetImage(dir.Path() + "/broken"), nullptr);
}

TEST(AppMsgBox, TheHarnessRecordsBoxesAndGivesItsAnswer)
{
    TestHarness h(100, 100);
    EXPECT_EQ(h.App().MsgBox("first", "Message", MB_OK), IDOK);
    h.SetMsgBoxAnswer(IDNO);
    EXPECT_EQ(h.App().MsgBox(L"第二", L"标题", MB_YESNO | MB_ICONQUESTION), IDNO);
    auto boxes = h.MessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "first");
    EXPECT_EQ(boxes[0].title, "Message");
    EXPECT_EQ(boxes[0].flags, MB_OK);
    EXPECT_EQ(boxes[1].text, platform::WideToGbk(L"第二")) << "the system's 8-bit text";
    EXPECT_EQ(boxes[1].title, platform::WideToGbk(L"标题"));
    EXPECT_EQ(boxes[1].flags, MB_YESNO | MB_ICONQUESTION);
}

TEST(AppMsgBox, AWorkerThreadsBoxIsAnsweredWithoutTheMainThread)
{
    TestHarness h(100, 100);
    h.SetMsgBoxAnswer(IDCANCEL);
    int answer = 0;
    // The main thread is busy joining: the box must not depend on it.
    std::thread worker([&] { answer = h.App().MsgBox("connection lost", "Message", MB_OKCANCEL); });
    worker.join();
    EXPECT_EQ(answer, IDCANCEL);
    auto boxes = h.MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "connection lost");
}

TEST(AppMsgBox, HeadlessWithoutAHandlerAnswersOk)
{
    SexyAppBase app;
    app.mHeadless = true;
    app.Init();
    testing::internal::CaptureStderr();
    EXPECT_EQ(app.MsgBox("headless text", "Message", MB_YESNO), IDOK);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("headless text"), std::string::npos) << "logged";
}
