// The main dialog: built hidden from an in-memory template with its sixteen controls, shown,
// and run by its message loop until it is destroyed. Clicks reach the callbacks that
// are recorded with the button windows.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "jobs/buffered_files.h"
#include "win32/win32_binary_file.h"
#include "ui/answering_files.h"
#include "ui/dialog_job_host.h"
#include "ui/dialog_palette.h"
#include "ui/ui_state.h"
#include "win32/unique_handle.h"

namespace zel::ui {

// A control's callback: the four values of the window message; non-zero when handled.
using ControlCallback = int32_t (*)(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

int32_t onLoadSource(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
int32_t onChooseDestination(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
int32_t onCodeFile(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
int32_t onDecodeFile(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
int32_t onQuit(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The template of the main dialog: no items, centred, 450 x 200 dialog units, "MS Sans Serif"
// 8 pt. DWORD-aligned, as the dialog functions need.
std::vector<DWORD> mainDialogTemplate();

class MainDialog {
public:
    // The font is the dialog font of every control; it must outlive the dialog.
    MainDialog(HINSTANCE instance, HFONT font);
    MainDialog(const MainDialog&) = delete;
    MainDialog& operator=(const MainDialog&) = delete;

    // Creates the dialog hidden with its controls; false (and no dialog) when the dialog or any
    // of its controls cannot be created.
    bool buildMainDialog();
    // Shows the dialog and runs its message loop until the dialog window no longer exists.
    void runMainDialog();

    // Runs one job; commands that reach the dialog meanwhile are ignored, and so are files
    // dropped on it, also those whose drop still waits in the queue when the job ends. While it
    // works on files, the end of the session is held off with the reason given.
    template <typename Job>
    void runJob(Job job, std::wstring sessionEndReason = {}) {
        jobRunning_ = true;
        host_.setSessionEndReason(std::move(sessionEndReason));
        job();
        discardQueuedDrops();
        jobRunning_ = false;
    }

    // Chooses files handed over from Explorer as the source chooser would; ignored during a
    // job.
    void takeExplorerFiles(const std::vector<std::wstring>& names);

    UiState& state() { return state_; }
    DialogJobHost& host() { return host_; }
    BinaryFile& files() { return files_; }

private:
    static INT_PTR CALLBACK dialogProcedure(HWND dialog, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    INT_PTR dispatch(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR dispatchCommand(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    // False when a control cannot be created.
    bool createControls();
    void discardQueuedDrops();

    HINSTANCE instance_;
    HFONT font_;
    UiState state_;
    DialogJobHost host_{state_};
    Win32BinaryFile systemFiles_;
    BufferedFiles blockFiles_{systemFiles_};
    AnsweringFiles files_{blockFiles_};
    DialogPalette palette_;
    win32::Bitmap banner_;
    // No input is dispatched during a job, but another program can still send the dialog a
    // command, which must neither start a second job inside the first nor end the dialog.
    bool jobRunning_ = false;
};

// Ends the dialog, as "Quit" and the system close command do.
void endMainDialog(HWND dialog);

}  // namespace zel::ui
