#include "cli/console_job_host.h"

#include <cstdio>
#include <utility>

#include "jobs/texts.h"

namespace zel::cli {

namespace {

constexpr auto progressInterval = std::chrono::milliseconds(100);
// The clock is looked at once every so many chunks of 800 bytes, not for each.
constexpr uint32_t stepsBetweenLooks = 256;

}  // namespace

ConsoleJobHost::ConsoleJobHost(MessageSink& sink, std::string programName,
                               std::vector<int64_t> fileSizes, bool showProgress)
    : sink_(sink),
      programName_(std::move(programName)),
      fileSizes_(std::move(fileSizes)),
      showProgress_(showProgress) {}

void ConsoleJobHost::showStatus(const std::string& text) {
    clearProgressLine();
    if (text != texts().idleStatus) {
        ++file_;
    }
}

void ConsoleJobHost::showKeyText(const std::string& text) {
    if (!text.empty()) {
        keyText_ = text;
    }
}

void ConsoleJobHost::setProgressRange(int32_t, int32_t high) {
    rangeTop_ = high;
    done_ = 0;
    stepsSinceLook_ = 0;
    fileStart_ = lastShown_ = Clock::now();
}

void ConsoleJobHost::stepProgress() {
    done_ += step_;
    if (!showProgress_ || ++stepsSinceLook_ < stepsBetweenLooks) {
        return;
    }
    stepsSinceLook_ = 0;
    if (Clock::now() - lastShown_ >= progressInterval) {
        showProgressLine();
    }
}

void ConsoleJobHost::showInfo(const std::string& text) {
    clearProgressLine();
    ++messageCount_;
    // The message, then what it is about (a path) after a blank, then the reason after ": ";
    // a message added to it (three lines more: a file left behind) after "; ".
    constexpr const char* joints[] = {"; ", " ", ": "};
    std::string line = programName_ + ": ";
    int lineBreaks = 0;
    for (const char c : text.substr(0, text.find('\0'))) {
        line += c != '\n' ? std::string(1, c) : joints[++lineBreaks % 3];
    }
    sink_.write(line + "\n");
}

void ConsoleJobHost::showProgressLine() {
    lastShown_ = Clock::now();
    const double fraction =
        rangeTop_ > 0 ? std::min(1.0, static_cast<double>(done_) / static_cast<double>(rangeTop_))
                      : 1.0;
    std::string line = programName_ + ": file " + std::to_string(file_) + " of " +
                       std::to_string(fileSizes_.size()) + ", " +
                       std::to_string(static_cast<int>(fraction * 100)) + "%";
    const double seconds = std::chrono::duration<double>(lastShown_ - fileStart_).count();
    const std::size_t index = static_cast<std::size_t>(file_ - 1);
    if (index < fileSizes_.size() && fileSizes_[index] > 0 && seconds > 0) {
        const double megabytes = fraction * static_cast<double>(fileSizes_[index]) / 1e6;
        line += ", " + std::to_string(static_cast<long long>(megabytes / seconds)) + " MB/s";
    }
    // Padded over what the line showed before, as the new one may be shorter.
    const std::size_t width = line.size();
    line.resize(std::max(width, shownWidth_), ' ');
    shownWidth_ = width;
    sink_.write("\r" + line);
}

void ConsoleJobHost::clearProgressLine() {
    if (shownWidth_ > 0) {
        sink_.write("\r" + std::string(shownWidth_, ' ') + "\r");
        shownWidth_ = 0;
    }
}

}  // namespace zel::cli
