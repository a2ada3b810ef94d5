// The record of a server run: every framed message the server sends to each client, with the
// moment it went out, so that a lobby can hand the same bytes to a game in replay mode at the pace
// the client received them (tessaro-lobby replay).
//
// The record is a file of JSON lines. The first line names the format and its version:
//
//   {"format":"tessaro-record","version":1,"started":"2024-05-01T10:00:00Z"}
//
// then one line per framed message, in the order the messages were handed to the connections'
// write buffers (the moment the log's "send" line is written):
//
//   {"conn":1,"t":1504.031,"type":36,"len":1140,"frame":"0300048c..."}
//
// conn is the connection's number (as in the log), t the milliseconds since the recorder was
// opened, with the server, type the game message's type (-1 for a message shorter than its
// header), len the message's length, and frame the whole frame as it went on the wire (its 4-byte
// header and the encrypted message), in lowercase hexadecimal. Raw writes (a script's "raw") are
// not messages and are not recorded. Each line is written and flushed as it happens, so the
// recorder holds no more than one line, and a run that is killed leaves a record that is whole up
// to its last line.
#pragma once

#include "tools/devserver/JsonLog.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace devserver
{

struct OutItem;

inline constexpr const char* kRecordFormat = "tessaro-record";
inline constexpr int kRecordVersion = 1;

class Recorder
{
public:
    // A write error is reported once to log, as a "record-error" line, and ends the recording.
    explicit Recorder(JsonLog& log);

    // Creates (or empties) the file and writes the header line; false (and error set) when it
    // cannot. Until then nothing is recorded.
    bool Open(const std::string& path, std::string& error);

    // The framed messages of an item that has started to go out on a connection. Any thread.
    void Sent(int conn, const OutItem& item);

    // One framed message: msg the message, frame its bytes on the wire. Any thread.
    void Frame(int conn, std::string_view msg, std::string_view frame);

private:
    struct FileCloser
    {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };

    // Writes one line and flushes it; the caller holds m_mutex.
    void WriteLine(const std::string& line);

    std::mutex m_mutex;
    std::unique_ptr<std::FILE, FileCloser> m_file;
    JsonLog& m_log;
    std::chrono::steady_clock::time_point m_start;
    bool m_bFailed = false;
};

} // namespace devserver
