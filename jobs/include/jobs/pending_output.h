// An output file that appears under its final name only when complete and on the disk. It is
// written under an unfinished name beside the final one ("name.part"), written through to the
// disk, and renamed at commit, never replacing a file that appeared meanwhile. Whatever is not
// committed is removed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "jobs/binary_file.h"

namespace zel {

enum class OutputResult { ok, alreadyExists, cantWrite };

class PendingOutput {
public:
    PendingOutput(BinaryFile& files, std::string finalPath);
    ~PendingOutput();
    PendingOutput(const PendingOutput&) = delete;
    PendingOutput& operator=(const PendingOutput&) = delete;

    // Refuses a final name that exists, then creates the unfinished file.
    OutputResult create();
    bool write(const uint8_t* bytes, std::size_t count);
    // Writes the unfinished file through to the disk, closes it and gives it the final name.
    OutputResult commit();
    // Closes and removes the unfinished file. One that cannot be removed (and is still there: a
    // file gone already counts as removed) is named by the messages from then on.
    void abandon();

    // The message for a result other than ok, naming the final path and, for cantWrite, the
    // reason the system gave; with leftBehind().
    std::string messageFor(OutputResult result) const;
    // Empty, or after an abandon that could not remove the unfinished file, what a message about
    // the output adds: a line break, texts().unfinishedNotRemoved, the file's path and the reason.
    std::string leftBehind() const;

private:
    // Records the error behind a failure and removes the unfinished file.
    OutputResult fail(SystemError error);
    // The system's words for the error, or that it gave none.
    std::string reasonFor(SystemError error) const;

    BinaryFile& files_;
    std::string finalPath_;
    std::string partPath_;
    std::unique_ptr<OpenFile> file_;
    SystemError error_ = noSystemError;
    std::string notRemovedPath_;
    SystemError notRemovedError_ = noSystemError;
};

}  // namespace zel
