// The body of both jobs: reads a source in chunks of at most largestChunk bytes, passes each
// through the byte transform and writes it with one call, one progress step per chunk.
#pragma once

#include <cstddef>
#include <cstdint>

#include "cipher/coding_key.h"
#include "jobs/binary_file.h"
#include "jobs/job_progress.h"
#include "jobs/pending_output.h"

namespace zel {

using BlockTransform = void (*)(const CodingKey&, const uint8_t*, uint8_t*, std::size_t);

struct PassResult {
    enum Outcome { done, cantRead, cantWrite } outcome;
    // With cantRead, the source's error (none when it merely ended early).
    SystemError readError = noSystemError;
};

// Passes the `expected` bytes that the source's size promised, then whatever more it holds, to
// its end. chunkSize is the size already set as the progress step, 1 to largestChunk (0 only
// when nothing is expected; anything else throws std::invalid_argument); it is lowered to what
// remains, never raised, and past the expected bytes it is the size of each further chunk. A
// source that ends before the expected bytes, or fails, ends the pass as cantRead.
PassResult passChunks(OpenFile& source, int64_t expected, int64_t chunkSize,
                      BlockTransform transform, const CodingKey& key, PendingOutput& output,
                      JobProgress& progress);

}  // namespace zel
