// The table view: the widget on which a game draws its table. A game derives its view from
// GameViewBase and creates it with the application.
//
// The view owns the delay queue through which most received messages pass on their way from the
// game window's filter to its dispatch: Update releases at most one of them per frame, in arrival
// order, and none while a game holds the lock (LockDelayMsg, for example during an animation).
#pragma once

#include "pop/ButtonWidget.h"
#include "pop/KeyCodes.h"
#include "pop/Listeners.h"
#include "pop/Point.h"
#include "pop/Widget.h"
#include "tessaro/app/AppInfo.h"
#include "tessaro/net/MsgQueue.h"
#include "tessaro/session/ChatRecords.h"
#include "tessaro/widgets/Marquee.h"
#include "tessaro/widgets/Timer.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Sexy
{
class ChatListWidget;
class Font;
class Graphics;
class Image;
class MenuWidget;
class RichListWidget;
class SkinEditWidget;
class SkinListWidget;
class SysFont;
} // namespace Sexy

namespace Ostra
{

class AnimLayer;
class ChatShowWidget;
class CTopBullWidget;
class GameAppBase;
struct PlayerNode;

inline constexpr int kMaxSeats = 10;
// The view's children by widget id. The chair buttons: seat i has widget id kBtnChairFirstId + i.
// The user list's columns take the ids from kUserListId on.
inline constexpr int kQuickChatListId = 100;
inline constexpr int kEditChatId = 101;
inline constexpr int kBtnQuickChatId = 102;
inline constexpr int kBtnEditSendId = 103;
inline constexpr int kBtnChairFirstId = 104;
inline constexpr int kUserMenuId = 115;
inline constexpr int kUserListId = 116;
// The view's timers: the chat counter's period and the chat pause.
inline constexpr int kTimerChatReset = 500;
inline constexpr int kTimerChatPause = 501;
inline constexpr int kChatTimerElapse = 1000;
// Lines sent per counter period before a pause starts, and the pause's length in periods (the
// free state of m_iChatWait).
inline constexpr int kChatFreeLines = 3;
inline constexpr int kChatWaitFree = 5;
// The player menu's action entries, indexes into m_iMenuLine.
enum MenuEntry
{
    MENU_GM_FIND_USER_INFO = 0,
    MENU_GM_KICK_CHAT,
    MENU_GM_KICK,
    MENU_GM_DIS_TABLE,
    MENU_GM_FORCE_KICK,
    MENU_KICK,
    MENU_SEE_CARD_REQ,
    MENU_SEE_OTHER_PLAYER,
    MENU_SEE_DETAIL,
    MENU_PLAYER_CALL,
    MENU_ENTRY_COUNT
};
// The title tables: at most 100 entries of at most 15 bytes and the terminator.
inline constexpr int kMaxTitles = 100;
inline constexpr int kTitleLen = 16;
// The user list's column that holds the user id (set by InitUserList).
extern int g_iUserIdColumn;
// The delay queue: 500 slots; an item is a 4-byte length and the message, 10756 bytes in all.
inline constexpr int kDelayQueueSlots = 500;
inline constexpr int kDelayQueueSlotSize = 10788;
inline constexpr int kDelayItemLen = 10756;
inline constexpr int kMaxDelayMsgLen = kDelayItemLen - 4; // 10752
// Messages that found the delay queue full and wait beside it. A game that never releases its
// lock would otherwise collect them without bound; past this many the game is broken, and the view
// ends it (see EnQueueDelayMsg) rather than drop messages its state depends on.
inline constexpr int kMaxDelayOverflow = 5000;

// One quick-chat phrase as the view keeps it, with the voice file that the chat sound plays when a
// received line contains the phrase ("<folder>\m_<file>" or "w_" by the speaker's sex). Texts are
// GBK, zero-terminated when shorter than their field.
struct QuickChatInfo
{
    char szText[128];
    char szSoundDir[32];
    char szSoundFile[32];
    std::int32_t iReserved; // carried over from the message unchanged; the library never reads it
};
static_assert(sizeof(QuickChatInfo) == 196);

class GameViewBase : public Sexy::Widget,
                     public Sexy::ButtonListener,
                     public Sexy::EditListener,
                     public Sexy::ListListener
{
public:
    explicit GameViewBase(GameAppBase* app);
    ~GameViewBase() override;

    // The widget update, one delayed message unless the lock is held, the animation layers, the
    // view's timers, the speech bubbles.
    void Update() override;
    // Black, then the game's background, portraits and names; the animation layers and the speech
    // bubbles are drawn in the overlay pass above the view's children.
    void Draw(Sexy::Graphics* g) override;
    void DrawOverlay(Sexy::Graphics* g) override;
    using Sexy::Widget::DrawOverlay;
    static constexpr int kOverlayPriority = 2;
    // Places the children at their fixed places on the 1024 x 738 screen, whatever the view's own
    // position.
    void Resize(int x, int y, int width, int height) override;
    using Sexy::WidgetContainer::Resize;
    // 102 the quick-chat button, 103 the send button, 104 to 113 the chair buttons of seats 0 to 9;
    // other ids are not the view's.
    void ButtonDepress(int id) override;
    // 100 a quick-chat phrase chosen, 115 a line of the player menu, 116 and above the user list.
    void ListClicked(int id, int row, int clickCount) override;
    // A finished line of the edit box (or a chosen phrase, or a line a game sends). Refused in
    // anti-cheat rooms, while chat is forbidden and during a pause (see m_iChatWait); a game
    // master's "/kick", "/chat" and "/dismiss" become requests (type 24); any other line is a chat
    // message (type 20). The id is not looked at.
    void EditWidgetText(int id, const std::wstring& text) override;
    // F10 takes a screenshot, after the widget's own key handling.
    void KeyDown(Sexy::KeyCode key) override;
    // Any press hides the quick-chat list; a right press on a portrait opens the player menu, any
    // other press closes it. Then the four-argument form gets the press with its button (0 left,
    // 1 right, 2 middle).
    void MouseDown(int x, int y, int clickCount) override;
    void MouseDown(int x, int y, int button, int clickCount) override;
    void MouseMove(int x, int y) override;

    // ---- Virtual operations, in the order games rely on ---------------------------------------
    // The text in the speech bubble of the seat where that user sits; nothing when no seat with a
    // bubble holds him. The narrow forms take GBK and convert; the char* form ignores null and "".
    virtual void ShowChatInfo(int userId, std::wstring text);
    virtual void ShowChatInfo(int userId, std::string text);
    virtual void ShowChatInfo(int userId, char* text);
    virtual void SetAppInfo(AppInfo* pAppInfo);
    virtual void DrawUserShow(Sexy::Graphics* g);
    virtual void DrawUserName(Sexy::Graphics* g);
    virtual void CallBackOtherPlayerDisconnect(int seat);
    virtual void CallBackOtherPlayerLoginAgainNotice(int seat);
    virtual void CallBackOtherPlayerEnter(PlayerNode* player, PlayerNode* watched);
    virtual void CallBackOtherPlayerLeave(PlayerNode* player);
    // Refills every seat slot from the game window's records, turned so that the own chair (or,
    // for a looker, the watched one) is seat 1; the own record takes no slot. Copies the own
    // record's chair, watched chair, rights and membership into AppInfo, then recomputes the stake
    // multiplier and the portraits. A chair count (iMaxPlayerNum) of 0 or above 10 is a broken
    // launch: "iMaxPlayerNum 没有值" and the application shuts down. The argument is not used.
    virtual void SetTableUserInfo(char cFlag);
    // The per-desk reset: a stake multiplier held back becomes the current one; the playing flag,
    // the seats' system-play modes and their measured delays are cleared.
    virtual void InitDeskInfo();
    // The user list's fifteen columns; the last five (user id, area, CM value, wealth and its
    // title) have no width, and InitGmUserListWidth opens four of them for game masters.
    virtual void InitUserList();
    // The user list's pictures: the two default portraits, the membership marks, the anti-cheat
    // mark and the head pictures found on disk (numbered without gaps).
    virtual void InitImageList();
    virtual void InitGmUserListWidth();
    // Rebuilds every row from the game window's records, the own record first and the others
    // following it round the ten records; hidden users (user type 4) get no row.
    virtual void InsertAllUserList();
    // A line for the chat list in a colour of its table (an index outside it shows white). The
    // narrow forms take GBK and convert; the char* form ignores null and "". All three go through
    // the wide form, so a game that overrides it sees every line.
    virtual void AddChat(char* text, int color);
    virtual void AddChat(std::string text, int color);
    virtual void AddChat(std::wstring text, int color);
    // A broadcast line by its kind: 1 and 3 in their colours, 4 in the system colour, 2 to the
    // chat list's pending lines, others in colour 0.
    virtual void ShowShoutContent(wchar_t* text, int kind);
    // Shows or hides the quick-chat list.
    virtual void OnBtnQuickChat();
    // Sends the edit box's line as if the box had finished it.
    virtual void OnBtnEditSend();
    // Two operations each game supplies; the library never calls them.
    virtual void GameReserved1() = 0;
    virtual void GameReserved2() = 0;
    // The own player became ready.
    virtual void OnSelfReady() = 0;
    // Hides all ten chair buttons.
    virtual void InvalidAllBtnChair();
    // Shows the chair buttons of the empty seats (never seat 1, the own place) below the table's
    // chair count; on tables of kinds 2 and 4, where the server seats the players, none.
    virtual void UpdateBtnChair();
    // The chair button of a seat was pressed: asks the server for the chair under that seat (type
    // 149), or tells the player to wait while a game runs.
    virtual void OnBtnChair(int seat);
    // Reloads every seat's portrait ("show_n", or "n_6" when AppInfo bSmallUserImage is set).
    virtual void SetUserImage();
    // The table's background picture and the frame behind the edit box.
    virtual void DrawGameBG(Sexy::Graphics* g);
    // 500 and 501 run the chat pause; a game's own timers come here too.
    virtual void OnTimer(int id);
    // An animation layer finished.
    virtual void OnAnimateEnd(int layer) = 0;
    // The title of a wealth or strength value (the entry with the largest threshold strictly
    // below it, "-" when there is none), written into out (16 bytes); returns the entry's index.
    virtual int GetMoneyName(int value, char* out);
    virtual int GetAmountName(int value, char* out);
    // The stake multiplier: fixed by a stake unit above 1000000 (its remainder), else the lowest
    // money of the other seated players over the unit (at least 1, at most iMaxTimes when that is
    // 1 or more); held back in m_iNextBaseTimes while the game plays. A unit below 2 changes
    // nothing.
    virtual void SetGameBaseTimes();
    // Queues a received message on the delay queue; when all 500 slots are taken it waits beside
    // the queue, in order, until slots free up. A message longer than 10752 bytes is refused with
    // a log line. One more than kMaxDelayOverflow waiting beside the queue ends the game: a log
    // line, a message to the player and the application's shutdown; the waiting messages are
    // released no more, and later ones are refused.
    virtual void EnQueueDelayMsg(char* msg, int len);
    // A third operation each game supplies; the library never calls it.
    virtual void GameReserved3() = 0;
    // The game restores its own state from a login-again response.
    virtual void HandleAgainLoginRes(std::uintptr_t msg, long len) = 0;
    virtual void HandleSitDownRes(std::uintptr_t msg, long len) = 0;
    // A measured delay from the server (type 1, stage 2 at byte 8): the delay in ms at byte 12
    // goes to m_iNetDelay of the first seat whose player sits on the server chair of byte 16;
    // delays above 1000 ms are logged. Other stages are ignored; a message shorter than 20 bytes
    // is dropped with a log line.
    virtual void HandleTestNetMsg(std::uintptr_t msg, long len);
    virtual void HandleReadyNotice(std::uintptr_t msg, long len);
    virtual void HandleGameResultServer(std::uintptr_t msg, long len);
    // Type 127: the server's quick-chat phrases replace m_vQuickChat (count at 8, little-endian,
    // entries of 196 bytes from 16) and, when there is at least one, the quick-chat list's lines.
    // A count beyond the entries the message holds reads only those that are there.
    virtual void HandleQuickChatInfoRes(std::uintptr_t msg, long len);
    virtual void HandleEscapeNotice(std::uintptr_t msg, long len);
    // The user id of the player whose portrait box holds the point, 0 for none.
    virtual int IsInUserShowRect(int x, int y);
    virtual void InvalidBtnWhenReplaying();

    // ---- Sending and the delay lock ------------------------------------------------------------
    // Forwards to the application's game window.
    void SendNetMessage(void* msg, int type, int len);
    void LockDelayMsg() { m_bDelayMsgLock = true; }
    void UnLockDelayMsg() { m_bDelayMsgLock = false; }
    // Messages waiting in the delay queue.
    int GetDelayMsgCount() const
    {
        return (m_pDelayMsgQueue ? m_pDelayMsgQueue->GetCount() : 0) + static_cast<int>(m_DelayOverflow.size());
    }

    void SetPlayerNode(PlayerNode* nodes) { m_pPlayerNode = nodes; }

    // ---- Chat --------------------------------------------------------------------------------------
    // A line for the play-information list, like AddChat (the forms call each other directly).
    void AddPlayInfo(std::wstring text, int color);
    void AddPlayInfo(std::string text, int color);
    void AddPlayInfo(char* text, int color);

    // ---- Portraits and numbers --------------------------------------------------------------------
    // A player's portrait of a kind ("show_n" or "n_6"): the default one of his sex for others in
    // anti-cheat rooms, a chosen head picture for "n_6", else his own with the default as the
    // fall-back. Null when no picture loads; the caller owns the result.
    Sexy::Image* GetUserImage(PlayerNode* node, char* kind);
    // Draws a number from a strip of the digit cels 0 to 9 (and a prefix cel last), aligned in a
    // width (0 centred, 1 right, -1 at x; other values draw at (0, 0)); step 0 advances by a cel.
    // Returns the drawn width; a null strip draws nothing and returns 0.
    static int DrawNum(Sexy::Graphics* g, Sexy::Image* strip, int number, int x, int y, int width, char align, int step,
                       bool prefix);

    // ---- The player menu ---------------------------------------------------------------------------
    // Opens the menu of a seated player at the cursor: his figures, then the actions the own user
    // may take on him. Nothing for a user without a seat slot.
    void ShowUserInfoMenu(int userId);
    // A clickable line of the menu: the action stored for that line, with the user the menu was
    // opened for.
    void MenuClicked(int line, int userId);
    // The actions; the game-master ones do nothing without the rights.
    void OnMenuGmFindUserInfo(int userId);
    void OnMenuGmKickChat(int userId);
    void OnMenuGmKick(int userId);
    void OnMenuGmDisTable(int userId);
    void OnMenuGmForceKick(int userId);
    void OnMenuKick(int userId);
    void OnMenuSeeCardReq(int userId);
    void OnMenuSeeOtherPlayer(int userId);
    void OnMenuSeeDetail(int userId);
    void OnMenuPlayerCall(int userId);
    // Read "moneyname.dat" and "amountname.dat" of the current directory into the title tables:
    // 0, or -1 (the table left empty) when the file cannot be opened.
    int GetMoneyData();
    int GetAmountData();

    // ---- Seats and chairs (for games) ------------------------------------------------------------
    // Puts a record into a seat slot (marking the view dirty when redraw is set); false for a seat
    // of 10 or more.
    bool SetUserInfo(int seat, PlayerNode* node, bool redraw);
    // The record of the first seat slot with that user id; null when no seat holds him (lookers
    // and the seated player himself hold none).
    PlayerNode* GetPlayerNode(int userId);
    // The local seat of a server chair: the own chair (a looker's watched chair) is seat 1, the
    // others follow in rising order around the table.
    int GetLocalTablePos(int chair);
    // The server chair of a seat: (chairs + seat + base - 1) mod chairs, with the own (or watched)
    // chair as base, the seat and the base in either order. -1 for a chair count below 1.
    int GetServerTablePos(int chairs, int seatOrBase, int baseOrSeat);
    // Parent coordinates into the view's own, for count points or rectangles.
    void AbsolutePointToRelativePoint(Sexy::TPoint<int>* points, int count);
    void AbsoluteRectToRelativeRect(Sexy::TRect<int>* rects, int count);

    // ---- Members -------------------------------------------------------------------------------
    GameAppBase* m_pApp = nullptr;
    AppInfo* m_pAppInfo = nullptr;
    PlayerNode* m_pPlayerNode = nullptr;
    PlayerNode* m_pTableUser[kMaxSeats] = {};
    PlayerNode* m_pSelfNode = nullptr;
    // The table's chairs as the game declares them (the library never sets it): the records the
    // seat filling reads and the modulus of its turn.
    int m_iTablePlayerNum = 0;
    // Set by every table snapshot: the seated players and how many of them are ready.
    int m_iSitNum = 0;
    int m_iReadyNum = 0;

    // The chair buttons, one per seat (ids 104 to 113), hidden until UpdateBtnChair shows them;
    // seats 0 to 6 carry the chair pictures of the skin, turned to face the table. The game
    // places them.
    std::unique_ptr<Sexy::ButtonWidget> m_pBtnChair[kMaxSeats];

    bool m_bDelayMsgLock = false;
    std::unique_ptr<MsgQueue> m_pDelayMsgQueue;

    // Per local seat: the player is away, the system plays the seat (its mode), the measured
    // network delay in ms; and values the game window keeps for the game.
    char m_cOffline[kMaxSeats] = {};
    char m_cAutoPlay[kMaxSeats] = {};
    int m_iNetDelay[kMaxSeats] = {};
    int m_iSeatDataA[kMaxSeats] = {};
    int m_iSeatDataB[kMaxSeats] = {};
    char m_cSeatDataFlag = 0;

    // The stake multiplier, the one held back until the next desk reset, and the flag a game sets
    // while it plays (the library only clears it).
    int m_iBaseTimes = 0;
    int m_iNextBaseTimes = 0;
    bool m_bGamePlaying = false;

    // The quick-chat phrases last received, in message order (phrases without text included).
    std::vector<QuickChatInfo> m_vQuickChat;

    // The bulletin strip across the top (1012 x 32, centred): the server's announcements, shown
    // one at a time; hidden while it has nothing to show.
    static constexpr int kTopBullWidth = 1012;
    static constexpr int kTopBullHeight = 32;
    std::unique_ptr<CTopBullWidget> m_pTopBull;

    // The animation layers by layer id. A layer enters itself here when it is initialised and
    // leaves when it is destroyed (tessaro/widgets/AnimLayer.h); the game owns the layers, the view
    // only looks them up.
    std::map<int, AnimLayer*> m_mapAnimLayer;

    // The view's fonts (all "宋体"): 8 bold, 10, 10 bold, 11, 11 bold, 12, 12 bold.
    std::unique_ptr<Sexy::SysFont> m_pFont8B;
    std::unique_ptr<Sexy::SysFont> m_pFont10;
    std::unique_ptr<Sexy::SysFont> m_pFont10B;
    std::unique_ptr<Sexy::SysFont> m_pFont11;
    std::unique_ptr<Sexy::SysFont> m_pFont11B;
    std::unique_ptr<Sexy::SysFont> m_pFont12;
    std::unique_ptr<Sexy::SysFont> m_pFont12B;
    // The tips marquee, set up with the application's tips but neither added nor started: a game
    // that wants it adds it and starts it.
    Marquee m_Marquee;

    // The table chat and, in the user list's place and hidden, the game-progress lines.
    std::unique_ptr<Sexy::ChatListWidget> m_pChatList;
    std::unique_ptr<Sexy::ChatListWidget> m_pPlayInfoList;
    // The speech bubble of each local seat; the game creates the ones it wants.
    std::unique_ptr<ChatShowWidget> m_pChatShow[kMaxSeats];
    // The chat input (at most 125 characters), the quick-chat and send buttons, the phrase list.
    static constexpr int kMaxChatChars = 125;
    std::unique_ptr<Sexy::SkinEditWidget> m_pEditChat;
    std::unique_ptr<Sexy::ButtonWidget> m_pBtnQuickChat;
    std::unique_ptr<Sexy::ButtonWidget> m_pBtnEditSend;
    std::unique_ptr<Sexy::SkinListWidget> m_pQuickChatList;
    // The view's timers (500 runs from construction on, 501 during a chat pause) and the chat
    // rate: lines sent in the current period, and the pause left (kChatWaitFree when free).
    Timer m_Timer;
    int m_iChatCount = 0;
    int m_iChatWait = kChatWaitFree;

    // The user list and its pictures (the view owns them; the list keeps a pointer to the vector).
    std::unique_ptr<Sexy::RichListWidget> m_pUserList;
    std::vector<Sexy::Image*> m_vUserImage;

    // The player menu and the line of each action entry in the menu last built (0: not in it).
    std::unique_ptr<Sexy::MenuWidget> m_pUserMenu;
    int m_iMenuLine[MENU_ENTRY_COUNT] = {};
    // The title tables: wealth ("moneyname.dat") and strength ("amountname.dat"), GBK titles with
    // their thresholds in rising order.
    char m_szMoneyName[kMaxTitles][kTitleLen] = {};
    int m_iMoneyValue[kMaxTitles] = {};
    int m_iMoneyNameNum = 0;
    char m_szAmountName[kMaxTitles][kTitleLen] = {};
    int m_iAmountValue[kMaxTitles] = {};
    int m_iAmountNameNum = 0;

    // Per local seat: the portrait's top-left corner and the nick name's place, set by the game,
    // and the portrait loaded for the seat.
    Sexy::TPoint<int> m_ptUserShow[kMaxSeats];
    Sexy::TPoint<int> m_ptUserName[kMaxSeats];
    std::unique_ptr<Sexy::Image> m_pUserImage[kMaxSeats];

    // A widget the game may keep here; the view deletes it.
    std::unique_ptr<Sexy::Widget> m_pGameWidget;

private:
    void CreateChatWidgets();
    void CreateUserList();
    void ReleaseDelayedMessage();
    // A quick-chat phrase chosen from the list (id 100).
    void OnQuickChatClicked(int row);
    // A right click on a row of the user list opens the menu of the row's user.
    void OnUserListClicked(int row, int clickCount);
    // The chat pause's timers.
    void OnChatTimer(int id);
    // A game master's slash command, sent as a request (type 24); false when the line is none.
    bool SendGmCommand(const std::wstring& text);
    // The type 24 request of the player menu: the target and the sub-command.
    void SendUserRequest(int userId, int command);
    // Every layer registered under its own id, each once.
    void UpdateAnimLayers();
    // The ten chair buttons with the skin's chair pictures, hidden, in the view.
    void CreateChairButtons();

    // The delay queue was never released and the game is ending (EnQueueDelayMsg).
    void EndGameOnDelayBacklog();

    // Delayed messages that found the queue full, oldest first.
    std::deque<std::vector<char>> m_DelayOverflow;
    bool m_bDelayBacklog = false;
};

} // namespace Ostra
