// The command line's side of the jobs: each message the dialog would show in its information
// box becomes one line on standard error, and the progress bar a line that updates there
// (file i of n, percent, MB/s) while it is wanted. The rest only matters to a window.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "jobs/job_host.h"

namespace zel::cli {

// Where the host writes; the program's own gives standard error (cli/system.h).
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void write(const std::string& text) = 0;
};

class ConsoleJobHost final : public JobHost {
public:
    // fileSizes: the byte count each file's progress runs over, in the order of the files.
    ConsoleJobHost(MessageSink& sink, std::string programName, std::vector<int64_t> fileSizes,
                   bool showProgress);

    // What the jobs read as the typed key.
    void setKeyEntry(std::string key) { keyEntry_ = std::move(key); }
    // How many messages were shown: each is a failure or a refusal.
    int messageCount() const { return messageCount_; }
    // The last key text shown; empty when none was.
    const std::string& keyText() const { return keyText_; }

    void showStatus(const std::string& text) override;
    void showSourceText(const std::string&) override {}
    void showDestinationText(const std::string&) override {}
    void showKeyText(const std::string& text) override;
    void setButtonsEnabled(bool) override {}
    void setBusyPointer(bool) override {}
    void setProgressRange(int32_t low, int32_t high) override;
    void setProgressStep(int32_t step) override { step_ = step; }
    void stepProgress() override;
    // "<program>: message path: reason", on one line; "; message path: reason" for each
    // further message it holds.
    void showInfo(const std::string& text) override;
    std::string readKeyEntryText() override { return keyEntry_; }
    void setKeyEntryText(const std::string&) override {}

private:
    using Clock = std::chrono::steady_clock;
    void showProgressLine();
    void clearProgressLine();

    MessageSink& sink_;
    std::string programName_;
    std::vector<int64_t> fileSizes_;
    bool showProgress_;
    std::string keyEntry_;
    std::string keyText_;
    int messageCount_ = 0;

    int file_ = 0;  // 1-based; each status but the idle one starts the next file
    int64_t rangeTop_ = 0;
    int64_t done_ = 0;
    int32_t step_ = 0;
    uint32_t stepsSinceLook_ = 0;
    Clock::time_point fileStart_;
    Clock::time_point lastShown_;
    std::size_t shownWidth_ = 0;
};

}  // namespace zel::cli
