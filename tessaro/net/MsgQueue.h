// A bounded first-in-first-out queue of whole messages between threads.
//
// Items are copied into fixed slots allocated once by the constructor and copied out again; a
// caller never holds a pointer into the queue, and Get and Put allocate nothing. Any number of
// producers and consumers may share a queue: producers are served one at a time, consumers too,
// and a producer and a consumer only meet for the copy itself.
//
// Results: Get returns the bytes copied (0 or more), Put returns 0; -1 for a null buffer, -2 when
// nothing could be done within the time-out, -3 for a length error. Time-outs are milliseconds;
// a negative time-out waits without limit and 0 only looks. A call waits up to the time-out for
// its turn among the consumers (or producers) and then up to the time-out again for an item (or
// a free slot). A failed call changes nothing.
#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

struct MsgSlot
{
    int iLen;    // bytes stored, 0 when empty
    char* pData; // m_iSlotSize bytes, zero beyond iLen
};

class MsgQueue
{
public:
    // iSlotCount slots of iSlotSize + 1 bytes each. A negative count or size counts as 0.
    MsgQueue(int iSlotCount, int iSlotSize);
    ~MsgQueue();
    MsgQueue(const MsgQueue&) = delete;
    MsgQueue& operator=(const MsgQueue&) = delete;

    // Takes the oldest item. An item longer than iBufLen is cut to iBufLen bytes; the rest of it
    // is dropped. -1: pBuf is null; -3: iBufLen is 0 or negative; -2: nothing within the time-out.
    int Get(char* pBuf, int iBufLen, int iTimeoutMs);

    // Appends a copy of iLen bytes. -3: iLen is negative or above m_iSlotSize (checked first);
    // -1: pData is null; -2: no free slot within the time-out.
    int Put(const char* pData, int iLen, int iTimeoutMs);
    // The same, waiting without limit.
    int Put(const char* pData, int iLen);

    // Ends every wait on this queue now and makes later waits fail at once with -2; items and
    // free slots that are there can still be taken. An owner calls it before stopping the
    // threads that use the queue, so that none of them stays blocked in a wait without limit.
    void Interrupt();

    // Items waiting now.
    int GetCount() const;

    int GetSlotSize() const { return m_iSlotSize; }
    int GetSlotCount() const { return m_iSlotCount; }

private:
    using Clock = std::chrono::steady_clock;

    // Waits under `data` until `ready` or the interruption, within the time-out.
    template <typename Ready>
    bool WaitWithin(std::unique_lock<std::mutex>& data, std::condition_variable& cv, int iTimeoutMs, Ready ready);

    int m_iSlotSize;
    int m_iSlotCount;
    int m_iReadPos = 0;
    int m_iWritePos = 0;
    int m_iUsed = 0;
    int m_iFree;
    bool m_bInterrupted = false;
    // The side locks: one consumer and one producer at a time, each holding its turn across its
    // wait for an item or a slot. They are flags under m_hDataLock so that a turn can be waited
    // for with a time-out.
    bool m_bReadLock = false;
    bool m_bWriteLock = false;

    mutable std::mutex m_hDataLock;
    std::condition_variable m_hReadTurn;
    std::condition_variable m_hWriteTurn;
    std::condition_variable m_hNotEmpty;
    std::condition_variable m_hNotFull;

    std::unique_ptr<char[]> m_pStorage; // every slot's buffer, one after the other
    std::unique_ptr<MsgSlot[]> m_pSlots;
};
