// The body both jobs share: reads a source in chunks of at most 800 bytes, passes each through
// the byte transform and writes it with one call, one progress step per chunk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "cipher/coding_key.h"
#include "jobs/binary_file.h"
#include "jobs/pending_output.h"
#include "jobs/progress_reporter.h"

namespace zel {

inline constexpr int64_t largestChunk = 800;

using BlockTransform = void (*)(const CodingKey&, const uint8_t*, uint8_t*, std::size_t);

struct PassResult {
    enum Outcome { done, cantRead, cantWrite } outcome;
    // With cantRead, the source's error (none when it merely ended early).
    SystemError readError = noSystemError;
};

// chunkSize is the size already set as the bar's step, 1 to largestChunk (0 only when nothing
// remains; anything else throws std::invalid_argument); it is lowered to what remains, never
// raised. A read that yields less than asked ends the pass as cantRead.
PassResult passChunks(OpenFile& source, int64_t remaining, int64_t chunkSize,
                      BlockTransform transform, const CodingKey& key, PendingOutput& output,
                      ProgressReporter& progress);

// Ends a pass, or a file that failed before its pass (cantRead): commits the output when the
// pass is done, else removes it; shows the message of whatever failed.
void finishPass(const PassResult& passed, PendingOutput& output, const std::string& sourcePath,
                BinaryFile& files, JobHost& host);

// "can't read sourcefile !!", the path, and the reason for the error.
std::string cantReadMessage(const std::string& sourcePath, SystemError error,
                            const BinaryFile& files);

}  // namespace zel
