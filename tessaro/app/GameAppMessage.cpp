#include "tessaro/app/GameAppBase.h"

#include "pop/Common.h"
#include "pop/Image.h"
#include "tessaro/app/MsgDlg.h"
#include "tessaro/app/SkinImages.h"

#include <memory>
#include <unistd.h>

namespace Ostra
{

namespace
{

// The game's loop runs on the process's first thread (the one main() starts on).
bool OnProcessMainThread()
{
    return gettid() == getpid();
}

} // namespace

int GameAppBase::ShowMessage(std::wstring text, int buttonMode, int timeoutResult, int countdown, Sexy::TPoint<int> pos,
                             bool modal, int extra)
{
    // The skinned box is a widget and waits in the frame loop, both of which only the main thread
    // may touch, and only while the loop runs. A message from another thread (the lobby watch has
    // one), before Init or during the end goes to the framework's box instead, which any thread may
    // open and which blocks only its caller; it answers with the skinned box's results.
    if (!OnProcessMainThread() || !IsInitialized() || IsShuttingDown() || mWidgetManager == nullptr)
    {
        const int flags = buttonMode == 1 ? Sexy::MB_OK : Sexy::MB_OKCANCEL;
        const int answer = MsgBox(text, L"Message", flags);
        return answer == Sexy::IDOK ? Sexy::Dialog::ID_OK : Sexy::Dialog::ID_CANCEL;
    }

    const int width = Sexy::IMG_BASE_MSG_BG != nullptr ? Sexy::IMG_BASE_MSG_BG->GetWidth() : MsgDlg::kDefaultWidth;
    const int height = Sexy::IMG_BASE_MSG_BG != nullptr ? Sexy::IMG_BASE_MSG_BG->GetHeight() : MsgDlg::kDefaultHeight;
    int x = pos.mX;
    int y = pos.mY;
    if (x == 0 && y == 0)
    {
        x = (mWidth - width) / 2;
        y = (mHeight - height) / 2;
    }

    auto owned = std::make_unique<MsgDlg>(this, std::move(text), buttonMode, timeoutResult, countdown, modal, extra);
    MsgDlg* dialog = owned.get();
    dialog->Resize(x, y, width, height);
    // The application owns the box from here on and deletes it after the wait has killed it.
    AddDialog(MsgDlg::kDialogId, owned.release());
    return dialog->WaitForResult(true);
}

} // namespace Ostra
