// The room: every player on the server, real or bot, the tables with their chairs and lookers,
// the ready cycle and the tables' games.
//
// The room runs on its own thread (an EventLoop). The wire side tells it of connections, their
// messages and their ends; drivers hand it commands; all of these only queue a task, so they
// never wait and may come from any thread. What the room sends goes out through RoomOutput by
// connection number, which is safe when the connection has gone meanwhile.
//
// Who a connection is: an authentication request (32) as its first message names the user; a
// connection that sends none within the wait, or sends something else first, becomes the
// lowest free user id from the configured first one. An authentication that comes after the
// wait but is still the connection's first message replaces that default player (a slow client
// is still who it says). A user id already online is refused (33 with AuthResult::AlreadyOnline)
// and that connection closed; the first one stays. The player arrives once his identity is
// settled: he gets the all-players list (35), everyone else a join (65).
//
// At a table the room relays chat (20 in, 49 out), answers requests (24: ask to leave, and the
// game masters' kick, chat ban and dissolving a table), takes escapes (115) and game-state reports
// (242), and sends the quick-chat phrases (127) after every sit-down response; RoomNotices.cpp has
// these and the operator's commands.
//
// A player of a running game that takes players back whose connection closes is away: he keeps
// his chair and his place in the room while the game plays for him, and an authentication that
// names him takes him back to it with the login-again response; if the game ends first, he
// leaves the room then (RoomAway.cpp).
//
// docs/DEVSERVER.md describes the table mode, its messages and its JSON lines.
#pragma once

#include "tools/devserver/JsonLog.h"
#include "tools/devserver/room/Bots.h"
#include "tools/devserver/room/EventLoop.h"
#include "tools/devserver/room/Operator.h"
#include "tools/devserver/room/PlayerDirectory.h"
#include "tools/devserver/room/RoomCommand.h"
#include "tools/devserver/room/Table.h"
#include "tools/devserver/room/TableGame.h"

#include <functional>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace devserver
{

struct RoomConfig
{
    int tables = 1;
    int chairs = 7;
    int minPlayers = 7;                             // seated players that start the ready cycle
    std::int32_t firstUserId = 10001;               // the first id given to a connection without authentication
    std::shared_ptr<const PlayerDirectory> players; // null: every record generated with seed 1
    std::int8_t roomType = 0;
    std::int32_t baseTimes = 1;
    std::int32_t maxTimes = 0;
    bool autoSit = false;
    int botsPerTable = 0;
    int roundPauseMs = 2000;
    int botDelayMs = 500;
    int authWaitMs = 300;
    GameFactory game; // null: the placeholder game
    // Sent to every player who sits down (127); null: nothing is sent.
    std::shared_ptr<const std::vector<QuickChatEntry>> phrases;
    bool botChat = false;      // bots say a phrase (or a short line) now and then
    int botChatMinMs = 3000;   // ... after a random pause of this long
    int botChatMaxMs = 8000;   // to this long
    int leaveRepeatMs = 60000; // a second ask-to-leave against the same player within this is refused
};

// An escaper pays this many times the base stake (the placeholder's penalty).
inline constexpr std::int32_t kEscapePenaltyTimes = 10;

// Where the room's messages go.
class RoomOutput
{
public:
    virtual ~RoomOutput() = default;
    // A whole game message to a connection; dropped when the connection is gone.
    virtual void SendTo(int conn, std::string msg) = 0;
    // Closes the connection once what was sent to it has gone out.
    virtual void CloseConnection(int conn) = 0;
};

class Room
{
public:
    Room(RoomConfig config, RoomOutput& output, JsonLog& log);
    ~Room();
    Room(const Room&) = delete;
    Room& operator=(const Room&) = delete;

    bool Start();
    // Stops the room's thread; what is still queued is dropped. Once; the destructor calls it.
    void Stop();

    // Any thread, never waiting.
    void Connected(int conn);
    // A whole message with its header. For the types the room only notes (a first message that
    // is not an authentication), the header alone will do.
    void Received(int conn, std::string msg);
    void Closed(int conn);
    void Command(int conn, RoomCommand command);
    // An operator's command; done (on the room's thread) gets the error, empty on success.
    void Operate(OperatorCommand command, std::function<void(const std::string& error)> done = nullptr);

private:
    class Host;

    struct Player
    {
        PlayerRecord record;
        int conn = 0; // 0 for a bot
        bool bot = false;
        bool away = false; // his connection dropped during a game that takes him back; conn is 0
        bool chatForbidden = false;
        EventLoop::TimerId chatTimer = 0; // a bot's next line (--bot-chat)
    };

    // On the room's thread.
    void OnConnected(int conn);
    void OnReceived(int conn, const std::string& msg);
    void OnClosed(int conn);
    void OnCommand(int conn, const RoomCommand& command);

    // Identity and arrival.
    void Authenticate(int conn, const std::string& msg);
    // A connection settled by default authenticates after all.
    void Reauthenticate(int conn, const std::string& msg);
    // quiet: nothing has come from the connection yet, so a late authentication still counts.
    void SettleByDefault(int conn, bool quiet);
    void Arrive(int conn, const PlayerRecord& record, bool bot);
    // update: whether the player's table follows up on his going (bots, the ready cycle).
    void Depart(std::int32_t userId, bool update = true);
    void SendPlayerList(const Player& player);

    // Away players (RoomAway.cpp).
    // The player's connection has closed: away when his game takes him back; false otherwise.
    bool GoAway(Player& player);
    // An authentication named an away player: he is back on the connection.
    void ComeBack(int conn, Player& player);
    // Away players of a game that has ended, and away players who have lost their chair, leave.
    void DepartAway(const std::vector<GameSeat>& seats);
    void DepartChairless();

    // Places.
    void AutoSit(Player& player);
    void RequestSit(Player& player, int tableNo, int chair, const char* request);
    void Stand(Player& player);
    // Takes the player from his table with the notices (67 to the room, 52 to the table) and
    // tells a running game; the caller updates the table afterwards.
    void LeaveTable(Player& player);
    void RefuseSit(Player& player, SitResult result, int tableNo, const char* request, const std::string& reason);
    // Bots, the ready cycle: what follows from a change of who sits at the table.
    void UpdateTable(Table& table);
    void FillBots(Table& table);
    void SeatBot(Table& table, int chair);

    // The ready cycle and games.
    void CallReady(Table& table);
    void CallReadyFor(Table& table, Player& player);
    void Ready(Player& player);
    void ScheduleBotAnswer(const Player& bot);
    void StartGame(Table& table);
    // Runs a call into the table's game, then finishes the game if it has ended meanwhile.
    void CallGame(Table& table, const std::function<void()>& call);
    void OnGameTimer(int tableNo, EventLoop::TimerId id);
    void FinishGame(Table& table);
    void EndRound(Table& table);

    // Chat, requests and notices (RoomNotices.cpp).
    void OnChatLine(Player& player, const std::string& msg);
    void OnRequest(Player& player, const std::string& msg);
    void AskToLeave(Player& player, std::int32_t targetId);
    void GmRequest(Player& player, const Request& request);
    void OnEscape(Player& player, const std::string& msg);
    void OnGameState(Player& player, const std::string& msg);
    void SendPhrases(const Player& player);
    // The 68 to a player, and what it means for his chat.
    void SendAccountNotice(Player& player, std::uint8_t kind, const std::string& text, std::int32_t value = 0);
    // Everyone at the table gets 55 with his own id and reason 2, and leaves it.
    void DismissTable(Table& table);
    // Sends the player away from his table: a 55 for his chair (reason 0) to the table, himself
    // included, then he stands; a bot leaves the room.
    void SendAway(Player& player);
    void ScheduleBotChat(Player& bot);
    // A chat line of the speaker to his table; how many real players got it.
    int Say(const Player& speaker, const Table& table, const std::string& text);
    void OnOperate(int conn, const OperatorCommand& command, const std::function<void(const std::string&)>& done);
    // Runs the command; the number of messages it sent, or -1 with error set.
    int RunOperator(const OperatorCommand& command, std::string& error);
    std::vector<Player*> Recipients(const OperatorTarget& target, std::string& error);
    static bool IsGm(const PlayerRecord& record) { return (record.userType & kGmRightBits) != 0; }

    // Sending.
    void SendTo(const Player& player, const std::string& msg);
    // Returns how many real players it went to.
    int SendToTable(const Table& table, const std::string& msg);
    void SendToRoom(const std::string& msg, std::int32_t except = 0);
    std::string Snapshot(const Table& table) const;
    void Refused(int conn, std::int32_t userId, const char* request, const std::string& reason);
    JsonLine PlayerEvent(const char* event, const Player& player) const;

    Player* PlayerOf(int conn);
    Player* Find(std::int32_t userId);
    Table* TableAt(int tableNo);
    bool SeatedReal(const Table& table) const;
    // Whether the user on that chair plays the table's running game.
    bool InGame(const Table& table, int chair, std::int32_t userId) const;

    const RoomConfig m_config;
    const std::shared_ptr<const PlayerDirectory> m_directory;
    RoomOutput& m_output;
    JsonLog& m_log;
    Bots m_bots;

    // The room thread's own.
    std::map<int, EventLoop::TimerId> m_pending; // connections without an identity yet
    std::set<int> m_quiet;                       // settled by default, nothing received yet
    std::map<int, std::int32_t> m_connUser;
    std::map<std::int32_t, Player> m_players;
    std::vector<std::unique_ptr<Table>> m_tables;
    // Successful ask-to-leave requests: (requester, target) and when.
    std::map<std::pair<std::int32_t, std::int32_t>, Clock::time_point> m_leaveAsked;
    std::mt19937_64 m_random; // bots' chat, seeded with the records' seed

    EventLoop m_loop; // last: it stops before the members it uses go
};

} // namespace devserver
