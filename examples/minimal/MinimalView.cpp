#include "examples/minimal/MinimalView.h"

#include "pop/Color.h"
#include "pop/Graphics.h"
#include "tessaro/app/GameAppBase.h"
#include "tessaro/session/GameWndBase.h"
#include "tessaro/widgets/TextConversion.h"

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

// The table: a darker field with a wooden rim in the middle of the screen.
constexpr int kTableX = 112;
constexpr int kTableY = 144;
constexpr int kTableWidth = 800;
constexpr int kTableHeight = 450;
constexpr int kRimWidth = 10;
constexpr int kTextIndent = 48;

// AppInfo's texts are zero-terminated only when shorter than their field.
std::wstring FieldText(const char* field, size_t size)
{
    return Ostra::string2wstring(std::string(field, strnlen(field, size)));
}

} // namespace

MinimalView::MinimalView(Ostra::GameAppBase* app)
    : GameViewBase(app), m_pTitleFont(std::make_unique<Sexy::SysFont>("宋体", 22, true)),
      m_pTextFont(std::make_unique<Sexy::SysFont>("宋体", 14))
{
    Resize(0, 0, Ostra::GameAppBase::STANDARD_WIDTH, Ostra::GameAppBase::STANDARD_HEIGHT);
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
    int y = kTableY + 40 + m_pTitleFont->GetAscent();
    g->SetFont(m_pTitleFont.get());
    g->SetColor(kTitle);
    g->DrawString(title, kTableX + kTextIndent, y);

    m_DrawnLink = CurrentLink();
    const int step = m_pTextFont->GetLineSpacing() + 14;
    y += m_pTitleFont->GetLineSpacing() + 24;
    g->SetFont(m_pTextFont.get());
    g->SetColor(m_DrawnLink == Link::Connected ? kGood : m_DrawnLink == Link::Lost ? kBad : kText);
    g->DrawString(ConnectionText(), kTableX + kTextIndent, y);
    g->SetColor(kText);
    g->DrawString(SeatText(), kTableX + kTextIndent, y + step);
    g->DrawString(GameMessageText(), kTableX + kTextIndent, y + 2 * step);
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

} // namespace minimal
