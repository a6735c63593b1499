// What the file jobs need of the file system: Win32 in win32/files/win32_binary_file.cpp, POSIX
// in posix/posix_binary_file.cpp; tests keep files in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace zel {

// The file system reads a name only up to its first NUL.
inline std::string upToNul(const std::string& path) {
    return path.substr(0, path.find('\0'));
}

// The most bytes handed to one system call: some systems refuse counts beyond 2 GiB, and
// Win32's counts are 32 bits.
inline constexpr std::size_t largestSystemTransfer = std::size_t{1} << 30;

// A system error code (GetLastError on Windows); noSystemError for a failure that the system
// did not report, such as a file that ends before the length it had when it was opened.
using SystemError = uint32_t;
inline constexpr SystemError noSystemError = 0;

// What an output may take over from its source. known is false where the system could not tell.
struct FileAttributes {
    bool known = false;
    uint32_t permissions = 0;  // POSIX permission bits (mode & 0777); not used on Windows
    uint32_t group = 0;        // POSIX group; not used on Windows
    int64_t accessedNs = 0;    // nanoseconds since 1970-01-01 UTC
    int64_t modifiedNs = 0;
};

// One open file, held without sharing; closed when destroyed.
class OpenFile {
public:
    virtual ~OpenFile() = default;
    OpenFile() = default;
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    // The size in bytes now; -1 when the system cannot tell (lastError says why).
    virtual int64_t length() = 0;
    // Up to count bytes from the current position; fewer at the end of the file or on failure
    // (lastError then tells the failure from the end).
    virtual std::size_t readBytes(uint8_t* buffer, std::size_t count) = 0;
    // Writes all count bytes at the current position; false when any is not written.
    virtual bool writeBytes(const uint8_t* bytes, std::size_t count) = 0;
    // The file's permission bits and times, where the system has them.
    virtual FileAttributes attributes() { return {}; }
    // Gives an output made by createBinary the source's permission bits (never wider for anyone
    // who is not the source's owner or group) and times, where the system has them; called once
    // the last byte is written, before the output is written through to the disk. Best effort:
    // an output whose file system keeps no such things is complete all the same.
    virtual void takeAttributes(const FileAttributes& /*source*/) {}
    // Writes everything written so far through to the disk, so that it survives a power cut;
    // false when that fails.
    virtual bool flushToDisk() = 0;
    // An output made by createBinary is unfinished until this is called: where the platform
    // can, the system removes it if the process ends first, by a kill, a crash or the end of the
    // session. Called once the output is complete and on the disk, before it is closed and
    // renamed; false when it cannot be kept. Files opened by openBinary are never removed.
    virtual bool keepWhenClosed() = 0;
    // Whether closing the file now removes it: an output not kept, where the platform removes
    // it itself. Its owner then has no name left to delete.
    virtual bool removedWhenClosed() const { return false; }
    // Closes the file; false when the system reports that the close failed.
    virtual bool closeFile() = 0;
    // The error of the last operation on this file that failed.
    virtual SystemError lastError() const = 0;
};

enum class CreateOutcome { created, alreadyExists, failed };
enum class RenameOutcome { renamed, targetExists, failed };

class BinaryFile {
public:
    virtual ~BinaryFile() = default;

    // Opens an existing file to read, without sharing: for reading and writing, or for reading
    // only when that is refused. Never creates a file. Only the text up to the first NUL names
    // the file. Null when the file cannot be opened.
    virtual std::unique_ptr<OpenFile> openBinary(const std::string& path) = 0;
    // Creates a new empty file to write, without sharing, only if nothing of that name exists,
    // in one step; where the system has permission bits and the source's are known, with none
    // that the source does not have. Null unless outcome is created.
    virtual std::unique_ptr<OpenFile> createBinary(const std::string& path, CreateOutcome& outcome,
                                                   const FileAttributes& source) = 0;
    // The process's standard input, to read to its end, and standard output, to write; each a
    // stream of its own that closing the file leaves open. Null where the process has none (a
    // window), or where it cannot be had (lastError says why).
    virtual std::unique_ptr<OpenFile> openStandardInput() { return nullptr; }
    virtual std::unique_ptr<OpenFile> openStandardOutput() { return nullptr; }
    // Whether anything (a file or a folder) exists under the name.
    virtual bool exists(const std::string& path) = 0;
    // Gives a closed file its final name, never replacing anything already there. The new name
    // is written through to the disk where the system lets its folder be, which is looked after
    // when the file is created: once the name is given, the rename counts as done.
    virtual RenameOutcome renameFile(const std::string& from, const std::string& to) = 0;
    // Deletes the file; false when it could not be deleted.
    virtual bool deleteFile(const std::string& path) = 0;
    // The error of the last of the operations above that failed.
    virtual SystemError lastError() const = 0;
    // The system's own words for an error, one line or more without a trailing line break,
    // in the code page of the paths.
    virtual std::string errorText(SystemError error) const = 0;
};

}  // namespace zel
