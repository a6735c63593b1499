#include "ui/dialog_job_host.h"

#include <commctrl.h>

#include <vector>

#include "jobs/texts.h"
#include "ui/held_thread.h"
#include "ui/screen_reader.h"
#include "win32/text.h"
#include "win32/win32_binary_file.h"

namespace zel::ui {

namespace {

// The bar paints its filled part inside a one-pixel frame.
int drawableWidth(HWND bar) {
    RECT client{};
    GetClientRect(bar, &client);
    return client.right - client.left - 2;
}

}  // namespace

void showInfo(HWND mainDialog, const std::string& text) {
    // Every text is in the process's code page; a message box shows it up to its first NUL.
    MessageBoxW(mainDialog, win32::toWideForDisplay(text.substr(0, text.find('\0'))).c_str(),
                win32::toWideForDisplay(texts().infoTitle).c_str(), MB_OK);
}

void DialogJobHost::setText(int id, const std::string& text) const {
    SetWindowTextA(control(id), text.c_str());
}

void DialogJobHost::setDisplayText(int id, const std::string& text) const {
    setText(id, text);
    tellNameChanged(control(id));
}

void DialogJobHost::showStatus(const std::string& text) {
    setDisplayText(statusDisplay, text);
    keepPainted(GetTickCount64());
}

void DialogJobHost::showSourceText(const std::string& text) {
    setDisplayText(sourceDisplay, text);
}

void DialogJobHost::showDestinationText(const std::string& text) {
    setDisplayText(destDisplay, text);
}

void DialogJobHost::showKeyText(const std::string& text) {
    setText(keyDisplay, text);
    if (text.empty()) {
        tellNameChanged(control(keyDisplay));
    } else {
        releaseNamedOutputs();  // the key is shown: the coded files are the user's now
        announceShownKey(control(keyDisplay));
    }
}

void DialogJobHost::setButtonsEnabled(bool enabled) {
    for (int id = loadSourceButton; id <= quitButton; ++id) {
        EnableWindow(control(id), enabled ? TRUE : FALSE);
    }
    if (!enabled && !holdsSessionEnd_ && !sessionEndReason_.empty()) {
        holdsSessionEnd_ =
            ShutdownBlockReasonCreate(state_.mainDialog, sessionEndReason_.c_str()) != FALSE;
    } else if (enabled && holdsSessionEnd_) {
        ShutdownBlockReasonDestroy(state_.mainDialog);
        holdsSessionEnd_ = false;
    }
    working_ = !enabled;
}

void DialogJobHost::setBusyPointer(bool busy) {
    SetCursor(static_cast<HCURSOR>(
        LoadImageA(nullptr, busy ? IDC_WAIT : IDC_ARROW, IMAGE_CURSOR, 0, 0, LR_SHARED)));
}

void DialogJobHost::setProgressRange(int32_t low, int32_t high) {
    const HWND bar = control(progressBar);
    SendMessageA(bar, PBM_SETRANGE32, static_cast<WPARAM>(low), static_cast<LPARAM>(high));
    progress_.setBarWidth(drawableWidth(bar));
    progress_.setRange(low, high);
    showProgressPosition(GetTickCount64());
}

void DialogJobHost::setProgressStep(int32_t step) {
    SendMessageA(control(progressBar), PBM_SETSTEP, static_cast<WPARAM>(step), 0);
    if (progress_.setStep(step)) {
        showProgressPosition(GetTickCount64());
    }
}

void DialogJobHost::stepProgress() {
    const uint64_t now = GetTickCount64();
    if (progress_.stepIt(static_cast<int64_t>(now))) {
        showProgressPosition(now);
    }
    keepPainted(now);
}

void DialogJobHost::showProgressPosition(uint64_t nowMs) {
    const HWND bar = control(progressBar);
    // Reading the position is cheap; setting it repaints, so only a change is sent.
    if (static_cast<int32_t>(SendMessageA(bar, PBM_GETPOS, 0, 0)) != progress_.position()) {
        SendMessageA(bar, PBM_SETPOS, static_cast<WPARAM>(progress_.position()), 0);
    }
    progress_.shown(static_cast<int64_t>(nowMs));
}

void DialogJobHost::keepPainted(uint64_t nowMs) {
    if (nowMs - lastPaintMs_ < paintIntervalMs) {
        return;
    }
    lastPaintMs_ = nowMs;
    // Clicks and keys stay queued (the buttons are disabled).
    answerPaintAndSentMessages();
}

void DialogJobHost::showInfo(const std::string& text) {
    ui::showInfo(state_.mainDialog, text);
}

std::string DialogJobHost::readKeyEntryText() {
    const HWND entry = control(keyEntry);
    const int length = GetWindowTextLengthA(entry);
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1, '\0');
    const int copied = GetWindowTextA(entry, buffer.data(), length + 1);
    return std::string(buffer.data(), static_cast<std::size_t>(copied > 0 ? copied : 0));
}

void DialogJobHost::setKeyEntryText(const std::string& text) {
    setText(keyEntry, text);
}

}  // namespace zel::ui
