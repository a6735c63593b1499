// Drives a running zel.exe from outside, as a user or an automation tool would: starts the
// process, finds its window, reads and sets control texts, clicks, answers message boxes and
// file choosers, and waits for the process to end. Every wait polls against a time limit.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zel::test {

using std::chrono::milliseconds;

// Generous limits: Wine starts programs and opens file dialogs slowly on a busy machine.
inline constexpr milliseconds startLimit{30000};
inline constexpr milliseconds waitLimit{15000};

// Polls the condition until it holds or the limit has passed; true when it held.
bool waitUntil(const std::function<bool()>& condition, milliseconds limit = waitLimit);

// A path of the build as Windows names it: a Linux path (under Wine) becomes Z:\...
std::string windowsPath(const std::string& path);
// The zel.exe of this build.
std::string zelExePath();

// Text and class of any window, through the messages an outside program may send. The narrow
// text is in this test program's code page (Windows-1252, while zel.exe runs in UTF-8): names
// outside Windows-1252 need the wide forms.
std::string windowText(HWND window);
std::wstring wideWindowText(HWND window);
std::string className(HWND window);

// A message box or other dialog shown by the program.
struct ShownDialog {
    HWND window = nullptr;
    std::string title;
    std::string text;  // the message of a message box (static 0xFFFF), else empty
    HWND owner = nullptr;
};

class ZelProcess {
public:
    // Starts zel.exe (in workingDirectory when given) and waits for its window "ZEL 0.23".
    explicit ZelProcess(const std::string& workingDirectory = {});
    // The same with arguments, each passed as one (quoted as CommandLineToArgvW reads them),
    // and, when exePath is given, that zel.exe instead of this build's.
    ZelProcess(const std::string& workingDirectory, const std::vector<std::wstring>& arguments,
               const std::string& exePath = {});
    // Ends the process if it still runs.
    ~ZelProcess();
    ZelProcess(const ZelProcess&) = delete;
    ZelProcess& operator=(const ZelProcess&) = delete;

    HWND window() const { return window_; }
    DWORD processId() const { return processId_; }
    DWORD threadId() const { return threadId_; }
    HANDLE process() const { return process_; }
    HWND control(int id) const { return GetDlgItem(window_, id); }

    std::string text(int id) const { return windowText(control(id)); }
    std::wstring wideText(int id) const { return wideWindowText(control(id)); }
    // WM_SETTEXT to the control.
    void setText(int id, const std::string& text) const;
    // Types the text into the control, character by character, as keystrokes would.
    void type(int id, const std::string& text) const;
    // Clicks the button without waiting for what the click starts (BM_CLICK, posted).
    void click(int id) const;
    // Posts a message to the dialog window.
    void post(UINT message, WPARAM wParam, LPARAM lParam) const;
    // Whether the program answers messages within the limit (not busy, not hung).
    bool responds(milliseconds limit = waitLimit) const;
    bool running() const;
    // The exit code once the process has ended within the limit.
    std::optional<DWORD> waitForExit(milliseconds limit = waitLimit) const;

    // The program's visible top-level dialogs other than the main window.
    std::vector<ShownDialog> shownDialogs() const;
    // Waits for a dialog with this title (a message box, a file chooser).
    std::optional<ShownDialog> waitForDialog(const std::string& title,
                                             milliseconds limit = waitLimit) const;
    // Waits until no dialog with this title is shown.
    bool waitUntilGone(const std::string& title, milliseconds limit = waitLimit) const;
    // Presses OK (IDOK) in a message box or a file chooser.
    static void pressOk(HWND dialog);
    // Presses Cancel (IDCANCEL) in a file chooser.
    static void pressCancel(HWND dialog);
    // Types names into a file chooser's file-name box (id 0x47c) and presses its OK button.
    // Several files: "\"a.txt\" \"b.txt\"".
    static void chooseFiles(HWND chooser, const std::string& names);
    static void chooseFiles(HWND chooser, const std::wstring& names);

    // The window that has the keyboard focus in the program's thread.
    HWND focus() const;

private:
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
    DWORD threadId_ = 0;
    HWND window_ = nullptr;
};

}  // namespace zel::test
