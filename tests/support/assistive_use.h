// zel.exe as people meet it who use a screen reader or the keyboard alone: what a screen reader
// reads of a control through Microsoft Active Accessibility (oleacc, as Narrator and NVDA read
// Win32 controls) from this process, the events it listens for, keys as real input to the
// window in front, and the clipboard.
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

// Brings zel.exe's window to the front, where keys and clicks go; whether it is there.
bool bringToFront(const ZelProcess& zel);
// Moves the focus to the control as the dialog moves it (an entry's text gets selected).
bool focusControl(const ZelProcess& zel, int id);
// Presses and releases the key, with Ctrl held if asked, as input to the window in front.
void pressKey(WORD virtualKey, bool withCtrl = false);
// Asks the dialog for the context menu of the control, as a right click in its middle does.
void openContextMenu(const ZelProcess& zel, int id);

// The clipboard's text; empty when it has none.
std::wstring clipboardText();

}  // namespace zel::test
