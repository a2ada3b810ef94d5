// The lobby's reading of a record: every malformed line is refused with its reason, and the reader
// names each bad line and goes on.
#include "tests/replay/ReplayTestSupport.h"
#include "tools/lobby/ReplayRecord.h"

#include <gtest/gtest.h>

namespace
{

using namespace replaytest;
using lobby::RecordReader;

// A frame of that many bytes, in hexadecimal, whose length field says lengthField.
std::string FrameHex(size_t bytes, size_t lengthField)
{
    char head[16];
    std::snprintf(head, sizeof head, "0300%04zx", lengthField);
    return head + std::string(2 * (bytes - 4), 'a');
}

std::string Line(const std::string& frameHex, const std::string& extra = "")
{
    return R"({"conn":1,"t":5.5,"type":36,)" + extra + R"("frame":")" + frameHex + "\"}";
}

TEST(RecordParse, RefusesEveryMalformedMessageLineWithItsReason)
{
    const std::string ok = FrameHex(20, 20);
    const std::pair<std::string, std::string> cases[] = {
        {"not json", "bad JSON: not a JSON object"},
        {Line(ok) + " x", "text after the object"},
        {R"({"conn":1,"t":5,"type":1,"frame":")" + ok, "without its closing quote"},
        {R"({"t":5,"type":1,"frame":")" + ok + "\"}", "\"conn\" is missing"},
        {R"({"conn":1,"t":5,"type":1})", "\"frame\" is missing"},
        {R"({"conn":0,"t":5,"type":1,"frame":")" + ok + "\"}", "\"conn\" is 0, not (1 to"},
        {R"({"conn":1.5,"t":5,"type":1,"frame":")" + ok + "\"}", "\"conn\" must be a whole number"},
        {R"({"conn":01,"t":5,"type":1,"frame":")" + ok + "\"}", "leading zero"},
        {R"({"conn":99999999999999999999,"t":5,"type":1,"frame":")" + ok + "\"}", "\"conn\" is"},
        {R"({"conn":1,"t":-1,"type":1,"frame":")" + ok + "\"}", "\"t\" must be milliseconds"},
        {R"({"conn":1,"t":5,"type":256,"frame":")" + ok + "\"}", "\"type\" is 256"},
        {Line(ok, R"("len":70000,)"), "\"len\" is 70000"},
        {R"({"conn":1,"t":5,"type":1,"frame":12})", "\"frame\" must be a string"},
        {Line(ok + "a"), "odd number"},
        {Line("zz" + ok.substr(2)), "digit 1 is not a hexadecimal digit"},
        {Line(FrameHex(19, 19)), "19 bytes, fewer than the smallest frame (20)"},
        {Line(FrameHex(65536, 0)), "more than 65535 bytes"},
        {Line(FrameHex(20, 21)), "length field says 21 bytes, but it has 20"},
        {Line(ok, R"("conn":2,)"), "\"conn\" given twice"},
        {Line(ok, R"("x":[1],)"), "nested values"},
        {Line(ok, R"("x":"\ud800",)"), "high surrogate"},
        {kHeader, "a second record header"},
    };
    for (const auto& c : cases)
    {
        lobby::RecordEntry entry;
        std::string reason;
        EXPECT_FALSE(lobby::ParseRecordEntry(c.first, entry, reason)) << c.first.substr(0, 120);
        EXPECT_NE(reason.find(c.second), std::string::npos) << c.first.substr(0, 120) << "\n  gave: " << reason;
    }
}

TEST(RecordParse, TakesWellFormedLinesUpToTheLargestFrame)
{
    // Unknown fields of any plain kind, escapes, blanks and upper-case digits are fine.
    const std::pair<std::string, size_t> cases[] = {
        {Line(FrameHex(65535, 65535)), 65535},
        {R"( { "conn" : 1 , "t" : 0 , "type" : -1 , "note" : "\u00e9\ud83d\ude00\n" , "ok" : true , "no" : null , )"
         R"("frame" : "03000014)" +
             std::string(32, 'F') + "\" }\r",
         20},
    };
    for (const auto& c : cases)
    {
        lobby::RecordEntry entry;
        std::string reason;
        ASSERT_TRUE(lobby::ParseRecordEntry(c.first, entry, reason)) << reason;
        EXPECT_EQ(entry.frame.size(), c.second);
    }
}

TEST(RecordParse, RefusesHeadersOfOtherFormatsAndVersions)
{
    const std::pair<std::string, std::string> cases[] = {
        {R"({"version":1})", "\"format\" is missing"},
        {R"({"format":"other","version":1})", "must be \"tessaro-record\""},
        {R"({"format":"tessaro-record"})", "\"version\" is missing"},
        {R"({"format":"tessaro-record","version":2})", "version 2 is not known here"},
        {Line(FrameHex(20, 20)), "the first line is a message"},
    };
    std::string reason;
    for (const auto& c : cases)
    {
        EXPECT_FALSE(lobby::ParseRecordHeader(c.first, reason)) << c.first;
        EXPECT_NE(reason.find(c.second), std::string::npos) << c.first << "\n  gave: " << reason;
    }
    EXPECT_TRUE(lobby::ParseRecordHeader(R"({"format":"tessaro-record","version":1,"started":"x"})", reason));
}

TEST(RecordReader, NamesEveryBadLineAndReadsOn)
{
    TempFolder dir;
    const std::string frame = Frame(40, "ab");
    WriteLines(dir / "r.jsonl", {kHeader, Entry(2, 10, 40, frame), "{oops", std::string(lobby::kMaxRecordLine + 1, 'x'),
                                 Entry(1, 9, 40, frame), "", Entry(1, 20, 40, frame)});
    std::ofstream(dir / "r.jsonl", std::ios::app) << Entry(2, 30, 40, frame); // no line end

    RecordReader reader;
    std::string error;
    ASSERT_TRUE(reader.Open((dir / "r.jsonl").string(), error)) << error;
    std::vector<std::string> seen;
    lobby::RecordEntry entry;
    lobby::RecordError bad;
    for (RecordReader::Result r; (r = reader.Next(entry, bad)) != RecordReader::Result::End;)
    {
        seen.push_back(r == RecordReader::Result::Entry ? "entry " + std::to_string(entry.line)
                                                        : "bad " + std::to_string(bad.line) + " " + bad.reason);
        if (r == RecordReader::Result::Entry)
        {
            EXPECT_EQ(entry.frame, frame);
        }
    }
    ASSERT_EQ(seen.size(), 6u);
    EXPECT_EQ(seen[0], "entry 2");
    EXPECT_EQ(seen[1].rfind("bad 3 bad JSON", 0), 0u) << seen[1];
    EXPECT_EQ(seen[2].rfind("bad 4 the line is longer than", 0), 0u) << seen[2];
    EXPECT_EQ(seen[3], "bad 5 \"t\" goes back: 9.000 after 10.000");
    EXPECT_EQ(seen[4], "entry 7");
    EXPECT_EQ(seen[5], "entry 8");

    // The scan counts them, and picks the first connection unless told another.
    lobby::RecordSummary summary;
    ASSERT_TRUE(lobby::ScanRecord((dir / "r.jsonl").string(), 0, summary, error));
    EXPECT_EQ(summary.badLines, 3u);
    EXPECT_EQ(summary.conn, 2);
    EXPECT_EQ(summary.messages, 2u);
    ASSERT_TRUE(lobby::ScanRecord((dir / "r.jsonl").string(), 1, summary, error));
    EXPECT_EQ(summary.messages, 1u);
    EXPECT_EQ(summary.first, 20);
    EXPECT_EQ(bad.Text("r.jsonl"), "r.jsonl:5: \"t\" goes back: 9.000 after 10.000");
}

TEST(RecordReader, AnEmptyFileOrABadHeaderEndsTheRecordAtLineOne)
{
    TempFolder dir;
    for (const std::vector<std::string>& lines :
         {std::vector<std::string>{}, {R"({"format":"tessaro-record","version":9})", Entry(1, 1, 1, Frame(1, ""))}})
    {
        WriteLines(dir / "r.jsonl", lines);
        lobby::RecordSummary summary;
        std::string error;
        ASSERT_TRUE(lobby::ScanRecord((dir / "r.jsonl").string(), 0, summary, error));
        ASSERT_EQ(summary.badLines, 1u);
        EXPECT_EQ(summary.errors[0].line, 1);
        EXPECT_EQ(summary.messages, 0u);
    }
}

} // namespace
