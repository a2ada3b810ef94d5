// Scenario files: what the server does on each connection, one command per line.
//
//   send TYPE [HEX]            a message of TYPE with HEX as its body (the header is added)
//   send NAME [ARGS]           the messages of a template (see Templates.h)
//   sendmsg [HEX]              a whole message as given, header included
//   raw HEX                    bytes as they are, without a frame
//   frame-version V            the next frame carries version byte V
//   split N [GAP_MS]           the next write goes out in N pieces, GAP_MS (default 2) apart
//   batch N                    the next N frames (or raw blocks) go out in one write
//   wait MS                    pause
//   expect TYPE [TIMEOUT_MS]   wait for a message of TYPE from the client (default 5000 ms)
//   close                      close the connection once everything before it has gone out
//   repeat N ... end           the lines in between, N times (may nest)
//   room auth USER_ID          the room acts for this connection's player as on his own
//   room sit TABLE CHAIR       request (32, 149, 27); `stand` leaves his table. Table mode only
//   room stand | room ready
//   room OPERATOR-COMMAND      an operator's command (room/Operator.h), as on the console
//
// Blank lines and lines whose first non-blank character is '#' are skipped. Numbers are decimal;
// hexadecimal bytes are written as pairs, with or without blanks between the pairs.
// docs/DEVSERVER.md describes the commands in full.
#pragma once

#include "tools/devserver/Templates.h"
#include "tools/devserver/room/RoomCommand.h"

#include <string>
#include <string_view>
#include <vector>

namespace devserver
{

enum class StepKind
{
    Message,      // send TYPE [HEX], sendmsg
    Template,     // send NAME [ARGS]
    Raw,          // raw
    FrameVersion, // frame-version
    Split,        // split
    Batch,        // batch
    Wait,         // wait
    Expect,       // expect
    Close,        // close
    Repeat,       // repeat ... end
    Room,         // room COMMAND
};

struct Step
{
    StepKind kind = StepKind::Wait;
    int line = 0;         // where it stands in the file, counted from 1
    std::string text;     // the line as written, without surrounding blanks
    std::string bytes;    // Message: the whole game message; Raw: the bytes
    MessageSource source; // Template
    // FrameVersion: the version; Split: the pieces; Batch: the frames; Wait: milliseconds;
    // Expect: the type; Repeat: the count.
    int value = 0;
    // Split: the gap in milliseconds; Expect: the time-out in milliseconds.
    int extra = 0;
    std::vector<Step> body; // Repeat
    RoomCommand room;       // Room
};

struct Scenario
{
    std::string name; // the file it came from
    std::vector<Step> steps;
};

struct ScenarioError
{
    std::string file;
    int line = 0; // 0: not about a line (the file cannot be read)
    std::string reason;

    // "FILE:LINE: reason", or "FILE: reason" without a line.
    std::string Text() const;
};

inline constexpr int kDefaultSplitGapMs = 2;
inline constexpr int kDefaultExpectTimeoutMs = 5000;
inline constexpr int kMaxRepeatDepth = 16;

// Reads a scenario from its text; fileName only names it in errors. False, with error set, at the
// first line that is wrong.
bool ParseScenario(std::string_view text, const std::string& fileName, Scenario& out, ScenarioError& error);

// Reads the file (at most 16 MiB) and parses it.
bool LoadScenario(const std::string& path, Scenario& out, ScenarioError& error);

// The first `room` step, repeats included, or null: a scenario with one needs the table mode.
const Step* FindRoomStep(const std::vector<Step>& steps);

} // namespace devserver
