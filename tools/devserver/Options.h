// The command line of tessaro-devserver.
#pragma once

#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace devserver
{

inline constexpr int kDefaultPort = 17100;
inline constexpr int kMaxLatencyMs = 600000;
inline constexpr int kMaxTables = 127; // table numbers travel as signed bytes
inline constexpr int kMaxChairs = 10;
inline constexpr int kMaxWaitMs = 60000;
inline constexpr int kMaxGameLengthMs = 3600000;
inline constexpr int kDefaultChaosRate = 2; // faults a minute on each connection
inline constexpr int kMaxChaosRate = 600;

// The table mode's options; `tables` 0 means the mode is off.
struct TableOptions
{
    int tables = 0;
    int chairs = 7;
    int minPlayers = 0; // 0: the chair count
    int userId = 10001;
    std::string playersFile;
    std::uint64_t seed = 1;
    int roomType = 0;
    int baseTimes = 1;
    int maxTimes = 0;
    bool autoSit = false;
    int bots = 0;
    int roundPauseMs = 2000;
    int botDelayMs = 500;
    int authWaitMs = 300;
    std::string phrasesFile; // quick-chat phrases sent after sitting down; empty: none
    int gameLengthMs = 0;    // how long the placeholder game runs; 0: it ends at once
    std::string game;        // the tables' game: empty the placeholder, "landlord" Dou Dizhu
    int turnTimeMs = 20000;  // a player's time for a move in the game
    bool botChat = false;
    bool console = false; // operator commands from standard input even when it is no terminal
    bool chaos = false;   // faults on purpose (Chaos.h), from chaosSeed
    std::uint64_t chaosSeed = 0;
    int chaosRate = kDefaultChaosRate;
};

struct Options
{
    std::string host = "127.0.0.1";
    int port = kDefaultPort;
    std::string script;    // scenario file; empty: none
    std::bitset<256> echo; // types sent straight back
    int latencyMs = 0;     // added to everything the server sends
    std::string jsonLog;   // file for the report lines; empty: standard output
    int maxClients = 64;   // connections served at once
    bool quiet = false;    // no lines for single messages
    std::string stackLog;  // base name of the socket stack's diagnostic log; empty: none
    std::string record;    // file recording every framed message sent (Recorder.h); empty: none
    TableOptions table;
};

enum class Parsed
{
    Ok,
    Help,
    Error,
};

// Takes the words after the program's name. On Error, error says what is wrong.
Parsed ParseOptions(const std::vector<std::string>& args, Options& out, std::string& error);

// "HOST:PORT": a dotted IPv4 address (or "localhost") and a port from 0 to 65535.
bool ParseListen(std::string_view text, std::string& host, int& port, std::string& error);

// "200,201,210-215": types from 0 to 255, single or as ranges, separated by commas. The types are
// added to out.
bool ParseTypeList(std::string_view text, std::bitset<256>& out, std::string& error);

std::string Usage();

} // namespace devserver
