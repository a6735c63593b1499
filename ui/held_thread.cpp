#include "ui/held_thread.h"

#include <atomic>
#include <exception>

#include "win32/unique_handle.h"

namespace zel::ui {

namespace {

using win32::KernelHandle;

// The second thread. Started by the first call that waits for the disk and then kept, blocked
// until the next one: starting a thread costs about a millisecond under Wine, and a job makes
// several such calls for every file.
class DiskThread {
public:
    DiskThread() = default;
    DiskThread(const DiskThread&) = delete;
    DiskThread& operator=(const DiskThread&) = delete;
    ~DiskThread() {
        if (thread_) {
            stopping_ = true;
            SetEvent(workReady_.get());
            WaitForSingleObject(thread_.get(), INFINITE);
        }
    }

    // Runs the work there while this thread answers; false when no thread could be started.
    bool run(const std::function<void()>& work, MessageWait wait) {
        if (!thread_ && !start()) {
            return false;
        }
        work_ = &work;
        failure_ = nullptr;
        finished_ = false;
        if (!SetEvent(workReady_.get())) {
            return false;
        }
        // The work and its results, which the caller may hold on its stack, are the disk's thread's
        // until it has finished with them: no way out of this loop comes before, not even a wait
        // that fails.
        const HANDLE ends[] = {workDone_.get(), thread_.get()};
        while (!finished_) {
            // Woken by new paint or sent messages only: queued input does not wake it.
            const DWORD woken = wait(2, ends, INFINITE, QS_PAINT | QS_SENDMESSAGE, 0);
            if (woken == WAIT_OBJECT_0 + 2) {
                answerPaintAndSentMessages();
            } else if (woken == WAIT_OBJECT_0 + 1) {
                break;  // the thread has ended, and with it the work
            } else if (woken == WAIT_FAILED) {
                Sleep(10);  // no messages are answered meanwhile; the wait is tried again
            }
        }
        if (failure_) {
            std::rethrow_exception(failure_);
        }
        return true;
    }

private:
    bool start() {
        workReady_.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
        workDone_.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
        if (workReady_ && workDone_) {
            thread_.reset(CreateThread(nullptr, 0, loop, this, 0, nullptr));
        }
        return thread_.valid();
    }

    static DWORD WINAPI loop(void* parameter) {
        auto& self = *static_cast<DiskThread*>(parameter);
        for (;;) {
            WaitForSingleObject(self.workReady_.get(), INFINITE);
            if (self.stopping_) {
                return 0;
            }
            try {
                (*self.work_)();
            } catch (...) {
                self.failure_ = std::current_exception();
            }
            self.finished_ = true;
            SetEvent(self.workDone_.get());
        }
    }

    KernelHandle workReady_;
    KernelHandle workDone_;
    KernelHandle thread_;
    const std::function<void()>* work_ = nullptr;
    std::exception_ptr failure_;
    std::atomic<bool> finished_{false};  // the work is done and failure_ is set
    std::atomic<bool> stopping_{false};
};

}  // namespace

void answerPaintAndSentMessages() {
    // With a PM_QS_ filter Windows answers sent messages only when PM_QS_SENDMESSAGE is in it;
    // a sender would otherwise wait for the end of the job. The count is bounded in case a
    // window never validates what it paints.
    MSG message;
    for (int painted = 0;
         painted < 256 &&
         PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT | PM_QS_SENDMESSAGE);
         ++painted) {
        DispatchMessageA(&message);
    }
}

void runWhileAnswering(const std::function<void()>& work, MessageWait wait) {
    static DiskThread disk;
    // A message answered meanwhile that waited for the disk in turn would find the thread busy:
    // it waits here instead.
    static bool busy = false;
    if (busy) {
        work();
        return;
    }
    busy = true;
    bool ran = false;
    try {
        ran = disk.run(work, wait);
    } catch (...) {
        busy = false;
        throw;
    }
    busy = false;
    if (!ran) {
        work();
    }
}

}  // namespace zel::ui
