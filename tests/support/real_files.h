// Real files for the Windows tests: temporary folders, whole files, sparse big files, folder
// snapshots, a file held without sharing. Paths in this program's code page or in UTF-16.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/test_bytes.h"
#include "win32/unique_handle.h"

namespace zel::test {

// The tests' own texts between this program's code page and UTF-16, converted exactly; throws
// (std::bad_optional_access) what cannot be.
std::wstring wideOf(const std::string& narrow);
std::string narrowOf(const std::wstring& wide);

// A path in this program's code page (the job tests) or in UTF-16 (the dialog tests).
class AnyPath {
public:
    AnyPath() = default;
    AnyPath(const std::wstring& wide) : wide_(wide) {}
    AnyPath(const wchar_t* wide) : wide_(wide) {}
    AnyPath(const std::string& narrow);
    AnyPath(const char* narrow) : AnyPath(std::string(narrow)) {}

    const std::wstring& wide() const { return wide_; }
    std::string narrow() const;
    // The name for the system: past the classic limit in its "\\?\" form, as the jobs write.
    std::wstring system() const;

private:
    std::wstring wide_;
};

// The names in a folder, sorted.
using Names = std::vector<std::wstring>;

// A new empty folder in the base folder (the system's temporary folder when none is given),
// removed with all it holds. A test ended by its time limit leaves its folder behind, so the
// folders of test programs that no longer run go first.
class TempFolder {
public:
    explicit TempFolder(const AnyPath& base = {}, const std::string& prefix = "zel-test-");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    const std::wstring& widePath() const { return widePath_; }
    // path() + "\" + name
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }
    std::wstring operator/(const std::wstring& name) const { return widePath_ + L"\\" + name; }
    std::wstring operator/(const wchar_t* name) const { return *this / std::wstring(name); }
    // The names in the folder, sorted, without reading anything.
    Names names() const;

private:
    std::wstring widePath_;
    std::string path_;
};

// Whether the folder holds an output the jobs have not finished ("<name>.part").
bool holdsUnfinishedOutput(const TempFolder& folder);

// Removes the file or the folder with all it holds; gives up silently on what cannot go.
void removeTree(const AnyPath& path);
// Removes everything inside the folder, keeping the folder.
void removeContents(const AnyPath& folder);

// The file opened with CreateFileW's access, sharing and creation, to read or write in order;
// throws when it cannot be.
win32::KernelHandle openFile(const AnyPath& path, DWORD access, DWORD sharing, DWORD creation);
// Writes all the bytes at the file's position, or throws.
void writeAll(HANDLE file, const uint8_t* bytes, std::size_t count, const AnyPath& path);

void writeWholeFile(const AnyPath& path, const Bytes& bytes);
Bytes readWholeFile(const AnyPath& path);
bool pathExists(const AnyPath& path);
// -1 when there is nothing of that name.
int64_t fileSize(const AnyPath& path);
void makeFolder(const AnyPath& path);

// Everything below a folder by relative path: a file's content, or "<folder>". Small files.
using FolderSnapshot = std::map<std::string, std::string>;
FolderSnapshot snapshotOf(const AnyPath& folder);

// The bytes free for this user and the size of the volume that holds the path; -1 when unknown.
struct VolumeSpace {
    int64_t free = -1;
    int64_t total = -1;
};
VolumeSpace volumeSpaceAt(const AnyPath& path);

// A file of the given length, zero but for the marked bytes, made without writing the zeros
// (sparse where the file system allows).
void makeSparseFile(const AnyPath& path, int64_t length,
                    const std::vector<std::pair<int64_t, uint8_t>>& marks);
uint8_t byteAt(const AnyPath& path, int64_t offset);
// Streams both files in large blocks; empty when equal, else where they differ.
std::string compareFiles(const AnyPath& a, const AnyPath& b);

// Whether tests/support's slow_flush.so is loaded into Wine (LD_PRELOAD, as CTest sets it for
// the cases of a slow drive): writing through a file whose path holds "slow-flush" then takes
// seconds.
bool slowFlushLoaded();

// A Linux path as Wine's drive Z: shows it; other paths as they are.
std::string windowsPath(const std::string& path);

// The file opened without sharing, as another program may hold it; invalid when it cannot be
// opened.
win32::KernelHandle openUnshared(const AnyPath& path);

}  // namespace zel::test
