#include "tessaro/app/GameAppBase.h"

#include "platform/Path.h"
#include "platform/Text.h"
#include "pop/Common.h"
#include "pop/MusicInterface.h"
#include "pop/SoundManager.h"
#include "tessaro/app/AppInfo.h"
#include "tessaro/app/LaunchData.h"
#include "tessaro/app/SettingsFiles.h"
#include "tessaro/app/SoundPlayer.h"
#include "tessaro/net/Log.h"
#include "tessaro/session/GameWndBase.h"
#include "tessaro/widgets/TextConversion.h"

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <unistd.h>
#include <vector>

namespace Ostra
{

namespace
{

constexpr int kLogLevel = 20;
// WM_COPYDATA tag of the path of a recorded game; every other tag carries a launch block.
constexpr std::uintptr_t kCopyDataReplayPath = 1;

// The game's log: console and user.log with daily files, errors only, every part of the line but
// the thread identifier.
constexpr int kLogOutput = 0x01 | 0x02 | 0x04;
constexpr int kLogFormat = 0x77;

bool EndsInSeparator(const std::string& dir)
{
    return !dir.empty() && (dir.back() == '/' || dir.back() == '\\');
}

} // namespace

GameAppBase::GameAppBase() : GameAppBase(StartupOptions{}) {}

GameAppBase::GameAppBase(const StartupOptions& options)
{
    mWidth = STANDARD_WIDTH;
    mHeight = STANDARD_HEIGHT;

    FindModuleDir(options.strModuleDir);
    if (options.bChangeDirectory && m_szModuleDir[0] != '\0')
    {
        if (chdir(platform::ResolvePath(m_szModuleDir).c_str()) != 0)
            WriteLog(kLogLevel, "GameAppBase", "cannot enter the program's folder[%s]", m_szModuleDir);
    }

    // Several copies of a game may run only where the platform put multi.dat beside its folder.
    mOnlyAllowOneCopyToRun = !FileExists(std::string(m_szModuleDir) + "..\\multi.dat");

    m_nBackMusicNum = GetBackMusicNum();
    m_pSoundPlayer = std::make_unique<CSoundPlayer>(this);

    if (options.bConfigureLog)
    {
        LogConfig config{};
        config.iOutput = kLogOutput;
        config.iMinLevel = kLogLevel;
        config.iFormat = kLogFormat;
        std::snprintf(config.szFileName, sizeof(config.szFileName), "user");
        InitLog(config);
    }
}

GameAppBase::~GameAppBase()
{
    if (m_bSettingsRead)
        WriteSet();
    m_pFont.reset();
    m_pArialFont.reset();
    m_pBoldFont.reset();
    StopAllAudio();
    m_pSoundPlayer.reset();
    FinalAppBaseRes();
}

void GameAppBase::FindModuleDir(const std::string& moduleDir)
{
    std::string dir = moduleDir;
    if (dir.empty())
    {
        const std::string native = platform::ProgramDir();
        if (native.empty() || native.front() != '/')
            return; // not found: everything stays relative to the current directory
        const std::string nativeDir = native.back() == '/' ? native : native + "/";
        // The folder as system text: GBK when the name has a GBK form that leads back to it,
        // otherwise its bytes as they are (which the file helpers keep as they are).
        const std::string gbk = platform::Utf8ToGbk(nativeDir);
        if (platform::NativePathSpelling(gbk) == nativeDir)
            dir = gbk;
        else if (platform::NativePathSpelling(nativeDir) == nativeDir)
            dir = nativeDir;
        else
            return;
    }
    else if (!EndsInSeparator(dir))
    {
        dir += '/';
    }
    if (dir.size() >= sizeof(m_szModuleDir))
    {
        WriteLog(kLogLevel, "GameAppBase", "program folder too long[%zu]", dir.size());
        return;
    }
    std::memcpy(m_szModuleDir, dir.c_str(), dir.size() + 1);
}

// ---- Start-up -------------------------------------------------------------------------------------

void GameAppBase::ParseCmdLine(const std::string& cmdLine)
{
    if (ParseLaunchArgs(cmdLine, g_AppInfo) < kMinLaunchTokens)
    {
        Sexy::SexyAppBase::MsgBox(std::string("启动参数错误。"), std::string("Message"), Sexy::MB_OK);
        Shutdown();
    }
}

void GameAppBase::Init()
{
    if (IsInitialized() || IsSecondCopy())
        return;
    if (m_szModuleDir[0] != '\0')
        LoadProperties(std::string(m_szModuleDir) + "properties\\default.properties");
    else
        LoadProperties();
    Sexy::SexyAppBase::Init();
    if (!IsInitialized())
        return; // a second copy: it ends at once
    // Asked only now that the framework has settled on a window or none: asking earlier would start
    // the desktop's video system for a program that then runs headless.
    const Sexy::Rect workArea = GetWorkArea();
    m_nMaxWidth = std::max(workArea.mWidth, STANDARD_WIDTH);
    m_nMaxHeight = std::max(workArea.mHeight, STANDARD_HEIGHT);
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    InitAppBaseRes();
    std::setlocale(LC_ALL, "");

    m_pFont = std::make_unique<Sexy::SysFont>("宋体", 9, false, false, false);
    if (!m_pFont->IsValid())
    {
        // The string table may name a face this system has.
        const std::string face = Sexy::WStringToString(GetString("STR_DEFAULT_FONT", "宋体"));
        m_pFont = std::make_unique<Sexy::SysFont>(face, GetInteger("STR_DEFAULT_FONT_SIZE", 9), false, false, false);
    }
    m_pArialFont = std::make_unique<Sexy::SysFont>("Arial", 10, false, false, false);
    m_pBoldFont = std::make_unique<Sexy::SysFont>("宋体", 12, true, false, false);

    ReadSet();
    StartBackMusic();
}

void GameAppBase::StartBackMusic()
{
    if (m_nBackMusicNum <= 0)
        return;
    m_nCurMusic = -1;
    PlayMusic(std::rand() % m_nBackMusicNum);
}

void GameAppBase::StopAllAudio()
{
    // The framework releases its interfaces at its orderly end; a program that never ran its loop
    // still has them here.
    if (mMusicInterface)
    {
        mMusicInterface->StopAllMusic();
        mMusicInterface->UnloadAllMusic();
    }
    if (mSoundManager)
        mSoundManager->ReleaseAllSounds();
}

// ---- Settings -------------------------------------------------------------------------------------

void GameAppBase::ReadSet()
{
    std::vector<std::uint8_t> bytes;
    if (ReadBufferFromFile(std::string(m_szModuleDir) + "set.dat", bytes))
        ApplySettingsText(bytes, g_AppInfo);
    else
        ApplyDefaultSettings(g_AppInfo);
    ReadLobbyFiles(m_szModuleDir, g_AppInfo);
    m_bSettingsRead = true;
}

void GameAppBase::WriteSet()
{
    const std::string text = FormatSettings(g_AppInfo);
    if (!WriteBytesToFile(std::string(m_szModuleDir) + "set.dat", text.data(), text.size()))
        WriteLog(kLogLevel, "GameAppBase", "cannot write set.dat");
}

void GameAppBase::ReadTips()
{
    std::vector<std::uint8_t> bytes;
    if (ReadBufferFromFile(std::string(m_szModuleDir) + "properties\\tips.dat", bytes))
        m_strTips = TipsText(bytes);
    else
        m_strTips.clear();
}

// ---- Messages -------------------------------------------------------------------------------------

void GameAppBase::OnGameNetMessage(std::uintptr_t wParam, long lParam)
{
    if (!m_pGameWnd)
    {
        WriteLog(20, "GameAppBase::OnGameNetMessage", "lost net message");
        return;
    }
    m_pGameWnd->FilterNetMessage(wParam, lParam);
}

int GameAppBase::ShowMessage(char* text, int buttonMode, int timeoutResult, int countdown, Sexy::TPoint<int> pos,
                             bool modal, int extra)
{
    return ShowMessage(string2wstring(text ? std::string(text) : std::string()), buttonMode, timeoutResult, countdown,
                       pos, modal, extra);
}

int GameAppBase::ShowMessage(std::string text, int buttonMode, int timeoutResult, int countdown, Sexy::TPoint<int> pos,
                             bool modal, int extra)
{
    return ShowMessage(string2wstring(text), buttonMode, timeoutResult, countdown, pos, modal, extra);
}

void GameAppBase::OnCopyData(std::uintptr_t, long lParam)
{
    const auto* data = reinterpret_cast<const platform::COPYDATASTRUCT*>(static_cast<std::intptr_t>(lParam));
    if (!data || static_cast<std::int32_t>(data->cbData) <= 0)
        return;
    if (!data->lpData)
    {
        WriteLog(kLogLevel, "GameAppBase::OnCopyData", "no data[%u]", data->cbData);
        return;
    }
    if (data->dwData == kCopyDataReplayPath)
        OnReplayPath(*data);
    else
        OnLaunchBlock(*data);
}

void GameAppBase::OnReplayPath(const platform::COPYDATASTRUCT& data)
{
    if (!m_pGameWnd)
    {
        WriteLog(kLogLevel, "GameAppBase::OnCopyData", "lost replay path");
        return;
    }
    // The path ends at its zero byte or with the data, whichever comes first; the game window gets
    // a zero-terminated copy of its own.
    const auto* bytes = static_cast<const char*>(data.lpData);
    std::vector<char> path(bytes, bytes + strnlen(bytes, data.cbData));
    path.push_back('\0');
    m_pGameWnd->StartReplayGameBase(path.data());
}

void GameAppBase::OnLaunchBlock(const platform::COPYDATASTRUCT& data)
{
    std::vector<char> message(kLaunchBlockBufLen, '\0');
    unsigned char version = 0;
    const int len = OpenLaunchBlock(static_cast<const unsigned char*>(data.lpData), data.cbData, message.data(),
                                    static_cast<int>(message.size()), &version);
    if (len == kLaunchBlockVersionError)
    {
        // The version byte shows as a signed char widened to 32 bits, as the lobby's people know it.
        const auto shown = static_cast<unsigned>(static_cast<int>(static_cast<signed char>(version)));
        MsgBox(Sexy::StrFormat("CopyData Version ERROR![%x]", shown), std::string("Message"), Sexy::MB_OK);
        return;
    }
    if (len < 0)
    {
        if (len == kLaunchBlockLengthError)
            WriteLog(kLogLevel, "CGameFrameDlg", "OnCopyData frame length beyond cbData[%u]", data.cbData);
        WriteLog(kLogLevel, "CGameFrameDlg", "OnCopyData,iIndex");
        MsgBox(std::string("CGameFrameDlg: Decryption failed!"), std::string("Message"), Sexy::MB_OK);
        return;
    }
    if (!m_pGameWnd)
    {
        WriteLog(kLogLevel, "GameAppBase::OnCopyData", "lost launch block");
        return;
    }
    m_pGameWnd->FilterNetMessage(reinterpret_cast<std::uintptr_t>(message.data()), len);
}

bool GameAppBase::HandleWindowMessage(unsigned msg, platform::WPARAM wParam, platform::LPARAM lParam,
                                      platform::LRESULT* result)
{
    if (msg == platform::WM_GAME_NETMSG)
    {
        // wParam is an address in this process: only the session's own dispatcher may send it.
        // The same number from another process (any program can reach the window) is refused.
        const Dispacher* dispatcher = m_pGameWnd ? m_pGameWnd->m_pDispacher.get() : nullptr;
        if (m_pGameWnd && (!dispatcher || !dispatcher->IsDelivering(wParam)))
        {
            WriteLog(20, "GameAppBase::OnGameNetMessage", "message 1025 not from the dispatcher refused");
            *result = 0;
            return true;
        }
        OnGameNetMessage(wParam, static_cast<long>(lParam));
        *result = 0;
        return true;
    }
    if (msg == platform::WM_COPYDATA)
    {
        OnCopyData(wParam, static_cast<long>(lParam));
        *result = 1;
        return true;
    }
    return Sexy::SexyAppBase::HandleWindowMessage(msg, wParam, lParam, result);
}

} // namespace Ostra
