// The table view: the widget on which a game draws its table. A game derives its view from
// GameViewBase and creates it with the application.
//
// The view owns the delay queue through which most received messages pass on their way from the
// game window's filter to its dispatch: Update releases at most one of them per frame, in arrival
// order, and none while a game holds the lock (LockDelayMsg, for example during an animation).
#pragma once

#include "pop/ButtonWidget.h"
#include "pop/Listeners.h"
#include "pop/Point.h"
#include "pop/Widget.h"
#include "tessaro/app/AppInfo.h"
#include "tessaro/net/MsgQueue.h"
#include "tessaro/session/ChatRecords.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Sexy
{
class Graphics;
}

namespace Ostra
{

class AnimLayer;
class CTopBullWidget;
class GameAppBase;
struct PlayerNode;

inline constexpr int kMaxSeats = 10;
// The chair buttons: seat i has widget id kBtnChairFirstId + i.
inline constexpr int kBtnQuickChatId = 102;
inline constexpr int kBtnEditSendId = 103;
inline constexpr int kBtnChairFirstId = 104;
// The delay queue: 500 slots; an item is a 4-byte length and the message, 10756 bytes in all.
inline constexpr int kDelayQueueSlots = 500;
inline constexpr int kDelayQueueSlotSize = 10788;
inline constexpr int kDelayItemLen = 10756;
inline constexpr int kMaxDelayMsgLen = kDelayItemLen - 4; // 10752

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

    // Runs the widget update, releases one delayed message unless the lock is held, then updates
    // the animation layers.
    void Update() override;
    // Black, then the game's background, portraits and names; the animation layers are drawn in
    // the overlay pass above the view's children.
    void Draw(Sexy::Graphics* g) override;
    // The animation layers, in the order of their ids.
    void DrawOverlay(Sexy::Graphics* g) override;
    using Sexy::Widget::DrawOverlay;
    static constexpr int kOverlayPriority = 2;
    // Places the bulletin strip, centred along the top.
    void Resize(int x, int y, int width, int height) override;
    using Sexy::WidgetContainer::Resize;
    // 102 the quick-chat button, 103 the send button, 104 to 113 the chair buttons of seats 0 to 9;
    // other ids are not the view's.
    void ButtonDepress(int id) override;

    // ---- Virtual operations, in the order games rely on ---------------------------------------
    // The text in the speech bubble of the seat where that user sits.
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
    virtual void InitUserList();
    virtual void InitImageList();
    virtual void InitGmUserListWidth();
    virtual void InsertAllUserList();
    // A chat line of a kind (2: a system line). The narrow forms take GBK text, convert it and
    // pass it to the wide form. Until the chat list widget exists the wide form keeps the line in
    // m_vecChatLines; the widget replaces that list when it comes.
    virtual void AddChat(char* text, int kind);
    virtual void AddChat(std::string text, int kind);
    virtual void AddChat(std::wstring text, int kind);
    virtual void ShowShoutContent(wchar_t* text, int kind);
    virtual void OnBtnQuickChat();
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
    virtual void SetUserImage();
    virtual void DrawGameBG(Sexy::Graphics* g);
    virtual void OnTimer(int id);
    // An animation layer finished.
    virtual void OnAnimateEnd(int layer) = 0;
    // The title of a wealth or strength value, written into out; returns the title's entry index.
    virtual int GetMoneyName(int value, char* out);
    virtual int GetAmountName(int value, char* out);
    // The stake multiplier: fixed by a stake unit above 1000000 (its remainder), else the lowest
    // money of the other seated players over the unit (at least 1, at most iMaxTimes when that is
    // 1 or more); held back in m_iNextBaseTimes while the game plays. A unit below 2 changes
    // nothing.
    virtual void SetGameBaseTimes();
    // Queues a received message on the delay queue; when all 500 slots are taken it waits beside
    // the queue, in order, until slots free up. A message longer than 10752 bytes is refused with
    // a log line.
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
    // entries of 196 bytes from 16). A count beyond the entries the message holds reads only those
    // that are there.
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

    // The chat lines added so far, oldest first, at most kMaxChatLines of them. A stand-in for the
    // chat list widget, which takes over the lines when it comes.
    struct ChatLine
    {
        std::wstring strText;
        int iKind = 0;
    };
    static constexpr std::size_t kMaxChatLines = 1000;
    std::vector<ChatLine> m_vecChatLines;

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

private:
    void ReleaseDelayedMessage();
    // Every layer registered under its own id, each once.
    void UpdateAnimLayers();
    // The ten chair buttons with the skin's chair pictures, hidden, in the view.
    void CreateChairButtons();

    // Delayed messages that found the queue full, oldest first.
    std::deque<std::vector<char>> m_DelayOverflow;
};

} // namespace Ostra
