#include "tests/support/zel_driver.h"

#include <commctrl.h>

#include <stdexcept>

#include "win32/text.h"

namespace zel::test {

namespace {

using namespace ui;

constexpr int messageTextId = 0xFFFF;
constexpr int fileNameEditId = 0x47c;
constexpr UINT sendLimitMs = 5000;

std::vector<HWND> topLevelWindows(DWORD processId) {
    struct Search {
        DWORD processId;
        std::vector<HWND> found;
    } search{processId, {}};
    EnumWindows(
        [](HWND window, LPARAM lParam) -> BOOL {
            auto* into = reinterpret_cast<Search*>(lParam);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == into->processId) {
                into->found.push_back(window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Device contexts: of the screen (released) and made in memory (deleted).
int releaseScreenDc(HDC dc) {
    return ReleaseDC(nullptr, dc);
}
using ScreenDc = win32::UniqueHandle<ClosedBy<HDC, &releaseScreenDc>>;
using MemoryDc = win32::UniqueHandle<ClosedBy<HDC, &DeleteDC>>;

}  // namespace

std::string zelExePath() {
    return windowsPath(ZEL_EXE_PATH);
}

std::string windowText(HWND window) {
    return win32::fromWideForDisplay(wideWindowText(window));
}

std::wstring wideWindowText(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, sendLimitMs,
                             &length)) {
        return {};
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_ABORTIFHUNG, sendLimitMs, &copied);
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

std::string className(HWND window) {
    char name[256] = {};
    const int length = GetClassNameA(window, name, sizeof name);
    return std::string(name, static_cast<std::size_t>(length > 0 ? length : 0));
}

ZelProcess::ZelProcess(const AnyPath& workingDirectory, const std::vector<std::wstring>& arguments,
                       const std::string& exePath)
    : process_(wideOf(exePath.empty() ? zelExePath() : exePath), arguments,
               workingDirectory.wide()) {
    const bool shown = waitUntil(
        [this] {
            for (HWND candidate : topLevelWindows(process_.id())) {
                if (IsWindowVisible(candidate) && windowText(candidate) == programTitle) {
                    window_ = candidate;
                    return true;
                }
            }
            return !running();
        },
        startLimit);
    if (!shown || window_ == nullptr) {
        throw std::runtime_error(std::string("zel.exe showed no window \"") + programTitle + "\"");
    }
}

void ZelProcess::setText(int id, const std::string& text) const {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                        SMTO_ABORTIFHUNG, sendLimitMs, &ignored);
}

void ZelProcess::click(int id) const {
    PostMessageA(control(id), BM_CLICK, 0, 0);
}

void ZelProcess::post(UINT message, WPARAM wParam, LPARAM lParam) const {
    PostMessageA(window_, message, wParam, lParam);
}

bool ZelProcess::responds(milliseconds limit) const {
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutA(window_, WM_NULL, 0, 0, SMTO_NORMAL,
                               static_cast<UINT>(limit.count()), &ignored) != 0;
}

std::optional<DWORD> ZelProcess::quit() const {
    click(quitButton);
    return waitForExit();
}

std::vector<ShownDialog> ZelProcess::shownDialogs() const {
    std::vector<ShownDialog> dialogs;
    for (HWND candidate : topLevelWindows(process_.id())) {
        if (candidate == window_ || !IsWindowVisible(candidate) ||
            className(candidate) != "#32770") {
            continue;
        }
        const HWND message = GetDlgItem(candidate, messageTextId);
        dialogs.push_back({candidate, windowText(candidate), message ? windowText(message) : "",
                           GetWindow(candidate, GW_OWNER)});
    }
    return dialogs;
}

std::optional<ShownDialog> ZelProcess::waitForDialog(const std::string& title,
                                                     milliseconds limit) const {
    std::optional<ShownDialog> found;
    waitUntil(
        [&] {
            for (const ShownDialog& shown : shownDialogs()) {
                if (shown.title == title) {
                    found = shown;
                    return true;
                }
            }
            return false;
        },
        limit);
    return found;
}

bool ZelProcess::waitUntilGone(const std::string& title, milliseconds limit) const {
    return waitUntil([&] { return !waitForDialog(title, milliseconds(0)); }, limit);
}

void ZelProcess::press(HWND dialog, int button) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
}

void ZelProcess::chooseFiles(HWND chooser, const std::wstring& names) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(GetDlgItem(chooser, fileNameEditId), WM_SETTEXT, 0,
                        reinterpret_cast<LPARAM>(names.c_str()), SMTO_ABORTIFHUNG, sendLimitMs,
                        &ignored);
    press(chooser, IDOK);
}

HWND ZelProcess::focus() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(threadId(), &info) ? info.hwndFocus : nullptr;
}

bool chooseSources(const ZelProcess& zel, const std::wstring& names) {
    zel.click(loadSourceButton);
    const auto chooser = zel.waitForDialog(sourceChooserTitle);
    if (!chooser) {
        return false;
    }
    ZelProcess::chooseFiles(chooser->window, names);
    return zel.waitUntilGone(sourceChooserTitle);
}

bool cancelSourceChooser(const ZelProcess& zel) {
    zel.click(loadSourceButton);
    return cancelChooser(zel, sourceChooserTitle);
}

bool chooseDestination(const ZelProcess& zel, const std::wstring& name) {
    zel.click(chooseDestButton);
    const auto chooser = zel.waitForDialog(destinationChooserTitle);
    if (!chooser) {
        return false;
    }
    ZelProcess::chooseFiles(chooser->window, name);
    // The chooser closes; then the dialog takes input again, or the name is refused.
    return waitUntil([&] {
        return zel.waitForDialog(infoTitle, milliseconds(0)) ||
               (IsWindow(chooser->window) == 0 && IsWindowEnabled(zel.window()));
    });
}

bool cancelChooser(const ZelProcess& zel, const std::string& title) {
    const auto chooser = zel.waitForDialog(title);
    if (!chooser) {
        return false;
    }
    ZelProcess::pressCancel(chooser->window);
    return zel.waitUntilGone(title) &&
           waitUntil([&] { return IsWindowEnabled(zel.window()) != 0; });
}

std::optional<std::wstring> dismissInfo(const ZelProcess& zel, milliseconds limit) {
    const auto box = zel.waitForDialog(infoTitle, limit);
    if (!box) {
        return std::nullopt;
    }
    const std::wstring message = wideWindowText(GetDlgItem(box->window, messageTextId));
    ZelProcess::press(box->window, IDOK);
    return waitUntil([&] { return IsWindow(box->window) == 0; }) ? std::optional(message)
                                                                 : std::nullopt;
}

bool waitForJobEnd(const ZelProcess& zel, milliseconds limit) {
    return waitUntil(
        [&] {
            return IsWindowEnabled(zel.control(codeButton)) && zel.text(destDisplay).empty() &&
                   zel.text(statusDisplay) == idleStatus;
        },
        limit);
}

bool typeKey(const ZelProcess& zel, const std::string& key) {
    zel.setText(keyEntry, "");
    for (const char c : key) {
        PostMessageA(zel.control(keyEntry), WM_CHAR, static_cast<unsigned char>(c), 1);
    }
    return waitUntil([&] { return zel.text(keyEntry) == key; });
}

std::optional<int> progressPosition(const ZelProcess& zel, milliseconds limit) {
    DWORD_PTR position = 0;
    if (!SendMessageTimeoutA(zel.control(progressBar), PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG,
                             static_cast<UINT>(limit.count()), &position)) {
        return std::nullopt;
    }
    return static_cast<int>(position);
}

Capture captureClientArea(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    POINT corner{0, 0};
    ClientToScreen(window, &corner);

    Capture capture;
    capture.width = client.right - client.left;
    capture.height = client.bottom - client.top;
    if (capture.width <= 0 || capture.height <= 0) {
        return capture;
    }
    BITMAPINFO format{};  // 32 bits a pixel, top-down rows
    format.bmiHeader = {
        sizeof format.bmiHeader, capture.width, -capture.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};

    const ScreenDc screen(GetDC(nullptr));
    const MemoryDc memory(CreateCompatibleDC(screen.get()));
    void* bits = nullptr;
    const win32::Bitmap bitmap(
        CreateDIBSection(memory.get(), &format, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || bits == nullptr) {
        return capture;
    }
    const HGDIOBJ previous = SelectObject(memory.get(), bitmap.get());
    BitBlt(memory.get(), 0, 0, capture.width, capture.height, screen.get(), corner.x, corner.y,
           SRCCOPY);
    GdiFlush();
    SelectObject(memory.get(), previous);

    const auto* pixels = static_cast<const uint8_t*>(bits);
    const std::size_t count = static_cast<std::size_t>(capture.width) * capture.height;
    capture.pixels.reserve(count);
    for (std::size_t index = 0; index < count; ++index) {
        const uint8_t* bgra = pixels + index * 4;
        capture.pixels.push_back(RGB(bgra[2], bgra[1], bgra[0]));
    }
    return capture;
}

COLORREF screenPixel(HWND window, POINT clientPoint) {
    ClientToScreen(window, &clientPoint);
    const ScreenDc screen(GetDC(nullptr));
    return GetPixel(screen.get(), clientPoint.x, clientPoint.y);
}

LoadedModule loadZelResources() {
    return LoadedModule(LoadLibraryExW(wideOf(zelExePath()).c_str(), nullptr,
                                       LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
}

Bytes resourceBytes(HMODULE module, LPCWSTR name, LPCWSTR type) {
    const HRSRC found = FindResourceW(module, name, type);
    const auto* data =
        found ? static_cast<const uint8_t*>(LockResource(LoadResource(module, found))) : nullptr;
    return data ? Bytes(data, data + SizeofResource(module, found)) : Bytes();
}

std::wstring versionString(const Bytes& versionInfo, const std::wstring& name) {
    // VerQueryValue needs a writable copy.
    Bytes info = versionInfo;
    WORD* translation = nullptr;  // language, code page
    wchar_t* value = nullptr;
    UINT size = 0;
    if (!VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation",
                        reinterpret_cast<void**>(&translation), &size) ||
        size < 4) {
        return {};
    }
    wchar_t block[32];
    swprintf(block, 32, L"\\StringFileInfo\\%04x%04x\\", translation[0], translation[1]);
    return VerQueryValueW(info.data(), (block + name).c_str(), reinterpret_cast<void**>(&value),
                          &size)
               ? std::wstring(value)
               : std::wstring();
}

}  // namespace zel::test
