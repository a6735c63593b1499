// zel.exe as people meet it who use a screen reader: what a screen reader reads of a control
// through Microsoft Active Accessibility (oleacc, as Narrator and NVDA read Win32 controls) from
// this process, and the events it listens for.
#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/zel_driver.h"

namespace zel::test {

// What oleacc reads of a control's client area; a name or value it has not is nothing.
struct HeardControl {
    std::optional<std::wstring> name;
    std::optional<std::wstring> value;
};
// Nothing when oleacc gives no object for the control.
std::optional<HeardControl> hear(HWND control);

// Records the events zel.exe raises (EVENT_OBJECT_...), as a screen reader's out-of-context
// hook receives them, on a thread of its own that waits for them.
class WinEventListener {
public:
    explicit WinEventListener(const ZelProcess& zel);
    ~WinEventListener();

    // Waits until the event has been raised for the control's client area.
    bool waitFor(DWORD event, HWND control) const;

private:
    static void CALLBACK record(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child,
                                DWORD, DWORD);
    mutable std::mutex mutex_;
    std::vector<std::pair<DWORD, HWND>> raised_;
    DWORD threadId_ = 0;
    std::thread thread_;
};

}  // namespace zel::test
