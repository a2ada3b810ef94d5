// Who the players are: the records of a players file, and a generated record for every user the
// file does not name.
//
// The players file is UTF-8 text, one player per line, fields as key=value separated by blanks;
// blank lines and lines whose first non-blank character is '#' are skipped:
//
//   user=10001 nick=演示玩家 sex=1 money=52000 amount=340 wins=12 losses=9 draws=2 member=3
//
// Only `user` is required; the fields a line leaves out come from the generated record of that
// user. Keys (ranges in PlayerDirectory.cpp's table): user, nick, sex, money, amount, wealth,
// wins, losses, draws, member, head, headtype, usertype, playtime, cm, area. A wrong line is an
// error with its line number.
//
// Generated records depend only on the user id and the seed, never on who came first.
#pragma once

#include "tools/devserver/protocol/PlayerRecord.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace devserver
{

// User ids that players (the file, authentication, the default ids) may have; bots have theirs
// from kFirstBotId on.
inline constexpr std::int32_t kMaxPlayerId = 999999999;
inline constexpr std::int32_t kFirstBotId = 1000000001;

struct PlayersFileError
{
    std::string file;
    int line = 0; // 0: not about a line
    std::string reason;

    // "FILE:LINE: reason", or "FILE: reason".
    std::string Text() const;
};

class PlayerDirectory
{
public:
    explicit PlayerDirectory(std::uint64_t seed = 1) : m_seed(seed) {}

    // Reads players from the text of a players file; fileName only names it in errors. False,
    // with error set and nothing added, at the first wrong line.
    bool Parse(std::string_view text, const std::string& fileName, PlayersFileError& error);
    bool Load(const std::string& path, PlayersFileError& error);

    // The file's record of the user, or the generated one. At no table, not ready.
    PlayerRecord RecordFor(std::int32_t userId) const;
    // The record of bot number n (from 1): user id kFirstBotId + n - 1, nick "机器人n".
    PlayerRecord BotRecord(int n) const;

    bool Has(std::int32_t userId) const { return m_records.count(userId) != 0; }
    size_t Size() const { return m_records.size(); }
    std::uint64_t Seed() const { return m_seed; }

private:
    PlayerRecord Generated(std::int32_t userId) const;

    std::uint64_t m_seed;
    std::map<std::int32_t, PlayerRecord> m_records;
};

} // namespace devserver
