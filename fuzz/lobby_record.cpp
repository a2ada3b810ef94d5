// Any bytes as a record file for tessaro-lobby's replay (tessaro-devserver --record): the reader
// holds what it reads within its bounds, a malformed line is refused with its own number and the
// reading goes on, and what it hands on is exactly a frame as a server sends it (its length field
// its size, within the frame's limits), with the times of the messages never going back. The
// scan of the whole record counts the same lines and messages as the reader does.
//
// Input: the whole input is the file's bytes.
#include "tools/lobby/ReplayRecord.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdlib.h>
#include <string>
#include <system_error>
#include <unistd.h>

namespace
{

using namespace lobby;

// A failed check names its line, then ends the run as a finding.
void Check(bool ok, int line = __builtin_LINE())
{
    if (ok)
        return;
    std::fprintf(stderr, "check failed at %s:%d\n", __FILE__, line);
    std::abort();
}

// The file every input is written to, removed at the end of the process.
struct RecordFile
{
    RecordFile()
    {
        char tmpl[] = "/tmp/tessaro-fuzz-record-XXXXXX";
        const int fd = mkstemp(tmpl);
        Check(fd >= 0);
        close(fd);
        path = tmpl;
    }
    ~RecordFile()
    {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
    std::string path;
};

void Write(const std::string& path, const std::uint8_t* data, size_t size)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    Check(file != nullptr);
    Check(size == 0 || std::fwrite(data, 1, size, file) == size);
    Check(std::fclose(file) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    static RecordFile file;
    Write(file.path, data, size);
    const long lines = std::count(data, data + size, '\n') + 1;

    RecordReader reader;
    std::string error;
    Check(reader.Open(file.path, error));
    size_t bad = 0;
    size_t firstConnMessages = 0;
    int firstConn = 0;
    int lastLine = 0;
    double lastT = 0;
    for (long guard = 0;; ++guard)
    {
        Check(guard <= lines + 1);
        RecordEntry entry;
        RecordError problem;
        const RecordReader::Result r = reader.Next(entry, problem);
        if (r == RecordReader::Result::End)
            break;
        if (r == RecordReader::Result::Bad)
        {
            Check(problem.line >= 1 && problem.line <= lines && !problem.reason.empty());
            Check(problem.line > lastLine);
            lastLine = problem.line;
            ++bad;
            continue;
        }
        Check(entry.line > lastLine && entry.line <= lines);
        lastLine = entry.line;
        Check(entry.conn >= 1 && entry.type >= -1 && entry.type <= 255);
        Check(entry.t >= lastT && entry.t <= 1e12);
        lastT = entry.t;
        const std::string& frame = entry.frame;
        Check(frame.size() >= kMinRecordFrame && frame.size() <= kMaxRecordFrame);
        const size_t total =
            static_cast<size_t>(static_cast<unsigned char>(frame[2])) << 8 | static_cast<unsigned char>(frame[3]);
        Check(total == frame.size());
        if (firstConn == 0)
            firstConn = entry.conn;
        if (entry.conn == firstConn)
            ++firstConnMessages;
    }
    // Once at the end, the reader stays there.
    RecordEntry after;
    RecordError afterError;
    Check(reader.Next(after, afterError) == RecordReader::Result::End);

    RecordSummary summary;
    Check(ScanRecord(file.path, 0, summary, error));
    Check(summary.badLines == bad && summary.messages == firstConnMessages && summary.conn == firstConn);
    Check(summary.errors.size() == std::min(bad, kMaxRecordDiagnostics));
    return 0;
}
