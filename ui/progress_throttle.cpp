#include "ui/progress_throttle.h"

#include <algorithm>

namespace zel::ui {

void ProgressThrottle::setRange(int32_t low, int32_t high) {
    low_ = low;
    high_ = high;
    // A new range puts the position at its low end, or at its top when the top lies below
    // the low end, as the bar itself does.
    position_ = std::min(low_, high_);
}

bool ProgressThrottle::setStep(int32_t step) {
    const bool changed = step != step_;
    step_ = step;
    return changed && pending();
}

bool ProgressThrottle::stepIt(int64_t nowMs) {
    if (high_ > low_) {
        const int64_t moved = static_cast<int64_t>(position_) + step_;
        position_ = static_cast<int32_t>(std::min<int64_t>(std::max<int64_t>(moved, low_), high_));
    }
    return pending() && nowMs - shownAtMs_ >= minimumIntervalMs &&
           pixelOf(position_) != pixelOf(shownPosition_);
}

void ProgressThrottle::shown(int64_t nowMs) {
    shownPosition_ = position_;
    shownAtMs_ = nowMs;
}

int64_t ProgressThrottle::pixelOf(int32_t position) const {
    if (high_ <= low_) {
        return 0;
    }
    return (static_cast<int64_t>(position) - low_) * barWidth_ /
           (static_cast<int64_t>(high_) - low_);
}

}  // namespace zel::ui
