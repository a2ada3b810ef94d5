#include "pop/SexyAppBase.h"

#include "pop/Dialog.h"
#include "pop/DialogHost.h"
#include "pop/Graphics.h"
#include "pop/MusicInterface.h"
#include "pop/SoundManager.h"
#include "pop/WidgetManager.h"

#include "platform/Path.h"
#include "platform/Text.h"

#include <SDL.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <filesystem>
#include <mutex>
#include <thread>

namespace Sexy
{

namespace
{

// A private message that only wakes the main thread (Shutdown, a closed message box).
constexpr unsigned kWakeMessage = 0xBF01;

// The work area when there is no desktop to ask.
constexpr int kHeadlessWorkWidth = 1920;
constexpr int kHeadlessWorkHeight = 1040;

// Files larger than this are not read into memory whole.
constexpr off_t kMaxReadBytes = off_t(256) << 20;

struct WindowDeleter
{
    void operator()(SDL_Window* w) const { SDL_DestroyWindow(w); }
};
struct RendererDeleter
{
    void operator()(SDL_Renderer* r) const { SDL_DestroyRenderer(r); }
};
struct TextureDeleter
{
    void operator()(SDL_Texture* t) const { SDL_DestroyTexture(t); }
};
struct CursorDeleter
{
    void operator()(SDL_Cursor* c) const { SDL_FreeCursor(c); }
};

// Holds SDL's video subsystem while it lives.
class VideoSubsystem
{
public:
    VideoSubsystem() = default;
    ~VideoSubsystem() { Release(); }
    VideoSubsystem(const VideoSubsystem&) = delete;
    VideoSubsystem& operator=(const VideoSubsystem&) = delete;

    bool Acquire()
    {
        if (mUp)
            return true;
        if (mFailed)
            return false;
        SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        {
            mFailed = true;
            return false;
        }
        mUp = true;
        return true;
    }
    void Release()
    {
        if (mUp)
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
        mUp = false;
    }
    bool Up() const { return mUp; }

private:
    bool mUp = false;
    bool mFailed = false;
};

// Closes a file descriptor when it goes.
class UniqueFd
{
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : mFd(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    int Get() const { return mFd; }
    int Release()
    {
        int fd = mFd;
        mFd = -1;
        return fd;
    }
    void Reset(int fd = -1)
    {
        if (mFd >= 0)
            ::close(mFd);
        mFd = fd;
    }

private:
    int mFd = -1;
};

uint64_t SteadyMs()
{
    using namespace std::chrono;
    return uint64_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

std::string Utf8(const std::string& gbk)
{
    return platform::GbkToUtf8(gbk);
}

bool EnvFlag(const char* name)
{
    const char* v = std::getenv(name);
    return v && *v && std::strcmp(v, "0") != 0;
}

bool IsValidUtf8(const std::string& s)
{
    size_t i = 0;
    const size_t n = s.size();
    while (i < n)
    {
        unsigned char c = static_cast<unsigned char>(s[i]);
        int extra;
        uint32_t cp;
        if (c < 0x80)
        {
            ++i;
            continue;
        }
        if (c >= 0xC2 && c <= 0xDF)
        {
            extra = 1;
            cp = c & 0x1F;
        }
        else if (c >= 0xE0 && c <= 0xEF)
        {
            extra = 2;
            cp = c & 0x0F;
        }
        else if (c >= 0xF0 && c <= 0xF4)
        {
            extra = 3;
            cp = c & 0x07;
        }
        else
        {
            return false;
        }
        if (n - i <= size_t(extra))
            return false;
        for (int k = 1; k <= extra; ++k)
        {
            unsigned char t = static_cast<unsigned char>(s[i + size_t(k)]);
            if ((t & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (t & 0x3F);
        }
        if ((extra == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
            (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)))
            return false;
        i += size_t(extra) + 1;
    }
    return true;
}

std::wstring Trim(const std::wstring& s)
{
    size_t b = s.find_first_not_of(L" \t\r\f\v");
    if (b == std::wstring::npos)
        return std::wstring();
    size_t e = s.find_last_not_of(L" \t\r\f\v");
    return s.substr(b, e - b + 1);
}

std::wstring Unescape(const std::wstring& s)
{
    std::wstring out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i)
    {
        if (s[i] == L'\\' && i + 1 < s.size())
        {
            wchar_t n = s[i + 1];
            if (n == L'n' || n == L't' || n == L'\\')
            {
                out += n == L'n' ? L'\n' : (n == L't' ? L'\t' : L'\\');
                ++i;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

// The SDL message box buttons of MsgBox flags, in the order shown.
struct BoxButton
{
    int id;
    const char* text;
};

std::vector<BoxButton> ButtonsFor(int flags)
{
    switch (flags & 0x0F)
    {
    case MB_OKCANCEL:
        return {{IDOK, "OK"}, {IDCANCEL, "Cancel"}};
    case MB_ABORTRETRYIGNORE:
        return {{IDABORT, "Abort"}, {IDRETRY, "Retry"}, {IDIGNORE, "Ignore"}};
    case MB_YESNOCANCEL:
        return {{IDYES, "Yes"}, {IDNO, "No"}, {IDCANCEL, "Cancel"}};
    case MB_YESNO:
        return {{IDYES, "Yes"}, {IDNO, "No"}};
    case MB_RETRYCANCEL:
        return {{IDRETRY, "Retry"}, {IDCANCEL, "Cancel"}};
    default:
        return {{IDOK, "OK"}};
    }
}

// Shows a desktop message box and waits for it; the answer, or IDOK when none could be shown.
int RunDesktopBox(SDL_Window* parent, const std::string& text, const std::string& title, int flags)
{
    std::vector<BoxButton> buttons = ButtonsFor(flags);
    std::vector<SDL_MessageBoxButtonData> data;
    for (size_t i = 0; i < buttons.size(); ++i)
    {
        Uint32 f = 0;
        if (i == 0)
            f |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
        if (buttons[i].id == IDCANCEL || buttons[i].id == IDNO || buttons.size() == 1)
            f |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
        data.push_back(SDL_MessageBoxButtonData{f, buttons[i].id, buttons[i].text});
    }
    Uint32 kind = SDL_MESSAGEBOX_INFORMATION;
    int icon = flags & 0xF0;
    if (icon == MB_ICONERROR)
        kind = SDL_MESSAGEBOX_ERROR;
    else if (icon == MB_ICONWARNING)
        kind = SDL_MESSAGEBOX_WARNING;
    std::string text8 = Utf8(text);
    std::string title8 = Utf8(title);
    SDL_MessageBoxData box{kind | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT,
                           parent,
                           title8.c_str(),
                           text8.c_str(),
                           int(data.size()),
                           data.data(),
                           nullptr};
    int answer = -1;
    if (SDL_ShowMessageBox(&box, &answer) != 0)
    {
        std::fprintf(stderr, "pop: no message box (%s): %s: %s\n", SDL_GetError(), title8.c_str(), text8.c_str());
        return IDOK;
    }
    if (answer < 0) // closed without a button: the escape button's answer
    {
        answer = buttons.back().id;
        for (const BoxButton& b : buttons)
            if (b.id == IDCANCEL)
                answer = IDCANCEL;
    }
    return answer;
}

SDL_SystemCursor SystemCursorFor(int kind)
{
    switch (kind)
    {
    case CURSOR_HAND:
        return SDL_SYSTEM_CURSOR_HAND;
    case CURSOR_DRAGGING:
    case CURSOR_SIZEALL:
        return SDL_SYSTEM_CURSOR_SIZEALL;
    case CURSOR_TEXT:
        return SDL_SYSTEM_CURSOR_IBEAM;
    case CURSOR_CIRCLE_SLASH:
        return SDL_SYSTEM_CURSOR_NO;
    case CURSOR_SIZENESW:
        return SDL_SYSTEM_CURSOR_SIZENESW;
    case CURSOR_SIZENS:
        return SDL_SYSTEM_CURSOR_SIZENS;
    case CURSOR_SIZENWSE:
        return SDL_SYSTEM_CURSOR_SIZENWSE;
    case CURSOR_SIZEWE:
        return SDL_SYSTEM_CURSOR_SIZEWE;
    case CURSOR_WAIT:
        return SDL_SYSTEM_CURSOR_WAIT;
    default:
        return SDL_SYSTEM_CURSOR_ARROW;
    }
}

// 0 to 1; what is not a number is silence.
double ClampVolume(double volume)
{
    return volume >= 0.0 ? std::min(volume, 1.0) : 0.0;
}

std::string DefaultProgramIdentity()
{
    char buf[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    if (n <= 0)
        return platform::ProgramDir();
    return std::string(buf, size_t(n));
}

uint64_t Fnv1a(const std::string& s)
{
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : s)
    {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

} // namespace

// ---- Files ------------------------------------------------------------------------------------

bool FileExists(const std::string& fileName)
{
    if (fileName.empty())
        return false;
    struct stat st;
    return ::stat(platform::ResolvePath(fileName).c_str(), &st) == 0;
}

bool ReadBufferFromFile(const std::string& fileName, std::vector<uint8_t>& data)
{
    data.clear();
    if (fileName.empty())
        return false;
    UniqueFd fd(::open(platform::ResolvePath(fileName).c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st;
    if (fd.Get() < 0 || ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxReadBytes)
        return false;
    data.resize(size_t(st.st_size));
    size_t got = 0;
    while (got < data.size())
    {
        ssize_t n = ::read(fd.Get(), data.data() + got, data.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += size_t(n);
    }
    // A file that shrank while being read gives what was there.
    data.resize(got);
    return true;
}

bool WriteBytesToFile(const std::string& fileName, const void* data, size_t len)
{
    if (fileName.empty() || (data == nullptr && len > 0))
        return false;
    std::filesystem::path path(platform::ResolvePath(fileName));
    std::error_code ec;
    if (path.has_parent_path())
        std::filesystem::create_directories(path.parent_path(), ec);
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (fd.Get() < 0)
        return false;
    const auto* bytes = static_cast<const uint8_t*>(data);
    size_t done = 0;
    while (done < len)
    {
        ssize_t n = ::write(fd.Get(), bytes + done, len - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return ::close(fd.Release()) == 0;
}

// ---- The application's inside -----------------------------------------------------------------

struct SexyAppBase::Impl
{
    Clock clock;
    bool scheduleStarted = false;
    uint64_t nextUpdateMs = 0;

    std::unique_ptr<MemoryImage> screen;
    std::thread::id mainThread;
    UniqueFd oneCopy;

    VideoSubsystem video;
    std::unique_ptr<SDL_Window, WindowDeleter> window;
    std::unique_ptr<SDL_Renderer, RendererDeleter> renderer;
    std::unique_ptr<SDL_Texture, TextureDeleter> texture;
    std::unique_ptr<SDL_Cursor, CursorDeleter> cursors[NUM_CURSORS];
    int sdlCursor = CURSOR_POINTER;
    bool needPresent = false;
    // Whether message boxes go to the desktop; read by any thread.
    std::atomic<bool> desktopBoxes{false};

    // Headless stand-ins for the desktop.
    bool virtualPosSet = false;
    Point virtualPos;
    Point virtualCursor;
    bool bossKeyHeld = false;

    std::mutex msgBoxMutex;
    MsgBoxHandler msgBoxHandler;

    WaitHook waitHook;
};

SexyAppBase::SexyAppBase()
    : mImpl(std::make_unique<Impl>()), mWidgetManagerOwner(std::make_unique<WidgetManager>()),
      mDialogHost(std::make_unique<DialogHost>(*this))
{
    mHeadless = EnvFlag("POP_HEADLESS");
    mWidgetManager = mWidgetManagerOwner.get();
    mWidgetManager->Resize(0, 0, mWidth, mHeight);
    mWidgetManager->SetClock([this] { return uint32_t(GetClockMs()); });
}

SexyAppBase::~SexyAppBase()
{
    Teardown();
    // Dialogs still owned (killed inside a nested loop that never ended) go while the widget
    // manager stands.
    mDialogHost.reset();
    mWidgetManager = nullptr;
    mWidgetManagerOwner.reset();
}

// ---- Start and end ------------------------------------------------------------------------------

void SexyAppBase::SetCommandLine(int argc, char** argv)
{
    mCmdLine.clear();
    for (int i = 1; i < argc && argv != nullptr; ++i)
    {
        if (i > 1)
            mCmdLine += ' ';
        if (argv[i] != nullptr)
            mCmdLine += argv[i];
    }
    ParseCmdLine(mCmdLine);
}

void SexyAppBase::ParseCmdLine(const std::string& cmdLine)
{
    (void)cmdLine;
}

bool SexyAppBase::AcquireOneCopy()
{
    if (!mOnlyAllowOneCopyToRun || mImpl->oneCopy.Get() >= 0)
        return true;
    if (mProgramIdentity.empty())
        mProgramIdentity = DefaultProgramIdentity();
    // An abstract socket name: held while the socket is open, gone with the process, whatever
    // way it ends.
    std::string name = StrFormat("pop-one-copy/%u/%016llx", unsigned(::getuid()),
                                 static_cast<unsigned long long>(Fnv1a(mProgramIdentity)));
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path + 1, name.data(), std::min(name.size(), sizeof(addr.sun_path) - 2));
    socklen_t len = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + std::min(name.size(), sizeof(addr.sun_path) - 2));
    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (fd.Get() < 0)
        return true; // cannot tell: rather run than refuse
    if (::bind(fd.Get(), reinterpret_cast<sockaddr*>(&addr), len) != 0)
        return errno != EADDRINUSE;
    mImpl->oneCopy.Reset(fd.Release());
    return true;
}

void SexyAppBase::Init()
{
    if (mInitialized || mSecondCopy)
        return;
    if (!AcquireOneCopy())
    {
        mSecondCopy = true;
        mShutdown = true;
        OutputDebug("pop: another copy of this program runs; this one ends\n");
        return;
    }
    Impl& s = *mImpl;
    s.mainThread = std::this_thread::get_id();
    mWidth = std::clamp(mWidth, 1, 16384);
    mHeight = std::clamp(mHeight, 1, 16384);
    s.screen = std::make_unique<MemoryImage>(mWidth, mHeight);
    s.screen->Clear(Color::Black);
    mWidgetManager->Resize(0, 0, mWidth, mHeight);

    mHWnd = platform::CreateMessageWindow([this](unsigned msg, platform::WPARAM w, platform::LPARAM l)
                                          { return DispatchWindowMessage(msg, w, l); });
    mWakeHandle = mHWnd;

    if (!mHeadless)
    {
        bool ok = s.video.Acquire();
        if (ok)
        {
            Uint32 flags = SDL_WINDOW_HIDDEN;
            if (mBorderless)
                flags |= SDL_WINDOW_BORDERLESS;
            if (!mIsWindowed)
                flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
            std::string title = platform::WideToUtf8(mTitle);
            s.window.reset(SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, mWidth,
                                            mHeight, flags));
            if (s.window)
            {
                s.renderer.reset(SDL_CreateRenderer(s.window.get(), -1, SDL_RENDERER_ACCELERATED));
                if (!s.renderer)
                    s.renderer.reset(SDL_CreateRenderer(s.window.get(), -1, SDL_RENDERER_SOFTWARE));
            }
            if (s.renderer)
            {
                SDL_RenderSetLogicalSize(s.renderer.get(), mWidth, mHeight);
                s.texture.reset(SDL_CreateTexture(s.renderer.get(), SDL_PIXELFORMAT_ARGB8888,
                                                  SDL_TEXTUREACCESS_STREAMING, mWidth, mHeight));
            }
            ok = s.texture != nullptr;
        }
        if (ok)
        {
            SDL_SetTextureBlendMode(s.texture.get(), SDL_BLENDMODE_NONE);
            if (mWindowShown)
                SDL_ShowWindow(s.window.get());
            SDL_StartTextInput();
            s.desktopBoxes = true;
        }
        else
        {
            std::fprintf(stderr, "pop: no window can be opened (%s); running headless\n", SDL_GetError());
            s.texture.reset();
            s.renderer.reset();
            s.window.reset();
            s.video.Release();
            mHeadless = true;
        }
    }
    // Audio once the mode is settled: a program that fell back to headless gets none either (unless
    // the environment asks for it, see pop/Audio.h). Interfaces put in place before Init stay.
    if (!mMusicInterface)
        mMusicInterface = CreateMusicInterface(mHeadless);
    if (!mSoundManager)
        mSoundManager = CreateSoundManager(mHeadless);
    if (mMusicInterface)
        mMusicInterface->SetVolume(mMusicVolume);
    if (mSoundManager)
        mSoundManager->SetVolume(mSfxVolume);
    mInitialized = true;
    mWidgetManager->MarkDirty();
    UpdateCursor();
}

void SexyAppBase::Start()
{
    if (!mInitialized && !mShutdown && !mSecondCopy)
        Init();
    while (!mShutdown)
    {
        UpdateAppStep(nullptr);
        WaitForNextUpdate();
    }
    Teardown();
}

int SexyAppBase::Start(int argc, char** argv)
{
    if (!AcquireOneCopy())
    {
        mSecondCopy = true;
        mShutdown = true;
        OutputDebug("pop: another copy of this program runs; this one ends\n");
        return 0;
    }
    SetCommandLine(argc, argv);
    if (!mShutdown)
        Init();
    Start();
    return 0;
}

void SexyAppBase::Shutdown()
{
    mShutdown = true;
    platform::WindowHandle h = mWakeHandle.load();
    if (h != 0)
        platform::PostWindowMessage(h, kWakeMessage, 0, 0);
}

void SexyAppBase::Teardown()
{
    if (mTornDown)
        return;
    mTornDown = true;
    mShutdown = true;
    Impl& s = *mImpl;
    // Dialogs and widgets first, while everything they may use still stands.
    mDialogHost->KillAll();
    mDialogHost->ReleaseKilled(mModalDepth > 0);
    if (mWidgetManager)
        mWidgetManager->RemoveAllWidgets();
    // Then the audio: nothing that could play is left, and the device closes before SDL goes.
    mMusicInterface.reset();
    mSoundManager.reset();
    // Then the windows.
    mWakeHandle = 0;
    if (mHWnd != 0)
        platform::DestroyMessageWindow(mHWnd);
    mHWnd = 0;
    s.desktopBoxes = false;
    if (s.window)
        SDL_StopTextInput();
    for (auto& c : s.cursors)
        c.reset();
    s.texture.reset();
    s.renderer.reset();
    s.window.reset();
    // Then SDL.
    s.video.Release();
}

// ---- Audio --------------------------------------------------------------------------------------

void SexyAppBase::SetMusicVolume(double volume)
{
    mMusicVolume = ClampVolume(volume);
    if (mMusicInterface)
        mMusicInterface->SetVolume(mMusicVolume);
}

void SexyAppBase::SetSfxVolume(double volume)
{
    mSfxVolume = ClampVolume(volume);
    if (mSoundManager)
        mSoundManager->SetVolume(mSfxVolume);
}

bool SexyAppBase::LoadSound(int id, const std::string& fileName)
{
    return mSoundManager && mSoundManager->LoadSound(id, fileName);
}

void SexyAppBase::PlaySample(int id)
{
    if (mSoundManager)
        mSoundManager->PlaySample(id);
}

// ---- The loop -----------------------------------------------------------------------------------

void SexyAppBase::SetClock(Clock clock)
{
    mImpl->clock = std::move(clock);
    mImpl->scheduleStarted = false;
}

uint64_t SexyAppBase::GetClockMs() const
{
    return mImpl->clock ? mImpl->clock() : SteadyMs();
}

int SexyAppBase::DueUpdates(uint64_t now)
{
    Impl& s = *mImpl;
    // First step, or a clock that went back: start the schedule here.
    if (!s.scheduleStarted || s.nextUpdateMs > now + uint64_t(kUpdateIntervalMs) * kMaxCatchUpUpdates)
    {
        s.scheduleStarted = true;
        s.nextUpdateMs = now;
    }
    if (now < s.nextUpdateMs)
        return 0;
    uint64_t owed = (now - s.nextUpdateMs) / kUpdateIntervalMs + 1;
    if (owed > uint64_t(kMaxCatchUpUpdates))
    {
        // A stall: catch up a little and forget the rest.
        s.nextUpdateMs = now + kUpdateIntervalMs;
        return kMaxCatchUpUpdates;
    }
    s.nextUpdateMs += owed * kUpdateIntervalMs;
    return int(owed);
}

void SexyAppBase::ClearUpdateBacklog(bool relaxUpdates)
{
    mImpl->scheduleStarted = true;
    mImpl->nextUpdateMs = GetClockMs() + (relaxUpdates ? 0 : kUpdateIntervalMs);
}

bool SexyAppBase::UpdateAppStep(bool* updated)
{
    if (updated)
        *updated = false;
    // Killed dialogs go here, where none of their code runs, unless a nested loop is running.
    mDialogHost->ReleaseKilled(mModalDepth > 0);
    if (mShutdown)
        return false;
    platform::PumpWindowMessages(0);
    if (mModalDepth == 0)
        ProcessEvents();
    if (mShutdown)
        return false;
    int due = DueUpdates(GetClockMs());
    for (int i = 0; i < due && !mShutdown; ++i)
    {
        ++mUpdateCount;
        UpdateFrames();
        if (updated)
            *updated = true;
    }
    if (mInitialized && !mTornDown)
    {
        if (mWidgetManager->IsDirty() && mWindowShown && !mMinimized)
            DrawNow();
        else if (mImpl->needPresent)
            Redraw();
    }
    return !mShutdown;
}

void SexyAppBase::SetWaitHook(WaitHook hook)
{
    mImpl->waitHook = std::move(hook);
}

void SexyAppBase::WaitForNextUpdate()
{
    if (mShutdown)
        return;
    Impl& s = *mImpl;
    if (s.waitHook)
    {
        s.waitHook();
        return;
    }
    int waitMs = kUpdateIntervalMs;
    if (s.scheduleStarted)
    {
        uint64_t now = GetClockMs();
        if (s.nextUpdateMs <= now)
            return;
        waitMs = int(std::min<uint64_t>(s.nextUpdateMs - now, kUpdateIntervalMs));
    }
    platform::PumpWindowMessages(waitMs);
}

void SexyAppBase::UpdateFrames()
{
    mWidgetManager->UpdateFrame();
    UpdateCursor();
}

// ---- Dialogs ------------------------------------------------------------------------------------

Dialog* SexyAppBase::AddDialog(int id, Dialog* dialog)
{
    return mDialogHost->Add(id, dialog);
}

Dialog* SexyAppBase::AddDialog(Dialog* dialog)
{
    return dialog != nullptr ? mDialogHost->Add(dialog->mId, dialog) : nullptr;
}

bool SexyAppBase::KillDialog(int id)
{
    return mDialogHost->Kill(id);
}

bool SexyAppBase::KillDialog(Dialog* dialog)
{
    return mDialogHost->Kill(dialog);
}

Dialog* SexyAppBase::GetDialog(int id) const
{
    return mDialogHost->Get(id);
}

int SexyAppBase::GetDialogCount() const
{
    return mDialogHost->Count();
}

// ---- Drawing ------------------------------------------------------------------------------------

MemoryImage* SexyAppBase::GetScreenImage()
{
    return mImpl->screen.get();
}

namespace
{

std::unique_ptr<MemoryImage> OpaqueCopy(const MemoryImage* screen)
{
    if (!screen || !screen->IsValid())
        return nullptr;
    auto copy = screen->Duplicate();
    uint32_t* bits = copy->GetBits();
    const int pitch = copy->GetPitch();
    for (int y = 0; y < copy->GetHeight(); ++y)
        for (int x = 0; x < copy->GetWidth(); ++x)
            bits[size_t(y) * size_t(pitch) + size_t(x)] |= 0xFF000000u;
    copy->BitsChanged();
    return copy;
}

} // namespace

std::unique_ptr<MemoryImage> SexyAppBase::CopyScreen() const
{
    // The window shows the screen without its alpha, so a copy is opaque too.
    return OpaqueCopy(mImpl->screen.get());
}

void SexyAppBase::DrawNow()
{
    Impl& s = *mImpl;
    Graphics g(s.screen.get());
    mWidgetManager->DrawScreen(&g);
    ++mDrawCount;
    s.needPresent = false;
    if (s.renderer)
    {
        SDL_UpdateTexture(s.texture.get(), nullptr, s.screen->GetBits(), s.screen->GetPitch() * 4);
        SDL_SetRenderDrawColor(s.renderer.get(), 0, 0, 0, 255);
        SDL_RenderClear(s.renderer.get());
        SDL_RenderCopy(s.renderer.get(), s.texture.get(), nullptr, nullptr);
        SDL_RenderPresent(s.renderer.get());
    }
}

void SexyAppBase::Redraw()
{
    if (!mInitialized || mTornDown)
        return;
    mWidgetManager->MarkDirty();
    DrawNow();
}

std::unique_ptr<MemoryImage> SexyAppBase::ReadWindowPixels()
{
    Impl& s = *mImpl;
    if (!s.renderer || !s.screen)
        return CopyScreen();
    SDL_Renderer* r = s.renderer.get();
    SDL_UpdateTexture(s.texture.get(), nullptr, s.screen->GetBits(), s.screen->GetPitch() * 4);
    SDL_SetRenderDrawColor(r, 0, 0, 0, 255);
    SDL_RenderClear(r);
    SDL_RenderCopy(r, s.texture.get(), nullptr, nullptr);
    int w = 0, h = 0;
    if (SDL_GetRendererOutputSize(r, &w, &h) != 0 || w <= 0 || h <= 0)
        return nullptr;
    auto image = std::make_unique<MemoryImage>(w, h);
    if (!image->IsValid() ||
        SDL_RenderReadPixels(r, nullptr, SDL_PIXELFORMAT_ARGB8888, image->GetBits(), image->GetPitch() * 4) != 0)
        return nullptr;
    SDL_RenderPresent(r);
    uint32_t* bits = image->GetBits();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            bits[size_t(y) * size_t(image->GetPitch()) + size_t(x)] |= 0xFF000000u;
    image->BitsChanged();
    return image;
}

// ---- Input --------------------------------------------------------------------------------------

void SexyAppBase::ProcessEvents()
{
    if (!mImpl->window)
        return;
    SDL_Event e;
    while (SDL_PollEvent(&e))
    {
        switch (e.type)
        {
        case SDL_QUIT:
            DispatchWindowMessage(platform::WM_CLOSE, 0, 0);
            break;
        case SDL_WINDOWEVENT:
            switch (e.window.event)
            {
            case SDL_WINDOWEVENT_EXPOSED:
                mImpl->needPresent = true;
                break;
            case SDL_WINDOWEVENT_MINIMIZED:
                mMinimized = true;
                break;
            case SDL_WINDOWEVENT_RESTORED:
            case SDL_WINDOWEVENT_MAXIMIZED:
            case SDL_WINDOWEVENT_SHOWN:
                mMinimized = false;
                mWidgetManager->MarkDirty();
                break;
            case SDL_WINDOWEVENT_LEAVE:
                InputMouseExit();
                break;
            default:
                break;
            }
            break;
        case SDL_MOUSEMOTION:
            InputMouseMove(e.motion.x, e.motion.y);
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
        {
            int button = -1;
            if (e.button.button == SDL_BUTTON_LEFT)
                button = WidgetManager::BUTTON_LEFT;
            else if (e.button.button == SDL_BUTTON_RIGHT)
                button = WidgetManager::BUTTON_RIGHT;
            else if (e.button.button == SDL_BUTTON_MIDDLE)
                button = WidgetManager::BUTTON_MIDDLE;
            if (button < 0)
                break;
            if (e.type == SDL_MOUSEBUTTONDOWN)
                InputMouseDown(e.button.x, e.button.y, button);
            else
                InputMouseUp(e.button.x, e.button.y, button);
            break;
        }
        case SDL_MOUSEWHEEL:
        {
            int delta = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
            if (delta != 0)
                InputMouseWheel(delta);
            break;
        }
        case SDL_KEYDOWN:
        {
            int mods = 0;
            if (e.key.keysym.mod & KMOD_CTRL)
                mods |= KEYMOD_CTRL;
            if (e.key.keysym.mod & KMOD_ALT)
                mods |= KEYMOD_ALT;
            if (e.key.keysym.mod & KMOD_SHIFT)
                mods |= KEYMOD_SHIFT;
            KeyCode key = KeyCodeFromSDLKey(e.key.keysym.sym);
            if (key != KEYCODE_UNKNOWN)
                InputKeyDown(key, mods);
            break;
        }
        case SDL_KEYUP:
        {
            KeyCode key = KeyCodeFromSDLKey(e.key.keysym.sym);
            if (key != KEYCODE_UNKNOWN)
                InputKeyUp(key);
            break;
        }
        case SDL_TEXTINPUT:
            InputText(platform::Utf8ToWide(e.text.text));
            break;
        default:
            break;
        }
    }
}

void SexyAppBase::InputMouseMove(int x, int y)
{
    mImpl->virtualCursor = GetWindowPos() + Point(x, y);
    mWidgetManager->MouseMove(x, y);
    UpdateCursor();
}

void SexyAppBase::InputMouseDown(int x, int y, int button)
{
    mImpl->virtualCursor = GetWindowPos() + Point(x, y);
    mWidgetManager->MouseDown(x, y, button);
    UpdateCursor();
}

void SexyAppBase::InputMouseUp(int x, int y, int button)
{
    mImpl->virtualCursor = GetWindowPos() + Point(x, y);
    mWidgetManager->MouseUp(x, y, button);
    UpdateCursor();
}

void SexyAppBase::InputMouseWheel(int delta)
{
    mWidgetManager->MouseWheel(delta);
}

void SexyAppBase::InputMouseExit()
{
    mWidgetManager->MouseExit();
    UpdateCursor();
}

void SexyAppBase::InputKeyDown(KeyCode key, int modifiers)
{
    if (mBossKey != KEYCODE_UNKNOWN && key == mBossKey && modifiers == mBossKeyModifiers)
    {
        // Its release is the window's too: no widget gets a KeyUp without its KeyDown.
        mImpl->bossKeyHeld = true;
        DispatchWindowMessage(WM_HOTKEY, kBossHotKeyId, 0);
        return;
    }
    mWidgetManager->KeyDown(key);
}

void SexyAppBase::InputKeyUp(KeyCode key)
{
    if (mImpl->bossKeyHeld && key == mBossKey)
    {
        mImpl->bossKeyHeld = false;
        return;
    }
    mWidgetManager->KeyUp(key);
}

void SexyAppBase::InputText(const std::wstring& text)
{
    for (wchar_t ch : text)
    {
        if (mShutdown)
            break;
        mWidgetManager->KeyChar(ch);
    }
}

// ---- The main window ----------------------------------------------------------------------------

platform::LRESULT SexyAppBase::DispatchWindowMessage(unsigned msg, platform::WPARAM wParam, platform::LPARAM lParam)
{
    if (msg == kWakeMessage)
        return 0;
    platform::LRESULT result = 0;
    if (HandleWindowMessage(msg, wParam, lParam, &result))
        return result;
    switch (msg)
    {
    case platform::WM_CLOSE:
        Shutdown();
        break;
    case platform::WM_SYSCOMMAND:
        switch (wParam & 0xFFF0)
        {
        case platform::SC_MINIMIZE:
            MinimizeWindow();
            break;
        case SC_RESTORE:
            RestoreWindow();
            break;
        case SC_CLOSE:
            Shutdown();
            break;
        default:
            break;
        }
        break;
    case WM_HOTKEY:
        if (wParam == kBossHotKeyId)
            ShowWindow(!mWindowShown);
        break;
    default:
        break;
    }
    return 0;
}

bool SexyAppBase::HandleWindowMessage(unsigned msg, platform::WPARAM wParam, platform::LPARAM lParam,
                                      platform::LRESULT* result)
{
    (void)msg;
    (void)wParam;
    (void)lParam;
    (void)result;
    return false;
}

void SexyAppBase::SwitchScreenMode(bool wantWindowed, bool is3d, bool force)
{
    (void)is3d;
    if (wantWindowed == mIsWindowed && !force)
        return;
    mIsWindowed = wantWindowed;
    if (mImpl->window)
        SDL_SetWindowFullscreen(mImpl->window.get(), wantWindowed ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
    mWidgetManager->MarkDirty();
}

void SexyAppBase::SetCursor(int cursorNum)
{
    mCursorNum = cursorNum >= 0 && cursorNum < NUM_CURSORS ? cursorNum : CURSOR_POINTER;
    UpdateCursor();
}

void SexyAppBase::UpdateCursor()
{
    int shown = mCursorNum;
    if (shown == CURSOR_POINTER)
    {
        shown = mWidgetManager->WantedCursor();
        if (shown < 0 || shown >= NUM_CURSORS)
            shown = CURSOR_POINTER;
    }
    mShownCursor = shown;
    Impl& s = *mImpl;
    if (!s.window || shown == s.sdlCursor)
        return;
    s.sdlCursor = shown;
    if (shown == CURSOR_NONE)
    {
        SDL_ShowCursor(SDL_DISABLE);
        return;
    }
    SDL_ShowCursor(SDL_ENABLE);
    if (!s.cursors[shown])
        s.cursors[shown].reset(SDL_CreateSystemCursor(SystemCursorFor(shown)));
    if (s.cursors[shown])
        SDL_SetCursor(s.cursors[shown].get());
}

void SexyAppBase::SetTitle(const SexyString& title)
{
    mTitle = title;
    if (mImpl->window)
        SDL_SetWindowTitle(mImpl->window.get(), platform::WideToUtf8(title).c_str());
}

Rect SexyAppBase::GetWorkArea()
{
    Impl& s = *mImpl;
    if (!mHeadless && s.video.Acquire())
    {
        int display = s.window ? SDL_GetWindowDisplayIndex(s.window.get()) : 0;
        SDL_Rect r;
        if (SDL_GetDisplayUsableBounds(display < 0 ? 0 : display, &r) == 0 && r.w > 0 && r.h > 0)
            return Rect(r.x, r.y, r.w, r.h);
    }
    return Rect(0, 0, kHeadlessWorkWidth, kHeadlessWorkHeight);
}

Point SexyAppBase::GetWindowPos()
{
    Impl& s = *mImpl;
    if (s.window)
    {
        int x = 0, y = 0;
        SDL_GetWindowPosition(s.window.get(), &x, &y);
        return Point(x, y);
    }
    if (!s.virtualPosSet)
    {
        Rect area = GetWorkArea();
        s.virtualPos = Point(area.mX + (area.mWidth - mWidth) / 2, area.mY + (area.mHeight - mHeight) / 2);
        s.virtualPosSet = true;
    }
    return s.virtualPos;
}

void SexyAppBase::MoveWindow(int x, int y)
{
    Impl& s = *mImpl;
    if (s.window)
        SDL_SetWindowPosition(s.window.get(), x, y);
    s.virtualPos = Point(x, y);
    s.virtualPosSet = true;
}

Point SexyAppBase::GetCursorScreenPos()
{
    if (mImpl->window)
    {
        int x = 0, y = 0;
        SDL_GetGlobalMouseState(&x, &y);
        return Point(x, y);
    }
    return mImpl->virtualCursor;
}

void SexyAppBase::ShowWindow(bool show)
{
    mWindowShown = show;
    if (mImpl->window)
    {
        if (show)
            SDL_ShowWindow(mImpl->window.get());
        else
            SDL_HideWindow(mImpl->window.get());
    }
    if (show)
        mWidgetManager->MarkDirty();
}

void SexyAppBase::MinimizeWindow()
{
    if (mImpl->window)
        SDL_MinimizeWindow(mImpl->window.get());
    mMinimized = true;
}

void SexyAppBase::RestoreWindow()
{
    if (mImpl->window)
        SDL_RestoreWindow(mImpl->window.get());
    mMinimized = false;
    mWidgetManager->MarkDirty();
}

void SexyAppBase::RaiseWindow()
{
    if (mImpl->window)
        SDL_RaiseWindow(mImpl->window.get());
}

void SexyAppBase::SetWindowTopmost(bool topmost)
{
    mTopmost = topmost;
    if (mImpl->window)
        SDL_SetWindowAlwaysOnTop(mImpl->window.get(), topmost ? SDL_TRUE : SDL_FALSE);
}

// ---- Message boxes ------------------------------------------------------------------------------

void SexyAppBase::SetMsgBoxHandler(MsgBoxHandler handler)
{
    std::lock_guard<std::mutex> lock(mImpl->msgBoxMutex);
    mImpl->msgBoxHandler = std::move(handler);
}

int SexyAppBase::MsgBox(const std::string& text, const std::string& title, int flags)
{
    MsgBoxHandler handler;
    {
        std::lock_guard<std::mutex> lock(mImpl->msgBoxMutex);
        handler = mImpl->msgBoxHandler;
    }
    if (handler)
        return handler(text, title, flags);
    if (!mImpl->desktopBoxes.load())
    {
        std::string line = "[MsgBox] " + Utf8(title) + ": " + Utf8(text) + "\n";
        std::fwrite(line.data(), 1, line.size(), stderr);
        return IDOK;
    }
    bool onMain = std::this_thread::get_id() == mImpl->mainThread;
    return ShowDesktopMsgBox(text, title, flags, onMain);
}

int SexyAppBase::MsgBox(const std::wstring& text, const std::wstring& title, int flags)
{
    return MsgBox(WStringToString(text), WStringToString(title), flags);
}

int SexyAppBase::ShowDesktopMsgBox(const std::string& text, const std::string& title, int flags, bool onMainThread)
{
    if (!onMainThread)
        return RunDesktopBox(nullptr, text, title, flags);
    // The box runs on a thread of its own while this one keeps the loop going, without input,
    // until the box is closed.
    std::atomic<bool> done{false};
    int answer = IDOK;
    SDL_Window* parent = mImpl->window.get();
    platform::WindowHandle wake = mWakeHandle.load();
    std::thread box(
        [&]
        {
            answer = RunDesktopBox(parent, text, title, flags);
            done = true;
            if (wake != 0)
                platform::PostWindowMessage(wake, kWakeMessage, 0, 0);
        });
    ++mModalDepth;
    while (!done.load())
    {
        if (!UpdateAppStep(nullptr) && !done.load())
            platform::PumpWindowMessages(kUpdateIntervalMs);
        else if (!done.load())
            WaitForNextUpdate();
    }
    --mModalDepth;
    box.join();
    // Keys and clicks given to the window while the box was open are dropped, as a window behind a
    // modal box takes none.
    SDL_FlushEvents(SDL_KEYDOWN, SDL_TEXTINPUT);
    SDL_FlushEvents(SDL_MOUSEBUTTONDOWN, SDL_MOUSEWHEEL);
    return answer;
}

// ---- Images -------------------------------------------------------------------------------------

DDImage* SexyAppBase::GetImage(const std::string& fileName, bool commitBits)
{
    (void)commitBits;
    return LoadImageWithoutExtension(fileName).release();
}

// ---- Properties ---------------------------------------------------------------------------------

namespace
{

bool ReadNative(const std::string& nativePath, std::string& out)
{
    UniqueFd fd(::open(nativePath.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st;
    if (fd.Get() < 0 || ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxReadBytes)
        return false;
    out.resize(size_t(st.st_size));
    size_t got = 0;
    while (got < out.size())
    {
        ssize_t n = ::read(fd.Get(), &out[got], out.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += size_t(n);
    }
    out.resize(got);
    return true;
}

void ParseProperties(std::string bytes, std::map<std::string, SexyString>& out)
{
    bool utf8 = false;
    if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
    {
        bytes.erase(0, 3);
        utf8 = true;
    }
    else
    {
        utf8 = IsValidUtf8(bytes);
    }
    std::wstring text = utf8 ? platform::Utf8ToWide(bytes) : platform::GbkToWide(bytes);
    size_t pos = 0;
    while (pos <= text.size())
    {
        size_t end = text.find(L'\n', pos);
        if (end == std::wstring::npos)
            end = text.size();
        std::wstring line = Trim(text.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty() || line[0] == L'#' || line[0] == L';')
            continue;
        size_t eq = line.find(L'=');
        if (eq == std::wstring::npos)
            continue;
        std::wstring key = Trim(line.substr(0, eq));
        if (key.empty())
            continue;
        out[platform::WideToGbk(key)] = Unescape(Trim(line.substr(eq + 1)));
    }
}

} // namespace

bool SexyAppBase::LoadProperties()
{
    std::string bytes;
    if (!ReadNative(platform::ProgramDir() + "/properties/default.properties", bytes))
        return false;
    ParseProperties(std::move(bytes), mProperties);
    return true;
}

bool SexyAppBase::LoadProperties(const std::string& fileName)
{
    std::string bytes;
    if (fileName.empty() || !ReadNative(platform::ResolvePath(fileName), bytes))
        return false;
    ParseProperties(std::move(bytes), mProperties);
    return true;
}

SexyString SexyAppBase::GetString(const std::string& key, const SexyString& defaultValue)
{
    auto it = mProperties.find(key);
    return it == mProperties.end() ? defaultValue : it->second;
}

SexyString SexyAppBase::GetString(const std::string& key, const char* defaultGbk)
{
    auto it = mProperties.find(key);
    if (it != mProperties.end())
        return it->second;
    return defaultGbk ? platform::GbkToWide(defaultGbk) : SexyString();
}

int SexyAppBase::GetInteger(const std::string& key, int defaultValue)
{
    auto it = mProperties.find(key);
    if (it == mProperties.end())
        return defaultValue;
    const std::wstring& v = it->second;
    std::string ascii;
    for (wchar_t c : v)
    {
        if (c > 0x7F)
            return defaultValue;
        ascii += char(c);
    }
    size_t i = 0;
    bool negative = false;
    if (i < ascii.size() && (ascii[i] == '+' || ascii[i] == '-'))
        negative = ascii[i++] == '-';
    int base = 10;
    if (ascii.size() - i > 2 && ascii[i] == '0' && (ascii[i + 1] == 'x' || ascii[i + 1] == 'X'))
    {
        base = 16;
        i += 2;
    }
    if (i >= ascii.size() || !std::isxdigit(static_cast<unsigned char>(ascii[i])))
        return defaultValue;
    errno = 0;
    char* end = nullptr;
    unsigned long long magnitude = std::strtoull(ascii.c_str() + i, &end, base);
    if (errno != 0 || end == nullptr || *end != '\0')
        return defaultValue;
    long long value = 0;
    if (negative)
    {
        if (magnitude > 1ull + unsigned(INT_MAX))
            return defaultValue;
        value = -static_cast<long long>(magnitude);
    }
    else
    {
        if (magnitude > unsigned(INT_MAX))
            return defaultValue;
        value = static_cast<long long>(magnitude);
    }
    return int(value);
}

bool SexyAppBase::GetBoolean(const std::string& key, bool defaultValue)
{
    auto it = mProperties.find(key);
    if (it == mProperties.end())
        return defaultValue;
    std::wstring v = it->second;
    for (wchar_t& c : v)
        c = wchar_t(std::towlower(wint_t(c)));
    if (v == L"true" || v == L"yes" || v == L"on" || v == L"1")
        return true;
    if (v == L"false" || v == L"no" || v == L"off" || v == L"0")
        return false;
    return defaultValue;
}

bool SexyAppBase::HasProperty(const std::string& key) const
{
    return mProperties.count(key) != 0;
}

void SexyAppBase::SetString(const std::string& key, const SexyString& value)
{
    mProperties[key] = value;
}

} // namespace Sexy
