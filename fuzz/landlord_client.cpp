// Any messages of the demo game's server through the client's table state (TableState::OnMessage),
// as the view hands them on, and after each of them every question the view and the automatic
// player ask: nothing may crash or read past a message, the chairs' counts stay within a hand,
// and the moves offered are moves the same state lets the player make (a hint, the automatic
// player's play, or its pass). Login-again responses (36) go through landlord::FindRestore first,
// and a restore it finds must lie inside the response and reach the state as the view sends it.
//
// Input: a sequence of messages, each
//   byte  kind: bits 0-3 the type: 0-10 the game's 210-220, 11 a type from the next byte, 12 a
//         login-again response (36) for FindRestore, 13-15 the game's 210-220 by the next byte
//         mod 11; bit 4: write the header (version 3, the body's length)
//   byte  the length (for 12: two bytes, big-endian, at most 4095; bytes 240-243 then name the
//         snapshot offset by the next byte times 4 unless bit 5 of the kind is set)
//   the message's bytes (zeros past the end of the input)
//   then the queries' arguments: a 3-byte mask of the own hand (a selection of its cards), a
//   count and that many arbitrary card bytes (a second selection), and the hint's number.
// Each message lives in a buffer of exactly its length, so a read past it is caught.
#include "examples/landlord/client/TableState.h"
#include "examples/landlord/rules/Protocol.h"
#include "fuzz/FuzzInput.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace
{

using namespace landlord;

// A failed check names its line, then ends the run as a finding.
void Check(bool ok, int line = __builtin_LINE())
{
    if (ok)
        return;
    std::fprintf(stderr, "check failed at %s:%d\n", __FILE__, line);
    std::abort();
}

constexpr int kMaxMessages = 64;

void WriteHeader(unsigned char* msg, size_t len, int type)
{
    if (len < static_cast<size_t>(kHeaderLen))
        return;
    msg[0] = 3;
    msg[1] = static_cast<unsigned char>(type);
    msg[2] = msg[3] = 0;
    const auto body = static_cast<std::uint32_t>(len - kHeaderLen);
    for (int i = 0; i < 4; ++i)
        msg[4 + i] = static_cast<unsigned char>(body >> (24 - 8 * i));
}

void Ask(const TableState& state, FuzzInput& in)
{
    for (int chair = -1; chair <= kPlayers; ++chair)
    {
        Check(state.CardsLeft(chair) >= 0);
        Check(state.BidOf(chair) >= -1 && state.BidOf(chair) <= 3);
        (void)state.TableCards(chair).size();
        (void)state.Passed(chair);
        (void)state.SystemPlays(chair);
    }
    (void)state.ToBeat();
    for (int points = 0; points <= 4; ++points)
        (void)state.CanBid(points);
    (void)state.CanPass();

    // A selection of the own cards, as the player picks them, and one of any bytes at all.
    const std::uint32_t mask = static_cast<std::uint32_t>(in.Byte()) << 16 | static_cast<std::uint32_t>(in.BE16());
    Cards picked;
    for (size_t i = 0; i < state.Hand().size() && i < 24; ++i)
        if (mask >> i & 1)
            picked.push_back(state.Hand()[i]);
    (void)state.CanPlay(picked);
    Cards any(in.Byte() % 24);
    for (Card& c : any)
        c = in.Byte();
    (void)state.CanPlay(any);

    const int n = static_cast<std::int8_t>(in.Byte());
    const bool mayPlay = state.MyTurn() && !state.BiddingTurn() && state.Landlord() >= 0;
    if (const std::optional<Cards> hint = state.Hint(n))
        Check(!mayPlay || state.CanPlay(*hint));
    if (const std::optional<AutoMove> move = state.DecideAuto())
    {
        if (move->bid)
            Check(state.CanBid(move->points));
        else if (mayPlay)
            Check(move->cards.empty() ? state.CanPass() : state.CanPlay(move->cards));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    FuzzInput in(data, size);
    TableState state;
    for (int i = 0; i < kMaxMessages && !in.AtEnd(); ++i)
    {
        const int kind = in.Byte();
        const int choice = kind & 15;
        int type = 210 + choice;
        if (choice == 11)
            type = in.Byte();
        else if (choice >= 13)
            type = 210 + in.Byte() % 11;
        const bool login = choice == 12;
        const size_t len = login ? static_cast<size_t>(in.BE16() & 0xFFF) : in.Byte();
        std::unique_ptr<unsigned char[]> msg(new unsigned char[len > 0 ? len : 1]);
        in.Take(msg.get(), len);
        if (login)
        {
            if (len >= 2)
                msg[1] = 36;
            if (!(kind & 32) && len >= 244)
            {
                const std::uint32_t at = 4u * in.Byte();
                for (int b = 0; b < 4; ++b)
                    msg[240 + b] = static_cast<unsigned char>(at >> (24 - 8 * b));
            }
            if ((kind & 16) && len >= 244)
            {
                // The restore's header where the snapshot says it ends.
                const size_t restoreAt = static_cast<size_t>(msg[240]) << 24 | static_cast<size_t>(msg[241]) << 16 |
                                         static_cast<size_t>(msg[242]) << 8 | msg[243];
                if (restoreAt + 840 <= len)
                    WriteHeader(msg.get() + restoreAt + 840, len - restoreAt - 840, MSG_RESTORE);
            }
            const unsigned char* block = nullptr;
            size_t blockLen = 0;
            if (FindRestore(msg.get(), len, block, blockLen))
            {
                Check(block >= msg.get() && blockLen >= static_cast<size_t>(kHeaderLen));
                Check(static_cast<size_t>(block - msg.get()) + blockLen <= len && block[1] == MSG_RESTORE);
                // The view hands the block on in a buffer of its own.
                std::unique_ptr<unsigned char[]> restore(new unsigned char[blockLen]);
                std::copy(block, block + blockLen, restore.get());
                state.OnMessage(restore.get(), blockLen);
            }
            else
            {
                Check(block == nullptr && blockLen == 0);
            }
        }
        else
        {
            if (len >= 2)
                msg[1] = static_cast<unsigned char>(type);
            if (kind & 16)
                WriteHeader(msg.get(), len, type);
            state.OnMessage(msg.get(), len);
        }
        Ask(state, in);
    }
    return 0;
}
