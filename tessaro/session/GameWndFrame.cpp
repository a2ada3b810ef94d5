// The game window as the window's frame: the title-bar buttons, the ground, dragging the real
// window, the F10 screenshot, and the replay controls.
#include "tessaro/session/GameWndBase.h"

#include "platform/Process.h"
#include "platform/Text.h"
#include "platform/WindowBus.h"
#include "pop/ButtonWidget.h"
#include "pop/Color.h"
#include "pop/Graphics.h"
#include "pop/Image.h"
#include "pop/WidgetManager.h"
#include "tessaro/app/GameAppBase.h"
#include "tessaro/app/LaunchData.h"
#include "tessaro/app/SetDlg.h"
#include "tessaro/app/SkinImages.h"
#include "tessaro/net/Log.h"
#include "tessaro/view/GameViewBase.h"

#include <cstring>
#include <memory>

namespace Ostra
{

namespace
{

constexpr int kLogLevel = 20;
// The buttons' fading of their over look: strength, fall and rise per update.
constexpr double kOverAlpha = 1.0;
constexpr double kOverAlphaSpeed = 0.05;
constexpr double kOverAlphaFadeInSpeed = 0.05;
// Where the homepage button is created, from the window's right edge.
constexpr int kHomepageFromRight = 511;
// The longest run of hexadecimal digits HextoStr reads.
constexpr int kMaxHexDigits = 500;

int CelWidth(const Sexy::Image* image)
{
    return image ? image->GetCelWidth() : 0;
}

void OpenAddress(const std::string& gbk)
{
    if (!gbk.empty() && !platform::OpenUrl(platform::GbkToUtf8(gbk)))
        WriteLog(kLogLevel, "GameWndBase", "address not opened[%s]", gbk.c_str());
}

int HexValue(unsigned char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

// ---- The buttons --------------------------------------------------------------------------------

void GameWndBase::CreateButtons()
{
    auto make = [this](int id, Sexy::Image* image, bool visible, bool resizeToCel = true)
    {
        auto button = std::make_unique<Sexy::ButtonWidget>(id, this);
        button->mOverAlpha = kOverAlpha;
        button->mOverAlphaSpeed = kOverAlphaSpeed;
        button->mOverAlphaFadeInSpeed = kOverAlphaFadeInSpeed;
        if (image)
            button->SetBtnImage(m_pGameApp, image, true, true, true, true, resizeToCel);
        button->SetVisible(visible);
        return button;
    };
    using namespace Sexy;
    m_pBtnEsc = make(BTN_ESC, IMG_BASE_BTN_ESC, true);
    // The screen-mode pair takes no room until a game gives them a place (m_bScreenModeBtn).
    m_pBtnScreenModeA = make(BTN_SCREEN_MODE, IMG_BASE_BTN_MIN, true, false);
    m_pBtnScreenModeA->Resize(0, 0, 0, 0);
    m_pBtnScreenModeB = make(BTN_SCREEN_MODE, IMG_BASE_BTN_MIN, false, false);
    m_pBtnScreenModeB->Resize(0, 0, 0, 0);
    m_pBtnMin = make(BTN_MIN, IMG_BASE_BTN_MIN, true);
    m_pBtnScreenshot = make(BTN_SCREENSHOT, IMG_BASE_BTN_PRNTSCRN, true);
    m_pBtnHelp = make(BTN_HELP, IMG_BASE_BTN_HELP, true);
    m_pBtnSet = make(BTN_SET, IMG_BASE_BTN_SET, true);
    m_pBtnLink = make(BTN_LINK, nullptr, false);
    m_pBtnReplayPlay = make(BTN_REPLAY_PLAY, IMG_BASE_BTN_REPLAY_PLAY, false);
    m_pBtnReplayPause = make(BTN_REPLAY_PAUSE, IMG_BASE_BTN_REPLAY_PAUSE, false);
    m_pBtnReplayFast = make(BTN_REPLAY_FAST, IMG_BASE_BTN_REPLAY_FAST, false);
    m_pBtnReplayFastStop = make(BTN_REPLAY_FASTSTOP, IMG_BASE_BTN_REPLAY_FASTSTOP, false);
    m_pBtnReplayQuit = make(BTN_REPLAY_QUIT, IMG_BASE_BTN_REPLAY_QUIT, false);
    // Never shown by the library; a game that wants them places them itself. Before the window's
    // first Resize its width is taken as the standard one.
    m_pBtnHomepage = make(BTN_HOMEPAGE, IMG_BASE_BTN_HOMEPAGE, false);
    const int width = mWidth > 0 ? mWidth : GameAppBase::STANDARD_WIDTH;
    m_pBtnHomepage->Move(width - kHomepageFromRight, 1);
    m_pBtnAward = make(BTN_AWARD, IMG_BASE_BTN_AWARD, false);
    m_pBtnAward->Move(m_pBtnHomepage->mX + m_pBtnHomepage->mWidth, 1);
}

std::vector<Sexy::ButtonWidget*> GameWndBase::ButtonsToAdd() const
{
    return {m_pBtnEsc.get(),         m_pBtnSet.get(),
            m_pBtnScreenModeA.get(), m_pBtnScreenModeB.get(),
            m_pBtnMin.get(),         m_pBtnHomepage.get(),
            m_pBtnScreenshot.get(),  m_pBtnHelp.get(),
            m_pBtnLink.get(),        m_pBtnAward.get(),
            m_pBtnReplayPlay.get(),  m_pBtnReplayPause.get(),
            m_pBtnReplayFast.get(),  m_pBtnReplayFastStop.get(),
            m_pBtnReplayQuit.get()};
}

std::vector<Sexy::ButtonWidget*> GameWndBase::ButtonsToRemove() const
{
    return {m_pBtnEsc.get(),         m_pBtnSet.get(),
            m_pBtnScreenModeA.get(), m_pBtnScreenModeB.get(),
            m_pBtnMin.get(),         m_pBtnHelp.get(),
            m_pBtnScreenshot.get(),  m_pBtnHomepage.get(),
            m_pBtnLink.get(),        m_pBtnAward.get(),
            m_pBtnReplayPlay.get(),  m_pBtnReplayPause.get(),
            m_pBtnReplayFast.get(),  m_pBtnReplayFastStop.get(),
            m_pBtnReplayQuit.get()};
}

void GameWndBase::AddedToManager(Sexy::WidgetManager* manager)
{
    Widget::AddedToManager(manager);
    for (Sexy::ButtonWidget* button : ButtonsToAdd())
        manager->AddWidget(button);
}

void GameWndBase::RemovedFromManager(Sexy::WidgetManager* manager)
{
    for (Sexy::ButtonWidget* button : ButtonsToRemove())
        manager->RemoveWidget(button);
    Widget::RemovedFromManager(manager);
}

void GameWndBase::Resize(int x, int y, int width, int height)
{
    Widget::Resize(x, y, width, height);
    using namespace Sexy;
    const int x1 = x + width - CelWidth(IMG_BASE_BTN_ESC);
    m_pBtnEsc->Move(x1, y);
    const int xMin = x1 + 5 - CelWidth(IMG_BASE_BTN_MIN);
    m_pBtnMin->Move(xMin, y);
    const int x3 = xMin - 80;
    m_pBtnScreenshot->Move(x3, y + 8);
    const int xHelp = x3 - CelWidth(IMG_BASE_BTN_PRNTSCRN);
    m_pBtnHelp->Move(xHelp, y + 8);
    const int xSet = xHelp - CelWidth(IMG_BASE_BTN_HELP);
    m_pBtnSet->Move(xSet, y + 8);
    m_pBtnLink->Move(xSet - CelWidth(IMG_BASE_BTN_SET), y + 8);

    const int play = CelWidth(IMG_BASE_BTN_REPLAY_PLAY);
    const int r = x + (width - 3 * play) / 2;
    m_pBtnReplayPlay->Move(r, y + 8);
    m_pBtnReplayPause->Move(r, y + 8);
    m_pBtnReplayFast->Move(r + play, y + 8);
    m_pBtnReplayFastStop->Move(r + play, y + 8);
    m_pBtnReplayQuit->Move(r + play + CelWidth(IMG_BASE_BTN_REPLAY_QUIT), y + 8);
}

void GameWndBase::Draw(Sexy::Graphics* g)
{
    g->SetColor(Sexy::Color::Black);
    g->FillRect(0, 0, mWidth, mHeight);
    if (Sexy::IMG_GAME_BG)
        g->DrawImage(Sexy::IMG_GAME_BG, 0, 0);
}

void GameWndBase::StartReplayGameBase(char*)
{
    const bool replay = m_pAppInfo->bReplay;
    m_pBtnReplayPlay->SetVisible(false);
    m_pBtnReplayFast->SetVisible(replay);
    m_pBtnReplayFastStop->SetVisible(false);
    m_pBtnReplayPause->SetVisible(replay);
    m_pBtnReplayQuit->SetVisible(replay);
}

// ---- Keys and the mouse -------------------------------------------------------------------------

void GameWndBase::KeyDown(Sexy::KeyCode key)
{
    Widget::KeyDown(key);
    if (key == Sexy::KEYCODE_F10 && m_pGameApp)
        m_pGameApp->TakeScreenshot();
}

void GameWndBase::MouseDown(int x, int y, int button, int clickCount)
{
    if (clickCount == 1 && m_pGameApp && !m_pGameApp->m_bMaximized && y < kDragStripHeight && m_pGameApp->mIsWindowed)
    {
        m_pGameApp->SetCursor(Sexy::CURSOR_DRAGGING);
        m_bDragging = true;
        m_ptDragLast = m_pGameApp->GetCursorScreenPos();
    }
    Widget::MouseDown(x, y, button, clickCount);
}

void GameWndBase::MouseUp(int x, int y, int button, int clickCount)
{
    if (m_bDragging)
    {
        m_pGameApp->SetCursor(Sexy::CURSOR_POINTER);
        m_bDragging = false;
    }
    Widget::MouseUp(x, y, button, clickCount);
}

void GameWndBase::MouseDrag(int x, int y)
{
    Widget::MouseDrag(x, y);
    if (!m_bDragging || !m_pGameApp || m_pGameApp->m_bMaximized)
        return;
    const std::uint32_t now = Now();
    if (now - m_dwLastDragTick < kDragIntervalMs)
        return;
    const Sexy::Point cursor = m_pGameApp->GetCursorScreenPos();
    const Sexy::Point window = m_pGameApp->GetWindowPos();
    m_pGameApp->MoveWindow(window.mX + cursor.mX - m_ptDragLast.mX, window.mY + cursor.mY - m_ptDragLast.mY);
    m_ptDragLast = cursor;
    m_dwLastDragTick = now;
}

// ---- Buttons pressed ----------------------------------------------------------------------------

void GameWndBase::PostReplayCommand(unsigned msg, int command)
{
    if (!platform::PostWindowMessage(m_pAppInfo->hLobbyWnd, msg, static_cast<platform::WPARAM>(command), 0))
        WriteLog(kLogLevel, "GameWndBase", "replay command not delivered msg[%x] command[%d]", msg, command);
}

void GameWndBase::ButtonDepress(int id)
{
    if (m_pGameApp)
        m_pGameApp->PlaySoundA(std::string("sound\\btn.ogg"));
    AppInfo& info = *m_pAppInfo;
    // The buttons are shown one of each pair at a time: play or pause, fast or normal pace.
    auto swap = [](Sexy::ButtonWidget* hide, Sexy::ButtonWidget* show)
    {
        hide->SetVisible(false);
        show->SetVisible(true);
    };
    switch (id)
    {
    case BTN_ESC:
        OnButtonEsc();
        break;
    case BTN_SET:
        OnBtnSet();
        break;
    case BTN_SCREENSHOT:
        OnBtnScreen();
        break;
    case BTN_SCREEN_MODE:
        if (!m_bScreenModeBtn || !m_pGameApp)
            break;
        if (m_pGameApp->mIsWindowed)
        {
            m_pGameApp->SwitchScreenMode(false, true, false);
            swap(m_pBtnScreenModeA.get(), m_pBtnScreenModeB.get());
        }
        else
        {
            m_pGameApp->SwitchScreenMode(true, true, false);
            swap(m_pBtnScreenModeB.get(), m_pBtnScreenModeA.get());
        }
        break;
    case BTN_MIN:
        if (m_pGameApp)
            platform::SendWindowMessage(m_pGameApp->mHWnd, platform::WM_SYSCOMMAND, platform::SC_MINIMIZE, 0);
        break;
    case BTN_HELP:
        OpenAddress(FieldText(info.szLaunchUrl17, sizeof(info.szLaunchUrl17)));
        break;
    case BTN_LINK:
    {
        const std::string link = FieldText(info.szLaunchUrl16, sizeof(info.szLaunchUrl16));
        if (m_pGameApp)
            m_pGameApp->MsgBox(link, std::string("Message"), Sexy::MB_OK);
        OpenAddress(link);
        break;
    }
    case BTN_REPLAY_PLAY:
    case BTN_REPLAY_PAUSE:
    case BTN_REPLAY_FAST:
    case BTN_REPLAY_FASTSTOP:
        if (!info.bReplay)
            break;
        if (id == BTN_REPLAY_PLAY)
            swap(m_pBtnReplayPlay.get(), m_pBtnReplayPause.get());
        else if (id == BTN_REPLAY_PAUSE)
            swap(m_pBtnReplayPause.get(), m_pBtnReplayPlay.get());
        else if (id == BTN_REPLAY_FAST)
            swap(m_pBtnReplayFast.get(), m_pBtnReplayFastStop.get());
        else
            swap(m_pBtnReplayFastStop.get(), m_pBtnReplayFast.get());
        PostReplayCommand(kReplayCommandMsg, id == BTN_REPLAY_PLAY    ? REPLAY_PLAY
                                             : id == BTN_REPLAY_PAUSE ? REPLAY_PAUSE
                                             : id == BTN_REPLAY_FAST  ? REPLAY_FAST
                                                                      : REPLAY_NORMAL);
        break;
    case BTN_REPLAY_QUIT:
        if (info.bReplay)
            PostReplayCommand(platform::WM_CLOSE, 0);
        break;
    default:
        break;
    }
}

void GameWndBase::OnBtnSet()
{
    if (!m_pGameApp)
        return;
    auto dialog = std::make_unique<SetDlg>(m_pGameApp);
    const Sexy::Image* ground = Sexy::IMG_BASE_SET_BG;
    const int width = ground ? ground->GetWidth() : SetDlg::kDefaultWidth;
    const int height = ground ? ground->GetHeight() : SetDlg::kDefaultHeight;
    dialog->Resize((mWidth - width) / 2, (mHeight - height) / 2, width, height);
    // The application owns the dialog from here on and deletes it once it has answered.
    Sexy::Dialog* shown = m_pGameApp->AddDialog(SetDlg::kDialogId, dialog.release());
    if (shown)
        shown->WaitForResult(true);
}

void GameWndBase::OnBtnScreen()
{
    if (!m_pGameApp)
        return;
    const std::wstring name = m_pGameApp->TakeScreenshot();
    if (!name.empty() && m_pGameView)
        m_pGameView->AddChat(L"截图成功，图片[" + name + L"]已存放在桌面。", 0);
}

// ---- Text helpers -------------------------------------------------------------------------------

void GameWndBase::RemoveStrEnter(char* text)
{
    if (!text)
        return;
    const std::size_t len = std::strlen(text);
    for (std::size_t i = 0; i < len; ++i)
    {
        if (text[i] == '\r' || text[i] == '\n')
            text[i] = '\0';
    }
}

void GameWndBase::HextoStr(const unsigned char* hex, char* out, int len)
{
    if (!hex || !out || len <= 0)
        return;
    if (len > kMaxHexDigits)
        len = kMaxHexDigits;
    int written = 0;
    int high = -1;
    // The text ends at its zero byte even when len promises more.
    for (int i = 0; i < len && hex[i] != '\0' && written < len / 2; ++i)
    {
        const int value = HexValue(hex[i]);
        if (value < 0)
            continue;
        if (high < 0)
        {
            high = value;
            continue;
        }
        out[written++] = static_cast<char>(high << 4 | value);
        high = -1;
    }
}

} // namespace Ostra
