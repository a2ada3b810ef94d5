#include "tools/lobby/Replay.h"

#include "tools/lobby/LobbyJson.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

namespace lobby
{

void ReplayPace::Start(ReplayClock::time_point now)
{
    if (m_bStarted)
        return;
    m_bStarted = true;
    m_since = now;
}

void ReplayPace::Settle(ReplayClock::time_point now)
{
    m_base = Position(now);
    m_since = now;
}

void ReplayPace::SetPlaying(bool playing, ReplayClock::time_point now)
{
    Settle(now);
    m_bPlaying = playing;
}

void ReplayPace::SetFast(bool fast, ReplayClock::time_point now)
{
    Settle(now);
    m_bFast = fast;
}

double ReplayPace::Position(ReplayClock::time_point now) const
{
    if (!m_bStarted || !m_bPlaying || now <= m_since)
        return m_base;
    const std::chrono::duration<double, std::milli> ran = now - m_since;
    return m_base + ran.count() * Rate();
}

std::optional<ReplayClock::duration> ReplayPace::Until(double ms, ReplayClock::time_point now) const
{
    const double left = ms - Position(now);
    if (left <= 0)
        return ReplayClock::duration::zero();
    if (!m_bStarted || !m_bPlaying)
        return std::nullopt;
    return std::chrono::duration_cast<ReplayClock::duration>(std::chrono::duration<double, std::milli>(left / Rate()));
}

Replay::Replay(RecordReader reader, std::string path, int conn, size_t messages, double firstMs, Emit emit,
               ReplayClock::time_point origin)
    : m_reader(std::move(reader)), m_path(std::move(path)), m_conn(conn), m_messages(messages), m_emit(std::move(emit)),
      m_origin(origin), m_pace(firstMs)
{
}

std::string Replay::Millis(double ms) const
{
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.3f", ms);
    return buf;
}

std::string Replay::Since(ReplayClock::time_point now) const
{
    const std::chrono::duration<double, std::milli> since = now - m_origin;
    return Millis(since.count());
}

void Replay::OnLobbyMessage(unsigned msg, platform::WPARAM wParam, ReplayClock::time_point now)
{
    if (msg == platform::WM_CLOSE)
    {
        if (m_bClosed)
            return;
        m_bClosed = true;
        Command("close", now);
        return;
    }
    if (msg != platform::WM_LOBBY_REPLAY)
        return;
    switch (wParam)
    {
    case static_cast<platform::WPARAM>(ReplayControl::Play):
        m_pace.SetPlaying(true, now);
        Command("play", now);
        break;
    case static_cast<platform::WPARAM>(ReplayControl::Pause):
        m_pace.SetPlaying(false, now);
        Command("pause", now);
        break;
    case static_cast<platform::WPARAM>(ReplayControl::Fast):
        m_pace.SetFast(true, now);
        Command("fast", now);
        break;
    case static_cast<platform::WPARAM>(ReplayControl::Normal):
        m_pace.SetFast(false, now);
        Command("normal", now);
        break;
    default:
        std::fprintf(stderr, "tessaro-lobby: replay control %ju is none of 1 to 4: ignored\n",
                     static_cast<std::uintmax_t>(wParam));
        break;
    }
}

void Replay::Command(const char* name, ReplayClock::time_point now)
{
    m_emit(std::string("{\"event\": \"replay\", \"command\": \"") + name +
           "\", \"playing\": " + (m_pace.Playing() && !m_bClosed ? "true" : "false") +
           ", \"speed\": " + std::to_string(m_pace.Fast() ? kReplayFastFactor : 1) +
           ", \"position\": " + Millis(m_pace.Position(now)) + ", \"t\": " + Since(now) + "}");
}

void Replay::Begin(Deliver deliver, ReplayClock::time_point now)
{
    if (m_bBegun)
        return;
    m_bBegun = true;
    m_deliver = std::move(deliver);
    m_pace.Start(now);
    m_emit("{\"event\": \"replay-start\", \"record\": " + JsonString(m_path) + ", \"conn\": " + std::to_string(m_conn) +
           ", \"messages\": " + std::to_string(m_messages) + ", \"position\": " + Millis(m_pace.Position(now)) +
           ", \"t\": " + Since(now) + "}");
}

bool Replay::LoadNext()
{
    while (m_readError.empty())
    {
        RecordEntry entry;
        RecordError error;
        switch (m_reader.Next(entry, error))
        {
        case RecordReader::Result::Entry:
            if (entry.conn != m_conn)
                continue;
            m_next = std::move(entry);
            return true;
        case RecordReader::Result::Bad:
            // The scan found the record whole: it has changed since.
            m_readError = error.Text(m_path);
            std::fprintf(stderr, "tessaro-lobby: %s\n", m_readError.c_str());
            break;
        case RecordReader::Result::End:
            return false;
        }
    }
    return false;
}

int Replay::Poll(ReplayClock::time_point now)
{
    if (!m_bBegun || m_bEnded || m_bClosed)
        return -1;
    if (!m_next && !LoadNext())
    {
        m_bEnded = true;
        std::string line = "{\"event\": \"replay-end\", \"delivered\": " + std::to_string(m_delivered) +
                           ", \"position\": " + Millis(m_pace.Position(now));
        if (!m_readError.empty())
            line += ", \"error\": " + JsonString(m_readError);
        m_emit(line + ", \"t\": " + Since(now) + "}");
        return -1;
    }
    const std::optional<ReplayClock::duration> wait = m_pace.Until(m_next->t, now);
    if (!wait)
        return -1;
    if (*wait > ReplayClock::duration::zero())
    {
        // Rounded up, so that the next call finds the message due rather than a moment early.
        const std::chrono::duration<double, std::milli> ms = *wait;
        return static_cast<int>(std::min(std::ceil(ms.count()), 1e6));
    }
    RecordEntry entry = std::move(*m_next);
    m_next.reset();
    const Delivery result = m_deliver ? m_deliver(entry) : Delivery{};
    ++m_delivered;
    m_emit("{\"event\": \"deliver\", \"index\": " + std::to_string(m_delivered) +
           ", \"line\": " + std::to_string(entry.line) + ", \"type\": " + std::to_string(entry.type) +
           ", \"bytes\": " + std::to_string(entry.frame.size()) + ", \"at\": " + Millis(entry.t) +
           ", \"ok\": " + (result.ok ? "true" : "false") + ", \"result\": " + std::to_string(result.result) +
           ", \"t\": " + Since(now) + "}");
    // The controls that came meanwhile are looked at before the next message goes.
    return 0;
}

} // namespace lobby
