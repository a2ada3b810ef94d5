// The outbox against a stand-in for the socket stack whose write buffer the test empties by hand:
// order, nothing lost while the buffer is full, pieces and closes that wait for the buffer, and the
// latency.
#include "tools/devserver/Outbox.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace
{

using namespace devserver;
using std::chrono::milliseconds;

// A write buffer that only empties when the test says so, like a client that reads only when the
// test lets it.
class FakePort : public WritePort
{
public:
    explicit FakePort(int bufSize) : m_bufSize(bufSize) {}

    struct Record
    {
        std::string bytes;
        int pendingBefore;
        Clock::time_point at;
    };

    int WriteBufferSize() const override { return m_bufSize; }
    int PendingWrite(int, int) override
    {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        return m_pending;
    }
    bool Write(int, int, const char* data, int len) override
    {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        if (m_bufSize - m_pending < len)
            overflows++;
        m_writes.push_back({std::string(data, static_cast<size_t>(len)), m_pending, Clock::now()});
        m_pending += len;
        m_cv.notify_all();
        return true;
    }
    void Close(int, int, const std::string& reason) override
    {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        m_closeReason = reason;
        m_closedWithPending = m_pending;
        m_closed = true;
        m_cv.notify_all();
    }
    void WaitForWrites(const std::function<bool()>& ready, std::optional<Clock::time_point> deadline) override
    {
        std::unique_lock<std::recursive_mutex> lock(m_mutex);
        auto check = [&] { return ready(); };
        if (deadline)
            m_cv.wait_until(lock, *deadline, check);
        else
            m_cv.wait(lock, check);
    }
    void WakeWriteWaiters() override
    {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        m_cv.notify_all();
    }

    // The client takes up to n bytes (all: -1).
    void Drain(int n = -1)
    {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        m_pending = n < 0 ? 0 : std::max(m_pending - n, 0);
        m_cv.notify_all();
    }
    // Waits until pred() holds (checked under the port's lock) or two seconds have passed.
    template <typename Pred> bool WaitFor(Pred pred)
    {
        std::unique_lock<std::recursive_mutex> lock(m_mutex);
        return m_cv.wait_for(lock, milliseconds(2000), pred);
    }
    // Keeps emptying the buffer as it fills until count writes have been made.
    bool DrainUntilWrites(size_t count)
    {
        while (true)
        {
            {
                std::unique_lock<std::recursive_mutex> lock(m_mutex);
                if (!m_cv.wait_for(lock, milliseconds(2000), [&] { return m_pending > 0 || m_writes.size() >= count; }))
                    return false;
                if (m_writes.size() >= count && m_pending == 0)
                    return true;
            }
            Drain();
        }
    }
    std::vector<Record> Writes()
    {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        return m_writes;
    }
    std::string AllBytes()
    {
        std::string all;
        for (const Record& r : Writes())
            all += r.bytes;
        return all;
    }

    std::atomic<int> overflows{0};
    bool m_closed = false;
    std::string m_closeReason;
    int m_closedWithPending = -1;
    std::recursive_mutex m_mutex;

private:
    const int m_bufSize;
    int m_pending = 0;
    std::vector<Record> m_writes;
    std::condition_variable_any m_cv;
};

OutItem Data(const std::string& bytes, int pieces = 1, int gapMs = 0)
{
    OutItem item = OutItem::Raw(bytes);
    item.pieces = pieces;
    item.gapMs = gapMs;
    return item;
}

struct Fixture
{
    explicit Fixture(int bufSize, int latencyMs = 0)
        : port(bufSize), log([this](const std::string& line) { lines.push_back(line); }),
          outbox(port, log, latencyMs, true)
    {
        outbox.OpenLane(1, 0);
        outbox.Start();
    }

    FakePort port;
    std::vector<std::string> lines; // guarded by the log's own lock
    JsonLog log;
    Outbox outbox;
};

TEST(Outbox, IdleLaneWritesOnTheCallersThreadAtOnce)
{
    Fixture f(64);
    ASSERT_TRUE(f.outbox.Post(1, Data("ping")));
    // No hand-over to the outbox's thread: the bytes are in the buffer when Post returns.
    const std::vector<FakePort::Record> writes = f.port.Writes();
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].bytes, "ping");
}

TEST(Outbox, FullBufferLosesNothingAndKeepsOrder)
{
    Fixture f(64);
    std::string expected;
    for (int i = 0; i < 40; ++i)
    {
        const std::string item(30, static_cast<char>('A' + i % 26));
        expected += item;
        ASSERT_TRUE(f.outbox.Post(1, Data(item)));
    }
    // Only two fit; the rest waits for room, and a message posted now still goes behind them.
    ASSERT_TRUE(f.port.WaitFor([&] { return f.port.Writes().size() >= 2; }));
    ASSERT_TRUE(f.outbox.Post(1, Data("last")));
    expected += "last";
    ASSERT_TRUE(f.port.DrainUntilWrites(41));
    EXPECT_EQ(f.port.AllBytes(), expected);
    EXPECT_EQ(f.port.overflows.load(), 0);
}

TEST(Outbox, SplitPiecesWaitForTheBufferToEmpty)
{
    Fixture f(4096);
    const std::string frame(103, 'x');
    ASSERT_TRUE(f.outbox.Post(1, Data(frame, 4, 0)));
    ASSERT_TRUE(f.port.WaitFor([&] { return f.port.Writes().size() == 1; }));
    // The next piece waits while the first one is still in the buffer.
    f.port.Drain(10);
    ASSERT_TRUE(f.port.DrainUntilWrites(4));
    const std::vector<FakePort::Record> writes = f.port.Writes();
    ASSERT_EQ(writes.size(), 4u);
    EXPECT_EQ(writes[0].bytes.size(), 26u);
    EXPECT_EQ(writes[1].bytes.size(), 26u);
    EXPECT_EQ(writes[2].bytes.size(), 26u);
    EXPECT_EQ(writes[3].bytes.size(), 25u);
    for (const FakePort::Record& r : writes)
        EXPECT_EQ(r.pendingBefore, 0);
    EXPECT_EQ(f.port.AllBytes(), frame);
}

TEST(Outbox, SplitGapSeparatesPieces)
{
    Fixture f(4096);
    ASSERT_TRUE(f.outbox.Post(1, Data("abcdef", 3, 40)));
    ASSERT_TRUE(f.port.DrainUntilWrites(3));
    const std::vector<FakePort::Record> writes = f.port.Writes();
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_GE(writes[1].at - writes[0].at, milliseconds(40));
    EXPECT_GE(writes[2].at - writes[1].at, milliseconds(40));
}

TEST(Outbox, MorePiecesThanBytesGivesOneBytePieces)
{
    Fixture f(4096);
    ASSERT_TRUE(f.outbox.Post(1, Data("abc", 10, 0)));
    ASSERT_TRUE(f.port.DrainUntilWrites(3));
    const std::vector<FakePort::Record> writes = f.port.Writes();
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(writes[2].bytes, "c");
}

TEST(Outbox, ItemLargerThanTheBufferGoesInBufferSizedParts)
{
    Fixture f(100);
    std::string big;
    for (int i = 0; i < 350; ++i)
        big.push_back(static_cast<char>(i));
    ASSERT_TRUE(f.outbox.Post(1, Data(big)));
    ASSERT_TRUE(f.port.DrainUntilWrites(4));
    EXPECT_EQ(f.port.AllBytes(), big);
    EXPECT_EQ(f.port.overflows.load(), 0);
}

TEST(Outbox, CloseWaitsUntilWhatCameBeforeHasGone)
{
    Fixture f(64);
    ASSERT_TRUE(f.outbox.Post(1, Data(std::string(50, 'a'))));
    ASSERT_TRUE(f.outbox.Post(1, OutItem::Close("script")));
    ASSERT_TRUE(f.outbox.Post(1, Data("after the close")));
    ASSERT_TRUE(f.port.WaitFor([&] { return f.port.Writes().size() == 1; }));
    {
        std::lock_guard<std::recursive_mutex> lock(f.port.m_mutex);
        EXPECT_FALSE(f.port.m_closed);
    }
    f.port.Drain();
    ASSERT_TRUE(f.port.WaitFor([&] { return f.port.m_closed; }));
    EXPECT_EQ(f.port.m_closeReason, "script");
    EXPECT_EQ(f.port.m_closedWithPending, 0);
    // Nothing queued behind a close goes out.
    f.outbox.Stop();
    EXPECT_EQ(f.port.Writes().size(), 1u);
}

TEST(Outbox, LatencyDelaysEveryWrite)
{
    Fixture f(4096, 60);
    const Clock::time_point posted = Clock::now();
    ASSERT_TRUE(f.outbox.Post(1, Data("one")));
    ASSERT_TRUE(f.outbox.Post(1, Data("two")));
    ASSERT_TRUE(f.port.DrainUntilWrites(2));
    const std::vector<FakePort::Record> writes = f.port.Writes();
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].bytes, "one");
    EXPECT_EQ(writes[1].bytes, "two");
    EXPECT_GE(writes[0].at - posted, milliseconds(60));
}

TEST(Outbox, SubmitWaitsWhileTheLaneIsFullAndGivesUpWhenItCloses)
{
    Fixture f(1024);
    const std::string chunk(1000, 'z');
    // One is written and one is taken up by the outbox; the rest queues, more than the limit.
    for (size_t queued = 0; queued <= Outbox::kLaneLimit + 4 * chunk.size(); queued += chunk.size())
        ASSERT_TRUE(f.outbox.Post(1, Data(chunk)));
    std::mutex mutex;
    std::condition_variable done;
    int result = -1;
    std::thread producer(
        [&]
        {
            const bool ok = f.outbox.Submit(1, Data("more"));
            std::lock_guard<std::mutex> lock(mutex);
            result = ok ? 1 : 0;
            done.notify_all();
        });
    {
        // Still waiting a while later: the lane is over its limit and nobody reads.
        std::unique_lock<std::mutex> lock(mutex);
        EXPECT_FALSE(done.wait_for(lock, milliseconds(100), [&] { return result != -1; }));
    }
    f.outbox.CloseLane(1);
    producer.join();
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(f.outbox.Post(1, Data("after")));
}

TEST(Outbox, SendLinesDescribeWhatWentOut)
{
    Fixture f(4096);
    OutItem batch;
    ASSERT_TRUE(OutItem::Message(std::string("\x03\x07\x00\x00\x00\x00\x00\x01\xab", 9), batch, 5));
    batch.Append(OutItem::Raw("\x01\x02"));
    batch.pieces = 2;
    ASSERT_TRUE(f.outbox.Post(1, std::move(batch)));
    ASSERT_TRUE(f.port.DrainUntilWrites(2));
    f.outbox.Stop();
    ASSERT_EQ(f.lines.size(), 2u);
    EXPECT_EQ(
        f.lines[0].rfind("{\"event\":\"send\",\"conn\":1,\"type\":7,\"len\":9,\"body\":\"ab\",\"frame_version\":5,"
                         "\"pieces\":2,\"batch\":2,",
                         0),
        0u)
        << f.lines[0];
    EXPECT_EQ(
        f.lines[1].rfind("{\"event\":\"send-raw\",\"conn\":1,\"len\":2,\"hex\":\"0102\",\"pieces\":2,\"batch\":2,", 0),
        0u)
        << f.lines[1];
}

} // namespace
