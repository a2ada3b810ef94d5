#include "tools/devserver/Outbox.h"

#include "tools/devserver/Recorder.h"
#include "tools/devserver/Wire.h"

#include <algorithm>

namespace devserver
{

namespace
{

void Earliest(std::optional<Clock::time_point>& wake, Clock::time_point t)
{
    if (!wake || t < *wake)
        wake = t;
}

} // namespace

bool OutItem::Message(std::string msg, OutItem& out, unsigned char frameVersion)
{
    OutItem item;
    if (!FrameMessage(msg, item.wire, frameVersion))
        return false;
    item.units.push_back({false, std::move(msg), frameVersion, item.wire.size()});
    out = std::move(item);
    return true;
}

OutItem OutItem::Raw(std::string bytes)
{
    OutItem item;
    item.wire = bytes;
    item.units.push_back({true, std::move(bytes), Ostra::kFrameVersion, item.wire.size()});
    return item;
}

OutItem OutItem::Close(std::string reason)
{
    OutItem item;
    item.kind = Kind::Close;
    item.reason = std::move(reason);
    return item;
}

void OutItem::Append(OutItem&& other)
{
    wire += other.wire;
    for (OutUnit& unit : other.units)
        units.push_back(std::move(unit));
}

Outbox::Outbox(WritePort& port, JsonLog& log, int latencyMs, bool logMessages, Recorder* recorder)
    : m_port(port), m_log(log), m_latency(std::chrono::milliseconds(std::max(latencyMs, 0))),
      m_bLogMessages(logMessages), m_pRecorder(recorder), m_iBufSize(port.WriteBufferSize())
{
}

Outbox::~Outbox()
{
    Stop();
}

void Outbox::WakeUp()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_signal;
    }
    m_space.notify_all();
    m_port.WakeWriteWaiters();
}

void Outbox::OpenLane(int conn, int node)
{
    auto lane = std::make_shared<Lane>();
    lane->conn = conn;
    lane->node = node;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lanes[conn] = std::move(lane);
}

void Outbox::CloseLane(int conn)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_lanes.find(conn);
        if (it == m_lanes.end())
            return;
        Lane& lane = *it->second;
        lane.closed = true;
        Empty(lane);
        m_lanes.erase(it);
        ++m_signal;
    }
    m_space.notify_all();
    m_port.WakeWriteWaiters();
}

void Outbox::Enqueue(Lane& lane, Queued queued, bool front)
{
    const size_t bytes = queued.item.wire.size();
    lane.queuedBytes += bytes;
    if (front)
    {
        // Only an item due at once goes first (a direct write that did not finish).
        lane.queue.push_front(std::move(queued));
        return;
    }
    // Held ones stay the newest of the queue: an item behind a held one counts as held until
    // Release reaches it.
    const bool held = queued.due > Clock::now() || lane.heldItems > 0;
    lane.queue.push_back(std::move(queued));
    if (held)
    {
        ++lane.heldItems;
        lane.heldBytes += bytes;
    }
}

void Outbox::Release(Lane& lane, Clock::time_point now)
{
    while (lane.heldItems > 0)
    {
        const Queued& oldest = lane.queue[lane.queue.size() - lane.heldItems];
        if (oldest.due > now)
            return;
        lane.heldBytes -= oldest.item.wire.size();
        --lane.heldItems;
    }
}

void Outbox::Empty(Lane& lane)
{
    lane.queue.clear();
    lane.queuedBytes = 0;
    lane.heldItems = 0;
    lane.heldBytes = 0;
}

bool Outbox::Post(int conn, OutItem item)
{
    Queued queued{std::move(item), Clock::now() + m_latency};
    std::shared_ptr<Lane> lane;
    bool direct = false;
    bool backlog = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_lanes.find(conn);
        if (it == m_lanes.end() || it->second->closed)
            return false;
        lane = it->second;
        direct = m_latency == Clock::duration::zero() && queued.item.kind == OutItem::Kind::Data &&
                 queued.item.pieces <= 1 && !lane->busy && !lane->current && lane->queue.empty() &&
                 queued.item.wire.size() <= static_cast<size_t>(m_iBufSize);
        if (!direct)
        {
            Release(*lane, Clock::now());
            const bool held = queued.due > Clock::now() || lane->heldItems > 0;
            const size_t due = lane->queuedBytes - lane->heldBytes + (held ? 0 : queued.item.wire.size());
            backlog = due > kBacklogLimit;
        }
        if (backlog)
        {
            // The client has stopped reading. Nothing more is written for it; the outbox thread
            // drops an item it is in the middle of once it hands the lane back.
            lane->closed = true;
            Empty(*lane);
            ++m_signal;
        }
        else if (direct)
            lane->busy = true;
        else
        {
            Enqueue(*lane, std::move(queued), false);
            ++m_signal;
        }
    }
    if (backlog)
    {
        m_space.notify_all(); // a Submit waiting on the lane gives up
        m_port.Close(lane->node, conn, "backlog");
        m_port.WakeWriteWaiters();
        return false;
    }
    if (!direct)
    {
        m_port.WakeWriteWaiters();
        return true;
    }
    const bool done = TryDirect(*lane, queued);
    bool wake = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        lane->busy = false;
        // Nothing could be queued ahead of it while the lane was busy, so it goes first.
        if (!done && !lane->closed)
            Enqueue(*lane, std::move(queued), true);
        // The outbox thread passes over busy lanes: items queued meanwhile need it woken.
        wake = !lane->queue.empty();
        if (wake)
            ++m_signal;
    }
    if (wake)
        m_port.WakeWriteWaiters();
    return true;
}

bool Outbox::TryDirect(Lane& lane, Queued& queued)
{
    const std::string& wire = queued.item.wire;
    const int len = static_cast<int>(wire.size());
    if (m_iBufSize - m_port.PendingWrite(lane.node, lane.conn) < len)
        return false;
    // A connection that is gone drops the item, as the outbox thread would.
    if (m_port.Write(lane.node, lane.conn, wire.data(), len))
        LogUnits(lane.conn, queued.item, 1);
    return true;
}

bool Outbox::Submit(int conn, OutItem item)
{
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_space.wait(lock,
                     [&]
                     {
                         if (IsTerminating())
                             return true;
                         auto it = m_lanes.find(conn);
                         return it == m_lanes.end() || it->second->closed || it->second->queuedBytes < kLaneLimit;
                     });
        if (IsTerminating())
            return false;
    }
    return Post(conn, std::move(item));
}

void Outbox::Begin(Lane& lane)
{
    const OutItem& item = lane.current->item;
    lane.cuts.clear();
    lane.offset = 0;
    lane.piece = 0;
    lane.drain = false;
    lane.readyAt = Clock::time_point{};
    lane.closeDeadline.reset();
    if (item.kind != OutItem::Kind::Data)
        return;
    // Pieces as equal as they can be, none empty.
    const size_t len = item.wire.size();
    const size_t pieces = std::max<size_t>(1, std::min<size_t>(static_cast<size_t>(std::max(item.pieces, 1)), len));
    const size_t base = len / pieces;
    const size_t rest = len % pieces;
    size_t end = 0;
    for (size_t k = 0; k < pieces; ++k)
    {
        end += base + (k < rest ? 1 : 0);
        lane.cuts.push_back(end);
    }
}

Outbox::Step Outbox::Advance(Lane& lane, Clock::time_point now)
{
    Step step;
    OutItem& item = lane.current->item;
    const int pending = m_port.PendingWrite(lane.node, lane.conn);
    if (item.kind == OutItem::Kind::Close)
    {
        if (!lane.closeDeadline)
            lane.closeDeadline = now + std::chrono::milliseconds(kCloseDrainMs);
        if (pending > 0 && now < *lane.closeDeadline)
        {
            step.needRoom = m_iBufSize;
            step.wakeAt = lane.closeDeadline;
            return step;
        }
        m_port.Close(lane.node, lane.conn, item.reason);
        lane.current.reset();
        step.progress = true;
        step.closedByItem = true;
        return step;
    }
    if (lane.drain)
    {
        if (pending > 0)
        {
            step.needRoom = m_iBufSize;
            return step;
        }
        lane.drain = false;
        lane.readyAt = now + std::chrono::milliseconds(item.gapMs);
        step.progress = true;
        return step;
    }
    const size_t end = lane.cuts[lane.piece];
    // A piece larger than the whole write buffer goes in buffer-sized parts.
    const size_t chunk = std::min(end - lane.offset, static_cast<size_t>(m_iBufSize));
    if (chunk > 0)
    {
        if (static_cast<size_t>(m_iBufSize - pending) < chunk)
        {
            step.needRoom = static_cast<int>(chunk);
            return step;
        }
        if (!m_port.Write(lane.node, lane.conn, item.wire.data() + lane.offset, static_cast<int>(chunk)))
        {
            lane.current.reset(); // the connection is gone
            step.progress = true;
            return step;
        }
        if (lane.offset == 0)
            LogUnits(lane.conn, item, lane.cuts.size());
        lane.offset += chunk;
    }
    if (lane.offset >= end)
    {
        ++lane.piece;
        if (lane.piece >= lane.cuts.size())
            lane.current.reset();
        else
            lane.drain = true;
    }
    step.progress = true;
    return step;
}

void Outbox::LogUnits(int conn, const OutItem& item, size_t pieces)
{
    if (m_pRecorder)
        m_pRecorder->Sent(conn, item);
    if (!m_bLogMessages)
        return;
    for (const OutUnit& unit : item.units)
    {
        JsonLine line(unit.raw ? "send-raw" : "send");
        line.Int("conn", conn);
        if (unit.raw)
            line.Int("len", static_cast<std::int64_t>(unit.bytes.size())).Hex("hex", unit.bytes);
        else
            line.Message(unit.bytes);
        if (!unit.raw && unit.frameVersion != Ostra::kFrameVersion)
            line.Int("frame_version", unit.frameVersion);
        if (pieces > 1)
            line.Int("pieces", static_cast<std::int64_t>(pieces));
        if (item.units.size() > 1)
            line.Int("batch", static_cast<std::int64_t>(item.units.size()));
        m_log.Write(std::move(line));
    }
}

int Outbox::Run()
{
    while (!IsTerminating())
    {
        const Clock::time_point now = Clock::now();
        std::vector<std::shared_ptr<Lane>> work;
        std::optional<Clock::time_point> wake;
        std::uint64_t seen = 0;
        bool moved = false;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            seen = m_signal.load();
            for (auto& entry : m_lanes)
            {
                Lane& lane = *entry.second;
                if (lane.closed || lane.busy)
                    continue;
                if (!lane.current)
                {
                    if (lane.queue.empty())
                        continue;
                    if (lane.queue.front().due > now)
                    {
                        Earliest(wake, lane.queue.front().due);
                        continue;
                    }
                    if (lane.heldItems == lane.queue.size())
                    {
                        // Due by now, though not yet taken out of the held count.
                        --lane.heldItems;
                        lane.heldBytes -= lane.queue.front().item.wire.size();
                    }
                    lane.current = std::move(lane.queue.front());
                    lane.queue.pop_front();
                    lane.queuedBytes -= lane.current->item.wire.size();
                    moved = true;
                    Begin(lane);
                }
                else if (lane.readyAt > now)
                {
                    Earliest(wake, lane.readyAt);
                    continue;
                }
                lane.busy = true;
                work.push_back(entry.second);
            }
        }
        if (moved)
            m_space.notify_all();

        // The lanes are this thread's until they are released below; the port is called without
        // the outbox's lock, which the stack's callbacks take while holding the stack's.
        std::vector<Step> steps;
        steps.reserve(work.size());
        for (const std::shared_ptr<Lane>& lane : work)
            steps.push_back(Advance(*lane, now));

        bool progress = false;
        std::vector<std::pair<std::shared_ptr<Lane>, int>> needs;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            for (size_t i = 0; i < work.size(); ++i)
            {
                Lane& lane = *work[i];
                const Step& step = steps[i];
                lane.busy = false;
                if (step.closedByItem)
                {
                    lane.closed = true;
                    Empty(lane);
                }
                if (lane.closed)
                    lane.current.reset();
                progress = progress || step.progress;
                if (step.needRoom > 0 && !lane.closed)
                    needs.emplace_back(work[i], step.needRoom);
                if (step.wakeAt)
                    Earliest(wake, *step.wakeAt);
            }
        }
        if (progress)
            continue;
        m_port.WaitForWrites(
            [&]
            {
                if (IsTerminating() || m_signal.load() != seen)
                    return true;
                for (const auto& need : needs)
                {
                    if (m_iBufSize - m_port.PendingWrite(need.first->node, need.first->conn) >= need.second)
                        return true;
                }
                return false;
            },
            wake);
    }
    return 0;
}

} // namespace devserver
