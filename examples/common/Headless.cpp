#include "examples/common/Headless.h"

#include "platform/Text.h"
#include "pop/ButtonWidget.h"
#include "pop/Image.h"
#include "pop/WidgetManager.h"
#include "tessaro/app/GameAppBase.h"
#include "tessaro/app/MsgDlg.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace examples
{

namespace
{

// A fifth of a second: the box is seen (and drawn) before it is answered.
constexpr int kAnswerDelayUpdates = 20;

} // namespace

void ClickOn(Sexy::WidgetManager& manager, const Sexy::Widget& widget)
{
    const Sexy::Point at = widget.GetAbsPos();
    const int x = at.mX + widget.mWidth / 2;
    const int y = at.mY + widget.mHeight / 2;
    manager.MouseMove(x, y);
    manager.MouseDown(x, y, Sexy::WidgetManager::BUTTON_LEFT);
    manager.MouseUp(x, y, Sexy::WidgetManager::BUTTON_LEFT);
}

bool ReadEnvNumber(const char* name, long low, long high, long fallback, long& out)
{
    out = fallback;
    const char* text = std::getenv(name);
    if (!text || !*text)
        return true;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || value < low || value > high)
        return false;
    out = value;
    return true;
}

bool WriteScreenshot(const Sexy::SexyAppBase& app, const std::string& file, const char* game)
{
    std::unique_ptr<Sexy::MemoryImage> screen = app.CopyScreen();
    if (!screen)
    {
        std::fprintf(stderr, "%s: no screen to write to %s (the game did not start)\n", game, file.c_str());
        return false;
    }
    if (!ImageLib::WritePNGImage(file, screen.get()))
    {
        std::fprintf(stderr, "%s: cannot write %s\n", game, file.c_str());
        return false;
    }
    return true;
}

void MessageBoxAnswerer::Update(Ostra::GameAppBase& app)
{
    if (!app.mHeadless)
        return;
    auto* box = dynamic_cast<Ostra::MsgDlg*>(app.GetDialog(Ostra::MsgDlg::kDialogId));
    if (!box || !box->mYesButton)
    {
        m_pAnswered = nullptr;
        return;
    }
    if (box != m_pAnswered)
    {
        m_pAnswered = box;
        m_iAnswerIn = kAnswerDelayUpdates;
        std::fprintf(stderr, "[MsgDlg] %s\n", platform::WideToUtf8(box->m_strText).c_str());
        std::fflush(stderr);
    }
    if (--m_iAnswerIn == 0 && app.mWidgetManager)
        ClickOn(*app.mWidgetManager, *box->mYesButton);
}

} // namespace examples
