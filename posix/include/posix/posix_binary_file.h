// The jobs' file system on POSIX (Linux and macOS).
//
// POSIX has no sharing modes that other programs must respect, so files are not held against
// other programs; nothing else is done in their stead (advisory locks bind only programs that
// ask for them). What sharing protects still holds: an output is created only where nothing
// exists, in one step, and is either a file without a name until it is complete (Linux) or a
// "<name>.part" no other run will take; the jobs read a source to its end and report one that
// ends before the length it had when opened.
//
// An output's folder is opened when the output is made, so that its new name can be written
// through to the disk once given: a folder that may be written but not read cannot be opened,
// and the name then reaches the disk when the system next writes the folder out.
//
// Unfinished outputs: on Linux, createBinary("<final>.part") makes a file without a name in
// the folder (O_TMPFILE). It is known here by the unfinished name (exists() and createBinary()
// see it) until renameFile gives it its final name (linkat, which never replaces) or
// deleteFile drops it; a process that dies before takes it with it. Where the file system
// cannot make such a file, and on macOS, "<final>.part" is a real file, removed on SIGINT,
// SIGTERM and SIGHUP once removeUnfinishedOutputsOnSignals has been called.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "jobs/binary_file.h"
#include "posix/unique_fd.h"

namespace zel {

class PosixBinaryFile final : public BinaryFile {
public:
    enum class Outputs { unnamedWherePossible, alwaysNamed };
    explicit PosixBinaryFile(Outputs outputs = Outputs::unnamedWherePossible)
        : outputKind_(outputs) {}

    // A name that is neither a regular file nor a folder fails with notRegularFile.
    std::unique_ptr<OpenFile> openBinary(const std::string& path) override;
    std::unique_ptr<OpenFile> openStandardInput() override;
    std::unique_ptr<OpenFile> openStandardOutput() override;
    std::unique_ptr<OpenFile> createBinary(const std::string& path, CreateOutcome& outcome,
                                           const FileAttributes& source) override;
    bool exists(const std::string& path) override;
    RenameOutcome renameFile(const std::string& from, const std::string& to) override;
    bool deleteFile(const std::string& path) override;
    SystemError lastError() const override { return lastError_; }
    // strerror's text.
    std::string errorText(SystemError error) const override;

    // The error of a source that is not a regular file (a FIFO, a device), which no errno names.
    static constexpr SystemError notRegularFile = 0x10000;

private:
    // An output between createBinary and its rename or delete.
    struct Unfinished {
        // A file without a name: a descriptor kept here, so that it outlives the job's own.
        posix::UniqueFd unnamed;
        std::shared_ptr<posix::UniqueFd> folder;  // not valid where it cannot be opened
    };

    bool failed();  // keeps errno as the last error; false
    std::unique_ptr<OpenFile> openStandard(int stream);
    // The folder opened for syncing; the last one is kept, as a run makes its outputs in one
    // folder or a few, one after the other.
    std::shared_ptr<posix::UniqueFd> folderToSync(const std::string& folder);

    Outputs outputKind_;
    // By their unfinished names.
    std::map<std::string, Unfinished> outputs_;
    std::string syncedFolderName_;
    std::shared_ptr<posix::UniqueFd> syncedFolder_;
    SystemError lastError_ = noSystemError;
};

// From now on SIGINT, SIGTERM and SIGHUP remove the unfinished outputs that have a name before
// they end the process as they would have; signals the process ignores stay ignored.
void removeUnfinishedOutputsOnSignals();
// Removes them now, for a program's own signal handler: async-signal-safe.
void removeUnfinishedOutputsNow();

}  // namespace zel
