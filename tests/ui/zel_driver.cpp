#include "zel_driver.h"

#include <stdexcept>
#include <thread>

namespace zel::test {

namespace {

constexpr char mainTitle[] = "ZEL 0.23";
constexpr int messageTextId = 0xFFFF;
constexpr int fileNameEditId = 0x47c;
constexpr UINT sendLimitMs = 5000;

struct WindowSearch {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK collectWindow(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<WindowSearch*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId) {
        search->found.push_back(window);
    }
    return TRUE;
}

std::vector<HWND> topLevelWindows(DWORD processId) {
    WindowSearch search{processId, {}};
    EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring wideFromThisCodePage(const std::string& text) {
    std::wstring wide(text.size(), L'\0');
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                           wide.data(), static_cast<int>(wide.size()));
    wide.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    return wide;
}

// Backslashes count only before a quote, where each must be doubled.
std::wstring quotedArgument(const std::wstring& argument) {
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L'"';
}

}  // namespace

bool waitUntil(const std::function<bool()>& condition, milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (condition()) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= end) {
            return false;
        }
        std::this_thread::sleep_for(milliseconds(10));
    }
}

std::string windowsPath(const std::string& path) {
    if (path.empty() || path[0] != '/') {
        return path;
    }
    std::string converted = "Z:" + path;
    for (char& c : converted) {
        if (c == '/') {
            c = '\\';
        }
    }
    return converted;
}

std::string zelExePath() {
    return windowsPath(ZEL_EXE_PATH);
}

std::string windowText(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, sendLimitMs,
                             &length)) {
        return {};
    }
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_ABORTIFHUNG, sendLimitMs, &copied);
    text.resize(static_cast<std::size_t>(copied));
    return text;
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

ZelProcess::ZelProcess(const std::string& workingDirectory) : ZelProcess(workingDirectory, {}) {}

ZelProcess::ZelProcess(const std::string& workingDirectory,
                       const std::vector<std::wstring>& arguments, const std::string& exePath) {
    const std::string program = exePath.empty() ? zelExePath() : exePath;
    std::wstring commandLine = quotedArgument(wideFromThisCodePage(program));
    for (const std::wstring& argument : arguments) {
        commandLine += L" " + quotedArgument(argument);
    }
    const std::wstring folder = wideFromThisCodePage(workingDirectory);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &started)) {
        throw std::runtime_error("cannot start " + program);
    }
    CloseHandle(started.hThread);
    process_ = started.hProcess;
    processId_ = started.dwProcessId;
    threadId_ = started.dwThreadId;
    const bool shown = waitUntil(
        [this] {
            for (HWND candidate : topLevelWindows(processId_)) {
                if (IsWindowVisible(candidate) && windowText(candidate) == mainTitle) {
                    window_ = candidate;
                    return true;
                }
            }
            return !running();
        },
        startLimit);
    if (!shown || window_ == nullptr) {
        throw std::runtime_error("zel.exe showed no window \"ZEL 0.23\"");
    }
}

ZelProcess::~ZelProcess() {
    if (running()) {
        TerminateProcess(process_, 99);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
}

void ZelProcess::setText(int id, const std::string& text) const {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                        SMTO_ABORTIFHUNG, sendLimitMs, &ignored);
}

void ZelProcess::type(int id, const std::string& text) const {
    for (const char c : text) {
        PostMessageA(control(id), WM_CHAR, static_cast<unsigned char>(c), 1);
    }
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

bool ZelProcess::running() const {
    return WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> ZelProcess::waitForExit(milliseconds limit) const {
    if (WaitForSingleObject(process_, static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0) {
        return std::nullopt;
    }
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return code;
}

std::vector<ShownDialog> ZelProcess::shownDialogs() const {
    std::vector<ShownDialog> dialogs;
    for (HWND candidate : topLevelWindows(processId_)) {
        if (candidate == window_ || !IsWindowVisible(candidate) ||
            className(candidate) != "#32770") {
            continue;
        }
        ShownDialog shown;
        shown.window = candidate;
        shown.title = windowText(candidate);
        if (HWND message = GetDlgItem(candidate, messageTextId)) {
            shown.text = windowText(message);
        }
        shown.owner = GetWindow(candidate, GW_OWNER);
        dialogs.push_back(shown);
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
    return waitUntil(
        [&] {
            for (const ShownDialog& shown : shownDialogs()) {
                if (shown.title == title) {
                    return false;
                }
            }
            return true;
        },
        limit);
}

void ZelProcess::pressOk(HWND dialog) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
}

void ZelProcess::pressCancel(HWND dialog) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
}

void ZelProcess::chooseFiles(HWND chooser, const std::string& names) {
    HWND edit = GetDlgItem(chooser, fileNameEditId);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(names.c_str()),
                        SMTO_ABORTIFHUNG, sendLimitMs, &ignored);
    pressOk(chooser);
}

void ZelProcess::chooseFiles(HWND chooser, const std::wstring& names) {
    HWND edit = GetDlgItem(chooser, fileNameEditId);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(names.c_str()),
                        SMTO_ABORTIFHUNG, sendLimitMs, &ignored);
    pressOk(chooser);
}

HWND ZelProcess::focus() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(threadId_, &info) ? info.hwndFocus : nullptr;
}

}  // namespace zel::test
