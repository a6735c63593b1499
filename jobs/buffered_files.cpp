#include "jobs/buffered_files.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <utility>
#include <vector>

namespace zel {

namespace {

// A file is either read (opened) or written (created) by the jobs, never both; the one block
// serves whichever it is.
class BufferedOpenFile final : public OpenFile {
public:
    BufferedOpenFile(std::unique_ptr<OpenFile> inner, std::size_t blockSize)
        : inner_(std::move(inner)), blockSize_(blockSize) {}
    ~BufferedOpenFile() override { closeFile(); }

    int64_t length() override {
        const int64_t written = inner_->length();
        return written < 0 ? written : written + static_cast<int64_t>(pending_);
    }

    std::size_t readBytes(uint8_t* buffer, std::size_t count) override {
        std::size_t done = takeBuffered(buffer, count);
        while (done < count) {
            if (count - done >= blockSize_) {
                // As much as a block or more: no point in copying it through the block.
                const std::size_t got = inner_->readBytes(buffer + done, count - done);
                done += got;
                break;
            }
            block_.resize(blockSize_);
            blockEnd_ = inner_->readBytes(block_.data(), blockSize_);
            blockAt_ = 0;
            if (blockEnd_ == 0) {
                break;
            }
            done += takeBuffered(buffer + done, count - done);
        }
        return done;
    }

    bool writeBytes(const uint8_t* bytes, std::size_t count) override {
        if (failed_ || closed_) {
            return false;
        }
        // Blocks go out whole, so that the file is written in pieces of one size at offsets
        // that are multiples of it, whatever the chunks: the system copies such pieces fastest,
        // and the file reads back fastest too.
        block_.resize(blockSize_);
        while (count > 0) {
            const std::size_t taken = std::min(count, blockSize_ - pending_);
            std::memcpy(block_.data() + pending_, bytes, taken);
            pending_ += taken;
            bytes += taken;
            count -= taken;
            if (pending_ == blockSize_ && !writePending()) {
                return false;
            }
        }
        return true;
    }

    bool flushToDisk() override { return writePending() && keep(inner_->flushToDisk()); }

    bool keepWhenClosed() override { return keep(inner_->keepWhenClosed()); }

    bool removedWhenClosed() const override { return inner_->removedWhenClosed(); }

    bool closeFile() override {
        if (closed_) {
            return true;
        }
        closed_ = true;
        const bool written = writePending();
        const bool closedInner = inner_->closeFile();
        return written && closedInner;
    }

    SystemError lastError() const override { return inner_->lastError(); }

private:
    std::size_t takeBuffered(uint8_t* buffer, std::size_t count) {
        const std::size_t n = std::min(count, blockEnd_ - blockAt_);
        if (n > 0) {
            std::memcpy(buffer, block_.data() + blockAt_, n);
            blockAt_ += n;
        }
        return n;
    }

    bool writePending() {
        if (failed_) {
            return false;
        }
        if (pending_ == 0) {
            return true;
        }
        const std::size_t count = std::exchange(pending_, 0);
        return keep(inner_->writeBytes(block_.data(), count));
    }

    // A failed write leaves the file's end unknown: nothing more may be written after it.
    bool keep(bool succeeded) {
        failed_ = failed_ || !succeeded;
        return succeeded;
    }

    std::unique_ptr<OpenFile> inner_;
    std::size_t blockSize_;
    std::vector<uint8_t> block_;  // sized on first use: a block for reading or for writing
    std::size_t blockAt_ = 0;     // reading: next byte to hand out
    std::size_t blockEnd_ = 0;    // reading: bytes held
    std::size_t pending_ = 0;     // writing: bytes held, not yet handed to the system
    bool failed_ = false;
    bool closed_ = false;
};

}  // namespace

BufferedFiles::BufferedFiles(BinaryFile& inner, std::size_t blockSize)
    : inner_(inner), blockSize_(blockSize) {
    if (blockSize_ == 0) {
        throw std::invalid_argument("BufferedFiles: a block size of 0");
    }
}

std::unique_ptr<OpenFile> BufferedFiles::openBinary(const std::string& path) {
    auto file = inner_.openBinary(path);
    if (!file) {
        return nullptr;
    }
    return std::make_unique<BufferedOpenFile>(std::move(file), blockSize_);
}

std::unique_ptr<OpenFile> BufferedFiles::createBinary(const std::string& path,
                                                      CreateOutcome& outcome) {
    auto file = inner_.createBinary(path, outcome);
    if (!file) {
        return nullptr;
    }
    return std::make_unique<BufferedOpenFile>(std::move(file), blockSize_);
}

}  // namespace zel
