// Runs a scenario on one connection, on a thread of its own, from the moment the connection is
// accepted: the steps in order, once. Every wait of the runner ends at once when it is stopped
// (the connection closed, or the server stops).
//
// What the steps send becomes outbox items (see Outbox.h): a frame or a raw block each, or the
// frames and blocks of a batch together. `split` and `frame-version` apply to the next item and
// the next frame. A batch collects until it is full; a `wait`, `expect`, `close` or the end of the
// script sends what it holds as it is.
#pragma once

#include "tessaro/net/Thread.h"
#include "tools/devserver/JsonLog.h"
#include "tools/devserver/Outbox.h"
#include "tools/devserver/Scenario.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

namespace devserver
{

// Where a runner's items go.
class ScriptOutput
{
public:
    virtual ~ScriptOutput() = default;
    // Queues the item behind everything the connection has sent so far; may wait while a lot is
    // queued. False once the connection is gone or the server stops.
    virtual bool Submit(OutItem item) = 0;
    // Hands a command to the room for the connection's player; false when the server runs no
    // tables.
    virtual bool Room(const RoomCommand& /*command*/) { return false; }
};

class ScenarioRunner : public Thread
{
public:
    ScenarioRunner(std::shared_ptr<const Scenario> scenario, int conn, ScriptOutput& output, JsonLog& log);
    ~ScenarioRunner() override;

    int Run() override;

    // A message of this type has arrived on the connection (for `expect`). Any thread.
    void NoteReceived(int type);
    // The script has ended, or stopped.
    bool Finished() const { return m_bFinished.load(); }

protected:
    void WakeUp() override;

private:
    bool RunSteps(const std::vector<Step>& steps);
    bool RunStep(const Step& step);
    // Sends one frame or raw block, into the batch if one is open.
    bool Emit(OutItem item);
    // Sends an item with the pending split applied.
    bool Write(OutItem item);
    // Ends an open batch, sending what it holds.
    bool EndBatch();
    bool SendMessage(const Step& step, std::string msg);
    // Waits until the deadline, or until ready() (checked under m_mutex) or the stop. True when
    // ready() became true.
    template <typename Ready> bool WaitUntil(Clock::time_point deadline, Ready ready);
    void ScriptError(const Step& step, const std::string& reason);

    std::shared_ptr<const Scenario> m_scenario;
    const int m_iConn;
    ScriptOutput& m_output;
    JsonLog& m_log;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::array<std::uint64_t, 256> m_received{}; // messages of each type that have arrived
    std::atomic<bool> m_bFinished{false};

    // The runner thread's own state.
    std::array<std::uint64_t, 256> m_taken{}; // of which earlier expects took
    int m_iSplitPieces = 1;
    int m_iSplitGapMs = 0;
    int m_iFrameVersion = -1; // -1: the normal version
    int m_iBatchLeft = 0;     // frames the open batch still takes
    OutItem m_batch;
    bool m_bClosed = false; // the script closed the connection
};

} // namespace devserver
