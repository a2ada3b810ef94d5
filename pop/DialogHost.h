// The application's dialogs: the registry by id behind SexyAppBase::AddDialog, KillDialog and
// GetDialog, and the safe end of killed dialogs. Each SexyAppBase has one; games use the
// application's operations, not this class.
//
// Ownership. The host owns every dialog added to it. Killing a dialog takes it out of the widget
// manager (its buttons and the modal layer with it) and out of the registry at once, but deletes it
// only at a point where none of its code can still be running: at the start of a loop step
// (SexyAppBase::UpdateAppStep) when no nested loop (WaitForResult, a message box) is running, or
// when the application ends. So a dialog may be killed from its own button handler, from a timer
// while a WaitForResult runs on it, or from code, and the caller's stack never holds a dangling
// dialog. A dialog deleted by someone else while it is registered (which it should not be) leaves
// the registry in its destructor.
#pragma once

#include <memory>
#include <utility>
#include <vector>

namespace Sexy
{

class Dialog;
class SexyAppBase;

class DialogHost
{
public:
    explicit DialogHost(SexyAppBase& app);
    // Deletes every dialog still owned, killed or not.
    ~DialogHost();
    DialogHost(const DialogHost&) = delete;
    DialogHost& operator=(const DialogHost&) = delete;

    // Takes ownership (null is ignored and gives null). A dialog already registered under the id
    // is killed first; a dialog already added (under any id) is only moved to the new id. The
    // dialog's mId becomes id. Unplaced dialogs are centred in the window (sized first when they
    // have no size). Modal dialogs enter the modal layer; the dialog gets the focus.
    Dialog* Add(int id, Dialog* dialog);
    // False when the dialog (id) is not registered here.
    bool Kill(Dialog* dialog);
    bool Kill(int id);
    void KillAll();
    Dialog* Get(int id) const;
    int Count() const { return int(mDialogs.size()); }

    // Deletes the killed dialogs when it is safe: no WaitForResult runs and nestedLoop is false.
    void ReleaseKilled(bool nestedLoop);
    int KilledCount() const { return int(mKilled.size()); }

    // WaitForResult brackets its loop with these.
    void EnterWait() { ++mWaitDepth; }
    void LeaveWait() { --mWaitDepth; }
    int WaitDepth() const { return mWaitDepth; }

    // A registered dialog is being destroyed by someone else: forget it without deleting.
    void Forget(Dialog* dialog);

private:
    std::vector<std::pair<int, std::unique_ptr<Dialog>>>::iterator Find(const Dialog* dialog);
    void Detach(Dialog* dialog);

    SexyAppBase& mApp;
    // Registered dialogs, oldest first.
    std::vector<std::pair<int, std::unique_ptr<Dialog>>> mDialogs;
    // Killed dialogs waiting to be deleted.
    std::vector<std::unique_ptr<Dialog>> mKilled;
    int mWaitDepth = 0;
};

} // namespace Sexy
