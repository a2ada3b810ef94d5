#include "examples/minimal/MinimalView.h"

#include "platform/Text.h"

#include "pop/ButtonWidget.h"
#include "tessaro/app/GameAppBase.h"
#include "tessaro/session/PlayerNode.h"
#include "tessaro/widgets/ChatShowWidget.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace minimal
{

namespace
{

// The view lies inside the window's frame, below its title bar, like every table view: the
// library's children keep their places on the screen wherever it is.
constexpr int kViewX = 5;
constexpr int kViewY = 33;
constexpr int kViewWidth = 1014;
constexpr int kViewHeight = 700;
// The seats' middles lie on an ellipse over the felt (y 0 to 555 of the view): the own place at
// the bottom, the others following it counter-clockwise as the player looks at the table.
constexpr int kSeatCentreX = 507;
constexpr int kSeatCentreY = 270;
constexpr double kSeatRadiusX = 420.0;
constexpr double kSeatRadiusY = 205.0;
constexpr int kPortrait = 60;
constexpr int kNameBelow = 14;
// The skin's bubbles: 170 x 106, the tail 30 from the left (chat0, chat2) or the right (chat1,
// chat3) edge, below the body (chat0, chat1) or above it (chat2, chat3).
constexpr int kBubbleWidth = 170;
constexpr int kBubbleHeight = 106;
constexpr int kBubbleTailInset = 30;
constexpr int kBubbleMargin = 14;
constexpr int kBubbleLeft = 0;
constexpr int kBubbleRight = kViewWidth;
constexpr double kPi = 3.14159265358979323846;

} // namespace

MinimalView::MinimalView(Ostra::GameAppBase* app) : GameViewBase(app)
{
    Resize(kViewX, kViewY, kViewWidth, kViewHeight);
    PlaceSeats();
}

MinimalView::~MinimalView() = default;

int MinimalView::TableChairs() const
{
    const Ostra::AppInfo& info = m_pAppInfo ? *m_pAppInfo : Ostra::g_AppInfo;
    return std::clamp(info.iMaxPlayerNum, 1, Ostra::kMaxSeats);
}

void MinimalView::PlaceSeats()
{
    const int chairs = TableChairs();
    if (chairs == m_iPlacedChairs)
        return;
    m_iPlacedChairs = chairs;
    for (int seat = 0; seat < Ostra::kMaxSeats; ++seat)
    {
        // Seat 1 at the bottom (a quarter turn on a screen whose y grows downwards), then round.
        const double angle = kPi / 2 - 2 * kPi * (seat - 1) / chairs;
        const int cx = kSeatCentreX + static_cast<int>(std::lround(kSeatRadiusX * std::cos(angle)));
        const int cy = kSeatCentreY + static_cast<int>(std::lround(kSeatRadiusY * std::sin(angle)));
        m_ptUserShow[seat] = Sexy::TPoint<int>(cx - kPortrait / 2, cy - kPortrait / 2);
        m_ptUserName[seat] = Sexy::TPoint<int>(cx - kPortrait / 2, cy + kPortrait / 2 + kNameBelow);
        if (Sexy::ButtonWidget* button = m_pBtnChair[seat].get())
            button->Move(cx - button->mWidth / 2, cy - button->mHeight / 2);

        // A seat in the upper part of the table speaks downwards, the others upwards; the tail
        // points at the portrait from the side of the table's middle.
        const bool above = cy > kSeatCentreY - kSeatRadiusY / 2;
        const bool tailRight = cx > kSeatCentreX + kSeatRadiusX / 2;
        const int bubble = (above ? 0 : 2) + (tailRight ? 1 : 0);
        const int tailX = tailRight ? kBubbleWidth - kBubbleTailInset : kBubbleTailInset;
        const int x = std::clamp(cx - tailX, kBubbleLeft, kBubbleRight - kBubbleWidth);
        const int y = above ? cy - kPortrait / 2 - kBubbleHeight : m_ptUserName[seat].mY + 6;
        m_pChatShow[seat] = std::make_unique<Ostra::ChatShowWidget>(m_pApp, this, bubble, x, y, kBubbleMargin, 0);
    }
}

std::string MinimalView::SeatsReport() const
{
    std::string line;
    const int chairs = TableChairs();
    const bool seatedSelf =
        m_pAppInfo && m_pAppInfo->iWatchChairId == -1 && m_pSelfNode && m_pSelfNode->iUserId == m_pAppInfo->iUserId;
    for (int seat = 0; seat < chairs; ++seat)
    {
        const Ostra::PlayerNode* node = m_pTableUser[seat];
        const bool self = seat == 1 && seatedSelf && (!node || node == m_pSelfNode);
        if (self)
            node = m_pSelfNode;
        line += std::to_string(seat) + "=";
        if (!node)
        {
            line += "- ";
            continue;
        }
        line += (self ? std::string("self") : std::to_string(node->iUserId)) + "@" + std::to_string(node->cChairId);
        line += node->cReady == 1 ? "+ " : " ";
    }
    line += "buttons";
    const char* separator = " ";
    for (int seat = 0; seat < Ostra::kMaxSeats; ++seat)
    {
        if (m_pBtnChair[seat] && m_pBtnChair[seat]->mVisible)
        {
            line += separator + std::to_string(seat);
            separator = ",";
        }
    }
    return line;
}

void MinimalView::ReportSeats()
{
    std::string line = SeatsReport();
    if (line == m_strReported)
        return;
    m_strReported = std::move(line);
    std::fprintf(stderr, "minimal: seats %s\n", m_strReported.c_str());
    MarkDirty();
}

void MinimalView::SetTableUserInfo(char cFlag)
{
    // The library leaves the table's chair count to the game.
    m_iTablePlayerNum = TableChairs();
    GameViewBase::SetTableUserInfo(cFlag);
    // The own player is drawn at seat 1 like the others.
    if (m_pSelfNode && m_pAppInfo && m_pAppInfo->iWatchChairId == -1 && !m_pTableUser[1])
    {
        SetUserInfo(1, m_pSelfNode, true);
        SetUserImage();
    }
    PlaceSeats();
    ReportSeats();
}

void MinimalView::UpdateBtnChair()
{
    GameViewBase::UpdateBtnChair();
    ReportSeats();
}

void MinimalView::HandleAgainLoginRes(std::uintptr_t, long)
{
    // The library has stored the table, the chair and the nick name by now.
    m_bSeated = m_pAppInfo && m_pAppInfo->iTableNo > 0;
}

void MinimalView::HandleSitDownRes(std::uintptr_t, long)
{
    m_bSeated = m_pAppInfo && m_pAppInfo->iTableNo > 0;
}

namespace
{

std::string OneLine(const std::wstring& text)
{
    std::string line = platform::WideToUtf8(text);
    line.erase(std::remove_if(line.begin(), line.end(), [](char c) { return c == '\n' || c == '\r'; }), line.end());
    return line;
}

} // namespace

void MinimalView::AddChat(std::wstring text, int kind)
{
    std::fprintf(stderr, "minimal: chat %d %s\n", kind, OneLine(text).c_str());
    GameViewBase::AddChat(std::move(text), kind);
}

void MinimalView::ShowChatInfo(int userId, std::wstring text)
{
    GameViewBase::ShowChatInfo(userId, text);
    for (int seat = 0; seat < Ostra::kMaxSeats; ++seat)
    {
        const Ostra::ChatShowWidget* bubble = m_pChatShow[seat].get();
        if (bubble && bubble->m_bShow && bubble->m_strText == text && m_pTableUser[seat] &&
            m_pTableUser[seat]->iUserId == userId)
        {
            std::fprintf(stderr, "minimal: bubble %s at seat %d\n", OneLine(text).c_str(), seat);
            return;
        }
    }
}

} // namespace minimal
