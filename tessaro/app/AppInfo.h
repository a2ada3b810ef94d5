// AppInfo: the one record of launch data, settings, web addresses and the current table's values,
// shared by the application, the game window, the table view, the settings dialog and the game
// program (Ostra::g_AppInfo, zero at program load).
//
// Text fields are zero-terminated GBK text of the given capacity in bytes. The launch values come
// from the lobby's command line (token numbers in the comments), the settings from set.dat, the web
// addresses from the lobby's configuration files; the table values are written by the game window
// and the table view as the server's messages arrive. Fields named after their token number
// (szLaunchArg8, iLaunchArg14...) are kept for the game program; the library does not read them.
#pragma once

#include "platform/WindowBus.h"

#include <cstdint>

namespace Ostra
{

struct AppInfo
{
    char szServerAddr[32];            // token 0: the game server's dotted-decimal address
    std::int32_t iServerPort;         // token 1
    char szLaunchArg13[32];           // token 13
    std::int32_t iLaunchArg14;        // token 14
    std::int32_t iUserId;             // token 2: the local user's id
    char szLaunchArg30[32];           // token 30
    std::int32_t iLaunchArg3;         // token 3: sent in the GM force-kick chat message
    std::int32_t iVipLevel;           // from the user's own player record
    char szGameName[32];              // token 5: the game's display name
    char szLaunchArg6[32];            // token 6
    platform::WindowHandle hLobbyWnd; // token 7: the lobby's window (low 32 bits)
    char szLaunchArg8[200];           // token 8
    std::int8_t cLaunchArg9;          // token 9
    char szToken[32];                 // token 10: the login token of the shop links
    std::int32_t iLaunchArg20;        // token 20
    std::int64_t llLaunchArg22;       // token 22
    std::int32_t iPlayMinutes;        // token 23: minutes played today
    std::int64_t tPlayStart;          // start (seconds) of the play period being counted
    char szLaunchArg24[300];          // token 24
    char szLaunchArg25[300];          // token 25
    char szLaunchArg33[300];          // token 33
    bool bSoundOn;                    // set.dat 2
    std::int32_t iSoundVolume;        // set.dat 3, 0..1000
    bool bMusicOn;                    // set.dat 0
    std::int32_t iMusicVolume;        // set.dat 1, 0..1000
    bool bSpeechOn;                   // set.dat 4
    std::int32_t iSpeechVolume;       // set.dat 5, 0..1000
    std::int32_t iSetRadioChoice;     // set.dat 6
    bool bSetOptionOff;               // set.dat 7
    char szLaunchUrl17[300];          // token 17: the help address
    char szHomeUrl[300];              // lobby.conf home_url
    char szFindUrl[300];              // lobby.conf find_url
    char szMoneyName[300];            // the game program: the currency of paid functions
    char szShopUrl[300];              // shop address, token appended
    char szShowShopUrl[300];          // second shop address, token appended
    char szVideoServerIp[35];         // global.conf video_server_ip
    std::int32_t iVideoServerPort;    // global.conf video_server_port
    char szLaunchArg15[26];           // token 15
    char szLaunchUrl16[300];          // token 16: the shop after a kick for lack of money
    char szLaunchArg19[300];          // token 19
    char szDetailUrl[300];            // player-details page address
    char szTableName[32];             // the table's display name
    std::int32_t iTableNo;            // the local user's table number
    std::int32_t iChairId;            // the local user's chair (server numbering)
    std::int32_t iWatchChairId;       // the chair a looker watches; -1 for a seated player
    char szNickName[16];              // the local user's nick name
    bool bTableFlag;
    std::int32_t iTableParamA;
    std::int32_t iTableParamB;
    std::int32_t iRoomType; // token 27, then the game window: 1, 2 anti-cheat, 3 ...
    std::int32_t iTableParamC;
    std::int32_t iTableParamF;
    bool bAgainLogin;            // set by the login-again response
    std::int32_t iGameBaseTimes; // the table's stake unit
    std::int32_t iGameState;     // above 0 while a game runs at the table
    std::int32_t iMaxPlayerNum;  // token 28, then 7: seats per table
    bool bChatForbidden;
    std::int8_t cEscapeMode;      // token 18
    std::int8_t cMemberLevel;     // token 26
    std::int32_t iLaunchArg29;    // token 29
    std::int32_t bSmallUserImage; // the game program: portrait size choice
    std::int8_t cSkipShopOnKick;  // the game program
    std::int32_t iTableParamH;
    bool bReplay;           // token 31: replay mode, nothing is sent
    std::int32_t iMaxTimes; // token 32, then the game window: cap of the stake multiplier
    bool bQuickMatchTable;
    std::int8_t cQuickMatchFlag2;
    std::int32_t iTableParamG;
    std::int32_t iTableParamD;
    std::int32_t iTableParamE;
    std::int32_t iRightMask; // token 4, then the own player record
    bool bGmRightA;          // bit value 4 of iRightMask
    bool bGmRightB;          // bit value 8 of iRightMask
    bool bReadySent;         // the automatic ready answer went out, no game since
    std::int8_t cNoSend;     // the game program: 1 sends nothing to the server
};

// The process's record.
extern AppInfo g_AppInfo;

} // namespace Ostra
