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
    EXPECT_EQ(host.calls, (std::vector<std::string>{
                              "setProgressRange 1 1000", "setProgressStep 800", "stepProgress",
                              "setProgressStep 200", "stepProgress", "setProgressStep 0"}));
}

TEST(ProgressReporter, StepsAddUpToTheTopOfTheRange) {
    struct Case {
        int64_t total, chunk;
    };
    // Chunk sizes that are not multiples of the scale make the scaled steps vary.
    const Case cases[] = {
        {int32Max, 1 << 20},
        {int32Max + 1, 1 << 20},
        {int32Max + 801, 800},
        {(int64_t{1} << 32) + 1, 8000},
        {(int64_t{1} << 40) + 7, 1000003},
        {(int64_t{1} << 62) + 3, (int64_t{1} << 42) + 12345},
    };
    for (const Case& c : cases) {
        RecordingHost host;
        host.recordProgress = false;
        ProgressReporter progress(host, c.total);
        passAll(progress, c.total, c.chunk);
        EXPECT_LE(host.rangeHigh, int32Max) << c.total;
        EXPECT_GT(host.rangeHigh, int32Max / 2) << c.total;
        EXPECT_EQ(host.stepTotal, host.rangeHigh) << c.total;
        EXPECT_FALSE(host.passedTop) << c.total;
        EXPECT_EQ(host.stepsMade, (c.total + c.chunk - 1) / c.chunk) << c.total;
    }
}

}  // namespace
}  // namespace zel::test
