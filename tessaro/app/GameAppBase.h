// The application object from which every game derives its own: start-up, launch data, settings,
// and the main window's messages. The game program creates its application, then its table view
// and game window, and sets m_pGameView and m_pGameWnd; it owns all three.
//
// Start-up, in order:
//   - the constructor fixes the window at 1024 x 738, finds the program's folder and makes it the
//     current directory, allows one running copy only (unless ..\multi.dat exists beside the
//     program's folder) and sends the log to user.log there (lines of level 20 and up);
//   - the framework hands the command line to ParseCmdLine, which fills g_AppInfo and ends the
//     program when the lobby gave fewer than 8 values;
//   - Init initialises the framework, reads the desktop's work area, creates the fonts, reads
//     the settings (set.dat) and the lobby's files (see tessaro/app/SettingsFiles.h) and starts a
//     background music picked at random;
//   - the lobby may then hand over a launch block or the path of a recorded game (OnCopyData).
// The destructor saves the settings and stops all music and sounds.
//
// The main window receives the dispatcher's message 1025 for every message from the game server
// (handed to OnGameNetMessage) and the lobby's WM_COPYDATA (handed to OnCopyData).
#pragma once

#include "pop/Point.h"
#include "pop/SexyAppBase.h"
#include "pop/SysFont.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

namespace Ostra
{

class GameViewBase;
class GameWndBase;
class CSoundPlayer;

class GameAppBase : public Sexy::SexyAppBase
{
public:
    // The client size of every game window, in pixels.
    static constexpr int STANDARD_WIDTH = 1024;
    static constexpr int STANDARD_HEIGHT = 738;

    GameAppBase();
    ~GameAppBase() override;

    // ---- The framework's operations ---------------------------------------------------------------
    // The lobby's command line: fills g_AppInfo (tessaro/app/LaunchData.h). With fewer than 8
    // values it shows "启动参数错误。" and ends the program (Shutdown), so Init never runs.
    void ParseCmdLine(const std::string& cmdLine) override;
    // The framework, the work area, the fonts, the settings and the lobby's files. Does nothing for
    // a second copy of the program (which ends at once) or a second call.
    void Init() override;

    // ---- Virtual operations, in the order games rely on ---------------------------------------
    // One received message on the main thread: handed to the game window's FilterNetMessage, or
    // logged as lost when there is no game window yet.
    virtual void OnGameNetMessage(std::uintptr_t wParam, long lParam);
    // The boss key: wParam 0 hides the real window and stops every music and sound (m_bHidden
    // keeps new ones from starting); 1 shows it again and restarts the current music when music
    // is on; other values change nothing. The game's own window procedure calls it.
    virtual void OnBossKey(std::uintptr_t wParam, long lParam);
    // WM_COPYDATA from the lobby; lParam points to the COPYDATASTRUCT, whose cbData bytes at lpData
    // are all that is read. Tag 1 carries the path of a recorded game, handed to the game window's
    // StartReplayGameBase (zero-terminated, even when the lobby's bytes were not); any other tag a
    // launch block (OpenLaunchBlock), whose message goes to the game window's FilterNetMessage as if
    // the game server had sent it. A block of another frame version shows "CopyData Version
    // ERROR![<version>]"; one that cannot be opened (too short, a frame length past the data, a
    // message too long) is logged and shows "CGameFrameDlg: Decryption failed!". Nothing happens
    // for an empty block; without a game window the block is logged as lost.
    virtual void OnCopyData(std::uintptr_t wParam, long lParam);
    // An operation each game supplies; the library never calls it.
    virtual void GameAppReserved() = 0;
    // The system's message box (Ostra::MsgDlg, dialog 100): buttonMode 1 one button, any other
    // two; a countdown that answers timeoutResult by itself after countdown seconds (0: never); pos
    // (0, 0) centres it, modal and extra mark it. Waits for the answer and returns it (1000 OK,
    // 1001 Cancel). Off the main thread, before Init and while shutting down, the framework's
    // message box stands in with the same answers. The narrow forms take GBK text.
    virtual int ShowMessage(char* text, int buttonMode, int timeoutResult, int countdown, Sexy::TPoint<int> pos,
                            bool modal, int extra);
    virtual int ShowMessage(std::wstring text, int buttonMode, int timeoutResult, int countdown, Sexy::TPoint<int> pos,
                            bool modal, int extra);
    virtual int ShowMessage(std::string text, int buttonMode, int timeoutResult, int countdown, Sexy::TPoint<int> pos,
                            bool modal, int extra);
    // The shared skin images (tessaro/app/SkinImages.h): loaded by Init from the program's folder
    // (before the fonts) and released by the destructor (last). The destructor runs when the
    // game's own parts are gone, so it calls this class's FinalAppBaseRes, never a game's
    // override. A game that creates its table view before Init gets no pictures on the view's
    // buttons: create the view and the window in the application's Init, after this class's.
    virtual void InitAppBaseRes();
    virtual void FinalAppBaseRes();

    // Routes 1025 and WM_COPYDATA to the operations above; the rest goes to the framework.
    bool HandleWindowMessage(unsigned msg, platform::WPARAM wParam, platform::LPARAM lParam,
                             platform::LRESULT* result) override;

    // ---- Sound and music ------------------------------------------------------------------------
    // Everything here follows the settings in g_AppInfo (bMusicOn, bSoundOn, bSpeechOn and their
    // volumes 0 to 1000) and starts nothing while m_bHidden is set or, for files, without the
    // framework's music interface. Files are the system's names, relative to the program's folder.
    //
    // How many background music files "wav\\0%d.mp3" (0, 1, 2 ...) exist in the program's folder,
    // counted up to the first gap (at most 1000: higher ids are the sound player's own).
    int GetBackMusicNum();
    // Background music by number (0 to m_nBackMusicNum - 1; others do nothing), or a file under an
    // id, as the current background music: the music playing before stops and m_nCurMusic becomes
    // the id the file plays under. The game window moves on to the next number when it ends.
    void PlayMusic(int number);
    void PlayMusic(std::string name, int id);
    // A framework sample as an effect or as speech. The framework's effects volume applies (see
    // SetSfxVolume).
    void PlaySoundA(int sample);
    void PlaySpeech(int sample);
    // A file as an effect (returns the id it plays under, -1 when nothing plays) or as speech.
    int PlaySoundA(std::string name);
    void PlaySpeech(std::string name);
    // Re-apply the framework's stored music and effects volumes (mMusicVolume, mSfxVolume) to the
    // music interface and the sound manager; the value given is not stored.
    void SetMusicVolume(double volume) override;
    void SetSfxVolume(double volume) override;

    // ---- Pictures and screenshots -------------------------------------------------------------
    // The name unchanged when a file of exactly that name exists, else the name in the platform's
    // shared skin folder beside the program's ("..\\GameSkin\\0\\<name>"). For games' own pictures.
    std::string GetImageFileName(std::string name);
    // Saves what the window shows as a JPEG on the user's desktop, named "<user id>_<0..9999>.jpg"
    // (the click of the camera first), and returns that name without its folder; an empty name when
    // there is no screen yet or the file cannot be written.
    std::wstring TakeScreenshot();

    // ---- Settings -----------------------------------------------------------------------------
    // Reads set.dat from the program's folder into g_AppInfo (the defaults when it cannot be read),
    // then the lobby's files. Init calls it after ParseCmdLine, whose login token the shop
    // addresses carry.
    void ReadSet();
    // Writes the settings of g_AppInfo to set.dat in the program's folder, replacing it. The
    // destructor calls it once the settings have been read (so a program that never got as far as
    // reading them leaves the player's file alone).
    void WriteSet();
    // Reads properties\tips.dat of the program's folder into m_strTips (empty without the file).
    // Games call it when they need the tips.
    void ReadTips();

    // ---- Members, in order --------------------------------------------------------------------
    GameViewBase* m_pGameView = nullptr;
    GameWndBase* m_pGameWnd = nullptr;
    // "宋体" 9 point, "Arial" 10 point and "宋体" 12 point bold; created by Init, owned here.
    std::unique_ptr<Sexy::SysFont> m_pFont;
    std::unique_ptr<Sexy::SysFont> m_pArialFont;
    std::unique_ptr<Sexy::SysFont> m_pBoldFont;
    // The window fills the work area (set by the game); no title-bar drag then.
    bool m_bMaximized = false;
    // The desktop's work area, at least 1024 x 738; read by Init, 1024 x 738 until then.
    std::int32_t m_nMaxWidth = STANDARD_WIDTH;
    std::int32_t m_nMaxHeight = STANDARD_HEIGHT;
    std::wstring m_strTips;
    // The program's folder in the system's text, ending in a separator; empty when it could not be
    // found (files are then looked for in the current directory).
    char m_szModuleDir[260] = {};
    // The boss key has hidden the window: nothing plays.
    bool m_bHidden = false;
    // Plays the sound files; created by the constructor, owned here.
    std::unique_ptr<CSoundPlayer> m_pSoundPlayer;
    // The background music playing, -1 for none; the number of music files, counted by the
    // constructor.
    std::int32_t m_nCurMusic = -1;
    std::int32_t m_nBackMusicNum = 0;

protected:
    // How the application settles in at construction. A game uses the default constructor; tests and
    // tools that run the application on a folder tree of their own, or beside other users of the
    // process's current directory and log, choose here.
    struct StartupOptions
    {
        // The program's folder in the system's text; a '/' is added when it ends in no separator.
        // Empty: the folder of the running program.
        std::string strModuleDir;
        // Make that folder the current directory.
        bool bChangeDirectory = true;
        // Send the log to user.log in the current directory (levels 20 and up, daily files).
        bool bConfigureLog = true;

        // Run on the folder `dir` (empty: the program's own) and leave the process's current
        // directory and log alone: for hosts that share the process with other users of both.
        static StartupOptions Contained(std::string dir = {})
        {
            StartupOptions options;
            options.strModuleDir = std::move(dir);
            options.bChangeDirectory = false;
            options.bConfigureLog = false;
            return options;
        }
    };
    explicit GameAppBase(const StartupOptions& options);

private:
    void FindModuleDir(const std::string& moduleDir);
    // The first background music, at random, and stopping all music and sounds at the end.
    void StartBackMusic();
    void StopAllAudio();
    void OnReplayPath(const platform::COPYDATASTRUCT& data);
    void OnLaunchBlock(const platform::COPYDATASTRUCT& data);

    bool m_bSettingsRead = false;
};

} // namespace Ostra
