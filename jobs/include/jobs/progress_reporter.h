// Moves the host's progress bar through one file: the range 1..total, and one step per chunk
// of the chunk's size. Totals beyond the bar's 32-bit range are scaled down by a power of two,
// each chunk then stepping by what it adds to the scaled position, so the bar still ends at
// the top of its range.
#pragma once

#include <cstdint>

#include "jobs/job_host.h"
#include "jobs/job_progress.h"

namespace zel {

class ProgressReporter final : public JobProgress {
public:
    // The range is set by passStarted.
    explicit ProgressReporter(JobHost& host) : host_(host) {}
    ProgressReporter(JobHost& host, int64_t total) : host_(host) { passStarted(total); }

    // Sets the bar's range for the next file.
    void passStarted(int64_t total) override;
    // The size of the chunks from now on; sets the bar's step.
    void setChunkSize(int64_t chunkSize) override;
    // One chunk of the current size is done.
    void chunkDone() override;

private:
    int32_t scaled(int64_t count) const { return static_cast<int32_t>(count >> shift_); }

    JobHost& host_;
    int shift_ = 0;
    int64_t done_ = 0;
    int64_t chunkSize_ = 0;
    int32_t step_ = 0;
};

}  // namespace zel
