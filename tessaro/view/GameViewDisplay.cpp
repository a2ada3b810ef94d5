// The players round the table: their portraits and nick names at the places the game chose, the
// hit test and mouse presses on the view, and numbers drawn from digit strips.
#include "tessaro/view/GameViewBase.h"

#include "pop/Color.h"
#include "pop/Common.h"
#include "pop/Graphics.h"
#include "pop/Image.h"
#include "pop/SexyAppBase.h"
#include "pop/SysFont.h"
#include "tessaro/app/GameAppBase.h"
#include "tessaro/session/PlayerNode.h"
#include "tessaro/widgets/MenuWidget.h"
#include "tessaro/widgets/SkinListWidget.h"
#include "tessaro/widgets/TextConversion.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

namespace Ostra
{

namespace
{

// Portraits are hit, and drawn when small, in a box of this size.
constexpr int kUserShowSize = 60;
// The portrait kinds: the large ones at their own size, the small ones (with head pictures).
char kKindShow[] = "show_n";
char kKindSmall[] = "n_6";
constexpr int kDigitCount = 10;
// Mouse buttons of the four-value press.
constexpr int kButtonLeft = 0;
constexpr int kButtonRight = 1;
constexpr int kButtonMiddle = 2;
constexpr int kClickMiddle = 3;

int SeatsOf(const AppInfo* info)
{
    return info ? std::clamp(info->iMaxPlayerNum, 0, kMaxSeats) : 0;
}

} // namespace

Sexy::Image* GameViewBase::GetUserImage(PlayerNode* node, char* kind)
{
    if (!node || !m_pAppInfo || !m_pApp)
        return nullptr;
    const AppInfo& info = *m_pAppInfo;
    const char* k = kind ? kind : "";
    // The sign of the sex byte is kept, as the lobby names its folders.
    const std::string defaultPath = Sexy::StrFormat("..\\UserImage\\default%d\\%s", node->cSex % 2, k);
    std::string path;
    if ((info.iRoomType == 1 || info.iRoomType == 2) && node->iUserId != info.iUserId)
    {
        // Anti-cheat rooms show nobody's own picture but the player's.
        path = defaultPath;
    }
    else if (std::strcmp(k, kKindSmall) == 0)
    {
        path = node->cHeadId > 0 ? Sexy::StrFormat("..\\UserImage\\Head\\head_6_%d", node->cHeadId) : defaultPath;
    }
    else
    {
        // The lobby caches the players' own pictures under names without an extension.
        path = Sexy::StrFormat("..\\UserImage\\%d\\%s", node->iUserId, k);
        if (!Sexy::FileExists(path))
            path = defaultPath;
    }
    return m_pApp->GetImage(path, true);
}

void GameViewBase::SetUserImage()
{
    if (!m_pAppInfo)
        return;
    char* kind = m_pAppInfo->bSmallUserImage == 0 ? kKindShow : kKindSmall;
    const int seats = SeatsOf(m_pAppInfo);
    for (int seat = 0; seat < seats; ++seat)
    {
        m_pUserImage[seat].reset();
        if (m_pTableUser[seat])
            m_pUserImage[seat].reset(GetUserImage(m_pTableUser[seat], kind));
    }
}

void GameViewBase::DrawUserShow(Sexy::Graphics* g)
{
    if (!g || !m_pAppInfo)
        return;
    const AppInfo& info = *m_pAppInfo;
    // A quick-match table hides who plays until the match is on.
    if (info.iRoomType == 1 && info.bQuickMatchTable && info.cQuickMatchFlag2 != 1)
        return;
    const int seats = SeatsOf(m_pAppInfo);
    for (int seat = 0; seat < seats; ++seat)
    {
        Sexy::Image* picture = m_pUserImage[seat].get();
        if (!m_pTableUser[seat] || !picture)
            continue;
        const Sexy::TPoint<int>& at = m_ptUserShow[seat];
        if (info.bSmallUserImage == 0)
            g->DrawImage(picture, at.mX, at.mY);
        else
            g->DrawImage(picture, at.mX, at.mY, kUserShowSize, kUserShowSize);
    }
}

void GameViewBase::DrawUserName(Sexy::Graphics* g)
{
    if (!g || !m_pAppInfo)
        return;
    g->SetColor(Sexy::Color(255, 255, 255));
    g->SetFont(m_pFont11.get());
    const int seats = SeatsOf(m_pAppInfo);
    for (int seat = 0; seat < seats; ++seat)
    {
        const PlayerNode* node = m_pTableUser[seat];
        if (!node)
            continue;
        // A nick name of the full 16 bytes has no terminator.
        const std::wstring nick = string2wstring(std::string(node->szNickName, NickNameLength(*node)));
        g->DrawString(nick, m_ptUserName[seat].mX, m_ptUserName[seat].mY);
    }
}

int GameViewBase::IsInUserShowRect(int x, int y)
{
    for (int seat = 0; seat < kMaxSeats; ++seat)
    {
        const Sexy::TPoint<int>& at = m_ptUserShow[seat];
        if (x >= at.mX && x < at.mX + kUserShowSize && y >= at.mY && y < at.mY + kUserShowSize && m_pTableUser[seat])
            return m_pTableUser[seat]->iUserId;
    }
    return 0;
}

void GameViewBase::MouseDown(int x, int y, int clickCount)
{
    if (m_pQuickChatList)
        m_pQuickChatList->SetVisible(false);
    const int userId = clickCount < 0 ? IsInUserShowRect(x, y) : 0;
    if (userId > 0)
        ShowUserInfoMenu(userId);
    else if (m_pUserMenu)
        m_pUserMenu->SetVisible(false);

    if (clickCount == kClickMiddle)
        MouseDown(x, y, kButtonMiddle, 1);
    else
        MouseDown(x, y, clickCount < 0 ? kButtonRight : kButtonLeft, clickCount);
}

void GameViewBase::MouseDown(int x, int y, int button, int clickCount)
{
    Sexy::Widget::MouseDown(x, y, button, clickCount);
}

void GameViewBase::MouseMove(int, int) {}

int GameViewBase::DrawNum(Sexy::Graphics* g, Sexy::Image* strip, int number, int x, int y, int width, char align,
                          int step, bool prefix)
{
    if (!strip)
        return 0;
    // The magnitude in 64 bits: the lowest int has no positive counterpart in 32.
    std::int64_t rest = number < 0 ? -static_cast<std::int64_t>(number) : number;
    int digits[kDigitCount] = {};
    std::int64_t power = 1000000000;
    for (int i = kDigitCount - 1; i >= 0; --i, power /= 10)
    {
        digits[i] = static_cast<int>(rest / power);
        rest %= power;
    }
    int top = -1;
    for (int i = kDigitCount - 1; i >= 0; --i)
    {
        if (digits[i] != 0)
        {
            top = i;
            break;
        }
    }

    const int celWidth = strip->GetCelWidth();
    const int advance = step != 0 ? step : celWidth;
    const int cels = (top < 0 ? 1 : top + 1) + (prefix ? 1 : 0);
    // The align byte is signed whatever the platform's char.
    switch (static_cast<signed char>(align))
    {
    case 0:
        x += (width - cels * advance) / 2;
        break;
    case 1:
        x += width - cels * advance;
        break;
    case -1:
        break;
    default:
        x = 0;
        y = 0;
        break;
    }

    if (g)
    {
        const int height = strip->GetHeight();
        if (prefix)
        {
            g->DrawImage(strip, x, y, Sexy::Rect(strip->GetWidth() - celWidth, 0, celWidth, height));
            x += advance;
        }
        for (int i = std::max(top, 0); i >= 0; --i)
        {
            g->DrawImage(strip, x, y, Sexy::Rect(digits[i] * celWidth, 0, celWidth, height));
            x += advance;
        }
    }
    if (top < 0)
        return celWidth * (prefix ? 2 : 1);
    return (top + (prefix ? 2 : 1)) * advance;
}

} // namespace Ostra
