// What the Windows benchmarks share: a folder on tmpfs, where the disk's write-back hides
// nothing of a program's own cost; a big file of pseudo-random bytes; the plain copies the jobs
// are held against; and the best and median of timed runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "tests/support/real_files.h"

namespace zel::test {

// The tmpfs that bench/bench-folder.sh mounts, as Wine shows it.
inline constexpr char tmpfsFolder[] = "Z:\\tmp\\zel-bench-tmpfs";

void makeRandomFile(const AnyPath& path, int64_t length);
// A plain copy in reads and writes of chunkSize bytes, the files opened as the jobs open theirs.
void copyInChunks(const AnyPath& from, const AnyPath& to, std::size_t chunkSize);
// Writes the file's data to the disk, so that a timed run does not share the machine with the
// write-back of the run before it.
void flushToDisk(const AnyPath& path);

// Wall-clock seconds of the work.
double secondsOf(const std::function<void()>& work);
struct Summary {
    double best = 0;
    double median = 0;
};
Summary summaryOf(std::vector<double> seconds);

}  // namespace zel::test
