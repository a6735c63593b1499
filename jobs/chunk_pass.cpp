#include "jobs/chunk_pass.h"

#include <stdexcept>
#include <string>

#include "jobs/texts.h"

namespace zel {

PassResult passChunks(OpenFile& source, int64_t remaining, int64_t chunkSize,
                      BlockTransform transform, const CodingKey& key, PendingOutput& output,
                      ProgressReporter& progress) {
    // A chunk past the buffer would overrun it, and an empty one would never end the pass.
    if (chunkSize > largestChunk || (chunkSize <= 0 && remaining > 0)) {
        throw std::invalid_argument("passChunks: chunk size " + std::to_string(chunkSize) +
                                    " out of range");
    }
    uint8_t chunk[largestChunk];
    for (;;) {
        if (remaining < chunkSize) {
            chunkSize = remaining;
            progress.setChunkSize(chunkSize);
        }
        if (remaining == 0) {
            return {PassResult::done};
        }
        const auto wanted = static_cast<std::size_t>(chunkSize);
        if (source.readBytes(chunk, wanted) != wanted) {
            return {PassResult::cantRead, source.lastError()};
        }
        transform(key, chunk, chunk, wanted);
        if (!output.write(chunk, wanted)) {
            return {PassResult::cantWrite};
        }
        remaining -= chunkSize;
        progress.chunkDone();
    }
}

std::string cantReadMessage(const std::string& sourcePath, SystemError error,
                            const BinaryFile& files) {
    return text::aboutFailure(
        texts().cantReadSource, sourcePath,
        error != noSystemError ? files.errorText(error) : texts().sourceEndedEarly);
}

void finishPass(const PassResult& passed, PendingOutput& output, const std::string& sourcePath,
                BinaryFile& files, JobHost& host) {
    switch (passed.outcome) {
        case PassResult::done:
            if (const OutputResult committed = output.commit(); committed != OutputResult::ok) {
                host.showInfo(output.messageFor(committed));
            }
            return;
        case PassResult::cantRead:
            output.abandon();
            host.showInfo(cantReadMessage(sourcePath, passed.readError, files) +
                          output.leftBehind());
            return;
        case PassResult::cantWrite:
            output.abandon();
            host.showInfo(output.messageFor(OutputResult::cantWrite));
            return;
    }
}

}  // namespace zel
