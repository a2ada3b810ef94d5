// Reading a record of a game server's run (tessaro-devserver --record): JSON lines, a header
// first, then one line per framed message the server sent, in the order it sent them.
//
//   {"format":"tessaro-record","version":1,"started":"2024-05-01T10:00:00Z"}
//   {"conn":1,"t":1504.031,"type":36,"len":1140,"frame":"0300048c..."}
//
// Every line is checked before anything of it is used: a line longer than the longest message
// line is refused without being held, a frame's hexadecimal length is checked before it is
// decoded, and a frame's own length field must match its bytes, so that what reaches a game is
// exactly a frame as the server sent it. A malformed line is refused with its number and a reason;
// reading goes on with the next line, so that one pass names every bad line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace lobby
{

inline constexpr const char* kRecordFormat = "tessaro-record";
inline constexpr int kRecordVersion = 1;
// A frame: its 4-byte header (version, a zero byte, the total length big-endian) and at least one
// cipher block; the 16-bit total length bounds it.
inline constexpr size_t kRecordFrameHeaderLen = 4;
inline constexpr size_t kMinRecordFrame = 20;
inline constexpr size_t kMaxRecordFrame = 0xFFFF;
// The longest line a record holds: the frame's hexadecimal and room for the other fields.
inline constexpr size_t kMaxRecordLine = 2 * kMaxRecordFrame + 1024;
// Diagnostics kept by a scan; the rest are only counted.
inline constexpr size_t kMaxRecordDiagnostics = 20;

// One recorded message.
struct RecordEntry
{
    int line = 0;      // its line in the file, from 1
    int conn = 0;      // the connection it was sent on, from 1
    double t = 0;      // milliseconds since the server started
    int type = -1;     // the game message's type; -1 for a message shorter than its header
    std::string frame; // the whole frame, as it went on the wire
};

struct RecordError
{
    int line = 0;
    std::string reason;

    // "PATH:LINE: reason"
    std::string Text(const std::string& path) const;
};

// The checks of one line (without its line end).
bool ParseRecordHeader(std::string_view line, std::string& reason);
bool ParseRecordEntry(std::string_view line, RecordEntry& out, std::string& reason);

// Reads a record line by line; holds one line at a time.
class RecordReader
{
public:
    enum class Result
    {
        Entry, // out holds the next message
        Bad,   // error names a malformed line; reading goes on with the next one
        End,   // the end of the file, or a header that cannot be read (after its Bad)
    };

    // False (and error set) when the file cannot be opened.
    bool Open(const std::string& path, std::string& error);

    // The next message line. Blank lines are skipped. The first line must be the header; the
    // times of the messages must not go back.
    Result Next(RecordEntry& out, RecordError& error);

private:
    struct FileCloser
    {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };

    enum class LineResult
    {
        Line,
        TooLong,
        End,
        Error,
    };

    LineResult ReadLine(std::string& line);

    std::unique_ptr<std::FILE, FileCloser> m_file;
    std::vector<char> m_buf;
    size_t m_bufPos = 0;
    size_t m_bufEnd = 0;
    int m_line = 0;
    bool m_bHeaderSeen = false;
    bool m_bDone = false; // the end, a read error or a header that cannot be read
    double m_lastT = 0;
};

struct RecordSummary
{
    int conn = 0;                    // the connection asked for, or the first one in the record
    size_t messages = 0;             // its messages
    double first = 0;                // the time of its first message
    std::vector<RecordError> errors; // the first kMaxRecordDiagnostics malformed lines
    size_t badLines = 0;             // all of them
};

// Reads the whole record once, checking every line. conn 0 takes the first connection in the
// record. False (and error set) only when the file cannot be read.
bool ScanRecord(const std::string& path, int conn, RecordSummary& out, std::string& error);

} // namespace lobby
