// What the dialog's thread still does while a job holds it: it answers paint messages and the
// messages other programs send, and leaves input queued until the job ends.
#pragma once

#include <windows.h>

#include <functional>

namespace zel::ui {

// Dispatches the paint messages and the sent messages that wait now; takes no input.
void answerPaintAndSentMessages();

// How the dialog's thread sleeps until the second thread is done or a message arrives:
// MsgWaitForMultipleObjectsEx, or a test's stand-in that fails.
using MessageWait = DWORD(WINAPI*)(DWORD count, const HANDLE* handles, DWORD milliseconds,
                                   DWORD wakeMask, DWORD flags);

// Runs the work on a second thread, for a call that waits for the disk. Meanwhile this thread
// sleeps until a paint or a sent message arrives and answers it, so it costs nothing while it
// waits. Returns once the work is done, whatever the wait meets; an exception of the work is
// thrown here. Called from the dialog's thread only.
void runWhileAnswering(const std::function<void()>& work,
                       MessageWait wait = MsgWaitForMultipleObjectsEx);

}  // namespace zel::ui
