#include "tests/jobs/job_fakes.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "cipher/byte_transform.h"

namespace zel::fakes {

namespace {

std::string upToNul(const std::string& path) {
    return path.substr(0, path.find('\0'));
}

}  // namespace

Bytes bytesOf(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

Bytes patternBytes(std::size_t n, uint32_t seed) {
    Bytes bytes(n);
    uint32_t state = seed * 2654435761u + 1;
    for (uint8_t& b : bytes) {
        state = state * 1664525u + 1013904223u;
        b = static_cast<uint8_t>(state >> 24);
    }
    return bytes;
}

Bytes codedFileOf(const CodingKey& key, const Bytes& plain) {
    Bytes coded = bytesOf("ZEL");
    for (const uint8_t b : plain) {
        coded.push_back(codeByte(key, b));
    }
    return coded;
}

TimeOfDayClock fakeClock(double start, int fixedReadings, int* calls) {
    int readings = 0;
    return [=]() mutable {
        if (calls != nullptr) {
            ++*calls;
        }
        ++readings;
        return readings <= fixedReadings ? start : start + (readings - fixedReadings) * 0.001;
    };
}

// ---- RecordingHost

std::vector<std::string> RecordingHost::infos() const {
    std::vector<std::string> shown;
    for (const std::string& call : calls) {
        if (call.rfind("showInfo ", 0) == 0) {
            shown.push_back(call.substr(9));
        }
    }
    return shown;
}

void RecordingHost::setProgressRange(int32_t low, int32_t high) {
    rangeHigh = high;
    stepTotal = 0;
    passedTop = false;
    calls.push_back("setProgressRange " + std::to_string(low) + " " + std::to_string(high));
}
void RecordingHost::setProgressStep(int32_t newStep) {
    step = newStep;
    if (recordProgress) {
        calls.push_back("setProgressStep " + std::to_string(newStep));
    }
}
void RecordingHost::stepProgress() {
    ++stepsMade;
    stepTotal += step;
    passedTop = passedTop || stepTotal > rangeHigh;
    if (recordProgress) {
        calls.push_back("stepProgress");
    }
}

// ---- StreamDigest

namespace {

#if defined(__GNUC__) || defined(__clang__)
#define ZEL_UNSANITIZED __attribute__((no_sanitize("address", "undefined")))
#else
#define ZEL_UNSANITIZED
#endif

// Sums of one block of at most 1024 bytes fit 32 bits, which the compiler vectorises. Left
// out of the sanitizers, which would stop that and make multi-gigabyte tests crawl; the
// caller hands in a copy whose reading the sanitizers did check.
ZEL_UNSANITIZED void sumBlock(const uint8_t* bytes, std::size_t size, uint32_t& sum,
                              uint32_t& weighted) {
    uint32_t blockSum = 0;  // locals: stores through the references might alias the bytes
    uint32_t blockWeighted = 0;
    for (std::size_t j = 0; j < size; ++j) {
        blockSum += bytes[j];
        blockWeighted += static_cast<uint32_t>(j) * bytes[j];
    }
    sum = blockSum;
    weighted = blockWeighted;
}

}  // namespace

void StreamDigest::add(const uint8_t* bytes, std::size_t n) {
    constexpr std::size_t block = 1024;
    uint8_t copy[block];
    for (std::size_t start = 0; start < n; start += block) {
        const std::size_t size = std::min(block, n - start);
        std::memcpy(copy, bytes + start, size);
        uint32_t blockSum = 0;
        uint32_t blockWeighted = 0;
        sumBlock(copy, size, blockSum, blockWeighted);
        weighted += (count + 1) * blockSum + blockWeighted;
        sum += blockSum;
        count += size;
    }
}

StreamDigest digestOfRepeated(const Bytes& prefix, const Bytes& pattern, int64_t patternLength) {
    StreamDigest digest;
    digest.add(prefix.data(), prefix.size());
    const uint64_t start = digest.count;  // position of the first pattern byte
    const uint64_t period = pattern.size();
    const uint64_t length = static_cast<uint64_t>(patternLength);
    for (uint64_t r = 0; r < period && r < length; ++r) {
        // Pattern byte r stands at positions start + r + t * period, t = 0 .. c - 1.
        const uint64_t c = length / period + (r < length % period ? 1 : 0);
        const uint64_t weights = c * (start + r + 1) + period * (c * (c - 1) / 2);
        digest.sum += c * pattern[r];
        digest.weighted += weights * pattern[r];
    }
    digest.count += length;
    return digest;
}

// ---- MemoryFiles

int64_t MemoryEntry::length() const {
    return pattern ? patternLength : static_cast<int64_t>(sink ? digest.count : bytes.size());
}

class MemoryOpenFile final : public OpenFile {
public:
    MemoryOpenFile(MemoryFiles& files, std::string path, bool created)
        : files_(files),
          path_(std::move(path)),
          entry_(&files.entries.at(path_)),
          created_(created) {
        files_.open_.insert(path_);
        ++files_.openCount;
        const auto stop = files_.readStopsAt.find(path_);
        readLimit_ = stop == files_.readStopsAt.end() ? -1 : stop->second;
    }
    ~MemoryOpenFile() override { closeFile(); }

    int64_t length() override { return open_ ? entry_->length() : 0; }

    std::size_t readBytes(uint8_t* buffer, std::size_t count) override {
        if (!open_) {
            return 0;
        }
        int64_t end = entry_->length();
        if (readLimit_ >= 0) {
            end = std::min(end, readLimit_);
        }
        const auto n = static_cast<std::size_t>(
            std::max<int64_t>(0, std::min<int64_t>(static_cast<int64_t>(count), end - position_)));
        if (entry_->pattern) {
            const Bytes& pattern = *entry_->pattern;
            std::size_t done = 0;
            while (done < n) {
                const std::size_t offset =
                    static_cast<std::size_t>((position_ + static_cast<int64_t>(done)) %
                                             static_cast<int64_t>(pattern.size()));
                const std::size_t piece = std::min(n - done, pattern.size() - offset);
                std::memcpy(buffer + done, pattern.data() + offset, piece);
                done += piece;
            }
        } else if (n > 0) {
            std::memcpy(buffer, entry_->bytes.data() + position_, n);
        }
        position_ += static_cast<int64_t>(n);
        return n;
    }

    bool writeBytes(const uint8_t* bytes, std::size_t count) override {
        if (!open_ || !created_) {
            return false;
        }
        ++entry_->writeCalls;
        std::size_t accepted = count;
        if (files_.writeLimit >= 0) {
            accepted = static_cast<std::size_t>(std::min<int64_t>(
                static_cast<int64_t>(count), std::max<int64_t>(0, files_.writeLimit - position_)));
        }
        if (accepted < count) {
            lastError_ = MemoryFiles::diskFull;
        }
        if (entry_->sink) {
            entry_->digest.add(bytes, accepted);
        } else {
            entry_->bytes.insert(entry_->bytes.end(), bytes, bytes + accepted);
        }
        position_ += static_cast<int64_t>(accepted);
        return accepted == count;
    }

    bool flushToDisk() override {
        if (!open_) {
            return false;
        }
        files_.log.push_back("flush " + path_);
        if (created_ && files_.failFlush) {
            lastError_ = MemoryFiles::diskFull;
            return false;
        }
        return true;
    }

    bool closeFile() override {
        if (!open_) {
            return true;
        }
        open_ = false;
        files_.open_.erase(files_.open_.find(path_));
        --files_.openCount;
        files_.log.push_back("close " + path_);
        if (created_ && files_.failClose) {
            lastError_ = MemoryFiles::accessDenied;
            return false;
        }
        return true;
    }

    SystemError lastError() const override { return lastError_; }

private:
    MemoryFiles& files_;
    std::string path_;
    MemoryEntry* entry_;  // map nodes stay put; the entry is not renamed or deleted while open
    bool created_;
    bool open_ = true;
    int64_t position_ = 0;
    int64_t readLimit_ = -1;
    SystemError lastError_ = noSystemError;
};

void MemoryFiles::put(const std::string& path, const Bytes& content) {
    entries[path] = MemoryEntry{};
    entries[path].bytes = content;
}

void MemoryFiles::putRepeated(const std::string& path, const Bytes& pattern, int64_t length) {
    entries[path] = MemoryEntry{};
    entries[path].pattern = std::make_shared<const Bytes>(pattern);
    entries[path].patternLength = length;
}

void MemoryFiles::putFolder(const std::string& path) {
    entries[path] = MemoryEntry{};
    entries[path].folder = true;
}

bool MemoryFiles::has(const std::string& path) const {
    return entries.count(path) != 0;
}

const MemoryEntry& MemoryFiles::at(const std::string& path) const {
    const auto found = entries.find(path);
    if (found == entries.end()) {
        throw std::out_of_range("no file " + path);
    }
    return found->second;
}

std::vector<std::string> MemoryFiles::paths() const {
    std::vector<std::string> names;
    for (const auto& entry : entries) {
        names.push_back(entry.first);
    }
    return names;
}

int MemoryFiles::logCount(const std::string& prefix) const {
    return static_cast<int>(std::count_if(log.begin(), log.end(), [&](const std::string& line) {
        return line.rfind(prefix, 0) == 0;
    }));
}

std::unique_ptr<OpenFile> MemoryFiles::openBinary(const std::string& path) {
    const std::string name = upToNul(path);
    const auto found = entries.find(name);
    if (found == entries.end() || found->second.folder || refuseOpen.count(name) != 0 ||
        open_.count(name) != 0) {
        log.push_back("open refused " + name);
        lastError_ = found == entries.end() ? fileNotFound
                     : found->second.folder ? accessDenied
                                            : sharingViolation;
        return nullptr;
    }
    log.push_back("open " + name);
    return std::make_unique<MemoryOpenFile>(*this, name, false);
}

std::unique_ptr<OpenFile> MemoryFiles::createBinary(const std::string& path,
                                                    CreateOutcome& outcome) {
    const std::string name = upToNul(path);
    if (entries.count(name) != 0) {
        outcome = CreateOutcome::alreadyExists;
        log.push_back("create refused " + name);
        lastError_ = 80;  // ERROR_FILE_EXISTS
        return nullptr;
    }
    if (refuseCreate) {
        outcome = CreateOutcome::failed;
        lastError_ = accessDenied;
        log.push_back("create refused " + name);
        return nullptr;
    }
    outcome = CreateOutcome::created;
    entries[name].sink = sinkOutputs;
    log.push_back("create " + name);
    return std::make_unique<MemoryOpenFile>(*this, name, true);
}

bool MemoryFiles::exists(const std::string& path) {
    return has(upToNul(path));
}

RenameOutcome MemoryFiles::renameFile(const std::string& from, const std::string& to) {
    const std::string source = upToNul(from);
    const std::string target = upToNul(to);
    log.push_back("rename " + source + " -> " + target);
    if (const auto appearing = appearOnRename.find(target); appearing != appearOnRename.end()) {
        put(target, appearing->second);
    }
    if (entries.count(target) != 0) {
        lastError_ = 183;  // ERROR_ALREADY_EXISTS
        return RenameOutcome::targetExists;
    }
    const auto found = entries.find(source);
    if (failRename || found == entries.end() || open_.count(source) != 0) {
        lastError_ = accessDenied;
        return RenameOutcome::failed;
    }
    entries[target] = std::move(found->second);
    entries.erase(source);
    return RenameOutcome::renamed;
}

bool MemoryFiles::deleteFile(const std::string& path) {
    const std::string name = upToNul(path);
    log.push_back("delete " + name);
    const auto found = entries.find(name);
    if (found == entries.end() || found->second.folder || open_.count(name) != 0) {
        lastError_ = found == entries.end() ? fileNotFound : accessDenied;
        return false;
    }
    entries.erase(found);
    return true;
}

std::string MemoryFiles::errorText(SystemError error) const {
    return "system error " + std::to_string(error);
}

}  // namespace zel::fakes
