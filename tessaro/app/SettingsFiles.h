// The files behind the player's settings and the lobby's web addresses, as free functions on
// AppInfo so that each can be tested on its own; GameAppBase::ReadSet, WriteSet and ReadTips call
// them.
//
//   set.dat       in the program's folder: one line without line end, eight decimal numbers
//                 separated by commas: music on, music volume, sound on, sound volume, speech on,
//                 speech volume, the radio choice and the option flag of the settings dialog.
//   tips.dat      in the program's folder, under properties: the game's tips text (GBK).
//   the lobby's   one folder up from the program's folder: local.dat ([LOCAL] local_name, the
//   files         locale), localdata_<locale>/lobby.conf ([GAME_URL] addresses) and global.conf
//                 ([VIDEO] the video server, [GAME_URL] the addresses lobby.conf lacks).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Ostra
{

struct AppInfo;

// Only this many characters of set.dat are looked at.
inline constexpr std::size_t kSettingsTextMax = 254;
// The volume every sound starts at without a settings file.
inline constexpr int kDefaultVolume = 500;
// The locale when local.dat does not name one.
inline constexpr char kDefaultLocale[] = "th";
// The buffer the locale name is read into: longer names are cut to 9 characters.
inline constexpr std::size_t kLocaleNameLen = 10;
// An address of fewer characters counts as missing; one of more characters gets the login data.
inline constexpr std::size_t kMinUrlLen = 5;

// Applies the text of set.dat: values separated by commas (a run of commas is one separator), in
// the order above; numbers are read like LaunchInt, a switch is on when its number is not 0. The
// text ends at its first zero byte or after kSettingsTextMax characters; values from the ninth on
// are ignored and settings without a value keep what they held.
void ApplySettingsText(const std::vector<std::uint8_t>& text, AppInfo& info);

// The settings without a file: everything on at 500, the radio choice 0 and the option flag off.
void ApplyDefaultSettings(AppInfo& info);

// The text WriteSet stores: "%d,%d,%d,%d,%d,%d,%d,%d" in the order above, switches as 0 or 1.
std::string FormatSettings(const AppInfo& info);

// The tips text of tips.dat: up to its first zero byte, every CR LF replaced by two ideographic
// spaces, converted from GBK.
std::wstring TipsText(const std::vector<std::uint8_t>& fileBytes);

// Reads the lobby's files from the folder above moduleDir (the program's folder in the system's
// text, ending in a separator; empty: the current directory) into the web addresses and the video
// server of info:
//   1. the locale from local.dat (default "th");
//   2. detail_url_n, home_url, find_url, shop_url_n and show_shop_url_n of lobby.conf (default
//      empty);
//   3. from global.conf: the video server's address and port (default empty and 0) unless info
//      already holds an address of 5 or more characters, then shop_url, show_shop_url and
//      detail_url for each of the shop, second shop and details addresses shorter than 5;
//   4. both shop addresses longer than 5 characters get "&token=<szToken>&tokenId=<iUserId>".
// Values longer than their field are cut to it (after a whole character). An address whose login
// data would not fit its field keeps its text without them: a cut token would only fail at the
// shop. Missing files or keys give the defaults.
void ReadLobbyFiles(const std::string& moduleDir, AppInfo& info);

} // namespace Ostra
