#include "jobs/coding_job.h"

#include <algorithm>
#include <vector>

#include "cipher/byte_transform.h"
#include "cipher/coded_file.h"
#include "jobs/chunk_pass.h"
#include "jobs/pending_output.h"
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

void codeOneFile(const CodingNames& names, const CodingKey& key, JobHost& host, BinaryFile& files) {
    auto source = files.openBinary(names.sourcePath);
    if (!source) {
        host.showInfo(cantReadMessage(names.sourcePath, files.lastError(), files));
        return;
    }
    PendingOutput output(files, names.destinationPath);
    if (const OutputResult created = output.create(); created != OutputResult::ok) {
        source.reset();
        host.showInfo(output.messageFor(created));
        return;
    }

    const int64_t length = source->length();
    if (length < 0) {
        const PassResult unread{PassResult::cantRead, source->lastError()};
        source.reset();
        finishPass(unread, output, names.sourcePath, files, host);
        return;
    }
    ProgressReporter progress(host, length);
    const int64_t chunkSize = std::min(largestChunk, length);
    progress.setChunkSize(chunkSize);

    PassResult passed{PassResult::cantWrite};
    if (output.write(codedFileMarker.data(), codedFileMarker.size())) {
        passed = passChunks(*source, length, chunkSize, codeBlock, key, output, progress);
    }
    source.reset();
    finishPass(passed, output, names.sourcePath, files, host);
}

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

    for (int k = 1; k <= count; ++k) {
        const CodingNames names = codingNames(selection, destination, count, k);
        state.statusMessage = codingStatusText(k, count);
        host.showStatus(state.statusMessage);
        codeOneFile(names, key, host, files);
    }

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
