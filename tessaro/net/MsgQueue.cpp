#include "tessaro/net/MsgQueue.h"

#include <algorithm>
#include <cstring>

MsgQueue::MsgQueue(int iSlotCount, int iSlotSize)
    : m_iSlotSize(std::max(iSlotSize, 0) + 1), m_iSlotCount(std::max(iSlotCount, 0)), m_iFree(m_iSlotCount),
      m_pStorage(new char[static_cast<size_t>(m_iSlotCount) * static_cast<size_t>(m_iSlotSize)]()),
      m_pSlots(new MsgSlot[static_cast<size_t>(m_iSlotCount)])
{
    for (int i = 0; i < m_iSlotCount; ++i)
        m_pSlots[i] = MsgSlot{0, m_pStorage.get() + static_cast<size_t>(i) * static_cast<size_t>(m_iSlotSize)};
}

MsgQueue::~MsgQueue() = default;

template <typename Ready>
bool MsgQueue::WaitWithin(std::unique_lock<std::mutex>& data, std::condition_variable& cv, int iTimeoutMs, Ready ready)
{
    auto done = [&] { return ready() || m_bInterrupted; };
    if (iTimeoutMs < 0)
        cv.wait(data, done);
    else if (iTimeoutMs > 0)
        cv.wait_for(data, std::chrono::milliseconds(iTimeoutMs), done);
    return ready();
}

int MsgQueue::Get(char* pBuf, int iBufLen, int iTimeoutMs)
{
    if (!pBuf)
        return -1;
    if (iBufLen <= 0)
        return -3;
    std::unique_lock<std::mutex> data(m_hDataLock);
    if (!WaitWithin(data, m_hReadTurn, iTimeoutMs, [this] { return !m_bReadLock; }))
        return -2;
    m_bReadLock = true;
    const bool ready = WaitWithin(data, m_hNotEmpty, iTimeoutMs, [this] { return m_iUsed > 0; });
    int copied = -2;
    if (ready)
    {
        MsgSlot& slot = m_pSlots[m_iReadPos];
        copied = std::min(iBufLen, slot.iLen);
        std::memcpy(pBuf, slot.pData, static_cast<size_t>(copied));
        // Bytes beyond iLen are always zero, so clearing the stored bytes leaves the whole slot zero.
        std::memset(slot.pData, 0, static_cast<size_t>(slot.iLen));
        slot.iLen = 0;
        m_iReadPos = (m_iReadPos + 1) % m_iSlotCount;
        --m_iUsed;
        ++m_iFree;
    }
    m_bReadLock = false;
    data.unlock();
    m_hReadTurn.notify_one();
    if (ready)
        m_hNotFull.notify_one();
    return copied;
}

int MsgQueue::Put(const char* pData, int iLen, int iTimeoutMs)
{
    if (iLen < 0 || iLen > m_iSlotSize)
        return -3;
    if (!pData)
        return -1;
    std::unique_lock<std::mutex> data(m_hDataLock);
    if (!WaitWithin(data, m_hWriteTurn, iTimeoutMs, [this] { return !m_bWriteLock; }))
        return -2;
    m_bWriteLock = true;
    const bool ready = WaitWithin(data, m_hNotFull, iTimeoutMs, [this] { return m_iFree > 0; });
    if (ready)
    {
        MsgSlot& slot = m_pSlots[m_iWritePos];
        std::memcpy(slot.pData, pData, static_cast<size_t>(iLen));
        slot.iLen = iLen;
        m_iWritePos = (m_iWritePos + 1) % m_iSlotCount;
        --m_iFree;
        ++m_iUsed;
    }
    m_bWriteLock = false;
    data.unlock();
    m_hWriteTurn.notify_one();
    if (ready)
        m_hNotEmpty.notify_one();
    return ready ? 0 : -2;
}

int MsgQueue::Put(const char* pData, int iLen)
{
    return Put(pData, iLen, -1);
}

void MsgQueue::Interrupt()
{
    {
        std::lock_guard<std::mutex> data(m_hDataLock);
        m_bInterrupted = true;
    }
    m_hReadTurn.notify_all();
    m_hWriteTurn.notify_all();
    m_hNotEmpty.notify_all();
    m_hNotFull.notify_all();
}

int MsgQueue::GetCount() const
{
    std::lock_guard<std::mutex> data(m_hDataLock);
    return m_iUsed;
}
