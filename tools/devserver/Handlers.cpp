#include "tools/devserver/Handlers.h"

#include "tools/devserver/Templates.h"
#include "tools/devserver/Wire.h"

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

} // namespace devserver
