#include "examples/minimal/MinimalView.h"

#include "platform/Text.h"

#include "pop/Color.h"
#include "pop/Graphics.h"
#include "tessaro/app/GameAppBase.h"
#include "tessaro/session/GameWndBase.h"
#include "tessaro/session/PlayerNode.h"
#include "tessaro/widgets/TextConversion.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace minimal
{

namespace
{

const Sexy::Color kFelt(24, 96, 56);
const Sexy::Color kTable(14, 72, 40);
const Sexy::Color kRim(176, 136, 72);
const Sexy::Color kTitle(250, 240, 200);
const Sexy::Color kText(236, 240, 228);
const Sexy::Color kGood(150, 230, 150);
const Sexy::Color kBad(250, 150, 130);
const Sexy::Color kPlate(36, 40, 34, 220);
const Sexy::Color kOwnPlate(92, 70, 30, 230);
const Sexy::Color kPlateEdge(176, 136, 72);
const Sexy::Color kReady(250, 210, 90);

// The table: a darker field with a wooden rim in the middle of the screen.
constexpr int kTableX = 112;
constexpr int kTableY = 144;
constexpr int kTableWidth = 800;
constexpr int kTableHeight = 450;
constexpr int kRimWidth = 10;
// The seats sit on an ellipse round the table, the own place at the bottom and the others following
// it counter-clockwise as the player looks at the table.
constexpr int kSeatCentreX = 512;
constexpr int kSeatCentreY = 372;
constexpr double kSeatRadiusX = 420.0;
constexpr double kSeatRadiusY = 282.0;
constexpr int kPlateWidth = 156;
constexpr int kPlateHeight = 50;
constexpr double kPi = 3.14159265358979323846;

std::wstring NickText(const Ostra::PlayerNode& node)
{
    return Ostra::string2wstring(std::string(node.szNickName, Ostra::NickNameLength(node)));
}

// AppInfo's texts are zero-terminated only when shorter than their field.
std::wstring FieldText(const char* field, size_t size)
{
    return Ostra::string2wstring(std::string(field, strnlen(field, size)));
}

} // namespace

MinimalView::MinimalView(Ostra::GameAppBase* app)
    : GameViewBase(app), m_pTitleFont(std::make_unique<Sexy::SysFont>("宋体", 22, true)),
      m_pTextFont(std::make_unique<Sexy::SysFont>("宋体", 14)), m_pSeatFont(std::make_unique<Sexy::SysFont>("宋体", 11))
{
    Resize(0, 0, Ostra::GameAppBase::STANDARD_WIDTH, Ostra::GameAppBase::STANDARD_HEIGHT);
    PlaceChairButtons();
}

MinimalView::~MinimalView() = default;

MinimalView::Link MinimalView::CurrentLink() const
{
    if (m_pAppInfo && m_pAppInfo->bReplay)
        return Link::Replay;
    Ostra::GameWndBase* wnd = m_pApp ? m_pApp->m_pGameWnd : nullptr;
    if (!wnd || !wnd->IsSessionOpen())
        return Link::NotYet;
    if (wnd->m_bDisconnected.load())
        return Link::Lost;
    return wnd->IsNetAvailable() ? Link::Connected : Link::NotYet;
}

void MinimalView::Update()
{
    GameViewBase::Update();
    // The connection changes on the connection's own thread; the screen follows it here.
    if (CurrentLink() != m_DrawnLink)
        MarkDirty();
}

std::wstring MinimalView::ConnectionText() const
{
    const Link link = CurrentLink();
    if (link == Link::Replay)
        return L"Replay: no game server";
    std::wstring server = L"Game server";
    if (m_pAppInfo)
        server += L" " + FieldText(m_pAppInfo->szServerAddr, sizeof m_pAppInfo->szServerAddr) + L":" +
                  std::to_wstring(m_pAppInfo->iServerPort);
    switch (link)
    {
    case Link::Connected:
        return server + L": connected";
    case Link::Lost:
        return server + L": connection lost";
    default:
        return server + L": not connected";
    }
}

std::wstring MinimalView::SeatText() const
{
    if (!m_bSeated || !m_pAppInfo)
        return L"Not at a table yet";
    const std::wstring table = L"Table " + std::to_wstring(m_pAppInfo->iTableNo);
    if (m_pAppInfo->iWatchChairId >= 0)
        return table + L", watching chair " + std::to_wstring(m_pAppInfo->iWatchChairId);
    return table + L", chair " + std::to_wstring(m_pAppInfo->iChairId) + L": " +
           FieldText(m_pAppInfo->szNickName, sizeof m_pAppInfo->szNickName);
}

std::wstring MinimalView::GameMessageText() const
{
    if (m_iGameMsgCount == 0)
        return L"No game message yet";
    return L"Game messages: " + std::to_wstring(m_iGameMsgCount) + L", the last of type " +
           std::to_wstring(m_iLastType) + L", " + std::to_wstring(m_lLastLen) + L" bytes";
}

void MinimalView::Draw(Sexy::Graphics* g)
{
    g->SetColor(kFelt);
    g->FillRect(0, 0, mWidth, mHeight);
    g->SetColor(kRim);
    g->FillRect(kTableX - kRimWidth, kTableY - kRimWidth, kTableWidth + 2 * kRimWidth, kTableHeight + 2 * kRimWidth);
    g->SetColor(kTable);
    g->FillRect(kTableX, kTableY, kTableWidth, kTableHeight);

    std::wstring title = L"tessaro minimal";
    if (m_pAppInfo && m_pAppInfo->szGameName[0])
        title = FieldText(m_pAppInfo->szGameName, sizeof m_pAppInfo->szGameName) + L" - " + title;
    int y = kTableY + 90 + m_pTitleFont->GetAscent();
    g->SetFont(m_pTitleFont.get());
    g->SetColor(kTitle);
    g->WriteString(title, kTableX, y, kTableWidth, 0);

    m_DrawnLink = CurrentLink();
    const int step = m_pTextFont->GetLineSpacing() + 14;
    y += m_pTitleFont->GetLineSpacing() + 24;
    g->SetFont(m_pTextFont.get());
    g->SetColor(m_DrawnLink == Link::Connected ? kGood : m_DrawnLink == Link::Lost ? kBad : kText);
    g->WriteString(ConnectionText(), kTableX, y, kTableWidth, 0);
    g->SetColor(kText);
    g->WriteString(SeatText(), kTableX, y + step, kTableWidth, 0);
    g->WriteString(GameMessageText(), kTableX, y + 2 * step, kTableWidth, 0);
    if (m_iRounds > 0)
        g->WriteString(L"Rounds played: " + std::to_wstring(m_iRounds), kTableX, y + 3 * step, kTableWidth, 0);

    for (int seat = 0; seat < TableChairs(); ++seat)
        DrawSeat(g, seat);
}

int MinimalView::TableChairs() const
{
    return m_pAppInfo ? std::clamp(m_pAppInfo->iMaxPlayerNum, 0, Ostra::kMaxSeats) : 0;
}

Sexy::Point MinimalView::SeatCentre(int seat) const
{
    const int chairs = std::max(TableChairs(), 1);
    // Seat 1 at the bottom (a quarter turn on a screen whose y grows downwards), then round.
    const double angle = kPi / 2 - 2 * kPi * (seat - 1) / chairs;
    return Sexy::Point(kSeatCentreX + static_cast<int>(std::lround(kSeatRadiusX * std::cos(angle))),
                       kSeatCentreY + static_cast<int>(std::lround(kSeatRadiusY * std::sin(angle))));
}

void MinimalView::PlaceChairButtons()
{
    for (int seat = 0; seat < Ostra::kMaxSeats; ++seat)
    {
        Sexy::ButtonWidget* button = m_pBtnChair[seat].get();
        if (!button)
            continue;
        const Sexy::Point centre = SeatCentre(seat);
        button->Move(centre.mX - button->mWidth / 2, centre.mY - button->mHeight / 2);
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
        const bool self = seat == 1 && !node && seatedSelf;
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
    // The table has as many chairs as the launch says; the library leaves the count to the game.
    m_iTablePlayerNum = TableChairs();
    GameViewBase::SetTableUserInfo(cFlag);
    PlaceChairButtons();
    ReportSeats();
}

void MinimalView::UpdateBtnChair()
{
    GameViewBase::UpdateBtnChair();
    ReportSeats();
}

void MinimalView::OnSelfReady()
{
    MarkDirty();
}

void MinimalView::DrawSeat(Sexy::Graphics* g, int seat)
{
    const Ostra::PlayerNode* node = m_pTableUser[seat];
    const bool self = seat == 1 && !node && m_pAppInfo && m_pAppInfo->iWatchChairId == -1 && m_pSelfNode &&
                      m_pSelfNode->iUserId == m_pAppInfo->iUserId;
    if (self)
        node = m_pSelfNode;
    if (!node)
        return; // an empty seat shows its chair button
    const Sexy::Point centre = SeatCentre(seat);
    const int x = centre.mX - kPlateWidth / 2;
    const int y = centre.mY - kPlateHeight / 2;
    g->SetColor(kPlateEdge);
    g->FillRect(x - 1, y - 1, kPlateWidth + 2, kPlateHeight + 2);
    g->SetColor(self ? kOwnPlate : kPlate);
    g->FillRect(x, y, kPlateWidth, kPlateHeight);
    g->SetFont(m_pSeatFont.get());
    g->SetColor(kTitle);
    const int line = m_pSeatFont->GetLineSpacing();
    g->WriteString(NickText(*node), x, y + 6 + m_pSeatFont->GetAscent(), kPlateWidth, 0);
    std::wstring detail = L"chair " + std::to_wstring(node->cChairId) + (self ? L"  (you)" : L"");
    g->SetColor(node->cReady == 1 ? kReady : kText);
    if (node->cReady == 1)
        detail += L"  ready";
    g->WriteString(detail, x, y + 10 + line + m_pSeatFont->GetAscent(), kPlateWidth, 0);
}

void MinimalView::NoteRoundEnd()
{
    ++m_iRounds;
    MarkDirty();
}

void MinimalView::NoteGameMessage(int type, long len)
{
    ++m_iGameMsgCount;
    m_iLastType = type;
    m_lLastLen = len;
    MarkDirty();
}

void MinimalView::HandleAgainLoginRes(std::uintptr_t, long)
{
    // The library has stored the table, the chair and the nick name by now.
    m_bSeated = m_pAppInfo && m_pAppInfo->iTableNo > 0;
    MarkDirty();
}

void MinimalView::HandleSitDownRes(std::uintptr_t, long)
{
    m_bSeated = m_pAppInfo && m_pAppInfo->iTableNo > 0;
    MarkDirty();
}

void MinimalView::AddChat(std::wstring text, int kind)
{
    std::string line = platform::WideToUtf8(text);
    line.erase(std::remove_if(line.begin(), line.end(), [](char c) { return c == '\n' || c == '\r'; }), line.end());
    std::fprintf(stderr, "minimal: chat %d %s\n", kind, line.c_str());
    GameViewBase::AddChat(std::move(text), kind);
}

} // namespace minimal
