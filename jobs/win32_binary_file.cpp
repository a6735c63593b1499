#include "jobs/win32_binary_file.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>
#include <string>
#include <utility>

namespace zel {

namespace {

// The file system reads a name only up to its first NUL.
std::string upToNul(const std::string& path) {
    return path.substr(0, path.find('\0'));
}

std::wstring widened(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), length);
    return wide;
}

// The name as the wide calls take it. A name that reaches the classic limit of 260 characters
// once made absolute is given the "\\?\" form, which has no such limit: the unfinished
// "<name>.part" beside a final name of 255 characters is already 260 long, and names built in
// a run over several files can be longer still. Shorter names pass unchanged.
std::wstring systemName(const std::string& path) {
    const std::wstring name = widened(upToNul(path));
    if (name.empty() || name.rfind(L"\\\\?\\", 0) == 0 || name.rfind(L"\\\\.\\", 0) == 0) {
        return name;
    }
    const DWORD needed = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
    if (needed == 0) {
        return name;
    }
    std::wstring full(needed, L'\0');
    const DWORD length = GetFullPathNameW(name.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) {
        return name;
    }
    full.resize(length);
    if (full.size() < MAX_PATH) {
        return name;
    }
    if (full.rfind(L"\\\\", 0) == 0) {
        return L"\\\\?\\UNC\\" + full.substr(2);
    }
    return L"\\\\?\\" + full;
}

// Owns one open file handle.
class FileHandle {
public:
    explicit FileHandle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
    ~FileHandle() { close(); }
    FileHandle(FileHandle&& other) noexcept
        : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
    FileHandle& operator=(FileHandle&& other) noexcept {
        if (this != &other) {
            close();
            handle_ = std::exchange(other.handle_, INVALID_HANDLE_VALUE);
        }
        return *this;
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    bool close() {
        if (!valid()) {
            return true;
        }
        return CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE)) != 0;
    }

private:
    HANDLE handle_;
};

// Large requests are split so that each system call's count fits its 32-bit argument.
constexpr std::size_t largestSystemTransfer = 1u << 30;

class Win32OpenFile final : public OpenFile {
public:
    explicit Win32OpenFile(FileHandle handle) : handle_(std::move(handle)) {}

    int64_t length() override {
        LARGE_INTEGER size{};
        return GetFileSizeEx(handle_.get(), &size) ? size.QuadPart : 0;
    }

    std::size_t readBytes(uint8_t* buffer, std::size_t count) override {
        std::size_t total = 0;
        while (total < count) {
            const auto ask = static_cast<DWORD>(std::min(count - total, largestSystemTransfer));
            DWORD got = 0;
            if (!ReadFile(handle_.get(), buffer + total, ask, &got, nullptr) || got == 0) {
                break;
            }
            total += got;
        }
        return total;
    }

    bool writeBytes(const uint8_t* bytes, std::size_t count) override {
        std::size_t total = 0;
        while (total < count) {
            const auto ask = static_cast<DWORD>(std::min(count - total, largestSystemTransfer));
            DWORD written = 0;
            if (!WriteFile(handle_.get(), bytes + total, ask, &written, nullptr) || written == 0) {
                return false;
            }
            total += written;
        }
        return true;
    }

    bool closeFile() override { return handle_.close(); }

private:
    FileHandle handle_;
};

}  // namespace

std::unique_ptr<OpenFile> Win32BinaryFile::openBinary(const std::string& path) {
    const std::wstring name = systemName(path);
    constexpr DWORD noSharing = 0;
    // Read and write access is asked for first only to hold the file as firmly as the user's
    // rights allow; the job never writes to it.
    FileHandle handle(CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, noSharing, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!handle.valid()) {
        handle = FileHandle(CreateFileW(name.c_str(), GENERIC_READ, noSharing, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    }
    if (!handle.valid()) {
        return nullptr;
    }
    return std::make_unique<Win32OpenFile>(std::move(handle));
}

std::unique_ptr<OpenFile> Win32BinaryFile::createBinary(const std::string& path,
                                                        CreateOutcome& outcome) {
    const std::wstring name = systemName(path);
    FileHandle handle(CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle.valid()) {
        const DWORD error = GetLastError();
        outcome = (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS)
                      ? CreateOutcome::alreadyExists
                      : CreateOutcome::failed;
        return nullptr;
    }
    outcome = CreateOutcome::created;
    return std::make_unique<Win32OpenFile>(std::move(handle));
}

bool Win32BinaryFile::exists(const std::string& path) {
    return GetFileAttributesW(systemName(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

RenameOutcome Win32BinaryFile::renameFile(const std::string& from, const std::string& to) {
    // No MOVEFILE_REPLACE_EXISTING: a file that appeared under the final name is never replaced.
    if (MoveFileExW(systemName(from).c_str(), systemName(to).c_str(), 0)) {
        return RenameOutcome::renamed;
    }
    const DWORD error = GetLastError();
    return (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)
               ? RenameOutcome::targetExists
               : RenameOutcome::failed;
}

bool Win32BinaryFile::deleteFile(const std::string& path) {
    return DeleteFileW(systemName(path).c_str()) != 0;
}

}  // namespace zel
