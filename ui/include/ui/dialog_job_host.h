// The main dialog's side of the jobs: texts, buttons, pointer, progress bar, key entry and
// the information box, each on its control found through the dialog by identifier.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "jobs/job_host.h"
#include "ui/progress_throttle.h"
#include "ui/ui_state.h"

namespace zel::ui {

class DialogJobHost final : public JobHost {
public:
    explicit DialogJobHost(const UiState& state) : state_(state) {}

    void showStatus(const std::string& text) override;
    void showSourceText(const std::string& text) override;
    void showDestinationText(const std::string& text) override;
    void showKeyText(const std::string& text) override;
    void setButtonsEnabled(bool enabled) override;
    void setBusyPointer(bool busy) override;
    void setProgressRange(int32_t low, int32_t high) override;
    void setProgressStep(int32_t step) override;
    void stepProgress() override;
    void showInfo(const std::string& text) override;
    std::string readKeyEntryText() override;
    void setKeyEntryText(const std::string& text) override;

    // Paint messages are let through at most this often while a job runs.
    static constexpr uint64_t paintIntervalMs = 100;

    // What the system tells a user who ends the session while the next job works on files.
    void setSessionEndReason(std::wstring reason) { sessionEndReason_ = std::move(reason); }
    // Whether a job works on files: from disabling the buttons to enabling them again. The
    // session's end is held off meanwhile, with the reason above.
    bool working() const { return working_; }

private:
    HWND control(int id) const { return GetDlgItem(state_.mainDialog, id); }
    void setText(int id, const std::string& text) const;
    // A display's text, which screen readers hear as part of its name.
    void setDisplayText(int id, const std::string& text) const;
    void showProgressPosition(uint64_t nowMs);
    // Lets the window repaint while a job holds the thread; takes no input.
    void keepPainted(uint64_t nowMs);

    const UiState& state_;
    ProgressThrottle progress_;
    uint64_t lastPaintMs_ = 0;
    std::wstring sessionEndReason_;
    bool working_ = false;
    bool holdsSessionEnd_ = false;
};

// The information box: owned by the dialog (which takes no input meanwhile), titled
// texts().infoTitle, one OK button, no icon.
void showInfo(HWND mainDialog, const std::string& text);

}  // namespace zel::ui
