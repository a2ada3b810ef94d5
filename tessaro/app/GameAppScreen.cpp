#include "tessaro/app/GameAppBase.h"

#include "platform/Path.h"
#include "platform/Text.h"
#include "pop/Common.h"
#include "pop/Image.h"
#include "pop/MusicInterface.h"
#include "pop/SoundManager.h"
#include "tessaro/app/AppInfo.h"
#include "tessaro/net/Log.h"

#include <cstdlib>
#include <memory>

namespace Ostra
{

namespace
{

constexpr int kLogLevel = 20;
// The lobby's shared skin, beside the program's folder.
constexpr const char* kSharedSkinFolder = "..\\GameSkin\\0\\%s";

// A folder of the file system as a system name: its GBK form when that leads back to it, else its
// bytes as they are (which the file helpers keep as they are).
std::string SystemName(const std::string& native)
{
    const std::string gbk = platform::Utf8ToGbk(native);
    return platform::NativePathSpelling(gbk) == native ? gbk : native;
}

} // namespace

std::string GameAppBase::GetImageFileName(std::string name)
{
    if (Sexy::FileExists(name))
        return name;
    return Sexy::StrFormat(kSharedSkinFolder, name.c_str());
}

std::wstring GameAppBase::TakeScreenshot()
{
    PlaySoundA(std::string("sound\\screenshot.ogg"));
    if (!GetScreenImage())
        return std::wstring();
    const int number = std::rand() % 10000;
    const std::string file = Sexy::StrFormat("%d_%d.jpg", g_AppInfo.iUserId, number);
    std::string folder = SystemName(platform::DesktopDir());
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    std::unique_ptr<Sexy::MemoryImage> pixels = ReadWindowPixels();
    if (!pixels)
        return std::wstring();
    // A name is only worth reporting for a file that is there: a desktop folder that is missing or
    // not writable gives an empty name, as a screen that cannot be read does.
    if (!ImageLib::WriteJPEGImage(folder + file, pixels.get()))
    {
        WriteLog(kLogLevel, "GameAppBase", "screenshot not written[%s%s]", folder.c_str(), file.c_str());
        return std::wstring();
    }
    // Writing took time the frame loop must not try to catch up on.
    ClearUpdateBacklog(false);
    return platform::GbkToWide(file);
}

void GameAppBase::OnBossKey(std::uintptr_t wParam, long)
{
    if (wParam == 0)
    {
        ShowWindow(false);
        m_bHidden = true;
        if (g_AppInfo.bMusicOn && mMusicInterface)
            mMusicInterface->StopAllMusic();
        if (mSoundManager)
            mSoundManager->StopAllSounds();
    }
    else if (wParam == 1)
    {
        ShowWindow(true);
        m_bHidden = false;
        if (g_AppInfo.bMusicOn)
            PlayMusic(m_nCurMusic);
    }
}

} // namespace Ostra
