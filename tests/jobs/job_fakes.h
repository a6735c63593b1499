// Fakes for driving the jobs without a window or a disk: a host that records every call as a
// line of text, and files kept in memory with faults to inject. Shared by the job tests and
// the fuzzers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "cipher/coding_key.h"
#include "jobs/binary_file.h"
#include "jobs/job_host.h"

namespace zel::fakes {

using Bytes = std::vector<uint8_t>;

// Recorded calls of several steps, one after the other.
inline std::vector<std::string> concat(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

Bytes bytesOf(const std::string& text);
// n bytes that look random, the same for the same seed.
Bytes patternBytes(std::size_t n, uint32_t seed);

// What the coding job must write for `plain`: the marker, then codeByte of every byte.
Bytes codedFileOf(const CodingKey& key, const Bytes& plain);

// Reads `start` for the first `fixedReadings` calls, then moves on by 1 ms per call. Counts
// its calls in *calls when given.
TimeOfDayClock fakeClock(double start, int fixedReadings = 1, int* calls = nullptr);

// Records each call as "operation arguments", e.g. "setProgressRange 1 1000",
// "setButtonsEnabled false", "showInfo No sourcefile !".
class RecordingHost final : public JobHost {
public:
    std::vector<std::string> calls;
    // What readKeyEntryText answers.
    std::string keyEntryText;
    // Off for huge files: progress calls are then only added up below.
    bool recordProgress = true;

    int32_t rangeHigh = 0;
    int32_t step = 0;
    int64_t stepsMade = 0;
    int64_t stepTotal = 0;  // since the last setProgressRange
    bool passedTop = false;
    std::string shownKeyText;

    std::vector<std::string> infos() const;

    void showStatus(const std::string& text) override { record("showStatus " + text); }
    void showSourceText(const std::string& text) override { record("showSourceText " + text); }
    void showDestinationText(const std::string& text) override {
        record("showDestinationText " + text);
    }
    void showKeyText(const std::string& text) override {
        shownKeyText = text;
        record("showKeyText " + text);
    }
    void setButtonsEnabled(bool enabled) override {
        record(std::string("setButtonsEnabled ") + (enabled ? "true" : "false"));
    }
    void setBusyPointer(bool busy) override {
        record(std::string("setBusyPointer ") + (busy ? "true" : "false"));
    }
    void setProgressRange(int32_t low, int32_t high) override;
    void setProgressStep(int32_t newStep) override;
    void stepProgress() override;
    void showInfo(const std::string& text) override { record("showInfo " + text); }
    std::string readKeyEntryText() override {
        record("readKeyEntryText");
        return keyEntryText;
    }
    void setKeyEntryText(const std::string& text) override { record("setKeyEntryText " + text); }

private:
    void record(std::string call) { calls.push_back(std::move(call)); }
};

// A cheap order-sensitive digest of a byte stream: count, sum and position-weighted sum
// (byte i weighs i + 1), all modulo 2^64.
struct StreamDigest {
    uint64_t count = 0;
    uint64_t sum = 0;
    uint64_t weighted = 0;

    void add(const uint8_t* bytes, std::size_t n);
    bool operator==(const StreamDigest& other) const {
        return count == other.count && sum == other.sum && weighted == other.weighted;
    }
};

// The digest of `prefix` followed by `pattern` repeated over `patternLength` bytes, worked out
// per pattern position instead of byte by byte.
StreamDigest digestOfRepeated(const Bytes& prefix, const Bytes& pattern, int64_t patternLength);

struct MemoryEntry {
    Bytes bytes;
    // Content made on demand, byte i being pattern[i % size]; read-only.
    std::shared_ptr<const Bytes> pattern;
    int64_t patternLength = 0;
    // A sink keeps only the digest of what is written to it.
    bool sink = false;
    StreamDigest digest;
    bool folder = false;
    int writeCalls = 0;

    int64_t length() const;
};

// Paths are used up to their first NUL, as the file system does. A file is open at most once
// at a time (no sharing).
class MemoryFiles final : public BinaryFile {
public:
    std::map<std::string, MemoryEntry> entries;
    // "open P", "open refused P", "create P", "flush P", "close P", "rename A -> B",
    // "delete P".
    std::vector<std::string> log;
    int openCount = 0;

    // Faults to inject.
    std::set<std::string> refuseOpen;
    std::map<std::string, int64_t> readStopsAt;  // reads of the file get nothing past it
    bool refuseCreate = false;
    int64_t writeLimit = -1;  // bytes each created file takes before writes fail
    bool failClose = false;   // closing a created file reports failure
    bool failFlush = false;   // writing a created file through to the disk fails
    bool failRename = false;  // renames fail (no target in the way)
    std::map<std::string, Bytes> appearOnRename;  // put under the target just before the rename
    bool sinkOutputs = false;                     // created files are sinks

    void put(const std::string& path, const Bytes& content);
    void putRepeated(const std::string& path, const Bytes& pattern, int64_t length);
    void putFolder(const std::string& path);
    bool has(const std::string& path) const;
    const MemoryEntry& at(const std::string& path) const;
    std::vector<std::string> paths() const;
    int logCount(const std::string& prefix) const;

    std::unique_ptr<OpenFile> openBinary(const std::string& path) override;
    std::unique_ptr<OpenFile> createBinary(const std::string& path,
                                           CreateOutcome& outcome) override;
    bool exists(const std::string& path) override;
    RenameOutcome renameFile(const std::string& from, const std::string& to) override;
    bool deleteFile(const std::string& path) override;
    SystemError lastError() const override { return lastError_; }
    // "system error N": tests see which error reached the message.
    std::string errorText(SystemError error) const override;

    // The errors the faults above give, as Windows numbers them.
    static constexpr SystemError fileNotFound = 2;
    static constexpr SystemError accessDenied = 5;
    static constexpr SystemError sharingViolation = 32;
    static constexpr SystemError diskFull = 112;

private:
    SystemError lastError_ = noSystemError;
    friend class MemoryOpenFile;
    std::multiset<std::string> open_;
};

}  // namespace zel::fakes
