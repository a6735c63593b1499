// What the command line shows on standard error: one line for each file that fails, in the
// manner of the Unix file tools ("zel: message name: reason"), and while wanted, a line that
// keeps showing how far the run has got (file i of n, percent, MB/s).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "jobs/file_jobs.h"

namespace zel::cli {

// The name as a message shows it: as given, or where it holds a line break, a tab or another
// control character, quoted as a shell would take it back ($'a\nb'), so that one message stays
// one line and a name cannot forge another.
std::string shownName(const std::string& name);

// A file's problem as one line without the program's name or the line break: the message, the
// name after a blank, the reason after ": ", and an unfinished output left behind after "; ".
std::string problemLine(const FileOutcome& outcome);

class ConsoleOutput final : public JobProgress {
public:
    ConsoleOutput(std::string programName, bool showProgress);

    // File `number` (1-based) of `count` is next.
    void fileStarting(std::size_t number, std::size_t count);
    void passStarted(int64_t expectedBytes) override;
    void setChunkSize(int64_t chunkSize) override { chunkSize_ = chunkSize; }
    void chunkDone() override;

    // "<program>: text" on a line of its own; false when standard error took it not.
    bool say(const std::string& text);
    void tell(const FileOutcome& outcome) { say(problemLine(outcome)); }
    // Takes the progress line off the terminal.
    void clearProgress();

private:
    using Clock = std::chrono::steady_clock;
    void showProgressLine();

    std::string programName_;
    bool showProgress_;
    std::size_t file_ = 0;
    std::size_t fileCount_ = 0;
    int64_t expected_ = 0;
    int64_t done_ = 0;
    int64_t chunkSize_ = 0;
    uint32_t chunksSinceLook_ = 0;
    Clock::time_point fileStart_;
    Clock::time_point lastShown_;
    std::size_t shownWidth_ = 0;
};

}  // namespace zel::cli
