// An output file that appears under its final name only when complete and on the disk. It is
// written under an unfinished name beside the final one ("name.part"), written through to the
// disk, and renamed at commit, never replacing a file that appeared meanwhile. Whatever is not
// committed is removed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "jobs/binary_file.h"

namespace zel {

enum class OutputResult { ok, alreadyExists, cantWrite, stopped };

class PendingOutput {
public:
    // toStandardOutput: the output is the process's standard output, which is written as it
    // comes, has no name to give and nothing to remove; finalPath only names it in messages.
    PendingOutput(BinaryFile& files, std::string finalPath, bool toStandardOutput = false);
    ~PendingOutput();
    PendingOutput(const PendingOutput&) = delete;
    PendingOutput& operator=(const PendingOutput&) = delete;

    // Refuses a final name that exists, then creates the unfinished file, with no permission
    // that the source does not have (where the source's are known).
    OutputResult create(const FileAttributes& source = {});
    bool write(const uint8_t* bytes, std::size_t count);
    // Gives the unfinished file the source's permission bits and times (see OpenFile).
    void takeAttributes(const FileAttributes& source);
    // Writes the unfinished file through to the disk, closes it and, unless mayName (when given)
    // says no, gives it the final name. Stopped, the file removed, when it says no.
    OutputResult commit(const std::function<bool()>& mayName = nullptr);
    // Closes and removes the unfinished file. One that cannot be removed (and is still there: a
    // file gone already counts as removed) is named by the messages from then on.
    void abandon();

    const std::string& finalPath() const { return finalPath_; }
    // The system's words for the error behind the last cantWrite, or that it gave none.
    std::string reason() const { return reasonFor(error_); }
    // After an abandon that could not remove the unfinished file: its path and why; else empty.
    const std::string& notRemovedPath() const { return notRemovedPath_; }
    std::string notRemovedReason() const;

private:
    // Records the error behind a failure and removes the unfinished file.
    OutputResult fail(SystemError error);
    // The system's words for the error, or that it gave none.
    std::string reasonFor(SystemError error) const;

    BinaryFile& files_;
    std::string finalPath_;
    bool toStandardOutput_;
    std::string partPath_;
    std::unique_ptr<OpenFile> file_;
    SystemError error_ = noSystemError;
    std::string notRemovedPath_;
    SystemError notRemovedError_ = noSystemError;
};

}  // namespace zel
