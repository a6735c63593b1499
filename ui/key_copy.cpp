#include "ui/key_copy.h"

#include <windowsx.h>

#include <cstring>
#include <string>

#include "ui/ui_state.h"

namespace zel::ui {

namespace {

constexpr WPARAM ctrlC = 0x03;  // the character Ctrl+C types
constexpr UINT copyKeyItem = 1;
// Another program may hold the clipboard for a moment (a clipboard manager reading it).
constexpr int clipboardAttempts = 10;
constexpr DWORD clipboardRetryMs = 10;

struct MenuTraits {
    using Handle = HMENU;
    static Handle none() { return nullptr; }
    static bool valid(Handle handle) { return handle != nullptr; }
    static bool close(Handle handle) { return DestroyMenu(handle) != 0; }
};
struct GlobalMemoryTraits {
    using Handle = HGLOBAL;
    static Handle none() { return nullptr; }
    static bool valid(Handle handle) { return handle != nullptr; }
    static bool close(Handle handle) { return GlobalFree(handle) == nullptr; }
};
struct OpenClipboardTraits {
    using Handle = bool;
    static Handle none() { return false; }
    static bool valid(Handle open) { return open; }
    static bool close(Handle) { return CloseClipboard() != 0; }
};

std::wstring shownKey(HWND dialog) {
    const HWND display = GetDlgItem(dialog, keyDisplay);
    std::wstring key(static_cast<std::size_t>(GetWindowTextLengthW(display)) + 1, L'\0');
    key.resize(static_cast<std::size_t>(
        GetWindowTextW(display, key.data(), static_cast<int>(key.size()))));
    return key;
}

bool entryHasSelection(HWND entry) {
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(entry, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    return start != end;
}

win32::UniqueHandle<OpenClipboardTraits> openClipboard(HWND owner) {
    for (int attempt = 1; attempt <= clipboardAttempts; ++attempt) {
        if (OpenClipboard(owner)) {
            return win32::UniqueHandle<OpenClipboardTraits>(true);
        }
        Sleep(clipboardRetryMs);
    }
    return {};
}

bool putOnClipboard(HWND owner, const std::wstring& text) {
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    win32::UniqueHandle<GlobalMemoryTraits> memory(GlobalAlloc(GMEM_MOVEABLE, bytes));
    void* target = memory ? GlobalLock(memory.get()) : nullptr;
    if (target == nullptr) {
        return false;
    }
    std::memcpy(target, text.c_str(), bytes);
    GlobalUnlock(memory.get());
    const auto clipboard = openClipboard(owner);
    if (!clipboard || !EmptyClipboard() || !SetClipboardData(CF_UNICODETEXT, memory.get())) {
        return false;
    }
    memory.release();  // the clipboard owns it now
    return true;
}

}  // namespace

bool takeCopyKeystroke(HWND dialog, const MSG& message) {
    if (message.message != WM_CHAR || message.wParam != ctrlC ||
        (message.hwnd != dialog && !IsChild(dialog, message.hwnd))) {
        return false;
    }
    const HWND entry = GetDlgItem(dialog, keyEntry);
    if (message.hwnd == entry && entryHasSelection(entry)) {
        return false;
    }
    copyShownKey(dialog);
    return true;
}

bool showKeyMenu(HWND dialog, LPARAM screenPoint) {
    const POINT at{GET_X_LPARAM(screenPoint), GET_Y_LPARAM(screenPoint)};
    RECT display{};
    GetWindowRect(GetDlgItem(dialog, keyDisplay), &display);
    // From the keyboard the point is (-1, -1): the display is no tab stop, Ctrl+C is the
    // keyboard's way.
    if ((at.x == -1 && at.y == -1) || !PtInRect(&display, at)) {
        return false;
    }
    const win32::UniqueHandle<MenuTraits> menu(CreatePopupMenu());
    if (!menu) {
        return false;
    }
    const UINT enabled = shownKey(dialog).empty() ? MF_GRAYED : MF_ENABLED;
    AppendMenuW(menu.get(), MF_STRING | enabled, copyKeyItem, L"&Copy key");
    const BOOL chosen =
        TrackPopupMenuEx(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, dialog, nullptr);
    if (chosen == static_cast<BOOL>(copyKeyItem)) {
        copyShownKey(dialog);
    }
    return true;
}

bool copyShownKey(HWND dialog) {
    const std::wstring key = shownKey(dialog);
    if (key.empty()) {
        return false;
    }
    if (!putOnClipboard(dialog, key)) {
        MessageBeep(MB_ICONWARNING);
        return false;
    }
    return true;
}

}  // namespace zel::ui
