#include "jobs/chunk_pass.h"

#include <stdexcept>
#include <string>

namespace zel {

namespace {

// A read that gave fewer bytes than asked: the end of the source, or its failure.
PassResult shortRead(const OpenFile& source) {
    return {PassResult::cantRead, source.lastError()};
}

}  // namespace

PassResult passChunks(OpenFile& source, int64_t expected, int64_t chunkSize,
                      BlockTransform transform, const CodingKey& key, PendingOutput& output,
                      JobProgress& progress) {
    // A chunk past the buffer would overrun it, and an empty one would never end the pass.
    if (chunkSize > largestChunk || (chunkSize <= 0 && expected > 0)) {
        throw std::invalid_argument("passChunks: chunk size " + std::to_string(chunkSize) +
                                    " out of range");
    }
    uint8_t chunk[largestChunk];
    for (int64_t remaining = expected;;) {
        if (remaining < chunkSize) {
            chunkSize = remaining;
            progress.setChunkSize(chunkSize);
        }
        if (remaining == 0) {
            break;
        }
        const auto wanted = static_cast<std::size_t>(chunkSize);
        if (source.readBytes(chunk, wanted) != wanted) {
            return shortRead(source);
        }
        transform(key, chunk, chunk, wanted);
        if (!output.write(chunk, wanted)) {
            return {PassResult::cantWrite};
        }
        remaining -= chunkSize;
        progress.chunkDone();
    }
    // A size that said too little (a file that grows, or one of /proc that says 0): the rest,
    // to the end.
    for (;;) {
        const std::size_t got = source.readBytes(chunk, sizeof chunk);
        if (got == 0) {
            return source.lastError() == noSystemError ? PassResult{PassResult::done}
                                                       : shortRead(source);
        }
        if (static_cast<int64_t>(got) != chunkSize) {
            chunkSize = static_cast<int64_t>(got);
            progress.setChunkSize(chunkSize);
        }
        transform(key, chunk, chunk, got);
        if (!output.write(chunk, got)) {
            return {PassResult::cantWrite};
        }
        progress.chunkDone();
    }
}

}  // namespace zel
