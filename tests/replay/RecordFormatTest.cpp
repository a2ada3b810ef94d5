// tessaro-devserver --record with real clients: the record holds exactly the frames each client
// received, with their types and times, and the lobby's reader takes it.
#include "tests/devserver/WireClient.h"
#include "tests/replay/ReplayTestSupport.h"
#include "tests/support/DevServerProcess.h"
#include "tools/lobby/ReplayRecord.h"

#include <gtest/gtest.h>

#include <map>

namespace
{

using namespace replaytest;
using RecordReaderResult = lobby::RecordReader::Result;

TEST(RecordFormat, RecordsEveryFrameEachClientReceivedWithItsTime)
{
    TempFolder dir;
    const std::string record = (dir / "run.jsonl").string();
    // Framed messages, a pause, a batch, a message shorter than a header, then raw bytes, which
    // are no message. --quiet: the record does not depend on the log's lines.
    testsupport::DevServerProcess server({"--record", record, "--quiet"},
                                         "send 40 0102\nwait 200\nsend keepalive\nbatch 2\nsend 1 aa\nsend 2 bbbb\n"
                                         "sendmsg 0701\nraw 0300\n");
    ASSERT_TRUE(server.Started()) << server.Stderr();
    std::map<int, std::vector<std::string>> received;
    for (int conn : {1, 2})
    {
        devtest::WireClient client(server.Port());
        ASSERT_TRUE(client.Connected());
        for (int i = 0; i < 5; ++i)
        {
            std::optional<std::string> frame = client.ReadFrame(5000);
            ASSERT_TRUE(frame) << conn << " " << i << "\n" << server.Report();
            received[conn].push_back(*frame);
        }
        EXPECT_EQ(client.ReadExactly(2, 5000), std::string("\x03\x00", 2));
    }
    EXPECT_EQ(server.Stop(), 0);

    std::ifstream in(record);
    std::string header;
    std::getline(in, header);
    std::string reason;
    EXPECT_TRUE(lobby::ParseRecordHeader(header, reason)) << header << ": " << reason;
    EXPECT_NE(header.find(R"("started":")"), std::string::npos) << header;

    lobby::RecordReader reader;
    ASSERT_TRUE(reader.Open(record, reason)) << reason;
    std::map<int, std::vector<lobby::RecordEntry>> recorded;
    lobby::RecordEntry entry;
    lobby::RecordError bad;
    for (RecordReaderResult r; (r = reader.Next(entry, bad)) != RecordReaderResult::End;)
    {
        ASSERT_EQ(r, RecordReaderResult::Entry) << bad.Text(record);
        recorded[entry.conn].push_back(entry);
    }
    ASSERT_EQ(recorded.size(), 2u);
    for (int conn : {1, 2})
    {
        const std::vector<lobby::RecordEntry>& got = recorded[conn];
        ASSERT_EQ(got.size(), 5u) << conn;
        const int types[] = {40, 26, 1, 2, -1};
        for (size_t i = 0; i < got.size(); ++i)
        {
            EXPECT_EQ(got[i].type, types[i]) << conn << " " << i;
            EXPECT_EQ(got[i].frame, received[conn][i]) << conn << " " << i;
        }
        // The script's wait lies between the first two.
        EXPECT_GE(got[1].t - got[0].t, 200.0);
    }
}

TEST(RecordFormat, ARecordThatCannotBeWrittenStopsTheServerBeforeItListens)
{
    testsupport::ChildProcess server;
    ASSERT_TRUE(server.Spawn(testsupport::DevServerProcess::ProgramPath(),
                             {"--listen", "127.0.0.1:0", "--record", "/nonexistent/folder/run.jsonl"}));
    EXPECT_EQ(server.WaitForExit(10000, true), 2);
    EXPECT_TRUE(server.Lines().empty());
    EXPECT_NE(server.Stderr().find("cannot write /nonexistent/folder/run.jsonl"), std::string::npos) << server.Stderr();
}

} // namespace
