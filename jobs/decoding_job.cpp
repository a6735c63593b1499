#include "jobs/decoding_job.h"

#include <algorithm>

#include "cipher/byte_transform.h"
#include "cipher/coded_file.h"
#include "jobs/chunk_pass.h"
#include "jobs/pending_output.h"
#include "jobs/progress_reporter.h"
#include "jobs/texts.h"

namespace zel {

namespace {

void decodeFile(const std::string& sourcePath, const std::string& destinationPath,
                const CodingKey& key, JobHost& host, BinaryFile& files) {
    auto source = files.openBinary(sourcePath);
    if (!source) {
        host.showInfo(cantReadMessage(sourcePath, files.lastError(), files));
        return;
    }
    const int64_t length = source->length();
    if (length < 0) {
        const SystemError error = source->lastError();
        source.reset();
        host.showInfo(cantReadMessage(sourcePath, error, files));
        return;
    }
    const int64_t markerLength = static_cast<int64_t>(codedFileMarker.size());
    ProgressReporter progress(host, length - markerLength);
    const int64_t chunkSize = std::min(largestChunk, length);
    progress.setChunkSize(chunkSize);

    // The marker is tested before the destination exists, so a refused file leaves nothing.
    uint8_t marker[3];
    if (!isCodedFileMarker(marker, source->readBytes(marker, sizeof marker))) {
        source.reset();
        host.showInfo(texts().notCodedFile);
        return;
    }
    PendingOutput output(files, destinationPath);
    if (const OutputResult created = output.create(); created != OutputResult::ok) {
        source.reset();
        host.showInfo(output.messageFor(created));
        return;
    }

    const PassResult passed =
        passChunks(*source, length - markerLength, chunkSize, decodeBlock, key, output, progress);
    source.reset();
    finishPass(passed, output, sourcePath, files, host);
}

}  // namespace

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
    decodeFile(selection.substr(0, selection.find('\0')), state.destinationPath, key, host, files);

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
