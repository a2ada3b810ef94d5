// The operator's commands: what a developer tells the room from the console, or a scenario with
// `room COMMAND ...`. One parser for both drivers, one executor in the room (RoomNotices.cpp).
//
//   bulletin TARGET KIND [from=NAME] TEXT   a server text (144); KIND horn (0), system (1),
//                                           admin (2), big-horn (6), invite (0x80), plain
//                                           (0x7F) or a number 0..255
//   invite TARGET NAME                      an invitation from NAME to join his table (144,
//                                           kind 0x80)
//   notice TARGET KIND [TEXT]               a kick or account notice (68), KIND 0..16;
//   notice TARGET 13 VALUE                  kind 13 carries VALUE (int32 at 280) instead
//   forbid TARGET [REASON]                  chat forbidden (68 kind 2); the room refuses his
//                                           lines from then on
//   allow TARGET [TEXT]                     chat allowed again: 68 kind 9, or kind 10 with TEXT
//   wage TARGET KIND LIMIT NUMBER AMOUNT    a wage notice (129), KIND 2..6; 2 and 4 pay AMOUNT
//                                           into the player's record
//   autoplay TABLE CHAIR MODE               the system plays a chair (126) of TABLE, MODE 0..255
//   escape-query TARGET STATE               the escape-state query (125), STATE -128..127
//   dismiss TABLE                           dissolves a table: everyone there gets 55 reason 2
//   say BOT TEXT                            a bot says TEXT at his table (49)
//   help                                    the list (the console answers it itself)
//
// TARGET is a user id, `table N` (everyone there, lookers included) or `all` (everyone on the
// server). Texts are UTF-8 and go out as GBK; each must fit its place in the message.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace devserver
{

struct OperatorTarget
{
    enum class Kind
    {
        User,
        Table,
        All,
    };

    Kind kind = Kind::All;
    std::int32_t value = 0; // the user id or the table number
};

struct OperatorCommand
{
    enum class Kind
    {
        Help,
        Bulletin,
        Invite,
        Notice,
        Forbid,
        Allow,
        Wage,
        AutoPlay,
        EscapeQuery,
        Dismiss,
        Say,
    };

    Kind kind = Kind::Help;
    OperatorTarget target;
    // Bulletin: the text kind; Notice: the notice kind; Wage: the wage kind; AutoPlay: the mode;
    // EscapeQuery: the state.
    int code = 0;
    std::int32_t value = 0;  // Notice 13
    std::int32_t limit = 0;  // Wage
    std::int32_t number = 0; // Wage
    std::int32_t amount = 0; // Wage
    int table = 0;           // AutoPlay, Dismiss
    int chair = 0;           // AutoPlay
    std::int32_t bot = 0;    // Say
    std::string name;        // GBK: Bulletin, Invite
    std::string text;        // GBK
    std::string line;        // as given, for the log
};

// Parses one command line (the command word first). False, with error set, when it is wrong.
bool ParseOperatorCommand(std::string_view line, OperatorCommand& out, std::string& error);

// The commands, one a line, for `help` and the usage text.
const char* OperatorHelp();

} // namespace devserver
