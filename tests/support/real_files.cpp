#include "tests/support/real_files.h"

#include <winioctl.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cwchar>
#include <memory>
#include <stdexcept>

#include "win32/error_text.h"
#include "win32/text.h"

namespace zel::test {

namespace {

using win32::KernelHandle;

std::runtime_error failure(const std::string& what, const AnyPath& path) {
    const DWORD error = GetLastError();
    return std::runtime_error(what + " " + path.narrow() + ": " + win32::errorText(error));
}

KernelHandle openForReading(const AnyPath& path) {
    return openFile(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
}

std::size_t readUpTo(HANDLE file, uint8_t* buffer, std::size_t count) {
    std::size_t total = 0;
    while (total < count) {
        DWORD got = 0;
        if (!ReadFile(file, buffer + total, static_cast<DWORD>(count - total), &got, nullptr) ||
            got == 0) {
            break;
        }
        total += got;
    }
    return total;
}

void seek(HANDLE file, int64_t offset, const AnyPath& path) {
    LARGE_INTEGER at{};
    at.QuadPart = offset;
    if (!SetFilePointerEx(file, at, nullptr, FILE_BEGIN)) {
        throw failure("cannot seek in", path);
    }
}

struct Entry {
    std::wstring name;
    bool folder;
};

// The entries of a folder without "." and "..".
std::vector<Entry> entriesOf(const std::wstring& folder) {
    std::vector<Entry> entries;
    WIN32_FIND_DATAW found{};
    const win32::FindHandle search(
        FindFirstFileW(AnyPath(folder + L"\\*").system().c_str(), &found));
    if (!search) {
        return entries;
    }
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") {
            entries.push_back({name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
        }
    } while (FindNextFileW(search.get(), &found));
    return entries;
}

void snapshotInto(const std::wstring& folder, const std::string& prefix, FolderSnapshot& into) {
    for (const Entry& entry : entriesOf(folder)) {
        const std::string relative = prefix + win32::fromWideForDisplay(entry.name);
        const std::wstring inner = folder + L"\\" + entry.name;
        if (entry.folder) {
            into[relative] = "<folder>";
            snapshotInto(inner, relative + "\\", into);
        } else {
            into[relative] = asString(readWholeFile(inner));
        }
    }
}

bool processRuns(DWORD processId) {
    const KernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
    return process && WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
}

std::wstring systemTempFolder() {
    wchar_t base[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH, base);
    return std::wstring(base, length > 0 ? length - 1 : 0);  // without the final backslash
}

}  // namespace

std::wstring wideOf(const std::string& narrow) {
    return win32::toWide(narrow).value();
}

std::string narrowOf(const std::wstring& wide) {
    return win32::fromWide(wide).value();
}

KernelHandle openFile(const AnyPath& path, DWORD access, DWORD sharing, DWORD creation) {
    KernelHandle file(CreateFileW(path.system().c_str(), access, sharing, nullptr, creation,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
        throw failure("cannot open", path);
    }
    return file;
}

void writeAll(HANDLE file, const uint8_t* bytes, std::size_t count, const AnyPath& path) {
    DWORD written = 0;
    if (!WriteFile(file, bytes, static_cast<DWORD>(count), &written, nullptr) || written != count) {
        throw failure("cannot write", path);
    }
}

AnyPath::AnyPath(const std::string& narrow) : wide_(wideOf(narrow)) {}

std::string AnyPath::narrow() const {
    return narrowOf(wide_);
}

std::wstring AnyPath::system() const {
    if (wide_.size() >= MAX_PATH - 12 && wide_.rfind(L"\\\\?\\", 0) != 0) {
        return L"\\\\?\\" + wide_;
    }
    return wide_;
}

TempFolder::TempFolder(const AnyPath& baseFolder, const std::string& prefix) {
    static std::atomic<int> made{0};
    const std::wstring base = baseFolder.wide().empty() ? systemTempFolder() : baseFolder.wide();
    const std::wstring widePrefix = wideOf(prefix);
    for (const Entry& entry : entriesOf(base)) {
        if (entry.folder && entry.name.rfind(widePrefix, 0) == 0) {
            const auto owner = static_cast<DWORD>(
                std::wcstoul(entry.name.c_str() + widePrefix.size(), nullptr, 10));
            if (owner != GetCurrentProcessId() && !processRuns(owner)) {
                removeTree(base + L"\\" + entry.name);
            }
        }
    }
    for (;;) {
        widePath_ = base + L"\\" + widePrefix + std::to_wstring(GetCurrentProcessId()) + L"-" +
                    std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(++made);
        if (CreateDirectoryW(widePath_.c_str(), nullptr)) {
            path_ = win32::fromWideForDisplay(widePath_);
            return;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            throw failure("cannot make", widePath_);
        }
    }
}

TempFolder::~TempFolder() {
    // A process that was just ended may hold its files for a moment longer.
    for (int attempt = 0; attempt < 50 && pathExists(widePath_); ++attempt) {
        if (attempt > 0) {
            Sleep(100);
        }
        removeTree(widePath_);
    }
}

Names TempFolder::names() const {
    Names names;
    for (const Entry& entry : entriesOf(widePath_)) {
        names.push_back(entry.name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool holdsUnfinishedOutput(const TempFolder& folder) {
    const std::vector<std::wstring> names = folder.names();
    return std::any_of(names.begin(), names.end(), [](const std::wstring& name) {
        return name.size() >= 5 && name.compare(name.size() - 5, 5, L".part") == 0;
    });
}

void removeTree(const AnyPath& path) {
    const std::wstring name = path.system();
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return;
    }
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        SetFileAttributesW(name.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileW(name.c_str());
        return;
    }
    removeContents(path);
    RemoveDirectoryW(name.c_str());
}

void removeContents(const AnyPath& folder) {
    for (const Entry& entry : entriesOf(folder.wide())) {
        removeTree(folder.wide() + L"\\" + entry.name);
    }
}

void writeWholeFile(const AnyPath& path, const Bytes& bytes) {
    const KernelHandle file = openFile(path, GENERIC_WRITE, 0, CREATE_ALWAYS);
    if (!bytes.empty()) {
        writeAll(file.get(), bytes.data(), bytes.size(), path);
    }
}

Bytes readWholeFile(const AnyPath& path) {
    const KernelHandle file = openForReading(path);
    LARGE_INTEGER size{};
    GetFileSizeEx(file.get(), &size);
    Bytes bytes(static_cast<std::size_t>(size.QuadPart));
    bytes.resize(readUpTo(file.get(), bytes.data(), bytes.size()));
    return bytes;
}

bool pathExists(const AnyPath& path) {
    return GetFileAttributesW(path.system().c_str()) != INVALID_FILE_ATTRIBUTES;
}

int64_t fileSize(const AnyPath& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.system().c_str(), GetFileExInfoStandard, &data)) {
        return -1;
    }
    return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

void makeFolder(const AnyPath& path) {
    if (!CreateDirectoryW(path.system().c_str(), nullptr)) {
        throw failure("cannot make the folder", path);
    }
}

FolderSnapshot snapshotOf(const AnyPath& folder) {
    FolderSnapshot snapshot;
    snapshotInto(folder.wide(), "", snapshot);
    return snapshot;
}

VolumeSpace volumeSpaceAt(const AnyPath& path) {
    ULARGE_INTEGER available{}, total{};
    if (!GetDiskFreeSpaceExW(path.wide().c_str(), &available, &total, nullptr)) {
        return {};
    }
    return {static_cast<int64_t>(available.QuadPart), static_cast<int64_t>(total.QuadPart)};
}

void makeSparseFile(const AnyPath& path, int64_t length,
                    const std::vector<std::pair<int64_t, uint8_t>>& marks) {
    const KernelHandle file = openFile(path, GENERIC_READ | GENERIC_WRITE, 0, CREATE_NEW);
    // Where the file system knows no sparse files the system writes the zeros itself.
    DWORD returned = 0;
    DeviceIoControl(file.get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
    seek(file.get(), length, path);
    if (!SetEndOfFile(file.get())) {
        throw failure("cannot size", path);
    }
    for (const auto& [offset, value] : marks) {
        seek(file.get(), offset, path);
        writeAll(file.get(), &value, 1, path);
    }
}

uint8_t byteAt(const AnyPath& path, int64_t offset) {
    const KernelHandle file = openForReading(path);
    seek(file.get(), offset, path);
    uint8_t value = 0;
    if (readUpTo(file.get(), &value, 1) != 1) {
        throw failure("cannot read", path);
    }
    return value;
}

std::string compareFiles(const AnyPath& a, const AnyPath& b) {
    constexpr std::size_t blockSize = 8u << 20;
    const KernelHandle fileA = openForReading(a);
    const KernelHandle fileB = openForReading(b);
    const auto blockA = std::make_unique<uint8_t[]>(blockSize);
    const auto blockB = std::make_unique<uint8_t[]>(blockSize);
    for (int64_t offset = 0;;) {
        const std::size_t gotA = readUpTo(fileA.get(), blockA.get(), blockSize);
        const std::size_t gotB = readUpTo(fileB.get(), blockB.get(), blockSize);
        const std::size_t common = std::min(gotA, gotB);
        const auto mismatch = std::mismatch(blockA.get(), blockA.get() + common, blockB.get());
        if (mismatch.first != blockA.get() + common) {
            return "bytes differ at offset " +
                   std::to_string(offset + (mismatch.first - blockA.get()));
        }
        if (gotA != gotB) {
            return "lengths differ: one file ends at " + std::to_string(offset + common);
        }
        if (gotA == 0) {
            return "";
        }
        offset += static_cast<int64_t>(gotA);
    }
}

bool slowFlushLoaded() {
    const char* preloaded = std::getenv("LD_PRELOAD");
    return preloaded != nullptr && std::string(preloaded).find("slow_flush") != std::string::npos;
}

std::string windowsPath(const std::string& path) {
    if (path.empty() || path[0] != '/') {
        return path;
    }
    std::string converted = "Z:" + path;
    std::replace(converted.begin(), converted.end(), '/', '\\');
    while (converted.size() > 3 && converted.back() == '\\') {
        converted.pop_back();
    }
    return converted;
}

KernelHandle openUnshared(const AnyPath& path) {
    return KernelHandle(CreateFileW(path.system().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace zel::test
