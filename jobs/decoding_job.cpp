#include "jobs/decoding_job.h"

#include "jobs/file_jobs.h"
#include "jobs/progress_reporter.h"
#include "jobs/texts.h"

namespace zel {

void runDecodingJob(SharedState& state, JobHost& host, BinaryFile& files) {
    host.showKeyText("");
    if (state.sourceSelection.empty()) {
        host.showInfo(texts().noSourceFile);
        return;
    }
    if (state.destinationPath.empty()) {
        host.showInfo(texts().noDestFile);
        return;
    }
    const std::string typedKey = host.readKeyEntryText();
    if (typedKey.size() != keyTextLength) {
        host.showInfo(texts().invalidKeyLength);
        return;
    }
    host.setBusyPointer(true);
    const CodingKey key = parseKeyText(typedKey);
    host.setButtonsEnabled(false);
    host.showStatus(texts().decodingStatus);

    // The whole selection names the file; the file system reads it up to the first NUL.
    const std::string& selection = state.sourceSelection;
    ProgressReporter progress(host);
    const FileOutcome outcome = decodeFile(
        {selection.substr(0, selection.find('\0')), state.destinationPath}, key, files, progress);
    if (!outcome.done()) {
        host.showInfo(infoText(outcome));
    }

    host.setButtonsEnabled(true);
    state.sourceSelection.clear();
    state.destinationPath.clear();
    state.keyText.clear();
    host.showStatus(texts().idleStatus);
    host.showSourceText("");
    host.showDestinationText("");
    host.setKeyEntryText("");
    host.setBusyPointer(false);
}

}  // namespace zel
