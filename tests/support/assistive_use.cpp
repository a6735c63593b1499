#include "tests/support/assistive_use.h"

#include <oleacc.h>

#include <algorithm>
#include <future>

#include "win32/com_apartment.h"

namespace zel::test {

namespace {

thread_local std::pair<std::mutex*, std::vector<std::pair<DWORD, HWND>>*> listenerOfThread;

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

}  // namespace zel::test
