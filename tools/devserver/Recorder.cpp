#include "tools/devserver/Recorder.h"

#include "tools/devserver/Outbox.h"
#include "tools/devserver/Wire.h"

#include <cerrno>
#include <cstring>
#include <ctime>

namespace devserver
{

namespace
{

// The wall-clock time in UTC, for the reader of a record: "2024-05-01T10:00:00Z".
std::string UtcNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return buf;
}

} // namespace

Recorder::Recorder(JsonLog& log) : m_log(log) {}

bool Recorder::Open(const std::string& path, std::string& error)
{
    std::FILE* opened = std::fopen(path.c_str(), "w");
    if (!opened)
    {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_file.reset(opened);
    m_bFailed = false;
    m_start = std::chrono::steady_clock::now();
    WriteLine("{\"format\":" + JsonString(kRecordFormat) + ",\"version\":" + std::to_string(kRecordVersion) +
              ",\"started\":" + JsonString(UtcNow()) + "}");
    if (m_bFailed)
    {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

void Recorder::Sent(int conn, const OutItem& item)
{
    // The units lie one after the other in the item's bytes.
    const std::string_view wire(item.wire);
    size_t offset = 0;
    for (const OutUnit& unit : item.units)
    {
        if (unit.wireLen > wire.size() - offset)
            break;
        if (!unit.raw)
            Frame(conn, unit.bytes, wire.substr(offset, unit.wireLen));
        offset += unit.wireLen;
    }
}

void Recorder::Frame(int conn, std::string_view msg, std::string_view frame)
{
    const int type = HasMsgHeader(msg) ? MsgType(msg) : -1;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_file || m_bFailed)
        return;
    // The time is taken under the lock, so the times of the lines never go back.
    const std::chrono::duration<double, std::milli> since = std::chrono::steady_clock::now() - m_start;
    char t[32];
    std::snprintf(t, sizeof t, "%.3f", since.count());
    std::string line;
    line.reserve(64 + 2 * frame.size());
    line += "{\"conn\":" + std::to_string(conn) + ",\"t\":" + t + ",\"type\":" + std::to_string(type) +
            ",\"len\":" + std::to_string(msg.size()) + ",\"frame\":\"";
    line += ToHex(frame);
    line += "\"}";
    WriteLine(line);
}

void Recorder::WriteLine(const std::string& line)
{
    if (std::fwrite(line.data(), 1, line.size(), m_file.get()) == line.size() &&
        std::fputc('\n', m_file.get()) != EOF && std::fflush(m_file.get()) == 0)
        return;
    m_bFailed = true;
    JsonLine error("record-error");
    error.Str("reason", std::string("cannot write the record: ") + std::strerror(errno));
    m_log.Write(std::move(error));
}

} // namespace devserver
