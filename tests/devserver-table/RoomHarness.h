// A room in the test's own process: what it sends, by connection, and its JSON lines, both
// collected as they come and waited for with deadlines.
#pragma once

#include "tests/support/JsonLine.h"
#include "tools/devserver/JsonLog.h"
#include "tools/devserver/Wire.h"
#include "tools/devserver/room/Room.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace roomtest
{

constexpr int kWaitMs = 5000;

class Recorder : public devserver::RoomOutput
{
public:
    void SendTo(int conn, std::string msg) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_msgs[conn].push_back(std::move(msg));
        m_changed.notify_all();
    }

    void CloseConnection(int conn) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_closed.insert(conn);
        m_changed.notify_all();
    }

    void Line(const std::string& line)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lines.push_back(line);
        m_changed.notify_all();
    }

    // The nth message (from 0) of the type sent to the connection.
    std::optional<std::string> Msg(int conn, int type, size_t nth = 0)
    {
        std::optional<std::string> found;
        Await(
            [&]
            {
                size_t seen = 0;
                for (const std::string& msg : m_msgs[conn])
                {
                    if (devserver::MsgType(msg) == type && seen++ == nth)
                    {
                        found = msg;
                        return true;
                    }
                }
                return false;
            });
        return found;
    }

    // The nth line (from 0) of the event that also has every given integer field.
    std::optional<std::string> Event(const std::string& event, const std::map<std::string, long long>& fields = {},
                                     size_t nth = 0)
    {
        std::optional<std::string> found;
        Await(
            [&]
            {
                size_t seen = 0;
                for (const std::string& line : m_lines)
                {
                    if (testsupport::JsonStr(line, "event") != event)
                        continue;
                    bool all = true;
                    for (const auto& [key, value] : fields)
                        all = all && testsupport::JsonInt(line, key) == value;
                    if (all && seen++ == nth)
                    {
                        found = line;
                        return true;
                    }
                }
                return false;
            });
        return found;
    }

    bool Closed(int conn)
    {
        return Await([&] { return m_closed.count(conn) != 0; });
    }

    // Without waiting.
    bool IsClosed(int conn)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_closed.count(conn) != 0;
    }

    std::vector<std::string> Sent(int conn)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_msgs[conn];
    }

private:
    bool Await(const std::function<bool()>& ready)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::milliseconds(kWaitMs), ready);
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<int, std::vector<std::string>> m_msgs;
    std::set<int> m_closed;
    std::vector<std::string> m_lines;
};

// The recorder, the log that feeds it and the room, started.
struct RoomUnderTest
{
    explicit RoomUnderTest(devserver::RoomConfig config)
        : log([this](const std::string& line) { out.Line(line); }), room(std::move(config), out, log)
    {
        room.Start();
    }

    Recorder out;
    devserver::JsonLog log;
    devserver::Room room;
};

inline std::uint8_t Byte(const std::string& msg, size_t at)
{
    return at < msg.size() ? static_cast<std::uint8_t>(msg[at]) : 0;
}

inline std::int32_t Int32(const std::string& msg, size_t at)
{
    return at + 4 <= msg.size() ? static_cast<std::int32_t>(devserver::ReadU32(msg, at)) : 0;
}

} // namespace roomtest
