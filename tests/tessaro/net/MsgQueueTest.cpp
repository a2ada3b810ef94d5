#include "tessaro/net/MsgQueue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace
{

int PutText(MsgQueue& q, const std::string& s, int timeoutMs = 0)
{
    return q.Put(s.data(), static_cast<int>(s.size()), timeoutMs);
}

std::string GetText(MsgQueue& q, int bufLen = 64, int timeoutMs = 0)
{
    std::vector<char> buf(static_cast<size_t>(bufLen));
    int n = q.Get(buf.data(), bufLen, timeoutMs);
    return n < 0 ? "<" + std::to_string(n) + ">" : std::string(buf.data(), static_cast<size_t>(n));
}

} // namespace

TEST(MsgQueue, ItemsUpToTheSlotSizePlusOneFit)
{
    MsgQueue q(2, 10);
    EXPECT_EQ(q.GetSlotSize(), 11);
    std::string eleven(11, 'a');
    EXPECT_EQ(PutText(q, eleven), 0);
    EXPECT_EQ(PutText(q, eleven + "b"), -3);
    EXPECT_EQ(q.Put(nullptr, 3, 0), -1);
    EXPECT_EQ(q.Put(nullptr, 12, 0), -3); // the length is judged first
    EXPECT_EQ(q.Put("x", -1, 0), -3);
    EXPECT_EQ(GetText(q), eleven);
    EXPECT_EQ(PutText(q, ""), 0); // an empty item is an item
    EXPECT_EQ(GetText(q), "");
    EXPECT_EQ(q.GetCount(), 0);
}

TEST(MsgQueue, GetChecksItsArguments)
{
    MsgQueue q(2, 10);
    PutText(q, "abc");
    char buf[4];
    EXPECT_EQ(q.Get(nullptr, 4, 0), -1);
    EXPECT_EQ(q.Get(buf, 0, 0), -3);
    EXPECT_EQ(q.Get(buf, -8, 0), -3);
    EXPECT_EQ(q.GetCount(), 1); // failed calls take nothing
}

TEST(MsgQueue, EmptyQueueTimesOut)
{
    MsgQueue q(2, 10);
    EXPECT_EQ(GetText(q, 8, 0), "<-2>");
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(GetText(q, 8, 5), "<-2>");
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(5));
}

TEST(MsgQueue, FullQueueRefusesAndKeepsItsItemsInOrder)
{
    MsgQueue q(3, 10);
    EXPECT_EQ(PutText(q, "1"), 0);
    EXPECT_EQ(PutText(q, "2"), 0);
    EXPECT_EQ(PutText(q, "3"), 0);
    EXPECT_EQ(PutText(q, "4", 0), -2);
    EXPECT_EQ(PutText(q, "4", 3), -2);
    EXPECT_EQ(GetText(q), "1");
    EXPECT_EQ(GetText(q), "2");
    EXPECT_EQ(GetText(q), "3");
}

TEST(MsgQueue, KeepsOrderAcrossTheWrap)
{
    MsgQueue q(3, 10);
    int next = 0;
    for (int round = 0; round < 20; ++round)
    {
        EXPECT_EQ(PutText(q, std::to_string(round * 2)), 0);
        EXPECT_EQ(PutText(q, std::to_string(round * 2 + 1)), 0);
        EXPECT_EQ(GetText(q), std::to_string(next++));
        EXPECT_EQ(GetText(q), std::to_string(next++));
    }
}

TEST(MsgQueue, ShortBufferCutsTheItemAndDropsItsRest)
{
    MsgQueue q(3, 16);
    PutText(q, "abcdefgh");
    PutText(q, "next");
    EXPECT_EQ(GetText(q, 3), "abc");
    EXPECT_EQ(GetText(q, 16), "next");
    // A slot once holding a long item gives back only the short one put into it later.
    PutText(q, "zz");
    PutText(q, "y");
    PutText(q, "x");
    EXPECT_EQ(GetText(q, 16), "zz");
}

TEST(MsgQueue, UnlimitedPutWaitsForAFreeSlot)
{
    MsgQueue q(1, 10);
    PutText(q, "first");
    int result = 1;
    std::thread producer([&] { result = q.Put("second", 6); });
    EXPECT_EQ(GetText(q, 16, -1), "first");
    producer.join();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(GetText(q, 16, -1), "second");
}

TEST(MsgQueue, InterruptEndsWaitsWithoutLimit)
{
    MsgQueue q(1, 10);
    int got = 1;
    std::thread consumer(
        [&]
        {
            char buf[8];
            got = q.Get(buf, 8, -1);
        });
    q.Interrupt();
    consumer.join();
    EXPECT_EQ(got, -2);
    // What is there can still be taken; waiting for more fails at once.
    EXPECT_EQ(PutText(q, "a", -1), 0);
    EXPECT_EQ(PutText(q, "b", -1), -2);
    EXPECT_EQ(GetText(q, 8, -1), "a");
    EXPECT_EQ(GetText(q, 8, -1), "<-2>");
}

TEST(MsgQueue, ManyProducersAndConsumersLoseAndReorderNothing)
{
    constexpr int kProducers = 4;
    constexpr int kConsumers = 3;
    constexpr int kPerProducer = 3000;
    MsgQueue q(16, 64);

    std::vector<std::thread> threads;
    for (int p = 0; p < kProducers; ++p)
    {
        threads.emplace_back(
            [&q, p]
            {
                for (int i = 0; i < kPerProducer; ++i)
                {
                    int item[2] = {p, i};
                    ASSERT_EQ(q.Put(reinterpret_cast<const char*>(item), sizeof(item)), 0);
                }
            });
    }
    std::vector<std::vector<int>> seen(kConsumers, std::vector<int>(kProducers, -1));
    std::vector<int> counts(kConsumers, 0);
    std::vector<bool> ordered(kConsumers, true);
    constexpr int kTotal = kProducers * kPerProducer;
    std::atomic<int> taken{0};
    for (int c = 0; c < kConsumers; ++c)
    {
        threads.emplace_back(
            [&, c]
            {
                while (taken.load() < kTotal)
                {
                    int item[2];
                    int n = q.Get(reinterpret_cast<char*>(item), sizeof(item), 2);
                    if (n == -2)
                        continue;
                    ASSERT_EQ(n, static_cast<int>(sizeof(item)));
                    // Each producer's items arrive in the order it put them.
                    if (item[1] <= seen[c][item[0]])
                        ordered[c] = false;
                    seen[c][item[0]] = item[1];
                    ++counts[c];
                    ++taken;
                }
            });
    }
    for (auto& t : threads)
        t.join();
    int total = 0;
    for (int c = 0; c < kConsumers; ++c)
    {
        EXPECT_TRUE(ordered[c]) << "consumer " << c;
        total += counts[c];
    }
    EXPECT_EQ(total, kTotal);
    EXPECT_EQ(q.GetCount(), 0);
}
