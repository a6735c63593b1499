#include "jobs/chunk_pass.h"

#include "jobs/job_texts.h"

namespace zel {

PassResult passChunks(OpenFile& source, int64_t remaining, int64_t chunkSize,
                      BlockTransform transform, const CodingKey& key, PendingOutput& output,
                      ProgressReporter& progress) {
    uint8_t chunk[largestChunk];
    for (;;) {
        if (remaining < chunkSize) {
            chunkSize = remaining;
            progress.setChunkSize(chunkSize);
        }
        if (remaining == 0) {
            return PassResult::done;
        }
        const auto wanted = static_cast<std::size_t>(chunkSize);
        if (source.readBytes(chunk, wanted) != wanted) {
            return PassResult::cantRead;
        }
        transform(key, chunk, chunk, wanted);
        if (!output.write(chunk, wanted)) {
            return PassResult::cantWrite;
        }
        remaining -= chunkSize;
        progress.chunkDone();
    }
}

void finishPass(PassResult passed, PendingOutput& output, const std::string& sourcePath,
                JobHost& host) {
    switch (passed) {
        case PassResult::done:
            if (const OutputResult committed = output.commit(); committed != OutputResult::ok) {
                host.showInfo(output.messageFor(committed));
            }
            return;
        case PassResult::cantRead:
            output.abandon();
            host.showInfo(text::aboutFile(text::cantReadSource, sourcePath));
            return;
        case PassResult::cantWrite:
            output.abandon();
            host.showInfo(output.messageFor(OutputResult::cantWrite));
            return;
    }
}

}  // namespace zel
