#include "tessaro/app/SettingsFiles.h"

#include "pop/Common.h"
#include "tessaro/app/AppInfo.h"
#include "tessaro/app/LaunchData.h"
#include "tessaro/net/Config.h"
#include "tessaro/net/Log.h"
#include "tessaro/widgets/TextConversion.h"

#include <algorithm>
#include <cstring>

namespace Ostra
{

namespace
{

constexpr int kLogLevel = 20;
// GetConfigString writes up to 399 characters and a zero byte.
constexpr std::size_t kConfigValueLen = 400;
// Two ideographic spaces in GBK.
constexpr char kTipsLineBreak[] = "\xA1\xA1\xA1\xA1";

// Looks a text up with an empty default and copies it, cut to the field.
template <std::size_t N>
void ReadConfigText(char (&field)[N], const std::string& path, const char* section, const char* key)
{
    char value[kConfigValueLen] = {};
    GetConfigString(value, key, path.c_str(), section, "");
    CopyTextField(field, N, value);
}

template <std::size_t N> std::size_t TextLen(const char (&field)[N])
{
    return strnlen(field, N);
}

// Appends the login data to a shop address that is long enough to be one.
template <std::size_t N> void AppendLoginData(char (&url)[N], const AppInfo& info, const char* name)
{
    if (TextLen(url) <= kMinUrlLen)
        return;
    const std::string linked = Sexy::StrFormat("%s&token=%s&tokenId=%d", FieldText(url, N).c_str(),
                                               FieldText(info.szToken, sizeof(info.szToken)).c_str(), info.iUserId);
    if (linked.size() >= N)
    {
        WriteLog(kLogLevel, "GameAppBase", "%s too long for the login data[%zu]", name, linked.size());
        return;
    }
    CopyTextField(url, N, linked);
}

} // namespace

void ApplySettingsText(const std::vector<std::uint8_t>& text, AppInfo& info)
{
    const std::size_t limit = std::min(text.size(), kSettingsTextMax);
    const auto* begin = reinterpret_cast<const char*>(text.data());
    std::string_view view(begin, limit);
    view = view.substr(0, std::min(view.find('\0'), view.size()));

    int index = 0;
    std::size_t pos = 0;
    while (index < 8)
    {
        pos = view.find_first_not_of(',', pos);
        if (pos == std::string_view::npos)
            break;
        const std::size_t end = std::min(view.find(',', pos), view.size());
        const std::int32_t value = LaunchInt(std::string(view.substr(pos, end - pos)).c_str());
        switch (index)
        {
        case 0:
            info.bMusicOn = value != 0;
            break;
        case 1:
            info.iMusicVolume = value;
            break;
        case 2:
            info.bSoundOn = value != 0;
            break;
        case 3:
            info.iSoundVolume = value;
            break;
        case 4:
            info.bSpeechOn = value != 0;
            break;
        case 5:
            info.iSpeechVolume = value;
            break;
        case 6:
            info.iSetRadioChoice = value;
            break;
        default:
            info.bSetOptionOff = value != 0;
            break;
        }
        ++index;
        pos = end;
    }
}

void ApplyDefaultSettings(AppInfo& info)
{
    info.bMusicOn = true;
    info.bSoundOn = true;
    info.bSpeechOn = true;
    info.iMusicVolume = kDefaultVolume;
    info.iSoundVolume = kDefaultVolume;
    info.iSpeechVolume = kDefaultVolume;
    info.iSetRadioChoice = 0;
    info.bSetOptionOff = false;
}

std::string FormatSettings(const AppInfo& info)
{
    return Sexy::StrFormat("%d,%d,%d,%d,%d,%d,%d,%d", info.bMusicOn ? 1 : 0, info.iMusicVolume, info.bSoundOn ? 1 : 0,
                           info.iSoundVolume, info.bSpeechOn ? 1 : 0, info.iSpeechVolume, info.iSetRadioChoice,
                           info.bSetOptionOff ? 1 : 0);
}

std::wstring TipsText(const std::vector<std::uint8_t>& fileBytes)
{
    const auto* begin = reinterpret_cast<const char*>(fileBytes.data());
    std::string_view text(begin, fileBytes.size());
    text = text.substr(0, std::min(text.find('\0'), text.size()));
    // CR and LF never occur inside a GBK character, so the bytes can be searched as they are.
    std::string out;
    out.reserve(text.size() + text.size() / 2);
    std::size_t pos = 0;
    for (;;)
    {
        const std::size_t crlf = text.find("\r\n", pos);
        out.append(text.substr(pos, crlf == std::string_view::npos ? std::string_view::npos : crlf - pos));
        if (crlf == std::string_view::npos)
            break;
        out.append(kTipsLineBreak);
        pos = crlf + 2;
    }
    return string2wstring(out);
}

void ReadLobbyFiles(const std::string& moduleDir, AppInfo& info)
{
    const std::string up = moduleDir + "..\\";

    char locale[kLocaleNameLen] = {};
    {
        char value[kConfigValueLen] = {};
        GetConfigString(value, "local_name", (up + "local.dat").c_str(), "LOCAL", kDefaultLocale);
        CopyTextField(locale, sizeof(locale), value);
    }

    const std::string lobbyConf = up + Sexy::StrFormat("localdata_%s\\lobby.conf", locale);
    ReadConfigText(info.szDetailUrl, lobbyConf, "GAME_URL", "detail_url_n");
    ReadConfigText(info.szHomeUrl, lobbyConf, "GAME_URL", "home_url");
    ReadConfigText(info.szFindUrl, lobbyConf, "GAME_URL", "find_url");
    ReadConfigText(info.szShopUrl, lobbyConf, "GAME_URL", "shop_url_n");
    ReadConfigText(info.szShowShopUrl, lobbyConf, "GAME_URL", "show_shop_url_n");

    const std::string globalConf = up + "global.conf";
    if (TextLen(info.szVideoServerIp) < kMinUrlLen)
    {
        ReadConfigText(info.szVideoServerIp, globalConf, "VIDEO", "video_server_ip");
        int port = 0;
        GetConfigInt(&port, "video_server_port", globalConf.c_str(), "VIDEO", "0");
        info.iVideoServerPort = port;
    }
    if (TextLen(info.szShopUrl) < kMinUrlLen)
        ReadConfigText(info.szShopUrl, globalConf, "GAME_URL", "shop_url");
    if (TextLen(info.szShowShopUrl) < kMinUrlLen)
        ReadConfigText(info.szShowShopUrl, globalConf, "GAME_URL", "show_shop_url");
    if (TextLen(info.szDetailUrl) < kMinUrlLen)
        ReadConfigText(info.szDetailUrl, globalConf, "GAME_URL", "detail_url");

    AppendLoginData(info.szShopUrl, info, "szShopUrl");
    AppendLoginData(info.szShowShopUrl, info, "szShowShopUrl");
}

} // namespace Ostra
