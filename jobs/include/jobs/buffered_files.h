// Large-block access beneath the jobs' small chunks. The jobs read and write at most 800 bytes
// at a time; handing each of those to the system costs far more than the bytes themselves, so
// the files opened here read ahead and write behind in blocks of a fixed size. The memory is
// one block per open file, whatever the file's size, handed on to the next file once done.
//
// Faults keep their meaning: a write that fails when a block goes out fails the writeBytes
// call that sent it (or the flush or close that sends the last one), and a read that fails
// shows as a short read at the point where the data ends.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "jobs/binary_file.h"

namespace zel {

// Chosen with bench/job_bench on 256 MiB: 256 KiB was as fast as 1 MiB or a little faster,
// 64 KiB and 4 MiB slower.
inline constexpr std::size_t defaultFileBlockSize = std::size_t{256} << 10;

class BlockPool;

class BufferedFiles final : public BinaryFile {
public:
    // Throws std::invalid_argument for a block size of 0, with which no block could fill.
    explicit BufferedFiles(BinaryFile& inner, std::size_t blockSize = defaultFileBlockSize);
    ~BufferedFiles() override;

    std::unique_ptr<OpenFile> openBinary(const std::string& path) override;
    std::unique_ptr<OpenFile> createBinary(const std::string& path, CreateOutcome& outcome,
                                           const FileAttributes& source) override;
    std::unique_ptr<OpenFile> openStandardInput() override;
    std::unique_ptr<OpenFile> openStandardOutput() override;
    bool exists(const std::string& path) override { return inner_.exists(path); }
    RenameOutcome renameFile(const std::string& from, const std::string& to) override {
        return inner_.renameFile(from, to);
    }
    bool deleteFile(const std::string& path) override { return inner_.deleteFile(path); }
    SystemError lastError() const override { return inner_.lastError(); }
    std::string errorText(SystemError error) const override { return inner_.errorText(error); }

private:
    BinaryFile& inner_;
    // Shared with the open files, which may outlive this.
    std::shared_ptr<BlockPool> blocks_;
};

}  // namespace zel
