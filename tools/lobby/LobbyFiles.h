// The lobby's files in the platform root, the folder that holds the games' folders. A game reads
// them as "..\local.dat", "..\localdata_<locale>\lobby.conf" and "..\global.conf".
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lobby
{

// The locale a game falls back to when local.dat does not name one.
inline constexpr const char* kFallbackLocale = "th";
// The locale written into a new local.dat.
inline constexpr const char* kWrittenLocale = "cn";

// The texts the lobby writes into new files (GBK, INI sections and keys the game reads).
std::string LocalDatText();
std::string LobbyConfText();
std::string GlobalConfText();

// The value of key (ASCII case ignored) in [section] of an INI text, as the game's reader finds
// it: the first match, blanks around it dropped, inner runs of whitespace made one blank.
bool FindIniValue(std::string_view text, std::string_view section, std::string_view key, std::string& value);

// A locale name that can be part of a folder name: 1 to 9 letters, digits, '_' or '-'.
bool IsUsableLocale(std::string_view name);

struct LobbyFilesReport
{
    std::string locale;                // the locale whose lobby.conf the game reads
    std::vector<std::string> written;  // paths relative to the root
    std::vector<std::string> kept;     // existing files, left untouched
    std::vector<std::string> warnings; // what the game will miss, in words
};

// Creates the root folder when it is missing and writes each of the three files that does not
// exist yet (an existing one in any letter case counts, since the game finds that one). The
// locale comes from an existing local.dat, else it is kWrittenLocale. False (with a reason) when
// a file or folder cannot be written; a partly written file is removed.
bool PrepareLobbyFiles(const std::string& root, LobbyFilesReport& report, std::string& error);

} // namespace lobby
