// Playing a record back into a game in replay mode, as the platform's lobby does: the recorded
// messages of one connection go to the game one by one, as launch blocks (WM_COPYDATA, tag 0), at
// the pace they were recorded, and the game's replay controls steer it.
//
// The controls are message 0x658 to the lobby's window, wParam 1 play, 4 pause, 2 fast, 3 normal
// pace, and WM_CLOSE, which ends the replay (the lobby then closes the game). Play and pause, and
// fast and normal, are two independent switches, as the game's two button pairs are. The replay
// starts playing at normal pace, which is what the game's buttons show when it enters replay mode.
//
// The replay's position is a time in the record: at the start the time of the first message; it
// runs with the lobby's clock while playing, four times as fast at the fast pace, and stands still
// while paused. A message goes to the game once the position has reached its recorded time, so
// the gaps between the messages are the recorded gaps, shortened to a quarter at the fast pace.
//
// Report lines (JSON, the lobby's style), each with "t", the lobby's milliseconds since the replay
// object was made:
//   replay-start  record, conn, messages, position
//   deliver       index (from 1), line (in the record), type, bytes, at (its recorded time),
//                 ok, result (the game window's answer)
//   replay        command (play, pause, fast, normal, close), playing, speed (1 or 4), position
//   replay-end    delivered, position; error when the record could not be read to its end
#pragma once

#include "platform/WindowBus.h"
#include "tools/lobby/ReplayRecord.h"

#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace lobby
{

using ReplayClock = std::chrono::steady_clock;

// The values of message 0x658's wParam.
enum class ReplayControl
{
    Play = 1,
    Fast = 2,
    Normal = 3,
    Pause = 4,
};

inline constexpr int kReplayFastFactor = 4;

// The position in the record's time, as the controls move it.
class ReplayPace
{
public:
    explicit ReplayPace(double startMs) : m_base(startMs) {}

    // The clock runs from now (while playing); before, the position stays at the start.
    void Start(ReplayClock::time_point now);
    void SetPlaying(bool playing, ReplayClock::time_point now);
    void SetFast(bool fast, ReplayClock::time_point now);

    bool Started() const { return m_bStarted; }
    bool Playing() const { return m_bPlaying; }
    bool Fast() const { return m_bFast; }

    double Position(ReplayClock::time_point now) const;
    // How long from now until the position reaches ms (zero when it has); nothing while it
    // stands still.
    std::optional<ReplayClock::duration> Until(double ms, ReplayClock::time_point now) const;

private:
    // Takes the position reached as the new base before a change of pace.
    void Settle(ReplayClock::time_point now);
    int Rate() const { return m_bFast ? kReplayFastFactor : 1; }

    double m_base;
    ReplayClock::time_point m_since{};
    bool m_bStarted = false;
    bool m_bPlaying = true;
    bool m_bFast = false;
};

class Replay
{
public:
    struct Delivery
    {
        bool ok = false;
        platform::LRESULT result = 0;
    };
    // Hands one recorded frame to the game.
    using Deliver = std::function<Delivery(const RecordEntry& entry)>;
    // Takes one report line.
    using Emit = std::function<void(const std::string& line)>;

    // reader is open on the record at path, whose scan found messages messages of conn from
    // firstMs on.
    Replay(RecordReader reader, std::string path, int conn, size_t messages, double firstMs, Emit emit,
           ReplayClock::time_point origin);

    // A message that reached the lobby's window: the controls and WM_CLOSE are obeyed (and
    // reported); anything else is left alone.
    void OnLobbyMessage(unsigned msg, platform::WPARAM wParam, ReplayClock::time_point now);

    // The game has its replay path: the messages start to go to it through deliver.
    void Begin(Deliver deliver, ReplayClock::time_point now);
    bool Begun() const { return m_bBegun; }

    // Hands the game the next message when it is due. Returns how many milliseconds may pass
    // before the next call (0: another is due; -1: nothing is due until a control arrives).
    int Poll(ReplayClock::time_point now);

    // WM_CLOSE has come: nothing more is delivered, and the game is to be closed.
    bool CloseRequested() const { return m_bClosed; }
    size_t Delivered() const { return m_delivered; }

private:
    // Reads ahead to the next message of the connection; false at the record's end.
    bool LoadNext();
    void Command(const char* name, ReplayClock::time_point now);
    std::string Millis(double ms) const;
    std::string Since(ReplayClock::time_point now) const;

    RecordReader m_reader;
    const std::string m_path;
    const int m_conn;
    const size_t m_messages;
    const Emit m_emit;
    const ReplayClock::time_point m_origin;
    ReplayPace m_pace;
    Deliver m_deliver;
    std::optional<RecordEntry> m_next;
    std::string m_readError; // a line that could not be read during the replay
    size_t m_delivered = 0;
    bool m_bBegun = false;
    bool m_bEnded = false;
    bool m_bClosed = false;
};

} // namespace lobby
