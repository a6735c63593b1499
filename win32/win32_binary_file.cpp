#include "win32/win32_binary_file.h"

#include <algorithm>
#include <string>
#include <utility>

#include "win32/error_text.h"
#include "win32/text.h"
#include "win32/unique_handle.h"

namespace zel {

namespace {

using win32::KernelHandle;

// The file system reads a name only up to its first NUL.
std::string upToNul(const std::string& path) {
    return path.substr(0, path.find('\0'));
}

// The name as the wide calls take it. A name that reaches the classic limit of 260 characters
// once made absolute is given the "\\?\" form, which has no such limit: the unfinished
// "<name>.part" beside a final name of 255 characters is already 260 long, and names built in
// a run over several files can be longer still. Shorter names pass unchanged.
std::wstring systemName(const std::string& path) {
    const std::wstring name = win32::toWide(upToNul(path));
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

// Large requests are split so that each system call's count fits its 32-bit argument.
constexpr std::size_t largestSystemTransfer = 1u << 30;

class Win32OpenFile final : public OpenFile {
public:
    explicit Win32OpenFile(KernelHandle handle) : handle_(std::move(handle)) {}

    int64_t length() override {
        LARGE_INTEGER size{};
        return succeeded(GetFileSizeEx(handle_.get(), &size)) ? size.QuadPart : -1;
    }

    std::size_t readBytes(uint8_t* buffer, std::size_t count) override {
        std::size_t total = 0;
        while (total < count) {
            const auto ask = static_cast<DWORD>(std::min(count - total, largestSystemTransfer));
            DWORD got = 0;
            if (!succeeded(ReadFile(handle_.get(), buffer + total, ask, &got, nullptr)) ||
                got == 0) {
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
            if (!succeeded(WriteFile(handle_.get(), bytes + total, ask, &written, nullptr))) {
                return false;
            }
            if (written == 0) {
                // Nothing written and no error: the system took no more; call it a full disk.
                lastError_ = ERROR_DISK_FULL;
                return false;
            }
            total += written;
        }
        return true;
    }

    bool flushToDisk() override { return succeeded(FlushFileBuffers(handle_.get())); }

    bool keepWhenClosed() override { return true; }

    bool closeFile() override { return succeeded(handle_.close()); }

    SystemError lastError() const override { return lastError_; }

private:
    // Keeps the system's error of a call that failed.
    bool succeeded(BOOL result) {
        if (!result) {
            lastError_ = GetLastError();
        }
        return result != FALSE;
    }

    KernelHandle handle_;
    SystemError lastError_ = noSystemError;
};

}  // namespace

std::unique_ptr<OpenFile> Win32BinaryFile::openBinary(const std::string& path) {
    const std::wstring name = systemName(path);
    constexpr DWORD noSharing = 0;
    // Read and write access is asked for first only to hold the file as firmly as the user's
    // rights allow; the job never writes to it.
    KernelHandle handle(CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, noSharing, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!handle.valid()) {
        handle.reset(CreateFileW(name.c_str(), GENERIC_READ, noSharing, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    }
    if (!handle.valid()) {
        // The error of the second try: it says why the file cannot even be read.
        lastError_ = GetLastError();
        return nullptr;
    }
    return std::make_unique<Win32OpenFile>(std::move(handle));
}

std::unique_ptr<OpenFile> Win32BinaryFile::createBinary(const std::string& path,
                                                        CreateOutcome& outcome) {
    const std::wstring name = systemName(path);
    KernelHandle handle(CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle.valid()) {
        const DWORD error = GetLastError();
        lastError_ = error;
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
    // MOVEFILE_WRITE_THROUGH: the new name is on the disk when the call returns.
    if (MoveFileExW(systemName(from).c_str(), systemName(to).c_str(), MOVEFILE_WRITE_THROUGH)) {
        return RenameOutcome::renamed;
    }
    const DWORD error = GetLastError();
    lastError_ = error;
    return (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)
               ? RenameOutcome::targetExists
               : RenameOutcome::failed;
}

bool Win32BinaryFile::deleteFile(const std::string& path) {
    if (DeleteFileW(systemName(path).c_str())) {
        return true;
    }
    lastError_ = GetLastError();
    return false;
}

std::string Win32BinaryFile::errorText(SystemError error) const {
    return win32::errorText(error);
}

}  // namespace zel
