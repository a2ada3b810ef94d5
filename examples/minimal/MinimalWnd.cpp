#include "examples/minimal/MinimalWnd.h"

#include "examples/common/Headless.h"
#include "examples/minimal/MinimalView.h"
#include "tessaro/app/GameAppBase.h"
#include "tessaro/net/Log.h"
#include "tessaro/session/GameMsg.h"
#include "tessaro/widgets/SkinEditWidget.h"
#include "tessaro/widgets/TextConversion.h"

#include "platform/Text.h"
#include "pop/ButtonWidget.h"
#include "pop/WidgetManager.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace minimal
{

MinimalWnd::MinimalWnd(Ostra::GameAppBase* app, MinimalView* view) : GameWndBase(app, view), m_pView(view)
{
    Resize(0, 0, Ostra::GameAppBase::STANDARD_WIDTH, Ostra::GameAppBase::STANDARD_HEIGHT);
    if (const char* say = std::getenv("MINIMAL_SAY"))
        m_strSay = platform::Utf8ToGbk(say);
    const char* escape = std::getenv("MINIMAL_ESCAPE");
    m_bEscapeWhenSeated = escape && std::strcmp(escape, "1") == 0;
    if (const char* clicks = std::getenv("MINIMAL_REPLAY_CLICKS"))
        ReadReplayClicks(clicks);
}

void MinimalWnd::ReadReplayClicks(const char* script)
{
    const std::pair<const char*, Sexy::ButtonWidget*> buttons[] = {
        {"play", m_pBtnReplayPlay.get()},       {"pause", m_pBtnReplayPause.get()}, {"fast", m_pBtnReplayFast.get()},
        {"normal", m_pBtnReplayFastStop.get()}, {"quit", m_pBtnReplayQuit.get()},
    };
    std::string text = script;
    std::size_t start = 0;
    while (start < text.size())
    {
        std::size_t end = text.find(',', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string item = text.substr(start, end - start);
        start = end + 1;
        const std::size_t at = item.find('@');
        Sexy::ButtonWidget* button = nullptr;
        for (const auto& [name, widget] : buttons)
        {
            if (item.compare(0, at, name) == 0)
                button = widget;
        }
        char* rest = nullptr;
        const long update = at == std::string::npos ? -1 : std::strtol(item.c_str() + at + 1, &rest, 10);
        if (!button || update < 0 || !rest || *rest != '\0')
        {
            std::fprintf(stderr, "minimal: MINIMAL_REPLAY_CLICKS: not understood: %s\n", item.c_str());
            continue;
        }
        m_vecReplayClicks.push_back({button, static_cast<int>(update)});
    }
}

void MinimalWnd::StartReplayGameBase(char* szArg)
{
    GameWndBase::StartReplayGameBase(szArg);
    if (m_pAppInfo->bReplay)
        m_iReplayUpdates = 0;
}

void MinimalWnd::ClickOn(Sexy::WidgetManager& manager, const Sexy::Widget& widget)
{
    examples::ClickOn(manager, widget);
}

void MinimalWnd::KeyDown(Sexy::KeyCode key)
{
    if (key == Sexy::KEYCODE_ESCAPE)
        OnButtonEsc();
    else
        GameWndBase::KeyDown(key);
}

void MinimalWnd::Update()
{
    GameWndBase::Update();
    if (m_iReplayUpdates >= 0 && mWidgetManager)
    {
        ++m_iReplayUpdates;
        while (m_nNextReplayClick < m_vecReplayClicks.size() &&
               m_vecReplayClicks[m_nNextReplayClick].iAtUpdate <= m_iReplayUpdates)
        {
            Sexy::ButtonWidget* button = m_vecReplayClicks[m_nNextReplayClick++].pButton;
            std::fprintf(stderr, "minimal: replay button %d\n", button->mId);
            ClickOn(*mWidgetManager, *button);
        }
    }
    if (m_bSeatedActionsDone || !m_pView || !m_pView->IsSeated() || m_pGameApp->IsShuttingDown())
        return;
    m_bSeatedActionsDone = true;
    if (!m_strSay.empty())
        SendChat(m_strSay);
    if (m_bEscapeWhenSeated)
        OnButtonEsc();
}

void MinimalWnd::SendChat(const std::string& text)
{
    // Typed into the table's chat input and sent, as a player would.
    if (!m_pView || !m_pView->m_pEditChat)
        return;
    m_pView->m_pEditChat->SetText(Ostra::string2wstring(text));
    m_pView->OnBtnEditSend();
}

void MinimalWnd::HandleGameMessage(std::uintptr_t msg, long len)
{
    const Ostra::MsgView view(msg, len);
    // Level 20: the level the game's log keeps.
    WriteLog(20, "MinimalWnd", "game message type[%d] len[%ld]", view.Type(), len);
}

void MinimalWnd::OnTimer(int id)
{
    const bool opened = IsSessionOpen();
    GameWndBase::OnTimer(id);
    if (id == Ostra::TIMER_OPEN_SESSION && !opened && IsSessionOpen() && !m_pAppInfo->bReplay &&
        !m_pGameApp->IsShuttingDown())
        SendAuthenReq();
}

void MinimalWnd::SendAuthenReq()
{
    unsigned char req[kAuthenReqLen] = {};
    Ostra::PutBE32(req + 8, static_cast<std::uint32_t>(m_pAppInfo->iUserId));
    std::memcpy(req + 12, m_pAppInfo->szToken, strnlen(m_pAppInfo->szToken, sizeof(m_pAppInfo->szToken)));
    SendNetMessage(req, kAuthenReqType, kAuthenReqLen);
}

} // namespace minimal
