// Named messages that a scenario can send (`send NAME ARGS...`): the protocol's own messages built
// from a few arguments, so that scripts need not spell out their bytes.
//
// Every template is one row of the table in Templates.cpp: its name, its arguments, a line of help
// and a function that checks the arguments once, when the scenario is read, and returns the source
// of its messages. A source produces the messages when the step runs, one at a time, so that a
// template may stand for any number of them. New protocol messages (login results, player
// lists...) are new rows.
#pragma once

#include "tools/devserver/protocol/Messages.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace devserver
{

// Takes one whole game message (header included); false stops the source, which then returns
// false as well.
using MessageSink = std::function<bool(std::string message)>;
// Hands its messages to the sink in order; true when all of them were taken.
using MessageSource = std::function<bool(const MessageSink& sink)>;

struct TemplateEntry
{
    const char* name;
    const char* args;    // as shown in the help: "DELAY_MS SEAT"
    const char* summary; // one line of help
    // Checks the arguments (the words after the name) and sets out; false with error set when
    // they do not fit.
    bool (*prepare)(const std::vector<std::string>& args, MessageSource& out, std::string& error);
};

// Every template, in the order of the help text.
const std::vector<TemplateEntry>& TemplateTable();
// The template of that name, or null.
const TemplateEntry* FindTemplate(std::string_view name);

// The net-speed probe: type 1 (kProbeType), 20 bytes, byte 8 the stage.
inline constexpr int kProbeLen = 20;
inline constexpr int kProbeStageOffset = 8;
inline constexpr int kProbeDelayOffset = 12;
inline constexpr int kProbeSeatOffset = 16;
inline constexpr unsigned char kProbeStageClient = 0;
inline constexpr unsigned char kProbeStageDelay = 2;
// The client's keep-alive: type 26 (kKeepAliveType), 12 bytes.
inline constexpr int kKeepAliveLen = 12;

// The messages behind the templates.
std::string ProbeMessage();
std::string NetDelayMessage(std::uint32_t delayMs, std::uint8_t seat);
std::string KeepAliveMessage();
// Message number seq of a `seq` run: a body of bodyLen bytes (at least 4) starting with seq,
// big-endian, then zero bytes.
std::string SeqMessage(unsigned char type, std::uint32_t seq, int bodyLen);

} // namespace devserver
