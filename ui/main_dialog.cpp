#include "ui/main_dialog.h"

#include <commctrl.h>

#include <cstddef>
#include <cstring>
#include <iterator>

#include "jobs/coding_job.h"
#include "jobs/decoding_job.h"
#include "jobs/texts.h"
#include "resource.h"  // res/: the ids of the program's resources
#include "ui/explorer_files.h"
#include "ui/file_choosers.h"
#include "ui/key_copy.h"
#include "ui/screen_reader.h"
#include "win32/text.h"

namespace zel::ui {

namespace {

constexpr DWORD dialogStyle = DS_CENTER | DS_SETFONT | DS_NOFAILCREATE | DS_3DLOOK;
constexpr short dialogWidth = 450;
constexpr short dialogHeight = 200;
constexpr WORD dialogFontPoints = 8;
constexpr wchar_t dialogFontFace[] = L"MS Sans Serif";

constexpr DWORD buttonStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD progressStyle = WS_CHILD | WS_VISIBLE | WS_BORDER;
constexpr DWORD labelStyle = WS_CHILD | WS_VISIBLE | SS_LEFT;
constexpr DWORD displayStyle = WS_CHILD | WS_VISIBLE | SS_SUNKEN | SS_LEFT;
constexpr DWORD bannerStyle = WS_CHILD | WS_VISIBLE | SS_BITMAP;
constexpr DWORD entryStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL | ES_LEFT;

// The callbacks, recorded with their control windows by their position here (plus one, so
// that a window without a record reads as none).
constexpr ControlCallback callbacks[] = {onLoadSource, onChooseDestination, onCodeFile,
                                         onDecodeFile, onQuit};
constexpr char callbackProperty[] = "ZelCallback";

struct ControlRow {
    int id;
    const char* className;
    const char* text;  // null: no window text
    short x, y, width, height;
    DWORD style;
    DWORD exStyle;
    ControlCallback callback;
};

// Creation order, which is also the Tab order.
constexpr ControlRow controlTable[] = {
    {loadSourceButton, "BUTTON", "Load sourcefile", 5, 10, 120, 20, buttonStyle, 0, onLoadSource},
    {chooseDestButton, "BUTTON", "Choose destination", 5, 40, 120, 20, buttonStyle, 0,
     onChooseDestination},
    {codeButton, "BUTTON", "Code file", 165, 10, 120, 20, buttonStyle, 0, onCodeFile},
    {decodeButton, "BUTTON", "Decode file", 165, 40, 120, 20, buttonStyle, 0, onDecodeFile},
    {quitButton, "BUTTON", "Quit", 320, 10, 120, 20, buttonStyle, 0, onQuit},
    {progressBar, PROGRESS_CLASSA, "", 5, 90, 390, 10, progressStyle, 0, nullptr},
    {sourceLabel, "STATIC", "Sourcefile :", 5, 125, 50, 10, labelStyle, 0, nullptr},
    {destLabel, "STATIC", "Destfile   :", 5, 140, 50, 10, labelStyle, 0, nullptr},
    {statusLabel, "STATIC", "Status     :", 5, 155, 50, 10, labelStyle, 0, nullptr},
    {keyLabel, "STATIC", "Key :", 5, 110, 50, 10, labelStyle, 0, nullptr},
    {sourceDisplay, "STATIC", "", 45, 125, 350, 10, displayStyle, 0, nullptr},
    {destDisplay, "STATIC", "", 45, 140, 350, 10, displayStyle, 0, nullptr},
    {statusDisplay, "STATIC", nullptr /* idle */, 45, 155, 350, 10, displayStyle, 0, nullptr},
    {keyDisplay, "STATIC", "", 45, 110, 350, 10, displayStyle, 0, nullptr},
    {bannerImage, "STATIC", nullptr, 310, 40, 200, 50, bannerStyle, 0, nullptr},
    {keyEntry, "EDIT", "", 5, 70, 390, 10, entryStyle, WS_EX_CLIENTEDGE, nullptr},
};

void recordCallback(HWND control, ControlCallback callback) {
    for (std::size_t index = 0; index < std::size(callbacks); ++index) {
        if (callbacks[index] == callback) {
            SetPropA(control, callbackProperty, reinterpret_cast<HANDLE>(index + 1));
        }
    }
}

ControlCallback recordedCallback(HWND control) {
    const auto record = reinterpret_cast<std::size_t>(GetPropA(control, callbackProperty));
    return record >= 1 && record <= std::size(callbacks) ? callbacks[record - 1] : nullptr;
}

// The common rule of the callbacks: they act only on a click.
bool isClick(UINT message, WPARAM wParam) {
    return message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED;
}

MainDialog* dialogObject(HWND dialog) {
    return reinterpret_cast<MainDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

}  // namespace

std::vector<DWORD> mainDialogTemplate() {
    std::vector<WORD> words;
    auto addDword = [&words](DWORD value) {
        words.push_back(LOWORD(value));
        words.push_back(HIWORD(value));
    };
    addDword(dialogStyle);
    addDword(0);         // extended style
    words.push_back(0);  // no items
    words.push_back(0);  // x: DS_CENTER places the dialog
    words.push_back(0);  // y
    words.push_back(static_cast<WORD>(dialogWidth));
    words.push_back(static_cast<WORD>(dialogHeight));
    words.push_back(0);  // no menu
    words.push_back(0);  // the predefined dialog class
    words.push_back(0);  // empty title: the caption is set after creation
    words.push_back(dialogFontPoints);
    for (const wchar_t* c = dialogFontFace; *c != L'\0'; ++c) {
        words.push_back(static_cast<WORD>(*c));
    }
    words.push_back(0);
    std::vector<DWORD> aligned((words.size() + 1) / 2, 0);
    std::memcpy(aligned.data(), words.data(), words.size() * sizeof(WORD));
    return aligned;
}

void endMainDialog(HWND dialog) {
    DestroyWindow(dialog);
}

int32_t onLoadSource(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (isClick(message, wParam)) {
        MainDialog* self = dialogObject(dialog);
        chooseSource(self->state(), self->host());
    }
    return 0;
}

int32_t onChooseDestination(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (isClick(message, wParam)) {
        MainDialog* self = dialogObject(dialog);
        chooseDestination(self->state(), self->host());
    }
    return 0;
}

int32_t onCodeFile(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (isClick(message, wParam)) {
        MainDialog* self = dialogObject(dialog);
        self->runJob(
            [self] {
                // Until the key is shown, a coded file that the session's end leaves behind
                // could never be decoded: the end removes those made so far too.
                holdNamedOutputs();
                runCodingJob(self->state().shared, self->host(), self->files());
                releaseNamedOutputs();
            },
            win32::toWideForDisplay(texts().codingHoldsSessionEnd));
    }
    return 0;
}

int32_t onDecodeFile(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (isClick(message, wParam)) {
        MainDialog* self = dialogObject(dialog);
        self->runJob([self] { runDecodingJob(self->state().shared, self->host(), self->files()); },
                     win32::toWideForDisplay(texts().decodingHoldsSessionEnd));
    }
    return 0;
}

int32_t onQuit(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (!isClick(message, wParam)) {
        return 0;
    }
    endMainDialog(dialog);
    return 1;
}

MainDialog::MainDialog(HINSTANCE instance, HFONT font) : instance_(instance), font_(font) {}

bool MainDialog::buildMainDialog() {
    const std::vector<DWORD> dialogTemplate = mainDialogTemplate();
    state_.mainDialog = CreateDialogIndirectParamA(
        instance_, reinterpret_cast<LPCDLGTEMPLATEA>(dialogTemplate.data()), nullptr,
        dialogProcedure, reinterpret_cast<LPARAM>(this));
    if (state_.mainDialog == nullptr) {
        return false;
    }
    SetWindowTextA(state_.mainDialog, programTitle);
    if (!createControls()) {
        // A dialog without one of its controls must not start as if whole.
        DestroyWindow(state_.mainDialog);
        state_.mainDialog = nullptr;
        return false;
    }
    DragAcceptFiles(state_.mainDialog, TRUE);
    nameControlsForScreenReaders(state_.mainDialog);
    palette_.follow(highContrastOn());
    return true;
}

bool MainDialog::createControls() {
    for (const ControlRow& row : controlTable) {
        RECT area{row.x, row.y, row.x + row.width, row.y + row.height};
        MapDialogRect(state_.mainDialog, &area);
        // The status starts idle, in the words of the table of texts.
        const char* text = row.id == statusDisplay ? texts().idleStatus.c_str() : row.text;
        const HWND control = CreateWindowExA(
            row.exStyle, row.className, text, row.style, area.left, area.top,
            area.right - area.left, area.bottom - area.top, state_.mainDialog,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(row.id)), instance_, nullptr);
        if (control == nullptr) {
            return false;
        }
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
        if (row.callback != nullptr) {
            recordCallback(control, row.callback);
        }
        if (row.id == bannerImage) {
            banner_.reset(static_cast<HBITMAP>(LoadImageA(instance_, BANNER_RESOURCE_NAME,
                                                          IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS)));
            SendMessageA(control, STM_SETIMAGE, IMAGE_BITMAP,
                         reinterpret_cast<LPARAM>(banner_.get()));
        }
    }
    return true;
}

void MainDialog::takeExplorerFiles(const std::vector<std::wstring>& names) {
    if (!jobRunning_) {
        chooseExplorerFiles(state_, host_, names);
    }
}

void MainDialog::discardQueuedDrops() {
    MSG message;
    while (PeekMessageW(&message, state_.mainDialog, WM_DROPFILES, WM_DROPFILES, PM_REMOVE)) {
        const DropHandle discarded(reinterpret_cast<HDROP>(message.wParam));
    }
}

void MainDialog::runMainDialog() {
    const HWND dialog = state_.mainDialog;
    ShowWindow(dialog, SW_SHOW);
    for (;;) {
        MSG message;
        if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (!IsWindow(dialog)) {
                return;
            }
            // Sleeps until input arrives: an idle window costs no processor time.
            // MWMO_INPUTAVAILABLE also wakes for input that an earlier peek saw but left queued.
            MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
            continue;
        }
        if (takeCopyKeystroke(dialog, message)) {
            continue;
        }
        // A quit message is dispatched like any other: only the dialog's end ends the loop.
        if (!IsWindow(dialog) || !IsDialogMessageA(dialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (!IsWindow(dialog)) {
            return;
        }
    }
}

INT_PTR CALLBACK MainDialog::dialogProcedure(HWND dialog, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        return FALSE;
    }
    MainDialog* self = dialogObject(dialog);
    return self != nullptr ? self->dispatch(dialog, message, wParam, lParam) : FALSE;
}

INT_PTR MainDialog::dispatch(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    const bool closeCommand = message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE;
    if (jobRunning_ && (message == WM_COMMAND || closeCommand)) {
        return TRUE;
    }
    switch (message) {
        case WM_COMMAND:
            return dispatchCommand(dialog, message, wParam, lParam);
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == SC_CLOSE) {
                endMainDialog(dialog);
                return TRUE;
            }
            return FALSE;
        case WM_CTLCOLORDLG:
            if (reinterpret_cast<HWND>(lParam) == dialog) {
                return reinterpret_cast<INT_PTR>(
                    palette_.paintDialog(reinterpret_cast<HDC>(wParam)));
            }
            return FALSE;
        case WM_CTLCOLORBTN:
            if (reinterpret_cast<HWND>(lParam) == GetDlgItem(dialog, loadSourceButton)) {
                return reinterpret_cast<INT_PTR>(
                    palette_.paintLoadSource(reinterpret_cast<HDC>(wParam)));
            }
            return FALSE;
        case WM_SYSCOLORCHANGE:
        case WM_SETTINGCHANGE:
            followSystemColours(dialog, palette_, message, wParam);
            return FALSE;
        case WM_CONTEXTMENU:
            return showKeyMenu(dialog, lParam) ? TRUE : FALSE;
        case WM_DROPFILES: {
            // The drop is finished before a refusal is shown, not after the box is closed.
            const std::vector<std::wstring> names =
                droppedNames(DropHandle(reinterpret_cast<HDROP>(wParam)));
            takeExplorerFiles(names);
            return TRUE;
        }
        case WM_QUERYENDSESSION:
            if (host_.working()) {
                // A dialog procedure gives its answer through DWLP_MSGRESULT; what it returns
                // only says that it handled the message.
                SetWindowLongPtrA(dialog, DWLP_MSGRESULT, FALSE);
                return TRUE;
            }
            return FALSE;
        case WM_ENDSESSION:
            if (wParam != FALSE && jobRunning_) {
                // The system ends the process once this returns; the unfinished output goes
                // first, and the coded files whose key is not shown yet, and the job must not go
                // on to report the loss or start the next file.
                discardUnfinishedOutputs();
                ExitProcess(0);
            }
            return FALSE;
        case WM_DESTROY:
            for (const ControlRow& row : controlTable) {
                RemovePropA(GetDlgItem(dialog, row.id), callbackProperty);
            }
            return FALSE;
        default:
            return FALSE;
    }
}

INT_PTR MainDialog::dispatchCommand(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    // The command must name one of the dialog's controls; the callback is that of the window
    // the command comes from.
    if (GetDlgItem(dialog, LOWORD(wParam)) == nullptr) {
        return FALSE;
    }
    const auto source = reinterpret_cast<HWND>(lParam);
    if (source == nullptr || GetParent(source) != dialog) {
        return FALSE;
    }
    const ControlCallback callback = recordedCallback(source);
    if (callback == nullptr) {
        return FALSE;
    }
    const int32_t result = callback(dialog, message, wParam, lParam);
    if (result == 0) {
        return FALSE;
    }
    if (IsWindow(dialog) && GetWindowLongPtrA(dialog, DWLP_MSGRESULT) == 0) {
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, result);
    }
    return result;
}

}  // namespace zel::ui
