// A file system kept in memory, with faults to inject, a job run on it and the messages such a
// run shows: what the jobs' tests and the fuzzers run the jobs on.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "jobs/binary_file.h"
#include "jobs/buffered_files.h"
#include "tests/support/recording_host.h"
#include "tests/support/test_bytes.h"

namespace zel::test {

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
    int64_t lengthAtFlush = -1;  // when last written through to the disk

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
    std::size_t largestTransfer = 0;  // the most bytes one read or write asked for

    // Faults to inject.
    std::set<std::string> refuseOpen;
    std::set<std::string> unknownLength;         // the size of the file cannot be read
    std::map<std::string, int64_t> readStopsAt;  // reads of the file get nothing past it
    SystemError readStopError = noSystemError;   // what a read cut short there reports
    bool refuseCreate = false;
    int64_t writeLimit = -1;  // bytes each created file takes before writes fail
    bool failClose = false;   // closing a created file reports failure
    bool failFlush = false;   // writing a created file through to the disk fails
    bool failRename = false;  // renames fail (no target in the way)
    std::map<std::string, Bytes> appearOnRename;  // put under the target just before the rename
    // Deletes fail with this error; with fileNotFound the file is gone all the same, as when
    // another program removed it first.
    SystemError deleteError = noSystemError;
    bool sinkOutputs = false;  // created files are sinks

    void put(const std::string& path, const Bytes& content);
    void putRepeated(const std::string& path, const Bytes& pattern, int64_t length);
    void putFolder(const std::string& path);
    bool has(const std::string& path) const { return entries.count(path) != 0; }
    bool exists(const std::string& path) override;  // has(), for the name up to its first NUL
    const MemoryEntry& at(const std::string& path) const { return entries.at(path); }
    std::vector<std::string> paths() const;
    int logCount(const std::string& prefix) const;

    std::unique_ptr<OpenFile> openBinary(const std::string& path) override;
    std::unique_ptr<OpenFile> createBinary(const std::string& path, CreateOutcome& outcome,
                                           const FileAttributes& source = {}) override;
    RenameOutcome renameFile(const std::string& from, const std::string& to) override;
    bool deleteFile(const std::string& path) override;
    SystemError lastError() const override { return lastError_; }
    // "system error N": tests see which error reached the message.
    std::string errorText(SystemError error) const override {
        return "system error " + std::to_string(error);
    }

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

// The reason given for a source that ends before its length.
inline constexpr char sourceEndedEarly[] =
    "The file ended before all of its bytes were read; it may have been changed meanwhile.";

// The messages a failed run must show: the message, the path and the reason, given, or as the
// in-memory files word a system error.
inline std::string expectedCantRead(const std::string& path, const std::string& reason) {
    return "can´t read sourcefile !!\n" + path + "\n" + reason;
}
inline std::string expectedCantRead(const std::string& path, SystemError error) {
    return expectedCantRead(path, "system error " + std::to_string(error));
}
inline std::string expectedCantWrite(const std::string& path, const std::string& reason) {
    return "can´t write destfile !!\n" + path + "\n" + reason;
}
inline std::string expectedCantWrite(const std::string& path, SystemError error) {
    return expectedCantWrite(path, "system error " + std::to_string(error));
}
inline std::string expectedAlreadyExists(const std::string& path) {
    return "File already exists !!\n" + path;
}

// A job run on files in memory, directly or through blocks of the given size (0: none), from
// the start state; the state, the host and the files are kept to be looked at afterwards.
// Whether the run ended idle (runCoding, runDecoding).
struct MemoryRun {
    MemoryRun() = default;
    // With the file the run is to read in place.
    MemoryRun(const std::string& path, const Bytes& content) { files.put(path, content); }

    SharedState state;
    RecordingHost host;
    MemoryFiles files;

    bool code(const SharedState& start, const TimeOfDayClock& clock, std::size_t block = 0) {
        state = start;
        return runCoding(state, host, through(block), clock);
    }
    bool decode(const SharedState& start, const std::string& typedKey, std::size_t block = 0) {
        state = start;
        host.keyEntryText = typedKey;
        return runDecoding(state, host, through(block));
    }

private:
    BinaryFile& through(std::size_t block) {
        return block == 0 ? static_cast<BinaryFile&>(files) : blocks_.emplace(files, block);
    }
    std::optional<BufferedFiles> blocks_;
};

}  // namespace zel::test
