#include "jobs/progress_reporter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "tests/support/recording_host.h"

namespace zel::test {
namespace {

constexpr int64_t int32Max = std::numeric_limits<int32_t>::max();

// Drives the reporter the way the chunk loop does.
void passAll(ProgressReporter& progress, int64_t total, int64_t chunk) {
    chunk = std::min(chunk, total);
    progress.setChunkSize(chunk);
    for (int64_t remaining = total; remaining > 0; remaining -= chunk) {
        if (remaining < chunk) {
            progress.setChunkSize(chunk = remaining);
        }
        progress.chunkDone();
    }
    if (chunk != 0) {
        progress.setChunkSize(0);
    }
}

TEST(ProgressReporter, UnscaledStepsAreTheChunkSizes) {
    RecordingHost host;
    ProgressReporter progress(host, 1000);
    passAll(progress, 1000, 800);
    EXPECT_EQ(host.calls, (Calls{"setProgressRange 1 1000", "setProgressStep 800", "stepProgress",
                                 "setProgressStep 200", "stepProgress", "setProgressStep 0"}));
}

TEST(ProgressReporter, StepsAddUpToTheTopOfTheRange) {
    // Chunk sizes that are not multiples of the scale make the scaled steps vary.
    const std::pair<int64_t, int64_t> cases[] = {
        {int32Max, 1 << 20},
        {int32Max + 1, 1 << 20},
        {int32Max + 801, 800},
        {(int64_t{1} << 32) + 1, 8000},
        {(int64_t{1} << 40) + 7, 1000003},
        {(int64_t{1} << 62) + 3, (int64_t{1} << 42) + 12345},
    };
    for (const auto& [total, chunk] : cases) {
        SCOPED_TRACE(total);
        RecordingHost host;
        host.recordProgress = false;
        ProgressReporter progress(host, total);
        passAll(progress, total, chunk);
        EXPECT_LE(host.rangeHigh, int32Max);
        EXPECT_GT(host.rangeHigh, int32Max / 2);
        EXPECT_EQ(host.stepTotal, host.rangeHigh);
        EXPECT_FALSE(host.passedTop);
        EXPECT_EQ(host.stepsMade, (total + chunk - 1) / chunk);
    }
}

}  // namespace
}  // namespace zel::test
