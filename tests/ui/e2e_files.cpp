#include "e2e_files.h"

#include <winioctl.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace zel::test {

namespace {

constexpr wchar_t folderPrefix[] = L"zel-e2e-";

// Owns a file handle.
class File {
public:
    explicit File(HANDLE handle) : handle_(handle) {}
    ~File() {
        if (valid()) {
            CloseHandle(handle_);
        }
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

File openForReading(const std::wstring& path) {
    return File(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

std::string narrow(const std::wstring& text) {
    std::string result;
    for (const wchar_t c : text) {
        result += c < 128 ? static_cast<char>(c) : '?';
    }
    return result;
}

void removeTree(const std::wstring& path) {
    WIN32_FIND_DATAW entry{};
    const HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            const std::wstring inner = path + L"\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeTree(inner);
            } else {
                SetFileAttributesW(inner.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(inner.c_str());
            }
        } while (FindNextFileW(search, &entry));
        FindClose(search);
    }
    RemoveDirectoryW(path.c_str());
}

bool processRuns(DWORD processId) {
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    if (process == nullptr) {
        return false;
    }
    const bool runs = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return runs;
}

// A test ended by its time limit leaves its folder behind, big files and all; the next test
// removes the folders of test programs that no longer run.
void removeStaleFolders(const std::wstring& base) {
    WIN32_FIND_DATAW entry{};
    const HANDLE search = FindFirstFileW((base + folderPrefix + L"*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        const std::wstring name = entry.cFileName;
        const DWORD owner = wcstoul(name.c_str() + wcslen(folderPrefix), nullptr, 10);
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && owner != 0 &&
            owner != GetCurrentProcessId() && !processRuns(owner)) {
            removeTree(base + name);
        }
    } while (FindNextFileW(search, &entry));
    FindClose(search);
}

}  // namespace

WorkFolder::WorkFolder() {
    wchar_t base[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, base);
    removeStaleFolders(base);
    static unsigned made = 0;
    path_ = std::wstring(base) + folderPrefix + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(++made) + L"-" + std::to_wstring(GetTickCount64());
    if (!CreateDirectoryW(path_.c_str(), nullptr)) {
        throw std::runtime_error("cannot make the folder " + narrow(path_));
    }
}

WorkFolder::~WorkFolder() {
    removeTree(path_);
}

std::string WorkFolder::narrowPath() const {
    return narrow(path_);
}

std::vector<std::wstring> WorkFolder::names() const {
    std::vector<std::wstring> found;
    WIN32_FIND_DATAW entry{};
    const HANDLE search = FindFirstFileW((path_ + L"\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return found;
    }
    do {
        const std::wstring name = entry.cFileName;
        if (name != L"." && name != L"..") {
            found.push_back(name);
        }
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    std::sort(found.begin(), found.end());
    return found;
}

void writeWholeFile(const std::wstring& path, const Bytes& bytes) {
    const File file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file.valid() ||
        !WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size()) {
        throw std::runtime_error("cannot write " + narrow(path));
    }
}

Bytes readWholeFile(const std::wstring& path) {
    const File file = openForReading(path);
    if (!file.valid()) {
        throw std::runtime_error("cannot read " + narrow(path));
    }
    Bytes bytes(static_cast<std::size_t>(std::max<int64_t>(fileSize(path), 0)));
    DWORD got = 0;
    if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr)) {
        throw std::runtime_error("cannot read " + narrow(path));
    }
    bytes.resize(got);
    return bytes;
}

bool fileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

int64_t fileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        return -1;
    }
    return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

Bytes pseudoRandomBytes(std::size_t count, uint32_t seed) {
    Bytes bytes(count);
    uint32_t state = seed * 2654435761u + 1;
    for (uint8_t& byte : bytes) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = static_cast<uint8_t>(state >> 11);
    }
    return bytes;
}

void makeSparseFile(const std::wstring& path, int64_t length,
                    const std::vector<std::pair<int64_t, uint8_t>>& marks) {
    const File file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        throw std::runtime_error("cannot make " + narrow(path));
    }
    // Where the file system has no sparse files the system writes the zeros itself.
    DWORD ignored = 0;
    DeviceIoControl(file.get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
    LARGE_INTEGER end{};
    end.QuadPart = length;
    if (!SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) || !SetEndOfFile(file.get())) {
        throw std::runtime_error("cannot size " + narrow(path));
    }
    for (const auto& [offset, value] : marks) {
        LARGE_INTEGER at{};
        at.QuadPart = offset;
        DWORD written = 0;
        if (!SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN) ||
            !WriteFile(file.get(), &value, 1, &written, nullptr) || written != 1) {
            throw std::runtime_error("cannot mark " + narrow(path));
        }
    }
}

std::string compareFiles(const std::wstring& a, const std::wstring& b) {
    const int64_t sizeA = fileSize(a);
    const int64_t sizeB = fileSize(b);
    if (sizeA != sizeB) {
        return "sizes " + std::to_string(sizeA) + " and " + std::to_string(sizeB);
    }
    const File fileA = openForReading(a);
    const File fileB = openForReading(b);
    if (!fileA.valid() || !fileB.valid()) {
        return "cannot open both files";
    }
    constexpr DWORD block = 8u << 20;
    std::vector<uint8_t> bufferA(block);
    std::vector<uint8_t> bufferB(block);
    int64_t offset = 0;
    for (;;) {
        DWORD gotA = 0;
        DWORD gotB = 0;
        if (!ReadFile(fileA.get(), bufferA.data(), block, &gotA, nullptr) ||
            !ReadFile(fileB.get(), bufferB.data(), block, &gotB, nullptr)) {
            return "read failed at " + std::to_string(offset);
        }
        if (gotA != gotB) {
            return "short read at " + std::to_string(offset);
        }
        if (gotA == 0) {
            return {};
        }
        if (std::memcmp(bufferA.data(), bufferB.data(), gotA) != 0) {
            const auto differs =
                std::mismatch(bufferA.begin(), bufferA.begin() + gotA, bufferB.begin());
            return "bytes differ at " + std::to_string(offset + (differs.first - bufferA.begin()));
        }
        offset += gotA;
    }
}

int64_t freeBytesAt(const std::wstring& path) {
    ULARGE_INTEGER available{};
    if (!GetDiskFreeSpaceExW(path.c_str(), &available, nullptr, nullptr)) {
        return -1;
    }
    return static_cast<int64_t>(available.QuadPart);
}

HeldFile::HeldFile(const std::wstring& path)
    : handle_(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr)) {}

HeldFile::~HeldFile() {
    if (holding()) {
        CloseHandle(handle_);
    }
}

}  // namespace zel::test
