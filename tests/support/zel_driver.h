// Drives a running zel.exe from outside, as a user would: its window, controls, message boxes
// and file dialogs, and the screen. Every wait polls against a time limit; the controls are
// named by the program's own ids (ui/ui_state.h).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tests/support/processes.h"
#include "tests/support/real_files.h"
#include "ui/ui_state.h"

namespace zel::test {

inline constexpr char infoTitle[] = ZEL_PROGRAM_TITLE " - Info";
inline constexpr char idleStatus[] = "Idle . . .";
inline constexpr char sourceChooserTitle[] = "Select sourcefile";
inline constexpr char destinationChooserTitle[] = "Select destination";

// A job on a big file may run for many seconds.
inline constexpr milliseconds jobLimit{120000};

// The zel.exe of this build, as Windows names it.
std::string zelExePath();

// Text and class of any window, asked as an outside program may. The narrow text is in this
// program's code page (Windows-1252; zel.exe runs in UTF-8): other names need the wide form.
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
    // Starts zel.exe (in workingDirectory when given) and waits for its main window; with
    // arguments, each passed as one, and exePath, when given, instead of this build's zel.exe.
    explicit ZelProcess(const AnyPath& workingDirectory = {},
                        const std::vector<std::wstring>& arguments = {},
                        const std::string& exePath = {});

    HWND window() const { return window_; }
    DWORD threadId() const { return process_.threadId(); }
    HWND control(int id) const { return GetDlgItem(window_, id); }

    std::string text(int id) const { return windowText(control(id)); }
    std::wstring wideText(int id) const { return wideWindowText(control(id)); }
    // WM_SETTEXT to the control.
    void setText(int id, const std::string& text) const;
    // Clicks the button without waiting for what the click starts (BM_CLICK, posted).
    void click(int id) const;
    // Posts a message to the dialog window.
    void post(UINT message, WPARAM wParam, LPARAM lParam) const;
    // Whether the program answers messages within the limit (not busy, not hung).
    bool responds(milliseconds limit = waitLimit) const;
    bool running() const { return process_.running(); }
    // The exit code once the process has ended within the limit.
    std::optional<DWORD> waitForExit(milliseconds limit = waitLimit) const {
        return process_.waitForExit(limit);
    }
    // Clicks "Quit"; the exit code once the program has ended.
    std::optional<DWORD> quit() const;

    // The program's visible top-level dialogs other than the main window.
    std::vector<ShownDialog> shownDialogs() const;
    // Waits for a dialog with this title (a message box, a file chooser).
    std::optional<ShownDialog> waitForDialog(const std::string& title,
                                             milliseconds limit = waitLimit) const;
    // Waits until no dialog with this title is shown.
    bool waitUntilGone(const std::string& title, milliseconds limit = waitLimit) const;
    // Presses a button (IDOK, IDCANCEL) in a message box or a file chooser.
    static void press(HWND dialog, int button);
    static void pressCancel(HWND dialog) { press(dialog, IDCANCEL); }
    // Types names ("\"a.txt\" \"b.txt\"" for several) into a file chooser and presses OK.
    static void chooseFiles(HWND chooser, const std::wstring& names);

    // The window that has the keyboard focus in the program's thread.
    HWND focus() const;

private:
    Process process_;
    HWND window_ = nullptr;
};

// Clicks "Load sourcefile", types the names into the chooser and presses Open; waits until the
// chooser has closed.
bool chooseSources(const ZelProcess& zel, const std::wstring& names);
// Clicks "Load sourcefile" and cancels the chooser.
bool cancelSourceChooser(const ZelProcess& zel);
// Clicks "Choose destination", types the name and presses Save. Waits until the chooser has
// closed or the information box refuses the name (it is then left open).
bool chooseDestination(const ZelProcess& zel, const std::wstring& name);
// Cancels the chooser of this title that is open now (or opens within the limit); waits until
// it has closed and the dialog takes input again.
bool cancelChooser(const ZelProcess& zel, const std::string& title);

// Waits for the information box, presses OK and waits until it has gone; its message as
// UTF-16, or nothing when no box came.
std::optional<std::wstring> dismissInfo(const ZelProcess& zel, milliseconds limit = waitLimit);

// Waits until a job has ended: idle status, the destination display emptied (as every job
// does) and "Code file" enabled again.
bool waitForJobEnd(const ZelProcess& zel, milliseconds limit = jobLimit);

// Types the key into the key entry (WM_CHAR), replacing what it held; whether it then holds it.
bool typeKey(const ZelProcess& zel, const std::string& key);

// The progress bar's position, asked with a time limit; nothing when it did not answer.
std::optional<int> progressPosition(const ZelProcess& zel, milliseconds limit);

// The pixels of a window's client area as they are on the screen, row by row.
struct Capture {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;
    COLORREF at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};
Capture captureClientArea(HWND window);
// One pixel of a window's client area as it is on the screen.
COLORREF screenPixel(HWND window, POINT clientPoint);

// Traits of a handle, null for none, that `closeHandle` closes.
template <typename H, auto closeHandle>
struct ClosedBy {
    using Handle = H;
    static Handle none() { return nullptr; }
    static bool valid(Handle handle) { return handle != nullptr; }
    static bool close(Handle handle) { return closeHandle(handle) != 0; }
};
// Owners of what a test makes in its own process: a loaded module and a window.
using LoadedModule = win32::UniqueHandle<ClosedBy<HMODULE, &FreeLibrary>>;
using OwnedWindow = win32::UniqueHandle<ClosedBy<HWND, &DestroyWindow>>;

// zel.exe loaded as data, to read its resources.
LoadedModule loadZelResources();
// A resource of a loaded module; empty when it has none of that name and type.
Bytes resourceBytes(HMODULE module, LPCWSTR name, LPCWSTR type);
// A text of a version resource (VS_VERSIONINFO) in its first language, as Explorer shows it:
// "ProductName", "ProductVersion"; empty when there is none.
std::wstring versionString(const Bytes& versionInfo, const std::wstring& name);

}  // namespace zel::test
