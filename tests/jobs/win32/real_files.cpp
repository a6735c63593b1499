#include "real_files.h"

#include <winioctl.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <random>
#include <stdexcept>

namespace zeltest {

namespace {

// Names of the classic length, or the "\\?\" form of longer ones: the tests make names past
// 260 characters, and must be able to read and remove what the jobs write under them. The
// tests' names are absolute.
std::wstring wideName(const std::string& path) {
    const int size = static_cast<int>(path.size());
    std::wstring wide(
        static_cast<std::size_t>(MultiByteToWideChar(CP_ACP, 0, path.data(), size, nullptr, 0)),
        L'\0');
    MultiByteToWideChar(CP_ACP, 0, path.data(), size, wide.data(), static_cast<int>(wide.size()));
    if (wide.size() >= MAX_PATH - 12 && wide.rfind(L"\\\\?\\", 0) != 0) {
        return L"\\\\?\\" + wide;
    }
    return wide;
}

std::string narrowName(const wchar_t* name) {
    const int size = WideCharToMultiByte(CP_ACP, 0, name, -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(size > 0 ? size : 1), '\0');
    WideCharToMultiByte(CP_ACP, 0, name, -1, narrow.data(), size, nullptr, nullptr);
    narrow.resize(narrow.size() - 1);
    return narrow;
}

std::string lastErrorText(const std::string& what) {
    return what + " failed, error " + std::to_string(GetLastError());
}

UniqueHandle openForReading(const std::string& path) {
    UniqueHandle file(CreateFileW(wideName(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.valid()) {
        throw std::runtime_error(lastErrorText("opening " + path));
    }
    return file;
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

void writeAll(HANDLE file, const uint8_t* bytes, std::size_t count, const std::string& path) {
    DWORD written = 0;
    if (!WriteFile(file, bytes, static_cast<DWORD>(count), &written, nullptr) || written != count) {
        throw std::runtime_error(lastErrorText("writing " + path));
    }
}

// The names in a folder, without "." and "..", each with whether it is a folder.
std::vector<std::pair<std::string, bool>> entriesOf(const std::string& folder) {
    std::vector<std::pair<std::string, bool>> entries;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(wideName(folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return entries;
    }
    do {
        const std::string name = narrowName(found.cFileName);
        if (name != "." && name != "..") {
            entries.emplace_back(name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return entries;
}

void snapshotInto(const std::string& folder, const std::string& prefix, FolderSnapshot& into) {
    for (const auto& [name, isFolder] : entriesOf(folder)) {
        const std::string relative = prefix + name;
        if (isFolder) {
            into[relative] = "<folder>";
            snapshotInto(folder + "\\" + name, relative + "\\", into);
        } else {
            into[relative] = asString(readWholeFile(folder + "\\" + name));
        }
    }
}

std::string quoted(const std::string& argument) {
    return "\"" + argument + "\"";
}

std::string ownProgramPath() {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::string systemTempFolder() {
    char base[MAX_PATH + 1] = {};
    GetTempPathA(sizeof base, base);
    std::string folder = base;
    if (!folder.empty() && folder.back() == '\\') {
        folder.pop_back();
    }
    return folder;
}

}  // namespace

TempFolder::TempFolder(const std::string& prefix) {
    static std::atomic<int> counter{0};
    const std::string folder = systemTempFolder();
    for (;;) {
        path_ = folder + "\\" + prefix + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(GetTickCount()) + "-" + std::to_string(++counter);
        if (CreateDirectoryA(path_.c_str(), nullptr)) {
            return;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            throw std::runtime_error(lastErrorText("creating " + path_));
        }
    }
}

TempFolder::~TempFolder() {
    // A child process that was just ended may hold its files for a moment longer.
    for (int attempt = 0; attempt < 50 && pathExists(path_); ++attempt) {
        if (attempt > 0) {
            Sleep(100);
        }
        removeTree(path_);
    }
}

void removeTree(const std::string& path) {
    const std::wstring name = wideName(path);
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

void removeContents(const std::string& folder) {
    for (const auto& entry : entriesOf(folder)) {
        removeTree(folder + "\\" + entry.first);
    }
}

void removeStaleTempFolders(const std::string& prefix) {
    const std::string folder = systemTempFolder();
    for (const auto& entry : entriesOf(folder)) {
        const std::string& name = entry.first;
        if (name.rfind(prefix, 0) != 0) {
            continue;
        }
        const auto owner =
            static_cast<DWORD>(std::strtoul(name.c_str() + prefix.size(), nullptr, 10));
        UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, owner));
        if (!process.valid() || WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0) {
            removeTree(folder + "\\" + name);
        }
    }
}

void writeWholeFile(const std::string& path, const Bytes& bytes) {
    UniqueHandle file(CreateFileW(wideName(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        throw std::runtime_error(lastErrorText("creating " + path));
    }
    if (!bytes.empty()) {
        writeAll(file.get(), bytes.data(), bytes.size(), path);
    }
}

Bytes readWholeFile(const std::string& path) {
    UniqueHandle file = openForReading(path);
    LARGE_INTEGER size{};
    GetFileSizeEx(file.get(), &size);
    Bytes bytes(static_cast<std::size_t>(size.QuadPart));
    bytes.resize(readUpTo(file.get(), bytes.data(), bytes.size()));
    return bytes;
}

bool pathExists(const std::string& path) {
    return GetFileAttributesW(wideName(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

int64_t fileSizeOf(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(wideName(path).c_str(), GetFileExInfoStandard, &data)) {
        return -1;
    }
    return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

void makeFolder(const std::string& path) {
    if (!CreateDirectoryW(wideName(path).c_str(), nullptr)) {
        throw std::runtime_error(lastErrorText("creating folder " + path));
    }
}

Bytes pseudoRandomBytes(std::size_t count, uint32_t seed) {
    std::mt19937 generator(seed);
    Bytes bytes(count);
    for (auto& byte : bytes) {
        byte = static_cast<uint8_t>(generator() >> 24);
    }
    return bytes;
}

std::string asString(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

FolderSnapshot snapshotOf(const std::string& folder) {
    FolderSnapshot snapshot;
    snapshotInto(folder, "", snapshot);
    return snapshot;
}

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : entriesOf(folder)) {
        names.push_back(entry.first);
    }
    std::sort(names.begin(), names.end());
    return names;
}

int64_t freeBytesAt(const std::string& path) {
    ULARGE_INTEGER available{}, total{}, free{};
    if (!GetDiskFreeSpaceExA(path.c_str(), &available, &total, &free)) {
        return -1;
    }
    return static_cast<int64_t>(available.QuadPart);
}

int64_t volumeSizeAt(const std::string& path) {
    ULARGE_INTEGER available{}, total{}, free{};
    if (!GetDiskFreeSpaceExA(path.c_str(), &available, &total, &free)) {
        return -1;
    }
    return static_cast<int64_t>(total.QuadPart);
}

void makeSparseFile(const std::string& path, int64_t length,
                    const std::vector<std::pair<int64_t, uint8_t>>& setBytes) {
    UniqueHandle file(CreateFileW(wideName(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        throw std::runtime_error(lastErrorText("creating " + path));
    }
    // Where the file system knows no sparse files the zeros are simply written by the system.
    DWORD returned = 0;
    DeviceIoControl(file.get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
    LARGE_INTEGER end;
    end.QuadPart = length;
    if (!SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) || !SetEndOfFile(file.get())) {
        throw std::runtime_error(lastErrorText("sizing " + path));
    }
    for (const auto& [offset, value] : setBytes) {
        LARGE_INTEGER at;
        at.QuadPart = offset;
        if (!SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN)) {
            throw std::runtime_error(lastErrorText("seeking in " + path));
        }
        writeAll(file.get(), &value, 1, path);
    }
}

uint8_t byteAt(const std::string& path, int64_t offset) {
    UniqueHandle file = openForReading(path);
    LARGE_INTEGER at;
    at.QuadPart = offset;
    uint8_t value = 0;
    if (!SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN) ||
        readUpTo(file.get(), &value, 1) != 1) {
        throw std::runtime_error(lastErrorText("reading " + path));
    }
    return value;
}

std::string compareFiles(const std::string& a, const std::string& b) {
    constexpr std::size_t blockSize = 8u << 20;
    UniqueHandle fileA = openForReading(a);
    UniqueHandle fileB = openForReading(b);
    auto blockA = std::make_unique<uint8_t[]>(blockSize);
    auto blockB = std::make_unique<uint8_t[]>(blockSize);
    int64_t offset = 0;
    for (;;) {
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

std::string windowsPathOfUnixPath(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    while (path.size() > 3 && path.back() == '\\') {
        path.pop_back();
    }
    return path;
}

bool ChildProcess::start(const std::vector<std::string>& arguments) {
    terminate();
    std::string commandLine = quoted(ownProgramPath());
    for (const std::string& argument : arguments) {
        commandLine += " " + quoted(argument);
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &info)) {
        CloseHandle(info.hThread);
        process_ = UniqueHandle(info.hProcess);
    }
    return process_.valid();
}

ChildProcess::~ChildProcess() {
    terminate();
}

void ChildProcess::terminate() {
    if (process_.valid() && waitForExit(0) == STILL_ACTIVE) {
        TerminateProcess(process_.get(), 1);
        waitForExit(30000);
    }
}

DWORD ChildProcess::waitForExit(DWORD milliseconds) {
    if (!process_.valid() || WaitForSingleObject(process_.get(), milliseconds) != WAIT_OBJECT_0) {
        return STILL_ACTIVE;
    }
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.get(), &code);
    return code;
}

namespace {

std::string uniqueEventName() {
    static std::atomic<int> counter{0};
    return "zel-jobs-test-ready-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(++counter);
}

}  // namespace

FileHeldByOtherProcess::FileHeldByOtherProcess(const std::string& path) {
    const std::string eventName = uniqueEventName();
    ready_ = UniqueHandle(CreateEventA(nullptr, TRUE, FALSE, eventName.c_str()));
    if (!ready_.valid() || !holder_.start({holdUnsharedRole, path, eventName,
                                           std::to_string(GetCurrentProcessId())})) {
        return;
    }
    // The holder signals once it has the file open, or ends when it cannot open it.
    const HANDLE waitFor[] = {ready_.get(), holder_.handle()};
    holding_ = WaitForMultipleObjects(2, waitFor, FALSE, 60000) == WAIT_OBJECT_0;
}

}  // namespace zeltest
