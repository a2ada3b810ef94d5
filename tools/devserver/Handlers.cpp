#include "tools/devserver/Handlers.h"

#include "tools/devserver/Templates.h"
#include "tools/devserver/Wire.h"
#include "tools/devserver/room/Room.h"

namespace devserver
{

bool ProbeHandler::OnMessage(Connection& conn, std::string_view msg)
{
    if (MsgType(msg) != kProbeType || msg.size() <= static_cast<size_t>(kProbeStageOffset) ||
        static_cast<unsigned char>(msg[kProbeStageOffset]) != kProbeStageClient)
        return false;
    conn.SendMessage(std::string(msg));
    return true;
}

bool EchoHandler::OnMessage(Connection& conn, std::string_view msg)
{
    if (!m_types.test(static_cast<size_t>(MsgType(msg))))
        return false;
    conn.SendMessage(std::string(msg));
    return true;
}

void RoomHandler::OnConnect(Connection& conn)
{
    m_room.Connected(conn.Id());
}

bool RoomHandler::OnMessage(Connection& conn, std::string_view msg)
{
    const int type = MsgType(msg);
    if (type == kAuthRequestType || type == kSitDownRequestType || type == kReadyAnswerType ||
        type == kChatRequestType || type == kRequestType || type == kEscapeRequestType || type == kGameStateType)
    {
        m_room.Received(conn.Id(), std::string(msg));
        return true;
    }
    // The probe and the keep-alive only tell the room that something else came first.
    const bool noteOnly = type == kProbeType || type == kKeepAliveType;
    m_room.Received(conn.Id(), std::string(noteOnly ? msg.substr(0, static_cast<size_t>(kMsgHeaderLen)) : msg));
    return false;
}

void RoomHandler::OnClose(Connection& conn)
{
    m_room.Closed(conn.Id());
}

} // namespace devserver
