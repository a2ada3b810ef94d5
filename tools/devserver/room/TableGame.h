// A table's game as a plug-in of the room. The room runs the table (who sits where, the ready
// cycle) and starts a game once every seated player is ready; the game runs the play itself and
// ends it with its results. A game is written against two interfaces:
//
//   TableGame  what the game does when the room calls it: start with the seated players, a
//              seated player's message of a type the room does not handle itself, a timer the
//              game set, a player who leaves the table during the game (or whose connection
//              drops, and who may come back to it);
//   GameHost   what the room offers the game: send to a chair or to the whole table, set and
//              cancel timers, end the game with its results.
//
// Every call runs on the room's thread, one at a time; a game never needs a lock. End may be
// called from within any of the game's calls, Start included: the room finishes the game once
// that call has returned, and calls the game no more after it.
#pragma once

#include "tools/devserver/protocol/Messages.h"
#include "tools/devserver/protocol/PlayerRecord.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace devserver
{

// A seated player as the game sees him at its start.
struct GameSeat
{
    int chair = 0;
    std::int32_t userId = 0;
    bool bot = false;
};

enum class Outcome
{
    None,
    Win,
    Lose,
    Draw,
};

// What a game's end means for one chair: the money change (applied to the player's record) and
// the count it adds to. x, y and z go to the client in the game result as they are.
struct SeatResult
{
    int chair = 0;
    std::int32_t money = 0;
    Outcome outcome = Outcome::None;
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t z = 0;
};

struct GameResult
{
    std::string gameBytes; // bytes 8..131 of the game result (at most 124), the game's own
    std::vector<SeatResult> seats;
    std::int32_t timeReward = 0;
};

class GameHost
{
public:
    using TimerId = std::uint64_t;

    virtual ~GameHost() = default;

    virtual int TableNumber() const = 0;
    virtual int Chairs() const = 0;
    // The record of the player on a chair, null for an empty chair.
    virtual const PlayerRecord* PlayerAt(int chair) const = 0;

    // A monotonic clock in milliseconds, for what a game tells of its time (a turn's seconds left).
    virtual std::int64_t NowMs() const
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }

    // A whole game message (header included) to the player on a chair; nothing for a bot, an
    // empty chair or a player whose connection has dropped.
    virtual void SendToChair(int chair, std::string msg) = 0;
    // To everyone at the table, seated players and lookers.
    virtual void SendToTable(std::string msg) = 0;

    // The game's OnTimer(id) runs once, ms milliseconds from now, unless cancelled or the game
    // has ended by then.
    virtual TimerId SetTimer(int ms) = 0;
    virtual void CancelTimer(TimerId id) = 0;

    // Ends the game. The room applies the results to the records, sends the game result (78) to
    // the table and starts the next round. Only the first call counts.
    virtual void End(GameResult result) = 0;
};

class TableGame
{
public:
    virtual ~TableGame() = default;

    // The seated players, by chair, all of them ready.
    virtual void Start(GameHost& host, const std::vector<GameSeat>& seats) = 0;
    // A message of a player in the game, of a type the room leaves to the game.
    virtual void OnMessage(int chair, std::string_view msg) = 0;
    virtual void OnTimer(GameHost::TimerId id) = 0;
    // A player of the game has left the table (stood up, sat elsewhere or disconnected). His chair
    // is already empty; the game goes on unless it ends itself. For a game that takes players
    // back, a player whose connection dropped keeps his chair instead, and this says the game must
    // play for him until OnPlayerBack.
    virtual void OnPlayerLeave(int chair) = 0;

    // Whether a player whose connection drops during the game may come back to it: he stays away
    // at his chair rather than leaving the table.
    virtual bool TakesPlayersBack() const { return false; }
    // The game's state as the player on that chair needs it to go on (a whole message with its
    // header); the room hands it to him with his login-again response. Empty: nothing to tell.
    virtual std::string RestoreFor(int /*chair*/) const { return {}; }
    // The away player on that chair is connected again and has had RestoreFor.
    virtual void OnPlayerBack(int /*chair*/) {}
};

using GameFactory = std::function<std::unique_ptr<TableGame>()>;

} // namespace devserver
