#include "tessaro/session/ChatRecords.h"

#include <algorithm>
#include <cstring>

namespace Ostra
{

namespace
{

// The first n bytes of the record from the message, the rest zero. The numbers are converted
// afterwards, from the record's own bytes, so a number cut by the message's end reads its missing
// bytes as zero.
long CopyRecord(const MsgView& msg, void* out)
{
    std::memset(out, 0, kChatRecordLen);
    const long n = std::min<long>(msg.Length(), kChatRecordLen);
    msg.Copy(0, out, n);
    return n;
}

std::int32_t HostFromWire(const std::int32_t& field)
{
    return static_cast<std::int32_t>(GetBE32(reinterpret_cast<const unsigned char*>(&field)));
}

} // namespace

long ReadChatMsg(const MsgView& msg, ChatMsg* out)
{
    if (!out)
        return 0;
    const long n = CopyRecord(msg, out);
    out->iSendId = HostFromWire(out->iSendId);
    out->iRecvId = HostFromWire(out->iRecvId);
    out->iReqValue = HostFromWire(out->iReqValue);
    return n;
}

long ReadChatInfo(const MsgView& msg, ChatInfo* out)
{
    if (!out)
        return 0;
    const long n = CopyRecord(msg, out);
    out->iId = HostFromWire(out->iId);
    return n;
}

} // namespace Ostra
