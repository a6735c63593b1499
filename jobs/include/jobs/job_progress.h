// How far the file being coded or decoded has got: what the work on files reports, and the
// dialog's bar and the command line's progress line show.
#pragma once

#include <cstdint>

namespace zel {

// The most bytes read, transformed and written at a time, and so the largest progress step.
inline constexpr int64_t largestChunk = 800;

class JobProgress {
public:
    virtual ~JobProgress() = default;
    // A file's bytes start to pass: as many as its size said.
    virtual void passStarted(int64_t expectedBytes) = 0;
    // The size of the chunks from now on.
    virtual void setChunkSize(int64_t chunkSize) = 0;
    // One chunk of the current size is done.
    virtual void chunkDone() = 0;
};

}  // namespace zel
