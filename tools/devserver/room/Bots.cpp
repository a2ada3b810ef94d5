#include "tools/devserver/room/Bots.h"

#include <algorithm>

namespace devserver
{

Bots::Bots(const PlayerDirectory& directory, int perTable, int delayMs)
    : m_directory(directory), m_iPerTable(perTable), m_iDelayMs(std::max(delayMs, 0))
{
}

PlayerRecord Bots::Take()
{
    int n = 1;
    while (m_inUse.count(n))
        ++n;
    m_inUse.insert(n);
    return m_directory.BotRecord(n);
}

void Bots::Release(std::int32_t userId)
{
    if (IsBotId(userId))
        m_inUse.erase(userId - kFirstBotId + 1);
}

} // namespace devserver
