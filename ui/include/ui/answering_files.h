// The jobs' file system as the dialog hands it to them: the calls that wait for the disk to
// catch up (writing an output through, keeping, closing and renaming it, deleting a file) run
// on a second thread while the window answers (ui/held_thread.h). Everything else, the many
// block reads and writes above all, runs directly on the dialog's thread.
#pragma once

#include "jobs/binary_file.h"

namespace zel::ui {

class AnsweringFiles final : public BinaryFile {
public:
    explicit AnsweringFiles(BinaryFile& inner) : inner_(inner) {}

    std::unique_ptr<OpenFile> openBinary(const std::string& path) override {
        return inner_.openBinary(path);
    }
    std::unique_ptr<OpenFile> createBinary(const std::string& path, CreateOutcome& outcome,
                                           const FileAttributes& source) override;
    bool exists(const std::string& path) override { return inner_.exists(path); }
    RenameOutcome renameFile(const std::string& from, const std::string& to) override;
    bool deleteFile(const std::string& path) override;
    SystemError lastError() const override { return inner_.lastError(); }
    std::string errorText(SystemError error) const override { return inner_.errorText(error); }

private:
    BinaryFile& inner_;
};

}  // namespace zel::ui
