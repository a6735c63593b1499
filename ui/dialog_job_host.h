// The main dialog's side of the jobs: texts, buttons, pointer, progress bar, key entry and
// the information box, each on its control found through the dialog by identifier.
#pragma once

#include <cstdint>
#include <string>

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

private:
    HWND control(int id) const { return GetDlgItem(state_.mainDialog, id); }
    void setText(int id, const std::string& text) const;
    void showProgressPosition(uint64_t nowMs);
    // Lets the window repaint while a job holds the thread; takes no input.
    void keepPainted(uint64_t nowMs);

    const UiState& state_;
    ProgressThrottle progress_;
    uint64_t lastPaintMs_ = 0;
};

// The information box: owned by the dialog (which takes no input meanwhile), titled
// text::infoTitle, one OK button, no icon.
void showInfo(HWND mainDialog, const std::string& text);

}  // namespace zel::ui
