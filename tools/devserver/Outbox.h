// The sending side of the server: every byte a connection sends passes through its lane here, in
// the order it was handed over, after the server's latency.
//
// One thread, the outbox's, serves all lanes. It hands bytes to the socket stack's write buffers
// only when they fit, and otherwise waits for the stack to make room; nothing is ever dropped
// while the connection lives, and a lane whose client reads slowly holds up no other lane. A client
// that stops reading does not make its lane grow without bound: a lane that would hold more than
// kBacklogLimit bytes past their latency closes its connection (reason "backlog") and drops what
// it holds. A lane
// that is idle when a message comes, with no latency, writes it at once on the calling thread (the
// stack thread, for an echo): an answer goes out within the same select pass instead of after a
// thread hand-over.
//
// A lane's item is one write: a frame, raw bytes, or several of them batched. A split item goes
// out in pieces, each written only once the stack has sent the one before, a gap apart, so that
// the client receives them as separate segments. A close item closes the connection once what
// was queued before it has left the write buffer.
#pragma once

#include "tessaro/net/Frame.h"
#include "tessaro/net/Thread.h"
#include "tools/devserver/JsonLog.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace devserver
{

class Recorder;

using Clock = std::chrono::steady_clock;

// What one part of an item carries, for the log.
struct OutUnit
{
    bool raw = false;  // raw bytes rather than a framed message
    std::string bytes; // the message, or the raw bytes
    int frameVersion = Ostra::kFrameVersion;
    size_t wireLen = 0; // its bytes in the item's wire: the frame, or the raw bytes
};

struct OutItem
{
    enum class Kind
    {
        Data,
        Close,
    };
    Kind kind = Kind::Data;
    std::string wire;           // Data: the bytes to write
    std::vector<OutUnit> units; // Data: what they carry
    int pieces = 1;             // Data: separate writes
    int gapMs = 0;              // Data: pause between pieces
    std::string reason;         // Close: why, for the log

    // The frame of a message; false when it cannot be framed (too long).
    static bool Message(std::string msg, OutItem& out, unsigned char frameVersion = Ostra::kFrameVersion);
    static OutItem Raw(std::string bytes);
    static OutItem Close(std::string reason);

    // Adds another data item's bytes and units behind this one's (for batches).
    void Append(OutItem&& other);
};

// Where the outbox writes: the socket stack, or a stand-in in tests. A connection is named by its
// node in the stack and its connection number, which tells a node's later connections apart.
class WritePort
{
public:
    virtual ~WritePort() = default;

    virtual int WriteBufferSize() const = 0;
    // Bytes queued on the connection and not yet sent; 0 once the connection is gone.
    virtual int PendingWrite(int node, int conn) = 0;
    // Appends to the write buffer, which the caller has seen to have room; false when the
    // connection is gone.
    virtual bool Write(int node, int conn, const char* data, int len) = 0;
    // Closes the connection.
    virtual void Close(int node, int conn, const std::string& reason) = 0;
    // Waits until ready() is true or the deadline (none: no limit) has passed. ready() is
    // evaluated under the lock that guards the write buffers, and again whenever one of them
    // shrinks, a connection closes or WakeWriteWaiters is called.
    virtual void WaitForWrites(const std::function<bool()>& ready, std::optional<Clock::time_point> deadline) = 0;
    virtual void WakeWriteWaiters() = 0;
};

class Outbox : public Thread
{
public:
    // How much a lane may hold before Submit waits.
    static constexpr size_t kLaneLimit = 1u << 20;
    // The most a lane may hold. Submit keeps a lane below kLaneLimit, but Post never waits (the
    // stack thread's answers, the room's messages): an item that would take a lane past this
    // closes the connection instead of being queued. What the latency still holds back is not
    // counted: the client has had no chance to read it.
    static constexpr size_t kBacklogLimit = 4u << 20;
    // How long a close waits for the client to take what was sent before it.
    static constexpr int kCloseDrainMs = 5000;

    // logMessages: write "send" and "send-raw" lines. recorder (when given) records every framed
    // message as it goes out, whether the lines are written or not.
    Outbox(WritePort& port, JsonLog& log, int latencyMs, bool logMessages, Recorder* recorder = nullptr);
    ~Outbox() override;

    int Run() override;

    // A connection's lane, opened before anything is sent on it.
    void OpenLane(int conn, int node);
    // The connection is gone: what its lane still holds is dropped.
    void CloseLane(int conn);

    // Queues an item behind everything the connection has sent; never waits. False when the
    // lane is closed, or when the item would take it past kBacklogLimit (which closes it).
    bool Post(int conn, OutItem item);
    // The same, but first waits while the lane holds more than kLaneLimit bytes, so that a
    // producer of many messages cannot outrun the client without bound. False when the lane is
    // closed or the outbox stops meanwhile.
    bool Submit(int conn, OutItem item);

protected:
    void WakeUp() override;

private:
    struct Queued
    {
        OutItem item;
        Clock::time_point due;
    };

    struct Lane
    {
        int conn = 0;
        int node = 0;
        std::deque<Queued> queue;
        size_t queuedBytes = 0;
        // The newest heldItems items of the queue (heldBytes of it) were still within the
        // server's latency when last looked at: no client could have read them yet, so they do
        // not count against kBacklogLimit.
        size_t heldItems = 0;
        size_t heldBytes = 0;
        bool closed = false; // gone, or closed by its own close item: nothing more is written
        bool busy = false;   // a thread is writing for it; the fields below are that thread's
        std::optional<Queued> current;
        std::vector<size_t> cuts; // where each piece of the current item ends
        size_t offset = 0;        // bytes of the current item written
        size_t piece = 0;         // the piece being written
        bool drain = false;       // waiting for the previous piece to leave the write buffer
        Clock::time_point readyAt{};
        std::optional<Clock::time_point> closeDeadline;
    };

    // The outcome of one step on a lane.
    struct Step
    {
        bool progress = false;
        int needRoom = 0; // waiting until the write buffer has this much room
        std::optional<Clock::time_point> wakeAt;
        bool closedByItem = false;
    };

    void Begin(Lane& lane);
    Step Advance(Lane& lane, Clock::time_point now);
    // The send lines (and the record) of an item that has started to go out in that many pieces.
    void LogUnits(int conn, const OutItem& item, size_t pieces);
    bool TryDirect(Lane& lane, Queued& queued);
    void Enqueue(Lane& lane, Queued queued, bool front);
    // Takes the items whose latency has passed by now out of the lane's held count.
    static void Release(Lane& lane, Clock::time_point now);
    // Drops everything the lane holds.
    static void Empty(Lane& lane);
    void Signal();

    WritePort& m_port;
    JsonLog& m_log;
    const Clock::duration m_latency;
    const bool m_bLogMessages;
    Recorder* const m_pRecorder;
    const int m_iBufSize;

    std::mutex m_mutex;
    std::condition_variable m_space; // a lane shrank or closed, or the outbox stops
    std::map<int, std::shared_ptr<Lane>> m_lanes;
    // Counts every change a waiting outbox thread must look at: new items, lanes that closed or
    // became free, the stop request.
    std::atomic<std::uint64_t> m_signal{0};
};

} // namespace devserver
