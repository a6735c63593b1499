#include "tests/support/assistive_use.h"

#include <oleacc.h>

#include <algorithm>
#include <future>

#include "win32/com_apartment.h"

namespace zel::test {

namespace {

thread_local std::pair<std::mutex*, std::vector<std::pair<DWORD, HWND>>*> listenerOfThread;

INPUT keyInput(WORD key, DWORD flags) {
    INPUT made{};
    made.type = INPUT_KEYBOARD;
    made.ki.wVk = key;
    made.ki.dwFlags = flags;
    return made;
}

}  // namespace

std::optional<HeardControl> hear(HWND control) {
    const win32::ComApartment com;
    IAccessible* object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT),
                                          __uuidof(IAccessible),
                                          reinterpret_cast<void**>(&object)))) {
        return std::nullopt;
    }
    VARIANT self;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    HeardControl heard;
    for (const bool name : {true, false}) {
        BSTR text = nullptr;
        if ((name ? object->get_accName(self, &text) : object->get_accValue(self, &text)) == S_OK &&
            text != nullptr) {
            (name ? heard.name : heard.value).emplace(text, SysStringLen(text));
        }
        SysFreeString(text);
    }
    object->Release();
    return heard;
}

WinEventListener::WinEventListener(const ZelProcess& zel) {
    // Wine delivers another process's events to hooks on the whole process, not on a thread.
    DWORD processId = 0;
    GetWindowThreadProcessId(zel.window(), &processId);
    std::promise<void> hooked;
    thread_ = std::thread([this, processId, &hooked] {
        threadId_ = GetCurrentThreadId();
        listenerOfThread = {&mutex_, &raised_};
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);  // the queue for WM_QUIT
        const HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_END, nullptr,
                                                   record, processId, 0, WINEVENT_OUTOFCONTEXT);
        hooked.set_value();
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            DispatchMessageW(&message);
        }
        UnhookWinEvent(hook);
    });
    hooked.get_future().wait();
}

WinEventListener::~WinEventListener() {
    PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
    thread_.join();
}

void CALLBACK WinEventListener::record(HWINEVENTHOOK, DWORD event, HWND window, LONG object,
                                       LONG child, DWORD, DWORD) {
    if (object == OBJID_CLIENT && child == CHILDID_SELF) {
        const std::lock_guard<std::mutex> lock(*listenerOfThread.first);
        listenerOfThread.second->emplace_back(event, window);
    }
}

bool WinEventListener::waitFor(DWORD event, HWND control) const {
    return waitUntil([&] {
        const std::lock_guard<std::mutex> lock(mutex_);
        return std::find(raised_.begin(), raised_.end(), std::pair(event, control)) !=
               raised_.end();
    });
}

bool bringToFront(const ZelProcess& zel) {
    SetForegroundWindow(zel.window());
    return waitUntil([&] { return GetForegroundWindow() == zel.window(); });
}

bool focusControl(const ZelProcess& zel, int id) {
    PostMessageW(zel.window(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(zel.control(id)), TRUE);
    return waitUntil([&] { return zel.focus() == zel.control(id); });
}

void pressKey(WORD virtualKey, bool withCtrl) {
    std::vector<INPUT> inputs = {keyInput(virtualKey, 0), keyInput(virtualKey, KEYEVENTF_KEYUP)};
    if (withCtrl) {
        inputs.insert(inputs.begin(), keyInput(VK_CONTROL, 0));
        inputs.push_back(keyInput(VK_CONTROL, KEYEVENTF_KEYUP));
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void openContextMenu(const ZelProcess& zel, int id) {
    RECT area{};
    GetWindowRect(zel.control(id), &area);
    zel.post(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(zel.window()),
             MAKELPARAM((area.left + area.right) / 2, (area.top + area.bottom) / 2));
}

std::wstring clipboardText() {
    std::wstring text;
    if (OpenClipboard(nullptr)) {
        const HANDLE data = GetClipboardData(CF_UNICODETEXT);
        if (const auto* locked = data ? static_cast<const wchar_t*>(GlobalLock(data)) : nullptr) {
            text = locked;
            GlobalUnlock(data);
        }
        CloseClipboard();
    }
    return text;
}

}  // namespace zel::test
