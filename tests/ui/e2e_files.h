// Files for the end-to-end tests, named in UTF-16 so that any script works: a fresh folder per
// test, whole-file helpers, big sparse files and their comparison, and a file held open.
#pragma once

#include "zel_driver.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zel::test {

using Bytes = std::vector<uint8_t>;

// A new empty folder under the system's temporary folder, removed with all it holds.
class WorkFolder {
public:
    WorkFolder();
    ~WorkFolder();
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    const std::wstring& path() const { return path_; }
    std::string narrowPath() const;
    // path() + "\" + name
    std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }
    // The names in the folder, sorted.
    std::vector<std::wstring> names() const;

private:
    std::wstring path_;
};

void writeWholeFile(const std::wstring& path, const Bytes& bytes);
Bytes readWholeFile(const std::wstring& path);
bool fileExists(const std::wstring& path);
// -1 when there is no such file.
int64_t fileSize(const std::wstring& path);
Bytes pseudoRandomBytes(std::size_t count, uint32_t seed);

// A file of that length, zero but for a few marked bytes, made without writing the zeros.
void makeSparseFile(const std::wstring& path, int64_t length,
                    const std::vector<std::pair<int64_t, uint8_t>>& marks);
// Streams both files in big blocks; empty when equal, else where they differ.
std::string compareFiles(const std::wstring& a, const std::wstring& b);
// Free bytes for this user on the volume of the path; -1 when unknown.
int64_t freeBytesAt(const std::wstring& path);

// Holds a file open without sharing, as another program may: zel.exe runs in a process of its
// own, so this test program is that other program.
class HeldFile {
public:
    explicit HeldFile(const std::wstring& path);
    ~HeldFile();
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;
    bool holding() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

}  // namespace zel::test
