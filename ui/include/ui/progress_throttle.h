// The progress bar's range, step and position as the jobs move them, and when the bar itself
// must be told. Every position change sent to a progress bar repaints it at once (about 2 ms
// under Wine, even when no pixel changes), which for files of many chunks costs more than the
// file work; so the position is sent only when the bar would look different, no more often
// than every 50 ms, and always when the step changes (the jobs lower it at the end of every
// file), so the bar ends exactly where the steps leave it.
//
// The bar's own rules are kept: a range change coerces the position into the range (top
// last). Each file starts with the bar empty, at the low end of its range, and steps never
// carry it past the top: a file's steps end with the bar full.
#pragma once

#include <cstdint>

namespace zel::ui {

class ProgressThrottle {
public:
    static constexpr int64_t minimumIntervalMs = 50;

    // The bar's drawable width in pixels; decides which changes can be seen.
    void setBarWidth(int pixels) { barWidth_ = pixels; }

    // A new range: the position goes to its low end.
    void setRange(int32_t low, int32_t high);
    // A new step; true when the bar must be shown the position now (the step changed).
    bool setStep(int32_t step);
    // One step; true when the bar must be shown the position now.
    bool stepIt(int64_t nowMs);
    // The bar shows position() from nowMs on.
    void shown(int64_t nowMs);

    int32_t position() const { return position_; }
    // Whether the bar does not show position() yet.
    bool pending() const { return position_ != shownPosition_; }

private:
    // The pixel where the filled part of the bar ends for a position.
    int64_t pixelOf(int32_t position) const;

    int32_t low_ = 0;
    int32_t high_ = 100;
    int32_t step_ = 10;
    int32_t position_ = 0;
    int32_t shownPosition_ = 0;
    int64_t shownAtMs_ = INT64_MIN / 2;
    int barWidth_ = 0;
};

}  // namespace zel::ui
