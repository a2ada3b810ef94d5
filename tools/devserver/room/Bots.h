// The bot players' pool: their records (ids from kFirstBotId, nicks "机器人1", "机器人2"...),
// the lowest free number for each new bot, and how long a bot takes to answer a ready call.
// A bot is otherwise a plain player of the room; the Room decides where bots sit and when they
// go.
#pragma once

#include "tools/devserver/room/EventLoop.h"
#include "tools/devserver/room/PlayerDirectory.h"

#include <cstdint>
#include <set>

namespace devserver
{

class Bots
{
public:
    // perTable: how many bots a table with a real player gets at most; delayMs: how long each
    // takes to answer a ready call.
    Bots(const PlayerDirectory& directory, int perTable, int delayMs);

    int PerTable() const { return m_iPerTable; }
    static bool IsBotId(std::int32_t userId) { return userId >= kFirstBotId; }

    // The record of a new bot, under the lowest number not in use.
    PlayerRecord Take();
    // The bot has left the room; its number is free again.
    void Release(std::int32_t userId);

    Clock::duration AnswerDelay() const { return std::chrono::milliseconds(m_iDelayMs); }

private:
    const PlayerDirectory& m_directory;
    const int m_iPerTable;
    const int m_iDelayMs;
    std::set<int> m_inUse;
};

} // namespace devserver
