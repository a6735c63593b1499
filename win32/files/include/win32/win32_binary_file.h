// The jobs' file system on Win32: files opened without sharing, outputs created only where
// nothing exists and removed by the system if the process ends before they are kept, renames
// that never replace, and renames and deletes that wait a moment for another program that
// holds the file.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "jobs/binary_file.h"

namespace zel {

class Win32BinaryFile final : public BinaryFile {
public:
    // How a rename or delete that another program holds up waits before it tries again: Sleep,
    // unless a test counts the pauses.
    using Pause = std::function<void(uint32_t milliseconds)>;
    explicit Win32BinaryFile(Pause pause = {});

    std::unique_ptr<OpenFile> openBinary(const std::string& path) override;
    // Outputs get the permissions their folder gives new files, whatever the source's.
    std::unique_ptr<OpenFile> createBinary(const std::string& path, CreateOutcome& outcome,
                                           const FileAttributes& source) override;
    std::unique_ptr<OpenFile> openStandardInput() override;
    std::unique_ptr<OpenFile> openStandardOutput() override;
    bool exists(const std::string& path) override;
    RenameOutcome renameFile(const std::string& from, const std::string& to) override;
    bool deleteFile(const std::string& path) override;
    SystemError lastError() const override { return lastError_; }
    std::string errorText(SystemError error) const override;

private:
    std::unique_ptr<OpenFile> openStandard(unsigned long stream);
    // The name as the wide calls take it; nothing, with the error kept, for a name that does
    // not convert exactly, which would name another file.
    std::optional<std::wstring> systemName(const std::string& path);

    Pause pause_;
    SystemError lastError_ = noSystemError;
};

// Removes every output of this process that has not got its final name yet, written or not,
// and those held (below), for the end of the session, which ends the process right after.
// Other outputs that have their final names stay. Safe while a job writes an output on another
// thread, which then finds it gone; nothing may be written or named afterwards.
void discardUnfinishedOutputs();

// From holdNamedOutputs to releaseNamedOutputs, the outputs given their final name are held:
// their key has not reached the user yet, so the end of the session removes them too.
void holdNamedOutputs();
void releaseNamedOutputs();

}  // namespace zel
