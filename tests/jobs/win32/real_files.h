// Real files for the tests of the jobs under Win32: a fresh temporary folder per test, whole-file
// helpers, sparse big files, and child processes of this test program that hold or code a file.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace zeltest {

using Bytes = std::vector<uint8_t>;

// Owns a kernel handle; files use INVALID_HANDLE_VALUE for none, other objects null.
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept
        : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            reset();
            handle_ = std::exchange(other.handle_, INVALID_HANDLE_VALUE);
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
    void reset() {
        if (valid()) {
            CloseHandle(handle_);
        }
        handle_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// A new empty folder under the system's temporary folder, removed with all it holds.
class TempFolder {
public:
    // The folder's name starts with the prefix, then the process id.
    explicit TempFolder(const std::string& prefix = "zel-jobs-");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    // path() + "\" + name
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

// Removes the file or the folder with all it holds; gives up silently on what cannot go.
void removeTree(const std::string& path);
// Removes the temporary folders with the prefix that processes no longer running left behind
// (a test killed by its timeout does not clean up).
void removeStaleTempFolders(const std::string& prefix);
// Removes everything inside the folder, keeping the folder.
void removeContents(const std::string& folder);

void writeWholeFile(const std::string& path, const Bytes& bytes);
Bytes readWholeFile(const std::string& path);
bool pathExists(const std::string& path);
// -1 when there is nothing of that name.
int64_t fileSizeOf(const std::string& path);
void makeFolder(const std::string& path);
Bytes pseudoRandomBytes(std::size_t count, uint32_t seed);
std::string asString(const Bytes& bytes);

// Every file and folder below a folder, by relative path; a folder maps to "<folder>", a file to
// its content. Small files only.
using FolderSnapshot = std::map<std::string, std::string>;
FolderSnapshot snapshotOf(const std::string& folder);
// The names in a folder, sorted, without reading anything.
std::vector<std::string> namesIn(const std::string& folder);

// Free bytes for the caller on the volume that holds the path; -1 when unknown.
int64_t freeBytesAt(const std::string& path);
// Total size of the volume that holds the path; -1 when unknown.
int64_t volumeSizeAt(const std::string& path);

// A file of the given length whose bytes are all zero except the given ones, made without
// writing the zeros (sparse where the file system allows).
void makeSparseFile(const std::string& path, int64_t length,
                    const std::vector<std::pair<int64_t, uint8_t>>& setBytes);
uint8_t byteAt(const std::string& path, int64_t offset);
// Compares two files by streaming both in large blocks; empty when equal, else where they
// differ.
std::string compareFiles(const std::string& a, const std::string& b);

// A Linux path as Wine's drive Z: shows it.
std::string windowsPathOfUnixPath(const std::string& unixPath);

// Another process of this test program, started with a child role (test_main.cpp); it is
// ended, if still running, when this object goes.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts this program with the arguments; false when it could not be started.
    bool start(const std::vector<std::string>& arguments);
    HANDLE handle() const { return process_.get(); }
    void terminate();
    // The exit code, or STILL_ACTIVE when it has not ended within the time.
    DWORD waitForExit(DWORD milliseconds);

private:
    UniqueHandle process_;
};

// Holds a file open in another process without sharing, until destroyed.
class FileHeldByOtherProcess {
public:
    explicit FileHeldByOtherProcess(const std::string& path);
    // Whether the other process has the file open.
    bool holding() const { return holding_; }

private:
    UniqueHandle ready_;
    ChildProcess holder_;
    bool holding_ = false;
};

// The switches that start this program in a child role (test_main.cpp) instead of the tests.
// Holds <path> open without sharing, signals the event <name>, then waits to be ended or for
// the process <parent id> to end.
inline constexpr char holdUnsharedRole[] = "--hold-unshared";
// Codes <source> into <destination> with the coding job on real files, then exits.
inline constexpr char codeFileRole[] = "--code-file";

}  // namespace zeltest
