// The user list: its pictures and columns, the rows filled from the game window's records, the
// game masters' columns, and the right click that opens a player's menu.
#include "tessaro/view/GameViewBase.h"

#include "pop/Common.h"
#include "pop/Image.h"
#include "pop/SexyAppBase.h"
#include "tessaro/app/GameAppBase.h"
#include "tessaro/session/GameWndBase.h"
#include "tessaro/session/PlayerNode.h"
#include "tessaro/widgets/RichListWidget.h"
#include "tessaro/widgets/SkinListWidget.h"
#include "tessaro/widgets/TextConversion.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>

namespace Ostra
{

int g_iUserIdColumn = 0;

namespace
{

// The picture list: the two default portraits, the membership marks of others (level 2 at index
// 2) and of the own row (level 2 at index 8), the anti-cheat mark twice, then the head pictures
// (head k at index 15 + k).
constexpr int kMemberMarkFirst = 2;
constexpr int kMemberMarkCount = 6;
constexpr int kAntiCheatMark = 15;
constexpr int kOwnMarkOffset = 6;
constexpr int kHeadPictureOffset = 15;
constexpr int kMaxHeadPictures = 256;

constexpr int kUserIdColumn = 10;
constexpr int kFirstGmColumn = 11;
constexpr int kLastGmColumn = 14;
constexpr int kGmColumnWidth = 60;
// The list's colour for the header texts.
constexpr int kHeaderTextColor = 8;
// IsUserType's bit of users who show in no list.
constexpr int kUserTypeHidden = 4;
// GetAmountName and GetMoneyName write at most 16 bytes; the buffer leaves room to spare.
constexpr int kTitleBufferLen = 32;

struct UserColumn
{
    const wchar_t* title;
    int width;
};

// Columns 0 and 1 show pictures; the last five have no width until a game master opens four of
// them.
constexpr UserColumn kUserColumns[] = {
    {L"冠", 20},       {L"秀", 20},    {L"昵称", 60}, {L"游戏币", 80},  {L"实力积分", 60},
    {L"实力称号", 60}, {L"胜", 40},    {L"负", 40},   {L"平", 40},      {L"历史时长", 60},
    {L"用户ID", 0},    {L"地区ID", 0}, {L"CM值", 0},  {L"财富积分", 0}, {L"财富称号", 0},
};

bool IsMemberLevel(int level)
{
    return level >= kMemberMarkFirst && level < kMemberMarkFirst + kMemberMarkCount;
}

bool IsServerSeatedRoom(int roomType)
{
    return roomType == 2 || roomType == 4;
}

std::wstring Number(long long value)
{
    return std::to_wstring(value);
}

// A title table's entry as wide text; the buffer need not be terminated.
std::wstring TitleText(const char* buffer)
{
    const void* end = std::memchr(buffer, 0, kTitleBufferLen);
    const std::size_t len = end ? static_cast<std::size_t>(static_cast<const char*>(end) - buffer) : kTitleBufferLen;
    return string2wstring(std::string(buffer, len));
}

} // namespace

void GameViewBase::InitImageList()
{
    if (!m_pApp)
        return;
    auto load = [this](const std::string& path) -> Sexy::Image* { return m_pApp->GetImage(path, true); };
    for (int sex = 0; sex < 2; ++sex)
        m_vUserImage.push_back(load(Sexy::StrFormat("../UserImage/Default%d/n.jpg", sex)));
    for (int level = 1; level <= kMemberMarkCount; ++level)
        m_vUserImage.push_back(load(Sexy::StrFormat("images/base/vip%d", level)));
    for (int level = 1; level <= kMemberMarkCount; ++level)
        m_vUserImage.push_back(load(Sexy::StrFormat("images/base/hvip%d", level)));
    // Index 14 is never shown; index 15 marks members in rooms where the server seats the players.
    m_vUserImage.push_back(load("images/base/25.bmp"));
    m_vUserImage.push_back(load("images/base/25.bmp"));
    // Head pictures are numbered without gaps: the first one missing ends them.
    for (int k = 1; k <= kMaxHeadPictures; ++k)
    {
        const std::string path = Sexy::StrFormat("../UserImage/Head/head_4_%d.jpg", k);
        if (!Sexy::FileExists(path))
            break;
        m_vUserImage.push_back(load(path));
    }
}

void GameViewBase::InitUserList()
{
    if (!m_pUserList)
        return;
    g_iUserIdColumn = kUserIdColumn;
    for (int i = 0; i < static_cast<int>(std::size(kUserColumns)); ++i)
    {
        Sexy::ListColumn column;
        column.type = i < 2 ? Sexy::RichListWidget::kPictureColumn : 0;
        column.title = kUserColumns[i].title;
        column.color = m_pUserList->GetColor(kHeaderTextColor);
        column.width = kUserColumns[i].width;
        m_pUserList->InsertColumn(&column);
    }
}

void GameViewBase::InitGmUserListWidth()
{
    if (!m_pAppInfo || !m_pUserList || !(m_pAppInfo->bGmRightA || m_pAppInfo->bGmRightB))
        return;
    // The wealth title stays hidden even for game masters.
    for (int column = kUserIdColumn; column < kLastGmColumn; ++column)
        m_pUserList->SetColumnWidth(column, kGmColumnWidth);
}

void GameViewBase::InsertAllUserList()
{
    if (!m_pUserList || !m_pAppInfo)
        return;
    m_pUserList->DeleteAllItems();
    if (!m_pPlayerNode)
    {
        MarkDirty();
        return;
    }
    const AppInfo& info = *m_pAppInfo;
    const bool seatedByServer = IsServerSeatedRoom(info.iRoomType);
    const bool gm = info.bGmRightA || info.bGmRightB;
    GameWndBase* wnd = m_pApp ? m_pApp->m_pGameWnd : nullptr;

    // The own record leads; the others follow it round the ten records.
    int start = 0;
    for (int i = 1; i < kTablePlayerNodes; ++i)
    {
        if (m_pPlayerNode[i].iUserId == info.iUserId)
            start = i;
    }

    for (int n = 0; n < kTablePlayerNodes; ++n)
    {
        const PlayerNode& node = m_pPlayerNode[(start + n) % kTablePlayerNodes];
        if (node.iUserId == 0)
            continue;
        const bool hidden = wnd ? wnd->IsUserType(kUserTypeHidden, node.iUserType)
                                : (node.iUserType & static_cast<unsigned>(kUserTypeHidden)) != 0;
        if (hidden)
            continue;
        const bool own = node.iUserId == info.iUserId;

        // Where the server seats the players, the others' own marks stay private.
        std::wstring mark;
        if (seatedByServer && IsMemberLevel(node.cMemberLevel))
            mark = Number(kAntiCheatMark);
        if (!seatedByServer || own)
            mark = IsMemberLevel(node.cMemberLevel) ? Number(node.cMemberLevel) : std::wstring();
        if (own && IsMemberLevel(info.cMemberLevel))
            mark = Number(info.cMemberLevel + kOwnMarkOffset);

        Sexy::ListItem item;
        item.text = mark;
        item.row = 0;
        item.column = 0;
        const int row = m_pUserList->InsertItem(&item);
        item.row = row;
        auto cell = [&](int column, std::wstring text)
        {
            item.column = column;
            item.text = std::move(text);
            m_pUserList->SetItem(&item);
        };

        // A sex byte that is negative and odd names picture -1, which the list does not draw.
        if (node.cHeadId > 0 && !seatedByServer)
            cell(1, Number(node.cHeadId + kHeadPictureOffset));
        else
            cell(1, Number(node.cSex % 2));
        cell(2, string2wstring(std::string(node.szNickName, NickNameLength(node))));
        cell(3, Number(node.iMoney));
        cell(4, Number(node.iAmount));
        char title[kTitleBufferLen] = {};
        GetAmountName(node.iAmount, title);
        cell(5, TitleText(title));
        cell(6, Number(node.iWinNum));
        cell(7, Number(node.iLoseNum));
        cell(8, Number(node.iDrawNum));
        cell(9, Number(node.iPlayTime));
        cell(kUserIdColumn, Number(node.iUserId));
        if (gm)
        {
            cell(kFirstGmColumn, Number(static_cast<unsigned char>(node.cAreaId)));
            cell(12, Number(node.iCMValue));
            cell(13, Number(node.iWealth));
            char wealth[kTitleBufferLen] = {};
            GetMoneyName(node.iWealth, wealth);
            cell(kLastGmColumn, TitleText(wealth));
        }

        if (IsMemberLevel(node.cMemberLevel))
        {
            if (Sexy::SkinListWidget* first = m_pUserList->GetColumnList(0))
                first->SetVip(row);
        }
    }
    MarkDirty();
}

void GameViewBase::OnUserListClicked(int row, int clickCount)
{
    // Left clicks only select the row, which the list does itself.
    if (clickCount >= 0 || !m_pUserList)
        return;
    const std::wstring text = m_pUserList->GetStringAt(row, g_iUserIdColumn);
    errno = 0;
    long value = std::wcstol(text.c_str(), nullptr, 10);
    if (errno == ERANGE || value > INT_MAX || value < INT_MIN)
        value = 0;
    ShowUserInfoMenu(static_cast<int>(value));
}

} // namespace Ostra
