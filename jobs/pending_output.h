// An output file that appears under its final name only when complete. It is written under an
// unfinished name beside the final one ("name.part") and renamed at commit, never replacing a
// file that appeared meanwhile. Whatever is not committed is removed.
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
    // Closes the unfinished file and gives it the final name.
    OutputResult commit();
    // Closes and removes the unfinished file.
    void abandon();

    const std::string& finalPath() const { return finalPath_; }
    const std::string& partPath() const { return partPath_; }

    // The message for a result other than ok, naming the final path.
    std::string messageFor(OutputResult result) const;

private:
    BinaryFile& files_;
    std::string finalPath_;
    std::string partPath_;
    std::unique_ptr<OpenFile> file_;
};

}  // namespace zel
