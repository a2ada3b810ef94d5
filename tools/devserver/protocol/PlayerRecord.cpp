#include "tools/devserver/protocol/PlayerRecord.h"

#include "platform/Text.h"
#include "tools/devserver/protocol/Bytes.h"

#include <algorithm>
#include <limits>

namespace devserver
{

std::int32_t AddMoney(std::int32_t money, std::int32_t change)
{
    const std::int64_t sum = static_cast<std::int64_t>(money) + change;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(sum, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

std::string EncodePlayerEntry(const PlayerRecord& r)
{
    std::string e(kPlayerEntryLen, '\0');
    PutBE32(e, 0, static_cast<std::uint32_t>(r.userId));
    e.replace(4, std::min(r.nick.size(), kNickLen), r.nick, 0, kNickLen);
    PutByte(e, 20, r.sex);
    PutBE32(e, 24, static_cast<std::uint32_t>(r.amount));
    PutBE32(e, 28, static_cast<std::uint32_t>(r.money));
    PutByte(e, 32, r.table);
    PutByte(e, 33, r.chair);
    PutBE32(e, 36, static_cast<std::uint32_t>(r.wins));
    PutBE32(e, 40, static_cast<std::uint32_t>(r.losses));
    PutByte(e, 44, r.headType);
    PutByte(e, 45, r.headId);
    PutByte(e, 46, r.status);
    PutLE32(e, 48, r.userType);
    PutByte(e, 59, r.memberLevel);
    PutByte(e, 60, r.watchChair);
    PutByte(e, 61, r.ready);
    PutByte(e, 62, r.badge);
    PutByte(e, 63, r.extra);
    PutByte(e, 64, r.area);
    PutBE32(e, 68, static_cast<std::uint32_t>(r.playTime));
    PutBE32(e, 72, static_cast<std::uint32_t>(r.cmValue));
    PutBE32(e, 76, static_cast<std::uint32_t>(r.draws));
    PutBE32(e, 80, static_cast<std::uint32_t>(r.wealth));
    return e;
}

bool NickFromUtf8(std::string_view utf8, std::string& gbk, std::string& error)
{
    if (utf8.empty())
    {
        error = "NICK is empty";
        return false;
    }
    // A name that does not come back unchanged has characters without a GBK form.
    std::string converted = platform::Utf8ToGbk(utf8);
    if (platform::GbkToUtf8(converted) != utf8)
    {
        error = "NICK has characters that GBK cannot carry";
        return false;
    }
    if (converted.size() > kNickLen)
    {
        error = "NICK takes " + std::to_string(converted.size()) + " bytes in GBK, at most " +
                std::to_string(kNickLen) + " fit";
        return false;
    }
    gbk = std::move(converted);
    return true;
}

bool TextFromUtf8(std::string_view utf8, size_t maxBytes, const std::string& what, std::string& gbk, std::string& error)
{
    std::string converted = platform::Utf8ToGbk(utf8);
    if (platform::GbkToUtf8(converted) != utf8)
    {
        error = what + " has characters that GBK cannot carry";
        return false;
    }
    if (converted.size() > maxBytes)
    {
        error = what + " takes " + std::to_string(converted.size()) + " bytes in GBK, at most " +
                std::to_string(maxBytes) + " fit";
        return false;
    }
    gbk = std::move(converted);
    return true;
}

} // namespace devserver
