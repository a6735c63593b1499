#include "jobs/buffered_files.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <utility>
#include <vector>

namespace zel {

// Blocks that files have finished with, handed to the next: a run over thousands of small files
// then asks the system for memory twice, not twice a file, and never has a block zeroed. Files
// may be closed on another thread than the one that opened them.
class BlockPool {
public:
    explicit BlockPool(std::size_t blockSize) : blockSize_(blockSize) {}

    std::size_t blockSize() const { return blockSize_; }
    std::unique_ptr<uint8_t[]> take() {
        const std::lock_guard<std::mutex> hold(lock_);
        if (spare_.empty()) {
            return std::unique_ptr<uint8_t[]>(new uint8_t[blockSize_]);
        }
        std::unique_ptr<uint8_t[]> block = std::move(spare_.back());
        spare_.pop_back();
        return block;
    }
    void giveBack(std::unique_ptr<uint8_t[]> block) {
        if (block) {
            const std::lock_guard<std::mutex> hold(lock_);
            spare_.push_back(std::move(block));
        }
    }

private:
    std::size_t blockSize_;
    std::mutex lock_;
    std::vector<std::unique_ptr<uint8_t[]>> spare_;
};

namespace {

// A file is either read (opened) or written (created) by the jobs, never both; the one block
// serves whichever it is.
class BufferedOpenFile final : public OpenFile {
public:
    BufferedOpenFile(std::unique_ptr<OpenFile> inner, std::shared_ptr<BlockPool> pool)
        : inner_(std::move(inner)), blockSize_(pool->blockSize()), pool_(std::move(pool)) {}
    ~BufferedOpenFile() override {
        closeFile();
        pool_->giveBack(std::move(block_));
    }

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
            // Once a read has found the end, the next one would only find it again.
            if (ended_) {
                break;
            }
            useBlock();
            blockEnd_ = inner_->readBytes(block_.get(), blockSize_);
            blockAt_ = 0;
            ended_ = blockEnd_ < blockSize_;
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
        useBlock();
        while (count > 0) {
            const std::size_t taken = std::min(count, blockSize_ - pending_);
            std::memcpy(block_.get() + pending_, bytes, taken);
            pending_ += taken;
            bytes += taken;
            count -= taken;
            if (pending_ == blockSize_ && !writePending()) {
                return false;
            }
        }
        return true;
    }

    FileAttributes attributes() override { return inner_->attributes(); }

    // The times are those of the last write: the block still held goes out first.
    void takeAttributes(const FileAttributes& source) override {
        if (writePending()) {
            inner_->takeAttributes(source);
        }
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
            std::memcpy(buffer, block_.get() + blockAt_, n);
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
        return keep(inner_->writeBytes(block_.get(), count));
    }

    void useBlock() {
        if (!block_) {
            block_ = pool_->take();
        }
    }

    // A failed write leaves the file's end unknown: nothing more may be written after it.
    bool keep(bool succeeded) {
        failed_ = failed_ || !succeeded;
        return succeeded;
    }

    std::unique_ptr<OpenFile> inner_;
    std::size_t blockSize_;
    std::shared_ptr<BlockPool> pool_;
    std::unique_ptr<uint8_t[]> block_;  // taken on first use: a block for reading or for writing
    std::size_t blockAt_ = 0;           // reading: next byte to hand out
    std::size_t blockEnd_ = 0;          // reading: bytes held
    std::size_t pending_ = 0;           // writing: bytes held, not yet handed to the system
    bool ended_ = false;                // reading: a read found the end of the file
    bool failed_ = false;
    bool closed_ = false;
};

}  // namespace

BufferedFiles::BufferedFiles(BinaryFile& inner, std::size_t blockSize) : inner_(inner) {
    if (blockSize == 0) {
        throw std::invalid_argument("BufferedFiles: a block size of 0");
    }
    blocks_ = std::make_shared<BlockPool>(blockSize);
}

BufferedFiles::~BufferedFiles() = default;

std::unique_ptr<OpenFile> BufferedFiles::openBinary(const std::string& path) {
    auto file = inner_.openBinary(path);
    if (!file) {
        return nullptr;
    }
    return std::make_unique<BufferedOpenFile>(std::move(file), blocks_);
}

std::unique_ptr<OpenFile> BufferedFiles::createBinary(const std::string& path,
                                                      CreateOutcome& outcome,
                                                      const FileAttributes& source) {
    auto file = inner_.createBinary(path, outcome, source);
    if (!file) {
        return nullptr;
    }
    return std::make_unique<BufferedOpenFile>(std::move(file), blocks_);
}

std::unique_ptr<OpenFile> BufferedFiles::openStandardInput() {
    auto file = inner_.openStandardInput();
    return file ? std::make_unique<BufferedOpenFile>(std::move(file), blocks_) : nullptr;
}

std::unique_ptr<OpenFile> BufferedFiles::openStandardOutput() {
    auto file = inner_.openStandardOutput();
    return file ? std::make_unique<BufferedOpenFile>(std::move(file), blocks_) : nullptr;
}

}  // namespace zel
