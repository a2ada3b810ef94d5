// The application: the main window, the frame loop, message boxes, properties, file helpers.
//
// A game derives its application class from SexyAppBase, sets mWidth, mHeight, mTitle and the
// other settings in its constructor and runs
//
//     MyApp app;
//     return app.Start(argc, argv); // ParseCmdLine, Init, the frame loop, the orderly end
//
// (or calls SetCommandLine, Init and Start() itself, in that order).
//
// Two modes, one drawing path. Everything is drawn into the screen image (a MemoryImage of
// mWidth x mHeight). Windowed, each drawn frame is then shown in an SDL window. Headless (the
// environment variable POP_HEADLESS=1, or mHeadless set before Init), there is no window, no
// SDL video, no audio and no clipboard; everything else works the same. Windowed mode falls back
// to headless (with a line on standard error) when no display can be opened.
//
// The frame loop. Updates run at a fixed 100 a second on the application's clock (every update
// counts as 10 ms; see SetClock): each step pumps the main window's messages, takes the window's
// input, runs the updates that are due and draws once if the widget manager is dirty. After a
// stall the loop runs at most kMaxCatchUpUpdates updates in a row and forgets the rest, so the
// game never races through a long backlog. Between steps the loop waits for the next update or
// for a window message, whichever comes first; input is looked at every 10 ms.
//
// Threads. The thread that calls Init is the main thread: it owns the main window, runs the loop
// and every handler. Shutdown and MsgBox may be called from any thread; everything else belongs to
// the main thread.
#pragma once

#include "pop/Common.h"
#include "pop/Image.h"
#include "pop/KeyCodes.h"
#include "pop/Listeners.h"
#include "pop/Point.h"

#include "platform/WindowBus.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Sexy
{

class Dialog;
class DialogHost;
class MusicInterface;
class SoundManager;
class WidgetManager;

// MsgBox buttons (the low four bits of its flags) and icons.
inline constexpr int MB_OK = 0x00;
inline constexpr int MB_OKCANCEL = 0x01;
inline constexpr int MB_ABORTRETRYIGNORE = 0x02;
inline constexpr int MB_YESNOCANCEL = 0x03;
inline constexpr int MB_YESNO = 0x04;
inline constexpr int MB_RETRYCANCEL = 0x05;
inline constexpr int MB_ICONERROR = 0x10;
inline constexpr int MB_ICONQUESTION = 0x20;
inline constexpr int MB_ICONWARNING = 0x30;
inline constexpr int MB_ICONINFORMATION = 0x40;

// MsgBox answers: the button that closed the box.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// The hot-key message: the boss key arrives at the main window as WM_HOTKEY with wParam
// kBossHotKeyId. Another process (or thread) may send the same message to the window, which is how
// a hidden window is brought back.
inline constexpr unsigned WM_HOTKEY = 0x0312;
inline constexpr platform::WPARAM kBossHotKeyId = 1;
// System commands of WM_SYSCOMMAND besides SC_MINIMIZE (platform/WindowBus.h).
inline constexpr platform::WPARAM SC_MAXIMIZE = 0xF030;
inline constexpr platform::WPARAM SC_CLOSE = 0xF060;
inline constexpr platform::WPARAM SC_RESTORE = 0xF120;

// Modifier bits of the boss key.
inline constexpr int KEYMOD_CTRL = 1;
inline constexpr int KEYMOD_ALT = 2;
inline constexpr int KEYMOD_SHIFT = 4;

// Mouse cursors of SetCursor.
enum CursorKind
{
    CURSOR_POINTER = 0,  // the arrow
    CURSOR_HAND = 1,     // a pointing hand, over links and buttons
    CURSOR_DRAGGING = 2, // moving something (the window by its title strip)
    CURSOR_TEXT = 3,     // the text bar
    CURSOR_CIRCLE_SLASH = 4,
    CURSOR_SIZEALL = 5,
    CURSOR_SIZENESW = 6,
    CURSOR_SIZENS = 7,
    CURSOR_SIZENWSE = 8,
    CURSOR_SIZEWE = 9, // horizontal resize
    CURSOR_WAIT = 10,
    CURSOR_NONE = 11, // hidden
    NUM_CURSORS
};

// Files, by system file names (GBK, backslashes, any letter case; see platform::ResolvePath).
// True when the file or folder exists.
bool FileExists(const std::string& fileName);
// The whole file into data (replaced). False (data empty) when it is missing, not a regular file,
// larger than 256 MiB or cannot be read.
bool ReadBufferFromFile(const std::string& fileName, std::vector<uint8_t>& data);
// Writes the file anew with len bytes, creating missing folders on the way. False on failure.
bool WriteBytesToFile(const std::string& fileName, const void* data, size_t len);

// The application listens to buttons and dialogs: AddDialog makes it the listener of a dialog that
// has none, so an application can follow its dialogs by overriding DialogButtonDepress. The
// defaults do nothing.
class SexyAppBase : public ButtonListener, public DialogListener
{
public:
    SexyAppBase();
    ~SexyAppBase() override;
    SexyAppBase(const SexyAppBase&) = delete;
    SexyAppBase& operator=(const SexyAppBase&) = delete;

    // ---- Settings, read by Init ---------------------------------------------------------------
    int mWidth = 1024; // the client size of the window and of the screen image
    int mHeight = 738;
    bool mIsWindowed = true;  // false: full screen (SwitchScreenMode changes it later)
    bool mBorderless = false; // a window without the desktop's frame (the game draws its own)
    SexyString mTitle = L"pop";
    // While on, a second copy of the same program does not start: its Start returns 0 at once and
    // its Init does nothing (IsSecondCopy tells). The program is known by mProgramIdentity (the
    // path of the running program unless set), per user. The hold ends with the application object.
    bool mOnlyAllowOneCopyToRun = false;
    std::string mProgramIdentity;
    // No window: see above. Set from POP_HEADLESS by the constructor.
    bool mHeadless = false;
    // The boss key (KEYCODE_UNKNOWN: none) and its modifier bits (KEYMOD_...).
    KeyCode mBossKey = KEYCODE_PAUSE;
    int mBossKeyModifiers = 0;

    // ---- State --------------------------------------------------------------------------------
    // The root of the widget tree, sized to the window; owned by the application.
    WidgetManager* mWidgetManager = nullptr;
    // The main window on the window-message bus; 0 before Init and after the end.
    platform::WindowHandle mHWnd = 0;
    // The program's arguments joined by single blanks (SetCommandLine).
    std::string mCmdLine;
    // Updates run and frames drawn so far.
    int mUpdateCount = 0;
    int mDrawCount = 0;

    // ---- Audio (pop/MusicInterface.h, pop/SoundManager.h) ------------------------------------
    // Created by Init when there is audio (pop/Audio.h decides), else null; an application or a test
    // may put its own in their place. Released at the end of the application.
    std::unique_ptr<MusicInterface> mMusicInterface;
    std::unique_ptr<SoundManager> mSoundManager;
    // The volumes the application keeps, 0 to 1: the music interface's overall volume and the sound
    // manager's effects volume. Init gives them to the interfaces it creates, so they may be set
    // before there is audio.
    double mMusicVolume = 1.0;
    double mSfxVolume = 1.0;
    // Store the volume (clamped to 0..1) and apply it to the music interface or the sound manager
    // when there is one. Applications override them to follow settings of their own.
    virtual void SetMusicVolume(double volume);
    virtual void SetSfxVolume(double volume);
    double GetMusicVolume() const { return mMusicVolume; }
    double GetSfxVolume() const { return mSfxVolume; }
    // A sample file (a system file name) into the sound manager under id; false without a sound
    // manager or when the file cannot be loaded.
    bool LoadSound(int id, const std::string& fileName);
    // Plays the sample under id once, at the effects volume; nothing without a sound manager or for
    // an id that holds no sample.
    void PlaySample(int id);

    // ---- Start and end ------------------------------------------------------------------------
    // Joins argv[1..] with single blanks into mCmdLine and hands it to ParseCmdLine.
    void SetCommandLine(int argc, char** argv);
    // The program's command line; the default does nothing. May call Shutdown to stop the start.
    virtual void ParseCmdLine(const std::string& cmdLine);
    // Creates the screen image, the main window and (windowed) the SDL window. A derived Init calls
    // this one first. Does nothing for a second copy (see mOnlyAllowOneCopyToRun) or a second call.
    virtual void Init();
    // Runs the frame loop until Shutdown, then ends in order: widgets leave the widget manager,
    // the windows close, SDL video ends. Calls Init first when it has not run.
    void Start();
    // The whole life of a program: the one-copy check, SetCommandLine, Init, Start. Returns the
    // process exit status (0; also 0 for a second copy, which ends quietly).
    int Start(int argc, char** argv);
    // Asks the loop to end; from any thread, any number of times. Wakes a waiting loop at once.
    virtual void Shutdown();
    bool IsShuttingDown() const { return mShutdown.load(); }
    bool IsInitialized() const { return mInitialized; }
    bool IsSecondCopy() const { return mSecondCopy; }

    // ---- The loop, step by step (for nested loops and tests) ----------------------------------
    // One step (see above). *updated tells whether an update ran. False once Shutdown was asked.
    bool UpdateAppStep(bool* updated = nullptr);
    // Waits (up to one update interval) until the next update is due or a window message comes.
    void WaitForNextUpdate();
    // One update: the widget manager's UpdateFrame. Overrides call this one.
    virtual void UpdateFrames();
    // Forgets the updates owed for time already past. relaxUpdates false: the next update comes one
    // interval from now; true: the next one is due at once (but only that one).
    void ClearUpdateBacklog(bool relaxUpdates = false);
    // The clock of the loop in milliseconds (default: a monotonic clock). Tests set their own and
    // step it; the widget manager's double clicks follow the same clock.
    using Clock = std::function<uint64_t()>;
    void SetClock(Clock clock);
    uint64_t GetClockMs() const;
    // Replaces the wait of WaitForNextUpdate (in the main loop and in nested loops such as
    // Dialog::WaitForResult) with a call of the hook; null restores the real wait. Tests and
    // headless tools move their clock and feed input there.
    using WaitHook = std::function<void()>;
    void SetWaitHook(WaitHook hook);
    static constexpr int kUpdateIntervalMs = 10;
    static constexpr int kMaxCatchUpUpdates = 10;

    // ---- The screen ---------------------------------------------------------------------------
    // The image everything is drawn into; null before Init.
    MemoryImage* GetScreenImage();
    // A copy of the screen image (null before Init).
    std::unique_ptr<MemoryImage> CopyScreen() const;
    // What the window shows, read back from its renderer; headless the same as CopyScreen.
    std::unique_ptr<MemoryImage> ReadWindowPixels();
    // Draws the whole screen now, dirty or not.
    void Redraw();

    // ---- The main window ----------------------------------------------------------------------
    // The hook for the main window's messages (the game's window procedure), on the main thread:
    // messages sent or posted to mHWnd, WM_CLOSE when the window's close box is pressed, WM_HOTKEY
    // for the boss key. Return true when handled, with *result as the message's result; false
    // gives the default handling: WM_CLOSE and SC_CLOSE end the program (Shutdown), SC_MINIMIZE
    // minimises, SC_RESTORE restores, WM_HOTKEY (kBossHotKeyId) hides a shown window and shows a
    // hidden one; everything else gets 0. WM_COPYDATA's lParam points to a COPYDATASTRUCT valid
    // during the call; message 1025 (platform::WM_GAME_NETMSG) carries the dispatcher's values.
    virtual bool HandleWindowMessage(unsigned msg, platform::WPARAM wParam, platform::LPARAM lParam,
                                     platform::LRESULT* result);
    // wantWindowed false: full screen on the window's display, the screen scaled to fit; is3d is
    // accepted for compatibility and ignored; force applies the mode even when it is current.
    void SwitchScreenMode(bool wantWindowed, bool is3d = false, bool force = false);
    // A CursorKind; unknown numbers give the pointer. Over a widget with mDoFinger the pointer
    // shows as the hand.
    void SetCursor(int cursorNum);
    int GetCursor() const { return mCursorNum; }
    // The cursor shown now: GetCursor, or the hand over a widget that asks for it.
    int GetShownCursor() const { return mShownCursor; }
    void SetTitle(const SexyString& title);
    // The desktop's usable area (without panels). Headless: 0, 0, 1920 x 1040.
    Rect GetWorkArea();
    // The window's top left corner on the desktop. Headless keeps a position of its own, first
    // centred in the work area.
    Point GetWindowPos();
    void MoveWindow(int x, int y);
    // The mouse on the desktop. Headless: where the last mouse event put it.
    Point GetCursorScreenPos();
    void ShowWindow(bool show);
    bool IsWindowShown() const { return mWindowShown; }
    void MinimizeWindow();
    bool IsMinimized() const { return mMinimized; }
    // Brings a minimised window back to its place and size (also what SC_RESTORE does).
    void RestoreWindow();
    // Puts the window in front of the desktop's other windows and asks for the input focus. The
    // desktop may refuse the focus to a program the user is not working with; the window still
    // comes to the top.
    void RaiseWindow();
    // Keeps the window above all windows that are not topmost themselves (true), or lets it take
    // its place among them again (false).
    void SetWindowTopmost(bool topmost);
    bool IsWindowTopmost() const { return mTopmost; }

    // ---- Message boxes ------------------------------------------------------------------------
    // Texts are the system's 8-bit text (GBK). Blocks until the box is closed and returns the
    // answer (IDOK ...). From any thread. On the main thread the loop keeps running (window
    // messages, updates, drawing; no input) while the box is open. With a handler set, the handler
    // answers in every mode, on the calling thread. Otherwise: windowed, a desktop message box;
    // headless, a line on standard error and the answer IDOK.
    virtual int MsgBox(const std::string& text, const std::string& title = "Message", int flags = MB_OK);
    int MsgBox(const std::wstring& text, const std::wstring& title = L"Message", int flags = MB_OK);
    using MsgBoxHandler = std::function<int(const std::string& text, const std::string& title, int flags)>;
    void SetMsgBoxHandler(MsgBoxHandler handler);

    // ---- Dialogs (pop/Dialog.h) ---------------------------------------------------------------
    // The application owns every dialog given to AddDialog: KillDialog takes it out of the widget
    // manager and the registry at once and deletes it as soon as none of its code can be running
    // (at the next loop step outside nested loops, or at the end of the application; see
    // pop/DialogHost.h). Callers never delete a dialog they have added.
    //
    // AddDialog registers the dialog under id (its mId becomes id), replacing (killing) a dialog
    // already registered under that id, and adds it to the widget manager in front of the widgets
    // of its priority; a modal dialog becomes the base of the modal layer, so only it and what is in
    // front of it take input. The dialog gets the focus, and the application becomes its listener
    // when it has none. A dialog that was never given a rectangle (Resize) is centred in the window,
    // sized after its frame picture or its texts first when it has no size. Returns the dialog
    // (null for null).
    Dialog* AddDialog(int id, Dialog* dialog);
    Dialog* AddDialog(Dialog* dialog);
    // False when no such dialog is registered.
    bool KillDialog(int id);
    bool KillDialog(Dialog* dialog);
    Dialog* GetDialog(int id) const;
    int GetDialogCount() const;

    // ---- Images -------------------------------------------------------------------------------
    // A picture by a system file name without extension (LoadImageWithoutExtension); null when it
    // cannot be loaded. The caller owns the image and deletes it.
    DDImage* GetImage(const std::string& fileName, bool commitBits = true);

    // ---- Properties ---------------------------------------------------------------------------
    // properties/default.properties in the program's folder. A text file in UTF-8 (with or without
    // a byte-order mark) or GBK: one KEY=value per line; blanks around key and value are dropped;
    // lines starting with '#' or ';' and lines without '=' are skipped; a later key replaces an
    // earlier one; in values "\n", "\t" and "\\" stand for a line feed, a tab and a backslash.
    // Loading adds to what is loaded. False when the file cannot be read.
    bool LoadProperties();
    bool LoadProperties(const std::string& fileName);
    SexyString GetString(const std::string& key, const SexyString& defaultValue = SexyString());
    SexyString GetString(const std::string& key, const char* defaultGbk);
    // Decimal or 0x hexadecimal, with an optional sign; the default when missing or not a number
    // in the int range.
    int GetInteger(const std::string& key, int defaultValue = 0);
    // true/yes/on/1 and false/no/off/0 in any letter case; the default otherwise.
    bool GetBoolean(const std::string& key, bool defaultValue = false);
    bool HasProperty(const std::string& key) const;
    void SetString(const std::string& key, const SexyString& value);

    // ---- Files (the free functions above) -----------------------------------------------------
    bool FileExists(const std::string& fileName) { return Sexy::FileExists(fileName); }
    bool ReadBufferFromFile(const std::string& fileName, std::vector<uint8_t>& data)
    {
        return Sexy::ReadBufferFromFile(fileName, data);
    }
    bool WriteBytesToFile(const std::string& fileName, const void* data, size_t len)
    {
        return Sexy::WriteBytesToFile(fileName, data, len);
    }

private:
    friend class TestHarness;
    struct Impl;

    // Input, from the window's events or the test harness.
    void InputMouseMove(int x, int y);
    void InputMouseDown(int x, int y, int button);
    void InputMouseUp(int x, int y, int button);
    void InputMouseWheel(int delta);
    void InputMouseExit();
    void InputKeyDown(KeyCode key, int modifiers);
    void InputKeyUp(KeyCode key);
    void InputText(const std::wstring& text);

    platform::LRESULT DispatchWindowMessage(unsigned msg, platform::WPARAM wParam, platform::LPARAM lParam);
    bool AcquireOneCopy();
    void ProcessEvents();
    int DueUpdates(uint64_t now);
    void DrawNow();
    void UpdateCursor();
    void Teardown();
    int ShowDesktopMsgBox(const std::string& text, const std::string& title, int flags, bool onMainThread);

    std::unique_ptr<Impl> mImpl;
    std::unique_ptr<WidgetManager> mWidgetManagerOwner;
    std::unique_ptr<DialogHost> mDialogHost;
    std::atomic<bool> mShutdown{false};
    std::atomic<platform::WindowHandle> mWakeHandle{0};
    bool mInitialized = false;
    bool mTornDown = false;
    bool mSecondCopy = false;
    bool mWindowShown = true;
    bool mMinimized = false;
    bool mTopmost = false;
    int mCursorNum = CURSOR_POINTER;
    int mShownCursor = CURSOR_POINTER;
    int mModalDepth = 0;
    std::map<std::string, SexyString> mProperties;
};

} // namespace Sexy
