// What the dialog's thread still does while a job holds it: it answers paint messages and the
// messages other programs send, and leaves input queued until the job ends.
#pragma once

#include <functional>

namespace zel::ui {

// Dispatches the paint messages and the sent messages that wait now; takes no input.
void answerPaintAndSentMessages();

// Runs the work on a second thread, for a call that waits for the disk. Meanwhile this thread
// sleeps until a paint or a sent message arrives and answers it, so it costs nothing while it
// waits. Returns once the work is done; an exception of the work is thrown here. Called from
// the dialog's thread only.
void runWhileAnswering(const std::function<void()>& work);

}  // namespace zel::ui
