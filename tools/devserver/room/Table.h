// One table of the room: its chairs, its lookers, where it stands in the ready cycle and the game
// it runs. The Room moves players and drives the cycle; the table only keeps the facts.
//
// The ready cycle:
//   Idle     fewer players seated than the room's minimum
//   Calling  the ready call went out; waiting until every seated player is ready
//   Playing  a game runs
//   Pause    the game has ended; the next ready call comes after the round pause
#pragma once

#include "tools/devserver/room/EventLoop.h"
#include "tools/devserver/room/TableGame.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace devserver
{

class Table
{
public:
    enum class Phase
    {
        Idle,
        Calling,
        Playing,
        Pause,
    };

    Table(int number, int chairs) : m_iNumber(number), m_seats(static_cast<size_t>(chairs), 0) {}

    int Number() const { return m_iNumber; }
    int Chairs() const { return static_cast<int>(m_seats.size()); }

    // The user on a chair, 0 for an empty chair or one that does not exist.
    std::int32_t At(int chair) const;
    // The first free chair, -1 when all are taken.
    int FreeChair() const;
    int SeatedCount() const;
    // Seated users by chair, empty chairs left out.
    std::vector<std::int32_t> Seated() const;
    const std::vector<std::int32_t>& Lookers() const { return m_lookers; }
    // The chair of a seated user, -1 when he is not seated here.
    int ChairOf(std::int32_t userId) const;
    bool IsLooker(std::int32_t userId) const;

    // The chair must be free.
    void Seat(std::int32_t userId, int chair);
    void AddLooker(std::int32_t userId);
    // Takes the user off his chair or out of the lookers; nothing when he is not here.
    void Remove(std::int32_t userId);

    // The ready cycle and the game, kept here for the Room.
    Phase phase = Phase::Idle;
    EventLoop::TimerId pauseTimer = 0; // Pause: the timer of the next ready call
    std::unique_ptr<TableGame> game;
    std::unique_ptr<GameHost> host;
    std::vector<GameSeat> gameSeats;         // Playing: who started the game
    Clock::time_point gameStart{};           // Playing
    std::optional<GameResult> pendingEnd;    // Playing: the game has ended itself
    std::set<EventLoop::TimerId> gameTimers; // Playing: the game's timers still pending
    std::set<int> systemPlays;               // Playing: chairs the game has said it plays for (126)

private:
    int m_iNumber;
    std::vector<std::int32_t> m_seats; // by chair, 0 for empty
    std::vector<std::int32_t> m_lookers;
};

} // namespace devserver
