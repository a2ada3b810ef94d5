#include "examples/minimal/MinimalWnd.h"

#include "examples/minimal/MinimalView.h"
#include "tessaro/app/GameAppBase.h"
#include "tessaro/net/Log.h"
#include "tessaro/session/GameMsg.h"

#include "platform/Text.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace minimal
{

MinimalWnd::MinimalWnd(Ostra::GameAppBase* app, MinimalView* view) : GameWndBase(app, view), m_pView(view)
{
    Resize(0, 0, Ostra::GameAppBase::STANDARD_WIDTH, Ostra::GameAppBase::STANDARD_HEIGHT);
    if (const char* say = std::getenv("MINIMAL_SAY"))
        m_strSay = platform::Utf8ToGbk(say);
    const char* escape = std::getenv("MINIMAL_ESCAPE");
    m_bEscapeWhenSeated = escape && std::strcmp(escape, "1") == 0;
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
    // The table chat message: sender id and nick, no target, the text (at most 511 bytes and its
    // zero), kind 1.
    constexpr int kChatLen = 572;
    constexpr int kChatType = 20;
    unsigned char msg[kChatLen] = {};
    Ostra::PutBE32(msg + 8, static_cast<std::uint32_t>(m_pAppInfo->iUserId));
    std::memcpy(msg + 12, m_pAppInfo->szNickName, sizeof(m_pAppInfo->szNickName));
    std::memcpy(msg + 48, text.data(), std::min<std::size_t>(text.size(), 511));
    msg[560] = 1;
    SendNetMessage(msg, kChatType, kChatLen);
}

void MinimalWnd::HandleGameMessage(std::uintptr_t msg, long len)
{
    const Ostra::MsgView view(msg, len);
    // Level 20: the level the game's log keeps.
    WriteLog(20, "MinimalWnd", "game message type[%d] len[%ld]", view.Type(), len);
    if (m_pView)
        m_pView->NoteGameMessage(view.Type(), len);
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

void MinimalWnd::HandleGameResultServer(std::uintptr_t msg, long len)
{
    GameWndBase::HandleGameResultServer(msg, len);
    if (m_pView)
        m_pView->NoteRoundEnd();
}

} // namespace minimal
