#include "jobs/progress_reporter.h"

#include <limits>

namespace zel {

void ProgressReporter::passStarted(int64_t total) {
    shift_ = 0;
    done_ = 0;
    chunkSize_ = 0;
    step_ = 0;
    while ((total >> shift_) > std::numeric_limits<int32_t>::max()) {
        ++shift_;
    }
    host_.setProgressRange(1, scaled(total));
}

void ProgressReporter::setChunkSize(int64_t chunkSize) {
    chunkSize_ = chunkSize;
    step_ =
        shift_ == 0 ? static_cast<int32_t>(chunkSize) : scaled(done_ + chunkSize) - scaled(done_);
    host_.setProgressStep(step_);
}

void ProgressReporter::chunkDone() {
    if (shift_ != 0) {
        const int32_t step = scaled(done_ + chunkSize_) - scaled(done_);
        if (step != step_) {
            step_ = step;
            host_.setProgressStep(step_);
        }
    }
    host_.stepProgress();
    done_ += chunkSize_;
}

}  // namespace zel
