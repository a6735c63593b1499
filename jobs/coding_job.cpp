#include "jobs/coding_job.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "jobs/file_jobs.h"
#include "jobs/progress_reporter.h"
#include "jobs/texts.h"

namespace zel {

namespace {

std::vector<std::string> splitAtNul(const std::string& text) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find('\0', start), text.size());
        fields.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return fields;
}

// The dialog's side of a run: the status of each file, the bar, a message for each file that
// fails.
class DialogCodingEvents final : public CodingEvents {
public:
    DialogCodingEvents(SharedState& state, JobHost& host, std::size_t count)
        : state_(state), host_(host), progress_(host), count_(static_cast<int>(count)) {}

    void fileStarting(std::size_t index) override {
        state_.statusMessage = codingStatusText(static_cast<int>(index) + 1, count_);
        host_.showStatus(state_.statusMessage);
    }
    JobProgress& progress() override { return progress_; }
    void fileEnded(std::size_t, const FileOutcome& outcome) override {
        if (!outcome.done()) {
            host_.showInfo(infoText(outcome));
        }
    }

private:
    SharedState& state_;
    JobHost& host_;
    ProgressReporter progress_;
    int count_;
};

}  // namespace

CodingNames codingNames(const std::string& selection, const std::string& destination, int count,
                        int k) {
    if (count < 2) {
        return {selection.substr(0, selection.find('\0')), destination};
    }
    const std::vector<std::string> fields = splitAtNul(selection);
    const std::string folder = fields.empty() ? std::string() : fields[0];
    const std::string name =
        static_cast<std::size_t>(k) < fields.size() ? fields[k] : std::string();
    // A POSIX folder (absolute, so it starts with '/') is joined with '/', a Windows one ("C:\d",
    // "\\server\share") with '\'; a root ("C:\", "/") ends with its separator already.
    const char separator = !folder.empty() && folder.front() == '/' ? '/' : '\\';
    const bool endsWithSeparator =
        !folder.empty() && (folder.back() == separator || folder.back() == '/');
    return {folder + (endsWithSeparator ? "" : std::string(1, separator)) + name,
            destination + "_" + name + "_ZEL"};
}

std::string codingStatusText(int k, int n) {
    return texts().codingStatusPrefix + " " + std::to_string(k) + "/ " + std::to_string(n);
}

void runCodingJob(SharedState& state, JobHost& host, BinaryFile& files,
                  const TimeOfDayClock& clock) {
    if (state.sourceSelection.empty()) {
        host.showInfo(texts().noSourceFile);
        host.setBusyPointer(false);
        return;
    }
    if (state.destinationPath.empty()) {
        host.showInfo(texts().noDestFile);
        host.setBusyPointer(false);
        return;
    }
    host.setBusyPointer(true);
    state.keyText.clear();
    host.setButtonsEnabled(false);

    const CodingKey key = drawCodingKey(clock);
    const std::string selection = state.sourceSelection;
    const std::string destination = state.destinationPath;
    const int count = state.sourceCount >= 2 ? state.sourceCount : 1;

    std::vector<FilePair> pairs;
    for (int k = 1; k <= count; ++k) {
        CodingNames names = codingNames(selection, destination, count, k);
        pairs.push_back({std::move(names.sourcePath), std::move(names.destinationPath)});
    }
    DialogCodingEvents events(state, host, pairs.size());
    codeFiles(pairs, key, files, events);

    state.keyText = formatKeyText(key);
    host.setButtonsEnabled(true);
    state.sourceSelection.clear();
    state.destinationPath.clear();
    host.showStatus(texts().idleStatus);
    host.showSourceText("");
    host.showDestinationText("");
    host.showKeyText(state.keyText);
    host.setBusyPointer(false);
}

}  // namespace zel
