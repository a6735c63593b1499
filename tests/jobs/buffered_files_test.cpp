// BufferedFiles beneath the jobs, on files in memory: blocks far smaller than the real ones, so
// that every block boundary is cheap to reach. What the jobs do must not depend on the buffer.
#include "jobs/buffered_files.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "cipher/byte_transform.h"
#include "jobs/chunk_pass.h"
#include "jobs/progress_reporter.h"
#include "tests/support/job_runs.h"

namespace zel::test {
namespace {

using Fault = std::function<void(MemoryFiles&)>;
const std::string source = "C:\\in\\a", destination = "C:\\out\\a";
const CodingKey key = drawCodingKey(fakeClock(36000.0));

// The coding job on `plain`, or the decoding job on its coded form, straight on the files in
// memory (block 0) or through a BufferedFiles.
MemoryRun runJob(bool coding, const Bytes& plain, std::size_t block, const Fault& fault = {}) {
    MemoryRun r(source, coding ? plain : codedFileOf(key, plain));
    if (fault) {
        fault(r.files);
    }
    const SharedState start{selectionOf({source}), 1, destination, "", ""};
    EXPECT_TRUE(coding ? r.code(start, fakeClock(36000.0), block)
                       : r.decode(start, formatKeyText(key), block));
    EXPECT_EQ(r.files.openCount, 0);
    return r;
}

TEST(BufferedFiles, JobsMakeTheSameCallsAndOutputAsUnbuffered) {
    for (const std::size_t block : {512, 4096}) {
        for (const std::size_t size : {0, 1, 800, 801, 4092, 4093, 4096, 4097, 8193, 12411}) {
            for (const bool coding : {true, false}) {
                SCOPED_TRACE(testing::Message() << coding << " " << block << " " << size);
                const MemoryRun unbuffered = runJob(coding, pseudoRandomBytes(size, 3), 0);
                const MemoryRun r = runJob(coding, pseudoRandomBytes(size, 3), block);
                EXPECT_EQ(r.host.calls, unbuffered.host.calls);
                EXPECT_EQ(r.files.log, unbuffered.files.log);
                const MemoryEntry& output = r.files.at(destination);
                EXPECT_EQ(output.bytes, unbuffered.files.at(destination).bytes);
                EXPECT_EQ(output.lengthAtFlush, output.length());
                // One block per file, written out whole: only the last write may be shorter.
                EXPECT_LE(r.files.largestTransfer, std::max<std::size_t>(block, 800));
                EXPECT_EQ(output.writeCalls, (output.bytes.size() + block - 1) / block);
            }
        }
    }
}

TEST(BufferedFiles, FaultsNextToEveryBoundaryKeepTheirOutcomes) {
    constexpr int64_t block = 4096;
    const Bytes plain = pseudoRandomBytes(3 * block + 123, 5);
    std::vector<Fault> faults = {[](auto& f) { f.failFlush = true; },
                                 [](auto& f) { f.failClose = true; }};
    // Next to the block boundaries, and to the chunk boundaries with and without the marker.
    const auto nextTo = [](int64_t at, int64_t edge) { return (at + 1) % edge <= 2; };
    for (int64_t at = 0; at <= 3 * block + 130; ++at) {
        if (nextTo(at, block) || nextTo(at, 800) || nextTo(at - 3, 800)) {
            faults.push_back([at](auto& f) { f.writeLimit = at; });
            faults.push_back([at](auto& f) { f.readStopsAt[source] = at; });
            faults.push_back([at](auto& f) { f.readStopsAt[source] = at, f.readStopError = 23; });
        }
    }
    for (const bool coding : {true, false}) {
        for (std::size_t i = 0; i < faults.size(); ++i) {
            SCOPED_TRACE(testing::Message() << coding << " fault " << i);
            const MemoryRun unbuffered = runJob(coding, plain, 0, faults[i]);
            const MemoryRun r = runJob(coding, plain, block, faults[i]);
            EXPECT_EQ(r.host.infos(), unbuffered.host.infos());
            // Nothing of a failed output is left; a run without a message wrote everything.
            if (r.host.infos().empty()) {
                EXPECT_EQ(r.files.at(destination).bytes, unbuffered.files.at(destination).bytes);
            } else {
                EXPECT_EQ(r.files.paths(), std::vector{source});
            }
        }
    }
}

// What the jobs never meet, since they flush before they close: held bytes still go out at
// close, and after a failed write-out nothing more is taken.
TEST(BufferedFiles, HeldBytesGoOutAtCloseAndAFailedWriteSticks) {
    for (const int64_t limit : {-1, 5}) {
        MemoryFiles memory;
        memory.writeLimit = limit;
        BufferedFiles files(memory, 16);
        CreateOutcome outcome{};
        const auto file = files.createBinary("f", outcome, {});
        const Bytes bytes = pseudoRandomBytes(10, 1);
        EXPECT_TRUE(file->writeBytes(bytes.data(), 10));
        EXPECT_EQ(memory.at("f").writeCalls, 0);
        EXPECT_EQ(file->writeBytes(bytes.data(), 10), limit < 0);
        EXPECT_EQ(file->writeBytes(bytes.data(), 1), limit < 0);
        EXPECT_EQ(file->closeFile(), limit < 0);
        EXPECT_EQ(file->lastError(), limit < 0 ? noSystemError : MemoryFiles::diskFull);
        EXPECT_EQ(memory.at("f").length(), limit < 0 ? 21 : 5);
    }
}

// Sizes that would overrun the chunk buffer or never end a pass are refused, not run.
TEST(BufferedFiles, BlockAndChunkSizesThatCannotWorkAreRefused) {
    MemoryFiles files;
    EXPECT_THROW(BufferedFiles(files, 0), std::invalid_argument);

    files.put(source, Bytes(2000));
    RecordingHost host;
    ProgressReporter progress(host, 2000);
    PendingOutput output(files, destination);
    ASSERT_EQ(output.create(), OutputResult::ok);
    for (const int64_t chunkSize : {int64_t{0}, int64_t{-1}, largestChunk + 1}) {
        auto file = files.openBinary(source);
        EXPECT_THROW(passChunks(*file, 2000, chunkSize, codeBlock, key, output, progress),
                     std::invalid_argument)
            << chunkSize;
    }
}

}  // namespace
}  // namespace zel::test
