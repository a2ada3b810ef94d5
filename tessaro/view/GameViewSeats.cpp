// The seats of the table view: the turn between the server's chairs and the view's local seats,
// the seat slots filled from the game window's records, the chair buttons, the stake multiplier
// and the per-desk reset.
#include "tessaro/view/GameViewBase.h"

#include "pop/ButtonWidget.h"
#include "pop/Image.h"
#include "tessaro/app/GameAppBase.h"
#include "tessaro/app/SkinImages.h"
#include "tessaro/net/Log.h"
#include "tessaro/session/GameWndBase.h"
#include "tessaro/session/PlayerNode.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace Ostra
{

namespace
{

constexpr int kChairPictureCels = 3;
// Seats 0 to 6 carry a chair picture; the last three seats have none.
constexpr int kSeatsWithChairs = 7;
constexpr int kSitDownReqLen = 44;
// The smallest money counted when no other player sits at the table.
constexpr int kNoMoney = 99999999;
// A stake unit above this carries a fixed multiplier in its remainder.
constexpr int kFixedTimesUnit = 1000000;
constexpr int kChatKindWait = 5;

enum ChairTurn
{
    TURN_NONE = 0,
    TURN_FLIP = 1,
    TURN_MIRROR = 2,
};

struct ChairLook
{
    bool bOblique; // chair2, seen at an angle; otherwise chair1
    int iTurn;     // ChairTurn bits; a mirrored and flipped chair is mirrored first
};

// How each seat's chair faces the table.
constexpr ChairLook kChairLooks[kSeatsWithChairs] = {
    {true, TURN_FLIP}, {true, TURN_NONE},  {true, TURN_MIRROR | TURN_FLIP}, {false, TURN_MIRROR}, {true, TURN_MIRROR},
    {true, TURN_NONE}, {false, TURN_NONE},
};

} // namespace

void GameViewBase::CreateChairButtons()
{
    Sexy::Image* pictures[2] = {Sexy::IMG_BASE_BTN_SIT, Sexy::IMG_BASE_BTN_SIT_OBLIQUE};
    for (Sexy::Image* picture : pictures)
    {
        if (picture)
            picture->mNumCols = kChairPictureCels;
    }
    for (int seat = 0; seat < kMaxSeats; ++seat)
    {
        auto button = std::make_unique<Sexy::ButtonWidget>(kBtnChairFirstId + seat, this);
        if (seat < kSeatsWithChairs)
        {
            const ChairLook& look = kChairLooks[seat];
            Sexy::Image* picture = look.bOblique ? Sexy::IMG_BASE_BTN_SIT_OBLIQUE : Sexy::IMG_BASE_BTN_SIT;
            // Without the skin's picture the button stays a plain one of no size, never shown.
            if (picture)
            {
                button->SetBtnImage(m_pApp, picture, true, true, true, true, false);
                button->Resize(0, 0, picture->GetCelWidth(), picture->GetCelHeight());
                if (look.iTurn & TURN_MIRROR)
                    button->MirrorImage();
                if (look.iTurn & TURN_FLIP)
                    button->FlipImage();
            }
        }
        button->SetVisible(false);
        AddWidget(button.get());
        m_pBtnChair[seat] = std::move(button);
    }
}

void GameViewBase::ButtonDepress(int id)
{
    if (id == kBtnQuickChatId)
        OnBtnQuickChat();
    else if (id == kBtnEditSendId)
        OnBtnEditSend();
    else if (id >= kBtnChairFirstId && id < kBtnChairFirstId + kMaxSeats)
        OnBtnChair(id - kBtnChairFirstId);
}

// ---- Seat slots --------------------------------------------------------------------------------------

bool GameViewBase::SetUserInfo(int seat, PlayerNode* node, bool redraw)
{
    if (seat < 0 || seat >= kMaxSeats)
        return false;
    m_pTableUser[seat] = node;
    if (redraw)
        MarkDirty();
    return true;
}

PlayerNode* GameViewBase::GetPlayerNode(int userId)
{
    for (PlayerNode* node : m_pTableUser)
    {
        if (node && node->iUserId == userId)
            return node;
    }
    return nullptr;
}

int GameViewBase::GetLocalTablePos(int chair)
{
    if (!m_pAppInfo)
        return chair;
    const int n = m_pAppInfo->iMaxPlayerNum;
    const int watched = m_pAppInfo->iWatchChairId;
    int p = chair;
    if (watched == -1 || watched == -2)
        p = chair - m_pAppInfo->iChairId + 1;
    else if (watched >= 0)
        p = chair - watched + 1;
    if (p < 0)
        return p + n;
    if (p > n - 1)
        return p - n;
    return p;
}

int GameViewBase::GetServerTablePos(int chairs, int seatOrBase, int baseOrSeat)
{
    if (chairs <= 0)
        return -1;
    return (chairs + seatOrBase + baseOrSeat - 1) % chairs;
}

void GameViewBase::SetTableUserInfo(char)
{
    if (!m_pAppInfo)
        return;
    AppInfo& info = *m_pAppInfo;
    if (info.iMaxPlayerNum == 0 || info.iMaxPlayerNum > kMaxSeats)
    {
        if (m_pApp)
        {
            m_pApp->Sexy::SexyAppBase::MsgBox(std::string("iMaxPlayerNum 没有值"), std::string("Message"), 0);
            m_pApp->Shutdown();
        }
        else
        {
            WriteLog(20, "CGameBaseView", "iMaxPlayerNum[%d] without an application", info.iMaxPlayerNum);
        }
        return;
    }

    // The window's array holds ten records and the view ten slots, whatever the game declares.
    const int tableChairs = std::clamp(m_iTablePlayerNum, 0, kMaxSeats);
    std::fill(m_pTableUser, m_pTableUser + tableChairs, nullptr);
    if (!m_pPlayerNode)
        return;

    const PlayerNode* own = nullptr;
    for (int i = 0; i < kTablePlayerNodes; ++i)
    {
        if (m_pPlayerNode[i].iUserId == info.iUserId)
        {
            own = &m_pPlayerNode[i];
            break;
        }
    }
    if (own)
    {
        info.iChairId = own->cChairId;
        info.iWatchChairId = own->cWatchChairId;
        info.iRightMask = static_cast<std::int32_t>(own->iUserType);
        info.iVipLevel = own->cMemberLevel;
    }
    else if (!info.bGmRightA)
    {
        WriteLog(20, "CGameBaseView", "SetTableUserInfo m_pAppInfo->iTableNumExtra 没有赋值");
    }

    for (int i = 0; i < tableChairs; ++i)
    {
        PlayerNode& node = m_pPlayerNode[i];
        if (node.iUserId == info.iUserId || (info.iWatchChairId >= 0 && node.cChairId == info.iWatchChairId))
        {
            m_pSelfNode = &node;
            break;
        }
    }
    const int base = m_pSelfNode ? m_pSelfNode->cChairId : -1;

    for (int i = 0; i < tableChairs; ++i)
    {
        PlayerNode& node = m_pPlayerNode[i];
        if (static_cast<unsigned char>(node.cChairId) == 0xFF || node.iUserId == 0 || node.iUserId == info.iUserId)
            continue;
        int seat = node.cChairId - base + 1;
        if (seat < 0)
            seat += m_iTablePlayerNum;
        else if (seat > m_iTablePlayerNum - 1)
            seat -= m_iTablePlayerNum;
        // A chair the turn cannot bring onto a seat (a record from beyond the declared chairs) is
        // left out rather than written outside the slots.
        if (seat >= 0 && seat < kMaxSeats)
            m_pTableUser[seat] = &node;
    }

    SetGameBaseTimes();
    SetUserImage();
}

void GameViewBase::SetGameBaseTimes()
{
    if (!m_pAppInfo)
        return;
    const int unit = m_pAppInfo->iGameBaseTimes;
    int times = 0;
    if (unit > kFixedTimesUnit)
    {
        times = unit % kFixedTimesUnit;
    }
    else if (unit < 2)
    {
        return;
    }
    else
    {
        int lowest = kNoMoney;
        const int seats = std::clamp(m_pAppInfo->iMaxPlayerNum, 0, kMaxSeats);
        for (int seat = 0; seat < seats; ++seat)
        {
            if (m_pTableUser[seat])
                lowest = std::min(lowest, static_cast<int>(m_pTableUser[seat]->iMoney));
        }
        times = lowest / unit;
        // A player in debt must not turn the stake around: the multiplier is at least 1.
        if (times < 1)
            times = 1;
        else if (m_pAppInfo->iMaxTimes >= 1 && times > m_pAppInfo->iMaxTimes)
            times = m_pAppInfo->iMaxTimes;
    }
    if (m_bGamePlaying)
        m_iNextBaseTimes = times;
    else
        m_iBaseTimes = times;
}

void GameViewBase::InitDeskInfo()
{
    if (m_iNextBaseTimes != 0)
    {
        m_iBaseTimes = m_iNextBaseTimes;
        m_iNextBaseTimes = 0;
    }
    m_bGamePlaying = false;
    std::memset(m_cAutoPlay, 0, sizeof(m_cAutoPlay));
    std::memset(m_iNetDelay, 0, sizeof(m_iNetDelay));
}

// ---- Chair buttons ---------------------------------------------------------------------------------

void GameViewBase::InvalidAllBtnChair()
{
    for (auto& button : m_pBtnChair)
    {
        if (button)
            button->SetVisible(false);
    }
}

void GameViewBase::UpdateBtnChair()
{
    if (!m_pAppInfo)
        return;
    if (m_pAppInfo->iRoomType == 2 || m_pAppInfo->iRoomType == 4)
    {
        InvalidAllBtnChair();
        return;
    }
    const int seats = std::clamp(m_pAppInfo->iMaxPlayerNum, 0, kMaxSeats);
    for (int seat = 0; seat < seats; ++seat)
    {
        Sexy::ButtonWidget* button = m_pBtnChair[seat].get();
        if (!button)
            continue;
        button->SetVisible(false);
        if (seat != 1 && !m_pTableUser[seat])
            button->SetVisible(true);
    }
}

void GameViewBase::OnBtnChair(int seat)
{
    if (!m_pAppInfo)
        return;
    const AppInfo& info = *m_pAppInfo;
    const int n = info.iMaxPlayerNum;
    if (seat < 0 || seat >= n)
        return;
    if (info.iWatchChairId == -1 && info.iGameState > 0)
    {
        AddChat(std::wstring(L"请等待本局游戏结束。"), kChatKindWait);
        return;
    }
    const int seats = std::min(n, kMaxSeats);
    int first = -1;
    for (int j = 0; j < seats; ++j)
    {
        if (m_pTableUser[j])
        {
            first = j;
            break;
        }
    }
    if (first < 0)
        return;
    // From the first player's chair, count round the table to the pressed seat.
    const PlayerNode& known = *m_pTableUser[first];
    int chair = known.cChairId;
    for (int k = first; k < first + n; ++k)
    {
        if (k % n == seat)
            break;
        chair = (chair + 1) % n;
    }
    unsigned char request[kSitDownReqLen] = {};
    request[8] = static_cast<unsigned char>(known.cTableId);
    request[9] = static_cast<unsigned char>(chair);
    SendNetMessage(request, MSG_SIT_DOWN_REQ, kSitDownReqLen);
}

// ---- Coordinates -----------------------------------------------------------------------------------

void GameViewBase::AbsolutePointToRelativePoint(Sexy::TPoint<int>* points, int count)
{
    if (!points)
        return;
    for (int i = 0; i < count; ++i)
    {
        points[i].mX -= mX;
        points[i].mY -= mY;
    }
}

void GameViewBase::AbsoluteRectToRelativeRect(Sexy::TRect<int>* rects, int count)
{
    if (!rects)
        return;
    for (int i = 0; i < count; ++i)
    {
        rects[i].mX -= mX;
        rects[i].mY -= mY;
    }
}

} // namespace Ostra
