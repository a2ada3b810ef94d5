// What a scenario asks the room to do for the player of one connection. Each command acts exactly
// as the player's own request would: `auth` as an authentication request (32), `sit` as a chair
// request (149), `ready` as a ready answer (27); `stand` leaves the table, which a client does only
// by leaving the room. `Operator` is an operator's command (Operator.h), the same the console
// gives.
#pragma once

#include "tools/devserver/room/Operator.h"

#include <cstdint>

namespace devserver
{

struct RoomCommand
{
    enum class Kind
    {
        Auth,
        Sit,
        Stand,
        Ready,
        Operator,
    };

    Kind kind = Kind::Stand;
    std::int32_t userId = 0; // Auth
    std::uint8_t table = 0;  // Sit
    std::uint8_t chair = 0;  // Sit
    OperatorCommand op = {}; // Operator
};

} // namespace devserver
