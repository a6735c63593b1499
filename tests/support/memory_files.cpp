#include "tests/support/memory_files.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace zel::test {

namespace {

std::string upToNul(const std::string& path) {
    return path.substr(0, path.find('\0'));
}

}  // namespace

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

    int64_t length() override {
        if (files_.unknownLength.count(path_) != 0) {
            lastError_ = MemoryFiles::accessDenied;
            return -1;
        }
        return open_ ? entry_->length() : 0;
    }

    std::size_t readBytes(uint8_t* buffer, std::size_t count) override {
        files_.largestTransfer = std::max(files_.largestTransfer, count);
        if (!open_) {
            return 0;
        }
        int64_t end = entry_->length();
        if (readLimit_ >= 0 && readLimit_ < end) {
            end = readLimit_;
            if (position_ + static_cast<int64_t>(count) > end) {
                lastError_ = files_.readStopError;
            }
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
        files_.largestTransfer = std::max(files_.largestTransfer, count);
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
        entry_->lengthAtFlush = entry_->length();
        if (created_ && files_.failFlush) {
            lastError_ = MemoryFiles::diskFull;
            return false;
        }
        return true;
    }

    bool keepWhenClosed() override {
        if (!open_) {
            return false;
        }
        files_.log.push_back("keep " + path_);
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
    (entries[path] = MemoryEntry{}).bytes = content;
}

void MemoryFiles::putRepeated(const std::string& path, const Bytes& pattern, int64_t length) {
    MemoryEntry& entry = entries[path] = MemoryEntry{};
    entry.pattern = std::make_shared<const Bytes>(pattern);
    entry.patternLength = length;
}

void MemoryFiles::putFolder(const std::string& path) {
    (entries[path] = MemoryEntry{}).folder = true;
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

std::unique_ptr<OpenFile> MemoryFiles::createBinary(const std::string& path, CreateOutcome& outcome,
                                                    const FileAttributes&) {
    const std::string name = upToNul(path);
    if (const bool exists = has(name); exists || refuseCreate) {
        outcome = exists ? CreateOutcome::alreadyExists : CreateOutcome::failed;
        lastError_ = exists ? 80 : accessDenied;  // 80: ERROR_FILE_EXISTS
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
    if (deleteError != noSystemError) {
        if (deleteError == fileNotFound) {
            entries.erase(name);
        }
        lastError_ = deleteError;
        return false;
    }
    const auto found = entries.find(name);
    if (found == entries.end() || found->second.folder || open_.count(name) != 0) {
        lastError_ = found == entries.end() ? fileNotFound : accessDenied;
        return false;
    }
    entries.erase(found);
    return true;
}

}  // namespace zel::test
